#!/usr/bin/env bash
# Installs what building, running and testing the client needs on Debian 12.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PKGS=(
  cmake ninja-build g++-mingw-w64-i686-posix mingw-w64-tools binutils-mingw-w64-i686
  wine wine32:i386 xvfb xauth x11-utils x11-apps xdotool imagemagick
  fonts-wqy-zenhei locales dpkg-dev googletest python3 nasm
  g++ clang libclang-rt-14-dev
  zip unzip bzip2
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

# 32-bit x86 programs: some kernels are booted without IA-32 emulation, and then
# no 32-bit process starts (the 32-bit Wine loader fails with "Exec format
# error"). There, 32-bit programs run under user-mode emulation registered with
# binfmt_misc. Debian 12's qemu (7.2) cannot carry Wine (its signal frames lack
# the trap number Wine's fault handlers read); Debian 13's qemu-user can.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  QEMU=/usr/local/lib/lzgmin/qemu-i386
  if [ ! -x "$QEMU" ]; then
    apt_dir=$(mktemp -d)
    mkdir -p "$apt_dir/lists/partial" "$apt_dir/parts"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian trixie main" \
      > "$apt_dir/sources.list"
    apt_opts=(-o "Dir::Etc::SourceList=$apt_dir/sources.list" -o "Dir::Etc::SourceParts=$apt_dir/parts"
              -o "Dir::State::Lists=$apt_dir/lists" -o "APT::Architectures=amd64" -o "APT::Sandbox::User=root")
    $SUDO apt-get "${apt_opts[@]}" update -qq
    (cd "$apt_dir" && $SUDO apt-get "${apt_opts[@]}" download qemu-user >/dev/null)
    dpkg-deb -x "$apt_dir"/qemu-user_*.deb "$apt_dir/x"
    $SUDO install -D -m 755 "$apt_dir/x/usr/bin/qemu-i386" "$QEMU"
    rm -rf "$apt_dir"
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  fi
  if [ ! -e /proc/sys/fs/binfmt_misc/lzg-i386 ]; then
    # ELF, 32-bit, little-endian, executable or shared object, machine i386; F: the
    # interpreter is opened now, so it also serves processes in other mount namespaces.
    printf '%s' ':lzg-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$QEMU"':F' \
      | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
  fi
  # The Wine server then runs as a native 64-bit program: it serves 32-bit clients as
  # well, it is far quicker than an emulated one, and it can read the memory of
  # emulated processes (the emulator offers no ptrace to an emulated server).
  if ! dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q "install ok installed"; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends wine64 >/dev/null
  fi
  /usr/lib/wine/wine --version >/dev/null 2>&1 || {
    echo "32-bit x86 programs cannot run on this machine, neither natively nor under $QEMU" >&2
    exit 1
  }
fi

# The players' machines run the Simplified Chinese locale (ANSI code page 936).
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  SUDO=""; [ "$(id -u)" = 0 ] || SUDO=sudo
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null || echo 'zh_CN.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
