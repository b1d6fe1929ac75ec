// Song stubs: a flag that says whether a song would be playing. No song is
// loaded or played. Nothing in the game calls these.
#pragma once
#include <cstdint>

extern int32_t songPlaying;
// The folder songs would be read from; "" (the program's base directory,
// which nothing sets). Not copied: must stay valid while songs are loaded.
extern const char* songFolder;
// The path SongLoad formed last ("" before the first successful call).
extern char songPath[260];

// Clears songPlaying and forms "<songFolder>/<name>.sngpk" into songPath.
// 1; 0 (songPath unchanged) when name is null or the path would be 260
// characters or more.
int SongLoad(const char* name);
int SongPlay();  // sets songPlaying; 1
int SongStop();  // clears songPlaying; 1
