// Builders for RIFF WAVE images and scratch files, shared by the sound tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

using Bytes = std::vector<uint8_t>;

struct Chunk {
  std::string id;       // four characters
  Bytes body;
  int64_t stated = -1;  // the length written in the header; -1: the body's
};

inline void PutLittle(Bytes* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back((uint8_t)(value >> (8 * i)));
}

// The format chunk: `size` 18 (with the extra-format size) or 16.
inline Chunk FormatChunk(uint32_t tag, uint32_t channels, uint32_t bits, uint32_t size = 18,
                         uint32_t rate = 11025) {
  Bytes b;
  PutLittle(&b, tag, 2);
  PutLittle(&b, channels, 2);
  PutLittle(&b, rate, 4);
  PutLittle(&b, rate * channels * bits / 8, 4);
  PutLittle(&b, channels * bits / 8, 2);
  PutLittle(&b, bits, 2);
  if (size == 18) PutLittle(&b, 0, 2);
  return {"fmt ", b};
}

inline Chunk FactChunk(uint32_t samples) {
  Bytes b;
  PutLittle(&b, samples, 4);
  return {"fact", b};
}

inline Bytes RiffImage(const std::vector<Chunk>& chunks, const char* form = "WAVE") {
  Bytes body(form, form + 4);
  for (const Chunk& c : chunks) {
    body.insert(body.end(), c.id.begin(), c.id.end());
    PutLittle(&body, c.stated >= 0 ? (uint32_t)c.stated : (uint32_t)c.body.size(), 4);
    body.insert(body.end(), c.body.begin(), c.body.end());
  }
  Bytes image{'R', 'I', 'F', 'F'};
  PutLittle(&image, (uint32_t)body.size(), 4);
  image.insert(image.end(), body.begin(), body.end());
  return image;
}

// The game's own layout: "fmt " of 18 bytes, "fact", "data"; 8-bit mono.
inline Bytes MonoWave(const Bytes& samples) {
  return RiffImage({FormatChunk(1, 1, 8), FactChunk((uint32_t)samples.size()), {"data", samples}});
}

// Writes bytes to a scratch file named after the running test and `tag`.
inline std::string ScratchFile(const Bytes& bytes, const std::string& tag = "") {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string path = testing::TempDir() + "zorrit_" + info->test_suite_name() + "_" +
                     info->name() + tag + ".bin";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  EXPECT_NE(f, nullptr) << path;
  if (f) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  return path;
}
