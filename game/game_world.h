// The game world: one process-wide record holding all game state, the sprite
// table, the five modes and the operations that run them.
//
// Units: positions are hundredths of a dot, velocities hundredths of a dot per
// frame; a screen coordinate is the value / 100, truncated toward zero. The
// game runs at one frame per 20 ms; everything here runs on the window's
// thread between two WaitFrame calls.
#pragma once
#include <cstdint>
#include "graphics/rect.h"
#include "input/pad.h"

struct PlatformWindow;

enum GameMode : int32_t {
  ModeStart = 0,  // the creature is launched upward; play begins after 62 frames
  ModePlay = 1,   // the player steers; contacts score; hazards can end the game
  ModeOver = 2,   // the picture holds; a restart prompt waits for fire
  ModeTitle = 3,  // the title reveals itself; fire starts the wipe
  ModeWipe = 4,   // the box wipe from the title into the first start
};

struct SpriteRecord {
  int32_t x, y;
  Rect src;  // on the game sprite sheet, surface slot 3
};

inline constexpr int32_t kTrailLength = 100;
inline constexpr int32_t kSpriteCount = 256;

// Sprite records with a role.
enum : int32_t {
  SPRITE_HEAD = 0,          // 1..7: trail segments, 7 the tail tip
  SPRITE_TAIL_TIP = 7,
  SPRITE_SPARKLE = 10,
  SPRITE_HAZARD_A = 20,
  SPRITE_HAZARD_B = 21,
  SPRITE_RESTART_PROMPT = 30,
  SPRITE_CAPTION_THEME = 31,
  SPRITE_CAPTION_WARNING = 32,
  SPRITE_ESCAPE_HINT = 33,
  SPRITE_BIG_DIGIT = 40,
  SPRITE_SCORE_LABEL = 45,
  SPRITE_HIGH_PREFIX = 46,
  SPRITE_BALL = 50,
  SPRITE_TITLE_FIRST = 100,  // 100..103: title pieces
  SPRITE_WIPE_BOX = 110,
};

// Surface slots of the game's bitmaps.
enum : int32_t { SLOT_LOGO = 0, SLOT_CHARACTERS = 1, SLOT_ESCAPE = 2, SLOT_SHEET = 3 };

struct GameWorld {
  int32_t mode;
  int32_t timer;
  int32_t creatureX, creatureY;
  int32_t creatureVx, creatureVy;
  int32_t trailX[kTrailLength], trailY[kTrailLength];
  int32_t ballX, ballY;
  int32_t ballVx, ballVy;
  int32_t score;
  int32_t bestScore;
  int32_t hazardPeriod;
  int32_t sparkleTick;
  int32_t sparkleFrame;
  int32_t wipeCount;
  SpriteRecord sprites[kSpriteCount];
};

extern GameWorld world;
extern int32_t resetRequest;
// Counts StepMode calls since program start (the replay trace reads it).
extern uint32_t stepModeCount;

// Game loop and mode machine.
int RunGame(PlatformWindow* window);
int GameLoop();
void ResetWorld();
void StartTitle();
void StepMode(const PadState& pad);
int PauseOverlay();
void RequestReset(int32_t flag);
int32_t ResetRequested();

// Creature and trail.
void LaunchCreature();
void SteerCreature(const PadState& pad);
void StepCreature();
void RecordTrail();
void DrawCreature();
void DrawSparkle();

// Ball.
void StepBall();
void StrikeBall();
void DrawBall();
int32_t RandomRange(int32_t low, int32_t high);

// Hazards.
void StepHazards();
void CheckHazards();
void EndGame();

// Title, wipe and game-over screens.
void DrawTitle();
void RevealTitle();
void CheckTitleStart(const PadState& pad);
void DrawWipeBars();
void StepWipe();
void GameOverScreen(const PadState& pad);

// HUD, digits and bitmap text.
void DrawHud();
void DrawScore3(int32_t value, int32_t y);
void DrawBigDigit(int32_t digit, int32_t x, int32_t y);
int32_t DrawNumber(const Rect& clip, int32_t x, int32_t y, int32_t value, uint32_t flags,
                   int32_t destSlot);
int32_t DrawLabel(const Rect& clip, int32_t x, int32_t y, const char* text, uint32_t flags,
                  int32_t destSlot);
