// Window placement at start-up.
#include <gtest/gtest.h>

#include "shell/startup.h"

namespace {

TEST(CentredPosition, CentresOnTheReferenceAndKeepsInsideTheWorkArea) {
  const PlatformRect work = {0, 0, 1920, 1040};
  int32_t x = 0, y = 0;
  CentredPosition(work, work, {0, 0, 322, 300}, &x, &y);
  EXPECT_EQ(x, 799);
  EXPECT_EQ(y, 370);

  // A work area that does not start at the origin (a panel on the left).
  const PlatformRect shifted = {64, 30, 1984, 1070};
  CentredPosition(shifted, shifted, {500, 500, 822, 800}, &x, &y);
  EXPECT_EQ(x, 64 + 799);
  EXPECT_EQ(y, 30 + 370);

  // Larger than the work area: aligned with its right and bottom edges.
  CentredPosition(work, work, {0, 0, 2001, 1101}, &x, &y);
  EXPECT_EQ(x, 1920 - 2001);
  EXPECT_EQ(y, 1040 - 1101);

  // Centred on a small reference near the corner, then pushed back inside.
  CentredPosition(work, {0, 0, 100, 100}, {0, 0, 301, 201}, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}

}  // namespace
