// The main window on SDL: one fixed-size window whose content is shown
// through SDL's window surface, and the message queue fed by SDL's events.
//
// The canvas is a surface in the native format; the shell draws the menu bar
// into it and Present copies the picture into it. Whenever SDL's window
// surface has the canvas's size and format (the usual case under X11), the
// canvas lives in that surface's memory, so the picture is copied once per
// frame, and UpdatePlatformWindow only shows it. Otherwise the canvas has
// memory of its own and UpdatePlatformWindow copies it into SDL's surface.
// When SDL is about to remake its surface (a size change: SDL frees the old
// memory at the next SDL_GetWindowSurface) the canvas moves back into memory
// of its own, content and all, before anything can free it. So the canvas
// survives whatever the window system does to its surface, and an exposed
// window is repainted from it at once, even while the game stands still.
//
// A desktop that asks programs to scale (AskedDesktopScale) gets the window
// enlarged by that whole factor, as it would stretch a program that knows
// nothing of dots per inch: the canvas keeps its size in the program's dots,
// ShowCanvas enlarges it into the window surface by whole dots (each dot an
// s x s block, no blending), and mouse positions are divided back. Both
// factors are read from the sizes SDL reports (the surface's over the
// canvas, the window's over the canvas), so a window surface handed in a
// scaled output's dots would be filled whole as well. Under Wayland the
// compositor's scale is met in CreatePlatformWindow instead. Nothing else in
// the program knows of the enlargement.
//
// On X11 the window surface is SDL's plain framebuffer (XShm), never a GPU or
// software-GL texture: SDL_FRAMEBUFFER_ACCELERATION is switched off, which on
// a machine without a GPU costs far less processor time and memory. SDL's
// Wayland driver has only the texture.
//
// Message order: messages posted with PostPlatformMessage first, then the
// second halves of translated events, then SDL's event queue.
// PostPlatformMessage may be called from any thread (the instance channel's
// listener does); it wakes a WaitPlatformMessage blocked in SDL_WaitEvent by
// pushing an SDL user event.
#include <SDL.h>
#include <time.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/keymap.h"
#include "platform/window.h"
#include "platform/window_extra.h"
#include "platform/window_sdl_private.h"

struct PlatformWindow {
  SDL_Window* sdl;
  Uint32 id;
  PlatformSurface* canvas;     // clientWidth x clientHeight
  SDL_Surface* shown;          // SDL's window surface when the canvas lives in it, else null
  int32_t clientWidth, clientHeight;
  int32_t surfaceHeld;         // SDL's window surface was obtained since the last remake
  int32_t scale;               // whole factor the desktop asks for; the window is
                               // (at most) the canvas times this on screen
  std::vector<uint32_t> enlarged;  // the enlarged canvas, when SDL's format is not ours
};

static PlatformWindow* theWindow = nullptr;

static std::mutex postedLock;
static std::deque<PlatformMessage> posted;     // PostPlatformMessage, any thread
static std::deque<PlatformMessage> translated; // main thread only
static Uint32 wakeEvent = (Uint32)-1;          // SDL user event that only wakes a wait
static uint32_t buttonsHeld = 0;               // MOUSE bits held, for the capture
static FILE* presentLog = nullptr;

enum : uint32_t { kHeldLeft = 1, kHeldRight = 2 };
enum : uint32_t { kVirtualKeyF4 = 115 };

// ---------------------------------------------------------------- window

// The canvas leaves SDL's window surface before SDL can free it: SDL
// invalidates its surface only on a size change, and always sends
// SDL_WINDOWEVENT_SIZE_CHANGED as it does, before it frees anything. The
// watch runs on the main thread, inside the call that changed the size.
// (Other threads' events pass here too; they are never window events.)
static int SDLCALL WatchSurfaceChanges(void*, SDL_Event* event) {
  if (event->type != SDL_WINDOWEVENT || event->window.event != SDL_WINDOWEVENT_SIZE_CHANGED)
    return 1;
  PlatformWindow* window = theWindow;
  if (window && window->shown && event->window.windowID == window->id &&
      MovePlatformSurface(window->canvas, nullptr, 0, 1))
    window->shown = nullptr;
  return 1;
}

// SDL falls back to an invisible "offscreen" display when there is no real
// one; a window nobody can see is no window. Only an explicit
// SDL_VIDEODRIVER may choose such a driver.
static int RealDisplay() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!driver) return 0;
  if (SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0) return 1;
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  return asked && SDL_strcasecmp(asked, driver) == 0;
}

