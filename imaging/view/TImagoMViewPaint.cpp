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
          // Deleting moves every later cell: the pass starts over on the
          // new layout rather than drawing cells at their old places.
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
    // The pass starts at the current frame in single display and playback,
    // so it wraps around to reach the cells before it.
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

// What the steps of one cell share: where the cell and its picture lie and
// what was drawn so far.
struct TImagoMView::CellPaint {
  TCanvas* canvas;
  TIEBitmap* target;
  int32_t index;
  bool selected;
  int32_t x, y, w, h;        // the cell, inside any frame picture
  int32_t upper, bottom;     // the gaps above and below the picture area
  bool frames = false;       // frame pictures are drawn around the cells
  bool info_shown = false;
  int32_t info_height = 0;
  int32_t ha = 0;            // the height left for the picture
  TColor cell_colour = 0;
  int32_t radius = 0;        // of the rounded corners, 0 for none
  int32_t px = 0, py = 0, pw = 0, ph = 0;  // the picture drawn
  bool has_picture = false;
  int32_t bottom_band = 0;   // height of the bottom text band with its frame
};

void TImagoMView::DrawCell(TBitmap* Dest, TIEMImageInfo* Entry, int32_t Index, bool Selected) {
  std::lock_guard<TCriticalSection> lock(ThumbnailLock());
  TIEBitmap target;
  target.EncapsulateTBitmap(Dest, false);
  CellPaint c{Dest->Canvas(), &target, Index, Selected, Entry->X - view_x_, Entry->Y - view_y_,
              thumb_width_, thumb_height_, upper_gap_, bottom_gap_};

  if (OnBeforeImageDraw) OnBeforeImageDraw(this, Index, c.x, c.y, c.canvas);
  PlaceCell(c, Dest);
  MeasureInfoBand(c, Entry);
  FillCellBackground(c, Entry);
  c.radius = CornerRoundness > 0 ? std::min(c.w, c.h) / CornerRoundness : 0;
  c.px = c.x;
  c.py = c.y + c.upper;
  c.has_picture = Entry->Image || Entry->Rendering;
  if (Entry->Image && !Entry->Rendering)
    DrawStoredPicture(c, Entry);
  else if (Entry->Rendering)
    DrawRendering(c, Entry);
  if (c.has_picture) DrawPictureSurround(c, Entry);
  if (ShowText) DrawTextBands(c, Entry);
  if (style_ == iemsACD) DrawRaisedFrames(c);
  if (OnImageDraw) OnImageDraw(this, Index, c.x, c.y, c.canvas);
  DrawCellBorderAndSelection(c);
}

void TImagoMView::PlaceCell(CellPaint& c, TBitmap* Dest) {
  // A frame picture is stretched over the whole cell; the cell proper is the
  // frame's inner rectangle.
  c.frames = ThumbnailFrame && ThumbnailFrameSelected;
  if (c.frames) {
    TIEBitmap* frame = c.index == selected_index_ ? ThumbnailFrameSelected.get() : ThumbnailFrame.get();
    if (c.w > 0 && c.h > 0 && !frame->IsEmpty()) {
      TIEBitmap stretched;
      stretched.Allocate(c.w, c.h, frame->PixelFormat());
      ResampleBitmap(frame, &stretched, rfNone);
      DrawPicture(&stretched, c.target, c.x, c.y, enable_alpha_channel_);
    }
    c.x += ThumbnailFrameRect.Left;
    c.y += ThumbnailFrameRect.Top;
    c.w = ThumbnailFrameRect.Right - ThumbnailFrameRect.Left;
    c.h = ThumbnailFrameRect.Bottom - ThumbnailFrameRect.Top;
  }
  // The application may draw its own decoration and give back a smaller
  // rectangle for the rest.
  if (OnBeforeImageDrawEx) {
    TRect r{0, 0, c.w, c.h};
    OnBeforeImageDrawEx(this, c.index, c.x, c.y, Dest, r);
    c.x += r.Left;
    c.y += r.Top;
    c.w = r.Right - r.Left;
    c.h = r.Bottom - r.Top;
  }
}

