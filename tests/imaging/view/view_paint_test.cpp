// Painting of the image view (headless): the back buffer after Paint holds
// the background of each style and the image at the zoom asked for, checked
// at positions computed from the placement.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "ViewTestSupport.h"
#include "imaging/view/TIELayer.h"
#include "platform/Backend.h"
#include "platform/ScrollBar.h"
#include "platform/Surface.h"
#include "platform/Window.h"
#include "ui/TCanvas.h"
#include "ui/TBitmap.h"
#include "ui/TColor.h"
#include "ui/TPicture.h"

namespace {

class ViewPaint : public ViewFixture {};
class ViewPaintBackground : public ViewFixture {};
class ViewPaintImage : public ViewFixture {};
class ViewPaintLayers : public ViewFixture {};

constexpr TColor kBg = 0x336699;  // red 0x99, green 0x66, blue 0x33
const TRGB kBgRGB = MakeRGBTriple(0x99, 0x66, 0x33);
const TRGB kBgComplement = MakeRGBTriple(0x66, 0x99, 0xCC);

TRGB Px(TImagoView* v, int32_t x, int32_t y) { return v->BackBuffer()->GetRGB24(x, y); }

TRGB ResolvedRGB(TColor c) {
  const COLORREF r = ColorToRGB(c);
  return MakeRGBTriple(r & 0xFF, (r >> 8) & 0xFF, (r >> 16) & 0xFF);
}

bool Darker(const TRGB& p, const TRGB& than) {
  return p.r <= than.r && p.g <= than.g && p.b <= than.b && !(p == than);
}

// A 10 x 10 image centred in a 100 x 100 client area: image at (45, 45).
ViewPtr SmallImageView(TIEBackgroundStyle Style) {
  ViewPtr v = MakeView(100, 100, 10, 10);
  v->SetBackground(kBg);
  v->SetBackgroundStyle(Style);
  v->Paint();
  EXPECT_EQ(v->OffsetX(), 45);
  EXPECT_EQ(v->OffsetY(), 45);
  return v;
}

TEST_F(ViewPaintBackground, SolidChessboardAndDiagonals) {
  {
    ViewPtr v = SmallImageView(iebsSolid);
    for (auto [x, y] : {std::pair{0, 0}, {99, 99}, {44, 50}, {55, 50}, {50, 44}, {50, 55}})
      EXPECT_EQ(Px(v.get(), x, y), kBgRGB) << x << "," << y;
    EXPECT_EQ(Px(v.get(), 45, 45), PatternPixel(0, 0));
    EXPECT_EQ(Px(v.get(), 54, 54), PatternPixel(9, 9));
  }
  {
    ViewPtr v = SmallImageView(iebsChessboard);
    // 16 x 16 squares from the top-left corner, the first in the background colour.
    EXPECT_EQ(Px(v.get(), 0, 0), kBgRGB);
    EXPECT_EQ(Px(v.get(), 15, 15), kBgRGB);
    EXPECT_EQ(Px(v.get(), 16, 0), kBgComplement);
    EXPECT_EQ(Px(v.get(), 0, 16), kBgComplement);
    EXPECT_EQ(Px(v.get(), 16, 16), kBgRGB);
    EXPECT_EQ(Px(v.get(), 32, 0), kBgRGB);
    EXPECT_EQ(Px(v.get(), 99, 99), ((99 / 16 + 99 / 16) & 1) ? kBgComplement : kBgRGB);
    v->SetChessboardStyle(5, bsSolid);
    v->Update();
    v->Paint();
    EXPECT_EQ(Px(v.get(), 4, 0), kBgRGB);
    EXPECT_EQ(Px(v.get(), 5, 0), kBgComplement);
  }
  {
    ViewPtr v = SmallImageView(iebsDiagonals);
    EXPECT_EQ(Px(v.get(), 10, 10), kBgComplement);
    EXPECT_EQ(Px(v.get(), 90, 10), kBgComplement);
    EXPECT_EQ(Px(v.get(), 10, 20), kBgRGB);
    EXPECT_EQ(Px(v.get(), 30, 5), kBgRGB);
  }
}

// The background is left out only under the image as it is drawn now: where
// a larger zoom drew it before, the background comes back.
TEST_F(ViewPaintBackground, ImageDrawnSmallerLeavesNothingOfTheLarger) {
  ViewPtr v = MakeView(100, 100, 10, 10);
  v->SetBackground(kBg);
  v->SetZoom(400);
  v->Update();
  v->Paint();
  ASSERT_EQ(v->OffsetX(), 30);
  EXPECT_EQ(Px(v.get(), 31, 31), PatternPixel(0, 0));
  v->SetZoom(100);
  v->Update();
  v->Paint();
  for (auto [x, y] : {std::pair{31, 31}, {44, 44}, {55, 55}, {68, 68}, {50, 69}})
    EXPECT_EQ(Px(v.get(), x, y), kBgRGB) << x << "," << y;
  EXPECT_EQ(Px(v.get(), 45, 45), PatternPixel(0, 0));
  EXPECT_EQ(Px(v.get(), 54, 54), PatternPixel(9, 9));
}

TEST_F(ViewPaintBackground, HatchesPaintOnlyTheirLines) {
  struct Case {
    TIEBackgroundStyle style;
    bool full_row, full_column;
  };
  const Case cases[] = {{iebsHorizontal, true, false}, {iebsVertical, false, true}, {iebsCross, true, true},
                        {iebsFDiagonal, false, false}, {iebsBDiagonal, false, false},
                        {iebsDiagCross, false, false}};
  for (const Case& c : cases) {
    ViewPtr v = SmallImageView(c.style);
    int painted = 0;
    bool any_full_row = false, any_full_column = false;
    for (int y = 0; y < 16; ++y) {
      bool row = true;
      for (int x = 0; x < 16; ++x) {
        const bool on = Px(v.get(), x, y) == kBgRGB;
        painted += on;
        row = row && on;
      }
      any_full_row = any_full_row || row;
    }
    for (int x = 0; x < 16; ++x) {
      bool col = true;
      for (int y = 0; y < 16; ++y) col = col && Px(v.get(), x, y) == kBgRGB;
      any_full_column = any_full_column || col;
    }
    EXPECT_GT(painted, 0) << int(c.style);
    EXPECT_LT(painted, 256) << int(c.style);
    EXPECT_EQ(any_full_row, c.full_row) << int(c.style);
    EXPECT_EQ(any_full_column, c.full_column) << int(c.style);
  }
}

TEST_F(ViewPaintBackground, CroppedShadowAndGradient) {
  {
    ViewPtr v = SmallImageView(iebsCropped);
    const TRGB face = ResolvedRGB(clBtnFace);
    EXPECT_EQ(Px(v.get(), 0, 0), face);
    EXPECT_EQ(Px(v.get(), 45 - EdgeX() - 1, 50), face);
    // The sunken edge around the image, enlarged by the edge size.
    EXPECT_NE(Px(v.get(), 45 - EdgeX(), 50), face);
    EXPECT_NE(Px(v.get(), 50, 45 - EdgeY()), face);
    EXPECT_EQ(Px(v.get(), 45, 45), PatternPixel(0, 0));
  }
  {
    ViewPtr v = SmallImageView(iebsCropShadow);
    EXPECT_EQ(Px(v.get(), 0, 0), kBgRGB);
    EXPECT_EQ(Px(v.get(), 80, 80), kBgRGB);
    // Strips right of and under the image, darker than the background.
    EXPECT_TRUE(Darker(Px(v.get(), 55, 53), kBgRGB));
    EXPECT_TRUE(Darker(Px(v.get(), 53, 56), kBgRGB));
    EXPECT_EQ(Px(v.get(), 62, 50), kBgRGB);
  }
  {
    ViewPtr v = SmallImageView(iebsGradient);
    v->GradientEndColor = 0xFF0000;  // blue
    v->Update();
    v->Paint();
    const TRGB top = Px(v.get(), 0, 0), bottom = Px(v.get(), 0, 99), mid = Px(v.get(), 0, 50);
    EXPECT_NEAR(top.r, 0x99, 3);
    EXPECT_NEAR(top.b, 0x33, 3);
    EXPECT_NEAR(bottom.r, 0, 3);
    EXPECT_NEAR(bottom.b, 0xFF, 3);
    EXPECT_GT(mid.b, top.b);
    EXPECT_LT(mid.b, bottom.b);
    // Each row is one colour.
    EXPECT_EQ(Px(v.get(), 0, 30), Px(v.get(), 99, 30));
  }
}

TEST_F(ViewPaintImage, At100At25And400Percent) {
  {
    ViewPtr v = MakeView(100, 100, 40, 30);
    v->SetBackground(kBg);
    v->Paint();
    ASSERT_EQ(v->OffsetX(), 30);
    ASSERT_EQ(v->OffsetY(), 35);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(Px(v.get(), 30 + x, 35 + y), PatternPixel(x, y)) << x << "," << y;
    EXPECT_EQ(Px(v.get(), 29, 40), kBgRGB);
    EXPECT_EQ(Px(v.get(), 70, 40), kBgRGB);
    EXPECT_EQ(Px(v.get(), 40, 65), kBgRGB);
  }
  {
    ViewPtr v = MakeView(100, 100, 400, 300);
    v->SetBackground(kBg);
    v->SetZoom(25);
    v->Paint();
    ASSERT_EQ(v->GetViewWidth(), 100);  // the bars went away
    ASSERT_EQ(v->OffsetX(), 0);
    ASSERT_EQ(v->OffsetY(), 12);
    for (int32_t y = 0; y < 75; ++y)
      for (int32_t x = 0; x < 100; ++x)
        ASSERT_EQ(Px(v.get(), x, 12 + y), PatternPixel(4 * x, 4 * y)) << x << "," << y;
    EXPECT_EQ(Px(v.get(), 50, 11), kBgRGB);
    EXPECT_EQ(Px(v.get(), 50, 87), kBgRGB);
  }
  {
    ViewPtr v = MakeView(100, 100, 40, 30);
    v->SetBackground(kBg);
    v->SetZoom(400);
    v->SetViewXY(0, 0);
    v->Paint();
    const int32_t vw = v->GetViewWidth(), vh = v->GetViewHeight();
    ASSERT_EQ(v->OffsetX(), 0);
    ASSERT_EQ(v->OffsetY(), 0);
    for (int32_t y = 0; y < vh; ++y)
      for (int32_t x = 0; x < vw; ++x) ASSERT_EQ(Px(v.get(), x, y), PatternPixel(x / 4, y / 4)) << x << "," << y;
    // Scrolled: the origin counts in zoomed pixels and drawing starts at the
    // first position of the column it falls in (10 -> 8, 6 -> 4).
    v->SetViewXY(10, 6);
    v->Paint();
    EXPECT_EQ(v->ViewX(), 10);
    for (int32_t y = 0; y < vh; ++y)
      for (int32_t x = 0; x < vw; ++x)
        ASSERT_EQ(Px(v.get(), x, y), PatternPixel((x + 8) / 4, (y + 4) / 4)) << x << "," << y;
    // What is drawn agrees with the conversions.
    for (int32_t x = 0; x < vw; ++x)
      ASSERT_EQ(Px(v.get(), x, 0), PatternPixel(v->ScreenToImageX(x), v->ScreenToImageY(0)));
  }
}

TEST_F(ViewPaintLayers, TransparencyAndAlpha) {
  {
    ViewPtr v = MakeView(100, 100, 10, 10);
    v->SetBackground(kBg);
    v->CurrentLayer()->Transparency = 128;
    v->Update();
    v->Paint();
    for (int32_t y = 0; y < 10; ++y)
      for (int32_t x = 0; x < 10; ++x) {
        const TRGB s = PatternPixel(x, y), p = Px(v.get(), 45 + x, 45 + y);
        EXPECT_NEAR(p.r, (s.r + kBgRGB.r) / 2.0, 1.0);
        EXPECT_NEAR(p.g, (s.g + kBgRGB.g) / 2.0, 1.0);
        EXPECT_NEAR(p.b, (s.b + kBgRGB.b) / 2.0, 1.0);
      }
    EXPECT_EQ(Px(v.get(), 44, 44), kBgRGB);
  }
  {
    ViewPtr v = MakeView(100, 100, 10, 10);
    v->SetBackground(kBg);
    TIEBitmap* a = v->GetAlphaChannel();
    a->Fill(255);
    a->SetByte(3, 4, 0);
    a->SetByte(5, 4, 64);
    a->Full = false;
    v->SetEnableAlphaChannel(true);
    v->Paint();
    EXPECT_EQ(Px(v.get(), 45 + 3, 45 + 4), kBgRGB);
    const TRGB full = Px(v.get(), 45 + 4, 45 + 4), want = PatternPixel(4, 4);
    EXPECT_NEAR(full.r, want.r, 1);
    EXPECT_NEAR(full.g, want.g, 1);
    EXPECT_NEAR(full.b, want.b, 1);
    const TRGB s = PatternPixel(5, 4), p = Px(v.get(), 45 + 5, 45 + 4);
    EXPECT_NEAR(p.g, kBgRGB.g + (s.g - kBgRGB.g) * 64 / 256.0, 1.0);
    // Without the flag the alpha channel is not used.
    v->SetEnableAlphaChannel(false);
    v->Paint();
    EXPECT_EQ(Px(v.get(), 45 + 3, 45 + 4), PatternPixel(3, 4));
  }
}

TEST_F(ViewPaint, BackgroundCallbackAndCoveredImage) {
  ViewPtr v = MakeView(100, 100, 10, 10);
  int fired = 0;
  v->OnDrawBackground = [&](TObject*, TCanvas* c, const TRect& r, bool& handled) {
    ++fired;
    EXPECT_EQ(r.Right, 100);
    c->Brush()->SetColor(0x00FF00);
    c->FillRect(r);
    handled = true;
  };
  int back_buffer = 0, painted = 0;
  v->OnDrawBackBuffer = [&](TObject*) { ++back_buffer; };
  v->OnPaint = [&](TObject*) { ++painted; };
  v->Paint();
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(Px(v.get(), 0, 0), MakeRGBTriple(0, 0xFF, 0));
  // A second paint with nothing changed transfers without rendering.
  v->Paint();
  EXPECT_EQ(back_buffer, 1);
  EXPECT_EQ(painted, 2);

  // An opaque image covering the whole view: no background at all.
  ViewPtr w = MakeView(100, 100, 300, 300);
  int w_fired = 0;
  w->OnDrawBackground = [&](TObject*, TCanvas*, const TRect&, bool&) { ++w_fired; };
  w->Paint();
  EXPECT_EQ(w_fired, 0);

  // A view 0 pixels wide paints nothing.
  ViewPtr z = MakeView(100, 100, 10, 10);
  z->SetBounds(0, 0, 0, 50);
  int z_painted = 0;
  z->OnPaint = [&](TObject*) { ++z_painted; };
  z->Paint();
  EXPECT_EQ(z_painted, 0);
}

// A background handler that hands the view another image: the render that
// fired it stops, and the next paint draws the new image.
TEST_F(ViewPaint, ImageReplacedByTheBackgroundHandler) {
  ViewPtr v = MakeView(100, 100, 20, 20);
  TIEBitmap ext;
  ext.Allocate(30, 30, ieRGB24);
  ext.Fill(0x0000FF);
  int fired = 0;
  v->OnDrawBackground = [&](TObject*, TCanvas*, const TRect&, bool&) {
    if (++fired == 1) v->SetExternalBitmap(&ext);  // frees the image being drawn
  };
  v->Paint();
  v->Paint();
  EXPECT_EQ(fired, 2);
  EXPECT_EQ(Px(v.get(), 50, 50), MakeRGBTriple(255, 0, 0));
  v->OnDrawBackground = nullptr;
  v->SetExternalBitmap(nullptr);
}

}  // namespace

