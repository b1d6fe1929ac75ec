// The optional character-sheet file: arbitrary bytes as "charactor.bmp" in
// the data directory. Loading either succeeds with a surface of the bitmap's
// size or fails with the slot left empty; it never crashes or leaks.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "graphics/bitmap.h"
#include "graphics/display.h"

namespace {

char dataDir[64];
char filePath[96];

void RemoveDataDirectory() {
  std::remove(filePath);
  rmdir(dataDir);
}

// A fresh temporary data directory, removed when the fuzzer exits.
const char* CharacterFilePath() {
  if (!dataDir[0]) {
    std::snprintf(dataDir, sizeof dataDir, "/tmp/zorrit-fuzz-bitmap-XXXXXX");
    if (!mkdtemp(dataDir)) std::abort();
    std::snprintf(filePath, sizeof filePath, "%s/charactor.bmp", dataDir);
    std::atexit(RemoveDataDirectory);
    if (!OpenDisplay(nullptr, dataDir)) std::abort();
    if (!CreateScreen(nullptr, 320, 240, 1)) std::abort();
  }
  return filePath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(CharacterFilePath(), "wb");
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
