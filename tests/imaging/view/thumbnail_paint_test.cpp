// Painting of the thumbnail view (headless): cells, fitted pictures, the
// selection frame and single display checked at pixels computed from the
// layout; the all-displayed event; far pictures dropped but never one that
// is lent out; thumbnails of JPEG files decoded at a reduced scale.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ThumbnailTestSupport.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"

namespace fs = std::filesystem;

namespace {

class ThumbPaint : public ViewFixture {};

constexpr TColor kBack = 0x336699;    // the control: red 0x99, green 0x66, blue 0x33
constexpr TColor kCell = 0x204060;    // the cells: red 0x60, green 0x40, blue 0x20
constexpr TColor kSelect = 0x00FFFF;  // yellow
const TRGB kBackRGB = MakeRGBTriple(0x99, 0x66, 0x33);
const TRGB kCellRGB = MakeRGBTriple(0x60, 0x40, 0x20);
const TRGB kSelectRGB = MakeRGBTriple(0xFF, 0xFF, 0x00);
const TRGB kPicRGB = MakeRGBTriple(200, 10, 30);

std::unique_ptr<TIEBitmap> Solid(int32_t W, int32_t H, TRGB C) {
  auto b = std::make_unique<TIEBitmap>();
  b->Allocate(W, H, ieRGB24);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) b->SetRGB24(x, y, C);
  return b;
}

TRGB Px(TImagoMView* v, int32_t x, int32_t y) { return v->BackBuffer()->GetRGB24(x, y); }

TRGB ResolvedBand(TColor c) {
  const COLORREF r = ColorToRGB(c);
  return MakeRGBTriple(r & 0xFF, (r >> 8) & 0xFF, (r >> 16) & 0xFF);
}

// Cells of 40 x 30 with borders 4, flat style, in a 200 x 100 client area:
// cell i of the first row at 4 + 44 i, 4.
MViewPtr FlatView(int n) {
  MViewPtr v = MakeMView(200, 100);
  v->LockUpdate();
  v->SetBackground(kBack);
  v->ThumbnailsBackground = kCell;
  v->SetStyle(iemsFlat);
  v->SetSelectionColor(kSelect);
  v->SetThumbWidth(40);
  v->SetThumbHeight(30);
  v->SetGridWidth(-1);
  for (int i = 0; i < n; ++i) v->InsertImage(i);
  v->UnlockUpdate();
  return v;
}

TEST_F(ThumbPaint, CellsPicturesAndBackground) {
  MViewPtr v = FlatView(3);
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->SetImage(1, Solid(10, 10, kPicRGB).get());  // fitted: 30 x 30 at 4 + 44 + 5, 4
  v->Paint();
  EXPECT_EQ(Px(v.get(), 2, 2), kBackRGB);
  EXPECT_EQ(Px(v.get(), 4, 4), kPicRGB);
  EXPECT_EQ(Px(v.get(), 43, 33), kPicRGB);
  EXPECT_EQ(Px(v.get(), 44, 20), kBackRGB);  // the border between cells
  EXPECT_EQ(Px(v.get(), 48, 20), kCellRGB);  // the margin left of the fitted picture
  EXPECT_EQ(Px(v.get(), 53, 4), kPicRGB);
  EXPECT_EQ(Px(v.get(), 82, 33), kPicRGB);
  EXPECT_EQ(Px(v.get(), 83, 20), kCellRGB);
  // Cell 2 has no picture: the cell background only.
  EXPECT_EQ(Px(v.get(), 92, 4), kCellRGB);
  EXPECT_EQ(Px(v.get(), 131, 33), kCellRGB);
  EXPECT_EQ(Px(v.get(), 132, 20), kBackRGB);

  // Without fitting the small picture keeps its size, centred: 10 x 10 at 48 + 15, 4 + 10.
  v->FitThumbnails = false;
  v->Update();
  v->Paint();
  EXPECT_EQ(Px(v.get(), 62, 20), kCellRGB);
  EXPECT_EQ(Px(v.get(), 63, 14), kPicRGB);
  EXPECT_EQ(Px(v.get(), 72, 23), kPicRGB);
  EXPECT_EQ(Px(v.get(), 73, 23), kCellRGB);
  EXPECT_EQ(Px(v.get(), 63, 24), kCellRGB);
}

