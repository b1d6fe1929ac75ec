// The data stream over memory (resource kind) and over files: boundaries,
// hostile sizes and offsets, and the variable-length integers.
#include "sound/data_stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "wave_image.h"

namespace {

Bytes Counting(int n) {
  Bytes b(n);
  for (int i = 0; i < n; ++i) b[i] = (uint8_t)i;
  return b;
}

// A memory stream over the bytes 0..99.
class ResourceStream : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(OpenMemoryStream(data.data(), 100, &s)); }
  const Bytes data = Counting(100);
  DataStream s;
};

TEST_F(ResourceStream, SeeksStopShortOfTheEndAndCannotWrap) {
  EXPECT_TRUE(SeekStream(&s, 99, SEEK_SET));
  EXPECT_FALSE(SeekStream(&s, 100, SEEK_SET));
  EXPECT_EQ(s.pos, 99);
  ASSERT_TRUE(SeekStream(&s, 90, SEEK_SET));
  EXPECT_FALSE(SeekStream(&s, 10, SEEK_CUR));
  EXPECT_FALSE(SeekStream(&s, -91, SEEK_CUR));
  EXPECT_FALSE(SeekStream(&s, 0, SEEK_END));
  EXPECT_FALSE(SeekStream(&s, INT32_MAX, SEEK_CUR));
  EXPECT_FALSE(SeekStream(&s, INT32_MIN, SEEK_CUR));
  EXPECT_FALSE(SeekStream(&s, -1, SEEK_SET));
  EXPECT_TRUE(SeekStream(&s, 5, 7));  // unknown origin: success, no move
  EXPECT_EQ(s.pos, 90);
  EXPECT_TRUE(SeekStream(&s, 9, SEEK_CUR));
  EXPECT_EQ(s.pos, 99);
  EXPECT_TRUE(SeekStream(&s, -99, SEEK_CUR));
  EXPECT_EQ(s.pos, 0);
  CloseStream(&s);
  EXPECT_EQ(s.data, nullptr);
}

TEST_F(ResourceStream, ShortReadsKeepTheWholeItemsAndHugeSizesTouchNothing) {
  uint8_t buffer[104];
  std::memset(buffer, 0xEE, sizeof buffer);
  // Items of 3 bytes at 60: 13 fit (39 bytes); the 14th would pass the end.
  ASSERT_TRUE(SeekStream(&s, 60, SEEK_SET));
  EXPECT_FALSE(ReadStream(buffer, 3, 14, &s));
  EXPECT_EQ(s.pos, 99);
  EXPECT_EQ(buffer[38], 98);
  EXPECT_EQ(buffer[39], 0xEE);

  ASSERT_TRUE(SeekStream(&s, 10, SEEK_SET));
  std::memset(buffer, 0xEE, sizeof buffer);
  // pos + itemSize overflows 32 bits here.
  EXPECT_FALSE(ReadStream(buffer, INT32_MAX - 5, 1, &s));
  EXPECT_FALSE(ReadStream(buffer, INT32_MAX, INT32_MAX, &s));
  EXPECT_FALSE(ReadStream(buffer, -1, 4, &s));
  EXPECT_FALSE(ReadStream(buffer, 4, -1, &s));
  EXPECT_EQ(s.pos, 10);
  EXPECT_EQ(buffer[0], 0xEE);
  // A huge count copies only the whole items that fit, never more.
  EXPECT_FALSE(ReadStream(buffer, 4, INT32_MAX, &s));
  EXPECT_EQ(s.pos, 98);
  EXPECT_EQ(buffer[87], 97);
  EXPECT_EQ(buffer[88], 0xEE);
}

TEST(MemoryStream, EmptyResourceFailsToOpen) {
  const uint8_t byte = 0;
  DataStream s;
  EXPECT_FALSE(OpenMemoryStream(&byte, 0, &s));
  EXPECT_FALSE(OpenMemoryStream(nullptr, 10, &s));
  EXPECT_EQ(s.kind, 0);
  CloseStream(&s);
}

// Both kinds place item i at byte 4i, end a read exactly at the end, and
// refuse a read past it.
TEST(BothStreams, ItemsLandInOrderUpToTheEnd) {
  const Bytes data = Counting(100);
  const std::string path = ScratchFile(data);
  DataStream streams[2];
  ASSERT_TRUE(OpenMemoryStream(data.data(), 100, &streams[0]));
  ASSERT_TRUE(OpenStream(nullptr, path.c_str(), nullptr, &streams[1]));
  EXPECT_EQ(streams[1].kind, 1);
  for (DataStream& s : streams) {
    uint8_t buffer[100] = {};
    EXPECT_TRUE(ReadStream(buffer, 4, 3, &s));
    EXPECT_EQ(buffer[4], 4);
    EXPECT_EQ(buffer[11], 11);
    EXPECT_TRUE(SeekStream(&s, 8, SEEK_CUR));
    EXPECT_TRUE(ReadStream(buffer, 4, 20, &s));
    EXPECT_EQ(buffer[79], 99);
    EXPECT_FALSE(ReadStream(buffer, 1, 1, &s));
    CloseStream(&s);
  }
  EXPECT_EQ(streams[1].file, nullptr);
}

