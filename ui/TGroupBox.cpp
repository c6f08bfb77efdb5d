#include "ui/TGroupBox.h"

#include "platform/Draw.h"
#include "ui/ControlPaint.h"
#include "platform/Text.h"

RTL_DEFINE_CLASS(TGroupBox, TCustomControl)

TGroupBox::TGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csDoubleClicks};
  SetBounds(0, 0, 185, 105);
}

void TGroupBox::AdjustClientRect(TRect& Rect) {
  int32_t h = Canvas()->TextHeight("0");
  Rect.Top += h;
  InflateRect(&Rect, -2, -2);
}

void TGroupBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_TEXTCHANGED) Invalidate();
  TCustomControl::Dispatch(Message);
}

void TGroupBox::Paint() {
  TRect r = ClientRect();
  HDC dc = OpenPaint(Canvas(), Font(), Color(), r);
  int32_t h = Canvas()->TextHeight("0");
  TRect frame = Rect(0, h / 2 - 1, r.Right, r.Bottom);
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!Caption().empty()) {
    TRect t = Rect(8, 0, 8, h);
    DrawText(dc, Caption(), &t, DT_SINGLELINE | DT_CALCRECT);
    t.Right += 2;
    t.Left -= 1;
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, ColorToRGB(Color()));
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawText(dc, " " + Caption() + " ", &t, DT_SINGLELINE | DT_LEFT);
  }
}
