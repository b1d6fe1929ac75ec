// Start-up and shutdown, step by step in their order; see shell/startup.h.
#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>

#include "game/game_world.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "input/joystick.h"
#include "input/keys.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/instance_lock.h"
#include "platform/window.h"
#include "platform/window_extra.h"
#include "resources/resource_table.h"
#include "shell/app_strings.h"
#include "shell/frame_pacing.h"
#include "shell/logo.h"
#include "shell/menu_bar.h"
#include "shell/window_proc.h"
#include "sound/sound_table.h"

PlatformWindow* mainWindow = nullptr;
int32_t requestedMagnification = 1;
char baseDirectory[260] = "";

namespace {

constexpr int32_t kScreenWidth = 320, kScreenHeight = 240;
constexpr uint32_t kLogoMinimumMs = 1000;
constexpr uint32_t kWorkspaceGrey = 0x808080;  // native: the margin round the picture
constexpr const char* kErrorCaption = "error";

}  // namespace

// ---------------------------------------------------------------- guard

InstanceGuard::~InstanceGuard() { CloseInstanceGuard(this); }

int OpenInstanceGuard(InstanceGuard* guard, const char* lockName, const char* channelName) {
  if (AcquireInstanceLock(lockName)) {
    guard->locked = 1;
    return 1;
  }
  // Another copy runs: ask it to come to the front. If it has not published
  // its window yet, nobody answers and this copy just leaves.
  if (InstanceLockHeldElsewhere()) RequestFirstInstance(channelName);
  return 0;
}

int PublishWindow(InstanceGuard* guard, const char* channelName) {
  if (!PublishInstanceChannel(channelName)) return 0;
  guard->published = 1;
  return 1;
}

void CloseInstanceGuard(InstanceGuard* guard) {
  if (guard->published) CloseInstanceChannel();
  if (guard->locked) ReleaseInstanceLock();
  guard->published = 0;
  guard->locked = 0;
}

// ---------------------------------------------------------------- window helpers

void SetMainTitle() {
  char caption[128];
  std::snprintf(caption, sizeof caption, "[ %s ] %s", kGameTitle, kCollectionName);
  SetPlatformWindowCaption(mainWindow, caption);
}

void CentredPosition(const PlatformRect& work, const PlatformRect& reference,
                     const PlatformRect& frame, int32_t* x, int32_t* y) {
  const int32_t width = frame.right - frame.left, height = frame.bottom - frame.top;
  int32_t left = reference.left + ((reference.right - reference.left) - width) / 2;
  int32_t top = reference.top + ((reference.bottom - reference.top) - height) / 2;
  if (left < work.left) left = work.left;
  if (top < work.top) top = work.top;
  if (left + width > work.right) left = work.right - width;
  if (top + height > work.bottom) top = work.bottom - height;
  *x = left;
  *y = top;
}

// The main window has no parent, so the reference is the work area itself.
static void PlaceCentred(PlatformWindow* window) {
  PlatformRect work, frame;
  if (!GetPlatformWorkArea(&work) || !GetPlatformWindowRect(window, &frame)) return;
  int32_t x = 0, y = 0;
  CentredPosition(work, work, frame, &x, &y);
  if (x != frame.left || y != frame.top) MovePlatformWindow(window, x, y);
}

void CentreWindow(PlatformWindow* window) {
  PlaceCentred(window);
  ShowPlatformWindow(window);
  PlaceCentred(window);
}

int32_t ClientWidthFor(int32_t m) { return kScreenWidth * m + 2; }
int32_t ClientHeightFor(int32_t m) { return MenuBarHeight() + kScreenHeight * m + 2; }

void PaintWindowFrame(PlatformWindow* window) {
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  if (!canvas) return;
  FillPlatformSurface(canvas, {0, 0, PlatformSurfaceWidth(canvas), PlatformSurfaceHeight(canvas)},
                      kWorkspaceGrey);
  DrawMenuBar(window);
}

