// BMP header checks in front of the decoder, and bounded reading of bitmap
// files. See bitmap_check.h.
#include "platform/bitmap_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;  // the old 16-bit header
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kMaskedHeaderSize = 52;  // first header that carries the colour masks
constexpr uint32_t kOs2HeaderSize = 64;     // its compression 3 is not colour masks

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

uint32_t Le16(const uint8_t* p) { return p[0] | static_cast<uint32_t>(p[1]) << 8; }

uint32_t Le32(const uint8_t* p) {
  return p[0] | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

int BitsAllowed(uint32_t compression, uint32_t bits) {
  switch (compression) {
    case kRgb:
      return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
             bits == 32;
    case kRle8:
      return bits == 8;
    case kRle4:
      return bits == 4;
    case kBitFields:
      return bits == 16 || bits == 32;
    default:
      return 0;
  }
}

}  // namespace

int CheckBitmapBytes(const void* data, size_t size) { return ParseBitmapHeader(data, size, nullptr); }

int ParseBitmapHeader(const void* data, size_t size, BitmapHeader* out) {
  const uint8_t* b = static_cast<const uint8_t*>(data);
  if (!b || size < kFileHeaderSize + 4 || b[0] != 'B' || b[1] != 'M') return 0;
  const uint64_t pixelOffset = Le32(b + 10);
  const uint32_t headerSize = Le32(b + kFileHeaderSize);
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) return 0;
  if (size - kFileHeaderSize < headerSize) return 0;
  const uint8_t* h = b + kFileHeaderSize;

  int64_t width, height;
  int topDown = 0;
  uint32_t bits, compression, colours = 0;
  uint64_t headersEnd = kFileHeaderSize + static_cast<uint64_t>(headerSize);
  if (headerSize == kCoreHeaderSize) {
    width = Le16(h + 4);
    height = Le16(h + 6);
    bits = Le16(h + 10);
    compression = kRgb;
  } else {
    width = static_cast<int32_t>(Le32(h + 4));
    height = static_cast<int32_t>(Le32(h + 8));  // negative: rows run top-down
    if (height < 0) {
      height = -height;
      topDown = 1;
    }
    bits = Le16(h + 14);
    compression = Le32(h + 16);
    colours = Le32(h + 32);
    if (compression == kBitFields) {
      if (headerSize == kOs2HeaderSize) return 0;
      // A plain information header is followed by the three masks.
      if (headerSize < kMaskedHeaderSize) headersEnd += 12;
    }
  }
  if (!BitsAllowed(compression, bits)) return 0;
  if (width < 1 || width > kBitmapSideLimit || height < 1 || height > kBitmapSideLimit) return 0;
  if (width * height > kBitmapDotLimit) return 0;
  if (headersEnd > size || pixelOffset < headersEnd || pixelOffset >= size) return 0;

  // Run-length coded dots have no size to check; the limits above bound what
  // the reader allocates for them.
  if (compression != kRle8 && compression != kRle4) {
    // Rows are padded to four bytes; the last row's padding may be missing.
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 7) / 8;
    const uint64_t stride = (rowBytes + 3) / 4 * 4;
    const uint64_t dotBytes = stride * static_cast<uint64_t>(height - 1) + rowBytes;
    if (dotBytes > size - pixelOffset) return 0;
  }
  if (out) {
    out->headerSize = headerSize;
    out->width = static_cast<int32_t>(width);
    out->height = static_cast<int32_t>(height);
    out->topDown = topDown;
    out->bits = bits;
    out->compression = compression;
    out->colours = colours;
    out->pixelOffset = static_cast<uint32_t>(pixelOffset);
  }
  return 1;
}

int ReadBitmapFile(const char* path, uint8_t** bytes, size_t* size) {
  if (!bytes || !size) return 0;
  *bytes = nullptr;
  *size = 0;
  if (!path || !path[0]) return 0;
  // Non-blocking, so that opening a FIFO does not wait for a writer; it is
  // refused below like every other file that is not a regular one.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 ||
      static_cast<uint64_t>(st.st_size) > kBitmapFileLimit) {
    close(fd);
    return 0;
  }
  const size_t want = static_cast<size_t>(st.st_size);
  uint8_t* buffer = static_cast<uint8_t*>(std::malloc(want));
  if (!buffer) {
    close(fd);
    return 0;
  }
  // A file that shrinks while we read gives fewer bytes; one that grows is
  // cut at the size it had.
  size_t got = 0;
  int failed = 0;
  while (got < want) {
    const ssize_t n = read(fd, buffer + got, want - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) failed = 1;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  close(fd);
  if (failed || got == 0) {
    std::free(buffer);
    return 0;
  }
  *bytes = buffer;
  *size = got;
  return 1;
}
