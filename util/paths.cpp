#include "util/paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int FormatPath(char* destination, const char* format, ...) {
  char work[kPathCapacity];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(work, sizeof work, format, args);
  va_end(args);
  if (length < 0 || length >= kPathCapacity) return 0;
  int to = 0;
  for (int from = 0; from <= length; ++from) {
    char c = work[from];
    destination[to++] = c;
    if ((c == '\\' || c == '/') && work[from + 1] == c) ++from;
  }
  return 1;
}

void SanitizeFileName(char* name) {
  static const char kReplaced[] = "\\/:,;*?\"<>|";
  for (char* p = name; *p != '\0'; ++p) {
    if (std::strchr(kReplaced, *p) != nullptr) *p = 'x';
  }
}

int IsDirectory(const char* path) {
  struct stat info;
  if (path == nullptr || stat(path, &info) != 0) return 0;
  return S_ISDIR(info.st_mode) ? 1 : 0;
}

// The home folder, or null.
static const char* HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  struct passwd* entry = getpwuid(getuid());
  if (entry != nullptr && entry->pw_dir != nullptr && entry->pw_dir[0] != '\0') return entry->pw_dir;
  return nullptr;
}

// Reads XDG_DESKTOP_DIR from user-dirs.dirs into destination: 1 when the file
// names it ("$HOME/..." or an absolute path) and the path fits.
static int ReadXdgDesktop(char* destination, const char* home) {
  char file[kPathCapacity];
  const char* config = std::getenv("XDG_CONFIG_HOME");
  int formed = (config != nullptr && config[0] == '/')
                   ? FormatPath(file, "%s/user-dirs.dirs", config)
                   : FormatPath(file, "%s/.config/user-dirs.dirs", home);
  if (!formed) return 0;
  FILE* in = std::fopen(file, "r");
  if (in == nullptr) return 0;
  int found = 0;
  char line[1024];
  while (std::fgets(line, sizeof line, in) != nullptr) {  // the last entry wins, as in a shell
    const char* p = line;
    while (*p == ' ' || *p == '\t') ++p;
    static const char kKey[] = "XDG_DESKTOP_DIR";
    if (std::strncmp(p, kKey, sizeof kKey - 1) != 0) continue;
    p += sizeof kKey - 1;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p++ != '=') continue;
    while (*p == ' ' || *p == '\t') ++p;
    if (*p++ != '"') continue;
    // The value, shell-quoted: backslash takes the next character as it is.
    char value[kPathCapacity];
    int length = 0;
    int closed = 0;
    while (*p != '\0' && *p != '\n') {
      char c = *p++;
      if (c == '"') {
        closed = 1;
        break;
      }
      if (c == '\\' && *p != '\0' && *p != '\n') c = *p++;
      if (length == kPathCapacity - 1) break;
      value[length++] = c;
    }
    value[length] = '\0';
    if (!closed) continue;
    if (std::strncmp(value, "$HOME", 5) == 0 && (value[5] == '/' || value[5] == '\0')) {
      found = FormatPath(destination, "%s%s", home, value + 5) || found;
    } else if (value[0] == '/') {
      found = FormatPath(destination, "%s", value) || found;
    }
  }
  std::fclose(in);
  return found;
}

void GetDesktopFolder(char* destination) {
  char folder[kPathCapacity];
  const char* home = HomeFolder();
  int found = 0;
  if (home != nullptr) {
    found = ReadXdgDesktop(folder, home) || FormatPath(folder, "%s/Desktop", home);
  }
  if (!found) {
    destination[0] = '\0';
    return;
  }
  // No trailing separator, except for the root itself.
  size_t length = std::strlen(folder);
  while (length > 1 && folder[length - 1] == '/') folder[--length] = '\0';
  std::memcpy(destination, folder, length + 1);
}
