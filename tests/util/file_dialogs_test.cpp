// The Open and Save dialogs against stand-in chooser programs on PATH that
// record their arguments and answer as told.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "util/file_dialogs.h"

namespace {

const char kFilter[] = "Text\0*.txt;*.text\0All files\0*.*\0";

class FileDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Keep("PATH");
    Keep("XDG_CURRENT_DESKTOP");
    Keep("FAKE_ARGS");
    Keep("FAKE_REPLY");
    Keep("FAKE_STATUS");
    setenv("PATH", temp.path.c_str(), 1);
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("FAKE_ARGS", (temp / "args").c_str(), 1);
    Answer("", 1);
  }
  void TearDown() override {
    for (auto& [name, value, had] : saved) {
      if (had) setenv(name.c_str(), value.c_str(), 1); else unsetenv(name.c_str());
    }
  }
  void Keep(const char* name) {
    const char* v = std::getenv(name);
    saved.push_back({name, v ? v : "", v != nullptr});
  }
  // A chooser that writes its arguments one a line and prints FAKE_REPLY.
  void InstallChooser(const char* name) {
    std::string file = temp / name;
    std::ofstream(file) << "#!/bin/sh\n"
                           "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_ARGS\"\n"
                           "printf '%s' \"$FAKE_REPLY\"\n"
                           "exit \"$FAKE_STATUS\"\n";
    chmod(file.c_str(), 0755);
  }
  void Answer(const std::string& reply, int status) {
    setenv("FAKE_REPLY", reply.c_str(), 1);
    setenv("FAKE_STATUS", std::to_string(status).c_str(), 1);
  }
  std::vector<std::string> Arguments() {
    std::ifstream in(temp / "args");
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  TempFolder temp;
  struct Saved { std::string name, value; bool had; };
  std::vector<Saved> saved;
};

TEST_F(FileDialogsTest, NoChooserAnswersAsCancelled) {
  char file[260] = "keep";
  EXPECT_EQ(ChooseOpenFile(nullptr, file, "/", "Open", "txt", kFilter), 0);
  EXPECT_EQ(ChooseSaveFile(nullptr, file, "Save", "txt", kFilter), 0);
  EXPECT_STREQ(file, "keep");
}

TEST_F(FileDialogsTest, OpenPassesArgumentsVerbatimAndReturnsThePath) {
  InstallChooser("zenity");
  Answer("/data/my file.txt\n", 0);
  char file[260] = "";
  const char* title = "Open $(touch pwned) \"q\" 'x' ; |";
  ASSERT_EQ(ChooseOpenFile(nullptr, file, "/data", title, "txt", kFilter), 1);
  EXPECT_STREQ(file, "/data/my file.txt");
  std::vector<std::string> expected = {"--file-selection", std::string("--title=") + title,
                                       "--filename=/data/", "--file-filter=Text | *.txt *.text",
                                       "--file-filter=All files | *"};
  EXPECT_EQ(Arguments(), expected);
  EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(FileDialogsTest, CancelledOrFailedChooserLeavesTheBuffer) {
  InstallChooser("zenity");
  char file[260] = "start.txt";
  Answer("/ignored\n", 1);
  EXPECT_EQ(ChooseOpenFile(nullptr, file, "/srv", "t", nullptr, nullptr), 0);
  EXPECT_STREQ(file, "start.txt");
  EXPECT_EQ(Arguments()[2], "--filename=/srv/start.txt") << "the buffer's name is the start";
  Answer("", 0);
  EXPECT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 0);
  EXPECT_STREQ(file, "start.txt");
}

TEST_F(FileDialogsTest, ChosenPathLimitIs259Characters) {
  InstallChooser("zenity");
  char file[260] = "";
  std::string fits = "/" + std::string(258, 'f');
  Answer(fits + "\n", 0);
  ASSERT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 1);
  EXPECT_EQ(std::string(file), fits);
  std::strcpy(file, "keep");
  Answer(fits + "g\n", 0);
  EXPECT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 0);
  EXPECT_STREQ(file, "keep");
}

TEST_F(FileDialogsTest, SaveConfirmsOverwriteAndAddsTheDefaultExtension) {
  InstallChooser("zenity");
  char file[260] = "";
  Answer("/home/u/report\n", 0);
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", kFilter), 1);
  EXPECT_STREQ(file, "/home/u/report.dat");
  std::vector<std::string> args = Arguments();
  ASSERT_GE(args.size(), 4u);
  EXPECT_EQ(args[1], "--save");
  EXPECT_EQ(args[2], "--confirm-overwrite");

  Answer("/home/u.v/report.txt\n", 0);
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", kFilter), 1);
  EXPECT_STREQ(file, "/home/u.v/report.txt");
  Answer("/home/u.v/report\n", 0);
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", kFilter), 1);
  EXPECT_STREQ(file, "/home/u.v/report.dat") << "a dot in a folder is no extension";
}

TEST_F(FileDialogsTest, KdialogIsPreferredOnKdeWithItsOwnSyntax) {
  InstallChooser("zenity");
  InstallChooser("kdialog");
  setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
  Answer("/a/b.txt\n", 0);
  char file[260] = "";
  ASSERT_EQ(ChooseOpenFile(nullptr, file, "rel", "Pick", nullptr, kFilter), 1);
  std::vector<std::string> expected = {"--title=Pick", "--getopenfilename", "./rel/",
                                       "*.txt *.text|Text", "*|All files"};
  EXPECT_EQ(Arguments(), expected) << "the filter list is one argument of two lines";
}

}  // namespace
