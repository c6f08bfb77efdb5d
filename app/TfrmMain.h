#pragma once
// The main window: toolbar, navigation bar with the folder browser and the
// pass-phrase box, the image view and the status bar; the roads of opening,
// saving, browsing, full screen and rotation start here.

#include <functional>
#include <string>

#include "ui/TForm.h"

class TAppImago;
class TComboBox;
class TEdit;
class TListView;
class TSplitter;
class TCipherManager;
class TGradientLabel;
class THashManager;
class TImageList;
class TImago;
class TImagoProc;
class TTBKCheckBox;
class TTBKDock;
class TTBKItem;
class TTBKSeparatorItem;
class TTBKStatusBar;
class TTBKToolbar;
class TTimer;
class TUxNavBar;
class TUxNavBarPanel;
class TOpenImagoDialog;
class TlxLang;
class TlxLangDispatcher;
class TSaveImagoDialog;

constexpr const char* kTitle = "Nobrivo 1.40";
constexpr const char* kWrongPhraseText = "Clave incorrecta, no se puede cargar la imagen";

// Asks for a file name; false when cancelled. FileName holds the preset.
using TFileNameDialog = std::function<bool(std::string& FileName)>;

class TfrmMain : public TForm {
  RTL_CLASS(TfrmMain, TForm)
 public:
  explicit TfrmMain(TComponent* AOwner);

  TAppImago* Imago1;
  TUxNavBar* UxNavBar1;
  TUxNavBarPanel* UxNavBarPanel1;
  TListView* lvDirs;
  TUxNavBarPanel* UxNavBarPanel2;
  TGradientLabel* GradientLabel1;
  TGradientLabel* GradientLabel2;
  TComboBox* cbCipher;
  TEdit* edPassword;
  TTBKCheckBox* cbPassWordMain;
  TSplitter* Splitter1;
  TTBKDock* TBKDock1;
  TTBKToolbar* TBKToolbar1;
  TTBKItem* btnClear;
  TTBKItem* btnLoad;
  TTBKItem* btnSave;
  TTBKItem* btnSaveCrypted;
  TTBKItem* btnFullScreen;
  TTBKItem* btnRotLeft;
  TTBKItem* btnRotRight;
  TTBKItem* btnOptions;
  TTBKItem* btnAbout;
  TTBKStatusBar* TBKStatusBar;
  TImageList* ImageListButtons;
  TImagoProc* ImagoProc1;
  TTimer* Timer1;
  // The window's texts in every language, and the switch of all windows.
  TlxLang* lxLang1;
  TlxLangDispatcher* lxLangDispatcher1;

  TOpenImagoDialog* OpenImagoDialog1;
  TSaveImagoDialog* SaveImagoDialog1;
  // The runs of the file dialogs. The open dialog's file name presets the save dialog.
  TFileNameDialog OpenDialogExecute;
  TFileNameDialog SaveDialogExecute;
  std::string OpenDialogFileName;
  std::string SaveDialogFileName;

  // The user-interface language: 1 English, 2 French, 3 German, 4 Italian,
  // 5 Portuguese, 6 Spanish.
  int32_t ActiveLanguage() const { return activeLanguage_; }
  static int32_t LanguageOfLangId(uint16_t LangId);

  const std::string& CurrentDir() const { return FCurrentDir; }
  THashManager* HashManager() const { return FHashManager; }
  TCipherManager* CipherManager() const { return FCipherManager; }

  void OpenImage(const std::string& FileName);
  void DecryptAndLoad(const std::string& FileName, int32_t CipherIndex, const std::string& PassPhrase);
  bool HeaderDecrypts(class TStream& Source, int32_t Type, int32_t CipherIndex, const std::string& PassPhrase);
  // Whether the last decryption was given up (Escape, or another file
  // opened meanwhile) before it ended.
  bool DecryptGivenUp() const { return FDecryptGivenUp; }
  // Whether the memory free now can hold the file decrypted.
  static bool DecryptableInMemory(const std::string& FileName);
  // The message for a file that memory cannot hold decrypted.
  static std::string TooLargeToDecryptText(int64_t FileBytes, int64_t FreeBytes);
  void BrowseFolder(const std::string& Dir);
  void UpdateStatusBar();
  // The view shows its image again.
  void RefreshView();

  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormDestroy(TObject* Sender);
  void btnClearClick(TObject* Sender);
  void btnLoadClick(TObject* Sender);
  void btnSaveClick(TObject* Sender);
  void btnSaveCryptedClick(TObject* Sender);
  void btnFullScreenClick(TObject* Sender);
  void btnRotLeftClick(TObject* Sender);
  void btnOptionsClick(TObject* Sender);
  void btnAboutClick(TObject* Sender);
  void lvDirsDblClick(TObject* Sender);
  void Imago1KeyUp(TObject* Sender, uint16_t& Key, TShiftState Shift);
  // Escape gives up a decryption under way.
  void FormKeyDown(TObject* Sender, uint16_t& Key, TShiftState Shift);

 private:
  // Sets up the cipher manager for the cipher at Index of the cipher list
  // and derives the key from the pass phrase.
  void PrepareCipher(int32_t CipherIndex, const std::string& PassPhrase);
  // Decrypts all of Source into Dest with the prepared cipher, keeping the
  // window answering; false when given up.
  bool DecryptWithProgress(class TStream& Source, class TStream& Dest);
  // Writes the view's image, encoded as the extension of FileName says,
  // into Stream; false (after an error box) when the writer failed.
  bool WriteImage(const std::string& FileName, class TStream& Stream);
  // False when FileName is write-protected and the user keeps it.
  bool MayReplace(const std::string& FileName);
  void BuildToolbar();
  void BuildNavBar();

  // The window title is kept out of translation.
  void ShowTitle(const std::string& Title);
  std::string FTitle;
  bool FFirstActivation = true;
  std::string FCurrentDir;
  // Counts the open roads; a road that finds it changed after letting the
  // message loop run was overtaken by a later one.
  uint32_t FRoadCount = 0;
  // A decryption is under way; the user gave the last one up.
  bool FDecrypting = false;
  bool FDecryptGivenUp = false;
  THashManager* FHashManager = nullptr;
  TCipherManager* FCipherManager = nullptr;
  int32_t activeLanguage_ = 1;
};

extern TfrmMain* frmMain;
