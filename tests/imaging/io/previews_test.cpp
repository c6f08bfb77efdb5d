// The save-parameter dialog entry of the input/output component: what it
// hands the dialog, when it shows it, what it answers, and that the user's
// image is never converted for it. A fixture dialog records every call.
#include <gtest/gtest.h>

#include <memory>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "ui/TGraphicsObject.h"

namespace {

struct FakeDialog : TIEIOPreviewsDialog {
  // Answers.
  bool accept_pages = true;
  TModalResult modal_result = mrCancel;
  // What the dialog was given.
  TComponent* owner = nullptr;
  std::optional<bool> lock_preview, apply_visible, simplified;
  TIOParamsVals* params = nullptr;
  std::optional<int32_t> page_control_height, form_height;
  std::optional<uint8_t> dither;
  std::optional<TMsgLanguage> language;
  std::string font_name;
  int32_t font_height = 0;
  uint16_t pages = 0;
  bool blanked = false;
  // The source as the dialog saw it when shown.
  TIEBitmap* source = nullptr;
  TIEPixelFormat shown_format = ieNoFormat;
  int shown_width = 0;
  TRGB shown_pixel{};
  std::vector<std::string> calls;
  bool released = false;

  TCustomForm* Form() override { return nullptr; }
  void SetDefaultLockPreview(bool v) override { lock_preview = v; }
  void SetApplyButtonVisible(bool v) override { apply_visible = v; }
  void SetParams(TIOParamsVals* p) override { params = p; }
  void SetSimplified(bool v) override { simplified = v; }
  void SetPageControlHeight(int32_t v) override { page_control_height = v; }
  void SetFormHeight(int32_t v) override { form_height = v; }
  void SetDitherMethod(uint8_t v) override { dither = v; }
  void SetLanguage(TMsgLanguage v) override { language = v; }
  void SetFont(TFont* f) override {
    font_name = f->Name();
    font_height = f->Height();
  }
  void SetSourceBitmap(TIEBitmap* b) override {
    source = b;
    calls.push_back(b ? "source" : "no source");
  }
  void BlankResult() override { blanked = true; }
  bool SetPageSet(uint16_t p) override {
    pages = p;
    calls.push_back("pages");
    return accept_pages;
  }
  TModalResult ShowModal() override {
    calls.push_back("show");
    shown_format = source->PixelFormat();
    shown_width = source->Width();
    shown_pixel = source->GetPixelRGB(1, 1);
    // What the user accepts goes into the record.
    if (modal_result == mrOk) params->JpegQuality = 42;
    return modal_result;
  }
  void Release() override {
    calls.push_back("release");
    released = true;
  }
};

// Installs a factory that hands out one fixture dialog for one test.
struct DialogScope {
  std::unique_ptr<FakeDialog> dialog = std::make_unique<FakeDialog>();
  int made = 0;
  DialogScope() {
    SetIOPreviewsDialogFactory([this](TComponent* Owner) -> TIEIOPreviewsDialog* {
      ++made;
      dialog->owner = Owner;
      return dialog.get();
    });
  }
  ~DialogScope() { SetIOPreviewsDialogFactory({}); }
};

// A 4 x 3 image of the format with a recognisable pixel pattern.
void FillImage(TIEBitmap& b, TIEPixelFormat f) {
  b.Allocate(4, 3, f);
  for (int y = 0; y < 3; ++y) {
    uint8_t* row = b.GetScanline(y);
    for (int64_t i = 0; i < b.RowLen(); ++i) row[i] = static_cast<uint8_t>(17 * y + 5 * i + 3);
  }
}

bool SameImage(TIEBitmap& a, TIEBitmap& b) {
  if (a.PixelFormat() != b.PixelFormat() || a.Width() != b.Width() || a.Height() != b.Height())
    return false;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.GetScanline(y), b.GetScanline(y), static_cast<size_t>(a.RowLen())) != 0) return false;
  return true;
}

}  // namespace

TEST(DoPreviews, TheImageIsNeverConvertedTheDialogSeesTwentyFourBits) {
  struct Case {
    TIEPixelFormat format;
    bool copy;  // whether the dialog is shown a converted copy
  } cases[] = {{ieGray8, true}, {ieCMYK, true}, {iePalette8, true}, {ieRGB24, false}, {ieMono1, false}};
  for (const Case& c : cases) {
    for (TModalResult answer : {mrCancel, mrOk}) {
      DialogScope scope;
      scope.dialog->modal_result = answer;
      TImagoIO io(nullptr);
      FillImage(*io.IEBitmap(), c.format);
      TIEBitmap before;
      before.Assign(io.IEBitmap());
      EXPECT_EQ(io.DoPreviews(ieppCurrent), answer == mrOk) << int(c.format);
      EXPECT_TRUE(SameImage(*io.IEBitmap(), before)) << "format " << int(c.format) << " changed";
      const FakeDialog& d = *scope.dialog;
      EXPECT_EQ(d.shown_format, c.format == ieMono1 ? ieMono1 : ieRGB24) << int(c.format);
      EXPECT_EQ(d.shown_width, 4);
      EXPECT_EQ(d.shown_pixel, before.GetPixelRGB(1, 1)) << "the copy shows the image's colours";
      EXPECT_EQ(d.source, nullptr) << "the source view let go of the image";
      EXPECT_TRUE(d.released);
      EXPECT_EQ(io.Params()->JpegQuality, answer == mrOk ? 42 : 80);
    }
  }
}

