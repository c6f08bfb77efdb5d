#include "panels/TUxNavBar.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Text.h"
#include "rtl/Exception.h"
#include "rtl/Numeric.h"
#include "ui/TApplication.h"
#include "ui/TScreen.h"

RTL_DEFINE_CLASS(TUxNavBar, TCustomControl,
                 Published("ActiveColor", &TUxNavBar::ActiveColor, &TUxNavBar::SetActiveColor),
                 Published("ActiveColorTo", &TUxNavBar::ActiveColorTo, &TUxNavBar::SetActiveColorTo),
                 Published("ActiveTabIndex", &TUxNavBar::ActiveTabIndex, &TUxNavBar::SetActiveTabIndex),
                 Published("AutoThemeAdapt", &TUxNavBar::AutoThemeAdapt, &TUxNavBar::SetAutoThemeAdapt),
                 Published("BorderColor", &TUxNavBar::BorderColor, &TUxNavBar::SetBorderColor),
                 Published("BottomIconAlign", &TUxNavBar::BottomIconAlign, &TUxNavBar::SetBottomIconAlign),
                 Published("CaptionColor", &TUxNavBar::CaptionColor, &TUxNavBar::SetCaptionColor),
                 Published("CaptionColorTo", &TUxNavBar::CaptionColorTo, &TUxNavBar::SetCaptionColorTo),
                 Published("CaptionFont", &TUxNavBar::CaptionFont, &TUxNavBar::SetCaptionFont),
                 Published("DefaultGradientDirection", &TUxNavBar::DefaultGradientDirection,
                           &TUxNavBar::SetDefaultGradientDirection),
                 Published("DefaultTabColor", &TUxNavBar::DefaultTabColor, &TUxNavBar::SetDefaultTabColor),
                 Published("DefaultTabColorTo", &TUxNavBar::DefaultTabColorTo, &TUxNavBar::SetDefaultTabColorTo),
                 Published("DefaultTabPosition", &TUxNavBar::DefaultTabPosition,
                           &TUxNavBar::SetDefaultTabPosition),
                 Published("DefaultTextColor", &TUxNavBar::DefaultTextColor, &TUxNavBar::SetDefaultTextColor),
                 Published("DownTabColor", &TUxNavBar::DownTabColor, &TUxNavBar::SetDownTabColor),
                 Published("DownTabColorTo", &TUxNavBar::DownTabColorTo, &TUxNavBar::SetDownTabColorTo),
                 Published("DownTextColor", &TUxNavBar::DownTextColor, &TUxNavBar::SetDownTextColor),
                 Published("HoverTabColor", &TUxNavBar::HoverTabColor, &TUxNavBar::SetHoverTabColor),
                 Published("HoverTabColorTo", &TUxNavBar::HoverTabColorTo, &TUxNavBar::SetHoverTabColorTo),
                 Published("HoverTextColor", &TUxNavBar::HoverTextColor, &TUxNavBar::SetHoverTextColor),
                 Published("MinClientHeight", &TUxNavBar::MinClientHeight, &TUxNavBar::SetMinClientHeight),
                 Published("PopupIndicator", &TUxNavBar::PopupIndicator, &TUxNavBar::SetPopupIndicator),
                 Published("SectionColor", &TUxNavBar::SectionColor, &TUxNavBar::SetSectionColor),
                 Published("SectionColorTo", &TUxNavBar::SectionColorTo, &TUxNavBar::SetSectionColorTo),
                 Published("SplitterColor", &TUxNavBar::SplitterColor, &TUxNavBar::SetSplitterColor),
                 Published("SplitterColorTo", &TUxNavBar::SplitterColorTo, &TUxNavBar::SetSplitterColorTo),
                 Published("SplitterPosition", &TUxNavBar::SplitterPosition, &TUxNavBar::SetSplitterPosition),
                 Published("Style", &TUxNavBar::Style, &TUxNavBar::SetStyle),
                 Published("Version", &TUxNavBar::Version, &TUxNavBar::SetVersion))

namespace {
constexpr TCursor kSizeCursor = crSizeNS;

bool Inside(const TRect& r, int32_t x, int32_t y) { return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom; }
}  // namespace

