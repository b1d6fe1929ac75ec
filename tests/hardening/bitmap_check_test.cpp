// The checks in front of the BMP reader: every layout the reader takes still
// decodes to the right colours, while short, huge and lying bitmaps and files
// that are no regular file are refused before anything is allocated.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_image.h"
#include "platform/bitmap_check.h"
#include "platform/surface.h"
#include "resources/resource_table.h"

namespace {

using hardening::BmpLayout;
using hardening::MakeBmp;

struct Owned {
  PlatformSurface* s;
  explicit Owned(PlatformSurface* p) : s(p) {}
  ~Owned() { DestroyPlatformSurface(s); }
};

// A fuzzer find: a 4-bit header claiming 80 x 654,311,448 dots in 191 bytes
// made the reader of the time (SDL's) ask for 52 GB before reading a single dot.
const char kHugeHeightBase64[] =
    "Qk02BAAAAAAAAHYAAAAoAAAAUAAAABgAACcBAAQAAAAAAMADAAATCwAAEwsAABAAAAAAAAAAAAAAABQQGAD///8A1s"
    "jIAJCAgABWRkYAQNb/ACiC8ABANOIAqJb2AFrcggDwjFAA/9aqANxulgDE6vwAKGCWAAAAAAAAAAAAAAAAAAAAAAAA"
    "AAAAAAAzVVNVMzVTMAAgAAACW1tbWwAAM1UzNTMwAAAA4P//4AggIgAgAgAAAAAAAAAAAAAAAAA=";

std::vector<uint8_t> FromBase64(const char* text) {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int bits = 0;
  for (const char* p = text; *p && *p != '='; ++p) {
    const char c = *p;
    const int v = c >= 'A' && c <= 'Z'   ? c - 'A'
                  : c >= 'a' && c <= 'z' ? c - 'a' + 26
                  : c >= '0' && c <= '9' ? c - '0' + 52
                  : c == '+'             ? 62
                                         : 63;
    acc = acc << 6 | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<uint8_t>(acc >> bits));
    }
  }
  return out;
}

// Sixteen distinct colours, none of them black but entry 0.
const std::vector<uint32_t> kPalette = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

const uint32_t kPure[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                           0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

uint32_t Index(int32_t x, int32_t y, uint32_t colours) { return static_cast<uint32_t>(x + 3 * y) % colours; }

TEST(BitmapCheck, TheHugeHeightFoundByTheFuzzerIsRefusedBeforeTheReaderRuns) {
  const std::vector<uint8_t> bytes = FromBase64(kHugeHeightBase64);
  ASSERT_EQ(bytes.size(), 191u);
  EXPECT_EQ(CheckBitmapBytes(bytes.data(), bytes.size()), 0);
  // Under AddressSanitizer the reader's allocation would abort the test.
  Owned s(DecodeBitmap(bytes.data(), bytes.size()));
  EXPECT_EQ(s.s, nullptr);
}

TEST(BitmapCheck, EveryLayoutTheReaderTakesStillDecodesToItsColours) {
  struct Case {
    const char* what;
    BmpLayout layout;
  };
  const Case cases[] = {
      {"1 bit", {13, 5, 1}},
      {"2 bits", {7, 5, 2}},
      {"4 bits", {7, 5, 4}},
      {"8 bits", {7, 5, 8}},
      {"8 bits top-down", {7, -5, 8}},
      {"8 bits, core header", {7, 5, 8, hardening::kBiRgb, 12}},
      {"4 bits run-length", {7, 5, 4, hardening::kBiRle4}},
      {"8 bits run-length", {7, 5, 8, hardening::kBiRle8}},
      {"16 bits 5-5-5", {7, 5, 16}},
      {"16 bits with masks", {7, 5, 16, hardening::kBiBitFields}},
      {"16 bits with masks, version 4 header", {7, 5, 16, hardening::kBiBitFields, 108}},
      {"24 bits", {7, 5, 24}},
      {"24 bits, version 5 header", {7, 5, 24, hardening::kBiRgb, 124}},
      {"32 bits", {7, 5, 32}},
      {"32 bits with masks", {7, 5, 32, hardening::kBiBitFields}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const BmpLayout& l = c.layout;
    const uint32_t colours = l.bits >= 4 ? 16 : 1u << l.bits;
    const std::vector<uint32_t> palette(kPalette.begin(), kPalette.begin() + colours);
    // True-colour dots use channels of 0 or 255, which 5 or 6 bits carry
    // exactly: a narrow channel's full value must widen to 255.
    auto dot = [&](int32_t x, int32_t y) {
      const uint32_t i = Index(x, y, colours);
      return l.bits <= 8 ? i : kPure[i % 8];
    };
    const std::vector<uint8_t> bytes = MakeBmp(l, palette, dot);
    EXPECT_EQ(CheckBitmapBytes(bytes.data(), bytes.size()), 1);
    Owned s(DecodeBitmap(bytes.data(), bytes.size()));
    ASSERT_NE(s.s, nullptr);
    const int32_t h = l.height < 0 ? -l.height : l.height;
    ASSERT_EQ(PlatformSurfaceWidth(s.s), l.width);
    ASSERT_EQ(PlatformSurfaceHeight(s.s), h);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < l.width; ++x) {
        const uint32_t want = l.bits <= 8 ? kPalette[Index(x, y, colours)] : dot(x, y);
        ASSERT_EQ(ReadPlatformDot(s.s, x, y), want) << x << "," << y;
      }
    }
  }
}

