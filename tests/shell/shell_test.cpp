// The shell on the headless platform: frame pacing over the virtual clock (time moves
// only in the pacer's 1 ms sleeps, or by hand for a frame's work), the window procedure,
// the menu and the About box, the logo, placement, and the instance channel.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "game/game_world.h"
#include "graphics/display.h"
#include "input/keys.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/instance_lock.h"
#include "platform/window.h"
#include "shell/about.h"
#include "shell/frame_pacing.h"
#include "shell/logo.h"
#include "shell/menu_bar.h"
#include "shell/startup.h"
#include "shell/window_proc.h"
#include "sound/cues.h"
#include "sound/sound_table.h"

namespace {

std::vector<uint32_t> dispatched;  // what RecordingProc received
int64_t RecordingProc(PlatformWindow*, uint32_t message, uint64_t, int64_t) { return dispatched.push_back(message), 0; }

void StartPacing(uint32_t ticks) {
  ClearPlatformMessages();
  SetMessageTarget(nullptr, RecordingProc);
  dispatched.clear();
  framePacing = {0, 0, 1, 1, 0, 0, 0};
  SetVirtualTicks(ticks);
}

// Each frame after `work` ms of the game's own: when WaitFrame comes back and the grid
// point it moves to, both from the grid point before. The first frame is overdue and
// starts the grid; a frame late by less than 100 ms is caught up on the grid, later ones
// start it afresh. The grid point before the third frame lies just below the tick wrap.
TEST(Pacing, FramesKeepTheGridCatchUpAndResynchroniseAcrossTheWrap) {
  StartPacing(0xFFFFFFE0u);
  EXPECT_EQ(WaitFrame(), 1);
  EXPECT_EQ(PlatformTicks(), 0xFFFFFFE1u);
  EXPECT_EQ(framePacing.frameTick, 0xFFFFFFE1u);
  const struct { uint32_t work, back, grid; } frames[] = {
      {0, 20, 20},    {0, 20, 20},    {0, 20, 20},  {50, 51, 20},   {0, 32, 20}, {0, 20, 20},
      {98, 99, 20},   {0, 80, 20},    {0, 61, 20},  {0, 42, 20},    {0, 23, 20}, {0, 20, 20},
      {99, 100, 100}, {0, 20, 20},    {5000, 5001, 5001}, {0, 20, 20},
  };
  for (const auto& f : frames) {
    const uint32_t grid = framePacing.frameTick;
    SetVirtualTicks(PlatformTicks() + f.work);
    EXPECT_EQ(WaitFrame(), 1);
    EXPECT_EQ(PlatformTicks() - grid, f.back) << "after " << f.work << " ms of work";
    EXPECT_EQ(framePacing.frameTick - grid, f.grid) << "after " << f.work << " ms of work";
    EXPECT_EQ(framePacing.nowTick, PlatformTicks());
  }
}

// Zero for the first second, then 50. A stall of five seconds leaves the
// counting window behind: the next calls each complete a window at once (the
// first publishing what was counted, the others 1) until it has caught up
// with the clock; the 1 then stands until the next whole window.
TEST(Pacing, FrameRateIsZeroForASecondThenFiftyAndOneAfterAStall) {
  StartPacing(100000);
  std::vector<int32_t> rates;
  for (int i = 0; i < 400; i++) {
    if (i == 200) SetVirtualTicks(PlatformTicks() + 5000);
    rates.push_back(CountFrameRate());
    WaitFrame();
  }
  for (int i = 0; i < 240; i++) {
    const int32_t expected = i < 50 ? 0 : i > 100 && i < 200 ? 50 : i > 200 ? 1 : rates[i];
    EXPECT_EQ(rates[i], expected) << "frame " << i << (i > 200 ? ", after the stall" : "");
  }
  EXPECT_EQ(rates.back(), 50);
}

// The held keys among Left, Right, Up, Alt and F10 ("LRUAF"), and mouse buttons ("mn").
std::string Held() {
  std::string held;
  for (auto [key, name] : {std::pair{VK_LEFT, 'L'}, {VK_RIGHT, 'R'}, {VK_UP, 'U'}, {VK_MENU, 'A'}, {VK_F10, 'F'}})
    if (KeyDown(key)) held += name;
  return held + (MouseLeftDown() ? "m" : "") + (MouseRightDown() ? "n" : "");
}

// The main window procedure driven through a table of messages: after each,
// whether the window counts as active, the keys held, the message it queued
// (taken off the queue), whether a reset is requested and the music heard.
TEST(WindowProc, MessagesActOnActivationKeysCommandsAndMusic) {
  PlatformWindow* window = CreatePlatformWindow("test", 320, 240 + MenuBarHeight());
  ClearPlatformMessages();
  SetMessageTarget(window, MainWindowProc);
  framePacing = {0, 0, 0, 1, 0, 0, 0};
  ASSERT_TRUE(OpenSound(window) && LoadWaveResource("BGM1", 0));
  StartMusic(0);
  const int64_t below = MakeMouseParam(100, MenuBarHeight());  // the first row below the menu bar
  const struct { uint32_t message; uint64_t wParam; int64_t lParam; int active; const char* held; uint32_t queued;
                 int reset, music; } rows[] = {
      {WM_CREATE, 0, 0, 1, "", 0, 0, 1},
      {WM_KEYDOWN, VK_LEFT, 0, 1, "L", 0, 0, 1},
      {WM_ACTIVATE, WA_INACTIVE, 0, 0, "L", 0, 0, 0},  // deactivation keeps the keys
      {WM_SIZE, SIZE_MINIMIZED, 0, 0, "L", 0, 0, 0},
      {WM_KEYDOWN, VK_RIGHT, 0, 0, "LR", 0, 0, 0},
      {WM_ACTIVATE, 0x10000 | WA_CLICKACTIVE, 0, 1, "", 0, 0, 1},  // the minimised flag in the high word
      {WM_KEYDOWN, VK_UP, 0, 1, "U", 0, 0, 1},
      {WM_SIZE, SIZE_RESTORED, 0, 1, "U", 0, 0, 1},  // already active: the keys stay
      {WM_ACTIVATE, WA_ACTIVE, 0, 1, "U", 0, 0, 1},
      {WM_SIZE, 4, 0, 1, "U", 0, 0, 1},  // neither restored, minimised nor maximised
      {WM_SIZE, SIZE_MINIMIZED, 0, 0, "U", 0, 0, 0},
      {WM_SIZE, SIZE_MAXIMIZED, 0, 1, "", 0, 0, 1},
      {WM_COMMAND, 12345, 0, 1, "", 0, 0, 1},
      {WM_COMMAND, (7ull << 16) | IDM_RESET, 0, 1, "", 0, 1, 1},  // only the low 16 bits count
      {WM_COMMAND, IDM_CLOSE, 0, 1, "", WM_QUIT, 1, 1},
      {WM_CLOSE, 0, 0, 1, "", WM_QUIT, 1, 1},
      {WM_SYSKEYDOWN, VK_MENU, 0, 1, "", 0, 1, 1},  // system keys never reach the input state
      {WM_SYSKEYDOWN, VK_F10, 0, 1, "", 0, 1, 1},
      {WM_SYSKEYDOWN, 115, 0, 1, "", WM_QUIT, 1, 1},  // Alt+F4
      {WM_SYSCOMMAND, SC_CLOSE, 0, 1, "", WM_QUIT, 1, 1},
      {WM_LBUTTONDOWN, 0, MakeMouseParam(200, 5), 1, "", 0, 1, 1},  // on the menu bar: not the game's
      {WM_RBUTTONDOWN, 0, below, 1, "n", 0, 1, 1},
      {WM_LBUTTONDOWN, 0, below, 1, "mn", 0, 1, 1},
      {WM_LBUTTONUP, 0, below, 1, "n", 0, 1, 1},
      {WM_RBUTTONUP, 0, below, 1, "", 0, 1, 1},
  };
  testing::internal::CaptureStderr();
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "message " << r.message << " " << r.wParam);
    SendWindowMessage(r.message, r.wParam, r.lParam);
    EXPECT_EQ(framePacing.windowActive, r.active);
    EXPECT_EQ(Held(), r.held);
    PlatformMessage queued = {0, 0, 0};
    PeekPlatformMessage(&queued);
    EXPECT_EQ(queued.message, r.queued);
    EXPECT_EQ(ResetRequested(), r.reset);
    uint8_t heard[1000];
    PullAudioDevice(heard, 1000);
    EXPECT_EQ(std::count(heard, heard + 1000, 128) < 800, r.music == 1) << "the music heard";
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "activation lines only for a debugger";

}

