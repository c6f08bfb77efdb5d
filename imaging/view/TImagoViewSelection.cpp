// TImagoView: the selection. It is held as polygons in image coordinates
// (what the user drew) and as a mask of the image's size built from them or
// written by the magic wand; the view draws its outline with moving dashes
// and grips, moves and resizes it, and saves it to a stream.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/MagicWand.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TImagoView.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"
#include "ui/TCanvas.h"
#include "ui/TTimer.h"

namespace {

int32_t RoundInt(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<int64_t>(std::clamp(std::nearbyint(v), -9.2e18, 9.2e18)));
}
int32_t TruncInt(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<int64_t>(std::clamp(std::trunc(v), -9.2e18, 9.2e18)));
}

void PutInt(TStream* s, int32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  s->WriteBuffer(b, 4);
}

// A little-endian reader over a block read whole; a short block fails.
struct BlockReader {
  const std::vector<uint8_t>& data;
  size_t pos = 0;
  bool ok = true;
  int32_t Int() {
    if (data.size() - pos < 4) {
      ok = false;
      return 0;
    }
    const uint8_t* b = data.data() + pos;
    pos += 4;
    return static_cast<int32_t>(uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24);
  }
  uint8_t Byte() {
    if (data.size() - pos < 1) {
      ok = false;
      return 0;
    }
    return data[pos++];
  }
};

}  // namespace

// ------------------------------------------------------------ conversions

int32_t TImagoView::ClientToLayerX(int32_t X) const {
  const TIELayer* l = CurrentLayer();
  return l ? l->ClientToLayerX(X) : X;
}
int32_t TImagoView::ClientToLayerY(int32_t Y) const {
  const TIELayer* l = CurrentLayer();
  return l ? l->ClientToLayerY(Y) : Y;
}
int32_t TImagoView::LayerToClientX(int32_t X) const {
  const TIELayer* l = CurrentLayer();
  return l ? l->LayerToClientX(X) : X;
}
int32_t TImagoView::LayerToClientY(int32_t Y) const {
  const TIELayer* l = CurrentLayer();
  return l ? l->LayerToClientY(Y) : Y;
}

// ------------------------------------------------------------ settings

void TImagoView::EnsureMask() {
  const int32_t w = ie_bitmap_ ? ie_bitmap_->Width() : 0, h = ie_bitmap_ ? ie_bitmap_->Height() : 0;
  if (mask_.Width() != w || mask_.Height() != h || mask_.BitsPerPixel() != mask_depth_)
    mask_.AllocateBits(w, h, mask_depth_);  // comes cleared
}

void TImagoView::DropSelectionForNewSize() {
  has_selection_ = false;
  sel_.Clear();
  sel_.Visible = false;
  rect_sel_ = circle_sel_ = poly_sel_ = lasso_sel_ = false;
  sel_grip_ = ieNone;
  sel_move_ = -1;
  moved_rect_ = false;
  // The mask of the new size costs no pass over it: its plane comes zeroed
  // from the system and a page is paid for only when a selection touches it.
  EnsureMask();
}

void TImagoView::SetSelectionOptions(TIESelectionOptions Value) {
  sel_options_ = Value;
  sel_.Animated = Value.Contains(iesoAnimated);
  sel_.Sizeable = Value.Contains(iesoSizeable);
  Update();
}

void TImagoView::SetSelectionAspect(double Value) {
  if (Value == sel_aspect_) return;
  sel_aspect_ = Value;
  // A fixed size cannot be resized.
  TIESelectionOptions o = sel_options_;
  o.Set(iesoSizeable, Value != 0);
  SetSelectionOptions(o);
}

void TImagoView::SetSelectionColors(TColor Colour1, TColor Colour2) {
  sel_.Colour1 = Colour1;
  sel_.Colour2 = Colour2;
}

void TImagoView::SetSelectionMaskDepth(int32_t Value) {
  Value = Value == 8 ? 8 : 1;
  if (Value == mask_depth_) return;
  mask_depth_ = Value;
  Deselect();
  EnsureMask();
}

void TImagoView::SetSelectionShown(bool Value) {
  if (Value == sel_shown_) return;
  sel_shown_ = Value;
  Update();
}

