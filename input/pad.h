// The game's five-button pad: keyboard and first joystick ORed together.
//
// GameLoop calls SetPadKeys and PadInit on entry, then ReadPad into held and
// PadUpdate once per frame.
#pragma once
#include <cstdint>

enum : uint32_t {
  PAD_FIRE = 0x01,
  PAD_LEFT = 0x10,
  PAD_RIGHT = 0x20,
  PAD_UP = 0x40,
  PAD_DOWN = 0x80,
};

struct PadState {
  uint32_t held;       // bits down in this frame
  uint32_t triggered;  // down now, not down in the previous frame
  uint32_t previous;   // held of the previous frame
};

extern uint8_t padKeys[5];  // left, right, up, down, fire

void DefaultPadKeys(uint8_t keys[5]);
void SetPadKeys();
uint32_t ReadPad();
void PadInit(PadState* pad);
void PadUpdate(PadState* pad);
int32_t PadDirection(uint32_t bits);
