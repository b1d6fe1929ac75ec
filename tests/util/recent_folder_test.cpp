// The recent-folder file.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "util/recent_folder.h"

namespace {

std::vector<char> ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class RecentFolderTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRecentFolderHome(temp.path.c_str()); }
  TempFolder temp;
};

TEST_F(RecentFolderTest, SavesTheContainingFolderAndLoadsItWhileItExists) {
  std::filesystem::create_directories(temp / "songs");
  ASSERT_EQ(SaveRecentFolder((temp / "songs/tune.sng").c_str(), "recent"), 1);
  std::vector<char> expected(260, 0);
  std::memcpy(expected.data(), (temp / "songs").c_str(), (temp / "songs").size());
  EXPECT_EQ(ReadAll(temp / "recent"), expected) << "the folder, then zeros only";

  char folder[260] = "";
  EXPECT_EQ(LoadRecentFolder(folder, "recent"), 1);
  EXPECT_EQ(std::string(folder), temp / "songs");
  std::filesystem::remove(temp / "songs");
  std::memset(folder, 0, sizeof folder);
  EXPECT_EQ(LoadRecentFolder(folder, "recent"), 0) << "the folder is gone";
  EXPECT_EQ(std::string(folder), temp / "songs") << "but what was read is kept";
}

TEST_F(RecentFolderTest, ShortOrUnterminatedRecordsAreRefusedAndUnused) {
  char folder[260] = "untouched";
  std::ofstream(temp / "short", std::ios::binary).write(temp.path.c_str(), (std::streamsize)temp.path.size() + 1);
  EXPECT_EQ(LoadRecentFolder(folder, "short"), 0);
  std::ofstream(temp / "full", std::ios::binary) << std::string(260, 'a');
  EXPECT_EQ(LoadRecentFolder(folder, "full"), 0);
  EXPECT_STREQ(folder, "untouched");
}

TEST_F(RecentFolderTest, OverlongPathTouchesNoFile) {
  ASSERT_EQ(SaveRecentFolder("/keep/me", "recent"), 1);
  std::vector<char> before = ReadAll(temp / "recent");
  std::string longPath = "/" + std::string(259, 'p');
  EXPECT_EQ(SaveRecentFolder(longPath.c_str(), "recent"), 0);
  EXPECT_EQ(ReadAll(temp / "recent"), before);
  ASSERT_EQ(SaveRecentFolder(longPath.c_str() + 1, "recent"), 1) << "259 characters fit";
  EXPECT_EQ(ReadAll(temp / "recent"), std::vector<char>(260, 0)) << "a bare name has no folder";
}

}  // namespace
