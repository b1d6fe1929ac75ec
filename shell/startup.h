// Start-up and shutdown of the program, and the single-instance guard.
//
// main() calls RunProgram once and exits with its result. Start-up runs in a
// fixed order: the instance guard; the keys; the hidden window with its
// procedure, icon and caption; the instance channel; the display and back
// surface; the window's size, frame and menu bar; centring (which shows the
// window); the logo; joystick and sound; a wait until the logo has been up
// for 1000 ms; then the game. Shutdown destroys the window, then closes the
// joystick, the text font, the display and the sound device, and last the
// guard.
#pragma once
#include <cstdint>

#include "platform/surface.h"

struct PlatformWindow;

extern PlatformWindow* mainWindow;
extern int32_t requestedMagnification;  // 1; never changed at run time
extern char baseDirectory[260];         // always empty: bitmap files are looked for in "/"

// The single-instance guard: the per-user lock and the channel on which the
// first copy listens. Closed on every way out of RunProgram (destructor).
struct InstanceGuard {
  int32_t locked;     // this process holds the lock
  int32_t published;  // the channel is open
  InstanceGuard() : locked(0), published(0) {}
  ~InstanceGuard();
};

// 1 when this is the first copy. 0 otherwise; then, when another copy runs,
// it has been asked to come to the front.
int OpenInstanceGuard(InstanceGuard* guard, const char* lockName, const char* channelName);
// The first copy's window exists: start listening for later copies. 1 on success.
int PublishWindow(InstanceGuard* guard, const char* channelName);
void CloseInstanceGuard(InstanceGuard* guard);

// Caption "[ Zorrit ] Brinelight" on mainWindow.
void SetMainTitle();

// Where CentreWindow puts a window whose outer frame is `frame`: centred on
// `reference` (division rounding toward zero), then kept inside `work`, left
// and top edges first, so a window larger than the work area ends up aligned
// with its right and bottom edges. Stores the outer frame's corner.
void CentredPosition(const PlatformRect& work, const PlatformRect& reference,
                     const PlatformRect& frame, int32_t* x, int32_t* y);
// Moves the window to the centre of the work area and shows it. The window's
// decorations are known only once it is shown, so it is placed again then.
void CentreWindow(PlatformWindow* window);

// Content size of the window at magnification m: the menu bar, then a
// one-dot margin around the 320m x 240m picture.
int32_t ClientWidthFor(int32_t m);
int32_t ClientHeightFor(int32_t m);
// Fills the window's canvas with the workspace grey and draws the menu bar.
void PaintWindowFrame(PlatformWindow* window);

// The whole program: returns the process exit code, 0 after a normal run
// and when another copy was running (it was brought to the front), 1 after
// a failed start, which says why in one line "error: ..." on standard error
// (a display that fails shows the "error" box as well, after the guard is
// closed, so that nothing keeps the lock while the box is up). Environment: ZORRIT_FRAME_LOG=path logs the moment of
// every picture shown (see platform/window_extra.h); unset, nothing is logged.
int RunProgram();
