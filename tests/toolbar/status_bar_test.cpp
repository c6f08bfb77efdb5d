// The themed status bar: panel layout (view and stretch priorities, size
// limits), theme parts, clicks, hints, the size grip and hosted controls.

#include <vector>

#include "platform/SysInfo.h"
#include "rtl/Exception.h"
#include "tests/toolbar/ToolbarTestSupport.h"
#include "toolbar/TTBKDefaultTheme.h"
#include "toolbar/TTBKStatusBar.h"
#include "ui/TBitmap.h"
#include "ui/TEdit.h"
#include "ui/TImageList.h"

namespace {

// The default theme, noting the status-bar parts it is asked to draw.
class TPartRecorder : public TTBKDefaultTheme {
 public:
  TPartRecorder() : TTBKDefaultTheme("Recorder") {}
  struct Part {
    TRect R;
    int32_t Code;
  };
  std::vector<Part> Parts;
  void DrawStatusBarPart(TCanvas* Canvas, const TRect& R, int32_t Code) override {
    Parts.push_back({R, Code});
    TTBKDefaultTheme::DrawStatusBarPart(Canvas, R, Code);
  }
  struct Text {
    TRect R;
    std::string Caption;
    UINT Format;
    TTBKItemPaintInfo Info;
    TColor Color;
  };
  std::vector<Text> Texts;
  void DrawItemText(TCanvas* Canvas, TRect R, const TTBKItemPaintInfo& Info, const std::string& Caption, UINT Format,
                    bool Rotated) override {
    Texts.push_back({R, Caption, Format, Info, Canvas->Font()->Color()});
    TTBKDefaultTheme::DrawItemText(Canvas, R, Info, Caption, Format, Rotated);
  }
  std::vector<TRect> Glyphs;
  void DrawGlyph(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, int32_t Index,
                 const TTBKItemPaintInfo& Info) override {
    Glyphs.push_back(R);
    TTBKDefaultTheme::DrawGlyph(Canvas, R, Images, Index, Info);
  }
};

// Paints Bar with Theme as the current theme.
void PaintWith(TPartRecorder& Theme, TControl* Bar) {
  TTBKTheme* saved = CurrentTheme;
  CurrentTheme = &Theme;
  Bar->Repaint();
  CurrentTheme = saved;
}

class StatusBarTest : public ToolbarTest {
 protected:
  void SetUp() override {
    ToolbarTest::SetUp();
    form = new TForm(Application);
    form->SetBounds(0, 0, 400, 200);
    bar = new TTBKStatusBar(form);
    bar->SetParent(form);
  }
  // Makes the bar's client width W.
  void Widen(int32_t W) {
    form->SetClientWidth(W);
    form->Show();
    Pump();
    ASSERT_EQ(bar->ClientWidth(), W);
  }
  TTBKStatusPanel* Add(int32_t Size, int32_t ViewPriority = 100, int32_t StretchPriority = 0,
                       int32_t MaxSize = 0) {
    TTBKStatusPanel* p = bar->Panels()->Add();
    p->SetSize(Size);
    p->SetViewPriority(ViewPriority);
    p->SetStretchPriority(StretchPriority);
    p->SetMaxSize(MaxSize);
    return p;
  }
  TForm* form = nullptr;
  TTBKStatusBar* bar = nullptr;
};

TEST_F(StatusBarTest, TheMainWindowsFourPanelsSitAtTheLeftWithPlainFrames) {
  for (int i = 0; i < 4; ++i) Add(70);
  Widen(1072);
  EXPECT_EQ(bar->Height(), 22);
  EXPECT_EQ(bar->Align(), alBottom);
  for (int i = 0; i < 4; ++i) {
    TTBKStatusPanel* p = bar->Panels()->PanelAt(i);
    EXPECT_EQ(p->BoundsRect(), (TRect{70 * i, 2, 70 * i + 70, 22})) << i;
    EXPECT_TRUE(p->Shown());
    EXPECT_FALSE(p->AtRightEdge());
  }
  TPartRecorder theme;
  TTBKTheme* saved = CurrentTheme;
  CurrentTheme = &theme;
  bar->Repaint();
  CurrentTheme = saved;
  ASSERT_EQ(theme.Parts.size(), 6u) << "background, four frames and the grip";
  EXPECT_EQ(theme.Parts[0].Code, 0);
  EXPECT_EQ(theme.Parts[0].R, bar->ClientRect());
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(theme.Parts[i].Code, 1);
  EXPECT_EQ(theme.Parts[5].Code, 3);
  EXPECT_EQ(theme.Parts[5].R, (TRect{1072 - GetSystemMetrics(SM_CXVSCROLL), 3, 1072, 22}));
}

TEST_F(StatusBarTest, CaptionsAndImagesSitInsideTheFrameByAlignment) {
  auto* images = new TImageList(form);
  TBitmap pic;
  pic.SetSize(16, 16);
  images->Add(&pic, nullptr);
  bar->SetImages(images);
  TTBKStatusPanel* plain = Add(70);
  plain->SetCaption("32");
  TTBKStatusPanel* right = Add(70);
  right->SetCaption("W: 640");
  right->SetAlignment(taRightJustify);
  right->SetTextTruncation(twEndEllipsis);
  right->SetFramed(false);
  right->SetEnabled(false);
  TTBKStatusPanel* pictured = Add(70);
  pictured->SetCaption("H");
  pictured->SetImageIndex(0);
  pictured->SetTextTruncation(twPathEllipsis);
  TTBKStatusPanel* centred = Add(70);
  centred->SetCaption("DPI");
  centred->SetAlignment(taCenter);
  centred->SetImageIndex(0);
  centred->SetEnabled(false);
  Widen(400);
  TPartRecorder theme;
  PaintWith(theme, bar);
  ASSERT_EQ(theme.Texts.size(), 4u);
  TTBKPartMargins m;
  theme.GetPartMargins(3, m);
  const UINT line = DT_SINGLELINE | DT_VCENTER;
  // Framed: inside the theme's margins, one more pixel each side.
  EXPECT_EQ(theme.Texts[0].R, (TRect{0 + m.LeftWidth + 1, 2 + m.TopHeight, 70 - m.RightWidth - 1, 22 - m.BottomHeight}));
  EXPECT_EQ(theme.Texts[0].Format, line);
  EXPECT_EQ(theme.Texts[0].Info.ViewKind, 0x10000u);
  EXPECT_TRUE(theme.Texts[0].Info.Enabled);
  EXPECT_EQ(theme.Texts[1].R, (TRect{71, 2, 139, 22})) << "unframed: the whole panel";
  EXPECT_EQ(theme.Texts[1].Format, line | DT_RIGHT | DT_END_ELLIPSIS);
  EXPECT_FALSE(theme.Texts[1].Info.Enabled);
  EXPECT_EQ(theme.Texts[1].Color, theme.GetItemForeColor(theme.Texts[1].Info));
  EXPECT_NE(theme.Texts[1].Color, theme.Texts[0].Color) << "disabled captions take the theme's disabled colour";
  // An image at the left pushes the caption right by its width and 4.
  EXPECT_EQ(theme.Texts[2].R.Left, 140 + m.LeftWidth + 1 + 16 + 4);
  EXPECT_EQ(theme.Texts[2].Format, line | DT_PATH_ELLIPSIS);
  // A centred image leaves the caption's rectangle alone; a disabled panel
  // draws its image through the theme.
  EXPECT_EQ(theme.Texts[3].R.Left, 210 + m.LeftWidth + 1);
  EXPECT_EQ(theme.Texts[3].Format, line | DT_CENTER);
  ASSERT_EQ(theme.Glyphs.size(), 1u);
  const int32_t l = 210 + m.LeftWidth + 1, r = 280 - m.RightWidth - 1;
  EXPECT_EQ(theme.Glyphs[0].Left, (l + r - 16) / 2);
  EXPECT_EQ(theme.Glyphs[0].Width(), 16);
}

TEST_F(StatusBarTest, ViewPriorityHidesPanelsThatDoNotFit) {
  TTBKStatusPanel* a = Add(300);
  TTBKStatusPanel* b = Add(300, 50);
  Widen(400);
  EXPECT_TRUE(a->Shown());
  EXPECT_EQ(a->BoundsRect(), (TRect{0, 2, 300, 22}));
  EXPECT_FALSE(b->Shown());
  EXPECT_EQ(b->BoundsRect(), (TRect{0, 0, 0, 0}));
  // Priority 0 is never shown, however wide the bar.
  b->SetViewPriority(0);
  Widen(900);
  EXPECT_FALSE(b->Shown());
}

TEST_F(StatusBarTest, ALonePanelTooWideForTheBarStaysShown) {
  TTBKStatusPanel* a = Add(500, 10);
  Widen(300);
  EXPECT_TRUE(a->Shown());
  EXPECT_EQ(a->BoundsRect(), (TRect{0, 2, 500, 22}));
}

TEST_F(StatusBarTest, SpareWidthGoesByStretchPriorityWithinMaxSize) {
  struct Case {
    int32_t SizeA, StretchA, MaxA, SizeB, StretchB, MaxB;
    int32_t WidthA, WidthB;
  };
  // Bar 400 wide; panels A then B.
  const Case cases[] = {
      {50, 80, 100, 150, 20, 0, 100, 300},  // A stops at its limit, B takes the rest
      {50, 10, 0, 50, 0, 0, 350, 50},       // no limit: A takes all
      {50, 0, 0, 50, 0, 0, 50, 50},         // nothing stretches
      {120, 50, 100, 50, 10, 0, 350, 50},   // A already past its limit is not held by it
      {50, 30, 80, 50, 60, 90, 80, 90},     // B is served first; both stop at their limits
  };
  for (const Case& c : cases) {
    bar->Panels()->Clear();
    TTBKStatusPanel* a = Add(c.SizeA, 100, c.StretchA, c.MaxA);
    TTBKStatusPanel* b = Add(c.SizeB, 100, c.StretchB, c.MaxB);
    Widen(400);
    EXPECT_EQ(a->LaidOutWidth(), c.WidthA) << c.SizeA << "/" << c.StretchA << "/" << c.MaxA;
    EXPECT_EQ(b->LaidOutWidth(), c.WidthB) << c.SizeB << "/" << c.StretchB << "/" << c.MaxB;
    EXPECT_EQ(b->BoundsRect().Left, a->BoundsRect().Right);
    EXPECT_EQ(b->AtRightEdge(), c.WidthA + c.WidthB == 400);
  }
}

TEST_F(StatusBarTest, ThePanelAtTheRightEdgeGetsTheRightEdgeFrame) {
  Add(50, 100, 10);
  Widen(300);
  EXPECT_TRUE(bar->Panels()->PanelAt(0)->AtRightEdge());
  TPartRecorder theme;
  TTBKTheme* saved = CurrentTheme;
  CurrentTheme = &theme;
  bar->Repaint();
  CurrentTheme = saved;
  ASSERT_GE(theme.Parts.size(), 2u);
  EXPECT_EQ(theme.Parts[1].Code, 2);
  EXPECT_EQ(theme.Parts[1].R, (TRect{0, 2, 300, 22}));
}

// Counts layouts.
class TCountingBar : public TTBKStatusBar {
 public:
  using TTBKStatusBar::TTBKStatusBar;
  int Layouts = 0;
  void LayoutPanels() override {
    ++Layouts;
    TTBKStatusBar::LayoutPanels();
  }
};

TEST_F(StatusBarTest, OnlyARealChangeLaysOutAgain) {
  auto* counting = new TCountingBar(form);
  counting->SetParent(form);
  TTBKStatusPanel* p = counting->Panels()->Add();
  form->Show();
  Pump();
  p->SetCaption("W: 640");
  const int before = counting->Layouts;
  p->SetCaption("W: 640");
  p->SetSize(p->Size());
  p->SetEnabled(true);
  p->SetImageIndex(3);  // no image list: nothing to show
  EXPECT_EQ(counting->Layouts, before);
  p->SetCaption("W: 800");
  EXPECT_EQ(counting->Layouts, before + 1);
  EXPECT_EQ(p->Caption(), "W: 800");
  // A theme change lays the panels out again (the theme's margins may differ).
  TMessage m{TBKM_SYSCHANGE, tbknEndChange, 0, 0};
  Nexus()->Dispatch(m);
  EXPECT_EQ(counting->Layouts, before + 2);
  EXPECT_THROW(counting->Panels()->PanelAt(1), EListError);
}

TEST_F(StatusBarTest, AClickOnAPanelReportsThePanelAfterTheClick) {
  Add(70);
  TTBKStatusPanel* second = Add(70);
  Widen(400);
  std::vector<std::string> events;
  bar->OnClick = [&](TObject*) { events.push_back("click"); };
  bar->OnPanelClick = [&](TObject*, TTBKStatusPanel* p) { events.push_back("panel " + std::to_string(p->Index())); };
  auto click = [&](int32_t x) {
    InjectMouseMove(bar->ClientToScreen(TPoint{x, 10}));
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  };
  click(100);
  EXPECT_EQ(events, (std::vector<std::string>{"click", "panel 1"}));
  events.clear();
  click(300);
  EXPECT_EQ(events, (std::vector<std::string>{"click"}));
  EXPECT_EQ(bar->PanelAtPoint(TPoint{140, 10}), nullptr) << "right edges are outside";
  EXPECT_EQ(bar->PanelAtPoint(TPoint{139, 10}), second);
}

TEST_F(StatusBarTest, APanelsHintHoldsWhileThePointerStaysInThePanel) {
  Add(70)->SetHint("bits per pixel");
  Add(70);
  Widen(400);
  THintInfo info;
  info.HintStr = "bar";
  info.CursorPos = TPoint{20, 10};
  bar->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintStr, "bits per pixel");
  EXPECT_EQ(info.CursorRect, (TRect{0, 2, 70, 22}));
  THintInfo outside;
  outside.HintStr = "bar";
  outside.CursorPos = TPoint{300, 10};
  bar->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&outside));
  EXPECT_EQ(outside.HintStr, "bar") << "no panel there: unchanged";
}

