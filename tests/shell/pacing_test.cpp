// Frame pacing and the message pump over the virtual clock and the headless
// queue. Virtual time moves only in the pacer's 1 ms sleeps, so a wait ends
// exactly on the tick at which the frame became due, and "work" between two
// frames is simulated by moving the clock by hand.
#include <gtest/gtest.h>

#include <vector>

#include "platform/clock.h"
#include "platform/window.h"
#include "shell/frame_pacing.h"

namespace {

std::vector<uint32_t> dispatched;  // messages the test procedure received

int64_t RecordingProc(PlatformWindow*, uint32_t message, uint64_t, int64_t) {
  dispatched.push_back(message);
  return 0;
}

class PacingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearPlatformMessages();
    SetMessageTarget(nullptr, RecordingProc);
    SetFrameObserver(nullptr);
    dispatched.clear();
    framePacing = {0, 0, 1, 1, 0, 0, 0};
    SetVirtualTicks(100000);
  }
  void TearDown() override {
    SetFrameObserver(nullptr);
    SetMessageTarget(nullptr, nullptr);
    ClearPlatformMessages();
  }
  // Runs one frame and returns the tick at which WaitFrame came back.
  uint32_t Frame() {
    EXPECT_EQ(WaitFrame(), 1);
    return PlatformTicks();
  }
};

TEST_F(PacingTest, FirstFrameIsOverdueAndResynchronisesTheGrid) {
  EXPECT_EQ(Frame(), 100001u);  // one 1 ms pass
  EXPECT_EQ(framePacing.frameTick, 100001u);
  EXPECT_EQ(framePacing.nowTick, 100001u);
  // From then on frames are due on the 20 ms grid, each wait ending exactly
  // on its tick.
  for (uint32_t k = 1; k <= 10; k++) {
    EXPECT_EQ(Frame(), 100001u + 20 * k);
    EXPECT_EQ(framePacing.frameTick, 100001u + 20 * k);
  }
}

TEST_F(PacingTest, LateFrameIsCaughtUpOnTheGrid) {
  uint32_t grid = Frame();
  SetVirtualTicks(grid + 50);  // a frame whose work took 50 ms
  EXPECT_EQ(Frame(), grid + 51);  // due long ago: presented after one pass
  EXPECT_EQ(framePacing.frameTick, grid + 20);
  EXPECT_EQ(Frame(), grid + 52);  // still behind the grid: no waiting
  EXPECT_EQ(framePacing.frameTick, grid + 40);
  EXPECT_EQ(Frame(), grid + 60);  // caught up: waits for its tick again
  EXPECT_EQ(Frame(), grid + 80);
}

TEST_F(PacingTest, StallOf100MsOrMoreResynchronisesWithoutBurst) {
  uint32_t grid = Frame();
  SetVirtualTicks(grid + 98);  // 99 ms behind after the sleep: still caught up
  EXPECT_EQ(Frame(), grid + 99);
  EXPECT_EQ(framePacing.frameTick, grid + 20);

  grid = PlatformTicks();
  for (int i = 0; i < 10; i++) Frame();  // back on a steady grid
  grid = framePacing.frameTick;
  SetVirtualTicks(grid + 99);  // exactly 100 ms behind after the sleep
  EXPECT_EQ(Frame(), grid + 100);
  EXPECT_EQ(framePacing.frameTick, grid + 100);
  EXPECT_EQ(Frame(), grid + 120);  // the next frame waits a whole period

  grid = framePacing.frameTick;
  SetVirtualTicks(grid + 5000);
  EXPECT_EQ(Frame(), grid + 5001);
  EXPECT_EQ(Frame(), grid + 5021);
}

TEST_F(PacingTest, TickWrapKeepsTheFramePeriod) {
  SetVirtualTicks(0xFFFFFFF0u);
  uint32_t previous = Frame();
  EXPECT_EQ(previous, 0xFFFFFFF1u);
  for (int i = 0; i < 5; i++) {  // crosses the wrap on the second frame
    uint32_t now = Frame();
    EXPECT_EQ((uint32_t)(now - previous), 20u) << "frame " << i;
    EXPECT_EQ(framePacing.frameTick, now);
    previous = now;
  }
  // A grid point just below the wrap: the next frame is due 20 ms later,
  // after the wrap, not at once.
  framePacing.frameTick = 0xFFFFFFF5u;
  SetVirtualTicks(0xFFFFFFF5u);
  EXPECT_EQ(Frame(), 0x00000009u);
}

