#include "ui/TPicture.h"

RTL_DEFINE_CLASS(TPicture, TPersistent)

TPicture::~TPicture() {
  if (graphic_) graphic_->Free();
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

void TPicture::Take(TGraphic* g) {
  if (graphic_) graphic_->Free();
  graphic_ = g;
  if (graphic_) graphic_->OnChange = [this](TObject* s) { Changed(s); };
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* v) {
  if (!v) {
    Take(nullptr);
    return;
  }
  TClass cls = v->ClassType();
  TGraphic* copy = cls->Factory ? dynamic_cast<TGraphic*>(cls->Factory(nullptr)) : nullptr;
  if (!copy) throw EInvalidGraphic("Unsupported picture kind " + v->ClassName());
  try {
    copy->Assign(v);
  } catch (...) {
    copy->Free();
    throw;
  }
  Take(copy);
}

TBitmap* TPicture::Bitmap() {
  if (auto* b = dynamic_cast<TBitmap*>(graphic_)) return b;
  Take(new TBitmap());
  return static_cast<TBitmap*>(graphic_);
}

void TPicture::Assign(TPersistent* Source) {
  if (!Source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->graphic_);
  } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
  } else {
    TPersistent::Assign(Source);
  }
}
