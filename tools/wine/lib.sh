# shellcheck shell=bash
# Wine harness for running Kestrelune and its Windows test programs.
#
# Source this file from bash (it works under `set -euo pipefail`), then:
#
#   kl_wine_start                   prefix, X server, one held wineserver, desktop, seeded registry
#   kl_wine_set_version VERSION     winxp | win2k | win7
#   kl_wine_run [--timeout S] EXE [ARGS...]
#   kl_wine_screenshot FILE [WINDOW_TITLE]
#   kl_wine_reset_program_key       HKCU\Software\Kestrelune back to its installed state
#   kl_wine_video_key               driver base key below HKLM named by \Device\Video0
#   kl_wine_windows_version         the version a program sees, e.g. 5.1.2600
#   kl_wine_winpath PATH            the Windows path (Z:\...) of a Linux path, without starting Wine
#   kl_wine_test_bin                the test programs built for KL_WINEARCH (build/win64/bin or
#                                   build/win32-tests/bin)
#   kl_wine_stop                    ends what kl_wine_start started; the prefix stays
#
# Callers should `trap kl_wine_stop EXIT` after a successful kl_wine_start.
#
# The X server is Xorg with the dummy video driver and tools/wine/xorg-crt.conf: a monitor
# with real modes and refresh rates, so that Windows programs enumerate display modes as on
# a PC (a virtual frame buffer such as Xvfb offers one mode at 0 Hz). It runs without root.
#
# Every run keeps its logs in a folder of its own, <prefix>.harness/logs/<date>-<time>-<pid>
# (`logs/last` points to the newest; the last KL_WINE_KEEP_LOGS folders are kept):
#   wine.log    every Wine command the harness ran itself, each under a "[kl-wine] ... $" line
#   xorg.log    the X server's log; xorg.out its console output
#   helper.log  the process that holds the desktop
#   seed.reg    the registry file of the last seeding
# An error of the harness names its log and prints the last lines the failed command wrote.
#
# Settings read from the environment (all optional):
#   KL_WINEARCH            win64 (default): a 64-bit Windows, loader /usr/lib/wine/wine64;
#                          win32: a 32-bit Windows as Kestrelune's users have it (no registry
#                          redirection, no syswow64), loader /usr/lib/wine/wine of Debian's
#                          wine32:i386; each has a prefix of its own
#   KL_WINEPREFIX          prefix folder of win64 (default $KL_ROOT/build/wineprefix)
#   KL_WINEPREFIX32        prefix folder of win32 (default $KL_ROOT/build/wineprefix32)
#   KL_WINE_LOADER         the Wine loader (default the one of KL_WINEARCH above)
#   KL_USE_DISPLAY         non-empty and not 0: use $DISPLAY when it answers, instead of
#                          starting an X server
#   KL_XORG                the Xorg binary (default /usr/lib/xorg/Xorg, else Xorg on PATH)
#   KL_XORG_CONF           its configuration (default tools/wine/xorg-crt.conf)
#   KL_WINEDEBUG           WINEDEBUG for every Wine process (default -all)
#   KL_WINEDLLOVERRIDES    WINEDLLOVERRIDES for every Wine process
#                          (default "mscoree=;mshtml=;winemenubuilder.exe=", see kl__env)
#   KL_WINE_RUN_TIMEOUT    default timeout of kl_wine_run in seconds (default 300)
#   KL_WINE_START_TIMEOUT  seconds to wait for the desktop's video key (default 60)
#   KL_WINE_KEEP_LOGS      log folders of earlier runs to keep (default 5, at least 1)
#   KL_WINE_ERROR_LINES    output lines an error shows of the failed command (default 20)
#   KL_SCREENSHOT_WAIT     seconds kl_wine_screenshot waits for a named window (default 10)
#
# Windows' own fonts: Debian's fonts-wine puts Marlett (the caption buttons), MS Sans Serif,
# Tahoma and Wine's other fonts in /usr/share/wine/fonts, but Debian's Wine 8 looks for them
# in "\??\Z:\usr\share\wine\../fonts", a path with a forward slash that Wine's file system
# takes for one name and never finds: they are never loaded, in an old prefix or a new one,
# and every text falls back to a wider Linux font. The harness copies them into the prefix's
# C:\windows\Fonts, where Windows keeps them and Wine loads every font of the folder.
#
# After kl_wine_start these are exported for the caller: WINEPREFIX, WINEARCH, WINEDEBUG,
# WINEDLLOVERRIDES, WINESERVER, WINELOADER, DISPLAY, and KL_VIDEO_KEY (driver base key),
# KL_VIDEO_GUID (its brace group), KL_WINE (the loader), KL_WINE_OWN_DISPLAY (1 when the
# harness runs its own X server, 0 when it uses the caller's display), KL_WINE_LOG_DIR (this
# run's log folder).
#
# Wine keeps HKLM\HARDWARE\DEVICEMAP\VIDEO and the driver key it names in volatile registry
# keys that are rebuilt whenever a wineserver starts, and creates them only once a desktop
# exists. That is why the server is held for the whole run and the seeding happens after the
# desktop is up, on every start.

