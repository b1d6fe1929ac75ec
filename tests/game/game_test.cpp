// The game at the edges the golden replay does not visit: bounces on and one
// dot past each wall, the contact zones and the tail's contact at their strict
// edges, the score cap, the rare hazard re-seed, the fire gates of the title
// and the game-over screen; and numbers, labels and big digits at the cases
// the game's frames never show, composed on the headless back surface with the
// embedded sheets and compared dot for dot with the sheets' cells copied to the
// expected places.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "game/game_world.h"
#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "platform/surface.h"
#include "sound/cues.h"
#include "sound/sound_table.h"

namespace {

PadState Pad(uint32_t held, uint32_t triggered = 0) { return PadState{held, triggered, held & ~triggered}; }

// The effects started since the last call, in order.
std::vector<int32_t> TakeEffects() {
  int32_t slots[64];
  int32_t count = TakeEffectLog(slots, 64);
  return std::vector<int32_t>(slots, slots + (count < 64 ? count : 64));
}

void FreshWorld(int32_t mode) {
  ResetWorld();
  world.mode = mode;
  TakeEffects();
}

TEST(Rules, BallAndHeadBounceOnlyPastEachWall) {
  // One step of the ball (15: its bounce effect) or the head (14) from x, y,
  // vx, vy in hundredths of a dot: where it ends and how many bounces it played.
  const struct { int32_t effect, start[4], end[4], bounces; } steps[] = {
      {15, {10000, 16600, 0, 0}, {10000, 16604, 0, 4}, 0},       // on the floor is not past it
      {15, {10000, 16601, 0, 16}, {10000, 16600, 0, 0}, 1},      // 20 - 20 = 0: not kicked
      {15, {10000, 16601, 0, 15}, {10000, 16350, 0, -250}, 1},   // 1: kicked up
      {15, {10000, 16601, 0, -33}, {10000, 16350, 0, -250}, 1},  // 49: kicked up
      {15, {10000, 16601, 0, -34}, {10000, 16650, 0, 50}, 1},    // 50: not kicked
      {15, {10000, 16700, 0, -104}, {10000, 16720, 0, 120}, 1},  // upward below the floor turns down
      {15, {10000, 999, 0, -30}, {10000, 1026, 0, 26}, 1},       // ceiling
      {15, {10000, 1000, 0, -30}, {10000, 974, 0, -26}, 0},
      {15, {25001, 8000, 30, -4}, {24970, 8000, -30, 0}, 1},     // right wall
      {15, {25000, 8000, 30, -4}, {25030, 8000, 30, 0}, 0},
      {15, {999, 8000, -30, -4}, {1030, 8000, 30, 0}, 1},        // left wall
      {15, {1000, 8000, -30, -4}, {970, 8000, -30, 0}, 0},
      {15, {999, 999, -10, -10}, {1010, 1006, 10, 6}, 2},        // a corner
      {14, {15000, 10000, 1, 2}, {14998, 9999, -2, -1}, 0},      // friction: two tests, not either-or
      {14, {15000, 10000, -1, 7}, {14999, 10004, -1, 4}, 0},
      {14, {15000, 10000, 250, -350}, {15200, 9800, 200, -200}, 0},  // the speed limit
      {14, {28399, 20399, 2, 2}, {28398, 20398, -1, -1}, 2},     // right and bottom walls
      {14, {28400, 20400, 1, 1}, {28400, 20400, 0, 0}, 2},
      {14, {28399, 20399, 1, 1}, {28397, 20397, -2, -2}, 0},     // reaching a wall is not past it
      {14, {2002, 2002, -2, -2}, {2000, 2000, -2, -2}, 0},
      {14, {2001, 2001, -2, -2}, {1999, 1999, -2, -2}, 2},       // creeps out, bouncing every frame
      // The look-ahead uses the velocity before friction and the limit; the
      // bounce (x -3/4) truncates toward zero: -187 then -184, -11 then -8.
      {14, {28200, 10000, 250, -350}, {28016, 9800, -184, -200}, 1},
      {14, {28390, 10000, 15, 0}, {28382, 10000, -8, 0}, 1},
  };
  int32_t* const ball[4] = {&world.ballX, &world.ballY, &world.ballVx, &world.ballVy};
  int32_t* const head[4] = {&world.creatureX, &world.creatureY, &world.creatureVx, &world.creatureVy};
  for (const auto& s : steps) {
    FreshWorld(ModePlay);
    int32_t* const* v = s.effect == 15 ? ball : head;
    for (int32_t i = 0; i < 4; ++i) *v[i] = s.start[i];
    s.effect == 15 ? StepBall() : StepCreature();
    EXPECT_EQ((std::vector<int32_t>{*v[0], *v[1], *v[2], *v[3]}), std::vector<int32_t>(s.end, s.end + 4))
        << (s.effect == 15 ? "ball" : "head") << " from " << s.start[0] << "," << s.start[1];
    EXPECT_EQ(TakeEffects(), std::vector<int32_t>(s.bounces, s.effect));
  }
}

// The ball at (100, 80) and the head's corner dx, dy from the ball's.
void HeadAt(int32_t dx, int32_t dy) {
  world.sprites[SPRITE_BALL].x = 100, world.sprites[SPRITE_BALL].y = 80;
  world.sprites[SPRITE_HEAD].x = 100 + dx, world.sprites[SPRITE_HEAD].y = 80 + dy;
}

TEST(Rules, ZonesHoldStrictlyInsideTheirEdgesEachWithItsPushAndRandomDraw) {
  int32_t doubles = 0;
  for (int32_t dy = -4; dy <= 52; ++dy) {
    for (int32_t dx = -4; dx <= 52; ++dx) {
      FreshWorld(ModePlay);
      HeadAt(dx, dy);
      world.creatureVx = world.creatureVy = world.ballVx = world.ballVy = 0;
      const bool top = 4 < dx && dx < 44 && 0 < dy && dy < 16;
      const bool bottom = 4 < dx && dx < 44 && 32 < dy && dy < 48;
      const bool left = 0 < dx && dx < 16 && 4 < dy && dy < 44;
      const bool right = 32 < dx && dx < 48 && 4 < dy && dy < 44;
      // Zones in this order; one draw of -200..200 each, top's and bottom's
      // going to the head's vx, left's and right's to its vy.
      std::srand(99);
      auto draw = [] { return -200 + std::rand() % 401; };
      int32_t vx = 0, vy = 0;
      if (top) vx += draw(), vy -= 200;
      if (bottom) vx += draw(), vy += 300;
      if (left) vx -= 100, vy += draw();
      if (right) vx += 100, vy += draw();
      const int32_t next = std::rand();
      std::srand(99);
      StrikeBall();
      SCOPED_TRACE(testing::Message() << "dx " << dx << " dy " << dy);
      const int32_t zones = top + bottom + left + right;
      ASSERT_EQ((std::vector<int32_t>{world.score, world.ballVx, world.ballVy, world.creatureVx, world.creatureVy, std::rand()}),
                (std::vector<int32_t>{zones, 200 * left - 100 * right, 200 * top - 300 * bottom, vx, vy, next}));
      ASSERT_EQ(TakeEffects(), std::vector<int32_t>(zones, 11));
      doubles += zones == 2;
    }
  }
  EXPECT_EQ(doubles, 4 * 11 * 11);  // four corners of 11 x 11 offsets

  // The score stops at 999; contacts still push and sound.
  FreshWorld(ModePlay);
  HeadAt(10, 10);
  world.score = 998, world.ballVx = 0;
  StrikeBall();
  StrikeBall();
  EXPECT_EQ(world.score, 999);
  EXPECT_EQ(world.ballVx, 400);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>(4, 11));
}