void DrawGradient(TCanvas* Canvas, TColor FromColor, TColor ToColor, int32_t Steps, const TRect& Rect,
                  bool Horizontal) {
  if (Steps == 0) Steps = 1;
  const COLORREF f = ColorToRGB(FromColor), t = ColorToRGB(ToColor);
  const int32_t fr = GetRValue(f), fg = GetGValue(f), fb = GetBValue(f);
  const double sr = double(GetRValue(t) - fr) / Steps, sg = double(GetGValue(t) - fg) / Steps,
               sb = double(GetBValue(t) - fb) / Steps;
  const double band = double(Horizontal ? Rect.Width() : Rect.Height()) / Steps;
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Pen()->SetWidth(1);
  Canvas->Brush()->SetStyle(bsSolid);
  for (int32_t i = 0; i < Steps; ++i) {
    const TColor c = TColor(RGB(uint8_t(fr + Round(i * sr)), uint8_t(fg + Round(i * sg)), uint8_t(fb + Round(i * sb))));
    Canvas->Pen()->SetColor(c);
    Canvas->Brush()->SetColor(c);
    const int32_t o = int32_t(Round(i * band)), e = o + int32_t(Round(band)) + 1;
    if (Horizontal) Canvas->Rectangle(Rect.Left + o, Rect.Top, Rect.Left + e, Rect.Bottom);
    else Canvas->Rectangle(Rect.Left, Rect.Top + o, Rect.Right, Rect.Top + e);
  }
}

// ---- Creation and destruction

TUxNavBar::TUxNavBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  captionFont_ = std::make_unique<TFont>();
  captionFont_->SetName("Tahoma");
  captionFont_->SetSize(11);
  captionFont_->SetStyle(TFontStyles{fsBold});
  captionFont_->SetColor(clWhite);
  captionFont_->OnChange = [this](TObject*) { Invalidate(); };
  SetBounds(0, 0, 250, 300);
  SetShowHint(true);
}

TUxNavBar::~TUxNavBar() = default;

void TUxNavBar::BeforeDestruction() {
  Destroying();
  std::vector<TUxNavBarPanel*> pages = panels_;
  panels_.clear();
  waiting_.clear();
  activePanel_ = nullptr;
  activeIndex_ = -1;
  for (TUxNavBarPanel* p : pages) {
    p->navBar_ = nullptr;
    p->Free();
  }
  TCustomControl::BeforeDestruction();
}

TUxNavBarPanel* TUxNavBar::CreatePanel() { return new TUxNavBarPanel(this); }

uint32_t TUxNavBar::GetVersionNumber() const { return 0x01030600; }

std::string TUxNavBar::Version() const {
  const uint32_t v = GetVersionNumber();
  return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xFF) + "." + std::to_string((v >> 8) & 0xFF) +
         "." + std::to_string(v & 0xFF);
}

// ---- Setters

#define NAVBAR_REPAINTING_SETTER(Method, Field, Type) \
  void TUxNavBar::Method(Type v) {                    \
    Field = v;                                        \
    Invalidate();                                     \
  }
NAVBAR_REPAINTING_SETTER(SetActiveColor, activeColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetActiveColorTo, activeColorTo_, TColor)
NAVBAR_REPAINTING_SETTER(SetBorderColor, borderColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetCaptionColor, captionColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetCaptionColorTo, captionColorTo_, TColor)
NAVBAR_REPAINTING_SETTER(SetDefaultTabColor, defaultTabColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetDefaultTabColorTo, defaultTabColorTo_, TColor)
NAVBAR_REPAINTING_SETTER(SetDefaultTextColor, defaultTextColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetSplitterColor, splitterColor_, TColor)
NAVBAR_REPAINTING_SETTER(SetSplitterColorTo, splitterColorTo_, TColor)
NAVBAR_REPAINTING_SETTER(SetBottomIconAlign, bottomIconAlign_, TBottomIconAlign)
NAVBAR_REPAINTING_SETTER(SetDefaultGradientDirection, defaultGradientDirection_, TGradientDirection)
NAVBAR_REPAINTING_SETTER(SetPopupIndicator, popupIndicator_, bool)
#undef NAVBAR_REPAINTING_SETTER

void TUxNavBar::SetCaptionFont(TFont* v) {
  captionFont_->Assign(v);
  Invalidate();
}

