#pragma once
// A navigation bar built the way a stored form is read: pages join while
// the bar loads and are settled when its loading ends.

#include <functional>
#include <string>
#include <vector>

#include "panels/TUxNavBar.h"
#include "tests/panels/NavBarExpect.h"
#include "tests/panels/PanelsTestSupport.h"

class NavBarTest : public PanelsTest {
 protected:
  struct PageSpec {
    std::string Caption;
    int32_t PanelIndex;
  };

  TUxNavBar* MakeBar(int32_t W, int32_t H, const std::vector<std::string>& Captions, int32_t L, int32_t Active,
                     TUxNavBarStyle Style = esOffice2003Silver,
                     const std::function<void(TUxNavBar*)>& WhileLoading = {}) {
    std::vector<PageSpec> specs;
    for (size_t i = 0; i < Captions.size(); ++i) specs.push_back({Captions[i], int32_t(i)});
    return MakeBarOf(W, H, specs, L, Active, Style, WhileLoading);
  }

  TUxNavBar* MakeBarOf(int32_t W, int32_t H, const std::vector<PageSpec>& Specs, int32_t L, int32_t Active,
                       TUxNavBarStyle Style = esOffice2003Silver,
                       const std::function<void(TUxNavBar*)>& WhileLoading = {}) {
    form->SetBounds(0, 0, W + 40, H + 60);
    host->Hide();  // the bar takes the pointer everywhere
    bar = new TUxNavBar(form);
    bar->BeginLoading();
    bar->SetParent(form);
    bar->SetBounds(0, 0, W, H);
    bar->SetStyle(Style);
    bar->SetSplitterPosition(L);
    bar->SetActiveTabIndex(Active);
    if (WhileLoading) WhileLoading(bar);
    pages.clear();
    for (const PageSpec& s : Specs) {
      auto* p = new TUxNavBarPanel(form);
      p->BeginLoading();
      p->SetParent(bar);
      p->SetCaption(s.Caption);
      p->SetPanelIndex(s.PanelIndex);
      p->SetVisible(s.PanelIndex == Active);
      p->ReadState();
      p->EndLoading();
      pages.push_back(p);
    }
    bar->EndLoading();
    form->Show();
    Pump();
    return bar;
  }

  // Dragging with injected input: press at From, move to each point, release.
  void Drag(TPoint From, const std::vector<TPoint>& Through) {
    MoveTo(bar, From.X, From.Y);
    InjectMouseButton(VK_LBUTTON, true);
    Pump();
    for (TPoint p : Through) MoveTo(bar, p.X, p.Y);
    InjectMouseButton(VK_LBUTTON, false);
    Pump();
  }

  TUxNavBar* bar = nullptr;
  std::vector<TUxNavBarPanel*> pages;
};
