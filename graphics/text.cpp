// Text on the back surface and on slots, in the resource font (graphics/font.h),
// in device dots: neither positions nor glyphs follow the magnification.
#include "graphics/draw.h"

#include "graphics/display.h"
#include "graphics/font.h"
#include "graphics/slot_surface.h"

int SetTextFont(const char* /*face*/, int8_t /*width*/, int32_t /*height*/) {
  // The face and size asked for are only a wish: the one font there is has
  // 6 x 12 cells.
  displayState.textFont = LoadResourceFont();
  return displayState.textFont;
}

// Mend: releasing also forgets the font, so a PutText after it draws nothing
// rather than drawing with a font that was let go (the release alone would
// leave the handle set and the text routines would go on using it).
void ReleaseTextFont() { displayState.textFont = 0; }

namespace {

void DrawText(PlatformSurface* to, int32_t x, int32_t y, const char* text, uint32_t rgb) {
  if (!to || !displayState.textFont || IsPlatformSurfaceLost(to)) return;
  DrawFontText(to, x, y, text, NativeFromColorRef(rgb));
}

}  // namespace

void PutText(int32_t x, int32_t y, const char* text, uint32_t rgb) {
  DrawText(displayState.back, x, y, text, rgb);
}

void PutTextToSlot(int32_t x, int32_t y, const char* text, uint32_t rgb, int32_t slot) {
  DrawText(SlotSurface(slot), x, y, text, rgb);
}
