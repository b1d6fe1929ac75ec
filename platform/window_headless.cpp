// The main window without a display: a recorded rectangle on a fixed work
// area, a memory canvas that keeps the last presented picture, and the
// message queue, which tests and tools fill with PostPlatformMessage.
//
// The headless window has no frame: its outer rectangle is its client area.
// Nothing here ever blocks; see WaitPlatformMessage.
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/window.h"

struct PlatformWindow {
  char caption[256];
  int32_t x, y;                    // outer corner on the screen
  int32_t clientWidth, clientHeight;
  PlatformSurface* canvas;         // null while the client area is empty
  HeadlessWindowRecord record;
};

// The fixed screen: 1920 x 1080 with a 40-dot panel along the bottom.
static const PlatformRect kWorkArea = {0, 0, 1920, 1040};

// The queue: a ring of fixed capacity, oldest first.
static PlatformMessage queue[kHeadlessQueueCapacity];
static int32_t queueHead = 0;   // index of the oldest message
static int32_t queueCount = 0;

PlatformWindow* CreatePlatformWindow(const char* caption, int32_t clientWidth,
                                     int32_t clientHeight) {
  PlatformWindow* window = new PlatformWindow();
  SetPlatformWindowCaption(window, caption);
  window->clientWidth = clientWidth > 0 ? clientWidth : 0;
  window->clientHeight = clientHeight > 0 ? clientHeight : 0;
  if (window->clientWidth > 0 && window->clientHeight > 0)
    window->canvas = CreatePlatformSurface(window->clientWidth, window->clientHeight);
  return window;
}

void DestroyPlatformWindow(PlatformWindow* window) {
  if (!window) return;
  DestroyPlatformSurface(window->canvas);
  delete window;
}

void SetPlatformWindowCaption(PlatformWindow* window, const char* caption) {
  if (!window) return;
  std::snprintf(window->caption, sizeof window->caption, "%s", caption ? caption : "");
}

void SetPlatformWindowIcon(PlatformWindow*, const PlatformSurface*) {}

// A new size makes a new canvas (blank); when a canvas existed before, the
// shell learns of the change through WM_APP_SURFACE_LOST, as on the desktop.
void ResizePlatformWindow(PlatformWindow* window, int32_t clientWidth, int32_t clientHeight) {
  if (!window) return;
  if (clientWidth < 0) clientWidth = 0;
  if (clientHeight < 0) clientHeight = 0;
  if (clientWidth == window->clientWidth && clientHeight == window->clientHeight) return;
  PlatformSurface* old = window->canvas;
  window->clientWidth = clientWidth;
  window->clientHeight = clientHeight;
  window->canvas = (clientWidth > 0 && clientHeight > 0)
                       ? CreatePlatformSurface(clientWidth, clientHeight)
                       : nullptr;
  if (old) {
    DestroyPlatformSurface(old);
    PostPlatformMessage({WM_APP_SURFACE_LOST, 0, 0});
  }
}

int GetPlatformWorkArea(PlatformRect* area) {
  if (!area) return 0;
  *area = kWorkArea;
  return 1;
}

int GetPlatformWindowRect(PlatformWindow* window, PlatformRect* rect) {
  return GetPlatformClientRect(window, rect);
}

int GetPlatformClientRect(PlatformWindow* window, PlatformRect* rect) {
  if (!window || !rect) return 0;
  *rect = {window->x, window->y, window->x + window->clientWidth,
           window->y + window->clientHeight};
  return 1;
}

void MovePlatformWindow(PlatformWindow* window, int32_t x, int32_t y) {
  if (!window) return;
  window->x = x;
  window->y = y;
}

void ShowPlatformWindow(PlatformWindow* window) {
  if (window) window->record.shown = 1;
}

void BringPlatformWindowToFront(PlatformWindow* window) {
  if (!window) return;
  window->record.shown = 1;
  window->record.raised++;
}

PlatformSurface* PlatformWindowCanvas(PlatformWindow* window) {
  return window ? window->canvas : nullptr;
}

void UpdatePlatformWindow(PlatformWindow* window) {
  if (window) window->record.updates++;
}

int GetHeadlessWindowRecord(PlatformWindow* window, HeadlessWindowRecord* record) {
  if (!window || !record) return 0;
  *record = window->record;
  return 1;
}

int PeekPlatformMessage(PlatformMessage* message) {
  if (queueCount == 0) return 0;
  if (message) *message = queue[queueHead];
  queueHead = (queueHead + 1) % kHeadlessQueueCapacity;
  queueCount--;
  return 1;
}

// Headless runs never block: with nothing queued, nothing can arrive any
// more (there is no window system behind the queue), so the wait reports
// the end of the run as WM_QUIT.
void WaitPlatformMessage(PlatformMessage* message) {
  PlatformMessage taken;
  if (!PeekPlatformMessage(&taken)) taken = {WM_QUIT, 0, 0};
  if (message) *message = taken;
}

// Nothing arrives from outside: the wait is the virtual clock's sleep.
void WaitPlatformEvents(uint32_t milliseconds) { PlatformSleep(milliseconds); }

void PostPlatformMessage(const PlatformMessage& message) {
  int32_t limit = message.message == WM_QUIT ? kHeadlessQueueCapacity
                                             : kHeadlessQueueCapacity - 1;
  if (queueCount >= limit) return;
  queue[(queueHead + queueCount) % kHeadlessQueueCapacity] = message;
  queueCount++;
}

void ClearPlatformMessages() {
  queueHead = 0;
  queueCount = 0;
}

int32_t PlatformMessageCount() { return queueCount; }

void InhibitScreenSaver(int) {}
