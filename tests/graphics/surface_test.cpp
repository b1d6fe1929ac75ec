// Platform surfaces: refusal rules, keyed copies, scaling, colour references.
#include <gtest/gtest.h>

#include <vector>

#include "graphics_fixture.h"
#include "platform/surface.h"

using gfxtest::Coded;

namespace {

struct Owned {
  PlatformSurface* s;
  explicit Owned(PlatformSurface* p) : s(p) {}
  ~Owned() { DestroyPlatformSurface(s); }
};

void Paint(PlatformSurface* s, uint32_t (*f)(int32_t, int32_t)) {
  int32_t pitch = 0;
  uint8_t* p = PlatformSurfacePixelsMutable(s, &pitch);
  for (int32_t y = 0; y < PlatformSurfaceHeight(s); ++y)
    for (int32_t x = 0; x < PlatformSurfaceWidth(s); ++x)
      reinterpret_cast<uint32_t*>(p + y * pitch)[x] = f(x, y);
}

uint32_t CodedDot(int32_t x, int32_t y) { return Coded(x, y); }

TEST(PlatformSurface, FillsAndBlitsRefuseAnyRectangleNotWhollyInside) {
  Owned a(CreatePlatformSurface(8, 6));
  Owned b(CreatePlatformSurface(8, 6));
  ASSERT_TRUE(a.s && b.s);
  ASSERT_EQ(nullptr, CreatePlatformSurface(0, 5));
  Paint(b.s, CodedDot);

  const PlatformRect refused[] = {
      {-1, 0, 2, 2}, {0, -1, 2, 2}, {7, 0, 9, 2}, {0, 5, 2, 7},  // past an edge
      {3, 3, 3, 5},  {3, 3, 5, 3},                                // empty
      {5, 1, 2, 4},  {1, 4, 4, 1},                                // inverted
  };
  for (const PlatformRect& r : refused) {
    EXPECT_EQ(0, FillPlatformSurface(a.s, r, 0x112233));
    EXPECT_EQ(0, BlitPlatformSurface(a.s, r, b.s, PlatformRect{0, 0, r.right - r.left, r.bottom - r.top}, 0));
    EXPECT_EQ(0, BlitPlatformSurface(a.s, PlatformRect{0, 0, r.right - r.left, r.bottom - r.top}, b.s, r, 1));
  }
  // Sizes that differ are refused rather than stretched.
  EXPECT_EQ(0, BlitPlatformSurface(a.s, PlatformRect{0, 0, 2, 2}, b.s, PlatformRect{0, 0, 3, 2}, 0));
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 8; ++x) ASSERT_EQ(0u, ReadPlatformDot(a.s, x, y)) << x << "," << y;

  // The whole surface is the largest rectangle accepted.
  EXPECT_EQ(1, FillPlatformSurface(a.s, PlatformRect{0, 0, 8, 6}, 0x010203));
  EXPECT_EQ(0x010203u, ReadPlatformDot(a.s, 7, 5));

  // Lost: refused as destination and as source until restored.
  MarkPlatformSurfaceLost(a.s);
  EXPECT_EQ(1, IsPlatformSurfaceLost(a.s));
  EXPECT_EQ(0, FillPlatformSurface(a.s, PlatformRect{0, 0, 1, 1}, 5));
  EXPECT_EQ(0, BlitPlatformSurface(b.s, PlatformRect{0, 0, 1, 1}, a.s, PlatformRect{0, 0, 1, 1}, 0));
  EXPECT_EQ(0, ScaleCopySurface(a.s, b.s, 8, 6, 1));
  EXPECT_EQ(Coded(0, 0), ReadPlatformDot(b.s, 0, 0));
  EXPECT_EQ(1, RestorePlatformSurface(a.s));
  EXPECT_EQ(1, FillPlatformSurface(a.s, PlatformRect{0, 0, 1, 1}, 5));
  EXPECT_EQ(5u, ReadPlatformDot(a.s, 0, 0));
}

TEST(PlatformSurface, KeyedBlitSkipsOnlyExactBlackAndOverlapsCopyCorrectly) {
  Owned src(CreatePlatformSurface(4, 1));
  Owned dst(CreatePlatformSurface(4, 2));
  int32_t pitch = 0;
  uint32_t* s = reinterpret_cast<uint32_t*>(PlatformSurfacePixelsMutable(src.s, &pitch));
  s[0] = 0; s[1] = 0x000001; s[2] = 0x010000; s[3] = 0;
  FillPlatformSurface(dst.s, PlatformRect{0, 0, 4, 2}, 0xABCDEF);

  ASSERT_EQ(1, BlitPlatformSurface(dst.s, PlatformRect{0, 0, 4, 1}, src.s, PlatformRect{0, 0, 4, 1}, 1));
  ASSERT_EQ(1, BlitPlatformSurface(dst.s, PlatformRect{0, 1, 4, 2}, src.s, PlatformRect{0, 0, 4, 1}, 0));
  const uint32_t keyed[] = {0xABCDEF, 0x000001, 0x010000, 0xABCDEF};
  const uint32_t plain[] = {0, 0x000001, 0x010000, 0};
  for (int32_t x = 0; x < 4; ++x) {
    EXPECT_EQ(keyed[x], ReadPlatformDot(dst.s, x, 0)) << x;
    EXPECT_EQ(plain[x], ReadPlatformDot(dst.s, x, 1)) << x;
  }

  // Within one surface, shifted right and down by one, keyed and plain: the
  // result is as if the source had been read whole first.
  for (int keyedBlit = 0; keyedBlit < 2; ++keyedBlit) {
    Owned t(CreatePlatformSurface(6, 6));
    Paint(t.s, CodedDot);
    ASSERT_EQ(1, BlitPlatformSurface(t.s, PlatformRect{1, 0, 6, 5}, t.s, PlatformRect{0, 0, 5, 5}, keyedBlit));
    ASSERT_EQ(1, BlitPlatformSurface(t.s, PlatformRect{0, 1, 6, 6}, t.s, PlatformRect{0, 0, 6, 5}, keyedBlit));
    for (int32_t y = 1; y < 6; ++y)
      for (int32_t x = 0; x < 6; ++x) {
        const uint32_t want = x == 0 ? Coded(0, y - 1) : Coded(x - 1, y - 1);
        ASSERT_EQ(want, ReadPlatformDot(t.s, x, y)) << x << "," << y << " keyed " << keyedBlit;
      }
  }
}

