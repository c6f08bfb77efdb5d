// The real main window on the headless backend: start-up, the open and save
// roads with and without encryption, the folder browser, options, rotation,
// clearing, full screen and the about box.
#include "tests/e2e/ProgramTestSupport.h"

#include <cstdio>

#include "app/CipherList.h"
#include "app/Settings.h"
#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "imaging/view/TOpenImagoDialog.h"
#include "imaging/view/TSaveImagoDialog.h"
#include "panels/TUxNavBar.h"
#include "platform/Input.h"
#include "platform/Registry.h"
#include "platform/SysInfo.h"
#include "toolbar/TBKThemedControls.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKItemViewer.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TListView.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TTrackBar.h"

namespace {

bool StartsWithImageSignature(const std::string& Bytes) {
  return Bytes.rfind("\xFF\xD8", 0) == 0 || Bytes.rfind("\x89PNG", 0) == 0 || Bytes.rfind("BM", 0) == 0;
}

std::vector<TTBKItem*> ImageItems() {
  return {frmMain->btnSave, frmMain->btnSaveCrypted, frmMain->btnFullScreen, frmMain->btnRotLeft,
          frmMain->btnRotRight};
}

// The raw stored value: its kind and text.
bool StoredValue(const std::string& Name, DWORD& Type, std::string& Text) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Options", 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  BYTE buf[1024];
  DWORD size = sizeof buf;
  LONG rc = RegQueryValueEx(key, Name.c_str(), nullptr, &Type, buf, &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  Text.assign(reinterpret_cast<char*>(buf), size);
  while (!Text.empty() && Text.back() == '\0') Text.pop_back();
  return true;
}

// The folder browser's captions and icons, top to bottom.
void ListedEntries(std::vector<std::string>& Names, std::vector<int32_t>& Icons) {
  for (int32_t i = 0; i < frmMain->lvDirs->Items()->Count(); ++i) {
    Names.push_back(frmMain->lvDirs->Items()->Item(i)->Caption());
    Icons.push_back(frmMain->lvDirs->Items()->Item(i)->ImageIndex());
  }
}

}  // namespace

TEST_F(ProgramTest, StartUpShowsTheMainWindowWithItsDefaults) {
  StartProgram();
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_EQ(frmSplash, nullptr) << "the start-up screen is freed at the first activation";

  std::vector<std::string> captions;
  TDKCustomItem* root = frmMain->TBKToolbar1->Items();
  for (int32_t i = 0; i < root->ChildCount(); ++i)
    if (!dynamic_cast<TDKSeparatorItem*>(root->GetItem(i))) captions.push_back(root->GetItem(i)->Caption());
  EXPECT_EQ(captions, (std::vector<std::string>{"Clear Image", "Open Image", "Save Image", "Save Encrypted",
                                                "Full Screen", "Rotate Left", "Rotate Right", "Options", "About"}));
  for (TTBKItem* item : ImageItems()) EXPECT_FALSE(item->Enabled()) << item->Name();
  EXPECT_TRUE(frmMain->btnLoad->Enabled());
  EXPECT_EQ(frmMain->UxNavBar1->Panels(0)->Caption(), "Browser");
  EXPECT_EQ(frmMain->UxNavBar1->Panels(1)->Caption(), "Password box");
  EXPECT_EQ(frmMain->UxNavBar1->ActiveTabIndex(), 0);
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(Status(i), "");
    EXPECT_EQ(frmMain->TBKStatusBar->Panels()->PanelAt(i)->Size(), 70);
  }
  EXPECT_EQ(frmMain->lvDirs->Items()->Count(), 0);
  EXPECT_EQ(frmMain->ActiveLanguage(), 1);
  EXPECT_EQ(frmMain->Imago1->MouseInteract(), (TIEMouseInteract{miZoom, miScroll}));

  // Defaults of an empty store: RC4, fit and maximise on, quality 100.
  EXPECT_EQ(frmPassword->cbCipher->ItemIndex(), 21);
  EXPECT_TRUE(frmOptions->cbFitOnWindow->Checked());
  EXPECT_TRUE(frmOptions->cbMaxScreen->Checked());
  EXPECT_TRUE(frmOptions->cbHideSecret->Checked());
  EXPECT_FALSE(frmOptions->cbRemember->Checked());
  EXPECT_EQ(frmOptions->TBQualityJPG->Position(), 100);
  EXPECT_EQ(frmMain->WindowState(), wsMaximized);
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo", 0, KEY_READ, &key), ERROR_SUCCESS);
  if (key) RegCloseKey(key);

  // The image area in sky blue (red 166, green 202, blue 240).
  frmMain->Repaint();
  Surface s = CopyWindowPixels(frmMain->Imago1->Handle());
  ASSERT_GT(s.Width(), 300);
  const uint32_t px = s.At(s.Width() - 20, s.Height() / 2);
  EXPECT_EQ((px >> 16) & 0xFF, 166u);
  EXPECT_EQ((px >> 8) & 0xFF, 202u);
  EXPECT_EQ(px & 0xFF, 240u);
  SaveWindowPng(frmMain->Handle(), dir_ + "/main.png");
}

