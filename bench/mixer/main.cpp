// The mixer's cost: one second of audio (11025 samples) with four of the
// game's sounds looping, pulled in the device's 256-sample blocks. The goal
// is under 1% of real time, i.e. well under 10 ms per second of audio.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/audio_device.h"
#include "sound/cues.h"
#include "sound/sound_table.h"

namespace {

constexpr int32_t kSecond = 11025;
constexpr int32_t kBlock = 256;

void MixOneSecond(benchmark::State& state) {
  SetCaptureDeviceAvailable(1);
  if (!OpenSound(nullptr)) {
    state.SkipWithError("no capture device");
    return;
  }
  const struct {
    const char* name;
    int32_t slot;
  } sounds[] = {{"BGM1", 0}, {"SE05", 15}, {"SE07", 17}, {"SE11", 21}};
  for (const auto& s : sounds) {
    if (!LoadWaveResource(s.name, s.slot)) {
      state.SkipWithError("a game sound failed to load");
      CloseSound();
      return;
    }
    PlayLoop(s.slot);
  }
  std::vector<uint8_t> out(kBlock);
  for (auto _ : state) {
    for (int32_t done = 0; done < kSecond; done += kBlock) {
      const int32_t n = kSecond - done < kBlock ? kSecond - done : kBlock;
      PullAudioDevice(out.data(), n);
      benchmark::DoNotOptimize(out.data());
    }
    benchmark::ClobberMemory();
  }
  // Samples per second mixed; 11025 is real time, so Time per iteration is
  // the mixer's share of a second of audio.
  state.SetItemsProcessed(state.iterations() * kSecond);
  CloseSound();
}
BENCHMARK(MixOneSecond)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
