#pragma once
// One process-wide registry of hook procedures, fed by the three message
// hooks of the user-interface thread, installed on demand: dockable windows
// follow activation, window-position and destruction events of other windows
// through it, and a menu-bar toolbar watches the message queue.

#include <cstdint>

#include "platform/Messages.h"
#include "platform/Types.h"

enum THookEventCode { hecActivateApp = 0, hecWindowPosChanged = 1, hecPreDestroy = 2, hecGetMessage = 3 };
using THookEventCodes = uint8_t;  // bit set of THookEventCode
constexpr THookEventCodes HookCode(THookEventCode c) { return THookEventCodes(1u << c); }

enum THookKind { hkCallWndProc, hkCBT, hkGetMessage };
using THookKinds = uint8_t;  // bit set of THookKind

using THookEventProc = void (*)(THookEventCode Code, HWND Wnd, WPARAM WParam, LPARAM LParam);

// Registers Proc for the codes; a second registration of the same procedure
// only counts (its codes stay those of the first). Unless CountOnly, the
// hook kinds the codes need gain one reference each and are installed.
void RegisterHookProc(THookEventProc Proc, THookEventCodes Codes, bool CountOnly);
// Takes one registration of Proc away; at zero the record goes. The kinds of
// the record's codes lose one reference each, never below zero; a hook is
// removed when its count reaches zero. Unknown procedures change nothing.
void UnregisterHookProc(THookEventProc Proc);
THookKinds HookKindsOfCodes(THookEventCodes Codes);
void AcquireHooks(THookKinds Kinds);
void ReleaseHooks(THookKinds Kinds, bool Force);

// For tests: the state of the registry and the hooks.
int32_t HookRegistrationCount(THookEventProc Proc);  // 0 when not registered
bool HookRegistryExists();
int32_t HookKindReferences(THookKind Kind);
bool HookKindInstalled(THookKind Kind);
