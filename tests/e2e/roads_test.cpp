// The main window's roads with odd folders, odd files and events that arrive
// while a road runs.
#include "tests/e2e/ProgramTestSupport.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "crypto/TCipherManager.h"
#include "crypto/THashManager.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/Input.h"
#include "platform/Registry.h"
#include "toolbar/TTBKItem.h"
#include "ui/TListView.h"

TEST_F(ProgramTest, AFolderOfThousandsOfEntriesIsListedInOneBatch) {
  const std::string many = dir_ + "/pics/many";
  fs::create_directory(many);
  constexpr int kFiles = 3000;
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/f%04d.%s", i, i % 2 ? "jpg" : "txt");
    std::ofstream(many + name) << "x";
  }
  StartProgram();
  // Each notification of a single item means a layout of the whole list.
  int changes = 0;
  frmMain->lvDirs->OnChange = [&](TObject*, TListItem*, TItemChange) { ++changes; };
  frmMain->BrowseFolder(many);
  TListItems* items = frmMain->lvDirs->Items();
  ASSERT_EQ(items->Count(), kFiles + 1);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(items->Item(0)->Caption(), "..");
  EXPECT_EQ(items->Item(1)->Caption(), "f0000.txt");
  EXPECT_EQ(items->Item(1)->ImageIndex(), 86);
  EXPECT_EQ(items->Item(kFiles)->Caption(), "f2999.jpg");
  EXPECT_EQ(items->Item(kFiles)->ImageIndex(), 116);
  // The list takes single changes again afterwards.
  items->Item(1)->SetCaption("renamed");
  EXPECT_EQ(changes, 1);
}

TEST_F(ProgramTest, AnArrowKeyDuringALoadDoesNotStartASecondLoad) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.jpg") || !MakeImage(pics + "/b.png", "xc:white", "10x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->BrowseFolder(pics);
  ASSERT_EQ(frmMain->lvDirs->Items()->Item(1)->Caption(), "a.jpg");
  frmMain->lvDirs->SetItemIndex(1);
  frmMain->Imago1->SetFocus();
  // The key arrives while the double-clicked file loads: the load lets the
  // message loop run once, and the key is ignored there.
  InjectKey(VK_RIGHT, true);
  InjectKey(VK_RIGHT, false);
  frmMain->lvDirsDblClick(frmMain->lvDirs);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [a.jpg]");
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), 1);
  EXPECT_EQ(Status(1), "W: 64") << "the view shows the file the title names";
  EXPECT_FALSE(frmMain->Timer1->Enabled());
  // Afterwards the keys step as before.
  InjectKey(VK_RIGHT, true);
  InjectKey(VK_RIGHT, false);
  Pump();
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.png]");
  EXPECT_EQ(Status(1), "W: 10");
}

