// Shared by the graphics tests: BMP images made in memory, a temporary data
// directory, and a display opened at a chosen magnification.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "graphics/display.h"
#include "platform/surface.h"

namespace gfxtest {

// A dot pattern that names its own position and is never black:
// (x + 1) in the low 12 bits, (y + 1) above. Used to check where every
// source dot landed.
inline uint32_t Coded(int32_t x, int32_t y) {
  return static_cast<uint32_t>((x + 1) | ((y + 1) << 12));
}

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(v & 0xFF);
  b.push_back((v >> 8) & 0xFF);
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A bottom-up BMP of w x h dots, rows given from the top. With a palette
// (0x00RRGGBB entries) the dots are 8-bit indices; without, 24-bit colours.
inline std::vector<uint8_t> Bmp(int32_t w, int32_t h, const std::vector<uint32_t>& dots,
                                const std::vector<uint32_t>& palette = {}) {
  const uint32_t bytesPerDot = palette.empty() ? 3 : 1;
  const uint32_t stride = (w * bytesPerDot + 3) & ~3u;
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
  std::vector<uint8_t> b = {'B', 'M'};
  for (uint32_t v : {offset + stride * h, 0u, offset, 40u, uint32_t(w), uint32_t(h)}) Put32(b, v);
  Put16(b, 1);
  Put16(b, 8 * bytesPerDot);
  for (uint32_t v : {0u, stride * h, 2835u, 2835u, uint32_t(palette.size()), 0u}) Put32(b, v);
  for (uint32_t c : palette) Put32(b, c);  // B, G, R, 0 in memory
  for (int32_t y = h - 1; y >= 0; --y) {
    for (int32_t x = 0; x < w; ++x)
      for (uint32_t k = 0; k < bytesPerDot; ++k) b.push_back((dots[y * w + x] >> (8 * k)) & 0xFF);
    for (uint32_t p = w * bytesPerDot; p < stride; ++p) b.push_back(0);
  }
  return b;
}

// w x h dots of Coded(x, y), with black wherever hole(x, y) says so.
template <typename Hole>
std::vector<uint32_t> CodedDots(int32_t w, int32_t h, Hole hole) {
  std::vector<uint32_t> dots(static_cast<size_t>(w) * h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) dots[y * w + x] = hole(x, y) ? 0u : Coded(x, y);
  return dots;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// A fresh directory under /tmp, removed with everything in it at the end.
struct TempDir {
  std::string path;
  TempDir() {
    char name[] = "/tmp/zorrit-gfx-XXXXXX";
    if (mkdtemp(name)) path = name;
  }
  ~TempDir() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
};

// Opens the display headless on a temp data directory with a 320 x 240
// screen at the test's magnification; closes it afterwards and checks that
// the area count came back to where it started.
class DisplayTest : public ::testing::Test {
 protected:
  void Open(int32_t m) {
    baseline = VideoBytesInUse();
    ASSERT_EQ(1, OpenDisplay(nullptr, dir.path.c_str()));
    ASSERT_EQ(1, CreateScreen(nullptr, 320, 240, m));
  }
  void TearDown() override {
    CloseDisplay(nullptr);
    EXPECT_EQ(baseline, VideoBytesInUse());
    EXPECT_EQ(nullptr, displayState.back);
  }
  // Writes a BMP into the data directory; returns its bare name.
  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(WriteFile(dir.path + "/" + name, bytes));
    return name;
  }

  TempDir dir;
  int32_t baseline = 0;
};

// Compares every device dot of a surface with expected(logical x, logical y)
// at magnification m; reports the first few differences.
template <typename Expected>
::testing::AssertionResult SurfaceMatches(const PlatformSurface* s, int32_t m, Expected expected) {
  int failures = 0;
  std::string report;
  for (int32_t y = 0; y < PlatformSurfaceHeight(s); ++y) {
    for (int32_t x = 0; x < PlatformSurfaceWidth(s); ++x) {
      const uint32_t want = expected(x / m, y / m);
      const uint32_t got = ReadPlatformDot(s, x, y);
      if (want != got && failures++ < 5) {
        char line[96];
        std::snprintf(line, sizeof line, " device (%d,%d): want %06x got %06x;", x, y, want, got);
        report += line;
      }
    }
  }
  if (failures == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << failures << " dots differ:" << report;
}

}  // namespace gfxtest
