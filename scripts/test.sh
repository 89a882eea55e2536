#!/usr/bin/env bash
# Builds everything and runs every test: the Windows tests under Wine, then the native checks.
set -uo pipefail
source "$(dirname "$0")/common.sh"
lzg_build || { echo "build failed"; exit 1; }
trap lzg_cleanup EXIT
lzg_display
lzg_wine_start
rc=0
# Tests that measure something append their figures here; printed at the end.
export LZG_FIGURES="Z:$BUILD/figures.txt"
rm -f "$BUILD/figures.txt"
# Tests clean up after themselves: what an earlier, interrupted run left is cleared first, and anything this run
# leaves in the prefix's temporary folder or its application data fails it.
leftovers() {
  find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 4 \( -path '*/Temp/lzgtest_*' -o \
    -path '*/AppData/Roaming/lzgmin' -o -path '*/Temp/lzgmin' -o -path '*/Temp/lzgmin3game' \) 2>/dev/null
}
leftovers | xargs -r rm -rf
(cd "$BUILD" && ctest --output-on-failure --no-tests=error --timeout 600 "$@") || rc=$?
left=$(leftovers)
if [ -n "$left" ]; then
  echo "=== tests left these behind in the Wine prefix:"; echo "$left"; rc=1
  echo "$left" | xargs -r rm -rf
fi
# The native sanitizer and fuzz run belongs to every whole run: a lost script or run bit fails it.
if [ $# = 0 ]; then
  if [ -x "$ROOT/scripts/native-tests.sh" ]; then
    "$ROOT/scripts/native-tests.sh" || rc=1
  else
    echo "scripts/native-tests.sh is missing or not executable"; rc=1
  fi
fi
if [ -s "$BUILD/figures.txt" ]; then
  echo "=== figures"
  tr -d '\r' < "$BUILD/figures.txt"
fi
exit $rc
