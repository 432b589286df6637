#!/usr/bin/env bash
# Builds the guest's initramfs: busybox, the modules that reach the host's root over virtio-9p
# and lay a writable overlay on it, and an /init that runs one command there and powers off.
# Usage: make-initramfs.sh KERNEL_ROOT OUTPUT_FILE
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
kernel=$1
output=$2
version=$(ls "$kernel/lib/modules" | head -n1)
busybox=/bin/busybox # busybox-static: it runs before any library can be found

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/{bin,dev,proc,sys,mnt/lower,mnt/rw,mnt/root,modules}
cp "$busybox" "$work/bin/busybox"
cp "$here/guest-init.sh" "$work/init"
chmod +x "$work/init"

# Every module the shares need, dependencies first, in the order modprobe would load them.
for wanted in virtio_pci 9pnet_virtio 9p overlay; do
    modprobe -d "$kernel" -S "$version" --show-depends "$wanted"
done | sed -n 's/^insmod \([^ ]*\).*/\1/p' | awk '!seen[$0]++' >"$work/modules/order.full"
: >"$work/modules/order"
while read -r module; do
    name=$(basename "$module")
    case "$name" in
    *.xz) xz -dc "$module" >"$work/modules/${name%.xz}"; name=${name%.xz} ;;
    *.zst) zstd -qdc "$module" >"$work/modules/${name%.zst}"; name=${name%.zst} ;;
    *) cp "$module" "$work/modules/$name" ;;
    esac
    echo "$name" >>"$work/modules/order"
done <"$work/modules/order.full"
rm "$work/modules/order.full"

(cd "$work" && find . | cpio -o -H newc --quiet) | gzip -1 >"$output"
