#include "ui/TControl.h"

#include <map>
#include <memory>

#include "rtl/Exception.h"
#include "ui/TApplication.h"

namespace {
const char* kUtilClass = "TNobrivoUtilWindow";
struct TUtilWindow {
  TWndMethod Method;
};
std::map<HWND, std::unique_ptr<TUtilWindow>>& UtilWindows() {
  static std::map<HWND, std::unique_ptr<TUtilWindow>> m;
  return m;
}
}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  WNDCLASS wc;
  if (!GetClassInfo(kUtilClass, wc)) {
    wc = WNDCLASS{};
    wc.lpszClassName = kUtilClass;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      auto& map = UtilWindows();
      auto it = map.find(h);
      if (it == map.end() || !it->second->Method) return DefWindowProc(h, m, w, l);
      TMessage msg{m, w, l, 0};
      TWndMethod method = it->second->Method;  // the window may go inside
      try {
        method(msg);
      } catch (...) {
        if (Application) Application->HandleException(nullptr);
      }
      return msg.Result;
    };
    RegisterClass(wc);
  }
  HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, kUtilClass, "", WS_POPUP, 0, 0, 0, 0, nullptr);
  if (!h) throw EOSError("Error creating window");
  UtilWindows()[h] = std::make_unique<TUtilWindow>(TUtilWindow{std::move(Method)});
  return h;
}

void DeallocateHWnd(HWND Wnd) {
  auto& map = UtilWindows();
  auto it = map.find(Wnd);
  if (it != map.end()) {
    auto keep = std::move(it->second);
    map.erase(it);
    if (IsWindow(Wnd)) DestroyWindow(Wnd);
  }
}
