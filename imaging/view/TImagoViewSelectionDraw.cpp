// TImagoView: drawing the selection over the window. The mask's border (or,
// while a gesture runs, the polygons) is drawn in dashes of two colours that
// move with each tick of the view's timer; a rectangle gets grips.
#include <algorithm>
#include <cstdlib>

#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TImagoView.h"
#include "rtl/Clock.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"
#include "ui/TTimer.h"

namespace {
// The slowest the ants may move (milliseconds per step).
constexpr uint32_t kAntsInterval = 210;
// A slow outline slows the animation: the interval becomes the drawing time
// times 100 / 20.
constexpr int32_t kTimerAdaptation = -20;
}  // namespace

void TImagoView::SelectionTimerTick(TObject*) { DrawSelection(true); }

void TImagoView::DrawDashedLine(TCanvas* C, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  // Every pixel from the first point up to (not including) the second: four
  // in colour 1, four in colour 2.
  int64_t x = X1, y = Y1;
  const int64_t dx = std::llabs(int64_t{X2} - X1), dy = -std::llabs(int64_t{Y2} - Y1);
  const int32_t sx = X1 < X2 ? 1 : -1, sy = Y1 < Y2 ? 1 : -1;
  int64_t err = dx + dy;
  const int32_t w = GetViewWidth(), h = GetViewHeight();
  while (x != X2 || y != Y2) {
    const TColor c = (sel_.DashCounter & 7) < 4 ? sel_.Colour1 : sel_.Colour2;
    ++sel_.DashCounter;
    if (x >= 0 && y >= 0 && x < w && y < h) C->SetPixels(static_cast<int32_t>(x), static_cast<int32_t>(y), c);
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
    // Lines far outside the window are not walked pixel by pixel for ever:
    // the walk ends once it has left the window for good.
    if ((x < 0 && sx < 0) || (y < 0 && sy < 0) || (x >= w && sx > 0) || (y >= h && sy > 0)) break;
  }
}

void TImagoView::DrawRecordLines(TCanvas* C) {
  const int32_t n = sel_.Count();
  if (n == 0) return;
  if (sel_.IsRectangle()) {
    const int32_t x1 = LayerToClientX(std::min(sel_.X(0), sel_.X(2)));
    const int32_t y1 = LayerToClientY(std::min(sel_.Y(0), sel_.Y(2)));
    const int32_t x2 = LayerToClientX(std::max(sel_.X(0), sel_.X(2))) - 1;
    const int32_t y2 = LayerToClientY(std::max(sel_.Y(0), sel_.Y(2))) - 1;
    // Top, right, bottom, left; each side reports the corner it ends at.
    const int32_t sides[4][5] = {{x1, y1, x2, y1, 1}, {x2, y1, x2, y2, 2}, {x2, y2, x1, y2, 3}, {x1, y2, x1, y1, 0}};
    sel_.DashCounter = sel_.Phase;
    for (const auto& s : sides) {
      sel_.DashCounter = sel_.Phase;
      DrawDashedLine(C, s[0], s[1], s[2], s[3]);
      if (OnDrawPolygon) OnDrawPolygon(this, 0, s[4], C, s[2], s[3]);
    }
    return;
  }
  sel_.DashCounter = sel_.Phase;
  int32_t first = 0;
  for (int32_t i = 0; i < n; ++i) {
    if (sel_.IsBreak(i)) {
      first = i + 1;
      continue;
    }
    // The next point, or back to the polygon's first at its end.
    int32_t next = i + 1;
    const bool closing = next >= n || sel_.IsBreak(next);
    if (closing) {
      if (next >= n && poly_sel_) break;  // still being drawn
      next = first;
    }
    const int32_t ax = LayerToClientX(sel_.X(i)), ay = LayerToClientY(sel_.Y(i));
    DrawDashedLine(C, ax, ay, LayerToClientX(sel_.X(next)), LayerToClientY(sel_.Y(next)));
    if (OnDrawPolygon) OnDrawPolygon(this, 0, i, C, ax, ay);
  }
}

