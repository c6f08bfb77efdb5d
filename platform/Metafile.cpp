#include "platform/Metafile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <queue>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Draw.h"
#include "platform/Font.h"
#include "platform/PenBrush.h"
#include "platform/Region.h"
#include "platform/Text.h"
#include "rtl/ByteOrder.h"
#include "rtl/Codepage.h"

namespace {

int16_t S16(const uint8_t* p) { return static_cast<int16_t>(LoadLE16(p)); }
int32_t S32(const uint8_t* p) { return static_cast<int32_t>(LoadLE32(p)); }

// a * b / c rounded half away from zero; 0 when c is 0. Not rtl's MulDiv:
// that one works within 32 bits and gives -1 for c = 0 or an overflow, and
// a picture frame in 0.01 mm units can exceed 32 bits once multiplied.
int64_t ScaleRounded(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const double v = static_cast<double>(a) * static_cast<double>(b) / static_cast<double>(c);
  return static_cast<int64_t>(v < 0 ? std::ceil(v - 0.5) : std::floor(v + 0.5));
}

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr size_t kPlaceableSize = 22;
constexpr size_t kStandardHeaderSize = 18;
constexpr uint32_t kEmfSignature = 0x464D4520;
constexpr size_t kEmfHeaderSize = 88;
// A picture size beyond this many pixels a side counts as broken.
constexpr int64_t kMaxPictureSide = int64_t{1} << 24;
// Device coordinates are held within this; the drawing layer clips anyway.
constexpr double kCoordLimit = double(int64_t{1} << 26);
// Bounds on what one playback may build up.
constexpr size_t kMaxMadeObjects = 4096;
constexpr size_t kMaxSavedStates = 256;
constexpr uint32_t kMaxObjectSlots = 65536;
constexpr int32_t kMaxDibSide = 1 << 16;
constexpr int32_t kMaxPenWidth = 1 << 14;
constexpr int32_t kMaxFontHeight = 1 << 14;

// Windows metafile records.
enum : uint16_t {
  META_EOF = 0x0000,
  META_SAVEDC = 0x001E,
  META_CREATEPALETTE = 0x00F7,
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETROP2 = 0x0104,
  META_SETPOLYFILLMODE = 0x0106,
  META_SETSTRETCHBLTMODE = 0x0107,
  META_RESTOREDC = 0x0127,
  META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E,
  META_DIBCREATEPATTERNBRUSH = 0x0142,
  META_DELETEOBJECT = 0x01F0,
  META_CREATEPATTERNBRUSH = 0x01F9,
  META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209,
  META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C,
  META_OFFSETWINDOWORG = 0x020F,
  META_LINETO = 0x0213,
  META_MOVETO = 0x0214,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325,
  META_SCALEWINDOWEXT = 0x0410,
  META_EXCLUDECLIPRECT = 0x0415,
  META_INTERSECTCLIPRECT = 0x0416,
  META_ELLIPSE = 0x0418,
  META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F,
  META_TEXTOUT = 0x0521,
  META_POLYPOLYGON = 0x0538,
  META_ROUNDRECT = 0x061C,
  META_PATBLT = 0x061D,
  META_CREATEREGION = 0x06FF,
  META_DIBBITBLT = 0x0940,
  META_EXTTEXTOUT = 0x0A32,
  META_DIBSTRETCHBLT = 0x0B41,
  META_STRETCHDIB = 0x0F43,
};

// Enhanced metafile records.
enum : uint32_t {
  EMR_HEADER = 1,
  EMR_POLYBEZIER = 2,
  EMR_POLYGON = 3,
  EMR_POLYLINE = 4,
  EMR_POLYBEZIERTO = 5,
  EMR_POLYLINETO = 6,
  EMR_POLYPOLYLINE = 7,
  EMR_POLYPOLYGON = 8,
  EMR_SETWINDOWEXTEX = 9,
  EMR_SETWINDOWORGEX = 10,
  EMR_SETVIEWPORTEXTEX = 11,
  EMR_SETVIEWPORTORGEX = 12,
  EMR_SETBRUSHORGEX = 13,
  EMR_EOF = 14,
  EMR_SETPIXELV = 15,
  EMR_SETMAPMODE = 17,
  EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19,
  EMR_SETROP2 = 20,
  EMR_SETSTRETCHBLTMODE = 21,
  EMR_SETTEXTALIGN = 22,
  EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25,
  EMR_MOVETOEX = 27,
  EMR_EXCLUDECLIPRECT = 29,
  EMR_INTERSECTCLIPRECT = 30,
  EMR_SCALEVIEWPORTEXTEX = 31,
  EMR_SCALEWINDOWEXTEX = 32,
  EMR_SAVEDC = 33,
  EMR_RESTOREDC = 34,
  EMR_SETWORLDTRANSFORM = 35,
  EMR_MODIFYWORLDTRANSFORM = 36,
  EMR_SELECTOBJECT = 37,
  EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39,
  EMR_DELETEOBJECT = 40,
  EMR_ELLIPSE = 42,
  EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44,
  EMR_LINETO = 54,
  EMR_EXTSELECTCLIPRGN = 75,
  EMR_BITBLT = 76,
  EMR_STRETCHBLT = 77,
  EMR_STRETCHDIBITS = 81,
  EMR_EXTCREATEFONTINDIRECTW = 82,
  EMR_EXTTEXTOUTW = 84,
  EMR_POLYBEZIER16 = 85,
  EMR_POLYGON16 = 86,
  EMR_POLYLINE16 = 87,
  EMR_POLYBEZIERTO16 = 88,
  EMR_POLYLINETO16 = 89,
  EMR_POLYPOLYLINE16 = 90,
  EMR_POLYPOLYGON16 = 91,
  EMR_EXTCREATEPEN = 95,
};

// Mapping modes.
constexpr int kMapText = 1, kMapLoMetric = 2, kMapHiMetric = 3, kMapLoEnglish = 4,
              kMapHiEnglish = 5, kMapTwips = 6, kMapIsotropic = 7, kMapAnisotropic = 8;

std::string Utf16ToUtf8(const uint8_t* p, size_t count) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    char32_t c = LoadLE16(p + 2 * i);
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < count) {
      const char32_t lo = LoadLE16(p + 2 * (i + 1));
      if (lo >= 0xDC00 && lo < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
        ++i;
      }
    }
    if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
    if (c == 0) break;
    Utf8Append(out, c);
  }
  return out;
}

}  // namespace

// Plays one metafile on one device context.
class TMetafilePlayer {
 public:
  TMetafilePlayer(const TMetafile& Mf, HDC Dc, const TRect& Rect) : mf_(Mf), dc_(Dc) {
    // Text far taller than the picture shows no more of itself.
    const int64_t side = std::max<int64_t>(std::llabs(int64_t{Rect.Right} - Rect.Left),
                                           std::llabs(int64_t{Rect.Bottom} - Rect.Top));
    font_limit_ = static_cast<int32_t>(std::clamp<int64_t>(2 * side, 16, kMaxFontHeight));
    if (mf_.enhanced_) {
      const uint8_t* h = mf_.data_.data();
      const double devX = S32(h + 72), devY = S32(h + 76);
      const double mmX = S32(h + 80), mmY = S32(h + 84);
      px_per_mm_x_ = devX > 0 && mmX > 0 ? devX / mmX : 96.0 / 25.4;
      px_per_mm_y_ = devY > 0 && mmY > 0 ? devY / mmY : 96.0 / 25.4;
      const double fw = mf_.frame_[2] - mf_.frame_[0], fh = mf_.frame_[3] - mf_.frame_[1];
      pb_sx_ = fw != 0 ? (Rect.Right - Rect.Left) / fw : 1.0;
      pb_sy_ = fh != 0 ? (Rect.Bottom - Rect.Top) / fh : 1.0;
      pb_x_ = Rect.Left - mf_.frame_[0] * pb_sx_;
      pb_y_ = Rect.Top - mf_.frame_[1] * pb_sy_;
      slot_limit_ = std::min<uint32_t>(LoadLE16(h + 56), kMaxObjectSlots);
    } else {
      // The window (the placeable box until the records set one) is
      // stretched over the rectangle.
      st_.mapMode = kMapAnisotropic;
      st_.winOrgX = mf_.box_.Left;
      st_.winOrgY = mf_.box_.Top;
      st_.winExtX = mf_.box_.Right - mf_.box_.Left;
      st_.winExtY = mf_.box_.Bottom - mf_.box_.Top;
      st_.vpOrgX = Rect.Left;
      st_.vpOrgY = Rect.Top;
      st_.vpExtX = Rect.Right - Rect.Left;
      st_.vpExtY = Rect.Bottom - Rect.Top;
      slot_limit_ = static_cast<uint32_t>(mf_.objects_);
    }
  }

