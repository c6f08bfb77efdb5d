// A holder for one picture of any kind; asking for Bitmap makes it a bitmap.
#pragma once

#include <cstdint>

#include "rtl/TPersistent.h"
#include "ui/TBitmap.h"
#include "ui/TGraphic.h"

class TPicture : public TPersistent {
  RTL_CLASS(TPicture, TPersistent)
 public:
  TPicture() = default;
  ~TPicture() override;

  void Assign(TPersistent* Source) override;

  // The picture held (owned), or null.
  TGraphic* Graphic() const { return graphic_; }
  // Holds a copy of v (null empties the picture).
  void SetGraphic(TGraphic* v);
  // The picture as a bitmap; anything else held is replaced by an empty bitmap.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* v) { SetGraphic(v); }

  int32_t Width() const { return graphic_ ? graphic_->Width() : 0; }
  int32_t Height() const { return graphic_ ? graphic_->Height() : 0; }

  TNotifyEvent OnChange;

 private:
  void Take(TGraphic* g);
  void Changed(TObject*);
  TGraphic* graphic_ = nullptr;
};
