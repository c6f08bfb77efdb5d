#include "ui/TPanel.h"

#include "platform/Draw.h"
#include "platform/PenBrush.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TCustomPanel, TCustomControl,
                 Published("BevelInner", &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner),
                 Published("BevelOuter", &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter),
                 Published("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth),
                 Published("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth),
                 Published("BorderStyle", &TCustomPanel::BorderStyle, &TCustomPanel::SetBorderStyle),
                 Published("Alignment", &TCustomPanel::Alignment, &TCustomPanel::SetAlignment))
RTL_DEFINE_CLASS(TPanel, TCustomPanel)

void Frame3D(HDC DC, TRect& Rect, TColor TopColor, TColor BottomColor, int32_t Width) {
  HPEN top = CreatePen(PS_SOLID, 1, ColorToRGB(TopColor));
  HPEN bottom = CreatePen(PS_SOLID, 1, ColorToRGB(BottomColor));
  HGDIOBJ old = SelectObject(DC, top);
  for (int32_t i = 0; i < Width; ++i) {
    --Rect.Bottom;
    --Rect.Right;
    SelectObject(DC, top);
    MoveToEx(DC, Rect.Left, Rect.Bottom, nullptr);
    LineTo(DC, Rect.Left, Rect.Top);
    LineTo(DC, Rect.Right, Rect.Top);
    SelectObject(DC, bottom);
    LineTo(DC, Rect.Right, Rect.Bottom);
    LineTo(DC, Rect.Left - 1, Rect.Bottom);
    ++Rect.Left;
    ++Rect.Top;
  }
  SelectObject(DC, old);
  DeleteObject(top);
  DeleteObject(bottom);
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csOpaque, csDoubleClicks};
  SetBounds(0, 0, 185, 41);
}

void TCustomPanel::BordersChanged() {
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelInner(TBevelCut v) { if (bevelInner_ != v) { bevelInner_ = v; BordersChanged(); } }
void TCustomPanel::SetBevelOuter(TBevelCut v) { if (bevelOuter_ != v) { bevelOuter_ = v; BordersChanged(); } }
void TCustomPanel::SetBevelWidth(int32_t v) { if (bevelWidth_ != v && v > 0) { bevelWidth_ = v; BordersChanged(); } }
void TCustomPanel::SetBorderWidth(int32_t v) { if (borderWidth_ != v && v >= 0) { borderWidth_ = v; BordersChanged(); } }
void TCustomPanel::SetBorderStyle(TBorderStyle v) { if (borderStyle_ != v) { borderStyle_ = v; BordersChanged(); } }
void TCustomPanel::SetAlignment(TAlignment v) { if (alignment_ != v) { alignment_ = v; Invalidate(); } }

void TCustomPanel::AdjustClientRect(TRect& Rect) {
  int32_t w = borderWidth_;
  if (bevelOuter_ != bvNone) w += bevelWidth_;
  if (bevelInner_ != bvNone) w += bevelWidth_;
  if (borderStyle_ != bsNone) w += 1;
  InflateRect(&Rect, -w, -w);
}

void TCustomPanel::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::Dispatch(Message);
}

void TCustomPanel::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  if (borderStyle_ != bsNone) Frame3D(dc, r, clWindowFrame, clWindowFrame, 1);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    if (cut == bvSpace) {
      Frame3D(dc, r, Color(), Color(), bevelWidth_);
      return;
    }
    bool lowered = cut == bvLowered;
    Frame3D(dc, r, lowered ? clBtnShadow : clBtnHighlight, lowered ? clBtnHighlight : clBtnShadow,
            bevelWidth_);
  };
  bevel(bevelOuter_);
  Frame3D(dc, r, Color(), Color(), borderWidth_);
  bevel(bevelInner_);
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  if (!Caption().empty()) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    UINT fmt = DT_VCENTER | DT_SINGLELINE |
               (alignment_ == taCenter ? DT_CENTER : alignment_ == taRightJustify ? DT_RIGHT : DT_LEFT);
    DrawText(dc, Caption(), &r, fmt);
  }
}
