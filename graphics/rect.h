// The rectangle of the game and graphics: {left, top, right, bottom} in dots,
// right and bottom exclusive.
#pragma once
#include <cstdint>

struct Rect {
  int32_t left, top, right, bottom;
};

// The whole 320 x 240 screen; every sprite of the game is clipped to it.
inline constexpr Rect kScreenRect = {0, 0, 320, 240};
