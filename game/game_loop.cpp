// The top of the game: loading, the frame loop, the mode machine, the pause
// overlay and the reset request.
#include "game/game_world.h"

#include "graphics/bitmap.h"
#include "graphics/draw.h"
#include "input/keys.h"
#include "input/pad.h"
#include "shell/frame_pacing.h"
#include "sound/cues.h"

namespace {

// Zero but for the mode: the title comes first. Constant-initialised.
constexpr GameWorld InitialWorld() {
  GameWorld w{};
  w.mode = ModeTitle;
  return w;
}

}  // namespace

GameWorld world = InitialWorld();
int32_t resetRequest = 0;
uint32_t stepModeCount = 0;

namespace {

// The overlay picture: three lines naming F1, F2 and Esc, drawn at (8, 8).
constexpr Rect kOverlaySource = {0, 0, 80, 24};
constexpr int32_t kOverlayX = 8;
constexpr int32_t kOverlayY = 8;

constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyF1 = 112;
constexpr int32_t kKeyF2 = 113;

// The frame-rate figure: two places, 16 dots left of the right edge, y 3.
constexpr int32_t kRateX = kScreenRect.right - 16;
constexpr int32_t kRateY = 3;
constexpr uint32_t kRatePlaces = 2;

struct NamedSlot {
  const char* name;
  int32_t slot;
};

constexpr NamedSlot kSounds[] = {
    {"BGM1", 0},  {"BGM2", 1},  {"SE01", 11}, {"SE02", 12}, {"SE03", 13},
    {"SE04", 14}, {"SE05", 15}, {"SE06", 16}, {"SE07", 17}, {"SE08", 18},
    {"SE09", 19}, {"SE10", 20}, {"SE11", 21}, {"SE12", 22},
};

// Loads the sheets and the sounds in order, stopping at the first failure.
// The character sheet from the resources is skipped when a file already
// filled its slot.
int LoadGameData(int characterFileLoaded) {
  if (!LoadBitmapSlot("BMP_ZORRIT", SLOT_SHEET, 0, 0)) return 0;
  if (!LoadBitmapSlot("BMP_ESCAPE", SLOT_ESCAPE, 0, 0)) return 0;
  if (!characterFileLoaded && !LoadBitmapSlot("BMP_CHARACTOR", SLOT_CHARACTERS, 0, 0)) return 0;
  for (const NamedSlot& sound : kSounds) {
    if (!LoadWaveResource(sound.name, sound.slot)) return 0;
  }
  return 1;
}

void SetSource(int32_t sprite, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  world.sprites[sprite].src = Rect{left, top, right, bottom};
}

}  // namespace

int RunGame(PlatformWindow* window) {
  // A readable "charactor.bmp" where bitmap files are looked for replaces the
  // built-in character sheet; a missing or broken file is simply not used.
  int characterFileLoaded = LoadBitmapSlot("charactor.bmp", SLOT_CHARACTERS, 1, 0);
  ClearMusic();
  if (!LoadGameData(characterFileLoaded)) {
    EndMusic();
    return 0;
  }
  StartTitle();
  while (GameLoop()) {
  }
  EndMusic();
  return 1;
}

int GameLoop() {
  uint32_t clearColour = MatchColour(0);
  RequestReset(0);
  SetPadKeys();
  PadState pad;
  PadInit(&pad);
  for (;;) {
    if (PauseOverlay()) return 0;
    if (ResetRequested()) {
      StartTitle();
      return 1;
    }
    pad.held = ReadPad();
    PadUpdate(&pad);
    FillBack(kScreenRect, clearColour);
    StepMode(pad);
    int32_t rate = CountFrameRate();
    DrawNumber(kScreenRect, kRateX, kRateY, rate, kRatePlaces, 0);
    if (!WaitFrame()) return 0;
  }
}

