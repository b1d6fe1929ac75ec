// The sound table heard through the capture device, sample by sample: once,
// loop, stop and resume, restart, overlap and clamping; the slot guards; the
// no-device path; and the music cues.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/audio_device.h"
#include "sound/cues.h"
#include "sound/sound_table.h"
#include "wave_image.h"

namespace {

using Samples = std::vector<int>;

// Samples around silence: {10, 20} is {138, 148}.
Bytes Around(const Samples& offsets) {
  Bytes b;
  for (int o : offsets) b.push_back((uint8_t)(128 + o));
  return b;
}

class Mixer : public testing::Test {
 protected:
  void SetUp() override {
    SetCaptureDeviceAvailable(1);
    ASSERT_TRUE(OpenSound(nullptr));
    ClearMusic();
  }
  void TearDown() override {
    CloseSound();
    SetCaptureDeviceAvailable(1);
  }
  // Loads an 8-bit mono WAVE of the given samples into the slot.
  int Load(int32_t slot, const Bytes& samples) {
    return LoadSound(ScratchFile(MonoWave(samples), std::to_string(loads++)).c_str(), nullptr, slot);
  }
  // The next n samples the device would play, as offsets from silence.
  Samples Pull(int n) {
    Bytes out(n, 0x55);
    EXPECT_TRUE(PullAudioDevice(out.data(), n));
    Samples s;
    for (uint8_t b : out) s.push_back(b - 128);
    return s;
  }
  int loads = 0;
};

TEST_F(Mixer, OnceSoundPlaysToItsEndAndRestartsWhenPlayedAgain) {
  ASSERT_TRUE(Load(5, Around({10, 20, 30})));
  EXPECT_EQ(Pull(2), Samples({0, 0}));  // loaded, not playing
  PlayOnce(5);
  EXPECT_EQ(Pull(5), Samples({10, 20, 30, 0, 0}));
  EXPECT_EQ(Pull(3), Samples({0, 0, 0}));
  PlayOnce(5);
  EXPECT_EQ(Pull(2), Samples({10, 20}));
  PlayOnce(5);  // while playing: from the start again
  EXPECT_EQ(Pull(4), Samples({10, 20, 30, 0}));
  // A once-sound that ended is back at its start.
  PlayLoop(5);
  EXPECT_EQ(Pull(4), Samples({10, 20, 30, 10}));
}

TEST_F(Mixer, LoopResumesWhereItStopped) {
  ASSERT_TRUE(Load(0, Around({10, 20, 30})));
  PlayLoop(0);
  EXPECT_EQ(Pull(5), Samples({10, 20, 30, 10, 20}));
  StopSoundSlot(0);
  EXPECT_EQ(Pull(2), Samples({0, 0}));
  PlayLoop(0);
  EXPECT_EQ(Pull(4), Samples({30, 10, 20, 30}));
  PlayLoop(0);  // already looping: nothing changes
  EXPECT_EQ(Pull(1), Samples({10}));
  PlayOnce(0);  // turns the loop into one pass from the start
  EXPECT_EQ(Pull(4), Samples({10, 20, 30, 0}));
  // A loop started on a playing once-sound keeps going from where it is.
  PlayOnce(0);
  EXPECT_EQ(Pull(1), Samples({10}));
  PlayLoop(0);
  EXPECT_EQ(Pull(4), Samples({20, 30, 10, 20}));
}

TEST_F(Mixer, SoundsOverlapAndTheSumIsClampedOnce) {
  ASSERT_TRUE(Load(11, Around({10, 20, 30})));
  ASSERT_TRUE(Load(12, Around({1, 2})));
  PlayOnce(11);
  PlayOnce(12);
  EXPECT_EQ(Pull(4), Samples({11, 22, 30, 0}));

  // +100 +100 -100: the true sum, not a sum clamped on the way.
  ASSERT_TRUE(Load(20, Around({100, 127, -128})));
  ASSERT_TRUE(Load(21, Around({100, 127, -128})));
  ASSERT_TRUE(Load(22, Around({-100, 0, 0})));
  PlayOnce(20);
  PlayOnce(21);
  PlayOnce(22);
  EXPECT_EQ(Pull(3), Samples({100, 127, -128}));

  // Every slot at full scale at once: still 255, and silence after.
  for (int32_t slot = 0; slot < kSoundSlotCount; ++slot) {
    ASSERT_TRUE(Load(slot, Around({127})));
    PlayOnce(slot);
  }
  EXPECT_EQ(Pull(2), Samples({127, 0}));
}

TEST_F(Mixer, LongSoundsCrossMixingBlocks) {
  Bytes ramp(700);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = (uint8_t)(i * 7);
  ASSERT_TRUE(Load(3, ramp));
  PlayLoop(3);
  Bytes out(1500);
  ASSERT_TRUE(PullAudioDevice(out.data(), (int32_t)out.size()));
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], ramp[i % ramp.size()]) << i;
}

