// Key events onto virtual-key codes. SDL scancodes and keycodes are written
// as their numbers (a stable part of SDL's interface): a keycode of a key that
// types nothing is its scancode | 0x40000000.
#include <gtest/gtest.h>

#include "platform/keymap.h"

namespace {

constexpr int kMask = 0x40000000;

struct KeyCase {
  const char* what;
  int scancode, keycode;
  uint32_t expected;
};

TEST(KeymapTest, KeysWhoseMeaningDoesNotDependOnTheLayout) {
  const KeyCase cases[] = {
      {"left", 80, 80 | kMask, 37},        {"up", 82, 82 | kMask, 38},
      {"right", 79, 79 | kMask, 39},       {"down", 81, 81 | kMask, 40},
      {"space", 44, ' ', 32},              {"escape", 41, 27, 27},
      {"F1", 58, 58 | kMask, 112},         {"F2", 59, 59 | kMask, 113},
      {"F12", 69, 69 | kMask, 123},        {"F13", 104, 104 | kMask, 124},
      {"enter", 40, '\r', 13},             {"keypad enter", 88, 88 | kMask, 13},
      {"backspace", 42, '\b', 8},          {"tab", 43, '\t', 9},
      {"left shift", 225, 225 | kMask, 16}, {"right control", 228, 228 | kMask, 17},
      {"alt gr", 230, 230 | kMask, 18},    {"pause", 72, 72 | kMask, 19},
      {"caps lock", 57, 57 | kMask, 20},   {"page up", 75, 75 | kMask, 33},
      {"page down", 78, 78 | kMask, 34},   {"end", 77, 77 | kMask, 35},
      {"home", 74, 74 | kMask, 36},        {"insert", 73, 73 | kMask, 45},
      {"delete", 76, 127, 46},             {"keypad 0", 98, 98 | kMask, 96},
      {"keypad 9", 97, 97 | kMask, 105},   {"keypad *", 85, 85 | kMask, 106},
      {"keypad +", 87, 87 | kMask, 107},   {"keypad -", 86, 86 | kMask, 109},
      {"keypad .", 99, 99 | kMask, 110},   {"keypad /", 84, 84 | kMask, 111},
      {"num lock", 83, 83 | kMask, 144},   {"scroll lock", 71, 71 | kMask, 145},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(VirtualKeyFromSdl(c.scancode, c.keycode), c.expected) << c.what;
}

TEST(KeymapTest, TypingKeysFollowTheLayoutAndFallBackToTheirPosition) {
  const KeyCase cases[] = {
      {"US a", 4, 'a', 'A'},
      {"US z", 29, 'z', 'Z'},
      {"US 0", 39, '0', '0'},
      {"US 1", 30, '1', '1'},
      {"French A on the Q position", 20, 'a', 'A'},
      {"French digit row unshifted '&'", 30, '&', '1'},
      {"French digit row unshifted e-acute", 31, 0xE9, '2'},
      {"Cyrillic letter on the A position", 4, 0x444, 'A'},
      {"semicolon", 51, ';', 186},
      {"equals", 46, '=', 187},
      {"comma", 54, ',', 188},
      {"minus", 45, '-', 189},
      {"period", 55, '.', 190},
      {"slash", 56, '/', 191},
      {"grave", 53, '`', 192},
      {"left bracket", 47, '[', 219},
      {"backslash", 49, '\\', 220},
      {"right bracket", 48, ']', 221},
      {"apostrophe", 52, '\'', 222},
      {"ISO key beside left shift, '<'", 100, '<', 226},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(VirtualKeyFromSdl(c.scancode, c.keycode), c.expected) << c.what;
}

TEST(KeymapTest, RemappedKeysAndTheKeypadAndUnknownKeys) {
  // Caps Lock remapped to Escape by the user: the meaning wins.
  EXPECT_EQ(VirtualKeyFromSdl(57, 27), 27u);
  // The keypad goes by position even if its keycode follows Num Lock.
  EXPECT_EQ(VirtualKeyFromSdl(95, '7'), 103u);
  EXPECT_EQ(VirtualKeyFromSdl(95, 74 | kMask), 103u);
  // An event with no scancode still maps by its keycode.
  EXPECT_EQ(VirtualKeyFromSdl(0, 80 | kMask), 37u);
  EXPECT_EQ(VirtualKeyFromSdl(0, 'q'), 'Q');
  // No code for these.
  EXPECT_EQ(VirtualKeyFromSdl(0, 0), 0u);
  EXPECT_EQ(VirtualKeyFromSdl(103, 103 | kMask), 0u);  // keypad '='
  EXPECT_EQ(VirtualKeyFromSdl(0, 0x444), 0u);
  // Every result is a table index.
  for (int scancode = 0; scancode < 512; ++scancode) {
    ASSERT_LE(VirtualKeyFromSdl(scancode, scancode | kMask), 255u) << scancode;
  }
}

}  // namespace
