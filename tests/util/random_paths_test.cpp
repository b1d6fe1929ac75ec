// The 16-bit generator, path formatting, the sanitiser and the desktop folder.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "temp_folder.h"
#include "util/paths.h"
#include "util/random16.h"

namespace {

TEST(Random16Test, SequenceFromTheSeedAndModulusBelowOne) {
  const uint16_t raw[] = {0xCCCC, 0x1011, 0xDDDC, 0xEDED, 0xC9CB, 0xB8B7, 0x8282, 0x393B};
  const uint16_t hundred[] = {28, 13, 96, 9, 59, 87, 10, 51};
  SeedRandom16();
  for (uint16_t r : raw) EXPECT_EQ(Random16(65536), r);
  SeedRandom16();
  EXPECT_EQ(Random16(0), 0);
  EXPECT_EQ(Random16(-5), 0);
  for (uint16_t r : hundred) EXPECT_EQ(Random16(100), r) << "refused calls must not advance";
}

TEST(FormatPathTest, SeparatorPairsAndTheLimit) {
  const struct { const char* in; const char* out; } cases[] = {
      {"C:\\games\\\\save", "C:\\games\\save"}, {"a\\\\\\b", "a\\\\b"},
      {"\\\\server\\share", "\\server\\share"}, {"/home//file", "/home/file"},
      {"a////b", "a//b"},                       {"a\\/b/\\c", "a\\/b/\\c"},
  };
  char out[kPathCapacity];
  for (const auto& c : cases) {
    ASSERT_EQ(FormatPath(out, "%s", c.in), 1);
    EXPECT_STREQ(out, c.out) << c.in;
  }
  ASSERT_EQ(FormatPath(out, "%s", std::string(259, 'p').c_str()), 1);
  EXPECT_EQ(std::strlen(out), 259u);
  std::strcpy(out, "unchanged");
  EXPECT_EQ(FormatPath(out, "%s/%s", std::string(130, 'a').c_str(), std::string(129, '/').c_str()), 0)
      << "260 before squeezing is refused";
  EXPECT_STREQ(out, "unchanged");
}

TEST(SanitizeFileNameTest, ReplacesTheElevenCharactersOnly) {
  char name[] = "a:b/c?";
  SanitizeFileName(name);
  EXPECT_STREQ(name, "axbxcx");
  char all[] = "\\/:,;*?\"<>|.- _\xE3\x81\x82";
  SanitizeFileName(all);
  EXPECT_STREQ(all, "xxxxxxxxxxx.- _\xE3\x81\x82");
}

TEST(DesktopFolderTest, UserDirsEntryElseDesktopInHomeElseEmpty) {
  TempFolder temp;
  std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  setenv("HOME", temp.path.c_str(), 1);
  setenv("XDG_CONFIG_HOME", temp.path.c_str(), 1);
  char out[kPathCapacity];
  GetDesktopFolder(out);
  EXPECT_EQ(std::string(out), temp / "Desktop") << "no user-dirs.dirs";

  std::ofstream(temp / "user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                         << "XDG_DESKTOP_DIR=\"$HOME/Schreib \\\"tisch\\\"/\"\n"
                                         << "XDG_DESKTOP_DIR=\"relative/is/ignored\"\n";
  GetDesktopFolder(out);
  EXPECT_EQ(std::string(out), temp / "Schreib \"tisch\"");

  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", ("/" + std::string(300, 'h')).c_str(), 1);
  GetDesktopFolder(out);
  EXPECT_STREQ(out, "") << "a lookup that fails leaves an empty string";
  setenv("HOME", oldHome.c_str(), 1);
}

}  // namespace
