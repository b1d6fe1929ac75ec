// The desktop window against a private Xvfb: the frame wait's watch on the X
// connection, keys let go under Alt, a late message to a window that is gone.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

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

// A key pressed or let go, sent by the other client to our window.
void SendKey(int type, KeySym key) {
  XEvent event = {};
  event.xkey.type = type;
  event.xkey.window = xwindow;
  event.xkey.keycode = XKeysymToKeycode(other, key);
  XSendEvent(other, xwindow, False, type == KeyPress ? KeyPressMask : KeyReleaseMask, &event);
  XSync(other, False);
}

// Passes (a look at the queue, then WaitPlatformEvents(1)) until `count` key
// messages came, at most 150, or -1; their kinds go to `seen`.
int PassesUntilKeys(size_t count, std::vector<uint32_t>* seen) {
  PlatformMessage m;
  for (int passes = 0; passes <= 150; ++passes, WaitPlatformEvents(1))
    while (PeekPlatformMessage(&m))
      if (m.message >= WM_KEYDOWN && m.message <= WM_SYSKEYUP) {
        seen->push_back(m.message);
        if (seen->size() == count) return passes;
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
    // A client message to a window that is gone, as SDL's wake-up can be when
    // the window closes right after a wait: the server answers BadWindow, which
    // ends nothing even after SDL has closed its connections (and put back the
    // handler it found); else the test ends here with status 1.
    if (other) {
      XEvent wake = {};
      wake.xclient.type = ClientMessage;
      wake.xclient.format = 8;
      wake.xclient.window = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
      XDestroyWindow(other, wake.xclient.window);
      XSendEvent(other, wake.xclient.window, False, NoEventMask, &wake);
      XSync(other, False);
      XCloseDisplay(other);
    }
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
  EXPECT_GE(elapsed, 90.0) << "nothing arrived, yet the queue asked the window system";
  EXPECT_GE(elapsed, passes * 1.0) << "the passes did not sleep their millisecond";
}

TEST_F(EventWait, AnEventIsTakenAfterOnePassAlsoWhenXlibHasAlreadyReadIt) {
  for (const bool readByXlib : {false, true}) {
    SendKey(KeyPress, XK_space);
    pollfd connection = {ConnectionNumber(ours), POLLIN, 0};
    ASSERT_EQ(1, poll(&connection, 1, 5000)) << "the event never reached our connection";
    if (readByXlib) {
      // Read off the connection into Xlib's queue, as a reply wait (the
      // present's sync, say) does: nothing is left to wake a poll.
      ASSERT_GT(XEventsQueued(ours, QueuedAfterReading), 0);
      ASSERT_EQ(0, poll(&connection, 1, 0));
    }
    std::vector<uint32_t> seen;
    const int passes = PassesUntilKeys(1, &seen);  // 0 only when the quiet pump happened to be due
    EXPECT_TRUE(passes == 0 || passes == 1) << passes << " passes; read by Xlib: " << readByXlib;
    SendKey(KeyRelease, XK_space);
    Settle();
  }
}

// A key let go while Alt is held (pressed after it) is a plain key-up: taken
// for a system key, it would stay down in the game's key table.
TEST_F(EventWait, AKeyLetGoWhileAltIsHeldIsAPlainKeyUp) {
  SendKey(KeyPress, XK_Right);
  SendKey(KeyPress, XK_Alt_L);
  SendKey(KeyRelease, XK_Right);
  SendKey(KeyRelease, XK_Alt_L);
  std::vector<uint32_t> seen;
  PassesUntilKeys(4, &seen);
  EXPECT_EQ(seen, (std::vector<uint32_t>{WM_KEYDOWN, WM_SYSKEYDOWN, WM_KEYUP, WM_SYSKEYUP}));
}

}  // namespace
