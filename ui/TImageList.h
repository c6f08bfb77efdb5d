// Image lists: equally sized small images kept by index (toolbar and list
// icons). Each image keeps its own transparency (a mask, a mask colour or
// the alpha of 32-bit sources); Draw paints one image normally or greyed
// for disabled items. Change links tell their owners when the list changes.
#pragma once

#include <cstdint>
#include <vector>

#include "rtl/TComponent.h"
#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"

class TCustomImageList;

class TChangeLink : public TObject {
 public:
  TChangeLink() = default;
  ~TChangeLink() override;
  TCustomImageList* Sender() const { return sender_; }
  void SetSender(TCustomImageList* v) { sender_ = v; }
  virtual void Change();
  TNotifyEvent OnChange;

 private:
  TCustomImageList* sender_ = nullptr;
};

RTL_ENUM(TDrawingStyle, dsFocus, dsSelected, dsNormal, dsTransparent);
RTL_ENUM(TImageType, itImage, itMask);

class TCustomImageList : public TComponent {
  RTL_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* AOwner);
  ~TCustomImageList() override;
  void BeforeDestruction() override;

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // Changing the size empties the list.
  void SetWidth(int32_t v) { SetSize(v, height_); }
  void SetHeight(int32_t v) { SetSize(width_, v); }
  void SetSize(int32_t AWidth, int32_t AHeight);
  int32_t Count() const { return int32_t(images_.size()); }
  bool Masked() const { return masked_; }
  void SetMasked(bool v) { masked_ = v; }
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor v);
  TColor BlendColor() const { return blendColor_; }
  void SetBlendColor(TColor v) { blendColor_ = v; }
  TDrawingStyle DrawingStyle() const { return drawingStyle_; }
  void SetDrawingStyle(TDrawingStyle v);
  TImageType ImageType() const { return imageType_; }
  void SetImageType(TImageType v) { imageType_ = v; }

  // Adds the images of Image (one, or several side by side); Mask (may be
  // null) marks transparent pixels in white. Answers the first new index.
  int32_t Add(TBitmap* Image, TBitmap* Mask);
  // Pixels of MaskColor are transparent; clDefault takes the colour of the
  // bottom-left pixel.
  int32_t AddMasked(TBitmap* Image, TColor MaskColor);
  void Insert(int32_t Index, TBitmap* Image, TBitmap* Mask);
  void Replace(int32_t Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int32_t Index);
  void Move(int32_t CurIndex, int32_t NewIndex);
  void Clear();
  void Assign(TPersistent* Source) override;

  // Draws image Index at (X, Y); disabled images are drawn greyed.
  void Draw(TCanvas* Canvas, int32_t X, int32_t Y, int32_t Index, bool Enabled = true);
  void Draw(HDC DC, int32_t X, int32_t Y, int32_t Index, bool Enabled = true);
  // Copies image Index onto Image (sized to the list), over BkColor or
  // clBtnFace where transparent.
  void GetBitmap(int32_t Index, TBitmap* Image);
  // The pixels of image Index: Width * Height values 0xAARRGGBB, top row
  // first, alpha not premultiplied; empty for a bad index.
  const std::vector<uint32_t>& Pixels(int32_t Index) const;

  void RegisterChanges(TChangeLink* Value);
  void UnRegisterChanges(TChangeLink* Value);
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  std::vector<std::vector<uint32_t>> Split(TBitmap* Image, TBitmap* Mask, bool UseColor, TColor MaskColor);
  void CheckIndex(int32_t Index) const;
  int32_t width_ = 16, height_ = 16;
  bool masked_ = true;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clNone;
  TDrawingStyle drawingStyle_ = dsNormal;
  TImageType imageType_ = itImage;
  std::vector<std::vector<uint32_t>> images_;
  std::vector<TChangeLink*> links_;
  int32_t updateCount_ = 0;
  bool changed_ = false;
};

class TImageList : public TCustomImageList {
  RTL_CLASS(TImageList, TCustomImageList)
 public:
  explicit TImageList(TComponent* AOwner) : TCustomImageList(AOwner) {}
};
