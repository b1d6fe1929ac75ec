// Message boxes on the desktop: the reason goes to standard error, and where
// a display can be reached the text is also shown in SDL's modal box with an
// OK button. Without a display (the usual reason start-up fails) the box
// cannot appear, and standard error is all the user gets. On X11, SDL shows
// the box from a forked child process, which inherits open descriptors.
#include <SDL.h>


#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text, const char* detail) {
  ReportError(caption, text, detail);
  caption = caption ? caption : "";
  text = text ? text : "";
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr);
}

const char* PlatformErrorText() { return SDL_GetError(); }

void ClearPlatformError() { SDL_ClearError(); }
