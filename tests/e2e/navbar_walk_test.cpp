// The navigation bar's controls walked through the pointer and the keys:
// the pass-phrase page's cipher list, phrase box and check box (which open
// an encrypted picture without asking), the folder list's click, keys and
// parent entry, the splitter beside the bar and the popup button of its
// icon row. Tabs and the bar's own splitter are walked in navbar_test.
#include "tests/e2e/ProgramTestSupport.h"

#include "app/CipherList.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImago.h"
#include "panels/TUxNavBar.h"
#include "ui/TComboBox.h"
#include "ui/TSplitter.h"

namespace {

class NavBarWalk : public ProgramTest {
 protected:
  void ClickTab(int32_t Index) {
    const TRect t = frmMain->UxNavBar1->TabRect(Index);
    ClickAt(frmMain->UxNavBar1, 100, (t.Top + t.Bottom) / 2);
  }
  // The entry of the folder list with this caption, double-clicked.
  void DoubleClickEntry(const std::string& Caption) {
    TListItems* items = frmMain->lvDirs->Items();
    for (int32_t i = 0; i < items->Count(); ++i)
      if (items->Item(i)->Caption() == Caption) {
        const TPoint p = ListEntry(i);
        DoubleClickAt(frmMain->lvDirs, p.X, p.Y);
        return;
      }
    ADD_FAILURE() << Caption << " is not listed";
  }
  static std::vector<std::string> Listed() {
    std::vector<std::string> names;
    for (int32_t i = 0; i < frmMain->lvDirs->Items()->Count(); ++i)
      names.push_back(frmMain->lvDirs->Items()->Item(i)->Caption());
    return names;
  }
};

// The user picks a cipher in the drop-down list, types the phrase and
// checks "Use this password as default": a picture encrypted so opens from
// the folder list with no question. Unchecked again, the dialog asks.
TEST_F(NavBarWalk, ThePassPhraseBoxOpensAnEncryptedPictureWithoutAsking) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(dir_ + "/plain.png", "xc:blue", "30x20")) GTEST_SKIP() << "ImageMagick is not installed";
  constexpr int32_t kChosen = 2;
  EncryptFile(dir_ + "/plain.png", pics + "/secret.png", kCipherNames[kChosen], "walk phrase");
  StartProgram();
  frmMain->BrowseFolder(pics);
  ClickTab(1);
  ASSERT_TRUE(frmMain->cbCipher->Showing());

  TComboBox* cipher = frmMain->cbCipher;
  ClickCentre(cipher);
  TComboListBox* list = cipher->ListBox();
  ASSERT_NE(list, nullptr) << "a click on the cipher box drops no list";
  ASSERT_EQ(list->TopIndex(), 0);
  ClickAt(list, 20, list->ItemHeight() * kChosen + list->ItemHeight() / 2);
  EXPECT_EQ(cipher->ListBox(), nullptr) << "the list stays dropped";
  EXPECT_EQ(cipher->ItemIndex(), kChosen);
  EXPECT_EQ(cipher->Text(), kCipherNames[kChosen]);

  ClickAt(frmMain->edPassword, 10, 8);
  Type("walk phrase");
  Pump();
  EXPECT_EQ(frmMain->edPassword->Text(), "walk phrase");
  TTBKCheckBox* asDefault = frmMain->cbPassWordMain;
  ClickAt(asDefault, 6, asDefault->Height() / 2);
  EXPECT_TRUE(asDefault->Checked());

  ClickTab(0);
  WithSteps({}, [&] { DoubleClickEntry("secret.png"); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40 - [secret.png]");
  EXPECT_EQ(Status(1), "W: 30");

  // Unchecked, the box is not tried: the dialog asks, and Cancel gives up.
  ClickTab(1);
  ClickAt(asDefault, 6, asDefault->Height() / 2);
  EXPECT_FALSE(asDefault->Checked());
  ClickTab(0);
  WithSteps({[this] {
              ASSERT_EQ(Screen->ActiveForm(), frmPassword);
              ClickCentre(frmPassword->TBKButton2);
            }},
            [&] { DoubleClickEntry("secret.png"); });
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40");
}

// A click on an entry only selects it, the arrow keys move the selection
// within the list, and a double click on ".." lists the parent folder.
TEST_F(NavBarWalk, TheFolderListSelectsOnAClickAndGoesUpOnTheParentEntry) {
  const std::string pics = dir_ + "/pics";
  if (!MakeImage(pics + "/a.png") || !MakeImage(pics + "/b.png", "xc:white"))
    GTEST_SKIP() << "ImageMagick is not installed";
  StartProgram();
  frmMain->BrowseFolder(pics);
  ASSERT_EQ(Listed(), (std::vector<std::string>{"..", "a.png", "b.png"}));
  const TPoint a = ListEntry(1);
  WithSteps({}, [&] { ClickAt(frmMain->lvDirs, a.X, a.Y); });
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), 1);
  EXPECT_TRUE(frmMain->lvDirs->Focused());
  PressKey(VK_DOWN);
  EXPECT_EQ(frmMain->lvDirs->ItemIndex(), 2);
  EXPECT_EQ(frmMain->Caption(), "Nobrivo 1.40") << "a click or a key in the list opened a file";
  EXPECT_EQ(frmMain->Imago1->GetIEBitmap()->Width(), 0);

  DoubleClickEntry("..");
  EXPECT_EQ(frmMain->CurrentDir(), pics + "/..");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "config", "pics"}));
  DoubleClickEntry("pics");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"..", "a.png", "b.png"}));
}

// The splitter right of the bar widens it as it is dragged; the popup
// button at the end of the icon row has nothing to offer and changes
// nothing.
TEST_F(NavBarWalk, TheSplitterResizesTheBarAndThePopupButtonChangesNothing) {
  StartProgram();
  TUxNavBar* bar = frmMain->UxNavBar1;
  TSplitter* splitter = frmMain->Splitter1;
  ASSERT_EQ(bar->Width(), 201);
  ASSERT_EQ(splitter->Left(), 201);
  DragOn(splitter, TPoint{1, splitter->Height() / 2}, TPoint{61, splitter->Height() / 2});
  EXPECT_EQ(bar->Width(), 261);
  EXPECT_EQ(frmMain->lvDirs->Width(), frmMain->UxNavBarPanel1->Width());
  EXPECT_GT(frmMain->lvDirs->Width(), 250);
  DragOn(splitter, TPoint{1, splitter->Height() / 2}, TPoint{-99, splitter->Height() / 2});
  EXPECT_EQ(bar->Width(), 161);

  const TRect popup = bar->PopupButtonRect();
  ASSERT_GT(popup.Width(), 0);
  const TRect page = frmMain->UxNavBarPanel1->BoundsRect();
  WithSteps({}, [&] { ClickAt(bar, (popup.Left + popup.Right) / 2, (popup.Top + popup.Bottom) / 2); });
  EXPECT_EQ(bar->ActiveTabIndex(), 0);
  EXPECT_EQ(bar->SplitterPosition(), 2);
  EXPECT_EQ(frmMain->UxNavBarPanel1->BoundsRect(), page);
  EXPECT_TRUE(frmMain->lvDirs->Showing());
  EXPECT_EQ(Screen->ActiveForm(), frmMain);
}

}  // namespace
