// The shipped bitmaps: what the art sources make, what the game's loader
// reads, and a picture wherever the game draws from.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/surface.h"
#include "resources/resource_table.h"
#include "tests/art/bmp_reader.h"
#include "tools/art/art_catalog.h"
#include "tools/art/bmp_encode.h"

namespace {

struct ShippedBitmap {
  const char* type;
  const char* name;
  int art;  // position in ART_BITMAPS
  int32_t width, height;
  uint16_t bitsPerDot;
  uint32_t colours;
};

const ShippedBitmap SHIPPED[] = {
    {"BITMAP", "BMP_ZORRIT", ART_SPRITE_SHEET, 128, 128, 8, 30},
    {"BITMAP", "BMP_ESCAPE", ART_ESCAPE, 80, 24, 4, 16},
    {"BITMAP", "BMP_CHARACTOR", ART_CHARACTER_SHEET, 80, 80, 4, 16},
    {"ICON", "0", ART_ICON, 32, 32, 4, 16},
    {"FONT", "TEXT_FONT", ART_TEXT_FONT, 96, 72, 4, 16},
};

const EmbeddedResource* Shipped(const char* type, const char* name) {
  const EmbeddedResource* resource = FindEmbeddedResource(name, type);
  EXPECT_NE(resource, nullptr) << type << " " << name << " is not embedded";
  return resource;
}

ReadBmp ReadShipped(const char* type, const char* name) {
  ReadBmp bmp;
  const EmbeddedResource* resource = Shipped(type, name);
  if (resource) {
    EXPECT_TRUE(ReadBmpBytes(resource->bytes, resource->size, &bmp)) << name;
  }
  return bmp;
}

int HasVisibleDot(const ReadBmp& bmp, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  for (int32_t y = top; y < bottom; y++)
    for (int32_t x = left; x < right; x++)
      if (BmpDot(bmp, x, y) != 0) return 1;
  return 0;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(ArtFiles, SourcesRebuildTheCommittedBitmapsByteForByte) {
  ArtImage images[ART_BITMAP_COUNT];
  std::string error;
  ASSERT_TRUE(LoadArtBitmaps(ZORRIT_SOURCE_DIR "/resources/art", images, &error)) << error;
  for (int i = 0; i < ART_BITMAP_COUNT; i++) {
    std::vector<uint8_t> made;
    ASSERT_TRUE(EncodeBmp(images[i], &made)) << ART_BITMAPS[i].file;
    const std::vector<uint8_t> committed =
        ReadFileBytes(std::string(ZORRIT_SOURCE_DIR "/resources/bitmaps/") + ART_BITMAPS[i].file);
    ASSERT_EQ(made.size(), committed.size()) << ART_BITMAPS[i].file << ": run zorrit-art --write resources/bitmaps";
    size_t firstDifference = 0;
    while (firstDifference < made.size() && made[firstDifference] == committed[firstDifference]) firstDifference++;
    EXPECT_EQ(firstDifference, made.size()) << ART_BITMAPS[i].file << " differs from its source at byte "
                                            << firstDifference << ": run zorrit-art --write resources/bitmaps";
  }
}

// Each shipped bitmap: the header the loader expects, black as the only
// transparent and the most frequent colour, and the platform decoder giving
// back every dot's palette colour.
TEST(ArtFiles, EveryShippedBitmapIsWhatTheLoaderExpects) {
  for (const ShippedBitmap& shipped : SHIPPED) {
    SCOPED_TRACE(shipped.name);
    const EmbeddedResource* resource = Shipped(shipped.type, shipped.name);
    ASSERT_NE(resource, nullptr);
    ReadBmp bmp;
    ASSERT_TRUE(ReadBmpBytes(resource->bytes, resource->size, &bmp));
    EXPECT_EQ(bmp.fileSize, resource->size);
    EXPECT_EQ(bmp.headerSize, 40u);
    EXPECT_EQ(bmp.width, shipped.width);
    EXPECT_EQ(bmp.height, shipped.height);  // positive: bottom-up
    EXPECT_EQ(bmp.planes, 1);
    EXPECT_EQ(bmp.bitsPerDot, shipped.bitsPerDot);
    EXPECT_EQ(bmp.compression, 0u);
    EXPECT_EQ(bmp.colourCount, shipped.colours);
    EXPECT_EQ(bmp.dataOffset, 14 + 40 + 4 * shipped.colours);
    ASSERT_EQ(bmp.palette.size(), shipped.colours);
    EXPECT_EQ(bmp.palette[0], 0u);
    std::vector<size_t> uses(bmp.palette.size(), 0);
    for (uint8_t dot : bmp.dots) {
      ASSERT_LT(dot, bmp.colourCount) << "a dot uses a colour beyond the palette";
      uses[dot]++;
    }
    for (size_t i = 1; i < uses.size(); i++) {
      EXPECT_NE(bmp.palette[i], 0u) << "colour " << i << " is pure black and would turn transparent";
      EXPECT_GT(uses[0], uses[i]) << "colour " << i;
    }

    PlatformSurface* surface = DecodeBitmap(resource->bytes, resource->size);
    ASSERT_NE(surface, nullptr);
    EXPECT_EQ(PlatformSurfaceWidth(surface), shipped.width);
    EXPECT_EQ(PlatformSurfaceHeight(surface), shipped.height);
    int mismatches = 0;
    for (int32_t y = 0; y < bmp.height; y++)
      for (int32_t x = 0; x < bmp.width; x++)
        mismatches += ReadPlatformDot(surface, x, y) != bmp.palette[BmpDot(bmp, x, y)];
    EXPECT_EQ(mismatches, 0);
    DestroyPlatformSurface(surface);
  }
}

TEST(ArtFiles, EverySpriteSheetRegionHoldsAPicture) {
  const ReadBmp sheet = ReadShipped("BITMAP", "BMP_ZORRIT");
  ASSERT_EQ(sheet.width, 128);
  for (int i = 0; i < SHEET_REGION_COUNT; i++) {
    const SheetRegion& region = SHEET_REGIONS[i];
    const int32_t pieceWidth = (region.right - region.left) / region.pieces;
    for (int32_t piece = 0; piece < region.pieces; piece++) {
      const int32_t left = region.left + piece * pieceWidth;
      EXPECT_TRUE(HasVisibleDot(sheet, left, region.top, left + pieceWidth, region.bottom))
          << region.name << " piece " << piece << " is empty";
    }
  }
  // The body segments shrink from the head towards the tail tip.
  const SheetRegion* body = FindSheetRegion("body segments");
  ASSERT_NE(body, nullptr);
  int previousArea = 16 * 16 + 1;
  for (int32_t piece = 0; piece < body->pieces; piece++) {
    int area = 0;
    for (int32_t y = body->top; y < body->bottom; y++)
      for (int32_t x = body->left + 16 * piece; x < body->left + 16 * piece + 16; x++) area += BmpDot(sheet, x, y) != 0;
    EXPECT_LT(area, previousArea) << "segment " << piece;
    previousArea = area;
  }
}

// Codes below the first drawable one are blank; each glyph keeps to its
// width so that glyphs drawn side by side do not overlap.
void ExpectGlyphCells(const ReadBmp& font, const GlyphLayout& layout, int32_t firstDrawn) {
  ASSERT_EQ(font.width, layout.cellWidth * layout.columns);
  for (int32_t code = layout.firstCode; code <= layout.lastCode; code++) {
    int32_t left, top;
    GlyphCell(layout, code, &left, &top);
    const int drawn = HasVisibleDot(font, left, top, left + layout.glyphWidth, top + layout.cellHeight);
    EXPECT_EQ(drawn, code >= firstDrawn ? 1 : 0) << "code " << code;
    EXPECT_FALSE(HasVisibleDot(font, left + layout.glyphWidth, top, left + layout.cellWidth, top + layout.cellHeight))
        << "code " << code << " is wider than " << layout.glyphWidth;
  }
}

TEST(ArtFiles, EveryCharacterSheetCellHoldsANarrowGlyph) {
  const ReadBmp characters = ReadShipped("BITMAP", "BMP_CHARACTOR");
  ExpectGlyphCells(characters, CHARACTER_SHEET_LAYOUT, 33);
  // The cells the frame-rate figure is drawn from.
  int32_t left, top;
  GlyphCell(CHARACTER_SHEET_LAYOUT, '0', &left, &top);
  EXPECT_EQ(left, 48);
  EXPECT_EQ(top, 8);
  GlyphCell(CHARACTER_SHEET_LAYOUT, '4', &left, &top);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(top, 16);
  GlyphCell(CHARACTER_SHEET_LAYOUT, '-', &left, &top);
  EXPECT_EQ(left, 24);
  EXPECT_EQ(top, 8);
}

TEST(ArtFiles, EveryTextFontCellHoldsAGlyphWithAGapBeside) {
  const ReadBmp font = ReadShipped("FONT", "TEXT_FONT");
  ExpectGlyphCells(font, TEXT_FONT_LAYOUT, 33);
  ASSERT_EQ(font.height, 72);
  int32_t left, top;
  GlyphCell(TEXT_FONT_LAYOUT, 'g', &left, &top);
  EXPECT_EQ(left, 42);
  EXPECT_EQ(top, 48);
  // Descenders reach below the baseline, capitals do not.
  EXPECT_TRUE(HasVisibleDot(font, left, top + 9, left + 5, top + 11)) << "g has no descender";
  GlyphCell(TEXT_FONT_LAYOUT, 'E', &left, &top);
  EXPECT_FALSE(HasVisibleDot(font, left, top + 9, left + 5, top + 12)) << "E reaches below the baseline";
}

}  // namespace
