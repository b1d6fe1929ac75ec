// The first attached joystick through SDL's joystick subsystem.
//
// The subsystem is started by the first OpenPlatformJoystick and stopped by
// ClosePlatformJoystick; in between, joysticks plugged in are noticed (by an
// event watch and by the device count) and reported once by
// PlatformJoystickAttached, so the input layer can open a re-plugged pad.
// Joystick input keeps arriving while the window is in the background.
#include <SDL.h>

#include "platform/joystick.h"

static SDL_Joystick* joystick = nullptr;
static int subsystemUp = 0;
static int attachNotice = 0;
static int knownCount = 0;

// Runs on the thread that pushes the event: the joystick update, which is
// ours (the event pump or the calls below).
static int SDLCALL WatchJoystickEvents(void* userdata, SDL_Event* event) {
  if (event->type == SDL_JOYDEVICEADDED) attachNotice = 1;
  return 1;
}

static void CloseDevice() {
  if (joystick) SDL_JoystickClose(joystick);
  joystick = nullptr;
}

int OpenPlatformJoystick() {
  if (!subsystemUp) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return 0;
    // Added after the start, so the joysticks already present do not count
    // as newly attached.
    SDL_AddEventWatch(WatchJoystickEvents, nullptr);
    subsystemUp = 1;
    attachNotice = 0;
  }
  CloseDevice();
  int count = SDL_NumJoysticks();
  knownCount = count > 0 ? count : 0;
  for (int i = 0; i < count && !joystick; ++i) joystick = SDL_JoystickOpen(i);
  return joystick ? 1 : 0;
}

void ClosePlatformJoystick() {
  CloseDevice();
  if (subsystemUp) {
    SDL_DelEventWatch(WatchJoystickEvents, nullptr);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
  }
  subsystemUp = 0;
  attachNotice = 0;
  knownCount = 0;
}

int ReadPlatformJoystick(PlatformJoystickReading* reading) {
  if (!joystick) return 0;
  // The window's event pump updates joysticks too; updating here as well
  // keeps the reading fresh right after opening and when nobody pumps.
  SDL_JoystickUpdate();
  if (!SDL_JoystickGetAttached(joystick)) {
    CloseDevice();
    return 0;
  }
  reading->x = (int32_t)SDL_JoystickGetAxis(joystick, 0) + 32768;
  reading->y = (int32_t)SDL_JoystickGetAxis(joystick, 1) + 32768;
  reading->buttons = 0;
  int buttons = SDL_JoystickNumButtons(joystick);
  if (buttons > 32) buttons = 32;
  for (int i = 0; i < buttons; ++i) {
    if (SDL_JoystickGetButton(joystick, i)) reading->buttons |= (uint32_t)1 << i;
  }
  Uint8 hat = SDL_JoystickNumHats(joystick) > 0 ? SDL_JoystickGetHat(joystick, 0) : SDL_HAT_CENTERED;
  reading->hatLeft = (hat & SDL_HAT_LEFT) ? 1 : 0;
  reading->hatRight = (hat & SDL_HAT_RIGHT) ? 1 : 0;
  reading->hatUp = (hat & SDL_HAT_UP) ? 1 : 0;
  reading->hatDown = (hat & SDL_HAT_DOWN) ? 1 : 0;
  return 1;
}

int PlatformJoystickAttached() {
  if (!subsystemUp) return 0;
  SDL_JoystickUpdate();  // also runs device detection
  int count = SDL_NumJoysticks();
  if (count < 0) count = 0;
  int notice = attachNotice || count > knownCount;
  knownCount = count;
  attachNotice = 0;
  return notice;
}
