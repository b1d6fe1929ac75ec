// The BMP decoder behind DecodeBitmap: every layout CheckBitmapBytes accepts,
// decoded into a native surface. Plain byte arithmetic over the bytes handed
// in, so it runs the same wherever the program is built.
//
// Rules a bitmap's author may not expect, kept as the desktop has always read
// bitmaps:
// - the palette starts right after the header; a header that names no colour
//   count (or more than 256) gets 256 entries, and entries past the end of the
//   bytes read as white;
// - an uncompressed dot whose index lies past the palette refuses the whole
//   bitmap; a run-length coded one is black;
// - uncompressed rows of 8 bits or more must be there whole, padding included;
//   rows of 1, 2 and 4 bits may lose the last row's padding;
// - run-length coded dots always fill from the bottom row up, a run may go on
//   into the next row, dots the runs never reach keep palette entry 0, and the
//   data must end with the end-of-bitmap mark;
// - 16-bit dots without colour masks are 5-5-5; channels narrower than 8 bits
//   are scaled to 0..255, rounded down.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/bitmap_check.h"
#include "platform/surface.h"

namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

constexpr size_t kFileHeaderSize = 14;

// Bytes past the end of the input read as 0xFF (what an unread palette byte is).
struct Bytes {
  const uint8_t* data;
  size_t size;
  uint32_t At(uint64_t i) const { return i < size ? data[i] : 0xFFu; }
  uint32_t Le32(uint64_t i) const { return At(i) | At(i + 1) << 8 | At(i + 2) << 16 | At(i + 3) << 24; }
};

// One colour channel taken out of a dot through its mask, widened to 8 bits.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;  // of the mask's lowest bit
  int width = 0;  // contiguous bits from there
};

Channel MakeChannel(uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (!mask) return c;
  while (!(mask & 1u)) {
    mask >>= 1;
    ++c.shift;
  }
  while (mask & 1u) {
    mask >>= 1;
    ++c.width;
  }
  return c;
}

// A narrower channel is scaled to 0..255 and rounded down (5 bits: 31 is
// 255, 4 is 32); a wider one keeps its top 8 bits.
uint32_t Widen(const Channel& c, uint32_t dot) {
  if (!c.width) return 0;
  const uint32_t ones = c.width >= 32 ? 0xFFFFFFFFu : (1u << c.width) - 1;  // a mask may be all 32 bits
  const uint32_t v = ((dot & c.mask) >> c.shift) & ones;
  if (c.width >= 8) return (v >> (c.width - 8)) & 0xFFu;
  return v * 255 / ones;
}

struct Masks {
  Channel r, g, b;
};

uint32_t FromMasks(const Masks& m, uint32_t dot) {
  return Widen(m.r, dot) << 16 | Widen(m.g, dot) << 8 | Widen(m.b, dot);
}

// Run-length coded indices into `index` (rows of `pitch` bytes, bottom row
// last, all 0 to start with). 0 when the data ends before the end-of-bitmap
// mark. A run may spill over its row's end into the row above's memory and
// is cut where the image's memory ends.
int ReadRunLength(const Bytes& in, uint64_t at, int rle8, std::vector<uint8_t>& index, int64_t pitch,
                  int64_t height) {
  const int64_t end = pitch * height;
  int64_t row = end - pitch;  // start of the row being written
  int64_t ofs = 0;
  auto put = [&](uint32_t v) {
    const int64_t spot = row + ofs++;
    if (spot >= 0 && spot < end) index[static_cast<size_t>(spot)] = static_cast<uint8_t>(v);
  };
  auto next = [&](uint32_t* v) {
    if (at >= in.size) return 0;
    *v = in.data[at++];
    return 1;
  };
  for (;;) {
    uint32_t count, value = 0;
    if (!next(&count)) return 0;
    if (count) {  // a run: count dots of one index (two alternating at 4 bits)
      if (!next(&value)) return 0;
      for (uint32_t i = 0; i < count; ++i) put(rle8 ? value : (i & 1) ? value & 0x0F : value >> 4);
      continue;
    }
    if (!next(&count)) return 0;
    if (count == 0) {  // end of row
      ofs = 0;
      row -= pitch;
    } else if (count == 1) {  // end of bitmap
      return 1;
    } else if (count == 2) {  // move right and up
      uint32_t dx, dy;
      if (!next(&dx)) return 0;
      ofs += dx;
      if (!next(&dy)) return 0;
      row -= static_cast<int64_t>(dy) * pitch;
    } else {  // count literal dots, padded to a whole number of 16-bit words
      const uint32_t bytes = rle8 ? count : (count + 1) / 2;
      for (uint32_t i = 0; i < count; ++i) {
        if (rle8 || !(i & 1)) {
          if (!next(&value)) return 0;
        }
        put(rle8 ? value : (i & 1) ? value & 0x0F : value >> 4);
      }
      if (bytes & 1) {
        if (!next(&value)) return 0;
      }
    }
  }
}

