// The device context object; only the drawing code looks inside.
#pragma once

#include <vector>

#include "platform/Bitmap.h"
#include "platform/DC.h"
#include "platform/Font.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"

struct DCState {
  TPoint windowOrg{0, 0};
  TPoint viewportOrg{0, 0};
  bool hasClip = false;
  Region clip;  // device coordinates
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HBITMAP bitmap = nullptr;  // memory DCs
  COLORREF textColor = RGB(0, 0, 0);
  COLORREF bkColor = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  UINT textAlign = 0;
  int charExtra = 0;
  TPoint brushOrg{0, 0};
  TPoint curPos{0, 0};
};

struct DeviceContext : GdiObject {
  DeviceContext(DWORD k) : GdiObject(k) {}
  ~DeviceContext() override;

  // Window DCs: the surface, the device origin on it and the visible part.
  Surface* surface = nullptr;
  TPoint origin{0, 0};
  bool hasVisible = false;
  Region visible;  // surface coordinates

  DCState st;
  std::vector<DCState> saved;

  bool IsMemory() const { return kind == OBJ_MEMDC; }
  // What is drawn on: width and height of the target in surface pixels.
  int32_t TargetWidth() const;
  int32_t TargetHeight() const;
  // The 32-bit surface drawn on, null for a non-32-bit bitmap.
  Surface* Target32() const;

  // Logical to surface coordinates, held within +-2^29 so that sizes and
  // sums of them stay in 32 bits (callers pass huge values for "all").
  static constexpr int64_t kCoordLimit = int64_t(1) << 29;
  static int32_t Limit(int64_t v) {
    return int32_t(v < -kCoordLimit ? -kCoordLimit : v > kCoordLimit ? kCoordLimit : v);
  }
  int32_t SX(int32_t x) const {
    return Limit(int64_t(x) - st.windowOrg.X + st.viewportOrg.X + origin.X);
  }
  int32_t SY(int32_t y) const {
    return Limit(int64_t(y) - st.windowOrg.Y + st.viewportOrg.Y + origin.Y);
  }
  TRect ToSurface(const TRect& r) const {
    return TRect{SX(r.Left), SY(r.Top), SX(r.Right), SY(r.Bottom)};
  }
  TPoint DeviceOffset() const {
    return TPoint{st.viewportOrg.X - st.windowOrg.X, st.viewportOrg.Y - st.windowOrg.Y};
  }

  // Where output may land, in surface coordinates (target bounds, visible
  // region and clip region combined); recomputed after a change.
  const Region& Clip();
  void InvalidateClip() { clipValid_ = false; }

 private:
  bool clipValid_ = false;
  Region clip_;
};

// Selection bookkeeping for the objects a state refers to.
void RetainState(const DCState& s);
void ReleaseState(const DCState& s);
