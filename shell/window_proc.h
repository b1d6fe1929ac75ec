// The main window's procedure: turns the window messages the game cares about
// into calls on the input state, the music and the game's reset request.
// Runs only inside the message pump, between two frames. Each activation
// change writes "aa" or "ii" as debugger output (platform/debug_output.h).
#pragma once
#include <cstdint>

struct PlatformWindow;

// Menu command identifiers.
enum : uint32_t { IDM_CLOSE = 40002, IDM_RESET = 40011, IDM_ABOUT = 40013 };

int64_t MainWindowProc(PlatformWindow* window, uint32_t message, uint64_t wParam, int64_t lParam);
void OnActivate();
void OnDeactivate();
void GameActivated();
void GameDeactivated();