TEST_F(Mixer, WideAndStereoSoundsBecomeEightBitMono) {
  Bytes wide;  // 16-bit stereo frames: (L, R)
  for (int v : {32767, 32767, -32768, -32768, 2560, 5120, -256, 0}) PutLittle(&wide, (uint16_t)v, 2);
  wide.push_back(0x7F);  // a partial frame, dropped
  const std::string path = ScratchFile(RiffImage({FormatChunk(1, 2, 16), {"data", wide}}));
  ASSERT_TRUE(LoadSound(path.c_str(), nullptr, 7));
  PlayOnce(7);
  EXPECT_EQ(Pull(5), Samples({127, -128, 15, 0, 0}));  // -0.5 rounds to 0

  const std::string stereo8 = ScratchFile(RiffImage({FormatChunk(1, 2, 8), {"data", Around({10, 30, -4, 0})}}));
  ASSERT_TRUE(LoadSound(stereo8.c_str(), nullptr, 8));
  PlayOnce(8);
  EXPECT_EQ(Pull(3), Samples({20, -2, 0}));
}

// A tone of 500 Hz, 0.4 s long, written at another rate: the device (11025
// samples per second) must play it at 500 Hz for 0.4 s. The frequency comes
// from the first and last rising crossings of silence, interpolated; the
// length from the first and last samples at a quarter of the amplitude.
TEST_F(Mixer, SoundsKeepTheirPitchAndLengthAtTheRateTheyState) {
  constexpr double kTone = 500, kSeconds = 0.4, kDevice = 11025;
  const struct {
    uint32_t rate, channels, bits;
  } cases[] = {{22050, 1, 16}, {44100, 2, 16}, {22050, 2, 8}, {44100, 1, 8}, {8000, 1, 16}};
  for (const auto& c : cases) {
    Bytes data;
    const int frames = (int)(kSeconds * c.rate);
    for (int i = 0; i < frames; ++i) {
      const double v = 0.5 * std::sin(2 * M_PI * kTone * i / c.rate);
      for (uint32_t ch = 0; ch < c.channels; ++ch) {
        if (c.bits == 8) {
          data.push_back((uint8_t)std::lround(128 + 127 * v));
        } else {
          PutLittle(&data, (uint16_t)(int16_t)std::lround(32767 * v), 2);
        }
      }
    }
    const std::string what = std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) +
                             " channels, " + std::to_string(c.bits) + " bits";
    const std::string path = ScratchFile(
        RiffImage({FormatChunk(1, c.channels, c.bits, 18, c.rate), {"data", data}}), what);
    ASSERT_TRUE(LoadSound(path.c_str(), nullptr, 6)) << what;
    PlayOnce(6);
    const Samples heard = Pull((int)(2 * kSeconds * kDevice));  // room for one played too slow
    int first = -1, last = -1, crossings = 0;
    double firstCrossing = 0, lastCrossing = 0;
    for (int i = 0; i < (int)heard.size(); ++i) {
      if (std::abs(heard[i]) >= 16) {
        if (first < 0) first = i;
        last = i;
      }
      if (i > 0 && heard[i - 1] < 0 && heard[i] >= 0) {
        lastCrossing = i - 1 + (double)-heard[i - 1] / (heard[i] - heard[i - 1]);
        if (crossings++ == 0) firstCrossing = lastCrossing;
      }
    }
    ASSERT_GT(crossings, 10) << what;
    const double frequency = (crossings - 1) * kDevice / (lastCrossing - firstCrossing);
    const double seconds = (last - first + 1) / kDevice;
    EXPECT_NEAR(frequency, kTone, kTone / 100) << what;
    EXPECT_NEAR(seconds, kSeconds, kSeconds / 100) << what;
  }
}

