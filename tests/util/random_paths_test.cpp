// The 16-bit generator, path formatting, the sanitiser, the song stubs and
// the desktop folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "temp_folder.h"
#include "util/paths.h"
#include "util/random16.h"
#include "util/song.h"

namespace {

TEST(Random16Test, SequenceFromTheSeed) {
  const uint16_t raw[] = {0xCCCC, 0x1011, 0xDDDC, 0xEDED, 0xC9CB, 0xB8B7, 0x8282, 0x393B};
  const uint16_t hundred[] = {28, 13, 96, 9, 59, 87, 10, 51};
  SeedRandom16();
  for (uint16_t r : raw) EXPECT_EQ(Random16(65536), r);
  SeedRandom16();
  for (uint16_t r : hundred) EXPECT_EQ(Random16(100), r);
}

TEST(Random16Test, UnseededGivesZeroAndModulusBelowOneLeavesTheState) {
  rngA = rngB = 0;
  EXPECT_EQ(Random16(65536), 0);
  EXPECT_EQ(Random16(7), 0);
  SeedRandom16();
  EXPECT_EQ(Random16(0), 0);
  EXPECT_EQ(Random16(-5), 0);
  EXPECT_EQ(Random16(65536), 0xCCCC) << "the refused calls must not advance the state";
}

TEST(FormatPathTest, DoubledSeparatorsAreSqueezedPairwise) {
  char out[kPathCapacity];
  ASSERT_EQ(FormatPath(out, "%s\\%s", "C:\\games\\", "save.dat"), 1);
  EXPECT_STREQ(out, "C:\\games\\save.dat");
  ASSERT_EQ(FormatPath(out, "%s", "a\\\\\\b"), 1);
  EXPECT_STREQ(out, "a\\\\b") << "three become two";
  ASSERT_EQ(FormatPath(out, "%s", "\\\\server\\share"), 1);
  EXPECT_STREQ(out, "\\server\\share");
  ASSERT_EQ(FormatPath(out, "%s/%s", "/home/user/", "file"), 1);
  EXPECT_STREQ(out, "/home/user/file");
  ASSERT_EQ(FormatPath(out, "%s", "a////b"), 1);
  EXPECT_STREQ(out, "a//b");
  ASSERT_EQ(FormatPath(out, "%s", "a\\/b/\\c"), 1);
  EXPECT_STREQ(out, "a\\/b/\\c") << "mixed pairs stay";
  ASSERT_EQ(FormatPath(out, "%d-%s", 42, "x"), 1);
  EXPECT_STREQ(out, "42-x");
}

TEST(FormatPathTest, LimitIs259Characters) {
  char out[kPathCapacity];
  std::string longest(259, 'p'), tooLong(260, 'p');
  ASSERT_EQ(FormatPath(out, "%s", longest.c_str()), 1);
  EXPECT_EQ(std::strlen(out), 259u);
  std::strcpy(out, "unchanged");
  EXPECT_EQ(FormatPath(out, "%s", tooLong.c_str()), 0);
  EXPECT_STREQ(out, "unchanged");
  // The limit applies before squeezing.
  std::string squeezable = std::string(130, 'a') + std::string(130, '/');
  EXPECT_EQ(FormatPath(out, "%s", squeezable.c_str()), 0);
}

TEST(SanitizeFileNameTest, ReplacesTheElevenCharactersOnly) {
  char name[] = "a:b/c?";
  SanitizeFileName(name);
  EXPECT_STREQ(name, "axbxcx");
  char all[] = "\\/:,;*?\"<>|.- _\xE3\x81\x82";
  SanitizeFileName(all);
  EXPECT_STREQ(all, "xxxxxxxxxxx.- _\xE3\x81\x82");
}

TEST(SongTest, StubsKeepOnlyTheFlagAndThePath) {
  SongPlay();
  EXPECT_EQ(songPlaying, 1);
  EXPECT_EQ(SongLoad("theme"), 1);
  EXPECT_EQ(songPlaying, 0);
  EXPECT_STREQ(songPath, "/theme.sngpk");
  SongPlay();
  EXPECT_EQ(SongStop(), 1);
  EXPECT_EQ(songPlaying, 0);
  EXPECT_EQ(SongLoad(std::string(260, 'n').c_str()), 0);
  EXPECT_STREQ(songPath, "/theme.sngpk");
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (value) setenv(name, value, 1); else unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_) setenv(name_.c_str(), old_.c_str(), 1); else unsetenv(name_.c_str());
  }
 private:
  std::string name_, old_;
  bool had_;
};

TEST(DesktopFolderTest, UserDirsEntryElseDesktopInHomeElseEmpty) {
  TempFolder temp;
  ScopedEnv home("HOME", temp.path.c_str());
  ScopedEnv config("XDG_CONFIG_HOME", (temp / "config").c_str());
  char out[kPathCapacity];

  GetDesktopFolder(out);
  EXPECT_EQ(std::string(out), temp / "Desktop") << "no user-dirs.dirs";

  std::filesystem::create_directories(temp / "config");
  {
    std::ofstream dirs(temp / "config/user-dirs.dirs");
    dirs << "# written by a test\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
         << "XDG_DESKTOP_DIR=\"$HOME/Schreib \\\"tisch\\\"/\"\n";
  }
  GetDesktopFolder(out);
  EXPECT_EQ(std::string(out), temp / "Schreib \"tisch\"");

  {
    std::ofstream dirs(temp / "config/user-dirs.dirs");
    dirs << "XDG_DESKTOP_DIR=\"/srv/desk\"\nXDG_DESKTOP_DIR=\"relative/ignored\"\n";
  }
  GetDesktopFolder(out);
  EXPECT_STREQ(out, "/srv/desk");

  std::string hugeHome = "/" + std::string(300, 'h');
  ScopedEnv huge("HOME", hugeHome.c_str());
  ScopedEnv noConfig("XDG_CONFIG_HOME", nullptr);
  std::strcpy(out, "stale");
  GetDesktopFolder(out);
  EXPECT_STREQ(out, "") << "a lookup that fails leaves an empty string";
}

}  // namespace
