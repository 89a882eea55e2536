#!/usr/bin/env bash
# Makes the players' package from the engine's own distribution:
#
#   scripts/package.sh [--no-build] [--out <folder>] <engine distribution>
#
# <engine distribution> is the engine's standard Windows 32-bit binary distribution of CEF 74.1.19, as the archive
# it comes as (cef_binary_74.1.19+gb62bacf+chromium-74.0.3729.157_windows32.tar.bz2, or the _minimal one) or as
# its unpacked folder. The client is built first (--no-build: the build as it is), then the distribution is
# checked and build/package/lzgmin-<version>-win32.zip written (into <folder> with --out). A distribution that
# does not fit is refused with one line naming the problem, and nothing is written.
set -uo pipefail

usage() {
  sed -n '4p' "$0" | sed 's/^#   /usage: /' >&2
  exit 2
}
build=1
out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0; shift ;;
    --out) [ $# -ge 2 ] || usage; out=$2; shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
[ $# = 1 ] || usage
given=$1
# shellcheck source=common.sh
source "$(dirname "$0")/common.sh"
out=${out:-$BUILD/package}

refuse() {
  echo "cannot package $given: $*" >&2
  exit 1
}
# A Linux path as Windows programs under Wine see it.
windows_path() { local p; p=$(realpath -- "$1") && echo "Z:${p//\//\\}"; }

[ -e "$given" ] || refuse "there is no such file or folder"
if [ -d "$given" ]; then
  :
elif [ -f "$given" ] && [[ "$given" == *.tar.bz2 ]]; then
  :
else
  refuse "not an engine distribution: give the distribution's .tar.bz2 or its unpacked folder"
fi

if [ $build = 1 ]; then
  LZG_TARGETS="dist engine_check" lzg_build || { echo "build failed" >&2; exit 1; }
fi
exe="$BUILD/dist/lzgmin.exe"
tool="$BUILD/bin/engine_check.exe"
cfg="$BUILD/generated/crash_reporter.cfg"
for f in "$exe" "$BUILD/dist/Skins" "$tool" "$cfg" "$BUILD/generated/lzg_version.h"; do
  [ -e "$f" ] || { echo "no complete build in $BUILD ($f is missing); run without --no-build" >&2; exit 1; }
done
version=$(sed -n 's/^#define LZG_VERSION_TEXT "\(.*\)"$/\1/p' "$BUILD/generated/lzg_version.h")
[ -n "$version" ] || { echo "no version in $BUILD/generated/lzg_version.h" >&2; exit 1; }
name="lzgmin-$version-win32.zip"

# The checker runs under Wine, in the project's prefix (made here when this is the first Wine program).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
# The work happens in the package's folder, so that the finished package is moved, not copied, into place. When
# the package is refused nothing of it stays: neither the work nor the folders made for it.
made=()
d=$(realpath -m -- "$out")
while [ ! -e "$d" ]; do
  made=("$d" "${made[@]}")
  d=$(dirname "$d")
done
mkdir -p "$out" || { echo "cannot make $out" >&2; exit 1; }
work=$(mktemp -d "$out/.lzgmin-package.XXXXXX") || exit 1
leave() {
  rm -rf "$work"
  local i
  for ((i = ${#made[@]} - 1; i >= 0; i--)); do rmdir "${made[i]}" 2>/dev/null || break; done
}
trap leave EXIT

# The distribution's top folder. Of an archive only what can ship or be judged is unpacked: the release build,
# the resources, and the debug library that tells a debug-only distribution.
if [ -d "$given" ]; then
  root=$(realpath -- "$given")
else
  mkdir "$work/unpacked"
  LC_ALL=C tar -xjf "$given" -C "$work/unpacked" --wildcards --no-anchored 'Release/*' 'Resources/*' \
    'Debug/libcef.dll' 2>"$work/tar.log"
  # A pattern the archive does not hold is no failure (the _minimal distribution has no Debug folder).
  problem=$(grep -v -e '^[[:space:]]*$' -e 'Not found in archive$' \
    -e 'Exiting with failure status due to previous errors$' "$work/tar.log" | head -n 1)
  [ -z "$problem" ] || { problem=${problem#tar: }; refuse "the archive cannot be unpacked: ${problem%;}"; }
  root="$work/unpacked"
  entries=("$root"/*)
  if [ ${#entries[@]} = 1 ] && [ -d "${entries[0]}" ]; then root=${entries[0]}; fi
fi

# The distribution by the client's own rules: the library's version, machine and build, and every file the
# client checks at start (the checker prints where each one is).
plan=$(cd "$work" && wine "$tool" distribution "$(windows_path "$root")" 2>"$work/wine.log")
case $? in
  0) ;;
  1) refuse "$plan" ;;
  *) refuse "the distribution could not be checked: engine_check.exe failed ($(head -n 1 "$work/wine.log"))" ;;
esac

# The shipped folder: the client and its skins from the build, the engine where the client looks for it, and
# the engine's crash-dump settings beside the client.
stage="$work/stage/lzgmin"
mkdir -p "$stage/cef/locales"
cp "$exe" "$stage/" && cp -R "$BUILD/dist/Skins" "$stage/" && cp "$cfg" "$stage/crash_reporter.cfg" \
  || refuse "the build's files cannot be copied"
while IFS=$'\t' read -r group folder file; do
  case $group in
    framework | resources) dest="$stage/cef/$file" ;;
    locales) dest="$stage/cef/locales/$file" ;;
    *) refuse "the distribution could not be checked: engine_check.exe printed \"$group\"" ;;
  esac
  mkdir -p "$(dirname "$dest")"
  cp "$root/$folder/$file" "$dest" 2>/dev/null || refuse "$folder/$file cannot be read"
done <<<"$plan"

# Reproducible: the files in one order, all dated as the build's client, no directory entries, no extra fields.
find "$stage" -exec touch -h -r "$exe" {} +
(cd "$work/stage" && find lzgmin -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D -@ "$work/$name") \
  || refuse "the package cannot be zipped"

# The package as a player unpacks it, checked as the client checks its engine at start.
mkdir "$work/check"
(cd "$work/check" && unzip -q "$work/$name") || refuse "the package cannot be unpacked"
cp "$tool" "$work/check/lzgmin/engine_check.exe"
verdict=$(cd "$work/check/lzgmin" && wine ./engine_check.exe start 2>>"$work/wine.log")
case $? in
  0) ;;
  1) refuse "the package fails the client's start-up check: $verdict" ;;
  *) refuse "the package could not be checked: engine_check.exe failed ($(head -n 1 "$work/wine.log"))" ;;
esac

mv -f "$work/$name" "$out/$name" || { echo "cannot write $out/$name" >&2; exit 1; }
echo "$out/$name: lzgmin $version with the engine from $given ($(unzip -Z1 "$out/$name" | wc -l) files)"
