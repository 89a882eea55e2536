#!/usr/bin/env bash
# The players' package as scripts/package.sh makes it from the engine distribution that the build lays out from the
# stand-in (make-distribution.py): made alike from the folder, the .tar.bz2 and the _minimal .tar.bz2, holding
# exactly the shipped files, each the right one; every refusal's one line, with nothing left behind; the checker's
# start-up check giving the client's own verdicts; and the client started from the unpacked package
# (test_package_run.exe).
#
#   test-package.sh <build folder> <version of the build>
set -u
build=${1:?build folder}
version=${2:?version of the build, as a.b.c.d}
src=$(cd "$(dirname "$0")/../.." && pwd)
export LZG_BUILD_DIR=$build
# shellcheck source=../../scripts/wine-env.sh
source "$src/scripts/wine-env.sh"
name=cef_binary_74.1.19+gb62bacf+chromium-74.0.3729.157_windows32
dist="$build/engine-distribution/$name"
variants="$build/bin/standin-variants"
zip=lzgmin-$version-win32.zip
[ -d "$dist" ] && [ -f "$dist.tar.bz2" ] && [ -f "${dist}_minimal.tar.bz2" ] \
  || { echo "the build made no engine distribution in $build/engine-distribution"; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/lzgmin-package-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
fail=0
bad() {
  echo "FAIL: $*"
  fail=1
}
windows_path() { local p; p=$(realpath -- "$1") && echo "Z:${p//\//\\}"; }

# package <out folder> <distribution>: what the script said (standard output and error) in $said, its exit code
# in $rc.
package() {
  said=$(bash "$src/scripts/package.sh" --no-build --out "$1" "$2" 2>&1)
  rc=$?
}

# Every file of the package and where it must come from: the distribution, or the build (build:).
expected=(
  "lzgmin/Skins/Topaz 2017.lzskin|build:dist/Skins/Topaz 2017.lzskin"
  "lzgmin/cef/cef.pak|Resources/cef.pak"
  "lzgmin/cef/cef_100_percent.pak|Resources/cef_100_percent.pak"
  "lzgmin/cef/cef_200_percent.pak|Resources/cef_200_percent.pak"
  "lzgmin/cef/cef_extensions.pak|Resources/cef_extensions.pak"
  "lzgmin/cef/chrome_elf.dll|Release/chrome_elf.dll"
  "lzgmin/cef/d3dcompiler_47.dll|Release/d3dcompiler_47.dll"
  "lzgmin/cef/devtools_resources.pak|Resources/devtools_resources.pak"
  "lzgmin/cef/icudtl.dat|Resources/icudtl.dat"
  "lzgmin/cef/libEGL.dll|Release/libEGL.dll"
  "lzgmin/cef/libGLESv2.dll|Release/libGLESv2.dll"
  "lzgmin/cef/libcef.dll|Release/libcef.dll"
  "lzgmin/cef/locales/zh-CN.pak|Resources/locales/zh-CN.pak"
  "lzgmin/cef/natives_blob.bin|Release/natives_blob.bin"
  "lzgmin/cef/snapshot_blob.bin|Release/snapshot_blob.bin"
  "lzgmin/cef/swiftshader/libEGL.dll|Release/swiftshader/libEGL.dll"
  "lzgmin/cef/swiftshader/libGLESv2.dll|Release/swiftshader/libGLESv2.dll"
  "lzgmin/cef/v8_context_snapshot.bin|Release/v8_context_snapshot.bin"
  "lzgmin/crash_reporter.cfg|build:generated/crash_reporter.cfg"
  "lzgmin/lzgmin.exe|build:dist/lzgmin.exe"
)

# --- Made from each form of the distribution -----------------------------------------------------------------
forms=("$dist" "$dist.tar.bz2" "${dist}_minimal.tar.bz2")
for i in "${!forms[@]}"; do
  form=${forms[$i]}
  out="$work/out$i"
  package "$out" "$form"
  [ $rc = 0 ] || { bad "$(basename "$form"): exit code $rc: $said"; continue; }
  [ "$said" = "$out/$zip: lzgmin $version with the engine from $form (${#expected[@]} files)" ] \
    || bad "$(basename "$form"): said \"$said\""
  [ "$(ls -A "$out")" = "$zip" ] || bad "$(basename "$form"): the package's folder holds $(ls -A "$out" | tr '\n' ' ')"
  [ -f "$out/$zip" ] || continue
  list=$(unzip -Z1 "$out/$zip")
  want=$(for e in "${expected[@]}"; do echo "${e%%|*}"; done)
  [ "$list" = "$want" ] || bad "$(basename "$form"): the package holds:"$'\n'"$list"$'\n'"instead of:"$'\n'"$want"
  if [ "$i" != 0 ]; then
    cmp -s "$work/out0/$zip" "$out/$zip" || bad "$(basename "$form"): the package differs from the folder's"
  fi
done

# --- What the package holds, as a player unpacks it --------------------------------------------------------------
unpacked="$work/unpacked"
mkdir "$unpacked"
(cd "$unpacked" && unzip -q "$work/out0/$zip") || bad "the package does not unpack"
for e in "${expected[@]}"; do
  file=${e%%|*} from=${e#*|}
  case $from in
    build:*) from="$build/${from#build:}" ;;
    *) from="$dist/$from" ;;
  esac
  cmp -s "$unpacked/$file" "$from" || bad "$file is not $from"
