#include "panels/TUxPanel.h"

#include "platform/Draw.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TUxPanel, TCustomControl)

TUxPanel::TUxPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque, csSetCaption};
  SetBounds(0, 0, 185, 41);
  color_ = clBtnFace;
}

void TUxPanel::SetShowCaption(bool v) {
  if (showCaption_ == v) return;
  showCaption_ = v;
  Realign();
  Invalidate();
}

void TUxPanel::SetGradientEndColor(TColor v) {
  endColor_ = v;
  Invalidate();
}

void TUxPanel::AdjustClientRect(TRect& Rect) { Rect.Top += CaptionHeight(); }

void TUxPanel::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(endColor_ != clNone ? endColor_ : Color());
  c->FillRect(ClientRect());
  if (showCaption_) {
    TRect bar{0, 0, Width(), CaptionHeight()};
    c->Brush()->SetColor(clBtnShadow);
    c->FillRect(bar);
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(clWindow);
    TRect text{bar.Left + 4, bar.Top, bar.Right, bar.Bottom};
    DrawText(c->Handle(), Caption(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}
