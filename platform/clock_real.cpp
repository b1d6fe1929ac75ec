// The desktop clock: milliseconds since SDL's timer started (the first call),
// truncated to 32 bits so that it wraps as the frame pacer expects, and real
// sleeps.
#include <SDL.h>

#include "platform/clock.h"

uint32_t PlatformTicks() { return (uint32_t)SDL_GetTicks64(); }

void PlatformSleep(uint32_t milliseconds) { SDL_Delay(milliseconds); }
