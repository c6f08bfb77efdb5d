// The up-down control: two arrow buttons that step Position within
// Min..Max by Increment (wrapping round with Wrap). With an Associate (a
// windowed control, usually an edit) the position is written as its text,
// and the up and down arrow keys in it step the position too.
#pragma once

#include <functional>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TUDBtnType, btNext, btPrev);
RTL_ENUM(TUDOrientation, udVertical, udHorizontal);
RTL_ENUM(TUDAlignButton, udLeft, udRight);

using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

class TUpDown : public TCustomControl {
  RTL_CLASS(TUpDown, TCustomControl)
 public:
  explicit TUpDown(TComponent* AOwner);
  void BeforeDestruction() override;

  int32_t Min() const { return min_; }
  void SetMin(int32_t v) { min_ = v; SetPosition(position_); }
  int32_t Max() const { return max_; }
  void SetMax(int32_t v) { max_ = v; SetPosition(position_); }
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v);
  int32_t Increment() const { return increment_; }
  void SetIncrement(int32_t v) { increment_ = v; }
  bool Wrap() const { return wrap_; }
  void SetWrap(bool v) { wrap_ = v; }
  bool Thousands() const { return thousands_; }
  void SetThousands(bool v) { thousands_ = v; UpdateAssociate(); }
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool v) { arrowKeys_ = v; }
  TUDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TUDOrientation v) { orientation_ = v; Invalidate(); }
  TUDAlignButton AlignButton() const { return alignButton_; }
  void SetAlignButton(TUDAlignButton v) { alignButton_ = v; PlaceBesideAssociate(); }
  TWinControl* Associate() const { return associate_; }
  void SetAssociate(TWinControl* v);

  // One step as a press of that button does.
  void StepBy(TUDBtnType Button);

  TUDClickEvent OnClick;
  TUDChangingEvent OnChanging;
  TNotifyEvent OnChange;

  void Notification(TComponent* AComponent, TOperation Operation) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  void UpdateAssociate();
  void PlaceBesideAssociate();
  void AssociateWndProc(TMessage& Message);
  int32_t min_ = 0, max_ = 100, position_ = 0, increment_ = 1;
  bool wrap_ = false, thousands_ = true, arrowKeys_ = true;
  TUDOrientation orientation_ = udVertical;
  TUDAlignButton alignButton_ = udRight;
  TWinControl* associate_ = nullptr;
  TWndMethod associateOldProc_;
  int32_t pressed_ = -1;  // 0 next (up/right), 1 previous
};
