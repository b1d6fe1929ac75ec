// Reading and setting where the main window stands, for the utility
// library's window placement file. Rectangles are outer frames in screen dots.
//
// Implementations: window_placement_sdl.cpp (the SDL window),
// window_placement_headless.cpp (a recorded placement, for tests) and
// window_placement_web.cpp (a canvas the page places: always shown normally).
#pragma once
#include <cstdint>
#include "platform/surface.h"

struct PlatformWindow;

enum : int32_t { PLACEMENT_NORMAL = 1, PLACEMENT_MINIMISED = 2, PLACEMENT_MAXIMISED = 3 };

struct PlatformWindowPlacement {
  int32_t showCommand;     // PLACEMENT_*
  PlatformRect normalRect; // the rectangle the window has when shown normally
};

struct PlatformSizeLimits {
  int32_t minWidth, minHeight;              // smallest outer size the window system allows
  int32_t maximisedWidth, maximisedHeight;  // outer size of a maximised window
};

int GetPlatformWindowPlacement(PlatformWindow* window, PlatformWindowPlacement* placement);
int GetPlatformSizeLimits(PlatformSizeLimits* limits);
// Moves (and, when resize is non-zero, sizes) the outer frame, then shows the
// window normally or maximised.
int ApplyPlatformWindowPlacement(PlatformWindow* window, const PlatformRect& rect, int32_t resize,
                                 int32_t showCommand);

// Headless implementation only: a recorded placement that tests set and
// inspect. Reading the placement answers the recorded one; applying one
// records the call and updates the recorded placement (moved, sized when
// resize is set, shown as asked). A null argument makes the matching read
// fail until it is set again.
void SetHeadlessWindowPlacement(const PlatformWindowPlacement* placement);
void SetHeadlessSizeLimits(const PlatformSizeLimits* limits);
struct HeadlessPlacementCall {
  int32_t count;        // ApplyPlatformWindowPlacement calls so far
  PlatformRect rect;    // arguments of the last one
  int32_t resize;
  int32_t showCommand;
};
const HeadlessPlacementCall* LastHeadlessPlacementCall();
