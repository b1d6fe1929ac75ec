// The screens around a game: the title's reveal timeline, the box wipe into
// the first start, the wipe bars framing the playfield, and the game-over
// prompt that restarts.
#include "game/game_world.h"

#include "game/sprites.h"
#include "sound/cues.h"

namespace {

// Title frames at which a sound plays and (but for the first) a piece shows.
struct TitleStep {
  int32_t frame;
  int32_t sprite;  // -1: sound only
  Rect src;
  int32_t effect;
};

constexpr TitleStep kTitleSteps[] = {
    {20, -1, {0, 0, 0, 0}, 18},
    {60, SPRITE_TITLE_FIRST + 0, {84, 64, 128, 84}, 19},
    {100, SPRITE_TITLE_FIRST + 1, {80, 25, 124, 32}, 20},
    {133, SPRITE_TITLE_FIRST + 2, {64, 103, 119, 112}, 21},
    {200, SPRITE_TITLE_FIRST + 3, {64, 32, 128, 48}, 22},
};
// Fire starts the wipe only once the title timer has passed this.
constexpr int32_t kTitleFireAfter = 200;

constexpr int32_t kWipeFull = 20;  // side of a full wipe box, in dots
constexpr int32_t kWipeFirstX = 20;
constexpr int32_t kWipeEndX = 300;  // boxes at x < this
constexpr int32_t kWipeStepX = 20;
constexpr int32_t kWipeTopY = 0;
constexpr int32_t kWipeBottomY = 220;

constexpr int32_t kPromptX = 50;
constexpr int32_t kPromptY = 45;

constexpr int32_t kEffectGameStart = 17;
constexpr int32_t kMusicPlay = 0;
constexpr int32_t kMusicGameOver = 1;

void SetWipeBox(int32_t side) { world.sprites[SPRITE_WIPE_BOX].src = Rect{64, 64, 64 + side, 64 + side}; }

void StartGameMusic() {
  PlayEffect(kEffectGameStart);
  StartMusic(kMusicPlay);
}

}  // namespace

void DrawTitle() {
  DrawSpriteAt(SPRITE_TITLE_FIRST + 0, 120, 50);
  DrawSpriteAt(SPRITE_TITLE_FIRST + 0, 156, 50);
  DrawSpriteAt(SPRITE_TITLE_FIRST + 1, 137, 120);
  DrawSpriteAt(SPRITE_TITLE_FIRST + 2, 132, 140);
  DrawSpriteAt(SPRITE_TITLE_FIRST + 3, 130, 160);
}

void RevealTitle() {
  for (const TitleStep& step : kTitleSteps) {
    if (world.timer != step.frame) continue;
    if (step.sprite >= 0) world.sprites[step.sprite].src = step.src;
    PlayEffect(step.effect);
  }
  world.timer += 1;
}

void CheckTitleStart(const PadState& pad) {
  if (!(pad.triggered & PAD_FIRE) || world.timer <= kTitleFireAfter) return;
  world.mode = ModeWipe;
  world.timer = 0;
  SetWipeBox(0);
}

void DrawWipeBars() {
  for (int32_t x = kWipeFirstX; x < kWipeEndX; x += kWipeStepX) DrawSpriteAt(SPRITE_WIPE_BOX, x, kWipeTopY);
  for (int32_t x = kWipeFirstX; x < kWipeEndX; x += kWipeStepX) DrawSpriteAt(SPRITE_WIPE_BOX, x, kWipeBottomY);
}

void StepWipe() {
  if (world.wipeCount < kWipeFull) {
    world.wipeCount += 1;
    SetWipeBox(world.wipeCount);
    return;
  }
  world.mode = ModeStart;
  StartGameMusic();
}

void GameOverScreen(const PadState& pad) {
  DrawSpriteAt(SPRITE_RESTART_PROMPT, kPromptX, kPromptY);
  if (!(pad.triggered & PAD_FIRE)) return;
  StopMusic(kMusicGameOver);
  ResetWorld();
  world.mode = ModeStart;
  StartGameMusic();
}
