// The display record and its slot table: the screen and the area count, blank
// slots, bitmaps loaded and reloaded from files; presenting into the headless
// window's canvas, restoring lost surfaces, changing the magnification.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "graphics/bitmap.h"
#include "graphics/draw.h"
#include "graphics/present.h"
#include "graphics_fixture.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

class Slots : public gfxtest::DisplayTest {};

TEST_F(Slots, ScreenAndBlankSlotsAreCountedOnceAndOnlyRealSlotsAnswer) {
  EXPECT_EQ(0, OpenDisplay(nullptr, std::string(260, 'd').c_str()));  // with its terminator: too long
  EXPECT_STREQ("", displayState.dataDir);
  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(nullptr, std::string(259, 'd').c_str()));
  ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, 2));
  EXPECT_EQ(baseline + 640 * 480, VideoBytesInUse());
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 5, 1));
  EXPECT_EQ(baseline + 640 * 480 + 256 * 32, VideoBytesInUse());
  EXPECT_EQ(SLOT_SYSTEM_MEMORY, displayState.slots[5].flags);
  EXPECT_EQ(0, CreateBlankSlot(128, 16, 5, 0) + CreateBlankSlot(0, 16, 6, 0) + CreateBlankSlot(8, 8, 64, 0));
  int32_t w = -1, h = -1;
  EXPECT_EQ(0, GetSlotSize(&w, &h, 64) + GetSlotSize(&w, &h, 4) + GetSlotSize(&w, &h, -1));
  EXPECT_EQ(128 * 1000 - 1, GetSlotSize(&w, nullptr, 5) * (w * 1000 + h));
  for (int32_t slot : {64, -1, 4}) ReleaseSlot(slot);
  ReleaseScreen();
  ReleaseScreen();  // nothing held: nothing taken off twice
  EXPECT_EQ(baseline + 256 * 32, VideoBytesInUse());
  ReleaseSlot(5);
  EXPECT_EQ(baseline, VideoBytesInUse());
  const SurfaceSlot& s = displayState.slots[5];
  EXPECT_TRUE(s.flags == 0 && s.name == nullptr && s.surface == nullptr && s.width == 0 && s.height == 0);
  EXPECT_EQ(0, CreateScreen(nullptr, 320, 240, 0));  // failed: not counted, not taken off
}

TEST_F(Slots, BitmapFilesLoadAtTheMagnificationUnderTheirNameAsPassed) {
  Open(2);
  const int32_t screen = VideoBytesInUse();
  const std::string name = File("pic.bmp", 6, 5, Coded);
  ASSERT_EQ(1, LoadBitmapSlot(name.c_str(), 1, 1, 0));
  const SurfaceSlot& s = displayState.slots[1];
  EXPECT_STREQ("pic.bmp", s.name);
  EXPECT_EQ(SLOT_FROM_FILE, s.flags);
  EXPECT_EQ(6 * 1000 + 5, s.width * 1000 + s.height);
  EXPECT_EQ(screen + 12 * 10, VideoBytesInUse());
  EXPECT_TRUE(SurfaceMatches(s.surface, 2, Coded));
  auto small = [](int32_t x, int32_t y) { return x + 2u * y + 1; };
  const std::string other = File("other.bmp", 2, 2, small);
  EXPECT_EQ(0, LoadBitmapSlot(other.c_str(), 1, 1, 0));  // occupied: the first stays
  EXPECT_STREQ("pic.bmp", s.name);
  EXPECT_EQ(0, LoadBitmapSlot(name.c_str(), 64, 1, 0) + LoadBitmapSlot("missing.bmp", 2, 1, 0) +
                   LoadBitmapSlot(name.c_str(), 2, 0, 0) + LoadBitmapSlot("SE01", 2, 0, 0));  // not bitmap resources
  // A name starting with '/' is used as it is; system memory is recorded.
  ASSERT_EQ(1, LoadBitmapSlot((dir + "/other.bmp").c_str(), 2, 1, 1));
  EXPECT_EQ(SLOT_FROM_FILE | SLOT_SYSTEM_MEMORY, displayState.slots[2].flags);
  EXPECT_TRUE(SurfaceMatches(displayState.slots[2].surface, 2, small));
  // A reload draws at the bitmap's own size over what is there and takes the
  // new name (the slot's own included), or the resource's without the file flag.
  ASSERT_EQ(1, CreateBlankSlot(8, 8, 0, 0));
  FillSlot(nullptr, 0x555555, 0);
  ASSERT_EQ(1, ReloadBitmapSlot(other.c_str(), 0, 1));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, 2, [&](int32_t x, int32_t y) {
    return x < 2 && y < 2 ? small(x, y) : 0x555555u;
  }));
  EXPECT_EQ(0, ReloadBitmapSlot("gone.bmp", 0, 1) + ReloadBitmapSlot(other.c_str(), 9, 1));  // 9 is empty
  ASSERT_EQ(1, ReloadBitmapSlot(displayState.slots[0].name, 0, 1));
  EXPECT_STREQ("other.bmp", displayState.slots[0].name);
  EXPECT_EQ(SLOT_FROM_FILE, displayState.slots[0].flags);
  ASSERT_EQ(1, ReloadBitmapSlot("BMP_ESCAPE", 0, 0));
  EXPECT_EQ(0u, displayState.slots[0].flags);
  EXPECT_EQ(screen + 12 * 10 + 4 * 4 + 16 * 16, VideoBytesInUse());
}