void TUxNavBar::SetImages(TCustomImageList* v) {
  if (images_) images_->RemoveFreeNotification(this);
  images_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TUxNavBar::SetSmallImages(TCustomImageList* v) {
  if (smallImages_) smallImages_->RemoveFreeNotification(this);
  smallImages_ = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TUxNavBar::SetDefaultTabPosition(TDefaultTabPosition v) {
  defaultTabPosition_ = v;
  Arrange();
  Invalidate();
}

void TUxNavBar::SetMinClientHeight(int32_t v) {
  if (v <= 20) return;
  minClientHeight_ = v;
  const int32_t c = ClientRect().Height();
  if (c < v) SetHeight(Height() + (v - c));
}

// ---- Geometry

TRect TUxNavBar::IconRowRect() {
  const int32_t W = Width(), H = Height(), T = kTabHeight;
  if (defaultTabPosition_ == tpBottom) return TRect{0, H - T - 1, W, H};
  return TRect{0, 1, W, T + 1};
}

TRect TUxNavBar::TabRect(int32_t Index) {
  const int32_t W = Width(), H = Height(), T = kTabHeight;
  const int32_t k = Index - (PanelCount() - splitterPosition_);
  if (defaultTabPosition_ == tpBottom) return TRect{0, H - (k + 2) * T - 1, W, H - (k + 1) * T};
  return TRect{0, (k + 1) * T, W, (k + 2) * T + 1};
}

int32_t TUxNavBar::SplitterLine() {
  const int32_t n = PanelCount();
  if (defaultTabPosition_ == tpBottom)
    return splitterPosition_ > 0 && n > 0 ? TabRect(n - 1).Top - 3 : Height() - kTabHeight - 4;
  return splitterPosition_ > 0 && n > 0 ? TabRect(n - 1).Bottom + 3 : kTabHeight + 4;
}

TRect TUxNavBar::SplitterRect() {
  const int32_t S = SplitterLine();
  return TRect{1, S - 3, Width() - 1, S + 3};
}

TRect TUxNavBar::CaptionRect() {
  if (defaultTabPosition_ == tpBottom) return TRect{1, 1, Width() - 1, 27};
  const int32_t S = SplitterLine();
  return TRect{1, S + 4, Width() - 1, S + 31};
}

TRect TUxNavBar::ClientRect() {
  const int32_t S = SplitterLine();
  if (defaultTabPosition_ == tpBottom) return TRect{1, 27, Width() - 1, S - 3};
  return TRect{1, S + 30, Width() - 1, Height() - 1};
}

int32_t TUxNavBar::IconCapacity(int32_t Margin) {
  const TRect r = IconRowRect();
  return (r.Right - (popupIndicator_ ? 21 : 0) - r.Left - 2 * Margin) / 24;
}

int32_t TUxNavBar::LastVisibleIcon() {
  return PanelCount() - splitterPosition_ - 1 - (scroller_.Visible() ? scroller_.Position() : 0);
}

int32_t TUxNavBar::FirstVisibleIcon() { return std::max(LastVisibleIcon() - IconCapacity(iconMargin_) + 1, 0); }

TRect TUxNavBar::IconRect(int32_t Index) {
  const TRect r = IconRowRect();
  const int32_t e = r.Right - (popupIndicator_ ? 20 : 0);
  const int32_t d = LastVisibleIcon() - Index;
  const int32_t left = bottomIconAlign_ == biRight ? e - iconMargin_ - d * 24 - 24 : d * 24 + iconMargin_;
  return TRect{left, r.Top, left + 24, r.Bottom};
}

TRect TUxNavBar::BackButtonRect() {
  const TRect r = IconRowRect();
  return TRect{r.Left + 1, r.Top + 1, r.Left + 21, r.Bottom - 2};
}

TRect TUxNavBar::ForwardButtonRect() {
  const TRect r = IconRowRect();
  const int32_t e = r.Right - (popupIndicator_ ? 20 : 0);
  return TRect{e - 20, r.Top + 1, e - 1, r.Bottom - 2};
}

TRect TUxNavBar::PopupButtonRect() {
  const TRect r = IconRowRect();
  return TRect{r.Right - 21, r.Top + 1, r.Right - 1, r.Bottom - 2};
}

int32_t TUxNavBar::TabAt(int32_t X, int32_t Y) {
  const TRect row = IconRowRect();
  if (Y >= row.Top && Y < row.Bottom) {
    for (int32_t j = FirstVisibleIcon(); j <= LastVisibleIcon(); ++j)
      if (Inside(IconRect(j), X, Y)) return j;
    return -1;
  }
  const int32_t n = PanelCount();
  for (int32_t i = std::max(0, n - splitterPosition_); i < n; ++i)
    if (Inside(TabRect(i), X, Y)) return i;
  return -1;
}

void TUxNavBar::Arrange() {
  for (TUxNavBarPanel* p : panels_) p->UpdatePosition();
}

void TUxNavBar::UpdateScroller() {
  const int32_t icons = PanelCount() - splitterPosition_;
  const int32_t capacity = IconCapacity(1);
  if (scroller_.Visible()) {
    if (capacity >= icons) {
      scroller_.SetVisible(false);
      iconMargin_ -= 20;
    } else {
      scroller_.SetPosition(scroller_.Min());
      scroller_.SetMax(icons - IconCapacity(iconMargin_));
    }
  } else if (capacity < icons) {
    scroller_.SetVisible(true);
    iconMargin_ += 20;
    scroller_.SetMin(0);
    scroller_.SetPosition(0);
    scroller_.SetMax(icons - IconCapacity(iconMargin_));
  }
}

// ---- Loading and window

void TUxNavBar::CreateWnd() {
  TCustomControl::CreateWnd();
  if (!Loading()) loaded_ = true;
}

void TUxNavBar::Loaded() {
  TCustomControl::Loaded();
  ownHint_ = Hint();
  loaded_ = true;
  silenceSplitterMove_ = true;
  // By ascending page index; of equal indexes the one that waited first.
  std::vector<TUxNavBarPanel*> waiting = waiting_;
  waiting_.clear();
  std::stable_sort(waiting.begin(), waiting.end(),
                   [](TUxNavBarPanel* a, TUxNavBarPanel* b) { return a->PanelIndex() < b->PanelIndex(); });
  for (TUxNavBarPanel* p : waiting) {
    panels_.push_back(p);
    p->navBar_ = this;
    p->UpdatePosition();
  }
  if (activeIndex_ >= 0 && activeIndex_ < PanelCount()) activePanel_ = panels_[size_t(activeIndex_)];
  else activeIndex_ = -1;
  if (loadedSplitterPosition_ != splitterPosition_) MoveSplitter(splitterPosition_ - loadedSplitterPosition_);
  silenceSplitterMove_ = false;
  if (autoThemeAdapt_ && !ComponentState().Contains(csDesigning)) ThemeAdapt();
  UpdateScroller();
  rememberedSplitterPosition_ = -1;
}

void TUxNavBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove || ComponentState().Contains(csDestroying)) return;
  if (AComponent == images_) {
    images_ = nullptr;
    Invalidate();
  }
  if (AComponent == smallImages_) {
    smallImages_ = nullptr;
    Invalidate();
  }
  for (TUxNavBarPanel* p : panels_)
    if (static_cast<TComponent*>(p) == AComponent) {
      RemovePanel(p);
      Invalidate();
      break;
    }
}

