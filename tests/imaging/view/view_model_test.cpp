// Placement of the image view: fit and automatic zoom, maximum origin, zoom
// keeping the centre and zoom at a point, scroll bars and scroll codes,
// coordinate conversions, and the view's image objects and companions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "ViewTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TImago.h"
#include "platform/ScrollBar.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TColor.h"

namespace {

class TImagoCompanions : public ViewFixture {};
class ViewAutoZoom : public ViewFixture {};
class ViewBase : public ViewFixture {};
class ViewCoordinates : public ViewFixture {};
class ViewFitZoom : public ViewFixture {};
class ViewImages : public ViewFixture {};
class ViewMaxOrigin : public ViewFixture {};
class ViewMessages : public ViewFixture {};
class ViewNavigator : public ViewFixture {};
class ViewScrollBars : public ViewFixture {};
class ViewZoom : public ViewFixture {};

TEST_F(ViewFitZoom, FramesByBorderAndBackground) {
  struct Case {
    TBorderStyle border;
    bool ctl3d;
    TIEBackgroundStyle style;
    int32_t fx, fy;  // frame expected on each side
  };
  const Case cases[] = {
      {bsSingle, true, iebsSolid, EdgeX(), EdgeY()},
      {bsSingle, false, iebsSolid, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)},
      {bsNone, true, iebsSolid, 0, 0},
      {bsNone, true, iebsCropShadow, 5, 5},
      {bsSingle, true, iebsCropShadow, 5, 5},
      {bsNone, false, iebsCropped, EdgeX(), EdgeY()},
  };
  for (const Case& c : cases) {
    ViewPtr v = MakeView(200, 100, 2000, 1000);
    v->SetBorderStyle(c.border);
    v->SetCtl3D(c.ctl3d);
    v->SetBackgroundStyle(c.style);
    v->SetBounds(0, 0, 1004, 504);
    const double expect = std::min((1004.0 - 2 * c.fx) / 20.0, (504.0 - 2 * c.fy) / 10.0);
    EXPECT_DOUBLE_EQ(v->GetFitZoom(), expect) << int(c.border) << c.ctl3d << int(c.style);
    v->Fit();
    EXPECT_DOUBLE_EQ(v->Zoom(), expect);
  }
  // The example of a 2-pixel 3D border: exactly 50 %.
  if (EdgeX() == 2 && EdgeY() == 2) {
    ViewPtr v = MakeView(200, 100, 2000, 1000);
    v->SetBounds(0, 0, 1004, 504);
    v->Fit();
    EXPECT_DOUBLE_EQ(v->Zoom(), 50.0);
  }
}

TEST_F(ViewAutoZoom, ShrinkStretchAndFit) {
  struct Case {
    int32_t iw, ih;
    bool fit, stretch, shrink;
    double expect;  // the client (200 x 150) over the image, worked out by hand; or 100
  };
  const Case cases[] = {
      {400, 100, false, false, true, 50.0},   // too wide, shrink: 200 / 400
      {400, 100, false, true, false, 100.0},  // too wide, stretch only
      {50, 20, false, true, false, 400.0},    // small, stretch: 200 / 50 (150 / 20 is more)
      {50, 20, false, false, true, 100.0},    // small, shrink only
      {50, 300, true, false, false, 50.0},    // too high, fit: 150 / 300
      {50, 20, true, false, false, 400.0},    // small, fit
  };
  for (const Case& c : cases) {
    ViewPtr v = MakeView(200, 150, c.iw, c.ih);
    v->AutoFit = c.fit;
    v->AutoStretch = c.stretch;
    v->AutoShrink = c.shrink;
    v->Update();
    EXPECT_DOUBLE_EQ(v->Zoom(), c.expect) << c.iw << "x" << c.ih;
    EXPECT_DOUBLE_EQ(v->ZoomY(), c.expect);
  }
  // A 1 x 1 image counts as empty and stays at 100 %.
  ViewPtr v = MakeView(200, 150, 1, 1);
  EXPECT_TRUE(v->IsEmpty());
  v->AutoFit = true;
  v->Update();
  EXPECT_DOUBLE_EQ(v->Zoom(), 100.0);
}

TEST_F(ViewMaxOrigin, ExtraPixelAndOuterSize) {
  // 500 pixels wide in a client 490 wide: at 100 % the extra pixel is not
  // added (not more than 10 beyond the view), at 200 % it is.
  ViewPtr v = MakeView(490, 300, 500, 100);
  EXPECT_EQ(v->MaxViewX(), 10);
  EXPECT_EQ(v->MaxViewY(), 0);
  v->SetZoom(200);
  EXPECT_EQ(v->MaxViewX(), 1002 - v->GetViewWidth());
  EXPECT_EQ(v->GetViewWidth(), 490);

  // Fits the outer size though not the client area: never scrolls.
  ViewPtr w = MakeView(100, 100, 102, 102);
  EXPECT_EQ(w->MaxViewX(), 0);
  EXPECT_EQ(w->MaxViewY(), 0);
  EXPECT_FALSE(w->CanScroll());
  EXPECT_FALSE(w->HorzScrollBar().Visible);
  EXPECT_FALSE(w->VertScrollBar().Visible);

  // SetViewXY clamps to 0..maximum on each axis.
  ViewPtr s = MakeView(200, 200, 1000, 1000);
  s->SetViewXY(-5, 10000);
  EXPECT_EQ(s->ViewX(), 0);
  EXPECT_EQ(s->ViewY(), s->MaxViewY());
  EXPECT_EQ(s->MaxViewY(), 1001 - s->GetViewHeight());
}

