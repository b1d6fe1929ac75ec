// Window placement in a web page: the page lays the canvas out, so the window
// is always shown normally where it stands: applying a placement only shows it.
#include "platform/window.h"
#include "platform/window_placement.h"

int GetPlatformWindowPlacement(PlatformWindow* window, PlatformWindowPlacement* placement) {
  if (!placement || !GetPlatformWindowRect(window, &placement->normalRect)) return 0;
  placement->showCommand = PLACEMENT_NORMAL;
  return 1;
}

int GetPlatformSizeLimits(PlatformSizeLimits* limits) {
  PlatformRect area;
  if (!limits || !GetPlatformWorkArea(&area)) return 0;
  *limits = {1, 1, area.right - area.left, area.bottom - area.top};
  return 1;
}

int ApplyPlatformWindowPlacement(PlatformWindow* window, const PlatformRect&, int32_t, int32_t) {
  if (!window) return 0;
  ShowPlatformWindow(window);
  return 1;
}
