#include "ui/TControl.h"

RTL_DEFINE_CLASS(TGraphicControl, TControl)

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
  canvas_ = new TControlCanvas();
  canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() { delete canvas_; }

void TGraphicControl::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_PAINT && Message.WParam) {
    canvas_->Lock();
    try {
      canvas_->FreeHandle();
      canvas_->SetHandle(reinterpret_cast<HDC>(Message.WParam));
      canvas_->Font()->Assign(font_);
      canvas_->Brush()->SetColor(color_);
      Paint();
      canvas_->SetHandle(nullptr);
    } catch (...) {
      canvas_->SetHandle(nullptr);
      canvas_->Unlock();
      throw;
    }
    canvas_->Unlock();
    return;
  }
  TControl::Dispatch(Message);
}
