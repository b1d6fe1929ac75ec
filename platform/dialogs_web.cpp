// Message boxes in a web page: the line goes to the console (standard error)
// and the box's text into the page's #message element, where one exists; the
// page cannot wait for a dismissal without freezing, so it returns at once.
#include <emscripten.h>


#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text, const char* detail) {
  ReportError(caption, text, detail);
  caption = caption ? caption : "";
  text = text ? text : "";
  EM_ASM({
    var line = document.getElementById('message');
    if (line) line.textContent = UTF8ToString($0) + ': ' + UTF8ToString($1);
  }, caption, text);
}

// The page's platform keeps no error text of its own.
const char* PlatformErrorText() { return ""; }

void ClearPlatformError() {}