TEST_F(ProgramTest, TheMainToolbarAndDockAreMeasuredAndPaintedByTheTheme) {
  StartProgram();
  ASSERT_NE(CurrentTheme, nullptr);
  TTBKToolbar* bar = frmMain->TBKToolbar1;
  // Docked: a flat toolbar whose items, separators and chevron are the
  // themed ones.
  const uint32_t kind = QueryComponentViewKind(bar);
  EXPECT_TRUE(ViewKindIs(kind, tbkvNormalToolbar));
  EXPECT_FALSE(kind & tbkvOpaqueItems);
  EXPECT_FALSE(kind & tbkvFloating);
  bar->View()->EnsureLayout();
  int32_t items = 0;
  for (int32_t i = 0; i < bar->View()->ViewerCount(); ++i) {
    TDKItemViewer* v = bar->View()->Viewers(i);
    if (dynamic_cast<TTBKItem*>(v->Item())) {
      EXPECT_NE(dynamic_cast<TTBKItemViewer*>(v), nullptr);
      ++items;
    }
  }
  EXPECT_EQ(items, 9);
  EXPECT_NE(dynamic_cast<TTBKChevronItem*>(bar->Chevron()), nullptr);
  EXPECT_EQ(bar->EffectiveColor(), CurrentTheme->GetViewBackColor(kind));
  EXPECT_EQ(GetParentColor(frmMain->TBKDock1), GetParentColor(frmMain));
  // The Open button (enabled) shows raised under the mouse.
  const TRect r = bar->ItemRect(frmMain->btnLoad);
  const TPoint o = bar->ClientOrigin();
  TRect wr;
  GetWindowRect(bar->Handle(), wr);
  InjectMouseMove(TPoint{o.X + (r.Left + r.Right) / 2, o.Y + (r.Top + r.Bottom) / 2});
  Pump();
  bar->Repaint();
  const Surface s = CopyWindowPixels(bar->Handle());
  EXPECT_EQ(s.At(o.X - wr.Left + r.Left, o.Y - wr.Top + r.Top) & 0xFFFFFF,
            ColorRefToPixel(GetSysColor(COLOR_BTNHIGHLIGHT)));
}

TEST_F(ProgramTest, LanguageFollowsThePrimaryLanguage) {
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0C0A), 6);  // Spanish
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0407), 3);
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x040C), 2);
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0410), 4);
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0816), 5);
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0409), 1);
  EXPECT_EQ(TfrmMain::LanguageOfLangId(0x0411), 1);  // Japanese
}

TEST_F(ProgramTest, OpensAPlainJpegAndShowsItsFacts) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  UseFileDialogs(photo, "");
  frmMain->btnLoad->Click();
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [photo.jpg]");
  EXPECT_EQ(Status(0), "24");
  EXPECT_EQ(Status(1), "W: 64");
  EXPECT_EQ(Status(2), "H: 48");
  EXPECT_EQ(Status(3), "DPI: 72");
  for (TTBKItem* item : ImageItems()) EXPECT_TRUE(item->Enabled()) << item->Name();
  EXPECT_FALSE(frmMain->Imago1->AutoFit);
  // The open road lists the file's folder.
  EXPECT_EQ(frmMain->CurrentDir(), dir_ + "/pics");
  EXPECT_EQ(ReadRegString("Options", "Browser_Last_dir", ""), dir_ + "/pics");
}

// A double click in the folder browser shows the picture fitted to the view,
// rendered once: the load brings the view up to date and the road's own
// messages paint it, and the end of the road does not render the same
// picture a second time.
TEST_F(ProgramTest, ADoubleClickedPictureIsShownAfterOneRender) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.png", "xc:#2050C0", "640x480")) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->BrowseFolder(pics);
  int32_t index = -1;
  for (int32_t i = 0; i < frmMain->lvDirs->Items()->Count(); ++i)
    if (frmMain->lvDirs->Items()->Item(i)->Caption() == "a.png") index = i;
  ASSERT_GE(index, 0);
  int renders = 0;
  frmMain->Imago1->OnDrawBackBuffer = [&](TObject*) { ++renders; };
  const TRect r = frmMain->lvDirs->ItemRect(index);
  DoubleClickAt(frmMain->lvDirs, r.Left + 5, (r.Top + r.Bottom) / 2);
  Application->ProcessMessages();
  frmMain->Imago1->OnDrawBackBuffer = nullptr;
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.png]");
  EXPECT_EQ(renders, 1);
  // Fitted: the picture's colour reaches across the view on one axis.
  const int32_t vw = frmMain->Imago1->ClientWidth(), vh = frmMain->Imago1->ClientHeight();
  const TRect shown = ExtentOf(CopyWindowPixels(frmMain->Imago1->Handle()), 0x2050C0);
  EXPECT_TRUE(shown.Right - shown.Left >= vw - 2 || shown.Bottom - shown.Top >= vh - 2)
      << shown.Left << "," << shown.Top << " " << shown.Right << "," << shown.Bottom << " in " << vw << "x" << vh;
}

