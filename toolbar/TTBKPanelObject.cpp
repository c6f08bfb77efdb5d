#include "toolbar/TTBKPanelObject.h"

#include "platform/GdiHolders.h"
#include "platform/Draw.h"
#include "platform/Text.h"
#include "ui/TForm.h"
#include "ui/TScreen.h"
#include "ui/TBitmap.h"
#include "ui/TButton.h"
#include "ui/TTimer.h"
#include "toolbar/TBKDrawUtils.h"
#include "toolbar/TBKThemedControls.h"

RTL_DEFINE_CLASS(TTBKControlMargins, TPersistent,
                 Published("Left", &TTBKControlMargins::Left, &TTBKControlMargins::SetLeft),
                 Published("Top", &TTBKControlMargins::Top, &TTBKControlMargins::SetTop),
                 Published("Right", &TTBKControlMargins::Right, &TTBKControlMargins::SetRight),
                 Published("Bottom", &TTBKControlMargins::Bottom, &TTBKControlMargins::SetBottom))
RTL_DEFINE_CLASS(TTBKPanelObject, TCustomControl)
RTL_DEFINE_CLASS(TTBKTextObject, TTBKPanelObject)

// ---- Margins

void TTBKControlMargins::Set(int32_t& Field, int32_t v) {
  if (Field == v) return;
  Field = v;
  if (OnChange) OnChange();
}

void TTBKControlMargins::Assign(TPersistent* Source) {
  if (auto* m = dynamic_cast<TTBKControlMargins*>(Source)) {
    left_ = m->left_;
    top_ = m->top_;
    right_ = m->right_;
    bottom_ = m->bottom_;
    if (OnChange) OnChange();
    return;
  }
  TPersistent::Assign(Source);
}

void DeflateByMargins(TRect& R, const TTBKControlMargins* Margins) {
  R.Left += Margins->Left();
  R.Top += Margins->Top();
  R.Right -= Margins->Right();
  R.Bottom -= Margins->Bottom();
}

void DeflateByPadding(TRect& R, const TRect& Padding) {
  R.Left += Padding.Left;
  R.Top += Padding.Top;
  R.Right -= Padding.Right;
  R.Bottom -= Padding.Bottom;
}

void DrawFocusFrame(TCanvas* Canvas, const TRect& R) {
  HDC dc = Canvas->Handle();
  COLORREF text = SetTextColor(dc, 0x000000);
  COLORREF back = SetBkColor(dc, 0xFFFFFF);
  DrawFocusRect(dc, &R);
  SetTextColor(dc, text);
  SetBkColor(dc, back);
}

bool ActiveControlIsWithin(TWinControl* Container) {
  TWinControl* c = Screen ? Screen->ActiveControl() : nullptr;
  for (; c; c = c->Parent())
    if (c == Container) return true;
  return false;
}

// ---- Panel object

TTimer* TTBKPanelObject::hoverTimer_ = nullptr;
int32_t TTBKPanelObject::instances_ = 0;
TTBKPanelObject* TTBKPanelObject::hovered_ = nullptr;

TTBKPanelObject::TTBKPanelObject(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csClickEvents, csDoubleClicks};
  controlStyle_ -= TControlStyle{csOpaque};
  SetParentColor(false);
  SetColor(clNone);
  if (instances_++ == 0) {
    hoverTimer_ = new TTimer(nullptr);
    hoverTimer_->SetEnabled(false);
    hoverTimer_->SetInterval(125);
  }
  AddThemeNotification(this);
}

TTBKPanelObject::~TTBKPanelObject() {
  RemoveThemeNotification(this);
  StopHoverTracking();
  if (--instances_ == 0) {
    hoverTimer_->Free();
    hoverTimer_ = nullptr;
  }
}

void TTBKPanelObject::SetPaintOptions(uint8_t v) {
  if (paintOptions_ == v) return;
  paintOptions_ = v;
  SetDoubleBuffered((v & 1) != 0);
  if (HandleAllocated()) RecreateWnd();
}

