#!/usr/bin/env bash
# Packs a skin folder into one ".lzskin" file:
#   LZGSKIN 1\n, then per file "<size> <name>\n" and the file's bytes.
# Usage: pack-skin.sh <skin folder> <output file>
set -euo pipefail
src=${1:?skin folder}
out=${2:?output file}
[ -f "$src/skin.ini" ] || { echo "no skin.ini in $src" >&2; exit 1; }
tmp="$out.tmp.$$"
{
  printf 'LZGSKIN 1\n'
  (cd "$src" && find . -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort) | while IFS= read -r f; do
    printf '%d %s\n' "$(stat -c %s "$src/$f")" "$f"
    cat "$src/$f"
  done
} > "$tmp"
mv "$tmp" "$out"
