#include "toolbar/TTBKButton.h"

#include <algorithm>
#include <vector>

#include "platform/Text.h"
#include "ui/TButton.h"
#include "ui/TImageList.h"
#include "ui/TTimer.h"
#include "toolbar/TBKThemedControls.h"

RTL_DEFINE_CLASS(TTBKDropDownMenu, TComponent)
RTL_DEFINE_CLASS(TTBKCustomButton, TTBKTextObject)
RTL_DEFINE_CLASS(TTBKButton, TTBKCustomButton,
                 Published("ModalResult", &TTBKButton::ModalResult, &TTBKButton::SetModalResult),
                 Published("GroupIndex", &TTBKButton::GroupIndex, &TTBKButton::SetGroupIndex),
                 Published("Checked", &TTBKButton::Checked, &TTBKButton::SetChecked),
                 Published("ImageIndex", &TTBKButton::ImageIndex, &TTBKButton::SetImageIndex))

namespace {
int32_t Metric(int32_t Id) { return CurrentTheme->GetIntMetric(Id); }
}  // namespace

TTBKCustomButton::TTBKCustomButton(TComponent* AOwner) : TTBKTextObject(AOwner) {
  controlStyle_ += TControlStyle{csCaptureMouse};
  imageLink_ = std::make_unique<TChangeLink>();
  imageLink_->OnChange = [this](TObject* s) { ImagesChange(s); };
  SetAlignment(taCenter);
  SetSpaceClicks(true);
  SetTabStop(true);
}

TTBKCustomButton::~TTBKCustomButton() {
  FreeRepeatTimer();
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  imageLink_.reset();
}

bool TTBKCustomButton::HasImages() const { return images_ != nullptr; }

void TTBKCustomButton::SetAllowAllUnchecked(bool v) {
  if (allowAllUnchecked_ == v) return;
  allowAllUnchecked_ = v;
  UpdateGroup();
}

void TTBKCustomButton::SetBorderSize(int32_t v) {
  if (borderSize_ == v) return;
  borderSize_ = v;
  TextChanged();
}

void TTBKCustomButton::SetButtonStyle(TButtonStyle v) {
  if (buttonStyle_ == v) return;
  buttonStyle_ = v;
  Invalidate();
}

void TTBKCustomButton::SetChecked(bool v) {
  if (groupIndex_ == 0 && v) return;
  if (checked_ == v || (checked_ && !allowAllUnchecked_)) return;
  checked_ = v;
  Invalidate();
  if (v) UpdateGroup();
}

void TTBKCustomButton::SetDropDownCombo(bool v) {
  if (dropDownCombo_ == v) return;
  dropDownCombo_ = v;
  TextChanged();
}

void TTBKCustomButton::SetDropDownMenu(TTBKDropDownMenu* v) {
  if (dropDownMenu_ == v) return;
  dropDownMenu_ = v;
  if (v) v->FreeNotification(this);
  TextChanged();
}

void TTBKCustomButton::SetGlyphSpacing(int32_t v) {
  if (glyphSpacing_ == v) return;
  glyphSpacing_ = v;
  TextChanged();
}

void TTBKCustomButton::SetGroupIndex(int32_t v) {
  if (groupIndex_ == v) return;
  groupIndex_ = v;
  UpdateGroup();
}

void TTBKCustomButton::SetImageIndex(int32_t v) {
  if (imageIndex_ == v) return;
  imageIndex_ = v;
  Invalidate();
}

void TTBKCustomButton::SetImages(TCustomImageList* v) {
  if (images_ == v) return;
  if (images_) images_->UnRegisterChanges(imageLink_.get());
  images_ = v;
  if (images_) {
    images_->RegisterChanges(imageLink_.get());
    images_->FreeNotification(this);
  }
  TextChanged();
}

void TTBKCustomButton::ImagesChange(TObject*) { TextChanged(); }

void TTBKCustomButton::SetLayout(TButtonLayout v) {
  if (layout_ == v) return;
  layout_ = v;
  TextChanged();
}

void TTBKCustomButton::UpdateGroup() {
  if (!Parent() || groupIndex_ == 0) return;
  for (int32_t i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TTBKCustomButton*>(Parent()->Controls(i));
    if (!b || b == this || b->groupIndex_ != groupIndex_) continue;
    if (checked_ && b->checked_) {
      b->checked_ = false;
      b->Invalidate();
    }
    b->allowAllUnchecked_ = allowAllUnchecked_;
  }
}

void TTBKCustomButton::Notification(TComponent* AComponent, TOperation Operation) {
  TTBKTextObject::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == dropDownMenu_) {
    dropDownMenu_ = nullptr;
    Invalidate();
  }
  if (AComponent == images_) {
    images_ = nullptr;
    Invalidate();
  }
}

