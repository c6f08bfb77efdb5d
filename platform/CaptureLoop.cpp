#include "platform/CaptureLoop.h"

#include "platform/Input.h"
#include "platform/WindowInternal.h"

TCaptureEnd RunCaptureLoop(HWND hwnd, const std::function<TCaptureStep(const MSG&)>& Step) {
  MSG msg;
  while (GetCapture() == hwnd) {
    const int32_t r = GetMessage(msg, nullptr, 0, 0);
    if (r <= 0) {
      if (r == 0) PostQuitMessage(int32_t(msg.wParam));
      return TCaptureEnd::Quit;
    }
    if (!FromHandle(hwnd)) return TCaptureEnd::Gone;
    switch (Step(msg)) {
      case TCaptureStep::Handled:
        break;
      case TCaptureStep::Dispatch:
        TranslateMessage(msg);
        DispatchMessage(msg);
        break;
      case TCaptureStep::End:
        return TCaptureEnd::Ended;
    }
  }
  return TCaptureEnd::Lost;
}
