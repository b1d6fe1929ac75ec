#include "util/song.h"

#include "util/paths.h"

int32_t songPlaying = 0;
const char* songFolder = "";
char songPath[260] = "";

int SongLoad(const char* name) {
  songPlaying = 0;
  if (name == nullptr || songFolder == nullptr) return 0;
  return FormatPath(songPath, "%s/%s.%s", songFolder, name, "sngpk");
}

int SongPlay() {
  songPlaying = 1;
  return 1;
}

int SongStop() {
  songPlaying = 0;
  return 1;
}
