# Installs what the project needs from Debian's packages, and builds.
# Sourced by tools/test and tools/run.

# xserver-xorg-core and xserver-xorg-video-dummy: the X server the Wine harness runs on
# (tools/wine/xorg-crt.conf), a monitor with real display modes and refresh rates.
# clang: its libFuzzer builds the fuzzers of tools/fuzz; llvm: llvm-profdata and llvm-cov
# for their line coverage (tools/fuzz --coverage).
# g++-mingw-w64-i686-posix: the 32-bit test programs (GoogleTest needs the posix model).
# fonts-wine: Windows' own fonts (Marlett for the caption buttons, MS Sans Serif, Tahoma);
# tools/wine/lib.sh makes the harness's prefixes draw in them.
KL_PACKAGES=(cmake g++ make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
             g++-mingw-w64-i686-posix
             binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64
             xserver-xorg-core xserver-xorg-video-dummy xdotool
             imagemagick nsis googletest clang llvm fonts-wine)

kl_die() {
  echo "" >&2
  echo "*** $*" >&2
  exit 1
}

kl_install_packages() {
  kl__install_debian_packages
}

kl__install_debian_packages() {
  local missing=() p
  for p in "${KL_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q || kl_die "apt-get update failed: cannot reach Debian's package repositories"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}" ||
    kl_die "apt-get could not install: ${missing[*]}"
}

# kl__tail_die LOG MESSAGE: dies with MESSAGE and the last lines LOG holds.
kl__tail_die() {
  echo "" >&2
  echo "*** $2" >&2
  echo "*** log: $1; its last lines:" >&2
  tail -n 15 "$1" | sed 's/^/***   | /' >&2
  exit 1
}

# 32-bit Wine, where the kernel runs 32-bit code: Debian's wine32:i386, which brings the
# 32-bit loader /usr/lib/wine/wine that a WINEARCH=win32 prefix (a 32-bit Windows as users
# have it) runs with. --no-install-recommends leaves out the X libraries that Wine's display
# driver opens at run time; without them 32-bit Wine reports a single display mode. A prefix
# made before they were there keeps that one mode, so the harness makes its 32-bit prefix
# afresh when this list changes (tools/wine/lib.sh).
KL_WINE32_PACKAGES=(wine32:i386 libxrandr2:i386 libxrender1:i386 libxinerama1:i386
                    libxcursor1:i386 libxi6:i386 libxcomposite1:i386 libxfixes3:i386
                    libxxf86vm1:i386)
KL_WINE32_LOADER=/usr/lib/wine/wine
KL_NO_32BIT_CODE_REASON="this machine's kernel runs no 32-bit code (it has no 32-bit code segment), so no 32-bit Windows program can start"

# Succeeds when the kernel lets a process run 32-bit code, as 32-bit Wine needs; a kernel
# built without 32-bit support does not, and then no package makes a 32-bit program start.
kl_kernel_runs_32bit_code() {
  local probe=$KL_ROOT/build/runs-32bit-code source=$KL_ROOT/tools/lib/runs-32bit-code.c rc=0
  mkdir -p "$KL_ROOT/build"
  if [ ! -x "$probe" ] || [ "$source" -nt "$probe" ]; then
    cc -O2 -o "$probe" "$source" >"$probe.log" 2>&1 || kl__tail_die "$probe.log" "cannot build $source"
  fi
  "$probe" || rc=$?
  [ $rc -le 1 ] || kl_die "$probe could not tell whether this kernel runs 32-bit code (exit $rc)"
  return $rc
}

# kl_install_wine32: installs 32-bit Wine where the kernel runs 32-bit code; elsewhere says
# that the 32-bit suites will not run (tests/wine/run.sh names them) and succeeds.
kl_install_wine32() {
  local missing=() p sudo="" log=$KL_ROOT/build/wine32-install.log
  if ! kl_kernel_runs_32bit_code; then
    echo "== no 32-bit Wine: $KL_NO_32BIT_CODE_REASON; the 32-bit suites will not run"
    return 0
  fi
  for p in "${KL_WINE32_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    [ -x "$KL_WINE32_LOADER" ] || kl_die "wine32:i386 is installed but $KL_WINE32_LOADER is missing"
    return 0
  fi
  echo "== installing 32-bit Wine: ${missing[*]}"
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  mkdir -p "$KL_ROOT/build"
  : >"$log"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 >>"$log" 2>&1 || kl__tail_die "$log" "dpkg --add-architecture i386 failed"
  fi
  # The i386 lists are read only once the architecture is added.
  apt-cache show wine32:i386 >/dev/null 2>&1 || $sudo apt-get update -q >>"$log" 2>&1 ||
    kl__tail_die "$log" "apt-get update failed: cannot reach Debian's package repositories"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q \
    --no-install-recommends "${missing[@]}" >>"$log" 2>&1 ||
    kl__tail_die "$log" "apt-get could not install 32-bit Wine: ${missing[*]}"
  [ -x "$KL_WINE32_LOADER" ] || kl__tail_die "$log" "wine32:i386 installed no $KL_WINE32_LOADER"
}

# kl_build NAME [cmake options...]: configures and builds build/NAME.
kl_build() {
  kl_build_targets "$1" "" "${@:2}"
}

# kl_build_targets NAME "TARGET..." [cmake options...]: configures build/NAME and builds the
# targets named (all when none is).
kl_build_targets() {
  local name=$1 targets=() t
  for t in $2; do targets+=(--target "$t"); done
  shift 2
  echo "== building $name"
  mkdir -p "$KL_ROOT/build"
  cmake -S "$KL_ROOT" -B "$KL_ROOT/build/$name" -DCMAKE_BUILD_TYPE=Release "$@" >"$KL_ROOT/build/$name.configure.log" 2>&1 ||
    { cat "$KL_ROOT/build/$name.configure.log" >&2; kl_die "configuring build/$name failed"; }
  cmake --build "$KL_ROOT/build/$name" -j2 "${targets[@]}" || kl_die "building build/$name failed"
}

KL_WIN32_TEST_TARGETS="kl_contract_tests kl_device_tests kl_toolkit_tests kl_e2e_tests kl_install_tests
  kl_startup_overclock_tests kl_driver_install_tests kl_label_fit_tests KlProbeTool KlPlatformReport
  r6probe_sim"

kl_build_all() {
  mkdir -p "$KL_ROOT/build"
  kl_build native
  kl_build win64 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-x86_64.cmake"
  # The 32-bit build is the shipped one: small, stripped, its symbols apart.
  kl_build win32 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-i686.cmake" -DKL_RELEASE=ON
  # The 32-bit test programs and the simulated card's i686 driver, for the 32-bit prefix.
  kl_build_targets win32-tests "$KL_WIN32_TEST_TARGETS" \
    -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-i686-posix.cmake"
}
