#include "platform/platform_variant.h"

const char* PlatformVariant() { return ZORRIT_PLATFORM_VARIANT; }
