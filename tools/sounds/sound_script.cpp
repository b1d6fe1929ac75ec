#include "tools/sounds/sound_script.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "tools/sounds/synth.h"

struct ScriptReader {
  std::string path;
  int line;
  int unit;
  std::map<std::string, NoteVoice> instruments;
};

static int Complain(const ScriptReader& reader, const std::string& what) {
  std::fprintf(stderr, "%s:%d: %s\n", reader.path.c_str(), reader.line, what.c_str());
  return 0;
}

static int ParseInteger(const std::string& text, int* value) {
  if (text.empty()) return 0;
  char* end = nullptr;
  long parsed = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || parsed < -100000000 || parsed > 100000000) return 0;
  *value = (int)parsed;
  return 1;
}

// A decimal number such as "3", "2.5" or "0.25", times a whole scale, rounded down.
static int ParseScaled(const std::string& text, int scale, int* value) {
  size_t dot = text.find('.');
  int whole = 0;
  if (!ParseInteger(text.substr(0, dot), &whole) || whole < 0) return 0;
  long long result = (long long)whole * scale;
  if (dot != std::string::npos) {
    std::string digits = text.substr(dot + 1);
    if (digits.empty() || digits.size() > 4) return 0;
    int fraction = 0;
    if (!ParseInteger(digits, &fraction) || fraction < 0) return 0;
    long long divisor = 1;
    for (size_t i = 0; i < digits.size(); i++) divisor *= 10;
    result += (long long)fraction * scale / divisor;
  }
  if (result > 100000000) return 0;
  *value = (int)result;
  return 1;
}

int ParsePitch(const std::string& text, int* cents) {
  if (text.size() > 2 && text.substr(text.size() - 2) == "hz") {
    int hundredthsHz = 0;
    if (!ParseScaled(text.substr(0, text.size() - 2), 100, &hundredthsHz) || hundredthsHz <= 0)
      return 0;
    // The phase increment grows with the pitch, so search the pitch whose
    // increment is nearest the wanted one.
    uint64_t wanted = (uint64_t)hundredthsHz * 0x100000000ull / (SAMPLE_RATE * 100ull);
    int low = 0, high = 14400;
    while (low < high) {
      int middle = (low + high) / 2;
      if (PhaseIncrement(middle) < wanted) low = middle + 1;
      else high = middle;
    }
    if (low > 0 && wanted - PhaseIncrement(low - 1) < PhaseIncrement(low) - wanted) low--;
    *cents = low;
    return 1;
  }
  static const int letterSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
  if (text.size() < 2 || text[0] < 'A' || text[0] > 'G') return 0;
  int semitone = letterSemitone[text[0] - 'A'];
  size_t at = 1;
  if (text[at] == '#') { semitone++; at++; }
  else if (text[at] == 'b') { semitone--; at++; }
  int octave = 0;
  if (!ParseInteger(text.substr(at), &octave) || octave < 0 || octave > 9) return 0;
  *cents = ((octave + 1) * 12 + semitone) * 100;
  return 1;
}

static int ParseEnvelope(const ScriptReader& reader, const std::string& text, Envelope* envelope) {
  envelope->count = 0;
  std::stringstream points(text);
  std::string point;
  while (std::getline(points, point, ',')) {
    size_t colon = point.find(':');
    if (colon == std::string::npos) return Complain(reader, "envelope point needs time:level: " + point);
    if (envelope->count == MAX_ENVELOPE_POINTS) return Complain(reader, "too many envelope points");
    std::string time = point.substr(0, colon);
    int share = !time.empty() && time.back() == '%';
    int value = 0, level = 0;
    if (share) {
      if (!ParseScaled(time.substr(0, time.size() - 1), 100, &value) || value > 10000)
        return Complain(reader, "bad envelope share: " + time);
    } else if (!ParseInteger(time, &value) || value < 0) {
      return Complain(reader, "bad envelope time: " + time);
    }
    if (!ParseInteger(point.substr(colon + 1), &level) || level < 0 || level > 100)
      return Complain(reader, "envelope level must be 0..100: " + point);
    int n = envelope->count;
    if (n > 0 && share == envelope->timeIsShare[n - 1] && value < envelope->time[n - 1])
      return Complain(reader, "envelope times must not go back: " + point);
    envelope->time[n] = value;
    envelope->timeIsShare[n] = share;
    envelope->level[n] = level;
    envelope->count++;
  }
  return 1;
}

