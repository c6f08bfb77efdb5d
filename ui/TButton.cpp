#include "ui/TButton.h"

#include <cctype>

#include "platform/Draw.h"
#include "platform/Text.h"
#include "rtl/TypInfo.h"

RTL_DEFINE_CLASS(TButton, TCustomControl,
                 Published("Default", &TButton::Default, &TButton::SetDefault),
                 Published("Cancel", &TButton::Cancel, &TButton::SetCancel),
                 Published("ModalResult", &TButton::ModalResult, &TButton::SetModalResult))

bool IsAccel(uint32_t Key, const std::string& Text) {
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != '&') continue;
    if (Text[i + 1] == '&') {
      ++i;
      continue;
    }
    return std::toupper(uint8_t(Text[i + 1])) == std::toupper(int(Key & 0xFF)) && Key < 0x80;
  }
  return false;
}

TButton::TButton(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csSetCaption, csDoubleClicks, csCaptureMouse, csClickEvents};
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
  color_ = clBtnFace;
}

void TButton::SetDefault(bool v) {
  if (default_ == v) return;
  default_ = v;
  TCustomForm* f = GetParentForm(this);
  TWinControl* focused = f ? f->ActiveControl() : nullptr;
  active_ = focused == this || (v && !dynamic_cast<TButton*>(focused));
  Invalidate();
}

void TButton::Click() {
  if (modalResult_ != mrNone)
    if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
  TCustomControl::Click();
}

void TButton::SetPushed(bool v) {
  if (pushed_ == v) return;
  pushed_ = v;
  Invalidate();
}

void TButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    if (CanFocus() && !Focused()) SetFocus();
    SetPushed(true);
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  if (controlState_.Contains(csLButtonDown)) {
    TRect r = ClientRect();
    SetPushed(PtInRect(&r, TPoint{X, Y}));
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) SetPushed(false);
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButton::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_SPACE && !spaceDown_) {
    spaceDown_ = true;
    SetPushed(true);
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TButton::KeyUp(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyUp(Key, Shift);
  if (Key == VK_SPACE && spaceDown_) {
    spaceDown_ = false;
    SetPushed(false);
    Click();
  }
}

void TButton::CMDialogKey(TMessage& Message) {
  bool enter = Message.WParam == VK_RETURN && active_;
  bool escape = Message.WParam == VK_ESCAPE && cancel_;
  if ((enter || escape) && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TCustomControl::CMDialogKey(Message);
}

void TButton::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus()) {
    Click();
    Message.Result = 1;
    return;
  }
  TCustomControl::CMDialogChar(Message);
}

void TButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
      bool active = focused == this || (default_ && !dynamic_cast<TButton*>(focused));
      if (active != active_) {
        active_ = active;
        Invalidate();
      }
      return;
    }
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON | (active_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
      return;
    case WM_KILLFOCUS:
      spaceDown_ = false;
      SetPushed(false);
      break;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TButton::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  if (active_) {
    // The button that answers Enter wears a black frame.
    Canvas()->Brush()->SetColor(clWindowFrame);
    Canvas()->FrameRect(r);
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed_ ? DFCS_PUSHED : 0));
  TRect t = r;
  if (pushed_) OffsetRect(&t, 1, 1);
  SetBkMode(dc, TRANSPARENT);
  UINT fmt = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  if (!Enabled()) {
    TRect s = t;
    OffsetRect(&s, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, Caption(), &s, fmt);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
  }
  DrawText(dc, Caption(), &t, fmt);
  if (Focused()) {
    TRect f = r;
    InflateRect(&f, -4, -4);
    DrawFocusRect(dc, &f);
  }
}
