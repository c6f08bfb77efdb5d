// The open and save dialogs driven through a stand-in of the platform's file
// dialog: it runs "modally" by sending the template notifications a user's
// actions cause, and answers the queries of the dialog's hook. Image files
// come from ImageMagick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/TImagoMIO.h"
#include "imaging/view/TImagoMView.h"
#include "imaging/view/TImagoView.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "imaging/view/TfIOPreviews.h"
#include "platform/Backend.h"
#include "platform/Surface.h"
#include "platform/SysInfo.h"
#include "rtl/Exception.h"
#include "tests/imaging/io/AviTestSupport.h"
#include "tests/ui/FrameworkTestSupport.h"
#include "ui/TForm.h"
#include "ui/TBitmap.h"
#include "ui/TButton.h"
#include "ui/TCanvas.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TLabel.h"
#include "ui/TListView.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TSpeedButton.h"
#include "ui/TTimer.h"
#include "ui/TTrackBar.h"

namespace fs = std::filesystem;

namespace {

// The platform dialog as the tests play it.
struct FakeDialog : TIEFileDialogHost {
  std::string path;      // the current selection or typed name, full path
  std::string spec;      // the file-name box
  int32_t filter_index = 1;
  std::string def_ext;
  bool answer_overwrite = true;
  std::vector<std::string> overwrite_questions;
  TIEOpenFileRecord seen;
  // The user's actions while the dialog is open; returns whether the user
  // pressed OK (the file OK notification is sent first).
  std::function<bool(FakeDialog&, TIECommonDialog&)> script;
  bool file_ok_refused = false;

  bool Run(TIECommonDialog& Dialog, TIEOpenFileRecord& Record) override {
    seen = Record;
    filter_index = Record.FilterIndex;
    Dialog.Notify(CDN_INITDONE);
    bool ok = script ? script(*this, Dialog) : false;
    if (ok) {
      file_ok_refused = Dialog.Notify(CDN_FILEOK) != 0;
      ok = !file_ok_refused;
    }
    Record.FilterIndex = filter_index;
    if (ok) Record.File = path;
    return ok;
  }
  std::string GetFilePath() override { return path; }
  std::string GetSpec() override { return spec; }
  void SetControlText(int32_t Id, const std::string& Text) override {
    if (Id == edt1) spec = Text;
  }
  void SetDefExt(const std::string& Extension) override { def_ext = Extension; }
  int32_t GetFilterIndex() override { return filter_index; }
  TRect TemplateClientRect() override { return TRect{{0}, {0}, {573}, {272}}; }
  TRect PlaceholderRect() override { return TRect{{3}, {6}, {420}, {220}}; }
  bool ConfirmOverwrite(const std::string& FileName) override {
    overwrite_questions.push_back(FileName);
    return answer_overwrite;
  }

  void Select(TIECommonDialog& d, const std::string& p) {
    path = p;
    spec = fs::path(p).filename().string();
    d.Notify(CDN_SELCHANGE);
  }
  void ChooseType(TIECommonDialog& d, int32_t index) {
    filter_index = index;
    d.Notify(CDN_TYPECHANGE);
  }
};

struct DialogFree {
  void operator()(TComponent* c) const { c->Free(); }
};

class FileDialog : public FrameworkTest {
 protected:
  static void SetUpTestSuite() {
    dir_ = fs::temp_directory_path() / ("nbv_dialog_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
    const std::string base = "/usr/bin/convert -size 640x480 gradient:red-blue -type TrueColor "
                             "-units PixelsPerInch -density 96 ";
    ok_ = std::system((base + "BMP3:" + (dir_ / "pic.bmp").string()).c_str()) == 0 &&
          std::system((base + "-quality 90 " + (dir_ / "pic.jpg").string()).c_str()) == 0 &&
          std::system((base + "PNG24:" + (dir_ / "pic.png").string()).c_str()) == 0 &&
          std::system(("/usr/bin/convert -size 50x40 xc:green PNG24:" + (dir_ / "small.png").string())
                          .c_str()) == 0 &&
          std::system(("/usr/bin/convert -size 4000x3000 xc:gray50 -quality 50 " +
                       (dir_ / "big.jpg").string()).c_str()) == 0;
    std::ofstream(dir_ / "junk.png") << "not an image at all";
  }
  static void TearDownTestSuite() { fs::remove_all(dir_); }

  void SetUp() override {
    if (!ok_) GTEST_SKIP() << "ImageMagick could not make the sample files";
    FrameworkTest::SetUp();
    host_ = std::make_shared<FakeDialog>();
    SetFileDialogHostFactory([this] { return host_; });
  }
  void TearDown() override {
    SetFileDialogHostFactory(nullptr);
    if (ok_) FrameworkTest::TearDown();
  }
  static std::string File(const char* name) { return (dir_ / name).string(); }

  // Runs d on the user interface's own file dialog in folder: selects the
  // listed file caption, notes the first picture label and the current path
  // then, and presses Enter. Returns what Execute returned.
  bool PickOnPlatformDialog(TOpenImagoDialog* d, const std::string& folder, const std::string& caption,
                            std::string* label = nullptr, std::string* path = nullptr) {
    SetFileDialogHostFactory(nullptr);
    d->SetInitialDir(folder);
    bool ok = false;
    WithSteps({[&] {
                 TCustomForm* f = Screen->ActiveForm();
                 auto* list = f ? dynamic_cast<TListView*>(f->FindComponent("FileList")) : nullptr;
                 ASSERT_NE(list, nullptr);
                 TListItem* item = nullptr;
                 for (int32_t i = 0; i < list->Items()->Count(); ++i)
                   if (list->Items()->Item(i)->Caption() == caption) item = list->Items()->Item(i);
                 ASSERT_NE(item, nullptr) << "not listed: " << caption;
                 list->SetSelected(item);
                 if (label) *label = d->PicLabel1->Caption();
                 if (path) *path = d->FileName();
               },
               [&] { Key(VK_RETURN); }},
              [&] { ok = d->Execute(); });
    return ok;
  }

  std::shared_ptr<FakeDialog> host_;
  static inline fs::path dir_;
  static inline bool ok_ = false;
};

using OpenPtr = std::unique_ptr<TOpenImagoDialog, DialogFree>;
using SavePtr = std::unique_ptr<TSaveImagoDialog, DialogFree>;

TEST_F(FileDialog, OpenDialogPreviewsAndDescribesA24BitFile) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  int32_t selection_events = 0;
  d->OnSelectionChange = [&](TObject*) { ++selection_events; };
  std::vector<std::string> sizes;
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    // The preview panel sits right of the placeholder; the info panel under it.
    EXPECT_EQ(d->PicturePanel->Left(), 420);
    EXPECT_EQ(d->PicturePanel->BoundsRect().Right, 573);
    EXPECT_EQ(d->InfoPanel->Top(), 220);
    EXPECT_EQ(d->ZoomCombo->Items()->Count(), 11);
    EXPECT_EQ(d->ZoomCombo->Items()->Strings(0), "Fit");
    EXPECT_TRUE(d->PreviewCheck->Visible());
    for (const char* name : {"pic.bmp", "pic.jpg", "pic.png"}) {
      h.Select(dlg, File(name));
      EXPECT_EQ(d->PicLabel1->Caption(), "640 x 480 pixel") << name;
      EXPECT_EQ(d->PicLabel2->Caption(), "16777216 Colors (24 bit)") << name;
      EXPECT_EQ(d->PicLabel3->Caption(), "96 x 96 dpi") << name;
      sizes.push_back(d->InfoLabel2->Caption());
      // The preview holds the file's image (a JPEG may be decoded reduced).
      TIEBitmap* b = d->ImagoView()->GetIEBitmap();
      EXPECT_GT(b->Width(), 1) << name;
      EXPECT_EQ(int64_t(b->Width()) * 480, int64_t(b->Height()) * 640) << name;
      EXPECT_TRUE(d->PreviewButton->Enabled());
      EXPECT_TRUE(d->ZoomCombo->Enabled());
      EXPECT_FALSE(d->ProgressBar->Visible());
      // Fit: the whole image inside the view.
      EXPECT_TRUE(d->ImagoView()->AutoFit);
      EXPECT_LE(d->ImagoView()->ZoomedWidth(), d->ImagoView()->ClientWidth());
    }
    EXPECT_TRUE(d->InfoLabel1->Caption().rfind("Portable Network Graphics (PNG)", 0) == 0)
        << d->InfoLabel1->Caption();
    h.Select(dlg, File("pic.bmp"));
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), File("pic.bmp"));
  EXPECT_EQ(selection_events, 4);
  ASSERT_EQ(sizes.size(), 3u);
  const auto kb = [](const char* name) { return std::to_string(fs::file_size(File(name)) / 1024); };
  EXPECT_EQ(sizes[0], "File: " + kb("pic.bmp") + " KB   Mem: 900 KB");
  EXPECT_EQ(sizes[0], "File: 900 KB   Mem: 900 KB");
  EXPECT_EQ(sizes[1], "File: " + kb("pic.jpg") + " KB   Mem: 900 KB");
  EXPECT_EQ(sizes[2], "File: " + kb("pic.png") + " KB   Mem: 900 KB");
  // The platform got the registry's list and the open template.
  EXPECT_EQ(host_->seen.Template, "IDD_IETEMPLATE");
  EXPECT_EQ(host_->seen.Filter, FilterToZeroList(BuildImageFilter(false, msEnglish, true)));
  EXPECT_FALSE(host_->seen.Save);
}

