// Text in the fixed 6 x 12 resource font, drawn in device dots.
//
// The font resource "TEXT_FONT" (type "FONT") is a BMP of 96 x 72 dots:
// 16 columns by 6 rows of 6 x 12 cells for the codes 32..127, code c in
// column (c - 32) mod 16, row (c - 32) div 16. Any dot that is not black
// belongs to the glyph. SetTextFont decodes it once into a table of row masks;
// drawing then touches only the destination surface.
#include "graphics/draw.h"

#include <cstring>

#include "graphics/display.h"
#include "graphics/slot_surface.h"
#include "resources/resource_table.h"

namespace {

constexpr int32_t kGlyphWidth = 6;
constexpr int32_t kGlyphHeight = 12;
constexpr int32_t kFirstCode = 32;
constexpr int32_t kGlyphCount = 96;
constexpr int32_t kSheetColumns = 16;

// Bit c of glyphRows[g][r] is dot (c, r) of glyph g.
uint8_t glyphRows[kGlyphCount][kGlyphHeight];

void DrawText(PlatformSurface* to, int32_t x, int32_t y, const char* text, uint32_t rgb) {
  if (!to || !text || !displayState.textFont || IsPlatformSurfaceLost(to)) return;
  const uint32_t native = NativeFromColorRef(rgb);
  const int32_t w = PlatformSurfaceWidth(to);
  const int32_t h = PlatformSurfaceHeight(to);
  int32_t pitch = 0;
  uint8_t* pixels = PlatformSurfacePixelsMutable(to, &pitch);
  for (const char* p = text; *p; ++p, x += kGlyphWidth) {
    const int32_t code = static_cast<unsigned char>(*p);
    if (code < kFirstCode || code >= kFirstCode + kGlyphCount) continue;
    const uint8_t* rows = glyphRows[code - kFirstCode];
    for (int32_t r = 0; r < kGlyphHeight; ++r) {
      const int32_t dy = y + r;
      if (!rows[r] || dy < 0 || dy >= h) continue;
      uint32_t* line = reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(dy) * pitch);
      for (int32_t c = 0; c < kGlyphWidth; ++c) {
        const int32_t dx = x + c;
        if ((rows[r] >> c) & 1u && dx >= 0 && dx < w) line[dx] = native;
      }
    }
  }
}

}  // namespace

int SetTextFont(const char* /*face*/, int8_t /*width*/, int32_t /*height*/) {
  // The face and size asked for are only a wish: the one font there is has
  // 6 x 12 cells. A font already set is kept.
  if (displayState.textFont) return 1;
  const EmbeddedResource* font = FindEmbeddedResource("TEXT_FONT", "FONT");
  if (!font) return 0;
  PlatformSurface* sheet = DecodeBitmap(font->bytes, font->size);
  if (!sheet) return 0;
  if (PlatformSurfaceWidth(sheet) < kSheetColumns * kGlyphWidth ||
      PlatformSurfaceHeight(sheet) < (kGlyphCount / kSheetColumns) * kGlyphHeight) {
    DestroyPlatformSurface(sheet);
    return 0;
  }
  for (int32_t g = 0; g < kGlyphCount; ++g) {
    const int32_t left = (g % kSheetColumns) * kGlyphWidth;
    const int32_t top = (g / kSheetColumns) * kGlyphHeight;
    for (int32_t r = 0; r < kGlyphHeight; ++r) {
      uint8_t bits = 0;
      for (int32_t c = 0; c < kGlyphWidth; ++c) {
        if (ReadPlatformDot(sheet, left + c, top + r) != 0) bits |= static_cast<uint8_t>(1u << c);
      }
      glyphRows[g][r] = bits;
    }
  }
  DestroyPlatformSurface(sheet);
  displayState.textFont = 1;
  return 1;
}

void ReleaseTextFont() {
  displayState.textFont = 0;
  std::memset(glyphRows, 0, sizeof glyphRows);
}

void PutText(int32_t x, int32_t y, const char* text, uint32_t rgb) {
  DrawText(displayState.back, x, y, text, rgb);
}

void PutTextToSlot(int32_t x, int32_t y, const char* text, uint32_t rgb, int32_t slot) {
  DrawText(SlotSurface(slot), x, y, text, rgb);
}
