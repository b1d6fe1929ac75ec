// Platform surfaces: refusal rules, keyed and overlapping copies, scaling;
// the desktop's scale.
#include <gtest/gtest.h>

#include <memory>

#include "graphics_fixture.h"
#include "platform/desktop_scale.h"

using gfxtest::Coded;
using gfxtest::SurfaceMatches;

namespace {

using Surface = std::unique_ptr<PlatformSurface, void (*)(PlatformSurface*)>;
// Column 2 is black in Dot, so every copy also checks the colour key.
uint32_t Dot(int32_t x, int32_t y) { return x == 2 ? 0u : Coded(x, y); }
Surface Painted(int32_t w, int32_t h, uint32_t (*dot)(int32_t, int32_t) = Dot) {
  Surface s(CreatePlatformSurface(w, h), DestroyPlatformSurface);
  int32_t pitch = 0;
  uint8_t* p = PlatformSurfacePixelsMutable(s.get(), &pitch);
  for (int32_t i = 0; i < w * h; ++i) reinterpret_cast<uint32_t*>(p + i / w * pitch)[i % w] = dot(i % w, i / w);
  return s;
}

TEST(PlatformSurface, FillsAndBlitsRefuseAnyRectangleNotWhollyInsideOrLost) {
  Surface a = Painted(8, 6), b = Painted(8, 6);
  ASSERT_EQ(nullptr, CreatePlatformSurface(0, 5));
  FillPlatformSurface(a.get(), {0, 0, 8, 6}, 0x777777);
  const PlatformRect refused[] = {{-1, 0, 2, 2}, {0, -1, 2, 2}, {7, 0, 9, 2}, {0, 5, 2, 7},  // past an edge
                                  {3, 3, 3, 5},  {3, 3, 5, 3},  {5, 1, 2, 4}, {1, 4, 4, 1}}; // empty, inverted
  for (const PlatformRect& r : refused) {
    const PlatformRect corner = {0, 0, r.right - r.left, r.bottom - r.top};
    EXPECT_EQ(0, FillPlatformSurface(a.get(), r, 1) + BlitPlatformSurface(a.get(), r, b.get(), corner, 0) +
                     BlitPlatformSurface(a.get(), corner, b.get(), r, 1));
  }
  EXPECT_EQ(0, BlitPlatformSurface(a.get(), {0, 0, 2, 2}, b.get(), {0, 0, 3, 2}, 0));  // no stretching
  MarkPlatformSurfaceLost(b.get());
  EXPECT_EQ(0, FillPlatformSurface(b.get(), {0, 0, 1, 1}, 5) + ScaleCopySurface(a.get(), b.get(), 8, 6, 1) +
                   BlitPlatformSurface(a.get(), {0, 0, 1, 1}, b.get(), {0, 0, 1, 1}, 0));
  EXPECT_TRUE(SurfaceMatches(a.get(), 1, [](int32_t, int32_t) { return 0x777777u; }));
  EXPECT_EQ(1, RestorePlatformSurface(b.get()));
  // The whole surface is inside; a keyed copy skips exactly the black dots.
  EXPECT_EQ(1, BlitPlatformSurface(a.get(), {0, 0, 8, 6}, b.get(), {0, 0, 8, 6}, 1));
  EXPECT_TRUE(SurfaceMatches(a.get(), 1, [](int32_t x, int32_t y) { return x == 2 ? 0x777777u : Coded(x, y); }));
}

TEST(PlatformSurface, CopiesWithinOneSurfaceReadTheSourceWholeFirst) {
  for (int keyed = 0; keyed < 2; ++keyed) {  // shifted right, then down
    Surface t = Painted(6, 6, Coded);
    ASSERT_EQ(1, BlitPlatformSurface(t.get(), {1, 0, 6, 5}, t.get(), {0, 0, 5, 5}, keyed));
    ASSERT_EQ(1, BlitPlatformSurface(t.get(), {0, 1, 6, 6}, t.get(), {0, 0, 6, 5}, keyed));
    EXPECT_TRUE(SurfaceMatches(t.get(), 1, [](int32_t x, int32_t y) { return Coded(x ? x - 1 : 0, y ? y - 1 : 0); }))
        << "keyed " << keyed;
  }
}

TEST(PlatformSurface, ScaleCopyMakesBlocksAndCutsAtTheEdges) {
  Surface src = Painted(5, 4);
  Surface dst(CreatePlatformSurface(13, 8), DestroyPlatformSurface);  // 3x would need 15 x 12
  ASSERT_EQ(1, ScaleCopySurface(dst.get(), src.get(), 5, 4, 3));
  EXPECT_TRUE(SurfaceMatches(dst.get(), 3, Dot));
  FillPlatformSurface(dst.get(), {0, 0, 13, 8}, 0x777777);
  ASSERT_EQ(1, ScaleCopySurface(dst.get(), src.get(), 2, 3, 2));  // only the part asked for
  EXPECT_TRUE(SurfaceMatches(dst.get(), 1, [](int32_t x, int32_t y) { return x < 4 && y < 6 ? Dot(x / 2, y / 2) : 0x777777u; }));
  EXPECT_EQ(0, ScaleCopySurface(dst.get(), src.get(), 6, 4, 1));  // more than src holds
}

// GDK_SCALE when whole, else Xft.dpi in whole doublings of 96, capped.
TEST(DesktopScale, FromGdkScaleAndXftDpi) {
  const char* k2x = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";
  const struct { const char *gdk, *resources; int32_t expected; } cases[] = {
      {nullptr, nullptr, 1}, {"2", nullptr, 2}, {"1", k2x, 1}, {"3", k2x, 3}, {"1.5", k2x, 2}, {"", nullptr, 1},
      {"0", nullptr, 1}, {"-2", nullptr, 1}, {"2x", nullptr, 1}, {"99999999999", nullptr, kMaxDesktopScale},
      {nullptr, "Xft.dpi:\t288", 3}, {nullptr, "Xft.dpi :  240.5\n", 2}, {nullptr, "Xft.dpi: 191\n", 1},
      {nullptr, "Xft.dpiX: 192\nXterm*Xft.dpi: 192\n", 1}, {nullptr, "Xft.dpi: high\n", 1}};
  for (const auto& c : cases) EXPECT_EQ(DesktopScaleFrom(c.gdk, c.resources), c.expected) << c.gdk << " / " << c.resources;
}

}  // namespace
