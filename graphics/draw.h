// Drawing operations on the back surface and on surface slots.
//
// Positions and rectangles are logical dots, multiplied by the magnification
// just before the platform call; only PutText and PutTextToSlot take device
// dots. Sprite blits skip source dots of native value 0. An operation that
// names an empty slot or one outside 0..63 draws nothing; none of them reports
// failure.
#pragma once
#include <cstdint>
#include "graphics/rect.h"

void ScaleRect(Rect* r);
void PutSprite(const Rect& clip, int32_t x, int32_t y, const Rect& src, int32_t slot);
void PutSpriteUnclipped(int32_t x, int32_t y, const Rect& src, int32_t slot);
void PutSpriteToSlot(int32_t x, int32_t y, const Rect& src, int32_t destSlot, int32_t srcSlot);
void FillBack(const Rect& r, uint32_t colour);
void FillBackClipped(const Rect& clip, const Rect& r, uint32_t colour);
void FrameBack(const Rect& clip, const Rect& r, uint32_t colour);
// r null: the whole slot.
void FillSlot(const Rect* r, uint32_t colour, int32_t slot);
void GrabBack(int32_t slot);
// The value the back surface stores for a COLORREF (0x00BBGGRR), also while
// the back surface is lost (a mend, see draw.cpp); 0xFFFFFFFF when there is
// no back surface.
uint32_t MatchColour(uint32_t rgb);

// The text font is the resource font "TEXT_FONT" (fixed pitch, about 6 x 12
// dots). face, width and height are kept for the record; returns 1 when the
// font is ready.
int SetTextFont(const char* face, int8_t width, int32_t height);
// After it the text operations draw nothing until SetTextFont (a mend, see text.cpp).
void ReleaseTextFont();
void PutText(int32_t x, int32_t y, const char* text, uint32_t rgb);
void PutTextToSlot(int32_t x, int32_t y, const char* text, uint32_t rgb, int32_t slot);
