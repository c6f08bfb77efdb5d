#pragma once
// The program's toolbar: the core toolbar measured and painted through the
// current theme (view kind, effective colour, docked frame, background,
// floating frame size). It does not leave its dock on a double click.

#include "toolbar/TDKCustomToolbar.h"
#include "toolbar/TTBKTheme.h"

// Whether items are drawn flat (transparent) or as raised buttons; auto:
// raised only on a toolbar placed directly on a form.
enum TTBKItemTransparency { itAuto, itEnable, itDisable };

class TTBKToolbarView : public TDKToolbarView {
  RTL_CLASS(TTBKToolbarView, TDKToolbarView)
 public:
  using TDKToolbarView::TDKToolbarView;
  // The theme's padding of the item area for the toolbar's view kind.
  TRect GetViewMargins(TDKLayoutOrientation Orientation) override;
};

class TTBKToolbar : public TDKCustomToolbar {
  RTL_CLASS(TTBKToolbar, TDKCustomToolbar)
 public:
  explicit TTBKToolbar(TComponent* AOwner);
  ~TTBKToolbar() override;

  TTBKItemTransparency ItemTransparency() const { return itemTransparency_; }
  void SetItemTransparency(TTBKItemTransparency v);
  int32_t SnapDistance() const { return snapDistance_; }
  void SetSnapDistance(int32_t v);
  // The colour actually used: Color, or for clNone the parent's colour (on
  // a form) or the theme's colour of the view kind.
  TColor EffectiveColor() const { return effectiveColor_; }
  uint32_t ViewKind();

  virtual void FillToolbarInfo(TTBKToolbarPaintInfo& Info);
  void UpdateEffectiveColor();
  void BroadcastParentColor();
  // The item's viewer rectangle in the toolbar (empty when it does not show).
  TRect ItemRect(TDKCustomItem* Item);

  void RenderNCArea(bool ToDC, HDC DC, HRGN Clip) override;
  TSize FloatingFrameSize() override;
  TDKFloatingWindowParent* MakeFloatParent() override;
  void SetParent(TWinControl* AParent) override;
  void Dispatch(TMessage& Message) override;

 private:
  bool PlacedOnForm() const { return !IsDocked() && !IsFloating(); }
  void EraseBackground(HDC DC);
  void RepaintViewerBackgrounds();
  TTBKItemTransparency itemTransparency_ = itAuto;
  int32_t snapDistance_ = 0;
  TColor effectiveColor_ = clBtnFace;
  bool themeUpdating_ = false;
};