void TImagoMView::MeasureInfoBand(CellPaint& c, TIEMImageInfo* Entry) {
  // The info band takes its height from the picture area.
  c.info_shown = ShowText && !Entry->InfoText->Text.empty();
  if (c.info_shown) {
    c.canvas->Font()->Assign(Entry->InfoText->Font());
    c.info_height = c.canvas->TextHeight(Entry->InfoText->Text);
  }
  c.ha = c.h - c.bottom - c.upper - c.info_height;
}

void TImagoMView::FillCellBackground(CellPaint& c, TIEMImageInfo* Entry) {
  c.cell_colour = ThumbnailsBackground;
  if (c.selected && selection_style_ == iessACD)
    c.cell_colour = clHighlight;
  else if (draw_image_background_)
    c.cell_colour = Entry->Background;
  if (FillThumbnail && c.w > 0 && c.h > 0)
    PaintBackground(false, c.canvas, c.target, iewoNormal, nullptr, GradientEndColor, ChessboardBrushStyle,
                    ChessboardSize, TRect{0, 0, 0, 0}, TRect{c.x, c.y, c.x + c.w, c.y + c.h}, c.cell_colour,
                    thumbnails_background_style_);
}

void TImagoMView::DrawStoredPicture(CellPaint& c, TIEMImageInfo* Entry) {
  // The stored picture is fitted into the picture area (when it is larger,
  // or always with FitThumbnails), centred, and kept as the rendering so the
  // next paint draws it 1:1.
  TIEBitmap* stored = ilist_->GetBitmap(Entry->Image);
  if (stored && !stored->IsEmpty() && c.w > 0 && c.ha > 0) {
    const int32_t sw = stored->Width(), sh = stored->Height();
    const bool fit = FitThumbnails || c.w < sw || c.ha < sh;
    c.pw = sw;
    c.ph = sh;
    if (fit) {
      const double scale = std::min(static_cast<double>(c.ha) / sh, static_cast<double>(c.w) / sw);
      c.pw = static_cast<int32_t>(std::max<int64_t>(1, Round(sw * scale)));
      c.ph = static_cast<int32_t>(std::max<int64_t>(1, Round(sh * scale)));
    }
    c.px = c.x + std::abs(c.w - c.pw) / 2;
    c.py = c.y + c.upper + std::abs(c.ha - c.ph) / 2;
    std::unique_ptr<TIEBitmap> picture = FittedPicture(stored, c.pw, c.ph);
    if (c.radius > 0) MakeRoundCorners(picture.get(), c.radius, c.radius);
    Entry->ImageRect = TRect{0, 0, c.pw, c.ph};
    if (SoftShadow.Enabled) picture = ShadowedPicture(std::move(picture), c.pw, c.ph, Entry->ImageRect);
    DrawPicture(picture.get(), c.target, c.px, c.py, enable_alpha_channel_);
    if (EnableRenderingCache) {
      Entry->Rendering = icache_->AddBitmap(picture.get());
      if (Entry->Rendering) {
        icache_->SetSourceWidth(Entry->Rendering, ilist_->GetSourceWidth(Entry->Image));
        icache_->SetSourceHeight(Entry->Rendering, ilist_->GetSourceHeight(Entry->Image));
      }
    }
  }
  if (stored) ilist_->ReleaseBitmap(stored, false);
}