TEST_F(ProgramTest, SavesEncryptedAndReopensThroughThePassPhraseDialog) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string plain = dir_ + "/pics/plain.jpg", secret = dir_ + "/pics/secret.jpg";
  UseFileDialogs(photo, plain);
  frmMain->btnLoad->Click();
  frmMain->btnSave->Click();
  ASSERT_TRUE(fs::exists(plain));

  UseFileDialogs(photo, secret);
  WithSteps({AnswerPassword(37, "open sesame")}, [] { frmMain->btnSaveCrypted->Click(); });
  const std::string p = ReadFileBytes(plain), e = ReadFileBytes(secret);
  ASSERT_FALSE(e.empty());
  EXPECT_EQ(e.size(), p.size());
  EXPECT_FALSE(StartsWithImageSignature(e));
  EXPECT_NE(e, p);
  // The same bytes as the cipher manager's file coding of the plain file.
  {
    THashManager hash(nullptr);
    TCipherManager cipher(nullptr);
    cipher.SetHashManager(&hash);
    cipher.SetAlgorithm("Twofish");
    cipher.InitKey("open sesame", nullptr);
    cipher.EncodeFile(plain, dir_ + "/reference.bin");
    cipher.SetHashManager(nullptr);
  }
  EXPECT_EQ(ReadFileBytes(dir_ + "/reference.bin"), e);
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), (std::vector<std::string>{"photo.jpg", "plain.jpg", "secret.jpg"}));

  // Reopen: the load fails, the dialog asks, the right cipher opens it.
  frmMain->btnClear->Click();
  WithSteps({AnswerPassword(37, "open sesame")}, [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.jpg]");
  EXPECT_EQ(Status(1), "W: 64");
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), (std::vector<std::string>{"photo.jpg", "plain.jpg", "secret.jpg"}))
      << "no temporary file is left or made";
  EXPECT_FALSE(frmMain->cbPassWordMain->Checked()) << "Remember was not checked";
}

// The JPEG quality of the options dialog, set there by the user, is the
// quality of the JPEG files both save roads write (ImageMagick reads it back;
// the encrypted file is decoded first).
TEST_F(ProgramTest, JpegSavesUseTheQualityOfTheOptions) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo, "gradient:red-blue -quality 90")) GTEST_SKIP() << "ImageMagick is not installed";
  const auto quality_of = [](const std::string& Path) {
    std::string out;
    if (FILE* p = ::popen(("/usr/bin/identify -format %Q '" + Path + "' 2>/dev/null").c_str(), "r")) {
      char buf[64];
      while (std::fgets(buf, sizeof buf, p)) out += buf;
      ::pclose(p);
    }
    return out;
  };
  ASSERT_EQ(quality_of(photo), "90");
  StartProgram();
  const std::string plain = dir_ + "/pics/plain.jpg", secret = dir_ + "/pics/secret.jpg";
  UseFileDialogs(photo, plain);
  frmMain->btnLoad->Click();
  const int32_t loaded_quality = frmMain->Imago1->GetIO()->Params()->JpegQuality;
  ASSERT_NE(loaded_quality, 49);
  WithSteps({[&] {
              ASSERT_EQ(Screen->ActiveForm(), frmOptions);
              TPageControl* pages = frmOptions->PageControl1;
              const TRect tab = pages->TabRect(frmOptions->TabSheet4->PageIndex());
              ClickAt(pages, (tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2);
              ASSERT_EQ(pages->ActivePage(), frmOptions->TabSheet4);
              TTrackBar* quality = frmOptions->TBQualityJPG;
              ClickAt(quality, 2, 2);
              ASSERT_TRUE(quality->Focused());
              PressKey(VK_HOME);
              for (int32_t i = 0; i < 49; ++i) PressKey(VK_RIGHT);
              EXPECT_EQ(quality->Position(), 49);
              ClickCentre(frmOptions->btnOK);
            }},
            [] { frmMain->btnOptions->Click(); });
  ASSERT_EQ(ReadRegInteger("Options", "JPG_Quality", 0), 49);

  frmMain->btnSave->Click();
  EXPECT_EQ(quality_of(plain), "49");

  UseFileDialogs(photo, secret);
  WithSteps({AnswerPassword(21, "q")}, [] { frmMain->btnSaveCrypted->Click(); });
  {
    THashManager hash(nullptr);
    TCipherManager cipher(nullptr);
    cipher.SetHashManager(&hash);
    cipher.SetAlgorithm(kCipherNames[21]);
    cipher.InitKey("q", nullptr);
    cipher.DecodeFile(secret, dir_ + "/decoded.jpg");
    cipher.SetHashManager(nullptr);
  }
  EXPECT_EQ(quality_of(dir_ + "/decoded.jpg"), "49");
  // The loaded image keeps its own parameters.
  EXPECT_EQ(frmMain->Imago1->GetIO()->Params()->JpegQuality, loaded_quality);
}

