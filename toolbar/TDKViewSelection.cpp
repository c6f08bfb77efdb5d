// Selection, hot-tracking, view timers, popup scrolling, accelerator
// underlines and the keys of a chain of views.
#include <algorithm>
#include <climits>
#include <cwctype>

#include "platform/Input.h"
#include "platform/Locale.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKAccessibility.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKPopupWindow.h"
#include "toolbar/TDKView.h"
#include "ui/TControl.h"

namespace {

// The control under a screen point, disabled ones included.
HWND WindowUnder(TPoint P) { return WindowFromPoint(P); }

TPoint CurrentMessagePos() {
  DWORD pos = GetMessagePos();
  return TPoint{int16_t(pos & 0xFFFF), int16_t(pos >> 16)};
}

// Case folding of the user's locale for one character.
uint32_t FoldCase(uint32_t c) {
  if (c < 0x80) return uint32_t(std::tolower(int(c)));
  return uint32_t(std::towlower(wint_t(c)));
}

}  // namespace

// ---- Timers

void TDKView::ArmTimer(TDKViewTimer Kind, UINT Interval) {
  DisarmTimer(Kind);
  if (!IsPopupWindowWithHandle()) return;
  SetTimer(window_->Handle(), kViewTimerIdBase + Kind, Interval);
  armedTimers_ |= uint8_t(1u << Kind);
}

void TDKView::DisarmTimer(TDKViewTimer Kind) {
  if (unsigned(Kind) > 7 || !(armedTimers_ & (1u << Kind))) return;
  if (!IsPopupWindowWithHandle()) return;
  KillTimer(window_->Handle(), kViewTimerIdBase + Kind);
  armedTimers_ &= uint8_t(~(1u << Kind));
}

void TDKView::DisarmAllTimers() {
  for (int k = vtmOpenPopup; k <= vtmScrollDown; ++k) DisarmTimer(TDKViewTimer(k));
}

void TDKView::HandleViewTimer(TDKViewTimer Kind) {
  switch (Kind) {
    case vtmOpenPopup:
      ClosePopups();
      OpenSelectedPopup(false);
      break;
    case vtmClosePopup:
      ClosePopups();
      break;
    case vtmScrollUp:
      if (showUpArrow_)
        ScrollByItem(false);
      else
        DisarmTimer(vtmScrollUp);
      break;
    case vtmScrollDown:
      if (showDownArrow_)
        ScrollByItem(true);
      else
        DisarmTimer(vtmScrollDown);
      break;
  }
}

// ---- Popups of the selection

bool TDKView::OpenSelectedPopup(bool SelectFirst) {
  DisarmTimer(vtmClosePopup);
  DisarmTimer(vtmOpenPopup);
  if (selected_ != openViewer_) {
    ClosePopups();
    if (selected_ && selected_->Item()->Enabled() && selected_->Item()->HasStyle(dksfSubmenu))
      selected_->Item()->OpenPopupWindow(this, selected_, paLeft, TPoint{0, 0}, false, SelectFirst, !isToolbar_);
  }
  return openViewerView_ != nullptr;
}

void TDKView::ClosePopups() {
  if (openViewerView_) openViewerView_->ClosePopups();
  DisarmTimer(vtmClosePopup);
  TDKPopupWindow* w = openViewerWindow_;
  openViewer_ = nullptr;
  openViewerView_ = nullptr;
  openViewerWindow_ = nullptr;
  if (w) {
    w->RemoveFreeNotification(this);
    FreePopupWindow(w);
  }
}

void TDKView::ClosePopupsAndLeaveDropDown() {
  if (isToolbar_) SetState(vstDropDownMode, false);
  ClosePopups();
}

// ---- Selection

void TDKView::ReleaseMouseCapture() {
  if (!capture_) return;
  capture_ = false;
  LastCursorPos.X = INT32_MIN;
  if (selected_) selected_->CaptureReleased();
}

void TDKView::AnnounceFocus() {
  if (!HasState(vstMenuMode) || !TopView()->HasState(vstMenuMode)) return;
  if (!window_ || !window_->HandleAllocated() || !IsWindowVisible(window_->Handle())) return;
  if (selected_ && selected_->CountsForAccessibility()) {
    int32_t child = 1;
    for (TDKItemViewer* v : ViewerList()) {
      if (v == selected_) break;
      if (v->CountsForAccessibility()) ++child;
    }
    RaiseAccessibilityEvent(EVENT_OBJECT_FOCUS, window_->Handle(), OBJID_CLIENT, child);
  } else if (parentView_) {
    parentView_->AnnounceFocus();
  } else {
    RaiseAccessibilityEvent(EVENT_OBJECT_FOCUS, window_->Handle(), OBJID_CLIENT, 0);
  }
}

