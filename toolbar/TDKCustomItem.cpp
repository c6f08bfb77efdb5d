#include "toolbar/TDKCustomItem.h"

#include <algorithm>

#include "toolbar/DKCommon.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"
#include "ui/TImageList.h"

RTL_DEFINE_CLASS(TDKCustomItem, TComponent)
RTL_DEFINE_CLASS(TDKRootItem, TDKCustomItem)
RTL_DEFINE_CLASS(TDKSeparatorItem, TDKCustomItem)
RTL_DEFINE_CLASS(TDKControlItem, TDKCustomItem)

// Follows an image list's changes for one of the item's two lists.
class TDKImageChangeLink : public TChangeLink {
 public:
  TDKImageChangeLink(TDKCustomItem* Item) : item_(Item) {
    OnChange = [this](TObject*) { item_->ImageListChanged(this); };
  }
  int32_t LastWidth = -1, LastHeight = -1;

 private:
  TDKCustomItem* item_;
};

namespace {

// Linked menus nest no deeper than this; deeper links yield nothing.
constexpr int32_t kMaxLinkDepth = 25;

void ShowHandlerException(TObject* Sender) {
  if (Application) Application->HandleException(Sender);
}

TDKCustomItem* FindByShortCutIn(TDKCustomItem* Root, TShortCut Key, int32_t LinkDepth,
                                std::vector<TDKCustomItem*>& Path) {
  TDKCustomItem* content = ContentItemOf(Root);
  if (!content) return nullptr;
  if (content != Root) {
    // A link back to a menu already on the way down would never end.
    if (++LinkDepth > kMaxLinkDepth || std::find(Path.begin(), Path.end(), content) != Path.end())
      return nullptr;
  }
  Path.push_back(content);
  TDKCustomItem* result = nullptr;
  for (int32_t i = 0; i < content->ChildCount() && !result; ++i) {
    TDKCustomItem* child = content->GetItem(i);
    if (child->ShortCut() == Key)
      result = child;
    else
      result = FindByShortCutIn(child, Key, LinkDepth, Path);
  }
  Path.pop_back();
  return result;
}

}  // namespace

TDKCustomItem* ContentItemOf(TDKCustomItem* Item) {
  if (!Item) return nullptr;
  return Item->LinkSubitems() ? Item->LinkSubitems() : Item;
}

TDKCustomItem::TDKCustomItem(TComponent* AOwner) : TComponent(AOwner) { DeferredClickUserAdded(); }

TDKCustomItem::~TDKCustomItem() {
  CancelDeferredClicks(this);
  for (int32_t i = ChildCount() - 1; i >= 0; --i) {
    TDKCustomItem* child = children_[size_t(i)];
    child->Free();  // its destructor takes it out of this item
  }
  if (parent_) parent_->Remove(this);
  actionLink_.reset();
  if (images_ && imagesLink_) images_->UnRegisterChanges(imagesLink_.get());
  if (subitemImages_ && subitemImagesLink_) subitemImages_->UnRegisterChanges(subitemImagesLink_.get());
  imagesLink_.reset();
  subitemImagesLink_.reset();
  if (linkSubitems_) ListRemoveAndFreeIfEmpty(linkSubitems_->linkingItems_, this);
  if (linkingItems_) {
    for (TDKCustomItem* linker : std::vector<TDKCustomItem*>(*linkingItems_)) linker->linkSubitems_ = nullptr;
  }
  listeners_.reset();
  linkingItems_.reset();
  DeferredClickUserRemoved();
}

bool TDKCustomItem::IsDesigning() const {
  TComponent* o = Owner();
  return ComponentState().Contains(csDesigning) || (o && o->ComponentState().Contains(csDesigning));
}

TDKCustomItem* TDKCustomItem::GetItem(int32_t Index) const {
  if (Index < 0 || Index >= ChildCount()) throw EDKItemError(SDKItemIndexOutOfRange);
  return children_[size_t(Index)];
}

void TDKCustomItem::Insert(int32_t Index, TDKCustomItem* Item) {
  if (Item->parent_) throw EDKItemError(SDKItemAlreadyInserted);
  if (Index < 0 || Index > ChildCount()) throw EDKItemError(SDKItemIndexOutOfRange);
  children_.insert(children_.begin() + Index, Item);
  Item->parent_ = this;
  NotifyListeners(dkcaBeginUpdate, -1, nullptr);
  try {
    NotifyListeners(dkcaInserted, Index, Item);
    Item->ResolveOptions();
  } catch (...) {
    NotifyListeners(dkcaEndUpdate, -1, nullptr);
    throw;
  }
  NotifyListeners(dkcaEndUpdate, -1, nullptr);
}

