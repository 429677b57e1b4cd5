#!/usr/bin/env bash
# Checks the Wine harness against a real prefix: start-up, the seeded machine, the version
# switch, running programs, screenshots, restart and stop. Prints "N passed, N failed".
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
if xdotool getdisplaygeometry >/dev/null 2>&1; then
    pass "DISPLAY $DISPLAY answers"
else
    fail "DISPLAY '$DISPLAY' answers"
fi

if [[ -z ${KL_USE_DISPLAY:-} ]]; then
    expect_eq "without KL_USE_DISPLAY the harness runs its own Xvfb" "${KL_WINE_XVFB:-}" 1
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

# --- restart: a new server rebuilds the adapter keys without our values; start seeds again --
kl_wine_run reg add 'HKCU\Software\Kestrelune' /v FirstRun /d No /f >/dev/null 2>&1
kl_wine_set_version win2k
xvfb_pid=$KL__XVFB_PID
kl_wine_stop
if kl__alive "$xvfb_pid"; then fail "kl_wine_stop ends Xvfb"; else
    pass "kl_wine_stop ends Xvfb"; fi
if flock -n "$(kl__state)/lock" true; then pass "kl_wine_stop releases the prefix"; else
    fail "kl_wine_stop releases the prefix"; fi

t0=$EPOCHREALTIME
if kl_wine_start; then pass "warm kl_wine_start ($(elapsed_since "$t0") ms)"; else
    fail "warm kl_wine_start"
    finish || exit 1
fi
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