std::unique_ptr<TIEBitmap> TImagoMView::FittedPicture(TIEBitmap* Stored, int32_t W, int32_t H) const {
  auto picture = std::make_unique<TIEBitmap>();
  if (Stored->PixelFormat() == ieMono1 && (W < Stored->Width() || H < Stored->Height())) {
    // A shrunken black-and-white picture is smoothed to grey levels, or its
    // thin lines would vanish.
    picture->Allocate(W, H, ieRGB24);
    ResampleBitmap(Stored, picture.get(), rfFastLinear);
  } else if (W == Stored->Width() && H == Stored->Height()) {
    picture->Assign(Stored);
  } else {
    picture->Allocate(W, H, Stored->PixelFormat());
    ResampleBitmap(Stored, picture.get(), ThumbnailDisplayFilter);
  }
  return picture;
}

std::unique_ptr<TIEBitmap> TImagoMView::ShadowedPicture(std::unique_ptr<TIEBitmap> Picture, int32_t W, int32_t H,
                                                        TRect& ImageRect) const {
  // The shadow makes the picture larger; it is scaled back to the fitted size
  // so the cell layout stays, and the picture's own rectangle shrinks with it.
  if (Picture->PixelFormat() != ieRGB24) Picture->ConvertFormat(ieRGB24);
  ApplySoftShadow(Picture.get(), SoftShadow.OffsetX, SoftShadow.OffsetY, nullptr, MakeRGBTriple(0, 0, 0), true,
                  SoftShadow.Radius);
  const int32_t ew = Picture->Width(), eh = Picture->Height();
  const int32_t dx = (ew - W) / 2, dy = (eh - H) / 2;
  auto back = std::make_unique<TIEBitmap>();
  back->Allocate(W, H, ieRGB24);
  ResampleBitmap(Picture.get(), back.get(), rfNone);
  if (ew > 0 && eh > 0)
    ImageRect = TRect{static_cast<int32_t>(Trunc(static_cast<double>(dx) * W / ew)),
                      static_cast<int32_t>(Trunc(static_cast<double>(dy) * H / eh)),
                      static_cast<int32_t>(Trunc(static_cast<double>(W + dx) * W / ew)) + 1,
                      static_cast<int32_t>(Trunc(static_cast<double>(H + dy) * H / eh)) + 1};
  return back;
}

void TImagoMView::DrawRendering(CellPaint& c, TIEMImageInfo* Entry) {
  // A rendering already has its final size: drawn 1:1, centred, always
  // through its alpha channel (the rounded corners live there).
  TIEBitmap* rendering = icache_->GetBitmap(Entry->Rendering);
  if (!rendering) return;
  c.pw = rendering->Width();
  c.ph = rendering->Height();
  c.px = c.x + std::abs(c.w - c.pw) / 2;
  c.py = c.y + c.upper + std::abs(c.ha - c.ph) / 2;
  DrawPicture(rendering, c.target, c.px, c.py, true);
  icache_->ReleaseBitmap(rendering, false);
}

void TImagoMView::DrawPictureSurround(CellPaint& c, TIEMImageInfo* Entry) {
  // The internal border around the picture, then the margins around it in
  // the cell colour.
  TCanvas* canvas = c.canvas;
  if (thumbnails_internal_border_) {
    canvas->Brush()->SetStyle(bsClear);
    canvas->Pen()->SetStyle(psSolid);
    canvas->Pen()->SetMode(pmCopy);
    canvas->Pen()->SetWidth(1);
    canvas->Pen()->SetColor(thumbnails_internal_border_color_);
    const TRect& r = Entry->ImageRect;
    canvas->Rectangle(c.px + r.Left, c.py + r.Top, c.px + r.Right, c.py + r.Bottom);
  }
  if (FillThumbnail) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(c.cell_colour);
    canvas->FillRect(TRect{c.x, c.y, c.px, c.y + c.h});
    canvas->FillRect(TRect{c.px + c.pw, c.y, c.x + c.w, c.y + c.h});
    canvas->FillRect(TRect{c.px, c.y, c.px + c.pw, c.py});
    canvas->FillRect(TRect{c.px, c.py + c.ph, c.px + c.pw, c.y + c.h});
  }
}