// One zoomed pixel larger than the view: scrolled as far as it goes, the
// view still shows the last column and row, with a sound source and
// destination.
TEST_F(ViewMaxOrigin, HighZoomInASmallView) {
  struct Case { int32_t view, image; double zoom; };
  const Case cases[] = {{100, 10, 25000}, {100, 3, 9000}, {50, 40, 20000}};
  for (const Case& c : cases) {
    ViewPtr v = MakeView(c.view, c.view, c.image, c.image);
    v->SetZoom(c.zoom);
    v->SetViewXY(1 << 30, 1 << 30);
    v->Update();
    v->Paint();
    EXPECT_EQ(v->SourceX(), c.image - 1) << c.zoom;
    EXPECT_EQ(v->SourceY(), c.image - 1) << c.zoom;
    EXPECT_GE(v->SourceW(), 1) << c.zoom;
    EXPECT_GT(v->DestW(), 0) << c.zoom;
    EXPECT_LE(v->CurrentLayer()->ClientLeft, v->CurrentLayer()->ClientRight);
    EXPECT_EQ(v->BackBuffer()->GetRGB24(0, 0), PatternPixel(c.image - 1, c.image - 1)) << c.zoom;
  }
}

TEST_F(ViewZoom, KeepsTheCentreInPlace) {
  ViewPtr v = MakeView(200, 200, 1000, 1000);
  const int32_t cx = v->GetViewWidth() / 2, cy = v->GetViewHeight() / 2;
  const int32_t col0 = v->ScreenToImageX(cx), row0 = v->ScreenToImageY(cy);
  int changes = 0;
  v->OnViewChange = [&](TObject*, int32_t c) { changes += c == 1; };
  v->SetZoom(200);
  EXPECT_EQ(v->ViewX(), std::trunc(std::nearbyint(cx + 0.0) * 2 - cx));
  EXPECT_EQ(v->ScreenToImageX(cx), col0);
  EXPECT_EQ(v->ScreenToImageY(cy), row0);
  EXPECT_GE(changes, 1);
  const int32_t vx = v->ViewX();
  v->SetZoom(400);
  const double bx = std::nearbyint((cx + vx) * 100.0 / 200);
  EXPECT_EQ(v->ViewX(), static_cast<int32_t>(std::trunc(bx * 4 - cx)));
  EXPECT_EQ(v->ScreenToImageX(cx), static_cast<int32_t>(bx));
  // Setting the zoom in force does nothing, not even a notice.
  changes = 0;
  v->SetZoom(400);
  EXPECT_EQ(changes, 0);
  v->SetZoom(0);
  v->SetZoom(-3);
  EXPECT_DOUBLE_EQ(v->Zoom(), 400);
}

TEST_F(ViewZoom, ZoomAtAPoint) {
  struct Case {
    int32_t x, y;
    bool center;
  };
  for (const Case& c : {Case{50, 60, false}, Case{50, 60, true}, Case{133, 17, false}}) {
    ViewPtr v = MakeView(200, 200, 1000, 1000);
    const int32_t col = v->ScreenToImageX(c.x), row = v->ScreenToImageY(c.y);
    v->ZoomAt(c.x, c.y, 200, c.center);
    EXPECT_DOUBLE_EQ(v->Zoom(), 200);
    int32_t ex, ey;
    if (c.center) {
      ex = col * 2 - v->GetViewWidth() / 2;
      ey = row * 2 - v->GetViewHeight() / 2;
    } else {
      // The point keeps showing the same pixel: the origin lies within a
      // zoomed pixel of where the column and row start at the point.
      ex = col * 2 - c.x;
      ey = row * 2 - c.y;
    }
    if (c.center) {
      EXPECT_EQ(v->ViewX(), std::clamp(ex, 0, v->MaxViewX())) << c.x << c.center;
      EXPECT_EQ(v->ViewY(), std::clamp(ey, 0, v->MaxViewY()));
    } else {
      EXPECT_NEAR(v->ViewX(), std::clamp(ex, 0, v->MaxViewX()), 1) << c.x;
      EXPECT_NEAR(v->ViewY(), std::clamp(ey, 0, v->MaxViewY()), 1);
      if (ex > 0) { EXPECT_EQ(v->ScreenToImageX(c.x), col); }
      if (ey > 0) { EXPECT_EQ(v->ScreenToImageY(c.y), row); }
    }
  }
}

