// The display record: opening, the screen, the slot table and its area count.
#include <gtest/gtest.h>

#include <string>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics_fixture.h"

namespace {

TEST(Display, ScreenAreaIsCountedOnceAndTakenOffOnce) {
  const int32_t before = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(nullptr, nullptr));
  EXPECT_EQ(before, VideoBytesInUse());
  for (int32_t slot = 0; slot < kSlotCount; ++slot) EXPECT_EQ(0, GetSlotSize(nullptr, nullptr, slot));

  ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, 1));
  EXPECT_EQ(before + 76800, VideoBytesInUse());
  ASSERT_NE(nullptr, displayState.back);
  EXPECT_EQ(320, PlatformSurfaceWidth(displayState.back));
  EXPECT_TRUE(gfxtest::SurfaceMatches(displayState.back, 1, [](int32_t, int32_t) { return 0u; }));

  // Releasing the screen frees the back surface at once.
  ReleaseScreen();
  EXPECT_EQ(nullptr, displayState.back);
  EXPECT_EQ(before, VideoBytesInUse());
  ReleaseScreen();  // nothing held: nothing taken off twice
  EXPECT_EQ(before, VideoBytesInUse());

  // A failed screen is not counted and is not taken off later.
  EXPECT_EQ(0, CreateScreen(nullptr, 320, 240, 0));
  EXPECT_EQ(before, VideoBytesInUse());
  CloseDisplay(nullptr);
  EXPECT_EQ(before, VideoBytesInUse());
  EXPECT_EQ(0, displayState.open);
}

TEST(Display, DataDirectoryOfTwoHundredSixtyCharactersFailsTheOpen) {
  const std::string ok(259, 'd');
  ASSERT_EQ(1, OpenDisplay(nullptr, ok.c_str()));
  EXPECT_EQ(ok, displayState.dataDir);
  CloseDisplay(nullptr);

  const std::string tooLong(260, 'd');
  EXPECT_EQ(0, OpenDisplay(nullptr, tooLong.c_str()));
  EXPECT_STREQ("", displayState.dataDir);
  EXPECT_EQ(0, displayState.open);
}

class SlotTable : public gfxtest::DisplayTest {};

TEST_F(SlotTable, ReleaseAndSizeQueriesRespectSlotNumbersAndOccupancy) {
  Open(2);
  const int32_t screen = VideoBytesInUse();
  ASSERT_EQ(1, CreateBlankSlot(128, 16, 5, 0));
  EXPECT_EQ(screen + 128 * 2 * 16 * 2, VideoBytesInUse());
  EXPECT_EQ(nullptr, displayState.slots[5].name);
  EXPECT_EQ(0u, displayState.slots[5].flags);
  EXPECT_EQ(0, CreateBlankSlot(128, 16, 5, 0));  // occupied
  EXPECT_EQ(0, CreateBlankSlot(0, 16, 6, 0));
  EXPECT_EQ(0, CreateBlankSlot(8, 8, -1, 0));

  int32_t w = -1, h = -1;
  EXPECT_EQ(1, GetSlotSize(nullptr, nullptr, 5));  // answers, writes nothing
  EXPECT_EQ(1, GetSlotSize(&w, nullptr, 5));
  EXPECT_EQ(128, w);
  EXPECT_EQ(-1, h);
  EXPECT_EQ(0, GetSlotSize(&w, &h, 64));
  EXPECT_EQ(0, GetSlotSize(&w, &h, 4));

  ReleaseSlot(64);
  ReleaseSlot(-1);
  ReleaseSlot(4);
  EXPECT_EQ(screen + 8192, VideoBytesInUse());
  ReleaseSlot(5);
  EXPECT_EQ(screen, VideoBytesInUse());
  EXPECT_EQ(0, GetSlotSize(nullptr, nullptr, 5));
  const SurfaceSlot& s = displayState.slots[5];
  EXPECT_TRUE(s.flags == 0 && s.name == nullptr && s.surface == nullptr && s.width == 0 && s.height == 0);
}

}  // namespace
