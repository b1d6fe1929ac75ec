// Whole frames through GameLoop on the headless platform: key
// messages arrive through the message pump between frames, as in the game.
#include <gtest/gtest.h>

#include <vector>

#include "game_test_support.h"
#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "input/keys.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "shell/frame_pacing.h"

namespace {

constexpr uint32_t kQuit = 0;  // script message: post the quit message
// A loop still running after this many frames has missed its exit: end it
// so that the test fails instead of hanging.
constexpr uint32_t kRunawayFrames = 2000;
constexpr uint64_t kMenuReset = 40011;

struct ScriptEvent {
  uint32_t frame;  // WaitFrame call, counted from 1 since the script was armed
  uint32_t message;
  uint64_t key;
};

std::vector<ScriptEvent> script;
uint32_t framesSeen;
std::vector<uint32_t> stepsAfterFrame;
uint32_t snapshotFrame;            // WaitFrame call whose picture to keep; 0: none
std::vector<uint32_t> snapshot;  // the back surface as that WaitFrame began

void Observe(uint32_t) {
  ++framesSeen;
  if (framesSeen >= kRunawayFrames) PostQuitMessage();
  stepsAfterFrame.push_back(stepModeCount);
  if (framesSeen == snapshotFrame) {
    snapshot.clear();
    for (int32_t y = 0; y < 240; ++y) {
      for (int32_t x = 0; x < 320; ++x) snapshot.push_back(ReadPlatformDot(displayState.back, x, y));
    }
  }
  for (const ScriptEvent& e : script) {
    if (e.frame != framesSeen) continue;
    if (e.message == kQuit) {
      PostQuitMessage();
    } else {
      PostPlatformMessage(PlatformMessage{e.message, e.key, 0});
    }
  }
}

int64_t TestWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t) {
  if (message == WM_KEYDOWN || message == WM_KEYUP) OnInputMessage(window, message, wParam);
  if (message == WM_COMMAND && wParam == kMenuReset) RequestReset(1);
  return 0;
}

class WholeFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    PlatformMessage stale;
    while (PeekPlatformMessage(&stale)) {
    }
    ClearKeys();
    script.clear();
    framesSeen = 0;
    snapshotFrame = 0;
    stepsAfterFrame.assign(1, stepModeCount);
    framePacing.windowActive = 1;
    framePacing.rateFirstCall = 1;
    framePacing.rateCount = 0;
    framePacing.rateValue = 0;
    SetMessageTarget(nullptr, TestWindowProc);
    SetFrameObserver(Observe);
    ASSERT_EQ(OpenDisplay(nullptr, nullptr), 1);
    ASSERT_EQ(CreateScreen(nullptr, 320, 240, 1), 1);
    TakeEffects();
  }
  void TearDown() override {
    SetFrameObserver(nullptr);
    CloseDisplay(nullptr);
  }

  // Starts a new script: frames counted from 1 again, keys released.
  void Rearm() {
    ClearKeys();
    framesSeen = 0;
    stepsAfterFrame.assign(1, stepModeCount);
  }

  // Game frames run between WaitFrame calls a and b (inclusive).
  uint32_t StepsBetween(uint32_t a, uint32_t b) { return stepsAfterFrame[b] - stepsAfterFrame[a - 1]; }

};

TEST_F(WholeFrames, SpaceHeldWhenTheLoopStartsIsNotAPress) {
  StartTitle();
  for (int32_t i = 0; i < 250; ++i) StepMode(Pad(0));
  OnInputMessage(nullptr, WM_KEYDOWN, VK_SPACE);
  script = {{5, kQuit, 0}};
  GameLoop();
  EXPECT_EQ(world.mode, ModeTitle);
}

TEST_F(WholeFrames, OverlayShowsOnlyItsPictureOnBlack) {
  // With the game's sheets loaded, frame 1 draws the playfield and HUD; the
  // overlay must not show any of it.
  ASSERT_EQ(LoadBitmapSlot("BMP_ZORRIT", SLOT_SHEET, 0, 0), 1);
  ASSERT_EQ(LoadBitmapSlot("BMP_ESCAPE", SLOT_ESCAPE, 0, 0), 1);
  ASSERT_EQ(LoadBitmapSlot("BMP_CHARACTOR", SLOT_CHARACTERS, 0, 0), 1);
  FreshWorld(ModePlay);
  // Frames 2 and 3 belong to the overlay; keep the picture of the second.
  script = {{1, WM_KEYDOWN, VK_ESCAPE},
            {2, WM_KEYUP, VK_ESCAPE},
            {3, WM_KEYDOWN, VK_F1},
            {4, kQuit, 0}};
  snapshotFrame = 3;
  GameLoop();
  EXPECT_EQ(StepsBetween(2, 3), 0u);
  const std::vector<uint32_t>& shown = snapshot;
  ASSERT_EQ(shown.size(), 320u * 240u);
  const PlatformSurface* picture = displayState.slots[SLOT_ESCAPE].surface;
  int32_t ink = 0;
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) {
      uint32_t expected = 0;
      if (x >= 8 && x < 88 && y >= 8 && y < 32) expected = ReadPlatformDot(picture, x - 8, y - 8);
      ink += expected != 0;
      ASSERT_EQ(shown[y * 320 + x], expected) << x << "," << y;
    }
  }
  EXPECT_GT(ink, 0);
}

TEST_F(WholeFrames, EscapeInTheOverlayQuitsAndF1BeatsF2) {
  StartTitle();
  script = {{2, WM_KEYDOWN, VK_ESCAPE}, {3, WM_KEYUP, VK_ESCAPE}, {4, WM_KEYDOWN, VK_ESCAPE}};
  EXPECT_EQ(GameLoop(), 0);
  EXPECT_EQ(framesSeen, 4u);
  EXPECT_EQ(StepsBetween(1, 4), 2u);

  Rearm();
  script = {{1, WM_KEYDOWN, VK_ESCAPE},
            {2, WM_KEYUP, VK_ESCAPE},
            {2, WM_KEYDOWN, VK_F1},
            {2, WM_KEYDOWN, VK_F2},
            {4, kQuit, 0}};
  EXPECT_EQ(GameLoop(), 0);
  EXPECT_EQ(ResetRequested(), 0);
}

TEST_F(WholeFrames, F2AndTheMenuResetRestartTheTitle) {
  FreshWorld(ModePlay);
  world.bestScore = 77;
  script = {{2, WM_KEYDOWN, VK_ESCAPE}, {3, WM_KEYDOWN, VK_F2}};
  EXPECT_EQ(GameLoop(), 1);
  EXPECT_EQ(world.mode, ModeTitle);
  EXPECT_EQ(world.timer, 0);
  EXPECT_EQ(world.bestScore, 77);
  EXPECT_EQ(StepsBetween(1, 3), 2u);

  // A menu reset chosen while the overlay is open acts once F1 closes it.
  Rearm();
  FreshWorld(ModePlay);
  script = {{1, WM_KEYDOWN, VK_ESCAPE}, {2, WM_COMMAND, kMenuReset}, {3, WM_KEYDOWN, VK_F1}};
  EXPECT_EQ(GameLoop(), 1);
  EXPECT_EQ(world.mode, ModeTitle);
  EXPECT_EQ(StepsBetween(1, 3), 1u);

  // The next loop clears the request and runs the title from its first frame.
  Rearm();
  script = {{3, kQuit, 0}};
  EXPECT_EQ(GameLoop(), 0);
  EXPECT_EQ(ResetRequested(), 0);
  EXPECT_EQ(world.timer, 3);
}

}  // namespace
