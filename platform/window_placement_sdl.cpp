// Where the SDL main window stands, for the utility library's window
// placement file. Outer frames include the decorations SDL reports (none
// without a window manager); sizes given to SDL are content sizes.
#include "platform/window.h"
#include "platform/window_placement.h"
#include "platform/window_sdl_private.h"

int GetPlatformWindowPlacement(PlatformWindow* window, PlatformWindowPlacement* placement) {
  SDL_Window* sdl = PlatformSdlWindow(window);
  if (!sdl || !placement) return 0;
  PlatformRect outer;
  if (!GetPlatformWindowRect(window, &outer)) return 0;
  const Uint32 flags = SDL_GetWindowFlags(sdl);
  placement->showCommand = (flags & SDL_WINDOW_MINIMIZED)   ? PLACEMENT_MINIMISED
                           : (flags & SDL_WINDOW_MAXIMIZED) ? PLACEMENT_MAXIMISED
                                                            : PLACEMENT_NORMAL;
  placement->normalRect = outer;
  return 1;
}

// The window system sets no smallest size of its own here: one content dot
// inside the decorations of our window (if any). A maximised window fills
// the work area.
int GetPlatformSizeLimits(PlatformSizeLimits* limits) {
  if (!limits) return 0;
  PlatformRect area;
  if (!GetPlatformWorkArea(&area)) return 0;
  limits->minWidth = 1;
  limits->minHeight = 1;
  limits->maximisedWidth = area.right - area.left;
  limits->maximisedHeight = area.bottom - area.top;
  return 1;
}

int ApplyPlatformWindowPlacement(PlatformWindow* window, const PlatformRect& rect, int32_t resize,
                                 int32_t showCommand) {
  SDL_Window* sdl = PlatformSdlWindow(window);
  if (!sdl) return 0;
  if (resize) {
    PlatformRect outer, client;
    GetPlatformWindowRect(window, &outer);
    GetPlatformClientRect(window, &client);
    const int32_t extraW = (outer.right - outer.left) - (client.right - client.left);
    const int32_t extraH = (outer.bottom - outer.top) - (client.bottom - client.top);
    const int32_t w = rect.right - rect.left - extraW, h = rect.bottom - rect.top - extraH;
    if (w >= 1 && h >= 1) SDL_SetWindowSize(sdl, w, h);
  }
  MovePlatformWindow(window, rect.left, rect.top);
  if (showCommand == PLACEMENT_MAXIMISED) {
    SDL_ShowWindow(sdl);
    SDL_MaximizeWindow(sdl);
  } else {
    if (SDL_GetWindowFlags(sdl) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) SDL_RestoreWindow(sdl);
    SDL_ShowWindow(sdl);
  }
  return 1;
}
