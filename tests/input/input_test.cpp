// Keys, mouse buttons, the joystick and the pad: edges, capture, dead band,
// loss and re-attachment; and the mapping of SDL's key events.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "input/joystick.h"
#include "input/keys.h"
#include "input/pad.h"
#include "platform/joystick.h"
#include "platform/keymap.h"
#include "platform/messages.h"

namespace {

void Send(uint32_t message, uint64_t wParam = 0) { OnInputMessage(nullptr, message, wParam); }

// Attaches the virtual joystick (if need be) with the stick, buttons and hat.
void Stick(int32_t x, int32_t y, uint32_t buttons = 0, int32_t hatLeft = 0, int32_t hatDown = 0) {
  PlatformJoystickReading r{x, y, buttons, hatLeft, 0, 0, hatDown};
  SetVirtualJoystick(1, &r);
}

class Input : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseJoystick();
    SetVirtualJoystick(0, nullptr);
    ClearKeys();
    keyState.mouseCaptured = 0;
    SetPadKeys();
  }
  void TearDown() override { SetUp(); }
  void StartStickAt(int32_t x, int32_t y) {
    Stick(x, y);
    ASSERT_EQ(OpenJoystick(nullptr), 1);
    ASSERT_EQ(CalibrateJoystick(), 1);
  }
};

TEST_F(Input, AKeyIsPressedAtTheFirstUpdateAfterItWentDownOnly) {
  Send(WM_KEYDOWN, VK_SPACE);
  EXPECT_EQ(KeyTriggered(VK_SPACE), 0) << "answers change only at UpdateKeys";
  // Messages before each UpdateKeys (auto-repeat repeats key-downs), then
  // KeyDown and KeyTriggered; ClearKeys forgets a held key until its next key-down.
  const struct { uint32_t message; int clear, down, pressed; } steps[] = {
      {0, 0, 1, 1}, {WM_KEYDOWN, 0, 1, 0}, {0, 0, 1, 0}, {WM_KEYUP, 0, 0, 0},
      {WM_KEYDOWN, 0, 1, 1}, {0, 1, 0, 0}, {WM_KEYDOWN, 0, 1, 1}};
  for (const auto& s : steps) {
    if (s.clear) ClearKeys();
    if (s.message) Send(s.message, VK_SPACE);
    UpdateKeys();
    EXPECT_EQ(KeyDown(VK_SPACE) * 10 + KeyTriggered(VK_SPACE), s.down * 10 + s.pressed) << &s - steps;
  }
  // Down and up between two updates is no press; codes past the table are ignored.
  Send(WM_KEYDOWN, VK_ESCAPE);
  Send(WM_KEYUP, VK_ESCAPE);
  Send(WM_KEYDOWN, 256 + VK_LEFT);
  UpdateKeys();
  EXPECT_EQ(KeyTriggered(VK_ESCAPE) + KeyDown(VK_LEFT) + KeyDown(256), 0);
}

TEST_F(Input, MouseCaptureIsTakenAtTheFirstPressAndReleasedWithTheLast) {
  Send(WM_LBUTTONDOWN);
  Send(WM_RBUTTONDOWN);
  UpdateKeys();
  EXPECT_EQ(MouseLeftTriggered() + MouseRightTriggered(), 2);
  Send(WM_LBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 1) << "right button still down";
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
  // A button-up whose button ClearKeys forgot still releases the capture.
  Send(WM_RBUTTONDOWN);
  ClearKeys();
  EXPECT_EQ(keyState.mouseCaptured, 1);
  Send(WM_RBUTTONUP);
  EXPECT_EQ(keyState.mouseCaptured, 0);
}

TEST_F(Input, TheStickLeavesItsDeadBandStrictlyTheHatActsAsItAndTheFirstOfAPairWins) {
  JoystickState s;
  EXPECT_EQ(OpenJoystick(nullptr), 0) << "nothing attached";
  EXPECT_EQ(ReadJoystick(&s), 0);
  StartStickAt(30000, 40000);
  // dx, dy from the centre, hat left and down; expected left, right, up, down.
  const int32_t cases[][8] = {
      {10000, -10000, 0, 0, 0, 0, 0, 0}, {-10000, 10000, 0, 0, 0, 0, 0, 0}, {10001, 0, 0, 0, 0, 1, 0, 0},
      {-10001, 0, 0, 0, 1, 0, 0, 0},     {0, -10001, 0, 0, 0, 0, 1, 0},     {0, 10001, 0, 0, 0, 0, 0, 1},
      {0, 0, 1, 1, 1, 0, 0, 1},          {30000, -30000, 1, 1, 1, 0, 1, 0},
  };
  for (const auto& c : cases) {
    Stick(30000 + c[0], 40000 + c[1], 0, c[2], c[3]);
    ASSERT_EQ(ReadJoystick(&s), 1);
    EXPECT_EQ((std::vector<int32_t>{s.left, s.right, s.up, s.down}), std::vector<int32_t>(c + 4, c + 8))
        << c[0] << "," << c[1] << " hat " << c[2] << c[3];
  }
  // Lost, readings fail until it is plugged in again, resting elsewhere:
  // then it is opened and calibrated there.
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(ReadJoystick(&s) + ReadJoystick(&s), 0);
  Stick(20000, 50000);
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(std::make_pair(joystickCentreX, joystickCentreY), std::make_pair(20000, 50000));
  EXPECT_EQ(s.left + s.right + s.up + s.down, 0);
  // Unplugged and plugged in again between two readings: one reading lost.
  SetVirtualJoystick(0, nullptr);
  Stick(10000, 10000);
  EXPECT_EQ(ReadJoystick(&s), 0);
  ASSERT_EQ(ReadJoystick(&s), 1);
  EXPECT_EQ(joystickCentreX, 10000);
}

