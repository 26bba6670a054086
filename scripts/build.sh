#!/bin/sh
# Configures and builds the targets: build/win64 (zov64.exe and its
# tests), build/win32 (zov32.exe and its tests), build/winarm64 (zova64.exe
# and zovca64.exe, no tests) and build/linux (zov, zovpack, the
# unit and integration tests, which also check the Windows builds); then the
# Linux build again with AddressSanitizer and UBSan (build/asan) and the
# fuzz targets with clang (build/fuzz).
# `build.sh demo` builds only what the demo packs with: zovpack and the
# Linux, x64 and x86 stubs.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
jobs=${ZOV_JOBS:-2}
configure() {  # dir, extra cmake arguments...
  dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}
if [ "${1:-}" = demo ]; then
  configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake
  configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -DZOV_BUILD_TESTS=ON
  configure build/linux -DZOV_WIN64_DIR="$top/build/win64" \
    -DZOV_WIN32_DIR="$top/build/win32" -DZOV_WINARM64_DIR="$top/build/winarm64"
  # Staging brings the Windows stubs up to date first.
  cmake --build build/linux -j "$jobs" --target zovpack zov_stage_stubs
  exit 0
fi
configure build/win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake
cmake --build build/win64 -j "$jobs"
# Its tests run in the i386 guest (tests/guest32): say ON over an old cache.
configure build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw32.cmake -DZOV_BUILD_TESTS=ON
cmake --build build/win32 -j "$jobs"
configure build/winarm64 -DCMAKE_TOOLCHAIN_FILE=cmake/winarm64.cmake
cmake --build build/winarm64 -j "$jobs"
configure build/linux -DZOV_WIN64_DIR="$top/build/win64" \
  -DZOV_WIN32_DIR="$top/build/win32" -DZOV_WINARM64_DIR="$top/build/winarm64"
cmake --build build/linux -j "$jobs"
configure build/asan -DZOV_SANITIZE=ON
cmake --build build/asan -j "$jobs"
configure build/fuzz -DZOV_FUZZ=ON -DZOV_BUILD_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
cmake --build build/fuzz -j "$jobs"
