// What the input/output component needs of the save-parameter dialog: the
// form lives with the views, above this library, and installs a factory
// here. TImagoIO::DoPreviews makes one dialog per showing through it, fills
// it, shows it and releases it; without a factory there is no dialog to show.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "imaging/model/TMsgLanguage.h"
#include "rtl/TSet.h"
#include "ui/TForm.h"

class TComponent;
class TFont;
class TIEBitmap;
class TIOParamsVals;

class TIEIOPreviewsDialog {
 public:
  virtual ~TIEIOPreviewsDialog() = default;

  // The form itself, for the component's OnIOPreview handlers.
  virtual TCustomForm* Form() = 0;

  virtual void SetDefaultLockPreview(bool Value) = 0;
  virtual void SetApplyButtonVisible(bool Value) = 0;
  // The record the dialog edits; it writes the accepted parameters back.
  virtual void SetParams(TIOParamsVals* Params) = 0;
  virtual void SetSimplified(bool Value) = 0;
  // Heights in pixels; set only for the simplified layout.
  virtual void SetPageControlHeight(int32_t Value) = 0;
  virtual void SetFormHeight(int32_t Value) = 0;
  virtual void SetDitherMethod(uint8_t Value) = 0;
  virtual void SetLanguage(TMsgLanguage Language) = 0;
  // Copies the font.
  virtual void SetFont(TFont* Font) = 0;
  // The source view shows Bitmap without copying it, until it is handed
  // null; the dialog never changes it.
  virtual void SetSourceBitmap(TIEBitmap* Bitmap) = 0;
  virtual void BlankResult() = 0;
  // Pages: the parameter-page bits of the format registry. False when no
  // page applies: the dialog is then not shown.
  virtual bool SetPageSet(uint16_t Pages) = 0;
  virtual TModalResult ShowModal() = 0;
  // The last call: the dialog frees itself (now or once its messages are
  // done with).
  virtual void Release() = 0;
};

// Holds a shown dialog: on leaving the scope, however the showing ends, the
// source view lets go of the image and the dialog is released.
class TIEIOPreviewsDialogHold {
 public:
  explicit TIEIOPreviewsDialogHold(TIEIOPreviewsDialog* Dialog) : dialog_(Dialog) {}
  ~TIEIOPreviewsDialogHold() {
    dialog_->SetSourceBitmap(nullptr);
    dialog_->Release();
  }
  TIEIOPreviewsDialogHold(const TIEIOPreviewsDialogHold&) = delete;
  TIEIOPreviewsDialogHold& operator=(const TIEIOPreviewsDialogHold&) = delete;

 private:
  TIEIOPreviewsDialog* dialog_;
};

// Makes a dialog owned by Owner (the component's owner tree frees it if
// Release has not).
using TIEIOPreviewsDialogFactory = std::function<TIEIOPreviewsDialog*(TComponent* Owner)>;

// Installs the factory; an empty one removes it.
void SetIOPreviewsDialogFactory(TIEIOPreviewsDialogFactory Factory);
TIEIOPreviewsDialogFactory IOPreviewsDialogFactory();

// What an input/output component hands the dialog before showing it.
struct TIEIOPreviewsSetup {
  bool DefaultLockPreview = false;
  bool ApplyButton = false;
  // The simplified layout, with its heights in pixels.
  bool Simplified = false;
  int32_t PageControlHeight = 0, FormHeight = 0;
  uint8_t DitherMethod = 0;
  TIOParamsVals* Params = nullptr;
  TMsgLanguage Language{};
  TFont* Font = nullptr;
  TIEBitmap* Source = nullptr;
};

// Options of the save-parameter dialog.
enum TIOPreviewsParam : uint8_t { ioppDefaultLockPreview, ioppApplyButton };
using TIOPreviewsParams = TSet<TIOPreviewsParam, 2>;

// The part of the set-up both input/output components share: the options
// and the layout, with the simplified layout's page control and form
// heights given per inch of the screen (pixels = Trunc(ppi * height)). Each
// component keeps its own heights: the single-image one 122 and 360 pixels
// at 96 ppi, the multi-image one 121 and 330.
TIEIOPreviewsSetup IOPreviewsSetupFor(TIOPreviewsParams Options, bool Simplified, double PageControlPerInch,
                                      double FormPerInch);

// Makes a dialog owned by Owner through Factory, sets it up and, when a page
// of Pages applies, shows it; BeforeShow (may be empty) sees the dialog just
// before. Whether the user accepted; nothing when the factory made no dialog.
std::optional<bool> ShowIOPreviewsDialog(const TIEIOPreviewsDialogFactory& Factory, TComponent* Owner,
                          const TIEIOPreviewsSetup& Setup, uint16_t Pages,
                          const std::function<void(TIEIOPreviewsDialog*)>& BeforeShow);