void TTBKPanelObject::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  if (!ComponentState().Contains(csDesigning)) Params.ClassStyle &= ~UINT(CS_HREDRAW | CS_VREDRAW);
}

void TTBKPanelObject::FireMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TTBKPanelObject::FireMouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

void TTBKPanelObject::MouseEntered() {
  if (!Enabled() || mouseInControl_) return;
  mouseInControl_ = true;
  FireMouseEnter();
}

void TTBKPanelObject::MouseLeft() {
  if (!Enabled() || !mouseInControl_) return;
  mouseInControl_ = false;
  StopHoverTracking();
  FireMouseLeave();
  Invalidate();
}

void TTBKPanelObject::StopHoverTracking() {
  if (hovered_ != this) return;
  if (hoverTimer_) {
    hoverTimer_->SetEnabled(false);
    hoverTimer_->OnTimer = nullptr;
  }
  hovered_ = nullptr;
}

void TTBKPanelObject::HoverTimerTick(TObject*) {
  TPoint p;
  GetCursorPos(&p);
  if (FindDragTarget(p, true) != this) MouseLeft();
}

void TTBKPanelObject::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && !pushed_) {
    pushed_ = true;
    Invalidate();
  }
  if (Enabled()) MouseEntered();
  if (!smartFocus_) {
    if (CanFocus()) SetFocus();
  } else if (Parent() && ActiveControlIsWithin(Parent()) && CanFocus() && !Focused()) {
    focusByMouse_ = true;
    SetFocus();
    focusByMouse_ = false;
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TTBKPanelObject::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TPoint p = ClientToScreen(TPoint{X, Y});
  TControl* under = FindDragTarget(p, true);
  if (under == this) {
    if (hovered_ != this) {
      if (hovered_) hovered_->MouseLeft();
      hovered_ = this;
      hoverTimer_->OnTimer = [this](TObject* s) { HoverTimerTick(s); };
      hoverTimer_->SetEnabled(true);
      hoverTimer_->UpdateTimer();
      MouseEntered();
    }
  } else if (GetCaptureControl() == this && mouseInControl_) {
    MouseLeft();
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TTBKPanelObject::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  pushed_ = false;
  Invalidate();
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TTBKPanelObject::KeyDown(uint16_t& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (spaceClicks_ && Key == VK_SPACE) {
    pushed_ = true;
    Invalidate();
  }
}

void TTBKPanelObject::KeyUp(uint16_t& Key, TShiftState Shift) {
  if (spaceClicks_ && pushed_ && Key == VK_SPACE) {
    pushed_ = false;
    Click();
    Invalidate();
  }
  TCustomControl::KeyUp(Key, Shift);
}

void TTBKPanelObject::CMEnabledChanged(TMessage& Message) {
  TCustomControl::CMEnabledChanged(Message);
  if (!Enabled() && mouseInControl_) {
    mouseInControl_ = false;
    StopHoverTracking();
    FireMouseLeave();
    Invalidate();
    Perform(CM_CANCELMODE);
  }
}

void TTBKPanelObject::CMParentColorChanged(TMessage& Message) {
  if (Message.WParam == 0) {
    Message.WParam = 1;
    Message.LParam = LPARAM(GetParentColor(Parent()));
  }
  TCustomControl::CMParentColorChanged(Message);
  Invalidate();
}

// The hot state is this control's own business: the framework's enter and
// leave notices only travel on to the parent.
void TTBKPanelObject::CMMouseEnter(TMessage& Message) {
  if (Parent()) Parent()->Perform(CM_MOUSEENTER, 0, Message.LParam);
}

void TTBKPanelObject::CMMouseLeave(TMessage& Message) {
  if (Parent()) Parent()->Perform(CM_MOUSELEAVE, 0, Message.LParam);
}

void TTBKPanelObject::WMSetFocus(TMessage& Message) {
  TCustomControl::WMSetFocus(Message);
  Invalidate();
}

void TTBKPanelObject::WMKillFocus(TMessage& Message) {
  TCustomControl::WMKillFocus(Message);
  pushed_ = false;
  Invalidate();
}

void TTBKPanelObject::WMEraseBkgnd(TMessage& Message) {
  HDC dc = reinterpret_cast<HDC>(Message.WParam);
  Message.Result = 1;
  if (DoubleBuffered() && Message.LParam != LPARAM(Message.WParam)) return;
  if (!dc) return;
  TRect r = ClientRect();
  if (Color() == clNone) {
    DrawParentBackground(this, dc, r);
  } else {
    TOwnedGdiObject<HBRUSH> b(CreateSolidBrush(ColorToRGB(Color())));
    ::FillRect(dc, &r, b.get());
  }
}

void TTBKPanelObject::Dispatch(TMessage& Message) {
  if (Message.Msg == TBKM_THEMECHANGED) {
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, false);
    return;
  }
  TCustomControl::Dispatch(Message);
}

// ---- Text object

TTBKTextObject::TTBKTextObject(TComponent* AOwner) : TTBKPanelObject(AOwner) {
  controlStyle_ += TControlStyle{csSetCaption};
  controlStyle_ -= TControlStyle{csDoubleClicks};
  margins_ = std::make_unique<TTBKControlMargins>();
  margins_->OnChange = [this] { TextChanged(); };
  SetPaintOptions(1);
  SetAutoSize(true);
  SetWidth(100);
}

TTBKTextObject::~TTBKTextObject() = default;

void TTBKTextObject::CreateParams(TCreateParams& Params) {
  TTBKPanelObject::CreateParams(Params);
  if (!ComponentState().Contains(csDesigning)) Params.ClassStyle |= CS_HREDRAW;
}

// The height follows the caption as soon as there is a window to measure on.
void TTBKTextObject::CreateWnd() {
  TTBKPanelObject::CreateWnd();
  AdjustHeight();
}

void TTBKTextObject::SetAlignment(TAlignment v) {
  if (alignment_ == v) return;
  alignment_ = v;
  Invalidate();
}

void TTBKTextObject::SetShowAccelChar(bool v) {
  if (showAccelChar_ == v) return;
  showAccelChar_ = v;
  TextChanged();
}

void TTBKTextObject::SetWrapping(TTextWrapping v) {
  if (wrapping_ == v) return;
  wrapping_ = v;
  TextChanged();
}

TAlignment TTBKTextObject::EffectiveAlignment() const {
  // Controls here always read left to right.
  return alignment_;
}

UINT TTBKTextObject::AlignmentFlags(TAlignment A) {
  switch (A) {
    case taRightJustify: return DT_RIGHT;
    case taCenter: return DT_CENTER;
    default: return DT_LEFT;
  }
}

UINT TTBKTextObject::DrawWrapFlags(TTextWrapping W) {
  switch (W) {
    case twEndEllipsis: return DT_END_ELLIPSIS | DT_SINGLELINE;
    case twPathEllipsis: return DT_PATH_ELLIPSIS | DT_SINGLELINE;
    case twWrap: return DT_WORDBREAK;
    default: return DT_SINGLELINE;
  }
}

UINT TTBKTextObject::MeasureWrapFlags(TTextWrapping W) {
  switch (W) {
    case twEndEllipsis: return DT_END_ELLIPSIS;
    case twPathEllipsis: return DT_PATH_ELLIPSIS;
    case twWrap: return DT_WORDBREAK;
    default: return 0;
  }
}

int32_t TTBKTextObject::MeasureContent(TCanvas* Canvas) {
  TRect r = ClientRect();
  TRect pad = GetInnerPadding();
  pad.Left += margins_->Left();
  pad.Top += margins_->Top();
  pad.Right += margins_->Right();
  pad.Bottom += margins_->Bottom();
  DeflateByPadding(r, pad);
  int32_t h = DrawCaptionText(Canvas, r, MeasureWrapFlags(wrapping_) | DT_CALCRECT | DT_EXPANDTABS);
  return pad.Top + pad.Bottom + h;
}

int32_t TTBKTextObject::DrawCaptionText(TCanvas* Canvas, TRect R, UINT Flags) {
  std::string text = GetDisplayText();
  if ((Flags & DT_CALCRECT) && (text.empty() || text == "&")) text += ' ';
  Canvas->SetFont(Font());
  AdjustFont(Canvas->Font());
  HDC dc = Canvas->Handle();
  if (Flags & DT_CALCRECT) {
    DrawText(dc, text, &R, Flags & ~UINT(DT_VCENTER));
    return R.Height();
  }
  int32_t h;
  if (Enabled()) {
    SetTextColor(dc, ColorToRGB(Canvas->Font()->Color()));
    h = DrawText(dc, text, &R, Flags);
  } else {
    TRect s = R;
    OffsetRect(&s, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, text, &s, Flags);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
    h = DrawText(dc, text, &R, Flags);
  }
  return h;
}

void TTBKTextObject::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  DeflateByMargins(r, margins_.get());
  if (Focused()) {
    TRect f{0, 0, 0, 0};
    GetFocusFrame(r, f);
    DrawFocusFrame(c, f);
  }
  UINT flags = AlignmentFlags(GetTextAlignment()) | DrawWrapFlags(wrapping_) | DT_EXPANDTABS | AccelFlag();
  c->Brush()->SetStyle(bsClear);
  DeflateByPadding(r, GetInnerPadding());
  TRect m = r;
  int32_t h = DrawCaptionText(c, m, flags | DT_CALCRECT);
  r.Top = (r.Top + r.Bottom - h) / 2;
  r.Bottom = r.Top + h;
  DrawCaptionText(c, r, flags);
  c->Brush()->SetStyle(bsSolid);
}

