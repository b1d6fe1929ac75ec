// The main window in a web page: a canvas element, and the message queue fed
// by the page's events.
//
// The page holds the elements (web/index.html):
//   <canvas id="zorrit">  the window's content, shown kPageScale times as wide
//                         in CSS pixels (narrower where the page is), with
//                         pixelated scaling;
//   #ended                shown (its `hidden` attribute removed) once the
//                         window is destroyed: the game has ended and a page
//                         cannot close its tab, so it offers a way to start
//                         again instead.
// The caption is the page's title; the icon becomes its favicon.
//
// As on the desktop the canvas is a surface of our own in the native format;
// UpdatePlatformWindow converts it to RGBA and puts it into the element.
//
// Events: keys from the whole page (arrows, space, F1 and F2 are kept from
// scrolling or opening the browser's help), mouse buttons pressed on the
// canvas and moved or released anywhere (coordinates in canvas dots),
// focus and blur of the page as activation, and a hidden tab as a minimised
// window. The callbacks run while the program sleeps (emscripten_sleep, or
// WaitPlatformMessage), never in the middle of a frame; they only queue
// messages.
//
// WaitPlatformMessage really waits: the program is suspended (asyncify)
// until a message is posted, so a paused game in a hidden tab costs nothing.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cmath>
#include <cstdlib>
#include <deque>

#include "platform/clock.h"
#include "platform/keymap.h"
#include "platform/window.h"

namespace {

constexpr const char* kCanvas = "#zorrit";
constexpr int32_t kPageScale = 2;  // CSS pixels per canvas dot
enum : uint32_t { kHeldLeft = 1, kHeldRight = 2 };

}  // namespace

struct PlatformWindow {
  PlatformSurface* canvas;   // null while the client area is empty
  int32_t clientWidth, clientHeight;
  uint8_t* rgba;             // clientWidth x clientHeight x 4, what the element gets
};

static PlatformWindow* theWindow = nullptr;
static std::deque<PlatformMessage> queue;
static uint32_t buttonsHeld = 0;

// ---------------------------------------------------------------- waiting

// Suspends the program until WakeWaiter runs. Posts come only from event
// callbacks, which run while the program is suspended, so a post cannot slip
// in between the look at the queue and the sleep.
EM_ASYNC_JS(void, SleepUntilPosted, (), {
  await new Promise(function(resolve) { Module.zorritWake = resolve; });
});

// Called from inside the program, so the waiter resumes from a fresh task,
// after the program has returned to the browser.
static void WakeWaiter() {
  EM_ASM({
    var wake = Module.zorritWake;
    if (wake) {
      Module.zorritWake = null;
      setTimeout(wake, 0);
    }
  });
}

static void Post(uint32_t message, uint64_t wParam, int64_t lParam) {
  PostPlatformMessage({message, wParam, lParam});
}

// ---------------------------------------------------------------- events

static int IsGameKey(uint32_t key) {
  switch (key) {
    case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN: case VK_SPACE: case VK_F1: case VK_F2:
      return 1;
    default:
      return 0;
  }
}

// Alt, F10 and keys pressed with Alt are system keys, as on the desktop; a
// release always reaches the key table (but for Alt and F10 themselves).
static EM_BOOL OnKey(int type, const EmscriptenKeyboardEvent* event, void*) {
  const uint32_t key = VirtualKeyFromWeb(event->code, event->key);
  if (key == 0) return EM_FALSE;
  const int down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  const int systemKey = key == VK_MENU || key == VK_F10 || (down && event->altKey);
  const uint32_t message = down ? (systemKey ? WM_SYSKEYDOWN : WM_KEYDOWN)
                                : (systemKey ? WM_SYSKEYUP : WM_KEYUP);
  Post(message, key, event->repeat ? 0x40000000 : 0);
  return IsGameKey(key) && !event->ctrlKey && !event->metaKey ? EM_TRUE : EM_FALSE;
}

