#include "toolbar/TTBKToolbar.h"

RTL_DEFINE_CLASS(TTBKToolbar, TDKCustomToolbar)

TTBKToolbar::TTBKToolbar(TComponent* AOwner) : TDKCustomToolbar(AOwner) { SetDblClickUndock(false); }

TRect TTBKToolbar::ItemRect(TDKCustomItem* Item) {
  View()->EnsureLayout();
  for (int32_t i = 0; i < View()->ViewerCount(); ++i) {
    TDKItemViewer* v = View()->Viewers(i);
    if (v->Item() == Item) return v->Shown ? v->BoundsRect : TRect{0, 0, 0, 0};
  }
  return TRect{0, 0, 0, 0};
}
