// The joystick over the virtual platform joystick: dead band, hat, buttons,
// loss and re-attachment.
#include <gtest/gtest.h>

#include "input/joystick.h"
#include "platform/joystick.h"

namespace {

PlatformJoystickReading At(int32_t x, int32_t y, uint32_t buttons = 0) {
  return PlatformJoystickReading{x, y, buttons, 0, 0, 0, 0};
}

class JoystickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
    joystickCentreX = joystickCentreY = 0;
  }
  void TearDown() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
  }
  // Attaches a joystick resting at (x, y), opens and calibrates it.
  void StartAt(int32_t x, int32_t y) {
    PlatformJoystickReading rest = At(x, y);
    SetVirtualJoystick(1, &rest);
    ASSERT_EQ(OpenJoystick(nullptr), 1);
    ASSERT_EQ(CalibrateJoystick(), 1);
  }
  JoystickState ReadAt(int32_t x, int32_t y) {
    PlatformJoystickReading r = At(x, y);
    SetVirtualJoystick(1, &r);
    JoystickState s{};
    EXPECT_EQ(ReadJoystick(&s), 1);
    return s;
  }
};

TEST_F(JoystickTest, WithoutJoystickEveryCallFails) {
  EXPECT_EQ(OpenJoystick(nullptr), 0);
  EXPECT_EQ(CalibrateJoystick(), 0);
  JoystickState s;
  EXPECT_EQ(ReadJoystick(&s), 0);
  EXPECT_EQ(AcquireJoystick(1), 1);
  EXPECT_EQ(ReadJoystick(&s), 0);
}

TEST_F(JoystickTest, DeadBandIsStrictAroundTheCalibratedCentre) {
  StartAt(30000, 40000);
  EXPECT_EQ(joystickCentreX, 30000);
  EXPECT_EQ(joystickCentreY, 40000);

  JoystickState s = ReadAt(30000 + 10000, 40000 - 10000);
  EXPECT_EQ(s.left + s.right + s.up + s.down, 0) << "exactly 10000 away is centred";
  s = ReadAt(30000 - 10000, 40000 + 10000);
  EXPECT_EQ(s.left + s.right + s.up + s.down, 0);

  s = ReadAt(30000 + 10001, 40000);
  EXPECT_EQ(s.right, 1);
  EXPECT_EQ(s.left + s.up + s.down, 0);
  s = ReadAt(30000 - 10001, 40000);
  EXPECT_EQ(s.left, 1);
  EXPECT_EQ(s.right, 0);
  s = ReadAt(30000, 40000 - 10001);
  EXPECT_EQ(s.up, 1);
  EXPECT_EQ(s.down, 0);
  s = ReadAt(30000, 40000 + 10001);
  EXPECT_EQ(s.down, 1);
  EXPECT_EQ(s.up, 0);
}

TEST_F(JoystickTest, HatSetsDirectionsButNeverBothOfAPair) {
  StartAt(32768, 32768);
  PlatformJoystickReading r = At(32768, 32768);
  r.hatRight = 1;
  r.hatDown = 1;
  SetVirtualJoystick(1, &r);
  JoystickState s;
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(s.right, 1);
  EXPECT_EQ(s.down, 1);
  EXPECT_EQ(s.left + s.up, 0);

  // Stick pushed right and up, hat left and down: the first of each pair wins.
  r = At(65535, 0);
  r.hatLeft = 1;
  r.hatDown = 1;
  SetVirtualJoystick(1, &r);
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(s.left, 1);
  EXPECT_EQ(s.right, 0);
  EXPECT_EQ(s.up, 1);
  EXPECT_EQ(s.down, 0);
}

TEST_F(JoystickTest, AllThirtyTwoButtonsAreReported) {
  StartAt(32768, 32768);
  PlatformJoystickReading r = At(32768, 32768, 0x80000002u);
  SetVirtualJoystick(1, &r);
  JoystickState s;
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(s.buttons, 0x80000002u);
}

TEST_F(JoystickTest, LostJoystickFailsUntilReattachedThenIsRecalibrated) {
  StartAt(32768, 32768);
  SetVirtualJoystick(0, nullptr);
  JoystickState s;
  EXPECT_EQ(ReadJoystick(&s), 0);
  EXPECT_EQ(ReadJoystick(&s), 0);

  // Plugged in again resting somewhere else: opened and calibrated there.
  PlatformJoystickReading rest = At(20000, 50000);
  SetVirtualJoystick(1, &rest);
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(joystickCentreX, 20000);
  EXPECT_EQ(joystickCentreY, 50000);
  EXPECT_EQ(s.left + s.right + s.up + s.down, 0);
  s = ReadAt(20000 - 10001, 50000);
  EXPECT_EQ(s.left, 1);
}

TEST_F(JoystickTest, UnplugAndReplugBetweenTwoReadingsIsPickedUp) {
  StartAt(32768, 32768);
  SetVirtualJoystick(0, nullptr);
  PlatformJoystickReading rest = At(10000, 10000);
  SetVirtualJoystick(1, &rest);
  JoystickState s;
  EXPECT_EQ(ReadJoystick(&s), 0);  // the old device is gone
  ASSERT_EQ(ReadJoystick(&s), 1);  // the new one is open and calibrated
  EXPECT_EQ(joystickCentreX, 10000);
}

TEST_F(JoystickTest, UnacquiredJoystickIsSilentAndClosedOneStaysClosed) {
  StartAt(32768, 32768);
  EXPECT_EQ(AcquireJoystick(0), 1);
  JoystickState s;
  EXPECT_EQ(ReadJoystick(&s), 0);
  EXPECT_EQ(CalibrateJoystick(), 0);
  EXPECT_EQ(AcquireJoystick(1), 1);
  EXPECT_EQ(ReadJoystick(&s), 1);

  CloseJoystick();
  SetVirtualJoystick(0, nullptr);
  PlatformJoystickReading rest = At(32768, 32768);
  SetVirtualJoystick(1, &rest);  // attached after shutdown: not opened
  EXPECT_EQ(ReadJoystick(&s), 0);
}

}  // namespace
