#pragma once
// Toolbar items: a tree of commands with caption, image, shortcut, checked
// and enabled state, an optional action and ordered children. Views show the
// children of one item and learn of every change through listeners.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "rtl/TComponent.h"
#include "toolbar/TDKItemTypes.h"
#include "ui/ShortCut.h"
#include "ui/TAction.h"
#include "ui/TControl.h"

class TCustomImageList;
class TChangeLink;
class TDKCustomItemActionLink;
class TDKImageChangeLink;
struct TDKPopupPlacement;

using TDKSelectEvent = std::function<void(TDKCustomItem* Sender, TDKItemViewer* Viewer, bool Selecting)>;
using TDKPopupEvent = std::function<void(TDKCustomItem* Sender, bool FromLink)>;

class TDKCustomItem : public TComponent {
  RTL_CLASS(TDKCustomItem, TComponent)
  friend class TDKCustomItemActionLink;
  friend class TDKImageChangeLink;

 public:
  explicit TDKCustomItem(TComponent* AOwner);
  ~TDKCustomItem() override;

  // The tree.
  int32_t ChildCount() const { return int32_t(children_.size()); }
  TDKCustomItem* GetItem(int32_t Index) const;
  TDKCustomItem* Parent() const { return parent_; }
  void Insert(int32_t Index, TDKCustomItem* Item);
  void Add(TDKCustomItem* Item) { Insert(ChildCount(), Item); }
  void Delete(int32_t Index);
  int32_t IndexOf(const TDKCustomItem* Item) const;
  void Remove(TDKCustomItem* Item);
  void Move(int32_t CurIndex, int32_t NewIndex);
  void Clear();  // deletes and frees every child

  void RegisterListener(TDKItemChangedProc Proc, void* Data);
  void UnregisterListener(TDKItemChangedProc Proc, void* Data);
  void NotifyListeners(TDKChildAction Action, int32_t Index, TDKCustomItem* Child);

  std::string GetShortCutText() const;

  // Properties.
  TBasicAction* Action() const;
  void SetAction(TBasicAction* Value);
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool v) { autoCheck_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v);
  bool Checked() const { return checked_; }
  void SetChecked(bool v);
  TDKItemDisplayMode DisplayMode() const { return displayMode_; }
  void SetDisplayMode(TDKItemDisplayMode v);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v);
  int32_t GroupIndex() const { return groupIndex_; }
  void SetGroupIndex(int32_t v);
  int32_t HelpContext() const { return helpContext_; }
  void SetHelpContext(int32_t v) { helpContext_ = v; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& v) { hint_ = v; }
  int32_t ImageIndex() const { return imageIndex_; }
  void SetImageIndex(int32_t v);
  TCustomImageList* Images() const { return images_; }
  void SetImages(TCustomImageList* v);
  TCustomImageList* SubitemImages() const { return subitemImages_; }
  void SetSubitemImages(TCustomImageList* v);
  TDKItemOptions Options() const { return options_; }
  void SetOptions(TDKItemOptions v);
  TDKItemOptions MaskOptions() const { return maskOptions_; }
  void SetMaskOptions(TDKItemOptions v);
  bool InheritOptions() const { return inheritOptions_; }
  void SetInheritOptions(bool v);
  TDKItemOptions ResolvedOptions() const { return resolvedOptions_; }
  bool HasOption(TDKItemOption o) const { return (resolvedOptions_ & dkoBit(o)) != 0; }
  TShortCut ShortCut() const { return shortCut_; }
  void SetShortCut(TShortCut v) { shortCut_ = v; }
  TDKCustomItem* LinkSubitems() const { return linkSubitems_; }
  void SetLinkSubitems(TDKCustomItem* v);
  bool Visible() const { return visible_; }
  void SetVisible(bool v);
  TDKItemStyleFlags StyleFlags() const { return styleFlags_; }
  void SetStyleFlags(TDKItemStyleFlags v) { styleFlags_ = v; }
  bool HasStyle(TDKItemStyleFlags f) const { return (styleFlags_ & f) != 0; }
  TComponent* StreamParent() const { return streamParent_; }
  void SetStreamParent(TComponent* v) { streamParent_ = v; }
  void SetName(const std::string& NewName) override;

  TNotifyEvent OnClick;
  TDKPopupEvent OnBeforePopup;
  TDKSelectEvent OnSelect;

  // Virtual operations.
  virtual void NotifyChange(bool NeedResize);
  virtual TDKPopupWindow* OpenPopupWindow(TDKView* ParentView, TDKItemViewer* ParentViewer,
                                          TPopupAlignment Alignment, TPoint PopupPoint,
                                          bool Customizing, bool SelectFirst,
                                          bool PositionAsSubmenu);
  virtual void HandlePopup(TDKCustomItem* Sender, bool FromLink);
  void NotifyRepaint() { NotifyChange(false); }
  virtual TDKView* GetChevronOwnerView() { return nullptr; }
  virtual TDKItemViewerClass ViewerClassFor(TDKView* View);
  virtual void PlacePopup(TDKView* ParentView, TDKPopupWindow* Window, TDKPopupPlacement& Placement);
  virtual TDKPopupWindowClass PopupWindowClass();
  virtual bool ViewerNeedsRecreate(TDKItemViewer* Viewer) { return false; }
  virtual void Click();
  virtual void InitiateAction();

  // Shortcut search and execution.
  static TDKCustomItem* FindByShortCut(TDKCustomItem* Root, TShortCut Key, TDKCustomItem*& TopItem);
  static bool IsShortCut(TDKCustomItem* Root, TShortCut Key);

  void ResolveOptions();
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Loaded() override;
  void ActionChange(TObject* Sender, bool CheckDefaults);

 protected:
  void UncheckGroupSiblings();
  bool IsDesigning() const;

  TDKItemStyleFlags styleFlags_ = dksfSelectable | dksfRedrawOnSelect | dksfRedrawOnHover;

 private:
  void DispatchNotification(TDKCustomItem* Changed, int32_t Depth, TDKCustomItem* Child,
                            int32_t Index, TDKChildAction Action);
  bool ChangeImageList(TCustomImageList*& ListField, TCustomImageList* NewList,
                       std::unique_ptr<TDKImageChangeLink>& ChangeLink);
  void ImageListChanged(TDKImageChangeLink* Sender);
  bool OnClickIsActions() const;
  void DoActionChange(TObject* Sender);

  std::unique_ptr<TDKCustomItemActionLink> actionLink_;
  bool autoCheck_ = false;
  std::string caption_;
  bool checked_ = false;
  TDKItemDisplayMode displayMode_ = nbdmDefault;
  bool enabled_ = true;
  TDKItemOptions resolvedOptions_ = 0;
  int32_t groupIndex_ = 0;
  int32_t helpContext_ = 0;
  std::string hint_;
  int32_t imageIndex_ = -1;
  TCustomImageList* images_ = nullptr;
  std::unique_ptr<TDKImageChangeLink> imagesLink_;
  std::vector<TDKCustomItem*> children_;
  std::unique_ptr<std::vector<TDKCustomItem*>> linkingItems_;
  TDKItemOptions maskOptions_ = 0;
  TDKItemOptions options_ = 0;
  bool inheritOptions_ = true;
  struct TListener {
    TDKItemChangedProc Proc;
    void* Data;
    int32_t Count;
  };
  std::unique_ptr<std::vector<TListener>> listeners_;
  TDKCustomItem* parent_ = nullptr;
  TComponent* streamParent_ = nullptr;
  TShortCut shortCut_ = 0;
  TCustomImageList* subitemImages_ = nullptr;
  std::unique_ptr<TDKImageChangeLink> subitemImagesLink_;
  TDKCustomItem* linkSubitems_ = nullptr;
  bool visible_ = true;
  bool onClickFromAction_ = false;
};

