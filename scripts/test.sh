#!/bin/sh
# Runs every test of every target: one Wine prefix and one Xvfb display for
# the whole run, not per test.
set -eu
cd "$(dirname "$0")/.."
run_dir=$(mktemp -d /tmp/zov-test.XXXXXX)
export WINEPREFIX="$run_dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
cleanup() {
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$run_dir"
}
trap cleanup EXIT INT TERM
export DISPLAY=":$display"
echo "test: creating the Wine prefix"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w 2>/dev/null || true

status=0
for target in linux win64; do
  echo "test: $target"
  ctest --test-dir "build/$target" --output-on-failure -j 2 || status=1
done

# The sanitizer build runs the native tests again. LeakSanitizer crashes
# scanning the thread-local storage of the JVM's threads, so it scans none
# (the launcher keeps no heap pointer there), and the JVM's own leaks are
# suppressed by name.
echo "test: asan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizer/lsan.supp:print_suppressions=0:use_tls=0" \
  ctest --test-dir build/asan --output-on-failure -j 2 || status=1

echo "test: fuzz (short runs; make fuzz runs longer)"
ctest --test-dir build/fuzz --output-on-failure -j 2 || status=1
exit $status
