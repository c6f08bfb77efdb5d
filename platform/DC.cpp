#include "platform/DC.h"

#include <algorithm>
#include <cstdint>

#include "platform/DCInternal.h"

namespace {

int32_t gScreenWidth = 1024;
int32_t gScreenHeight = 768;

void Retain(HGDIOBJ o) {
  if (o) ++o->selected;
}
void Release(HGDIOBJ o) {
  if (o && o->selected > 0) --o->selected;
}

// A 1 x 1 monochrome bitmap that every new memory DC starts with.
HBITMAP DefaultBitmap() {
  static HBITMAP b = [] {
    auto* bm = new BitmapObject();
    bm->stock = true;
    bm->width = 1;
    bm->height = 1;
    bm->bitsPerPixel = 1;
    bm->rowBytes = 4;
    bm->Allocate();
    bm->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    return bm;
  }();
  return b;
}

HDC NewDC(DWORD kind) {
  auto* dc = new DeviceContext(kind);
  dc->st.pen = StockPen(BLACK_PEN);
  dc->st.brush = StockBrush(WHITE_BRUSH);
  dc->st.font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  if (kind == OBJ_MEMDC) dc->st.bitmap = DefaultBitmap();
  RetainState(dc->st);
  return dc;
}

}  // namespace

void RetainState(const DCState& s) {
  Retain(s.pen);
  Retain(s.brush);
  Retain(s.font);
  Retain(s.bitmap);
}

void ReleaseState(const DCState& s) {
  Release(s.pen);
  Release(s.brush);
  Release(s.font);
  Release(s.bitmap);
}

DeviceContext::~DeviceContext() {
  ReleaseState(st);
  for (const DCState& s : saved) ReleaseState(s);
}

int32_t DeviceContext::TargetWidth() const {
  if (IsMemory()) return st.bitmap ? st.bitmap->width : 0;
  return surface ? surface->Width() : 0;
}

int32_t DeviceContext::TargetHeight() const {
  if (IsMemory()) return st.bitmap ? st.bitmap->height : 0;
  return surface ? surface->Height() : 0;
}

Surface* DeviceContext::Target32() const {
  if (IsMemory()) {
    if (st.bitmap && st.bitmap->Plain32()) return &st.bitmap->surface;
    return nullptr;
  }
  return surface;
}

const Region& DeviceContext::Clip() {
  if (clipValid_) return clip_;
  clip_ = Region(TRect{0, 0, TargetWidth(), TargetHeight()});
  if (hasVisible) clip_ = Region::Intersect(clip_, visible);
  if (st.hasClip) {
    Region c = st.clip;
    c.Offset(origin.X, origin.Y);
    clip_ = Region::Intersect(clip_, c);
  }
  clipValid_ = true;
  return clip_;
}

bool IsDC(HDC dc) {
  return IsGdiObject(dc) && (dc->kind == OBJ_DC || dc->kind == OBJ_MEMDC);
}

HDC CreateSurfaceDC(Surface* surface, TPoint origin, const Region* visible) {
  HDC dc = NewDC(OBJ_DC);
  dc->surface = surface;
  dc->origin = origin;
  if (visible) {
    dc->hasVisible = true;
    dc->visible = *visible;
  }
  return dc;
}

HDC CreateSurfaceDC(Surface* surface, TPoint origin, HRGN visible) {
  return CreateSurfaceDC(surface, origin, visible ? &RegionOf(visible) : nullptr);
}

HDC CreateCompatibleDC(HDC) {
  return NewDC(OBJ_MEMDC);
}

BOOL DeleteDC(HDC dc) {
  if (!IsDC(dc)) return FALSE;
  delete dc;
  return TRUE;
}

Surface* DCSurface(HDC dc) {
  return IsDC(dc) ? dc->Target32() : nullptr;
}

BOOL GetDCOrgEx(HDC dc, TPoint* p) {
  if (!IsDC(dc) || !p) return FALSE;
  *p = dc->origin;
  return TRUE;
}

int SaveDC(HDC dc) {
  if (!IsDC(dc)) return 0;
  dc->saved.push_back(dc->st);
  RetainState(dc->st);
  return int(dc->saved.size());
}

