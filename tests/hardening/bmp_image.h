// BMP files made in memory, in every layout the bitmap reader must take or
// refuse: core and information headers, 1 to 32 bits per dot, top-down rows,
// run-length coding and colour masks.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace hardening {

enum : uint32_t { kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitFields = 3 };

struct BmpLayout {
  int32_t width;
  int32_t height;  // negative: rows stored top-down
  uint16_t bits = 24;
  uint32_t compression = kBiRgb;
  uint32_t headerSize = 40;  // 12: the core header
};

inline void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
inline void Set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The image's dots come from dot(x, y), y counted from the top: a palette
// index at 8 bits or fewer (the palette holds `palette`, 0x00RRGGBB each),
// otherwise the colour 0x00RRGGBB itself.
template <typename DotFn>
std::vector<uint8_t> MakeBmp(const BmpLayout& l, const std::vector<uint32_t>& palette, DotFn dot) {
  const int32_t h = l.height < 0 ? -l.height : l.height;
  const bool core = l.headerSize == 12;
  const bool masks = l.compression == kBiBitFields && l.headerSize < 52;
  const uint32_t entry = core ? 3 : 4;
  // The core header has no colour count: its palette is always full.
  const uint32_t colours =
      l.bits > 8 ? 0 : core ? 1u << l.bits : static_cast<uint32_t>(palette.size());

  std::vector<uint8_t> rows;  // the dot data, as stored
  const uint32_t rowBytes = (static_cast<uint32_t>(l.width) * l.bits + 7) / 8;
  const uint32_t stride = (rowBytes + 3) & ~3u;
  for (int32_t i = 0; i < h; ++i) {
    const int32_t y = l.height < 0 ? i : h - 1 - i;
    if (l.compression == kBiRle8 || l.compression == kBiRle4) {
      // One encoded run per dot (count 1), then end of line.
      for (int32_t x = 0; x < l.width; ++x) {
        const uint32_t v = dot(x, y);
        rows.push_back(1);
        rows.push_back(static_cast<uint8_t>(l.compression == kBiRle4 ? (v << 4) | v : v));
      }
      rows.push_back(0);
      rows.push_back(i == h - 1 ? 1 : 0);  // end of bitmap after the last row
      continue;
    }
    std::vector<uint8_t> row(stride, 0);
    for (int32_t x = 0; x < l.width; ++x) {
      const uint32_t v = dot(x, y);
      if (l.bits < 8) {
        const uint32_t bit = static_cast<uint32_t>(x) * l.bits;
        row[bit / 8] |= static_cast<uint8_t>(v << (8 - l.bits - bit % 8));
      } else if (l.bits == 8) {
        row[x] = static_cast<uint8_t>(v);
      } else if (l.bits == 16) {  // 5-6-5 through the masks, 5-5-5 without
        const uint32_t r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
        const uint32_t p = l.compression == kBiBitFields
                               ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3
                               : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
        row[2 * x] = static_cast<uint8_t>(p);
        row[2 * x + 1] = static_cast<uint8_t>(p >> 8);
      } else {
        const uint32_t size = l.bits / 8;
        for (uint32_t k = 0; k < size; ++k) row[size * x + k] = static_cast<uint8_t>(v >> (8 * k));
      }
    }
    rows.insert(rows.end(), row.begin(), row.end());
  }

  const uint32_t rgbMasks[3] = {l.bits == 32 ? 0xFF0000u : 0xF800u,
                                l.bits == 32 ? 0x00FF00u : 0x07E0u,
                                l.bits == 32 ? 0x0000FFu : 0x001Fu};
  std::vector<uint8_t> b;
  const uint32_t offset = 14 + l.headerSize + (masks ? 12 : 0) + colours * entry;
  b.push_back('B');
  b.push_back('M');
  Put32(b, offset + static_cast<uint32_t>(rows.size()));
  Put32(b, 0);
  Put32(b, offset);
  Put32(b, l.headerSize);
  if (core) {
    Put16(b, static_cast<uint32_t>(l.width));
    Put16(b, static_cast<uint32_t>(l.height));
    Put16(b, 1);
    Put16(b, l.bits);
  } else {
    Put32(b, static_cast<uint32_t>(l.width));
    Put32(b, static_cast<uint32_t>(l.height));
    Put16(b, 1);
    Put16(b, l.bits);
    Put32(b, l.compression);
    Put32(b, static_cast<uint32_t>(rows.size()));
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, colours);
    Put32(b, 0);
    // Header fields past the first 40 bytes: the colour masks when this
    // header carries them, then zeros.
    const bool inHeader = l.compression == kBiBitFields && !masks;
    for (uint32_t at = 40; at < l.headerSize; at += 4) {
      Put32(b, inHeader && at < 52 ? rgbMasks[(at - 40) / 4] : 0u);
    }
  }
  if (masks) {
    for (uint32_t m : rgbMasks) Put32(b, m);
  }
  for (uint32_t c = 0; c < colours; ++c) {
    const uint32_t v = c < palette.size() ? palette[c] : 0;
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v >> 16));
    if (!core) b.push_back(0);
  }
  b.insert(b.end(), rows.begin(), rows.end());
  return b;
}

inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace hardening
