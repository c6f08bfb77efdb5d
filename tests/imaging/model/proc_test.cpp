// The processing component: operations, the pixel-format frame, undo and redo
// stacks and the finish notice.
#include <gtest/gtest.h>

#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIPDialogParams.h"
#include "imaging/model/TImagoProc.h"
#include "ops_test_util.h"
#include "rtl/Exception.h"
#include "ui/TBitmap.h"
#include "ui/TGraphicsObject.h"
#include "ui/TImage.h"

namespace {
using namespace opstest;

struct ProcFixture : ::testing::Test {
  TImagoProc* proc = new TImagoProc(nullptr);
  int finishes = 0;
  std::vector<int> progress;
  void SetUp() override {
    proc->OnFinishWork = [this](TObject*) { ++finishes; };
    proc->OnProgress = [this](TObject*, int32_t p) { progress.push_back(p); };
  }
  void TearDown() override { proc->Free(); }
  TIEBitmap& img() { return *proc->IEBitmap(); }
};

// The settings kept for processing dialogs: their defaults, and a font that
// is copied, not shared.
TEST_F(ProcFixture, DialogSettingsKeepTheirValues) {
  EXPECT_TRUE(proc->PreviewsParams().Empty());
  EXPECT_EQ(proc->MsgLanguage(), msSystem);
  EXPECT_FALSE(proc->OnPreview);
  ASSERT_NE(proc->DialogParams(), nullptr);
  EXPECT_EQ(proc->DialogParams()->Kernel[1][1], 1);
  EXPECT_EQ(proc->DialogParams()->Values6[1], 4);
  EXPECT_EQ(proc->PreviewFont()->Name(), TFont().Name());

  proc->SetPreviewsParams({prppDefaultLockPreview});
  proc->SetMsgLanguage(msGerman);
  EXPECT_TRUE(proc->PreviewsParams().Contains(prppDefaultLockPreview));
  EXPECT_EQ(proc->MsgLanguage(), msGerman);
  TFont given;
  given.SetName("Verdana");
  given.SetHeight(-20);
  proc->SetPreviewFont(&given);
  EXPECT_NE(proc->PreviewFont(), &given);
  EXPECT_EQ(proc->PreviewFont()->Name(), "Verdana");
  EXPECT_EQ(proc->PreviewFont()->Height(), -20);
  given.SetName("Arial");
  EXPECT_EQ(proc->PreviewFont()->Name(), "Verdana");
}

TEST_F(ProcFixture, RotateTurnsAndKeepsOneUndoEntry) {
  img().Allocate(3, 2, ieRGB24);
  FillRandom(img(), 1);
  TIEBitmap orig;
  orig.Assign(&img());
  proc->Rotate(0, false, raNone, -1);
  EXPECT_EQ(proc->UndoCount(), 0);
  EXPECT_EQ(finishes, 0);
  proc->Rotate(90, false, raNone, -1);
  ASSERT_EQ(img().Width(), 2);
  ASSERT_EQ(img().Height(), 3);
  EXPECT_EQ(img().GetRGB24(0, 0), orig.GetRGB24(2, 0));  // top-left was the top-right
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(progress.back(), 100);
  TIEBitmap after90;
  after90.Assign(&img());
  proc->Rotate(270, false, raNone, -1);
  EXPECT_TRUE(SamePixels(img(), orig));
  ASSERT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(proc->UndoCaptions(0), "Rotate 270");
  // Undo restores the image before the second turn, and again when repeated.
  proc->Undo();
  EXPECT_TRUE(SamePixels(img(), after90));
  proc->Rotate(90, false, raNone, -1);
  proc->Undo();
  proc->Undo();
  EXPECT_TRUE(SamePixels(img(), after90));
  // 270 turns the other way: the top-left is the bottom-left.
  TIEBitmap r;
  r.Assign(&orig);
  img().Assign(&orig);
  proc->Rotate(270, false, raNone, -1);
  EXPECT_EQ(img().GetRGB24(0, 0), orig.GetRGB24(0, 1));
}

TEST_F(ProcFixture, RotateRefusesAnAngleThatIsNoNumber) {
  img().Allocate(10, 8, ieGray16);
  FillRandom(img(), 2);
  TIEBitmap orig;
  orig.Assign(&img());
  for (double a : {NAN, INFINITY, -INFINITY})
    for (bool aa : {false, true}) {
      EXPECT_THROW(proc->Rotate(a, aa, raBicubic, -1), EInvalidArgument);
      EXPECT_TRUE(SamePixels(img(), orig)) << a;
      EXPECT_EQ(proc->UndoCount(), 0);
      EXPECT_EQ(finishes, 0);
    }
}

TEST_F(ProcFixture, RotateCarriesTheAlphaChannel) {
  img().Allocate(4, 3, ieRGB24);
  img().SetAlpha(3, 0, 7);
  proc->Rotate(90, false, raNone, -1);
  ASSERT_TRUE(img().HasAlphaChannel());
  EXPECT_EQ(img().GetAlphaChannel()->Width(), 3);
  EXPECT_EQ(img().GetAlpha(0, 0), 7);
  proc->Rotate(30, true, raBicubic, 0xFFFFFF);
  EXPECT_EQ(img().GetAlphaChannel()->Width(), img().Width());
  EXPECT_EQ(img().GetAlphaChannel()->Height(), img().Height());
}

TEST_F(ProcFixture, UndoLimitAndRedo) {
  proc->SetUndoLimit(0);
  EXPECT_EQ(proc->UndoLimit(), 1);
  proc->SetUndoLimit(-5);
  EXPECT_EQ(proc->UndoLimit(), 1);
  proc->SetUndoLimit(3);
  img().Allocate(5, 4, ieGray8);
  for (int i = 0; i < 5; ++i) {
    img().Fill(i * 10);
    proc->SaveUndoCaptioned("step " + std::to_string(i));
  }
  ASSERT_EQ(proc->UndoCount(), 3);
  EXPECT_EQ(proc->UndoCaptions(0), "step 4");
  EXPECT_EQ(proc->UndoCaptions(2), "step 2");
  proc->UndoAt(2);
  EXPECT_EQ(img().GetByte(0, 0), 20);
  proc->UndoAt(3);  // beyond the count: nothing
  EXPECT_EQ(img().GetByte(0, 0), 20);
  EXPECT_THROW(proc->UndoAt(-1), Exception);
  // Snapshots live in temporary files.
  img().Fill(99);
  proc->SaveRedoCaptioned("redo");
  img().Fill(1);
  proc->Redo();
  EXPECT_EQ(img().GetByte(4, 3), 99);
  EXPECT_EQ(proc->RedoCount(), 1);
  proc->ClearLastRedo();
  EXPECT_EQ(proc->RedoCount(), 0);
  proc->ClearLastRedo();
  proc->ClearAllUndo();
  EXPECT_EQ(proc->UndoCount(), 0);
  // Images below 2 x 2 get no entry.
  img().Allocate(1, 5, ieGray8);
  proc->SaveUndo();
  EXPECT_EQ(proc->UndoCount(), 0);
}

TEST_F(ProcFixture, ResampleSizesAndFinishNotices) {
  img().Allocate(400, 200, ieRGB24);
  TIEBitmap t;
  proc->ResampleTo(&t, -1, 100, rfTriangle);
  EXPECT_EQ(t.Width(), 200);
  EXPECT_EQ(t.Height(), 100);
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(proc->UndoCaptions(0), "Resample -1,100");
  proc->ResampleTo(&t, 0, 0, rfTriangle);
  EXPECT_EQ(t.Width(), 400);
  EXPECT_EQ(t.Height(), 200);
  finishes = 0;
  proc->ClearAllUndo();
  // Both negative: ResampleTo saves the undo entry and stops, no finish.
  proc->ResampleTo(&t, -5, -5, rfTriangle);
  EXPECT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(finishes, 0);
  EXPECT_EQ(t.Width(), 400);
  // Resample gives the finish of the scaling and one of its own.
  proc->Resample(100, -1, rfBicubic);
  EXPECT_EQ(img().Width(), 100);
  EXPECT_EQ(img().Height(), 50);
  EXPECT_EQ(finishes, 2);
  // With both negative there is no scaled image: the image keeps its pixels
  // (taking the empty result would lose them), the one finish of Resample is given.
  FillRandom(img(), 3);
  TIEBitmap before;
  before.Assign(&img());
  finishes = 0;
  proc->Resample(-5, -5, rfTriangle);
  EXPECT_TRUE(SamePixels(img(), before));
  EXPECT_EQ(proc->UndoCaptions(0), "Resample -5,-5");
  EXPECT_EQ(finishes, 1);
}

// A platform bitmap keeps 16-bit grey as 8-bit: the copy into it writes
// 8-bit rows holding the high bytes.
TEST_F(ProcFixture, ResampleIntoAPlatformTargetOfANarrowerFormat) {
  img().Allocate(64, 3, ieGray16);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 64; ++x) reinterpret_cast<uint16_t*>(img().GetScanline(y))[x] = uint16_t((x + y) * 0x0101);
  TIEBitmap t;
  t.SetLocation(ieTBitmap);
  proc->ResampleTo(&t, 32, 3, rfNone);
  ASSERT_EQ(t.PixelFormat(), ieGray8);
  ASSERT_EQ(t.Width(), 32);
  ASSERT_EQ(t.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 32; ++x) EXPECT_EQ(t.GetScanline(y)[x], 2 * x + y);
}

