#include "ui/TUpDown.h"

#include <algorithm>

#include "platform/Draw.h"

RTL_DEFINE_CLASS(TUpDown, TCustomControl,
                 Published("Min", &TUpDown::Min, &TUpDown::SetMin),
                 Published("Max", &TUpDown::Max, &TUpDown::SetMax),
                 Published("Position", &TUpDown::Position, &TUpDown::SetPosition),
                 Published("Increment", &TUpDown::Increment, &TUpDown::SetIncrement),
                 Published("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap),
                 Published("Thousands", &TUpDown::Thousands, &TUpDown::SetThousands),
                 Published("ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys),
                 Published("Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation),
                 Published("AlignButton", &TUpDown::AlignButton, &TUpDown::SetAlignButton),
                 Published("Associate", &TUpDown::Associate, &TUpDown::SetAssociate))

TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csCaptureMouse, csDoubleClicks};
  SetBounds(0, 0, 17, 25);
}

void TUpDown::BeforeDestruction() {
  SetAssociate(nullptr);
  TCustomControl::BeforeDestruction();
}

void TUpDown::SetPosition(int32_t v) {
  v = std::clamp(v, min_, std::max(min_, max_));
  if (v == position_) {
    UpdateAssociate();
    return;
  }
  position_ = v;
  UpdateAssociate();
  if (OnChange) OnChange(this);
}

void TUpDown::StepBy(TUDBtnType Button) {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  int64_t p = int64_t(position_) + (Button == btNext ? increment_ : -increment_);
  if (p > max_) p = wrap_ ? min_ : max_;
  if (p < min_) p = wrap_ ? max_ : min_;
  SetPosition(int32_t(p));
  if (OnClick) OnClick(this, Button);
}

void TUpDown::UpdateAssociate() {
  if (!associate_) return;
  std::string s = std::to_string(position_);
  if (thousands_) {
    size_t digits0 = s[0] == '-' ? 1 : 0;
    for (int64_t i = int64_t(s.size()) - 3; i > int64_t(digits0); i -= 3) s.insert(s.begin() + i, ',');
  }
  associate_->SetText(s);
}

void TUpDown::PlaceBesideAssociate() {
  if (!associate_ || !associate_->Parent()) return;
  SetParent(associate_->Parent());
  int32_t x = alignButton_ == udRight ? associate_->Left() + associate_->Width()
                                      : associate_->Left() - Width();
  SetBounds(x, associate_->Top(), Width(), associate_->Height());
}

void TUpDown::AssociateWndProc(TMessage& Message) {
  if (Message.Msg == WM_KEYDOWN && arrowKeys_ &&
      (Message.WParam == VK_UP || Message.WParam == VK_DOWN)) {
    StepBy(Message.WParam == VK_UP ? btNext : btPrev);
    return;
  }
  if (Message.Msg == WM_GETDLGCODE && associateOldProc_) {
    associateOldProc_(Message);
    Message.Result |= DLGC_WANTARROWS;
    return;
  }
  if (associateOldProc_) associateOldProc_(Message);
}

void TUpDown::SetAssociate(TWinControl* v) {
  if (v == associate_) return;
  if (associate_) {
    associate_->WindowProc = associateOldProc_;
    associateOldProc_ = nullptr;
    associate_->RemoveFreeNotification(this);
  }
  associate_ = v;
  if (v) {
    v->FreeNotification(this);
    associateOldProc_ = v->WindowProc;
    v->WindowProc = [this](TMessage& m) { AssociateWndProc(m); };
    PlaceBesideAssociate();
    UpdateAssociate();
  }
}

void TUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == associate_) {
    associate_ = nullptr;
    associateOldProc_ = nullptr;
  }
}

void TUpDown::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  bool vert = orientation_ == udVertical;
  pressed_ = vert ? (Y < Height() / 2 ? 0 : 1) : (X >= Width() / 2 ? 0 : 1);
  Invalidate();
  StepBy(pressed_ == 0 ? btNext : btPrev);
}

void TUpDown::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  pressed_ = -1;
  Invalidate();
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TUpDown::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  bool vert = orientation_ == udVertical;
  TRect a = r, b = r;
  if (vert) {
    a.Bottom = r.Height() / 2;
    b.Top = a.Bottom;
  } else {
    b.Right = r.Width() / 2;
    a.Left = b.Right;
  }
  UINT dis = Enabled() ? 0 : DFCS_INACTIVE;
  DrawFrameControl(dc, &a, DFC_SCROLL, (vert ? DFCS_SCROLLUP : DFCS_SCROLLRIGHT) | dis |
                                           (pressed_ == 0 ? DFCS_PUSHED : 0));
  DrawFrameControl(dc, &b, DFC_SCROLL, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLLEFT) | dis |
                                           (pressed_ == 1 ? DFCS_PUSHED : 0));
}
