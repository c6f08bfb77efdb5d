// Themed standalone controls: the shared hover timer, pressing, smart
// focus, text objects, the push button (modal result, groups, repeating,
// drop-down menus, keyboard) and the check box (states, OnChange, glyph).

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/TTBKButton.h"
#include "toolbar/TTBKCheckBox.h"
#include "toolbar/TTBKDefaultTheme.h"
#include "ui/TBitmap.h"
#include "ui/TEdit.h"
#include "ui/TImageList.h"
#include "ui/TPanel.h"
#include "ui/TTimer.h"

namespace {

class ThemedControlsTest : public ToolbarTest {
 protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(0, 0, 400, 300);
  }
  template <typename T>
  T* Make(int32_t X, int32_t Y, const std::string& Caption, TWinControl* Parent = nullptr) {
    auto* c = new T(form);
    c->SetParent(Parent ? Parent : form);
    c->SetBounds(X, Y, 75, 25);
    c->SetCaption(Caption);
    return c;
  }
  void ShowForm() {
    form->Show();
    Pump();
  }
  void MoveTo(TControl* C, int32_t X, int32_t Y) {
    InjectMouseMove(C->ClientToScreen(TPoint{X, Y}));
    Pump();
  }
  void Press(TControl* C, int32_t X, int32_t Y) {
    MoveTo(C, X, Y);
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
  }
  void Release() {
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }
  void Wait(DWORD Ms) {
    for (DWORD t = 0; t < Ms; t += 5) {
      HeadlessAdvanceClock(5);
      Pump();
    }
  }
  void Key(int32_t Vk) {
    InjectKey(Vk, true);
    InjectKey(Vk, false);
    Pump();
  }
  TForm* form = nullptr;
};

// ---- Hot state and focus

TEST_F(ThemedControlsTest, TheHotStatePassesStraightFromOneButtonToTheNext) {
  auto* a = Make<TTBKButton>(10, 10, "A");
  auto* b = Make<TTBKButton>(90, 10, "B");
  std::vector<std::string> events;
  a->OnMouseEnter = [&](TObject*) { events.push_back("enter A"); };
  a->OnMouseLeave = [&](TObject*) { events.push_back("leave A"); };
  b->OnMouseEnter = [&](TObject*) { events.push_back("enter B"); };
  b->OnMouseLeave = [&](TObject*) { events.push_back("leave B"); };
  ShowForm();
  MoveTo(a, 5, 5);
  MoveTo(a, 10, 6);
  EXPECT_TRUE(a->MouseInControl());
  EXPECT_EQ(TTBKPanelObject::HoveredPanelObject(), a);
  EXPECT_TRUE(TTBKPanelObject::HoverTimer()->Enabled());
  MoveTo(b, 5, 5);
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_TRUE(b->MouseInControl());
  EXPECT_EQ(events, (std::vector<std::string>{"enter A", "leave A", "enter B"}));
}

TEST_F(ThemedControlsTest, LeavingWithoutAMoveOverTheControlEndsTheHotStateWithinATick) {
  auto* a = Make<TTBKButton>(10, 10, "A");
  int leaves = 0;
  a->OnMouseLeave = [&](TObject*) { ++leaves; };
  ShowForm();
  MoveTo(a, 5, 5);
  ASSERT_TRUE(a->MouseInControl());
  // The pointer jumps away; the button sees no move.
  SetCursorPos(300, 250);
  Wait(100);
  EXPECT_TRUE(a->MouseInControl());
  Wait(30);
  EXPECT_FALSE(a->MouseInControl());
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(TTBKPanelObject::HoveredPanelObject(), nullptr);
  EXPECT_FALSE(TTBKPanelObject::HoverTimer()->Enabled());
}

TEST_F(ThemedControlsTest, DisablingAHotControlEndsItsHotState) {
  auto* box = Make<TTBKCheckBox>(10, 10, "Box");
  int leaves = 0;
  box->OnMouseLeave = [&](TObject*) { ++leaves; };
  ShowForm();
  MoveTo(box, 5, 5);
  ASSERT_TRUE(box->MouseInControl());
  box->SetEnabled(false);
  EXPECT_FALSE(box->MouseInControl());
  EXPECT_EQ(leaves, 1);
  EXPECT_EQ(TTBKPanelObject::HoveredPanelObject(), nullptr);
}

