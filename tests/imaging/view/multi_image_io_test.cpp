// The thumbnail view's multi-image companion: a record per image kept in
// step with the view, acquired bitmaps, the parameter dialog for one or all
// images, and whole files: every frame loaded and every image saved, with
// frame counts checked by ImageMagick.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "ThumbnailTestSupport.h"
#include "imaging/io/TIEIOPreviewsDialog.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/view/TImagoMIO.h"
#include "tests/imaging/io/PeerSupport.h"

namespace {

namespace fs = std::filesystem;

class MultiImageIO : public ViewFixture {
 protected:
  peer::Folder dir_;
  std::string Path(const char* name) { return dir_ / name; }
};

using peer::Capture;

// A W x H 24-bit picture of one colour with a marker pixel at 1,1.
void SetPicture(TImagoMView* v, int32_t Index, int32_t W, int32_t H, TRGB Colour) {
  TIEBitmap b;
  b.Allocate(W, H, ieRGB24);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b.SetRGB24(x, y, Colour);
  b.SetRGB24(1, 1, MakeRGBTriple(1, 2, 3));
  v->SetImage(Index, &b);
}

TRGB PixelOf(TImagoMView* v, int32_t Index, int32_t X, int32_t Y) {
  TIEBitmap* b = v->GetImageBitmap(Index);
  if (!b) return TRGB{};
  const TRGB p = b->GetRGB24(X, Y);
  v->ReleaseImageBitmap(b, false);
  return p;
}

TEST_F(MultiImageIO, RecordsFollowTheViewsImages) {
  MViewPtr v = MakeMView(200, 100);
  for (int32_t i = 0; i < 3; ++i) v->InsertImage(i);
  TImagoMIO* mio = v->GetMIO();
  ASSERT_EQ(mio->ParamsCount(), 3);
  EXPECT_EQ(mio->AttachedMView(), v.get());
  mio->Params(1)->TiffCompression = 5;
  mio->Params(1)->JpegQuality = 42;
  TIOParamsVals* old1 = mio->Params(1);
  // A new image gets a record with the settings of the one at its place.
  v->InsertImage(1);
  ASSERT_EQ(mio->ParamsCount(), 4);
  EXPECT_NE(mio->Params(1), old1);
  EXPECT_EQ(mio->Params(2), old1);
  EXPECT_EQ(mio->Params(1)->TiffCompression, 5);
  EXPECT_EQ(mio->Params(1)->JpegQuality, 42);
  // Past the end: the last record's settings.
  v->InsertImage(100);
  EXPECT_EQ(mio->ParamsCount(), 5);
  v->DeleteImage(0);
  EXPECT_EQ(mio->ParamsCount(), 4);
  EXPECT_EQ(mio->Params(1), old1);
  EXPECT_EQ(mio->Params(-1), nullptr);
  EXPECT_EQ(mio->Params(4), nullptr);
  // Moves and swaps; bad indexes change nothing.
  TIOParamsVals* first = mio->Params(0);
  mio->MoveParams(0, 99);
  EXPECT_EQ(mio->Params(3), first);
  mio->SwapParams(0, 3);
  EXPECT_EQ(mio->Params(0), first);
  mio->MoveParams(-1, 2);
  mio->SwapParams(0, 7);
  EXPECT_EQ(mio->Params(0), first);
  // Clearing the view leaves no record.
  v->Clear();
  EXPECT_EQ(mio->ParamsCount(), 0);
}

// A companion of its own outlives the view it served, and moves to another.
TEST_F(MultiImageIO, CompanionLetsGoOfAViewThatGoes) {
  std::unique_ptr<TImagoMIO, void (*)(TImagoMIO*)> mio(new TImagoMIO(nullptr), [](TImagoMIO* m) { m->Free(); });
  MViewPtr a = MakeMView(100, 50);
  a->InsertImage(0);
  mio->SetAttachedMView(a.get());
  EXPECT_EQ(mio->ParamsCount(), 1);
  {
    MViewPtr b = MakeMView(100, 50);
    for (int32_t i = 0; i < 3; ++i) b->InsertImage(i);
    mio->SetAttachedMView(b.get());
    EXPECT_EQ(mio->ParamsCount(), 3);
    // The first view's changes no longer reach it.
    a->InsertImage(1);
    EXPECT_EQ(mio->ParamsCount(), 3);
  }
  EXPECT_EQ(mio->AttachedMView(), nullptr);
  EXPECT_FALSE(mio->LoadFromFile(Path("none.tif")));
  TIOParamsVals* p = nullptr;
  TIEBitmap bitmap;
  bitmap.Allocate(2, 2, ieRGB24);
  mio->DoAcquireBitmap(&bitmap, p);
  EXPECT_EQ(p, nullptr);
}

TEST_F(MultiImageIO, AcquiredBitmapsAreInsertedInTurnWithADelay) {
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  TIEBitmap a, b;
  a.Allocate(8, 6, ieRGB24);
  b.Allocate(5, 4, ieRGB24);
  TIOParamsVals* p = nullptr;
  mio->DoAcquireBitmap(&a, p);
  EXPECT_EQ(p, mio->Params(0));
  mio->DoAcquireBitmap(&b, p);
  EXPECT_EQ(p, mio->Params(1));
  ASSERT_EQ(v->ImageCount(), 2);
  EXPECT_EQ(v->ImageDelay(0), 100);
  EXPECT_EQ(v->ImageDelay(1), 100);
  TIEBitmap* second = v->GetImageBitmap(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->Width(), 5);
  v->ReleaseImageBitmap(second, false);
  // The handler may take a bitmap for itself.
  mio->OnAcquireBitmap = [](TObject*, TIEBitmap*, bool& Handled) { Handled = true; };
  mio->DoAcquireBitmap(&a, p);
  EXPECT_EQ(v->ImageCount(), 2);
}

// Stands in for the save-parameter form: changes the record it is given.
class FakePreviews : public TIEIOPreviewsDialog {
 public:
  explicit FakePreviews(int32_t* Shown) : shown_(Shown) {}
  TCustomForm* Form() override { return nullptr; }
  void SetDefaultLockPreview(bool) override {}
  void SetApplyButtonVisible(bool) override {}
  void SetParams(TIOParamsVals* Params) override { params_ = Params; }
  void SetSimplified(bool Value) override { simplified_ = Value; }
  void SetPageControlHeight(int32_t Value) override { page_control_height_ = Value; }
  void SetFormHeight(int32_t Value) override { form_height_ = Value; }
  void SetDitherMethod(uint8_t) override {}
  void SetLanguage(TMsgLanguage) override {}
  void SetFont(TFont*) override {}
  void SetSourceBitmap(TIEBitmap* Bitmap) override {
    if (Bitmap) width_ = Bitmap->Width();
  }
  void BlankResult() override {}
  bool SetPageSet(uint16_t) override { return true; }
  TModalResult ShowModal() override {
    ++*shown_;
    params_->TiffCompression = 7;
    params_->JpegQuality = 33;
    return mrCancel;
  }
  void Release() override {
    if (seen_) *seen_ = {simplified_, page_control_height_, form_height_};
    delete this;
  }
  int32_t width_ = 0;
  struct Layout {
    bool simplified;
    int32_t page_control_height, form_height;
  };
  Layout* seen_ = nullptr;
  bool simplified_ = false;
  int32_t page_control_height_ = 0, form_height_ = 0;

