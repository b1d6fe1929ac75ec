// Drawing on real pixels at magnifications 1 and 2: every device dot of the
// back surface (or slot) is compared with a model in logical dots.
#include <gtest/gtest.h>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics_fixture.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

constexpr uint32_t kGround = 0x123456;
constexpr int32_t kSheet = 3;

// Black holes in the sheet, so every blit also checks the colour key.
bool Hole(int32_t x, int32_t y) { return (x + y) % 7 == 0; }
// What a sheet dot puts on a background dot.
uint32_t Over(int32_t sx, int32_t sy, uint32_t ground) { return Hole(sx, sy) ? ground : Coded(sx, sy); }

class Drawing : public gfxtest::DisplayTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  void SetUp() override {
    m = GetParam();
    Open(m);
    const std::string name = File("sheet.bmp", gfxtest::Bmp(400, 16, gfxtest::CodedDots(400, 16, Hole)));
    ASSERT_EQ(1, LoadBitmapSlot(name.c_str(), kSheet, 1, 0));
    FillBack(kScreenRect, kGround);
  }
  template <typename Expected>
  ::testing::AssertionResult Back(Expected e) {
    return SurfaceMatches(displayState.back, m, e);
  }
  int32_t m = 1;
};

TEST_P(Drawing, PutSpriteCutsAtTheClipRectangle) {
  const Rect cell = {0, 0, 16, 16};
  PutSprite(kScreenRect, -5, 100, cell, kSheet);   // cut on the left
  PutSprite(kScreenRect, 310, 150, cell, kSheet);  // cut on the right
  PutSprite(kScreenRect, 40, -9, cell, kSheet);    // cut at the top
  PutSprite(kScreenRect, 80, 230, cell, kSheet);   // cut at the bottom
  EXPECT_TRUE(Back([](int32_t x, int32_t y) {
    if (x < 11 && y >= 100 && y < 116) return Over(x + 5, y - 100, kGround);
    if (x >= 310 && y >= 150 && y < 166) return Over(x - 310, y - 150, kGround);
    if (x >= 40 && x < 56 && y < 7) return Over(x - 40, y + 9, kGround);
    if (x >= 80 && x < 96 && y >= 230) return Over(x - 80, y - 230, kGround);
    return kGround;
  }));
}

TEST_P(Drawing, SpritesWhollyOutsideOrTooWideForTheSurfaceDrawNothingOrTheVisiblePart) {
  const Rect cell = {0, 0, 16, 16};
  PutSprite(kScreenRect, 320, 100, cell, kSheet);
  PutSprite(kScreenRect, -16, 100, cell, kSheet);
  PutSprite(kScreenRect, 0, 240, cell, kSheet);
  PutSprite(kScreenRect, 10, 10, cell, 64);  // refused slots
  PutSprite(kScreenRect, 10, 10, cell, 9);
  PutSpriteUnclipped(310, 0, cell, kSheet);  // reaches past the right edge: nothing
  // A clip reaching past the back surface lets the sprite through to be refused whole.
  PutSprite(Rect{0, 0, 400, 240}, 310, 50, cell, kSheet);
  EXPECT_TRUE(Back([](int32_t, int32_t) { return kGround; }));

  // 400 dots wide at x -40: both sides cut, source columns 40..359 drawn.
  PutSprite(kScreenRect, -40, 0, Rect{0, 0, 400, 16}, kSheet);
  PutSpriteUnclipped(8, 200, Rect{16, 0, 32, 16}, kSheet);
  EXPECT_TRUE(Back([](int32_t x, int32_t y) {
    if (y < 16) return Over(x + 40, y, kGround);
    if (x >= 8 && x < 24 && y >= 200 && y < 216) return Over(x - 8 + 16, y - 200, kGround);
    return kGround;
  }));
}

