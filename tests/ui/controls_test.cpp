#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "platform/Surface.h"
#include "rtl/TypInfo.h"
#include "ui/TBitmap.h"
#include "ui/TButton.h"
#include "ui/TLabel.h"

namespace {

using ControlsTest = FrameworkTest;

TRect R(TControl* c) { return c->BoundsRect(); }

// ---- Alignment

struct AlignCase {
  const char* What;
  std::vector<std::pair<TAlign, TRect>> Controls;  // align and bounds before
  std::vector<TRect> Expected;
};

TEST_F(ControlsTest, AlignLayoutTable) {
  const std::vector<AlignCase> cases = {
      {"one of each kind",
       {{alTop, Bounds(0, 0, 10, 30)}, {alBottom, Bounds(0, 0, 10, 20)}, {alLeft, Bounds(0, 0, 50, 10)},
        {alRight, Bounds(0, 0, 40, 10)}, {alClient, Bounds(5, 5, 5, 5)}},
       {Rect(0, 0, 400, 30), Rect(0, 280, 400, 300), Rect(0, 30, 50, 280), Rect(360, 30, 400, 280),
        Rect(50, 30, 360, 280)}},
      {"two tops keep their order by position",
       {{alTop, Bounds(0, 100, 10, 30)}, {alTop, Bounds(0, 10, 10, 15)}},
       {Rect(0, 15, 400, 45), Rect(0, 0, 400, 15)}},
      {"two bottoms: the lower stays lowest",
       {{alBottom, Bounds(0, 280, 10, 20)}, {alBottom, Bounds(0, 200, 10, 10)}},
       {Rect(0, 280, 400, 300), Rect(0, 270, 400, 280)}},
      {"client takes what is left, none stays put",
       {{alNone, Bounds(7, 8, 9, 10)}, {alLeft, Bounds(0, 0, 100, 1)}, {alClient, Bounds(0, 0, 1, 1)}},
       {Bounds(7, 8, 9, 10), Rect(0, 0, 100, 300), Rect(100, 0, 400, 300)}},
      {"larger than the room: clipped to nothing",
       {{alLeft, Bounds(0, 0, 300, 1)}, {alRight, Bounds(0, 0, 300, 1)}, {alClient, Bounds(0, 0, 1, 1)}},
       {Rect(0, 0, 300, 300), Rect(100, 0, 400, 300), Rect(300, 0, 300, 300)}},
  };
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.What);
    auto* form = new TForm(Application);
    form->SetClientSize(400, 300);
    form->DisableAlign();  // all placed at once: the order comes from the positions
    std::vector<TControl*> made;
    for (auto& [align, bounds] : c.Controls) {
      auto* b = new TBox(form, form);
      b->SetBoundsRect(bounds);
      b->SetAlign(align);
      made.push_back(b);
    }
    form->EnableAlign();
    for (size_t i = 0; i < made.size(); ++i) EXPECT_EQ(R(made[i]), c.Expected[i]) << "control " << i;
    form->Free();
  }
}

// A panel whose children align below a caption strip.
class TCaptionPanel : public TBox {
 public:
  using TBox::TBox;

 protected:
  void AdjustClientRect(TRect& Rect) override { Rect.Top += 20; }
};

