#include "tools/sounds/synth.h"

// 2^(k/12) for k = 0..12 in 16.16 fixed point.
static const uint64_t semitoneRatio[13] = {65536, 69433, 73562, 77936, 82570, 87480, 92682,
                                           98193, 104032, 110218, 116772, 123715, 131072};

// Phase increment of MIDI key 0 (8.1758 Hz) at 11025 Hz, times 2^8.
static const uint64_t keyZeroIncrementQ8 = 815363807;

uint32_t PhaseIncrement(int cents) {
  if (cents < 0) cents = 0;
  int octave = cents / 1200;
  int within = cents % 1200;
  int semitone = within / 100;
  int fraction = within % 100;
  uint64_t ratio = semitoneRatio[semitone] +
                   (semitoneRatio[semitone + 1] - semitoneRatio[semitone]) * fraction / 100;
  if (octave > 12) return 0xFFFFFFFFu;  // far above the sample rate anyway
  uint64_t increment = ((keyZeroIncrementQ8 * ratio) << octave) >> 24;
  if (increment > 0xFFFFFFFFu) return 0xFFFFFFFFu;
  return (uint32_t)increment;
}

// Sine of a phase (full cycle 2^32) in Q15: a parabola with one correction
// step, within about 0.1 % of the true curve.
static int SineQ15(uint32_t phase) {
  int32_t s = (int32_t)(phase >> 16) - 32768;  // angle - pi, in [-1, 1)
  int32_t magnitude = s < 0 ? -s : s;
  int32_t y = (int32_t)(((int64_t)s * (32768 - magnitude)) >> 13);
  int32_t yMagnitude = y < 0 ? -y : y;
  int32_t correction = (int32_t)(((int64_t)y * yMagnitude) >> 15) - y;
  y += (int32_t)(((int64_t)correction * 7373) >> 15);
  return -y;  // sin(angle) = -sin(angle - pi)
}

// Triangle starting at 0 and rising, like the sine.
static int TriangleQ15(uint32_t phase) {
  int32_t q = (int32_t)((phase + 0x40000000u) >> 16);
  return q < 32768 ? q * 2 - 32768 : 98303 - q * 2;
}

// Polynomial band-limited step residual, Q15, for a position t and step dt
// given as fractions of a cycle in Q16.
static int StepResidualQ15(int64_t t, int64_t dt) {
  if (dt <= 0) return 0;
  if (t < dt) {
    int64_t x = (t << 15) / dt;
    return (int)(2 * x - ((x * x) >> 15) - 32768);
  }
  if (t > 65536 - dt) {
    int64_t x = ((t - 65536) << 15) / dt;
    return (int)(((x * x) >> 15) + 2 * x + 32768);
  }
  return 0;
}

// Pulse of the given duty with its mean removed, so a short note has no thump.
static int PulseQ15(uint32_t phase, uint32_t increment, int duty) {
  uint32_t edge = (uint32_t)((uint64_t)duty * 0x100000000ull / 100);
  int64_t t = phase >> 16;
  int64_t dt = increment >> 16;
  int value = phase < edge ? 32767 : -32767;
  value += StepResidualQ15(t, dt);
  value -= StepResidualQ15((uint32_t)(phase - edge) >> 16, dt);
  int mean = (int)(((int64_t)duty * 2 - 100) * 32767 / 100);
  return value - mean;
}

static int SawQ15(uint32_t phase, uint32_t increment) {
  int value = (int)(phase >> 16) - 32768;
  return value - StepResidualQ15(phase >> 16, increment >> 16);
}

// Envelope level at a sample of a note, in Q16 (65536 = 100 %).
static int64_t EnvelopeQ16(const Envelope& envelope, int position, int length) {
  if (envelope.count == 0) return 65536;
  int64_t previousTime = 0, previousLevel = 0;
  for (int i = 0; i < envelope.count; i++) {
    int64_t time = envelope.timeIsShare[i]
                       ? (int64_t)envelope.time[i] * length / 10000
                       : envelope.time[i];
    int64_t level = (int64_t)envelope.level[i] * 65536 / 100;
    if (position < time) {
      if (i == 0) return level;
      return previousLevel + (level - previousLevel) * (position - previousTime) / (time - previousTime);
    }
    previousTime = time;
    previousLevel = level;
  }
  return previousLevel;
}

