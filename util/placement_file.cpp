#include "util/placement_file.h"

#include <cstdio>

#include "platform/window.h"
#include "platform/window_placement.h"
#include "util/paths.h"

static const char* placementFolder = nullptr;

static constexpr int kRecordSize = 20;

void SetPlacementFolder(const char* folder) { placementFolder = folder; }

static int FormPlacementFile(char* path, const char* fileName) {
  if (placementFolder == nullptr || fileName == nullptr) return 0;
  return FormatPath(path, "%s/%s", placementFolder, fileName);
}

static void PutLittle32(uint8_t* at, int32_t value) {
  uint32_t v = (uint32_t)value;
  for (int i = 0; i < 4; ++i) at[i] = (uint8_t)(v >> (8 * i));
}

static int32_t GetLittle32(const uint8_t* at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= (uint32_t)at[i] << (8 * i);
  return (int32_t)v;
}

int SaveWindowPlacement(PlatformWindow* window, const char* fileName) {
  char path[kPathCapacity];
  if (!FormPlacementFile(path, fileName)) return 0;
  // The platform's normal rectangle is in screen dots and, for a window
  // shown normally, is the window's own rectangle.
  PlatformWindowPlacement placement;
  if (!GetPlatformWindowPlacement(window, &placement)) return 0;
  uint8_t record[kRecordSize];
  PutLittle32(record + 0, placement.normalRect.left);
  PutLittle32(record + 4, placement.normalRect.top);
  PutLittle32(record + 8, placement.normalRect.right);
  PutLittle32(record + 12, placement.normalRect.bottom);
  PutLittle32(record + 16, placement.showCommand);
  FILE* out = std::fopen(path, "wb");
  if (out == nullptr) return 0;
  size_t written = std::fwrite(record, 1, sizeof record, out);
  int closed = std::fclose(out) == 0;
  return (written == sizeof record && closed) ? 1 : 0;
}

int LoadWindowPlacement(PlatformWindow* window, const char* fileName, int32_t resize) {
  char path[kPathCapacity];
  if (!FormPlacementFile(path, fileName)) return 0;
  FILE* in = std::fopen(path, "rb");
  if (in == nullptr) return 0;
  uint8_t record[kRecordSize];
  size_t got = std::fread(record, 1, sizeof record, in);
  std::fclose(in);
  if (got != sizeof record) return 0;
  PlatformRect r = {GetLittle32(record + 0), GetLittle32(record + 4), GetLittle32(record + 8),
                    GetLittle32(record + 12)};
  int32_t showCommand = GetLittle32(record + 16);

  PlatformRect area;
  PlatformSizeLimits limits;
  if (!GetPlatformWorkArea(&area) || !GetPlatformSizeLimits(&limits)) return 0;

  // Size first (each step sees the previous ones), then position. Sums are
  // taken in 64 bits so that a corrupt file cannot overflow them.
  auto clamp32 = [](int64_t v) -> int32_t {
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : (int32_t)v;
  };
  if ((int64_t)r.right - r.left < limits.minWidth) r.right = clamp32((int64_t)r.left + limits.minWidth);
  if ((int64_t)r.bottom - r.top < limits.minHeight) r.bottom = clamp32((int64_t)r.top + limits.minHeight);
  if ((int64_t)r.right - r.left > limits.maximisedWidth) r.right = clamp32((int64_t)r.left + limits.maximisedWidth);
  if ((int64_t)r.bottom - r.top > limits.maximisedHeight) r.bottom = clamp32((int64_t)r.top + limits.maximisedHeight);
  if (r.left < area.left) {
    r.right = clamp32((int64_t)r.right + area.left - r.left);
    r.left = area.left;
  }
  if (r.top < area.top) {
    r.bottom = clamp32((int64_t)r.bottom + area.top - r.top);
    r.top = area.top;
  }
  if (r.right > area.right) {
    r.left = clamp32((int64_t)r.left - ((int64_t)r.right - area.right));
    r.right = area.right;
  }
  if (r.bottom > area.bottom) {
    r.top = clamp32((int64_t)r.top - ((int64_t)r.bottom - area.bottom));
    r.bottom = area.bottom;
  }

  int32_t show = showCommand == PLACEMENT_MAXIMISED ? PLACEMENT_MAXIMISED : PLACEMENT_NORMAL;
  ApplyPlatformWindowPlacement(window, r, resize != 0 ? 1 : 0, show);
  return 1;
}