TEST_F(ThemedControlsTest, SmartFocusLeavesTheFocusInAnotherPanel) {
  auto* left = new TPanel(form);
  left->SetParent(form);
  left->SetBounds(0, 0, 190, 200);
  auto* right = new TPanel(form);
  right->SetParent(form);
  right->SetBounds(200, 0, 190, 200);
  auto* edit = new TEdit(form);
  edit->SetParent(left);
  edit->SetBounds(10, 10, 100, 21);
  auto* smart = Make<TTBKButton>(10, 10, "Smart", right);
  auto* plain = Make<TTBKButton>(10, 50, "Plain", right);
  plain->SetSmartFocus(false);
  int clicks = 0;
  smart->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();
  edit->SetFocus();
  Press(smart, 20, 10);
  Release();
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(edit->Focused()) << "the focus stays in the other panel";
  Press(plain, 20, 10);
  Release();
  EXPECT_TRUE(plain->Focused());
  // Within the panel that holds the focus, a click does move it.
  Press(smart, 20, 10);
  Release();
  EXPECT_TRUE(smart->Focused());
  EXPECT_FALSE(smart->FocusByMouse());
}

// ---- Text objects

TEST_F(ThemedControlsTest, AnEmptyCaptionStillMeasuresOneLine) {
  auto* empty = Make<TTBKTextObject>(10, 10, "");
  auto* text = Make<TTBKTextObject>(10, 50, "Line");
  ShowForm();
  EXPECT_GT(text->Height(), 0);
  EXPECT_EQ(empty->Height(), text->Height());
  text->Margins()->SetTop(3);
  text->Margins()->SetBottom(2);
  EXPECT_EQ(text->Height(), empty->Height() + 5);
  text->SetAutoSize(false);
  text->SetHeight(40);
  EXPECT_EQ(text->Height(), 40);
}

TEST_F(ThemedControlsTest, ADisabledTextObjectDrawsItsCaptionEmbossed) {
  auto* text = Make<TTBKTextObject>(10, 10, "IIII");
  text->SetEnabled(false);
  ShowForm();
  TBitmap bmp;
  bmp.SetPixelFormat(pf24bit);
  bmp.SetSize(text->Width(), text->Height());
  text->PaintTo(bmp.Canvas()->Handle(), 0, 0);
  // Text edges are smoothed: compare with a little tolerance.
  auto near = [](TColor a, TColor b) {
    for (int shift = 0; shift < 24; shift += 8)
      if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 8) return false;
    return true;
  };
  const TColor shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight);
  int embossed = 0, shadows = 0;
  for (int32_t y = 0; y + 1 < text->Height(); ++y)
    for (int32_t x = 0; x + 1 < text->Width(); ++x)
      if (near(ColorToRGB(bmp.Canvas()->Pixels(x, y)), shadow)) {
        ++shadows;
        if (near(ColorToRGB(bmp.Canvas()->Pixels(x + 1, y + 1)), light)) ++embossed;
      }
  EXPECT_GT(shadows, 0);
  EXPECT_GT(embossed, 0) << "a highlight one pixel right and down of the shadow";
}

// ---- Buttons

TEST_F(ThemedControlsTest, AButtonGivesItsFormTheModalResultBeforeOnClick) {
  auto* b = Make<TTBKButton>(10, 10, "&Cancel");
  b->SetModalResult(mrCancel);
  TModalResult seen = mrNone;
  b->OnClick = [&](TObject*) { seen = form->ModalResult(); };
  ShowForm();
  Press(b, 20, 10);
  EXPECT_EQ(seen, mrNone) << "the click comes with the release";
  Release();
  EXPECT_EQ(seen, mrCancel);
}

TEST_F(ThemedControlsTest, TheKeyboardClicksButtons) {
  auto* ok = Make<TTBKButton>(10, 10, "&OK");
  auto* other = Make<TTBKButton>(90, 10, "Other");
  int oks = 0, others = 0;
  ok->OnClick = [&](TObject*) { ++oks; };
  other->OnClick = [&](TObject*) { ++others; };
  ShowForm();
  other->SetFocus();
  InjectKey(VK_SPACE, true);
  Pump();
  EXPECT_TRUE(other->Pushed());
  EXPECT_EQ(others, 0);
  InjectKey(VK_SPACE, false);
  Pump();
  EXPECT_FALSE(other->Pushed());
  EXPECT_EQ(others, 1);
  Key(VK_RETURN);
  EXPECT_EQ(others, 2) << "Enter clicks the focused button";
  EXPECT_EQ(oks, 0);
  EXPECT_EQ(ok->Perform(CM_DIALOGCHAR, 'o'), 1);
  EXPECT_EQ(oks, 1) << "the accelerator";
  ok->SetShowAccelChar(false);
  EXPECT_EQ(ok->Perform(CM_DIALOGCHAR, 'o'), 0);
  ok->SetShowAccelChar(true);
  ok->SetEnabled(false);
  EXPECT_EQ(ok->Perform(CM_DIALOGCHAR, 'o'), 0);
  EXPECT_EQ(oks, 1);
}

