#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "ui/MessageDlg.h"
#include "ui/TAction.h"
#include "ui/TButton.h"
#include "ui/THintWindow.h"
#include "ui/TLabel.h"
#include "ui/TTimer.h"

namespace {

using FormsTest = FrameworkTest;

// A dialog with OK (default) and Cancel buttons.
class TDialog : public TForm {
 public:
  explicit TDialog(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(200, 80);
    Ok = new TButton(this);
    Ok->SetParent(this);
    Ok->SetBounds(20, 40, 75, 25);
    Ok->SetCaption("OK");
    Ok->SetModalResult(mrOk);
    Ok->SetDefault(true);
    Cancel = new TButton(this);
    Cancel->SetParent(this);
    Cancel->SetBounds(105, 40, 75, 25);
    Cancel->SetCaption("Cancel");
    Cancel->SetModalResult(mrCancel);
    Cancel->SetCancel(true);
  }
  TButton* Ok;
  TButton* Cancel;
};

TEST_F(FormsTest, ShowModalAnswersTheButtonKeyOrTitleBar) {
  auto* dlg = new TDialog(Application);
  std::vector<std::string> events;
  dlg->OnShow = [&](TObject*) { events.push_back("show"); };
  dlg->OnActivate = [&](TObject*) { events.push_back("activate"); };
  dlg->OnClose = [&](TObject*, TCloseAction& a) { events.push_back("close " + std::to_string(a)); };
  dlg->OnHide = [&](TObject*) { events.push_back("hide"); };
  TModalResult r = mrNone;
  WithSteps({[&] { Click(dlg->Ok, 10, 10); }}, [&] { r = dlg->ShowModal(); });
  EXPECT_EQ(r, mrOk);
  EXPECT_FALSE(dlg->Visible());
  EXPECT_EQ((std::vector<std::string>{"show", "activate", "close 1", "hide"}), events);
  // Centred on the screen.
  EXPECT_EQ(dlg->Left(), (Screen->WorkAreaRect().Width() - dlg->Width()) / 2);

  WithSteps({[&] { Key(VK_ESCAPE); }}, [&] { r = dlg->ShowModal(); });
  EXPECT_EQ(r, mrCancel);
  WithSteps({[&] { Key(VK_RETURN); }}, [&] { r = dlg->ShowModal(); });
  EXPECT_EQ(r, mrOk);
  WithSteps({[&] { InjectCloseRequest(dlg->Handle()); }}, [&] { r = dlg->ShowModal(); });
  EXPECT_EQ(r, mrCancel);
  // A refusing OnCloseQuery keeps the dialog up; a button sets the result.
  int asked = 0;
  dlg->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
  WithSteps({[&] { InjectCloseRequest(dlg->Handle()); }, [&] { EXPECT_TRUE(dlg->Visible()); },
             [&] { Click(dlg->Cancel, 5, 5); }},
            [&] { r = dlg->ShowModal(); });
  EXPECT_EQ(r, mrCancel);
  EXPECT_EQ(asked, 2);
  EXPECT_THROW(
      {
        dlg->Show();
        dlg->ShowModal();
      },
      EInvalidOperation);
  dlg->Free();
}

TEST_F(FormsTest, ModalFormDisablesTheOthers) {
  auto* main = new TForm(Application);
  main->Show();
  auto* dlg = new TDialog(Application);
  bool mainEnabledDuring = true;
  WithSteps({[&] { mainEnabledDuring = IsWindowEnabled(main->Handle()); }, [&] { Key(VK_RETURN); }},
            [&] { dlg->ShowModal(); });
  EXPECT_FALSE(mainEnabledDuring);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_EQ(Screen->ActiveForm(), main);
}

// While it shows, a modal form belongs to the window it was opened from (a
// second window here, as the full-screen window is one): it stands above it,
// and a click on that waiting window, focused by a click-to-focus window
// manager, leaves the dialog active without activating it again.
TEST_F(FormsTest, AModalFormBelongsToTheWindowItWasOpenedFrom) {
  HeadlessSetClickToFocus(true);
  auto* main = new TForm(Application);
  main->SetBounds(650, 0, 300, 300);
  main->Show();
  auto* viewer = new TForm(Application);
  viewer->SetBorderStyle(bsNone);
  viewer->SetBounds(0, 0, 640, 480);
  viewer->Show();
  viewer->SetFocus();
  Pump();
  ASSERT_EQ(Screen->ActiveForm(), viewer);
  auto* dlg = new TDialog(Application);
  dlg->HandleNeeded();
  const HWND ownerBefore = GetWindow(dlg->Handle(), GW_OWNER);
  HWND ownerDuring = nullptr;
  int32_t activations = 0;
  dlg->OnActivate = [&](TObject*) { ++activations; };
  WithSteps({[&] {
               ownerDuring = GetWindow(dlg->Handle(), GW_OWNER);
               EXPECT_EQ(GetTopWindow(nullptr), dlg->Handle());
               Click(viewer, 600, 20);
               Click(main, 20, 20);
               EXPECT_EQ(Screen->ActiveForm(), dlg);
               EXPECT_EQ(GetTopWindow(nullptr), dlg->Handle());
               Click(dlg, 5, 5);
             },
             [&] { Key(VK_RETURN); }},
            [&] { dlg->ShowModal(); });
  EXPECT_EQ(ownerDuring, viewer->Handle());
  EXPECT_EQ(activations, 1);
  EXPECT_EQ(GetWindow(dlg->Handle(), GW_OWNER), ownerBefore);
  EXPECT_EQ(Screen->ActiveForm(), viewer) << "the activation goes back where the dialog came from";
}

class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {
    OnCreate = [](TObject*) { Order().push_back("create main"); };
  }
  static std::vector<std::string>& Order() {
    static std::vector<std::string> o;
    return o;
  }
};
class TSecondForm : public TForm {
 public:
  explicit TSecondForm(TComponent* AOwner) : TForm(AOwner) {
    OnCreate = [](TObject*) { TMainForm::Order().push_back("create second"); };
    OnDestroy = [](TObject*) { TMainForm::Order().push_back("destroy second"); };
  }
};

