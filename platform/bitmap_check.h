// What we let reach SDL's BMP reader. SDL sizes its surface from the header
// alone and only then reads the dots, so a header that claims a huge image
// costs a huge allocation even when the file holds a few hundred bytes. Every
// bitmap is therefore checked here first, and bitmap files are read into
// memory through a size cap.
//
// Used by platform/surface.cpp only; the tests call it directly.
#pragma once
#include <cstddef>
#include <cstdint>

// Either side of an accepted bitmap is 1..kBitmapSideLimit dots, and the two
// together at most kBitmapDotLimit dots (64 MiB once in the native format).
inline constexpr int32_t kBitmapSideLimit = 8192;
inline constexpr int64_t kBitmapDotLimit = int64_t{1} << 24;
// Bitmap files larger than this are not read at all.
inline constexpr size_t kBitmapFileLimit = size_t{64} << 20;

// 1 when `bytes` hold a BMP image whose file and information headers are
// complete, whose layout SDL reads (a 12-byte core header or an information
// header of 40 bytes or more; uncompressed at 1, 2, 4, 8, 16, 24 or 32 bits
// per dot, run-length coded at 4 or 8, or 16/32 bits with colour masks),
// whose size is within the limits above, and whose dots, where uncompressed,
// all lie inside `size` bytes. 0 otherwise.
int CheckBitmapBytes(const void* bytes, size_t size);

// Reads the regular file at `path` whole into a new buffer (free it with
// std::free). 0, with *bytes null, when the path names no regular file (a
// directory, a FIFO, a device), cannot be opened or read, is empty, or holds
// more than kBitmapFileLimit bytes. Never blocks on a FIFO.
int ReadBitmapFile(const char* path, uint8_t** bytes, size_t* size);
