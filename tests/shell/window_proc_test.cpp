// The main window procedure: activation, menu commands, system keys and the
// input messages, through the real input state, sound table and game flags.
#include <gtest/gtest.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "game/game_world.h"
#include "graphics/display.h"
#include "input/keys.h"
#include "platform/audio_device.h"
#include "platform/clock.h"
#include "platform/window.h"
#include "shell/frame_pacing.h"
#include "shell/menu_bar.h"
#include "shell/window_proc.h"
#include "sound/cues.h"
#include "sound/sound_table.h"

namespace {

enum : uint32_t { kF4 = 115 };

class WindowProcTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window = CreatePlatformWindow("test", 320, 240 + MenuBarHeight());
    ASSERT_NE(window, nullptr);
    ClearPlatformMessages();
    ClearKeys();
    RequestReset(0);
    SetFrameObserver(nullptr);
    SetMessageTarget(window, MainWindowProc);
    framePacing = {0, 0, 0, 1, 0, 0, 0};
    SetVirtualTicks(5000);
    Send(WM_CREATE);
  }
  void TearDown() override {
    SetMessageTarget(nullptr, nullptr);
    ClearPlatformMessages();
    DestroyPlatformWindow(window);
  }
  static int64_t Send(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
    return SendWindowMessage(message, wParam, lParam);
  }
  // The message at the head of the queue (0 when empty); removes it.
  static uint32_t NextQueued() {
    PlatformMessage m;
    return PeekPlatformMessage(&m) ? m.message : 0;
  }
  PlatformWindow* window = nullptr;
};