// A game in play with the hazards and the tail tip at the given dots.
void Place(int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t tx, int32_t ty) {
  FreshWorld(ModePlay);
  world.sprites[SPRITE_HAZARD_A].x = ax, world.sprites[SPRITE_HAZARD_A].y = ay;
  world.sprites[SPRITE_HAZARD_B].x = bx, world.sprites[SPRITE_HAZARD_B].y = by;
  world.sprites[SPRITE_TAIL_TIP].x = tx, world.sprites[SPRITE_TAIL_TIP].y = ty;
}

TEST(Rules, OnlyTheTailTipStrictlyInsideAnUnparkedHazardEndsTheGame) {
  for (int32_t t = 95; t <= 120; ++t) {
    for (int32_t axis = 0; axis < 2; ++axis) {
      Place(100, 100, 320, 100, axis ? 108 : t, axis ? t : 108);
      CheckHazards();
      EXPECT_EQ(world.mode == ModeOver, 100 < t && t < 116) << "tail at " << t << " on axis " << axis;
    }
  }
  // The head and the other segments right on the hazard do nothing.
  Place(100, 100, 320, 100, 10, 10);
  for (int32_t k = SPRITE_HEAD; k < SPRITE_TAIL_TIP; ++k) world.sprites[k].x = world.sprites[k].y = 108;
  CheckHazards();
  EXPECT_EQ(world.mode, ModePlay);
  EXPECT_TRUE(TakeEffects().empty());

  // Each hazard on the tail ends the game; the best score is only raised.
  Place(100, 100, 104, 104, 108, 108);
  world.bestScore = 50, world.score = 30;
  CheckHazards();
  EXPECT_EQ(world.mode, ModeOver);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{16, 16}));
  EXPECT_EQ(world.bestScore, 50);
}

