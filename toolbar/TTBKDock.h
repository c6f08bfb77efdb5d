#pragma once
// The program's dock site along an edge of a form: its background comes
// from its parent, from the theme or from the dock's own image.

#include "toolbar/TDKDock.h"

class TTBKDock : public TDKDock {
  RTL_CLASS(TTBKDock, TDKDock)
 public:
  explicit TTBKDock(TComponent* AOwner);
  ~TTBKDock() override;

  bool UseParentBackground() const { return useParentBackground_; }
  void SetUseParentBackground(bool v);
  // No background image, Color clNone and a theme that paints docks.
  bool UsesThemeBackground();
  // True while the dock handles its own size change.
  bool Sizing() const { return sizing_; }

  void DrawDockBackground(HDC DC, const TRect& DrawRect) override;
  bool UsesBackground() override;
  void Dispatch(TMessage& Message) override;

 private:
  void RepaintDockedWindows();
  bool useParentBackground_ = false;
  bool moving_ = false;
  bool sizing_ = false;
};
