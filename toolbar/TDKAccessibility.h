#pragma once
// Accessibility objects of views and item viewers: each answers roles,
// states, names, locations and navigation the way screen readers ask. The
// objects are reference counted and may outlive their view or viewer, then
// answering E_FAIL. They are not handed to any desktop accessibility bus.

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Geometry.h"
#include "platform/Messages.h"
#include "platform/Types.h"

class TDKView;
class TDKItemViewer;

using HRESULT = int32_t;
enum : HRESULT {
  S_OK = 0,
  S_FALSE = 1,
  E_NOTIMPL = HRESULT(0x80004001),
  E_FAIL = HRESULT(0x80004005),
  E_INVALIDARG = HRESULT(0x80070057),
  E_UNEXPECTED = HRESULT(0x8000FFFF),
  DISP_E_MEMBERNOTFOUND = HRESULT(0x80020003),
};
enum : int32_t {
  NAVDIR_UP = 1, NAVDIR_DOWN = 2, NAVDIR_LEFT = 3, NAVDIR_RIGHT = 4,
  NAVDIR_NEXT = 5, NAVDIR_PREVIOUS = 6, NAVDIR_FIRSTCHILD = 7, NAVDIR_LASTCHILD = 8,
};
enum : uint32_t {
  STATE_SYSTEM_UNAVAILABLE = 0x1,
  STATE_SYSTEM_FOCUSED = 0x4,
  STATE_SYSTEM_PRESSED = 0x8,
  STATE_SYSTEM_CHECKED = 0x10,
  STATE_SYSTEM_INVISIBLE = 0x8000,
  STATE_SYSTEM_HOTTRACKED = 0x80,
  STATE_SYSTEM_FOCUSABLE = 0x100000,
  STATE_SYSTEM_HASPOPUP = 0x40000000,
};
enum : int32_t { SELFLAG_TAKEFOCUS = 1 };

class TDKBaseAccObject;

// The variant of the accessibility interface: empty, a 32-bit integer (a
// child id or a role) or an object reference (counted).
struct TAccVariant {
  enum TKind { vtEmpty, vtI4, vtDispatch, vtBStr } Kind = vtEmpty;
  int32_t I4 = 0;
  TDKBaseAccObject* Dispatch = nullptr;
  static TAccVariant Int(int32_t v) { TAccVariant r; r.Kind = vtI4; r.I4 = v; return r; }
  static TAccVariant Self() { return Int(0); }
};

class TDKBaseAccObject {
 public:
  virtual ~TDKBaseAccObject() = default;
  int32_t AddRef() { return ++refs_; }
  int32_t Release();
  int32_t RefCount() const { return refs_; }
  virtual void DetachClient() = 0;

  virtual HRESULT get_accParent(TDKBaseAccObject** Parent) = 0;
  virtual HRESULT get_accChildCount(int32_t* Count) = 0;
  virtual HRESULT get_accChild(TAccVariant Child, TDKBaseAccObject** Result) = 0;
  virtual HRESULT get_accName(TAccVariant Child, std::string* Name) = 0;
  virtual HRESULT get_accValue(TAccVariant Child, std::string* Value) = 0;
  virtual HRESULT get_accRole(TAccVariant Child, TAccVariant* Role) = 0;
  virtual HRESULT get_accState(TAccVariant Child, TAccVariant* State) = 0;
  virtual HRESULT get_accKeyboardShortcut(TAccVariant Child, std::string* Shortcut) = 0;
  virtual HRESULT get_accFocus(TAccVariant* Focus) = 0;
  virtual HRESULT get_accDefaultAction(TAccVariant Child, std::string* Action) = 0;
  virtual HRESULT accSelect(int32_t Flags, TAccVariant Child) = 0;
  virtual HRESULT accLocation(int32_t* Left, int32_t* Top, int32_t* Width, int32_t* Height, TAccVariant Child) = 0;
  virtual HRESULT accNavigate(int32_t Dir, TAccVariant Start, TAccVariant* End) = 0;
  virtual HRESULT accHitTest(int32_t X, int32_t Y, TAccVariant* Child) = 0;
  virtual HRESULT accDoDefaultAction(TAccVariant Child) = 0;
  HRESULT get_accDescription(TAccVariant, std::string* S) { S->clear(); return S_FALSE; }
  HRESULT get_accHelp(TAccVariant, std::string* S) { S->clear(); return S_FALSE; }
  HRESULT get_accSelection(TAccVariant* V) { *V = TAccVariant(); return S_FALSE; }
  HRESULT put_accName(TAccVariant, const std::string&) { return S_FALSE; }
  HRESULT put_accValue(TAccVariant, const std::string&) { return S_FALSE; }

