// Showing the back surface in the window, recovering lost surfaces and
// remaking everything at another magnification.
#include "graphics/present.h"

#include <cstdlib>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/window.h"

namespace {

// The canvas the previous Present drew into, and its window: a different
// canvas of the same window means the window system remade the picture.
PlatformWindow* presentedWindow = nullptr;
PlatformSurface* presentedCanvas = nullptr;

// Restores a lost surface; 1 when it was lost.
int RestoreIfLost(PlatformSurface* surface, int32_t tag) {
  if (!IsPlatformSurfaceLost(surface)) return 0;
  RestorePlatformSurface(surface);
  NoteRestored(tag);
  return 1;
}

}  // namespace

int Present() {
  if (!displayState.open || !displayState.window) return 0;
  PlatformWindow* window = displayState.window;
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  if (window == presentedWindow && canvas != presentedCanvas && displayState.primary) {
    displayState.primaryLost = 1;
  }
  presentedWindow = window;
  presentedCanvas = canvas;

  if (canvas && displayState.back) {
    const int32_t m = displayState.magnification;
    const int32_t w = displayState.screenWidth * m;
    const int32_t h = displayState.screenHeight * m;
    // The picture's corner in the canvas, cut to the canvas: the platform
    // refuses rectangles that are not wholly inside.
    PlatformRect d = {displayState.clientOffsetX, displayState.clientOffsetY,
                      displayState.clientOffsetX + w, displayState.clientOffsetY + h};
    PlatformRect s = {0, 0, w, h};
    if (d.left < 0) {
      s.left -= d.left;
      d.left = 0;
    }
    if (d.top < 0) {
      s.top -= d.top;
      d.top = 0;
    }
    const int32_t cw = PlatformSurfaceWidth(canvas);
    const int32_t ch = PlatformSurfaceHeight(canvas);
    if (d.right > cw) {
      s.right -= d.right - cw;
      d.right = cw;
    }
    if (d.bottom > ch) {
      s.bottom -= d.bottom - ch;
      d.bottom = ch;
    }
    if (d.left < d.right && d.top < d.bottom) BlitPlatformSurface(canvas, d, displayState.back, s, 0);
  }
  UpdatePlatformWindow(window);
  RestoreSurfaces();
  return 1;
}

int32_t RestoreSurfaces() {
  if (!displayState.primary || !displayState.back) return 0;
  int32_t n = 0;
  if (displayState.primaryLost) {
    displayState.primaryLost = 0;
    NoteRestored('f');
    ++n;
  }
  n += RestoreIfLost(displayState.back, 'b');  // the next frame draws it whole
  for (int32_t i = 0; i < kSlotCount; ++i) {
    SurfaceSlot* s = &displayState.slots[i];
    if (!s->surface || !RestoreIfLost(s->surface, '0' + i)) continue;
    ++n;
    if (s->flags & SLOT_SYSTEM_MEMORY) continue;
    if (s->name) {
      // ReloadBitmapSlot copies the name before it frees the slot's own.
      ReloadBitmapSlot(s->name, i, (s->flags & SLOT_FROM_FILE) ? 1 : 0);
    } else {
      const Rect whole = {0, 0, s->width, s->height};
      FillSlot(&whole, 0, i);
    }
  }
  return n;
}

int NoteRestored(int32_t /*tag*/) { return 1; }

int SetMagnification(PlatformWindow* window, int32_t magnification) {
  if (magnification == displayState.magnification) return 1;
  // Mend: a magnification below 1 is refused and changes nothing. Taken as
  // it stands it would release the screen and every slot surface and try to
  // remake them at no size or a negative one, leaving a display with nothing
  // to draw on.
  if (magnification < 1) return 0;
  const int32_t old = displayState.magnification;
  ReleaseScreen();
  CreateScreen(window, displayState.screenWidth, displayState.screenHeight, magnification);
  for (int32_t i = 0; i < kSlotCount; ++i) {
    SurfaceSlot* s = &displayState.slots[i];
    if (!s->surface) continue;
    DestroyPlatformSurface(s->surface);
    s->surface = nullptr;
    displayState.surfaceArea -= s->width * old * s->height * old;
    const int32_t fromFile = (s->flags & SLOT_FROM_FILE) ? 1 : 0;
    const int32_t systemMemory = (s->flags & SLOT_SYSTEM_MEMORY) ? 1 : 0;
    // The slot's name moves here while CreateBlankSlot clears the record's.
    char* name = s->name;
    s->name = nullptr;
    if (!CreateBlankSlot(s->width, s->height, i, systemMemory)) {
      *s = SurfaceSlot{};  // could not be remade: the slot ends empty
    } else if (name) {
      ReloadBitmapSlot(name, i, fromFile);
    }
    std::free(name);
  }
  return 1;
}

void NoteDisplayChanged() {
  if (displayState.primary) displayState.primaryLost = 1;
  MarkPlatformSurfaceLost(displayState.back);
  for (int32_t i = 0; i < kSlotCount; ++i) MarkPlatformSurfaceLost(displayState.slots[i].surface);
}