// The window icon: the bitmap resource "0" of type "ICON", black transparent.
static void SetMainIcon(PlatformWindow* window) {
  const EmbeddedResource* icon = FindEmbeddedResource("0", "ICON");
  if (!icon) return;
  if (PlatformSurface* image = DecodeBitmap(icon->bytes, icon->size)) {
    SetPlatformWindowIcon(window, image);
    DestroyPlatformSurface(image);
  }
}

// ---------------------------------------------------------------- the program

// A start-up failure shown in the "error" box: the reason on standard error
// first, with what failed and the platform's account of it, then the guard
// is closed, because the box may be run by a forked helper process that must
// not keep the lock (nor the channel) after this copy has ended.
static int FailStart(InstanceGuard* guard, const char* text, const char* what) {
  const char* why = PlatformErrorText();
  char detail[512];
  if (why && *why)
    std::snprintf(detail, sizeof detail, "%s: %s", what, why);
  else
    std::snprintf(detail, sizeof detail, "%s", what);
  CloseInstanceGuard(guard);
  ShowErrorBox(kErrorCaption, text, detail);
  return 1;
}

int RunProgram() {
  InstanceGuard guard;
  if (!OpenInstanceGuard(&guard, kInstanceLockName, kInstanceChannelName)) {
    if (InstanceLockHeldElsewhere()) return 0;
    ReportError(kErrorCaption, InstanceLockFailure());
    return 1;
  }

  if (const char* log = std::getenv("ZORRIT_FRAME_LOG")) StartPresentLog(log);
  ClearKeys();

  // The window, hidden, with its procedure; it gets its size later. Without
  // a window there is no display to draw on.
  ClearPlatformError();
  mainWindow = CreatePlatformWindow("", 0, 0);
  if (!mainWindow) return FailStart(&guard, "dxdraw", "no display");
  SetMessageTarget(mainWindow, MainWindowProc);
  SetMainIcon(mainWindow);
  SendWindowMessage(WM_CREATE, 0, 0);
  InhibitScreenSaver(1);
  SetMainTitle();
  if (!PublishWindow(&guard, kInstanceChannelName)) {
    ReportError(kErrorCaption, InstanceLockFailure());
    return 1;
  }

  ClearPlatformError();
  if (!OpenDisplay(mainWindow, baseDirectory))
    return FailStart(&guard, "dxdraw", "display not opened");
  if (!CreateScreen(mainWindow, kScreenWidth, kScreenHeight, requestedMagnification))
    return FailStart(&guard, "main surface", "no back surface");
  // The picture's corner inside the content: below the menu bar, within a
  // one-dot margin.
  SetClientOffset(1, MenuBarHeight() + 1);
  SetTextFont(nullptr, 6, 12);
  ResizePlatformWindow(mainWindow, ClientWidthFor(requestedMagnification),
                       ClientHeightFor(requestedMagnification));
  PaintWindowFrame(mainWindow);
  CentreWindow(mainWindow);

  ShowLogo();
  const uint32_t t0 = PlatformTicks();
  OpenJoystick(mainWindow);
  CalibrateJoystick();
  OpenSound(mainWindow);
  // The logo stays up at least a second; the devices' opening counts toward
  // it. No messages are handled meanwhile.
  while (PlatformTicks() - t0 < kLogoMinimumMs) PlatformSleep(1);

  const int played = RunGame(mainWindow);

  PlatformWindow* window = mainWindow;
  DestroyPlatformWindow(window);
  mainWindow = nullptr;
  SetMessageTarget(nullptr, nullptr);
  CloseJoystick();
  ReleaseTextFont();
  CloseDisplay(window);
  CloseSound();
  StopPresentLog();
  // The guard closes on the way out. A game whose resources could not be
  // loaded never started.
  if (!played) ReportError(kErrorCaption, "the game's pictures or sounds could not be loaded");
  return played ? 0 : 1;
}
