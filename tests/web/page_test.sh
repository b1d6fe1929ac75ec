#!/usr/bin/env bash
# The web page played in headless Chromium (page_test.mjs), against pictures
# the native replay tool makes of the same frames.
# Usage: page_test.sh SOURCE_DIR WASM_BUILD_DIR REPLAY_TOOL OUT_DIR   (run by ctest: web.page)
#
# Builds the page (target zorrit-web) in WASM_BUILD_DIR, configured with
# emcmake when it is not yet; has REPLAY_TOOL draw the reference frames of
# page.input; installs puppeteer-core into OUT_DIR with npm ci (as
# package-lock.json pins it; no browser is downloaded) and drives Debian's
# Chromium (/usr/bin/chromium, or $CHROMIUM). The canvas pictures and page
# screenshots it takes are left in OUT_DIR. Exit 77 (skipped) where
# emscripten, node, npm or Chromium is missing, unless CI=true.
set -euo pipefail
src="$(cd "$1" && pwd)"
build="$2"
replay="$3"
out="$4"
here="$src/tests/web"
chromium="${CHROMIUM:-/usr/bin/chromium}"

for tool in emcmake node npm "$chromium"; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is missing (scripts/deps test installs it)"
    [ "${CI:-}" = true ] && exit 1
    exit 77
  fi
done

mkdir -p "$build" "$out"
log="$build/web-build.log"
start=$(date +%s%N)
if ! { { [ -f "$build/CMakeCache.txt" ] || emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release; } &&
       cmake --build "$build" -j "${JOBS:-2}" --target zorrit-web; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "the web page did not build (whole log: $log)"
  exit 1
fi
end=$(date +%s%N)
echo "web page build: $(( (end - start) / 1000000 )) ms"

reference="$out/reference"
rm -rf "$reference"
mkdir -p "$reference"
"$replay" --input "$here/page.input" --frames 330 --trace "$reference/trace.jsonl" \
  --shot 212:"$reference/title.png" --shot 300:"$reference/play.png" \
  --shot 325:"$reference/pause.png"

# The scripts run from OUT_DIR, where npm puts puppeteer-core; it is installed
# again only when the lock file changed.
cp "$here"/package.json "$here"/package-lock.json "$here"/*.mjs "$out"/
if ! cmp -s "$out/package-lock.json" "$out/node_modules/.zorrit-lock" 2>/dev/null; then
  (cd "$out" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$out/package-lock.json" "$out/node_modules/.zorrit-lock"
fi
CHROMIUM="$chromium" node "$out/page_test.mjs" "$build/site" "$reference" "$out"
