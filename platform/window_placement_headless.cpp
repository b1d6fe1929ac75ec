// The headless window placement: recorded values instead of a window.
// Defaults: a normal 322 x 262 window at (100, 100), and the size limits of
// a 1920 x 1080 screen.
#include "platform/window_placement.h"

static PlatformWindowPlacement recordedPlacement = {PLACEMENT_NORMAL, {100, 100, 422, 362}};
static int placementKnown = 1;
static PlatformSizeLimits recordedLimits = {136, 39, 1936, 1056};
static int limitsKnown = 1;
static HeadlessPlacementCall lastCall = {0, {0, 0, 0, 0}, 0, 0};

void SetHeadlessWindowPlacement(const PlatformWindowPlacement* placement) {
  placementKnown = placement != nullptr;
  if (placement) recordedPlacement = *placement;
}

void SetHeadlessSizeLimits(const PlatformSizeLimits* limits) {
  limitsKnown = limits != nullptr;
  if (limits) recordedLimits = *limits;
}

const HeadlessPlacementCall* LastHeadlessPlacementCall() { return &lastCall; }

int GetPlatformWindowPlacement(PlatformWindow* window, PlatformWindowPlacement* placement) {
  if (!placementKnown) return 0;
  *placement = recordedPlacement;
  return 1;
}

int GetPlatformSizeLimits(PlatformSizeLimits* limits) {
  if (!limitsKnown) return 0;
  *limits = recordedLimits;
  return 1;
}

int ApplyPlatformWindowPlacement(PlatformWindow* window, const PlatformRect& rect, int32_t resize,
                                 int32_t showCommand) {
  lastCall.count += 1;
  lastCall.rect = rect;
  lastCall.resize = resize;
  lastCall.showCommand = showCommand;
  PlatformRect& r = recordedPlacement.normalRect;
  int32_t width = resize ? rect.right - rect.left : r.right - r.left;
  int32_t height = resize ? rect.bottom - rect.top : r.bottom - r.top;
  r = {rect.left, rect.top, rect.left + width, rect.top + height};
  recordedPlacement.showCommand = showCommand == PLACEMENT_MAXIMISED ? PLACEMENT_MAXIMISED : PLACEMENT_NORMAL;
  placementKnown = 1;
  return 1;
}