  void Play() {
    const int level = SaveDC(dc_);
    base_clip_ = CreateRectRgn(0, 0, 0, 0);
    has_base_clip_ = GetClipRgn(dc_, base_clip_) == 1;
    SetBkMode(dc_, OPAQUE);
    SetBkColor(dc_, RGB(255, 255, 255));
    SetTextColor(dc_, RGB(0, 0, 0));
    SetROP2(dc_, R2_COPYPEN);
    SetPolyFillMode(dc_, ALTERNATE);
    SetTextAlign(dc_, TA_LEFT | TA_TOP);
    SelectObject(dc_, StockPen(BLACK_PEN));
    SelectObject(dc_, StockBrush(WHITE_BRUSH));
    MoveToEx(dc_, 0, 0, nullptr);
    if (mf_.enhanced_)
      PlayEnhanced();
    else
      PlayWindows();
    RestoreDC(dc_, level);
    DeleteObject(base_clip_);
    for (HGDIOBJ o : made_) DeleteObject(o);
  }

 private:
  struct State {
    int mapMode = kMapText;
    double winOrgX = 0, winOrgY = 0, winExtX = 1, winExtY = 1;
    double vpOrgX = 0, vpOrgY = 0, vpExtX = 1, vpExtY = 1;
    double world[6] = {1, 0, 0, 1, 0, 0};
  };
  enum class Kind { None, Pen, Brush, Font, Other };
  struct Slot {
    Kind kind = Kind::None;
    LOGPEN pen{};
    LOGBRUSH brush{};
    LOGFONT font{};
    HGDIOBJ made = nullptr;
    double madeScale = 0;
  };

  // ---- coordinates

  void Page(double x, double y, double& ox, double& oy) const {
    const double* w = st_.world;
    const double wx = x * w[0] + y * w[2] + w[4], wy = x * w[1] + y * w[3] + w[5];
    double sx = 1, sy = 1;
    switch (st_.mapMode) {
      case kMapIsotropic:
      case kMapAnisotropic: {
        sx = st_.winExtX != 0 ? st_.vpExtX / st_.winExtX : 1;
        sy = st_.winExtY != 0 ? st_.vpExtY / st_.winExtY : 1;
        if (st_.mapMode == kMapIsotropic) {
          const double m = std::min(std::fabs(sx), std::fabs(sy));
          sx = sx < 0 ? -m : m;
          sy = sy < 0 ? -m : m;
        }
        break;
      }
      case kMapLoMetric:
      case kMapHiMetric:
      case kMapLoEnglish:
      case kMapHiEnglish:
      case kMapTwips: {
        static constexpr double kMm[] = {0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
        const double mm = kMm[st_.mapMode - kMapLoMetric];
        sx = mm * px_per_mm_x_;
        sy = -mm * px_per_mm_y_;
        break;
      }
      default:
        break;
    }
    ox = (wx - st_.winOrgX) * sx + st_.vpOrgX;
    oy = (wy - st_.winOrgY) * sy + st_.vpOrgY;
  }

  void ToDevice(double x, double y, double& ox, double& oy) const {
    Page(x, y, ox, oy);
    if (mf_.enhanced_) {
      ox = ox * pb_sx_ + pb_x_;
      oy = oy * pb_sy_ + pb_y_;
    }
  }

  static int32_t Clamp(double v) {
    if (!(v == v)) return 0;  // NaN
    v = std::clamp(v, -kCoordLimit, kCoordLimit);
    return static_cast<int32_t>(std::floor(v + 0.5));
  }

  TPoint Pt(double x, double y) const {
    double ox, oy;
    ToDevice(x, y, ox, oy);
    return TPoint{Clamp(ox), Clamp(oy)};
  }

  // The device rectangle of a logical one (corners in any order).
  TRect Box(double l, double t, double r, double b) const {
    const TPoint a = Pt(l, t), c = Pt(r, b);
    return TRect{std::min(a.X, c.X), std::min(a.Y, c.Y), std::max(a.X, c.X), std::max(a.Y, c.Y)};
  }

  // Device pixels per logical unit along x and along y.
  double ScaleX() const {
    double x0, y0, x1, y1;
    ToDevice(0, 0, x0, y0);
    ToDevice(1, 0, x1, y1);
    return std::hypot(x1 - x0, y1 - y0);
  }
  double ScaleY() const {
    double x0, y0, x1, y1;
    ToDevice(0, 0, x0, y0);
    ToDevice(0, 1, x1, y1);
    return std::hypot(x1 - x0, y1 - y0);
  }

  // ---- objects

  // The object in slot Index, or null.
  Slot* SlotAt(uint32_t Index) {
    auto it = slots_.find(Index);
    return it == slots_.end() ? nullptr : &it->second;
  }

  // Enhanced metafiles name the slot of a new object (0 is the file's own).
  Slot* NewSlotAt(uint32_t Index) {
    if (Index == 0 || Index >= slot_limit_) return nullptr;
    Slot& s = slots_[Index];
    s = Slot{};
    return &s;
  }

  // Windows metafiles put a new object in the lowest free slot.
  Slot* FreeSlot() {
    uint32_t index;
    if (!freed_.empty()) {
      index = freed_.top();
      freed_.pop();
    } else if (next_slot_ < slot_limit_) {
      index = next_slot_++;
    } else {
      return nullptr;
    }
    Slot& s = slots_[index];
    s = Slot{};
    return &s;
  }

  void DeleteSlot(uint32_t Index) {
    // What was made for it stays until the end of the playback (it may be
    // selected).
    auto it = slots_.find(Index);
    if (it == slots_.end()) return;
    Drop(it->second.made);
    slots_.erase(it);
    if (!mf_.enhanced_) freed_.push(Index);
  }

  bool Keep(HGDIOBJ o) {
    if (!o) return false;
    made_.push_back(o);
    return true;
  }

  // Frees an object made for a slot unless a state still holds it selected.
  void Drop(HGDIOBJ o) {
    if (!o || !DeleteObject(o)) return;
    auto it = std::find(made_.begin(), made_.end(), o);
    if (it != made_.end()) {
      *it = made_.back();
      made_.pop_back();
    }
  }

  void Select(Slot& s) {
    if (made_.size() >= kMaxMadeObjects) return;
    switch (s.kind) {
      case Kind::Pen: {
        const double scale = ScaleX();
        if (!s.made || s.madeScale != scale) {
          const double w = s.pen.lopnWidth.X <= 0 ? 1.0 : s.pen.lopnWidth.X * scale;
          const int width = static_cast<int>(std::clamp(std::floor(w + 0.5), 1.0, double(kMaxPenWidth)));
          int style = static_cast<int>(s.pen.lopnStyle & PS_STYLE_MASK);
          if (style > PS_INSIDEFRAME) style = PS_SOLID;
          HPEN p = CreatePen(style, width, s.pen.lopnColor & 0xFFFFFF);
          if (!Keep(p)) return;
          Drop(s.made);
          s.made = p;
          s.madeScale = scale;
        }
        SelectObject(dc_, static_cast<HPEN>(s.made));
        break;
      }
      case Kind::Brush: {
        if (!s.made) {
          LOGBRUSH b = s.brush;
          if (b.lbStyle != BS_SOLID && b.lbStyle != BS_NULL && b.lbStyle != BS_HATCHED)
            b.lbStyle = BS_SOLID;
          if (b.lbStyle == BS_HATCHED && b.lbHatch > HS_DIAGCROSS) b.lbHatch = HS_DIAGCROSS;
          b.lbColor &= 0xFFFFFF;
          HBRUSH h = CreateBrushIndirect(&b);
          if (!Keep(h)) return;
          s.made = h;
        }
        SelectObject(dc_, static_cast<HBRUSH>(s.made));
        break;
      }
      case Kind::Font: {
        const double scale = ScaleY();
        if (!s.made || s.madeScale != scale) {
          LOGFONT lf = s.font;
          auto scaled = [&](LONG v) {
            return static_cast<LONG>(std::clamp(std::floor(v * scale + 0.5),
                                                -double(font_limit_), double(font_limit_)));
          };
          lf.lfHeight = scaled(lf.lfHeight);
          lf.lfWidth = std::abs(scaled(lf.lfWidth));
          if (s.font.lfHeight != 0 && lf.lfHeight == 0) lf.lfHeight = s.font.lfHeight < 0 ? -1 : 1;
          lf.lfFaceName[LF_FACESIZE - 1] = 0;
          HFONT f = CreateFontIndirect(&lf);
          if (!Keep(f)) return;
          Drop(s.made);
          s.made = f;
          s.madeScale = scale;
        }
        SelectObject(dc_, static_cast<HFONT>(s.made));
        break;
      }
      default:
        break;
    }
  }

  void SelectStock(uint32_t Index) {
    if (Index > DC_PEN) return;
    HGDIOBJ o = GetStockObject(static_cast<int>(Index));
    const DWORD kind = GetObjectType(o);
    if (kind == OBJ_PEN || kind == OBJ_BRUSH || kind == OBJ_FONT) SelectObject(dc_, o);
  }

  // ---- drawing helpers

  void Poly(const std::vector<TPoint>& p, bool Filled) {
    if (p.size() < 2) return;
    if (Filled)
      Polygon(dc_, p.data(), static_cast<int>(p.size()));
    else
      Polyline(dc_, p.data(), static_cast<int>(p.size()));
  }

  // Rings filled together, so that an inner ring can cut a hole; rings of
  // fewer than two points are left out.
  void Rings(const std::vector<std::vector<TPoint>>& rings) {
    std::vector<TPoint> all;
    std::vector<int> counts;
    for (const std::vector<TPoint>& r : rings) {
      if (r.size() < 2) continue;
      all.insert(all.end(), r.begin(), r.end());
      counts.push_back(static_cast<int>(r.size()));
    }
    if (!counts.empty()) PolyPolygon(dc_, all.data(), counts.data(), static_cast<int>(counts.size()));
  }

  void LineToLogical(double x, double y) {
    const TPoint p = Pt(x, y);
    LineTo(dc_, p.X, p.Y);
  }

  void MoveToLogical(double x, double y) {
    const TPoint p = Pt(x, y);
    MoveToEx(dc_, p.X, p.Y, nullptr);
  }

  void Text(double x, double y, const std::string& Utf8, UINT Options, const TRect* Clip) {
    if (Utf8.empty() && !(Options & ETO_OPAQUE)) return;
    const TPoint p = Pt(x, y);
    ExtTextOut(dc_, p.X, p.Y, Options & (ETO_OPAQUE | ETO_CLIPPED), Clip, Utf8.data(),
               static_cast<UINT>(Utf8.size()), nullptr);
  }

  void ClipRect(const TRect& r, bool Exclude) {
    if (Exclude)
      ExcludeClipRect(dc_, r.Left, r.Top, r.Right, r.Bottom);
    else
      IntersectClipRect(dc_, r.Left, r.Top, r.Right, r.Bottom);
  }

  void ResetClip() { SelectClipRgn(dc_, has_base_clip_ ? base_clip_ : nullptr); }

  // A device-independent bitmap of Info (InfoLen bytes: header and colour
  // table) and Bits (BitsLen bytes), checked before the drawing layer sees
  // it; false when it is not drawable.
  bool Dib(const TRect& Dest, int32_t Sx, int32_t Sy, int32_t Sw, int32_t Sh, const uint8_t* Info,
           size_t InfoLen, const uint8_t* Bits, size_t BitsLen, uint32_t Usage, DWORD Rop) {
    if (Usage != DIB_RGB_COLORS || InfoLen < sizeof(BITMAPINFOHEADER)) return false;
    const uint32_t headerSize = LoadLE32(Info);
    const int32_t w = S32(Info + 4), h = S32(Info + 8);
    const uint16_t bits = LoadLE16(Info + 14);
    const uint32_t compression = LoadLE32(Info + 16), used = LoadLE32(Info + 32);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > InfoLen) return false;
    if (w <= 0 || w > kMaxDibSide || h == 0 || h < -kMaxDibSide || h > kMaxDibSide) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    if (compression != BI_RGB && !(compression == BI_BITFIELDS && (bits == 16 || bits == 32)))
      return false;
    size_t table = 0;
    if (bits <= 8)
      table = std::min<uint32_t>(used ? used : 1u << bits, 1u << bits) * sizeof(RGBQUAD);
    else if (compression == BI_BITFIELDS)
      table = 12;
    if (table > InfoLen - headerSize) return false;
    const int64_t rows = h < 0 ? -int64_t{h} : h;
    if (int64_t{DibRowBytes(w, bits)} * rows > static_cast<int64_t>(BitsLen)) return false;
    // An aligned copy of the header (in its plain 40-byte form) and table.
    std::vector<uint32_t> info((sizeof(BITMAPINFOHEADER) + std::max<size_t>(table, 4) + 3) / 4);
    auto* bytes = reinterpret_cast<uint8_t*>(info.data());
    std::memcpy(bytes, Info, sizeof(BITMAPINFOHEADER));
    std::memcpy(bytes + sizeof(BITMAPINFOHEADER), Info + headerSize, table);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(bytes);
    bmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi->bmiHeader.biClrUsed = bits <= 8 ? static_cast<DWORD>(table / 4) : 0;
    StretchDIBits(dc_, Dest.Left, Dest.Top, Dest.Right - Dest.Left, Dest.Bottom - Dest.Top, Sx, Sy,
                  Sw, Sh, Bits, bmi, DIB_RGB_COLORS, Rop);
    return true;
  }