static int WindowDisplay(PlatformWindow* window) {
  int display = window ? SDL_GetWindowDisplayIndex(window->sdl) : 0;
  return display < 0 ? 0 : display;
}

// The desktop's factor, lowered until the enlarged window fits in the
// usable part of its display (at least 1).
static int32_t FittingScale(PlatformWindow* window) {
  int32_t s = window->scale;
  SDL_Rect usable;
  if (s > 1 && SDL_GetDisplayUsableBounds(WindowDisplay(window), &usable) == 0) {
    while (s > 1 && (window->clientWidth * s > usable.w || window->clientHeight * s > usable.h))
      --s;
  }
  return s < 1 ? 1 : s;
}

PlatformWindow* CreatePlatformWindow(const char* caption, int32_t clientWidth,
                                     int32_t clientHeight) {
  if (theWindow) return nullptr;  // one window per process
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // The click that activates the window is a click like any other.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  if (!InitPlatformVideo()) return nullptr;
  if (!RealDisplay()) {
    const char* chosen = SDL_GetCurrentVideoDriver();
    char driver[32];
    SDL_strlcpy(driver, chosen ? chosen : "", sizeof driver);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    SDL_SetError("no window system reached, only SDL's \"%s\" driver", driver);
    return nullptr;
  }
  // SDL's Wayland driver has no plain framebuffer: its window surface is
  // always a texture that a renderer draws (GL ES through EGL, Mesa's
  // software rasteriser on a machine without a GPU).
  if (PlatformVideoIsWayland()) SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
  // On a scaled Wayland output the window asks for buffers at the output's
  // scale (SDL_WINDOW_ALLOW_HIGHDPI): the compositor then shows them dot for
  // dot, where a 1x buffer would be stretched with the compositor's own
  // filter (blurred by most). The window surface stays in the window's size;
  // SDL's renderer enlarges it into the buffer by whole dots (nearest).
  // Without the flag the window would be as large, only blurred; X11 ignores it.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  if (wakeEvent == (Uint32)-1) wakeEvent = SDL_RegisterEvents(1);

  if (clientWidth < 1) clientWidth = 1;
  if (clientHeight < 1) clientHeight = 1;
  SDL_Window* sdl = SDL_CreateWindow(caption ? caption : "", SDL_WINDOWPOS_UNDEFINED,
                                     SDL_WINDOWPOS_UNDEFINED, clientWidth, clientHeight,
                                     SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!sdl) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return nullptr;
  }
  PlatformSurface* canvas = CreatePlatformSurface(clientWidth, clientHeight);
  if (!canvas) {
    SDL_DestroyWindow(sdl);
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
    return nullptr;
  }
  SDL_StopTextInput();
  PlatformWindow* window = new PlatformWindow();
  window->sdl = sdl;
  window->id = SDL_GetWindowID(sdl);
  window->canvas = canvas;
  window->clientWidth = clientWidth;
  window->clientHeight = clientHeight;
  window->scale = AskedDesktopScale(sdl);
  if (const int32_t s = FittingScale(window); s > 1)
    SDL_SetWindowSize(sdl, clientWidth * s, clientHeight * s);
  theWindow = window;
  SDL_AddEventWatch(WatchSurfaceChanges, nullptr);
  WatchWindowSystem(sdl);
  return window;
}

SDL_Window* PlatformSdlWindow(PlatformWindow* window) { return window ? window->sdl : nullptr; }

void DestroyPlatformWindow(PlatformWindow* window) {
  if (!window) return;
  if (presentLog) std::fflush(presentLog);
  if (buttonsHeld) SDL_CaptureMouse(SDL_FALSE);
  buttonsHeld = 0;
  {
    std::lock_guard<std::mutex> hold(postedLock);
    wakeEvent = (Uint32)-1;  // no more wake-ups into a closing event queue
  }
  // SDL remembers the window it last waited on and wakes it with an X event
  // at the next event pushed. Hiding the window first pushes such events
  // while it still exists; one that still crosses the destruction is
  // answered with BadWindow, which the video driver's error handler drops
  // (video_driver_sdl.cpp).
  SDL_HideWindow(window->sdl);
  SDL_PumpEvents();
  StopWatchingWindowSystem();
  SDL_DelEventWatch(WatchSurfaceChanges, nullptr);
  DestroyPlatformSurface(window->canvas);  // before the memory it may live in
  window->shown = nullptr;
  SDL_DestroyWindow(window->sdl);
  if (theWindow == window) theWindow = nullptr;
  delete window;
  translated.clear();
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

void SetPlatformWindowCaption(PlatformWindow* window, const char* caption) {
  if (window) SDL_SetWindowTitle(window->sdl, caption ? caption : "");
}

void SetPlatformWindowIcon(PlatformWindow* window, const PlatformSurface* icon) {
  if (!window || !icon) return;
  const int32_t w = PlatformSurfaceWidth(icon), h = PlatformSurfaceHeight(icon);
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
  if (!image) return;
  for (int32_t y = 0; y < h; ++y) {
    Uint32* row = (Uint32*)((Uint8*)image->pixels + (size_t)y * image->pitch);
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t dot = ReadPlatformDot(icon, x, y) & 0xFFFFFF;
      row[x] = dot == 0 ? 0 : (0xFF000000u | dot);  // black is transparent
    }
  }
  SDL_SetWindowIcon(window->sdl, image);
  SDL_FreeSurface(image);
}