void TDKCustomItem::Delete(int32_t Index) {
  if (Index < 0 || Index >= ChildCount()) throw EDKItemError(SDKItemIndexOutOfRange);
  TDKCustomItem* child = children_[size_t(Index)];
  NotifyListeners(dkcaDeleting, Index, child);
  child->parent_ = nullptr;
  // The listeners may have changed the list; take the child out where it is.
  auto it = std::find(children_.begin(), children_.end(), child);
  if (it != children_.end()) children_.erase(it);
}

int32_t TDKCustomItem::IndexOf(const TDKCustomItem* Item) const {
  for (size_t i = 0; i < children_.size(); ++i)
    if (children_[i] == Item) return int32_t(i);
  return -1;
}

void TDKCustomItem::Remove(TDKCustomItem* Item) {
  int32_t i = IndexOf(Item);
  if (i >= 0) Delete(i);
}

void TDKCustomItem::Clear() {
  for (int32_t i = ChildCount() - 1; i >= 0; --i) children_[size_t(i)]->Free();
}

void TDKCustomItem::Move(int32_t CurIndex, int32_t NewIndex) {
  if (CurIndex == NewIndex) return;
  // Both indexes are checked before anything is sent, so a bad index leaves
  // the views neither locked nor changed.
  if (CurIndex < 0 || CurIndex >= ChildCount() || NewIndex < 0 || NewIndex >= ChildCount())
    throw EDKItemError(SDKItemIndexOutOfRange);
  NotifyListeners(dkcaBeginUpdate, -1, nullptr);
  try {
    TDKCustomItem* item = children_[size_t(CurIndex)];
    Delete(CurIndex);
    Insert(NewIndex, item);
  } catch (...) {
    NotifyListeners(dkcaEndUpdate, -1, nullptr);
    throw;
  }
  NotifyListeners(dkcaEndUpdate, -1, nullptr);
}

void TDKCustomItem::RegisterListener(TDKItemChangedProc Proc, void* Data) {
  if (!listeners_) listeners_ = std::make_unique<std::vector<TListener>>();
  for (TListener& l : *listeners_)
    if (l.Proc == Proc && l.Data == Data) {
      ++l.Count;
      return;
    }
  listeners_->push_back(TListener{Proc, Data, 1});
}

void TDKCustomItem::UnregisterListener(TDKItemChangedProc Proc, void* Data) {
  if (!listeners_) return;
  for (size_t i = 0; i < listeners_->size(); ++i) {
    TListener& l = (*listeners_)[i];
    if (l.Proc == Proc && l.Data == Data) {
      if (--l.Count <= 0) listeners_->erase(listeners_->begin() + ptrdiff_t(i));
      break;
    }
  }
  if (listeners_->empty()) {
    listeners_.reset();
  }
}

void TDKCustomItem::NotifyListeners(TDKChildAction Action, int32_t Index, TDKCustomItem* Child) {
  DispatchNotification(this, 0, Child, Index, Action);
}

void TDKCustomItem::DispatchNotification(TDKCustomItem* Changed, int32_t Depth, TDKCustomItem* Child,
                                         int32_t Index, TDKChildAction Action) {
  if (HasStyle(dksfEmbeddedGroup) && parent_ && Depth <= 10)
    parent_->DispatchNotification(Changed, Depth + 1, Child, Index, Action);
  if (linkingItems_) {
    // A snapshot: a relayed notice may change who links here.
    std::vector<TDKCustomItem*> linkers(*linkingItems_);
    for (TDKCustomItem* linker : linkers)
      if (linker != parent_ && linker->HasStyle(dksfEmbeddedGroup) && linker->parent_ && Depth <= 10)
        linker->parent_->DispatchNotification(Changed, Depth + 1, Child, Index, Action);
  }
  if (!listeners_) return;
  size_t i = 0;
  while (listeners_ && i < listeners_->size()) {
    TListener l = (*listeners_)[i];
    l.Proc(l.Data, Changed, Changed != this, Child, Index, Action);
    if (!listeners_ || listeners_->size() <= i) break;
    const TListener& now = (*listeners_)[i];
    if (now.Proc == l.Proc && now.Data == l.Data) ++i;
  }
}