  void Save() {
    if (stack_.size() >= kMaxSavedStates) return;
    stack_.push_back(st_);
    SaveDC(dc_);
  }

  void Restore(int32_t Relative) {
    // -n: the n-th latest; a positive level counts from the first save.
    int64_t keep;
    if (Relative < 0)
      keep = static_cast<int64_t>(stack_.size()) + Relative;
    else
      keep = int64_t{Relative} - 1;
    if (keep < 0 || keep >= static_cast<int64_t>(stack_.size())) return;
    const int32_t drop = static_cast<int32_t>(stack_.size() - keep);
    st_ = stack_[static_cast<size_t>(keep)];
    stack_.resize(static_cast<size_t>(keep));
    RestoreDC(dc_, -drop);
  }

  // ---- Windows metafiles

  void PlayWindows() {
    const std::vector<uint8_t>& d = mf_.data_;
    size_t at = mf_.records_at_;
    while (at + 6 <= d.size()) {
      const uint8_t* r = d.data() + at;
      const uint64_t size = uint64_t{LoadLE32(r)} * 2;
      const uint16_t fn = LoadLE16(r + 4);
      if (size < 6 || size > d.size() - at) return;  // a size beyond the file ends it
      if (fn == META_EOF) return;
      if (PlayWindowsRecord(fn, r, static_cast<size_t>(size)))
        ++mf_.played_;
      else
        ++mf_.skipped_;
      at += static_cast<size_t>(size);
    }
  }

  // Points of 16-bit pairs at p, n of them.
  std::vector<TPoint> Points16(const uint8_t* p, size_t n) const {
    std::vector<TPoint> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = Pt(S16(p + 4 * i), S16(p + 4 * i + 2));
    return out;
  }
  std::vector<TPoint> Points32(const uint8_t* p, size_t n) const {
    std::vector<TPoint> out(n);
    for (size_t i = 0; i < n; ++i) out[i] = Pt(S32(p + 8 * i), S32(p + 8 * i + 4));
    return out;
  }

  // Whether a record's parameters hold Bytes more.
  static bool Holds(size_t Size, size_t Bytes) { return Size >= Bytes; }

