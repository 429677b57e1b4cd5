# The installation under Wine, in the 32-bit prefix: the setup programs, a silent install
# into a prefix without Kestrelune, the installed program, a reinstall, a silent uninstall,
# another folder, and the version gate. Sourced by tests/wine/run.sh (harness started,
# tally counters loaded); it leaves Kestrelune installed in the default folder, and exports
# KL_E2E_PROGRAM so that the end-to-end tests after it start the installed program.
#
# The setup installed is the shipped one built from the same script and the same programs
# of build/win32/bin, with the simulated card's i686 driver in place of r6probe.sys: the
# real driver finds no Radeon here and would not start.

source "$KL_ROOT/tools/lib/installer.sh"

kl_shipped_bin="$KL_ROOT/build/win32/bin"
kl_setup32="$KL_ROOT/build/win32/setup/Kestrelune-1.60-setup.exe"
kl_setup="$KL_ROOT/build/win32/setup-wine/Kestrelune-1.60-setup.exe"
kl_program_key='HKCU\Software\Kestrelune'
kl_run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
kl_uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrelune'
kl_menu_dir="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Kestrelune"

# Direct values of a key as "name|type|data" lines, sorted; fails when the key is missing.
kl_inst_values() {
  local out
  out=$(kl_wine_run --timeout 60 reg query "$1" 2>/dev/null) || return 1
  printf '%s\n' "$out" | tr -d '\r' | awk -F '    ' 'NF >= 4 && $1 == "" { print $2 "|" $3 "|" $4 }' |
    LC_ALL=C sort
}
kl_inst_key_exists() { kl_wine_run --timeout 60 reg query "$1" >/dev/null 2>&1; }

# kl_inst_expect WHAT ACTUAL EXPECTED: succeeds when equal, otherwise shows both.
kl_inst_expect() {
  [ "$2" == "$3" ] && return 0
  printf '   %s differ.\n   expected:\n%s\n   actual:\n%s\n' "$1" "$(sed 's/^/     /' <<<"$3")" \
    "$(sed 's/^/     /' <<<"$2")" >&2
  return 1
}

# The files below a folder, relative and sorted.
kl_inst_files() { (cd "$1" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort); }

kl_inst_program_files() {
  printf '%s\n' "DriverSetup.exe" "Help/Help.htm" "Help/History.htm" "Kestrelune.exe" "OC/StartupOverclock.exe" \
    "Profiles/Best image quality.kpf" "Profiles/Best speed.kpf" "Profiles/Driver defaults.kpf" \
    "Uninstall.exe" | LC_ALL=C sort
}

# A prefix without Kestrelune: no program key, folder, Run value, uninstall entry or menu.
kl_inst_remove_everything() {
  kl_wine_run --timeout 60 reg delete "$kl_program_key" /f >/dev/null 2>&1 || true
  kl_wine_run --timeout 60 reg delete "$kl_run_key" /v Kestrelune /f >/dev/null 2>&1 || true
  kl_wine_run --timeout 60 reg delete "$kl_uninstall_key" /f >/dev/null 2>&1 || true
  rm -rf "$(kl_installed_dir)" "$kl_menu_dir" "$WINEPREFIX/drive_c/KLTest"
}

# kl_inst_check_files FOLDER [FILE...]: exactly the installer's files, each the same as its
# source, and the user's FILEs.
kl_inst_check_files() {
  local dir=$1
  shift
  kl_inst_expect "the installed files" "$(kl_inst_files "$dir")" \
    "$({ kl_inst_program_files; [ $# -eq 0 ] || printf '%s\n' "$@"; } | LC_ALL=C sort)" || return 1
  cmp "$dir/Kestrelune.exe" "$kl_shipped_bin/Kestrelune.exe" &&
    cmp "$dir/OC/StartupOverclock.exe" "$kl_shipped_bin/StartupOverclock.exe" &&
    cmp "$dir/Help/Help.htm" "$KL_ROOT/installer/Help/Help.htm" &&
    cmp "$dir/Help/History.htm" "$KL_ROOT/installer/Help/History.htm" &&
    cmp "$dir/Profiles/Best speed.kpf" "$KL_ROOT/installer/Profiles/Best speed.kpf" &&
    cmp "$dir/Profiles/Best image quality.kpf" "$KL_ROOT/installer/Profiles/Best image quality.kpf" &&
    cmp "$dir/Profiles/Driver defaults.kpf" "$KL_ROOT/installer/Profiles/Driver defaults.kpf"
}

