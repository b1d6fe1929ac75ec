// The sound library: the data stream, the WAVE reader, and the sound table heard sample
// by sample through the capture device; the committed sounds and their generator.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/audio_device.h"
#include "sound/cues.h"
#include "sound/data_stream.h"
#include "sound/sound_table.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<int>;

// Little-endian.
void Put(Bytes* out, uint32_t v, int bytes) { for (int i = 0; i < bytes; ++i) out->push_back((uint8_t)(v >> 8 * i)); }

// A chunk, `stated` the length in its header (-1: the body's).
struct Chunk { std::string id; Bytes body; int64_t stated = -1; };

// The format chunk, 18 bytes (with the extra-format size) or 16.
Chunk Format(uint32_t tag, uint32_t channels, uint32_t bits, uint32_t rate = 11025, int size = 18) {
  Bytes b;
  Put(&b, tag, 2), Put(&b, channels, 2), Put(&b, rate, 4), Put(&b, rate * channels * bits / 8, 4);
  Put(&b, channels * bits / 8, 2), Put(&b, bits, 2);
  if (size == 18) Put(&b, 0, 2);
  return {"fmt ", b};
}

Bytes Riff(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
  Bytes body(form, form + 4), image{'R', 'I', 'F', 'F'};
  for (const Chunk& c : chunks) {
    body.insert(body.end(), c.id.begin(), c.id.end());
    Put(&body, c.stated >= 0 ? (uint32_t)c.stated : (uint32_t)c.body.size(), 4);
    body.insert(body.end(), c.body.begin(), c.body.end());
  }
  Put(&image, (uint32_t)body.size(), 4);
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

// 8-bit samples around silence: {10, -20} is {138, 108}.
Bytes Around(const Samples& offsets) {
  Bytes b(offsets.begin(), offsets.end());
  for (uint8_t& v : b) v += 128;
  return b;
}

// The game's own layout: "fmt " of 18 bytes, "fact", "data"; 8-bit mono.
Bytes Mono(const Bytes& samples) {
  Bytes count;
  Put(&count, (uint32_t)samples.size(), 4);
  return Riff({Format(1, 1, 8), {"fact", count}, {"data", samples}});
}

std::string Scratch(const Bytes& bytes) {
  static int made = 0;
  const std::string path = testing::TempDir() + "zorrit_sound_" + std::to_string(getpid()) + "_" +
                           std::to_string(made++) + ".bin";
  std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
  return path;
}

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

TEST(DataStream, ResourceSeeksAndReadsStayInsideAndCannotWrap) {
  Bytes data(100);
  for (int i = 0; i < 100; ++i) data[i] = (uint8_t)i;
  DataStream s;
  ASSERT_TRUE(OpenMemoryStream(data.data(), 100, &s));
  const struct { int32_t offset, origin, ok, pos; } seeks[] = {
      {99, SEEK_SET, 1, 99}, {100, SEEK_SET, 0, 99},       {90, SEEK_SET, 1, 90},
      {10, SEEK_CUR, 0, 90}, {-91, SEEK_CUR, 0, 90},       {0, SEEK_END, 0, 90},
      {-1, SEEK_SET, 0, 90}, {INT32_MAX, SEEK_CUR, 0, 90}, {INT32_MIN, SEEK_CUR, 0, 90},
      {9, SEEK_CUR, 1, 99},  {-99, SEEK_CUR, 1, 0},        {5, 7, 1, 0},  // an unknown origin: no move
  };
  for (const auto& c : seeks) {
    EXPECT_EQ(SeekStream(&s, c.offset, c.origin), c.ok) << c.offset << " from " << c.origin;
    EXPECT_EQ(s.pos, c.pos) << c.offset << " from " << c.origin;
  }
  // Reads keep the whole items that fit; hostile sizes copy and move nothing.
  const struct { int32_t at, size, count, ok, pos, copied; } reads[] = {
      {60, 3, 14, 0, 99, 39},   {10, INT32_MAX - 5, 1, 0, 10, 0}, {10, INT32_MAX, INT32_MAX, 0, 10, 0},
      {10, -1, 4, 0, 10, 0},    {10, 4, -1, 0, 10, 0},            {10, 4, INT32_MAX, 0, 98, 88},
      {0, 4, 25, 1, 100, 100},
  };
  for (const auto& r : reads) {
    Bytes buffer(104, 0xEE);
    s.pos = r.at;
    EXPECT_EQ(ReadStream(buffer.data(), r.size, r.count, &s), r.ok) << r.size << " x " << r.count;
    EXPECT_EQ(s.pos, r.pos) << r.size << " x " << r.count;
    Bytes expected(&data[r.at], &data[r.at] + r.copied);
    expected.resize(104, 0xEE);
    EXPECT_EQ(buffer, expected) << r.size << " x " << r.count;
  }
  EXPECT_FALSE(ReadStream(data.data(), 1, 1, &s));  // at the end
  EXPECT_FALSE(OpenMemoryStream(data.data(), 0, &s) || OpenMemoryStream(nullptr, 10, &s));
}

TEST(DataStream, VarIntsAtTheGroupBoundariesAndRunawayInputRefused) {
  const struct { uint32_t value; Bytes bytes; } cases[] = {
      {0, {0x00}}, {127, {0x7F}}, {128, {0x80, 0x01}}, {16383, {0xFF, 0x7F}},
      {16384, {0x80, 0x80, 0x01}}, {(1u << 21) - 1, {0xFF, 0xFF, 0x7F}},
      {1u << 28, {0x80, 0x80, 0x80, 0x80, 0x01}}, {UINT32_MAX, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  const std::string path = Scratch({});
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  Bytes all;
  int32_t counter = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(VarIntSize(c.value), (int32_t)c.bytes.size()) << c.value;
    EXPECT_TRUE(WriteVarInt(c.value, f, &counter));
    all.insert(all.end(), c.bytes.begin(), c.bytes.end());
  }
  std::fclose(f);
  EXPECT_EQ(counter, (int32_t)all.size());
  EXPECT_EQ(ReadFile(path), all);
  all.insert(all.end(), 5, 0x80);  // five bytes all saying another follows: refused
  DataStream s;
  ASSERT_TRUE(OpenMemoryStream(all.data(), (int32_t)all.size(), &s));
  for (const auto& c : cases) {
    uint32_t value = 0;
    EXPECT_TRUE(ReadVarInt(&value, &s) && value == c.value) << c.value;
  }
  uint32_t value = 7;
  EXPECT_FALSE(ReadVarInt(&value, &s));
  EXPECT_EQ(value, 7u);
}

// Each image read from a file and from a resource. A chunk claiming more bytes than
// remain is skipped by a seek to where it says it ends: past the end of a file, which
// fails the image; a resource refuses the seek and the walk goes on. A length with the
// top bit set is not sought at all (a backward seek would walk the same chunk for ever).
TEST(ReadWave, WellFormedAndMalformedImagesFromFilesAndResources) {
  const Samples played = {1, 2, 3, -128, 0};
  const Chunk data = {"data", Around(played)}, fact = {"fact", {5, 0, 0, 0}};
  Bytes cut = Mono(Around({}));
  cut.resize(43);
  const struct { const char* what; Bytes image; int fromFile, fromResource; } cases[] = {
      {"the game's layout", Mono(Around(played)), 1, 1},
      {"an odd chunk between", Riff({Format(1, 2, 16), {"LIST", {9, 9, 9}}, data}), 1, 1},
      {"a 16-byte format", Riff({Format(1, 1, 8, 11025, 16), data}), 1, 1},
      {"a chunk longer than the rest", Riff({Format(1, 1, 8), {"LIST", {}, 100}, data}), 0, 1},
      {"a length with the top bit set", Riff({Format(1, 1, 8), {"junk", {}, 0xFFFFFFF8}, data}), 1, 1},
      {"form is not WAVE", Riff({Format(1, 1, 8), fact, data}, "AVI "), 0, 0},
      {"format tag 3", Riff({Format(3, 1, 8), fact, data}), 0, 0},
      {"3 channels", Riff({Format(1, 3, 8), fact, data}), 0, 0},
      {"24 bits", Riff({Format(1, 1, 24), fact, data}), 0, 0},
      {"format not first", Riff({fact, Format(1, 1, 8), data}), 0, 0},
      {"no data chunk", Riff({Format(1, 1, 8), fact, fact, fact}), 0, 0},
      {"data longer than the image", Riff({Format(1, 1, 8), {"data", Around(played), 6}}), 0, 0},
      {"data length near 4 GiB", Riff({Format(1, 1, 8), {"data", Around(played), 0xFFFFFFF0}}), 0, 0},
      {"shorter than a header", cut, 0, 0},
  };
  for (const auto& c : cases) {
    for (int fromFile : {1, 0}) {
      uint8_t format[18], *samples = nullptr;
      uint32_t length = 99;
      DataStream s;
      ASSERT_TRUE(OpenMemoryStream(c.image.data(), (int32_t)c.image.size(), &s));
      const int ok = fromFile ? ReadWave(Scratch(c.image).c_str(), nullptr, format, &length, &samples)
                              : ReadWaveStream(&s, format, &length, &samples);
      EXPECT_EQ(ok, fromFile ? c.fromFile : c.fromResource) << c.what << (fromFile ? ", file" : "");
      // A failed read hands back no samples.
      EXPECT_EQ(samples ? Bytes(samples, samples + length) : Bytes{0xEE}, ok ? Around(played) : Bytes{0xEE});
      std::free(samples);
    }
  }
  uint8_t format[18], *samples = nullptr;
  uint32_t length;
  EXPECT_FALSE(ReadWave("/nonexistent/x.wav", nullptr, format, &length, &samples));
  EXPECT_FALSE(ReadWave("NO_SUCH_SOUND", "WAVE", format, &length, &samples));
}

// The committed sounds: what the generator writes, byte for byte, in the
// game's layout, with headroom for the mixer's sum; effects start and end at
// silence, or they click.
TEST(CommittedSounds, RebuiltByTheGeneratorLaidOutForTheMixer) {
  char fresh[] = "/tmp/zorrit-sounds-XXXXXX";
  ASSERT_NE(mkdtemp(fresh), nullptr);
  ASSERT_EQ(std::system(("\"" ZORRIT_SOUNDS_TOOL "\" --write " + std::string(fresh) + " >/dev/null").c_str()), 0);
  for (int i = -2; i < 12; i++) {
    const std::string name = i < 0 ? "bgm" + std::to_string(i + 3) : (i < 9 ? "se0" : "se") + std::to_string(i + 1);
    SCOPED_TRACE(name);
    const Bytes file = ReadFile(ZORRIT_SOUNDS_DIR "/" + name + ".wav");
    EXPECT_TRUE(ReadFile(fresh + ("/" + name) + ".wav") == file) << "differs from its script's output";
    ASSERT_GT(file.size(), 58u + 100);
    const Bytes samples(file.begin() + 58, file.end());
    EXPECT_TRUE(file == Mono(samples)) << "not in the game's layout";
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_TRUE(*low >= 28 && *high <= 228) << "no headroom: " << +*low << " to " << +*high;
    EXPECT_TRUE(i < 0 || (samples.front() == 128 && samples.back() == 128)) << "an effect clicks";
  }
  std::filesystem::remove_all(fresh);
}

int Load(int32_t slot, const Bytes& image) { return LoadSound(Scratch(image).c_str(), nullptr, slot); }

// The next n samples the device plays, as offsets from silence.
Samples Pull(size_t n) {
  Bytes out(n, 0x55);
  EXPECT_TRUE(PullAudioDevice(out.data(), (int32_t)n));
  Samples heard;
  for (uint8_t b : out) heard.push_back(b - 128);
  return heard;
}

// One step of a scenario: 'L' loads the samples into the slot ('F': the load
// fails); any other step acts on the slot, and then the samples are heard.
struct Step { char op; int32_t slot; Samples samples; };

TEST(Mixer, ScenariosHeardSampleBySample) {
  const struct { const char* what; std::vector<Step> steps; } scenarios[] = {
      {"once: to the end, again from the start, then as a loop",
       {{'L', 5, {10, 20, 30}}, {'-', 0, {0, 0}}, {'o', 5, {10, 20, 30, 0, 0}}, {'-', 0, {0, 0, 0}},
        {'o', 5, {10, 20}}, {'o', 5, {10, 20, 30, 0}}, {'l', 5, {10, 20, 30, 10}}}},
      {"loop: resumes where it stopped; once restarts it; a loop keeps a once going",
       {{'L', 0, {10, 20, 30}}, {'l', 0, {10, 20, 30, 10, 20}}, {'s', 0, {0, 0}}, {'l', 0, {30, 10, 20, 30}},
        {'l', 0, {10}}, {'o', 0, {10, 20, 30, 0}}, {'o', 0, {10}}, {'l', 0, {20, 30, 10, 20}}}},
      {"overlap, and the true sum clamped once",
       {{'L', 11, {10, 20, 30}}, {'L', 12, {1, 2}}, {'o', 11, {}}, {'o', 12, {11, 22, 30, 0}},
        {'L', 20, {100, 127, -128}}, {'L', 21, {100, 127, -128}}, {'L', 22, {-100, 0, 0}},
        {'o', 20, {}}, {'o', 21, {}}, {'o', 22, {100, 127, -128}}}},
      {"slot guards, reloading, failed loads and release",
       {{'F', 64, {1}}, {'F', -1, {1}}, {'o', 64, {}}, {'l', -1, {}}, {'s', 64, {}}, {'r', -1, {}},
        {'o', 9, {0}}, {'L', 9, {5, 5, 5, 5}}, {'l', 9, {5}}, {'L', 9, {7}}, {'-', 0, {0}},
        {'o', 9, {7, 0}}, {'F', 9, {}}, {'o', 9, {0}}, {'L', 10, {4}}, {'l', 10, {}}, {'r', 10, {0}},
        {'l', 10, {0}}}},
      {"music: pause and resume in place; stop, restart and end",
       {{'L', 0, {1, 2, 3, 4, 5}}, {'L', 1, {40, 50}}, {'p', 0, {}}, {'R', 0, {0}}, {'M', 0, {1, 2}},
        {'p', 0, {0, 0}}, {'R', 0, {3, 4}}, {'S', 0, {}}, {'R', 0, {0}}, {'M', 1, {40, 50, 40}},
        {'S', 1, {}}, {'M', 0, {5, 1}}, {'E', 0, {0}}, {'R', 0, {0}}}},
      {"effects", {{'L', 12, {6}}, {'L', 13, {-2}}, {'e', 12, {}}, {'e', 13, {4, 0}}}},
  };
  TakeEffectLog(nullptr, 0);  // whatever earlier tests left
  for (const auto& scenario : scenarios) {
    SCOPED_TRACE(scenario.what);
    ASSERT_TRUE(OpenSound(nullptr));  // every slot empty
    ClearMusic();
    int step = 0;
    for (const Step& s : scenario.steps) {
      SCOPED_TRACE(testing::Message() << "step " << step++ << " '" << s.op << "' " << s.slot);
      switch (s.op) {
        case 'L': EXPECT_TRUE(Load(s.slot, Mono(Around(s.samples)))); continue;
        case 'F': EXPECT_FALSE(Load(s.slot, Mono(Around(s.samples)))); continue;
        case 'o': PlayOnce(s.slot); break;
        case 'l': PlayLoop(s.slot); break;
        case 's': StopSoundSlot(s.slot); break;
        case 'r': ReleaseSound(s.slot); break;
        case 'M': StartMusic(s.slot); break;
        case 'S': StopMusic(s.slot); break;
        case 'p': PauseMusic(); break;
        case 'R': ResumeMusic(); break;
        case 'E': EndMusic(); break;
        case 'e': PlayEffect(s.slot); break;
      }
      EXPECT_EQ(Pull(s.samples.size()), s.samples);
    }
  }
  // The effects were logged until taken; a short take drops the rest.
  int32_t log[4] = {};
  EXPECT_EQ(TakeEffectLog(log, 4), 2);
  EXPECT_EQ(std::vector<int32_t>(log, log + 2), (std::vector<int32_t>{12, 13}));
  EXPECT_EQ(TakeEffectLog(log, 4), 0);
  for (int i = 0; i < 3; ++i) PlayEffect(11 + i);
  EXPECT_EQ(TakeEffectLog(log, 2), 2);
  EXPECT_EQ(log[1], 12);
  EXPECT_EQ(TakeEffectLog(log, 4), 0);
  // Every slot at full scale at once: still 255, and silence after.
  for (int32_t slot = 0; slot < kSoundSlotCount; ++slot) Load(slot, Mono(Around({127}))), PlayOnce(slot);
  EXPECT_EQ(Pull(2), Samples({127, 0}));
}

// Wide and stereo sounds become 8-bit mono at the device's rate, rounded to
// the nearest step.
TEST(Mixer, SoundsAreConvertedToTheDevicesFormat) {
  ASSERT_TRUE(OpenSound(nullptr));
  Bytes wide;  // 16-bit stereo frames (L, R) and a partial frame, dropped
  for (int v : {32767, 32767, -32768, -32768, 2560, 5120, -256, 0}) Put(&wide, (uint16_t)v, 2);
  wide.push_back(0x7F);
  ASSERT_TRUE(Load(7, Riff({Format(1, 2, 16), {"data", wide}})));
  PlayOnce(7);
  EXPECT_EQ(Pull(5), Samples({127, -128, 15, 0, 0}));  // -0.5 rounds to 0
  ASSERT_TRUE(Load(8, Riff({Format(1, 2, 8), {"data", Around({10, 30, -4, 0})}})));
  PlayOnce(8);
  EXPECT_EQ(Pull(3), Samples({20, -2, 0}));
  EXPECT_FALSE(Load(8, Riff({Format(1, 1, 8, 50), {"data", Around({3})}})));  // no device plays 50/s
  // A sound of 22050 samples per second lasts half as many at the device's rate.
  ASSERT_TRUE(Load(6, Riff({Format(1, 1, 8, 22050), {"data", Bytes(2000, 200)}})));
  PlayOnce(6);
  const Samples heard = Pull(2000);
  EXPECT_NEAR(std::count_if(heard.begin(), heard.end(), [](int v) { return v != 0; }), 1000, 5);
}

// The device another owner opened: the table plays through it, and at its
// close hands it back open and silent. Without a device nothing plays, and
// loading succeeds.
TEST(Mixer, AnAdoptedDeviceAndNone) {
  ASSERT_TRUE(OpenAudioDevice([](void*, uint8_t* out, int32_t n) { std::fill(out, out + n, 178); }, nullptr));
  EXPECT_EQ(Pull(1), Samples({50}));
  AdoptSoundDevice(OpenedAudioDevice());
  ASSERT_TRUE(Load(4, Mono(Around({7, 8}))));
  PlayOnce(4);
  EXPECT_EQ(Pull(3), Samples({7, 8, 0}));
  CloseSound();
  EXPECT_EQ(Pull(1), Samples({0}));  // still open (Pull checks), silent
  CloseAudioDevice();
  AdoptSoundDevice(nullptr);
  EXPECT_TRUE(LoadSound("/nonexistent.wav", nullptr, 4));
  SetCaptureDeviceAvailable(0);
  EXPECT_FALSE(OpenSound(nullptr));
  EXPECT_TRUE(LoadWaveResource("NO_SUCH_SOUND", 3));
  PlayOnce(4);
  StartMusic(4);
  Bytes out(4, 0);
  EXPECT_FALSE(PullAudioDevice(out.data(), 4));
  MixSamples(out.data(), 4);  // the table itself holds nothing after its close
  EXPECT_EQ(out, Bytes(4, 128));
  SetCaptureDeviceAvailable(1);
}

}  // namespace
