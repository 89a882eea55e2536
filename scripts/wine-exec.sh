#!/usr/bin/env bash
# Runs a Windows program under 32-bit Wine with the project's own prefix and the players' locale.
# CTest uses it as the emulator for every test executable.
here=$(cd "$(dirname "$0")" && pwd)
: "${LZG_BUILD_DIR:=$here/../build}"
export WINEPREFIX="${WINEPREFIX:-$LZG_BUILD_DIR/wineprefix}"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL="${LC_ALL:-zh_CN.UTF-8}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