# kl_inst_check_key FOLDER: the program key exactly as a fresh install leaves it.
kl_inst_check_key() {
  kl_inst_expect "the values of $kl_program_key" "$(kl_inst_values "$kl_program_key")" \
    "$(printf '%s\n' 'FirstRun|REG_SZ|Yes' "installpath|REG_SZ|$1\\" 'Use_AltPath|REG_DWORD|0x0' \
      'version|REG_SZ|1.60' | LC_ALL=C sort)" || return 1
  kl_inst_key_exists "$kl_program_key\\OCInfo" || { echo "   $kl_program_key\\OCInfo is missing" >&2; return 1; }
  kl_inst_expect "the values of OCInfo" "$(kl_inst_values "$kl_program_key\\OCInfo")" ""
}

kl_inst_check_entry() {
  local dir=$1
  kl_inst_expect "the uninstall entry" "$(kl_inst_values "$kl_uninstall_key")" "$(printf '%s\n' \
    "DisplayIcon|REG_SZ|$dir\\Kestrelune.exe,0" 'DisplayName|REG_SZ|Kestrelune' \
    'DisplayVersion|REG_SZ|1.60' "InstallLocation|REG_SZ|$dir" 'NoModify|REG_DWORD|0x1' \
    'NoRepair|REG_DWORD|0x1' 'Publisher|REG_SZ|Kestrelune' \
    "QuietUninstallString|REG_SZ|\"$dir\\Uninstall.exe\" /S" \
    "UninstallString|REG_SZ|\"$dir\\Uninstall.exe\"" | LC_ALL=C sort)"
}

kl_inst_check_menu() {
  kl_inst_expect "the start-menu shortcuts" "$(kl_inst_files "$kl_menu_dir")" \
    "$(printf '%s\n' 'Kestrelune Help.lnk' 'Kestrelune.lnk' 'Uninstall Kestrelune.lnk')"
}

kl_inst_no_run_value() {
  ! kl_wine_run --timeout 60 reg query "$kl_run_key" /v Kestrelune >/dev/null 2>&1
}

# The uninstaller copies itself away and returns at once; the copy removes the folder's
# Uninstall.exe near its end.
kl_inst_uninstall() {
  local dir=$1 i
  kl_wine_run --timeout 120 "$dir/Uninstall.exe" /S || return 1
  for ((i = 0; i < 120; i++)); do
    [ -e "$dir/Uninstall.exe" ] || kl_inst_key_exists "$kl_uninstall_key" || return 0
    sleep 0.5
  done
  echo "   the uninstaller did not finish within 60 s" >&2
  return 1
}

kl_inst_values_of_user() {
  kl_inst_values "$kl_program_key"
  kl_inst_values "$kl_program_key\\OCInfo" | sed 's/^/OCInfo\\/'
}

# A user's values survive a reinstall, "FirstRun" among them (so the pinned refresh rates
# stay); the installer's own are written afresh.
kl_inst_reinstall_keeps_user_values() {
  local key=$kl_program_key
  kl_wine_run reg add "$key" /v overclock /t REG_DWORD /d 1 /f >/dev/null &&
    kl_wine_run reg add "$key" /v 8500 /t REG_DWORD /d 1 /f >/dev/null &&
    kl_wine_run reg add "$key" /v AlternativePath /d 'System\Alt\0000' /f >/dev/null &&
    kl_wine_run reg add "$key" /v Use_AltPath /t REG_DWORD /d 1 /f >/dev/null &&
    kl_wine_run reg add "$key" /v FirstRun /d No /f >/dev/null &&
    kl_wine_run reg add "$key" /v installpath /d 'C:\Old\' /f >/dev/null &&
    kl_wine_run reg add "$key\\OCInfo" /v Core /d 250.00 /f >/dev/null &&
    kl_wine_run reg add "$key\\OCInfo" /v apply_tim /t REG_DWORD /d 1 /f >/dev/null || return 1
  kl_wine_install "$kl_setup" || return 1
  kl_inst_expect "the program key after a reinstall" "$(kl_inst_values_of_user)" "$(printf '%s\n' \
    '8500|REG_DWORD|0x1' 'AlternativePath|REG_SZ|System\Alt\0000' 'FirstRun|REG_SZ|No' \
    "installpath|REG_SZ|$KL_INSTALLED_WIN\\" 'overclock|REG_DWORD|0x1' 'Use_AltPath|REG_DWORD|0x1' \
    'version|REG_SZ|1.60' | LC_ALL=C sort; printf '%s\n' 'OCInfo\Core|REG_SZ|250.00' \
    'OCInfo\apply_tim|REG_DWORD|0x1')" &&
    kl_inst_check_files "$(kl_installed_dir)" "${kl_inst_first_start_files[@]}"
}

