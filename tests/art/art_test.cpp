// The shipped bitmaps are what the loader expects and hold a picture wherever
// the game draws from; the BMP writer on what the shipped bitmaps do not show.
// (That the art sources rebuild the committed bitmaps byte for byte, through
// the source reader and the writer, is run_art_tool.cmake's check.)
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/bitmap_check.h"
#include "platform/surface.h"
#include "resources/resource_table.h"
#include "tools/art/art_catalog.h"
#include "tools/art/bmp_encode.h"

namespace {

// Whether any dot of the rectangle is not black (black is transparent).
bool Drawn(const PlatformSurface* s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  for (int32_t i = 0; i < (right - left) * (bottom - top); i++)
    if (ReadPlatformDot(s, left + i % (right - left), top + i / (right - left))) return true;
  return false;
}

// Each: uncompressed rows bottom-up after a 40-byte header and a full palette,
// black entry 0 and no other (it would turn transparent), black used most.
TEST(ArtFiles, ShippedBitmapsAreWhatTheLoaderExpectsAndHoldEveryPicture) {
  const struct { const char *type, *name; uint32_t width, height, bits, colours; } shipped[] = {
      {"BITMAP", "BMP_ZORRIT", 128, 128, 8, 30}, {"BITMAP", "BMP_ESCAPE", 80, 24, 4, 16},
      {"BITMAP", "BMP_CHARACTOR", 80, 80, 4, 16}, {"ICON", "0", 32, 32, 4, 16}, {"FONT", "TEXT_FONT", 96, 72, 4, 16}};
  std::map<std::string, PlatformSurface*> decoded;
  for (const auto& b : shipped) {
    const EmbeddedResource* res = FindEmbeddedResource(b.name, b.type);
    BitmapHeader h = {};
    ASSERT_TRUE(res && ParseBitmapHeader(res->bytes, res->size, &h)) << b.name;
    EXPECT_EQ(std::vector<uint32_t>({40, b.width, b.height, 0, b.bits, 0, b.colours, 54 + 4 * b.colours}),
              std::vector<uint32_t>({h.headerSize, uint32_t(h.width), uint32_t(h.height), uint32_t(h.topDown), h.bits,
                                     h.compression, h.colours, h.pixelOffset})) << b.name;
    for (uint32_t i = 0; i < h.colours; i++)
      EXPECT_EQ(i == 0, (res->bytes[54 + 4 * i] | res->bytes[55 + 4 * i] | res->bytes[56 + 4 * i]) == 0) << b.name << i;
    PlatformSurface* s = decoded[b.name] = DecodeBitmap(res->bytes, res->size);
    std::map<uint32_t, uint32_t> uses;
    for (uint32_t i = 0; i < b.width * b.height; i++) uses[ReadPlatformDot(s, i % b.width, i / b.width)]++;
    for (const auto& [colour, n] : uses) EXPECT_TRUE(colour == 0 || n < uses[0]) << b.name << std::hex << colour;
  }
  for (int i = 0; i < SHEET_REGION_COUNT; i++) {
    const SheetRegion& r = SHEET_REGIONS[i];
    for (int32_t piece = 0, w = (r.right - r.left) / r.pieces; piece < r.pieces; piece++)
      EXPECT_TRUE(Drawn(decoded["BMP_ZORRIT"], r.left + piece * w, r.top, r.left + piece * w + w, r.bottom)) << r.name << piece;
  }
  // Glyphs from code 33 on, each within its width so that neighbours do not overlap.
  for (const auto& [name, layout] : {std::pair{"BMP_CHARACTOR", CHARACTER_SHEET_LAYOUT}, {"TEXT_FONT", TEXT_FONT_LAYOUT}}) {
    for (int32_t code = layout.firstCode, x, y; code <= layout.lastCode; code++) {
      GlyphCell(layout, code, &x, &y);
      EXPECT_EQ(Drawn(decoded[name], x, y, x + layout.glyphWidth, y + layout.cellHeight), code > 32) << name << code;
      EXPECT_FALSE(Drawn(decoded[name], x + layout.glyphWidth, y, x + layout.cellWidth, y + layout.cellHeight)) << name << code;
    }
  }
  for (auto& [name, s] : decoded) DestroyPlatformSurface(s);
}

// The shipped bitmaps' rows are whole words; odd widths are padded.
TEST(ArtSource, TheWriterPadsOddRows) {
  ArtImage image = {7, 3, 0, {{0, 0, 0}, {255, 255, 255}, {24, 16, 20}}, {}};
  for (int32_t i = 0; i < 21; i++) image.dots.push_back(static_cast<uint8_t>(i * 5 % 3));
  for (int32_t bits : {4, 8}) {  // rows of 7 dots: padded to 4 or 8 bytes
    image.bitsPerDot = bits;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(EncodeBmp(image, &bytes));
    EXPECT_EQ(bytes.size(), 54 + 4 * 3 + (bits == 4 ? 4 : 8) * 3u);
    PlatformSurface* s = DecodeBitmap(bytes.data(), bytes.size());
    for (int32_t i = 0; i < 21; i++)
      EXPECT_EQ(ReadPlatformDot(s, i % 7, i / 7), (std::vector<uint32_t>{0, 0xFFFFFF, 0x181014}[image.dots[i]])) << i;
    DestroyPlatformSurface(s);
  }
}

}  // namespace
