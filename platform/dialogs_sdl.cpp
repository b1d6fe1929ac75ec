// Message boxes on the desktop: the text goes to standard error, and where a
// display can be reached it is also shown in SDL's modal box with an OK
// button. Without a display (the usual reason start-up fails) the box cannot
// appear, and standard error is all the user gets.
#include <SDL.h>

#include <cstdio>

#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text) {
  caption = caption ? caption : "";
  text = text ? text : "";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}
