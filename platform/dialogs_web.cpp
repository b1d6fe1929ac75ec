// Message boxes in a web page: the text goes to the console (standard error)
// and into the page's #message element, where one exists; the page cannot
// wait for a dismissal without freezing, so it returns at once.
#include <emscripten.h>

#include <cstdio>

#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text) {
  caption = caption ? caption : "";
  text = text ? text : "";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  EM_ASM({
    var line = document.getElementById('message');
    if (line) line.textContent = UTF8ToString($0) + ': ' + UTF8ToString($1);
  }, caption, text);
}
