// The display record, the screen and the slot table's bookkeeping.
#include "graphics/display.h"

#include <cstdlib>
#include <cstring>

DisplayState displayState = {.dataDir = {},
                             .slots = {},
                             .open = 0,
                             .primary = 0,
                             .primaryLost = 0,
                             .back = nullptr,
                             .window = nullptr,
                             .clientOffsetX = 0,
                             .clientOffsetY = 0,
                             .screenWidth = 0,
                             .screenHeight = 0,
                             .magnification = 1,
                             .surfaceArea = 0,
                             .textFont = 0};

namespace {

int ValidSlot(int32_t slot) { return slot >= 0 && slot < kSlotCount; }

// Frees whatever a slot record owns, without touching the area count.
void FreeSlotRecord(SurfaceSlot* s) {
  std::free(s->name);
  DestroyPlatformSurface(s->surface);
  std::memset(s, 0, sizeof *s);
}

}  // namespace

int OpenDisplay(PlatformWindow* window, const char* directory) {
  std::memset(displayState.dataDir, 0, sizeof displayState.dataDir);
  if (directory) {
    const size_t n = std::strlen(directory);
    if (n >= sizeof displayState.dataDir) return 0;  // would not fit with its terminator
    std::memcpy(displayState.dataDir, directory, n);
  }
  // Every slot starts empty. The area count is not touched; a surface still
  // held from an earlier open is freed rather than leaked.
  for (int32_t i = 0; i < kSlotCount; ++i) FreeSlotRecord(&displayState.slots[i]);
  displayState.window = window;
  displayState.open = 1;
  return 1;
}

void CloseDisplay(PlatformWindow* /*window*/) {
  ReleaseAllSlots();
  ReleaseScreen();
  displayState.open = 0;
  displayState.window = nullptr;
}

int CreateScreen(PlatformWindow* /*window*/, int32_t width, int32_t height,
                 int32_t magnification) {
  displayState.screenWidth = width;
  displayState.screenHeight = height;
  displayState.magnification = magnification;
  if (!displayState.open || width < 1 || height < 1 || magnification < 1) return 0;
  const int64_t w = static_cast<int64_t>(width) * magnification;
  const int64_t h = static_cast<int64_t>(height) * magnification;
  if (w * h > INT32_MAX) return 0;

  PlatformSurface* back = CreatePlatformSurface(static_cast<int32_t>(w), static_cast<int32_t>(h));
  if (!back) return 0;
  // The screen counts as held only once it is whole, so that releasing a
  // screen that failed half-way never takes off area that was not added.
  DestroyPlatformSurface(displayState.back);  // a screen made twice keeps no stale surface
  displayState.back = back;
  displayState.primary = 1;
  displayState.primaryLost = 0;
  FillPlatformSurface(back, PlatformRect{0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h)}, 0);
  displayState.surfaceArea += static_cast<int32_t>(w * h);
  return 1;
}

void ReleaseScreen() {
  if (displayState.primary) {
    const int32_t m = displayState.magnification;
    displayState.primary = 0;
    displayState.primaryLost = 0;
    displayState.surfaceArea -= displayState.screenWidth * m * displayState.screenHeight * m;
  }
  DestroyPlatformSurface(displayState.back);
  displayState.back = nullptr;
}

void SetClientOffset(int32_t x, int32_t y) {
  displayState.clientOffsetX = x;
  displayState.clientOffsetY = y;
}

void ReleaseSlot(int32_t slot) {
  if (!ValidSlot(slot)) return;
  SurfaceSlot* s = &displayState.slots[slot];
  if (!s->surface) return;
  const int32_t m = displayState.magnification;
  displayState.surfaceArea -= s->width * m * s->height * m;
  FreeSlotRecord(s);
}

void ReleaseAllSlots() {
  for (int32_t i = 0; i < kSlotCount; ++i) ReleaseSlot(i);
}

int GetSlotSize(int32_t* width, int32_t* height, int32_t slot) {
  if (!ValidSlot(slot) || !displayState.slots[slot].surface) return 0;
  if (width) *width = displayState.slots[slot].width;
  if (height) *height = displayState.slots[slot].height;
  return 1;
}

int32_t VideoBytesInUse() { return displayState.surfaceArea; }
