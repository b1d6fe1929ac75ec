// The display: the back surface every frame is composed on, the whole-number
// magnification between logical and device dots, and the table of 64
// off-screen surface slots with a running count of the area in use.
//
// Start-up calls OpenDisplay, CreateScreen and SetClientOffset; shutdown calls
// CloseDisplay. Drawing (draw.h), bitmap loading (bitmap.h) and presenting
// (present.h) work on the record held here. Success is 1, failure 0; a slot
// number outside 0..63 is refused by every operation.
#pragma once
#include <cstdint>
#include "platform/surface.h"

struct PlatformWindow;

enum : uint32_t {
  SLOT_FROM_FILE = 0x01,      // the slot's bitmap came from a file
  SLOT_SYSTEM_MEMORY = 0x02,  // made in system memory: never redrawn after a loss
};

inline constexpr int32_t kSlotCount = 64;

struct SurfaceSlot {
  uint32_t flags;
  char* name;                // owned copy of the name as passed; null when blank
  PlatformSurface* surface;  // null: the slot is empty
  int32_t width, height;     // logical dots
};

struct DisplayState {
  char dataDir[260];
  SurfaceSlot slots[kSlotCount];
  int32_t open;                // 1 between OpenDisplay and CloseDisplay
  int32_t primary;             // 1 while a screen made by CreateScreen is held
  int32_t primaryLost;         // the window's picture was lost or remade
  PlatformSurface* back;       // screenWidth*m x screenHeight*m device dots
  PlatformWindow* window;      // where Present shows the back surface
  int32_t clientOffsetX, clientOffsetY;
  int32_t screenWidth, screenHeight;
  int32_t magnification;
  int32_t surfaceArea;         // device dots in use, see VideoBytesInUse
  int32_t textFont;            // 1 while the text font is set
};

extern DisplayState displayState;

// window may be null (headless); directory may be null. A directory of 260
// characters or more is not stored (dataDir stays empty) and the open fails.
int OpenDisplay(PlatformWindow* window, const char* directory);
void CloseDisplay(PlatformWindow* window);
int CreateScreen(PlatformWindow* window, int32_t width, int32_t height, int32_t magnification);
// Releases the screen's area and frees the back surface at once.
void ReleaseScreen();
void SetClientOffset(int32_t x, int32_t y);
void ReleaseSlot(int32_t slot);
void ReleaseAllSlots();
int GetSlotSize(int32_t* width, int32_t* height, int32_t slot);
int32_t VideoBytesInUse();
