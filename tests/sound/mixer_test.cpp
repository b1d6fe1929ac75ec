// The sound table heard through the capture device, sample by sample: once,
// loop, stop and resume, restart, overlap and clamping; the slot guards; the
// no-device path; and the music cues.
#include <gtest/gtest.h>

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
  EXPECT_EQ(Pull(5), Samples({127, -128, 15, -1, 0}));

  const std::string stereo8 = ScratchFile(RiffImage({FormatChunk(1, 2, 8), {"data", Around({10, 30, -4, 0})}}));
  ASSERT_TRUE(LoadSound(stereo8.c_str(), nullptr, 8));
  PlayOnce(8);
  EXPECT_EQ(Pull(3), Samples({20, -2, 0}));
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
  // So does an image without a single sample.
  EXPECT_FALSE(Load(9, {}));

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
