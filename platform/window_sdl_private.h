// Desktop platform only: the SDL window behind the main window, for the
// other desktop files that need SDL's own calls on it.
#pragma once
#include <SDL.h>

#include <cstdint>

struct PlatformWindow;

// Null for a null window.
SDL_Window* PlatformSdlWindow(PlatformWindow* window);

// Starts SDL's video and event subsystems with the driver that suits the
// session (video_driver_sdl.cpp). CreatePlatformWindow calls it; 1 on success.
int InitPlatformVideo();

// 1 while SDL's video runs on its Wayland driver.
int PlatformVideoIsWayland();

// The whole factor the desktop asks the window to be enlarged by on screen
// (1: none), read once when the window is made (desktop_scale_sdl.cpp).
// Under X11 it comes from GDK_SCALE or Xft.dpi; elsewhere it is 1.
int32_t AskedDesktopScale(SDL_Window* sdl);

// The frame wait's watch on the window system (event_wait_sdl.cpp).
// CreatePlatformWindow starts watching the connection behind its window;
// DestroyPlatformWindow stops before the window goes.
void WatchWindowSystem(SDL_Window* window);
void StopWatchingWindowSystem();
// Asked by every look at the queue: 1 when it should ask SDL for the window
// system's events now (the caller then pumps), 0 when nothing can have come.
int WindowSystemPumpDue();
