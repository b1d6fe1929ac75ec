#!/usr/bin/env bash
# Regenerates the README's screenshots from BUILD_DIR's tools into a scratch
# folder and compares them, decoded, dot by dot, with docs/screenshots/*.png.
#   check_screenshots.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
root="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

"$root/scripts/screenshots" --no-build --out "$scratch" "$build" >/dev/null

failed=0
for made in "$scratch"/*.png; do
  name="$(basename "$made")"
  committed="$root/docs/screenshots/$name"
  if [ ! -f "$committed" ]; then
    echo "screenshots: docs/screenshots/$name is missing"
    failed=1
  elif ! (cd "$scratch" && "$build/tools/shots/zorrit-shots" compare "$committed" "$name") \
         >"$scratch/diff.txt" 2>&1; then
    echo "screenshots: docs/screenshots/$name is stale, the game draws it differently now:"
    sed "s#$root/##; s# $name # the new picture #" "$scratch/diff.txt"
    failed=1
  fi
done
for committed in "$root"/docs/screenshots/*.png; do
  [ -f "$scratch/$(basename "$committed")" ] ||
    { echo "screenshots: docs/screenshots/$(basename "$committed") has no shot line in docs/screenshots.input"; failed=1; }
done
if [ "$failed" = 1 ]; then
  echo "screenshots: run scripts/screenshots, look at the pictures and commit them"
  exit 1
fi
count=$(find "$scratch" -name "*.png" | wc -l)
echo "screenshots: all $count pictures match docs/screenshots"
