// The ball's floor kick and wall put-back, the four contact zones at their
// edges, corner double scores with their random draws, and the score cap.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game_test_support.h"

namespace {

void PlaceBall(int32_t x, int32_t y, int32_t vx, int32_t vy) {
  world.ballX = x;
  world.ballY = y;
  world.ballVx = vx;
  world.ballVy = vy;
}

TEST(Ball, FloorKicksASlowBallUpward) {
  // Velocity after gravity v: the bounce gives 20 - v.
  for (int32_t v = -40; v <= 30; ++v) {
    FreshWorld(ModePlay);
    PlaceBall(10000, 16601, 0, v - 4);
    StepBall();
    int32_t expected = (v > -30 && v < 20) ? -250 : 20 - v;
    ASSERT_EQ(world.ballVy, expected) << "v " << v;
    ASSERT_EQ(world.ballY, 16600 + expected) << "v " << v;
    ASSERT_EQ(TakeEffects(), std::vector<int32_t>{15});
  }
}

TEST(Ball, ExactlyTwentySinksAndIsKickedTwoFramesLater) {
  FreshWorld(ModePlay);
  PlaceBall(10000, 16650, 0, 16);
  StepBall();  // 20 -> 0, no kick
  EXPECT_EQ(world.ballVy, 0);
  EXPECT_EQ(world.ballY, 16600);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{15});
  StepBall();  // on the line: not below it
  EXPECT_EQ(world.ballVy, 4);
  EXPECT_EQ(world.ballY, 16604);
  EXPECT_TRUE(TakeEffects().empty());
  StepBall();  // 8 -> 12: kicked
  EXPECT_EQ(world.ballVy, -250);
  EXPECT_EQ(world.ballY, 16350);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{15});
}

TEST(Ball, FastBallLosesTwentyAndAnUpwardBallBelowTheFloorTurnsDown) {
  FreshWorld(ModePlay);
  PlaceBall(10000, 16700, 0, 200);
  StepBall();
  EXPECT_EQ(world.ballVy, -184);
  EXPECT_EQ(world.ballY, 16416);

  PlaceBall(10000, 16700, 0, -104);
  StepBall();  // -100 -> 120
  EXPECT_EQ(world.ballVy, 120);
  EXPECT_EQ(world.ballY, 16720);
}

TEST(Ball, WallsPutTheBallBackAfterItStoodOneStepBeyond) {
  FreshWorld(ModePlay);
  PlaceBall(24990, 8000, 30, -4);
  StepBall();  // tested before the move: stands beyond the wall for a frame
  EXPECT_EQ(world.ballX, 25020);
  EXPECT_TRUE(TakeEffects().empty());
  StepBall();
  EXPECT_EQ(world.ballVx, -30);
  EXPECT_EQ(world.ballX, 24970);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{15});

  PlaceBall(950, 8000, -30, -4);
  StepBall();
  EXPECT_EQ(world.ballVx, 30);
  EXPECT_EQ(world.ballX, 1030);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{15});

  PlaceBall(10000, 950, 0, -30);
  StepBall();  // -26 turns to 26 at the ceiling
  EXPECT_EQ(world.ballVy, 26);
  EXPECT_EQ(world.ballY, 1026);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{15});

  // A corner: ceiling and left wall in one frame.
  PlaceBall(999, 999, -10, -10);
  StepBall();
  EXPECT_EQ(world.ballX, 1010);
  EXPECT_EQ(world.ballY, 1006);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{15, 15}));
}

// The zones as offsets of the head's corner from the ball's corner.
int32_t ZonesAt(int32_t dx, int32_t dy, bool* top, bool* bottom, bool* left, bool* right) {
  *top = 4 < dx && dx < 44 && 0 < dy && dy < 16;
  *bottom = 4 < dx && dx < 44 && 32 < dy && dy < 48;
  *left = 0 < dx && dx < 16 && 4 < dy && dy < 44;
  *right = 32 < dx && dx < 48 && 4 < dy && dy < 44;
  return *top + *bottom + *left + *right;
}

