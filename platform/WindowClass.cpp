// Windows: the registered window classes.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DCInternal.h"
#include "platform/SysInfo.h"
#include "platform/Text.h"
#include "platform/WindowInternal.h"
#include "rtl/StrUtils.h"
#include "rtl/TThread.h"

bool RegisterClass(const WNDCLASS& wc) {
  if (wc.lpszClassName.empty()) return false;
  TWindowManager& m = WM();
  std::string key = LowerCase(wc.lpszClassName);
  if (m.Classes.count(key)) return false;
  m.Classes[key] = wc;
  return true;
}

bool UnregisterClass(const std::string& className) {
  return WM().Classes.erase(LowerCase(className)) > 0;
}

bool GetClassInfo(const std::string& className, WNDCLASS& wc) {
  TWindowManager& m = WM();
  auto it = m.Classes.find(LowerCase(className));
  if (it == m.Classes.end()) return false;
  wc = it->second;
  return true;
}

std::string GetClassName(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->ClassName : std::string();
}

UINT GetClassStyle(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  return w ? w->ClassStyle : 0;
}
