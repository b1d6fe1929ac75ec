// rand() and srand() for builds whose C library is not glibc (the web build's
// is musl). The game draws its random numbers from the C library's rand(),
// never seeded, and a replay is only the same game when the numbers are the
// same: so these reproduce glibc's generator, an additive feedback sequence
// over 34 words, r[i] = r[i-3] + r[i-31], seeded through 16807 x (mod 2^31-1),
// the first 310 values dropped, each value the sum shifted right once.
//
// Linked in place of the C library's own pair by the web build only (see
// platform/CMakeLists.txt); desktop builds use glibc's.
#include <cstdint>

namespace {

constexpr int kWords = 34;  // the last 34 values of the sequence
constexpr int kDropped = 310;

uint32_t ring[kWords];
int next = 0;  // where the next value goes (and r[i-34] is)
int seeded = 0;

// The next value of the sequence (before the shift).
uint32_t Next() {
  const uint32_t value = ring[(next + kWords - 31) % kWords] + ring[(next + kWords - 3) % kWords];
  ring[next] = value;
  next = (next + 1) % kWords;
  return value;
}

void Seed(uint32_t seed) {
  if (seed == 0) seed = 1;
  int32_t r[kWords];
  r[0] = static_cast<int32_t>(seed);
  int32_t word = r[0];  // a seed of 2^31 or more starts negative
  for (int i = 1; i < 31; ++i) {
    // 16807 x word mod (2^31 - 1), Schrage's way.
    const int64_t hi = word / 127773;
    const int64_t lo = word % 127773;
    word = static_cast<int32_t>(16807 * lo - 2836 * hi);
    if (word < 0) word += 2147483647;
    r[i] = word;
  }
  for (int i = 31; i < kWords; ++i) r[i] = r[i - 31];
  for (int i = 0; i < kWords; ++i) ring[i] = static_cast<uint32_t>(r[i]);
  next = 0;
  seeded = 1;
  for (int i = 0; i < kDropped; ++i) Next();
}

}  // namespace

extern "C" void srand(unsigned seed) { Seed(seed); }

extern "C" int rand(void) {
  if (!seeded) Seed(1);
  return static_cast<int>(Next() >> 1);
}
