# Builds Kestrelune's setup program with makensis (installer/Kestrelune.nsi).
# Sourced by tools/release, tools/run and tests/wine/run.sh after tools/lib/setup.sh.

# kl_build_installer ARCH BIN OUTFILE [DRIVER]: ARCH is x86-unicode (the shipped 32-bit
# setup) or amd64-unicode (the 64-bit build, for wine64); BIN holds Kestrelune.exe,
# StartupOverclock.exe, DriverSetup.exe and r6probe.sys. DRIVER, when given, is installed
# as r6probe.sys instead (the simulated card's driver for Wine). Fails, with makensis's
# last lines, when the setup cannot be built.
kl_build_installer() {
  local arch=$1 bin=$2 out=$3 driver=${4:-} log
  local defines=(-DARCH="$arch" -DBIN="$(realpath "$bin")" -DOUTFILE="$(realpath -m "$out")")
  if [ -n "$driver" ]; then defines+=(-DDRIVER="$(realpath "$driver")"); fi
  log="$KL_ROOT/build/makensis-$arch.log"
  mkdir -p "$(dirname "$out")" "$KL_ROOT/build"
  rm -f "$out"
  if ! makensis -V2 "${defines[@]}" "$KL_ROOT/installer/Kestrelune.nsi" >"$log" 2>&1 ||
      [ ! -s "$out" ]; then
    echo "makensis could not build $out ($arch); the last lines of $log:" >&2
    tail -n 20 "$log" | sed 's/^/  | /' >&2
    return 1
  fi
}

# The folder a silent setup installs into by default, in the prefix and as Windows sees it.
KL_INSTALLED_WIN='C:\Program Files\Kestrelune'

# kl_installed_dir: the Linux path of that folder in the harness's prefix.
kl_installed_dir() { printf '%s\n' "$WINEPREFIX/drive_c/Program Files/Kestrelune"; }

# kl_wine_install SETUP [ARGS...]: runs the setup silently in the harness (tools/wine/lib.sh,
# started); extra arguments go after /S (a /D=folder must be last and without spaces:
# the setup reads it unquoted). Returns the setup's exit code, printing its output when
# it fails.
kl_wine_install() {
  local setup=$1 rc=0 log="$KL_ROOT/build/wine-setup.log"
  shift
  kl_wine_run --timeout 180 "$setup" /S "$@" >"$log" 2>&1 || rc=$?
  if [ "$rc" -ne 0 ]; then
    echo "$(basename "$setup") /S $* ended with exit code $rc; its last output lines:" >&2
    tail -n 20 "$log" | sed 's/^/  | /' >&2
  fi
  return "$rc"
}
