#include "panels/TUxNavBar.h"

#include <algorithm>

#include "platform/Draw.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TUxNavBarPanel, TCustomControl)
RTL_DEFINE_CLASS(TUxNavBar, TCustomControl)

namespace {
constexpr int32_t kHeaderHeight = 26;
constexpr int32_t kCaptionHeight = 22;
}  // namespace

TUxNavBarPanel::TUxNavBarPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  color_ = clWindow;
}

void TUxNavBarPanel::SetNavBar(TUxNavBar* v) {
  if (navBar_ == v) return;
  if (navBar_) navBar_->RemovePanel(this);
  navBar_ = v;
  if (v) {
    SetParent(v);
    v->AddPanel(this);
  }
}

void TUxNavBarPanel::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

TUxNavBar::TUxNavBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  SetBounds(0, 0, 201, 300);
  color_ = clBtnFace;
}

void TUxNavBar::SetStyle(TUxNavBarStyle v) {
  style_ = v;
  Invalidate();
}

void TUxNavBar::AddPanel(TUxNavBarPanel* Panel) {
  panels_.push_back(Panel);
  if (active_ < 0) active_ = 0;
  Panel->SetVisible(Panel == ActivePanel());
  Realign();
  Invalidate();
}

void TUxNavBar::RemovePanel(TUxNavBarPanel* Panel) {
  auto it = std::find(panels_.begin(), panels_.end(), Panel);
  if (it == panels_.end()) return;
  panels_.erase(it);
  if (active_ >= PanelCount()) active_ = PanelCount() - 1;
  Invalidate();
}

void TUxNavBar::SetActivePanelIndex(int32_t v) {
  if (v < 0 || v >= PanelCount() || v == active_) return;
  active_ = v;
  for (int32_t i = 0; i < PanelCount(); ++i) Panels(i)->SetVisible(i == v);
  Realign();
  Invalidate();
}

TRect TUxNavBar::HeaderRect(int32_t Index) {
  const int32_t bottom = ClientHeight() - (PanelCount() - 1 - Index) * kHeaderHeight;
  return TRect{0, bottom - kHeaderHeight, ClientWidth(), bottom};
}

TRect TUxNavBar::PanelArea() {
  return TRect{0, kCaptionHeight, ClientWidth(),
               std::max<int32_t>(kCaptionHeight, ClientHeight() - PanelCount() * kHeaderHeight)};
}

void TUxNavBar::AlignControls(TControl* AControl, TRect& Rect) {
  const TRect area = PanelArea();
  for (TUxNavBarPanel* p : panels_) p->SetBounds(area.Left, area.Top, area.Width(), area.Height());
}

void TUxNavBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetStyle(TFontStyles{fsBold});
  // The caption of the active panel on top.
  if (TUxNavBarPanel* p = ActivePanel()) {
    TRect cap{4, 0, ClientWidth(), kCaptionHeight};
    DrawText(c->Handle(), p->Caption(), &cap, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  for (int32_t i = 0; i < PanelCount(); ++i) {
    TRect r = HeaderRect(i);
    DrawEdge(c->Handle(), &r, EDGE_RAISED, BF_RECT);
    TRect text{r.Left + 8, r.Top, r.Right, r.Bottom};
    DrawText(c->Handle(), Panels(i)->Caption(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  c->Font()->SetStyle(TFontStyles{});
}

void TUxNavBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  for (int32_t i = 0; i < PanelCount(); ++i) {
    TRect r = HeaderRect(i);
    if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) SetActivePanelIndex(i);
  }
}
