// The first gamepad of the page, through the browser's gamepad interface.
//
// Browsers show a gamepad to a page only after one of its buttons was pressed
// while the page was open, so a pad usually appears after the start: it is
// then reported once by PlatformJoystickAttached, and the input layer opens
// and calibrates it. Axes 0 and 1 (-1..1) are the stick, scaled to 0..65535;
// on a pad with the standard layout, buttons 12 to 15 (the D-pad) are the hat.
#include <emscripten/html5.h>

#include "platform/joystick.h"

namespace {

constexpr int kDpadUp = 12, kDpadDown = 13, kDpadLeft = 14, kDpadRight = 15;

int padIndex = -1;   // the open gamepad, -1 for none
int knownCount = 0;  // connected gamepads at the last look

// A fresh reading of the gamepads; 0 when the browser has none to offer.
int Sample() { return emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS; }

int ConnectedCount() {
  int count = 0;
  const int slots = emscripten_get_num_gamepads();
  for (int i = 0; i < slots; ++i) {
    EmscriptenGamepadEvent state;
    if (emscripten_get_gamepad_status(i, &state) == EMSCRIPTEN_RESULT_SUCCESS && state.connected)
      ++count;
  }
  return count;
}

int32_t Axis(const EmscriptenGamepadEvent& state, int axis) {
  if (axis >= state.numAxes) return 32768;
  double v = state.axis[axis];
  v = v < -1 ? -1 : v > 1 ? 1 : v;
  return (int32_t)((v + 1) * 32767.5);
}

int Held(const EmscriptenGamepadEvent& state, int button) {
  return button < state.numButtons && state.digitalButton[button] ? 1 : 0;
}

}  // namespace

int OpenPlatformJoystick() {
  padIndex = -1;
  if (!Sample()) return 0;
  knownCount = ConnectedCount();
  const int slots = emscripten_get_num_gamepads();
  for (int i = 0; i < slots && padIndex < 0; ++i) {
    EmscriptenGamepadEvent state;
    if (emscripten_get_gamepad_status(i, &state) == EMSCRIPTEN_RESULT_SUCCESS && state.connected)
      padIndex = i;
  }
  return padIndex >= 0 ? 1 : 0;
}

void ClosePlatformJoystick() {
  padIndex = -1;
  knownCount = 0;
}

int ReadPlatformJoystick(PlatformJoystickReading* reading) {
  if (padIndex < 0) return 0;
  EmscriptenGamepadEvent state;
  if (!Sample() || emscripten_get_gamepad_status(padIndex, &state) != EMSCRIPTEN_RESULT_SUCCESS ||
      !state.connected) {
    padIndex = -1;  // unplugged
    return 0;
  }
  reading->x = Axis(state, 0);
  reading->y = Axis(state, 1);
  reading->buttons = 0;
  const int buttons = state.numButtons < 32 ? state.numButtons : 32;
  for (int i = 0; i < buttons; ++i)
    if (state.digitalButton[i]) reading->buttons |= (uint32_t)1 << i;
  const int standard = state.mapping[0] != 0;  // "standard": the D-pad is buttons 12..15
  reading->hatUp = standard ? Held(state, kDpadUp) : 0;
  reading->hatDown = standard ? Held(state, kDpadDown) : 0;
  reading->hatLeft = standard ? Held(state, kDpadLeft) : 0;
  reading->hatRight = standard ? Held(state, kDpadRight) : 0;
  return 1;
}

int PlatformJoystickAttached() {
  if (!Sample()) return 0;
  const int count = ConnectedCount();
  const int notice = count > knownCount;
  knownCount = count;
  return notice;
}
