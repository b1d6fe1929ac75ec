// The main window's procedure and the activation transitions.
//
// Runs inside PumpMessages (shell/frame_pacing.cpp), between two frames, on
// the one thread. A handled message returns 0.
#include "shell/window_proc.h"

#include "game/game_world.h"
#include "graphics/present.h"
#include "input/keys.h"
#include "platform/debug_output.h"
#include "platform/window.h"
#include "shell/about.h"
#include "shell/frame_pacing.h"
#include "shell/menu_bar.h"
#include "sound/cues.h"

enum : uint32_t { kVirtualKeyF4 = 115 };

// What the window system does with a message the procedure leaves alone:
// the close command becomes WM_CLOSE, Alt+F4 the close command, and Alt or
// F10 released the keyboard-menu command (which the procedure suppresses).
// Everything else is ignored.
static int64_t DefaultWindowProc(uint32_t message, uint64_t wParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if (wParam == SC_CLOSE) SendWindowMessage(WM_CLOSE, 0, 0);
      return 0;
    case WM_SYSKEYDOWN:
      if (wParam == kVirtualKeyF4) SendWindowMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSKEYUP:
      if (wParam == VK_MENU || wParam == VK_F10) SendWindowMessage(WM_SYSCOMMAND, SC_KEYMENU, 0);
      return 0;
    default:
      return 0;
  }
}

static void OnCommand(PlatformWindow* window, uint32_t command) {
  switch (command) {
    case IDM_CLOSE:
      SendWindowMessage(WM_CLOSE, 0, 0);
      break;
    case IDM_RESET:
      RequestReset(1);
      break;
    case IDM_ABOUT:
      RunAboutDialog(window);
      break;
    default:
      break;
  }
}

int64_t MainWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam) {
  switch (message) {
    case WM_CREATE:
      framePacing.windowActive = 1;
      return 0;
    case WM_SIZE:
      if (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED)
        OnActivate();
      else if (wParam == SIZE_MINIMIZED)
        OnDeactivate();
      return 0;
    case WM_ACTIVATE: {
      uint32_t state = (uint32_t)(wParam & 0xFFFF);
      if (state == WA_ACTIVE || state == WA_CLICKACTIVE) {
        WriteDebugOutput("aa\n");
        OnActivate();
      } else {
        WriteDebugOutput("ii\n");
        OnDeactivate();
      }
      return 0;
    }
    case WM_CLOSE:
      PostQuitMessage();
      return 0;
    case WM_LBUTTONDOWN: {
      // A press on the menu bar opens the menu and is not a game input.
      uint32_t command = 0;
      if (TrackMenuBar(window, MouseParamX(lParam), MouseParamY(lParam), &command)) {
        if (command) SendWindowMessage(WM_COMMAND, command, 0);
        return 0;
      }
      OnInputMessage(window, message, wParam);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      OnInputMessage(window, message, wParam);
      return 0;
    case WM_COMMAND:
      OnCommand(window, (uint32_t)(wParam & 0xFFFF));
      return 0;
    case WM_SYSCOMMAND:
      if (wParam == SC_KEYMENU || wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) return 0;
      DefaultWindowProc(message, wParam);
      return 0;
    case WM_IME_NOTIFY:
      // The platform keeps text input (and so any input method) off.
      return 0;
    case WM_APP_SHOW_FIRST:
      BringPlatformWindowToFront(window);
      return 0;
    case WM_APP_SURFACE_LOST:
      NoteDisplayChanged();
      return 0;
    default:
      return DefaultWindowProc(message, wParam);
  }
}

void OnDeactivate() {
  if (framePacing.windowActive == 0) return;
  framePacing.windowActive = 0;
  GameDeactivated();
  PauseMusic();
}

void OnActivate() {
  if (framePacing.windowActive == 1) return;
  framePacing.windowActive = 1;
  GameActivated();
  ResumeMusic();
  ClearKeys();
}

void GameActivated() {}

void GameDeactivated() {}