void TDKView::ChangeSelection(TDKItemViewer* Viewer, bool ViaMouse) {
  TDKItemViewer* old = selected_;
  const bool changed = Viewer != old;
  if (changed) {
    if (Viewer && parentView_ && parentView_->openViewer_ && parentView_->openViewer_ != parentView_->selected_) {
      parentView_->SetSelected(parentView_->openViewer_);
      parentView_->DisarmTimer(vtmClosePopup);
      parentView_->DisarmTimer(vtmOpenPopup);
    }
    if (HasState(vstMenuMode)) {
      if (isToolbar_ || !ViaMouse) {
        DisarmTimer(vtmClosePopup);
        if (Viewer != openViewer_) ClosePopups();
      } else if (openViewerView_ && !TimerArmed(vtmClosePopup)) {
        ArmTimer(vtmClosePopup, UINT(QueryMenuPopupDelay()));
      }
    }
    ReleaseMouseCapture();
    if (old) old->SelectionLeft();
    selected_ = Viewer;
    selectedViaMouse_ = ViaMouse;
  }
  bool mouseOver = false;
  if (Viewer && window_ && window_->HandleAllocated()) {
    TPoint p = CurrentMessagePos();
    if (WindowUnder(p) == window_->Handle()) {
      TPoint c = window_->ScreenToClient(p);
      if (ViewerAtPoint(c) == Viewer) {
        mouseOver = true;
        TPoint vp = Viewer->ScreenToViewer(p);
        if (capture_ && !Viewer->PointInButtonPart(vp.X, vp.Y)) mouseOver = false;
      }
    }
  }
  if (!changed) {
    if (mouseOver != mouseOverSelected_) {
      mouseOverSelected_ = mouseOver;
      if (capture_ && Viewer && Viewer->Item()->HasStyle(dksfRedrawOnHover)) InvalidateViewerRect(Viewer);
    }
    return;
  }
  mouseOverSelected_ = mouseOver;
  if (old && old->Item()->HasStyle(dksfRedrawOnSelect)) InvalidateViewerRect(old);
  if (Viewer) {
    if (Viewer->Item()->HasStyle(dksfRedrawOnSelect)) InvalidateViewerRect(Viewer);
    Viewer->SelectionEntered(old);
  }
  AnnounceFocus();
  if (!HasState(vstMenuMode)) return;
  if (isPopup_) {
    DisarmTimer(vtmOpenPopup);
    if (ViaMouse && Viewer && Viewer->Item()->HasStyle(dksfSubmenu))
      ArmTimer(vtmOpenPopup, UINT(QueryMenuPopupDelay()));
  } else if (Viewer) {
    if (ViaMouse && parentView_) SetState(vstDropDownMode, true);
    if (HasState(vstDropDownMode) && !(!ViaMouse && Viewer->Item()->HasStyle(dksfNoAutoOpen)))
      OpenSelectedPopup(!ViaMouse);
  }
}

TDKItemViewer* TDKView::NextSelectableViewer(TDKItemViewer* From, bool Forward) {
  EnsureLayout();
  const int32_t n = ViewerCount();
  if (n == 0) return nullptr;
  int32_t start = ViewerIndex(From);
  int32_t i = start;
  int32_t firstVisited = -2;
  for (;;) {
    i = Forward ? i + 1 : i - 1;
    // The arrows wrap around the ends, as the user expects of a menu; the
    // first index seen ends the search when nothing is selectable. (No
    // viewer, index -1, starts before the first or after the last.)
    if (i >= n) i = 0;
    if (i < 0) i = n - 1;
    if (i == firstVisited) return nullptr;
    if (firstVisited == -2) firstVisited = i;
    TDKItemViewer* v = viewers_[size_t(i)].get();
    if ((v->Shown || v->Clipped) && v->Item()->Visible() && v->Item()->HasStyle(dksfSelectable)) return v;
  }
}

