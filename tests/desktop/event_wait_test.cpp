// The frame wait's watch on the X connection, against a private Xvfb: a pass
// in which nothing arrives leaves the window system alone, and whatever does
// arrive (on the connection, or already read by Xlib) is taken after one pass.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "platform/window.h"
#include "platform/window_sdl_private.h"

// Last: Xlib's macros (None, Bool, ...) would clash with the headers above.
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace {

pid_t xvfb = -1;
PlatformWindow* window = nullptr;
Display* ours = nullptr;    // SDL's connection
Display* other = nullptr;   // a second client, which sends events to our window
Window xwindow = 0;

// Starts Xvfb on a free display; its number, or -1.
int StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  xvfb = fork();
  if (xvfb == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
           "tcp", "-noreset", (char*)nullptr);
    _exit(127);
  }
  close(fds[1]);
  char line[32] = {0};
  size_t got = 0;
  while (got + 1 < sizeof line) {
    const ssize_t n = read(fds[0], line + got, sizeof line - 1 - got);
    if (n <= 0) break;
    got += (size_t)n;
    if (line[got - 1] == '\n') break;
  }
  close(fds[0]);
  return got > 1 ? std::atoi(line) : -1;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// Drains the queue (pumping as the queue decides) until `quiet` passes in a
// row brought nothing.
void Settle(int quiet = 150) {
  PlatformMessage m;
  for (int calm = 0; calm < quiet;) {
    if (PeekPlatformMessage(&m)) {
      calm = 0;
      continue;
    }
    WaitPlatformEvents(1);
    ++calm;
  }
}

// Runs passes until the queue's next look would pump, and pumps: the start
// of a measured stretch.
void PumpNow() {
  for (int i = 0; i < 1000 && !WindowSystemPumpDue(); ++i) WaitPlatformEvents(1);
  SDL_PumpEvents();
}

// A key press from the other client, and the wait until it lies on our
// connection, unread.
void SendKeyAndWaitForIt() {
  XEvent key = {};
  key.xkey.type = KeyPress;
  key.xkey.display = other;
  key.xkey.window = xwindow;
  key.xkey.root = DefaultRootWindow(other);
  key.xkey.time = CurrentTime;
  key.xkey.same_screen = True;
  key.xkey.keycode = XKeysymToKeycode(other, XK_space);
  ASSERT_NE(0, XSendEvent(other, xwindow, False, KeyPressMask, &key));
  XSync(other, False);
  pollfd connection = {ConnectionNumber(ours), POLLIN, 0};
  ASSERT_EQ(1, poll(&connection, 1, 5000)) << "the event never reached our connection";
}

// Passes (each a WaitPlatformEvents(1) after a look at the queue) until a
// key-down message comes, at most `limit`; the number of passes, or -1.
int PassesUntilKey(int limit) {
  PlatformMessage m;
  for (int passes = 0; passes <= limit; ++passes) {
    while (PeekPlatformMessage(&m))
      if (m.message == WM_KEYDOWN) return passes;
    WaitPlatformEvents(1);
  }
  return -1;
}

class EventWait : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const int display = StartXvfb();
    if (display < 0) return;
    const std::string name = ":" + std::to_string(display);
    setenv("DISPLAY", name.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    window = CreatePlatformWindow("event wait", 64, 48);
    if (!window) return;
    ShowPlatformWindow(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(PlatformSdlWindow(window), &info) ||
        info.subsystem != SDL_SYSWM_X11)
      return;
    ours = info.info.x11.display;
    xwindow = info.info.x11.window;
    other = XOpenDisplay(name.c_str());
  }
  static void TearDownTestSuite() {
    if (other) XCloseDisplay(other);
    if (window) DestroyPlatformWindow(window);
    if (xvfb > 0) {
      kill(xvfb, SIGTERM);
      waitpid(xvfb, nullptr, 0);
    }
  }
  void SetUp() override {
    if (!other) GTEST_SKIP() << "no Xvfb, or no X11 window on it";
    Settle();
  }
};

TEST_F(EventWait, QuietPassesSleepTheirMillisecondAndLeaveTheWindowSystemAlone) {
  PumpNow();
  const int kPasses = 40;
  int pumps = 0;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kPasses; ++i) {
    WaitPlatformEvents(1);
    pumps += WindowSystemPumpDue();
  }
  const double elapsed = Milliseconds(std::chrono::steady_clock::now() - start);
  // Only the quiet pump, every 100 ms, may ask the window system.
  EXPECT_LE(pumps, (int)(elapsed / 100)) << "nothing arrived, yet the queue asked the window system";
  EXPECT_GE(elapsed, kPasses * 1.0) << "the passes did not sleep their millisecond";
}

TEST_F(EventWait, AnEventOnTheConnectionIsTakenAfterOnePass) {
  SendKeyAndWaitForIt();
  const auto start = std::chrono::steady_clock::now();
  const int passes = PassesUntilKey(150);
  EXPECT_GE(passes, 0);  // 0 only when the quiet pump happened to be due
  EXPECT_LE(passes, 1);
  // A pass that saw the event come still lasts its millisecond.
  if (passes == 1) EXPECT_GE(Milliseconds(std::chrono::steady_clock::now() - start), 1.0);
}

TEST_F(EventWait, AnEventXlibHasAlreadyReadIsTakenAfterOnePass) {
  SendKeyAndWaitForIt();
  // Read off the connection into Xlib's queue, as a reply wait (the present's
  // sync, say) does: nothing is left on the connection to wake a poll.
  ASSERT_GT(XEventsQueued(ours, QueuedAfterReading), 0);
  pollfd connection = {ConnectionNumber(ours), POLLIN, 0};
  ASSERT_EQ(0, poll(&connection, 1, 0));
  const int passes = PassesUntilKey(150);
  EXPECT_GE(passes, 0);
  EXPECT_LE(passes, 1);
}

TEST_F(EventWait, AQuietQueueIsStillPumpedEveryTenthOfASecond) {
  PumpNow();
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  while (passes < 1000) {
    WaitPlatformEvents(1);
    ++passes;
    if (WindowSystemPumpDue()) break;
  }
  const double elapsed = Milliseconds(std::chrono::steady_clock::now() - start);
  EXPECT_LT(passes, 1000) << "never pumped";
  EXPECT_GE(elapsed, 99.0);
}

}  // namespace
