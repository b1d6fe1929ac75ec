// Sounds into the device's format, by SDL's own audio conversion. It needs
// neither SDL_Init nor an open device, so the headless build, whose device
// only captures, converts exactly as the desktop build does. A build without
// SDL (the web build) cannot convert: it takes only sounds already in the
// device's format, as the game's own are.
#include "platform/audio_device.h"

#include <cstdlib>
#include <cstring>

#if ZORRIT_PLATFORM_SDL
#include <SDL.h>
#endif

namespace {

constexpr uint32_t kDeviceRate = 11025;
constexpr uint32_t kLowestRate = 100;
constexpr uint32_t kHighestRate = 200000;
#if ZORRIT_PLATFORM_SDL
// The most bytes SDL may need to convert in place (256 MiB): far more than
// any sound, far less than its int lengths.
constexpr uint64_t kMostWorkBytes = 1u << 28;
#endif

}  // namespace

uint8_t* ConvertToDeviceSamples(const uint8_t* bytes, uint32_t byteCount, uint32_t channels,
                                uint32_t bits, uint32_t rate, int32_t* outLength) {
  *outLength = 0;
  if (!bytes || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return nullptr;
  if (rate < kLowestRate || rate > kHighestRate) return nullptr;
  const uint32_t frameBytes = channels * bits / 8;
  const uint64_t inBytes = (uint64_t)(byteCount / frameBytes) * frameBytes;  // whole frames
  if (inBytes == 0) return nullptr;

#if ZORRIT_PLATFORM_SDL
  // To 16 bits first, so that 8-bit samples come back exactly; rounded to 8
  // bits below (SDL's own 8-bit output would put silence at 127). The whole
  // sound in one buffer: the resampler sees all of it, and the length comes
  // out as the rates say.
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, bits == 8 ? AUDIO_U8 : AUDIO_S16LSB, (Uint8)channels, (int)rate,
                        AUDIO_S16SYS, 1, (int)kDeviceRate) < 0 ||
      inBytes * (uint64_t)cvt.len_mult > kMostWorkBytes)
    return nullptr;
  cvt.len = (int)inBytes;
  cvt.buf = static_cast<Uint8*>(std::malloc((size_t)(inBytes * (uint64_t)cvt.len_mult)));
  if (!cvt.buf) return nullptr;
  SDL_memcpy(cvt.buf, bytes, (size_t)inBytes);
  uint8_t* out = nullptr;
  const int32_t count = SDL_ConvertAudio(&cvt) == 0 ? cvt.len_cvt / 2 : 0;
  if (count > 0 && (out = static_cast<uint8_t*>(std::malloc((size_t)count)))) {
    const Sint16* wide = reinterpret_cast<const Sint16*>(cvt.buf);
    for (int32_t i = 0; i < count; ++i) {
      const int32_t v = (wide[i] + 128) >> 8;  // to the nearest 8-bit step
      out[i] = (uint8_t)((v > 127 ? 127 : v) + 128);
    }
    *outLength = count;
  }
  std::free(cvt.buf);
  return out;
#else
  if (channels != 1 || bits != 8 || rate != kDeviceRate) return nullptr;
  uint8_t* out = static_cast<uint8_t*>(std::malloc((size_t)inBytes));
  if (!out) return nullptr;
  std::memcpy(out, bytes, (size_t)inBytes);
  *outLength = (int32_t)inBytes;
  return out;
#endif
}
