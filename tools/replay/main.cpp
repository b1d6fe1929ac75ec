// zorrit-replay: runs the game headless from a key script; see replay.h.
#include "tools/replay/replay.h"

int main(int argc, char** argv) { return ReplayMain(argc, argv); }
