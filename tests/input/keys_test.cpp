// Key and mouse tables: edges, auto-repeat, ClearKeys and the capture rules.
#include <gtest/gtest.h>

#include "input/keys.h"
#include "platform/messages.h"

namespace {

void Send(uint32_t message, uint64_t wParam = 0) { OnInputMessage(nullptr, message, wParam); }

class KeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearKeys();
    keyState.mouseCaptured = 0;
  }
};

TEST_F(KeysTest, HeldKeyIsPressedOnlyAtFirstUpdateDespiteAutoRepeat) {
  Send(WM_KEYDOWN, VK_SPACE);
  UpdateKeys();
  EXPECT_EQ(KeyDown(VK_SPACE), 1);
  EXPECT_EQ(KeyTriggered(VK_SPACE), 1);
  EXPECT_EQ(KeyTriggered(VK_LEFT), 0);
  for (int frame = 0; frame < 3; ++frame) {
    Send(WM_KEYDOWN, VK_SPACE);  // auto-repeat
    UpdateKeys();
    EXPECT_EQ(KeyTriggered(VK_SPACE), 0) << "frame " << frame;
    EXPECT_EQ(KeyDown(VK_SPACE), 1);
  }
  Send(WM_KEYUP, VK_SPACE);
  UpdateKeys();
  EXPECT_EQ(KeyDown(VK_SPACE), 0);
  EXPECT_EQ(KeyTriggered(VK_SPACE), 0);
  Send(WM_KEYDOWN, VK_SPACE);  // a new press after a release counts again
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_SPACE), 1);
}

TEST_F(KeysTest, TriggeredAnswerChangesOnlyAtUpdate) {
  Send(WM_KEYDOWN, VK_F1);
  EXPECT_EQ(KeyTriggered(VK_F1), 0);  // not before the update
  UpdateKeys();
  Send(WM_KEYUP, VK_F1);
  EXPECT_EQ(KeyTriggered(VK_F1), 1);  // still describes the last interval
}

TEST_F(KeysTest, PressAndReleaseBetweenUpdatesIsMissed) {
  UpdateKeys();
  Send(WM_KEYDOWN, VK_ESCAPE);
  Send(WM_KEYUP, VK_ESCAPE);
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_ESCAPE), 0);
  EXPECT_EQ(KeyDown(VK_ESCAPE), 0);
}

TEST_F(KeysTest, ClearKeysForgetsHeldKeysUntilTheirNextKeyDown) {
  Send(WM_KEYDOWN, VK_RIGHT);
  UpdateKeys();
  ClearKeys();
  EXPECT_EQ(KeyDown(VK_RIGHT), 0);
  EXPECT_EQ(KeyTriggered(VK_RIGHT), 0);
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_RIGHT), 0);
  Send(WM_KEYDOWN, VK_RIGHT);  // auto-repeat of the still-held key
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_RIGHT), 1);
}

TEST_F(KeysTest, OutOfRangeCodesAndOtherMessagesAreIgnored) {
  Send(WM_KEYDOWN, 256);
  Send(WM_KEYDOWN, 256 + VK_SPACE);
  Send(WM_SYSKEYDOWN, VK_F10);
  Send(WM_MOUSEWHEEL, 120u << 16);
  UpdateKeys();
  for (int code = 0; code < 256; ++code) ASSERT_EQ(KeyDown(code), 0) << code;
  EXPECT_EQ(KeyDown(-1), 0);
  EXPECT_EQ(KeyDown(256), 0);
  EXPECT_EQ(KeyTriggered(1000), 0);
  EXPECT_EQ(WheelStep(), 0);
  EXPECT_EQ(keyState.mouseHeld, 0u);
}

TEST_F(KeysTest, BothButtonsTakeTheCaptureOnceAndReleaseItWithTheLast) {
  Send(WM_LBUTTONDOWN);
  EXPECT_EQ(keyState.mouseCaptured, 1);
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(keyState.mouseCaptured, 1);
  UpdateKeys();
  EXPECT_EQ(MouseLeftTriggered(), 1);
  EXPECT_EQ(MouseRightTriggered(), 1);
  Send(WM_LBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 1) << "right button still down";
  EXPECT_EQ(MouseLeftDown(), 0);
  EXPECT_EQ(MouseRightDown(), 1);
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
  UpdateKeys();
  EXPECT_EQ(MouseLeftTriggered(), 0);
  EXPECT_EQ(MouseRightTriggered(), 0);
}

TEST_F(KeysTest, ButtonUpAfterClearKeysStillReleasesTheCapture) {
  Send(WM_RBUTTONDOWN);
  ClearKeys();
  EXPECT_EQ(keyState.mouseCaptured, 1) << "ClearKeys leaves the capture alone";
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
  Send(WM_LBUTTONUP);  // nothing down at all: still no capture, no bits
  EXPECT_EQ(keyState.mouseCaptured, 0);
  EXPECT_EQ(keyState.mouseHeld, 0u);
}

TEST_F(KeysTest, WheelCountsOneStepPerMessageWhateverTheDelta) {
  OnWheel(nullptr, WM_MOUSEWHEEL, (uint64_t)(uint16_t)(int16_t)-360 << 16);
  UpdateKeys();
  EXPECT_EQ(WheelStep(), -1);
  EXPECT_EQ(keyState.wheelCount, -1);
  OnWheel(nullptr, WM_MOUSEWHEEL, 1u << 16);
  OnWheel(nullptr, WM_MOUSEWHEEL, 120u << 16);
  UpdateKeys();
  EXPECT_EQ(WheelStep(), 1);
  OnWheel(nullptr, WM_MOUSEWHEEL, 0xFFFFu);  // low word only: no delta
  UpdateKeys();
  EXPECT_EQ(WheelStep(), 0);
}

}  // namespace
