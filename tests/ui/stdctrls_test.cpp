// Standard controls driven through the real queue with injected input.
#include <gtest/gtest.h>

#include "FrameworkTestSupport.h"
#include "platform/ScrollBar.h"
#include "platform/SysInfo.h"
#include "rtl/TypInfo.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TClipboard.h"
#include "ui/ControlFont.h"
#include "ui/TComboBox.h"
#include "ui/TEdit.h"
#include "ui/TGroupBox.h"
#include "ui/TListView.h"
#include "ui/TNotebook.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TSpeedButton.h"
#include "ui/TSplitter.h"
#include "ui/TTrackBar.h"
#include "ui/TUpDown.h"

namespace {

void SetProp(TObject* o, const char* name, const std::string& v) {
  const TPropInfo* p = GetPropInfo(o, name);
  ASSERT_NE(p, nullptr) << name;
  SetPropText(o, p, v);
}
std::string GetProp(TObject* o, const char* name) { return GetPropText(o, GetPropInfo(o, name)); }

class StdCtrlsTest : public FrameworkTest {
 protected:
  TForm* NewForm(int32_t w = 400, int32_t h = 300) {
    auto* f = new TForm(Application);
    f->SetBounds(50, 50, 10, 10);
    f->SetClientSize(w, h);
    return f;
  }
  void Type(const std::string& s) {
    for (char c : s) InjectChar(uint8_t(c));
    Pump();
  }
  void CtrlKey(int32_t vk) {
    InjectKey(VK_CONTROL, true);
    InjectKey(vk, true);
    InjectKey(vk, false);
    InjectKey(VK_CONTROL, false);
    Pump();
  }
  // Clicks apart in time: two at one place would make a double click.
  void Click(TControl* c, int32_t x, int32_t y) {
    HeadlessAdvanceClock(1000);
    FrameworkTest::Click(c, x, y);
  }
  void DblClick(TControl* c, int32_t x, int32_t y) {
    Click(c, x, y);
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  template <class T>
  T* Make(TForm* f, int32_t x, int32_t y, int32_t w, int32_t h, TWinControl* parent = nullptr) {
    auto* c = new T(f);
    c->SetBounds(x, y, w, h);
    c->SetParent(parent ? parent : f);
    return c;
  }
};

// ---- Edit

TEST_F(StdCtrlsTest, EditTypingSelectionAndClipboard) {
  TForm* f = NewForm();
  auto* e = Make<TEdit>(f, 10, 10, 200, 21);
  int changes = 0;
  e->OnChange = [&](TObject*) { ++changes; };
  f->Show();
  e->SetFocus();
  Pump();
  Type("hello world");
  EXPECT_EQ(e->Text(), "hello world");
  EXPECT_EQ(e->SelStart(), 11);
  EXPECT_EQ(changes, 11);
  EXPECT_TRUE(e->Modified());

  // Shift+Home selects back to the start; typing replaces the selection.
  Key(VK_LEFT);
  Key(VK_HOME, true);
  EXPECT_EQ(e->SelText(), "hello worl");
  Type("J");
  EXPECT_EQ(e->Text(), "Jd");
  Key(VK_BACK);
  Key(VK_DELETE);
  EXPECT_EQ(e->Text(), "");

  // Copy, cut and paste through the program's clipboard.
  e->SetText("abc def");
  CtrlKey('A');
  EXPECT_EQ(e->SelLength(), 7);
  CtrlKey('C');
  EXPECT_EQ(Clipboard()->AsText(), "abc def");
  Key(VK_END);
  CtrlKey('V');
  EXPECT_EQ(e->Text(), "abc defabc def");
  Key(VK_LEFT, true);
  Key(VK_LEFT, true);
  CtrlKey('X');
  EXPECT_EQ(e->Text(), "abc defabc d");
  EXPECT_EQ(Clipboard()->AsText(), "ef");

  // A click places the caret between characters; Ctrl+Left jumps words.
  Click(e, 1, 5);
  EXPECT_EQ(e->SelStart(), 0);
  EXPECT_EQ(e->SelLength(), 0);
  Key(VK_END);
  CtrlKey(VK_LEFT);
  EXPECT_EQ(e->SelStart(), 11);
  CtrlKey(VK_LEFT);
  EXPECT_EQ(e->SelStart(), 4);
  f->Free();
}

TEST_F(StdCtrlsTest, EditMaxLengthPasswordAndMultibyte) {
  TForm* f = NewForm();
  auto* e = Make<TEdit>(f, 10, 10, 200, 21);
  f->Show();
  e->SetFocus();
  e->SetMaxLength(5);
  Type("abcdefgh");
  EXPECT_EQ(e->Text(), "abcde");
  // Pasting is cut to the room left.
  Clipboard()->SetAsText("XYZ");
  Key(VK_HOME);
  Key(VK_RIGHT);
  Key(VK_DELETE);
  CtrlKey('V');
  EXPECT_EQ(e->Text(), "aXcde");

  // The password character hides the text and keeps it off the clipboard.
  e->SetMaxLength(0);
  e->SetText("");
  e->SetPasswordChar('*');
  InjectChar(0x00E9);  // two bytes in UTF-8
  Type("pw");
  EXPECT_EQ(e->Text(), "\xC3\xA9pw");
  EXPECT_EQ(e->DisplayText(), "***");
  Clipboard()->SetAsText("kept");
  CtrlKey('A');
  CtrlKey('C');
  CtrlKey('X');
  EXPECT_EQ(Clipboard()->AsText(), "kept");
  EXPECT_EQ(e->Text(), "\xC3\xA9pw");
  // The caret steps over whole characters.
  Key(VK_HOME);
  Key(VK_RIGHT);
  EXPECT_EQ(e->SelStart(), 2);
  Key(VK_BACK);
  EXPECT_EQ(e->Text(), "pw");
  f->Free();
}

TEST_F(StdCtrlsTest, EditMouseDragAndDoubleClickSelect) {
  TForm* f = NewForm();
  auto* e = Make<TEdit>(f, 10, 10, 200, 21);
  e->SetText("one two three");
  f->Show();
  Pump();
  // Drag from before "two" to after it.
  int32_t x0 = 3 + e->Canvas()->TextWidth("one "), x1 = 3 + e->Canvas()->TextWidth("one two");
  EXPECT_EQ(e->PositionAt(x0), 4);
  HeadlessAdvanceClock(1000);
  InjectMouseMove(e->ClientToScreen(TPoint{x0, 10}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseMove(e->ClientToScreen(TPoint{x1, 10}));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(e->SelText(), "two");
  // Shift+Right grows it from the anchor.
  Key(VK_RIGHT, true);
  EXPECT_EQ(e->SelText(), "two ");
  // A double click selects the word under the pointer.
  DblClick(e, 3 + e->Canvas()->TextWidth("one two th"), 10);
  EXPECT_EQ(e->SelText(), "three");
  f->Free();
}

TEST_F(StdCtrlsTest, EditReadOnlyAndTabLeaves) {
  TForm* f = NewForm();
  auto* a = Make<TEdit>(f, 10, 10, 100, 21);
  auto* b = Make<TEdit>(f, 10, 40, 100, 21);
  a->SetText("fixed");
  a->SetReadOnly(true);
  b->SetText("next");
  f->Show();
  a->SetFocus();
  Type("x");
  Key(VK_BACK);
  EXPECT_EQ(a->Text(), "fixed");
  Key(VK_TAB);
  EXPECT_TRUE(b->Focused());
  // Entering by Tab selects the whole text (AutoSelect).
  EXPECT_EQ(b->SelLength(), 4);
  f->Free();
}

// ---- Combo box

TEST_F(StdCtrlsTest, ComboDropDownListByMouse) {
  TForm* f = NewForm();
  auto* c = Make<TComboBox>(f, 10, 10, 150, 21);
  c->SetStyle(csDropDownList);
  TObject tagA, tagB, tagC;
  c->Items()->AddObject("Alpha", &tagA);
  c->Items()->AddObject("Beta", &tagB);
  c->Items()->AddObject("Gamma", &tagC);
  c->SetItemIndex(0);
  int changes = 0, clicks = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  c->OnClick = [&](TObject*) { ++clicks; };
  f->Show();
  Pump();
  EXPECT_EQ(changes, 0);  // set by the program: no event

  Click(c, 20, 10);
  ASSERT_TRUE(c->DroppedDown());
  TComboListBox* list = c->ListBox();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(IsWindowVisible(list->Handle()));
  // The list lies below the box, as wide as it.
  EXPECT_EQ(list->ClientOrigin().Y >= c->ClientToScreen(TPoint{0, c->Height()}).Y, true);
  int32_t h = list->ItemHeight();
  MoveTo(list, 10, 2 * h + h / 2);
  EXPECT_EQ(list->HotIndex(), 2);
  Click(list, 10, 2 * h + h / 2);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(c->Text(), "Gamma");
  EXPECT_EQ(c->Items()->Objects(c->ItemIndex()), &tagC);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 1);  // the click that opened the list is none

  // A click outside the dropped list closes it unchanged.
  Click(c, 20, 10);
  ASSERT_TRUE(c->DroppedDown());
  Click(f, 350, 250);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(changes, 1);
  // With OnSelect set, a choice runs it instead of OnChange.
  int selects = 0;
  c->OnSelect = [&](TObject*) { ++selects; };
  c->SetFocus();
  Key(VK_UP);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(clicks, 2);
  f->Free();
}

TEST_F(StdCtrlsTest, ComboKeyboard) {
  TForm* f = NewForm();
  auto* c = Make<TComboBox>(f, 10, 10, 150, 21);
  auto* ok = Make<TButton>(f, 10, 100, 75, 25);
  ok->SetDefault(true);
  ok->SetModalResult(mrOk);
  c->SetStyle(csDropDownList);
  for (const char* s : {"apple", "banana", "blueberry", "cherry"}) c->Items()->Add(s);
  std::vector<int32_t> seen;
  c->OnChange = [&](TObject*) { seen.push_back(c->ItemIndex()); };
  f->Show();
  c->SetFocus();
  Pump();
  Key(VK_DOWN);   // none -> 0
  Key(VK_DOWN);   // 1
  Key(VK_END);    // 3
  Key(VK_UP);     // 2
  Key(VK_HOME);   // 0
  Key(VK_UP);     // stays 0: no event
  Type("b");      // banana
  Type("b");      // blueberry
  Type("b");      // banana again
  Type("z");      // no item: nothing
  EXPECT_EQ(seen, (std::vector<int32_t>{0, 1, 3, 2, 0, 1, 2, 1}));

  // Alt+Down opens; the arrows move the highlight only; Escape closes
  // without a change and does not reach the form's default button.
  InjectKey(VK_MENU, true);
  Key(VK_DOWN);
  InjectKey(VK_MENU, false);
  Pump();
  ASSERT_TRUE(c->DroppedDown());
  EXPECT_EQ(c->ListBox()->HotIndex(), 1);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(c->ItemIndex(), 1);
  Key(VK_ESCAPE);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 1);
  // F4 opens, Enter chooses the highlighted item (and not the default button).
  Key(VK_F4);
  Key(VK_DOWN);
  f->SetModalResult(mrNone);
  Key(VK_RETURN);
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(f->ModalResult(), mrNone);
  EXPECT_EQ(seen.back(), 2);
  f->Free();
}

TEST_F(StdCtrlsTest, ComboItemsAndTextByPath) {
  TForm* f = NewForm();
  auto* c = Make<TComboBox>(f, 10, 10, 150, 21);
  c->SetName("Zoom");
  c->SetStyle(csDropDownList);
  TStringList items;
  items.SetText("Fit\n25%\n50%\n");
  SetObjectProp(c, GetPropInfo(c, "Items"), &items);
  EXPECT_EQ(c->Items()->Count(), 3);
  SetProp(c, "ItemIndex", "1");
  EXPECT_EQ(c->Text(), "25%");
  c->SetText("50%");
  EXPECT_EQ(c->ItemIndex(), 2);
  c->SetText("nothing");
  EXPECT_EQ(c->ItemIndex(), -1);
  // Removing the chosen item clears the choice.
  c->SetItemIndex(2);
  c->Items()->Delete(2);
  EXPECT_EQ(c->ItemIndex(), -1);
  f->Free();
}

TEST_F(StdCtrlsTest, ComboDropDownTyping) {
  TForm* f = NewForm();
  auto* c = Make<TComboBox>(f, 10, 10, 150, 21);
  c->Items()->SetText("25%\n50%\n");
  int changes = 0;
  c->OnChange = [&](TObject*) { ++changes; };
  f->Show();
  c->SetFocus();
  Pump();
  Type("50");
  EXPECT_EQ(c->Text(), "50");
  EXPECT_EQ(c->ItemIndex(), -1);
  Type("%");
  EXPECT_EQ(c->ItemIndex(), 1);  // the text names an item
  Key(VK_BACK);
  EXPECT_EQ(c->Text(), "50");
  EXPECT_EQ(changes, 4);
  f->Free();
}

// ---- Check box

TEST_F(StdCtrlsTest, CheckBoxClickSpaceAndAccelerator) {
  TForm* f = NewForm();
  auto* b = Make<TCheckBox>(f, 10, 10, 120, 17);
  b->SetCaption("&Preview");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  f->Show();
  Pump();
  Click(b, 5, 8);
  EXPECT_TRUE(b->Checked());
  EXPECT_TRUE(b->Focused());
  Key(VK_SPACE);
  EXPECT_FALSE(b->Checked());
  InjectKey(VK_MENU, true);
  Key('P');
  InjectKey(VK_MENU, false);
  Pump();
  EXPECT_TRUE(b->Checked());
  b->SetChecked(true);  // no change, no click
  EXPECT_EQ(clicks, 3);
  b->SetAllowGrayed(true);
  Key(VK_SPACE);
  EXPECT_EQ(b->State(), cbUnchecked);
  Key(VK_SPACE);
  EXPECT_EQ(b->State(), cbGrayed);
  f->Free();
}

// ---- List view

TEST_F(StdCtrlsTest, ListViewSelectionFocusAndDoubleClick) {
  TForm* f = NewForm();
  auto* lv = Make<TListView>(f, 10, 10, 300, 200);
  lv->SetViewStyle(vsList);
  for (int i = 0; i < 30; ++i) lv->Items()->Add()->SetCaption("item " + std::to_string(i));
  std::vector<std::pair<int32_t, bool>> events;
  lv->OnSelectItem = [&](TObject*, TListItem* it, bool sel) { events.emplace_back(it->Index(), sel); };
  int dbl = 0;
  TListItem* dblItem = nullptr;
  lv->OnDblClick = [&](TObject*) {
    ++dbl;
    dblItem = lv->Selected();
  };
  f->Show();
  Pump();
  int32_t rows = lv->RowsPerColumn();
  ASSERT_GT(rows, 3);
  // Items run down the first column, then on in the next.
  EXPECT_EQ(lv->ItemRect(rows).Left, lv->ColumnWidth());
  EXPECT_EQ(lv->ItemRect(rows).Top, 0);

  TRect r2 = lv->ItemRect(2);
  Click(lv, r2.Left + 8, r2.Top + 3);
  EXPECT_EQ(lv->ItemIndex(), 2);
  EXPECT_EQ(lv->ItemFocused(), lv->Items()->Item(2));
  Key(VK_DOWN);
  EXPECT_EQ(lv->ItemIndex(), 3);
  Key(VK_RIGHT);  // one column on
  EXPECT_EQ(lv->ItemIndex(), 3 + rows);
  EXPECT_EQ(lv->SelCount(), 1);
  EXPECT_EQ(events, (std::vector<std::pair<int32_t, bool>>{{2, true}, {2, false}, {3, true}, {3, false},
                                                           {3 + rows, true}}));

  DblClick(lv, r2.Left + 8, r2.Top + 3);
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(dblItem, lv->Items()->Item(2));
  Key(VK_RETURN);
  EXPECT_EQ(dbl, 2);
  // A click on empty room clears the selection.
  Click(lv, 290, 190);
  EXPECT_EQ(lv->Selected(), nullptr);
  f->Free();
}

TEST_F(StdCtrlsTest, ListViewMultiSelectScrollAndImages) {
  TForm* f = NewForm();
  auto* images = new TImageList(f);
  images->SetSize(16, 16);
  TBitmap bmp;
  bmp.SetWidth(32);
  bmp.SetHeight(16);
  bmp.Canvas()->Brush()->SetColor(clRed);
  bmp.Canvas()->FillRect(Rect(0, 0, 32, 16));
  images->Add(&bmp, nullptr);
  auto* lv = Make<TListView>(f, 10, 10, 200, 120);
  lv->SetSmallImages(images);
  lv->SetMultiSelect(true);
  for (int i = 0; i < 60; ++i) {
    TListItem* it = lv->Items()->Add();
    it->SetCaption("file" + std::to_string(i));
    it->SetImageIndex(i % 2);
  }
  f->Show();
  Pump();
  EXPECT_GE(lv->ItemHeight(), 18);
  // The image sits at the start of each item.
  TRect r0 = lv->ItemRect(0);
  Surface s = CopyWindowPixels(lv->Handle());
  EXPECT_EQ(s.Get(r0.Left + 5, r0.Top + 5) & 0xFFFFFF, 0xFF0000u);

  TRect r1 = lv->ItemRect(1), r4 = lv->ItemRect(4);
  Click(lv, r1.Left + 25, r1.Top + 3);
  InjectKey(VK_SHIFT, true);
  Click(lv, r4.Left + 25, r4.Top + 3);
  InjectKey(VK_SHIFT, false);
  EXPECT_EQ(lv->SelCount(), 4);
  InjectKey(VK_CONTROL, true);
  Click(lv, r1.Left + 25, r1.Top + 3);
  InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_EQ(lv->SelCount(), 3);
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(2));

