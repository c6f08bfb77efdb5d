#pragma once
// The about box, also shown without waiting as the start-up screen
// (Tag 100; the about box opened from the toolbar has Tag 1).

#include <string>

#include "ui/TForm.h"

class TPanel;
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
  TPanel* GroupBox1;
  TGradPan* GradPan1;  // the page "About"
  TAlphaImage* Image2;
  TLabel* lblName;
  TLabel* lblSupport;
  TButton* BtnClose;

  // The page the notebook shows; only "About" exists.
  std::string NotebookPage() const { return page_; }
  void SetNotebookPage(const std::string& Page) { page_ = Page; }

  void FormActivate(TObject* Sender);
  void btnCancelWizard1Click(TObject* Sender);
  void Label13Click(TObject* Sender);

 private:
  std::string page_ = "About";
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
