# Shared by scripts/build, scripts/test and scripts/demo. Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
case "$BUILD_DIR" in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac

REQUIRED_PACKAGES=(cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 googletest rsyslog wixl)

# Installs whatever is missing (Debian 12, as root or through sudo).
ensure_packages() {
  local missing=()
  for p in "${REQUIRED_PACKAGES[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

configure_and_build() {
  cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
  cmake --build "$BUILD_DIR" -- -j"$(nproc)"
}

# The Windows Installer package, from the programs in $BUILD_DIR/bin.
build_installer() {
  "$ROOT/installer/build-msi" "$BUILD_DIR"
}

# A quiet Wine prefix under the build directory, set to Windows 10.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}

prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating Wine prefix in $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    # The first-boot wineserver must be gone before a persistent one starts,
    # or the service control manager can be left inconsistent.
    wineserver -w
    wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
    wineserver -w
  fi
}

start_wineserver() {
  # One left running (by an interrupted run) is simply reused.
  wineserver -p 2>/dev/null || true
  # Waking the prefix once starts its services (the SCM among them).
  wine cmd /c exit >/dev/null 2>&1 || true
}

stop_wineserver() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# Windows path of a Linux path in the prefix (Z: maps to /).
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"; }
