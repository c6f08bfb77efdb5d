// TImagoView: what the mouse, the wheel and the keys do over the view by
// MouseInteract: zoom by clicks, scroll by dragging, draw, move and resize
// selections, move and resize layers.
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

// The cursors shown over grips and movable layers and while dragging to
// scroll: the view's own, registered by every view (RegisterViewCursors).
constexpr TCursor kCursorMove = 1790;
constexpr TCursor kCursorScroll = 1782;
// The normal cross-hairs and their Shift forms, shown while Shift adds to
// the selection.
constexpr TCursor kCursorCross3 = 1785, kCursorCross3Add = 1791;
constexpr TCursor kCursorCross2 = 1793, kCursorCross2Add = 1794;

TCursor GripCursor(int32_t Grip) {
  switch (Grip) {
    case kGripTopLeft:
    case kGripBottomRight:
      return 1786;
    case kGripTopRight:
    case kGripBottomLeft:
      return 1788;
    case kGripLeft:
    case kGripRight:
      return 1789;
    case kGripTop:
    case kGripBottom:
      return 1787;
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

int32_t RoundToInt(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<int64_t>(std::clamp(std::nearbyint(v), -9.2e18, 9.2e18)));
}

// The click-zoom steps below 100 %.
constexpr double kZoomSteps[] = {2, 5, 10, 25, 33, 50, 75, 100};

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
  if (poly_sel_ && mouse_interact_.Contains(miSelectPolygon)) {
    // The polygon being drawn ends here, without its last point.
    sel_.DropLast();
    mask_.Clear();
    BuildSelectionMask();
    poly_sel_ = lasso_sel_ = false;
    Invalidate();
  }
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
  // The overlay waits until the scrolling is over.
  struct Scrolling {
    bool& flag;
    ~Scrolling() { flag = false; }
  } scrolling{auto_scrolling_};
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
    auto_scrolling_ = true;
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

// ------------------------------------------------------------ selection gestures

void TImagoView::SelectRectTo(int32_t X, int32_t Y, TShiftState Shift) {
  int32_t x1 = press_x_, y1 = press_y_, x2 = X, y2 = Y;
  if (sel_aspect_ == 0) {
    // A rectangle of the fixed size centred on the press point.
    const int32_t hw = RoundToInt(SelectionAbsWidth * zoom_x_ / 100) / 2;
    const int32_t hh = RoundToInt(SelectionAbsHeight * zoom_y_ / 100) / 2;
    x1 = SaturateInt32(int64_t{press_x_} - hw);
    x2 = SaturateInt32(int64_t{press_x_} + hw);
    y1 = SaturateInt32(int64_t{press_y_} - hh);
    y2 = SaturateInt32(int64_t{press_y_} + hh);
  }
  int32_t op = 0;
  if (Shift.Contains(ssShift) && MultipleSelections) {
    // The polygon of this gesture is replaced, the earlier ones stay.
    sel_.Truncate(press_point_count_);
    op = 1;
  }
  SelectRectCore(x1, y1, x2, y2, op, Shift.Contains(ssAlt) || ForceSquare, !sel_options_.Contains(iesoSizeable));
  // The window is copied again from the back buffer, which takes the
  // outline of the last position away, and the new outline drawn over it.
  Paint();
}

void TImagoView::SelectCircleTo(int32_t X, int32_t Y, TShiftState Shift) {
  AutoScrollWhileDragging();
  EnsureMask();
  int64_t hr, vr;
  const int64_t dx = std::llabs(int64_t{X} - press_x_), dy = std::llabs(int64_t{Y} - press_y_);
  if (sel_aspect_ == 0) {
    hr = RoundToInt(SelectionAbsWidth * zoom_x_ / 100) / 2;
    vr = RoundToInt(SelectionAbsHeight * zoom_y_ / 100) / 2;
  } else if ((Shift.Contains(ssAlt) || ForceSquare) && sel_aspect_ < 0) {
    hr = vr = std::max(dx, dy);
  } else if (sel_aspect_ > 0) {
    hr = std::max(dx, dy);
    vr = RoundToInt(hr * sel_aspect_);
  } else {
    hr = dx;
    vr = dy;
  }
  if (Shift.Contains(ssShift) && MultipleSelections) {
    sel_.Truncate(press_point_count_);
    sel_.AppendBreak();
  } else {
    sel_.Clear();
  }
  const double rx = TruncToInt(hr * 100 / zoom_x_), ry = TruncToInt(vr * 100 / zoom_y_);
  const double cx = ClientToLayerX(press_x_), cy = ClientToLayerY(press_y_);
  // At least 50 points; the cap only keeps a huge circle from taking all memory.
  const int32_t g = std::clamp(TruncToInt(std::min(rx, ry) * 2 * std::numbers::pi), 50, 1 << 20);
  const int32_t w = ie_bitmap_->Width(), h = ie_bitmap_->Height();
  for (int32_t k = 0; k < g; ++k) {
    const double a = 2 * std::numbers::pi * k / g;
    sel_.Append(std::clamp(RoundToInt(cx + std::cos(a) * rx), 0, w), std::clamp(RoundToInt(cy + std::sin(a) * ry), 0, h));
  }
  has_selection_ = true;
  sel_.Visible = true;
  Paint();
  FireSelectionCallback(OnSelectionChanging);
}

void TImagoView::EndPolygon(bool Add) {
  // The double click's second press added one point too many.
  sel_.DropLast();
  if (!(Add && MultipleSelections)) mask_.Clear();
  BuildSelectionMask();
  Update();
  poly_sel_ = false;
  rubber_band_ = false;
  FireSelectionCallback(OnSelectionChange);
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
  app_sel_base_ = sel_base_;
  sel_base_ = iesbClientArea;
  in_mouse_event_ = true;
  raw_press_x_ = X;
  raw_press_y_ = Y;
  ClampToCurrentLayer(X, Y);
  press_x_ = last_x_ = prev_x_ = X;
  press_y_ = last_y_ = prev_y_ = Y;
  press_view_x_ = view_x_;
  press_view_y_ = view_y_;
  press_point_count_ = sel_.Count();
  left_pressed_ = Button == mbLeft;
  if (Button == mbLeft) {
    // A drag whose release never came (the capture was taken away) ends here.
    moving_layer_ = -1;
    layer_grip_ = kGripNone;
    sel_grip_ = ieNone;
    sel_move_ = -1;
    rect_sel_ = circle_sel_ = false;
    const bool alt = Shift.Contains(ssAlt) || ForceSquare;
    const bool add = Shift.Contains(ssShift) && MultipleSelections;
    if (mouse_interact_.Contains(miSelectPolygon) || mouse_interact_.Contains(miSelectLasso)) {
      FireSelectionCallback(OnBeforeSelectionChange);
      sel_move_ = MovableSelectionAt(X, Y, Shift);
      if (sel_move_ < 0) {
        if (alt) SnapToLastPoint(X, Y);
        if (!poly_sel_) {
          if (add)
            sel_.AppendBreak();
          else
            Deselect();
        }
        rubber_band_ = false;
        AddSelectionPoint(X, Y);
        poly_sel_ = true;
        lasso_sel_ = mouse_interact_.Contains(miSelectLasso);
        FireSelectionCallback(OnSelectionChanging);
      }
    } else if (mouse_interact_.Contains(miSelect)) {
      FireSelectionCallback(OnBeforeSelectionChange);
      sel_grip_ = GetGripAt(X, Y, Shift);
      if (sel_grip_ == ieNone) {
        sel_move_ = MovableSelectionAt(X, Y, Shift);
        if (sel_move_ < 0) {
          rect_sel_ = true;
          if (sel_aspect_ == 0) SelectRectTo(X, Y, Shift);
          FireSelectionCallback(OnSelectionChanging);
        }
      } else {
        RememberSelectionBox();
      }
    } else if (mouse_interact_.Contains(miSelectZoom)) {
      rect_sel_ = true;
      FireSelectionCallback(OnSelectionChanging);
      SaveSelection();
    } else if (mouse_interact_.Contains(miSelectCircle)) {
      FireSelectionCallback(OnBeforeSelectionChange);
      sel_move_ = MovableSelectionAt(X, Y, Shift);
      if (sel_move_ < 0) {
        circle_sel_ = true;
        if (sel_aspect_ == 0) SelectCircleTo(X, Y, Shift);
        FireSelectionCallback(OnSelectionChanging);
      }
    } else if (mouse_interact_.Contains(miSelectMagicWand)) {
      FireSelectionCallback(OnBeforeSelectionChange);
      sel_move_ = MovableSelectionAt(X, Y, Shift);
    } else {
      if (mouse_interact_.Contains(miResizeLayers)) {
        layer_grip_ = FindLayerGrip(X, Y);
        if (layer_grip_ != kGripNone) {
          const TIELayer* l = CurrentLayer();
          layer_box_at_press_ = TRect{l->ClientLeft, l->ClientTop, l->ClientRight, l->ClientBottom};
        }
      }
      if (layer_grip_ == kGripNone && mouse_interact_.Contains(miMoveLayers)) {
        const int32_t hit = FindLayerAt(X, Y, sel_options_.Contains(iesoSelectTranspLayers));
        if (hit >= 0) {
          moving_layer_ = hit;
          SetCurrentLayer(hit);
          DoLayerNotify(hit, ielSelected);
          if (!Layer(hit)->Locked) ShowTempCursor(kCursorMove);
        }
      }
    }
    if (sel_move_ == 0) ShowTempCursor(kCursorMove);
    if (mouse_interact_.Contains(miScroll) && CanScroll()) ShowTempCursor(kCursorScroll);
  }
  sel_base_ = app_sel_base_;
  in_mouse_event_ = false;
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
  const int32_t raw_x = X, raw_y = Y;
  ClampToCurrentLayer(X, Y);
  app_sel_base_ = sel_base_;
  sel_base_ = iesbClientArea;
  in_mouse_event_ = true;
  const bool held = GetCaptureControl() == this;
  const bool alt = Shift.Contains(ssAlt) || ForceSquare;
  if (held) {
    TIELayer* current = CurrentLayer();
    if (mouse_interact_.Contains(miScroll) && left_pressed_) {
      SetViewXY(SaturateInt32(int64_t{press_view_x_} - TruncToInt((double(raw_x) - raw_press_x_) * MouseScrollRate)),
                SaturateInt32(int64_t{press_view_y_} - TruncToInt((double(raw_y) - raw_press_y_) * MouseScrollRate)));
    } else if (sel_grip_ != ieNone) {
      AutoScrollWhileDragging();
      sel_grip_ = ResizeSelection(sel_grip_, X, alt || sel_aspect_ > 0, Y);
      FireSelectionCallback(OnSelectionChanging);
    } else if (sel_move_ == 0) {
      if (sel_options_.Contains(iesoCanScroll)) AutoScrollWhileDragging();
      MoveSelection(ClientToLayerX(X) - ClientToLayerX(last_x_), ClientToLayerY(Y) - ClientToLayerY(last_y_));
      FireSelectionCallback(OnSelectionChanging);
    } else if (rect_sel_) {
      SelectRectTo(X, Y, Shift);
    } else if (poly_sel_) {
      AutoScrollWhileDragging();
      dirty_ = true;
      Paint();
      const TIESelectionBase base = sel_base_;
      sel_base_ = iesbBitmap;
      AddSelectionPoint(std::clamp(ClientToLayerX(X), 0, ie_bitmap_->Width()),
                        std::clamp(ClientToLayerY(Y), 0, ie_bitmap_->Height()));
      sel_base_ = base;
      DrawSelection();
      FireSelectionCallback(OnSelectionChanging);
    } else if (circle_sel_) {
      SelectCircleTo(X, Y, Shift);
    } else if (layer_grip_ != kGripNone && current && !current->Locked) {
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
  } else if (poly_sel_ && !lasso_sel_) {
    // The rubber band follows the pointer from the last point.
    if (rubber_band_) DrawRubberBand(rubber_x_, rubber_y_);
    if (alt) SnapToLastPoint(X, Y);
    DrawRubberBand(X, Y);
    rubber_band_ = true;
    rubber_x_ = X;
    rubber_y_ = Y;
    FireSelectionCallback(OnSelectionChanging);
  } else if (!(mouse_interact_ * kSelectionItems).Empty() && !mouse_interact_.Contains(miSelectZoom)) {
    const TIEGrip grip = GetGripAt(X, Y, Shift);
    if (OnMouseInResizingGrip) OnMouseInResizingGrip(this, grip);
    if (grip != ieNone)
      ShowTempCursor(GripCursor(grip));
    else if (MovableSelectionAt(X, Y, Shift) == 0)
      ShowTempCursor(kCursorMove);
    else
      RestoreCursor();
  } else if (!(mouse_interact_ * kLayerItems).Empty()) {
    const TIELayer* current = CurrentLayer();
    const int32_t grip =
        mouse_interact_.Contains(miResizeLayers) && current && !current->Locked ? FindLayerGrip(X, Y) : kGripNone;
    if (grip != kGripNone) {
      ShowTempCursor(GripCursor(grip));
    } else {
      const int32_t hit = FindLayerAt(X, Y, sel_options_.Contains(iesoSelectTranspLayers));
      if (hit >= 0 && !Layer(hit)->Locked && mouse_interact_.Contains(miMoveLayers))
        ShowTempCursor(kCursorMove);
      else
        RestoreCursor();
    }
  }
  {
    const int32_t ix = ClientToLayerX(X), iy = ClientToLayerY(Y);
    if (OnMouseInSel && ix >= 0 && iy >= 0 && ix < mask_.Width() && iy < mask_.Height() && mask_.IsPointInside(ix, iy))
      FireSelectionCallback(OnMouseInSel);
  }
  prev_x_ = last_x_;
  prev_y_ = last_y_;
  last_x_ = X;
  last_y_ = Y;
  sel_base_ = app_sel_base_;
  in_mouse_event_ = false;
}

// ------------------------------------------------------------ release

void TImagoView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseUp(Button, Shift, X, Y);
  app_sel_base_ = sel_base_;
  sel_base_ = iesbClientArea;
  in_mouse_event_ = true;
  const int32_t raw_x = X, raw_y = Y;
  ClampToCurrentLayer(X, Y);
  const bool moved = X != press_x_ || Y != press_y_;
  const bool add = Shift.Contains(ssShift) && MultipleSelections;
  bool changed = false;
  const bool click = raw_x == press_x_ && raw_y == press_y_;
  if (mouse_interact_.Contains(miZoom) && click && (img_w_ > 1 || img_h_ > 1) &&
      (Button == mbLeft || Button == mbRight)) {
    double zoom = zoom_x_;
    if (Button == mbLeft) {
      if (mouse_interact_.Contains(miScroll)) RestoreCursor();
      if (zoom_x_ >= 100) {
        zoom = zoom_x_ + 100;
      } else {
        for (double step : kZoomSteps)
          if (step > zoom_x_) {
            zoom = step;
            break;
          }
      }
      if (OnZoomIn) OnZoomIn(this, zoom);
    } else {
      if (zoom_x_ >= 200) {
        zoom = zoom_x_ - 100;
      } else {
        zoom = 2;
        for (double step : kZoomSteps)
          if (step < zoom_x_) zoom = step;
      }
      if (OnZoomOut) OnZoomOut(this, zoom);
    }
    // Clicks step within the zoom range the view can show.
    zoom = std::clamp(zoom, std::min(zoom_x_, 1.0), MaxZoom());
    if (zoom != zoom_x_ || zoom != zoom_y_) ZoomAt(raw_x, raw_y, zoom, false);
    poly_sel_ = false;
  } else if (Button == mbLeft) {
    if (mouse_interact_.Contains(miScroll) && CanScroll()) {
      SetViewXY(SaturateInt32(int64_t{press_view_x_} - TruncToInt((double(raw_x) - raw_press_x_) * MouseScrollRate)),
                SaturateInt32(int64_t{press_view_y_} - TruncToInt((double(raw_y) - raw_press_y_) * MouseScrollRate)));
      RestoreCursor();
    }
    auto end_rect = [&] {
      if (!add) mask_.Clear();
      BuildSelectionMask();
    };
    if (mouse_interact_.Contains(miSelectZoom)) {
      ZoomSelection(SelectionZoomKeepAspect);
      rect_sel_ = false;
      RestoreSelection();
    } else if (mouse_interact_.Contains(miSelect)) {
      if (moved || sel_grip_ != ieNone || sel_move_ == 0) {
        if (rect_sel_ || sel_grip_ != ieNone) end_rect();
        rect_sel_ = false;
        sel_grip_ = ieNone;
        Update();
      } else {
        Deselect();
      }
      changed = true;
    } else if (mouse_interact_.Contains(miSelectCircle)) {
      if (!moved && sel_move_ < 0 && sel_aspect_ != 0) {
        Deselect();
      } else {
        if (circle_sel_) end_rect();
        circle_sel_ = false;
        Update();
      }
      changed = true;
    } else if (mouse_interact_.Contains(miSelectPolygon)) {
      sel_move_ = -1;
      Update();
    } else if (mouse_interact_.Contains(miSelectMagicWand)) {
      if (sel_move_ < 0) {
        ShowTempCursor(crHourGlass);
        MagicWandAt(X, Y, add);
        RestoreCursor();
        Update();
        changed = true;
      }
    } else if (mouse_interact_.Contains(miSelectLasso)) {
      if (!moved && sel_move_ < 0) {
        Deselect();
      } else {
        if (poly_sel_) end_rect();
        poly_sel_ = lasso_sel_ = false;
        Update();
      }
      changed = true;
    }
  }
  if (Button == mbLeft) {
    if (moved_rect_) {
      // A rectangle moved as a polygon gets its mask where it now is.
      mask_.Clear();
      BuildSelectionMask();
      moved_rect_ = false;
    }
    if (moving_layer_ >= 0) {
      RestoreCursor();
      DoLayerNotify(moving_layer_, ielMoved);
    }
    if (layer_grip_ != kGripNone) {
      DoLayerNotify(current_layer_, ielResized);
      Update();
    }
    if (sel_move_ == 0) RestoreCursor();
    moving_layer_ = -1;
    layer_grip_ = kGripNone;
    rect_sel_ = circle_sel_ = false;
    sel_grip_ = ieNone;
    sel_move_ = -1;
    left_pressed_ = false;
    if (changed) FireSelectionCallback(OnSelectionChange);
  }
  if (mouse_filter_saved_) {
    mouse_filter_saved_ = false;
    // What was drawn during the drag is drawn again with the filter.
    if (zoom_filter_ != mouse_zoom_filter_) {
      zoom_filter_ = mouse_zoom_filter_;
      Update();
    }
  }
  sel_base_ = app_sel_base_;
  in_mouse_event_ = false;
}

// ------------------------------------------------------------ wheel

void TImagoView::WMMouseWheel(TMessage& Message) {
  TIEView::WMMouseWheel(Message);
  Message.Result = 1;
  const TIEMouseWheelParams& p = wheel_params_;
  if (p.Action == 0 || AutoFit) return;
  const TPoint pos = ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  int32_t dir = GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? -1 : 1;
  if (p.InvertWheel) dir = -dir;
  if (p.Action == 1) {
    int32_t mx, my;
    ComputeMaxOrigin(mx, my);
    const bool horizontal = ctrl || (mx > 0 && my == 0);
    const int32_t extent = horizontal ? GetViewWidth() : GetViewHeight();
    const double zoom = horizontal ? zoom_x_ : zoom_y_;
    const int64_t step = p.Variation == 1 ? std::max<int64_t>(RoundToInt(double(extent) * p.Value / 100), 1)
                                          : int64_t{p.Value} * std::max<int64_t>(TruncToInt(zoom / 100), 1);
    if (horizontal)
      SetViewX(SaturateInt32(view_x_ + dir * step));
    else
      SetViewY(SaturateInt32(view_y_ + dir * step));
  } else if (p.Action == 2) {
    double zoom = p.Variation == 0 ? zoom_x_ + dir * p.Value
                                   : zoom_x_ + dir * std::max(RoundToInt(p.Value * zoom_x_ / 100), 1);
    if (zoom > zoom_x_ && OnZoomIn)
      OnZoomIn(this, zoom);
    else if (zoom < zoom_x_ && OnZoomOut)
      OnZoomOut(this, zoom);
    // The wheel steps within the zoom range the view can show.
    zoom = std::clamp(zoom, std::min(zoom_x_, 1.0), MaxZoom());
    if (p.ZoomPosition)
      ZoomAt(pos.X, pos.Y, zoom, false);
    else
      SetZoom(zoom);
  }
}

// ------------------------------------------------------------ keys

void TImagoView::KeyDown(uint16_t& Key, TShiftState Shift) {
  TIEView::KeyDown(Key, Shift);
  if (!Shift.Contains(ssShift) || !MultipleSelections) return;
  if (Cursor() == kCursorCross3)
    ShowTempCursor(kCursorCross3Add);
  else if (Cursor() == kCursorCross2)
    ShowTempCursor(kCursorCross2Add);
}

void TImagoView::RunKeyUp(uint16_t& Key, TShiftState Shift, bool Fire) {
  if (Fire) TIEView::KeyUp(Key, Shift);
  if (!Shift.Contains(ssShift) && MultipleSelections) RestoreCursor();
}

void TImagoView::KeyUp(uint16_t& Key, TShiftState Shift) {
  // A navigation key answered when it went down is not answered again on
  // its release: one press, one step.
  const auto early = std::find(early_keys_.begin(), early_keys_.end(), Key);
  const bool answered = early != early_keys_.end();
  if (answered) early_keys_.erase(early);
  RunKeyUp(Key, Shift, !answered);
}

bool TImagoView::WantSpecialKey(uint16_t Key, TShiftState Shift) {
  bool handled = false;
  if (OnSpecialKey) OnSpecialKey(this, Key, handled);
  if (handled) return true;
  if (Key < 33 || Key > 40) return false;
  // The key-up behaviour runs as the key goes down, so that holding the key
  // repeats it; the release then passes silently. Running it again on the
  // release would make one press of an arrow two steps through a folder
  // whenever the first image loads quickly, skipping the image between.
  uint16_t k = Key;
  RunKeyUp(k, Shift, true);
  if (std::find(early_keys_.begin(), early_keys_.end(), Key) == early_keys_.end()) early_keys_.push_back(Key);
  return true;
}
