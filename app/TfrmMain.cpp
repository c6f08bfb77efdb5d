#include "app/TfrmMain.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>
#include <vector>

#include "app/ButtonImages.h"
#include "app/CipherList.h"
#include "app/PassPhraseFields.h"
#include "app/Settings.h"
#include "app/TAppImago.h"
#include "app/TfrmFullScreen.h"
#include "app/TfrmOptions.h"
#include "app/TfrmPassword.h"
#include "app/TfrmSplash.h"
#include "app/Translations.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TImagoProc.h"
#include "imaging/view/TImago.h"
#include "imaging/view/TOpenImagoDialog.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "panels/TUxNavBar.h"
#include "platform/Input.h"
#include "platform/Locale.h"
#include "platform/ZeroedMemoryStream.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"
#include "rtl/TWipedMemoryStream.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKStatusBar.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/MessageDlg.h"
#include "ui/NewControl.h"
#include "ui/TApplication.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TImageList.h"
#include "ui/TListView.h"
#include "ui/TScreen.h"
#include "ui/TSplitter.h"
#include "ui/TTimer.h"

RTL_DEFINE_CLASS(TfrmMain, TForm)

TfrmMain* frmMain = nullptr;

namespace {
// Sky blue, the image area's background.
constexpr TColor kSkyBlue = 0xF0CAA6;

constexpr int32_t kIconEntry = 86;
constexpr int32_t kIconJpeg = 116;
constexpr int32_t kIconFolder = 115;
// Half the longest path name the system takes.
constexpr size_t kLongFolderName = 2048;

// Puts the screen cursor and the view's fitting back when a road ends early.
class TRoadGuard {
 public:
  explicit TRoadGuard(TImago* View) : view_(View) {}
  ~TRoadGuard() {
    if (done_) return;
    view_->AutoFit = false;
    Screen->SetCursor(crDefault);
  }
  void Done() { done_ = true; }

