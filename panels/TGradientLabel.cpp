#include "panels/TGradientLabel.h"

RTL_DEFINE_CLASS(TGradientLabel, TLabel)

TGradientLabel::TGradientLabel(TComponent* AOwner) : TLabel(AOwner) { SetAutoSize(false); }