TEST_F(ControlsTest, AlignFollowsResizeVisibilityAndAlignRect) {
  auto* form = new TForm(Application);
  form->SetClientSize(300, 200);
  auto* top = new TBox(form, form);
  top->SetHeight(40);
  top->SetAlign(alTop);
  auto* panel = new TCaptionPanel(form, form);
  panel->SetAlign(alClient);
  auto* inner = new TBox(form, panel);
  inner->SetAlign(alClient);
  EXPECT_EQ(R(panel), Rect(0, 40, 300, 200));
  EXPECT_EQ(R(inner), Rect(0, 20, 300, 160));

  form->Show();  // the window keeps the client size asked for
  EXPECT_EQ(form->ClientWidth(), 300);
  EXPECT_EQ(form->ClientHeight(), 200);
  EXPECT_EQ(R(panel), Rect(0, 40, 300, 200));

  int resizes = 0;
  form->OnResize = [&](TObject*) { ++resizes; };
  form->SetClientSize(500, 260);
  EXPECT_EQ(resizes, 1);
  EXPECT_EQ(R(top), Rect(0, 0, 500, 40));
  EXPECT_EQ(R(panel), Rect(0, 40, 500, 260));
  EXPECT_EQ(R(inner), Rect(0, 20, 500, 220));

  top->SetVisible(false);  // a hidden control takes no room
  EXPECT_EQ(R(panel), Rect(0, 0, 500, 260));
  top->SetVisible(true);
  top->SetHeight(60);  // a resized aligned control re-lays its siblings
  EXPECT_EQ(R(panel), Rect(0, 60, 500, 260));

  // The user resizes the window through its frame.
  TRect wr;
  GetWindowRect(form->Handle(), wr);
  InjectWindowBounds(form->Handle(), Rect(wr.Left, wr.Top, wr.Right + 100, wr.Bottom));
  Pump();
  EXPECT_EQ(form->ClientWidth(), 600);
  EXPECT_EQ(resizes, 2);
  EXPECT_EQ(R(inner), Rect(0, 20, 600, 200));
  form->OnResize = nullptr;
  form->Free();
}

TEST_F(ControlsTest, AnchorsKeepDistancesWhenTheParentResizes) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* tl = new TBox(form, form);
  tl->SetBounds(10, 10, 20, 20);
  auto* br = new TBox(form, form);
  br->SetBounds(150, 60, 30, 20);
  br->SetAnchors(TAnchors{akRight, akBottom});
  auto* wide = new TBox(form, form);
  wide->SetBounds(10, 40, 180, 10);
  wide->SetAnchors(TAnchors{akLeft, akTop, akRight});
  auto* floating = new TBox(form, form);
  floating->SetBounds(90, 0, 20, 10);
  floating->SetAnchors(TAnchors{akTop});

  form->SetClientSize(300, 150);
  EXPECT_EQ(R(tl), Bounds(10, 10, 20, 20));
  EXPECT_EQ(R(br), Bounds(250, 110, 30, 20));
  EXPECT_EQ(R(wide), Bounds(10, 40, 280, 10));
  EXPECT_EQ(R(floating), Bounds(140, 0, 20, 10));
  form->SetClientSize(200, 100);  // back: exactly where they were
  EXPECT_EQ(R(br), Bounds(150, 60, 30, 20));
  EXPECT_EQ(R(wide), Bounds(10, 40, 180, 10));
  EXPECT_EQ(R(floating), Bounds(90, 0, 20, 10));
  form->Free();
}

// A box that sizes itself to 30 x 20 plus its tag.
class TSized : public TBox {
 public:
  using TBox::TBox;
  bool CanAutoSize(int32_t& w, int32_t& h) override {
    w = 30 + int32_t(Tag());
    h = 20;
    return true;
  }
};

TEST_F(ControlsTest, ConstraintsAndAutoSizeLimitTheBounds) {
  auto* form = new TForm(Application);
  form->SetClientSize(300, 200);
  auto* box = new TBox(form, form);
  box->Constraints()->SetMinWidth(50);
  box->Constraints()->SetMaxHeight(40);
  box->SetBounds(0, 0, 10, 100);
  EXPECT_EQ(R(box), Bounds(0, 0, 50, 40));
  box->SetAlign(alClient);  // alignment obeys the limits too
  EXPECT_EQ(R(box), Bounds(0, 0, 300, 40));
  SetPropPathText(box, "Constraints.MaxHeight", "0");
  box->Realign();
  form->Realign();
  EXPECT_EQ(box->Height(), 200);

  auto* sized = new TSized(form, form);
  sized->SetAutoSize(true);
  EXPECT_EQ(R(sized), Bounds(0, 0, 30, 20));
  sized->SetTag(5);
  sized->SetWidth(100);
  EXPECT_EQ(R(sized), Bounds(0, 0, 35, 20));
  form->Free();
}

// ---- Focus, tab order and keys

