// The optional character-sheet file, in every way it can be wrong: the game
// starts every time, and slot 1 holds either the file's bitmap or the
// built-in sheet. The game runs as the replay tool runs it (headless window,
// the real window procedure and message pump), with bitmap files looked for
// in a temporary folder, and ends after a few frames.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "bmp_image.h"
#include "game/game_world.h"
#include "graphics/display.h"
#include "platform/bitmap_check.h"
#include "platform/window.h"
#include "shell/frame_pacing.h"
#include "shell/window_proc.h"
#include "sound/sound_table.h"

namespace {

constexpr uint32_t kFrames = 3;
// The frame-rate figure "0" is drawn from cell 16 of the character sheet
// (8 x 8 dots at (48, 8)) at (310, 3) of the screen.
constexpr int32_t kGlyphX = 48, kGlyphY = 8, kScreenX = 310, kScreenY = 3, kCell = 8;

using DotFn = std::function<uint32_t(int32_t, int32_t)>;
uint32_t framesRun;
std::function<void()> duringFirstFrame;  // runs inside the first frame's WaitFrame

// The frame number counts every WaitFrame of the process; we count our own.
void QuitAfterAFewFrames(uint32_t) {
  if (++framesRun == 1 && duringFirstFrame) duringFirstFrame();
  if (framesRun == kFrames) PostQuitMessage();
}

struct Outcome {
  int started = 0;      // RunGame's result
  uint32_t frames = 0;  // frames it ran
  std::string name;     // slot 1's
  uint32_t flags = 0;
  int32_t width = 0, height = 0;
  std::vector<uint32_t> slotDots, shownGlyph, sheetGlyph;  // slot 1; the screen where the "0" goes; cell 16 of slot 1
};

// Starts the game with bitmap files looked for in `dir`, runs kFrames frames
// (calling `midRun` during the first) and records what slot 1 held.
Outcome RunWithDataDirectory(const std::string& dir, std::function<void()> midRun = nullptr) {
  Outcome o;
  duringFirstFrame = midRun;
  framesRun = 0;
  PlatformWindow* window = CreatePlatformWindow("bad files", 320, 240);
  if (window && OpenDisplay(window, dir.c_str()) && CreateScreen(window, 320, 240, 1)) {
    SetClientOffset(0, 0);
    OpenSound(window);
    SetMessageTarget(window, MainWindowProc);
    SendWindowMessage(WM_CREATE, 0, 0);
    SetFrameObserver(QuitAfterAFewFrames);
    o.started = RunGame(window);
    const SurfaceSlot& slot = displayState.slots[SLOT_CHARACTERS];
    o = {o.started, framesRun, slot.name ? slot.name : "", slot.flags, slot.width, slot.height, {}, {}, {}};
    for (int32_t i = 0; i < slot.width * slot.height; ++i) o.slotDots.push_back(ReadPlatformDot(slot.surface, i % slot.width, i / slot.width));
    for (int32_t i = 0; i < kCell * kCell; ++i) {
      o.shownGlyph.push_back(ReadPlatformDot(displayState.back, kScreenX + i % kCell, kScreenY + i / kCell));
      o.sheetGlyph.push_back(ReadPlatformDot(slot.surface, kGlyphX + i % kCell, kGlyphY + i / kCell));
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

// Every dot coloured after its cell and never black, so every glyph dot is drawn.
uint32_t CellColour(int32_t x, int32_t y) {
  return 0x200000u + (static_cast<uint32_t>(y / kCell) << 12) + (static_cast<uint32_t>(x / kCell) << 4) + 0x0F;
}

class BadCharacterFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zorrit_bad_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/charactor.bmp";
  }
  void TearDown() override { Remove(), rmdir(dir_.c_str()); }
  void Remove() {
    chmod(path_.c_str(), 0600);
    if (unlink(path_.c_str()) != 0) rmdir(path_.c_str());
    unlink((dir_ + "/real.bmp").c_str());
  }
  void Write(const std::vector<uint8_t>& bytes, const std::string& name = "charactor.bmp") {
    ASSERT_TRUE(bmp::WriteFile(dir_ + "/" + name, bytes));
  }

  // The game started and ran its frames; slot 1 holds the built-in 80 x 80
  // sheet (no dot) or the file's w x h bitmap of colours dot(x, y); the "0" on
  // screen is its cell 16 (nothing where the sheet is too small to have one).
  static void ExpectSheet(const Outcome& o, int32_t w = 80, int32_t h = 80, const DotFn& dot = nullptr) {
    EXPECT_EQ(o.started * 10 + o.frames, 10 + kFrames);
    EXPECT_EQ(o.name, dot ? "charactor.bmp" : "BMP_CHARACTOR");
    EXPECT_EQ(o.flags & SLOT_FROM_FILE, dot ? SLOT_FROM_FILE : 0u);
    ASSERT_EQ(o.width * 1000 + o.height, w * 1000 + h);
    for (int32_t i = 0; dot && i < w * h; ++i) ASSERT_EQ(o.slotDots[i], dot(i % w, i / w)) << i % w << "," << i / w;
    const bool hasCell = w >= kGlyphX + kCell && h >= kGlyphY + kCell;
    EXPECT_EQ(o.shownGlyph, hasCell ? o.sheetGlyph : std::vector<uint32_t>(kCell * kCell, 0));
    EXPECT_EQ(o.shownGlyph[0], !hasCell ? 0u : dot ? dot(kGlyphX, kGlyphY) : o.sheetGlyph[0]);
  }

  std::string dir_, path_;
};

TEST_F(BadCharacterFile, AFileThatCannotBeUsedLeavesTheBuiltInSheet) {
  const std::vector<uint8_t> good = bmp::Make({80, 80, 24}, {}, CellColour);
  std::vector<uint8_t> compressed = good, tooTall = good;
  bmp::Set32(compressed, 30, 4);        // claims to hold a JPEG
  bmp::Set32(tooTall, 22, 0x27000018);  // 80 x 654,311,448 dots in 19 kB
  const std::string text = "charactor sheet: see the manual\n";
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"missing", [] {}},
      {"empty", [&] { Write({}); }},
      {"not a bitmap", [&] { Write(std::vector<uint8_t>(text.begin(), text.end())); }},
      {"malformed: unknown compression", [&] { Write(compressed); }},
      {"truncated: half the dots", [&] { Write({good.begin(), good.begin() + good.size() / 2}); }},
      {"huge header", [&] { Write(tooTall); }},
      {"huge file: a valid head, then 64 MiB", [&] { Write(good), truncate(path_.c_str(), kBitmapFileLimit + 1); }},
      {"a directory", [&] { ASSERT_EQ(mkdir(path_.c_str(), 0700), 0); }},
      {"a FIFO", [&] { ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0); }},
      {"a dangling symbolic link", [&] { ASSERT_EQ(symlink((dir_ + "/gone.bmp").c_str(), path_.c_str()), 0); }},
      {"no read permission (empty for root, who reads every file)",
       [&] { Write(geteuid() == 0 ? std::vector<uint8_t>() : good), chmod(path_.c_str(), 0); }},
  };
  for (const auto& [what, make] : cases) {
    SCOPED_TRACE(what);
    make();
    ExpectSheet(RunWithDataDirectory(dir_));
    Remove();
  }
}

