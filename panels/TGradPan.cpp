#include "panels/TGradPan.h"

#include "platform/Draw.h"
#include "platform/Text.h"
#include "rtl/Numeric.h"

RTL_DEFINE_CLASS(TGradPan, TCustomPanel,
                 Published("BackGroundEffect", &TGradPan::BackGroundEffect, &TGradPan::SetBackGroundEffect),
                 Published("ColorStart", &TGradPan::ColorStart, &TGradPan::SetColorStart),
                 Published("ColorEnd", &TGradPan::ColorEnd, &TGradPan::SetColorEnd),
                 Published("ColorShadow", &TGradPan::ColorShadow, &TGradPan::SetColorShadow))

TGradPan::TGradPan(TComponent* AOwner) : TCustomPanel(AOwner) {}

void TGradPan::SetBackGroundEffect(TDirection v) { effect_ = v; Invalidate(); }
void TGradPan::SetColorStart(TColor v) { colorStart_ = v; Invalidate(); }
void TGradPan::SetColorEnd(TColor v) { colorEnd_ = v; Invalidate(); }
void TGradPan::SetColorShadow(TColor v) { colorShadow_ = v; Invalidate(); }

void TGradPan::MakeGradient(TColor From, TColor To) {
  const COLORREF f = ColorToRGB(From), t = ColorToRGB(To);
  auto step = [](uint8_t a, uint8_t b, int32_t i) {
    return uint8_t(Trunc((double(b) - double(a)) / 100 * i + a));
  };
  for (int32_t i = 0; i < 100; ++i)
    table_[size_t(i)] = TColor(RGB(step(GetRValue(f), GetRValue(t), i), step(GetGValue(f), GetGValue(t), i),
                                   step(GetBValue(f), GetBValue(t), i)));
}

void TGradPan::PaintBackground() {
  TCanvas* c = Canvas();
  const int32_t w = Width(), h = Height();
  // Band i of 100 in table colour Entry(i), across the rows or the columns.
  auto bands = [&](bool rows, auto Entry) {
    for (int32_t i = 0; i < 100; ++i) {
      c->Brush()->SetColor(table_[size_t(Entry(i))]);
      if (rows) c->FillRect(TRect{0, MulDiv(i, h, 100), w, MulDiv(i + 1, h, 100)});
      else c->FillRect(TRect{MulDiv(i, w, 100), 0, MulDiv(i + 1, w, 100), h});
    }
  };
  auto straight = [](int32_t i) { return i; };
  // To the middle and back: entries 1, 3, .., 99, then 98, 96, .., 0.
  auto inOut = [](int32_t i) { return i < 50 ? 2 * i + 1 : 198 - 2 * i; };
  c->Brush()->SetStyle(bsSolid);
  switch (effect_) {
    case bdUp: MakeGradient(colorStart_, colorEnd_); bands(true, straight); break;
    case bdDown: MakeGradient(colorEnd_, colorStart_); bands(true, straight); break;
    case bdLeft: MakeGradient(colorStart_, colorEnd_); bands(false, straight); break;
    case bdRight: MakeGradient(colorEnd_, colorStart_); bands(false, straight); break;
    case bdHorzIn: MakeGradient(colorStart_, colorEnd_); bands(true, inOut); break;
    case bdHorzOut: MakeGradient(colorEnd_, colorStart_); bands(true, inOut); break;
    case bdVertIn: MakeGradient(colorStart_, colorEnd_); bands(false, inOut); break;
    case bdVertOut: MakeGradient(colorEnd_, colorStart_); bands(false, inOut); break;
    default:  // flat; this panel keeps no picture, so the picture modes fill flat too
      c->Brush()->SetColor(colorStart_);
      c->FillRect(ClientRect());
      break;
  }
}

void TGradPan::PaintBevels() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    const bool raised = cut == bvRaised;
    Frame3D(dc, r, raised ? clWhite : TColor(0x808080), raised ? TColor(0x808080) : clWhite, BevelWidth());
  };
  bevel(BevelOuter());
  if (BevelOuter() == bvNone) InflateRect(&r, -1, -1);
  InflateRect(&r, -BorderWidth(), -BorderWidth());
  bevel(BevelInner());
}

void TGradPan::Paint() {
  Canvas()->Font()->Assign(Font());
  PaintBackground();
  if (!Caption().empty()) {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    SetBkMode(dc, TRANSPARENT);
    const UINT fmt = DT_VCENTER | DT_SINGLELINE |
                     (Alignment() == taCenter ? DT_CENTER : Alignment() == taRightJustify ? DT_RIGHT : DT_LEFT);
    // A shadow one pixel down and right, then the text in the font's colour.
    TRect s{r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
    SetTextColor(dc, ColorToRGB(colorShadow_));
    DrawText(dc, Caption(), &s, fmt);
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    DrawText(dc, Caption(), &r, fmt);
  }
  PaintBevels();
}
