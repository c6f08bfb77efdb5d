#pragma once
// A headless window system per test, and windows that log what they get.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "platform/Window.h"

struct TLogged {
  HWND Window;
  UINT Message;
  WPARAM WParam;
  LPARAM LParam;
};

class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    HeadlessSetClock(1000);
    WNDCLASS wc;
    wc.lpszClassName = "Logged";
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (Interesting(m)) Log.push_back({h, m, w, l});
      if (Handler) {
        LRESULT r = 0;
        if (Handler(h, m, w, l, r)) return r;
      }
      return DefWindowProc(h, m, w, l);
    };
    ASSERT_TRUE(RegisterClass(wc));
  }
  void TearDown() override {
    Handler = nullptr;  // it may refer to the finished test's locals
    HeadlessSetIdleHandler(nullptr);
    ShutdownPlatform();
  }

  // Messages worth logging; the rest (creation chatter) only when Everything is set.
  bool Interesting(UINT m) const {
    if (Everything) return true;
    return m != WM_NCHITTEST && m != WM_SETCURSOR && m != WM_GETTEXT && m != WM_NCCALCSIZE;
  }

  HWND Top(int32_t x, int32_t y, int32_t w, int32_t h, DWORD style = WS_POPUP | WS_VISIBLE,
           DWORD ex = 0) {
    return CreateWindowEx(ex, "Logged", "top", style, x, y, w, h, nullptr);
  }
  HWND Child(HWND parent, int32_t x, int32_t y, int32_t w, int32_t h,
             DWORD style = WS_CHILD | WS_VISIBLE, DWORD ex = 0) {
    return CreateWindowEx(ex, "Logged", "child", style, x, y, w, h, parent);
  }

  // Takes every queued message out and dispatches it.
  void Pump() {
    MSG msg;
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
    }
  }

  std::vector<UINT> Messages(HWND h) const {
    std::vector<UINT> r;
    for (const TLogged& l : Log)
      if (l.Window == h) r.push_back(l.Message);
    return r;
  }
  const TLogged* Find(HWND h, UINT m) const {
    for (const TLogged& l : Log)
      if (l.Window == h && l.Message == m) return &l;
    return nullptr;
  }
  size_t Count(HWND h, UINT m) const {
    size_t n = 0;
    for (const TLogged& l : Log)
      if (l.Window == h && l.Message == m) ++n;
    return n;
  }

  std::vector<TLogged> Log;
  bool Everything = false;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> Handler;
};
