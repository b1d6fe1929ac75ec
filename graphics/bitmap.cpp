// Filling slots with bitmaps (embedded "BITMAP" resources or BMP files) and
// with blank canvases. A bitmap is decoded by the platform's BMP reader and
// drawn into the slot as m x m blocks at the surface's top-left corner.
#include "graphics/bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "graphics/display.h"
#include "graphics/slot_surface.h"
#include "resources/resource_table.h"

namespace {

constexpr size_t kPathLimit = 260;  // a resolved path must be shorter than this

// Decodes the named bitmap: a resource name as it is, or a file name resolved
// against the data directory. Null when the path is too long or nothing
// decodes.
PlatformSurface* DecodeNamed(const char* name, int32_t fromFile) {
  if (!name) return nullptr;
  if (!fromFile) {
    const EmbeddedResource* res = FindEmbeddedResource(name, "BITMAP");
    return res ? DecodeBitmap(res->bytes, res->size) : nullptr;
  }
  char path[kPathLimit];
  const int n = name[0] == '/' ? std::snprintf(path, sizeof path, "%s", name)
                               : std::snprintf(path, sizeof path, "%s/%s", displayState.dataDir, name);
  if (n < 0 || static_cast<size_t>(n) >= kPathLimit) return nullptr;
  return DecodeBitmapFile(path);
}

// Makes the slot's surface of w x h logical dots at the current
// magnification and counts its area. 1 on success.
int MakeSlotSurface(SurfaceSlot* s, int32_t w, int32_t h) {
  const int64_t m = displayState.magnification;
  const int64_t dw = w * m;
  const int64_t dh = h * m;
  if (w < 1 || h < 1 || m < 1 || dw * dh > INT32_MAX) return 0;
  PlatformSurface* surface = CreatePlatformSurface(static_cast<int32_t>(dw), static_cast<int32_t>(dh));
  if (!surface) return 0;
  s->surface = surface;
  displayState.surfaceArea += static_cast<int32_t>(dw * dh);
  return 1;
}

// Replaces the slot's name by a copy of name. The copy is made before the old
// one is freed, so name may be the slot's own. On failure the slot is
// released and 0 returned.
int StoreName(int32_t slot, const char* name) {
  SurfaceSlot* s = &displayState.slots[slot];
  const size_t n = std::strlen(name);
  char* copy = static_cast<char*>(std::calloc(n + 1, 1));
  if (!copy) {
    ReleaseSlot(slot);
    return 0;
  }
  std::memcpy(copy, name, n);
  std::free(s->name);
  s->name = copy;
  return 1;
}

}  // namespace

int LoadBitmapSlot(const char* name, int32_t slot, int32_t fromFile, int32_t systemMemory) {
  if (!SlotSurfaceFree(slot)) return 0;
  PlatformSurface* bitmap = DecodeNamed(name, fromFile);
  if (!bitmap) return 0;
  SurfaceSlot* s = &displayState.slots[slot];
  const int32_t w = PlatformSurfaceWidth(bitmap);
  const int32_t h = PlatformSurfaceHeight(bitmap);
  if (!MakeSlotSurface(s, w, h)) {
    DestroyPlatformSurface(bitmap);
    return 0;
  }
  ScaleCopySurface(s->surface, bitmap, w, h, displayState.magnification);
  DestroyPlatformSurface(bitmap);
  // The size is stored before the name, so that a failed name copy releases
  // exactly the area just added.
  s->width = w;
  s->height = h;
  if (!StoreName(slot, name)) return 0;
  s->flags = (fromFile ? SLOT_FROM_FILE : 0u) | (systemMemory ? SLOT_SYSTEM_MEMORY : 0u);
  return 1;
}

int ReloadBitmapSlot(const char* name, int32_t slot, int32_t fromFile) {
  PlatformSurface* surface = SlotSurface(slot);
  if (!surface) return 0;
  PlatformSurface* bitmap = DecodeNamed(name, fromFile);
  if (!bitmap) return 0;
  // Drawn at the bitmap's own size, whatever the slot's: a larger bitmap is
  // cut at the surface's edges, a smaller one leaves the rest as it was.
  ScaleCopySurface(surface, bitmap, PlatformSurfaceWidth(bitmap), PlatformSurfaceHeight(bitmap),
                   displayState.magnification);
  DestroyPlatformSurface(bitmap);
  if (!StoreName(slot, name)) return 0;
  SurfaceSlot* s = &displayState.slots[slot];
  if (fromFile) {
    s->flags |= SLOT_FROM_FILE;
  } else {
    s->flags &= ~static_cast<uint32_t>(SLOT_FROM_FILE);
  }
  return 1;
}

int CreateBlankSlot(int32_t width, int32_t height, int32_t slot, int32_t systemMemory) {
  if (!SlotSurfaceFree(slot)) return 0;
  SurfaceSlot* s = &displayState.slots[slot];
  if (!MakeSlotSurface(s, width, height)) return 0;
  std::free(s->name);
  s->name = nullptr;  // no name: a restore refills it with 0 instead of reloading
  s->width = width;
  s->height = height;
  if (systemMemory) {
    s->flags |= SLOT_SYSTEM_MEMORY;
  } else {
    s->flags &= ~static_cast<uint32_t>(SLOT_SYSTEM_MEMORY);
  }
  return 1;
}
