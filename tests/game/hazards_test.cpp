// The hazard timeline checked frame by frame, its random re-seed, the tail
// contact test at its boundaries, and the game over.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game_test_support.h"

namespace {

// A trail with distinct points, so every placement is recognisable.
void DistinctTrail() {
  for (int32_t i = 0; i < kTrailLength; ++i) {
    world.trailX[i] = 2000 + 211 * i;
    world.trailY[i] = 3000 + 97 * i;
  }
}

int32_t LandedX(int32_t entry) { return world.trailX[entry] / 100 - 8; }
int32_t LandedY(int32_t entry) { return world.trailY[entry] / 100 - 8; }

// A seed whose first RandomRange(0, 30) gives `value`.
unsigned SeedDrawing(int32_t value) {
  for (unsigned seed = 1;; ++seed) {
    std::srand(seed);
    if (std::rand() % 31 == value) return seed;
  }
}

TEST(Hazards, TimelineOfTheFirstCycleThenTheSixtyFramePeriod) {
  FreshWorld(ModePlay);
  DistinctTrail();
  const unsigned seed = SeedDrawing(7);
  std::srand(seed);
  std::rand();
  const int32_t secondDraw = std::rand() % 31;
  std::srand(seed);
  const SpriteRecord& a = world.sprites[SPRITE_HAZARD_A];
  const SpriteRecord& b = world.sprites[SPRITE_HAZARD_B];
  // First cycle: timer values 0..301, one call each.
  for (int32_t t = 0; t <= 301; ++t) {
    ASSERT_EQ(world.timer, t);
    StepHazards();
    std::vector<int32_t> effects = TakeEffects();
    if (t == 150) {
      ASSERT_EQ(effects, std::vector<int32_t>{13});
      ASSERT_EQ(b.x, 320);
      ASSERT_EQ(b.y, 200);  // parking keeps y
    } else if (t == 225) {
      ASSERT_EQ(effects, std::vector<int32_t>{12});
      ASSERT_EQ(b.x, LandedX(99));
      ASSERT_EQ(b.y, LandedY(99));
    } else if (t == 250) {
      ASSERT_EQ(effects, std::vector<int32_t>{13});
      ASSERT_EQ(a.x, 320);
    } else if (t == 301) {
      ASSERT_EQ(effects, std::vector<int32_t>{12});
      ASSERT_EQ(a.x, LandedX(80));
      ASSERT_EQ(a.y, LandedY(80));
    } else {
      ASSERT_TRUE(effects.empty()) << "timer " << t;
    }
    if (t < 150) {
      ASSERT_EQ(a.x, 130);
      ASSERT_EQ(b.x, 170);
    }
  }
  EXPECT_EQ(world.hazardPeriod, 60);
  EXPECT_EQ(world.timer, 8);  // re-seeded to 7 and advanced
  // Two steady cycles: 7..61 then r2..61.
  for (int32_t t = 8; t <= 61; ++t) {
    ASSERT_EQ(world.timer, t);
    StepHazards();
    std::vector<int32_t> effects = TakeEffects();
    std::vector<int32_t> expected;
    if (t == 30 || t == 50) expected = {13};
    if (t == 45 || t == 61) expected = {12};
    if (t == 61 && secondDraw == 30) expected = {12, 13};
    ASSERT_EQ(effects, expected) << "timer " << t;
    if (t == 30) {
      ASSERT_EQ(b.x, 320);
    } else if (t == 45) {
      ASSERT_EQ(b.x, LandedX(99));
    } else if (t == 50) {
      ASSERT_EQ(a.x, 320);
    } else if (t == 61) {
      ASSERT_EQ(a.x, LandedX(80));
    }
  }
  EXPECT_EQ(world.timer, secondDraw + 1);
}

TEST(Hazards, ReseedOfThirtyParksBInTheFrameALands) {
  FreshWorld(ModePlay);
  DistinctTrail();
  world.timer = 61;
  world.hazardPeriod = 60;
  world.sprites[SPRITE_HAZARD_B].x = 50;
  std::srand(SeedDrawing(30));
  StepHazards();
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{12, 13}));
  EXPECT_EQ(world.sprites[SPRITE_HAZARD_A].x, LandedX(80));
  EXPECT_EQ(world.sprites[SPRITE_HAZARD_B].x, 320);
  EXPECT_EQ(world.timer, 31);
}