 private:
  TImago* view_;
  bool done_ = false;
};

// Items join the toolbar as a stored window reads them, so the order in
// which they give way to the chevron starts as their order.
void AddToBar(TTBKToolbar* Bar, TDKCustomItem* Item) {
  Item->BeginLoading();
  Bar->Items()->Add(Item);
  Item->EndLoading();
}

TTBKItem* MakeItem(TfrmMain* Form, TTBKToolbar* Bar, const char* Name, const char* Caption, const char* Hint,
                   int32_t Image, bool Enabled, TNotifyEvent Click) {
  auto* item = new TTBKItem(Form);
  item->SetName(Name);
  item->SetCaption(Caption);
  item->SetHint(Hint);
  item->SetImageIndex(Image);
  item->SetEnabled(Enabled);
  item->SetDisplayMode(nbdmImageAndText);
  item->SetLayout(tbklGlyphTop);
  item->OnClick = std::move(Click);
  AddToBar(Bar, item);
  return item;
}

void AddSeparator(TfrmMain* Form, TTBKToolbar* Bar, bool Blank) {
  auto* sep = new TTBKSeparatorItem(Form);
  sep->SetBlank(Blank);
  AddToBar(Bar, sep);
}
}  // namespace

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmMain");
  ShowTitle(kTitle);
  SetBounds(0, 0, 900, 640);
  SetPosition(poScreenCenter);
  Font()->SetName("Tahoma");

  ImageListButtons = new TImageList(this);
  ImageListButtons->SetName("ImageListButtons");
  FillButtonImages(ImageListButtons);
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);

  BuildToolbar();

  TBKStatusBar = NewControl<TTBKStatusBar>(this, "TBKStatusBar", this);
  for (int32_t i = 0; i < 4; ++i) TBKStatusBar->Panels()->Add()->SetSize(70);

  Imago1 = NewControl<TAppImago>(this, "Imago1", this);
  Imago1->SetAlign(alClient);
  Imago1->SetBackground(kSkyBlue);
  Imago1->SetBorderStyle(bsNone);
  Imago1->SetFlatScrollBars(true);
  Imago1->SetMouseInteract(TIEMouseInteract{miZoom, miScroll});
  Imago1->OnKeyUp = [this](TObject* s, uint16_t& k, TShiftState sh) { Imago1KeyUp(s, k, sh); };

  ImagoProc1 = new TImagoProc(this);
  ImagoProc1->SetName("ImagoProc1");
  ImagoProc1->SetAttachedImago(Imago1);

  BuildNavBar();

  // The open and save dialogs with preview; tests put their own runs in place.
  OpenImagoDialog1 = new TOpenImagoDialog(this);
  OpenImagoDialog1->SetName("OpenImagoDialog1");
  OpenImagoDialog1->SetFilterIndex(0);
  SaveImagoDialog1 = new TSaveImagoDialog(this);
  SaveImagoDialog1->SetName("SaveImagoDialog1");
  SaveImagoDialog1->SetFilterIndex(3);
  SaveImagoDialog1->SetExOptions(TIESaveDlgOpts{sdShowPreview, sdShowAdvanced});
  SaveImagoDialog1->SetZoomFilter(rfNone);
  // Both save roads ask before replacing a file: the name proposed is the
  // opened file's, and an encrypted original would otherwise give way to a
  // plain copy at one press of Enter.
  SaveImagoDialog1->SetOptions(SaveImagoDialog1->Options() + ofOverwritePrompt);
  OpenDialogExecute = [this](std::string& FileName) {
    OpenImagoDialog1->SetFileName(FileName);
    if (!OpenImagoDialog1->Execute()) return false;
    FileName = OpenImagoDialog1->FileName();
    return true;
  };
  SaveDialogExecute = [this](std::string& FileName) {
    SaveImagoDialog1->SetFileName(FileName);
    if (!SaveImagoDialog1->Execute()) return false;
    FileName = SaveImagoDialog1->FileName();
    return true;
  };

  // Translations: the window's own data, then the translation file when
  // there is one; the title stays as the program sets it.
  lxLangDispatcher1 = CreateLangDispatcher(this);
  lxLang1 = AttachWindowTranslation(this, WindowTranslationData("frmMain"), lxLangDispatcher1);
  lxLang1->OnChangeLanguage = [this](TObject*) {
    SetCaption(FTitle);
    ApplyDialogCaptions(lxLang1);
  };
  SetCaption(FTitle);

  OnCreate = [this](TObject* s) { FormCreate(s); };
  OnActivate = [this](TObject* s) { FormActivate(s); };
  OnDestroy = [this](TObject* s) { FormDestroy(s); };
  // Escape reaches the window first, whichever control has the focus, so
  // that it can give up a long decryption.
  SetKeyPreview(true);
  OnKeyDown = [this](TObject* s, uint16_t& Key, TShiftState Shift) { FormKeyDown(s, Key, Shift); };
}

void TfrmMain::BuildToolbar() {
  TBKDock1 = new TTBKDock(this);
  TBKDock1->SetName("TBKDock1");
  TBKDock1->SetPosition(dpTop);
  TBKDock1->SetParent(this);
  TBKToolbar1 = new TTBKToolbar(this);
  TBKToolbar1->SetName("TBKToolbar1");
  TBKToolbar1->SetDockMode(dmCannotFloat);
  TBKToolbar1->SetFullSize(true);
  TBKToolbar1->SetShowHint(true);
  TBKToolbar1->SetImages(ImageListButtons);
  TBKToolbar1->SetCurrentDock(TBKDock1);

  TTBKToolbar* bar = TBKToolbar1;
  btnClear = MakeItem(this, bar, "btnClear", "Clear Image", "Clear image", 86, true,
                      [this](TObject* s) { btnClearClick(s); });
  btnLoad = MakeItem(this, bar, "btnLoad", "Open Image", "Load image", 72, true,
                     [this](TObject* s) { btnLoadClick(s); });
  btnSave = MakeItem(this, bar, "btnSave", "Save Image", "Save without encription", 73, false,
                     [this](TObject* s) { btnSaveClick(s); });
  btnSaveCrypted = MakeItem(this, bar, "btnSaveCrypted", "Save Encrypted", "Save encripted image", 114, false,
                            [this](TObject* s) { btnSaveCryptedClick(s); });
  AddSeparator(this, bar, false);
  btnFullScreen = MakeItem(this, bar, "btnFullScreen", "Full Screen", "", 20, false,
                           [this](TObject* s) { btnFullScreenClick(s); });
  btnRotLeft = MakeItem(this, bar, "btnRotLeft", "Rotate Left", "", 45, false,
                        [this](TObject* s) { btnRotLeftClick(s); });
  btnRotRight = MakeItem(this, bar, "btnRotRight", "Rotate Right", "", 37, false,
                         [this](TObject* s) { btnRotLeftClick(s); });
  AddSeparator(this, bar, false);
  btnOptions = MakeItem(this, bar, "btnOptions", "Options", "Options", 79, true,
                        [this](TObject* s) { btnOptionsClick(s); });
  AddSeparator(this, bar, false);
  AddSeparator(this, bar, true);
  btnAbout = MakeItem(this, bar, "btnAbout", "About", "", 111, true, [this](TObject* s) { btnAboutClick(s); });
}