// The preview decodes a large JPEG reduced; the labels tell its own size.
TEST_F(FileDialog, LargeJpegIsDecodedReducedButDescribedWhole) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, File("big.jpg"));
    EXPECT_EQ(d->PicLabel1->Caption(), "4000 x 3000 pixel");
    // 3000 rows of 12000 bytes.
    EXPECT_TRUE(d->InfoLabel2->Caption().ends_with("Mem: 35156 KB")) << d->InfoLabel2->Caption();
    TIEBitmap* b = d->ImagoView()->GetIEBitmap();
    EXPECT_EQ(b->Width(), 500);  // an eighth still covers the view
    EXPECT_EQ(b->Height(), 375);
    return false;
  };
  d->Execute();
}

TEST_F(FileDialog, FoldersMissingAndBadFilesClearThePreview) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    for (const std::string& p :
         {dir_.string(), File("vanished.bmp"), File("junk.png"), std::string()}) {
      h.Select(dlg, File("pic.bmp"));
      EXPECT_FALSE(d->PicLabel1->Caption().empty());
      h.Select(dlg, p);
      EXPECT_EQ(d->PicLabel1->Caption(), "") << p;
      EXPECT_EQ(d->PicLabel2->Caption(), "") << p;
      EXPECT_EQ(d->InfoLabel1->Caption(), "") << p;
      EXPECT_EQ(d->InfoLabel2->Caption(), "") << p;
      EXPECT_FALSE(d->PreviewButton->Enabled()) << p;
      EXPECT_FALSE(d->ZoomCombo->Enabled()) << p;
      EXPECT_TRUE(d->ImagoView()->IsEmpty()) << p;
    }
    return false;
  };
  EXPECT_FALSE(d->Execute());
}

// A file of several frames is shown as thumbnails of its frames, which can
// play; other files go back to the single preview.
TEST_F(FileDialog, FilesOfSeveralFramesShowTheirFrames) {
  // Ten pages written by the thumbnail view's own companion, and an animation.
  const std::string tif = File("pages.tif"), gif = File("anim.gif");
  {
    TImagoMView* mv = new TImagoMView(nullptr);
    for (int32_t i = 0; i < 10; ++i) {
      mv->InsertImage(i);
      TIEBitmap b;
      b.Allocate(30, 20, ieRGB24);
      b.Fill(static_cast<TColor>(0x102030 * (i + 1)));
      mv->SetImage(i, &b);
    }
    ASSERT_TRUE(mv->GetMIO()->SaveToFile(tif));
    mv->Free();
  }
  ASSERT_EQ(std::system(("/usr/bin/convert -delay 20 -size 30x20 xc:red xc:lime xc:blue " + gif).c_str()), 0);

  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  TImagoMView* mv = d->ImagoMView();
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, tif);
    EXPECT_TRUE(d->ShowingFrames());
    EXPECT_TRUE(mv->Visible());
    EXPECT_FALSE(d->ImagoView()->Visible());
    EXPECT_EQ(mv->ImageCount(), 10);
    EXPECT_EQ(mv->ImageFileName(3), tif + "::3");
    EXPECT_EQ(d->Frames(), 10);
    // The first frame selected, the view at its origin, its labels shown.
    EXPECT_EQ(mv->SelectedIndex(), 0);
    EXPECT_EQ(mv->ViewX(), 0);
    EXPECT_TRUE(mv->HasStoredImage(0));
    EXPECT_EQ(d->PicLabel1->Caption(), "30 x 20 pixel , 10 frames");
    EXPECT_EQ(d->PicLabel2->Caption(), "16777216 Colors (24 bit)");
    EXPECT_TRUE(d->PlayButton->Enabled());
    EXPECT_TRUE(d->PreviewButton->Enabled());
    EXPECT_FALSE(d->ZoomCombo->Enabled());

    h.Select(dlg, gif);
    EXPECT_EQ(mv->ImageCount(), 3);
    EXPECT_EQ(d->PicLabel1->Caption(), "30 x 20 pixel , 3 frames");
    // Play: one frame fills the view.
    d->PlayButton->Click();
    EXPECT_TRUE(d->PlayButton->Down());
    EXPECT_TRUE(mv->Playing());
    EXPECT_FALSE(d->PreviewButton->Enabled());
    EXPECT_EQ(mv->ThumbWidth(), mv->Width() - 2 * GetSystemMetrics(SM_CXEDGE));
    EXPECT_EQ(mv->ThumbHeight(), mv->Height() - 2 * GetSystemMetrics(SM_CYEDGE));
    EXPECT_EQ(mv->HorizBorder(), 0);
    EXPECT_EQ(mv->DisplayMode(), mdSingle);
    d->PlayButton->Click();
    EXPECT_FALSE(mv->Playing());
    EXPECT_TRUE(d->PreviewButton->Enabled());
    EXPECT_EQ(mv->DisplayMode(), mdGrid);
    EXPECT_EQ(mv->SelectedIndex(), 0);

    // A file of one image goes to the preview again.
    h.Select(dlg, File("pic.png"));
    EXPECT_FALSE(d->ShowingFrames());
    EXPECT_FALSE(mv->Visible());
    EXPECT_TRUE(d->ImagoView()->Visible());
    EXPECT_EQ(mv->ImageCount(), 0);
    EXPECT_FALSE(d->PlayButton->Enabled());
    EXPECT_EQ(d->PicLabel1->Caption(), "640 x 480 pixel");

    // Without ShowAllFrames the first page is previewed; the label counts them all.
    d->SetShowAllFrames(false);
    h.Select(dlg, tif);
    EXPECT_FALSE(d->ShowingFrames());
    EXPECT_EQ(d->PicLabel1->Caption(), "30 x 20 pixel , 10 frames");
    EXPECT_EQ(d->ImagoView()->GetIEBitmap()->Width(), 30);

    // AlwaysAnimate plays an animation at once; another selection stops it.
    d->SetAlwaysAnimate(true);
    h.Select(dlg, gif);
    EXPECT_TRUE(mv->Playing());
    EXPECT_TRUE(d->PlayButton->Down());
    h.Select(dlg, File("pic.bmp"));
    EXPECT_FALSE(mv->Playing());
    EXPECT_FALSE(d->PlayButton->Down());
    return false;
  };
  EXPECT_FALSE(d->Execute());
}

