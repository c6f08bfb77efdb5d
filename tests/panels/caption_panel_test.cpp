// The caption panel on the headless window system: the body and caption bar
// as the pass-phrase dialog sets them up, collapse and expand by the caption
// button (at once and animated), the close button, anchors, auto size, and
// the faults mended: the animation meeting a panel that goes, and the body
// colour after an animated collapse.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "panels/TUxPanel.h"
#include "tests/panels/MarkupTestSupport.h"
#include "tests/panels/PanelsTestSupport.h"
#include "rtl/TypInfo.h"
#include "ui/TCheckBox.h"

namespace {

class CaptionPanel : public PanelsTest {
 protected:
  void SetUp() override {
    PanelsTest::SetUp();
    form->Show();
    Pump();
  }
  // A panel set up as the pass-phrase dialog sets up its two panels.
  TUxPanel* DialogPanel(const char* Name, int32_t Top, int32_t Height) {
    auto* p = new TUxPanel(form);
    p->SetName(Name);
    p->SetParent(host);
    p->SetBevelOuter(bvRaised);
    p->SetBevelWidth(1);
    p->SetBorderWidth(0);
    p->SetBounds(0, Top, 392, Height);
    return p;
  }
  TUxPanel* OptionsPanel() {
    TUxPanel* p = DialogPanel("Lower", 121, 68);
    TPanelCaption* c = p->Caption();
    c->SetVisible(true);
    c->SetText("Options");
    c->Font()->SetName("MS Sans Serif");
    c->Font()->SetHeight(-11);
    c->SetMinMaxButton(true);
    for (int i = 0; i < 2; ++i) {
      auto* cb = new TCheckBox(form);
      cb->SetParent(p);
      cb->SetBounds(16, 24 + 20 * i, 300, 17);
    }
    return p;
  }
};

TEST_F(CaptionPanel, UpperDialogPanelPaintsAGradientInsideARaisedBevel) {
  TUxPanel* p = DialogPanel("Upper", 0, 121);
  p->SetColor(clBtnFace);
  p->SetColorTo(clInfoBk);
  Snap(p);
  EXPECT_EQ(At(0, 0), Hex(clBtnHighlight));
  EXPECT_EQ(At(391, 120), Hex(clBtnShadow));
  EXPECT_EQ(At(200, 1), Hex(clBtnFace));
  // 64 bands top to bottom; the last row carries band 63.
  EXPECT_EQ(At(200, 119), Blend(Hex(clBtnFace), Hex(clInfoBk), 63, 64));
  EXPECT_EQ(At(200, 100), Blend(Hex(clBtnFace), Hex(clInfoBk), 53, 64));
}

TEST_F(CaptionPanel, CaptionButtonCollapsesAndExpandsTheOptionsPanel) {
  TUxPanel* p = OptionsPanel();
  int ends = 0, minimised = 0, maximised = 0;
  p->OnEndCollapsExpand = [&](TObject*) { ++ends; };
  p->OnMinimize = [&](TObject*) { ++minimised; };
  p->OnMaximize = [&](TObject*) { ++maximised; };
  Snap(p);
  // The bar inside the bevel, the white upward triangle at its right end.
  EXPECT_EQ(At(200, 10), Hex(clHighlight));
  EXPECT_EQ(At(1, 1), Hex(clHighlight));
  EXPECT_EQ(At(200, 19), Hex(clBtnFace)) << "the bar ends at the caption height less the bevels";
  EXPECT_EQ(At(384, 6), 0xFFFFFFu) << "tip up";
  EXPECT_EQ(At(384, 8), 0xFFFFFFu);
  EXPECT_EQ(At(384, 10), Hex(clHighlight));

  Click(p, 384, 8);
  EXPECT_TRUE(p->Collaps());
  EXPECT_EQ(p->Height(), 20);
  EXPECT_EQ(p->FullHeight(), 68);
  for (int32_t i = 0; i < p->ControlCount(); ++i) EXPECT_FALSE(p->Controls(i)->Visible());
  Snap(p);
  EXPECT_EQ(At(200, 10), Hex(clBtnFace)) << "the collapsed caption takes CloseColor";
  EXPECT_EQ(At(384, 9), 0xFFFFFFu) << "tip down";
  EXPECT_EQ(At(384, 6), 0xFFFFFFu);
  EXPECT_EQ(At(384, 4), Hex(clBtnFace));
  EXPECT_EQ(At(384, 11), Hex(clBtnFace));

  Click(p, 384, 8);
  EXPECT_FALSE(p->Collaps());
  EXPECT_EQ(p->Height(), 68);
  for (int32_t i = 0; i < p->ControlCount(); ++i) EXPECT_TRUE(p->Controls(i)->Visible());
  Snap(p);
  EXPECT_EQ(At(200, 10), Hex(clHighlight));
  EXPECT_EQ(ends, 2);
  EXPECT_EQ(minimised, 1);
  EXPECT_EQ(maximised, 1);
}

TEST_F(CaptionPanel, CaptionSettings) {
  TPanelCaption c, d;
  c.SetShadeLight(100);
  EXPECT_EQ(c.ShadeLight(), 200);
  c.SetShadeLight(230);
  c.SetText("kept apart");
  c.SetColor(clRed);
  c.SetVisible(true);
  d.Assign(&c);
  EXPECT_EQ(d.ShadeLight(), 230);
  EXPECT_EQ(d.Color(), clRed);
  EXPECT_TRUE(d.Visible());
  EXPECT_EQ(d.Text(), "") << "the text is not copied";
}

TEST_F(CaptionPanel, MovedByItsCaptionAndSizedByItsGrip) {
  TUxPanel* p = DialogPanel("Movable", 100, 80);
  p->SetBounds(50, 100, 200, 80);
  p->Caption()->SetVisible(true);
  p->SetCanMove(true);
  p->SetCanSize(true);
  p->SetFixedTop(true);
  int ends = 0;
  p->OnEndMoveSize = [&](TObject*) { ++ends; };
  auto drag = [&](TPoint from, TPoint to) {
    InjectMouseMove(p->ClientToScreen(from));
    Pump();
    InjectMouseButton(VK_LBUTTON, true);
    InjectMouseMove(p->ClientToScreen(to));
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  };
  drag(TPoint{100, 10}, TPoint{130, 40});
  EXPECT_EQ(p->Left(), 80);
  EXPECT_EQ(p->Top(), 100) << "FixedTop holds the top";
  EXPECT_EQ(ends, 1);
  drag(TPoint{195, 75}, TPoint{215, 95});
  EXPECT_EQ(p->Width(), 220);
  EXPECT_EQ(p->Height(), 100);
  EXPECT_EQ(p->FullHeight(), 100);
  EXPECT_EQ(ends, 2);
}

TEST_F(CaptionPanel, CaptionHandleSeesThePointerRaisesThePanelAndShowsTheMoveCursor) {
  TUxPanel* p = DialogPanel("Handle", 100, 80);
  p->SetBounds(20, 20, 200, 80);
  p->Caption()->SetVisible(true);
  p->SetCanMove(true);
  p->SetShowMoveCursor(true);
  TUxPanel* q = DialogPanel("Sibling", 100, 80);
  q->SetBounds(120, 60, 200, 80);
  q->BringToFront();
  Pump();
  const TPoint overlap = p->ClientToScreen(TPoint{150, 60});
  ASSERT_EQ(WindowFromPoint(overlap), q->Handle());
  std::vector<TPoint> moves;
  p->OnMouseMove = [&](TObject*, TShiftState, int32_t X, int32_t Y) { moves.push_back(TPoint{X, Y}); };
  const HCURSOR sizeAll = LoadCursor(nullptr, IDC_SIZEALL);

  InjectMouseMove(p->ClientToScreen(TPoint{50, 8}));
  Pump();
  ASSERT_FALSE(moves.empty()) << "a move over the handle still reaches the panel";
  EXPECT_EQ(moves.back(), (TPoint{50, 8}));
  EXPECT_EQ(WindowFromPoint(overlap), p->Handle()) << "the panel came to the top";
  EXPECT_EQ(GetCursor(), sizeAll);

  InjectMouseMove(p->ClientToScreen(TPoint{50, 50}));
  Pump();
  EXPECT_EQ(moves.back(), (TPoint{50, 50}));
  EXPECT_NE(GetCursor(), sizeAll) << "off the handle the move cursor goes";

  p->SetShowMoveCursor(false);
  InjectMouseMove(p->ClientToScreen(TPoint{60, 8}));
  Pump();
  EXPECT_EQ(moves.back(), (TPoint{60, 8}));
  EXPECT_NE(GetCursor(), sizeAll);
}

TEST_F(CaptionPanel, PublishedSettingsForStoredForms) {
  TUxPanel* p = DialogPanel("Published", 0, 60);
  for (const char* name : {"AnchorHint", "AutoHideChildren", "Background", "BorderColor", "Caption", "Collaps",
                           "CollapsSteps", "ColorTo", "FullHeight", "Images", "PictureContainer", "Position",
                           "Styler", "TextVAlign", "URLColor", "Version"})
    EXPECT_NE(GetPropInfo(p, name), nullptr) << name;
  EXPECT_EQ(GetStrProp(p, GetPropInfo(p, "Version")), "1.5.0.0");
  EXPECT_NE(GetPropInfo(p->Caption(), "ShadeType"), nullptr);
  EXPECT_NE(GetPropInfo(p->Position(), "Location"), nullptr);
}

TEST_F(CaptionPanel, AnimatedCollapseTakesEqualStepsAndTheRestAtTheEnd) {
  TUxPanel* p = DialogPanel("Animated", 0, 123);
  p->Caption()->SetVisible(true);
  p->SetCollapsSteps(4);
  p->SetCollapsDelay(20);
  std::vector<int32_t> heights;
  p->OnResize = [&](TObject*) { heights.push_back(p->Height()); };
  const auto start = std::chrono::steady_clock::now();
  p->SetCollaps(true);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(heights, (std::vector<int32_t>{98, 73, 48, 23, 20}));
  EXPECT_GE(took, std::chrono::milliseconds(80));
  heights.clear();
  p->SetCollaps(false);
  EXPECT_EQ(heights, (std::vector<int32_t>{45, 70, 95, 120, 123}));
}

TEST_F(CaptionPanel, AnimationEndsWhenThePanelGoesMeanwhile) {
  TUxPanel* p = DialogPanel("Going", 0, 120);
  p->Caption()->SetVisible(true);
  p->SetCollapsSteps(5);
  p->SetCollapsDelay(1);
  int ends = 0;
  p->OnEndCollapsExpand = [&](TObject*) { ++ends; };
  // Freed by the first message the animation lets through.
  PostMessage(p->Handle(), CM_RELEASE, 0, 0);
  p->SetCollaps(true);
  EXPECT_EQ(form->FindComponent("Going"), nullptr);
  EXPECT_EQ(ends, 0) << "nothing of the panel is used once it went";
}

TEST_F(CaptionPanel, BodyColourComesBackOnExpandWhateverTheSteps) {
  TUxPanel* p = DialogPanel("Coloured", 0, 100);
  p->Caption()->SetVisible(true);
  p->SetColor(TColor(0x123456));
  p->SetCollapsSteps(2);
  p->SetCollapsDelay(0);
  p->SetCollaps(true);
  EXPECT_EQ(p->Color(), clGray) << "CollapsColor while the animation runs";
  p->SetCollapsSteps(0);
  p->SetCollaps(false);
  EXPECT_EQ(p->Color(), TColor(0x123456));
}

TEST_F(CaptionPanel, CloseButtonHidesOrFreesThePanel) {
  TUxPanel* p = OptionsPanel();
  p->Caption()->SetCloseButton(true);
  int closed = 0;
  p->OnClose = [&](TObject*) { ++closed; };
  Snap(p);
  EXPECT_EQ(At(384, 8), 0xFFFFFFu) << "the cross";
  EXPECT_EQ(At(372, 8), 0xFFFFFFu) << "the collapse button moved inwards";
  Click(p, 384, 8);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(p->Visible());
  EXPECT_NE(form->FindComponent("Lower"), nullptr) << "FreeOnClose is off";

  TUxPanel* q = DialogPanel("Freed", 0, 60);
  q->Caption()->SetVisible(true);
  q->Caption()->SetCloseButton(true);
  q->SetFreeOnClose(true);
  Pump();
  Click(q, 384, 8);
  Pump();
  EXPECT_EQ(form->FindComponent("Freed"), nullptr);
}

TEST_F(CaptionPanel, BorderColourNoneFramesTheBodyInItsColour) {
  TUxPanel* p = DialogPanel("Framed", 0, 60);
  p->SetBevelOuter(bvNone);
  p->SetColor(TColor(0x0000FF));
  p->SetColorTo(TColor(0xFF0000));
  p->SetBorderColor(clNone);
  Snap(p);
  EXPECT_EQ(At(0, 30), 0xFF0000u) << "the frame in the body colour";
  EXPECT_EQ(At(391, 59), 0xFF0000u);
  EXPECT_NE(At(200, 58), 0xFF0000u);
}

// The opener records what it was asked to open.
class PanelAnchors : public CaptionPanel {
 protected:
  void SetUp() override {
    CaptionPanel::SetUp();
    char tmpl[] = "/tmp/nobrivo-opener-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    log_ = dir_ + "/opened";
    const std::string script = dir_ + "/opener";
    std::ofstream(script) << "#!/bin/sh\necho \"$1\" >> '" << log_ << "'\n";
    chmod(script.c_str(), 0755);
    setenv("NOBRIVO_OPENER", script.c_str(), 1);
  }
  void TearDown() override {
    unsetenv("NOBRIVO_OPENER");
    std::system(("rm -rf '" + dir_ + "'").c_str());
    CaptionPanel::TearDown();
  }
  std::string Opened(int WaitMs) {
    for (int i = 0; i < WaitMs / 20; ++i) {
      std::ifstream in(log_);
      std::string s((std::istreambuf_iterator<char>(in)), {});
      if (!s.empty()) return s;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "";
  }
  void Press(TControl* c, int32_t x, int32_t y, int32_t vk) {
    InjectMouseMove(c->ClientToScreen(TPoint{x, y}));
    InjectMouseButton(vk, true);
    InjectMouseButton(vk, false);
    Pump();
  }
  std::string dir_, log_;
};

// Any button follows an anchor; only web and mail addresses reach the
// desktop's opener, every other reference goes to OnAnchorClick.
TEST_F(PanelAnchors, OnlyWebAndMailAddressesOpenAnyButtonFollows) {
  TUxPanel* p = DialogPanel("Linked", 0, 100);
  p->SetBevelOuter(bvNone);
  std::vector<std::string> clicked;
  p->OnAnchorClick = [&](TObject*, const std::string& a) { clicked.push_back(a); };
  struct {
    const char* Ref;
    int32_t Button;
    bool Opens;
    bool ToEvent;
  } cases[] = {
      {"https://example.org/a", VK_LBUTTON, true, false},
      {"mailto:someone@example.org", VK_RBUTTON, true, false},
      {"file:///etc/passwd", VK_LBUTTON, false, true},
      {"javascript://x", VK_MBUTTON, false, true},
      {"chapter2", VK_RBUTTON, false, true},
  };
  for (const auto& c : cases) {
    clicked.clear();
    std::remove(log_.c_str());
    p->SetText(std::string("<A href=\"") + c.Ref + "\">WWWWWWWW</A>");
    Press(p, 3, 4, c.Button);
    EXPECT_EQ(clicked.size(), c.ToEvent ? 1u : 0u) << c.Ref;
    const std::string opened = Opened(c.Opens ? 3000 : 200);
    EXPECT_EQ(opened, c.Opens ? std::string(c.Ref) + "\n" : "") << c.Ref;
  }
  EXPECT_EQ(p->IsAnchor(3, 4), "chapter2");
  EXPECT_EQ(p->IsAnchor(3, 80), "");
}

TEST_F(CaptionPanel, AutoSizeFitsTheBodyText) {
  TFixedMarkupDevice dev;
  TUxPanel* p = DialogPanel("Sized", 0, 100);
  p->Font()->SetSize(8);
  p->SetIndent(3);
  p->SetText("Hello<BR>wide world");
  p->AutoSizing()->SetEnabled(true);
  EXPECT_EQ(p->Width(), 2 + 60 + 3);
  EXPECT_EQ(p->Height(), 26 + 2);
  p->Caption()->SetVisible(true);
  p->SetText("Hello");
  EXPECT_EQ(p->Height(), 20 + 13 + 2);
}

}  // namespace
