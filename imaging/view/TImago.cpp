#include "imaging/view/TImago.h"

RTL_DEFINE_CLASS(TImago, TImagoView)

TImago::TImago(TComponent* AOwner) : TImagoView(AOwner) {
  GetIO();
  GetProc();
}