KL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd -P)
KL_WINE_DIR=$KL_ROOT/tools/wine
KL_WINE_SEED_DIR=$KL_WINE_DIR/seed
KL_WINEARCH=${KL_WINEARCH:-win64}
# The 64-bit server serves the programs of a 32-bit prefix as well.
KL_WINESERVER=${KL_WINESERVER:-/usr/lib/wine/wineserver64}
KL_WINE_FONTS_DIR=${KL_WINE_FONTS_DIR:-/usr/share/wine/fonts}

# State of this shell's run; kept across a second `source` of this file.
KL__STARTED=${KL__STARTED:-0}
KL__LOCK_FD=${KL__LOCK_FD:-}
KL__XSERVER_PID=${KL__XSERVER_PID:-}
KL__HELPER_PID=${KL__HELPER_PID:-}
KL__SERVER_PID=${KL__SERVER_PID:-}
KL__RUN_DIR=${KL__RUN_DIR:-}
KL__SAVED_DISPLAY=${KL__SAVED_DISPLAY-__unset__}

# shellcheck source=tools/wine/lib_processes.sh
source "$KL_WINE_DIR/lib_processes.sh"
# shellcheck source=tools/wine/lib_display.sh
source "$KL_WINE_DIR/lib_display.sh"

kl__prefix() {
    if [[ $KL_WINEARCH == win32 ]]; then
        printf '%s\n' "${KL_WINEPREFIX32:-$KL_ROOT/build/wineprefix32}"
    else
        printf '%s\n' "${KL_WINEPREFIX:-$KL_ROOT/build/wineprefix}"
    fi
}

# kl_wine_test_bin: the folder of the Windows test programs (and the simulated card's
# driver) built for the prefix's architecture.
kl_wine_test_bin() {
    if [[ $KL_WINEARCH == win32 ]]; then
        printf '%s\n' "$KL_ROOT/build/win32-tests/bin"
    else
        printf '%s\n' "$KL_ROOT/build/win64/bin"
    fi
}

# The loader of the prefix's architecture.
kl__loader() {
    if [[ -n ${KL_WINE_LOADER:-} ]]; then
        printf '%s\n' "$KL_WINE_LOADER"
    elif [[ $KL_WINEARCH == win32 ]]; then
        printf '%s\n' /usr/lib/wine/wine
    else
        printf '%s\n' /usr/lib/wine/wine64
    fi
}
kl__state() { printf '%s\n' "$(kl__prefix).harness"; }

