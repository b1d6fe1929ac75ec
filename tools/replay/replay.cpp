// The replay run: start-up on the headless platform, the frame observer that
// records each frame and feeds the script's keys, and the outputs.
#include "tools/replay/replay.h"

#include <cstdio>
#include <cstring>

#include "game/game_world.h"
#include "graphics/display.h"
#include "graphics/draw.h"
#include "input/keys.h"
#include "platform/audio_device.h"
#include "platform/window.h"
#include "shell/app_strings.h"
#include "shell/frame_pacing.h"
#include "shell/window_proc.h"
#include "sound/cues.h"
#include "sound/sound_table.h"
#include "tools/replay/replay_output.h"

enum : int32_t {
  kScreenWidth = 320,
  kScreenHeight = 240,
  kMaxEffectsPerFrame = 64,
  kTraceLineSize = 2048,
  kMaxSamplesPerFrame = 256,  // 220 or 221 are pulled per frame
};

// Everything one run needs, process-wide like the game's own records.
static struct {
  const ReplayOptions* options;
  const ReplayScript* script;
  uint32_t lastFrame;         // the run ends after this frame
  uint32_t framesRun;         // WaitFrame calls so far
  size_t nextStep;            // first script step not yet applied
  uint32_t heldKeys;          // REPLAY_* bits currently held
  uint32_t lastStepModeCount;
  std::FILE* trace;
  WaveWriter wave;
  uint64_t samplesPulled;
  int32_t shotTaken[kReplayMaxShots];
  int32_t writeFailed;        // a shot could not be written
  char failedPath[kReplayPathSize];
} run;

static void PostKey(uint32_t message, uint32_t code) { PostPlatformMessage({message, code, 0}); }

// Posts the key messages (and the menu command) that make the script's step
// for `frame` true when that frame begins.
static void ApplyStepsFor(uint32_t frame) {
  const std::vector<ReplayStep>& steps = run.script->steps;
  if (run.nextStep >= steps.size() || steps[run.nextStep].frame != frame) return;
  const ReplayStep& step = steps[run.nextStep++];
  for (int32_t i = 0; i < kReplayKeyCount; i++) {
    uint32_t bit = 1u << i;
    if ((run.heldKeys & bit) && !(step.keys & bit)) PostKey(WM_KEYUP, ReplayKeyCode(i));
  }
  for (int32_t i = 0; i < kReplayKeyCount; i++) {
    uint32_t bit = 1u << i;
    if (!(run.heldKeys & bit) && (step.keys & bit)) PostKey(WM_KEYDOWN, ReplayKeyCode(i));
  }
  run.heldKeys = step.keys;
  if (step.reset) PostPlatformMessage({WM_COMMAND, IDM_RESET, 0});
}

static void WriteTraceLine(uint32_t frame, const int32_t* effects, int32_t effectCount) {
  char line[kTraceLineSize];
  const GameWorld& w = world;
  int n = std::snprintf(
      line, sizeof line,
      "{\"frame\":%u,\"mode\":%d,\"timer\":%d,\"creatureX\":%d,\"creatureY\":%d,"
      "\"creatureVx\":%d,\"creatureVy\":%d,\"ballX\":%d,\"ballY\":%d,\"ballVx\":%d,"
      "\"ballVy\":%d,\"score\":%d,\"bestScore\":%d,\"hazardPeriod\":%d,"
      "\"hazardA\":[%d,%d],\"hazardB\":[%d,%d],\"wipeCount\":%d,\"sparkleFrame\":%d,"
      "\"effects\":[",
      frame, w.mode, w.timer, w.creatureX, w.creatureY, w.creatureVx, w.creatureVy, w.ballX,
      w.ballY, w.ballVx, w.ballVy, w.score, w.bestScore, w.hazardPeriod,
      w.sprites[SPRITE_HAZARD_A].x, w.sprites[SPRITE_HAZARD_A].y, w.sprites[SPRITE_HAZARD_B].x,
      w.sprites[SPRITE_HAZARD_B].y, w.wipeCount, w.sparkleFrame);
  for (int32_t i = 0; i < effectCount; i++)
    n += std::snprintf(line + n, sizeof line - n, i ? ",%d" : "%d", effects[i]);
  n += std::snprintf(line + n, sizeof line - n, "],\"music\":[%d,%d]", musicState.active,
                     musicState.index);
  if (run.options->pictureHash)
    n += std::snprintf(line + n, sizeof line - n, ",\"picture\":\"%016llx\"",
                       (unsigned long long)HashSurface(displayState.back));
  n += std::snprintf(line + n, sizeof line - n, "}\n");
  std::fwrite(line, 1, (size_t)n, run.trace);
}

// Called at the start of every WaitFrame: frame `frame` is complete (its
// picture is on the back surface, about to be presented).
static void ObserveFrame(uint32_t frame) {
  run.framesRun = frame;
  int32_t effects[kMaxEffectsPerFrame];
  int32_t effectCount = TakeEffectLog(effects, kMaxEffectsPerFrame);
  if (effectCount > kMaxEffectsPerFrame) effectCount = kMaxEffectsPerFrame;
  if (stepModeCount != run.lastStepModeCount) {
    run.lastStepModeCount = stepModeCount;
    if (run.trace) WriteTraceLine(frame, effects, effectCount);
  }
  for (int32_t i = 0; i < run.options->shotCount; i++) {
    const ReplayShot& shot = run.options->shots[i];
    if (shot.frame != frame) continue;
    run.shotTaken[i] = 1;
    if (!WriteSurfacePng(displayState.back, shot.path) && !run.writeFailed) {
      run.writeFailed = 1;
      std::snprintf(run.failedPath, sizeof run.failedPath, "%s", shot.path);
    }
  }
  if (run.wave.file) {
    // round(frame * 220.5) samples in all by the end of this frame.
    uint64_t due = ((uint64_t)frame * 441 + 1) / 2;
    uint8_t samples[kMaxSamplesPerFrame];
    int32_t count = (int32_t)(due - run.samplesPulled);
    PullAudioDevice(samples, count);
    WriteWaveSamples(&run.wave, samples, count);
    run.samplesPulled = due;
  }
  if (frame >= run.lastFrame) {
    PostQuitMessage();
    return;
  }
  ApplyStepsFor(frame + 1);
}

