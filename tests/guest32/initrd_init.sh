#!/bin/busybox sh
# The guest's first process: loads the drivers, mounts the root disk and
# the host's shared folders (zov.share=TAG:PATH) and starts zov.init.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in /modules/*.ko; do insmod "$m"; done
init=/bin/sh
shares=
for arg in $(cat /proc/cmdline); do
  case $arg in
    zov.init=*) init=${arg#zov.init=} ;;
    zov.share=*) shares="$shares ${arg#zov.share=}" ;;
  esac
done
mount -t ext4 -o rw /dev/vda /newroot || { echo "zov: no root disk"; poweroff -f; }
for s in $shares; do
  mkdir -p "/newroot${s#*:}"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,cache=none \
    "${s%%:*}" "/newroot${s#*:}"
done
ip link set lo up
umount /proc /sys
mount --move /dev /newroot/dev
exec switch_root /newroot "$init"
