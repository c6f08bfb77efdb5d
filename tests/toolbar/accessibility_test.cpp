#include <string>
#include <vector>

#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/TDKAccessibility.h"

namespace {

// The main window's toolbar items (captions as the program sets them).
class AccessibilityTest : public MenuTest {
 protected:
  void SetUp() override {
    MenuTest::SetUp();
    const char* captions[] = {"Clear Image", "Open Image", "Save Image", "Save Encrypted", "|", "Full Screen",
                              "Rotate Left", "Rotate Right", "|", "Options", "|", "About"};
    for (const char* c : captions) {
      if (c[0] == '|') {
        root->Add(new TDKSeparatorItem(form));
        continue;
      }
      TSizedItem* it = AddItem(root, c, 60, 20);
      it->OnClick = [this, it](TObject*) { clicked.push_back(it->Caption()); };
    }
    for (const char* c : {"Save Image", "Save Encrypted", "Full Screen", "Rotate Left", "Rotate Right"})
      Find(c)->SetEnabled(false);
    bar->View->EnsureLayout();
    acc = bar->View->AccessibilityObject();
    acc->AddRef();
  }
  void TearDown() override {
    acc->Release();
    MenuTest::TearDown();
  }
  TDKCustomItem* Find(const std::string& caption) {
    for (int32_t i = 0; i < root->ChildCount(); ++i)
      if (root->GetItem(i)->Caption() == caption) return root->GetItem(i);
    return nullptr;
  }
  TDKBaseAccObject* Child(int32_t n) {
    TDKBaseAccObject* o = nullptr;
    EXPECT_EQ(acc->get_accChild(TAccVariant::Int(n), &o), S_OK);
    return o;
  }
  std::vector<std::string> clicked;
  TDKBaseAccObject* acc = nullptr;
};

}  // namespace

TEST_F(AccessibilityTest, TheToolbarAndItsItemsAnswerRolesNamesAndStates) {
  int32_t count = 0;
  EXPECT_EQ(acc->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 12);  // nine items and three separators
  TAccVariant role;
  EXPECT_EQ(acc->get_accRole(TAccVariant::Self(), &role), S_OK);
  EXPECT_EQ(role.I4, ROLE_SYSTEM_TOOLBAR);
  std::string name;
  EXPECT_EQ(acc->get_accName(TAccVariant::Int(1), &name), E_INVALIDARG);

  struct Row {
    int32_t Child;
    const char* Name;
    int32_t Role;
    uint32_t State;
    const char* Action;
  } rows[] = {
      {1, "Clear Image", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, "Press"},
      {3, "Save Image", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE, ""},
      {5, "", ROLE_SYSTEM_SEPARATOR, STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_UNAVAILABLE, ""},
      {10, "Options", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, "Press"},
      {12, "About", ROLE_SYSTEM_PUSHBUTTON, STATE_SYSTEM_FOCUSABLE, "Press"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.Name);
    TDKBaseAccObject* o = Child(r.Child);
    ASSERT_NE(o, nullptr);
    std::string n, action;
    TAccVariant rl, st;
    EXPECT_EQ(o->get_accName(TAccVariant::Self(), &n), S_OK);
    EXPECT_EQ(n, r.Name);
    EXPECT_EQ(o->get_accRole(TAccVariant::Self(), &rl), S_OK);
    EXPECT_EQ(rl.I4, r.Role);
    EXPECT_EQ(o->get_accState(TAccVariant::Self(), &st), S_OK);
    EXPECT_EQ(uint32_t(st.I4), r.State);
    o->get_accDefaultAction(TAccVariant::Self(), &action);
    EXPECT_EQ(action, r.Action);
    TDKBaseAccObject* parent = nullptr;
    EXPECT_EQ(o->get_accParent(&parent), S_OK);
    EXPECT_EQ(parent, acc);
    parent->Release();
    o->Release();
  }
}

