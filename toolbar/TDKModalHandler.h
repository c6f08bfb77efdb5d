#pragma once
// The library's own modal menu loop: it holds the mouse capture, feeds the
// mouse, keys, characters and timers to a chain of views and ends when an
// outcome is set, the user clicks outside, or another window takes the
// capture.

#include "platform/Types.h"
#include "toolbar/TDKView.h"

class TDKModalHandler {
 public:
  explicit TDKModalHandler(HWND Window);
  ~TDKModalHandler();
  void Loop(TDKView* Root, bool BeganWithPress, bool TrackRightButton, bool GivePriority, bool ExecuteAtOnce);
  HWND Window() const { return wnd_; }

 private:
  bool createdOwnWindow_ = false;
  bool inited_ = false;
  HWND wnd_ = nullptr;
};
