#!/bin/sh
# The guest's init for a test run: one X display and one Wine server for
# every command the host sends, then power off.
mount -t proc proc /proc
mount -t sysfs sys /sys
export HOME=/root WINEPREFIX=/root/.wine WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:0 LANG=C.UTF-8 \
  PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin
Xvfb :0 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
i=0
while [ ! -e /tmp/.X11-unix/X0 ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
# A persistent server: without it each program pays for a new one.
wineserver -p
# A crash ends the program: winedbg would wait for a user, for ever.
wine reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
  /v Debugger /f >/dev/null 2>&1
python3 "$(dirname "$0")/guest_server.py"
wineserver -k
echo o >/proc/sysrq-trigger
