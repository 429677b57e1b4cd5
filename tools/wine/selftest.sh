#!/usr/bin/env bash
# Checks the Wine harness against a real prefix: start-up, the X server, the seeded machine,
# the version switch, running programs, screenshots, errors and their logs, restart and stop.
# Prints "N passed, N failed".
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd -P)
# shellcheck source-path=SCRIPTDIR source=lib.sh
source "$here/lib.sh"

passed=0
failed=0
out_dir=$KL_ROOT/build/wine-selftest
mkdir -p "$out_dir"

pass() {
    passed=$((passed + 1))
    printf 'PASS  %s\n' "$1"
}
fail() {
    failed=$((failed + 1))
    printf 'FAIL  %s\n' "$1"
    shift
    local line
    for line in "$@"; do printf "%s\n" "$line" | sed "s/^/        /"; done
}
expect_eq() {
    if [[ $2 == "$3" ]]; then
        pass "$1"
    else
        fail "$1" "expected:" "  ${3//$'\n'/$'\n'  }" "actual:" "  ${2//$'\n'/$'\n'  }"
    fi
}
# Its arguments one per line, in the order reg_values gives.
lines() { printf '%s\n' "$@" | LC_ALL=C sort; }
finish() {
    printf '%d passed, %d failed\n' "$passed" "$failed"
    ((failed == 0))
}

