// The colour dialog: picking by swatch and by typed values, the custom
// colours, Cancel leaving the record alone, and the component over it.
#include "ui/ColorDialog.h"

#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "ui/TButton.h"
#include "ui/TEdit.h"
#include "ui/TPanel.h"

namespace {

class ColorDialogTest : public FrameworkTest {
 protected:
  template <class T>
  T* Part(const std::string& name) {
    TCustomForm* f = Screen->ActiveForm();
    return f ? dynamic_cast<T*>(f->FindComponent(name)) : nullptr;
  }
  void Tap(const std::string& name) {
    TControl* c = Part<TControl>(name);
    ASSERT_NE(c, nullptr) << name;
    HeadlessAdvanceClock(1000);
    Click(c, 5, 5);
  }
  std::string Edits() {
    return Part<TEdit>("RedEdit")->Text() + "," + Part<TEdit>("GreenEdit")->Text() + "," +
           Part<TEdit>("BlueEdit")->Text();
  }
};

TEST_F(ColorDialogTest, SwatchesAndTypedValuesPickTheColour) {
  CHOOSECOLOR cc;
  cc.rgbResult = RGB(10, 20, 30);
  cc.Flags = CC_RGBINIT;
  bool ok = false;
  WithSteps({[&] {
               ASSERT_NE(Part<TEdit>("RedEdit"), nullptr);
               EXPECT_EQ(Edits(), "10,20,30");
               EXPECT_EQ(Part<TPanel>("Sample")->Color(), TColor(RGB(10, 20, 30)));
             },
             [&] {
               Tap("Basic8");  // the pure red of the second row
               EXPECT_EQ(Edits(), "255,0,0");
               EXPECT_EQ(Part<TPanel>("Sample")->Color(), TColor(RGB(255, 0, 0)));
             },
             // Typed values: too large reads as 255, not a number as 0.
             [&] {
               Part<TEdit>("GreenEdit")->SetText("300");
               Part<TEdit>("BlueEdit")->SetText("7x");
               EXPECT_EQ(Part<TPanel>("Sample")->Color(), TColor(RGB(255, 255, 0)));
               Part<TEdit>("BlueEdit")->SetText("64");
             },
             [&] { Key(VK_RETURN); }},
            [&] { ok = ChooseColor(&cc); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(cc.rgbResult, RGB(255, 255, 64));
}

TEST_F(ColorDialogTest, CustomColoursAreAddedAndReturnedOnlyOnOk) {
  COLORREF custom[16];
  for (int i = 0; i < 16; ++i) custom[i] = RGB(uint8_t(i), 0, 0);
  CHOOSECOLOR cc;
  cc.lpCustColors = custom;
  bool ok = true;
  // Without CC_RGBINIT the dialog starts from black; Cancel (Escape)
  // returns false and writes nothing back.
  WithSteps({[&] {
               EXPECT_EQ(Edits(), "0,0,0");
               Tap("Basic0");
               Tap("AddCustomButton");
               EXPECT_EQ(Part<TPanel>("Custom0")->Color(), TColor(ColorDialogBasicColors[0]));
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { ok = ChooseColor(&cc); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(custom[0], RGB(0, 0, 0));
  EXPECT_EQ(cc.rgbResult, 0u);
  // A selected custom swatch takes the colour; OK returns the list.
  WithSteps({[&] {
               Tap("Custom5");
               EXPECT_EQ(Edits(), "5,0,0");
               Part<TEdit>("GreenEdit")->SetText("200");
               Tap("AddCustomButton");
             },
             [&] { Tap("OkButton"); }},
            [&] { ok = ChooseColor(&cc); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(custom[5], RGB(5, 200, 0));
  EXPECT_EQ(custom[4], RGB(4, 0, 0));
  EXPECT_EQ(cc.rgbResult, RGB(5, 200, 0));
}

TEST_F(ColorDialogTest, ARecordOfTheWrongSizeShowsNothing) {
  CHOOSECOLOR cc;
  cc.lStructSize = 4;
  EXPECT_FALSE(ChooseColor(&cc));
  EXPECT_FALSE(ChooseColor(nullptr));
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

TEST_F(ColorDialogTest, TheComponentKeepsItsColourOnCancelAndTakesItOnOk) {
  TColorDialog dlg(nullptr);
  dlg.SetColor(clBtnFace);  // a system colour starts as its RGB value
  const COLORREF face = ColorToRGB(clBtnFace);
  WithSteps(
      {[&] { EXPECT_EQ(Part<TPanel>("Sample")->Color(), TColor(face)); }, [&] { Key(VK_ESCAPE); }},
      [&] { EXPECT_FALSE(dlg.Execute()); });
  EXPECT_EQ(dlg.Color(), clBtnFace);
  WithSteps({[&] {
               Tap("Basic28");
               Tap("AddCustomButton");
             },
             [&] { Tap("OkButton"); }},
            [&] { EXPECT_TRUE(dlg.Execute()); });
  EXPECT_EQ(dlg.Color(), TColor(RGB(0, 0, 255)));
  EXPECT_EQ(dlg.CustomColors()[0], RGB(0, 0, 255));
}

}  // namespace
