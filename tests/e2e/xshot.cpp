// zorrit-e2e-xshot: a screenshot of one X window's content as a binary PPM.
//
//   zorrit-e2e-xshot WINDOW-ID OUT.ppm
//
// Reads what is on screen now where the window stands: the root window's
// pixels over the window's rectangle (a window's own image may be blank
// under a framebuffer that draws into the screen directly). Exit status 0 on
// success, 1 when the window cannot be read.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s WINDOW-ID OUT.ppm\n", argv[0]);
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window window = (Window)std::strtoul(argv[1], nullptr, 0);
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return 1;
  const Window root = DefaultRootWindow(display);
  int x = 0, y = 0;
  Window child;
  if (!XTranslateCoordinates(display, window, root, 0, 0, &x, &y, &child)) return 1;
  XImage* image = XGetImage(display, root, x, y, attributes.width, attributes.height, AllPlanes,
                            ZPixmap);
  if (!image) return 1;
  FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 1;
  std::fprintf(out, "P6\n%d %d\n255\n", image->width, image->height);
  for (int y = 0; y < image->height; ++y) {
    for (int x = 0; x < image->width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      const unsigned char rgb[3] = {(unsigned char)((pixel & image->red_mask) >> 16),
                                    (unsigned char)((pixel & image->green_mask) >> 8),
                                    (unsigned char)(pixel & image->blue_mask)};
      std::fwrite(rgb, 1, 3, out);
    }
  }
  const int ok = std::fclose(out) == 0;
  XDestroyImage(image);
  XCloseDisplay(display);
  return ok ? 0 : 1;
}
