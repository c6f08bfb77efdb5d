// Holders for drawing handles that a caller creates and must free: a memory
// device context, a window's device context, and any object DeleteObject
// frees (bitmaps, regions, pens, brushes, fonts). Drawing code between the
// create and the free can throw (a theme's or a user's paint callback), so a
// handle freed by hand at the end of a routine leaks on that path; a holder
// frees it on every path.
//
// Declare a bitmap's holder before the memory DC it is selected into: the DC
// then goes first, releasing the bitmap, which DeleteObject refuses to free
// while selected.
#pragma once

#include <memory>
#include <type_traits>

#include "platform/DC.h"
#include "platform/GdiObject.h"
#include "platform/Window.h"

struct GdiObjectRelease {
  template <class T>
  void operator()(T* h) const {
    DeleteObject(h);
  }
};

// An owned pen, brush, font, bitmap or region: TOwnedGdiObject<HRGN> r(CreateRectRgn(...)).
template <class Handle>
using TOwnedGdiObject = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectRelease>;

// Gives a window its shape. The window owns the region once it takes it, so
// the holder lets go then; a region the window refused is freed.
inline bool GiveWindowRegion(HWND Wnd, TOwnedGdiObject<HRGN> Region, bool Redraw) {
  if (!SetWindowRgn(Wnd, Region.get(), Redraw)) return false;
  Region.release();
  return true;
}

// A memory device context, freed with DeleteDC.
class TMemoryDC {
 public:
  // compatibleWith may be null (a DC compatible with the screen).
  explicit TMemoryDC(HDC compatibleWith = nullptr) : dc_(CreateCompatibleDC(compatibleWith)) {}
  ~TMemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;

  HDC Handle() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  HDC dc_;
};

// A DC borrowed from a window (GetDC, GetWindowDC), given back with ReleaseDC.
// A null dc given in (a caller drawing into its own DC) is not given back.
class TWindowDC {
 public:
  static TWindowDC Client(HWND wnd) { return TWindowDC(wnd, GetDC(wnd)); }
  static TWindowDC Whole(HWND wnd) { return TWindowDC(wnd, GetWindowDC(wnd)); }
  ~TWindowDC() {
    if (dc_) ReleaseDC(wnd_, dc_);
  }
  TWindowDC(TWindowDC&& o) noexcept : wnd_(o.wnd_), dc_(o.dc_) { o.dc_ = nullptr; }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  TWindowDC& operator=(TWindowDC&&) = delete;

  HDC Handle() const { return dc_; }
  operator HDC() const { return dc_; }

 private:
  TWindowDC(HWND wnd, HDC dc) : wnd_(wnd), dc_(dc) {}
  HWND wnd_;
  HDC dc_;
};