TEST_F(ProgramTest, AWrongPhraseShowsTheMessageAndChangesNoFile) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string secret = dir_ + "/pics/secret.jpg";
  UseFileDialogs(photo, secret);
  frmMain->btnLoad->Click();
  WithSteps({AnswerPassword(21, "right")}, [] { frmMain->btnSaveCrypted->Click(); });
  const std::string before = ReadFileBytes(secret);
  // A file under the old temporary name is left alone.
  { std::ofstream(secret + ".jpg") << "keep me"; }

  std::string shown;
  WithSteps({AnswerPassword(21, "wrong"),
             [&] {
               shown = MessageBoxText();
               CloseActive(mrOk);
             }},
            [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(shown, "Clave incorrecta, no se puede cargar la imagen");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  for (TTBKItem* item : ImageItems()) EXPECT_FALSE(item->Enabled()) << item->Name();
  EXPECT_EQ(ReadFileBytes(secret), before);
  EXPECT_EQ(ReadFileBytes(secret + ".jpg"), "keep me");
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // Right phrase, wrong cipher: the same message.
  shown.clear();
  WithSteps({AnswerPassword(1, "right"),
             [&] {
               shown = MessageBoxText();
               CloseActive(mrOk);
             }},
            [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(shown, "Clave incorrecta, no se puede cargar la imagen");
}

TEST_F(ProgramTest, CancelShowsNothing) {
  const std::string text = dir_ + "/pics/notes.txt";
  { std::ofstream(text) << "not an image at all"; }
  StartProgram();
  bool dialogShown = false;
  WithSteps({[&] {
              dialogShown = Screen->ActiveForm() == frmPassword;
              frmPassword->edPassword->SetText("typed");
              frmPassword->TBKButton2->Click();
            }},
            [&] { frmMain->OpenImage(text); });
  EXPECT_TRUE(dialogShown) << "a file that fails to load goes the decrypt road";
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_EQ(frmPassword->edPassword->Text(), "") << "Cancel empties the box";
  EXPECT_EQ(ReadFileBytes(text), "not an image at all");
}

TEST_F(ProgramTest, RememberFillsTheMainWindowsBox) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string secret = dir_ + "/pics/secret.jpg";
  UseFileDialogs(photo, secret);
  frmMain->btnLoad->Click();
  WithSteps({AnswerPassword(24, "kept")}, [] { frmMain->btnSaveCrypted->Click(); });
  WithSteps({AnswerPassword(24, "kept", true)}, [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.jpg]");
  EXPECT_EQ(frmMain->cbCipher->ItemIndex(), 24);
  EXPECT_EQ(frmMain->edPassword->Text(), "kept");
  EXPECT_TRUE(frmMain->cbPassWordMain->Checked());
  EXPECT_EQ(frmPassword->RememberedPhrase(), "kept");

  // The next encrypted file opens with the main window's box, no dialog.
  frmMain->btnClear->Click();
  WithSteps({}, [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.jpg]");
}

TEST_F(ProgramTest, DiamondMeansBlowfish) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string secret = dir_ + "/pics/d.jpg";
  UseFileDialogs(photo, secret);
  frmMain->btnLoad->Click();
  ASSERT_EQ(std::string(kCipherNames[11]), "Diamond ");
  WithSteps({AnswerPassword(11, "gem")}, [] { frmMain->btnSaveCrypted->Click(); });
  WithSteps({AnswerPassword(1, "gem")}, [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [d.jpg]");
  // With the main window's box and no cipher chosen there: Blowfish too.
  frmMain->cbCipher->SetItemIndex(-1);
  frmMain->edPassword->SetText("gem");
  frmMain->cbPassWordMain->SetChecked(true);
  frmMain->btnClear->Click();
  WithSteps({}, [&] { frmMain->OpenImage(secret); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [d.jpg]");
}

TEST_F(ProgramTest, EveryCipherOfTheListSavesAndReopens) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "gradient:yellow-green", "24x16")) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string plain = ReadFileBytes(photo);
  frmMain->OpenImage(photo);
  for (int32_t i = 0; i < kCipherCount; ++i) {
    SCOPED_TRACE(kCipherNames[size_t(i)]);
    const std::string secret = dir_ + "/pics/c" + std::to_string(i) + ".png";
    UseFileDialogs(photo, secret);
    WithSteps({AnswerPassword(i, "phrase " + std::to_string(i))}, [] { frmMain->btnSaveCrypted->Click(); });
    const std::string coded = ReadFileBytes(secret);
    ASSERT_FALSE(coded.empty());
    EXPECT_FALSE(StartsWithImageSignature(coded));
    frmMain->cbCipher->SetItemIndex(i);
    frmMain->edPassword->SetText("phrase " + std::to_string(i));
    frmMain->cbPassWordMain->SetChecked(true);
    WithSteps({}, [&] { frmMain->OpenImage(secret); });
    EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [c" + std::to_string(i) + ".png]");
    EXPECT_EQ(Status(1), "W: 24");
  }
}

TEST_F(ProgramTest, ArrowKeysStepThroughTheFolder) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.jpg") || !MakeImage(pics + "/B.jpg", "xc:white") ||
      !MakeImage(pics + "/c.png", "xc:black", "10x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  fs::create_directory(pics + "/sub");
  MakeImage(pics + "/sub/inner.jpg");
  { std::ofstream(pics + "/archive.jpg.zip") << "zip"; }
  StartProgram();
  frmMain->BrowseFolder(pics);
  std::vector<std::string> names;
  std::vector<int32_t> icons;
  ListedEntries(names, icons);
  EXPECT_EQ(names, (std::vector<std::string>{"..", "a.jpg", "archive.jpg.zip", "B.jpg", "c.png", "sub"}));
  EXPECT_EQ(icons, (std::vector<int32_t>{115, 116, 116, 116, 86, 115}));
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), -1);

  // Nothing selected: the arrows do nothing.
  frmMain->Imago1->SetFocus();
  InjectKey(VK_RIGHT, true);
  InjectKey(VK_RIGHT, false);
  Pump();
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");

  frmMain->lvDirs->SetItemIndex(1);
  frmMain->lvDirsDblClick(frmMain->lvDirs);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.jpg]");
  frmMain->Imago1->SetFocus();
  auto press = [&](int32_t vk) {
    InjectKey(vk, true);
    InjectKey(vk, false);
    Pump();
  };
  // archive.jpg.zip: not an image, the dialog is cancelled.
  WithSteps({[] { frmPassword->TBKButton2->Click(); }}, [&] { press(VK_RIGHT); });
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), 2);
  press(VK_DOWN);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [B.jpg]");
  press(VK_RIGHT);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [c.png]");
  EXPECT_EQ(Status(1), "W: 10");
  press(VK_LEFT);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [B.jpg]");
  press(VK_RIGHT);
  press(VK_RIGHT);  // the sub-folder is entered and listed without selection
  EXPECT_EQ(frmMain->CurrentDir(), pics + "/sub");
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), -1);
  EXPECT_EQ(frmMain->lvDirs->Items()->Count(), 2);
  EXPECT_FALSE(frmMain->Timer1->Enabled());
}

