// Painting of the thumbnail view: the back buffer, the pass over the cells
// (which also starts the loads of the visible ones and drops far pictures)
// and the drawing of one cell.
#include <algorithm>
#include <cmath>
#include <mutex>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/ImageEffects.h"
#include "imaging/model/RenderEngine.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"
#include "platform/Draw.h"
#include "rtl/Codepage.h"
#include "rtl/Numeric.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TPicture.h"

namespace {

// The byte offset of character n of a UTF-8 text (its length when shorter).
size_t ByteOfChar(const std::string& s, int32_t n) {
  size_t i = 0;
  for (int32_t k = 0; k < n && i < s.size(); ++k) Utf8DecodeAt(s, i);
  return i;
}

int32_t CharCount(const std::string& s) { return static_cast<int32_t>(Utf8Length(s)); }

// Draws Picture 1:1 at X, Y of the 24-bit Target, through its alpha channel
// when Alpha is set.
void DrawPicture(TIEBitmap* Picture, TIEBitmap* Target, int32_t X, int32_t Y, bool Alpha) {
  const int32_t w = Picture->Width(), h = Picture->Height();
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<TIERowPointers> rows;
  std::unique_ptr<TIEMapTable> columns, row_table;
  RenderToTIEBitmapEx(Picture, Target, rows, columns, row_table, nullptr, X, Y, w, h, 0, 0, w, h, Alpha, false, 255,
                      rfNone, true, 0);
}

}  // namespace

std::string TrimBandText(TCanvas* Canvas, const std::string& Text, int32_t Width, int32_t TrimSide) {
  std::string shown = Text;
  const int32_t n = CharCount(Text);
  for (int32_t k = 2; Canvas->TextWidth(shown) > Width && CharCount(shown) >= 2; ++k) {
    const int32_t keep = TrimSide == 0 ? n - k : n - (k - 1);
    if (keep <= 0) break;
    if (TrimSide == 0)
      shown = Text.substr(0, ByteOfChar(Text, keep)) + "...";
    else
      shown = "..." + Text.substr(ByteOfChar(Text, k - 1));
  }
  return shown;
}

// ------------------------------------------------------------ the window

void TImagoMView::Paint() {
  // While updates are locked the window shows the back buffer as it is: a
  // running transition puts its frames there.
  if (UpdateLockCount() > 0) {
    TransferBackBuffer();
    return;
  }
  const int32_t cw = ClientWidth(), ch = ClientHeight();
  if (cw <= 0 || ch <= 0) return;
  if (back_buffer_->Width() != cw || back_buffer_->Height() != ch || back_buffer_->PixelFormat() != ieRGB24)
    back_buffer_->Allocate(cw, ch, ieRGB24);
  TBitmap* dest = back_buffer_->GetPlatformBitmap();
  if (!dest) return;
  PaintTo(dest);
  TransferBackBuffer();
}

void TImagoMView::TransferBackBuffer() {
  TCanvas* canvas = Canvas();
  TBitmap* source = back_buffer_->GetPlatformBitmap();
  if (!canvas || !source || !HandleAllocated()) return;
  // Every screen of this platform has 24 or more bits: a plain block copy.
  BitBlt(canvas->Handle(), 0, 0, back_buffer_->Width(), back_buffer_->Height(), source->Canvas()->Handle(), 0, 0,
         SRCCOPY);
}

// ------------------------------------------------------------ the cell pass

void TImagoMView::PaintTo(TBitmap* Dest) {
  if (!Dest) return;
  TIEBitmap target;
  target.EncapsulateTBitmap(Dest, false);
  TCanvas* canvas = Dest->Canvas();
  const TRect client{0, 0, Dest->Width(), Dest->Height()};
  PaintBackground(false, canvas, &target, wallpaper_style_, wallpaper_.get(), GradientEndColor, ChessboardBrushStyle,
                  ChessboardSize, TRect{0, 0, 0, 0}, client, Background(), background_style_);
  PaintCells(Dest, &target);
}