void TfrmMain::BuildNavBar() {
  // Built as a stored form is read: the bar takes its pages, their order
  // and its splitter position when its loading ends.
  UxNavBar1 = new TUxNavBar(this);
  UxNavBar1->BeginLoading();
  UxNavBar1->SetName("UxNavBar1");
  UxNavBar1->SetParent(Imago1);
  UxNavBar1->SetAlign(alLeft);
  UxNavBar1->SetWidth(201);
  UxNavBar1->CaptionFont()->SetName("Tahoma");
  UxNavBar1->CaptionFont()->SetHeight(-15);
  UxNavBar1->CaptionFont()->SetStyle(TFontStyles{fsBold});
  UxNavBar1->Font()->SetName("MS Sans Serif");
  UxNavBar1->Font()->SetHeight(-11);
  UxNavBar1->SetMinClientHeight(60);
  UxNavBar1->SetSplitterPosition(2);
  UxNavBar1->SetActiveTabIndex(0);
  UxNavBar1->SetStyle(esOffice2003Silver);

  UxNavBarPanel1 = new TUxNavBarPanel(this);
  UxNavBarPanel1->BeginLoading();
  UxNavBarPanel1->SetName("UxNavBarPanel1");
  UxNavBarPanel1->SetParent(UxNavBar1);
  UxNavBarPanel1->SetCaption("Browser");
  UxNavBarPanel1->SetPanelIndex(0);
  UxNavBarPanel1->ReadState();
  UxNavBarPanel1->EndLoading();
  lvDirs = NewControl<TListView>(this, "lvDirs", UxNavBarPanel1);
  lvDirs->SetAlign(alClient);
  lvDirs->SetViewStyle(vsList);
  lvDirs->SetReadOnly(true);
  lvDirs->SetHideSelection(false);
  lvDirs->SetSmallImages(ImageListButtons);
  lvDirs->OnDblClick = [this](TObject* s) { lvDirsDblClick(s); };

  UxNavBarPanel2 = new TUxNavBarPanel(this);
  UxNavBarPanel2->BeginLoading();
  UxNavBarPanel2->SetName("UxNavBarPanel2");
  UxNavBarPanel2->SetParent(UxNavBar1);
  UxNavBarPanel2->SetCaption("Password box");
  UxNavBarPanel2->SetPanelIndex(1);
  UxNavBarPanel2->SetVisible(false);
  UxNavBarPanel2->ReadState();
  UxNavBarPanel2->EndLoading();
  std::tie(GradientLabel1, cbCipher, GradientLabel2, edPassword) =
      MakePassPhraseFields(this, UxNavBarPanel2, 8, 8, 185);
  cbPassWordMain = NewControl<TTBKCheckBox>(this, "cbPassWordMain", UxNavBarPanel2, 8, 112, 185, 17,
                                            "Use this password as default");
  UxNavBar1->EndLoading();

  Splitter1 = NewControl<TSplitter>(this, "Splitter1", Imago1);
  Splitter1->SetAlign(alLeft);
  Splitter1->SetLeft(UxNavBar1->Width());
}

int32_t TfrmMain::LanguageOfLangId(uint16_t LangId) {
  switch (LangId & 0xFF) {
    case 7: return 3;
    case 10: return 6;
    case 12: return 2;
    case 16: return 4;
    case 22: return 5;
    default: return 1;
  }
}

void TfrmMain::FormCreate(TObject*) {
  FFirstActivation = true;
  activeLanguage_ = LanguageOfLangId(GetUserDefaultLangID());
  FHashManager = new THashManager(nullptr);
  FCipherManager = new TCipherManager(nullptr);
  SwitchLanguage(lxLangDispatcher1, activeLanguage_);
}

void TfrmMain::ShowTitle(const std::string& Title) {
  FTitle = Title;
  SetCaption(Title);
}

