// A small BMP reader for the tests, written apart from the art tool's writer
// so that the two check each other. Reads only what the game's bitmaps use:
// BITMAPINFOHEADER, 4 or 8 bits, uncompressed.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

struct ReadBmp {
  uint32_t fileSize = 0, dataOffset = 0, headerSize = 0, compression = 0, colourCount = 0;
  int32_t width = 0, height = 0;  // height as stored: positive means bottom-up
  uint16_t planes = 0, bitsPerDot = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  std::vector<uint8_t> dots;      // palette indices, top row first
};

inline uint32_t Le(const uint8_t* at, int bytes) {
  uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; i--) value = value << 8 | at[i];
  return value;
}

// 1 when the bytes hold a bitmap of that kind; fills *bmp.
inline int ReadBmpBytes(const uint8_t* bytes, size_t size, ReadBmp* bmp) {
  if (size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return 0;
  bmp->fileSize = Le(bytes + 2, 4);
  bmp->dataOffset = Le(bytes + 10, 4);
  bmp->headerSize = Le(bytes + 14, 4);
  bmp->width = (int32_t)Le(bytes + 18, 4);
  bmp->height = (int32_t)Le(bytes + 22, 4);
  bmp->planes = (uint16_t)Le(bytes + 26, 2);
  bmp->bitsPerDot = (uint16_t)Le(bytes + 28, 2);
  bmp->compression = Le(bytes + 30, 4);
  bmp->colourCount = Le(bytes + 46, 4);
  if (bmp->bitsPerDot != 4 && bmp->bitsPerDot != 8) return 0;
  if (bmp->width <= 0 || bmp->height == 0 || bmp->colourCount > 256) return 0;
  if (14 + 40 + 4 * (size_t)bmp->colourCount > size) return 0;
  bmp->palette.clear();
  for (uint32_t i = 0; i < bmp->colourCount; i++) {
    const uint8_t* entry = bytes + 54 + 4 * i;
    bmp->palette.push_back((uint32_t)entry[2] << 16 | entry[1] << 8 | entry[0]);
  }
  const int32_t rows = bmp->height < 0 ? -bmp->height : bmp->height;
  const size_t rowBytes = ((size_t)bmp->width * bmp->bitsPerDot + 31) / 32 * 4;
  if (bmp->dataOffset + rowBytes * rows > size) return 0;
  bmp->dots.assign((size_t)bmp->width * rows, 0);
  for (int32_t row = 0; row < rows; row++) {
    const uint8_t* stored = bytes + bmp->dataOffset + rowBytes * row;
    const int32_t y = bmp->height > 0 ? rows - 1 - row : row;
    for (int32_t x = 0; x < bmp->width; x++) {
      const uint8_t value = bmp->bitsPerDot == 8 ? stored[x] : (x % 2 ? stored[x / 2] & 15 : stored[x / 2] >> 4);
      bmp->dots[(size_t)y * bmp->width + x] = value;
    }
  }
  return 1;
}

inline uint8_t BmpDot(const ReadBmp& bmp, int32_t x, int32_t y) { return bmp.dots[(size_t)y * bmp.width + x]; }