TEST_F(PacingTest, FrameRateIsZeroForASecondThenFifty) {
  std::vector<int32_t> rates;
  for (int i = 0; i < 200; i++) {
    rates.push_back(CountFrameRate());
    Frame();
  }
  for (int i = 0; i < 50; i++) EXPECT_EQ(rates[i], 0) << "frame " << i;
  for (int i = 101; i < 200; i++) EXPECT_EQ(rates[i], 50) << "frame " << i;

  // A stall of five seconds leaves the counting window behind: the next
  // calls each complete a window at once (the first publishing what was
  // counted, the others 1) until the window has caught up with the clock;
  // the 1 then stands until the next whole window, and normal values return.
  SetVirtualTicks(PlatformTicks() + 5000);
  rates.clear();
  int completed = 0;
  for (int i = 0; i < 200; i++) {
    uint32_t base = framePacing.rateBase;
    rates.push_back(CountFrameRate());
    if (i < 10 && framePacing.rateBase != base) completed++;
    Frame();
  }
  EXPECT_GE(completed, 5);
  EXPECT_LE(completed, 6);
  for (int i = 1; i < 40; i++) EXPECT_EQ(rates[i], 1) << "frame " << i << " after the stall";
  EXPECT_EQ(rates.back(), 50);
}

TEST_F(PacingTest, PumpDrainsTheQueueAndStopsAtQuit) {
  PostPlatformMessage({WM_KEYDOWN, VK_LEFT, 0});
  PostPlatformMessage({WM_KEYUP, VK_LEFT, 0});
  PostQuitMessage();
  PostPlatformMessage({WM_KEYDOWN, VK_RIGHT, 0});
  uint32_t before = PlatformTicks();
  EXPECT_EQ(WaitFrame(), 0);
  EXPECT_EQ(PlatformTicks(), before);  // nothing slept, nothing presented
  EXPECT_EQ(dispatched, (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
  EXPECT_EQ(PlatformMessageCount(), 1);  // what came after the quit stays queued

  EXPECT_EQ(PumpMessages(), 1);  // the rest is dispatched, then the queue is empty
  EXPECT_EQ(dispatched.back(), (uint32_t)WM_KEYDOWN);
  EXPECT_EQ(PlatformMessageCount(), 0);
}

TEST_F(PacingTest, InactiveWindowWaitsForMessagesUntilQuit) {
  framePacing.windowActive = 0;
  PostPlatformMessage({WM_KEYDOWN, VK_SPACE, 0});
  PostQuitMessage();
  EXPECT_EQ(WaitFrame(), 0);
  EXPECT_EQ(dispatched, (std::vector<uint32_t>{WM_KEYDOWN}));
  // Headless, an empty queue can never fill again: the wait reports quit
  // instead of hanging.
  EXPECT_EQ(WaitFrame(), 0);
  EXPECT_EQ(PumpMessages(), 0);
}

std::vector<uint32_t> observed;

void ObserveAndPost(uint32_t frame) {
  observed.push_back(frame);
  PostPlatformMessage({WM_KEYDOWN, frame, 0});
}

TEST_F(PacingTest, ObserverCountsWaitFrameCallsBeforeThePump) {
  observed.clear();
  SetFrameObserver(ObserveAndPost);
  Frame();
  Frame();
  PostQuitMessage();  // ahead of the observer's message
  EXPECT_EQ(WaitFrame(), 0);
  ASSERT_EQ(observed.size(), 3u);
  EXPECT_EQ(observed[1], observed[0] + 1);
  EXPECT_EQ(observed[2], observed[0] + 2);
  // A message posted by the observer is dispatched in the same frame's pump.
  EXPECT_EQ(dispatched, (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYDOWN}));
}

}  // namespace