static int ParsePercent(const std::string& text, int* value) {
  return ParseInteger(text, value) && *value >= 0 && *value <= 100;
}

// Applies one key=value setting to a voice. Returns 1 when the key was a voice
// key and its value good, 0 after a complaint, -1 when the key is not a voice key.
static int SetVoiceKey(const ScriptReader& reader, const std::string& key, const std::string& value,
                       NoteVoice* voice) {
  if (key == "wave") {
    if (value == "sine") voice->wave = WAVE_SINE;
    else if (value == "tri") voice->wave = WAVE_TRIANGLE;
    else if (value == "pulse") voice->wave = WAVE_PULSE;
    else if (value == "saw") voice->wave = WAVE_SAW;
    else if (value == "noise") voice->wave = WAVE_NOISE;
    else return Complain(reader, "unknown wave: " + value);
    return 1;
  }
  if (key == "env") return ParseEnvelope(reader, value, &voice->envelope);
  if (key == "shape") {
    if (value != "lin" && value != "sq") return Complain(reader, "shape is lin or sq");
    voice->squaredEnvelope = value == "sq";
    return 1;
  }
  if (key == "to") {
    voice->hasTarget = 1;
    return ParsePitch(value, &voice->targetCents) ? 1 : Complain(reader, "bad pitch: " + value);
  }
  if (key == "vibrate") {
    return ParseScaled(value, 100, &voice->vibratoHundredthsHz) ? 1
                                                                 : Complain(reader, "bad rate: " + value);
  }
  struct { const char* name; int* field; int percent; } numbers[] = {
      {"duty", &voice->duty, 1},         {"vol", &voice->volume, 0},
      {"bend", &voice->bendCents, 0},    {"glide", &voice->glideSamples, 0},
      {"lp", &voice->lowPass, 1},        {"lpto", &voice->lowPassEnd, 1},
      {"hp", &voice->highPass, 1},       {"vib", &voice->vibratoCents, 0},
      {"vibdelay", &voice->vibratoDelay, 0},
  };
  for (auto& number : numbers) {
    if (key != number.name) continue;
    int ok = number.percent ? ParsePercent(value, number.field) : ParseInteger(value, number.field);
    if (key == "bend") voice->hasTarget = 0;
    return ok ? 1 : Complain(reader, "bad value for " + key + ": " + value);
  }
  if (key == "seed") {
    int seed = 0;
    if (!ParseInteger(value, &seed) || seed <= 0) return Complain(reader, "seed must be positive");
    voice->seed = (unsigned)seed;
    return 1;
  }
  return -1;
}

static NoteVoice DefaultVoice() {
  NoteVoice voice = {};
  voice.wave = WAVE_SINE;
  voice.duty = 50;
  voice.volume = 60;
  voice.lowPass = 100;
  voice.lowPassEnd = -1;
  return voice;
}

// Splits "key=value" words from the given one on; words without "=" are
// returned in order in plain.
static void SplitWords(const std::vector<std::string>& words, size_t from,
                       std::vector<std::pair<std::string, std::string>>* settings,
                       std::vector<std::string>* plain) {
  for (size_t i = from; i < words.size(); i++) {
    size_t equals = words[i].find('=');
    if (equals == std::string::npos) plain->push_back(words[i]);
    else settings->push_back({words[i].substr(0, equals), words[i].substr(equals + 1)});
  }
}

// Builds the voice of a note or instrument line: a named instrument first,
// then the line's own voice keys. Other keys go to the caller in rest.
static int BuildVoice(ScriptReader& reader, const std::vector<std::string>& plain,
                      const std::vector<std::pair<std::string, std::string>>& settings,
                      NoteVoice* voice, std::map<std::string, std::string>* rest) {
  *voice = DefaultVoice();
  if (!plain.empty()) {
    auto found = reader.instruments.find(plain[0]);
    if (found == reader.instruments.end()) return Complain(reader, "unknown instrument: " + plain[0]);
    *voice = found->second;
  }
  for (auto& setting : settings) {
    int result = SetVoiceKey(reader, setting.first, setting.second, voice);
    if (result == 0) return 0;
    if (result < 0) (*rest)[setting.first] = setting.second;
  }
  return 1;
}

