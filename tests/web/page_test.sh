#!/usr/bin/env bash
# web.page: builds the page (zorrit-web) in WASM_BUILD_DIR, has REPLAY_TOOL draw page.input's
# reference frames, installs puppeteer-core into OUT_DIR with npm ci (package-lock.json pins
# it; no browser is downloaded) and plays the page in Debian's Chromium, or $CHROMIUM
# (page_test.mjs). Exit 77 (skipped) where a tool is missing, unless CI=true.
# Usage: page_test.sh SOURCE_DIR WASM_BUILD_DIR REPLAY_TOOL OUT_DIR
set -euo pipefail
src="$(cd "$1" && pwd)" build="$2" replay="$3" out="$4" chromium="${CHROMIUM:-/usr/bin/chromium}"
for tool in emcmake node npm "$chromium"; do
  command -v "$tool" >/dev/null && continue
  echo "$tool is missing (scripts/deps test installs it)"
  [ "${CI:-}" = true ] && exit 1 || exit 77
done
mkdir -p "$build" "$out/reference"
log="$build/web-build.log"
{ [ -f "$build/CMakeCache.txt" ] || emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release; } >"$log" 2>&1 &&
  cmake --build "$build" -j "${JOBS:-2}" --target zorrit-web >>"$log" 2>&1 ||
  { tail -n 40 "$log"; echo "the web page did not build (whole log: $log)"; exit 1; }
"$replay" --input "$src/tests/web/page.input" --frames 330 --trace "$out/reference/trace.jsonl" \
  --shot 212:"$out/reference/title.png" --shot 300:"$out/reference/play.png" --shot 325:"$out/reference/pause.png"
# The scripts run from OUT_DIR, where npm puts puppeteer-core (again only when the lock file changed).
cp "$src"/tests/web/{package.json,package-lock.json,*.mjs} "$out"/
if ! cmp -s "$out/package-lock.json" "$out/node_modules/.zorrit-lock"; then
  (cd "$out" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp "$out/package-lock.json" "$out/node_modules/.zorrit-lock"
fi
CHROMIUM="$chromium" node "$out/page_test.mjs" "$build/site" "$out/reference"