TEST_F(AccessibilityTest, LocationNavigationAndHitTesting) {
  TDKBaseAccObject* open = Child(2);
  int32_t l, t, w, h;
  EXPECT_EQ(open->accLocation(&l, &t, &w, &h, TAccVariant::Self()), S_OK);
  TDKItemViewer* v = bar->View->ViewerOfItem(Find("Open Image"));
  TPoint origin = bar->ClientOrigin();
  EXPECT_EQ(l, v->BoundsRect.Left + origin.X);
  EXPECT_EQ(t, origin.Y);
  EXPECT_EQ(w, 60);
  EXPECT_EQ(h, 20);
  TAccVariant hit;
  EXPECT_EQ(open->accHitTest(l + 5, t + 5, &hit), S_OK);
  EXPECT_EQ(hit.I4, CHILDID_SELF);
  EXPECT_EQ(open->accHitTest(l - 5, t + 5, &hit), S_FALSE);
  EXPECT_EQ(acc->accHitTest(l + 5, t + 5, &hit), S_OK);
  EXPECT_EQ(hit.Dispatch, open);
  hit.Dispatch->Release();

  TAccVariant next, prev;
  EXPECT_EQ(open->accNavigate(NAVDIR_NEXT, TAccVariant::Self(), &next), S_OK);
  TDKBaseAccObject* third = Child(3);
  EXPECT_EQ(next.Dispatch, third);
  EXPECT_EQ(open->accNavigate(NAVDIR_PREVIOUS, TAccVariant::Self(), &prev), S_OK);
  TDKBaseAccObject* first = Child(1);
  EXPECT_EQ(prev.Dispatch, first);
  TAccVariant none;
  EXPECT_EQ(first->accNavigate(NAVDIR_UP, TAccVariant::Self(), &none), S_FALSE);
  for (TDKBaseAccObject* o : {next.Dispatch, prev.Dispatch, third, first, open}) o->Release();
}

TEST_F(AccessibilityTest, KeyboardShortcutsReadAsAltPlusTheLetterOrTheLetterInAPopup) {
  Find("Options")->SetCaption("&Options");
  bar->View->EnsureLayout();
  TDKBaseAccObject* o = Child(10);
  std::string sc;
  EXPECT_EQ(o->get_accKeyboardShortcut(TAccVariant::Self(), &sc), S_OK);
  EXPECT_EQ(sc, AltKeyName() + "+o");
  o->Release();
  TDKBaseAccObject* plain = Child(12);
  EXPECT_EQ(plain->get_accKeyboardShortcut(TAccVariant::Self(), &sc), S_FALSE);
  plain->Release();
}

TEST_F(AccessibilityTest, TheDefaultActionPressesTheButtonThroughTheMenuLoop) {
  TDKBaseAccObject* about = Child(12);
  EXPECT_EQ(about->accDoDefaultAction(TAccVariant::Self()), S_OK);
  RunMenuSteps({}, [&] { Pump(); });
  Pump();
  EXPECT_EQ(clicked, (std::vector<std::string>{"About"}));
  TDKBaseAccObject* disabled = Child(3);
  EXPECT_EQ(disabled->accDoDefaultAction(TAccVariant::Self()), E_FAIL);
  about->Release();
  disabled->Release();
}

TEST_F(AccessibilityTest, AnObjectOutlivingItsItemAnswersFail) {
  TDKBaseAccObject* o = Child(1);
  Find("Clear Image")->Free();
  std::string name;
  TAccVariant v;
  int32_t n;
  EXPECT_EQ(o->get_accName(TAccVariant::Self(), &name), E_FAIL);
  EXPECT_EQ(o->get_accRole(TAccVariant::Self(), &v), E_FAIL);
  EXPECT_EQ(o->accHitTest(0, 0, &v), E_FAIL);
  EXPECT_EQ(o->get_accChildCount(&n), E_FAIL);
  o->Release();
  // A viewer freed while its deferred action is queued: the message comes
  // and does nothing.
  TDKBaseAccObject* about = Child(11);
  EXPECT_EQ(about->accDoDefaultAction(TAccVariant::Self()), S_OK);
  Find("About")->Free();
  Pump();
  EXPECT_TRUE(clicked.empty());
  about->Release();
}
