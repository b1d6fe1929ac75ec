// Replay speed: plays the golden key script headless, without trace,
// pictures or sound, and prints the frames per second, of processor time (the
// speed of one core, steady on a busy machine) and of wall-clock time. The
// goal is at least 10,000 frames per second on one core.
//
//   zorrit-bench-replay [FRAMES]   (default: the script's own length)
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>

#include "tools/replay/replay.h"

int main(int argc, char** argv) {
  ReplayOptions* options = new ReplayOptions();
  ReplayScript script;
  char error[1024];
  std::snprintf(options->inputPath, sizeof options->inputPath, "%s", ZORRIT_GOLDEN_INPUT);
  if (argc > 1) options->frames = (uint32_t)std::strtoul(argv[1], nullptr, 10);
  if (!LoadReplayScript(options->inputPath, &script, error, sizeof error)) {
    std::fprintf(stderr, "zorrit-bench-replay: %s\n", error);
    return 2;
  }
  uint32_t frames = 0;
  auto start = std::chrono::steady_clock::now();
  std::clock_t cpuStart = std::clock();
  int status = RunReplay(*options, script, &frames, error, sizeof error);
  double cpu = (double)(std::clock() - cpuStart) / CLOCKS_PER_SEC;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (status) {
    std::fprintf(stderr, "zorrit-bench-replay: %s\n", error);
    return status;
  }
  std::printf("replay: %u frames, %.3f s of processor time = %.0f frames per second "
              "(goal 10000); %.3f s of wall-clock time = %.0f frames per second\n",
              frames, cpu, frames / cpu, seconds, frames / seconds);
  delete options;
  return 0;
}
