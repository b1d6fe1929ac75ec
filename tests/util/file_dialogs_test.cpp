// The Open and Save dialogs against stand-in chooser programs on PATH that
// record their arguments one a line and print what they are told.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"
#include "util/file_dialogs.h"

namespace {

const char kFilter[] = "Text\0*.txt;*.text\0All files\0*.*\0";

class FileDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", temp.path.c_str(), 1);
    unsetenv("XDG_CURRENT_DESKTOP");
    setenv("FAKE_ARGS", (temp / "args").c_str(), 1);
  }
  void TearDown() override { setenv("PATH", oldPath.c_str(), 1); }
  void Install(const char* name) {
    std::ofstream(temp / name) << "#!/bin/sh\n"
                                  "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$FAKE_ARGS\"\n"
                                  "printf '%s' \"$FAKE_REPLY\"\nexit \"$FAKE_STATUS\"\n";
    chmod((temp / name).c_str(), 0755);
  }
  void Answer(const std::string& reply, int status = 0) {
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
  std::string oldPath;
};

TEST_F(FileDialogsTest, OpenPassesArgumentsVerbatimAndReturnsThePath) {
  char file[260] = "";
  EXPECT_EQ(ChooseOpenFile(nullptr, file, "/data", "t", nullptr, nullptr), 0) << "no chooser";
  Install("zenity");
  Answer("/data/my file.txt\n");
  const char* title = "Open $(touch pwned) \"q\" 'x' ; |";
  ASSERT_EQ(ChooseOpenFile(nullptr, file, "/data", title, "txt", kFilter), 1);
  EXPECT_STREQ(file, "/data/my file.txt");
  const std::vector<std::string> expected = {"--file-selection", std::string("--title=") + title,
                                             "--filename=/data/", "--file-filter=Text | *.txt *.text",
                                             "--file-filter=All files | *"};
  EXPECT_EQ(Arguments(), expected);
  EXPECT_FALSE(std::filesystem::exists(temp / "pwned"));
  Answer("/" + std::string(259, 'f') + "\n");
  EXPECT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 0) << "260 characters";
  Answer("/elsewhere\n", 1);
  EXPECT_EQ(ChooseOpenFile(nullptr, file, nullptr, "t", nullptr, nullptr), 0) << "cancelled";
  EXPECT_STREQ(file, "/data/my file.txt");
}

TEST_F(FileDialogsTest, SaveConfirmsOverwriteAndAddsTheDefaultExtension) {
  Install("zenity");
  char file[260] = "";
  Answer("/home/u.v/report\n");
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", kFilter), 1);
  EXPECT_STREQ(file, "/home/u.v/report.dat") << "a dot in a folder is no extension";
  EXPECT_EQ(Arguments()[1], "--save");
  EXPECT_EQ(Arguments()[2], "--confirm-overwrite");
  Answer("/home/u/report.txt\n");
  ASSERT_EQ(ChooseSaveFile(nullptr, file, "Save", "dat", kFilter), 1);
  EXPECT_STREQ(file, "/home/u/report.txt");
}

}  // namespace
