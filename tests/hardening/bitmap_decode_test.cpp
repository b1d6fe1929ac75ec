// The BMP decoder against SDL's BMP reader and converter, which decoded the
// program's bitmaps before the decoder did: on generated bitmaps of every
// layout, on the same bitmaps with bytes changed and cut short, and on random
// run-length streams, both refuse the same bitmaps and give the same dots.
// Two differences are meant: 5-6-5 green is scaled like every other narrow
// channel (SDL's 5-6-5 converter gave 254 for full green), and colour masks
// SDL has no pixel format for are decoded rather than refused.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "bmp_image.h"
#include "platform/bitmap_check.h"
#include "platform/surface.h"

namespace {

using hardening::BmpLayout;
using hardening::MakeBmp;

struct Decoded {
  bool ok = false;
  int32_t w = 0, h = 0;
  std::vector<uint32_t> dots;
};

// The old road: the size checks, SDL_LoadBMP_RW, conversion to 0x00RRGGBB.
Decoded BySdl(const std::vector<uint8_t>& b) {
  Decoded d;
  if (!CheckBitmapBytes(b.data(), b.size())) return d;
  SDL_Surface* read = SDL_LoadBMP_RW(SDL_RWFromConstMem(b.data(), static_cast<int>(b.size())), 1);
  if (!read) return d;
  SDL_Surface* native = SDL_ConvertSurfaceFormat(read, SDL_PIXELFORMAT_RGB888, 0);
  SDL_FreeSurface(read);
  if (!native) return d;
  d.ok = true;
  d.w = native->w;
  d.h = native->h;
  for (int32_t y = 0; y < d.h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(native->pixels) + y * native->pitch);
    for (int32_t x = 0; x < d.w; ++x) d.dots.push_back(row[x] & 0xFFFFFFu);
  }
  SDL_FreeSurface(native);
  return d;
}

Decoded Ours(const std::vector<uint8_t>& b) {
  Decoded d;
  PlatformSurface* s = DecodeBitmap(b.data(), b.size());
  if (!s) return d;
  d.ok = true;
  d.w = PlatformSurfaceWidth(s);
  d.h = PlatformSurfaceHeight(s);
  for (int32_t y = 0; y < d.h; ++y)
    for (int32_t x = 0; x < d.w; ++x) d.dots.push_back(ReadPlatformDot(s, x, y));
  DestroyPlatformSurface(s);
  return d;
}

