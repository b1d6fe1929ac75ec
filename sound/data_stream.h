// One reader over an embedded resource or a file: read items, seek, close.
// Also the unsigned variable-length integers (7 bits per byte, LEB128).
//
// All bounds tests of a resource stream are computed in 64 bits, so no item
// size, count or offset can wrap into a read or seek outside the resource.
#pragma once
#include <cstdint>
#include <cstdio>

struct DataStream {
  int32_t kind;                // 0 resource, 1 file
  std::FILE* file;
  const unsigned char* data;
  int32_t pos;
  int32_t size;
};

// type null: open the file `name`; else the embedded resource of that type.
// module is unused (the program's own resources); kept for the record.
int OpenStream(const void* module, const char* name, const char* type, DataStream* stream);
int ReadStream(void* buffer, int32_t itemSize, int32_t count, DataStream* stream);
int SeekStream(DataStream* stream, int32_t offset, int32_t origin);
void CloseStream(DataStream* stream);

// A resource-kind stream over `size` bytes the caller keeps alive until the
// stream is closed (tests, and any bytes already in memory). Fails, like a
// resource, when data is null or size is not positive.
int OpenMemoryStream(const unsigned char* data, int32_t size, DataStream* stream);
// Bytes from the read position to the end: 0 or more, or -1 when a file
// stream cannot tell. The position is left where it was.
int64_t StreamRemaining(DataStream* stream);

int32_t VarIntSize(uint32_t value);
int WriteVarInt(uint32_t value, std::FILE* file, int32_t* counter);
int ReadVarInt(uint32_t* out, DataStream* stream);
