// What the art tool makes and what the pictures are known to hold: the five
// bitmaps with their sources, the named regions of the game sprite sheet, and
// the glyph cell layouts of the two fonts.
#pragma once

#include <cstdint>
#include <string>

#include "tools/art/art_source.h"

struct ArtBitmap {
  const char* source;  // art source in resources/art
  const char* file;    // bitmap in resources/bitmaps
};

extern const ArtBitmap ART_BITMAPS[];
const int ART_BITMAP_COUNT = 5;
// Positions of the bitmaps in ART_BITMAPS.
enum ArtBitmapIndex { ART_SPRITE_SHEET, ART_ESCAPE, ART_CHARACTER_SHEET, ART_ICON, ART_TEXT_FONT };

// Reads the five art sources from artDir into images, in ART_BITMAPS order.
// Returns 1, or 0 with *error saying what failed.
int LoadArtBitmaps(const std::string& artDir, ArtImage* images, std::string* error);

// A named rectangle of the sprite sheet (zorrit.bmp), right and bottom
// exclusive. `pieces` > 1 splits it into that many equal cells side by side
// (body segments, sparkle frames, big digits), each its own sprite.
struct SheetRegion {
  const char* name;
  int32_t left, top, right, bottom;
  int32_t pieces;
};

extern const SheetRegion SHEET_REGIONS[];
extern const int SHEET_REGION_COUNT;

// Glyph cells of a font bitmap: code c sits in the cell at column
// (c - firstCode) mod columns, row (c - firstCode) div columns.
//
// The character sheet (character_sheet.bmp, 80 x 80): 8 x 8 cells, ten to a
// row, codes 32..131. Glyphs are drawn 6 dots apart, so each glyph stays in
// its cell's left 6 columns: a body up to 5 dots wide with a dark shadow one
// dot right and down. 127..131 are arrows left, right, up, down and a heart.
//
// The text font (text_font.bmp, 96 x 72): 6 x 12 cells, sixteen to a row,
// six rows, codes 32..127; 127 is an open box for unknown codes. A glyph dot
// is any non-black dot (glyphs are white on black). Each glyph stays in its
// cell's left 5 columns, so the sixth is the gap between characters;
// capitals stand on rows 2-8, small letters' x-height is rows 4-8, the
// baseline lies under row 8 and descenders reach rows 9-10.
struct GlyphLayout {
  int32_t cellWidth, cellHeight, columns, firstCode, lastCode;
  int32_t glyphWidth;  // columns a glyph may use, from the cell's left edge
};

extern const GlyphLayout CHARACTER_SHEET_LAYOUT;
extern const GlyphLayout TEXT_FONT_LAYOUT;

// The cell of code c: left and top in dots.
void GlyphCell(const GlyphLayout& layout, int32_t code, int32_t* left, int32_t* top);

// The region of that name, or null.
const SheetRegion* FindSheetRegion(const char* name);
