// Every window of the program, in every language, shows its captions whole:
// each window is painted through (the options dialog page by page, the
// navigation bar panel by panel, every combo box dropped down) while the
// platform reports each text that drawing cuts, by the clip region of its
// control or by an ellipsis; and the toolbar's items lie inside the toolbar.
#include "tests/e2e/ProgramTestSupport.h"

#include "app/TfrmSplash.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/view/TOpenImagoDialog.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "l10n/TlxLangDispatcher.h"
#include "panels/TUxNavBar.h"
#include "platform/Text.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TListView.h"
#include "ui/TNotebook.h"
#include "ui/TPageControl.h"

#include <set>

namespace {

struct Language {
  const char* Locale;
  int32_t Number;  // as the dispatcher numbers it
};
void PrintTo(const Language& L, std::ostream* Out) { *Out << L.Locale; }

// Every text the format registry gives a picture's parameters: each entry
// with each variant its description tells apart.
std::vector<std::string> AllFormatDescriptions() {
  std::set<std::string> texts;
  for (int32_t i = 0; i < FormatCount(); ++i)
    for (uint8_t k = 0; k < 10; ++k) {
      TIOParamsVals p(nullptr);
      p.FileType = FormatAt(i)->TypeId;
      p.TiffCompression = p.JpegColorSpace = p.J2000ColorSpace = p.PcxCompression = p.BmpVersion = k;
      p.GifInterlaced = p.PngInterlaced = p.TgaCompressed = k & 1;
      texts.insert(DescribeImageParams(&p));
    }
  return {texts.begin(), texts.end()};
}

class CaptionsFit : public ProgramTest, public ::testing::WithParamInterface<Language> {
 protected:
  std::string where_;                     // the window and control being painted
  TCustomComboBox* face_ = nullptr;       // the drop-down list whose box is being painted
  bool watching_ = false;                 // only the paints asked for here are judged
  std::vector<std::string> cuts_;

  void SetUp() override {
    ProgramTest::SetUp();
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    setenv("LANG", GetParam().Locale, 1);
    SetTextCutObserver([this](const TTextCut& Cut) {
      if (!watching_) return;
      // A closed drop-down list shows its chosen entry in its box, cut
      // where the box is narrower; its list shows every entry whole.
      if (face_ && face_->Items()->IndexOf(Cut.Text) >= 0) return;
      cuts_.push_back(where_ + ": \"" + Cut.Text + "\" needs " + std::to_string(Cut.Width) + " pixels, shows " +
                      std::to_string(Cut.Shown));
    });
  }
  void TearDown() override {
    SetTextCutObserver(nullptr);
    ProgramTest::TearDown();
  }

