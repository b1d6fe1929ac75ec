// The measuring hooks without a display: nothing is ever shown, so there is
// nothing to log.
#include "platform/window_extra.h"

int StartPresentLog(const char*) { return 0; }
void StopPresentLog() {}
