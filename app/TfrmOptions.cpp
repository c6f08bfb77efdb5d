#include "app/TfrmOptions.h"

#include "app/CipherList.h"
#include "app/Settings.h"
#include "app/TfrmMain.h"
#include "app/TfrmPassword.h"
#include "app/Translations.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/NewControl.h"
#include "ui/TButton.h"
#include "ui/TComboBox.h"
#include "ui/TLabel.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TTrackBar.h"

RTL_DEFINE_CLASS(TfrmOptions, TForm)

TfrmOptions* frmOptions = nullptr;

namespace {
TTBKCheckBox* MakeCheck(TForm* owner, TWinControl* parent, const char* name, const char* caption, int32_t top) {
  return NewControl<TTBKCheckBox>(owner, name, parent, 16, top, 320, 17, caption);
}

TTabSheet* MakePage(TForm* owner, TPageControl* control, const char* name, const char* caption) {
  auto* page = new TTabSheet(owner);
  page->SetName(name);
  page->SetCaption(caption);
  page->SetPageControl(control);
  return page;
}

TLabel* MakeBoldLabel(TForm* owner, TWinControl* parent, const char* name, const char* caption) {
  auto* l = NewControl<TLabel>(owner, name, parent, 16, 16, 200, 16, caption);
  l->Font()->SetStyle(TFontStyles{fsBold});
  return l;
}
}  // namespace

TfrmOptions::TfrmOptions(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmOptions");
  SetCaption("Options");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  Font()->SetName("Tahoma");
  SetClientSize(381, 213);

  Panel1 = NewControl<TPanel>(this, "Panel1", this);
  Panel1->SetCaption("");
  Panel1->SetAlign(alBottom);
  Panel1->SetHeight(41);
  btnOK = NewControl<TButton>(this, "btnOK", Panel1, 206, 8, 75, 25, "OK");
  btnOK->SetModalResult(mrOk);
  btnOK->OnClick = [this](TObject* s) { btnOKClick(s); };
  btnCancel = NewControl<TButton>(this, "btnCancel", Panel1, 292, 8, 75, 25, "Cancel");
  btnCancel->SetModalResult(mrCancel);

  PageControl1 = NewControl<TPageControl>(this, "PageControl1", this);
  PageControl1->SetAlign(alClient);
  TabSheet1 = MakePage(this, PageControl1, "TabSheet1", "Cipher");
  TabSheet2 = MakePage(this, PageControl1, "TabSheet2", "Visual");
  TabSheet3 = MakePage(this, PageControl1, "TabSheet3", "Password");
  TabSheet4 = MakePage(this, PageControl1, "TabSheet4", "JPG");

  Label1 = MakeBoldLabel(this, TabSheet1, "Label1", "Default Cipher:");
  cbCipher = NewControl<TComboBox>(this, "cbCipher", TabSheet1);
  cbCipher->SetStyle(csDropDownList);
  cbCipher->SetBounds(16, 40, 320, 21);
  for (const char* name : kCipherNames) cbCipher->Items()->Add(name);

  cbFitOnWindow = MakeCheck(this, TabSheet2, "cbFitOnWindow", "Fit on window", 16);
  cbMaxScreen = MakeCheck(this, TabSheet2, "cbMaxScreen", "Application maximize to screen", 40);
  cbHideSecret = MakeCheck(this, TabSheet3, "cbHideSecret", "Hide secret phrase when tiping", 16);
  cbRemember = MakeCheck(this, TabSheet3, "cbRemember", "Remember secret phrase for next image", 40);

  Label2 = MakeBoldLabel(this, TabSheet4, "Label2", "Quality:");
  TBQualityJPG = NewControl<TTrackBar>(this, "TBQualityJPG", TabSheet4, 16, 40, 320, 45);
  TBQualityJPG->SetMin(0);
  TBQualityJPG->SetMax(100);
  TBQualityJPG->SetFrequency(10);
  TBQualityJPG->SetTickMarks(tmTopLeft);
  TBQualityJPG->SetShowHint(true);

  OnActivate = [this](TObject* s) { FormActivate(s); };

  lxLang1 = AttachWindowTranslation(this, WindowTranslationData("frmOptions"),
                                    frmMain ? frmMain->lxLangDispatcher1 : nullptr);
}

void TfrmOptions::LoadOptions() {
  cbCipher->SetItemIndex(ReadRegInteger("Options", "Default Cipher", kDefaultCipher));
  cbFitOnWindow->SetChecked(ReadRegBool("Options", "FitOnWindow", true));
  cbMaxScreen->SetChecked(ReadRegBool("Options", "MaxScreen", true));
  cbHideSecret->SetChecked(ReadRegBool("Options", "HideSecret", true));
  cbRemember->SetChecked(ReadRegBool("Options", "Remember", false));
  TBQualityJPG->SetPosition(ReadRegInteger("Options", "JPG_Quality", 100));
}

void TfrmOptions::SaveOptions() {
  WriteRegInteger("Options", "Default Cipher", cbCipher->ItemIndex());
  WriteRegBool("Options", "FitOnWindow", cbFitOnWindow->Checked());
  WriteRegBool("Options", "MaxScreen", cbMaxScreen->Checked());
  WriteRegBool("Options", "HideSecret", cbHideSecret->Checked());
  WriteRegBool("Options", "Remember", cbRemember->Checked());
  WriteRegInteger("Options", "JPG_Quality", TBQualityJPG->Position());
}

void TfrmOptions::ApplyDefaultCipher() {
  frmPassword->cbCipher->SetItemIndex(ReadRegInteger("Options", "Default Cipher", kDefaultCipher));
}

void TfrmOptions::FormActivate(TObject*) {
  PageControl1->SetActivePage(TabSheet1);
  LoadOptions();
}

void TfrmOptions::btnOKClick(TObject*) {
  SaveOptions();
  ApplyDefaultCipher();
}
