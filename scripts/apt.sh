# Sourced by set-up: Debian's package registry, which has bad days. An index
# can fail to download for hours, and a package can be uninstallable for a
# day; set-up goes on with what it can get and names what it could not.

apt_tries=3
apt_pause=15

# The indexes an apt-get update's output says failed, one a line.
apt_failed_indexes() {
    sed -n -e 's/^[EW]: Failed to fetch \([^ ]*\).*/\1/p' \
        -e "s/^E: The repository '\\([^']*\\)'.*/\\1/p" \
        -e 's/^W: GPG error: \([^ ]* [^ ]*\).*/\1/p' |
        sort -u
}

# apt_refresh: apt-get update, tried again after a pause while indexes fail;
# then it goes on with whatever came, naming in one line what did not.
apt_refresh() {
    local try out failed=
    for try in $(seq "$apt_tries"); do
        [ "$try" = 1 ] || sleep "$apt_pause"
        out=$(LC_ALL=C apt-get update -o DPkg::Lock::Timeout=600 2>&1) || true
        failed=$(printf '%s\n' "$out" | apt_failed_indexes)
        [ -n "$failed" ] || return 0
    done
    echo "setup: package indexes that failed $apt_tries times, left out: $(echo $failed)"
}

# apt's reason, in one line, from an apt-get install's output: the unmet
# dependency where there is one, else its first error.
apt_reason() {
    local reason
    reason=$(grep -m 1 -E ' : (Pre)?Depends:| : Breaks:| : Conflicts:' <<<"$1" | sed 's/^ *//') || true
    [ -n "$reason" ] || reason=$(grep -m 1 '^E:' <<<"$1") || true
    printf '%s\n' "${reason:-apt-get install failed}"
}

# apt-get install, quiet and unattended; apt_options may add options.
apt_get_install() {
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive LC_ALL=C apt-get install -y -q -o DPkg::Lock::Timeout=600 ${apt_options:-} "$@" 2>&1
}

# apt_install PACKAGE...: installs them together, or where that fails each
# on its own, so that one that cannot be had takes no other down with it.
# On failure apt_failures holds one line per package that did not install,
# with apt's reason.
apt_install() {
    apt_failures=
    local out
    out=$(apt_get_install "$@") && return 0
    if [ $# = 1 ]; then
        apt_failures="$1: $(apt_reason "$out")"
        return 1
    fi
    local package
    for package in "$@"; do
        out=$(apt_get_install "$package") && continue
        apt_failures+="$package: $(apt_reason "$out")"$'\n'
    done
    apt_failures=${apt_failures%$'\n'}
    [ -z "$apt_failures" ]
}
