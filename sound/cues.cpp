// The game's music and effect cues over the sound table, and the log of the
// effects started, which the replay tool drains once per frame.
#include "sound/cues.h"

#include "sound/sound_table.h"

MusicState musicState = {0, 0};

namespace {

// Effects started since the last TakeEffectLog; later ones beyond the
// capacity are not kept. A frame starts only a handful.
constexpr int32_t kEffectLogCapacity = 64;
int32_t effectLog[kEffectLogCapacity];
int32_t effectLogCount = 0;

}  // namespace

void ClearMusic() {
  musicState.active = 0;
  musicState.index = 0;
}

void EndMusic() {
  if (musicState.active) StopSoundSlot(musicState.index);
  ClearMusic();
}

int LoadWaveResource(const char* name, int32_t slot) { return LoadSound(name, "WAVE", slot); }

void PlayEffect(int32_t slot) {
  if (effectLogCount < kEffectLogCapacity) effectLog[effectLogCount++] = slot;
  PlayOnce(slot);
}

void StartMusic(int32_t slot) {
  PlayLoop(slot);
  musicState.active = 1;
  musicState.index = slot;
}

void StopMusic(int32_t slot) {
  StopSoundSlot(slot);
  ClearMusic();
}

void PauseMusic() {
  if (musicState.active) StopSoundSlot(musicState.index);
}

void ResumeMusic() {
  if (musicState.active) PlayLoop(musicState.index);
}

void StopSoundCue(int32_t slot) { StopSoundSlot(slot); }

void ReleaseSoundSlot(int32_t slot) { ReleaseSound(slot); }

int32_t TakeEffectLog(int32_t* slots, int32_t capacity) {
  int32_t n = effectLogCount < capacity ? effectLogCount : capacity;
  if (!slots || n < 0) n = 0;
  for (int32_t i = 0; i < n; ++i) slots[i] = effectLog[i];
  effectLogCount = 0;
  return n;
}
