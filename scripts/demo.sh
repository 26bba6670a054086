#!/bin/sh
# Runs the Linux launcher: for now it starts and ends with status 0.
set -eu
cd "$(dirname "$0")/.."
./build/linux/zov
echo "demo: zov exited with status $?"
ls -l build/win32/zov32.exe build/win64/zov64.exe build/linux/zov
