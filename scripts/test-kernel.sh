#!/usr/bin/env bash
# Runs tests/vm/*.sh inside a QEMU virtual machine on Debian's standard kernel, so that the Linux
# backends and the real program meet the kernel's own uhid, hidraw, hid-wiimote, evdev and uinput.
#   scripts/test-kernel.sh                 every executable tests/vm/*.sh, sorted
#   scripts/test-kernel.sh 20-foo.sh ...   only these
# The kernel package is downloaded with apt-get into build/vm (never installed); the guest sees
# the host's root read-only over 9p and runs the host's own programs chrooted into it, with the
# default build (built here first) at the same path. Exits non-zero when any test failed.
# KV_VM_NO_BUILD=1 skips the build (when it is known to be up to date). See tests/vm/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=$src/build/default
vm=$src/build/vm
timeout_s=${KV_VM_TIMEOUT:-900}

scripts/setup-deps.sh
if [ -z "${KV_VM_NO_BUILD:-}" ]; then
  if [ ! -f "$build/CMakeCache.txt" ]; then cmake --preset default >/dev/null; fi
  cmake --build "$build" -j "$(nproc)"
fi

mkdir -p "$vm"
# The kernel: the standard flavour (the cloud one has no uinput), whichever version the
# linux-image-amd64 meta package points at.
kernel_package() {
  apt-cache depends linux-image-amd64 2>/dev/null | awk '/Depends: linux-image-/ { print $2; exit }'
}
pkg=$(kernel_package)
if [ -z "$pkg" ]; then apt-get update -qq && pkg=$(kernel_package); fi
[ -n "$pkg" ] || { echo "test-kernel: no linux-image-amd64 in apt's lists" >&2; exit 1; }
if [ ! -f "$vm/$pkg.stamp" ]; then
  rm -rf "$vm/root" "$vm"/*.deb "$vm"/*.stamp "$vm/vmlinux"
  (cd "$vm" && apt-get download "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  deb=$(ls "$vm"/"$pkg"_*.deb)
  mkdir -p "$vm/root"
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$vm/root" --wildcards './boot/vmlinuz-*' \
    './lib/modules/*/kernel/drivers/hid/*' './lib/modules/*/kernel/drivers/input/*' \
    './lib/modules/*/kernel/drivers/virtio/*' './lib/modules/*/kernel/net/9p/*' \
    './lib/modules/*/kernel/fs/9p/*' './lib/modules/*/kernel/fs/netfs/*' \
    './lib/modules/*/kernel/fs/fscache/*'
  rm -f "$deb"
  touch "$vm/$pkg.stamp"
fi
# QEMU boots the uncompressed kernel directly (PVH entry), which skips the firmware and the
# decompression: half the boot time under emulation.
kernel=$vm/vmlinux
if [ ! -f "$kernel" ]; then
  python3 - "$(ls "$vm"/root/boot/vmlinuz-*)" "$kernel.part" <<'PY'
import lzma, sys
image = open(sys.argv[1], "rb").read()
start = image.find(b"\xfd7zXZ\x00")
if start < 0:
    sys.exit("test-kernel: no xz payload in " + sys.argv[1])
open(sys.argv[2], "wb").write(lzma.LZMADecompressor().decompress(image[start:]))
PY
  mv "$kernel.part" "$kernel"
fi
modules=$(ls -d "$vm"/root/lib/modules/*/kernel)

# The initramfs: busybox, the modules /init loads, /init itself.
initrd=$vm/initrd
rm -rf "$initrd"
mkdir -p "$initrd"/{bin,proc,sys,dev,modules,newroot}
cp /bin/busybox "$initrd/bin/busybox"
cp scripts/vm/init "$initrd/init"
for m in virtio_ring virtio virtio_pci_modern_dev virtio_pci_legacy_dev virtio_pci 9pnet \
         9pnet_virtio netfs fscache 9p hid uhid hid-generic ff-memless hid-wiimote uinput evdev; do
  cp "$(find "$modules" -name "$m.ko" | head -1)" "$initrd/modules/"
done
(cd "$initrd" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$vm/initrd.cpio.gz"

results=$vm/results
rm -rf "$results"
mkdir -p "$results"
{
  echo "KV_SRC='$src'"
  echo "KV_BUILD='$build'"
  echo "KV_MODULES_DIR='$modules'"
  echo "KV_ONLY='$*'"
} >"$results/vm.conf"

accel=(-accel tcg)
echo "== booting $(basename "$kernel") under emulation"
started=$(date +%s)
set +e
timeout "$timeout_s" qemu-system-x86_64 "${accel[@]}" -cpu max -m 1536 -smp "${KV_VM_CPUS:-2}" \
  -kernel "$kernel" -initrd "$vm/initrd.cpio.gz" \
  -append "console=ttyS0 quiet loglevel=3 panic=-1 no_timer_check tsc=reliable" -nographic -no-reboot -nic none \
  -virtfs local,path=/,mount_tag=hostroot,security_model=none,readonly=on,multidevs=remap \
  -virtfs "local,path=$src,mount_tag=checkout,security_model=none,readonly=on,multidevs=remap" \
  -virtfs "local,path=$results,mount_tag=results,security_model=none,multidevs=remap" </dev/null
qemu_rc=$?
set -e
echo "== VM ran $(($(date +%s) - started)) s"
if [ $qemu_rc -ne 0 ]; then
  echo "test-kernel: QEMU ended with $qemu_rc (124: the VM ran longer than ${timeout_s} s)" >&2
  exit 1
fi
if [ ! -f "$results/summary" ]; then
  echo "test-kernel: the VM ended without a summary" >&2
  exit 1
fi
summary=$(cat "$results/summary")
echo "$summary"
case $summary in
  "0 passed, 0 failed") echo "test-kernel: no tests ran" >&2; exit 1 ;;
  *", 0 failed") exit 0 ;;
  *) exit 1 ;;
esac