TEST_F(ThemedControlsTest, ARepeatingButtonClicksAtThePressThenAfterTheDelayThenEveryInterval) {
  auto* b = Make<TTBKButton>(10, 10, "+");
  b->SetRepeating(true);
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();
  Press(b, 20, 10);
  EXPECT_EQ(clicks, 1);
  Wait(395);
  EXPECT_EQ(clicks, 1);
  Wait(10);
  EXPECT_EQ(clicks, 2);
  Wait(600);
  EXPECT_EQ(clicks, 8) << "400 ms, then every 100 ms up to one second";
  // Outside the button the clicks pause; back inside they go on.
  MoveTo(b, 200, 10);
  Wait(300);
  EXPECT_EQ(clicks, 8);
  MoveTo(b, 20, 10);
  Wait(105);
  EXPECT_GE(clicks, 9);
  const int held = clicks;
  Release();
  EXPECT_EQ(clicks, held) << "the release adds no click";
  EXPECT_EQ(b->RepeatTimer(), nullptr);
  Wait(300);
  EXPECT_EQ(clicks, held);
}

TEST_F(ThemedControlsTest, GroupedButtonsKeepOneChecked) {
  auto* a = Make<TTBKButton>(10, 10, "A");
  auto* b = Make<TTBKButton>(90, 10, "B");
  auto* loose = Make<TTBKButton>(170, 10, "C");
  a->SetGroupIndex(1);
  b->SetGroupIndex(1);
  ShowForm();
  loose->SetChecked(true);
  EXPECT_FALSE(loose->Checked()) << "without a group a button cannot be checked";
  a->SetChecked(true);
  EXPECT_TRUE(a->Checked());
  Press(a, 20, 10);
  Release();
  EXPECT_TRUE(a->Checked()) << "clicking the checked one keeps it checked";
  Press(b, 20, 10);
  Release();
  EXPECT_TRUE(b->Checked());
  EXPECT_FALSE(a->Checked());
  b->SetAllowAllUnchecked(true);
  EXPECT_TRUE(a->AllowAllUnchecked()) << "the group shares the setting";
  Press(b, 20, 10);
  Release();
  EXPECT_FALSE(b->Checked());
  EXPECT_FALSE(a->Checked());
}

TEST_F(ThemedControlsTest, ButtonMeasures) {
  auto* b = Make<TTBKButton>(10, 10, "");
  ShowForm();
  EXPECT_EQ(b->Height(), 16) << "no caption, no images";
  b->SetBorderSize(10);
  EXPECT_EQ(b->Height(), 20);
  b->SetBorderSize(4);
  b->SetCaption("OK");
  auto* text = Make<TTBKTextObject>(10, 50, "OK");
  EXPECT_EQ(b->Height(), text->Height() + 8);
}

// The default theme, noting what a button asks it to draw.
class TButtonRecorder : public TTBKDefaultTheme {
 public:
  TButtonRecorder() : TTBKDefaultTheme("Recorder") {}
  std::vector<std::pair<TRect, TTBKItemPaintInfo>> Faces;
  std::vector<std::pair<TRect, UINT>> Texts;
  std::vector<TRect> Glyphs, Arrows;
  void DrawButtonFace(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& Info) override {
    Faces.emplace_back(R, Info);
    TTBKDefaultTheme::DrawButtonFace(Canvas, R, Info);
  }
  void DrawItemText(TCanvas* Canvas, TRect R, const TTBKItemPaintInfo& Info, const std::string& Caption, UINT Format,
                    bool Rotated) override {
    Texts.emplace_back(R, Format);
    TTBKDefaultTheme::DrawItemText(Canvas, R, Info, Caption, Format, Rotated);
  }
  void DrawGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Index,
                 const TTBKItemPaintInfo& Info) override {
    Glyphs.push_back(R);
    TTBKDefaultTheme::DrawGlyph(Canvas, R, Images, Index, Info);
  }
  void DrawDropDownArrow(TCanvas* Canvas, const TRect& R, const TTBKItemPaintInfo& Info) override {
    Arrows.push_back(R);
    TTBKDefaultTheme::DrawDropDownArrow(Canvas, R, Info);
  }
};

