// Message boxes without a display: the line goes to standard error only, and
// the call returns at once as if the user had pressed OK. Nothing here fails
// on its own account, so the platform's error text is always "".
#include "platform/dialogs.h"

void ShowErrorBox(const char* caption, const char* text, const char* detail) {
  ReportError(caption, text, detail);
}

const char* PlatformErrorText() { return ""; }

void ClearPlatformError() {}