void TImagoMView::PaintCells(TBitmap* Dest, TIEBitmap* Target) {
  (void)Target;
restart:
  const int32_t image_count = ImageCount();
  const int32_t count = display_mode_ == mdSingle ? (image_count > 0 ? 1 : 0) : image_count;
  int32_t index = 0;
  if (display_mode_ == mdSingle || playing_) {
    current_frame_ = image_count > 0 ? std::clamp(current_frame_, 0, image_count - 1) : 0;
    index = current_frame_;
  }
  const bool remembered = all_displayed_;
  bool was_displayed = remembered;
  all_displayed_ = true;
  int32_t first_visible = -1, last_visible = image_count - 1;
  for (int32_t n = 0; n < count; ++n) {
    if (OnDrawProgress && count > 1)
      OnDrawProgress(this, static_cast<int32_t>(Trunc(static_cast<double>(n) / count * 100)), index);
    if (IsVisible(index)) {
      if (first_visible < 0) first_visible = index;
      TIEMImageInfo* e = images_[index].get();
      if (!HasStoredImage(index) && !HasRendering(index)) {
        was_displayed = false;
        bool queued = false;
        if (index != selected_index_ && ThreadPoolSize > 0) queued = RequestLoad(index);
        if (!queued && !LoadImageNow(index) && remove_corrupted_) {
          DeleteImage(index);
          goto restart;
        }
      }
      const bool selected =
          (index == selected_index_ || (enable_multi_select_ && IsMultiSelected(index))) && visible_selection_ &&
          display_mode_ == mdGrid;
      if (!HasStoredImage(index) && !HasRendering(index)) all_displayed_ = false;
      DrawCell(Dest, e, index, selected);
    } else if (first_visible >= 0 && last_visible == image_count - 1) {
      last_visible = index - 1;
    }
    ++index;
    if (index >= image_count) index = 0;
  }
  if (LookAheadCount > 0 && ThreadPoolSize > 0) LookAhead(last_visible);
  if (KeepLoadedDistance >= 0 && first_visible >= 0) DropFarImages(first_visible, last_visible);
  if (ThreadPoolSize > 0) {
    // Requests whose cells scrolled away are dropped, their loads cancelled.
    PurgeQueue();
    PurgeRunningLoads();
  }
  if (OnDrawProgress && count > 1) OnDrawProgress(this, 100, 0);
  if (all_displayed_ && !was_displayed && OnAllDisplayed) OnAllDisplayed(this);
}

void TImagoMView::LookAhead(int32_t LastVisible) {
  if (LastVisible + 1 >= ImageCount()) return;
  int32_t n = LookAheadCount;
  if (LastVisible + n > ImageCount() - 1) n = ImageCount() - 1 - LastVisible;
  {
    std::lock_guard<TCriticalSection> lock(ThumbnailLock());
    look_ahead_.clear();
  }
  for (int32_t i = LastVisible + 1; i <= LastVisible + n; ++i) {
    if (HasStoredImage(i) || HasRendering(i)) continue;
    {
      std::lock_guard<TCriticalSection> lock(ThumbnailLock());
      look_ahead_.push_back(i);
    }
    RequestLoad(i);
  }
}

void TImagoMView::DropFarImages(int32_t FirstVisible, int32_t LastVisible) {
  const int32_t d = std::max(LookAheadCount, KeepLoadedDistance);
  const bool id_events = OnImageIDRequest || OnImageIDRequestEx;
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  for (int32_t i = 0; i < ImageCount(); ++i) {
    if (i >= FirstVisible - d && i <= LastVisible + d) continue;
    TIEMImageInfo* e = images_[i].get();
    if (!e->Image) continue;
    // A picture lent out (the selected image's bitmap) stays.
    if (e->Image->InUse) continue;
    if (!e->FileName.empty() || (e->ID >= 0 && id_events)) {
      ilist_->Delete(e->Image);
      e->Image = nullptr;
    }
  }
}