  // Paints the control (with the graphic controls it holds), then each of
  // its windowed children in turn, so that a cut is told with its control.
  void PaintAll(TWinControl* Control, const std::string& Window) {
    if (!Control->Visible() || !Control->HandleAllocated()) return;
    where_ = Window + ", " + (Control->Name().empty() ? Control->ClassName() : Control->Name());
    face_ = dynamic_cast<TCustomComboBox*>(Control);
    if (face_ && face_->Style() != csDropDownList) face_ = nullptr;
    watching_ = true;
    RedrawWindow(Control->Handle(), nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN | RDW_UPDATENOW);
    watching_ = false;
    face_ = nullptr;
    for (int32_t i = 0; i < Control->ControlCount(); ++i)
      if (auto* w = dynamic_cast<TWinControl*>(Control->Controls(i))) PaintAll(w, Window);
  }
  // Paints the dropped-down list of every combo box inside the control.
  void DropDownAll(TWinControl* Control, const std::string& Window) {
    for (int32_t i = 0; i < Control->ControlCount(); ++i) {
      auto* w = dynamic_cast<TWinControl*>(Control->Controls(i));
      if (!w || !w->Visible()) continue;
      if (auto* combo = dynamic_cast<TCustomComboBox*>(w); combo && combo->Items()->Count() > 0) {
        where_ = Window + ", " + combo->Name() + " dropped down";
        combo->SetDroppedDown(true);
        UpdateWindow(combo->Handle());  // the box, judged above
        watching_ = true;
        Application->ProcessMessages();
        watching_ = false;
        combo->SetDroppedDown(false);
      }
      DropDownAll(w, Window);
    }
  }
  void PaintWindow(TCustomForm* Form, const std::string& Window) {
    PaintAll(Form, Window);
    DropDownAll(Form, Window);
  }
  // The file dialog in front: each picture selected in turn, so that the
  // preview's labels describe it, and the dialog painted; its lists dropped
  // down; then cancelled.
  std::function<void()> PaintFileDialog(const std::string& Window, const std::vector<std::string>& Pictures) {
    return [this, Window, Pictures] {
      TCustomForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      auto* list = dynamic_cast<TListView*>(f->FindComponent("FileList"));
      ASSERT_NE(list, nullptr) << "not a file dialog";
      auto* types = dynamic_cast<TComboBox*>(f->FindComponent("TypeCombo"));
      ASSERT_NE(types, nullptr);
      for (const std::string& picture : Pictures) {
        // The file type of the picture, chosen with the keys as a user would.
        const std::string pattern = "*" + picture.substr(picture.rfind('.'));
        types->SetFocus();
        for (uint16_t key : {uint16_t(VK_HOME), uint16_t(VK_DOWN)}) {
          for (int32_t i = 0; i < types->Items()->Count(); ++i) {
            if (types->Text().find(pattern) != std::string::npos) break;
            InjectKey(key, true);
            InjectKey(key, false);
            Application->ProcessMessages();
            if (key == VK_HOME) break;
          }
        }
        ASSERT_NE(types->Text().find(pattern), std::string::npos) << "no file type for " << picture;
        TListItem* item = nullptr;
        for (int32_t i = 0; i < list->Items()->Count(); ++i)
          if (list->Items()->Item(i)->Caption() == picture) item = list->Items()->Item(i);
        ASSERT_NE(item, nullptr) << picture << " is not listed";
        list->SetSelected(item);
        EXPECT_FALSE(frmMain->OpenImagoDialog1->InfoLabel1->Caption().empty() &&
                     frmMain->SaveImagoDialog1->InfoLabel1->Caption().empty())
            << "the preview describes " << picture;
        PaintAll(f, Window + " showing " + picture);
      }
      // Every format description the preview can put in its first label.
      TOpenImagoDialog* d = frmMain->OpenImagoDialog1->InfoPanel->Parent() ? frmMain->OpenImagoDialog1
                                                                             : frmMain->SaveImagoDialog1;
      const std::string kept = d->InfoLabel1->Caption();
      for (const std::string& text : AllFormatDescriptions()) {
        d->InfoLabel1->SetCaption(text);
        PaintAll(f, Window + " describing a format");
      }
      d->InfoLabel1->SetCaption(kept);
      DropDownAll(f, Window);
      dynamic_cast<TButton*>(f->FindComponent("CancelButton"))->Click();
    };
  }
};

TEST_P(CaptionsFit, InEveryWindow) {
  // 4000 x 6000 pixels in colour: the preview's memory size reads
  // "70312 KB", the colours "16777216 Colors (24 bit)".
  const std::string big = dir_ + "/pics/big.jpg";
  if (!MakeImage(big, "xc:orange", "4000x6000") || !MakeImage(dir_ + "/pics/small.png") ||
      !MakeImage(dir_ + "/pics/small.bmp"))
    GTEST_SKIP() << "ImageMagick is not installed";
  const std::vector<std::string> pictures = {"big.jpg", "small.png", "small.bmp"};
  StartProgram();
  ASSERT_EQ(frmMain->lxLangDispatcher1->ActiveLanguage(), GetParam().Number);
  frmMain->BrowseFolder(dir_ + "/pics");
  frmMain->OpenImage(big);
  ASSERT_TRUE(frmMain->btnSave->Enabled());
  Pump();

  // The main window, with each panel of the navigation bar.
  for (int32_t panel : {1, 0}) {
    frmMain->UxNavBar1->SetActiveTabIndex(panel);
    Pump();
    PaintWindow(frmMain, "main window, panel " + std::to_string(panel));
  }
  // The toolbar's items all lie on the toolbar.
  TTBKToolbar* bar = frmMain->TBKToolbar1;
  for (int32_t i = 0; i < bar->Items()->ChildCount(); ++i) {
    TDKCustomItem* item = bar->Items()->GetItem(i);
    if (!item->Visible()) continue;
    EXPECT_LE(bar->ItemRect(item).Right, bar->ClientWidth())
        << "toolbar item \"" << item->Caption() << "\" lies past the toolbar's end";
  }
  // The main window at its own size, not maximised.
  frmMain->SetWindowState(wsNormal);
  Pump();
  for (int32_t i = 0; i < bar->Items()->ChildCount(); ++i) {
    TDKCustomItem* item = bar->Items()->GetItem(i);
    if (!item->Visible()) continue;
    EXPECT_LE(bar->ItemRect(item).Right, bar->ClientWidth())
        << "toolbar item \"" << item->Caption() << "\" lies past the toolbar's end at the window's own size";
  }
  PaintWindow(frmMain, "main window, own size");

  // The dialogs.
  WithSteps({[this] {
              PaintWindow(frmPassword, "pass-phrase dialog");
              CloseActive(mrCancel);
            }},
            [] { frmPassword->ShowModal(); });
  WithSteps({[this] {
              for (int32_t i = 0; i < frmOptions->PageControl1->PageCount(); ++i) {
                frmOptions->PageControl1->SetActivePageIndex(i);
                PaintWindow(frmOptions, "options, page " + frmOptions->PageControl1->Pages(i)->Name());
              }
              CloseActive(mrCancel);
            }},
            [] { frmMain->btnOptions->Click(); });
  WithSteps({[this] {
              PaintWindow(frmFullScreen, "full screen");
              frmFullScreen->Imago1DblClick(frmFullScreen);
            }},
            [] { frmMain->btnFullScreen->Click(); });
  WithSteps({[this] {
              ASSERT_NE(frmSplash, nullptr);
              PaintWindow(frmSplash, "about box");
              frmSplash->BtnClose->Click();
            }},
            [] { frmMain->btnAbout->Click(); });
  // The start-up screen as the program's entry shows it.
  auto* splash = new TfrmSplash(Application);
  splash->Notebook1->SetActivePage("About");
  splash->SetTag(100);
  splash->Show();
  Pump();
  PaintWindow(splash, "start-up screen");
  splash->Free();

  // The imaging library's open and save dialogs with their preview panel.
  frmMain->OpenImagoDialog1->SetInitialDir(dir_ + "/pics");
  WithSteps({PaintFileDialog("open dialog", pictures)}, [] { frmMain->btnLoad->Click(); });
  frmMain->SaveImagoDialog1->SetInitialDir(dir_ + "/pics");
  WithSteps({PaintFileDialog("save dialog", pictures)}, [] { frmMain->btnSave->Click(); });

  for (const std::string& c : cuts_) ADD_FAILURE() << c;
}

std::string LanguageName(const ::testing::TestParamInfo<Language>& Info) {
  static const char* const kNames[] = {"English", "French", "German", "Italian", "Portuguese", "Spanish"};
  return kNames[Info.param.Number - 1];
}

INSTANTIATE_TEST_SUITE_P(Languages, CaptionsFit,
                         ::testing::Values(Language{"en_US.UTF-8", 1}, Language{"fr_FR.UTF-8", 2},
                                           Language{"de_DE.UTF-8", 3}, Language{"it_IT.UTF-8", 4},
                                           Language{"pt_PT.UTF-8", 5}, Language{"es_ES.UTF-8", 6}),
                         LanguageName);

}  // namespace
