// Filling slots from files and resources, and blank slots.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics_fixture.h"
#include "resources/resource_table.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

bool Never(int32_t, int32_t) { return false; }

class Bitmaps : public gfxtest::DisplayTest {};

TEST_F(Bitmaps, FileLoadKeepsTheNameAsPassedAndDrawsBlocks) {
  Open(2);
  const int32_t screen = VideoBytesInUse();
  const std::string name = File("pic.bmp", gfxtest::Bmp(6, 5, gfxtest::CodedDots(6, 5, Never)));
  ASSERT_EQ(1, LoadBitmapSlot(name.c_str(), 1, 1, 0));
  const SurfaceSlot& s = displayState.slots[1];
  EXPECT_STREQ("pic.bmp", s.name);
  EXPECT_EQ(SLOT_FROM_FILE, s.flags);
  EXPECT_EQ(6, s.width);
  EXPECT_EQ(5, s.height);
  EXPECT_EQ(screen + 12 * 10, VideoBytesInUse());
  EXPECT_TRUE(SurfaceMatches(s.surface, 2, Coded));

  // An occupied slot refuses a second load and keeps the first bitmap.
  const std::string other = File("other.bmp", gfxtest::Bmp(2, 2, {1, 2, 3, 4}));
  EXPECT_EQ(0, LoadBitmapSlot(other.c_str(), 1, 1, 0));
  EXPECT_STREQ("pic.bmp", s.name);
  EXPECT_TRUE(SurfaceMatches(s.surface, 2, Coded));
  EXPECT_EQ(0, LoadBitmapSlot(name.c_str(), 64, 1, 0));
  EXPECT_EQ(0, LoadBitmapSlot("missing.bmp", 2, 1, 0));
  EXPECT_EQ(0, LoadBitmapSlot(name.c_str(), 2, 0, 0));  // not a resource name
  EXPECT_EQ(nullptr, displayState.slots[2].surface);

  // A name starting with '/' is used as it is; system memory is recorded.
  const std::string absolute = dir.path + "/other.bmp";
  ASSERT_EQ(1, LoadBitmapSlot(absolute.c_str(), 2, 1, 1));
  EXPECT_EQ(SLOT_FROM_FILE | SLOT_SYSTEM_MEMORY, displayState.slots[2].flags);
  EXPECT_EQ(3u, ReadPlatformDot(displayState.slots[2].surface, 0, 2));
}

TEST_F(Bitmaps, ReloadDrawsAtTheBitmapsOwnSizeAndUpdatesNameAndFlag) {
  Open(1);
  const std::string small = File("small.bmp", gfxtest::Bmp(4, 4, std::vector<uint32_t>(16, 0xAAAAAA)));
  EXPECT_EQ(0, ReloadBitmapSlot(small.c_str(), 0, 1));  // empty slot
  ASSERT_EQ(1, CreateBlankSlot(8, 8, 0, 0));
  FillSlot(nullptr, 0x555555, 0);
  const int32_t area = VideoBytesInUse();
  ASSERT_EQ(1, ReloadBitmapSlot(small.c_str(), 0, 1));
  EXPECT_TRUE(SurfaceMatches(displayState.slots[0].surface, 1,
                             [](int32_t x, int32_t y) { return x < 4 && y < 4 ? 0xAAAAAAu : 0x555555u; }));
  EXPECT_EQ(8, displayState.slots[0].width);
  EXPECT_EQ(area, VideoBytesInUse());
  EXPECT_STREQ("small.bmp", displayState.slots[0].name);
  EXPECT_EQ(SLOT_FROM_FILE, displayState.slots[0].flags);
  EXPECT_EQ(0, ReloadBitmapSlot("gone.bmp", 0, 1));  // fails, slot unchanged
  EXPECT_STREQ("small.bmp", displayState.slots[0].name);

  // Passing the slot's own name is safe.
  ASSERT_EQ(1, ReloadBitmapSlot(displayState.slots[0].name, 0, 1));
  EXPECT_STREQ("small.bmp", displayState.slots[0].name);
}

