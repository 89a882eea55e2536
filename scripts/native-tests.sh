#!/usr/bin/env bash
# Native checks of the platform-free logic: unit tests under ASan+UBSan, then a
# short libFuzzer run per target over its committed seed corpus.
# FUZZ_RUNS (default 200000) sets the runs per target; scripts/fuzz.sh runs a longer campaign.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${LZG_BUILD_DIR:-$ROOT/build}/native"
RUNS="${FUZZ_RUNS:-200000}"
mkdir -p "$BUILD"
CC=clang CXX=clang++ cmake -S "$ROOT/tests/native" -B "$BUILD" -G Ninja -Wno-dev >"$BUILD/configure.log" 2>&1 \
  || { cat "$BUILD/configure.log"; exit 1; }
cmake --build "$BUILD" -- -j"$(nproc)" >"$BUILD/build.log" 2>&1 || { tail -n 60 "$BUILD/build.log"; exit 1; }
rc=0
"$BUILD/native_unit_tests" --gtest_brief=1 || rc=1
# Every listed target must have been built: a lost one fails the run instead of being skipped.
[ -s "$BUILD/fuzz_targets.txt" ] || { echo "no fuzz targets listed in $BUILD/fuzz_targets.txt"; exit 1; }
IFS=';' read -r -a targets < "$BUILD/fuzz_targets.txt"
for t in "${targets[@]}"; do
  [ -x "$BUILD/$t" ] || { echo "fuzz $t: not built"; rc=1; continue; }
  corpus="$ROOT/tests/native/corpus/$t"
  work="$BUILD/corpus-$t"
  mkdir -p "$work"
  out=$("$BUILD/$t" -runs="$RUNS" -seed=1 -rss_limit_mb=2048 -artifact_prefix="$BUILD/crash-$t-" "$work" "$corpus" 2>&1)
  status=$?
  done_line=$(printf '%s\n' "$out" | grep -E '^Done [0-9]+ runs' | tail -n 1)
  if [ $status -eq 0 ]; then
    echo "fuzz $t: ${done_line:-no summary}, 0 findings"
  else
    echo "fuzz $t: FINDING (exit $status)"; printf '%s\n' "$out" | tail -n 40; rc=1
  fi
done
exit $rc
