// The pass-phrase dialog's caption panels on the headless window system:
// the upper panel's gradient inside its bevel, the lower panel's "Options"
// caption bar, and collapsing and expanding it with the mouse.
#include "tests/ui/FrameworkTestSupport.h"

#include "app/TfrmPassword.h"
#include "panels/TUxPanel.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/TBitmap.h"
#include "ui/TColor.h"

namespace {

class PasswordDialogPanels : public FrameworkTest {
 protected:
  // 0xRRGGBB of what the control shows at (x, y).
  static uint32_t Shown(TWinControl* c, int32_t x, int32_t y) {
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(c->Width(), c->Height());
    c->PaintTo(shot.Canvas()->Handle(), 0, 0);
    const COLORREF p = ColorToRGB(shot.Canvas()->Pixels(x, y));
    return (GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p);
  }
  static uint32_t Rgb(TColor c) {
    const COLORREF p = ColorToRGB(c);
    return (GetRValue(p) << 16) | (GetGValue(p) << 8) | GetBValue(p);
  }
};

TEST_F(PasswordDialogPanels, CaptionBarsAndCollapseUnderTheMouse) {
  auto* dlg = new TfrmPassword(Application);
  dlg->Show();
  Pump();
  TUxPanel* upper = dlg->UxPanel1;
  TUxPanel* lower = dlg->UxPanel2;
  EXPECT_FALSE(upper->Caption()->Visible());
  EXPECT_EQ(upper->Height(), 121);
  EXPECT_EQ(Shown(upper, 0, 0), Rgb(clBtnHighlight)) << "raised bevel";
  EXPECT_EQ(Shown(upper, upper->Width() - 1, 120), Rgb(clBtnShadow));
  EXPECT_EQ(Shown(upper, 2, 1), Rgb(clBtnFace)) << "the gradient starts at the button face";
  EXPECT_NE(Shown(upper, 2, 119), Rgb(clBtnFace)) << "and runs into the info colour";

  ASSERT_TRUE(lower->Caption()->Visible());
  EXPECT_EQ(lower->Caption()->Text(), "Options");
  const int32_t w = lower->Width();
  EXPECT_EQ(Shown(lower, w / 2, 10), Rgb(clHighlight));
  EXPECT_EQ(Shown(lower, w - 8, 8), 0xFFFFFFu) << "the white collapse triangle";
  // The caption text is drawn on the bar in its font's colour: the thin
  // strokes of a small font are smoothed, so a pixel near that colour counts.
  auto near = [](uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16})
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 48) return false;
    return true;
  };
  bool text = false;
  for (int32_t x = 1; x < 60 && !text; ++x)
    for (int32_t y = 2; y < 18 && !text; ++y) text = near(Shown(lower, x, y), Rgb(clHighlightText));
  EXPECT_TRUE(text) << "\"Options\" on the bar";

  Click(lower, w - 8, 8);
  EXPECT_TRUE(lower->Collaps());
  EXPECT_EQ(lower->Height(), lower->Parent()->ClientHeight() - 121 - 41) << "the client-aligned panel keeps its place";
  EXPECT_FALSE(dlg->cbHideSecret->Visible());
  EXPECT_FALSE(dlg->cbRemember->Visible());
  EXPECT_EQ(Shown(lower, w / 2, 10), Rgb(clBtnFace)) << "the collapsed bar takes the button face";

  Click(lower, w - 8, 8);
  EXPECT_FALSE(lower->Collaps());
  EXPECT_TRUE(dlg->cbHideSecret->Visible());
  EXPECT_TRUE(dlg->cbRemember->Visible());
  EXPECT_EQ(Shown(lower, w / 2, 10), Rgb(clHighlight));
  // The check boxes stay clickable below the bar.
  const bool was = dlg->cbRemember->Checked();
  Click(dlg->cbRemember, 5, 8);
  EXPECT_NE(dlg->cbRemember->Checked(), was);
  dlg->Free();
}

}  // namespace
