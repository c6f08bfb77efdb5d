// The windows' translations: each window's own texts, the language taken
// from the user's locale, and the optional translation file in the current
// folder.
#include "tests/e2e/ProgramTestSupport.h"

#include "app/Translations.h"
#include "l10n/TlxCustomLang.h"
#include "l10n/TlxLangDispatcher.h"
#include "panels/TUxNavBar.h"
#include "toolbar/TTBKItem.h"
#include "ui/MessageDlg.h"

namespace {

class TranslationTest : public ProgramTest {
 protected:
  std::string cwd_;

  void SetUp() override {
    ProgramTest::SetUp();
    cwd_ = fs::current_path().string();
    fs::current_path(dir_);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
  }
  void TearDown() override {
    fs::current_path(cwd_);
    ProgramTest::TearDown();
  }
  // Ends the program and starts the platform again, as a new run would.
  void EndProgram() {
    HeadlessSetIdleHandler(nullptr);
    DoneControls();
    ShutdownPlatform();
    frmMain = nullptr;
    frmPassword = nullptr;
    frmOptions = nullptr;
    frmFullScreen = nullptr;
    frmSplash = nullptr;
    ASSERT_TRUE(InitPlatformWith("headless"));
    HeadlessSetScreenSize(1024, 768);
    HeadlessSetClock(1000);
    InitControls();
  }
  static void AddSpanish(TlxLang* Lang, const std::string& Key, const std::string& Text) {
    Lang->SetEntryValue(Lang->Captions(), Text, 6, Key);
  }
};

}  // namespace

TEST_F(TranslationTest, EachWindowCarriesItsTextsAndFollowsTheDispatcher) {
  setenv("LANG", "es_ES.UTF-8", 1);
  StartProgram();
  TlxLangDispatcher* d = frmMain->lxLangDispatcher1;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Name(), "lxLangDispatcher1");
  EXPECT_EQ(d->FileName(), "bin/languages.lng");
  EXPECT_EQ(d->NumOfLanguages(), 6);
  EXPECT_EQ(d->ActiveLanguage(), 6);
  for (TForm* f : std::initializer_list<TForm*>{frmMain, frmPassword, frmOptions}) {
    TlxLang* lang = dynamic_cast<TlxLang*>(f->FindComponent("lxLang1"));
    ASSERT_NE(lang, nullptr) << f->Name();
    EXPECT_EQ(lang->LangDispatcher(), d) << f->Name();
    EXPECT_GT(lang->Captions()->Count(), 5) << f->Name();
  }
  EXPECT_EQ(frmMain->lxLang1->GetEntryText(frmMain->lxLang1->Captions(), "btnLoad", 1), "Open Image");
  EXPECT_EQ(frmMain->lxLang1->GetEntryText(frmMain->lxLang1->Hints(), "btnSave", 1), "Save without encription");
  EXPECT_EQ(frmPassword->lxLang1->GetEntryText(frmPassword->lxLang1->Captions(), "cbRemember", 1),
            "Remember secret phrase for next image");
  EXPECT_EQ(frmOptions->lxLang1->GetEntryText(frmOptions->lxLang1->Captions(), "cbFitOnWindow", 1),
            "Fit on window");
  // Without a translation file the main window shows its own Spanish texts,
  // the dialogs (whose data hold English only) stay English, and the title
  // is the program's.
  EXPECT_EQ(frmMain->btnLoad->Caption(), "Abrir imagen");
  EXPECT_EQ(frmMain->btnSaveCrypted->Hint(), "Guardar imagen cifrada");
  EXPECT_EQ(frmMain->UxNavBarPanel2->Caption(), "Contraseña");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_EQ(frmPassword->cbRemember->Caption(), "Remember secret phrase for next image");
  EXPECT_EQ(frmOptions->btnCancel->Caption(), "Cancel");

  // A switch of the dispatcher reaches every linked window.
  AddSpanish(frmMain->lxLang1, "btnLoad", "Abrir imagen");
  AddSpanish(frmMain->lxLang1, "TfrmMain", "Principal");
  AddSpanish(frmOptions->lxLang1, "btnCancel", "Cancelar");
  SwitchLanguage(d, 1);
  EXPECT_EQ(frmMain->btnLoad->Caption(), "Open Image");
  SwitchLanguage(d, 6);
  EXPECT_EQ(frmMain->btnLoad->Caption(), "Abrir imagen");
  EXPECT_EQ(frmOptions->btnCancel->Caption(), "Cancelar");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40") << "the title is kept out of translation";
}