TEST_F(FileDialog, UncheckedPreviewShowsOnlyTheLabels) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    d->PreviewCheck->SetChecked(false);
    h.Select(dlg, File("pic.jpg"));
    EXPECT_EQ(d->PicLabel1->Caption(), "640 x 480 pixel");
    EXPECT_EQ(d->PicLabel3->Caption(), "96 x 96 dpi");
    EXPECT_TRUE(d->ImagoView()->IsEmpty());
    d->PreviewCheck->SetChecked(true);
    EXPECT_FALSE(d->ImagoView()->IsEmpty());
    return false;
  };
  d->Execute();
}

// "All Files" gives no default extension, at the start or after a type
// change: a name typed without one stays as typed.
TEST_F(FileDialog, AllFilesAddsNoExtension) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  d->SetFilterIndex(2);
  ASSERT_EQ(FilterPattern(d->Filter(), 2), "*.*");
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    EXPECT_EQ(h.seen.DefExt, "");
    h.ChooseType(dlg, 3);
    EXPECT_FALSE(h.def_ext.empty());
    h.ChooseType(dlg, 2);
    EXPECT_EQ(h.def_ext, "");
    return false;
  };
  d->Execute();
}

// Without the preview the type is found by content too: a picture without
// extension or with a wrong one is described as with the preview.
TEST_F(FileDialog, UncheckedPreviewFindsTheTypeByContent) {
  for (const char* n : {"noext", "wrong.jpg"}) fs::copy_file(dir_ / "small.png", dir_ / n);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    for (const char* n : {"noext", "wrong.jpg"})
      for (bool checked : {true, false}) {
        d->PreviewCheck->SetChecked(checked);
        h.Select(dlg, File(n));
        EXPECT_EQ(d->PicLabel1->Caption(), "50 x 40 pixel") << n << checked;
        EXPECT_EQ(d->InfoLabel1->Caption(), "Portable Network Graphics (PNG)") << n << checked;
      }
    return false;
  };
  d->Execute();
  for (const char* n : {"noext", "wrong.jpg"}) fs::remove(dir_ / n);
}

TEST_F(FileDialog, ZoomBoxSetsThePreviewZoom) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, File("pic.bmp"));
    TImagoView* v = d->ImagoView();
    const double fit = v->Zoom();
    EXPECT_LT(fit, 25.0);
    d->SelectZoom(1);  // 25%
    EXPECT_FALSE(v->AutoFit);
    EXPECT_DOUBLE_EQ(v->Zoom(), 25.0);
    EXPECT_EQ(v->ZoomedWidth(), 160);
    d->SelectZoom(10);  // 400%
    EXPECT_DOUBLE_EQ(v->Zoom(), 400.0);
    d->SelectZoom(0);  // Fit
    EXPECT_TRUE(v->AutoFit);
    EXPECT_DOUBLE_EQ(v->Zoom(), fit);
    return false;
  };
  d->Execute();
}

TEST_F(FileDialog, CanCloseRefusalKeepsTheDialogOpen) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->OnCanClose = [](TObject*, bool& can) { can = false; };
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, File("pic.bmp"));
    return true;
  };
  EXPECT_FALSE(d->Execute());
  EXPECT_TRUE(host_->file_ok_refused);
}

TEST_F(FileDialog, RecordCarriesTheComponentsSettings) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetInitialDir("/home/someone/pictures/");
  EXPECT_EQ(d->InitialDir(), "/home/someone/pictures");
  d->SetInitialDir("/");
  EXPECT_EQ(d->InitialDir(), "/");
  d->SetTitle("Open a picture");
  d->SetShowPlacesBar(false);
  // Index 0: the entry derived from the name's extension.
  d->SetFilterIndex(0);
  d->SetFileName("/x/holiday.png");
  host_->script = [](FakeDialog&, TIECommonDialog&) { return false; };
  EXPECT_FALSE(d->Execute());
  const TIEOpenFileRecord& r = host_->seen;
  EXPECT_EQ(r.InitialDir, "/");
  EXPECT_EQ(r.Title, "Open a picture");
  EXPECT_TRUE(r.NoPlacesBar);
  EXPECT_EQ(r.File, "/x/holiday.png");
  EXPECT_EQ(r.FilterIndex, 1);  // the "all graphics" entry lists *.png first
  EXPECT_EQ(d->FilterIndex(), 1);
  EXPECT_EQ(r.DefExt, ".tif");  // the first extension of that entry
  EXPECT_TRUE(r.Options.Contains(ofHideReadOnly));
}

TEST_F(FileDialog, MultipleSelectionAndTheInfoPanelSwitch) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetOptions(TOpenOptions{ofHideReadOnly, ofAllowMultiSelect});
  d->SetExtendedDialog(false);
  std::vector<std::string> at_file_ok;
  d->OnCanClose = [&](TObject*, bool&) { at_file_ok = d->Files(); };
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    EXPECT_FALSE(d->PicLabel1->Visible());
    EXPECT_FALSE(d->PicLabel3->Visible());
    EXPECT_FALSE(d->ZoomCombo->Visible());
    // The folder, then the names; an absolute name stays as it is.
    h.path = std::string("/pics\0a.jpg\0b c.png\0/other/d.bmp\0", 33);
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_GE(host_->seen.MaxFile, 65519u);
  EXPECT_EQ(d->Files(), (std::vector<std::string>{"/pics/a.jpg", "/pics/b c.png", "/other/d.bmp"}));
  EXPECT_EQ(at_file_ok, d->Files());
  EXPECT_EQ(d->FileName(), "/pics/a.jpg");
}

