#include "imaging/model/TIEView.h"

#include <algorithm>

RTL_DEFINE_CLASS(TIEView, TComponent)

TIEView::TIEView(TComponent* AOwner) : TComponent(AOwner) {}

TIEView::~TIEView() { CallHandlers(true); }

void TIEView::BeforeDestruction() {
  // Components that registered a handler forget the view while it is whole.
  CallHandlers(true);
  TComponent::BeforeDestruction();
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