// A new size makes a new canvas (blank). If SDL's window surface had been
// obtained, it is remade too and the shell is told with WM_APP_SURFACE_LOST.
void ResizePlatformWindow(PlatformWindow* window, int32_t clientWidth, int32_t clientHeight) {
  if (!window) return;
  if (clientWidth < 1) clientWidth = 1;
  if (clientHeight < 1) clientHeight = 1;
  if (clientWidth == window->clientWidth && clientHeight == window->clientHeight) return;
  PlatformSurface* canvas = CreatePlatformSurface(clientWidth, clientHeight);
  if (!canvas) return;
  DestroyPlatformSurface(window->canvas);
  window->canvas = canvas;
  window->shown = nullptr;
  window->clientWidth = clientWidth;
  window->clientHeight = clientHeight;
  // A fixed-size window: the window manager gets minimum = maximum = size.
  const int32_t s = FittingScale(window);
  SDL_SetWindowMinimumSize(window->sdl, clientWidth * s, clientHeight * s);
  SDL_SetWindowMaximumSize(window->sdl, clientWidth * s, clientHeight * s);
  SDL_SetWindowSize(window->sdl, clientWidth * s, clientHeight * s);
  if (window->surfaceHeld) {
    window->surfaceHeld = 0;
    translated.push_back({WM_APP_SURFACE_LOST, 0, 0});
  }
}

int GetPlatformWorkArea(PlatformRect* area) {
  if (!area) return 0;
  SDL_Rect r;
  if (SDL_GetDisplayUsableBounds(WindowDisplay(theWindow), &r) != 0) return 0;
  *area = {r.x, r.y, r.x + r.w, r.y + r.h};
  return 1;
}

// The decorations around the content; zero when the window system does not
// tell (no window manager, or a window not yet shown).
static void Borders(PlatformWindow* window, int* top, int* left, int* bottom, int* right) {
  *top = *left = *bottom = *right = 0;
  if (SDL_GetWindowBordersSize(window->sdl, top, left, bottom, right) != 0)
    *top = *left = *bottom = *right = 0;
}

int GetPlatformWindowRect(PlatformWindow* window, PlatformRect* rect) {
  if (!window || !rect) return 0;
  PlatformRect client;
  GetPlatformClientRect(window, &client);
  int top, left, bottom, right;
  Borders(window, &top, &left, &bottom, &right);
  *rect = {client.left - left, client.top - top, client.right + right, client.bottom + bottom};
  return 1;
}

int GetPlatformClientRect(PlatformWindow* window, PlatformRect* rect) {
  if (!window || !rect) return 0;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(window->sdl, &x, &y);
  SDL_GetWindowSize(window->sdl, &w, &h);
  *rect = {x, y, x + w, y + h};
  return 1;
}

void MovePlatformWindow(PlatformWindow* window, int32_t x, int32_t y) {
  if (!window) return;
  int top, left, bottom, right;
  Borders(window, &top, &left, &bottom, &right);
  SDL_SetWindowPosition(window->sdl, x + left, y + top);
}

void ShowPlatformWindow(PlatformWindow* window) {
  if (!window) return;
  SDL_ShowWindow(window->sdl);
  // A Wayland window learns its size limits only once it is shown; a window
  // with minimum = maximum is one a tiling compositor lets float at its size.
  if (PlatformVideoIsWayland()) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    SDL_SetWindowMinimumSize(window->sdl, w, h);
    SDL_SetWindowMaximumSize(window->sdl, w, h);
  }
}