# What the first start saved of the settings before it: the user's, kept by a reinstall
# and by the uninstaller. (Its profile, "Settings before Kestrelune.kpf", is checked by the
# installed program's test, whose harness removes the profiles a test run made.)
kl_inst_first_start_files=("Backup/Display modes before Kestrelune.reg")

# The setup's driver: the file in the system's drivers folder and its kernel service running
# (here the simulated card's driver, which answers without a Radeon).
kl_inst_driver_file() { printf '%s\n' "$WINEPREFIX/drive_c/windows/system32/drivers/r6probe.sys"; }
kl_inst_driver_installed() {
  local state
  cmp "$(kl_inst_driver_file)" "$(kl_wine_driver_file)" || return 1
  state=$(kl_wine_run --timeout 60 sc query r6probe 2>&1 | tr -d '\r')
  grep -q 'RUNNING' <<<"$state" && return 0
  echo "   the service r6probe is not running:" >&2
  sed 's/^/     /' <<<"$state" | tail -n 8 >&2
  return 1
}
kl_inst_driver_removed() {
  [ ! -e "$(kl_inst_driver_file)" ] || { echo "   $(kl_inst_driver_file) is still there" >&2; return 1; }
  ! kl_inst_key_exists 'HKLM\System\CurrentControlSet\Services\r6probe' ||
    { echo "   the service r6probe is still registered" >&2; return 1; }
}

# Uninstalling keeps what is the user's: a saved profile, a sample profile the user changed
# and the removal backups.
kl_inst_uninstall_keeps_user_files() {
  local dir
  dir=$(kl_installed_dir)
  mkdir -p "$dir/Backup" &&
    printf '[DirectX]\r\nVSync=1\r\n' >"$dir/Profiles/My game.kpf" &&
    printf 'VSync=0\r\n' >>"$dir/Profiles/Best speed.kpf" &&
    printf 'REGEDIT4\r\n' >"$dir/Backup/Driver-20261209-120000.reg" || return 1
  kl_wine_run reg add "$kl_run_key" /v Kestrelune /d "$KL_INSTALLED_WIN\\OC\\StartupOverclock.exe" /f \
    >/dev/null || return 1
  kl_inst_uninstall "$dir" || return 1
  kl_inst_expect "the files left after uninstalling" "$(kl_inst_files "$dir")" \
    "$(printf '%s\n' 'Backup/Driver-20261209-120000.reg' 'Profiles/Best speed.kpf' \
      'Profiles/My game.kpf' "${kl_inst_first_start_files[@]}" | LC_ALL=C sort)" || return 1
  ! kl_inst_key_exists "$kl_program_key" || { echo "   $kl_program_key is still there" >&2; return 1; }
  kl_inst_no_run_value || { echo "   the Run value Kestrelune is still there" >&2; return 1; }
  ! kl_inst_key_exists "$kl_uninstall_key" || { echo "   the uninstall entry is still there" >&2; return 1; }
  [ ! -e "$kl_menu_dir" ] || { echo "   $kl_menu_dir is still there" >&2; return 1; }
}

# /D= installs elsewhere; uninstalling from there leaves nothing when nothing is the user's,
# not even an empty Backup folder.
kl_inst_other_folder() {
  local win='C:\KLTest\Kestrelune' dir="$WINEPREFIX/drive_c/KLTest/Kestrelune"
  kl_wine_install "$kl_setup" "/D=$win" || return 1
  kl_inst_check_files "$dir" && kl_inst_check_key "$win" && kl_inst_check_entry "$win" || return 1
  mkdir -p "$dir/Backup" || return 1
  kl_inst_uninstall "$dir" || return 1
  [ ! -e "$dir" ] || { echo "   $dir is still there: $(kl_inst_files "$dir" | tr '\n' ' ')" >&2; return 1; }
}

