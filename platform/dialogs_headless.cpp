// Message boxes without a display: the line goes to standard error only, and
// the call returns at once as if the user had pressed OK. Nothing here fails
// on its own account, so the platform's error text is always "".
#include <cstdio>

#include "platform/dialogs.h"

void ReportError(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

void ShowErrorBox(const char* caption, const char* text, const char* detail) {
  if (detail && *detail)
    std::fprintf(stderr, "%s: %s (%s)\n", caption ? caption : "", text ? text : "", detail);
  else
    ReportError(caption, text);
}

const char* PlatformErrorText() { return ""; }

void ClearPlatformError() {}
