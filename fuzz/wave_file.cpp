// The WAVE reader over a file of arbitrary bytes: it either fails with
// nothing allocated, or returns no more samples than the file holds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sound/sound_table.h"

namespace {

std::string path;

void RemoveFile() { std::remove(path.c_str()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (path.empty()) {
    char pattern[] = "/tmp/zorrit-fuzz-wave-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    path = pattern;
    std::atexit(RemoveFile);
  }
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  uint8_t format[18];
  uint32_t length = 0;
  uint8_t* samples = nullptr;
  if (ReadWave(path.c_str(), nullptr, format, &length, &samples)) {
    if (!samples || length > size) std::abort();
  } else if (samples) {
    std::abort();
  }
  std::free(samples);
  return 0;
}
