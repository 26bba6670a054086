#!/bin/sh
# Builds everything and runs every test of every target: one Wine prefix,
# one Xvfb display and one boot of the i386 guest for the whole run, not
# per test.
set -eu
cd "$(dirname "$0")/.."
run_dir=$(mktemp -d /tmp/zov-test.XXXXXX)
started=$(date +%s)
say() {  # with the minutes since the start, to see where a slow run went
  echo "test: [$(( ($(date +%s) - started) / 60 ))m] $*"
}

# 32-bit code runs in an emulated i386 guest (tests/guest32). A machine
# without its image builds it first, mostly under emulation: meanwhile the
# rest is built and tested. ZOV_GUEST32=0 leaves the guest out.
guest32=${ZOV_GUEST32:-1}
image_pid=
if [ "$guest32" != 0 ]; then
  # Its own process group, so that a failed run can stop it.
  setsid sh tests/guest32/image.sh >"$run_dir/image.path" 2>"$run_dir/image.log" &
  image_pid=$!
fi
# The Debian 11 root and Debian's ARM64 OpenJDK, which the debian11 and
# linuxarm64 tests of build/linux use: fetched once per machine, meanwhile
# the rest is built. A test whose download failed reports itself skipped.
sh tests/debian11/root.sh >/dev/null 2>"$run_dir/debian11.log" &
debian11_pid=$!
sh tests/linuxarm64/jdk.sh >/dev/null 2>"$run_dir/linuxarm64.log" &
linuxarm64_pid=$!
export WINEPREFIX="$run_dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display=99
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >"$run_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
guest_pid=
cleanup() {
  [ -n "$image_pid" ] && kill -- "-$image_pid" 2>/dev/null || true
  [ -n "$guest_pid" ] && kill "$guest_pid" 2>/dev/null && wait "$guest_pid" || true
  /usr/lib/wine/wineserver -k 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$run_dir"
}
trap cleanup EXIT INT TERM
sh scripts/build.sh
export DISPLAY=":$display"
say "creating the Wine prefix"
/usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w 2>/dev/null || true

status=0
summary=
for target in linux win64; do
  say "$target"
  # The 32-bit suite runs below, in the guest.
  if ctest --test-dir "build/$target" --output-on-failure -j 2 -LE guest32; then
    summary="$summary $target:ok"
  else
    status=1 summary="$summary $target:FAILED"
  fi
done
for fetch in debian11 linuxarm64; do
  eval "pid=\$${fetch}_pid"
  if wait "$pid"; then
    summary="$summary $fetch:ran-in-linux"
  else
    cat "$run_dir/$fetch.log"
    echo "test: ********** skipped: $fetch (nothing from the mirror) **********"
    summary="$summary $fetch:SKIPPED(no-mirror)"
  fi
done
# build/linux ran the runtime's tests against Java 25 too (label java25).
jdk25=${ZOV_JDK25_HOME:-/usr/lib/jvm/temurin-25-jdk-amd64}
if [ -x "$jdk25/bin/java" ]; then
  summary="$summary java25:ran-in-linux"
else
  echo "test: ********** skipped: no Java 25 at $jdk25 **********"
  summary="$summary java25:SKIPPED(no-java-25)"
fi

# 32-bit code: the host cannot run it, so the win32 build's tests and the
# Wine end-to-end tests with zov32.exe run in an emulated i386 guest with
# 32-bit Wine (tests/guest32), booted once for all of them. Their temporary
# files go to a folder the guest shares.
say "win32 (i386 guest)"
image_ok=1
if [ -n "$image_pid" ]; then
  image_ok=0
  wait "$image_pid" || image_ok=$?
  image_pid=
  cat "$run_dir/image.log"
fi
if [ "$image_ok" = 0 ]; then
  image=$(cat "$run_dir/image.path")
  mkdir -p "$run_dir/tmp"
  python3 tests/guest32/guest.py serve "$image" "$run_dir/guest32.sock" \
    "$(pwd)" "$run_dir" >"$run_dir/guest32.log" 2>&1 &
  guest_pid=$!
  while [ ! -S "$run_dir/guest32.sock" ] && kill -0 "$guest_pid" 2>/dev/null; do
    sleep 1
  done
fi
if [ -S "$run_dir/guest32.sock" ]; then
  cat "$run_dir/guest32.log"
  export ZOV_GUEST32_SOCKET="$run_dir/guest32.sock"
  guest_status=0
  TMPDIR="$run_dir/tmp" ctest --test-dir build/win32 --output-on-failure \
    || guest_status=1
  TMPDIR="$run_dir/tmp" ctest --test-dir build/linux --output-on-failure \
    -L guest32 || guest_status=1
  if [ "$guest_status" = 0 ]; then
    summary="$summary win32:ok"
  else
    status=1 summary="$summary win32:FAILED"
  fi
  kill "$guest_pid"; wait "$guest_pid" || true; guest_pid=
elif [ "$guest32" = 0 ]; then
  echo "test: ********** skipped: 32-bit guest left out (ZOV_GUEST32=0) **********"
  summary="$summary win32:SKIPPED(ZOV_GUEST32=0)"
else
  cat "$run_dir/guest32.log" 2>/dev/null || true
  echo "test: ********** skipped: no 32-bit guest **********"
  summary="$summary win32:SKIPPED(no-32-bit-guest)"
fi

# The ARM64 launchers under emulation (tests/arm64): arm64 Wine under
# user-mode qemu, about 2 minutes where the machine has the arm64 root.
# Building that root takes up to half an hour, so only ZOV_ARM64=1 builds
# it; ZOV_ARM64=0 leaves the suite out.
arm64=${ZOV_ARM64:-auto}
if [ "$arm64" = 1 ] ||
   { [ "$arm64" = auto ] && sh tests/arm64/root.sh --exists >/dev/null; }; then
  say "winarm64 (emulated arm64 Wine)"
  if sh tests/arm64/run.sh; then
    summary="$summary winarm64:ok"
  else
    status=1 summary="$summary winarm64:FAILED"
  fi
elif [ "$arm64" = 0 ]; then
  echo "test: ********** skipped: ARM64 launchers left out (ZOV_ARM64=0) **********"
  summary="$summary winarm64:SKIPPED(ZOV_ARM64=0)"
else
  echo "test: ********** skipped: no arm64 root on this machine; ZOV_ARM64=1 builds it and runs the ARM64 launchers under emulation **********"
  summary="$summary winarm64:SKIPPED(no-arm64-root)"
fi

# The sanitizer build runs the native tests again. LeakSanitizer crashes
# scanning the thread-local storage of the JVM's threads, so it scans none
# (the launcher keeps no heap pointer there), and the JVM's own leaks are
# suppressed by name.
say "asan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
LSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizer/lsan.supp:print_suppressions=0:use_tls=0" \
  ctest --test-dir build/asan --output-on-failure -j 2 -LE guest32 \
  && summary="$summary asan:ok" || { status=1; summary="$summary asan:FAILED"; }

say "fuzz (short runs; make fuzz runs longer)"
ctest --test-dir build/fuzz --output-on-failure -j 2 \
  && summary="$summary fuzz:ok" || { status=1; summary="$summary fuzz:FAILED"; }
say "done:$summary"
exit $status
