// The optional character-sheet file, in every way it can be wrong: the game
// starts every time, and slot 1 holds either the file's bitmap or the
// built-in sheet. The game runs as the replay tool runs it (headless window,
// the real window procedure and message pump), with bitmap files looked for
// in a temporary folder, and ends after a few frames.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "bmp_image.h"
#include "game/game_world.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/bitmap_check.h"
#include "platform/window.h"
#include "shell/frame_pacing.h"
#include "shell/window_proc.h"
#include "sound/sound_table.h"

namespace {

using hardening::BmpLayout;
using hardening::MakeBmp;

constexpr uint32_t kFrames = 3;
constexpr const char* kFileName = "charactor.bmp";

// The frame-rate figure "0" is drawn from cell 16 of the character sheet
// (8 x 8 dots at (48, 8)) at (310, 3) of the screen.
constexpr int32_t kGlyphX = 48, kGlyphY = 8, kScreenX = 310, kScreenY = 3, kCell = 8;

uint32_t framesRun;

// Runs inside the first frame's WaitFrame, before its messages are pumped.
std::function<void()> duringFirstFrame;

// The frame number counts every WaitFrame of the process; we count our own.
void QuitAfterAFewFrames(uint32_t) {
  ++framesRun;
  if (framesRun == 1 && duringFirstFrame) duringFirstFrame();
  if (framesRun == kFrames) PostQuitMessage();
}

struct Outcome {
  int started = 0;     // RunGame's result
  uint32_t frames = 0;
  std::string name;    // slot 1's name
  uint32_t flags = 0;
  int32_t width = 0, height = 0;
  std::vector<uint32_t> slotDots;   // slot 1, row by row
  std::vector<uint32_t> shownGlyph; // the screen's 8 x 8 dots where the "0" goes
  std::vector<uint32_t> sheetGlyph; // cell 16 of slot 1 (0 where the slot has none)
};

// Starts the game with bitmap files looked for in `dir`, runs kFrames
// frames (calling `midRun` during the first) and records what slot 1 held.
Outcome RunWithDataDirectory(const std::string& dir, std::function<void()> midRun = nullptr) {
  Outcome o;
  duringFirstFrame = midRun;
  PlatformWindow* window = CreatePlatformWindow("bad files", 320, 240);
  if (!window) return o;
  framesRun = 0;
  if (OpenDisplay(window, dir.c_str()) && CreateScreen(window, 320, 240, 1)) {
    SetClientOffset(0, 0);
    OpenSound(window);
    SetMessageTarget(window, MainWindowProc);
    SendWindowMessage(WM_CREATE, 0, 0);
    SetFrameObserver(QuitAfterAFewFrames);
    o.started = RunGame(window);
    o.frames = framesRun;
    const SurfaceSlot& slot = displayState.slots[SLOT_CHARACTERS];
    o.name = slot.name ? slot.name : "";
    o.flags = slot.flags;
    o.width = slot.width;
    o.height = slot.height;
    for (int32_t y = 0; y < slot.height; ++y)
      for (int32_t x = 0; x < slot.width; ++x) o.slotDots.push_back(ReadPlatformDot(slot.surface, x, y));
    for (int32_t y = 0; y < kCell; ++y) {
      for (int32_t x = 0; x < kCell; ++x) {
        o.shownGlyph.push_back(ReadPlatformDot(displayState.back, kScreenX + x, kScreenY + y));
        o.sheetGlyph.push_back(ReadPlatformDot(slot.surface, kGlyphX + x, kGlyphY + y));
      }
    }
  }
  duringFirstFrame = nullptr;
  SetFrameObserver(nullptr);
  SetMessageTarget(nullptr, nullptr);
  CloseDisplay(window);
  CloseSound();
  DestroyPlatformWindow(window);
  ClearPlatformMessages();
  return o;
}

// A character sheet whose every dot is coloured after its cell: never black,
// so that every glyph dot is drawn.
uint32_t CellColour(int32_t x, int32_t y) {
  return 0x200000u + (static_cast<uint32_t>(y / kCell) << 12) + (static_cast<uint32_t>(x / kCell) << 4) + 0x0F;
}

class BadCharacterFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zorrit_bad_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/" + kFileName;
  }
  void TearDown() override {
    chmod(path_.c_str(), 0600);
    if (unlink(path_.c_str()) != 0) rmdir(path_.c_str());
    rmdir(dir_.c_str());
  }
  void Write(const std::vector<uint8_t>& bytes) { ASSERT_TRUE(hardening::WriteFile(path_, bytes)); }

  // The game started, ran its frames and drew the "0" from the built-in sheet.
  static void ExpectBuiltInSheet(const Outcome& o) {
    EXPECT_EQ(o.started, 1);
    EXPECT_EQ(o.frames, kFrames);
    EXPECT_EQ(o.name, "BMP_CHARACTOR");
    EXPECT_EQ(o.flags & SLOT_FROM_FILE, 0u);
    EXPECT_EQ(o.width, 80);
    EXPECT_EQ(o.height, 80);
    EXPECT_EQ(o.shownGlyph, o.sheetGlyph);
  }
  // The game started, ran its frames, and slot 1 holds the file's w x h
  // bitmap with dot (x, y) of colour `dot(x, y)`.
  static void ExpectFileSheet(const Outcome& o, int32_t w, int32_t h,
                              const std::function<uint32_t(int32_t, int32_t)>& dot) {
    EXPECT_EQ(o.started, 1);
    EXPECT_EQ(o.frames, kFrames);
    EXPECT_EQ(o.name, kFileName);
    EXPECT_EQ(o.flags & SLOT_FROM_FILE, SLOT_FROM_FILE);
    ASSERT_EQ(o.width, w);
    ASSERT_EQ(o.height, h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) ASSERT_EQ(o.slotDots[y * w + x], dot(x, y)) << x << "," << y;
  }

  std::string dir_;
  std::string path_;
};