TEST_F(ProgramTest, BrowserListsHiddenEntriesAndFollowsLinks) {
  const std::string pics = dir_ + "/listing";
  fs::create_directories(pics + "/.secret");
  fs::create_directory(pics + "/Dir");
  fs::create_directory(pics + "/dir");
  { std::ofstream(pics + "/.hidden") << "x"; }
  fs::create_directory_symlink(pics + "/Dir", pics + "/link");
  fs::create_symlink(pics + "/nowhere", pics + "/gone");
  StartProgram();
  frmMain->BrowseFolder(pics);
  std::vector<std::string> names;
  std::vector<int32_t> icons;
  ListedEntries(names, icons);
  // ".." first, then by name ignoring case (case alone decides last); a
  // hidden folder keeps the plain icon, a link to a folder is a folder and a
  // dangling link a plain entry.
  EXPECT_EQ(names, (std::vector<std::string>{"..", ".hidden", ".secret", "Dir", "dir", "gone", "link"}));
  EXPECT_EQ(icons, (std::vector<int32_t>{115, 86, 86, 115, 115, 86, 115}));
}

TEST_F(ProgramTest, OptionsPersistInTheStore) {
  StartProgram();
  WithSteps({[] {
              ASSERT_EQ(Screen->ActiveForm(), frmOptions);
              EXPECT_EQ(frmOptions->PageControl1->ActivePage(), frmOptions->TabSheet1);
              frmOptions->cbCipher->SetItemIndex(37);
              frmOptions->cbFitOnWindow->SetChecked(false);
              frmOptions->cbRemember->SetChecked(true);
              frmOptions->TBQualityJPG->SetPosition(80);
              frmOptions->btnOK->Click();
            }},
            [] { frmMain->btnOptions->Click(); });
  DWORD type = 0;
  std::string text;
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Default Cipher", "37"}, {"FitOnWindow", "0"}, {"MaxScreen", "1"},
      {"HideSecret", "1"},      {"Remember", "1"},    {"JPG_Quality", "80"}};
  for (const auto& [name, value] : expected) {
    ASSERT_TRUE(StoredValue(name, type, text)) << name;
    EXPECT_EQ(type, DWORD(REG_SZ)) << name;
    EXPECT_EQ(text, value) << name;
  }
  EXPECT_EQ(frmPassword->cbCipher->ItemIndex(), 37) << "OK applies the default cipher at once";

  // Cancel keeps what the boxes show but stores nothing; the next showing
  // reloads the stored values.
  WithSteps({[] {
              frmOptions->cbFitOnWindow->SetChecked(true);
              frmOptions->btnCancel->Click();
            }},
            [] { frmMain->btnOptions->Click(); });
  ASSERT_TRUE(StoredValue("FitOnWindow", type, text));
  EXPECT_EQ(text, "0");
  EXPECT_TRUE(frmOptions->cbFitOnWindow->Checked());
  WithSteps({[] {
              EXPECT_FALSE(frmOptions->cbFitOnWindow->Checked());
              frmOptions->btnCancel->Click();
            }},
            [] { frmMain->btnOptions->Click(); });

  // No selection stores -1; text that is not a number reads as the default.
  frmOptions->cbCipher->SetItemIndex(-1);
  frmOptions->SaveOptions();
  ASSERT_TRUE(StoredValue("Default Cipher", type, text));
  EXPECT_EQ(text, "-1");
  WriteRegString("Options", "JPG_Quality", "abc");
  EXPECT_EQ(ReadRegInteger("Options", "JPG_Quality", 100), 100);
  frmOptions->LoadOptions();
  EXPECT_EQ(frmOptions->TBQualityJPG->Position(), 100);
  // A stored cipher outside the list selects nothing.
  frmOptions->ApplyDefaultCipher();
  EXPECT_EQ(frmPassword->cbCipher->ItemIndex(), -1);
}

