// The main window's navigation bar: its layout and silver colours, its tabs
// and splitter under injected input, and the two pages still at work.
#include "panels/TUxNavBar.h"
#include "platform/Input.h"
#include "tests/e2e/ProgramTestSupport.h"
#include "tests/panels/NavBarExpect.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TListView.h"

namespace {

class NavBarProgramTest : public ProgramTest {
 protected:
  uint32_t At(int32_t x, int32_t y) {
    const COLORREF c = ColorToRGB(shot.Canvas()->Pixels(x, y));
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
  }
  void Snap() {
    TUxNavBar* bar = frmMain->UxNavBar1;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(bar->Width(), bar->Height());
    bar->PaintTo(shot.Canvas()->Handle(), 0, 0);
  }
  void MoveTo(int32_t x, int32_t y) {
    InjectMouseMove(frmMain->UxNavBar1->ClientToScreen(TPoint{x, y}));
    Pump();
  }
  void Button(bool Down) {
    InjectMouseButton(VK_LBUTTON, Down);
    Pump();
  }
  void Click(int32_t x, int32_t y) {
    MoveTo(x, y);
    Button(true);
    Button(false);
  }
  TBitmap shot;
};

TEST_F(NavBarProgramTest, TheBarMatchesItsLayoutAndTheSilverColours) {
  StartProgram();
  TUxNavBar* bar = frmMain->UxNavBar1;
  EXPECT_EQ(bar->Style(), esOffice2003Silver);
  EXPECT_EQ(bar->Align(), alLeft);
  EXPECT_EQ(bar->Width(), 201);
  EXPECT_EQ(bar->SplitterPosition(), 2);
  EXPECT_EQ(bar->MinClientHeight(), 60);
  EXPECT_EQ(bar->CaptionFont()->Height(), -15);
  const int32_t H = bar->Height();
  ASSERT_GT(H, 200);
  const NavBarLayout g = ExpectedNavBar(201, H, 2, 2);
  EXPECT_EQ(bar->CaptionRect(), g.Caption);
  EXPECT_EQ(bar->SplitterRect(), g.Splitter);
  EXPECT_EQ(bar->TabRect(0), g.Tabs[0]);
  EXPECT_EQ(bar->TabRect(1), g.Tabs[1]);
  EXPECT_EQ(bar->IconRowRect(), g.IconRow);
  EXPECT_EQ(frmMain->UxNavBarPanel1->BoundsRect(), g.Page);
  EXPECT_EQ(frmMain->UxNavBarPanel2->BoundsRect(), g.Page);
  EXPECT_EQ(frmMain->lvDirs->BoundsRect(), (TRect{0, 0, g.Page.Width(), g.Page.Height()}));

  Snap();
  const uint32_t border = RgbOf(0x947C7C);
  for (int y = 1; y < 26; ++y)
    ASSERT_EQ(At(195, y), NavBarGradientAt(RgbOf(0xBDA4A5), RgbOf(0x957475), 64, 26, y - 1)) << y;
  EXPECT_EQ(At(195, 26), border);
  for (int y = g.Splitter.Top; y < g.Splitter.Bottom; ++y)
    ASSERT_EQ(At(5, y), NavBarGradientAt(RgbOf(0xBFA7A8), RgbOf(0x947C7C), 16, 6, y - g.Splitter.Top)) << y;
  const TRect active = g.Tabs[0], other = g.Tabs[1];
  for (int y = active.Top + 1; y < active.Bottom - 2; ++y)
    ASSERT_EQ(At(195, y), NavBarGradientAt(RgbOf(0x94E6FB), RgbOf(0x1595EE), 16, 30, y - active.Top - 1)) << y;
  for (int y = other.Top + 1; y < other.Bottom - 2; ++y)
    ASSERT_EQ(At(195, y), NavBarGradientAt(RgbOf(0xECE2E1), RgbOf(0xB39698), 16, 30, y - other.Top - 1)) << y;
  EXPECT_EQ(At(0, 100), border);
}

TEST_F(NavBarProgramTest, TabsActivateTheirPagesAndThePassPhrasePageTakesTyping) {
  StartProgram();
  TUxNavBar* bar = frmMain->UxNavBar1;
  const TRect tab1 = bar->TabRect(1);
  Click(100, tab1.Top + 12);
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  EXPECT_TRUE(frmMain->UxNavBarPanel2->Visible());
  EXPECT_FALSE(frmMain->UxNavBarPanel1->Visible());
  ASSERT_TRUE(frmMain->edPassword->Showing());
  // Typing into the pass-phrase box.
  InjectMouseMove(frmMain->edPassword->ClientToScreen(TPoint{10, 8}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  for (int vk : {'A', 'B', 'C'}) {
    InjectKey(vk, true);
    InjectKey(vk, false);
  }
  Pump();
  EXPECT_EQ(frmMain->edPassword->Text(), "abc");
  EXPECT_TRUE(frmMain->cbCipher->Showing());
  EXPECT_TRUE(frmMain->cbPassWordMain->Showing());
  // Back to the folder list.
  Click(100, bar->TabRect(0).Top + 12);
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  EXPECT_TRUE(frmMain->lvDirs->Showing());
  EXPECT_FALSE(frmMain->edPassword->Showing());
}

TEST_F(NavBarProgramTest, DraggingTheSplitterFoldsTheTabsIntoIconsAndBack) {
  StartProgram();
  TUxNavBar* bar = frmMain->UxNavBar1;
  const int32_t S = bar->SplitterLine();
  MoveTo(100, S);
  Button(true);
  MoveTo(100, S + 70);
  Button(false);
  EXPECT_EQ(bar->SplitterPosition(), 0);
  EXPECT_EQ(bar->LastVisibleIcon(), 1);
  EXPECT_EQ(frmMain->UxNavBarPanel1->BoundsRect(), ExpectedNavBar(201, bar->Height(), 2, 0).Page);
  // An icon activates its page.
  const TRect icon = bar->IconRect(1);
  Click(icon.Left + 12, icon.Top + 12);
  EXPECT_EQ(bar->ActiveTabIndex(), 1);
  EXPECT_TRUE(frmMain->edPassword->Showing());
  const int32_t S0 = bar->SplitterLine();
  MoveTo(100, S0);
  Button(true);
  MoveTo(100, S0 - 35);
  MoveTo(100, S0 - 70);
  Button(false);
  EXPECT_EQ(bar->SplitterPosition(), 2);
  EXPECT_EQ(frmMain->UxNavBarPanel2->BoundsRect(), ExpectedNavBar(201, bar->Height(), 2, 2).Page);
}

}  // namespace
