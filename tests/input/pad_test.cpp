// The pad: keyboard and joystick combined, edges, and the direction codes.
#include <gtest/gtest.h>

#include "input/joystick.h"
#include "input/keys.h"
#include "input/pad.h"
#include "platform/joystick.h"
#include "platform/messages.h"

namespace {

void Key(uint32_t message, uint32_t code) { OnInputMessage(nullptr, message, code); }

void Stick(int32_t x, int32_t y, uint32_t buttons) {
  PlatformJoystickReading r{x, y, buttons, 0, 0, 0, 0};
  SetVirtualJoystick(1, &r);
}

class PadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
    ClearKeys();
    SetPadKeys();
  }
  void TearDown() override { SetUp(); }
};

TEST_F(PadTest, KeyHeldAtInitIsNotTriggeredAndHeldKeyTriggersOnce) {
  Key(WM_KEYDOWN, VK_SPACE);
  PadState pad;
  PadInit(&pad);
  EXPECT_EQ(pad.held, PAD_FIRE);
  EXPECT_EQ(pad.triggered, 0u);
  Key(WM_KEYDOWN, VK_UP);
  for (int frame = 0; frame < 2; ++frame) {
    pad.held = ReadPad();
    PadUpdate(&pad);
    EXPECT_EQ(pad.held, PAD_UP | PAD_FIRE);
    EXPECT_EQ(pad.triggered, frame == 0 ? PAD_UP : 0u) << frame;
  }
}

TEST_F(PadTest, ArrowsAndSpaceDriveTheBitsAndTheJoystickIsOredIn) {
  Key(WM_KEYDOWN, VK_LEFT);
  Key(WM_KEYDOWN, VK_DOWN);
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(ReadPad(), PAD_LEFT | PAD_DOWN);
  Key(WM_KEYUP, VK_LEFT);
  Key(WM_KEYUP, VK_DOWN);

  Stick(32768, 32768, 0);
  ASSERT_EQ(OpenJoystick(nullptr), 1);
  ASSERT_EQ(CalibrateJoystick(), 1);
  Key(WM_KEYDOWN, VK_RIGHT);
  Stick(0, 32768, 0xFFFFFFFEu);  // stick left, every button but the first
  EXPECT_EQ(ReadPad(), PAD_LEFT | PAD_RIGHT) << "opposites both set; only button 0 fires";
  Stick(32768, 0, 0x1u);
  EXPECT_EQ(ReadPad(), PAD_RIGHT | PAD_UP | PAD_FIRE);
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(ReadPad(), PAD_RIGHT) << "unplugged: the keyboard alone";
}

TEST(PadDirectionTest, EveryCombinationOfTheFourDirections) {
  // Index: L | R << 1 | U << 2 | D << 3.
  const int32_t expected[16] = {0, 1, 2, 1, 3, 5, 6, 5, 4, 7, 8, 7, 3, 5, 6, 5};
  for (uint32_t i = 0; i < 16; ++i) {
    uint32_t bits = 0;
    if (i & 1) bits |= PAD_LEFT;
    if (i & 2) bits |= PAD_RIGHT;
    if (i & 4) bits |= PAD_UP;
    if (i & 8) bits |= PAD_DOWN;
    EXPECT_EQ(PadDirection(bits), expected[i]) << i;
    EXPECT_EQ(PadDirection(bits | PAD_FIRE), expected[i]) << "fire must not matter, " << i;
  }
}

}  // namespace
