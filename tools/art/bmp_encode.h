// Writes a palette image as a Windows BMP file: BITMAPFILEHEADER, a 40-byte
// BITMAPINFOHEADER, the palette (biClrUsed = its size), uncompressed rows
// bottom-up, each padded to a multiple of 4 bytes.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/art/art_source.h"

// Returns 1, or 0 when the image cannot be written (no palette, a dot beyond
// it, a palette bigger than the dot size holds, or a size that does not match).
int EncodeBmp(const ArtImage& image, std::vector<uint8_t>* bytes);
