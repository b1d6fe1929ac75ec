// The frame wait's 1 ms sleep on the desktop, spent waiting on the window
// system's connection, and the rule for when the queue asks SDL for events.
//
// Asking SDL for events (SDL_PumpEvents) costs several system calls even when
// nothing came: under X11 a flush, a look at the connection and reads that find
// nothing. The frame wait sleeps in 1 ms passes and looks at the queue after
// every one, so pumping on every look made the wait the costliest thing the
// program did. Instead the sleep itself is a poll() on the X display
// connection: a pass in which nothing arrives costs one wake-up, and the next
// look at the queue pumps only when the pass saw something:
//   - data on the connection, or events Xlib had already read off it (while
//     waiting for a reply, say, during the last present);
//   - a signal (SIGTERM and SIGINT become a quit request only in the pump);
//   - nothing at all for kQuietPumpInterval, for what SDL does only in the
//     pump without a word from the window system (the screen saver's
//     keep-alive, a signal that came between two polls).
// Events pushed into SDL's own queue (the audio device, the other threads'
// wake-ups, window events SDL raises itself) need no pump: the queue takes
// them at every look. Joysticks are updated by their reader every frame.
//
// Where there is no connection to watch (Wayland, whose event reading must be
// prepared with its own calls, or a connection that failed) the pass is a
// plain sleep and the queue pumps at most every kPumpInterval ms, as it does
// for any caller that looks at the queue without this wait in between.
#include <SDL.h>
#include <SDL_syswm.h>
#include <errno.h>
#include <poll.h>
#include <time.h>

#include "platform/clock.h"
#include "platform/window.h"
#include "platform/window_sdl_private.h"

enum : uint64_t {
  kPumpInterval = 4,         // ms between pumps of a queue nobody waits on
  kQuietPumpInterval = 100,  // ms at most between pumps of a watched queue
};

static Display* xDisplay = nullptr;  // the connection watched, or null
static int xFd = -1;
static int arrived = 1;      // the window system may have sent something
static int watched = 0;      // a wait watched the connection since the last pump
static uint64_t lastPump = 0;

void WatchWindowSystem(SDL_Window* window) {
  StopWatchingWindowSystem();
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!window || !SDL_GetWindowWMInfo(window, &info)) return;
  if (info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display) return;
  xDisplay = info.info.x11.display;
  xFd = ConnectionNumber(xDisplay);
  arrived = 1;
}

void StopWatchingWindowSystem() {
  xDisplay = nullptr;
  xFd = -1;
  watched = 0;
}

int WindowSystemPumpDue() {
  const uint64_t now = SDL_GetTicks64();
  const uint64_t since = now - lastPump;
  const int due = now < lastPump ||
                  (watched ? arrived || since >= kQuietPumpInterval : since >= kPumpInterval);
  if (due) {
    lastPump = now;
    arrived = 0;
    watched = 0;
  }
  return due;
}

static void SleepUntil(const timespec& deadline) {
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
  }
}

void WaitPlatformEvents(uint32_t milliseconds) {
  if (!xDisplay) {
    PlatformSleep(milliseconds);
    return;
  }
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += milliseconds / 1000;
  deadline.tv_nsec += (long)(milliseconds % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec++;
    deadline.tv_nsec -= 1000000000L;
  }
  watched = 1;
  // Events Xlib holds already leave nothing on the connection to wake us.
  if (QLength(xDisplay) > 0) arrived = 1;
  if (!arrived) {
    pollfd connection = {xFd, POLLIN, 0};
    const timespec step = {(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
    const int n = ppoll(&connection, 1, &step, nullptr);
    if (n == 0) return;  // nothing came: the pass was one sleep
    arrived = 1;         // data, a signal, or trouble the pump will report
    if (n > 0 && (connection.revents & (POLLERR | POLLHUP | POLLNVAL))) {
      StopWatchingWindowSystem();  // nothing more to wait on: plain sleeps from now
      watched = 1;
    }
  }
  // The pass lasts its full time even when something came early, so a flood
  // of events costs at most one pump per pass.
  SleepUntil(deadline);
}