TEST_F(ProcFixture, ConvertOperations) {
  img().Allocate(8, 8, iePalette8);
  img().SetPaletteEntry(0, MakeRGBTriple(10, 20, 30));
  proc->ConvertTo(2000, true);
  EXPECT_EQ(img().PixelFormat(), ieRGB24);
  EXPECT_EQ(img().GetRGB24(3, 3), MakeRGBTriple(10, 20, 30));
  EXPECT_EQ(proc->UndoCaptions(0), "ConvertTo 2000");
  // The finish notice comes for every count, reduced or not.
  EXPECT_EQ(finishes, 1);
  EXPECT_EQ(progress.back(), 100);
  proc->ConvertTo(16, false);
  EXPECT_EQ(finishes, 2);
  TRGB untouched[1] = {MakeRGBTriple(7, 7, 7)};
  proc->ConvertToPalette(1025, untouched, false);
  EXPECT_EQ(proc->UndoCaptions(0), "ConvertToPalette");
  EXPECT_EQ(untouched[0], MakeRGBTriple(7, 7, 7));
  EXPECT_EQ(finishes, 3);
  TRGB pal[2] = {MakeRGBTriple(1, 1, 1), MakeRGBTriple(1, 1, 1)};
  for (int x = 0; x < 4; ++x) img().SetRGB24(x, 0, MakeRGBTriple(250, 250, 250));
  proc->ConvertToPalette(2, pal, true);
  EXPECT_EQ(img().PixelFormat(), ieMono1);
  EXPECT_EQ(pal[0], MakeRGBTriple(0, 0, 0));
  EXPECT_EQ(pal[1], MakeRGBTriple(255, 255, 255));
  EXPECT_EQ(proc->UndoCaptions(0), "ConvertToPalette");
  img().Allocate(4, 4, ieRGB24);
  img().Fill(0x0000FF);
  proc->ConvertToGray();
  const uint8_t g = 255 * 21 / 100;
  EXPECT_EQ(img().GetRGB24(2, 2), MakeRGBTriple(g, g, g));
  EXPECT_EQ(proc->UndoCaptions(0), "ConvertToGray");
}