TEST(DoPreviews, TheDialogReceivesTheComponentsSettings) {
  DialogScope scope;
  TImagoIO io(nullptr);
  io.IEBitmap()->Allocate(8, 8, ieRGB24);
  io.SetPreviewsParams({ioppApplyButton});
  io.SetDefaultDitherMethod(0);
  io.SetMsgLanguage(msGerman);
  TFont font;
  font.SetName("Verdana");
  font.SetHeight(-13);
  io.SetPreviewFont(&font);
  font.SetName("changed");  // the component kept a copy
  bool seen_before_showing = false;
  io.OnIOPreview = [&](TObject* Sender, TIEIOPreviewsDialog* Dialog) {
    EXPECT_EQ(Sender, &io);
    EXPECT_EQ(Dialog, scope.dialog.get());
    seen_before_showing = scope.dialog->shown_format == ieNoFormat;
  };
  io.DoPreviews(ieppJPEG | ieppPNG);
  const FakeDialog& d = *scope.dialog;
  EXPECT_EQ(d.owner, &io);
  EXPECT_EQ(d.lock_preview, false);
  EXPECT_EQ(d.apply_visible, true);
  EXPECT_EQ(d.params, io.Params());
  EXPECT_EQ(d.simplified, true);
  // Trunc(96 x 61 / 48) and Trunc(96 x 3.75).
  EXPECT_EQ(d.page_control_height, 122);
  EXPECT_EQ(d.form_height, 360);
  EXPECT_EQ(d.dither, 0);
  EXPECT_EQ(d.language, msGerman);
  EXPECT_EQ(d.font_name, "Verdana");
  EXPECT_EQ(d.font_height, -13);
  EXPECT_TRUE(d.blanked);
  EXPECT_EQ(d.pages, ieppJPEG | ieppPNG);
  EXPECT_TRUE(seen_before_showing);
  EXPECT_EQ(d.calls, (std::vector<std::string>{"source", "pages", "show", "no source", "release"}));

  // The full layout keeps the dialog's own heights; the other option.
  DialogScope again;
  io.OnIOPreview = nullptr;
  io.SimplifiedParamsDialogs = false;
  io.SetPreviewsParams({ioppDefaultLockPreview});
  io.DoPreviews(ieppCurrent);
  EXPECT_EQ(again.dialog->simplified, false);
  EXPECT_FALSE(again.dialog->page_control_height);
  EXPECT_FALSE(again.dialog->form_height);
  EXPECT_EQ(again.dialog->lock_preview, true);
  EXPECT_EQ(again.dialog->apply_visible, false);
}

TEST(DoPreviews, WhenTheDialogIsNotShown) {
  // Rejected pages: no preview event, no showing, the dialog released.
  {
    DialogScope scope;
    scope.dialog->accept_pages = false;
    scope.dialog->modal_result = mrOk;
    TImagoIO io(nullptr);
    io.IEBitmap()->Allocate(4, 4, ieGray8);
    bool previewed = false;
    io.OnIOPreview = [&](TObject*, TIEIOPreviewsDialog*) { previewed = true; };
    EXPECT_FALSE(io.DoPreviews(ieppCurrent));
    EXPECT_FALSE(previewed);
    EXPECT_EQ(scope.dialog->calls, (std::vector<std::string>{"source", "pages", "no source", "release"}));
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ieGray8);
  }
  // A handler that handles it answers true and no dialog is made.
  for (bool handles : {true, false}) {
    DialogScope scope;
    scope.dialog->modal_result = mrOk;
    TImagoIO io(nullptr);
    io.IEBitmap()->Allocate(4, 4, ieRGB24);
    int asked = 0;
    io.OnDoPreviews = [&](TObject* Sender, bool& Handled) {
      EXPECT_EQ(Sender, &io);
      ++asked;
      Handled = handles;
    };
    EXPECT_TRUE(io.DoPreviews(ieppCurrent));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(scope.made, handles ? 0 : 1);
  }
  // No dialog installed: false, after the handler had its say.
  TImagoIO io(nullptr);
  io.IEBitmap()->Allocate(4, 4, ieRGB24);
  int asked = 0;
  io.OnDoPreviews = [&](TObject*, bool&) { ++asked; };
  EXPECT_FALSE(io.DoPreviews(ieppCurrent));
  EXPECT_EQ(asked, 1);
  // No image to work on: false, no dialog.
  DialogScope scope;
  io.UseIEBitmap(nullptr);
  EXPECT_FALSE(io.DoPreviews(ieppCurrent));
  EXPECT_EQ(scope.made, 0);
}
