#include "ui/ShortCut.h"

#include "platform/Input.h"

TShortCut ShortCut(uint16_t Key, TShiftState Shift) {
  if (Key & 0xFF00) return 0;
  TShortCut r = Key;
  if (Shift.Contains(ssShift)) r |= scShift;
  if (Shift.Contains(ssCtrl)) r |= scCtrl;
  if (Shift.Contains(ssAlt)) r |= scAlt;
  return r;
}

namespace {
std::string KeyName(uint16_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, char(key));
  // Appended rather than "F" + string, where GCC 12 sees a false overlap.
  if (key >= VK_F1 && key <= VK_F24) return std::string("F").append(std::to_string(key - VK_F1 + 1));
  switch (key) {
    case VK_BACK: return "BkSp";
    case VK_TAB: return "Tab";
    case VK_RETURN: return "Enter";
    case VK_ESCAPE: return "Esc";
    case VK_SPACE: return "Space";
    case VK_PRIOR: return "PgUp";
    case VK_NEXT: return "PgDn";
    case VK_END: return "End";
    case VK_HOME: return "Home";
    case VK_LEFT: return "Left";
    case VK_UP: return "Up";
    case VK_RIGHT: return "Right";
    case VK_DOWN: return "Down";
    case VK_INSERT: return "Ins";
    case VK_DELETE: return "Del";
    default: return "";
  }
}
}  // namespace

std::string ShortCutToText(TShortCut ShortCut) {
  std::string name = KeyName(uint16_t(ShortCut & 0xFF));
  if (name.empty()) return "";
  std::string r;
  if (ShortCut & scShift) r += "Shift+";
  if (ShortCut & scCtrl) r += "Ctrl+";
  if (ShortCut & scAlt) r += "Alt+";
  return r + name;
}
