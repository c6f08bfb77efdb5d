// TImagoView: the render of the image, its layers, the background and the
// marks over them into a bitmap the size of the view.
#include <cmath>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TImagoView.h"
#include "rtl/Numeric.h"
#include "ui/TCanvas.h"
#include "ui/TGraphic.h"
#include "ui/TPicture.h"

namespace {

// Placements within this range are handed to the engine as they are; larger
// ones are cut to the buffer first.
constexpr int64_t kEngineRange = int64_t{1} << 30;

// Cuts the span D..D+DW (source S..S+SW) to 0..Limit the way the engine
// clips, with the source moved by the same proportion.
void CutSpan(int64_t& D, int64_t& DW, int64_t& S, int64_t& SW, int64_t Limit) {
  if (DW <= 0) return;
  const double r = static_cast<double>(SW) / static_cast<double>(DW);
  if (D < 0) {
    const int64_t cut = -D;
    const auto t = static_cast<int64_t>(std::trunc(cut * r));
    S += t;
    SW -= t;
    DW -= cut;
    D = 0;
  }
  if (D + DW > Limit) {
    SW -= static_cast<int64_t>(std::trunc((D + DW - Limit) * r));
    DW = Limit - D;
  }
}

}  // namespace

void TImagoView::RenderToBitmap(TIEBitmap* Target) {
  render_stopped_ = false;
  SyncLayers();
  UpdateVisibleArea();
  UpdateCoordTables();
  if (!Target || Target->IsEmpty() || ie_bitmap_->Width() == 0 || ie_bitmap_->Height() == 0) return;
  if (ie_bitmap_->HasAlphaChannel()) {
    TIEBitmap* a = ie_bitmap_->GetAlphaChannel();
    if (a->Width() != ie_bitmap_->Width() || a->Height() != ie_bitmap_->Height()) return;
  }
  // The background handler may replace the image or the layers: what this
  // render looked at before it is compared afterwards.
  std::vector<std::pair<TIELayer*, TIEBitmap*>> seen;
  seen.reserve(layers_.size());
  for (auto& l : layers_) seen.emplace_back(l.get(), l->Bitmap);
  TIEBitmap* const seen_image = ie_bitmap_;
  auto layers_changed = [&]() {
    if (ie_bitmap_ != seen_image || layers_.size() != seen.size()) return true;
    for (size_t k = 0; k < seen.size(); ++k)
      if (layers_[k].get() != seen[k].first || layers_[k]->Bitmap != seen[k].second) return true;
    return false;
  };
  bool drawn = false;
  for (size_t i = 0; i < layers_.size(); ++i) {
    TIELayer* layer = layers_[i].get();
    TIEBitmap* image = layer->Bitmap;
    if (!layer->Visible || layer->IsMask || dest_w_ == 0 || dest_h_ == 0 || !image) continue;
    if (image->Width() < MinLayerSize && image->Height() < MinLayerSize) continue;
    TIELayer* mask = i + 1 < layers_.size() && layers_[i + 1]->IsMask ? layers_[i + 1].get() : nullptr;
    TResampleFilter filter;
    if (delay_countdown_ > 0 || (layer->Width == 0 && layer->Height == 0 && zoom_x_ == 100 && zoom_y_ == 100))
      filter = rfNone;
    else
      filter = layer->UseOwnFilter ? layer->OwnFilter : zoom_filter_;
    // Rows may be copied from the row above only over a background of one
    // colour: no wallpaper and no background handler on top of the style.
    const bool solid = !drawn && background_style_ == iebsSolid && !OnDrawBackground &&
                       (!wallpaper_->Graphic() || wallpaper_->Graphic()->Empty());
    std::unique_ptr<TIERowPointers> rows;
    std::unique_ptr<TIEMapTable> cols, rowt;
    int32_t dx, dy, dw, dh, sx, sy, sw, sh;
    // The layer's box, which may lie far outside the buffer.
    int64_t box_l, box_t, box_r, box_b;
    bool on_screen = true;
    if (!LayersSync && (i != 0 || layer->Width != 0 || layer->Height != 0 || layer->PosX != 0 || layer->PosY != 0)) {
      // Placement in 64 bits: a huge layer far off must not overflow.
      int64_t x = ImageToScreen64(0, layer->PosX);
      int64_t y = ImageToScreen64(1, layer->PosY);
      int64_t w = ImageToScreen64(0, int64_t{layer->PosX} + layer->LayerWidth()) - x;
      int64_t h = ImageToScreen64(1, int64_t{layer->PosY} + layer->LayerHeight()) - y;
      sx = sy = 0;
      sw = image->Width();
      sh = image->Height();
      if (layer->Cropped && i != 0) CropToBase(layer, x, y, w, h, sx, sy, sw, sh);
      if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0) continue;
      box_l = x;
      box_t = y;
      box_r = x + w;
      box_b = y + h;
      // A layer wholly outside the buffer is not drawn.
      on_screen = x < Target->Width() && y < Target->Height() && x + w > 0 && y + h > 0;
      auto in_range = [](int64_t v) { return v >= -kEngineRange && v <= kEngineRange; };
      if (on_screen && !(in_range(x) && in_range(w) && in_range(x + w) && in_range(y) && in_range(h) &&
                         in_range(y + h))) {
        int64_t s0 = sx, s1 = sy, n0 = sw, n1 = sh;
        CutSpan(x, w, s0, n0, Target->Width());
        CutSpan(y, h, s1, n1, Target->Height());
        sx = SaturateInt32(s0);
        sy = SaturateInt32(s1);
        sw = SaturateInt32(n0);
        sh = SaturateInt32(n1);
        on_screen = w > 0 && h > 0 && sw > 0 && sh > 0;
      }
      dx = SaturateInt32(x);
      dy = SaturateInt32(y);
      dw = SaturateInt32(w);
      dh = SaturateInt32(h);
    } else {
      dx = off_x_;
      dy = off_y_;
      dw = dest_w_;
      dh = dest_h_;
      sx = src_[0].pos;
      sy = src_[1].pos;
      sw = src_[0].size;
      sh = src_[1].size;
      // The view's tables drive the engine, so what is drawn agrees pixel
      // for pixel with the conversions.
      if (tables_exist_ && dx >= 0 && dy >= 0) {
        cols = std::make_unique<TIEMapTable>(static_cast<size_t>(dw));
        rowt = std::make_unique<TIEMapTable>(static_cast<size_t>(dh));
        const Tables& tx = tables_[0];
        const Tables& ty = tables_[1];
        for (int32_t d = 0; d < dw; ++d) {
          const size_t k = static_cast<size_t>(tx.s2i_win) + static_cast<size_t>(d);
          (*cols)[static_cast<size_t>(d)] = k < tx.s2i.size() ? tx.s2i[k] : image->Width();
        }
        for (int32_t d = 0; d < dh; ++d) {
          const size_t k = static_cast<size_t>(ty.s2i_win) + static_cast<size_t>(d);
          (*rowt)[static_cast<size_t>(d)] = k < ty.s2i.size() ? ty.s2i[k] : image->Height();
        }
      }
      box_l = dx;
      box_t = dy;
      box_r = int64_t{dx} + dw;
      box_b = int64_t{dy} + dh;
    }
    const bool magnifier = i > 0 && layer->MagnifierEnabled && layer->MagnifierRate >= 1;
    if (!drawn) {
      // The background stays hidden under an opaque image whose box, where it
      // really is drawn, covers the whole buffer.
      const bool covered = on_screen && box_l <= 0 && box_t <= 0 && box_r >= Target->Width() &&
                           box_b >= Target->Height() && layer->Transparency == 255 && !mask && !magnifier &&
                           (!enable_alpha_ || !image->HasAlphaChannel() || image->GetAlphaChannel()->Full);
      // Under an opaque image that covers only part of the buffer (a picture
      // fitted to the window) the background is painted around it alone.
      const bool opaque = on_screen && layer->Transparency == 255 && !mask && !magnifier &&
                          (!enable_alpha_ || !image->HasAlphaChannel() || image->GetAlphaChannel()->Full);
      const TRect hidden{int32_t(std::clamp<int64_t>(box_l, 0, Target->Width())),
                         int32_t(std::clamp<int64_t>(box_t, 0, Target->Height())),
                         int32_t(std::clamp<int64_t>(box_r, 0, Target->Width())),
                         int32_t(std::clamp<int64_t>(box_b, 0, Target->Height()))};
      if (!covered) {
        PaintBackgroundInto(Target, opaque ? &hidden : nullptr);
        if (layers_changed()) {
          // The update the handler caused draws again with the new objects.
          render_stopped_ = true;
          return;
        }
      }
    }
    // A mask layer right above multiplies into this layer's alpha for this render.
    bool had_alpha = false;
    std::unique_ptr<TIEBitmap> own_alpha;
    if (mask) own_alpha = ApplyMaskLayer(layer, mask, had_alpha);
    if (on_screen) {
      if (magnifier) {
        FillMagnifier(layer, Target, dx, dy, dw, dh);
        sw = image->Width();
        sh = image->Height();
      }
      RenderToTIEBitmapEx(image, Target, rows, cols, rowt, nullptr, dx, dy, dw, dh, sx, sy, sw, sh,
                          enable_alpha_ || mask != nullptr || magnifier, solid, layer->Transparency, filter, true, 0);
    }
    if (mask) image->ReplaceAlphaChannel(had_alpha ? std::move(own_alpha) : nullptr);
    layer->ClientLeft = SaturateInt32(box_l);
    layer->ClientTop = SaturateInt32(box_t);
    layer->ClientRight = SaturateInt32(box_r);
    layer->ClientBottom = SaturateInt32(box_b);
    layer->DrawDestX = dx;
    layer->DrawDestY = dy;
    layer->DrawDestW = dw;
    layer->DrawDestH = dh;
    layer->DrawSrcX = sx;
    layer->DrawSrcY = sy;
    layer->DrawSrcW = sw;
    layer->DrawSrcH = sh;
    drawn = true;
  }
  if (!drawn) {
    PaintBackgroundInto(Target);
    if (layers_changed()) {
      render_stopped_ = true;
      return;
    }
  }
  DrawLayerDecorations(Target);

  // The selection marks: the selected area inverted, the rest shaded.
  if (sel_shown_ && sel_.Visible && !mask_.IsEmpty()) {
    const TIELayer* l = CurrentLayer();
    if (sel_options_.Contains(iesoFilled))
      mask_.DrawInvert(Target->GetCanvas(), l->DrawDestX, l->DrawDestY, l->DrawDestW, l->DrawDestH, l->DrawSrcX,
                       l->DrawSrcY, l->DrawSrcW, l->DrawSrcH);
    if (sel_options_.Contains(iesoMarkOuter))
      mask_.ShadeOutside(Target->GetPlatformBitmap(), l->DrawDestX, l->DrawDestY, l->DrawDestW, l->DrawDestH,
                         l->DrawSrcX, l->DrawSrcY, l->DrawSrcW, l->DrawSrcH);
  }

  if (PixelGrid && (zoom_x_ >= 400 || zoom_y_ >= 400) && (img_w_ > 1 || img_h_ > 1)) {
    TCanvas* c = Target->GetCanvas();
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetMode(pmNot);
    c->Pen()->SetWidth(1);
    const int32_t sx = src_[0].pos, sy = src_[1].pos, sw = src_[0].size, sh = src_[1].size;
    const int32_t x1 = ImageToScreenX(sx), x2 = ImageToScreenX(sx + sw);
    const int32_t y1 = ImageToScreenY(sy), y2 = ImageToScreenY(sy + sh);
    for (int32_t r = sy; r <= sy + sh; ++r) {
      const int32_t y = ImageToScreenY(r);
      c->MoveTo(x1, y);
      c->LineTo(x2, y);
    }
    for (int32_t col = sx; col <= sx + sw; ++col) {
      const int32_t x = ImageToScreenX(col);
      c->MoveTo(x, y1);
      c->LineTo(x, y2);
    }
    c->Pen()->SetMode(pmCopy);
  }
}
