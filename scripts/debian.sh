# Sourced by set-up, the guest and the clean room: the Debian releases that
# KESTRIN builds on (12 bookworm, 13 trixie) and where their packages come
# from. What differs between the releases is decided here and nowhere else.

debian_releases="bookworm trixie"

# debian_codename [ROOT]: the release of the system in ROOT (default /).
debian_codename() {
    local codename
    codename=$( . "${1:-}/etc/os-release" 2>/dev/null && printf '%s\n' "${VERSION_CODENAME:-}")
    case " $debian_releases " in
    *" $codename "*) printf '%s\n' "$codename" ;;
    *)
        echo "debian: ${1:-this machine} is Debian ${codename:-of no known release}, not one of: $debian_releases" >&2
        return 1
        ;;
    esac
}

# The URIs of this machine's apt sources whose suites include SUITE, in
# either format (deb822 .sources files, one-line .list files).
apt_source_uris() {
    local suite=$1
    {
        cat /etc/apt/sources.list.d/*.sources 2>/dev/null
        echo
    } | awk -v suite="$suite" '
        /^URIs:/ { uris = $2 }
        /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) found = 1 }
        /^[ \t]*$/ { if (found && uris != "") print uris; uris = ""; found = 0 }'
    cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        awk -v suite="$suite" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i ~ /^[a-z]+:\/\// && $(i + 1) == suite) print $i }'
}

# debian_mirror SUITE: the Debian mirror this machine's apt already uses
# (on CI the only package source that can be reached). A mirror serves
# every release, so for a release this machine has no source of, the
# mirror of its own release does.
debian_mirror() {
    local url
    url=$(apt_source_uris "$1" | head -n 1)
    if [ -z "$url" ]; then
        local own
        own=$(debian_codename) && url=$(apt_source_uris "$own" | head -n 1)
    fi
    [ -n "$url" ] || { echo "debian: no apt source for Debian $1 (nor this machine's release) to take a mirror from" >&2; return 1; }
    printf '%s\n' "$url"
}

# debian_security_mirror SUITE: likewise for the security archive, which a
# new machine also has; empty where this machine has none.
debian_security_mirror() {
    local url own
    url=$(apt_source_uris "$1-security" | head -n 1)
    if [ -z "$url" ] && own=$(debian_codename 2>/dev/null); then
        url=$(apt_source_uris "$own-security" | head -n 1)
    fi
    printf '%s\n' "$url"
}

# debian_sources SUITE MIRROR [SECURITY_MIRROR]: the apt sources of a new
# machine of that release, in the deb822 form both releases install.
debian_sources() {
    local suite=$1 mirror=$2 security=${3:-}
    printf 'Types: deb\nURIs: %s\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$mirror" "$suite" "$suite"
    [ -z "$security" ] ||
        printf '\nTypes: deb\nURIs: %s\nSuites: %s-security\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
            "$security" "$suite"
}