TEST_F(FormsTest, ApplicationRunsUntilTheMainFormCloses) {
  TMainForm::Order().clear();
  TMainForm* main = nullptr;
  TSecondForm* second = nullptr;
  Application->Initialize();
  Application->CreateForm(main);
  Application->CreateForm(second);
  EXPECT_EQ(Application->MainForm(), main);
  int activations = 0;
  main->OnActivate = [&](TObject*) { ++activations; };
  main->OnClose = [&](TObject*, TCloseAction& a) { TMainForm::Order().push_back("close main " + std::to_string(a)); };
  second->OnClose = [&](TObject*, TCloseAction& a) { a = caFree; };
  HeadlessSetIdleHandler([&, step = 0]() mutable -> bool {
    switch (step++) {
      case 0:  // a second form comes and goes; the main form is activated again
        second->Show();
        return true;
      case 1:
        second->Close();  // caFree: released after its messages
        return true;
      case 2:
        EXPECT_EQ(second, nullptr);
        InjectCloseRequest(main->Handle());
        return true;
      default:
        ADD_FAILURE() << "still running";
        Application->Terminate();
        return true;
    }
  });
  second->OnDestroy = [&](TObject*) {
    TMainForm::Order().push_back("destroy second");
    second = nullptr;
  };
  Application->Run();
  HeadlessSetIdleHandler(nullptr);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ((std::vector<std::string>{"create main", "create second", "destroy second", "close main 1"}),
            TMainForm::Order());
  EXPECT_GE(activations, 2);
}

TEST_F(FormsTest, ProcessMessagesMayBeCalledFromAHandler) {
  auto* form = new TForm(Application);
  form->Show();
  int depth = 0, maxDepth = 0, handled = 0;
  HWND h = AllocateHWnd([&](TMessage& m) {
    if (m.Msg != WM_USER) return;
    ++handled;
    maxDepth = std::max(maxDepth, ++depth);
    if (handled < 3) {
      PostMessage(Application->Handle(), WM_NULL, 0, 0);
      Application->ProcessMessages();
    }
    --depth;
  });
  for (int i = 0; i < 3; ++i) PostMessage(h, WM_USER, 0, 0);
  Pump();
  EXPECT_EQ(handled, 3);
  EXPECT_EQ(maxDepth, 3);
  DeallocateHWnd(h);
}