TEST_F(ViewZoom, ClampedSoZoomedSizesStayWithin2To30) {
  ViewPtr v = MakeView(200, 200, 300, 100);
  v->SetZoom(1e15);
  EXPECT_LE(v->Zoom(), 1073741824.0 * 100 / 300 + 1e-6);
  EXPECT_GT(v->Zoom(), 1e8);
  EXPECT_LE(v->ZoomedWidth(), 1 << 30);
  EXPECT_GT(v->ZoomedWidth(), 0);
  // Scrolling to the far end and converting stay in range.
  v->SetViewXY(INT32_MAX, INT32_MAX);
  EXPECT_EQ(v->ViewX(), v->MaxViewX());
  EXPECT_GE(v->MaxViewX(), 0);
  const int32_t col = v->ScreenToImageX(v->OffsetX());
  // Beyond the drawn area the conversion extrapolates: at most the extra
  // pixel past the image.
  EXPECT_GE(col, 0);
  EXPECT_LE(col, 301);
  v->SetZoomX(1e300);
  EXPECT_LE(v->ZoomX(), 1073741824.0 * 100 / 300 + 1e-6);
}

// A zoom clamped for a 1 x 1 image is clamped again when a larger image
// arrives.
TEST_F(ViewZoom, ClampedAgainForALargerImage) {
  ViewPtr v = MakeView(100, 100, 1, 1);
  v->SetZoom(1e15);
  v->GetIEBitmap()->Allocate(3000, 2000, ieRGB24);
  v->Update();
  EXPECT_LE(v->Zoom(), v->MaxZoom());
  EXPECT_DOUBLE_EQ(v->ZoomX(), v->ZoomY());
  EXPECT_LE(v->ZoomedWidth(), 1 << 30);
  EXPECT_GT(v->ZoomedWidth(), 1 << 29);
  v->SetViewXY(INT32_MAX, INT32_MAX);
  EXPECT_LE(v->ScreenToImageX(v->OffsetX()), 3001);
}

TEST_F(ViewScrollBars, ScalePageAndPosition) {
  ViewPtr v = MakeView(200, 200, 1000, 1000);
  ASSERT_TRUE(v->HorzScrollBar().Visible);
  ASSERT_TRUE(v->VertScrollBar().Visible);
  const int32_t vw = v->GetViewWidth(), vh = v->GetViewHeight();
  EXPECT_EQ(vw, 200 - VBarW());
  EXPECT_EQ(vh, 200 - HBarH());
  const int32_t mx = v->MaxViewX();
  EXPECT_EQ(mx, 1001 - vw);
  const double scale = (static_cast<double>(vw) + mx) / 65536;
  EXPECT_DOUBLE_EQ(v->HScrollScale(), scale);
  EXPECT_EQ(v->HorzScrollBar().Min, 0);
  EXPECT_EQ(v->HorzScrollBar().Max, 65535);
  EXPECT_EQ(v->HorzScrollBar().Page, static_cast<int32_t>(std::trunc(vw / scale)));
  v->SetViewX(300);
  EXPECT_EQ(v->HorzScrollBar().Position, static_cast<int32_t>(std::trunc(300 / scale)));
  v->SetViewY(123);
  EXPECT_EQ(v->VertScrollBar().Position,
            static_cast<int32_t>(std::trunc(123 / ((static_cast<double>(vh) + v->MaxViewY()) / 65536))));

  // Fitting hides both bars.
  v->Fit();
  EXPECT_FALSE(v->HorzScrollBar().Visible);
  EXPECT_FALSE(v->VertScrollBar().Visible);
  EXPECT_EQ(v->GetViewWidth(), 200);

  // Kept bars stay visible, disabled.
  ViewPtr k = MakeView(200, 200, 50, 50);
  k->KeepScrollBars = true;
  k->Update();
  EXPECT_TRUE(k->HorzScrollBar().Visible);
  EXPECT_FALSE(k->HorzScrollBar().Enabled);

  // Style ssNone shows no bar.
  ViewPtr n = MakeView(200, 200, 1000, 1000);
  n->SetScrollBars(ssNone);
  EXPECT_FALSE(n->HorzScrollBar().Visible);
  EXPECT_FALSE(n->VertScrollBar().Visible);
  EXPECT_EQ(n->MaxViewX(), 1001 - 200);
}

