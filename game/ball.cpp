// The ball: gravity, bounces off floor, ceiling and side walls, the four
// contact zones where the head strikes it, and the game's random numbers.
#include "game/game_world.h"

#include <cstdlib>

#include "game/sprites.h"
#include "sound/cues.h"

namespace {

// Ball position limits, in hundredths of a dot, tested before the move; a
// ball beyond one is put back onto it.
constexpr int32_t kGravity = 4;
constexpr int32_t kFloor = 16600;
constexpr int32_t kCeiling = 1000;
constexpr int32_t kWallLeft = 1000;
constexpr int32_t kWallRight = 25000;
constexpr int32_t kFloorLoss = 20;
// A floor bounce that leaves with a velocity strictly between 0 and this is
// kicked upward instead.
constexpr int32_t kKickBelow = 50;
constexpr int32_t kKickVelocity = -250;

constexpr int32_t kRandomPush = 200;  // random part of a strike: −200..200
constexpr int32_t kHighestScore = 999;

constexpr int32_t kEffectStrike = 11;
constexpr int32_t kEffectBallBounce = 15;

// The head's contact box runs from +2 to +14 of its corner on both axes. A
// zone holds when the box lies strictly inside the ball-relative limits.
int32_t InZone(int32_t hx, int32_t hy, int32_t bx, int32_t by, int32_t left, int32_t right,
               int32_t top, int32_t bottom) {
  return bx + left < hx + 2 && hx + 14 < bx + right && by + top < hy + 2 && hy + 14 < by + bottom;
}

void Score() {
  world.score += 1;
  PlayEffect(kEffectStrike);
}

}  // namespace

int32_t RandomRange(int32_t low, int32_t high) { return low + (std::rand() % (high - low + 1)); }

void StepBall() {
  world.ballVy += kGravity;
  if (world.ballY > kFloor) {
    world.ballVy = kFloorLoss - world.ballVy;
    world.ballY = kFloor;
    if (world.ballVy > 0 && world.ballVy < kKickBelow) world.ballVy = kKickVelocity;
    PlayEffect(kEffectBallBounce);
  }
  if (world.ballY < kCeiling) {
    world.ballVy = -world.ballVy;
    world.ballY = kCeiling;
    PlayEffect(kEffectBallBounce);
  }
  if (world.ballX > kWallRight) {
    world.ballVx = -world.ballVx;
    world.ballX = kWallRight;
    PlayEffect(kEffectBallBounce);
  }
  if (world.ballX < kWallLeft) {
    world.ballVx = -world.ballVx;
    world.ballX = kWallLeft;
    PlayEffect(kEffectBallBounce);
  }
  world.ballX += world.ballVx;
  world.ballY += world.ballVy;
  world.sprites[SPRITE_BALL].x = world.ballX / 100;
  world.sprites[SPRITE_BALL].y = world.ballY / 100;
}

void StrikeBall() {
  const int32_t hx = world.sprites[SPRITE_HEAD].x;
  const int32_t hy = world.sprites[SPRITE_HEAD].y;
  const int32_t bx = world.sprites[SPRITE_BALL].x;
  const int32_t by = world.sprites[SPRITE_BALL].y;
  // Each zone on its own, in this order; within a zone the head's horizontal
  // change (and its random draw) comes before the vertical one.
  if (InZone(hx, hy, bx, by, 6, 58, 2, 30)) {  // top
    world.creatureVx += RandomRange(-kRandomPush, kRandomPush);
    world.creatureVy -= 200;
    world.ballVy += 200;
    Score();
  }
  if (InZone(hx, hy, bx, by, 6, 58, 34, 62)) {  // bottom
    world.creatureVx += RandomRange(-kRandomPush, kRandomPush);
    world.creatureVy += 300;
    world.ballVy -= 300;
    Score();
  }
  if (InZone(hx, hy, bx, by, 2, 30, 6, 58)) {  // left
    world.creatureVx -= 100;
    world.creatureVy += RandomRange(-kRandomPush, kRandomPush);
    world.ballVx += 200;
    Score();
  }
  if (InZone(hx, hy, bx, by, 34, 62, 6, 58)) {  // right
    world.creatureVx += 100;
    world.creatureVy += RandomRange(-kRandomPush, kRandomPush);
    world.ballVx -= 100;
    Score();
  }
  if (world.score > kHighestScore) world.score = kHighestScore;
}

void DrawBall() { DrawSpriteRecord(SPRITE_BALL); }
