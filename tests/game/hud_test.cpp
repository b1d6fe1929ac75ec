// Digits, labels and the HUD in pixels: frames composed on the headless
// back surface with the embedded sheets, compared dot for dot with the
// sheets' own cells copied to the expected places.
#include <gtest/gtest.h>

#include <tuple>

#include "game_test_support.h"
#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/surface.h"

namespace {

class HudPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenDisplay(nullptr, nullptr), 1);
    ASSERT_EQ(CreateScreen(nullptr, 320, 240, 1), 1);
    ASSERT_EQ(LoadBitmapSlot("BMP_ZORRIT", SLOT_SHEET, 0, 0), 1);
    ASSERT_EQ(LoadBitmapSlot("BMP_CHARACTOR", SLOT_CHARACTERS, 0, 0), 1);
    ResetWorld();
    Clear();
  }
  void TearDown() override { CloseDisplay(nullptr); }

  void Clear() {
    FillBack(kScreenRect, 0);
    for (auto& row : expected_) {
      for (uint32_t& dot : row) dot = 0;
    }
  }

  // Copies the non-black dots of `src` on `slot` to (x, y) of the expected
  // picture, clipped to the screen. The cell must have some ink, or the
  // comparison could not tell it from nothing.
  void Expect(int32_t slot, const Rect& src, int32_t x, int32_t y) {
    const PlatformSurface* sheet = displayState.slots[slot].surface;
    ASSERT_NE(sheet, nullptr);
    int32_t ink = 0;
    for (int32_t sy = src.top; sy < src.bottom; ++sy) {
      for (int32_t sx = src.left; sx < src.right; ++sx) {
        uint32_t dot = ReadPlatformDot(sheet, sx, sy);
        if (dot == 0) continue;
        ++ink;
        int32_t dx = x + sx - src.left, dy = y + sy - src.top;
        if (dx >= 0 && dx < 320 && dy >= 0 && dy < 240) expected_[dy][dx] = dot;
      }
    }
    ASSERT_GT(ink, 0) << "blank cell " << src.left << "," << src.top;
  }

  // The character sheet's cell of code c.
  void ExpectGlyph(char c, int32_t x, int32_t y) {
    int32_t i = (unsigned char)c - 32;
    Expect(SLOT_CHARACTERS, Rect{8 * (i % 10), 8 * (i / 10), 8 * (i % 10) + 8, 8 * (i / 10) + 8},
           x, y);
  }

  void ExpectBigDigit(int32_t d, int32_t x, int32_t y) {
    Expect(SLOT_SHEET, Rect{8 * d, 112, 8 * d + 8, 128}, x, y);
  }

  // Number of dots of the back surface that differ from the expected picture.
  int32_t Differences() {
    int32_t differences = 0;
    for (int32_t y = 0; y < 240; ++y) {
      for (int32_t x = 0; x < 320; ++x) {
        uint32_t dot = ReadPlatformDot(displayState.back, x, y);
        if (dot != expected_[y][x]) {
          if (differences == 0) ADD_FAILURE() << "first difference at " << x << "," << y;
          ++differences;
        }
      }
    }
    return differences;
  }

  uint32_t expected_[240][320];
};

