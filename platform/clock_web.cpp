// The clock in a web page: milliseconds of the page's performance timer since
// the first call, truncated to 32 bits so that it wraps as the frame pacer
// expects. A sleep hands control back to the browser (asyncify) and resumes
// from a timer; browsers round short timers up to a few milliseconds, which
// the frame pacer's grid absorbs.
#include <emscripten.h>

#include "platform/clock.h"

static double clockStart = -1;

uint32_t PlatformTicks() {
  const double now = emscripten_get_now();
  if (clockStart < 0) clockStart = now;
  return (uint32_t)(uint64_t)(now - clockStart);
}

void PlatformSleep(uint32_t milliseconds) { emscripten_sleep(milliseconds); }
