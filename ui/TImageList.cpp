#include "ui/TImageList.h"

#include <algorithm>

#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/Surface.h"
#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TCustomImageList, TComponent,
                 Published("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth),
                 Published("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight),
                 Published("Masked", &TCustomImageList::Masked, &TCustomImageList::SetMasked),
                 Published("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor),
                 Published("BlendColor", &TCustomImageList::BlendColor, &TCustomImageList::SetBlendColor),
                 Published("DrawingStyle", &TCustomImageList::DrawingStyle,
                           &TCustomImageList::SetDrawingStyle),
                 Published("ImageType", &TCustomImageList::ImageType, &TCustomImageList::SetImageType))
RTL_DEFINE_CLASS(TImageList, TCustomImageList)

namespace {

constexpr int32_t kMaxSide = 4096;

// A 32-bit top-down section and a context holding it.
struct TSection {
  // The bitmap outlives the DC it is selected into (members go in reverse).
  TOwnedGdiObject<HBITMAP> bmp;
  TMemoryDC dc;
  uint32_t* bits = nullptr;
  TSection(int32_t w, int32_t h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biBitCount = 32;
    void* p = nullptr;
    bmp.reset(CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0));
    bits = static_cast<uint32_t*>(p);
    SelectObject(dc, bmp.get());
  }
};

// The pixels of a bitmap as 0x00RRGGBB (or with its own alpha when a 32-bit
// bitmap carries any), top row first.
std::vector<uint32_t> ReadPixels(TBitmap* b, bool* hasAlpha) {
  int32_t w = b->Width(), h = b->Height();
  std::vector<uint32_t> out(size_t(w) * size_t(h));
  *hasAlpha = false;
  if (b->PixelFormat() == pf32bit) {
    for (int32_t y = 0; y < h; ++y) {
      auto* row = static_cast<const uint32_t*>(b->ScanLine(y));
      std::copy(row, row + w, out.begin() + ptrdiff_t(y) * w);
    }
    for (uint32_t p : out)
      if (p >> 24) *hasAlpha = true;
    if (*hasAlpha) return out;
  }
  TSection s(w, h);
  BitBlt(s.dc, 0, 0, w, h, b->Canvas()->Handle(), 0, 0, SRCCOPY);
  for (size_t i = 0; i < out.size(); ++i) out[i] = s.bits[i] & 0xFFFFFF;
  return out;
}

uint32_t Premultiply(uint32_t p) {
  uint32_t a = p >> 24;
  if (a == 255) return p;
  auto ch = [a](uint32_t c) { return (c * a + 127) / 255; };
  return (a << 24) | (ch((p >> 16) & 0xFF) << 16) | (ch((p >> 8) & 0xFF) << 8) | ch(p & 0xFF);
}

uint32_t Pixel(COLORREF c, uint32_t alpha) { return (alpha << 24) | ColorRefToPixel(c); }

}  // namespace

// ---- TChangeLink

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
  if (OnChange) OnChange(sender_);
}

// ---- TCustomImageList

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() = default;

void TCustomImageList::BeforeDestruction() {
  for (TChangeLink* l : links_) l->SetSender(nullptr);
  links_.clear();
  inherited::BeforeDestruction();
}

void TCustomImageList::SetSize(int32_t AWidth, int32_t AHeight) {
  AWidth = std::clamp(AWidth, 1, kMaxSide);
  AHeight = std::clamp(AHeight, 1, kMaxSide);
  if (AWidth == width_ && AHeight == height_) return;
  width_ = AWidth;
  height_ = AHeight;
  images_.clear();
  Change();
}

void TCustomImageList::SetBkColor(TColor v) {
  if (bkColor_ == v) return;
  bkColor_ = v;
  Change();
}

void TCustomImageList::SetDrawingStyle(TDrawingStyle v) {
  if (drawingStyle_ == v) return;
  drawingStyle_ = v;
  Change();
}

