#include "util/random16.h"

int32_t rngA = 0;
int32_t rngB = 0;

void SeedRandom16() {
  rngA = 0x4444;
  rngB = 0x8888;
}

uint16_t Random16(int32_t n) {
  if (n < 1) return 0;
  // Sum of the low half of A (signed) and B, its two low bytes exchanged.
  uint32_t s = (uint32_t)((int32_t)(int16_t)(uint16_t)rngA + rngB);
  uint32_t r = ((s & 0xFF) << 8) | ((s >> 8) & 0xFF);
  rngB = (int16_t)(uint16_t)rngA;
  rngA = (int16_t)(uint16_t)r;
  return (uint16_t)(r % (uint32_t)n);
}
