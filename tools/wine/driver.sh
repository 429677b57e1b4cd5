# shellcheck shell=bash
# The r6probe test driver in the Wine prefix: r6probe-sim.sys of the prefix's architecture
# (kl_wine_test_bin: build/win64/bin or build/win32-tests/bin), a kernel service that serves
# \\.\r6probe.vxd from the simulated card named by its Parameters\Card value. A test
# fixture only; the product never installs it.
#
# Source after tools/wine/lib.sh, once kl_wine_start has succeeded:
#
#   kl_wine_driver_install       registers the kernel service r6probe (demand start) for this
#                                build's driver; nothing to do when it is registered already
#   kl_wine_driver_setup [CARD]  install, then kl_wine_driver_card CARD (default r8500): the demo PC
#   kl_wine_driver_card CARD     starts the driver afresh with CARD (a card key such as r8500,
#                                r7500, r9000, r8500-nobios, r8500-r0; an unknown key gives the
#                                r8500) and waits until the device answers
#   kl_wine_driver_start         starts the driver unless it runs, with the card the key names,
#                                and waits until the device answers
#   kl_wine_driver_stop          stops the driver; the device is then missing
#   kl_wine_driver_uninstall     stops the driver and deletes its service (for tests that
#                                install r6probe themselves); nothing to do without one
#
# Each returns non-zero after printing what failed and the command's last output lines.

KL_DRIVER_SERVICE=r6probe
KL_DRIVER_KEY='HKLM\System\CurrentControlSet\Services\r6probe'
# The driver file and the tool that waits for its device, for the prefix's architecture.
kl_wine_driver_file() { printf '%s\n' "$(kl_wine_test_bin)/r6probe-sim.sys"; }
kl__driver_probe() { printf '%s\n' "$(kl_wine_test_bin)/KlProbeTool.exe"; }
KL_DRIVER_WAIT=${KL_DRIVER_WAIT:-10}

# Runs a Wine command for the driver functions; its output, without carriage returns, is
# left in KL__DRIVER_OUTPUT and its exit code returned.
kl__driver_cmd() {
    local log rc=0
    log=$(kl__state)/driver.log
    kl__nolock timeout --kill-after=5 60 "$KL_WINE" "$@" </dev/null >"$log" 2>&1 || rc=$?
    KL__DRIVER_OUTPUT=$(tr -d '\r' <"$log")
    return "$rc"
}

# kl__driver_fail WHAT COMMAND...: reports the failed command with its last output lines.
kl__driver_fail() {
    local what=$1 lines=()
    shift
    mapfile -t lines < <(printf '%s\n' "$KL__DRIVER_OUTPUT" | grep -v '^[[:space:]]*$' | tail -n 8)
    kl__error "$what" "command: $*" "${lines[@]}"
    return 1
}

kl__driver_ready() {
    kl__require_started "$1" || return 1
    local file
    for file in "$(kl_wine_driver_file)" "$(kl__driver_probe)"; do
        if [[ ! -f $file ]]; then
            kl__error "$1: $file is missing" "build $(dirname "$(dirname "$file")") first"
            return 1
        fi
    done
}

# Prints the service state as sc names it (RUNNING, STOPPED, STOP_PENDING, ...).
kl__driver_state() {
    local state
    if ! kl__driver_cmd sc query "$KL_DRIVER_SERVICE"; then
        kl__driver_fail "cannot query the service $KL_DRIVER_SERVICE" sc query "$KL_DRIVER_SERVICE"
        return 1
    fi
    state=$(printf '%s\n' "$KL__DRIVER_OUTPUT" | sed -nE 's/^ *STATE *: *[0-9]+ +([A-Z_]+).*/\1/p')
    if [[ -z $state ]]; then
        kl__driver_fail "sc query gave no state for $KL_DRIVER_SERVICE" sc query "$KL_DRIVER_SERVICE"
        return 1
    fi
    printf '%s\n' "$state"
}

# Prints the service's ImagePath, or fails when the service is not registered.
kl__driver_image_path() {
    kl__driver_cmd reg query "$KL_DRIVER_KEY" /v ImagePath || return 1
    printf '%s\n' "$KL__DRIVER_OUTPUT" | sed -nE 's/^ *ImagePath +REG_(EXPAND_)?SZ +//p'
}

