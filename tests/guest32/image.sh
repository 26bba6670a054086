#!/bin/sh
# Prints the folder of the i386 guest image, building it first when this
# machine has none for the current build scripts. Images live outside the
# clone, keyed by those scripts, so every clone on the machine shares one.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=${ZOV_GUEST32_CACHE:-/var/tmp/zov-guest32}
key=$(cat "$here/build_image.sh" "$here/initrd_init.sh" "$here/guest_setup.sh" \
  | sha256sum | cut -c1-16)
mkdir -p "$cache"
exec 9>"$cache/lock"
flock 9  # another run may be building it right now
if [ ! -f "$cache/$key/disk.img" ]; then
  for old in "$cache"/*/; do  # images of older scripts: 2 GB each
    [ -d "$old" ] && [ "${old%/}" != "$cache/$key" ] && rm -rf "$old"
  done
  echo "guest32: building the image (about 10 minutes, once per machine)" >&2
  sh "$here/build_image.sh" "$cache/$key" >&2
fi
echo "$cache/$key"
