#!/usr/bin/env bash
# Builds everything and runs every test: the Windows tests under Wine, then the native checks.
set -uo pipefail
source "$(dirname "$0")/common.sh"
lzg_build || { echo "build failed"; exit 1; }
trap lzg_cleanup EXIT
lzg_display || exit 1
lzg_wine_start
rc=0
# Tests that measure something append their figures here; printed at the end.
export LZG_FIGURES="Z:$BUILD/figures.txt"
rm -f "$BUILD/figures.txt"
# Tests clean up after themselves. Every test process keeps its temporary folder and its application data under
# one folder of the build (tests/support/isolated_appdata.cpp), which must be empty after the run; the prefix's
# own temporary folder and application data must stay free of the client's folders too. What an earlier,
# interrupted run left is cleared first. The folder lies on the prefix's drive C: as a player's would (on the Z:
# drive, Wine gives every file the same identity, and copying one file over another fails).
TESTDATA="$WINEPREFIX/drive_c/lzgtestdata"
export LZGTEST_ROOT='C:\lzgtestdata'
leftovers() {
  find "$TESTDATA" -mindepth 1 -maxdepth 3 2>/dev/null
  find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 4 \( -path '*/Temp/lzgtest_*' -o -path '*/Temp/lzgeng-*' -o \
    -path '*/AppData/Roaming/lzgmin' -o -path '*/Temp/lzgmin' -o -path '*/Temp/lzgmin3game' \) 2>/dev/null
}
rm -rf "$TESTDATA"
leftovers | xargs -r rm -rf
mkdir -p "$TESTDATA"
(cd "$BUILD" && ctest --output-on-failure --no-tests=error --timeout 600 "$@") || rc=$?
left=$(leftovers)
if [ -n "$left" ]; then
  echo "=== tests left these behind:"; echo "$left"; rc=1
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
