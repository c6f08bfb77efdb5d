#pragma once
// The themed floating tool window: the theme draws its frame, caption and
// close button; it tracks the close button's hover and snaps to the edges
// of the work area when moved.

#include "toolbar/TDKFloatingWindow.h"

class TTBKFloatingWindowParent : public TDKFloatingWindowParent {
  RTL_CLASS(TTBKFloatingWindowParent, TDKFloatingWindowParent)
 public:
  explicit TTBKFloatingWindowParent(TComponent* AOwner) : TDKFloatingWindowParent(AOwner) {}
  int32_t SnapDistance() const { return snapDistance_; }
  void SetSnapDistance(int32_t v) { snapDistance_ = v < 0 ? 0 : v; }
  bool CloseButtonHover() const { return closeButtonHover_; }

  void DrawFrame(bool ToDC, HDC DC, TDKFloatFrameParts Parts, HRGN Clip) override;
  void Dispatch(TMessage& Message) override;

 private:
  void SetCloseButtonHover(bool v);
  int32_t snapDistance_ = 0;
  bool closeButtonHover_ = false;
};

// Moves R (keeping its size) so that each edge closer than Distance to the
// same edge of WorkArea lies on it: right, bottom, left, then top.
void SnapToWorkArea(TRect& R, const TRect& WorkArea, int32_t Distance);
