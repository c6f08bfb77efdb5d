#include "rtl/TComponent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/Exception.h"

namespace {
std::vector<std::string> g_log;

// Records what it is told and drops its reference when the target goes.
class TProbe : public TComponent {
  RTL_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* AOwner, std::string label = {})
      : TComponent(AOwner), label_(std::move(label)) {}
  ~TProbe() override { g_log.push_back("destroy " + label_); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    auto* other = dynamic_cast<TProbe*>(AComponent);
    g_log.push_back(label_ + (Operation == opInsert ? " +" : " -") + (other ? other->label_ : "?"));
    if (Operation == opRemove && AComponent == ref) ref = nullptr;
  }
  void Loaded() override {
    inherited::Loaded();
    g_log.push_back("loaded " + label_);
  }
  void Refer(TComponent* target) {
    ref = target;
    target->FreeNotification(this);
  }
  TComponent* ref = nullptr;
  std::string label_;
};
RTL_DEFINE_CLASS(TProbe, TComponent)
}  // namespace

TEST(TComponent, OwnerFreesOwnedLastFirstAndTellsTheTree) {
  g_log.clear();
  auto* owner = new TProbe(nullptr, "owner");
  new TProbe(owner, "a");
  new TProbe(owner, "b");
  // The insertion is announced from the base constructor, before the new
  // component is complete; the owner passes it on to what it already owns.
  EXPECT_EQ(g_log, (std::vector<std::string>{"owner +?", "a +?", "owner +?"}));
  g_log.clear();
  owner->Free();
  // Owned components are removed silently (nobody asked to be told) and
  // freed from the last to the first, then the owner itself goes.
  EXPECT_EQ(g_log, (std::vector<std::string>{"destroy b", "destroy a", "destroy owner"}));
}

TEST(TComponent, FreeNotificationClearsReferenceAcrossOwners) {
  g_log.clear();
  auto* form1 = new TProbe(nullptr, "form1");
  auto* form2 = new TProbe(nullptr, "form2");
  auto* target = new TProbe(form1, "target");
  auto* holder = new TProbe(form2, "holder");
  holder->Refer(target);
  g_log.clear();
  target->Free();
  EXPECT_EQ(holder->ref, nullptr);
  // The referrer is told first, then the owner of the freed component, which
  // passes the notice down its tree (the leaving component included).
  EXPECT_EQ(g_log, (std::vector<std::string>{"holder -target", "target -target", "form1 -target",
                                             "destroy target"}));
  // The link is gone in both directions: freeing the holder now tells nobody stale.
  holder->Free();
  form2->Free();
  form1->Free();
}

TEST(TComponent, ReferrerGoingFirstUnlinks) {
  auto* target = new TProbe(nullptr, "t");
  auto* holder = new TProbe(nullptr, "h");
  holder->Refer(target);
  g_log.clear();
  holder->Free();  // must unlink, or freeing the target would touch freed memory
  // The target hears that the holder went.
  EXPECT_EQ(g_log, (std::vector<std::string>{"t -h", "destroy h"}));
  g_log.clear();
  target->Free();
  // Nobody is told of the target's going: the holder's link went with it.
  EXPECT_EQ(g_log, (std::vector<std::string>{"destroy t"}));
}

TEST(TComponent, DeleteWithoutFreeStillTearsDown) {
  auto* owner = new TProbe(nullptr, "o");
  auto* child = new TProbe(owner, "c");
  auto* other = new TProbe(nullptr, "x");
  other->Refer(child);
  delete owner;
  EXPECT_EQ(other->ref, nullptr);
  other->Free();
}

TEST(TComponent, NamesAreIdentifiersUniqueIgnoringCase) {
  TOwned<TComponent> owner(new TComponent(nullptr));
  auto* a = new TComponent(owner.get());
  auto* b = new TComponent(owner.get());
  a->SetName("Panel1");
  EXPECT_THROW(b->SetName("panel1"), EComponentError);
  EXPECT_THROW(b->SetName("1abc"), EComponentError);
  b->SetName("Panel2");
  EXPECT_EQ(owner->FindComponent("PANEL2"), b);
  EXPECT_EQ(owner->FindComponent("nothing"), nullptr);
  EXPECT_EQ(b->ComponentIndex(), 1);
  a->SetName("PANEL1");  // same name in another case is a rename, not a clash
  EXPECT_EQ(a->Name(), "PANEL1");
  EXPECT_THROW(owner->Components(2), EListError);
}

TEST(TComponent, LoadingStateAndLoadedOrder) {
  g_log.clear();
  TOwned<TProbe> form(new TProbe(nullptr, "form"));
  new TProbe(form.get(), "child");
  form->BeginLoading();
  EXPECT_TRUE(form->ComponentState().Contains(csLoading));
  EXPECT_TRUE(form->Components(0)->ComponentState().Contains(csReading));
  g_log.clear();
  form->EndLoading();
  EXPECT_EQ(g_log, (std::vector<std::string>{"loaded child", "loaded form"}));
  EXPECT_FALSE(form->ComponentState().Contains(csLoading));
  EXPECT_FALSE(form->Components(0)->ComponentState().Contains(csReading));
}

TEST(TComponent, ClassDescriptorsAndRegistry) {
  EXPECT_EQ(TProbe::StaticClass()->Name, "TProbe");
  EXPECT_TRUE(TProbe::StaticClass()->InheritsFrom(TPersistent::StaticClass()));
  RegisterClass(TProbe::StaticClass());
  TClass cls = FindClass("tprobe");
  ASSERT_EQ(cls, TProbe::StaticClass());
  TOwned<TComponent> owner(new TComponent(nullptr));
  TObject* made = cls->Factory(owner.get());
  EXPECT_EQ(made->ClassType(), TProbe::StaticClass());
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_THROW(FindClass("TNoSuchClass"), EClassNotFound);
  UnRegisterClass(TProbe::StaticClass());
  EXPECT_EQ(GetClass("TProbe"), nullptr);
}

TEST(TPersistent, AssignWithoutSupportRaises) {
  TOwned<TComponent> a(new TComponent(nullptr));
  TOwned<TComponent> b(new TComponent(nullptr));
  try {
    a->Assign(b.get());
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TComponent");
  }
  EXPECT_THROW(a->Assign(nullptr), EConvertError);
}
