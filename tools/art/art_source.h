// Pixel-art sources: one text file per bitmap (plus the files it includes),
// read into a palette image. The format is described in resources/art/README.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ArtColour {
  uint8_t r, g, b;
};

// A palette image: one palette index per dot, rows top first.
struct ArtImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t bitsPerDot = 0;           // 4 or 8
  std::vector<ArtColour> palette;   // index 0 is black, the transparent colour
  std::vector<uint8_t> dots;        // width * height palette indices
};

// Reads the art source at path with everything it includes. Returns 1, or 0
// with *error naming the file, the line and the fault.
int LoadArtImage(const std::string& path, ArtImage* image, std::string* error);

uint8_t ArtDot(const ArtImage& image, int32_t x, int32_t y);