TEST_F(Input, PadOrsArrowsSpaceAndTheStickAndTriggersOnNewBitsOnly) {
  Send(WM_KEYDOWN, VK_SPACE);
  PadState pad;
  PadInit(&pad);  // held at the start: not a press
  EXPECT_EQ(pad.held, PAD_FIRE);
  Send(WM_KEYDOWN, VK_UP);
  Send(WM_KEYDOWN, VK_RETURN);  // not fire
  for (int frame = 0; frame < 2; ++frame) {
    pad.held = ReadPad();
    PadUpdate(&pad);
    EXPECT_EQ(pad.held, PAD_UP | PAD_FIRE);
    EXPECT_EQ(pad.triggered, frame == 0 ? PAD_UP : 0u) << frame;
  }
  ClearKeys();
  StartStickAt(32768, 32768);
  Send(WM_KEYDOWN, VK_RIGHT);
  Stick(0, 32768, 0xFFFFFFFEu);  // stick left, every button but the first
  EXPECT_EQ(ReadPad(), PAD_LEFT | PAD_RIGHT);
  Stick(32768, 0, 0x1u);
  EXPECT_EQ(ReadPad(), PAD_RIGHT | PAD_UP | PAD_FIRE);
  SetVirtualJoystick(0, nullptr);
  EXPECT_EQ(ReadPad(), PAD_RIGHT) << "unplugged: the keyboard alone";

  // Directions: index L | R << 1 | U << 2 | D << 3; fire does not matter.
  const int32_t direction[16] = {0, 1, 2, 1, 3, 5, 6, 5, 4, 7, 8, 7, 3, 5, 6, 5};
  for (uint32_t i = 0; i < 16; ++i) {
    uint32_t bits = (i & 1) * PAD_LEFT | (i & 2) / 2 * PAD_RIGHT | (i & 4) / 4 * PAD_UP | (i & 8) / 8 * PAD_DOWN;
    EXPECT_EQ(PadDirection(bits | PAD_FIRE), direction[i]) << i;
  }
}

// SDL scancodes and keycodes as their numbers (a stable part of SDL's
// interface); the keycode of a key that types nothing is scancode | 0x40000000.
TEST(Keymap, SdlKeysOntoVirtualKeyCodes) {
  constexpr int M = 0x40000000;
  const struct { int scancode, keycode; uint32_t expected; } cases[] = {
      {80, 80 | M, 37}, {82, 82 | M, 38}, {79, 79 | M, 39}, {81, 81 | M, 40},  // arrows
      {44, ' ', 32}, {41, 27, 27}, {58, 58 | M, 112}, {69, 69 | M, 123},       // space, Esc, F1, F12
      {229, 229 | M, 16}, {76, 127, 46}, {52, '\'', 222}, {51, ';', 186},      // shift, Delete, ' ;
      {98, 98 | M, 96}, {97, 97 | M, 105}, {95, '7', 103}, {84, 84 | M, 111},  // keypad 0 9 7 /
      {103, 103 | M, 0}, {0, 80 | M, 37}, {0, 0, 0},   // keypad = has no code; no scancode; nothing
      {4, 'a', 'A'}, {20, 'a', 'A'}, {4, 0x444, 'A'},  // letters by key, whatever the layout
      {30, '&', '1'}, {100, '<', 226}, {57, 27, 27},   // French digit row, ISO key, Caps as Escape
  };
  for (const auto& c : cases) EXPECT_EQ(VirtualKeyFromSdl(c.scancode, c.keycode), c.expected) << c.scancode;
  for (int scancode = 0; scancode < 512; ++scancode) {
    ASSERT_LE(VirtualKeyFromSdl(scancode, scancode | M), 255u) << "beyond the table: " << scancode;
  }
}

}  // namespace