// DrawNumber on the screen: where each glyph lands and what x it returns.
// Flags: low nibble the places (clamped to six), 0x10 centres on (x, y).
TEST_F(HudPixels, NumbersClampPadCentreAndSign) {
  struct Case {
    int32_t x, y, value, flags, end;
    const char* what;
    std::vector<std::tuple<char, int32_t, int32_t>> dots;  // glyph, x, y
  };
  const Case cases[] = {
      {304, 3, 7, 2, 316, "7 right-aligned", {{'7', 310, 3}}},
      {304, 3, 100, 2, 316, "two places hold 99", {{'9', 304, 3}, {'9', 310, 3}}},
      {304, 3, 0, 2, 316, "zero", {{'0', 310, 3}}},
      {100, 50, -5, 2, 112, "negative", {{'-', 100, 50}, {'5', 106, 50}}},
      {100, 50, 42, 0x12, 106, "centred: width 12", {{'4', 94, 46}, {'2', 100, 46}}},
      {100, 50, -5, 0x12, 109, "centred negative: width 7", {{'-', 97, 46}, {'5', 103, 46}}},
      {100, 50, -123, 2, 112, "-123 in two places", {{'-', 94, 50}, {'9', 100, 50}, {'9', 106, 50}}},
      {100, 50, INT32_MIN, 3, 118, "INT32_MIN", {{'-', 94, 50}, {'9', 100, 50}, {'9', 106, 50}, {'9', 112, 50}}},
      {100, 50, 5, 3, 118, "leading blanks", {{'5', 112, 50}}},
      {100, 50, 5, 9, 136, "nine places act as six", {{'5', 130, 50}}},
      {100, 50, 12345678, 15, 136, "six nines",
       {{'9', 100, 50}, {'9', 106, 50}, {'9', 112, 50}, {'9', 118, 50}, {'9', 124, 50}, {'9', 130, 50}}},
      {100, 50, 1005, 4, 124, "inner zeros", {{'1', 100, 50}, {'0', 106, 50}, {'0', 112, 50}, {'5', 118, 50}}},
      {200, 50, 77, 0x10, 200, "no places", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Clear();
    EXPECT_EQ(DrawNumber(kScreenRect, c.x, c.y, c.value, c.flags, 0), c.end);
    for (auto [g, x, y] : c.dots) ExpectGlyph(g, x, y);
    EXPECT_EQ(Differences(), 0);
  }
}

TEST_F(HudPixels, NumbersDrawIntoASlotUnclipped) {
  ASSERT_EQ(CreateBlankSlot(32, 16, 5, 0), 1);
  FillSlot(nullptr, 0, 5);
  EXPECT_EQ(DrawNumber(kScreenRect, 2, 4, 31, 2, 5), 14);
  // Show the slot on the back surface to compare it the same way.
  PutSpriteUnclipped(0, 0, Rect{0, 0, 32, 16}, 5);
  ExpectGlyph('3', 2, 4);
  ExpectGlyph('1', 8, 4);
  EXPECT_EQ(Differences(), 0);
}

// Codes 32 to 131 have cells; other bytes draw nothing but still advance.
TEST_F(HudPixels, LabelsDrawCodes32To131AndCentre) {
  EXPECT_EQ(DrawLabel(kScreenRect, 100, 50, "A\xC8" "B\x1F" "C", 0, 0), 130);
  ExpectGlyph('A', 100, 50);
  ExpectGlyph('B', 112, 50);
  ExpectGlyph('C', 124, 50);
  EXPECT_EQ(DrawLabel(kScreenRect, 100, 70, "AB", 0x10, 0), 106);
  ExpectGlyph('A', 94, 66);
  ExpectGlyph('B', 100, 66);
  EXPECT_EQ(DrawLabel(kScreenRect, 60, 60, "", 0x10, 0), 60);
  EXPECT_EQ(Differences(), 0);

  // A solid character sheet, so that every cell has ink whatever the art.
  Clear();
  ReleaseSlot(SLOT_CHARACTERS);
  ASSERT_EQ(CreateBlankSlot(80, 80, SLOT_CHARACTERS, 0), 1);
  FillSlot(nullptr, 0x00C0FFEE, SLOT_CHARACTERS);
  EXPECT_EQ(DrawLabel(kScreenRect, 10, 10, "\x1F\x20\x83\x84\xFF", 0, 0), 40);
  ExpectGlyph(' ', 16, 10);
  ExpectGlyph('\x83', 22, 10);
  EXPECT_EQ(Differences(), 0);
}

TEST_F(HudPixels, ScoresInBigDigitsWithLeadingZeros) {
  struct Case {
    int32_t value, hundreds, tens, units;
  };
  const Case cases[] = {{7, 0, 0, 7}, {10, 0, 1, 0}, {999, 9, 9, 9}, {0, 0, 0, 0}, {-5, 0, 0, 0},
                        {380, 3, 8, 0}};
  for (const Case& c : cases) {
    Clear();
    DrawScore3(c.value, 100);
    ExpectBigDigit(c.hundreds, 275, 100);
    ExpectBigDigit(c.tens, 283, 100);
    ExpectBigDigit(c.units, 291, 100);
    EXPECT_EQ(Differences(), 0) << "score " << c.value;
  }
}

TEST_F(HudPixels, HudComposesScoresLabelsAndCaptionsInOrder) {
  world.score = 42;
  world.bestScore = 123;
  DrawHud();
  ExpectBigDigit(0, 275, 203);
  ExpectBigDigit(4, 283, 203);
  ExpectBigDigit(2, 291, 203);
  ExpectBigDigit(1, 275, 21);
  ExpectBigDigit(2, 283, 21);
  ExpectBigDigit(3, 291, 21);
  Expect(SLOT_SHEET, Rect{80, 121, 128, 128}, 225, 212);
  Expect(SLOT_SHEET, Rect{80, 121, 128, 128}, 225, 21);
  Expect(SLOT_SHEET, Rect{80, 112, 97, 119}, 207, 21);
  Expect(SLOT_SHEET, Rect{64, 95, 87, 102}, 21, 212);
  Expect(SLOT_SHEET, Rect{64, 84, 128, 92}, 48, 211);
  Expect(SLOT_SHEET, Rect{80, 16, 128, 23}, 140, 223);
  EXPECT_EQ(Differences(), 0);
}

}  // namespace
