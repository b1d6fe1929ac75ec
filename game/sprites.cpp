#include "game/sprites.h"

#include "game/game_world.h"
#include "graphics/draw.h"

void DrawSpriteRecord(int32_t sprite) {
  const SpriteRecord& r = world.sprites[sprite];
  PutSprite(kScreenRect, r.x, r.y, r.src, SLOT_SHEET);
}

void DrawSpriteAt(int32_t sprite, int32_t x, int32_t y) {
  PutSprite(kScreenRect, x, y, world.sprites[sprite].src, SLOT_SHEET);
}
