// The first attached joystick, read through platform/joystick.h. See
// input/joystick.h for the contract.
//
// Device life: OpenJoystick opens and acquires it; a reading that fails
// because the device went away closes it (the platform does this), and every
// reading then fails until the platform reports a newly attached joystick,
// which ReadJoystick opens, acquires and calibrates before reading it.
#include "input/joystick.h"

#include "platform/joystick.h"

int32_t joystickCentreX = 0;
int32_t joystickCentreY = 0;

// Half-width of the dead band around the centre, in axis units (0..65535).
static constexpr int32_t kDeadBand = 10000;

static int32_t joystickOpen = 0;      // a device is held
static int32_t joystickAcquired = 0;  // reads are allowed (AcquireJoystick)
static int32_t joystickReplugged = 0; // a device was attached and not yet tried

// One raw reading; a failure means the device is gone (the platform closed it).
static int ReadRaw(PlatformJoystickReading* reading) {
  if (!joystickOpen || !joystickAcquired) return 0;
  if (ReadPlatformJoystick(reading)) return 1;
  joystickOpen = 0;
  return 0;
}

int OpenJoystick(PlatformWindow* window) {
  CloseJoystick();
  joystickReplugged = 0;
  if (!OpenPlatformJoystick()) return 0;
  joystickOpen = 1;
  joystickAcquired = 1;
  return 1;
}

int CalibrateJoystick() {
  PlatformJoystickReading reading;
  if (!ReadRaw(&reading)) return 0;
  joystickCentreX = reading.x;
  joystickCentreY = reading.y;
  return 1;
}

int ReadJoystick(JoystickState* state) {
  state->left = state->right = state->up = state->down = 0;
  state->buttons = 0;

  // A joystick plugged in while none is held is opened and calibrated here.
  // The attach notice is kept while the old device is still held, so that an
  // unplug and re-plug between two readings is picked up one reading later.
  if (PlatformJoystickAttached()) joystickReplugged = 1;
  if (!joystickOpen && joystickReplugged) {
    joystickReplugged = 0;
    if (OpenPlatformJoystick()) {
      joystickOpen = 1;
      joystickAcquired = 1;
      CalibrateJoystick();
    }
  }

  PlatformJoystickReading reading;
  if (!ReadRaw(&reading)) return 0;

  state->buttons = reading.buttons;
  // Stick outside the dead band (strict comparisons), or the hat. The first
  // of each pair wins, so a reading never has both left and right.
  int32_t stickLeft = reading.x < joystickCentreX - kDeadBand;
  int32_t stickRight = !stickLeft && reading.x > joystickCentreX + kDeadBand;
  int32_t stickUp = reading.y < joystickCentreY - kDeadBand;
  int32_t stickDown = !stickUp && reading.y > joystickCentreY + kDeadBand;
  state->left = (stickLeft || reading.hatLeft) ? 1 : 0;
  state->right = (!state->left && (stickRight || reading.hatRight)) ? 1 : 0;
  state->up = (stickUp || reading.hatUp) ? 1 : 0;
  state->down = (!state->up && (stickDown || reading.hatDown)) ? 1 : 0;
  return 1;
}

int AcquireJoystick(int32_t acquire) {
  joystickAcquired = acquire != 0 ? 1 : 0;
  return 1;
}

void CloseJoystick() {
  ClosePlatformJoystick();
  joystickOpen = 0;
  joystickAcquired = 0;
}
