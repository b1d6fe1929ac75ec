#!/usr/bin/env bash
# Regenerates the README's screenshots from BUILD_DIR's tools into a scratch
# folder and compares them, decoded, dot by dot, with docs/screenshots/*.png.
set -euo pipefail
build="$(cd "$1" && pwd)"
root="$(cd "$(dirname "$0")/../.." && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
"$root/scripts/screenshots" --no-build --out "$scratch" "$build" >/dev/null

failed=0
for name in $( (cd "$scratch" && ls *.png; cd "$root/docs/screenshots" && ls *.png) | sort -u); do
  if [ ! -f "$scratch/$name" ]; then
    echo "screenshots: docs/screenshots/$name has no shot line in docs/screenshots.input"; failed=1
  elif ! "$build/tools/shots/zorrit-shots" compare "$root/docs/screenshots/$name" "$scratch/$name"; then
    echo "screenshots: docs/screenshots/$name is missing or stale"; failed=1
  fi
done
[ "$failed" = 0 ] || { echo "screenshots: run scripts/screenshots, look at the pictures and commit them"; exit 1; }
