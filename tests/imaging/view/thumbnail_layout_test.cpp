// The thumbnail view's image list and layout: cell origins, rows and columns
// for each grid width, hit tests, and the guards against bad indexes and
// cells of no size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "ThumbnailTestSupport.h"

namespace {

class ThumbLayout : public ViewFixture {};

struct CellCase {
  int32_t grid_width;
  TIEMDisplayMode mode;
  int32_t client_w;
  // X, Y, Row, Col of images 0..5
  std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>> cells;
};

// Cells of 20 x 10 with borders 4 (horizontal) and 2 (vertical):
// column step 24, row step 12, grid origin at 4,2.
TEST_F(ThumbLayout, CellOriginsRowsAndColumns) {
  const std::vector<CellCase> cases = {
      // 0: everything in one row.
      {0, mdGrid, 200, {{4, 2, 0, 0}, {28, 2, 0, 1}, {52, 2, 0, 2}, {76, 2, 0, 3}, {100, 2, 0, 4}, {124, 2, 0, 5}}},
      // 4 columns.
      {4, mdGrid, 200, {{4, 2, 0, 0}, {28, 2, 0, 1}, {52, 2, 0, 2}, {76, 2, 0, 3}, {4, 14, 1, 0}, {28, 14, 1, 1}}},
      // -1 in a client 76 wide: (76 - 4) div 24 = 3 columns.
      {-1, mdGrid, 76, {{4, 2, 0, 0}, {28, 2, 0, 1}, {52, 2, 0, 2}, {4, 14, 1, 0}, {28, 14, 1, 1}, {52, 14, 1, 2}}},
      // -1 narrower than one cell: one row.
      {-1, mdGrid, 20, {{4, 2, 0, 0}, {28, 2, 0, 1}, {52, 2, 0, 2}, {76, 2, 0, 3}, {100, 2, 0, 4}, {124, 2, 0, 5}}},
      // Single display: every cell at 0,0.
      {4, mdSingle, 200, {{0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 0}}},
  };
  for (const CellCase& c : cases) {
    MViewPtr v = MakeMView(c.client_w, 100);
    v->LockUpdate();
    v->SetThumbWidth(20);
    v->SetThumbHeight(10);
    v->SetHorizBorder(4);
    v->SetVertBorder(2);
    v->SetGridWidth(c.grid_width);
    v->SetDisplayMode(c.mode);
    for (int i = 0; i < 6; ++i) v->InsertImage(i);
    v->UnlockUpdate();
    for (int i = 0; i < 6; ++i) {
      const TIEMImageInfo* e = v->ImageInfo(i);
      const auto [x, y, row, col] = c.cells[i];
      EXPECT_EQ(e->X, x) << "grid " << c.grid_width << " image " << i;
      EXPECT_EQ(e->Y, y) << "grid " << c.grid_width << " image " << i;
      EXPECT_EQ(v->GetImageRow(i), row) << "grid " << c.grid_width << " image " << i;
      EXPECT_EQ(v->GetImageColumn(i), col) << "grid " << c.grid_width << " image " << i;
    }
  }
}

TEST_F(ThumbLayout, ExtentAndHitTests) {
  MViewPtr v = MakeMView(200, 100);
  v->LockUpdate();
  v->SetThumbWidth(20);
  v->SetThumbHeight(10);
  v->SetHorizBorder(4);
  v->SetVertBorder(2);
  v->SetGridWidth(4);
  for (int i = 0; i < 6; ++i) v->InsertImage(i);
  v->UnlockUpdate();
  // Largest origin 76,14 plus one cell and border.
  EXPECT_EQ(v->ExtentX(), 76 + 24);
  EXPECT_EQ(v->ExtentY(), 14 + 12);
  EXPECT_EQ(v->IndexOfCell(1, 1), 5);
  // Cell 5 lies at 28..47 x 14..23.
  EXPECT_EQ(v->ImageAtPos(28, 14), 5);
  EXPECT_EQ(v->ImageAtPos(47, 23), 5);
  EXPECT_EQ(v->ImageAtPos(3, 1), -1);  // above and left of cell 0
  EXPECT_EQ(v->ImageAtPos(4, 2), 0);
  EXPECT_EQ(v->ImageAtPos(48, 14), -1);  // the border between cells
  EXPECT_EQ(v->ImageAtPos(52, 14), -1);  // cell 6 does not exist
  EXPECT_EQ(v->ImageAtPos(-30, -20), -1);
  EXPECT_EQ(v->ImageVisibility(0), 2);
  EXPECT_EQ(v->ImageVisibility(-1), 0);
  EXPECT_EQ(v->ImageVisibility(6), 0);
}

TEST_F(ThumbLayout, ScrollBarAndOrigin) {
  MViewPtr v = MakeMView(200, 100);
  v->LockUpdate();
  v->SetThumbWidth(20);
  v->SetThumbHeight(10);
  v->SetHorizBorder(4);
  v->SetVertBorder(2);
  v->SetScrollBars(ssHorizontal);
  for (int i = 0; i < 20; ++i) v->InsertImage(i);
  v->UnlockUpdate();
  // Extent 4 + 19 x 24 + 24 = 484 across a client area 200 wide.
  EXPECT_EQ(v->ExtentX(), 484);
  const int32_t client = v->ViewClientWidth();
  const int32_t max = 484 - client;
  EXPECT_EQ(v->MaxViewX(), max);
  const TIEViewScrollBar& bar = v->HorzScrollBar();
  EXPECT_TRUE(bar.Visible);
  EXPECT_EQ(bar.Max, 65535);
  const double scale = (static_cast<double>(client) + max - 1) / 65536.0;
  EXPECT_EQ(bar.Page, static_cast<int32_t>(client / scale));
  EXPECT_FALSE(v->VertScrollBar().Visible);
  v->SetViewX(100000);
  EXPECT_EQ(v->ViewX(), max);
  EXPECT_EQ(bar.Position, static_cast<int32_t>(max / scale));
  v->SetViewX(-5);
  EXPECT_EQ(v->ViewX(), 0);
  // The cell under a point follows the origin: cell 2 (at 52) now shows at 4.
  v->SetViewX(48);
  EXPECT_EQ(v->ImageAtPos(4, 5), 2);
  EXPECT_EQ(v->ImageAtPos(3, 5), -1);
  EXPECT_EQ(v->ImageAtPos(52, 5), 4);
  // Fewer cells than fit: the bar goes away again.
  for (int i = 19; i >= 3; --i) v->DeleteImage(i);
  v->Update();
  EXPECT_FALSE(v->HorzScrollBar().Visible);
  EXPECT_EQ(v->ViewX(), 0);
}

TEST_F(ThumbLayout, NegativeAndPastTheEndIndexesDoNothing) {
  MViewPtr v = MakeMView(100, 100);
  v->InsertImage(0);
  v->InsertImage(1);
  TIEBitmap b;
  b.Allocate(4, 4, ieRGB24);
  for (int32_t bad : {-1, -2, 2, 1000}) {
    v->SetImage(bad, &b);
    v->SetImageFileName(bad, "x.png");
    v->SetImageDelay(bad, 5);
    v->ReleaseRendering(bad);
    EXPECT_FALSE(v->DeleteImage(bad)) << bad;
    EXPECT_FALSE(v->LoadImageNow(bad)) << bad;
    EXPECT_EQ(v->GetImageBitmap(bad), nullptr) << bad;
    EXPECT_EQ(v->GetImageRow(bad), 0) << bad;
    EXPECT_FALSE(v->RequestLoad(bad)) << bad;
  }
  EXPECT_EQ(v->ImageCount(), 2);
  EXPECT_FALSE(v->HasStoredImage(0));
  EXPECT_TRUE(v->ImageFileName(0).empty());
  // A negative insert position appends.
  v->InsertImage(-5);
  EXPECT_EQ(v->ImageCount(), 3);
}

TEST_F(ThumbLayout, CellsOfNoSizeDivideByNothing) {
  MViewPtr v = MakeMView(100, 100);
  v->LockUpdate();
  v->SetThumbWidth(0);
  v->SetThumbHeight(0);
  v->SetHorizBorder(0);
  v->SetVertBorder(0);
  v->SetGridWidth(-1);
  for (int i = 0; i < 3; ++i) v->InsertImage(i);
  v->UnlockUpdate();
  EXPECT_GE(v->GridColumns(), 0);
  (void)v->ImageAtPos(5, 5);
  v->StoreType = ietThumb;
  TIEBitmap b;
  b.Allocate(8, 6, ieRGB24);
  v->SetImage(0, &b);
  EXPECT_TRUE(v->HasStoredImage(0));
  TIEBitmap wrong;
  v->DoWrongImage(&wrong, 0);
  EXPECT_FALSE(wrong.IsEmpty());
  v->Paint();
}

TEST_F(ThumbLayout, DeleteKeepsOrMovesTheSelection) {
  MViewPtr v = MakeMView(300, 100);
  for (int i = 0; i < 4; ++i) v->InsertImage(i);
  // Deleting before the selected image: same image, index one lower.
  v->SelectImage(2);
  v->DeleteImage(0);
  EXPECT_EQ(v->SelectedIndex(), 1);
  // Deleting the selected last image selects the new last one.
  v->SelectImage(2);
  v->DeleteImage(2);
  EXPECT_EQ(v->SelectedIndex(), 1);
  // Deleting the selected middle image selects the one taking its place.
  v->InsertImage(2);
  v->SelectImage(1);
  v->DeleteImage(1);
  EXPECT_EQ(v->SelectedIndex(), 1);
  EXPECT_EQ(v->GetLastChange(), 0);
}

TEST_F(ThumbLayout, ChangeReportReachesTheHandlers) {
  MViewPtr v = MakeMView(300, 100);
  struct Seen {
    TImagoMView* view;
    std::vector<std::pair<int32_t, int32_t>> changes;
  } seen{v.get(), {}};
  v->AddBitmapChangeHandler(
      [](void* data, TIEView*, bool destroying) {
        auto* s = static_cast<Seen*>(data);
        if (!destroying && s->view->GetLastChange() != 0)
          s->changes.emplace_back(s->view->GetLastChange(), s->view->GetLastChangeIndex());
      },
      &seen);
  v->InsertImage(0);
  v->InsertImage(0);
  v->DeleteImage(1);
  EXPECT_EQ(seen.changes, (std::vector<std::pair<int32_t, int32_t>>{{1, 0}, {1, 0}, {2, 1}}));
  EXPECT_EQ(v->GetLastChange(), 0);
  EXPECT_EQ(v->GetLastChangeExtra(), 0);
}

TEST_F(ThumbLayout, StoredThumbnails) {
  MViewPtr v = MakeMView(300, 100);
  v->StoreType = ietThumb;
  v->SetThumbWidth(40);
  v->SetThumbHeight(30);
  v->InsertImage(0);
  // A 1-bit picture to reduce is stored as 24-bit grey.
  TIEBitmap mono;
  mono.Allocate(80, 20, ieMono1);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 80; ++x) mono.GetScanline(y)[x / 8] |= (x % 2) ? (0x80 >> (x % 8)) : 0;
  v->SetImage(0, &mono);
  TIEBitmap* stored = v->GetImageBitmap(0);
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(stored->Width(), 40);
  EXPECT_EQ(stored->Height(), 10);
  EXPECT_EQ(stored->PixelFormat(), ieRGB24);
  const TRGB p = stored->GetRGB24(20, 5);
  EXPECT_EQ(p.r, p.g);
  EXPECT_EQ(p.g, p.b);
  // Half the pixels set: a mid grey.
  EXPECT_GT(p.r, 64);
  EXPECT_LT(p.r, 192);
  v->ReleaseImageBitmap(stored, false);
  EXPECT_EQ(v->ImageOriginalWidth(0), 80);
  EXPECT_EQ(v->ImageOriginalHeight(0), 20);
  // A picture that fits with FitThumbnails off is kept as it is.
  v->FitThumbnails = false;
  TIEBitmap small;
  small.Allocate(10, 8, ieRGB24);
  v->SetImage(0, &small);
  stored = v->GetImageBitmap(0);
  EXPECT_EQ(stored->Width(), 10);
  v->ReleaseImageBitmap(stored, false);
}