void ResetWorld() {
  world.timer = 0;
  world.creatureX = 15000;
  world.creatureY = 20400;
  world.creatureVx = 0;
  world.creatureVy = 0;
  for (int32_t i = 0; i < kTrailLength; ++i) {
    world.trailX[i] = world.creatureX;
    world.trailY[i] = world.creatureY;
  }
  world.ballX = 7000;
  world.ballY = 1000;
  world.ballVx = 20;
  world.ballVy = 0;
  world.score = 0;
  world.hazardPeriod = 300;
  world.sparkleTick = 0;

  SetSource(SPRITE_HEAD, 0, 0, 16, 16);
  for (int32_t k = 1; k <= SPRITE_TAIL_TIP; ++k) SetSource(k, 16 * k, 0, 16 * k + 16, 16);
  SetSource(SPRITE_SPARKLE, 64, 48, 80, 64);
  SetSource(SPRITE_HAZARD_A, 0, 16, 32, 48);
  SetSource(SPRITE_HAZARD_B, 32, 16, 64, 48);
  world.sprites[SPRITE_HAZARD_A].x = 130;
  world.sprites[SPRITE_HAZARD_A].y = 195;
  world.sprites[SPRITE_HAZARD_B].x = 170;
  world.sprites[SPRITE_HAZARD_B].y = 200;
  SetSource(SPRITE_RESTART_PROMPT, 64, 32, 128, 48);
  SetSource(SPRITE_CAPTION_THEME, 64, 95, 87, 102);
  SetSource(SPRITE_CAPTION_WARNING, 64, 84, 128, 92);
  SetSource(SPRITE_ESCAPE_HINT, 80, 16, 128, 23);
  SetSource(SPRITE_BIG_DIGIT, 0, 112, 8, 128);
  SetSource(SPRITE_SCORE_LABEL, 80, 121, 128, 128);
  SetSource(SPRITE_HIGH_PREFIX, 80, 112, 97, 119);
  SetSource(SPRITE_BALL, 0, 48, 64, 112);
  for (int32_t i = 0; i < 4; ++i) SetSource(SPRITE_TITLE_FIRST + i, 0, 0, 0, 0);
  SetSource(SPRITE_WIPE_BOX, 64, 64, 84, 84);
}

void StartTitle() {
  world.mode = ModeTitle;
  world.wipeCount = 0;
  StopMusic(0);
  StopMusic(1);
  ResetWorld();
}

void StepMode(const PadState& pad) {
  ++stepModeCount;
  switch (world.mode) {
    case ModeStart:
      LaunchCreature();
      StepCreature();
      StepBall();
      RecordTrail();
      DrawWipeBars();
      DrawBall();
      DrawCreature();
      StepHazards();
      DrawHud();
      break;
    case ModePlay:
      SteerCreature(pad);
      StepCreature();
      StepBall();
      StrikeBall();
      RecordTrail();
      DrawWipeBars();
      DrawBall();
      DrawCreature();
      StepHazards();
      DrawSparkle();
      DrawHud();
      CheckHazards();
      break;
    case ModeOver:
      DrawWipeBars();
      DrawBall();
      DrawCreature();
      StepHazards();
      DrawHud();
      GameOverScreen(pad);
      break;
    case ModeTitle:
      DrawTitle();
      RevealTitle();
      CheckTitleStart(pad);
      break;
    case ModeWipe:
      DrawWipeBars();
      StepWipe();
      break;
    default:
      break;
  }
}

int PauseOverlay() {
  if (!KeyDown(kKeyEscape)) return 0;
  UpdateKeys();  // the press that opened the overlay is old from here on
  uint32_t clearColour = MatchColour(0);
  int result = 0;
  for (;;) {
    UpdateKeys();
    if (KeyTriggered(kKeyF1)) {
      result = 0;
      break;
    }
    if (KeyTriggered(kKeyF2)) {
      RequestReset(1);
      result = 0;
      break;
    }
    if (KeyTriggered(kKeyEscape)) {
      result = 1;
      break;
    }
    FillBack(kScreenRect, clearColour);
    PutSpriteUnclipped(kOverlayX, kOverlayY, kOverlaySource, SLOT_ESCAPE);
    if (!WaitFrame()) {
      result = 1;
      break;
    }
  }
  UpdateKeys();
  return result;
}

void RequestReset(int32_t flag) { resetRequest = flag; }

int32_t ResetRequested() { return resetRequest; }
