#!/bin/sh
# First boot of the guest's root: the second stage of debootstrap, then a
# Wine prefix, kept in the image so that every run starts from it.
mount -t proc proc /proc
mount -t sysfs sys /sys
if [ -x /debootstrap/debootstrap ]; then
  /debootstrap/debootstrap --second-stage \
    || { echo "zov-setup: second stage failed"; cat /debootstrap/debootstrap.log; }
  # It unmounts the /proc it found on its way out; Wine needs it.
  mountpoint -q /proc || mount -t proc proc /proc
fi
export HOME=/root WINEPREFIX=/root/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
Xvfb :9 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
DISPLAY=:9 wine wineboot --init && wineserver -w && ok=1
kill $xvfb
wait $xvfb
rm -f /zov-setup.sh
sync
# A root left writable would have its journal replayed over the edits.
mount -o remount,ro / || { echo u >/proc/sysrq-trigger; sleep 5; }
[ -n "${ok:-}" ] && echo "zov-setup: done"
echo o >/proc/sysrq-trigger