TEST_F(ViewScrollBars, ScrollCodes) {
  ViewPtr v = MakeView(200, 200, 1000, 1000);
  v->SetZoom(200);
  const int32_t vw = v->GetViewWidth();
  const int32_t mx = v->MaxViewX();
  struct Case {
    int32_t code, pos, line_step, page_step;
    bool tracking;
    int32_t expect;  // from origin 500
  };
  const double scale = v->HScrollScale();
  const Case cases[] = {
      {SB_LINERIGHT, 0, -1, -1, true, 502},
      {SB_LINELEFT, 0, -1, -1, true, 498},
      {SB_LINERIGHT, 0, 3, -1, true, 506},
      {SB_PAGERIGHT, 0, -1, -1, true, 500 + vw},
      {SB_PAGELEFT, 0, -1, -1, true, 500 - vw},
      {SB_PAGERIGHT, 0, -1, 10, true, 520},
      {SB_LEFT, 0, -1, -1, true, 0},
      {SB_RIGHT, 0, -1, -1, true, mx},
      {SB_THUMBPOSITION, 20000, -1, -1, true, static_cast<int32_t>(std::trunc(20000 * scale))},
      {SB_THUMBTRACK, 20000, -1, -1, true, static_cast<int32_t>(std::trunc(20000 * scale))},
      {SB_THUMBTRACK, 20000, -1, -1, false, 500},
      {SB_THUMBPOSITION, 20000 + 65536, -1, -1, false, static_cast<int32_t>(std::trunc(20000 * scale))},
      {SB_ENDSCROLL, 0, -1, -1, true, 500},
  };
  for (const Case& c : cases) {
    v->SetViewX(500);
    ASSERT_EQ(v->ViewX(), 500);
    v->HScrollBarParams()->LineStep = c.line_step;
    v->HScrollBarParams()->PageStep = c.page_step;
    v->HScrollBarParams()->Tracking = c.tracking;
    v->WMHScroll(c.code, c.pos);
    EXPECT_EQ(v->ViewX(), std::clamp(c.expect, 0, mx)) << "code " << c.code;
  }
  // The vertical bar moves the vertical origin only.
  v->SetViewXY(100, 100);
  v->WMVScroll(SB_LINEDOWN, 0);
  EXPECT_EQ(v->ViewY(), 102);
  EXPECT_EQ(v->ViewX(), 100);
}

// Scrolled at zooms that are not whole numbers of pixels, both conversions
// agree with the column the drawing really puts at each client pixel.
TEST_F(ViewCoordinates, AgreeWithTheDrawnColumns) {
  for (double zoom : {75.0, 150.0, 450.0}) {
    ViewPtr v = MakeView(100, 100, 200, 200);
    v->SetZoom(zoom);
    for (int32_t vx : {0, 5, 7, 13}) {
      v->SetViewXY(vx, 0);
      v->Paint();
      int32_t last = -1;
      const int32_t end = std::min(v->OffsetX() + v->DestW(), v->BackBuffer()->Width());
      for (int32_t x = v->OffsetX(); x < end; ++x) {
        // The pattern's red, 7 c + 3, tells the column apart for c < 256.
        const int32_t c = ((v->BackBuffer()->GetRGB24(x, 50).r - 3) * 183) & 0xFF;  // 183 = 1 / 7 mod 256
        ASSERT_EQ(v->ScreenToImageX(x), c) << zoom << " origin " << vx << " x " << x;
        if (c != last) {
          ASSERT_EQ(v->ImageToScreenX(c), x) << zoom << " origin " << vx << " column " << c;
        }
        last = c;
      }
    }
  }
}

TEST_F(ViewCoordinates, AcrossZooms) {
  for (double zoom : {25.0, 33.3, 50.0, 100.0, 150.0, 200.0, 400.0, 700.0}) {
    ViewPtr v = MakeView(180, 160, 300, 200);
    v->SetZoom(zoom);
    v->SetViewXY(37, 21);
    v->UpdateVisibleArea();
    v->UpdateCoordTables();
    // Every client pixel of the image area converts to a visible image
    // pixel, monotonic, and converting back lands on the first client pixel
    // that shows it.
    int32_t last = -1;
    for (int32_t x = v->OffsetX(); x < v->OffsetX() + v->DestW(); ++x) {
      const int32_t c = v->ScreenToImageX(x);
      ASSERT_GE(c, 0);
      ASSERT_LT(c, 300);
      ASSERT_GE(c, last) << zoom;
      if (c != last) {
        if (x > v->OffsetX()) {
          ASSERT_EQ(v->ImageToScreenX(c), x) << zoom << " x " << x;
        }
        last = c;
      }
      // Independent of the tables: the zoomed position over the zoom.
      const int32_t s = x - v->OffsetX() + v->ViewX();
      if (zoom >= 100) {
        ASSERT_NEAR(c, std::trunc(s * 100 / zoom), 1) << zoom;
      }
    }
    for (int32_t y = v->OffsetY(); y < v->OffsetY() + v->DestH(); ++y) {
      const int32_t r = v->ScreenToImageY(y);
      ASSERT_GE(r, 0);
      ASSERT_LT(r, 200);
    }
  }
  // Exact values: 400 % from the origin is four pixels per column; 25 % is
  // one pixel per four columns.
  ViewPtr a = MakeView(200, 200, 40, 40);
  a->SetZoom(400);
  a->SetViewXY(0, 0);
  for (int32_t c = 0; c < 40; ++c) {
    if (4 * c >= a->GetViewWidth()) break;
    EXPECT_EQ(a->ImageToScreenX(c), a->OffsetX() + 4 * c);
    EXPECT_EQ(a->ScreenToImageX(a->OffsetX() + 4 * c + 3), c);
  }
  ViewPtr b = MakeView(200, 200, 400, 400);
  b->SetZoom(25);
  for (int32_t x = 0; x < 100; ++x) EXPECT_EQ(b->ScreenToImageX(b->OffsetX() + x), 4 * x);
  EXPECT_EQ(b->OffsetX(), 50);
}