TEST(Rules, AReseedToThirtyParksHazardBInTheFrameALands) {
  FreshWorld(ModePlay);
  for (int32_t i = 0; i < kTrailLength; ++i) world.trailX[i] = 2000 + 211 * i, world.trailY[i] = 3000 + 97 * i;
  world.timer = 61, world.hazardPeriod = 60;
  unsigned seed = 1;
  while (std::srand(seed), std::rand() % 31 != 30) ++seed;  // a seed that draws 30
  std::srand(seed);
  StepHazards();
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{12, 13}));
  EXPECT_EQ(world.sprites[SPRITE_HAZARD_A].x, world.trailX[80] / 100 - 8);
  EXPECT_EQ(world.sprites[SPRITE_HAZARD_B].x, 320);
  EXPECT_EQ(world.timer, 31);
}

TEST(Rules, FireActsOnlyAsANewPressAfterTitleFrame200AndOnTheGameOverScreen) {
  StartTitle();
  for (int32_t i = 0; i < 199; ++i) StepMode(Pad(PAD_FIRE, i == 0 ? PAD_FIRE : 0u));
  StepMode(Pad(PAD_FIRE, PAD_FIRE));  // the timer reaches 200: not past it
  StepMode(Pad(PAD_FIRE));            // held from before: no press
  EXPECT_EQ(world.mode, ModeTitle);
  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeWipe);

  // The restart stops the game-over music: with only it loaded, silence follows.
  ASSERT_EQ(OpenSound(nullptr), 1);
  ASSERT_EQ(LoadWaveResource("BGM2", 1), 1);
  uint8_t out[4000];
  auto loud = [&] { return MixSamples(out, 4000), std::count(out, out + 4000, 128) < 4000; };
  FreshWorld(ModeOver);
  StartMusic(1);
  for (int32_t i = 0; i < 5; ++i) StepMode(Pad(PAD_FIRE));
  EXPECT_EQ(world.mode, ModeOver);
  EXPECT_TRUE(loud());
  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeStart);
  EXPECT_FALSE(loud());
  CloseSound();
}

class HudPixels : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenDisplay(nullptr, nullptr), 1);
    ASSERT_EQ(CreateScreen(nullptr, 320, 240, 1), 1);
    ASSERT_EQ(LoadBitmapSlot("BMP_ZORRIT", SLOT_SHEET, 0, 0), 1);
    ASSERT_EQ(LoadBitmapSlot("BMP_CHARACTOR", SLOT_CHARACTERS, 0, 0), 1);
    Clear();
  }
  void TearDown() override { CloseDisplay(nullptr); }

  void Clear() {
    FillBack(kScreenRect, 0);
    expected_.assign(320 * 240, 0);
  }

  // Copies the non-black dots of `src` on `slot` to (x, y) of the expected
  // picture. The cell must have ink, or it could not be told from nothing.
  void Expect(int32_t slot, int32_t left, int32_t top, int32_t width, int32_t height, int32_t x, int32_t y) {
    int32_t ink = 0;
    for (int32_t sy = 0; sy < height; ++sy) {
      for (int32_t sx = 0; sx < width; ++sx) {
        uint32_t dot = ReadPlatformDot(displayState.slots[slot].surface, left + sx, top + sy);
        if (dot) ++ink, expected_[(y + sy) * 320 + x + sx] = dot;
      }
    }
    ASSERT_GT(ink, 0) << "blank cell " << left << "," << top;
  }
  void ExpectGlyph(char c, int32_t x, int32_t y) {
    int32_t i = (unsigned char)c - 32;
    Expect(SLOT_CHARACTERS, 8 * (i % 10), 8 * (i / 10), 8, 8, x, y);
  }

  // Dots of the back surface that differ from the expected picture.
  int32_t Differences() {
    int32_t differences = 0;
    for (int32_t i = 0; i < 320 * 240; ++i) {
      if (ReadPlatformDot(displayState.back, i % 320, i / 320) == expected_[i]) continue;
      if (!differences++) ADD_FAILURE() << "first difference at " << i % 320 << "," << i / 320;
    }
    return differences;
  }

  std::vector<uint32_t> expected_;
};

