// The sound device and the table of 64 sound slots, each holding the samples
// of one WAVE sound and its play state. A small mixer stands in for the static
// sound buffers: play once from the start, loop from the current position,
// stop keeping the position; sounds overlap freely.
//
// Without a device every operation does nothing and LoadSound reports success.
//
// LoadSound takes 8- or 16-bit PCM, mono or stereo, at 100 to 200000 samples
// per second, and keeps it as 8-bit unsigned mono (channels averaged, 16-bit
// rounded to 8) converted to the device's 11025 Hz, so every sound plays at
// its own pitch and length. A sound without a single sample is refused. Loading into a slot always releases what it held; a
// failed load leaves the slot empty. A once-sound that reaches its end stops
// with its position back at 0. Slots are changed under LockAudioDevice.
#pragma once
#include <cstdint>

struct PlatformWindow;
struct DataStream;
struct AudioDevice;

inline constexpr int32_t kSoundSlotCount = 64;

int OpenSound(PlatformWindow* window);
// Not used by the game: the table plays through a device someone else opened
// (OpenedAudioDevice) and leaves it open at CloseSound, which only hands it
// back silent. The slots stay as they are; a device the table opened itself
// is closed first unless it is the one handed in. With null, or a device that
// is not open, the table has no device, as after a failed OpenSound.
void AdoptSoundDevice(AudioDevice* device);
// Empties every slot and closes the device the table opened (an adopted one
// stays open).
void CloseSound();
int LoadSound(const char* name, const char* type, int32_t slot);
// format: the 18 bytes of the format record; samples: malloc'd, caller frees.
int ReadWave(const char* name, const char* type, uint8_t format[18], uint32_t* length,
             uint8_t** samples);
// The same over a stream already open at its start (the caller closes it).
int ReadWaveStream(DataStream* stream, uint8_t format[18], uint32_t* length, uint8_t** samples);
void PlayOnce(int32_t slot);
void PlayLoop(int32_t slot);
void StopSoundSlot(int32_t slot);
void ReleaseSound(int32_t slot);

// The mixer, testable without a device: mix `count` samples (8-bit unsigned,
// 128 silence) of everything playing into out, advancing the play positions.
void MixSamples(uint8_t* out, int32_t count);
