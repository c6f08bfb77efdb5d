#include "panels/TGradPan.h"

#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/Text.h"
#include "rtl/Numeric.h"

RTL_DEFINE_CLASS(TGradPan, TCustomPanel,
                 Published("BackGroundEffect", &TGradPan::BackGroundEffect, &TGradPan::SetBackGroundEffect),
                 Published("ColorStart", &TGradPan::ColorStart, &TGradPan::SetColorStart),
                 Published("ColorEnd", &TGradPan::ColorEnd, &TGradPan::SetColorEnd),
                 Published("ColorShadow", &TGradPan::ColorShadow, &TGradPan::SetColorShadow),
                 Published("TextEffect", &TGradPan::TextEffect, &TGradPan::SetTextEffect),
                 Published("TextRotation", &TGradPan::TextRotation, &TGradPan::SetTextRotation),
                 Published("VertAlign", &TGradPan::VertAlign, &TGradPan::SetVertAlign),
                 Published("Ctl3D", &TGradPan::Ctl3D, &TGradPan::SetCtl3D),
                 Published("Bitmap", &TGradPan::Bitmap, &TGradPan::SetBitmap),
                 Published("Marge", &TGradPan::Marge, &TGradPan::SetMarge),
                 Published("Moveable", &TGradPan::Moveable, &TGradPan::SetMoveable))

TGradPan::TGradPan(TComponent* AOwner) : TCustomPanel(AOwner) {
  bitmap_ = std::make_unique<TBitmap>();
  bitmap_->SetSize(2, 2);
  bitmap_->Canvas()->Brush()->SetColor(clWhite);
  bitmap_->Canvas()->Rectangle(0, 0, 1, 1);
  bitmap_->OnChange = [this](TObject* s) { BitmapChanged(s); };
}

TGradPan::~TGradPan() = default;

void TGradPan::BitmapChanged(TObject*) {
  if (effect_ == bdStretchImage || effect_ == bdTileImage) Repaint();
}

#define GRADPAN_SETTER(Method, Field, Type) \
  void TGradPan::Method(Type v) {           \
    Field = v;                              \
    Repaint();                              \
  }
GRADPAN_SETTER(SetBackGroundEffect, effect_, TDirection)
GRADPAN_SETTER(SetColorStart, colorStart_, TColor)
GRADPAN_SETTER(SetColorEnd, colorEnd_, TColor)
GRADPAN_SETTER(SetColorShadow, colorShadow_, TColor)
GRADPAN_SETTER(SetTextEffect, textEffect_, TTextEffect)
GRADPAN_SETTER(SetTextRotation, textRotation_, TTextRotation)
GRADPAN_SETTER(SetVertAlign, vertAlign_, TVertAlign)
GRADPAN_SETTER(SetCtl3D, ctl3D_, bool)
#undef GRADPAN_SETTER

void TGradPan::MakeGradient(TColor From, TColor To, int32_t Count) {
  const COLORREF f = ColorToRGB(From), t = ColorToRGB(To);
  auto step = [Count](uint8_t a, uint8_t b, int32_t i) {
    return uint8_t(Trunc((double(b) - double(a)) / Count * i + a));
  };
  for (int32_t i = 0; i < Count && i < int32_t(table_.size()); ++i)
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
    case bdFlat:
      c->Brush()->SetColor(colorStart_);
      c->FillRect(ClientRect());
      break;
    case bdStretchImage:
    case bdTileImage: PaintPicture(); break;
    case bdUp: MakeGradient(colorStart_, colorEnd_); bands(true, straight); break;
    case bdDown: MakeGradient(colorEnd_, colorStart_); bands(true, straight); break;
    case bdLeft: MakeGradient(colorStart_, colorEnd_); bands(false, straight); break;
    case bdRight: MakeGradient(colorEnd_, colorStart_); bands(false, straight); break;
    case bdHorzIn: MakeGradient(colorStart_, colorEnd_); bands(true, inOut); break;
    case bdHorzOut: MakeGradient(colorEnd_, colorStart_); bands(true, inOut); break;
    case bdVertIn: MakeGradient(colorStart_, colorEnd_); bands(false, inOut); break;
    case bdVertOut: MakeGradient(colorEnd_, colorStart_); bands(false, inOut); break;
  }
}

void TGradPan::PaintPicture() {
  TCanvas* c = Canvas();
  const int32_t d = ctl3D_ ? 2 * BevelWidth() + BorderWidth() : 0;
  if (bitmap_->Empty()) {
    c->Brush()->SetColor(colorStart_);
    c->FillRect(ClientRect());
    return;
  }
  if (effect_ == bdStretchImage) {
    c->StretchDraw(TRect{d, d, Width() - d - 1, Height() - d - 1}, bitmap_.get());
    return;
  }
  const int32_t pw = bitmap_->Width(), ph = bitmap_->Height();
  const int32_t cols = (Width() - 2 * d) / pw + 1, rows = (Height() - 2 * d) / ph + 1;
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < cols; ++x) c->Draw(d + x * pw, d + y * ph, bitmap_.get());
}

