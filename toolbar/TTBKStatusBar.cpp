#include "toolbar/TTBKStatusBar.h"

#include <algorithm>
#include <vector>

#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "rtl/Exception.h"
#include "toolbar/TDKView.h"
#include "ui/TForm.h"
#include "ui/TImageList.h"
#include "toolbar/TBKThemedControls.h"

RTL_DEFINE_CLASS(TTBKStatusPanel, TCollectionItem,
                 Published("Caption", &TTBKStatusPanel::Caption, &TTBKStatusPanel::SetCaption),
                 Published("Enabled", &TTBKStatusPanel::Enabled, &TTBKStatusPanel::SetEnabled),
                 Published("Framed", &TTBKStatusPanel::Framed, &TTBKStatusPanel::SetFramed),
                 Published("Hint", &TTBKStatusPanel::Hint, &TTBKStatusPanel::SetHint),
                 Published("ImageIndex", &TTBKStatusPanel::ImageIndex, &TTBKStatusPanel::SetImageIndex),
                 Published("MaxSize", &TTBKStatusPanel::MaxSize, &TTBKStatusPanel::SetMaxSize),
                 Published("ViewPriority", &TTBKStatusPanel::ViewPriority, &TTBKStatusPanel::SetViewPriority),
                 Published("Size", &TTBKStatusPanel::Size, &TTBKStatusPanel::SetSize),
                 Published("StretchPriority", &TTBKStatusPanel::StretchPriority,
                           &TTBKStatusPanel::SetStretchPriority),
                 Published("Tag", &TTBKStatusPanel::Tag, &TTBKStatusPanel::SetTag))
RTL_DEFINE_CLASS(TTBKStatusPanels, TCollection)
RTL_DEFINE_CLASS(TTBKCustomStatusBar, TCustomControl)
RTL_DEFINE_CLASS(TTBKStatusBar, TTBKCustomStatusBar)

// ---- Panel

TTBKStatusPanel::TTBKStatusPanel(TCollection* Collection)
    : TCollectionItem(Collection), fontSettings_(new TFontSettings()) {
  fontSettings_->OnChange = [this] { Notify(); };
}

TTBKStatusPanel::~TTBKStatusPanel() {
  TControl* c = control_;
  control_ = nullptr;
  fontSettings_.reset();
  // The hosted control stays where it is; it re-evaluates its showing.
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    if (!w->ComponentState().Contains(csDestroying) && w->HandleAllocated()) {
      w->BringToFront();
      w->Perform(CM_SHOWINGCHANGED);
    }
  }
}

TTBKCustomStatusBar* TTBKStatusPanel::StatusBar() const {
  auto* p = dynamic_cast<TTBKStatusPanels*>(Collection());
  return p ? p->StatusBar() : nullptr;
}

void TTBKStatusPanel::SetAlignment(TAlignment v) {
  alignment_ = v;
  Notify();
}

void TTBKStatusPanel::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  Notify();
}

void TTBKStatusPanel::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  Notify();
}

void TTBKStatusPanel::SetFramed(bool v) {
  if (framed_ == v) return;
  framed_ = v;
  Notify();
}

void TTBKStatusPanel::SetImageIndex(int32_t v) {
  if (imageIndex_ == v) return;
  imageIndex_ = v;
  TTBKCustomStatusBar* bar = StatusBar();
  if (bar && bar->Images()) Notify();
}

void TTBKStatusPanel::SetMaxSize(int32_t v) {
  if (maxSize_ == v) return;
  maxSize_ = v;
  Notify();
}

void TTBKStatusPanel::SetViewPriority(int32_t v) {
  v = std::clamp(v, 0, 100);
  if (viewPriority_ == v) return;
  viewPriority_ = v;
  Notify();
}

void TTBKStatusPanel::SetSize(int32_t v) {
  if (size_ == v) return;
  size_ = v;
  Notify();
}

void TTBKStatusPanel::SetStretchPriority(int32_t v) {
  v = std::clamp(v, 0, 100);
  if (stretchPriority_ == v) return;
  stretchPriority_ = v;
  Notify();
}

void TTBKStatusPanel::SetTextTruncation(TTextTruncation v) {
  textTruncation_ = v;
  Notify();
}