TEST_F(BadCharacterFile, AFileThatCannotBeUsedLeavesTheBuiltInSheet) {
  const std::vector<uint8_t> good = MakeBmp({80, 80, 24}, {}, CellColour);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
  std::vector<uint8_t> compressed = good;
  hardening::Set32(compressed, 30, 4);  // claims to hold a JPEG
  std::vector<uint8_t> tooTall = good;
  hardening::Set32(tooTall, 22, 0x27000018);  // 80 x 654,311,448 dots in 19 kB
  const std::string text = "charactor sheet: see the manual\n";
  struct Bad {
    const char* what;
    std::function<void()> make;
  };
  const Bad cases[] = {
      {"missing", [] {}},
      {"empty", [&] { Write({}); }},
      {"not a bitmap", [&] { Write(std::vector<uint8_t>(text.begin(), text.end())); }},
      {"malformed: unknown compression", [&] { Write(compressed); }},
      {"truncated: half the dots", [&] { Write(truncated); }},
      {"huge header", [&] { Write(tooTall); }},
      {"huge file: a valid head, then 64 MiB",
       [&] {
         Write(good);
         ASSERT_EQ(truncate(path_.c_str(), static_cast<off_t>(kBitmapFileLimit) + 1), 0);
       }},
      {"a directory", [&] { ASSERT_EQ(mkdir(path_.c_str(), 0700), 0); }},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0); }},
      {"a dangling symbolic link",
       [&] { ASSERT_EQ(symlink((dir_ + "/gone.bmp").c_str(), path_.c_str()), 0); }},
  };
  for (const Bad& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    ExpectBuiltInSheet(RunWithDataDirectory(dir_));
    if (unlink(path_.c_str()) != 0) rmdir(path_.c_str());
  }
}

TEST_F(BadCharacterFile, AFileWithoutReadPermissionLeavesTheBuiltInSheet) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  Write(MakeBmp({80, 80, 24}, {}, CellColour));
  ASSERT_EQ(chmod(path_.c_str(), 0), 0);
  ExpectBuiltInSheet(RunWithDataDirectory(dir_));
}

