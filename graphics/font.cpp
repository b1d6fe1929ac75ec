// The resource font "TEXT_FONT" (type "FONT"): a BMP of 96 x 72 dots, 16
// columns by 6 rows of 6 x 12 cells for the codes 32..127; any dot that is
// not black is ink. Decoded on first use into row masks, kept for the run.
#include "graphics/font.h"

#include "resources/resource_table.h"

namespace {

constexpr int32_t kFirstCode = 32;
constexpr int32_t kGlyphCount = 96;
constexpr int32_t kSheetColumns = 16;

uint8_t glyphRows[kGlyphCount][kFontHeight];  // bit c: dot (c, row)
int fontState = 0;                             // 0 unread, 1 ready, -1 unusable

}  // namespace

int LoadResourceFont() {
  if (fontState != 0) return fontState > 0;
  fontState = -1;
  const EmbeddedResource* font = FindEmbeddedResource("TEXT_FONT", "FONT");
  if (!font) return 0;
  PlatformSurface* sheet = DecodeBitmap(font->bytes, font->size);
  if (!sheet) return 0;
  if (PlatformSurfaceWidth(sheet) >= kSheetColumns * kFontWidth &&
      PlatformSurfaceHeight(sheet) >= (kGlyphCount / kSheetColumns) * kFontHeight) {
    for (int32_t g = 0; g < kGlyphCount; ++g) {
      const int32_t left = (g % kSheetColumns) * kFontWidth;
      const int32_t top = (g / kSheetColumns) * kFontHeight;
      for (int32_t r = 0; r < kFontHeight; ++r) {
        uint8_t bits = 0;
        for (int32_t c = 0; c < kFontWidth; ++c)
          if (ReadPlatformDot(sheet, left + c, top + r) != 0) bits |= (uint8_t)(1u << c);
        glyphRows[g][r] = bits;
      }
    }
    fontState = 1;
  }
  DestroyPlatformSurface(sheet);
  return fontState > 0;
}

int DrawFontText(PlatformSurface* surface, int32_t x, int32_t y, const char* text, uint32_t native) {
  if (!surface || !text || !LoadResourceFont()) return 0;
  const int32_t w = PlatformSurfaceWidth(surface), h = PlatformSurfaceHeight(surface);
  int32_t pitch = 0;
  uint8_t* pixels = PlatformSurfacePixelsMutable(surface, &pitch);
  if (!pixels) return 0;
  for (const char* p = text; *p; ++p, x += kFontWidth) {
    const int32_t code = (unsigned char)*p;
    if (code < kFirstCode || code >= kFirstCode + kGlyphCount) continue;
    const uint8_t* rows = glyphRows[code - kFirstCode];
    for (int32_t r = 0; r < kFontHeight; ++r) {
      const int32_t dy = y + r;
      if (!rows[r] || dy < 0 || dy >= h) continue;
      uint32_t* line = (uint32_t*)(pixels + (ptrdiff_t)dy * pitch);
      for (int32_t c = 0; c < kFontWidth; ++c) {
        const int32_t dx = x + c;
        if ((rows[r] >> c) & 1u && dx >= 0 && dx < w) line[dx] = native;
      }
    }
  }
  return 1;
}
