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

TEST_F(RecentFolderTest, SavesTheContainingFolderAndLoadsItBack) {
  std::filesystem::create_directories(temp / "songs");
  ASSERT_EQ(SaveRecentFolder((temp / "songs/tune.sng").c_str(), "recent"), 1);
  std::vector<char> record = ReadAll(temp / "recent");
  ASSERT_EQ(record.size(), 260u);
  EXPECT_EQ(std::string(record.data()), temp / "songs");
  for (size_t i = (temp / "songs").size(); i < record.size(); ++i) ASSERT_EQ(record[i], 0) << i;

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
  EXPECT_STREQ(folder, "untouched");

  std::string noTerminator(260, 'a');
  std::ofstream(temp / "full", std::ios::binary).write(noTerminator.data(), 260);
  EXPECT_EQ(LoadRecentFolder(folder, "full"), 0);
  EXPECT_STREQ(folder, "untouched");
  EXPECT_EQ(LoadRecentFolder(folder, "missing"), 0);
}

TEST_F(RecentFolderTest, OverlongPathOrFileNameTouchesNoFile) {
  ASSERT_EQ(SaveRecentFolder("/keep/me", "recent"), 1);
  std::vector<char> before = ReadAll(temp / "recent");
  std::string longPath = "/" + std::string(259, 'p');
  EXPECT_EQ(SaveRecentFolder(longPath.c_str(), "recent"), 0);
  EXPECT_EQ(ReadAll(temp / "recent"), before);
  EXPECT_EQ(SaveRecentFolder(longPath.substr(1).c_str(), "recent"), 1) << "259 characters fit";

  std::string longName(260 - temp.path.size() - 1, 'n');
  EXPECT_EQ(SaveRecentFolder("/a/b", longName.c_str()), 0);
  EXPECT_FALSE(std::filesystem::exists(temp / longName));
  SetRecentFolderHome(nullptr);
  char folder[260];
  EXPECT_EQ(LoadRecentFolder(folder, "recent"), 0);
}

TEST(RemoveFileSpecTest, CutsTheLastComponent) {
  const struct { const char* in; const char* out; int cut; } cases[] = {
      {"/a/b/c", "/a/b", 1}, {"/a", "/", 1}, {"a", "", 1}, {"/a/b/", "/a/b", 1},
      {"/", "/", 0},         {"", "", 0},    {"a/b", "a", 1},
  };
  for (const auto& c : cases) {
    char path[260];
    std::strcpy(path, c.in);
    EXPECT_EQ(RemoveFileSpec(path), c.cut) << c.in;
    EXPECT_STREQ(path, c.out) << c.in;
  }
}

}  // namespace
