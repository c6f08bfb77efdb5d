#include "app/AppControls.h"

#include <algorithm>

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoView.h"
#include "platform/Draw.h"
#include "platform/Input.h"
#include "platform/Text.h"
#include "ui/TImageList.h"

RTL_DEFINE_CLASS(TAppPanel, TCustomControl)
RTL_DEFINE_CLASS(TAppEdit, TCustomControl)
RTL_DEFINE_CLASS(TAppComboBox, TCustomControl)
RTL_DEFINE_CLASS(TAppListView, TCustomControl)
RTL_DEFINE_CLASS(TAppTrackBar, TCustomControl)
RTL_DEFINE_CLASS(TAppTabSheet, TAppPanel)
RTL_DEFINE_CLASS(TAppPageControl, TCustomControl)
RTL_DEFINE_CLASS(TAppImago, TImago)

namespace {
size_t Utf8Length(const std::string& s) {
  size_t n = 0;
  for (unsigned char ch : s)
    if ((ch & 0xC0) != 0x80) ++n;
  return n;
}

void SunkenFrame(TCanvas* c, TRect r, TColor fill) {
  c->Brush()->SetColor(fill);
  c->FillRect(r);
  DrawEdge(c->Handle(), &r, EDGE_SUNKEN, BF_RECT);
}
}  // namespace

// ---- panel

TAppPanel::TAppPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  SetBounds(0, 0, 185, 41);
  color_ = clBtnFace;
}

void TAppPanel::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---- edit

TAppEdit::TAppEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque, csSetCaption};
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  color_ = clWindow;
  SetCursor(crIBeam);
}

void TAppEdit::SetPasswordChar(char v) {
  if (passwordChar_ == v) return;
  passwordChar_ = v;
  Invalidate();
}

std::string TAppEdit::DisplayText() const {
  if (passwordChar_ == 0) return Text();
  return std::string(Utf8Length(Text()), passwordChar_);
}

void TAppEdit::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTCHARS | DLGC_WANTARROWS; }

void TAppEdit::KeyPress(char& Key) {
  TCustomControl::KeyPress(Key);
  if (Key == 0) return;
  std::string t = Text();
  if (Key == '\b') {
    while (!t.empty() && (uint8_t(t.back()) & 0xC0) == 0x80) t.pop_back();
    if (!t.empty()) t.pop_back();
  } else if (uint8_t(Key) >= 0x20 && Key != 0x7F) {
    t.push_back(Key);
  } else {
    return;
  }
  SetText(t);
  Invalidate();
}

void TAppEdit::Paint() {
  TCanvas* c = Canvas();
  SunkenFrame(c, ClientRect(), Enabled() ? Color() : clBtnFace);
  c->Brush()->SetStyle(bsClear);
  TRect text{4, 0, Width() - 2, Height()};
  DrawText(c->Handle(), DisplayText(), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (Focused()) {
    TSize ext = c->TextExtent(DisplayText());
    c->Pen()->SetColor(clWindowText);
    c->MoveTo(4 + ext.cx, 3);
    c->LineTo(4 + ext.cx, Height() - 3);
  }
}

// ---- drop-down list

TAppComboBox::TAppComboBox(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque};
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  color_ = clWindow;
}

void TAppComboBox::SetItemIndex(int32_t v) {
  if (v < -1 || v >= int32_t(items_.size())) v = -1;
  if (v == itemIndex_) return;
  itemIndex_ = v;
  SetText(v >= 0 ? items_[size_t(v)] : std::string());
  Invalidate();
  if (OnChange) OnChange(this);
}

void TAppComboBox::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_DOWN && itemIndex_ + 1 < int32_t(items_.size())) SetItemIndex(itemIndex_ + 1);
  else if (Key == VK_UP && itemIndex_ > 0) SetItemIndex(itemIndex_ - 1);
}

void TAppComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus()) SetFocus();
  // Without a drop-down window the button steps through the entries.
  if (Button == mbLeft && X >= Width() - 18 && !items_.empty())
    SetItemIndex(itemIndex_ + 1 < int32_t(items_.size()) ? itemIndex_ + 1 : 0);
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TAppComboBox::Paint() {
  TCanvas* c = Canvas();
  SunkenFrame(c, ClientRect(), Enabled() ? Color() : clBtnFace);
  TRect button{Width() - 18, 2, Width() - 2, Height() - 2};
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(button);
  DrawEdge(c->Handle(), &button, EDGE_RAISED, BF_RECT);
  const int32_t cx = button.Left + button.Width() / 2, cy = button.Top + button.Height() / 2;
  c->Brush()->SetColor(clBtnText);
  c->Pen()->SetColor(clBtnText);
  c->Polygon({TPoint{cx - 3, cy - 1}, TPoint{cx + 3, cy - 1}, TPoint{cx, cy + 2}});
  c->Brush()->SetStyle(bsClear);
  TRect text{4, 0, button.Left - 2, Height()};
  if (itemIndex_ >= 0) DrawText(c->Handle(), items_[size_t(itemIndex_)], &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// ---- list view

TAppListView::TAppListView(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque, csDoubleClicks};
  SetBounds(0, 0, 150, 150);
  SetTabStop(true);
  color_ = clWindow;
}

void TAppListView::Clear() {
  items_.clear();
  itemIndex_ = -1;
  top_ = 0;
  Invalidate();
}

void TAppListView::Add(const std::string& Caption, int32_t ImageIndex) {
  items_.push_back(TAppListItem{Caption, ImageIndex});
  Invalidate();
}

void TAppListView::SetItemIndex(int32_t v) {
  if (v < -1 || v >= Count()) v = -1;
  if (v == itemIndex_) return;
  itemIndex_ = v;
  Invalidate();
}

void TAppListView::MakeVisible(int32_t Index) {
  if (Index < 0 || Index >= Count()) return;
  const int32_t rows = std::max(1, ClientHeight() / ItemHeight());
  if (Index < top_) top_ = Index;
  else if (Index >= top_ + rows) top_ = Index - rows + 1;
  Invalidate();
}

void TAppListView::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus() && !Focused()) SetFocus();
  const int32_t index = top_ + Y / ItemHeight();
  SetItemIndex(index < Count() ? index : -1);
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

