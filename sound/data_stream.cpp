// The data stream: one reader over the embedded resources and over files,
// and the unsigned variable-length integers.
//
// A resource stream keeps 0 <= pos <= size. Every bounds test on it is done
// in 64 bits and refuses negative sizes, counts and offsets, so no argument
// can wrap round into a copy or a position outside the resource.
#include "sound/data_stream.h"

#include <cstring>

#include "resources/resource_table.h"

namespace {

constexpr int32_t kStreamResource = 0;
constexpr int32_t kStreamFile = 1;
constexpr int32_t kVarIntMaxBytes = 5;

int ReadResource(unsigned char* buffer, int32_t itemSize, int32_t count, DataStream* stream) {
  if (itemSize < 0 || count < 0) return 0;
  if (!stream->data || stream->pos < 0 || stream->pos > stream->size) return 0;
  const int64_t available = (int64_t)stream->size - stream->pos;
  // Whole items that fit; a read that cannot finish still copies these.
  int64_t whole = count;
  if (itemSize > 0 && whole * itemSize > available) whole = available / itemSize;
  const int64_t bytes = whole * itemSize;
  if (bytes > 0) std::memcpy(buffer, stream->data + stream->pos, (size_t)bytes);
  stream->pos += (int32_t)bytes;
  return whole == count;
}

int SeekResource(DataStream* stream, int32_t offset, int32_t origin) {
  int64_t target;
  switch (origin) {
    case SEEK_SET: target = offset; break;
    case SEEK_CUR: target = (int64_t)stream->pos + offset; break;
    case SEEK_END: return 0;  // not supported on resources
    default: return 1;        // unknown origin: succeed without moving
  }
  // The end itself is not a valid seek target on a resource.
  if (target < 0 || target >= stream->size) return 0;
  stream->pos = (int32_t)target;
  return 1;
}

}  // namespace

int OpenMemoryStream(const unsigned char* data, int32_t size, DataStream* stream) {
  if (!stream) return 0;
  *stream = DataStream{};
  if (!data || size <= 0) return 0;
  stream->data = data;
  stream->size = size;
  stream->kind = kStreamResource;
  return 1;
}

int OpenStream(const void* module, const char* name, const char* type, DataStream* stream) {
  if (!stream) return 0;
  *stream = DataStream{};
  if (!name) return 0;
  if (type) {
    const EmbeddedResource* resource = FindEmbeddedResource(name, type);
    if (!resource) return 0;
    if (resource->size > (uint32_t)INT32_MAX) return 0;
    return OpenMemoryStream(resource->bytes, (int32_t)resource->size, stream);
  }
  stream->file = std::fopen(name, "rb");
  if (!stream->file) return 0;
  stream->kind = kStreamFile;
  return 1;
}

int ReadStream(void* buffer, int32_t itemSize, int32_t count, DataStream* stream) {
  if (!stream) return 0;
  if (stream->kind == kStreamFile) {
    if (!stream->file || itemSize < 0 || count < 0) return 0;
    return std::fread(buffer, (size_t)itemSize, (size_t)count, stream->file) == (size_t)count;
  }
  return ReadResource(static_cast<unsigned char*>(buffer), itemSize, count, stream);
}

int SeekStream(DataStream* stream, int32_t offset, int32_t origin) {
  if (!stream) return 0;
  if (stream->kind == kStreamFile) {
    if (!stream->file) return 0;
    return std::fseek(stream->file, offset, origin) == 0;
  }
  return SeekResource(stream, offset, origin);
}

void CloseStream(DataStream* stream) {
  if (!stream) return;
  if (stream->kind == kStreamFile) {
    if (stream->file) std::fclose(stream->file);
    stream->file = nullptr;
  } else {
    stream->data = nullptr;
  }
}

int64_t StreamRemaining(DataStream* stream) {
  if (!stream) return -1;
  if (stream->kind != kStreamFile) return (int64_t)stream->size - stream->pos;
  if (!stream->file) return -1;
  const long here = std::ftell(stream->file);
  if (here < 0 || std::fseek(stream->file, 0, SEEK_END) != 0) return -1;
  const long end = std::ftell(stream->file);
  if (std::fseek(stream->file, here, SEEK_SET) != 0 || end < 0) return -1;
  return end > here ? (int64_t)end - here : 0;
}

int32_t VarIntSize(uint32_t value) {
  if (value < (1u << 7)) return 1;
  if (value < (1u << 14)) return 2;
  if (value < (1u << 21)) return 3;
  if (value < (1u << 28)) return 4;
  return 5;
}

int WriteVarInt(uint32_t value, std::FILE* file, int32_t* counter) {
  if (!file) return 0;
  const int32_t n = VarIntSize(value);
  unsigned char bytes[kVarIntMaxBytes];
  for (int32_t j = 0; j < n; ++j) {
    bytes[j] = (unsigned char)((value >> (7 * j)) & 0x7F);
    if (j + 1 < n) bytes[j] |= 0x80;
  }
  if (std::fwrite(bytes, 1, (size_t)n, file) != (size_t)n) return 0;
  if (counter) *counter += n;
  return 1;
}

int ReadVarInt(uint32_t* out, DataStream* stream) {
  uint32_t value = 0;
  for (int32_t j = 0; j < kVarIntMaxBytes; ++j) {
    unsigned char byte;
    if (!ReadStream(&byte, 1, 1, stream)) return 0;
    // Of the fifth byte only bits 0-3 fit into 32 bits; the shift drops the rest.
    value |= (uint32_t)(byte & 0x7F) << (7 * j);
    if (!(byte & 0x80)) {
      if (out) *out = value;
      return 1;
    }
  }
  return 0;  // five bytes, every one saying another follows
}