BOOL RestoreDC(HDC dc, int level) {
  if (!IsDC(dc)) return FALSE;
  int n = int(dc->saved.size());
  if (level < 0) level = n + 1 + level;
  if (level < 1 || level > n) return FALSE;
  while (int(dc->saved.size()) > level) {
    ReleaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  ReleaseState(dc->st);
  dc->st = std::move(dc->saved.back());
  dc->saved.pop_back();
  dc->InvalidateClip();
  return TRUE;
}

// Coordinates

BOOL SetWindowOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  if (old) *old = dc->st.windowOrg;
  dc->st.windowOrg = TPoint{x, y};
  return TRUE;
}

BOOL GetWindowOrgEx(HDC dc, TPoint* p) {
  if (!IsDC(dc) || !p) return FALSE;
  *p = dc->st.windowOrg;
  return TRUE;
}

BOOL OffsetWindowOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  return SetWindowOrgEx(dc, dc->st.windowOrg.X + dx, dc->st.windowOrg.Y + dy, old);
}

BOOL SetViewportOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  if (old) *old = dc->st.viewportOrg;
  dc->st.viewportOrg = TPoint{x, y};
  return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, TPoint* p) {
  if (!IsDC(dc) || !p) return FALSE;
  *p = dc->st.viewportOrg;
  return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int32_t dx, int32_t dy, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  return SetViewportOrgEx(dc, dc->st.viewportOrg.X + dx, dc->st.viewportOrg.Y + dy, old);
}

BOOL LPtoDP(HDC dc, TPoint* pts, int count) {
  if (!IsDC(dc) || (!pts && count > 0)) return FALSE;
  TPoint d = dc->DeviceOffset();
  for (int i = 0; i < count; ++i) pts[i].X += d.X, pts[i].Y += d.Y;
  return TRUE;
}

BOOL DPtoLP(HDC dc, TPoint* pts, int count) {
  if (!IsDC(dc) || (!pts && count > 0)) return FALSE;
  TPoint d = dc->DeviceOffset();
  for (int i = 0; i < count; ++i) pts[i].X -= d.X, pts[i].Y -= d.Y;
  return TRUE;
}

// Clipping

namespace {

// The whole device, for combining with an absent clip region.
Region DeviceRegion(HDC dc) {
  TRect r{-dc->origin.X, -dc->origin.Y, dc->TargetWidth() - dc->origin.X,
          dc->TargetHeight() - dc->origin.Y};
  if (dc->hasVisible) {
    Region v = dc->visible;
    v.Offset(-dc->origin.X, -dc->origin.Y);
    return Region::Intersect(v, Region(r));
  }
  return Region(r);
}

// A logical rectangle in device coordinates (limited like all coordinates).
TRect DeviceRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  TPoint d = dc->DeviceOffset();
  return TRect{DeviceContext::Limit(int64_t(left) + d.X), DeviceContext::Limit(int64_t(top) + d.Y),
               DeviceContext::Limit(int64_t(right) + d.X),
               DeviceContext::Limit(int64_t(bottom) + d.Y)};
}

int ClipComplexity(HDC dc) {
  const Region& c = dc->Clip();
  return c.Complexity();
}

}  // namespace

int SelectClipRgn(HDC dc, HRGN rgn) {
  return ExtSelectClipRgn(dc, rgn, RGN_COPY);
}

int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode) {
  if (!IsDC(dc)) return ERROR;
  if (!rgn) {
    if (mode != RGN_COPY) return ERROR;
    dc->st.hasClip = false;
    dc->st.clip.SetEmpty();
    dc->InvalidateClip();
    return ClipComplexity(dc);
  }
  if (!IsGdiObject(rgn) || rgn->kind != OBJ_REGION) return ERROR;
  const Region& r = rgn->rgn;
  Region cur = dc->st.hasClip ? dc->st.clip : DeviceRegion(dc);
  switch (mode) {
    case RGN_COPY:
      cur = r;
      break;
    case RGN_AND:
      cur = Region::Intersect(cur, r);
      break;
    case RGN_OR:
      cur = Region::Union(cur, r);
      break;
    case RGN_XOR:
      cur = Region::Xor(cur, r);
      break;
    case RGN_DIFF:
      cur = Region::Subtract(cur, r);
      break;
    default:
      return ERROR;
  }
  dc->st.hasClip = true;
  dc->st.clip = std::move(cur);
  dc->InvalidateClip();
  return ClipComplexity(dc);
}

int IntersectClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDC(dc)) return ERROR;
  Region r(DeviceRect(dc, left, top, right, bottom));
  dc->st.clip =
      dc->st.hasClip ? Region::Intersect(dc->st.clip, r) : Region::Intersect(DeviceRegion(dc), r);
  dc->st.hasClip = true;
  dc->InvalidateClip();
  return ClipComplexity(dc);
}

int ExcludeClipRect(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!IsDC(dc)) return ERROR;
  Region r(DeviceRect(dc, left, top, right, bottom));
  dc->st.clip = Region::Subtract(dc->st.hasClip ? dc->st.clip : DeviceRegion(dc), r);
  dc->st.hasClip = true;
  dc->InvalidateClip();
  return ClipComplexity(dc);
}

int OffsetClipRgn(HDC dc, int32_t dx, int32_t dy) {
  if (!IsDC(dc)) return ERROR;
  if (dc->st.hasClip) {
    dc->st.clip.Offset(dx, dy);
    dc->InvalidateClip();
  }
  return ClipComplexity(dc);
}

int GetClipBox(HDC dc, TRect* r) {
  if (!IsDC(dc) || !r) return ERROR;
  const Region& c = dc->Clip();
  TRect b = c.Box();
  if (!c.Empty()) {
    TPoint d = dc->DeviceOffset();
    OffsetRect(&b, -dc->origin.X - d.X, -dc->origin.Y - d.Y);
  }
  *r = b;
  return c.Complexity();
}

int GetClipRgn(HDC dc, HRGN rgn) {
  if (!IsDC(dc) || !IsGdiObject(rgn) || rgn->kind != OBJ_REGION) return -1;
  if (!dc->st.hasClip) return 0;
  rgn->rgn = dc->st.clip;
  return 1;
}

BOOL PtVisible(HDC dc, int32_t x, int32_t y) {
  return IsDC(dc) && dc->Clip().Contains(dc->SX(x), dc->SY(y));
}

BOOL RectVisible(HDC dc, const TRect* r) {
  if (!IsDC(dc) || !r) return FALSE;
  TRect s = dc->ToSurface(*r);
  TRect n{std::min(s.Left, s.Right), std::min(s.Top, s.Bottom), std::max(s.Left, s.Right),
          std::max(s.Top, s.Bottom)};
  return dc->Clip().Intersects(n);
}

// Selected objects

namespace {
template <class T>
T Swap(T& slot, T obj) {
  T old = slot;
  ++obj->selected;
  if (old && old->selected > 0) --old->selected;
  slot = obj;
  return old;
}
}  // namespace

HPEN SelectObject(HDC dc, HPEN pen) {
  if (!IsDC(dc) || !IsGdiObject(pen) || pen->kind != OBJ_PEN) return nullptr;
  return Swap(dc->st.pen, pen);
}

HBRUSH SelectObject(HDC dc, HBRUSH brush) {
  if (!IsDC(dc) || !IsGdiObject(brush) || brush->kind != OBJ_BRUSH) return nullptr;
  return Swap(dc->st.brush, brush);
}

HFONT SelectObject(HDC dc, HFONT font) {
  if (!IsDC(dc) || !IsGdiObject(font) || font->kind != OBJ_FONT) return nullptr;
  return Swap(dc->st.font, font);
}

HBITMAP SelectObject(HDC dc, HBITMAP bitmap) {
  if (!IsDC(dc) || !dc->IsMemory() || !IsGdiObject(bitmap) || bitmap->kind != OBJ_BITMAP)
    return nullptr;
  // A bitmap can be selected into one memory DC at a time.
  if (bitmap != dc->st.bitmap && bitmap->selected > 0 && !bitmap->stock) {
    bool elsewhere = true;
    for (const DCState& s : dc->saved)
      if (s.bitmap == bitmap) elsewhere = false;
    if (elsewhere) return nullptr;
  }
  HBITMAP old = Swap(dc->st.bitmap, bitmap);
  dc->InvalidateClip();
  return old;
}

