#include "ui/TTrackBar.h"

#include <algorithm>

#include "platform/Draw.h"

RTL_DEFINE_CLASS(TTrackBar, TCustomControl,
                 Published("Min", &TTrackBar::Min, &TTrackBar::SetMin),
                 Published("Max", &TTrackBar::Max, &TTrackBar::SetMax),
                 Published("Position", &TTrackBar::Position, &TTrackBar::SetPosition),
                 Published("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency),
                 Published("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize),
                 Published("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize),
                 Published("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation),
                 Published("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks),
                 Published("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle))

namespace {
constexpr int32_t kThumbLength = 11;  // along the bar
constexpr int32_t kThumbThick = 20;   // across it
constexpr int32_t kMargin = 8;
}  // namespace

TTrackBar::TTrackBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

void TTrackBar::SetMin(int32_t v) {
  min_ = v;
  if (max_ < min_) max_ = min_;
  SetPosition(position_);
  Invalidate();
}

void TTrackBar::SetMax(int32_t v) {
  max_ = v;
  if (min_ > max_) min_ = max_;
  SetPosition(position_);
  Invalidate();
}

void TTrackBar::SetPosition(int32_t v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
  Changed();
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int32_t v) { frequency_ = std::max(1, v); Invalidate(); }
void TTrackBar::SetOrientation(TTrackBarOrientation v) {
  if (orientation_ == v) return;
  orientation_ = v;
  SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}
void TTrackBar::SetTickMarks(TTickMark v) { tickMarks_ = v; Invalidate(); }
void TTrackBar::SetTickStyle(TTickStyle v) { tickStyle_ = v; Invalidate(); }
void TTrackBar::SetTick(int32_t Value) {
  if (Value > min_ && Value < max_ && std::find(ticks_.begin(), ticks_.end(), Value) == ticks_.end())
    ticks_.push_back(Value);
  Invalidate();
}

std::vector<int32_t> TTrackBar::Ticks() const {
  std::vector<int32_t> t;
  if (tickStyle_ == tsNone) return t;
  t.push_back(min_);
  if (tickStyle_ == tsAuto) {
    for (int64_t p = int64_t(min_) + frequency_; p < max_; p += frequency_) t.push_back(int32_t(p));
  } else {
    std::vector<int32_t> m = ticks_;
    std::sort(m.begin(), m.end());
    for (int32_t p : m)
      if (p > min_ && p < max_) t.push_back(p);
  }
  if (max_ != min_) t.push_back(max_);
  return t;
}

TRect TTrackBar::ChannelRect() {
  TRect r = ClientRect();
  bool horz = orientation_ == trHorizontal;
  int32_t across = horz ? r.Height() : r.Width();
  int32_t at = tickMarks_ == tmBoth ? (across - kThumbThick) / 2 + kThumbThick / 2
               : tickMarks_ == tmTopLeft ? across - kThumbThick / 2 - 8 : kThumbThick / 2 + 8;
  if (horz) return Rect(kMargin, at - 3, r.Right - kMargin, at + 3);
  return Rect(at - 3, kMargin, at + 3, r.Bottom - kMargin);
}

int32_t TTrackBar::PositionToPixel(int32_t p) {
  TRect c = ChannelRect();
  bool horz = orientation_ == trHorizontal;
  int32_t lo = (horz ? c.Left : c.Top) + kThumbLength / 2;
  int32_t span = (horz ? c.Width() : c.Height()) - kThumbLength;
  if (max_ == min_) return lo;
  return lo + int32_t(int64_t(span) * (p - min_) / (max_ - min_));
}

int32_t TTrackBar::PixelToPosition(int32_t pixel) {
  TRect c = ChannelRect();
  bool horz = orientation_ == trHorizontal;
  int32_t lo = (horz ? c.Left : c.Top) + kThumbLength / 2;
  int32_t span = (horz ? c.Width() : c.Height()) - kThumbLength;
  if (span <= 0) return min_;
  int64_t rel = int64_t(pixel - lo) * (max_ - min_);
  int64_t p = min_ + (rel >= 0 ? (rel + span / 2) / span : -((-rel + span / 2) / span));
  return int32_t(std::clamp<int64_t>(p, min_, max_));
}

TRect TTrackBar::ThumbRect() {
  TRect c = ChannelRect();
  int32_t at = PositionToPixel(position_);
  if (orientation_ == trHorizontal) {
    int32_t mid = (c.Top + c.Bottom) / 2;
    return Rect(at - kThumbLength / 2, mid - kThumbThick / 2, at - kThumbLength / 2 + kThumbLength,
                mid + kThumbThick / 2);
  }
  int32_t mid = (c.Left + c.Right) / 2;
  return Rect(mid - kThumbThick / 2, at - kThumbLength / 2, mid + kThumbThick / 2,
              at - kThumbLength / 2 + kThumbLength);
}

void TTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (CanFocus() && !Focused()) SetFocus();
  TRect t = ThumbRect();
  bool horz = orientation_ == trHorizontal;
  int32_t along = horz ? X : Y;
  if (PtInRect(&t, TPoint{X, Y})) {
    dragging_ = true;
    dragOffset_ = along - PositionToPixel(position_);
    return;
  }
  // A press beside the thumb pages towards the pointer.
  int32_t target = PixelToPosition(along);
  if (target > position_) SetPosition(std::min(target, position_ + pageSize_));
  else if (target < position_) SetPosition(std::max(target, position_ - pageSize_));
}

void TTrackBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (dragging_) SetPosition(PixelToPosition((orientation_ == trHorizontal ? X : Y) - dragOffset_));
}

void TTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  dragging_ = false;
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TTrackBar::KeyDown(uint16_t& Key, TShiftState Shift) {
  switch (Key) {
    case VK_LEFT: case VK_UP: SetPosition(position_ - lineSize_); break;
    case VK_RIGHT: case VK_DOWN: SetPosition(position_ + lineSize_); break;
    case VK_PRIOR: SetPosition(position_ - pageSize_); break;
    case VK_NEXT: SetPosition(position_ + pageSize_); break;
    case VK_HOME: SetPosition(min_); break;
    case VK_END: SetPosition(max_); break;
    default: TCustomControl::KeyDown(Key, Shift); return;
  }
  Key = 0;
}

void TTrackBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
    case WM_SIZE:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TTrackBar::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  TRect c = ChannelRect();
  DrawEdge(dc, &c, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  Canvas()->Brush()->SetColor(clWindow);
  Canvas()->FillRect(c);
  bool horz = orientation_ == trHorizontal;
  TRect t = ThumbRect();
  Canvas()->Pen()->SetColor(clBlack);
  for (int32_t p : Ticks()) {
    int32_t at = PositionToPixel(p);
    if (horz) {
      if (tickMarks_ != tmTopLeft) { Canvas()->MoveTo(at, t.Bottom + 2); Canvas()->LineTo(at, t.Bottom + 5); }
      if (tickMarks_ != tmBottomRight) { Canvas()->MoveTo(at, t.Top - 5); Canvas()->LineTo(at, t.Top - 2); }
    } else {
      if (tickMarks_ != tmTopLeft) { Canvas()->MoveTo(t.Right + 2, at); Canvas()->LineTo(t.Right + 5, at); }
      if (tickMarks_ != tmBottomRight) { Canvas()->MoveTo(t.Left - 5, at); Canvas()->LineTo(t.Left - 2, at); }
    }
  }
  DrawFrameControl(dc, &t, DFC_BUTTON, DFCS_BUTTONPUSH | (Enabled() ? 0 : DFCS_INACTIVE));
  if (Focused()) {
    TRect f = r;
    DrawFocusRect(dc, &f);
  }
}
