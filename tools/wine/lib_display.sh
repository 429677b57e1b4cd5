# shellcheck shell=bash
# The Wine harness's X display: the caller's when asked and answering, otherwise an
# Xorg with the dummy driver of its own. Sourced by tools/wine/lib.sh.

kl__display_answers() {
    local display=$1
    if command -v xdotool >/dev/null 2>&1; then
        DISPLAY=$display timeout 10 xdotool getdisplaygeometry >/dev/null 2>&1
    elif command -v xdpyinfo >/dev/null 2>&1; then
        DISPLAY=$display timeout 10 xdpyinfo >/dev/null 2>&1
    else
        return 1
    fi
}

# The Xorg binary itself rather than Debian's /usr/bin/Xorg wrapper script: with the
# xserver-xorg-legacy package installed, that wrapper lets only console users start a server,
# which the dummy driver does not need.
kl__xorg_binary() {
    if [[ -n ${KL_XORG:-} ]]; then
        printf '%s\n' "$KL_XORG"
    elif [[ -x /usr/lib/xorg/Xorg ]]; then
        printf '%s\n' /usr/lib/xorg/Xorg
    else
        command -v Xorg
    fi
}

# Hints for an X server that did not start, from what its log says.
kl__xorg_hints() {
    local log=$1
    if grep -qs 'Failed to load module "dummy"' "$log"; then
        printf '%s\n' "the dummy video driver is missing: apt-get install -y xserver-xorg-video-dummy"
    fi
    if grep -qs -i -E 'permission denied|not permitted|only console users' "$log"; then
        if (($(id -u) != 0)); then
            printf '%s\n' "the X server refused to start for user $(id -un) (uid $(id -u)), not root: see the log"
        else
            printf '%s\n' "the X server was refused a permission even as root: see the log"
        fi
    fi
}

# Starts Xorg with the dummy driver on a display number it picks itself (-displayfd), so
# that parallel runs never race for one. -sharevts and -novtswitch: the server leaves the
# machine's virtual terminals alone, also when it runs as root.
kl__start_xorg() {
    local state dir xorg conf number="" i lines=() hints=()
    state=$(kl__state)
    dir=$KL__RUN_DIR
    conf=${KL_XORG_CONF:-$KL_WINE_DIR/xorg-crt.conf}
    xorg=$(kl__xorg_binary) || xorg=""
    if [[ -z $xorg || ! -x $xorg ]]; then
        kl__error "the X server Xorg is missing and no usable display was given" \
            "install with: apt-get install -y xserver-xorg-core xserver-xorg-video-dummy" \
            "(or set KL_USE_DISPLAY=1 with a working DISPLAY)"
        return 1
    fi
    [[ -f $conf ]] || { kl__error "the X server's configuration $conf is missing"; return 1; }
    # Its own configuration folder, so that the machine's /etc/X11/xorg.conf.d is not read.
    if ! mkdir -p "$dir/xorg.conf.d" ||
        ! printf '# The harness X server reads no configuration of this machine.\n' >"$dir/xorg.conf.d/00-none.conf"; then
        kl__error "cannot write $dir/xorg.conf.d"
        return 1
    fi
    kl__spawn "$state/xserver.pid" \
        "$xorg" -config "$conf" -configdir "$dir/xorg.conf.d" -logfile "$dir/xorg.log" \
        -displayfd 3 -nolisten tcp -noreset -novtswitch -sharevts \
        3>"$dir/display" </dev/null >"$dir/xorg.out" 2>&1
    KL__XSERVER_PID=$(cat "$state/xserver.pid")
    for ((i = 0; i < 300; i++)); do
        number=$(tr -dc '0-9' <"$dir/display" 2>/dev/null || true)
        [[ -n $number ]] && break
        kl__alive "$KL__XSERVER_PID" || break
        sleep 0.1
    done
    if [[ -z $number ]] || ! kl__display_answers ":$number"; then
        if [[ -s $dir/xorg.log ]]; then
            mapfile -t lines < <(kl__tail "$dir/xorg.log" | sed 's/^/  | /')
        else
            mapfile -t lines < <(kl__tail "$dir/xorg.out" | sed 's/^/  | /')
        fi
        mapfile -t hints < <(kl__xorg_hints "$dir/xorg.log"; kl__xorg_hints "$dir/xorg.out")
        if kl__alive "$KL__XSERVER_PID"; then
            hints+=("it was still running after 30 s without answering on ${number:+:}${number:-a display}")
        fi
        kl__error "the X server did not start" "command: $xorg -config $conf ..." "${hints[@]}" \
            "log: $dir/xorg.log (console output: $dir/xorg.out)" "its last log lines:" "${lines[@]}"
        kl__kill_pid "$KL__XSERVER_PID"
        KL__XSERVER_PID=""
        rm -f "$state/xserver.pid"
        return 1
    fi
    export DISPLAY=":$number"
    export KL_WINE_OWN_DISPLAY=1
    return 0
}

kl__display() {
    if [[ -n ${KL_USE_DISPLAY:-} && ${KL_USE_DISPLAY} != 0 ]]; then
        if [[ -n ${DISPLAY:-} ]] && kl__display_answers "$DISPLAY"; then
            kl__log "using the display $DISPLAY"
            export KL_WINE_OWN_DISPLAY=0
            return 0
        fi
        kl__log "KL_USE_DISPLAY is set but DISPLAY='${DISPLAY:-}' does not answer; starting an X server"
    fi
    kl__start_xorg
}