// ------------------------------------------------------------ one cell

void TImagoMView::DrawCell(TBitmap* Dest, TIEMImageInfo* Entry, int32_t Index, bool Selected) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TCanvas* canvas = Dest->Canvas();
  TIEBitmap target;
  target.EncapsulateTBitmap(Dest, false);
  int32_t w = thumb_width_, h = thumb_height_;
  int32_t x = Entry->X - view_x_, y = Entry->Y - view_y_;
  const int32_t upper = upper_gap_, bottom = bottom_gap_;

  if (OnBeforeImageDraw) OnBeforeImageDraw(this, Index, x, y, canvas);
  const bool frames = ThumbnailFrame && ThumbnailFrameSelected;
  if (frames) {
    TIEBitmap* frame = Index == selected_index_ ? ThumbnailFrameSelected.get() : ThumbnailFrame.get();
    if (w > 0 && h > 0 && !frame->IsEmpty()) {
      TIEBitmap stretched;
      stretched.Allocate(w, h, frame->PixelFormat());
      ResampleBitmap(frame, &stretched, rfNone);
      DrawPicture(&stretched, &target, x, y, enable_alpha_channel_);
    }
    x += ThumbnailFrameRect.Left;
    y += ThumbnailFrameRect.Top;
    w = ThumbnailFrameRect.Right - ThumbnailFrameRect.Left;
    h = ThumbnailFrameRect.Bottom - ThumbnailFrameRect.Top;
  }
  if (OnBeforeImageDrawEx) {
    TRect r{0, 0, w, h};
    OnBeforeImageDrawEx(this, Index, x, y, Dest, r);
    x += r.Left;
    y += r.Top;
    w = r.Right - r.Left;
    h = r.Bottom - r.Top;
  }

  const bool info_shown = ShowText && !Entry->InfoText->Text.empty();
  int32_t info_height = 0;
  if (info_shown) {
    canvas->Font()->Assign(Entry->InfoText->Font());
    info_height = canvas->TextHeight(Entry->InfoText->Text);
  }
  const int32_t ha = h - bottom - upper - info_height;

  // Step 5: the cell background.
  TColor cell_colour = ThumbnailsBackground;
  if (Selected && selection_style_ == iessACD)
    cell_colour = clHighlight;
  else if (draw_image_background_)
    cell_colour = Entry->Background;
  if (FillThumbnail && w > 0 && h > 0)
    PaintBackground(false, canvas, &target, iewoNormal, nullptr, GradientEndColor, ChessboardBrushStyle,
                    ChessboardSize, TRect{0, 0, 0, 0}, TRect{x, y, x + w, y + h}, cell_colour,
                    thumbnails_background_style_);

  const int32_t radius = CornerRoundness > 0 ? std::min(w, h) / CornerRoundness : 0;
  int32_t px = x, py = y + upper, pw = 0, ph = 0;
  const bool has_picture = Entry->Image || Entry->Rendering;
  if (Entry->Image && !Entry->Rendering) {
    // Step 6: fit the stored picture into the cell.
    TIEBitmap* stored = ilist_->GetBitmap(Entry->Image);
    if (stored && !stored->IsEmpty() && w > 0 && ha > 0) {
      const int32_t sw = stored->Width(), sh = stored->Height();
      const bool fit = FitThumbnails || w < sw || ha < sh;
      pw = sw;
      ph = sh;
      if (fit) {
        const double scale = std::min(static_cast<double>(ha) / sh, static_cast<double>(w) / sw);
        pw = static_cast<int32_t>(std::max<int64_t>(1, Round(sw * scale)));
        ph = static_cast<int32_t>(std::max<int64_t>(1, Round(sh * scale)));
      }
      px = x + std::abs(w - pw) / 2;
      py = y + upper + std::abs(ha - ph) / 2;
      auto picture = std::make_unique<TIEBitmap>();
      if (stored->PixelFormat() == ieMono1 && (pw < sw || ph < sh)) {
        picture->Allocate(pw, ph, ieRGB24);
        ResampleBitmap(stored, picture.get(), rfFastLinear);
      } else if (pw == sw && ph == sh) {
        picture->Assign(stored);
      } else {
        picture->Allocate(pw, ph, stored->PixelFormat());
        ResampleBitmap(stored, picture.get(), ThumbnailDisplayFilter);
      }
      if (radius > 0) MakeRoundCorners(picture.get(), radius, radius);
      Entry->ImageRect = TRect{0, 0, pw, ph};
      if (SoftShadow.Enabled) {
        if (picture->PixelFormat() != ieRGB24) picture->ConvertFormat(ieRGB24);
        ApplySoftShadow(picture.get(), SoftShadow.OffsetX, SoftShadow.OffsetY, nullptr, MakeRGBTriple(0, 0, 0), true,
                        SoftShadow.Radius);
        const int32_t ew = picture->Width(), eh = picture->Height();
        const int32_t dx = (ew - pw) / 2, dy = (eh - ph) / 2;
        auto back = std::make_unique<TIEBitmap>();
        back->Allocate(pw, ph, ieRGB24);
        ResampleBitmap(picture.get(), back.get(), rfNone);
        picture = std::move(back);
        if (ew > 0 && eh > 0)
          Entry->ImageRect = TRect{static_cast<int32_t>(Trunc(static_cast<double>(dx) * pw / ew)),
                                   static_cast<int32_t>(Trunc(static_cast<double>(dy) * ph / eh)),
                                   static_cast<int32_t>(Trunc(static_cast<double>(pw + dx) * pw / ew)) + 1,
                                   static_cast<int32_t>(Trunc(static_cast<double>(ph + dy) * ph / eh)) + 1};
      }
      DrawPicture(picture.get(), &target, px, py, enable_alpha_channel_);
      if (EnableRenderingCache) {
        Entry->Rendering = icache_->AddBitmap(picture.get());
        if (Entry->Rendering) {
          icache_->SetSourceWidth(Entry->Rendering, ilist_->GetSourceWidth(Entry->Image));
          icache_->SetSourceHeight(Entry->Rendering, ilist_->GetSourceHeight(Entry->Image));
        }
      }
    }
    if (stored) ilist_->ReleaseBitmap(stored, false);
  } else if (Entry->Rendering) {
    // Step 7: the rendering, 1:1.
    TIEBitmap* rendering = icache_->GetBitmap(Entry->Rendering);
    if (rendering) {
      pw = rendering->Width();
      ph = rendering->Height();
      px = x + std::abs(w - pw) / 2;
      py = y + upper + std::abs(ha - ph) / 2;
      DrawPicture(rendering, &target, px, py, true);
      icache_->ReleaseBitmap(rendering, false);
    }
  }

  // Step 8: the internal border and the margins around the picture.
  if (has_picture) {
    if (thumbnails_internal_border_) {
      canvas->Brush()->SetStyle(bsClear);
      canvas->Pen()->SetStyle(psSolid);
      canvas->Pen()->SetMode(pmCopy);
      canvas->Pen()->SetWidth(1);
      canvas->Pen()->SetColor(thumbnails_internal_border_color_);
      const TRect& r = Entry->ImageRect;
      canvas->Rectangle(px + r.Left, py + r.Top, px + r.Right, py + r.Bottom);
    }
    if (FillThumbnail) {
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(cell_colour);
      canvas->FillRect(TRect{x, y, px, y + h});
      canvas->FillRect(TRect{px + pw, y, x + w, y + h});
      canvas->FillRect(TRect{px, y, px + pw, py});
      canvas->FillRect(TRect{px, py + ph, px + pw, y + h});
    }
  }

  // Step 9: the text bands.
  int32_t bottom_band = 0;
  if (ShowText) {
    auto prepare = [&](TIEMText* band) -> std::string {
      canvas->Font()->Assign(band->Font());
      canvas->Brush()->SetStyle(band->BrushStyle == 1 ? bsClear : bsSolid);
      if (Selected && selection_style_ == iessACD) {
        canvas->Font()->SetColor(clHighlightText);
        if (band->BrushStyle != 1) canvas->Brush()->SetColor(clHighlight);
      } else if (band->BrushStyle != 1) {
        canvas->Brush()->SetColor(band->BackgroundColor);
      }
      return TrimBandText(canvas, band->Text, w, band->TrimSide);
    };
    if (!Entry->TopText->Text.empty()) {
      const std::string t = prepare(Entry->TopText.get());
      const TSize s = canvas->TextExtent(t);
      if (style_ == iemsFlat && Entry->TopText->BrushStyle == 0) canvas->FillRect(TRect{x, y, x + w, y + s.cy});
      canvas->TextOut(x + (w - s.cx) / 2, y, t);
    }
    if (info_shown) {
      const std::string t = prepare(Entry->InfoText.get());
      const TSize s = canvas->TextExtent(t);
      if (style_ == iemsFlat && Entry->InfoText->BrushStyle == 0)
        canvas->FillRect(TRect{x, y + h - bottom - info_height, x + w, y + h - bottom});
      canvas->TextOut(x + (w - s.cx) / 2, y + h - bottom - info_height, t);
    }
    if (!Entry->BottomText->Text.empty()) {
      const std::string t = prepare(Entry->BottomText.get());
      const TSize s = canvas->TextExtent(t);
      const int32_t th = s.cy;
      if (Entry->BottomText->BrushStyle == 0) canvas->FillRect(TRect{x, y + h - th - 1, x + w, y + h});
      canvas->TextOut(x + (w - s.cx - 2) / 2 + 1, y + h - th - 1, t);
      bottom_band = th + 3;
    }
  }

  // Step 10: 3-D frames.
  if (style_ == iemsACD) {
    if (has_picture && pw > 0 && ph > 0) DrawFrame3D(canvas, px, py, px + pw - 1, py + ph - 1, 0x808080, 0xFFFFFF);
    if (upper + bottom > 0 || info_shown)
      DrawFrame3D(canvas, x, y, x + w - 1, y + h - bottom_band - 1, 0xFFFFFF, 0x000000);
    if (bottom_band > 0) DrawFrame3D(canvas, x, y + h - bottom_band + 2, x + w - 1, y + h - 1, 0x808080, 0xFFFFFF);
  }

  if (OnImageDraw) OnImageDraw(this, Index, x, y, canvas);

  // Step 12: the cell border.
  canvas->Brush()->SetStyle(bsClear);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetMode(pmCopy);
  canvas->Pen()->SetWidth(1);
  if (thumbnails_border_width_ > 0) {
    canvas->Pen()->SetColor(thumbnails_border_color_);
    for (int32_t i = 1; i <= thumbnails_border_width_; ++i) {
      if (radius > 0)
        canvas->RoundRect(x - i, y - i, x + w + i, y + h + i, radius, radius);
      else
        canvas->Rectangle(x - i, y - i, x + w + i, y + h + i);
    }
  }

  // Step 13: the selection frame.
  if (Selected && selection_style_ != iessACD && !OnBeforeImageDrawEx && !frames) {
    canvas->Pen()->SetColor(selection_color_);
    const int32_t lines = Focused() ? selection_width_ : UnfocusedSelectionWidth;
    for (int32_t i = 1; i <= lines; ++i) canvas->Rectangle(x - i, y - i, x + w + i, y + h + i);
  }
  canvas->Brush()->SetStyle(bsSolid);
}
