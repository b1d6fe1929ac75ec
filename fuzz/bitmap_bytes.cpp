// BMP bytes as the embedded resources hand them over: decoding either fails
// or gives a surface within the size limits whose header passed the check;
// nothing crashes, leaks or asks for more memory than the limits allow.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/bitmap_check.h"
#include "platform/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's size, so any read past it is caught.
  std::vector<uint8_t> bytes(data, data + size);
  const int accepted = CheckBitmapBytes(bytes.data(), bytes.size());
  PlatformSurface* surface = DecodeBitmap(bytes.data(), bytes.size());
  if (surface) {
    const int64_t w = PlatformSurfaceWidth(surface);
    const int64_t h = PlatformSurfaceHeight(surface);
    if (!accepted || w < 1 || h < 1 || w > kBitmapSideLimit || h > kBitmapSideLimit ||
        w * h > kBitmapDotLimit) {
      std::abort();
    }
    // Black, and only black, is the key: no dot may carry the unused byte.
    int32_t pitch = 0;
    const uint8_t* pixels = PlatformSurfacePixels(surface, &pitch);
    for (int64_t y = 0; y < h; ++y) {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(pixels + y * pitch);
      for (int64_t x = 0; x < w; ++x)
        if (row[x] >> 24) std::abort();
    }
    DestroyPlatformSurface(surface);
  }
  return 0;
}
