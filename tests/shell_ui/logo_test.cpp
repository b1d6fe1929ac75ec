// The start-up logo as it lands on the back surface of the headless display.
#include <gtest/gtest.h>

#include "graphics/display.h"
#include "shell/logo.h"

namespace {

constexpr uint32_t kFill = 0xF0F0F0;     // native light grey
constexpr uint32_t kOutline = 0x0000F0;  // native blue
constexpr int32_t kCanvasX = 96, kCanvasY = 112;

class LogoTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(OpenDisplay(nullptr, nullptr), 1);
    ASSERT_EQ(CreateScreen(nullptr, 320, 240, 1), 1);
  }
  void TearDown() override { CloseDisplay(nullptr); }
  static uint32_t Dot(int32_t x, int32_t y) { return ReadPlatformDot(displayState.back, x, y); }
};

// Shown twice: the second call draws into the canvas the first one made.
TEST_F(LogoTest, OnlyTheMarkOnBlackWithOutlineBesideItsStrokes) {
  ShowLogo();
  PlatformSurface* canvas = displayState.slots[0].surface;
  ShowLogo();
  EXPECT_EQ(displayState.slots[0].surface, canvas);
  int fillTop = 99, fillBottom = -1, fillLeft = 999, fillRight = -1, blue = 0;
  for (int32_t y = 0; y < 240; ++y) {
    for (int32_t x = 0; x < 320; ++x) {
      const uint32_t c = Dot(x, y);
      const int inCanvas = x >= kCanvasX && x < kCanvasX + 128 && y >= kCanvasY && y < kCanvasY + 16;
      if (!inCanvas) {
        ASSERT_EQ(c, 0u) << "outside the canvas at " << x << "," << y;
        continue;
      }
      const int32_t cx = x - kCanvasX, cy = y - kCanvasY;
      if (c == kFill) {
        fillTop = std::min(fillTop, cy);
        fillBottom = std::max(fillBottom, cy);
        fillLeft = std::min(fillLeft, cx);
        fillRight = std::max(fillRight, cx);
      } else if (c == kOutline) {
        ++blue;
        // Outline only at the left and right of a stroke: fill within two
        // dots in the same row, never alone above or below.
        int beside = 0;
        for (int d : {-2, -1, 1, 2}) beside |= Dot(x + d, y) == kFill;
        EXPECT_TRUE(beside) << "outline dot not beside the fill at " << cx << "," << cy;
      } else {
        ASSERT_EQ(c, 0u) << "unexpected colour at " << cx << "," << cy;
      }
    }
  }
  EXPECT_EQ(fillTop, 3);
  EXPECT_EQ(fillBottom, 13);
  EXPECT_GE(fillLeft, 28);
  EXPECT_LE(fillRight, 101);
  EXPECT_GT(blue, 20);
}

}  // namespace
