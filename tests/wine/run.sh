# The Windows test programs under Wine. Sourced by tools/test once the
# harness is up (tools/wine/lib.sh) with the counters of tools/lib/tally.sh.

kl_wine_bin="$KL_ROOT/build/win64/bin"

# kl_wine_gtest LABEL PROGRAM [ARGS...]: a GoogleTest program under Wine.
kl_wine_gtest() {
  local label=$1 program=$2
  shift 2
  local log="$KL_ROOT/build/wine-$program.log"
  echo "== $label"
  kl_wine_set_version winxp
  kl_wine_run "$kl_wine_bin/$program.exe" "$@" >"$log" 2>&1 || true
  grep -E "^\[  (FAILED|SKIPPED) |Failure|^\[==========\]" -A4 "$log" || true
  kl_gtest_log "$label" "$log"
}

# Screenshots of the ten pages and of the About window, taken by the end-to-end run as BMP files.
kl_wine_screenshots() {
  local folder="$KL_ROOT/build/screenshots" bmp
  rm -f "$folder"/page-*.bmp "$folder"/page-*.png "$folder"/window-*.bmp "$folder"/window-*.png
  mkdir -p "$folder"
  KL_SCREENSHOTS=$(kl_wine_winpath "$folder") kl_wine_gtest "end-to-end tests of Kestrelune.exe" kl_e2e_tests
  for bmp in "$folder"/page-*.bmp "$folder"/window-*.bmp; do
    [ -e "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
  kl_check "a screenshot of each of the ten pages" \
    test "$(ls "$folder"/page-*.png 2>/dev/null | wc -l)" -eq 10
  kl_check "a screenshot of the About window" test -s "$folder/window-about.png"
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
  local version=$1 expected=$2 self
  self=$(kl_wine_winpath "$kl_wine_bin/KlPlatformReport.exe")
  kl_wine_set_version "$version"
  kl_wine_run "$kl_wine_bin/KlPlatformReport.exe" "$self" 2>&1 | tr -d '\r' \
    >"$KL_ROOT/build/wine-report-$version.txt" || true
  kl_check "Wine as $version reports Windows $expected" \
    kl_report_has "$version" "windows-version: $expected"
}

source "$KL_ROOT/tools/wine/driver.sh"
kl_check "the r6probe test driver is installed and answers with the Radeon 8500" kl_wine_driver_setup
kl_wine_gtest "r6probe device tests under Wine" kl_device_tests
kl_check "the r6probe test driver runs the Radeon 8500 again" kl_wine_driver_card r8500
source "$KL_ROOT/tests/wine/driver_install.sh"

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
KL_READONLY_PROFILE=$(kl_readonly_profile) \
  kl_wine_gtest "platform contract tests under Wine" kl_contract_tests
# The shipped 32-bit code under WoW64: the contract cases and the device requests built for
# i686, and the 32-bit OC\StartupOverclock.exe against the real registry and the driver.
source "$KL_ROOT/tools/wine/wow64.sh"
kl_wine_gtest32() {
  local label=$1 program=$2 log="$KL_ROOT/build/wine32-$2.log"
  echo "== $label"
  kl_wine_set_version winxp
  kl_wine_run32 "$KL_ROOT/build/win32-tests/bin/$program.exe" >"$log" 2>&1 || true
  grep -E "^\[  (FAILED|SKIPPED) |Failure|^\[==========\]" -A4 "$log" || tail -n 20 "$log"
  kl_gtest_log "$label" "$log"
}
if kl_kernel_runs_32bit_code; then
  kl_check "32-bit programs run under WoW64" kl_wine_wow64_ready
  KL_READONLY_PROFILE=$(kl_readonly_profile) \
    kl_wine_gtest32 "32-bit platform contract tests under WoW64" kl_contract_tests
  kl_wine_gtest32 "32-bit r6probe device tests under WoW64" kl_device_tests
  KL_STARTUP_OVERCLOCK=$(kl_wine_winpath "$KL_ROOT/build/win32/bin/StartupOverclock.exe") \
    kl_wine_gtest "the 32-bit StartupOverclock.exe under WoW64" kl_startup_overclock_tests
else
  kl_not_run "the shipped 32-bit code under WoW64 (contract, device and StartupOverclock.exe suites)" \
    "$KL_NO_32BIT_CODE_REASON"
fi
kl_check "HKCU\\Software\\Kestrelune is as installed again" kl_wine_reset_program_key
chattr -i "$KL_ROOT/build/wine-readonly/readonly.kpf" 2>/dev/null || true
kl_wine_gtest "toolkit tests under Wine" kl_toolkit_tests
# Setup, reinstall and uninstall; it leaves Kestrelune installed and sets KL_E2E_PROGRAM,
# so the end-to-end tests drive the installed program.
source "$KL_ROOT/tests/wine/installer.sh"
kl_wine_screenshots
kl_wine_report winxp 5.1
kl_wine_report win2k 5.0
kl_wine_report win7 6.1
kl_check "the seeded driver key is found through HARDWARE\\DEVICEMAP\\VIDEO" \
  kl_report_has winxp "driver-drv: ati2dvag"
kl_check "the seeded card description is read from the driver key" \
  kl_report_has winxp "driver-description: RADEON 8500 Series"
# The X server's monitor as Windows programs see it: a mode list to pick refresh rates from
# (lines "display-mode: 800x600 16 bpp 75 Hz"), an adapter the refresh-rate page can pick, and
# a desktop the main window fits on.
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