int SelectObject(HDC dc, HRGN rgn) {
  return SelectClipRgn(dc, rgn);
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) {
  if (!IsGdiObject(obj)) return nullptr;
  switch (obj->kind) {
    case OBJ_PEN:
      return SelectObject(dc, static_cast<HPEN>(obj));
    case OBJ_BRUSH:
      return SelectObject(dc, static_cast<HBRUSH>(obj));
    case OBJ_FONT:
      return SelectObject(dc, static_cast<HFONT>(obj));
    case OBJ_BITMAP:
      return SelectObject(dc, static_cast<HBITMAP>(obj));
    case OBJ_REGION: {
      int r = SelectObject(dc, static_cast<HRGN>(obj));
      return r == ERROR ? nullptr : reinterpret_cast<HGDIOBJ>(uintptr_t(r));
    }
    default:
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind) {
  if (!IsDC(dc)) return nullptr;
  switch (kind) {
    case OBJ_PEN:
      return dc->st.pen;
    case OBJ_BRUSH:
      return dc->st.brush;
    case OBJ_FONT:
      return dc->st.font;
    case OBJ_BITMAP:
      return dc->st.bitmap;
    default:
      return nullptr;
  }
}

// Colours and modes

#define DC_FIELD(Set, Get, T, field, Bad) \
  T Set(HDC dc, T v) {                    \
    if (!IsDC(dc)) return Bad;            \
    T old = dc->st.field;                 \
    dc->st.field = v;                     \
    return old;                           \
  }                                       \
  T Get(HDC dc) {                         \
    return IsDC(dc) ? dc->st.field : Bad; \
  }

DC_FIELD(SetTextColor, GetTextColor, COLORREF, textColor, CLR_INVALID)
DC_FIELD(SetBkColor, GetBkColor, COLORREF, bkColor, CLR_INVALID)
DC_FIELD(SetTextAlign, GetTextAlign, UINT, textAlign, 0xFFFFFFFFu)
DC_FIELD(SetTextCharacterExtra, GetTextCharacterExtra, int, charExtra, INT32_MIN)
#undef DC_FIELD

int SetBkMode(HDC dc, int mode) {
  if (!IsDC(dc) || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->st.bkMode;
  dc->st.bkMode = mode;
  return old;
}
int GetBkMode(HDC dc) {
  return IsDC(dc) ? dc->st.bkMode : 0;
}

int SetROP2(HDC dc, int mode) {
  if (!IsDC(dc) || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = dc->st.rop2;
  dc->st.rop2 = mode;
  return old;
}
int GetROP2(HDC dc) {
  return IsDC(dc) ? dc->st.rop2 : 0;
}

int SetStretchBltMode(HDC dc, int mode) {
  if (!IsDC(dc) || mode < BLACKONWHITE || mode > HALFTONE) return 0;
  int old = dc->st.stretchMode;
  dc->st.stretchMode = mode;
  return old;
}
int GetStretchBltMode(HDC dc) {
  return IsDC(dc) ? dc->st.stretchMode : 0;
}

int SetPolyFillMode(HDC dc, int mode) {
  if (!IsDC(dc) || (mode != ALTERNATE && mode != WINDING)) return 0;
  int old = dc->st.polyFillMode;
  dc->st.polyFillMode = mode;
  return old;
}
int GetPolyFillMode(HDC dc) {
  return IsDC(dc) ? dc->st.polyFillMode : 0;
}

BOOL SetBrushOrgEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  if (old) *old = dc->st.brushOrg;
  dc->st.brushOrg = TPoint{x, y};
  return TRUE;
}

BOOL GetBrushOrgEx(HDC dc, TPoint* p) {
  if (!IsDC(dc) || !p) return FALSE;
  *p = dc->st.brushOrg;
  return TRUE;
}

BOOL MoveToEx(HDC dc, int32_t x, int32_t y, TPoint* old) {
  if (!IsDC(dc)) return FALSE;
  if (old) *old = dc->st.curPos;
  dc->st.curPos = TPoint{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, TPoint* p) {
  if (!IsDC(dc) || !p) return FALSE;
  *p = dc->st.curPos;
  return TRUE;
}

// Capabilities

void SetScreenSize(int32_t width, int32_t height) {
  gScreenWidth = width;
  gScreenHeight = height;
}

int GetDeviceCaps(HDC dc, int index) {
  switch (index) {
    case HORZRES:
      return gScreenWidth;
    case VERTRES:
      return gScreenHeight;
    case BITSPIXEL:
      if (IsDC(dc) && dc->IsMemory() && dc->st.bitmap) return dc->st.bitmap->bitsPerPixel;
      return 32;
    case PLANES:
      return 1;
    case NUMCOLORS:
      return -1;
    case RASTERCAPS:
      return 0;
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case SIZEPALETTE:
      return 0;
    case COLORRES:
      return 24;
    default:
      return 0;
  }
}
