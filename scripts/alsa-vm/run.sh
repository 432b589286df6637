#!/usr/bin/env bash
# Boots Debian's kernel in qemu (no KVM needed) with this machine's root shared read-only into
# the guest and runs one command there as root; what it writes into $VIREO_GUEST_OUT comes back
# in OUT_DIR. The kernel is fetched once and kept in CACHE_DIR.
# Usage: run.sh CACHE_DIR OUT_DIR COMMAND
# Exit status: the command's own in the guest; 77 where qemu cannot run at all.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$1" "$2"
cache=$(cd "$1" && pwd)
out=$(cd "$2" && pwd)
command=$3

qemu=$(command -v qemu-system-x86_64 || true)
if [[ -z "$qemu" ]] || ! "$qemu" -accel help 2>/dev/null | grep -qx tcg; then
    echo "SKIP: qemu-system-x86_64 with TCG is not available here" >&2
    exit 77
fi
if [[ "$command" == *" "* || "$out" == *" "* ]]; then
    echo "run.sh: the guest command and the results folder must not hold spaces" >&2
    exit 2
fi

kernel=$("$here/fetch-kernel.sh" "$cache/kernel")
version=$(ls "$kernel/lib/modules" | head -n1)
initrd="$cache/initrd-$version.gz"
if [[ ! -f "$initrd" || "$here/guest-init.sh" -nt "$initrd" || "$here/make-initramfs.sh" -nt "$initrd" ]]; then
    "$here/make-initramfs.sh" "$kernel" "$initrd.new"
    mv "$initrd.new" "$initrd"
fi

rm -f "$out/guest-status"
started=$(date +%s.%N)
"$qemu" -accel tcg -cpu max -smp 2 -m 1536 -nodefaults -no-reboot -display none \
    -serial stdio -kernel "$kernel/boot/vmlinuz-$version" -initrd "$initrd" \
    -append "console=ttyS0 quiet loglevel=3 panic=-1 vireo.run=$command vireo.out=$out vireo.kernel=$kernel" \
    -virtfs local,path=/,mount_tag=root,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$out,mount_tag=out,security_model=none" </dev/null
ended=$(date +%s.%N)
echo "qemu: boot to power-off in $(echo "$ended - $started" | bc 2>/dev/null || awk "BEGIN{print $ended - $started}") s"
if [[ ! -f "$out/guest-status" ]]; then
    echo "run.sh: the guest ended without running the command to its end" >&2
    exit 1
fi
exit "$(cat "$out/guest-status")"
