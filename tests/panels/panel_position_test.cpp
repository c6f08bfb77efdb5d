// Caption panel positions kept in the settings store or an ini file: the
// round trip through both, hand-written values, empty names, and a store
// that cannot be written while the window goes.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "l10n/TMemIniFile.h"
#include "panels/TUxPanel.h"
#include "platform/Registry.h"
#include "rtl/Exception.h"
#include "tests/panels/PanelsTestSupport.h"

namespace {

class PanelPosition : public PanelsTest {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/nobrivo-positions-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    setenv("NOBRIVO_CONFIG_DIR", dir_.c_str(), 1);
    PanelsTest::SetUp();
  }
  void TearDown() override {
    PanelsTest::TearDown();
    RegistryFailWritesAfter(-1);
    unsetenv("NOBRIVO_CONFIG_DIR");
    std::filesystem::remove_all(dir_);
  }
  TUxPanel* Stored(TPanelPositionLocation Where, const std::string& Key, const std::string& Section) {
    auto* p = new TUxPanel(form);
    p->SetParent(host);
    p->Caption()->SetVisible(true);
    p->Position()->SetSave(true);
    p->Position()->SetLocation(Where);
    p->Position()->SetKey(Key);
    p->Position()->SetSection(Section);
    p->HandleNeeded();  // the position is written when the window goes
    return p;
  }
  // A panel read back as a form would load it.
  TUxPanel* Loaded(TPanelPositionLocation Where, const std::string& Key, const std::string& Section) {
    TUxPanel* p = Stored(Where, Key, Section);
    p->SetBounds(1, 2, 30, 40);
    p->BeginLoading();
    p->EndLoading();
    return p;
  }
  std::string dir_;
};

TEST_F(PanelPosition, CollapsedPanelRoundTripsThroughBothLocations) {
  for (auto [where, key] : {std::pair{clRegistry, std::string("Software\\Nobrivo\\Panels")},
                            std::pair{clInifile, std::string("panels.ini")}}) {
    TUxPanel* p = Stored(where, key, "Options");
    p->SetBounds(12, 34, 150, 120);
    p->SetCollaps(true);
    ASSERT_EQ(p->Height(), 20);
    p->Free();  // the window goes: the position is written
    if (where == clInifile) {
      TMemIniFile ini(dir_ + "/panels.ini");
      EXPECT_EQ(ini.ReadString("Options", "Height", ""), "20");
      EXPECT_EQ(ini.ReadString("Options", "FullHeight", ""), "120");
      EXPECT_EQ(ini.ReadString("Options", "Collaps", ""), "1");
    }

    TUxPanel* q = Loaded(where, key, "Options");
    EXPECT_EQ(q->BoundsRect(), (TRect{12, 34, 162, 54})) << int(where);
    EXPECT_TRUE(q->Collaps());
    q->SetCollaps(false);
    EXPECT_EQ(q->Height(), 120) << "expanding restores the stored full height";
    q->Free();
  }
}

TEST_F(PanelPosition, HandWrittenValues) {
  std::ofstream(dir_ + "/hand.ini") << "[P]\r\nTop=0x20\r\nLeft=$10\r\nWidth=wide\r\nCollaps=2\r\n";
  TUxPanel* p = Loaded(clInifile, "hand.ini", "P");
  EXPECT_EQ(p->Top(), 32);
  EXPECT_EQ(p->Left(), 16);
  EXPECT_EQ(p->Width(), 30) << "no integer: the current value";
  EXPECT_EQ(p->Height(), 40);
  EXPECT_FALSE(p->Collaps()) << "2 reads as expanded";

  // A registry value stored as text is read as text and rewritten as text.
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\T\\S", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  RegSetValueEx(k, "Left", 0, REG_SZ, reinterpret_cast<const BYTE*>("77"), 3);
  RegCloseKey(k);
  TUxPanel* r = Loaded(clRegistry, "Software\\T", "S");
  EXPECT_EQ(r->Left(), 77);
  EXPECT_EQ(r->Top(), 2) << "missing: the current value";
  r->Free();
  ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\T\\S", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  RegQueryValueEx(k, "Left", nullptr, &type, nullptr, &size);
  EXPECT_EQ(type, DWORD(REG_SZ));
  RegQueryValueEx(k, "Top", nullptr, &type, nullptr, &size);
  EXPECT_EQ(type, DWORD(REG_DWORD));
  RegCloseKey(k);
}

TEST_F(PanelPosition, EmptyKeyOrSectionStoresNothing) {
  Stored(clInifile, "", "S")->Free();
  Stored(clInifile, "x.ini", "")->Free();
  EXPECT_FALSE(std::filesystem::exists(dir_ + "/x.ini"));
  EXPECT_FALSE(std::filesystem::exists(RegistryFilePath()));
}

TEST_F(PanelPosition, StoreFailureNeverEscapesTheWindowsEnd) {
  int errors = 0;
  Application->OnException = [&](TObject*, Exception&) { ++errors; };
  TUxPanel* p = Stored(clRegistry, "Software\\Nobrivo\\Fails", "S");
  p->HandleNeeded();
  RegistryFailWritesAfter(0);
  EXPECT_NO_THROW(p->Free());
  EXPECT_EQ(errors, 0);
}

TEST_F(PanelPosition, EachWindowEndWritesThePosition) {
  TUxPanel* p = Stored(clInifile, "again.ini", "S");
  p->SetBounds(5, 6, 70, 80);
  p->HandleNeeded();
  p->SetLeft(9);
  p->RecreateWnd();
  EXPECT_EQ(TMemIniFile(dir_ + "/again.ini").ReadString("S", "Left", ""), "9");
}

}  // namespace
