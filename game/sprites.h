// Drawing sprite records of the world's sprite table. Every game sprite comes
// from the game sprite sheet (surface slot 3) and is clipped to the screen
// rectangle {0, 0, 320, 240}; a record with an empty src draws nothing.
// Called by the mode steps while a frame is composed on the back surface.
#pragma once
#include <cstdint>

// Draws sprite record `sprite` at its stored x and y (dots).
void DrawSpriteRecord(int32_t sprite);
// Draws sprite record `sprite` at (x, y) in dots; the record's own position is
// neither used nor changed.
void DrawSpriteAt(int32_t sprite, int32_t x, int32_t y);
