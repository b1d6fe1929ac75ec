// Showing the window's canvas on a real display: UpdatePlatformWindow on the
// desktop platform, as every frame does after Present, with the window
// enlarged by 1 and by 2 (GDK_SCALE). Needs a display (an Xvfb does); without
// one each case is skipped.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/.../window_present_bench
//
// The difference between the two is what the enlargement costs a frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/window.h"

namespace {

constexpr int32_t kClientWidth = 322, kClientHeight = 260;  // the game's window at magnification 1

void BM_ShowCanvas(benchmark::State& state) {
  const std::string scale = std::to_string(state.range(0));
  setenv("GDK_SCALE", scale.c_str(), 1);
  PlatformWindow* window = CreatePlatformWindow("bench", kClientWidth, kClientHeight);
  if (!window) {
    state.SkipWithError("no display");
    return;
  }
  ResizePlatformWindow(window, kClientWidth, kClientHeight);
  ShowPlatformWindow(window);
  // A picture of many colours, so that nothing can be skipped as uniform.
  PlatformSurface* canvas = PlatformWindowCanvas(window);
  for (int32_t y = 0; y < kClientHeight; ++y)
    FillPlatformSurface(canvas, {0, y, kClientWidth, y + 1}, 0x010203u * (uint32_t)y);
  PlatformRect client;
  GetPlatformClientRect(window, &client);
  for (auto _ : state) UpdatePlatformWindow(window);
  state.counters["window_width"] = client.right - client.left;
  DestroyPlatformWindow(window);
}

BENCHMARK(BM_ShowCanvas)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
