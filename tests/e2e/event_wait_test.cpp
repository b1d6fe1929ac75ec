// The desktop window against a private Xvfb: the frame wait's watch on the X
// connection, and the answer to a late message to a window that is gone.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

// Drains the queue until 150 passes in a row brought nothing.
void Settle() {
  PlatformMessage m;
  for (int calm = 0; calm < 150; ++calm) {
    if (PeekPlatformMessage(&m)) calm = -1;
    WaitPlatformEvents(1);
  }
}

// A client message to a window that is gone, as SDL's wake-up can be when
// the window closes right after a wait: the server answers BadWindow, which
// would end the process with status 1.
void SendToAWindowThatIsGone() {
  const Window gone = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
  XDestroyWindow(other, gone);
  XEvent wake = {};
  wake.xclient.type = ClientMessage;
  wake.xclient.window = gone;
  wake.xclient.format = 8;
  XSendEvent(other, gone, False, NoEventMask, &wake);
  XSync(other, False);
}

// Passes (each a look at the queue, then WaitPlatformEvents(1)) until a
// key-down message comes, at most 150; the number of passes, or -1.
int PassesUntilKey() {
  PlatformMessage m;
  for (int passes = 0; passes <= 150; ++passes) {
    while (PeekPlatformMessage(&m))
      if (m.message == WM_KEYDOWN) return passes;
    WaitPlatformEvents(1);
  }
  return -1;
}

class EventWait : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int fds[2];
    if (pipe(fds) != 0 || (xvfb = fork()) < 0) return;
    if (xvfb == 0) {
      execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0",
             "640x480x24", "-nolisten", "tcp", "-noreset", (char*)nullptr);
      _exit(127);
    }
    close(fds[1]);
    char number[16] = {0};  // "N\n" once the server is ready
    size_t got = 0;
    for (char c; got + 1 < sizeof number && read(fds[0], &c, 1) == 1 && c != '\n';) number[got++] = c;
    close(fds[0]);
    if (got == 0) return;
    const std::string name = std::string(":") + number;
    setenv("DISPLAY", name.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    window = CreatePlatformWindow("event wait", 64, 48);
    if (!window) return;
    ShowPlatformWindow(window);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(PlatformSdlWindow(window), &info) || info.subsystem != SDL_SYSWM_X11)
      return;
    ours = info.info.x11.display;
    xwindow = info.info.x11.window;
    other = XOpenDisplay(name.c_str());
  }
  static void TearDownTestSuite() {
    if (window) DestroyPlatformWindow(window);
    // After SDL has closed its connections the answer still ends nothing
    // (SDL puts back the handler it found when it started): else the test
    // ends with status 1 here.
    if (other) SendToAWindowThatIsGone();
    if (other) XCloseDisplay(other);
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

// Quiet passes sleep their millisecond and leave the window system alone but
// for a pump every tenth of a second.
TEST_F(EventWait, QuietPassesSleepTheirMillisecondAndPumpOnlyEveryTenthOfASecond) {
  for (int i = 0; i < 1000 && !WindowSystemPumpDue(); ++i) WaitPlatformEvents(1);
  SDL_PumpEvents();
  const auto start = std::chrono::steady_clock::now();
  int passes = 0;
  while (passes < 1000 && !WindowSystemPumpDue()) {
    WaitPlatformEvents(1);
    ++passes;
  }
  const double elapsed =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(passes, 1000) << "never pumped, or the passes did not sleep";
  EXPECT_GE(elapsed, 99.0) << "nothing arrived, yet the queue asked the window system";
  EXPECT_GE(elapsed, passes * 1.0) << "the passes did not sleep their millisecond";
}

TEST_F(EventWait, AnEventIsTakenAfterOnePassAlsoWhenXlibHasAlreadyReadIt) {
  for (const bool readByXlib : {false, true}) {
    XEvent key = {};
    key.xkey.type = KeyPress;
    key.xkey.window = xwindow;
    key.xkey.keycode = XKeysymToKeycode(other, XK_space);
    ASSERT_NE(0, XSendEvent(other, xwindow, False, KeyPressMask, &key));
    XSync(other, False);
    pollfd connection = {ConnectionNumber(ours), POLLIN, 0};
    ASSERT_EQ(1, poll(&connection, 1, 5000)) << "the event never reached our connection";
    if (readByXlib) {
      // Read off the connection into Xlib's queue, as a reply wait (the
      // present's sync, say) does: nothing is left to wake a poll.
      ASSERT_GT(XEventsQueued(ours, QueuedAfterReading), 0);
      ASSERT_EQ(0, poll(&connection, 1, 0));
    }
    const int passes = PassesUntilKey();  // 0 only when the quiet pump happened to be due
    EXPECT_TRUE(passes == 0 || passes == 1) << passes << " passes; read by Xlib: " << readByXlib;
    Settle();
  }
}

}  // namespace
