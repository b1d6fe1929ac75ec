// The first attached joystick: four direction flags outside a dead band of
// 10000 units around the calibrated centre, and 32 button bits.
//
// Start-up calls OpenJoystick and CalibrateJoystick once; ReadPad calls
// ReadJoystick every frame. A hat (D-pad) sets the direction flags as the
// stick does. After the device is lost every reading fails until a joystick
// is attached again, which is then opened and calibrated again.
#pragma once
#include <cstdint>

struct PlatformWindow;

struct JoystickState {
  int32_t left, right, up, down;
  uint32_t buttons;
};

extern int32_t joystickCentreX, joystickCentreY;

int OpenJoystick(PlatformWindow* window);
int CalibrateJoystick();
int ReadJoystick(JoystickState* state);
int AcquireJoystick(int32_t acquire);
void CloseJoystick();
