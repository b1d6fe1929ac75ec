// BMP files made in memory for every test that needs one, in each layout the
// bitmap reader must take: core and information headers, 1 to 32 bits per
// dot, top-down rows, run-length coding and colour masks.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace bmp {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

struct Layout {
  int32_t width;
  int32_t height;  // negative: rows stored top-down
  uint16_t bits = 24;
  uint32_t compression = kRgb;
  uint32_t headerSize = 40;  // 12: the core header
};

inline void Put(std::vector<uint8_t>& b, uint32_t v, int bytes = 4) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The dots come from dot(x, y), y counted from the top: a palette index at 8
// bits or fewer (`palette` holds 0x00RRGGBB entries), else the colour itself,
// at 16 bits 5-6-5 through the colour masks and 5-5-5 without.
template <typename DotFn>
std::vector<uint8_t> Make(const Layout& l, const std::vector<uint32_t>& palette, DotFn dot) {
  const int32_t h = l.height < 0 ? -l.height : l.height;
  const bool core = l.headerSize == 12, masksAfter = l.compression == kBitFields && l.headerSize < 52;
  // The core header has no colour count: its palette is always full.
  const uint32_t colours = l.bits > 8 ? 0 : core ? 1u << l.bits : static_cast<uint32_t>(palette.size());
  const uint32_t stride = ((static_cast<uint32_t>(l.width) * l.bits + 7) / 8 + 3) & ~3u;
  std::vector<uint8_t> rows;
  for (int32_t i = 0; i < h; ++i) {
    const int32_t y = l.height < 0 ? i : h - 1 - i;
    if (l.compression == kRle8 || l.compression == kRle4) {  // runs of one dot; end of line (of bitmap)
      for (int32_t x = 0; x < l.width; ++x)
        rows.insert(rows.end(), {1, static_cast<uint8_t>(dot(x, y) * (l.compression == kRle4 ? 17 : 1))});
      rows.insert(rows.end(), {0, static_cast<uint8_t>(i == h - 1)});
      continue;
    }
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < l.width; ++x) {
      uint32_t v = dot(x, y), bit = static_cast<uint32_t>(x) * l.bits;
      if (l.bits <= 8) row[bit / 8] |= static_cast<uint8_t>(v << (8 - l.bits - bit % 8));
      if (l.bits == 16)
        v = l.compression == kBitFields ? (v >> 19 & 31) << 11 | (v >> 10 & 63) << 5 | (v >> 3 & 31)
                                        : (v >> 19 & 31) << 10 | (v >> 11 & 31) << 5 | (v >> 3 & 31);
      for (uint32_t k = 0; l.bits > 8 && k < l.bits / 8u; ++k) row[bit / 8 + k] = static_cast<uint8_t>(v >> (8 * k));
    }
    rows.insert(rows.end(), row.begin(), row.end());
  }
  const uint32_t masks[3] = {l.bits == 32 ? 0xFF0000u : 0xF800u, l.bits == 32 ? 0xFF00u : 0x07E0u, l.bits == 32 ? 0xFFu : 0x1Fu};
  const uint32_t offset = 14 + l.headerSize + (masksAfter ? 12 : 0) + colours * (core ? 3 : 4);
  std::vector<uint8_t> b = {'B', 'M'};
  for (uint32_t v : {offset + static_cast<uint32_t>(rows.size()), 0u, offset, l.headerSize}) Put(b, v);
  Put(b, static_cast<uint32_t>(l.width), core ? 2 : 4);
  Put(b, static_cast<uint32_t>(l.height), core ? 2 : 4);
  Put(b, 1 | l.bits << 16);
  if (!core) {
    for (uint32_t v : {l.compression, static_cast<uint32_t>(rows.size()), 2835u, 2835u, colours, 0u}) Put(b, v);
    // Past the first 40 bytes: the masks when this header carries them, then zeros.
    for (uint32_t at = 40; at < l.headerSize; at += 4)
      Put(b, l.compression == kBitFields && !masksAfter && at < 52 ? masks[(at - 40) / 4] : 0u);
  }
  for (uint32_t i = 0; masksAfter && i < 3; ++i) Put(b, masks[i]);
  for (uint32_t c = 0; c < colours; ++c) Put(b, c < palette.size() ? palette[c] : 0, core ? 3 : 4);
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  return static_cast<bool>(f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())).flush());
}

}  // namespace bmp
