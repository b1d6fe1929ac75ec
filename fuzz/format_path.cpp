// FormatPath over arbitrary text: the result always fits, is terminated, and
// never holds a doubled separator that the squeeze should have taken out
// unless the input held a longer run.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "util/paths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));
  char destination[kPathCapacity];
  std::memset(destination, 'Q', sizeof destination);
  destination[kPathCapacity - 1] = '\0';
  const std::string before(destination);
  if (FormatPath(destination, "%s", text.c_str())) {
    const size_t length = std::strlen(destination);
    if (length > text.size() || length >= (size_t)kPathCapacity) std::abort();
  } else {
    // Refused: only a text of 260 characters or more, and nothing written.
    if (text.size() < (size_t)kPathCapacity || before != destination) std::abort();
  }
  // The format itself comes from the caller; a plain text format with no
  // conversions must also be handled.
  std::string format = text;
  for (char& c : format)
    if (c == '%') c = '_';
  FormatPath(destination, format.c_str(), "");
  return 0;
}
