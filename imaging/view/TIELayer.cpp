#include "imaging/view/TIELayer.h"

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoView.h"
#include "rtl/Numeric.h"
#include "ui/TBitmap.h"

TIELayer::TIELayer(TImagoView* View, bool ShareBitmap, TIEBitmap* ABitmap) : Owner(View) {
  if (ShareBitmap) {
    owned_.reset(ABitmap);
  } else {
    owned_ = std::make_unique<TIEBitmap>();
    if (ABitmap && !ABitmap->IsEmpty()) {
      owned_->SetLocation(ABitmap->Location() == ieTempFile ? ieMemory : ABitmap->Location());
      owned_->Allocate(ABitmap->Width(), ABitmap->Height(), ABitmap->PixelFormat());
    }
  }
  Bitmap = owned_.get();
}

TIELayer::~TIELayer() = default;

void TIELayer::TakeBitmap(std::unique_ptr<TIEBitmap> Image) {
  owned_ = std::move(Image);
  Bitmap = owned_.get();
}

void TIELayer::ShowBitmap(TIEBitmap* Image) {
  owned_.reset();
  Bitmap = Image;
}

void TIELayer::FreeBitmap() {
  owned_.reset();
  Bitmap = nullptr;
}

int32_t TIELayer::LayerWidth() const { return Width != 0 || !Bitmap ? Width : Bitmap->Width(); }
int32_t TIELayer::LayerHeight() const { return Height != 0 || !Bitmap ? Height : Bitmap->Height(); }

int32_t TIELayer::ClientToLayerX(int32_t X) const {
  const int32_t w = LayerWidth();
  if (w == 0) return 0;
  const int32_t col = Owner->ScreenToImageX(SaturateInt32(X - Trunc(PosX * Owner->ZoomX() / 100)));
  return static_cast<int32_t>(Trunc(static_cast<double>(col) * Bitmap->Width() / w));
}

int32_t TIELayer::ClientToLayerY(int32_t Y) const {
  const int32_t h = LayerHeight();
  if (h == 0) return 0;
  const int32_t row = Owner->ScreenToImageY(SaturateInt32(Y - Trunc(PosY * Owner->ZoomY() / 100)));
  return static_cast<int32_t>(Trunc(static_cast<double>(row) * Bitmap->Height() / h));
}

int32_t TIELayer::LayerToClientX(int32_t X) const {
  const int32_t iw = Bitmap ? Bitmap->Width() : 0;
  const int32_t b = iw ? static_cast<int32_t>(Trunc(static_cast<double>(X) * LayerWidth() / iw)) : 0;
  return SaturateInt32(Owner->ImageToScreenX(b) + Trunc(PosX * Owner->ZoomX() / 100));
}

int32_t TIELayer::LayerToClientY(int32_t Y) const {
  const int32_t ih = Bitmap ? Bitmap->Height() : 0;
  const int32_t b = ih ? static_cast<int32_t>(Trunc(static_cast<double>(Y) * LayerHeight() / ih)) : 0;
  return SaturateInt32(Owner->ImageToScreenY(b) + Trunc(PosY * Owner->ZoomY() / 100));
}