TEST_F(FormsTest, DefaultExceptionHandlerShowsTheMessageAndGoesOn) {
  Application->SetTitle("Nobrivo");
  auto* form = new TForm(Application);
  auto* b = new TButton(form);
  b->SetParent(form);
  int clicks = 0;
  b->OnClick = [&](TObject*) {
    ++clicks;
    throw EConvertError("Bad number");
  };
  form->Show();
  Pump();
  std::string shownText, shownCaption;
  WithSteps({[&] {
               TCustomForm* box = Screen->ActiveForm();
               ASSERT_NE(box, form);
               shownCaption = box->Caption();
               if (auto* l = dynamic_cast<TLabel*>(box->FindComponent("Message"))) shownText = l->Caption();
               Key(VK_RETURN);
             }},
            [&] { Click(b, 5, 5); });
  EXPECT_EQ(shownText, "Bad number");
  EXPECT_EQ(shownCaption, "Nobrivo");
  EXPECT_EQ(clicks, 1);
  // The program goes on: the next click arrives, an EAbort is silent and
  // OnException takes over when set.
  b->OnClick = [&](TObject*) {
    ++clicks;
    throw EAbort("quiet");
  };
  HeadlessAdvanceClock(1000);
  Click(b, 5, 5);
  EXPECT_EQ(clicks, 2);
  std::string caught;
  Application->OnException = [&](TObject* s, Exception& e) { caught = e.Message() + (s == b ? " from b" : ""); };
  b->OnClick = [&](TObject*) { throw std::runtime_error("plain"); };
  HeadlessAdvanceClock(1000);
  Click(b, 5, 5);
  EXPECT_EQ(caught, "plain from b");
}

TEST_F(FormsTest, MessageBoxesAnswerTheirButtons) {
  int32_t r = 0;
  WithSteps({[&] { Key(VK_RETURN); }}, [&] { r = MessageBox(nullptr, "Sure?", "Q", MB_YESNO | MB_ICONQUESTION); });
  EXPECT_EQ(r, IDYES);
  WithSteps({[&] { Key(VK_ESCAPE); }}, [&] { r = MessageBox(nullptr, "Sure?", "Q", MB_YESNO); });
  EXPECT_EQ(r, IDNO);
  WithSteps({[&] { Key(VK_ESCAPE); }}, [&] { r = MessageBox(nullptr, "x", "Q", MB_YESNOCANCEL); });
  EXPECT_EQ(r, IDCANCEL);
  WithSteps({[&] { Key(VK_RETURN); }}, [&] { r = MessageBox(nullptr, "x", "Q", MB_OKCANCEL | MB_DEFBUTTON2); });
  EXPECT_EQ(r, IDCANCEL);
  WithSteps({[&] { InjectCloseRequest(Screen->ActiveForm()->Handle()); }},
            [&] { r = MessageBox(nullptr, "x", "Q", MB_OK); });
  EXPECT_EQ(r, IDOK);

  // Captions come from the table the translations fill.
  SetMsgDlgCaption(mdcYes, "&Sí");
  SetMsgDlgCaption(mdcWarning, "Aviso");
  std::string yes, title;
  WithSteps({[&] {
               TCustomForm* f = Screen->ActiveForm();
               title = f->Caption();
               yes = static_cast<TButton*>(f->FindComponent("Yes"))->Caption();
               Click(static_cast<TControl*>(f->FindComponent("No")), 5, 5);
             }},
            [&] { r = MessageDlg("Go?", mtWarning, TMsgDlgButtons{mbYes, mbNo}); });
  EXPECT_EQ(r, mrNo);
  EXPECT_EQ(yes, "&Sí");
  EXPECT_EQ(title, "Aviso");
  SetMsgDlgCaption(mdcYes, "&Yes");
  SetMsgDlgCaption(mdcWarning, "Warning");
  EXPECT_EQ(MsgDlgCaption(mdcNoToAll), "N&o to All");
  EXPECT_EQ(MsgDlgCaption(mdcHelp), "&Help");
}

