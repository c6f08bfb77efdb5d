// The splitter: a thin aligned bar that resizes the control aligned the
// same way just before it (the control it lies against). Dragging moves
// the edge live, keeping both that control and the rest of the parent at
// least MinSize wide; OnCanResize may change or refuse a size, OnMoved
// follows the drag.
#pragma once

#include <functional>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

using TCanResizeEvent = std::function<void(TObject* Sender, int32_t& NewSize, bool& Accept)>;

class TSplitter : public TGraphicControl {
  RTL_CLASS(TSplitter, TGraphicControl)
 public:
  explicit TSplitter(TComponent* AOwner);

  int32_t MinSize() const { return minSize_; }
  void SetMinSize(int32_t v) { minSize_ = std::max<int32_t>(1, v); }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool v) { beveled_ = v; Invalidate(); }
  // The control this splitter resizes, or null.
  TControl* FindControl();

  void Dispatch(TMessage& Message) override;

  TCanResizeEvent OnCanResize;
  TNotifyEvent OnMoved;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;

 private:
  int32_t minSize_ = 30;
  bool beveled_ = false;
  TControl* control_ = nullptr;
  TPoint downPos_{0, 0};
  int32_t startSize_ = 0;
};
