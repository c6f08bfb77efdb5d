// Views for the tests: a view in a parent window with a given outer size and
// an image of a given size, and helpers that read the frame metrics.
#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "imaging/model/TIEBitmap.h"
#include "imaging/view/TImagoView.h"
#include "platform/Backend.h"
#include "platform/Input.h"
#include "platform/SysInfo.h"
#include "ui/TApplication.h"
#include "ui/TForm.h"

// The view's own cursor numbers: its normal cross-hair, the move and the
// hand that drags to scroll, and the sizing arrows of the grips.
constexpr TCursor kViewCross = 1785, kViewMove = 1790, kViewHand = 1782;
constexpr TCursor kGripNWSE = 1786, kGripNS = 1787, kGripNESW = 1788, kGripWE = 1789;

// A headless window system and a fresh application per test.
class ViewFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ShutdownPlatform();
    ASSERT_TRUE(InitPlatformWith("headless"));
    InitControls();
  }
  void TearDown() override {
    DoneControls();
    ShutdownPlatform();
  }
};

inline int32_t EdgeX() { return GetSystemMetrics(SM_CXEDGE); }
inline int32_t EdgeY() { return GetSystemMetrics(SM_CYEDGE); }
inline int32_t VBarW() { return GetSystemMetrics(SM_CXVSCROLL); }
inline int32_t HBarH() { return GetSystemMetrics(SM_CYHSCROLL); }

// Frees the view and the form that holds it.
struct ViewFree {
  void operator()(TImagoView* v) const {
    TWinControl* form = v->Parent();
    v->Free();
    if (form) form->Free();
  }
};
using ViewPtr = std::unique_ptr<TImagoView, ViewFree>;

// Pixel (x, y) of the test pattern: red from x, green from y, blue fixed.
inline TRGB PatternPixel(int32_t x, int32_t y) {
  return MakeRGBTriple(static_cast<uint8_t>(x * 7 + 3), static_cast<uint8_t>(y * 11 + 5), 77);
}

inline void FillPattern(TIEBitmap* b) {
  for (int32_t y = 0; y < b->Height(); ++y)
    for (int32_t x = 0; x < b->Width(); ++x) b->SetRGB24(x, y, PatternPixel(x, y));
}

// A view on a shown form, of client size ClientW x ClientH (3D border, no
// scroll bars shown at first), holding an ImageW x ImageH 24-bit image with
// the test pattern.
inline ViewPtr MakeView(int32_t ClientW, int32_t ClientH, int32_t ImageW, int32_t ImageH) {
  auto* form = new TForm(Application);
  form->SetClientSize(ClientW + 100, ClientH + 100);
  ViewPtr v(new TImagoView(form));
  v->SetParent(form);
  v->SetBounds(10, 10, ClientW + 2 * EdgeX(), ClientH + 2 * EdgeY());
  form->Show();
  EXPECT_TRUE(v->HandleAllocated());
  v->GetIEBitmap()->Allocate(ImageW, ImageH, ieRGB24);
  FillPattern(v->GetIEBitmap());
  v->Update();
  return v;
}

// Input as the user makes it, through the real queue (which also paints).
inline void Pump() { Application->ProcessMessages(); }

inline void MouseAt(TControl* c, int32_t x, int32_t y) {
  InjectMouseMove(c->ClientToScreen(TPoint{x, y}));
  Pump();
}

// A left-button drag in client coordinates: pressed at the first point,
// moved through the others, released at the last. A second apart from any
// earlier press, so it never makes a double click.
inline void Drag(TControl* c, const std::vector<TPoint>& points) {
  HeadlessAdvanceClock(1000);
  MouseAt(c, points.front().X, points.front().Y);
  InjectMouseButton(VK_LBUTTON, true);
  Pump();
  for (size_t k = 1; k < points.size(); ++k) MouseAt(c, points[k].X, points[k].Y);
  InjectMouseButton(VK_LBUTTON, false);
  Pump();
}
