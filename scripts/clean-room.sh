#!/usr/bin/env bash
# A maintainer's check that the README's commands work on a new machine, as
# a new user runs them: a minimal root file system of a Debian release
# (debootstrap; made once per release and kept in the cache outside the
# checkout), this checkout's committed HEAD cloned into it, and then
# scripts/test.sh, scripts/demo.sh and scripts/package.sh run there as root
# with a clean environment. Prints one line per command with its result
# and time, and exits non-zero if any failed. KESTRIN_GUEST, KESTRIN_NO_IA32
# and KESTRIN_GUEST_TIME_LIMIT pass through to the commands. KESTRIN_CLEAN_ROOM_SOURCE
# adds one more apt source line to this run's root (to see set-up go on
# past an index that fails). Needs root and Debian's registry; takes
# minutes, most of an hour where the tests' guest runs.
# Usage: clean-room.sh bookworm|trixie
set -euo pipefail
# All of it is read before anything runs: the checkout may change while a
# check of an hour goes on, and bash reads a script as it goes.
{
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/debian.sh"

suite=${1:-}
case " $debian_releases " in
*" $suite "*) [ -n "$suite" ] ;;
*) echo "usage: clean-room.sh RELEASE, one of: $debian_releases" >&2; exit 2 ;;
esac
[ "$(id -u)" = 0 ] || { echo "clean-room: needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
commands=(scripts/test.sh scripts/demo.sh scripts/package.sh)
cache=${KESTRIN_CLEAN_ROOM_CACHE:-/var/cache/kestrin-clean-room}
base="$cache/$suite"
mkdir -p "$cache"

# The pristine root, once per release: minbase with the sources a new
# machine of that release has, and no service started by what the commands
# install (their daemons would outlive the check).
make_base() {
    exec 8>"$cache/lock-$suite"
    flock 8
    [ -e "$base/ready" ] && return 0
    command -v debootstrap >/dev/null || {
        echo "clean-room: installing debootstrap" >&2
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    }
    local mirror security
    mirror=$(debian_mirror "$suite")
    security=$(debian_security_mirror "$suite")
    echo "clean-room: making a minimal Debian $suite in $base from $mirror" >&2
    rm -rf "$base.work"
    debootstrap --variant=minbase "$suite" "$base.work" "$mirror" >"$cache/debootstrap-$suite.log" 2>&1 ||
        { tail -n 20 "$cache/debootstrap-$suite.log" >&2; return 1; }
    rm -f "$base.work/etc/apt/sources.list" "$base.work"/etc/apt/sources.list.d/*
    debian_sources "$suite" "$mirror" "$security" >"$base.work/etc/apt/sources.list.d/debian.sources"
    printf '#!/bin/sh\nexit 101\n' >"$base.work/usr/sbin/policy-rc.d"
    chmod +x "$base.work/usr/sbin/policy-rc.d"
    touch "$base.work/ready"
    mv "$base.work" "$base"
}
make_base

work=$(mktemp -d /var/tmp/kestrin-clean-room.XXXXXX)
tree="$work/root"
logs="$cache/logs/$suite-$(date -u +%Y%m%dT%H%M%SZ)"
mkdir -p "$logs"

# The mounts below the tree, deepest first.
tree_mounts() {
    awk -v t="$tree" '$2 == t || index($2, t "/") == 1 { print $2 }' /proc/mounts | sort -r
}

# However the check ends: its own processes (those whose root is the tree)
# stopped, every mount under the tree undone, and only then the tree
# removed, never through a mount that is still there.
clean_up() {
    local signal pid left
    for signal in TERM KILL; do
        left=
        for pid in /proc/[0-9]*; do
            [ "$(readlink "$pid/root" 2>/dev/null)" = "$tree" ] || continue
            kill -s "$signal" "${pid#/proc/}" 2>/dev/null && left=1
        done
        [ -z "$left" ] || sleep 2
    done
    local mount
    for mount in $(tree_mounts); do
        umount -R "$mount" 2>/dev/null || umount -l "$mount" 2>/dev/null || true
    done
    if [ -n "$(tree_mounts)" ]; then
        echo "clean-room: mounts under $tree remain; the tree is left in place" >&2
        return
    fi
    rm -rf "$work"
}
trap clean_up EXIT
trap 'exit 130' INT TERM HUP

cp -a "$base/." "$tree/"
rm -f "$tree/ready"
head=$(git -C "$root" rev-parse HEAD)
git clone -q --no-hardlinks "$root" "$tree/root/kestrin"
git -C "$tree/root/kestrin" checkout -q --detach "$head"
cp /etc/resolv.conf "$tree/etc/resolv.conf" 2>/dev/null || true
[ -z "${KESTRIN_CLEAN_ROOM_SOURCE:-}" ] ||
    printf '%s\n' "$KESTRIN_CLEAN_ROOM_SOURCE" >"$tree/etc/apt/sources.list.d/extra.list"
mount -t proc proc "$tree/proc"
mount --rbind /sys "$tree/sys"
mount --make-rslave "$tree/sys"
mount --rbind /dev "$tree/dev"
mount --make-rslave "$tree/dev"

passing=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin TERM=dumb)
for name in KESTRIN_GUEST KESTRIN_NO_IA32 KESTRIN_GUEST_TIME_LIMIT; do
    [ -z "${!name:-}" ] || passing+=("$name=${!name}")
done
given=${passing[*]:3}
echo "clean-room: Debian $suite, commit $head${given:+, with $given}; logs in $logs" >&2

results=()
failed=0
for command in "${commands[@]}"; do
    log="$logs/$(basename "$command" .sh).log"
    : >"$log"
    start=$SECONDS
    # Into a file, followed as it grows: a pipe could be held open by a
    # background process of the command.
    chroot "$tree" /usr/bin/env -i "${passing[@]}" /bin/bash -c 'cd /root/kestrin && exec "$0"' "$command" \
        </dev/null >"$log" 2>&1 &
    pid=$!
    # In the background, so that a signal ends the check at once.
    tail -n +1 -f --pid="$pid" "$log" 2>/dev/null &
    status=0
    wait "$pid" || status=$?
    wait $! 2>/dev/null || true
    if [ "$status" = 0 ]; then
        results+=("clean-room $suite: $command passed in $((SECONDS - start)) s")
    else
        results+=("clean-room $suite: $command FAILED (exit $status) in $((SECONDS - start)) s; log $log")
        failed=1
    fi
done
arch32=no
chroot "$tree" dpkg-query -W -f '${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && arch32=yes
printf '%s\n' "${results[@]}" "clean-room $suite: wine32:i386 installed: $arch32"
exit "$failed"
}
