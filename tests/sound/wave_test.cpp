// The WAVE reader on well-formed and malformed images, and the game's own
// fourteen sounds as embedded in the program.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/audio_device.h"
#include "sound/cues.h"
#include "sound/data_stream.h"
#include "sound/sound_table.h"
#include "wave_image.h"

namespace {

struct WaveResult {
  int ok;
  uint32_t length;
  Bytes samples;
  Bytes format;
};

WaveResult ReadImage(const Bytes& image) {
  const std::string path = ScratchFile(image);
  uint8_t format[18];
  uint32_t length = 99;
  uint8_t* samples = nullptr;
  WaveResult r;
  r.ok = ReadWave(path.c_str(), nullptr, format, &length, &samples);
  r.length = length;
  r.format.assign(format, format + 18);
  if (samples) r.samples.assign(samples, samples + length);
  if (!r.ok) {
    EXPECT_EQ(samples, nullptr);
  }
  std::free(samples);
  return r;
}

const Bytes kSamples = {1, 2, 3, 250, 128};

TEST(ReadWave, SkipsChunksBetweenFormatAndData) {
  WaveResult r = ReadImage(MonoWave(kSamples));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.length, kSamples.size());
  EXPECT_EQ(r.samples, kSamples);
  EXPECT_EQ(r.format, FormatChunk(1, 1, 8).body);

  // Any chunk is skipped by its length, odd ones without a pad byte.
  r = ReadImage(RiffImage({FormatChunk(1, 2, 16), {"LIST", {9, 9, 9}}, {"data", kSamples}}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.samples, kSamples);

  // A 16-byte format chunk: the record's last two bytes come from "data".
  r = ReadImage(RiffImage({FormatChunk(1, 1, 8, 16), {"data", kSamples}}));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.samples, kSamples);
  EXPECT_EQ(r.format[16], 'd');
}

TEST(ReadWave, RefusesMalformedImages) {
  const Chunk data = {"data", kSamples};
  const Chunk fact = FactChunk(5);
  struct Case {
    const char* what;
    Bytes image;
  };
  Bytes shortImage = MonoWave({});
  shortImage.resize(43);
  const Case cases[] = {
      {"form is not WAVE", RiffImage({FormatChunk(1, 1, 8), fact, data}, "AVI ")},
      {"format tag 3", RiffImage({FormatChunk(3, 1, 8), fact, data})},
      {"3 channels", RiffImage({FormatChunk(1, 3, 8), fact, data})},
      {"24 bits", RiffImage({FormatChunk(1, 1, 24), fact, data})},
      {"format not first", RiffImage({fact, FormatChunk(1, 1, 8), data})},
      {"no data chunk", RiffImage({FormatChunk(1, 1, 8), fact, fact, fact})},
      {"data longer than the image", RiffImage({FormatChunk(1, 1, 8), {"data", kSamples, 6}})},
      {"data length near 4 GiB", RiffImage({FormatChunk(1, 1, 8), {"data", kSamples, 0xFFFFFFF0}})},
      {"shorter than a header", shortImage},
  };
  for (const Case& c : cases) {
    WaveResult r = ReadImage(c.image);
    EXPECT_FALSE(r.ok) << c.what;
  }
  uint8_t format[18];
  uint32_t length;
  uint8_t* samples = nullptr;
  EXPECT_FALSE(ReadWave("/nonexistent/x.wav", nullptr, format, &length, &samples));
  EXPECT_FALSE(ReadWave("NO_SUCH_SOUND", "WAVE", format, &length, &samples));
}

// A chunk that claims more bytes than remain is skipped by a seek to where it
// says it ends. On a file that seek succeeds, past the end, so the next header
// cannot be read and the image fails; a resource refuses the seek and the walk
// goes on from where it stands. A length with the top bit set must not turn
// into a backward seek (that would walk the same chunk for ever): it is not
// sought at all, from a file or a resource.
TEST(ReadWave, ChunkLengthsBeyondTheEnd) {
  const Chunk data = {"data", kSamples};
  const struct {
    const char* what;
    Chunk chunk;
    int fromFile, fromResource;
  } cases[] = {
      {"longer than the rest", {"LIST", {}, 100}, 0, 1},
      {"top bit set", {"junk", {}, 0xFFFFFFF8}, 1, 1},
  };
  for (const auto& c : cases) {
    const Bytes image = RiffImage({FormatChunk(1, 1, 8), c.chunk, data});
    EXPECT_EQ(ReadImage(image).ok, c.fromFile) << c.what;
    DataStream stream;
    ASSERT_TRUE(OpenMemoryStream(image.data(), (int32_t)image.size(), &stream));
    uint8_t format[18];
    uint32_t length = 0;
    uint8_t* samples = nullptr;
    EXPECT_EQ(ReadWaveStream(&stream, format, &length, &samples), c.fromResource) << c.what;
    if (c.fromResource) {
      EXPECT_EQ(Bytes(samples, samples + length), kSamples) << c.what;
    }
    std::free(samples);
    CloseStream(&stream);
  }
}

struct GameSound {
  const char* name;
  int32_t slot;
  uint32_t length;
};

constexpr GameSound kGameSounds[] = {
    {"BGM1", 0, 22496},  {"BGM2", 1, 21876},  {"SE01", 11, 2919}, {"SE02", 12, 123},
    {"SE03", 13, 1981},  {"SE04", 14, 799},   {"SE05", 15, 5796}, {"SE06", 16, 5510},
    {"SE07", 17, 10473}, {"SE08", 18, 5912},  {"SE09", 19, 5313}, {"SE10", 20, 2672},
    {"SE11", 21, 6645},  {"SE12", 22, 4961},
};

TEST(GameSounds, AllFourteenLoadWithTheirLengths) {
  SetCaptureDeviceAvailable(1);
  ASSERT_TRUE(OpenSound(nullptr));
  for (const GameSound& g : kGameSounds) {
    uint8_t format[18];
    uint32_t length = 0;
    uint8_t* samples = nullptr;
    ASSERT_TRUE(ReadWave(g.name, "WAVE", format, &length, &samples)) << g.name;
    std::free(samples);
    EXPECT_EQ(length, g.length) << g.name;
    EXPECT_TRUE(LoadWaveResource(g.name, g.slot)) << g.name;
  }
  CloseSound();
}

}  // namespace