void TTBKStatusPanel::SetControl(TControl* v) {
  if (control_ == v) return;
  TTBKCustomStatusBar* bar = StatusBar();
  if (v) {
    for (TControl* p = bar; p; p = p->Parent())
      if (p == v) throw EInvalidOperation("Can't insert own parent");
    if (bar)
      if (TTBKStatusPanel* other = bar->Panels()->FindControlPanel(v)) other->control_ = nullptr;
  }
  TControl* old = control_;
  control_ = v;
  if (v && bar) {
    v->SetParent(bar);
    v->FreeNotification(bar);
  }
  Notify();
  if (old) old->Perform(CM_SHOWINGCHANGED);
}

void TTBKStatusPanel::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TTBKStatusPanel*>(Source);
  if (!src) {
    TCollectionItem::Assign(Source);
    return;
  }
  // Everything the form stores is copied, so that a copied bar shows what
  // the original showed.
  alignment_ = src->alignment_;
  caption_ = src->caption_;
  enabled_ = src->enabled_;
  framed_ = src->framed_;
  fontSettings_->Assign(src->fontSettings_.get());
  hint_ = src->hint_;
  imageIndex_ = src->imageIndex_;
  maxSize_ = src->maxSize_;
  viewPriority_ = src->viewPriority_;
  size_ = src->size_;
  stretchPriority_ = src->stretchPriority_;
  tag_ = src->tag_;
  textTruncation_ = src->textTruncation_;
  TControl* control = nullptr;
  if (src->control_) {
    TTBKCustomStatusBar* bar = StatusBar();
    TComponent* owner = bar ? bar->Owner() : nullptr;
    if (TComponent* found = owner ? owner->FindComponent(src->control_->Name()) : nullptr) {
      control = dynamic_cast<TControl*>(found);
      if (!control) throw EInvalidCast("Invalid class typecast");
    }
  }
  if (control != control_)
    SetControl(control);
  else
    Notify();
}

std::string TTBKStatusPanel::DisplayName() const {
  if (!caption_.empty()) return caption_;
  if (control_) return "[ " + control_->Name() + " ]";
  return TCollectionItem::DisplayName();
}

// ---- Panels

TTBKStatusPanels::TTBKStatusPanels(TTBKCustomStatusBar* Owner)
    : TCollection(TTBKStatusPanel::StaticClass(), Owner), bar_(Owner) {}

TTBKStatusPanel* TTBKStatusPanels::FindControlPanel(TControl* Control) const {
  for (int32_t i = 0; i < Count(); ++i)
    if (PanelAt(i)->Control() == Control) return PanelAt(i);
  return nullptr;
}

void TTBKStatusPanels::Update(TCollectionItem*) {
  if (bar_) bar_->PanelsChanged();
}

// ---- Status bar

TTBKCustomStatusBar::TTBKCustomStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
  panels_ = std::make_unique<TTBKStatusPanels>(this);
  imageLink_ = std::make_unique<TChangeLink>();
  imageLink_->OnChange = [this](TObject* s) { ImagesChange(s); };
  SetBounds(Left(), Top(), 150, 22);
  SetAlign(alBottom);
  SetDoubleBuffered(true);
  AddThemeNotification(this);
}

void TTBKCustomStatusBar::BeforeDestruction() {
  RemoveThemeNotification(this);
  TCustomControl::BeforeDestruction();
}

TTBKCustomStatusBar::~TTBKCustomStatusBar() {
  RemoveThemeNotification(this);
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  imageLink_.reset();
  // reset() clears panels_ before the panels go: a panel that leaves finds
  // no list to take itself out of.
  panels_.reset();
}

void TTBKCustomStatusBar::SetImages(TCustomImageList* v) {
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  images_ = v;
  if (images_) {
    images_->RegisterChanges(imageLink_.get());
    images_->FreeNotification(this);
  }
  Invalidate();
}

void TTBKCustomStatusBar::ImagesChange(TObject* Sender) {
  if (Sender == images_) Invalidate();
}

void TTBKCustomStatusBar::SetSimplePanel(bool v) {
  if (simplePanel_ == v) return;
  simplePanel_ = v;
  Invalidate();
}

