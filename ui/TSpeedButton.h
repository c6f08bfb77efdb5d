// The speed button: a graphic button with a glyph and a caption, usually on
// a tool bar. Flat buttons show their frame only under the pointer. Buttons
// of the same GroupIndex (not 0) on one parent behave as radio buttons: the
// one pressed stays Down and the others come up; with AllowAllUp the down
// one may be pressed up again. A lone button with a GroupIndex toggles.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TControl.h"

class TSpeedButton : public TGraphicControl {
  RTL_CLASS(TSpeedButton, TGraphicControl)
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;

  bool Flat() const { return flat_; }
  void SetFlat(bool v);
  TBitmap* Glyph() const { return glyph_; }
  void SetGlyph(TBitmap* v) { glyph_->Assign(v); }
  // Images side by side in the glyph: up, disabled, down, down-and-held.
  int32_t NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int32_t v);
  int32_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int32_t v) { groupIndex_ = v; }
  bool Down() const { return down_; }
  void SetDown(bool v);
  bool AllowAllUp() const { return allowAllUp_; }
  void SetAllowAllUp(bool v) { allowAllUp_ = v; }
  bool MouseInControl() const { return mouseIn_; }

  void Click() override;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  bool GroupHasOthers() const;
  void GlyphChanged(TObject*) { Invalidate(); }
  bool flat_ = false;
  TBitmap* glyph_;
  int32_t numGlyphs_ = 1;
  int32_t groupIndex_ = 0;
  bool down_ = false;
  bool allowAllUp_ = false;
  bool pressed_ = false;  // held by the mouse
  bool mouseIn_ = false;
};
