#!/bin/sh
# Installs what the build and the tests need on a fresh Debian 12 machine
# (as root). Does nothing when everything is present.
set -eu
PACKAGES="cmake ninja-build g++ googletest python3 zip unzip zlib1g-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 xvfb xdotool x11-apps
  imagemagick openjdk-17-jdk-headless valgrind clang libclang-rt-14-dev time
  osslsigncode openssl groovy libz-mingw-w64-dev dpkg-dev
  qemu-system-x86 debootstrap busybox-static curl openjfx libstb-dev
  python3-pefile maven libmaven-plugin-tools-java libmaven-compiler-plugin-java
  libmaven-resources-plugin-java libmaven-jar-plugin-java
  libmaven-install-plugin-java libsurefire-java libplexus-utils2-java
  libcommons-lang3-java lld llvm qemu-user-static g++-aarch64-linux-gnu
  liblog4j2-java"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" \
    || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "setup: installing$missing"
if [ "$(id -u)" != 0 ]; then
  echo "setup: run as root to install:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
# 32-bit programs cannot run on these machines: no wine32.
apt-get install -y -q $missing
