// The BMP reader decodes as SDL's reader and converter (which decoded the
// program's bitmaps before it) did: generated bitmaps of every layout, changed
// and cut, and random run-length streams; meant differences: 5-6-5 green is
// scaled like any narrow channel (SDL gave 254 for full green), masks SDL has
// no format for are decoded. Short, huge and lying headers are refused.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "bmp_image.h"
#include "platform/bitmap_check.h"
#include "platform/surface.h"

namespace {

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
  SDL_Surface* native = read ? SDL_ConvertSurfaceFormat(read, SDL_PIXELFORMAT_RGB888, 0) : nullptr;
  SDL_FreeSurface(read);
  if (!native) return d;
  d = {true, native->w, native->h, {}};
  for (int32_t i = 0; i < d.w * d.h; ++i)
    d.dots.push_back(reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(native->pixels) + i / d.w * native->pitch)[i % d.w] & 0xFFFFFF);
  SDL_FreeSurface(native);
  return d;
}

Decoded Ours(const std::vector<uint8_t>& b, size_t size = SIZE_MAX) {
  PlatformSurface* s = DecodeBitmap(b.data(), size == SIZE_MAX ? b.size() : size);
  Decoded d = {s != nullptr, PlatformSurfaceWidth(s), PlatformSurfaceHeight(s), {}};
  for (int32_t i = 0; i < d.w * d.h; ++i) d.dots.push_back(ReadPlatformDot(s, i % d.w, i / d.w));
  DestroyPlatformSurface(s);
  return d;
}

// "" when both agree (allowing the two meant differences); else what differs.
std::string Compare(const std::vector<uint8_t>& b) {
  const Decoded sdl = BySdl(b), ours = Ours(b);
  if (!sdl.ok && ours.ok && b.size() > 30 && b[30] == bmp::kBitFields) return "";  // masks SDL has no format for
  if (sdl.ok != ours.ok) return sdl.ok ? "SDL decodes, ours refuses" : "SDL refuses, ours decodes";
  if (sdl.w != ours.w || sdl.h != ours.h) return "sizes differ";
  for (size_t i = 0; i < sdl.dots.size(); ++i) {
    const uint32_t s = sdl.dots[i], o = ours.dots[i];
    if (s == o || ((s & 0xFF00FF) == (o & 0xFF00FF) && ((o >> 8) & 0xFF) == ((s >> 8) & 0xFF) + 1)) continue;
    return "dot " + std::to_string(i) + ": SDL " + std::to_string(s) + ", ours " + std::to_string(o);
  }
  return "";
}

TEST(BitmapDecode, GeneratedChangedAndCutBitmapsDecodeAsSdlDecodedThem) {
  std::mt19937 rng(20261207);
  std::vector<uint32_t> palette(256);
  for (uint32_t& c : palette) c = rng() & 0xFFFFFF;
  const bmp::Layout layouts[] = {
      {13, 5, 1}, {7, 5, 2}, {7, 5, 4}, {7, 5, 8}, {7, -5, 8}, {9, -3, 4}, {7, 5, 8, bmp::kRgb, 12},
      {6, 5, 4, bmp::kRgb, 12}, {7, 5, 4, bmp::kRle4}, {7, 5, 8, bmp::kRle8}, {7, 5, 16},
      {7, 5, 16, bmp::kBitFields}, {7, 5, 16, bmp::kBitFields, 108}, {7, 5, 24}, {7, -5, 24},
      {7, 5, 24, bmp::kRgb, 124}, {7, 5, 32}, {7, 5, 32, bmp::kBitFields}, {5, 3, 32, bmp::kBitFields, 56},
      {8, 4, 8, bmp::kRgb, 64},
  };
  for (int i = 0; i < 20000; ++i) {
    const bmp::Layout& l = layouts[i % std::size(layouts)];
    const uint32_t colours = l.bits == 8 ? 1 + rng() % 256 : l.bits < 8 ? 1u << l.bits : 0;
    std::vector<uint8_t> b = bmp::Make(l, {palette.begin(), palette.begin() + colours}, [&](int32_t, int32_t) {
      return l.bits <= 8 ? static_cast<uint32_t>(rng() % colours) : static_cast<uint32_t>(rng() & 0xFFFFFF);
    });
    if (i < 100) {  // whole, every layout must decode
      ASSERT_EQ(CheckBitmapBytes(b.data(), b.size()), 1) << "layout " << i % std::size(layouts);
      ASSERT_TRUE(Ours(b).ok) << "layout " << i % std::size(layouts);
    }
    for (int k = static_cast<int>(rng() % 4); k > 0; --k) b[rng() % b.size()] = static_cast<uint8_t>(rng());
    if (rng() % 5 == 0) b.resize(b.size() - rng() % 8);
    ASSERT_EQ(Compare(b), "") << "case " << i;
  }
  // The random dots reach every value of a narrow channel; two by hand.
  EXPECT_EQ(Ours(bmp::Make({4, 1, 16, bmp::kBitFields}, {}, [](int32_t, int32_t) { return 0x00FF00u; })).dots.at(0),
            0x00FF00u);  // SDL's 5-6-5 converter gave 254
  // Found by the fuzzer: a mask of all 32 bits shifted a 32-bit value by 32.
  std::vector<uint8_t> full = bmp::Make({1, 1, 32, bmp::kBitFields}, {}, [](int32_t, int32_t) { return 0x12345678u; });
  bmp::Set32(full, 54, 0xFFFFFFFFu);
  bmp::Set32(full, 58, 0x0000FF00u);
  bmp::Set32(full, 62, 0x000000FFu);
  EXPECT_EQ(Ours(full).dots.at(0), 0x125678u);
}

