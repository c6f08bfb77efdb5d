// TImagoView: what the mouse does over the view by MouseInteract. The layer
// modes move the current layer by dragging it and resize it by its grips;
// the other items are kept in the set but have no handling here yet.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TIELayer.h"
#include "imaging/view/TImagoView.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "rtl/Numeric.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"

namespace {

// Layer grips as FindLayerGrip numbers them.
enum : int32_t {
  kGripNone,
  kGripTopLeft,
  kGripTopRight,
  kGripBottomRight,
  kGripBottomLeft,
  kGripLeft,
  kGripRight,
  kGripTop,
  kGripBottom
};

// The cursors shown over grips and movable layers, from the standard set.
constexpr TCursor kCursorMove = crSizeAll;

TCursor GripCursor(int32_t Grip) {
  switch (Grip) {
    case kGripTopLeft:
    case kGripBottomRight:
      return crSizeNWSE;
    case kGripTopRight:
    case kGripBottomLeft:
      return crSizeNESW;
    case kGripLeft:
    case kGripRight:
      return crSizeWE;
    case kGripTop:
    case kGripBottom:
      return crSizeNS;
    default:
      return crDefault;
  }
}


int32_t TruncToInt(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<int64_t>(std::clamp(std::trunc(v), -9.2e18, 9.2e18)));
}

// A size set by the mouse never goes below 1.
int32_t AtLeastOne(int64_t v) { return SaturateInt32(std::max<int64_t>(1, v)); }

const TIEMouseInteract kLayerItems{miMoveLayers, miResizeLayers};
const TIEMouseInteract kSelectionItems{miSelect,          miSelectPolygon, miSelectCircle,
                                       miSelectZoom,      miSelectMagicWand, miSelectLasso};

}  // namespace

// ------------------------------------------------------------ the set

void TImagoView::SetMouseInteract(TIEMouseInteract Value) {
  if (Value == mouse_interact_) return;
  // The first item newly added decides what stays of Value, tried in this
  // order; an item of Value only stays when it is listed with it.
  struct Rule {
    TIEMouseInteractItems added;
    TIEMouseInteract keep;
  };
  static const Rule rules[] = {
      {miScroll, {miZoom, miScroll}},
      {miSelect, {miZoom, miSelect}},
      {miSelectPolygon, {miSelectPolygon}},
      {miSelectCircle, {miZoom, miSelectCircle}},
      {miSelectLasso, {miZoom, miSelectLasso}},
      {miSelectZoom, {miZoom, miSelectZoom}},
      {miZoom, {miZoom, miScroll, miSelect, miSelectCircle, miSelectZoom, miSelectLasso}},
      {miSelectMagicWand, {miSelectMagicWand}},
  };
  TIEMouseInteract result = Value;
  bool ruled = false;
  for (const Rule& r : rules) {
    if (Value.Contains(r.added) && !mouse_interact_.Contains(r.added)) {
      result = Value * r.keep;
      ruled = true;
      break;
    }
  }
  if (!ruled && !(Value * kLayerItems).Empty()) result = Value * kLayerItems;
  const bool layers_changed = !((result * kLayerItems) == (mouse_interact_ * kLayerItems));
  mouse_interact_ = result;
  // The current layer's box and grips follow the layer items.
  if (layers_changed) Update();
}

// ------------------------------------------------------------ cursors

void TImagoView::ShowTempCursor(TCursor C) {
  if (!cursor_enabled_) return;
  showing_temp_cursor_ = true;
  SetCursor(C);
  showing_temp_cursor_ = false;
  // Shown at once while the pointer is over the view or the view holds it,
  // unless the screen shows one cursor everywhere.
  if (!Screen || Screen->Cursor() != crDefault || !HandleAllocated()) return;
  TPoint p;
  if (GetCapture() == Handle() || (GetCursorPos(&p) && WindowFromPoint(p) == Handle()))
    ::SetCursor(Screen->Cursors(C));
}

// ------------------------------------------------------------ positions

void TImagoView::ClampToCurrentLayer(int32_t& X, int32_t& Y) const {
  const TIELayer* l = CurrentLayer();
  if (!l) return;
  X = std::clamp(X, l->ClientLeft, std::max(l->ClientLeft, SaturateInt32(int64_t{l->ClientRight} + 1)));
  Y = std::clamp(Y, l->ClientTop, std::max(l->ClientTop, SaturateInt32(int64_t{l->ClientBottom} + 1)));
}

void TImagoView::ShiftMousePositions(int32_t DX, int32_t DY) {
  last_x_ -= DX;
  last_y_ -= DY;
  prev_x_ -= DX;
  prev_y_ -= DY;
  raw_press_x_ -= DX;
  raw_press_y_ -= DY;
}

