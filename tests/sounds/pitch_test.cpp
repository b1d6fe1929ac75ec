#include <gtest/gtest.h>

#include <cmath>

#include "tools/sounds/sound_script.h"
#include "tools/sounds/synth.h"

namespace {

double Frequency(uint32_t increment) { return increment * (double)SAMPLE_RATE / 4294967296.0; }

// Every tune in the sound scripts rests on this mapping from cents to phase
// increments: equal temperament tuned to A4 = 440 Hz.
TEST(SoundPitch, EqualTemperamentFromA440) {
  for (int key = 24; key <= 108; key++) {  // C1 to C8
    double expected = 440.0 * std::pow(2.0, (key - 69) / 12.0);
    EXPECT_NEAR(Frequency(PhaseIncrement(key * 100)), expected, expected * 0.0002) << "key " << key;
  }
  for (int cents : {6925, 6950, 6975, 8333}) {
    double expected = 440.0 * std::pow(2.0, (cents - 6900) / 1200.0);
    EXPECT_NEAR(Frequency(PhaseIncrement(cents)), expected, expected * 0.001) << cents << " cents";
  }
  // Noise at the sample rate and beyond draws a new value every sample.
  EXPECT_EQ(PhaseIncrement(20000), 0xFFFFFFFFu);
}

TEST(SoundPitch, NoteNamesAndFrequencies) {
  struct { const char* text; int cents; } good[] = {
      {"A4", 6900}, {"C4", 6000}, {"F#5", 7800}, {"Bb3", 5800}, {"B3", 5900},
      {"C0", 1200}, {"440hz", 6900}, {"261.63hz", 6000}, {"100hz", 4335},
  };
  for (auto& c : good) {
    int cents = -1;
    EXPECT_TRUE(ParsePitch(c.text, &cents)) << c.text;
    EXPECT_NEAR(cents, c.cents, 1) << c.text;  // within a cent of the true pitch
  }
  for (const char* bad : {"H4", "C", "c4", "C#", "C10", "A4x", "0hz", "-5hz", "hz", "4.hz"}) {
    int cents = 0;
    EXPECT_FALSE(ParsePitch(bad, &cents)) << bad;
  }
}

}  // namespace
