// Windows: the z-order of siblings and of owned top-level windows.

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

namespace {

bool IsTopmost(TWindowObj* w) {
  return !w->Parent && (w->ExStyle & WS_EX_TOPMOST);
}

}  // namespace

std::vector<TWindowObj*>& SiblingList(TWindowObj* w) {
  return w->Parent ? w->Parent->Children : WM().TopLevels;
}

void Unlink(TWindowObj* w) {
  auto& list = SiblingList(w);
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

void PlaceInList(TWindowObj* w, HWND after) {
  auto& list = SiblingList(w);
  Unlink(w);
  size_t groupStart = 0, groupEnd = list.size();
  if (!w->Parent) {
    size_t firstNormal = 0;
    while (firstNormal < list.size() && IsTopmost(list[firstNormal])) ++firstNormal;
    if (IsTopmost(w))
      groupEnd = firstNormal;
    else
      groupStart = firstNormal;
  }
  size_t pos = groupStart;
  if (after == HWND_BOTTOM) {
    pos = groupEnd;
  } else if (after != HWND_TOP && after != HWND_TOPMOST && after != HWND_NOTOPMOST) {
    TWindowObj* a = FromHandle(after);
    auto it = std::find(list.begin(), list.end(), a);
    if (it != list.end()) pos = std::clamp(size_t(it - list.begin()) + 1, groupStart, groupEnd);
  }
  list.insert(list.begin() + pos, w);
}

void RaiseOwned(TWindowObj* owner) {
  TWindowManager& m = WM();
  std::vector<TWindowObj*> owned;
  for (TWindowObj* t : m.TopLevels)
    if (t->Owner == owner) owned.push_back(t);
  for (auto it = owned.rbegin(); it != owned.rend(); ++it) {
    TWindowObj* o = *it;
    auto& list = m.TopLevels;
    auto ownerIt = std::find(list.begin(), list.end(), owner);
    auto oIt = std::find(list.begin(), list.end(), o);
    if (oIt > ownerIt && (IsTopmost(o) || !IsTopmost(owner))) {
      list.erase(oIt);
      ownerIt = std::find(list.begin(), list.end(), owner);
      list.insert(ownerIt, o);
    }
  }
  for (TWindowObj* o : owned) RaiseOwned(o);
}