TEST_F(ViewCoordinates, TablesCoverTheirLastEntry) {
  // At every zoom the last client column of the image area converts from a
  // table entry that exists (a short table reads past its end).
  for (double zoom : {100.0, 150.0, 200.0, 300.0, 800.0, 12.5, 1.0}) {
    ViewPtr v = MakeView(120, 120, 10, 10);
    v->SetZoom(zoom);
    const int32_t x = v->OffsetX() + v->DestW() - 1;
    const int32_t c = v->ScreenToImageX(x);
    EXPECT_EQ(c, std::min(9, static_cast<int32_t>(std::trunc((v->DestW() - 1) * 100 / zoom))));
    // Above 100 % a column maps to the first position that shows it; at or
    // below, to the position it is drawn at.
    const double s9 = 9 * zoom / 100;
    const int32_t expect = zoom > 100 ? static_cast<int32_t>(std::ceil(s9 - 1e-9)) : static_cast<int32_t>(s9);
    EXPECT_EQ(v->ImageToScreenX(9), v->OffsetX() + expect) << zoom;
  }
}

// ---------------------------------------------------------------- image objects

struct HandlerLog {
  std::vector<std::pair<int, bool>> calls;
  TIEView* view = nullptr;
  TIEBitmapChangeHandle other = ieNoBitmapChangeHandler;
  int id = 0;
};

void LogHandler(void* Data, TIEView*, bool Destroying) {
  auto* log = static_cast<HandlerLog*>(Data);
  log->calls.push_back({log->id, Destroying});
}

void RemovingHandler(void* Data, TIEView* View, bool Destroying) {
  auto* log = static_cast<HandlerLog*>(Data);
  log->calls.push_back({log->id, Destroying});
  // Removes another handler and itself while being called.
  View->RemoveBitmapChangeHandler(log->other);
}

TEST_F(ViewBase, HandlersInOrderAndRemovedWhileCalled) {
  auto* v = new TImagoView(nullptr);
  HandlerLog a, b, c;
  a.id = 1;
  b.id = 2;
  c.id = 3;
  const auto ha = v->AddBitmapChangeHandler(LogHandler, &a);
  const auto hb = v->AddBitmapChangeHandler(RemovingHandler, &b);
  const auto hc = v->AddBitmapChangeHandler(LogHandler, &c);
  b.other = hc;  // b removes c while the handlers run
  EXPECT_GE(ha, 0);
  EXPECT_GE(hb, 0);
  EXPECT_GE(hc, 0);
  v->CallBitmapChangeHandlers();
  EXPECT_EQ(a.calls.size(), 1u);
  EXPECT_EQ(b.calls.size(), 1u);
  EXPECT_TRUE(c.calls.empty());
  EXPECT_EQ(v->BitmapChangeHandlerCount(), 2);
  // Removing twice, or a negative handle, is harmless.
  v->RemoveBitmapChangeHandler(hc);
  v->RemoveBitmapChangeHandler(-5);
  EXPECT_EQ(v->BitmapChangeHandlerCount(), 2);
  v->Free();
  ASSERT_EQ(a.calls.size(), 2u);
  EXPECT_TRUE(a.calls[1].second);
  EXPECT_TRUE(b.calls[1].second);
}

TEST_F(ViewBase, HandlesStayNonNegativeAsSignedNumbers) {
  ViewPtr v(new TImagoView(nullptr));
  HandlerLog log;
  std::vector<TIEBitmapChangeHandle> handles;
  for (int i = 0; i < 100; ++i) handles.push_back(v->AddBitmapChangeHandler(LogHandler, &log));
  for (auto h : handles) {
    EXPECT_GE(h, 0);
    v->RemoveBitmapChangeHandler(h);
  }
  EXPECT_EQ(v->BitmapChangeHandlerCount(), 0);
}

TEST_F(ViewBase, ResolutionAndDefaults) {
  ViewPtr v(new TImagoView(nullptr));
  EXPECT_EQ(v->DpiX(), 300);
  EXPECT_EQ(v->DpiY(), 300);
  v->SetDpi(0, 72);
  EXPECT_EQ(v->DpiX(), 300);
  EXPECT_EQ(v->DpiY(), 72);
  EXPECT_EQ(v->Background(), clBtnFace);
  EXPECT_EQ(v->Width(), 105);
  EXPECT_DOUBLE_EQ(v->Zoom(), 100);
  EXPECT_EQ(v->ImagoVersion(), "2.2.3");
  EXPECT_TRUE(v->LegacyBitmap());
  EXPECT_NE(v->GetTBitmap(), nullptr);
  EXPECT_EQ(v->LayersCount(), 1);
  // With a single layer, SetCurrentLayer(0) and (1) change nothing.
  TIEBitmap* image = v->GetIEBitmap();
  v->SetCurrentLayer(0);
  v->SetCurrentLayer(1);
  EXPECT_EQ(v->GetIEBitmap(), image);
  // Without a parent window the view is 50 x 50.
  EXPECT_EQ(v->GetViewWidth(), 50);
}

