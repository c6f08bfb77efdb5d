#include "ui/TImage.h"

#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TImage, TGraphicControl)

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(new TPicture()) {
  picture_->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(Left(), Top(), 105, 105);
}

TImage::~TImage() {
  picture_->OnChange = nullptr;
  picture_->Free();
}

void TImage::Paint() {
  if (TGraphic* g = picture_->Graphic()) Canvas()->Draw(0, 0, g);
}