TEST_F(BadCharacterFile, AnyBitmapTheReaderTakesIsUsedAtItsOwnSize) {
  const std::vector<uint32_t> pair = {0x000000, 0x33CC66};
  std::vector<uint32_t> sixteen;
  for (uint32_t i = 0; i < 16; ++i) sixteen.push_back(i * 0x0F0E0D);
  struct Good {
    const char* what;
    BmpLayout layout;
    std::vector<uint32_t> palette;
    std::function<uint32_t(int32_t, int32_t)> stored;  // index or colour in the file
    std::function<uint32_t(int32_t, int32_t)> shown;   // colour in the slot
  };
  auto checker = [](int32_t x, int32_t y) { return static_cast<uint32_t>((x + y) % 2); };
  auto ramp = [](int32_t x, int32_t y) { return static_cast<uint32_t>((x / 5 + y) % 16); };
  const Good cases[] = {
      {"80 x 80, 24 bits", {80, 80, 24}, {}, CellColour, CellColour},
      {"80 x 80, 4 bits like the built-in sheet", {80, 80, 4}, sixteen, ramp,
       [&](int32_t x, int32_t y) { return sixteen[ramp(x, y)]; }},
      {"80 x 80, 1 bit", {80, 80, 1}, pair, checker,
       [&](int32_t x, int32_t y) { return pair[checker(x, y)]; }},
      {"80 x 80, 8 bits, rows top-down", {80, -80, 8}, sixteen, ramp,
       [&](int32_t x, int32_t y) { return sixteen[ramp(x, y)]; }},
      {"16 x 16, 24 bits", {16, 16, 24}, {}, CellColour, CellColour},
      {"160 x 160, 24 bits", {160, 160, 24}, {}, CellColour, CellColour},
  };
  for (const Good& c : cases) {
    SCOPED_TRACE(c.what);
    Write(MakeBmp(c.layout, c.palette, c.stored));
    const Outcome o = RunWithDataDirectory(dir_);
    const int32_t w = c.layout.width, h = c.layout.height < 0 ? -c.layout.height : c.layout.height;
    ExpectFileSheet(o, w, h, c.shown);
    // The "0" on screen is cell 16 of the file, where the file has one; a
    // sheet too small for it leaves that place empty.
    const std::vector<uint32_t> nothing(kCell * kCell, 0);
    EXPECT_EQ(o.shownGlyph, w >= kGlyphX + kCell && h >= kGlyphY + kCell ? o.sheetGlyph : nothing);
    if (w >= kGlyphX + kCell && c.layout.bits == 24) {
      EXPECT_EQ(o.shownGlyph[0], CellColour(kGlyphX, kGlyphY));
    }
    unlink(path_.c_str());
  }
}

TEST_F(BadCharacterFile, ASheetAlreadyLoadedStaysWhenItsFileGoesBadDuringTheRun) {
  // During the first frame the window's surfaces are taken away, so the
  // frame's Present restores them and rereads every bitmap from its source.
  const std::vector<uint8_t> first = MakeBmp({80, 80, 24}, {}, CellColour);
  auto inverted = [](int32_t x, int32_t y) { return CellColour(x, y) ^ 0xFFFFFFu; };
  std::vector<uint8_t> tooTall = first;
  hardening::Set32(tooTall, 22, 0x27000018);
  struct Change {
    const char* what;
    std::vector<uint8_t> bytes;  // empty: the file is removed
    std::function<uint32_t(int32_t, int32_t)> after;
  };
  const Change changes[] = {
      {"replaced by another good sheet: reread", MakeBmp({80, 80, 24}, {}, inverted), inverted},
      {"removed: kept", {}, CellColour},
      {"replaced by a huge header: kept", tooTall, CellColour},
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.what);
    Write(first);
    const Outcome o = RunWithDataDirectory(dir_, [&] {
      if (c.bytes.empty()) {
        unlink(path_.c_str());
      } else {
        Write(c.bytes);
      }
      PostPlatformMessage(PlatformMessage{WM_APP_SURFACE_LOST, 0, 0});
    });
    ExpectFileSheet(o, 80, 80, c.after);
    EXPECT_EQ(o.shownGlyph[0], c.after(kGlyphX, kGlyphY));
    unlink(path_.c_str());
  }
}

}  // namespace
