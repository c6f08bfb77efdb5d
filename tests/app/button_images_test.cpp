// The program's drawn pictures and how the toolbar paints them.
#include "tests/ui/FrameworkTestSupport.h"

#include <set>

#include "app/ButtonImages.h"
#include "platform/Backend.h"
#include "toolbar/TTBKDock.h"
#include "toolbar/TTBKItem.h"
#include "toolbar/TTBKToolbar.h"
#include "ui/TBitmap.h"
#include "ui/TCanvas.h"
#include "ui/TImageList.h"
#include "platform/Text.h"

namespace {
const std::vector<int32_t> kUsed = {ButtonImage::Page,       ButtonImage::Open,       ButtonImage::Save,
                                    ButtonImage::SaveEncrypted, ButtonImage::FullScreen, ButtonImage::RotateLeft,
                                    ButtonImage::RotateRight, ButtonImage::Options,    ButtonImage::About,
                                    ButtonImage::Folder,     ButtonImage::ImageFile};

int32_t Opaque(const std::vector<uint32_t>& Px) {
  int32_t n = 0;
  for (uint32_t p : Px) n += (p >> 24) == 255;
  return n;
}

uint32_t Rgb(uint32_t Pixel) { return PixelToColorRef(Pixel & 0xFFFFFF); }
}  // namespace

class ButtonImagesTest : public FrameworkTest {};

TEST_F(ButtonImagesTest, EveryUsedIndexHoldsItsOwnPicture) {
  TImageList list(nullptr);
  FillButtonImages(&list);
  EXPECT_EQ(list.Width(), 16);
  EXPECT_EQ(list.Height(), 16);
  ASSERT_EQ(list.Count(), ButtonImage::Count);
  std::set<std::vector<uint32_t>> seen;
  for (int32_t i : kUsed) {
    const std::vector<uint32_t>& px = list.Pixels(i);
    ASSERT_EQ(px.size(), 256u) << i;
    EXPECT_GE(Opaque(px), 40) << "picture " << i << " is nearly empty";
    EXPECT_TRUE(seen.insert(px).second) << "picture " << i << " repeats another";
    EXPECT_EQ(px, DrawButtonImage(i)) << i;
  }
  // The rotations are mirror images of each other.
  const auto& l = list.Pixels(ButtonImage::RotateLeft);
  const auto& r = list.Pixels(ButtonImage::RotateRight);
  for (int32_t y = 0; y < 16; ++y)
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(l[size_t(y * 16 + x)], r[size_t(y * 16 + 15 - x)]);
  // Unused places are fully transparent, and filling again starts afresh.
  for (uint32_t p : list.Pixels(0)) ASSERT_EQ(p >> 24, 0u);
  FillButtonImages(&list);
  EXPECT_EQ(list.Count(), ButtonImage::Count);
}