  bool PlayWindowsRecord(uint16_t fn, const uint8_t* r, size_t size) {
    const uint8_t* p = r + 6;  // the parameters, after the size and function words
    const size_t n = size - 6;
    switch (fn) {
      case META_SETBKCOLOR:
      case META_SETTEXTCOLOR:
      case META_SETBKMODE:
      case META_SETROP2:
      case META_SETPOLYFILLMODE:
      case META_SETSTRETCHBLTMODE:
      case META_SETTEXTALIGN:
      case META_INTERSECTCLIPRECT:
      case META_EXCLUDECLIPRECT:
      case META_SAVEDC:
      case META_RESTOREDC:
        return WindowsStateRecord(fn, p, n);
      case META_SETWINDOWORG:
      case META_SETWINDOWEXT:
      case META_OFFSETWINDOWORG:
      case META_SCALEWINDOWEXT:
        return WindowsMappingRecord(fn, p, n);
      case META_MOVETO:
      case META_LINETO:
      case META_RECTANGLE:
      case META_ELLIPSE:
      case META_ROUNDRECT:
      case META_POLYGON:
      case META_POLYLINE:
      case META_POLYPOLYGON:
      case META_SETPIXEL:
      case META_PATBLT:
        return WindowsDrawingRecord(fn, p, n);
      case META_CREATEPENINDIRECT:
      case META_CREATEBRUSHINDIRECT:
      case META_CREATEFONTINDIRECT:
      case META_CREATEPALETTE:
      case META_CREATEPATTERNBRUSH:
      case META_DIBCREATEPATTERNBRUSH:
      case META_CREATEREGION:
      case META_SELECTOBJECT:
      case META_DELETEOBJECT:
        return WindowsObjectRecord(fn, p, n);
      case META_TEXTOUT:
      case META_EXTTEXTOUT:
        return WindowsTextRecord(fn, p, n);
      case META_STRETCHDIB:
      case META_DIBSTRETCHBLT:
      case META_DIBBITBLT:
        return WindowsBitmapRecord(fn, r, size);
      default:
        return false;
    }
  }

  bool WindowsStateRecord(uint16_t fn, const uint8_t* p, size_t n) {
    switch (fn) {
      case META_SETBKCOLOR:
        if (!Holds(n, 4)) return false;
        SetBkColor(dc_, LoadLE32(p) & 0xFFFFFF);
        return true;
      case META_SETTEXTCOLOR:
        if (!Holds(n, 4)) return false;
        SetTextColor(dc_, LoadLE32(p) & 0xFFFFFF);
        return true;
      case META_SETBKMODE:
        if (!Holds(n, 2)) return false;
        SetBkMode(dc_, LoadLE16(p) == TRANSPARENT ? TRANSPARENT : OPAQUE);
        return true;
      case META_SETROP2:
        if (!Holds(n, 2) || LoadLE16(p) < R2_BLACK || LoadLE16(p) > R2_WHITE) return false;
        SetROP2(dc_, LoadLE16(p));
        return true;
      case META_SETPOLYFILLMODE:
        if (!Holds(n, 2)) return false;
        SetPolyFillMode(dc_, LoadLE16(p) == WINDING ? WINDING : ALTERNATE);
        return true;
      case META_SETSTRETCHBLTMODE:
        if (!Holds(n, 2)) return false;
        SetStretchBltMode(dc_, std::clamp<int>(LoadLE16(p), BLACKONWHITE, HALFTONE));
        return true;
      case META_SETTEXTALIGN:
        if (!Holds(n, 2)) return false;
        SetTextAlign(dc_, LoadLE16(p) & (TA_UPDATECP | TA_CENTER | TA_BASELINE));
        return true;
      case META_INTERSECTCLIPRECT:
      case META_EXCLUDECLIPRECT: {
        if (!Holds(n, 8)) return false;
        ClipRect(Box(S16(p + 6), S16(p + 4), S16(p + 2), S16(p)), fn == META_EXCLUDECLIPRECT);
        return true;
      }
      case META_SAVEDC:
        Save();
        return true;
      case META_RESTOREDC:
        if (!Holds(n, 2)) return false;
        Restore(S16(p));
        return true;
      default:
        return false;
    }
  }

  bool WindowsMappingRecord(uint16_t fn, const uint8_t* p, size_t n) {
    switch (fn) {
      case META_SETWINDOWORG:
        if (!Holds(n, 4)) return false;
        st_.winOrgY = S16(p);
        st_.winOrgX = S16(p + 2);
        return true;
      case META_SETWINDOWEXT:
        if (!Holds(n, 4)) return false;
        st_.winExtY = S16(p);
        st_.winExtX = S16(p + 2);
        return true;
      case META_OFFSETWINDOWORG:
        if (!Holds(n, 4)) return false;
        st_.winOrgY += S16(p);
        st_.winOrgX += S16(p + 2);
        return true;
      case META_SCALEWINDOWEXT: {
        if (!Holds(n, 8)) return false;
        const int16_t yd = S16(p), yn = S16(p + 2), xd = S16(p + 4), xn = S16(p + 6);
        if (xd == 0 || yd == 0) return false;
        st_.winExtX = st_.winExtX * xn / xd;
        st_.winExtY = st_.winExtY * yn / yd;
        return true;
      }
      default:
        return false;
    }
  }

  bool WindowsDrawingRecord(uint16_t fn, const uint8_t* p, size_t n) {
    switch (fn) {
      case META_MOVETO:
        if (!Holds(n, 4)) return false;
        MoveToLogical(S16(p + 2), S16(p));
        return true;
      case META_LINETO:
        if (!Holds(n, 4)) return false;
        LineToLogical(S16(p + 2), S16(p));
        return true;
      case META_RECTANGLE:
      case META_ELLIPSE: {
        if (!Holds(n, 8)) return false;
        const TRect b = Box(S16(p + 6), S16(p + 4), S16(p + 2), S16(p));
        if (fn == META_RECTANGLE)
          Rectangle(dc_, b.Left, b.Top, b.Right, b.Bottom);
        else
          Ellipse(dc_, b.Left, b.Top, b.Right, b.Bottom);
        return true;
      }
      case META_ROUNDRECT: {
        if (!Holds(n, 12)) return false;
        const TRect b = Box(S16(p + 10), S16(p + 8), S16(p + 6), S16(p + 4));
        const int32_t cw = Clamp(std::fabs(S16(p + 2) * ScaleX()));
        const int32_t ch = Clamp(std::fabs(S16(p) * ScaleY()));
        RoundRect(dc_, b.Left, b.Top, b.Right, b.Bottom, cw, ch);
        return true;
      }
      case META_POLYGON:
      case META_POLYLINE: {
        if (!Holds(n, 2)) return false;
        const size_t count = LoadLE16(p);
        if (!Holds(n, 2 + 4 * count)) return false;
        Poly(Points16(p + 2, count), fn == META_POLYGON);
        return true;
      }
      case META_POLYPOLYGON: {
        if (!Holds(n, 2)) return false;
        const size_t polys = LoadLE16(p);
        if (!Holds(n, 2 + 2 * polys)) return false;
        size_t at = 2 + 2 * polys;
        std::vector<std::vector<TPoint>> rings;
        for (size_t i = 0; i < polys; ++i) {
          const size_t count = LoadLE16(p + 2 + 2 * i);
          if (!Holds(n, at + 4 * count)) return false;
          rings.push_back(Points16(p + at, count));
          at += 4 * count;
        }
        Rings(rings);
        return true;
      }
      case META_SETPIXEL: {
        if (!Holds(n, 8)) return false;
        const TPoint q = Pt(S16(p + 6), S16(p + 4));
        SetPixelV(dc_, q.X, q.Y, LoadLE32(p) & 0xFFFFFF);
        return true;
      }
      case META_PATBLT: {
        if (!Holds(n, 12)) return false;
        const TRect b = Box(S16(p + 10), S16(p + 8), S16(p + 10) + S16(p + 6), S16(p + 8) + S16(p + 4));
        PatBlt(dc_, b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top, LoadLE32(p));
        return true;
      }
      default:
        return false;
    }
  }