void TUxNavBar::Resize() {
  TCustomControl::Resize();
  const int32_t c = ClientRect().Height();
  const int32_t n = PanelCount();
  if (c < minClientHeight_ && splitterPosition_ > 0) {
    if (rememberedSplitterPosition_ == -1 && !Loading() && !ComponentState().Contains(csDesigning))
      rememberedSplitterPosition_ = splitterPosition_;
    SetSplitterPosition(splitterPosition_ - 1);
  } else if (c > minClientHeight_ + kTabHeight && splitterPosition_ < n && rememberedSplitterPosition_ != -1 &&
             !Loading()) {
    SetSplitterPosition(splitterPosition_ + 1);
    if (splitterPosition_ == rememberedSplitterPosition_) rememberedSplitterPosition_ = -1;
  }
  Arrange();
  UpdateScroller();
}

// ---- Pages joining and leaving

void TUxNavBar::AddPanel(TUxNavBarPanel* Panel) {
  if (!Loading()) return;
  if (std::find(waiting_.begin(), waiting_.end(), Panel) == waiting_.end()) waiting_.push_back(Panel);
}

void TUxNavBar::RemovePanel(TUxNavBarPanel* Panel) {
  waiting_.erase(std::remove(waiting_.begin(), waiting_.end(), Panel), waiting_.end());
  auto it = std::find(panels_.begin(), panels_.end(), Panel);
  if (it == panels_.end()) return;
  if (ComponentState().Contains(csDestroying)) {
    panels_.erase(it);
    if (Panel == activePanel_) activePanel_ = nullptr, activeIndex_ = -1;
    Panel->navBar_ = nullptr;
    return;
  }
  const bool wasActive = Panel == activePanel_;
  const int32_t oldIndex = activeIndex_;
  TUxNavBarPanel* successor = nullptr;
  // The page after the active one takes over; after the last, the first.
  if (wasActive && PanelCount() > 1) successor = panels_[size_t((it - panels_.begin() + 1) % PanelCount())];
  MoveSplitter(1);
  panels_.erase(std::find(panels_.begin(), panels_.end(), Panel));
  Panel->navBar_ = nullptr;
  // The tab count never passes the page count.
  splitterPosition_ = std::min(splitterPosition_, PanelCount());
  if (wasActive) {
    // The leaving page stops being the active one whatever the handler
    // answers: refused, the bar has no active page rather than a page
    // that may be freed next.
    activePanel_ = nullptr;
    activeIndex_ = -1;
    if (successor) {
      const auto at = std::find(panels_.begin(), panels_.end(), successor) - panels_.begin();
      Activate(int32_t(at), oldIndex, true);
    }
  } else if (activePanel_) {
    activeIndex_ = int32_t(std::find(panels_.begin(), panels_.end(), activePanel_) - panels_.begin());
  }
  Arrange();
  UpdateScroller();
  Invalidate();
}

// ---- Activation

void TUxNavBar::Activate(int32_t NewIndex, int32_t ReportedOld, bool HideOld) {
  bool allow = true;
  if (OnPanelActivate) OnPanelActivate(this, ReportedOld, NewIndex, allow);
  if (!allow) return;
  if (HideOld && activePanel_ && activeIndex_ >= 0 && activeIndex_ < PanelCount()) activePanel_->Hide();
  activeIndex_ = NewIndex;
  activePanel_ = panels_[size_t(NewIndex)];
  activePanel_->Show();
  activePanel_->BringToFront();
  Invalidate();
  if (OnChange) OnChange(this);
}

