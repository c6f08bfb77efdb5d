// The screen as the program sees it: its size and resolution, the cursor
// shown everywhere (crDefault lets each control choose), the table of
// cursors by identifier, the forms and which form and control are active.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "rtl/TComponent.h"
#include "ui/TControl.h"

class TCustomForm;

class TScreen : public TComponent {
  RTL_CLASS(TScreen, TComponent)
 public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  TCursor Cursor() const { return cursor_; }
  // A cursor other than crDefault shows over every window of the program
  // (crHourGlass while busy) until crDefault is set again.
  void SetCursor(TCursor v);
  // The platform cursor of an identifier (the arrow for an unknown one).
  HCURSOR Cursors(int32_t Index) const;
  // Adds or replaces a cursor; the program's own use positive identifiers.
  void SetCursors(int32_t Index, HCURSOR Handle);

  int32_t Width() const;
  int32_t Height() const;
  int32_t PixelsPerInch() const { return 96; }
  TRect DesktopRect() const { return Rect(0, 0, Width(), Height()); }
  TRect WorkAreaRect() const;
  int32_t MonitorCount() const { return 1; }
  TFont* HintFont() const { return hintFont_; }

  TCustomForm* ActiveForm() const { return activeForm_; }
  TCustomForm* ActiveCustomForm() const { return activeForm_; }
  TWinControl* ActiveControl() const { return activeControl_; }
  int32_t FormCount() const { return int32_t(forms_.size()); }
  TCustomForm* Forms(int32_t Index) const { return forms_.at(size_t(Index)); }
  int32_t CustomFormCount() const { return FormCount(); }
  TCustomForm* CustomForms(int32_t Index) const { return Forms(Index); }

  TNotifyEvent OnActiveFormChange;
  TNotifyEvent OnActiveControlChange;

  // Kept up to date by the forms.
  void AddForm(TCustomForm* Form);
  void RemoveForm(TCustomForm* Form);
  void SetActiveForm(TCustomForm* Form);
  void SetActiveControl(TWinControl* Control);
  void ControlDestroyed(TWinControl* Control);

 private:
  TCursor cursor_ = crDefault;
  std::map<int32_t, HCURSOR> cursors_;
  std::vector<TCustomForm*> forms_;
  TCustomForm* activeForm_ = nullptr;
  TWinControl* activeControl_ = nullptr;
  TFont* hintFont_;
};

extern TScreen* Screen;