// A control that moves its hint and counts the requests.
class THinted : public TBox {
 public:
  using TBox::TBox;
  int Requests = 0;

 protected:
  void CMHintShow(TMessage& Message) override {
    ++Requests;
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    info->HintStr += "!";
    info->CursorRect = Rect(0, 0, 20, 20);
  }
};

TEST_F(FormsTest, HintsShowAfterThePauseAndHide) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* box = new THinted(form, form);
  box->SetBounds(10, 10, 50, 50);
  box->SetHint("Short|Long text");
  box->SetShowHint(true);
  auto* plain = new TBox(form, form);
  plain->SetBounds(100, 10, 50, 50);
  plain->SetHint("Other");
  plain->SetShowHint(false);
  int hints = 0;
  Application->OnHint = [&](TObject*) { ++hints; };
  form->Show();
  Pump();
  MoveTo(box, 5, 5);
  EXPECT_EQ(Application->Hint(), "Long text");
  EXPECT_EQ(hints, 1);
  EXPECT_TRUE(Application->HintWindow() == nullptr || !Application->HintWindow()->IsHintShowing());
  HeadlessAdvanceClock(499);
  Pump();
  EXPECT_TRUE(Application->HintWindow() == nullptr || !Application->HintWindow()->IsHintShowing());
  HeadlessAdvanceClock(2);
  Pump();
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Short!");
  EXPECT_EQ(Application->HintWindow()->Color(), clInfoBk);
  EXPECT_EQ(box->Requests, 1);
  // Inside the cursor rectangle the hint stays; outside it is asked again.
  MoveTo(box, 15, 15);
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  MoveTo(box, 30, 30);
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  HeadlessAdvanceClock(60);  // the short pause after a hint was showing
  Pump();
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  EXPECT_EQ(box->Requests, 2);
  HeadlessAdvanceClock(2500);  // hide pause
  Pump();
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  // A control without ShowHint shows none but still names its long hint.
  MoveTo(plain, 5, 5);
  EXPECT_EQ(Application->Hint(), "Other");
  HeadlessAdvanceClock(1000);
  Pump();
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  // A key press cancels a showing hint.
  MoveTo(box, 5, 5);
  HeadlessAdvanceClock(600);
  Pump();
  EXPECT_TRUE(Application->HintWindow()->IsHintShowing());
  Key('A');
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  form->Free();
}

TEST_F(FormsTest, TimersFollowTheInjectedClock) {
  auto* t = new TTimer(Application);
  int ticks = 0;
  t->SetInterval(100);
  t->OnTimer = [&](TObject*) { ++ticks; };
  t->UpdateTimer();
  HeadlessAdvanceClock(99);
  Pump();
  EXPECT_EQ(ticks, 0);
  HeadlessAdvanceClock(1);
  Pump();
  EXPECT_EQ(ticks, 1);
  for (int i = 0; i < 3; ++i) {
    HeadlessAdvanceClock(100);
    Pump();
  }
  EXPECT_EQ(ticks, 4);
  t->SetEnabled(false);
  HeadlessAdvanceClock(500);
  Pump();
  EXPECT_EQ(ticks, 4);
  t->SetEnabled(true);
  t->SetInterval(250);
  HeadlessAdvanceClock(250);
  Pump();
  EXPECT_EQ(ticks, 5);
  // A timer without handler is a plain flag.
  auto* flag = new TTimer(Application);
  flag->SetEnabled(false);
  EXPECT_FALSE(flag->Enabled());
  t->Free();
  HeadlessAdvanceClock(1000);
  Pump();
  EXPECT_EQ(ticks, 5);
}

