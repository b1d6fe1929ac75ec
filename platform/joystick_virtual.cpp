// The headless joystick: no device until a test attaches one with
// SetVirtualJoystick, moves it by handing new readings, and detaches it.
// It behaves as the SDL joystick does: a detach makes the next reading fail
// and closes the device; an attach while the subsystem is in use is reported
// once by PlatformJoystickAttached.
#include "platform/joystick.h"

static int virtualAttached = 0;   // a device is plugged in
static int virtualOpen = 0;       // the program holds it open
static int virtualInUse = 0;      // between OpenPlatformJoystick and ClosePlatformJoystick
static int virtualNotice = 0;     // attached since the last PlatformJoystickAttached
static PlatformJoystickReading virtualReading = {32768, 32768, 0, 0, 0, 0, 0};

void SetVirtualJoystick(int attached, const PlatformJoystickReading* reading) {
  if (reading) virtualReading = *reading;
  if (attached && !virtualAttached && virtualInUse) virtualNotice = 1;
  if (!attached) virtualOpen = 0;  // the device is gone with its handle
  virtualAttached = attached ? 1 : 0;
}

int OpenPlatformJoystick() {
  virtualInUse = 1;
  virtualOpen = virtualAttached;
  return virtualOpen;
}

void ClosePlatformJoystick() {
  virtualOpen = 0;
  virtualInUse = 0;
  virtualNotice = 0;
}

int ReadPlatformJoystick(PlatformJoystickReading* reading) {
  if (!virtualOpen) return 0;
  *reading = virtualReading;
  return 1;
}

int PlatformJoystickAttached() {
  int notice = virtualNotice;
  virtualNotice = 0;
  return notice;
}
