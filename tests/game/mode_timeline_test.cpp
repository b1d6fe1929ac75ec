// The mode machine at its edges: the fire gate, game over and restart,
// driven through StepMode with crafted pads.
#include <gtest/gtest.h>

#include "game_test_support.h"

namespace {

bool Empty(const Rect& r) { return r.left == r.right && r.top == r.bottom; }

bool Same(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ModeTimeline, FireStartsTheWipeOnlyAsANewPressAfterFrame200) {
  StartTitle();
  for (int32_t i = 0; i < 199; ++i) StepMode(Pad(PAD_FIRE, i == 0 ? PAD_FIRE : 0u));
  // Frame 199: the timer reaches 200 in this frame, which is not past 200.
  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeTitle);
  // Frame 200: fire still held from before is not a press.
  StepMode(Pad(PAD_FIRE, 0));
  EXPECT_EQ(world.mode, ModeTitle);
  EXPECT_EQ(world.timer, 201);
  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeWipe);
  EXPECT_EQ(world.timer, 0);
  EXPECT_TRUE(Empty(world.sprites[SPRITE_WIPE_BOX].src));

  // The first frame that accepts fire is the one that reveals piece 4.
  StartTitle();
  for (int32_t i = 0; i < 200; ++i) StepMode(Pad(0));
  TakeEffects();
  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeWipe);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{22});
}

TEST(ModeTimeline, GameOverHoldsUntilANewFirePressThenRestartsWithoutTitle) {
  FreshWorld(ModePlay);
  world.bestScore = 5;
  world.score = 12;
  world.wipeCount = 20;
  StartMusic(0);
  // Hazard A on the point that becomes the tail tip's (entry 42) this frame.
  world.trailX[41] = 10000;
  world.trailY[41] = 10000;
  world.sprites[SPRITE_HAZARD_A].x = 95;
  world.sprites[SPRITE_HAZARD_A].y = 95;
  world.sprites[SPRITE_HAZARD_B].x = 320;
  world.timer = 10;
  StepMode(Pad(PAD_FIRE));
  ASSERT_EQ(world.mode, ModeOver);
  EXPECT_EQ(world.timer, 11);  // the contact ends the frame after the timer advanced
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{16});
  EXPECT_EQ(musicState.index, 1);
  EXPECT_EQ(world.bestScore, 12);
  EXPECT_TRUE(Same(world.sprites[SPRITE_HEAD].src, Rect{64, 16, 80, 32}));

  // The frozen picture: nothing moves, fire held through the end is no press.
  int32_t x = world.creatureX, bx = world.ballX;
  for (int32_t i = 0; i < 5; ++i) StepMode(Pad(PAD_FIRE));
  EXPECT_EQ(world.mode, ModeOver);
  EXPECT_EQ(world.creatureX, x);
  EXPECT_EQ(world.ballX, bx);
  EXPECT_EQ(world.timer, 11);

  StepMode(Pad(PAD_FIRE, PAD_FIRE));
  EXPECT_EQ(world.mode, ModeStart);
  EXPECT_EQ(TakeEffects(), std::vector<int32_t>{17});
  EXPECT_EQ(musicState.index, 0);
  EXPECT_EQ(world.bestScore, 12);
  EXPECT_EQ(world.wipeCount, 20);  // no wipe again
}

}  // namespace
