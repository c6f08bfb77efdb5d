// Every control the main window shows, reached as a user reaches it: a
// pointer press on the toolbar button, its Alt+letter, the chevron's popup
// when the window is too narrow for the buttons, clicks and drags on the
// picture, the frame's close button. Each is checked by what appears on the
// screen or on the disk.
#include "tests/e2e/ProgramTestSupport.h"

#include <cstdio>

#include "app/Settings.h"
#include "app/TAppImago.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "toolbar/TDKCustomToolbar.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKView.h"

namespace {

constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kSkyBlue = 0xA6CAF0;

// What ImageMagick reads in a file: format, size and the colours of two
// pixels, e.g. "BMP3 64 48 FF0000 FFFFFF".
std::string PeerReads(const std::string& Path, TPoint A, TPoint B) {
  const std::string cmd = "/usr/bin/convert '" + Path + "' -alpha off -format '%m %w %h %[hex:p{" +
                          std::to_string(A.X) + "," + std::to_string(A.Y) + "}] %[hex:p{" + std::to_string(B.X) +
                          "," + std::to_string(B.Y) + "}]' info: 2>/dev/null";
  std::string out;
  if (FILE* p = popen(cmd.c_str(), "r")) {
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
  }
  return out;
}

uint32_t RgbAt(TIEBitmap* B, int32_t X, int32_t Y) {
  const TRGB c = B->GetPixelRGB(X, Y);
  return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

class MainWindowWalk : public ProgramTest {
 protected:
  static std::vector<TTBKItem*> PictureButtons() {
    return {frmMain->btnSave, frmMain->btnSaveCrypted, frmMain->btnFullScreen, frmMain->btnRotLeft,
            frmMain->btnRotRight};
  }
  // The near-black pixels of a toolbar button as the screen shows it: its
  // caption's letters when it is enabled, none when it is greyed.
  static int DarkPixels(TTBKItem* Item) {
    frmMain->Repaint();
    Application->ProcessMessages();
    TTBKToolbar* bar = frmMain->TBKToolbar1;
    const Surface s = CopyWindowPixels(bar->Handle());
    // The copy starts at the window's frame, the item's place at its client area.
    TRect frame;
    GetWindowRect(bar->Handle(), frame);
    const TPoint client = bar->ClientToScreen(TPoint{0, 0});
    const TRect r = bar->ItemRect(Item);
    int dark = 0;
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x) {
        const uint32_t p = s.Get(x + client.X - frame.Left, y + client.Y - frame.Top);
        dark += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 64;
      }
    return dark;
  }
  // A 64 x 48 white picture with a red top-left quarter, and a 30 x 20 blue
  // one, shown unfitted (at their own size, in the middle of the view).
  bool MakePictures() {
    photo_ = dir_ + "/pics/photo.png";
    other_ = dir_ + "/pics/other.png";
    if (!MakeImage(photo_, "xc:white -fill red -draw 'rectangle 0,0 31,23'") ||
        !MakeImage(other_, "xc:blue", "30x20"))
      return false;
    WriteRegString("Options", "FitOnWindow", "0");
    return true;
  }
  // The red (or other) part of the picture as the view shows it.
  static TRect Shown(uint32_t Rgb) {
    frmMain->Repaint();
    Application->ProcessMessages();
    return ExtentOf(CopyWindowPixels(frmMain->Imago1->Handle()), Rgb);
  }
  std::string photo_, other_;
};

// A toolbar button: how the user reaches it and what must appear.
struct TButtonCase {
  const char* Caption;
  TTBKItem* TfrmMain::*Item;
  int32_t AltLetter;  // 0: no Alt+letter reaches it (an earlier button has its letter)
  // The steps inside the modal windows the button opens, then the check.
  std::function<std::vector<std::function<void()>>(const std::string& Tag)> Steps;
  std::function<void(const std::string& Tag)> Check;
};

TEST_F(MainWindowWalk, EveryToolbarButtonDoesWhatItsCaptionSaysByClickAndByAltLetter) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::string pics = dir_ + "/pics/";
  using Steps = std::vector<std::function<void()>>;
  auto none = [](const std::string&) { return Steps{}; };
  // The pass-phrase dialog in front, its phrase typed and Enter.
  auto typePhrase = [](const std::string& Phrase) {
    return [Phrase] {
      ASSERT_EQ(Screen->ActiveForm(), frmPassword);
      ASSERT_TRUE(frmPassword->edPassword->Focused());
      Type(Phrase);
      InjectKey(VK_RETURN, true);
      InjectKey(VK_RETURN, false);
    };
  };
  const std::vector<TButtonCase> cases = {
      {"Clear Image", &TfrmMain::btnClear, 'C', none,
       [](const std::string& Tag) {
         EXPECT_EQ(Shown(kRed).Width(), 0) << Tag << ": the red quarter still shows";
         TIEBitmap* b = frmMain->Imago1->GetIEBitmap();
         EXPECT_EQ(b->Width(), 64) << Tag;
         EXPECT_EQ(RgbAt(b, 0, 0), kSkyBlue) << Tag;
         EXPECT_EQ(RgbAt(b, 63, 47), kSkyBlue) << Tag;
       }},
      {"Open Image", &TfrmMain::btnLoad, 'O', [&](const std::string&) { return Steps{TypeFileName(other_)}; },
       [&](const std::string& Tag) {
         EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [other.png]") << Tag;
         const TRect blue = Shown(kBlue);
         EXPECT_EQ(blue.Width(), 30) << Tag;
         EXPECT_EQ(blue.Height(), 20) << Tag;
         EXPECT_EQ(Status(1), "W: 30") << Tag;
         EXPECT_EQ(frmMain->CurrentDir(), dir_ + "/pics") << Tag << ": the file's folder is listed";
       }},
      {"Save Image", &TfrmMain::btnSave, 'S',
       [&](const std::string& Tag) { return Steps{TypeFileName(pics + Tag + ".bmp")}; },
       [&](const std::string& Tag) {
         EXPECT_EQ(PeerReads(pics + Tag + ".bmp", {0, 0}, {40, 30}), "BMP3 64 48 FF0000 FFFFFF") << Tag;
       }},
      {"Save Encrypted", &TfrmMain::btnSaveCrypted, 0,
       [&](const std::string& Tag) { return Steps{typePhrase("walk"), TypeFileName(pics + Tag + ".png")}; },
       [&](const std::string& Tag) {
         const std::string coded = pics + Tag + ".png";
         const std::string bytes = ReadFileBytes(coded);
         ASSERT_GT(bytes.size(), 8u) << Tag;
         EXPECT_NE(bytes.substr(0, 4), "\x89PNG") << Tag << ": written plainly";
         EXPECT_EQ(PeerReads(coded, {0, 0}, {0, 0}), "") << Tag << ": a peer reads it as a picture";
         // Opened again the way the user opens it: the button, the name, the phrase.
         frmMain->OpenImage(other_);
         WithSteps({TypeFileName(coded), typePhrase("walk")}, [&] { ClickItem(frmMain->btnLoad); });
         EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [" + Tag + ".png]") << Tag;
         EXPECT_EQ(Shown(kRed).Width(), 32) << Tag << ": the picture came back in other colours";
       }},
      {"Full Screen", &TfrmMain::btnFullScreen, 'F',
       [&](const std::string& Tag) {
         return Steps{[Tag] {
           ASSERT_EQ(Screen->ActiveForm(), frmFullScreen) << Tag;
           // The picture alone, fitted to the screen of its own shape: its
           // red quarter fills the screen's top-left quarter.
           EXPECT_EQ(ExtentOf(CopyScreen(), kRed), (TRect{0, 0, 512, 384})) << Tag;
           InjectKey(VK_ESCAPE, true);
           InjectKey(VK_ESCAPE, false);
         }};
       },
       [](const std::string& Tag) {
         EXPECT_FALSE(frmFullScreen->Visible()) << Tag;
         EXPECT_EQ(Screen->ActiveForm(), frmMain) << Tag;
       }},
      {"Rotate Left", &TfrmMain::btnRotLeft, 'R', none,
       [](const std::string& Tag) {
         // A quarter turn counter-clockwise: the top-left quarter goes to
         // the bottom left.
         const TRect red = Shown(kRed);
         EXPECT_EQ(red.Width(), 24) << Tag;
         EXPECT_EQ(red.Height(), 32) << Tag;
         TIEBitmap* b = frmMain->Imago1->GetIEBitmap();
         ASSERT_EQ(b->Width(), 48) << Tag;
         EXPECT_EQ(RgbAt(b, 0, 63), kRed) << Tag;
         EXPECT_EQ(RgbAt(b, 0, 0), 0xFFFFFFu) << Tag;
       }},
      {"Rotate Right", &TfrmMain::btnRotRight, 0, none,
       [](const std::string& Tag) {
         const TRect red = Shown(kRed);
         EXPECT_EQ(red.Width(), 24) << Tag;
         TIEBitmap* b = frmMain->Imago1->GetIEBitmap();
         ASSERT_EQ(b->Width(), 48) << Tag;
         EXPECT_EQ(RgbAt(b, 47, 0), kRed) << Tag;
         EXPECT_EQ(RgbAt(b, 0, 0), 0xFFFFFFu) << Tag;
       }},
      {"Options", &TfrmMain::btnOptions, 0,
       [&](const std::string& Tag) {
         return Steps{[this, Tag] {
           ASSERT_EQ(Screen->ActiveForm(), frmOptions) << Tag;
           ClickCentre(frmOptions->btnCancel);
         }};
       },
       [](const std::string& Tag) { EXPECT_FALSE(frmOptions->Visible()) << Tag; }},
      {"About", &TfrmMain::btnAbout, 'A',
       [&](const std::string& Tag) {
         return Steps{[this, Tag] {
           ASSERT_NE(frmSplash, nullptr) << Tag;
           ASSERT_EQ(Screen->ActiveForm(), frmSplash) << Tag;
           EXPECT_EQ(frmSplash->Tag(), 1) << Tag;
           ClickCentre(frmSplash->BtnClose);
         }};
       },
       [](const std::string& Tag) { EXPECT_EQ(frmSplash, nullptr) << Tag; }},
  };
  for (const TButtonCase& c : cases) {
    TTBKItem* item = frmMain->*c.Item;
    ASSERT_EQ(item->Caption(), c.Caption);
    for (int way = 0; way < 2; ++way) {
      if (way == 1 && !c.AltLetter) continue;
      const std::string tag = std::string(way == 0 ? "click-" : "alt-") + item->Name();
      frmMain->OpenImage(photo_);
      ASSERT_EQ(Shown(kRed).Width(), 32) << tag;
      ASSERT_TRUE(frmMain->Imago1->Focused()) << tag << ": the keyboard's place after opening";
      WithSteps(c.Steps(tag), [&] {
        if (way == 0)
          ClickItem(item);
        else
          PressWith(VK_MENU, c.AltLetter);
      });
      c.Check(tag);
    }
  }
}

