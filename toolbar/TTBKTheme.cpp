#include "toolbar/TTBKTheme.h"

#include <algorithm>
#include <memory>

#include "platform/Backend.h"
#include "platform/DC.h"
#include "platform/Draw.h"
#include "platform/GdiHolders.h"
#include "platform/SysInfo.h"
#include "platform/Window.h"
#include "rtl/Exception.h"
#include "rtl/StrUtils.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKDrawUtils.h"
#include "toolbar/TBKVisualStyles.h"
#include "toolbar/TTBKDefaultTheme.h"

TTBKTheme* CurrentTheme = nullptr;

namespace {

struct ThemeEntry {
  std::string name;
  TTBKThemeClass themeClass = nullptr;
  // Made by the first acquire, freed by the last release.
  std::unique_ptr<TTBKTheme> instance;
  int32_t useCount = 0;
};
std::vector<ThemeEntry>& Registry() {
  static std::vector<ThemeEntry> r;
  return r;
}

TTBKThemeVariables& Vars() {
  static TTBKThemeVariables v;
  return v;
}

// Made on first use, freed by StopThemes, which the program calls before the
// platform goes down (their destructors free windows).
std::unique_ptr<TTBKThemeManager>& ManagerRef() {
  static std::unique_ptr<TTBKThemeManager> m;
  return m;
}

std::unique_ptr<TTBKNexus>& NexusRef() {
  static std::unique_ptr<TTBKNexus> n;
  return n;
}

// Dispatches to each object of a list as it was when the broadcast began,
// skipping objects that left the list meanwhile (a receiver may unregister
// itself or another one); objects added meanwhile wait for the next one.
template <typename T, typename Send>
void BroadcastOver(const std::vector<T*>& List, Send SendTo) {
  const std::vector<T*> snapshot = List;
  for (T* obj : snapshot)
    if (std::find(List.begin(), List.end(), obj) != List.end()) SendTo(obj);
}

}  // namespace

// --- Registry ----------------------------------------------------------------------------

void RegisterTheme(const std::string& Name, TTBKThemeClass ThemeClass) {
  if (Name.empty() || !ThemeClass) throw Exception("Cannot register theme");
  if (FindTheme(Name) >= 0) throw Exception("Theme " + Name + " is already registered");
  if (Name.size() > 255) throw Exception("Cannot register theme");
  Registry().push_back(ThemeEntry{Name, ThemeClass, nullptr, 0});
}

int32_t FindTheme(const std::string& Name) {
  auto& r = Registry();
  for (size_t i = 0; i < r.size(); ++i)
    if (SameText(r[i].name, Name)) return int32_t(i);
  return -1;
}

TTBKTheme* AcquireTheme(const std::string& Name) {
  int32_t i = FindTheme(Name);
  if (i < 0) throw Exception("Unknown theme " + Name);
  ThemeEntry& e = Registry()[size_t(i)];
  if (e.useCount == 0) {
    if (e.instance) throw Exception("Assertion failed in the theme registry: " + e.name + " still has an instance");
    TTBKTheme* t = e.themeClass(e.name);
    Registry()[size_t(i)].instance.reset(t);
    // The new theme learns whether the application is active: 1 when it
    // is, 0 when not. These are not the activation codes of the broadcasts;
    // a theme that acts on a begin-change code must expect this lone 1.
    TMessage m{TBKM_SYSCHANGE, WPARAM(AppHasActiveWindow() ? 1 : 0), 0, 0};
    t->Dispatch(m);
  }
  ThemeEntry& e2 = Registry()[size_t(i)];
  ++e2.useCount;
  return e2.instance.get();
}

void ReleaseTheme(TTBKTheme*& Theme) {
  auto& r = Registry();
  auto it = std::find_if(r.begin(), r.end(), [&](const ThemeEntry& e) { return Theme && e.instance.get() == Theme; });
  if (it == r.end()) throw Exception("Cannot release theme");
  if (it->useCount < 1) throw Exception("Cannot release theme " + it->name);
  if (--it->useCount == 0) {
    it->instance.reset();
    Theme = nullptr;
  }
}

int32_t ThemeUseCount(const std::string& Name) {
  int32_t i = FindTheme(Name);
  return i < 0 ? 0 : Registry()[size_t(i)].useCount;
}

// --- Theme manager -------------------------------------------------------------------------

const TTBKThemeVariables& ThemeVariables() { return Vars(); }

TTBKThemeManager::TTBKThemeManager() {
  EnsureWindow();
  UpdateVariables();
}

void TTBKThemeManager::EnsureWindow() {
  if (wnd_ && IsWindow(wnd_)) return;
  // Without a window system there are no system notices to watch.
  if (!*PlatformBackendName()) {
    wnd_ = 0;
    return;
  }
  try {
    wnd_ = AllocateHWnd([this](TMessage& M) { M.Result = WndProc(M.Msg, M.WParam, M.LParam); });
  } catch (const Exception&) {
    // No window system (yet): the themes work, without system notices.
    wnd_ = 0;
  }
}

TTBKThemeManager::~TTBKThemeManager() {
  if (wnd_ && IsWindow(wnd_)) DeallocateHWnd(wnd_);
  wnd_ = 0;
  UnbindVisualStyles();
}