kl_wine_driver_install() {
    kl__driver_ready kl_wine_driver_install || return 1
    local path current
    path=$(kl_wine_winpath "$(kl_wine_driver_file)")
    # The prefix outlives runs, so the service may exist, perhaps naming another build. Wine's
    # sc has no "config": a service for another file is deleted and created again.
    if current=$(kl__driver_image_path); then
        [[ ${current,,} == "${path,,}" ]] && return 0
        kl_wine_driver_stop || return 1
        if ! kl__driver_cmd sc delete "$KL_DRIVER_SERVICE"; then
            kl__driver_fail "could not delete the service $KL_DRIVER_SERVICE of $current" \
                sc delete "$KL_DRIVER_SERVICE"
            return 1
        fi
    fi
    local cmd=(sc create "$KL_DRIVER_SERVICE" type= kernel start= demand binPath= "$path")
    if ! kl__driver_cmd "${cmd[@]}"; then
        kl__driver_fail "could not register the kernel service $KL_DRIVER_SERVICE" "${cmd[@]}"
        return 1
    fi
    return 0
}

kl_wine_driver_stop() {
    kl__driver_ready kl_wine_driver_stop || return 1
    local state deadline=$((SECONDS + KL_DRIVER_WAIT))
    state=$(kl__driver_state) || return 1
    [[ $state == STOPPED ]] && return 0
    if ! kl__driver_cmd sc stop "$KL_DRIVER_SERVICE"; then
        kl__driver_fail "could not stop the driver $KL_DRIVER_SERVICE" sc stop "$KL_DRIVER_SERVICE"
        return 1
    fi
    while state=$(kl__driver_state) && [[ $state != STOPPED ]]; do
        if ((SECONDS >= deadline)); then
            kl__driver_fail "the driver $KL_DRIVER_SERVICE is $state, not STOPPED, after $KL_DRIVER_WAIT s" \
                sc query "$KL_DRIVER_SERVICE"
            return 1
        fi
        sleep 0.2
    done
    [[ $state == STOPPED ]]
}

kl_wine_driver_start() {
    kl__driver_ready kl_wine_driver_start || return 1
    local state
    state=$(kl__driver_state) || return 1
    if [[ $state != RUNNING && $state != START_PENDING ]]; then
        kl_wine_driver_stop || return 1
        if ! kl__driver_cmd sc start "$KL_DRIVER_SERVICE"; then
            kl__driver_fail "could not start the driver $KL_DRIVER_SERVICE" sc start "$KL_DRIVER_SERVICE"
            return 1
        fi
    fi
    if ! kl__driver_cmd "$(kl__driver_probe)" wait "$KL_DRIVER_WAIT"; then
        kl__driver_fail "the driver $KL_DRIVER_SERVICE started but its device does not answer" \
            "$(kl__driver_probe)" wait "$KL_DRIVER_WAIT"
        return 1
    fi
    return 0
}

kl_wine_driver_card() {
    local card=${1:-}
    if [[ -z $card ]]; then
        kl__error "kl_wine_driver_card: no card given (e.g. r8500)"
        return 2
    fi
    kl__driver_ready kl_wine_driver_card || return 1
    local cmd=(reg add "$KL_DRIVER_KEY\\Parameters" /v Card /t REG_SZ /d "$card" /f)
    if ! kl__driver_cmd "${cmd[@]}"; then
        kl__driver_fail "could not choose the card $card" "${cmd[@]}"
        return 1
    fi
    kl_wine_driver_stop && kl_wine_driver_start
}

kl_wine_driver_uninstall() {
    kl__driver_ready kl_wine_driver_uninstall || return 1
    kl__driver_image_path >/dev/null || return 0
    kl_wine_driver_stop || return 1
    if ! kl__driver_cmd sc delete "$KL_DRIVER_SERVICE"; then
        kl__driver_fail "could not delete the service $KL_DRIVER_SERVICE" sc delete "$KL_DRIVER_SERVICE"
        return 1
    fi
}

kl_wine_driver_setup() {
    kl_wine_driver_install && kl_wine_driver_card "${1:-r8500}"
}
