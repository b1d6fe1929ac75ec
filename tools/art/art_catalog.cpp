#include "tools/art/art_catalog.h"

#include <cstring>

const ArtBitmap ART_BITMAPS[ART_BITMAP_COUNT] = {
    {"zorrit.art", "zorrit.bmp"},
    {"escape.art", "escape.bmp"},
    {"character_sheet.art", "character_sheet.bmp"},
    {"icon.art", "icon.bmp"},
    {"text_font.art", "text_font.bmp"},
};

int LoadArtBitmaps(const std::string& artDir, ArtImage* images, std::string* error) {
  for (int i = 0; i < ART_BITMAP_COUNT; i++)
    if (!LoadArtImage(artDir + "/" + ART_BITMAPS[i].source, &images[i], error)) return 0;
  return 1;
}

const SheetRegion SHEET_REGIONS[] = {
    {"head", 0, 0, 16, 16, 1},
    {"body segments", 16, 0, 112, 16, 6},
    {"tail tip bow", 112, 0, 128, 16, 1},
    {"game-over face", 64, 16, 80, 32, 1},
    {"Escape-key hint", 80, 16, 128, 23, 1},
    {"release date", 80, 25, 124, 32, 1},
    {"paw print A", 0, 16, 32, 48, 1},
    {"paw print B", 32, 16, 64, 48, 1},
    {"fire prompt", 64, 32, 128, 48, 1},
    {"sparkle frames", 64, 48, 128, 64, 4},
    {"ball", 0, 48, 64, 112, 1},
    {"wipe box", 64, 64, 84, 84, 1},
    {"title logo", 84, 64, 128, 84, 1},
    {"tail warning", 64, 84, 128, 92, 1},
    {"theme caption", 64, 95, 87, 102, 1},
    {"theme name", 64, 103, 119, 112, 1},
    {"big digits", 0, 112, 80, 128, 10},
    {"high-score prefix", 80, 112, 97, 119, 1},
    {"score label", 80, 121, 128, 128, 1},
};
const int SHEET_REGION_COUNT = (int)(sizeof SHEET_REGIONS / sizeof SHEET_REGIONS[0]);

const GlyphLayout CHARACTER_SHEET_LAYOUT = {8, 8, 10, 32, 131, 6};
const GlyphLayout TEXT_FONT_LAYOUT = {6, 12, 16, 32, 127, 5};

void GlyphCell(const GlyphLayout& layout, int32_t code, int32_t* left, int32_t* top) {
  *left = (code - layout.firstCode) % layout.columns * layout.cellWidth;
  *top = (code - layout.firstCode) / layout.columns * layout.cellHeight;
}

const SheetRegion* FindSheetRegion(const char* name) {
  for (int i = 0; i < SHEET_REGION_COUNT; i++)
    if (std::strcmp(SHEET_REGIONS[i].name, name) == 0) return &SHEET_REGIONS[i];
  return nullptr;
}