void TImagoView::AutoScrollWhileDragging() {
  if (!HandleAllocated()) return;
  // The origin moves each round, so this ends at the latest where the image
  // cannot scroll further; the cap only guards against a pointer that keeps
  // jumping from one side to the other.
  for (int32_t round = 0; round < (1 << 20); ++round) {
    TPoint p;
    if (!GetCursorPos(&p)) return;
    p = ScreenToClient(p);
    const int32_t left = off_x_, right = off_x_ + ext_x_, top = off_y_, bottom = off_y_ + ext_y_;
    const int32_t dx = p.X < left ? p.X - left : p.X > right - 1 ? p.X - (right - 1) : 0;
    const int32_t dy = p.Y < top ? p.Y - top : p.Y > bottom - 1 ? p.Y - (bottom - 1) : 0;
    if (dx == 0 && dy == 0) return;
    const int32_t ox = view_x_, oy = view_y_;
    SetViewXY(SaturateInt32(int64_t{view_x_} + dx), SaturateInt32(int64_t{view_y_} + dy));
    if (view_x_ == ox && view_y_ == oy) return;
    // The remembered points keep showing the same image pixels: they move by
    // what the origin did, which is less than (dx, dy) at the far end.
    press_x_ -= view_x_ - ox;
    press_y_ -= view_y_ - oy;
    ShiftMousePositions(view_x_ - ox, view_y_ - oy);
    // So does the box a grip is measured from.
    layer_box_at_press_.Left -= view_x_ - ox;
    layer_box_at_press_.Right -= view_x_ - ox;
    layer_box_at_press_.Top -= view_y_ - oy;
    layer_box_at_press_.Bottom -= view_y_ - oy;
  }
}

// ------------------------------------------------------------ press

void TImagoView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseDown(Button, Shift, X, Y);
  TCustomForm* form = GetParentForm(this);
  if (form && form->Visible() && CanFocus()) SetFocus();
  if (Button == mbRight && Shift.Contains(ssLeft)) return;
  if (Button != mbLeft && !mouse_interact_.Contains(miZoom)) return;
  if (!mouse_interact_.Contains(miScroll) && DelayZoomFilter && !mouse_filter_saved_) {
    // Dragging redraws without the filter until the release.
    mouse_zoom_filter_ = zoom_filter_;
    mouse_filter_saved_ = true;
    zoom_filter_ = rfNone;
  }
  raw_press_x_ = X;
  raw_press_y_ = Y;
  ClampToCurrentLayer(X, Y);
  press_x_ = last_x_ = prev_x_ = X;
  press_y_ = last_y_ = prev_y_ = Y;
  press_view_x_ = view_x_;
  press_view_y_ = view_y_;
  if (Button != mbLeft) return;
  // A drag whose release never came (the capture was taken away) ends here.
  moving_layer_ = -1;
  layer_grip_ = kGripNone;
  if (!(mouse_interact_ * kSelectionItems).Empty()) return;

  if (mouse_interact_.Contains(miResizeLayers)) {
    layer_grip_ = FindLayerGrip(X, Y);
    if (layer_grip_ != kGripNone) {
      const TIELayer* l = CurrentLayer();
      layer_box_at_press_ = TRect{l->ClientLeft, l->ClientTop, l->ClientRight, l->ClientBottom};
    }
  }
  if (layer_grip_ == kGripNone && mouse_interact_.Contains(miMoveLayers)) {
    const int32_t hit = FindLayerAt(X, Y);
    if (hit >= 0) {
      moving_layer_ = hit;
      SetCurrentLayer(hit);
      DoLayerNotify(hit, ielSelected);
      if (!Layer(hit)->Locked) ShowTempCursor(kCursorMove);
    }
  }
}

// ------------------------------------------------------------ move

