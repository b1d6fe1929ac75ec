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

// A bottom-up BMP of w x h dots, 24 bits per dot, from native values
// 0x00RRGGBB given row by row from the top.
inline std::vector<uint8_t> Bmp24(int32_t w, int32_t h, const std::vector<uint32_t>& dots) {
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, 54 + stride * h);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  for (int32_t y = h - 1; y >= 0; --y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = dots[y * w + x];
      b.push_back(v & 0xFF);
      b.push_back((v >> 8) & 0xFF);
      b.push_back((v >> 16) & 0xFF);
    }
    for (uint32_t p = w * 3; p < stride; ++p) b.push_back(0);
  }
  return b;
}

// A bottom-up 8-bit palette BMP: palette entries as 0x00RRGGBB, dots as indices.
inline std::vector<uint8_t> Bmp8(int32_t w, int32_t h, const std::vector<uint32_t>& palette,
                                 const std::vector<uint8_t>& indices) {
  const uint32_t stride = (static_cast<uint32_t>(w) + 3) & ~3u;
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(palette.size());
  std::vector<uint8_t> b;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + stride * h);
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);
  Put32(b, stride * h);
  Put32(b, 2835);
  Put32(b, 2835);
  Put32(b, static_cast<uint32_t>(palette.size()));
  Put32(b, 0);
  for (uint32_t c : palette) Put32(b, c);  // B, G, R, 0 in memory
  for (int32_t y = h - 1; y >= 0; --y) {
    for (int32_t x = 0; x < w; ++x) b.push_back(indices[y * w + x]);
    for (uint32_t p = w; p < stride; ++p) b.push_back(0);
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