TEST_F(ProcFixture, PixelFormatFallbacks) {
  img().Allocate(4, 4, ieGray16);
  EXPECT_TRUE(proc->CheckPixelFormat({}));
  EXPECT_TRUE(proc->CheckPixelFormat({ieRGB24, ieGray8}));
  EXPECT_EQ(img().PixelFormat(), ieGray8);  // the row prefers 8-bit grey to 24 bits
  EXPECT_TRUE(proc->CheckPixelFormat({ieCIELab}));
  EXPECT_EQ(img().PixelFormat(), ieCIELab);  // not in the grey row: the highest allowed
  proc->SetAutoConvertFormat(false);
  EXPECT_FALSE(proc->CheckPixelFormat({ieMono1}));
  EXPECT_EQ(img().PixelFormat(), ieCIELab);
}
}  // namespace

namespace {
// A view that shows one image of its own and counts its repaints.
class ImageView : public TIEView {
 public:
  explicit ImageView(TComponent* Owner) : TIEView(Owner) {}
  TIEBitmap* GetIEBitmap() override { return current; }
  void Update() override { ++updates; }
  void ImageChange() override { ++changes; }
  TIEBitmap image, other;
  TIEBitmap* current = &image;
  int updates = 0, changes = 0;
};

TEST(ProcAttached, WorksOnTheViewsImage) {
  auto* view = new ImageView(nullptr);
  auto* proc = new TImagoProc(nullptr);
  proc->SetAttachedImago(view);
  EXPECT_EQ(proc->IEBitmap(), &view->image);
  EXPECT_EQ(view->BitmapChangeHandlerCount(), 1);
  view->image.Allocate(3, 2, ieRGB24);
  view->SetBackground(0x0000FF);
  EXPECT_EQ(proc->GetBackground(), 0x0000FF);
  proc->Rotate(90, false, raNone, -1);
  EXPECT_EQ(view->image.Width(), 2);
  EXPECT_EQ(view->updates, 1);
  EXPECT_EQ(view->changes, 1);
  // The view switches images: the component follows.
  view->other.Allocate(5, 5, ieGray8);
  view->current = &view->other;
  view->CallBitmapChangeHandlers();
  EXPECT_EQ(proc->IEBitmap(), &view->other);
  // The view goes: the component has no image until attached again, and
  // operations do nothing.
  view->Free();
  EXPECT_EQ(proc->AttachedImago(), nullptr);
  EXPECT_EQ(proc->IEBitmap(), nullptr);
  proc->Rotate(90, false, raNone, -1);
  proc->SetAttachedImago(nullptr);
  ASSERT_NE(proc->IEBitmap(), nullptr);
  EXPECT_TRUE(proc->IEBitmap()->IsEmpty());
  proc->Free();
}

TEST(ProcAttached, DetachesOnDestruction) {
  auto* view = new ImageView(nullptr);
  auto* proc = new TImagoProc(nullptr);
  proc->SetAttachedImago(view);
  proc->Free();
  EXPECT_EQ(view->BitmapChangeHandlerCount(), 0);
  view->Free();
}
}  // namespace

