#include "tools/art/contact_sheet.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/art/art_catalog.h"

namespace {

// 0xRRGGBB, fully opaque.
struct Canvas {
  int32_t width, height;
  std::vector<uint32_t> dots;
};

const uint32_t PAGE = 0x34343a;
const uint32_t CHECK_LIGHT = 0x9a9aa0;
const uint32_t CHECK_DARK = 0x828288;
const uint32_t INK = 0xe8e8ee;
const uint32_t REGION_COLOURS[] = {0xff40c0, 0x30e0ff, 0xffe030, 0x70ff50};
const int32_t SHEET_SCALE = 4;
const int32_t SCREEN_SCALE = 2;
const int32_t SCREEN_WIDTH = 320;
const int32_t SCREEN_HEIGHT = 240;
const int32_t MARGIN = 16;
const int32_t HEADING = 30;  // room for a heading above a panel
const int LEGEND_COLUMNS = 2;
const int32_t LEGEND_WIDTH = 520;

uint32_t RgbOf(const ArtColour& colour) { return (uint32_t)colour.r << 16 | colour.g << 8 | colour.b; }

void FillBox(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  for (int32_t row = std::max(y, 0); row < std::min(y + h, canvas->height); row++)
    for (int32_t col = std::max(x, 0); col < std::min(x + w, canvas->width); col++)
      canvas->dots[(size_t)row * canvas->width + col] = colour;
}

void FrameBox(Canvas* canvas, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour) {
  FillBox(canvas, x, y, w, 1, colour);
  FillBox(canvas, x, y + h - 1, w, 1, colour);
  FillBox(canvas, x, y, 1, h, colour);
  FillBox(canvas, x + w - 1, y, 1, h, colour);
}

// Draws the image's rectangle (left, top)-(right, bottom) at (x, y), each dot
// scale x scale. Transparent dots show a checkerboard when `checker` is set
// and leave the canvas alone otherwise. Dots outside `clip` (canvas
// coordinates) are not drawn.
void PutPicture(Canvas* canvas, const ArtImage& image, int32_t left, int32_t top, int32_t right, int32_t bottom,
                int32_t x, int32_t y, int32_t scale, int checker, const int32_t clip[4]) {
  for (int32_t sy = top; sy < bottom; sy++) {
    for (int32_t sx = left; sx < right; sx++) {
      const uint8_t index = ArtDot(image, sx, sy);
      for (int32_t dy = 0; dy < scale; dy++) {
        for (int32_t dx = 0; dx < scale; dx++) {
          const int32_t cx = x + (sx - left) * scale + dx, cy = y + (sy - top) * scale + dy;
          if (cx < clip[0] || cy < clip[1] || cx >= clip[2] || cy >= clip[3]) continue;
          uint32_t colour;
          if (index != 0) colour = RgbOf(image.palette[index]);
          else if (checker) colour = ((cx - x) / 8 + (cy - y) / 8) % 2 ? CHECK_DARK : CHECK_LIGHT;
          else continue;
          canvas->dots[(size_t)cy * canvas->width + cx] = colour;
        }
      }
    }
  }
}

void PutWholeImage(Canvas* canvas, const ArtImage& image, int32_t x, int32_t y, int32_t scale) {
  const int32_t everywhere[4] = {0, 0, canvas->width, canvas->height};
  PutPicture(canvas, image, 0, 0, image.width, image.height, x, y, scale, 1, everywhere);
}

// Writes text with the text font's glyphs, each glyph dot a scale x scale
// block; returns the x after the last character.
int32_t PutText(Canvas* canvas, const ArtImage& font, int32_t x, int32_t y, const char* text, uint32_t colour,
                int32_t scale) {
  const GlyphLayout& layout = TEXT_FONT_LAYOUT;
  for (; *text; text++) {
    int32_t code = (unsigned char)*text;
    if (code < layout.firstCode || code > layout.lastCode) code = layout.lastCode;
    int32_t left, top;
    GlyphCell(layout, code, &left, &top);
    for (int32_t gy = 0; gy < layout.cellHeight; gy++)
      for (int32_t gx = 0; gx < layout.cellWidth; gx++)
        if (ArtDot(font, left + gx, top + gy) != 0)
          FillBox(canvas, x + gx * scale, y + gy * scale, scale, scale, colour);
    x += layout.cellWidth * scale;
  }
  return x;
}

void PutHeading(Canvas* canvas, const ArtImage& font, int32_t x, int32_t y, const char* text) {
  PutText(canvas, font, x, y + 2, text, INK, 2);
}

// The sheet twice, plain and with its regions outlined and numbered, and the
// legend of the numbers below.
int32_t DrawSheetPanel(Canvas* canvas, const ArtImage& sheet, const ArtImage& font, int32_t x, int32_t y) {
  const int32_t side = sheet.width * SHEET_SCALE;
  const int32_t numberedX = x + side + MARGIN;
  PutHeading(canvas, font, x, y, "zorrit.bmp 128 x 128, 8 bits");
  PutHeading(canvas, font, numberedX, y, "its regions");
  y += HEADING;
  PutWholeImage(canvas, sheet, x, y, SHEET_SCALE);
  PutWholeImage(canvas, sheet, numberedX, y, SHEET_SCALE);
  const int32_t legendY = y + sheet.height * SHEET_SCALE + 12;
  const int legendRows = (SHEET_REGION_COUNT + LEGEND_COLUMNS - 1) / LEGEND_COLUMNS;
  for (int i = 0; i < SHEET_REGION_COUNT; i++) {
    const SheetRegion& region = SHEET_REGIONS[i];
    const uint32_t colour = REGION_COLOURS[i % 4];
    const int32_t rx = numberedX + region.left * SHEET_SCALE, ry = y + region.top * SHEET_SCALE;
    const int32_t rw = (region.right - region.left) * SHEET_SCALE, rh = (region.bottom - region.top) * SHEET_SCALE;
    FrameBox(canvas, rx, ry, rw, rh, colour);
    for (int32_t piece = 1; piece < region.pieces; piece++)
      FillBox(canvas, rx + rw * piece / region.pieces, ry, 1, rh, colour);
    char number[16];
    std::snprintf(number, sizeof number, "%d", i + 1);
    const int32_t tagWidth = 6 * (int32_t)std::string(number).size() + 3;
    FillBox(canvas, rx + 1, ry + 1, tagWidth, 13, colour);
    PutText(canvas, font, rx + 3, ry + 1, number, 0x000000, 1);

    char line[96];
    std::snprintf(line, sizeof line, "%2d %-17s (%d,%d)-(%d,%d)", i + 1, region.name, region.left, region.top,
                  region.right, region.bottom);
    const int32_t lx = x + (i / legendRows) * LEGEND_WIDTH, ly = legendY + (i % legendRows) * 26;
    FillBox(canvas, lx, ly + 4, 12, 16, colour);
    PutText(canvas, font, lx + 18, ly, line, INK, 2);
  }
  return legendY + legendRows * 26;
}

int32_t DrawImagePanel(Canvas* canvas, const ArtImage& image, const ArtImage& font, int32_t x, int32_t y,
                       const char* heading) {
  PutHeading(canvas, font, x, y, heading);
  PutWholeImage(canvas, image, x, y + HEADING, SHEET_SCALE);
  return y + HEADING + image.height * SHEET_SCALE;
}

// The wipe box as the wipe shows it: the top-left part growing to full size.
int32_t DrawWipePanel(Canvas* canvas, const ArtImage& sheet, const ArtImage& font, int32_t x, int32_t y) {
  const SheetRegion& box = *FindSheetRegion("wipe box");
  const int32_t full = box.right - box.left;
  PutHeading(canvas, font, x, y, "wipe box growing");
  y += HEADING;
  const int32_t everywhere[4] = {0, 0, canvas->width, canvas->height};
  for (int32_t side = 4, at = x; side <= full; side += 4) {
    FillBox(canvas, at, y, full * SHEET_SCALE, full * SHEET_SCALE, 0x000000);
    PutPicture(canvas, sheet, box.left, box.top, box.left + side, box.top + side, at, y, SHEET_SCALE, 0,
               everywhere);
    at += full * SHEET_SCALE + 8;
  }
  return y + full * SHEET_SCALE;
}

// A 320 x 240 screen at 2x on black, sprites from the sheet clipped to it.
struct Screen {
  Canvas* canvas;
  const ArtImage* sheet;
  int32_t x, y;
};

void ScreenSprite(const Screen& screen, const ArtImage& from, int32_t left, int32_t top, int32_t right,
                  int32_t bottom, int32_t x, int32_t y) {
  const int32_t clip[4] = {screen.x, screen.y, screen.x + SCREEN_WIDTH * SCREEN_SCALE,
                           screen.y + SCREEN_HEIGHT * SCREEN_SCALE};
  PutPicture(screen.canvas, from, left, top, right, bottom, screen.x + x * SCREEN_SCALE,
             screen.y + y * SCREEN_SCALE, SCREEN_SCALE, 0, clip);
}

void SheetSprite(const Screen& screen, const char* region, int32_t piece, int32_t x, int32_t y) {
  const SheetRegion& r = *FindSheetRegion(region);
  const int32_t pieceWidth = (r.right - r.left) / r.pieces;
  ScreenSprite(screen, *screen.sheet, r.left + piece * pieceWidth, r.top, r.left + (piece + 1) * pieceWidth,
               r.bottom, x, y);
}

Screen StartScreen(Canvas* canvas, const ArtImage& sheet, const ArtImage& font, int32_t x, int32_t y,
                   const char* heading) {
  PutHeading(canvas, font, x, y, heading);
  FillBox(canvas, x, y + HEADING, SCREEN_WIDTH * SCREEN_SCALE, SCREEN_HEIGHT * SCREEN_SCALE, 0x000000);
  return Screen{canvas, &sheet, x, y + HEADING};
}

void DrawTitleScreen(Canvas* canvas, const ArtImage& sheet, const ArtImage& font, int32_t x, int32_t y) {
  Screen screen = StartScreen(canvas, sheet, font, x, y, "title screen, 2x");
  SheetSprite(screen, "title logo", 0, 120, 50);
  SheetSprite(screen, "title logo", 0, 156, 50);
  SheetSprite(screen, "release date", 0, 137, 120);
  SheetSprite(screen, "theme name", 0, 132, 140);
  SheetSprite(screen, "fire prompt", 0, 130, 160);
}

void DrawBigNumber(const Screen& screen, int32_t value, int32_t y) {
  SheetSprite(screen, "big digits", value / 100 % 10, 275, y);
  SheetSprite(screen, "big digits", value / 10 % 10, 283, y);
  SheetSprite(screen, "big digits", value % 10, 291, y);
}

void DrawPlayScreen(Canvas* canvas, const ArtImage* images, int32_t x, int32_t y) {
  const ArtImage& sheet = images[ART_SPRITE_SHEET];
  Screen screen = StartScreen(canvas, sheet, images[ART_TEXT_FONT], x, y, "play screen, 2x");
  for (int32_t bx = 20; bx < 300; bx += 20) {
    SheetSprite(screen, "wipe box", 0, bx, 0);
    SheetSprite(screen, "wipe box", 0, bx, 220);
  }
  SheetSprite(screen, "ball", 0, 168, 52);
  // The tail retraces a curve behind the head; the last segment is the bow.
  for (int32_t k = 7; k >= 1; k--) {
    const int32_t sx = 112 - 13 * k + k * k / 2, sy = 118 + 2 * k + (k * k * 3) / 4;
    if (k < 7) SheetSprite(screen, "body segments", k - 1, sx, sy);
    else SheetSprite(screen, "tail tip bow", 0, sx, sy);
  }
  SheetSprite(screen, "head", 0, 112, 118);
  SheetSprite(screen, "paw print A", 0, 130, 195);
  SheetSprite(screen, "paw print B", 0, 170, 200);
  SheetSprite(screen, "sparkle frames", 2, 40, 130);
  DrawBigNumber(screen, 12, 203);
  DrawBigNumber(screen, 34, 21);
  SheetSprite(screen, "score label", 0, 225, 212);
  SheetSprite(screen, "score label", 0, 225, 21);
  SheetSprite(screen, "high-score prefix", 0, 207, 21);
  SheetSprite(screen, "theme caption", 0, 21, 212);
  SheetSprite(screen, "tail warning", 0, 48, 211);
  SheetSprite(screen, "Escape-key hint", 0, 140, 223);
  // The frame-rate figure in character-sheet glyphs, 6 dots apart.
  const ArtImage& characters = images[ART_CHARACTER_SHEET];
  const char* figure = "50";
  for (int32_t i = 0; figure[i]; i++) {
    int32_t left, top;
    GlyphCell(CHARACTER_SHEET_LAYOUT, (unsigned char)figure[i], &left, &top);
    ScreenSprite(screen, characters, left, top, left + 8, top + 8, 304 + 6 * i, 3);
  }
}

int WritePng(const Canvas& canvas, const std::string& path) {
  std::vector<uint8_t> rgb((size_t)canvas.width * canvas.height * 3);
  for (size_t i = 0; i < canvas.dots.size(); i++) {
    rgb[i * 3] = (uint8_t)(canvas.dots[i] >> 16);
    rgb[i * 3 + 1] = (uint8_t)(canvas.dots[i] >> 8);
    rgb[i * 3 + 2] = (uint8_t)canvas.dots[i];
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)canvas.width;
  image.height = (png_uint_32)canvas.height;
  image.format = PNG_FORMAT_RGB;
  return png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) ? 1 : 0;
}

}  // namespace

