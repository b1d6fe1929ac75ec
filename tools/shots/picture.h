// RGB pictures read from and written to PNG files, scaled by whole numbers
// and compared dot by dot.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// Reads any PNG as 8-bit RGB (alpha composed onto black). 1 on success; on
// failure 0 with libpng's message in error.
int ReadPicture(const std::string& path, Picture* picture, std::string* error);
// Writes an 8-bit RGB PNG. 1 on success.
int WritePicture(const std::string& path, const Picture& picture, std::string* error);

// Each dot becomes a factor x factor block (nearest neighbour). factor >= 1.
Picture ScalePicture(const Picture& picture, int32_t factor);

struct PictureDifference {
  int32_t sameSize;      // 1 when both pictures have the same width and height
  int64_t differentDots; // dots whose colour differs (0 when sizes differ)
  int32_t firstX, firstY;            // first differing dot, row by row
  uint32_t expectedRgb, actualRgb;   // its colours as 0xRRGGBB
};

// Compares `actual` with `expected`; differentDots is 0 when they are equal.
PictureDifference ComparePictures(const Picture& expected, const Picture& actual);
