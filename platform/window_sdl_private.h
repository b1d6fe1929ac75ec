// Desktop platform only: the SDL window behind the main window, for the
// other desktop files that need SDL's own calls on it.
#pragma once
#include <SDL.h>

struct PlatformWindow;

// Null for a null window.
SDL_Window* PlatformSdlWindow(PlatformWindow* window);
