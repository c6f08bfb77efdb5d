#include "imaging/view/IEViewScrollBars.h"

#include <algorithm>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEView.h"
#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"
#include "rtl/Numeric.h"

int32_t TIEViewScrollBars::ClientWidth() const {
  if (view_->HandleAllocated()) return view_->ClientWidth();
  int32_t frame = 0;
  if (view_->BorderStyle() == bsSingle) frame = GetSystemMetrics(view_->Ctl3D() ? SM_CXEDGE : SM_CXBORDER);
  return std::max(0, view_->Width() - 2 * frame - (bars_[1].Visible ? GetSystemMetrics(SM_CXVSCROLL) : 0));
}

int32_t TIEViewScrollBars::ClientHeight() const {
  if (view_->HandleAllocated()) return view_->ClientHeight();
  int32_t frame = 0;
  if (view_->BorderStyle() == bsSingle) frame = GetSystemMetrics(view_->Ctl3D() ? SM_CYEDGE : SM_CYBORDER);
  return std::max(0, view_->Height() - 2 * frame - (bars_[0].Visible ? GetSystemMetrics(SM_CYHSCROLL) : 0));
}

void TIEViewScrollBars::Hide(int Bar) {
  bars_[Bar].Visible = false;
  Shown[Bar] = false;
  Apply(Bar);
}

void TIEViewScrollBars::Apply(int Bar) {
  if (!view_->HandleAllocated()) return;
  const HWND h = view_->Handle();
  const TIEViewScrollBar& b = bars_[Bar];
  const int32_t code = Bar == 0 ? SB_HORZ : SB_VERT;
  if (!b.Visible) {
    FlatShowScrollBar(h, code, false, Flat);
    return;
  }
  if (b.Enabled) {
    FlatSetScrollRange(h, code, b.Min, b.Max, false, Flat);
    FlatSetScrollPage(h, code, b.Page, false, Flat);
    FlatSetScrollPos(h, code, b.Position, true, Flat);
  }
  FlatShowScrollBar(h, code, true, Flat);
  FlatEnableScrollBar(h, code, b.Enabled ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH, Flat);
}

void TIEViewScrollBars::MoveThumb(int Bar, int32_t Position) {
  bars_[Bar].Position = Position;
  if (view_->HandleAllocated() && bars_[Bar].Visible)
    FlatSetScrollPos(view_->Handle(), Bar == 0 ? SB_HORZ : SB_VERT, Position, true, Flat);
}

bool ScrollBarTarget(int32_t Code, int32_t Pos, int64_t Origin, int64_t Line, int64_t Page, int64_t Max,
                     double Scale, bool Tracking, int64_t& Target) {
  switch (Code) {
    case SB_LINEUP: Target = Origin - Line; break;
    case SB_LINEDOWN: Target = Origin + Line; break;
    case SB_PAGEUP: Target = Origin - Page; break;
    case SB_PAGEDOWN: Target = Origin + Page; break;
    case SB_TOP: Target = 0; break;
    case SB_BOTTOM: Target = Max; break;
    case SB_THUMBTRACK:
      if (!Tracking) return false;
      [[fallthrough]];
    case SB_THUMBPOSITION: Target = Trunc((Pos & 0xFFFF) * Scale); break;
    default: Target = Origin; break;
  }
  return true;
}
