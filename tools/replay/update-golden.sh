#!/bin/sh
# Regenerates the golden replay trace after a deliberate change of the game or
# its art: tools/replay/update-golden.sh BUILD_DIR
# (BUILD_DIR is a configured build tree; zorrit-replay is built there first.)
set -eu
build="${1:?usage: tools/replay/update-golden.sh BUILD_DIR}"
root="$(cd "$(dirname "$0")/../.." && pwd)"
cmake --build "$build" --target zorrit-replay -j2
"$build/tools/replay/zorrit-replay" --input "$root/tests/replay/golden.input" \
  --picture-hash --trace "$root/tests/replay/golden.trace"
echo "golden trace: $(wc -l < "$root/tests/replay/golden.trace") lines written to tests/replay/golden.trace"
