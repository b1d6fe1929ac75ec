// The main window and its message queue.
//
// Implementations, chosen at link time:
//   window_sdl.cpp      – a real SDL window; native events become messages
//                         (keys with virtual-key codes, focus and minimise,
//                         close, mouse buttons), and SIGTERM/SIGINT close it;
//   window_headless.cpp – no window at all: a message queue that tools and
//                         tests fill with PostPlatformMessage, and a memory
//                         canvas that keeps the last presented picture;
//   window_web.cpp      – a canvas element in a web page, the caption its
//                         title; the page's keys, mouse, focus and visibility
//                         become messages, and a wait suspends the program.
//
// The window's content ("canvas") is a surface of the client area in device
// dots, in the native surface format; the shell draws its menu bar there and
// Present copies the back surface into it, then UpdatePlatformWindow shows it.
#pragma once
#include <cstdint>
#include "platform/messages.h"
#include "platform/surface.h"

struct PlatformWindow;

// Makes the one main window, hidden, of a fixed client size. Null on failure.
PlatformWindow* CreatePlatformWindow(const char* caption, int32_t clientWidth,
                                     int32_t clientHeight);
void DestroyPlatformWindow(PlatformWindow* window);
void SetPlatformWindowCaption(PlatformWindow* window, const char* caption);
// Icon from a decoded bitmap surface (native format, black as transparent).
void SetPlatformWindowIcon(PlatformWindow* window, const PlatformSurface* icon);
void ResizePlatformWindow(PlatformWindow* window, int32_t clientWidth, int32_t clientHeight);

// Screen rectangles, in screen dots.
int GetPlatformWorkArea(PlatformRect* area);
int GetPlatformWindowRect(PlatformWindow* window, PlatformRect* rect);  // outer frame
int GetPlatformClientRect(PlatformWindow* window, PlatformRect* rect);  // content, on screen
void MovePlatformWindow(PlatformWindow* window, int32_t x, int32_t y);  // outer frame corner
void ShowPlatformWindow(PlatformWindow* window);
// Restore if minimised, raise and focus.
void BringPlatformWindowToFront(PlatformWindow* window);

// The window's content surface; null when there is none. The pointer may
// change when the window system remakes it (a WM_APP_SURFACE_LOST message is
// queued then).
PlatformSurface* PlatformWindowCanvas(PlatformWindow* window);
void UpdatePlatformWindow(PlatformWindow* window);

// The queue. Peek returns 1 and removes the first message when one waits,
// else 0 at once. Wait blocks until a message arrives (without spinning).
int PeekPlatformMessage(PlatformMessage* message);
void WaitPlatformMessage(PlatformMessage* message);
void PostPlatformMessage(const PlatformMessage& message);
// The frame wait's sleep between two looks at the queue: about `milliseconds`
// ms on the platform clock, during which the desktop watches the window
// system's connection, so that the next Peek asks the window system for
// events only when something arrived (a pass with nothing costs one wake-up).
// The sleep is not cut short by an arrival. Headless: PlatformSleep exactly.
void WaitPlatformEvents(uint32_t milliseconds);

// Keep the screen saver off while the program runs; keep text input off.
void InhibitScreenSaver(int inhibit);

// Headless implementation only (window_headless.cpp), for tests and tools.
// WaitPlatformMessage on an empty queue does not block there: nothing could
// ever arrive, so it returns WM_QUIT. The queue holds kHeadlessQueueCapacity
// messages; a post to a full queue is dropped, except that the last place is
// kept for WM_QUIT.
inline constexpr int32_t kHeadlessQueueCapacity = 1024;
struct HeadlessWindowRecord {
  int32_t shown;    // ShowPlatformWindow or BringPlatformWindowToFront was called
  int32_t raised;   // BringPlatformWindowToFront calls
  int32_t updates;  // UpdatePlatformWindow calls (frames shown)
};
int GetHeadlessWindowRecord(PlatformWindow* window, HeadlessWindowRecord* record);
// Drops every queued message.
void ClearPlatformMessages();
int32_t PlatformMessageCount();
