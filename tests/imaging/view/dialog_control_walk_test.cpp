// Every visible control of the imaging dialogs pressed once through injected
// input: the save-parameter form on each format's page (full and simplified),
// its colour panels, OK and Cancel; the open and save dialogs' own controls
// on the user interface's file dialog.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ControlWalk.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/TImagoMView.h"
#include "imaging/view/TImagoView.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "imaging/view/TfIOPreviews.h"
#include "tests/ui/FrameworkTestSupport.h"
#include "ui/ColorDialog.h"
#include "ui/TListView.h"
#include "ui/TScreen.h"
#include "ui/TSpeedButton.h"

namespace fs = std::filesystem;

namespace {

class ControlWalk : public FrameworkTest {
 protected:
  void SetUp() override {
    FrameworkTest::SetUp();
    RegisterIOPreviewsDialog();
    image_.Allocate(40, 30, ieRGB24);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x)
        image_.SetRGB24(x, y, MakeRGBTriple(uint8_t(x * 6), uint8_t(y * 8), 90));
    io_ = new TImagoIO(nullptr);
    io_->UseIEBitmap(&image_);
    io_->OnIOPreview = [this](TObject*, TIEIOPreviewsDialog* d) { form_ = static_cast<TfIOPreviews*>(d); };
  }
  void TearDown() override {
    io_->UseIEBitmap(nullptr);
    delete io_;
    SetIOPreviewsDialogFactory({});
    Pump();
    FrameworkTest::TearDown();
  }

  TIEBitmap image_;
  TImagoIO* io_ = nullptr;
  TfIOPreviews* form_ = nullptr;
};

struct PageCase {
  const char* name;
  uint16_t pages;
};
constexpr PageCase kPages[] = {{"JPEG", ieppJPEG}, {"TIFF", ieppTIFF}, {"GIF", ieppGIF},
                               {"BMP", ieppBMP},   {"PCX", ieppPCX},   {"PNG", ieppPNG},
                               {"TGA", ieppTGA},   {"JPEG 2000", ieppJ2000}};

}  // namespace

// Each page's controls react to the user; Preview computes a preview; the
// colour panels open the colour dialog; OK closes the form confirmed and
// Cancel closes it cancelled.
TEST_F(ControlWalk, SaveParameterFormOnEveryPage) {
  for (bool simplified : {false, true}) {
    io_->SimplifiedParamsDialogs = simplified;
    for (const PageCase& page : kPages) {
      SCOPED_TRACE(std::string(page.name) + (simplified ? " simplified" : " full"));
      for (bool confirm : {true, false}) {
        std::vector<TPanel*> panels;
        int32_t pressed = 0, colour_dialogs = 0, previews_before = 0;
        std::vector<std::function<void()>> steps;
        steps.push_back([&] {
          ASSERT_NE(form_, nullptr);
          ASSERT_EQ(Screen->ActiveForm(), form_);
          previews_before = form_->PreviewCount();
          const walk::Result r = walk::Walk(
              // OK and Cancel end the walk; the two views' zoom and scroll
              // under the mouse are walked in the previews dialog's tests.
              form_, {form_->Button1, form_->Button2, form_->Imago1, form_->Imago2},
              [&](TButton* b) {
                ASSERT_EQ(b, form_->Button3) << "an unexpected button: " << b->Caption();
                walk::ClickCentre(b);
                EXPECT_EQ(form_->PreviewCount(), previews_before + 1) << "Preview computes one";
              },
              [&](TPanel* p) { panels.push_back(p); });
          pressed = r.pressed;
          EXPECT_TRUE(r.not_pressed.empty()) << r.not_pressed.front();
        });
        // A colour panel opens the colour dialog (a modal loop of its own):
        // one step presses the panel, the next closes the dialog.
        for (size_t i = 0; i < 4; ++i) {
          steps.push_back([&, i] {
            if (i < panels.size()) walk::ClickCentre(panels[i]);
          });
          steps.push_back([&, i] {
            if (i >= panels.size()) return;
            TCustomForm* f = Screen->ActiveForm();
            if (f && f != form_) {
              ++colour_dialogs;
              walk::PressKey(VK_ESCAPE);
            }
          });
        }
        steps.push_back([&] {
          ASSERT_EQ(Screen->ActiveForm(), form_);
          walk::ClickCentre(confirm ? form_->Button1 : form_->Button2);
        });
        form_ = nullptr;
        bool result = !confirm;
        WithSteps(steps, [&] { result = io_->DoPreviews(page.pages); });
        EXPECT_EQ(result, confirm) << (confirm ? "OK" : "Cancel");
        EXPECT_GT(pressed, 1);
        EXPECT_EQ(colour_dialogs, static_cast<int32_t>(panels.size()));
      }
    }
  }
}