// The ball at (100, 80) and the head's corner dx, dy from the ball's.
void HeadAt(int32_t dx, int32_t dy) {
  world.sprites[SPRITE_BALL].x = 100;
  world.sprites[SPRITE_BALL].y = 80;
  world.sprites[SPRITE_HEAD].x = 100 + dx;
  world.sprites[SPRITE_HEAD].y = 80 + dy;
}

TEST(Ball, ZonesHoldOnlyStrictlyInsideTheirEdges) {
  int32_t doubles = 0;
  for (int32_t dy = -4; dy <= 52; ++dy) {
    for (int32_t dx = -4; dx <= 52; ++dx) {
      FreshWorld(ModePlay);
      HeadAt(dx, dy);
      world.creatureVx = world.creatureVy = 0;
      world.ballVx = world.ballVy = 0;
      std::srand(99);
      StrikeBall();
      int32_t next = std::rand();
      bool top, bottom, left, right;
      int32_t zones = ZonesAt(dx, dy, &top, &bottom, &left, &right);
      ASSERT_EQ(world.score, zones) << "dx " << dx << " dy " << dy;
      ASSERT_EQ(world.ballVy, (top ? 200 : 0) - (bottom ? 300 : 0)) << "dx " << dx << " dy " << dy;
      ASSERT_EQ(world.ballVx, (left ? 200 : 0) - (right ? 100 : 0)) << "dx " << dx << " dy " << dy;
      ASSERT_EQ(TakeEffects(), std::vector<int32_t>(zones, 11));
      // One random draw per zone that held.
      std::srand(99);
      for (int32_t i = 0; i < zones; ++i) std::rand();
      ASSERT_EQ(next, std::rand()) << "dx " << dx << " dy " << dy;
      if (zones == 2) ++doubles;
    }
  }
  EXPECT_EQ(doubles, 4 * 11 * 11);  // four corners of 11 x 11 offsets
}

TEST(Ball, CornerScoresTwiceDrawingTopsRandomBeforeLefts) {
  FreshWorld(ModePlay);
  HeadAt(10, 10);  // top and left
  world.creatureVx = 5;
  world.creatureVy = 7;
  world.ballVx = 1;
  world.ballVy = 2;
  std::srand(4242);
  int32_t first = -200 + std::rand() % 401;
  int32_t second = -200 + std::rand() % 401;
  std::srand(4242);
  StrikeBall();
  EXPECT_EQ(world.creatureVx, 5 + first - 100);
  EXPECT_EQ(world.creatureVy, 7 - 200 + second);
  EXPECT_EQ(world.ballVx, 201);
  EXPECT_EQ(world.ballVy, 202);
  EXPECT_EQ(world.score, 2);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{11, 11}));

  // Bottom-right corner: bottom's draw goes to vx, right's to vy.
  HeadAt(40, 40);
  world.creatureVx = world.creatureVy = 0;
  world.ballVx = world.ballVy = 0;
  std::srand(77);
  first = -200 + std::rand() % 401;
  second = -200 + std::rand() % 401;
  std::srand(77);
  StrikeBall();
  EXPECT_EQ(world.creatureVx, first + 100);
  EXPECT_EQ(world.creatureVy, 300 + second);
  EXPECT_EQ(world.ballVx, -100);
  EXPECT_EQ(world.ballVy, -300);
  EXPECT_EQ(world.score, 4);
}

TEST(Ball, ScoreStopsAt999ButContactsStillPushAndSound) {
  FreshWorld(ModePlay);
  HeadAt(10, 10);  // corner: two contacts
  world.score = 998;
  world.ballVx = world.ballVy = 0;
  StrikeBall();
  EXPECT_EQ(world.score, 999);
  StrikeBall();
  EXPECT_EQ(world.score, 999);
  EXPECT_EQ(world.ballVx, 400);
  EXPECT_EQ(world.ballVy, 400);
  EXPECT_EQ(TakeEffects(), (std::vector<int32_t>{11, 11, 11, 11}));
}

}  // namespace
