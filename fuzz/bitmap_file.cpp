// The optional character-sheet file: arbitrary bytes as "charactor.bmp" in
// the data directory. Loading either succeeds with a surface of the bitmap's
// size or fails with the slot left empty; it never crashes or leaks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "graphics/bitmap.h"
#include "graphics/display.h"

namespace {

std::string DataDirectory() {
  static std::string dir;
  if (dir.empty()) {
    char pattern[] = "/tmp/zorrit-fuzz-bitmap-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    dir = made;
    if (!OpenDisplay(nullptr, dir.c_str())) std::abort();
    if (!CreateScreen(nullptr, 320, 240, 1)) std::abort();
  }
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = DataDirectory() + "/charactor.bmp";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  int32_t width = 0, height = 0;
  if (LoadBitmapSlot("charactor.bmp", 1, 1, 0)) {
    if (!GetSlotSize(&width, &height, 1) || width < 1 || height < 1) std::abort();
    ReleaseSlot(1);
  } else if (GetSlotSize(&width, &height, 1)) {
    std::abort();  // a failed load leaves the slot empty
  }
  if (VideoBytesInUse() != 320 * 240) std::abort();
  return 0;
}