TButtonRecorder PaintButton(TControl* Button) {
  TButtonRecorder theme;
  TTBKTheme* saved = CurrentTheme;
  CurrentTheme = &theme;
  Button->Repaint();
  CurrentTheme = saved;
  return theme;
}

TEST_F(ThemedControlsTest, AButtonPlacesItsImageAndCaptionByLayout) {
  auto* images = new TImageList(form);
  TBitmap pic;
  pic.SetSize(16, 16);
  images->Add(&pic, nullptr);
  auto* b = Make<TTBKButton>(10, 10, "Open");
  b->SetImages(images);
  b->SetAutoSize(false);
  b->SetBounds(10, 10, 120, 60);
  ShowForm();
  // Inside the face the content area is the client less BorderSize (4).
  const TRect inner{4, 4, 116, 56};
  {
    TButtonRecorder t = PaintButton(b);
    ASSERT_EQ(t.Faces.size(), 1u);
    EXPECT_EQ(t.Faces[0].first, b->ClientRect());
    EXPECT_EQ(t.Faces[0].second.ViewKind, 0x1200u);
    EXPECT_EQ(t.Faces[0].second.Options, 0x21u);
    ASSERT_EQ(t.Glyphs.size(), 1u);
    ASSERT_EQ(t.Texts.size(), 1u);
    const TRect g = t.Glyphs[0], x = t.Texts[0].first;
    EXPECT_EQ(g.Top, (inner.Top + inner.Bottom - 16) / 2);
    EXPECT_EQ(x.Left, g.Right + 4) << "the caption follows the image";
    EXPECT_EQ(x.Right, inner.Right);
    TBitmap probe;
    probe.SetSize(8, 8);
    probe.Canvas()->SetFont(b->Font());
    const int32_t tw = probe.Canvas()->TextWidth("Open");
    EXPECT_EQ(g.Left, (inner.Left + inner.Right - (16 + 4 + tw)) / 2) << "image and caption centred together";
    EXPECT_EQ(t.Texts[0].second & (DT_CENTER | DT_RIGHT), 0u);
  }
  b->SetLayout(blGlyphTop);
  {
    TButtonRecorder t = PaintButton(b);
    ASSERT_EQ(t.Glyphs.size(), 1u);
    const TRect g = t.Glyphs[0], x = t.Texts[0].first;
    EXPECT_EQ(g.Left, (inner.Left + inner.Right - 16) / 2);
    EXPECT_EQ(x.Top, g.Bottom + 4) << "the caption below the image";
    EXPECT_EQ(g.Top, (inner.Top + inner.Bottom - (16 + 4 + x.Height())) / 2) << "the block centred vertically";
  }
  b->SetLayout(blGlyphRight);
  {
    TButtonRecorder t = PaintButton(b);
    const TRect g = t.Glyphs[0], x = t.Texts[0].first;
    EXPECT_EQ(g.Left, x.Right + 4) << "the image follows the caption";
    EXPECT_NE(t.Texts[0].second & DT_RIGHT, 0u);
  }
}

// A drop-down menu that notes where it popped up.
class TNoteMenu : public TTBKDropDownMenu {
 public:
  using TTBKDropDownMenu::TTBKDropDownMenu;
  std::vector<TPoint> Points;
  void Popup(int32_t X, int32_t Y) override { Points.push_back(TPoint{X, Y}); }
};