void TImagoMView::DrawTextBands(CellPaint& c, TIEMImageInfo* Entry) {
  // The top band at the cell's top, the info band above the bottom gap and
  // the bottom band in the cell's last rows, each cut to the cell's width.
  TCanvas* canvas = c.canvas;
  const int32_t x = c.x, y = c.y, w = c.w, h = c.h;
  auto prepare = [&](TIEMText* band) -> std::string {
    canvas->Font()->Assign(band->Font());
    canvas->Brush()->SetStyle(band->BrushStyle == 1 ? bsClear : bsSolid);
    if (c.selected && selection_style_ == iessACD) {
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
  if (c.info_shown) {
    const std::string t = prepare(Entry->InfoText.get());
    const TSize s = canvas->TextExtent(t);
    const int32_t top = y + h - c.bottom - c.info_height;
    if (style_ == iemsFlat && Entry->InfoText->BrushStyle == 0)
      canvas->FillRect(TRect{x, top, x + w, y + h - c.bottom});
    canvas->TextOut(x + (w - s.cx) / 2, top, t);
  }
  if (!Entry->BottomText->Text.empty()) {
    const std::string t = prepare(Entry->BottomText.get());
    const TSize s = canvas->TextExtent(t);
    const int32_t th = s.cy;
    if (Entry->BottomText->BrushStyle == 0) canvas->FillRect(TRect{x, y + h - th - 1, x + w, y + h});
    canvas->TextOut(x + (w - s.cx - 2) / 2 + 1, y + h - th - 1, t);
    c.bottom_band = th + 3;
  }
}

void TImagoMView::DrawRaisedFrames(CellPaint& c) {
  // The raised style: the picture sunken, the cell above the bottom band
  // raised, and the bottom band sunken.
  const int32_t x = c.x, y = c.y, w = c.w, h = c.h;
  if (c.has_picture && c.pw > 0 && c.ph > 0)
    DrawFrame3D(c.canvas, c.px, c.py, c.px + c.pw - 1, c.py + c.ph - 1, 0x808080, 0xFFFFFF);
  if (c.upper + c.bottom > 0 || c.info_shown)
    DrawFrame3D(c.canvas, x, y, x + w - 1, y + h - c.bottom_band - 1, 0xFFFFFF, 0x000000);
  if (c.bottom_band > 0)
    DrawFrame3D(c.canvas, x, y + h - c.bottom_band + 2, x + w - 1, y + h - 1, 0x808080, 0xFFFFFF);
}

void TImagoMView::DrawCellBorderAndSelection(CellPaint& c) {
  // The border lines and the selection frame lie outside the cell, one line
  // per pixel of width.
  TCanvas* canvas = c.canvas;
  const int32_t x = c.x, y = c.y, w = c.w, h = c.h;
  canvas->Brush()->SetStyle(bsClear);
  canvas->Pen()->SetStyle(psSolid);
  canvas->Pen()->SetMode(pmCopy);
  canvas->Pen()->SetWidth(1);
  if (thumbnails_border_width_ > 0) {
    canvas->Pen()->SetColor(thumbnails_border_color_);
    for (int32_t i = 1; i <= thumbnails_border_width_; ++i) {
      if (c.radius > 0)
        canvas->RoundRect(x - i, y - i, x + w + i, y + h + i, c.radius, c.radius);
      else
        canvas->Rectangle(x - i, y - i, x + w + i, y + h + i);
    }
  }
  // The highlight style shows the selection in the cell's colours; a frame
  // picture or the application's own drawing shows it in its own way.
  if (c.selected && selection_style_ != iessACD && !OnBeforeImageDrawEx && !c.frames) {
    canvas->Pen()->SetColor(selection_color_);
    const int32_t lines = Focused() ? selection_width_ : UnfocusedSelectionWidth;
    for (int32_t i = 1; i <= lines; ++i) canvas->Rectangle(x - i, y - i, x + w + i, y + h + i);
  }
  canvas->Brush()->SetStyle(bsSolid);
}