void TfrmMain::FormActivate(TObject*) {
  if (!FFirstActivation) return;
  FFirstActivation = false;
  ShowTitle(kTitle);
  // The start-up screen goes also when reading the settings raises (a value
  // of another kind in a damaged store); the error is still reported.
  struct TSplashEnd {
    ~TSplashEnd() { Free(); }
    void Free() {
      if (frmSplash) {
        frmSplash->Free();
        frmSplash = nullptr;
      }
    }
  } splashEnd;
  LoadSettings();
  if (frmOptions->cbMaxScreen->Checked()) SetWindowState(wsMaximized);
  splashEnd.Free();
  const std::string last = ReadRegString("Options", "Browser_Last_dir", "");
  if (!last.empty() && DirectoryExists(last)) BrowseFolder(last);
}

void TfrmMain::FormDestroy(TObject*) {
  if (FCipherManager) FCipherManager->SetHashManager(nullptr);
  FreeAndNil(FHashManager);
  FreeAndNil(FCipherManager);
}

void TfrmMain::UpdateStatusBar() {
  TIEBitmap* bmp = Imago1->GetIEBitmap();
  TBKStatusBar->Panels()->PanelAt(0)->SetCaption(std::to_string(bmp ? bmp->GetBitCount() : 0));
  TBKStatusBar->Panels()->PanelAt(1)->SetCaption("W: " + std::to_string(bmp ? bmp->GetWidth() : 0));
  TBKStatusBar->Panels()->PanelAt(2)->SetCaption("H: " + std::to_string(bmp ? bmp->GetHeight() : 0));
  TBKStatusBar->Panels()->PanelAt(3)->SetCaption("DPI: " + std::to_string(Imago1->DpiX()));
}

void TfrmMain::RefreshView() {
  Imago1->Update();
  Imago1->Invalidate();
}

// ---- opening

void TfrmMain::btnLoadClick(TObject*) {
  std::string name = OpenDialogFileName;
  if (!OpenDialogExecute || !OpenDialogExecute(name)) return;
  OpenDialogFileName = name;
  OpenImage(name);
  const std::string dir = ExtractFileDir(name);
  BrowseFolder(dir.empty() ? std::string("/") : dir);
}

void TfrmMain::OpenImage(const std::string& FileName) {
  // The key navigation's busy flag is held while any load runs, so that an
  // arrow key the message loop dispatches inside this road (step through a
  // double-clicked file, the pass-phrase dialog) cannot start a second load
  // into the same view.
  const bool wasBusy = Timer1->Enabled();
  Timer1->SetEnabled(true);
  struct TBusyEnd {
    TTimer* timer;
    bool keep;
    ~TBusyEnd() {
      if (!keep) timer->SetEnabled(false);
    }
  } busyEnd{Timer1, wasBusy};
  TRoadGuard guard(Imago1);
  const uint32_t road = ++FRoadCount;
  Screen->SetCursor(crHourGlass);
  if (frmOptions->cbFitOnWindow->Checked()) Imago1->AutoFit = true;
  TImagoIO* io = Imago1->GetIO();
  io->LoadFromFile(FileName);
  Application->ProcessMessages();
  // A road started from the messages (a double click in the list, the open
  // button) loaded its file into the view and told its outcome: this one
  // ends without claiming the view for its own file.
  if (FRoadCount != road) return;
  if (io->Aborted() && !io->AbortReason().empty()) {
    // The reader knew the file and refused it (a size its data cannot hold,
    // or more than the machine has free): it says why, and no pass phrase
    // is asked for a file that is not encrypted.
    Screen->SetCursor(crDefault);
    MessageDlg(io->AbortReason(), mtError, TMsgDlgButtons{mbOK});
  } else if (io->Aborted() && !DecryptableInMemory(FileName)) {
    // Decrypted data live in memory only: a file larger than the memory
    // free now cannot be decrypted, whatever the pass phrase, and asking
    // for one would only lead to the system ending the program.
    Screen->SetCursor(crDefault);
    MessageDlg(TooLargeToDecryptText(FileSizeOf(FileName), AvailablePhysicalMemory()), mtError,
               TMsgDlgButtons{mbOK});
  } else if (io->Aborted()) {
    // A decryption lets the message loop run: a file opened meanwhile takes
    // the view, and this road ends as at the load above.
    FDecryptGivenUp = false;
    if (cbPassWordMain->Checked()) DecryptAndLoad(FileName, cbCipher->ItemIndex(), edPassword->Text());
    if (FRoadCount != road) return;
    if (io->Aborted() && !FDecryptGivenUp) {
      if (frmPassword->ShowModal() == mrOk) {
        DecryptAndLoad(FileName, frmPassword->cbCipher->ItemIndex(), frmPassword->edPassword->Text());
        if (FRoadCount != road) return;
        if (FDecryptGivenUp) {
          // The user gave it up: nothing is known about the phrase.
        } else if (io->Aborted()) {
          Screen->SetCursor(crDefault);
          MessageDlg(kWrongPhraseText, mtError, TMsgDlgButtons{mbOK});
        } else if (frmPassword->cbRemember->Checked()) {
          cbCipher->SetItemIndex(frmPassword->cbCipher->ItemIndex());
          edPassword->SetText(frmPassword->edPassword->Text());
          cbPassWordMain->SetChecked(true);
        }
      }
      // The dialog's box has served: the phrase stays only where the user
      // asked to keep it (the dialog refills the box from what it remembers).
      frmPassword->edPassword->Clear();
    }
  }
  UpdateStatusBar();
  Imago1->AutoFit = false;
  const bool ok = !io->Aborted();
  if (ok && frmFullScreen->FIsOpen) frmFullScreen->CopyImageFrom(Imago1);
  ShowTitle(ok ? std::string(kTitle) + " - [" + ExtractFileName(FileName) + "]" : std::string(kTitle));
  for (TTBKItem* item : {btnFullScreen, btnSave, btnSaveCrypted, btnRotLeft, btnRotRight}) item->SetEnabled(ok);
  // A load updates the view itself, and the messages above usually painted
  // it already: rendering the same picture again would double the work the
  // open costs after the decode.
  if (!ok || Imago1->RenderDue()) RefreshView();
  if (Imago1->CanFocus()) Imago1->SetFocus();
  Screen->SetCursor(crDefault);
  guard.Done();
}

