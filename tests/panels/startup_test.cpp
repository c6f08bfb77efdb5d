// Start-up services of the panel controls on a desktop without visual styles.
#include <gtest/gtest.h>

#include <string>

#include "panels/UxStyles.h"

namespace {

TEST(PanelsStartUp, NoVisualStyleLibraryBindsNothingAndShutsDownQuietly) {
  PanelsStartUp();
  EXPECT_FALSE(UxStyles().Bound);
  EXPECT_FALSE(UxStyles().IsThemeActive);
  EXPECT_FALSE(UxStyles().GetCurrentThemeName);
  PanelsShutDown();
  EXPECT_FALSE(UxStyles().Bound);
}

TEST(PanelsStartUp, TheFortySixEntryPointsInBindingOrder) {
  ASSERT_EQ(kUxStylesEntryPointNames.size(), 46u);
  EXPECT_EQ(std::string(kUxStylesEntryPointNames.front()), "OpenThemeData");
  EXPECT_EQ(std::string(kUxStylesEntryPointNames[34]), "IsThemeActive");
  EXPECT_EQ(std::string(kUxStylesEntryPointNames[41]), "GetCurrentThemeName");
  EXPECT_EQ(std::string(kUxStylesEntryPointNames.back()), "EnableTheming");
}

}  // namespace
