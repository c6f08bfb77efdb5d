#pragma once
// The section headings of the pass-phrase boxes: bold Verdana over a line
// along the bottom that fades from the label's colour to white.

#include <string>

#include "panels/TGradientLabel.h"
#include "ui/NewControl.h"

inline TGradientLabel* MakeHeadingLabel(TComponent* Owner, TWinControl* Parent, const std::string& Name,
                                        const std::string& Caption, int32_t Left, int32_t Top, int32_t Width,
                                        int32_t Height) {
  auto* l = NewControl<TGradientLabel>(Owner, Name, Parent, Left, Top, Width, Height, Caption);
  l->Font()->SetName("Verdana");
  l->Font()->SetHeight(-11);
  l->Font()->SetStyle(TFontStyles{fsBold});
  l->SetAutoSize(false);
  l->SetTransparent(true);
  l->SetGradientType(gtBottomLine);
  l->SetColorTo(clWhite);
  l->SetOrientation(goHorizontal);
  l->SetEllipsType(etNone);
  l->SetVAlignment(vaTop);
  l->SetIndent(0);
  return l;
}
