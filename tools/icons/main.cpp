// zorrit-icons: writes the desktop icons from the window icon bitmap.
//
//   zorrit-icons ICON.bmp OUTDIR
//
// Makes OUTDIR/<s>x<s>/apps/zorrit.png for s = 32, 64, 128 and 256, each dot
// of the 32 x 32 icon scaled to a whole s/32 x s/32 block (nearest neighbour).
// Black dots, the icon's transparent colour, become fully transparent.
#include <png.h>
#include <sys/stat.h>

#include <cerrno>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/surface.h"

static int MakeDirectories(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      if (!partial.empty() && mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return 0;
    }
    if (i < path.size()) partial += path[i];
  }
  return 1;
}

static int WriteScaledIcon(const PlatformSurface* icon, int scale, const std::string& path) {
  const int32_t width = PlatformSurfaceWidth(icon) * scale;
  const int32_t height = PlatformSurfaceHeight(icon) * scale;
  std::vector<unsigned char> rgba((size_t)width * height * 4);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t dot = ReadPlatformDot(icon, x / scale, y / scale);
      unsigned char* out = &rgba[((size_t)y * width + x) * 4];
      out[0] = (unsigned char)(dot >> 16);
      out[1] = (unsigned char)(dot >> 8);
      out[2] = (unsigned char)dot;
      out[3] = dot == 0 ? 0 : 255;
    }
  }
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = (png_uint_32)width;
  image.height = (png_uint_32)height;
  image.format = PNG_FORMAT_RGBA;
  return png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) ? 1 : 0;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: zorrit-icons ICON.bmp OUTDIR\n");
    return 2;
  }
  PlatformSurface* icon = DecodeBitmapFile(argv[1]);
  if (!icon) {
    std::fprintf(stderr, "zorrit-icons: %s is not a bitmap that can be read\n", argv[1]);
    return 1;
  }
  int ok = 1;
  for (int size : {32, 64, 128, 256}) {
    const std::string dir = std::string(argv[2]) + "/" + std::to_string(size) + "x" +
                            std::to_string(size) + "/apps";
    if (!MakeDirectories(dir) ||
        !WriteScaledIcon(icon, size / PlatformSurfaceWidth(icon), dir + "/zorrit.png")) {
      std::fprintf(stderr, "zorrit-icons: cannot write the %d-dot icon under %s\n", size, dir.c_str());
      ok = 0;
    }
  }
  DestroyPlatformSurface(icon);
  return ok ? 0 : 1;
}
