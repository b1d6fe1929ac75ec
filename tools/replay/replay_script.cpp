// The replay's input script and command line.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/messages.h"
#include "tools/replay/replay.h"

static const struct {
  const char* name;
  uint32_t code;
} kReplayKeys[kReplayKeyCount] = {
    {"left", VK_LEFT},     {"right", VK_RIGHT},    {"up", VK_UP}, {"down", VK_DOWN},
    {"space", VK_SPACE},   {"escape", VK_ESCAPE},  {"f1", VK_F1}, {"f2", VK_F2},
};

uint32_t ReplayKeyCode(int32_t index) {
  return index >= 0 && index < kReplayKeyCount ? kReplayKeys[index].code : 0;
}

const char* ReplayKeyName(int32_t index) {
  return index >= 0 && index < kReplayKeyCount ? kReplayKeys[index].name : "";
}

// A whole positive decimal number that fits 32 bits; 0 otherwise.
static int ParseFrameNumber(const char* text, uint32_t* value) {
  if (!text || *text < '0' || *text > '9') return 0;
  errno = 0;
  char* end = nullptr;
  unsigned long long n = std::strtoull(text, &end, 10);
  if (errno || *end || n == 0 || n > 0xFFFFFFFFull) return 0;
  *value = (uint32_t)n;
  return 1;
}

static int ParseScriptLine(char* line, int32_t lineNumber, uint32_t previousFrame,
                           ReplayStep* step, int32_t* isStep, char* error, size_t errorSize) {
  *isStep = 0;
  char* comment = std::strchr(line, '#');
  if (comment) *comment = 0;
  const char* separators = " \t\r\n";
  char* save = nullptr;
  char* word = strtok_r(line, separators, &save);
  if (!word) return 1;  // blank or comment only
  *step = {0, 0, 0};
  if (!ParseFrameNumber(word, &step->frame)) {
    std::snprintf(error, errorSize, "line %d: '%s' is not a frame number (1 or more)",
                  lineNumber, word);
    return 0;
  }
  if (step->frame <= previousFrame) {
    std::snprintf(error, errorSize, "line %d: frame %u does not come after frame %u",
                  lineNumber, step->frame, previousFrame);
    return 0;
  }
  while ((word = strtok_r(nullptr, separators, &save))) {
    if (std::strcmp(word, "reset") == 0) {
      step->reset = 1;
      continue;
    }
    int32_t found = -1;
    for (int32_t i = 0; i < kReplayKeyCount; i++)
      if (std::strcmp(word, kReplayKeys[i].name) == 0) found = i;
    if (found < 0) {
      std::snprintf(error, errorSize,
                    "line %d: unknown key '%s' (keys: left right up down space escape f1 f2; "
                    "or reset)",
                    lineNumber, word);
      return 0;
    }
    step->keys |= 1u << found;
  }
  *isStep = 1;
  return 1;
}

int ParseReplayScript(const char* text, ReplayScript* script, char* error, size_t errorSize) {
  script->steps.clear();
  char line[1024];
  int32_t lineNumber = 0;
  const char* p = text;
  while (*p) {
    lineNumber++;
    const char* end = std::strchr(p, '\n');
    size_t length = end ? (size_t)(end - p) : std::strlen(p);
    if (length >= sizeof line) {
      std::snprintf(error, errorSize, "line %d: longer than %zu characters", lineNumber,
                    sizeof line - 1);
      return 0;
    }
    std::memcpy(line, p, length);
    line[length] = 0;
    p += length + (end ? 1 : 0);
    uint32_t previous = script->steps.empty() ? 0 : script->steps.back().frame;
    ReplayStep step;
    int32_t isStep = 0;
    if (!ParseScriptLine(line, lineNumber, previous, &step, &isStep, error, errorSize)) return 0;
    if (isStep) script->steps.push_back(step);
  }
  return 1;
}