TEST_F(StatusBarTest, TheGripSizesTheFormOnlyInTheNormalState) {
  Add(70);
  Widen(400);
  auto hit = [&](int32_t x, int32_t y) {
    TPoint s = bar->ClientToScreen(TPoint{x, y});
    return bar->Perform(WM_NCHITTEST, 0, MAKELPARAM(s.X, s.Y));
  };
  EXPECT_EQ(hit(395, 15), HTBOTTOMRIGHT);
  EXPECT_EQ(hit(100, 15), HTCLIENT);
  bar->SetSizeGrip(false);
  EXPECT_EQ(hit(395, 15), HTCLIENT);
  bar->SetSizeGrip(true);
  form->SetWindowState(wsMaximized);
  Pump();
  EXPECT_FALSE(bar->GripShowing());
  TPoint corner{bar->ClientWidth() - 2, bar->ClientHeight() - 2};
  EXPECT_EQ(hit(corner.X, corner.Y), HTCLIENT);
}

TEST_F(StatusBarTest, CopyingPanelsKeepsWhatTheyShow) {
  auto* edit = new TEdit(form);
  edit->SetName("edZoom");
  TTBKStatusPanel* src = Add(90, 60, 20, 120);
  src->SetCaption("W: 640");
  src->SetAlignment(taCenter);
  src->SetHint("width");
  src->SetFramed(false);
  src->SetEnabled(false);
  src->SetTextTruncation(twEndEllipsis);
  src->SetTag(7);
  src->FontSettings()->SetBold(tsTrue);
  src->SetControl(edit);
  auto* other = new TTBKStatusBar(form);
  other->SetParent(form);
  other->SetPanels(bar->Panels());
  ASSERT_EQ(other->Panels()->Count(), 1);
  TTBKStatusPanel* copy = other->Panels()->PanelAt(0);
  EXPECT_EQ(copy->Caption(), "W: 640");
  EXPECT_EQ(copy->Size(), 90);
  EXPECT_EQ(copy->ViewPriority(), 60);
  EXPECT_EQ(copy->StretchPriority(), 20);
  EXPECT_EQ(copy->MaxSize(), 120);
  EXPECT_EQ(copy->Alignment(), taCenter);
  EXPECT_EQ(copy->Hint(), "width");
  EXPECT_FALSE(copy->Framed());
  EXPECT_FALSE(copy->Enabled());
  EXPECT_EQ(copy->TextTruncation(), twEndEllipsis);
  EXPECT_EQ(copy->Tag(), 7);
  EXPECT_EQ(copy->FontSettings()->Bold(), tsTrue);
  EXPECT_EQ(copy->Control(), edit) << "found by name among the form's components";
  EXPECT_EQ(edit->Parent(), other);
  EXPECT_EQ(bar->Panels()->Count(), 0) << "the panel left with its control";
}