TEST_F(ViewImages, ExternalBitmapNilAndOwnImage) {
  HandlerLog log;
  ViewPtr v = MakeView(100, 100, 20, 20);
  v->AddBitmapChangeHandler(LogHandler, &log);
  TIEBitmap* own = v->GetIEBitmap();
  // The view's own image: it stays, alive, and shows as before.
  v->SetExternalBitmap(own);
  EXPECT_EQ(v->GetIEBitmap(), own);
  EXPECT_EQ(own->Width(), 20);
  EXPECT_TRUE(v->CurrentLayer()->OwnsBitmap());
  // Nil while the layer owns its image: nothing.
  v->SetExternalBitmap(nullptr);
  EXPECT_EQ(v->GetIEBitmap(), own);

  // A caller's image, then nil: the caller's image survives the view.
  auto* ext = new TIEBitmap();
  ext->Allocate(7, 9, ieRGB24);
  v->SetExternalBitmap(ext);
  EXPECT_EQ(v->GetIEBitmap(), ext);
  EXPECT_FALSE(v->CurrentLayer()->OwnsBitmap());
  v->SetExternalBitmap(nullptr);
  EXPECT_NE(v->GetIEBitmap(), ext);
  EXPECT_TRUE(v->CurrentLayer()->OwnsBitmap());
  EXPECT_EQ(log.calls.size(), 2u);
  v.reset();
  EXPECT_EQ(ext->Width(), 7);  // still the caller's, whole
  delete ext;
}

TEST_F(ViewImages, ClearBlankAndAlphaMerge) {
  ViewPtr v = MakeView(100, 100, 4, 1);
  v->SetBackground(0xFFFFFF);
  TIEBitmap* b = v->GetIEBitmap();
  // Darker and lighter pixels than the background, half transparent.
  b->SetRGB24(0, 0, MakeRGBTriple(0, 0, 0));
  b->SetRGB24(1, 0, MakeRGBTriple(200, 100, 255));
  b->SetRGB24(2, 0, MakeRGBTriple(10, 20, 30));
  b->SetRGB24(3, 0, MakeRGBTriple(10, 20, 30));
  TIEBitmap* a = v->GetAlphaChannel();
  a->SetByte(0, 0, 128);
  a->SetByte(1, 0, 128);
  a->SetByte(2, 0, 0);
  a->SetByte(3, 0, 255);
  v->SetBackground(0x406080);  // red 0x80, green 0x60, blue 0x40
  v->RemoveAlphaChannel(true);
  EXPECT_FALSE(v->HasAlphaChannel());
  // bg + (c - bg) * alpha / 256, truncated toward zero on either side.
  auto merged = [](int c, int bg, int alpha) { return bg + (c - bg) * alpha / 256; };
  EXPECT_EQ(b->GetRGB24(0, 0), MakeRGBTriple(merged(0, 0x80, 128), merged(0, 0x60, 128), merged(0, 0x40, 128)));
  EXPECT_EQ(b->GetRGB24(0, 0).r, 0x80 - 64);
  EXPECT_EQ(b->GetRGB24(1, 0),
            MakeRGBTriple(merged(200, 0x80, 128), merged(100, 0x60, 128), merged(255, 0x40, 128)));
  EXPECT_EQ(b->GetRGB24(2, 0), MakeRGBTriple(0x80, 0x60, 0x40));
  EXPECT_EQ(b->GetRGB24(3, 0), MakeRGBTriple(merged(10, 0x80, 255), merged(20, 0x60, 255), merged(30, 0x40, 255)));

  v->Clear();
  EXPECT_EQ(b->GetRGB24(2, 0), MakeRGBTriple(0x80, 0x60, 0x40));
  v->Blank();
  EXPECT_EQ(v->GetIEBitmap()->Width(), 1);
  EXPECT_EQ(v->GetIEBitmap()->Height(), 1);
  EXPECT_TRUE(v->IsEmpty());
}

// An alpha channel of another size than the image: merging leaves the pixels
// as they are, and the next Update makes it a full channel of the image's
// size even though the image kept its size.
TEST_F(ViewImages, AlphaOfAnotherSize) {
  ViewPtr v = MakeView(100, 100, 40, 40);
  v->GetAlphaChannel()->Allocate(4, 4, ieGray8);
  v->RemoveAlphaChannel(true);
  EXPECT_FALSE(v->HasAlphaChannel());
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(39, 39), PatternPixel(39, 39));

  v->GetAlphaChannel()->Allocate(20, 20, ieGray8);
  v->GetAlphaChannel()->Fill(0);
  v->GetAlphaChannel()->Full = false;
  v->Update();
  const TIEBitmap* a = v->GetAlphaChannel();
  EXPECT_EQ(a->Width(), 40);
  EXPECT_EQ(a->Height(), 40);
  EXPECT_TRUE(a->Full);
  v->Paint();
  EXPECT_EQ(v->BackBuffer()->GetRGB24(50, 50), PatternPixel(20, 20));
}

