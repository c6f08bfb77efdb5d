#include "imaging/view/TSaveImagoDialog.h"

#include <algorithm>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/view/IEDialogFilter.h"
#include "imaging/view/TfIOPreviews.h"
#include "imaging/view/TImagoMIO.h"
#include "imaging/view/TImagoMView.h"
#include "imaging/view/TImagoView.h"
#include "rtl/FileUtils.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TTimer.h"

RTL_DEFINE_CLASS(TSaveImagoDialog, TOpenImagoDialog)

TSaveImagoDialog::TSaveImagoDialog(TComponent* AOwner)
    : TOpenImagoDialog(AOwner) {
  std::string f = "JPEG Bitmap (JPG)|*.jpg";
  const TIOFormatEntry* gif = FindFormatInfo(ieftGIF);
  if (gif && gif->WriteProc) f += "|CompuServe Bitmap (GIF)|*.gif";
  f += "|TIFF Bitmap (TIF)|*.tif|PaintBrush (PCX)|*.pcx|Portable Network Graphics (PNG)|*.png"
       "|Windows Bitmap (BMP)|*.bmp|OS/2 Bitmap (BMP)|*.bmp|Targa Bitmap (TGA)|*.tga"
       "|Portable PixMap (PXM)|*.pxm|Portable PixMap (PPM)|*.ppm|Portable GreyMap (PGM)|*.pgm"
       "|Portable Bitmap (PBM)|*.pbm|JPEG2000 (JP2)|*.jp2|JPEG2000 Code Stream (J2K)|*.j2k"
       "|Multipage PCX (DCX)|*.dcx";
  SetFilter(f);
  preview_wanted_ = true;
  // The Advanced button opens the save-parameter form unless a program
  // installed a dialog of its own.
  if (!IOPreviewsDialogFactory()) RegisterIOPreviewsDialog();
  timer_ = new TTimer(this);
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
  timer_->OnTimer = [this](TObject*) { UpdateAdvancedButton(); };
}

TSaveImagoDialog::~TSaveImagoDialog() = default;

void TSaveImagoDialog::Notification(TComponent* AComponent, TOperation Operation) {
  TOpenImagoDialog::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == attached_) attached_ = nullptr;
}

void TSaveImagoDialog::SetAttachedImagoIO(TComponent* Value) {
  if (Value && !dynamic_cast<TImagoIO*>(Value) && !dynamic_cast<TImagoMIO*>(Value) &&
      !dynamic_cast<TImagoView*>(Value) && !dynamic_cast<TImagoMView*>(Value))
    return;
  if (attached_) attached_->RemoveFreeNotification(this);
  attached_ = Value;
  if (!Value) return;
  Value->FreeNotification(this);
  if (auto* io = dynamic_cast<TImagoIO*>(Value)) SetMsgLanguage(io->MsgLanguage());
  if (auto* mio = dynamic_cast<TImagoMIO*>(Value)) SetMsgLanguage(mio->MsgLanguage());
}

TImagoIO* TSaveImagoDialog::AttachedIO() const {
  if (auto* io = dynamic_cast<TImagoIO*>(attached_)) return io;
  if (auto* view = dynamic_cast<TImagoView*>(attached_)) return view->GetIO();
  return nullptr;
}

TImagoMIO* TSaveImagoDialog::AttachedMIO() const {
  if (auto* mio = dynamic_cast<TImagoMIO*>(attached_)) return mio;
  if (auto* mview = dynamic_cast<TImagoMView*>(attached_)) return mview->GetMIO();
  return nullptr;
}

