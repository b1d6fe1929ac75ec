// The desktop window against a private Xvfb. The frame wait's watch on the X
// connection: a pass in which nothing arrives leaves the window system alone,
// and whatever does arrive (on the connection, or already read by Xlib) is
// taken after one pass. The canvas: it lives in SDL's window surface, so a
// frame is copied once, and it keeps its picture when SDL remakes the surface.
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
#include <X11/Xutil.h>
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

// A client message sent over the second connection to a window that is gone,
// as SDL's wake-up can be when the window closes right after a wait: the
// server answers BadWindow, which would end the process with status 1.
void SendToAWindowThatIsGone() {
  const Window gone = XCreateSimpleWindow(other, DefaultRootWindow(other), 0, 0, 8, 8, 0, 0, 0);
  XDestroyWindow(other, gone);
  XSync(other, False);
  XEvent wake = {};
  wake.xclient.type = ClientMessage;
  wake.xclient.window = gone;
  wake.xclient.format = 8;
  XSendEvent(other, gone, False, NoEventMask, &wake);
  XSync(other, False);
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
    if (window) DestroyPlatformWindow(window);
    // After SDL has closed its connections the answer still ends nothing
    // (SDL puts back the handler it found when it started).
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
  if (passes == 1) {
    EXPECT_GE(Milliseconds(std::chrono::steady_clock::now() - start), 1.0);
  }
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

TEST_F(EventWait, AMessageToAWindowThatIsGoneEndsNothing) {
  SendToAWindowThatIsGone();
  PlatformMessage m;
  while (PeekPlatformMessage(&m)) {
  }
  SUCCEED() << "still running";
}

// The dot the test pattern has at (x, y): four quarters of different colours.
uint32_t Pattern(int x, int y, int w, int h) {
  static const uint32_t kQuarters[4] = {0xC03020, 0x20A040, 0x3050E0, 0xF0F0F0};
  return kQuarters[(x >= w / 2) + 2 * (y >= h / 2)];
}

void DrawPattern(PlatformSurface* canvas) {
  const int w = PlatformSurfaceWidth(canvas), h = PlatformSurfaceHeight(canvas);
  for (int q = 0; q < 4; ++q) {
    const int x = q % 2 ? w / 2 : 0, y = q / 2 ? h / 2 : 0;
    FillPlatformSurface(canvas, {x, y, q % 2 ? w : w / 2, q / 2 ? h : h / 2},
                        Pattern(x, y, w, h));
  }
}

// Dots of the canvas, and of what the X server shows in the window, that
// differ from the pattern (over w x h, the canvas's size).
int CanvasMisses(PlatformSurface* canvas, int w, int h) {
  int misses = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) misses += ReadPlatformDot(canvas, x, y) != Pattern(x, y, w, h);
  return misses;
}

int ScreenMisses(int w, int h) {
  XImage* image = XGetImage(other, xwindow, 0, 0, w, h, AllPlanes, ZPixmap);
  if (!image) return w * h;
  int misses = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      misses += (XGetPixel(image, x, y) & 0xFFFFFF) != Pattern(x, y, w, h);
  XDestroyImage(image);
  return misses;
}

const uint8_t* SurfaceMemory() {
  SDL_Surface* surface = SDL_GetWindowSurface(PlatformSdlWindow(window));
  return surface ? static_cast<const uint8_t*>(surface->pixels) : nullptr;
}

TEST_F(EventWait, TheCanvasLivesInTheWindowSurfaceAndKeepsItsPictureWhenSdlRemakesIt) {
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  const int w = PlatformSurfaceWidth(canvas), h = PlatformSurfaceHeight(canvas);
  DrawPattern(canvas);
  UpdatePlatformWindow(window);
  EXPECT_EQ(SurfaceMemory(), PlatformSurfacePixels(canvas, nullptr))
      << "the canvas is copied into the window surface";
  EXPECT_EQ(0, ScreenMisses(w, h));

  // A window manager makes the window larger: SDL remakes its surface, and
  // frees the old one, at the next request. The canvas keeps its picture and
  // is shown by copying from now on.
  SDL_SetWindowSize(PlatformSdlWindow(window), w + 10, h + 6);
  Settle(20);
  EXPECT_EQ(canvas, PlatformWindowCanvas(window));
  EXPECT_EQ(0, CanvasMisses(canvas, w, h));
  UpdatePlatformWindow(window);
  EXPECT_NE(SurfaceMemory(), PlatformSurfacePixels(canvas, nullptr));
  EXPECT_EQ(0, CanvasMisses(canvas, w, h));
  EXPECT_EQ(0, ScreenMisses(w, h));

  // Back to the canvas's size: the canvas moves into the new surface again.
  SDL_SetWindowSize(PlatformSdlWindow(window), w, h);
  Settle(20);
  UpdatePlatformWindow(window);
  EXPECT_EQ(SurfaceMemory(), PlatformSurfacePixels(canvas, nullptr));
  EXPECT_EQ(0, CanvasMisses(canvas, w, h));
  EXPECT_EQ(0, ScreenMisses(w, h));
}

}  // namespace