void TUxNavBar::SetActiveTabIndex(int32_t v) {
  if (Loading()) {
    activeIndex_ = v;
    return;
  }
  if (v < 0) {
    activeIndex_ = -1;
    activePanel_ = nullptr;
    return;
  }
  if (v == activeIndex_ || v >= PanelCount()) return;
  Activate(v, activeIndex_, true);
}

void TUxNavBar::SetActivePanel(TUxNavBarPanel* Panel) {
  if (!Panel) {
    activeIndex_ = -1;
    activePanel_ = nullptr;
    return;
  }
  auto it = std::find(panels_.begin(), panels_.end(), Panel);
  if (it == panels_.end()) throw Exception("Invalid UxNavBarPanel");
  const int32_t v = int32_t(it - panels_.begin());
  if (v == activeIndex_) return;
  Activate(v, activeIndex_, false);
}

// ---- The splitter

int32_t TUxNavBar::MoveSplitterStep(int32_t Direction) {
  const int32_t S = SplitterLine(), H = Height(), T = kTabHeight, n = PanelCount();
  const bool bottom = defaultTabPosition_ == tpBottom;
  if (Direction < 0) {
    if (bottom && S < minClientHeight_ + T + 32) return 0;
    if (!bottom && S > H - T - 32 - minClientHeight_) return 0;
    if (n - splitterPosition_ <= 0) return 0;
    ++splitterPosition_;
  } else {
    if (bottom && S >= H - T - 10) return 0;
    if (!bottom && S <= T + 10) return 0;
    if (splitterPosition_ <= 0) return 0;
    --splitterPosition_;
  }
  return 1;
}

int32_t TUxNavBar::MoveSplitter(int32_t Delta) {
  if (Delta == 0) return 0;
  const int32_t old = splitterPosition_;
  // One tab at a time, each with its own room test, so that a large delta
  // never squeezes the page area below its least height.
  int32_t moved = 0;
  for (int32_t i = 0; i < std::abs(Delta); ++i) {
    if (!MoveSplitterStep(Delta < 0 ? -1 : 1)) break;
    ++moved;
  }
  if (moved == 0) return 0;
  SplitterMoved(old);
  return moved;
}

void TUxNavBar::SplitterMoved(int32_t Old) {
  Arrange();
  if (activePanel_) {
    activePanel_->SendToBack();
    activePanel_->BringToFront();
  }
  UpdateScroller();
  Invalidate();
  if (OnSplitterMove && Old != splitterPosition_ && !Loading() && !silenceSplitterMove_)
    OnSplitterMove(this, Old, splitterPosition_);
}

void TUxNavBar::SetSplitterPosition(int32_t v) {
  if (v < 0) return;
  if (loaded_ && !Loading()) MoveSplitter(splitterPosition_ - v);
  else loadedSplitterPosition_ = v;
  UpdateScroller();
}

// ---- Painting

void TUxNavBar::DrawCaptionText(TCanvas* C) {
  if (!activePanel_) return;
  C->Font()->Assign(captionFont_.get());
  C->Brush()->SetStyle(bsClear);
  const int32_t h = C->TextHeight("gh");
  C->TextOut(8, CaptionRect().Top + (27 - h) / 2, activePanel_->Caption());
}

void TUxNavBar::Paint() {
  TCanvas* c = Canvas();
  const int32_t W = Width(), H = Height(), n = PanelCount();
  // 1. The border.
  c->Pen()->SetColor(borderColor_);
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  if (n == 0) {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
  } else {
    c->Brush()->SetStyle(bsClear);
  }
  c->Rectangle(0, 0, W, H);
  // 2. The caption band.
  const TRect cap = CaptionRect();
  if (captionColorTo_ == clNone) {
    c->Pen()->SetColor(captionColor_);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(captionColor_);
    c->Rectangle(cap);
  } else {
    DrawGradient(c, captionColor_, captionColorTo_, 64, cap, defaultGradientDirection_ == gdHorizontal);
  }
  DrawCaptionText(c);
  // 3. The splitter band with its grip of nine dots.
  const int32_t S = SplitterLine();
  DrawGradient(c, splitterColor_, splitterColorTo_, 16, SplitterRect(), false);
  const int32_t x0 = (W - 34) / 2;
  c->Brush()->SetStyle(bsSolid);
  for (int32_t i = 0; i < 9; ++i) {
    c->Brush()->SetColor(clWhite);
    c->FillRect(TRect{x0 + 1 + 4 * i, S - 1, x0 + 3 + 4 * i, S + 1});
    c->Brush()->SetColor(clBlack);
    c->FillRect(TRect{x0 + 4 * i, S - 2, x0 + 2 + 4 * i, S});
    c->SetPixels(x0 + 1 + 4 * i, S - 1, splitterColorTo_);
  }
  // 4. The large tabs.
  for (int32_t i = std::max(0, n - splitterPosition_); i < n; ++i) DrawTab(c, i);
  // 5. The icon row.
  DrawIconRow(c);
}

