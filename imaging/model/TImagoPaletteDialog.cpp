#include "imaging/model/TImagoPaletteDialog.h"

#include <algorithm>

#include "ui/TCanvas.h"

RTL_DEFINE_CLASS(TImagoPaletteDialog, TForm)

namespace {
TColor ColorOf(const TRGB& c) { return c.r | (c.g << 8) | (c.b << 16); }
}  // namespace

TImagoPaletteDialog::TImagoPaletteDialog(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetCaption("Palette");
  SetPosition(poScreenCenter);
  SetBounds(Left(), Top(), 520, 199);
  cancel_ = new TButton(this);
  cancel_->SetParent(this);
  cancel_->SetCaption("&Cancel");
  cancel_->SetCancel(true);
  cancel_->SetModalResult(mrCancel);
  cancel_->SetLeft(4);
  cancel_->SetTop(136);
}

TRect TImagoPaletteDialog::CellRect(int32_t Index) {
  const int32_t c = Index % CellsPerRow, r = Index / CellsPerRow;
  return TRect{c * CellSize + 1, r * CellSize + 1, c * CellSize + CellSize, r * CellSize + CellSize};
}

void TImagoPaletteDialog::SetPalette(const TRGB* Colours, int32_t Count) {
  Count = std::clamp(Count, 0, MaxColors);
  colours_.assign(Colours, Colours + (Colours ? Count : 0));
  selected_ = -1;
  Invalidate();
}

bool TImagoPaletteDialog::Execute() {
  selected_ = -1;
  return ShowModal() == mrOk;
}

void TImagoPaletteDialog::Paint() {
  TForm::Paint();
  TCanvas* canvas = Canvas();
  canvas->Pen()->SetStyle(psSolid);
  canvas->Brush()->SetStyle(bsSolid);
  for (int32_t i = 0; i < ColorCount(); ++i) {
    canvas->Brush()->SetColor(ColorOf(colours_[static_cast<size_t>(i)]));
    canvas->Pen()->SetColor(i == selected_ ? clBlack : clWhite);
    canvas->Rectangle(CellRect(i));
  }
}

void TImagoPaletteDialog::MouseMove(TShiftState Shift, int32_t X, int32_t Y) {
  TForm::MouseMove(Shift, X, Y);
  // Points left of or above the first cell give no cell (the division
  // rounds towards zero).
  if (X < 1 || Y < 1) return;
  const int32_t col = (X - 1) / CellSize;
  if (col >= CellsPerRow) return;
  const int32_t cell = ((Y - 1) / CellSize) * CellsPerRow + col;
  if (cell < ColorCount() && cell != selected_) {
    selected_ = cell;
    Invalidate();
  }
}

void TImagoPaletteDialog::Click() {
  TForm::Click();
  // A click before any cell has been pointed at has no colour to answer.
  if (selected_ < 0 || selected_ >= ColorCount()) return;
  result_ = ColorOf(colours_[static_cast<size_t>(selected_)]);
  SetModalResult(mrOk);
}
