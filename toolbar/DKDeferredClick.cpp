// The per-thread queue of clicks that run after a menu has closed, and the
// carrying out of a menu loop's outcome.
#include <memory>
#include <vector>

#include "platform/Input.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TDKCustomItem.h"
#include "toolbar/TDKItemViewer.h"
#include "toolbar/TDKPopupWindow.h"
#include "ui/TApplication.h"
#include "ui/TControl.h"

namespace {

// Stands in a slot whose target went away while its message is on the way.
TObject* const kCancelled = reinterpret_cast<TObject*>(uintptr_t(1));

HWND queueWindow = nullptr;
std::unique_ptr<std::vector<TObject*>> pending;
int32_t users = 0;

void HandleQueueMessage(TMessage& Message) {
  if (Message.Msg == WM_DK_FREEPOPUPS) {
    FlushDeferredPopupFrees();
    return;
  }
  if (Message.Msg != WM_DK_DEFERREDCLICK) {
    Message.Result = DefWindowProc(queueWindow, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TObject* target = nullptr;
  if (pending && Message.LParam >= 0 && size_t(Message.LParam) < pending->size()) {
    target = (*pending)[size_t(Message.LParam)];
    (*pending)[size_t(Message.LParam)] = nullptr;
    if (target == kCancelled) target = nullptr;
    while (!pending->empty() && pending->back() == nullptr) pending->pop_back();
  }
  if (!target) return;
  try {
    if (auto* item = dynamic_cast<TDKCustomItem*>(target))
      item->Click();
    else if (auto* viewer = dynamic_cast<TDKItemViewer*>(target))
      viewer->RunAccessibleAction(Message.WParam != 0);
  } catch (...) {
    if (Application) Application->HandleException(target);
  }
}

}  // namespace

void PostDeferredPopupFrees() {
  if (!queueWindow) queueWindow = AllocateHWnd(&HandleQueueMessage);
  PostMessage(queueWindow, WM_DK_FREEPOPUPS, 0, 0);
}

void QueueDeferredClick(TObject* Target, WPARAM Flag) {
  if (!queueWindow) queueWindow = AllocateHWnd(&HandleQueueMessage);
  if (!pending) pending = std::make_unique<std::vector<TObject*>>();
  size_t slot = pending->size();
  for (size_t i = 0; i < pending->size(); ++i)
    if ((*pending)[i] == nullptr) {
      slot = i;
      break;
    }
  if (slot == pending->size())
    pending->push_back(Target);
  else
    (*pending)[slot] = Target;
  PostMessage(queueWindow, WM_DK_DEFERREDCLICK, Flag, LPARAM(slot));
}

void CancelDeferredClicks(TObject* Target) {
  if (!pending) return;
  for (TObject*& p : *pending)
    if (p == Target) p = kCancelled;
}

void DeferredClickUserAdded() { ++users; }

void DeferredClickUserRemoved() {
  if (--users > 0) return;
  users = 0;
  if (queueWindow) {
    DeallocateHWnd(queueWindow);
    queueWindow = nullptr;
  }
  pending.reset();
}

void ExecuteDoneAction(const TDKMenuOutcome& Outcome) {
  switch (Outcome.Action) {
    case moClickItem:
      // There is no sound scheme, so "MenuCommand" never plays.
      if (Outcome.Item) QueueDeferredClick(Outcome.Item, 0);
      break;
    case moSystemMenu:
      SendMessage(static_cast<HWND>(Outcome.Window), WM_SYSCOMMAND, 0xF100 /* SC_KEYMENU */,
                  LPARAM(Outcome.Number));
      break;
    case moHelpContext:
      // The program has no help file; a help request ends the menu only.
      break;
    case moNone:
    case moCancel:
      break;
  }
}