// Adds one note into the mix (units of 1/256 of a sample step).
static void RenderNote(const ScriptNote& note, int noteNumber, int loop, std::vector<int64_t>* mix) {
  const NoteVoice& v = note.voice;
  int length = (int)mix->size();
  int endCents = v.hasTarget ? v.targetCents : note.pitchCents + v.bendCents;
  int glide = v.glideSamples > 0 ? v.glideSamples : note.length;
  uint32_t vibratoIncrement =
      (uint32_t)((uint64_t)v.vibratoHundredthsHz * 0x100000000ull / (SAMPLE_RATE * 100ull));
  uint32_t phase = 0, vibratoPhase = 0;
  uint32_t noise = v.seed ? v.seed : 0x9E3779B9u * (uint32_t)(noteNumber + 1);
  int noiseValue = 0;
  int64_t lowState = 0, highState = 0;
  int lowEnd = v.lowPassEnd >= 0 ? v.lowPassEnd : v.lowPass;

  for (int i = 0; i < note.length; i++) {
    int position = note.start + i;
    if (position >= length) {
      if (!loop) break;
      position %= length;
    }
    int within = i < glide ? i : glide;
    int cents = note.pitchCents + (int)((int64_t)(endCents - note.pitchCents) * within / glide);
    if (v.vibratoCents && i >= v.vibratoDelay) {
      cents += (int)(((int64_t)v.vibratoCents * TriangleQ15(vibratoPhase)) >> 15);
      vibratoPhase += vibratoIncrement;
    }
    uint32_t increment = PhaseIncrement(cents);

    int64_t sample = 0;
    switch (v.wave) {
      case WAVE_SINE: sample = SineQ15(phase); break;
      case WAVE_TRIANGLE: sample = TriangleQ15(phase); break;
      case WAVE_PULSE: sample = PulseQ15(phase, increment, v.duty); break;
      case WAVE_SAW: sample = SawQ15(phase, increment); break;
      case WAVE_NOISE:
        if (i == 0 || phase + increment < phase) {
          noise = noise * 1103515245u + 12345u;
          noiseValue = (int)(noise >> 16) - 32768;
        }
        sample = noiseValue;
        break;
    }
    phase += increment;

    int64_t lowPercent = v.lowPass + (int64_t)(lowEnd - v.lowPass) * i / note.length;
    lowState += ((sample - lowState) * (lowPercent * 65536 / 100)) >> 16;
    sample = lowState;
    if (v.highPass > 0) {
      highState += ((sample - highState) * (v.highPass * 65536 / 100)) >> 16;
      sample -= highState;
    }

    int64_t level = EnvelopeQ16(v.envelope, i, note.length);
    if (v.squaredEnvelope) level = (level * level) >> 16;
    // Q15 wave x steps x Q16 level -> 1/256 steps.
    (*mix)[position] += (sample * v.volume * level) >> 23;
  }
}

int RenderSound(const SoundScript& script, std::vector<uint8_t>* samples, int* clippedCount) {
  if (script.length <= 0) return 0;
  std::vector<int64_t> mix(script.length, 0);
  for (size_t n = 0; n < script.notes.size(); n++)
    RenderNote(script.notes[n], (int)n, script.loop, &mix);

  samples->assign(script.length, 128);
  int clipped = 0;
  for (int i = 0; i < script.length; i++) {
    int64_t value = mix[i] * script.gain / 100;
    if (script.fadeIn > 0 && i < script.fadeIn) value = value * i / script.fadeIn;
    int fromEnd = script.length - 1 - i;
    if (script.fadeOut > 0 && fromEnd < script.fadeOut) value = value * fromEnd / script.fadeOut;
    int64_t out = 128 + ((value + 128) >> 8);
    if (out < 1) { out = 1; clipped++; }
    if (out > 255) { out = 255; clipped++; }
    (*samples)[i] = (uint8_t)out;
  }
  if (clippedCount) *clippedCount = clipped;
  return 1;
}

static void PutText(std::vector<uint8_t>* image, const char* text) {
  for (int i = 0; i < 4; i++) image->push_back((uint8_t)text[i]);
}

static void PutLittle(std::vector<uint8_t>* image, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; i++) image->push_back((uint8_t)(value >> (8 * i)));
}

std::vector<uint8_t> MakeWaveImage(const std::vector<uint8_t>& samples) {
  uint32_t count = (uint32_t)samples.size();
  std::vector<uint8_t> image;
  image.reserve(58 + count);
  PutText(&image, "RIFF");
  PutLittle(&image, 4 + (8 + 18) + (8 + 4) + (8 + count), 4);
  PutText(&image, "WAVE");
  PutText(&image, "fmt ");
  PutLittle(&image, 18, 4);
  PutLittle(&image, 1, 2);            // PCM
  PutLittle(&image, 1, 2);            // mono
  PutLittle(&image, SAMPLE_RATE, 4);  // samples per second
  PutLittle(&image, SAMPLE_RATE, 4);  // bytes per second
  PutLittle(&image, 1, 2);            // block align
  PutLittle(&image, 8, 2);            // bits per sample
  PutLittle(&image, 0, 2);            // extra format bytes
  PutText(&image, "fact");
  PutLittle(&image, 4, 4);
  PutLittle(&image, count, 4);
  PutText(&image, "data");
  PutLittle(&image, count, 4);
  image.insert(image.end(), samples.begin(), samples.end());
  return image;
}