namespace {
// A view that shows a platform bitmap and no image of its own.
class PlatformView : public TIEView {
 public:
  explicit PlatformView(TComponent* Owner) : TIEView(Owner) {}
  TBitmap* GetTBitmap() override { return &bitmap; }
  void ImageChange() override { ++changes; }
  TBitmap bitmap;
  int changes = 0;
};

void FillBitmap(TBitmap& b, int32_t w, int32_t h) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int32_t y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(b.ScanLine(y));
    for (int32_t i = 0; i < w * 3; ++i) row[i] = static_cast<uint8_t>(y * 50 + i);
  }
}

TRGB PixelAt(TBitmap& b, int32_t x, int32_t y) {
  const auto* row = static_cast<const uint8_t*>(b.ScanLine(y));
  return TRGB{row[x * 3], row[x * 3 + 1], row[x * 3 + 2]};
}

TEST(ProcAttached, WorksOnAnImageControlsBitmap) {
  auto* control = new TImage(nullptr);
  TBitmap* bitmap = control->Picture()->Bitmap();
  FillBitmap(*bitmap, 3, 2);
  const TRGB corner = PixelAt(*bitmap, 2, 0);
  int repaints = 0;
  control->Picture()->OnChange = [&](TObject*) { ++repaints; };
  auto* proc = new TImagoProc(nullptr);
  proc->SetUndoLimit(5);
  proc->SetAttachedTImage(control);
  EXPECT_EQ(proc->AttachedTImage(), control);
  EXPECT_EQ(proc->LinkedBitmap(), bitmap);
  EXPECT_EQ(proc->IEBitmap()->Width(), 3);
  // A quarter turn counter-clockwise: the top-right corner goes top-left,
  // in the control's own bitmap, which is told to repaint.
  proc->Rotate(90, false, raNone, -1);
  ASSERT_EQ(control->Picture()->Bitmap(), bitmap);
  EXPECT_EQ(bitmap->Width(), 2);
  EXPECT_EQ(bitmap->Height(), 3);
  EXPECT_EQ(PixelAt(*bitmap, 0, 0), corner);
  EXPECT_GE(repaints, 1);
  proc->Undo();
  EXPECT_EQ(bitmap->Width(), 3);
  EXPECT_EQ(PixelAt(*bitmap, 2, 0), corner);
  // Changes made to the bitmap outside are seen by the next operation.
  FillBitmap(*bitmap, 5, 4);
  EXPECT_TRUE(proc->PrepareBitmap({}));
  EXPECT_EQ(proc->IEBitmap()->Width(), 5);
  EXPECT_EQ(proc->IEBitmap()->Height(), 4);
  // Giving the component no view keeps the control linked.
  proc->SetAttachedImago(nullptr);
  EXPECT_EQ(proc->AttachedTImage(), control);
  EXPECT_EQ(proc->LinkedBitmap(), bitmap);
  EXPECT_EQ(proc->IEBitmap()->Width(), 5);
  // The control goes: the component lets go of its bitmap.
  control->Picture()->OnChange = nullptr;
  control->Free();
  EXPECT_EQ(proc->AttachedTImage(), nullptr);
  EXPECT_EQ(proc->LinkedBitmap(), nullptr);
  ASSERT_NE(proc->IEBitmap(), nullptr);
  EXPECT_TRUE(proc->IEBitmap()->IsEmpty());
  proc->Free();
}