void TTBKTextObject::TextChanged() {
  Invalidate();
  AdjustHeight();
}

bool TTBKTextObject::Measurable() const {
  return HandleAllocated() && !adjusting_ && !ComponentState().Contains(csLoading) &&
         !ComponentState().Contains(csReading) && AutoSize();
}

void TTBKTextObject::AdjustHeight() {
  if (!Measurable()) return;
  adjusting_ = true;
  int32_t h = MeasureContent(MeasureBitmap()->Canvas());
  SetBounds(Left(), Top(), Width(), h);
  adjusting_ = false;
}

bool TTBKTextObject::CanAutoSize(int32_t& NewWidth, int32_t& NewHeight) {
  if (!Measurable()) return true;
  adjusting_ = true;
  NewHeight = MeasureContent(MeasureBitmap()->Canvas());
  adjusting_ = false;
  return true;
}

void TTBKTextObject::Loaded() {
  TTBKPanelObject::Loaded();
  AdjustHeight();
}

void TTBKTextObject::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_ENABLEDCHANGED:
      TTBKPanelObject::Dispatch(Message);
      Invalidate();
      return;
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
      TTBKPanelObject::Dispatch(Message);
      Invalidate();
      AdjustHeight();
      return;
  }
  TTBKPanelObject::Dispatch(Message);
}

bool TTBKTextObject::ClickOnAccelerator(TMessage& Message) {
  if (!(ShowAccelChar() && Enabled() && Visible() && CanFocus() && IsAccel(uint32_t(Message.WParam), Caption())))
    return false;
  Click();
  Message.Result = 1;
  return true;
}

bool TTBKTextObject::ClickOnEnter(TMessage& Message) {
  const TShiftState shift = GetShiftState();
  if (!(Message.WParam == VK_RETURN && Focused() && !shift.Contains(ssShift) && !shift.Contains(ssCtrl) &&
        !shift.Contains(ssAlt)))
    return false;
  Click();
  Message.Result = 1;
  return true;
}
