#include "ui/TSpeedButton.h"

#include "platform/Draw.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TSpeedButton, TGraphicControl,
                 Published("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat),
                 Published("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph),
                 Published("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs),
                 Published("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex),
                 Published("Down", &TSpeedButton::Down, &TSpeedButton::SetDown),
                 Published("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp))

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), glyph_(new TBitmap) {
  controlStyle_ = TControlStyle{csCaptureMouse, csDoubleClicks, csSetCaption, csClickEvents};
  SetBounds(0, 0, 23, 22);
  glyph_->OnChange = [this](TObject* s) { GlyphChanged(s); };
}

TSpeedButton::~TSpeedButton() { glyph_->Free(); }

void TSpeedButton::SetFlat(bool v) { if (flat_ != v) { flat_ = v; Invalidate(); } }
void TSpeedButton::SetNumGlyphs(int32_t v) {
  if (v < 1 || v > 4) v = 1;
  numGlyphs_ = v;
  Invalidate();
}

bool TSpeedButton::GroupHasOthers() const {
  if (!Parent()) return false;
  for (int32_t i = 0; i < Parent()->ControlCount(); ++i) {
    auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
    if (b && b != this && b->groupIndex_ == groupIndex_) return true;
  }
  return false;
}

void TSpeedButton::SetDown(bool v) {
  if (groupIndex_ == 0) v = false;
  if (v == down_) return;
  // The down button of a group comes up only when another goes down, or
  // when all may be up.
  if (!v && !allowAllUp_ && GroupHasOthers()) return;
  down_ = v;
  if (v && Parent())
    for (int32_t i = 0; i < Parent()->ControlCount(); ++i) {
      auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
      if (b && b != this && b->groupIndex_ == groupIndex_ && b->down_) {
        b->down_ = false;
        b->Invalidate();
      }
    }
  Invalidate();
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(!down_);
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && Enabled()) {
    pressed_ = true;
    Invalidate();
  }
}

void TSpeedButton::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (controlState_.Contains(csLButtonDown)) {
    TRect r = ClientRect();
    bool in = PtInRect(&r, TPoint{X, Y});
    if (in != pressed_) {
      pressed_ = in;
      Invalidate();
    }
  }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (Button == mbLeft && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      if (reinterpret_cast<TControl*>(Message.LParam) == this || Message.LParam == 0) {
        mouseIn_ = Message.Msg == CM_MOUSEENTER;
        if (flat_ && Enabled()) Invalidate();
      }
      break;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
      Invalidate();
      break;
  }
  TGraphicControl::Dispatch(Message);
}

void TSpeedButton::Paint() {
  HDC dc = Canvas()->Handle();
  TRect r = ClientRect();
  bool sunken = pressed_ || down_;
  if (!flat_) {
    DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (sunken ? DFCS_PUSHED : 0));
  } else {
    if (down_ && !pressed_) {
      // A flat button held down shows a checked background.
      TRect in = r;
      InflateRect(&in, -1, -1);
      Canvas()->Brush()->SetColor(clBtnHighlight);
      Canvas()->FillRect(in);
    }
    if (sunken || (mouseIn_ && Enabled()))
      DrawEdge(dc, &r, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    InflateRect(&r, -1, -1);
  }
  int32_t off = sunken ? 1 : 0;
  int32_t gw = 0, gh = 0;
  if (!glyph_->Empty()) {
    gw = glyph_->Width() / numGlyphs_;
    gh = glyph_->Height();
  }
  TSize ts{0, 0};
  if (!Caption().empty()) ts = Canvas()->TextExtent(Caption());
  int32_t total = gw + (gw && ts.cx ? 4 : 0) + ts.cx;
  int32_t x = r.Left + (r.Width() - total) / 2 + off;
  if (gw) {
    int32_t idx = 0;
    if (!Enabled() && numGlyphs_ > 1) idx = 1;
    else if (sunken && numGlyphs_ > 2) idx = (down_ && numGlyphs_ > 3) ? 3 : 2;
    int32_t y = r.Top + (r.Height() - gh) / 2 + off;
    TBitmap part;
    part.SetWidth(gw);
    part.SetHeight(gh);
    part.Canvas()->CopyRect(Rect(0, 0, gw, gh), glyph_->Canvas(), Bounds(idx * gw, 0, gw, gh));
    part.SetTransparent(true);
    Canvas()->Draw(x, y, &part);
    x += gw + 4;
  }
  if (ts.cx) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    TextOut(dc, x, r.Top + (r.Height() - ts.cy) / 2 + off, Caption().data(), int(Caption().size()));
  }
}
