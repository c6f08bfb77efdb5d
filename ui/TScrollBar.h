// The scroll bar control: a window that is one scroll bar, horizontal or
// vertical, over Min to Max with a page size; arrows move by SmallChange,
// the track by LargeChange, the thumb where it is dragged. Every change of
// the position calls OnChange.
#pragma once

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_ENUM(TScrollBarKind, sbHorizontal, sbVertical);

class TScrollBar : public TWinControl {
  RTL_CLASS(TScrollBar, TWinControl)
 public:
  explicit TScrollBar(TComponent* AOwner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind v);
  int32_t Min() const { return min_; }
  void SetMin(int32_t v) { SetParams(position_, v, max_); }
  int32_t Max() const { return max_; }
  void SetMax(int32_t v) { SetParams(position_, min_, v); }
  int32_t Position() const { return position_; }
  void SetPosition(int32_t v) { SetParams(v, min_, max_); }
  int32_t PageSize() const { return pageSize_; }
  void SetPageSize(int32_t v);
  int32_t SmallChange() const { return smallChange_; }
  void SetSmallChange(int32_t v) { smallChange_ = v; }
  int32_t LargeChange() const { return largeChange_; }
  void SetLargeChange(int32_t v) { largeChange_ = v; }
  // The position is held within Min and Max.
  void SetParams(int32_t APosition, int32_t AMin, int32_t AMax);

  TNotifyEvent OnChange;

  void Dispatch(TMessage& Message) override;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void UpdateBar();
  void Scroll(int32_t Code, int32_t Thumb);
  TScrollBarKind kind_ = sbHorizontal;
  int32_t min_ = 0, max_ = 100, position_ = 0, pageSize_ = 0;
  int32_t smallChange_ = 1, largeChange_ = 1;
};