std::string TDKCustomItem::GetShortCutText() const {
  size_t tab = caption_.find('\t');
  if (tab != std::string::npos) return caption_.substr(tab + 1);
  if (shortCut_ != 0) return ShortCutToText(shortCut_);
  return "";
}

void TDKCustomItem::NotifyChange(bool NeedResize) {
  if (!parent_) return;
  parent_->NotifyListeners(NeedResize ? dkcaRelayout : dkcaRepaint, parent_->IndexOf(this), this);
}

void TDKCustomItem::SetCaption(const std::string& v) {
  if (caption_ == v) return;
  caption_ = v;
  NotifyChange(true);
}

void TDKCustomItem::SetDisplayMode(TDKItemDisplayMode v) {
  if (displayMode_ == v) return;
  displayMode_ = v;
  NotifyChange(true);
}

void TDKCustomItem::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  NotifyChange(true);
}

void TDKCustomItem::SetChecked(bool v) {
  if (checked_ == v) return;
  checked_ = v;
  NotifyChange(false);
  if (v) UncheckGroupSiblings();
}

void TDKCustomItem::UncheckGroupSiblings() {
  if (groupIndex_ == 0 || !parent_) return;
  for (int32_t i = 0; i < parent_->ChildCount(); ++i) {
    TDKCustomItem* sib = parent_->children_[size_t(i)];
    if (sib != this && sib->groupIndex_ == groupIndex_) sib->SetChecked(false);
  }
}

void TDKCustomItem::SetEnabled(bool v) {
  if (enabled_ == v) return;
  enabled_ = v;
  NotifyRepaint();
}

void TDKCustomItem::SetGroupIndex(int32_t v) {
  if (groupIndex_ == v) return;
  groupIndex_ = v;
  if (checked_) UncheckGroupSiblings();
}

void TDKCustomItem::SetImageIndex(int32_t v) {
  if (imageIndex_ == v) return;
  bool resize = (imageIndex_ == -1) != (v == -1);
  imageIndex_ = v;
  NotifyChange(resize);
}

bool TDKCustomItem::ChangeImageList(TCustomImageList*& ListField, TCustomImageList* NewList,
                                    std::unique_ptr<TDKImageChangeLink>& ChangeLink) {
  int32_t oldW = ListField ? ListField->Width() : -1, oldH = ListField ? ListField->Height() : -1;
  if (ListField && ChangeLink) ListField->UnRegisterChanges(ChangeLink.get());
  if (!NewList) {
    ChangeLink.reset();
    ListField = nullptr;
    return true;
  }
  ListField = NewList;
  bool changed = NewList->Width() != oldW || NewList->Height() != oldH;
  if (!ChangeLink) ChangeLink = std::make_unique<TDKImageChangeLink>(this);
  ChangeLink->LastWidth = NewList->Width();
  ChangeLink->LastHeight = NewList->Height();
  NewList->RegisterChanges(ChangeLink.get());
  NewList->FreeNotification(this);
  return changed;
}

void TDKCustomItem::ImageListChanged(TDKImageChangeLink* Sender) {
  if (Sender == subitemImagesLink_.get() && subitemImages_) {
    Sender->LastWidth = subitemImages_->Width();
    Sender->LastHeight = subitemImages_->Height();
    NotifyListeners(dkcaRefresh, -1, nullptr);
  } else if (Sender == imagesLink_.get() && images_) {
    bool changed = images_->Width() != Sender->LastWidth || images_->Height() != Sender->LastHeight;
    Sender->LastWidth = images_->Width();
    Sender->LastHeight = images_->Height();
    NotifyChange(changed);
  }
}

void TDKCustomItem::SetImages(TCustomImageList* v) {
  if (images_ == v) return;
  NotifyChange(ChangeImageList(images_, v, imagesLink_));
}

void TDKCustomItem::SetSubitemImages(TCustomImageList* v) {
  if (subitemImages_ == v) return;
  ChangeImageList(subitemImages_, v, subitemImagesLink_);
  NotifyListeners(dkcaRefresh, -1, nullptr);
}

namespace {
TDKItemOptions NormaliseOptions(TDKItemOptions o) {
  if (!(o & dkoBit(dkoToolbarStyle))) o &= TDKItemOptions(~dkoBit(dkoToolbarSize));
  return o;
}
}  // namespace

void TDKCustomItem::SetOptions(TDKItemOptions v) {
  v = NormaliseOptions(v);
  if (options_ == v) return;
  options_ = v;
  ResolveOptions();
}