void TImagoView::FireSelectionCallback(const TIEViewNotifyEvent& Event) {
  if (!Event) return;
  // The application sees SelectionBase as it set it.
  const TIESelectionBase mine = sel_base_;
  if (in_mouse_event_) sel_base_ = app_sel_base_;
  Event(this);
  if (in_mouse_event_) {
    app_sel_base_ = sel_base_;
    sel_base_ = mine;
  }
}

// ------------------------------------------------------------ building

void TImagoView::SelectRectCore(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op, bool Square,
                                bool KeepInside) {
  if (X1 == X2 || Y1 == Y2) return;
  if (sel_base_ == iesbClientArea) {
    X1 = ClientToLayerX(X1);
    Y1 = ClientToLayerY(Y1);
    X2 = ClientToLayerX(X2);
    Y2 = ClientToLayerY(Y2);
  }
  EnsureMask();
  const int32_t w = ie_bitmap_->Width(), h = ie_bitmap_->Height();
  has_selection_ = true;
  if (Op == 1 && sel_.Count() > 0)
    sel_.AppendBreak();
  else
    sel_.Clear();
  if (Op == 0) mask_.Clear();
  if (Square && sel_aspect_ < 0) {
    Y2 = SaturateInt32(int64_t{Y1} + X2 - X1);
  } else if (sel_aspect_ > 0) {
    const double a = sel_aspect_;
    Y2 = SaturateInt32(int64_t{RoundInt((double(X2) - X1) * a)} + Y1);
    if (Y2 >= h) X2 = RoundInt(((double(h) - Y1 - 1) + X1 * a) / a);
    if (Y2 < 0) X2 = RoundInt((X1 * a - Y1) / a);
  }
  if (KeepInside) {
    // Shifted whole so that it starts at 0 or more and ends before the edges.
    auto keep = [](int32_t& a, int32_t& b, int32_t limit) {
      int64_t lo = std::min(a, b), hi = std::max(a, b), shift = 0;
      if (hi > limit - 1) shift = limit - 1 - hi;
      if (lo + shift < 0) shift = -lo;
      a = SaturateInt32(a + shift);
      b = SaturateInt32(b + shift);
    };
    keep(X1, X2, w);
    keep(Y1, Y2, h);
  }
  if (X1 > X2) std::swap(X1, X2);
  if (Y1 > Y2) std::swap(Y1, Y2);
  X1 = std::clamp(X1, 0, std::max(w - 1, 0));
  Y1 = std::clamp(Y1, 0, std::max(h - 1, 0));
  X2 = std::clamp(X2, 0, w);
  Y2 = std::clamp(Y2, 0, h);
  sel_.Append(X1, Y1);
  sel_.Append(X2, Y1);
  sel_.Append(X2, Y2);
  sel_.Append(X1, Y2);
  sel_.Visible = true;
  DrawSelection();
}

void TImagoView::Select(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Op) {
  if (X1 == X2 || Y1 == Y2) return;
  SelectRectCore(X1, Y1, X2, Y2, Op, false, false);
  if (Op == 0) mask_.Clear();
  BuildSelectionMask();
  dirty_ = true;
  Paint();
}

void TImagoView::AddSelectionPoint(int32_t X, int32_t Y) {
  EnsureMask();
  if (sel_base_ == iesbClientArea) {
    X = std::clamp(ClientToLayerX(X), 0, ie_bitmap_->Width());
    Y = std::clamp(ClientToLayerY(Y), 0, ie_bitmap_->Height());
  }
  sel_.Append(X, Y);
  has_selection_ = true;
  sel_.Visible = true;
  DrawSelection();
  dirty_ = true;
  Paint();
}

void TImagoView::BuildSelectionMask() {
  // The mask as it stands: a loaded one may still have its stored size.
  if (mask_.Width() == 0 && mask_.Height() == 0) EnsureMask();
  mask_.FillPolygons(SelectionIntensity, sel_.Points(), sel_.Count());
  if (mask_.IsEmpty()) {
    has_selection_ = false;
    sel_.Clear();
  }
}

