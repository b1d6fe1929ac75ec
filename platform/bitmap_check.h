// What we let reach the BMP decoder. A decoder sizes its surface from the
// header alone and only then reads the dots, so a header that claims a huge
// image would cost a huge allocation even when the file holds a few hundred
// bytes. Every bitmap is therefore checked here first, and bitmap files are
// read into memory through a size cap.
//
// Used by platform/bitmap_decode.cpp only; the tests call it directly.
#pragma once
#include <cstddef>
#include <cstdint>

// Either side of an accepted bitmap is 1..kBitmapSideLimit dots, and the two
// together at most kBitmapDotLimit dots (64 MiB once in the native format).
inline constexpr int32_t kBitmapSideLimit = 8192;
inline constexpr int64_t kBitmapDotLimit = int64_t{1} << 24;
// Bitmap files larger than this are not read at all.
inline constexpr size_t kBitmapFileLimit = size_t{64} << 20;

// The header fields the decoder works from, as ParseBitmapHeader found them.
struct BitmapHeader {
  uint32_t headerSize;   // 12 (core header) or 40 and more
  int32_t width;         // dots, 1..kBitmapSideLimit
  int32_t height;        // dots, 1..kBitmapSideLimit
  int topDown;           // 1 when the rows are stored top row first
  uint32_t bits;         // bits per dot
  uint32_t compression;  // 0 none, 1 run-length 8, 2 run-length 4, 3 colour masks
  uint32_t colours;      // palette entries the header names (0: as many as the bits allow)
  uint32_t pixelOffset;  // where the dots start, from the first byte
};

// 1 when `bytes` hold a BMP image whose file and information headers are
// complete, whose layout the decoder reads (a 12-byte core header or an information
// header of 40 bytes or more; uncompressed at 1, 2, 4, 8, 16, 24 or 32 bits
// per dot, run-length coded at 4 or 8, or 16/32 bits with colour masks),
// whose size is within the limits above, and whose dots, where uncompressed,
// all lie inside `size` bytes. 0 otherwise.
int CheckBitmapBytes(const void* bytes, size_t size);
// CheckBitmapBytes that also hands back the header it checked (untouched on 0).
int ParseBitmapHeader(const void* bytes, size_t size, BitmapHeader* header);

// Reads the regular file at `path` whole into a new buffer (free it with
// std::free). 0, with *bytes null, when the path names no regular file (a
// directory, a FIFO, a device), cannot be opened or read, is empty, or holds
// more than kBitmapFileLimit bytes. Never blocks on a FIFO.
int ReadBitmapFile(const char* path, uint8_t** bytes, size_t* size);
