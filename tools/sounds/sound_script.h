// A sound script: the note list of one sound, read from a text file.
// The format is described in resources/sounds/src/README.md.
#pragma once

#include <string>
#include <vector>

enum WaveShape { WAVE_SINE, WAVE_TRIANGLE, WAVE_PULSE, WAVE_SAW, WAVE_NOISE };

const int MAX_ENVELOPE_POINTS = 12;

// Envelope corner points; a time is in samples, or in hundredths of a
// percent of the note length when timeIsShare is set. Levels are percent.
struct Envelope {
  int count;
  int time[MAX_ENVELOPE_POINTS];
  int timeIsShare[MAX_ENVELOPE_POINTS];
  int level[MAX_ENVELOPE_POINTS];
};

// Everything that shapes a note apart from its place and pitch.
// An instrument is a named set of these that notes start from.
struct NoteVoice {
  WaveShape wave;
  int duty;          // pulse duty in percent
  int volume;        // peak in 8-bit sample steps
  Envelope envelope;
  int squaredEnvelope;  // 1: the envelope level is squared, an exponential-like decay
  int bendCents;     // glide target relative to the pitch
  int hasTarget;     // 1: glide towards targetCents instead of bendCents
  int targetCents;
  int glideSamples;  // length of the glide; 0 means the whole note
  int lowPass;       // one-pole low-pass coefficient in percent; 100 = open
  int lowPassEnd;    // coefficient reached at the end of the note; -1 = same
  int highPass;      // one-pole high-pass coefficient in percent; 0 = off
  int vibratoCents;
  int vibratoHundredthsHz;
  int vibratoDelay;  // samples before the vibrato starts
  unsigned seed;     // noise generator start; 0 picks one from the note number
};

struct ScriptNote {
  NoteVoice voice;
  int start;       // sample
  int length;      // samples
  int pitchCents;  // 100 per semitone above MIDI key 0
};

struct SoundScript {
  std::string name;
  int length;      // samples
  int loop;        // 1: notes running past the end wrap to the start
  int fadeIn;      // samples
  int fadeOut;     // samples
  int gain;        // percent, applied to the mix
  std::vector<ScriptNote> notes;
};

// Reads a script file. Reports problems on stderr with file and line; returns 1/0.
int LoadSoundScript(const std::string& path, SoundScript* script);

// Converts a note name ("C4", "F#5", "Bb3") or a frequency ("440hz") into
// cents above MIDI key 0. Returns 1/0.
int ParsePitch(const std::string& text, int* cents);