int WriteContactSheet(const ArtImage* images, const std::string& path, std::string* error) {
  const ArtImage& sheet = images[ART_SPRITE_SHEET];
  const ArtImage& font = images[ART_TEXT_FONT];
  const int32_t screenWidth = SCREEN_WIDTH * SCREEN_SCALE;
  Canvas canvas;
  canvas.width = MARGIN * 3 + screenWidth * 2;
  canvas.height = 2400;
  canvas.dots.assign((size_t)canvas.width * canvas.height, PAGE);

  int32_t y = MARGIN;
  y = DrawSheetPanel(&canvas, sheet, font, MARGIN, y) + MARGIN;

  const int32_t charactersBottom =
      DrawImagePanel(&canvas, images[ART_CHARACTER_SHEET], font, MARGIN, y, "character_sheet.bmp 80 x 80");
  const int32_t fontX = MARGIN * 2 + images[ART_CHARACTER_SHEET].width * SHEET_SCALE;
  const int32_t fontBottom = DrawImagePanel(&canvas, font, font, fontX, y, "text_font.bmp 96 x 72");
  const int32_t sideX = fontX + font.width * SHEET_SCALE + MARGIN;
  const int32_t escapeBottom = DrawImagePanel(&canvas, images[ART_ESCAPE], font, sideX, y, "escape.bmp 80 x 24");
  const int32_t iconBottom =
      DrawImagePanel(&canvas, images[ART_ICON], font, sideX, escapeBottom + MARGIN, "icon.bmp 32 x 32");
  const int32_t iconSmallX = sideX + images[ART_ICON].width * SHEET_SCALE + MARGIN;
  PutWholeImage(&canvas, images[ART_ICON], iconSmallX, escapeBottom + MARGIN + HEADING, 1);
  PutWholeImage(&canvas, images[ART_ICON], iconSmallX + 40, escapeBottom + MARGIN + HEADING, 2);
  y = std::max({charactersBottom, fontBottom, iconBottom}) + MARGIN;
  y = DrawWipePanel(&canvas, sheet, font, MARGIN, y) + MARGIN;

  DrawTitleScreen(&canvas, sheet, font, MARGIN, y);
  DrawPlayScreen(&canvas, images, MARGIN * 2 + screenWidth, y);
  y += HEADING + SCREEN_HEIGHT * SCREEN_SCALE + MARGIN;

  canvas.height = y;
  canvas.dots.resize((size_t)canvas.width * canvas.height);
  if (!WritePng(canvas, path)) {
    *error = path + ": cannot write the PNG";
    return 0;
  }
  return 1;
}
