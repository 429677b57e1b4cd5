# Installs what the project needs from Debian's packages, and builds.
# Sourced by tools/test and tools/run.

# xserver-xorg-core and xserver-xorg-video-dummy: the X server the Wine harness runs on
# (tools/wine/xorg-crt.conf), a monitor with real display modes and refresh rates.
# clang: its libFuzzer builds the fuzzers of tools/fuzz; llvm: llvm-profdata and llvm-cov
# for their line coverage (tools/fuzz --coverage).
# g++-mingw-w64-i686-posix: the 32-bit test programs (GoogleTest needs the posix model).
KL_PACKAGES=(cmake g++ make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
             g++-mingw-w64-i686-posix
             binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64
             xserver-xorg-core xserver-xorg-video-dummy xdotool
             imagemagick nsis googletest clang llvm)

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
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" ||
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

# The Windows side of 32-bit Wine (Debian's libwine:i386), unpacked under build/wine-i386:
# with WINEDLLPATH at its lib/i386-linux-gnu/wine, wine64 runs 32-bit console programs in
# its WoW64 mode. Nothing of i386 is installed: the package is downloaded and unpacked only.
# Its version must be the installed Wine's, or the two halves do not fit together.
KL_WINE_I386_ROOT="$KL_ROOT/build/wine-i386"
KL_WINE_I386_DLLPATH="$KL_WINE_I386_ROOT/usr/lib/i386-linux-gnu/wine"
KL_NO_32BIT_CODE_REASON="this machine's kernel runs no 32-bit code (it has no 32-bit code segment), so Wine's WoW64 cannot start a 32-bit program"

# Succeeds when the kernel lets a 64-bit process run 32-bit code, as WoW64 needs; a kernel
# built without 32-bit support does not, and then no DLL makes a 32-bit program start.
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

kl_install_wow64() {
  local version root=$KL_WINE_I386_ROOT log=$KL_WINE_I386_ROOT.log sudo="" deb
  if ! kl_kernel_runs_32bit_code; then
    echo "== no 32-bit Wine: $KL_NO_32BIT_CODE_REASON; the 32-bit suites will not run"
    rm -rf "$root"  # a prefix would wait for 32-bit system DLLs that cannot be installed
    return 0
  fi
  version=$(dpkg-query -W -f='${Version}' libwine:amd64 2>/dev/null) ||
    kl_die "libwine:amd64 is not installed (it comes with wine64)"
  if [ -f "$KL_WINE_I386_DLLPATH/i386-windows/kernel32.dll" ] &&
    [ "$(cat "$root/.version" 2>/dev/null)" = "$version" ]; then
    return 0
  fi
  echo "== unpacking libwine:i386 $version into build/wine-i386"
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  mkdir -p "$(dirname "$log")"
  : >"$log"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386 >>"$log" 2>&1 || kl__tail_die "$log" "dpkg --add-architecture i386 failed"
  fi
  # A mirror that is syncing fails some i386 lists; the download below says whether the
  # one list that matters was read.
  apt-cache show "libwine:i386=$version" >/dev/null 2>&1 || $sudo apt-get update -q >>"$log" 2>&1 || true
  rm -rf "$root"
  mkdir -p "$root"
  (cd "$root" && apt-get download "libwine:i386=$version") >>"$log" 2>&1 ||
    kl__tail_die "$log" "apt-get download libwine:i386=$version failed"
  deb=$(ls "$root"/libwine_*_i386.deb 2>/dev/null | head -n 1)
  [ -n "$deb" ] || kl__tail_die "$log" "apt-get download left no libwine .deb in $root"
  dpkg -x "$deb" "$root" >>"$log" 2>&1 || kl__tail_die "$log" "dpkg -x $deb failed"
  rm -f "$deb"
  [ -f "$KL_WINE_I386_DLLPATH/i386-windows/kernel32.dll" ] ||
    kl__tail_die "$log" "libwine:i386 has no i386-windows/kernel32.dll under $KL_WINE_I386_DLLPATH"
  echo "$version" >"$root/.version"
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

kl_build_all() {
  mkdir -p "$KL_ROOT/build"
  kl_build native
  kl_build win64 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-x86_64.cmake"
  # The 32-bit build is the shipped one: small, stripped, its symbols apart.
  kl_build win32 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-i686.cmake" -DKL_RELEASE=ON
  # The 32-bit test programs that run under WoW64.
  kl_build_targets win32-tests "kl_contract_tests kl_device_tests" \
    -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-i686-posix.cmake"
}