TEST_F(ProgramTest, TheDecryptStepReadsOnlyFilesAReaderCouldTake) {
  const std::string pics = dir_ + "/pics";
  // A huge sparse file that no image reader takes (a film, say): stepping onto
  // it with the remembered pass phrase must not read it into memory.
  const std::string film = pics + "/film.mkv";
  { std::ofstream(film) << "x"; }
  std::error_code ec;
  fs::resize_file(film, uint64_t(1) << 40, ec);
  if (ec) fs::resize_file(film, uint64_t(16) << 30, ec);
  if (ec) GTEST_SKIP() << "this file system holds no large sparse file";
  StartProgram();
  frmMain->cbPassWordMain->SetChecked(true);
  frmMain->edPassword->SetText("phrase");
  WithSteps({[] { frmPassword->TBKButton2->Click(); }}, [&] { frmMain->OpenImage(film); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_FALSE(frmMain->btnSave->Enabled());

  // A missing file still raises, whatever its extension.
  EXPECT_ANY_THROW(frmMain->OpenImage(pics + "/gone.mkv"));
  EXPECT_EQ(FolderEntries(pics), (std::vector<std::string>{"film.mkv"}));
}

namespace {

// Peak resident memory since the last reset, in bytes.
int64_t PeakResident() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  return -1;
}

}  // namespace

TEST_F(ProgramTest, AHugeFileThatDecryptsToNoPictureIsNotReadWhole) {
  // 4 GB of nothing under a picture's name: it fails as a picture, then as
  // an encrypted one, without being read into memory on the way.
  const std::string big = dir_ + "/pics/huge.bmp";
  { std::ofstream(big) << "x"; }
  std::error_code ec;
  fs::resize_file(big, uint64_t(4) << 30, ec);
  if (ec) GTEST_SKIP() << "this file system holds no large sparse file";
  StartProgram();
  std::ofstream("/proc/self/clear_refs") << "5";
  const int64_t before = PeakResident();
  std::string shown;
  WithSteps({AnswerPassword(0, "some phrase"),
             [&] {
               shown = MessageBoxText();
               CloseActive(mrOk);
             }},
            [&] { frmMain->OpenImage(big); });
  EXPECT_EQ(shown, "Clave incorrecta, no se puede cargar la imagen");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_LT(PeakResident() - before, int64_t{256} << 20);
}

TEST_F(ProgramTest, AHugeEncryptedPictureStillOpensWithTheRightPhrase) {
  // Above the size whose header is decrypted first: the header decrypts as
  // it does within the whole file, for ciphers of 12- and 8-byte blocks.
  const std::string plain = dir_ + "/plain.bmp";
  if (!MakeImage(plain, "gradient:red-blue", "2400x2400")) GTEST_SKIP() << "ImageMagick is not installed";
  ASSERT_GT(fs::file_size(plain), uint64_t{16} << 20);
  StartProgram();
  const std::pair<int32_t, const char*> ciphers[] = {{0, "3Way"}, {1, "Blowfish"}};
  for (const auto& [index, name] : ciphers) {
    const std::string secret = dir_ + "/pics/secret.bmp";
    {
      THashManager hash(nullptr);
      TCipherManager cipher(nullptr);
      cipher.SetHashManager(&hash);
      cipher.SetAlgorithm(name);
      cipher.InitKey("open sesame", nullptr);
      cipher.EncodeFile(plain, secret);
      cipher.SetHashManager(nullptr);
    }
    frmMain->btnClear->Click();
    WithSteps({AnswerPassword(index, "open sesame")}, [&] { frmMain->OpenImage(secret); });
    EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.bmp]") << name;
  }
}