namespace {

class ViewWindow : public ViewFixture {};

uint32_t WindowPixel(TImagoView* v, int32_t x, int32_t y) {
  // The window's pixels start with its frame.
  const Surface s = CopyWindowPixels(v->Handle());
  return s.Get(x + EdgeX(), y + EdgeY()) & 0xFFFFFF;
}

uint32_t AsWindowPixel(const TRGB& p) { return (uint32_t{p.r} << 16) | (uint32_t{p.g} << 8) | p.b; }

TEST_F(ViewWindow, BackBufferCopiedIntoTheWindow) {
  ViewPtr v = MakeView(100, 100, 40, 30);
  v->SetBackground(kBg);
  v->Paint();
  for (auto [x, y] : {std::pair{0, 0}, {30, 35}, {69, 64}, {50, 50}, {99, 99}})
    EXPECT_EQ(WindowPixel(v.get(), x, y), AsWindowPixel(Px(v.get(), x, y))) << x << "," << y;
  EXPECT_EQ(WindowPixel(v.get(), 31, 36), AsWindowPixel(PatternPixel(1, 1)));
  // A change announced by Update reaches the window with the next paint.
  Application->ProcessMessages();
  v->GetIEBitmap()->SetRGB24(1, 1, MakeRGBTriple(1, 2, 3));
  v->Update();
  Application->ProcessMessages();
  EXPECT_EQ(WindowPixel(v.get(), 31, 36), 0x010203u);
}

TEST_F(ViewWindow, ScrollMessagesThroughTheWindow) {
  ViewPtr v = MakeView(100, 100, 400, 400);
  ASSERT_TRUE(v->HorzScrollBar().Visible);
  SendMessage(v->Handle(), WM_HSCROLL, SB_LINERIGHT, 0);
  EXPECT_EQ(v->ViewX(), 1);
  SendMessage(v->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(v->ViewY(), v->GetViewHeight());
  SendMessage(v->Handle(), WM_HSCROLL, SB_THUMBPOSITION | (1000u << 16), 0);
  EXPECT_EQ(v->ViewX(), static_cast<int32_t>(std::trunc(1000 * v->HScrollScale())));
  // The window's own bar follows.
  EXPECT_EQ(GetScrollPos(v->Handle(), SB_HORZ), v->HorzScrollBar().Position);
  // The private messages reach the view through its window.
  int32_t percent = -1;
  v->SetOnProgress([&](TObject*, int32_t p) { percent = p; });
  SendMessage(v->Handle(), IEM_PROGRESS, 42, 0);
  EXPECT_EQ(percent, 42);
}

TEST_F(ViewWindow, PixelGridOnImagePixelBoundaries) {
  ViewPtr v = MakeView(100, 100, 40, 30);
  v->SetBackground(kBg);
  v->PixelGrid = true;
  v->SetZoom(400);
  v->SetViewXY(0, 0);
  v->Paint();
  auto inverted = [](const TRGB& p) { return MakeRGBTriple(255 - p.r, 255 - p.g, 255 - p.b); };
  // Column 3 starts at client x 12: the grid line inverts it; the pixel
  // after it is the image's. Row lines cross at their intersections, so test
  // away from them.
  const int32_t x = v->ImageToScreenX(3);
  EXPECT_EQ(x, 12);
  EXPECT_EQ(Px(v.get(), x, 6), inverted(PatternPixel(3, 1)));
  EXPECT_EQ(Px(v.get(), x + 1, 6), PatternPixel(3, 1));
  const int32_t y = v->ImageToScreenY(2);
  EXPECT_EQ(Px(v.get(), 6, y), inverted(PatternPixel(1, 2)));
  // Below 400 % there is no grid.
  v->SetZoom(300);
  v->Paint();
  EXPECT_EQ(Px(v.get(), v->ImageToScreenX(3), 4), PatternPixel(3, 1));
}

TEST_F(ViewWindow, VersionTextAtTheBottomRight) {
  ViewPtr v = MakeView(200, 100, 10, 10);
  v->SetBackground(kBg);
  v->SetDrawVersion(true);
  v->Paint();
  // Solid white behind the text, against the right and bottom edges.
  int white = 0;
  for (int32_t x = 100; x < 200; ++x) white += WindowPixel(v.get(), x, 99) == 0xFFFFFF;
  EXPECT_GT(white, 10);
  EXPECT_EQ(WindowPixel(v.get(), 0, 0), AsWindowPixel(kBgRGB));
}

}  // namespace

namespace {

class ViewWallPaper : public ViewFixture {};

TEST_F(ViewWallPaper, NormalTileAndStretch) {
  TBitmap tile;
  tile.SetPixelFormat(pf24bit);
  tile.SetSize(3, 2);
  tile.Canvas()->Brush()->SetColor(0x00FF00);
  tile.Canvas()->FillRect(TRect{0, 0, 3, 2});
  tile.Canvas()->SetPixels(0, 0, 0x0000FF);
  TPicture picture;
  picture.SetBitmap(&tile);
  const TRGB red = MakeRGBTriple(255, 0, 0), green = MakeRGBTriple(0, 255, 0);

  ViewPtr v = MakeView(100, 100, 10, 10);
  v->SetBackground(kBg);
  v->SetWallPaper(&picture);
  v->Paint();
  EXPECT_EQ(Px(v.get(), 0, 0), red);
  EXPECT_EQ(Px(v.get(), 1, 0), green);
  EXPECT_EQ(Px(v.get(), 3, 0), kBgRGB);  // once, at the top left

  v->SetWallPaperStyle(iewoTile);
  v->Paint();
  EXPECT_EQ(Px(v.get(), 3, 0), red);
  EXPECT_EQ(Px(v.get(), 3, 2), red);
  EXPECT_EQ(Px(v.get(), 96, 98), red);  // 96 = 3 * 32, 98 = 2 * 49
  EXPECT_EQ(Px(v.get(), 97, 98), green);

  v->SetWallPaperStyle(iewoStretch);
  v->Paint();
  EXPECT_EQ(Px(v.get(), 20, 30), red);  // the red pixel covers a third by a half
  EXPECT_EQ(Px(v.get(), 40, 30), green);
}

// Over a wallpaper or a handler's background, with the solid style, a
// transparent zoomed image lets every row of the background show: rows are
// not copied from the row above.
TEST_F(ViewWallPaper, ShowsRowByRowThroughATransparentImage) {
  const TRGB red = MakeRGBTriple(255, 0, 0), green = MakeRGBTriple(0, 255, 0);
  TBitmap tile;
  tile.SetPixelFormat(pf24bit);
  tile.SetSize(1, 2);
  tile.Canvas()->SetPixels(0, 0, 0x0000FF);
  tile.Canvas()->SetPixels(0, 1, 0x00FF00);
  TPicture picture;
  picture.SetBitmap(&tile);
  for (const bool handler : {false, true}) {
    ViewPtr v = MakeView(40, 40, 4, 4);
    v->GetAlphaChannel()->Fill(0);
    v->GetAlphaChannel()->Full = false;
    v->SetEnableAlphaChannel(true);
    v->SetZoom(800);
    if (handler) {
      v->OnDrawBackground = [](TObject*, TCanvas* c, const TRect& r, bool& handled) {
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
          c->Brush()->SetColor(y % 2 ? 0x00FF00 : 0x0000FF);
          c->FillRect(TRect{r.Left, y, r.Right, y + 1});
        }
        handled = true;
      };
    } else {
      v->SetWallPaper(&picture);
      v->SetWallPaperStyle(iewoTile);
    }
    v->Update();
    v->Paint();
    for (int32_t y = 0; y < 40; ++y) ASSERT_EQ(Px(v.get(), 20, y), y % 2 ? green : red) << handler << " row " << y;
  }
}

}  // namespace

