#include "util/recent_folder.h"

#include <cstdio>
#include <cstring>

#include "util/paths.h"

static const char* recentFolderHome = nullptr;

void SetRecentFolderHome(const char* folder) { recentFolderHome = folder; }

static int FormRecentFile(char* path, const char* fileName) {
  if (recentFolderHome == nullptr || fileName == nullptr) return 0;
  return FormatPath(path, "%s/%s", recentFolderHome, fileName);
}

int RemoveFileSpec(char* path) {
  size_t length = std::strlen(path);
  if (length == 0) return 0;
  if (length > 1 && path[length - 1] == '/') {  // a trailing separator goes alone
    path[length - 1] = '\0';
    return 1;
  }
  char* slash = std::strrchr(path, '/');
  if (slash == nullptr) {
    path[0] = '\0';
    return 1;
  }
  if (slash == path) {  // "/name" keeps the root; "/" stays
    if (path[1] == '\0') return 0;
    path[1] = '\0';
    return 1;
  }
  *slash = '\0';
  return 1;
}

int SaveRecentFolder(const char* path, const char* fileName) {
  char file[kPathCapacity];
  if (path == nullptr || std::strlen(path) >= (size_t)kPathCapacity) return 0;
  if (!FormRecentFile(file, fileName)) return 0;
  char record[kPathCapacity] = {};
  std::memcpy(record, path, std::strlen(path));
  RemoveFileSpec(record);
  size_t kept = std::strlen(record);
  std::memset(record + kept, 0, sizeof record - kept);  // no trace of the cut name
  FILE* out = std::fopen(file, "wb");
  if (out == nullptr) return 0;
  size_t written = std::fwrite(record, 1, sizeof record, out);
  int closed = std::fclose(out) == 0;
  return (written == sizeof record && closed) ? 1 : 0;
}

int LoadRecentFolder(char* destination, const char* fileName) {
  char file[kPathCapacity];
  if (!FormRecentFile(file, fileName)) return 0;
  FILE* in = std::fopen(file, "rb");
  if (in == nullptr) return 0;
  char record[kPathCapacity];
  size_t got = std::fread(record, 1, sizeof record, in);
  std::fclose(in);
  if (got != sizeof record || std::memchr(record, '\0', sizeof record) == nullptr) return 0;
  std::memcpy(destination, record, std::strlen(record) + 1);
  return IsDirectory(destination);
}
