#pragma once
// Themed standalone controls: TTBKPanelObject tracks the hot state with one
// timer shared by all of them, the pressed state (left button or space bar),
// takes the focus on a click only where that does not pull it out of another
// panel (SmartFocus), shows its parent's background when it has no colour
// and repaints when the theme changes. TTBKTextObject adds a caption drawn
// inside margins and an inner padding, with wrapping, ellipsis and
// accelerator options, and a height that follows the caption (AutoSize).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "rtl/TPersistent.h"
#include "toolbar/TTBKTextWrapping.h"
#include "ui/TLabel.h"
#include "ui/TControl.h"

class TTimer;

// Four margins; a change calls OnChange.
class TTBKControlMargins : public TPersistent {
  RTL_CLASS(TTBKControlMargins, TPersistent)
 public:
  TTBKControlMargins() = default;
  int32_t Left() const { return left_; }
  int32_t Top() const { return top_; }
  int32_t Right() const { return right_; }
  int32_t Bottom() const { return bottom_; }
  void SetLeft(int32_t v) { Set(left_, v); }
  void SetTop(int32_t v) { Set(top_, v); }
  void SetRight(int32_t v) { Set(right_, v); }
  void SetBottom(int32_t v) { Set(bottom_, v); }
  // Copies the four margins and calls OnChange once.
  void Assign(TPersistent* Source) override;
  std::function<void()> OnChange;

 private:
  void Set(int32_t& Field, int32_t v);
  int32_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;
};

// Left and top grow, right and bottom shrink by the margins (or a padding
// given as left, top, right, bottom).
void DeflateByMargins(TRect& R, const TTBKControlMargins* Margins);
void DeflateByPadding(TRect& R, const TRect& Padding);
// The dotted focus rectangle, drawn black on white whatever the canvas holds.
void DrawFocusFrame(TCanvas* Canvas, const TRect& R);
// Whether the screen's active control is Container or lies inside it.
bool ActiveControlIsWithin(TWinControl* Container);

class TTBKPanelObject : public TCustomControl {
  RTL_CLASS(TTBKPanelObject, TCustomControl)
 public:
  explicit TTBKPanelObject(TComponent* AOwner);
  ~TTBKPanelObject() override;

  bool SmartFocus() const { return smartFocus_; }
  void SetSmartFocus(bool v) { smartFocus_ = v; }
  bool MouseInControl() const { return mouseInControl_; }
  bool Pushed() const { return pushed_; }
  bool SpaceClicks() const { return spaceClicks_; }
  void SetSpaceClicks(bool v) { spaceClicks_ = v; }
  bool FocusByMouse() const { return focusByMouse_; }
  // Bit 0: paint through an off-screen buffer.
  uint8_t PaintOptions() const { return paintOptions_; }
  void SetPaintOptions(uint8_t v);

  virtual int32_t QueryHeight() { return Height(); }
  virtual int32_t QueryWidth() { return Width(); }

  // The shared hover timer and the control it watches (none when idle).
  static TTimer* HoverTimer() { return hoverTimer_; }
  static TTBKPanelObject* HoveredPanelObject() { return hovered_; }

  void Dispatch(TMessage& Message) override;

 protected:
  virtual void FireMouseEnter();
  virtual void FireMouseLeave();
  void MouseEntered();
  void MouseLeft();
  void StopHoverTracking();
  void HoverTimerTick(TObject* Sender);
  void SetPushedState(bool v) { pushed_ = v; }

  void CreateParams(TCreateParams& Params) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  void KeyUp(uint16_t& Key, TShiftState Shift) override;
  void CMEnabledChanged(TMessage& Message) override;
  void CMParentColorChanged(TMessage& Message) override;
  void CMMouseEnter(TMessage& Message) override;
  void CMMouseLeave(TMessage& Message) override;
  void WMSetFocus(TMessage& Message) override;
  void WMKillFocus(TMessage& Message) override;
  void WMEraseBkgnd(TMessage& Message) override;

 private:
  static TTimer* hoverTimer_;
  static int32_t instances_;
  static TTBKPanelObject* hovered_;
  bool smartFocus_ = true;
  bool mouseInControl_ = false;
  bool pushed_ = false;
  bool spaceClicks_ = false;
  bool focusByMouse_ = false;
  uint8_t paintOptions_ = 0;
};

class TTBKTextObject : public TTBKPanelObject {
  RTL_CLASS(TTBKTextObject, TTBKPanelObject)
 public:
  explicit TTBKTextObject(TComponent* AOwner);
  ~TTBKTextObject() override;

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment v);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool v);
  TTextWrapping Wrapping() const { return wrapping_; }
  void SetWrapping(TTextWrapping v);
  TTBKControlMargins* Margins() const { return margins_.get(); }
  void SetMargins(TTBKControlMargins* v) { margins_->Assign(v); }
  // The alignment, left and right exchanged for right-to-left reading.
  TAlignment EffectiveAlignment() const;

  bool CanAutoSize(int32_t& NewWidth, int32_t& NewHeight) override;
  void Loaded() override;
  void Dispatch(TMessage& Message) override;

  // Flags of the platform's text drawing for an alignment and a wrapping.
  static UINT AlignmentFlags(TAlignment A);
  static UINT DrawWrapFlags(TTextWrapping W);
  static UINT MeasureWrapFlags(TTextWrapping W);

  // The height the caption needs at the current width, padding included.
  virtual int32_t MeasureContent(TCanvas* Canvas);

 protected:
  virtual void AdjustFont(TFont* Font) {}
  // Draws (or with DT_CALCRECT measures) the display text; the text height.
  virtual int32_t DrawCaptionText(TCanvas* Canvas, TRect R, UINT Flags);
  virtual void TextChanged();
  virtual void GetFocusFrame(const TRect& R, TRect& Frame) {}
  virtual std::string GetDisplayText() { return Caption(); }
  virtual TAlignment GetTextAlignment() { return Alignment(); }
  // Left, top, right, bottom.
  virtual TRect GetInnerPadding() { return TRect{0, 0, 0, 0}; }
  void AdjustHeight();
  void Paint() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  UINT AccelFlag() const { return showAccelChar_ ? 0 : DT_NOPREFIX; }
  // A clickable text object clicks on its accelerator character (dialog
  // character notice) and, when focused, on a plain Enter (dialog key
  // notice); each answers whether it took the message.
  bool ClickOnAccelerator(TMessage& Message);
  bool ClickOnEnter(TMessage& Message);

 private:
  bool Measurable() const;
  TAlignment alignment_ = taLeftJustify;
  bool showAccelChar_ = true;
  TTextWrapping wrapping_ = twNone;
  std::unique_ptr<TTBKControlMargins> margins_;
  bool adjusting_ = false;
};
