#include "panels/TGradientLabel.h"

#include <algorithm>

#include "platform/DC.h"
#include "platform/GdiHolders.h"
#include "platform/Region.h"
#include "platform/Text.h"
#include "rtl/Numeric.h"

RTL_DEFINE_CLASS(TGradientLabel, TLabel,
                 Published("ColorTo", &TGradientLabel::ColorTo, &TGradientLabel::SetColorTo),
                 Published("GradientType", &TGradientLabel::GradientType, &TGradientLabel::SetGradientType),
                 Published("Orientation", &TGradientLabel::Orientation, &TGradientLabel::SetOrientation),
                 Published("EllipsType", &TGradientLabel::EllipsType, &TGradientLabel::SetEllipsType),
                 Published("VAlignment", &TGradientLabel::VAlignment, &TGradientLabel::SetVAlignment),
                 Published("Indent", &TGradientLabel::Indent, &TGradientLabel::SetIndent),
                 Published("TransparentText", &TGradientLabel::TransparentText,
                           &TGradientLabel::SetTransparentText),
                 Published("LineWidth", &TGradientLabel::LineWidth, &TGradientLabel::SetLineWidth))

namespace {

// Steps bands from From to To across Rect; each band is one pixel longer
// than its share so that rounding leaves no gap, but never passes the edge.
void DrawGradient(TCanvas* Canvas, TColor From, TColor To, bool Horizontal, const TRect& Rect, int32_t Steps) {
  if (Steps <= 0) Steps = 1;
  const COLORREF f = ColorToRGB(From), t = ColorToRGB(To);
  const int32_t fr = GetRValue(f), fg = GetGValue(f), fb = GetBValue(f);
  const int32_t dr = GetRValue(t) - fr, dg = GetGValue(t) - fg, db = GetBValue(t) - fb;
  const double len = double(Horizontal ? Rect.Right - Rect.Left : Rect.Bottom - Rect.Top) / Steps;
  Canvas->Pen()->SetStyle(psSolid);
  Canvas->Brush()->SetStyle(bsSolid);
  for (int32_t n = 0; n < Steps; ++n) {
    const TColor c = TColor(RGB(uint8_t(fr + Round(double(n) * dr / Steps)), uint8_t(fg + Round(double(n) * dg / Steps)),
                                uint8_t(fb + Round(double(n) * db / Steps))));
    Canvas->Pen()->SetColor(c);
    Canvas->Brush()->SetColor(c);
    if (Horizontal) {
      const int32_t a = Rect.Left + int32_t(Round(n * len));
      Canvas->Rectangle(a, Rect.Top, std::min<int32_t>(Rect.Right, a + int32_t(Trunc(len)) + 1), Rect.Bottom);
    } else {
      const int32_t a = Rect.Top + int32_t(Round(n * len));
      Canvas->Rectangle(Rect.Left, a, Rect.Right, std::min<int32_t>(Rect.Bottom, a + int32_t(Trunc(len)) + 1));
    }
  }
}

}  // namespace

TGradientLabel::TGradientLabel(TComponent* AOwner) : TLabel(AOwner) {
  SetAutoSize(false);
  Font()->SetName("Verdana");
}

#define GRADIENT_LABEL_SETTER(Method, Field, Type) \
  void TGradientLabel::Method(Type v) {            \
    Field = v;                                     \
    Invalidate();                                  \
  }
GRADIENT_LABEL_SETTER(SetColorTo, colorTo_, TColor)
GRADIENT_LABEL_SETTER(SetGradientType, gradientType_, TGradientType)
GRADIENT_LABEL_SETTER(SetOrientation, orientation_, TGradientOrientation)
GRADIENT_LABEL_SETTER(SetVAlignment, vAlignment_, TVAlignment)
GRADIENT_LABEL_SETTER(SetIndent, indent_, int32_t)
GRADIENT_LABEL_SETTER(SetTransparentText, transparentText_, bool)
GRADIENT_LABEL_SETTER(SetLineWidth, lineWidth_, int32_t)
#undef GRADIENT_LABEL_SETTER

void TGradientLabel::SetEllipsType(TEllipsType v) {
  if (ellipsType_ == v) return;
  ellipsType_ = v;
  Invalidate();
}

TRect TGradientLabel::LineRect(const TRect& R) const {
  TRect l = R;
  if (orientation_ == goHorizontal) {
    switch (gradientType_) {
      case gtBottomLine: l.Top = l.Bottom - 2; break;
      case gtCenterLine: l.Top = R.Top + (R.Bottom - R.Top) / 2; l.Bottom = l.Top + 2; break;
      default: l.Bottom = l.Top + 2; break;
    }
  } else {
    switch (gradientType_) {
      case gtBottomLine: l.Left = l.Right - 2; break;
      case gtCenterLine: l.Left = R.Left + (R.Right - R.Left) / 2; l.Right = l.Left + 2; break;
      default: l.Right = l.Left + 2; break;
    }
  }
  return l;
}

