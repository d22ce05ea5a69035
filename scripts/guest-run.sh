#!/usr/bin/env bash
# Runs the test suite of a built i686 folder in the emulated guest
# (scripts/guest.sh), for machines whose kernel refuses 32-bit programs:
# the build's own ctest files and Wine wrapper through run-suite.sh, as on
# a machine that runs them natively, with the image's ready Wine prefix and
# the time limits stretched. Makes the image first if needed. Ends with
# ctest's summary and its exit status; when the run fails, the guest's
# console stays in the build's guest folder.
# Usage: guest-run.sh I686_BUILD_DIR [CTEST_ARGS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
arch_build=$(cd "${1:?build folder of the i686 architecture}" && pwd)
shift
. "$root/scripts/guest.sh"

dir=$("$root/scripts/guest-image.sh")
build=$(dirname "$arch_build")
job="$arch_build/guest"
rm -rf "$job"
mkdir -p "$job"

shares=(-virtfs "local,path=$root,mount_tag=kestrin-root,security_model=none")
{
    guest_mount_line kestrin-root "$root"
    case "$build/" in
    "$root"/*) ;;
    *)
        shares+=(-virtfs "local,path=$build,mount_tag=kestrin-build,security_model=none")
        guest_mount_line kestrin-build "$build"
        ;;
    esac
    printf 'export KESTRIN_WINEPREFIX=%q KESTRIN_TEST_TIME_SCALE=%q\n' "$guest_prefix" "$guest_time_scale"
    printf 'exec %q %q' "$root/scripts/run-suite.sh" "$arch_build"
    [ $# -eq 0 ] || printf ' %q' "$@"
    printf '\n'
} >"$job/job.sh"

status=0
guest_boot "$dir" "$job" "$guest_time_limit" -snapshot "${shares[@]}" || status=$?
if [ "$status" = 0 ]; then
    rm -rf "$job"
elif [ "$status" = 125 ]; then
    echo "guest: the guest ended without an exit status; its console is in $job/console.log" >&2
else
    echo "guest: the guest's console is in $job/console.log" >&2
fi
exit "$status"