// Data directory + '/' + name must stay under 260 characters.
TEST_F(Slots, ResolvedPathsOfTwoHundredSixtyCharactersFail) {
  const std::string sub(199 - dir.size(), 'd'), data = dir + "/" + sub;  // 200 characters
  const std::string fits(58, 'f'), tooLong = fits + "g";                   // paths of 259 and 260
  ASSERT_EQ(0, mkdir(data.c_str(), 0700));
  for (const std::string& name : {fits, tooLong}) File(sub + "/" + name, 1, 1, Coded);
  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(nullptr, data.c_str()));
  ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, 1));
  EXPECT_EQ(1, LoadBitmapSlot(fits.c_str(), 1, 1, 0));
  EXPECT_EQ(1, LoadBitmapSlot((data + "/" + fits).c_str(), 3, 1, 0));
  // Cut to 259 characters, the path would name the first file.
  EXPECT_EQ(0, LoadBitmapSlot(tooLong.c_str(), 2, 1, 0) + LoadBitmapSlot((data + "/" + tooLong).c_str(), 4, 1, 0) +
                   ReloadBitmapSlot(tooLong.c_str(), 1, 1));
  ReleaseAllSlots();
  ASSERT_EQ(1, OpenDisplay(nullptr, nullptr));  // no data directory: from the root
  EXPECT_EQ(1, LoadBitmapSlot((data.substr(1) + "/" + fits).c_str(), 1, 1, 0));
}