done
cfg=$(grep -v -e '^#' -e '^[[:space:]]*$' "$unpacked/lzgmin/crash_reporter.cfg")
v=${version//./\\.}
[[ "$cfg" =~ ^\[Config\]$'\n'ProductName=lzgmin$'\n'ProductVersion=$v$'\n'AppName=lzgmin$'\n'MaxDatabaseSizeInMb=[1-9][0-9]*$'\n'MaxDatabaseAgeInDays=[1-9][0-9]*$ ]] \
  || bad "crash_reporter.cfg turns on local dumps only (no ServerURL) for this version, not:"$'\n'"$cfg"

# --- Refusals: one line naming the problem, nothing left behind ----------------------------------------------------
broken="$work/broken/$name"
fresh_copy() {
  rm -rf "$work/broken"
  mkdir -p "$work/broken"
  cp -a "$dist" "$work/broken/"
}
# refused <case> <distribution> <problem>: refused with "cannot package <distribution>: <problem>" alone.
refused() {
  local out="$work/refused"
  package "$out" "$2"
  [ $rc = 1 ] || bad "$1: exit code $rc, not 1"
  [ "$said" = "cannot package $2: $3" ] || bad "$1: said \"$said\", not \"cannot package $2: $3\""
  [ ! -e "$out" ] || bad "$1: left behind: $(find "$out" | tr '\n' ' ')"
  rm -rf "$out"  # the next case starts clean whatever this one left
}
needs="the client needs 74.1.19.0"
refused "no such path" "$work/none" "there is no such file or folder"
touch "$work/$name.zip"
refused "another kind of file" "$work/$name.zip" \
  "not an engine distribution: give the distribution's .tar.bz2 or its unpacked folder"
tar -cjf "$work/include.tar.bz2" -C "$dist" include
refused "an archive of something else" "$work/include.tar.bz2" "not an engine distribution: there is no Release/libcef.dll"
refused "the Resources folder" "$dist/Resources" "not an engine distribution: there is no Release/libcef.dll"
refused "the Debug folder" "$dist/Debug" \
  "a debug build: this is a distribution's Debug folder; give the distribution's top folder, whose Release build ships"
fresh_copy && rm -r "$broken/Release"
refused "no release build" "$broken" "a debug build: the distribution holds Debug/libcef.dll but no Release/libcef.dll"
declare -A library_cases=(
  [debug]="a debug build: Release/libcef.dll is marked as a debug build; the client ships the release build"
  [v74_1_18_0]="another engine version: Release/libcef.dll is 74.1.18.0; $needs"
  [not_a_library]="another engine version: Release/libcef.dll has no readable version; $needs"
  [x64]="a 64-bit build: Release/libcef.dll is built for x64; the client needs the 32-bit (i386) distribution"
)
for variant in "${!library_cases[@]}"; do
  fresh_copy && cp "$variants/$variant/libcef.dll" "$broken/Release/libcef.dll"
  refused "library $variant" "$broken" "${library_cases[$variant]}"
done
fresh_copy && cp "$variants/x64/libcef.dll" "$broken/Release/libcef.dll"
tar -cjf "$work/$name.tar.bz2" -C "$work/broken" "$name"
refused "library x64, as an archive" "$work/$name.tar.bz2" "${library_cases[x64]}"
fresh_copy && rm "$broken/Resources/locales/zh-CN.pak"
refused "no zh-CN locale" "$broken" \
  "a file the client checks at start is missing from the distribution: Resources/locales/zh-CN.pak"
fresh_copy && rm "$broken/Release/swiftshader/libEGL.dll" "$broken/Resources/icudtl.dat" "$broken/Release/natives_blob.bin"
neither="(in neither Release/ nor Resources/)"
refused "three files missing" "$broken" "files the client checks at start are missing from the distribution: \
swiftshader/libEGL.dll $neither, icudtl.dat $neither, natives_blob.bin $neither"
head -c 200000 "$dist.tar.bz2" >"$work/cut.tar.bz2"
package "$work/refused" "$work/cut.tar.bz2"
[ $rc = 1 ] && [[ "$said" == "cannot package $work/cut.tar.bz2: the archive cannot be unpacked: "* ]] \
  && [ "$(wc -l <<<"$said")" = 1 ] || bad "a cut archive: exit code $rc, said \"$said\""
[ ! -e "$work/refused" ] || bad "a cut archive: left behind: $(find "$work/refused" | tr '\n' ' ')"

# --- The result's check is the client's start-up check -----------------------------------------------------------
# start_check <case> <expected line, a pattern> [<exit code>]: engine_check.exe start, beside a broken copy of
# the unpacked package's client.
start_check() {
  local line code
  cp "$build/bin/engine_check.exe" "$work/check/lzgmin/"
  line=$(cd "$work/check/lzgmin" && wine ./engine_check.exe start 2>/dev/null)
  code=$?
  # shellcheck disable=SC2053
  [ "$code" = "${3:-1}" ] && [[ "$line" == $2 ]] || bad "start check, $1: exit code $code, said \"$line\""
}
fresh_check() {
  rm -rf "$work/check"
  cp -a "$unpacked" "$work/check"
}
fresh_check
start_check "the package as made" "" 0
fresh_check && rm "$work/check/lzgmin/cef/locales/zh-CN.pak" "$work/check/lzgmin/cef/icudtl.dat"
start_check "two files missing" 'CEF3 binaries missing ! The missing files are : cef\\icudtl.dat cef\\locales\\zh-CN.pak'
fresh_check && cp "$variants/v74_1_18_0/libcef.dll" "$work/check/lzgmin/cef/libcef.dll"
start_check "another version" \
  'Unsupported CEF version ! * Expected libcef.dll version : 74.1.19.0 Found libcef.dll version : 74.1.18.0'
fresh_check && cp "$variants/x64/libcef.dll" "$work/check/lzgmin/cef/libcef.dll"
start_check "64-bit" 'Wrong CEF3 binaries ! Use the 64 bit CEF3 binaries with 64 bits applications only.'

# --- The client from the unpacked package --------------------------------------------------------------------------
LZGTEST_PACKAGE=$(windows_path "$unpacked/lzgmin") "$src/scripts/wine-exec.sh" "$build/bin/test_package_run.exe" \
  || bad "the client from the unpacked package (test_package_run.exe)"

[ $fail = 0 ] && echo "package: made from every form of the distribution, every refusal and check as expected"
exit $fail
