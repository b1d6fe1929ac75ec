// The creature: the head's physics, the 100-entry trail history that the
// seven tail segments retrace, and the sparkle riding on an older point of
// the path. Positions in hundredths of a dot, velocities per frame.
#include "game/game_world.h"

#include "game/sprites.h"
#include "sound/cues.h"

namespace {

// Position + velocity below the left/top wall or above the right/bottom wall
// bounces the head.
constexpr int32_t kWallLeft = 2000;
constexpr int32_t kWallTop = 2000;
constexpr int32_t kWallRight = 28400;
constexpr int32_t kWallBottom = 20400;

constexpr int32_t kSteerStep = 10;
constexpr int32_t kLaunchStep = -9;
constexpr int32_t kFriction = 3;
constexpr int32_t kSpeedLimit = 200;
constexpr int32_t kLaunchFrames = 60;  // ModeStart ends once timer exceeds this

constexpr int32_t kEffectWallBounce = 14;

constexpr int32_t kSegmentSpacing = 6;  // segment k shows trail entry 6k
constexpr int32_t kSparkleEntry = 80;
constexpr int32_t kSparkleCells = 4;
constexpr int32_t kSparkleTicksPerCell = 2;

// Bounces a velocity off a wall: × −3, then / 4 truncating toward zero.
int32_t Bounce(int32_t velocity) { return (velocity * -3) / 4; }

// Two separate tests, not either-or: 1 ends at −2 and 2 at −1.
int32_t ApplyFriction(int32_t velocity) {
  if (velocity < 0) velocity += kFriction;
  if (velocity > 0) velocity -= kFriction;
  return velocity;
}

int32_t LimitSpeed(int32_t velocity) {
  if (velocity > kSpeedLimit) return kSpeedLimit;
  if (velocity < -kSpeedLimit) return -kSpeedLimit;
  return velocity;
}

}  // namespace

void LaunchCreature() {
  if (world.timer > kLaunchFrames) world.mode = ModePlay;
  world.creatureVy += kLaunchStep;
}

void SteerCreature(const PadState& pad) {
  if (pad.held & PAD_LEFT) world.creatureVx -= kSteerStep;
  if (pad.held & PAD_RIGHT) world.creatureVx += kSteerStep;
  if (pad.held & PAD_UP) world.creatureVy -= kSteerStep;
  if (pad.held & PAD_DOWN) world.creatureVy += kSteerStep;
}

void StepCreature() {
  int32_t aheadX = world.creatureX + world.creatureVx;
  if (aheadX < kWallLeft || aheadX > kWallRight) {
    world.creatureVx = Bounce(world.creatureVx);
    PlayEffect(kEffectWallBounce);
  }
  int32_t aheadY = world.creatureY + world.creatureVy;
  if (aheadY < kWallTop || aheadY > kWallBottom) {
    world.creatureVy = Bounce(world.creatureVy);
    PlayEffect(kEffectWallBounce);
  }
  world.creatureVx = LimitSpeed(ApplyFriction(world.creatureVx));
  world.creatureVy = LimitSpeed(ApplyFriction(world.creatureVy));
  world.creatureX += world.creatureVx;
  world.creatureY += world.creatureVy;
  world.sprites[SPRITE_HEAD].x = world.creatureX / 100;
  world.sprites[SPRITE_HEAD].y = world.creatureY / 100;
}

void RecordTrail() {
  for (int32_t i = kTrailLength - 1; i >= 1; --i) {
    world.trailX[i] = world.trailX[i - 1];
    world.trailY[i] = world.trailY[i - 1];
  }
  world.trailX[0] = world.creatureX;
  world.trailY[0] = world.creatureY;
}

void DrawCreature() {
  for (int32_t k = 1; k <= SPRITE_TAIL_TIP; ++k) {
    world.sprites[k].x = world.trailX[kSegmentSpacing * k] / 100;
    world.sprites[k].y = world.trailY[kSegmentSpacing * k] / 100;
    DrawSpriteRecord(k);
  }
  DrawSpriteRecord(SPRITE_HEAD);
}

void DrawSparkle() {
  SpriteRecord& sparkle = world.sprites[SPRITE_SPARKLE];
  if (world.sparkleTick == kSparkleTicksPerCell) {
    world.sparkleTick = 0;
    world.sparkleFrame += 1;
    if (world.sparkleFrame == kSparkleCells) world.sparkleFrame = 0;
    sparkle.src = Rect{64 + 16 * world.sparkleFrame, 48, 80 + 16 * world.sparkleFrame, 64};
  }
  world.sparkleTick += 1;
  sparkle.x = world.trailX[kSparkleEntry] / 100;
  sparkle.y = world.trailY[kSparkleEntry] / 100;
  DrawSpriteRecord(SPRITE_SPARKLE);
}