void TUxNavBar::DrawTab(TCanvas* C, int32_t Index) {
  TUxNavBarPanel* page = panels_[size_t(Index)];
  const TRect rt = TabRect(Index);
  C->Pen()->SetColor(borderColor_);
  C->Brush()->SetStyle(bsClear);
  C->Rectangle(rt);
  TColor from, to, text = page->TextColor();
  const bool active = Index == activeIndex_, under = Index == hoverIndex_;
  if (active && under) from = downTabColor_, to = downTabColorTo_, text = downTextColor_;
  else if (active) from = activeColor_, to = activeColorTo_;
  else if (!under) from = defaultTabColor_, to = defaultTabColorTo_;
  else if (Index == downIndex_) from = downTabColor_, to = downTabColorTo_, text = downTextColor_;
  else from = hoverTabColor_, to = hoverTabColorTo_, text = hoverTextColor_;
  const bool horizontal = defaultGradientDirection_ == gdHorizontal;
  DrawGradient(C, from, to, 16, TRect{rt.Left + 1, rt.Top + 1, rt.Right - 1, rt.Bottom - 1 - (horizontal ? 0 : 1)},
               horizontal);
  if (active) {
    DrawCaptionText(C);
    C->Pen()->SetColor(borderColor_);
    C->MoveTo(0, CaptionRect().Bottom - 1);
    C->LineTo(Width(), CaptionRect().Bottom - 1);
  }
  int32_t x = rt.Left + 6, top = rt.Top + 1;
  if (images_) {
    images_->Draw(C, rt.Left + 5, rt.Top + (rt.Height() - images_->Height()) / 2, page->ImageIndex());
    x = rt.Left + images_->Width() + 10;
    top = rt.Top;
  }
  C->Font()->Assign(Font());
  C->Font()->SetColor(text);
  C->Brush()->SetStyle(bsClear);
  C->TextOut(x, top + (rt.Height() - C->TextHeight("gh")) / 2, page->Caption());
}

void TUxNavBar::DrawIcon(TCanvas* C, int32_t Index) {
  TUxNavBarPanel* page = panels_[size_t(Index)];
  const TRect ri = IconRect(Index);
  TColor from, to;
  const bool active = Index == activeIndex_, under = Index == hoverIndex_;
  if (active && under) from = downTabColor_, to = downTabColorTo_;
  else if (active) from = activeColor_, to = activeColorTo_;
  else if (!under) from = defaultTabColor_, to = defaultTabColorTo_;
  else if (Index == downIndex_) from = downTabColor_, to = downTabColorTo_;
  else from = hoverTabColor_, to = hoverTabColorTo_;
  const bool horizontal = defaultGradientDirection_ == gdHorizontal;
  DrawGradient(C, from, to, 16, TRect{ri.Left, ri.Top + 1, ri.Right, ri.Bottom - 1 - (horizontal ? 0 : 1)}, horizontal);
  if (active) DrawCaptionText(C);
  if (smallImages_) {
    smallImages_->Draw(C, ri.Left + 4, ri.Top + 8, page->ImageIndex());
  } else if (images_ && images_->Width() == 16 && images_->Height() == 16) {
    images_->Draw(C, ri.Left + 4, ri.Top + 8, page->ImageIndex());
  } else if (images_) {
    TBitmap bmp;
    bmp.SetPixelFormat(pf32bit);
    bmp.SetSize(images_->Width(), images_->Height());
    bmp.Canvas()->Brush()->SetColor(clFuchsia);
    bmp.Canvas()->FillRect(TRect{0, 0, bmp.Width(), bmp.Height()});
    images_->Draw(bmp.Canvas(), 0, 0, page->ImageIndex());
    bmp.SetTransparentColor(clFuchsia);
    bmp.SetTransparent(true);
    C->StretchDraw(TRect{ri.Left + 4, ri.Top + 8, ri.Left + 20, ri.Top + 24}, &bmp);
  }
}

void TUxNavBar::DrawIconRow(TCanvas* C) {
  const TRect r = IconRowRect();
  C->Pen()->SetColor(borderColor_);
  C->Brush()->SetStyle(bsClear);
  C->Rectangle(r);
  const bool horizontal = defaultGradientDirection_ == gdHorizontal;
  DrawGradient(C, defaultTabColor_, defaultTabColorTo_, 16,
               TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1 - (horizontal ? 0 : 1)}, horizontal);
  for (int32_t j = LastVisibleIcon(); j >= FirstVisibleIcon(); --j) DrawIcon(C, j);
  if (scroller_.Visible()) DrawScrollButtons(C);
  if (popupIndicator_) DrawPopupButton(C);
}