TEST(FileStream, OpensFilesOnlyAndSeeksLikeTheLibrary) {
  DataStream s;
  EXPECT_FALSE(OpenStream(nullptr, "/nonexistent/zorrit.bin", nullptr, &s));
  EXPECT_EQ(s.kind, 0);
  CloseStream(&s);
  // A resource name with no type is a file name, and there is no such file.
  EXPECT_FALSE(OpenStream(nullptr, "SE02", nullptr, &s));
  EXPECT_TRUE(OpenStream(nullptr, "SE02", "WAVE", &s));
  EXPECT_EQ(s.kind, 0);
  EXPECT_GT(s.size, 44);

  const std::string path = ScratchFile(Counting(100));
  ASSERT_TRUE(OpenStream(nullptr, path.c_str(), nullptr, &s));
  uint8_t byte = 0;
  EXPECT_TRUE(SeekStream(&s, -1, SEEK_END));
  EXPECT_TRUE(ReadStream(&byte, 1, 1, &s));
  EXPECT_EQ(byte, 99);
  EXPECT_TRUE(SeekStream(&s, 100, SEEK_SET));  // unlike a resource
  EXPECT_EQ(StreamRemaining(&s), 0);
  EXPECT_TRUE(SeekStream(&s, 30, SEEK_SET));
  EXPECT_EQ(StreamRemaining(&s), 70);
  EXPECT_FALSE(ReadStream(&byte, -1, 1, &s));
  CloseStream(&s);
}

struct Encoding {
  uint32_t value;
  Bytes bytes;
};

TEST(VarInt, EncodesAndDecodesAtTheGroupBoundaries) {
  const Encoding cases[] = {
      {0, {0x00}},
      {127, {0x7F}},
      {128, {0x80, 0x01}},
      {16383, {0xFF, 0x7F}},
      {16384, {0x80, 0x80, 0x01}},
      {(1u << 21) - 1, {0xFF, 0xFF, 0x7F}},
      {1u << 28, {0x80, 0x80, 0x80, 0x80, 0x01}},
      {UINT32_MAX, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}},
  };
  const std::string path = ScratchFile({});
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  int32_t counter = 0;
  size_t total = 0;
  for (const Encoding& c : cases) {
    EXPECT_EQ(VarIntSize(c.value), (int32_t)c.bytes.size()) << c.value;
    EXPECT_TRUE(WriteVarInt(c.value, f, &counter));
    total += c.bytes.size();
  }
  EXPECT_TRUE(WriteVarInt(5, f, nullptr));
  std::fclose(f);
  EXPECT_EQ(counter, (int32_t)total);

  DataStream s;
  ASSERT_TRUE(OpenStream(nullptr, path.c_str(), nullptr, &s));
  for (const Encoding& c : cases) {
    Bytes written(c.bytes.size());
    ASSERT_TRUE(ReadStream(written.data(), 1, (int32_t)written.size(), &s));
    EXPECT_EQ(written, c.bytes) << c.value;
  }
  CloseStream(&s);
  ASSERT_TRUE(OpenStream(nullptr, path.c_str(), nullptr, &s));
  for (const Encoding& c : cases) {
    uint32_t value = 0;
    EXPECT_TRUE(ReadVarInt(&value, &s));
    EXPECT_EQ(value, c.value);
  }
  CloseStream(&s);
}

TEST(VarInt, ReaderRefusesRunawayAndTruncatedInput) {
  const uint8_t runaway[] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x00};
  const uint8_t highBits[] = {0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
  const uint8_t truncated[] = {0x80, 0x80};
  DataStream s;
  uint32_t value = 12345;
  ASSERT_TRUE(OpenMemoryStream(runaway, sizeof runaway, &s));
  EXPECT_FALSE(ReadVarInt(&value, &s));
  EXPECT_EQ(value, 12345u);
  ASSERT_TRUE(OpenMemoryStream(truncated, sizeof truncated, &s));
  EXPECT_FALSE(ReadVarInt(&value, &s));
  EXPECT_EQ(value, 12345u);
  ASSERT_TRUE(OpenMemoryStream(highBits, sizeof highBits, &s));
  EXPECT_TRUE(ReadVarInt(&value, &s));
  EXPECT_EQ(value, UINT32_MAX);  // bits 4-6 of the fifth byte are dropped
}

}  // namespace
