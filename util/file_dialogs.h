// The desktop's Open and Save As dialogs, run as the file chooser program
// installed on the machine: kdialog on a KDE desktop when present, else
// zenity, else kdialog; with none of them every call answers as a cancelled
// dialog does. The call blocks until the dialog is closed.
//
// file: 260 characters. On entry it holds the name the dialog starts with
// ("" for none; a relative name is taken in the initial folder); on success
// it holds the chosen path (at most 259 characters).
// filter: a list of pairs "description\0patterns\0", patterns separated by
// ';' ("*.*" meaning every file), ended by an extra "\0"; null for none.
// defaultExtension: without the dot; appended to a saved name whose last
// component has no extension. null or "" for none.
// owner is the window the dialog belongs to; the chooser programs are not
// tied to it.
#pragma once

struct PlatformWindow;

// A file that exists. 1 when one was chosen, else 0 (cancelled, no chooser,
// or a path of 260 characters or more).
int ChooseOpenFile(PlatformWindow* owner, char* file, const char* initialFolder, const char* title,
                   const char* defaultExtension, const char* filter);
// A file name to save under; the chooser asks before an existing file is
// replaced. 1 when one was chosen, else 0.
int ChooseSaveFile(PlatformWindow* owner, char* file, const char* title,
                   const char* defaultExtension, const char* filter);
