// The first attached joystick, read as raw axes and buttons.
//
// Axes are reported in one fixed range 0..65535 (SDL's -32768..32767 plus
// 32768), centre about 32768. A hat (D-pad) is reported as four flags.
//
// Implementations, chosen at link time:
//   joystick_sdl.cpp     – SDL's joystick subsystem;
//   joystick_virtual.cpp – a joystick that tests attach, move and detach;
//   joystick_web.cpp     – the first gamepad of a web page (browsers show one
//                          once its button was pressed there).
#pragma once
#include <cstdint>

struct PlatformJoystickReading {
  int32_t x, y;          // 0..65535
  uint32_t buttons;      // bit i: button i down (i < 32)
  int32_t hatLeft, hatRight, hatUp, hatDown;
};

// Opens the first attached joystick; 1 when one is open.
int OpenPlatformJoystick();
void ClosePlatformJoystick();
// 1 with a reading; 0 when no joystick is open or it was unplugged (the
// joystick is then closed).
int ReadPlatformJoystick(PlatformJoystickReading* reading);
// 1 when a joystick has been attached since the last call (lets the input
// layer open and calibrate a re-plugged pad).
int PlatformJoystickAttached();

// Virtual implementation only.
void SetVirtualJoystick(int attached, const PlatformJoystickReading* reading);
