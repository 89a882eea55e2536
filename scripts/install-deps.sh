#!/usr/bin/env bash
# Installs what building, running and testing the client needs on Debian 12.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PKGS=(
  cmake ninja-build g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth x11-utils x11-apps xdotool imagemagick
  fonts-wqy-zenhei locales dpkg-dev googletest python3 nasm
  g++ clang libclang-rt-14-dev
)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  missing=(all)
else
  for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
fi

need_src=0
if ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_src=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_src = 1 ]; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO dpkg --add-architecture i386
  if [ $need_src = 1 ]; then
    # libjpeg-turbo is built for the target from Debian's source package.
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    else
      echo "deb-src http://deb.debian.org/debian bookworm main" | $SUDO tee /etc/apt/sources.list.d/lzgmin-src.list >/dev/null
    fi
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${PKGS[@]}" >/dev/null
fi

# The players' machines run the Simplified Chinese locale (ANSI code page 936).
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
