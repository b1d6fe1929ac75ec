// Message boxes in a web page: the line goes to the console (standard error)
// and the box's text into the page's #message element, where one exists; the
// page cannot wait for a dismissal without freezing, so it returns at once.
#include <emscripten.h>

#include <cstdio>

#include "platform/dialogs.h"

void ReportError(const char* caption, const char* text) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
}

void ShowErrorBox(const char* caption, const char* text, const char* detail) {
  caption = caption ? caption : "";
  text = text ? text : "";
  if (detail && *detail)
    std::fprintf(stderr, "%s: %s (%s)\n", caption, text, detail);
  else
    ReportError(caption, text);
  EM_ASM({
    var line = document.getElementById('message');
    if (line) line.textContent = UTF8ToString($0) + ': ' + UTF8ToString($1);
  }, caption, text);
}

// The page's platform keeps no error text of its own.
const char* PlatformErrorText() { return ""; }

void ClearPlatformError() {}
