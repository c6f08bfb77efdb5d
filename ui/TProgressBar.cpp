#include "ui/TProgressBar.h"

#include <algorithm>

#include "platform/Draw.h"
#include "rtl/Numeric.h"

RTL_DEFINE_CLASS(TProgressBar, TCustomControl,
                 Published("Min", &TProgressBar::Min, &TProgressBar::SetMin),
                 Published("Max", &TProgressBar::Max, &TProgressBar::SetMax),
                 Published("Position", &TProgressBar::Position, &TProgressBar::SetPosition),
                 Published("Step", &TProgressBar::Step, &TProgressBar::SetStep),
                 Published("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth),
                 Published("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation))

TProgressBar::TProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::SetRange(int32_t AMin, int32_t AMax) {
  if (AMax < AMin) AMax = AMin;
  min_ = AMin;
  max_ = AMax;
  position_ = std::clamp(position_, min_, max_);
  Invalidate();
}

void TProgressBar::SetPosition(int32_t v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
}

void TProgressBar::SetSmooth(bool v) { smooth_ = v; Invalidate(); }
void TProgressBar::SetOrientation(TProgressBarOrientation v) { orientation_ = v; Invalidate(); }

void TProgressBar::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  Canvas()->Brush()->SetColor(clBtnFace);
  Canvas()->FillRect(r);
  InflateRect(&r, -1, -1);
  if (max_ <= min_ || IsRectEmpty(&r)) return;
  bool horz = orientation_ == pbHorizontal;
  int32_t extent = horz ? r.Width() : r.Height();
  int32_t filled = int32_t(int64_t(extent) * (position_ - min_) / (max_ - min_));
  Canvas()->Brush()->SetColor(clHighlight);
  if (smooth_) {
    TRect f = horz ? Rect(r.Left, r.Top, r.Left + filled, r.Bottom)
                   : Rect(r.Left, r.Bottom - filled, r.Right, r.Bottom);
    Canvas()->FillRect(f);
    return;
  }
  // Blocks of two thirds of the bar's thickness, a pixel apart.
  int32_t block = std::max(2, (horz ? r.Height() : r.Width()) * 2 / 3);
  for (int32_t at = 0; at < filled; at += block + 2) {
    int32_t len = std::min(block, extent - at);
    TRect f = horz ? Rect(r.Left + at, r.Top, r.Left + at + len, r.Bottom)
                   : Rect(r.Left, r.Bottom - at - len, r.Right, r.Bottom - at);
    Canvas()->FillRect(f);
  }
}
