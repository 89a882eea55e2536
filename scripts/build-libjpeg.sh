#!/usr/bin/env bash
# Cross-builds libjpeg-turbo (static, no SIMD) for the target from Debian's source package.
# Cached: does nothing when the library is already in the build tree.
set -euo pipefail
build_dir=$(realpath -m "${1:?build dir}")
here=$(cd "$(dirname "$0")" && pwd)
prefix="$build_dir/_deps/libjpeg-install"
[ -f "$prefix/lib/libjpeg.a" ] && exit 0

work="$build_dir/_deps/libjpeg-src"
rm -rf "$work" && mkdir -p "$work"
(cd "$work" && apt-get source -qq --download-only libjpeg-turbo >/dev/null 2>&1 || apt-get source --download-only libjpeg-turbo)
orig=$(ls "$work"/libjpeg-turbo_*.orig.tar.* | head -n 1)
tar -xf "$orig" -C "$work"
srcdir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
cmake -S "$srcdir" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/../cmake/toolchain-i686-w64-mingw32.cmake" \
  -DCMAKE_CROSSCOMPILING_EMULATOR= \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
  -DWITH_JPEG8=ON -Wno-dev >/dev/null
cmake --build "$work/build" --target install >/dev/null
[ -f "$prefix/lib/libjpeg.a" ]
