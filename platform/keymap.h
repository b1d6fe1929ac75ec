// The mapping from the window system's key events onto the virtual-key codes
// (1..255) that the key tables are indexed by (platform/messages.h).
//
// The desktop window calls VirtualKeyFromSdl for every key event and posts
// WM_KEYDOWN / WM_KEYUP with the result as wParam; a result of 0 means the key
// has no code and the event is dropped.
#pragma once
#include <cstdint>

// scancode: SDL_Scancode of the event (the key's position); keycode: its
// SDL_Keycode (what the key means in the current layout). Returns 0 for keys
// without a virtual-key code.
uint32_t VirtualKeyFromSdl(int scancode, int keycode);
