#include "panels/TUxPanelGroup.h"

#include <algorithm>

#include "panels/TUxPanelStyler.h"
#include "ui/TScrollBar.h"

RTL_DEFINE_CLASS(TUxPanelGroup, TUxPanel, Published("Columns", &TUxPanelGroup::Columns, &TUxPanelGroup::SetColumns),
                 Published("DefaultPanel", &TUxPanelGroup::DefaultPanel, &TUxPanelGroup::SetDefaultPanel),
                 Published("GroupStyle", &TUxPanelGroup::GroupStyle, &TUxPanelGroup::SetGroupStyle),
                 Published("HorzPadding", &TUxPanelGroup::HorzPadding, &TUxPanelGroup::SetHorzPadding),
                 Published("VertPadding", &TUxPanelGroup::VertPadding, &TUxPanelGroup::SetVertPadding))

TUxPanelGroup::TUxPanelGroup(TComponent* AOwner) : TUxPanel(AOwner) {
  controlStyle_.Include(csAcceptsControls);
  defaultPanel_ = std::make_unique<TUxPanelSettings>();
  scroll_ = new TScrollBar(this);
  scroll_->SetKind(sbVertical);
  scroll_->SetWidth(16);
  scroll_->SetAlign(alRight);
  scroll_->SetPosition(0);
  scroll_->SetVisible(false);
  scroll_->SetLargeChange(20);
  scroll_->SetSmallChange(2);
  scroll_->SetTabStop(false);
  scroll_->SetParent(this);
  scroll_->OnChange = [this](TObject*) {
    const int32_t limit = std::max(0, scroll_->Max() - scroll_->PageSize());
    if (scroll_->Position() > limit) scroll_->SetPosition(limit);
    ArrangeControls();
  };
}

TUxPanelGroup::~TUxPanelGroup() = default;

void TUxPanelGroup::SetColumns(int32_t v) {
  if (v <= 0) return;
  columns_ = v;
  UpdateScrollBar();
  ArrangeControls();
  UpdateScrollBar();
}

void TUxPanelGroup::SetDefaultPanel(TUxPanelSettings* v) { defaultPanel_->Assign(v); }

void TUxPanelGroup::SetGroupStyle(TGroupStyle v) {
  if (v == groupStyle_) return;
  groupStyle_ = v;
  UpdateScrollBar();
  ArrangeControls();
}

void TUxPanelGroup::SetHorzPadding(int32_t v) {
  if (v == horzPadding_) return;
  horzPadding_ = v;
  ArrangeControls();
}

void TUxPanelGroup::SetVertPadding(int32_t v) {
  if (v == vertPadding_) return;
  vertPadding_ = v;
  ArrangeControls();
}

void TUxPanelGroup::UpdateGroup() {
  UpdateScrollBar();
  ArrangeControls();
}

void TUxPanelGroup::Loaded() {
  TUxPanel::Loaded();
  UpdateScrollBar();
  ArrangeControls();
}

void TUxPanelGroup::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight) {
  TUxPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
  ArrangeControls();
}

void TUxPanelGroup::StateChanged() {
  ArrangeControls();
  UpdateScrollBar();
}

void TUxPanelGroup::AlignControls(TControl* AControl, TRect& Rect) {
  TUxPanel::AlignControls(AControl, Rect);
  UpdateScrollBar();
}

void TUxPanelGroup::Dispatch(TMessage& Message) {
  TUxPanel::Dispatch(Message);
  if (Message.Msg == WM_SIZE) UpdateScrollBar();
}

bool TUxPanelGroup::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  TUxPanel::DoMouseWheel(Shift, WheelDelta, MousePos);
  if (!scroll_) return true;
  const int32_t d = 2 * scroll_->SmallChange();
  scroll_->SetPosition(scroll_->Position() + (WheelDelta < 0 ? d : -d));
  return true;
}

std::vector<TCustomUxPanel*> TUxPanelGroup::Members(bool ByLeft) const {
  std::vector<TCustomUxPanel*> m;
  for (int32_t i = 0; i < ControlCount(); ++i)
    if (auto* p = dynamic_cast<TCustomUxPanel*>(Controls(i))) m.push_back(p);
  std::stable_sort(m.begin(), m.end(), [ByLeft](TCustomUxPanel* a, TCustomUxPanel* b) {
    return ByLeft ? a->Left() < b->Left() : a->Top() < b->Top();
  });
  return m;
}

void TUxPanelGroup::ArrangeControls() {
  if (arranging_ || ComponentState().Contains(csLoading) || !scroll_ ||
      ComponentState().Contains(csDestroying))
    return;
  arranging_ = true;
  const bool bar = scroll_->Visible();
  if (groupStyle_ == gsVertical) {
    const std::vector<TCustomUxPanel*> m = Members(false);
    int32_t y = vertPadding_ - (bar ? scroll_->Position() : 0) + (Caption()->Visible() ? Caption()->Height() : 0);
    const int32_t sw = bar ? scroll_->Width() : 0;
    for (size_t k = 0; k < m.size(); ++k) {
      TCustomUxPanel* p = m[k];
      const int32_t left = ((Width() - sw - horzPadding_) / columns_) * int32_t(k % size_t(columns_)) + horzPadding_;
      const int32_t width = (Width() - 2 * horzPadding_ - sw) / columns_;
      p->SetBounds(left, y, width, p->Height());
      if (p->Visible() && (int32_t(k) + 1) % columns_ == 0) y += p->Height() + vertPadding_;
    }
  } else {
    const std::vector<TCustomUxPanel*> m = Members(true);
    int32_t x = horzPadding_ - (bar ? scroll_->Position() : 0);
    for (TCustomUxPanel* p : m) {
      p->SetBounds(x, vertPadding_, p->Width(), Height() - 2 * vertPadding_ - (bar ? scroll_->Height() : 0));
      if (p->Visible()) x += p->Width() + horzPadding_;
    }
  }
  arranging_ = false;
}

void TUxPanelGroup::UpdateScrollBar() {
  if (!scroll_ || ComponentState().Contains(csDestroying)) return;
  if (groupStyle_ == gsHorizontal) {
    if (scroll_->Kind() == sbVertical) scroll_->SetKind(sbHorizontal);
    if (scroll_->Align() == alRight) scroll_->SetAlign(alBottom);
    scroll_->SetHeight(16);
    int32_t e = horzPadding_;
    for (TCustomUxPanel* p : Members(true))
      if (p->Visible()) e += p->Width() + horzPadding_;
    if (Width() < e) {
      if (scroll_->Position() > e) scroll_->SetPosition(e);
      scroll_->SetPageSize(Width());
      scroll_->SetLargeChange(Width() / 3);
      scroll_->SetMax(e);
    }
    scroll_->SetVisible(Width() < e);
  } else {
    if (scroll_->Kind() == sbHorizontal) scroll_->SetKind(sbVertical);
    if (scroll_->Align() == alBottom) scroll_->SetAlign(alRight);
    scroll_->SetWidth(16);
    int32_t e = vertPadding_;
    for (int32_t i = 0; i < ControlCount(); ++i) {
      auto* p = dynamic_cast<TCustomUxPanel*>(Controls(i));
      if (p && p->Visible() && (i + 1) % columns_ == 0) e += p->Height() + vertPadding_;
    }
    if (Height() < e && e > 0) {
      if (scroll_->Position() > e) scroll_->SetPosition(e);
      scroll_->SetPageSize(Height());
      scroll_->SetLargeChange(Height() / 3);
      scroll_->SetMax(e);
    }
    scroll_->SetVisible(Height() < e);
  }
}
