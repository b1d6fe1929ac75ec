// The sound table, the WAVE reader and the mixer that plays the table.
//
// Each slot owns its samples as 8-bit unsigned mono at the device's rate
// (11025 per second); every WAVE is converted to that on load, its stated
// rate included (ConvertToDeviceSamples, in the platform). The audio
// device's callback mixes every playing slot; the window's thread changes
// slots only between LockAudioDevice and UnlockAudioDevice, and frees
// samples only after they are out of the table.
#include "sound/sound_table.h"

#include <cstdlib>
#include <cstring>

#include "platform/audio_device.h"
#include "sound/data_stream.h"

namespace {

struct SoundSlot {
  uint8_t* samples;  // null when the slot is empty
  int32_t length;    // samples, > 0 when not empty
  int32_t position;  // next sample to play, 0 <= position < length
  int32_t playing;
  int32_t looping;
};

constexpr int32_t kWaveHeaderBytes = 44;
constexpr int32_t kFormatOffset = 20;
constexpr int32_t kFormatBytes = 18;
constexpr int32_t kChunkWalkStart = 12;
constexpr int32_t kChunkHeaderBytes = 8;
constexpr int32_t kMixBlock = 256;
constexpr int32_t kSilence = 128;

SoundSlot soundTable[kSoundSlotCount];
int32_t soundDeviceOpen = 0;     // the table plays through a device
int32_t soundDeviceAdopted = 0;  // ... handed in, not opened here (then:)
AudioDevice* adoptedDevice = nullptr;

uint32_t ReadLittle16(const uint8_t* p) { return (uint32_t)p[0] | ((uint32_t)p[1] << 8); }
uint32_t ReadLittle32(const uint8_t* p) { return ReadLittle16(p) | (ReadLittle16(p + 2) << 16); }
int TagIs(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

// The slot's guard shared by every play operation: device, range, not empty.
SoundSlot* PlayableSlot(int32_t slot) {
  if (!soundDeviceOpen || slot < 0 || slot >= kSoundSlotCount) return nullptr;
  return soundTable[slot].samples ? &soundTable[slot] : nullptr;
}

// Takes the slot's samples out of the table (under the device lock) and
// returns them for the caller to free once the lock is released.
uint8_t* DetachSlot(int32_t slot) {
  LockAudioDevice();
  uint8_t* old = soundTable[slot].samples;
  soundTable[slot] = SoundSlot{};
  UnlockAudioDevice();
  return old;
}

// Adds `count` samples of one playing slot into acc, advancing the slot.
// A once-sound that reaches its end stops with its position back at 0.
void MixSlot(SoundSlot* s, int32_t* acc, int32_t count) {
  int32_t done = 0;
  while (done < count && s->playing) {
    int32_t run = s->length - s->position;
    if (run > count - done) run = count - done;
    const uint8_t* src = s->samples + s->position;
    for (int32_t k = 0; k < run; ++k) acc[done + k] += src[k] - kSilence;
    done += run;
    s->position += run;
    if (s->position >= s->length) {
      s->position = 0;
      if (!s->looping) s->playing = 0;
    }
  }
}

void FillAudio(void* user, uint8_t* out, int32_t count) { MixSamples(out, count); }

}  // namespace

void MixSamples(uint8_t* out, int32_t count) {
  if (!out) return;
  int32_t acc[kMixBlock];
  while (count > 0) {
    const int32_t n = count < kMixBlock ? count : kMixBlock;
    std::memset(acc, 0, sizeof acc);
    for (SoundSlot& s : soundTable)
      if (s.playing && s.samples && s.length > 0) MixSlot(&s, acc, n);
    for (int32_t i = 0; i < n; ++i) {
      const int32_t v = acc[i] + kSilence;
      out[i] = (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    out += n;
    count -= n;
  }
}

int OpenSound(PlatformWindow* window) {
  // Closing empties every slot; without a device the slots are empty anyway.
  if (soundDeviceOpen) CloseSound();
  if (!OpenAudioDevice(FillAudio, nullptr)) return 0;
  soundDeviceOpen = 1;
  soundDeviceAdopted = 0;
  return 1;
}

void AdoptSoundDevice(AudioDevice* device) {
  // A device the table opened itself goes, unless it is the one handed in.
  if (soundDeviceOpen && !soundDeviceAdopted && device != OpenedAudioDevice()) CloseAudioDevice();
  soundDeviceOpen = SetAudioDeviceFill(device, FillAudio, nullptr);
  soundDeviceAdopted = 1;
  adoptedDevice = device;
}

void CloseSound() {
  if (!soundDeviceOpen) return;
  // Either way the callback no longer reads the table after this.
  if (soundDeviceAdopted) {
    SetAudioDeviceFill(adoptedDevice, nullptr, nullptr);
  } else {
    CloseAudioDevice();
  }
  soundDeviceOpen = 0;
  soundDeviceAdopted = 0;
  adoptedDevice = nullptr;
  for (SoundSlot& s : soundTable) {
    std::free(s.samples);
    s = SoundSlot{};
  }
}

int ReadWave(const char* name, const char* type, uint8_t format[18], uint32_t* length,
             uint8_t** samples) {
  DataStream stream;
  int ok = OpenStream(nullptr, name, type, &stream);
  if (ok) {
    ok = ReadWaveStream(&stream, format, length, samples);
  } else {
    *samples = nullptr;
    *length = 0;
    std::memset(format, 0, kFormatBytes);
  }
  CloseStream(&stream);
  return ok;
}

int ReadWaveStream(DataStream* source, uint8_t format[18], uint32_t* length, uint8_t** samples) {
  *samples = nullptr;
  *length = 0;
  std::memset(format, 0, kFormatBytes);
  DataStream& stream = *source;
  int ok = 0;
  uint8_t header[kWaveHeaderBytes];
  if (ReadStream(header, kWaveHeaderBytes, 1, &stream) &&
      TagIs(header, "RIFF") && TagIs(header + 8, "WAVE") && TagIs(header + 12, "fmt ")) {
    std::memcpy(format, header + kFormatOffset, kFormatBytes);
    const uint32_t tag = ReadLittle16(format);
    const uint32_t channels = ReadLittle16(format + 2);
    const uint32_t bits = ReadLittle16(format + 14);
    if (tag == 1 && (channels == 1 || channels == 2) && (bits == 8 || bits == 16) &&
        SeekStream(&stream, kChunkWalkStart, SEEK_SET)) {
      uint8_t chunk[kChunkHeaderBytes];
      // Every turn reads a header and seeks only forward, so the walk ends.
      while (ReadStream(chunk, kChunkHeaderBytes, 1, &stream)) {
        const uint32_t chunkLength = ReadLittle32(chunk + 4);
        if (TagIs(chunk, "data")) {
          // The stated length is checked before anything is allocated.
          const int64_t remaining = StreamRemaining(&stream);
          if (remaining < 0 || chunkLength > remaining || chunkLength > INT32_MAX) break;
          *samples = static_cast<uint8_t*>(std::calloc(chunkLength ? chunkLength : 1, 1));
          if (*samples && ReadStream(*samples, 1, (int32_t)chunkLength, &stream)) {
            *length = chunkLength;
            ok = 1;
          }
          break;
        }
        // Any other chunk is skipped by its length. Past the end of a file the
        // seek succeeds and the next header read fails; a resource refuses it,
        // and the walk goes on from where it stands, as after any failed seek.
        // A length with the top bit set would be a backward seek (a walk that
        // never ends), so it is not sought at all.
        if (chunkLength <= INT32_MAX) SeekStream(&stream, (int32_t)chunkLength, SEEK_CUR);
      }
    }
  }
  if (!ok) {
    std::free(*samples);
    *samples = nullptr;
  }
  return ok;
}

int LoadSound(const char* name, const char* type, int32_t slot) {
  if (!soundDeviceOpen) return 1;
  if (slot < 0 || slot >= kSoundSlotCount) return 0;
  // Whatever the slot held goes, whether or not the new sound loads.
  std::free(DetachSlot(slot));
  uint8_t format[kFormatBytes];
  uint32_t byteCount = 0;
  uint8_t* bytes = nullptr;
  if (!ReadWave(name, type, format, &byteCount, &bytes)) return 0;
  int32_t length = 0;
  uint8_t* samples = ConvertToDeviceSamples(bytes, byteCount, ReadLittle16(format + 2),
                                            ReadLittle16(format + 14), ReadLittle32(format + 4),
                                            &length);
  std::free(bytes);
  // No whole sample (like a buffer of no bytes) or a rate no device plays: refused.
  if (!samples) return 0;
  LockAudioDevice();
  soundTable[slot] = SoundSlot{samples, length, 0, 0, 0};
  UnlockAudioDevice();
  return 1;
}

void PlayOnce(int32_t slot) {
  LockAudioDevice();
  if (SoundSlot* s = PlayableSlot(slot)) {
    s->position = 0;
    s->looping = 0;
    s->playing = 1;
  }
  UnlockAudioDevice();
}

void PlayLoop(int32_t slot) {
  LockAudioDevice();
  if (SoundSlot* s = PlayableSlot(slot)) {
    s->looping = 1;
    s->playing = 1;
  }
  UnlockAudioDevice();
}

void StopSoundSlot(int32_t slot) {
  LockAudioDevice();
  if (SoundSlot* s = PlayableSlot(slot)) s->playing = 0;
  UnlockAudioDevice();
}

void ReleaseSound(int32_t slot) {
  if (PlayableSlot(slot)) std::free(DetachSlot(slot));
}
