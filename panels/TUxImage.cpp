#include "panels/TUxImage.h"

RTL_DEFINE_CLASS(TUxImage, TFilePicture)

void TUxImage::Assign(TPersistent* Source) {
  empty_ = true;
  picture_.reset();
  if (!Source) {
    data_.clear();
    Changed(this);
    return;
  }
  if (auto* s = dynamic_cast<TUxImage*>(Source)) {
    data_ = s->data_;
    LoadPicture();
    Changed(this);
  }
}

void TUxImage::Draw(TCanvas* Canvas, const TRect& Rect) {
  if (empty_ || !picture_) return;
  picture_->Render(Canvas, Rect);
}