namespace {

// A BMP header claiming 30000 x 30000 in 24 bits, padded with zeros to 48 KB
// and encrypted under Blowfish and Phrase: what a huge encrypted picture
// begins with.
std::string EncryptedBMPHeader(const std::string& Dir, const std::string& Phrase) {
  std::vector<uint8_t> head(48 * 1024, 0);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) head[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  head[0] = 'B';
  head[1] = 'M';
  put(2, 54 + 30000u * 30000u * 3u, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, 30000, 4);
  put(22, 30000, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  const std::string plain = Dir + "/head.plain", secret = Dir + "/head.secret";
  std::ofstream(plain, std::ios::binary).write(reinterpret_cast<const char*>(head.data()),
                                               static_cast<std::streamsize>(head.size()));
  THashManager hash(nullptr);
  TCipherManager cipher(nullptr);
  cipher.SetHashManager(&hash);
  cipher.SetAlgorithm("Blowfish");
  cipher.InitKey(Phrase, nullptr);
  cipher.EncodeFile(plain, secret);
  cipher.SetHashManager(nullptr);
  fs::remove(plain);
  return secret;
}

}  // namespace

TEST_F(ProgramTest, AFileLargerThanTheFreeMemoryIsRefusedBeforeAnyPhraseIsAsked) {
  const int64_t memory = AvailablePhysicalMemory();
  if (memory <= 0) GTEST_SKIP() << "the free memory is not known here";
  const std::string big = dir_ + "/pics/huge.bmp";
  { std::ofstream(big) << "x"; }
  std::error_code ec;
  fs::resize_file(big, static_cast<uint64_t>(memory) * 2 + (uint64_t{1} << 30), ec);
  if (ec) GTEST_SKIP() << "this file system holds no large sparse file";
  StartProgram();
  std::string shown;
  WithSteps({[&] {
              shown = MessageBoxText();
              CloseActive(mrOk);
            }},
            [&] { frmMain->OpenImage(big); });
  EXPECT_NE(shown.find("of free memory it would be decrypted in: it cannot be opened."), std::string::npos)
      << shown;
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
}

TEST_F(ProgramTest, EscapeGivesUpTheDecryptionOfAHugeFileWithoutAWord) {
  // 4 GB whose first 48 KB decrypt into a picture's header: the header
  // check lets it through, and decrypting the rest would take minutes.
  const std::string big = dir_ + "/pics/huge.bmp";
  fs::rename(EncryptedBMPHeader(dir_, "open sesame"), big);
  std::error_code ec;
  fs::resize_file(big, uint64_t(4) << 30, ec);
  if (ec) GTEST_SKIP() << "this file system holds no large sparse file";
  if (AvailablePhysicalMemory() < (int64_t{5} << 30)) GTEST_SKIP() << "too little free memory to decrypt 4 GB";
  StartProgram();
  std::ofstream("/proc/self/clear_refs") << "5";
  const int64_t before = PeakResident();
  const auto start = std::chrono::steady_clock::now();
  WithSteps({[&] {
              AnswerPassword(1, "open sesame")();
              // Pressed while the decryption runs: it lets the window answer.
              InjectKey(VK_ESCAPE, true);
              InjectKey(VK_ESCAPE, false);
            }},
            [&] { frmMain->OpenImage(big); });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_TRUE(frmMain->DecryptGivenUp()) << "the decryption ran and was given up";
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_FALSE(frmMain->btnSave->Enabled());
  // Not a speed goal: the whole file would take minutes.
  EXPECT_LT(seconds, 30);
  EXPECT_LT(PeakResident() - before, int64_t{256} << 20);
  // The next file opens as usual.
  const std::string plain = dir_ + "/pics/plain.bmp";
  if (!MakeImage(plain)) return;
  frmMain->OpenImage(plain);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [plain.bmp]");
}

TEST_F(ProgramTest, ADamagedPictureSaysSoInsteadOfAskingForAPhrase) {
  // A picture cut short in its pixels, and bytes that show no format (as an
  // encrypted file's do): only the second is taken for an encrypted file.
  const std::string plain = dir_ + "/plain.bmp";
  if (!MakeImage(plain, "gradient:red-blue", "64x48")) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string cut = dir_ + "/pics/cut.bmp", noise = dir_ + "/pics/noise.bmp";
  fs::copy_file(plain, cut);
  fs::resize_file(cut, fs::file_size(plain) / 2);
  {
    std::ofstream out(noise, std::ios::binary);
    for (int i = 0; i < 4096; ++i) out.put(static_cast<char>((i * 7919 + 13) % 251));
  }
  StartProgram();
  std::string shown;
  WithSteps({[&] {
              shown = MessageBoxText();
              CloseActive(mrOk);
            }},
            [&] { frmMain->OpenImage(cut); });
  // The reader's own words, or the general ones: either way, damaged.
  EXPECT_NE(shown.find("damaged"), std::string::npos) << shown;
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  bool asked = false;
  WithSteps({[&] {
              asked = Screen->ActiveForm() == frmPassword;
              CloseActive(mrCancel);
            }},
            [&] { frmMain->OpenImage(noise); });
  EXPECT_TRUE(asked);
}

TEST_F(ProgramTest, AStoredOptionOfAnotherKindStillEndsTheStartUp) {
  // A damaged store: the option is a number, not text.
  {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Nobrivo\\Options", 0, nullptr, 0, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueEx(key, "MaxScreen", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  std::vector<std::string> errors;
  Application->OnException = [&](TObject*, Exception& E) { errors.push_back(E.Message()); };
  StartProgram();
  Application->OnException = nullptr;
  EXPECT_EQ(errors.size(), 1u) << "the damaged value is reported";
  EXPECT_EQ(frmSplash, nullptr) << "the start-up screen goes all the same";
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
}

TEST_F(ProgramTest, GoingUpAndDownManyTimesKeepsTheFolderListable) {
  const std::string pics = dir_ + "/pics";
  fs::create_directory(pics + "/sub");
  { std::ofstream(pics + "/sub/inner.txt") << "x"; }
  { std::ofstream(pics + "/a.txt") << "x"; }
  StartProgram();
  frmMain->BrowseFolder(pics);
  // Double-clicks the entry Name and gives the folder's new entry count.
  auto enter = [](const std::string& Name) {
    TListItems* items = frmMain->lvDirs->Items();
    for (int32_t i = 0; i < items->Count(); ++i)
      if (items->Item(i)->Caption() == Name) {
        frmMain->lvDirs->SetItemIndex(i);
        frmMain->lvDirsDblClick(frmMain->lvDirs);
        return frmMain->lvDirs->ItemIndex() == -1 ? frmMain->lvDirs->Items()->Count() : -1;
      }
    return -1;
  };
  // Each round adds "/sub/.." to the folder's name; a name longer than the
  // system takes would leave the list where it is with no way on.
  for (int round = 0; round < 1000; ++round) {
    ASSERT_EQ(enter("sub"), 2) << "round " << round;
    ASSERT_EQ(enter(".."), 3) << "round " << round;
  }
  EXPECT_TRUE(fs::equivalent(frmMain->CurrentDir(), pics));
  EXPECT_LT(frmMain->CurrentDir().size(), 4096u);
}

TEST_F(ProgramTest, ALoadOvertakenByAnotherLeavesTheLaterOnesResult) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.jpg") || !MakeImage(pics + "/b.png", "xc:white", "10x20"))
    GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->BrowseFolder(pics);
  ASSERT_EQ(frmMain->lvDirs->Items()->Item(2)->Caption(), "b.png");
  Pump();
  // A double click on b.png waits in the queue while a.jpg loads; the load
  // lets the message loop run, and b.png's road runs inside a.jpg's.
  const TRect r = frmMain->lvDirs->ItemRect(2);
  InjectMouseMove(frmMain->lvDirs->ClientToScreen(TPoint{r.Left + 5, (r.Top + r.Bottom) / 2}));
  for (int i = 0; i < 2; ++i) {
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
  }
  frmMain->OpenImage(pics + "/a.jpg");
  ASSERT_EQ(frmMain->lvDirs->ItemIndex(), 2) << "the double click was dispatched inside the load";
  EXPECT_EQ(Status(1), "W: 10");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [b.png]") << "the title names the file shown";
}

TEST_F(ProgramTest, OddFilesEndTheOpenRoadCleanly) {
  const std::string pics = dir_ + "/pics/";
  { std::ofstream(pics + "empty.jpg"); }
  { std::ofstream(pics + "junk.png") << "not an image"; }
  { std::ofstream(pics + "noext") << "not an image"; }
  fs::create_directory(pics + "folder.jpg");
  ASSERT_EQ(mkfifo((pics + "pipe.jpg").c_str(), 0600), 0);
  const auto before = FolderEntries(dir_ + "/pics");
  StartProgram();
  struct TCase {
    const char* name;
    bool raises;  // cannot be opened at all; else it fails as a wrong phrase
  } cases[] = {{"empty.jpg", false}, {"junk.png", false}, {"noext", false},
               {"folder.jpg", true},  {"pipe.jpg", true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string shown;
    if (c.raises) {
      EXPECT_ANY_THROW(frmMain->OpenImage(pics + c.name));
    } else {
      WithSteps({AnswerPassword(21, "phrase"),
                 [&] {
                   shown = MessageBoxText();
                   CloseActive(mrOk);
                 }},
                [&] { frmMain->OpenImage(pics + c.name); });
      EXPECT_EQ(shown, "Clave incorrecta, no se puede cargar la imagen");
    }
    EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_FALSE(frmMain->Timer1->Enabled());
  }
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), before);
}

