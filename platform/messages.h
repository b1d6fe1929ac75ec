// Window messages: what the window system tells the program, in the numbers
// the window procedure's table uses.
//
// The platform's window implementation turns its native events into these
// messages; the shell's message pump takes them one at a time and hands them
// to the registered window procedure. Posted messages (quit, commands) go
// through the same queue.
#pragma once
#include <cstdint>

struct PlatformMessage {
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
};

enum : uint32_t {
  WM_CREATE = 0x0001,
  WM_SIZE = 0x0005,
  WM_ACTIVATE = 0x0006,
  WM_CLOSE = 0x0010,
  WM_QUIT = 0x0012,
  WM_KEYDOWN = 0x0100,
  WM_KEYUP = 0x0101,
  WM_SYSKEYDOWN = 0x0104,
  WM_SYSKEYUP = 0x0105,
  WM_COMMAND = 0x0111,
  WM_SYSCOMMAND = 0x0112,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  WM_RBUTTONDOWN = 0x0204,
  WM_RBUTTONUP = 0x0205,
  WM_MOUSEWHEEL = 0x020A,
  WM_IME_NOTIFY = 0x0282,
  // A second copy of the program asked this one to come to the front.
  WM_APP_SHOW_FIRST = 0x8001,
  // The window's picture was lost or remade (surfaces must be restored).
  WM_APP_SURFACE_LOST = 0x8002,
};

// WM_SIZE wParam
enum : uint32_t { SIZE_RESTORED = 0, SIZE_MINIMIZED = 1, SIZE_MAXIMIZED = 2 };
// WM_ACTIVATE low word of wParam
enum : uint32_t { WA_INACTIVE = 0, WA_ACTIVE = 1, WA_CLICKACTIVE = 2 };
// WM_SYSCOMMAND wParam
enum : uint32_t { SC_CLOSE = 0xF060, SC_KEYMENU = 0xF100, SC_SCREENSAVE = 0xF140, SC_MONITORPOWER = 0xF170 };
// WM_IME_NOTIFY wParam
enum : uint32_t { IMN_SETOPENSTATUS = 8 };

// Virtual-key codes the key tables are indexed by.
enum : uint32_t {
  VK_BACK = 8, VK_TAB = 9, VK_RETURN = 13, VK_SHIFT = 16, VK_CONTROL = 17, VK_MENU = 18,
  VK_PAUSE = 19, VK_CAPITAL = 20, VK_ESCAPE = 27, VK_SPACE = 32, VK_PRIOR = 33, VK_NEXT = 34,
  VK_END = 35, VK_HOME = 36, VK_LEFT = 37, VK_UP = 38, VK_RIGHT = 39, VK_DOWN = 40,
  VK_INSERT = 45, VK_DELETE = 46, VK_F1 = 112, VK_F2 = 113, VK_F10 = 121, VK_F12 = 123,
};

// lParam of mouse messages: x in the low 16 bits, y in the next 16 (client
// coordinates of the window content, signed 16-bit each).
inline int64_t MakeMouseParam(int32_t x, int32_t y) {
  return (int64_t)(((uint32_t)(uint16_t)x) | ((uint32_t)(uint16_t)y << 16));
}
inline int32_t MouseParamX(int64_t lParam) { return (int16_t)(lParam & 0xFFFF); }
inline int32_t MouseParamY(int64_t lParam) { return (int16_t)((lParam >> 16) & 0xFFFF); }
