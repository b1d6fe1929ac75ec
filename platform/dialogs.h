// Message boxes.
//
// ShowErrorBox writes the text to standard error and, where a display is
// available (window_sdl build), also shows it in a modal box with the given
// caption and an OK button, returning when the user dismissed it. In a web
// page (dialogs_web.cpp) the text goes into the page's #message line.
#pragma once

void ShowErrorBox(const char* caption, const char* text);
