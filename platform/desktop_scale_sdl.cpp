// The scale an X11 desktop asks for: GDK_SCALE, or the server's Xft.dpi
// resource (what GNOME, KDE and xrdb set on a 2x screen). Under Wayland the
// compositor's own scale governs instead (see window_sdl.cpp), so nothing is
// asked here.
#include <SDL.h>
#include <SDL_syswm.h>

#include "platform/desktop_scale.h"
#include "platform/window_sdl_private.h"

int32_t AskedDesktopScale(SDL_Window* sdl) {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!sdl || !driver || SDL_strcmp(driver, "x11") != 0) return 1;
  const char* resources = nullptr;
#if defined(SDL_VIDEO_DRIVER_X11) && defined(ZORRIT_HAVE_XLIB)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11)
    resources = XResourceManagerString(info.info.x11.display);
#endif
  return DesktopScaleFrom(SDL_getenv("GDK_SCALE"), resources);
}