TEST_F(TranslationTest, TheTranslationFileReachesTheDialogsOnlyWhenItExists) {
  // A first run writes the translation file with Spanish texts.
  setenv("LANG", "C", 1);
  StartProgram();
  AddSpanish(frmMain->lxLang1, "btnLoad", "Abrir imagen");
  AddSpanish(frmPassword->lxLang1, "cbRemember", "Recordar la frase");
  AddSpanish(frmOptions->lxLang1, "btnCancel", "Cancelar");
  fs::create_directory(dir_ + "/bin");
  const std::string file = dir_ + "/bin/languages.lng";
  for (TlxLang* l : {frmMain->lxLang1, frmPassword->lxLang1, frmOptions->lxLang1}) l->SaveToLngFile(file, "~!@#");
  std::string saved = ReadFileBytes(file);
  EndProgram();

  // Spanish user with the file: every window shows its Spanish texts.
  setenv("LANG", "es_ES.UTF-8", 1);
  StartProgram();
  EXPECT_EQ(frmMain->btnLoad->Caption(), "Abrir imagen");
  EXPECT_EQ(frmMain->btnSave->Caption(), "Guardar imagen");
  EXPECT_EQ(frmPassword->cbRemember->Caption(), "Recordar la frase");
  EXPECT_EQ(frmOptions->btnCancel->Caption(), "Cancelar");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EndProgram();

  // Without the file the dialogs stay English.
  fs::remove(file);
  StartProgram();
  EXPECT_EQ(frmMain->lxLang1->ActiveLanguage(), 6);
  EXPECT_EQ(frmPassword->cbRemember->Caption(), "Remember secret phrase for next image");
  EXPECT_EQ(frmOptions->btnCancel->Caption(), "Cancel");
  EndProgram();

  // A translation file that cannot be read or applied leaves the windows
  // with their own texts.
  for (const std::string& bad : {std::string("\xFF\xFE\x00garbage[Captions]\r\nTfrmMain.=\x01\x19\x1A", 26),
                                 saved.substr(0, saved.size() / 2)}) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bad;
    StartProgram();
    ASSERT_NE(frmMain, nullptr);
    EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
    EXPECT_FALSE(frmMain->btnLoad->Caption().empty());
    EndProgram();
  }
  fs::remove(file);
  fs::create_directory(file);  // a folder where the file should be
  StartProgram();
  ASSERT_NE(frmMain, nullptr);
  EXPECT_EQ(frmMain->btnLoad->Caption(), "Abrir imagen");
}

TEST_F(TranslationTest, MessageDialogsTakeTheMainWindowsLanguage) {
  std::vector<std::string> saved;
  for (int32_t i = 0; i < MsgDlgCaptionCount; ++i) saved.push_back(MsgDlgCaption(i));
  setenv("LANG", "es_ES.UTF-8", 1);
  StartProgram();
  EXPECT_EQ(MsgDlgCaption(mdcWarning), "Advertencia");
  EXPECT_EQ(MsgDlgCaption(mdcYes), "&Sí");
  EXPECT_EQ(MsgDlgCaption(mdcNoToAll), "N&o a todos");
  EXPECT_EQ(MsgDlgCaption(mdcHelp), "Ay&uda");
  SwitchLanguage(frmMain->lxLangDispatcher1, 3);
  EXPECT_EQ(MsgDlgCaption(mdcYesToAll), "Ja für &alle");
  SwitchLanguage(frmMain->lxLangDispatcher1, 1);
  EXPECT_EQ(MsgDlgCaption(mdcNoToAll), "N&o to All");
  for (int32_t i = 0; i < MsgDlgCaptionCount; ++i) SetMsgDlgCaption(i, saved[i]);
}
