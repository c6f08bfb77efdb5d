// The navigation bar's colour presets and their choice by the desktop's
// visual-style colour scheme.
#include "panels/UxStyles.h"
#include "tests/panels/NavBarTestSupport.h"

namespace {

using TColorGetter = TColor (TUxNavBar::*)() const;
struct PresetRow {
  const char* Name;
  TColorGetter Get;
  uint32_t Blue, Silver, Olive, Classic, Whidbey;
};

// The presets as the bar's colour table gives them (red in the low byte).
const PresetRow kPresetRows[] = {
    {"CaptionColor", &TUxNavBar::CaptionColor, 0xD68759, 0xBDA4A5, 0x82C0AF, 0x808080, 0xEBEEEF},
    {"CaptionColorTo", &TUxNavBar::CaptionColorTo, 0x933803, 0x957475, 0x447A63, 0x808080, 0x7E9898},
    {"ActiveColor", &TUxNavBar::ActiveColor, 0x94E6FB, 0x94E6FB, 0x94E6FB, 0xD8D5D4, 0x94E6FB},
    {"ActiveColorTo", &TUxNavBar::ActiveColorTo, 0x1595EE, 0x1595EE, 0x1595EE, 0xD8D5D4, 0x1595EE},
    {"DefaultTabColor", &TUxNavBar::DefaultTabColor, 0xFCE1CB, 0xECE2E1, 0xCFF0EA, 0xFFFFFF, 0xF5F9FA},
    {"DefaultTabColorTo", &TUxNavBar::DefaultTabColorTo, 0xE0A57D, 0xB39698, 0x8CC0B1, 0xC9D1D5, 0xA8C0C0},
    {"DownTabColor", &TUxNavBar::DownTabColor, 0x087FE8, 0x087FE8, 0x087FE8, 0xB59285, 0x087FE8},
    {"DownTabColorTo", &TUxNavBar::DownTabColorTo, 0x7CDAF7, 0x7CDAF7, 0x7CDAF7, 0xB59285, 0x7CDAF7},
    {"DownTextColor", &TUxNavBar::DownTextColor, 0x000000, 0x000000, 0x000000, 0xFFFFFF, 0x000000},
    {"HoverTextColor", &TUxNavBar::HoverTextColor, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000},
    {"HoverTabColor", &TUxNavBar::HoverTabColor, 0xDCFFFF, 0xDCFFFF, 0xDCFFFF, 0xD2BDB6, 0xDCFFFF},
    {"HoverTabColorTo", &TUxNavBar::HoverTabColorTo, 0x5BC0F7, 0x5BC0F7, 0x5BC0F7, 0xD2BDB6, 0x5BC0F7},
    {"SplitterColor", &TUxNavBar::SplitterColor, 0xD68759, 0xBFA7A8, 0x6F8E78, 0xC8D0D4, 0xEBEEEF},
    {"SplitterColorTo", &TUxNavBar::SplitterColorTo, 0x962D00, 0x947C7C, 0x588060, 0x8C8D8E, 0x7E9898},
    {"BorderColor", &TUxNavBar::BorderColor, 0x962D00, 0x947C7C, 0x588060, 0x808080, 0x962D00},
    {"SectionColor", &TUxNavBar::SectionColor, 0xFADAC4, 0xF7F3F3, 0xE4F1F2, 0xF4F5F6, 0xEBEEEF},
    {"SectionColorTo", &TUxNavBar::SectionColorTo, 0xF5BFA0, 0xE6D8D8, 0xAADADA, 0xCAD2D6, 0xA8C0C0},
};

uint32_t Column(const PresetRow& r, TUxNavBarStyle s) {
  switch (s) {
    case esOffice2003Blue: return r.Blue;
    case esOffice2003Silver: return r.Silver;
    case esOffice2003Olive: return r.Olive;
    case esOffice2003Classic: return r.Classic;
    default: return r.Whidbey;
  }
}

class NavBarStyleTest : public NavBarTest {
 protected:
  void TearDown() override {
    SetUxStyles(TUxStylesBinding{});
    NavBarTest::TearDown();
  }
  // A desktop whose visual style is on with the given colour scheme, or
  // whose theme-name query fails with Code.
  static void Desktop(const std::string& Scheme, int32_t Code = 0, bool Active = true) {
    TUxStylesBinding b;
    b.Bound = true;
    b.IsThemeActive = [Active] { return Active; };
    b.GetCurrentThemeName = [Scheme, Code](std::string& f, std::string& c, std::string& s) {
      f = "Luna.msstyles";
      c = Scheme;
      s = "NormalSize";
      return Code;
    };
    SetUxStyles(b);
  }
};

TEST_F(NavBarStyleTest, EveryPresetSetsItsColumn) {
  auto* b = new TUxNavBar(form);
  for (TUxNavBarStyle s : {esOffice2003Silver, esOffice2003Blue, esOffice2003Olive, esOffice2003Classic, esWhidbey}) {
    b->CaptionFont()->SetColor(clRed);
    b->Font()->SetColor(clRed);
    b->SetDefaultGradientDirection(gdHorizontal);
    b->SetStyle(s);
    EXPECT_EQ(b->Style(), s);
    for (const PresetRow& r : kPresetRows) EXPECT_EQ(uint32_t((b->*r.Get)()), Column(r, s)) << r.Name << " style " << s;
    EXPECT_EQ(b->CaptionFont()->Color(), clWhite);
    EXPECT_EQ(b->Font()->Color(), clBlack);
    EXPECT_EQ(b->DefaultGradientDirection(), gdVertical);
  }
}

TEST_F(NavBarStyleTest, SameStyleCustomAndWhidbeyAndTheThemeFlag) {
  auto* b = new TUxNavBar(form);
  // A new bar says Blue but keeps its own colours.
  EXPECT_EQ(b->CaptionColor(), TColor(0x808080));
  b->SetStyle(esOffice2003Blue);
  EXPECT_EQ(b->CaptionColor(), TColor(0x808080));
  b->SetStyle(esOffice2003Olive);
  b->SetBorderColor(clRed);
  b->SetStyle(esOffice2003Olive);
  EXPECT_EQ(b->BorderColor(), clRed) << "the same style again changes nothing";
  b->SetAutoThemeAdapt(true);
  b->SetStyle(esOffice2003Classic);
  EXPECT_TRUE(b->AutoThemeAdapt()) << "the office styles leave the flag";
  b->SetStyle(esCustom);
  EXPECT_FALSE(b->AutoThemeAdapt());
  EXPECT_EQ(b->CaptionColor(), TColor(0x808080)) << "custom keeps every colour (Classic's here)";
  EXPECT_EQ(b->DefaultTabColorTo(), TColor(0xC9D1D5));
  b->SetAutoThemeAdapt(true);
  b->SetStyle(esWhidbey);
  EXPECT_FALSE(b->AutoThemeAdapt());
  EXPECT_EQ(b->CaptionColor(), TColor(0xEBEEEF));
}

TEST_F(NavBarStyleTest, TheSchemeNamesPickThePreset) {
  struct Case {
    std::string Scheme;
    int32_t Code;
    bool Active;
    int32_t Number;
    TUxNavBarStyle Style;
  };
  const Case cases[] = {
      {"NormalColor", 0, true, 1, esOffice2003Blue},
      {"HomeStead", 0, true, 2, esOffice2003Olive},
      {"Metallic", 0, true, 3, esOffice2003Silver},
      {"metallic", 0, true, 0, esOffice2003Classic},  // compared exactly
      {"Royale", 0, true, 0, esOffice2003Classic},
      {"Metallic", 0, false, 0, esOffice2003Classic},  // the classic look
      // A failing query is no scheme, never an error.
      {"Metallic", int32_t(0x80004005), true, 0, esOffice2003Classic},
  };
  for (const Case& c : cases) {
    Desktop(c.Scheme, c.Code, c.Active);
    EXPECT_EQ(CurrentXPColorScheme(), c.Number) << c.Scheme;
    auto* b = new TUxNavBar(form);
    b->SetStyle(esWhidbey);
    EXPECT_NO_THROW(b->ThemeAdapt());
    EXPECT_EQ(b->Style(), c.Style) << c.Scheme << " " << c.Code;
    b->Free();
  }
}

TEST_F(NavBarStyleTest, WithoutVisualStylesAutoThemeAdaptKeepsThePreset) {
  EXPECT_EQ(CurrentXPColorScheme(), 0);
  MakeBar(201, 400, {"Browser"}, 1, 0, esOffice2003Silver, [](TUxNavBar* b) { b->SetAutoThemeAdapt(true); });
  EXPECT_EQ(bar->Style(), esOffice2003Silver);
  bar->Perform(WM_SYSCOLORCHANGE);
  EXPECT_EQ(bar->Style(), esOffice2003Silver);
}

TEST_F(NavBarStyleTest, AutoThemeAdaptFollowsTheDesktopAtLoadingAndOnChanges) {
  Desktop("HomeStead");
  MakeBar(201, 400, {"Browser"}, 1, 0, esOffice2003Silver, [](TUxNavBar* b) { b->SetAutoThemeAdapt(true); });
  EXPECT_EQ(bar->Style(), esOffice2003Olive);
  Desktop("Metallic");
  bar->Perform(WM_THEMECHANGED);
  EXPECT_EQ(bar->Style(), esOffice2003Silver);
  Desktop("NormalColor");
  bar->Perform(CM_SYSCOLORCHANGE);
  EXPECT_EQ(bar->Style(), esOffice2003Blue);
  bar->SetAutoThemeAdapt(false);
  Desktop("HomeStead");
  bar->Perform(WM_THEMECHANGED);
  EXPECT_EQ(bar->Style(), esOffice2003Blue);
}

}  // namespace