void TfrmMain::PrepareCipher(int32_t CipherIndex, const std::string& PassPhrase) {
  FCipherManager->SetHashManager(FHashManager);
  const std::string name =
      CipherIndex >= 0 && CipherIndex < kCipherCount ? std::string(kCipherNames[size_t(CipherIndex)]) : std::string();
  FCipherManager->SetAlgorithm(name);
  FCipherManager->InitKey(PassPhrase, nullptr);
}

// Whether the first bytes of a large file decrypt into the header of a picture
// of its extension's format. A wrong pass phrase or cipher, or a file that is
// no encrypted picture at all, shows there: such a file is not read whole
// into memory to find out (a file of gigabytes would take minutes, or more
// memory than there is). Only formats whose files begin with a signature
// are judged; the cipher starts again from its first block afterwards, and
// the source is back at its start.
bool TfrmMain::HeaderDecrypts(TStream& Source, int32_t Type, int32_t CipherIndex, const std::string& PassPhrase) {
  // Whole pieces of the coder (4096 bytes each) and whole blocks of every
  // cipher of the list: the header decrypts as it does within the file.
  constexpr int64_t kHeaderBytes = 48 * 1024;
  constexpr int64_t kLargeFile = int64_t{16} << 20;
  static const int32_t kSigned[] = {ieftBMP, ieftJPEG, ieftPNG, ieftGIF, ieftTIFF};
  const TIEFormatHandler* handler = FindFormatHandler(Type);
  TCipher* cipher = FCipherManager->GetCipher();
  if (Source.Size() <= kLargeFile || !cipher || cipher->BlockSize() <= 0 ||
      kHeaderBytes % cipher->BlockSize() != 0 ||
      std::find(std::begin(kSigned), std::end(kSigned), Type) == std::end(kSigned))
    return true;
  TWipedMemoryStream head;
  head.SetSize(kHeaderBytes);
  Source.SetPosition(0);
  Source.ReadBuffer(head.Memory(), kHeaderBytes);
  Source.SetPosition(0);
  head.SetPosition(0);
  cipher->ProcessStream(&head, &head, kHeaderBytes, caDecode);
  head.SetPosition(0);
  const bool header = FindStreamFormat(&head) == Type || (handler && handler->Test && handler->Test(&head));
  PrepareCipher(CipherIndex, PassPhrase);
  return header;
}

