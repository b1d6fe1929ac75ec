// Message boxes and start-up failure reports.
//
// Every failed start says why in one line on standard error,
// "<caption>: <text> (<detail>)". ShowErrorBox then, where a display is
// available (desktop build), also shows `text` alone in a modal box with the
// given caption and an OK button, and returns when the user dismissed it.
// The box may be run by a helper process forked from this one: callers
// release anything another process must not keep (the instance lock) first.
// In a web page (dialogs_web.cpp) the text goes into the page's #message line.
#pragma once

// The line on standard error, then the box. `detail` may be null or empty
// (then the line is "<caption>: <text>").
void ShowErrorBox(const char* caption, const char* text, const char* detail);
// The line "<caption>: <text>" (or "<caption>: <text> (<detail>)") on
// standard error only, for failures that show no box (error_report.cpp).
void ReportError(const char* caption, const char* text, const char* detail = nullptr);
// The platform's own account of its last failure (SDL's error text): ""
// when it has none. Valid until the next platform call. ClearPlatformError
// forgets it, so that a failure that follows is not blamed on an old one.
const char* PlatformErrorText();
void ClearPlatformError();