// Before any file is chosen the preview area shows the view's background,
// as it does after a selection is cleared: plain white with the default
// border style set, white cells and their complement with the chessboard
// the view starts with; not the black of a view that painted nothing.
TEST_F(FileDialog, PreviewAreaShowsItsBackgroundBeforeAFileIsSelected) {
  for (bool solid : {true, false}) {
    OpenPtr d(new TOpenImagoDialog(nullptr));
    if (solid) d->SetPreviewBorderStyle(iepsDefault);
    SetFileDialogHostFactory(nullptr);
    d->SetInitialDir(dir_.string());
    int32_t checked = 0, white = 0, black = 0;
    WithSteps({[&] {
                 TImagoView* v = d->ImagoView();
                 ASSERT_TRUE(v->HandleAllocated());
                 v->Update();
                 Surface s = CopyWindowPixels(v->Handle());
                 for (int32_t y = 4; y < v->Height() - 4; y += 3)
                   for (int32_t x = 4; x < v->Width() - 4; x += 3, ++checked) {
                     const COLORREF c = PixelToColorRef(s.At(x, y) & 0xFFFFFF);
                     white += c == RGB(255, 255, 255);
                     black += c == RGB(0, 0, 0);
                   }
               },
               [&] { Key(VK_ESCAPE); }},
              [&] { d->Execute(); });
    SCOPED_TRACE(solid ? "solid" : "chessboard");
    EXPECT_GT(checked, 100);
    if (solid) {
      EXPECT_EQ(white, checked);
    } else {
      EXPECT_GT(white, checked / 3);
      EXPECT_EQ(white + black, checked);
    }
  }
}

TEST_F(FileDialog, ButtonPicturesAndCaptions) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msGerman);
  host_->script = [](FakeDialog&, TIECommonDialog&) { return false; };
  d->Execute();
  EXPECT_EQ(d->PreviewCheck->Caption(), "Vorschau");
  EXPECT_EQ(d->PreviewButton->Hint(), "Vorschau");
  EXPECT_EQ(d->PlayButton->Hint(), "Animieren");
  EXPECT_EQ(d->AdvancedButton->Caption(), "Erweitert...");
  TCanvas* play = d->PlayButton->Glyph()->Canvas();
  EXPECT_EQ(play->Pixels(0, 15), clOlive);  // the transparent colour
  EXPECT_EQ(play->Pixels(7, 8), clLime);    // inside the triangle
  TCanvas* lens = d->PreviewButton->Glyph()->Canvas();
  EXPECT_EQ(lens->Pixels(0, 15), clOlive);
  EXPECT_EQ(lens->Pixels(6, 6), clWhite);  // the glass
  EXPECT_EQ(lens->Pixels(12, 12), clBlack);  // the handle
}

// A name longer than the platform's 260 characters is handed over whole and
// the buffer has room for it and its terminators.
TEST_F(FileDialog, LongFileNamesAreNotCutOrOverrun) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  const std::string long_name = "/" + std::string(1000, 'n') + ".bmp";
  d->SetFileName(long_name);
  const std::string chosen = "/" + std::string(700, 'c') + "/" + std::string(250, 'f') + ".png";
  std::string seen_while_open;
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    h.path = chosen;
    seen_while_open = d->FileName();
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(host_->seen.File, long_name);
  EXPECT_GE(host_->seen.MaxFile, long_name.size() + 2);
  EXPECT_EQ(seen_while_open, chosen);
  EXPECT_EQ(d->FileName(), chosen);
}

TEST_F(FileDialog, SaveDialogListsWritableFormatsAndRewritesTheExtension) {
  SavePtr d(new TSaveImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  // Until the first execution, the fixed list.
  EXPECT_EQ(FilterPattern(d->Filter(), 1), "*.jpg");
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  const int32_t jpeg = FilterIndexOfFileName(writable, "a.jpg");
  const int32_t png = FilterIndexOfFileName(writable, "a.png");
  ASSERT_NE(jpeg, png);
  d->SetFilterIndex(jpeg);
  int32_t type_events = 0;
  d->OnTypeChange = [&](TObject*) { ++type_events; };
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    EXPECT_EQ(d->SelectedPattern(), FilterPattern(writable, jpeg));
    EXPECT_TRUE(d->UpdateTimer()->Enabled());
    EXPECT_EQ(d->UpdateTimer()->Interval(), 100u);
    h.path = File("my.photo.jpg");
    h.spec = "my.photo.jpg";
    h.ChooseType(dlg, png);
    EXPECT_EQ(h.spec, "my.png");
    EXPECT_EQ(h.def_ext, ".png");
    EXPECT_EQ(type_events, 1);
    h.ChooseType(dlg, png);  // the same entry again: no type change
    EXPECT_EQ(type_events, 1);
    // An empty name box is left alone.
    h.spec = "";
    h.ChooseType(dlg, jpeg);
    EXPECT_EQ(h.spec, "");
    h.spec = "my.photo.png";
    h.path = File("my.photo.png");
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(host_->seen.Filter, FilterToZeroList(writable));
  EXPECT_TRUE(host_->seen.Save);
  EXPECT_EQ(d->FilterIndex(), jpeg);
  EXPECT_EQ(d->FileName(), File("my.photo.png"));
  EXPECT_FALSE(d->UpdateTimer()->Enabled());
  // Only writable formats: every entry's extension has a writer.
  for (int32_t i = 1; i <= FilterEntryCount(d->Filter()); ++i) {
    const TIOFormatEntry* e = FindFormatInfoByExtension(PatternFirstExtension(FilterPattern(d->Filter(), i)));
    ASSERT_NE(e, nullptr) << i;
    EXPECT_NE(e->WriteProc, nullptr) << i;
  }
}

// A name that starts with a dot keeps it: a type change appends the
// extension, and the name counts as one without extension when completed.
TEST_F(FileDialog, SaveNameStartingWithADotKeepsIt) {
  SavePtr d(new TSaveImagoDialog(nullptr));
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  d->SetFilterIndex(FilterIndexOfFileName(writable, "a.jpg"));
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.spec = ".hidden";
    h.ChooseType(dlg, FilterIndexOfFileName(writable, "a.png"));
    EXPECT_EQ(h.spec, ".hidden.png");
    h.path = File(".pic");
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), File(".pic.png"));
}

TEST_F(FileDialog, SaveNameWithoutExtensionGetsTheTypesExtension) {
  SavePtr d(new TSaveImagoDialog(nullptr));
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  d->SetFilterIndex(FilterIndexOfFileName(writable, "a.jpg"));
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    h.path = File("holiday");
    return true;
  };
  ASSERT_TRUE(d->Execute());
  EXPECT_EQ(d->FileName(), File("holiday.jpg"));
}

