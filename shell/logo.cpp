// The logo is drawn from a fixed list of rectangles in two passes over the
// canvas: first every rectangle widened by 2 dots on the left and right in
// the outline colour, then every rectangle itself in the fill colour. So
// blue shows only beside the glyphs' strokes, never above or below them.
#include "shell/logo.h"

#include "game/game_world.h"
#include "graphics/bitmap.h"
#include "graphics/draw.h"
#include "graphics/present.h"

namespace {

constexpr int32_t kCanvasWidth = 128, kCanvasHeight = 16;
constexpr int32_t kOutlineWidth = 2;

constexpr uint32_t kFillRgb = 0xF0F0F0;     // light grey
constexpr uint32_t kOutlineRgb = 0xF00000;  // blue (COLORREF order 0x00BBGGRR)
constexpr uint32_t kBackgroundRgb = 0x000000;

// "Fennomark": capitals and ascenders on rows 3..13, the x-height on rows
// 7..13; strokes 2 dots wide, bars 1 or 2 dots high; 2 dots between glyphs.
// {left, top, right, bottom} in canvas dots, right and bottom exclusive.
constexpr Rect kLogoRects[] = {
    // F  (x 28..33)
    {28, 3, 30, 14}, {30, 3, 34, 5}, {30, 8, 33, 10},
    // e  (x 36..41)
    {36, 7, 42, 8}, {36, 8, 38, 13}, {40, 8, 42, 10}, {38, 10, 42, 11}, {38, 13, 42, 14},
    // n  (x 44..49)
    {44, 7, 50, 8}, {44, 8, 46, 14}, {48, 8, 50, 14},
    // n  (x 52..57)
    {52, 7, 58, 8}, {52, 8, 54, 14}, {56, 8, 58, 14},
    // o  (x 60..65)
    {60, 7, 66, 8}, {60, 8, 62, 13}, {64, 8, 66, 13}, {60, 13, 66, 14},
    // m  (x 68..77)
    {68, 7, 78, 8}, {68, 8, 70, 14}, {72, 8, 74, 14}, {76, 8, 78, 14},
    // a  (x 80..85)
    {80, 7, 86, 8}, {84, 8, 86, 14}, {80, 10, 84, 11}, {80, 11, 82, 13}, {80, 13, 84, 14},
    // r  (x 88..92)
    {88, 7, 93, 8}, {88, 8, 90, 14},
    // k  (x 95..100)
    {95, 3, 97, 14}, {99, 7, 101, 9}, {97, 9, 99, 11}, {99, 11, 101, 14},
};

}  // namespace

int ShowLogo() {
  const uint32_t fill = MatchColour(kFillRgb);
  const uint32_t outline = MatchColour(kOutlineRgb);
  const uint32_t background = MatchColour(kBackgroundRgb);
  const Rect canvas = {0, 0, kCanvasWidth, kCanvasHeight};

  CreateBlankSlot(kCanvasWidth, kCanvasHeight, SLOT_LOGO, 0);
  FillBack(kScreenRect, background);
  FillSlot(&canvas, background, SLOT_LOGO);
  for (const Rect& r : kLogoRects) {
    const Rect widened = {r.left - kOutlineWidth, r.top, r.right + kOutlineWidth, r.bottom};
    FillSlot(&widened, outline, SLOT_LOGO);
  }
  for (const Rect& r : kLogoRects) FillSlot(&r, fill, SLOT_LOGO);
  PutSprite(kScreenRect, kScreenRect.right / 2 - kCanvasWidth / 2,
            kScreenRect.bottom / 2 - kCanvasHeight / 2, canvas, SLOT_LOGO);
  return Present();
}