bool TfrmMain::DecryptableInMemory(const std::string& FileName) {
  // A file no reader takes is not decrypted at all.
  if (FindFileTypeByExtension(ExtractFileExt(FileName)) == ieftUnknown) return true;
  const int64_t size = FileSizeOf(FileName);
  const int64_t memory = AvailablePhysicalMemory();
  // A machine that does not tell its free memory is trusted.
  return size <= 0 || memory <= 0 || size <= memory;
}

std::string TfrmMain::TooLargeToDecryptText(int64_t FileBytes, int64_t FreeBytes) {
  auto mib = [](int64_t b) { return std::to_string((b >> 20) + ((b & 0xFFFFF) != 0 ? 1 : 0)); };
  return "The file takes " + mib(FileBytes) + " MB, more than the " + mib(FreeBytes) +
         " MB of free memory it would be decrypted in: it cannot be opened.";
}

// Decrypting a large file takes a while (seconds for every hundred
// megabytes). Meanwhile the window keeps answering, the status bar shows how
// far it has come, and Escape gives it up, as does another file opened
// meanwhile. False when given up; Dest then holds only what was done.
bool TfrmMain::DecryptWithProgress(TStream& Source, TStream& Dest) {
  using Clock = std::chrono::steady_clock;
  // Often enough for the window to answer at once, seldom enough to cost
  // nothing beside the cipher.
  constexpr auto kPumpEvery = std::chrono::milliseconds(50);
  const uint32_t road = FRoadCount;
  struct TGivenUp {};
  struct TDecrypting {
    bool& flag;
    explicit TDecrypting(bool& f) : flag(f) { flag = true; }
    ~TDecrypting() { flag = false; }
  } decrypting(FDecrypting);
  FDecryptGivenUp = false;
  Clock::time_point next = Clock::now();
  int32_t shown = -1;
  const TProgressEvent progress = [&](TObject*, int64_t Current, int64_t Maximal) {
    if (Maximal <= 0 || Clock::now() < next) return;
    const auto percent = static_cast<int32_t>(Current * 100 / Maximal);
    if (percent != shown) {
      shown = percent;
      TBKStatusBar->Panels()->PanelAt(0)->SetCaption("Decrypting: " + std::to_string(percent) + "%");
      TBKStatusBar->Update();
    }
    Application->ProcessMessages();
    next = Clock::now() + kPumpEvery;
    if (FDecryptGivenUp || FRoadCount != road || Application->Terminated()) throw TGivenUp{};
  };
  try {
    FCipherManager->GetCipher()->ProcessStream(&Source, &Dest, Source.Size(), caDecode, progress);
  } catch (const TGivenUp&) {
    FDecryptGivenUp = true;
    return false;
  }
  return true;
}

void TfrmMain::FormKeyDown(TObject*, uint16_t& Key, TShiftState) {
  if (Key == VK_ESCAPE && FDecrypting) {
    FDecryptGivenUp = true;
    Key = 0;
  }
}

// The file is decrypted into memory and read from there with the format of
// its extension: no plain image data reaches the disk, and no file beside it
// is created, overwritten or deleted.
void TfrmMain::DecryptAndLoad(const std::string& FileName, int32_t CipherIndex, const std::string& PassPhrase) {
  TImagoIO* io = Imago1->GetIO();
  PrepareCipher(CipherIndex, PassPhrase);
  // The key goes as soon as the file is decrypted, whichever way this ends.
  struct TBurnKey {
    TCipherManager* manager;
    ~TBurnKey() { manager->Burn(); }
  } burn{FCipherManager};
  const int32_t type = FindFileTypeByExtension(ExtractFileExt(FileName));
  // Decrypted into one block of the file's size whose pages cost only as
  // they are filled, and whose filled part is zeroed when the stream goes,
  // also when the load raises.
  std::unique_ptr<TZeroedMemoryStream> data;
  {
    // A file that cannot be opened raises here, whatever its extension.
    TFileStream source(FileName, fmOpenRead | fmShareDenyNone);
    if (type == ieftUnknown) {
      // No reader takes the decrypted bytes: the load fails as it would after
      // decrypting, without reading a file of any size into memory.
      TZeroedMemoryStream none(0);
      io->LoadFromStreamOfType(&none, type);
      return;
    }
    if (!HeaderDecrypts(source, type, CipherIndex, PassPhrase)) {
      io->SetAborted(true);
      return;
    }
    try {
      data = std::make_unique<TZeroedMemoryStream>(source.Size());
    } catch (const std::bad_alloc&) {
      throw EOutOfMemory(TooLargeToDecryptText(source.Size(), AvailablePhysicalMemory()));
    }
    source.SetPosition(0);
    // Given up: the view keeps what the failed load left, or what a file
    // opened meanwhile put there.
    if (!DecryptWithProgress(source, *data)) return;
  }
  data->SetPosition(0);
  io->LoadFromStreamOfType(data.get(), type);
}

