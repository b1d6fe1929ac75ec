// The window's menu bar: one "Menu" popup with Reset, About, a separator and
// Close, drawn by the program in a classic look with the resource font at the
// top of the window's canvas. It opens with the mouse only.
#pragma once
#include <cstdint>

struct PlatformWindow;

// Height of the menu bar strip in window dots.
int32_t MenuBarHeight();
// Draws the closed menu bar across the canvas's top.
void DrawMenuBar(PlatformWindow* window);
// Called by the window procedure for a left button press at window content
// position (x, y). When it lies on the menu bar, opens the popup and runs its
// modal loop (the game stands still) until an entry is chosen or the menu is
// dismissed; returns 1 and stores the chosen command (0 for none) in *command.
// Returns 0 when (x, y) is not on the menu bar.
int TrackMenuBar(PlatformWindow* window, int32_t x, int32_t y, uint32_t* command);
