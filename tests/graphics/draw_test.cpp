// Composed frames at magnifications 1 and 2: every device dot of the back
// surface (or a slot) is compared with a model in logical dots; text is drawn
// in device dots in the resource font.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/bitmap.h"
#include "graphics/draw.h"
#include "graphics_fixture.h"
#include "resources/resource_table.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

constexpr uint32_t kGround = 0x123456;
constexpr int32_t kSheet = 3;

// Black holes in the sheet, so every blit also checks the colour key.
uint32_t Sheet(int32_t x, int32_t y) { return (x + y) % 7 ? Coded(x, y) : 0u; }
// What sheet dot (sx, sy) leaves on a dot of colour ground.
uint32_t Over(int32_t sx, int32_t sy, uint32_t ground = kGround) { return Sheet(sx, sy) ? Sheet(sx, sy) : ground; }

class Drawing : public gfxtest::DisplayTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  void SetUp() override {
    Open(m);
    ASSERT_EQ(1, LoadBitmapSlot(File("sheet.bmp", 400, 16, Sheet).c_str(), kSheet, 1, 0));
    FillBack(kScreenRect, kGround);
  }
  const int32_t m = GetParam();
};

TEST_P(Drawing, SpritesAreCutAtTheClipRectangleOrDrawNothing) {
  const Rect cell = {0, 0, 16, 16};
  PutSprite(kScreenRect, -5, 100, cell, kSheet);   // cut on the left
  PutSprite(kScreenRect, 310, 150, cell, kSheet);  // on the right
  PutSprite(kScreenRect, 40, -9, cell, kSheet);    // at the top
  PutSprite(kScreenRect, 80, 230, cell, kSheet);   // at the bottom
  PutSprite(Rect{0, 20, 320, 36}, -40, 20, Rect{0, 0, 400, 16}, kSheet);  // both sides: columns 40..359
  for (int32_t x : {320, -16}) PutSprite(kScreenRect, x, 100, cell, kSheet);  // wholly outside
  PutSprite(kScreenRect, 0, 240, cell, kSheet);
  for (int32_t slot : {64, 9}) PutSprite(kScreenRect, 10, 10, cell, slot);  // refused slots
  PutSpriteUnclipped(310, 0, cell, kSheet);  // reaches past the right edge: refused whole
  PutSprite(Rect{0, 0, 400, 240}, 310, 50, cell, kSheet);  // a clip past the surface: refused whole
  PutSpriteUnclipped(8, 200, Rect{16, 0, 32, 16}, kSheet);
  EXPECT_TRUE(SurfaceMatches(displayState.back, m, [](int32_t x, int32_t y) {
    if (x < 11 && y >= 100 && y < 116) return Over(x + 5, y - 100);
    if (x >= 310 && y >= 150 && y < 166) return Over(x - 310, y - 150);
    if (x >= 40 && x < 56 && y < 7) return Over(x - 40, y + 9);
    if (x >= 80 && x < 96 && y >= 230) return Over(x - 80, y - 230);
    if (y >= 20 && y < 36) return Over(x + 40, y - 20);
    if (x >= 8 && x < 24 && y >= 200 && y < 216) return Over(x - 8 + 16, y - 200);
    return kGround;
  }));
}

