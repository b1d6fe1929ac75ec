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

void WriteRecord(const std::string& file, std::vector<int32_t> values, size_t bytes = 20) {
  std::vector<char> raw;
  for (int32_t v : values) {
    for (int i = 0; i < 4; ++i) raw.push_back((char)((uint32_t)v >> (8 * i)));
  }
  raw.resize(bytes);
  std::ofstream(file, std::ios::binary).write(raw.data(), (std::streamsize)raw.size());
}

class PlacementFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPlacementFolder(temp.path.c_str());
    ASSERT_EQ(GetPlatformWorkArea(&area), 1);
    // Maximised size larger than the work area, so only the move limits.
    PlatformSizeLimits limits = {100, 50, 4000, 3000};
    SetHeadlessSizeLimits(&limits);
    before = LastHeadlessPlacementCall()->count;
  }
  void TearDown() override {
    SetHeadlessSizeLimits(nullptr);
    PlatformSizeLimits defaults = {136, 39, 1936, 1056};
    SetHeadlessSizeLimits(&defaults);
  }
  int Applied() const { return LastHeadlessPlacementCall()->count - before; }
  const PlatformRect& AppliedRect() const { return LastHeadlessPlacementCall()->rect; }

  TempFolder temp;
  PlatformRect area;
  int before = 0;
};

TEST_F(PlacementFileTest, SavesTwentyLittleEndianBytesAndLoadsThemBack) {
  PlatformWindowPlacement placement = {PLACEMENT_MAXIMISED, {-3, 70, 500, 0x12345}};
  SetHeadlessWindowPlacement(&placement);
  ASSERT_EQ(SaveWindowPlacement(nullptr, "place.dat"), 1);
  std::ifstream in(temp / "place.dat", std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(bytes[0], 0xFD);
  EXPECT_EQ(bytes[3], 0xFF);
  EXPECT_EQ(bytes[12], 0x45);
  EXPECT_EQ(bytes[13], 0x23);
  EXPECT_EQ(bytes[14], 0x01);
  EXPECT_EQ(bytes[16], 3);

  WriteRecord(temp / "place.dat", {area.left + 10, area.top + 20, area.left + 330, area.top + 260, 3});
  ASSERT_EQ(LoadWindowPlacement(nullptr, "place.dat", 1), 1);
  ASSERT_EQ(Applied(), 1);
  EXPECT_EQ(AppliedRect().left, area.left + 10);
  EXPECT_EQ(AppliedRect().top, area.top + 20);
  EXPECT_EQ(AppliedRect().right, area.left + 330);
  EXPECT_EQ(AppliedRect().bottom, area.top + 260);
  EXPECT_EQ(LastHeadlessPlacementCall()->resize, 1);
  EXPECT_EQ(LastHeadlessPlacementCall()->showCommand, PLACEMENT_MAXIMISED);
}

TEST_F(PlacementFileTest, LargerThanTheWorkAreaMeetsItsRightAndBottomEdges) {
  int32_t w = area.right - area.left + 200, h = area.bottom - area.top + 100;
  WriteRecord(temp / "p", {area.left - 50, area.top - 40, area.left - 50 + w, area.top - 40 + h, 2});
  ASSERT_EQ(LoadWindowPlacement(nullptr, "p", 0), 1);
  EXPECT_EQ(AppliedRect().right, area.right);
  EXPECT_EQ(AppliedRect().bottom, area.bottom);
  EXPECT_EQ(AppliedRect().right - AppliedRect().left, w) << "size is kept";
  EXPECT_EQ(AppliedRect().bottom - AppliedRect().top, h);
  EXPECT_EQ(LastHeadlessPlacementCall()->resize, 0);
  EXPECT_EQ(LastHeadlessPlacementCall()->showCommand, PLACEMENT_NORMAL) << "minimised is restored normal";
}

TEST_F(PlacementFileTest, SizeIsLimitedBeforeItIsMoved) {
  PlatformSizeLimits limits = {300, 200, 600, 400};
  SetHeadlessSizeLimits(&limits);
  // 10 wide, 1000 high, hanging over the right edge.
  WriteRecord(temp / "p", {area.right - 5, area.top + 10, area.right + 5, area.top + 1010, 1});
  ASSERT_EQ(LoadWindowPlacement(nullptr, "p", 1), 1);
  EXPECT_EQ(AppliedRect().left, area.right - 300) << "widened to 300, then moved in";
  EXPECT_EQ(AppliedRect().right, area.right);
  EXPECT_EQ(AppliedRect().top, area.top + 10);
  EXPECT_EQ(AppliedRect().bottom, area.top + 410) << "cut to the maximised height";
}

TEST_F(PlacementFileTest, FailuresTouchNeitherWindowNorFiles) {
  EXPECT_EQ(LoadWindowPlacement(nullptr, "missing", 1), 0);
  WriteRecord(temp / "short", {area.left, area.top, area.left + 400, area.top + 300, 3}, 19);
  EXPECT_EQ(LoadWindowPlacement(nullptr, "short", 1), 0) << "a short file is refused";

  // A file name that makes the path 260 characters or more: no file at all.
  std::string longName(260 - temp.path.size() - 1, 'n');
  PlatformWindowPlacement placement = {PLACEMENT_NORMAL, {0, 0, 320, 240}};
  SetHeadlessWindowPlacement(&placement);
  EXPECT_EQ(SaveWindowPlacement(nullptr, longName.c_str()), 0);
  EXPECT_EQ(LoadWindowPlacement(nullptr, longName.c_str(), 1), 0);
  std::string fits = longName.substr(1);
  EXPECT_EQ(SaveWindowPlacement(nullptr, fits.c_str()), 1) << "259 characters still fit";
  EXPECT_TRUE(std::filesystem::exists(temp / fits));
  EXPECT_FALSE(std::filesystem::exists(temp / longName));

  SetHeadlessWindowPlacement(nullptr);
  EXPECT_EQ(SaveWindowPlacement(nullptr, "unread"), 0);
  EXPECT_FALSE(std::filesystem::exists(temp / "unread"));
  SetHeadlessWindowPlacement(&placement);

  SetPlacementFolder(nullptr);
  EXPECT_EQ(SaveWindowPlacement(nullptr, "p"), 0);
  EXPECT_EQ(Applied(), 0);
}

}  // namespace
