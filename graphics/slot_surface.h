// Shared by the graphics sources only: the surface of a slot, or null when
// the slot number is outside 0..63 or the slot is empty. Every operation that
// names a slot refuses it through this one test.
#pragma once
#include <cstdint>
#include "graphics/display.h"

inline PlatformSurface* SlotSurface(int32_t slot) {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  return displayState.slots[slot].surface;
}

// 1 when slot is a valid number whose slot is empty (ready to be filled).
inline int SlotSurfaceFree(int32_t slot) {
  return slot >= 0 && slot < kSlotCount && !displayState.slots[slot].surface;
}
