#include "tools/art/bmp_encode.h"

namespace {

const uint32_t FILE_HEADER_SIZE = 14;
const uint32_t INFO_HEADER_SIZE = 40;
const int32_t DOTS_PER_METRE = 2835;  // 72 dots per inch

void Put16(std::vector<uint8_t>* bytes, uint32_t value) {
  bytes->push_back((uint8_t)value);
  bytes->push_back((uint8_t)(value >> 8));
}

void Put32(std::vector<uint8_t>* bytes, uint32_t value) {
  Put16(bytes, value & 0xFFFF);
  Put16(bytes, value >> 16);
}

}  // namespace

int EncodeBmp(const ArtImage& image, std::vector<uint8_t>* bytes) {
  const uint32_t colours = (uint32_t)image.palette.size();
  if (image.bitsPerDot != 4 && image.bitsPerDot != 8) return 0;
  if (colours == 0 || colours > (1u << image.bitsPerDot)) return 0;
  if (image.width < 1 || image.height < 1 || image.dots.size() != (size_t)image.width * image.height) return 0;
  for (uint8_t dot : image.dots)
    if (dot >= colours) return 0;

  const uint32_t rowBytes = ((uint32_t)image.width * image.bitsPerDot + 31) / 32 * 4;
  const uint32_t dataOffset = FILE_HEADER_SIZE + INFO_HEADER_SIZE + 4 * colours;
  const uint32_t dataSize = rowBytes * (uint32_t)image.height;
  bytes->clear();
  bytes->reserve(dataOffset + dataSize);

  bytes->push_back('B');
  bytes->push_back('M');
  Put32(bytes, dataOffset + dataSize);
  Put32(bytes, 0);  // two reserved words
  Put32(bytes, dataOffset);

  Put32(bytes, INFO_HEADER_SIZE);
  Put32(bytes, (uint32_t)image.width);
  Put32(bytes, (uint32_t)image.height);  // positive: rows run bottom-up
  Put16(bytes, 1);                       // planes
  Put16(bytes, (uint32_t)image.bitsPerDot);
  Put32(bytes, 0);  // BI_RGB, uncompressed
  Put32(bytes, dataSize);
  Put32(bytes, DOTS_PER_METRE);
  Put32(bytes, DOTS_PER_METRE);
  Put32(bytes, colours);  // biClrUsed
  Put32(bytes, 0);        // biClrImportant: all of them

  for (const ArtColour& colour : image.palette) {
    bytes->push_back(colour.b);
    bytes->push_back(colour.g);
    bytes->push_back(colour.r);
    bytes->push_back(0);
  }

  for (int32_t y = image.height - 1; y >= 0; y--) {
    const uint8_t* row = &image.dots[(size_t)y * image.width];
    const size_t rowStart = bytes->size();
    if (image.bitsPerDot == 8) {
      bytes->insert(bytes->end(), row, row + image.width);
    } else {
      for (int32_t x = 0; x < image.width; x += 2) {
        const uint8_t right = x + 1 < image.width ? row[x + 1] : 0;
        bytes->push_back((uint8_t)(row[x] << 4 | right));
      }
    }
    bytes->resize(rowStart + rowBytes, 0);
  }
  return 1;
}