TEST_P(Drawing, FillsClampAndFramesOutlineInLogicalDots) {
  FillBackClipped(kScreenRect, Rect{300, 200, 400, 300}, 0x0000AA);
  FillBackClipped(kScreenRect, Rect{500, 10, 600, 20}, 0x0000BB);  // misses the clip: nothing
  FrameBack(kScreenRect, Rect{10, 10, 20, 20}, 0x00CC00);
  FrameBack(kScreenRect, Rect{-10, 50, 30, 80}, 0x00DD00);
  FillBack(Rect{100, 100, 90, 110}, 0xEEEEEE);  // inverted: nothing
  FillBack(Rect{100, 100, 321, 110}, 0xEEEEEE);  // past the edge: nothing at all
  EXPECT_TRUE(Back([](int32_t x, int32_t y) -> uint32_t {
    if (x >= 300 && y >= 200) return 0x0000AA;
    const bool in1 = x >= 10 && x < 20 && y >= 10 && y < 20;
    if (in1 && (x == 10 || x == 19 || y == 10 || y == 19)) return 0x00CC00;
    const bool in2 = x < 30 && y >= 50 && y < 80;
    if (in2 && (x == 0 || x == 29 || y == 50 || y == 79)) return 0x00DD00;
    return kGround;
  }));
}

TEST_P(Drawing, SlotFillsSpritesBetweenSlotsAndGrabbingTheBack) {
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 0, 0));
  FillSlot(nullptr, 0x404040, 0);  // the whole slot
  FillSlot(nullptr, 0x404040, 64);
  PutSpriteToSlot(100, 4, Rect{0, 0, 16, 16}, 0, kSheet);   // past the slot's edge: nothing
  PutSpriteToSlot(10, 0, Rect{0, 0, 16, 16}, 0, 64);        // refused source
  PutSpriteToSlot(10, 0, Rect{0, 0, 16, 16}, 7, kSheet);    // empty destination
  PutSpriteToSlot(20, 0, Rect{32, 0, 48, 16}, 0, kSheet);
  const Rect part = {4, 2, 8, 6};
  FillSlot(&part, 0x0000FF, 0);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, m, [](int32_t x, int32_t y) -> uint32_t {
    if (x >= 4 && x < 8 && y >= 2 && y < 6) return 0x0000FF;
    if (x >= 20 && x < 36) return Over(x - 20 + 32, y, 0x404040);
    return 0x404040;
  }));

  // GrabBack copies the whole screen, black included, into a screen-sized slot.
  FillBack(Rect{0, 0, 5, 5}, 0);
  ASSERT_EQ(1, CreateBlankSlot(320, 240, 6, 0));
  FillSlot(nullptr, 0x999999, 6);
  GrabBack(6);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[6].surface, m,
                             [](int32_t x, int32_t y) { return x < 5 && y < 5 ? 0u : kGround; }));
  GrabBack(0);  // smaller than the screen: receives nothing
  EXPECT_EQ(0x0000FFu, ReadPlatformDot(displayState.slots[0].surface, 4 * m, 2 * m));
}

TEST_P(Drawing, MatchColourGivesTheStoredValue) {
  EXPECT_EQ(0u, MatchColour(0));
  EXPECT_EQ(0x0000F0u, MatchColour(0xF00000));
  EXPECT_EQ(0xF0F0F0u, MatchColour(0xF0F0F0));
  EXPECT_EQ(0xFF0000u, MatchColour(0x0000FF));
  EXPECT_EQ(kGround, ReadPlatformDot(displayState.back, 0, 0));  // the back is untouched
  // A lost back surface still answers: the loop's clear colour stays black.
  MarkPlatformSurfaceLost(displayState.back);
  EXPECT_EQ(0u, MatchColour(0));
  EXPECT_EQ(0x0000F0u, MatchColour(0xF00000));
  ReleaseScreen();
  EXPECT_EQ(0xFFFFFFFFu, MatchColour(0));
}

INSTANTIATE_TEST_SUITE_P(Magnification, Drawing, ::testing::Values(1, 2));

}  // namespace
