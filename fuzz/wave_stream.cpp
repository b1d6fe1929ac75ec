// The WAVE reader over a resource-kind stream of arbitrary bytes: it either
// fails with nothing allocated, or returns no more samples than the bytes
// hold; it never reads outside them and always ends (a lying chunk length can
// neither seek backwards nor allocate more than what remains).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/data_stream.h"
#include "sound/sound_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1u << 24)) return 0;
  // A copy of exactly the input's size, so any read past it is caught.
  std::vector<unsigned char> bytes(data, data + size);
  DataStream stream;
  if (!OpenMemoryStream(bytes.data(), (int32_t)bytes.size(), &stream)) return 0;
  uint8_t format[18];
  uint32_t length = 0;
  uint8_t* samples = nullptr;
  if (ReadWaveStream(&stream, format, &length, &samples)) {
    if (!samples || length > size) std::abort();
  } else if (samples) {
    std::abort();
  }
  std::free(samples);
  CloseStream(&stream);
  return 0;
}