constexpr uint32_t kMarker = 0x123456;  // the picture under the menu and the box
constexpr uint32_t kFace = 0xC0C0C0, kSelection = 0x000080;
constexpr int32_t kEntryX = 30, kResetY = 30, kAboutY = 48, kSeparatorY = 61;

// What reached the window procedure from inside the menu's or the box's
// loop: i/a deactivation/activation, u a key release, d a key press, p the
// probe (WM_APP_SHOW_FIRST), at which the probe dots of the canvas are read.
std::string received;
std::vector<uint32_t> probed;
// Beside two entries; inside the box, and its left frame (95 x 114 dots).
const int32_t kProbes[][2] = {{70, kAboutY}, {70, kResetY}, {161, 80}, {113, 100}};

int64_t UiRecorder(PlatformWindow* w, uint32_t message, uint64_t wParam, int64_t) {
  received += message == WM_ACTIVATE ? (wParam == WA_INACTIVE ? 'i' : 'a')
              : message == WM_KEYUP  ? 'u'
              : message == WM_KEYDOWN ? 'd'
              : message == WM_APP_SHOW_FIRST ? 'p' : '?';
  if (message == WM_APP_SHOW_FIRST)
    for (auto [x, y] : kProbes) probed.push_back(ReadPlatformDot(PlatformWindowCanvas(w), x, y));
  return 0;
}