bool TAppListView::DoMouseWheel(TShiftState Shift, int32_t WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  const int32_t rows = std::max(1, ClientHeight() / ItemHeight());
  top_ = std::clamp(top_ - WheelDelta / 40, 0, std::max(0, Count() - rows));
  Invalidate();
  return true;
}

void TAppListView::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int32_t h = ItemHeight();
  for (int32_t i = top_, y = 0; i < Count() && y < ClientHeight(); ++i, y += h) {
    const TAppListItem& item = items_[size_t(i)];
    int32_t x = 2;
    if (images_ && item.ImageIndex >= 0 && item.ImageIndex < images_->Count()) {
      images_->Draw(c, x, y + (h - images_->Height()) / 2, item.ImageIndex, true);
      x += images_->Width() + 2;
    }
    TRect text{x, y, ClientWidth(), y + h};
    // Whole-row selection that stays visible without focus.
    if (i == itemIndex_) {
      c->Brush()->SetColor(Focused() ? clHighlight : clBtnFace);
      c->FillRect(text);
      c->Font()->SetColor(Focused() ? clHighlightText : clWindowText);
    } else {
      c->Font()->SetColor(clWindowText);
    }
    c->Brush()->SetStyle(bsClear);
    text.Left += 2;
    DrawText(c->Handle(), item.Caption, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

// ---- track bar

TAppTrackBar::TAppTrackBar(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque};
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

void TAppTrackBar::SetRange(int32_t AMin, int32_t AMax) {
  min_ = AMin;
  max_ = std::max(AMin, AMax);
  SetPosition(position_);
}

void TAppTrackBar::SetPosition(int32_t v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TAppTrackBar::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_RIGHT || Key == VK_UP) SetPosition(position_ + 1);
  else if (Key == VK_LEFT || Key == VK_DOWN) SetPosition(position_ - 1);
}

void TAppTrackBar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  const int32_t left = 10, right = Width() - 10, y = Height() / 2;
  TRect channel{left, y - 2, right, y + 2};
  DrawEdge(c->Handle(), &channel, EDGE_SUNKEN, BF_RECT);
  const int32_t span = std::max(1, max_ - min_);
  c->Pen()->SetColor(clBtnText);
  for (int32_t v = min_; frequency_ > 0 && v <= max_; v += frequency_) {
    const int32_t x = left + (right - left) * (v - min_) / span;
    c->MoveTo(x, y - 12);
    c->LineTo(x, y - 8);
  }
  const int32_t x = left + (right - left) * (position_ - min_) / span;
  TRect thumb{x - 5, y - 8, x + 6, y + 9};
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(thumb);
  DrawEdge(c->Handle(), &thumb, EDGE_RAISED, BF_RECT);
}

// ---- page control

namespace {
constexpr int32_t kTabHeight = 22;
}

TAppPageControl::TAppPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

TAppTabSheet* TAppPageControl::AddPage(const std::string& Caption) {
  auto* page = new TAppTabSheet(Owner());
  page->SetCaption(Caption);
  page->SetParent(this);
  pages_.push_back(page);
  page->SetVisible(pages_.size() == 1);
  if (!active_) active_ = page;
  Realign();
  return page;
}

void TAppPageControl::SetActivePage(TAppTabSheet* v) {
  if (v == active_) return;
  active_ = v;
  for (TAppTabSheet* p : pages_) p->SetVisible(p == v);
  Realign();
  Invalidate();
}

TRect TAppPageControl::TabRect(int32_t Index) {
  const int32_t w = 70;
  return TRect{2 + Index * w, 0, 2 + (Index + 1) * w, kTabHeight};
}

void TAppPageControl::AlignControls(TControl*, TRect&) {
  for (TAppTabSheet* p : pages_) p->SetBounds(4, kTabHeight + 4, Width() - 8, Height() - kTabHeight - 8);
}

void TAppPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  for (int32_t i = 0; i < PageCount(); ++i) {
    TRect r = TabRect(i);
    if (X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom) SetActivePage(Pages(i));
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TAppPageControl::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  TRect body{0, kTabHeight, Width(), Height()};
  DrawEdge(c->Handle(), &body, EDGE_RAISED, BF_RECT);
  c->Brush()->SetStyle(bsClear);
  for (int32_t i = 0; i < PageCount(); ++i) {
    TRect r = TabRect(i);
    if (Pages(i) != active_) r.Top += 2;
    DrawEdge(c->Handle(), &r, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    DrawText(c->Handle(), Pages(i)->Caption(), &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
}

// ---- image view

void TAppImago::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TAppImago::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus() && !Focused()) SetFocus();
  TImago::MouseDown(Button, Shift, X, Y);
}

void TAppImago::Paint() {
  TIEBitmap* image = GetIEBitmap();
  if (image && image->Width() > 0 && image->Height() > 0) {
    TImago::Paint();
    return;
  }
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Background());
  Canvas()->FillRect(ClientRect());
}
