// The replay tool: runs the real game (RunGame, GameLoop, the window
// procedure and the message pump) on the headless platform and the virtual
// clock, fed with key presses from a script, and records what it did.
//
// Frame N is the period that ends with the N-th WaitFrame call, pause-overlay
// frames included. A script line "N key key ..." means that from frame N on
// exactly the listed keys are held; its key messages are posted in the pump
// that ends frame N-1 (before the game starts for N = 1), so they reach the
// key table exactly as a player's keys would. The word "reset" chooses the
// menu's Reset once, in the same pump.
//
// Pictures (hashes and shots) are the back surface as frame N hands it to
// Present; for the last frame, which the quit message ends before it is
// presented, the picture it composed.
//
// Everything here runs once per process: the game's records are
// process-wide and a second RunGame in one process would find its surface
// slots taken.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Keys a script can hold, as bits of ReplayStep::keys.
enum : uint32_t {
  REPLAY_LEFT = 0x01,
  REPLAY_RIGHT = 0x02,
  REPLAY_UP = 0x04,
  REPLAY_DOWN = 0x08,
  REPLAY_SPACE = 0x10,
  REPLAY_ESCAPE = 0x20,
  REPLAY_F1 = 0x40,
  REPLAY_F2 = 0x80,
};
inline constexpr int32_t kReplayKeyCount = 8;

struct ReplayStep {
  uint32_t frame;  // 1 or more, increasing from line to line
  uint32_t keys;   // REPLAY_* bits held from this frame on
  int32_t reset;   // 1: choose the menu's Reset before this frame
};

struct ReplayScript {
  std::vector<ReplayStep> steps;
};

inline constexpr int32_t kReplayMaxShots = 64;
inline constexpr int32_t kReplayPathSize = 1024;

struct ReplayShot {
  uint32_t frame;
  char path[kReplayPathSize];
};

struct ReplayOptions {
  char inputPath[kReplayPathSize];  // empty: no script (no keys at all)
  uint32_t frames;                  // 0: the script's last frame
  char tracePath[kReplayPathSize];  // empty: no trace
  int32_t pictureHash;              // 1: the trace carries "picture"
  char audioPath[kReplayPathSize];  // empty: no audio capture
  ReplayShot shots[kReplayMaxShots];
  int32_t shotCount;
};

// Virtual-key code of the key of bit index i (0..7), and the script's name
// for it.
uint32_t ReplayKeyCode(int32_t index);
const char* ReplayKeyName(int32_t index);

// Parses script text. On failure returns 0 with a message ("line 3: unknown
// key 'jump'") in error.
int ParseReplayScript(const char* text, ReplayScript* script, char* error, size_t errorSize);
// Reads and parses the file; the message names the file.
int LoadReplayScript(const char* path, ReplayScript* script, char* error, size_t errorSize);

// Command line: --input FILE, --frames N, --trace FILE, --picture-hash,
// --shot N:FILE.png (repeatable), --audio FILE.wav. 0 with a message on a bad
// argument.
int ParseReplayArguments(int argc, char** argv, ReplayOptions* options, char* error,
                         size_t errorSize);

// Runs the game once. Returns 0 when the run went through and every output
// was written; 2 with a message when an output file cannot be made; 1 with a
// message when the run or a later write failed. frameCount, when not null,
// receives the number of frames run.
int RunReplay(const ReplayOptions& options, const ReplayScript& script, uint32_t* frameCount,
              char* error, size_t errorSize);

// The whole program: exit code 0 on success, 1 when the run failed, 2 for a
// bad argument or an unreadable script.
int ReplayMain(int argc, char** argv);

// 64-bit FNV-1a over `size` bytes, continuing from `hash` (start with
// kFnvOffsetBasis).
inline constexpr uint64_t kFnvOffsetBasis = 0xcbf29ce484222325ull;
uint64_t Fnv1a64(uint64_t hash, const uint8_t* bytes, size_t size);