PlatformMessage Mouse(uint32_t message, int32_t x, int32_t y) { return {message, 0, MakeMouseParam(x, y)}; }
PlatformMessage Key(uint32_t key) { return {WM_KEYDOWN, key, 0}; }

// The menu opened by a press on its title, and the About box (centred on the
// 322 x 260 canvas, its OK button at dots (124, 156)-(199, 177)), run over
// queued messages: the choice, what passed to the procedure and what the
// canvas showed meanwhile, the picture put back, and the message left queued
// (close, quit, minimising end them and are put back for the pump).
TEST(WindowUi, MenuAndAboutRunTheirLoopsOverTheQueue) {
  PlatformWindow* window = CreatePlatformWindow("", 322, 260);
  SetMessageTarget(window, UiRecorder);
  const PlatformMessage probe = {WM_APP_SHOW_FIRST, 0, 0};
  const struct { const char* what; int about; std::vector<PlatformMessage> posted; uint32_t command;
                 const char* received; std::vector<uint32_t> probed; uint32_t left; } cases[] = {
      {"a release on an entry chooses it (the opening click ends on the title: it stays open)", 0,
       {Mouse(WM_LBUTTONUP, 12, 8), Mouse(WM_MOUSEMOVE, kEntryX, kAboutY), probe,
        Mouse(WM_LBUTTONDOWN, kEntryX, kAboutY), Mouse(WM_LBUTTONUP, kEntryX, kAboutY)},
       IDM_ABOUT, "p", {kSelection, kFace, kMarker, kMarker}, 0},
      {"releases on the separator and the title keep it open, Alt+F4 too, until Escape", 0,
       {Mouse(WM_LBUTTONUP, kEntryX, kSeparatorY), Mouse(WM_LBUTTONUP, 12, 8), {WM_SYSKEYDOWN, 115, 0},
        Key(VK_ESCAPE), probe},
       0, "", {}, WM_APP_SHOW_FIRST},
      {"arrows and Enter skip the separator", 0,
       {Key(VK_DOWN), Key(VK_DOWN), Key(VK_DOWN), Key(VK_RETURN)}, IDM_CLOSE, "", {}, 0},
      {"Up with nothing lit goes from the first entry round to the last", 0, {Key(VK_UP), Key(VK_RETURN)},
       IDM_CLOSE, "", {}, 0},
      {"key releases pass, presses do not; minimising ends it", 0,
       {Key(VK_RIGHT), {WM_KEYUP, VK_RIGHT, 0}, {WM_SIZE, SIZE_MINIMIZED, 0}}, 0, "u", {}, WM_SIZE},
      {"About deactivates; Escape and the window's activation change nothing; Enter closes", 1,
       {Key(VK_ESCAPE), {WM_ACTIVATE, WA_ACTIVE, 0}, probe, Key(VK_RETURN)}, 0, "ipa",
       {kMarker, kMarker, kFace, 0}, 0},
      {"About stays open when a press on OK ends off it; close ends it", 1,
       {Mouse(WM_LBUTTONDOWN, 150, 165), Mouse(WM_MOUSEMOVE, 10, 10), Mouse(WM_LBUTTONUP, 10, 10), probe,
        {WM_CLOSE, 0, 0}}, 0, "ipa", {kMarker, kMarker, kFace, 0}, WM_CLOSE},
      {"quit (the headless queue running dry) ends About", 1, {}, 0, "ia", {}, WM_QUIT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PlatformSurface* canvas = PlatformWindowCanvas(window);
    FillPlatformSurface(canvas, {0, 0, 322, 260}, kMarker);
    DrawMenuBar(window);
    ClearPlatformMessages();
    received.clear();
    probed.clear();
    for (const PlatformMessage& m : c.posted) PostPlatformMessage(m);
    uint32_t command = 0;
    EXPECT_EQ(c.about ? (RunAboutDialog(window), 1) : TrackMenuBar(window, 12, 8, &command), 1);
    EXPECT_EQ(command, c.command);
    EXPECT_EQ(received, c.received);
    EXPECT_EQ(probed, c.probed);
    for (auto [x, y] : kProbes) EXPECT_EQ(ReadPlatformDot(canvas, x, y), kMarker) << "put back at " << x << "," << y;
    PlatformMessage left = {0, 0, 0};
    PeekPlatformMessage(&left);
    EXPECT_EQ(left.message, c.left);
    EXPECT_EQ(PlatformMessageCount(), 0);
  }
}

// Messages beyond the queue's room are dropped, but its last place is kept for the
// quit, so a flooded queue still ends the loops that run over it.
TEST(HeadlessQueue, AFullQueueStillTakesTheQuit) {
  ClearPlatformMessages();
  for (int32_t i = 0; i < kHeadlessQueueCapacity; ++i) PostPlatformMessage({WM_MOUSEMOVE, 0, 0});
  PostPlatformMessage({WM_QUIT, 0, 0});
  ASSERT_EQ(PlatformMessageCount(), kHeadlessQueueCapacity);
  PlatformMessage last = {0, 0, 0};
  while (PeekPlatformMessage(&last)) {}
  EXPECT_EQ(last.message, WM_QUIT);
}

TEST(ErrorReport, TheLineNamesADetailOnlyWhenThereIsOne) {
  testing::internal::CaptureStderr();
  ReportError("dxdraw", "main surface", "no display");
  ReportError("dxdraw", "main surface", "");
  ReportError("dxdraw", "main surface");
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "dxdraw: main surface (no display)\ndxdraw: main surface\ndxdraw: main surface\n");
}