TEST_F(ThemedControlsTest, ADropDownButtonOpensItsMenuBelowItselfOnThePress) {
  auto* b = Make<TTBKButton>(10, 10, "Menu");
  auto* split = Make<TTBKButton>(100, 10, "Split");
  auto* menu = new TNoteMenu(form);
  b->SetDropDownMenu(menu);
  split->SetDropDownMenu(menu);
  split->SetDropDownCombo(true);
  int clicks = 0, splitClicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  split->OnClick = [&](TObject*) { ++splitClicks; };
  bool allow = true;
  b->OnDropDown = [&](TObject*, bool& Allow) { Allow = allow; };
  ShowForm();
  Press(b, 20, 10);
  ASSERT_EQ(menu->Points.size(), 1u);
  EXPECT_EQ(menu->Points[0], b->ClientToScreen(TPoint{0, b->Height()}));
  EXPECT_EQ(menu->PopupComponent(), b);
  EXPECT_FALSE(b->Pushed());
  Release();
  EXPECT_EQ(clicks, 0) << "the release of a drop-down press is no click";
  allow = false;
  Press(b, 20, 10);
  Release();
  EXPECT_EQ(menu->Points.size(), 1u);
  EXPECT_EQ(clicks, 1) << "a refused drop-down clicks";
  // A split button drops down only from its arrow part.
  const int32_t arrow = CurrentTheme->GetIntMetric(10);
  Press(split, 5, 10);
  Release();
  EXPECT_EQ(splitClicks, 1);
  EXPECT_EQ(menu->Points.size(), 1u);
  Press(split, split->Width() - arrow / 2, 10);
  Release();
  EXPECT_EQ(menu->Points.size(), 2u);
  EXPECT_EQ(splitClicks, 1);
  menu->Free();
  EXPECT_EQ(b->DropDownMenu(), nullptr);
}

TEST_F(ThemedControlsTest, AfterADropDownThePressesAimedAtTheButtonAreDropped) {
  auto* b = Make<TTBKButton>(10, 10, "Menu");
  auto* other = Make<TTBKButton>(100, 10, "Other");
  ShowForm();
  MoveTo(b, 20, 10);
  PostMessage(b->Handle(), WM_LBUTTONDOWN, 0, 0);
  PostMessage(b->Handle(), WM_LBUTTONUP, 0, 0);
  PostMessage(b->Handle(), WM_RBUTTONDBLCLK, 0, 0);
  const TPoint p = other->ClientToScreen(TPoint{20, 10});
  SetCursorPos(p.X, p.Y);
  PostMessage(other->Handle(), WM_LBUTTONDOWN, 0, 0);
  FlushPendingMouseMessages(b);
  std::vector<std::pair<HWND, UINT>> left;
  MSG msg;
  while (PeekMessage(msg, nullptr, WM_LBUTTONDOWN, WM_MBUTTONDBLCLK, PM_REMOVE))
    left.emplace_back(msg.hwnd, msg.message);
  EXPECT_EQ(left, (std::vector<std::pair<HWND, UINT>>{{b->Handle(), UINT(WM_LBUTTONUP)},
                                                      {other->Handle(), UINT(WM_LBUTTONDOWN)}}));
}

// ---- Check boxes

// Refuses grey and turns it into the current state.
class TNoGreyBox : public TTBKCheckBox {
 public:
  using TTBKCheckBox::TTBKCheckBox;
  bool CanChangeState(TCheckBoxState& NewState) override {
    if (NewState == cbGrayed) NewState = State();
    return true;
  }
};

TEST_F(ThemedControlsTest, CheckBoxStatesAndTheirChanges) {
  auto* box = Make<TTBKCheckBox>(10, 10, "Box");
  int changes = 0, clicks = 0;
  box->OnChange = [&](TObject*) { ++changes; };
  box->OnClick = [&](TObject*) { ++clicks; };
  ShowForm();
  box->SetState(cbGrayed);
  EXPECT_FALSE(box->Checked()) << "grey reads as unchecked";
  EXPECT_EQ(changes, 1);
  box->SetChecked(false);
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(changes, 2);
  box->SetState(cbUnchecked);
  EXPECT_EQ(changes, 2) << "the same state fires nothing";
  EXPECT_EQ(clicks, 0);
  box->SetAllowGrayed(true);
  std::vector<TCheckBoxState> seen;
  for (int i = 0; i < 3; ++i) {
    Press(box, 5, 8);
    Release();
    seen.push_back(box->State());
  }
  EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
  EXPECT_EQ(changes, 5);
  EXPECT_EQ(clicks, 3);
  // Space and the accelerator click too.
  box->SetFocus();
  Key(VK_SPACE);
  EXPECT_EQ(box->State(), cbGrayed);
  box->SetCaption("&Box");
  EXPECT_EQ(box->Perform(CM_DIALOGCHAR, 'b'), 1);
  EXPECT_EQ(box->State(), cbChecked);
  Key(VK_RETURN);
  EXPECT_EQ(box->State(), cbUnchecked) << "Enter clicks the focused box";
  Key(VK_RETURN);
  EXPECT_EQ(box->State(), cbGrayed);
  Key(VK_RETURN);
  EXPECT_EQ(box->State(), cbChecked);
  // The platform's click notice moves the state on without OnClick.
  const int before = clicks;
  box->Perform(CN_COMMAND, 0);
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(clicks, before);
}

