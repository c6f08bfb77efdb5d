// The modal loop of a mouse drag that holds the capture (moving or sizing a
// window, tracking a scroll bar): messages are fetched here until the window
// loses the capture; each one is first offered to the caller.
#pragma once

#include <functional>

#include "platform/Window.h"

enum class TCaptureStep {
  Handled,   // the caller took it
  Dispatch,  // translated and dispatched as usual
  End        // the drag is over
};

enum class TCaptureEnd {
  Ended,  // the caller said so
  Lost,   // the window no longer holds the capture
  Quit,   // WM_QUIT came (and is posted again for the outer loop) or the queue failed
  Gone    // the window was destroyed meanwhile
};

// Runs until the caller ends the drag or the loop cannot go on. The caller
// takes the capture before and releases it after, in the order its
// notifications need.
TCaptureEnd RunCaptureLoop(HWND hwnd, const std::function<TCaptureStep(const MSG&)>& Step);