bool TTBKCustomButton::AllowDropDown() {
  bool allow = dropDownMenu_ != nullptr;
  if (dropDownMenu_ && OnDropDown) OnDropDown(this, allow);
  return allow;
}

bool TTBKCustomButton::FillItemInfo(TTBKItemPaintInfo& Info) {
  Info = TTBKItemPaintInfo{};
  Info.ViewKind = buttonStyle_ == bsNormal ? tbkvToolbar | tbkvOpaqueItems : tbkvToolbar;
  Info.Options = tbkoToolbarStyle | tbkoAppActive;
  Info.Enabled = Enabled();
  Info.Pushed = Pushed() && (MouseInControl() || droppedDown_);
  if (droppedDown_ && dropDownCombo_) Info.Pushed = false;
  Info.OpensPopup = droppedDown_;
  Info.Checked = checked_;
  if (dropDownMenu_ && dropDownCombo_) Info.SplitPart = 1;
  if (MouseInControl() || droppedDown_) Info.Hover = 2;
  return dropDownMenu_ != nullptr;
}

bool TTBKCustomButton::PointInButton(TPoint P) {
  TRect r = ClientRect();
  DeflateByMargins(r, Margins());
  return PtInRect(&r, P);
}

int32_t TTBKCustomButton::MeasureContent(TCanvas* Canvas) {
  const bool side = layout_ == blGlyphLeft || layout_ == blGlyphRight;
  if (!Caption().empty()) {
    int32_t h = TTBKTextObject::MeasureContent(Canvas);
    if (HasImages() && side) h = std::max(h, images_->Height() + 2 * borderSize_);
    return h;
  }
  if (HasImages()) return images_->Height() + 2 * borderSize_;
  return std::max(2 * borderSize_, 16);
}

TRect TTBKCustomButton::GetInnerPadding() {
  TRect p{borderSize_, borderSize_, borderSize_, borderSize_};
  const bool caption = !Caption().empty();
  if (HasImages()) {
    const int32_t gap = caption ? glyphSpacing_ : 0;
    switch (layout_) {
      case blGlyphLeft: p.Left += images_->Width() + gap; break;
      case blGlyphRight: p.Right += images_->Width() + gap; break;
      case blGlyphTop: p.Top += images_->Height() + gap; break;
      case blGlyphBottom: p.Bottom += images_->Height() + gap; break;
    }
  }
  if (dropDownMenu_) {
    if (dropDownCombo_)
      p.Right += Metric(tbkmSplitArrowWidth);
    else if (!(caption && HasImages() && (layout_ == blGlyphTop || layout_ == blGlyphBottom)))
      p.Right += Metric(tbkmDropDownArrowWidth);
  }
  return p;
}

void TTBKCustomButton::GetFocusFrame(const TRect& R, TRect& Frame) {
  Frame = R;
  InflateRect(&Frame, -2, -2);
}

TRect TTBKCustomButton::MeasureText(TCanvas* Canvas, TRect R, UINT Flags) {
  std::string text = GetDisplayText();
  if (text.empty() || text == "&") text += ' ';
  Canvas->SetFont(Font());
  AdjustFont(Canvas->Font());
  DrawText(Canvas->Handle(), text, &R, (Flags | DT_CALCRECT) & ~UINT(DT_VCENTER));
  return R;
}

int32_t TTBKCustomButton::DrawCaptionText(TCanvas* Canvas, TRect R, UINT Flags) {
  if (Flags & DT_CALCRECT) return TTBKTextObject::DrawCaptionText(Canvas, R, Flags);
  int32_t h = MeasureText(Canvas, R, Flags).Height();
  TTBKItemPaintInfo info;
  FillItemInfo(info);
  Canvas->Font()->SetColor(clNone);
  CurrentTheme->DrawItemText(Canvas, R, info, GetDisplayText(), Flags, false);
  return h;
}