TEST_F(Slots, PresentCopiesTheScreenToTheClientOffsetCutToTheCanvasAndRestores) {
  EXPECT_EQ(0, Present());  // display not open
  window = CreatePlatformWindow("t", 660, 500);
  Open(2, window);
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  FillBack(kScreenRect, 0x0000FF);
  FillBack(Rect{0, 0, 1, 1}, 0x00FF00);
  FillBack(Rect{319, 239, 320, 240}, 0xFF0000);
  for (const PlatformRect o : {PlatformRect{-6, -4, 0, 0}, PlatformRect{30, 300, 0, 0}}) {  // cut on two sides each
    FillPlatformSurface(canvas, PlatformRect{0, 0, 660, 500}, 0x303030);
    SetClientOffset(o.left, o.top);
    HeadlessWindowRecord before = {}, after = {};
    GetHeadlessWindowRecord(window, &before);
    ASSERT_EQ(1, Present());
    GetHeadlessWindowRecord(window, &after);
    EXPECT_EQ(before.updates + 1, after.updates);
    EXPECT_TRUE(SurfaceMatches(canvas, 1, [&](int32_t x, int32_t y) -> uint32_t {
      const int32_t bx = x - o.left, by = y - o.top;  // device dot of the back surface
      if (bx < 0 || by < 0 || bx >= 640 || by >= 480) return 0x303030;
      return bx < 2 && by < 2 ? 0x00FF00 : bx >= 638 && by >= 478 ? 0xFF0000 : 0x0000FF;
    })) << o.left << "," << o.top;
  }
  // Lost surfaces come back by kind: a named slot reread, a blank one black,
  // one in system memory as it was.
  const std::string a = File("a.bmp", 8, 4, Coded);
  ASSERT_EQ(1, LoadBitmapSlot(a.c_str(), 1, 1, 0) * CreateBlankSlot(128, 16, 0, 0) * LoadBitmapSlot(a.c_str(), 9, 1, 1));
  EXPECT_EQ(0, RestoreSurfaces());  // nothing lost
  const int32_t area = VideoBytesInUse();
  for (int32_t slot : {0, 1, 9}) FillSlot(nullptr, 0x5A5A5A, slot);
  NoteDisplayChanged();
  EXPECT_EQ(0, FillPlatformSurface(displayState.back, PlatformRect{0, 0, 1, 1}, 1));  // lost: refused
  EXPECT_EQ(5, RestoreSurfaces());  // window picture, back, three slots
  EXPECT_EQ(0, displayState.primaryLost + IsPlatformSurfaceLost(displayState.back));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[1].surface, 2, Coded));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, 2, [](int32_t, int32_t) { return 0u; }));
  EXPECT_EQ(0x5A5A5Au, ReadPlatformDot(displayState.slots[9].surface, 3, 3));
  EXPECT_EQ(area, VideoBytesInUse());
  FillSlot(nullptr, 0x5A5A5A, 1);
  MarkPlatformSurfaceLost(displayState.slots[1].surface);
  ASSERT_EQ(1, Present());  // restores in the same call
  EXPECT_TRUE(SurfaceMatches(displayState.slots[1].surface, 2, Coded));
  EXPECT_EQ(0, RestoreSurfaces());
}

TEST_F(Slots, MagnificationChangeRemakesScreenAndSlots) {
  Open(1);
  ASSERT_EQ(1, LoadBitmapSlot(File("big.bmp", 128, 128, Coded).c_str(), 3, 1, 0));
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 0, 1));
  const int32_t area = 76800 + 16384 + 2048;
  EXPECT_EQ(10, SetMagnification(nullptr, 1) * 10 + SetMagnification(nullptr, 0));  // the same; refused
  EXPECT_EQ(baseline + area, VideoBytesInUse());
  for (int32_t m : {2, 3}) {
    ASSERT_EQ(1, SetMagnification(nullptr, m));
    EXPECT_EQ(baseline + area * m * m, VideoBytesInUse());
    const SurfaceSlot& s = displayState.slots[3];
    EXPECT_EQ(128 * 1000 + 128, s.width * 1000 + s.height);
    EXPECT_STREQ("big.bmp", s.name);
    EXPECT_EQ(SLOT_FROM_FILE, s.flags);
    EXPECT_TRUE(SurfaceMatches(s.surface, m, Coded));
    EXPECT_EQ(SLOT_SYSTEM_MEMORY, displayState.slots[0].flags);
    EXPECT_EQ(128 * m, PlatformSurfaceWidth(displayState.slots[0].surface));
    FillBack(Rect{310, 230, 320, 240}, 0x0000FF);  // the new back takes the whole screen
    EXPECT_EQ(0x0000FFu, ReadPlatformDot(displayState.back, 320 * m - 1, 240 * m - 1));
  }
}

}  // namespace
