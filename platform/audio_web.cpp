// The audio device in a web page: a Web Audio context running at 11025
// samples per second (the browser resamples to the hardware) whose script
// processor node pulls blocks of 512 samples (about 46 ms) from the callback.
//
// Browsers start sound only after the user touched the page, so opening
// makes the context and the node at once but the context runs from the first
// key press or click on the page on. Until then nothing is pulled: the mixer's
// sounds wait where they are, as on a device that has not started yet.
//
// The node's callback runs on the page's one thread, and only while the
// program is suspended (a sleep or a message wait), never in the middle of
// the program's own work; so locking needs to do nothing.
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "platform/audio_device.h"

namespace {

constexpr int kDeviceRate = 11025;
constexpr int kDeviceBlock = 512;

AudioFillCallback deviceFill = nullptr;
void* deviceUser = nullptr;
uint8_t* block = nullptr;  // kDeviceBlock samples, handed to the page's node

}  // namespace

// The node's pull: fills `block` with `count` samples.
extern "C" EMSCRIPTEN_KEEPALIVE void ZorritPullAudio(int32_t count) {
  if (!block || count < 0 || count > kDeviceBlock) return;
  if (deviceFill) {
    deviceFill(deviceUser, block, count);
  } else {
    std::memset(block, 128, (size_t)count);
  }
}

struct AudioDevice {};
static AudioDevice openedDevice;

int OpenAudioDevice(AudioFillCallback fill, void* user) {
  if (block || !fill) return 0;
  block = static_cast<uint8_t*>(std::malloc(kDeviceBlock));
  if (!block) return 0;
  std::memset(block, 128, kDeviceBlock);
  deviceFill = fill;
  deviceUser = user;
  const int opened = EM_ASM_INT({
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return 0;
    var context;
    try {
      context = new Context({sampleRate: $1});
    } catch (e) {
      return 0;  // no context at this rate: the game runs silent
    }
    var node = context.createScriptProcessor($2, 0, 1);
    node.onaudioprocess = function(event) {
      var out = event.outputBuffer.getChannelData(0);
      Module._ZorritPullAudio(out.length);
      var samples = HEAPU8.subarray($0, $0 + out.length);
      for (var i = 0; i < out.length; i++) out[i] = (samples[i] - 128) / 128;
      Module.zorritAudioPulled = (Module.zorritAudioPulled || 0) + out.length;
    };
    node.connect(context.destination);
    var start = function() {
      if (context.state !== 'suspended') return;
      context.resume();
    };
    window.addEventListener('keydown', start, true);
    window.addEventListener('mousedown', start, true);
    window.addEventListener('touchstart', start, true);
    Module.zorritAudio = ({context: context, node: node, start: start});
    return 1;
  }, block, kDeviceRate, kDeviceBlock);
  if (!opened) {
    std::free(block);
    block = nullptr;
    deviceFill = nullptr;
    return 0;
  }
  return 1;
}

void CloseAudioDevice() {
  if (!block) return;
  EM_ASM({
    var audio = Module.zorritAudio;
    if (!audio) return;
    audio.node.onaudioprocess = null;
    audio.node.disconnect();
    audio.context.close();
    window.removeEventListener('keydown', audio.start, true);
    window.removeEventListener('mousedown', audio.start, true);
    window.removeEventListener('touchstart', audio.start, true);
    Module.zorritAudio = null;
  });
  std::free(block);
  block = nullptr;
  deviceFill = nullptr;
  deviceUser = nullptr;
}

void LockAudioDevice() {}
void UnlockAudioDevice() {}

AudioDevice* OpenedAudioDevice() { return block ? &openedDevice : nullptr; }

int SetAudioDeviceFill(AudioDevice* device, AudioFillCallback fill, void* user) {
  if (!block || device != &openedDevice) return 0;
  deviceFill = fill;
  deviceUser = user;
  return 1;
}

// Only the capture device can be pulled or switched off.
int PullAudioDevice(uint8_t* out, int32_t count) {
  if (out && count > 0) std::memset(out, 128, (size_t)count);
  return 0;
}
void SetCaptureDeviceAvailable(int) {}
