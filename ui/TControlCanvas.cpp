#include "ui/TControl.h"

RTL_DEFINE_CLASS(TControlCanvas, TCanvas)

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* v) {
  if (control_ == v) return;
  FreeHandle();
  control_ = v;
}

void TControlCanvas::FreeHandle() {
  if (dc_) {
    HDC dc = dc_;
    dc_ = nullptr;
    SetHandle(nullptr);
    if (IsWindow(window_)) ReleaseDC(window_, dc);
    window_ = nullptr;
  }
}

void TControlCanvas::CreateHandle() {
  if (!control_) return;
  if (auto* w = dynamic_cast<TWinControl*>(control_)) {
    window_ = w->Handle();
    dc_ = GetDC(window_);
  } else {
    if (!control_->Parent()) return;
    window_ = control_->Parent()->Handle();
    dc_ = GetDC(window_);
    SetViewportOrgEx(dc_, control_->Left(), control_->Top(), nullptr);
    IntersectClipRect(dc_, 0, 0, control_->Width(), control_->Height());
  }
  SetHandle(dc_);
}
