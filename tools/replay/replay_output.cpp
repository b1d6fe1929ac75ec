// What the replay writes besides the trace: picture hashes, PNG shots and the
// captured sound as a WAVE file.
#ifdef ZORRIT_HAVE_PNG
#include <png.h>
#endif

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/surface.h"
#include "tools/replay/replay_output.h"

uint64_t Fnv1a64(uint64_t hash, const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size; i++) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ull;
  }
  return hash;
}

uint64_t HashSurface(const PlatformSurface* surface) {
  uint64_t hash = kFnvOffsetBasis;
  if (!surface) return hash;
  int32_t pitch = 0;
  const uint8_t* pixels = PlatformSurfacePixels(surface, &pitch);
  int32_t width = PlatformSurfaceWidth(surface);
  int32_t height = PlatformSurfaceHeight(surface);
  for (int32_t y = 0; y < height; y++)
    hash = Fnv1a64(hash, pixels + (size_t)y * pitch, (size_t)width * 4);
  return hash;
}

#ifndef ZORRIT_HAVE_PNG
// Built without libpng: the arguments refuse --shot before a run starts.
int WriteSurfacePng(const PlatformSurface*, const char*) { return 0; }
#else
int WriteSurfacePng(const PlatformSurface* surface, const char* path) {
  if (!surface) return 0;
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return 0;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  int32_t width = PlatformSurfaceWidth(surface);
  int32_t height = PlatformSurfaceHeight(surface);
  std::vector<uint8_t> row((size_t)width * 3);
  volatile int ok = 0;
  if (info && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    int32_t pitch = 0;
    const uint8_t* pixels = PlatformSurfacePixels(surface, &pitch);
    for (int32_t y = 0; y < height; y++) {
      const uint8_t* source = pixels + (size_t)y * pitch;
      for (int32_t x = 0; x < width; x++) {
        uint32_t dot;
        std::memcpy(&dot, source + (size_t)x * 4, 4);
        row[(size_t)x * 3 + 0] = (uint8_t)(dot >> 16);
        row[(size_t)x * 3 + 1] = (uint8_t)(dot >> 8);
        row[(size_t)x * 3 + 2] = (uint8_t)dot;
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = 1;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  if (std::fclose(file) != 0) ok = 0;
  return ok;
}
#endif

static void PutLe32(uint8_t* out, uint32_t value) {
  for (int i = 0; i < 4; i++) out[i] = (uint8_t)(value >> (8 * i));
}

// The 44-byte header of a PCM WAVE file, 11025 Hz, 8-bit, mono.
static void WaveHeader(uint8_t header[44], uint32_t samples) {
  std::memcpy(header, "RIFF\0\0\0\0WAVEfmt ", 16);
  PutLe32(header + 4, 36 + samples + (samples & 1));  // the data chunk is padded to even
  PutLe32(header + 16, 16);
  header[20] = 1;  // PCM
  header[21] = 0;
  header[22] = 1;  // one channel
  header[23] = 0;
  PutLe32(header + 24, 11025);  // samples per second
  PutLe32(header + 28, 11025);  // bytes per second
  header[32] = 1;               // bytes per sample frame
  header[33] = 0;
  header[34] = 8;  // bits per sample
  header[35] = 0;
  std::memcpy(header + 36, "data", 4);
  PutLe32(header + 40, samples);
}

int OpenWaveWriter(WaveWriter* writer, const char* path) {
  *writer = {nullptr, 0};
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return 0;
  uint8_t header[44];
  WaveHeader(header, 0);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
    std::fclose(file);
    return 0;
  }
  writer->file = file;
  return 1;
}

int WriteWaveSamples(WaveWriter* writer, const uint8_t* samples, int32_t count) {
  if (!writer->file || count <= 0) return writer->file != nullptr;
  if (std::fwrite(samples, 1, (size_t)count, writer->file) != (size_t)count) return 0;
  writer->samples += (uint32_t)count;
  return 1;
}

int CloseWaveWriter(WaveWriter* writer) {
  if (!writer->file) return 0;
  uint8_t header[44];
  WaveHeader(header, writer->samples);
  static const uint8_t pad = 0;
  int ok = ((writer->samples & 1) == 0 || std::fwrite(&pad, 1, 1, writer->file) == 1) &&
           std::fseek(writer->file, 0, SEEK_SET) == 0 &&
           std::fwrite(header, 1, sizeof header, writer->file) == sizeof header;
  if (std::fclose(writer->file) != 0) ok = 0;
  writer->file = nullptr;
  return ok;
}
