// The thumbnail view's selection, playback and window messages.
//
// This holds the selection core the image list needs (deleting and clearing
// deselect and select again) and the window messages of size and scrolling;
// mouse, keyboard and timed playback are still to come.
#include <algorithm>

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoMView.h"
#include "platform/Messages.h"
#include "platform/ScrollBar.h"

bool TImagoMView::IsMultiSelected(int32_t Index) const {
  return std::find(multi_selected_.begin(), multi_selected_.end(), Index) != multi_selected_.end();
}

void TImagoMView::SelectImage(int32_t Index) {
  if (playing_ || Index < 0 || Index >= ImageCount() || Index == selected_index_) return;
  if (selected_index_ >= 0) ReleaseSelectedBitmap(true);
  selected_index_ = Index;
  if (enable_multi_select_) {
    multi_selected_.clear();
    multi_selected_.push_back(Index);
  }
  DoImageSelect(Index);
  Relayout(false);
}

void TImagoMView::DeselectAll() {
  ReleaseSelectedBitmap(true);
  if (enable_multi_select_) {
    for (int32_t i : multi_selected_) DoImageDeselect(i);
  } else if (selected_index_ >= 0) {
    DoImageDeselect(selected_index_);
  }
  multi_selected_.clear();
  selected_index_ = -1;
}

void TImagoMView::ClearSelection() {
  DeselectAll();
  Relayout(false);
}

void TImagoMView::SetPlaying(bool Value) {
  if (Value == playing_) return;
  playing_ = Value;
}

void TImagoMView::DoImageSelect(int32_t idx) {
  if (user_action_ && OnImageSelect) OnImageSelect(this, idx);
}

void TImagoMView::DoImageDeselect(int32_t idx) {
  if (user_action_ && !Destroying() && OnImageDeselect) OnImageDeselect(this, idx);
}

void TImagoMView::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_HSCROLL:
      TIEView::WndProc(Message);
      WMHScroll(LOWORD(Message.WParam), HIWORD(Message.WParam));
      return;
    case WM_VSCROLL:
      TIEView::WndProc(Message);
      WMVScroll(LOWORD(Message.WParam), HIWORD(Message.WParam));
      return;
    case WM_SIZE:
      TIEView::WndProc(Message);
      Relayout(false);
      return;
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    default:
      TIEView::WndProc(Message);
  }
}

void TImagoMView::WMHScroll(int32_t Code, int32_t Pos) { Scroll(0, Code, Pos); }
void TImagoMView::WMVScroll(int32_t Code, int32_t Pos) { Scroll(1, Code, Pos); }

void TImagoMView::Scroll(int Bar, int32_t Code, int32_t Pos) {
  const int32_t page = Bar == 0 ? ViewClientWidth() : ViewClientHeight();
  const int32_t line = Bar == 0 ? thumb_width_ + horiz_border_ : thumb_height_ + vert_border_;
  int32_t v = Bar == 0 ? view_x_ : view_y_;
  switch (Code) {
    case SB_LINEUP: v -= line; break;
    case SB_LINEDOWN: v += line; break;
    case SB_PAGEUP: v -= page; break;
    case SB_PAGEDOWN: v += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: v = static_cast<int32_t>(Pos * scroll_scale_[Bar]); break;
    default: return;
  }
  if (Bar == 0)
    SetViewX(v);
  else
    SetViewY(v);
}
