// The main window's toolbar and the themed check boxes as a user meets
// them: keys typed into the picture, and what the check boxes of the
// pass-phrase panels show after a real paint.
#include "tests/e2e/ProgramTestSupport.h"

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "panels/TUxNavBar.h"
#include "platform/Input.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKItem.h"

namespace {

// The caption part of a check box (right of its glyph) as the user sees it:
// mostly the light background of its panel, with dark letters on it.
void ExpectCaptionOnLightBackground(TTBKCheckBox* Box, const std::string& What) {
  const Surface s = CopyWindowPixels(Box->Handle());
  ASSERT_GT(s.Width(), 40) << What;
  int light = 0, dark = 0, all = 0;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 20; x < s.Width(); ++x) {
      const uint32_t p = s.Get(x, y) & 0xFFFFFF;
      const int sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
      light += sum >= 3 * 180;
      dark += sum < 3 * 100;
      ++all;
    }
  EXPECT_GT(light, all * 2 / 3) << What << ": the panel's background, not a black bar";
  EXPECT_GT(dark, 30) << What << ": the caption's letters";
  EXPECT_LT(dark, all / 3) << What;
}

}  // namespace

TEST_F(ProgramTest, ThePassPhraseCheckBoxesShowTheirCaptionsOnTheirPanels) {
  StartProgram();
  TUxNavBar* bar = frmMain->UxNavBar1;
  ClickAt(bar, 100, bar->TabRect(1).Top + 12);
  ASSERT_TRUE(frmMain->cbPassWordMain->Showing());
  frmMain->Repaint();
  Pump();
  ExpectCaptionOnLightBackground(frmMain->cbPassWordMain, "main window");
  WithSteps({[] {
    ASSERT_EQ(Screen->ActiveForm(), frmPassword);
    frmPassword->Repaint();
    Application->ProcessMessages();
    ExpectCaptionOnLightBackground(frmPassword->cbHideSecret, "hide");
    ExpectCaptionOnLightBackground(frmPassword->cbRemember, "remember");
    frmPassword->TBKButton2->Click();
  }},
            [] { EXPECT_EQ(frmPassword->ShowModal(), mrCancel); });
}

TEST_F(ProgramTest, PlainLettersTypedIntoThePictureFireNoToolbarButton) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "xc:red")) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  int opens = 0;
  frmMain->OpenDialogExecute = [&](std::string& n) {
    ++opens;
    n = photo;
    return true;
  };
  frmMain->btnLoad->Click();
  ASSERT_EQ(opens, 1);
  ASSERT_EQ(frmMain->Imago1->GetIEBitmap()->Width(), 64);
  const TRGB before = frmMain->Imago1->GetIEBitmap()->GetPixelRGB(0, 0);
  ASSERT_EQ(before.r, 255);
  ClickCentre(frmMain->Imago1);
  ASSERT_TRUE(frmMain->Imago1->Focused());
  // c would clear the picture, f show it full screen, o open the dialog.
  for (int32_t vk : {'C', 'F', 'O'}) PressKey(vk);
  EXPECT_EQ(opens, 1) << "o opened the dialog";
  EXPECT_FALSE(frmFullScreen->Visible()) << "f went full screen";
  EXPECT_EQ(frmMain->Imago1->GetIEBitmap()->GetPixelRGB(0, 0), before) << "c cleared the picture";
  // Alt and the letter is the keyboard's way to the buttons.
  InjectKey(VK_MENU, true);
  InjectKey('O', true);
  InjectKey('O', false);
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_EQ(opens, 2);
}