void TImagoView::Deselect() {
  if (has_selection_) {
    has_selection_ = false;
    sel_.Visible = false;
    if (UpdateLockCount() == 0) {
      dirty_ = true;
      Paint();
    }
  }
  sel_.Clear();
  EnsureMask();
  mask_.Clear();
  rect_sel_ = circle_sel_ = poly_sel_ = lasso_sel_ = false;
  sel_grip_ = ieNone;
  sel_move_ = -1;
  moved_rect_ = false;
  rubber_band_ = false;
  RestoreCursor();
  Update();
}

int32_t TImagoView::SelectionX1() const {
  return GestureInProgress() || moved_rect_ ? sel_.BoxLeft : mask_.Left;
}
int32_t TImagoView::SelectionY1() const {
  return GestureInProgress() || moved_rect_ ? sel_.BoxTop : mask_.Top;
}
int32_t TImagoView::SelectionX2() const {
  return GestureInProgress() || moved_rect_ ? sel_.BoxRight - 1 : mask_.Right;
}
int32_t TImagoView::SelectionY2() const {
  return GestureInProgress() || moved_rect_ ? sel_.BoxBottom - 1 : mask_.Bottom;
}

// ------------------------------------------------------------ moving and resizing

void TImagoView::MoveSelection(int32_t DX, int32_t DY) {
  const bool rect = sel_.IsRectangle();
  const bool cut = sel_options_.Contains(iesoCutBorders);
  if (!rect) mask_.MoveBits(DX, DY, cut);
  if (DX == 0 && DY == 0) return;
  if (UpdateLockCount() == 0) {
    dirty_ = true;
    Paint();
  }
  const int64_t w = ie_bitmap_->Width(), h = ie_bitmap_->Height();
  const int64_t l = sel_.BoxLeft, t = sel_.BoxTop, r = sel_.BoxRight, b = sel_.BoxBottom;
  int64_t dx = DX, dy = DY;
  if (cut) {
    // The box may leave the image partly, never entirely.
    dx = std::clamp<int64_t>(dx, 1 - r, w - 1 - l);
    dy = std::clamp<int64_t>(dy, 1 - b, h - 1 - t);
  } else {
    dx = std::min(std::max(dx, -l), w - r);
    dy = std::min(std::max(dy, -t), h - b);
    if (l + dx >= w || t + dy >= h || r + dx <= 0 || b + dy <= 0) return;
  }
  auto cx = [&](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, w)); };
  auto cy = [&](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, 0, h)); };
  sel_.BoxLeft = cx(l + dx);
  sel_.BoxRight = cx(r + dx);
  sel_.BoxTop = cy(t + dy);
  sel_.BoxBottom = cy(b + dy);
  for (int32_t i = 0; i < sel_.Count(); ++i)
    if (!sel_.IsBreak(i)) sel_.SetPoint(i, cx(sel_.X(i) + dx), cy(sel_.Y(i) + dy));
  if (rect) moved_rect_ = true;
  DrawSelection();
}

void TImagoView::RememberSelectionBox() {
  sel_box_at_press_[0] = sel_.BoxLeft;
  sel_box_at_press_[1] = sel_.BoxTop;
  sel_box_at_press_[2] = sel_.BoxRight - 1;
  sel_box_at_press_[3] = sel_.BoxBottom - 1;
}

