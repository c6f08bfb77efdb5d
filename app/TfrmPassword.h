#pragma once
// The pass-phrase dialog: a cipher from the cipher list and a pass phrase.
// Shown modally; 1 for OK (button or Enter), 2 for Cancel or closing.

#include <string>

#include "rtl/Wipe.h"
#include "ui/TForm.h"

class TComboBox;
class TEdit;
class TPanel;
class TGradientLabel;
class TTBKButton;
class TTBKCheckBox;
class TUxPanel;

class TlxLang;

class TfrmPassword : public TForm {
  RTL_CLASS(TfrmPassword, TForm)
 public:
  explicit TfrmPassword(TComponent* AOwner);
  TlxLang* lxLang1;

  TUxPanel* UxPanel1;
  TGradientLabel* GradientLabel1;
  TComboBox* cbCipher;
  TGradientLabel* GradientLabel2;
  TEdit* edPassword;
  TUxPanel* UxPanel2;
  TTBKCheckBox* cbHideSecret;
  TTBKCheckBox* cbRemember;
  TPanel* Panel1;
  TTBKButton* TBKButton1;
  TTBKButton* TBKButton2;

  const std::string& RememberedPhrase() const { return FRememberedPhrase.Str(); }

  void FormActivate(TObject* Sender);
  void TBKButton1Click(TObject* Sender);
  void TBKButton2Click(TObject* Sender);
  void cbHideSecretClick(TObject* Sender);
  void edPasswordKeyPress(TObject* Sender, char& Key);

 private:
  TSecretString FRememberedPhrase;
};

extern TfrmPassword* frmPassword;