void TTBKCustomStatusBar::SetSimpleText(const std::string& v) {
  if (simpleText_ == v) return;
  simpleText_ = v;
  Invalidate();
}

void TTBKCustomStatusBar::SetSizeGrip(bool v) {
  sizeGrip_ = v;
  Invalidate();
}

void TTBKCustomStatusBar::SetUseSystemFont(bool v) {
  if (useSystemFont_ == v) return;
  useSystemFont_ = v;
  PanelsChanged();
  Invalidate();
}

void TTBKCustomStatusBar::LayoutPanels() {
  if (!panels_ || panels_->Count() == 0) return;
  CurrentTheme->GetPartMargins(tbkpStatusBarPanel, margins_);
  TRect client = ClientRect();
  const int32_t w = client.Width();
  const int32_t top = client.Top + 2;
  std::vector<TTBKStatusPanel*> list;
  int32_t sum = 0;
  for (int32_t i = 0; i < panels_->Count(); ++i) {
    TTBKStatusPanel* p = panels_->PanelAt(i);
    p->atRightEdge_ = false;
    p->shown_ = p->viewPriority_ > 0;
    if (!p->shown_) continue;
    p->width_ = p->size_;
    list.push_back(p);
    sum += p->size_;
  }
  std::stable_sort(list.begin(), list.end(), [](TTBKStatusPanel* a, TTBKStatusPanel* b) {
    return a->viewPriority_ > b->viewPriority_;
  });
  while (sum > w) {
    if (list.size() < 2 || list.back()->viewPriority_ >= 100) break;
    list.back()->shown_ = false;
    sum -= list.back()->size_;
    list.pop_back();
  }
  int32_t spare = w - sum;
  if (spare > 0) {
    std::erase_if(list, [](TTBKStatusPanel* p) { return p->stretchPriority_ == 0; });
    std::stable_sort(list.begin(), list.end(), [](TTBKStatusPanel* a, TTBKStatusPanel* b) {
      return a->stretchPriority_ > b->stretchPriority_;
    });
    for (TTBKStatusPanel* p : list) {
      if (spare <= 0) break;
      int32_t nw = p->width_ + spare;
      // The limit stops a panel that is still below it; one already at or
      // past its limit is not held by it and takes the whole spare width.
      if (p->width_ < p->maxSize_ && nw > p->maxSize_) nw = p->maxSize_;
      spare -= nw - p->width_;
      p->width_ = nw;
    }
  }
  int32_t x = 0;
  for (int32_t i = 0; i < panels_->Count(); ++i) {
    TTBKStatusPanel* p = panels_->PanelAt(i);
    if (x >= w) p->shown_ = false;
    if (p->shown_) {
      p->rect_ = TRect{x, top, x + p->width_, client.Bottom};
      x += p->width_;
      p->atRightEdge_ = x == w;
    } else {
      p->rect_ = TRect{0, 0, 0, 0};
    }
  }
}

void TTBKCustomStatusBar::PanelsChanged() {
  if (!panels_) return;
  Invalidate();
  LayoutPanels();
  for (int32_t i = 0; i < panels_->Count(); ++i) {
    TTBKStatusPanel* p = panels_->PanelAt(i);
    if (!p->control_) continue;
    if (p->shown_) {
      TRect r = p->rect_;
      if (p->framed_) {
        r.Left += margins_.LeftWidth;
        r.Top += margins_.TopHeight;
        r.Right -= margins_.RightWidth;
        r.Bottom -= margins_.BottomHeight;
      }
      p->control_->SetBoundsRect(r);
    } else {
      p->control_->SetBoundsRect(TRect{0, 0, 0, 0});
    }
  }
}

TTBKStatusPanel* TTBKCustomStatusBar::PanelAtPoint(TPoint P) const {
  for (int32_t i = 0; i < panels_->Count(); ++i) {
    TTBKStatusPanel* p = panels_->PanelAt(i);
    if (p->shown_ && PtInRect(&p->rect_, P)) return p;
  }
  return nullptr;
}

bool TTBKCustomStatusBar::GripShowing() {
  if (!sizeGrip_) return false;
  TCustomForm* f = GetParentForm(this);
  if (!f || f->WindowState() != wsNormal || !f->HandleAllocated() || !HandleAllocated()) return false;
  TRect fc = f->ClientRect();
  TRect bc = ClientRect();
  return f->ClientToScreen(fc.BottomRight()) == ClientToScreen(bc.BottomRight());
}

