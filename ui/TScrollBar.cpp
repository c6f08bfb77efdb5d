#include "ui/TScrollBar.h"

#include <algorithm>

#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"

RTL_DEFINE_CLASS(TScrollBar, TWinControl, Published("Kind", &TScrollBar::Kind, &TScrollBar::SetKind),
                 Published("Min", &TScrollBar::Min, &TScrollBar::SetMin),
                 Published("Max", &TScrollBar::Max, &TScrollBar::SetMax),
                 Published("Position", &TScrollBar::Position, &TScrollBar::SetPosition),
                 Published("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize),
                 Published("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange),
                 Published("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange))

TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, GetSystemMetrics(SM_CYHSCROLL));
  SetTabStop(true);
}

void TScrollBar::SetKind(TScrollBarKind v) {
  if (v == kind_) return;
  kind_ = v;
  SetBounds(Left(), Top(), Height(), Width());
  if (HandleAllocated()) RecreateWnd();
}

void TScrollBar::SetPageSize(int32_t v) {
  pageSize_ = std::max(v, 0);
  UpdateBar();
}

void TScrollBar::SetParams(int32_t APosition, int32_t AMin, int32_t AMax) {
  if (AMax < AMin) AMax = AMin;
  min_ = AMin;
  max_ = AMax;
  const int32_t p = std::clamp(APosition, min_, max_);
  const bool changed = p != position_;
  position_ = p;
  UpdateBar();
  if (changed && OnChange) OnChange(this);
}

void TScrollBar::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= kind_ == sbVertical ? WS_VSCROLL : WS_HSCROLL;
}

void TScrollBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdateBar();
}

void TScrollBar::UpdateBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  si.nMin = min_;
  si.nMax = max_;
  si.nPage = UINT(pageSize_);
  si.nPos = position_;
  SetScrollInfo(Handle(), kind_ == sbVertical ? SB_VERT : SB_HORZ, &si, true);
}

void TScrollBar::Scroll(int32_t Code, int32_t Thumb) {
  int32_t p = position_;
  switch (Code) {
    case SB_LINEUP: p -= smallChange_; break;
    case SB_LINEDOWN: p += smallChange_; break;
    case SB_PAGEUP: p -= largeChange_; break;
    case SB_PAGEDOWN: p += largeChange_; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: p = Thumb; break;
    case SB_TOP: p = min_; break;
    case SB_BOTTOM: p = max_; break;
    default: return;
  }
  SetPosition(p);
}

void TScrollBar::Dispatch(TMessage& Message) {
  if ((Message.Msg == WM_VSCROLL && kind_ == sbVertical) || (Message.Msg == WM_HSCROLL && kind_ == sbHorizontal)) {
    Scroll(int32_t(LOWORD(Message.WParam)), int32_t(int16_t(HIWORD(Message.WParam))));
    Message.Result = 0;
    return;
  }
  TWinControl::Dispatch(Message);
}
