// The headless audio device: no thread and no sound card. The callback runs
// only inside PullAudioDevice, on the caller's thread, so a test or the
// replay tool hears exactly what the mixer would have sent to a real device.
#include <cstring>

#include "platform/audio_device.h"

namespace {

AudioFillCallback captureFill = nullptr;
void* captureUser = nullptr;
int32_t captureOpen = 0;
int32_t captureAvailable = 1;

}  // namespace

struct AudioDevice {};
static AudioDevice captureDevice;

int OpenAudioDevice(AudioFillCallback fill, void* user) {
  if (!captureAvailable || !fill) return 0;
  captureFill = fill;
  captureUser = user;
  captureOpen = 1;
  return 1;
}

void CloseAudioDevice() {
  captureOpen = 0;
  captureFill = nullptr;
  captureUser = nullptr;
}

AudioDevice* OpenedAudioDevice() { return captureOpen ? &captureDevice : nullptr; }

int SetAudioDeviceFill(AudioDevice* device, AudioFillCallback fill, void* user) {
  if (!captureOpen || device != &captureDevice) return 0;
  captureFill = fill;
  captureUser = user;
  return 1;
}

// Nothing runs concurrently with the caller, so there is nothing to exclude.
void LockAudioDevice() {}
void UnlockAudioDevice() {}

int PullAudioDevice(uint8_t* out, int32_t count) {
  if (!out || count <= 0) return captureOpen;
  if (!captureOpen) {
    std::memset(out, 128, (size_t)count);
    return 0;
  }
  if (captureFill) {
    captureFill(captureUser, out, count);
  } else {
    std::memset(out, 128, (size_t)count);
  }
  return 1;
}

void SetCaptureDeviceAvailable(int available) { captureAvailable = available ? 1 : 0; }