TEST_F(ThumbLayout, WrongImagePlaceholderOrTheEventsPicture) {
  MViewPtr v = MakeMView(300, 100);
  v->SetThumbWidth(60);
  v->SetThumbHeight(50);
  TIEBitmap out;
  v->DoWrongImage(&out, 0);
  EXPECT_EQ(out.Width(), 60);
  EXPECT_EQ(out.Height(), 50);
  EXPECT_EQ(out.GetRGB24(0, 0), MakeRGBTriple(255, 255, 255));
  int blue = 0;
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 60; ++x) {
      const TRGB p = out.GetRGB24(x, y);
      if (p.b > 200 && p.r < 60 && p.g < 60) ++blue;
    }
  EXPECT_GT(blue, 20);
  v->OnWrongImage = [](TObject*, TIEBitmap* Out, int32_t idx, bool& Handled) {
    EXPECT_EQ(Out->Width(), 60);
    EXPECT_EQ(idx, 3);
    Out->Fill(0x00FF00);
    Handled = true;
  };
  v->DoWrongImage(&out, 3);
  EXPECT_EQ(out.GetRGB24(30, 25), MakeRGBTriple(0, 255, 0));
}

}  // namespace

namespace {

class ThumbFrames : public ViewFixture {};

// A GIF of three 1 x 1 frames (black, white, black) shown 5, 7 and 9
// hundredths of a second.
std::string WriteThreeFrameGif(const std::string& Name) {
  std::string g = "GIF89a";
  g += std::string("\x01\x00\x01\x00\x80\x00\x00", 7);
  g += std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
  const char delays[3] = {5, 7, 9};
  const char pixel_data[3][3] = {{'\x44', '\x01'}, {'\x4C', '\x01'}, {'\x44', '\x01'}};
  for (int f = 0; f < 3; ++f) {
    g += std::string("\x21\xF9\x04\x00", 4);
    g += delays[f];
    g += std::string("\x00\x00\x00", 3);
    g += std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    g += std::string("\x02\x02", 2);
    g += std::string(pixel_data[f], 2);
    g += '\0';
  }
  g += '\x3B';
  std::ofstream(Name, std::ios::binary) << g;
  return Name;
}

TEST_F(ThumbFrames, AMultiFrameFileFillsOneEntryPerFrame) {
  const std::string gif =
      WriteThreeFrameGif((std::filesystem::temp_directory_path() / ("nbv-frames-" + std::to_string(::getpid()) + ".gif"))
                             .string());
  MViewPtr v = MakeMView(300, 100);
  v->InsertImage(0);
  v->FillFromMultiImageFile(gif);
  ASSERT_EQ(v->ImageCount(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(v->ImageFileName(i), gif + "::" + std::to_string(i));
  // Frames are never queued for the loader; they load synchronously.
  EXPECT_FALSE(v->RequestLoad(1));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(v->LoadImageNow(i)) << i;
  EXPECT_EQ(v->ImageDelay(0), 50);
  EXPECT_EQ(v->ImageDelay(1), 70);
  EXPECT_EQ(v->ImageDelay(2), 90);
  TIEBitmap* b = v->GetImageBitmap(1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Width(), 1);
  EXPECT_EQ(b->GetPixelRGB(0, 0), MakeRGBTriple(255, 255, 255));
  v->ReleaseImageBitmap(b, false);
  v.reset();
  std::filesystem::remove(gif);
}

TEST_F(ThumbFrames, EntriesWithAnIDLoadThroughTheRequestEvent) {
  MViewPtr v = MakeMView(300, 100);
  v->InsertImage(0);
  v->SetImageID(0, 42);
  TIEBitmap picture;
  picture.Allocate(3, 2, ieRGB24);
  int32_t asked = -1;
  v->OnImageIDRequestEx = [&](TObject*, int32_t ID, TIEBitmap*& Bitmap) {
    asked = ID;
    Bitmap = &picture;
  };
  EXPECT_TRUE(v->LoadImageNow(0));
  EXPECT_EQ(asked, 42);
  EXPECT_TRUE(v->HasStoredImage(0));
  EXPECT_EQ(v->ImageOriginalWidth(0), 3);
  // The handler keeps what it returned.
  EXPECT_EQ(picture.Width(), 3);
}

}  // namespace
