#!/usr/bin/env bash
# Checks the shipped folder: every binary imports Windows system DLLs only (no
# MinGW runtime DLLs), the client is a 32-bit GUI program and large-address-aware,
# and the skins and the sample configuration are there.
set -u
export LC_ALL=C  # objdump speaks the locale; the checks read its English words
dist="${1:?dist folder}"
version="${2:?version of the build, as a.b.c.d}"
manifest="$(dirname "$0")/../resources/lzgmin.exe.manifest"
fail=0
allowed='^(kernel32|user32|gdi32|msimg32|comctl32|shell32|shlwapi|advapi32|ole32|oleaut32|version|psapi|msvcrt|uxtheme|imm32|winmm|comdlg32|ws2_32|dwmapi)\.dll$'
shopt -s nullglob
for bin in "$dist"/*.exe "$dist"/*.dll; do
  dlls=$(i686-w64-mingw32-objdump -p "$bin" | awk '/DLL Name:/ {print tolower($3)}')
  for d in $dlls; do
    if ! [[ "$d" =~ $allowed ]]; then
      echo "$(basename "$bin") imports $d, which is not a Windows system DLL"; fail=1
    fi
  done
  echo "$(basename "$bin") imports: $(echo $dlls | tr '\n' ' ')"
done
head=$(i686-w64-mingw32-objdump -f "$dist/lzgmin.exe")
grep -q 'file format pei-i386' <<<"$head" || { echo "lzgmin.exe is not a 32-bit program"; fail=1; }
chars=$(i686-w64-mingw32-objdump -p "$dist/lzgmin.exe")
grep -qi 'large address aware' <<<"$chars" || { echo "lzgmin.exe is not large-address-aware"; fail=1; }
grep -qE 'Subsystem\s+0+2\b' <<<"$chars" || { echo "lzgmin.exe is not a GUI program"; fail=1; }
# windres reads the resources back as a script: one block per resource, its type and name first.
res=$(i686-w64-mingw32-windres -i "$dist/lzgmin.exe" -O rc 2>&1) || { echo "lzgmin.exe: resources unreadable: $res"; fail=1; }
types=$(awk '/^\/\* Type: / {t=$3} match($0, /Name: [^ ]+/) {print t " " substr($0, RSTART + 6, RLENGTH - 6)}' <<<"$res")
[ "$(grep -c '^24 ' <<<"$types")" = 1 ] && grep -qx '24 1\.' <<<"$types" \
  || { echo "lzgmin.exe: not exactly one manifest, under id 1: $(tr '\n' ' ' <<<"$types")"; fail=1; }
[ "$(grep -c '^version ' <<<"$types")" = 1 ] || { echo "lzgmin.exe: not exactly one version resource"; fail=1; }
grep -q "^ *FILEVERSION ${version//./, }\$" <<<"$res" && grep -q "^ *PRODUCTVERSION ${version//./, }\$" <<<"$res" \
  && grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$res" && grep -q "VALUE \"ProductVersion\", \"$version\"" <<<"$res" \
  || { echo "lzgmin.exe: version resource is not of version $version"; fail=1; }
hex() { od -An -v -tx1 "$1" | tr -d ' \n'; }
[[ "$(hex "$dist/lzgmin.exe")" == *"$(hex "$manifest")"* ]] || { echo "lzgmin.exe: the manifest is not the one in resources/"; fail=1; }
[ -f "$dist/zeRoVedi.dat" ] || { echo "no sample zeRoVedi.dat"; fail=1; }
ls "$dist/Skins/Topaz 2017"* >/dev/null 2>&1 || { echo "no Topaz 2017 skin in Skins"; fail=1; }
[ ! -e "$dist/cef/libcef.dll" ] || { echo "the engine stand-in must not ship"; fail=1; }
[ $fail = 0 ] && echo "shipped folder: 0 problems"
exit $fail