TEST(Hazards, TimerStandsStillAfterTheEndAndAnEventRecursEveryFrame) {
  FreshWorld(ModeOver);
  world.timer = 30;
  world.hazardPeriod = 60;
  for (int32_t i = 0; i < 3; ++i) {
    StepHazards();
    EXPECT_EQ(TakeEffects(), std::vector<int32_t>{13});
    EXPECT_EQ(world.timer, 30);
  }
  // Ended at 61: one more re-seed in the first game-over frame, then quiet.
  world.timer = 61;
  std::srand(SeedDrawing(5));
  StepHazards();
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{12});
  EXPECT_EQ(world.timer, 5);
  StepHazards();
  EXPECT_TRUE(TakeEffects().empty());
}

// A game in play with the hazards and the tail tip at the given dots.
void Place(int32_t ax, int32_t ay, int32_t bx, int32_t by, int32_t tx, int32_t ty) {
  FreshWorld(ModePlay);
  world.sprites[SPRITE_HAZARD_A].x = ax;
  world.sprites[SPRITE_HAZARD_A].y = ay;
  world.sprites[SPRITE_HAZARD_B].x = bx;
  world.sprites[SPRITE_HAZARD_B].y = by;
  world.sprites[SPRITE_TAIL_TIP].x = tx;
  world.sprites[SPRITE_TAIL_TIP].y = ty;
}

// Contact for a hazard at (100, 100) against the tail tip at (tx, ty).
bool Touches(int32_t tx, int32_t ty) {
  Place(100, 100, 320, 100, tx, ty);
  CheckHazards();
  return world.mode == ModeOver;
}

TEST(Hazards, TailMustLieStrictlyInsideAnUnparkedHazard) {
  for (int32_t t = 95; t <= 120; ++t) {
    bool inside = 100 < t && t < 116;
    EXPECT_EQ(Touches(t, 108), inside) << "tail x " << t;
    EXPECT_EQ(Touches(108, t), inside) << "tail y " << t;
  }
  EXPECT_FALSE(Touches(100, 100));
  EXPECT_TRUE(Touches(101, 115));
  // Only the tail tip counts: the head right on the hazard does nothing.
  Place(100, 100, 320, 100, 10, 10);
  for (int32_t k = SPRITE_HEAD; k < SPRITE_TAIL_TIP; ++k) world.sprites[k].x = world.sprites[k].y = 108;
  CheckHazards();
  EXPECT_EQ(world.mode, ModePlay);
  // A parked hazard is never touched.
  Place(320, 100, 320, 100, 0, 108);
  for (int32_t x = 0; x < 320; ++x) {
    world.sprites[SPRITE_TAIL_TIP].x = x;
    CheckHazards();
  }
  EXPECT_EQ(world.mode, ModePlay);
  EXPECT_TRUE(TakeEffects().empty());
}

// Each hazard on the tail ends the game; the best score is only ever raised.
TEST(Hazards, BothHazardsOnTheTailEndTheGameTwice) {
  Place(100, 100, 104, 104, 108, 108);
  StartMusic(0);
  world.bestScore = 50;
  world.score = 30;
  CheckHazards();
  EXPECT_EQ(world.mode, ModeOver);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{16, 16}));
  EXPECT_EQ(musicState.active, 1);
  EXPECT_EQ(musicState.index, 1);
  EXPECT_EQ(world.bestScore, 50);
}

}  // namespace
