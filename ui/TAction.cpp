#include "ui/TAction.h"

#include <algorithm>

#include "rtl/TypInfo.h"
#include "ui/TControl.h"

RTL_DEFINE_CLASS(TBasicAction, TComponent)
RTL_DEFINE_CLASS(TCustomAction, TBasicAction,
                 Published("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption),
                 Published("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked),
                 Published("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled),
                 Published("HelpContext", &TCustomAction::HelpContext, &TCustomAction::SetHelpContext),
                 Published("Hint", &TCustomAction::Hint, &TCustomAction::SetHint),
                 Published("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex),
                 Published("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible))
RTL_DEFINE_CLASS(TAction, TCustomAction)
RTL_DEFINE_CLASS(TCustomActionList, TComponent)
RTL_DEFINE_CLASS(TActionList, TCustomActionList)

// ---- TBasicAction

TBasicAction::TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}

TBasicAction::~TBasicAction() = default;

void TBasicAction::BeforeDestruction() {
  // Links let go first: their controls keep what they show.
  while (!clients_.empty()) {
    TBasicActionLink* l = clients_.back();
    clients_.pop_back();
    l->action_ = nullptr;
  }
  inherited::BeforeDestruction();
}

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

bool TBasicAction::Update() {
  if (!OnUpdate) return false;
  OnUpdate(this);
  return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* Value) {
  if (std::find(clients_.begin(), clients_.end(), Value) == clients_.end()) clients_.push_back(Value);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* Value) {
  clients_.erase(std::remove(clients_.begin(), clients_.end(), Value), clients_.end());
}

void TBasicAction::Change() {
  std::vector<TBasicActionLink*> copy = clients_;
  for (TBasicActionLink* l : copy)
    if (std::find(clients_.begin(), clients_.end(), l) != clients_.end()) l->Change();
}

// ---- TBasicActionLink

TBasicActionLink::~TBasicActionLink() {
  if (action_) action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* Value) {
  if (action_ == Value) return;
  if (action_) action_->UnRegisterChanges(this);
  action_ = Value;
  if (action_) action_->RegisterChanges(this);
}

bool TBasicActionLink::Execute(TComponent* AComponent) {
  if (!action_) return false;
  action_->SetActionComponent(AComponent);
  bool r = false;
  try {
    r = action_->Execute();
  } catch (...) {
    if (action_) action_->SetActionComponent(nullptr);
    throw;
  }
  if (action_) action_->SetActionComponent(nullptr);
  return r;
}

bool TBasicActionLink::Update() { return action_ && action_->Update(); }

void TBasicActionLink::Change() {
  if (OnChange) OnChange(action_);
}

// ---- TCustomAction

TCustomAction::TCustomAction(TComponent* AOwner) : TBasicAction(AOwner) {}

bool TCustomAction::Execute() {
  if (!enabled_) return false;
  if (autoCheck_) SetChecked(!checked_);
  return TBasicAction::Execute();
}

// Each setter tells the links whose client still shows the old value, then
// stores the new one and reports the change.
#define ACTION_SETTER(Method, Field, Type, Linked, LinkSet)               \
  void TCustomAction::Method(Type v) {                                    \
    if (Field == v) return;                                               \
    for (TBasicActionLink* l : std::vector<TBasicActionLink*>(clients_))  \
      if (auto* al = dynamic_cast<TActionLink*>(l); al && al->Linked())   \
        al->LinkSet(v);                                                   \
    Field = v;                                                            \
    Change();                                                             \
  }
ACTION_SETTER(SetCaption, caption_, const std::string&, IsCaptionLinked, SetCaption)
ACTION_SETTER(SetEnabled, enabled_, bool, IsEnabledLinked, SetEnabled)
ACTION_SETTER(SetHint, hint_, const std::string&, IsHintLinked, SetHint)
ACTION_SETTER(SetImageIndex, imageIndex_, int32_t, IsImageIndexLinked, SetImageIndex)
ACTION_SETTER(SetVisible, visible_, bool, IsVisibleLinked, SetVisible)
ACTION_SETTER(SetAutoCheck, autoCheck_, bool, IsAutoCheckLinked, SetAutoCheck)
ACTION_SETTER(SetHelpContext, helpContext_, int32_t, IsHelpContextLinked, SetHelpContext)
ACTION_SETTER(SetShortCut, shortCut_, TShortCut, IsShortCutLinked, SetShortCut)
#undef ACTION_SETTER

bool TCustomAction::DoHint(std::string& HintStr) {
  bool canShow = true;
  if (OnHint) OnHint(HintStr, canShow);
  return canShow;
}

void TCustomAction::SetChecked(bool v) {
  if (checked_ == v) return;
  for (TBasicActionLink* l : std::vector<TBasicActionLink*>(clients_))
    if (auto* al = dynamic_cast<TActionLink*>(l); al && al->IsCheckedLinked()) al->SetChecked(v);
  checked_ = v;
  // One checked action per group: the others of the same owner let go.
  if (v && groupIndex_ > 0 && Owner()) {
    for (int i = 0; i < Owner()->ComponentCount(); ++i)
      if (auto* a = dynamic_cast<TCustomAction*>(Owner()->Components(i));
          a && a != this && a->groupIndex_ == groupIndex_)
        a->SetChecked(false);
  }
  Change();
}

// ---- TActionLink

TCustomAction* TActionLink::CustomAction() const { return dynamic_cast<TCustomAction*>(action_); }
bool TActionLink::IsAutoCheckLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsCaptionLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsCheckedLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsEnabledLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHelpContextLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsHintLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsImageIndexLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsShortCutLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsVisibleLinked() { return CustomAction() != nullptr; }
bool TActionLink::IsOnExecuteLinked() { return action_ != nullptr; }

// ---- TControlActionLink

TControlActionLink::TControlActionLink(TControl* AClient) : TActionLink(AClient), control_(AClient) {}

bool TControlActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && control_->Caption() == CustomAction()->Caption();
}
bool TControlActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && control_->Enabled() == CustomAction()->Enabled();
}
bool TControlActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && control_->Hint() == CustomAction()->Hint();
}
bool TControlActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && control_->Visible() == CustomAction()->Visible();
}
void TControlActionLink::SetCaption(const std::string& Value) { control_->SetCaption(Value); }
void TControlActionLink::SetEnabled(bool Value) { control_->SetEnabled(Value); }
void TControlActionLink::SetHint(const std::string& Value) { control_->SetHint(Value); }
void TControlActionLink::SetVisible(bool Value) { control_->SetVisible(Value); }

// ---- TCustomActionList

void TCustomActionList::AddAction(TBasicAction* Action) {
  if (std::find(actions_.begin(), actions_.end(), Action) != actions_.end()) return;
  actions_.push_back(Action);
  Action->FreeNotification(this);
}

void TCustomActionList::RemoveAction(TBasicAction* Action) {
  actions_.erase(std::remove(actions_.begin(), actions_.end(), Action), actions_.end());
}

void TCustomActionList::UpdateActions() {
  std::vector<TBasicAction*> copy = actions_;
  for (TBasicAction* a : copy) {
    bool handled = false;
    if (OnUpdate) OnUpdate(a, handled);
    if (!handled) a->Update();
  }
}

void TCustomActionList::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove)
    if (auto* a = dynamic_cast<TBasicAction*>(AComponent)) RemoveAction(a);
}