TEST_F(ViewNavigator, FramesTheVisiblePartAndScrollsByTheHorizontalZoom) {
  ViewPtr v = MakeView(200, 200, 1000, 800);
  ViewPtr nav = MakeView(100, 80, 2, 2);
  v->SetNavigator(nav.get());
  EXPECT_EQ(nav->GetIEBitmap(), v->GetIEBitmap());
  EXPECT_TRUE(nav->AutoFit);
  v->SetViewXY(100, 50);
  const TRect r = nav->NavigatorRect();
  EXPECT_EQ(r.Left, 100);
  EXPECT_EQ(r.Top, 50);
  EXPECT_EQ(r.Right - r.Left, v->GetViewWidth());

  v->SetZoomX(200);
  v->SetZoomY(300);
  v->NavigatorMoved(40, 30);
  EXPECT_EQ(v->ViewX(), 80);
  EXPECT_EQ(v->ViewY(), 60);  // the horizontal zoom scales both axes

  // Unlinking gives the navigator an image of its own again.
  v->SetNavigator(nullptr);
  EXPECT_NE(nav->GetIEBitmap(), v->GetIEBitmap());
  // Destroying a linked navigator leaves the view working.
  v->SetNavigator(nav.get());
  nav.reset();
  EXPECT_EQ(v->Navigator(), nullptr);
  v->SetZoom(50);
  EXPECT_DOUBLE_EQ(v->Zoom(), 50);
}

// The navigator shows the view's current image object: it follows it when
// the view frees its own image for a caller's, and when the caller's image
// is given back and then freed by the caller.
TEST_F(ViewNavigator, FollowsTheImageObjectTheViewShows) {
  ViewPtr v = MakeView(100, 100, 40, 30);
  ViewPtr nav = MakeView(50, 50, 2, 2);
  v->SetNavigator(nav.get());
  auto ext = std::make_unique<TIEBitmap>();
  ext->Allocate(20, 20, ieRGB24);
  v->SetExternalBitmap(ext.get());
  EXPECT_EQ(nav->GetIEBitmap(), ext.get());
  nav->Update();
  nav->Paint();
  v->SetExternalBitmap(nullptr);
  ext.reset();
  EXPECT_EQ(nav->GetIEBitmap(), v->GetIEBitmap());
  v->Update();
  nav->Paint();
  v->SetNavigator(nullptr);
}

// Links that would make a loop are refused, the link in place stays.
TEST_F(ViewNavigator, NoLoops) {
  ViewPtr a = MakeView(100, 100, 20, 20);
  ViewPtr b = MakeView(100, 100, 20, 20);
  ViewPtr c = MakeView(100, 100, 20, 20);
  a->SetNavigator(a.get());
  EXPECT_EQ(a->Navigator(), nullptr);
  a->SetNavigator(b.get());
  b->SetNavigator(a.get());
  EXPECT_EQ(b->Navigator(), nullptr);
  b->SetNavigator(c.get());
  c->SetNavigator(a.get());
  EXPECT_EQ(c->Navigator(), nullptr);
  c->SetZoom(50);  // any update runs through the chain
  a->SetZoom(200);
  EXPECT_EQ(a->Navigator(), b.get());
  EXPECT_EQ(b->Navigator(), c.get());
  a->SetNavigator(nullptr);
  b->SetNavigator(nullptr);
}

TEST_F(ViewMessages, ProgressAndFinishFromTheWorker) {
  ViewPtr v(new TImagoView(nullptr));
  TObject* sender = nullptr;
  int32_t percent = -1;
  int finished = 0;
  v->SetOnProgress([&](TObject* s, int32_t p) {
    sender = s;
    percent = p;
  });
  v->SetOnFinishWork([&](TObject*) { ++finished; });
  v->HandleMessage(IEM_PROGRESS, 50, 0);
  EXPECT_EQ(sender, v.get());
  EXPECT_EQ(percent, 50);
  v->HandleMessage(IEM_FINISHWORK, 0, 0);
  EXPECT_EQ(finished, 1);
  v->HandleMessage(IEM_NEWFRAME, 0, 0);  // no video object: ignored
  // The companions get the callbacks, now and later.
  TImagoIO* io = v->GetIO();
  EXPECT_TRUE(static_cast<bool>(io->OnProgress));
  EXPECT_EQ(io->AttachedImago(), v.get());
}

