#include "ui/TGraphic.h"

RTL_DEFINE_CLASS(TGraphic, TPersistent)

void TGraphic::SetTransparent(bool v) {
  if (v == transparent_) return;
  transparent_ = v;
  Changed(this);
}

void TGraphic::SetModified(bool v) {
  if (v)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::Changed(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromStream(TStream*) {
  throw EInvalidGraphicOperation("Unsupported operation for " + ClassName());
}

void TGraphic::SaveToStream(TStream*) {
  throw EInvalidGraphicOperation("Unsupported operation for " + ClassName());
}