 private:
  int32_t* shown_;
  TIOParamsVals* params_ = nullptr;
};

TEST_F(MultiImageIO, PreviewsForAllImagesShareImageZerosSettings) {
  int32_t shown = 0;
  SetIOPreviewsDialogFactory([&](TComponent*) -> TIEIOPreviewsDialog* { return new FakePreviews(&shown); });
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  // No image: nothing is shown.
  EXPECT_FALSE(mio->DoPreviews(-1, 0xFFFF));
  EXPECT_EQ(shown, 0);
  for (int32_t i = 0; i < 3; ++i) {
    v->InsertImage(i);
    SetPicture(v.get(), i, 10 + i, 8, MakeRGBTriple(200, 0, 0));
  }
  // Cancelled, and still every record takes record 0's settings; image 0
  // becomes the selected one.
  EXPECT_FALSE(mio->DoPreviews(-1, 0xFFFF));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(v->SelectedIndex(), 0);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(mio->Params(i)->TiffCompression, 7) << i;
    EXPECT_EQ(mio->Params(i)->JpegQuality, 33) << i;
  }
  // One image alone: only its record.
  mio->Params(2)->TiffCompression = 1;
  mio->DoPreviews(2, 0xFFFF);
  EXPECT_EQ(mio->Params(2)->TiffCompression, 7);