// The pointer in canvas dots, from the event's place in the page.
static int64_t CanvasPoint(const EmscriptenMouseEvent* event) {
  const int32_t w = theWindow ? theWindow->clientWidth : 0;
  const int32_t h = theWindow ? theWindow->clientHeight : 0;
  double x = EM_ASM_DOUBLE({
    var r = document.getElementById('zorrit').getBoundingClientRect();
    return r.width > 0 ? ($0 - r.left) * $1 / r.width : 0;
  }, (double)event->clientX, (double)w);
  double y = EM_ASM_DOUBLE({
    var r = document.getElementById('zorrit').getBoundingClientRect();
    return r.height > 0 ? ($0 - r.top) * $1 / r.height : 0;
  }, (double)event->clientY, (double)h);
  const auto clamp16 = [](double v) {
    v = std::floor(v);
    return (int32_t)(v < -32768 ? -32768 : v > 32767 ? 32767 : v);
  };
  return MakeMouseParam(clamp16(x), clamp16(y));
}

static uint64_t ButtonState() {
  return (buttonsHeld & kHeldLeft ? 0x0001u : 0) | (buttonsHeld & kHeldRight ? 0x0002u : 0);
}

static EM_BOOL OnMouseDown(int, const EmscriptenMouseEvent* event, void*) {
  if (event->button == 0) {
    buttonsHeld |= kHeldLeft;
    Post(WM_LBUTTONDOWN, ButtonState(), CanvasPoint(event));
    return EM_TRUE;
  }
  if (event->button == 2) {
    buttonsHeld |= kHeldRight;
    Post(WM_RBUTTONDOWN, ButtonState(), CanvasPoint(event));
    return EM_TRUE;
  }
  return EM_FALSE;
}

// Releases and moves are taken from the whole page, so that a drag that
// started on the canvas ends where the pointer really is.
static EM_BOOL OnMouseUp(int, const EmscriptenMouseEvent* event, void*) {
  if (event->button == 0 && (buttonsHeld & kHeldLeft)) {
    buttonsHeld &= ~kHeldLeft;
    Post(WM_LBUTTONUP, ButtonState(), CanvasPoint(event));
  } else if (event->button == 2 && (buttonsHeld & kHeldRight)) {
    buttonsHeld &= ~kHeldRight;
    Post(WM_RBUTTONUP, ButtonState(), CanvasPoint(event));
  }
  return EM_FALSE;
}

static EM_BOOL OnMouseMove(int, const EmscriptenMouseEvent* event, void*) {
  Post(WM_MOUSEMOVE, ButtonState(), CanvasPoint(event));
  return EM_FALSE;
}

static EM_BOOL OnFocus(int type, const EmscriptenFocusEvent*, void*) {
  Post(WM_ACTIVATE, type == EMSCRIPTEN_EVENT_FOCUS ? WA_ACTIVE : WA_INACTIVE, 0);
  return EM_FALSE;
}

static EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
  Post(WM_SIZE, event->hidden ? SIZE_MINIMIZED : SIZE_RESTORED, 0);
  return EM_FALSE;
}

static void Listen(int on) {
  const auto* W = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(W, nullptr, EM_TRUE, on ? OnKey : nullptr);
  emscripten_set_keyup_callback(W, nullptr, EM_TRUE, on ? OnKey : nullptr);
  emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, on ? OnMouseDown : nullptr);
  emscripten_set_mouseup_callback(W, nullptr, EM_TRUE, on ? OnMouseUp : nullptr);
  emscripten_set_mousemove_callback(W, nullptr, EM_TRUE, on ? OnMouseMove : nullptr);
  emscripten_set_focus_callback(W, nullptr, EM_TRUE, on ? OnFocus : nullptr);
  emscripten_set_blur_callback(W, nullptr, EM_TRUE, on ? OnFocus : nullptr);
  emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on ? OnVisibility : nullptr);
}

// ---------------------------------------------------------------- window

