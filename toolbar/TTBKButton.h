#pragma once
// The themed push button: its face, caption, image and drop-down arrow are
// drawn by the current theme as a toolbar button's. A click gives the form
// its ModalResult and runs OnClick; buttons of one parent sharing a
// GroupIndex check exclusively; a Repeating button clicks while held; a
// button with a DropDownMenu opens it below itself (a split button only
// from its arrow part).

#include <cstdint>
#include <functional>
#include <memory>

#include "toolbar/TTBKPanelObject.h"
#include "ui/TForm.h"
#include "toolbar/TTBKTheme.h"

class TChangeLink;
class TCustomImageList;
class TTimer;

// A menu a button drops down: it pops up at a screen point and returns once
// it has closed.
class TTBKDropDownMenu : public TComponent {
  RTL_CLASS(TTBKDropDownMenu, TComponent)
 public:
  explicit TTBKDropDownMenu(TComponent* AOwner) : TComponent(AOwner) {}
  // The control the menu was opened for.
  TComponent* PopupComponent() const { return popupComponent_; }
  void SetPopupComponent(TComponent* v) { popupComponent_ = v; }
  virtual void Popup(int32_t X, int32_t Y) = 0;

 private:
  TComponent* popupComponent_ = nullptr;
};

RTL_ENUM(TButtonStyle, bsNormal, bsFlat);
RTL_ENUM(TButtonLayout, blGlyphLeft, blGlyphTop, blGlyphRight, blGlyphBottom);

class TTBKCustomButton : public TTBKTextObject {
  RTL_CLASS(TTBKCustomButton, TTBKTextObject)
 public:
  explicit TTBKCustomButton(TComponent* AOwner);
  ~TTBKCustomButton() override;

  bool AllowAllUnchecked() const { return allowAllUnchecked_; }
  void SetAllowAllUnchecked(bool v);
  int32_t BorderSize() const { return borderSize_; }
  void SetBorderSize(int32_t v);
  TButtonStyle ButtonStyle() const { return buttonStyle_; }
  void SetButtonStyle(TButtonStyle v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool DropDownCombo() const { return dropDownCombo_; }
  void SetDropDownCombo(bool v);
  TTBKDropDownMenu* DropDownMenu() const { return dropDownMenu_; }
  void SetDropDownMenu(TTBKDropDownMenu* v);
  int32_t GlyphSpacing() const { return glyphSpacing_; }
  void SetGlyphSpacing(int32_t v);
  int32_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int32_t v);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout v);
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult v) { modalResult_ = v; }
  bool Repeating() const { return repeating_; }
  void SetRepeating(bool v) { repeating_ = v; }
  int32_t RepeatDelay() const { return repeatDelay_; }
  void SetRepeatDelay(int32_t v) { repeatDelay_ = v; }
  int32_t RepeatInterval() const { return repeatInterval_; }
  void SetRepeatInterval(int32_t v) { repeatInterval_ = v; }
  std::function<void(TObject* Sender, bool& Allow)> OnDropDown;

  bool DroppedDown() const { return droppedDown_; }
  // The repeat timer while a repeating press lasts (null otherwise).
  TTimer* RepeatTimer() const { return repeatTimer_; }

  void Click() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Dispatch(TMessage& Message) override;
  int32_t MeasureContent(TCanvas* Canvas) override;

 protected:
  virtual bool AllowDropDown();
  // Fills the item-state record; whether a drop-down menu exists.
  virtual bool FillItemInfo(TTBKItemPaintInfo& Info);
  virtual bool PointInButton(TPoint P);

  int32_t DrawCaptionText(TCanvas* Canvas, TRect R, UINT Flags) override;
  void GetFocusFrame(const TRect& R, TRect& Frame) override;
  TRect GetInnerPadding() override;
  void FireMouseEnter() override;
  void FireMouseLeave() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void CMDialogChar(TMessage& Message) override;
  void CMDialogKey(TMessage& Message) override;
  void CMCancelMode(TMessage& Message) override;

 private:
  void UpdateGroup();
  void RepeatTick(TObject* Sender);
  void FreeRepeatTimer();
  void CancelMode();
  bool HasImages() const;
  TRect MeasureText(TCanvas* Canvas, TRect R, UINT Flags);
  void ImagesChange(TObject* Sender);
  bool allowAllUnchecked_ = false;
  int32_t borderSize_ = 4;
  TButtonStyle buttonStyle_ = bsNormal;
  bool checked_ = false;
  bool dropDownCombo_ = false;
  TTBKDropDownMenu* dropDownMenu_ = nullptr;
  int32_t glyphSpacing_ = 4;
  int32_t groupIndex_ = 0;
  int32_t imageIndex_ = 0;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TChangeLink> imageLink_;
  TButtonLayout layout_ = blGlyphLeft;
  TModalResult modalResult_ = mrNone;
  bool repeating_ = false;
  int32_t repeatDelay_ = 400;
  int32_t repeatInterval_ = 100;
  bool inClick_ = false;
  bool droppedDown_ = false;
  TTimer* repeatTimer_ = nullptr;
};

class TTBKButton : public TTBKCustomButton {
  RTL_CLASS(TTBKButton, TTBKCustomButton)
 public:
  explicit TTBKButton(TComponent* AOwner) : TTBKCustomButton(AOwner) {}
};

// After a drop-down menu closes: the queued mouse presses and double clicks
// aimed at Control are dropped, the other mouse messages are queued again
// in their order (a quit met on the way is queued again and ends the scan).
void FlushPendingMouseMessages(TControl* Control);
