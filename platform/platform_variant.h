// Which platform variant this executable was linked with: "desktop" or
// "headless". For diagnostics and tests.
#pragma once

const char* PlatformVariant();
