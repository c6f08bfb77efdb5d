// The palette picker driven on the headless window system: its layout,
// selection by mouse moves, the answer of a click, and its painting.
#include <gtest/gtest.h>

#include "imaging/model/IEDrawRoutines.h"
#include "imaging/model/TImagoPaletteDialog.h"
#include "tests/ui/FrameworkTestSupport.h"
#include "ui/TButton.h"

namespace {

using PaletteDialogTest = FrameworkTest;

std::vector<TRGB> Colours(int32_t n) {
  std::vector<TRGB> c;
  for (int32_t i = 0; i < n; ++i)
    c.push_back(MakeRGBTriple(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)));
  return c;
}

// The middle of cell Index, in client coordinates.
TPoint CellCentre(int32_t Index) {
  const TRect r = TImagoPaletteDialog::CellRect(Index);
  return TPoint{(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
}

TColor AsColor(const TRGB& c) { return c.r | (c.g << 8) | (c.b << 16); }

TEST_F(PaletteDialogTest, LayoutAndPlacement) {
  auto* dlg = new TImagoPaletteDialog(Application);
  EXPECT_EQ(dlg->Caption(), "Palette");
  EXPECT_EQ(dlg->Width(), 520);
  EXPECT_EQ(dlg->Height(), 199);
  EXPECT_EQ(dlg->BorderStyle(), bsDialog);
  EXPECT_EQ(dlg->BorderIcons(), TBorderIcons{biSystemMenu});
  EXPECT_EQ(dlg->Position(), poScreenCenter);
  TButton* cancel = dlg->CancelButton();
  EXPECT_EQ(cancel->Caption(), "&Cancel");
  EXPECT_EQ(cancel->Left(), 4);
  EXPECT_EQ(cancel->Top(), 136);
  EXPECT_TRUE(cancel->Cancel());
  EXPECT_EQ(cancel->ModalResult(), mrCancel);
  EXPECT_EQ(dlg->SelectedCell(), -1);
  // Cells of 16 pixels, 32 to a row, with a one-pixel gap.
  EXPECT_EQ(TImagoPaletteDialog::CellRect(0), (TRect{1, 1, 16, 16}));
  EXPECT_EQ(TImagoPaletteDialog::CellRect(33), (TRect{17, 17, 32, 32}));
  EXPECT_EQ(TImagoPaletteDialog::CellRect(255), (TRect{497, 113, 512, 128}));
  // More than 256 colours are cut to 256.
  const auto many = Colours(300);
  dlg->SetPalette(many.data(), 300);
  EXPECT_EQ(dlg->ColorCount(), 256);
  bool shown = false;
  WithSteps({[&] {
               shown = true;
               const TRect work = Screen->WorkAreaRect();
               EXPECT_NEAR(dlg->Left(), work.Left + (work.Width() - 520) / 2, 1);
               EXPECT_NEAR(dlg->Top(), work.Top + (work.Height() - 199) / 2, 1);
               // The button is the first windowed control of its own chain.
               EXPECT_EQ(GetOwnerWindowHandle(dlg->CancelButton()), dlg->CancelButton()->Handle());
               Key(VK_ESCAPE);
             }},
            [&] { EXPECT_FALSE(dlg->Execute()); });
  EXPECT_TRUE(shown);
  dlg->Free();
}

TEST_F(PaletteDialogTest, MovesSelectAndAClickAnswersTheColour) {
  auto* dlg = new TImagoPaletteDialog(Application);
  const auto pal = Colours(40);
  dlg->SetPalette(pal.data(), 40);
  std::vector<int32_t> seen;
  auto move = [&](TPoint p) { return [&, p] { MoveTo(dlg, p.X, p.Y); seen.push_back(dlg->SelectedCell()); }; };
  bool painted = false;
  WithSteps({
                // A click before any move has no colour: the dialog stays.
                [&] { Click(dlg, CellCentre(5).X, 150); },  // below the cells, right of the button
                [&] { EXPECT_TRUE(dlg->Visible()); },
                move(CellCentre(35)),
                move(TPoint{0, 0}),             // the margin: no cell
                move(CellCentre(39 + 32)),      // past the colours: unchanged
                move(TPoint{16, 16}),           // the gap's corner still counts as cell 0
                move(TPoint{CellCentre(33).X, CellCentre(33).Y}),
                [&] {
                  // Painting: the selected cell's frame is black, the others' white.
                  dlg->Update();
                  Surface s = CopyWindowPixels(dlg->Handle());
                  TRect wr;
                  GetWindowRect(dlg->Handle(), wr);
                  const TPoint o = dlg->ClientOrigin();
                  auto at = [&](int32_t x, int32_t y) {
                    return PixelToColorRef(s.At(o.X - wr.Left + x, o.Y - wr.Top + y) & 0xFFFFFF);
                  };
                  const TRect sel = TImagoPaletteDialog::CellRect(33), other = TImagoPaletteDialog::CellRect(2);
                  EXPECT_EQ(at(sel.Left, sel.Top), RGB(0, 0, 0));
                  EXPECT_EQ(at(other.Left, other.Top), RGB(255, 255, 255));
                  EXPECT_EQ(at(other.Left + 5, other.Top + 5), static_cast<COLORREF>(AsColor(pal[2])));
                  EXPECT_EQ(at(sel.Left + 5, sel.Top + 5), static_cast<COLORREF>(AsColor(pal[33])));
                  painted = true;
                },
                [&] { Click(dlg, CellCentre(33).X, CellCentre(33).Y); },
            },
            [&] { EXPECT_TRUE(dlg->Execute()); });
  EXPECT_TRUE(painted);
  EXPECT_EQ(seen, (std::vector<int32_t>{35, 35, 35, 0, 33}));
  EXPECT_EQ(dlg->ResultColor(), AsColor(pal[33]));
  dlg->Free();
}

TEST_F(PaletteDialogTest, OwnerWindowHandle) {
  auto* form = new TForm(Application);
  auto* child = new TComponent(form);
  EXPECT_EQ(GetOwnerWindowHandle(child), nullptr);  // no window yet
  HWND h = form->Handle();
  EXPECT_EQ(GetOwnerWindowHandle(child), h);
  EXPECT_EQ(GetOwnerWindowHandle(nullptr), nullptr);
  EXPECT_EQ(GetOwnerWindowHandle(Application), nullptr);
  EXPECT_TRUE(IsWin2000OrMe());
  form->Free();
}

}  // namespace
