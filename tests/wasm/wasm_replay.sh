#!/usr/bin/env bash
# The golden replay built for WebAssembly and run under node.
# Usage: wasm_replay.sh SOURCE_DIR WASM_BUILD_DIR [NATIVE_REPLAY]
# (run by ctest: wasm.golden_replay)
#
# Configures and builds the web build's zorrit-replay in WASM_BUILD_DIR, plays
# tests/replay/golden.input and compares the trace with tests/replay/golden.trace
# byte for byte; with NATIVE_REPLAY (the desktop build's zorrit-replay), also
# the sound both capture on that script. Prints the build time and the size of
# the .wasm. Exit 77 (skipped) where emscripten or node is missing, unless
# CI=true.
set -euo pipefail
src="$(cd "$1" && pwd)"
build="$2"
native="${3:-}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

if ! command -v emcmake >/dev/null || ! command -v node >/dev/null; then
  echo "emscripten or node is missing (scripts/deps web installs them)"
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi

log="$build/build.log"
start=$(date +%s%N)
if ! { emcmake cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release &&
       cmake --build "$build" -j "${JOBS:-2}" --target zorrit-replay; } >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "the web build failed (whole log: $log)"
  exit 1
fi
end=$(date +%s%N)
wasm="$build/tools/replay/zorrit-replay.wasm"
echo "web build: $(( (end - start) / 1000000 )) ms; zorrit-replay.wasm $(stat -c %s "$wasm") bytes" \
     "($(gzip -9c "$wasm" | wc -c) gzipped), .js $(stat -c %s "$build/tools/replay/zorrit-replay.js") bytes"

golden="$src/tests/replay/golden.trace"
trace="$build/golden.trace"
rm -f "$trace"
start=$(date +%s%N)
node "$build/tools/replay/zorrit-replay.js" --input "$src/tests/replay/golden.input" \
  --picture-hash --trace "$trace" --audio "$build/golden.wav"
end=$(date +%s%N)
frames=$(wc -l < "$golden")
echo "replay under node ($(node --version)): $(( (end - start) / 1000000 )) ms for $(wc -l < "$trace") of $frames frames"
if ! cmp -s "$trace" "$golden"; then
  line=$(cmp "$trace" "$golden" | sed -n 's/.* line \([0-9]*\)$/\1/p')
  echo "the traces part at line ${line:-?} (web build, then golden):"
  sed -n "${line:-1}p" "$trace"
  sed -n "${line:-1}p" "$golden"
  exit 1
fi
echo "the trace matches the golden trace frame for frame, picture hashes included"

[ -n "$native" ] || exit 0
"$native" --input "$src/tests/replay/golden.input" --audio "$build/golden.native.wav"
if ! cmp "$build/golden.wav" "$build/golden.native.wav"; then
  echo "the sound captured under node differs from the desktop build's (both in $build)"
  exit 1
fi
echo "the captured sound matches the desktop build's, $(stat -c %s "$build/golden.wav") bytes"
exit 0
