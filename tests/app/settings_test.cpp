// The settings routines over the platform's store: text values under
// Software\Nobrivo\<section>, defaults for what is missing or malformed.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/Settings.h"
#include "platform/Registry.h"
#include "rtl/Exception.h"

class SettingsTest : public ::testing::Test {
 protected:
  std::string dir_;
  void SetUp() override {
    char tmpl[] = "/tmp/nobrivo-settings-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("NOBRIVO_CONFIG_DIR", dir_.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("NOBRIVO_CONFIG_DIR");
    std::filesystem::remove_all(dir_);
  }
};

TEST_F(SettingsTest, ValuesAreTextAndReadBackWithDefaults) {
  EXPECT_EQ(ReadRegString("Options", "Browser_Last_dir", "none"), "none");
  EXPECT_EQ(ReadRegInteger("Options", "Default Cipher", 21), 21);
  EXPECT_TRUE(ReadRegBool("Options", "FitOnWindow", true));
  WriteRegInteger("Options", "Default Cipher", -1);
  WriteRegBool("Options", "FitOnWindow", false);
  WriteRegString("Options", "Browser_Last_dir", "/pics");
  EXPECT_EQ(ReadRegString("Options", "Default Cipher", ""), "-1");
  EXPECT_EQ(ReadRegString("Options", "FitOnWindow", ""), "0");
  EXPECT_EQ(ReadRegInteger("Options", "Default Cipher", 21), -1);
  EXPECT_FALSE(ReadRegBool("Options", "FitOnWindow", true));
  EXPECT_EQ(ReadRegString("Options", "Browser_Last_dir", ""), "/pics");

  const struct {
    const char* stored;
    int32_t read;
  } cases[] = {{"abc", 100}, {"", 100}, {"12x", 100}, {" 5", 100}, {"99999999999", 100}, {"+7", 7}, {"-3", -3}};
  for (const auto& c : cases) {
    WriteRegString("Options", "JPG_Quality", c.stored);
    EXPECT_EQ(ReadRegInteger("Options", "JPG_Quality", 100), c.read) << '"' << c.stored << '"';
  }
  WriteRegString("Options", "Remember", "2");
  EXPECT_TRUE(ReadRegBool("Options", "Remember", false)) << "any integer but 0 is true";
}

TEST_F(SettingsTest, AValueOfAnotherKindRaises) {
  WriteRegString("Options", "X", "1");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Options", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
  const DWORD v = 5;
  RegSetValueEx(key, "Binary", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
  RegCloseKey(key);
  EXPECT_THROW(ReadRegInteger("Options", "Binary", 0), Exception);
}