TEST_F(ThemedControlsTest, AStateCheckThatKeepsTheStateFiresNothing) {
  auto* box = Make<TNoGreyBox>(10, 10, "Box");
  int changes = 0;
  box->OnChange = [&](TObject*) { ++changes; };
  box->SetState(cbGrayed);
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_EQ(changes, 0);
  box->SetState(cbChecked);
  EXPECT_EQ(changes, 1);
}

TEST_F(ThemedControlsTest, TheCheckGlyphShowsTheStateEvenWhenDisabled) {
  auto* box = Make<TTBKCheckBox>(10, 10, "Box");
  auto* edit = new TEdit(form);
  edit->SetParent(form);
  edit->SetBounds(10, 100, 100, 21);
  ShowForm();
  edit->SetFocus();
  struct Case {
    TCheckBoxState State;
    bool Enabled;
    uint32_t Flags;
  };
  const Case cases[] = {
      {cbUnchecked, true, 0x00}, {cbChecked, true, 0x01}, {cbGrayed, true, 0x02},
      {cbUnchecked, false, 0x04}, {cbChecked, false, 0x05}, {cbGrayed, false, 0x06},
  };
  for (const Case& c : cases) {
    box->SetEnabled(c.Enabled);
    box->SetState(c.State);
    EXPECT_EQ(box->GlyphStateFlags(), c.Flags) << int(c.State) << " " << c.Enabled;
  }
  box->SetEnabled(true);
  box->SetState(cbChecked);
  box->SetFocus();
  Press(box, 5, 8);
  EXPECT_EQ(box->GlyphStateFlags(), 0x01u | 0x08 | 0x10 | 0x20) << "hot, pressed and focused";
  Release();
  EXPECT_EQ(box->State(), cbUnchecked);
  EXPECT_GE(box->Height(), 17);
}

// Parents that paint their whole client themselves and so answer the erase
// message without painting: a white one, and a double-buffered gradient one.
class TSelfPaintedPanel : public TCustomControl {
 public:
  TSelfPaintedPanel(TComponent* AOwner, bool Gradient) : TCustomControl(AOwner), gradient_(Gradient) {
    SetDoubleBuffered(Gradient);
  }

 protected:
  void Paint() override {
    const TRect r = ClientRect();
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
      // White down to a light blue, as the pass-phrase panels are.
      const int32_t k = gradient_ ? y * 40 / std::max(1, r.Height()) : 0;
      Canvas()->Brush()->SetColor(TColor(RGB(255 - k, 255 - k / 2, 255)));
      Canvas()->FillRect(TRect{r.Left, y, r.Right, y + 1});
    }
  }
  void Dispatch(TMessage& Message) override {
    if (Message.Msg == WM_ERASEBKGND) {
      Message.Result = 1;  // the paint covers every pixel
      return;
    }
    TCustomControl::Dispatch(Message);
  }

 private:
  bool gradient_;
};

TEST_F(ThemedControlsTest, ACheckBoxOnASelfPaintedParentShowsItsCaptionOnTheParentsBackground) {
  for (bool gradient : {false, true}) {
    auto* panel = new TSelfPaintedPanel(form, gradient);
    panel->SetParent(form);
    panel->SetBounds(0, 0, 300, 80);
    auto* box = Make<TTBKCheckBox>(8, 30, "Use this password as default", panel);
    box->SetWidth(250);
    ShowForm();
    form->Repaint();
    Pump();
    // What the user sees: the window's pixels after a real paint.
    const Surface s = CopyWindowPixels(box->Handle());
    int light = 0, dark = 0, black = 0;
    for (int32_t y = 0; y < s.Height(); ++y)
      for (int32_t x = 20; x < s.Width(); ++x) {  // right of the glyph: the caption's area
        const uint32_t p = s.Get(x, y) & 0xFFFFFF;
        const int sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
        if (sum >= 3 * 200) ++light;
        else if (sum < 3 * 100) ++dark;
        if (p == 0) ++black;
      }
    const int all = s.Height() * (s.Width() - 20);
    EXPECT_GT(light, all * 3 / 4) << "the parent's light background behind the caption, gradient " << gradient;
    EXPECT_GT(dark, 30) << "the caption's dark letters, gradient " << gradient;
    EXPECT_LT(black, all / 4) << "no black bar, gradient " << gradient;
    panel->Free();
  }
}

}  // namespace