TEST_F(ControlsTest, TabOrderFocusEnterExitAndKeyPreview) {
  auto* form = new TForm(Application);
  form->SetClientSize(300, 200);
  std::vector<TButton*> b;
  for (int i = 0; i < 4; ++i) {
    auto* x = new TButton(form);
    x->SetName(std::string("B").append(std::to_string(i)));
    x->SetParent(form);
    x->SetBounds(10, 10 + 30 * i, 75, 25);
    b.push_back(x);
  }
  b[3]->SetTabOrder(0);  // order: B3 B0 B1 B2
  b[1]->SetEnabled(false);
  std::vector<std::string> log;
  for (TButton* x : b) {
    x->OnEnter = [&log](TObject* s) { log.push_back("enter " + static_cast<TComponent*>(s)->Name()); };
    x->OnExit = [&log](TObject* s) { log.push_back("exit " + static_cast<TComponent*>(s)->Name()); };
  }
  std::string typed;
  for (TButton* x : b) x->OnKeyPress = [&typed](TObject*, char& c) { typed += c; };
  form->Show();
  Pump();
  EXPECT_EQ(form->ActiveControl(), b[3]);
  EXPECT_TRUE(b[3]->Focused());
  EXPECT_EQ(Screen->ActiveControl(), b[3]);
  EXPECT_EQ(Screen->ActiveForm(), form);

  Key(VK_TAB);
  EXPECT_TRUE(b[0]->Focused());
  Key(VK_TAB);  // B1 is disabled
  EXPECT_TRUE(b[2]->Focused());
  Key(VK_TAB);  // wraps around
  EXPECT_TRUE(b[3]->Focused());
  Key(VK_TAB, true);
  EXPECT_TRUE(b[2]->Focused());
  EXPECT_EQ(typed, "");  // a dialog key makes no character
  EXPECT_EQ((std::vector<std::string>{"enter B3", "exit B3", "enter B0", "exit B0", "enter B2", "exit B2",
                                      "enter B3", "exit B3", "enter B2"}),
            log);

  // Key preview: the form sees keys first and may eat them.
  std::vector<std::string> keys;
  form->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState) {
    keys.push_back("form " + std::to_string(k));
    if (k == 'X') k = 0;
  };
  b[2]->OnKeyDown = [&](TObject*, uint16_t& k, TShiftState s) {
    keys.push_back("button " + std::to_string(k) + (s.Contains(ssShift) ? " shift" : ""));
  };
  Key('A');
  form->SetKeyPreview(true);
  Key('A', true);
  Key('X');
  EXPECT_EQ((std::vector<std::string>{"button 65", "form 16", "button 16 shift", "form 65",
                                      "button 65 shift", "form 88"}),
            keys);

  // Hiding the focused control gives the focus back to the form.
  b[2]->SetVisible(false);
  EXPECT_EQ(form->ActiveControl(), nullptr);
  EXPECT_FALSE(b[2]->Focused());
  form->Free();
}

TEST_F(ControlsTest, EnterAndEscapeClickTheDefaultAndCancelButtons) {
  auto* form = new TForm(Application);
  auto* ok = new TButton(form);
  ok->SetParent(form);
  ok->SetDefault(true);
  auto* cancel = new TButton(form);
  cancel->SetParent(form);
  cancel->SetCancel(true);
  cancel->SetLeft(100);
  auto* other = new TButton(form);
  other->SetParent(form);
  other->SetLeft(200);
  std::vector<std::string> clicks;
  ok->OnClick = [&](TObject*) { clicks.push_back("ok"); };
  cancel->OnClick = [&](TObject*) { clicks.push_back("cancel"); };
  other->OnClick = [&](TObject*) { clicks.push_back("other"); };
  form->SetActiveControl(cancel);
  form->Show();
  Pump();
  Key(VK_RETURN);  // a focused button answers Enter itself
  Key(VK_ESCAPE);
  Key(VK_SPACE);
  other->SetFocus();
  Pump();
  Key(VK_RETURN);
  EXPECT_EQ((std::vector<std::string>{"cancel", "cancel", "cancel", "other"}), clicks);
  form->Free();
}

// A control that wants the Tab key and logs notices.
class TGreedy : public TBox {
 public:
  using TBox::TBox;
  std::vector<std::string> Log;
  bool WantTab = true;

  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_WANTSPECIALKEY && m.WParam == VK_TAB && WantTab) {
      m.Result = 1;
      return;
    }
    if (m.Msg == CM_CANCELMODE) Log.push_back("cancel mode");
    TBox::Dispatch(m);
  }

 protected:
  void KeyDown(uint16_t& Key, TShiftState Shift) override {
    Log.push_back("key " + std::to_string(Key));
    TBox::KeyDown(Key, Shift);
  }
};