TEST_F(Mixer, SlotGuardsAndReloading) {
  EXPECT_FALSE(Load(64, Around({1})));
  EXPECT_FALSE(Load(-1, Around({1})));
  PlayOnce(64);
  PlayLoop(-1);
  StopSoundSlot(64);
  ReleaseSound(-1);
  PlayOnce(9);  // empty
  EXPECT_EQ(Pull(1), Samples({0}));

  // Loading over a slot replaces what it held, even while it plays.
  ASSERT_TRUE(Load(9, Around({5, 5, 5, 5})));
  PlayLoop(9);
  EXPECT_EQ(Pull(1), Samples({5}));
  ASSERT_TRUE(Load(9, Around({7})));
  EXPECT_EQ(Pull(1), Samples({0}));
  PlayOnce(9);
  EXPECT_EQ(Pull(2), Samples({7, 0}));

  // A failed load leaves the slot empty.
  const std::string lying = ScratchFile(RiffImage({FormatChunk(1, 1, 8), {"data", Around({3}), 1000}}));
  EXPECT_FALSE(LoadSound(lying.c_str(), nullptr, 9));
  PlayOnce(9);
  EXPECT_EQ(Pull(1), Samples({0}));
  // So does an image without a single sample, or at 50 samples per second.
  EXPECT_FALSE(Load(9, {}));
  const std::string slow = ScratchFile(RiffImage({FormatChunk(1, 1, 8, 18, 50), {"data", Around({3})}}));
  EXPECT_FALSE(LoadSound(slow.c_str(), nullptr, 9));

  ASSERT_TRUE(Load(10, Around({4})));
  PlayLoop(10);
  ReleaseSound(10);
  EXPECT_EQ(Pull(1), Samples({0}));
  PlayLoop(10);
  EXPECT_EQ(Pull(1), Samples({0}));
}

TEST_F(Mixer, WithoutADeviceNothingPlaysAndLoadingSucceeds) {
  ASSERT_TRUE(Load(2, Around({9})));
  CloseSound();
  SetCaptureDeviceAvailable(0);
  EXPECT_FALSE(OpenSound(nullptr));
  EXPECT_TRUE(LoadSound("/nonexistent.wav", nullptr, 2));
  EXPECT_TRUE(LoadSound("/nonexistent.wav", nullptr, 99));
  EXPECT_TRUE(LoadWaveResource("NO_SUCH_SOUND", 3));
  PlayOnce(2);
  StartMusic(2);
  Bytes out(4, 0);
  EXPECT_FALSE(PullAudioDevice(out.data(), 4));
  EXPECT_EQ(out, Bytes(4, 128));
  // The mixer itself holds nothing after the close.
  MixSamples(out.data(), 4);
  EXPECT_EQ(out, Bytes(4, 128));
}