void TDKCustomItem::SetMaskOptions(TDKItemOptions v) {
  if (maskOptions_ == v) return;
  maskOptions_ = v;
  ResolveOptions();
}

void TDKCustomItem::SetInheritOptions(bool v) {
  if (inheritOptions_ == v) return;
  inheritOptions_ = v;
  ResolveOptions();
}

void TDKCustomItem::ResolveOptions() {
  TDKItemOptions inherited = 0;
  if (inheritOptions_ && parent_) inherited = parent_->resolvedOptions_ & TDKItemOptions(~dkoBit(dkoDefault));
  TDKItemOptions now = NormaliseOptions(TDKItemOptions((inherited & ~maskOptions_) | options_));
  if (now == resolvedOptions_) return;
  TDKItemOptions changed = now ^ resolvedOptions_;
  resolvedOptions_ = now;
  constexpr TDKItemOptions layoutOptions = dkoBit(dkoDefault) | dkoBit(dkoDropdownArrow) |
                                           dkoBit(dkoImageAboveCaption) | dkoBit(dkoNoRotation) |
                                           dkoBit(dkoSameWidth) | dkoBit(dkoToolbarStyle) |
                                           dkoBit(dkoToolbarSize);
  if (changed & layoutOptions) NotifyChange(true);
  for (TDKCustomItem* child : std::vector<TDKCustomItem*>(children_))
    if (child->inheritOptions_) child->ResolveOptions();
}

void TDKCustomItem::SetLinkSubitems(TDKCustomItem* v) {
  if (v == this) v = nullptr;
  if (linkSubitems_ == v) return;
  if (linkSubitems_) {
    ListRemoveAndFreeIfEmpty(linkSubitems_->linkingItems_, this);
    linkSubitems_->RemoveFreeNotification(this);
  }
  linkSubitems_ = v;
  if (v) {
    v->FreeNotification(this);
    ListAddOnce(v->linkingItems_, this);
  }
  NotifyListeners(dkcaLinksChanged, -1, nullptr);
}

void TDKCustomItem::SetName(const std::string& NewName) {
  TComponent::SetName(NewName);
  if (parent_) parent_->NotifyListeners(dkcaRenamed, parent_->IndexOf(this), this);
}

void TDKCustomItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  // Compared by address: the component may be any kind, and half destroyed.
  if (linkingItems_)
    for (TDKCustomItem* p : *linkingItems_)
      if (static_cast<void*>(p) == static_cast<void*>(AComponent)) {
        ListRemoveAndFreeIfEmpty(linkingItems_, p);
        break;
      }
  if (actionLink_ && AComponent == actionLink_->Action()) SetAction(nullptr);
  if (AComponent == images_) SetImages(nullptr);
  if (AComponent == subitemImages_) SetSubitemImages(nullptr);
  if (AComponent == linkSubitems_) SetLinkSubitems(nullptr);
}

void TDKCustomItem::Loaded() {
  TComponent::Loaded();
  if (actionLink_ && actionLink_->Action()) ActionChange(actionLink_->Action(), true);
}

// ---- Actions

TBasicAction* TDKCustomItem::Action() const { return actionLink_ ? actionLink_->Action() : nullptr; }

void TDKCustomItem::SetAction(TBasicAction* Value) {
  if (!Value) {
    actionLink_.reset();
    onClickFromAction_ = false;
    return;
  }
  if (!actionLink_) actionLink_ = std::make_unique<TDKCustomItemActionLink>(this);
  actionLink_->SetAction(Value);
  actionLink_->OnChange = [this](TObject* Sender) { DoActionChange(Sender); };
  ActionChange(Value, Value->ComponentState().Contains(csLoading));
  Value->FreeNotification(this);
}

void TDKCustomItem::DoActionChange(TObject* Sender) {
  if (Sender == Action()) ActionChange(Sender, false);
}

void TDKCustomItem::ActionChange(TObject* Sender, bool CheckDefaults) {
  auto* a = dynamic_cast<TCustomAction*>(Sender);
  if (!a) return;
  if (!CheckDefaults || !autoCheck_) autoCheck_ = a->AutoCheck();
  if (!CheckDefaults || caption_.empty()) SetCaption(a->Caption());
  if (!CheckDefaults || !checked_) SetChecked(a->Checked());
  if (!CheckDefaults || enabled_) SetEnabled(a->Enabled());
  if (!CheckDefaults || helpContext_ == 0) helpContext_ = a->HelpContext();
  if (!CheckDefaults || hint_.empty()) hint_ = a->Hint();
  if (!CheckDefaults || imageIndex_ == -1) SetImageIndex(a->ImageIndex());
  if (!CheckDefaults || shortCut_ == 0) shortCut_ = a->ShortCut();
  if (!CheckDefaults || visible_) SetVisible(a->Visible());
  if (!CheckDefaults || !OnClick) {
    OnClick = a->OnExecute;
    onClickFromAction_ = true;
  }
}

