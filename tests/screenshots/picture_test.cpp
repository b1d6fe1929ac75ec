// The screenshot tool's comparison and files, which the screenshot check
// trusts: a difference of one dot is seen, and a file keeps every dot.
#include "tools/shots/picture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

Picture MakePicture(int32_t width, int32_t height) {
  Picture p{width, height, std::vector<uint8_t>((size_t)width * height * 3)};
  for (size_t i = 0; i < p.rgb.size(); ++i) p.rgb[i] = (uint8_t)(i * 37 + 11);
  return p;
}

TEST(ShotPicture, CompareCountsChangedDotsAndNamesTheFirst) {
  const Picture a = MakePicture(5, 4);
  EXPECT_EQ(ComparePictures(a, a).differentDots, 0);
  Picture b = a;
  b.rgb[(3 * 5 + 4) * 3 + 2] ^= 1;     // the last dot, blue by one
  b.rgb[(1 * 5 + 2) * 3 + 0] ^= 0x80;  // (2, 1), red
  const PictureDifference d = ComparePictures(a, b);
  const uint8_t* dot = &a.rgb[(1 * 5 + 2) * 3];
  EXPECT_EQ((std::vector<int64_t>{d.sameSize, d.differentDots, d.firstX, d.firstY, d.expectedRgb, d.actualRgb}),
            (std::vector<int64_t>{1, 2, 2, 1, dot[0] << 16 | dot[1] << 8 | dot[2], (dot[0] ^ 0x80) << 16 | dot[1] << 8 | dot[2]}));
  EXPECT_EQ(ComparePictures(MakePicture(4, 3), MakePicture(3, 4)).sameSize, 0);
}

TEST(ShotPicture, FileKeepsEveryDotAndSomethingElseIsRefusedByName) {
  const std::string path = ::testing::TempDir() + "/shots_" + std::to_string(getpid()) + ".png";
  const Picture p = MakePicture(7, 5);
  Picture back;
  std::string error;
  ASSERT_EQ(WritePicture(path, p, &error), 1) << error;
  ASSERT_EQ(ReadPicture(path, &back, &error), 1) << error;
  EXPECT_EQ((std::vector<int32_t>{back.width, back.height}), (std::vector<int32_t>{7, 5}));
  EXPECT_EQ(back.rgb, p.rgb);
  std::ofstream(path) << "not a picture";
  EXPECT_EQ(ReadPicture(path, &back, &error), 0);
  EXPECT_NE(error.find(path), std::string::npos) << error;
  std::remove(path.c_str());
  EXPECT_EQ(ReadPicture(path, &back, &error), 0);
}

}  // namespace
