// TIELayer: one image drawn by an image view, with its own position, size,
// transparency and drawing options. The view's current image is always the
// image of its current layer.
#pragma once

#include <cstdint>
#include <memory>

#include "imaging/model/Resample.h"
#include "rtl/TObject.h"

class TIEBitmap;
class TImagoView;

class TIELayer : public TObject {
 public:
  // ShareBitmap: the layer shows Bitmap itself; otherwise a new image of
  // Bitmap's size and pixel format (no pixels copied). The layer owns its
  // image either way: a shared Bitmap is handed over.
  TIELayer(TImagoView* View, bool ShareBitmap, TIEBitmap* Bitmap);
  ~TIELayer() override;

  int32_t Width = 0;   // drawn width in image pixels; 0 = the image's width
  int32_t Height = 0;  // drawn height; 0 = the image's height
  TImagoView* Owner;
  // The image shown: the layer's own (see OwnsBitmap) or one of the
  // caller's shown through ShowBitmap.
  TIEBitmap* Bitmap = nullptr;
  bool Visible = true;
  bool VisibleBox = true;
  int32_t Transparency = 255;
  int32_t PosX = 0, PosY = 0;
  int32_t ClientLeft = 0, ClientTop = 0, ClientRight = 0, ClientBottom = 0;
  bool Cropped = false;
  bool Locked = false;
  bool Selectable = true;
  bool MagnifierEnabled = false;
  double MagnifierRate = 2.0;
  uint8_t MagnifierShape = 0;
  uint8_t MagnifierSource = 1;
  uint8_t RenderOption = 0;
  TResampleFilter OwnFilter = rfNone;
  bool UseOwnFilter = false;
  bool IsMask = false;
  // What the last render drew (destination x, y, w, h; source x, y, w, h).
  int32_t DrawDestX = 0, DrawDestY = 0, DrawDestW = 0, DrawDestH = 0;
  int32_t DrawSrcX = 0, DrawSrcY = 0, DrawSrcW = 0, DrawSrcH = 0;
  bool DrawOuter = false;

  // Drawn size: Width/Height, or the image's when 0.
  int32_t LayerWidth() const;
  int32_t LayerHeight() const;

  int32_t ClientToLayerX(int32_t X) const;
  int32_t ClientToLayerY(int32_t Y) const;
  int32_t LayerToClientX(int32_t X) const;
  int32_t LayerToClientY(int32_t Y) const;

  bool OwnsBitmap() const { return owned_ != nullptr; }
  // Shows Image as the layer's own; the image owned before is freed.
  void TakeBitmap(std::unique_ptr<TIEBitmap> Image);
  // Shows the caller's Image, which stays the caller's; the image owned
  // before is freed.
  void ShowBitmap(TIEBitmap* Image);
  // Frees the image when the layer owns it; the layer then shows none.
  void FreeBitmap();

 private:
  // A platform bitmap the owned image wraps without owning stays with
  // whoever made it (the view keeps the one it made at construction).
  std::unique_ptr<TIEBitmap> owned_;
};
