# shellcheck shell=bash
# The Wine harness's processes: finding, ending and cleaning up servers and helpers.
# Sourced by tools/wine/lib.sh; uses its state variables and logging.

# Succeeds when $1 is a live process whose command line contains $2.
kl__pid_is() {
    local pid=$1 word=$2 cmd
    [[ $pid =~ ^[0-9]+$ ]] || return 1
    cmd=$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null) || return 1
    [[ $cmd == *"$word"* ]]
}

# Succeeds while process $1 runs; a zombie awaiting its reaper counts as ended.
kl__alive() {
    local stat
    [[ $1 =~ ^[0-9]+$ ]] || return 1
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [[ ${stat:0:1} != Z ]]
}

kl__kill_pid() {
    local pid=$1 i
    kill "$pid" 2>/dev/null || return 0
    for ((i = 0; i < 50; i++)); do
        kl__alive "$pid" || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    return 0
}

# Starts a command in the background, detached from the caller's shell (so that a bare
# `wait` in the caller does not wait for it), with the lock closed; writes its pid to $1.
# Redirections given to kl__spawn apply to the command.
kl__spawn() {
    local pidfile=$1
    shift
    (
        # 0<&0: an explicit redirection keeps bash from giving the job /dev/null as input.
        "$@" 0<&0 {KL__LOCK_FD}>&- &
        printf '%s\n' "$!" >"$pidfile"
    )
}

# The name of the folder where the prefix's wineserver works (its socket and lock): Wine names
# it after the prefix's device and inode numbers, below a temporary folder of its choice.
kl__server_dir_name() {
    local ids
    ids=$(stat -L -c '%d %i' -- "$(kl__prefix)" 2>/dev/null) || return 1
    # shellcheck disable=SC2086 # two numbers
    printf 'server-%x-%x\n' $ids
}

# The pids of the wineservers running for the prefix.
kl__server_pids() {
    local name proc cwd
    name=$(kl__server_dir_name) || return 0
    for proc in /proc/[0-9]*; do
        cwd=$(readlink "$proc/cwd" 2>/dev/null) || continue
        [[ ${cwd##*/} == "$name" ]] || continue
        [[ $(readlink "$proc/exe" 2>/dev/null) == *wineserver* ]] && printf '%s\n' "${proc#/proc/}"
    done
    return 0
}

# Ends the prefix's wineserver and the Wine processes it serves, and waits until the server
# has gone: a new server must never meet an old one that is still shutting down.
kl__end_server() {
    local pids="" i
    [[ -d $(kl__prefix) ]] && kl__prefix_is_ours || return 0
    WINEPREFIX=$(kl__prefix) kl__logged "$(kl__wine_log)" kl__nolock "$KL_WINESERVER" -k || true
    WINEPREFIX=$(kl__prefix) kl__logged "$(kl__wine_log)" kl__nolock timeout 30 "$KL_WINESERVER" -w || true
    for ((i = 0; i < 50; i++)); do
        pids=$(kl__server_pids)
        [[ -z $pids ]] && return 0
        sleep 0.1
    done
    kl__log "the wineserver (pid ${pids//$'\n'/ }) did not end after wineserver -k; killing it"
    # shellcheck disable=SC2086 # a list of pids
    kill -KILL $pids 2>/dev/null || true
    for ((i = 0; i < 50; i++)); do
        [[ -z $(kl__server_pids) ]] && return 0
        sleep 0.1
    done
    kl__error "the wineserver of $(kl__prefix) (pid ${pids//$'\n'/ }) cannot be ended"
    return 1
}

# A run that died without kl_wine_stop leaves its servers behind; we hold the lock now, so
# they belong to nobody. (xvfb.pid: from runs of an earlier harness on a virtual frame buffer.)
kl__clean_stale() {
    local state file pid
    state=$(kl__state)
    for file in xserver.pid:Xorg xvfb.pid:Xvfb; do
        [[ -f $state/${file%%:*} ]] || continue
        pid=$(cat "$state/${file%%:*}" 2>/dev/null || true)
        if kl__pid_is "$pid" "${file#*:}"; then
            kl__log "ending the X server (pid $pid) left by an earlier run"
            kl__kill_pid "$pid"
        fi
        rm -f "$state/${file%%:*}"
    done
    kl__end_server
}
