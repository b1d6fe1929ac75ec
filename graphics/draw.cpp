// Sprite blits, fills and colour matching on the back surface and the slots.
// Each operation does its clipping in logical dots, scales by the
// magnification and makes one platform call (four for FrameBack); the
// platform refuses any rectangle that is empty or not wholly inside.
#include "graphics/draw.h"

#include "graphics/display.h"
#include "graphics/slot_surface.h"

namespace {

PlatformRect Device(Rect r) {
  ScaleRect(&r);
  return PlatformRect{r.left, r.top, r.right, r.bottom};
}

// A keyed blit of logical source rectangle src to logical rectangle dst.
void SpriteBlit(PlatformSurface* to, const Rect& dst, const PlatformSurface* from, const Rect& src) {
  BlitPlatformSurface(to, Device(dst), from, Device(src), 1);
}

void FillBackDevice(const Rect& r, uint32_t colour) {
  FillPlatformSurface(displayState.back, Device(r), colour);
}

// r cut to clip on each side; may come out empty or inverted.
Rect ClampRect(const Rect& clip, const Rect& r) {
  Rect k = r;
  if (k.left < clip.left) k.left = clip.left;
  if (k.top < clip.top) k.top = clip.top;
  if (k.right > clip.right) k.right = clip.right;
  if (k.bottom > clip.bottom) k.bottom = clip.bottom;
  return k;
}

}  // namespace

void ScaleRect(Rect* r) {
  const int32_t m = displayState.magnification;
  r->left *= m;
  r->right *= m;
  r->top *= m;
  r->bottom *= m;
}

void PutSprite(const Rect& clip, int32_t x, int32_t y, const Rect& src, int32_t slot) {
  const PlatformSurface* from = SlotSurface(slot);
  if (!from) return;
  Rect s = src;
  const int32_t w = src.right - src.left;
  const int32_t h = src.bottom - src.top;
  // The right and bottom tests use the position as passed.
  if (x + w > clip.right) s.right -= x + w - clip.right;
  if (x < clip.left) {
    s.left += clip.left - x;
    x = clip.left;
  }
  if (y + h > clip.bottom) s.bottom -= y + h - clip.bottom;
  if (y < clip.top) {
    s.top += clip.top - y;
    y = clip.top;
  }
  const Rect d = {x, y, x + (s.right - s.left), y + (s.bottom - s.top)};
  SpriteBlit(displayState.back, d, from, s);
}

void PutSpriteUnclipped(int32_t x, int32_t y, const Rect& src, int32_t slot) {
  const PlatformSurface* from = SlotSurface(slot);
  if (!from) return;
  const Rect d = {x, y, x + src.right - src.left, y + src.bottom - src.top};
  SpriteBlit(displayState.back, d, from, src);
}

void PutSpriteToSlot(int32_t x, int32_t y, const Rect& src, int32_t destSlot, int32_t srcSlot) {
  PlatformSurface* to = SlotSurface(destSlot);
  const PlatformSurface* from = SlotSurface(srcSlot);
  if (!to || !from) return;
  const Rect d = {x, y, x + src.right - src.left, y + src.bottom - src.top};
  SpriteBlit(to, d, from, src);
}

void FillBack(const Rect& r, uint32_t colour) { FillBackDevice(r, colour); }

void FillBackClipped(const Rect& clip, const Rect& r, uint32_t colour) {
  FillBackDevice(ClampRect(clip, r), colour);
}

void FrameBack(const Rect& clip, const Rect& r, uint32_t colour) {
  const Rect k = ClampRect(clip, r);
  FillBackDevice(Rect{k.left, k.top, k.left + 1, k.bottom}, colour);
  FillBackDevice(Rect{k.left, k.top, k.right, k.top + 1}, colour);
  FillBackDevice(Rect{k.right - 1, k.top, k.right, k.bottom}, colour);
  FillBackDevice(Rect{k.left, k.bottom - 1, k.right, k.bottom}, colour);
}

void FillSlot(const Rect* r, uint32_t colour, int32_t slot) {
  PlatformSurface* to = SlotSurface(slot);
  if (!to) return;
  const SurfaceSlot& s = displayState.slots[slot];
  const Rect whole = {0, 0, s.width, s.height};
  FillPlatformSurface(to, Device(r ? *r : whole), colour);
}

void GrabBack(int32_t slot) {
  PlatformSurface* to = SlotSurface(slot);
  if (!to) return;
  const PlatformRect r = Device(Rect{0, 0, displayState.screenWidth, displayState.screenHeight});
  BlitPlatformSurface(to, r, displayState.back, r, 0);
}

uint32_t MatchColour(uint32_t rgb) {
  // Every surface stores 0x00RRGGBB, so the answer needs no drawing.
  // Mend: a lost back surface still has its format and gives the value, not
  // the failure value 0xFFFFFFFF that drawing the colour into it would give.
  // The game loop and the pause overlay match black once, on entry; entered
  // with a lost surface they would otherwise clear every frame to white until
  // the next reset.
  if (!displayState.back) return 0xFFFFFFFFu;
  return NativeFromColorRef(rgb);
}