PlatformWindow* CreatePlatformWindow(const char* caption, int32_t clientWidth,
                                     int32_t clientHeight) {
  if (theWindow) return nullptr;  // one window per page
  const int present = EM_ASM_INT({
    var c = document.getElementById('zorrit');
    if (!c || !c.getContext) return 0;
    c.style.visibility = 'hidden';
    c.oncontextmenu = function(e) { e.preventDefault(); };
    return 1;
  });
  if (!present) return nullptr;
  PlatformWindow* window = new PlatformWindow();
  theWindow = window;
  SetPlatformWindowCaption(window, caption);
  ResizePlatformWindow(window, clientWidth, clientHeight);
  Listen(1);
  // A page opened in the background starts as a minimised window would.
  if (EM_ASM_INT({ return document.hidden ? 1 : 0; })) Post(WM_SIZE, SIZE_MINIMIZED, 0);
  return window;
}

void DestroyPlatformWindow(PlatformWindow* window) {
  if (!window) return;
  Listen(0);
  EM_ASM({
    var c = document.getElementById('zorrit');
    if (c) c.hidden = true;
    var ended = document.getElementById('ended');
    if (ended) ended.hidden = false;
  });
  DestroyPlatformSurface(window->canvas);
  std::free(window->rgba);
  if (theWindow == window) theWindow = nullptr;
  delete window;
  queue.clear();
  buttonsHeld = 0;
}

void SetPlatformWindowCaption(PlatformWindow* window, const char* caption) {
  if (window) EM_ASM({ document.title = UTF8ToString($0); }, caption ? caption : "");
}

// The icon as the page's favicon, black transparent.
void SetPlatformWindowIcon(PlatformWindow* window, const PlatformSurface* icon) {
  if (!window || !icon) return;
  const int32_t w = PlatformSurfaceWidth(icon), h = PlatformSurfaceHeight(icon);
  uint8_t* rgba = static_cast<uint8_t*>(std::malloc((size_t)w * h * 4));
  if (!rgba) return;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t dot = ReadPlatformDot(icon, x, y) & 0xFFFFFF;
      uint8_t* p = rgba + ((size_t)y * w + x) * 4;
      p[0] = (uint8_t)(dot >> 16);
      p[1] = (uint8_t)(dot >> 8);
      p[2] = (uint8_t)dot;
      p[3] = dot ? 255 : 0;
    }
  EM_ASM({
    var c = document.createElement('canvas');
    c.width = $1;
    c.height = $2;
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
    c.getContext('2d').putImageData(new ImageData(pixels.slice(), $1, $2), 0, 0);
    var link = document.querySelector('link[rel=icon]');
    if (!link) {
      link = document.createElement('link');
      link.rel = 'icon';
      document.head.appendChild(link);
    }
    link.href = c.toDataURL('image/png');
  }, rgba, w, h);
  std::free(rgba);
}

// A new size makes a new canvas (blank); when a canvas existed before, the
// shell learns of the change through WM_APP_SURFACE_LOST, as on the desktop.
void ResizePlatformWindow(PlatformWindow* window, int32_t clientWidth, int32_t clientHeight) {
  if (!window) return;
  if (clientWidth < 0) clientWidth = 0;
  if (clientHeight < 0) clientHeight = 0;
  if (window->canvas && clientWidth == window->clientWidth && clientHeight == window->clientHeight)
    return;
  PlatformSurface* canvas = nullptr;
  uint8_t* rgba = nullptr;
  if (clientWidth > 0 && clientHeight > 0) {
    canvas = CreatePlatformSurface(clientWidth, clientHeight);
    rgba = static_cast<uint8_t*>(std::calloc((size_t)clientWidth * clientHeight, 4));
    if (!canvas || !rgba) {
      DestroyPlatformSurface(canvas);
      std::free(rgba);
      return;
    }
  }
  const int hadCanvas = window->canvas != nullptr;
  DestroyPlatformSurface(window->canvas);
  std::free(window->rgba);
  window->canvas = canvas;
  window->rgba = rgba;
  window->clientWidth = clientWidth;
  window->clientHeight = clientHeight;
  EM_ASM({
    var c = document.getElementById('zorrit');
    c.width = $0;
    c.height = $1;
    c.style.width = ($0 * $2) + 'px';  // the page's style keeps the proportions
  }, clientWidth, clientHeight, kPageScale);
  if (hadCanvas) Post(WM_APP_SURFACE_LOST, 0, 0);
}

