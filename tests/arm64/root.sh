#!/bin/sh
# Prints the folder of the arm64 Debian root that holds arm64 Wine, building
# it first when this machine has none for the current script. Roots live
# outside the clone, keyed by this script, so every clone on the machine
# shares one; building one takes up to half an hour, most of it emulated.
# With --exists it builds nothing and fails when there is none.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=${ZOV_ARM64_CACHE:-/var/tmp/zov-arm64}
key=$(cat "$here/root.sh" | sha256sum | cut -c1-16)
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9  # another run may be building it right now
if [ "${1:-}" = --exists ] && [ ! -f "$cache/$key/done" ]; then
  exit 1
fi
if [ ! -f "$cache/$key/done" ]; then
  for old in "$cache"/*/; do  # roots of older scripts: 1 GB each
    [ -d "$old" ] && [ "${old%/}" != "$cache/$key" ] &&
      rm -rf --one-file-system "$old"
  done
  sh "$here/binfmt.sh"
  # The Debian mirror apt already uses here.
  mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
  [ -n "$mirror" ] || mirror=http://deb.debian.org/debian
  echo "arm64: building the Debian root from $mirror (once per machine)" >&2
  rm -rf --one-file-system "$cache/$key"
  mkdir -p "$cache/$key"
  # debootstrap's second stage runs arm64 programs: binfmt_misc sends them
  # to qemu-aarch64.
  debootstrap --arch=arm64 --variant=minbase --include=wine64 \
    bookworm "$cache/$key/root" "$mirror" >"$cache/$key/debootstrap.log" 2>&1 \
    || { tail -n 20 "$cache/$key/debootstrap.log" >&2; exit 1; }
  touch "$cache/$key/done"
fi
echo "$cache/$key/root"