void TGradPan::PaintCaption() {
  if (Caption().empty()) return;
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const int32_t W = Width(), H = Height();
  const int32_t B = BorderWidth() + BevelWidth();
  const int32_t h = c->TextHeight("^_");
  const TAlignment al = Alignment();
  int32_t x = 0, y = 0;
  UINT align = TA_LEFT;
  auto byAlignment = [&](int32_t l, int32_t r, int32_t m) { return al == taLeftJustify ? l : al == taRightJustify ? r : m; };
  auto byVert = [&](int32_t t, int32_t m, int32_t b) { return vertAlign_ == vlTop ? t : vertAlign_ == vlCenter ? m : b; };
  switch (textRotation_) {
    case trNone:
      x = byAlignment(B + 2, W - B - 2, W / 2);
      align = byAlignment(TA_LEFT, TA_RIGHT, TA_CENTER);
      y = byVert(B + 2, H / 2 - h / 2, H - B - h - 1);
      break;
    case TrUp:
      x = byAlignment(B + 2, W - B - h - 1, W / 2 - h / 2);
      y = byVert(B + 2, H / 2 - h / 2, H - B - 1);
      align = byVert(TA_RIGHT, TA_CENTER, TA_LEFT);
      break;
    case TrDown:
      x = byAlignment(h + B + 1, W - B - 2, h / 2 + W / 2);
      y = byVert(B + 1, H / 2 - h / 2, H - B - 2);
      align = byVert(TA_LEFT, TA_CENTER, TA_RIGHT);
      break;
  }
  if (textRotation_ != trNone) {
    TFont turned;
    turned.Assign(Font());
    turned.SetOrientation(textRotation_ == TrUp ? 900 : 2700);
    c->Font()->Assign(&turned);
  }
  const UINT oldAlign = SetTextAlign(dc, align);
  c->Brush()->SetStyle(bsClear);
  auto at = [&](int32_t dx, int32_t dy, TColor color) {
    c->Font()->SetColor(color);
    c->TextOut(x + dx, y + dy, Caption());
  };
  switch (textEffect_) {
    case tenone: break;
    case teShadow: at(1, 1, colorShadow_); break;
    case teRaised:
      at(-1, 0, colorShadow_);
      at(0, -1, colorShadow_);
      at(1, 0, clBlack);
      at(0, 1, clBlack);
      break;
    case teLowered:
      at(1, 0, colorShadow_);
      at(0, 1, colorShadow_);
      at(-1, 0, clBlack);
      at(0, -1, clBlack);
      break;
    case teEmbossed:
      at(-1, 0, colorShadow_);
      at(1, 0, colorShadow_);
      at(0, -1, colorShadow_);
      at(0, 1, colorShadow_);
      break;
  }
  at(0, 0, Font()->Color());
  SetTextAlign(dc, oldAlign);
  c->Font()->Assign(Font());
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
  const TRect insideOuter = r;
  InflateRect(&r, -BorderWidth(), -BorderWidth());
  bevel(BevelInner());
  TCanvas* c = Canvas();
  c->Brush()->SetStyle(bsSolid);
  if (ctl3D_ && BevelInner() != bvNone) {
    TRect f = insideOuter;
    for (int32_t i = 0; i < BorderWidth(); ++i) {
      c->Brush()->SetColor(Color());
      c->FrameRect(f);
      InflateRect(&f, -1, -1);
    }
  } else if (!ctl3D_ && BorderWidth() == 1) {
    c->Brush()->SetColor(clBlack);
    c->FrameRect(insideOuter);
  }
}

void TGradPan::Paint() {
  TCanvas* c = Canvas();
  c->Font()->Assign(Font());
  c->Pen()->SetStyle(psSolid);
  c->Pen()->SetMode(pmCopy);
  TCustomPanel::Paint();
  PaintBackground();
  PaintCaption();
  PaintBevels();
}

LRESULT TGradPan::HitTest(TPoint p) {
  const int32_t m = marge_, W = Width(), H = Height();
  if (p.X < m && p.Y < m) return HTTOPLEFT;
  if (p.X < m && H - p.Y < m) return HTBOTTOMLEFT;
  if (p.X < m) return HTLEFT;
  if (W - p.X < m && p.Y < m) return HTTOPRIGHT;
  if (W - p.X < m && H - p.Y < m) return HTBOTTOMRIGHT;
  if (W - p.X < m) return HTRIGHT;
  if (p.Y < m) return HTTOP;
  if (H - p.Y < m) return HTBOTTOM;
  return HTCAPTION;
}

void TGradPan::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_NCHITTEST: {
      const TPoint screen{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      const TPoint client = ScreenToClient(screen);
      if (moveable_) Message.Result = HitTest(client);
      else TCustomPanel::Dispatch(Message);
      // The mouse events speak in client coordinates, as everywhere else.
      MouseMove(TShiftState{}, client.X, client.Y);
      return;
    }
    case WM_NCLBUTTONUP:
      MouseDown(mbLeft, TShiftState{}, 10, 10);
      return;
    case WM_MOVE:
      if (OnPanelMove) OnPanelMove(this);
      break;
  }
  TCustomPanel::Dispatch(Message);
}