TEST_F(ControlsTest, SpecialKeysAcceleratorsAndCancelMode) {
  auto* form = new TForm(Application);
  form->SetClientSize(300, 200);
  auto* greedy = new TGreedy(form, form);
  greedy->SetBounds(0, 0, 50, 50);
  greedy->SetTabStop(true);
  auto* other = new TButton(form);
  other->SetParent(form);
  other->SetBounds(100, 0, 75, 25);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetCaption("&Name:");
  label->SetTop(100);
  label->SetFocusControl(greedy);
  form->Show();
  greedy->SetFocus();
  Pump();
  Key(VK_TAB);  // wanted: the control gets it and keeps the focus
  EXPECT_TRUE(greedy->Focused());
  greedy->WantTab = false;
  Key(VK_TAB);
  EXPECT_TRUE(other->Focused());
  // Alt+N: the label's accelerator focuses its control.
  InjectKey(VK_MENU, true);
  Key('N');
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_TRUE(greedy->Focused());
  // A press on another control ends what the focused one was doing.
  Click(other, 5, 5);
  EXPECT_EQ((std::vector<std::string>{"key 9", "cancel mode"}),
            std::vector<std::string>(greedy->Log.begin(), greedy->Log.end()));
  form->Free();
}

// ---- Messages

TEST_F(ControlsTest, PerformWindowProcOverrideAndNotices) {
  auto* form = new TForm(Application);
  auto* box = new TBox(form, form);
  std::vector<UINT> seen;
  TWndMethod old = box->WindowProc;
  box->WindowProc = [&](TMessage& m) {
    if (m.Msg >= CM_BASE && m.Msg < CN_BASE) seen.push_back(m.Msg);
    if (m.Msg == WM_USER + 1) {
      m.Result = 42;
      return;
    }
    old(m);
  };
  EXPECT_EQ(box->Perform(WM_USER + 1), 42);
  box->SetCaption("x");
  box->SetColor(clRed);
  box->SetEnabled(false);
  box->SetVisible(false);
  form->Font()->SetSize(12);  // reaches the child as a parent-font notice
  EXPECT_EQ((std::vector<UINT>{CM_TEXTCHANGED, CM_COLORCHANGED, CM_ENABLEDCHANGED, CM_VISIBLECHANGED,
                               CM_PARENTFONTCHANGED, CM_FONTCHANGED}),
            seen);
  EXPECT_EQ(box->Font()->Size(), 12);
  EXPECT_TRUE(box->ParentFont());
  // Real window messages take the same road.
  box->SetVisible(true);
  form->Show();
  seen.clear();
  EXPECT_EQ(SendMessage(box->Handle(), WM_USER + 1, 0, 0), 42);
  form->Free();
}

TEST_F(ControlsTest, ParentColorAndFontFollowUntilSet) {
  auto* form = new TForm(Application);
  auto* panel = new TBox(form, form);
  auto* child = new TBox(form);
  child->SetParentColor(true);
  child->SetParent(panel);
  panel->SetColor(clYellow);
  EXPECT_EQ(child->Color(), clYellow);
  EXPECT_TRUE(child->ParentColor());
  child->SetColor(clBlue);
  EXPECT_FALSE(child->ParentColor());
  panel->SetColor(clGreen);
  EXPECT_EQ(child->Color(), clBlue);

  panel->Font()->SetName("Verdana");
  EXPECT_EQ(child->Font()->Name(), "Verdana");
  child->Font()->SetStyle(TFontStyles{fsBold});
  EXPECT_FALSE(child->ParentFont());
  panel->Font()->SetName("Tahoma");
  EXPECT_EQ(child->Font()->Name(), "Verdana");
  form->Free();
}

