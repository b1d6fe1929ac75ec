// SDL's audio device: 11025 samples per second, 8-bit unsigned, mono, in
// blocks of 256 samples (about 23 ms). SDL converts to whatever the hardware
// wants. On a machine without a sound card the audio subsystem or the open
// fails, and the game runs silent.
#include <SDL.h>

#include <cstddef>

#include "platform/audio_device.h"

namespace {

constexpr int kDeviceRate = 11025;
constexpr Uint16 kDeviceBlock = 256;

SDL_AudioDeviceID audioDevice = 0;
AudioFillCallback deviceFill = nullptr;
void* deviceUser = nullptr;

// Runs on SDL's audio thread with the device locked. With mono 8-bit samples
// the byte count is the sample count.
void SDLCALL FillFromDevice(void* userdata, Uint8* stream, int len) {
  if (deviceFill) {
    deviceFill(deviceUser, stream, (int32_t)len);
  } else {
    SDL_memset(stream, 128, (size_t)len);
  }
}

}  // namespace

struct AudioDevice {};
static AudioDevice openedDevice;

int OpenAudioDevice(AudioFillCallback fill, void* user) {
  if (audioDevice || !fill) return 0;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  deviceFill = fill;
  deviceUser = user;
  SDL_AudioSpec want;
  SDL_zero(want);
  want.freq = kDeviceRate;
  want.format = AUDIO_U8;
  want.channels = 1;
  want.samples = kDeviceBlock;
  want.callback = FillFromDevice;
  SDL_AudioSpec have;
  audioDevice = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (!audioDevice) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return 0;
  }
  SDL_PauseAudioDevice(audioDevice, 0);
  return 1;
}

void CloseAudioDevice() {
  if (!audioDevice) return;
  SDL_CloseAudioDevice(audioDevice);  // waits for the callback to finish
  audioDevice = 0;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void LockAudioDevice() {
  if (audioDevice) SDL_LockAudioDevice(audioDevice);
}

void UnlockAudioDevice() {
  if (audioDevice) SDL_UnlockAudioDevice(audioDevice);
}

AudioDevice* OpenedAudioDevice() { return audioDevice ? &openedDevice : nullptr; }

int SetAudioDeviceFill(AudioDevice* device, AudioFillCallback fill, void* user) {
  if (!audioDevice || device != &openedDevice) return 0;
  SDL_LockAudioDevice(audioDevice);
  deviceFill = fill;
  deviceUser = user;
  SDL_UnlockAudioDevice(audioDevice);
  return 1;
}

// Only the capture device can be pulled or switched off; here the callback
// runs on its own thread, so a pull gets silence.
int PullAudioDevice(uint8_t* out, int32_t count) {
  if (out && count > 0) SDL_memset(out, 128, (size_t)count);
  return 0;
}
void SetCaptureDeviceAvailable(int available) {}