TDKItemViewer* TDKView::FirstViewerForSelection() {
  TDKItemViewer* first = NextSelectableViewer(nullptr, true);
  TDKItemViewer* v = first;
  while (v && v->Item()->HasStyle(dksfNoSelectFirst)) {
    v = NextSelectableViewer(v, true);
    if (v == first) return first;
  }
  return v;
}

void TDKView::SelectNeighbour(bool Forward) {
  SetSelected(NextSelectableViewer(selected_, Forward));
  ScrollSelectionIntoView();
}

void TDKView::ActivateSelected(bool GivePriority) {
  if (selected_ && selected_->Item()->Enabled()) {
    TDKCustomItem* item = selected_->Item();
    if (!item->HasStyle(dksfSplit) && item->HasStyle(dksfSubmenu) && OpenSelectedPopup(true)) return;
    if (item->HasStyle(dksfSelectable)) {
      selected_->Activate(GivePriority);
      return;
    }
  }
  LeaveMenu();
}

void TDKView::TrackMouse(const TPoint* ScreenPoint, bool AllowNewSelection) {
  EnsureLayout();
  TDKItemViewer* candidate = HasState(vstMenuMode) ? selected_ : nullptr;
  bool wasInside = HasState(vstMouseInside);
  if (ScreenPoint && window_ && window_->HandleAllocated() && WindowUnder(*ScreenPoint) == window_->Handle()) {
    SetState(vstMouseInside, true);
    if (isPopup_) candidate = nullptr;
    if (AllowNewSelection || selected_) {
      if (TDKItemViewer* v = ViewerAtPoint(window_->ScreenToClient(*ScreenPoint))) candidate = v;
    }
  } else {
    SetState(vstMouseInside, false);
  }
  if (capture_) candidate = selected_;
  if (isPopup_ && wasInside && !HasState(vstMouseInside) && !capture_) {
    if (!(openViewerView_ && candidate && candidate->Item()->HasStyle(dksfSubmenu))) candidate = nullptr;
  }
  ChangeSelection(candidate, true);
  if (HasState(vstMenuMode) && HasState(vstMouseInside) && ScreenPoint) {
    TPoint c = window_->ScreenToClient(*ScreenPoint);
    TRect client = window_->ClientRect();
    if (PtInRect(&client, c)) {
      if (showUpArrow_ && c.Y < kScrollArrowBand) {
        DisarmTimer(vtmScrollDown);
        if (!TimerArmed(vtmScrollUp)) ArmTimer(vtmScrollUp, 100);
      } else if (showDownArrow_ && c.Y >= client.Bottom - kScrollArrowBand) {
        DisarmTimer(vtmScrollUp);
        if (!TimerArmed(vtmScrollDown)) ArmTimer(vtmScrollDown, 100);
      } else {
        DisarmTimer(vtmScrollUp);
        DisarmTimer(vtmScrollDown);
      }
    }
  }
}

void TDKView::ScrollByItem(bool Down) {
  EnsureLayout();
  if (Down) {
    bool found = false;
    int32_t best = INT32_MAX;
    for (TDKItemViewer* v : ViewerList())
      if (v->Clipped && !v->IsSeparatorViewer() && v->BoundsRect.Bottom > heightLimit_ - kScrollArrowBand) {
        best = std::min(best, v->BoundsRect.Bottom);
        found = true;
      }
    if (!found) return;
    scrollOffset_ += best + kScrollArrowBand - heightLimit_;
  } else {
    bool found = false;
    int32_t best = INT32_MIN;
    for (TDKItemViewer* v : ViewerList())
      if (v->Clipped && !v->IsSeparatorViewer() && v->BoundsRect.Top < kScrollArrowBand) {
        best = std::max(best, v->BoundsRect.Top);
        found = true;
      }
    if (!found) return;
    scrollOffset_ += best - kScrollArrowBand;
  }
  Relayout();
}

void TDKView::ScrollSelectionIntoView() {
  EnsureLayout();
  if (!selected_ || !selected_->Clipped) return;
  if (selected_->BoundsRect.Top < kScrollArrowBand)
    scrollOffset_ -= kScrollArrowBand - selected_->BoundsRect.Top;
  else if (selected_->BoundsRect.Bottom > heightLimit_ - kScrollArrowBand)
    scrollOffset_ -= heightLimit_ - selected_->BoundsRect.Bottom - kScrollArrowBand;
  Relayout();
}

