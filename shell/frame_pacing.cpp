// Frame pacing, the message pump and the frame-rate counter.
//
// All tick arithmetic is unsigned 32-bit and compares elapsed time as a
// difference (now - then), so a wrap of the tick counter changes nothing.
#include "shell/frame_pacing.h"

#include "graphics/present.h"
#include "platform/clock.h"
#include "platform/window.h"

enum : uint32_t {
  kFramePeriod = 20,    // ms per frame: 50 frames per second
  kResyncLag = 100,     // ms behind the grid at which catching up is given up
  kSleepStep = 1,       // ms slept in each pass of the wait
  kRateWindow = 1000,   // ms over which frames are counted
};

FramePacing framePacing = {0, 0, 0, 1, 0, 0, 0};

static PlatformWindow* targetWindow = nullptr;
static WindowProcedure targetProcedure = nullptr;
static FrameObserver frameObserver = nullptr;
static uint32_t waitFrameCalls = 0;

void SetMessageTarget(PlatformWindow* window, WindowProcedure procedure) {
  targetWindow = window;
  targetProcedure = procedure;
}

int64_t SendWindowMessage(uint32_t message, uint64_t wParam, int64_t lParam) {
  if (!targetProcedure) return 0;
  return targetProcedure(targetWindow, message, wParam, lParam);
}

void PostQuitMessage() { PostPlatformMessage({WM_QUIT, 0, 0}); }

void SetFrameObserver(FrameObserver observer) { frameObserver = observer; }

// Drains the queue, dispatching every message to the window procedure. While
// the window is inactive it waits for messages instead of returning, so the
// game stands still until an activation arrives (or the quit message).
int PumpMessages() {
  PlatformMessage message;
  for (;;) {
    if (!PeekPlatformMessage(&message)) {
      if (framePacing.windowActive) return 1;
      WaitPlatformMessage(&message);
    }
    if (message.message == WM_QUIT) return 0;
    SendWindowMessage(message.message, message.wParam, message.lParam);
  }
}

int WaitFrame() {
  waitFrameCalls++;
  if (frameObserver) frameObserver(waitFrameCalls);
  for (;;) {
    if (!PumpMessages()) return 0;
    WaitPlatformEvents(kSleepStep);
    framePacing.nowTick = PlatformTicks();
    uint32_t lag = framePacing.nowTick - framePacing.frameTick;
    if (lag < kFramePeriod) continue;
    if (lag < kResyncLag)
      framePacing.frameTick += kFramePeriod;
    else
      framePacing.frameTick = framePacing.nowTick;
    break;
  }
  Present();
  return 1;
}

int32_t CountFrameRate() {
  if (framePacing.rateFirstCall) {
    framePacing.rateBase = PlatformTicks();
    framePacing.rateFirstCall = 0;
  }
  uint32_t now = PlatformTicks();
  framePacing.rateCount++;
  if (now - framePacing.rateBase >= kRateWindow) {
    framePacing.rateBase += kRateWindow;
    framePacing.rateValue = framePacing.rateCount;
    framePacing.rateCount = 0;
  }
  return framePacing.rateValue;
}