void TImagoView::DrawGrips(TCanvas* C) {
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetMode(pmCopy);
  C->Pen()->SetWidth(1);
  C->Pen()->SetColor(GripPenColor);
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(GripBrushColor);
  int32_t cx[4], cy[4];
  for (int32_t i = 0; i < 4; ++i) {
    cx[i] = LayerToClientX(sel_.X(i));
    cy[i] = LayerToClientY(sel_.Y(i));
  }
  auto grip = [&](int32_t x, int32_t y) { C->Rectangle(x - GripSize, y - GripSize, x + GripSize + 1, y + GripSize + 1); };
  for (int32_t i = 0; i < 4; ++i) grip(cx[i], cy[i]);
  if (!SideGrips) return;
  for (int32_t i = 0; i < 4; ++i) {
    const int32_t j = (i + 1) % 4;
    grip(SaturateInt32((int64_t{cx[i]} + cx[j]) / 2), SaturateInt32((int64_t{cy[i]} + cy[j]) / 2));
  }
}

void TImagoView::DrawSelection(bool FromTimer) {
  if (!HasParentWindow() || !sel_shown_) return;
  bool animated = false;
  TCanvas* C = HandleAllocated() ? GetCanvas() : nullptr;
  if (sel_.Visible && C) {
    if (sel_.Animated && !GestureInProgress() && FromTimer && sel_move_ < 0) {
      sel_.Phase = (sel_.Phase + 1) % 10;
      ++global_phase_;
    }
    const TRect clip = C->ClipRect();
    const bool skip = clip.Right <= clip.Left || clip.Bottom <= clip.Top || UpdateLockCount() > 0 ||
                      (C->LockCount() > 0 && FromTimer) || auto_scrolling_;
    if (!skip) {
      if (sel_.Sizeable && sel_.IsRectangle() && !rect_sel_ && sel_move_ < 0) DrawGrips(C);
      if (!mask_.IsEmpty() && !GestureInProgress()) {
        if (!(anim_countdown_ > 0 && DelayAnts)) {
          const uint32_t t0 = GetTickCount();
          const TIELayer* l = CurrentLayer();
          mask_.DrawOutline(C, l->DrawDestX, l->DrawDestY, l->DrawDestW, l->DrawDestH, l->DrawSrcX, l->DrawSrcY,
                            l->DrawSrcW, l->DrawSrcH, global_phase_, sel_.Colour1, sel_.Colour2);
          const int64_t took = int64_t{GetTickCount() - t0};
          sel_timer_->SetInterval(
              static_cast<uint32_t>(std::max<int64_t>(kAntsInterval, took * 100 / -kTimerAdaptation)));
        }
      } else {
        DrawRecordLines(C);
      }
    }
    animated = sel_.Animated;
  }
  sel_timer_->SetEnabled(delay_countdown_ > 0 || anim_countdown_ > 0 || animated);
  if (FromTimer) {
    // A paint already counted itself down.
    if (anim_countdown_ > 0) --anim_countdown_;
    if (delay_countdown_ > 0 && --delay_countdown_ == 0) Update();
  }
}

void TImagoView::DrawRubberBand(int32_t X, int32_t Y) {
  if (!HandleAllocated() || sel_.Count() == 0) return;
  TCanvas* C = GetCanvas();
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  C->Pen()->SetMode(pmNot);
  C->MoveTo(LayerToClientX(sel_.X(sel_.Count() - 1)), LayerToClientY(sel_.Y(sel_.Count() - 1)));
  C->LineTo(X, Y);
  C->Pen()->SetMode(pmCopy);
}

void TImagoView::SnapToLastPoint(int32_t& X, int32_t& Y) {
  if (sel_.Count() == 0 || sel_.IsBreak(sel_.Count() - 1)) return;
  SnapToAngle45(LayerToClientX(sel_.X(sel_.Count() - 1)), LayerToClientY(sel_.Y(sel_.Count() - 1)), X, Y);
}
