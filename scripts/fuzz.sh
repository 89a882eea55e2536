#!/usr/bin/env bash
# A longer fuzz campaign: every target for SECONDS_PER_TARGET seconds (default 600), growing the working
# corpus under the build tree. Findings land beside it as crash-* files. The campaign fails when the native
# build or its checks fail, when a listed target was not built, or when a target finds anything.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${LZG_BUILD_DIR:-$ROOT/build}/native"
if ! out=$(FUZZ_RUNS=1 bash "$ROOT/scripts/native-tests.sh" 2>&1); then
  printf '%s\n' "$out" | tail -n 60
  echo "fuzz: the native build or its checks failed"
  exit 1
fi
IFS=';' read -r -a targets < "$BUILD/fuzz_targets.txt"
rc=0
for t in "${targets[@]}"; do
  [ -x "$BUILD/$t" ] || { echo "fuzz $t: not built"; rc=1; continue; }
  mkdir -p "$BUILD/corpus-$t"
  "$BUILD/$t" -max_total_time="${SECONDS_PER_TARGET:-600}" -artifact_prefix="$BUILD/crash-$t-" \
    "$BUILD/corpus-$t" "$ROOT/tests/native/corpus/$t" 2>&1 | grep -E '^(Done|==|SUMMARY)'
  status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] || { echo "fuzz $t: FINDING (exit $status)"; rc=1; }
done
exit $rc