TIEGrip TImagoView::ResizeSelection(TIEGrip Grip, int32_t X, bool KeepAspect, int32_t Y) {
  if (!sel_.IsRectangle()) return Grip;
  // Called outside a grip drag, the box at hand is the one to keep the ratio of.
  if (sel_grip_ == ieNone) RememberSelectionBox();
  const int32_t iw = ie_bitmap_->Width(), ih = ie_bitmap_->Height();
  int32_t x = ClientToLayerX(X), y = ClientToLayerY(Y);
  int32_t g = Grip;
  if (KeepAspect) {
    const double x10 = sel_box_at_press_[0], y10 = sel_box_at_press_[1];
    const double x20 = sel_box_at_press_[2], y20 = sel_box_at_press_[3];
    const double height = y20 - y10 + 1;
    if (height == 0) return Grip;
    const double r = sel_aspect_ > 0 ? 1 / sel_aspect_ : (x20 - x10 + 1) / height;
    // A box of no width has no ratio to keep.
    if (!(r > 0) || !std::isfinite(r)) return Grip;
    // The steps end at the latest when the coordinate has crossed the image.
    const int32_t guard = std::max(iw, ih) + 2;
    switch (g) {
      case ieTopLeft:
      case ieLeftSide:
        g = ieTopLeft;
        y = RoundInt(y20 + 1 + (x - x20 - 1) / r);
        for (int32_t k = 0; y < 0 && k < guard; ++k) y = RoundInt(y20 + 1 + (++x - x20 - 1) / r);
        break;
      case ieTopRight:
        y = RoundInt(y20 + (x10 - x - 1) / r);
        for (int32_t k = 0; y < 0 && k < guard; ++k) y = RoundInt(y20 + (x10 - --x - 1) / r);
        break;
      case ieBottomRight:
      case ieRightSide:
        g = ieBottomRight;
        y = RoundInt(y10 + (x - x10 + 1) / r - 1);
        break;
      case ieBottomLeft:
        y = RoundInt(y10 + 1 + (x20 - x + 1) / r);
        for (int32_t k = 0; y > ih && k < guard; ++k) y = RoundInt(y10 + 1 + (x20 - ++x + 1) / r);
        break;
      case ieTopSide:
        g = ieTopLeft;
        x = RoundInt(x20 + 1 + r * (y - y20 - 1));
        for (int32_t k = 0; x < 0 && k < guard; ++k) x = RoundInt(x20 + 1 + r * (++y - y20 - 1));
        break;
      case ieBottomSide:
        g = ieBottomRight;
        x = RoundInt(x10 - 1 + r * (y - y10 + 1));
        for (int32_t k = 0; x > iw && k < guard; ++k) x = RoundInt(x10 - 1 + r * (--y - y10 + 1));
        break;
      default:
        break;
    }
  }
  // Right and bottom edges are exclusive.
  if (g == ieTopRight || g == ieBottomRight || g == ieRightSide) ++x;
  if (g == ieBottomRight || g == ieBottomLeft || g == ieBottomSide) ++y;
  int32_t x1 = sel_.BoxLeft, y1 = sel_.BoxTop, x2 = sel_.BoxRight, y2 = sel_.BoxBottom;
  if (g == ieTopLeft || g == ieBottomLeft || g == ieLeftSide) x1 = x == x2 ? x - 1 : x;
  if (g == ieTopRight || g == ieBottomRight || g == ieRightSide) x2 = x == x1 ? x + 1 : x;
  if (g == ieTopLeft || g == ieTopRight || g == ieTopSide) y1 = y == y2 ? y - 1 : y;
  if (g == ieBottomRight || g == ieBottomLeft || g == ieBottomSide) y2 = y == y1 ? y + 1 : y;
  TIEGrip result = Grip;
  if (x1 > x2) {
    switch (result) {
      case ieTopLeft: result = ieTopRight; break;
      case ieTopRight: result = ieTopLeft; break;
      case ieBottomLeft: result = ieBottomRight; break;
      case ieBottomRight: result = ieBottomLeft; break;
      case ieLeftSide: result = ieRightSide; break;
      case ieRightSide: result = ieLeftSide; break;
      default: break;
    }
  }
  if (y1 > y2) {
    switch (result) {
      case ieTopRight: result = ieBottomRight; break;
      case ieBottomRight: result = ieTopRight; break;
      case ieTopLeft: result = ieBottomLeft; break;
      case ieBottomLeft: result = ieTopLeft; break;
      case ieTopSide: result = ieBottomSide; break;
      case ieBottomSide: result = ieTopSide; break;
      default: break;
    }
  }
  sel_.Clear();
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  if (KeepAspect) {
    // One edge comes back into the image along the ratio.
    const double x10 = sel_box_at_press_[0], y10 = sel_box_at_press_[1];
    const double x20 = sel_box_at_press_[2], y20 = sel_box_at_press_[3];
    const double r = sel_aspect_ > 0 ? 1 / sel_aspect_ : (x20 - x10 + 1) / (y20 - y10 + 1);
    const double c = 1 / r;
    if (y2 >= ih)
      x2 = RoundInt((c * x1 + ih - y1 - 1) / c);
    else if (y1 < 0)
      x1 = RoundInt((c * x2 - y2) / c);
    else if (x2 >= iw)
      y2 = RoundInt(c * (double(iw) - x1 - 1) + y1);
    else if (x1 < 0)
      y1 = RoundInt(y2 - c * x2);
  }
  x1 = std::clamp(x1, 0, iw);
  x2 = std::clamp(x2, 0, iw);
  y1 = std::clamp(y1, 0, ih);
  y2 = std::clamp(y2, 0, ih);
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  sel_.Append(x1, y1);
  sel_.Append(x2, y1);
  sel_.Append(x2, y2);
  sel_.Append(x1, y2);
  sel_.Visible = true;
  DrawSelection();
  return result;
}

