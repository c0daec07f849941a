# Shared by scripts/test and scripts/run: packages, builds, and the Wine bench.
# shellcheck shell=bash
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

BUILD_PACKAGES="g++ cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix googletest nsis clang-format"
RUN_PACKAGES="wine wine64 xvfb xauth imagemagick xdotool x11-utils"

# The product's version, as CMake's project() line states it.
kinetra_version() {
  sed -nE '/^project\(/{s/.*VERSION +([0-9]+(\.[0-9]+)*).*/\1/p;q}' "$ROOT/CMakeLists.txt"
}
# The same in the four numbers a Windows version resource holds.
kinetra_version4() {
  local version; version=$(kinetra_version)
  while [ "$(tr -cd . <<<"$version" | wc -c)" -lt 3 ]; do version="$version.0"; done
  echo "$version"
}

log() { printf '[kinetra] %s\n' "$*" >&2; }

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# A mirror caught mid-sync fails one index of many (seen: the security archive's i386 list), so
# an update that read the rest goes on. Without that list the 32-bit libraries Wine needs cannot
# match the newer 64-bit ones in the security archive; the release's own archive has both at
# the same versions, so a failed install is tried once more from there alone.
apt_update() {
  as_root apt-get update -qq || log "apt-get update could not read every index; installing from what it read"
}
apt_install() {
  local codename; codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "$@" >/dev/null && return 0
  [ -n "$codename" ] || return 1
  log "installing again from $codename alone, where 32-bit and 64-bit versions agree"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends -t "$codename" "$@" >/dev/null
}

# Installs what is missing, once; a second run costs one dpkg query.
ensure_packages() {
  local missing=() pkg
  # The 32-bit probe assembles and links a program: without binutils a fresh machine that runs
  # 32-bit code would be taken for one that cannot, and test the 64-bit build instead.
  if ! command -v as >/dev/null || ! command -v ld >/dev/null; then
    log "installing: binutils"
    apt_update
    apt_install binutils
  fi
  for pkg in $BUILD_PACKAGES $RUN_PACKAGES; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  local wine32=no
  if can_run_32bit && { [ -n "${KINETRA_WINE32_FAILS:-}" ] ||
       ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; }; then
    wine32=yes
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing: ${missing[*]}"
    apt_update
    apt_install "${missing[@]}"
  fi
  [ "$wine32" = yes ] || return 0
  install_wine32 || use_win64_instead
}

# 32-bit Wine, from the i386 archive. KINETRA_WINE32_FAILS=1 makes it fail on purpose, to try
# the way a machine takes when its mirror cannot give it.
install_wine32() {
  [ -z "${KINETRA_WINE32_FAILS:-}" ] || return 1
  log "installing: wine32:i386"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  apt_update
  apt_install wine32:i386
}

# A mirror whose i386 index is out of step with amd64 (the amd64 libssl3 or libexpat1 newer
# than any i386 build it offers) cannot install 32-bit Wine at all. The tests then run the
# x86_64 build under 64-bit Wine, as on a kernel that cannot run 32-bit code.
use_win64_instead() {
  log "!!! 32-bit Wine could not be installed: the tests run the x86_64 build under 64-bit Wine,"
  log "!!! not the i686 product itself. Install wine32:i386 to test the product as it ships."
  export KINETRA_FORCE_WIN64=1 KINETRA_CAN_RUN_32=no
}

# Some hosts (sandboxed kernels) cannot execute 32-bit code at all, and so cannot run 32-bit
# Wine. There the tests run on the 64-bit build of the same sources under 64-bit Wine.
can_run_32bit() {
  [ -n "${KINETRA_FORCE_WIN64:-}" ] && return 1
  if [ -z "${KINETRA_CAN_RUN_32:-}" ]; then
    # A static 32-bit program that only exits: if the kernel runs it, it runs 32-bit Wine.
    local dir; dir=$(mktemp -d)
    KINETRA_CAN_RUN_32=no
    if printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' \
        | as --32 -o "$dir/p.o" 2>/dev/null && ld -m elf_i386 -o "$dir/p" "$dir/p.o" 2>/dev/null \
        && "$dir/p" 2>/dev/null; then
      KINETRA_CAN_RUN_32=yes
    fi
    rm -rf "$dir"
    export KINETRA_CAN_RUN_32
  fi
  [ "$KINETRA_CAN_RUN_32" = yes ]
}

# Chooses the preset that runs here and the Wine loader for it.
select_bench() {
  if can_run_32bit; then
    TEST_PRESET=mingw; TEST_BUILD="$ROOT/build/mingw"; export WINEARCH=win32; WINE_LOADER=/usr/lib/wine/wine
  else
    TEST_PRESET=mingw64; TEST_BUILD="$ROOT/build/x64"; export WINEARCH=win64; WINE_LOADER=/usr/lib/wine/wine64
  fi
  # A second working tree of the tests (another developer's or a helper's) keeps its own
  # build, prefix and display: KINETRA_TEST_BUILD=build/mine scripts/test
  if [ -n "${KINETRA_TEST_BUILD:-}" ]; then TEST_BUILD=$(realpath -m "$KINETRA_TEST_BUILD"); fi
  export WINELOADER=$WINE_LOADER
  export WINEPREFIX="$TEST_BUILD/wineprefix"
  export WINEDEBUG=-all
  # A crash must end the process, not wait for a debugger that nobody attends.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
}

build_preset() {
  local preset=$1
  cmake --preset "$preset" -DKINETRA_WINE="$WINE_LOADER" >/dev/null
  cmake --build --preset "$preset"
}

build_tests() {
  if [ -n "${KINETRA_TEST_BUILD:-}" ]; then
    local toolchain=mingw-x86_64; [ "$TEST_PRESET" = mingw ] && toolchain=mingw-i686
    cmake -S "$ROOT" -B "$TEST_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$toolchain.cmake" -DKINETRA_WINE="$WINE_LOADER" >/dev/null
    cmake --build "$TEST_BUILD"
  else
    build_preset "$TEST_PRESET"
  fi
}

XVFB_PID=""
start_bench() {
  if [ -z "${DISPLAY:-}" ] || [ -n "${KINETRA_PRIVATE_DISPLAY:-}" ]; then
    # Xvfb picks a free display number itself, so parallel benches never collide.
    local fdfile; fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    rm -f "$fdfile"
  fi
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1 || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "preparing the Wine prefix ($WINEARCH)"
  fi
  "$WINE_LOADER" wineboot -u </dev/null >/dev/null 2>&1 || true
  # No window manager runs on a private display, and Wine's X11 driver waits 2 s for one to
  # withdraw each top-level window it hides (the sheet closing, every dialog closing): the
  # program's thread stands still meanwhile, which Windows never does. Unmanaged windows are
  # hidden at once. On a person's own desktop its window manager does the managing.
  local managed=(reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f)
  [ -n "$XVFB_PID" ] && managed=(reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f)
  "$WINE_LOADER" "${managed[@]}" </dev/null >/dev/null 2>&1 || true
  # Processes Wine starts (services, explorer) must be up before ctest owns the output pipe.
  "$WINE_LOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

stop_bench() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
