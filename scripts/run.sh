#!/usr/bin/env bash
# Builds the client and runs it under Wine.
#   With a display (DISPLAY set): the client starts on it, for you to use, in
#   build/bin beside the engine stand-in (a sample configuration is put there
#   when none exists). Arguments are passed on (an address opens profile 1).
#   Without a display: the client runs on a virtual display, is photographed with
#   its game window, the open resolution menu and the exit dialog, leaves through
#   the dialog's exit button, and the pictures' paths are printed.
set -uo pipefail
source "$(dirname "$0")/common.sh"
interactive=0
[ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ] && interactive=1
# Only what runs: the client and the engine stand-in (and, without a display, the tool that photographs them).
if [ $interactive = 1 ]; then
  LZG_TARGETS="${LZG_TARGETS:-lzgmin standin}" lzg_build || { echo "build failed"; exit 1; }
else
  LZG_TARGETS="${LZG_TARGETS:-lzgmin standin showcase}" lzg_build || { echo "build failed"; exit 1; }
fi
trap lzg_cleanup EXIT
lzg_display || exit 1
lzg_wine_start

if [ $interactive = 1 ]; then
  cd "$BUILD/bin"
  [ -f zeRoVedi.dat ] || cp "$ROOT/resources/sample/zeRoVedi.dat" zeRoVedi.dat
  wine ./lzgmin.exe "$@"
  rc=$?
  echo "lzgmin.exe ended with code $rc"
  exit $rc
fi

shots="$BUILD/screenshots"
rm -f "$shots"/run_*.bmp "$shots"/run_*.png
(cd "$BUILD/bin" && wine ./showcase.exe)
rc=$?
echo "The client ran on a virtual display (no DISPLAY was set); its pictures:"
for name in run_game_window run_resolution_menu run_exit_dialog; do
  if [ -f "$shots/$name.bmp" ]; then
    convert "$shots/$name.bmp" "$shots/$name.png" 2>/dev/null && rm -f "$shots/$name.bmp"
    echo "  $shots/$name.png"
  else
    echo "  ($name was not taken)"
  fi
done
exit $rc
