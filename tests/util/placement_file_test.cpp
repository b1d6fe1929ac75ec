// The window placement file against the headless recorded placement.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window_placement.h"
#include "temp_folder.h"
#include "util/placement_file.h"

namespace {

class PlacementFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlacementFolder(temp.path.c_str());
    ASSERT_EQ(GetPlatformWorkArea(&area), 1);
    PlatformSizeLimits limits = {300, 200, 4000, 3000};
    SetHeadlessSizeLimits(&limits);
  }
  // Writes a record through SaveWindowPlacement, optionally cut short.
  void Store(PlatformRect r, int32_t show, size_t keep = 20) {
    PlatformWindowPlacement placement = {show, r};
    SetHeadlessWindowPlacement(&placement);
    ASSERT_EQ(SaveWindowPlacement(nullptr, "place"), 1);
    std::filesystem::resize_file(temp / "place", keep);
  }
  PlatformRect Applied() const { return LastHeadlessPlacementCall()->rect; }

  TempFolder temp;
  PlatformRect area;
};

TEST_F(PlacementFileTest, FileIsTwentyLittleEndianBytes) {
  Store({-3, 70, 500, 0x12345}, PLACEMENT_MAXIMISED);
  std::ifstream in(temp / "place", std::ios::binary);
  std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::vector<unsigned char> expected = {0xFD, 0xFF, 0xFF, 0xFF, 70, 0, 0, 0, 0xF4, 1,
                                               0,    0,    0x45, 0x23, 1, 0, 3, 0, 0,    0};
  EXPECT_EQ(b, expected);
}

TEST_F(PlacementFileTest, LargerThanTheWorkAreaMeetsItsRightAndBottomEdges) {
  int32_t w = area.right - area.left + 200, h = area.bottom - area.top + 100;
  Store({area.left - 50, area.top - 40, area.left - 50 + w, area.top - 40 + h}, PLACEMENT_MINIMISED);
  ASSERT_EQ(LoadWindowPlacement(nullptr, "place", 0), 1);
  PlatformRect r = Applied();
  EXPECT_EQ(r.right, area.right);
  EXPECT_EQ(r.bottom, area.bottom);
  EXPECT_EQ(r.right - r.left, w) << "size is kept";
  EXPECT_EQ(r.bottom - r.top, h);
  EXPECT_EQ(LastHeadlessPlacementCall()->resize, 0);
  EXPECT_EQ(LastHeadlessPlacementCall()->showCommand, PLACEMENT_NORMAL) << "minimised comes back normal";
}

TEST_F(PlacementFileTest, SizeIsLimitedBeforeItIsMoved) {
  PlatformSizeLimits limits = {300, 200, 600, 400};
  SetHeadlessSizeLimits(&limits);
  Store({area.right - 5, area.top + 10, area.right + 5, area.top + 1010}, PLACEMENT_MAXIMISED);
  ASSERT_EQ(LoadWindowPlacement(nullptr, "place", 1), 1);
  PlatformRect r = Applied();
  EXPECT_EQ(r.left, area.right - 300) << "widened to the minimum, then moved in";
  EXPECT_EQ(r.right, area.right);
  EXPECT_EQ(r.bottom - r.top, 400) << "cut to the maximised height";
  EXPECT_EQ(LastHeadlessPlacementCall()->showCommand, PLACEMENT_MAXIMISED);
}

TEST_F(PlacementFileTest, ShortFileOrUnformableNameFailsAndTouchesNothing) {
  Store({0, 0, 400, 300}, PLACEMENT_NORMAL, 19);
  int32_t calls = LastHeadlessPlacementCall()->count;
  EXPECT_EQ(LoadWindowPlacement(nullptr, "place", 1), 0);
  std::string longName(260 - temp.path.size() - 1, 'n');  // makes the path 260 long
  EXPECT_EQ(SaveWindowPlacement(nullptr, longName.c_str()), 0);
  EXPECT_EQ(LoadWindowPlacement(nullptr, longName.c_str(), 1), 0);
  EXPECT_FALSE(std::filesystem::exists(temp / longName));
  EXPECT_EQ(SaveWindowPlacement(nullptr, longName.c_str() + 1), 1) << "259 characters fit";
  EXPECT_EQ(LastHeadlessPlacementCall()->count, calls) << "the window was not moved";
}

}  // namespace
