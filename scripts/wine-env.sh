# The Wine session of every command and every test: the project's own 32-bit prefix in the build folder, and
# the players' locale (ANSI code page 936). The one place these are set: common.sh and wine-exec.sh source it.
# shellcheck shell=bash
: "${LZG_BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export LZG_BUILD_DIR
export WINEPREFIX="$LZG_BUILD_DIR/wineprefix"
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export LC_ALL=zh_CN.UTF-8
# No Mono or Gecko installer prompts when the prefix is made.
export WINEDLLOVERRIDES="mscoree,mshtml="
