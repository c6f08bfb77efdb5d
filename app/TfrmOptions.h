#pragma once
// The options dialog: default cipher, fitting, maximising, the pass-phrase
// options and the JPEG quality, stored in the settings.

#include "ui/TForm.h"

class TComboBox;
class TPageControl;
class TPanel;
class TTabSheet;
class TTrackBar;
class TButton;
class TLabel;
class TTBKCheckBox;

class TlxLang;

class TfrmOptions : public TForm {
  RTL_CLASS(TfrmOptions, TForm)
 public:
  explicit TfrmOptions(TComponent* AOwner);
  TlxLang* lxLang1;

  TPanel* Panel1;
  TButton* btnOK;
  TButton* btnCancel;
  TPageControl* PageControl1;
  TTabSheet* TabSheet1;
  TTabSheet* TabSheet2;
  TTabSheet* TabSheet3;
  TTabSheet* TabSheet4;
  TLabel* Label1;
  TComboBox* cbCipher;
  TTBKCheckBox* cbFitOnWindow;
  TTBKCheckBox* cbMaxScreen;
  TTBKCheckBox* cbHideSecret;
  TTBKCheckBox* cbRemember;
  TLabel* Label2;
  TTrackBar* TBQualityJPG;

  void LoadOptions();
  void SaveOptions();
  void ApplyDefaultCipher();
  void FormActivate(TObject* Sender);
  void btnOKClick(TObject* Sender);
};

extern TfrmOptions* frmOptions;
