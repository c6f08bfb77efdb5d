// The thumbnail view and the user: selection and multi-selection by mouse
// and keyboard, dragging to scroll, scroll bars and wheel, focus, and timed
// playback of the images one after another in single display mode.
//
// Select and deselect events report only what the user did: they fire while
// a mouse, wheel or key handler runs, never for the same change made by a
// program call.
#include <algorithm>

#include "imaging/view/TImagoMView.h"
#include "platform/Input.h"
#include "platform/Messages.h"
#include "platform/ScrollBar.h"
#include "platform/Window.h"
#include "rtl/Numeric.h"
#include "ui/TForm.h"

namespace {

// Sets a flag for the life of the guard and puts the old value back.
class TFlagScope {
 public:
  TFlagScope(bool& Flag, bool Value) : flag_(Flag), saved_(Flag) { flag_ = Value; }
  ~TFlagScope() { flag_ = saved_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

constexpr uintptr_t kPlayTimer = 1;

// Whether the control has a window or can make one: some control up its
// parent chain has one, or the chain ends in a form.
bool CanHaveWindow(TWinControl* Control) {
  TWinControl* c = Control;
  for (; c->Parent(); c = c->Parent())
    if (c->HandleAllocated()) return true;
  return c->HandleAllocated() || dynamic_cast<TCustomForm*>(c) != nullptr;
}

}  // namespace

// ------------------------------------------------------------ events

void TImagoMView::DoImageSelect(int32_t idx) {
  if (user_action_ && OnImageSelect) OnImageSelect(this, idx);
}

void TImagoMView::DoImageDeselect(int32_t idx) {
  if (user_action_ && !Destroying() && OnImageDeselect) OnImageDeselect(this, idx);
}

// ------------------------------------------------------------ selection

bool TImagoMView::IsMultiSelected(int32_t Index) const {
  return std::find(multi_selected_.begin(), multi_selected_.end(), Index) != multi_selected_.end();
}

void TImagoMView::ChangeSelection(int32_t Index) {
  selection_changed_ = false;
  if (playing_ || Index < 0 || Index >= ImageCount()) return;
  // Changes made through the lent bitmap reach the stored picture.
  if (selected_index_ >= 0) ReleaseSelectedBitmap(true);
  if (enable_multi_select_) {
    if (!add_mode_) {
      const std::vector<int32_t> was = std::move(multi_selected_);
      multi_selected_.clear();
      for (int32_t i : was) DoImageDeselect(i);
    } else if (IsMultiSelected(Index)) {
      multi_selected_.erase(std::find(multi_selected_.begin(), multi_selected_.end(), Index));
      DoImageDeselect(Index);
      if (!keep_on_toggle_) {
        selected_index_ = -1;
        selection_changed_ = true;
        return;
      }
    }
    multi_selected_.push_back(Index);
  }
  selected_index_ = Index;
  selected_bitmap_ = nullptr;
  selection_changed_ = true;
  CallBitmapChangeHandlers();
  DoImageSelect(Index);
}

void TImagoMView::SelectImage(int32_t Index) {
  if (playing_ || Index < 0 || Index >= ImageCount()) return;
  if (Index == selected_index_ && !add_mode_) return;
  ChangeSelection(Index);
  Relayout(false);
}

void TImagoMView::DeselectAll() {
  ReleaseSelectedBitmap(true);
  const std::vector<int32_t> was = std::move(multi_selected_);
  multi_selected_.clear();
  if (!was.empty()) {
    for (int32_t i : was) DoImageDeselect(i);
  } else if (selected_index_ >= 0) {
    DoImageDeselect(selected_index_);
  }
  selected_index_ = -1;
}

void TImagoMView::ClearSelection() {
  DeselectAll();
  Relayout(false);
}

void TImagoMView::SelectAtPos(int32_t X, int32_t Y, TShiftState Shift) {
  TFlagScope add(add_mode_, add_mode_ || Shift.Contains(ssCtrl) || Shift.Contains(ssShift));
  const int32_t idx = ImageAtPos(X, Y);
  if (idx == -1) return;
  if (Shift.Contains(ssShift) && (idx != selected_index_ || (add_mode_ && enable_multi_select_))) {
    // The images between the selected one and idx join first.
    const int32_t from = selected_index_;
    const auto join = [this](int32_t i) {
      if (i >= 0 && i < ImageCount() && !IsMultiSelected(i)) ChangeSelection(i);
    };
    if (MultiSelectionOptions.Contains(iemoRegion)) {
      const int32_t r1 = std::min(GetImageRow(from), GetImageRow(idx));
      const int32_t r2 = std::max(GetImageRow(from), GetImageRow(idx));
      const int32_t c1 = std::min(GetImageColumn(from), GetImageColumn(idx));
      const int32_t c2 = std::max(GetImageColumn(from), GetImageColumn(idx));
      for (int32_t r = r1; r <= r2; ++r)
        for (int32_t c = c1; c <= c2; ++c) {
          const int32_t i = IndexOfCell(r, c);
          if (i != from && i != idx) join(i);
        }
    } else if (from < idx) {
      for (int32_t i = from + 1; i < idx; ++i) join(i);
    } else {
      for (int32_t i = from - 1; i > idx; --i) join(i);
    }
  }
  ChangeSelection(idx);
  if (visible_selection_) Relayout(false);
  CallBitmapChangeHandlers();
}

// Selects the range from Anchor to the image at X, Y as a Shift press does:
// the anchor alone first, then the rest joins it.
void TImagoMView::SelectRangeTo(int32_t Anchor, int32_t X, int32_t Y) {
  TFlagScope keep(keep_on_toggle_, true);
  {
    TFlagScope add(add_mode_, false);
    DeselectAll();
    if (Anchor >= 0 && Anchor < ImageCount()) ChangeSelection(Anchor);
  }
  SelectAtPos(X, Y, TShiftState{ssShift});
}

// ------------------------------------------------------------ keyboard

void TImagoMView::MoveSelection(int32_t Action) {
  const int32_t count = ImageCount();
  if (count == 0) return;
  const int32_t cols = GridColumns();
  const int32_t page = cols * ((ViewClientHeight() - vert_border_) / std::max(1, vert_border_ + thumb_height_));
  const int32_t s = selected_index_;
  int32_t target;
  switch (Action) {
    case 0: target = s - 1; break;
    case 1: target = s + 1; break;
    case 2: target = grid_width_ != 0 ? std::max(s - cols, 0) : s - 1; break;
    case 3: target = grid_width_ != 0 ? std::min(s + cols, count - 1) : s + 1; break;
    case 4: target = 0; break;
    case 5: target = count - 1; break;
    case 6: target = std::min(s + page, count - 1); break;
    case 7: target = std::max(s - page, 0); break;
    default: return;
  }
  // Left, Up and PageUp need a selection to move from.
  if (s < 0 && (Action == 0 || Action == 2 || Action == 7)) return;
  // The moves stop at the first and the last image: there is no cell
  // beyond them to select or to scroll to.
  target = std::clamp(target, 0, count - 1);
  SelectImage(target);
  if (Action == 4) {
    SetViewXY(0, 0);
    return;
  }
  if (ImageVisibility(target) == 2) return;
  const TIEMImageInfo* e = ImageInfo(target);
  const int32_t cw = ViewClientWidth(), ch = ViewClientHeight();
  const int32_t left = e->X - horiz_border_, top = e->Y - vert_border_;
  const int32_t right = e->X + thumb_width_ + horiz_border_ - cw;
  const int32_t bottom = e->Y + thumb_height_ + vert_border_ - ch;
  switch (Action) {
    case 0:
      SetViewXY(left, top);
      break;
    case 1:
      SetViewXY(right, bottom);
      break;
    case 2:
    case 7:
      SetViewY(top);
      if (ImageVisibility(target) != 2) SetViewX(left);
      break;
    default:  // Down, End, PageDown
      SetViewY(bottom);
      if (ImageVisibility(target) != 2) SetViewX(right);
      break;
  }
}

void TImagoMView::KeyDown(uint16_t& Key, TShiftState Shift) {
  TIEView::KeyDown(Key, Shift);
  TFlagScope user(user_action_, true);
  if (playing_ || !key_interact_.Contains(mkiMoveSelected)) return;
  int32_t action;
  switch (Key) {
    case VK_PRIOR: action = 7; break;
    case VK_NEXT: action = 6; break;
    case VK_END: action = 5; break;
    case VK_HOME: action = 4; break;
    case VK_LEFT: action = 0; break;
    case VK_UP: action = 2; break;
    case VK_RIGHT: action = 1; break;
    case VK_DOWN: action = 3; break;
    default: return;
  }
  const bool adding = enable_multi_select_ && (Shift.Contains(ssCtrl) || Shift.Contains(ssShift));
  {
    TFlagScope add(add_mode_, adding ? true : add_mode_);
    TFlagScope keep(keep_on_toggle_, adding ? true : keep_on_toggle_);
    MoveSelection(action);
    ViewChange(0);
  }
  Relayout(false);
}

void TImagoMView::KeyUp(uint16_t& Key, TShiftState Shift) { TIEView::KeyUp(Key, Shift); }

// ------------------------------------------------------------ mouse

void TImagoMView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (double_click_) {
    // The second press of a double click leaves the selection alone.
    double_click_ = false;
    return;
  }
  TIEView::MouseDown(Button, Shift, X, Y);
  TFlagScope user(user_action_, true);
  if (CanFocus() && !Focused()) SetFocus();
  press_point_ = TPoint{X, Y};
  press_view_ = TPoint{view_x_, view_y_};
  press_index_ = ImageAtPos(X, Y);
  last_met_index_ = press_index_;
  dragged_selection_ = false;
  press_pending_ = true;
  selection_changed_ = false;
  if (Button != mbLeft || !mouse_interact_.Contains(mmiSelect) ||
      MultiSelectionOptions.Contains(iemoSelectOnMouseUp))
    return;
  if (Shift.Contains(ssShift)) {
    SelectRangeTo(shift_anchor_, X, Y);
    dragged_selection_ = true;
  } else if (IsMultiSelected(press_index_)) {
    // The selection stays until the release shows what the click meant.
    shift_anchor_ = press_index_;
  } else {
    shift_anchor_ = press_index_;
    SelectAtPos(X, Y, Shift);
  }
}

void TImagoMView::DragScroll(int32_t X, int32_t Y) {
  SetViewXY(SaturateInt32(static_cast<int64_t>(press_view_.x) + press_point_.x - X),
            SaturateInt32(static_cast<int64_t>(press_view_.y) + press_point_.y - Y));
  ViewChange(0);
}

void TImagoMView::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseMove(Shift, X, Y);
  TFlagScope user(user_action_, true);
  if (GetCaptureControl() != this || !press_pending_) return;
  if (mouse_interact_.Contains(mmiSelect) && enable_multi_select_) {
    const int32_t idx = ImageAtPos(X, Y);
    if (idx != -1 && idx != last_met_index_) {
      last_met_index_ = idx;
      SelectRangeTo(press_index_, X, Y);
      dragged_selection_ = true;
    }
  }
  if (mouse_interact_.Contains(mmiScroll)) DragScroll(X, Y);
}