// Save Image with a name of each kind writes that format, and a two-colour
// picture (as a two-colour file reads) keeps its colours in every format
// that can hold them.
TEST_F(MainWindowWalk, SaveImageWritesTheFormatOfTheNameTypedWithThePicturesColours) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  WithSteps({TypeFileName(photo_)}, [&] { ClickItem(frmMain->btnLoad); });
  struct TFormatCase {
    const char* Extension;
    const char* PeerReads;
  };
  for (const TFormatCase& c : std::vector<TFormatCase>{{"bmp", "BMP3 64 48 FF0000 FFFFFF"},
                                                       {"png", "PNG 64 48 FF0000 FFFFFF"},
                                                       {"gif", "GIF 64 48 FF0000 FFFFFF"},
                                                       {"tga", "TGA 64 48 FF0000 FFFFFF"},
                                                       {"jp2", "JP2 64 48 FF0000 FFFFFF"}}) {
    const std::string name = dir_ + "/pics/saved." + c.Extension;
    WithSteps({TypeFileName(name)}, [&] { ClickItem(frmMain->btnSave); });
    EXPECT_EQ(PeerReads(name, {0, 0}, {40, 30}), c.PeerReads) << c.Extension;
  }
}

// Before a picture is open, the five picture buttons show disabled, and
// neither a click nor their Alt+letter does anything: no window opens, no
// file is written, the title stays.
TEST_F(MainWindowWalk, ThePictureButtonsAreDisabledUntilAPictureOpens) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  const std::vector<std::string> files = FolderEntries(dir_ + "/pics");
  struct TDisabledCase {
    TTBKItem* TfrmMain::*Item;
    int32_t AltLetter;
  };
  for (const TDisabledCase& c : std::vector<TDisabledCase>{{&TfrmMain::btnSave, 'S'},
                                                           {&TfrmMain::btnSaveCrypted, 0},
                                                           {&TfrmMain::btnFullScreen, 'F'},
                                                           {&TfrmMain::btnRotLeft, 'R'},
                                                           {&TfrmMain::btnRotRight, 0}}) {
    TTBKItem* item = frmMain->*c.Item;
    EXPECT_FALSE(item->Enabled()) << item->Name();
    WithSteps({}, [&] {
      ClickItem(item);
      if (c.AltLetter) PressWith(VK_MENU, c.AltLetter);
    });
    EXPECT_EQ(Screen->ActiveForm(), frmMain) << item->Name();
    EXPECT_FALSE(frmFullScreen->Visible()) << item->Name();
    EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40") << item->Name();
    EXPECT_EQ(frmMain->Imago1->GetIEBitmap()->Width(), 0) << item->Name();
  }
  EXPECT_EQ(FolderEntries(dir_ + "/pics"), files);
  // They show greyed, where an enabled button shows dark letters.
  ASSERT_GT(DarkPixels(frmMain->btnLoad), 50);
  for (TTBKItem* item : PictureButtons()) EXPECT_LT(DarkPixels(item), 10) << item->Name() << " does not look disabled";
  // Opening a picture enables them all.
  WithSteps({TypeFileName(photo_)}, [&] { ClickItem(frmMain->btnLoad); });
  for (TTBKItem* item : PictureButtons()) {
    EXPECT_TRUE(item->Enabled()) << item->Name();
    EXPECT_GT(DarkPixels(item), 50) << item->Name() << " still looks disabled";
  }
}