void TImagoView::ResizeLayerByGrip(TShiftState Shift, int32_t X, int32_t Y) {
  TIELayer* l = CurrentLayer();
  int32_t grip = layer_grip_;
  const TRect& box = layer_box_at_press_;
  const int32_t iw = l->Bitmap ? l->Bitmap->Width() : 0, ih = l->Bitmap ? l->Bitmap->Height() : 0;
  if ((Shift.Contains(ssAlt) || ForceSquare) && iw > 0 && ih > 0) {
    // One coordinate of the mouse follows from the other through the
    // image's aspect, measured from the box at the press.
    const double r = static_cast<double>(ih) / iw;
    switch (grip) {
      case kGripTopRight:
        Y = SaturateInt32(int64_t{TruncToInt(r * (double(box.Right) - X))} + box.Top);
        break;
      case kGripBottomLeft:
      case kGripLeft:
        Y = SaturateInt32(int64_t{TruncToInt(r * (double(box.Left) - X))} + box.Bottom);
        grip = kGripBottomLeft;
        break;
      case kGripTopLeft:
      case kGripBottomRight:
      case kGripRight:
        Y = SaturateInt32(int64_t{TruncToInt(r * (double(X) - box.Left))} + box.Top);
        if (grip == kGripRight) grip = kGripBottomRight;
        break;
      case kGripTop:
      case kGripBottom:
        X = SaturateInt32(int64_t{TruncToInt((double(Y) - box.Top) / r)} + box.Left);
        grip = grip == kGripTop ? kGripTopLeft : kGripBottomRight;
        break;
      default:
        break;
    }
  }
  const int64_t fx = ScreenToImageX(X), fy = ScreenToImageY(Y);
  const int64_t px = ScreenToImageX(last_x_), py = ScreenToImageY(last_y_);
  const int64_t w = l->LayerWidth(), h = l->LayerHeight();
  // The far sides move from the image position of the box at the press.
  auto width_from_left = [&] { l->Width = AtLeastOne(fx - ScreenToImageX(box.Left)); };
  auto height_from_top = [&] { l->Height = AtLeastOne(fy - ScreenToImageY(box.Top)); };
  // The near sides keep the far side in place; the position moves only
  // while the size is above 1.
  auto width_and_left = [&] {
    l->Width = AtLeastOne(l->PosX + w - fx);
    if (l->Width > 1) l->PosX = SaturateInt32(fx);
  };
  auto height_and_top = [&] {
    l->Height = AtLeastOne(l->PosY + h - fy);
    if (l->Height > 1) l->PosY = SaturateInt32(fy);
  };
  switch (grip) {
    case kGripTopLeft:
      width_and_left();
      height_and_top();
      break;
    case kGripTopRight:
      l->Width = AtLeastOne(fx - l->PosX);
      height_and_top();
      break;
    case kGripBottomRight:
      width_from_left();
      height_from_top();
      break;
    case kGripBottomLeft:
      width_and_left();
      height_from_top();
      break;
    case kGripLeft:
      l->Width = AtLeastOne(w + px - fx);
      if (l->Width > 1) l->PosX = SaturateInt32(l->PosX + fx - px);
      break;
    case kGripRight:
      width_from_left();
      break;
    case kGripTop:
      height_and_top();
      break;
    case kGripBottom:
      l->Height = AtLeastOne(h + fy - py);
      break;
    default:
      break;
  }
}

void TImagoView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseMove(Shift, X, Y);
  ClampToCurrentLayer(X, Y);
  const bool held = GetCaptureControl() == this;
  if (held) {
    TIELayer* current = CurrentLayer();
    if (layer_grip_ != kGripNone && current && !current->Locked) {
      AutoScrollWhileDragging();
      ResizeLayerByGrip(Shift, X, Y);
      Update();
      DoLayerNotify(current_layer_, ielResizing);
    } else if (moving_layer_ >= 0 && Layer(moving_layer_) && !Layer(moving_layer_)->Locked) {
      AutoScrollWhileDragging();
      TIELayer* l = Layer(moving_layer_);
      l->PosX = SaturateInt32(int64_t{l->PosX} + ScreenToImageX(X) - ScreenToImageX(last_x_));
      l->PosY = SaturateInt32(int64_t{l->PosY} + ScreenToImageY(Y) - ScreenToImageY(last_y_));
      Update();
      DoLayerNotify(moving_layer_, ielMoving);
    }
  } else if (!(mouse_interact_ * kLayerItems).Empty()) {
    const TIELayer* current = CurrentLayer();
    const int32_t grip =
        mouse_interact_.Contains(miResizeLayers) && current && !current->Locked ? FindLayerGrip(X, Y) : kGripNone;
    if (grip != kGripNone) {
      ShowTempCursor(GripCursor(grip));
    } else {
      const int32_t hit = FindLayerAt(X, Y);
      if (hit >= 0 && !Layer(hit)->Locked && mouse_interact_.Contains(miMoveLayers))
        ShowTempCursor(kCursorMove);
      else
        RestoreCursor();
    }
  }
  prev_x_ = last_x_;
  prev_y_ = last_y_;
  last_x_ = X;
  last_y_ = Y;
}

// ------------------------------------------------------------ release

void TImagoView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft) {
    if (moving_layer_ >= 0) {
      RestoreCursor();
      DoLayerNotify(moving_layer_, ielMoved);
    }
    if (layer_grip_ != kGripNone) {
      DoLayerNotify(current_layer_, ielResized);
      Update();
    }
    moving_layer_ = -1;
    layer_grip_ = kGripNone;
  }
  if (mouse_filter_saved_) {
    mouse_filter_saved_ = false;
    // What was drawn during the drag is drawn again with the filter.
    if (zoom_filter_ != mouse_zoom_filter_) {
      zoom_filter_ = mouse_zoom_filter_;
      Update();
    }
  }
}
