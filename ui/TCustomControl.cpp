#include "ui/TControl.h"

RTL_DEFINE_CLASS(TCustomControl, TWinControl)

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
  canvas_ = new TControlCanvas();
  canvas_->SetControl(this);
}

TCustomControl::~TCustomControl() { delete canvas_; }

void TCustomControl::PaintWindow(HDC DC) {
  canvas_->Lock();
  try {
    canvas_->FreeHandle();
    canvas_->SetHandle(DC);
    canvas_->Font()->Assign(font_);
    canvas_->Brush()->SetColor(color_);
    controlState_.Include(csCustomPaint);
    Paint();
    controlState_.Exclude(csCustomPaint);
    canvas_->SetHandle(nullptr);
  } catch (...) {
    controlState_.Exclude(csCustomPaint);
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
    throw;
  }
  canvas_->Unlock();
}
