// The two paw-print hazards: their timeline on the trail history, the tail
// contact test and the game over it causes.
#include "game/game_world.h"

#include "game/sprites.h"
#include "sound/cues.h"

namespace {

constexpr int32_t kPeriodAfterReseed = 60;
constexpr int32_t kReseedHighest = 30;  // a new cycle restarts timer at 0..30
constexpr int32_t kEntryA = 80;         // hazard A lands where the sparkle is
constexpr int32_t kEntryB = 99;         // hazard B on the oldest point kept
// A landed hazard's corner is the trail point in dots minus this on each axis.
constexpr int32_t kLandOffset = 8;
// A parked hazard stands at the screen's right edge: clipped away, untouchable.
constexpr int32_t kParkedX = kScreenRect.right;

constexpr int32_t kEffectLand = 12;
constexpr int32_t kEffectPark = 13;
constexpr int32_t kEffectGameOver = 16;
constexpr int32_t kMusicPlay = 0;
constexpr int32_t kMusicGameOver = 1;

void Land(int32_t sprite, int32_t entry) {
  world.sprites[sprite].x = world.trailX[entry] / 100 - kLandOffset;
  world.sprites[sprite].y = world.trailY[entry] / 100 - kLandOffset;
  PlayEffect(kEffectLand);
}

void Park(int32_t sprite) {
  world.sprites[sprite].x = kParkedX;
  PlayEffect(kEffectPark);
}

// The tail's inner box (offsets 4..12) strictly inside the hazard's (4..28).
int32_t TailTouches(int32_t sprite) {
  const SpriteRecord& h = world.sprites[sprite];
  const SpriteRecord& t = world.sprites[SPRITE_TAIL_TIP];
  return h.x + 4 < t.x + 4 && t.x + 12 < h.x + 28 && h.y + 4 < t.y + 4 && t.y + 12 < h.y + 28;
}

}  // namespace

void StepHazards() {
  if (world.timer > world.hazardPeriod) {
    world.timer = RandomRange(0, kReseedHighest);
    world.hazardPeriod = kPeriodAfterReseed;
    Land(SPRITE_HAZARD_A, kEntryA);
  }
  // Division before multiplication, on the values the new cycle left.
  if (world.timer == (world.hazardPeriod / 6) * 5) Park(SPRITE_HAZARD_A);
  if (world.timer == (world.hazardPeriod / 4) * 3) Land(SPRITE_HAZARD_B, kEntryB);
  if (world.timer == (world.hazardPeriod / 4) * 2) Park(SPRITE_HAZARD_B);
  DrawSpriteRecord(SPRITE_HAZARD_A);
  DrawSpriteRecord(SPRITE_HAZARD_B);
  if (world.mode != ModeOver) world.timer += 1;
}

void CheckHazards() {
  if (TailTouches(SPRITE_HAZARD_A)) EndGame();
  if (TailTouches(SPRITE_HAZARD_B)) EndGame();
}

void EndGame() {
  world.mode = ModeOver;
  world.sprites[SPRITE_HEAD].src = Rect{64, 16, 80, 32};
  PlayEffect(kEffectGameOver);
  StopMusic(kMusicPlay);
  StartMusic(kMusicGameOver);
  if (world.bestScore < world.score) world.bestScore = world.score;
}
