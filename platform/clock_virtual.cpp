// The headless clock: a tick counter that nothing but PlatformSleep moves.
//
// A headless run (tests, the replay tool) therefore takes no real time, and
// the frame pacer sees exactly the same ticks on every machine. The counter
// starts at 0 and wraps like the real one.
#include "platform/clock.h"

static uint32_t virtualTicks = 0;

uint32_t PlatformTicks() { return virtualTicks; }

void PlatformSleep(uint32_t milliseconds) { virtualTicks += milliseconds; }

void SetVirtualTicks(uint32_t ticks) { virtualTicks = ticks; }
