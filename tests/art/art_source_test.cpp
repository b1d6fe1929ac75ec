// The art source reader and the BMP writer on small made-up pictures.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/art/bmp_reader.h"
#include "tools/art/art_source.h"
#include "tools/art/bmp_encode.h"

namespace {

std::string WriteSource(const std::string& name, const std::string& text) {
  const std::string path = testing::TempDir() + "zorrit_art_" + name;
  std::ofstream(path) << text;
  return path;
}

const char* const TWO_COLOURS = "colour . 0 0 0\ncolour # 255 255 255\ncolour k 24 16 20\n";

ArtImage MadeUp(int32_t width, int32_t height, int32_t bits, int colours) {
  ArtImage image;
  image.width = width;
  image.height = height;
  image.bitsPerDot = bits;
  for (int i = 0; i < colours; i++) image.palette.push_back({(uint8_t)i, (uint8_t)(i * 7), (uint8_t)(255 - i)});
  image.palette[0] = {0, 0, 0};
  for (int32_t i = 0; i < width * height; i++) image.dots.push_back((uint8_t)((i * 5 + i / width) % colours));
  return image;
}

TEST(BmpEncode, OddWidthsRoundTripThroughPaddedRows) {
  for (int32_t bits : {4, 8}) {
    for (int32_t width : {1, 3, 5, 7}) {
      SCOPED_TRACE("bits " + std::to_string(bits) + " width " + std::to_string(width));
      const ArtImage image = MadeUp(width, 3, bits, bits == 4 ? 11 : 30);
      std::vector<uint8_t> bytes;
      ASSERT_TRUE(EncodeBmp(image, &bytes));
      const size_t rowBytes = ((size_t)width * bits + 31) / 32 * 4;
      EXPECT_EQ(bytes.size(), 54 + 4 * image.palette.size() + rowBytes * 3);
      ReadBmp read;
      ASSERT_TRUE(ReadBmpBytes(bytes.data(), bytes.size(), &read));
      EXPECT_EQ(read.colourCount, image.palette.size());
      EXPECT_EQ(read.dots, image.dots);
      EXPECT_EQ(read.palette[1], (uint32_t)1 << 16 | 7 << 8 | 254);
    }
  }
}

TEST(BmpEncode, RefusesDotsBeyondThePaletteAndPalettesBeyondTheDotSize) {
  std::vector<uint8_t> bytes;
  ArtImage image = MadeUp(4, 2, 4, 5);
  image.dots[3] = 5;
  EXPECT_FALSE(EncodeBmp(image, &bytes));
  EXPECT_FALSE(EncodeBmp(MadeUp(4, 2, 4, 17), &bytes));
  EXPECT_TRUE(EncodeBmp(MadeUp(4, 2, 4, 16), &bytes));
}

TEST(ArtSource, BlocksGlyphCellsAndShadowsLandWhereTheySay) {
  const std::string part = WriteSource("part.art",
                                       "cells 4 3 2 65 1 0\n"
                                       "char B\n"
                                       "..#\n"
                                       "..#\n");
  const std::string main = WriteSource("main.art", std::string("bitmap 8 6 4\n") + TWO_COLOURS +
                                                       "at 0 3\n"
                                                       "####\n"
                                                       "\n"
                                                       "at 0 3\n"
                                                       " .. \n"
                                                       "\n"
                                                       "include zorrit_art_part.art\n"
                                                       "shadow k 1 1\n");
  ArtImage image;
  std::string error;
  ASSERT_TRUE(LoadArtImage(main, &image, &error)) << error;
  ASSERT_EQ(image.palette.size(), 3u);
  // "B" is code 66: column 1 of the two-cell grid, drawn one dot in; its
  // glyph column is the cell's last, so its shadow has nowhere to go.
  EXPECT_EQ(ArtDot(image, 7, 0), 1);
  EXPECT_EQ(ArtDot(image, 7, 1), 1);
  EXPECT_EQ(ArtDot(image, 7, 2), 0);
  // A later block: spaces keep what was there, dots clear it.
  EXPECT_EQ(ArtDot(image, 0, 3), 1);
  EXPECT_EQ(ArtDot(image, 1, 3), 0);
  EXPECT_EQ(ArtDot(image, 2, 3), 0);
  EXPECT_EQ(ArtDot(image, 3, 3), 1);
  // Shadows fall down and right of what is finally there, inside a cell only.
  EXPECT_EQ(ArtDot(image, 1, 4), 2);
  EXPECT_EQ(ArtDot(image, 2, 4), 0);
  EXPECT_EQ(ArtDot(image, 4, 4), 0) << "shadow crossed into the next cell";
}

TEST(ArtSource, ReportsFaultsWithFileAndLine) {
  const std::string header = std::string("bitmap 8 8 4\n") + TWO_COLOURS;
  struct Case {
    const char* name;
    std::string text;
    const char* says;
  };
  const Case cases[] = {
      {"unknown.art", header + "at 0 0\n#x#\n", ":6: no colour for 'x'"},
      {"outside.art", header + "at 6 0\n###\n", ":6: dot outside its box"},
      {"wide.art", header + "cells 4 4 2 32\nchar !\n#####\n", ":7: dot outside its box"},
      {"black.art", "bitmap 8 8 4\ncolour # 255 255 255\ncolour . 0 0 0\n", ":2: black must be the first"},
      {"twoblack.art", header + "colour z 0 0 0\n", ":5: black must be the first"},
      {"many.art", "bitmap 2 2 4\ncolour . 0 0 0\ncolour a 1 1 1\ncolour b 2 2 2\ncolour c 3 3 3\ncolour d 4 4 4\n"
                   "colour e 5 5 5\ncolour f 6 6 6\ncolour g 7 7 7\ncolour h 8 8 8\ncolour i 9 9 9\n"
                   "colour j 10 10 10\ncolour l 11 11 11\ncolour m 12 12 12\ncolour n 13 13 13\n"
                   "colour o 14 14 14\ncolour p 15 15 15\ncolour q 16 16 16\n",
       ":18: more colours than the dot size holds"},
      {"nobitmap.art", "at 0 0\n#\n", ":1: block before the bitmap line"},
      {"typo.art", header + "att 0 0\n", ":5: unknown line 'att'"},
  };
  for (const Case& c : cases) {
    ArtImage image;
    std::string error;
    EXPECT_FALSE(LoadArtImage(WriteSource(c.name, c.text), &image, &error)) << c.name;
    EXPECT_NE(error.find(std::string(c.name) + c.says), std::string::npos) << c.name << " said: " << error;
  }
  ArtImage image;
  std::string error;
  EXPECT_FALSE(LoadArtImage(testing::TempDir() + "zorrit_art_missing.art", &image, &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
}

}  // namespace
