// Actions: a command with its caption, hint, enabled and checked state kept
// in one place. Controls link to an action (TControl::SetAction) through an
// action link; a change to the action reaches every linked control, and
// clicking a linked control executes the action. Update runs the action's
// OnUpdate (the application calls it when idle for visible forms).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "rtl/TComponent.h"
#include "rtl/TObject.h"

class TBasicActionLink;
class TControl;

// A key with its Shift, Ctrl and Alt bits, as ui/ShortCut.h reads and
// writes it.
using TShortCut = uint16_t;
// Lets the program change an action's hint before it shows, or keep it
// from showing (CanShow false).
using THintEvent = std::function<void(std::string& HintStr, bool& CanShow)>;

class TBasicAction : public TComponent {
  RTL_CLASS(TBasicAction, TComponent)
 public:
  explicit TBasicAction(TComponent* AOwner);
  ~TBasicAction() override;
  void BeforeDestruction() override;

  // Runs OnExecute; answers whether there was one.
  virtual bool Execute();
  // Runs OnUpdate; answers whether there was one.
  virtual bool Update();
  TComponent* ActionComponent() const { return actionComponent_; }
  void SetActionComponent(TComponent* v) { actionComponent_ = v; }

  void RegisterChanges(TBasicActionLink* Value);
  void UnRegisterChanges(TBasicActionLink* Value);

  TNotifyEvent OnExecute;
  TNotifyEvent OnUpdate;

 protected:
  // Tells every link that the action changed.
  virtual void Change();
  std::vector<TBasicActionLink*> clients_;

 private:
  TComponent* actionComponent_ = nullptr;
};

class TBasicActionLink : public TObject {
 public:
  explicit TBasicActionLink(TObject* AClient) : client_(AClient) {}
  ~TBasicActionLink() override;
  TBasicAction* Action() const { return action_; }
  virtual void SetAction(TBasicAction* Value);
  virtual bool Execute(TComponent* AComponent = nullptr);
  virtual bool Update();
  TNotifyEvent OnChange;

 protected:
  friend class TBasicAction;
  virtual void Change();
  TObject* client_;
  TBasicAction* action_ = nullptr;
};

class TCustomAction : public TBasicAction {
  RTL_CLASS(TCustomAction, TBasicAction)
 public:
  explicit TCustomAction(TComponent* AOwner);

  bool Execute() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v);
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v);
  int32_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int32_t v) { groupIndex_ = v; }
  int32_t HelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t v);
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v);

  // The hint hook: runs OnHint, which may change HintStr; answers whether
  // the hint may show.
  virtual bool DoHint(std::string& HintStr);
  THintEvent OnHint;

 private:
  std::string caption_;
  bool checked_ = false;
  bool enabled_ = true;
  std::string hint_;
  int32_t imageIndex_ = -1;
  bool visible_ = true;
  bool autoCheck_ = false;
  int32_t groupIndex_ = 0;
  int32_t helpContext_ = 0;
  TShortCut shortCut_ = 0;
};

class TAction : public TCustomAction {
  RTL_CLASS(TAction, TCustomAction)
 public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

// The link of a client that shows an action's settings. Each IsXLinked test
// says whether the client's X follows the action; SetX copies it over.
class TActionLink : public TBasicActionLink {
 public:
  using TBasicActionLink::TBasicActionLink;
  virtual bool IsAutoCheckLinked();
  virtual bool IsCaptionLinked();
  virtual bool IsCheckedLinked();
  virtual bool IsEnabledLinked();
  virtual bool IsHelpContextLinked();
  virtual bool IsHintLinked();
  virtual bool IsImageIndexLinked();
  virtual bool IsShortCutLinked();
  virtual bool IsVisibleLinked();
  virtual bool IsOnExecuteLinked();
  virtual void SetAutoCheck(bool Value) {}
  virtual void SetCaption(const std::string& Value) {}
  virtual void SetChecked(bool Value) {}
  virtual void SetEnabled(bool Value) {}
  virtual void SetHelpContext(int32_t Value) {}
  virtual void SetHint(const std::string& Value) {}
  virtual void SetImageIndex(int32_t Value) {}
  virtual void SetShortCut(TShortCut Value) {}
  virtual void SetVisible(bool Value) {}

 protected:
  TCustomAction* CustomAction() const;
};

// The link between a control and its action.
class TControlActionLink : public TActionLink {
 public:
  explicit TControlActionLink(TControl* AClient);
  bool IsCaptionLinked() override;
  bool IsEnabledLinked() override;
  bool IsHintLinked() override;
  bool IsVisibleLinked() override;
  void SetCaption(const std::string& Value) override;
  void SetEnabled(bool Value) override;
  void SetHint(const std::string& Value) override;
  void SetVisible(bool Value) override;

 protected:
  TControl* control_;
};

// A list of actions owned by a form; its OnExecute and OnUpdate see every
// action first and may handle it.
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;
class TCustomActionList : public TComponent {
  RTL_CLASS(TCustomActionList, TComponent)
 public:
  explicit TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}
  int32_t ActionCount() const { return int32_t(actions_.size()); }
  TBasicAction* Actions(int32_t Index) const { return actions_.at(size_t(Index)); }
  void AddAction(TBasicAction* Action);
  void RemoveAction(TBasicAction* Action);
  // Runs OnUpdate of every action (the application's idle update).
  void UpdateActions();
  TActionEvent OnExecute;
  TActionEvent OnUpdate;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TBasicAction;
  std::vector<TBasicAction*> actions_;
};
class TActionList : public TCustomActionList {
  RTL_CLASS(TActionList, TCustomActionList)
 public:
  explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};
