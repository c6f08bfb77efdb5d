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

namespace {

// A folder with a picture and an animation of three frames, made by
// ImageMagick.
class FileDialogWalk : public ControlWalk {
 protected:
  void SetUp() override {
    ControlWalk::SetUp();
    dir_ = fs::temp_directory_path() / ("nbv_walk_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    ok_ = std::system(("/usr/bin/convert -size 60x40 xc:orange PNG24:" + (dir_ / "pic.png").string()).c_str()) == 0 &&
          std::system(("/usr/bin/convert -delay 5 -size 30x20 xc:red xc:lime xc:blue " +
                       (dir_ / "anim.gif").string()).c_str()) == 0;
    if (!ok_) GTEST_SKIP() << "ImageMagick could not make the sample files";
  }
  void TearDown() override {
    fs::remove_all(dir_);
    ControlWalk::TearDown();
  }
  // Selects the file listed as Caption in the dialog's file list.
  void Select(const std::string& Caption) {
    TCustomForm* f = Screen->ActiveForm();
    auto* list = f ? dynamic_cast<TListView*>(f->FindComponent("FileList")) : nullptr;
    ASSERT_NE(list, nullptr);
    for (int32_t i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Item(i)->Caption() == Caption) list->SetSelected(list->Items()->Item(i));
  }
  fs::path dir_;
  bool ok_ = false;
};

}  // namespace

// The open dialog's own controls: the zoom box zooms the preview, the check
// box switches the preview, the preview button opens the full-size window,
// the play button plays the frames of an animation.
TEST_F(FileDialogWalk, OpenDialogsOwnControls) {
  TOwned<TOpenImagoDialog> d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  d->SetInitialDir(dir_.string());
  std::string full_preview;
  bool played = false, ok = false;
  walk::Result picture, info;
  WithSteps(
      {[&] {
         Select("pic.png");
         ASSERT_EQ(d->ImagoView()->GetIEBitmap()->Width(), 60);
         picture = walk::Walk(d->PicturePanel, {d->ImagoView(), d->ImagoMView()},
                              [](TButton* b) { ADD_FAILURE() << "unexpected button " << b->Caption(); });
         // The zoom box moved from "Fit" to "25%".
         EXPECT_EQ(d->ZoomCombo->Text(), "25%");
         EXPECT_DOUBLE_EQ(d->ImagoView()->Zoom(), 25);
         info = walk::Walk(d->InfoPanel, {}, [](TButton* b) { ADD_FAILURE() << "unexpected button " << b->Caption(); });
         EXPECT_FALSE(d->PreviewCheck->Checked());
         walk::ClickCentre(d->PreviewCheck);  // back on for the frames below
         ASSERT_TRUE(d->PreviewButton->Enabled());
         walk::ClickCentre(d->PreviewButton);
       },
       [&] {
         if (TCustomForm* f = Screen->ActiveForm()) full_preview = f->Name();
         walk::PressKey(VK_ESCAPE);
       },
       [&] {
         Select("anim.gif");
         ASSERT_TRUE(d->ShowingFrames());
         ASSERT_TRUE(d->PlayButton->Enabled());
         walk::ClickCentre(d->PlayButton);
         played = d->PlayButton->Down();
         walk::ClickCentre(d->PlayButton);
         EXPECT_FALSE(d->PlayButton->Down());
         walk::PressKey(VK_RETURN);
       }},
      [&] { ok = d->Execute(); });
  EXPECT_EQ(full_preview, "PreviewForm");
  EXPECT_TRUE(played);
  EXPECT_TRUE(ok);
  EXPECT_EQ(d->FileName(), (dir_ / "anim.gif").string());
  EXPECT_EQ(picture.pressed, 1);  // the zoom box
  EXPECT_EQ(info.pressed, 1);     // the preview check box
}

// The save dialog's own controls: the Advanced button opens the parameter
// form of the type chosen; the preview check box switches.
TEST_F(FileDialogWalk, SaveDialogsOwnControls) {
  TOwned<TSaveImagoDialog> s(new TSaveImagoDialog(nullptr));
  s->SetMsgLanguage(msEnglish);
  s->SetInitialDir(dir_.string());
  s->SetAttachedImagoIO(io_);
  s->SetFilterIndex(FilterIndexOfFileName(BuildImageFilter(true, msEnglish, false), "a.png"));
  std::string shown;
  walk::Result info;
  WithSteps({[&] {
               info = walk::Walk(s->InfoPanel, {}, [&](TButton* b) {
                 ASSERT_EQ(b, s->AdvancedButton);
                 walk::ClickCentre(b);
               });
             },
             [&] {
               if (TCustomForm* f = Screen->ActiveForm()) shown = f->ClassName();
               walk::PressKey(VK_ESCAPE);
             },
             [&] { walk::PressKey(VK_ESCAPE); }},
            [&] { s->Execute(); });
  EXPECT_EQ(shown, "TfIOPreviews");
  EXPECT_EQ(info.pressed, 2);  // Advanced and the preview check box
}

// ShowPlacesBar decides whether the platform dialog shows its places bar.
TEST_F(FileDialogWalk, ShowPlacesBarReachesThePlatformDialog) {
  for (bool places : {true, false}) {
    TOwned<TOpenImagoDialog> d(new TOpenImagoDialog(nullptr));
    d->SetInitialDir(dir_.string());
    d->SetShowPlacesBar(places);
    bool shown = !places;
    WithSteps({[&] {
                 TCustomForm* f = Screen->ActiveForm();
                 ASSERT_NE(f, nullptr);
                 shown = f->FindComponent("PlacesBar") != nullptr;
                 walk::PressKey(VK_ESCAPE);
               }},
              [&] { d->Execute(); });
    EXPECT_EQ(shown, places);
  }
}

// The open dialog's help: with ofShowHelp, its Help button and F1 ask the
// application for the dialog's topic; a dialog without a topic asks nobody.
TEST_F(FileDialogWalk, HelpAsksTheApplicationForTheDialogsTopic) {
  for (const int32_t topic : {1234, 0}) {
    TOwned<TOpenImagoDialog> d(new TOpenImagoDialog(nullptr));
    d->SetInitialDir(dir_.string());
    d->SetOptions(d->Options() + ofShowHelp);
    d->SetHelpContext(topic);
    std::vector<intptr_t> asked;
    Application->OnHelp = [&](uint16_t Command, intptr_t Data, bool&) {
      EXPECT_EQ(Command, HELP_CONTEXT);
      asked.push_back(Data);
      return true;
    };
    WithSteps({[&] {
                TCustomForm* f = Screen->ActiveForm();
                auto* help = f ? dynamic_cast<TButton*>(f->FindComponent("HelpButton")) : nullptr;
                ASSERT_NE(help, nullptr);
                walk::ClickCentre(help);
                walk::PressKey(VK_F1);
                walk::PressKey(VK_ESCAPE);
              }},
              [&] { d->Execute(); });
    Application->OnHelp = nullptr;
    const std::vector<intptr_t> expected = topic ? std::vector<intptr_t>{topic, topic} : std::vector<intptr_t>{};
    EXPECT_EQ(asked, expected) << topic;
  }
}