static int TakeTime(ScriptReader& reader, std::map<std::string, std::string>* rest, const char* key,
                    int fallback, int* value) {
  auto found = rest->find(key);
  if (found == rest->end()) {
    if (fallback < 0) return Complain(reader, std::string("missing ") + key + "=");
    *value = fallback;
    return 1;
  }
  if (!ParseScaled(found->second, reader.unit, value))
    return Complain(reader, std::string("bad time for ") + key + ": " + found->second);
  rest->erase(found);
  return 1;
}

static int AddNote(ScriptReader& reader, SoundScript* script, const NoteVoice& voice, int start,
                   int length, int cents) {
  if (length <= 0) return Complain(reader, "a note needs a length");
  if (start >= script->length) return Complain(reader, "note starts after the end of the sound");
  script->notes.push_back({voice, start, length, cents});
  return 1;
}

static int ReadNoteLine(ScriptReader& reader, const std::vector<std::string>& words, SoundScript* script) {
  std::vector<std::pair<std::string, std::string>> settings;
  std::vector<std::string> plain;
  std::map<std::string, std::string> rest;
  NoteVoice voice;
  SplitWords(words, 1, &settings, &plain);
  if (plain.size() > 1) return Complain(reader, "unexpected word: " + plain[1]);
  if (!BuildVoice(reader, plain, settings, &voice, &rest)) return 0;
  int start = 0, length = 0, cents = 0;
  if (!TakeTime(reader, &rest, "at", -1, &start) || !TakeTime(reader, &rest, "len", -1, &length)) return 0;
  auto pitch = rest.find("pitch");
  if (pitch == rest.end()) return Complain(reader, "missing pitch=");
  if (!ParsePitch(pitch->second, &cents)) return Complain(reader, "bad pitch: " + pitch->second);
  rest.erase(pitch);
  if (!rest.empty()) return Complain(reader, "unknown key: " + rest.begin()->first);
  return AddNote(reader, script, voice, start, length, cents);
}

// seq [instrument] at=T step=T len=T keys... : tokens
// Each token takes one step: a pitch or chord ("C5+E5+G5") starts notes of
// length len (one step unless given), "-" lengthens the notes of the token
// before by a step, "." is a rest.
static int ReadSequenceLine(ScriptReader& reader, const std::vector<std::string>& words,
                            SoundScript* script) {
  size_t colon = 1;
  while (colon < words.size() && words[colon] != ":") colon++;
  if (colon == words.size()) return Complain(reader, "seq needs ':' before its steps");
  std::vector<std::string> head(words.begin(), words.begin() + colon);
  std::vector<std::pair<std::string, std::string>> settings;
  std::vector<std::string> plain;
  std::map<std::string, std::string> rest;
  NoteVoice voice;
  SplitWords(head, 1, &settings, &plain);
  if (plain.size() > 1) return Complain(reader, "unexpected word: " + plain[1]);
  if (!BuildVoice(reader, plain, settings, &voice, &rest)) return 0;
  int start = 0, step = 0, length = 0;
  if (!TakeTime(reader, &rest, "at", 0, &start) || !TakeTime(reader, &rest, "step", reader.unit, &step))
    return 0;
  if (step <= 0) return Complain(reader, "step must be positive");
  if (!TakeTime(reader, &rest, "len", step, &length)) return 0;
  if (!rest.empty()) return Complain(reader, "unknown key: " + rest.begin()->first);

  size_t firstOfToken = script->notes.size(), endOfToken = script->notes.size();
  int time = start;
  for (size_t i = colon + 1; i < words.size(); i++, time += step) {
    const std::string& token = words[i];
    if (token == "-") {
      for (size_t n = firstOfToken; n < endOfToken; n++) script->notes[n].length += step;
      continue;
    }
    firstOfToken = endOfToken = script->notes.size();
    if (token == ".") continue;
    std::stringstream chord(token);
    std::string pitch;
    while (std::getline(chord, pitch, '+')) {
      int cents = 0;
      if (!ParsePitch(pitch, &cents)) return Complain(reader, "bad pitch: " + pitch);
      if (!AddNote(reader, script, voice, time, length, cents)) return 0;
    }
    endOfToken = script->notes.size();
  }
  return 1;
}

