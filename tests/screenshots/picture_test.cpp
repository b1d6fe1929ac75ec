// The screenshot tool's pictures: scaling, dot-by-dot comparison and PNG files.
#include "tools/shots/picture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

Picture MakePicture(int32_t width, int32_t height) {
  Picture p;
  p.width = width;
  p.height = height;
  p.rgb.resize((size_t)width * height * 3);
  for (size_t i = 0; i < p.rgb.size(); ++i) p.rgb[i] = (uint8_t)(i * 37 + 11);
  return p;
}

uint32_t Dot(const Picture& p, int32_t x, int32_t y) {
  const uint8_t* d = &p.rgb[((size_t)y * p.width + x) * 3];
  return (uint32_t)d[0] << 16 | (uint32_t)d[1] << 8 | d[2];
}

std::string ScratchPath(const char* name) {
  return ::testing::TempDir() + "/shots_" + std::to_string(getpid()) + "_" + name;
}

TEST(ShotPicture, ScaleMakesEachDotABlock) {
  const Picture p = MakePicture(3, 2);
  const Picture s = ScalePicture(p, 2);
  ASSERT_EQ(s.width, 6);
  ASSERT_EQ(s.height, 4);
  ASSERT_EQ(s.rgb.size(), 6u * 4 * 3);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(Dot(s, x, y), Dot(p, x / 2, y / 2)) << x << "," << y;
  const Picture same = ScalePicture(p, 1);
  EXPECT_EQ(same.rgb, p.rgb);
}

TEST(ShotPicture, CompareFindsEveryChangedDotAndTheFirst) {
  const Picture a = MakePicture(5, 4);
  PictureDifference d = ComparePictures(a, a);
  EXPECT_EQ(d.sameSize, 1);
  EXPECT_EQ(d.differentDots, 0);

  Picture b = a;
  b.rgb[((size_t)3 * 5 + 4) * 3 + 2] ^= 1;  // last dot, blue by one
  b.rgb[((size_t)1 * 5 + 2) * 3 + 0] ^= 0x80;  // (2, 1), red
  d = ComparePictures(a, b);
  EXPECT_EQ(d.sameSize, 1);
  EXPECT_EQ(d.differentDots, 2);
  EXPECT_EQ(d.firstX, 2);
  EXPECT_EQ(d.firstY, 1);
  EXPECT_EQ(d.expectedRgb, Dot(a, 2, 1));
  EXPECT_EQ(d.actualRgb, Dot(b, 2, 1));
  EXPECT_NE(d.expectedRgb, d.actualRgb);
}

TEST(ShotPicture, CompareRefusesOtherSizes) {
  const PictureDifference d = ComparePictures(MakePicture(4, 3), MakePicture(3, 4));
  EXPECT_EQ(d.sameSize, 0);
}

TEST(ShotPicture, FileKeepsEveryDot) {
  const Picture p = MakePicture(7, 5);
  const std::string path = ScratchPath("round.png");
  std::string error;
  ASSERT_EQ(WritePicture(path, p, &error), 1) << error;
  Picture back;
  ASSERT_EQ(ReadPicture(path, &back, &error), 1) << error;
  std::remove(path.c_str());
  EXPECT_EQ(back.width, 7);
  EXPECT_EQ(back.height, 5);
  EXPECT_EQ(back.rgb, p.rgb);
}

TEST(ShotPicture, ReadingSomethingElseFailsAndNamesTheFile) {
  const std::string path = ScratchPath("not.png");
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("not a picture", f);
  std::fclose(f);
  Picture p;
  std::string error;
  EXPECT_EQ(ReadPicture(path, &p, &error), 0);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  std::remove(path.c_str());
  EXPECT_EQ(ReadPicture(path, &p, &error), 0);
}

}  // namespace
