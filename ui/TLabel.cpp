#include "ui/TLabel.h"

#include "platform/GdiHolders.h"
#include "platform/Text.h"
#include "ui/TButton.h"

RTL_DEFINE_CLASS(TLabel, TGraphicControl,
                 Published("Alignment", &TLabel::Alignment, &TLabel::SetAlignment),
                 Published("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize),
                 Published("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap),
                 Published("Transparent", &TLabel::Transparent, &TLabel::SetTransparent),
                 Published("Layout", &TLabel::Layout, &TLabel::SetLayout),
                 Published("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar))

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  controlStyle_ += TControlStyle{csOpaque, csReplicatable};
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
}

UINT TLabel::TextFlags() const {
  UINT f = DT_EXPANDTABS;
  if (wordWrap_) f |= DT_WORDBREAK;
  if (!showAccelChar_) f |= DT_NOPREFIX;
  if (alignment_ == taRightJustify) f |= DT_RIGHT;
  else if (alignment_ == taCenter) f |= DT_CENTER;
  return f;
}

void TLabel::AdjustBounds() {
  if (!autoSize_ || ComponentState().Contains(csLoading)) return;
  TRect r = Rect(0, 0, wordWrap_ ? Width() : 0, 0);
  {
    TMemoryDC dc;
    SelectObject(dc, Font()->Handle());
    std::string text = Caption().empty() ? std::string(" ") : Caption();
    DrawText(dc, text, &r, TextFlags() | DT_CALCRECT);
  }
  int32_t l = Left();
  // A right-aligned label keeps its right edge.
  if (alignment_ == taRightJustify && !wordWrap_) l = Left() + Width() - r.Width();
  SetBounds(l, Top(), wordWrap_ ? Width() : r.Width(), r.Height());
}

#define LABEL_SETTER(Method, Field, Type) \
  void TLabel::Method(Type v) {           \
    if (Field == v) return;               \
    Field = v;                            \
    AdjustBounds();                       \
    Invalidate();                         \
  }
LABEL_SETTER(SetAlignment, alignment_, TAlignment)
LABEL_SETTER(SetAutoSize, autoSize_, bool)
LABEL_SETTER(SetWordWrap, wordWrap_, bool)
LABEL_SETTER(SetLayout, layout_, TTextLayout)
LABEL_SETTER(SetShowAccelChar, showAccelChar_, bool)
#undef LABEL_SETTER

void TLabel::SetTransparent(bool v) {
  if (transparent_ == v) return;
  transparent_ = v;
  if (v) controlStyle_.Exclude(csOpaque);
  else controlStyle_.Include(csOpaque);
  Invalidate();
}

void TLabel::SetFocusControl(TWinControl* v) {
  focusControl_ = v;
  if (v) v->FreeNotification(this);
}

void TLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == focusControl_) focusControl_ = nullptr;
}

void TLabel::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      AdjustBounds();
      Invalidate();
      return;
    case CM_DIALOGCHAR:
      if (focusControl_ && Enabled() && showAccelChar_ && IsAccel(uint32_t(Message.WParam), Caption()) &&
          focusControl_->CanFocus()) {
        focusControl_->SetFocus();
        Message.Result = 1;
      }
      return;
  }
  TGraphicControl::Dispatch(Message);
}

void TLabel::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  if (!transparent_) {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(r);
  }
  SetBkMode(dc, TRANSPARENT);
  UINT flags = TextFlags();
  if (layout_ != tlTop) {
    TRect m = r;
    DrawText(dc, Caption(), &m, flags | DT_CALCRECT);
    int32_t h = m.Height();
    if (layout_ == tlBottom) r.Top = r.Bottom - h;
    else r.Top = (r.Top + r.Bottom - h) / 2;
  }
  if (!Enabled()) {
    TRect s = r;
    OffsetRect(&s, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, Caption(), &s, flags);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
  }
  DrawText(dc, Caption(), &r, flags);
}
