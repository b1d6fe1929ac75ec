// Shared helpers of the game tests: pads, the effect log and a fresh world.
#pragma once
#include <cstdint>
#include <vector>

#include "game/game_world.h"
#include "sound/cues.h"

inline PadState Pad(uint32_t held, uint32_t triggered = 0) {
  return PadState{held, triggered, held & ~triggered};
}

// The effects started since the last call, in order.
inline std::vector<int32_t> TakeEffects() {
  int32_t slots[256];
  int32_t count = TakeEffectLog(slots, 256);
  if (count > 256) count = 256;
  return std::vector<int32_t>(slots, slots + count);
}

// A world just reset, in the given mode, with the effect log emptied.
inline void FreshWorld(int32_t mode) {
  ResetWorld();
  world.mode = mode;
  TakeEffects();
}
