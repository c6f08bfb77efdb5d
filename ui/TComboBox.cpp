#include "ui/TComboBox.h"

#include <algorithm>
#include <cctype>

#include "platform/Draw.h"
#include "ui/ControlPaint.h"
#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TComboListBox, TCustomControl)
RTL_DEFINE_CLASS(TCustomComboBox, TCustomControl,
                 Published("Items", &TCustomComboBox::Items, &TCustomComboBox::SetItems),
                 Published("ItemIndex", &TCustomComboBox::ItemIndex, &TCustomComboBox::SetItemIndex),
                 Published("Style", &TCustomComboBox::Style, &TCustomComboBox::SetStyle),
                 Published("DropDownCount", &TCustomComboBox::DropDownCount,
                           &TCustomComboBox::SetDropDownCount),
                 Published("Sorted", &TCustomComboBox::Sorted, &TCustomComboBox::SetSorted),
                 Published("MaxLength", &TCustomComboBox::MaxLength, &TCustomComboBox::SetMaxLength),
                 Published("Text", &TCustomComboBox::Text, &TCustomComboBox::SetText))
RTL_DEFINE_CLASS(TComboBox, TCustomComboBox)

// ---- TComboListBox

TComboListBox::TComboListBox(TCustomComboBox* Combo) : TCustomControl(Combo), combo_(Combo) {
  controlStyle_ = TControlStyle{csCaptureMouse};
  SetVisible(false);
  color_ = clWindow;
}

void TComboListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER | WS_VSCROLL;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = nullptr;
}

int32_t TComboListBox::ItemHeight() {
  MatchCanvasFont(Canvas(), combo_->Font());
  return Canvas()->TextHeight("Ag") + 2;
}

int32_t TComboListBox::VisibleRows() {
  return std::max(1, ClientHeight() / std::max(1, ItemHeight()));
}

int32_t TComboListBox::ItemAtPos(int32_t Y) {
  if (Y < 0 || Y >= ClientHeight()) return -1;
  int32_t i = top_ + Y / ItemHeight();
  return i < combo_->Items()->Count() ? i : -1;
}

void TComboListBox::SetTopIndex(int32_t v) {
  v = std::clamp(v, 0, std::max(0, combo_->Items()->Count() - VisibleRows()));
  if (v == top_) return;
  top_ = v;
  UpdateScrollBar();
  Invalidate();
}

void TComboListBox::SetHotIndex(int32_t v) {
  if (v >= combo_->Items()->Count()) v = combo_->Items()->Count() - 1;
  if (v == hot_) return;
  hot_ = v;
  if (hot_ >= 0) {
    if (hot_ < top_) SetTopIndex(hot_);
    else if (hot_ >= top_ + VisibleRows()) SetTopIndex(hot_ - VisibleRows() + 1);
  }
  Invalidate();
}

void TComboListBox::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = combo_->Items()->Count() - 1;
  si.nPage = UINT(VisibleRows());
  si.nPos = top_;
  SetScrollInfo(Handle(), SB_VERT, &si, true);
}

void TComboListBox::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TRect r = ClientRect();
  if (PtInRect(&r, TPoint{X, Y})) SetHotIndex(ItemAtPos(Y));
  TCustomControl::MouseMove(Shift, X, Y);
}

void TComboListBox::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  TRect r = ClientRect();
  if (Button == mbLeft && PtInRect(&r, TPoint{X, Y})) {
    int32_t i = ItemAtPos(Y);
    combo_->SetDroppedDown(false);
    if (i >= 0) combo_->Choose(i);
  }
}

bool TComboListBox::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  SetTopIndex(top_ - WheelDelta / 120 * 3);
  return true;
}

void TComboListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_MOUSEACTIVATE:
      Message.Result = MA_NOACTIVATE;
      return;
    case WM_LBUTTONDOWN: {
      // A press outside the list (the capture brings it here) closes it.
      TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      TRect r = ClientRect();
      if (!PtInRect(&r, p)) {
        TPoint s = ClientToScreen(p);
        TRect w;
        GetWindowRect(Handle(), w);
        if (!PtInRect(&w, s)) {
          combo_->SetDroppedDown(false);
          return;
        }
      }
      break;
    }
    case WM_VSCROLL: {
      int32_t code = LOWORD(Message.WParam);
      switch (code) {
        case SB_LINEUP: SetTopIndex(top_ - 1); break;
        case SB_LINEDOWN: SetTopIndex(top_ + 1); break;
        case SB_PAGEUP: SetTopIndex(top_ - VisibleRows()); break;
        case SB_PAGEDOWN: SetTopIndex(top_ + VisibleRows()); break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: SetTopIndex(int16_t(HIWORD(Message.WParam))); break;
      }
      return;
    }
    case WM_SHOWWINDOW:
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TComboListBox::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), combo_->Font(), clWindow, r);
  int32_t h = ItemHeight();
  for (int32_t i = top_, y = 0; i < combo_->Items()->Count() && y < r.Bottom; ++i, y += h) {
    TRect ir = Rect(0, y, r.Right, y + h);
    if (i == hot_) {
      Canvas()->Brush()->SetColor(clHighlight);
      Canvas()->FillRect(ir);
      SetTextColor(dc, ColorToRGB(clHighlightText));
    } else {
      SetTextColor(dc, ColorToRGB(combo_->Font()->Color()));
    }
    TRect tr = ir;
    tr.Left += 2;
    // Filling a highlight makes the canvas paint text backgrounds again.
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, combo_->Items()->Strings(i), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

// ---- TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TCustomControl(AOwner), items_(new TStringList) {
  // No click events of its own: OnClick reports a choice of an item.
  controlStyle_ = TControlStyle{csCaptureMouse, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  color_ = clWindow;
  items_->OnChange = [this](TObject* s) { ItemsChanged(s); };
  list_ = new TComboListBox(this);
}

TCustomComboBox::~TCustomComboBox() {
  items_->OnChange = nullptr;
  items_->Free();
}

void TCustomComboBox::BeforeDestruction() {
  if (droppedDown_) SetDroppedDown(false);
  TCustomControl::BeforeDestruction();
}

void TCustomComboBox::ItemsChanged(TObject*) {
  if (itemIndex_ >= items_->Count()) itemIndex_ = -1;
  if (style_ == csDropDownList) TCustomControl::SetText(itemIndex_ >= 0 ? items_->Strings(itemIndex_) : "");
  Invalidate();
  if (droppedDown_) list_->Invalidate();
}

void TCustomComboBox::SetSorted(bool v) {
  sorted_ = v;
  items_->SetSorted(v);
}

void TCustomComboBox::SetItemIndex(int32_t v) {
  if (v < -1 || v >= items_->Count()) v = -1;
  itemIndex_ = v;
  TCustomControl::SetText(v >= 0 ? items_->Strings(v) : "");
  Invalidate();
}

void TCustomComboBox::SetText(const std::string& v) {
  if (style_ == csDropDownList) {
    // Only an item's text can show; another text clears the choice.
    SetItemIndex(items_->IndexOf(v));
    return;
  }
  std::string s = maxLength_ > 0 && int32_t(v.size()) > maxLength_ ? v.substr(0, size_t(maxLength_)) : v;
  itemIndex_ = items_->IndexOf(s);
  TCustomControl::SetText(s);
  Invalidate();
}

void TCustomComboBox::Clear() {
  items_->Clear();
  SetItemIndex(-1);
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  style_ = v;
  if (v == csDropDownList) SetItemIndex(itemIndex_);
  Invalidate();
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Choose(int32_t Index) {
  if (Index < 0 || Index >= items_->Count()) return;
  if (Index == itemIndex_ && Text() == items_->Strings(Index)) return;
  SetItemIndex(Index);
  // A choice by the user is a click; then OnSelect when set, else OnChange.
  TCustomControl::Click();
  if (OnSelect) OnSelect(this);
  else Change();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  if (v == droppedDown_) return;
  if (v) {
    if (OnDropDown) OnDropDown(this);
    droppedDown_ = true;
    int32_t rows = std::clamp(items_->Count(), 1, dropDownCount_);
    TPoint p = ClientToScreen(TPoint{0, Height()});
    int32_t h = rows * list_->ItemHeight() + 2;
    if (Screen && p.Y + h > Screen->Height()) p = ClientToScreen(TPoint{0, -h});
    list_->HandleNeeded();
    list_->top_ = 0;
    list_->hot_ = -1;
    // The list is as wide as its widest entry, when that is wider than the
    // box: entries are not cut off.
    MatchCanvasFont(list_->Canvas(), Font());
    int32_t w = Width();
    int32_t scroll = items_->Count() > rows ? GetSystemMetrics(SM_CXVSCROLL) : 0;
    for (int32_t i = 0; i < items_->Count(); ++i)
      w = std::max(w, list_->Canvas()->TextWidth(items_->Strings(i)) + 8 + scroll);
    if (Screen) {
      w = std::min(w, Screen->Width());
      if (p.X + w > Screen->Width()) p.X = std::max(0, Screen->Width() - w);
    }
    SetWindowPos(list_->Handle(), HWND_TOPMOST, p.X, p.Y, w, h, SWP_NOACTIVATE);
    list_->SetBounds(p.X, p.Y, w, h);
    list_->UpdateScrollBar();
    list_->SetHotIndex(itemIndex_);
    list_->SetTopIndex(itemIndex_ >= 0 ? itemIndex_ - rows / 2 : 0);
    list_->SetVisible(true);
    SetWindowPos(list_->Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    SetCaptureControl(list_);
  } else {
    droppedDown_ = false;
    if (GetCaptureControl() == list_) SetCaptureControl(nullptr);
    list_->SetVisible(false);
    if (list_->HandleAllocated()) ShowWindow(list_->Handle(), SW_HIDE);
    if (OnCloseUp) OnCloseUp(this);
  }
  Invalidate();
}

void TCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    bool onButton = X >= Width() - GetSystemMetrics(SM_CXVSCROLL) - 2;
    if (style_ == csDropDownList || onButton) {
      SetDroppedDown(!droppedDown_);
      if (droppedDown_) {
        controlState_.Exclude(csLButtonDown);
        return;
      }
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomComboBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  int32_t n = items_->Count();
  if (droppedDown_) {
    int32_t hot = list_->HotIndex();
    int32_t page = list_->VisibleRows();
    switch (Key) {
      case VK_UP: list_->SetHotIndex(std::max(0, hot - 1)); break;
      case VK_DOWN:
        if (Shift.Contains(ssAlt)) SetDroppedDown(false);
        else list_->SetHotIndex(std::min(n - 1, hot + 1));
        break;
      case VK_PRIOR: list_->SetHotIndex(std::max(0, hot - page)); break;
      case VK_NEXT: list_->SetHotIndex(std::min(n - 1, hot + page)); break;
      case VK_HOME: list_->SetHotIndex(0); break;
      case VK_END: list_->SetHotIndex(n - 1); break;
      case VK_RETURN:
      case VK_F4:
        SetDroppedDown(false);
        if (hot >= 0) Choose(hot);
        break;
      case VK_ESCAPE: SetDroppedDown(false); break;
      default: return;
    }
    Key = 0;
    return;
  }
  if (n == 0 && Key != VK_F4) return;
  int32_t i = itemIndex_;
  bool vertOnly = style_ != csDropDownList;  // an editable box keeps Left and Right for its text
  switch (Key) {
    case VK_F4: SetDroppedDown(true); Key = 0; return;
    case VK_DOWN:
      if (Shift.Contains(ssAlt)) {
        SetDroppedDown(true);
        Key = 0;
        return;
      }
      i = std::min(n - 1, i + 1);
      break;
    case VK_RIGHT: if (vertOnly) return; i = std::min(n - 1, i + 1); break;
    case VK_UP: i = std::max(0, i - 1); break;
    case VK_LEFT: if (vertOnly) return; i = std::max(0, i - 1); break;
    case VK_PRIOR: i = std::max(0, i - dropDownCount_ + 1); break;
    case VK_NEXT: i = std::min(n - 1, std::max(0, i) + dropDownCount_ - 1); break;
    case VK_HOME: if (vertOnly) return; i = 0; break;
    case VK_END: if (vertOnly) return; i = n - 1; break;
    default: return;
  }
  Key = 0;
  if (i != itemIndex_) Choose(i);
}

void TCustomComboBox::WMChar(TMessage& Message) {
  uint32_t cp = uint32_t(Message.WParam);
  if (DoKeyPress(Message)) return;
  if (cp < 0x80) cp = uint32_t(Message.WParam);
  if (style_ == csDropDownList) {
    // A letter chooses the next item that begins with it.
    if (cp < 0x21 || cp >= 0x80) return;
    int32_t n = items_->Count();
    for (int32_t k = 1; k <= n; ++k) {
      int32_t i = ((itemIndex_ < 0 ? -1 : itemIndex_) + k + n) % n;
      const std::string s = items_->Strings(i);
      if (!s.empty() && std::toupper(uint8_t(s[0])) == std::toupper(int(cp))) {
        if (droppedDown_) list_->SetHotIndex(i);
        else if (i != itemIndex_) Choose(i);
        return;
      }
    }
    return;
  }
  // The editable box: typing appends; Backspace takes the last character back.
  std::string t = Text();
  if (cp == VK_BACK) {
    if (t.empty()) return;
    size_t p = t.size() - 1;
    while (p > 0 && (uint8_t(t[p]) & 0xC0) == 0x80) --p;
    t.resize(p);
  } else if (cp >= 0x20 && cp < 0x80) {
    t += char(cp);
  } else {
    return;
  }
  SetText(t);
  Change();
}

void TCustomComboBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | (droppedDown_ ? LRESULT(DLGC_WANTALLKEYS) : LRESULT(0));
      return;
    case CM_WANTSPECIALKEY:
      if (droppedDown_ && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
        Message.Result = 1;
        return;
      }
      break;
    case WM_KILLFOCUS:
    case CM_CANCELMODE:
      if (Message.Msg == WM_KILLFOCUS || reinterpret_cast<TControl*>(Message.LParam) != list_)
        SetDroppedDown(false);
      Invalidate();
      break;
    case WM_SETFOCUS:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TCustomComboBox::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), Font(), Enabled() ? Color() : clBtnFace, r, true);
  int32_t bw = GetSystemMetrics(SM_CXVSCROLL);
  TRect btn = Rect(r.Right - bw, r.Top, r.Right, r.Bottom);
  DrawFrameControl(dc, &btn, DFC_SCROLL,
                   DFCS_SCROLLCOMBOBOX | (droppedDown_ ? DFCS_PUSHED | DFCS_FLAT : 0) |
                       (Enabled() ? 0 : DFCS_INACTIVE));
  TRect t = Rect(r.Left + 1, r.Top + 1, btn.Left - 1, r.Bottom - 1);
  bool focusedList = Focused() && !droppedDown_ && style_ == csDropDownList;
  if (focusedList) {
    Canvas()->Brush()->SetColor(clHighlight);
    Canvas()->FillRect(t);
  }
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(!Enabled() ? clGrayText : focusedList ? clHighlightText : Font()->Color()));
  TRect tt = t;
  tt.Left += 2;
  DrawText(dc, Text(), &tt, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (focusedList) DrawFocusRect(dc, &t);
}
