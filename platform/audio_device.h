// The audio output device: 11025 samples per second, 8-bit unsigned, mono.
//
// The device pulls samples through the callback given to OpenAudioDevice, on
// its own thread (SDL), when PullAudioDevice is called (headless capture), or
// between the program's slices of work (a web page's Web Audio node).
// State shared with the callback is changed only between LockAudioDevice and
// UnlockAudioDevice.
//
// Implementations, chosen at link time:
//   audio_sdl.cpp     – SDL's audio device; opening fails on a machine without
//                       a sound card, and the game runs silent;
//   audio_capture.cpp – no device thread; PullAudioDevice runs the callback so
//                       a headless run can capture exactly what would be heard;
//   audio_web.cpp     – a Web Audio context at 11025 Hz in a web page, running
//                       from the first key press or click on the page.
#pragma once
#include <cstdint>

typedef void (*AudioFillCallback)(void* user, uint8_t* out, int32_t count);

// 1 when the device is open and running; 0 when there is no device.
int OpenAudioDevice(AudioFillCallback fill, void* user);
void CloseAudioDevice();
void LockAudioDevice();
void UnlockAudioDevice();

// The open device as a handle its opener can hand to another user (the
// sound table's AdoptSoundDevice); null when no device is open.
struct AudioDevice;
AudioDevice* OpenedAudioDevice();
// Makes the open device pull from `fill` from now on (null: it plays
// silence), changed under the device's lock. 0, changing nothing, when
// `device` is not the open device.
int SetAudioDeviceFill(AudioDevice* device, AudioFillCallback fill, void* user);

// A sound's PCM samples (8-bit unsigned or 16-bit signed little-endian, 1 or
// 2 channels, `rate` frames per second from 100 to 200000) in the device's
// format: 8-bit unsigned mono at 11025 per second, channels averaged, the
// rate converted so that the sound keeps its pitch and length. A trailing
// partial frame is dropped. Returns the malloc'd samples (the caller frees
// them) and their count in *outLength; null, and 0, for another format, for
// no whole frame, or when memory runs out. The desktop and headless variants
// convert alike (audio_convert.cpp) and need no open device; a build without
// SDL takes only 8-bit mono at 11025 and refuses the rest.
uint8_t* ConvertToDeviceSamples(const uint8_t* bytes, uint32_t byteCount, uint32_t channels,
                                uint32_t bits, uint32_t rate, int32_t* outLength);

// Capture implementation only: run the callback for `count` samples.
// Returns 0 when no device is open (out is then filled with silence, 128).
int PullAudioDevice(uint8_t* out, int32_t count);
// Capture implementation only: make the next OpenAudioDevice fail (tests of
// the no-device path). Default: available.
void SetCaptureDeviceAvailable(int available);
