// Which of SDL's video drivers the desktop window uses.
//
// SDL 2.26 tries X11 before Wayland, so on a Wayland session with XWayland
// it would open an X11 window: scaled by the compositor like a bitmap,
// decorated like an X11 program, and gone where the session runs without
// XWayland. A player on a Wayland session expects a Wayland window, so when
// WAYLAND_DISPLAY is set and nobody chose a driver (SDL_VIDEODRIVER), the
// Wayland driver is tried first, and SDL's own order (X11 first) when that
// fails. An X11 session (no WAYLAND_DISPLAY) stays X11.
//
// SDL 2.26's Wayland driver dereferences a null pointer while it starts when
// the compositor offers no seat (no wl_seat global: compositors without
// input devices, headless ones for instance), before any window exists.
// Such a compositor is never handed to SDL: the seat is looked for here
// first over a connection of our own. Without a seat a player could not
// press a key anyway; an explicit SDL_VIDEODRIVER=wayland then fails with an
// error instead of a crash, and the automatic choice moves on to X11.
//
// Two more things are the compositor's on Wayland: where the window goes
// (MovePlatformWindow does nothing there) and whether a raise request brings
// it to the front.
#include <SDL.h>
#include <wayland-client.h>

#include <cstring>

#ifdef ZORRIT_HAVE_XLIB
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#endif

#include "platform/window_sdl_private.h"

static void NoteGlobal(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::strcmp(interface, wl_seat_interface.name) == 0) *static_cast<int*>(data) = 1;
}

static void NoteGlobalRemoved(void*, wl_registry*, uint32_t) {}

// 1 when the compositor WAYLAND_DISPLAY names (or wayland-0) answers and
// offers a seat; 0 otherwise, with SDL's error text saying which of the two
// was missing. One connection, one round trip.
static int WaylandSeatOffered() {
  // Without a runtime folder, libwayland can reach only a socket handed over
  // (WAYLAND_SOCKET) or named by an absolute path; anything else fails after
  // printing an error a player would see on every start of an X11 session.
  const char* runtime = SDL_getenv("XDG_RUNTIME_DIR");
  const char* socketName = SDL_getenv("WAYLAND_DISPLAY");
  wl_display* display = nullptr;
  if ((runtime && *runtime) || SDL_getenv("WAYLAND_SOCKET") || (socketName && socketName[0] == '/'))
    display = wl_display_connect(nullptr);
  if (!display) {
    SDL_SetError("no Wayland compositor reached");
    return 0;
  }
  int seat = 0;
  static const wl_registry_listener listener = {NoteGlobal, NoteGlobalRemoved};
  wl_registry* registry = wl_display_get_registry(display);
  if (registry && wl_registry_add_listener(registry, &listener, &seat) == 0 &&
      wl_display_roundtrip(display) < 0)
    seat = 0;
  if (registry) wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!seat) SDL_SetError("the Wayland compositor offers no seat");
  return seat;
}

#ifdef ZORRIT_HAVE_XLIB
// SDL's X11 driver wakes a blocked SDL_WaitEvent by sending a client message
// to the window over a second connection to the X server, and it sends one to
// itself whenever it queues an event while it waits. When the window is
// destroyed right after such a wait (menu Close), the server may handle the
// destruction on the main connection before that message on the other, and
// answers BadWindow; the answer is read when SDL closes that connection, and
// Xlib's standard handler turns it into exit(1) for a program that was ending
// normally. A message to a window that is gone is of no consequence: that one
// error is dropped, every other one goes to the handler that was there before.
// The handler is put in place before SDL starts, because SDL keeps the handler
// it finds, calls it for errors it does not expect and puts it back when it
// closes its connections.
static XErrorHandler previousXErrorHandler = nullptr;

static int DropLateWakeups(Display* display, XErrorEvent* error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) return 0;
  return previousXErrorHandler ? previousXErrorHandler(display, error) : 0;
}

static void GuardAgainstLateWakeups() {
  XErrorHandler previous = XSetErrorHandler(DropLateWakeups);
  if (previous != DropLateWakeups) previousXErrorHandler = previous;
}
#else
static void GuardAgainstLateWakeups() {}
#endif

static int InitVideo() {
  GuardAgainstLateWakeups();
  return SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0;
}

// Starts video with the named driver only.
static int InitVideoWith(const char* driver) {
  SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
  const int up = InitVideo();
  SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  return up;
}

int InitPlatformVideo() {
  // The toplevel's app_id, by which the compositor finds the desktop entry
  // (its name and icon); SDL's Wayland driver would use the program's name.
  SDL_setenv("SDL_VIDEO_WAYLAND_WMCLASS", ZORRIT_APP_ID, 0);
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (asked && *asked) {
    if (SDL_strcasecmp(asked, "wayland") == 0 && !WaylandSeatOffered()) return 0;
    return InitVideo();
  }
  // SDL's Wayland driver also finds a compositor at wayland-0 without
  // WAYLAND_DISPLAY, so the seat is looked for whenever the driver may run.
  const int seat = WaylandSeatOffered();
  const char* session = SDL_getenv("WAYLAND_DISPLAY");
  if (seat && session && *session && InitVideoWith("wayland")) return 1;
  if (seat) return InitVideo();
  // SDL's own order without the Wayland driver.
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* driver = SDL_GetVideoDriver(i);
    if (driver && SDL_strcmp(driver, "wayland") != 0 && InitVideoWith(driver)) return 1;
  }
  return 0;
}

int PlatformVideoIsWayland() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && SDL_strcmp(driver, "wayland") == 0;
}
