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

TEST_F(KeysTest, PressedOnlyAtTheFirstUpdateAfterKeyDown) {
  Send(WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(KeyTriggered(VK_SPACE), 0) << "pressed answers change only at UpdateKeys";
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_SPACE), 1);
  for (int frame = 0; frame < 3; ++frame) {
    Send(WM_KEYDOWN, VK_SPACE);  // auto-repeat
    UpdateKeys();
    EXPECT_EQ(KeyTriggered(VK_SPACE), 0) << frame;
    EXPECT_EQ(KeyDown(VK_SPACE), 1);
  }
  Send(WM_KEYUP, VK_SPACE);
  UpdateKeys();
  Send(WM_KEYDOWN, VK_SPACE);
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_SPACE), 1) << "a new press after a release";
  Send(WM_KEYUP, VK_SPACE);
  Send(WM_KEYDOWN, VK_ESCAPE);  // pressed and released between two updates
  Send(WM_KEYUP, VK_ESCAPE);
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_ESCAPE), 0);
  EXPECT_EQ(KeyDown(VK_ESCAPE), 0);
}

TEST_F(KeysTest, ClearKeysForgetsHeldKeysUntilTheirNextKeyDown) {
  Send(WM_KEYDOWN, VK_RIGHT);
  UpdateKeys();
  ClearKeys();
  UpdateKeys();
  EXPECT_EQ(KeyDown(VK_RIGHT), 0);
  EXPECT_EQ(KeyTriggered(VK_RIGHT), 0);
  Send(WM_KEYDOWN, VK_RIGHT);  // auto-repeat of the still-held key
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_RIGHT), 1);
  // Codes outside the table are ignored, not written past it.
  Send(WM_KEYDOWN, 256 + VK_LEFT);
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(KeyDown(256), 0);
}

TEST_F(KeysTest, CaptureIsTakenAtTheFirstPressAndReleasedWithTheLast) {
  Send(WM_LBUTTONDOWN);
  Send(WM_RBUTTONDOWN);
  EXPECT_EQ(keyState.mouseCaptured, 1);
  UpdateKeys();
  EXPECT_EQ(MouseLeftTriggered() + MouseRightTriggered(), 2);
  Send(WM_LBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 1) << "right button still down";
  EXPECT_EQ(MouseRightDown(), 1);
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
  // A button-up whose button was forgotten by ClearKeys still releases it.
  Send(WM_RBUTTONDOWN);
  ClearKeys();
  EXPECT_EQ(keyState.mouseCaptured, 1) << "ClearKeys leaves the capture alone";
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
}

}  // namespace