void TImagoMView::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TIEView::MouseUp(Button, Shift, X, Y);
  TFlagScope user(user_action_, true);
  if (!press_pending_) return;
  press_pending_ = false;
  if (playing_ || Button != mbLeft) return;
  if (MultiSelectionOptions.Contains(iemoSelectOnMouseUp)) {
    if (mouse_interact_.Contains(mmiSelect) && !dragged_selection_) SelectAtPos(X, Y, Shift);
  } else if (!selection_changed_) {
    SelectAtPos(X, Y, Shift);
  }
  if (mouse_interact_.Contains(mmiScroll)) DragScroll(X, Y);
}

// ------------------------------------------------------------ scrolling

void TImagoMView::Scroll(int Bar, int32_t Code, int32_t Pos) {
  const TIEScrollBarParams& params = Bar == 0 ? scroll_params_[1] : scroll_params_[0];
  const int64_t origin = Bar == 0 ? view_x_ : view_y_;
  const int64_t line = params.LineStep == -1 ? (Bar == 0 ? thumb_width_ + horiz_border_ : thumb_height_ + vert_border_)
                                             : params.LineStep;
  const int64_t page = params.PageStep == -1 ? (Bar == 0 ? ViewClientWidth() : ViewClientHeight()) : params.PageStep;
  int64_t target;
  if (!ScrollBarTarget(Code, Pos, origin, line, page, Bar == 0 ? MaxViewX() : MaxViewY(), scroll_scale_[Bar],
                       params.Tracking, target))
    target = origin;
  if (Bar == 0)
    SetViewX(SaturateInt32(target));
  else
    SetViewY(SaturateInt32(target));
  ViewChange(0);
}

