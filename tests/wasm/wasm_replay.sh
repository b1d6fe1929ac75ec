#!/usr/bin/env bash
# wasm.golden_replay: builds the web build's zorrit-replay in WASM_BUILD_DIR,
# plays tests/replay/golden.input under node and compares the trace with
# tests/replay/golden.trace byte for byte, and the sound it captures with the
# desktop build's (NATIVE_REPLAY). Exit 77 (skipped) where emscripten or node
# is missing, unless CI=true.
# Usage: wasm_replay.sh SOURCE_DIR WASM_BUILD_DIR NATIVE_REPLAY
set -euo pipefail
src="$(cd "$1" && pwd)" build="$2" native="$3"
if ! command -v emcmake >/dev/null || ! command -v node >/dev/null; then
  echo "emscripten or node is missing (scripts/deps web installs them)"
  [ "${CI:-}" = true ] && exit 1 || exit 77
fi
mkdir -p "$build"
log="$build/build.log"
{ emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$build" -j "${JOBS:-2}" --target zorrit-replay; } >"$log" 2>&1 ||
  { tail -n 40 "$log"; echo "the web build failed (whole log: $log)"; exit 1; }

golden="$src/tests/replay/golden"
rm -f "$build/golden.trace"
node "$build/tools/replay/zorrit-replay.js" --input "$golden.input" --picture-hash \
  --trace "$build/golden.trace" --audio "$build/golden.wav"
cmp "$build/golden.trace" "$golden.trace"  # says the line where they part
"$native" --input "$golden.input" --audio "$build/golden.native.wav"
cmp "$build/golden.wav" "$build/golden.native.wav"
echo "the trace matches the golden trace, and the sound the desktop build's"
