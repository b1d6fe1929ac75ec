// A small 16-bit pseudo-random generator with its own state (independent of
// rand()). Its state is zero, and every value 0, until SeedRandom16.
#pragma once
#include <cstdint>

extern int32_t rngA, rngB;

// Sets the state to its fixed seed; the sequence is the same on every run.
void SeedRandom16();
// The next value modulo n, in 0..n-1. n < 1 gives 0 and leaves the state
// as it was.
uint16_t Random16(int32_t n);