// The overwrite question is asked about the file that will be written: the
// typed name completed with the type's extension.
TEST_F(FileDialog, OverwriteQuestionConcernsTheCompletedName) {
  SavePtr d(new TSaveImagoDialog(nullptr));
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  d->SetFilterIndex(FilterIndexOfFileName(writable, "a.bmp"));
  d->SetOptions(TOpenOptions{ofHideReadOnly, ofOverwritePrompt});
  host_->answer_overwrite = false;
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    h.path = File("pic");  // pic.bmp exists
    return true;
  };
  EXPECT_FALSE(d->Execute());
  ASSERT_EQ(host_->overwrite_questions.size(), 1u);
  EXPECT_EQ(host_->overwrite_questions[0], File("pic.bmp"));
  EXPECT_TRUE(host_->file_ok_refused);

  // Without the option nothing is asked.
  host_ = std::make_shared<FakeDialog>();
  d->SetOptions(TOpenOptions{ofHideReadOnly});
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    h.path = File("pic");
    return true;
  };
  EXPECT_TRUE(d->Execute());
  EXPECT_TRUE(host_->overwrite_questions.empty());
  EXPECT_EQ(d->FileName(), File("pic.bmp"));
}

TEST_F(FileDialog, SaveTemplatesAdvancedButtonAndAttachedParameters) {
  SavePtr d(new TSaveImagoDialog(nullptr));
  TImagoIO* io = new TImagoIO(d.get());
  io->SetMsgLanguage(msItalian);
  d->SetAttachedImagoIO(io);
  EXPECT_EQ(d->AttachedImagoIO(), io);
  EXPECT_EQ(d->MsgLanguage(), msItalian) << "the dialog speaks the component's language";
  d->SetMsgLanguage(msEnglish);
  d->SetAttachedImagoIO(new TComponent(d.get()));  // not an input/output object: ignored
  EXPECT_EQ(d->AttachedImagoIO(), io);
  io->Params()->JpegQuality = 80;
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  d->SetFilterIndex(FilterIndexOfFileName(writable, "a.jpg"));
  int32_t previews = 0;
  io->OnDoPreviews = [&](TObject*, bool& handled) {
    ++previews;
    io->Params()->JpegQuality = 20;  // the user changes a parameter
    handled = true;
  };
  d->SetExOptions(TIESaveDlgOpts{sdShowAdvanced});
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    EXPECT_FALSE(d->PreviewCheck->Visible());
    EXPECT_TRUE(d->AdvancedButton->Visible());
    EXPECT_EQ(d->AdvancedButton->Caption(), GetDialogWord(45, d->MsgLanguage()) + "...");
    h.path = File("out.jpg");
    d->UpdateAdvancedButton();
    EXPECT_TRUE(d->AdvancedButton->Enabled());
    EXPECT_EQ(io->Params()->FileType, ieftJPEG);
    d->AdvancedClick();
    // An unknown extension takes the format of the selected type's pattern.
    io->Params()->FileType = 0;
    h.path = File("out.xyz");
    d->UpdateAdvancedButton();
    EXPECT_TRUE(d->AdvancedButton->Enabled());
    EXPECT_EQ(io->Params()->FileType, ieftJPEG);
    return false;
  };
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(d->TemplateName(), "IDD_IETEMPLATE1");
  EXPECT_EQ(previews, 1);
  // Cancelled: the parameters changed through the Advanced button are undone.
  EXPECT_EQ(io->Params()->JpegQuality, 80);

  // The attached object going away is forgotten.
  io->Free();
  EXPECT_EQ(d->AttachedImagoIO(), nullptr);
  host_ = std::make_shared<FakeDialog>();
  d->SetExOptions(TIESaveDlgOpts{sdShowPreview, sdShowAdvanced});
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(d->TemplateName(), "IDD_IETEMPLATE");
}

TEST_F(FileDialog, AdvancedOpensTheParameterFormAndCancelUndoesIt) {
  SavePtr d(new TSaveImagoDialog(nullptr));  // installs the parameter form
  TImagoIO* io = new TImagoIO(d.get());
  io->IEBitmap()->Allocate(20, 15, ieRGB24);
  io->Params()->JpegQuality = 80;
  d->SetAttachedImagoIO(io);
  d->SetFilterIndex(FilterIndexOfFileName(BuildImageFilter(true, msEnglish, false), "a.jpg"));
  int32_t quality_after_ok = 0;
  std::string form_class;
  host_->script = [&](FakeDialog& h, TIECommonDialog&) {
    h.path = File("out.jpg");
    WithSteps({[&] {
                 auto* form = dynamic_cast<TfIOPreviews*>(Screen->ActiveForm());
                 ASSERT_NE(form, nullptr);
                 form_class = form->ClassName();
                 form->TrackBar2->SetPosition(35);  // the simplified JPEG page
                 form->Button1->Click();
               }},
              [&] { d->AdvancedClick(); });
    quality_after_ok = io->Params()->JpegQuality;
    return false;  // the save dialog is cancelled
  };
  EXPECT_FALSE(d->Execute());
  EXPECT_EQ(form_class, "TfIOPreviews");
  EXPECT_EQ(quality_after_ok, 35);
  EXPECT_EQ(io->Params()->JpegQuality, 80);
}

// A thumbnail view or its companion attached: the Advanced button edits the
// first image's parameters and gives every image the same settings; a
// cancel undoes that for every image; a view without images shows nothing.
TEST_F(FileDialog, SaveDialogEditsEveryImageOfAThumbnailView) {
  SavePtr d(new TSaveImagoDialog(nullptr));  // installs the parameter form
  auto* form = new TForm(Application);
  auto* mv = new TImagoMView(form);
  mv->SetParent(form);
  mv->SetBounds(0, 0, 200, 100);
  form->Show();
  d->SetFilterIndex(FilterIndexOfFileName(BuildImageFilter(true, msEnglish, false), "a.jpg"));
  d->SetAttachedImagoIO(mv);
  EXPECT_EQ(d->AttachedImagoIO(), mv);
  bool shown = false;
  host_->script = [&](FakeDialog&, TIECommonDialog&) {
    shown = true;
    return false;
  };
  EXPECT_FALSE(d->Execute());
  EXPECT_FALSE(shown) << "a thumbnail view without images shows no dialog";

  TIEBitmap picture;
  picture.Allocate(20, 15, ieRGB24);
  picture.Fill(128);
  for (int32_t i = 0; i < 3; ++i) {
    mv->InsertImage(i);
    mv->SetImage(i, &picture);
  }
  TImagoMIO* mio = mv->GetMIO();
  ASSERT_EQ(mio->ParamsCount(), 3);
  for (int32_t i = 0; i < 3; ++i) mio->Params(i)->JpegQuality = 80 + i;
  std::vector<int32_t> chosen;
  const auto advanced = [&](bool Confirm) {
    return [&, Confirm](FakeDialog& h, TIECommonDialog&) {
      shown = true;
      h.path = File("out.jpg");
      d->UpdateAdvancedButton();
      EXPECT_TRUE(d->AdvancedButton->Enabled());
      WithSteps({[&] {
                   auto* f = dynamic_cast<TfIOPreviews*>(Screen->ActiveForm());
                   ASSERT_NE(f, nullptr);
                   f->TrackBar2->SetPosition(35);  // the simplified JPEG page
                   f->Button1->Click();
                 }},
                [&] { d->AdvancedClick(); });
      chosen.clear();
      for (int32_t i = 0; i < mio->ParamsCount(); ++i) chosen.push_back(mio->Params(i)->JpegQuality);
      return Confirm;
    };
  };
  host_->script = advanced(false);
  EXPECT_FALSE(d->Execute());
  EXPECT_TRUE(shown);
  EXPECT_EQ(chosen, (std::vector<int32_t>{35, 35, 35}));
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(mio->Params(i)->JpegQuality, 80 + i) << "cancel undoes image " << i;

  // The companion itself, attached directly, gives its language and keeps
  // what a confirmed dialog chose.
  mio->SetMsgLanguage(msGerman);
  d->SetAttachedImagoIO(mio);
  EXPECT_EQ(d->AttachedImagoIO(), mio);
  EXPECT_EQ(d->MsgLanguage(), msGerman);
  host_ = std::make_shared<FakeDialog>();
  host_->script = advanced(true);
  EXPECT_TRUE(d->Execute());
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(mio->Params(i)->JpegQuality, 35) << i;
  form->Free();
  EXPECT_EQ(d->AttachedImagoIO(), nullptr);
}