  // Making the last item visible scrolls sideways; the bar follows.
  EXPECT_EQ(lv->LeftColumn(), 0);
  lv->Items()->Item(59)->MakeVisible(false);
  EXPECT_GT(lv->LeftColumn(), 0);
  EXPECT_EQ(GetScrollPos(lv->Handle(), SB_HORZ), lv->LeftColumn());
  TRect last = lv->Items()->Item(59)->DisplayRect();
  EXPECT_GE(last.Left, 0);
  EXPECT_LE(last.Right, lv->ClientWidth());
  Key(VK_HOME);
  EXPECT_EQ(lv->LeftColumn(), 0);
  EXPECT_EQ(lv->SelCount(), 1);
  // Deleting the focused item leaves no dangling focus.
  lv->Items()->Delete(0);
  EXPECT_EQ(lv->ItemFocused(), nullptr);
  f->Free();
}

// ---- Page control and notebook

TEST_F(StdCtrlsTest, PageControlSwitching) {
  TForm* f = NewForm();
  auto* pc = Make<TPageControl>(f, 10, 10, 300, 200);
  TTabSheet* sheets[3];
  TEdit* edits[3];
  const char* names[] = {"&General", "Files", "Advanced"};
  for (int i = 0; i < 3; ++i) {
    sheets[i] = new TTabSheet(f);
    sheets[i]->SetCaption(names[i]);
    sheets[i]->SetPageControl(pc);
    edits[i] = Make<TEdit>(f, 5, 5, 100, 21, sheets[i]);
  }
  int changes = 0;
  bool allow = true;
  pc->OnChange = [&](TObject*) { ++changes; };
  pc->OnChanging = [&](TObject*, bool& a) { a = allow; };
  f->Show();
  Pump();
  EXPECT_EQ(pc->ActivePage(), sheets[0]);
  EXPECT_TRUE(sheets[0]->Showing());
  EXPECT_FALSE(sheets[1]->Showing());
  // The sheet fills the control below the tabs.
  EXPECT_GT(sheets[0]->Top(), pc->TabHeight() - 1);

  TRect t2 = pc->TabRect(2);
  Click(pc, (t2.Left + t2.Right) / 2, (t2.Top + t2.Bottom) / 2);
  EXPECT_EQ(pc->ActivePageIndex(), 2);
  EXPECT_TRUE(sheets[2]->Showing());
  EXPECT_FALSE(sheets[0]->Showing());
  EXPECT_EQ(changes, 1);

  // Ctrl+Tab from a control on the sheet turns to the next page, wrapping.
  edits[2]->SetFocus();
  Pump();
  InjectKey(VK_CONTROL, true);
  Key(VK_TAB);
  InjectKey(VK_CONTROL, false);
  Pump();
  EXPECT_EQ(pc->ActivePageIndex(), 0);
  // The arrows move between tabs when the control has the focus.
  pc->SetFocus();
  Key(VK_RIGHT);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  // A refused change stays.
  allow = false;
  Key(VK_RIGHT);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  allow = true;
  // A hidden tab is skipped.
  sheets[2]->SetTabVisible(false);
  Key(VK_RIGHT);
  EXPECT_EQ(pc->ActivePageIndex(), 0);
  // Freeing the active sheet moves to another.
  sheets[0]->Free();
  EXPECT_EQ(pc->PageCount(), 2);
  EXPECT_EQ(pc->ActivePage(), sheets[1]);
  f->Free();
}

TEST_F(StdCtrlsTest, NotebookPagesByName) {
  TForm* f = NewForm();
  auto* nb = Make<TNotebook>(f, 0, 0, 200, 100);
  TStringList names;
  names.SetText("Open\nSave\nAbout\n");
  nb->SetPages(&names);
  ASSERT_EQ(nb->Pages()->Count(), 3);
  f->Show();
  Pump();
  nb->SetActivePage("Save");
  EXPECT_EQ(nb->PageIndex(), 1);
  EXPECT_TRUE(nb->Page(1)->Showing());
  EXPECT_FALSE(nb->Page(0)->Showing());
  SetProp(nb, "ActivePage", "About");
  EXPECT_EQ(nb->PageIndex(), 2);
  nb->SetActivePage("missing");
  EXPECT_EQ(nb->PageIndex(), 2);
  EXPECT_EQ(nb->Page(2)->BoundsRect(), nb->ClientRect());
  f->Free();
}

// ---- Panels, group box, splitter

TEST_F(StdCtrlsTest, PanelBordersShrinkTheAlignRoom) {
  TForm* f = NewForm();
  auto* p = Make<TPanel>(f, 0, 0, 200, 100);
  p->SetBevelOuter(bvRaised);
  p->SetBevelInner(bvLowered);
  p->SetBevelWidth(2);
  p->SetBorderWidth(6);
  auto* child = new TBox(f, p);
  child->SetAlign(alClient);
  EXPECT_EQ(child->BoundsRect(), Rect(10, 10, 190, 90));
  p->SetBevelOuter(bvNone);
  p->SetBevelInner(bvNone);
  EXPECT_EQ(child->BoundsRect(), Rect(6, 6, 194, 94));
  auto* g = Make<TGroupBox>(f, 0, 120, 200, 100);
  g->SetCaption("Group");
  auto* gc = new TBox(f, g);
  gc->SetAlign(alClient);
  EXPECT_GT(gc->Top(), 8);
  EXPECT_LT(gc->BoundsRect().Bottom, 100);
  f->Free();
}

TEST_F(StdCtrlsTest, SplitterResizesTheControlBeforeIt) {
  TForm* f = NewForm(400, 300);
  auto* left = new TBox(f, f);
  left->SetBounds(0, 0, 100, 300);
  left->SetAlign(alLeft);
  auto* sp = new TSplitter(f);
  sp->SetLeft(100);
  sp->SetParent(f);
  sp->SetAlign(alLeft);
  auto* rest = new TBox(f, f);
  rest->SetAlign(alClient);
  int moved = 0;
  sp->OnMoved = [&](TObject*) { ++moved; };
  f->Show();
  Pump();
  ASSERT_EQ(sp->Left(), 100);
  EXPECT_EQ(sp->FindControl(), left);
  InjectMouseMove(sp->ClientToScreen(TPoint{1, 50}));
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  InjectMouseMove(sp->ClientToScreen(TPoint{41, 50}));
  Pump();
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(left->Width(), 140);
  EXPECT_EQ(sp->Left(), 140);
  EXPECT_EQ(rest->Left(), 143);
  EXPECT_EQ(moved, 1);
  // Not beyond MinSize of the rest.
  sp->SetMinSize(50);
  InjectMouseMove(sp->ClientToScreen(TPoint{1, 50}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseMove(sp->ClientToScreen(TPoint{400, 50}));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(left->Width(), 400 - 3 - 50);
  f->Free();
}

// ---- Track bar, up-down, progress bar, speed buttons

TEST_F(StdCtrlsTest, TrackBarRangeTicksAndInput) {
  TForm* f = NewForm();
  auto* tb = Make<TTrackBar>(f, 10, 10, 220, 45);
  tb->SetMax(20);
  tb->SetFrequency(5);
  EXPECT_EQ(tb->Ticks(), (std::vector<int32_t>{0, 5, 10, 15, 20}));
  tb->SetTickStyle(tsManual);
  tb->SetTick(7);
  tb->SetTick(30);  // outside: ignored
  EXPECT_EQ(tb->Ticks(), (std::vector<int32_t>{0, 7, 20}));
  std::vector<int32_t> seen;
  tb->OnChange = [&](TObject*) { seen.push_back(tb->Position()); };
  f->Show();
  tb->SetFocus();
  Pump();
  Key(VK_RIGHT);
  Key(VK_NEXT);
  Key(VK_END);
  Key(VK_RIGHT);  // at the end: nothing
  EXPECT_EQ(seen, (std::vector<int32_t>{1, 3, 20}));
  // Dragging the thumb to the pixel of 10.
  int32_t y = 10;
  int32_t x20 = tb->PositionToPixel(20), x10 = tb->PositionToPixel(10);
  InjectMouseMove(tb->ClientToScreen(TPoint{x20, y + 5}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseMove(tb->ClientToScreen(TPoint{x10, y + 5}));
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
  EXPECT_EQ(tb->Position(), 10);
  tb->SetMax(5);
  EXPECT_EQ(tb->Position(), 5);
  f->Free();
}

TEST_F(StdCtrlsTest, UpDownWithAssociate) {
  TForm* f = NewForm();
  auto* e = Make<TEdit>(f, 10, 10, 80, 21);
  auto* ud = new TUpDown(f);
  ud->SetMin(0);
  ud->SetMax(1500);
  ud->SetIncrement(500);
  ud->SetAssociate(e);
  EXPECT_EQ(ud->Parent(), f);
  EXPECT_EQ(ud->Left(), 90);
  EXPECT_EQ(ud->Height(), 21);
  EXPECT_EQ(e->Text(), "0");
  f->Show();
  Pump();
  Click(ud, 5, 3);  // the upper arrow
  Click(ud, 5, 3);
  Click(ud, 5, 3);
  EXPECT_EQ(ud->Position(), 1500);
  EXPECT_EQ(e->Text(), "1,500");
  Click(ud, 5, 3);  // at the top, no wrap
  EXPECT_EQ(ud->Position(), 1500);
  Click(ud, 5, 18);
  EXPECT_EQ(ud->Position(), 1000);
  // The arrow keys in the edit step too.
  e->SetFocus();
  Key(VK_DOWN);
  EXPECT_EQ(ud->Position(), 500);
  ud->SetWrap(true);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(ud->Position(), 1500);
  // Freeing the associate leaves the up-down working.
  e->Free();
  EXPECT_EQ(ud->Associate(), nullptr);
  ud->SetPosition(3);
  f->Free();
}

TEST_F(StdCtrlsTest, ProgressBarPaintsItsShare) {
  TForm* f = NewForm();
  auto* pb = Make<TProgressBar>(f, 10, 10, 202, 20);
  pb->SetSmooth(true);
  pb->SetPosition(150);
  EXPECT_EQ(pb->Position(), 100);
  pb->SetPosition(50);
  f->Show();
  Pump();
  Surface s = CopyWindowPixels(pb->Handle());
  uint32_t highlight = ColorRefToPixel(ColorToRGB(clHighlight)) & 0xFFFFFF;
  EXPECT_EQ(s.Get(20, 10) & 0xFFFFFF, highlight);
  EXPECT_NE(s.Get(180, 10) & 0xFFFFFF, highlight);
  pb->StepBy(60);
  EXPECT_EQ(pb->Position(), 100);
  f->Free();
}

TEST_F(StdCtrlsTest, SpeedButtonGroups) {
  TForm* f = NewForm();
  auto* a = Make<TSpeedButton>(f, 10, 10, 23, 22);
  auto* b = Make<TSpeedButton>(f, 40, 10, 23, 22);
  auto* lone = Make<TSpeedButton>(f, 70, 10, 23, 22);
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  lone->SetGroupIndex(2);
  lone->SetAllowAllUp(true);
  a->SetFlat(true);
  int clicks = 0;
  a->OnClick = [&](TObject*) { ++clicks; };
  f->Show();
  Pump();
  Click(a, 5, 5);
  EXPECT_TRUE(a->Down());
  Click(b, 5, 5);
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  Click(b, 5, 5);  // the down one of a group stays down
  EXPECT_TRUE(b->Down());
  Click(lone, 5, 5);
  EXPECT_TRUE(lone->Down());
  Click(lone, 5, 5);
  EXPECT_FALSE(lone->Down());
  EXPECT_EQ(clicks, 1);
  // Without a group there is no down state.
  auto* plain = Make<TSpeedButton>(f, 100, 10, 23, 22);
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down());
  EXPECT_TRUE(a->MouseInControl() == false);
  f->Free();
}

TEST_F(StdCtrlsTest, SpeedButtonGlyphPicksItsImage) {
  TForm* f = NewForm();
  f->Show();
  auto* b = Make<TSpeedButton>(f, 10, 10, 24, 24);
  // Two images side by side: up (red) and disabled (blue); the bottom row
  // has the colour of the bottom-left pixel, which is transparent.
  TBitmap glyph;
  glyph.SetWidth(32);
  glyph.SetHeight(16);
  glyph.Canvas()->Brush()->SetColor(clFuchsia);
  glyph.Canvas()->FillRect(Rect(0, 0, 32, 16));
  glyph.Canvas()->Brush()->SetColor(clRed);
  glyph.Canvas()->FillRect(Rect(0, 0, 16, 15));
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(Rect(16, 0, 32, 15));
  b->SetGlyph(&glyph);
  b->SetNumGlyphs(2);
  Pump();
  auto centre = [&] {
    Surface s = CopyWindowPixels(f->Handle());
    TPoint p = f->ScreenToClient(b->ClientToScreen(TPoint{12, 12}));
    TPoint o = f->ClientOrigin();
    TRect w;
    GetWindowRect(f->Handle(), w);
    return s.Get(p.X + o.X - w.Left, p.Y + o.Y - w.Top) & 0xFFFFFF;
  };
  EXPECT_EQ(centre(), ColorRefToPixel(ColorToRGB(clRed)) & 0xFFFFFF);
  b->SetEnabled(false);
  Pump();
  EXPECT_EQ(centre(), ColorRefToPixel(ColorToRGB(clBlue)) & 0xFFFFFF);
  f->Free();
}

TEST_F(StdCtrlsTest, PublishedPropertiesByName) {
  TForm* f = NewForm();
  auto* p = Make<TPanel>(f, 0, 0, 100, 50);
  SetProp(p, "BorderWidth", "6");
  SetProp(p, "BevelOuter", "bvNone");
  EXPECT_EQ(p->BorderWidth(), 6);
  EXPECT_EQ(p->BevelOuter(), bvNone);
  auto* c = Make<TCheckBox>(f, 0, 0, 100, 17);
  SetProp(c, "Checked", "True");
  EXPECT_TRUE(c->Checked());
  SetProp(c, "Caption", "Preview");
  SetProp(c, "Hint", "Show a preview");
  EXPECT_EQ(c->Caption(), "Preview");
  auto* tb = Make<TTrackBar>(f, 0, 0, 100, 30);
  SetProp(tb, "Max", "50");
  SetProp(tb, "Position", "40");
  EXPECT_EQ(tb->Position(), 40);
  auto* e = Make<TEdit>(f, 0, 0, 100, 21);
  SetProp(e, "Text", "abc");
  SetProp(e, "MaxLength", "2");
  EXPECT_EQ(GetProp(e, "Text"), "abc");
  SetProp(e, "PasswordChar", "#");
  EXPECT_EQ(e->DisplayText(), "###");
  // References by property: a sheet's page control, the active page, the associate.
  auto* pc = Make<TPageControl>(f, 0, 0, 200, 100);
  auto* s1 = new TTabSheet(f);
  auto* s2 = new TTabSheet(f);
  SetObjectProp(s1, GetPropInfo(s1, "PageControl"), pc);
  SetObjectProp(s2, GetPropInfo(s2, "PageControl"), pc);
  EXPECT_EQ(pc->PageCount(), 2);
  SetObjectProp(pc, GetPropInfo(pc, "ActivePage"), s2);
  EXPECT_EQ(pc->ActivePageIndex(), 1);
  auto* ud = new TUpDown(f);
  SetObjectProp(ud, GetPropInfo(ud, "Associate"), e);
  EXPECT_EQ(ud->Associate(), e);
  EXPECT_EQ(e->Text(), "0");
  f->Free();
}

// ---- Highlight of list entries

// The pixels of a row of a control's client area, taken from its window.
struct TRowPixels {
  int32_t Highlight = 0;  // pixels of the highlight colour
  int32_t Dark = 0;       // near-black pixels (text in the window text colour)
  int32_t Light = 0;      // near-white pixels (text in the highlight text colour)
};

TRowPixels RowPixels(TControl* c, const TRect& row) {
  HWND h = static_cast<TWinControl*>(c)->Handle();
  Surface s = CopyWindowPixels(h);
  TRect wr;
  GetWindowRect(h, wr);
  TPoint origin{0, 0};
  ClientToScreen(h, origin);
  COLORREF hl = ColorToRGB(clHighlight);
  uint32_t hlRgb = ((hl & 0xFF) << 16) | (hl & 0xFF00) | ((hl >> 16) & 0xFF);
  TRowPixels p;
  for (int32_t y = row.Top; y < row.Bottom; ++y)
    for (int32_t x = row.Left; x < row.Right; ++x) {
      uint32_t v = s.Get(origin.X - wr.Left + x, origin.Y - wr.Top + y) & 0xFFFFFF;
      int32_t lum = (int32_t(v >> 16) + int32_t((v >> 8) & 0xFF) + int32_t(v & 0xFF)) / 3;
      if (v == hlRgb) ++p.Highlight;
      if (lum < 40) ++p.Dark;
      if (lum > 230) ++p.Light;
    }
  return p;
}

// Clicking an entry highlights it alone: the entries below keep the window
// colour and dark text, the chosen one shows light text on the highlight.
TEST_F(StdCtrlsTest, OnlyTheChosenEntryOfAListIsHighlighted) {
  struct TCase {
    const char* Name;
    bool Combo;
  };
  const TCase cases[] = {{"list view (also the file dialog's lists)", false}, {"combo box drop-down", true}};
  for (const TCase& tc : cases) {
    SCOPED_TRACE(tc.Name);
    TForm* f = NewForm();
    TControl* list = nullptr;
    std::function<TRect(int32_t)> rowOf;
    if (!tc.Combo) {
      auto* lv = Make<TListView>(f, 10, 10, 300, 200);
      lv->SetViewStyle(vsList);
      lv->SetHideSelection(false);
      for (int i = 0; i < 6; ++i) lv->Items()->Add()->SetCaption("Entry number " + std::to_string(i));
      f->Show();
      Pump();
      TRect r2 = lv->ItemRect(2);
      Click(lv, r2.Left + 8, r2.Top + 3);
      ASSERT_EQ(lv->ItemIndex(), 2);
      list = lv;
      rowOf = [lv](int32_t i) {
        TRect r = lv->ItemRect(i);
        r.Right = r.Left + 100;
        return r;
      };
    } else {
      auto* c = Make<TComboBox>(f, 10, 10, 200, 21);
      c->SetStyle(csDropDownList);
      for (int i = 0; i < 6; ++i) c->Items()->Add("Entry number " + std::to_string(i));
      f->Show();
      Pump();
      Click(c, 20, 10);
      ASSERT_TRUE(c->DroppedDown());
      TComboListBox* lb = c->ListBox();
      int32_t h = lb->ItemHeight();
      MoveTo(lb, 10, 2 * h + h / 2);
      ASSERT_EQ(lb->HotIndex(), 2);
      list = lb;
      rowOf = [lb, h](int32_t i) { return Rect(0, i * h, 100, (i + 1) * h); };
    }
    TRowPixels chosen = RowPixels(list, rowOf(2));
    EXPECT_GT(chosen.Highlight, 0);
    EXPECT_GT(chosen.Light, 0);
    EXPECT_EQ(chosen.Dark, 0) << "the chosen entry's text is drawn in the window text colour";
    for (int32_t i : {0, 1, 3, 4, 5}) {
      TRowPixels other = RowPixels(list, rowOf(i));
      EXPECT_EQ(other.Highlight, 0) << "entry " << i;
      EXPECT_GT(other.Dark, 0) << "entry " << i;
    }
    f->Free();
    Pump();
  }
}

// A drop-down list is as wide as its widest entry (the file-type lists of
// the file dialogs hold long entries in narrow boxes), and stays on the
// screen.
TEST_F(StdCtrlsTest, ADropDownListShowsItsWidestEntryWhole) {
  TForm* f = NewForm();
  auto* c = Make<TComboBox>(f, 10, 10, 90, 21);
  c->SetStyle(csDropDownList);
  const std::string longest = "Portable Network Graphics (*.png;*.apng)";
  c->Items()->Add("BMP");
  c->Items()->Add(longest);
  f->Show();
  Pump();
  Click(c, 20, 10);
  ASSERT_TRUE(c->DroppedDown());
  TComboListBox* list = c->ListBox();
  MatchCanvasFont(list->Canvas(), c->Font());
  EXPECT_GE(list->ClientWidth(), list->Canvas()->TextWidth(longest) + 4);
  TRect r;
  GetWindowRect(list->Handle(), r);
  EXPECT_LE(r.Right, GetSystemMetrics(SM_CXSCREEN));
  Click(f, 350, 250);
  f->Free();
}

}  // namespace
