#include "toolbar/DKHook.h"

#include <memory>
#include <vector>

#include "platform/Input.h"

namespace {

struct THookRecord {
  THookEventProc Proc;
  int32_t Count;
  THookEventCodes Codes;
};

std::unique_ptr<std::vector<THookRecord>> registry;
HHOOK hookHandles[3] = {nullptr, nullptr, nullptr};
int32_t hookCounts[3] = {0, 0, 0};
constexpr int32_t kHookIds[3] = {WH_CALLWNDPROC, WH_CBT, WH_GETMESSAGE};

void CallRegistrations(THookEventCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam) {
  if (!registry) return;
  size_t n = registry->size();
  for (size_t i = 0; i < n && registry && i < registry->size(); ++i) {
    const THookRecord& r = (*registry)[i];
    if (!(r.Codes & HookCode(Code))) continue;
    try {
      r.Proc(Code, Wnd, WParam, LParam);
    } catch (...) {
      // A failing registration never stops the others nor the hook chain.
    }
  }
}

LRESULT CallWndProcHook(int32_t Code, WPARAM WParam, LPARAM LParam) {
  if (registry && Code == HC_ACTION) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(LParam);
    if (cwp->message == WM_ACTIVATEAPP)
      CallRegistrations(hecActivateApp, cwp->hwnd, cwp->wParam, cwp->lParam);
    else if (cwp->message == WM_WINDOWPOSCHANGED)
      CallRegistrations(hecWindowPosChanged, cwp->hwnd, cwp->wParam, cwp->lParam);
  }
  return CallNextHookEx(hookHandles[hkCallWndProc], Code, WParam, LParam);
}

LRESULT CBTHook(int32_t Code, WPARAM WParam, LPARAM LParam) {
  if (registry && Code == HCBT_DESTROYWND)
    CallRegistrations(hecPreDestroy, reinterpret_cast<HWND>(WParam), 0, 0);
  return CallNextHookEx(hookHandles[hkCBT], Code, WParam, LParam);
}

LRESULT GetMessageHook(int32_t Code, WPARAM WParam, LPARAM LParam) {
  if (registry && Code == HC_ACTION) CallRegistrations(hecGetMessage, nullptr, WParam, LParam);
  return CallNextHookEx(hookHandles[hkGetMessage], Code, WParam, LParam);
}

constexpr HOOKPROC kHookProcs[3] = {CallWndProcHook, CBTHook, GetMessageHook};

THookRecord* FindRecord(THookEventProc Proc, size_t* index = nullptr) {
  if (!registry) return nullptr;
  for (size_t i = 0; i < registry->size(); ++i)
    if ((*registry)[i].Proc == Proc) {
      if (index) *index = i;
      return &(*registry)[i];
    }
  return nullptr;
}

// Removes every hook at the end of the process.
struct TFinalizer {
  ~TFinalizer() {
    ReleaseHooks(0x7, true);
    registry.reset();
  }
} finalizer;

}  // namespace

THookKinds HookKindsOfCodes(THookEventCodes Codes) {
  THookKinds k = 0;
  if (Codes & (HookCode(hecActivateApp) | HookCode(hecWindowPosChanged))) k |= 1u << hkCallWndProc;
  if (Codes & HookCode(hecPreDestroy)) k |= 1u << hkCBT;
  if (Codes & HookCode(hecGetMessage)) k |= 1u << hkGetMessage;
  return k;
}

void AcquireHooks(THookKinds Kinds) {
  for (int k = hkCallWndProc; k <= hkGetMessage; ++k) {
    if (!(Kinds & (1u << k))) continue;
    ++hookCounts[k];
    if (!hookHandles[k]) hookHandles[k] = SetWindowsHookExW(kHookIds[k], kHookProcs[k], nullptr, GetCurrentThreadId());
  }
}

void ReleaseHooks(THookKinds Kinds, bool Force) {
  for (int k = hkCallWndProc; k <= hkGetMessage; ++k) {
    if (!(Kinds & (1u << k))) continue;
    if (hookCounts[k] > 0) --hookCounts[k];
    if (hookHandles[k] && (hookCounts[k] == 0 || Force)) {
      UnhookWindowsHookEx(hookHandles[k]);
      hookHandles[k] = nullptr;
    }
  }
}

void RegisterHookProc(THookEventProc Proc, THookEventCodes Codes, bool CountOnly) {
  if (!registry) registry = std::make_unique<std::vector<THookRecord>>();
  THookRecord* r = FindRecord(Proc);
  if (r) {
    ++r->Count;
  } else {
    registry->push_back(THookRecord{Proc, 1, Codes});
  }
  if (!CountOnly) AcquireHooks(HookKindsOfCodes(Codes));
}

void UnregisterHookProc(THookEventProc Proc) {
  size_t index = 0;
  THookRecord* r = FindRecord(Proc, &index);
  if (!r) return;
  // Every unregistration gives back one reference per kind of the record's
  // codes, a count-only (design-time) one included: the counts never drop
  // below 0, so a design-time window alone leaves them at 0.
  const THookKinds kinds = HookKindsOfCodes(r->Codes);
  if (--r->Count <= 0) registry->erase(registry->begin() + ptrdiff_t(index));
  ReleaseHooks(kinds, false);
  if (registry->empty()) {
    registry.reset();
  }
}

int32_t HookRegistrationCount(THookEventProc Proc) {
  THookRecord* r = FindRecord(Proc);
  return r ? r->Count : 0;
}
bool HookRegistryExists() { return registry != nullptr; }
int32_t HookKindReferences(THookKind Kind) { return hookCounts[Kind]; }
bool HookKindInstalled(THookKind Kind) { return hookHandles[Kind] != nullptr; }
