#include "app/TAppImago.h"

#include "imaging/model/TIEBitmap.h"

RTL_DEFINE_CLASS(TAppImago, TImago)

void TAppImago::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TAppImago::MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) {
  if (CanFocus() && !Focused()) SetFocus();
  TImago::MouseDown(Button, Shift, X, Y);
}

void TAppImago::Paint() {
  TIEBitmap* image = GetIEBitmap();
  if (image && image->Width() > 0 && image->Height() > 0) {
    TImago::Paint();
    return;
  }
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->Brush()->SetColor(Background());
  Canvas()->FillRect(ClientRect());
}