PlatformSurface* Decode(const Bytes& in, const BitmapHeader& h) {
  PlatformSurface* surface = CreatePlatformSurface(h.width, h.height);
  if (!surface) return nullptr;
  int32_t pitch = 0;
  uint8_t* pixels = PlatformSurfacePixelsMutable(surface, &pitch);
  auto out = [&](int32_t y) { return reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(y) * pitch); };
  auto fail = [&]() {
    DestroyPlatformSurface(surface);
    return nullptr;
  };

  const uint64_t stride = (static_cast<uint64_t>(h.width) * h.bits + 31) / 32 * 4;
  // Stored row i is dot row y.
  auto dotRow = [&](int32_t i) { return h.topDown ? i : h.height - 1 - i; };

  if (h.bits <= 8) {
    const uint64_t paletteAt = kFileHeaderSize + h.headerSize;
    const uint32_t entry = h.headerSize == 12 ? 3 : 4;
    const uint32_t colours = h.colours == 0 || h.colours > 256 ? 256 : h.colours;
    uint32_t palette[256] = {};  // entries past `colours` stay black
    for (uint32_t i = 0; i < colours; ++i) {
      const uint64_t p = paletteAt + static_cast<uint64_t>(i) * entry;
      palette[i] = in.At(p + 2) << 16 | in.At(p + 1) << 8 | in.At(p);
    }
    if (h.compression == kRle8 || h.compression == kRle4) {
      const int64_t indexPitch = (static_cast<int64_t>(h.width) + 3) / 4 * 4;
      std::vector<uint8_t> index(static_cast<size_t>(indexPitch * h.height), 0);
      if (!ReadRunLength(in, h.pixelOffset, h.compression == kRle8, index, indexPitch, h.height)) return fail();
      for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* src = index.data() + static_cast<ptrdiff_t>(y) * indexPitch;
        uint32_t* dst = out(y);
        for (int32_t x = 0; x < h.width; ++x) dst[x] = palette[src[x]];
      }
      return surface;
    }
    // Rows of 8 bits are read whole, padding included; narrower rows dot by dot.
    if (h.bits == 8 && h.pixelOffset + stride * static_cast<uint64_t>(h.height) > in.size) return fail();
    const uint32_t perByte = 8 / h.bits;
    const uint32_t low = (1u << h.bits) - 1;
    for (int32_t i = 0; i < h.height; ++i) {
      const uint64_t at = h.pixelOffset + stride * static_cast<uint64_t>(i);
      uint32_t* dst = out(dotRow(i));
      for (int32_t x = 0; x < h.width; ++x) {
        const uint32_t byte = in.data[at + static_cast<uint64_t>(x) / perByte];
        const uint32_t v = (byte >> (8 - h.bits - (static_cast<uint32_t>(x) % perByte) * h.bits)) & low;
        if (v >= colours) return fail();
        dst[x] = palette[v];
      }
    }
    return surface;
  }

  // True colour: whole rows only.
  if (h.pixelOffset + stride * static_cast<uint64_t>(h.height) > in.size) return fail();
  Masks masks;
  if (h.compression == kBitFields) {
    // Just past the 40-byte information header, whether the header is longer
    // and holds them or they follow it.
    masks.r = MakeChannel(in.Le32(kFileHeaderSize + 40));
    masks.g = MakeChannel(in.Le32(kFileHeaderSize + 44));
    masks.b = MakeChannel(in.Le32(kFileHeaderSize + 48));
  } else if (h.bits == 16) {
    masks = {MakeChannel(0x7C00), MakeChannel(0x03E0), MakeChannel(0x001F)};
  } else {
    masks = {MakeChannel(0xFF0000), MakeChannel(0x00FF00), MakeChannel(0x0000FF)};
  }
  const uint32_t size = h.bits / 8;
  for (int32_t i = 0; i < h.height; ++i) {
    const uint8_t* src = in.data + h.pixelOffset + stride * static_cast<uint64_t>(i);
    uint32_t* dst = out(dotRow(i));
    for (int32_t x = 0; x < h.width; ++x) {
      const uint8_t* p = src + static_cast<size_t>(x) * size;
      uint32_t dot = 0;
      for (uint32_t k = 0; k < size; ++k) dot |= static_cast<uint32_t>(p[k]) << (8 * k);
      dst[x] = FromMasks(masks, dot);
    }
  }
  return surface;
}

}  // namespace

PlatformSurface* DecodeBitmap(const void* bytes, size_t size) {
  BitmapHeader header;
  if (!bytes || size == 0 || !ParseBitmapHeader(bytes, size, &header)) return nullptr;
  return Decode(Bytes{static_cast<const uint8_t*>(bytes), size}, header);
}

PlatformSurface* DecodeBitmapFile(const char* path) {
  uint8_t* bytes = nullptr;
  size_t size = 0;
  if (!ReadBitmapFile(path, &bytes, &size)) return nullptr;  // regular files, size-capped
  PlatformSurface* surface = DecodeBitmap(bytes, size);
  std::free(bytes);
  return surface;
}