void TUxNavBar::DrawScrollButtons(TCanvas* C) {
  const bool right = bottomIconAlign_ == biRight;
  const bool backEnabled = right ? scroller_.CanGoForward() : scroller_.CanGoBack();
  const bool forwardEnabled = right ? scroller_.CanGoBack() : scroller_.CanGoForward();
  auto button = [&](const TRect& b, bool enabled, bool hover, bool down, const char* text, int32_t x1, int32_t x2) {
    TColor from = defaultTabColor_, to = defaultTabColorTo_;
    if (enabled && down) from = downTabColor_, to = downTabColorTo_;
    else if (enabled && hover) from = hoverTabColor_, to = hoverTabColorTo_;
    DrawGradient(C, from, to, 16, b, false);
    C->Font()->SetName("MS Sans Serif");
    C->Font()->SetSize(8);
    C->Font()->SetStyle(TFontStyles{fsBold});
    C->Font()->SetColor(enabled ? clBlack : TColor(0x808080));
    C->Brush()->SetStyle(bsClear);
    C->TextOut(x1, b.Top + 8, text);
    C->TextOut(x2, b.Top + 8, text);
  };
  const TRect b = BackButtonRect(), f = ForwardButtonRect();
  button(b, backEnabled, backHover_, backDown_, "<", b.Left + 2, b.Left + 6);
  button(f, forwardEnabled, forwardHover_, forwardDown_, ">", f.Right - 14, f.Right - 10);
}

void TUxNavBar::DrawPopupButton(TCanvas* C) {
  const TRect r = IconRowRect();
  TColor from = defaultTabColor_, to = defaultTabColorTo_;
  if (popupDown_) from = downTabColor_, to = downTabColorTo_;
  else if (popupHover_) from = hoverTabColor_, to = hoverTabColorTo_;
  DrawGradient(C, from, to, 16, PopupButtonRect(), false);
  const int32_t a = r.Right - 1, b = r.Bottom - 2;
  C->Pen()->SetColor(clBlack);
  for (int32_t i = 0; i < 4; ++i) {
    C->MoveTo(a + i - 13, b + i - 10);
    C->LineTo(a - i - 6, b + i - 10);
  }
  C->Font()->SetName("MS Sans Serif");
  C->Font()->SetSize(8);
  C->Font()->SetStyle(TFontStyles{fsBold});
  C->Font()->SetColor(clBlack);
  C->Brush()->SetStyle(bsClear);
  C->TextOut(a - 14, r.Top + 7, ">");
  C->TextOut(a - 11, r.Top + 7, ">");
}

// Draws one tab, icon or the buttons straight onto the bar.
void TUxNavBar::RepaintTab(int32_t Index) {
  if (!HandleAllocated() || !Showing()) {
    Invalidate();
    return;
  }
  auto* canvas = dynamic_cast<TControlCanvas*>(Canvas());
  canvas->Lock();
  try {
    const int32_t n = PanelCount();
    if (Index == -2) DrawIconRow(canvas);
    else if (Index >= std::max(0, n - splitterPosition_) && Index < n) DrawTab(canvas, Index);
    else if (Index >= FirstVisibleIcon() && Index <= LastVisibleIcon()) DrawIcon(canvas, Index);
  } catch (...) {
    canvas->FreeHandle();
    canvas->Unlock();
    throw;
  }
  canvas->FreeHandle();
  canvas->Unlock();
}

// ---- The pointer

void TUxNavBar::RestoreOwnHint() {
  if (Hint() == ownHint_) return;
  SetHint(ownHint_);
  if (Application) Application->CancelHint();
}

void TUxNavBar::Unhover() {
  if (hoverIndex_ < 0) return;
  const int32_t old = hoverIndex_;
  hoverIndex_ = -1;
  RepaintTab(old);
  RestoreOwnHint();
}

void TUxNavBar::StopTracking() {
  if (Screen) Screen->SetCursor(savedCursor_);
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  tracking_ = false;
  dragging_ = false;
}

void TUxNavBar::ButtonsFollow(int32_t X, int32_t Y) {
  const TRect r = IconRowRect();
  const int32_t f = r.Right - (popupIndicator_ ? 21 : 0);
  const bool back = Inside(TRect{r.Left, r.Top, r.Left + 20, r.Bottom}, X, Y);
  const bool fwd = Inside(TRect{f - 20, r.Top, f, r.Bottom}, X, Y);
  const bool pop = popupIndicator_ && Inside(TRect{r.Right - 21, r.Top, r.Right, r.Bottom}, X, Y);
  bool changed = false;
  if (scroller_.Visible()) {
    changed |= back != backHover_ || fwd != forwardHover_;
    backHover_ = back;
    forwardHover_ = fwd;
  }
  changed |= pop != popupHover_;
  popupHover_ = pop;
  if (changed) RepaintTab(-2);
}

