// The head's physics at its corners (friction pair, walls, speed limit),
// the trail the segments retrace, and the sparkle's cycle.
#include <gtest/gtest.h>

#include "game_test_support.h"

namespace {

void PlaceHead(int32_t x, int32_t y, int32_t vx, int32_t vy) {
  world.creatureX = x;
  world.creatureY = y;
  world.creatureVx = vx;
  world.creatureVy = vy;
}

TEST(Creature, FrictionIsTwoTestsNotEitherOr) {
  struct Case {
    int32_t before, after;
  };
  const Case cases[] = {{1, -2}, {2, -1}, {-1, -1}, {-2, -2}, {0, 0},    {3, 0},
                        {-3, 0}, {4, 1},  {-4, -1}, {7, 4},   {-7, -4}, {200, 197}};
  for (const Case& c : cases) {
    FreshWorld(ModePlay);
    PlaceHead(15000, 10000, c.before, c.before);
    StepCreature();
    EXPECT_EQ(world.creatureVx, c.after) << "vx " << c.before;
    EXPECT_EQ(world.creatureVy, c.after) << "vy " << c.before;
    EXPECT_EQ(world.creatureX, 15000 + c.after);
    EXPECT_EQ(world.creatureY, 10000 + c.after);
    EXPECT_TRUE(TakeEffects().empty());
  }
}

TEST(Creature, ASteeringPulseEndsAsADriftOfMinusTwo) {
  FreshWorld(ModePlay);
  PlaceHead(15000, 10000, 0, 0);
  SteerCreature(Pad(PAD_RIGHT | PAD_DOWN));
  const int32_t expected[] = {7, 4, 1, -2, -2, -2};
  for (int32_t v : expected) {
    StepCreature();
    ASSERT_EQ(world.creatureVx, v);
    ASSERT_EQ(world.creatureVy, v);
  }
  // Opposite directions cancel; friction alone acts.
  SteerCreature(Pad(PAD_LEFT | PAD_RIGHT | PAD_UP | PAD_DOWN));
  EXPECT_EQ(world.creatureVx, -2);
  EXPECT_EQ(world.creatureVy, -2);
}

TEST(Creature, CreepsOutThroughTheLeftAndTopWallsBouncingEveryFrame) {
  FreshWorld(ModePlay);
  PlaceHead(2003, 2003, -2, -2);
  StepCreature();  // 2001: not yet below the wall
  EXPECT_EQ(world.creatureX, 2001);
  EXPECT_TRUE(TakeEffects().empty());
  for (int32_t frame = 1; frame <= 5; ++frame) {
    StepCreature();
    ASSERT_EQ(world.creatureX, 2001 - 2 * frame);
    ASSERT_EQ(world.creatureY, 2001 - 2 * frame);
    ASSERT_EQ(world.creatureVx, -2);
    ASSERT_EQ(world.creatureVy, -2);
    // Both walls in one frame: the bounce effect twice.
    ASSERT_EQ(TakeEffects(), (std::vector<int32_t>{14, 14}));
  }
  EXPECT_EQ(world.sprites[SPRITE_HEAD].x, 19);  // 1991 / 100
}

TEST(Creature, RightAndBottomWallsTurnSmallVelocitiesAround) {
  FreshWorld(ModePlay);
  PlaceHead(28399, 20399, 2, 2);
  StepCreature();
  EXPECT_EQ(world.creatureVx, -1);
  EXPECT_EQ(world.creatureVy, -1);
  EXPECT_EQ(world.creatureX, 28398);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{14, 14}));

  PlaceHead(28400, 20400, 1, 1);
  StepCreature();
  EXPECT_EQ(world.creatureVx, 0);
  EXPECT_EQ(world.creatureVy, 0);
  EXPECT_EQ(world.creatureX, 28400);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{14, 14}));

  // Exactly on a wall is not past it.
  PlaceHead(28399, 20399, 1, 1);
  StepCreature();
  EXPECT_TRUE(TakeEffects().empty());
  PlaceHead(2002, 2002, -2, -2);
  StepCreature();
  EXPECT_TRUE(TakeEffects().empty());
  EXPECT_EQ(world.creatureX, 2000);
}

TEST(Creature, WallTestUsesTheVelocityBeforeFrictionAndLimit) {
  // A strike left 250: the look-ahead sees 250 and bounces; the limit would
  // not have reached the wall.
  FreshWorld(ModePlay);
  PlaceHead(28200, 10000, 250, -350);
  StepCreature();
  EXPECT_EQ(world.creatureVx, -184);  // 250 * -3 / 4 = -187, friction -> -184
  EXPECT_EQ(world.creatureVy, -200);  // -350 + 3, then the limit
  EXPECT_EQ(world.creatureX, 28016);
  EXPECT_EQ(world.creatureY, 9800);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{14});
  // The bounce truncates toward zero, also for a negative product.
  PlaceHead(28390, 10000, 15, 0);
  StepCreature();
  EXPECT_EQ(world.creatureVx, -8);  // -45 / 4 = -11, friction -8
}

TEST(Creature, SegmentsRetraceTheTrailSixFramesApartHeadOnTop) {
  FreshWorld(ModePlay);
  for (int32_t i = 0; i < kTrailLength; ++i) {
    world.trailX[i] = 1000 + 150 * i;
    world.trailY[i] = 3000 + 77 * i;
  }
  PlaceHead(9999, 8888, 0, 0);
  RecordTrail();
  EXPECT_EQ(world.trailX[0], 9999);
  EXPECT_EQ(world.trailY[0], 8888);
  EXPECT_EQ(world.trailX[1], 1000);
  EXPECT_EQ(world.trailX[99], 1000 + 150 * 98);
  DrawCreature();
  for (int32_t k = 1; k <= 7; ++k) {
    EXPECT_EQ(world.sprites[k].x, world.trailX[6 * k] / 100) << "segment " << k;
    EXPECT_EQ(world.sprites[k].y, world.trailY[6 * k] / 100) << "segment " << k;
  }
}

TEST(Creature, SparkleStepsOnTheThirdFrameThenEverySecondAndCarriesOver) {
  world.sprites[SPRITE_SPARKLE].src = Rect{112, 48, 128, 64};
  FreshWorld(ModePlay);  // puts the first cell back
  world.sparkleFrame = 3;  // left from an earlier game
  world.trailX[80] = 12345;
  world.trailY[80] = 6789;
  // Calls 1..9: the cell after each call.
  const int32_t cells[] = {0, 0, 0, 0, 1, 1, 2, 2, 3};
  const int32_t frames[] = {3, 3, 0, 0, 1, 1, 2, 2, 3};
  for (int32_t call = 0; call < 9; ++call) {
    DrawSparkle();
    int32_t f = cells[call];
    const Rect& src = world.sprites[SPRITE_SPARKLE].src;
    ASSERT_EQ(world.sparkleFrame, frames[call]) << "call " << call + 1;
    ASSERT_EQ(src.left, 64 + 16 * f) << "call " << call + 1;
    ASSERT_EQ(src.right, 80 + 16 * f);
    ASSERT_EQ(src.top, 48);
    ASSERT_EQ(src.bottom, 64);
  }
  EXPECT_EQ(world.sprites[SPRITE_SPARKLE].x, 123);
  EXPECT_EQ(world.sprites[SPRITE_SPARKLE].y, 67);
}

}  // namespace
