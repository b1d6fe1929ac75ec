// Message boxes without a display: the text goes to standard error only, and
// the call returns at once as if the user had pressed OK.
#include <cstdio>

#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}
