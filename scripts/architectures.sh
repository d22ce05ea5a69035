# Sourced by the run scripts: which architecture runs here, and building it.
# The shipped KESTRIN.DLL is i686; where this machine cannot run 32-bit
# Windows programs, its 64-bit twin (x86_64, the same sources) runs instead.
# KESTRIN_ARCH=i686, x86_64 or both forces the choice. Expects $root (the
# checkout) and $build (the build folder; each architecture builds in its
# own subfolder).

# Builds one architecture: build_arch ARCH [TARGET...]. The i686 DLL is
# always the shipped file that the tests of either architecture check.
build_arch() {
    local arch=$1
    shift
    local targets=()
    local target
    for target in "$@"; do targets+=(--target "$target"); done
    cmake -S "$root" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
        -DBUILD_TESTING=ON -DKESTRIN_LOCALE_DIR="$build/locale" \
        -DKESTRIN_SHIPPED_DLL="$build/i686/src/KESTRIN.DLL" >/dev/null
    cmake --build "$build/$arch" -j"$(nproc)" "${targets[@]}"
}

# Whether this kernel starts 32-bit programs at all, found by trying one:
# an i386 ELF file of 96 bytes that only exits with 42, written here so
# that the answer needs no 32-bit tool or library. KESTRIN_NO_IA32=1 makes
# it answer no, to take the path of such kernels on any machine. Sets
# kernel32_why when it does not.
kernel_runs_32bit() {
    kernel32_why=
    if [ "${KESTRIN_NO_IA32:-0}" = 1 ]; then
        kernel32_why="taken as refusing them, as KESTRIN_NO_IA32=1 asks"
        return 1
    fi
    local probe="$build/arch-probe/probe32.elf"
    if [ ! -x "$probe" ]; then
        mkdir -p "$build/arch-probe"
        # ELF header, one loadable segment at 0x08048000, then
        # mov ebx,42; mov eax,1 (exit); int 0x80.
        local hex=7f454c460101010000000000000000000200030001000000548004083400000000000000000000003400200001000000000000000100000000000000008004080080040860000000600000000500000000100000bb2a000000b801000000cd80
        printf "$(sed 's/../\\x&/g' <<<"$hex")" >"$probe.new"
        chmod +x "$probe.new"
        mv "$probe.new" "$probe"
    fi
    local out status=0
    # Through bash, which names a refused program's error.
    out=$(timeout 20 bash -c 'exec "$0"' "$probe" 2>&1 </dev/null) || status=$?
    case $status in
    42) return 0 ;;
    126) out=${out%%$'\n'*}; kernel32_why="the kernel does not start 32-bit programs (${out##*: })" ;;
    *) kernel32_why="a 32-bit test program did not run (exit $status)" ;;
    esac
    return 1
}

# Tries a tiny 32-bit Windows program through 32-bit Wine, with a time
# limit: an emulated machine can hang. Needs the i686 build configured
# (its Wine wrapper and prefix). Sets i686_why when it cannot run.
i686_runs() {
    i686_why=
    if ! kernel_runs_32bit; then
        i686_why=$kernel32_why
        return 1
    fi
    if [ ! -x /usr/lib/wine/wine ]; then
        i686_why="32-bit Wine (wine32:i386) is not installed"
        return 1
    fi
    local probe="$build/arch-probe"
    mkdir -p "$probe"
    if [ ! -e "$probe/probe32.exe" ]; then
        printf 'int main(void) { return 42; }\n' >"$probe/probe32.c"
        i686-w64-mingw32-gcc -o "$probe/probe32.exe" "$probe/probe32.c"
    fi
    local status=0
    # A new prefix is made on the way, which takes a while the first time.
    timeout -k 5 180 "$build/i686/wine-run" "$probe/probe32.exe" </dev/null >"$probe/wine.log" 2>&1 || status=$?
    case $status in
    42) return 0 ;;
    124|137) i686_why="32-bit Wine did not finish a test program within 180 s" ;;
    *) i686_why="32-bit Wine failed to run a test program (exit $status, see $probe/wine.log)" ;;
    esac
    return 1
}

# choose_archs WHO: sets archs to the architectures to run and prints one
# line saying which and why. WHO names the script; the test suite runs on
# both architectures under CI where both can run. Where 32-bit programs
# cannot run and nothing forced the choice, the tests also set guest_archs
# to i686: the shipped DLL's suite then runs in an emulated guest
# (scripts/guest-run.sh) after the twin's.
choose_archs() {
    local who=$1
    guest_archs=
    case "${KESTRIN_ARCH:-}" in
    i686)
        archs=i686
        echo "$who: architecture i686 (the shipped KESTRIN.DLL), as KESTRIN_ARCH asks"
        ;;
    x86_64)
        archs=x86_64
        echo "$who: architecture x86_64 (the 64-bit twin of KESTRIN.DLL), as KESTRIN_ARCH asks"
        ;;
    both)
        archs="i686 x86_64"
        echo "$who: architectures i686 (the shipped KESTRIN.DLL) and x86_64 (its 64-bit twin), as KESTRIN_ARCH asks"
        ;;
    "")
        if i686_runs; then
            if [ "$who" = test ] && [ "${CI:-}" = true ]; then
                archs="i686 x86_64"
                echo "$who: architectures i686 (the shipped KESTRIN.DLL) and x86_64 (its 64-bit twin), both under CI"
            else
                archs=i686
                echo "$who: architecture i686 (the shipped KESTRIN.DLL)"
            fi
        else
            archs=x86_64
            echo "$who: architecture x86_64 (the 64-bit twin of KESTRIN.DLL): 32-bit Windows programs cannot run here: $i686_why"
            if [ "$who" = test ]; then
                if [ "${KESTRIN_GUEST:-1}" = 0 ]; then
                    echo "$who: the tests of the shipped i686 KESTRIN.DLL do not run, as KESTRIN_GUEST=0 asks"
                else
                    guest_archs=i686
                    echo "$who: then the tests of the shipped i686 KESTRIN.DLL in an emulated 32-bit-capable guest (KESTRIN_GUEST=0 skips them)"
                fi
            fi
        fi
        ;;
    *)
        echo "$who: KESTRIN_ARCH must be i686, x86_64 or both, not '$KESTRIN_ARCH'" >&2
        return 1
        ;;
    esac
}
