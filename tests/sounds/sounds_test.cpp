#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct SoundFile {
  const char* name;
  int sampleCount;
  int isLoop;
};

const SoundFile soundFiles[] = {
    {"bgm1", 22496, 1}, {"bgm2", 21876, 1}, {"se01", 2919, 0}, {"se02", 123, 0},
    {"se03", 1981, 0},  {"se04", 799, 0},   {"se05", 5796, 0}, {"se06", 5510, 0},
    {"se07", 10473, 0}, {"se08", 5912, 0},  {"se09", 5313, 0}, {"se10", 2672, 0},
    {"se11", 6645, 0},  {"se12", 4961, 0},
};

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string CommittedPath(const SoundFile& sound) {
  return std::string(ZORRIT_SOUNDS_DIR) + "/" + sound.name + ".wav";
}

uint32_t Little(const std::vector<uint8_t>& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; i--) value = (value << 8) | bytes[at + i];
  return value;
}

std::string Tag(const std::vector<uint8_t>& bytes, size_t at) {
  return std::string(bytes.begin() + at, bytes.begin() + at + 4);
}

// The samples of a committed file; the layout itself is checked in WaveLayout.
std::vector<int> Samples(const SoundFile& sound) {
  std::vector<uint8_t> bytes = ReadBytes(CommittedPath(sound));
  if (bytes.size() < 58) return {};
  return std::vector<int>(bytes.begin() + 58, bytes.end());
}

double Rms(const std::vector<int>& samples) {
  double squares = 0;
  for (int s : samples) squares += (double)(s - 128) * (s - 128);
  return samples.empty() ? 0 : std::sqrt(squares / samples.size());
}

TEST(Sounds, GeneratorRebuildsTheCommittedFilesExactly) {
  char directory[] = "/tmp/zorrit-sounds-XXXXXX";
  ASSERT_NE(mkdtemp(directory), nullptr);
  std::string command = std::string("\"") + ZORRIT_SOUNDS_TOOL + "\" --write " + directory + " > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0);
  for (const SoundFile& sound : soundFiles) {
    std::string fresh = std::string(directory) + "/" + sound.name + ".wav";
    std::vector<uint8_t> generated = ReadBytes(fresh);
    std::vector<uint8_t> committed = ReadBytes(CommittedPath(sound));
    EXPECT_FALSE(generated.empty()) << sound.name;
    EXPECT_TRUE(generated == committed) << sound.name << " differs from its script's output";
    std::remove(fresh.c_str());
  }
  rmdir(directory);
}

TEST(Sounds, WaveLayout) {
  for (const SoundFile& sound : soundFiles) {
    SCOPED_TRACE(sound.name);
    std::vector<uint8_t> b = ReadBytes(CommittedPath(sound));
    ASSERT_EQ(b.size(), 58u + sound.sampleCount);
    EXPECT_EQ(Tag(b, 0), "RIFF");
    EXPECT_EQ(Little(b, 4, 4), b.size() - 8);
    EXPECT_EQ(Tag(b, 8), "WAVE");
    EXPECT_EQ(Tag(b, 12), "fmt ");
    EXPECT_EQ(Little(b, 16, 4), 18u);
    EXPECT_EQ(Little(b, 20, 2), 1u);      // PCM
    EXPECT_EQ(Little(b, 22, 2), 1u);      // mono
    EXPECT_EQ(Little(b, 24, 4), 11025u);  // samples per second
    EXPECT_EQ(Little(b, 28, 4), 11025u);  // bytes per second
    EXPECT_EQ(Little(b, 32, 2), 1u);      // block align
    EXPECT_EQ(Little(b, 34, 2), 8u);      // bits per sample
    EXPECT_EQ(Little(b, 36, 2), 0u);      // extra format bytes
    EXPECT_EQ(Tag(b, 38), "fact");
    EXPECT_EQ(Little(b, 42, 4), 4u);
    EXPECT_EQ(Little(b, 46, 4), (uint32_t)sound.sampleCount);
    EXPECT_EQ(Tag(b, 50), "data");
    EXPECT_EQ(Little(b, 54, 4), (uint32_t)sound.sampleCount);
  }
}

// Effects and music are summed and clamped by the mixer, so every sound keeps
// headroom; none may be silent or carry a steady offset, and no effect clicks.
TEST(Sounds, LevelsLeaveHeadroomAndEffectsDoNotClick) {
  std::vector<double> effectRms;
  for (const SoundFile& sound : soundFiles) {
    SCOPED_TRACE(sound.name);
    std::vector<int> samples = Samples(sound);
    ASSERT_EQ((int)samples.size(), sound.sampleCount);
    int low = *std::min_element(samples.begin(), samples.end());
    int high = *std::max_element(samples.begin(), samples.end());
    EXPECT_GE(low, 128 - 100) << "no headroom below";
    EXPECT_LE(high, 128 + 100) << "no headroom above";
    EXPECT_GT(Rms(samples), 5.0) << "all but silent";
    if (sound.isLoop) {
      double sum = 0;
      for (int s : samples) sum += s - 128;
      EXPECT_LT(std::abs(sum / samples.size()), 1.0) << "DC offset in a loop";
      continue;
    }
    effectRms.push_back(Rms(samples));
    // An effect starts and ends at the silence level, or it clicks.
    for (int i = 0; i < 3; i++) {
      EXPECT_NEAR(samples[i], 128, 2 * i + 1) << "start sample " << i;
      EXPECT_NEAR(samples[samples.size() - 1 - i], 128, 2 * i + 1) << "end sample " << i;
    }
  }
  std::sort(effectRms.begin(), effectRms.end());
  double medianEffect = effectRms[effectRms.size() / 2];
  for (const SoundFile& sound : soundFiles) {
    if (!sound.isLoop) continue;
    EXPECT_LT(Rms(Samples(sound)), medianEffect) << sound.name << " louder than the effects";
  }
}

// Played in a loop, the last sample is followed by the first. Across that
// seam the wave must move no more steeply, and bend no more sharply, than it
// does in the 20 ms on either side (one step of rounding allowed).
TEST(Sounds, MusicLoopsContinueAcrossTheSeam) {
  const int window = 220;
  for (const SoundFile& sound : soundFiles) {
    if (!sound.isLoop) continue;
    SCOPED_TRACE(sound.name);
    std::vector<int> s = Samples(sound);
    ASSERT_EQ((int)s.size(), sound.sampleCount);
    int n = (int)s.size();
    auto at = [&](int i) { return s[(i % n + n) % n]; };
    int localStep = 0, localBend = 0;
    for (int i = -window; i <= window; i++) {
      if (i == 0 || i == 1) continue;  // the differences that straddle the seam
      localStep = std::max(localStep, std::abs(at(i) - at(i - 1)));
      localBend = std::max(localBend, std::abs(at(i) - 2 * at(i - 1) + at(i - 2)));
    }
    EXPECT_LE(std::abs(at(0) - at(-1)), localStep + 1);
    EXPECT_LE(std::abs(at(0) - 2 * at(-1) + at(-2)), localBend + 1);
    EXPECT_LE(std::abs(at(1) - 2 * at(0) + at(-1)), localBend + 1);
  }
}

}  // namespace