TEST_P(Drawing, FillsClampFramesOutlineAndSlotsTakeSpritesAndTheBack) {
  FillBackClipped(kScreenRect, Rect{300, 200, 400, 300}, 0x0000AA);
  FillBackClipped(kScreenRect, Rect{500, 10, 600, 20}, 0x0000BB);  // misses the clip: nothing
  FrameBack(kScreenRect, Rect{10, 10, 20, 20}, 0x00CC00);
  FrameBack(kScreenRect, Rect{-10, 50, 30, 80}, 0x00DD00);
  FillBack(Rect{100, 100, 90, 110}, 0xEEEEEE);   // inverted: nothing
  FillBack(Rect{100, 100, 321, 110}, 0xEEEEEE);  // past the edge: nothing at all
  FillBack(Rect{0, 0, 5, 5}, 0);
  auto frame = [](int32_t x, int32_t y) -> uint32_t {
    if (x >= 300 && y >= 200) return 0x0000AA;
    if (x < 5 && y < 5) return 0;
    if (x >= 10 && x < 20 && y >= 10 && y < 20 && (x == 10 || x == 19 || y == 10 || y == 19)) return 0x00CC00;
    if (x < 30 && y >= 50 && y < 80 && (x == 0 || x == 29 || y == 50 || y == 79)) return 0x00DD00;
    return kGround;
  };
  EXPECT_TRUE(SurfaceMatches(displayState.back, m, frame));
  ASSERT_EQ(1, CreateBlankSlot(320, 240, 6, 0));  // GrabBack: the whole screen, black included
  FillSlot(nullptr, 0x999999, 6);
  GrabBack(6);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[6].surface, m, frame));
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 0, 0));
  FillSlot(nullptr, 0x404040, 0);
  PutSpriteToSlot(100, 4, Rect{0, 0, 16, 16}, 0, kSheet);  // past the slot's edge: nothing
  PutSpriteToSlot(10, 0, Rect{0, 0, 16, 16}, 0, 64);       // refused source
  PutSpriteToSlot(20, 0, Rect{32, 0, 48, 16}, 0, kSheet);
  const Rect part = {4, 2, 8, 6};
  FillSlot(&part, 0x0000FF, 0);
  GrabBack(0);  // smaller than the screen: receives nothing
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, m, [](int32_t x, int32_t y) -> uint32_t {
    if (x >= 4 && x < 8 && y >= 2 && y < 6) return 0x0000FF;
    return x >= 20 && x < 36 ? Over(x - 20 + 32, y, 0x404040) : 0x404040;
  }));
  EXPECT_EQ(0x0000F0u, MatchColour(0xF00000));
  MarkPlatformSurfaceLost(displayState.back);  // still answers: the loop's clear colour stays black
  EXPECT_EQ(0u, MatchColour(0));
  ReleaseScreen();
  EXPECT_EQ(0xFFFFFFFFu, MatchColour(0));
}

TEST_P(Drawing, TextDrawsGlyphDotsAtDeviceDotsAndSkipsUnknownCodes) {
  const EmbeddedResource* res = FindEmbeddedResource("TEXT_FONT", "FONT");
  PlatformSurface* font = DecodeBitmap(res->bytes, res->size);
  // Where text at (x, y) leaves colour at device dot (dx, dy): code c's glyph is
  // at column (c - 32) % 16, row (c - 32) / 16 of 6 x 12 cells, codes 32..127.
  auto drawn = [font](const char* text, int32_t x, int32_t y, int32_t dx, int32_t dy, uint32_t ground) {
    const int32_t i = (dx - x) / 6, g = dx < x || dy < y || dy >= y + 12 || i >= int32_t(std::strlen(text))
                                           ? -1 : static_cast<unsigned char>(text[i]) - 32;
    if (g < 0 || g >= 96) return ground;
    return ReadPlatformDot(font, (g % 16) * 6 + dx - x - 6 * i, (g / 16) * 12 + dy - y) ? 0xFF0000u : ground;
  };
  PutText(10, 10, "A", 0x0000FF);  // no font yet: nothing
  ASSERT_EQ(1, SetTextFont(nullptr, 6, 12));
  const char* text = "A\x80Z\xC8g~";  // two codes past the table
  PutText(10, 10, text, 0x0000FF);
  PutText(320 * m - 4, 240 * m - 5, "W", 0x0000FF);  // cut at the surface's corner
  EXPECT_TRUE(SurfaceMatches(displayState.back, 1, [&](int32_t x, int32_t y) {
    const uint32_t near = drawn(text, 10, 10, x, y, kGround);
    return near != kGround ? near : drawn("W", 320 * m - 4, 240 * m - 5, x, y, kGround);
  }));
  ASSERT_EQ(1, CreateBlankSlot(32, 8, 4, 0));
  for (int32_t slot : {4, 64}) PutTextToSlot(1, 0, "x", 0x0000FF, slot);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[4].surface, 1, [&](int32_t x, int32_t y) { return drawn("x", 1, 0, x, y, 0); }));
  ReleaseTextFont();
  FillBack(kScreenRect, kGround);
  PutText(10, 10, "A", 0x0000FF);
  EXPECT_TRUE(SurfaceMatches(displayState.back, 1, [](int32_t, int32_t) { return kGround; }));
  DestroyPlatformSurface(font);
}

INSTANTIATE_TEST_SUITE_P(Magnification, Drawing, ::testing::Values(1, 2));

}  // namespace
