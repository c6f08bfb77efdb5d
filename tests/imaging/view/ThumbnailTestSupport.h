// Thumbnail views for the tests: a view on a shown form with a given client
// size, and pictures written to temporary files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "ViewTestSupport.h"
#include "imaging/view/TImagoMView.h"

struct MViewFree {
  void operator()(TImagoMView* v) const {
    TWinControl* form = v->Parent();
    v->Free();
    if (form) form->Free();
  }
};
using MViewPtr = std::unique_ptr<TImagoMView, MViewFree>;

// A view without frame and scroll bars whose client area is ClientW x ClientH.
inline MViewPtr MakeMView(int32_t ClientW, int32_t ClientH) {
  auto* form = new TForm(Application);
  form->SetClientSize(ClientW + 100, ClientH + 100);
  MViewPtr v(new TImagoMView(form));
  v->SetParent(form);
  v->SetBorderStyle(bsNone);
  v->SetScrollBars(ssNone);
  v->SetBounds(10, 10, ClientW, ClientH);
  form->Show();
  EXPECT_TRUE(v->HandleAllocated());
  return v;
}
