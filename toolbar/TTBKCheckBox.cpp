#include "toolbar/TTBKCheckBox.h"

#include "platform/Draw.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TTBKCheckBox, TCustomControl)

TTBKCheckBox::TTBKCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csSetCaption, csClickEvents, csCaptureMouse, csDoubleClicks};
  SetBounds(0, 0, 150, 17);
  SetTabStop(true);
  color_ = clBtnFace;
  SetParentColor(true);
}

void TTBKCheckBox::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  Invalidate();
  TCustomControl::Click();
}

void TTBKCheckBox::Click() {
  checked_ = !checked_;
  Invalidate();
  TCustomControl::Click();
}

void TTBKCheckBox::KeyPress(char& Key) {
  if (Key == ' ') {
    Click();
    Key = 0;
  }
  TCustomControl::KeyPress(Key);
}

void TTBKCheckBox::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int32_t box = 13;
  const int32_t top = (Height() - box) / 2;
  TRect r{0, top, box, top + box};
  c->Brush()->SetColor(Enabled() ? clWindow : clBtnFace);
  c->FillRect(r);
  DrawEdge(c->Handle(), &r, EDGE_SUNKEN, BF_RECT);
  if (checked_) {
    c->Pen()->SetColor(clWindowText);
    for (int32_t i = 0; i < 3; ++i) {
      c->MoveTo(3, top + 5 + i);
      c->LineTo(5, top + 7 + i);
      c->LineTo(10, top + 2 + i);
    }
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(Enabled() ? clWindowText : clGrayText);
  TRect text{box + 4, 0, Width(), Height()};
  DrawText(c->Handle(), Caption(), &text, DT_SINGLELINE | DT_VCENTER);
}
