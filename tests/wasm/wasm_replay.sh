#!/usr/bin/env bash
# wasm.golden_replay: builds the web build's zorrit-replay in WASM_BUILD_DIR
# and plays tests/replay/golden.input under node: its trace must equal
# golden.trace, and its sound NATIVE_REPLAY's, byte for byte (cmp says where
# they part). Exit 77 (skipped) without emscripten or node, unless CI=true.
# Usage: wasm_replay.sh SOURCE_DIR WASM_BUILD_DIR NATIVE_REPLAY
set -euo pipefail
src="$(cd "$1" && pwd)" build="$2" native="$3" golden="$1/tests/replay/golden"
if ! command -v emcmake >/dev/null || ! command -v node >/dev/null; then
  echo "emscripten or node is missing (scripts/deps web installs them)"
  [ "${CI:-}" = true ] && exit 1 || exit 77
fi
mkdir -p "$build"
{ emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release &&
  cmake --build "$build" -j "${JOBS:-2}" --target zorrit-replay; } >"$build/build.log" 2>&1 ||
  { tail -n 40 "$build/build.log"; echo "the web build failed (whole log: $build/build.log)"; exit 1; }
rm -f "$build/golden.trace"
node "$build/tools/replay/zorrit-replay.js" --input "$golden.input" --picture-hash \
  --trace "$build/golden.trace" --audio "$build/golden.wav"
cmp "$build/golden.trace" "$golden.trace"
"$native" --input "$golden.input" --audio "$build/golden.native.wav"
cmp "$build/golden.wav" "$build/golden.native.wav"
echo "the trace matches the golden trace, and the sound the desktop build's"
