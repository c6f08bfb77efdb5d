// The palette picker: a small modal form that shows up to 256 colours in
// cells of 16 by 16 pixels, 32 to a row. Moving the mouse selects a cell,
// a click answers with its colour.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/model/IEPixelTypes.h"
#include "ui/TButton.h"
#include "ui/TForm.h"

class TImagoPaletteDialog : public TForm {
  RTL_CLASS(TImagoPaletteDialog, TForm)
 public:
  explicit TImagoPaletteDialog(TComponent* AOwner);

  // Takes Count colours (at most 256) from Colours.
  void SetPalette(const TRGB* Colours, int32_t Count);
  int32_t ColorCount() const { return static_cast<int32_t>(colours_.size()); }
  // Shows the dialog modally; true when a colour was clicked.
  bool Execute();
  // The clicked colour, red in the low byte.
  TColor ResultColor() const { return result_; }
  // The cell under the mouse, -1 when none has been pointed at yet.
  int32_t SelectedCell() const { return selected_; }

  TButton* CancelButton() const { return cancel_; }

  static constexpr int32_t CellSize = 16;
  static constexpr int32_t CellsPerRow = 32;
  static constexpr int32_t MaxColors = 256;
  // The rectangle of cell Index.
  static TRect CellRect(int32_t Index);

 protected:
  void Paint() override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void Click() override;

 private:
  std::vector<TRGB> colours_;
  int32_t selected_ = -1;
  TColor result_ = 0;
  TButton* cancel_ = nullptr;
};