# A prefix this harness completed, or any folder below our build folder, is ours to manage
# (end its server, throw it away when incomplete); anything else is left untouched.
kl__prefix_is_ours() {
    local prefix
    prefix=$(kl__prefix)
    [[ -f $prefix/.kl-prefix-ready || $(realpath -m -- "$prefix") == "$KL_ROOT"/build/* ]]
}

kl__log() { printf '[kl-wine] %s\n' "$*" >&2; }

# kl__error MESSAGE [DETAIL...]; KL__BOX_KIND=WARNING for a failure the harness gets over.
kl__error() {
    {
        printf '\n'
        printf '**********************************************************************\n'
        printf '*** kl-wine %s: %s\n' "${KL__BOX_KIND:-ERROR}" "$1"
        shift
        local line
        for line in "$@"; do printf '***   %s\n' "$line"; done
        printf '**********************************************************************\n'
    } >&2
}

# The log of the Wine commands the harness runs itself.
kl__wine_log() { printf '%s\n' "${KL__RUN_DIR:-$(kl__state)}/wine.log"; }

# The lines the most recent command in LOG printed (those after its "[kl-wine] ... $" line),
# at most KL_WINE_ERROR_LINES of them.
kl__excerpt() {
    local log=$1
    [[ -s $log ]] || return 0
    awk 'index($0, "[kl-wine] ") == 1 && index($0, " $ ") { n = 0; next }
         index($0, "[kl-wine] ") == 1 { next }
         { line[++n] = $0 }
         END { for (i = 1; i <= n; i++) print line[i] }' "$log" | tail -n "${KL_WINE_ERROR_LINES:-20}"
}

# The last lines of a file, for errors about a program that writes its own log.
kl__tail() {
    [[ -s $1 ]] || return 0
    tail -n "${KL_WINE_ERROR_LINES:-20}" -- "$1"
}

# What the harness knows about the state of its run, for error messages: a failure of a
# Wine command is often that a server of the run has gone.
kl__health() {
    local pids
    [[ -n $KL__SERVER_PID ]] || return 0
    if kl__alive "$KL__SERVER_PID"; then
        printf 'the wineserver of this run (pid %s) is running\n' "$KL__SERVER_PID"
    else
        pids=$(kl__server_pids | tr '\n' ' ')
        printf 'the wineserver of this run (pid %s) has ended; running now: %s\n' \
            "$KL__SERVER_PID" "${pids:-none}"
    fi
    if [[ -n $KL__HELPER_PID ]] && ! kl__alive "$KL__HELPER_PID"; then
        printf 'the helper that holds the desktop (pid %s) has ended\n' "$KL__HELPER_PID"
    fi
    if [[ -n ${DISPLAY:-} ]] && ! kl__display_answers "$DISPLAY"; then
        printf 'the X display %s does not answer\n' "$DISPLAY"
    fi
}

# kl__cmd_error LOG MESSAGE [DETAIL...]: the error of a command whose output went to LOG,
# with its exit status and its last output lines.
kl__cmd_error() {
    local log=$1 message=$2 status lines=() health=()
    shift 2
    status=$(grep -a '^\[kl-wine\] exit status ' "$log" 2>/dev/null | tail -n 1 || true)
    status=${status#\[kl-wine\] }
    [[ $status == "exit status 124" ]] && status="$status (killed at its time limit)"
    mapfile -t lines < <(kl__excerpt "$log" | sed 's/^/  | /')
    ((${#lines[@]})) || lines=("  (it printed nothing)")
    mapfile -t health < <(kl__health)
    kl__error "$message" "$@" "${status:-no exit status recorded}" "${health[@]}" "log: $log" \
        "its last output lines:" "${lines[@]}"
}

# kl__logged LOG COMMAND...: runs a command of the harness with its output appended to LOG
# under a header line, then its exit status; returns that status.
kl__logged() {
    local log=$1 rc=0 shown
    shift
    shown=$*
    shown=${shown#kl__nolock }
    printf '[kl-wine] %s $ %s\n' "$(date '+%T')" "$shown" >>"$log"
    "$@" </dev/null >>"$log" 2>&1 || rc=$?
    printf '[kl-wine] exit status %s\n' "$rc" >>"$log"
    return "$rc"
}

# Runs a command with the harness lock closed, so that no process outlives the run holding it.
kl__nolock() {
    if [[ -n $KL__LOCK_FD ]]; then
        "$@" {KL__LOCK_FD}>&-
    else
        "$@"
    fi
}

# kl__wine_quiet LIMIT ARGS...: a Wine call for the harness itself, bounded in time, no
# console input, output to the run's wine.log.
kl__wine_quiet() {
    local limit=$1
    shift
    kl__logged "$(kl__wine_log)" kl__nolock timeout --kill-after=5 "$limit" "$KL_WINE" "$@"
}

# kl__wine_out LIMIT ARGS...: a Wine call whose standard output the caller wants; its errors
# (and, when it fails, its output) go to the run's wine.log.
kl__wine_out() {
    local limit=$1 log out rc=0
    shift
    log=$(kl__wine_log)
    printf '[kl-wine] %s $ %s\n' "$(date '+%T')" "wine $*" >>"$log"
    out=$(kl__nolock timeout --kill-after=5 "$limit" "$KL_WINE" "$@" </dev/null 2>>"$log") || rc=$?
    ((rc == 0)) || printf '%s\n' "$out" >>"$log"
    printf '[kl-wine] exit status %s\n' "$rc" >>"$log"
    printf '%s\n' "$out"
    return "$rc"
}

kl__env() {
    export WINEPREFIX
    WINEPREFIX=$(kl__prefix)
    export WINEARCH=$KL_WINEARCH
    export WINEDEBUG=${KL_WINEDEBUG:--all}
    # mscoree: no .NET runtime is wanted, and nothing may wait for an installer.
    # mshtml: there is no Gecko for Wine here; looking for it held every first creation of an
    # HTML browser control (Kestrelune's help window) for 2 to 3 s before the control failed,
    # which it now does at once. The help window shows its fallback either way.
    # winemenubuilder.exe: keeps Wine from writing menu entries and file associations into
    # the user's home. It is also what would otherwise create the first desktop after a
    # server start, so kl__desktop creates the desktop itself.
    export WINEDLLOVERRIDES=${KL_WINEDLLOVERRIDES-mscoree=;mshtml=;winemenubuilder.exe=}
    export WINESERVER=$KL_WINESERVER
    export WINELOADER=$KL_WINE
    export KL_WINE KL_WINEARCH
    # From an earlier harness that ran 32-bit console programs with unpacked DLLs.
    unset WINEDLLPATH
}

# What a prefix depends on beyond Wine itself: 32-bit Wine reports the display's modes only
# when the X libraries its display driver opens were there when the prefix was made.
kl__prefix_fingerprint() {
    local lib
    printf 'wine %s\n' "$("$KL_WINE" --version 2>/dev/null || true)"
    [[ $KL_WINEARCH == win32 ]] || return 0
    for lib in libXrandr.so.2 libXrender.so.1 libXinerama.so.1 libXcursor.so.1 libXi.so.6 \
        libXcomposite.so.1 libXfixes.so.3 libXxf86vm.so.1; do
        [[ -e /usr/lib/i386-linux-gnu/$lib ]] && printf '%s\n' "$lib"
    done
    return 0
}

# Copies Windows' fonts of fonts-wine into the prefix's font folder (see the top of this file).
kl__install_fonts() {
    local fonts
    fonts=$(kl__prefix)/drive_c/windows/Fonts
    if [[ ! -f $KL_WINE_FONTS_DIR/marlett.ttf || ! -f $KL_WINE_FONTS_DIR/tahoma.ttf ]]; then
        kl__error "Windows' fonts are missing: no marlett.ttf and tahoma.ttf in $KL_WINE_FONTS_DIR" \
            "install with: apt-get install -y --no-install-recommends fonts-wine"
        return 1
    fi
    if ! mkdir -p "$fonts" ||
        ! cp -u -- "$KL_WINE_FONTS_DIR"/*.ttf "$KL_WINE_FONTS_DIR"/*.fon "$fonts/"; then
        kl__error "cannot copy the fonts of $KL_WINE_FONTS_DIR into $fonts"
        return 1
    fi
}

kl__check_tools() {
    local missing=()
    if [[ $KL_WINEARCH == win32 ]]; then
        [[ -x $KL_WINE ]] || missing+=("$KL_WINE (Debian package wine32:i386, see tools/lib/setup.sh)")
    else
        [[ -x $KL_WINE ]] || missing+=("$KL_WINE (Debian package wine64)")
    fi
    [[ -x $KL_WINESERVER ]] || missing+=("$KL_WINESERVER (Debian package wine64)")
    command -v timeout >/dev/null 2>&1 || missing+=("timeout (coreutils)")
    command -v flock >/dev/null 2>&1 || missing+=("flock (util-linux)")
    if ((${#missing[@]})); then
        kl__error "required programs are missing" "${missing[@]}" \
            "install with: apt-get install -y wine64 xserver-xorg-core xserver-xorg-video-dummy xdotool imagemagick"
        return 1
    fi
    return 0
}

# One run per prefix at a time: a second run would share (and kill) the first one's server.
kl__lock() {
    local state lock holder=""
    state=$(kl__state)
    lock=$state/lock
    mkdir -p "$state" || { kl__error "cannot create $state"; return 1; }
    exec {KL__LOCK_FD}>>"$lock" || { kl__error "cannot open $lock"; KL__LOCK_FD=""; return 1; }
    if ! flock -n "$KL__LOCK_FD"; then
        holder=$(cat "$state/owner" 2>/dev/null || true)
        exec {KL__LOCK_FD}>&-
        KL__LOCK_FD=""
        kl__error "the Wine prefix is in use by another run" "prefix: $(kl__prefix)" \
            "holder: ${holder:-unknown}"
        return 1
    fi
    printf 'pid %s, started %s\n' "$BASHPID" "$(date '+%F %T')" >"$state/owner"
    return 0
}

# A log folder for this run; the oldest folders beyond KL_WINE_KEEP_LOGS go. Called with the
# lock held, so no other run is writing to the folders removed.
kl__open_run_logs() {
    local root base dir keep n=1 folders=()
    root=$(kl__state)/logs
    keep=${KL_WINE_KEEP_LOGS:-5}
    [[ $keep =~ ^[0-9]+$ && $keep -ge 1 ]] || keep=1
    # Two starts of one shell within a second get folders of their own (-2, -3, ...).
    base=$root/$(date '+%Y%m%d-%H%M%S')-$BASHPID
    dir=$base
    mkdir -p "$root" || { kl__error "cannot create the log folder $root"; return 1; }
    until mkdir "$dir" 2>/dev/null; do
        ((++n <= 100)) || { kl__error "cannot create a log folder $base-N in $root"; return 1; }
        dir=$base-$n
    done
    ln -sfn "${dir##*/}" "$root/last" || true
    mapfile -t folders < <(find "$root" -mindepth 1 -maxdepth 1 -type d -name '[0-9]*-[0-9]*' | LC_ALL=C sort)
    while ((${#folders[@]} > keep)); do
        rm -rf -- "${folders[0]}"
        folders=("${folders[@]:1}")
    done
    KL__RUN_DIR=$dir
    export KL_WINE_LOG_DIR=$dir
    return 0
}

kl__unlock() {
    if [[ -n $KL__LOCK_FD ]]; then
        exec {KL__LOCK_FD}>&-
        KL__LOCK_FD=""
    fi
    return 0
}

# Creates the prefix once. The marker is written only after a complete first boot whose
# server has exited (which is when Wine writes the registry files), so an interrupted
# creation is detected and redone. It holds what the prefix was made with; a prefix made
# with something else is made afresh.
kl__ensure_prefix() {
    local prefix log t0 fingerprint bits=64 setting=KL_WINEPREFIX
    prefix=$(kl__prefix)
    log=$(kl__wine_log)
    [[ $KL_WINEARCH == win32 ]] && bits=32 setting=KL_WINEPREFIX32
    fingerprint=$(kl__prefix_fingerprint)
    if [[ -f $prefix/.kl-prefix-ready ]]; then
        [[ $(tail -n +2 "$prefix/.kl-prefix-ready") != "$fingerprint" ]] || return 0
        kl__log "the prefix $prefix was made with another Wine or other X libraries; making it afresh"
        rm -f -- "$prefix/.kl-prefix-ready"
    fi
    if [[ -e $prefix ]]; then
        if ! kl__prefix_is_ours; then
            kl__error "$prefix exists but was not completed by this harness" \
                "remove it or point $setting elsewhere"
            return 1
        fi
        kl__log "removing the incomplete or outdated prefix $prefix"
        rm -rf -- "$prefix"
    fi
    mkdir -p "$(dirname "$prefix")"
    kl__log "creating the $bits-bit Wine prefix $prefix (once; takes some seconds)"
    t0=$SECONDS
    if ! kl__wine_quiet 300 wineboot --init; then
        kl__cmd_error "$log" "wineboot --init failed"
        return 1
    fi
    if ! kl__logged "$log" kl__nolock timeout 120 "$KL_WINESERVER" -w; then
        kl__cmd_error "$log" "the first Wine session did not end within 120 s"
        return 1
    fi
    if [[ ! -s $prefix/system.reg || ! -s $prefix/user.reg ||
        ! -f $prefix/drive_c/windows/system32/kernel32.dll ]]; then
        kl__error "the new prefix is incomplete (no registry files or no system DLLs)" \
            "prefix: $prefix" "log: $log"
        return 1
    fi
    # A 64-bit Windows has syswow64; a 32-bit one, as users have it, has none.
    if { [[ $KL_WINEARCH == win32 ]] && [[ -d $prefix/drive_c/windows/syswow64 ]]; } ||
        { [[ $KL_WINEARCH != win32 ]] && [[ ! -d $prefix/drive_c/windows/syswow64 ]]; }; then
        kl__error "the new prefix is not a $bits-bit Windows (syswow64 is wrong)" \
            "WINEARCH=$WINEARCH, loader $KL_WINE" "prefix: $prefix" "log: $log"
        return 1
    fi
    printf '%s\n%s\n' "$(date '+%F %T')" "$fingerprint" >"$prefix/.kl-prefix-ready"
    kl__log "prefix created in $((SECONDS - t0)) s"
    return 0
}

kl__start_server() {
    local log pids i
    log=$(kl__wine_log)
    # -p: the server stays until `wineserver -k`, so the volatile keys and our seeds live
    # for the whole run even while no program is running.
    if ! kl__logged "$log" kl__nolock "$KL_WINESERVER" -p; then
        kl__cmd_error "$log" "wineserver -p failed" "prefix: $(kl__prefix)"
        return 1
    fi
    # Its pid, so that an error later can tell whether the server of this run is still there.
    for ((i = 0; i < 50; i++)); do
        pids=$(kl__server_pids)
        [[ -n $pids ]] && break
        sleep 0.1
    done
    if [[ $pids == *$'\n'* ]]; then
        kl__error "more than one wineserver runs for $(kl__prefix): ${pids//$'\n'/ }" "log: $log"
        return 1
    fi
    if [[ -z $pids ]]; then
        kl__error "wineserver -p ended, but no wineserver runs for $(kl__prefix)" "log: $log"
        return 1
    fi
    KL__SERVER_PID=$pids
    printf '[kl-wine] the wineserver of this run is pid %s\n' "$pids" >>"$log"
    return 0
}

# A console process that waits for ever on a FIFO. It keeps the desktop (and so explorer,
# the tray and the video keys) alive between the programs of a run.
kl__start_helper() {
    local state fifo
    state=$(kl__state)
    fifo=$state/helper.fifo
    rm -f "$fifo"
    mkfifo "$fifo" || { kl__error "cannot create $fifo"; return 1; }
    kl__spawn "$state/helper.pid" "$KL_WINE" cmd.exe /q 0<>"$fifo" >>"$KL__RUN_DIR/helper.log" 2>&1
    KL__HELPER_PID=$(cat "$state/helper.pid")
    return 0
}

# Reads \Device\Video0 once; prints the base key or nothing.
kl__read_video_key() {
    local out data rest
    out=$(kl__wine_out 60 reg query 'HKLM\HARDWARE\DEVICEMAP\VIDEO' /v '\Device\Video0') || return 1
    data=$(printf '%s\n' "$out" | tr -d '\r' | grep -F 'REG_SZ' | head -n 1) || return 1
    data=${data#*REG_SZ    }
    rest=${data#*Machine\\}
    [[ $rest != "$data" && -n $rest ]] || return 1
    printf '%s\n' "$rest"
}

kl__desktop() {
    local log limit deadline key=""
    log=$(kl__wine_log)
    limit=${KL_WINE_START_TIMEOUT:-60}
    # Asking for the desktop window makes Wine start the desktop (explorer), which
    # registers the display adapter under HARDWARE\DEVICEMAP\VIDEO.
    if ! kl__wine_quiet 120 rundll32.exe user32.dll,GetDesktopWindow; then
        kl__cmd_error "$log" "could not create the Wine desktop" "DISPLAY=${DISPLAY:-}"
        return 1
    fi
    deadline=$((SECONDS + limit))
    while :; do
        key=$(kl__read_video_key) && break
        if ((SECONDS >= deadline)); then
            kl__cmd_error "$log" "HKLM\\HARDWARE\\DEVICEMAP\\VIDEO \\Device\\Video0 did not appear within $limit s" \
                "DISPLAY=${DISPLAY:-} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-}"
            return 1
        fi
        sleep 0.5
    done
    printf '%s\n' "$key"
}

# Turns a Linux path into the Z: path Wine programs understand.
kl_wine_winpath() {
    local path
    path=$(realpath -m -- "$1")
    path=${path//\//\\}
    printf 'Z:%s\n' "$path"
}

# Imports the given seed files as one REGEDIT4 file, with @VIDEO_KEY@ and @VIDEO_GUID@
# replaced by the driver base key and its brace group.
kl__import_seeds() {
    local out file line first
    out=$KL__RUN_DIR/seed.reg
    {
        printf 'REGEDIT4\r\n'
        for file in "$@"; do
            first=1
            while IFS= read -r line || [[ -n $line ]]; do
                line=${line%$'\r'}
                if ((first)); then
                    first=0
                    [[ $line == REGEDIT4 ]] && continue
                fi
                line=${line//@VIDEO_KEY@/"${KL_VIDEO_KEY:-}"}
                line=${line//@VIDEO_GUID@/"${KL_VIDEO_GUID:-}"}
                printf '%s\r\n' "$line"
            done <"$file"
            printf '\r\n'
        done
    } >"$out" || { kl__error "cannot write $out"; return 1; }
    if ! kl__wine_quiet 60 regedit.exe /s "$(kl_wine_winpath "$out")"; then
        kl__cmd_error "$(kl__wine_log)" "regedit could not import $out"
        return 1
    fi
    return 0
}

kl__make_program_folder() {
    mkdir -p "$(kl__prefix)/drive_c/Program Files/Kestrelune/Profiles" || {
        kl__error "cannot create C:\\Program Files\\Kestrelune\\Profiles in the prefix"
        return 1
    }
}

# Prints the data of a REG_SZ value, or fails when the value is missing.
kl__reg_sz() {
    local out line
    out=$(kl__wine_out 60 reg query "$1" /v "$2") || return 1
    line=$(printf '%s\n' "$out" | tr -d '\r' | grep -F '    REG_SZ    ' | head -n 1) || return 1
    printf '%s\n' "${line#*    REG_SZ    }"
}

kl__seed() {
    local key seeds=()
    key=$1
    if [[ $key != *\{*\}* ]]; then
        kl__error "the driver base key has no {GUID} part: $key"
        return 1
    fi
    export KL_VIDEO_KEY=$key
    local guid=${key#*\{}
    export KL_VIDEO_GUID="{${guid%%\}*}}"
    seeds=("$KL_WINE_SEED_DIR/windows-xp.reg" "$KL_WINE_SEED_DIR/radeon-8500.reg"
        "$KL_WINE_SEED_DIR/program.reg")
    # Wine's own prefix already names a DirectX version; ours only fills the gap.
    if ! kl__reg_sz 'HKLM\Software\Microsoft\DirectX' Version >/dev/null; then
        seeds+=("$KL_WINE_SEED_DIR/directx.reg")
    fi
    kl__import_seeds "${seeds[@]}" || return 1
    kl__make_program_folder || return 1
    local drv
    drv=$(kl__reg_sz "HKLM\\$key" drv) || drv=""
    if [[ $drv != ati2dvag ]]; then
        kl__cmd_error "$(kl__wine_log)" "seeding failed: HKLM\\$key \"drv\" reads '$drv' after the import" \
            "seed file: $KL__RUN_DIR/seed.reg"
        return 1
    fi
    return 0
}

kl_wine_start() {
    if [[ $KL__STARTED == 1 ]]; then
        if kl__alive "$KL__HELPER_PID"; then
            return 0
        fi
        kl__log "the held Wine session has gone; starting again"
        kl_wine_stop
    fi
    local t0=$SECONDS key lines=()
    KL_WINE=$(kl__loader)
    kl__check_tools || return 1
    kl__env
    if [[ $KL__SAVED_DISPLAY == __unset__ ]]; then
        KL__SAVED_DISPLAY=${DISPLAY-__none__}
    fi
    kl__lock || return 1
    if ! kl__open_run_logs || ! kl__clean_stale; then
        kl_wine_stop
        return 1
    fi
    if ! kl__display || ! kl__ensure_prefix || ! kl__install_fonts || ! kl__start_server ||
        ! kl__start_helper; then
        kl_wine_stop
        return 1
    fi
    if ! key=$(kl__desktop) || ! kl__seed "$key"; then
        kl_wine_stop
        return 1
    fi
    if ! kl__alive "$KL__HELPER_PID"; then
        mapfile -t lines < <(kl__tail "$KL__RUN_DIR/helper.log" | sed 's/^/  | /')
        kl__error "the helper process that holds the desktop has ended" "log: $KL__RUN_DIR/helper.log" \
            "${lines[@]}"
        kl_wine_stop
        return 1
    fi
    KL__STARTED=1
    kl__log "ready in $((SECONDS - t0)) s: DISPLAY=$DISPLAY, prefix $WINEPREFIX, driver key HKLM\\$KL_VIDEO_KEY, logs $KL__RUN_DIR"
    return 0
}

kl__require_started() {
    if [[ $KL__STARTED != 1 ]]; then
        kl__error "$1 needs a running harness: call kl_wine_start first"
        return 1
    fi
    return 0
}

kl_wine_set_version() {
    local version=${1:-}
    case $version in
    winxp | win2k | win7) ;;
    *)
        kl__error "kl_wine_set_version: unknown version '$version' (use winxp, win2k or win7)"
        return 1
        ;;
    esac
    kl__require_started kl_wine_set_version || return 1
    local log
    log=$(kl__wine_log)
    kl__wine_quiet 60 reg add 'HKCU\Software\Wine' /v Version /d "$version" /f && return 0
    # This once failed right after a start, on a busy machine, with no cause on record. The
    # failure is shown in full, and tried once more while the server of this run (which
    # holds the desktop and the seeded keys) still runs; without it a retry would only start
    # a fresh server that has neither.
    if [[ -n $KL__SERVER_PID ]] && kl__alive "$KL__SERVER_PID"; then
        KL__BOX_KIND=WARNING kl__cmd_error "$log" \
            "setting HKCU\\Software\\Wine Version to $version failed; trying once more"
        kl__wine_quiet 60 reg add 'HKCU\Software\Wine' /v Version /d "$version" /f && return 0
    fi
    kl__cmd_error "$log" "could not set HKCU\\Software\\Wine Version to $version"
    return 1
}

# Prints the Windows version a program sees, as `ver` reports it (e.g. 5.1.2600).
kl_wine_windows_version() {
    kl__require_started kl_wine_windows_version || return 1
    local out version
    out=$(kl__wine_out 60 cmd.exe /c ver) || { kl__cmd_error "$(kl__wine_log)" "cmd /c ver failed"; return 1; }
    version=$(printf '%s\n' "$out" | tr -d '\r' | grep -o -E '[0-9]+\.[0-9]+\.[0-9]+' | head -n 1) || true
    [[ -n $version ]] || { kl__error "cannot read a version from: $out"; return 1; }
    printf '%s\n' "$version"
}

kl_wine_video_key() {
    kl__require_started kl_wine_video_key || return 1
    kl__read_video_key || {
        kl__cmd_error "$(kl__wine_log)" "HKLM\\HARDWARE\\DEVICEMAP\\VIDEO has no text value \\Device\\Video0 naming a key"
        return 1
    }
}

# Runs EXE (a Linux path, or a program Wine finds such as cmd or reg) with the held server and
# display. Standard input, output and error pass through; the exit code is the program's.
# On timeout the program and the processes it started are killed and 124 is returned.
kl_wine_run() {
    local limit=${KL_WINE_RUN_TIMEOUT:-300}
    if [[ ${1:-} == --timeout ]]; then
        if [[ ! ${2:-} =~ ^[0-9]+$ || ${2:-0} -eq 0 ]]; then
            kl__error "kl_wine_run: --timeout needs a whole number of seconds, got '${2:-}'"
            return 2
        fi
        limit=$2
        shift 2
    fi
    if (($# == 0)); then
        kl__error "kl_wine_run: no program given"
        return 2
    fi
    kl__require_started kl_wine_run || return 1
    local exe=$1 rc=0 t0=$SECONDS
    shift
    if [[ $exe == */* && ! -f $exe ]]; then
        kl__error "kl_wine_run: no such program: $exe"
        return 2
    fi
    # timeout puts the program in its own process group and signals the whole group, so
    # the processes the program started end with it.
    kl__nolock timeout --kill-after=10 "$limit" "$KL_WINE" "$exe" "$@" || rc=$?
    if ((rc == 124 && SECONDS - t0 >= limit - 1)); then
        kl__error "TIMEOUT: $(basename -- "$exe") was still running after $limit s and has been killed" \
            "command: $exe $*"
    fi
    return "$rc"
}

kl_wine_screenshot() {
    local file=${1:-} title=${2:-} target=root ids="" deadline
    if [[ -z $file ]]; then
        kl__error "kl_wine_screenshot: no file given"
        return 2
    fi
    kl__require_started kl_wine_screenshot || return 1
    if ! command -v import >/dev/null 2>&1; then
        kl__error "import is missing (apt-get install -y imagemagick)"
        return 1
    fi
    if [[ -n $title ]]; then
        if ! command -v xdotool >/dev/null 2>&1; then
            kl__error "xdotool is missing (apt-get install -y xdotool)"
            return 1
        fi
        deadline=$((SECONDS + ${KL_SCREENSHOT_WAIT:-10}))
        while :; do
            ids=$(xdotool search --onlyvisible --name "$title" 2>/dev/null || true)
            [[ -n $ids ]] && break
            if ((SECONDS >= deadline)); then
                kl__error "kl_wine_screenshot: no visible window titled '$title'"
                return 1
            fi
            sleep 0.2
        done
        target=$(printf '%s\n' "$ids" | head -n 1)
    fi
    mkdir -p "$(dirname -- "$file")"
    rm -f -- "$file"
    if ! timeout 30 import -silent -window "$target" "png:$file" </dev/null >/dev/null 2>&1 || [[ ! -s $file ]]; then
        kl__error "kl_wine_screenshot: import could not capture window $target into $file"
        return 1
    fi
    return 0
}

kl_wine_reset_program_key() {
    kl__require_started kl_wine_reset_program_key || return 1
    kl__import_seeds "$KL_WINE_SEED_DIR/program.reg" || return 1
    kl__make_program_folder
}

kl_wine_stop() {
    local state
    state=$(kl__state)
    if [[ -n $KL__HELPER_PID ]]; then
        kl__kill_pid "$KL__HELPER_PID"
        KL__HELPER_PID=""
    fi
    # Only the lock holder may end the prefix's server: it may be another run's otherwise.
    # The X server goes last: Wine processes that lose their display end with errors.
    if [[ -n $KL__LOCK_FD ]]; then
        kl__end_server || true
    fi
    KL__SERVER_PID=""
    if [[ -n $KL__XSERVER_PID ]]; then
        kl__kill_pid "$KL__XSERVER_PID"
        KL__XSERVER_PID=""
        rm -f "$state/xserver.pid"
    fi
    rm -f "$state/helper.fifo" "$state/helper.pid" "$state/owner"
    kl__unlock
    case $KL__SAVED_DISPLAY in
    __unset__) ;;
    __none__) unset DISPLAY ;;
    *) export DISPLAY=$KL__SAVED_DISPLAY ;;
    esac
    KL__SAVED_DISPLAY=__unset__
    KL__STARTED=0
    unset KL_WINE_OWN_DISPLAY
    return 0
}