// The logo on black: as many fill and outline dots as its mark with two dots of outline
// beside every stroke (where it stands is checked on the real program's screen).
TEST(Startup, LogoIsItsMarkWithTwoDotsOfOutlineOnBlack) {
  ASSERT_TRUE(OpenDisplay(nullptr, nullptr) && CreateScreen(nullptr, 320, 240, 1));
  ShowLogo();
  std::map<uint32_t, int> dots;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 320; ++x) dots[ReadPlatformDot(displayState.back, x, y)]++;
  EXPECT_EQ(dots, (std::map<uint32_t, int>{{0, 320 * 240 - 285 - 280}, {0xF0F0F0, 285}, {0x0000F0, 280}}));
}

TEST(Startup, CentredOnTheReferenceAndKeptInsideTheWorkArea) {
  const PlatformRect work = {0, 0, 1920, 1040}, shifted = {64, 30, 1984, 1070};  // a panel on the left
  const struct { PlatformRect work, reference, frame; int32_t x, y; } cases[] = {
      {work, work, {0, 0, 322, 300}, 799, 370}, {shifted, shifted, {500, 500, 822, 800}, 64 + 799, 30 + 370},
      {work, work, {0, 0, 2001, 1101}, 1920 - 2001, 1040 - 1101},  // larger: its right and bottom edges
      {work, {0, 0, 100, 100}, {0, 0, 301, 201}, 0, 0},  // centred near the corner, pushed back inside
  };
  for (const auto& c : cases) {
    int32_t xy[2] = {-1, -1};
    CentredPosition(c.work, c.reference, c.frame, &xy[0], &xy[1]);
    EXPECT_EQ(std::vector<int32_t>(xy, xy + 2), std::vector<int32_t>({c.x, c.y}));
  }
}

