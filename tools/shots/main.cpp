// zorrit-shots: the README's screenshots from the replay tool's PNG shots.
//
//   zorrit-shots scale FACTOR IN.png OUT.png   each dot becomes a FACTOR x FACTOR
//                                              block (nearest neighbour)
//   zorrit-shots compare EXPECTED.png ACTUAL.png
//                                              exit 0 when every dot has the same
//                                              colour, 1 (saying where) when not
//
// Exit status 2 for bad arguments or a file that cannot be read or written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/shots/picture.h"

static int Usage() {
  std::fprintf(stderr,
               "usage: zorrit-shots scale FACTOR IN.png OUT.png\n"
               "       zorrit-shots compare EXPECTED.png ACTUAL.png\n");
  return 2;
}

static int Scale(const char* factorText, const char* in, const char* out) {
  char* end = nullptr;
  const long factor = std::strtol(factorText, &end, 10);
  if (*factorText == 0 || *end != 0 || factor < 1 || factor > 16) {
    std::fprintf(stderr, "zorrit-shots: the factor must be a whole number from 1 to 16, not '%s'\n",
                 factorText);
    return 2;
  }
  Picture picture;
  std::string error;
  if (!ReadPicture(in, &picture, &error) ||
      !WritePicture(out, ScalePicture(picture, (int32_t)factor), &error)) {
    std::fprintf(stderr, "zorrit-shots: %s\n", error.c_str());
    return 2;
  }
  return 0;
}

static int Compare(const char* expectedPath, const char* actualPath) {
  Picture expected, actual;
  std::string error;
  if (!ReadPicture(expectedPath, &expected, &error) || !ReadPicture(actualPath, &actual, &error)) {
    std::fprintf(stderr, "zorrit-shots: %s\n", error.c_str());
    return 2;
  }
  const PictureDifference d = ComparePictures(expected, actual);
  if (!d.sameSize) {
    std::printf("%s: %d x %d dots, but %s is %d x %d\n", expectedPath, expected.width,
                expected.height, actualPath, actual.width, actual.height);
    return 1;
  }
  if (d.differentDots) {
    std::printf("%s and %s differ in %lld of %lld dots; the first is (%d, %d): "
                "#%06x in the first, #%06x in the second\n",
                expectedPath, actualPath, (long long)d.differentDots,
                (long long)expected.width * expected.height, d.firstX, d.firstY, d.expectedRgb,
                d.actualRgb);
    return 1;
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "scale") == 0) return Scale(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::strcmp(argv[1], "compare") == 0) return Compare(argv[2], argv[3]);
  return Usage();
}