TEST(BitmapCheck, TheProgramsOwnBitmapsPass) {
  for (const char* name : {"BMP_ZORRIT", "BMP_ESCAPE", "BMP_CHARACTOR"}) {
    const EmbeddedResource* res = FindEmbeddedResource(name, "BITMAP");
    ASSERT_NE(res, nullptr) << name;
    EXPECT_EQ(CheckBitmapBytes(res->bytes, res->size), 1) << name;
  }
}

TEST(BitmapCheck, ATruncatedBitmapIsRefusedAtEveryLength) {
  // 4 bits, 5 dots wide: 4 bytes a row, 3 of them dots. The last row's
  // padding may be missing (the reader does not need it); anything shorter
  // is refused.
  const std::vector<uint8_t> whole =
      MakeBmp({5, 5, 4}, kPalette, [](int32_t x, int32_t y) { return Index(x, y, 16); });
  const size_t needed = whole.size() - 1;
  Owned s(DecodeBitmap(whole.data(), needed));
  EXPECT_NE(s.s, nullptr);
  for (size_t n = 0; n < needed; ++n) {
    ASSERT_EQ(CheckBitmapBytes(whole.data(), n), 0) << n;
    Owned cut(DecodeBitmap(whole.data(), n));
    ASSERT_EQ(cut.s, nullptr) << n;
  }
}

TEST(BitmapCheck, HeadersThatLieAreRefused) {
  const std::vector<uint8_t> good =
      MakeBmp({8, 4, 8}, kPalette, [](int32_t x, int32_t y) { return Index(x, y, 16); });
  ASSERT_EQ(CheckBitmapBytes(good.data(), good.size()), 1);
  const uint32_t offset = 14 + 40 + 16 * 4;
  struct Lie {
    const char* what;
    size_t at;
    uint32_t value;
    int width;  // bytes written at `at`
  };
  const Lie lies[] = {
      {"not BM", 0, 'B' | 'A' << 8, 2},
      {"header of 20 bytes", 14, 20, 4},
      {"header longer than the file", 14, 4096, 4},
      {"width 0", 18, 0, 4},
      {"width -8", 18, static_cast<uint32_t>(-8), 4},
      {"width 8193", 18, 8193, 4},
      {"height 0", 22, 0, 4},
      {"height 8193", 22, 8193, 4},
      {"height of the most negative value", 22, 0x80000000u, 4},
      {"0 bits", 28, 0, 2},
      {"3 bits", 28, 3, 2},
      {"64 bits", 28, 64, 2},
      {"run-length 4 at 8 bits", 30, hardening::kBiRle4, 4},
      {"masks at 8 bits", 30, hardening::kBiBitFields, 4},
      {"embedded JPEG", 30, 4, 4},
      {"embedded PNG", 30, 5, 4},
      {"dots start inside the header", 10, 20, 4},
      {"dots start past the end", 10, static_cast<uint32_t>(good.size()), 4},
      {"dots start where they no longer fit", 10, offset + 1, 4},
  };
  for (const Lie& lie : lies) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < lie.width; ++i) bytes[lie.at + i] = static_cast<uint8_t>(lie.value >> (8 * i));
    EXPECT_EQ(CheckBitmapBytes(bytes.data(), bytes.size()), 0) << lie.what;
    Owned s(DecodeBitmap(bytes.data(), bytes.size()));
    EXPECT_EQ(s.s, nullptr) << lie.what;
  }
  // Both sides within the limit, but 4096 x 4097 dots are too many; the dot
  // data would fit at 1 bit per dot.
  const std::vector<uint8_t> tall = MakeBmp({4096, 4097, 1}, {0, 0xFFFFFF}, [](int32_t, int32_t) { return 1u; });
  EXPECT_EQ(CheckBitmapBytes(tall.data(), tall.size()), 0);
  const std::vector<uint8_t> square = MakeBmp({4096, 4096, 1}, {0, 0xFFFFFF}, [](int32_t, int32_t) { return 1u; });
  EXPECT_EQ(CheckBitmapBytes(square.data(), square.size()), 1);
}

class BitmapFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zorrit_bitmap_files_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    good_ = MakeBmp({8, 4, 24}, {}, [](int32_t x, int32_t y) { return 0x102030u + x + 16 * y; });
  }
  void TearDown() override {
    for (const std::string& p : made_) {
      chmod(p.c_str(), 0700);
      if (unlink(p.c_str()) != 0) rmdir(p.c_str());
    }
    rmdir(dir_.c_str());
  }
  std::string Path(const char* name) {
    made_.push_back(dir_ + "/" + name);
    return made_.back();
  }
  // ReadBitmapFile's answer, with the buffer freed.
  static int Reads(const std::string& path, size_t* size = nullptr) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(1);
    size_t n = 1;
    const int ok = ReadBitmapFile(path.c_str(), &bytes, &n);
    if (!ok && (bytes != nullptr || n != 0)) return -1;  // a failure must hand back nothing
    std::free(bytes);
    if (size) *size = n;
    return ok;
  }
  std::string dir_;
  std::vector<std::string> made_;
  std::vector<uint8_t> good_;
};

TEST_F(BitmapFiles, OnlyRegularFilesWithinTheCapAreRead) {
  const std::string file = Path("good.bmp");
  ASSERT_TRUE(hardening::WriteFile(file, good_));
  size_t size = 0;
  EXPECT_EQ(Reads(file, &size), 1);
  EXPECT_EQ(size, good_.size());
  const std::string link = Path("link.bmp");
  ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
  EXPECT_EQ(Reads(link), 1);
  Owned s(DecodeBitmapFile(link.c_str()));
  EXPECT_NE(s.s, nullptr);

  const std::string empty = Path("empty.bmp");
  ASSERT_TRUE(hardening::WriteFile(empty, {}));
  const std::string folder = Path("folder.bmp");
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  const std::string fifo = Path("fifo.bmp");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // no writer: a blocking open would hang here
  const std::string dangling = Path("dangling.bmp");
  ASSERT_EQ(symlink((dir_ + "/nothing").c_str(), dangling.c_str()), 0);
  // A valid bitmap at its head, then holes up to one byte past the cap.
  const std::string huge = Path("huge.bmp");
  ASSERT_TRUE(hardening::WriteFile(huge, good_));
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kBitmapFileLimit) + 1), 0);
  for (const std::string& bad : {empty, folder, fifo, dangling, huge, std::string("/dev/zero")}) {
    EXPECT_EQ(Reads(bad), 0) << bad;
    EXPECT_EQ(DecodeBitmapFile(bad.c_str()), nullptr) << bad;
  }
  ASSERT_EQ(truncate(huge.c_str(), static_cast<off_t>(kBitmapFileLimit)), 0);
  EXPECT_EQ(Reads(huge), 1);
  Owned capped(DecodeBitmapFile(huge.c_str()));
  EXPECT_NE(capped.s, nullptr);
  EXPECT_EQ(DecodeBitmapFile(nullptr), nullptr);
  EXPECT_EQ(DecodeBitmapFile(""), nullptr);
}

TEST_F(BitmapFiles, AFileWithoutReadPermissionIsRefused) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string file = Path("locked.bmp");
  ASSERT_TRUE(hardening::WriteFile(file, good_));
  ASSERT_EQ(chmod(file.c_str(), 0), 0);
  EXPECT_EQ(Reads(file), 0);
  EXPECT_EQ(DecodeBitmapFile(file.c_str()), nullptr);
}

}  // namespace