namespace {

class ViewFrame : public ViewFixture {};

TEST_F(ViewFrame, SunkenEdgeThinLineOrNone) {
  ViewPtr v = MakeView(100, 100, 10, 10);
  auto style = [&] { return static_cast<uint32_t>(GetWindowLongPtr(v->Handle(), GWL_STYLE)); };
  auto ex = [&] { return static_cast<uint32_t>(GetWindowLongPtr(v->Handle(), GWL_EXSTYLE)); };
  EXPECT_TRUE(ex() & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(style() & WS_BORDER);
  // The same value keeps the window.
  const HWND before = v->Handle();
  v->SetBorderStyle(bsSingle);
  v->SetCtl3D(true);
  EXPECT_EQ(v->Handle(), before);
  v->SetCtl3D(false);
  EXPECT_FALSE(ex() & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(style() & WS_BORDER);
  EXPECT_EQ(v->GetViewWidth(), 100 + 2 * EdgeX() - 2 * GetSystemMetrics(SM_CXBORDER));
  v->SetBorderStyle(bsNone);
  EXPECT_FALSE(ex() & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(style() & WS_BORDER);
  EXPECT_EQ(v->GetViewWidth(), v->Width());
  // The image is placed in the new client area.
  v->Paint();
  EXPECT_EQ(v->OffsetX(), (v->Width() - 10) / 2);
}

}  // namespace
