// Measuring hooks of the main window, beside platform/window.h.
//
// Implementations: window_sdl.cpp (desktop), window_extra_headless.cpp and
// window_extra_web.cpp (neither logs).
#pragma once

// From now on every UpdatePlatformWindow appends the moment it handed the
// picture to the window system, in microseconds of a monotonic clock, one
// decimal number per line, to the file at `path` (created or truncated).
// Each line is written out as it is made (line buffered: one write a frame),
// so a test can read the frame grid while the game runs.
// 1 when the file is open; 0 otherwise, and always 0 headless (no log).
// Off unless called; start-up calls it only when asked to by its environment.
int StartPresentLog(const char* path);
void StopPresentLog();
