// The track bar: a slider over Min..Max with tick marks every Frequency
// positions (or at the positions set with SetTick). The mouse drags the
// thumb or pages towards the pointer; arrows move by LineSize, Page Up and
// Down by PageSize, Home and End to the ends. OnChange follows each move.
#pragma once

#include <vector>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TTrackBarOrientation, trHorizontal, trVertical);
RTL_ENUM(TTickMark, tmBottomRight, tmTopLeft, tmBoth);
RTL_ENUM(TTickStyle, tsNone, tsAuto, tsManual);

class TTrackBar : public TCustomControl {
  RTL_CLASS(TTrackBar, TCustomControl)
 public:
  explicit TTrackBar(TComponent* AOwner);

  int32_t Min() const { return min_; }
  void SetMin(int32_t v);
  int32_t Max() const { return max_; }
  void SetMax(int32_t v);
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v);
  int32_t Frequency() const { return frequency_; }
  void SetFrequency(int32_t v);
  int32_t LineSize() const { return lineSize_; }
  void SetLineSize(int32_t v) { lineSize_ = v; }
  int32_t PageSize() const { return pageSize_; }
  void SetPageSize(int32_t v) { pageSize_ = v; }
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation v);
  TTickMark TickMarks() const { return tickMarks_; }
  void SetTickMarks(TTickMark v);
  TTickStyle TickStyle() const { return tickStyle_; }
  void SetTickStyle(TTickStyle v);
  void SetTick(int32_t Value);
  // The positions that get a tick mark, ends included.
  std::vector<int32_t> Ticks() const;
  // Client coordinate (along the bar) of the thumb's centre at position p.
  int32_t PositionToPixel(int32_t p);

  TNotifyEvent OnChange;
  void Dispatch(TMessage& Message) override;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseMove(TShiftState Shift, int32_t X, int32_t Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int32_t X, int32_t Y) override;
  void KeyDown(uint16_t& Key, TShiftState Shift) override;
  virtual void Changed();

 private:
  TRect ChannelRect();
  TRect ThumbRect();
  int32_t PixelToPosition(int32_t pixel);
  int32_t min_ = 0, max_ = 10, position_ = 0, frequency_ = 1, lineSize_ = 1, pageSize_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickMark tickMarks_ = tmBottomRight;
  TTickStyle tickStyle_ = tsAuto;
  std::vector<int32_t> ticks_;
  bool dragging_ = false;
  int32_t dragOffset_ = 0;
};
