#pragma once
// The about box, also shown without waiting as the start-up screen
// (Tag 100; the about box opened from the toolbar has Tag 1).

#include <string>

#include "ui/TForm.h"

class TGroupBox;
class TNotebook;
class TlxLangLinked;
class TGradPan;
class TAlphaImage;
class TButton;
class TLabel;

class TfrmSplash : public TForm {
  RTL_CLASS(TfrmSplash, TForm)
 public:
  explicit TfrmSplash(TComponent* AOwner);

  TGradPan* GradPan3;
  TAlphaImage* Image1;  // the logo at the left
  TAlphaImage* Image3;  // the picture at the right
  TLabel* lblVersion;
  TLabel* lblAuthor;
  TLabel* Label25;
  TLabel* lblKestrana;
  TGroupBox* GroupBox1;
  TNotebook* Notebook1;  // holds the page "About"
  TGradPan* GradPan1;  // the page "About"
  TAlphaImage* Image2;
  TLabel* lblName;
  TLabel* lblSupport;
  TButton* BtnClose;
  // The window's texts; linked to no dispatcher, so always English.
  TlxLangLinked* lxLangLinked1;

  void FormActivate(TObject* Sender);
  void btnCancelWizard1Click(TObject* Sender);
  void Label13Click(TObject* Sender);
};

extern TfrmSplash* frmSplash;

// The maker's web address the link label opens.
extern const char* const kMakerAddress;

void ShowAbout();
// Opens a document or address with its associated program; a result below 32
// shows an error box with the reason.
intptr_t OpenDocument(const std::string& FileName, const std::string& Params, const std::string& Dir,
                      int32_t ShowCmd);
// The error text OpenDocument shows for a failed result.
std::string OpenDocumentErrorText(intptr_t Result);
