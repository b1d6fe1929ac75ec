// The desktop's scale from GDK_SCALE and the X resources (Xft.dpi).
#include <gtest/gtest.h>

#include "platform/desktop_scale.h"

namespace {

TEST(DesktopScaleTest, FromGdkScaleAndXftDpi) {
  const char* kGnome2x = "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n";
  const struct { const char* what; const char* gdk; const char* resources; int32_t expected; } cases[] = {
      {"nothing asked", nullptr, nullptr, 1},
      {"GDK_SCALE=2", "2", nullptr, 2},
      {"GDK_SCALE=3", "3", nullptr, 3},
      {"GDK_SCALE=1 keeps the size whatever Xft.dpi says", "1", kGnome2x, 1},
      {"GDK_SCALE wins over Xft.dpi", "3", kGnome2x, 3},
      {"GDK_SCALE not a whole number falls back on Xft.dpi", "1.5", kGnome2x, 2},
      {"GDK_SCALE empty", "", nullptr, 1},
      {"GDK_SCALE=0", "0", nullptr, 1},
      {"GDK_SCALE negative", "-2", nullptr, 1},
      {"GDK_SCALE with text after it", "2x", nullptr, 1},
      {"GDK_SCALE huge is capped", "99999999999", nullptr, kMaxDesktopScale},
      {"Xft.dpi 192 among other lines", nullptr, kGnome2x, 2},
      {"Xft.dpi as xrdb -query prints it, last line unended", nullptr, "Xft.dpi:\t288", 3},
      {"Xft.dpi with spaces and a fraction", nullptr, "Xft.dpi :  240.5\n", 2},
      {"Xft.dpi 191 is below a whole doubling", nullptr, "Xft.dpi: 191\n", 1},
      {"Xft.dpi 144 (1.5x) keeps the size", nullptr, "Xft.dpi: 144\n", 1},
      {"Xft.dpi 96", nullptr, "Xft.dpi: 96\n", 1},
      {"another resource's dpi", nullptr, "Xft.dpiX: 192\nXterm*Xft.dpi: 192\n", 1},
      {"Xft.dpi without a number", nullptr, "Xft.dpi: high\n", 1},
  };
  for (const auto& c : cases) EXPECT_EQ(DesktopScaleFrom(c.gdk, c.resources), c.expected) << c.what;
}

}  // namespace
