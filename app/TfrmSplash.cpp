#include "app/TfrmSplash.h"

#include "app/AboutPictures.h"
#include "app/Translations.h"
#include "l10n/TlxLangLinked.h"
#include "panels/TGradPan.h"
#include "platform/Shell.h"
#include "ui/MessageDlg.h"
#include "ui/NewControl.h"
#include "ui/TApplication.h"
#include "ui/TButton.h"
#include "ui/TGroupBox.h"
#include "ui/TLabel.h"
#include "ui/TNotebook.h"

RTL_DEFINE_CLASS(TfrmSplash, TForm)

TfrmSplash* frmSplash = nullptr;
const char* const kMakerAddress = "https://nobrivo.org";

namespace {
const char* const kProduct = "Nobrivo 1.40";
const char* const kMakerLine = "Nobrivo, private image viewer";

TLabel* MakeLabel(TForm* owner, TWinControl* parent, const char* name, const char* caption, int32_t x,
                  int32_t y) {
  auto* l = NewControl<TLabel>(owner, name, parent);
  l->SetAutoSize(true);
  l->SetTransparent(true);  // the gradient shows behind the text
  l->SetLeft(x);
  l->SetTop(y);
  l->SetCaption(caption);
  return l;
}

TAlphaImage* MakeImage(TForm* owner, TWinControl* parent, const char* name, const std::vector<uint32_t>& pixels,
                       int32_t w, int32_t h, int32_t x, int32_t y) {
  auto* i = NewControl<TAlphaImage>(owner, name, parent);
  i->SetLeft(x);
  i->SetTop(y);
  i->SetPixels(pixels, w, h);
  return i;
}
}  // namespace

TfrmSplash::TfrmSplash(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmSplash");
  SetCaption("About...");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  Font()->SetName("Tahoma");
  SetClientSize(485, 361);

  GradPan3 = new TGradPan(this);
  GradPan3->SetName("GradPan3");
  GradPan3->SetCaption("");
  GradPan3->SetParent(this);
  GradPan3->SetAlign(alTop);
  GradPan3->SetHeight(105);
  GradPan3->SetBevelOuter(bvLowered);
  GradPan3->SetBackGroundEffect(bdRight);
  GradPan3->SetColorStart(TColor(0xF0D0A0));  // a light blue
  GradPan3->SetColorShadow(clWhite);
  Image1 = MakeImage(this, GradPan3, "Image1", DrawAboutLogo(), kLogoSide, kLogoSide, 12, 28);
  Image3 = MakeImage(this, GradPan3, "Image3", DrawAboutLandscape(), kLandscapeWidth, kLandscapeHeight,
                     485 - 14 - kLandscapeWidth, 28);
  lblVersion = MakeLabel(this, GradPan3, "lblVersion", "", 72, 16);
  lblVersion->Font()->SetStyle(TFontStyles{fsBold});
  lblAuthor = MakeLabel(this, GradPan3, "lblAuthor", "", 72, 40);
  Label25 = MakeLabel(this, GradPan3, "Label25", "visit us at:", 72, 72);
  lblKestrana = MakeLabel(this, GradPan3, "lblKestrana", kMakerAddress, 146, 72);
  lblKestrana->Font()->SetColor(clNavy);
  lblKestrana->SetCursor(crHandPoint);
  lblKestrana->OnClick = [this](TObject* s) { Label13Click(s); };

  GroupBox1 = new TGroupBox(this);
  GroupBox1->SetName("GroupBox1");
  GroupBox1->SetCaption("");
  GroupBox1->SetParent(this);
  GroupBox1->SetBounds(8, 113, 469, 200);
  Notebook1 = NewControl<TNotebook>(this, "Notebook1", GroupBox1);
  Notebook1->SetAlign(alClient);
  {
    TStringList pages;
    pages.Add("About");
    Notebook1->SetPages(&pages);
  }
  Notebook1->SetActivePage("About");
  GradPan1 = new TGradPan(this);
  GradPan1->SetName("GradPan1");
  GradPan1->SetCaption("");
  GradPan1->SetParent(Notebook1->Page(0));
  GradPan1->SetAlign(alClient);
  GradPan1->SetBackGroundEffect(bdLeft);
  GradPan1->SetColorStart(TColor(0xF0D0A0));
  GradPan1->SetColorShadow(clWhite);
  Image2 = MakeImage(this, GradPan1, "Image2", DrawAboutLogo(), kLogoSide, kLogoSide, 16, 16);
  lblName = MakeLabel(this, GradPan1, "lblName", "The Nobrivo developers", 80, 16);
  lblSupport = MakeLabel(this, GradPan1, "lblSupport", "Support:", 80, 48);

  BtnClose = NewControl<TButton>(this, "BtnClose", this, 402, 326, 75, 25, "Close");
  BtnClose->OnClick = [this](TObject* s) { btnCancelWizard1Click(s); };

  OnActivate = [this](TObject* s) { FormActivate(s); };

  lxLangLinked1 = new TlxLangLinked(this);
  lxLangLinked1->SetName("lxLangLinked1");
  lxLangLinked1->BeginLoading();
  try {
    TStringList names;
    for (const char* n : {"English", "French", "German", "Italian", "Portuguese", "Spanish"}) names.Add(n);
    lxLangLinked1->SetNumOfLanguages(6);
    lxLangLinked1->SetLangNames(&names);
    TStringList excluded;
    for (const char* c : {"lblAuthor.Caption", "lblKestrana.Caption", "lblVersion.Caption"}) excluded.Add(c);
    lxLangLinked1->SetSmartExcludeProps(&excluded);
    lxLangLinked1->ReadTranslationDataText(WindowTranslationData("frmSplash"));
    lxLangLinked1->EndLoading();
  } catch (const std::exception&) {
    // A translation that cannot be applied leaves the window's own texts.
  }
}