void BringPlatformWindowToFront(PlatformWindow* window) {
  if (!window) return;
  const Uint32 flags = SDL_GetWindowFlags(window->sdl);
  if (flags & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(window->sdl);
  if (flags & SDL_WINDOW_HIDDEN) SDL_ShowWindow(window->sdl);
  SDL_RaiseWindow(window->sdl);
  // Without a window manager nobody acts on the raise's activation request;
  // ask for the keyboard focus directly as well.
  SDL_SetWindowInputFocus(window->sdl);
}

PlatformSurface* PlatformWindowCanvas(PlatformWindow* window) {
  return window ? window->canvas : nullptr;
}

// How many times larger than the canvas something of width x height is,
// in whole dots either way (at least 1).
static int32_t FactorOver(const PlatformWindow* window, int w, int h) {
  const int32_t f = SDL_min(w / window->clientWidth, h / window->clientHeight);
  return f < 1 ? 1 : f;
}

// Copies w x h dots of 32 bits from `in` to `out`, each dot an s x s block.
static void Enlarge(uint8_t* out, size_t outPitch, const uint8_t* in, size_t inPitch, int w,
                    int h, int s) {
  const size_t rowBytes = (size_t)w * s * 4;
  for (int y = 0; y < h; ++y) {
    const uint32_t* from = (const uint32_t*)(in + (size_t)y * inPitch);
    uint8_t* first = out + (size_t)y * s * outPitch;
    uint32_t* to = (uint32_t*)first;
    if (s == 2) {
      for (int x = 0; x < w; ++x, to += 2) to[0] = to[1] = from[x];
    } else {
      for (int x = 0; x < w; ++x)
        for (int k = 0; k < s; ++k) *to++ = from[x];
    }
    for (int k = 1; k < s; ++k) std::memcpy(first + k * outPitch, first, rowBytes);
  }
}

// 1 when the canvas lives in `surface` (SDL's window surface, just obtained),
// moving it there when the two agree in size and format.
static int CanvasInSurface(PlatformWindow* window, SDL_Surface* surface) {
  if (window->shown == surface) return 1;
  if (window->shown) {
    // SDL remade its surface unannounced: the memory the canvas lived in is
    // gone, and with it the picture. Start again from black and say so.
    if (!MovePlatformSurface(window->canvas, nullptr, 0, 0)) return 0;
    window->shown = nullptr;
    translated.push_back({WM_APP_SURFACE_LOST, 0, 0});
  }
  if (surface->format->format != SDL_PIXELFORMAT_RGB888 || SDL_MUSTLOCK(surface) ||
      surface->w != window->clientWidth || surface->h != window->clientHeight)
    return 0;
  if (!MovePlatformSurface(window->canvas, surface->pixels, surface->pitch, 1)) return 0;
  window->shown = surface;
  return 1;
}

// Shows the canvas: when it lives in SDL's window surface there is nothing
// to copy; else it is copied there first, enlarged by the whole factor the
// surface is larger by. Returns 1 when something was shown.
static int ShowCanvas(PlatformWindow* window) {
  SDL_Surface* surface = SDL_GetWindowSurface(window->sdl);
  if (!surface) return 0;
  window->surfaceHeld = 1;
  if (CanvasInSurface(window, surface)) return SDL_UpdateWindowSurface(window->sdl) == 0;
  int32_t pitch = 0;
  const uint8_t* pixels = PlatformSurfacePixels(window->canvas, &pitch);
  const int s = FactorOver(window, surface->w, surface->h);
  const int w = SDL_min(surface->w / s, window->clientWidth);
  const int h = SDL_min(surface->h / s, window->clientHeight);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return 0;
  const int ours = surface->format->format == SDL_PIXELFORMAT_RGB888;
  if (s == 1 && ours) {
    for (int y = 0; y < h; ++y)
      std::memcpy((Uint8*)surface->pixels + (size_t)y * surface->pitch,
                  pixels + (size_t)y * pitch, (size_t)w * 4);
  } else if (s == 1) {
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, pixels, pitch, surface->format->format,
                      surface->pixels, surface->pitch);
  } else if (ours) {
    Enlarge((uint8_t*)surface->pixels, surface->pitch, pixels, pitch, w, h, s);
  } else {
    window->enlarged.resize((size_t)w * s * h * s);
    Enlarge((uint8_t*)window->enlarged.data(), (size_t)w * s * 4, pixels, pitch, w, h, s);
    SDL_ConvertPixels(w * s, h * s, SDL_PIXELFORMAT_RGB888, window->enlarged.data(), w * s * 4,
                      surface->format->format, surface->pixels, surface->pitch);
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  return SDL_UpdateWindowSurface(window->sdl) == 0;
}

static uint64_t MonotonicMicroseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (uint64_t)now.tv_sec * 1000000u + (uint64_t)now.tv_nsec / 1000u;
}