 protected:
  TDKBaseAccObject() = default;

 private:
  int32_t refs_ = 0;
};

// Links every object into the list of live objects.
class TDKCustomAccObject : public TDKBaseAccObject {
 public:
  TDKCustomAccObject();
  ~TDKCustomAccObject() override;
  static int32_t LiveCount();
  static void DisconnectAll();  // at the end of the process

 private:
  TDKCustomAccObject* prev_ = nullptr;
  TDKCustomAccObject* next_ = nullptr;
};

class TDKViewAccObject : public TDKCustomAccObject {
 public:
  explicit TDKViewAccObject(TDKView* View) : view_(View) {}
  ~TDKViewAccObject() override;
  TDKView* View() const { return view_; }
  void DetachClient() override { view_ = nullptr; }
  HRESULT get_accParent(TDKBaseAccObject** Parent) override;
  HRESULT get_accChildCount(int32_t* Count) override;
  HRESULT get_accChild(TAccVariant Child, TDKBaseAccObject** Result) override;
  HRESULT get_accName(TAccVariant Child, std::string* Name) override;
  HRESULT get_accValue(TAccVariant, std::string* V) override { V->clear(); return S_FALSE; }
  HRESULT get_accRole(TAccVariant Child, TAccVariant* Role) override;
  HRESULT get_accState(TAccVariant Child, TAccVariant* State) override;
  HRESULT get_accKeyboardShortcut(TAccVariant Child, std::string* Shortcut) override;
  HRESULT get_accFocus(TAccVariant* V) override { *V = TAccVariant(); return S_FALSE; }
  HRESULT get_accDefaultAction(TAccVariant, std::string* S) override { S->clear(); return S_FALSE; }
  HRESULT accSelect(int32_t, TAccVariant) override { return DISP_E_MEMBERNOTFOUND; }
  HRESULT accLocation(int32_t* Left, int32_t* Top, int32_t* Width, int32_t* Height, TAccVariant Child) override;
  HRESULT accNavigate(int32_t Dir, TAccVariant Start, TAccVariant* End) override;
  HRESULT accHitTest(int32_t X, int32_t Y, TAccVariant* Child) override;
  HRESULT accDoDefaultAction(TAccVariant) override { return S_FALSE; }

 private:
  HRESULT CheckChild(const TAccVariant& Child) const;
  TDKView* view_;
};

class TDKItemViewerAccObject : public TDKCustomAccObject {
 public:
  explicit TDKItemViewerAccObject(TDKItemViewer* Viewer) : viewer_(Viewer) {}
  ~TDKItemViewerAccObject() override;
  TDKItemViewer* Viewer() const { return viewer_; }
  void DetachClient() override { viewer_ = nullptr; }
  bool ItemUsable() const;
  bool WindowUsable() const;
  bool CanDoDefaultAction() const;
  void PerformAction(bool Execute);
  HRESULT get_accParent(TDKBaseAccObject** Parent) override;
  HRESULT get_accChildCount(int32_t* Count) override;
  HRESULT get_accChild(TAccVariant Child, TDKBaseAccObject** Result) override;
  HRESULT get_accName(TAccVariant Child, std::string* Name) override;
  HRESULT get_accValue(TAccVariant Child, std::string* Value) override;
  HRESULT get_accRole(TAccVariant Child, TAccVariant* Role) override;
  HRESULT get_accState(TAccVariant Child, TAccVariant* State) override;
  HRESULT get_accKeyboardShortcut(TAccVariant Child, std::string* Shortcut) override;
  HRESULT get_accFocus(TAccVariant* Focus) override;
  HRESULT get_accDefaultAction(TAccVariant Child, std::string* Action) override;
  HRESULT accSelect(int32_t Flags, TAccVariant Child) override;
  HRESULT accLocation(int32_t* Left, int32_t* Top, int32_t* Width, int32_t* Height, TAccVariant Child) override;
  HRESULT accNavigate(int32_t Dir, TAccVariant Start, TAccVariant* End) override;
  HRESULT accHitTest(int32_t X, int32_t Y, TAccVariant* Child) override;
  HRESULT accDoDefaultAction(TAccVariant Child) override;

 private:
  HRESULT CheckChild(const TAccVariant& Child) const;
  TDKItemViewer* viewer_;
};

// The objects are part of the library, so they are always available.
bool AccessibilityAvailable();
void RaiseAccessibilityEvent(DWORD Event, HWND Wnd, int32_t ObjectId, int32_t ChildId);
std::string AltKeyName();