  bool WindowsObjectRecord(uint16_t fn, const uint8_t* p, size_t n) {
    switch (fn) {
      case META_CREATEPENINDIRECT: {
        Slot* s = FreeSlot();
        if (!s) return false;
        s->kind = Kind::Other;  // the slot is taken whatever the record holds
        if (!Holds(n, 10)) return false;
        s->kind = Kind::Pen;
        s->pen.lopnStyle = LoadLE16(p);
        s->pen.lopnWidth = TPoint{S16(p + 2), 0};
        s->pen.lopnColor = LoadLE32(p + 6);
        return true;
      }
      case META_CREATEBRUSHINDIRECT: {
        Slot* s = FreeSlot();
        if (!s) return false;
        s->kind = Kind::Other;
        if (!Holds(n, 8)) return false;
        s->kind = Kind::Brush;
        s->brush.lbStyle = LoadLE16(p);
        s->brush.lbColor = LoadLE32(p + 2);
        s->brush.lbHatch = LoadLE16(p + 6);
        return true;
      }
      case META_CREATEFONTINDIRECT: {
        Slot* s = FreeSlot();
        if (!s) return false;
        s->kind = Kind::Other;
        if (!Holds(n, 18)) return false;
        s->kind = Kind::Font;
        LOGFONT& lf = s->font;
        lf = LOGFONT{};
        lf.lfHeight = S16(p);
        lf.lfWidth = S16(p + 2);
        lf.lfEscapement = S16(p + 4);
        lf.lfOrientation = S16(p + 6);
        lf.lfWeight = S16(p + 8);
        lf.lfItalic = p[10];
        lf.lfUnderline = p[11];
        lf.lfStrikeOut = p[12];
        lf.lfCharSet = p[13];
        lf.lfQuality = p[16];
        lf.lfPitchAndFamily = p[17];
        std::string face;
        for (size_t i = 18; i < n && i < 18 + LF_FACESIZE - 1 && p[i]; ++i)
          face += static_cast<char>(p[i]);
        face = Cp1252ToUtf8(face).substr(0, LF_FACESIZE - 1);
        std::memcpy(lf.lfFaceName, face.data(), face.size());
        return true;
      }
      case META_CREATEPALETTE:
      case META_CREATEPATTERNBRUSH:
      case META_DIBCREATEPATTERNBRUSH:
      case META_CREATEREGION: {
        // Not drawn with, but they take a slot.
        Slot* s = FreeSlot();
        if (s) s->kind = Kind::Other;
        return false;
      }
      case META_SELECTOBJECT: {
        if (!Holds(n, 2)) return false;
        Slot* s = SlotAt(LoadLE16(p));
        if (!s || s->kind == Kind::None || s->kind == Kind::Other) return false;
        Select(*s);
        return true;
      }
      case META_DELETEOBJECT: {
        if (!Holds(n, 2)) return false;
        if (!SlotAt(LoadLE16(p))) return false;
        DeleteSlot(LoadLE16(p));
        return true;
      }
      default:
        return false;
    }
  }

  bool WindowsTextRecord(uint16_t fn, const uint8_t* p, size_t n) {
    switch (fn) {
      case META_TEXTOUT: {
        if (!Holds(n, 2)) return false;
        const size_t len = LoadLE16(p);
        const size_t padded = (len + 1) & ~size_t{1};
        if (!Holds(n, 2 + padded + 4)) return false;
        const std::string text(reinterpret_cast<const char*>(p + 2), len);
        Text(S16(p + 2 + padded + 2), S16(p + 2 + padded), Cp1252ToUtf8(text), 0, nullptr);
        return true;
      }
      case META_EXTTEXTOUT: {
        if (!Holds(n, 8)) return false;
        const int16_t y = S16(p), x = S16(p + 2);
        const size_t len = LoadLE16(p + 4);
        const UINT options = LoadLE16(p + 6);
        size_t at = 8;
        TRect clip{};
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        if (hasRect) {
          if (!Holds(n, 16)) return false;
          clip = Box(S16(p + 8), S16(p + 10), S16(p + 12), S16(p + 14));
          at = 16;
        }
        if (!Holds(n, at + len)) return false;
        const std::string text(reinterpret_cast<const char*>(p + at), len);
        Text(x, y, Cp1252ToUtf8(text), hasRect ? options : 0, hasRect ? &clip : nullptr);
        return true;
      }
      default:
        return false;
    }
  }

  bool WindowsBitmapRecord(uint16_t fn, const uint8_t* r, size_t size) {
    const uint8_t* p = r + 6;  // the parameters
    const size_t n = size - 6;
    switch (fn) {
      case META_STRETCHDIB: {
        if (!Holds(n, 22)) return false;
        const TRect b = Box(S16(p + 20), S16(p + 18), S16(p + 20) + S16(p + 16), S16(p + 18) + S16(p + 14));
        return DibBits(p + 22, n - 22, b, S16(p + 12), S16(p + 10), S16(p + 8), S16(p + 6),
                       LoadLE16(p + 4), LoadLE32(p));
      }
      case META_DIBSTRETCHBLT: {
        if (size == 28) {  // no bitmap: a pattern fill of the destination
          const TRect b = Box(S16(p + 20), S16(p + 18), S16(p + 20) + S16(p + 16), S16(p + 18) + S16(p + 14));
          PatBlt(dc_, b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top, LoadLE32(p));
          return true;
        }
        if (!Holds(n, 20)) return false;
        const TRect b = Box(S16(p + 18), S16(p + 16), S16(p + 18) + S16(p + 14), S16(p + 16) + S16(p + 12));
        return DibBits(p + 20, n - 20, b, S16(p + 10), S16(p + 8), S16(p + 6), S16(p + 4),
                       DIB_RGB_COLORS, LoadLE32(p));
      }
      case META_DIBBITBLT: {
        if (size == 24) {  // no bitmap
          const TRect b = Box(S16(p + 16), S16(p + 14), S16(p + 16) + S16(p + 12), S16(p + 14) + S16(p + 10));
          PatBlt(dc_, b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top, LoadLE32(p));
          return true;
        }
        if (!Holds(n, 16)) return false;
        const int16_t w = S16(p + 10), h = S16(p + 8);
        const TRect b = Box(S16(p + 14), S16(p + 12), S16(p + 14) + w, S16(p + 12) + h);
        return DibBits(p + 16, n - 16, b, S16(p + 6), S16(p + 4), w, h, DIB_RGB_COLORS, LoadLE32(p));
      }
      default:
        return false;
    }
  }

