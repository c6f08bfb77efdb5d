// Choosing and starting a backend, shutting the window system down, and
// screenshots of windows.

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/DC.h"
#include "platform/SysInfo.h"
#include "platform/WindowInternal.h"
#include "platform/backends/Backends.h"
#include "rtl/TThread.h"

bool InitPlatformWith(const std::string& name, std::string* reason) {
  TWindowManager& m = WM();
  if (m.Backend) return true;
  std::string why;
  std::unique_ptr<TBackend> b;
  if (name == "headless")
    b = CreateHeadlessBackend();
  else if (name == "sdl")
    b = CreateSdlBackend(&why);
  else
    why = "unknown backend \"" + name + "\" in NOBRIVO_BACKEND (use headless or sdl)";
  if (!b) {
    if (reason) *reason = why;
    return false;
  }
  m.UiThread = std::this_thread::get_id();
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    m.Backend = std::move(b);
    m.Accepting = true;
  }
  TSize s = m.Backend->ScreenSize();
  SetScreenSize(s.cx, s.cy);
  // Work queued for the main thread wakes a waiting message loop.
  SetWakeMainThread(WakeMessageLoop);
  return true;
}

bool InitPlatform(std::string* reason) {
  const char* env = std::getenv("NOBRIVO_BACKEND");
  return InitPlatformWith(env && *env ? env : "sdl", reason);
}

const char* PlatformBackendName() {
  TWindowManager& m = WM();
  return m.Backend ? m.Backend->Name() : "";
}

void ShutdownPlatform() {
  TWindowManager& m = WM();
  {
    // From here on other threads' posts and sends are refused; those that
    // wait for an answer get 0, as for a window that is gone.
    std::lock_guard<std::mutex> lock(m.QueueLock);
    m.Accepting = false;
    for (auto& sent : m.CrossSent) sent->Result.set_value(0);
    m.CrossSent.clear();
  }
  while (!m.TopLevels.empty()) {
    HWND h = m.TopLevels.back()->Handle;
    DestroyWindow(h);
    if (TWindowObj* w = FromHandle(h)) {
      // A window that refused to die (a hook cancelled it) goes anyway.
      w->Destroying = false;
      m.Hooks.clear();
      DestroyWindow(h);
    }
  }
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    m.Posted.clear();
    m.QuitPending = false;
    m.QuitCode = 0;
    m.CursorPos = TPoint{0, 0};
  }
  m.Timers.clear();
  m.Hooks.clear();
  m.Classes.clear();
  m.Capture = m.Focus = m.Active = m.Hover = m.LeaveTracked = m.CaretWindow = nullptr;
  m.AppActive = false;
  m.LastActive = nullptr;
  m.LastClickMsg = 0;
  m.LastClickWindow = nullptr;
  m.LastClickWasDouble = false;
  m.Cursor = nullptr;
  m.CursorShowCount = 0;
  std::memset(m.KeyState, 0, sizeof m.KeyState);
  std::memset(m.AsyncKeyState, 0, sizeof m.AsyncKeyState);
  m.LastMessagePos = m.LastMessageTime = 0;
  m.CaretOn = false;
  m.CaretHideCount = 1;
  m.CaretBlinkTime = 530;
  m.LockedUpdate = nullptr;
  // The next start has the settings a user starts with.
  SystemParametersInfo(SPI_SETMENUANIMATION, 0, reinterpret_cast<void*>(uintptr_t(TRUE)), 0);
  SetWakeMainThread(nullptr);
  // Other threads reach the backend only under the queue's lock: once it is
  // taken out, none can wake it any more.
  std::unique_ptr<TBackend> gone;
  {
    std::lock_guard<std::mutex> lock(m.QueueLock);
    gone = std::move(m.Backend);
  }
  gone.reset();
}

Surface CopyWindowPixels(HWND hwnd) {
  TWindowObj* w = FromHandle(hwnd);
  if (!w) return Surface();
  TWindowObj* top = TopLevelOf(w);
  TPoint o = WindowOriginInTop(w);
  Surface out(w->WindowRect.Width(), w->WindowRect.Height());
  const Surface& src = *top->Buffer;
  for (int32_t y = 0; y < out.Height(); ++y)
    for (int32_t x = 0; x < out.Width(); ++x) out.At(x, y) = src.Get(o.X + x, o.Y + y);
  return out;
}

bool SaveSurfacePng(const Surface& s, const std::string& path) {
  if (s.Empty()) return false;
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(size_t(s.Width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    std::remove(path.c_str());
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(s.Width()), png_uint_32(s.Height()), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < s.Height(); ++y) {
    const uint32_t* src = s.Row(y);
    for (int32_t x = 0; x < s.Width(); ++x) {
      row[size_t(x) * 3] = png_byte(src[x] >> 16);
      row[size_t(x) * 3 + 1] = png_byte(src[x] >> 8);
      row[size_t(x) * 3 + 2] = png_byte(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
  if (!IsWindow(hwnd)) return false;
  return SaveSurfacePng(CopyWindowPixels(hwnd), path);
}
