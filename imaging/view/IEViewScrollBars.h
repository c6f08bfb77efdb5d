// The two scroll bars of an image view (0 horizontal, 1 vertical): what the
// view has set on them, putting that on its window, and the client size the
// view has once its frame and the bars it shows are taken off.
#pragma once

#include <cstdint>

class TIEView;

// What the view has set on one of its scroll bars.
struct TIEViewScrollBar {
  bool Visible = false;
  bool Enabled = true;
  int32_t Min = 0, Max = 0, Page = 0, Position = 0;
};

class TIEViewScrollBars {
 public:
  explicit TIEViewScrollBars(TIEView* View) : view_(View) {}
  TIEViewScrollBars(const TIEViewScrollBars&) = delete;
  TIEViewScrollBars& operator=(const TIEViewScrollBars&) = delete;

  TIEViewScrollBar& operator[](int Bar) { return bars_[Bar]; }
  const TIEViewScrollBar& operator[](int Bar) const { return bars_[Bar]; }

  // The window's client size; before the window exists, the control's size
  // less the frame and the bars set visible.
  int32_t ClientWidth() const;
  int32_t ClientHeight() const;

  // Sets the bar invisible, forgets that it was shown and hides it.
  void Hide(int Bar);
  // Puts the bar's settings on the window (nothing before it exists): range,
  // page and position only while enabled.
  void Apply(int Bar);
  // Moves the thumb to Position, on the window too while the bar is visible.
  void MoveThumb(int Bar, int32_t Position);

  // Whether the view has shown the bar since it last hid it.
  bool Shown[2] = {false, false};
  // Flat bars instead of the plain ones.
  bool Flat = false;

 private:
  TIEView* view_;
  TIEViewScrollBar bars_[2];
};

// The origin a scroll bar's notification (Code, Pos) asks of a view at
// Origin: a line or a page either way, either end, or the thumb's place
// scaled back from the bar's units. False for a dragged thumb while the view
// follows only its release (Tracking false).
bool ScrollBarTarget(int32_t Code, int32_t Pos, int64_t Origin, int64_t Line, int64_t Page, int64_t Max,
                     double Scale, bool Tracking, int64_t& Target);