TEST_F(TImagoCompanions, CreatedWithTheViewAndLoadThroughIt) {
  auto* a = new TImago(nullptr);
  TImagoIO* io = a->GetIO();
  TImagoProc* proc = a->GetProc();
  ASSERT_NE(io, nullptr);
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(a->GetIO(), io);
  EXPECT_EQ(a->GetProc(), proc);
  EXPECT_EQ(io->AttachedImago(), a);
  EXPECT_EQ(proc->AttachedImago(), a);

  auto* fa = new TForm(Application);
  fa->SetClientSize(400, 400);
  a->SetParent(fa);
  fa->Show();
  a->SetBounds(0, 0, 204, 204);
  a->GetIEBitmap()->Allocate(64, 48, ieRGB24);
  FillPattern(a->GetIEBitmap());
  io->Params()->SetDpiX(96);
  io->Params()->SetDpiY(96);
  const std::string file =
      (std::filesystem::temp_directory_path() / ("view_io_" + std::to_string(::getpid()) + ".bmp")).string();
  io->SaveToFile(file);
  ASSERT_FALSE(io->Aborted());

  auto* b = new TImago(nullptr);
  auto* fb = new TForm(Application);
  fb->SetClientSize(400, 400);
  b->SetParent(fb);
  fb->Show();
  b->SetBounds(0, 0, 204, 204);
  b->GetIO()->LoadFromFile(file);
  std::remove(file.c_str());
  ASSERT_FALSE(b->GetIO()->Aborted());
  EXPECT_EQ(b->GetIEBitmap()->Width(), 64);
  EXPECT_EQ(b->GetIEBitmap()->Height(), 48);
  EXPECT_EQ(b->GetIEBitmap()->GetRGB24(5, 7), PatternPixel(5, 7));
  EXPECT_EQ(b->DpiX(), 96);
  // Rotation through the processing companion turns the view's image.
  b->GetProc()->Rotate(90, false, raNone, -1);
  EXPECT_EQ(b->GetIEBitmap()->Width(), 48);
  EXPECT_EQ(b->GetIEBitmap()->Height(), 64);
  b->Fit();
  // The 64 rows fill the height inside the 3D border (the 48 columns would
  // allow more).
  EXPECT_DOUBLE_EQ(b->Zoom(), (204 - 2 * EdgeY()) * 100.0 / 64);
  a->Free();
  b->Free();
  fa->Free();
  fb->Free();
}

}  // namespace

namespace {

class ViewAssign : public ViewFixture {};

TEST_F(ViewAssign, PlatformBitmapsViewsAndNil) {
  ViewPtr v = MakeView(100, 100, 10, 10);
  int changes = 0;
  v->OnImageChange = [&](TObject*) { ++changes; };
  // 8 bits per pixel becomes 24; 1 bit stays 1.
  TBitmap b8;
  b8.SetPixelFormat(pf8bit);
  b8.SetSize(6, 5);
  v->Assign(&b8);
  EXPECT_EQ(int(v->GetIEBitmap()->GetPixelFormat()), int(ieRGB24));
  EXPECT_EQ(int(v->GetTBitmap()->PixelFormat()), int(pf24bit));
  EXPECT_EQ(v->GetIEBitmap()->Width(), 6);
  TBitmap b1;
  b1.SetPixelFormat(pf1bit);
  b1.SetSize(9, 4);
  v->Assign(&b1);
  EXPECT_EQ(int(v->GetIEBitmap()->GetPixelFormat()), int(ieMono1));
  EXPECT_EQ(changes, 2);

  // Another view: image, background and resolution.
  ViewPtr w = MakeView(100, 100, 12, 7);
  w->SetBackground(0x123456);
  w->SetDpi(150, 75);
  v->Assign(w.get());
  EXPECT_EQ(v->GetIEBitmap()->Width(), 12);
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(3, 4), PatternPixel(3, 4));
  EXPECT_EQ(v->Background(), 0x123456);
  EXPECT_EQ(v->DpiY(), 75);

  // Nil clears to the background, keeping the size.
  v->Assign(nullptr);
  EXPECT_EQ(v->GetIEBitmap()->Width(), 12);
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(3, 4), MakeRGBTriple(0x56, 0x34, 0x12));
}

TEST_F(ViewAssign, LegacyBitmapFollowsTheImage) {
  HandlerLog log;  // outlives the view, which tells it of its end
  ViewPtr v = MakeView(100, 100, 10, 8);
  v->AddBitmapChangeHandler(LogHandler, &log);
  ASSERT_NE(v->GetTBitmap(), nullptr);
  EXPECT_EQ(v->GetTBitmap()->Width(), 10);
  // Drawing through the platform bitmap is seen by the image.
  v->GetTBitmap()->Canvas()->SetPixels(2, 3, 0x0000FF);
  v->Update();
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(2, 3), MakeRGBTriple(255, 0, 0));
  v->SetLegacyBitmap(false);
  EXPECT_EQ(v->GetTBitmap(), nullptr);
  EXPECT_EQ(v->GetIEBitmap()->Location(), ieMemory);
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(5, 5), PatternPixel(5, 5));
  v->SetLegacyBitmap(true);
  ASSERT_NE(v->GetTBitmap(), nullptr);
  EXPECT_EQ(v->GetIEBitmap()->GetRGB24(5, 5), PatternPixel(5, 5));
  EXPECT_EQ(log.calls.size(), 2u);
  v.reset();
}

TEST_F(ViewAssign, DelayedZoomFilterCountsDownThenRenders) {
  ViewPtr v = MakeView(100, 100, 400, 400);
  v->DelayZoomFilter = true;
  v->SetZoomFilter(rfTriangle);
  v->SetZoom(50);
  v->SetZoom(60);  // from a zoom other than 100: the filter waits
  EXPECT_EQ(v->DelayedFilterCountdown(), 4 - 1);  // SetZoom paints once
  for (int i = 0; i < 5; ++i) v->Paint();
  EXPECT_EQ(v->DelayedFilterCountdown(), 0);
}

}  // namespace