TEST_F(ProgramTest, TheLastFolderIsListedAtTheNextStart) {
  fs::create_directory(dir_ + "/pics/inner");
  WriteRegString("Options", "Browser_Last_dir", dir_ + "/pics");
  WriteRegString("Options", "MaxScreen", "0");
  StartProgram();
  EXPECT_EQ(frmMain->CurrentDir(), dir_ + "/pics");
  EXPECT_EQ(frmMain->lvDirs->Items()->Count(), 2);
  EXPECT_NE(frmMain->WindowState(), wsMaximized);
}

TEST_F(ProgramTest, RotateLeftAndRightGiveBackThePixels) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "gradient:red-blue", "64x48")) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->OpenImage(photo);
  TIEBitmap* bmp = frmMain->Imago1->GetIEBitmap();
  auto pixels = [&] {
    std::string all;
    for (int32_t y = 0; y < bmp->Height(); ++y)
      all.append(reinterpret_cast<const char*>(bmp->GetScanline(y)), size_t(bmp->Width()) * 3);
    return all;
  };
  const std::string before = pixels();
  frmMain->btnRotLeft->Click();
  EXPECT_EQ(bmp->Width(), 48);
  EXPECT_EQ(bmp->Height(), 64);
  EXPECT_EQ(Status(1), "W: 64") << "rotation leaves the status bar";
  frmMain->btnRotRight->Click();
  EXPECT_EQ(pixels(), before);
  for (int i = 0; i < 4; ++i) frmMain->btnRotLeft->Click();
  EXPECT_EQ(pixels(), before);
  EXPECT_EQ(Screen->Cursor(), crDefault);

  // Clear: one colour, the same size, the items stay enabled.
  frmMain->btnClear->Click();
  bmp = frmMain->Imago1->GetIEBitmap();
  EXPECT_EQ(bmp->Width(), 64);
  EXPECT_EQ(bmp->Height(), 48);
  const uint8_t* p0 = bmp->GetScanline(0);
  EXPECT_EQ(p0[0], 240);  // blue, green, red of sky blue
  EXPECT_EQ(p0[1], 202);
  EXPECT_EQ(p0[2], 166);
  const uint8_t* last = bmp->GetScanline(47) + 63 * 3;
  EXPECT_TRUE(last[0] == 240 && last[1] == 202 && last[2] == 166);
  EXPECT_TRUE(frmMain->btnSave->Enabled());
  EXPECT_EQ(Status(0), "24");
}

TEST_F(ProgramTest, FullScreenShowsTheImageAndEscapeEndsIt) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.jpg") || !MakeImage(pics + "/b.jpg", "xc:white", "30x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->BrowseFolder(pics);
  frmMain->lvDirs->SetItemIndex(1);
  frmMain->lvDirsDblClick(frmMain->lvDirs);
  const int32_t cursorCount = ShowCursor(true) - 1;
  ShowCursor(false);
  bool shown = false;
  int32_t hiddenCount = 0;
  WithSteps({[&] {
              shown = Screen->ActiveForm() == frmFullScreen && frmFullScreen->FIsOpen;
              hiddenCount = ShowCursor(true) - 1;
              ShowCursor(false);
              EXPECT_EQ(frmFullScreen->Imago1->GetIEBitmap()->Width(), 64);
              EXPECT_EQ(frmFullScreen->Imago1->Background(), clBlack);
              EXPECT_EQ(frmFullScreen->Imago1->MouseInteract(), (TIEMouseInteract{miZoom, miScroll}));
              // The whole screen, the task bar's room included.
              TRect r;
              GetWindowRect(frmFullScreen->Handle(), r);
              EXPECT_TRUE(r == (TRect{0, 0, 1024, 768})) << r.Width() << "x" << r.Height();
              InjectKey(VK_RIGHT, true);
              InjectKey(VK_RIGHT, false);
            },
             [&] {
               EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.jpg]");
               EXPECT_EQ(frmFullScreen->Imago1->GetIEBitmap()->Width(), 30) << "the new image shows full screen";
               InjectKey(VK_ESCAPE, true);
               InjectKey(VK_ESCAPE, false);
             }},
            [] { frmMain->btnFullScreen->Click(); });
  EXPECT_TRUE(shown);
  EXPECT_EQ(hiddenCount, cursorCount - 1) << "the cursor is hidden once";
  EXPECT_FALSE(frmFullScreen->FIsOpen);
  EXPECT_FALSE(frmFullScreen->Visible());
  EXPECT_EQ(ShowCursor(true) - 1, cursorCount) << "and shown again once";
  ShowCursor(false);
}

