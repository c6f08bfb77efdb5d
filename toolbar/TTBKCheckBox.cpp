#include "toolbar/TTBKCheckBox.h"

#include <algorithm>

#include "platform/Text.h"
#include "ui/TButton.h"
#include "toolbar/TTBKTheme.h"

RTL_DEFINE_CLASS(TTBKCustomCheckBox, TTBKTextObject)
RTL_DEFINE_CLASS(TTBKCheckBox, TTBKCustomCheckBox,
                 Published("Checked", &TTBKCheckBox::Checked, &TTBKCheckBox::SetChecked),
                 Published("State", &TTBKCheckBox::State, &TTBKCheckBox::SetState),
                 Published("AllowGrayed", &TTBKCheckBox::AllowGrayed, &TTBKCheckBox::SetAllowGrayed))

namespace {
constexpr int32_t kGlyphSize = 13;
}  // namespace

TTBKCustomCheckBox::TTBKCustomCheckBox(TComponent* AOwner) : TTBKTextObject(AOwner) {
  controlStyle_ += TControlStyle{csCaptureMouse};
  SetSmartFocus(true);
  SetSpaceClicks(true);
  SetTabStop(true);
}

void TTBKCustomCheckBox::SetState(TCheckBoxState Value) {
  if (Value == state_) return;
  TCheckBoxState v = Value;
  if (!CanChangeState(v)) return;
  // The check may have turned the change into none: then nothing changed.
  if (v == state_) return;
  state_ = v;
  Invalidate();
  FireChange();
}

void TTBKCustomCheckBox::FireChange() {
  if (OnChange) OnChange(this);
}

void TTBKCustomCheckBox::CycleState() {
  switch (state_) {
    case cbUnchecked: SetState(allowGrayed_ ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
  }
}

void TTBKCustomCheckBox::Click() {
  CycleState();
  Invalidate();
  TTBKTextObject::Click();
}

void TTBKCustomCheckBox::FireMouseEnter() {
  TTBKTextObject::FireMouseEnter();
  Invalidate();
}

void TTBKCustomCheckBox::FireMouseLeave() {
  TTBKTextObject::FireMouseLeave();
  Invalidate();
}

int32_t TTBKCustomCheckBox::MeasureContent(TCanvas* Canvas) {
  return std::max(TTBKTextObject::MeasureContent(Canvas), kGlyphSize + 4);
}

TRect TTBKCustomCheckBox::GetInnerPadding() {
  TRect p{2, 2, 2, 2};
  if (GlyphAtRight())
    p.Right += kGlyphSize + 6;
  else
    p.Left += kGlyphSize + 6;
  return p;
}

void TTBKCustomCheckBox::GetFocusFrame(const TRect& R, TRect& Frame) {
  TRect t = R;
  DeflateByPadding(t, GetInnerPadding());
  UINT flags = DT_CALCRECT | DT_EXPANDTABS;
  switch (Wrapping()) {
    case twNone: flags |= DT_SINGLELINE | DT_VCENTER; break;
    case twEndEllipsis: flags |= DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER; break;
    case twPathEllipsis: flags |= DT_PATH_ELLIPSIS | DT_SINGLELINE | DT_VCENTER; break;
    case twWrap: flags |= DT_WORDBREAK; break;
  }
  if (Alignment() == taRightJustify) flags |= DT_RIGHT;
  std::string text = GetDisplayText();
  if (text.empty() || text == "&") text += ' ';
  Canvas()->SetFont(Font());
  AdjustFont(Canvas()->Font());
  DrawText(Canvas()->Handle(), text, &t, flags | AccelFlag());
  Frame = TRect{t.Left - 2, R.Top, t.Right + 2, R.Bottom};
}

uint32_t TTBKCustomCheckBox::GlyphStateFlags() {
  uint32_t flags = 0;
  if (state_ == cbChecked) flags |= tbkcgChecked;
  if (state_ == cbGrayed) flags |= tbkcgGrayed;
  // A disabled box still shows its state, greyed.
  if (!Enabled()) return flags | tbkcgDisabled;
  if (MouseInControl()) flags |= tbkcgHot;
  if (Pushed() && MouseInControl()) flags |= tbkcgPressed;
  if (Focused()) flags |= tbkcgFocused;
  return flags;
}

void TTBKCustomCheckBox::Paint() {
  TTBKTextObject::Paint();
  TRect r = ClientRect();
  DeflateByMargins(r, Margins());
  TRect g;
  g.Left = GlyphAtRight() ? r.Right - kGlyphSize : r.Left;
  g.Right = g.Left + kGlyphSize;
  g.Top = (r.Top + r.Bottom - 12) / 2;
  g.Bottom = g.Top + kGlyphSize;
  CurrentTheme->DrawControlGlyph(Canvas(), g, tbkgCheckBox, GlyphStateFlags());
}

void TTBKCustomCheckBox::CMDialogChar(TMessage& Message) {
  if (!ClickOnAccelerator(Message)) TTBKTextObject::CMDialogChar(Message);
}

void TTBKCustomCheckBox::CMDialogKey(TMessage& Message) {
  if (!ClickOnEnter(Message)) TTBKTextObject::CMDialogKey(Message);
}

void TTBKCustomCheckBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      Message.Result = DLGC_BUTTON;
      return;
    case CN_COMMAND:
      if (HIWORD(uint32_t(Message.WParam)) == 0) {
        CycleState();
        return;
      }
      break;
    case WM_NCHITTEST:
      TTBKTextObject::Dispatch(Message);
      if (Message.Result == HTCLIENT && !ComponentState().Contains(csDesigning)) {
        TPoint p = ScreenToClient(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)});
        TRect r = ClientRect();
        DeflateByMargins(r, Margins());
        TRect f;
        GetFocusFrame(r, f);
        TRect area = GlyphAtRight() ? TRect{f.Left, r.Top, r.Right, r.Bottom} : TRect{r.Left, r.Top, f.Right, r.Bottom};
        if (!PtInRect(&area, p)) Message.Result = HTTRANSPARENT;
      }
      return;
  }
  TTBKTextObject::Dispatch(Message);
}