int LoadReplayScript(const char* path, ReplayScript* script, char* error, size_t errorSize) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) {
    std::snprintf(error, errorSize, "cannot read the script %s: %s", path, std::strerror(errno));
    return 0;
  }
  std::vector<char> text;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.insert(text.end(), chunk, chunk + n);
  int failed = std::ferror(file);
  std::fclose(file);
  if (failed) {
    std::snprintf(error, errorSize, "cannot read the script %s", path);
    return 0;
  }
  if (std::memchr(text.data(), 0, text.size())) {
    std::snprintf(error, errorSize, "the script %s is not text", path);
    return 0;
  }
  text.push_back(0);
  char message[512];
  if (!ParseReplayScript(text.data(), script, message, sizeof message)) {
    std::snprintf(error, errorSize, "%s: %s", path, message);
    return 0;
  }
  return 1;
}

static int CopyPath(char* out, const char* value, const char* option, char* error,
                    size_t errorSize) {
  if (!*value || std::strlen(value) >= (size_t)kReplayPathSize) {
    std::snprintf(error, errorSize, "%s: the file name is empty or too long", option);
    return 0;
  }
  std::snprintf(out, kReplayPathSize, "%s", value);
  return 1;
}

int ParseReplayArguments(int argc, char** argv, ReplayOptions* options, char* error,
                         size_t errorSize) {
  std::memset(options, 0, sizeof *options);
  for (int i = 1; i < argc; i++) {
    const char* option = argv[i];
    if (std::strcmp(option, "--picture-hash") == 0) {
      options->pictureHash = 1;
      continue;
    }
    int takesValue = std::strcmp(option, "--input") == 0 || std::strcmp(option, "--frames") == 0 ||
                     std::strcmp(option, "--trace") == 0 || std::strcmp(option, "--shot") == 0 ||
                     std::strcmp(option, "--audio") == 0;
    if (!takesValue) {
      std::snprintf(error, errorSize, "unknown argument '%s'", option);
      return 0;
    }
    if (i + 1 >= argc) {
      std::snprintf(error, errorSize, "%s needs a value", option);
      return 0;
    }
    const char* value = argv[++i];
    if (std::strcmp(option, "--input") == 0) {
      if (!CopyPath(options->inputPath, value, option, error, errorSize)) return 0;
    } else if (std::strcmp(option, "--trace") == 0) {
      if (!CopyPath(options->tracePath, value, option, error, errorSize)) return 0;
    } else if (std::strcmp(option, "--audio") == 0) {
      if (!CopyPath(options->audioPath, value, option, error, errorSize)) return 0;
    } else if (std::strcmp(option, "--frames") == 0) {
      if (!ParseFrameNumber(value, &options->frames)) {
        std::snprintf(error, errorSize, "--frames: '%s' is not a frame count (1 or more)", value);
        return 0;
      }
    } else {  // --shot N:FILE
#ifndef ZORRIT_HAVE_PNG
      std::snprintf(error, errorSize, "--shot: this build writes no PNG (built without libpng)");
      return 0;
#endif
      const char* colon = std::strchr(value, ':');
      char number[16];
      size_t length = colon ? (size_t)(colon - value) : 0;
      if (options->shotCount >= kReplayMaxShots) {
        std::snprintf(error, errorSize, "--shot: at most %d shots", kReplayMaxShots);
        return 0;
      }
      ReplayShot* shot = &options->shots[options->shotCount];
      if (!colon || length == 0 || length >= sizeof number) {
        std::snprintf(error, errorSize, "--shot: '%s' is not FRAME:FILE.png", value);
        return 0;
      }
      std::memcpy(number, value, length);
      number[length] = 0;
      if (!ParseFrameNumber(number, &shot->frame)) {
        std::snprintf(error, errorSize, "--shot: '%s' is not a frame number (1 or more)", number);
        return 0;
      }
      if (!CopyPath(shot->path, colon + 1, option, error, errorSize)) return 0;
      options->shotCount++;
    }
  }
  if (options->pictureHash && !options->tracePath[0]) {
    std::snprintf(error, errorSize, "--picture-hash needs --trace");
    return 0;
  }
  if (!options->frames && !options->inputPath[0]) {
    std::snprintf(error, errorSize, "give --frames N or an --input script (it ends the run)");
    return 0;
  }
  return 1;
}
