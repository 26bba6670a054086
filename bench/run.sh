#!/bin/sh
# The full benchmark run behind `make bench`, after the build: the stubs
# without their icon, then every measurement. The report goes to standard
# output and to build/bench/results.md. Arguments go to bench.py.
set -eu
cd "$(dirname "$0")/.."
jobs=${ZOV_JOBS:-2}
for dir in build/win64 build/win32; do
  cmake --build "$dir" --target bench_noicon -j "$jobs" >/dev/null
done
mkdir -p build/bench
exec python3 bench/bench.py --output build/bench/results.md "$@"
