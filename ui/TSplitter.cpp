#include "ui/TSplitter.h"

#include <algorithm>

#include "platform/Draw.h"

RTL_DEFINE_CLASS(TSplitter, TGraphicControl,
                 Published("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize),
                 Published("Beveled", &TSplitter::Beveled, &TSplitter::SetBeveled))

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  controlStyle_ = TControlStyle{csCaptureMouse};
  SetAlign(alLeft);
  SetBounds(0, 0, 3, 100);
  SetCursor(crHSplit);
}

void TSplitter::Dispatch(TMessage& Message) {
  // The cursor follows the direction the splitter moves in.
  if (Message.Msg == CM_MOUSEENTER)
    SetCursor(Align() == alTop || Align() == alBottom ? crVSplit : crHSplit);
  TGraphicControl::Dispatch(Message);
}

TControl* TSplitter::FindControl() {
  if (!Parent()) return nullptr;
  // The control touching the splitter's leading edge.
  TPoint p;
  switch (Align()) {
    case alLeft: p = TPoint{Left() - 1, Top()}; break;
    case alRight: p = TPoint{Left() + Width(), Top()}; break;
    case alTop: p = TPoint{Left(), Top() - 1}; break;
    case alBottom: p = TPoint{Left(), Top() + Height()}; break;
    default: return nullptr;
  }
  for (int32_t i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    TRect r = c->BoundsRect();
    if (Align() == alLeft || Align() == alRight) {
      if (p.X >= r.Left && p.X < r.Right) return c;
    } else if (p.Y >= r.Top && p.Y < r.Bottom) {
      return c;
    }
  }
  return nullptr;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  control_ = FindControl();
  downPos_ = ClientToScreen(TPoint{X, Y});
  if (control_)
    startSize_ = (Align() == alLeft || Align() == alRight) ? control_->Width() : control_->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!control_ || !controlState_.Contains(csLButtonDown)) return;
  TPoint p = ClientToScreen(TPoint{X, Y});
  bool horz = Align() == alLeft || Align() == alRight;
  int32_t delta = horz ? p.X - downPos_.X : p.Y - downPos_.Y;
  if (Align() == alRight || Align() == alBottom) delta = -delta;
  int32_t size = startSize_ + delta;
  // The room the parent leaves besides the other controls.
  TRect cr = Parent()->ClientRect();
  int32_t total = horz ? cr.Width() : cr.Height();
  int32_t others = 0;
  for (int32_t i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == control_ || !c->Visible()) continue;
    if (horz && (c->Align() == alLeft || c->Align() == alRight)) others += c->Width();
    if (!horz && (c->Align() == alTop || c->Align() == alBottom)) others += c->Height();
  }
  int32_t maxSize = total - others - minSize_;
  size = std::min(size, maxSize);
  size = std::max(size, minSize_);
  bool accept = true;
  if (OnCanResize) OnCanResize(this, size, accept);
  if (!accept) return;
  int32_t cur = horz ? control_->Width() : control_->Height();
  if (size == cur) return;
  if (horz) {
    control_->SetWidth(size);
  } else {
    control_->SetHeight(size);
  }
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  bool moving = control_ != nullptr && Button == mbLeft;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (moving) {
    control_ = nullptr;
    if (OnMoved) OnMoved(this);
  }
}

void TSplitter::Paint() {
  TRect r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  if (beveled_) DrawEdge(Canvas()->Handle(), &r, BDR_RAISEDINNER, BF_RECT);
}