void TImagoMView::WMMouseWheel(TMessage& Message) {
  TIEView::WMMouseWheel(Message);
  TFlagScope user(user_action_, true);
  Message.Result = 1;
  const int32_t step = thumb_height_ + vert_border_;
  const int64_t y = GET_WHEEL_DELTA_WPARAM(Message.WParam) > 0 ? static_cast<int64_t>(view_y_) - step
                                                                 : static_cast<int64_t>(view_y_) + step;
  SetViewY(SaturateInt32(y));
  ViewChange(0);
}

void TImagoMView::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_SIZE:
      TIEView::WndProc(Message);
      Relayout(false);
      return;
    case WM_ERASEBKGND:
      Message.Result = 0;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      // The selection frame is wider while the view has the focus.
      TIEView::WndProc(Message);
      Invalidate();
      return;
    case WM_TIMER:
      if (Message.WParam == kPlayTimer) {
        PlayStep();
        return;
      }
      TIEView::WndProc(Message);
      return;
    case CM_WANTSPECIALKEY:
      TIEView::WndProc(Message);
      if (Message.WParam >= VK_PRIOR && Message.WParam <= VK_DOWN) Message.Result = 1;
      return;
    case WM_LBUTTONDBLCLK:
      double_click_ = true;
      TIEView::WndProc(Message);
      return;
    default:
      TIEView::WndProc(Message);
  }
}

