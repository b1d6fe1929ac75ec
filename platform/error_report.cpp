// The one-line failure report on standard error, the same in every variant.
#include <cstdio>

#include "platform/dialogs.h"

void ReportError(const char* caption, const char* text, const char* detail) {
  caption = caption ? caption : "";
  text = text ? text : "";
  if (detail && *detail)
    std::fprintf(stderr, "%s: %s (%s)\n", caption, text, detail);
  else
    std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
}