// The device another owner opened: the table plays through it, keeps the
// slots it had, and at its close hands the device back open and silent.
TEST_F(Mixer, AnAdoptedDevicePlaysTheTableAndOutlivesIt) {
  ASSERT_TRUE(Load(4, Around({7, 8})));
  CloseSound();
  const AudioFillCallback ownersFill = [](void*, uint8_t* out, int32_t n) {
    for (int32_t i = 0; i < n; ++i) out[i] = 128 + 50;
  };
  ASSERT_TRUE(OpenAudioDevice(ownersFill, nullptr));
  EXPECT_EQ(Pull(1), Samples({50}));
  AdoptSoundDevice(OpenedAudioDevice());
  EXPECT_EQ(Pull(1), Samples({0}));
  ASSERT_TRUE(Load(4, Around({7, 8})));
  PlayOnce(4);
  EXPECT_EQ(Pull(3), Samples({7, 8, 0}));

  // The table's own device, adopted: the slots stay and play on.
  CloseSound();
  EXPECT_EQ(Pull(1), Samples({0}));  // still open (Pull checks), silent
  CloseAudioDevice();
  ASSERT_TRUE(OpenSound(nullptr));
  ASSERT_TRUE(Load(4, Around({7, 8})));
  PlayLoop(4);
  AdoptSoundDevice(OpenedAudioDevice());
  EXPECT_EQ(Pull(3), Samples({7, 8, 7}));
  CloseSound();
  PlayOnce(4);
  EXPECT_EQ(Pull(1), Samples({0}));

  // No device handed in: the table has none, and loading succeeds.
  CloseAudioDevice();
  AdoptSoundDevice(nullptr);
  EXPECT_TRUE(LoadSound("/nonexistent.wav", nullptr, 4));
  ASSERT_TRUE(OpenSound(nullptr));  // for TearDown
}

TEST_F(Mixer, MusicPausesAndResumesInPlace) {
  ASSERT_TRUE(Load(0, Around({1, 2, 3, 4, 5})));
  ASSERT_TRUE(Load(1, Around({40, 50})));
  PauseMusic();  // no music: nothing happens
  ResumeMusic();
  EXPECT_EQ(Pull(1), Samples({0}));

  StartMusic(0);
  EXPECT_EQ(musicState.active, 1);
  EXPECT_EQ(musicState.index, 0);
  EXPECT_EQ(Pull(2), Samples({1, 2}));
  PauseMusic();
  EXPECT_EQ(Pull(2), Samples({0, 0}));
  EXPECT_EQ(musicState.active, 1);
  ResumeMusic();
  EXPECT_EQ(Pull(2), Samples({3, 4}));

  // Game over: the play music stops where it is, the other loops.
  StopMusic(0);
  EXPECT_EQ(musicState.active, 0);
  StartMusic(1);
  EXPECT_EQ(Pull(3), Samples({40, 50, 40}));
  StopMusic(1);
  StartMusic(0);  // restart: the play music goes on from its stop
  EXPECT_EQ(Pull(2), Samples({5, 1}));

  EndMusic();
  EXPECT_EQ(musicState.active, 0);
  EXPECT_EQ(musicState.index, 0);
  EXPECT_EQ(Pull(1), Samples({0}));
  ResumeMusic();
  EXPECT_EQ(Pull(1), Samples({0}));
}

TEST_F(Mixer, EffectsAreLoggedUntilTaken) {
  ASSERT_TRUE(Load(12, Around({6})));
  ASSERT_TRUE(Load(13, Around({-2})));
  int32_t log[4] = {};
  TakeEffectLog(log, 4);  // whatever earlier tests left
  PlayEffect(12);
  PlayEffect(13);
  EXPECT_EQ(Pull(1), Samples({4}));
  EXPECT_EQ(TakeEffectLog(log, 4), 2);
  EXPECT_EQ(log[0], 12);
  EXPECT_EQ(log[1], 13);
  EXPECT_EQ(TakeEffectLog(log, 4), 0);
  for (int i = 0; i < 3; ++i) PlayEffect(11 + i);
  EXPECT_EQ(TakeEffectLog(log, 2), 2);
  EXPECT_EQ(log[1], 12);
  EXPECT_EQ(TakeEffectLog(log, 4), 0);
}

}  // namespace