void TTBKThemeManager::UpdateVariables() {
  TTBKThemeVariables& v = Vars();
  RecreateDrawingObjects();
  int32_t bits = 32;
  if (TWindowDC dc = TWindowDC::Client(nullptr); dc.Handle())
    bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  v.LowColor = bits < 12;
  v.WhiteButtonFace = (GetSysColor(COLOR_BTNFACE) & 0xFFFFFF) == 0xFFFFFF;
  v.PlainGlyphs = v.LowColor || v.WhiteButtonFace;
  UnbindVisualStyles();
  v.VisualStylesActive = visualStylesEnabled_ && BindVisualStyles() && VisualStylesAvailable();
  v.ToolbarColor = clBtnFace;
  v.ToolbarTextColor = clBtnText;
  bool flat = IsXPOrLater() && FlatMenusEnabled();
  if (flat) {
    if (flatMenuMode_ == fmmNeverFlat) {
      v.FlatMenus = false;
      v.MenuColor = v.ToolbarColor;
      v.MenuTextColor = v.ToolbarTextColor;
    } else {
      v.FlatMenus = true;
      v.MenuColor = clMenu;
      v.MenuTextColor = clMenuText;
    }
  } else if (flatMenuMode_ == fmmAlwaysFlat) {
    v.FlatMenus = true;
    v.MenuColor = clWindow;
    v.MenuTextColor = clWindowText;
  } else {
    v.FlatMenus = false;
    v.MenuColor = clMenu;
    v.MenuTextColor = clMenuText;
  }
  v.HotLightColor = GetSysColorBrush(COLOR_HOTLIGHT) ? clHotLight : clHighlight;
}

LRESULT TTBKThemeManager::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
    case WM_THEMECHANGED:
      UpdateVariables();
      if (!notifyList_.empty()) {
        Broadcast(TBKM_SYSCHANGE, tbknBeginChange, 0);
        Broadcast(TBKM_SYSCHANGE, tbknRefreshColors, 0);
        Broadcast(TBKM_SYSCHANGE, tbknEndChange, 0);
      }
      break;
    case WM_NCDESTROY: {
      // The platform is going away: forget the window.
      HWND w = wnd_;
      wnd_ = 0;
      return DefWindowProc(w, Msg, WParam, LParam);
    }
    case WM_ACTIVATEAPP:
      Broadcast(TBKM_SYSCHANGE, WParam ? tbknAppActivated : tbknAppDeactivated, 0);
      break;
    default:
      break;
  }
  return DefWindowProc(wnd_, Msg, WParam, LParam);
}

LRESULT TTBKThemeManager::Broadcast(UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = 0;
  BroadcastOver(notifyList_, [&](TTBKMessageTarget* obj) {
    TMessage m{Msg, WParam, LParam, 0};
    obj->Dispatch(m);
    result = m.Result;
  });
  return result;
}

void TTBKThemeManager::AddNotification(TTBKMessageTarget* Obj) {
  if (Obj && std::find(notifyList_.begin(), notifyList_.end(), Obj) == notifyList_.end())
    notifyList_.push_back(Obj);
}

void TTBKThemeManager::RemoveNotification(TTBKMessageTarget* Obj) {
  notifyList_.erase(std::remove(notifyList_.begin(), notifyList_.end(), Obj), notifyList_.end());
}

TTBKThemeManager* ThemeManager() {
  std::unique_ptr<TTBKThemeManager>& m = ManagerRef();
  if (!m) m = std::make_unique<TTBKThemeManager>();
  return m.get();
}

void FreeThemeManager() {
  ManagerRef().reset();
}

void AddSystemChangeNotification(TTBKMessageTarget* Obj) { ThemeManager()->AddNotification(Obj); }
void RemoveSystemChangeNotification(TTBKMessageTarget* Obj) {
  if (ManagerRef()) ManagerRef()->RemoveNotification(Obj);
}

// --- Nexus ------------------------------------------------------------------------------------

TTBKNexus::TTBKNexus(const std::string& ThemeName) {
  CurrentTheme = AcquireTheme(ThemeName);
  AddSystemChangeNotification(this);
}

TTBKNexus::~TTBKNexus() {
  RemoveSystemChangeNotification(this);
  if (CurrentTheme) ReleaseTheme(CurrentTheme);
  CurrentTheme = nullptr;
}

void TTBKNexus::Dispatch(TMessage& Message) {
  if (Message.Msg != TBKM_SYSCHANGE) return;
  WPARAM code = Message.WParam;
  BroadcastOver(controls_, [&](TControl* c) {
    TMessage m{TBKM_THEMECHANGED, code, 0, 0};
    c->Dispatch(m);
  });
}

void TTBKNexus::AddControl(TControl* Control) {
  if (Control && std::find(controls_.begin(), controls_.end(), Control) == controls_.end())
    controls_.push_back(Control);
}

void TTBKNexus::RemoveControl(TControl* Control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), Control), controls_.end());
}

void StartThemes() {
  // A platform restarted under us took the utility window with it.
  ThemeManager()->EnsureWindow();
  if (FindTheme("Default") < 0) RegisterTheme("Default", &TTBKDefaultTheme::Make);
  if (!NexusRef()) NexusRef() = std::make_unique<TTBKNexus>("Default");
}

void StopThemes() {
  NexusRef().reset();
  FreeThemeManager();
  FreeDrawingObjects();
}

TTBKNexus* Nexus() { return NexusRef().get(); }

void AddThemeNotification(TControl* Control) {
  StartThemes();
  NexusRef()->AddControl(Control);
}

void RemoveThemeNotification(TControl* Control) {
  if (NexusRef()) NexusRef()->RemoveControl(Control);
}
