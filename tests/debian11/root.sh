#!/bin/sh
# Prints the folder of a minimal Debian 11 root (glibc 2.31, as Ubuntu
# 20.04 and RHEL 8 users have it or older), building it first when this
# machine has none for this script: the Linux launcher and a runtime it
# carries must run there. Roots live outside the clone, keyed by this
# script, so every clone on the machine shares one. Fails (status 1)
# without the mirror apt uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=${ZOV_DEBIAN11_CACHE:-/var/tmp/zov-debian11}
key=$(sha256sum <"$here/root.sh" | cut -c1-16)
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9  # another run may be building it right now
if [ ! -f "$cache/$key/done" ]; then
  for old in "$cache"/*/; do  # roots of older scripts: 200 MB each
    [ -d "$old" ] && [ "${old%/}" != "$cache/$key" ] &&
      rm -rf --one-file-system "$old"
  done
  # The Debian mirror apt already uses here.
  mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=$(sed -n 's/^deb  *\([^ ]*\/debian\)\/* .*/\1/p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  echo "debian11: building the root from $mirror (once per machine)" >&2
  rm -rf --one-file-system "$cache/$key"
  mkdir -p "$cache/$key"
  debootstrap --variant=minbase bullseye "$cache/$key/root" "$mirror" \
    >"$cache/$key/debootstrap.log" 2>&1 \
    || { tail -n 20 "$cache/$key/debootstrap.log" >&2; exit 1; }
  touch "$cache/$key/done"
fi
echo "$cache/$key/root"
