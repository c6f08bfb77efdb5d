// The SDL backend on a virtual X server: a window shows a known pattern on
// the screen, read back with ImageMagick's import. Without a display the
// program says so in one line and stops.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Backend.h"
#include "platform/Draw.h"
#include "platform/PenBrush.h"
#include "platform/Window.h"

namespace {

std::string SelfPath() {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "";
  buf[n] = 0;
  return buf;
}

struct TRun {
  int Status = -1;
  std::string Output;
};

TRun RunCommand(const std::string& cmd) {
  TRun r;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.Output.append(buf, n);
  int st = pclose(p);
  r.Status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

// The colour of a screen pixel of an image file, as "r,g,b".
std::string PixelOf(const std::string& file, int x, int y) {
  std::string p = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  TRun r =
      RunCommand("/usr/bin/convert " + file + " -format '%[fx:int(255*" + p +
                 ".r+0.5)],%[fx:int(255*" + p + ".g+0.5)],%[fx:int(255*" + p + ".b+0.5)]' info:");
  return r.Output;
}

// Runs inside xvfb-run (started by the test below).
TEST(SdlOnScreen, Child) {
  const char* shot = std::getenv("NOBRIVO_SDL_CHILD_SHOT");
  if (!shot) GTEST_SKIP() << "runs only under the virtual display test";
  std::string reason;
  ASSERT_TRUE(InitPlatformWith("sdl", &reason)) << reason;
  WNDCLASS wc;
  wc.lpszClassName = "Pattern";
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
      RECT left{0, 0, 100, 100}, right{100, 0, 200, 100};
      FillRect(dc, &left, red);
      FillRect(dc, &right, blue);
      DeleteObject(red);
      DeleteObject(blue);
      EndPaint(h, &ps);
      return 0;
    }
    return DefWindowProc(h, m, w, l);
  };
  ASSERT_TRUE(RegisterClass(wc));
  HWND w = CreateWindowEx(WS_EX_TOPMOST, "Pattern", "pattern", WS_POPUP | WS_VISIBLE, 20, 30, 200,
                          100, nullptr);
  ASSERT_NE(w, nullptr);
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  MSG msg;
  while (std::chrono::steady_clock::now() < until) {
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(msg);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  TRun shotRun = RunCommand(std::string("/usr/bin/import -window root ") + shot);
  ASSERT_EQ(shotRun.Status, 0) << shotRun.Output;
  DestroyWindow(w);
  ShutdownPlatform();
}

TEST(SdlOnScreen, KnownPatternReachesTheScreen) {
  if (access("/usr/bin/xvfb-run", X_OK) != 0) GTEST_SKIP() << "xvfb-run is not installed";
  if (access("/usr/bin/import", X_OK) != 0) GTEST_SKIP() << "ImageMagick's import is not installed";
  std::string shot = testing::TempDir() + "nobrivo-sdl-" + std::to_string(getpid()) + ".png";
  // The children are checked for what they do, not for what the system's
  // libraries leave allocated at exit.
  TRun r = RunCommand("ASAN_OPTIONS=detect_leaks=0 NOBRIVO_SDL_CHILD_SHOT=" + shot +
                      " /usr/bin/xvfb-run -a -s '-screen 0 320x240x24' " + SelfPath() +
                      " --gtest_filter=SdlOnScreen.Child");
  ASSERT_EQ(r.Status, 0) << r.Output;
  EXPECT_EQ(PixelOf(shot, 20, 30), "255,0,0");
  EXPECT_EQ(PixelOf(shot, 119, 129), "255,0,0");
  EXPECT_EQ(PixelOf(shot, 120, 30), "0,0,255");
  EXPECT_EQ(PixelOf(shot, 219, 129), "0,0,255");
  EXPECT_NE(PixelOf(shot, 220, 30), "0,0,255");
  EXPECT_NE(PixelOf(shot, 19, 30), "255,0,0");
  std::remove(shot.c_str());
}

// Started without a display by the test below: the first window needs the backend.
TEST(SdlWithoutDisplay, Child) {
  if (!std::getenv("NOBRIVO_NODISPLAY_CHILD")) GTEST_SKIP() << "runs only without a display";
  WNDCLASS wc;
  wc.lpszClassName = "Any";
  RegisterClass(wc);
  CreateWindowEx(0, "Any", "", WS_POPUP, 0, 0, 10, 10, nullptr);
  FAIL() << "a window without a display";
}

TEST(SdlWithoutDisplay, SaysSoInOneLineAndStops) {
  TRun r = RunCommand(
      "env -u DISPLAY -u WAYLAND_DISPLAY NOBRIVO_BACKEND=sdl NOBRIVO_NODISPLAY_CHILD=1 "
      "ASAN_OPTIONS=detect_leaks=0 " +
      SelfPath() + " --gtest_filter=SdlWithoutDisplay.Child");
  EXPECT_NE(r.Status, 0);
  size_t at = r.Output.find("nobrivo: ");
  ASSERT_NE(at, std::string::npos) << r.Output;
  std::string line = r.Output.substr(at, r.Output.find('\n', at) - at);
  EXPECT_NE(line.find("display"), std::string::npos) << line;
}

}  // namespace