TEST_F(ControlsTest, RecreatingTheWindowKeepsState) {
  auto* form = new TForm(Application);
  form->SetCaption("Title");
  auto* box = new TBox(form, form);
  box->SetBounds(5, 6, 70, 40);
  box->SetTabStop(true);
  auto* inner = new TBox(form, box);
  inner->SetBounds(1, 2, 3, 4);
  form->Show();
  box->SetFocus();
  Pump();
  HWND before = box->Handle();
  HWND innerBefore = inner->Handle();
  box->SetCaption("kept");
  box->RecreateWnd();
  EXPECT_NE(box->Handle(), before);
  EXPECT_FALSE(IsWindow(before));
  EXPECT_FALSE(IsWindow(innerBefore));
  EXPECT_TRUE(IsWindow(inner->Handle()));
  EXPECT_EQ(GetWindowText(box->Handle()), "kept");
  TRect r;
  GetWindowRect(inner->Handle(), r);
  TPoint o = inner->ClientOrigin();
  EXPECT_EQ(r.Left, o.X);
  EXPECT_EQ(R(inner), Bounds(1, 2, 3, 4));
  EXPECT_TRUE(box->Focused());
  EXPECT_TRUE(box->Showing());

  int shows = 0;
  form->OnShow = [&](TObject*) { ++shows; };
  form->SetBorderStyle(bsDialog);  // a form recreates itself for a new frame
  EXPECT_EQ(shows, 0);
  form->OnShow = nullptr;
  EXPECT_EQ(GetWindowText(form->Handle()), "Title");
  EXPECT_TRUE(form->Showing());
  EXPECT_TRUE(IsWindowVisible(box->Handle()));
  form->Free();
}

TEST_F(ControlsTest, ShowingFollowsParentsAndHandles) {
  auto* form = new TForm(Application);
  auto* panel = new TBox(form, form);
  auto* child = new TBox(form, panel);
  EXPECT_FALSE(child->Showing());
  form->Show();
  EXPECT_TRUE(child->Showing());
  std::vector<bool> changes;
  child->WindowProc = [&, old = child->WindowProc](TMessage& m) {
    if (m.Msg == CM_SHOWINGCHANGED) changes.push_back(child->Showing());
    old(m);
  };
  panel->SetVisible(false);
  EXPECT_FALSE(child->Showing());
  EXPECT_TRUE(child->Visible());
  panel->SetVisible(true);
  EXPECT_TRUE(child->Showing());
  EXPECT_EQ((std::vector<bool>{false, true}), changes);
  form->Free();
}

// ---- Mouse

TEST_F(ControlsTest, MouseEventsReachGraphicAndWindowedControlsWithShiftState) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetCaption("Label");
  label->SetBounds(10, 10, 50, 20);
  label->SetAutoSize(false);
  auto* box = new TBox(form, form);
  box->SetBounds(100, 10, 50, 50);
  std::vector<std::string> log;
  label->OnClick = [&](TObject*) { log.push_back("label click"); };
  label->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
    log.push_back("label down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y) +
                  (s.Contains(ssCtrl) ? " ctrl" : "") + (s.Contains(ssLeft) ? " left" : ""));
  };
  box->OnDblClick = [&](TObject*) { log.push_back("box dblclick"); };
  box->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState s, int32_t x, int32_t y) {
    log.push_back("box up " + std::to_string(x) + "," + std::to_string(y) + (s.Contains(ssDouble) ? " d" : ""));
  };
  box->OnMouseEnter = [&](TObject*) { log.push_back("box enter"); };
  box->OnMouseLeave = [&](TObject*) { log.push_back("box leave"); };
  form->Show();
  Pump();
  InjectKey(VK_CONTROL, true);
  Click(label, 5, 6);
  InjectKey(VK_CONTROL, false);
  Pump();
  MoveTo(box, 3, 4);
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  MoveTo(form, 190, 90);
  // A press dragged out of the control is no click.
  Click(label, 5, 5);
  HeadlessAdvanceClock(2000);
  InjectMouseButton(VK_LBUTTON, true);
  MoveTo(form, 190, 90);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ((std::vector<std::string>{"label down 0 5,6 ctrl left", "label click", "box enter", "box up 3,4",
                                      "box dblclick", "box up 3,4", "box leave", "label down 0 5,5 left",
                                      "label click", "label down 0 5,5 left"}),
            log);
  form->Free();
}

