// Key events onto virtual-key codes. SDL scancodes and keycodes are written
// as their numbers (a stable part of SDL's interface); the keycode of a key
// that types nothing is its scancode | 0x40000000.
#include <gtest/gtest.h>

#include "platform/keymap.h"

namespace {

constexpr int kMask = 0x40000000;

TEST(KeymapTest, SpotChecks) {
  const struct { const char* what; int scancode, keycode; uint32_t expected; } cases[] = {
      {"left", 80, 80 | kMask, 37},      {"up", 82, 82 | kMask, 38},
      {"right", 79, 79 | kMask, 39},     {"down", 81, 81 | kMask, 40},
      {"space", 44, ' ', 32},            {"escape", 41, 27, 27},
      {"F1", 58, 58 | kMask, 112},       {"F12", 69, 69 | kMask, 123},
      {"right shift", 229, 229 | kMask, 16}, {"delete", 76, 127, 46},
      {"keypad 0", 98, 98 | kMask, 96},  {"keypad /", 84, 84 | kMask, 111},
      {"US a", 4, 'a', 'A'},             {"US 0", 39, '0', '0'},
      {"semicolon", 51, ';', 186},       {"apostrophe", 52, '\'', 222},
      {"French A on the Q position", 20, 'a', 'A'},
      {"French digit row unshifted", 30, '&', '1'},
      {"Cyrillic letter on the A position", 4, 0x444, 'A'},
      {"ISO key beside left shift", 100, '<', 226},
      {"Caps Lock remapped to Escape", 57, 27, 27},
      {"keypad 7 whatever its keycode", 95, '7', 103},
      {"no scancode", 0, 80 | kMask, 37},
      {"unknown", 0, 0, 0},
      {"keypad =, no code", 103, 103 | kMask, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyFromSdl(c.scancode, c.keycode), c.expected) << c.what;
  for (int scancode = 0; scancode < 512; ++scancode) {
    ASSERT_LE(VirtualKeyFromSdl(scancode, scancode | kMask), 255u) << "beyond the table: " << scancode;
  }
}

}  // namespace
