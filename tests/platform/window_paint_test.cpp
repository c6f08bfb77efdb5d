// Painting: update regions, paint DCs clipped to them and to children, the
// standard frame, background erasing, the caret, screenshots.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/Draw.h"
#include "platform/PenBrush.h"
#include "tests/platform/window_test_util.h"

namespace {

class PaintTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    Handler = [this](HWND h, UINT m, WPARAM, LPARAM, LRESULT& r) {
      if (m != WM_PAINT || !Fill.count(h)) return false;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      Painted.push_back({h, ps.rcPaint});
      UpdateAtPaint = ps.rcPaint;
      HBRUSH b = CreateSolidBrush(Fill[h]);
      RECT all{0, 0, 10000, 10000};
      FillRect(dc, &all, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      r = 0;
      return true;
    };
  }
  // The colour of a pixel of the window (window coordinates), as a COLORREF.
  static COLORREF Pixel(HWND h, int32_t x, int32_t y) {
    Surface s = CopyWindowPixels(h);
    return PixelToColorRef(s.Get(x, y) & 0xFFFFFF);
  }

  std::map<HWND, COLORREF> Fill;
  std::vector<std::pair<HWND, RECT>> Painted;
  RECT UpdateAtPaint{};
};

const COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

TEST_F(PaintTest, OnePaintCoversTheUpdateRegionAndNothingElse) {
  HWND w = Top(0, 0, 100, 100);
  Fill[w] = kBlue;
  Pump();
  ASSERT_EQ(Painted.size(), 1u);
  EXPECT_EQ(Painted[0].second, Rect(0, 0, 100, 100));
  EXPECT_EQ(Pixel(w, 50, 50), kBlue);
  Fill[w] = kRed;
  Painted.clear();
  RECT r1{10, 10, 20, 20}, r2{50, 50, 60, 60};
  InvalidateRect(w, &r1, false);
  InvalidateRect(w, &r2, false);
  EXPECT_EQ(GetUpdateRects(w).size(), 2u);
  // Posted messages come before the paint.
  PostMessage(w, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_USER));
  Pump();
  ASSERT_EQ(Painted.size(), 1u);
  EXPECT_EQ(Painted[0].second, Rect(10, 10, 60, 60));
  EXPECT_EQ(Pixel(w, 15, 15), kRed);
  EXPECT_EQ(Pixel(w, 55, 55), kRed);
  EXPECT_EQ(Pixel(w, 30, 30), kBlue);  // inside the bounding box, outside the region
  EXPECT_EQ(Pixel(w, 19, 19), kRed);
  EXPECT_EQ(Pixel(w, 20, 20), kBlue);  // right and bottom edges are outside
  EXPECT_FALSE(GetUpdateRect(w, nullptr, false));
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
  // Validating takes a part away before it is painted.
  Painted.clear();
  InvalidateRect(w, nullptr, false);
  RECT left{0, 0, 50, 100};
  ValidateRect(w, &left);
  Fill[w] = kGreen;
  Pump();
  EXPECT_EQ(Painted.at(0).second, Rect(50, 0, 100, 100));
  EXPECT_EQ(Pixel(w, 10, 80), kBlue);
  EXPECT_EQ(Pixel(w, 60, 80), kGreen);
}

