#include "ui/TCheckBox.h"

#include "platform/Draw.h"
#include "platform/Text.h"
#include "ui/TButton.h"

RTL_DEFINE_CLASS(TCheckBox, TCustomControl,
                 Published("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked),
                 Published("State", &TCheckBox::State, &TCheckBox::SetState),
                 Published("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed))

TCheckBox::TCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csSetCaption, csCaptureMouse, csClickEvents, csDoubleClicks};
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCheckBox::SetState(TCheckBoxState v) {
  if (state_ == v) return;
  state_ = v;
  Invalidate();
  // A change from the program is a click too, as the platform's box reports it.
  TCustomControl::Click();
}

void TCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbGrayed: SetState(cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
  }
}

void TCheckBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && CanFocus() && !Focused()) SetFocus();
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCheckBox::KeyUp(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyUp(Key, Shift);
  if (Key == VK_SPACE) Toggle();
}

void TCheckBox::CMDialogChar(TMessage& Message) {
  if (IsAccel(uint32_t(Message.WParam), Caption()) && CanFocus()) {
    SetFocus();
    Toggle();
    Message.Result = 1;
    return;
  }
  TCustomControl::CMDialogChar(Message);
}

void TCheckBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON;
      return;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TCheckBox::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  int32_t top = (r.Height() - 13) / 2;
  TRect box = Rect(0, top, 13, top + 13);
  UINT st = DFCS_BUTTONCHECK;
  if (state_ != cbUnchecked) st |= DFCS_CHECKED;
  if (state_ == cbGrayed || !Enabled()) st |= DFCS_INACTIVE;
  DrawFrameControl(dc, &box, DFC_BUTTON, st);
  TRect t = Rect(17, 0, r.Right, r.Bottom);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  DrawText(dc, Caption(), &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (Focused()) {
    TRect f = t;
    DrawText(dc, Caption(), &f, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    f.Top = (r.Height() - f.Height()) / 2 - 1;
    f.Bottom = f.Top + (f.Bottom - f.Top) + 2;
    InflateRect(&f, 1, 0);
    DrawFocusRect(dc, &f);
  }
}
