// Presenting into the headless window's canvas, restoring lost surfaces and
// changing the magnification.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/present.h"
#include "graphics_fixture.h"
#include "platform/window.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

bool Never(int32_t, int32_t) { return false; }

// Scribbles over a whole slot surface behind the graphics layer's back.
void Scribble(int32_t slot) {
  PlatformSurface* s = displayState.slots[slot].surface;
  int32_t pitch = 0;
  uint8_t* p = PlatformSurfacePixelsMutable(s, &pitch);
  for (int32_t y = 0; y < PlatformSurfaceHeight(s); ++y)
    std::memset(p + y * pitch, 0x5A, static_cast<size_t>(PlatformSurfaceWidth(s)) * 4);
}

class Presenting : public gfxtest::DisplayTest {
 protected:
  void TearDown() override {
    gfxtest::DisplayTest::TearDown();
    DestroyPlatformWindow(window);
  }
  PlatformWindow* window = nullptr;
};

TEST_F(Presenting, CopiesTheScreenToTheClientOffsetCutToTheCanvas) {
  EXPECT_EQ(0, Present());  // display not open
  Open(2);
  EXPECT_EQ(0, Present());  // no window
  CloseDisplay(nullptr);

  window = CreatePlatformWindow("t", 660, 500);
  ASSERT_NE(nullptr, window);
  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(window, dir.path.c_str()));
  ASSERT_EQ(1, CreateScreen(window, 320, 240, 2));
  SetClientOffset(10, 12);
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  FillPlatformSurface(canvas, PlatformRect{0, 0, 660, 500}, 0x303030);
  FillBack(kScreenRect, 0x0000FF);
  FillBack(Rect{0, 0, 1, 1}, 0x00FF00);
  FillBack(Rect{319, 239, 320, 240}, 0xFF0000);

  HeadlessWindowRecord before = {}, after = {};
  GetHeadlessWindowRecord(window, &before);
  ASSERT_EQ(1, Present());
  GetHeadlessWindowRecord(window, &after);
  EXPECT_EQ(before.updates + 1, after.updates);
  EXPECT_TRUE(SurfaceMatches(canvas, 1, [](int32_t x, int32_t y) -> uint32_t {
    if (x < 10 || y < 12 || x >= 650 || y >= 492) return 0x303030;
    if (x < 12 && y < 14) return 0x00FF00;
    if (x >= 648 && y >= 490) return 0xFF0000;
    return 0x0000FF;
  }));

  // A picture corner that puts part of the screen outside the canvas: the
  // visible part is shown, nothing else is touched.
  FillPlatformSurface(canvas, PlatformRect{0, 0, 660, 500}, 0x303030);
  SetClientOffset(-6, 300);
  FillBack(Rect{3, 0, 4, 1}, 0xFFFF00);  // device (6, 0): the canvas's (0, 300)
  ASSERT_EQ(1, Present());
  EXPECT_TRUE(SurfaceMatches(canvas, 1, [](int32_t x, int32_t y) -> uint32_t {
    if (x >= 634 || y < 300) return 0x303030;
    if (x < 2 && y < 302) return 0xFFFF00;
    return 0x0000FF;
  }));
}

TEST_F(Presenting, RestoreRedrawsLostSlotsByKind) {
  window = CreatePlatformWindow("t", 320, 240);
  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(window, dir.path.c_str()));
  ASSERT_EQ(1, CreateScreen(window, 320, 240, 2));
  const std::string a = File("a.bmp", gfxtest::Bmp(8, 4, gfxtest::CodedDots(8, 4, Never)));
  ASSERT_EQ(1, LoadBitmapSlot(a.c_str(), 1, 1, 0));   // named, from a file
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 0, 0));       // blank
  ASSERT_EQ(1, LoadBitmapSlot(a.c_str(), 9, 1, 1));   // system memory
  EXPECT_EQ(0, RestoreSurfaces());                    // nothing lost
  const int32_t area = VideoBytesInUse();

  Scribble(1);
  Scribble(0);
  Scribble(9);
  NoteDisplayChanged();
  EXPECT_EQ(0, FillPlatformSurface(displayState.back, PlatformRect{0, 0, 1, 1}, 1));  // lost: refused
  EXPECT_EQ(5, RestoreSurfaces());  // window picture, back, three slots
  EXPECT_EQ(0, displayState.primaryLost);
  EXPECT_EQ(0, IsPlatformSurfaceLost(displayState.back));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[1].surface, 2, Coded));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, 2, [](int32_t, int32_t) { return 0u; }));
  EXPECT_EQ(0x5A5A5A5Au, ReadPlatformDot(displayState.slots[9].surface, 3, 3));  // not redrawn
  EXPECT_STREQ("a.bmp", displayState.slots[1].name);
  EXPECT_EQ(SLOT_FROM_FILE, displayState.slots[1].flags);
  EXPECT_EQ(area, VideoBytesInUse());

  // Present restores what was lost in the same call.
  Scribble(1);
  MarkPlatformSurfaceLost(displayState.slots[1].surface);
  ASSERT_EQ(1, Present());
  EXPECT_TRUE(SurfaceMatches(displayState.slots[1].surface, 2, Coded));
  EXPECT_EQ(0, RestoreSurfaces());
}

TEST_F(Presenting, MagnificationChangeRemakesScreenAndSlots) {
  Open(1);
  const int32_t before = baseline;
  const std::string a = File("big.bmp", gfxtest::Bmp(128, 128, gfxtest::CodedDots(128, 128, Never)));
  ASSERT_EQ(1, LoadBitmapSlot(a.c_str(), 3, 1, 0));
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 0, 1));
  EXPECT_EQ(before + 76800 + 16384 + 2048, VideoBytesInUse());

  EXPECT_EQ(1, SetMagnification(nullptr, 1));
  EXPECT_EQ(before + 76800 + 16384 + 2048, VideoBytesInUse());
  EXPECT_EQ(0, SetMagnification(nullptr, 0));
  EXPECT_EQ(1, displayState.magnification);

  ASSERT_EQ(1, SetMagnification(nullptr, 2));
  EXPECT_EQ(before + 307200 + 65536 + 8192, VideoBytesInUse());
  EXPECT_EQ(640, PlatformSurfaceWidth(displayState.back));
  const SurfaceSlot& s = displayState.slots[3];
  EXPECT_EQ(256, PlatformSurfaceWidth(s.surface));
  EXPECT_EQ(128, s.width);
  EXPECT_EQ(128, s.height);
  EXPECT_STREQ("big.bmp", s.name);
  EXPECT_EQ(SLOT_FROM_FILE, s.flags);
  EXPECT_TRUE(SurfaceMatches(s.surface, 2, Coded));
  EXPECT_EQ(SLOT_SYSTEM_MEMORY, displayState.slots[0].flags);
  EXPECT_EQ(nullptr, displayState.slots[0].name);
  EXPECT_EQ(256, PlatformSurfaceWidth(displayState.slots[0].surface));
  FillBack(Rect{310, 230, 320, 240}, 0x0000FF);  // the new back takes the whole screen
  EXPECT_EQ(0x0000FFu, ReadPlatformDot(displayState.back, 639, 479));

  ASSERT_EQ(1, SetMagnification(nullptr, 3));
  EXPECT_EQ(before + (76800 + 16384 + 2048) * 9, VideoBytesInUse());
  EXPECT_TRUE(SurfaceMatches(s.surface, 3, Coded));
}

}  // namespace