TEST_F(WindowProcTest, ActivationActsOncePerChangeAndWritesNothingWithoutADebugger) {
  EXPECT_EQ(framePacing.windowActive, 1);  // WM_CREATE
  Send(WM_KEYDOWN, VK_LEFT);
  testing::internal::CaptureStderr();
  Send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_EQ(framePacing.windowActive, 0);
  EXPECT_EQ(KeyDown(VK_LEFT), 1);  // deactivation keeps the keys
  Send(WM_SIZE, SIZE_MINIMIZED);
  Send(WM_KEYDOWN, VK_RIGHT);  // pressed while inactive
  // Click-activation with the minimised flag in the high word.
  Send(WM_ACTIVATE, 0x10000 | WA_CLICKACTIVE);
  EXPECT_EQ(framePacing.windowActive, 1);
  EXPECT_EQ(KeyDown(VK_LEFT), 0);
  EXPECT_EQ(KeyDown(VK_RIGHT), 0);
  // A second activation message in a row changes nothing: keys stay.
  Send(WM_KEYDOWN, VK_UP);
  Send(WM_SIZE, SIZE_RESTORED);
  Send(WM_ACTIVATE, WA_ACTIVE);
  EXPECT_EQ(KeyDown(VK_UP), 1);
  Send(WM_SIZE, 4);  // neither restored, minimised nor maximised
  EXPECT_EQ(framePacing.windowActive, 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A child process with this process as its tracer (as under gdb) writes the
// activation lines; its standard error comes back through a pipe.
TEST_F(WindowProcTest, ActivationLinesReachAnAttachedDebugger) {
  int out[2];
  ASSERT_EQ(pipe(out), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(out[1], 2);
    close(out[0]);
    if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(3);
    Send(WM_ACTIVATE, WA_INACTIVE);
    Send(WM_ACTIVATE, WA_ACTIVE);
    _exit(0);
  }
  close(out[1]);
  std::string written;
  char buffer[64];
  for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) written.append(buffer, (size_t)n);
  close(out[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "this system refuses ptrace";
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(written, "ii\naa\n");
}

// How many of the next `count` mixed samples differ from silence.
int SoundingSamples(int32_t count) {
  uint8_t out[4096];
  PullAudioDevice(out, count);
  int n = 0;
  for (int32_t i = 0; i < count; i++) n += out[i] != 128;
  return n;
}

TEST_F(WindowProcTest, DeactivationPausesTheMusicAndActivationResumesIt) {
  ASSERT_EQ(OpenSound(window), 1);
  ASSERT_EQ(LoadWaveResource("BGM1", 0), 1);
  ClearMusic();
  StartMusic(0);
  EXPECT_GT(SoundingSamples(4000), 1000);
  Send(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_EQ(SoundingSamples(4000), 0);
  EXPECT_EQ(musicState.active, 1);  // still remembered
  Send(WM_SIZE, SIZE_MAXIMIZED);
  EXPECT_GT(SoundingSamples(4000), 1000);
  EndMusic();
  CloseSound();
}

TEST_F(WindowProcTest, MenuCommandsResetCloseAndIgnoreOthers) {
  Send(WM_COMMAND, 12345);
  EXPECT_EQ(ResetRequested(), 0);
  EXPECT_EQ(NextQueued(), 0u);
  Send(WM_COMMAND, (7ull << 16) | IDM_RESET);  // only the low 16 bits count
  EXPECT_EQ(ResetRequested(), 1);
  EXPECT_EQ(NextQueued(), 0u);
  Send(WM_COMMAND, IDM_CLOSE);
  EXPECT_EQ(NextQueued(), (uint32_t)WM_QUIT);
  EXPECT_EQ(NextQueued(), 0u);
  Send(WM_CLOSE);
  EXPECT_EQ(NextQueued(), (uint32_t)WM_QUIT);
}

TEST_F(WindowProcTest, SystemKeysNeverReachTheInputState) {
  Send(WM_SYSKEYDOWN, VK_MENU);
  Send(WM_SYSKEYDOWN, VK_F10);
  Send(WM_SYSKEYUP, VK_F10);  // would open the menu: suppressed
  Send(WM_SYSKEYUP, VK_MENU);
  EXPECT_EQ(KeyDown(VK_MENU), 0);
  EXPECT_EQ(KeyDown(VK_F10), 0);
  EXPECT_EQ(NextQueued(), 0u);
  Send(WM_SYSCOMMAND, SC_KEYMENU);
  Send(WM_SYSCOMMAND, SC_SCREENSAVE);
  Send(WM_SYSCOMMAND, SC_MONITORPOWER);
  Send(WM_IME_NOTIFY, IMN_SETOPENSTATUS);
  EXPECT_EQ(NextQueued(), 0u);
  // Alt+F4 and the close command end the game like the menu's Close.
  Send(WM_SYSKEYDOWN, kF4);
  EXPECT_EQ(NextQueued(), (uint32_t)WM_QUIT);
  Send(WM_SYSCOMMAND, SC_CLOSE);
  EXPECT_EQ(NextQueued(), (uint32_t)WM_QUIT);
  // The wheel is not fed to the input state; buttons below the menu bar are.
  Send(WM_MOUSEWHEEL, 120u << 16);
  UpdateKeys();
  EXPECT_EQ(WheelStep(), 0);
  Send(WM_RBUTTONDOWN, 0, MakeMouseParam(100, MenuBarHeight() + 50));
  Send(WM_LBUTTONDOWN, 0, MakeMouseParam(100, MenuBarHeight() + 50));
  EXPECT_EQ(MouseLeftDown() + MouseRightDown(), 2);
  Send(WM_LBUTTONUP);
  Send(WM_RBUTTONUP);
  EXPECT_EQ(MouseLeftDown() + MouseRightDown(), 0);
}

TEST_F(WindowProcTest, WindowSystemNotices) {
  Send(WM_APP_SHOW_FIRST);
  HeadlessWindowRecord record;
  ASSERT_EQ(GetHeadlessWindowRecord(window, &record), 1);
  EXPECT_EQ(record.raised, 1);

  ASSERT_EQ(OpenDisplay(window, nullptr), 1);
  ASSERT_EQ(CreateScreen(window, 320, 240, 1), 1);
  EXPECT_EQ(IsPlatformSurfaceLost(displayState.back), 0);
  Send(WM_APP_SURFACE_LOST);
  EXPECT_EQ(IsPlatformSurfaceLost(displayState.back), 1);
  CloseDisplay(window);
}

// The pump and the procedure together: while the window is inactive the
// pump keeps dispatching until an activation arrives; the activation forgets
// the keys pressed before it, and the frame goes on.
TEST_F(WindowProcTest, InactivePumpRunsUntilActivation) {
  PostPlatformMessage({WM_ACTIVATE, WA_INACTIVE, 0});
  PostPlatformMessage({WM_KEYDOWN, VK_SPACE, 0});
  PostPlatformMessage({WM_ACTIVATE, WA_ACTIVE, 0});
  PostPlatformMessage({WM_KEYDOWN, VK_LEFT, 0});
  testing::internal::CaptureStderr();
  EXPECT_EQ(WaitFrame(), 1);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(KeyDown(VK_SPACE), 0);
  EXPECT_EQ(KeyDown(VK_LEFT), 1);
}

}  // namespace