TEST_F(FormsTest, ActionsDriveTheirControls) {
  auto* form = new TForm(Application);
  auto* list = new TActionList(form);
  auto* act = new TAction(form);
  list->AddAction(act);
  act->SetCaption("Open");
  act->SetHint("Open a file");
  int executed = 0;
  act->OnExecute = [&](TObject*) { ++executed; };
  bool canOpen = true;
  act->OnUpdate = [&](TObject* s) { static_cast<TAction*>(s)->SetEnabled(canOpen); };
  auto* b1 = new TButton(form);
  b1->SetParent(form);
  b1->SetAction(act);
  auto* b2 = new TButton(form);
  b2->SetParent(form);
  b2->SetLeft(100);
  b2->SetAction(act);
  EXPECT_EQ(b1->Caption(), "Open");
  EXPECT_EQ(b2->Hint(), "Open a file");
  act->SetCaption("Open...");
  EXPECT_EQ(b1->Caption(), "Open...");
  b2->SetCaption("Mine");  // no longer linked
  act->SetCaption("Load");
  EXPECT_EQ(b1->Caption(), "Load");
  EXPECT_EQ(b2->Caption(), "Mine");

  form->Show();
  Pump();
  Click(b1, 5, 5);
  EXPECT_EQ(executed, 1);
  EXPECT_EQ(act->ActionComponent(), nullptr);
  // The idle update runs OnUpdate and the controls follow.
  canOpen = false;
  WithSteps({}, [&] { Application->HandleMessage(); });
  EXPECT_FALSE(act->Enabled());
  EXPECT_FALSE(b1->Enabled());
  EXPECT_FALSE(act->Execute());
  // Freeing the action leaves the controls as they are.
  act->Free();
  EXPECT_EQ(b1->Action(), nullptr);
  EXPECT_EQ(list->ActionCount(), 0);
  EXPECT_EQ(b1->Caption(), "Load");
  form->Free();
}

TEST_F(FormsTest, CheckedActionsOfAGroupExcludeEachOther) {
  auto* a = new TAction(Application);
  auto* b = new TAction(Application);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  b->SetAutoCheck(true);
  a->SetChecked(true);
  EXPECT_TRUE(b->Execute() == false);  // no OnExecute
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
}

