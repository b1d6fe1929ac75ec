// Saving and restoring the main window's placement in a small file.
//
// The file is 20 bytes, five little-endian signed 32-bit values: the outer
// rectangle {left, top, right, bottom} the window has when shown normally
// (screen dots, right and bottom exclusive), and the show command (1 normal,
// 2 minimised, 3 maximised). It lives in the folder given to
// SetPlacementFolder, as "<folder>/<file name>".
#pragma once
#include <cstdint>

struct PlatformWindow;

// Remembers the folder (not copied: it must stay valid while it is used).
void SetPlacementFolder(const char* folder);
// 1 when the file was written. 0 when no folder is set, the file name cannot
// be formed (260 characters or more; no file is touched then), the window's
// placement cannot be read, or the file cannot be written.
int SaveWindowPlacement(PlatformWindow* window, const char* fileName);
// Reads the file, limits the rectangle's size to the window system's
// minimum and maximised sizes, moves it into the work area without changing
// its size (a rectangle larger than the work area meets its right and bottom
// edges), then moves the window there, sizing it too when resize is not 0,
// and shows it maximised when the saved show command is 3, else normally.
// 0, with the window untouched, when no folder is set, the name cannot be
// formed, the file cannot be opened or is shorter than 20 bytes, or the work
// area or size limits are unknown.
int LoadWindowPlacement(PlatformWindow* window, const char* fileName, int32_t resize);