void TUxNavBar::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  const int32_t T = kTabHeight;
  if (dragging_) {
    const int32_t d = Y - (SplitterLine() - 3);
    if (std::abs(d) < T) return;
    MoveSplitter(defaultTabPosition_ == tpBottom ? d / T : -(d / T));
    return;
  }
  const bool inBand = Inside(SplitterRect(), X, Y);
  if (tracking_) {
    if (inBand) return;
    StopTracking();
  } else if (inBand) {
    savedCursor_ = Screen ? Screen->Cursor() : TCursor(crDefault);
    if (Screen) Screen->SetCursor(kSizeCursor);
    SetCaptureControl(this);
    tracking_ = true;
    return;
  }
  const int32_t hit = TabAt(X, Y);
  if (hit >= 0 && hit != hoverIndex_) {
    Unhover();
    hoverIndex_ = hit;
    RepaintTab(hit);
    if (Y > IconRowRect().Top) {
      SetHint(panels_[size_t(hit)]->Hint());
      if (Application) Application->CancelHint();
    }
  } else if (hit < 0) {
    Unhover();
  }
  if (Y > IconRowRect().Top - 10) ButtonsFollow(X, Y);
}

void TUxNavBar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (tracking_) {
    dragging_ = true;
    return;
  }
  const int32_t hit = TabAt(X, Y);
  if (hit >= 0) {
    downIndex_ = hit;
    RepaintTab(hit);
  }
  if (Y > IconRowRect().Top - 10) {
    const TRect r = IconRowRect();
    const int32_t f = r.Right - (popupIndicator_ ? 21 : 0);
    bool changed = false;
    if (scroller_.Visible() && Inside(TRect{r.Left, r.Top, r.Left + 20, r.Bottom}, X, Y)) backDown_ = changed = true;
    if (scroller_.Visible() && Inside(TRect{f - 20, r.Top, f, r.Bottom}, X, Y)) forwardDown_ = changed = true;
    if (popupIndicator_ && Inside(TRect{r.Right - 21, r.Top, r.Right, r.Bottom}, X, Y)) popupDown_ = changed = true;
    if (changed) RepaintTab(-2);
  }
}

void TUxNavBar::ScrollBack() {
  if (bottomIconAlign_ == biRight) {
    if (scroller_.CanGoForward()) scroller_.SetPosition(scroller_.Position() + 1);
  } else if (scroller_.CanGoBack()) {
    scroller_.SetPosition(scroller_.Position() - 1);
  }
  Invalidate();
}

void TUxNavBar::ScrollForward() {
  if (bottomIconAlign_ == biRight) {
    if (scroller_.CanGoBack()) scroller_.SetPosition(scroller_.Position() - 1);
  } else if (scroller_.CanGoForward()) {
    scroller_.SetPosition(scroller_.Position() + 1);
  }
  Invalidate();
}

void TUxNavBar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (dragging_) {
    StopTracking();
    return;
  }
  if (Button != mbLeft || tracking_) return;
  const int32_t hit = TabAt(X, Y);
  if (hit >= 0) {
    SetActiveTabIndex(hit);
    return;
  }
  const TRect r = IconRowRect();
  if (Y <= r.Top) return;
  const int32_t f = r.Right - (popupIndicator_ ? 21 : 0);
  if (scroller_.Visible() && Inside(TRect{r.Left, r.Top, r.Left + 20, r.Bottom}, X, Y)) {
    backDown_ = false;
    ScrollBack();
  } else if (scroller_.Visible() && Inside(TRect{f - 20, r.Top, f, r.Bottom}, X, Y)) {
    forwardDown_ = false;
    ScrollForward();
  } else if (popupIndicator_ && Inside(TRect{r.Right - 21, r.Top, r.Right, r.Bottom}, X, Y)) {
    popupDown_ = false;
    RepaintTab(-2);
    if (OnPopupMenuClick) OnPopupMenuClick(this);
  }
}

void TUxNavBar::MouseLeft() {
  if (Screen && Screen->Cursor() == kSizeCursor) Screen->SetCursor(savedCursor_);
  Unhover();
  const bool repaint = backHover_ || forwardHover_ || popupHover_ || popupDown_;
  backHover_ = forwardHover_ = popupHover_ = popupDown_ = false;
  if (repaint) RepaintTab(-2);
  RestoreOwnHint();
}

void TUxNavBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      // The painting covers every pixel.
      Message.Result = 1;
      return;
    case CM_MOUSELEAVE:
      if (Message.LParam == 0 || Message.LParam == reinterpret_cast<LPARAM>(this)) MouseLeft();
      break;
    case WM_THEMECHANGED:
    case WM_SYSCOLORCHANGE:
    case CM_SYSCOLORCHANGE:
      if (autoThemeAdapt_) ThemeAdapt();
      break;
  }
  TCustomControl::Dispatch(Message);
}