// Path length: data directory + '/' + name must stay under 260 characters.
TEST_F(Bitmaps, ResolvedPathsOfTwoHundredSixtyCharactersFail) {
  // A directory whose path leaves room for names right at the limit.
  std::string data = dir.path + "/" + std::string(200 - dir.path.size(), 'd');
  ASSERT_EQ(0, mkdir(data.c_str(), 0700));
  const std::vector<uint8_t> bmp = gfxtest::Bmp(1, 1, {0x010203});
  const std::string fits(259 - data.size() - 1, 'f');      // path of 259
  const std::string tooLong(260 - data.size() - 1, 'g');   // path of 260
  ASSERT_TRUE(gfxtest::WriteFile(data + "/" + fits, bmp));
  ASSERT_TRUE(gfxtest::WriteFile(data + "/" + tooLong, bmp));

  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(nullptr, data.c_str()));
  ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, 1));
  EXPECT_EQ(1, LoadBitmapSlot(fits.c_str(), 1, 1, 0));
  EXPECT_EQ(0, LoadBitmapSlot(tooLong.c_str(), 2, 1, 0));
  EXPECT_EQ(1, LoadBitmapSlot((data + "/" + fits).c_str(), 3, 1, 0));
  EXPECT_EQ(0, LoadBitmapSlot((data + "/" + tooLong).c_str(), 4, 1, 0));
  EXPECT_EQ(0, ReloadBitmapSlot(tooLong.c_str(), 1, 1));
  EXPECT_STREQ(fits.c_str(), displayState.slots[1].name);
}

TEST_F(Bitmaps, EmptyDataDirectoryResolvesFromTheRoot) {
  const std::string name = File("root.bmp", gfxtest::Bmp(1, 1, {0x0A0B0C}));
  baseline = VideoBytesInUse();
  ASSERT_EQ(1, OpenDisplay(nullptr, nullptr));
  ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, 1));
  const std::string relative = dir.path.substr(1) + "/" + name;  // "tmp/.../root.bmp"
  ASSERT_EQ(1, LoadBitmapSlot(relative.c_str(), 1, 1, 0));
  EXPECT_EQ(0x0A0B0Cu, ReadPlatformDot(displayState.slots[1].surface, 0, 0));
}

TEST_F(Bitmaps, GameSheetsFromResources) {
  Open(1);
  const int32_t screen1 = VideoBytesInUse();
  ASSERT_EQ(1, LoadBitmapSlot("BMP_ESCAPE", 2, 0, 0));
  EXPECT_EQ(80, displayState.slots[2].width);
  EXPECT_EQ(24, displayState.slots[2].height);
  EXPECT_EQ(0u, displayState.slots[2].flags);
  EXPECT_EQ(screen1 + 1920, VideoBytesInUse());
  ASSERT_EQ(1, LoadBitmapSlot("BMP_CHARACTOR", 1, 0, 0));
  ASSERT_EQ(1, LoadBitmapSlot("BMP_ZORRIT", 3, 0, 0));
  EXPECT_EQ(0, LoadBitmapSlot("BMP_ZORRIT", 4, 1, 0));  // no such file
  EXPECT_EQ(0, LoadBitmapSlot("SE01", 4, 0, 0));        // not a bitmap resource

  // The decoded sheet itself is what lands in the slot, dot for dot.
  const EmbeddedResource* res = FindEmbeddedResource("BMP_ZORRIT", "BITMAP");
  ASSERT_NE(nullptr, res);
  PlatformSurface* sheet = DecodeBitmap(res->bytes, res->size);
  ASSERT_NE(nullptr, sheet);
  EXPECT_EQ(128, PlatformSurfaceWidth(sheet));
  auto sheetDot = [sheet](int32_t x, int32_t y) { return ReadPlatformDot(sheet, x, y); };
  EXPECT_TRUE(SurfaceMatches(displayState.slots[3].surface, 1, sheetDot));
  DestroyPlatformSurface(sheet);

  // From a file, then from the resource: the file flag goes.
  const std::string name = File("esc.bmp", gfxtest::Bmp(80, 24, std::vector<uint32_t>(80 * 24, 0x111111)));
  ASSERT_EQ(1, LoadBitmapSlot(name.c_str(), 5, 1, 0));
  ASSERT_EQ(1, ReloadBitmapSlot("BMP_ESCAPE", 5, 0));
  EXPECT_EQ(0u, displayState.slots[5].flags);
  EXPECT_STREQ("BMP_ESCAPE", displayState.slots[5].name);
}

}  // namespace