bool TDKCustomItem::OnClickIsActions() const {
  TBasicAction* a = Action();
  if (!a) return false;
  // Callbacks cannot be compared; the item remembers that it copied the
  // action's and checks that the same kind of callback is still in place.
  if (!OnClick) return !a->OnExecute;
  return onClickFromAction_ && a->OnExecute && OnClick.target_type() == a->OnExecute.target_type();
}

void TDKCustomItem::InitiateAction() {
  if (actionLink_) actionLink_->Update();
}

void TDKCustomItem::Click() {
  if (!enabled_) return;
  if (autoCheck_ && !(actionLink_ && actionLink_->IsAutoCheckLinked())) SetChecked(!checked_);
  if (OnClick && Action() && !OnClickIsActions()) {
    OnClick(this);
  } else if (!IsDesigning()) {
    if (actionLink_)
      actionLink_->Execute(this);
    else if (OnClick)
      OnClick(this);
  }
}

void TDKCustomItem::HandlePopup(TDKCustomItem* Sender, bool FromLink) {
  if (OnBeforePopup) OnBeforePopup(Sender, FromLink);
  if (!HasStyle(dksfSplit)) Click();
}

// ---- Shortcuts

TDKCustomItem* TDKCustomItem::FindByShortCut(TDKCustomItem* Root, TShortCut Key, TDKCustomItem*& TopItem) {
  TopItem = nullptr;
  TDKCustomItem* content = ContentItemOf(Root);
  if (!content) return nullptr;
  int32_t depth = content != Root ? 1 : 0;
  std::vector<TDKCustomItem*> path{Root, content};
  for (int32_t i = 0; i < content->ChildCount(); ++i) {
    TDKCustomItem* child = content->GetItem(i);
    if (child->ShortCut() == Key) return child;
    if (TDKCustomItem* found = FindByShortCutIn(child, Key, depth, path)) {
      TopItem = child;
      return found;
    }
  }
  return nullptr;
}

bool TDKCustomItem::IsShortCut(TDKCustomItem* Root, TShortCut Key) {
  TDKCustomItem* top = nullptr;
  if (!FindByShortCut(Root, Key, top)) return false;
  TDKCustomItem* current = Root;
  // Each pass goes one level down; the tree's depth (with links bounded)
  // bounds the passes, and a tree changed under the search is searched
  // again from the root once only.
  bool restarted = false;
  for (int32_t pass = 0; pass < 4 * kMaxLinkDepth + 4; ++pass) {
    if (!current->Enabled()) return false;
    TDKCustomItem* content = ContentItemOf(current);
    if (!Root->IsDesigning())
      for (int32_t i = 0; i < content->ChildCount(); ++i) content->GetItem(i)->InitiateAction();
    if (!current->HasStyle(dksfEmbeddedGroup)) {
      try {
        if (content != current) content->HandlePopup(current, true);
        current->HandlePopup(current, false);
      } catch (...) {
        // A failing popup handler is shown, and the search goes on with the
        // items as they are: the key came through the form's key handling,
        // which has no way to report it.
        ShowHandlerException(current);
      }
    }
    TDKCustomItem* found = FindByShortCut(current, Key, top);
    if (!found) {
      if (restarted) return false;
      restarted = true;
      if (!FindByShortCut(Root, Key, top)) return false;
      current = Root;
      continue;
    }
    if (top) {
      current = top;
      continue;
    }
    if (!found->Enabled()) return false;
    try {
      found->Click();
    } catch (...) {
      // Shown here for the same reason; the key still counts as taken.
      ShowHandlerException(found);
    }
    return true;
  }
  return false;
}

// ---- Separator and control items

TDKSeparatorItem::TDKSeparatorItem(TComponent* AOwner) : TDKCustomItem(AOwner) {
  styleFlags_ = TDKItemStyleFlags((styleFlags_ & ~(dksfSelectable | dksfRedrawOnSelect | dksfRedrawOnHover)) |
                                  dksfSeparator | dksfPassClicks);
}

