#include "ui/TPageControl.h"

#include <algorithm>

#include "platform/Draw.h"
#include "ui/ControlPaint.h"
#include "platform/Text.h"
#include "ui/TButton.h"
#include "ui/TForm.h"

RTL_DEFINE_CLASS(TTabSheet, TCustomControl,
                 Published("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl),
                 Published("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex),
                 Published("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible),
                 Published("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex))
RTL_DEFINE_CLASS(TPageControl, TCustomControl,
                 Published("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage),
                 Published("ActivePageIndex", &TPageControl::ActivePageIndex,
                           &TPageControl::SetActivePageIndex))

// ---- TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csAcceptsControls};
  SetAlign(alClient);
  SetVisible(false);
  SetParentColor(true);
}

void TTabSheet::BeforeDestruction() {
  SetPageControl(nullptr);
  TCustomControl::BeforeDestruction();
}

void TTabSheet::SetPageControl(TPageControl* v) {
  if (v == pageControl_) return;
  if (pageControl_) pageControl_->RemovePage(this);
  pageControl_ = v;
  SetParent(v);
  if (v) v->InsertPage(this);
}

int32_t TTabSheet::PageIndex() const {
  if (!pageControl_) return -1;
  auto& p = pageControl_->pages_;
  return int32_t(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetPageIndex(int32_t v) {
  if (!pageControl_) return;
  auto& p = pageControl_->pages_;
  v = std::clamp(v, 0, int32_t(p.size()) - 1);
  p.erase(std::find(p.begin(), p.end(), this));
  p.insert(p.begin() + v, this);
  pageControl_->Invalidate();
}

void TTabSheet::SetTabVisible(bool v) {
  if (tabVisible_ == v) return;
  tabVisible_ = v;
  if (!pageControl_) return;
  if (!v && pageControl_->activePage_ == this)
    pageControl_->ChangeActivePage(pageControl_->FindNextPage(this, true, true));
  pageControl_->Invalidate();
}

int32_t TTabSheet::TabIndex() const {
  if (!pageControl_ || !tabVisible_) return -1;
  auto tabs = pageControl_->VisibleTabs();
  return int32_t(std::find(tabs.begin(), tabs.end(), this) - tabs.begin());
}

void TTabSheet::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED && pageControl_) pageControl_->Invalidate();
  TCustomControl::Dispatch(Message);
}

void TTabSheet::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---- TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csAcceptsControls, csDoubleClicks};
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

void TPageControl::InsertPage(TTabSheet* Page) {
  pages_.push_back(Page);
  if (!activePage_ && Page->TabVisible()) ChangeActivePage(Page);
  Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page) {
  TTabSheet* next = activePage_ == Page ? FindNextPage(Page, true, true) : activePage_;
  if (next == Page) next = nullptr;
  pages_.erase(std::remove(pages_.begin(), pages_.end(), Page), pages_.end());
  if (activePage_ == Page) {
    activePage_ = nullptr;
    if (next) ChangeActivePage(next);
  }
  Invalidate();
}

std::vector<TTabSheet*> TPageControl::VisibleTabs() const {
  std::vector<TTabSheet*> v;
  for (TTabSheet* p : pages_)
    if (p->TabVisible()) v.push_back(p);
  return v;
}

bool TPageControl::ChangeActivePage(TTabSheet* Page) {
  if (Page == activePage_) return true;
  if (Page && Page->pageControl_ != this) return false;
  if (activePage_ && OnChanging && !ComponentState().Contains(csLoading)) {
    bool allow = true;
    OnChanging(this, allow);
    if (!allow) return false;
  }
  TTabSheet* old = activePage_;
  // The focus leaves a sheet that goes out of sight.
  if (old) {
    if (TCustomForm* f = GetParentForm(this))
      if (f->ActiveControl() && old->ContainsControl(f->ActiveControl()) && CanFocus()) SetFocus();
  }
  activePage_ = Page;
  if (Page) {
    Page->SetVisible(true);
    Page->BringToFront();
  }
  if (old) old->SetVisible(false);
  Invalidate();
  if (OnChange) OnChange(this);
  return true;
}

void TPageControl::SetActivePage(TTabSheet* v) { ChangeActivePage(v); }

void TPageControl::SetActivePageIndex(int32_t v) {
  if (v >= 0 && v < PageCount()) ChangeActivePage(pages_[size_t(v)]);
  else ChangeActivePage(nullptr);
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurrentPage, bool GoForward, bool CheckTabVisible) {
  if (pages_.empty()) return nullptr;
  int32_t n = PageCount();
  int32_t start = CurrentPage ? CurrentPage->PageIndex() : -1;
  if (start < 0 || start >= n) start = GoForward ? n - 1 : 0;
  int32_t i = start;
  for (int32_t k = 0; k < n; ++k) {
    i = GoForward ? (i + 1) % n : (i + n - 1) % n;
    if (!CheckTabVisible || pages_[size_t(i)]->TabVisible()) return pages_[size_t(i)];
  }
  return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward) {
  TTabSheet* p = FindNextPage(activePage_, GoForward, true);
  if (p && p != activePage_) ChangeActivePage(p);
}

int32_t TPageControl::TabHeight() { return Canvas()->TextHeight("Ag") + 6; }

TRect TPageControl::TabRect(int32_t Index) {
  auto tabs = VisibleTabs();
  if (Index < 0 || Index >= int32_t(tabs.size())) return Rect(0, 0, 0, 0);
  int32_t x = 2, h = TabHeight();
  MatchCanvasFont(Canvas(), Font());
  for (int32_t i = 0;; ++i) {
    int32_t w = Canvas()->TextWidth(tabs[size_t(i)]->Caption()) + 12;
    if (i == Index) return Rect(x, 2, x + w, 2 + h);
    x += w;
  }
}

int32_t TPageControl::IndexOfTabAt(int32_t X, int32_t Y) {
  int32_t n = int32_t(VisibleTabs().size());
  for (int32_t i = 0; i < n; ++i) {
    TRect r = TabRect(i);
    if (PtInRect(&r, TPoint{X, Y})) return i;
  }
  return -1;
}

void TPageControl::AdjustClientRect(TRect& Rect) {
  Rect.Top += TabHeight() + 2;
  InflateRect(&Rect, -4, -4);
  Rect.Top -= 2;
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  int32_t i = IndexOfTabAt(X, Y);
  if (i < 0) return;
  ChangeActivePage(VisibleTabs()[size_t(i)]);
  if (CanFocus()) SetFocus();
}

void TPageControl::KeyDown(uint16_t& Key, TShiftState Shift) {
  if (Key == VK_LEFT || Key == VK_RIGHT) {
    SelectNextPage(Key == VK_RIGHT);
    Key = 0;
    return;
  }
  TCustomControl::KeyDown(Key, Shift);
}

void TPageControl::CMChildKey(TMessage& Message) {
  // Ctrl+Tab anywhere on the control turns the pages.
  if (Message.WParam == VK_TAB && GetShiftState().Contains(ssCtrl)) {
    SelectNextPage(!GetShiftState().Contains(ssShift));
    Message.Result = 1;
    return;
  }
  TCustomControl::CMChildKey(Message);
}

void TPageControl::CMDialogChar(TMessage& Message) {
  for (TTabSheet* p : VisibleTabs())
    if (IsAccel(uint32_t(Message.WParam), p->Caption()) && CanFocus()) {
      ChangeActivePage(p);
      Message.Result = 1;
      return;
    }
  TCustomControl::CMDialogChar(Message);
}

void TPageControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_WANTARROWS;
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::Dispatch(Message);
}

void TPageControl::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), Font(), Color(), r);
  int32_t h = TabHeight();
  TRect body = Rect(0, h + 2, r.Right, r.Bottom);
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT | BF_SOFT);
  auto tabs = VisibleTabs();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font()->Color()));
  for (int32_t i = 0; i < int32_t(tabs.size()); ++i) {
    TRect t = TabRect(i);
    bool active = tabs[size_t(i)] == activePage_;
    if (active) {
      InflateRect(&t, 2, 0);
      t.Top -= 2;
      t.Bottom += 1;
    }
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(t);
    DrawEdge(dc, &t, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT | BF_SOFT);
    TRect tt = t;
    DrawText(dc, tabs[size_t(i)]->Caption(), &tt, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (active && Focused()) {
      TRect f = t;
      InflateRect(&f, -3, -3);
      DrawFocusRect(dc, &f);
    }
  }
}
