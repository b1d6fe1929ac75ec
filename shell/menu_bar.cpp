// The menu bar in the window's canvas, and the popup's modal loop.
//
// Look: a grey bar with the title "Menu"; while open, the title is sunk and a
// raised popup hangs below it with the entry under the pointer (or chosen
// with the arrow keys) in white on dark blue. The popup is drawn over the
// picture; what it covered is put back when it closes.
//
// Behaviour: a press on the title opens the popup. Releasing on an entry
// chooses it, also at the end of a drag from the title; releasing on the
// title leaves the popup open for a second click. A press on the title again,
// outside the popup, Escape, Alt or F10 closes it without a choice. Up, Down
// and Enter work as well. Nothing else reaches the game while the popup is
// open: key releases are passed on (so no key stays down in the key table),
// and deactivation, minimising, close and quit end the menu and are put back
// in the queue for the pump.
#include "shell/menu_bar.h"

#include "platform/window.h"
#include "shell/frame_pacing.h"
#include "shell/window_proc.h"
#include "graphics/font.h"

namespace {

// Native colours of the classic look.
constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kLight = 0xFFFFFF;
constexpr uint32_t kDark = 0x000000;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kSelection = 0x000080;
constexpr uint32_t kSelectedText = 0xFFFFFF;

constexpr int32_t kBarHeight = 18;
constexpr const char* kTitle = "Menu";
constexpr PlatformRect kTitleRect = {2, 1, 2 + 6 + 4 * kFontWidth + 6, kBarHeight - 1};
constexpr int32_t kTitleTextX = kTitleRect.left + 6;
constexpr int32_t kTextY = 3;  // text top inside a bar or entry line

struct MenuEntry {
  const char* text;  // null: a separator
  uint32_t command;
};
constexpr MenuEntry kEntries[] = {
    {"Reset", IDM_RESET},
    {"About", IDM_ABOUT},
    {nullptr, 0},
    {"Close", IDM_CLOSE},
};
constexpr int32_t kEntryCount = sizeof kEntries / sizeof kEntries[0];

constexpr int32_t kBorder = 3;      // raised frame of the popup
constexpr int32_t kEntryHeight = 18;
constexpr int32_t kSeparatorHeight = 8;
constexpr int32_t kEntryTextX = 18;  // from the popup's left edge
constexpr int32_t kPopupWidth = 84;

constexpr int32_t EntryHeight(int32_t i) {
  return kEntries[i].text ? kEntryHeight : kSeparatorHeight;
}

constexpr int32_t PopupHeight() {
  int32_t h = 2 * kBorder;
  for (int32_t i = 0; i < kEntryCount; ++i) h += EntryHeight(i);
  return h;
}

constexpr PlatformRect kPopupRect = {kTitleRect.left, kBarHeight, kTitleRect.left + kPopupWidth,
                                     kBarHeight + PopupHeight()};

PlatformRect EntryRect(int32_t index) {
  int32_t top = kPopupRect.top + kBorder;
  for (int32_t i = 0; i < index; ++i) top += EntryHeight(i);
  return {kPopupRect.left + kBorder, top, kPopupRect.right - kBorder, top + EntryHeight(index)};
}

int Inside(const PlatformRect& r, int32_t x, int32_t y) {
  return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The entry at (x, y), or -1 (also for a separator and the frame).
int32_t EntryAt(int32_t x, int32_t y) {
  for (int32_t i = 0; i < kEntryCount; ++i)
    if (kEntries[i].text && Inside(EntryRect(i), x, y)) return i;
  return -1;
}

void Fill(PlatformSurface* canvas, PlatformRect r, uint32_t colour) {
  if (r.left < 0) r.left = 0;
  if (r.top < 0) r.top = 0;
  if (r.right > PlatformSurfaceWidth(canvas)) r.right = PlatformSurfaceWidth(canvas);
  if (r.bottom > PlatformSurfaceHeight(canvas)) r.bottom = PlatformSurfaceHeight(canvas);
  if (r.left < r.right && r.top < r.bottom) FillPlatformSurface(canvas, r, colour);
}

// A one-dot frame: top and left in one colour, bottom and right in another.
void Edge(PlatformSurface* canvas, const PlatformRect& r, uint32_t topLeft, uint32_t bottomRight) {
  Fill(canvas, {r.left, r.top, r.right, r.top + 1}, topLeft);
  Fill(canvas, {r.left, r.top, r.left + 1, r.bottom}, topLeft);
  Fill(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  Fill(canvas, {r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

PlatformRect Shrunk(const PlatformRect& r, int32_t by) {
  return {r.left + by, r.top + by, r.right - by, r.bottom - by};
}

void DrawBar(PlatformSurface* canvas, int open) {
  Fill(canvas, {0, 0, PlatformSurfaceWidth(canvas), kBarHeight}, kFace);
  if (open) Edge(canvas, kTitleRect, kShadow, kLight);
  DrawFontText(canvas, kTitleTextX + open, kTextY + open, kTitle, kText);
}

void DrawPopup(PlatformSurface* canvas, int32_t hot) {
  Edge(canvas, kPopupRect, kFace, kDark);
  Edge(canvas, Shrunk(kPopupRect, 1), kLight, kShadow);
  Fill(canvas, Shrunk(kPopupRect, 2), kFace);
  for (int32_t i = 0; i < kEntryCount; ++i) {
    const PlatformRect r = EntryRect(i);
    if (!kEntries[i].text) {
      const int32_t middle = (r.top + r.bottom) / 2;
      Fill(canvas, {r.left + 1, middle - 1, r.right - 1, middle}, kShadow);
      Fill(canvas, {r.left + 1, middle, r.right - 1, middle + 1}, kLight);
      continue;
    }
    if (i == hot) Fill(canvas, r, kSelection);
    DrawFontText(canvas, kPopupRect.left + kEntryTextX, r.top + kTextY, kEntries[i].text,
                 i == hot ? kSelectedText : kText);
  }
}

// The next entry (not a separator) after `from` (-1: before the first) in
// direction `step`, wrapping round.
int32_t NextEntry(int32_t from, int32_t step) {
  int32_t i = from;
  for (int32_t n = 0; n < kEntryCount; ++n) {
    i = (i + step + kEntryCount) % kEntryCount;
    if (kEntries[i].text) return i;
  }
  return from;
}

// Messages that end the menu and must still reach the pump afterwards.
int EndsMenu(const PlatformMessage& m) {
  switch (m.message) {
    case WM_QUIT:
    case WM_CLOSE:
      return 1;
    case WM_ACTIVATE:
      return (m.wParam & 0xFFFF) == WA_INACTIVE;
    case WM_SIZE:
      return m.wParam == SIZE_MINIMIZED;
    default:
      return 0;
  }
}

}  // namespace

int32_t MenuBarHeight() { return kBarHeight; }

void DrawMenuBar(PlatformWindow* window) {
  if (PlatformSurface* canvas = PlatformWindowCanvas(window)) DrawBar(canvas, 0);
}

int TrackMenuBar(PlatformWindow* window, int32_t x, int32_t y, uint32_t* command) {
  if (command) *command = 0;
  if (y < 0 || y >= kBarHeight || x < 0) return 0;
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  if (canvas && x >= PlatformSurfaceWidth(canvas)) return 0;
  if (!Inside(kTitleRect, x, y)) return 1;  // the bar outside the title does nothing

  // What the popup covers, to be put back when it closes.
  const PlatformRect saveRect = {0, 0, kPopupRect.right - kPopupRect.left,
                                 kPopupRect.bottom - kPopupRect.top};
  PlatformSurface* saved = nullptr;
  if (canvas) {
    saved = CreatePlatformSurface(saveRect.right, saveRect.bottom);
    if (saved && !BlitPlatformSurface(saved, saveRect, canvas, kPopupRect, 0)) {
      DestroyPlatformSurface(saved);
      saved = nullptr;  // the popup does not fit: the menu works undrawn
    }
  }

  int32_t hot = -1;
  int32_t shownHot = -2;
  uint32_t chosen = 0;
  PlatformMessage repost = {0, 0, 0};
  int open = 1;
  while (open) {
    if (saved && hot != shownHot) {
      DrawBar(canvas, 1);
      DrawPopup(canvas, hot);
      UpdatePlatformWindow(window);
      shownHot = hot;
    }
    PlatformMessage m;
    WaitPlatformMessage(&m);
    const int32_t mx = MouseParamX(m.lParam), my = MouseParamY(m.lParam);
    if (EndsMenu(m)) {
      repost = m;
      break;
    }
    switch (m.message) {
      case WM_MOUSEMOVE:
        if (Inside(kPopupRect, mx, my)) hot = EntryAt(mx, my);
        break;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
        if (Inside(kPopupRect, mx, my))
          hot = EntryAt(mx, my);
        else
          open = 0;  // on the title again, or anywhere else
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
        if (Inside(kPopupRect, mx, my)) {
          const int32_t entry = EntryAt(mx, my);
          if (entry >= 0) {
            chosen = kEntries[entry].command;
            open = 0;
          }
        } else if (!Inside(kTitleRect, mx, my)) {
          open = 0;  // a drag from the title ended outside the menu
        }
        break;
      case WM_KEYDOWN:
        if (m.wParam == VK_ESCAPE) {
          open = 0;
        } else if (m.wParam == VK_DOWN) {
          hot = NextEntry(hot, 1);
        } else if (m.wParam == VK_UP) {
          hot = NextEntry(hot < 0 ? 0 : hot, -1);
        } else if (m.wParam == VK_RETURN && hot >= 0) {
          chosen = kEntries[hot].command;
          open = 0;
        }
        break;
      case WM_SYSKEYDOWN:
        if (m.wParam == VK_MENU || m.wParam == VK_F10) open = 0;
        break;
      case WM_KEYUP:
        SendWindowMessage(m.message, m.wParam, m.lParam);
        break;
      case WM_ACTIVATE:
      case WM_SIZE:
      case WM_APP_SHOW_FIRST:
      case WM_APP_SURFACE_LOST:
        SendWindowMessage(m.message, m.wParam, m.lParam);
        break;
      default:
        break;
    }
  }

  if (canvas) {
    if (saved) BlitPlatformSurface(canvas, kPopupRect, saved, saveRect, 0);
    DrawBar(canvas, 0);
    UpdatePlatformWindow(window);
  }
  DestroyPlatformSurface(saved);
  if (repost.message) PostPlatformMessage(repost);
  if (command) *command = chosen;
  return 1;
}