TEST_F(FileDialog, FullPreviewWindowShowsThePreviewedImage) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  struct Seen {
    std::string name, caption;
    int32_t client_w = 0, client_h = 0, width = 0, image_w = 0;
  };
  std::vector<Seen> seen;
  const auto look = [&] {
    TCustomForm* f = Screen->ActiveForm();
    ASSERT_NE(f, nullptr);
    Seen s{f->Name(), f->Caption(), f->ClientWidth(), f->ClientHeight(), f->Width(), 0};
    for (int32_t i = 0; i < f->ComponentCount(); ++i)
      if (auto* v = dynamic_cast<TImagoView*>(f->Components(i))) s.image_w = v->GetIEBitmap()->Width();
    seen.push_back(s);
  };
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, File("pic.bmp"));
    WithSteps({look, [&] { Key(VK_ESCAPE); }}, [&] { d->ShowFullPreview(); });
    h.Select(dlg, File("small.png"));
    WithSteps({look, [&] { Key(VK_ESCAPE); }}, [&] { d->ShowFullPreview(); });
    // Of a file shown by its frames: the selected frame.
    h.Select(dlg, File("sizes.tif"));
    EXPECT_TRUE(d->ShowingFrames());
    d->ImagoMView()->SelectImage(1);
    WithSteps({look, [&] { Key(VK_ESCAPE); }}, [&] { d->ShowFullPreview(); });
    return false;
  };
  ASSERT_EQ(std::system(("/usr/bin/convert -size 30x20 xc:red -size 120x90 xc:lime " + File("sizes.tif")).c_str()), 0);
  d->Execute();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].image_w, 120);
  EXPECT_EQ(seen[2].client_w, 120);
  EXPECT_EQ(seen[0].name, "PreviewForm");
  EXPECT_EQ(seen[0].caption, File("pic.bmp"));
  EXPECT_EQ(seen[0].client_w, 640);
  EXPECT_EQ(seen[0].client_h, 480);
  EXPECT_EQ(seen[0].image_w, 640);
  EXPECT_EQ(seen[1].width, 100);
  EXPECT_EQ(seen[1].image_w, 50);
  // The windows are gone afterwards.
  for (int32_t i = 0; i < Screen->FormCount(); ++i) EXPECT_NE(Screen->Forms(i)->Name(), "PreviewForm");
}

template <typename T>
std::vector<T*> ControlsOf(TCustomForm* f) {
  std::vector<T*> out;
  for (int32_t i = 0; f && i < f->ComponentCount(); ++i)
    if (auto* c = dynamic_cast<T*>(f->Components(i))) out.push_back(c);
  return out;
}

