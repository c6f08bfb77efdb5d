// The themes start without a window system (no system notices then) and
// stop cleanly.
#include <gtest/gtest.h>

#include "platform/Backend.h"
#include "toolbar/TTBKTheme.h"

TEST(ThemeStartUp, ThemesWorkWithoutAWindowSystem) {
  ShutdownPlatform();
  StartThemes();
  ASSERT_NE(CurrentTheme, nullptr);
  EXPECT_EQ(CurrentTheme->Name(), "Default");
  EXPECT_EQ(ThemeManager()->Handle(), nullptr);
  EXPECT_EQ(CurrentTheme->GetIntMetric(50), 6);
  StartThemes();  // a second start changes nothing
  EXPECT_EQ(ThemeUseCount("Default"), 1);
  StopThemes();
  EXPECT_EQ(CurrentTheme, nullptr);
  EXPECT_EQ(ThemeUseCount("Default"), 0);
}