// Narrows the drawing to the line's pieces left and right of the text.
void TGradientLabel::ClipAroundText(const TRect& Line, int32_t TextWidth) {
  int32_t a, b;  // the text's columns
  switch (Alignment()) {
    case taRightJustify: a = Line.Right - TextWidth - indent_; b = Line.Right - indent_; break;
    case taCenter: a = Line.Left + (Line.Width() - TextWidth) / 2; b = a + TextWidth; break;
    default: a = Line.Left + indent_; b = a + TextWidth; break;
  }
  HDC dc = Canvas()->Handle();
  TPoint p[4] = {{Line.Left, Line.Top}, {a, Line.Bottom}, {b, Line.Top}, {Line.Right, Line.Bottom}};
  LPtoDP(dc, p, 4);
  TOwnedGdiObject<HRGN> left(CreateRectRgn(p[0].X, p[0].Y, p[1].X, p[1].Y));
  TOwnedGdiObject<HRGN> right(CreateRectRgn(p[2].X, p[2].Y, p[3].X, p[3].Y));
  CombineRgn(left.get(), left.get(), right.get(), RGN_OR);
  ExtSelectClipRgn(dc, left.get(), RGN_AND);
}

void TGradientLabel::Paint() {
  TCanvas* c = Canvas();
  TRect R = ClientRect();
  c->Font()->Assign(Font());
  TRect m{0, 0, 0, 0};
  DrawText(c->Handle(), Caption(), &m, DT_CALCRECT | DT_SINGLELINE | (ShowAccelChar() ? 0u : DT_NOPREFIX));
  const int32_t tw = m.Width();
  const int32_t steps = (R.Right - R.Left) / 4;

  // A missing second colour means no gradient: the background and the line
  // take the label's colour alone.
  const TColor to = colorTo_ == clNone ? Color() : colorTo_;
  if (!Transparent()) {
    if (colorTo_ == clNone || IsLine()) {
      c->Pen()->SetColor(Color());
      c->Brush()->SetColor(Color());
      c->Brush()->SetStyle(bsSolid);
      c->Rectangle(R);
    } else {
      DrawGradient(c, Color(), to, gradientType_ == gtFullHorizontal, R, steps);
    }
  }
  if (IsLine()) {
    const TRect line = LineRect(R);
    const int saved = SaveDC(c->Handle());
    if (transparentText_) ClipAroundText(line, tw);
    if (orientation_ == goHorizontal) DrawGradient(c, Color(), to, true, line, steps);
    else DrawGradient(c, to, Color(), false, line, steps);
    RestoreDC(c->Handle(), saved);
  }
  DrawCaption(tw);
}

void TGradientLabel::DrawCaption(int32_t TextWidth) {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  TRect R = ClientRect();
  c->Brush()->SetStyle(bsClear);
  SetBkMode(dc, TRANSPARENT);
  UINT flags = DT_NOCLIP;
  if (Alignment() == taRightJustify) flags |= DT_RIGHT;
  else if (Alignment() == taCenter) flags |= DT_CENTER;
  flags |= WordWrap() ? DT_WORDBREAK : DT_SINGLELINE;
  if (Layout() == tlCenter) flags |= DT_VCENTER;
  else if (Layout() == tlBottom) flags |= DT_BOTTOM;
  if (ellipsType_ == etEndEllips) flags |= DT_END_ELLIPSIS;
  else if (ellipsType_ == etPathEllips) flags |= DT_PATH_ELLIPSIS;
  if (!ShowAccelChar()) flags |= DT_NOPREFIX;
  if (vAlignment_ == vaCenter) flags |= DT_VCENTER;
  else if (vAlignment_ == vaBottom) flags |= DT_BOTTOM;
  if (orientation_ == goHorizontal) {
    if (Alignment() == taLeftJustify) R.Left += indent_;
    else if (Alignment() == taRightJustify) R.Right -= indent_;
  } else {
    if (Alignment() == taLeftJustify) R.Bottom -= indent_;
    else if (Alignment() == taRightJustify) R.Top += indent_;
  }

  if (!Enabled()) {
    TRect s = R;
    OffsetRect(&s, 1, 1);
    SetTextColor(dc, ColorToRGB(clBtnHighlight));
    DrawText(dc, Caption(), &s, flags);
    SetTextColor(dc, ColorToRGB(clBtnShadow));
    DrawText(dc, Caption(), &R, flags);
  } else if (orientation_ == goVertical) {
    const int32_t th = c->TextHeight(Caption());
    int32_t x, y;
    switch (Layout()) {
      case tlCenter: x = (R.Right - R.Left) / 2 - th / 2; break;
      case tlBottom: x = R.Right - th; break;
      default: x = R.Left; break;
    }
    switch (Alignment()) {
      case taRightJustify: y = R.Top + TextWidth; break;
      case taCenter: y = TextWidth / 2 + (R.Bottom - R.Top) / 2; break;
      default: y = R.Bottom; break;
    }
    TFont turned;
    turned.Assign(Font());
    turned.SetOrientation(900);
    c->Font()->Assign(&turned);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    c->TextOut(x, y, Caption());
    c->Font()->Assign(Font());
  } else {
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    DrawText(dc, Caption(), &R, flags);
  }
}
