#!/bin/sh
# Prints the folder of a minimal Debian 11 root (glibc 2.31, as Ubuntu
# 20.04 and RHEL 8 users have it or older), building it first when this
# machine has none for this script: the Linux launcher and a runtime it
# carries must run there. Roots live outside the clone, keyed by this
# script, so every clone on the machine shares one. Fails (status 1)
# without the mirror apt uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../cached_folder.sh"
cached_folder "${ZOV_DEBIAN11_CACHE:-/var/tmp/zov-debian11}" "$here/root.sh"
if [ ! -f "$folder/done" ]; then
  # The Debian mirror apt already uses here.
  mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=$(sed -n 's/^deb  *\([^ ]*\/debian\)\/* .*/\1/p' \
    /etc/apt/sources.list 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  echo "debian11: building the root from $mirror (once per machine)" >&2
  clear_cached_folders
  debootstrap --variant=minbase bullseye "$folder/root" "$mirror" \
    >"$folder/debootstrap.log" 2>&1 \
    || { tail -n 20 "$folder/debootstrap.log" >&2; exit 1; }
  touch "$folder/done"
fi
echo "$folder/root"