void UpdatePlatformWindow(PlatformWindow* window) {
  if (!window) return;
  if (ShowCanvas(window) && presentLog)
    std::fprintf(presentLog, "%llu\n", (unsigned long long)MonotonicMicroseconds());
}

void InhibitScreenSaver(int inhibit) {
  if (inhibit)
    SDL_DisableScreenSaver();
  else
    SDL_EnableScreenSaver();
}

int StartPresentLog(const char* path) {
  StopPresentLog();
  if (!path || !*path) return 0;
  presentLog = std::fopen(path, "w");
  if (!presentLog) return 0;
  std::setvbuf(presentLog, nullptr, _IOLBF, 0);
  return 1;
}

void StopPresentLog() {
  if (presentLog) std::fclose(presentLog);
  presentLog = nullptr;
}

// ---------------------------------------------------------------- queue

void PostPlatformMessage(const PlatformMessage& message) {
  std::lock_guard<std::mutex> hold(postedLock);
  posted.push_back(message);
  if (wakeEvent != (Uint32)-1) {
    SDL_Event wake;
    SDL_zero(wake);
    wake.type = wakeEvent;
    SDL_PushEvent(&wake);
  }
}

static int TakePosted(PlatformMessage* message) {
  std::lock_guard<std::mutex> hold(postedLock);
  if (posted.empty()) return 0;
  *message = posted.front();
  posted.pop_front();
  return 1;
}

static int TakeTranslated(PlatformMessage* message) {
  if (translated.empty()) return 0;
  *message = translated.front();
  translated.pop_front();
  return 1;
}

// Mouse capture follows the buttons: taken at the first press, given back
// when neither button is held any more (also for a release nobody saw pressed).
static void TrackCapture(uint32_t bit, int down) {
  if (down) {
    if (buttonsHeld == 0) SDL_CaptureMouse(SDL_TRUE);
    buttonsHeld |= bit;
  } else {
    buttonsHeld &= ~bit;
    if (buttonsHeld == 0) SDL_CaptureMouse(SDL_FALSE);
  }
}

static uint64_t ButtonState() {
  return (buttonsHeld & kHeldLeft ? 0x0001u : 0) | (buttonsHeld & kHeldRight ? 0x0002u : 0);
}

// Mouse events name the window under the pointer, or none (0) while SDL has
// not yet seen the pointer enter, for instance right after the window was
// mapped again under a still pointer.
static int OurWindowId(PlatformWindow* window, Uint32 id) {
  return !window || id == 0 || id == window->id;
}

// A mouse position in the window as a message's position on the canvas:
// divided by the factor the window is enlarged by, rounding down (so that a
// captured pointer left of or above the window stays outside).
static int64_t CanvasMouseParam(PlatformWindow* window, int x, int y) {
  if (window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdl, &w, &h);
    const int f = FactorOver(window, w, h);
    x = x >= 0 ? x / f : -((-x + f - 1) / f);
    y = y >= 0 ? y / f : -((-y + f - 1) / f);
  }
  return MakeMouseParam(x, y);
}

