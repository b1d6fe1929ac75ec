// The HUD (score, best score and captions in big digits from the game sheet)
// and the small bitmap text drawn with the 8 x 8 character sheet (slot 1).
#include "game/game_world.h"

#include <cstring>

#include "game/sprites.h"
#include "graphics/draw.h"

namespace {

// Big digits: digit d is the 8 x 16 cell at (8d, 112) of the game sheet.
constexpr int32_t kBigDigitTop = 112;
constexpr int32_t kBigDigitWidth = 8;
constexpr int32_t kBigDigitHeight = 16;
constexpr int32_t kScoreDigitX[3] = {275, 283, 291};
constexpr int32_t kScoreRowY = 203;
constexpr int32_t kBestRowY = 21;

// Character sheet: 8 x 8 cells, ten to a row, for codes 32..131.
constexpr int32_t kFirstCharacter = 32;
constexpr int32_t kLastCharacter = 131;
constexpr int32_t kCellsPerRow = 10;
constexpr int32_t kCellSize = 8;
constexpr int32_t kAdvance = 6;

constexpr uint32_t kPlacesMask = 0x0F;
constexpr uint32_t kCentre = 0x10;
constexpr int32_t kCentreRaise = 4;
constexpr int32_t kMostPlaces = 6;
constexpr int32_t kPlaceValue[kMostPlaces + 1] = {0, 1, 10, 100, 1000, 10000, 100000};
constexpr int32_t kLargest[kMostPlaces + 1] = {0, 9, 99, 999, 9999, 99999, 999999};

// The character sheet's cell of code c (32..131).
Rect CharacterCell(int32_t c) {
  int32_t col = (c - kFirstCharacter) % kCellsPerRow;
  int32_t row = (c - kFirstCharacter) / kCellsPerRow;
  return Rect{kCellSize * col, kCellSize * row, kCellSize * col + kCellSize, kCellSize * row + kCellSize};
}

// One glyph onto the back surface (destSlot 0, clipped) or into a slot.
void PutGlyph(const Rect& clip, int32_t x, int32_t y, int32_t c, int32_t destSlot) {
  Rect cell = CharacterCell(c);
  if (destSlot == 0) {
    PutSprite(clip, x, y, cell, SLOT_CHARACTERS);
  } else {
    PutSpriteToSlot(x, y, cell, destSlot, SLOT_CHARACTERS);
  }
}

}  // namespace

void DrawHud() {
  DrawScore3(world.score, kScoreRowY);
  DrawScore3(world.bestScore, kBestRowY);
  DrawSpriteAt(SPRITE_SCORE_LABEL, 225, 212);
  DrawSpriteAt(SPRITE_SCORE_LABEL, 225, 21);
  DrawSpriteAt(SPRITE_HIGH_PREFIX, 207, 21);
  DrawSpriteAt(SPRITE_CAPTION_THEME, 21, 212);
  DrawSpriteAt(SPRITE_CAPTION_WARNING, 48, 211);
  DrawSpriteAt(SPRITE_ESCAPE_HINT, 140, 223);
}

void DrawScore3(int32_t value, int32_t y) {
  int32_t hundreds = 0;
  while (value > 99) {
    value -= 100;
    ++hundreds;
  }
  int32_t tens = 0;
  while (value > 9) {
    value -= 10;
    ++tens;
  }
  int32_t units = value > 0 ? value : 0;
  DrawBigDigit(hundreds, kScoreDigitX[0], y);
  DrawBigDigit(tens, kScoreDigitX[1], y);
  DrawBigDigit(units, kScoreDigitX[2], y);
}

void DrawBigDigit(int32_t digit, int32_t x, int32_t y) {
  int32_t left = kBigDigitWidth * digit;
  world.sprites[SPRITE_BIG_DIGIT].src =
      Rect{left, kBigDigitTop, left + kBigDigitWidth, kBigDigitTop + kBigDigitHeight};
  DrawSpriteAt(SPRITE_BIG_DIGIT, x, y);
}

int32_t DrawNumber(const Rect& clip, int32_t x, int32_t y, int32_t value, uint32_t flags,
                   int32_t destSlot) {
  int32_t places = (int32_t)(flags & kPlacesMask);
  if (places > kMostPlaces) places = kMostPlaces;  // the nibble's 7..15 act as 6
  if (places == 0) return x;
  // Clamp the magnitude both ways, so every place holds a single digit
  // (-123 in two places shows -99).
  if (value > kLargest[places]) value = kLargest[places];
  if (value < -kLargest[places]) value = -kLargest[places];
  int32_t negative = 0;
  int32_t width = 0;
  if (value < 0) {
    negative = 1;
    value = -value;
    width = 1;
  }
  int32_t digits = kMostPlaces;
  while (digits > 1 && value < kPlaceValue[digits]) --digits;
  width += kAdvance * digits;
  if (flags & kCentre) {
    x -= width / 2;
    y -= kCentreRaise;
  }
  int32_t started = 0;
  for (int32_t k = places; k >= 1; --k) {
    int32_t digit = value / kPlaceValue[k];
    value %= kPlaceValue[k];
    if (negative && digit != 0 && !started) PutGlyph(clip, x - kAdvance, y, '-', destSlot);
    if (started || digit != 0 || k == 1) PutGlyph(clip, x, y, '0' + digit, destSlot);
    if (digit != 0) started = 1;
    x += kAdvance;
  }
  return x;
}

int32_t DrawLabel(const Rect& clip, int32_t x, int32_t y, const char* text, uint32_t flags,
                  int32_t destSlot) {
  int32_t length = (int32_t)std::strlen(text);
  if (flags & kCentre) {
    x -= (length * kAdvance) / 2;
    y -= kCentreRaise;
  }
  for (int32_t i = 0; i < length; ++i) {
    int32_t c = (unsigned char)text[i];
    // Bytes without a cell on the sheet leave a blank of one advance.
    if (c >= kFirstCharacter && c <= kLastCharacter) PutGlyph(clip, x, y, c, destSlot);
    x += kAdvance;
  }
  return x;
}
