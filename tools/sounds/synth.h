// Integer-only synthesis of a sound script into 8-bit samples, and the WAVE
// image the game embeds. Integer arithmetic keeps the output identical on
// every machine and compiler.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/sounds/sound_script.h"

const int SAMPLE_RATE = 11025;

// Phase increment per sample (a full cycle is 2^32) for a pitch in cents
// above MIDI key 0; capped just below one cycle per sample.
uint32_t PhaseIncrement(int cents);

// Renders the script into unsigned 8-bit samples (128 = silence).
// clippedCount receives how many samples had to be clamped into 1..255.
int RenderSound(const SoundScript& script, std::vector<uint8_t>* samples, int* clippedCount);

// The RIFF WAVE image: "fmt " (18 bytes, PCM mono 8-bit 11025 Hz), "fact", "data".
std::vector<uint8_t> MakeWaveImage(const std::vector<uint8_t>& samples);