// A window too narrow for its buttons: those that do not fit go into the
// chevron at the toolbar's end; its popup lists them, and a button pressed
// there does its work.
TEST_F(MainWindowWalk, TheChevronOffersTheButtonsThatDoNotFit) {
  WriteRegString("Options", "MaxScreen", "0");
  StartProgram();
  InjectWindowBounds(frmMain->Handle(), TRect{100, 100, 460, 500});
  Pump();
  TDKView* view = frmMain->TBKToolbar1->View();
  view->EnsureLayout();
  TDKItemViewer* chevron = view->ViewerOfItem(frmMain->TBKToolbar1->Chevron());
  ASSERT_NE(chevron, nullptr);
  ASSERT_TRUE(chevron->Shown) << "no chevron on a window of 360 pixels";
  EXPECT_TRUE(frmMain->TBKToolbar1->ItemRect(frmMain->btnAbout).Width() == 0) << "About should not fit";
  const TRect cr = chevron->BoundsRect;
  std::vector<std::string> listed;
  WithSteps({[&] {
               TDKView* popup = view->OpenViewerView();
               ASSERT_NE(popup, nullptr) << "the chevron opened no popup";
               popup->EnsureLayout();
               TDKItemViewer* about = nullptr;
               for (int32_t i = 0; i < popup->ViewerCount(); ++i) {
                 TDKItemViewer* v = popup->Viewers(i);
                 if (!v->Shown) continue;
                 listed.push_back(v->Item()->Caption());
                 if (v->Item() == frmMain->btnAbout) about = v;
               }
               ASSERT_NE(about, nullptr);
               const TRect r = about->BoundsRect;
               QueueClickAt(popup->Window(), (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
             },
             [&] {
               ASSERT_NE(frmSplash, nullptr) << "About did not open the about box";
               EXPECT_EQ(Screen->ActiveForm(), frmSplash);
               ClickCentre(frmSplash->BtnClose);
             }},
            [&] { ClickAt(frmMain->TBKToolbar1, (cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2); });
  EXPECT_EQ(frmSplash, nullptr);
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(listed.back(), "About");
  for (const std::string& caption : listed)
    EXPECT_NE(caption, "Clear Image") << "a button that fits is listed in the chevron";
}

// The picture: a left click zooms in where it is pressed, a right click
// zooms out, and a drag over a picture larger than the view moves it with
// the pointer.
TEST_F(MainWindowWalk, ThePictureZoomsOnClicksAndFollowsADrag) {
  if (!MakePictures()) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string big = dir_ + "/pics/big.png";
  if (!MakeImage(big, "xc:white -fill red -draw 'rectangle 600,300 699,399'", "2000x1500"))
    GTEST_SKIP() << "ImageMagick failed";
  StartProgram();
  frmMain->OpenImage(photo_);
  TAppImago* view = frmMain->Imago1;
  const TRect red = Shown(kRed);
  ASSERT_EQ(red.Width(), 32);
  struct TZoomCase {
    int32_t Button;
    int32_t RedWidth, RedHeight;
  };
  for (const TZoomCase& c : std::vector<TZoomCase>{{VK_LBUTTON, 64, 48}, {VK_LBUTTON, 96, 72},
                                                   {VK_RBUTTON, 64, 48}, {VK_RBUTTON, 32, 24}}) {
    const TRect now = Shown(kRed);
    ClickAt(view, (now.Left + now.Right) / 2, (now.Top + now.Bottom) / 2, c.Button);
    const TRect after = Shown(kRed);
    EXPECT_EQ(after.Width(), c.RedWidth) << c.Button;
    EXPECT_EQ(after.Height(), c.RedHeight) << c.Button;
  }

  frmMain->OpenImage(big);
  const TRect before = Shown(kRed);
  ASSERT_EQ(before.Width(), 100) << "the red square is not in sight";
  const TPoint from{before.Left + 50, before.Top + 50};
  DragOn(view, from, TPoint{from.X - 120, from.Y - 90});
  const TRect moved = Shown(kRed);
  EXPECT_EQ(moved.Left, before.Left - 120);
  EXPECT_EQ(moved.Top, before.Top - 90);
  EXPECT_DOUBLE_EQ(view->Zoom(), 100.0) << "a drag is no click";
}

// The frame's close button ends the program.
TEST_F(MainWindowWalk, TheCloseButtonEndsTheProgram) {
  StartProgram();
  InjectCloseRequest(frmMain->Handle());
  Pump();
  EXPECT_TRUE(Application->Terminated());
}

}  // namespace
