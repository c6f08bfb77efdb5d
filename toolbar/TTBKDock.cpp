#include "toolbar/TTBKDock.h"

RTL_DEFINE_CLASS(TTBKDock, TCustomControl)

TTBKDock::TTBKDock(TComponent* AOwner) : TCustomControl(AOwner) {
  controlStyle_ += TControlStyle{csAcceptsControls, csOpaque};
  SetAlign(alTop);
  SetBounds(0, 0, 200, 41);
  color_ = clBtnFace;
}

void TTBKDock::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}