TEST_F(PaintTest, ChildrenAreClippedOutOfTheirParentAndUncoveredAreasRepaint) {
  HWND top = Top(0, 0, 100, 100);
  HWND child = Child(top, 20, 20, 20, 20);
  Fill[top] = kBlue;
  Fill[child] = kGreen;
  Pump();
  EXPECT_EQ(Pixel(top, 25, 25), kGreen);
  EXPECT_EQ(Pixel(top, 45, 45), kBlue);
  Painted.clear();
  Fill[top] = kRed;
  InvalidateRect(top, nullptr, true);
  Pump();
  ASSERT_EQ(Painted.size(), 1u);  // the child is not asked
  EXPECT_EQ(Pixel(top, 25, 25), kGreen);
  EXPECT_EQ(Pixel(top, 45, 45), kRed);
  // Hidden, the child's place belongs to the parent again.
  Fill[top] = kBlue;
  ShowWindow(child, SW_HIDE);
  Pump();
  EXPECT_EQ(Pixel(top, 25, 25), kBlue);
  EXPECT_EQ(Pixel(top, 50, 50), kRed);
  // Moved, it paints in its new place and its old place is the parent's.
  ShowWindow(child, SW_SHOWNA);
  Pump();
  SetWindowPos(child, nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Fill[top] = kRed;
  Pump();
  EXPECT_EQ(Pixel(top, 25, 25), kRed);
  EXPECT_EQ(Pixel(top, 65, 65), kGreen);
  // A window region cuts the window.
  SetWindowRgn(child, CreateRectRgn(0, 0, 10, 10), true);
  Pump();
  EXPECT_EQ(Pixel(top, 65, 65), kGreen);
  EXPECT_EQ(Pixel(top, 75, 75), kRed);
  EXPECT_EQ(WindowFromPoint(TPoint{75, 75}), top);
  EXPECT_EQ(WindowFromPoint(TPoint{65, 65}), child);
}

TEST_F(PaintTest, StandardFrameAndClassBackground) {
  WNDCLASS face;
  face.lpszClassName = "Face";
  face.hbrBackground = COLOR_BTNFACE + 1;
  RegisterClass(face);
  HWND top = Top(0, 0, 100, 100);
  Fill[top] = kBlue;
  HWND edged =
      CreateWindowEx(WS_EX_CLIENTEDGE, "Face", "", WS_CHILD | WS_VISIBLE, 10, 10, 40, 40, top);
  HWND bordered =
      CreateWindowEx(0, "Face", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 60, 10, 30, 30, top);
  Pump();
  RECT cr;
  GetClientRect(edged, cr);
  EXPECT_EQ(cr, Rect(0, 0, 36, 36));
  EXPECT_EQ(Pixel(edged, 0, 0), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(Pixel(edged, 1, 1), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(Pixel(edged, 39, 39), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(Pixel(edged, 38, 38), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(Pixel(edged, 2, 2), RGB(212, 208, 200));  // the class background
  EXPECT_EQ(Pixel(bordered, 0, 15), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(bordered, 1, 15), RGB(212, 208, 200));
  // A frame change repaints the frame through WM_NCPAINT.
  Log.clear();
  SetWindowLong(bordered, GWL_STYLE, GetWindowLong(bordered, GWL_STYLE) & ~WS_BORDER);
  SetWindowPos(bordered, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  Pump();
  GetClientRect(bordered, cr);
  EXPECT_EQ(cr, Rect(0, 0, 30, 30));
  EXPECT_EQ(Pixel(bordered, 0, 15), RGB(212, 208, 200));
}

TEST_F(PaintTest, CaretInvertsAndBlinksWithTheClock) {
  HWND w = Top(0, 0, 50, 50);
  Fill[w] = RGB(255, 255, 255);
  Pump();
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 10));
  SetCaretPos(5, 5);
  EXPECT_EQ(Pixel(w, 5, 5), RGB(255, 255, 255));  // created hidden
  ShowCaret(w);
  EXPECT_EQ(Pixel(w, 5, 5), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(w, 6, 14), RGB(0, 0, 0));
  EXPECT_EQ(Pixel(w, 7, 5), RGB(255, 255, 255));
  HeadlessAdvanceClock(GetCaretBlinkTime());
  MSG msg;
  PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(Pixel(w, 5, 5), RGB(255, 255, 255));
  HeadlessAdvanceClock(GetCaretBlinkTime());
  PeekMessage(msg, nullptr, 0, 0, PM_NOREMOVE);
  EXPECT_EQ(Pixel(w, 5, 5), RGB(0, 0, 0));
  // Painting over it leaves no trace once it is hidden.
  InvalidateRect(w, nullptr, false);
  Pump();
  EXPECT_EQ(Pixel(w, 5, 5), RGB(0, 0, 0));
  HideCaret(w);
  EXPECT_EQ(Pixel(w, 5, 5), RGB(255, 255, 255));
  DestroyCaret();
}

TEST_F(PaintTest, ScreenshotMatchesWhatImageMagickReads) {
  if (access("/usr/bin/convert", X_OK) != 0) GTEST_SKIP() << "ImageMagick is not installed";
  HWND top = Top(0, 0, 40, 30);
  HWND child = Child(top, 10, 10, 10, 10);
  Fill[top] = RGB(10, 20, 30);
  Fill[child] = RGB(200, 150, 100);
  Pump();
  const std::string path = testing::TempDir() + "nobrivo-window-shot-" + std::to_string(getpid()) + ".png";
  const bool saved = SaveWindowPng(top, path);
  if (!saved) std::remove(path.c_str());
  ASSERT_TRUE(saved);
  auto probe = [&](int x, int y) {
    std::string cmd = "/usr/bin/convert " + path + " -format '%[fx:int(255*p{" + std::to_string(x) +
                      "," + std::to_string(y) + "}.r)],%[fx:int(255*p{" + std::to_string(x) + "," +
                      std::to_string(y) + "}.g)],%[fx:int(255*p{" + std::to_string(x) + "," +
                      std::to_string(y) + "}.b)]' info:";
    FILE* p = popen(cmd.c_str(), "r");
    char buf[64] = {};
    if (p) {
      size_t n = fread(buf, 1, sizeof buf - 1, p);
      buf[n] = 0;
      pclose(p);
    }
    return std::string(buf);
  };
  EXPECT_EQ(probe(0, 0), "10,20,30");
  EXPECT_EQ(probe(15, 15), "200,150,100");
  EXPECT_EQ(probe(39, 29), "10,20,30");
  std::remove(path.c_str());
}

}  // namespace

namespace {

TEST_F(PaintTest, InversionsOnTheScreenShowOverTheWindowsAndUndoThemselves) {
  HWND w = Top(10, 10, 50, 50);
  Fill[w] = kBlue;
  Pump();
  auto screenAt = [](int32_t x, int32_t y) {
    return PixelToColorRef(CopyScreen().Get(x, y) & 0xFFFFFF);
  };
  EXPECT_EQ(screenAt(5, 5), GetSysColor(COLOR_BACKGROUND));
  EXPECT_EQ(screenAt(25, 25), kBlue);
  for (int round = 0; round < 2; ++round) {
    HDC dc = GetDCEx(GetDesktopWindow(), nullptr, DCX_WINDOW | DCX_CACHE | DCX_LOCKWINDOWUPDATE);
    ASSERT_NE(dc, nullptr);
    PatBlt(dc, 20, 20, 10, 10, DSTINVERT);
    ReleaseDC(GetDesktopWindow(), dc);
    EXPECT_EQ(screenAt(25, 25), round == 0 ? RGB(255, 255, 0) : kBlue);
    EXPECT_EQ(screenAt(15, 15), kBlue);
  }
  // The window's own pixels never changed.
  EXPECT_EQ(Pixel(w, 15, 15), kBlue);
}

}  // namespace

namespace {

TEST_F(PaintTest, CaptionShowsTheTitleInTheCaptionColours) {
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
  HWND titled = CreateWindowEx(0, "Logged", "Nobrivo 1.40", style, 0, 0, 200, 80, nullptr);
  HWND bare = CreateWindowEx(0, "Logged", "", style, 0, 100, 200, 80, nullptr);
  SetActiveWindow(titled);
  Pump();
  auto count = [](HWND h, COLORREF c) {
    Surface s = CopyWindowPixels(h);
    int n = 0;
    int32_t top = GetSystemMetrics(SM_CXFIXEDFRAME);
    for (int32_t y = top; y < top + GetSystemMetrics(SM_CYCAPTION) - 1; ++y)
      for (int32_t x = top; x < 150; ++x)
        if (PixelToColorRef(s.Get(x, y) & 0xFFFFFF) == c) ++n;
    return n;
  };
  EXPECT_GT(count(titled, GetSysColor(COLOR_CAPTIONTEXT)), 20);
  EXPECT_GT(count(titled, GetSysColor(COLOR_ACTIVECAPTION)), 1000);
  EXPECT_EQ(count(bare, GetSysColor(COLOR_INACTIVECAPTIONTEXT)), 0);
  EXPECT_GT(count(bare, GetSysColor(COLOR_INACTIVECAPTION)), 1500);
  // Activation repaints both captions.
  SetActiveWindow(bare);
  Pump();
  EXPECT_GT(count(titled, GetSysColor(COLOR_INACTIVECAPTION)), 1000);
  EXPECT_GT(count(bare, GetSysColor(COLOR_ACTIVECAPTION)), 1500);
}

}  // namespace

namespace {

TEST_F(PaintTest, PrintDrawsFrameBackgroundAndChildrenIntoAnyDC) {
  WNDCLASS face;
  face.lpszClassName = "Face";
  face.hbrBackground = COLOR_BTNFACE + 1;
  RegisterClass(face);
  WNDCLASS white;
  white.lpszClassName = "White";
  white.hbrBackground = COLOR_WINDOW + 1;
  RegisterClass(white);
  HWND top = Top(0, 0, 200, 200);
  HWND panel =
      CreateWindowEx(0, "Face", "", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 60, 40, top);
  CreateWindowEx(WS_EX_CLIENTEDGE, "White", "", WS_CHILD | WS_VISIBLE, 5, 5, 20, 20, panel);
  Surface target(60, 40);
  target.Fill(0xFF123456);
  HDC dc = CreateSurfaceDC(&target, TPoint{0, 0}, static_cast<const Region*>(nullptr));
  SendMessage(panel, WM_PRINT, reinterpret_cast<WPARAM>(dc),
              PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
  DeleteDC(dc);
  auto at = [&](int32_t x, int32_t y) { return PixelToColorRef(target.Get(x, y) & 0xFFFFFF); };
  EXPECT_EQ(at(0, 0), GetSysColor(COLOR_WINDOWFRAME));  // the border
  EXPECT_EQ(at(2, 2), GetSysColor(COLOR_BTNFACE));      // the panel's background
  // The child sits at (5, 5) in the panel's client area, which starts at (1, 1).
  EXPECT_EQ(at(6, 6), GetSysColor(COLOR_BTNSHADOW));  // its client edge
  EXPECT_EQ(at(10, 10), GetSysColor(COLOR_WINDOW));
  // A hidden window asked to check visibility draws nothing.
  ShowWindow(panel, SW_HIDE);
  target.Fill(0xFF123456);
  dc = CreateSurfaceDC(&target, TPoint{0, 0}, static_cast<const Region*>(nullptr));
  SendMessage(panel, WM_PRINT, reinterpret_cast<WPARAM>(dc),
              PRF_CHECKVISIBLE | PRF_NONCLIENT | PRF_CLIENT);
  DeleteDC(dc);
  EXPECT_EQ(target.Get(0, 0), 0xFF123456u);
}

}  // namespace