// Any layout the reader takes is decoded as SDL decoded it (bitmap_decode_test);
// here the sizes: smaller or larger than the built-in sheet, used as they are,
// and a symbolic link to a file of exactly the 64 MiB cap.
TEST_F(BadCharacterFile, AnyBitmapTheReaderTakesIsUsedAtItsOwnSize) {
  for (int32_t side : {80, 16, 160}) {
    SCOPED_TRACE(side);
    Write(bmp::Make({side, -side}, {}, CellColour));
    ExpectSheet(RunWithDataDirectory(dir_), side, side, CellColour);
    Remove();
  }
  Write(bmp::Make({80, 80}, {}, CellColour), "real.bmp");
  ASSERT_EQ(truncate((dir_ + "/real.bmp").c_str(), kBitmapFileLimit) + symlink("real.bmp", path_.c_str()), 0);
  ExpectSheet(RunWithDataDirectory(dir_), 80, 80, CellColour);
}

TEST_F(BadCharacterFile, ASheetAlreadyLoadedStaysWhenItsFileGoesBadDuringTheRun) {
  // During the first frame the window's surfaces are taken away, so the
  // frame's Present restores them and rereads every bitmap from its source.
  const std::vector<uint8_t> first = bmp::Make({80, 80, 24}, {}, CellColour);
  const DotFn inverted = [](int32_t x, int32_t y) { return CellColour(x, y) ^ 0xFFFFFFu; };
  std::vector<uint8_t> tooTall = first;
  bmp::Set32(tooTall, 22, 0x27000018);
  const struct { const char* what; std::vector<uint8_t> bytes; DotFn after; } changes[] = {  // no bytes: removed
      {"replaced by another good sheet: reread", bmp::Make({80, 80, 24}, {}, inverted), inverted},
      {"removed: kept", {}, CellColour},
      {"replaced by a huge header: kept", tooTall, CellColour},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.what);
    Write(first);
    const Outcome o = RunWithDataDirectory(dir_, [&] {
      c.bytes.empty() ? Remove() : Write(c.bytes);
      PostPlatformMessage(PlatformMessage{WM_APP_SURFACE_LOST, 0, 0});
    });
    ExpectSheet(o, 80, 80, c.after);
    Remove();
  }
}

}  // namespace