  // The simplified layout at 96 ppi: Trunc(96 x 1.2708333) and Trunc(96 x
  // 3.4375), one pixel less page control than the single-image component.
  FakePreviews::Layout layout{false, 0, 0};
  SetIOPreviewsDialogFactory([&](TComponent*) -> TIEIOPreviewsDialog* {
    auto* d = new FakePreviews(&shown);
    d->seen_ = &layout;
    return d;
  });
  mio->SimplifiedParamsDialogs = true;
  mio->DoPreviews(0, 0xFFFF);
  EXPECT_TRUE(layout.simplified);
  EXPECT_EQ(layout.page_control_height, 121);
  EXPECT_EQ(layout.form_height, 330);
  SetIOPreviewsDialogFactory(nullptr);
}

TEST_F(MultiImageIO, SavesEveryImageAsATiffPageAndLoadsThemBack) {
  if (!peer::Available("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick is not installed";
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  const TRGB colours[] = {MakeRGBTriple(255, 0, 0), MakeRGBTriple(0, 255, 0), MakeRGBTriple(0, 0, 255)};
  for (int32_t i = 0; i < 3; ++i) {
    v->InsertImage(i);
    SetPicture(v.get(), i, 20 + 10 * i, 15 + i, colours[i]);
  }
  mio->Params(1)->TiffCompression = 5;  // LZW on the second page only
  const std::string file = Path("frames.tif");
  ASSERT_TRUE(mio->SaveToFile(file));
  EXPECT_FALSE(mio->Aborted());
  EXPECT_EQ(Capture("/usr/bin/identify -format '%n %w %h %C\\n' " + file),
            "3 20 15 None\n3 30 16 LZW\n3 40 17 None\n");

  MViewPtr back = MakeMView(200, 100);
  TImagoMIO* in = back->GetMIO();
  ASSERT_TRUE(in->LoadFromFile(file));
  ASSERT_EQ(back->ImageCount(), 3);
  ASSERT_EQ(in->ParamsCount(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(in->Params(i)->Width, 20 + 10 * i);
    EXPECT_EQ(PixelOf(back.get(), i, 5, 5), colours[i]) << i;
    EXPECT_EQ(PixelOf(back.get(), i, 1, 1), MakeRGBTriple(1, 2, 3)) << i;
  }
  EXPECT_EQ(in->Params(1)->TiffCompression, 5);
}

TEST_F(MultiImageIO, SavesEveryImageAsAGifFrameWithItsDelay) {
  if (!peer::Available("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick is not installed";
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  const TRGB colours[] = {MakeRGBTriple(255, 0, 0), MakeRGBTriple(0, 255, 0), MakeRGBTriple(0, 0, 255)};
  const int32_t delays[] = {100, 200, 50};
  for (int32_t i = 0; i < 3; ++i) {
    v->InsertImage(i);
    SetPicture(v.get(), i, 20 + 10 * i, 15 + i, colours[i]);
    v->SetImageDelay(i, delays[i]);
  }
  const std::string file = Path("saved.gif");
  ASSERT_TRUE(mio->SaveToFile(file));
  // Frame sizes, delays in hundredths, and the animation's own screen.
  EXPECT_EQ(Capture("/usr/bin/identify -format '%n %w %h %T %W %H\\n' " + file),
            "3 20 15 10 40 17\n3 30 16 20 40 17\n3 40 17 5 40 17\n");
  // Looping for ever.
  EXPECT_EQ(Capture("/usr/bin/identify -verbose " + file + " | grep -m1 Iterations"), "  Iterations: 0\n");

  MViewPtr back = MakeMView(200, 100);
  ASSERT_TRUE(back->GetMIO()->LoadFromFile(file));
  ASSERT_EQ(back->ImageCount(), 3);
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(back->ImageDelay(i), delays[i]) << i;
    EXPECT_EQ(PixelOf(back.get(), i, 5, 5), colours[i]) << i;
    EXPECT_EQ(PixelOf(back.get(), i, 1, 1), MakeRGBTriple(1, 2, 3)) << i;
  }
}

TEST_F(MultiImageIO, LoadsEveryGifFrameWithItsDelay) {
  if (!peer::Available(peer::kConvert)) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string file = Path("anim.gif");
  ASSERT_TRUE(peer::Run(std::string(peer::kConvert) + " -delay 20 -size 30x20 xc:red xc:lime xc:blue " + file));
  ASSERT_EQ(Capture("/usr/bin/identify -format '%n\\n' " + file), "3\n3\n3\n");
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  // Appended after what the view holds.
  v->InsertImage(0);
  int32_t last_progress = -1;
  mio->OnProgress = [&](TObject*, int32_t p) { last_progress = p; };
  ASSERT_TRUE(mio->LoadFromFile(file));
  EXPECT_EQ(last_progress, 100);
  ASSERT_EQ(v->ImageCount(), 4);
  const TRGB colours[] = {MakeRGBTriple(255, 0, 0), MakeRGBTriple(0, 255, 0), MakeRGBTriple(0, 0, 255)};
  for (int32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(v->ImageDelay(i + 1), 200) << i;
    EXPECT_EQ(PixelOf(v.get(), i + 1, 3, 3), colours[i]) << i;
  }
}

TEST_F(MultiImageIO, SingleImageFormatsAndBadFilesLoseNothing) {
  MViewPtr v = MakeMView(200, 100);
  TImagoMIO* mio = v->GetMIO();
  // Nothing to save.
  EXPECT_FALSE(mio->SaveToFile(Path("none.tif")));
  EXPECT_FALSE(fs::exists(Path("none.tif")));
  for (int32_t i = 0; i < 3; ++i) {
    v->InsertImage(i);
    SetPicture(v.get(), i, 12, 9, MakeRGBTriple(10, 20, 30));
  }
  // Several images do not fit a file of one: nothing is written.
  EXPECT_FALSE(mio->SaveToFile(Path("three.png")));
  EXPECT_TRUE(mio->Aborted());
  EXPECT_FALSE(fs::exists(Path("three.png")));
  EXPECT_FALSE(mio->SaveToFile(Path("three.unknown")));
  // One image does.
  v->DeleteImage(2);
  v->DeleteImage(1);
  ASSERT_TRUE(mio->SaveToFile(Path("one.png")));
  if (peer::Available("/usr/bin/identify")) {
    EXPECT_EQ(Capture("/usr/bin/identify -format '%n %w %h\\n' " + Path("one.png")), "1 12 9\n");
  }
  // A file that is no picture, or none at all, adds nothing.
  {
    std::FILE* f = std::fopen(Path("junk.gif").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("GIF89a but nothing after", f);
    std::fclose(f);
  }
  EXPECT_FALSE(mio->LoadFromFile(Path("junk.gif")));
  EXPECT_TRUE(mio->Aborted());
  EXPECT_FALSE(mio->LoadFromFile(Path("missing.tif")));
  EXPECT_EQ(v->ImageCount(), 1);
  EXPECT_EQ(mio->ParamsCount(), 1);
}

}  // namespace
