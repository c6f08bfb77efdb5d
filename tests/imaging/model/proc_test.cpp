// The processing component: operations, the pixel-format frame, undo and redo
// stacks and the finish notice.
#include <gtest/gtest.h>

#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoProc.h"
#include "ops_test_util.h"
#include "rtl/Exception.h"

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

TEST_F(ProcFixture, ResampleSizesAndOneFinish) {
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
  // Both negative: only the undo entry, no finish, and the image stays.
  proc->Resample(-5, -5, rfTriangle);
  EXPECT_EQ(proc->UndoCount(), 1);
  EXPECT_EQ(finishes, 0);
  EXPECT_EQ(img().Width(), 400);
  proc->Resample(100, -1, rfBicubic);
  EXPECT_EQ(img().Width(), 100);
  EXPECT_EQ(img().Height(), 50);
  EXPECT_EQ(finishes, 1);
}

TEST_F(ProcFixture, ConvertOperations) {
  img().Allocate(8, 8, iePalette8);
  img().SetPaletteEntry(0, MakeRGBTriple(10, 20, 30));
  proc->ConvertTo(2000, true);
  EXPECT_EQ(img().PixelFormat(), ieRGB24);
  EXPECT_EQ(img().GetRGB24(3, 3), MakeRGBTriple(10, 20, 30));
  EXPECT_EQ(proc->UndoCaptions(0), "ConvertTo 2000");
  EXPECT_EQ(finishes, 0);
  proc->ConvertTo(16, false);
  EXPECT_EQ(finishes, 1);
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
