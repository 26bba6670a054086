#!/bin/sh
# Prints a folder holding Debian's ARM64 OpenJDK 17 (jdk/, with its jmods)
# and the C and C++ libraries it runs on (root/, what qemu-aarch64 -L
# gives the launcher and the runtime, with no Java of its own), unpacked
# from their packages. No arm64 system is installed and nothing is run
# while it is made. The
# folder lives outside the clone, keyed by this script, so every clone on
# the machine shares it. Fails (status 1) without the mirror apt uses.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../cached_folder.sh"
cached_folder "${ZOV_LINUXARM64_CACHE:-/var/tmp/zov-linuxarm64}" "$here/jdk.sh"
dir=$folder
if [ ! -f "$dir/done" ]; then
  clear_cached_folders
  mkdir -p "$dir/lists/partial" "$dir/cache/archives/partial" "$dir/debs" \
    "$dir/root" "$dir/jdk"
  : >"$dir/status"
  # apt's own sources and mirror, with arm64 lists and caches of its own:
  # the machine's apt state is not touched.
  apt_get() {
    apt-get -q -o APT::Architecture=arm64 -o APT::Architectures=arm64 \
      -o Dir::State::Lists="$dir/lists" -o Dir::State::status="$dir/status" \
      -o Dir::Cache="$dir/cache" "$@"
  }
  echo "linuxarm64: fetching Debian's ARM64 OpenJDK (once per machine)" >&2
  apt_get update >"$dir/apt.log" 2>&1 || { tail -n 5 "$dir/apt.log" >&2; exit 1; }
  # The runtime and the libraries it and the launcher load, nothing more:
  # a headless runtime run from the command line needs no other.
  (cd "$dir/debs" && apt_get download openjdk-17-jre-headless \
    openjdk-17-jdk-headless libc6 libgcc-s1 libstdc++6 zlib1g) \
    >>"$dir/apt.log" 2>&1 || { tail -n 5 "$dir/apt.log" >&2; exit 1; }
  for deb in "$dir"/debs/*.deb; do
    case $deb in
      */openjdk-*) into=$dir/jdk ;;
      *) into=$dir/root ;;
    esac
    dpkg-deb -x "$deb" "$into"
  done
  # Absolute links (the runtime's configuration in /etc, the loader) would
  # name this machine's files: point them into their own tree.
  for tree in "$dir/root" "$dir/jdk"; do
    find "$tree" -type l | while read -r link; do
      target=$(readlink "$link")
      case $target in
        /*) ln -sfn "$tree$target" "$link" ;;
      esac
    done
  done
  rm -rf "$dir/debs" "$dir/cache" "$dir/lists"
  touch "$dir/done"
fi
echo "$dir"