TEST_F(ProgramTest, AFileClaimingMoreThanItsDataHoldIsRefusedWithTheReason) {
  // Eleven bytes of coded data under a header claiming 30000 x 30000 pixels.
  const uint8_t jpeg[] = {0xFF, 0xD8, 0xFF, 0xC0, 0, 11, 8, 0x75, 0x30, 0x75, 0x30, 1, 1, 0x11, 0,
                          0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
                          0xFF, 0xD9};
  const std::string name = dir_ + "/pics/huge.jpg";
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), sizeof jpeg);
  StartProgram();
  std::string shown;
  int steps = 0;
  // One message, and no pass-phrase question: the file is not encrypted.
  WithSteps({[&] {
              ++steps;
              shown = MessageBoxText();
              CloseActive(mrOk);
            }},
            [&] { frmMain->OpenImage(name); });
  EXPECT_EQ(steps, 1);
  EXPECT_NE(shown.find("30000 x 30000 pixels"), std::string::npos) << shown;
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

// The open road reads a JPEG file's EXIF block: its resolution stands in
// for a JFIF header without one, and with EnableAdjustOrientation the
// picture is shown turned as its orientation says.
TEST_F(ProgramTest, TheOpenRoadReadsExifAndTurnsByItsOrientationWhenAsked) {
  const std::string file = dir_ + "/pics/turned.jpg";
  if (!MakeImage(file) || access("/usr/bin/exiftool", X_OK) != 0)
    GTEST_SKIP() << "ImageMagick or exiftool is not installed";
  ASSERT_EQ(std::system(("/usr/bin/exiftool -q -overwrite_original -n -Orientation=6 -EXIF:XResolution=200 "
                         "-EXIF:YResolution=200 -EXIF:ResolutionUnit=2 -JFIF:XResolution=1 -JFIF:YResolution=1 "
                         "-JFIF:ResolutionUnit=0 '" + file + "'")
                            .c_str()),
            0);
  StartProgram();
  frmMain->OpenImage(file);
  const TIOParamsVals* p = frmMain->Imago1->GetIO()->Params();
  EXPECT_EQ(p->EXIFHasData, 1);
  EXPECT_EQ(p->EXIFOrientation(), 6);
  EXPECT_EQ(Status(1), "W: 64");
  EXPECT_EQ(Status(2), "H: 48");
  EXPECT_EQ(Status(3), "DPI: 200");

  frmMain->Imago1->GetIO()->Params()->EnableAdjustOrientation = 1;
  frmMain->OpenImage(file);
  EXPECT_EQ(Status(1), "W: 48");
  EXPECT_EQ(Status(2), "H: 64");
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [turned.jpg]");
}

