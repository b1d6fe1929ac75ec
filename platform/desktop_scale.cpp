#include "platform/desktop_scale.h"

#include <cstdlib>
#include <cstring>

namespace {

// A whole number of at least 1 filling the text (white space around it
// allowed); 0 otherwise.
int32_t WholeNumber(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  if (*text < '0' || *text > '9') return 0;
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  while (*end == ' ' || *end == '\t') ++end;
  if (*end != '\0' || n < 1) return 0;
  return n > 1000 ? 1000 : (int32_t)n;
}

// Dots per inch from the "Xft.dpi" line of the resource text; 0 when there
// is none. The value may carry a fraction ("Xft.dpi: 192.5").
double XftDpi(const char* resources) {
  static const char kName[] = "Xft.dpi";
  const size_t nameLength = sizeof kName - 1;
  for (const char* line = resources; line && *line;) {
    const char* end = std::strchr(line, '\n');
    const size_t length = end ? (size_t)(end - line) : std::strlen(line);
    if (length > nameLength && std::strncmp(line, kName, nameLength) == 0) {
      const char* p = line + nameLength;
      while (*p == ' ' || *p == '\t') ++p;
      if (*p == ':') {
        ++p;
        while (*p == ' ' || *p == '\t') ++p;
        if (*p >= '0' && *p <= '9') return std::strtod(p, nullptr);
      }
    }
    line = end ? end + 1 : nullptr;
  }
  return 0;
}

}  // namespace

int32_t DesktopScaleFrom(const char* gdkScale, const char* resources) {
  int32_t scale = WholeNumber(gdkScale);
  if (scale == 0) {
    const double dpi = XftDpi(resources);
    scale = dpi >= 192 ? (int32_t)(dpi / 96) : 1;
  }
  return scale > kMaxDesktopScale ? kMaxDesktopScale : scale;
}