TRect TTBKCustomStatusBar::GripRect() {
  TRect r = ClientRect();
  r.Top += 3;
  r.Left = r.Right - GetSystemMetrics(SM_CXVSCROLL);
  return r;
}

void TTBKCustomStatusBar::SelectPanelFont(TCanvas* Canvas, bool Disabled) {
  Canvas->SetFont(useSystemFont_ ? DKItemFont() : Font());
  Canvas->Font()->SetColor(StatusTextColor(Disabled ? tbksfDisabled : 0));
}

void TTBKCustomStatusBar::Paint() {
  TCanvas* c = Canvas();
  TRect client = ClientRect();
  CurrentTheme->DrawStatusBarPart(c, client, tbksbBackground);
  if (!simplePanel_) {
    TRect clip;
    GetClipBox(c->Handle(), &clip);
    const int32_t n = panels_->Count();
    for (int32_t i = 0; i < n; ++i) {
      TTBKStatusPanel* p = panels_->PanelAt(i);
      TRect r = p->rect_, dummy;
      if (!p->shown_ || !IntersectRect(&dummy, &r, &clip)) continue;
      if (p->framed_) CurrentTheme->DrawStatusBarPart(c, r, p->atRightEdge_ ? tbksbRightPanel : tbksbPanel);
      SelectPanelFont(c, !p->enabled_);
      ApplyFontSettings(*p->fontSettings_, c->Font());
      FireAdjustPanelFont(p, c->Font());
      TRect content = r;
      FireAdjustContentRect(p, content);
      DrawPanel(content, p, i == n - 1);
    }
  } else if (!simpleText_.empty()) {
    SelectPanelFont(c, !Enabled());
    c->Brush()->SetStyle(bsClear);
    TRect r = client;
    r.Top += 2;
    r.Left += 4;
    r.Right -= 4;
    StatusDrawText(c, r, simpleText_, tbksfKindStatusBar | (Enabled() ? 0 : tbksfDisabled),
                   DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    c->Brush()->SetStyle(bsSolid);
  }
  if (GripShowing()) CurrentTheme->DrawStatusBarPart(c, GripRect(), tbksbSizeGrip);
}

void TTBKCustomStatusBar::FireAdjustContentRect(TTBKStatusPanel* Panel, TRect& Rect) {
  if (Panel->framed_) {
    Rect.Left += margins_.LeftWidth;
    Rect.Top += margins_.TopHeight;
    Rect.Right -= margins_.RightWidth;
    Rect.Bottom -= margins_.BottomHeight;
  }
  if (OnAdjustContentRect) OnAdjustContentRect(this, Panel, Rect);
}

void TTBKCustomStatusBar::FireAdjustPanelFont(TTBKStatusPanel* Panel, TFont* Font) {
  if (OnAdjustPanelFont) OnAdjustPanelFont(this, Panel, Font);
}

void TTBKCustomStatusBar::FirePanelClick(TTBKStatusPanel* Panel) {
  if (OnPanelClick) OnPanelClick(this, Panel);
}

void TTBKCustomStatusBar::FirePanelDblClick(TTBKStatusPanel* Panel) {
  if (OnPanelDblClick) OnPanelDblClick(this, Panel);
}

void TTBKCustomStatusBar::DrawPanel(TRect Rect, TTBKStatusPanel* Panel, bool) {
  TCanvas* c = Canvas();
  TRect t = Rect;
  t.Left += 1;
  t.Right -= 1;
  if (Panel->imageIndex_ >= 0 && images_) {
    const int32_t iw = images_->Width(), ih = images_->Height();
    const int32_t top = (t.Top + t.Bottom - ih) / 2;
    int32_t left;
    switch (Panel->alignment_) {
      case taRightJustify:
        left = t.Right - iw;
        t.Right -= iw + 4;
        break;
      case taCenter: left = (t.Left + t.Right - iw) / 2; break;
      default:
        left = t.Left;
        t.Left += iw + 4;
        break;
    }
    if (Panel->enabled_)
      images_->Draw(c, left, top, Panel->imageIndex_, true);
    else
      StatusDrawImage(c, TRect{left, top, left + iw, top + ih}, images_, tbksfDisabled, Panel->imageIndex_);
  }
  c->Brush()->SetStyle(bsClear);
  UINT format = DT_SINGLELINE | DT_VCENTER;
  if (Panel->alignment_ == taRightJustify) format |= DT_RIGHT;
  if (Panel->alignment_ == taCenter) format |= DT_CENTER;
  if (Panel->textTruncation_ == twEndEllipsis) format |= DT_END_ELLIPSIS;
  if (Panel->textTruncation_ == twPathEllipsis) format |= DT_PATH_ELLIPSIS;
  StatusDrawText(c, t, Panel->caption_, tbksfKindStatusBar | (Panel->enabled_ ? 0 : tbksfDisabled), format);
  c->Brush()->SetStyle(bsSolid);
}

void TTBKCustomStatusBar::Click() {
  TCustomControl::Click();
  TPoint p;
  GetCursorPos(&p);
  if (TTBKStatusPanel* panel = PanelAtPoint(ScreenToClient(p))) FirePanelClick(panel);
}

void TTBKCustomStatusBar::DblClick() {
  TCustomControl::DblClick();
  TPoint p;
  GetCursorPos(&p);
  if (TTBKStatusPanel* panel = PanelAtPoint(ScreenToClient(p))) FirePanelDblClick(panel);
}

void TTBKCustomStatusBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) {
    images_ = nullptr;
    Invalidate();
  }
  if (panels_)
    for (int32_t i = 0; i < panels_->Count(); ++i)
      if (panels_->PanelAt(i)->control_ == AComponent) panels_->PanelAt(i)->control_ = nullptr;
}