// ---- saving

bool TfrmMain::WriteImage(const std::string& FileName, TStream& Stream) {
  TImagoIO* io = Imago1->GetIO();
  const int32_t type = FindFileTypeByExtension(ExtractFileExt(FileName));
  // The options dialog shows a JPEG quality: a JPEG file, plain or to be
  // encrypted, is written with it rather than with the quality the loaded
  // image carried. The image keeps its own parameters for other uses.
  TIOParamsVals* params = io->Params();
  const int32_t own_quality = params->JpegQuality;
  struct TRestoreQuality {
    TIOParamsVals* params;
    int32_t quality;
    ~TRestoreQuality() { params->JpegQuality = quality; }
  } restore{params, own_quality};
  if (type == ieftJPEG) params->JpegQuality = std::clamp(ReadRegInteger("Options", "JPG_Quality", 100), 0, 100);
  io->SaveToStream(&Stream, type);
  if (io->Aborted()) {
    Stream.SetSize(0);
    MessageDlg("The image could not be saved as \"" + ExtractFileName(FileName) + "\".", mtError,
               TMsgDlgButtons{mbOK});
    return false;
  }
  return true;
}

bool TfrmMain::MayReplace(const std::string& FileName) {
  // A save goes through a new file renamed into place, which the folder's
  // permissions allow whatever the old file's say: the user is asked, as
  // editors do, before a file someone protected is replaced. The new file
  // keeps the old one's permissions, so it stays protected.
  if (!FileIsWriteProtected(FileName)) return true;
  return MessageDlgDef(ExtractFileName(FileName) + " is write-protected.\nDo you want to replace it anyway?",
                       mtWarning, TMsgDlgButtons{mbYes, mbNo}, mbNo) == mrYes;
}

void TfrmMain::btnSaveClick(TObject*) {
  SaveDialogFileName = OpenDialogFileName;
  std::string name = SaveDialogFileName;
  if (!SaveDialogExecute || !SaveDialogExecute(name)) return;
  SaveDialogFileName = name;
  if (!MayReplace(name)) return;
  TMemoryStream data;
  if (!WriteImage(name, data)) return;
  TAtomicFileWriter out(name);
  out.Stream()->WriteBuffer(data.Memory(), data.Size());
  out.Commit();
}

void TfrmMain::btnSaveCryptedClick(TObject*) {
  if (frmPassword->ShowModal() != mrOk) return;
  // The dialog's box holds the phrase only until this road has used it, or
  // has ended without using it.
  struct TClearPhrase {
    ~TClearPhrase() { frmPassword->edPassword->Clear(); }
  } clearPhrase;
  SaveDialogFileName = OpenDialogFileName;
  std::string name = SaveDialogFileName;
  if (!SaveDialogExecute || !SaveDialogExecute(name)) return;
  SaveDialogFileName = name;
  if (!MayReplace(name)) return;
  // The plain image file only ever lives in memory that is zeroed when it is
  // given back.
  TWipedMemoryStream plain;
  TMemoryStream coded;
  if (!WriteImage(name, plain)) return;
  PrepareCipher(frmPassword->cbCipher->ItemIndex(), frmPassword->edPassword->Text());
  plain.SetPosition(0);
  // The coded file is as long as the plain one: take its room at once.
  coded.SetSize(plain.Size());
  coded.SetPosition(0);
  FCipherManager->GetCipher()->ProcessStream(&plain, &coded, plain.Size(), caEncode);
  FCipherManager->Burn();
  plain.Clear();
  TAtomicFileWriter out(name);
  out.Stream()->WriteBuffer(coded.Memory(), coded.Size());
  out.Commit();
}

// ---- folder browser