// DrawNumber at (100, 50): the glyphs, one advance of 6 apart from x, y (a
// blank draws nothing), and the x it returns after them. Flags: low nibble the
// places (more than six act as six), 0x10 centres on (x, y).
TEST_F(HudPixels, NumbersClampPadCentreAndSign) {
  const struct { int32_t value, flags, x, y; const char* glyphs; } cases[] = {
      {7, 2, 100, 50, " 7"}, {0, 2, 100, 50, " 0"}, {100, 2, 100, 50, "99"}, {1005, 4, 100, 50, "1005"},
      {-123, 2, 94, 50, "-99"}, {INT32_MIN, 3, 94, 50, "-999"}, {12345678, 15, 100, 50, "999999"},
      {42, 0x12, 94, 46, "42"}, {-5, 0x12, 97, 46, "-5"},  // centred: widths 12 and 7
      {77, 0x10, 100, 50, ""},                             // no places
  };
  for (const auto& c : cases) {
    Clear();
    int32_t n = 0;
    for (; c.glyphs[n]; ++n) {
      if (c.glyphs[n] != ' ') ExpectGlyph(c.glyphs[n], c.x + 6 * n, c.y);
    }
    EXPECT_EQ(DrawNumber(kScreenRect, 100, 50, c.value, c.flags, 0), c.x + 6 * n) << c.value;
    EXPECT_EQ(Differences(), 0) << c.value << " with flags " << c.flags;
  }
}

// Codes 32 to 131 have cells; other bytes draw nothing but still advance.
TEST_F(HudPixels, LabelsDrawCodes32To131AndCentre) {
  // A solid character sheet, so that every cell has ink whatever the art.
  ReleaseSlot(SLOT_CHARACTERS);
  ASSERT_EQ(CreateBlankSlot(80, 80, SLOT_CHARACTERS, 0), 1);
  FillSlot(nullptr, 0x00C0FFEE, SLOT_CHARACTERS);
  EXPECT_EQ(DrawLabel(kScreenRect, 10, 10, "\x1F\x20\x83\x84\xFF", 0, 0), 40);
  ExpectGlyph(' ', 16, 10);
  ExpectGlyph('\x83', 22, 10);
  EXPECT_EQ(DrawLabel(kScreenRect, 100, 70, "AB", 0x10, 0), 106);  // centred: width 12
  ExpectGlyph('A', 94, 66);
  ExpectGlyph('B', 100, 66);
  EXPECT_EQ(Differences(), 0);
}

TEST_F(HudPixels, ScoresInThreeBigDigitsWithLeadingZeros) {
  const int32_t cases[][4] = {{7, 0, 0, 7}, {10, 0, 1, 0}, {99, 0, 9, 9}, {100, 1, 0, 0},
                              {999, 9, 9, 9}, {-5, 0, 0, 0}, {380, 3, 8, 0}};
  for (const auto& c : cases) {
    Clear();
    DrawScore3(c[0], 100);
    for (int32_t i = 0; i < 3; ++i) Expect(SLOT_SHEET, 8 * c[i + 1], 112, 8, 16, 275 + 8 * i, 100);
    EXPECT_EQ(Differences(), 0) << "score " << c[0];
  }
}

}  // namespace
