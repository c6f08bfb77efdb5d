#include "app/TfrmOptions.h"

#include "app/TfrmMain.h"
#include "app/Translations.h"

#include "ui/TComboBox.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TTrackBar.h"
#include "app/CipherList.h"
#include "app/Settings.h"
#include "app/TfrmPassword.h"
#include "toolbar/TTBKCheckBox.h"
#include "ui/TButton.h"
#include "ui/TLabel.h"

RTL_DEFINE_CLASS(TfrmOptions, TForm)

TfrmOptions* frmOptions = nullptr;

namespace {
TTBKCheckBox* MakeCheck(TForm* owner, TWinControl* parent, const char* name, const char* caption, int32_t top) {
  auto* c = new TTBKCheckBox(owner);
  c->SetName(name);
  c->SetParent(parent);
  c->SetBounds(16, top, 320, 17);
  c->SetCaption(caption);
  return c;
}

TTabSheet* MakePage(TForm* owner, TPageControl* control, const char* name, const char* caption) {
  auto* page = new TTabSheet(owner);
  page->SetName(name);
  page->SetCaption(caption);
  page->SetPageControl(control);
  return page;
}

TLabel* MakeBoldLabel(TForm* owner, TWinControl* parent, const char* name, const char* caption) {
  auto* l = new TLabel(owner);
  l->SetName(name);
  l->SetParent(parent);
  l->SetBounds(16, 16, 200, 16);
  l->SetCaption(caption);
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

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetCaption("");
  Panel1->SetParent(this);
  Panel1->SetAlign(alBottom);
  Panel1->SetHeight(41);
  btnOK = new TButton(this);
  btnOK->SetName("btnOK");
  btnOK->SetParent(Panel1);
  btnOK->SetBounds(206, 8, 75, 25);
  btnOK->SetCaption("OK");
  btnOK->SetModalResult(mrOk);
  btnOK->OnClick = [this](TObject* s) { btnOKClick(s); };
  btnCancel = new TButton(this);
  btnCancel->SetName("btnCancel");
  btnCancel->SetParent(Panel1);
  btnCancel->SetBounds(292, 8, 75, 25);
  btnCancel->SetCaption("Cancel");
  btnCancel->SetModalResult(mrCancel);

  PageControl1 = new TPageControl(this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetAlign(alClient);
  TabSheet1 = MakePage(this, PageControl1, "TabSheet1", "Cipher");
  TabSheet2 = MakePage(this, PageControl1, "TabSheet2", "Visual");
  TabSheet3 = MakePage(this, PageControl1, "TabSheet3", "Password");
  TabSheet4 = MakePage(this, PageControl1, "TabSheet4", "JPG");

  Label1 = MakeBoldLabel(this, TabSheet1, "Label1", "Default Cipher:");
  cbCipher = new TComboBox(this);
  cbCipher->SetName("cbCipher");
  cbCipher->SetParent(TabSheet1);
  cbCipher->SetStyle(csDropDownList);
  cbCipher->SetBounds(16, 40, 320, 21);
  for (const char* name : kCipherNames) cbCipher->Items()->Add(name);

  cbFitOnWindow = MakeCheck(this, TabSheet2, "cbFitOnWindow", "Fit on window", 16);
  cbMaxScreen = MakeCheck(this, TabSheet2, "cbMaxScreen", "Application maximize to screen", 40);
  cbHideSecret = MakeCheck(this, TabSheet3, "cbHideSecret", "Hide secret phrase when tiping", 16);
  cbRemember = MakeCheck(this, TabSheet3, "cbRemember", "Remember secret phrase for next image", 40);

  Label2 = MakeBoldLabel(this, TabSheet4, "Label2", "Quality:");
  TBQualityJPG = new TTrackBar(this);
  TBQualityJPG->SetName("TBQualityJPG");
  TBQualityJPG->SetParent(TabSheet4);
  TBQualityJPG->SetBounds(16, 40, 320, 45);
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
