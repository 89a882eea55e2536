#!/usr/bin/env bash
# Builds the client and runs it under Wine.
set -uo pipefail
source "$(dirname "$0")/common.sh"
lzg_build || { echo "build failed"; exit 1; }
trap lzg_cleanup EXIT
lzg_display
lzg_wine_start
cd "$BUILD/bin"
wine ./lzgmin.exe "$@"
rc=$?
echo "lzgmin.exe ended with code $rc"
if [ -f zeRoVedi.dat ]; then
  echo "--- zeRoVedi.dat after the run:"
  iconv -f GB18030 -t UTF-8 zeRoVedi.dat 2>/dev/null || cat zeRoVedi.dat
fi
