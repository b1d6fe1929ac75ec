// The joystick over the virtual platform joystick: dead band, hat, loss and
// re-attachment.
#include <gtest/gtest.h>

#include "input/joystick.h"
#include "platform/joystick.h"

namespace {

class JoystickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
  }
  void TearDown() override { SetUp(); }
  // Moves the attached joystick (attaching it if need be) and reads it.
  int Read(int32_t x, int32_t y, JoystickState* s, int32_t hatLeft = 0, int32_t hatDown = 0) {
    PlatformJoystickReading r{x, y, 0, hatLeft, 0, 0, hatDown};
    SetVirtualJoystick(1, &r);
    return ReadJoystick(s);
  }
  void StartAt(int32_t x, int32_t y) {
    PlatformJoystickReading r{x, y, 0, 0, 0, 0, 0};
    SetVirtualJoystick(1, &r);
    ASSERT_EQ(OpenJoystick(nullptr), 1);
    ASSERT_EQ(CalibrateJoystick(), 1);
  }
};

TEST_F(JoystickTest, DeadBandIsStrictAroundTheCalibratedCentre) {
  StartAt(30000, 40000);
  const struct { int32_t dx, dy, left, right, up, down; } cases[] = {
      {10000, -10000, 0, 0, 0, 0}, {-10000, 10000, 0, 0, 0, 0}, {10001, 0, 0, 1, 0, 0},
      {-10001, 0, 1, 0, 0, 0},     {0, -10001, 0, 0, 1, 0},     {0, 10001, 0, 0, 0, 1},
  };
  for (const auto& c : cases) {
    JoystickState s;
    ASSERT_EQ(Read(30000 + c.dx, 40000 + c.dy, &s), 1);
    EXPECT_EQ(s.left, c.left) << c.dx << "," << c.dy;
    EXPECT_EQ(s.right, c.right) << c.dx << "," << c.dy;
    EXPECT_EQ(s.up, c.up) << c.dx << "," << c.dy;
    EXPECT_EQ(s.down, c.down) << c.dx << "," << c.dy;
  }
}

TEST_F(JoystickTest, HatActsAsTheStickAndAReadingNeverHasBothOfAPair) {
  StartAt(32768, 32768);
  JoystickState s;
  ASSERT_EQ(Read(32768, 32768, &s, 1, 1), 1);
  EXPECT_EQ(s.left + s.down, 2);
  EXPECT_EQ(s.right + s.up, 0);
  // Stick right and up, hat left and down: left and up win.
  ASSERT_EQ(Read(65535, 0, &s, 1, 1), 1);
  EXPECT_EQ(s.left + s.up, 2);
  EXPECT_EQ(s.right + s.down, 0);
}

TEST_F(JoystickTest, LostJoystickFailsUntilReattachedThenIsRecalibrated) {
  JoystickState s;
  EXPECT_EQ(OpenJoystick(nullptr), 0) << "nothing attached";
  EXPECT_EQ(ReadJoystick(&s), 0);
  StartAt(32768, 32768);
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(ReadJoystick(&s), 0);
  EXPECT_EQ(ReadJoystick(&s), 0);
  // Plugged in again resting elsewhere: opened and calibrated there.
  ASSERT_EQ(Read(20000, 50000, &s), 1);
  EXPECT_EQ(joystickCentreX, 20000);
  EXPECT_EQ(joystickCentreY, 50000);
  EXPECT_EQ(s.left + s.right + s.up + s.down, 0);
  // Unplugged and plugged in again between two readings: one reading lost.
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(Read(10000, 10000, &s), 0);
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(joystickCentreX, 10000);
}

}  // namespace