// ------------------------------------------------------------ playback

void TImagoMView::SetPlaying(bool Value) {
  if (Value == playing_) return;
  if (Value) {
    remembered_display_mode_ = display_mode_;
    remembered_selected_ = selected_index_;
    ClearSelection();
  }
  playing_ = Value;
  PlayStep();
  if (!playing_) {
    SetDisplayMode(remembered_display_mode_);
    SelectImage(remembered_selected_);
  }
}

void TImagoMView::PlayStep() {
  if (in_play_step_ || Destroying()) return;
  TFlagScope guard(in_play_step_, true);
  if (play_timer_) {
    if (HandleAllocated()) KillTimer(Handle(), kPlayTimer);
    play_timer_ = 0;
  }
  if (!playing_) return;
  if (display_mode_ != mdSingle) {
    display_mode_ = mdSingle;
    Update();
  }
  current_frame_ = std::min(current_frame_, ImageCount() - 1);
  if (ImageCount() == 0) {
    current_frame_ = 0;
    return;
  }
  current_frame_ = std::max(current_frame_, 0);
  const int32_t shown = current_frame_;
  // Shown at once: the timer measures how long it stays.
  if (HandleAllocated()) {
    Invalidate();
    UpdateWindow(Handle());
    ValidateRect(Handle(), nullptr);
  }
  if (current_frame_ == ImageCount() - 1) {
    current_frame_ = 0;
    CallBitmapChangeHandlers();
    if (!LoopPlayback) {
      playing_ = false;
      return;
    }
  } else {
    ++current_frame_;
  }
  // Outside any window nothing can be timed: the steps wait for one.
  if (!CanHaveWindow(this)) return;
  const int32_t delay = std::max(ImageDelay(shown), 10);
  play_timer_ = SetTimer(Handle(), kPlayTimer, static_cast<UINT>(delay));
}
