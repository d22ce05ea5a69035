#!/usr/bin/env bash
# Makes the test guest's image once per machine (scripts/guest.sh): a
# minimal Debian of this machine's release with a kernel, 32-bit Wine,
# Xvfb, ctest, the Japanese locale and font, and a Wine prefix made by the
# guest itself through prepare_wine_prefix, exactly as the tests use it.
# Prints the image's folder. Needs root (debootstrap) and the tools that
# set-up installs for it; about 5 minutes, then instant while the recipe is
# unchanged.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/guest.sh"

missing=$(guest_tools_missing)
if [ -n "$missing" ]; then
    echo "guest: missing $(echo $missing); scripts/setup.sh BUILD_DIR guest installs them" >&2
    exit 1
fi
dir=$(guest_dir)
mkdir -p "$guest_cache"
exec 9>"$guest_cache/lock"
flock 9
if [ -e "$dir/ready" ]; then
    printf '%s\n' "$dir"
    exit 0
fi

mirror=$(guest_mirror)
work="$dir.work"
tree="$work/tree"
unmount_tree() {
    if mountpoint -q "$tree/proc" 2>/dev/null; then umount "$tree/proc"; fi
}
unmount_tree
rm -rf "$work"
mkdir -p "$work"
trap unmount_tree EXIT
start=$SECONDS

echo "guest: making a Debian $guest_suite image in $dir" >&2
debootstrap --variant=minbase --include=linux-image-amd64,initramfs-tools \
    "$guest_suite" "$tree" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }

mount -t proc proc "$tree/proc"
cp /etc/resolv.conf "$tree/etc/resolv.conf" 2>/dev/null || true
# Nothing installed here may start a service in the tree.
printf '#!/bin/sh\nexit 101\n' >"$tree/usr/sbin/policy-rc.d"
chmod +x "$tree/usr/sbin/policy-rc.d"
chroot "$tree" /bin/sh -ec "
    export DEBIAN_FRONTEND=noninteractive LC_ALL=C
    dpkg --add-architecture i386
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends $guest_packages
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    apt-get clean
    rm -rf /var/lib/apt/lists/*
" >"$work/packages.log" 2>&1 || { tail -n 20 "$work/packages.log" >&2; exit 1; }
rm -f "$tree/usr/sbin/policy-rc.d"
unmount_tree

# The guest's only process at start: the job on the share, then power off.
# Minbase has no init system and no poweroff; the exit status travels back
# in a file, as qemu's own does not carry it.
cat >"$tree/sbin/kestrin-init" <<'INIT'
#!/bin/sh
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
# The initramfs hands over /sys and /dev already mounted.
mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
modprobe 9pnet_virtio
modprobe 9p
mkdir -p /kestrin-job
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000 kestrin-job /kestrin-job; then
    bash /kestrin-job/job.sh </dev/null >/kestrin-job/job.log 2>&1
    echo $? >/kestrin-job/status
fi
sync
mount -o remount,ro / 2>/dev/null
echo o >/proc/sysrq-trigger
sleep 60
INIT
chmod +x "$tree/sbin/kestrin-init"
cp "$(ls "$tree"/boot/vmlinuz-* | tail -n 1)" "$work/vmlinuz"
cp "$(ls "$tree"/boot/initrd.img-* | tail -n 1)" "$work/initrd.img"
mkdir -p "$tree$guest_prefix"
rm -f "$work/disk.img"
truncate -s "$guest_image_size" "$work/disk.img"
mkfs.ext4 -q -F -L kestrin -d "$tree" "$work/disk.img"
rm -rf "$tree"
echo "guest: image made in $((SECONDS - start)) s; making the Wine prefix in the guest" >&2

# The prefix, by the project's own set-up run in the guest. Its Wine
# environment is this build's, with the prefix in the image.
job="$work/job"
mkdir -p "$job/env"
sed -e "s|@PROJECT_SOURCE_DIR@|$root|g" -e "s|@KESTRIN_ARCH@|i686|g" \
    -e "s|@CMAKE_BINARY_DIR@|/kestrin-job/env|g" -e "s|@KESTRIN_LOCALE_DIR@|/nonexistent|g" \
    "$root/cmake/wine-env.in" >"$job/env/wine-env"
{
    guest_mount_line kestrin-root "$root"
    printf 'export KESTRIN_WINEPREFIX=%q\n' "$guest_prefix"
    printf 'root=%q\narch_build=/kestrin-job/env\n' "$root"
    printf '. "$root/scripts/wine-session.sh"\n'
    printf 'prepare_wine_prefix || exit\n'
    printf '"$wine_server" -k >/dev/null 2>&1\n"$wine_server" -w >/dev/null 2>&1\nexit 0\n'
} >"$job/job.sh"
prefix_start=$SECONDS
status=0
guest_boot "$work" "$job" 900 -virtfs \
    "local,path=$root,mount_tag=kestrin-root,security_model=none,readonly=on" >&2 || status=$?
if [ "$status" != 0 ]; then
    echo "guest: making the Wine prefix failed (exit $status); the guest's console is in $job/console.log" >&2
    exit 1
fi
echo "guest: Wine prefix made in $((SECONDS - prefix_start)) s (boot included)" >&2
rm -rf "$job"
touch "$work/ready"
# Only the newest image is kept.
for old in "$guest_cache"/*; do
    [ -d "$old" ] && [ "$old" != "$work" ] && rm -rf "$old"
done
mv "$work" "$dir"
printf '%s\n' "$dir"
