// Frame pacing, the message pump and the frame-rate counter.
//
// The game runs on a 20 ms grid of the platform tick. WaitFrame, called once
// at the end of every frame, is the one place where window messages are
// handled, where the process sleeps and where the frame is presented. While
// the window is inactive the pump blocks, so the game stands still.
#pragma once
#include <cstdint>
#include "platform/messages.h"

struct PlatformWindow;

typedef int64_t (*WindowProcedure)(PlatformWindow* window, uint32_t message, uint64_t wParam,
                                   int64_t lParam);

struct FramePacing {
  uint32_t frameTick;
  uint32_t nowTick;
  int32_t windowActive;  // written only by the window procedure
  int32_t rateFirstCall;
  uint32_t rateBase;
  int32_t rateCount;
  int32_t rateValue;
};

extern FramePacing framePacing;

// The window the pump dispatches to, and its procedure.
void SetMessageTarget(PlatformWindow* window, WindowProcedure procedure);
// Sends a message straight to the window procedure (not queued).
int64_t SendWindowMessage(uint32_t message, uint64_t wParam, int64_t lParam);
void PostQuitMessage();

int PumpMessages();
int WaitFrame();
int32_t CountFrameRate();

// Called at the start of every WaitFrame with the count of WaitFrame calls so
// far (1 for the first), before the pump runs. The replay tool uses it to
// record the finished frame and to post the next frame's key messages.
typedef void (*FrameObserver)(uint32_t frameNumber);
void SetFrameObserver(FrameObserver observer);
