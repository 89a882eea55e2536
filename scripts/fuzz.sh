#!/usr/bin/env bash
# A longer fuzz campaign: every target for SECONDS (default 600) each, growing
# the working corpus under the build tree. Findings land beside it as crash-* files.
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD="${LZG_BUILD_DIR:-$ROOT/build}/native"
FUZZ_RUNS=1 bash "$ROOT/scripts/native-tests.sh" >/dev/null || true
IFS=';' read -r -a targets < "$BUILD/fuzz_targets.txt"
for t in "${targets[@]}"; do
  mkdir -p "$BUILD/corpus-$t"
  "$BUILD/$t" -max_total_time="${SECONDS_PER_TARGET:-600}" -artifact_prefix="$BUILD/crash-$t-" \
    "$BUILD/corpus-$t" "$ROOT/tests/native/corpus/$t" 2>&1 | grep -E '^(Done|==|SUMMARY)' || true
done
