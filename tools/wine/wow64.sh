# shellcheck shell=bash
# 32-bit Windows programs under wine64's WoW64 mode, in the harness session of lib.sh.
#
# wine64 runs 32-bit console programs once the Windows-side i386 DLLs of Debian's
# libwine:i386 are there (tools/lib/setup.sh unpacks them under build/wine-i386; lib.sh
# points WINEDLLPATH at them and makes the prefix with a filled syswow64). Window programs
# do not run that way in Wine 8 ("no driver could be loaded"): the GUI is tested 64-bit.
#
# Source after tools/wine/lib.sh, once kl_wine_start has succeeded:
#
#   kl_wine_wow64_ready        succeeds when 32-bit programs can run; otherwise says why
#   kl_wine_run32 EXE [ARGS]   kl_wine_run for a program that must be a 32-bit (i386) one

# The machine field of a PE file's header, as four hex digits (014c for i386, 8664 for x64).
kl__pe_machine() {
    local offset
    offset=$(od -An -t u4 -j 60 -N 4 -- "$1" 2>/dev/null | tr -d ' ') || return 1
    [[ -n $offset ]] || return 1
    od -An -t x2 -j $((offset + 4)) -N 2 -- "$1" 2>/dev/null | tr -d ' '
}

kl_wine_wow64_ready() {
    kl__require_started kl_wine_wow64_ready || return 1
    if ! kl__wow64_dlls; then
        kl__error "no i386 Windows DLLs for WoW64 in $KL_WINE_I386_DLLPATH" \
            "tools/lib/setup.sh (kl_install_wow64) unpacks Debian's libwine:i386 there"
        return 1
    fi
    if [[ ${WINEDLLPATH:-} != "$KL_WINE_I386_DLLPATH" ]]; then
        kl__error "WINEDLLPATH is '${WINEDLLPATH:-}', not $KL_WINE_I386_DLLPATH"
        return 1
    fi
    if ! kl__prefix_has_wow64; then
        kl__error "the prefix $(kl__prefix) has no 32-bit system DLLs in syswow64" \
            "remove it: the harness makes it afresh with them"
        return 1
    fi
    return 0
}

kl_wine_run32() {
    local exe=${1:-} machine
    if [[ -z $exe || ! -f $exe ]]; then
        kl__error "kl_wine_run32: no such program: ${exe:-(none given)}"
        return 2
    fi
    machine=$(kl__pe_machine "$exe") || machine=""
    if [[ $machine != 014c ]]; then
        kl__error "kl_wine_run32: $exe is not a 32-bit Windows program (machine '${machine:-unknown}')"
        return 2
    fi
    kl_wine_wow64_ready || return 1
    kl_wine_run "$@"
}
