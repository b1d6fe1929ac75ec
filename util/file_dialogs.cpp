#include "util/file_dialogs.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "util/paths.h"

namespace {

constexpr int kMaxArguments = 48;
constexpr int kArgumentSpace = 8192;

// The chooser's argument vector, built in one fixed block before the fork.
struct ArgumentList {
  char* argv[kMaxArguments + 1];
  int count;
  char space[kArgumentSpace];
  int used;
  int overflow;
};

void StartArguments(ArgumentList* list) {
  list->count = 0;
  list->used = 0;
  list->overflow = 0;
  list->argv[0] = nullptr;
}

// Appends the concatenation of a and b (either may be null) as one argument.
void AddArgument(ArgumentList* list, const char* a, const char* b = nullptr) {
  size_t la = a ? std::strlen(a) : 0, lb = b ? std::strlen(b) : 0;
  if (list->count == kMaxArguments || (size_t)(kArgumentSpace - list->used) < la + lb + 1) {
    list->overflow = 1;
    return;
  }
  char* at = list->space + list->used;
  if (la) std::memcpy(at, a, la);
  if (lb) std::memcpy(at + la, b, lb);
  at[la + lb] = '\0';
  list->used += (int)(la + lb + 1);
  list->argv[list->count++] = at;
  list->argv[list->count] = nullptr;
}

// Looks for an executable program on PATH; 1 with its path in found.
int FindProgram(const char* name, char* found) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return 0;
  while (true) {
    const char* end = std::strchr(path, ':');
    size_t length = end ? (size_t)(end - path) : std::strlen(path);
    char candidate[kPathCapacity];
    int formed = length == 0 ? FormatPath(candidate, "./%s", name)
                             : FormatPath(candidate, "%.*s/%s", (int)length, path, name);
    struct stat info;
    if (formed && stat(candidate, &info) == 0 && S_ISREG(info.st_mode) &&
        access(candidate, X_OK) == 0) {
      std::memcpy(found, candidate, std::strlen(candidate) + 1);
      return 1;
    }
    if (end == nullptr) return 0;
    path = end + 1;
  }
}

enum Chooser { kNoChooser, kZenity, kKdialog };

Chooser FindChooser(char* program) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  if (desktop != nullptr && std::strstr(desktop, "KDE") != nullptr && FindProgram("kdialog", program)) {
    return kKdialog;
  }
  if (FindProgram("zenity", program)) return kZenity;
  if (FindProgram("kdialog", program)) return kKdialog;
  return kNoChooser;
}

// The patterns "*.txt;*.text" as "*.txt *.text", "*.*" as "*" (every file),
// cut to fit out (limit characters with the terminator).
void CopyPatterns(char* out, size_t limit, const char* patterns) {
  size_t o = 0;
  const char* p = patterns;
  while (true) {
    const char* end = std::strchr(p, ';');
    size_t n = end ? (size_t)(end - p) : std::strlen(p);
    while (n > 0 && *p == ' ') ++p, --n;
    if (n == 3 && std::strncmp(p, "*.*", 3) == 0) n = 1;
    if (n > 0 && o + 1 + n < limit) {
      if (o > 0) out[o++] = ' ';
      for (size_t i = 0; i < n; ++i) out[o++] = (p[i] == '|' || p[i] == '\n') ? ' ' : p[i];
    }
    if (end == nullptr) break;
    p = end + 1;
  }
  out[o] = '\0';
}

// The description, without the characters the choosers use as separators.
void CopyDescription(char* out, size_t limit, const char* description) {
  size_t o = 0;
  for (const char* p = description; *p != '\0' && o + 1 < limit; ++p) {
    out[o++] = (*p == '|' || *p == '\n') ? ' ' : *p;
  }
  out[o] = '\0';
}

// Adds the filter list in the chooser's own syntax: one argument per filter
// for zenity ("name | *.a *.b"), one list argument for kdialog ("*.a *.b|name"
// lines).
void AddFilters(ArgumentList* list, Chooser chooser, const char* filter) {
  char kdialogFilter[2048];
  size_t k = 0;
  for (const char* p = filter; p != nullptr && *p != '\0';) {
    const char* description = p;
    const char* patterns = description + std::strlen(description) + 1;
    if (*patterns == '\0') break;
    char name[512], pattern[512];
    CopyDescription(name, sizeof name, description);
    CopyPatterns(pattern, sizeof pattern, patterns);
    if (chooser == kZenity) {
      char argument[1100];
      std::snprintf(argument, sizeof argument, "--file-filter=%s | %s", name, pattern);
      AddArgument(list, argument);
    } else {
      int n = std::snprintf(kdialogFilter + k, sizeof kdialogFilter - k, "%s%s|%s",
                            k > 0 ? "\n" : "", pattern, name);
      if (n > 0 && (size_t)n < sizeof kdialogFilter - k) k += (size_t)n;
    }
    p = patterns + std::strlen(patterns) + 1;
  }
  if (chooser == kKdialog && k > 0) AddArgument(list, kdialogFilter);
}