void TfrmSplash::FormActivate(TObject*) {
  lblVersion->SetCaption(kProduct);
  lblAuthor->SetCaption(kMakerLine);
  if (Tag() == 1) {
    SetCaption(lxLangLinked1->LookupStringOrDefault("IDS_4"));
    Notebook1->SetActivePage("About");
    SetFormStyle(fsNormal);
    SetBorderStyle(bsDialog);
  }
  Application->ProcessMessages();
}

void TfrmSplash::btnCancelWizard1Click(TObject*) { Close(); }

void TfrmSplash::Label13Click(TObject*) { OpenDocument(kMakerAddress, "", "", SW_SHOWNORMAL); }

void ShowAbout() {
  frmSplash = new TfrmSplash(Application);
  frmSplash->SetTag(1);
  try {
    frmSplash->ShowModal();
  } catch (...) {
    frmSplash->Free();
    frmSplash = nullptr;
    throw;
  }
  frmSplash->Free();
  frmSplash = nullptr;
}

std::string OpenDocumentErrorText(intptr_t Result) {
  std::string reason;
  if (Result == 2) reason = "Didn't find the file, please verify installation";
  else if (Result == 31) reason = "Please install Acrobat reader to view PDF files";
  else reason = "unknown eror";
  return "Error (" + std::to_string(Result) + ") : " + reason;
}

intptr_t OpenDocument(const std::string& FileName, const std::string& Params, const std::string& Dir,
                      int32_t ShowCmd) {
  // Each text goes over as a copy of at most 256 characters.
  auto cut = [](const std::string& s) { return s.substr(0, 256); };
  const std::string f = cut(FileName), p = cut(Params), d = cut(Dir);
  intptr_t rc = ShellExecute(nullptr, "open", f.c_str(), p.c_str(), d.c_str(), ShowCmd);
  if (rc >= 32) return rc;
  MessageDlg(OpenDocumentErrorText(rc), mtError, TMsgDlgButtons{mbOK});
  return rc;
}
