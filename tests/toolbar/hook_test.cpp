#include <vector>

#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/DKCommon.h"
#include "toolbar/DKHook.h"

namespace {

std::vector<THookEventCode> seen;
void ProcA(THookEventCode Code, HWND, WPARAM, LPARAM) { seen.push_back(Code); }
void ProcB(THookEventCode Code, HWND, WPARAM, LPARAM) { seen.push_back(Code); }
void Throwing(THookEventCode, HWND, WPARAM, LPARAM) { throw 1; }

const THookEventCodes kDockCodes = HookCode(hecActivateApp) | HookCode(hecWindowPosChanged) | HookCode(hecPreDestroy);

}  // namespace

using HookTest = ToolbarTest;

TEST_F(HookTest, RegisteringTwiceAndRemovingInAnyOrder) {
  RegisterHookProc(&ProcA, kDockCodes, false);
  RegisterHookProc(&ProcA, kDockCodes, false);
  RegisterHookProc(&ProcB, HookCode(hecGetMessage), false);
  EXPECT_EQ(HookRegistrationCount(&ProcA), 2);
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 2);
  EXPECT_TRUE(HookKindInstalled(hkCBT));
  EXPECT_TRUE(HookKindInstalled(hkGetMessage));
  UnregisterHookProc(&ProcA);
  EXPECT_EQ(HookRegistrationCount(&ProcA), 1);
  EXPECT_TRUE(HookKindInstalled(hkCallWndProc));
  UnregisterHookProc(&ProcB);  // the other procedure goes first
  EXPECT_FALSE(HookKindInstalled(hkGetMessage));
  EXPECT_TRUE(HookKindInstalled(hkCBT));
  UnregisterHookProc(&ProcA);
  EXPECT_FALSE(HookKindInstalled(hkCallWndProc));
  EXPECT_FALSE(HookKindInstalled(hkCBT));
  EXPECT_FALSE(HookRegistryExists());
  UnregisterHookProc(&ProcA);  // unknown now: nothing
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 0);
}

// A design-time registration takes no reference, yet its unregistration
// gives one back per kind of its codes, never below 0.
TEST_F(HookTest, CountOnlyRegistrationInstallsNothingAndStillReleasesOneReferencePerKind) {
  RegisterHookProc(&ProcA, kDockCodes, true);  // a window being designed
  EXPECT_EQ(HookRegistrationCount(&ProcA), 1);
  EXPECT_EQ(HookKindReferences(hkCBT), 0);
  EXPECT_FALSE(HookKindInstalled(hkCBT));
  UnregisterHookProc(&ProcA);
  EXPECT_EQ(HookKindReferences(hkCBT), 0);
  EXPECT_FALSE(HookRegistryExists());

  RegisterHookProc(&ProcB, kDockCodes, false);
  RegisterHookProc(&ProcB, kDockCodes, false);
  RegisterHookProc(&ProcA, kDockCodes, true);
  RegisterHookProc(&ProcA, HookCode(hecGetMessage), false);  // codes stay those of the first registration
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 2);
  EXPECT_EQ(HookKindReferences(hkCBT), 2);
  EXPECT_EQ(HookKindReferences(hkGetMessage), 1);
  UnregisterHookProc(&ProcA);
  EXPECT_EQ(HookRegistrationCount(&ProcA), 1);
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 1);
  EXPECT_EQ(HookKindReferences(hkCBT), 1);
  EXPECT_EQ(HookKindReferences(hkGetMessage), 1);
  UnregisterHookProc(&ProcA);
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 0);
  EXPECT_EQ(HookKindReferences(hkCBT), 0);
  EXPECT_FALSE(HookKindInstalled(hkCBT));
  EXPECT_TRUE(HookKindInstalled(hkGetMessage));
  EXPECT_EQ(HookRegistrationCount(&ProcB), 2);
  UnregisterHookProc(&ProcB);
  UnregisterHookProc(&ProcB);
  EXPECT_EQ(HookKindReferences(hkCallWndProc), 0);
  EXPECT_TRUE(HookKindInstalled(hkGetMessage));  // kinds outside the record's codes keep theirs
  EXPECT_FALSE(HookRegistryExists());
  ReleaseHooks(1u << hkGetMessage, false);
  EXPECT_FALSE(HookKindInstalled(hkGetMessage));
}

TEST_F(HookTest, ProceduresSeeTheirEventsAndAFailingOneDoesNotStopOthers) {
  seen.clear();
  RegisterHookProc(&Throwing, kDockCodes, false);
  RegisterHookProc(&ProcA, kDockCodes, false);
  auto* form = new TForm(Application);
  form->SetBounds(10, 10, 200, 100);
  form->Show();
  form->SetBounds(20, 20, 220, 120);
  form->Free();
  UnregisterHookProc(&ProcA);
  UnregisterHookProc(&Throwing);
  EXPECT_NE(std::find(seen.begin(), seen.end(), hecWindowPosChanged), seen.end());
  EXPECT_NE(std::find(seen.begin(), seen.end(), hecPreDestroy), seen.end());
  EXPECT_EQ(std::find(seen.begin(), seen.end(), hecGetMessage), seen.end());
}

namespace {
void SelfRemoving(THookEventCode, HWND, WPARAM, LPARAM) { UnregisterHookProc(&SelfRemoving); }
}  // namespace

TEST_F(HookTest, AProcedureThatUnregistersItselfDuringTheCallIsSafe) {
  seen.clear();
  RegisterHookProc(&SelfRemoving, HookCode(hecWindowPosChanged), false);
  RegisterHookProc(&ProcA, HookCode(hecWindowPosChanged), false);
  auto* form = new TForm(Application);
  form->SetBounds(10, 10, 200, 100);
  form->Show();
  form->Free();
  EXPECT_EQ(HookRegistrationCount(&SelfRemoving), 0);
  UnregisterHookProc(&ProcA);
  EXPECT_FALSE(HookRegistryExists());
}

TEST_F(HookTest, PrintingAHiddenWindowWithTheVisibilityCheckDrawsNothing) {
  auto* form = new TForm(Application);
  form->SetBounds(10, 10, 50, 40);
  form->HandleNeeded();
  int erased = 0;
  HDC dc = CreateCompatibleDC(nullptr);
  auto old = form->WindowProc;
  form->WindowProc = [&](TMessage& m) {
    if (m.Msg == WM_ERASEBKGND || m.Msg == WM_PRINTCLIENT) ++erased;
    old(m);
  };
  EXPECT_EQ(ServePrintMessage(form->Handle(), WPARAM(dc), PRF_CHECKVISIBLE | PRF_CLIENT | PRF_ERASEBKGND, nullptr,
                              nullptr),
            1);
  EXPECT_EQ(erased, 0);
  EXPECT_EQ(ServePrintMessage(form->Handle(), WPARAM(dc), PRF_CLIENT | PRF_ERASEBKGND, nullptr, nullptr), 1);
  EXPECT_EQ(erased, 2);
  form->WindowProc = old;
  DeleteDC(dc);
  form->Free();
}
