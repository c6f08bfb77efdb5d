#include "app/TfrmPassword.h"

#include <tuple>

#include "app/CipherList.h"
#include "app/PassPhraseFields.h"
#include "app/Settings.h"
#include "app/TfrmMain.h"
#include "app/Translations.h"
#include "panels/TUxPanel.h"
#include "toolbar/TTBKButton.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/NewControl.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TPanel.h"

RTL_DEFINE_CLASS(TfrmPassword, TForm)

TfrmPassword* frmPassword = nullptr;

TfrmPassword::TfrmPassword(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmPassword");
  SetCaption("Secret phrase dialog");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  Font()->SetName("Tahoma");
  SetClientSize(392, 230);

  // The two caption panels: a raised 1-pixel bevel, no border, no moving or
  // sizing, collapsing at once.
  auto newPanel = [this](const char* name) {
    TUxPanel* p = NewControl<TUxPanel>(this, name, this);
    p->SetBevelOuter(bvRaised);
    p->SetBevelWidth(1);
    p->SetBorderColor(clBlack);
    p->SetBorderWidth(0);
    p->SetCanMove(false);
    p->SetCanSize(false);
    p->SetCollapsSteps(0);
    p->SetCollapsDelay(20);
    p->SetAutoHideChildren(true);
    p->SetBuffered(true);
    return p;
  };
  UxPanel1 = newPanel("UxPanel1");
  UxPanel1->SetAlign(alTop);
  UxPanel1->SetHeight(121);
  UxPanel1->SetColor(clBtnFace);
  UxPanel1->SetColorTo(clInfoBk);

  std::tie(GradientLabel1, cbCipher, GradientLabel2, edPassword) =
      MakePassPhraseFields(this, UxPanel1, 16, 10, 360);
  edPassword->OnKeyPress = [this](TObject* s, char& k) { edPasswordKeyPress(s, k); };

  UxPanel2 = newPanel("UxPanel2");
  UxPanel2->SetTop(121);
  UxPanel2->SetHeight(68);
  UxPanel2->SetAlign(alClient);
  {
    TPanelCaption* c = UxPanel2->Caption();
    c->SetVisible(true);
    c->SetHeight(20);
    c->SetText("Options");
    c->SetColor(clHighlight);
    c->SetCloseColor(clBtnFace);
    c->Font()->SetName("MS Sans Serif");
    c->Font()->SetHeight(-11);
    c->Font()->SetColor(clHighlightText);
    c->SetShadeType(stNormal);
    c->SetShape(csRectangle);
    c->SetButtonPosition(cbpRight);
    c->SetMinMaxButton(true);
    c->SetMinMaxButtonColor(clWhite);
    c->SetCloseButton(false);
  }

  cbHideSecret = NewControl<TTBKCheckBox>(this, "cbHideSecret", UxPanel2, 16, 24, 360, 17,
                                          "Hide secret phrase when tiping");
  cbHideSecret->SetChecked(true);
  cbHideSecret->OnClick = [this](TObject* s) { cbHideSecretClick(s); };
  cbRemember = NewControl<TTBKCheckBox>(this, "cbRemember", UxPanel2, 16, 44, 360, 17,
                                        "Remember secret phrase for next image");

  Panel1 = NewControl<TPanel>(this, "Panel1", this);
  Panel1->SetCaption("");
  Panel1->SetAlign(alBottom);
  Panel1->SetHeight(41);
  TBKButton1 = NewControl<TTBKButton>(this, "TBKButton1", Panel1, 216, 8, 75, 25, "&OK");
  TBKButton1->SetModalResult(mrOk);
  TBKButton1->OnClick = [this](TObject* s) { TBKButton1Click(s); };
  TBKButton2 = NewControl<TTBKButton>(this, "TBKButton2", Panel1, 302, 8, 75, 25, "&Cancel");
  TBKButton2->SetModalResult(mrCancel);
  TBKButton2->OnClick = [this](TObject* s) { TBKButton2Click(s); };

  OnActivate = [this](TObject* s) { FormActivate(s); };

  lxLang1 = AttachWindowTranslation(this, WindowTranslationData("frmPassword"),
                                    frmMain ? frmMain->lxLangDispatcher1 : nullptr);
}

void TfrmPassword::FormActivate(TObject*) {
  if (cbCipher->ItemIndex() == -1)
    cbCipher->SetItemIndex(ReadRegInteger("Options", "Default Cipher", kDefaultCipher));
  cbHideSecretClick(cbHideSecret);
  edPassword->SetText(FRememberedPhrase.Str());
  if (edPassword->CanFocus()) edPassword->SetFocus();
}

void TfrmPassword::TBKButton1Click(TObject*) {
  FRememberedPhrase.Clear();
  if (cbRemember->Checked()) FRememberedPhrase = edPassword->Text();
}

void TfrmPassword::TBKButton2Click(TObject*) { edPassword->SetText(""); }

void TfrmPassword::cbHideSecretClick(TObject*) { edPassword->SetPasswordChar(cbHideSecret->Checked() ? '#' : 0); }

void TfrmPassword::edPasswordKeyPress(TObject*, char& Key) {
  if (Key == '\r') {
    Key = 0;
    SetModalResult(mrOk);
  }
}
