// Painting helper of the standard controls.
#pragma once

#include "ui/TCanvas.h"
#include "ui/TGraphicsObject.h"

// Gives Canvas the font Font unless it has it already: a change of the
// canvas font takes it out of the device context that paint code draws on
// directly, so measuring in the middle of painting must not make one.
inline void MatchCanvasFont(TCanvas* Canvas, TFont* Font) {
  TFont* f = Canvas->Font();
  if (f->Name() == Font->Name() && f->Height() == Font->Height() && f->Style() == Font->Style() &&
      f->Color() == Font->Color() && f->Pitch() == Font->Pitch() && f->Charset() == Font->Charset())
    return;
  f->Assign(Font);
}