// One SDL event into at most two messages; returns how many.
static int Translate(const SDL_Event& event, PlatformMessage out[2]) {
  PlatformWindow* window = theWindow;
  switch (event.type) {
    case SDL_QUIT:  // also SIGINT and SIGTERM
      out[0] = {WM_CLOSE, 0, 0};
      return 1;
    case SDL_WINDOWEVENT:
      if (!window || event.window.windowID != window->id) return 0;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          out[0] = {WM_ACTIVATE, WA_ACTIVE, 0};
          return 1;
        case SDL_WINDOWEVENT_FOCUS_LOST:
          out[0] = {WM_ACTIVATE, WA_INACTIVE, 0};
          return 1;
        case SDL_WINDOWEVENT_MINIMIZED:
          out[0] = {WM_SIZE, SIZE_MINIMIZED, 0};
          return 1;
        case SDL_WINDOWEVENT_RESTORED:
          out[0] = {WM_SIZE, SIZE_RESTORED, 0};
          return 1;
        case SDL_WINDOWEVENT_MAXIMIZED:
          out[0] = {WM_SIZE, SIZE_MAXIMIZED, 0};
          return 1;
        case SDL_WINDOWEVENT_CLOSE:
          out[0] = {WM_CLOSE, 0, 0};
          return 1;
        case SDL_WINDOWEVENT_EXPOSED:
          ShowCanvas(window);
          return 0;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          // SDL remakes its window surface at the next request.
          if (window->surfaceHeld) {
            window->surfaceHeld = 0;
            out[0] = {WM_APP_SURFACE_LOST, 0, 0};
            return 1;
          }
          return 0;
        default:
          return 0;
      }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const uint32_t key = VirtualKeyFromSdl(event.key.keysym.scancode, event.key.keysym.sym);
      if (key == 0) return 0;
      const int down = event.type == SDL_KEYDOWN;
      const int alt = (event.key.keysym.mod & KMOD_ALT) != 0;
      // Alt, F10 and keys pressed with Alt are system keys: they never reach
      // the key table. A release always reaches it (except of Alt and F10),
      // so a key let go while Alt is held does not stay down in the table.
      const int systemKey = key == VK_MENU || key == VK_F10 || (down && alt);
      uint32_t message = down ? (systemKey ? WM_SYSKEYDOWN : WM_KEYDOWN)
                              : (systemKey ? WM_SYSKEYUP : WM_KEYUP);
      out[0] = {message, key, event.key.repeat ? 0x40000000 : 0};
      return 1;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (!OurWindowId(window, event.button.windowID)) return 0;
      const int down = event.type == SDL_MOUSEBUTTONDOWN;
      const int64_t where = CanvasMouseParam(window, event.button.x, event.button.y);
      if (event.button.button == SDL_BUTTON_LEFT) {
        TrackCapture(kHeldLeft, down);
        out[0] = {down ? WM_LBUTTONDOWN : WM_LBUTTONUP, ButtonState(), where};
        return 1;
      }
      if (event.button.button == SDL_BUTTON_RIGHT) {
        TrackCapture(kHeldRight, down);
        out[0] = {down ? WM_RBUTTONDOWN : WM_RBUTTONUP, ButtonState(), where};
        return 1;
      }
      return 0;
    }
    case SDL_MOUSEMOTION:
      if (!OurWindowId(window, event.motion.windowID)) return 0;
      out[0] = {WM_MOUSEMOVE, ButtonState(),
                CanvasMouseParam(window, event.motion.x, event.motion.y)};
      return 1;
    case SDL_MOUSEWHEEL: {
      int32_t notches = event.wheel.y;
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      if (notches == 0) return 0;
      const uint64_t delta = (uint16_t)(int16_t)(notches * 120);
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      out[0] = {WM_MOUSEWHEEL, (delta << 16) | ButtonState(), CanvasMouseParam(window, x, y)};
      return 1;
    }
    default:
      return 0;
  }
}

// Translates one taken SDL event; the first message goes to *message, a
// second one waits in the translated queue. 1 when *message was set.
static int Deliver(const SDL_Event& event, PlatformMessage* message) {
  PlatformMessage out[2];
  const int n = Translate(event, out);
  if (n == 0) return 0;
  *message = out[0];
  for (int i = 1; i < n; ++i) translated.push_back(out[i]);
  return 1;
}

int PeekPlatformMessage(PlatformMessage* message) {
  PlatformMessage taken;
  if (TakePosted(&taken) || TakeTranslated(&taken)) {
    if (message) *message = taken;
    return 1;
  }
  if (!SDL_WasInit(SDL_INIT_EVENTS)) return 0;
  // The frame wait looks here every millisecond; the window system is asked
  // only when WindowSystemPumpDue says something may have come (see
  // event_wait_sdl.cpp). Events already in SDL's queue (also those pushed by
  // other threads) come at once.
  if (WindowSystemPumpDue()) SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    if (Deliver(event, &taken)) {
      if (message) *message = taken;
      return 1;
    }
  }
  return 0;
}

void WaitPlatformMessage(PlatformMessage* message) {
  PlatformMessage taken;
  for (;;) {
    if (PeekPlatformMessage(&taken)) break;
    if (!SDL_WasInit(SDL_INIT_EVENTS)) {
      taken = {WM_QUIT, 0, 0};  // no window system behind the queue
      break;
    }
    SDL_Event event;
    if (SDL_WaitEvent(&event) && Deliver(event, &taken)) break;
  }
  if (message) *message = taken;
}