// Whether SDL has a pixel format for the bitmap's colour masks (the alpha
// mask counts from a 56-byte header on).
bool MasksSdlKnows(const std::vector<uint8_t>& b) {
  if (b.size() < 70 || b[30] != hardening::kBiBitFields) return true;
  auto le32 = [&](size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
  };
  const uint32_t bits = b[28] | b[29] << 8;
  const uint32_t masks[4] = {le32(54), le32(58), le32(62), le32(14) >= 56 ? le32(66) : 0};
  const uint32_t known16[][4] = {
      {0x7C00, 0x03E0, 0x001F, 0},      {0xF800, 0x07E0, 0x001F, 0},      {0x001F, 0x03E0, 0x7C00, 0},
      {0x001F, 0x07E0, 0xF800, 0},      {0x0F00, 0x00F0, 0x000F, 0},      {0x000F, 0x00F0, 0x0F00, 0},
      {0x7C00, 0x03E0, 0x001F, 0x8000}, {0x001F, 0x03E0, 0x7C00, 0x8000}, {0x0F00, 0x00F0, 0x000F, 0xF000},
      {0x000F, 0x00F0, 0x0F00, 0xF000}};
  const uint32_t known32[][4] = {{0xFF0000, 0xFF00, 0xFF, 0},
                                 {0xFF, 0xFF00, 0xFF0000, 0},
                                 {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
                                 {0xFF, 0xFF00, 0xFF0000, 0xFF000000}};
  auto in = [&](const auto& list) {
    for (const auto& k : list)
      if (masks[0] == k[0] && masks[1] == k[1] && masks[2] == k[2] && masks[3] == k[3]) return true;
    return false;
  };
  return bits == 16 ? in(known16) : bits == 32 ? in(known32) : true;
}

// "" when both agree (allowing the two meant differences); else what differs.
std::string Compare(const std::vector<uint8_t>& b) {
  const Decoded sdl = BySdl(b);
  const Decoded ours = Ours(b);
  if (!sdl.ok && ours.ok && !MasksSdlKnows(b)) return "";
  if (sdl.ok != ours.ok) return std::string("SDL ") + (sdl.ok ? "decodes" : "refuses") + ", ours " + (ours.ok ? "decodes" : "refuses");
  if (!sdl.ok) return "";
  if (sdl.w != ours.w || sdl.h != ours.h) return "sizes differ";
  for (size_t i = 0; i < sdl.dots.size(); ++i) {
    const uint32_t s = sdl.dots[i], o = ours.dots[i];
    if (s == o) continue;
    const bool green565 = (s & 0xFF00FF) == (o & 0xFF00FF) && ((o >> 8) & 0xFF) == ((s >> 8) & 0xFF) + 1;
    if (green565) continue;
    char text[96];
    std::snprintf(text, sizeof text, "dot %zu: SDL %06x, ours %06x", i, s, o);
    return text;
  }
  return "";
}

// Found by the bitmap fuzzer: a colour mask of all 32 bits shifted a 32-bit
// value by 32. Such a channel keeps its top 8 bits, like any wide one.
TEST(BitmapDecode, AChannelMaskOfAllThirtyTwoBitsKeepsItsTopEightBits) {
  std::vector<uint8_t> b(14 + 40 + 12 + 4, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, 14 + 40 + 12);  // the dots follow the three masks
  put32(14, 40);
  put32(18, 1);  // 1 x 1
  put32(22, 1);
  b[26] = 1;   // planes
  b[28] = 32;  // bits per dot
  put32(30, 3);  // colour masks
  put32(54, 0xFFFFFFFFu);
  put32(58, 0x0000FF00u);
  put32(62, 0x000000FFu);
  put32(66, 0x12345678u);
  const Decoded d = Ours(b);
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(0x125678u, d.dots.at(0));
}

TEST(BitmapDecode, EverySixteenBitValueAsSdlWidensIt) {
  for (uint32_t compression : {hardening::kBiRgb, hardening::kBiBitFields}) {
    std::vector<uint8_t> b = MakeBmp({256, 256, 16, compression}, {}, [](int32_t, int32_t) { return 0u; });
    const size_t offset = b[10] | b[11] << 8;
    for (uint32_t v = 0; v < 65536; ++v) {  // stored bottom row first: value v at row v / 256 from the top
      const size_t at = offset + ((255 - v / 256) * 256 + v % 256) * 2;
      b[at] = static_cast<uint8_t>(v);
      b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    EXPECT_EQ(Compare(b), "") << "compression " << compression;
  }
  // 5-6-5 full green is 255 here; SDL's 5-6-5 converter gave 254.
  const std::vector<uint8_t> green =
      MakeBmp({4, 1, 16, hardening::kBiBitFields}, {}, [](int32_t, int32_t) { return 0x00FF00u; });
  PlatformSurface* s = DecodeBitmap(green.data(), green.size());
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(ReadPlatformDot(s, 0, 0), 0x00FF00u);
  DestroyPlatformSurface(s);
}

TEST(BitmapDecode, GeneratedChangedAndCutBitmapsDecodeAsSdlDecodedThem) {
  std::mt19937 rng(20261207);
  std::vector<uint32_t> palette(256);
  for (uint32_t& c : palette) c = rng() & 0xFFFFFF;
  const BmpLayout layouts[] = {
      {13, 5, 1},  {7, 5, 2},  {7, 5, 4},  {7, 5, 8},  {7, -5, 8},  {9, -3, 4},
      {7, 5, 8, hardening::kBiRgb, 12},    {6, 5, 4, hardening::kBiRgb, 12},
      {7, 5, 4, hardening::kBiRle4},       {7, 5, 8, hardening::kBiRle8},
      {7, 5, 16},                          {7, 5, 16, hardening::kBiBitFields},
      {7, 5, 16, hardening::kBiBitFields, 108},
      {7, 5, 24}, {7, -5, 24},             {7, 5, 24, hardening::kBiRgb, 124},
      {7, 5, 32},                          {7, 5, 32, hardening::kBiBitFields},
      {5, 3, 32, hardening::kBiBitFields, 56}, {8, 4, 8, hardening::kBiRgb, 64},
  };
  int checked = 0;
  for (int i = 0; i < 20000; ++i) {
    const BmpLayout& l = layouts[i % (sizeof layouts / sizeof layouts[0])];
    uint32_t colours = l.bits <= 8 ? 1u << l.bits : 0;
    if (l.bits == 8) colours = 1 + rng() % 256;
    const std::vector<uint32_t> p(palette.begin(), palette.begin() + colours);
    std::vector<uint8_t> b = MakeBmp(l, p, [&](int32_t, int32_t) {
      return l.bits <= 8 ? static_cast<uint32_t>(rng() % colours) : static_cast<uint32_t>(rng() & 0xFFFFFF);
    });
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) b[rng() % b.size()] = static_cast<uint8_t>(rng());
    if (rng() % 5 == 0) b.resize(b.size() - rng() % 8);
    ASSERT_EQ(Compare(b), "") << "case " << i;
    ++checked;
  }
  EXPECT_EQ(checked, 20000);
}

TEST(BitmapDecode, RandomRunLengthStreamsDecodeAsSdlDecodedThem) {
  // Runs, literal stretches, moves, row ends and (mostly) the end mark, in
  // any order: runs spill over row ends, moves leave the image, streams stop
  // short.
  std::mt19937 rng(4711);
  for (int i = 0; i < 4000; ++i) {
    const bool rle8 = i % 2 == 0;
    const int32_t w = 1 + static_cast<int32_t>(rng() % 12), h = 1 + static_cast<int32_t>(rng() % 6);
    std::vector<uint8_t> b = MakeBmp({w, h, static_cast<uint16_t>(rle8 ? 8 : 4), rle8 ? hardening::kBiRle8 : hardening::kBiRle4},
                                     {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x102030, 0x405060, 0x708090,
                                      0xA0B0C0, 0xD0E0F0, 0x010203, 0x040506, 0x070809, 0x0A0B0C, 0x0D0E0F, 0xFFFFFF},
                                     [](int32_t, int32_t) { return 0u; });
    const size_t offset = b[10] | b[11] << 8;
    b.resize(offset);
    for (int op = static_cast<int>(rng() % 12); op > 0; --op) {
      switch (rng() % 5) {
        case 0: b.push_back(static_cast<uint8_t>(1 + rng() % 20)); b.push_back(static_cast<uint8_t>(rng())); break;
        case 1: {
          const uint32_t n = 3 + rng() % 10;
          b.push_back(0);
          b.push_back(static_cast<uint8_t>(n));
          const uint32_t bytes = rle8 ? n : (n + 1) / 2;
          for (uint32_t k = 0; k < bytes + (bytes & 1); ++k) b.push_back(static_cast<uint8_t>(rng()));
          break;
        }
        case 2: b.insert(b.end(), {0, 2, static_cast<uint8_t>(rng() % 6), static_cast<uint8_t>(rng() % 3)}); break;
        case 3: b.insert(b.end(), {0, 0}); break;
        default: b.push_back(static_cast<uint8_t>(rng() % 3)); break;  // a stray byte
      }
    }
    if (rng() % 8) b.insert(b.end(), {0, 1});
    hardening::Set32(b, 2, static_cast<uint32_t>(b.size()));
    ASSERT_EQ(Compare(b), "") << "case " << i;
  }
}

}  // namespace
