// The audio output device: 11025 samples per second, 8-bit unsigned, mono.
//
// The device pulls samples through the callback given to OpenAudioDevice, on
// its own thread (SDL) or when PullAudioDevice is called (headless capture).
// State shared with the callback is changed only between LockAudioDevice and
// UnlockAudioDevice.
//
// Implementations, chosen at link time:
//   audio_sdl.cpp     – SDL's audio device; opening fails on a machine without
//                       a sound card, and the game runs silent;
//   audio_capture.cpp – no device thread; PullAudioDevice runs the callback so
//                       a headless run can capture exactly what would be heard.
#pragma once
#include <cstdint>

typedef void (*AudioFillCallback)(void* user, uint8_t* out, int32_t count);

// 1 when the device is open and running; 0 when there is no device.
int OpenAudioDevice(AudioFillCallback fill, void* user);
void CloseAudioDevice();
void LockAudioDevice();
void UnlockAudioDevice();

// Capture implementation only: run the callback for `count` samples.
// Returns 0 when no device is open (out is then filled with silence, 128).
int PullAudioDevice(uint8_t* out, int32_t count);
// Capture implementation only: make the next OpenAudioDevice fail (tests of
// the no-device path). Default: available.
void SetCaptureDeviceAvailable(int available);
