# Sourced by the guest scripts: a virtual machine of this machine's own
# Debian release under qemu's software emulation, for machines whose kernel
# refuses 32-bit programs. The shipped i686 KESTRIN.DLL then still runs its
# tests, under 32-bit Wine inside the guest. Expects $root (the checkout).
. "$root/scripts/debian.sh"

# What goes into the guest besides a minimal Debian: 32-bit Wine and what
# the tests use around it (ctest, Xvfb, the Japanese locale and font).
guest_packages="wine wine32:i386 xvfb cmake locales fonts-ipafont-gothic fontconfig"
# The machine's own release, so that the guest's Wine is the one the twin
# runs here, and its packages come from the mirror this machine uses.
guest_suite=$(debian_codename)
# Where the image lives: once per machine, outside any checkout.
guest_cache=${KESTRIN_GUEST_CACHE:-/var/cache/kestrin-guest}
# The ready Wine prefix inside the image.
guest_prefix=/var/lib/kestrin/wineprefix
# Sparse; a full image uses about 2 GB.
guest_image_size=4G

guest_mirror() {
    debian_mirror "$guest_suite"
}

# The image's folder in the cache, named by a hash of everything that goes
# into it: the recipe above, the making and the guest's init
# (guest-image.sh) and the prefix's set-up. A change to any of them builds
# a new image.
guest_dir() {
    local key
    key=$( { printf '%s\n' "$guest_packages" "$guest_suite" "$guest_prefix" "$guest_image_size"
             guest_mirror
             cat "$root/scripts/guest-image.sh" "$root/scripts/wine-session.sh" "$root/scripts/wine-tools.sh" \
                 "$root/cmake/wine-env.in" "$root/cmake/japanese-fonts.reg"; } | sha256sum | cut -c1-16)
    printf '%s/%s\n' "$guest_cache" "$key"
}

# The guest's whole life: guest_boot DIR JOB_DIR TIME_LIMIT [QEMU_ARGS...]
# boots the image in DIR, where the guest's init mounts JOB_DIR (shared
# over 9p), runs its job.sh with the output in job.log and writes the exit
# status to status, then powers off. Extra arguments (more shares, or
# -snapshot) go to qemu. The guest's console goes to JOB_DIR/console.log,
# qemu's own messages to JOB_DIR/qemu.log.
# Returns the job's exit status, or 125 when the guest never wrote one.
guest_boot() {
    local dir=$1 job=$2 limit=$3
    shift 3
    rm -f "$job/status" "$job/job.log" "$job/console.log" "$job/qemu.log"
    : >"$job/job.log"
    # -cpu qemu64, not max: with max (SMAP on) the guest kernel oopses on
    # the return to every 32-bit user process.
    timeout -k 10 "$limit" qemu-system-x86_64 -machine pc -accel tcg,thread=multi -cpu qemu64 \
        -smp "$(guest_cpus)" -m 4G \
        -kernel "$dir/vmlinuz" -initrd "$dir/initrd.img" \
        -append "root=/dev/vda rw console=ttyS0 init=/sbin/kestrin-init quiet panic=1" \
        -drive file="$dir/disk.img",format=raw,if=virtio,cache=unsafe \
        -virtfs local,path="$job",mount_tag=kestrin-job,security_model=none \
        -nic none -display none -monitor none -serial file:"$job/console.log" -no-reboot \
        "$@" </dev/null >"$job/qemu.log" 2>&1 &
    local qemu=$!
    # The job's output as it comes, from the file the guest writes.
    tail -n +1 -f --pid="$qemu" "$job/job.log" 2>/dev/null || true
    local status=0
    wait "$qemu" || status=$?
    if [ "$status" = 124 ] || [ "$status" = 137 ]; then
        echo "guest: stopped after $limit s" >>"$job/qemu.log"
    fi
    if [ -s "$job/status" ]; then
        return "$(cat "$job/status")"
    fi
    return 125
}

# Both of this machine's cores at most: emulated cores beyond the real ones
# only slow each other down.
guest_cpus() {
    local n
    n=$(nproc)
    [ "$n" -gt 2 ] && n=2
    printf '%s\n' "$n"
}

# A host folder shared over 9p (qemu's -virtfs ...,mount_tag=TAG) is
# mounted at the same path in the guest, so that paths written into the
# build (ctest's files, the Wine wrapper) hold there too: guest_mount_line
# TAG PATH prints the job's line that mounts it. Through the guest's page
# cache (cache=loose): uncached, Wine's one large read of an executable's
# code section comes back short and the rest of the section is zeros, and
# Wine does not check. Nothing on the host changes these files during a
# run.
guest_mount_line() {
    printf 'mkdir -p %q && mount -t 9p -o trans=virtio,version=9p2000.L,msize=512000,cache=loose %q %q\n' "$2" "$1" "$2"
}

# The packages of the tools that making and booting the guest needs and
# this machine lacks, one a line; set-up installs them.
guest_tools_missing() {
    command -v qemu-system-x86_64 >/dev/null || echo qemu-system-x86
    command -v debootstrap >/dev/null || echo debootstrap
    command -v mkfs.ext4 >/dev/null || echo e2fsprogs
    command -v flock >/dev/null || echo util-linux
}

# The guest runs Wine about ten times slower than this machine does.
guest_time_scale=10
# A whole run in the guest stops after this many seconds.
guest_time_limit=${KESTRIN_GUEST_TIME_LIMIT:-2700}
