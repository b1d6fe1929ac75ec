// zorrit-sounds: synthesises the game's music and effects from the note
// scripts in resources/sounds/src and writes them as WAVE files.
//
//   zorrit-sounds --write <outdir> [--from <script dir>]
//
// Prints the peak, RMS and DC offset of each sound, and the seam of each loop.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/sounds/sound_script.h"
#include "tools/sounds/synth.h"

static const char* const soundNames[] = {"bgm1", "bgm2", "se01", "se02", "se03", "se04", "se05",
                                         "se06", "se07", "se08", "se09", "se10", "se11", "se12"};

static int WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return 0;
  size_t written = std::fwrite(bytes.data(), 1, bytes.size(), file);
  int closed = std::fclose(file) == 0;
  return written == bytes.size() && closed;
}

static void PrintFigures(const char* name, const SoundScript& script, const std::vector<uint8_t>& samples) {
  int peak = 0;
  double sum = 0, squares = 0;
  int largestStep = 0;
  for (size_t i = 0; i < samples.size(); i++) {
    int value = samples[i] - 128;
    if (std::abs(value) > peak) peak = std::abs(value);
    sum += value;
    squares += (double)value * value;
    if (i > 0) {
      int step = std::abs(samples[i] - samples[i - 1]);
      if (step > largestStep) largestStep = step;
    }
  }
  double rms = std::sqrt(squares / samples.size());
  // Loudness as heard: the RMS of the loudest 50 ms.
  const size_t window = SAMPLE_RATE / 20;
  double loudest = 0;
  for (size_t from = 0; from < samples.size(); from += window / 4) {
    double windowSquares = 0;
    size_t to = from + window < samples.size() ? from + window : samples.size();
    for (size_t i = from; i < to; i++) windowSquares += (samples[i] - 128.0) * (samples[i] - 128.0);
    double windowRms = std::sqrt(windowSquares / window);
    if (windowRms > loudest) loudest = windowRms;
  }
  std::printf("%-5s %6zu samples  peak %3d (%5.1f dBFS)  rms %5.1f (%5.1f dBFS)  loudest 50 ms %5.1f dBFS"
              "  dc %+5.2f", name, samples.size(), peak, 20 * std::log10(peak / 128.0 + 1e-9), rms,
              20 * std::log10(rms / 128.0 + 1e-9), 20 * std::log10(loudest / 128.0 + 1e-9),
              sum / samples.size());
  if (script.loop) {
    int seam = std::abs(samples.front() - samples.back());
    std::printf("  seam %d (largest inner step %d)", seam, largestStep);
  } else {
    std::printf("  ends %d/%d", samples.front() - 128, samples.back() - 128);
  }
  std::printf("\n");
}

int main(int argc, char** argv) {
  std::string outDir, fromDir = ZORRIT_SOUND_SCRIPTS;
  int usable = 1;
  for (int i = 1; i < argc && usable; i++) {
    if (!std::strcmp(argv[i], "--write") && i + 1 < argc) outDir = argv[++i];
    else if (!std::strcmp(argv[i], "--from") && i + 1 < argc) fromDir = argv[++i];
    else usable = 0;
  }
  if (!usable || outDir.empty()) {
    std::fprintf(stderr, "usage: zorrit-sounds --write <outdir> [--from <script dir>]\n");
    return 2;
  }
  int failures = 0;
  for (const char* name : soundNames) {
    SoundScript script;
    std::vector<uint8_t> samples;
    int clipped = 0;
    if (!LoadSoundScript(fromDir + "/" + name + ".txt", &script) ||
        !RenderSound(script, &samples, &clipped)) {
      failures++;
      continue;
    }
    if (clipped) {
      std::fprintf(stderr, "%s: %d samples clipped; lower its gain\n", name, clipped);
      failures++;
      continue;
    }
    std::string path = outDir + "/" + name + ".wav";
    if (!WriteFile(path, MakeWaveImage(samples))) {
      std::fprintf(stderr, "%s: cannot write\n", path.c_str());
      failures++;
      continue;
    }
    PrintFigures(name, script, samples);
  }
  return failures ? 1 : 0;
}