  // A packed DIB (header, colour table, pixels) of Len bytes at P drawn into
  // Dest from the source rectangle. The source's y counts from the top of
  // the picture, as the records give it.
  bool DibBits(const uint8_t* P, size_t Len, const TRect& Dest, int32_t Sx, int32_t Sy, int32_t Sw,
               int32_t Sh, uint32_t Usage, DWORD Rop) {
    if (Len < sizeof(BITMAPINFOHEADER)) return false;
    const uint32_t headerSize = LoadLE32(P);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > Len) return false;
    const uint16_t bits = LoadLE16(P + 14);
    const uint32_t compression = LoadLE32(P + 16), used = LoadLE32(P + 32);
    size_t table = 0;
    if (bits <= 8 && bits > 0)
      table = std::min<uint32_t>(used ? used : 1u << std::min<uint16_t>(bits, 8), 256) * 4;
    else if (compression == BI_BITFIELDS)
      table = 12;
    if (table > Len - headerSize) return false;
    const size_t info = headerSize + table;
    return Dib(Dest, Sx, Sy, Sw, Sh, P, info, P + info, Len - info, Usage, Rop);
  }

  // ---- enhanced metafiles

  void PlayEnhanced() {
    const std::vector<uint8_t>& d = mf_.data_;
    size_t at = 0;
    while (at + 8 <= d.size()) {
      const uint8_t* r = d.data() + at;
      const uint32_t type = LoadLE32(r), size = LoadLE32(r + 4);
      if (size < 8 || size % 4 != 0 || size > d.size() - at) return;  // beyond the file: the end
      if (type == EMR_EOF) return;
      if (PlayEnhancedRecord(type, r, size))
        ++mf_.played_;
      else
        ++mf_.skipped_;
      at += size;
    }
  }

  bool PlayEnhancedRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_SETWINDOWEXTEX:
      case EMR_SETWINDOWORGEX:
      case EMR_SETVIEWPORTEXTEX:
      case EMR_SETVIEWPORTORGEX:
      case EMR_SCALEVIEWPORTEXTEX:
      case EMR_SCALEWINDOWEXTEX:
      case EMR_SETMAPMODE:
      case EMR_SETWORLDTRANSFORM:
      case EMR_MODIFYWORLDTRANSFORM:
        return EnhancedMappingRecord(type, r, size);
      case EMR_SETBKMODE:
      case EMR_SETPOLYFILLMODE:
      case EMR_SETROP2:
      case EMR_SETSTRETCHBLTMODE:
      case EMR_SETTEXTALIGN:
      case EMR_SETTEXTCOLOR:
      case EMR_SETBKCOLOR:
      case EMR_SETBRUSHORGEX:
      case EMR_SAVEDC:
      case EMR_RESTOREDC:
      case EMR_EXCLUDECLIPRECT:
      case EMR_INTERSECTCLIPRECT:
      case EMR_EXTSELECTCLIPRGN:
        return EnhancedStateRecord(type, r, size);
      case EMR_MOVETOEX:
      case EMR_LINETO:
      case EMR_SETPIXELV:
      case EMR_RECTANGLE:
      case EMR_ELLIPSE:
      case EMR_ROUNDRECT:
        return EnhancedDrawingRecord(type, r, size);
      case EMR_POLYGON:
      case EMR_POLYLINE:
      case EMR_POLYBEZIER:
      case EMR_POLYLINETO:
      case EMR_POLYBEZIERTO:
      case EMR_POLYGON16:
      case EMR_POLYLINE16:
      case EMR_POLYBEZIER16:
      case EMR_POLYLINETO16:
      case EMR_POLYBEZIERTO16:
      case EMR_POLYPOLYLINE:
      case EMR_POLYPOLYGON:
      case EMR_POLYPOLYLINE16:
      case EMR_POLYPOLYGON16:
        return EnhancedPolyRecord(type, r, size);
      case EMR_SELECTOBJECT:
      case EMR_DELETEOBJECT:
      case EMR_CREATEPEN:
      case EMR_EXTCREATEPEN:
      case EMR_CREATEBRUSHINDIRECT:
      case EMR_EXTCREATEFONTINDIRECTW:
        return EnhancedObjectRecord(type, r, size);
      case EMR_EXTTEXTOUTW:
        return EnhancedTextRecord(type, r, size);
      case EMR_BITBLT:
      case EMR_STRETCHBLT:
      case EMR_STRETCHDIBITS:
        return EnhancedBitmapRecord(type, r, size);
      case EMR_HEADER:  // read by Load
        return true;
      default:
        return false;
    }
  }

  bool EnhancedMappingRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_SETWINDOWEXTEX:
        if (!Holds(size, 16)) return false;
        st_.winExtX = S32(r + 8);
        st_.winExtY = S32(r + 12);
        return true;
      case EMR_SETWINDOWORGEX:
        if (!Holds(size, 16)) return false;
        st_.winOrgX = S32(r + 8);
        st_.winOrgY = S32(r + 12);
        return true;
      case EMR_SETVIEWPORTEXTEX:
        if (!Holds(size, 16)) return false;
        st_.vpExtX = S32(r + 8);
        st_.vpExtY = S32(r + 12);
        return true;
      case EMR_SETVIEWPORTORGEX:
        if (!Holds(size, 16)) return false;
        st_.vpOrgX = S32(r + 8);
        st_.vpOrgY = S32(r + 12);
        return true;
      case EMR_SCALEVIEWPORTEXTEX:
      case EMR_SCALEWINDOWEXTEX: {
        if (!Holds(size, 24)) return false;
        const int32_t xn = S32(r + 8), xd = S32(r + 12), yn = S32(r + 16), yd = S32(r + 20);
        if (xd == 0 || yd == 0) return false;
        double& ex = type == EMR_SCALEWINDOWEXTEX ? st_.winExtX : st_.vpExtX;
        double& ey = type == EMR_SCALEWINDOWEXTEX ? st_.winExtY : st_.vpExtY;
        ex = ex * xn / xd;
        ey = ey * yn / yd;
        return true;
      }
      case EMR_SETMAPMODE: {
        if (!Holds(size, 12)) return false;
        const uint32_t m = LoadLE32(r + 8);
        if (m < kMapText || m > kMapAnisotropic) return false;
        st_.mapMode = static_cast<int>(m);
        return true;
      }
      case EMR_SETWORLDTRANSFORM:
      case EMR_MODIFYWORLDTRANSFORM: {
        if (!Holds(size, type == EMR_SETWORLDTRANSFORM ? 32 : 36)) return false;
        double m[6];
        for (int i = 0; i < 6; ++i) {
          float f;
          const uint32_t bits = LoadLE32(r + 8 + 4 * i);
          std::memcpy(&f, &bits, 4);
          if (!std::isfinite(f)) return false;
          m[i] = f;
        }
        const uint32_t mode = type == EMR_SETWORLDTRANSFORM ? 4 : LoadLE32(r + 32);
        double* w = st_.world;
        auto product = [](const double* a, const double* b, double* out) {
          out[0] = a[0] * b[0] + a[1] * b[2];
          out[1] = a[0] * b[1] + a[1] * b[3];
          out[2] = a[2] * b[0] + a[3] * b[2];
          out[3] = a[2] * b[1] + a[3] * b[3];
          out[4] = a[4] * b[0] + a[5] * b[2] + b[4];
          out[5] = a[4] * b[1] + a[5] * b[3] + b[5];
        };
        double out[6];
        switch (mode) {
          case 1:  // identity
            std::copy_n(State{}.world, 6, w);
            return true;
          case 2:  // the new transform first
            product(m, w, out);
            break;
          case 3:  // the new transform last
            product(w, m, out);
            break;
          case 4:  // replace
            std::copy_n(m, 6, out);
            break;
          default:
            return false;
        }
        std::copy_n(out, 6, w);
        return true;
      }
      default:
        return false;
    }
  }

  bool EnhancedStateRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_SETBKMODE:
        if (!Holds(size, 12)) return false;
        SetBkMode(dc_, LoadLE32(r + 8) == TRANSPARENT ? TRANSPARENT : OPAQUE);
        return true;
      case EMR_SETPOLYFILLMODE:
        if (!Holds(size, 12)) return false;
        SetPolyFillMode(dc_, LoadLE32(r + 8) == WINDING ? WINDING : ALTERNATE);
        return true;
      case EMR_SETROP2:
        if (!Holds(size, 12) || LoadLE32(r + 8) < R2_BLACK || LoadLE32(r + 8) > R2_WHITE) return false;
        SetROP2(dc_, static_cast<int>(LoadLE32(r + 8)));
        return true;
      case EMR_SETSTRETCHBLTMODE:
        if (!Holds(size, 12)) return false;
        SetStretchBltMode(dc_, static_cast<int>(std::clamp<uint32_t>(LoadLE32(r + 8), BLACKONWHITE, HALFTONE)));
        return true;
      case EMR_SETTEXTALIGN:
        if (!Holds(size, 12)) return false;
        SetTextAlign(dc_, LoadLE32(r + 8) & (TA_UPDATECP | TA_CENTER | TA_BASELINE));
        return true;
      case EMR_SETTEXTCOLOR:
        if (!Holds(size, 12)) return false;
        SetTextColor(dc_, LoadLE32(r + 8) & 0xFFFFFF);
        return true;
      case EMR_SETBKCOLOR:
        if (!Holds(size, 12)) return false;
        SetBkColor(dc_, LoadLE32(r + 8) & 0xFFFFFF);
        return true;
      case EMR_SETBRUSHORGEX:
        return true;  // brush patterns start at the device origin
      case EMR_SAVEDC:
        Save();
        return true;
      case EMR_RESTOREDC:
        if (!Holds(size, 12)) return false;
        Restore(S32(r + 8));
        return true;
      case EMR_EXCLUDECLIPRECT:
      case EMR_INTERSECTCLIPRECT:
        if (!Holds(size, 24)) return false;
        ClipRect(Box(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20)), type == EMR_EXCLUDECLIPRECT);
        return true;
      case EMR_EXTSELECTCLIPRGN:
        // Only the reset to no clip region (no region data, mode copy).
        if (!Holds(size, 16) || LoadLE32(r + 8) != 0 || LoadLE32(r + 12) != RGN_COPY) return false;
        ResetClip();
        return true;
      default:
        return false;
    }
  }

  bool EnhancedDrawingRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_MOVETOEX:
        if (!Holds(size, 16)) return false;
        MoveToLogical(S32(r + 8), S32(r + 12));
        return true;
      case EMR_LINETO:
        if (!Holds(size, 16)) return false;
        LineToLogical(S32(r + 8), S32(r + 12));
        return true;
      case EMR_SETPIXELV: {
        if (!Holds(size, 20)) return false;
        const TPoint q = Pt(S32(r + 8), S32(r + 12));
        SetPixelV(dc_, q.X, q.Y, LoadLE32(r + 16) & 0xFFFFFF);
        return true;
      }
      case EMR_RECTANGLE:
      case EMR_ELLIPSE: {
        if (!Holds(size, 24)) return false;
        const TRect b = Box(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        if (type == EMR_RECTANGLE)
          Rectangle(dc_, b.Left, b.Top, b.Right, b.Bottom);
        else
          Ellipse(dc_, b.Left, b.Top, b.Right, b.Bottom);
        return true;
      }
      case EMR_ROUNDRECT: {
        if (!Holds(size, 32)) return false;
        const TRect b = Box(S32(r + 8), S32(r + 12), S32(r + 16), S32(r + 20));
        RoundRect(dc_, b.Left, b.Top, b.Right, b.Bottom, Clamp(std::fabs(S32(r + 24) * ScaleX())),
                  Clamp(std::fabs(S32(r + 28) * ScaleY())));
        return true;
      }
      default:
        return false;
    }
  }

  bool EnhancedPolyRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_POLYGON:
      case EMR_POLYLINE:
      case EMR_POLYBEZIER:
      case EMR_POLYLINETO:
      case EMR_POLYBEZIERTO:
      case EMR_POLYGON16:
      case EMR_POLYLINE16:
      case EMR_POLYBEZIER16:
      case EMR_POLYLINETO16:
      case EMR_POLYBEZIERTO16: {
        // bounds, count, points
        if (!Holds(size, 28)) return false;
        const bool small = type >= EMR_POLYBEZIER16;
        const size_t count = LoadLE32(r + 24);
        const size_t each = small ? 4 : 8;
        if (count > (size - 28) / each) return false;
        std::vector<TPoint> pts = small ? Points16(r + 28, count) : Points32(r + 28, count);
        const bool bezier =
            type == EMR_POLYBEZIER || type == EMR_POLYBEZIERTO || type == EMR_POLYBEZIER16 ||
            type == EMR_POLYBEZIERTO16;
        const bool to = type == EMR_POLYLINETO || type == EMR_POLYBEZIERTO ||
                        type == EMR_POLYLINETO16 || type == EMR_POLYBEZIERTO16;
        if (bezier) pts = Bezier(pts, to);
        if (to) {
          if (!pts.empty()) PolylineTo(dc_, pts.data(), static_cast<int>(pts.size()));
        } else {
          Poly(pts, type == EMR_POLYGON || type == EMR_POLYGON16);
        }
        return true;
      }
      case EMR_POLYPOLYLINE:
      case EMR_POLYPOLYGON:
      case EMR_POLYPOLYLINE16:
      case EMR_POLYPOLYGON16: {
        // bounds, polygon count, point count, counts, points
        if (!Holds(size, 32)) return false;
        const bool small = type >= EMR_POLYPOLYLINE16;
        const size_t polys = LoadLE32(r + 24), total = LoadLE32(r + 28);
        const size_t each = small ? 4 : 8;
        if (polys > (size - 32) / 4) return false;
        const size_t pointsAt = 32 + 4 * polys;
        if (total > (size - pointsAt) / each) return false;
        size_t used = 0;
        const bool filled = type == EMR_POLYPOLYGON || type == EMR_POLYPOLYGON16;
        std::vector<std::vector<TPoint>> rings;
        for (size_t i = 0; i < polys; ++i) {
          const size_t count = LoadLE32(r + 32 + 4 * i);
          if (count > total - used) return false;
          const uint8_t* q = r + pointsAt + used * each;
          std::vector<TPoint> ring = small ? Points16(q, count) : Points32(q, count);
          if (filled)
            rings.push_back(std::move(ring));
          else
            Poly(ring, false);
          used += count;
        }
        if (filled) Rings(rings);
        return true;
      }
      default:
        return false;
    }
  }

  bool EnhancedObjectRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_SELECTOBJECT: {
        if (!Holds(size, 12)) return false;
        const uint32_t index = LoadLE32(r + 8);
        if (index & 0x80000000u) {
          SelectStock(index & 0x7FFFFFFFu);
          return true;
        }
        Slot* s = SlotAt(index);
        if (!s || s->kind == Kind::None || s->kind == Kind::Other) return false;
        Select(*s);
        return true;
      }
      case EMR_DELETEOBJECT: {
        if (!Holds(size, 12)) return false;
        if (!SlotAt(LoadLE32(r + 8))) return false;
        DeleteSlot(LoadLE32(r + 8));
        return true;
      }
      case EMR_CREATEPEN: {
        // index, style, width (x, y), colour
        if (!Holds(size, 28)) return false;
        Slot* s = NewSlotAt(LoadLE32(r + 8));
        if (!s) return false;
        s->kind = Kind::Pen;
        s->pen.lopnStyle = LoadLE32(r + 12);
        s->pen.lopnWidth = TPoint{S32(r + 16), 0};
        s->pen.lopnColor = LoadLE32(r + 24);
        return true;
      }
      case EMR_EXTCREATEPEN: {
        // index, bitmap offsets and sizes (4 fields), style, width, brush
        // style, colour, hatch
        if (!Holds(size, 44)) return false;
        Slot* s = NewSlotAt(LoadLE32(r + 8));
        if (!s) return false;
        s->kind = Kind::Pen;
        const uint32_t style = LoadLE32(r + 28);
        const bool geometric = (style & 0x00010000u) != 0;
        s->pen.lopnStyle = style & PS_STYLE_MASK;
        s->pen.lopnWidth = TPoint{geometric ? S32(r + 32) : 0, 0};
        s->pen.lopnColor = LoadLE32(r + 40);
        if (LoadLE32(r + 36) == BS_NULL) s->pen.lopnStyle = PS_NULL;
        return true;
      }
      case EMR_CREATEBRUSHINDIRECT: {
        if (!Holds(size, 24)) return false;
        Slot* s = NewSlotAt(LoadLE32(r + 8));
        if (!s) return false;
        s->kind = Kind::Brush;
        s->brush.lbStyle = LoadLE32(r + 12);
        s->brush.lbColor = LoadLE32(r + 16);
        s->brush.lbHatch = LoadLE32(r + 20);
        return true;
      }
      case EMR_EXTCREATEFONTINDIRECTW: {
        // index, then the logical font with a UTF-16 face name
        if (!Holds(size, 12 + 28 + 64)) return false;
        Slot* s = NewSlotAt(LoadLE32(r + 8));
        if (!s) return false;
        s->kind = Kind::Font;
        const uint8_t* f = r + 12;
        LOGFONT& lf = s->font;
        lf.lfHeight = S32(f);
        lf.lfWidth = S32(f + 4);
        lf.lfEscapement = S32(f + 8);
        lf.lfOrientation = S32(f + 12);
        lf.lfWeight = S32(f + 16);
        lf.lfItalic = f[20];
        lf.lfUnderline = f[21];
        lf.lfStrikeOut = f[22];
        lf.lfCharSet = f[23];
        lf.lfQuality = f[26];
        lf.lfPitchAndFamily = f[27];
        const std::string face = Utf16ToUtf8(f + 28, 32).substr(0, LF_FACESIZE - 1);
        std::memcpy(lf.lfFaceName, face.data(), face.size());
        return true;
      }
      default:
        return false;
    }
  }

  bool EnhancedTextRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_EXTTEXTOUTW: {
        // bounds, graphics mode, scales, then the text record at 36:
        // reference point, count, string offset, options, rectangle, dx offset
        if (!Holds(size, 76)) return false;
        const int32_t x = S32(r + 36), y = S32(r + 40);
        const uint32_t count = LoadLE32(r + 44), offString = LoadLE32(r + 48), options = LoadLE32(r + 52);
        if (offString > size || count > (size - offString) / 2) return false;
        TRect clip = Box(S32(r + 56), S32(r + 60), S32(r + 64), S32(r + 68));
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        Text(x, y, Utf16ToUtf8(r + offString, count), hasRect ? options : 0, hasRect ? &clip : nullptr);
        return true;
      }
      default:
        return false;
    }
  }

  bool EnhancedBitmapRecord(uint32_t type, const uint8_t* r, size_t size) {
    switch (type) {
      case EMR_BITBLT: {
        // bounds, destination (x, y, cx, cy), rop, source (x, y), source
        // transform, background, usage, bitmap offsets and sizes
        if (!Holds(size, 100)) return false;
        const int32_t x = S32(r + 24), y = S32(r + 28), cx = S32(r + 32), cy = S32(r + 36);
        const TRect b = Box(x, y, double(x) + cx, double(y) + cy);
        if (LoadLE32(r + 88) == 0) {
          PatBlt(dc_, b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top, LoadLE32(r + 40));
          return true;
        }
        return EnhancedDib(r, size, b, S32(r + 44), S32(r + 48), cx, cy, LoadLE32(r + 84), LoadLE32(r + 88),
                           LoadLE32(r + 92), LoadLE32(r + 96), LoadLE32(r + 80), LoadLE32(r + 40));
      }
      case EMR_STRETCHBLT: {
        if (!Holds(size, 108)) return false;
        const int32_t x = S32(r + 24), y = S32(r + 28), cx = S32(r + 32), cy = S32(r + 36);
        const TRect b = Box(x, y, double(x) + cx, double(y) + cy);
        if (LoadLE32(r + 88) == 0) {
          PatBlt(dc_, b.Left, b.Top, b.Right - b.Left, b.Bottom - b.Top, LoadLE32(r + 40));
          return true;
        }
        return EnhancedDib(r, size, b, S32(r + 44), S32(r + 48), S32(r + 100), S32(r + 104),
                           LoadLE32(r + 84), LoadLE32(r + 88), LoadLE32(r + 92), LoadLE32(r + 96), LoadLE32(r + 80),
                           LoadLE32(r + 40));
      }
      case EMR_STRETCHDIBITS: {
        if (!Holds(size, 80)) return false;
        const int32_t x = S32(r + 24), y = S32(r + 28);
        const TRect b = Box(x, y, double(x) + S32(r + 72), double(y) + S32(r + 76));
        return EnhancedDib(r, size, b, S32(r + 32), S32(r + 36), S32(r + 40), S32(r + 44),
                           LoadLE32(r + 48), LoadLE32(r + 52), LoadLE32(r + 56), LoadLE32(r + 60), LoadLE32(r + 64),
                           LoadLE32(r + 68));
      }
      default:
        return false;
    }
  }

  // A bitmap whose header and pixels lie at offsets of the record.
  bool EnhancedDib(const uint8_t* r, size_t size, const TRect& Dest, int32_t Sx, int32_t Sy,
                   int32_t Sw, int32_t Sh, uint32_t OffInfo, uint32_t InfoLen, uint32_t OffBits,
                   uint32_t BitsLen, uint32_t Usage, DWORD Rop) {
    if (OffInfo > size || InfoLen > size - OffInfo || OffBits > size || BitsLen > size - OffBits)
      return false;
    return Dib(Dest, Sx, Sy, Sw, Sh, r + OffInfo, InfoLen, r + OffBits, BitsLen, Usage, Rop);
  }

  // Bezier curves as line points: (to: from the current position) each
  // three points make a curve from the last end point; 16 steps a curve.
  std::vector<TPoint> Bezier(const std::vector<TPoint>& p, bool To) const {
    std::vector<TPoint> out;
    size_t i = 0;
    TPoint start;
    if (To) {
      GetCurrentPositionEx(dc_, &start);
    } else {
      if (p.empty()) return out;
      start = p[0];
      out.push_back(start);
      i = 1;
    }
    for (; i + 3 <= p.size(); i += 3) {
      const TPoint a = start, b = p[i], c = p[i + 1], d = p[i + 2];
      for (int k = 1; k <= 16; ++k) {
        const double t = k / 16.0, u = 1 - t;
        const double x = u * u * u * a.X + 3 * u * u * t * b.X + 3 * u * t * t * c.X + t * t * t * d.X;
        const double y = u * u * u * a.Y + 3 * u * u * t * b.Y + 3 * u * t * t * c.Y + t * t * t * d.Y;
        out.push_back(TPoint{Clamp(x), Clamp(y)});
      }
      start = d;
    }
    return out;
  }

  const TMetafile& mf_;
  HDC dc_;
  State st_;
  std::vector<State> stack_;
  // Object slots in use, below slot_limit_; Windows metafiles hand out the
  // lowest free one: one freed before, else the next never used.
  std::unordered_map<uint32_t, Slot> slots_;
  uint32_t slot_limit_ = 0, next_slot_ = 0;
  std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> freed_;
  std::vector<HGDIOBJ> made_;
  int32_t font_limit_ = kMaxFontHeight;
  HRGN base_clip_ = nullptr;
  bool has_base_clip_ = false;
  double px_per_mm_x_ = 96.0 / 25.4, px_per_mm_y_ = 96.0 / 25.4;
  double pb_sx_ = 1, pb_sy_ = 1, pb_x_ = 0, pb_y_ = 0;
};

