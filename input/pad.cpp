// The game's five-button pad. See input/pad.h for the contract.
#include "input/pad.h"

#include "input/joystick.h"
#include "input/keys.h"
#include "platform/messages.h"

uint8_t padKeys[5];

void DefaultPadKeys(uint8_t keys[5]) {
  keys[0] = VK_LEFT;
  keys[1] = VK_RIGHT;
  keys[2] = VK_UP;
  keys[3] = VK_DOWN;
  keys[4] = VK_SPACE;
}

void SetPadKeys() { DefaultPadKeys(padKeys); }

uint32_t ReadPad() {
  static constexpr uint32_t kKeyBits[5] = {PAD_LEFT, PAD_RIGHT, PAD_UP, PAD_DOWN, PAD_FIRE};
  uint32_t bits = 0;
  for (int i = 0; i < 5; ++i) {
    if (KeyDown(padKeys[i])) bits |= kKeyBits[i];
  }
  JoystickState stick;
  if (!ReadJoystick(&stick)) return bits;
  if (stick.left) bits |= PAD_LEFT;
  if (stick.right) bits |= PAD_RIGHT;
  if (stick.up) bits |= PAD_UP;
  if (stick.down) bits |= PAD_DOWN;
  if (stick.buttons & 0x01) bits |= PAD_FIRE;
  return bits;
}

void PadInit(PadState* pad) {
  pad->held = ReadPad();
  pad->previous = pad->held;
  pad->triggered = 0;
}

void PadUpdate(PadState* pad) {
  pad->triggered = pad->held & ~pad->previous;
  pad->previous = pad->held;
}

int32_t PadDirection(uint32_t bits) {
  const bool left = bits & PAD_LEFT, right = bits & PAD_RIGHT;
  const bool up = bits & PAD_UP, down = bits & PAD_DOWN;
  if (left && up) return 5;
  if (right && up) return 6;
  if (left && down) return 7;
  if (right && down) return 8;
  if (left) return 1;
  if (right) return 2;
  if (up) return 3;
  if (down) return 4;
  return 0;
}
