#!/bin/sh
# Prints the folder of the i386 guest image, building it first when this
# machine has none for the current build scripts. Images live outside the
# clone, keyed by those scripts, so every clone on the machine shares one.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../cached_folder.sh"
cached_folder "${ZOV_GUEST32_CACHE:-/var/tmp/zov-guest32}" \
  "$here/build_image.sh" "$here/initrd_init.sh" "$here/guest_setup.sh"
if [ ! -f "$folder/disk.img" ]; then
  clear_cached_folders
  echo "guest32: building the image (about 10 minutes, once per machine)" >&2
  sh "$here/build_image.sh" "$folder" >&2
fi
echo "$folder"
