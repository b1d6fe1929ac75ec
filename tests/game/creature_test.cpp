// The head's physics at its corners: the friction pair, the walls and the
// speed limit.
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

}  // namespace