TEST_F(ThumbPaint, SelectionFrameAndRenderingCache) {
  MViewPtr v = FlatView(2);
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->SetImage(1, Solid(40, 30, kPicRGB).get());
  v->SelectImage(1);
  v->Paint();
  // One line (the view has no focus) just outside cell 1 at 48, 4.
  EXPECT_EQ(Px(v.get(), 47, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 60, 3), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 88, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 60, 34), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 46, 10), kBackRGB);
  EXPECT_EQ(Px(v.get(), 3, 10), kBackRGB);  // cell 0 is not selected
  // The cells were rendered once and are drawn again from the renderings.
  EXPECT_TRUE(v->HasRendering(0));
  v->Paint();
  EXPECT_EQ(Px(v.get(), 4, 4), kPicRGB);
}

TEST_F(ThumbPaint, RaisedStyleFramesAndCellBorders) {
  MViewPtr v = FlatView(1);
  v->SetStyle(iemsACD);
  v->SetThumbnailsBorderWidth(2);
  v->SetThumbnailsBorderColor(kSelect);
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->Paint();
  // The picture (4,4 to 43,33) is framed sunken: grey left and top, white right and bottom.
  EXPECT_EQ(Px(v.get(), 4, 10), MakeRGBTriple(0x80, 0x80, 0x80));
  EXPECT_EQ(Px(v.get(), 10, 4), MakeRGBTriple(0x80, 0x80, 0x80));
  EXPECT_EQ(Px(v.get(), 43, 10), MakeRGBTriple(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(Px(v.get(), 10, 33), MakeRGBTriple(0xFF, 0xFF, 0xFF));
  EXPECT_EQ(Px(v.get(), 10, 10), kPicRGB);
  // Two border lines around the cell.
  EXPECT_EQ(Px(v.get(), 3, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 2, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 1, 10), kBackRGB);
  EXPECT_EQ(Px(v.get(), 44, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 45, 10), kSelectRGB);
  EXPECT_EQ(Px(v.get(), 46, 10), kBackRGB);
}

TEST_F(ThumbPaint, RoundCornersShadowAndTextBands) {
  MViewPtr v = FlatView(2);
  v->CornerRoundness = 4;  // radius min(40, 30) div 4 = 7
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->SetImage(1, Solid(40, 30, kPicRGB).get());
  v->ImageInfo(1)->TopText->Text = "a rather long caption";
  v->ImageInfo(1)->BottomText->Text = "bottom";
  v->ImageInfo(1)->InfoText->Text = "info";
  v->SoftShadow.Enabled = true;
  v->Paint();
  // The corner of the rounded picture shows the cell background.
  EXPECT_EQ(Px(v.get(), 4, 4), kCellRGB);
  const TRGB middle = Px(v.get(), 24, 19);  // the shadow's blur leaves the alpha a shade under full
  EXPECT_NEAR(middle.r, kPicRGB.r, 2);
  EXPECT_NEAR(middle.g, kPicRGB.g, 2);
  EXPECT_NEAR(middle.b, kPicRGB.b, 2);
  // With the shadow the picture lies inside its cell's picture area.
  const TRect r = v->ImageInfo(0)->ImageRect;
  EXPECT_GE(r.Left, 0);
  EXPECT_GE(r.Top, 0);
  EXPECT_LE(r.Right, 41);
  EXPECT_LE(r.Bottom, 31);
  EXPECT_LT(r.Left, r.Right);
  // The bands of cell 1 are drawn over its solid band backgrounds.
  const TRGB band = ResolvedBand(v->ImageInfo(1)->TopText->BackgroundColor);
  int band_pixels = 0;
  for (int32_t x = 48; x < 88; ++x) band_pixels += Px(v.get(), x, 4) == band;
  EXPECT_GT(band_pixels, 0);
}

TEST_F(ThumbPaint, SingleDisplayShowsTheCurrentFrameAtTheOrigin) {
  MViewPtr v = FlatView(3);
  v->SetImage(0, Solid(40, 30, MakeRGBTriple(1, 2, 3)).get());
  v->SetImage(2, Solid(40, 30, kPicRGB).get());
  v->SetDisplayMode(mdSingle);
  v->SetCurrentFrame(7);  // clamped to the last image and kept
  v->Paint();
  EXPECT_EQ(v->CurrentFrame(), 2);
  EXPECT_EQ(Px(v.get(), 0, 0), kPicRGB);
  EXPECT_EQ(Px(v.get(), 39, 29), kPicRGB);
  EXPECT_EQ(Px(v.get(), 40, 10), kBackRGB);
}

TEST_F(ThumbPaint, AllDisplayedFiresOnceWhenTheLastCellGetsItsPicture) {
  MViewPtr v = FlatView(2);
  v->ThreadPoolSize = 0;
  int fired = 0;
  v->OnAllDisplayed = [&](TObject*) { ++fired; };
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->Paint();  // cell 1 has neither file nor picture
  EXPECT_EQ(fired, 0);
  v->SetImage(1, Solid(40, 30, kPicRGB).get());
  v->Paint();
  EXPECT_EQ(fired, 1);
  v->Paint();
  EXPECT_EQ(fired, 1);
}

TEST_F(ThumbPaint, CorruptedImagesAreRemovedAndTheOthersKeepTheirPlaces) {
  const fs::path dir = fs::temp_directory_path() / ("nbv-thumbbad-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string bad = (dir / "bad.png").string();
  std::ofstream(bad, std::ios::binary) << "no picture";
  MViewPtr v = FlatView(3);
  v->ThreadPoolSize = 0;
  v->SetRemoveCorrupted(true);
  v->SetImage(0, Solid(40, 30, kPicRGB).get());
  v->SetImage(2, Solid(40, 30, kPicRGB).get());
  v->SetImageFileName(1, bad);
  v->SelectImage(2);
  v->Paint();
  EXPECT_EQ(v->ImageCount(), 2);
  EXPECT_EQ(v->SelectedIndex(), 1);
  EXPECT_EQ(v->ImageInfo(1)->X, 92);  // where it was: the freed cell stays empty
  EXPECT_EQ(Px(v.get(), 60, 20), kBackRGB);
  EXPECT_EQ(Px(v.get(), 100, 20), kPicRGB);
  v.reset();
  fs::remove_all(dir);
}

TEST_F(ThumbPaint, FarPicturesAreDroppedButNotALentOne) {
  MViewPtr v = FlatView(0);
  v->LockUpdate();
  v->SetGridWidth(0);
  v->KeepLoadedDistance = 0;
  for (int i = 0; i < 20; ++i) {
    v->InsertImage(i);
    v->SetImageFileName(i, "/nonexistent/picture.png");
  }
  v->UnlockUpdate();
  for (int i = 0; i < 20; ++i) v->SetImage(i, Solid(40, 30, kPicRGB).get());
  v->SelectImage(15);
  TIEBitmap* lent = v->GetIEBitmap();
  ASSERT_NE(lent, nullptr);
  v->Paint();  // cells 0..4 visible
  EXPECT_TRUE(v->HasStoredImage(0));
  EXPECT_FALSE(v->HasStoredImage(10));
  EXPECT_TRUE(v->HasStoredImage(15));
  // Changes made through the lent bitmap reach the store when it goes back.
  lent->SetRGB24(0, 0, MakeRGBTriple(9, 8, 7));
  v->SelectImage(0);
  TIEBitmap* back = v->GetImageBitmap(15);
  EXPECT_EQ(back->GetRGB24(0, 0), MakeRGBTriple(9, 8, 7));
  v->ReleaseImageBitmap(back, false);
}

TEST_F(ThumbPaint, JpegThumbnailsDecodeAtAReducedScale) {
  const fs::path dir = fs::temp_directory_path() / ("nbv-thumbjpeg-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "photo.jpg").string();
  {
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    TIEBitmap photo;
    photo.Allocate(1600, 1200, ieRGB24);
    for (int32_t y = 0; y < 1200; ++y)
      for (int32_t x = 0; x < 1600; ++x)
        photo.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(x / 7), static_cast<uint8_t>(y / 5), 90));
    io->AttachIEBitmap(&photo);
    io->SaveToFile(file);
    ASSERT_FALSE(io->Aborted());
  }
  MViewPtr v = FlatView(0);
  v->StoreType = ietThumb;
  v->SetThumbWidth(160);
  v->SetThumbHeight(120);
  v->InsertImage(0);
  v->SetImageFileName(0, file);
  ASSERT_TRUE(v->LoadImageNow(0));
  EXPECT_EQ(v->SyncIO()->Params()->JpegScaleUsed, 8);
  EXPECT_EQ(v->ImageOriginalWidth(0), 1600);
  EXPECT_EQ(v->ImageOriginalHeight(0), 1200);
  TIEBitmap* stored = v->GetImageBitmap(0);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->Width(), 160);
  EXPECT_EQ(stored->Height(), 120);
  v->ReleaseImageBitmap(stored, false);
  // Cells larger than an eighth of the photo take a smaller reduction.
  v->SetThumbWidth(300);
  v->SetThumbHeight(200);
  ASSERT_TRUE(v->LoadImageNow(0));
  EXPECT_EQ(v->SyncIO()->Params()->JpegScaleUsed, 4);
  // Full images are decoded at full size.
  v->StoreType = ietNormal;
  ASSERT_TRUE(v->LoadImageNow(0));
  EXPECT_EQ(v->SyncIO()->Params()->JpegScaleUsed, 1);
  v.reset();
  fs::remove_all(dir);
}

}  // namespace

