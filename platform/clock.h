// The millisecond tick and the 1 ms sleep.
//
// Implementations, chosen at link time:
//   clock_real.cpp    – milliseconds since the program started, real sleeps;
//   clock_virtual.cpp – a counter that only PlatformSleep advances, so a
//                       headless run is fast and the same on every machine;
//   clock_web.cpp     – a web page's performance timer; a sleep hands control
//                       back to the browser until a timer resumes the program.
// Ticks are unsigned 32-bit and may wrap; callers compare by unsigned
// difference.
#pragma once
#include <cstdint>

uint32_t PlatformTicks();
void PlatformSleep(uint32_t milliseconds);

// Virtual clock only: set the current tick (tests use it to start near a wrap).
void SetVirtualTicks(uint32_t ticks);
