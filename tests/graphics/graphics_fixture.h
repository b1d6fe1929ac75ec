// Shared by the graphics tests: a display opened headless on a temporary data
// directory, and a check of every device dot of a surface against a model.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "graphics/display.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "tests/hardening/bmp_image.h"

namespace gfxtest {

// A dot that names its own position and is never black.
inline uint32_t Coded(int32_t x, int32_t y) { return static_cast<uint32_t>((x + 1) | ((y + 1) << 12)); }

// Opens the display on a fresh /tmp directory with a 320 x 240 screen at
// magnification m; closes it afterwards and checks that the area count came
// back to where it started.
class DisplayTest : public ::testing::Test {
 protected:
  DisplayTest() {
    char name[] = "/tmp/zorrit-gfx-XXXXXX";
    if (mkdtemp(name)) dir = name;
  }
  ~DisplayTest() override { std::system(("rm -rf '" + dir + "'").c_str()); }
  void Open(int32_t m, PlatformWindow* window = nullptr) {
    baseline = VideoBytesInUse();
    ASSERT_EQ(1, OpenDisplay(window, dir.c_str()));
    ASSERT_EQ(1, CreateScreen(window, 320, 240, m));
  }
  void TearDown() override {
    CloseDisplay(nullptr);
    DestroyPlatformWindow(window);
    EXPECT_EQ(baseline, VideoBytesInUse());
    EXPECT_EQ(nullptr, displayState.back);
  }
  // Writes a 24-bit w x h BMP of dot(x, y) into the data directory; returns its name.
  template <typename Dot>
  std::string File(const std::string& name, int32_t w, int32_t h, Dot dot) {
    EXPECT_TRUE(bmp::WriteFile(dir + "/" + name, bmp::Make({w, h}, {}, dot)));
    return name;
  }
  std::string dir;
  int32_t baseline = 0;
  PlatformWindow* window = nullptr;  // a test's headless window, if it makes one
};

// Every device dot of s against expected(logical x, logical y) at
// magnification m; says where the first difference is.
template <typename Expected>
::testing::AssertionResult SurfaceMatches(const PlatformSurface* s, int32_t m, Expected expected) {
  for (int32_t i = 0; i < PlatformSurfaceWidth(s) * PlatformSurfaceHeight(s); ++i) {
    const int32_t x = i % PlatformSurfaceWidth(s), y = i / PlatformSurfaceWidth(s);
    if (expected(x / m, y / m) != ReadPlatformDot(s, x, y))
      return ::testing::AssertionFailure() << "device dot (" << x << "," << y << "): want " << std::hex
                                           << expected(x / m, y / m) << ", got " << ReadPlatformDot(s, x, y);
  }
  return ::testing::AssertionSuccess();
}

}  // namespace gfxtest
