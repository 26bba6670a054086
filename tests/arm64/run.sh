#!/bin/sh
# The ARM64 suite: zova64.exe and zovca64.exe run for real, under arm64
# Wine from an arm64 Debian root (root.sh), whose programs qemu-aarch64
# runs in user mode (binfmt.sh), against the ARM64 build of the test
# runtime. Needs build/winarm64, build/win64 and build/linux; run by
# scripts/test.sh (tests/arm64/README.md says when), with DISPLAY set to
# its Xvfb.
set -eu
cd "$(dirname "$0")/../.."
top=$(pwd)
started=$(date +%s)
sh tests/arm64/binfmt.sh
root=$(sh tests/arm64/root.sh)
echo "arm64: root ready after $(( $(date +%s) - started )) s"
cmake --build build/winarm64 --target zov_arm64_testruntime >/dev/null
status=0
ZOV_ARM64_ROOT=$root ZOV_ARM64_SHARE=$top python3 tests/arm64/arm64_test.py \
  "$top/build/linux/pack/zovpack" "$top/build/winarm64" "$top/build/win64" \
  || status=$?
echo "arm64: $(( $(date +%s) - started )) s in all"
exit $status
