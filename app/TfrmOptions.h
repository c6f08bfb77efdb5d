#pragma once
// The options dialog: default cipher, fitting, maximising, the pass-phrase
// options and the JPEG quality, stored in the settings.

#include "ui/TForm.h"

class TAppComboBox;
class TAppPageControl;
class TAppPanel;
class TAppTabSheet;
class TAppTrackBar;
class TButton;
class TLabel;
class TTBKCheckBox;

class TfrmOptions : public TForm {
  RTL_CLASS(TfrmOptions, TForm)
 public:
  explicit TfrmOptions(TComponent* AOwner);

  TAppPanel* Panel1;
  TButton* btnOK;
  TButton* btnCancel;
  TAppPageControl* PageControl1;
  TAppTabSheet* TabSheet1;
  TAppTabSheet* TabSheet2;
  TAppTabSheet* TabSheet3;
  TAppTabSheet* TabSheet4;
  TLabel* Label1;
  TAppComboBox* cbCipher;
  TTBKCheckBox* cbFitOnWindow;
  TTBKCheckBox* cbMaxScreen;
  TTBKCheckBox* cbHideSecret;
  TTBKCheckBox* cbRemember;
  TLabel* Label2;
  TAppTrackBar* TBQualityJPG;

  void LoadOptions();
  void SaveOptions();
  void ApplyDefaultCipher();
  void FormActivate(TObject* Sender);
  void btnOKClick(TObject* Sender);
};

extern TfrmOptions* frmOptions;