TIEGrip TImagoView::GetGripAt(int32_t X, int32_t Y, TShiftState Shift) {
  if (!sel_.Visible || !sel_options_.Contains(iesoSizeable) || !sel_.IsRectangle() || rect_sel_ ||
      Shift.Contains(ssShift))
    return ieNone;
  int32_t cx[4], cy[4];
  for (int32_t i = 0; i < 4; ++i) {
    cx[i] = LayerToClientX(sel_.X(i));
    cy[i] = LayerToClientY(sel_.Y(i));
  }
  static const TIEGrip corners[4] = {ieTopLeft, ieTopRight, ieBottomRight, ieBottomLeft};
  for (int32_t i = 0; i < 4; ++i)
    if (std::abs(int64_t{X} - cx[i]) <= GripSize && std::abs(int64_t{Y} - cy[i]) <= GripSize) return corners[i];
  const int32_t l = std::min(cx[0], cx[2]), r = std::max(cx[0], cx[2]);
  const int32_t t = std::min(cy[0], cy[2]), b = std::max(cy[0], cy[2]);
  const bool along_y = Y >= t && Y <= b, along_x = X >= l && X <= r;
  if (along_y && std::abs(int64_t{X} - l) < 3) return ieLeftSide;
  if (along_y && std::abs(int64_t{X} - r) < 3) return ieRightSide;
  if (along_x && std::abs(int64_t{Y} - t) < 3) return ieTopSide;
  if (along_x && std::abs(int64_t{Y} - b) < 3) return ieBottomSide;
  return ieNone;
}

int32_t TImagoView::MovableSelectionAt(int32_t X, int32_t Y, TShiftState Shift) {
  if (Shift.Contains(ssShift) || mask_.IsEmpty() || GestureInProgress()) return -1;
  const int32_t x = ClientToLayerX(X), y = ClientToLayerY(Y);
  if (x < 0 || y < 0 || x >= mask_.Width() || y >= mask_.Height() || !mask_.IsPointInside(x, y)) return -1;
  return sel_options_.Contains(iesoMoveable) ? 0 : -1;
}

void TImagoView::ZoomSelection(bool KeepAspect) {
  if (!has_selection_) return;
  const int32_t left = SelectionX1(), top = SelectionY1();
  const int64_t w = int64_t{SelectionX2()} - left + 1, h = int64_t{SelectionY2()} - top + 1;
  if (left < 0 || top < 0 || w < 2 || h < 2) return;
  Deselect();
  if (KeepAspect) {
    SetZoom(std::min(Height() / (h / 100.0), Width() / (w / 100.0)));
  } else {
    SetZoomX(Width() / (w / 100.0));
    SetZoomY(Height() / (h / 100.0));
  }
  const double zx = zoom_x_ / 100, zy = zoom_y_ / 100;
  SetViewXY(SaturateInt32(int64_t{TruncInt(left * zx)} - (int64_t{GetViewWidth()} - TruncInt(w * zx)) / 2),
            SaturateInt32(int64_t{TruncInt(top * zy)} - (int64_t{GetViewHeight()} - TruncInt(h * zy)) / 2));
}

