// Which platform variant this executable was linked with: "desktop",
// "headless" or "web". For diagnostics and tests.
#pragma once

const char* PlatformVariant();
