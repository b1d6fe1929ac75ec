// Putting the composed frame on screen and keeping the surfaces usable.
//
// Present copies the back surface's device rectangle into the window's canvas
// at the picture's corner (the client offset) and shows it, then runs
// RestoreSurfaces. The frame pacer calls it at the end of every frame, the
// start-up logo once.
#pragma once
#include <cstdint>

struct PlatformWindow;

int Present();
int32_t RestoreSurfaces();
int NoteRestored(int32_t tag);
// Remakes the screen and every slot at another magnification (not called by
// the game); 1. A magnification below 1 is refused with 0 and changes nothing
// (a mend, see present.cpp).
int SetMagnification(PlatformWindow* window, int32_t magnification);

// The window system remade or took away what the window shows (the window
// procedure calls this for WM_APP_SURFACE_LOST): marks the window picture,
// the back surface and every slot surface lost, so that the next Present
// restores them and redraws their bitmaps.
void NoteDisplayChanged();
