// Off-screen surfaces: the stand-in for the drawing interface's surfaces.
//
// Every surface is made in one fixed native format: 32 bits per dot, 0x00RRGGBB.
// Native value 0 (black) is the colour key: keyed blits skip source dots of
// value 0. Coordinates are device dots; rectangles are {left, top, right,
// bottom}, right and bottom exclusive.
//
// A fill or blit whose rectangle is empty, inverted or not wholly inside its
// surface does nothing at all and returns 0 (the caller clips first). Source
// and destination rectangles of a blit must be the same size; nothing
// stretches except ScaleCopySurface.
//
// A surface can be marked lost (the presenting side does this when the window
// surface was remade; tests do it by hand). A lost surface refuses fills and
// blits until RestorePlatformSurface gives it memory again (content undefined:
// we leave it as it was).
//
// Used by graphics/ and shell/ only. Runs without a display.
#pragma once
#include <cstddef>
#include <cstdint>

struct PlatformRect {
  int32_t left, top, right, bottom;
};

struct PlatformSurface;

// Returns null when the surface cannot be made (w or h < 1, or no memory).
PlatformSurface* CreatePlatformSurface(int32_t width, int32_t height);
void DestroyPlatformSurface(PlatformSurface* surface);
// Moves a surface onto memory the caller owns (`pixels`, rows of `pitch`
// bytes, room for the surface's size in the native format), or back onto
// memory of its own when `pixels` is null. With keepContent the dots come
// along; otherwise the new memory is used as it is (memory of its own is
// black). The old memory is never touched again; the caller keeps memory it
// gave alive until the surface moves again or is destroyed. The platform
// window uses this to draw straight into the window system's picture.
// 1 on success; 0, and nothing changed, when refused (no memory, short pitch).
int MovePlatformSurface(PlatformSurface* surface, void* pixels, int32_t pitch, int keepContent);

int32_t PlatformSurfaceWidth(const PlatformSurface* surface);
int32_t PlatformSurfaceHeight(const PlatformSurface* surface);

// Direct access for hashing, screenshots and tests: rows of `pitch` bytes,
// each dot a uint32_t native value.
const uint8_t* PlatformSurfacePixels(const PlatformSurface* surface, int32_t* pitch);
uint8_t* PlatformSurfacePixelsMutable(PlatformSurface* surface, int32_t* pitch);

// 1 on success; 0 (and nothing changed) when refused.
int FillPlatformSurface(PlatformSurface* surface, const PlatformRect& rect, uint32_t native);
// keyed != 0 skips source dots of native value 0.
int BlitPlatformSurface(PlatformSurface* dst, const PlatformRect& dstRect,
                        const PlatformSurface* src, const PlatformRect& srcRect, int keyed);
// Copies the whole of src (srcWidth x srcHeight dots from its top-left corner)
// into dst's top-left corner, each dot becoming an m x m block; what falls
// outside dst is cut off. Not keyed. m >= 1.
int ScaleCopySurface(PlatformSurface* dst, const PlatformSurface* src, int32_t srcWidth,
                     int32_t srcHeight, int32_t m);

// Native value of dot (x, y); 0 outside the surface.
uint32_t ReadPlatformDot(const PlatformSurface* surface, int32_t x, int32_t y);

// The native value of a COLORREF (0x00BBGGRR).
uint32_t NativeFromColorRef(uint32_t colorRef);

void MarkPlatformSurfaceLost(PlatformSurface* surface);
int IsPlatformSurfaceLost(const PlatformSurface* surface);
int RestorePlatformSurface(PlatformSurface* surface);

// Decodes a BMP image (from memory or a file) into a new surface of the
// bitmap's own size, converted to the native format so that black is 0.
// Null when the bytes are not a bitmap the decoder takes, or the file
// cannot be read; bitmaps with short, huge or lying headers, and files that
// are no regular file or exceed 64 MiB, are refused before any memory is
// asked for (platform/bitmap_check.h; the decoder: bitmap_decode.cpp).
PlatformSurface* DecodeBitmap(const void* bytes, size_t size);
PlatformSurface* DecodeBitmapFile(const char* path);