// The program's start-up without a display: the headless window and the
// capture audio device stand in for the real ones; no logo, no joystick.
static PlatformWindow* StartHeadlessGame(char* error, size_t errorSize) {
  PlatformWindow* window = CreatePlatformWindow(kGameTitle, kScreenWidth, kScreenHeight);
  if (!window) {
    std::snprintf(error, errorSize, "cannot make the headless window");
    return nullptr;
  }
  ClearKeys();
  if (!OpenDisplay(window, nullptr)) {
    std::snprintf(error, errorSize, "cannot open the display");
    DestroyPlatformWindow(window);
    return nullptr;
  }
  if (!CreateScreen(window, kScreenWidth, kScreenHeight, 1)) {
    std::snprintf(error, errorSize, "cannot make the back surface");
    CloseDisplay(window);
    DestroyPlatformWindow(window);
    return nullptr;
  }
  SetClientOffset(0, 0);
  SetTextFont(nullptr, 6, 12);
  OpenSound(window);
  SetMessageTarget(window, MainWindowProc);
  SendWindowMessage(WM_CREATE, 0, 0);
  return window;
}

static void StopHeadlessGame(PlatformWindow* window) {
  SetFrameObserver(nullptr);
  SetMessageTarget(nullptr, nullptr);
  ReleaseTextFont();
  CloseDisplay(window);
  CloseSound();
  DestroyPlatformWindow(window);
  ClearPlatformMessages();
}

int RunReplay(const ReplayOptions& options, const ReplayScript& script, uint32_t* frameCount,
              char* error, size_t errorSize) {
  std::memset(&run, 0, sizeof run);
  run.options = &options;
  run.script = &script;
  run.lastFrame = options.frames;
  if (!run.lastFrame && !script.steps.empty()) run.lastFrame = script.steps.back().frame;
  if (!run.lastFrame) {
    std::snprintf(error, errorSize, "nothing ends the run: give --frames N");
    return 2;
  }
  if (options.tracePath[0] && !(run.trace = std::fopen(options.tracePath, "w"))) {
    std::snprintf(error, errorSize, "cannot write the trace %s", options.tracePath);
    return 2;
  }
  if (options.audioPath[0] && !OpenWaveWriter(&run.wave, options.audioPath)) {
    if (run.trace) std::fclose(run.trace);
    std::snprintf(error, errorSize, "cannot write the sound file %s", options.audioPath);
    return 2;
  }

  int status = 0;
  PlatformWindow* window = StartHeadlessGame(error, errorSize);
  if (!window) {
    status = 1;
  } else {
    SetFrameObserver(ObserveFrame);
    ApplyStepsFor(1);
    if (!RunGame(window)) {
      std::snprintf(error, errorSize, "the game could not load its bitmaps and sounds");
      status = 1;
    }
    StopHeadlessGame(window);
  }
  if (frameCount) *frameCount = run.framesRun;

  if (run.trace) {
    int failed = std::ferror(run.trace);
    if (std::fclose(run.trace) != 0 || failed) {
      if (!status) std::snprintf(error, errorSize, "writing the trace %s failed", options.tracePath);
      status = 1;
    }
  }
  if (run.wave.file && !CloseWaveWriter(&run.wave)) {
    if (!status) std::snprintf(error, errorSize, "writing the sound file %s failed", options.audioPath);
    status = 1;
  }
  if (!status && run.writeFailed) {
    std::snprintf(error, errorSize, "cannot write the picture %s", run.failedPath);
    status = 1;
  }
  for (int32_t i = 0; !status && i < options.shotCount; i++) {
    if (run.shotTaken[i]) continue;
    std::snprintf(error, errorSize, "no picture for %s: the run ended after frame %u",
                  options.shots[i].path, run.framesRun);
    status = 1;
  }
  return status;
}

int ReplayMain(int argc, char** argv) {
  char error[1536];
  ReplayOptions* options = new ReplayOptions();
  ReplayScript script;
  int status = 0;
  if (!ParseReplayArguments(argc, argv, options, error, sizeof error)) {
    std::fprintf(stderr,
                 "zorrit-replay: %s\n"
                 "usage: zorrit-replay [--input FILE] [--frames N] [--trace FILE "
                 "[--picture-hash]] [--shot N:FILE.png]... [--audio FILE.wav]\n",
                 error);
    status = 2;
  } else if (options->inputPath[0] &&
             !LoadReplayScript(options->inputPath, &script, error, sizeof error)) {
    std::fprintf(stderr, "zorrit-replay: %s\n", error);
    status = 2;
  } else {
    status = RunReplay(*options, script, nullptr, error, sizeof error);
    if (status) std::fprintf(stderr, "zorrit-replay: %s\n", error);
  }
  delete options;
  return status;
}
