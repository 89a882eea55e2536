# Shared by run.sh and test.sh: install, build, and a Wine session with a display.
# shellcheck shell=bash
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="${LZG_BUILD_DIR:-$ROOT/build}"
export LZG_BUILD_DIR="$BUILD"
# shellcheck source=wine-env.sh
source "$ROOT/scripts/wine-env.sh"

lzg_build() {
  bash "$ROOT/scripts/install-deps.sh"
  bash "$ROOT/scripts/build-libjpeg.sh" "$BUILD"
  mkdir -p "$BUILD"
  # Configure every time (quick once cached): new areas and test folders are picked up.
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-w64-mingw32.cmake" >"$BUILD/configure.log" 2>&1 \
    || { cat "$BUILD/configure.log"; return 1; }
  # LZG_TARGETS limits the build to some targets (work on one area).
  local targets=() t
  for t in ${LZG_TARGETS:-}; do targets+=(--target "$t"); done
  local log="$BUILD/build.log"
  if ! cmake --build "$BUILD" "${targets[@]}" -- -j"$(nproc)" >"$log" 2>&1; then
    grep -vE '^\[[0-9]+/[0-9]+\] ' "$log" | tail -n 80
    return 1
  fi
  grep -iE 'warning' "$log" | head -n 20 || true
}

XVFB_PID=""
# A virtual display when none is set; false (with the reason) when the display does not answer.
lzg_display() {
  if [ -z "${DISPLAY:-}" ]; then
    local n=90
    while [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && break
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
  fi
  if ! xdpyinfo >/dev/null 2>&1; then
    echo "the display $DISPLAY does not answer${XVFB_PID:+ (the virtual display did not come up)}" >&2
    return 1
  fi
}

lzg_wine_start() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
  # Settings of the prefix, applied once per version of this list: Chinese text
  # in the window fonts (the CJK faces mapped onto the Debian font), smoothed
  # text as the players' Windows draws it, and no crash dialogs in test runs.
  local marker="$WINEPREFIX/.lzg-settings-v2"
  if [ ! -f "$marker" ]; then
    cat > "$BUILD/prefix.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"SimSun"="WenQuanYi Zen Hei"
"NSimSun"="WenQuanYi Zen Hei"
"SimHei"="WenQuanYi Zen Hei"
"Microsoft YaHei"="WenQuanYi Zen Hei"
"MS Shell Dlg"="WenQuanYi Zen Hei"
"MS Shell Dlg 2"="WenQuanYi Zen Hei"

[HKEY_CURRENT_USER\Control Panel\Desktop]
"FontSmoothing"="2"
"FontSmoothingType"=dword:00000002
"FontSmoothingGamma"=dword:00000578
"FontSmoothingOrientation"=dword:00000001

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Drivers]
"Audio"=""
REG
    wine regedit "$BUILD/prefix.reg" >/dev/null 2>&1 || true
    wineserver -w
    touch "$marker"
  fi
  # A persistent server and Wine's own services for the whole run, started here with
  # their output to /dev/null: started from a test, they would hold CTest's pipes open.
  wineserver -p >/dev/null 2>&1 </dev/null
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  # Wine hands top-level windows to the display's window manager and, when one ends, waits up to 2 s for the
  # manager to let it go. The virtual display has no manager to answer: there Wine keeps its windows itself.
  local managed=Y
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || managed=N
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1 </dev/null || true
}

lzg_cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
}