namespace {

class ThumbText : public ViewFixture {};

TEST_F(ThumbText, LongBandTextsAreShortenedAtTheChosenSide) {
  TBitmap bitmap;
  bitmap.SetSize(10, 10);
  TCanvas* c = bitmap.Canvas();
  const std::string text = "abcdefghijklmnop";
  const int32_t width = c->TextWidth("abcdef...");
  const std::string begin = TrimBandText(c, text, width, 0);
  const std::string end = TrimBandText(c, text, width, 1);
  EXPECT_LE(c->TextWidth(begin), width);
  EXPECT_LE(c->TextWidth(end), width);
  EXPECT_EQ(begin.substr(begin.size() - 3), "...");
  EXPECT_EQ(text.rfind(begin.substr(0, begin.size() - 3), 0), 0u) << begin;
  EXPECT_EQ(end.substr(0, 3), "...");
  EXPECT_EQ(text.substr(text.size() - (end.size() - 3)), end.substr(3)) << end;
  // Texts that fit stay; nothing is left out entirely.
  EXPECT_EQ(TrimBandText(c, "ab", 1000, 0), "ab");
  EXPECT_FALSE(TrimBandText(c, text, 1, 0).empty());
  EXPECT_FALSE(TrimBandText(c, text, 1, 1).empty());
  // Characters are never cut in the middle.
  const std::string wide = TrimBandText(c, "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", c->TextWidth("\xC3\xA9..."), 0);
  EXPECT_EQ(wide.substr(wide.size() - 3), "...");
  EXPECT_EQ((wide.size() - 3) % 2, 0u) << wide;
}

}  // namespace