void TDKSeparatorItem::SetBlank(bool v) {
  if (blank_ == v) return;
  blank_ = v;
  NotifyChange(false);
}

TDKControlItem::TDKControlItem(TComponent* AOwner) : TDKCustomItem(AOwner) {
  styleFlags_ = TDKItemStyleFlags((styleFlags_ & ~dksfSelectable) | dksfPassClicks);
}

TDKControlItem::TDKControlItem(TComponent* AOwner, TControl* AControl) : TDKControlItem(AOwner) {
  control_ = AControl;
  if (control_) control_->FreeNotification(this);
}

TDKControlItem::~TDKControlItem() {
  if (control_ && !keepControl_ && !control_->ComponentState().Contains(csAncestor)) {
    TControl* c = control_;
    control_ = nullptr;
    c->RemoveFreeNotification(this);
    c->Free();
  }
}

void TDKControlItem::SetControl(TControl* v) {
  if (control_ == v) return;
  if (control_) control_->RemoveFreeNotification(this);
  control_ = v;
  if (v) v->FreeNotification(this);
  NotifyChange(true);
}

void TDKControlItem::Notification(TComponent* AComponent, TOperation Operation) {
  TDKCustomItem::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == control_) SetControl(nullptr);
}

// ---- Action link

TDKCustomItemActionLink::TDKCustomItemActionLink(TDKCustomItem* AClient)
    : TActionLink(AClient), item_(AClient) {}

namespace {
TCustomAction* FullAction(TBasicAction* a) { return dynamic_cast<TCustomAction*>(a); }
}  // namespace

// AutoCheck has no test of the framework's own: equal values link it.
bool TDKCustomItemActionLink::IsAutoCheckLinked() {
  TCustomAction* a = FullAction(action_);
  return a && a->AutoCheck() == item_->AutoCheck();
}
bool TDKCustomItemActionLink::IsCaptionLinked() {
  return TActionLink::IsCaptionLinked() && item_->Caption() == FullAction(action_)->Caption();
}
bool TDKCustomItemActionLink::IsCheckedLinked() {
  return TActionLink::IsCheckedLinked() && item_->Checked() == FullAction(action_)->Checked();
}
bool TDKCustomItemActionLink::IsEnabledLinked() {
  return TActionLink::IsEnabledLinked() && item_->Enabled() == FullAction(action_)->Enabled();
}
bool TDKCustomItemActionLink::IsHelpContextLinked() {
  return TActionLink::IsHelpContextLinked() && item_->HelpContext() == FullAction(action_)->HelpContext();
}
bool TDKCustomItemActionLink::IsHintLinked() {
  return TActionLink::IsHintLinked() && item_->Hint() == FullAction(action_)->Hint();
}
bool TDKCustomItemActionLink::IsImageIndexLinked() {
  return TActionLink::IsImageIndexLinked() && item_->ImageIndex() == FullAction(action_)->ImageIndex();
}
bool TDKCustomItemActionLink::IsShortCutLinked() {
  return TActionLink::IsShortCutLinked() && item_->ShortCut() == FullAction(action_)->ShortCut();
}
bool TDKCustomItemActionLink::IsVisibleLinked() {
  return TActionLink::IsVisibleLinked() && item_->Visible() == FullAction(action_)->Visible();
}
bool TDKCustomItemActionLink::IsOnExecuteLinked() {
  return TActionLink::IsOnExecuteLinked() && item_->OnClickIsActions();
}
void TDKCustomItemActionLink::SetCaption(const std::string& Value) {
  item_->SetCaption(Value);
}
void TDKCustomItemActionLink::SetAutoCheck(bool Value) { item_->SetAutoCheck(Value); }
void TDKCustomItemActionLink::SetChecked(bool Value) { item_->SetChecked(Value); }
void TDKCustomItemActionLink::SetHelpContext(int32_t Value) { item_->SetHelpContext(Value); }
void TDKCustomItemActionLink::SetEnabled(bool Value) { item_->SetEnabled(Value); }
void TDKCustomItemActionLink::SetHint(const std::string& Value) { item_->SetHint(Value); }
void TDKCustomItemActionLink::SetImageIndex(int32_t Value) { item_->SetImageIndex(Value); }
void TDKCustomItemActionLink::SetShortCut(TShortCut Value) { item_->SetShortCut(Value); }
void TDKCustomItemActionLink::SetVisible(bool Value) { item_->SetVisible(Value); }
