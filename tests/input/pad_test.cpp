// The pad: keyboard and joystick combined, edges, and the direction codes.
#include <gtest/gtest.h>

#include "input/joystick.h"
#include "input/keys.h"
#include "input/pad.h"
#include "platform/joystick.h"
#include "platform/messages.h"

namespace {

void Key(uint32_t message, uint32_t code) { OnInputMessage(nullptr, message, code); }

class PadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
    ClearKeys();
    SetPadKeys();
  }
  void TearDown() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
  }
  void AttachAt(int32_t x, int32_t y, uint32_t buttons) {
    PlatformJoystickReading r{x, y, buttons, 0, 0, 0, 0};
    SetVirtualJoystick(1, &r);
  }
};

TEST_F(PadTest, DefaultKeysDriveTheFiveBits) {
  uint8_t keys[5] = {};
  DefaultPadKeys(keys);
  EXPECT_EQ(keys[0], 37);
  EXPECT_EQ(keys[1], 39);
  EXPECT_EQ(keys[2], 38);
  EXPECT_EQ(keys[3], 40);
  EXPECT_EQ(keys[4], 32);
  const struct { uint32_t key, bit; } cases[] = {
      {VK_LEFT, PAD_LEFT}, {VK_RIGHT, PAD_RIGHT}, {VK_UP, PAD_UP}, {VK_DOWN, PAD_DOWN}, {VK_SPACE, PAD_FIRE}};
  for (const auto& c : cases) {
    Key(WM_KEYDOWN, c.key);
    EXPECT_EQ(ReadPad(), c.bit) << c.key;
    Key(WM_KEYUP, c.key);
  }
  Key(WM_KEYDOWN, VK_RETURN);
  EXPECT_EQ(ReadPad(), 0u);
}

TEST_F(PadTest, KeyHeldAtInitIsNotTriggeredAndHeldKeyTriggersOnce) {
  Key(WM_KEYDOWN, VK_SPACE);
  PadState pad;
  PadInit(&pad);
  EXPECT_EQ(pad.held, PAD_FIRE);
  EXPECT_EQ(pad.triggered, 0u);
  pad.held = ReadPad();
  PadUpdate(&pad);
  EXPECT_EQ(pad.triggered, 0u) << "held since PadInit";

  Key(WM_KEYDOWN, VK_LEFT);
  pad.held = ReadPad();
  PadUpdate(&pad);
  EXPECT_EQ(pad.triggered, PAD_LEFT);
  EXPECT_EQ(pad.held, PAD_LEFT | PAD_FIRE);
  pad.held = ReadPad();
  PadUpdate(&pad);
  EXPECT_EQ(pad.triggered, 0u);
  EXPECT_EQ(pad.previous, PAD_LEFT | PAD_FIRE);
}

TEST_F(PadTest, JoystickIsOredWithKeysAndOnlyButtonZeroFires) {
  AttachAt(32768, 32768, 0);
  ASSERT_EQ(OpenJoystick(nullptr), 1);
  ASSERT_EQ(CalibrateJoystick(), 1);

  AttachAt(0, 32768, 0xFFFFFFFEu);  // stick left, every button but the first
  Key(WM_KEYDOWN, VK_RIGHT);
  EXPECT_EQ(ReadPad(), PAD_LEFT | PAD_RIGHT) << "opposite directions both set";
  AttachAt(32768, 65535, 0x1u);
  EXPECT_EQ(ReadPad(), PAD_RIGHT | PAD_DOWN | PAD_FIRE);

  // Unplugged: the pad follows the keyboard alone.
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(ReadPad(), PAD_RIGHT);
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
    EXPECT_EQ(PadDirection(bits), expected[i]) << "combination " << i;
    EXPECT_EQ(PadDirection(bits | PAD_FIRE), expected[i]) << "fire must not matter, " << i;
  }
}

}  // namespace
