// The main window's pictures: every toolbar item and every folder entry
// shows a picture of the window's image list, and the toolbar paints them.
#include "tests/e2e/ProgramTestSupport.h"

#include <fstream>
#include <set>

#include "app/AboutPictures.h"
#include "panels/PictureContainer.h"
#include "platform/Backend.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TImageList.h"
#include "ui/TListView.h"

namespace {
bool HasPicture(TCustomImageList* List, int32_t Index) {
  int32_t opaque = 0;
  for (uint32_t p : List->Pixels(Index)) opaque += (p >> 24) == 255;
  return opaque >= 40;
}
}  // namespace

TEST_F(ProgramTest, ToolbarAndFolderListShowTheirPictures) {
  const std::string pics = dir_ + "/pics";
  { std::ofstream(pics + "/photo.jpg") << "x"; }
  { std::ofstream(pics + "/notes.txt") << "x"; }
  fs::create_directory(pics + "/sub");
  StartProgram();
  TCustomImageList* images = frmMain->ImageListButtons;
  EXPECT_EQ(frmMain->TBKToolbar1->Images(), images);
  std::set<int32_t> toolbarImages;
  TDKCustomItem* root = frmMain->TBKToolbar1->Items();
  for (int32_t i = 0; i < root->ChildCount(); ++i) {
    TDKCustomItem* item = root->GetItem(i);
    if (dynamic_cast<TDKSeparatorItem*>(item)) continue;
    EXPECT_TRUE(HasPicture(images, item->ImageIndex())) << item->Name();
    toolbarImages.insert(item->ImageIndex());
  }
  EXPECT_EQ(toolbarImages.size(), 9u) << "each item has its own picture";

  frmMain->BrowseFolder(pics);
  std::set<int32_t> listImages;
  for (int32_t i = 0; i < frmMain->lvDirs->Items()->Count(); ++i) {
    const int32_t icon = frmMain->lvDirs->Items()->Item(i)->ImageIndex();
    EXPECT_TRUE(HasPicture(images, icon)) << frmMain->lvDirs->Items()->Item(i)->Caption();
    listImages.insert(icon);
  }
  EXPECT_EQ(listImages.size(), 3u) << "folders, pictures and other files look different";

  // The open item's picture sits centred above its caption.
  frmMain->TBKToolbar1->Repaint();
  const Surface s = CopyWindowPixels(frmMain->TBKToolbar1->Handle());
  TRect r = frmMain->TBKToolbar1->ItemRect(frmMain->btnLoad);
  // From the toolbar's client area to its window, past the docked frame.
  TRect wr;
  GetWindowRect(frmMain->TBKToolbar1->Handle(), wr);
  const TPoint origin = frmMain->TBKToolbar1->ClientOrigin();
  OffsetRect(&r, origin.X - wr.Left, origin.Y - wr.Top);
  const std::vector<uint32_t>& px = images->Pixels(frmMain->btnLoad->ImageIndex());
  int32_t checked = 0;
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) {
      const uint32_t p = px[size_t(y * 16 + x)];
      if ((p >> 24) != 255) continue;
      ++checked;
      EXPECT_EQ(PixelToColorRef(s.At(r.Left + (r.Width() - 16) / 2 + x, r.Top + 2 + y) & 0xFFFFFF),
                PixelToColorRef(p & 0xFFFFFF))
          << x << "," << y;
    }
  EXPECT_GT(checked, 40);
}

// The panel controls' "RES://" addresses find the program's own pictures.
TEST_F(ProgramTest, PictureAddressesFindTheProgramsOwnPictures) {
  StartProgram();
  THTMLPicture logo, landscape, none;
  logo.SetURL("RES://LOGO");
  landscape.SetURL("res://landscape");
  none.SetURL("RES://NOTHING");
  EXPECT_EQ(logo.Width(), kLogoSide);
  EXPECT_EQ(logo.Height(), kLogoSide);
  EXPECT_EQ(landscape.Width(), kLandscapeWidth);
  EXPECT_EQ(landscape.Height(), kLandscapeHeight);
  EXPECT_TRUE(none.Empty());
}
