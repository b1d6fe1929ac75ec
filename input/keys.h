// Keyboard and mouse state, fed by the window procedure, with edge detection.
//
// Key codes are virtual-key codes 0..255 (platform/messages.h). keysDown and
// mouseHeld change only when messages are dispatched (inside the frame wait);
// the "pressed since" answers change only at UpdateKeys.
#pragma once
#include <cstdint>

struct PlatformWindow;

enum : uint32_t { MOUSE_LEFT = 0x01, MOUSE_RIGHT = 0x10 };

struct KeyState {
  uint8_t keysDown[256];
  uint8_t keysBefore[256];
  uint8_t keysPressed[256];
  uint32_t mouseHeld, mousePrevious, mouseTriggered;
  int32_t wheelCount, wheelPrevious, wheelStep;
  int32_t mouseCaptured;
};

extern KeyState keyState;

void ClearKeys();
// WM_KEYDOWN, WM_KEYUP and the four button messages; anything else is ignored.
void OnInputMessage(PlatformWindow* window, uint32_t message, uint64_t wParam);
void OnWheel(PlatformWindow* window, uint32_t message, uint64_t wParam);
void UpdateKeys();
int KeyDown(int32_t key);
int KeyTriggered(int32_t key);
int MouseLeftDown();
int MouseRightDown();
int MouseLeftTriggered();
int MouseRightTriggered();
int32_t WheelStep();