# Direct values of a key as "name|type|data" lines, sorted; fails when the key is missing.
reg_values() {
    local out
    out=$(kl_wine_run --timeout 60 reg query "$1" 2>/dev/null) || return 1
    printf '%s\n' "$out" | tr -d '\r' | awk -F '    ' 'NF >= 4 && $1 == "" { print $2 "|" $3 "|" $4 }' | LC_ALL=C sort
}
key_exists() { kl_wine_run --timeout 60 reg query "$1" >/dev/null 2>&1; }
elapsed_since() { echo $(((10#${EPOCHREALTIME/[.,]/} - 10#${1/[.,]/}) / 1000)); }

# --- start-up --------------------------------------------------------------------------
t0=$EPOCHREALTIME
if kl_wine_start; then
    pass "kl_wine_start ($(elapsed_since "$t0") ms)"
else
    fail "kl_wine_start"
    finish || exit 1
fi
trap kl_wine_stop EXIT

expect_eq "WINEPREFIX is the harness prefix" "$WINEPREFIX" "${KL_WINEPREFIX:-$KL_ROOT/build/wineprefix}"
fonts_dir=$WINEPREFIX/drive_c/windows/Fonts
if [[ -f $fonts_dir/marlett.ttf && -f $fonts_dir/ms_sans_serif.ttf && -f $fonts_dir/tahoma.ttf ]]; then
    pass "the prefix holds Windows' fonts (Marlett, MS Sans Serif, Tahoma) in C:\\windows\\Fonts"
else
    fail "the prefix holds Windows' fonts (Marlett, MS Sans Serif, Tahoma) in C:\\windows\\Fonts" \
        "$(ls "$fonts_dir" 2>&1 | head -n 10)"
fi
if xdotool getdisplaygeometry >/dev/null 2>&1; then
    pass "DISPLAY $DISPLAY answers"
else
    fail "DISPLAY '$DISPLAY' answers"
fi

if [[ -z ${KL_USE_DISPLAY:-} ]]; then
    expect_eq "without KL_USE_DISPLAY the harness runs its own X server" "${KL_WINE_OWN_DISPLAY:-}" 1
    # The main window (730x450) and its dialogs fit; the monitor's other modes are larger.
    expect_eq "the screen starts at 1024x768" "$(xdotool getdisplaygeometry 2>/dev/null || true)" "1024 768"
    if grep -qs 'DUMMY(0): Modeline "1600x1200"x85.0' "$KL_WINE_LOG_DIR/xorg.log"; then
        pass "the X server is Xorg with the dummy driver and the monitor's modes"
    else
        fail "the X server is Xorg with the dummy driver and the monitor's modes" \
            "$(grep -E 'DUMMY|\(EE\)' "$KL_WINE_LOG_DIR/xorg.log" 2>/dev/null | tail -n 10 || true)"
    fi
fi
first_logs=$KL_WINE_LOG_DIR
if [[ -s $first_logs/wine.log && $(readlink "$(kl__state)/logs/last") == "${first_logs##*/}" ]]; then
    pass "the run's logs are in a folder of its own, logs/last points to it"
else
    fail "the run's logs are in a folder of its own, logs/last points to it" "KL_WINE_LOG_DIR=$first_logs"
fi

held_helper=$KL__HELPER_PID held_display=$DISPLAY
kl_wine_start
expect_eq "second kl_wine_start in the same shell keeps the held session" \
    "$KL__HELPER_PID $DISPLAY" "$held_helper $held_display"

# --- running programs --------------------------------------------------------------------
rc=0
out=$(kl_wine_run cmd.exe /c 'echo arch=%PROCESSOR_ARCHITECTURE%& exit 7') || rc=$?
expect_eq "kl_wine_run passes the program's output through" "$(printf '%s' "$out" | tr -d '\r')" "arch=AMD64"
expect_eq "kl_wine_run returns the program's exit code" "$rc" 7

rc=0
kl_wine_run "$out_dir/no-such-program.exe" 2>/dev/null || rc=$?
expect_eq "kl_wine_run refuses a missing program" "$rc" 2

# notepad never ends by itself: the timeout must kill it, and meanwhile its window is shot.
rc=0
kl_wine_run --timeout 5 notepad.exe 2>"$out_dir/timeout.txt" &
notepad_run=$!
if kl_wine_screenshot "$out_dir/notepad.png" 'Notepad' &&
    [[ $(head -c 8 "$out_dir/notepad.png" | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]]; then
    pass "screenshot of a window by its title is a PNG"
else
    fail "screenshot of a window by its title is a PNG"
fi
wait "$notepad_run" || rc=$?
expect_eq "kl_wine_run kills a program at its timeout with 124" "$rc" 124
if grep -q 'TIMEOUT: notepad.exe was still running after 5 s' "$out_dir/timeout.txt"; then
    pass "the timeout is reported"
else
    fail "the timeout is reported" "$(cat "$out_dir/timeout.txt")"
fi
expect_eq "kl_wine_winpath agrees with Wine's winepath" "$(kl_wine_winpath "$out_dir/timeout.txt")" \
    "$(kl_wine_run winepath.exe -w "$out_dir/timeout.txt" 2>/dev/null | tr -d '\r' || true)"
if [[ -z $(xdotool search --name 'Notepad' 2>/dev/null || true) ]]; then
    pass "no window of the killed program remains"
else
    fail "no window of the killed program remains"
fi

if kl_wine_screenshot "$out_dir/screen.png"; then
    expect_eq "screenshot of the whole screen" "$(identify -format '%m %wx%h' "$out_dir/screen.png")" \
        "PNG $(xdotool getdisplaygeometry | tr ' ' x)"
else
    fail "screenshot of the whole screen"
fi

# --- the display adapter and the seeded driver ----------------------------------------------
key=$(kl_wine_video_key || true)
guid=$(printf '%s' "$key" | grep -o -E '\{[0-9a-fA-F-]{36}\}' | head -n 1 || true)
if [[ $key =~ ^System\\CurrentControlSet\\Control\\Video\\\{[0-9a-fA-F-]{36}\}\\0000$ && $key == "$KL_VIDEO_KEY" ]]; then
    pass "kl_wine_video_key names the adapter key ($key)"
else
    fail "kl_wine_video_key names the adapter key" "got '$key', KL_VIDEO_KEY '$KL_VIDEO_KEY'"
fi
expect_eq "KL_VIDEO_GUID is the key's brace group" "$KL_VIDEO_GUID" "$guid"
devicemap=$(reg_values 'HKLM\HARDWARE\DEVICEMAP\VIDEO' | grep '^\\Device\\Video0|' || true)
expect_eq "\\Device\\Video0 names that key" "$devicemap" "\\Device\\Video0|REG_SZ|\\Registry\\Machine\\$key"

driver=$(reg_values "HKLM\\$key" || true)
for want in 'drv|REG_SZ|ati2dvag' 'Device Description|REG_SZ|RADEON 8500 Series' \
    'ReleaseVersion|REG_SZ|6.14.10.6343' 'DriverDesc|REG_SZ|Wine Adapter'; do
    if grep -qxF "$want" <<<"$driver"; then pass "driver key holds $want"; else
        fail "driver key holds $want" "$driver"; fi
done
for sub in OpenGL 'OpenGL\Private'; do
    if key_exists "HKLM\\$key\\$sub"; then pass "driver key has the subkey $sub"; else
        fail "driver key has the subkey $sub"; fi
done
if key_exists "HKLM\\SOFTWARE\\ATI Technologies\\Desktop\\$guid"; then
    pass "SOFTWARE\\ATI Technologies\\Desktop\\$guid exists"
else
    fail "SOFTWARE\\ATI Technologies\\Desktop\\{GUID of the adapter} exists"
fi

expect_eq "processor facts" "$(reg_values 'HKLM\SOFTWARE\ATI Technologies\CDS\System\0' || true)" \
    "$(lines '3DNow|REG_SZ|No (Disabled)' 'CPU Name|REG_SZ|Intel(R) Pentium(R) 4 CPU 2.00GHz' \
        'MMX|REG_SZ|Yes (Enabled)' 'SSE|REG_SZ|Yes (Enabled)' 'SSE2|REG_SZ|Yes (Enabled)')"
expect_eq "video memory facts" "$(reg_values 'HKLM\Software\ATI Technologies\CDS\0000\0\MEMORY' || true)" \
    "$(lines 'Size|REG_SZ|64.00 MB' 'Type|REG_SZ|DDR SGRAM (x)')"
expect_eq "DirectX version" "$(reg_values 'HKLM\Software\Microsoft\DirectX' | grep '^Version|' || true)" \
    'Version|REG_SZ|4.09.00.0904'

# --- the program's installed state ------------------------------------------------------------
# shellcheck disable=SC1003 # the trailing backslash is data
installed=$(lines 'FirstRun|REG_SZ|Yes' 'installpath|REG_SZ|C:\Program Files\Kestrelune\' \
    'Use_AltPath|REG_DWORD|0x0' 'version|REG_SZ|1.60')
expect_eq "program key as installed" "$(reg_values 'HKCU\Software\Kestrelune' || true)" "$installed"
profiles="$WINEPREFIX/drive_c/Program Files/Kestrelune/Profiles"
if [[ -d $profiles ]]; then pass "C:\\Program Files\\Kestrelune\\Profiles exists"; else
    fail "C:\\Program Files\\Kestrelune\\Profiles exists"; fi

kl_wine_run reg add 'HKCU\Software\Kestrelune' /v FirstRun /d No /f >/dev/null 2>&1
kl_wine_run reg add 'HKCU\Software\Kestrelune' /v AlternativePath /d 'SOFTWARE\Test\0000' /f >/dev/null 2>&1
kl_wine_run reg add 'HKCU\Software\Kestrelune\OCInfo' /v Core /t REG_DWORD /d 275 /f >/dev/null 2>&1
kl_wine_reset_program_key
expect_eq "kl_wine_reset_program_key restores the values" "$(reg_values 'HKCU\Software\Kestrelune' || true)" "$installed"
expect_eq "kl_wine_reset_program_key leaves OCInfo as installed, empty" \
    "$(reg_values 'HKCU\Software\Kestrelune\OCInfo' || echo missing)" ""

# --- Windows version ---------------------------------------------------------------------
for pair in win2k:5.0.2195 win7:6.1.7601 winxp:5.1.2600; do
    kl_wine_set_version "${pair%%:*}"
    expect_eq "programs see ${pair%%:*} as ${pair#*:}" "$(kl_wine_windows_version || true)" "${pair#*:}"
done
if kl_wine_set_version win98 2>/dev/null; then fail "an unknown version is refused"; else
    pass "an unknown version is refused"; fi

# --- a failing harness command says why -----------------------------------------------------
# A stand-in for Wine that prints 30 lines and fails: the error shows its last 20 lines, its
# exit status and the log they are kept in.
fake_wine=$out_dir/fake-wine
# shellcheck disable=SC2016 # the script's own expansions
printf '#!/bin/sh\nfor i in $(seq 1 30); do echo "fake output line $i"; done\nexit 3\n' >"$fake_wine"
chmod +x "$fake_wine"
rc=0
KL_WINE=$fake_wine kl_wine_set_version winxp 2>"$out_dir/error.txt" || rc=$?
error=$(cat "$out_dir/error.txt")
if ((rc != 0)) && [[ $error == *"could not set HKCU\Software\Wine Version to winxp"* &&
    $error == *"exit status 3"* && $error == *"log: $KL_WINE_LOG_DIR/wine.log"* &&
    $error == *"fake output line 11"* && $error == *"fake output line 30"* &&
    $error != *"fake output line 10"$'\n'* ]]; then
    pass "a failed harness command prints its status, its last 20 output lines and its log"
else
    fail "a failed harness command prints its status, its last 20 output lines and its log" "rc=$rc" "$error"
fi
if [[ $error == *"the wineserver of this run (pid $KL__SERVER_PID) is running"* ]]; then
    pass "the error tells whether the run's wineserver still runs"
else
    fail "the error tells whether the run's wineserver still runs" "$error"
fi
if grep -q 'fake output line 30' "$KL_WINE_LOG_DIR/wine.log"; then
    pass "the failed command's output stays in the run's wine.log"
else
    fail "the failed command's output stays in the run's wine.log"
fi
# A version switch that fails once is tried again, and the failure is still shown.
flaky_wine=$out_dir/flaky-wine
rm -f "$out_dir/flaky-wine.failed"
printf '#!/bin/sh\n[ -e "%s" ] && exec "%s" "$@"\n: >"%s"\necho "flaky first attempt"\nexit 1\n' \
    "$out_dir/flaky-wine.failed" "$KL_WINE" "$out_dir/flaky-wine.failed" >"$flaky_wine"
chmod +x "$flaky_wine"
rc=0
KL_WINE=$flaky_wine kl_wine_set_version win2k 2>"$out_dir/error.txt" || rc=$?
error=$(cat "$out_dir/error.txt")
if ((rc == 0)) && [[ $error == *"WARNING: setting HKCU\Software\Wine Version to win2k failed; trying once more"* &&
    $error == *"flaky first attempt"* && $(kl_wine_windows_version || true) == 5.0.2195 ]]; then
    pass "a version switch that fails once is reported and tried again"
else
    fail "a version switch that fails once is reported and tried again" "rc=$rc" "$error"
fi
kl_wine_set_version winxp

# --- restart: a new server rebuilds the adapter keys without our values; start seeds again --
kl_wine_run reg add 'HKCU\Software\Kestrelune' /v FirstRun /d No /f >/dev/null 2>&1
kl_wine_set_version win2k
xserver_pid=$KL__XSERVER_PID
server_pid=$KL__SERVER_PID
kl_wine_stop
if kl__alive "$xserver_pid"; then fail "kl_wine_stop ends the X server"; else
    pass "kl_wine_stop ends the X server"; fi
if kl__alive "$server_pid" || [[ -n $(kl__server_pids) ]]; then
    fail "kl_wine_stop ends the wineserver" "running: $(kl__server_pids | tr '\n' ' ')"
else
    pass "kl_wine_stop ends the wineserver"
fi
if flock -n "$(kl__state)/lock" true; then pass "kl_wine_stop releases the prefix"; else
    fail "kl_wine_stop releases the prefix"; fi

# An X server that cannot start: the error quotes its log.
printf 'Section "Device"\n    Identifier "card"\n    Driver "no-such-video-driver"\nEndSection\n' \
    >"$out_dir/broken-xorg.conf"
rc=0
KL_XORG_CONF=$out_dir/broken-xorg.conf kl_wine_start 2>"$out_dir/error.txt" || rc=$?
error=$(cat "$out_dir/error.txt")
broken_logs=$KL_WINE_LOG_DIR
if ((rc != 0)) && [[ $error == *"the X server did not start"* &&
    $error == *"log: $broken_logs/xorg.log"* && $error == *"(EE)"* ]]; then
    pass "an X server that does not start is reported with its log lines"
else
    fail "an X server that does not start is reported with its log lines" "rc=$rc" "$error"
fi
if flock -n "$(kl__state)/lock" true && [[ -z $(kl__server_pids) ]]; then
    pass "a failed start leaves nothing running"
else
    fail "a failed start leaves nothing running"
fi

# Old log folders go, the newest stay: KL_WINE_KEEP_LOGS of them.
for i in 1 2 3 4 5 6; do mkdir -p "$(kl__state)/logs/19990101-00000$i-1"; done

t0=$EPOCHREALTIME
if KL_WINE_KEEP_LOGS=3 kl_wine_start; then pass "warm kl_wine_start ($(elapsed_since "$t0") ms)"; else
    fail "warm kl_wine_start"
    finish || exit 1
fi
expect_eq "the last 3 log folders are kept" \
    "$(find "$(kl__state)/logs" -mindepth 1 -maxdepth 1 -type d -printf '%f\n' | LC_ALL=C sort)" \
    "$(printf '%s\n' "${first_logs##*/}" "${broken_logs##*/}" "${KL_WINE_LOG_DIR##*/}" | LC_ALL=C sort)"
driver=$(reg_values "HKLM\\$KL_VIDEO_KEY" || echo "(no key HKLM\\$KL_VIDEO_KEY)")
if grep -qxF 'drv|REG_SZ|ati2dvag' <<<"$driver"; then
    pass "after a restart the driver is seeded again"
else
    fail "after a restart the driver is seeded again" "$driver" \
        "DEVICEMAP: $(reg_values 'HKLM\HARDWARE\DEVICEMAP\VIDEO' || true)"
fi
expect_eq "after a restart the program key is as installed" \
    "$(reg_values 'HKCU\Software\Kestrelune' || true)" "$installed"
expect_eq "after a restart programs see Windows XP" "$(kl_wine_windows_version || true)" 5.1.2600

kl_wine_stop
trap - EXIT
finish
