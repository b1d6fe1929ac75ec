// Composing and presenting a typical play frame on the headless platform:
// the clear of the screen, about twenty sprites from the game sheet (slot 3),
// six big digits from the sheet and two small digits from the character
// sheet (slot 1), then Present into the window's canvas.
//
// Arguments: the magnification. Goal: a composed frame under 50 us at 1.
#include <benchmark/benchmark.h>

#include "graphics/bitmap.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "graphics/present.h"
#include "platform/window.h"

namespace {

struct Placed {
  int32_t x, y;
  Rect src;
};

// Positions and sheet cells as a play frame has them.
const Placed kSprites[] = {
    {40, 200, {64, 64, 84, 84}},    {60, 200, {64, 64, 84, 84}},     // wipe bars
    {120, 60, {0, 48, 64, 112}},                                     // ball
    {150, 180, {0, 0, 16, 16}},                                      // head
    {146, 184, {16, 0, 32, 16}},    {142, 188, {32, 0, 48, 16}},     // trail
    {138, 192, {48, 0, 64, 16}},    {134, 196, {64, 0, 80, 16}},
    {130, 200, {80, 0, 96, 16}},    {126, 204, {96, 0, 112, 16}},
    {122, 208, {112, 0, 128, 16}},
    {130, 195, {0, 16, 32, 48}},    {170, 200, {32, 16, 64, 48}},    // paw prints
    {100, 150, {64, 48, 80, 64}},                                    // sparkle
    {225, 212, {80, 121, 128, 128}}, {225, 21, {80, 121, 128, 128}},  // HUD
    {207, 21, {80, 112, 97, 119}},  {21, 212, {64, 95, 87, 102}},
    {48, 211, {64, 84, 128, 92}},   {140, 223, {80, 16, 128, 23}},
};

bool Setup(int32_t m, PlatformWindow** window) {
  *window = CreatePlatformWindow("bench", 320 * m, 240 * m);
  return *window && OpenDisplay(*window, nullptr) && CreateScreen(*window, 320, 240, m) &&
         LoadBitmapSlot("BMP_ZORRIT", 3, 0, 0) && LoadBitmapSlot("BMP_CHARACTOR", 1, 0, 0);
}

void Teardown(PlatformWindow* window) {
  CloseDisplay(window);
  DestroyPlatformWindow(window);
}

void Compose(uint32_t clear, int32_t frame) {
  FillBack(kScreenRect, clear);
  for (const Placed& p : kSprites) PutSprite(kScreenRect, p.x, p.y, p.src, 3);
  for (int32_t i = 0; i < 6; ++i) {
    const int32_t d = (frame + i) % 10;
    PutSprite(kScreenRect, 275 + 8 * (i % 3), i < 3 ? 203 : 21, Rect{8 * d, 112, 8 * d + 8, 128}, 3);
  }
  PutSprite(kScreenRect, 304, 3, Rect{40, 16, 48, 24}, 1);  // "5"
  PutSprite(kScreenRect, 310, 3, Rect{48, 8, 56, 16}, 1);   // "0"
}

// Composes a frame per iteration, and presents it when `present` is set.
void RunFrames(benchmark::State& state, bool present) {
  PlatformWindow* window = nullptr;
  if (!Setup(static_cast<int32_t>(state.range(0)), &window)) {
    state.SkipWithError("display setup failed");
    Teardown(window);
    return;
  }
  const uint32_t clear = MatchColour(0);
  int32_t frame = 0;
  for (auto _ : state) {
    Compose(clear, frame++);
    if (present) Present();
  }
  Teardown(window);
}

void BM_ComposeFrame(benchmark::State& state) { RunFrames(state, false); }
void BM_ComposeAndPresentFrame(benchmark::State& state) { RunFrames(state, true); }

BENCHMARK(BM_ComposeFrame)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ComposeAndPresentFrame)->Arg(1)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
