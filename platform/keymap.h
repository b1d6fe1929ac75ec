// The mapping from the window system's key events onto the virtual-key codes
// (1..255) that the key tables are indexed by (platform/messages.h).
//
// The desktop window calls VirtualKeyFromSdl for every key event, the web
// page VirtualKeyFromWeb, and each posts WM_KEYDOWN / WM_KEYUP with the result
// as wParam; a result of 0 means the key has no code and the event is dropped.
#pragma once
#include <cstdint>

// scancode: SDL_Scancode of the event (the key's position); keycode: its
// SDL_Keycode (what the key means in the current layout). Returns 0 for keys
// without a virtual-key code.
uint32_t VirtualKeyFromSdl(int scancode, int keycode);

// Web variant only (keymap_web.cpp): code is the KeyboardEvent's `code` (the
// key's position, "KeyQ"), key its `key` (what it means in the current
// layout, "a"). Both are turned into the SDL scancode and keycode they stand
// for and mapped as above, so a page gets exactly the desktop's codes.
uint32_t VirtualKeyFromWeb(const char* code, const char* key);