// The work area is the page's viewport; the window's frame is the canvas as
// laid out, in CSS pixels. The page places the canvas, so moving does nothing.
int GetPlatformWorkArea(PlatformRect* area) {
  if (!area) return 0;
  *area = {0, 0, EM_ASM_INT({ return window.innerWidth; }),
           EM_ASM_INT({ return window.innerHeight; })};
  return 1;
}

int GetPlatformWindowRect(PlatformWindow* window, PlatformRect* rect) {
  return GetPlatformClientRect(window, rect);
}

int GetPlatformClientRect(PlatformWindow* window, PlatformRect* rect) {
  if (!window || !rect) return 0;
  double box[4] = {0, 0, 0, 0};  // left, top, width, height
  EM_ASM({
    var r = document.getElementById('zorrit').getBoundingClientRect();
    HEAPF64.set([r.left, r.top, r.width, r.height], $0 >> 3);
  }, box);
  *rect = {(int32_t)box[0], (int32_t)box[1], (int32_t)(box[0] + box[2]),
           (int32_t)(box[1] + box[3])};
  return 1;
}

void MovePlatformWindow(PlatformWindow*, int32_t, int32_t) {}

void ShowPlatformWindow(PlatformWindow* window) {
  if (!window) return;
  EM_ASM({ document.getElementById('zorrit').style.visibility = 'visible'; });
}

void BringPlatformWindowToFront(PlatformWindow* window) {
  if (!window) return;
  ShowPlatformWindow(window);
  EM_ASM({ window.focus(); });
}

PlatformSurface* PlatformWindowCanvas(PlatformWindow* window) {
  return window ? window->canvas : nullptr;
}

// Native dots are 0x00RRGGBB; the element takes R, G, B, A bytes.
void UpdatePlatformWindow(PlatformWindow* window) {
  if (!window || !window->canvas) return;
  int32_t pitch = 0;
  const uint8_t* pixels = PlatformSurfacePixels(window->canvas, &pitch);
  const int32_t w = window->clientWidth, h = window->clientHeight;
  uint8_t* out = window->rgba;
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(pixels + (size_t)y * pitch);
    for (int32_t x = 0; x < w; ++x, out += 4) {
      const uint32_t dot = row[x];
      out[0] = (uint8_t)(dot >> 16);
      out[1] = (uint8_t)(dot >> 8);
      out[2] = (uint8_t)dot;
      out[3] = 255;
    }
  }
  EM_ASM({
    var c = document.getElementById('zorrit');
    if (!Module.zorritContext || Module.zorritContext.canvas !== c)
      Module.zorritContext = c.getContext('2d', {alpha: false});
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
    Module.zorritContext.putImageData(new ImageData(pixels, $1, $2), 0, 0);
  }, window->rgba, w, h);
}

// A page has no screen saver to hold off; text input is never on.
void InhibitScreenSaver(int) {}

// ---------------------------------------------------------------- queue

void PostPlatformMessage(const PlatformMessage& message) {
  queue.push_back(message);
  WakeWaiter();
}

int PeekPlatformMessage(PlatformMessage* message) {
  if (queue.empty()) return 0;
  if (message) *message = queue.front();
  queue.pop_front();
  return 1;
}

// The page's events are delivered while the program sleeps, so the frame
// wait's sleep is the clock's (emscripten_sleep) as it stands.
void WaitPlatformEvents(uint32_t milliseconds) { PlatformSleep(milliseconds); }

// Without a window nothing can arrive any more: the wait ends with WM_QUIT.
void WaitPlatformMessage(PlatformMessage* message) {
  PlatformMessage taken;
  while (!PeekPlatformMessage(&taken)) {
    if (!theWindow) {
      taken = {WM_QUIT, 0, 0};
      break;
    }
    SleepUntilPosted();
  }
  if (message) *message = taken;
}
