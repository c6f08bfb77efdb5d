// The common colour dialog. ChooseColor runs a modal dialog of our own with
// the calling contract of the desktop platform's: the caller fills a
// CHOOSECOLOR record (owner window, initial colour, the 16 custom colours,
// flags) and, when the user presses OK, finds the chosen colour in
// rgbResult and the custom colours as the user left them.
//
// The dialog shows 48 basic colours and the 16 custom colours as swatches
// (a click picks one), the red, green and blue values 0..255 in edit boxes
// (typing changes the colour; text that is not a number reads as 0, larger
// numbers as 255), a sample of the colour, "Add to Custom Colors" (puts the
// colour into the selected custom swatch, else the next one in turn), OK
// and Cancel (Escape). Its controls are named (FindComponent): "Basic0" ..
// "Basic47", "Custom0" .. "Custom15", "RedEdit", "GreenEdit", "BlueEdit",
// "Sample", "AddCustomButton", "OkButton" and "CancelButton".
//
// TColorDialog is the component over it: Color in and out, CustomColors
// kept between showings.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Types.h"
#include "platform/Window.h"
#include "rtl/TComponent.h"
#include "ui/TColor.h"

enum : DWORD {
  CC_RGBINIT = 0x00000001,          // start from rgbResult (else black)
  CC_FULLOPEN = 0x00000002,         // accepted; the dialog always shows everything
  CC_PREVENTFULLOPEN = 0x00000004,  // accepted likewise
  CC_SOLIDCOLOR = 0x00000080,
  CC_ANYCOLOR = 0x00000100,
};

struct CHOOSECOLOR {
  DWORD lStructSize = sizeof(CHOOSECOLOR);
  HWND hwndOwner = nullptr;
  COLORREF rgbResult = 0;
  // 16 colours, read at the start and written back on OK; may be null.
  COLORREF* lpCustColors = nullptr;
  DWORD Flags = 0;
};

// The 48 basic colours, row by row (8 to a row).
extern const COLORREF ColorDialogBasicColors[48];

// True when the user pressed OK. A record of the wrong size answers false
// without showing anything.
bool ChooseColor(CHOOSECOLOR* cc);

class TColorDialog : public TComponent {
  RTL_CLASS(TColorDialog, TComponent)
 public:
  explicit TColorDialog(TComponent* AOwner) : TComponent(AOwner) { custom_.fill(0xFFFFFF); }

  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }
  const std::array<COLORREF, 16>& CustomColors() const { return custom_; }
  void SetCustomColor(int32_t Index, COLORREF Value) {
    if (Index >= 0 && Index < 16) custom_[static_cast<size_t>(Index)] = Value;
  }
  // Shows the dialog starting from Color (resolved to RGB); OK stores the
  // chosen colour in Color.
  bool Execute();

 private:
  TColor color_ = clBlack;
  std::array<COLORREF, 16> custom_{};
};
