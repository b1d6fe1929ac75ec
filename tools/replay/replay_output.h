// Output helpers of the replay tool: picture hashes, PNG shots, WAVE capture.
#pragma once
#include <cstdint>
#include <cstdio>

#include "tools/replay/replay.h"

struct PlatformSurface;

// FNV-1a (64-bit) of the surface's dots, row by row, width x 4 bytes per row
// without the row padding.
uint64_t HashSurface(const PlatformSurface* surface);

// The surface as an 8-bit RGB PNG of its own size. 1 on success; always 0
// in a build without libpng.
int WriteSurfacePng(const PlatformSurface* surface, const char* path);

// A PCM WAVE file (11025 Hz, 8-bit unsigned, mono) written as samples come;
// the sizes in the header are filled in by CloseWaveWriter.
struct WaveWriter {
  std::FILE* file;
  uint32_t samples;
};
int OpenWaveWriter(WaveWriter* writer, const char* path);
int WriteWaveSamples(WaveWriter* writer, const uint8_t* samples, int32_t count);
int CloseWaveWriter(WaveWriter* writer);
