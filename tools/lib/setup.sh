# Installs what the project needs from Debian's packages, and builds.
# Sourced by tools/test and tools/run.

# xserver-xorg-core and xserver-xorg-video-dummy: the X server the Wine harness runs on
# (tools/wine/xorg-crt.conf), a monitor with real display modes and refresh rates.
# clang: its libFuzzer builds the fuzzers of tools/fuzz.
KL_PACKAGES=(cmake g++ make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-win32
             binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64
             xserver-xorg-core xserver-xorg-video-dummy xdotool
             imagemagick nsis googletest clang)

kl_die() {
  echo "" >&2
  echo "*** $*" >&2
  exit 1
}

kl_install_packages() {
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

# kl_build NAME [cmake options...]: configures and builds build/NAME.
kl_build() {
  local name=$1
  shift
  echo "== building $name"
  cmake -S "$KL_ROOT" -B "$KL_ROOT/build/$name" -DCMAKE_BUILD_TYPE=Release "$@" >"$KL_ROOT/build/$name.configure.log" 2>&1 ||
    { cat "$KL_ROOT/build/$name.configure.log" >&2; kl_die "configuring build/$name failed"; }
  cmake --build "$KL_ROOT/build/$name" -j2 || kl_die "building build/$name failed"
}

kl_build_all() {
  mkdir -p "$KL_ROOT/build"
  kl_build native
  kl_build win64 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-x86_64.cmake"
  # The 32-bit build is the shipped one: small, stripped, its symbols apart.
  kl_build win32 -DCMAKE_TOOLCHAIN_FILE="$KL_ROOT/cmake/mingw-w64-i686.cmake" -DKL_RELEASE=ON
}
