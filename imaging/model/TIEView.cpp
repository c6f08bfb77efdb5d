#include "imaging/model/TIEView.h"

#include <algorithm>

RTL_DEFINE_CLASS(TIEView, TCustomControl)

TIEView::TIEView(TComponent* AOwner) : TCustomControl(AOwner) {
  // The view paints its whole surface: nothing is erased under it.
  ControlStyle() += TControlStyle{csAcceptsControls, csOpaque, csReplicatable, csNeedsBorderPaint};
}

void TIEView::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (border_style_ == bsSingle) {
    if (ctl3d_)
      Params.ExStyle |= WS_EX_CLIENTEDGE;
    else
      Params.Style |= WS_BORDER;
  }
  // Resizing does not invalidate the whole surface; the views repaint what they need.
  Params.ClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TIEView::WndProc(TMessage& Message) {
  TCustomControl::WndProc(Message);
  if (Message.Msg == WM_HSCROLL)
    WMHScroll(LOWORD(Message.WParam), HIWORD(Message.WParam));
  else if (Message.Msg == WM_VSCROLL)
    WMVScroll(LOWORD(Message.WParam), HIWORD(Message.WParam));
}

void TIEView::SetBorderStyle(TBorderStyle Value) {
  if (Value == border_style_) return;
  border_style_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

void TIEView::SetCtl3D(bool Value) {
  if (Value == ctl3d_) return;
  ctl3d_ = Value;
  if (HandleAllocated()) RecreateWnd();
}

TIEView::~TIEView() { CallHandlers(true); }

void TIEView::BeforeDestruction() {
  // Components that registered a handler forget the view while it is whole.
  CallHandlers(true);
  TCustomControl::BeforeDestruction();
}

void TIEView::CallHandlers(bool Destroying) {
  if (Destroying) {
    if (told_destroying_) return;
    told_destroying_ = true;
  }
  // A routine may remove its own record (or others): walk a copy.
  const std::vector<Handler> copy = handlers_;
  for (const Handler& h : copy) {
    const bool still_there = std::any_of(handlers_.begin(), handlers_.end(),
                                         [&](const Handler& x) { return x.handle == h.handle; });
    if (still_there && h.routine) h.routine(h.data, this, Destroying);
  }
  if (Destroying) handlers_.clear();
}

TIEBitmapChangeHandle TIEView::AddBitmapChangeHandler(TIEBitmapChangeProc Routine, void* Data) {
  const TIEBitmapChangeHandle handle = next_handle_++;
  handlers_.push_back({handle, Routine, Data});
  return handle;
}

void TIEView::RemoveBitmapChangeHandler(TIEBitmapChangeHandle Handle) {
  if (Handle < 0) return;
  auto it = std::find_if(handlers_.begin(), handlers_.end(),
                         [&](const Handler& h) { return h.handle == Handle; });
  if (it != handlers_.end()) handlers_.erase(it);
}

void TIEView::CallBitmapChangeHandlers() { CallHandlers(false); }

void TIEView::SetDpiX(int32_t Value) {
  if (Value != 0) dpi_x_ = Value;
}

void TIEView::SetDpiY(int32_t Value) {
  if (Value != 0) dpi_y_ = Value;
}

int32_t TIEView::UnlockUpdateNoRepaint() {
  if (update_lock_ > 0) --update_lock_;
  return update_lock_;
}
