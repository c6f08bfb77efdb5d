#include "toolbar/TTBKStatusBar.h"

#include "platform/Draw.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TTBKStatusBar, TCustomControl)

void TTBKStatusPanel::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  owner_->Invalidate();
}

void TTBKStatusPanel::SetSize(int32_t v) {
  if (size_ == v) return;
  size_ = v;
  owner_->Invalidate();
}

TTBKStatusBar::TTBKStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque};
  SetAlign(alBottom);
  SetBounds(0, 0, 200, 22);
  color_ = clBtnFace;
}

TTBKStatusPanel* TTBKStatusBar::AddPanel() {
  panels_.push_back(std::make_unique<TTBKStatusPanel>(this));
  Invalidate();
  return panels_.back().get();
}

TRect TTBKStatusBar::PanelRect(int32_t Index) {
  int32_t x = 0;
  for (int32_t i = 0; i < Index; ++i) x += panels_.at(size_t(i))->Size();
  return TRect{x, 2, x + panels_.at(size_t(Index))->Size(), Height()};
}

void TTBKStatusBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Brush()->SetStyle(bsClear);
  for (int32_t i = 0; i < PanelCount(); ++i) {
    TRect r = PanelRect(i);
    r.Right -= 2;
    DrawEdge(c->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    TRect text{r.Left + 3, r.Top, r.Right - 2, r.Bottom};
    DrawText(c->Handle(), Panels(i)->Caption(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}