TEST(PlatformSurface, ScaleCopyMakesBlocksAndCutsAtTheEdges) {
  Owned src(CreatePlatformSurface(5, 4));
  Paint(src.s, CodedDot);
  Owned dst(CreatePlatformSurface(13, 8));  // 3x: 15 x 12 would be needed
  FillPlatformSurface(dst.s, PlatformRect{0, 0, 13, 8}, 0x777777);
  ASSERT_EQ(1, ScaleCopySurface(dst.s, src.s, 5, 4, 3));
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 13; ++x) ASSERT_EQ(Coded(x / 3, y / 3), ReadPlatformDot(dst.s, x, y));

  // Only the part asked for is copied; the rest of dst stays.
  Owned big(CreatePlatformSurface(12, 12));
  FillPlatformSurface(big.s, PlatformRect{0, 0, 12, 12}, 0x777777);
  ASSERT_EQ(1, ScaleCopySurface(big.s, src.s, 2, 3, 2));
  for (int32_t y = 0; y < 12; ++y)
    for (int32_t x = 0; x < 12; ++x)
      ASSERT_EQ(x < 4 && y < 6 ? Coded(x / 2, y / 2) : 0x777777u, ReadPlatformDot(big.s, x, y));
  EXPECT_EQ(0, ScaleCopySurface(big.s, src.s, 6, 4, 1));  // more than src holds
}

// Decoding is checked layout by layout in the hardening tests and on the
// shipped bitmaps in the art tests; here only that near-black stays itself.
TEST(PlatformSurface, MovesOntoCallersMemoryAndBackWithItsDots) {
  Owned a(CreatePlatformSurface(5, 3));
  ASSERT_TRUE(a.s);
  Paint(a.s, CodedDot);
  // The caller's rows are wider than the surface; the spare dots stay untouched.
  const int32_t kPitch = 8 * 4;
  std::vector<uint32_t> memory(8 * 3, 0xABCDEF);
  EXPECT_EQ(0, MovePlatformSurface(a.s, memory.data(), 4 * 4, 1));  // rows too short
  ASSERT_EQ(1, MovePlatformSurface(a.s, memory.data(), kPitch, 1));
  int32_t pitch = 0;
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(memory.data()), PlatformSurfacePixels(a.s, &pitch));
  EXPECT_EQ(kPitch, pitch);
  for (int32_t y = 0; y < 3; ++y) {
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(Coded(x, y), memory[y * 8 + x]);
    for (int32_t x = 5; x < 8; ++x) EXPECT_EQ(0xABCDEFu, memory[y * 8 + x]);
  }
  // Drawing lands in the caller's memory, keyed blits included.
  ASSERT_EQ(1, FillPlatformSurface(a.s, {1, 1, 3, 2}, 0x123456));
  EXPECT_EQ(0x123456u, memory[8 + 2]);
  // Back onto memory of its own, dots and all; the caller's is left alone.
  ASSERT_EQ(1, MovePlatformSurface(a.s, nullptr, 0, 1));
  ASSERT_EQ(1, FillPlatformSurface(a.s, {0, 0, 5, 3}, 0x654321));
  EXPECT_EQ(0x123456u, memory[8 + 2]);
  // Without the dots: the caller's memory as it is, then black memory of its own.
  ASSERT_EQ(1, MovePlatformSurface(a.s, memory.data(), kPitch, 0));
  EXPECT_EQ(0x123456u, ReadPlatformDot(a.s, 2, 1));
  EXPECT_EQ(Coded(4, 2), ReadPlatformDot(a.s, 4, 2));
  ASSERT_EQ(1, MovePlatformSurface(a.s, nullptr, 0, 0));
  EXPECT_EQ(0u, ReadPlatformDot(a.s, 2, 1));
  EXPECT_EQ(5, PlatformSurfaceWidth(a.s));
  EXPECT_EQ(3, PlatformSurfaceHeight(a.s));
}

TEST(PlatformSurface, NearBlackDecodesToItselfAndColourReferencesSwapRedAndBlue) {
  const std::vector<uint32_t> palette = {0x000000, 0x000001};
  for (const std::vector<uint8_t>& bytes : {gfxtest::Bmp(2, 1, {1, 0}, palette), gfxtest::Bmp(2, 1, {1, 0})}) {
    Owned d(DecodeBitmap(bytes.data(), bytes.size()));
    ASSERT_NE(nullptr, d.s);
    EXPECT_EQ(0x000001u, ReadPlatformDot(d.s, 0, 0));
    EXPECT_EQ(0u, ReadPlatformDot(d.s, 1, 0));
  }
  EXPECT_EQ(0x00FF0000u, NativeFromColorRef(0x000000FF));
  EXPECT_EQ(0x000000F0u, NativeFromColorRef(0x00F00000));
  EXPECT_EQ(0x00563412u, NativeFromColorRef(0xFF123456));
}

}  // namespace