void TTBKCustomStatusBar::Loaded() {
  TCustomControl::Loaded();
  PanelsChanged();
}

void TTBKCustomStatusBar::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TTBKCustomStatusBar::CreateWnd() {
  TCustomControl::CreateWnd();
  if (!ComponentState().Contains(csLoading)) PanelsChanged();
}

void TTBKCustomStatusBar::Resize() {
  PanelsChanged();
  Invalidate();
  TCustomControl::Resize();
}

void TTBKCustomStatusBar::CMFontChanged(TMessage& Message) {
  TCustomControl::CMFontChanged(Message);
  PanelsChanged();
}

void TTBKCustomStatusBar::AlignControls(TControl* AControl, TRect& Rect) {
  TCustomControl::AlignControls(AControl, Rect);
  if (ComponentState().Contains(csDestroying) || !panels_) return;
  if (dynamic_cast<TWinControl*>(AControl) || (AControl == this && panels_->Count() > 0)) PanelsChanged();
}

void TTBKCustomStatusBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_NCHITTEST:
      TCustomControl::Dispatch(Message);
      if (Message.Result == HTCLIENT && GripShowing()) {
        TPoint p = ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        TRect g = GripRect();
        if (PtInRect(&g, p)) Message.Result = HTBOTTOMRIGHT;
      }
      return;
    case CM_HINTSHOW: {
      auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
      if (TTBKStatusPanel* p = PanelAtPoint(info->CursorPos)) {
        info->HintStr = p->Hint();
        info->CursorRect = p->BoundsRect();
      }
      Message.Result = 0;
      return;
    }
    case CM_CONTROLLISTCHANGE:
      TCustomControl::Dispatch(Message);
      if (!ComponentState().Contains(csLoading) && panels_) {
        auto* c = reinterpret_cast<TControl*>(Message.WParam);
        if (Message.LParam != 0) {
          if (dynamic_cast<TWinControl*>(c) && !panels_->FindControlPanel(c)) panels_->Add()->SetControl(c);
        } else if (TTBKStatusPanel* p = panels_->FindControlPanel(c)) {
          p->control_ = nullptr;
          p->Free();
        }
      }
      return;
    case CM_VISIBLECHANGED:
      TCustomControl::Dispatch(Message);
      if (Visible() && fixAlign_ && Parent()) SetTop(Parent()->ClientHeight());
      return;
  }
  if (Message.Msg == TBKM_THEMECHANGED) {
    PanelsChanged();
    return;
  }
  TCustomControl::Dispatch(Message);
}
