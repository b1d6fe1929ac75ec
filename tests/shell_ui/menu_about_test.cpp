// The menu bar's popup and the About box on the headless window: what they
// return, what they pass on to the window procedure, what they leave behind
// on the canvas, and what the canvas shows while they are open (looked at
// from the procedure when a probe message passes through).
#include <gtest/gtest.h>

#include <vector>

#include "platform/window.h"
#include "shell/about.h"
#include "shell/frame_pacing.h"
#include "shell/menu_bar.h"
#include "shell/window_proc.h"

namespace {

constexpr uint32_t kMarker = 0x123456;  // what the canvas held before
constexpr uint32_t kSelection = 0x000080;
constexpr uint32_t kBoxFace = 0xC0C0C0;
constexpr int32_t kEntryX = 30;
constexpr int32_t kResetY = 30, kAboutY = 48, kSeparatorY = 61, kCloseY = 74;

PlatformWindow* window = nullptr;
std::vector<PlatformMessage> received;
std::vector<uint32_t> seenAtProbe;  // canvas dots when the probe passed
std::vector<std::pair<int32_t, int32_t>> probeDots;

int64_t Recorder(PlatformWindow* w, uint32_t message, uint64_t wParam, int64_t lParam) {
  received.push_back({message, wParam, lParam});
  if (message == WM_APP_SHOW_FIRST)
    for (auto [x, y] : probeDots) seenAtProbe.push_back(ReadPlatformDot(PlatformWindowCanvas(w), x, y));
  return 0;
}

void Post(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
  PostPlatformMessage({message, wParam, lParam});
}
void PostMouse(uint32_t message, int32_t x, int32_t y) { Post(message, 0, MakeMouseParam(x, y)); }

class WindowUi : public testing::Test {
 protected:
  void SetUp() override {
    ClearPlatformMessages();
    window = CreatePlatformWindow("", 322, 260);
    PlatformSurface* canvas = PlatformWindowCanvas(window);
    FillPlatformSurface(canvas, {0, 0, 322, 260}, kMarker);
    DrawMenuBar(window);
    SetMessageTarget(window, Recorder);
    received.clear();
    seenAtProbe.clear();
    probeDots.clear();
  }
  void TearDown() override {
    SetMessageTarget(nullptr, nullptr);
    DestroyPlatformWindow(window);
    ClearPlatformMessages();
  }
  static uint32_t Dot(int32_t x, int32_t y) {
    return ReadPlatformDot(PlatformWindowCanvas(window), x, y);
  }
  static int Received(uint32_t message) {
    int n = 0;
    for (const PlatformMessage& m : received) n += m.message == message;
    return n;
  }
};

TEST_F(WindowUi, OnlyTheTitleOpensThePopupAndOnlyTheBarIsTheMenus) {
  uint32_t command = 99;
  EXPECT_EQ(TrackMenuBar(window, 100, MenuBarHeight(), &command), 0);  // below the bar
  EXPECT_EQ(TrackMenuBar(window, 200, 5, &command), 1);                // bar, not the title
  EXPECT_EQ(command, 0u);
  EXPECT_EQ(PlatformMessageCount(), 0);  // no loop ran
}

TEST_F(WindowUi, ReleasingOnAnEntryChoosesItAndThePictureComesBack) {
  probeDots = {{70, kAboutY}, {70, kResetY}, {60, 100}};  // beside the entry texts
  PostMouse(WM_LBUTTONUP, 12, 8);  // the opening click ends on the title: stays open
  PostMouse(WM_MOUSEMOVE, kEntryX, kAboutY);
  Post(WM_APP_SHOW_FIRST);
  PostMouse(WM_LBUTTONDOWN, kEntryX, kAboutY);
  PostMouse(WM_LBUTTONUP, kEntryX, kAboutY);
  uint32_t command = 0;
  ASSERT_EQ(TrackMenuBar(window, 12, 8, &command), 1);
  EXPECT_EQ(command, IDM_ABOUT);
  ASSERT_EQ(seenAtProbe.size(), 3u);
  EXPECT_EQ(seenAtProbe[0], kSelection);  // the entry under the pointer is lit
  EXPECT_NE(seenAtProbe[1], kSelection);
  EXPECT_NE(seenAtProbe[1], kMarker);     // the popup covers the picture
  EXPECT_EQ(Dot(70, kAboutY), kMarker);
  EXPECT_EQ(Dot(kEntryX, kCloseY), kMarker);
  EXPECT_EQ(PlatformMessageCount(), 0);
}

TEST_F(WindowUi, SeparatorAndTitleReleasesKeepItOpenUntilEscape) {
  PostMouse(WM_LBUTTONUP, kEntryX, kSeparatorY);
  PostMouse(WM_LBUTTONUP, 12, 8);
  Post(WM_SYSKEYDOWN, 115);  // Alt+F4 while the menu is open: ignored
  Post(WM_KEYDOWN, VK_ESCAPE);
  Post(WM_APP_SHOW_FIRST);      // after the menu: still queued
  uint32_t command = 99;
  ASSERT_EQ(TrackMenuBar(window, 12, 8, &command), 1);
  EXPECT_EQ(command, 0u);
  EXPECT_EQ(PlatformMessageCount(), 1);
}

TEST_F(WindowUi, ArrowKeysAndEnterChooseSkippingTheSeparator) {
  Post(WM_KEYDOWN, VK_DOWN);  // Reset
  Post(WM_KEYDOWN, VK_DOWN);  // About
  Post(WM_KEYDOWN, VK_DOWN);  // Close (the separator is skipped)
  Post(WM_KEYDOWN, VK_RETURN);
  uint32_t command = 0;
  TrackMenuBar(window, 12, 8, &command);
  EXPECT_EQ(command, IDM_CLOSE);
}

TEST_F(WindowUi, KeyReleasesPassAndCloseEndsTheMenuAndStaysQueued) {
  Post(WM_KEYDOWN, VK_RIGHT);
  Post(WM_KEYUP, VK_RIGHT);
  Post(WM_CLOSE);
  uint32_t command = 99;
  TrackMenuBar(window, 12, 8, &command);
  EXPECT_EQ(command, 0u);
  EXPECT_EQ(Received(WM_KEYDOWN), 0);
  EXPECT_EQ(Received(WM_KEYUP), 1);
  PlatformMessage m;
  ASSERT_EQ(PeekPlatformMessage(&m), 1);
  EXPECT_EQ(m.message, WM_CLOSE);
}

TEST_F(WindowUi, AboutDeactivatesShowsItsBoxIgnoresEscapeAndClosesWithEnter) {
  probeDots = {{161, 80}};
  Post(WM_KEYDOWN, VK_ESCAPE);
  Post(WM_ACTIVATE, WA_ACTIVE);  // the window regaining focus does not wake the game
  Post(WM_APP_SHOW_FIRST);
  Post(WM_KEYDOWN, VK_RETURN);
  RunAboutDialog(window);
  ASSERT_GE(received.size(), 3u);
  EXPECT_EQ(received.front().message, WM_ACTIVATE);
  EXPECT_EQ(received.front().wParam, WA_INACTIVE);
  EXPECT_EQ(received.back().message, WM_ACTIVATE);
  EXPECT_EQ(received.back().wParam, WA_ACTIVE);
  EXPECT_EQ(Received(WM_ACTIVATE), 2);
  ASSERT_EQ(seenAtProbe.size(), 1u);  // Escape left it open
  EXPECT_EQ(seenAtProbe[0], kBoxFace);
  EXPECT_EQ(Dot(161, 80), kMarker);
  EXPECT_EQ(PlatformMessageCount(), 0);
}

TEST_F(WindowUi, AboutClosesOnAClickReleasedOnOk) {
  // The OK button lies at dialog units (7, 55)-(57, 69) of a box centred on
  // the 322 x 260 canvas: dots (124, 156)-(199, 177).
  PostMouse(WM_LBUTTONDOWN, 150, 165);
  PostMouse(WM_MOUSEMOVE, 10, 10);
  PostMouse(WM_LBUTTONUP, 10, 10);  // let go off the button: still open
  Post(WM_APP_SHOW_FIRST);
  PostMouse(WM_LBUTTONDOWN, 150, 165);
  PostMouse(WM_LBUTTONUP, 151, 166);
  Post(WM_APP_SURFACE_LOST);  // after the dialog: still queued
  RunAboutDialog(window);
  EXPECT_EQ(Received(WM_APP_SHOW_FIRST), 1);
  EXPECT_EQ(PlatformMessageCount(), 1);
}

// Closing the main window (or a quit: the headless queue running dry gives
// WM_QUIT) ends the box, and the message is put back for the window.
TEST_F(WindowUi, CloseOrQuitEndsAboutAndIsPutBack) {
  for (uint32_t ending : {(uint32_t)WM_CLOSE, (uint32_t)WM_QUIT}) {
    received.clear();
    if (ending == WM_CLOSE) Post(WM_CLOSE);
    RunAboutDialog(window);
    PlatformMessage m;
    ASSERT_EQ(PeekPlatformMessage(&m), 1);
    EXPECT_EQ(m.message, ending);
    EXPECT_EQ(received.back().wParam, WA_ACTIVE);
    EXPECT_EQ(PlatformMessageCount(), 0);
  }
}

}  // namespace