bool TSaveImagoDialog::Execute() {
  // A thumbnail companion without images has no parameters to edit: the
  // dialog is not shown at all.
  TImagoMIO* mio = AttachedMIO();
  if (mio && mio->ParamsCount() == 0) return false;
  preview_wanted_ = ex_options_.Contains(sdShowPreview);
  template_ = preview_wanted_ ? "IDD_IETEMPLATE" : "IDD_IETEMPLATE1";
  if (AutoSetFilter()) BuildFilter(true);
  AdvancedButton->OnClick = [this](TObject*) { AdvancedClick(); };
  AdvancedButton->SetVisible(ex_options_.Contains(sdShowAdvanced));
  UpdateCaptions();
  AdvancedButton->SetBounds(ShowPlacesBar() ? 474 : 333, 0, 75, 23);
  PreviewCheck->SetVisible(preview_wanted_);
  // The parameters as they were, to undo on a cancel what the Advanced
  // button changed. The companion's dialog gives every image the settings
  // chosen for the first, so every record is kept, not only the first.
  saved_params_.clear();
  if (TImagoIO* io = AttachedIO()) {
    saved_params_.push_back(std::make_unique<TIOParamsVals>(nullptr));
    saved_params_.back()->Assign(io->Params());
  } else if (mio) {
    for (int32_t i = 0; i < mio->ParamsCount(); ++i) {
      saved_params_.push_back(std::make_unique<TIOParamsVals>(nullptr));
      saved_params_.back()->Assign(mio->Params(i));
    }
  }
  UpdateAdvancedButton();
  const bool ok = DoExecute(true, template_);
  if (!ok) RestoreAttachedParams();
  if (ok) file_name_ = CompletedName(file_name_);
  return ok;
}

void TSaveImagoDialog::RestoreAttachedParams() {
  if (saved_params_.empty()) return;
  if (TImagoIO* io = AttachedIO()) {
    io->Params()->Assign(saved_params_.front().get());
  } else if (TImagoMIO* mio = AttachedMIO()) {
    const int32_t n = std::min(mio->ParamsCount(), static_cast<int32_t>(saved_params_.size()));
    for (int32_t i = 0; i < n; ++i) mio->Params(i)->Assign(saved_params_[static_cast<size_t>(i)].get());
  }
}

std::string TSaveImagoDialog::CompletedName(const std::string& Name) const {
  if (Name.empty() || !NameExtension(Name).empty()) return Name;
  return Name + PatternFirstExtension(pattern_.empty() ? FilterPattern(Filter(), FilterIndex())
                                                       : pattern_);
}

bool TSaveImagoDialog::FileOK() {
  // The name that will be written is the completed one: ask about that file,
  // not about the name as typed.
  const std::string path = Host()->GetFilePath();
  const std::string completed = CompletedName(path);
  if (completed != path && Options().Contains(ofOverwritePrompt) && FileExists(completed) &&
      !Host()->ConfirmOverwrite(completed))
    return false;
  return TOpenImagoDialog::FileOK();
}

TIENameFormat TSaveImagoDialog::NameFormat() const {
  return FindNameFormat(FileName(), DefaultExt(), pattern_);
}

void TSaveImagoDialog::UpdateAdvancedButton() {
  const TIENameFormat f = NameFormat();
  if (auto* io = dynamic_cast<TImagoIO*>(attached_)) io->Params()->FileType = f.TypeId;
  AdvancedButton->SetEnabled(f.Pages != 0);
}

void TSaveImagoDialog::AdvancedClick() {
  const TIENameFormat f = NameFormat();
  if (f.Pages == 0) return;
  if (TImagoIO* io = AttachedIO()) {
    io->Params()->FileType = f.TypeId;
    io->DoPreviews(f.Pages);
  } else if (TImagoMIO* mio = AttachedMIO()) {
    // Every image of the companion takes the settings chosen for the first.
    mio->DoPreviews(-1, f.Pages);
  }
}

void TSaveImagoDialog::DoTypeChange() {
  UpdateFileNameExtension();
  UpdateAdvancedButton();
  if (OnTypeChange) OnTypeChange(this);
}

void TSaveImagoDialog::UpdateFileNameExtension() {
  if (!IsOpen()) return;
  const std::string ext = PatternFirstExtension(pattern_);
  const std::string spec = Host()->GetSpec();
  // An empty name box stays empty rather than showing a bare extension.
  if (ext.empty() || ExtractFileName(spec).empty()) return;
  Host()->SetControlText(edt1, ReplaceNameExtension(spec, ext));
}

void TSaveImagoDialog::InitDone() {
  // The selected type is known from here on: the button is right as the
  // dialog shows, not only from the first tick.
  UpdateAdvancedButton();
  timer_->SetEnabled(true);
  timer_->UpdateTimer();
}

void TSaveImagoDialog::DoClose() {
  timer_->SetEnabled(false);
  TOpenImagoDialog::DoClose();
}