void TImagoView::MagicWandAt(int32_t X, int32_t Y, bool Add) {
  if (sel_base_ == iesbClientArea) {
    X = ClientToLayerX(X);
    Y = ClientToLayerY(Y);
  }
  if (X < 0 || Y < 0 || X >= ie_bitmap_->Width() || Y >= ie_bitmap_->Height()) return;
  EnsureMask();
  int32_t count = 0;
  std::vector<int32_t> points;
  if (MagicWandMode == 0) points = MagicWandPolygon(ie_bitmap_, X, Y, count, MagicWandTolerance, MagicWandGrow);
  // A region whose outline is too large to trace is selected as a region.
  const int32_t mode = MagicWandMode == 0 && count == 0 ? 1 : MagicWandMode;
  if (mode == 1 || mode == 2) {
    if (!Add) {
      sel_.Clear();
      mask_.Clear();
    }
    if (mode == 1)
      MagicWandFill(ie_bitmap_, X, Y, SelectionIntensity, &mask_, MagicWandTolerance, MagicWandGrow);
    else
      SelectSimilarColors(ie_bitmap_, X, Y, SelectionIntensity, &mask_, MagicWandTolerance);
    mask_.SyncFull();
    has_selection_ = !mask_.IsEmpty();
    sel_.Visible = true;
  } else if (count > 0) {
    has_selection_ = true;
    if (Add)
      sel_.AppendBreak();
    else
      sel_.Clear();
    const int32_t w = ie_bitmap_->Width(), h = ie_bitmap_->Height();
    for (int32_t i = 0; i < count; ++i)
      sel_.Append(std::clamp(points[2 * i], 0, w), std::clamp(points[2 * i + 1], 0, h));
    if (!Add) mask_.Clear();
    BuildSelectionMask();
    sel_.Visible = true;
  }
  dirty_ = true;
  Paint();
}

// ------------------------------------------------------------ streams

void TImagoView::SaveSelectionToStream(TStream* Stream) {
  EnsureMask();
  PutInt(Stream, mask_.Width());
  PutInt(Stream, mask_.Height());
  PutInt(Stream, sel_.Count());
  for (int32_t i = 0; i < sel_.Count(); ++i) {
    PutInt(Stream, sel_.X(i));
    PutInt(Stream, sel_.Y(i));
  }
  for (int32_t v : {sel_.BoxLeft, sel_.BoxTop, sel_.BoxRight, sel_.BoxBottom}) PutInt(Stream, v);
  const uint8_t flag = has_selection_ ? 1 : 0;
  Stream->WriteBuffer(&flag, 1);
  PutInt(Stream, mask_.BitsPerPixel());
  for (int32_t v : {mask_.Left, mask_.Top, mask_.Right, mask_.Bottom}) PutInt(Stream, v);
  const uint8_t full = mask_.Full ? 1 : 0;
  Stream->WriteBuffer(&full, 1);
  // Rows bottom-up, as the mask keeps them.
  for (int32_t y = mask_.Height() - 1; y >= 0; --y) Stream->WriteBuffer(mask_.GetScanline(y), mask_.RowLen());
}

