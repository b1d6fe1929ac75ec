// The web build's glibc rand() against glibc's: unseeded (the game's draws),
// then after seeds at the edges of the signed range.
#include <gtest/gtest.h>

#include <cstdlib>

extern "C" int ZorritGlibcRand(void);
extern "C" void ZorritGlibcSrand(unsigned seed);

TEST(RandGlibc, DrawsGlibcsNumbersUnseededAndAfterEverySeed) {
  for (int i = 0; i < 100000; ++i) ASSERT_EQ(ZorritGlibcRand(), std::rand()) << "draw " << i;
  for (unsigned seed : {0u, 1u, 2u, 99u, 4242u, 2147483647u, 2147483648u, 4294967295u}) {
    std::srand(seed);
    ZorritGlibcSrand(seed);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(ZorritGlibcRand(), std::rand()) << "seed " << seed << ", draw " << i;
  }
}
