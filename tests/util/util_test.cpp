// The util helpers: the 16-bit generator, paths, the desktop folder, the placement and
// recent-folder files, and the Open and Save dialogs against a stand-in chooser program.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/window.h"
#include "platform/window_placement.h"
#include "util/file_dialogs.h"
#include "util/paths.h"
#include "util/placement_file.h"
#include "util/random16.h"
#include "util/recent_folder.h"

namespace {

// A fresh folder under /tmp, removed afterwards.
struct TempFolder {
  char name[24] = "/tmp/zorrit_util_XXXXXX";
  const std::string path = mkdtemp(name) ? name : "";
  ~TempFolder() { std::filesystem::remove_all(path); }
  std::string operator/(const std::string& file) const { return path + "/" + file; }
};

std::vector<char> ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

TEST(Util, Random16FromTheSeedAndRefusedCallsDoNotAdvance) {
  SeedRandom16();
  for (uint16_t r : {0xCCCC, 0x1011, 0xDDDC, 0xEDED, 0xC9CB, 0xB8B7, 0x8282, 0x393B}) EXPECT_EQ(Random16(65536), r);
  SeedRandom16();
  EXPECT_EQ(Random16(0) + Random16(-5), 0);
  for (uint16_t r : {28, 13, 96, 9, 59, 87, 10, 51}) EXPECT_EQ(Random16(100), r);
}

TEST(Util, FormatPathSqueezesSeparatorPairsWithinTheLimitAndSanitize) {
  const struct { const char* in; const char* out; } cases[] = {
      {"C:\\games\\\\save", "C:\\games\\save"}, {"a\\\\\\b", "a\\\\b"}, {"\\\\server\\share", "\\server\\share"},
      {"/home//file", "/home/file"},           {"a////b", "a//b"},     {"a\\/b/\\c", "a\\/b/\\c"},
  };
  char out[kPathCapacity];
  for (const auto& c : cases) EXPECT_TRUE(FormatPath(out, "%s", c.in) && !std::strcmp(out, c.out)) << c.in << ": " << out;
  ASSERT_EQ(FormatPath(out, "%s", std::string(259, 'p').c_str()), 1);
  EXPECT_EQ(std::strlen(out), 259u);
  std::strcpy(out, "unchanged");
  EXPECT_EQ(FormatPath(out, "%s/%s", std::string(130, 'a').c_str(), std::string(129, '/').c_str()), 0)
      << "260 before squeezing is refused";
  EXPECT_STREQ(out, "unchanged");
  char name[] = "a:b/c?\\/:,;*?\"<>|.- _\xE3\x81\x82";
  SanitizeFileName(name);
  EXPECT_STREQ(name, "axbxcxxxxxxxxxxxx.- _\xE3\x81\x82");
}

TEST(Util, DesktopFolderFromUserDirsElseInHomeElseEmpty) {
  TempFolder temp;
  setenv("HOME", temp.path.c_str(), 1);
  setenv("XDG_CONFIG_HOME", temp.path.c_str(), 1);
  char out[kPathCapacity];
  GetDesktopFolder(out);
  EXPECT_EQ(out, temp / "Desktop") << "no user-dirs.dirs";
  std::ofstream(temp / "user-dirs.dirs") << "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                         << "XDG_DESKTOP_DIR=\"$HOME/Schreib \\\"tisch\\\"/\"\n"
                                         << "XDG_DESKTOP_DIR=\"relative/is/ignored\"\n"
                                         << "XDG_DESKTOP_DIR=\"$HOMEx\"\n";
  GetDesktopFolder(out);
  EXPECT_EQ(out, temp / "Schreib \"tisch\"");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", ("/" + std::string(300, 'h')).c_str(), 1);
  GetDesktopFolder(out);
  EXPECT_STREQ(out, "") << "a lookup that fails leaves an empty string";
}

// Restored against the headless work area {0, 0, 1920, 1040}: the size
// limited first, then moved inside; minimised comes back normal.
TEST(Util, PlacementFileOfTwentyLittleEndianBytesRestoredInsideTheWorkArea) {
  TempFolder temp;
  SetPlacementFolder(temp.path.c_str());
  auto store = [&](PlatformRect r, int32_t show) {
    PlatformWindowPlacement placement = {show, r};
    SetHeadlessWindowPlacement(&placement);
    return SaveWindowPlacement(nullptr, "place");
  };
  ASSERT_EQ(store({-3, 70, 500, 0x12345}, PLACEMENT_MAXIMISED), 1);
  EXPECT_EQ(ReadAll(temp / "place"), (std::vector<char>{'\xFD', '\xFF', '\xFF', '\xFF', 70, 0, 0, 0, '\xF4', 1,
                                                        0, 0, 0x45, 0x23, 1, 0, 3, 0, 0, 0}));
  const struct { PlatformSizeLimits limits; PlatformRect stored; int32_t show, resize; PlatformRect applied;
                 int32_t shown; } cases[] = {
      {{300, 200, 4000, 3000}, {-50, -40, 2070, 1100}, PLACEMENT_MINIMISED, 0, {-200, -100, 1920, 1040}, PLACEMENT_NORMAL},
      {{300, 200, 600, 400}, {1915, 10, 1925, 1010}, PLACEMENT_MAXIMISED, 1, {1620, 10, 1920, 410}, PLACEMENT_MAXIMISED},
  };
  for (const auto& c : cases) {
    SetHeadlessSizeLimits(&c.limits);
    ASSERT_EQ(store(c.stored, c.show), 1);
    ASSERT_EQ(LoadWindowPlacement(nullptr, "place", c.resize), 1);
    const HeadlessPlacementCall* call = LastHeadlessPlacementCall();
    const PlatformRect& r = call->rect;
    EXPECT_EQ(std::vector<int32_t>({r.left, r.top, r.right, r.bottom, call->resize, call->showCommand}),
              std::vector<int32_t>({c.applied.left, c.applied.top, c.applied.right, c.applied.bottom, c.resize, c.shown}));
  }
  // A short file is refused, the window untouched.
  std::filesystem::resize_file(temp / "place", 19);
  const int32_t calls = LastHeadlessPlacementCall()->count;
  EXPECT_EQ(LoadWindowPlacement(nullptr, "place", 1), 0);
  EXPECT_EQ(LastHeadlessPlacementCall()->count, calls);
}

TEST(Util, RecentFolderFileOfTwoHundredSixtyBytes) {
  TempFolder temp;
  SetRecentFolderHome(temp.path.c_str());
  std::filesystem::create_directories(temp / "songs");
  ASSERT_EQ(SaveRecentFolder((temp / "songs/tune.sng").c_str(), "recent"), 1);
  std::vector<char> expected(260, 0);
  std::memcpy(expected.data(), (temp / "songs").c_str(), (temp / "songs").size());
  EXPECT_EQ(ReadAll(temp / "recent"), expected) << "the folder, then zeros only";
  char folder[260] = "";
  EXPECT_EQ(LoadRecentFolder(folder, "recent"), 1);
  EXPECT_EQ(folder, temp / "songs");
  std::filesystem::remove(temp / "songs");
  std::memset(folder, 0, sizeof folder);
  EXPECT_EQ(LoadRecentFolder(folder, "recent"), 0) << "the folder is gone";
  EXPECT_EQ(folder, temp / "songs") << "but what was read is kept";
  // An unterminated record is refused and unused; an overlong path touches
  // no file; a bare name has no folder, and the root keeps itself.
  std::strcpy(folder, "untouched");
  std::ofstream(temp / "full", std::ios::binary) << std::string(260, 'a');
  EXPECT_EQ(LoadRecentFolder(folder, "full"), 0);
  EXPECT_STREQ(folder, "untouched");
  const std::string longPath = "/" + std::string(259, 'p');
  EXPECT_EQ(SaveRecentFolder(longPath.c_str(), "recent"), 0);
  EXPECT_EQ(ReadAll(temp / "recent"), expected);
  ASSERT_EQ(SaveRecentFolder("name", "recent"), 1);
  EXPECT_EQ(ReadAll(temp / "recent"), std::vector<char>(260, 0));
  ASSERT_EQ(SaveRecentFolder("/", "recent"), 1);
  EXPECT_EQ(ReadAll(temp / "recent")[0], '/');
}

// The chooser stand-in on PATH records its arguments one a line and prints
// what it is told.
TEST(Util, FileDialogsPassArgumentsVerbatimAndReturnThePath) {
  TempFolder temp;
  setenv("PATH", temp.path.c_str(), 1);
  unsetenv("XDG_CURRENT_DESKTOP");
  setenv("FAKE_ARGS", (temp / "args").c_str(), 1);
  auto answer = [](const std::string& reply, int status = 0) {
    setenv("FAKE_REPLY", reply.c_str(), 1);
    setenv("FAKE_STATUS", std::to_string(status).c_str(), 1);
  };
  auto arguments = [&] {
    std::ifstream in(temp / "args");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  };
  const char filter[] = "Text\0*.txt;*.text\0All files\0*.*\0";
  char file[260] = "";
  EXPECT_EQ(ChooseOpenFile(nullptr, file, "/data", "t", nullptr, nullptr), 0) << "no chooser";
  std::ofstream(temp / "zenity") << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_ARGS\"\n"
                                    "printf '%s' \"$FAKE_REPLY\"\nexit \"$FAKE_STATUS\"\n";
  chmod((temp / "zenity").c_str(), 0755);
  answer("/data/my file.txt\n");
  const char* title = "Open $(touch pwned) \"q\" 'x' ; |";
  ASSERT_EQ(ChooseOpenFile(nullptr, file, "/data", title, "txt", filter), 1);
  EXPECT_STREQ(file, "/data/my file.txt");
  EXPECT_EQ(arguments(), std::vector<std::string>({"--file-selection", std::string("--title=") + title,
                                                   "--filename=/data/", "--file-filter=Text | *.txt *.text",
                                                   "--file-filter=All files | *"}));
  EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
  answer("/elsewhere\n", 1);
  EXPECT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 0) << "cancelled";
  EXPECT_STREQ(file, "/data/my file.txt");
  // Save confirms overwriting and adds the default extension to a name
  // without one (a dot in a folder is none).
  answer("/home/u.v/report\n");
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", filter), 1);
  EXPECT_STREQ(file, "/home/u.v/report.dat");
  const std::vector<std::string> saved = arguments();
  ASSERT_GE(saved.size(), 3u);
  EXPECT_EQ(saved[1] + " " + saved[2], "--save --confirm-overwrite");
  answer("/home/u/report.txt\n");
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", filter), 1);
  EXPECT_STREQ(file, "/home/u/report.txt");
}

}  // namespace
