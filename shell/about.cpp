// The About dialog: a box without caption bar drawn centred over the window's
// canvas, with its own modal message loop.
//
// The box keeps the proportions of a 63 x 76 dialog-unit template in the
// 6 x 12 font (one unit is 1.5 dots either way): three lines of text - the
// title, the release date, the maker label - and the default button "OK".
// Enter, Space, or a click released on the button close it; Escape and
// Alt+F4 do not. While it is open the game is inactive: the window procedure
// gets WM_ACTIVATE inactive when it opens and active when it closes (music
// pauses and resumes, held keys are forgotten), and activation changes of
// the window in between do not wake the game. Close and quit requests end
// the dialog and are put back in the queue, so the program still ends.
#include "shell/about.h"

#include "platform/window.h"
#include "shell/app_strings.h"
#include "shell/frame_pacing.h"
#include "graphics/font.h"

namespace {

constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kFrame = 0x000000;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kPressed = 0x808080;

// Dialog units to dots, rounded.
constexpr int32_t Dots(int32_t units) { return (units * 3 + 1) / 2; }

constexpr int32_t kBoxWidth = Dots(63), kBoxHeight = Dots(76);

struct Line {
  int32_t x, y, w, h;  // dialog units, from the template
  const char* text;
};
constexpr Line kLines[] = {
    {7, 7, 49, 14, kGameTitle},
    {7, 23, 49, 14, kReleaseDate},
    {7, 38, 49, 14, kMakerLabel},
};
constexpr Line kButton = {7, 55, 50, 14, "OK"};

PlatformRect Place(const PlatformRect& box, const Line& l) {
  return {box.left + Dots(l.x), box.top + Dots(l.y), box.left + Dots(l.x + l.w),
          box.top + Dots(l.y + l.h)};
}

int Inside(const PlatformRect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void Frame(PlatformSurface* canvas, const PlatformRect& r, uint32_t colour) {
  FillPlatformSurface(canvas, {r.left, r.top, r.right, r.top + 1}, colour);
  FillPlatformSurface(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillPlatformSurface(canvas, {r.left, r.top, r.left + 1, r.bottom}, colour);
  FillPlatformSurface(canvas, {r.right - 1, r.top, r.right, r.bottom}, colour);
}

void DrawBox(PlatformSurface* canvas, const PlatformRect& box, int pressed) {
  FillPlatformSurface(canvas, box, kFace);
  Frame(canvas, box, kFrame);
  for (const Line& l : kLines) {
    const PlatformRect r = Place(box, l);
    // Left-aligned, centred vertically in its field.
    DrawFontText(canvas, r.left, (r.top + r.bottom - kFontHeight) / 2, l.text, kText);
  }
  // A flat default button: a double black frame, grey when held down.
  const PlatformRect b = Place(box, kButton);
  Frame(canvas, b, kFrame);
  Frame(canvas, {b.left + 1, b.top + 1, b.right - 1, b.bottom - 1}, pressed ? kPressed : kFrame);
  const int32_t textWidth = 2 * kFontWidth;
  DrawFontText(canvas, (b.left + b.right - textWidth) / 2 + pressed,
               (b.top + b.bottom - kFontHeight) / 2 + pressed, kButton.text, kText);
}

}  // namespace

void RunAboutDialog(PlatformWindow* owner) {
  PlatformSurface* canvas = PlatformWindowCanvas(owner);
  PlatformRect box = {0, 0, kBoxWidth, kBoxHeight};
  PlatformSurface* saved = nullptr;
  if (canvas) {
    const int32_t left = (PlatformSurfaceWidth(canvas) - kBoxWidth) / 2;
    const int32_t top = (PlatformSurfaceHeight(canvas) - kBoxHeight) / 2;
    box = {left, top, left + kBoxWidth, top + kBoxHeight};
    saved = CreatePlatformSurface(kBoxWidth, kBoxHeight);
    if (saved && !BlitPlatformSurface(saved, {0, 0, kBoxWidth, kBoxHeight}, canvas, box, 0)) {
      DestroyPlatformSurface(saved);
      saved = nullptr;  // the window is smaller than the box: it works undrawn
    }
  }
  const PlatformRect button = Place(box, kButton);

  SendWindowMessage(WM_ACTIVATE, WA_INACTIVE, 0);
  int tracking = 0;  // the mouse button went down on the OK button
  int pressed = 0;   // ... and the pointer is still on it
  int drawn = -1;    // the `pressed` state on screen
  PlatformMessage repost = {0, 0, 0};
  for (int open = 1; open;) {
    if (saved && drawn != pressed) {
      DrawBox(canvas, box, pressed);
      UpdatePlatformWindow(owner);
      drawn = pressed;
    }
    PlatformMessage m;
    WaitPlatformMessage(&m);
    const int32_t mx = MouseParamX(m.lParam), my = MouseParamY(m.lParam);
    switch (m.message) {
      case WM_QUIT:
      case WM_CLOSE:
        // Mend: closing the main window ends the box, and the close is put
        // back for the window to act on. A modal box would keep the owner's
        // close button disabled while open; the window system here cannot
        // disable it for a box drawn inside the window, so the close is let
        // through rather than lost.
        repost = m;
        open = 0;
        break;
      case WM_KEYDOWN:
        if (m.wParam == VK_RETURN || m.wParam == VK_SPACE) open = 0;
        break;
      case WM_LBUTTONDOWN:
        tracking = pressed = Inside(button, mx, my);
        break;
      case WM_MOUSEMOVE:
        pressed = tracking && Inside(button, mx, my);
        break;
      case WM_LBUTTONUP:
        if (tracking && Inside(button, mx, my)) open = 0;
        tracking = pressed = 0;
        break;
      case WM_KEYUP:
        SendWindowMessage(m.message, m.wParam, m.lParam);  // no key stays down
        break;
      case WM_ACTIVATE:
        // Losing the focus while the dialog is open changes nothing the game
        // sees; regaining it must not wake the game before the dialog closes.
        break;
      case WM_APP_SHOW_FIRST:
      case WM_APP_SURFACE_LOST:
        SendWindowMessage(m.message, m.wParam, m.lParam);
        break;
      default:
        break;  // the rest of the window is disabled while the dialog is open
    }
  }
  if (saved) {
    BlitPlatformSurface(canvas, box, saved, {0, 0, kBoxWidth, kBoxHeight}, 0);
    UpdatePlatformWindow(owner);
  }
  DestroyPlatformSurface(saved);
  SendWindowMessage(WM_ACTIVATE, WA_ACTIVE, 0);
  if (repost.message) PostPlatformMessage(repost);
}