void TTBKCustomButton::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  DeflateByMargins(r, Margins());
  TTBKItemPaintInfo info;
  const bool hasMenu = FillItemInfo(info);
  if (hasMenu && dropDownCombo_) {
    TRect arrow = r;
    arrow.Left = r.Right - Metric(tbkmSplitArrowWidth);
    TTBKItemPaintInfo a = info;
    a.SplitPart = 3;
    a.Pushed = droppedDown_;
    CurrentTheme->DrawButtonFace(c, arrow, a);
    TRect rest = r;
    rest.Right = arrow.Left;
    TTBKItemPaintInfo b = info;
    b.SplitPart = 2;
    b.Pushed = Pushed() && !droppedDown_;
    CurrentTheme->DrawButtonFace(c, rest, b);
    r.Right = arrow.Left;
  } else {
    CurrentTheme->DrawButtonFace(c, r, info);
  }
  if (Focused()) {
    TRect f = r;
    InflateRect(&f, -2, -2);
    DrawFocusFrame(c, f);
  }
  InflateRect(&r, -borderSize_, -borderSize_);
  if (hasMenu && !dropDownCombo_) {
    TRect arrow = r;
    arrow.Left = r.Right - Metric(tbkmDropDownArrowWidth);
    CurrentTheme->DrawDropDownArrow(c, arrow, info);
    r.Right = arrow.Left - Metric(tbkmDropDownArrowMargin);
  }
  const UINT flags = DrawWrapFlags(Wrapping()) | DT_EXPANDTABS | AlignmentFlags(EffectiveAlignment()) | AccelFlag();
  const bool caption = !Caption().empty();
  const bool images = HasImages();
  const int32_t iw = images ? images_->Width() : 0, ih = images ? images_->Height() : 0;
  const TAlignment align = EffectiveAlignment();
  auto imageLeft = [&](const TRect& area) {
    if (align == taRightJustify) return area.Right - iw;
    if (align == taCenter) return (area.Left + area.Right - iw) / 2;
    return area.Left;
  };
  TRect imageRect{0, 0, 0, 0};
  TRect textRect = r;
  UINT textFlags = flags;
  if (caption && images && (layout_ == blGlyphLeft || layout_ == blGlyphRight)) {
    TRect t = r;
    if (layout_ == blGlyphLeft)
      t.Left += iw + glyphSpacing_;
    else
      t.Right -= iw + glyphSpacing_;
    const int32_t iy = (r.Top + r.Bottom - ih) / 2;
    TRect m = MeasureText(c, t, flags);
    const int32_t h = m.Height(), tw = m.Width();
    t.Top = (r.Top + r.Bottom - h) / 2;
    t.Bottom = t.Top + h;
    const int32_t w = iw + glyphSpacing_ + tw;
    int32_t start = align == taRightJustify ? r.Right - w : align == taCenter ? (r.Left + r.Right - w) / 2 : r.Left;
    textFlags &= ~UINT(DT_CENTER | DT_RIGHT);
    if (layout_ == blGlyphLeft) {
      start = std::max(start, r.Left);
      imageRect = TRect{start, iy, start + iw, iy + ih};
      t.Left = start + iw + glyphSpacing_;
      t.Right = r.Right;
    } else {
      t.Left = start;
      t.Right = start + tw;
      imageRect = TRect{t.Right + glyphSpacing_, iy, t.Right + glyphSpacing_ + iw, iy + ih};
      textFlags |= DT_RIGHT;
    }
    textRect = t;
  } else if (caption && images) {
    const int32_t h = MeasureText(c, r, flags).Height();
    const int32_t top = (r.Top + r.Bottom - (ih + glyphSpacing_ + h)) / 2;
    const int32_t x = imageLeft(r);
    if (layout_ == blGlyphTop) {
      imageRect = TRect{x, top, x + iw, top + ih};
      textRect.Top = top + ih + glyphSpacing_;
    } else {
      textRect.Top = top;
      imageRect = TRect{x, top + h + glyphSpacing_, x + iw, top + h + glyphSpacing_ + ih};
    }
    textRect.Bottom = textRect.Top + h;
  } else if (caption) {
    const int32_t h = MeasureText(c, r, flags).Height();
    textRect.Top = (r.Top + r.Bottom - h) / 2;
    textRect.Bottom = textRect.Top + h;
  } else if (images) {
    const int32_t iy = (r.Top + r.Bottom - ih) / 2;
    const int32_t x = imageLeft(r);
    imageRect = TRect{x, iy, x + iw, iy + ih};
  }
  if (images) CurrentTheme->DrawGlyph(c, imageRect, images_, imageIndex_, info);
  if (caption) {
    c->Brush()->SetStyle(bsClear);
    DrawCaptionText(c, textRect, textFlags);
    c->Brush()->SetStyle(bsSolid);
  }
}

void TTBKCustomButton::FireMouseEnter() {
  TTBKTextObject::FireMouseEnter();
  Invalidate();
}

void TTBKCustomButton::FireMouseLeave() {
  TTBKTextObject::FireMouseLeave();
  Invalidate();
}

void TTBKCustomButton::Click() {
  if (repeating_ && !droppedDown_) {
    TTBKTextObject::Click();
    return;
  }
  inClick_ = true;
  struct Guard {
    bool& Flag;
    ~Guard() { Flag = false; }
  } guard{inClick_};
  if (groupIndex_ != 0 && !droppedDown_) SetChecked(!checked_);
  MouseLeft();
  if (!dropDownMenu_ || (dropDownCombo_ && !droppedDown_)) {
    if (modalResult_ != mrNone)
      if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(modalResult_);
    TTBKTextObject::Click();
    return;
  }
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  if (!AllowDropDown()) {
    TTBKTextObject::Click();
    return;
  }
  TTBKDropDownMenu* menu = dropDownMenu_;
  auto cleanUp = [this] {
    SetPushedState(false);
    Invalidate();
    FlushPendingMouseMessages(this);
  };
  try {
    menu->SetPopupComponent(this);
    TPoint p = ClientToScreen(TPoint{0, Height()});
    menu->Popup(p.X, p.Y);
  } catch (...) {
    cleanUp();
    throw;
  }
  cleanUp();
}

void TTBKCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button != mbLeft || !Enabled()) {
    TTBKTextObject::MouseDown(Button, Shift, X, Y);
    return;
  }
  TTBKTextObject::MouseDown(Button, Shift, X, Y);
  TRect r = ClientRect();
  DeflateByMargins(r, Margins());
  droppedDown_ = !inClick_ && dropDownMenu_ &&
                 (!dropDownCombo_ || X >= r.Right - Metric(tbkmSplitArrowWidth));
  if (droppedDown_) {
    controlState_.Exclude(csClicked);
    try {
      Click();
    } catch (...) {
      droppedDown_ = false;
      throw;
    }
    droppedDown_ = false;
    Invalidate();
  } else if (repeating_) {
    Click();
    controlState_.Exclude(csClicked);
    if (!repeatTimer_) {
      repeatTimer_ = new TTimer(nullptr);
      repeatTimer_->OnTimer = [this](TObject* s) { RepeatTick(s); };
    }
    repeatTimer_->SetInterval(uint32_t(std::max(repeatDelay_, 1)));
    repeatTimer_->SetEnabled(true);
    repeatTimer_->UpdateTimer();
  }
}

void TTBKCustomButton::RepeatTick(TObject*) {
  repeatTimer_->SetInterval(uint32_t(std::max(repeatInterval_, 1)));
  if (GetCaptureControl() != this) {
    // The press ended without a release reaching the button.
    repeatTimer_->SetEnabled(false);
    return;
  }
  TPoint p;
  GetCursorPos(&p);
  if (repeating_ && Pushed() && PointInButton(ScreenToClient(p)))
    Click();
  else
    repeatTimer_->SetEnabled(false);  // until a move brings the cursor back
}

void TTBKCustomButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TTBKTextObject::MouseMove(Shift, X, Y);
  if (repeatTimer_ && !repeatTimer_->Enabled() && GetCaptureControl() == this && Pushed() &&
      PointInButton(TPoint{X, Y})) {
    repeatTimer_->SetEnabled(true);
    repeatTimer_->UpdateTimer();
  }
}

void TTBKCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft) FreeRepeatTimer();
  TTBKTextObject::MouseUp(Button, Shift, X, Y);
}

void TTBKCustomButton::FreeRepeatTimer() {
  if (repeatTimer_) repeatTimer_->Free();
  repeatTimer_ = nullptr;
}

void TTBKCustomButton::CancelMode() {
  FreeRepeatTimer();
  MouseLeft();
}

void TTBKCustomButton::CMCancelMode(TMessage& Message) {
  TTBKTextObject::CMCancelMode(Message);
  // Only a press elsewhere cancels; the button's own press does not.
  if (Message.LParam != reinterpret_cast<LPARAM>(this)) CancelMode();
}

void TTBKCustomButton::CMDialogChar(TMessage& Message) {
  if (!ClickOnAccelerator(Message)) TTBKTextObject::CMDialogChar(Message);
}

void TTBKCustomButton::CMDialogKey(TMessage& Message) {
  if (!ClickOnEnter(Message)) TTBKTextObject::CMDialogKey(Message);
}

void TTBKCustomButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_CANCELMODE:
      CancelMode();
      break;
    case WM_LBUTTONDBLCLK:
      // A double click is a second press.
      Message.Msg = WM_LBUTTONDOWN;
      break;
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON;
      return;
    case WM_NCHITTEST:
      TTBKTextObject::Dispatch(Message);
      if (Message.Result == HTCLIENT && !ComponentState().Contains(csDesigning)) {
        TPoint p = ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        if (!PointInButton(p)) Message.Result = HTTRANSPARENT;
      }
      return;
  }
  TTBKTextObject::Dispatch(Message);
}

void FlushPendingMouseMessages(TControl* Control) {
  std::vector<MSG> keep;
  MSG msg;
  while (PeekMessage(msg, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(int32_t(msg.wParam));
      break;
    }
    const bool pressOrDouble = msg.message == WM_LBUTTONDOWN || msg.message == WM_LBUTTONDBLCLK ||
                               msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONDBLCLK ||
                               msg.message == WM_MBUTTONDOWN || msg.message == WM_MBUTTONDBLCLK;
    if (pressOrDouble && FindDragTarget(msg.pt, true) == Control) continue;
    keep.push_back(msg);
  }
  for (const MSG& m : keep) PostMessage(m.hwnd, m.message, m.wParam, m.lParam);
}
