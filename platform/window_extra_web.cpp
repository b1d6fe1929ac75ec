// The measuring hooks in a web page: the page writes no files, so there is no
// present log (the browser's own performance tools measure a page).
#include "platform/window_extra.h"

int StartPresentLog(const char*) { return 0; }
void StopPresentLog() {}