TEST_F(ProgramTest, TheAboutBoxOpensTwiceAndLeavesNothing) {
  StartProgram();
  const int32_t forms = Screen->FormCount();
  for (int round = 0; round < 2; ++round) {
    std::string caption, version;
    WithSteps({[&] {
                ASSERT_NE(frmSplash, nullptr);
                caption = frmSplash->Caption();
                version = frmSplash->lblVersion->Caption();
                EXPECT_EQ(frmSplash->Tag(), 1);
                frmSplash->BtnClose->Click();
              }},
              [] { frmMain->btnAbout->Click(); });
    EXPECT_EQ(caption, "About...");
    EXPECT_EQ(version, "Nobrivo 1.40");
    EXPECT_EQ(frmSplash, nullptr);
    EXPECT_EQ(Screen->FormCount(), forms);
  }
  EXPECT_EQ(OpenDocumentErrorText(2), "Error (2) : Didn't find the file, please verify installation");
  EXPECT_EQ(OpenDocumentErrorText(31), "Error (31) : Please install Acrobat reader to view PDF files");
  EXPECT_EQ(OpenDocumentErrorText(5), "Error (5) : unknown eror");
  // Later activations change nothing.
  frmMain->cbPassWordMain->SetChecked(false);
  frmPassword->cbCipher->SetItemIndex(3);
  InjectAppActivation(false);
  InjectAppActivation(true);
  Pump();
  EXPECT_EQ(frmPassword->cbCipher->ItemIndex(), 3);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
}

TEST_F(ProgramTest, ThePassPhraseDialogKeepsItsState) {
  StartProgram();
  WithSteps({[] {
              EXPECT_EQ(frmPassword->cbCipher->ItemIndex(), 21);
              EXPECT_EQ(frmPassword->edPassword->Text(), "");
              EXPECT_EQ(frmPassword->edPassword->PasswordChar(), '#');
              frmPassword->edPassword->SetText("abc");
              frmPassword->cbRemember->SetChecked(true);
              frmPassword->TBKButton1->Click();
            },
             [] {
               EXPECT_EQ(frmPassword->edPassword->Text(), "abc");
               frmPassword->cbHideSecret->SetChecked(false);
               frmPassword->TBKButton2->Click();
             },
             [] {
               EXPECT_EQ(frmPassword->edPassword->Text(), "abc") << "Cancel keeps the remembered phrase";
               EXPECT_EQ(frmPassword->edPassword->PasswordChar(), 0);
               // Enter closes with OK without remembering the new phrase.
               frmPassword->edPassword->SetText("");
               frmPassword->edPassword->SetFocus();
               for (char c : std::string("xyz")) InjectChar(uint8_t(c));
               InjectKey(VK_RETURN, true);
               InjectKey(VK_RETURN, false);
             }},
            [] {
              EXPECT_EQ(frmPassword->ShowModal(), mrOk);
              EXPECT_EQ(frmPassword->ShowModal(), mrCancel);
              EXPECT_EQ(frmPassword->ShowModal(), mrOk);
            });
  EXPECT_EQ(frmPassword->edPassword->Text(), "xyz");
  EXPECT_EQ(frmPassword->RememberedPhrase(), "abc");
}

TEST_F(ProgramTest, TheFileDialogsOpenAndSave) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  // The dialog on the screen is the program's dialog with its preview panel.
  auto onForm = [](TControl* Control, TCustomForm* Form) {
    for (TControl* c = Control; c; c = c->Parent())
      if (c == Form) return true;
    return false;
  };
  auto choose = [onForm](const std::string& Name, TOpenImagoDialog* Dialog = frmMain->OpenImagoDialog1) {
    return [Name, Dialog, onForm] {
      TCustomForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      auto* edit = dynamic_cast<TEdit*>(f->FindComponent("FileNameEdit"));
      auto* ok = dynamic_cast<TButton*>(f->FindComponent("OkButton"));
      ASSERT_TRUE(edit && ok) << "not a file dialog";
      EXPECT_TRUE(onForm(Dialog->PicturePanel, f)) << "no preview beside the file list";
      edit->SetText(Name);
      ok->Click();
    };
  };
  WithSteps({choose(photo)}, [] { frmMain->btnLoad->Click(); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [photo.jpg]");
  EXPECT_EQ(frmMain->OpenDialogFileName, photo);
  // A name without extension takes the selected type's first one.
  TSaveImagoDialog* save = frmMain->SaveImagoDialog1;
  EXPECT_EQ(save->FilterIndex(), 3);
  EXPECT_EQ(save->ZoomFilter(), rfNone);
  EXPECT_EQ(save->AttachedImagoIO(), nullptr);
  EXPECT_TRUE(save->ExOptions().Contains(sdShowPreview) && save->ExOptions().Contains(sdShowAdvanced));
  WithSteps({choose(dir_ + "/pics/copy", save)}, [] { frmMain->btnSave->Click(); });
  EXPECT_EQ(save->TemplateName(), "IDD_IETEMPLATE");
  std::vector<std::string> names = FolderEntries(dir_ + "/pics");
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].rfind("copy.", 0), 0u) << names[0];
  frmMain->OpenImage(dir_ + "/pics/" + names[0]);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [" + names[0] + "]");
  // Cancelling the save dialog of the encrypted road writes nothing.
  WithSteps({AnswerPassword(21, "x"),
             [] {
               TCustomForm* f = Screen->ActiveForm();
               ASSERT_NE(f, nullptr);
               dynamic_cast<TButton*>(f->FindComponent("CancelButton"))->Click();
             }},
            [] { frmMain->btnSaveCrypted->Click(); });
  EXPECT_EQ(FolderEntries(dir_ + "/pics").size(), 2u);
}

