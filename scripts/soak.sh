#!/usr/bin/env bash
# The soak: seeded end-to-end runs of the command through DoProcess under
# Wine's heap checking, each checked against a model (tests/soak/soak.cpp).
# Usage: soak.sh [--seed S] [--runs N] [--minutes M]: runs the seeds S, S+1,
# ... until N runs are done or M minutes have passed, on the architecture
# the other scripts choose (KESTRIN_ARCH forces it). Each failure names its
# seed, the invariant broken and the command that replays that seed alone;
# the last line is "N passed, M failed". Set BUILD_DIR to use another folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

seed=20241210
runs=
minutes=
while [ $# -gt 0 ]; do
    case $1 in
    --seed) seed=${2:?}; shift 2 ;;
    --runs) runs=${2:?}; shift 2 ;;
    --minutes) minutes=${2:?}; shift 2 ;;
    *) echo "usage: soak.sh [--seed S] [--runs N] [--minutes M]" >&2; exit 2 ;;
    esac
done
[ -n "$runs" ] || { [ -n "$minutes" ] && runs=100000000 || runs=1000; }

"$root/scripts/setup.sh" "$build"
. "$root/scripts/architectures.sh"
build_arch i686 kestrin kestrin_soak
choose_archs soak

# Progress on one line where someone watches; a line a minute into a log.
progress_at=0
show_progress() {
    local now=$1 final=${2:-}
    if [ -t 2 ]; then
        [ -z "$final" ] && [ "$now" -eq "$progress_at" ] && return
    else
        [ -z "$final" ] && [ $((now - progress_at)) -lt 60 ] && return
    fi
    progress_at=$now
    local done=$((passed + failed)) elapsed=$((now - started))
    local rate=0 left=unknown
    if [ "$elapsed" -gt 0 ] && [ "$done" -gt 0 ]; then
        rate=$((done * 60 / elapsed))
        left=$(( (runs - done) * elapsed / done ))
        [ -n "$minutes" ] && [ $((started + minutes * 60 - now)) -lt "$left" ] && left=$((started + minutes * 60 - now))
        left="$((left / 60)) min $((left % 60)) s"
    fi
    local line="soak: $arch: $done of $runs runs, $rate runs/min, $failed failed, $left left"
    if [ -t 2 ]; then printf '\r\033[K%s' "$line" >&2; else echo "$line" >&2; fi
}

say() {
    [ -t 2 ] && printf '\r\033[K' >&2
    echo "$@"
}

# soak_arch ARCH: the runs on one architecture; the counts go to $result.
soak_arch() {
    arch=$1
    arch_build=$build/$arch
    . "$root/scripts/wine-session.sh"
    start_wine_session
    passed=0
    failed=0
    again=0
    started=$(date +%s)
    local next=$seed last=$((seed + runs)) current= current_failed= ended line stalled= stalled_before=
    while [ "$next" -lt "$last" ]; do
        local seconds=0
        if [ -n "$minutes" ]; then
            seconds=$((started + minutes * 60 - $(date +%s)))
            [ "$seconds" -gt 0 ] || break
        fi
        ended=
        local first=$next
        # What else the process said (Wine's own messages), for a run it dies in.
        local other=$arch_build/soak-output.log
        : >"$other"
        # Many runs a process; one that dies costs only the seed it was on.
        while IFS= read -r line; do
            case $line in
            "run "*)
                current=${line#run }
                current_failed=
                ;;
            "fail "*)
                local rest=${line#fail * }
                say "FAILED seed ${current:-?} ($arch): ${rest}"
                say "  replay: KESTRIN_ARCH=$arch scripts/soak.sh --seed ${current:-?} --runs 1"
                current_failed=1
                ;;
            "done "*)
                if [ -n "$current_failed" ]; then failed=$((failed + 1)); else passed=$((passed + 1)); fi
                next=$((current + 1))
                current=
                show_progress "$(date +%s)"
                ;;
            "again "*)
                again=$((again + 1))
                case $line in *": stalled "*) stalled=$current; say "soak: seed $current made again: ${line#again * }" ;; esac
                echo "$line" >>"$other"
                ;;
            "note "*) say "${line#note }" ;;
            "where "*) say "  stuck ${line#where * }" ;;
            end) ended=1 ;;
            *:err:heap:* | *:warn:heap:*)
                if [ -n "$current" ] && [ -z "$current_failed" ]; then
                    say "FAILED seed $current ($arch): heap: ${line:0:300}"
                    say "  replay: KESTRIN_ARCH=$arch scripts/soak.sh --seed $current --runs 1"
                    current_failed=1
                fi
                echo "$line" >>"$other"
                ;;
            *) echo "$line" >>"$other" ;;
            esac
        done < <(cd "$arch_build" && WINEDEBUG=-all,err+heap,warn+heap \
                 "$wine_run" tests/kestrin_soak.exe --seed "$next" --runs $((last - next)) --seconds "$seconds" \
                 --verbose $((runs == 1)) </dev/null 2>&1)
        if [ -n "$current" ] && [ "$stalled" = "$current" ] && [ -z "$current_failed" ] \
            && [ "$stalled_before" != "$current" ]; then
            # The test host stalled before the run's DLL was loaded: the
            # same seed once more in a new process.
            stalled_before=$current
            next=$current
            current=
        elif [ -n "$current" ]; then
            if [ -z "$current_failed" ]; then
                say "FAILED seed $current ($arch): process: the soak program ended during this run; its last words:"
                tail -n 5 "$other" | cut -c1-300 | sed 's/^/    /'
                say "  replay: KESTRIN_ARCH=$arch scripts/soak.sh --seed $current --runs 1"
            fi
            failed=$((failed + 1))
            next=$((current + 1))
            current=
        elif [ -z "$ended" ] && [ "$next" -eq "$first" ]; then
            say "soak: $arch: the soak program ended before its first run" >&2
            return 1
        elif [ -n "$ended" ]; then
            break
        fi
    done
    show_progress "$(date +%s)" final
    [ -t 2 ] && echo >&2
    local elapsed=$(($(date +%s) - started))
    echo "soak: $arch: $((passed + failed)) runs in $elapsed s ($(( (passed + failed) * 60 / (elapsed > 0 ? elapsed : 1) )) runs/min);" \
        "$again made again (the display reset the keyboard state, or the test host stalled before the DLL was loaded)"
    echo "$passed $failed" >"$result"
}

total_passed=0
total_failed=0
for arch in $archs; do
    [ "$arch" = i686 ] || build_arch "$arch" kestrin kestrin_soak
    # Per architecture: soaks of both may run at once, each on its own display.
    result=$build/$arch/soak-result
    rm -f "$result"
    (soak_arch "$arch") || true
    [ -e "$result" ] || { echo "soak: $arch did not run" >&2; exit 1; }
    read -r p f <"$result"
    total_passed=$((total_passed + p))
    total_failed=$((total_failed + f))
done
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
