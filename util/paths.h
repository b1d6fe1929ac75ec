// Path helpers. Paths are narrow strings of at most 259 characters plus the
// terminator: every destination here holds kPathCapacity characters.
#pragma once
#include <cstdint>

inline constexpr int32_t kPathCapacity = 260;

// Formats like printf into destination, then squeezes doubled separators:
// of every pair "\\" or "//" (taken left to right) the second is dropped, so
// a run of n equal separators keeps ceil(n/2); "\/" and "/\" stay. 1; 0 with
// destination unchanged when the formatted text is 260 characters or more.
int FormatPath(char* destination, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Replaces each of \ / : , ; * ? " < > | by 'x', in place, byte by byte.
void SanitizeFileName(char* name);

// The user's desktop folder: XDG_DESKTOP_DIR from the user-dirs.dirs file of
// the configuration folder ($XDG_CONFIG_HOME, else ~/.config), else
// ~/Desktop; the folder need not exist. destination becomes "" when the home
// folder is unknown or the path would not fit.
void GetDesktopFolder(char* destination);

// 1 when path names an existing folder.
int IsDirectory(const char* path);
