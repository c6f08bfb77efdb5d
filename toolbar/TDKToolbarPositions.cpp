// Toolbar placements in the registry store: values are kept as text, as the
// program keeps its other settings.
#include "toolbar/TDKToolbarPositions.h"

#include <string>

#include "platform/Registry.h"
#include "rtl/TComponent.h"
#include "toolbar/TDKDock.h"

namespace {

HKEY OpenKey(const std::string& Path, bool Create) {
  HKEY key = nullptr;
  LONG rc = Create ? RegCreateKeyEx(HKEY_CURRENT_USER, Path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                    nullptr)
                   : RegOpenKeyEx(HKEY_CURRENT_USER, Path.c_str(), 0, KEY_READ, &key);
  return rc == ERROR_SUCCESS ? key : nullptr;
}

void WriteText(HKEY Key, const std::string& Name, const std::string& Value) {
  RegSetValueEx(Key, Name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(Value.c_str()), DWORD(Value.size() + 1));
}

bool ReadText(HKEY Key, const std::string& Name, std::string& Value) {
  DWORD type = 0, size = 0;
  if (RegQueryValueEx(Key, Name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ ||
      size > 4096)
    return false;
  std::string data(size, '\0');
  if (RegQueryValueEx(Key, Name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    return false;
  while (!data.empty() && data.back() == '\0') data.pop_back();
  Value = data;
  return true;
}

int32_t ReadInt(HKEY Key, const std::string& Name, int32_t Default) {
  std::string t;
  if (!ReadText(Key, Name, t)) return Default;
  try {
    size_t used = 0;
    long long v = std::stoll(t, &used);
    if (used != t.size() || v < INT32_MIN || v > INT32_MAX) return Default;
    return int32_t(v);
  } catch (...) {
    // A damaged or hand-edited store only loses that value: stored positions
    // are a convenience and never stop a window from opening.
    return Default;
  }
}

TDKDock* FindDock(TComponent* Owner, const std::string& Name) {
  for (int32_t i = 0; i < Owner->ComponentCount(); ++i)
    if (auto* d = dynamic_cast<TDKDock*>(Owner->Components(i)); d && d->Name() == Name) return d;
  return nullptr;
}

}  // namespace

void DKSaveToolbarPositions(TComponent* Owner, const std::string& KeyPath) {
  for (int32_t i = 0; i < Owner->ComponentCount(); ++i) {
    auto* w = dynamic_cast<TDKCustomDockableWindow*>(Owner->Components(i));
    if (!w || w->Name().empty()) continue;
    HKEY key = OpenKey(KeyPath + "\\" + w->Name(), true);
    if (!key) continue;
    auto writeInt = [&](const std::string& n, int32_t v) { WriteText(key, n, std::to_string(v)); };
    writeInt("Visible", w->Visible() ? 1 : 0);
    TDKDock* dock = w->CurrentDock();
    WriteText(key, "DockedTo", dock ? dock->Name() : (w->IsFloating() ? "+" : ""));
    writeInt("DockRow", w->DockRow());
    writeInt("DockPos", w->DockPos());
    TPoint f = w->FloatingPos();
    if (w->IsFloating() && w->Parent()) f = TPoint{w->Parent()->Left(), w->Parent()->Top()};
    writeInt("FloatLeft", f.X);
    writeInt("FloatTop", f.Y);
    TDKPlacementValues values;
    values.WriteInteger = writeInt;
    w->SavePlacementExtras(values);
    RegCloseKey(key);
  }
}

void DKLoadToolbarPositions(TComponent* Owner, const std::string& KeyPath) {
  for (int32_t i = 0; i < Owner->ComponentCount(); ++i) {
    auto* w = dynamic_cast<TDKCustomDockableWindow*>(Owner->Components(i));
    if (!w || w->Name().empty()) continue;
    HKEY key = OpenKey(KeyPath + "\\" + w->Name(), false);
    if (!key) continue;
    TDKPlacementValues values;
    values.ReadInteger = [&](const std::string& n, int32_t d) { return ReadInt(key, n, d); };
    w->LoadPlacementExtras(values);
    std::string dockedTo;
    ReadText(key, "DockedTo", dockedTo);
    int32_t row = ReadInt(key, "DockRow", w->DockRow());
    int32_t pos = ReadInt(key, "DockPos", w->DockPos());
    TPoint f{ReadInt(key, "FloatLeft", w->FloatingPos().X), ReadInt(key, "FloatTop", w->FloatingPos().Y)};
    bool visible = ReadInt(key, "Visible", w->Visible() ? 1 : 0) != 0;
    RegCloseKey(key);
    w->SetVisible(visible);
    if (dockedTo == "+") {
      if (w->DockMode() == dmCanFloat) {
        TRect r{f.X, f.Y, f.X, f.Y};
        w->PlaceFloating(r);
        w->SetFloating(true);
        w->PlaceFloating(r);
        // Stored on a monitor that is gone: back onto the work area.
        w->KeepOnScreen(true);
      }
    } else if (TDKDock* dock = FindDock(Owner, dockedTo)) {
      if (w->DockMode() != dmCannotFloatOrChangeDocks || w->CurrentDock() == dock) {
        w->SetDockRow(row);
        w->SetDockPos(pos);
        w->SetCurrentDock(dock);
      }
    }
  }
}