static int ReadInstrumentLine(ScriptReader& reader, const std::vector<std::string>& words) {
  if (words.size() < 2 || words[1].find('=') != std::string::npos)
    return Complain(reader, "instrument needs a name");
  std::vector<std::pair<std::string, std::string>> settings;
  std::vector<std::string> plain;
  std::map<std::string, std::string> rest;
  SplitWords(words, 2, &settings, &plain);
  if (!plain.empty()) return Complain(reader, "unexpected word: " + plain[0]);
  // "like=other" starts from another instrument.
  std::vector<std::string> base;
  std::vector<std::pair<std::string, std::string>> own;
  for (auto& setting : settings) {
    if (setting.first == "like") base.push_back(setting.second);
    else own.push_back(setting);
  }
  NoteVoice voice;
  if (!BuildVoice(reader, base, own, &voice, &rest)) return 0;
  if (!rest.empty()) return Complain(reader, "unknown key: " + rest.begin()->first);
  reader.instruments[words[1]] = voice;
  return 1;
}

int LoadSoundScript(const std::string& path, SoundScript* script) {
  ScriptReader reader;
  reader.path = path;
  reader.line = 0;
  reader.unit = 1;
  *script = SoundScript{};
  script->gain = 100;

  std::ifstream file(path);
  if (!file) {
    std::fprintf(stderr, "%s: cannot read\n", path.c_str());
    return 0;
  }
  std::string text;
  while (std::getline(file, text)) {
    reader.line++;
    // A comment starts with "#" at the start of a word, so "F#4" stays a pitch.
    for (size_t i = 0; i < text.size(); i++) {
      if (text[i] == '#' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t')) {
        text.erase(i);
        break;
      }
    }
    std::stringstream split(text);
    std::vector<std::string> words;
    std::string word;
    while (split >> word) words.push_back(word);
    if (words.empty()) continue;
    const std::string& command = words[0];
    int ok = 1;
    if (command == "name" && words.size() == 2) {
      script->name = words[1];
    } else if (command == "length" && words.size() == 2) {
      ok = ParseInteger(words[1], &script->length) && script->length > 0;
      if (!ok) Complain(reader, "length must be a positive sample count");
      if (ok && !script->notes.empty()) ok = Complain(reader, "length must come before the notes");
    } else if (command == "unit" && words.size() == 2) {
      ok = ParseInteger(words[1], &reader.unit) && reader.unit > 0;
      if (!ok) Complain(reader, "unit must be a positive sample count");
    } else if (command == "loop" && words.size() == 1) {
      script->loop = 1;
    } else if (command == "fade" && words.size() == 3) {
      ok = ParseInteger(words[1], &script->fadeIn) && ParseInteger(words[2], &script->fadeOut) &&
           script->fadeIn >= 0 && script->fadeOut >= 0;
      if (!ok) Complain(reader, "fade takes two sample counts");
    } else if (command == "gain" && words.size() == 2) {
      ok = ParseInteger(words[1], &script->gain) && script->gain > 0 && script->gain <= 400;
      if (!ok) Complain(reader, "gain is a percentage, 1..400");
    } else if (command == "instrument") {
      ok = ReadInstrumentLine(reader, words);
    } else if (command == "note" || command == "seq") {
      if (script->length <= 0) ok = Complain(reader, "length must come before the notes");
      else ok = command == "note" ? ReadNoteLine(reader, words, script)
                                  : ReadSequenceLine(reader, words, script);
    } else {
      ok = Complain(reader, "unknown line: " + command);
    }
    if (!ok) return 0;
  }
  if (script->length <= 0) return Complain(reader, "no length given");
  return 1;
}