// The item whose children are shown for Item: its LinkSubitems when set.
TDKCustomItem* ContentItemOf(TDKCustomItem* Item);

// The root of a toolbar: an item with no code of its own.
class TDKRootItem : public TDKCustomItem {
  RTL_CLASS(TDKRootItem, TDKCustomItem)
 public:
  explicit TDKRootItem(TComponent* AOwner) : TDKCustomItem(AOwner) {}
};

class TDKSeparatorItem : public TDKCustomItem {
  RTL_CLASS(TDKSeparatorItem, TDKCustomItem)
 public:
  explicit TDKSeparatorItem(TComponent* AOwner);
  bool Blank() const { return blank_; }
  void SetBlank(bool v);
  TDKItemViewerClass ViewerClassFor(TDKView* View) override;

 private:
  bool blank_ = false;
};

// A control hosted on a toolbar at the item's place.
class TDKControlItem : public TDKCustomItem {
  RTL_CLASS(TDKControlItem, TDKCustomItem)
 public:
  explicit TDKControlItem(TComponent* AOwner);
  TDKControlItem(TComponent* AOwner, TControl* AControl);
  ~TDKControlItem() override;
  TControl* Control() const { return control_; }
  void SetControl(TControl* v);
  bool KeepControl() const { return keepControl_; }
  void SetKeepControl(bool v) { keepControl_ = v; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TControl* control_ = nullptr;
  bool keepControl_ = false;
};

// The link between an item and an action of the action framework.
class TDKCustomItemActionLink : public TActionLink {
 public:
  explicit TDKCustomItemActionLink(TDKCustomItem* AClient);
  bool IsAutoCheckLinked() override;
  bool IsCaptionLinked() override;
  bool IsCheckedLinked() override;
  bool IsEnabledLinked() override;
  bool IsHelpContextLinked() override;
  bool IsHintLinked() override;
  bool IsImageIndexLinked() override;
  bool IsShortCutLinked() override;
  bool IsVisibleLinked() override;
  bool IsOnExecuteLinked() override;
  void SetAutoCheck(bool Value) override;
  void SetCaption(const std::string& Value) override;
  void SetChecked(bool Value) override;
  void SetEnabled(bool Value) override;
  void SetHelpContext(int32_t Value) override;
  void SetHint(const std::string& Value) override;
  void SetImageIndex(int32_t Value) override;
  void SetShortCut(TShortCut Value) override;
  void SetVisible(bool Value) override;

 private:
  TDKCustomItem* item_;
};

// Deferred clicks: a click chosen in a menu runs once the menu has closed
// and the application's message loop is back. Targets are items (clicked)
// or viewers (their accessible action runs with Flag).
constexpr UINT WM_DK_DEFERREDCLICK = 0x500;
void QueueDeferredClick(TObject* Target, WPARAM Flag);
void CancelDeferredClicks(TObject* Target);
// Asks the queue to free the popup windows whose freeing was put off.
constexpr UINT WM_DK_FREEPOPUPS = 0x501;
void PostDeferredPopupFrees();
// Items and viewers count themselves; the queue's window goes with the last.
void DeferredClickUserAdded();
void DeferredClickUserRemoved();
// Carries out a menu loop's outcome.
void ExecuteDoneAction(const TDKMenuOutcome& Outcome);
