// Text in the resource font, drawn in device dots whatever the magnification.
#include <gtest/gtest.h>

#include <cstring>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics_fixture.h"
#include "resources/resource_table.h"

using gfxtest::SurfaceMatches;

namespace {

constexpr uint32_t kGround = 0x123456;

class Text : public gfxtest::DisplayTest {
 protected:
  void SetUp() override {
    const EmbeddedResource* res = FindEmbeddedResource("TEXT_FONT", "FONT");
    ASSERT_NE(nullptr, res);
    sheet = DecodeBitmap(res->bytes, res->size);
    ASSERT_NE(nullptr, sheet);
  }
  void TearDown() override {
    ReleaseTextFont();
    DestroyPlatformSurface(sheet);
    gfxtest::DisplayTest::TearDown();
  }
  // Whether dot (c, r) of the glyph of code belongs to the glyph.
  bool GlyphDot(int32_t code, int32_t c, int32_t r) const {
    const int32_t g = code - 32;
    return ReadPlatformDot(sheet, (g % 16) * 6 + c, (g / 16) * 12 + r) != 0;
  }
  // The colour text drawn at (x, y) leaves at device dot (dx, dy).
  uint32_t Drawn(const char* text, int32_t x, int32_t y, int32_t dx, int32_t dy, uint32_t ground) const {
    const int32_t i = (dx - x) / 6;
    if (dx < x || dy < y || dy >= y + 12 || i >= static_cast<int32_t>(std::strlen(text))) return ground;
    const int32_t code = static_cast<unsigned char>(text[i]);
    if (code < 32 || code > 127) return ground;
    return GlyphDot(code, dx - x - 6 * i, dy - y) ? 0xFF0000u : ground;
  }
  PlatformSurface* sheet = nullptr;
};

TEST_F(Text, PutTextDrawsGlyphDotsAtDeviceDotsAndSkipsUnknownCodes) {
  Open(2);
  FillBack(kScreenRect, kGround);
  PutText(10, 10, "A", 0x0000FF);  // no font yet: nothing
  ASSERT_EQ(1, SetTextFont(nullptr, 6, 12));
  int32_t dotsOfA = 0;
  for (int32_t r = 0; r < 12; ++r)
    for (int32_t c = 0; c < 6; ++c) dotsOfA += GlyphDot('A', c, r);
  ASSERT_GT(dotsOfA, 4);  // the font really has an A

  const char* text = "A\xC8Zg~";
  PutText(10, 10, text, 0x0000FF);
  PutText(636, 475, "W", 0x0000FF);  // cut at the surface's corner
  EXPECT_TRUE(SurfaceMatches(displayState.back, 1, [&](int32_t x, int32_t y) {
    const uint32_t near = Drawn(text, 10, 10, x, y, kGround);
    return near != kGround ? near : Drawn("W", 636, 475, x, y, kGround);
  }));

  ASSERT_EQ(1, CreateBlankSlot(32, 8, 4, 0));
  PutTextToSlot(1, 0, "x", 0x0000FF, 4);
  PutTextToSlot(1, 0, "x", 0x0000FF, 64);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[4].surface, 1,
                             [&](int32_t x, int32_t y) { return Drawn("x", 1, 0, x, y, 0); }));

  ReleaseTextFont();
  FillBack(kScreenRect, kGround);
  PutText(10, 10, "A", 0x0000FF);
  EXPECT_TRUE(SurfaceMatches(displayState.back, 1, [](int32_t, int32_t) { return kGround; }));
}

}  // namespace
