#include "toolbar/TTBKToolbar.h"

#include <algorithm>

#include "platform/Draw.h"
#include "platform/Text.h"
#include "ui/TImageList.h"

RTL_DEFINE_CLASS(TTBKToolbar, TCustomControl)

namespace {
constexpr int32_t kSeparatorWidth = 8;
constexpr int32_t kItemPadding = 8;
constexpr int32_t kMinItemWidth = 40;
constexpr int32_t kGlyphGap = 4;
}  // namespace

TTBKToolbar::TTBKToolbar(TComponent* AOwner) : TCustomControl(AOwner), imageLink_(new TChangeLink) {
  controlStyle_ += TControlStyle{csCaptureMouse, csOpaque};
  SetBounds(0, 0, 200, 41);
  color_ = clBtnFace;
  imageLink_->OnChange = [this](TObject*) {
    Layout_();
    Invalidate();
  };
}

TTBKToolbar::~TTBKToolbar() { imageLink_->Free(); }

void TTBKToolbar::BeforeDestruction() {
  SetImages(nullptr);
  TCustomControl::BeforeDestruction();
}

void TTBKToolbar::Add(TTBKItem* Item) {
  items_.push_back(Item);
  Item->SetToolbar(this);
  Item->FreeNotification(this);
  Layout_();
  Invalidate();
}

void TTBKToolbar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == images_) {
    images_->UnRegisterChanges(imageLink_);
    images_ = nullptr;
    Layout_();
  }
  auto it = std::find(items_.begin(), items_.end(), AComponent);
  if (it != items_.end()) {
    if (pressed_ == *it) pressed_ = nullptr;
    items_.erase(it);
    Layout_();
  }
}

void TTBKToolbar::SetDisplayMode(TTBKDisplayMode v) {
  displayMode_ = v;
  Layout_();
  Invalidate();
}

void TTBKToolbar::SetLayout(TTBKLayout v) {
  layout_ = v;
  Layout_();
  Invalidate();
}

void TTBKToolbar::SetImages(TCustomImageList* v) {
  if (images_ == v) return;
  if (images_) {
    images_->UnRegisterChanges(imageLink_);
    images_->RemoveFreeNotification(this);
  }
  images_ = v;
  if (v) {
    v->RegisterChanges(imageLink_);
    v->FreeNotification(this);
  }
  Layout_();
  Invalidate();
}

void TTBKToolbar::ItemChanged(TTBKItem*) {
  Layout_();
  Invalidate();
}

void TTBKToolbar::Layout_() {
  rects_.clear();
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT old = SelectObject(dc, Font()->Handle());
  int32_t x = 2;
  for (TTBKItem* item : items_) {
    if (!item->Visible()) {
      rects_.push_back(TRect{x, 0, x, 0});
      continue;
    }
    int32_t w = kSeparatorWidth;
    if (!item->IsSeparator()) {
      TRect r{0, 0, 0, 0};
      std::string text = item->Caption().empty() ? std::string(" ") : item->Caption();
      DrawText(dc, text, &r, DT_SINGLELINE | DT_CALCRECT);
      w = r.Width() + 2 * kItemPadding;
      if (ShowsImage(item)) {
        if (layout_ == tbklGlyphTop)
          w = std::max(w, images_->Width() + 2 * kItemPadding);
        else
          w += images_->Width() + kGlyphGap;
      }
      w = std::max(kMinItemWidth, w);
    }
    rects_.push_back(TRect{x, 1, x + w, Height() - 1});
    x += w;
  }
  SelectObject(dc, old);
  DeleteDC(dc);
}

bool TTBKToolbar::ShowsImage(const TTBKItem* Item) const {
  return displayMode_ != nbdmTextOnly && images_ && Item->ImageIndex() >= 0 && Item->ImageIndex() < images_->Count();
}

TRect TTBKToolbar::ItemRect(const TTBKItem* Item) {
  if (rects_.size() != items_.size()) Layout_();
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i] == Item) return rects_[i];
  return TRect{0, 0, 0, 0};
}

TTBKItem* TTBKToolbar::ItemAt(int32_t X, int32_t Y) {
  if (rects_.size() != items_.size()) Layout_();
  for (size_t i = 0; i < items_.size(); ++i) {
    const TRect& r = rects_[i];
    if (items_[i]->Visible() && !items_[i]->IsSeparator() && X >= r.Left && X < r.Right && Y >= r.Top &&
        Y < r.Bottom)
      return items_[i];
  }
  return nullptr;
}

void TTBKToolbar::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_SIZE) {
    TCustomControl::Dispatch(Message);
    Layout_();
    Invalidate();
    return;
  }
  if (Message.Msg == CM_HINTSHOW) {
    // The hint of the item under the pointer.
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (info) {
      TTBKItem* item = ItemAt(info->CursorPos.X, info->CursorPos.Y);
      if (item) {
        info->HintStr = item->Hint();
        info->CursorRect = ItemRect(item);
      } else {
        info->HintStr.clear();
      }
    }
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TTBKToolbar::Paint() {
  TCanvas* c = Canvas();
  c->Brush()->SetColor(Color());
  c->FillRect(ClientRect());
  if (rects_.size() != items_.size()) Layout_();
  c->Brush()->SetStyle(bsClear);
  for (size_t i = 0; i < items_.size(); ++i) {
    TTBKItem* item = items_[i];
    TRect r = rects_[i];
    if (!item->Visible()) continue;
    if (item->IsSeparator()) {
      if (!static_cast<TTBKSeparatorItem*>(item)->Blank()) {
        TRect line{r.Left + r.Width() / 2 - 1, r.Top + 3, r.Left + r.Width() / 2 + 1, r.Bottom - 3};
        DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_LEFT);
      }
      continue;
    }
    if (item == pressed_) DrawEdge(c->Handle(), &r, BDR_SUNKENOUTER, BF_RECT);
    TRect text = r;
    UINT flags = DT_SINGLELINE | DT_CENTER;
    if (layout_ == tbklGlyphTop && displayMode_ != nbdmTextOnly) {
      // The image place on top, the caption below it.
      const int32_t glyph = images_ ? images_->Height() : 16;
      if (ShowsImage(item))
        images_->Draw(c, r.Left + (r.Width() - images_->Width()) / 2, r.Top + 2, item->ImageIndex(),
                      item->Enabled());
      text.Top = r.Top + 2 + glyph + 1;
    } else {
      // The image at the left, the caption beside it, both centred.
      if (ShowsImage(item)) {
        images_->Draw(c, r.Left + kItemPadding, r.Top + (r.Height() - images_->Height()) / 2, item->ImageIndex(),
                      item->Enabled());
        text.Left = r.Left + images_->Width() + kGlyphGap;
      }
      flags |= DT_VCENTER;
    }
    c->Font()->SetColor(item->Enabled() ? clBtnText : clGrayText);
    DrawText(c->Handle(), item->Caption(), &text, flags);
  }
}

void TTBKToolbar::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) {
    TTBKItem* item = ItemAt(X, Y);
    pressed_ = item && item->Enabled() ? item : nullptr;
    Invalidate();
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TTBKToolbar::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TTBKItem* item = pressed_;
  pressed_ = nullptr;
  Invalidate();
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (Button == mbLeft && item && item == ItemAt(X, Y)) item->Click();
}