void TfrmMain::BrowseFolder(const std::string& Dir) {
  FCurrentDir = Dir;
  lvDirs->Items()->Clear();
  struct TEntry {
    std::string name;
    bool folder;
  };
  // Every entry but ".", hidden ones too, a link to a folder as a folder;
  // the search gives ".." first, then the names ignoring case.
  std::vector<TEntry> entries;
  TSearchRec f;
  for (int rc = FindFirst(Dir + "/*", faAnyFile, f); rc == 0; rc = FindNext(f))
    if (f.Name != ".") entries.push_back(TEntry{f.Name, (f.Attr & faDirectory) != 0});
  FindClose(f);
  // One layout for the whole listing: a folder of thousands of entries would
  // otherwise be measured again after every added item.
  TListItems* items = lvDirs->Items();
  items->BeginUpdate();
  struct TUpdateEnd {
    TListItems* items;
    ~TUpdateEnd() { items->EndUpdate(); }
  } updateEnd{items};
  for (const TEntry& e : entries) {
    int32_t icon = kIconEntry;
    if (LowerCase(e.name).find(".jpg") != std::string::npos) icon = kIconJpeg;
    // A plain folder; a hidden one keeps the other icons.
    if (e.folder && (e.name == ".." || e.name[0] != '.')) icon = kIconFolder;
    TListItem* item = items->Add();
    item->SetCaption(e.name);
    item->SetImageIndex(icon);
  }
  WriteRegString("Options", "Browser_Last_dir", Dir);
}

void TfrmMain::lvDirsDblClick(TObject*) {
  const TListItem* item = lvDirs->Selected();
  if (!item || FCurrentDir.empty()) return;
  // Every ".." adds to the folder's name; before it grows past what the
  // system takes (and the browser could go nowhere), the folder's real name
  // stands in for it.
  std::string dir = FCurrentDir;
  if (dir.size() > kLongFolderName) {
    if (char* real = ::realpath(dir.c_str(), nullptr)) {
      dir = real;
      ::free(real);
    }
  }
  const std::string path = dir + "/" + item->Caption();
  if (FileExists(path)) {
    OpenImage(path);
  } else if (DirectoryExists(path)) {
    FCurrentDir = path;
    BrowseFolder(path);
  }
}

void TfrmMain::Imago1KeyUp(TObject*, uint16_t& Key, TShiftState) {
  if (Timer1->Enabled()) return;
  Timer1->SetEnabled(true);
  struct TBusy {
    TTimer* t;
    ~TBusy() { t->SetEnabled(false); }
  } busy{Timer1};
  if (lvDirs->ItemIndex() >= 0 && !FCurrentDir.empty()) {
    const int32_t selected = lvDirs->ItemIndex();
    int32_t n = selected;
    if (Key == VK_RIGHT || Key == VK_DOWN) ++n;
    else if (Key == VK_LEFT || Key == VK_UP) --n;
    if (n >= 0 && n < lvDirs->Items()->Count() && n != selected) {
      lvDirs->SetItemIndex(n);
      lvDirs->Items()->Item(n)->MakeVisible(true);
      lvDirsDblClick(lvDirs);
    }
    Key = 0;
    Application->ProcessMessages();
  }
}

// ---- image commands

void TfrmMain::btnClearClick(TObject*) {
  Imago1->Clear();
  RefreshView();
}

void TfrmMain::btnFullScreenClick(TObject*) {
  frmFullScreen->CopyImageFrom(Imago1);
  frmFullScreen->FIsOpen = true;
  ShowCursor(false);
  frmFullScreen->ShowModal();
  // However the window ended, the cursor comes back once.
  if (frmFullScreen->FIsOpen) {
    frmFullScreen->FIsOpen = false;
    ShowCursor(true);
  }
}

void TfrmMain::btnRotLeftClick(TObject* Sender) {
  TRoadGuard guard(Imago1);
  const bool autoFit = Imago1->AutoFit;
  Screen->SetCursor(crHourGlass);
  ImagoProc1->Rotate(Sender == btnRotRight ? 270 : 90, false, raNone, TColor(-1));
  RefreshView();
  Screen->SetCursor(crDefault);
  Imago1->AutoFit = autoFit;
  guard.Done();
}

void TfrmMain::btnOptionsClick(TObject*) { frmOptions->ShowModal(); }

void TfrmMain::btnAboutClick(TObject*) { ShowAbout(); }
