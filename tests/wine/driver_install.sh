# The r6probe driver's installation under Wine (tests/wine/driver_install_test.cpp).
# Sourced by tests/wine/run.sh with the harness up (the 32-bit prefix) and
# tools/wine/driver.sh loaded: builds the test installer around installer/driver.nsh, the
# shipped driver and DriverSetup.exe, removes the harness's test driver service for the run
# and sets it up again afterwards.

kl_driver_installer="$(kl_wine_test_bin)/KlDriverInstallTest.exe"
kl_driver_bin="$KL_ROOT/build/win32/bin"

kl_build_driver_installer() {
  local log="$KL_ROOT/build/driver-installer.log" bin=$kl_driver_bin
  if ! makensis -V2 -DKL_DRIVER="$bin/r6probe.sys" -DKL_SETUP="$bin/DriverSetup.exe" \
      -DKL_OUTFILE="$kl_driver_installer" "$KL_ROOT/tests/wine/driver_install_test.nsi" >"$log" 2>&1; then
    echo "makensis failed on tests/wine/driver_install_test.nsi:" >&2
    tail -n 8 "$log" >&2
    return 1
  fi
}

kl_check "the test installer around installer/driver.nsh builds" kl_build_driver_installer
kl_check "the harness's r6probe service is removed for the installation tests" kl_wine_driver_uninstall
KL_DRIVER_INSTALLER=$(kl_wine_winpath "$kl_driver_installer") \
  KL_SIM_DRIVER=$(kl_wine_winpath "$(kl_wine_driver_file)") \
  KL_REAL_DRIVER=$(kl_wine_winpath "$kl_driver_bin/r6probe.sys") \
  kl_wine_gtest "r6probe driver installation under Wine" kl_driver_install_tests
kl_check "the r6probe test driver is set up again with the Radeon 8500" kl_wine_driver_setup