void TMetafile::Clear() {
  data_.clear();
  enhanced_ = false;
  records_at_ = 0;
  objects_ = 0;
  box_ = TRect{};
  has_box_ = false;
  width_ = height_ = 0;
}

bool TMetafile::Load(const uint8_t* Data, size_t Size) {
  Clear();
  if (!Data) return false;
  // Enhanced: the header record with its signature.
  if (Size >= kEmfHeaderSize && LoadLE32(Data) == 1 && LoadLE32(Data + 40) == kEmfSignature) {
    const uint32_t headerSize = LoadLE32(Data + 4);
    if (headerSize < kEmfHeaderSize || headerSize > Size) return false;
    const double devX = S32(Data + 72), devY = S32(Data + 76);
    const double mmX = S32(Data + 80), mmY = S32(Data + 84);
    const double ppmX = devX > 0 && mmX > 0 ? devX / mmX : 96.0 / 25.4;
    const double ppmY = devY > 0 && mmY > 0 ? devY / mmY : 96.0 / 25.4;
    // The frame is in hundredths of a millimetre.
    const int32_t fl = S32(Data + 24), ft = S32(Data + 28), fr = S32(Data + 32), fb = S32(Data + 36);
    frame_[0] = fl * ppmX / 100;
    frame_[1] = ft * ppmY / 100;
    frame_[2] = fr * ppmX / 100;
    frame_[3] = fb * ppmY / 100;
    const int64_t w = std::llabs(ScaleRounded(int64_t{fr} - fl, 96, 2540));
    const int64_t h = std::llabs(ScaleRounded(int64_t{fb} - ft, 96, 2540));
    if (w > kMaxPictureSide || h > kMaxPictureSide) return false;
    width_ = static_cast<int32_t>(w);
    height_ = static_cast<int32_t>(h);
    enhanced_ = true;
    data_.assign(Data, Data + Size);
    return true;
  }
  // Windows: an optional placeable header, then the standard one.
  size_t at = 0;
  bool placeable = false;
  if (Size >= 4 && LoadLE32(Data) == kPlaceableKey) {
    if (Size < kPlaceableSize) return false;
    placeable = true;
    at = kPlaceableSize;
  }
  if (Size - at < kStandardHeaderSize) return false;
  const uint8_t* h = Data + at;
  if (LoadLE16(h) != 1 && LoadLE16(h) != 2) return false;
  if (LoadLE16(h + 2) != 9) return false;
  objects_ = LoadLE16(h + 10);
  records_at_ = at + kStandardHeaderSize;
  if (placeable) {
    const int16_t l = S16(Data + 6), t = S16(Data + 8), r = S16(Data + 10), b = S16(Data + 12);
    int64_t inch = LoadLE16(Data + 14);
    if (inch == 0) inch = 1440;
    box_ = TRect{l, t, r, b};
    has_box_ = true;
    width_ = static_cast<int32_t>(std::llabs(ScaleRounded(ScaleRounded(int64_t{r} - l, 2540, inch), 96, 2540)));
    height_ = static_cast<int32_t>(std::llabs(ScaleRounded(ScaleRounded(int64_t{b} - t, 2540, inch), 96, 2540)));
  } else {
    // A plain metafile is sized by its window, one unit a pixel.
    int32_t ox = 0, oy = 0;
    for (size_t p = records_at_; p + 6 <= Size;) {
      const uint64_t size = uint64_t{LoadLE32(Data + p)} * 2;
      const uint16_t fn = LoadLE16(Data + p + 4);
      if (size < 6 || size > Size - p || fn == META_EOF) break;
      if (fn == META_SETWINDOWORG && size >= 10) {
        oy = S16(Data + p + 6);
        ox = S16(Data + p + 8);
      } else if (fn == META_SETWINDOWEXT && size >= 10) {
        const int16_t ey = S16(Data + p + 6), ex = S16(Data + p + 8);
        box_ = TRect{ox, oy, ox + ex, oy + ey};
        has_box_ = true;
        break;
      }
      p += static_cast<size_t>(size);
    }
    if (!has_box_) return false;
    width_ = std::abs(box_.Right - box_.Left);
    height_ = std::abs(box_.Bottom - box_.Top);
  }
  data_.assign(Data, Data + Size);
  return true;
}

void TMetafile::Play(HDC Dc, const TRect& Rect) const {
  played_ = skipped_ = 0;
  if (data_.empty() || !IsDC(Dc)) return;
  TMetafilePlayer(*this, Dc, Rect).Play();
}