void TCustomImageList::CheckIndex(int32_t Index) const {
  if (Index < 0 || Index >= Count()) throw EInvalidOperation("Invalid ImageList Index");
}

std::vector<std::vector<uint32_t>> TCustomImageList::Split(TBitmap* Image, TBitmap* Mask, bool UseColor,
                                                          TColor MaskColor) {
  std::vector<std::vector<uint32_t>> out;
  if (!Image || Image->Empty()) return out;
  if (Image->Width() > kMaxSide * 256 || Image->Height() > kMaxSide)
    throw EInvalidOperation("Image too large for the image list");
  bool alpha = false;
  std::vector<uint32_t> px = ReadPixels(Image, &alpha);
  std::vector<uint32_t> mask;
  if (Mask && !Mask->Empty() && !alpha) {
    bool ignored;
    mask = ReadPixels(Mask, &ignored);
  }
  int32_t w = Image->Width(), h = Image->Height();
  uint32_t key = 0;
  if (UseColor) {
    key = MaskColor == clDefault ? px[size_t(h - 1) * size_t(w)] & 0xFFFFFF
                                 : ColorRefToPixel(ColorToRGB(MaskColor));
  }
  // Images lie side by side; a partial image at the right end is dropped.
  int32_t n = std::max(1, w / width_);
  for (int32_t k = 0; k < n; ++k) {
    std::vector<uint32_t> img(size_t(width_) * size_t(height_), 0);
    for (int32_t y = 0; y < std::min(h, height_); ++y) {
      for (int32_t x = 0; x < width_; ++x) {
        int32_t sx = k * width_ + x;
        if (sx >= w) continue;
        size_t si = size_t(y) * size_t(w) + size_t(sx);
        uint32_t p = px[si];
        uint32_t a = alpha ? (p >> 24) : 255;
        if (!alpha && masked_) {
          if (UseColor && (p & 0xFFFFFF) == key) a = 0;
          if (!mask.empty() && (mask[si] & 0xFFFFFF) != 0) a = 0;
        }
        img[size_t(y) * size_t(width_) + size_t(x)] = (a << 24) | (p & 0xFFFFFF);
      }
    }
    out.push_back(std::move(img));
  }
  return out;
}

int32_t TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
  auto imgs = Split(Image, Mask, false, clNone);
  if (imgs.empty()) return -1;
  int32_t first = Count();
  for (auto& i : imgs) images_.push_back(std::move(i));
  Change();
  return first;
}

int32_t TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
  auto imgs = Split(Image, nullptr, true, MaskColor);
  if (imgs.empty()) return -1;
  int32_t first = Count();
  for (auto& i : imgs) images_.push_back(std::move(i));
  Change();
  return first;
}

void TCustomImageList::Insert(int32_t Index, TBitmap* Image, TBitmap* Mask) {
  if (Index < 0 || Index > Count()) throw EInvalidOperation("Invalid ImageList Index");
  auto imgs = Split(Image, Mask, false, clNone);
  if (imgs.empty()) return;
  images_.insert(images_.begin() + Index, imgs.front());
  Change();
}

void TCustomImageList::Replace(int32_t Index, TBitmap* Image, TBitmap* Mask) {
  CheckIndex(Index);
  auto imgs = Split(Image, Mask, false, clNone);
  if (imgs.empty()) return;
  images_[size_t(Index)] = imgs.front();
  Change();
}

void TCustomImageList::Delete(int32_t Index) {
  CheckIndex(Index);
  images_.erase(images_.begin() + Index);
  Change();
}

void TCustomImageList::Move(int32_t CurIndex, int32_t NewIndex) {
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  auto img = std::move(images_[size_t(CurIndex)]);
  images_.erase(images_.begin() + CurIndex);
  images_.insert(images_.begin() + NewIndex, std::move(img));
  Change();
}

void TCustomImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

