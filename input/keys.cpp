// Keyboard and mouse state: the window procedure records messages here, the
// pad and the pause overlay ask. See input/keys.h for the contract.
#include "input/keys.h"

#include <cstring>

#include "platform/messages.h"

KeyState keyState;

void ClearKeys() {
  std::memset(keyState.keysDown, 0, sizeof keyState.keysDown);
  std::memset(keyState.keysBefore, 0, sizeof keyState.keysBefore);
  std::memset(keyState.keysPressed, 0, sizeof keyState.keysPressed);
  keyState.mouseHeld = 0;
  keyState.mousePrevious = 0;
  keyState.mouseTriggered = 0;
  keyState.wheelCount = 0;
  keyState.wheelPrevious = 0;
  keyState.wheelStep = 0;
  // mouseCaptured follows the window's capture, which ClearKeys does not touch.
}

// A button went down: the first button down takes the capture.
static void PressButton(uint32_t button) {
  keyState.mouseHeld |= button;
  if (keyState.mouseCaptured == 0) keyState.mouseCaptured = 1;
}

// A button came up: the capture goes when no other button is still down,
// also when the button itself was not recorded as down.
static void ReleaseButton(uint32_t button, uint32_t other) {
  keyState.mouseHeld &= ~button;
  if (keyState.mouseHeld & other) return;
  keyState.mouseCaptured = 0;
}

void OnInputMessage(PlatformWindow* window, uint32_t message, uint64_t wParam) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam < 256) keyState.keysDown[wParam] = 1;
      break;
    case WM_KEYUP:
      if (wParam < 256) keyState.keysDown[wParam] = 0;
      break;
    case WM_LBUTTONDOWN:
      PressButton(MOUSE_LEFT);
      break;
    case WM_RBUTTONDOWN:
      PressButton(MOUSE_RIGHT);
      break;
    case WM_LBUTTONUP:
      ReleaseButton(MOUSE_LEFT, MOUSE_RIGHT);
      break;
    case WM_RBUTTONUP:
      ReleaseButton(MOUSE_RIGHT, MOUSE_LEFT);
      break;
    default:
      break;
  }
}

void OnWheel(PlatformWindow* window, uint32_t message, uint64_t wParam) {
  int16_t delta = (int16_t)(uint16_t)((wParam >> 16) & 0xFFFF);
  if (delta > 0) keyState.wheelCount += 1;
  if (delta < 0) keyState.wheelCount -= 1;
}

void UpdateKeys() {
  for (int code = 0; code < 256; ++code) {
    keyState.keysPressed[code] = (keyState.keysBefore[code] == 0 && keyState.keysDown[code] != 0) ? 1 : 0;
    keyState.keysBefore[code] = keyState.keysDown[code];
  }
  keyState.mouseTriggered = keyState.mouseHeld & ~keyState.mousePrevious;
  keyState.mousePrevious = keyState.mouseHeld;
  if (keyState.wheelCount < keyState.wheelPrevious) {
    keyState.wheelStep = -1;
  } else if (keyState.wheelCount > keyState.wheelPrevious) {
    keyState.wheelStep = 1;
  } else {
    keyState.wheelStep = 0;
  }
  keyState.wheelPrevious = keyState.wheelCount;
}

int KeyDown(int32_t key) {
  if (key < 0 || key > 255) return 0;
  return keyState.keysDown[key] != 0 ? 1 : 0;
}

int KeyTriggered(int32_t key) {
  if (key < 0 || key > 255) return 0;
  return keyState.keysPressed[key] != 0 ? 1 : 0;
}

int MouseLeftDown() { return (keyState.mouseHeld & MOUSE_LEFT) ? 1 : 0; }
int MouseRightDown() { return (keyState.mouseHeld & MOUSE_RIGHT) ? 1 : 0; }
int MouseLeftTriggered() { return (keyState.mouseTriggered & MOUSE_LEFT) ? 1 : 0; }
int MouseRightTriggered() { return (keyState.mouseTriggered & MOUSE_RIGHT) ? 1 : 0; }
int32_t WheelStep() { return keyState.wheelStep; }