TEST_F(ButtonImagesTest, ToolbarItemsPaintTheirPictureAboveOrBesideTheCaption) {
  auto* form = new TForm(Application);
  form->SetBounds(0, 0, 500, 200);
  auto* images = new TImageList(form);
  FillButtonImages(images);
  auto* dock = new TTBKDock(form);
  dock->SetParent(form);
  auto* bar = new TTBKToolbar(form);
  bar->SetCurrentDock(dock);
  bar->SetImages(images);
  auto* open = new TTBKItem(form);
  open->SetCaption("Open Image");
  open->SetImageIndex(ButtonImage::Open);
  auto* save = new TTBKItem(form);
  save->SetCaption("Save Image");
  save->SetImageIndex(ButtonImage::Save);
  save->SetEnabled(false);
  for (TTBKItem* item : {open, save}) {
    item->SetDisplayMode(nbdmImageAndText);
    item->SetLayout(tbklGlyphTop);
    bar->Items()->Add(item);
  }
  form->Show();
  bar->Repaint();

  // Where the picture is opaque the bar shows its colours, elsewhere the
  // bar's own face; the disabled item's picture is drawn otherwise.
  auto check = [&](TTBKItem* item, int32_t gx, int32_t gy, bool same) {
    const Surface s = CopyWindowPixels(bar->Handle());
    // Client coordinates to the window's, past the docked frame.
    TRect wr;
    GetWindowRect(bar->Handle(), wr);
    const TPoint origin = bar->ClientOrigin();
    gx += origin.X - wr.Left;
    gy += origin.Y - wr.Top;
    const std::vector<uint32_t>& px = images->Pixels(item->ImageIndex());
    int32_t opaque = 0, differ = 0;
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x) {
        const uint32_t p = px[size_t(y * 16 + x)];
        const uint32_t shown = Rgb(s.At(gx + x, gy + y));
        if ((p >> 24) == 255) {
          ++opaque;
          if (same) {
            EXPECT_EQ(shown, Rgb(p)) << item->Caption() << " at " << x << "," << y;
          }
          differ += shown != Rgb(p);
        } else if ((p >> 24) == 0) {
          EXPECT_EQ(shown, ColorToRGB(clBtnFace)) << item->Caption() << " at " << x << "," << y;
        }
      }
    EXPECT_GT(opaque, 40);
    if (!same) {
      EXPECT_GT(differ, opaque / 2) << "a disabled picture is greyed";
    }
  };
  // Above the caption: picture, a 2-pixel gap and caption are centred
  // together inside the item's 2-pixel edge.
  auto captionHeight = [&](TTBKItem* item) {
    TBitmap b;
    b.Canvas()->Font()->Assign(bar->View()->ItemFont());
    TRect t{0, 0, 1, 0};
    DrawText(b.Canvas()->Handle(), item->Caption(), &t, DT_CALCRECT);
    return t.Bottom;
  };
  TRect r = bar->ItemRect(open);
  check(open, r.Left + (r.Width() - 16) / 2, r.Top + (r.Height() - 18 - captionHeight(open)) / 2, true);
  r = bar->ItemRect(save);
  check(save, r.Left + (r.Width() - 16) / 2, r.Top + (r.Height() - 18 - captionHeight(save)) / 2, false);

  // Beside the caption: the picture at the left (past the item's 2-pixel
  // edge, centred in a column one pixel wider on each side), centred in
  // height, and the item wider by the picture.
  const int32_t topWidth = bar->ItemRect(open).Width();
  for (TTBKItem* item : {open, save}) item->SetLayout(tbklGlyphLeft);
  bar->Repaint();
  r = bar->ItemRect(open);
  EXPECT_GE(r.Width(), topWidth + 16);
  check(open, r.Left + 3, r.Top + (r.Height() - 16) / 2, true);
  // The bar follows changes of its list: an emptied list leaves the
  // picture's place blank (the item keeps its room), a filled one shows it.
  images->Clear();
  bar->Repaint();
  {
    const Surface s = CopyWindowPixels(bar->Handle());
    TRect wr;
    GetWindowRect(bar->Handle(), wr);
    const TPoint origin = bar->ClientOrigin();
    int32_t face = 0;
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 16; ++x)
        face += Rgb(s.At(origin.X - wr.Left + r.Left + 3 + x, origin.Y - wr.Top + r.Top + (r.Height() - 16) / 2 + y)) ==
                ColorToRGB(clBtnFace);
    EXPECT_EQ(face, 256);
  }
  FillButtonImages(images);
  bar->Repaint();
  EXPECT_EQ(bar->ItemRect(open).Width(), r.Width());
  check(open, r.Left + 3, r.Top + (r.Height() - 16) / 2, true);

  // Text only: no picture, and the items narrow again.
  for (TTBKItem* item : {open, save}) item->SetDisplayMode(nbdmTextOnly);
  bar->Repaint();
  r = bar->ItemRect(open);
  EXPECT_LT(r.Width(), topWidth + 16);
  const Surface s = CopyWindowPixels(bar->Handle());
  TRect wr;
  GetWindowRect(bar->Handle(), wr);
  const TPoint origin = bar->ClientOrigin();
  EXPECT_EQ(Rgb(s.At(origin.X - wr.Left + r.Left + 2 + 8, origin.Y - wr.Top + r.Top + 2)), ColorToRGB(clBtnFace));
  form->Free();
}
