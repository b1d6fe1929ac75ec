// A fresh folder under the system's temporary folder, removed afterwards.
#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

struct TempFolder {
  std::string path;
  TempFolder() {
    char name[] = "/tmp/zorrit_util_XXXXXX";
    const char* made = mkdtemp(name);
    path = made ? made : "";
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};
