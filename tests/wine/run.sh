# The Windows test programs under Wine, in the prefixes the harness makes
# (tools/wine/lib.sh). Sourced by tools/test with lib.sh and the counters of
# tools/lib/tally.sh loaded; each part starts the harness and stops it again.
#
#   the 64-bit build, in a 64-bit prefix: a short smoke run (the platform contract, the
#     setup, and the installed program started, every page, Apply, close)
#   the shipped 32-bit build, in a 32-bit prefix (WINEARCH=win32) as users have it, where
#     the kernel runs 32-bit code: the driver built for i686, the device, contract and
#     toolkit tests, the 32-bit setup, the installed program and the whole end-to-end
#     suite on Windows XP, then the end-to-end suite again on Windows 2000

source "$KL_ROOT/tools/wine/driver.sh"
source "$KL_ROOT/tools/lib/installer.sh"

# kl_wine_gtest LABEL PROGRAM [ARGS...]: a GoogleTest program of the prefix's architecture
# (kl_wine_test_bin) under Wine, on Windows XP.
kl_wine_gtest() {
  local label=$1 program=$2
  shift 2
  local log="$KL_ROOT/build/wine-$KL_WINEARCH-$program${KL_GTEST_LOG_SUFFIX:-}.log"
  echo "== $label"
  kl_wine_set_version winxp
  kl_wine_run "$(kl_wine_test_bin)/$program.exe" "$@" >"$log" 2>&1 || true
  grep -E "^\[  (FAILED|SKIPPED) |Failure|^\[==========\]" -A4 "$log" || tail -n 20 "$log"
  kl_gtest_log "$label" "$log"
}

# kl_wine_part_start ARCH: starts the harness for a win64 or win32 prefix; a failure to start
# counts as failed and the caller skips the part.
kl_wine_part_start() {
  KL_WINEARCH=$1
  if kl_wine_start; then
    echo "== Wine $KL_WINEARCH prefix $WINEPREFIX, loader $KL_WINE"
    return 0
  fi
  KL_FAILED=$((KL_FAILED + 1)); KL_FAILURES+=("the Wine harness could not start a $1 prefix")
  kl_wine_stop
  return 1
}

# Wine run as root writes to read-only files regardless of the attribute, so
# the contract case for a file the user cannot write gets an immutable one.
kl_readonly_profile() {
  local dir="$KL_ROOT/build/wine-readonly"
  mkdir -p "$dir"
  chattr -i "$dir/readonly.kpf" 2>/dev/null || true
  printf '[DirectX]\r\nVSync=1\r\n' >"$dir/readonly.kpf"
  if ! chattr +i "$dir/readonly.kpf" 2>"$dir/chattr.log"; then
    echo "cannot make $dir/readonly.kpf immutable: $(tail -n 3 "$dir/chattr.log")" >&2
  fi
  kl_wine_winpath "$dir/readonly.kpf"
}
kl_contract_suite() {
  KL_READONLY_PROFILE=$(kl_readonly_profile) kl_wine_gtest "$1" kl_contract_tests
  chattr -i "$KL_ROOT/build/wine-readonly/readonly.kpf" 2>/dev/null || true
}