TEST_F(ProgramTest, SavingOverAWriteProtectedFileAsksFirstAndKeepsItWhenDeclined) {
  const std::string photo = dir_ + "/pics/photo.png";
  const std::string locked = dir_ + "/pics/locked.png";
  if (!MakeImage(photo) || !MakeImage(locked, "xc:green", "8x8")) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string old = ReadFileBytes(locked);
  StartProgram();
  UseFileDialogs(photo, locked);
  frmMain->btnLoad->Click();
  ASSERT_TRUE(frmMain->btnSave->Enabled());

  struct Case {
    bool encrypted;
    const char* answer;
    bool replaced;
  } cases[] = {{false, "No", false}, {true, "No", false}, {false, "Yes", true}, {true, "Yes", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.encrypted ? "encrypted" : "plain") + " save, answer " + c.answer);
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
    std::ofstream(locked, std::ios::binary | std::ios::trunc) << old;
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::string asked;
    auto answer = [&] {
      asked = MessageBoxText();
      auto* button = dynamic_cast<TControl*>(Screen->ActiveForm()->FindComponent(c.answer));
      ASSERT_NE(button, nullptr);
      ClickCentre(button);
    };
    if (c.encrypted)
      WithSteps({AnswerPassword(21, "locked"), answer}, [] { frmMain->btnSaveCrypted->Click(); });
    else
      WithSteps({answer}, [] { frmMain->btnSave->Click(); });
    EXPECT_EQ(asked, "locked.png is write-protected.\nDo you want to replace it anyway?");
    EXPECT_EQ(ReadFileBytes(locked) == old, !c.replaced);
    if (c.replaced && !c.encrypted) EXPECT_EQ(ReadFileBytes(locked).substr(0, 4), "\x89PNG");
    EXPECT_EQ(fs::status(locked).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read)
        << "the file stays write-protected";
    EXPECT_EQ(FolderEntries(dir_ + "/pics"), (std::vector<std::string>{"locked.png", "photo.png"}));
  }
}