// The save dialog proposes the opened file's name: for an encrypted file,
// Enter would replace it with a plain copy. Both roads ask first; No keeps
// the file, Yes replaces it.
TEST_F(ProgramTest, BothSaveRoadsAskBeforeReplacingAFile) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  auto dialogButton = [](const char* Name) {
    return [Name] {
      TCustomForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      auto* b = dynamic_cast<TButton*>(f->FindComponent(Name));
      ASSERT_NE(b, nullptr) << "not a file dialog";
      b->Click();
    };
  };
  std::string question;
  auto answer = [&question](TModalResult Result) {
    return [&question, Result] {
      question = MessageBoxText();
      CloseActive(Result);
    };
  };
  auto open = [&] {
    return std::function<void()>([&] {
      TCustomForm* f = Screen->ActiveForm();
      ASSERT_NE(f, nullptr);
      dynamic_cast<TEdit*>(f->FindComponent("FileNameEdit"))->SetText(photo);
      dynamic_cast<TButton*>(f->FindComponent("OkButton"))->Click();
    });
  };
  WithSteps({open()}, [] { frmMain->btnLoad->Click(); });
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [photo.jpg]");
  // Encrypted in place, after the question.
  const std::string plain = ReadFileBytes(photo);
  WithSteps({AnswerPassword(21, "x"), dialogButton("OkButton"), answer(mrNo), dialogButton("CancelButton")},
            [] { frmMain->btnSaveCrypted->Click(); });
  EXPECT_NE(question.find("photo.jpg already exists"), std::string::npos) << question;
  EXPECT_EQ(ReadFileBytes(photo), plain) << "replaced although the answer was No";
  question.clear();
  WithSteps({AnswerPassword(21, "x"), dialogButton("OkButton"), answer(mrYes)},
            [] { frmMain->btnSaveCrypted->Click(); });
  EXPECT_NE(question.find("already exists"), std::string::npos) << question;
  const std::string secret = ReadFileBytes(photo);
  EXPECT_NE(secret, plain);
  EXPECT_NE(secret.substr(0, 2), "\xFF\xD8") << "saved plainly";
  // The encrypted file opens; the plain road proposes its name and asks.
  WithSteps({open(), AnswerPassword(21, "x")}, [] { frmMain->btnLoad->Click(); });
  ASSERT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [photo.jpg]");
  question.clear();
  WithSteps({dialogButton("OkButton"), answer(mrNo), dialogButton("CancelButton")},
            [] { frmMain->btnSave->Click(); });
  EXPECT_NE(question.find("photo.jpg already exists"), std::string::npos) << question;
  EXPECT_EQ(ReadFileBytes(photo), secret) << "the encrypted file gave way to a plain copy";
  question.clear();
  WithSteps({dialogButton("OkButton"), answer(mrYes)}, [] { frmMain->btnSave->Click(); });
  EXPECT_NE(question.find("already exists"), std::string::npos) << question;
  EXPECT_EQ(ReadFileBytes(photo).substr(0, 2), "\xFF\xD8") << "the plain copy was not written";
}

TEST_F(ProgramTest, AFailedRoadRestoresTheCursorAndFitting) {
  const std::string photo = dir_ + "/pics/photo.jpg";
  if (!MakeImage(photo)) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  // A file that cannot be opened raises to the application's handler.
  EXPECT_ANY_THROW(frmMain->OpenImage(dir_ + "/pics/missing.jpg"));
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_FALSE(frmMain->Imago1->AutoFit);

  // A save the writer cannot do shows an error and writes nothing.
  frmMain->OpenImage(photo);
  const std::string target = dir_ + "/pics/out.xyz";
  UseFileDialogs(photo, target);
  std::string shown;
  WithSteps({[&] {
              shown = MessageBoxText();
              CloseActive(mrOk);
            }},
            [] { frmMain->btnSave->Click(); });
  EXPECT_NE(shown.find("could not be saved"), std::string::npos) << shown;
  EXPECT_FALSE(fs::exists(target));
  shown.clear();
  WithSteps({AnswerPassword(21, "p"),
             [&] {
               shown = MessageBoxText();
               CloseActive(mrOk);
             }},
            [] { frmMain->btnSaveCrypted->Click(); });
  EXPECT_NE(shown.find("could not be saved"), std::string::npos) << shown;
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), (std::vector<std::string>{"photo.jpg"}));
}

TEST_F(ProgramTest, APlainSaveReplacesAnExistingFileWhole) {
  const std::string photo = dir_ + "/pics/photo.png";
  if (!MakeImage(photo, "gradient:red-blue", "40x30")) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string target = dir_ + "/pics/old.png";
  { std::ofstream(target) << std::string(100000, 'x'); }
  frmMain->OpenImage(photo);
  UseFileDialogs(photo, target);
  frmMain->btnSave->Click();
  const std::string bytes = ReadFileBytes(target);
  EXPECT_EQ(bytes.rfind("\x89PNG", 0), 0u);
  EXPECT_LT(bytes.size(), 100000u);
  frmMain->OpenImage(target);
  EXPECT_EQ(Status(1), "W: 40");
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), (std::vector<std::string>{"old.png", "photo.png"}));
}