# On Windows 7 a silent setup refuses (exit code 2) and installs nothing.
kl_inst_refuses_windows7() {
  local rc=0
  kl_wine_set_version win7 || return 1
  kl_wine_run --timeout 180 "$kl_setup" /S >/dev/null 2>&1 || rc=$?
  kl_wine_set_version winxp || return 1
  [ "$rc" -eq 2 ] || { echo "   the setup ended with $rc on Windows 7" >&2; return 1; }
  [ ! -e "$(kl_installed_dir)" ] && ! kl_inst_key_exists "$kl_program_key" &&
    ! kl_inst_key_exists "$kl_uninstall_key"
}

# The shipped program: small, stripped, its symbols in a .debug file it links to.
kl_inst_shipped_size() {
  local size
  size=$(stat -c %s "$KL_ROOT/build/win32/bin/Kestrelune.exe") || return 1
  echo "   build/win32/bin/Kestrelune.exe: $size bytes (limit $((600 * 1024)))"
  [ "$size" -le $((600 * 1024)) ]
}
kl_inst_symbols_apart() {
  local exe dump
  for exe in Kestrelune StartupOverclock; do
    dump=$(i686-w64-mingw32-objdump -h "$KL_ROOT/build/win32/bin/$exe.exe") || return 1
    grep -q '\.gnu_debuglink' <<<"$dump" && ! grep -q '\.debug_info' <<<"$dump" || return 1
    i686-w64-mingw32-objdump -h "$KL_ROOT/build/win32/bin/$exe.exe.debug" | grep -q '\.debug_info' || return 1
  done
}

kl_check "the shipped 32-bit Kestrelune.exe is at most 600 KB" kl_inst_shipped_size
kl_check "the shipped 32-bit programs are stripped and their symbols kept in .debug files" kl_inst_symbols_apart
kl_check "the 32-bit setup program builds from the shipped programs" \
  kl_build_installer x86-unicode "$KL_ROOT/build/win32/bin" "$kl_setup32"
kl_check "the 32-bit setup program with the simulated card's driver builds" \
  kl_build_installer x86-unicode "$kl_shipped_bin" "$kl_setup" "$(kl_wine_driver_file)"

kl_wine_set_version winxp
kl_inst_remove_everything
kl_check "a silent setup on Windows 7 refuses and installs nothing" kl_inst_refuses_windows7
kl_check "a silent setup into a prefix without Kestrelune succeeds" kl_wine_install "$kl_setup"
kl_check "it installs exactly the program, help, sample profiles, start-up program and uninstaller" \
  kl_inst_check_files "$(kl_installed_dir)"
kl_check "it creates the program key with exactly installpath, version, FirstRun, Use_AltPath and OCInfo" \
  kl_inst_check_key "$KL_INSTALLED_WIN"
kl_check "it creates the Add/Remove Programs entry" kl_inst_check_entry "$KL_INSTALLED_WIN"
kl_check "it creates the three start-menu shortcuts" kl_inst_check_menu
kl_check "it registers no start-up program" kl_inst_no_run_value
kl_check "it installs the r6probe driver and starts its kernel service" kl_inst_driver_installed

export KL_E2E_PROGRAM="$KL_INSTALLED_WIN\\Kestrelune.exe"
KL_SETUP=$(kl_wine_winpath "$kl_setup")
export KL_SETUP
kl_wine_gtest "the installed program under Wine" kl_install_tests \
  --gtest_filter=-Installed.AfterAReinstallThePinnedRefreshRatesStay
kl_check "a reinstall keeps the user's values and restores the installer's" kl_inst_reinstall_keeps_user_values
kl_wine_gtest "a reinstalled program keeps the refresh rates the user pinned" kl_install_tests \
  --gtest_filter=Installed.AfterAReinstallThePinnedRefreshRatesStay
kl_check "a silent uninstall removes everything but a saved profile and the backups" \
  kl_inst_uninstall_keeps_user_files
kl_check "the uninstall stops and removes the r6probe driver" kl_inst_driver_removed
kl_check "a setup into another folder (/D=) and its uninstall" kl_inst_other_folder

# The end-to-end tests that follow run against a fresh installation.
kl_inst_remove_everything
kl_check "Kestrelune is installed again for the end-to-end tests" kl_wine_install "$kl_setup"
