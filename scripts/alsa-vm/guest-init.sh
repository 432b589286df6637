#!/bin/busybox sh
# The guest's first process: the host's root read-only over virtio-9p under a tmpfs overlay,
# the results share at its host path, then one command in that root, then power off.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for module in $(cat /modules/order); do
    insmod "/modules/$module" 2>/dev/null
done

arg() { sed -n "s/.*vireo\.$1=\([^ ]*\).*/\1/p" /proc/cmdline; }
run=$(arg run)
out=$(arg out)

mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 root /mnt/lower
mount -t tmpfs -o size=768m rw /mnt/rw
mkdir -p /mnt/rw/upper /mnt/rw/work
mount -t overlay overlay -o lowerdir=/mnt/lower,upperdir=/mnt/rw/upper,workdir=/mnt/rw/work /mnt/root
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 out "/mnt/root$out"
mount -t proc proc /mnt/root/proc
mount -t sysfs sys /mnt/root/sys
mount -t devtmpfs dev /mnt/root/dev
mkdir -p /mnt/root/dev/pts /mnt/root/dev/shm
mount -t devpts devpts /mnt/root/dev/pts
mount -t tmpfs shm /mnt/root/dev/shm
mount -t tmpfs run /mnt/root/run
hostname vireo-guest

echo "vireo-guest: running $run"
chroot /mnt/root /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 VIREO_GUEST_OUT="$out" /bin/bash -c "$run"
echo "$?" >"/mnt/root$out/guest-status"
sync
umount "/mnt/root$out"
poweroff -f
