// Variable-length integers read from arbitrary bytes: never reads past the
// stream, and a value that decodes re-encodes to the same length.
#include <cstdint>
#include <cstdlib>

#include "sound/data_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 64) return 0;
  DataStream stream;
  if (!OpenMemoryStream(data, (int32_t)size, &stream)) return 0;
  uint32_t value = 0;
  int32_t before = stream.pos;
  while (ReadVarInt(&value, &stream)) {
    int32_t used = stream.pos - before;
    // A value can be read from more bytes than it needs (groups of zero), never fewer.
    if (used < VarIntSize(value) || used > 5) std::abort();
    before = stream.pos;
  }
  CloseStream(&stream);
  return 0;
}
