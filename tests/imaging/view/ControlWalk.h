// A walk over the controls a user sees in a window: every visible control is
// pressed once through the platform's injected input, and what changed is
// checked by kind (a check box toggles, a list box takes another entry, an
// edit takes the focus and typed text, a track bar or an up-down moves). A
// disabled control counts as walked when it ignores the press. Controls the
// walk has no press for are reported, so a test can name them.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/Window.h"
#include "ui/TApplication.h"
#include "ui/TButton.h"
#include "ui/TCheckBox.h"
#include "ui/TComboBox.h"
#include "ui/TControl.h"
#include "ui/TEdit.h"
#include "ui/TGroupBox.h"
#include "ui/TPageControl.h"
#include "ui/TPanel.h"
#include "ui/TProgressBar.h"
#include "ui/TTrackBar.h"
#include "ui/TUpDown.h"

namespace walk {

inline void Pump() { Application->ProcessMessages(); }

inline void ClickAt(TControl* c, int32_t x, int32_t y) {
  // Apart in time from the previous press: no double click.
  HeadlessAdvanceClock(1000);
  InjectMouseMove(c->ClientToScreen(TPoint{x, y}));
  InjectMouseButton(VK_LBUTTON, true);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
}

inline void ClickCentre(TControl* c) { ClickAt(c, c->Width() / 2, c->Height() / 2); }

inline void PressKey(int32_t vk) {
  InjectKey(vk, true);
  InjectKey(vk, false);
  Pump();
}

inline bool ReallyEnabled(TControl* c) {
  for (TControl* p = c; p; p = p->Parent())
    if (!p->Enabled()) return false;
  return true;
}

// The visible controls below Root, parents before children. Containers
// (panels without a click handler, group boxes, pages) are entered.
inline void Collect(TWinControl* Root, std::vector<TControl*>& Out) {
  for (int32_t i = 0; i < Root->ControlCount(); ++i) {
    TControl* c = Root->Controls(i);
    if (!c->Visible()) continue;
    Out.push_back(c);
    if (auto* w = dynamic_cast<TWinControl*>(c)) Collect(w, Out);
  }
}

struct Result {
  int32_t pressed = 0;
  int32_t disabled = 0;
  std::vector<std::string> not_pressed;  // class names of what had no press
};

// Presses every control below Root except those in Skip. Buttons are
// handed to OnButton (the test knows what each caption promises); colour
// panels and other clickable panels to OnPanel.
inline Result Walk(TWinControl* Root, const std::vector<TControl*>& Skip,
                   const std::function<void(TButton*)>& OnButton,
                   const std::function<void(TPanel*)>& OnPanel = nullptr) {
  std::vector<TControl*> all;
  Collect(Root, all);
  Result r;
  for (TControl* c : all) {
    if (std::find(Skip.begin(), Skip.end(), c) != Skip.end()) continue;
    const std::string what = std::string(c->ClassName()) + " \"" + c->Name() + "\"";
    if (dynamic_cast<TGroupBox*>(c) || dynamic_cast<TTabSheet*>(c) || dynamic_cast<TPageControl*>(c))
      continue;  // containers: their controls are walked
    if (auto* p = dynamic_cast<TPanel*>(c); p && !p->OnClick) continue;
    // Labels, drawings and progress bars take no input.
    if (!dynamic_cast<TWinControl*>(c) || dynamic_cast<TProgressBar*>(c)) continue;
    if (!ReallyEnabled(c)) {
      ++r.disabled;
      continue;
    }
    if (auto* b = dynamic_cast<TButton*>(c)) {
      OnButton(b);
    } else if (auto* k = dynamic_cast<TCheckBox*>(c)) {
      const bool before = k->Checked();
      ClickCentre(k);
      EXPECT_NE(k->Checked(), before) << "check box " << k->Caption();
    } else if (auto* cb = dynamic_cast<TComboBox*>(c)) {
      const int32_t before = cb->ItemIndex(), count = cb->Items()->Count();
      ClickCentre(cb);
      PressKey(before + 1 < count ? VK_DOWN : VK_UP);
      PressKey(VK_RETURN);
      if (count > 1) { EXPECT_NE(cb->ItemIndex(), before) << "list box " << what; }
    } else if (auto* e = dynamic_cast<TEdit*>(c)) {
      ClickCentre(e);
      EXPECT_EQ(GetFocus(), e->Handle()) << "edit " << what;
      const std::string before = e->Text();
      PressKey(VK_END);
      InjectChar('1');
      Pump();
      EXPECT_NE(e->Text(), before) << "edit " << what;
    } else if (auto* t = dynamic_cast<TTrackBar*>(c)) {
      const int32_t before = t->Position();
      ClickCentre(t);
      if (t->Position() == before) PressKey(before < t->Max() ? VK_RIGHT : VK_LEFT);
      EXPECT_NE(t->Position(), before) << "track bar " << what;
    } else if (auto* u = dynamic_cast<TUpDown*>(c)) {
      const int32_t before = u->Position();
      ClickAt(u, u->Width() / 2, u->Height() / 4);
      if (u->Position() == before) ClickAt(u, u->Width() / 2, u->Height() * 3 / 4);
      EXPECT_NE(u->Position(), before) << "up-down " << what;
    } else if (auto* p = dynamic_cast<TPanel*>(c)) {
      if (OnPanel) OnPanel(p);
      else r.not_pressed.push_back(what);
      if (!OnPanel) continue;
    } else {
      r.not_pressed.push_back(what);
      continue;
    }
    ++r.pressed;
  }
  return r;
}

}  // namespace walk