TEST(ProcAttached, ImageControlAndViewReplaceEachOther) {
  auto* view = new ImageView(nullptr);
  view->image.Allocate(4, 4, ieRGB24);
  auto* control = new TImage(nullptr);
  FillBitmap(*control->Picture()->Bitmap(), 2, 2);
  auto* proc = new TImagoProc(nullptr);
  proc->SetAttachedImago(view);
  proc->SetAttachedTImage(control);
  EXPECT_EQ(proc->AttachedImago(), nullptr);
  EXPECT_EQ(view->BitmapChangeHandlerCount(), 0);
  // The view's image is not made to wrap the control's bitmap.
  EXPECT_NE(proc->IEBitmap(), &view->image);
  EXPECT_EQ(view->image.Width(), 4);
  EXPECT_FALSE(view->image.ExternalBitmap());
  proc->SetAttachedImago(view);
  EXPECT_EQ(proc->AttachedTImage(), nullptr);
  EXPECT_EQ(proc->LinkedBitmap(), nullptr);
  EXPECT_EQ(proc->IEBitmap(), &view->image);
  // Letting go of a control while a view is attached leaves the view's image.
  proc->SetAttachedTImage(nullptr);
  EXPECT_EQ(proc->IEBitmap(), &view->image);
  EXPECT_EQ(view->image.Width(), 4);
  proc->Free();
  control->Free();
  view->Free();
}

TEST(ProcAttached, AViewWithOnlyAPlatformBitmap) {
  auto* view = new PlatformView(nullptr);
  FillBitmap(view->bitmap, 3, 5);
  auto* proc = new TImagoProc(nullptr);
  proc->SetAttachedImago(view);
  EXPECT_EQ(proc->LinkedBitmap(), &view->bitmap);
  ASSERT_NE(proc->IEBitmap(), nullptr);
  EXPECT_TRUE(proc->IEBitmap()->ExternalBitmap());
  proc->Rotate(270, false, raNone, -1);
  EXPECT_EQ(view->bitmap.Width(), 5);
  EXPECT_EQ(view->bitmap.Height(), 3);
  EXPECT_EQ(view->changes, 1);
  // The view hands a new bitmap size: the next operation sees it.
  FillBitmap(view->bitmap, 6, 2);
  view->CallBitmapChangeHandlers();
  EXPECT_EQ(proc->IEBitmap()->Width(), 6);
  view->Free();
  EXPECT_EQ(proc->LinkedBitmap(), nullptr);
  ASSERT_NE(proc->IEBitmap(), nullptr);
  EXPECT_TRUE(proc->IEBitmap()->IsEmpty());
  proc->Free();
}
}  // namespace
