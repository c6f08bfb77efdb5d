#include "app/TfrmFullScreen.h"

#include "app/TAppImago.h"
#include "app/TfrmMain.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "platform/Input.h"
#include "ui/NewControl.h"

RTL_DEFINE_CLASS(TfrmFullScreen, TForm)

TfrmFullScreen* frmFullScreen = nullptr;

TfrmFullScreen::TfrmFullScreen(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmFullScreen");
  SetBorderStyle(bsNone);
  SetBorderIcons(TBorderIcons{});
  SetWindowState(wsMaximized);
  SetColor(clBlack);

  Imago1 = NewControl<TAppImago>(this, "Imago1", this);
  Imago1->SetAlign(alClient);
  Imago1->SetBackground(clBlack);
  Imago1->SetBorderStyle(bsNone);
  Imago1->SetScrollBars(ssNone);
  Imago1->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  Imago1->OnKeyUp = [this](TObject* s, uint16_t& k, TShiftState sh) { Imago1KeyUp(s, k, sh); };
  Imago1->OnDblClick = [this](TObject* s) { Imago1DblClick(s); };

  OnActivate = [this](TObject* s) { FormActivate(s); };
}

void TfrmFullScreen::CopyImageFrom(TImago* Source) {
  Imago1->LockUpdate();
  Imago1->Clear();
  Imago1->AutoFit = true;
  Imago1->GetIEBitmap()->Assign(Source->GetIEBitmap());
  Imago1->Fit();
  Imago1->UnlockUpdate();
  Imago1->Invalidate();
}

void TfrmFullScreen::FormActivate(TObject*) {
  if (Imago1->CanFocus()) Imago1->SetFocus();
}

void TfrmFullScreen::Imago1KeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) {
    Imago1DblClick(Sender);
    return;
  }
  frmMain->Imago1KeyUp(Sender, Key, Shift);
}

void TfrmFullScreen::Imago1DblClick(TObject*) {
  // A second end (Escape then double click) must not step the counter again.
  if (FIsOpen) ShowCursor(true);
  FIsOpen = false;
  Close();
}