bool TImagoView::LoadSelectionFromStream(TStream* Stream) {
  // The block carries no length: its sizes are checked against what the
  // stream holds, and nothing changes until all of it has been read.
  const int64_t start = Stream->Position();
  const int64_t available = Stream->Size() - start;
  auto refuse = [&] {
    Stream->SetPosition(start);
    return false;
  };
  if (available < 12) return refuse();
  std::vector<uint8_t> head(12);
  Stream->ReadBuffer(head.data(), 12);
  BlockReader hr{head};
  const int32_t mw = hr.Int(), mh = hr.Int(), n = hr.Int();
  if (mw < 0 || mh < 0 || n < 0) return refuse();
  constexpr int64_t kTail = 16 + 1 + 4 + 16 + 1;
  const int64_t point_bytes = int64_t{n} * 8;
  if (point_bytes > available - 12 - kTail) return refuse();
  std::vector<uint8_t> body(static_cast<size_t>(point_bytes + kTail));
  Stream->ReadBuffer(body.data(), static_cast<int64_t>(body.size()));
  BlockReader r{body};
  std::vector<int32_t> points(static_cast<size_t>(n) * 2);
  for (int32_t& v : points) v = r.Int();
  int32_t poly_box[4];
  for (int32_t& v : poly_box) v = r.Int();
  const uint8_t flag = r.Byte();
  const int32_t bpp = r.Int();
  int32_t box[4];
  for (int32_t& v : box) v = r.Int();
  const uint8_t full = r.Byte();
  if (!r.ok || flag > 1 || full > 1 || (bpp != 1 && bpp != 8)) return refuse();
  for (int32_t i = 0; i < n; ++i) {
    const int32_t x = points[2 * i], y = points[2 * i + 1];
    const bool brk = x == TIESelectionPolygon::kBreak && y == TIESelectionPolygon::kBreak;
    if (!brk && (x < 0 || y < 0 || x > mw || y > mh)) return refuse();
  }
  const bool empty_box = box[0] == INT32_MAX && box[1] == INT32_MAX && box[2] == 0 && box[3] == 0;
  if (!empty_box && !(box[0] >= 0 && box[0] <= box[2] && box[2] < mw && box[1] >= 0 && box[1] <= box[3] &&
                      box[3] < mh))
    return refuse();
  const int64_t row_len = AlignedRowLength(mw, bpp, 32);
  if (mh > 0 && row_len > (available - 12 - static_cast<int64_t>(body.size())) / mh) return refuse();
  const int64_t rows_bytes = row_len * mh;
  std::vector<uint8_t> rows(static_cast<size_t>(rows_bytes));
  if (rows_bytes > 0) Stream->ReadBuffer(rows.data(), rows_bytes);

  // 1. The block becomes the selection.
  sel_.Assign(points.data(), n);
  sel_.BoxLeft = poly_box[0];
  sel_.BoxTop = poly_box[1];
  sel_.BoxRight = poly_box[2];
  sel_.BoxBottom = poly_box[3];
  has_selection_ = flag != 0;
  mask_depth_ = bpp;
  mask_.AllocateBits(mw, mh, bpp);
  for (int32_t i = 0; i < mh; ++i)
    std::memcpy(mask_.GetScanline(mh - 1 - i), rows.data() + row_len * i, static_cast<size_t>(row_len));
  mask_.Left = box[0];
  mask_.Top = box[1];
  mask_.Right = box[2];
  mask_.Bottom = box[3];
  mask_.Full = full != 0;
  rect_sel_ = circle_sel_ = poly_sel_ = lasso_sel_ = false;
  moved_rect_ = false;
  // 2. Shown.
  sel_.Visible = true;
  DrawSelection();
  Update();
  // 3. A selection stored for an image of another size is moved to fit and
  // its mask resized to the image.
  const int32_t iw = ie_bitmap_->Width(), ih = ie_bitmap_->Height();
  if (iw == mw && ih == mh) return true;
  if (!mask_.IsEmpty()) {
    if (iw < mask_.Right) {
      MoveSelection((iw - (mask_.Right - mask_.Left + 1)) - mask_.Left, 0);
      BuildSelectionMask();
    }
    if (ih < mask_.Bottom) {
      MoveSelection(0, (ih - (mask_.Bottom - mask_.Top + 1)) - mask_.Top);
      BuildSelectionMask();
    }
  }
  mask_.Resize(iw, ih);
  // A selection larger than the image cannot be moved inside it: its points
  // are clamped to the image like the mask, so that it saves and loads again.
  for (int32_t i = 0; i < sel_.Count(); ++i) {
    const int32_t x = sel_.X(i), y = sel_.Y(i);
    if (x == TIESelectionPolygon::kBreak && y == TIESelectionPolygon::kBreak) continue;
    sel_.SetPoint(i, std::clamp(x, 0, iw), std::clamp(y, 0, ih));
  }
  return true;
}

void TImagoView::SaveSelection() {
  auto s = std::make_unique<TMemoryStream>();
  SaveSelectionToStream(s.get());
  saved_selections_.push_back(std::move(s));
}

bool TImagoView::RestoreSelection() {
  if (saved_selections_.empty()) return false;
  std::unique_ptr<TMemoryStream> s = std::move(saved_selections_.back());
  saved_selections_.pop_back();
  s->SetPosition(0);
  return LoadSelectionFromStream(s.get());
}