void TDKView::ShowAccelerators(bool Show) {
  bool shown = (!Show && (style_ & vsyHideAccels)) ? KeyboardCuesShown() : true;
  if (shown == HasState(vstAccelsShown)) return;
  SetState(vstAccelsShown, shown);
  if (window_ && window_->HandleAllocated() && IsWindowVisible(window_->Handle()))
    for (TDKItemViewer* v : ViewerList())
      if (v->ShowsCaption() && AcceleratorCharOf(v->CaptionBeforeTab()) != 0) InvalidateViewerRect(v);
}

TDKItemViewer* TDKView::FindViewerForKey(TDKItemViewer* From, uint32_t Key, bool& Unique, bool EnabledOnly) {
  Unique = false;
  EnsureLayout();
  const int32_t n = ViewerCount();
  if (n == 0) return nullptr;
  const uint32_t key = FoldCase(Key);
  auto firstChar = [](const std::string& s) -> uint32_t { return FirstCodePoint(s); };
  for (int pass = 0; pass < (EnabledOnly ? 1 : 2); ++pass) {
    const bool wantEnabled = pass == 0;
    for (int kind = 0; kind < 2; ++kind) {
      auto matches = [&](TDKItemViewer* v) {
        TDKCustomItem* it = v->Item();
        if (!(v->Shown || v->Clipped) || !it->HasStyle(dksfSelectable) || !it->Visible() ||
            it->Enabled() != wantEnabled || !v->ShowsCaption())
          return false;
        std::string cap = v->CaptionBeforeTab();
        uint32_t accel = AcceleratorCharOf(cap);
        if (kind == 0) return accel != 0 && FoldCase(accel) == key;
        return accel == 0 && Key != ' ' && FoldCase(firstChar(cap)) == key;
      };
      int32_t start = ViewerIndex(From);
      for (int32_t step = 1; step <= n; ++step) {
        TDKItemViewer* v = viewers_[size_t(((start + step) % n + n) % n)].get();
        if (!matches(v)) continue;
        if (kind == 1) {
          Unique = true;
        } else {
          int32_t at = ViewerIndex(v);
          for (int32_t s = 1; s <= n; ++s) {
            TDKItemViewer* w = viewers_[size_t((at + s) % n)].get();
            if (matches(w)) {
              Unique = w == v;
              break;
            }
          }
        }
        return v;
      }
    }
  }
  return nullptr;
}

// ---- Keys

void TDKView::HandleKeyDown(uint16_t& Key, TShiftState Shift) {
  TDKView* T = NearestToolbarView();
  const bool tVertical = T && T->orientation_ == vorVertical;
  auto openFirst = [&]() { return OpenSelectedPopup(true); };
  switch (Key) {
    case VK_TAB:
      SelectNeighbour(!Shift.Contains(ssShift));
      break;
    case VK_RETURN:
      ActivateSelected(true);
      break;
    case VK_ESCAPE:
      if (isPopup_ && parentView_) {
        parentView_->ClosePopupsAndLeaveDropDown();
      } else {
        LeaveMenu();
      }
      break;
    case VK_MENU:
    case VK_F10:
      LeaveMenu();
      break;
    case VK_HOME:
    case VK_END:
      SetSelected(Key == VK_HOME ? NextSelectableViewer(nullptr, true) : NextSelectableViewer(nullptr, false));
      ScrollSelectionIntoView();
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (this == T && tVertical) {
        openFirst();
      } else if (Key == VK_LEFT) {
        if (!T || tVertical) {
          if (parentView_) parentView_->ClosePopupsAndLeaveDropDown();
        } else if (this == T) {
          SelectNeighbour(false);
        } else if (parentView_ == T) {
          T->SelectNeighbour(false);
        } else if (parentView_) {
          parentView_->ClosePopups();
        }
      } else {
        if ((this == T || !openFirst()) && T && !tVertical) T->SelectNeighbour(true);
      }
      break;
    case VK_UP:
    case VK_DOWN:
      if (this != T || tVertical)
        SelectNeighbour(Key == VK_DOWN);
      else
        openFirst();
      break;
    case VK_F1: {
      for (TDKView* v = this; v; v = v->parentView_)
        if (v->selected_ && v->selected_->Item()->HelpContext() != 0) {
          LeaveMenuWithHelp(v->selected_->Item()->HelpContext());
          break;
        }
      break;
    }
    default:
      return;
  }
  Key = 0;
}
