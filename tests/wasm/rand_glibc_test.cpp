// The web build's reproduction of glibc's rand() against glibc's rand(): the
// unseeded sequence the game draws from, and the sequences after srand, seeds
// at the edges of the signed range included.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>

extern "C" int ZorritGlibcRand(void);
extern "C" void ZorritGlibcSrand(unsigned seed);

namespace {

TEST(RandGlibc, DrawsGlibcsNumbersUnseededAndAfterEverySeed) {
  // Nothing in this process has called srand: both start from the default seed.
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(ZorritGlibcRand(), std::rand()) << "draw " << i;
  for (unsigned seed : {0u, 1u, 2u, 99u, 4242u, 2147483647u, 2147483648u, 4294967295u}) {
    std::srand(seed);
    ZorritGlibcSrand(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(ZorritGlibcRand(), std::rand()) << "seed " << seed << ", draw " << i;
  }
}

}  // namespace