# Screenshots of the ten pages and of the About window, taken by the end-to-end run as BMP
# files into FOLDER and turned into PNG files there.
kl_wine_screenshots_to_png() {
  local folder=$1 bmp
  for bmp in "$folder"/page-*.bmp "$folder"/window-*.bmp; do
    [ ! -e "$bmp" ] || { convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"; } ||
      echo "could not turn $bmp into a PNG file" >&2
  done
  return 0
}
kl_wine_clear_screenshots() {
  rm -f "$1"/page-*.bmp "$1"/page-*.png "$1"/window-*.bmp "$1"/window-*.png
  mkdir -p "$1"
}

# kl_report_has VERSION LINE: the platform report under VERSION holds LINE.
kl_report_has() {
  grep -qxF "$2" "$KL_ROOT/build/wine-report-$1.txt"
}

# kl_report_displays VERSION AWK: AWK (exit 0 when it holds) over the display lines of the
# report; shows those lines when it does not hold.
kl_report_displays() {
  local report="$KL_ROOT/build/wine-report-$1.txt"
  awk "$2" "$report" && return 0
  echo "   display lines of $report:" >&2
  grep -E '^display-' "$report" | sed 's/^/     /' | head -n 40 >&2
  return 1
}

kl_wine_report() {
  local version=$1 expected=$2 exe
  exe="$(kl_wine_test_bin)/KlPlatformReport.exe"
  kl_wine_set_version "$version"
  kl_wine_run "$exe" "$(kl_wine_winpath "$exe")" 2>&1 | tr -d '\r' \
    >"$KL_ROOT/build/wine-report-$version.txt" || true
  kl_check "Wine as $version reports Windows $expected" \
    kl_report_has "$version" "windows-version: $expected"
}

kl_wine_reports() {
  kl_wine_report winxp 5.1
  kl_wine_report win2k 5.0
  kl_wine_report win7 6.1
  kl_wine_set_version winxp
  kl_check "the seeded driver key is found through HARDWARE\\DEVICEMAP\\VIDEO" \
    kl_report_has winxp "driver-drv: ati2dvag"
  kl_check "the seeded card description is read from the driver key" \
    kl_report_has winxp "driver-description: RADEON 8500 Series"
  # The X server's monitor as Windows programs see it: a mode list to pick refresh rates
  # from (lines "display-mode: 800x600 16 bpp 75 Hz"), an adapter the refresh-rate page can
  # pick, and a desktop the main window fits on.
  kl_check "the display modes at 16 bpp: four or more resolutions with three or more rates each" \
    kl_report_displays winxp '$1 == "display-mode:" && $3 == 16 && $5 > 0 && !seen[$2 " " $5]++ { rates[$2]++ }
      END { for (r in rates) if (rates[r] >= 3) n++; exit !(n >= 4) }'
  kl_check "a display device whose state flags are not exactly 1, 2, 8 or 16" \
    kl_report_displays winxp '$1 ~ /^display-device-[0-9]+:$/ && $NF !~ /^0x(1|2|8|10)$/ { found = 1 }
      END { exit !found }'
  kl_check "the desktop starts at 1024x768" \
    kl_report_displays winxp '$1 == "display-current:" && $2 == "1024x768" { found = 1 } END { exit !found }'
  kl_check "the version resource of a Windows program reads 1.60" \
    grep -qE "^file-version .*KlPlatformReport.exe: 1\.60\.0\.0$" "$KL_ROOT/build/wine-report-winxp.txt"
}

# ---- the 64-bit build: a smoke run -------------------------------------------------------
if kl_wine_part_start win64; then
  kl_setup64="$KL_ROOT/build/win64/setup/Kestrelune-1.60-setup.exe"
  kl_check "the x86_64 r6probe test driver is installed and answers with the Radeon 8500" kl_wine_driver_setup
  kl_contract_suite "64-bit platform contract tests"
  kl_check "the 64-bit setup program builds" \
    kl_build_installer amd64-unicode "$KL_ROOT/build/win64/bin" "$kl_setup64" "$(kl_wine_driver_file)"
  kl_wine_run --timeout 60 reg delete 'HKCU\Software\Kestrelune' /f >/dev/null 2>&1 || true
  rm -rf "$(kl_installed_dir)"
  kl_check "the 64-bit setup installs Kestrelune silently" kl_wine_install "$kl_setup64"
  kl_folder="$KL_ROOT/build/screenshots/win64"
  kl_wine_clear_screenshots "$kl_folder"
  KL_E2E_PROGRAM="$KL_INSTALLED_WIN\\Kestrelune.exe" KL_SCREENSHOTS=$(kl_wine_winpath "$kl_folder") \
    kl_wine_gtest "the installed 64-bit Kestrelune: start, every page, Apply, close" kl_e2e_tests \
    --gtest_filter='EndToEnd.StartsOnXpAndWindows2000WithTenPages:EndToEnd.ApplyShowsTheProgressDialogAndClearsTheMarker'
  kl_wine_screenshots_to_png "$kl_folder"
  kl_check "the 64-bit smoke run saw all ten pages" \
    test "$(ls "$kl_folder"/page-*.png 2>/dev/null | wc -l)" -eq 10
  kl_wine_stop
fi

# ---- the shipped 32-bit build, in a 32-bit Windows ---------------------------------------
if ! kl_kernel_runs_32bit_code; then
  kl_not_run "the shipped 32-bit build in a 32-bit Wine prefix (driver, device, contract, toolkit, setup, installed program and end-to-end suites on XP and 2000)" \
    "$KL_NO_32BIT_CODE_REASON"
elif kl_wine_part_start win32; then
  kl_check "the i686 r6probe test driver is installed and answers with the Radeon 8500" kl_wine_driver_setup
  kl_wine_gtest "r6probe device tests" kl_device_tests
  kl_check "the r6probe test driver runs the Radeon 8500 again" kl_wine_driver_card r8500
  source "$KL_ROOT/tests/wine/driver_install.sh"
  kl_contract_suite "platform contract tests"
  KL_STARTUP_OVERCLOCK=$(kl_wine_winpath "$KL_ROOT/build/win32/bin/StartupOverclock.exe") \
    kl_wine_gtest "the shipped StartupOverclock.exe" kl_startup_overclock_tests
  kl_check "HKCU\\Software\\Kestrelune is as installed again" kl_wine_reset_program_key
  kl_wine_gtest "toolkit tests" kl_toolkit_tests
  kl_wine_gtest "every label of the program's windows fits its text, in Windows' fonts" kl_label_fit_tests
  # Setup, reinstall and uninstall; it leaves Kestrelune installed and sets KL_E2E_PROGRAM,
  # so the end-to-end tests drive the installed program.
  source "$KL_ROOT/tests/wine/installer.sh"
  kl_folder="$KL_ROOT/build/screenshots"
  kl_wine_clear_screenshots "$kl_folder"
  KL_SCREENSHOTS=$(kl_wine_winpath "$kl_folder") \
    kl_wine_gtest "end-to-end tests of the installed Kestrelune.exe on Windows XP" kl_e2e_tests
  kl_wine_screenshots_to_png "$kl_folder"
  kl_check "a screenshot of each of the ten pages" \
    test "$(ls "$kl_folder"/page-*.png 2>/dev/null | wc -l)" -eq 10
  kl_check "a screenshot of the About window" test -s "$kl_folder/window-about.png"
  KL_E2E_WINDOWS=win2k KL_GTEST_LOG_SUFFIX=-win2k \
    kl_wine_gtest "end-to-end tests of the installed Kestrelune.exe on Windows 2000" kl_e2e_tests
  kl_wine_reports
  kl_wine_stop
fi
