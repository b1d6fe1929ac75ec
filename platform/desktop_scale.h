// The whole factor by which an X11 desktop asks programs to enlarge
// themselves, from the settings a program that knows nothing of dots per
// inch would be stretched by.
//
// Used by the desktop window (window_sdl.cpp) when it sizes the window; pure,
// so that it runs without a display.
#pragma once
#include <cstdint>

// `gdkScale` is the GDK_SCALE variable (null when unset), `resources` the X
// server's resource database as text (XResourceManagerString; null when
// there is none). GDK_SCALE, when it is a whole number of at least 1, wins:
// GDK_SCALE=1 keeps the window at its size whatever the resources say.
// Otherwise a resource line "Xft.dpi: N" of 192 or more gives N / 96 rounded
// down. Anything else, or nothing, gives 1. The result is at most
// kMaxDesktopScale.
int32_t DesktopScaleFrom(const char* gdkScale, const char* resources);

inline constexpr int32_t kMaxDesktopScale = 8;
