// Reads and seeks driven by arbitrary bytes over a resource-kind stream: the
// position never leaves 0..size, and no access falls outside the bytes
// (AddressSanitizer watches the copy).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sound/data_stream.h"

namespace {

int32_t TakeInt(const uint8_t*& p, const uint8_t* end) {
  uint32_t v = 0;
  for (int i = 0; i < 4 && p < end; ++i) v |= (uint32_t)*p++ << (8 * i);
  return (int32_t)v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // The first byte splits the input into operations and the stream's bytes.
  size_t split = 1 + data[0] % (size - 1);
  const uint8_t* ops = data + 1;
  const uint8_t* opsEnd = data + split;
  std::vector<uint8_t> body(data + split, data + size);
  if (body.empty()) return 0;
  DataStream stream;
  if (!OpenMemoryStream(body.data(), (int32_t)body.size(), &stream)) return 0;
  static uint8_t buffer[1 << 16];
  while (ops < opsEnd) {
    uint8_t op = *ops++;
    if (op & 1) {
      int32_t offset = TakeInt(ops, opsEnd);
      SeekStream(&stream, offset, (op >> 1) % 4);
    } else {
      int32_t itemSize = (int32_t)((op >> 1) % 9);
      int32_t count = TakeInt(ops, opsEnd);
      // Only a read that fits the buffer is asked for with a real count;
      // huge counts must fail on their own before touching anything.
      if ((int64_t)itemSize * count > (int64_t)sizeof buffer) {
        std::memset(buffer, 0, 8);
        if (ReadStream(buffer, itemSize, count, &stream) && (int64_t)itemSize * count > (int64_t)body.size())
          std::abort();
      } else {
        ReadStream(buffer, itemSize, count, &stream);
      }
    }
    if (stream.pos < 0 || stream.pos > stream.size) std::abort();
  }
  CloseStream(&stream);
  return 0;
}