// Runs the chooser and reads the path it prints. 1 with the path (at most
// 259 characters, newline removed) when it exited with status 0.
int RunChooser(const char* program, ArgumentList* list, char* chosen) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return 0;
  pid_t child = fork();
  if (child < 0) {
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return 0;
  }
  if (child == 0) {
    int quiet = open("/dev/null", O_RDWR);
    if (quiet >= 0) {
      dup2(quiet, 0);
      dup2(quiet, 2);
    }
    dup2(pipeEnds[1], 1);
    execv(program, list->argv);
    _exit(127);
  }
  close(pipeEnds[1]);
  char output[kPathCapacity + 1];
  size_t length = 0;
  int tooLong = 0;
  while (true) {
    char block[512];
    ssize_t got = read(pipeEnds[0], block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    for (ssize_t i = 0; i < got; ++i) {
      if (length < sizeof output - 1) {
        output[length++] = block[i];
      } else {
        tooLong = 1;
      }
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  pid_t waited;
  do {
    waited = waitpid(child, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return 0;
  if (length > 0 && output[length - 1] == '\n') --length;
  if (tooLong || length == 0 || length >= (size_t)kPathCapacity) return 0;
  if (std::memchr(output, '\0', length) != nullptr || std::memchr(output, '\n', length) != nullptr) return 0;
  std::memcpy(chosen, output, length);
  chosen[length] = '\0';
  return 1;
}

// The dialog's starting point: the file buffer's name, in the initial folder
// when it is relative; the folder alone when there is no name. 0 when it
// does not fit.
// A relative result starts with "./", so that it cannot pass for an option.
int StartingPoint(char* start, const char* file, const char* folder) {
  int hasFolder = folder != nullptr && folder[0] != '\0';
  if (file[0] == '/') return FormatPath(start, "%s", file);
  if (!hasFolder) {
    if (file[0] == '\0') {
      start[0] = '\0';
      return 1;
    }
    return FormatPath(start, "./%s", file);
  }
  const char* here = folder[0] == '/' ? "" : "./";
  if (file[0] != '\0') return FormatPath(start, "%s%s/%s", here, folder, file);
  return FormatPath(start, "%s%s/", here, folder);
}

int ChooseFile(char* file, const char* initialFolder, const char* title, const char* defaultExtension,
               const char* filter, int save) {
  if (file == nullptr) return 0;
  char program[kPathCapacity];
  Chooser chooser = FindChooser(program);
  if (chooser == kNoChooser) return 0;
  char start[kPathCapacity];
  if (!StartingPoint(start, file, initialFolder)) start[0] = '\0';

  static ArgumentList list;  // 8 KB: kept off the stack
  StartArguments(&list);
  AddArgument(&list, chooser == kZenity ? "zenity" : "kdialog");
  if (chooser == kZenity) {
    AddArgument(&list, "--file-selection");
    if (save) {
      AddArgument(&list, "--save");
      AddArgument(&list, "--confirm-overwrite");
    }
    if (title != nullptr) AddArgument(&list, "--title=", title);
    if (start[0] != '\0') AddArgument(&list, "--filename=", start);
    AddFilters(&list, chooser, filter);
  } else {
    if (title != nullptr) AddArgument(&list, "--title=", title);
    AddArgument(&list, save ? "--getsavefilename" : "--getopenfilename");
    AddArgument(&list, start[0] != '\0' ? start : ".");
    AddFilters(&list, chooser, filter);
  }
  if (list.overflow) return 0;

  char chosen[kPathCapacity];
  if (!RunChooser(program, &list, chosen)) return 0;
  if (save && defaultExtension != nullptr && defaultExtension[0] != '\0') {
    const char* slash = std::strrchr(chosen, '/');
    const char* last = slash ? slash + 1 : chosen;
    if (std::strchr(last, '.') == nullptr) {
      char extended[kPathCapacity];
      int n = std::snprintf(extended, sizeof extended, "%s.%s", chosen, defaultExtension);
      if (n < 0 || n >= kPathCapacity) return 0;
      std::memcpy(chosen, extended, (size_t)n + 1);
    }
  }
  std::memcpy(file, chosen, std::strlen(chosen) + 1);
  return 1;
}

}  // namespace

int ChooseOpenFile(PlatformWindow* owner, char* file, const char* initialFolder, const char* title,
                   const char* defaultExtension, const char* filter) {
  return ChooseFile(file, initialFolder, title, defaultExtension, filter, 0);
}

int ChooseSaveFile(PlatformWindow* owner, char* file, const char* title,
                   const char* defaultExtension, const char* filter) {
  return ChooseFile(file, nullptr, title, defaultExtension, filter, 1);
}