void TCustomImageList::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TCustomImageList*>(Source);
  if (!s) {
    TComponent::Assign(Source);
    return;
  }
  width_ = s->width_;
  height_ = s->height_;
  masked_ = s->masked_;
  bkColor_ = s->bkColor_;
  blendColor_ = s->blendColor_;
  drawingStyle_ = s->drawingStyle_;
  imageType_ = s->imageType_;
  images_ = s->images_;
  Change();
}

const std::vector<uint32_t>& TCustomImageList::Pixels(int32_t Index) const {
  static const std::vector<uint32_t> none;
  if (Index < 0 || Index >= Count()) return none;
  return images_[size_t(Index)];
}

void TCustomImageList::Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled) {
  Draw(Canvas->Handle(), X, Y, Index, Enabled);
}

void TCustomImageList::Draw(HDC DC, int32_t X, int32_t Y, int32_t Index, bool Enabled) {
  if (Index < 0 || Index >= Count() || !DC) return;
  const auto& img = images_[size_t(Index)];
  TSection s(width_, height_);
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (Enabled) {
    bool opaqueBk = bkColor_ != clNone && drawingStyle_ != dsTransparent;
    uint32_t bk = opaqueBk ? ColorRefToPixel(ColorToRGB(bkColor_)) : 0;
    for (size_t i = 0; i < img.size(); ++i) {
      uint32_t p = img[i];
      if (opaqueBk && (p >> 24) < 255) {
        // Composited over the list's own background colour.
        uint32_t a = p >> 24;
        auto mix = [a](uint32_t f, uint32_t b) { return (f * a + b * (255 - a) + 127) / 255; };
        p = 0xFF000000u | (mix((p >> 16) & 0xFF, (bk >> 16) & 0xFF) << 16) |
            (mix((p >> 8) & 0xFF, (bk >> 8) & 0xFF) << 8) | mix(p & 0xFF, bk & 0xFF);
      }
      s.bits[i] = Premultiply(p);
    }
    AlphaBlend(DC, X, Y, width_, height_, s.dc, 0, 0, width_, height_, blend);
    return;
  }
  // Disabled: the dark parts of the image etched in the 3-D colours, the
  // highlight one pixel right and down, the shadow in place.
  auto etch = [&](COLORREF colour, int32_t dx) {
    for (size_t i = 0; i < img.size(); ++i) {
      uint32_t p = img[i];
      uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      bool ink = (p >> 24) >= 128 && (r * 30 + g * 59 + b * 11) / 100 < 192;
      s.bits[i] = ink ? Pixel(colour, 255) : 0;
    }
    AlphaBlend(DC, X + dx, Y + dx, width_, height_, s.dc, 0, 0, width_, height_, blend);
  };
  etch(ColorToRGB(clBtnHighlight), 1);
  etch(ColorToRGB(clBtnShadow), 0);
}

void TCustomImageList::GetBitmap(int32_t Index, TBitmap* Image) {
  if (!Image || Index < 0 || Index >= Count()) return;
  Image->SetPixelFormat(pf24bit);
  Image->SetSize(width_, height_);
  TColor bk = bkColor_ != clNone ? bkColor_ : clBtnFace;
  Image->Canvas()->Brush()->SetColor(bk);
  Image->Canvas()->FillRect(Rect(0, 0, width_, height_));
  Draw(Image->Canvas(), 0, 0, Index, true);
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
  if (std::find(links_.begin(), links_.end(), Value) != links_.end()) return;
  Value->SetSender(this);
  links_.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
  auto it = std::find(links_.begin(), links_.end(), Value);
  if (it == links_.end()) return;
  links_.erase(it);
  Value->SetSender(nullptr);
}

void TCustomImageList::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && changed_) {
    changed_ = false;
    Change();
  }
}

void TCustomImageList::Change() {
  if (updateCount_ > 0) {
    changed_ = true;
    return;
  }
  std::vector<TChangeLink*> copy = links_;
  for (TChangeLink* l : copy)
    if (std::find(links_.begin(), links_.end(), l) != links_.end()) l->Change();
  if (OnChange) OnChange(this);
}