// The dialogs on the user interface's own file dialog, driven by a file-list
// selection and typed input.
TEST_F(FileDialog, RunsOnThePlatformFileDialog) {
  SetFileDialogHostFactory(nullptr);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  d->SetInitialDir(dir_.string());
  bool ok = false;
  WithSteps(
      {[&] {
         EXPECT_NE(d->PicturePanel->Parent(), nullptr);
         EXPECT_TRUE(d->PicLabel1->Visible());
         TListItem* item = nullptr;
         for (TListView* l : ControlsOf<TListView>(Screen->ActiveForm()))
           for (int32_t i = 0; i < l->Items()->Count(); ++i)
             if (l->Items()->Item(i)->Caption() == "pic.png") item = l->Items()->Item(i);
         ASSERT_NE(item, nullptr);
         item->Owner()->Owner()->SetSelected(item);
         EXPECT_EQ(d->PicLabel1->Caption(), "640 x 480 pixel");
         EXPECT_EQ(d->PicLabel3->Caption(), "96 x 96 dpi");
         EXPECT_GT(d->ImagoView()->GetIEBitmap()->Width(), 1);
         // The check box shows on the information panel, right of the labels.
         EXPECT_TRUE(IsWindowVisible(d->PreviewCheck->Handle()));
         EXPECT_EQ(d->PreviewCheck->Parent(), d->InfoPanel);
       },
       [&] { Key(VK_RETURN); }},
      [&] { ok = d->Execute(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(d->FileName(), File("pic.png"));
  EXPECT_EQ(d->PicturePanel->Parent(), nullptr);

  // Save: a type change rewrites the typed name; a name typed without
  // extension gets the type's.
  SavePtr s(new TSaveImagoDialog(nullptr));
  s->SetInitialDir(dir_.string());
  const std::string writable = BuildImageFilter(true, msEnglish, false);
  s->SetFilterIndex(FilterIndexOfFileName(writable, "a.jpg"));
  const int32_t png = FilterIndexOfFileName(writable, "a.png");
  std::string after_type_change;
  WithSteps({[&] {
               for (char c : std::string("my.photo.jpg")) InjectChar(uint32_t(c));
               Pump();
             },
             [&] {
               // The type box opens under a click; the arrows walk to PNG
               // and Enter takes it.
               auto combos = ControlsOf<TComboBox>(Screen->ActiveForm());
               ASSERT_EQ(combos.size(), 1u);
               Click(combos[0], combos[0]->Width() / 2, combos[0]->Height() / 2);
               ASSERT_TRUE(combos[0]->DroppedDown());
               for (int32_t i = combos[0]->ItemIndex(); i < png - 1; ++i) Key(VK_DOWN);
               Key(VK_RETURN);
               EXPECT_EQ(combos[0]->ItemIndex(), png - 1);
               auto edits = ControlsOf<TEdit>(Screen->ActiveForm());
               ASSERT_EQ(edits.size(), 1u);
               after_type_change = edits[0]->Text();
               edits[0]->SetText("snapshot");
             },
             [&] { Key(VK_RETURN); }},
            [&] { ok = s->Execute(); });
  // The name is cut before its first dot.
  EXPECT_EQ(after_type_change, "my.png");
  EXPECT_TRUE(ok);
  EXPECT_EQ(s->FileName(), File("snapshot.png"));
  EXPECT_EQ(s->FilterIndex(), png);
}

// The open dialog's first type, "Common Graphic Files", lists AVI files
// beside the pictures: the viewer opens them by their frames.
TEST_F(FileDialog, CommonGraphicFilesListAviFiles) {
  const fs::path folder = dir_ / "video";
  fs::create_directories(folder);
  const std::vector<uint8_t> clip = avi::RunLengthAVI();
  std::ofstream(folder / "clip.avi", std::ios::binary).write(reinterpret_cast<const char*>(clip.data()),
                                                            std::streamsize(clip.size()));
  fs::copy_file(dir_ / "small.png", folder / "a.png");
  std::ofstream(folder / "notes.txt") << "not a picture";
  SetFileDialogHostFactory(nullptr);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  d->SetInitialDir(folder.string());
  std::string type;
  std::vector<std::string> listed;
  WithSteps({[&] {
              TCustomForm* f = Screen->ActiveForm();
              auto* list = dynamic_cast<TListView*>(f->FindComponent("FileList"));
              auto* combo = dynamic_cast<TComboBox*>(f->FindComponent("TypeCombo"));
              ASSERT_TRUE(list && combo);
              type = combo->Text();
              for (int32_t i = 0; i < list->Items()->Count(); ++i) listed.push_back(list->Items()->Item(i)->Caption());
              Key(VK_ESCAPE);
            }},
            [&] { d->Execute(); });
  EXPECT_EQ(type.rfind("Common Graphic Files (", 0), 0u) << type;
  EXPECT_EQ(listed, (std::vector<std::string>{"a.png", "clip.avi"}));
  fs::remove_all(folder);
}

// On the platform dialog the small preview scrolls under a drag; the
// full-size preview window zooms under a click and scrolls under a drag.
TEST_F(FileDialog, PreviewsFollowTheMouse) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  SetFileDialogHostFactory(nullptr);
  d->SetInitialDir(dir_.string());
  const auto drag = [&](TControl* c, TPoint from, TPoint to) {
    HeadlessAdvanceClock(1000);
    MoveTo(c, from.X, from.Y);
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
    MoveTo(c, to.X, to.Y);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  };
  TPoint small_before{-1, -1}, small_after{-1, -1};
  double full_before = 0, full_after = 0;
  int32_t full_x = -1;
  WithSteps({[&] {
               auto* list = dynamic_cast<TListView*>(Screen->ActiveForm()->FindComponent("FileList"));
               ASSERT_NE(list, nullptr);
               for (int32_t i = 0; i < list->Items()->Count(); ++i)
                 if (list->Items()->Item(i)->Caption() == "pic.bmp") list->SetSelected(list->Items()->Item(i));
             },
             [&] {
               TImagoView* v = d->ImagoView();
               ASSERT_EQ(v->GetIEBitmap()->Width(), 640);
               d->SelectZoom(4);  // 100%: larger than the preview
               small_before = TPoint{v->ViewX(), v->ViewY()};
               drag(v, TPoint{60, 60}, TPoint{30, 40});
               small_after = TPoint{v->ViewX(), v->ViewY()};
               HeadlessAdvanceClock(1000);
               Click(d->PreviewButton, d->PreviewButton->Width() / 2, d->PreviewButton->Height() / 2);
             },
             [&] {
               TCustomForm* f = Screen->ActiveForm();
               ASSERT_NE(f, nullptr);
               ASSERT_EQ(f->Name(), "PreviewForm");
               TImagoView* v = nullptr;
               for (int32_t i = 0; i < f->ComponentCount(); ++i)
                 if (auto* c = dynamic_cast<TImagoView*>(f->Components(i))) v = c;
               ASSERT_NE(v, nullptr);
               full_before = v->Zoom();
               HeadlessAdvanceClock(1000);
               Click(v, 100, 100);
               full_after = v->Zoom();
               drag(v, TPoint{200, 200}, TPoint{150, 180});
               full_x = v->ViewX();
               Key(VK_ESCAPE);
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { d->Execute(); });
  EXPECT_EQ(small_after.X, small_before.X + 30);
  EXPECT_EQ(small_after.Y, small_before.Y + 20);
  EXPECT_EQ(full_before, 100);
  EXPECT_EQ(full_after, 200);
  EXPECT_GT(full_x, 0);
}

// The Advanced button, clicked on the platform dialog, opens the parameter
// form of the chosen type for the attached object.
TEST_F(FileDialog, AdvancedButtonClickOpensTheParameterForm) {
  SetFileDialogHostFactory(nullptr);
  SavePtr s(new TSaveImagoDialog(nullptr));
  s->SetMsgLanguage(msEnglish);
  s->SetInitialDir(dir_.string());
  TImagoIO* io = new TImagoIO(s.get());
  io->IEBitmap()->Allocate(20, 15, ieRGB24);
  s->SetAttachedImagoIO(io);
  s->SetFilterIndex(FilterIndexOfFileName(BuildImageFilter(true, msEnglish, false), "a.jpg"));
  std::string shown;
  WithSteps({[&] {
               TButton* b = s->AdvancedButton;
               ASSERT_TRUE(b->HandleAllocated());
               ASSERT_TRUE(IsWindowVisible(b->Handle()));
               ASSERT_TRUE(b->Enabled());
               // Nothing covers the button where the user clicks it.
               const TPoint centre = b->ClientToScreen(TPoint{b->Width() / 2, b->Height() / 2});
               ASSERT_EQ(WindowFromPoint(centre), b->Handle());
               Click(b, b->Width() / 2, b->Height() / 2);
             },
             [&] {
               if (TCustomForm* f = Screen->ActiveForm()) shown = f->ClassName();
               Key(VK_ESCAPE);
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { s->Execute(); });
  EXPECT_EQ(shown, "TfIOPreviews");
}

// On the platform's own dialog the frames are painted as thumbnails, and
// playing shows them one after another, each filling the view.
TEST_F(FileDialog, FramesArePaintedAndPlayOnThePlatformFileDialog) {
  const std::string gif = File("play.gif");
  ASSERT_EQ(std::system(("/usr/bin/convert -delay 5 -size 60x40 xc:red xc:lime xc:blue " + gif).c_str()), 0);
  SetFileDialogHostFactory(nullptr);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  d->SetInitialDir(dir_.string());
  TImagoMView* mv = d->ImagoMView();
  // The colour at a client point of the thumbnail view, as painted.
  const auto colour_at = [&](int32_t x, int32_t y) {
    const Surface s = CopyWindowPixels(mv->Handle());
    const TPoint origin = mv->ClientOrigin();
    TRect w;
    GetWindowRect(mv->Handle(), w);
    return PixelToColorRef(s.At(origin.X - w.Left + x, origin.Y - w.Top + y) & 0xFFFFFF);
  };
  std::vector<COLORREF> cells, played;
  WithSteps({[&] {
               TListItem* item = nullptr;
               for (TListView* l : ControlsOf<TListView>(Screen->ActiveForm()))
                 for (int32_t i = 0; i < l->Items()->Count(); ++i)
                   if (l->Items()->Item(i)->Caption() == "play.gif") item = l->Items()->Item(i);
               ASSERT_NE(item, nullptr);
               item->Owner()->Owner()->SetSelected(item);
             },
             [&] {
               ASSERT_TRUE(mv->HandleAllocated());
               EXPECT_TRUE(IsWindowVisible(mv->Handle()));
               EXPECT_FALSE(IsWindowVisible(d->ImagoView()->Handle()));
               EXPECT_EQ(d->PicLabel1->Caption(), "60 x 40 pixel , 3 frames");
               Pump();
               // The middle of each visible cell.
               for (int32_t i = 0; i < mv->ImageCount(); ++i) {
                 const TIEMImageInfo* e = mv->ImageInfo(i);
                 const int32_t x = e->X - mv->ViewX() + 50, y = e->Y - mv->ViewY() + 54;
                 if (x < mv->ClientWidth() && y < mv->ClientHeight()) cells.push_back(colour_at(x, y));
               }
               d->PlayButton->Click();
             },
             [&] {
               for (int32_t k = 0; k < 6; ++k) {
                 played.push_back(colour_at(mv->ClientWidth() / 2, mv->ClientHeight() / 2));
                 HeadlessAdvanceClock(50);
                 Pump();
               }
               d->PlayButton->Click();
             },
             [&] { Key(VK_ESCAPE); }},
            [&] { d->Execute(); });
  ASSERT_FALSE(cells.empty());
  EXPECT_EQ(cells[0], RGB(255, 0, 0));
  if (cells.size() > 1) {
    EXPECT_EQ(cells[1], RGB(0, 255, 0));
  }
  // Each frame in turn, over and over.
  EXPECT_EQ(played, (std::vector<COLORREF>{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 0, 0),
                                           RGB(0, 255, 0), RGB(0, 0, 255)}));
  EXPECT_FALSE(mv->Playing());
}

// An error raised by a handler goes to the application's error handler; the
// dialog carries on and the hourglass does not stay.
TEST_F(FileDialog, HandlerErrorsGoToTheApplication) {
  OpenPtr d(new TOpenImagoDialog(nullptr));
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, Exception& E) { reported.push_back(E.Message()); };
  int32_t calls = 0;
  d->OnSelectionChange = [&](TObject*) {
    ++calls;
    throw Exception("handler failed");
  };
  host_->script = [&](FakeDialog& h, TIECommonDialog& dlg) {
    h.Select(dlg, File("pic.bmp"));
    h.Select(dlg, File("pic.png"));
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(d->PicLabel1->Caption(), "640 x 480 pixel");
    return true;
  };
  EXPECT_TRUE(d->Execute());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(reported, (std::vector<std::string>{"handler failed", "handler failed"}));
  EXPECT_EQ(d->FileName(), File("pic.png"));
}

// A path far longer than 260 bytes is chosen whole on the platform dialog.
TEST_F(FileDialog, LongPathIsChosenOnThePlatformDialog) {
  const fs::path folder = dir_ / std::string(200, 'd');
  const std::string name = std::string(240, 'n') + ".png";
  fs::create_directories(folder);
  fs::copy_file(dir_ / "small.png", folder / name);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetMsgLanguage(msEnglish);
  std::string label;
  EXPECT_TRUE(PickOnPlatformDialog(d.get(), folder.string(), name, &label));
  EXPECT_EQ(label, "50 x 40 pixel");
  EXPECT_EQ(d->FileName(), (folder / name).string());
  fs::remove_all(folder);
}

// Names with quotes, blanks around them or mask characters are previewed and
// chosen as they are (pic.png beside them is a different, larger picture).
TEST_F(FileDialog, OddNamesArePreviewedAndChosenOnThePlatformDialog) {
  const fs::path folder = dir_ / "odd";
  fs::create_directories(folder);
  fs::copy_file(dir_ / "pic.png", folder / "pic.png");
  const char* names[] = {"my \"best\" pic.png", " pic.png", "pic.png ", "*pic.png", "pic?.png"};
  for (const char* n : names) fs::copy_file(dir_ / "small.png", folder / n);
  for (const char* n : names) {
    OpenPtr d(new TOpenImagoDialog(nullptr));
    d->SetMsgLanguage(msEnglish);
    d->SetFilterIndex(2);  // all files: "pic.png " has no picture extension
    std::string label, path;
    EXPECT_TRUE(PickOnPlatformDialog(d.get(), folder.string(), n, &label, &path)) << n;
    EXPECT_EQ(label, "50 x 40 pixel") << n;
    EXPECT_EQ(path, (folder / n).string());
    EXPECT_EQ(d->FileName(), (folder / n).string());
  }
  fs::remove_all(folder);
}

// Several names typed on the platform dialog, one in a sub-folder: each
// chosen file keeps its own folder.
TEST_F(FileDialog, MultiSelectTypedNamesKeepTheirFolders) {
  const fs::path sub = dir_ / "multi";
  fs::create_directories(sub);
  fs::copy_file(dir_ / "small.png", sub / "a.png");
  SetFileDialogHostFactory(nullptr);
  OpenPtr d(new TOpenImagoDialog(nullptr));
  d->SetOptions(TOpenOptions{ofHideReadOnly, ofAllowMultiSelect, ofFileMustExist});
  d->SetInitialDir(dir_.string());
  bool ok = false;
  WithSteps({[&] {
               auto* e = dynamic_cast<TEdit*>(Screen->ActiveForm()->FindComponent("FileNameEdit"));
               ASSERT_NE(e, nullptr);
               e->SetText("\"multi/a.png\" \"small.png\"");
               Key(VK_RETURN);
             }},
            [&] { ok = d->Execute(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(d->Files(), (std::vector<std::string>{(sub / "a.png").string(), File("small.png")}));
  fs::remove_all(sub);
}

// Saving over a name typed without extension on the platform dialog: one
// question, about the file that is then written, though the bare name
// exists too.
TEST_F(FileDialog, OverwriteIsAskedOnceAboutTheWrittenFile) {
  const fs::path sub = dir_ / "over";
  fs::create_directories(sub);
  for (const char* n : {"pic", "pic.png"}) fs::copy_file(dir_ / "small.png", sub / n);
  SetFileDialogHostFactory(nullptr);
  SavePtr s(new TSaveImagoDialog(nullptr));
  s->SetInitialDir(sub.string());
  s->SetFilterIndex(FilterIndexOfFileName(BuildImageFilter(true, msEnglish, false), "a.png"));
  s->SetOptions(TOpenOptions{ofHideReadOnly, ofOverwritePrompt});
  std::vector<std::string> questions;
  const auto yes = [&] {
    std::string text;
    for (TLabel* l : ControlsOf<TLabel>(Screen->ActiveForm())) text += l->Caption();
    questions.push_back(text);
    Key('Y');
  };
  bool ok = false;
  WithSteps({[&] {
               dynamic_cast<TEdit*>(Screen->ActiveForm()->FindComponent("FileNameEdit"))->SetText("pic");
               Key(VK_RETURN);
             },
             yes, yes},
            [&] { ok = s->Execute(); });
  EXPECT_TRUE(ok);
  EXPECT_EQ(s->FileName(), (sub / "pic.png").string());
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].rfind("pic.png already exists", 0), 0u) << questions[0];
  fs::remove_all(sub);
}

}  // namespace