TEST(BitmapDecode, RandomRunLengthStreamsDecodeAsSdlDecodedThem) {
  // Runs, literal stretches, moves, row ends and (mostly) the end mark, in any
  // order: runs spill over row ends, moves leave the image, streams stop short.
  std::mt19937 rng(4711);
  std::vector<uint32_t> palette(16);
  for (uint32_t i = 0; i < 16; ++i) palette[i] = 0x112233u * (i + 1) & 0xFFFFFF;
  for (int i = 0; i < 4000; ++i) {
    const bool rle8 = i % 2 == 0;
    std::vector<uint8_t> b = bmp::Make({1 + static_cast<int32_t>(rng() % 12), 1 + static_cast<int32_t>(rng() % 6),
                                        static_cast<uint16_t>(rle8 ? 8 : 4), rle8 ? bmp::kRle8 : bmp::kRle4},
                                       palette, [](int32_t, int32_t) { return 0u; });
    b.resize(b[10] | b[11] << 8);
    for (int op = static_cast<int>(rng() % 12); op > 0; --op) {
      const uint8_t r = static_cast<uint8_t>(rng());
      switch (rng() % 5) {
        case 0: b.insert(b.end(), {static_cast<uint8_t>(1 + rng() % 20), r}); break;
        case 1: {
          const uint32_t n = 3 + rng() % 10, bytes = rle8 ? n : (n + 1) / 2;
          b.insert(b.end(), {0, static_cast<uint8_t>(n)});
          for (uint32_t k = 0; k < bytes + (bytes & 1); ++k) b.push_back(static_cast<uint8_t>(rng()));
          break;
        }
        case 2: b.insert(b.end(), {0, 2, static_cast<uint8_t>(r % 6), static_cast<uint8_t>(rng() % 3)}); break;
        case 3: b.insert(b.end(), {0, 0}); break;
        default: b.push_back(r % 3); break;  // a stray byte
      }
    }
    if (rng() % 8) b.insert(b.end(), {0, 1});
    bmp::Set32(b, 2, static_cast<uint32_t>(b.size()));
    ASSERT_EQ(Compare(b), "") << "case " << i;
  }
}

TEST(BitmapCheck, ShortHugeAndLyingBitmapsAreRefused) {
  std::vector<uint32_t> palette(16, 0x808080);
  const std::vector<uint8_t> good = bmp::Make({8, 4, 8}, palette, [](int32_t x, int32_t y) { return (x + 3u * y) % 16; });
  ASSERT_EQ(CheckBitmapBytes(good.data(), good.size()), 1);
  const struct { const char* what; size_t at; uint32_t value; int width; } lies[] = {  // width: bytes at `at`
      {"not BM", 0, 'B' | 'A' << 8, 2}, {"header of 20 bytes", 14, 20, 4}, {"header past the end", 14, 4096, 4},
      {"width 0", 18, 0, 4}, {"width -8", 18, static_cast<uint32_t>(-8), 4}, {"width 8193", 18, 8193, 4},
      {"height 0", 22, 0, 4}, {"height 8193", 22, 8193, 4}, {"height INT_MIN", 22, 0x80000000u, 4},
      {"0 bits", 28, 0, 2}, {"3 bits", 28, 3, 2}, {"64 bits", 28, 64, 2}, {"run-length 4 at 8 bits", 30, bmp::kRle4, 4},
      {"masks at 8 bits", 30, bmp::kBitFields, 4}, {"embedded JPEG", 30, 4, 4}, {"embedded PNG", 30, 5, 4},
      {"dots in the header", 10, 20, 4}, {"dots past the end", 10, static_cast<uint32_t>(good.size()), 4},
      {"dots no longer fit", 10, 14 + 40 + 16 * 4 + 1, 4},
  };
  for (const auto& lie : lies) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < lie.width; ++i) bytes[lie.at + i] = static_cast<uint8_t>(lie.value >> (8 * i));
    EXPECT_EQ(CheckBitmapBytes(bytes.data(), bytes.size()), 0) << lie.what;
    EXPECT_FALSE(Ours(bytes).ok) << lie.what;
  }
  const auto one = [](int32_t, int32_t) { return 1u; };
  std::vector<uint8_t> os2 = bmp::Make({2, 2, 32, bmp::kRgb, 64}, {}, one);  // its compression 3 is no masks
  bmp::Set32(os2, 30, bmp::kBitFields);
  EXPECT_FALSE(Ours(os2).ok);
  EXPECT_FALSE(Ours(bmp::Make({2, 1, 8}, palette, [](int32_t x, int32_t) { return 16u - x; })).ok);  // index 16 of 16
  // Both sides within the limit, but 4096 x 4097 dots are too many.
  const std::vector<uint8_t> tall = bmp::Make({4096, 4097, 1}, {0, 0xFFFFFF}, one);
  EXPECT_EQ(CheckBitmapBytes(tall.data(), tall.size()), 0);
  const std::vector<uint8_t> square = bmp::Make({4096, 4096, 1}, {0, 0xFFFFFF}, one);
  EXPECT_EQ(CheckBitmapBytes(square.data(), square.size()), 1);
  // 4 bits, 5 dots wide: the last row's padding may be missing, nothing more.
  const std::vector<uint8_t> whole = bmp::Make({5, 5, 4}, palette, [](int32_t x, int32_t) { return x + 1u; });
  EXPECT_TRUE(Ours(whole, whole.size() - 1).ok);
  for (size_t n = 0; n + 1 < whole.size(); ++n) {
    ASSERT_EQ(CheckBitmapBytes(whole.data(), n), 0) << n;
    ASSERT_FALSE(Ours(whole, n).ok) << n;
  }
}

}  // namespace
