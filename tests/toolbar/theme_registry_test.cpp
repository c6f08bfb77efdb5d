// The theme registry, the theme manager's notifications and the nexus that
// forwards them to the themed controls.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Input.h"
#include "rtl/Exception.h"
#include "tests/toolbar/ThemeTestSupport.h"
#include "toolbar/DKCommon.h"
#include "toolbar/TBKDrawUtils.h"

namespace {

// A theme that records the messages it is sent.
class TRecordingTheme : public TTBKDefaultTheme {
 public:
  using TTBKDefaultTheme::TTBKDefaultTheme;
  static std::vector<WPARAM>* Log;
  static TTBKTheme* Make(const std::string& Name) { return new TRecordingTheme(Name); }
  void Dispatch(TMessage& M) override {
    if (M.Msg == TBKM_SYSCHANGE && Log) Log->push_back(M.WParam);
    TTBKDefaultTheme::Dispatch(M);
  }
};
std::vector<WPARAM>* TRecordingTheme::Log = nullptr;

// A control that records the theme changes it is told about and may act
// on the list while it is told.
class TListener : public TCustomControl {
 public:
  explicit TListener(TComponent* AOwner) : TCustomControl(AOwner) {}
  std::vector<WPARAM> Codes;
  std::function<void()> OnNotice;
  void Dispatch(TMessage& M) override {
    if (M.Msg == TBKM_THEMECHANGED) {
      Codes.push_back(M.WParam);
      if (OnNotice) OnNotice();
      return;
    }
    TCustomControl::Dispatch(M);
  }
};

class ThemeRegistryTest : public ThemeTest {
 protected:
  void Register(const std::string& Name) {
    if (FindTheme(Name) < 0) RegisterTheme(Name, &TRecordingTheme::Make);
  }
  std::string ErrorOf(const std::function<void()>& F) {
    try {
      F();
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
};

TEST_F(ThemeRegistryTest, NamesAreFoundIgnoringCaseAndMisuseIsRefused) {
  EXPECT_GE(FindTheme("default"), 0);
  EXPECT_EQ(FindTheme("DEFAULT"), FindTheme("Default"));
  EXPECT_EQ(FindTheme("nothing"), -1);
  EXPECT_EQ(CurrentTheme->Name(), "Default");
  EXPECT_EQ(ErrorOf([] { RegisterTheme("", &TRecordingTheme::Make); }), "Cannot register theme");
  EXPECT_EQ(ErrorOf([] { RegisterTheme("X", nullptr); }), "Cannot register theme");
  EXPECT_EQ(ErrorOf([] { RegisterTheme("dEfAuLt", &TRecordingTheme::Make); }), "Theme dEfAuLt is already registered");
  EXPECT_EQ(ErrorOf([] { AcquireTheme("Nowhere"); }), "Unknown theme Nowhere");
  TTBKTheme* stray = nullptr;
  EXPECT_EQ(ErrorOf([&] { ReleaseTheme(stray); }), "Cannot release theme");
}

TEST_F(ThemeRegistryTest, InstancesAreSharedAndFreedWithTheirLastUser) {
  Register("Recording");
  TTBKTheme* a = AcquireTheme("Recording");
  TTBKTheme* b = AcquireTheme("recording");
  EXPECT_EQ(a, b);
  EXPECT_EQ(ThemeUseCount("Recording"), 2);
  ReleaseTheme(b);
  EXPECT_EQ(b, a) << "still in use: the reference stays";
  EXPECT_EQ(ThemeUseCount("Recording"), 1);
  ReleaseTheme(a);
  EXPECT_EQ(a, nullptr);
  EXPECT_EQ(ThemeUseCount("Recording"), 0);
}

TEST_F(ThemeRegistryTest, ANewInstanceIsToldWhetherTheApplicationIsActive) {
  Register("Recording");
  std::vector<WPARAM> log;
  TRecordingTheme::Log = &log;
  TTBKTheme* t = AcquireTheme("Recording");
  ReleaseTheme(t);
  auto* form = new TForm(Application);
  form->SetBounds(10, 10, 100, 100);
  form->Show();
  Pump();
  ASSERT_TRUE(AppHasActiveWindow());
  t = AcquireTheme("Recording");
  ReleaseTheme(t);
  TRecordingTheme::Log = nullptr;
  // 0 while no window of the program is active, 1 once one is.
  EXPECT_EQ(log, (std::vector<WPARAM>{0, 1}));
  form->Free();
}

TEST_F(ThemeRegistryTest, SystemChangesReachEveryControlInThreeSteps) {
  auto* form = new TForm(Application);
  auto* one = new TListener(form);
  auto* two = new TListener(form);
  AddThemeNotification(one);
  AddThemeNotification(two);
  AddThemeNotification(one);  // once only
  SendMessage(ThemeManager()->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(one->Codes, (std::vector<WPARAM>{1, 2, 3}));
  EXPECT_EQ(two->Codes, (std::vector<WPARAM>{1, 2, 3}));
  one->Codes.clear();
  SendMessage(ThemeManager()->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  SendMessage(ThemeManager()->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(one->Codes, (std::vector<WPARAM>{5, 4}));
  RemoveThemeNotification(one);
  RemoveThemeNotification(two);
  form->Free();
}

TEST_F(ThemeRegistryTest, ControlsLeavingOrJoiningDuringANoticeAreHandledSafely) {
  auto* form = new TForm(Application);
  auto* first = new TListener(form);
  auto* second = new TListener(form);
  auto* third = new TListener(form);
  auto* late = new TListener(form);
  AddThemeNotification(first);
  AddThemeNotification(second);
  AddThemeNotification(third);
  // The first control frees the second and itself leaves and brings in a
  // newcomer, all while being told.
  first->OnNotice = [&] {
    if (second) {
      RemoveThemeNotification(second);
      second->Free();
      second = nullptr;
    }
    RemoveThemeNotification(first);
    AddThemeNotification(late);
  };
  SendMessage(ThemeManager()->Handle(), WM_ACTIVATEAPP, TRUE, 0);
  EXPECT_EQ(first->Codes, (std::vector<WPARAM>{4}));
  EXPECT_EQ(third->Codes, (std::vector<WPARAM>{4}));
  EXPECT_TRUE(late->Codes.empty()) << "joined after the notice began";
  SendMessage(ThemeManager()->Handle(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_EQ(first->Codes, (std::vector<WPARAM>{4}));
  EXPECT_EQ(late->Codes, (std::vector<WPARAM>{5}));
  RemoveThemeNotification(third);
  RemoveThemeNotification(late);
  form->Free();
}

TEST_F(ThemeRegistryTest, TheDefaultThemeRecomputesItsColoursBetweenBeginAndEnd) {
  // The dock-panel colour is the toolbar colour mixed with the window colour.
  EXPECT_EQ(Theme()->DockPanelColor(), MixColorsNearest(clBtnFace, clWindow, 64));
  auto* form = new TForm(Application);
  auto* seen = new TListener(form);
  AddThemeNotification(seen);
  TColor before = Theme()->DockPanelColor();
  std::vector<TColor> atEach;
  seen->OnNotice = [&] { atEach.push_back(Theme()->DockPanelColor()); };
  SendMessage(ThemeManager()->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  ASSERT_EQ(atEach.size(), 3u);
  EXPECT_EQ(atEach[2], before);
  RemoveThemeNotification(seen);
  form->Free();
}

TEST_F(ThemeRegistryTest, FlatMenuModesChooseTheMenuColours) {
  TTBKThemeManager* m = ThemeManager();
  m->SetFlatMenuMode(fmmAlwaysFlat);
  m->UpdateVariables();
  EXPECT_TRUE(ThemeVariables().FlatMenus);
  EXPECT_EQ(ThemeVariables().MenuColor, clWindow);
  EXPECT_EQ(ThemeVariables().MenuTextColor, clWindowText);
  m->SetFlatMenuMode(fmmSystem);
  m->UpdateVariables();
  EXPECT_FALSE(ThemeVariables().FlatMenus);
  EXPECT_EQ(ThemeVariables().MenuColor, clMenu);
  EXPECT_FALSE(ThemeVariables().VisualStylesActive);
}

TEST_F(ThemeRegistryTest, TheDefaultThemeAnswersEveryQuery) {
  TTBKTheme* t = CurrentTheme;
  struct M {
    int32_t Id, Value;
  } ints[] = {{10, 11}, {20, 8}, {21, 3}, {32, 1}, {62, 1}, {33, 2}, {34, 2}, {36, 2}, {60, 2},
              {61, 2},  {37, 4}, {50, 6}, {65, 13}, {66, 0}, {999, -1}, {35, -1}};
  for (const M& m : ints) EXPECT_EQ(t->GetIntMetric(m.Id), m.Value) << m.Id;
  for (int32_t id : {1, 5, 6, 7, 42}) EXPECT_FALSE(t->GetBoolMetric(id)) << id;
  TTBKPartMargins pm;
  t->GetPartMargins(tbkpToolbarItem, pm);
  EXPECT_EQ(pm.LeftWidth + pm.RightWidth + pm.TopHeight + pm.BottomHeight, 8);
  t->GetPartMargins(tbkpPopupMenuItem, pm);
  EXPECT_EQ((std::vector<int32_t>{pm.LeftWidth, pm.RightWidth, pm.TopHeight, pm.BottomHeight}),
            (std::vector<int32_t>{0, 0, 2, 2}));
  t->GetPartMargins(tbkpStatusBarPanel, pm);
  EXPECT_EQ((std::vector<int32_t>{pm.LeftWidth, pm.RightWidth, pm.TopHeight, pm.BottomHeight}),
            (std::vector<int32_t>{1, 3, 1, 1}));
  t->GetPartMargins(77, pm);
  EXPECT_EQ(pm.LeftWidth + pm.RightWidth + pm.TopHeight + pm.BottomHeight, 0);
  t->GetViewPadding(tbkvNormalToolbar | tbkvFloating, pm);
  EXPECT_EQ((std::vector<int32_t>{pm.LeftWidth, pm.RightWidth, pm.TopHeight, pm.BottomHeight}),
            (std::vector<int32_t>{4, 4, 2, 1}));
  EXPECT_EQ(t->GetShadowKind(), 1);
  EXPECT_EQ(t->GetViewBorderSize(tbkvPopupMenu), (TSize{3, 3}));
  EXPECT_EQ(t->GetViewBorderSize(tbkvListPopup), (TSize{1, 1}));
  EXPECT_EQ(t->GetViewBorderSize(tbkvNormalToolbar), (TSize{2, 2}));
  EXPECT_EQ(t->GetViewBorderSize(tbkvStatusBar), (TSize{0, 0}));
  EXPECT_EQ(t->GetViewBorderSize(tbkvNormalToolbar | tbkvFloating),
            (TSize{GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME)}));
  EXPECT_EQ(t->GetViewBackColor(tbkvNormalToolbar), clBtnFace);
  EXPECT_EQ(t->GetViewBackColor(tbkvPopupMenu), clMenu);
  EXPECT_EQ(t->GetViewBackColor(tbkvListPopup), clWindow);
  EXPECT_EQ(t->GetViewBackColor(tbkvDockPanel), Theme()->DockPanelColor());
  EXPECT_EQ(t->GetViewBackColor(0), clBtnFace);
}

}  // namespace
