// The game's music and effect cues over the sound table. An effect or music
// number is a sound slot number: music 0 "BGM1" (play), 1 "BGM2" (game over),
// effects 11..22 "SE01".."SE12".
#pragma once
#include <cstdint>

struct MusicState {
  int32_t active;
  int32_t index;
};

extern MusicState musicState;

void ClearMusic();
void EndMusic();
int LoadWaveResource(const char* name, int32_t slot);
void PlayEffect(int32_t slot);
void StartMusic(int32_t slot);
void StopMusic(int32_t slot);
void PauseMusic();
void ResumeMusic();
void StopSoundCue(int32_t slot);
void ReleaseSoundSlot(int32_t slot);

// For the replay trace: the effects PlayEffect started since the last
// TakeEffectLog, in order (at most `capacity` kept; the count is returned).
// Every PlayEffect call is logged, with or without a sound device, so a
// trace does not depend on the machine; the log keeps the first 64.
int32_t TakeEffectLog(int32_t* slots, int32_t capacity);