TEST_F(StatusBarTest, AHostedControlFillsItsPanelInsideTheFrame) {
  auto* edit = new TEdit(form);
  Add(70);
  TTBKStatusPanel* p = Add(100);
  Widen(400);
  p->SetControl(edit);
  EXPECT_EQ(edit->Parent(), bar);
  TTBKPartMargins m;
  CurrentTheme->GetPartMargins(3, m);
  EXPECT_EQ(edit->BoundsRect(), (TRect{70 + m.LeftWidth, 2 + m.TopHeight, 170 - m.RightWidth, 22 - m.BottomHeight}));
  EXPECT_EQ(bar->Panels()->FindControlPanel(edit), p);
  EXPECT_THROW(p->SetControl(form), EInvalidOperation);
  EXPECT_THROW(p->SetControl(bar), EInvalidOperation);
  // A control dropped on the bar gets a panel of its own; freeing it frees
  // the panel.
  auto* dropped = new TEdit(form);
  dropped->SetParent(bar);
  ASSERT_EQ(bar->Panels()->Count(), 3);
  EXPECT_EQ(bar->Panels()->PanelAt(2)->Control(), dropped);
  dropped->Free();
  EXPECT_EQ(bar->Panels()->Count(), 2);
  edit->Free();
  ASSERT_EQ(bar->Panels()->Count(), 1) << "a removed control takes its panel along";
  EXPECT_EQ(bar->Panels()->PanelAt(0)->Size(), 70);
}

}  // namespace
