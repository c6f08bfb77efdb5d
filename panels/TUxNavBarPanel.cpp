#include "panels/TUxNavBarPanel.h"

#include "panels/TUxNavBar.h"
#include "platform/Text.h"
#include "rtl/Exception.h"

RTL_DEFINE_CLASS(TUxNavBarPanelSection, TCollectionItem,
                 Published("Caption", &TUxNavBarPanelSection::Caption, &TUxNavBarPanelSection::SetCaption),
                 Published("Height", &TUxNavBarPanelSection::Height, &TUxNavBarPanelSection::SetHeight))
RTL_DEFINE_CLASS(TUxNavBarPanelSections, TCollection)
RTL_DEFINE_CLASS(TUxNavBarPanel, TCustomPanel,
                 Published("Caption", &TUxNavBarPanel::Caption, &TUxNavBarPanel::SetCaption),
                 Published("ColorTo", &TUxNavBarPanel::ColorTo, &TUxNavBarPanel::SetColorTo),
                 Published("GradientDirection", &TUxNavBarPanel::GradientDirection,
                           &TUxNavBarPanel::SetGradientDirection),
                 Published("ImageIndex", &TUxNavBarPanel::ImageIndex, &TUxNavBarPanel::SetImageIndex),
                 Published("PanelIndex", &TUxNavBarPanel::PanelIndex, &TUxNavBarPanel::SetPanelIndex),
                 Published("TextColor", &TUxNavBarPanel::TextColor, &TUxNavBarPanel::SetTextColor),
                 Published("Sections", &TUxNavBarPanel::Sections, &TUxNavBarPanel::SetSections))

// ---- Sections

void TUxNavBarPanelSection::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TUxNavBarPanelSection*>(Source)) {
    caption_ = s->caption_;
    height_ = s->height_;
    Changed(false);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TUxNavBarPanelSection::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  Changed(false);
}

void TUxNavBarPanelSection::SetHeight(int32_t v) {
  if (height_ == v) return;
  height_ = v;
  Changed(false);
}

TUxNavBarPanelSections::TUxNavBarPanelSections(TUxNavBarPanel* Owner)
    : TCollection(TUxNavBarPanelSection::StaticClass(), Owner), page_(Owner) {}

void TUxNavBarPanelSections::Update(TCollectionItem*) {
  if (page_) page_->Invalidate();
}

void TUxNavBarPanelSections::Notify(TCollectionItem*, TCollectionNotification) {
  if (page_ && !page_->ComponentState().Contains(csDestroying)) page_->Invalidate();
}

// ---- The page

TUxNavBarPanel::TUxNavBarPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
  sections_ = std::make_unique<TUxNavBarPanelSections>(this);
  SetBevelOuter(bvNone);
  SetDoubleBuffered(true);
  TCustomPanel::SetCaption("");
  SetColor(clWhite);
}

TUxNavBarPanel::~TUxNavBarPanel() {
  // A plain delete skips BeforeDestruction's leaving.
  LeaveBar();
}

void TUxNavBarPanel::BeforeDestruction() {
  LeaveBar();
  TCustomPanel::BeforeDestruction();
}

void TUxNavBarPanel::LeaveBar() {
  if (!navBar_) return;
  TUxNavBar* bar = navBar_;
  bar->RemovePanel(this);
  navBar_ = nullptr;
}

void TUxNavBarPanel::ReadState() {
  if (auto* bar = dynamic_cast<TUxNavBar*>(Parent())) SetNavBar(bar);
}

void TUxNavBarPanel::SetNavBar(TUxNavBar* Bar) {
  if (Bar == navBar_) return;
  LeaveBar();
  if (!Bar) return;
  navBar_ = Bar;
  SetParent(Bar);
  Bar->AddPanel(this);
  if (textColor_ == clBlack) textColor_ = Bar->DefaultTextColor();
}

void TUxNavBarPanel::RepaintBar() {
  if (navBar_) navBar_->Invalidate();
}

void TUxNavBarPanel::SetCaption(const std::string& v) {
  caption_ = v;
  RepaintBar();
  TCustomPanel::SetCaption("");
}

void TUxNavBarPanel::SetImageIndex(int32_t v) {
  imageIndex_ = v;
  RepaintBar();
}

void TUxNavBarPanel::SetTextColor(TColor v) {
  textColor_ = v;
  RepaintBar();
}

void TUxNavBarPanel::SetColorTo(TColor v) {
  if (colorTo_ == v) return;
  colorTo_ = v;
  Invalidate();
}

void TUxNavBarPanel::SetGradientDirection(TGradientDirection v) {
  if (gradientDirection_ == v) return;
  gradientDirection_ = v;
  Invalidate();
}

void TUxNavBarPanel::SetPanelIndex(int32_t v) {
  // The order of the pages is settled when the bar is loaded.
  if (ComponentState().Contains(csLoading)) panelIndex_ = v;
}

void TUxNavBarPanel::SetEnabled(bool v) {
  TCustomPanel::SetEnabled(v);
  for (int32_t i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(v);
}

void TUxNavBarPanel::UpdatePosition() {
  if (!navBar_) throw Exception("No UxNavBar is assigned.");
  const TRect r = navBar_->ClientRect();
  placing_ = true;
  try {
    TCustomPanel::SetBounds(r.Left, r.Top, r.Width(), r.Height());
  } catch (...) {
    placing_ = false;
    throw;
  }
  placing_ = false;
}

void TUxNavBarPanel::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  // While the page belongs to a bar, the bar says where it lies.
  if (navBar_ && !placing_ &&
      (ALeft != Left() || ATop != Top() || AWidth != Width() || AHeight != Height())) {
    UpdatePosition();
    return;
  }
  TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TUxNavBarPanel::Resize() {
  // An unattached page has nowhere else to be.
  if (navBar_ && !placing_) UpdatePosition();
  TCustomPanel::Resize();
}

void TUxNavBarPanel::Paint() {
  TCanvas* c = Canvas();
  const TRect rc = ClientRect();
  if (colorTo_ == clNone) {
    c->Pen()->SetColor(Color());
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->Rectangle(rc);
  } else {
    // The opposite of the bar's tabs: gdVertical runs from left to right.
    DrawGradient(c, Color(), colorTo_, 128, rc, gradientDirection_ == gdVertical);
  }
  if (!navBar_) return;
  int32_t y = 0;
  const int32_t w = Width();
  for (int i = 0; i < sections_->Count(); ++i) {
    TUxNavBarPanelSection* s = sections_->Items(i);
    DrawGradient(c, navBar_->SectionColor(), navBar_->SectionColorTo(), 16, TRect{0, y, w, y + 16}, false);
    c->Pen()->SetColor(navBar_->BorderColor());
    c->MoveTo(0, y + 16);
    c->LineTo(w, y + 16);
    c->Pen()->SetColor(navBar_->SectionColorTo());
    c->MoveTo(0, y);
    c->LineTo(w, y);
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    c->TextOut(4, y + 2, s->Caption());
    y += s->Height();
  }
}
