#pragma once
// The full-screen window: the image alone on black, without frame or mouse
// cursor. Escape or a double click ends it; other keys go to the main
// window's key handler, so the arrow keys step through its folder list.

#include "ui/TForm.h"

class TImago;

class TfrmFullScreen : public TForm {
  RTL_CLASS(TfrmFullScreen, TForm)
 public:
  explicit TfrmFullScreen(TComponent* AOwner);

  TImago* Imago1;
  bool FIsOpen = false;

  // Shows a copy of the main view's image, fitted.
  void CopyImageFrom(TImago* Source);

  void FormActivate(TObject* Sender);
  void Imago1KeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  void Imago1DblClick(TObject* Sender);
};

extern TfrmFullScreen* frmFullScreen;