TEST_F(FormsTest, StayOnTopAndWindowStateAndActivationEvents) {
  auto* main = new TForm(Application);
  main->Show();
  auto* tool = new TForm(Application);
  tool->SetBorderStyle(bsToolWindow);
  tool->SetFormStyle(fsStayOnTop);
  tool->Show();
  EXPECT_TRUE(GetWindowLong(tool->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLong(tool->Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  std::vector<std::string> log;
  main->OnActivate = [&](TObject*) { log.push_back("main on"); };
  main->OnDeactivate = [&](TObject*) { log.push_back("main off"); };
  tool->OnActivate = [&](TObject*) { log.push_back("tool on"); };
  tool->OnDeactivate = [&](TObject*) { log.push_back("tool off"); };
  main->SetFocus();
  Pump();
  tool->SetFocus();
  Pump();
  EXPECT_EQ((std::vector<std::string>{"tool off", "main on", "main off", "tool on"}), log);
  EXPECT_EQ(GetTopWindow(nullptr), tool->Handle());
  main->SetWindowState(wsMaximized);
  EXPECT_EQ(main->WindowState(), wsMaximized);
  EXPECT_EQ(main->Width(), Screen->WorkAreaRect().Width());
  main->SetWindowState(wsNormal);
  EXPECT_EQ(main->WindowState(), wsNormal);

  // Application activation events.
  int on = 0, off = 0;
  Application->OnActivate = [&](TObject*) { ++on; };
  Application->OnDeactivate = [&](TObject*) { ++off; };
  InjectAppActivation(false);
  Pump();
  InjectAppActivation(true);
  Pump();
  EXPECT_EQ(off, 1);
  EXPECT_EQ(on, 1);
}

TEST_F(FormsTest, PositionsPlaceTheFormOnFirstShow) {
  HeadlessSetScreenSize(1000, 800);
  TForm* main = nullptr;
  Application->CreateForm(main);
  main->SetBounds(100, 100, 400, 300);
  main->Show();
  auto* owned = new TForm(main);
  owned->SetBounds(0, 0, 200, 100);
  owned->SetPosition(poOwnerFormCenter);
  owned->Show();
  EXPECT_EQ(owned->BoundsRect(), Bounds(200, 200, 200, 100));
  auto* centred = new TForm(Application);
  centred->SetBounds(0, 0, 200, 100);
  centred->SetPosition(poScreenCenter);
  centred->Show();
  TRect work = Screen->WorkAreaRect();
  EXPECT_EQ(centred->Left(), work.Left + (work.Width() - 200) / 2);
  EXPECT_EQ(centred->Top(), work.Top + (work.Height() - 100) / 2);
  // Placed once: a later showing keeps where the user left it.
  centred->Hide();
  centred->SetLeft(10);
  centred->Show();
  EXPECT_EQ(centred->Left(), 10);
  auto* designed = new TForm(Application);
  designed->SetBounds(33, 44, 100, 100);
  designed->Show();
  EXPECT_EQ(designed->BoundsRect(), Bounds(33, 44, 100, 100));
  // Too large for the screen: the title bar stays on it.
  auto* big = new TForm(Application);
  big->SetBounds(0, 0, 2000, 100);
  big->SetPosition(poMainFormCenter);
  big->Show();
  EXPECT_EQ(big->Left(), work.Left);
}

TEST_F(FormsTest, OnShowHintMayChangeOrRefuseTheHint) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* box = new TBox(form, form);
  box->SetBounds(10, 10, 50, 50);
  box->SetHint("Tip");
  box->SetShowHint(true);
  bool refuse = false;
  Application->OnShowHint = [&](std::string& s, bool& can, THintInfo& info) {
    EXPECT_EQ(info.HintControl, box);
    EXPECT_EQ(info.CursorPos.X, 5);
    s = "Changed";
    can = !refuse;
  };
  form->Show();
  MoveTo(box, 5, 5);
  HeadlessAdvanceClock(500);
  Pump();
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_EQ(Application->HintWindow()->Caption(), "Changed");
  Application->CancelHint();
  refuse = true;
  MoveTo(form, 150, 80);
  MoveTo(box, 5, 5);
  HeadlessAdvanceClock(500);
  Pump();
  EXPECT_FALSE(Application->HintWindow()->IsHintShowing());
  form->Free();
}

TEST_F(FormsTest, MainWindowHookSeesTheApplicationsMessages) {
  std::vector<UINT> seen;
  int id = Application->HookMainWindow([&](TMessage& m) {
    seen.push_back(m.Msg);
    if (m.Msg == WM_USER + 5) {
      m.Result = 7;
      return true;
    }
    return false;
  });
  EXPECT_EQ(SendMessage(Application->Handle(), WM_USER + 5, 0, 0), 7);
  Application->UnhookMainWindow(id);
  EXPECT_EQ(SendMessage(Application->Handle(), WM_USER + 5, 0, 0), 0);
  EXPECT_EQ(std::count(seen.begin(), seen.end(), WM_USER + 5), 1);
}

TEST_F(FormsTest, HooksTakeKeysBeforeTheFocusedControlAndKeyboardMenuCommands) {
  auto* form = new TForm(Application);
  auto* box = new TBox(form, form);
  box->SetTabStop(true);
  std::vector<std::string> keys;
  box->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) { keys.push_back("box " + std::to_string(k)); };
  form->Show();
  box->SetFocus();
  Key('A');  // no hook: the control has it
  int id = Application->HookMainWindow([&](TMessage& m) {
    if (m.Msg == CM_APPKEYDOWN) {
      keys.push_back("app " + std::to_string(m.WParam));
      m.Result = m.WParam == 'S' ? 1 : 0;
      return true;
    }
    if (m.Msg == CM_APPSYSCOMMAND) {
      auto* sys = reinterpret_cast<TMessage*>(m.LParam);
      keys.push_back("sys " + std::to_string(sys->LParam));
      m.Result = sys->LParam == 'f' ? 1 : 0;
      return true;
    }
    return false;
  });
  Key('S');  // taken by the hook
  Key('B');  // offered, refused, then the control's
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
  SendMessage(form->Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);  // not a keyboard-menu command: not offered
  Application->UnhookMainWindow(id);
  Key('S');
  EXPECT_EQ((std::vector<std::string>{"box 65", "app 83", "app 66", "box 66", "sys 102", "box 83"}), keys);
  form->Free();
}

TEST_F(FormsTest, ReleaseFreesAfterQueuedMessages) {
  auto* form = new TForm(Application);
  bool destroyed = false;
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->Show();
  form->Release();
  EXPECT_FALSE(destroyed);
  Pump();
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen->FormCount(), 0);
}

}  // namespace
