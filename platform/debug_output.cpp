// Debugger output; see platform/debug_output.h.
#include "platform/debug_output.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int DebuggerAttached() {
  FILE* status = std::fopen("/proc/self/status", "re");
  if (!status) return 0;
  char line[256];
  long tracer = 0;
  while (std::fgets(line, sizeof line, status)) {
    if (std::strncmp(line, "TracerPid:", 10) == 0) {
      tracer = std::strtol(line + 10, nullptr, 10);
      break;
    }
  }
  std::fclose(status);
  return tracer != 0;
}

void WriteDebugOutput(const char* text) {
  if (!text || !DebuggerAttached()) return;
  std::fputs(text, stderr);
  std::fflush(stderr);
}
