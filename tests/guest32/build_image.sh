#!/bin/sh
# Builds the i386 guest that runs the 32-bit Windows programs: a Debian 12
# root with 32-bit Wine, Xvfb and the test drivers' tools, Debian's 686
# kernel and a busybox initramfs. The host refuses 32-bit code, so the root's
# second stage runs inside the guest, once, at its first boot.
#
# usage: build_image.sh DIR    (DIR gets vmlinuz, initrd.img, disk.img)
set -eu
out=$1
here=$(cd "$(dirname "$0")" && pwd)
work="$out.part"
rm -rf "$work"
mkdir -p "$work"
root="$work/root"

# The Debian mirror apt already uses here.
mirror=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=$(sed -n 's/^deb  *\([^ ]*\/debian\)\/* .*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
[ -n "$mirror" ] || mirror=http://deb.debian.org/debian
echo "guest32: debootstrap from $mirror"
debootstrap --foreign --arch=i386 --variant=minbase \
  --include=wine,wine32,xvfb,xauth,python3,xdotool,x11-apps \
  bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 \
  || { tail -n 20 "$work/debootstrap.log"; exit 1; }

# The kernel and busybox come from the index the first stage verified.
packages=$(ls "$root"/var/lib/apt/lists/*_Packages | head -n 1)
fetch() {  # package name -> unpacked into $work/$1
  python3 - "$packages" "$1" >"$work/$1.where" <<'PY'
import sys
entries = {}
for block in open(sys.argv[1], encoding="utf-8").read().split("\n\n"):
    fields = dict(l.split(": ", 1) for l in block.splitlines() if ": " in l and not l.startswith(" "))
    if "Package" in fields:
        entries[fields["Package"]] = fields
entry = entries[sys.argv[2]]
if sys.argv[2].startswith("linux-image-"):  # the metapackage names the kernel
    entry = entries[entry["Depends"].split(",")[0].split()[0]]
print(entry["Filename"], entry["SHA256"])
PY
  read -r file sum <"$work/$1.where"
  curl -fsS -o "$work/$1.deb" "$mirror/$file"
  echo "$sum  $work/$1.deb" | sha256sum -c --quiet
  dpkg-deb -x "$work/$1.deb" "$work/$1"
}
fetch linux-image-686
fetch busybox-static
cp "$work"/linux-image-686/boot/vmlinuz-* "$work/vmlinuz"

# The drivers the root disk, the shared folders and the control channel
# need are modules, and the package has no modules.dep: load them in the
# order their own dependency lists give.
initrd="$work/initrd"
mkdir -p "$initrd/bin" "$initrd/proc" "$initrd/sys" "$initrd/dev" \
  "$initrd/newroot" "$initrd/modules"
cp "$work/busybox-static/bin/busybox" "$initrd/bin/busybox"
python3 - "$work"/linux-image-686/lib/modules/* "$initrd/modules" <<'PY'
import lzma, os, re, sys
tree, dest = sys.argv[1], sys.argv[2]
found = {}
for d, _, files in os.walk(tree):
    for f in files:
        m = re.match(r"(.*)\.ko(\.xz)?$", f)
        if m:
            found[m.group(1).replace("-", "_")] = os.path.join(d, f)
def data(name):
    raw = open(found[name], "rb").read()
    return lzma.decompress(raw) if found[name].endswith(".xz") else raw
order = []
def visit(name):
    name = name.replace("-", "_")
    if name in order or name not in found:
        return
    m = re.search(rb"\0depends=([^\0]*)", data(name))
    for dep in (m.group(1).decode().split(",") if m and m.group(1) else []):
        visit(dep)
    order.append(name)
for name in ["virtio_pci", "virtio_blk", "virtio_console", "crc32c_generic",
             "libcrc32c", "ext4", "9pnet_virtio", "9p"]:
    if name not in found:
        sys.exit("no module " + name)
    visit(name)
for i, name in enumerate(order):
    open(os.path.join(dest, "%02d_%s.ko" % (i, name)), "wb").write(data(name))
PY
cp "$here/initrd_init.sh" "$initrd/init"
chmod 755 "$initrd/init" "$initrd/bin/busybox"
(cd "$initrd" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/initrd.img"

# debootstrap may leave proc as a link to the host's /proc.
rm -rf "$root/proc" && mkdir "$root/proc"
# An emulated disk makes every fsync dear; a failed build is thrown away.
mkdir -p "$root/etc/dpkg/dpkg.cfg.d"
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/zov-unsafe-io"
cp "$here/guest_setup.sh" "$root/zov-setup.sh"
chmod 755 "$root/zov-setup.sh"
mkfs.ext4 -q -F -L zovroot -d "$root" "$work/disk.img" 6G
rm -rf "$root" "$work/linux-image-686" "$work/busybox-static" "$work"/*.deb "$initrd"

echo "guest32: first boot (second stage, wineboot); several minutes"
log="$work/setup.log"
timeout --foreground 2400 qemu-system-i386 -machine pc,accel=tcg -cpu max,-smap -smp 2 \
  -m 2048 -display none -no-reboot -serial "file:$log" \
  -kernel "$work/vmlinuz" -initrd "$work/initrd.img" \
  -append "console=ttyS0 panic=1 zov.init=/zov-setup.sh" \
  -drive "file=$work/disk.img,format=raw,if=virtio,cache=unsafe" || true
if ! grep -q '^zov-setup: done' "$log"; then
  tail -n 30 "$log"
  echo "guest32: first boot failed ($log)"
  exit 1
fi
rm -rf "$out"
mv "$work" "$out"