// This process is the first copy (two copies are run against each other end to end),
// its folder and channel its user's alone. Peers that ask and hang up at once must not
// end it (an answer to a closed peer raises SIGPIPE unless suppressed), nor show it
// with anything but the request, nor keep a real request unanswered by saying nothing.
TEST(InstanceLock, TheChannelIsTheUsersAloneAndNoPeerEndsOrBlocksTheFirstCopy) {
  char pattern[] = "/tmp/zorrit-lock-test-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  setenv("XDG_RUNTIME_DIR", pattern, 1);
  ASSERT_EQ(AcquireInstanceLock("test"), 1);
  ASSERT_EQ(PublishInstanceChannel("test"), 1);
  const std::string folder = std::string(pattern) + "/zorrit";
  struct stat info[2] = {};
  ASSERT_EQ(stat(folder.c_str(), &info[0]) + stat((folder + "/test.sock").c_str(), &info[1]), 0);
  EXPECT_EQ(info[0].st_mode & 0777, 0700u);
  EXPECT_EQ(info[1].st_mode & 0777, 0600u);
  auto connectToChannel = [&] {
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {AF_UNIX, {}};
    (folder + "/test.sock").copy(address.sun_path, sizeof address.sun_path - 1);
    EXPECT_EQ(connect(fd, (const sockaddr*)&address, sizeof address), 0);
    return fd;
  };
  for (const char* said : {"S", "S", "x", "S", "S", "?"}) {
    const int fd = connectToChannel();
    EXPECT_EQ(write(fd, said, 1) + close(fd), 1);
  }
  usleep(300 * 1000);  // the listener answers them meanwhile
  std::vector<int> silent;
  for (int i = 0; i < 8; i++) silent.push_back(connectToChannel());
  EXPECT_EQ(RequestFirstInstance("test"), 1);
  for (int fd : silent) close(fd);
  CloseInstanceChannel();
  ReleaseInstanceLock();
  int shown = 0;
  PlatformMessage m;
  while (PeekPlatformMessage(&m)) shown += m.message == WM_APP_SHOW_FIRST;
  EXPECT_EQ(shown, 5);
  // A folder other users can reach is refused, even with its group shut out.
  ASSERT_EQ(chmod(folder.c_str(), 0705), 0);
  EXPECT_EQ(AcquireInstanceLock("test"), 0);
  EXPECT_EQ(InstanceLockHeldElsewhere(), 0);
  EXPECT_NE(std::string(InstanceLockFailure()).find("open to other users (mode 0705)"), std::string::npos)
      << InstanceLockFailure();
  std::filesystem::remove_all(pattern);
}

}  // namespace