TEST_F(ControlsTest, CursorOfControlsAndScreen) {
  auto* form = new TForm(Application);
  form->SetClientSize(200, 100);
  auto* box = new TBox(form, form);
  box->SetBounds(0, 0, 50, 50);
  box->SetCursor(crHandPoint);
  auto* label = new TLabel(form);
  label->SetParent(form);
  label->SetBounds(100, 0, 40, 20);
  label->SetCursor(crIBeam);
  form->Show();
  MoveTo(box, 5, 5);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  MoveTo(form, 105, 5);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crIBeam));
  Screen->SetCursor(crHourGlass);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  MoveTo(box, 6, 6);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHourGlass));
  EXPECT_EQ(CursorStandardId(Screen->Cursors(crHourGlass)), IDC_WAIT);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
  // The cursor table takes the program's own cursors.
  std::vector<uint32_t> px(16 * 16, 0xFF000000);
  HCURSOR own = CreateCursorFromPixels(16, 16, px.data(), 0, 0);
  Screen->SetCursors(1, own);
  box->SetCursor(1);
  MoveTo(box, 7, 7);
  EXPECT_EQ(GetCursor(), own);
  EXPECT_EQ(Screen->Cursors(12345), Screen->Cursors(crDefault));
  form->Free();
}

// ---- Painting

TEST_F(ControlsTest, DoubleBufferedPaintingLandsInTheWindow) {
  auto* form = new TForm(Application);
  form->SetClientSize(100, 60);
  form->SetColor(clWhite);
  auto* box = new TBox(form, form);
  box->SetBounds(10, 10, 40, 30);
  box->Fill = clRed;
  auto* label = new TLabel(form);  // a graphic child painted over the buffer
  label->SetParent(box);
  label->SetAutoSize(false);
  label->SetCaption("");
  label->SetBounds(0, 0, 10, 10);
  label->SetColor(clBlue);
  form->Show();
  box->SetDoubleBuffered(true);
  box->Repaint();
  form->Update();
  EXPECT_GE(box->Paints, 1);
  Surface s = CopyWindowPixels(box->Handle());
  EXPECT_EQ(PixelToColorRef(s.At(20, 20) & 0xFFFFFF), RGB(255, 0, 0));
  EXPECT_EQ(PixelToColorRef(s.At(5, 5) & 0xFFFFFF), RGB(0, 0, 255));
  Surface f = CopyWindowPixels(form->Handle());
  TPoint o = form->ClientOrigin();
  TRect wr;
  GetWindowRect(form->Handle(), wr);
  EXPECT_EQ(PixelToColorRef(f.At(o.X - wr.Left + 80, o.Y - wr.Top + 50) & 0xFFFFFF), RGB(255, 255, 255));
  // The same picture painted elsewhere, graphic children included.
  TBitmap copy;
  copy.SetPixelFormat(pf24bit);
  copy.SetSize(40, 30);
  box->PaintTo(copy.Canvas()->Handle(), 0, 0);
  EXPECT_EQ(ColorToRGB(copy.Canvas()->Pixels(20, 20)), RGB(255, 0, 0));
  EXPECT_EQ(ColorToRGB(copy.Canvas()->Pixels(5, 5)), RGB(0, 0, 255));
  form->Free();
}

// ---- Reflection

TEST_F(ControlsTest, PublishedPropertiesAreReachableByPath) {
  auto* form = new TForm(Application);
  form->SetName("Form1");
  auto* b = new TButton(form);
  b->SetName("Button1");
  b->SetParent(form);
  auto* l = new TLabel(form);
  l->SetName("Label1");
  l->SetParent(form);
  SetPropPathText(form, "Button1.Caption", "Go");
  SetPropPathText(form, "Label1.Hint", "short|long");
  SetPropPathText(form, "Button1.ModalResult", "1");
  SetPropPathText(form, "Label1.Alignment", "taCenter");
  SetPropPathText(form, "Button1.Anchors", "[akRight,akBottom]");
  SetPropPathText(form, "Button1.Align", "alBottom");
  EXPECT_EQ(b->Caption(), "Go");
  EXPECT_EQ(l->Hint(), "short|long");
  EXPECT_EQ(b->ModalResult(), mrOk);
  EXPECT_EQ(l->Alignment(), taCenter);
  EXPECT_EQ(b->Align(), alBottom);
  EXPECT_EQ(GetPropPathText(form, "Button1.Visible"), "True");
  EXPECT_EQ(FindPathObject(form, "Button1.Font"), b->Font());
  form->Free();
}

}  // namespace
