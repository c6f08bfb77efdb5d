#include "platform/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "platform/DCInternal.h"
#include "platform/Draw.h"
#include "platform/Raster.h"
#include "rtl/StrUtils.h"

using namespace raster;

// A face at one size and slant, with its metrics and rendered glyphs.
class FontFace {
 public:
  struct Glyph {
    int32_t advance = 0;  // whole pixels along the baseline
    int32_t left = 0, top = 0, width = 0, rows = 0;
    std::vector<uint8_t> coverage;  // rows x width, 0..255
    // Rotated faces: the pen movement for this glyph.
    double ax = 0, ay = 0;
  };

  FT_Face face = nullptr;
  std::string family;
  bool synthBold = false, synthItalic = false, mono = false;
  // The symbol face's bullet (0xB7) is drawn as the Unicode bullet.
  bool symbol = false;
  double angle = 0;  // radians, counter-clockwise
  TEXTMETRIC tm;
  int32_t underlinePos = 1, underlineThick = 1, strikePos = 0, strikeThick = 1;
  std::unordered_map<uint32_t, Glyph> glyphs;
  // What fallback faces need to match this one: the em size in pixels, the
  // style asked for and the rotation or shear (when transformed).
  double em = 0;
  bool bold = false, italic = false, transformed = false;
  FT_Matrix matrix{};
  // Faces that supplied characters this one lacks, by file and index.
  std::map<std::string, FT_Face> fallbacks;

  ~FontFace() {
    for (auto& f : fallbacks)
      if (f.second) FT_Done_Face(f.second);
    if (face) FT_Done_Face(face);
  }
  const Glyph& Get(uint32_t cp);

 private:
  FT_Face FallbackFor(uint32_t cp);
};

namespace {

std::recursive_mutex& TextLock() {
  static std::recursive_mutex m;
  return m;
}

std::function<void(const TTextCut&)>& CutObserver() {
  static std::function<void(const TTextCut&)> f;
  return f;
}

std::string Encode(const uint32_t* cps, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = cps[i];
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | (c >> 6));
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | (c >> 12));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | (c >> 18));
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

void ReportCut(const uint32_t* cps, size_t n, int32_t width, int32_t shown) {
  if (CutObserver()) CutObserver()(TTextCut{Encode(cps, n), width, shown});
}

FT_Library Library() {
  static FT_Library lib = [] {
    FT_Library l = nullptr;
    FT_Init_FreeType(&l);
    return l;
  }();
  return lib;
}

struct Match {
  std::string file;
  int index = 0;
  std::string family;
  bool bold = false, italic = false;
};

// A fontconfig pattern asking for a scalable face of the family and style.
FcPattern* StylePattern(const std::string& family, bool bold, bool italic) {
  static bool init = FcInit();
  (void)init;
  FcPattern* p = FcPatternCreate();
  FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  return p;
}

// The index in its file and the style of a face fontconfig found.
void TakeFaceStyle(FcPattern* face, Match& m) {
  int idx = 0, weight = 0, slant = 0;
  FcPatternGetInteger(face, FC_INDEX, 0, &idx);
  FcPatternGetInteger(face, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(face, FC_SLANT, 0, &slant);
  m.index = idx;
  m.bold = weight >= FC_WEIGHT_DEMIBOLD;
  m.italic = slant != FC_SLANT_ROMAN;
}

// fontconfig lookup of family, weight and slant; cached.
Match FindFont(const std::string& family, bool bold, bool italic) {
  static std::map<std::tuple<std::string, bool, bool>, Match> cache;
  auto key = std::make_tuple(family, bold, italic);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  Match m;
  FcPattern* p = StylePattern(family, bold, italic);
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult res;
  FcPattern* f = FcFontMatch(nullptr, p, &res);
  if (f) {
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    if (FcPatternGetString(f, FC_FILE, 0, &file) == FcResultMatch)
      m.file = reinterpret_cast<char*>(file);
    // A face may carry several family names ("DejaVu Sans" and "DejaVu
    // Sans Condensed"): the one asked for is its name here.
    for (int i = 0; FcPatternGetString(f, FC_FAMILY, i, &fam) == FcResultMatch; ++i) {
      std::string name = reinterpret_cast<char*>(fam);
      if (i == 0 || LowerCase(name) == LowerCase(family)) m.family = name;
      if (LowerCase(name) == LowerCase(family)) break;
    }
    TakeFaceStyle(f, m);
    FcPatternDestroy(f);
  }
  FcPatternDestroy(p);
  cache[key] = m;
  return m;
}

// The installed face that fontconfig ranks first for the family and style
// among those that hold the character; an empty file when none does.
Match FindFallbackFont(const std::string& family, bool bold, bool italic, uint32_t cp) {
  static std::map<std::tuple<std::string, bool, bool, uint32_t>, Match> cache;
  auto key = std::make_tuple(family, bold, italic, cp);
  auto it = cache.find(key);
  if (it != cache.end()) return it->second;
  Match m;
  FcPattern* p = StylePattern(family, bold, italic);
  FcCharSet* wanted = FcCharSetCreate();
  FcCharSetAddChar(wanted, cp);
  FcPatternAddCharSet(p, FC_CHARSET, wanted);
  FcCharSetDestroy(wanted);
  FcConfigSubstitute(nullptr, p, FcMatchPattern);
  FcDefaultSubstitute(p);
  FcResult res;
  // Sorted by closeness to the pattern, the character set counting; the
  // first face that really holds the character is taken.
  FcFontSet* set = FcFontSort(nullptr, p, FcFalse, nullptr, &res);
  for (int i = 0; set && i < set->nfont; ++i) {
    FcCharSet* cs = nullptr;
    FcChar8* file = nullptr;
    if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &cs) != FcResultMatch || !FcCharSetHasChar(cs, cp))
      continue;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
    m.file = reinterpret_cast<char*>(file);
    TakeFaceStyle(set->fonts[i], m);
    break;
  }
  if (set) FcFontSetDestroy(set);
  FcPatternDestroy(p);
  cache[key] = m;
  return m;
}

// UTF-8 to code points; a byte that does not start a valid sequence is taken
// as a Windows-1252 character.
std::vector<uint32_t> Decode(const char* s, size_t n) {
  static const uint16_t k1252[32] = {
      0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::vector<uint32_t> out;
  out.reserve(n);
  const auto* p = reinterpret_cast<const uint8_t*>(s);
  size_t i = 0;
  while (i < n) {
    uint8_t c = p[i];
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    int len = (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t cp = len == 2 ? c & 0x1F : len == 3 ? c & 0x0F : c & 0x07;
    bool ok = len > 0 && i + size_t(len) <= n;
    for (int k = 1; ok && k < len; ++k) {
      if ((p[i + size_t(k)] & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (p[i + size_t(k)] & 0x3F);
    }
    if (ok && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
               cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)))
      ok = false;
    if (ok) {
      out.push_back(cp);
      i += size_t(len);
    } else {
      out.push_back(c < 0xA0 ? k1252[c - 0x80] : c);
      ++i;
    }
  }
  return out;
}

std::shared_ptr<FontFace> MakeFace(const LOGFONT& lf) {
  static std::map<std::string, std::weak_ptr<FontFace>> cache;
  std::string family = MapFontFamily(lf.lfFaceName);
  bool bold = lf.lfWeight >= FW_SEMIBOLD, italic = lf.lfItalic != 0;
  char key[512];
  std::snprintf(key, sizeof key, "%s|%d|%d|%d|%d|%d|%d|%d", family.c_str(), int(lf.lfHeight), bold,
                italic, int(lf.lfEscapement), int(lf.lfQuality == NONANTIALIASED_QUALITY),
                int(lf.lfWidth), int(LowerCase(lf.lfFaceName) == "symbol"));
  auto it = cache.find(key);
  if (it != cache.end())
    if (auto f = it->second.lock()) return f;

  auto ff = std::make_shared<FontFace>();
  Match m = FindFont(family, bold, italic);
  if (m.file.empty() || FT_New_Face(Library(), m.file.c_str(), m.index, &ff->face) != 0) {
    ff->face = nullptr;
    m = FindFont("DejaVu Sans", bold, italic);
    if (m.file.empty() || FT_New_Face(Library(), m.file.c_str(), m.index, &ff->face) != 0) {
      ff->face = nullptr;
      return ff;  // no fonts at all: text measures as empty
    }
  }
  ff->family = m.family;
  ff->synthBold = bold && !m.bold;
  ff->synthItalic = italic && !m.italic;
  ff->mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  ff->symbol = LowerCase(lf.lfFaceName) == "symbol";
  FT_Face f = ff->face;
  double upem = f->units_per_EM ? f->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(f, FT_SFNT_HHEA));
  double winAsc = os2 && os2->usWinAscent ? os2->usWinAscent : f->ascender;
  double winDesc = os2 && os2->usWinAscent ? os2->usWinDescent : -f->descender;
  // Negative heights ask for the character (em) height, positive ones for
  // the cell height; 0 is the default cell of 16 pixels.
  double em;
  if (lf.lfHeight < 0)
    em = -double(lf.lfHeight);
  else
    em = (lf.lfHeight > 0 ? lf.lfHeight : 16) * upem / (winAsc + winDesc);
  em = std::clamp(em, 1.0, 2000.0);
  ff->em = em;
  ff->bold = bold;
  ff->italic = italic;
  double scale = em / upem;
  FT_Set_Char_Size(f, 0, FT_F26Dot6(std::lround(em * 64)), 72, 72);
  TEXTMETRIC& tm = ff->tm;
  tm.tmAscent = LONG(std::lround(winAsc * scale));
  tm.tmDescent = LONG(std::lround(winDesc * scale));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - LONG(std::lround(em)));
  if (hhea) {
    double lineGap = hhea->Ascender - hhea->Descender + hhea->Line_Gap - (winAsc + winDesc);
    tm.tmExternalLeading = std::max<LONG>(0, LONG(std::lround(lineGap * scale)));
  }
  tm.tmAveCharWidth =
      os2 ? LONG(std::lround(os2->xAvgCharWidth * scale)) : LONG(std::lround(em / 2));
  tm.tmMaxCharWidth = LONG(std::lround((hhea ? hhea->advance_Width_Max : upem) * scale));
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm.tmItalic = italic;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  tm.tmPitchAndFamily = FT_IS_FIXED_WIDTH(f) ? 0 : 1;  // the bit set means variable pitch
  tm.tmCharSet = lf.lfCharSet;
  ff->underlineThick = std::max(1, int(std::lround(f->underline_thickness * scale)));
  ff->underlinePos = std::max(1, int(std::lround(-f->underline_position * scale)));
  if (os2 && os2->yStrikeoutSize) {
    ff->strikeThick = std::max(1, int(std::lround(os2->yStrikeoutSize * scale)));
    ff->strikePos = int(std::lround(os2->yStrikeoutPosition * scale));
  } else {
    ff->strikeThick = ff->underlineThick;
    ff->strikePos = int(std::lround(tm.tmAscent / 3.0));
  }
  ff->angle = lf.lfEscapement / 10.0 * M_PI / 180.0;
  if (lf.lfEscapement % 3600 != 0 || ff->synthItalic) {
    FT_Matrix mat;
    double c = std::cos(ff->angle), s = std::sin(ff->angle);
    double shear = ff->synthItalic ? 0.2 : 0.0;
    // Rotation after the italic shear (x' = x + shear * y).
    mat.xx = FT_Fixed(std::lround(c * 65536));
    mat.xy = FT_Fixed(std::lround((c * shear - s) * 65536));
    mat.yx = FT_Fixed(std::lround(s * 65536));
    mat.yy = FT_Fixed(std::lround((s * shear + c) * 65536));
    FT_Set_Transform(f, &mat, nullptr);
    ff->transformed = true;
    ff->matrix = mat;
  }
  cache[key] = ff;
  return ff;
}

}  // namespace

FT_Face FontFace::FallbackFor(uint32_t cp) {
  // A face already taken for another character often holds this one too
  // (the rest of a Japanese name), which spares fontconfig's search.
  for (auto& f : fallbacks)
    if (f.second && FT_Get_Char_Index(f.second, cp) != 0) return f.second;
  Match m = FindFallbackFont(family, bold, italic, cp);
  if (m.file.empty()) return nullptr;
  const std::string key = m.file + "#" + std::to_string(m.index);
  auto it = fallbacks.find(key);
  if (it != fallbacks.end()) return it->second;
  FT_Face f = nullptr;
  if (FT_New_Face(Library(), m.file.c_str(), m.index, &f) != 0) f = nullptr;
  if (f) {
    // The same em size as this face, so the characters sit on one baseline
    // at one size; rotation and shear as this face has them.
    FT_Set_Char_Size(f, 0, FT_F26Dot6(std::lround(em * 64)), 72, 72);
    if (transformed) FT_Set_Transform(f, &matrix, nullptr);
  }
  fallbacks[key] = f;
  return f;
}

const FontFace::Glyph& FontFace::Get(uint32_t cp) {
  auto it = glyphs.find(cp);
  if (it != glyphs.end()) return it->second;
  Glyph& g = glyphs[cp];
  if (!face) return g;
  if (symbol && cp == 0xB7) cp = 0x2022;
  FT_Face use = face;
  FT_UInt index = FT_Get_Char_Index(face, cp);
  // A character the face lacks comes from an installed face that has it,
  // as desktop programs draw it, rather than as the face's empty box.
  if (index == 0 && cp >= 0x20) {
    if (FT_Face other = FallbackFor(cp)) {
      use = other;
      index = FT_Get_Char_Index(other, cp);
    }
  }
  FT_Int32 flags = mono ? FT_LOAD_TARGET_MONO : FT_LOAD_DEFAULT;
  if (FT_Load_Glyph(use, index, flags) != 0) return g;
  FT_GlyphSlot slot = use->glyph;
  if (synthBold && slot->format == FT_GLYPH_FORMAT_OUTLINE)
    FT_Outline_Embolden(&slot->outline, std::max<FT_Pos>(64, use->size->metrics.y_ppem * 2));
  // Advances are whole pixels as measured without rotation.
  FT_Fixed lin = slot->linearHoriAdvance;  // 16.16, unhinted
  bool rotated = std::fmod(std::fabs(angle), 2 * M_PI) > 1e-9;
  if (rotated || synthItalic) {
    g.advance = int32_t(std::lround(lin / 65536.0));
  } else {
    g.advance = int32_t((slot->advance.x + 32) >> 6);
  }
  if (synthBold) g.advance += 1;
  g.ax = g.advance * std::cos(angle);
  g.ay = -g.advance * std::sin(angle);
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.left = slot->bitmap_left;
  g.top = slot->bitmap_top;
  g.width = int32_t(bm.width);
  g.rows = int32_t(bm.rows);
  g.coverage.resize(size_t(g.width) * size_t(g.rows));
  for (int32_t y = 0; y < g.rows; ++y) {
    const uint8_t* src = bm.buffer + ptrdiff_t(y) * bm.pitch;
    for (int32_t x = 0; x < g.width; ++x) {
      uint8_t v = bm.pixel_mode == FT_PIXEL_MODE_MONO
                      ? (((src[x >> 3] >> (7 - (x & 7))) & 1) ? 255 : 0)
                      : src[x];
      g.coverage[size_t(y) * size_t(g.width) + size_t(x)] = v;
    }
  }
  return g;
}

std::string MapFontFamily(const std::string& faceName) {
  // The user-interface faces take the family whose widths come closest to
  // theirs, so that captions laid out for them fit: at 8 points (11 pixels)
  // the classic dialog faces (Tahoma, MS Sans Serif, MS Shell Dlg) have a
  // horizontal dialog base unit of 6 pixels, the 52 letters A-Z a-z
  // measuring about 300 pixels. DejaVu Sans Condensed measures 318 there
  // (base unit 6), Liberation Sans 334 (6) and DejaVu Sans 359 (7). Verdana
  // is the wide face of the set and keeps DejaVu Sans, which is a little
  // narrower still; Arial and its look-alikes keep Liberation Sans, made to
  // Arial's widths.
  static const std::map<std::string, std::string> kMap = {
      {"", "DejaVu Sans"},
      {"tahoma", "DejaVu Sans Condensed"},
      {"verdana", "DejaVu Sans"},
      {"ms sans serif", "DejaVu Sans Condensed"},
      {"microsoft sans serif", "DejaVu Sans Condensed"},
      {"ms shell dlg", "DejaVu Sans Condensed"},
      {"ms shell dlg 2", "DejaVu Sans Condensed"},
      {"segoe ui", "DejaVu Sans Condensed"},
      {"system", "DejaVu Sans"},
      {"default", "DejaVu Sans"},
      {"arial", "Liberation Sans"},
      {"helvetica", "Liberation Sans"},
      {"times new roman", "Liberation Serif"},
      {"times", "Liberation Serif"},
      {"ms serif", "Liberation Serif"},
      {"courier new", "Liberation Mono"},
      {"courier", "Liberation Mono"},
      {"fixedsys", "DejaVu Sans Mono"},
      {"terminal", "DejaVu Sans Mono"},
      {"lucida console", "DejaVu Sans Mono"},
      {"symbol", "DejaVu Sans"},
  };
  auto it = kMap.find(LowerCase(faceName));
  return it != kMap.end() ? it->second : faceName;
}

int EnumFontFamiliesEx(HDC dc, const LOGFONT* lf, FONTENUMPROC proc, intptr_t data, DWORD) {
  if (!IsDC(dc) || !lf || !proc) return 0;
  std::vector<std::string> names;
  {
    std::lock_guard<std::recursive_mutex> g(TextLock());
    static bool init = FcInit();
    (void)init;
    FcPattern* p = FcPatternCreate();
    FcObjectSet* os = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, p, os);
    std::vector<std::string> installed;
    for (int i = 0; set && i < set->nfont; ++i) {
      FcChar8* fam = nullptr;
      for (int k = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, k, &fam) == FcResultMatch; ++k)
        installed.push_back(reinterpret_cast<char*>(fam));
    }
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(os);
    FcPatternDestroy(p);
    std::sort(installed.begin(), installed.end());
    installed.erase(std::unique(installed.begin(), installed.end()), installed.end());
    std::string want = LowerCase(lf->lfFaceName);
    if (want.empty()) {
      names = installed;
    } else {
      std::string mapped = LowerCase(MapFontFamily(lf->lfFaceName));
      for (const std::string& n : installed)
        if (LowerCase(n) == want || (mapped != want && LowerCase(n) == mapped)) {
          names.push_back(lf->lfFaceName);
          break;
        }
    }
  }
  int result = 1;
  for (const std::string& n : names) {
    LOGFONT f = *lf;
    std::snprintf(f.lfFaceName, sizeof f.lfFaceName, "%s", n.c_str());
    HFONT h = CreateFontIndirect(&f);
    HDC mem = CreateCompatibleDC(nullptr);
    SelectObject(mem, h);
    TEXTMETRIC tm;
    GetTextMetrics(mem, &tm);
    DeleteDC(mem);
    DeleteObject(h);
    result = proc(&f, &tm, TRUETYPE_FONTTYPE, data);
    if (result == 0) break;
  }
  return result;
}

namespace {

FontFace* FaceOf(HDC dc) {
  HFONT f = dc->st.font;
  if (!f) f = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  if (!f->face) f->face = MakeFace(f->lf);
  return f->face.get();
}

// Width of a run of code points in whole pixels (no rotation applied).
int32_t Width(HDC dc, FontFace* ff, const uint32_t* cps, size_t n) {
  int32_t w = 0;
  for (size_t i = 0; i < n; ++i) w += ff->Get(cps[i]).advance + dc->st.charExtra;
  return w;
}

void BlendSpan(uint32_t* p, int32_t n, const uint8_t* cov, uint32_t color) {
  uint32_t cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
  for (int32_t i = 0; i < n; ++i) {
    uint32_t a = cov[i];
    if (!a) continue;
    if (a == 255) {
      p[i] = color;
      continue;
    }
    uint32_t d = p[i];
    uint32_t r = (cr * a + ((d >> 16) & 0xFF) * (255 - a) + 127) / 255;
    uint32_t g = (cg * a + ((d >> 8) & 0xFF) * (255 - a) + 127) / 255;
    uint32_t b = (cb * a + (d & 0xFF) * (255 - a) + 127) / 255;
    p[i] = (r << 16) | (g << 8) | b;
  }
}

// Draws glyphs with the pen starting at the baseline origin (surface
// coordinates, fractional for rotated text).
void DrawGlyphs(HDC dc, Target& t, FontFace* ff, const uint32_t* cps, size_t n, double ox,
                double oy, const int* dx) {
  uint32_t color = Px(dc->st.textColor);
  double c = std::cos(ff->angle), s = std::sin(ff->angle);
  double px = ox, py = oy;
  std::vector<uint8_t> row;
  for (size_t i = 0; i < n; ++i) {
    const FontFace::Glyph& g = ff->Get(cps[i]);
    int32_t gx = int32_t(std::lround(px)) + g.left, gy = int32_t(std::lround(py)) - g.top;
    for (int32_t y = 0; y < g.rows; ++y) {
      int32_t sy = gy + y;
      if (sy < 0 || sy >= t.Height()) continue;
      const uint8_t* cov = &g.coverage[size_t(y) * size_t(g.width)];
      dc->Clip().ForEachSpan(sy, gx, gx + g.width, [&](int32_t l, int32_t r) {
        t.Modify(sy, l, r, [&](uint32_t* p, int32_t xs, int32_t cnt) {
          BlendSpan(p, cnt, cov + (xs - gx), color);
        });
      });
    }
    double adv = (dx ? dx[i] : g.advance + dc->st.charExtra);
    px += adv * c;
    py -= adv * s;
  }
}

// A filled band along the baseline (underline, strike-out) of length w.
void Band(HDC dc, Target& t, FontFace* ff, double ox, double oy, int32_t w, int32_t below,
          int32_t thick) {
  uint32_t color = Px(dc->st.textColor);
  double c = std::cos(ff->angle), s = std::sin(ff->angle);
  if (std::fabs(s) < 1e-9) {
    int32_t x0 = int32_t(std::lround(ox)), y0 = int32_t(std::lround(oy)) + below;
    if (c < 0) x0 -= w;
    for (int32_t y = y0; y < y0 + thick; ++y) {
      if (y < 0 || y >= t.Height()) continue;
      dc->Clip().ForEachSpan(y, x0, x0 + w, [&](int32_t l, int32_t r) {
        t.Modify(y, l, r, [&](uint32_t* p, int32_t, int32_t cnt) { std::fill(p, p + cnt, color); });
      });
    }
    return;
  }
  // Rotated: plot along the direction.
  for (int32_t k = 0; k < thick; ++k)
    for (int32_t i = 0; i < w; ++i) {
      double x = ox + i * c + (below + k) * s, y = oy - i * s + (below + k) * c;
      int32_t xi = int32_t(std::lround(x)), yi = int32_t(std::lround(y));
      if (xi < 0 || yi < 0 || xi >= t.Width() || yi >= t.Height() || !dc->Clip().Contains(xi, yi))
        continue;
      t.Modify(yi, xi, xi + 1, [&](uint32_t* p, int32_t, int32_t) { p[0] = color; });
    }
}

// Text out at a logical reference point, honouring alignment, background
// mode and the font's decorations. Answers the text width.
int32_t Out(HDC dc, int32_t x, int32_t y, const std::vector<uint32_t>& cps, const TRect* opaqueRect,
            const TRect* clipRect, const int* dx) {
  FontFace* ff = FaceOf(dc);
  Target t(dc);
  int32_t w = 0;
  if (dx) {
    for (size_t i = 0; i < cps.size(); ++i) w += dx[i];
  } else {
    w = Width(dc, ff, cps.data(), cps.size());
  }
  if (!t.Valid()) return w;
  UINT align = dc->st.textAlign;
  if (align & TA_UPDATECP) {
    x = dc->st.curPos.X;
    y = dc->st.curPos.Y;
  }
  double c = std::cos(ff->angle), s = std::sin(ff->angle);
  // Offsets in the text's own frame (right along the baseline, down).
  double along = 0, down = 0;
  switch (align & TA_CENTER) {
    case TA_RIGHT:
      along = -w;
      break;
    case TA_CENTER:
      along = -w / 2.0;
      break;
    default:
      break;
  }
  switch (align & TA_BASELINE) {
    case TA_BASELINE:
      break;
    case TA_BOTTOM:
      down = -ff->tm.tmDescent;
      break;
    default:
      down = ff->tm.tmAscent;
      break;
  }
  double sx = dc->SX(x), sy = dc->SY(y);
  double ox = sx + along * c + down * s, oy = sy - along * s + down * c;
  bool clipped = clipRect != nullptr;
  if (clipped) {
    SaveDC(dc);
    IntersectClipRect(dc, clipRect->Left, clipRect->Top, clipRect->Right, clipRect->Bottom);
  }
  if (opaqueRect) {
    HBRUSH b = CreateSolidBrush(dc->st.bkColor);
    FillRect(dc, opaqueRect, b);
    DeleteObject(b);
  } else if (dc->st.bkMode == OPAQUE && w > 0) {
    if (std::fabs(s) < 1e-9 && c > 0) {
      TRect cell{int32_t(std::lround(ox)), int32_t(std::lround(oy)) - ff->tm.tmAscent,
                 int32_t(std::lround(ox)) + w, int32_t(std::lround(oy)) + ff->tm.tmDescent};
      Pattern pat;
      pat.null = false;
      pat.solid = true;
      pat.color = Px(dc->st.bkColor);
      std::fill(std::begin(pat.px), std::end(pat.px), pat.color);
      std::fill(std::begin(pat.paint), std::end(pat.paint), true);
      PatternRect(dc, t, pat, 0xF0, cell);
    } else {
      // Rotated cell as a polygon.
      TPoint pts[4];
      double a = -ff->tm.tmAscent, d = ff->tm.tmDescent;
      double corners[4][2] = {{0, a}, {double(w), a}, {double(w), d}, {0, d}};
      TPoint off = dc->DeviceOffset();
      for (int i = 0; i < 4; ++i) {
        double px = ox + corners[i][0] * c + corners[i][1] * s;
        double py = oy - corners[i][0] * s + corners[i][1] * c;
        pts[i] = TPoint{int32_t(std::lround(px)) - dc->origin.X - off.X,
                        int32_t(std::lround(py)) - dc->origin.Y - off.Y};
      }
      SaveDC(dc);
      HBRUSH b = CreateSolidBrush(dc->st.bkColor);
      SelectObject(dc, b);
      SelectObject(dc, StockPen(NULL_PEN));
      dc->st.rop2 = R2_COPYPEN;
      Polygon(dc, pts, 4);
      RestoreDC(dc, -1);
      DeleteObject(b);
    }
  }
  if (CutObserver() && w > 0 && std::fabs(s) < 1e-9 && c > 0) {
    // How much of the run shows along the middle of its cell.
    int32_t x0 = int32_t(std::lround(ox)), x1 = x0 + w;
    int32_t mid = int32_t(std::lround(oy)) - ff->tm.tmAscent + ff->tm.tmHeight / 2;
    int32_t shown = 0;
    if (mid >= 0 && mid < t.Height())
      dc->Clip().ForEachSpan(mid, std::max(0, x0), std::min(t.Width(), x1),
                             [&](int32_t l, int32_t r) { shown += r - l; });
    if (shown > 0 && shown < w) ReportCut(cps.data(), cps.size(), w, shown);
  }
  DrawGlyphs(dc, t, ff, cps.data(), cps.size(), ox, oy, dx);
  HFONT font = dc->st.font;
  if (font && font->lf.lfUnderline)
    Band(dc, t, ff, ox, oy, w, ff->underlinePos, ff->underlineThick);
  if (font && font->lf.lfStrikeOut) Band(dc, t, ff, ox, oy, w, -ff->strikePos, ff->strikeThick);
  if (clipped) RestoreDC(dc, -1);
  if (align & TA_UPDATECP) dc->st.curPos.X = x + w;
  return w;
}

size_t Length(const char* text, int len) {
  return len < 0 ? std::strlen(text) : size_t(len);
}

}  // namespace

void SetTextCutObserver(std::function<void(const TTextCut&)> Observer) {
  std::lock_guard<std::recursive_mutex> g(TextLock());
  CutObserver() = std::move(Observer);
}

FontObject::~FontObject() {
  std::lock_guard<std::recursive_mutex> g(TextLock());
  face.reset();
}

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm) {
  if (!IsDC(dc) || !tm) return FALSE;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  *tm = FaceOf(dc)->tm;
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC dc, const char* text, int len, TSize* size) {
  return GetTextExtentExPoint(dc, text, len, 0, nullptr, nullptr, size);
}

BOOL GetTextExtentExPoint(HDC dc, const char* text, int len, int maxExtent, int* fit, int* dx,
                          TSize* size) {
  if (!IsDC(dc) || (!text && len != 0)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  FontFace* ff = FaceOf(dc);
  std::vector<uint32_t> cps = text ? Decode(text, Length(text, len)) : std::vector<uint32_t>{};
  int32_t w = 0;
  int n = 0;
  for (size_t i = 0; i < cps.size(); ++i) {
    w += ff->Get(cps[i]).advance + dc->st.charExtra;
    if (dx) dx[i] = w;
    if (w <= maxExtent) n = int(i) + 1;
  }
  if (fit) *fit = n;
  if (size) *size = TSize{w, ff->tm.tmHeight};
  return TRUE;
}

int GetTextFace(HDC dc, int size, char* name) {
  if (!IsDC(dc)) return 0;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  const std::string& fam = FaceOf(dc)->family;
  if (!name) return int(fam.size()) + 1;
  if (size <= 0) return 0;
  size_t n = std::min(fam.size(), size_t(size - 1));
  std::memcpy(name, fam.data(), n);
  name[n] = 0;
  return int(n);
}

BOOL TextOut(HDC dc, int32_t x, int32_t y, const char* text, int len) {
  if (!IsDC(dc) || (!text && len != 0)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  std::vector<uint32_t> cps = text ? Decode(text, Length(text, len)) : std::vector<uint32_t>{};
  Out(dc, x, y, cps, nullptr, nullptr, nullptr);
  return TRUE;
}

BOOL ExtTextOut(HDC dc, int32_t x, int32_t y, UINT options, const TRect* r, const char* text,
                UINT len, const int* dx) {
  if (!IsDC(dc)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  std::vector<uint32_t> cps = text ? Decode(text, len) : std::vector<uint32_t>{};
  if (dx && cps.size() != len) dx = nullptr;  // spacing is per byte only for plain ASCII text
  const TRect* opaque = (options & ETO_OPAQUE) && r ? r : nullptr;
  const TRect* clip = (options & ETO_CLIPPED) && r ? r : nullptr;
  int oldMode = dc->st.bkMode;
  if (opaque) dc->st.bkMode = TRANSPARENT;
  Out(dc, x, y, cps, opaque, clip, dx);
  dc->st.bkMode = oldMode;
  return TRUE;
}

// DrawText

namespace {

struct Line {
  std::vector<uint32_t> cps;
  std::vector<int> prefixAt;  // indexes of underlined characters
};

constexpr uint32_t kTab = 9;

// Removes prefix marks; records which characters they underline.
Line StripPrefix(const std::vector<uint32_t>& in, UINT format) {
  Line l;
  bool process = !(format & DT_NOPREFIX);
  for (size_t i = 0; i < in.size(); ++i) {
    uint32_t c = in[i];
    if (process && c == '&') {
      if (i + 1 < in.size()) {
        ++i;
        if (in[i] != '&') l.prefixAt.push_back(int(l.cps.size()));
        l.cps.push_back(in[i]);
      }
      continue;  // a trailing "&" is dropped
    }
    l.cps.push_back(c);
  }
  return l;
}

class Layout {
 public:
  Layout(HDC dc, FontFace* ff, UINT format, int tabChars) : dc_(dc), ff_(ff), format_(format) {
    tabWidth_ = std::max(1, tabChars) * std::max<LONG>(1, ff->tm.tmAveCharWidth);
  }
  int32_t Advance(uint32_t c, int32_t x) const {
    if (c == kTab && (format_ & DT_EXPANDTABS)) return ((x / tabWidth_) + 1) * tabWidth_ - x;
    if (c < 32 && c != kTab) return 0;
    return ff_->Get(c).advance + dc_->st.charExtra;
  }
  int32_t Width(const std::vector<uint32_t>& s, size_t from = 0, size_t to = SIZE_MAX) const {
    int32_t x = 0;
    to = std::min(to, s.size());
    for (size_t i = from; i < to; ++i) x += Advance(s[i], x);
    return x;
  }

 private:
  HDC dc_;
  FontFace* ff_;
  UINT format_;
  int32_t tabWidth_;
};

const std::vector<uint32_t> kEllipsis = {'.', '.', '.'};

// Cuts the line from its end until line + "..." fits; prefix marks past the
// cut are dropped.
void EndEllipsis(Line& l, const Layout& lay, int32_t width) {
  if (lay.Width(l.cps) <= width) return;
  int32_t ew = lay.Width(kEllipsis);
  // The longest start of the line that leaves room for the ellipsis.
  size_t keep = 0;
  int32_t x = 0;
  for (size_t i = 0; i < l.cps.size(); ++i) {
    x += lay.Advance(l.cps[i], x);
    if (int64_t(x) + ew > width) break;
    keep = i + 1;
  }
  l.cps.resize(keep);
  l.cps.insert(l.cps.end(), kEllipsis.begin(), kEllipsis.end());
  std::erase_if(l.prefixAt, [&](int i) { return i >= int(keep); });
}

// Keeps the part from the last path separator and fills the middle with
// "..."; when even that is too wide, ends with an ellipsis instead.
void PathEllipsis(Line& l, const Layout& lay, int32_t width) {
  if (lay.Width(l.cps) <= width) return;
  size_t sep = SIZE_MAX;
  for (size_t i = 0; i < l.cps.size(); ++i)
    if (l.cps[i] == '\\' || l.cps[i] == '/') sep = i;
  if (sep == SIZE_MAX) {
    EndEllipsis(l, lay, width);
    return;
  }
  std::vector<uint32_t> tail(l.cps.begin() + ptrdiff_t(sep), l.cps.end());
  std::vector<uint32_t> head(l.cps.begin(), l.cps.begin() + ptrdiff_t(sep));
  int32_t fixed = lay.Width(kEllipsis) + lay.Width(tail);
  if (fixed > width) {
    Line t;
    t.cps = kEllipsis;
    t.cps.insert(t.cps.end(), tail.begin(), tail.end());
    EndEllipsis(t, lay, width);
    l.cps = t.cps;
    l.prefixAt.clear();
    return;
  }
  size_t keep = 0;
  int32_t x = 0;
  for (size_t i = 0; i < head.size(); ++i) {
    x += lay.Advance(head[i], x);
    if (int64_t(x) + fixed > width) break;
    keep = i + 1;
  }
  head.resize(keep);
  head.insert(head.end(), kEllipsis.begin(), kEllipsis.end());
  head.insert(head.end(), tail.begin(), tail.end());
  l.cps = head;
  std::erase_if(l.prefixAt, [&](int i) { return i >= int(keep); });
}

// Splits text into lines: hard breaks, then word breaks within width.
std::vector<Line> BreakLines(const Line& all, const Layout& lay, UINT format, int32_t width) {
  std::vector<Line> out;
  auto push = [&](size_t a, size_t b) {
    Line l;
    l.cps.assign(all.cps.begin() + ptrdiff_t(a), all.cps.begin() + ptrdiff_t(b));
    for (int p : all.prefixAt)
      if (p >= int(a) && p < int(b)) l.prefixAt.push_back(p - int(a));
    out.push_back(std::move(l));
  };
  std::vector<std::pair<size_t, size_t>> hard;
  if (format & DT_SINGLELINE) {
    hard.push_back({0, all.cps.size()});
  } else {
    size_t start = 0;
    for (size_t i = 0; i < all.cps.size(); ++i) {
      uint32_t c = all.cps[i];
      if (c == '\r' || c == '\n') {
        hard.push_back({start, i});
        if (c == '\r' && i + 1 < all.cps.size() && all.cps[i + 1] == '\n') ++i;
        start = i + 1;
      }
    }
    hard.push_back({start, all.cps.size()});
  }
  bool wrap = (format & DT_WORDBREAK) && !(format & DT_SINGLELINE);
  for (auto [a, b] : hard) {
    if (!wrap) {
      push(a, b);
      continue;
    }
    size_t s = a;
    while (true) {
      // Take words while they fit; the first word always goes on the line.
      // x is the width from s to e, grown word by word.
      size_t e = s, lastFit = s;
      bool any = false;
      int32_t x = 0;
      while (e < b) {
        size_t w = e;
        while (w < b && all.cps[w] == ' ') ++w;
        size_t we = w;
        while (we < b && all.cps[we] != ' ') ++we;
        if (w == we) {
          e = b;
          break;
        }
        int32_t nx = x;
        for (size_t i = e; i < we; ++i) nx += lay.Advance(all.cps[i], nx);
        if (any && nx > width) break;
        x = nx;
        lastFit = we;
        any = true;
        e = we;
      }
      if (!any) {
        push(s, b);
        break;
      }
      if (lastFit >= b || e >= b) {
        push(s, b);
        break;
      }
      push(s, lastFit);
      // The spaces at the break vanish.
      s = lastFit;
      while (s < b && all.cps[s] == ' ') ++s;
      if (s >= b) break;
    }
  }
  // Trailing blanks of wrapped lines do not count.
  if (wrap)
    for (Line& l : out)
      while (!l.cps.empty() && l.cps.back() == ' ') l.cps.pop_back();
  return out;
}

}  // namespace

int DrawText(HDC dc, const char* text, int len, TRect* r, UINT format) {
  return DrawTextEx(dc, text, len, r, format, nullptr);
}

int DrawTextEx(HDC dc, const char* text, int len, TRect* outer, UINT format,
               DRAWTEXTPARAMS* params) {
  if (!IsDC(dc) || !outer || (!text && len != 0)) return 0;
  if (params && params->cbSize != sizeof(DRAWTEXTPARAMS)) return 0;
  std::lock_guard<std::recursive_mutex> g(TextLock());
  FontFace* ff = FaceOf(dc);
  int tabChars = params && params->iTabLength > 0 ? params->iTabLength : 8;
  if (format & DT_TABSTOP) {
    // The second byte holds the tab length instead of flags.
    if ((format >> 8) & 0xFF) tabChars = int((format >> 8) & 0xFF);
    format &= ~0xFF00u;
  }
  auto lim = [](int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  int32_t leftMargin = params ? params->iLeftMargin : 0,
          rightMargin = params ? params->iRightMargin : 0;
  TRect inner{lim(int64_t(outer->Left) + leftMargin), outer->Top,
              lim(int64_t(outer->Right) - rightMargin), outer->Bottom};
  TRect* r = &inner;
  size_t bytes = text ? Length(text, len) : 0;
  if (params) params->uiLengthDrawn = UINT(std::min<size_t>(bytes, UINT32_MAX));
  std::vector<uint32_t> cps = text ? Decode(text, bytes) : std::vector<uint32_t>{};
  Line all = StripPrefix(cps, format);
  Layout lay(dc, ff, format, tabChars);
  int32_t width = lim(int64_t(r->Right) - r->Left);
  std::vector<Line> lines = BreakLines(all, lay, format, width);
  for (Line& l : lines) {
    const bool cutsToFit = (format & (DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) &&
                           !(format & DT_CALCRECT) && lay.Width(l.cps) > width;
    if (cutsToFit) ReportCut(l.cps.data(), l.cps.size(), lay.Width(l.cps), width);
    if (format & DT_PATH_ELLIPSIS)
      PathEllipsis(l, lay, width);
    else if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
      EndEllipsis(l, lay, width);
  }
  int32_t lineH = ff->tm.tmHeight + ((format & DT_EXTERNALLEADING) ? ff->tm.tmExternalLeading : 0);
  int32_t total = lineH * int32_t(lines.size());
  if (format & DT_CALCRECT) {
    int32_t maxW = 0;
    for (const Line& l : lines) maxW = std::max(maxW, lay.Width(l.cps));
    outer->Right = lim(int64_t(r->Left) + maxW + rightMargin);
    outer->Bottom = lim(int64_t(r->Top) + total);
    return total;
  }
  int32_t y = r->Top;
  bool single = format & DT_SINGLELINE;
  if (single && (format & DT_VCENTER))
    y = lim(int64_t(r->Top) + (int64_t(r->Bottom) - r->Top - total) / 2);
  else if (single && (format & DT_BOTTOM))
    y = lim(int64_t(r->Bottom) - total);
  int saved = 0;
  if (!(format & DT_NOCLIP)) {
    saved = SaveDC(dc);
    IntersectClipRect(dc, r->Left, r->Top, r->Right, r->Bottom);
  }
  UINT oldAlign = dc->st.textAlign;
  dc->st.textAlign = TA_LEFT | TA_TOP;
  bool drawText = !(format & DT_PREFIXONLY);
  bool underline = !(format & (DT_HIDEPREFIX | DT_NOPREFIX));
  Target t(dc);
  for (const Line& l : lines) {
    int32_t w = lay.Width(l.cps);
    int32_t x = r->Left;
    if (format & DT_CENTER)
      x = lim(int64_t(r->Left) + (int64_t(width) - w) / 2);
    else if (format & DT_RIGHT)
      x = lim(int64_t(r->Right) - w);
    if (drawText) {
      // Runs between tabs and control characters are drawn as text.
      int32_t pos = 0;
      size_t i = 0;
      while (i < l.cps.size()) {
        size_t j = i;
        while (j < l.cps.size() && l.cps[j] >= 32) ++j;
        if (j > i) {
          std::vector<uint32_t> run(l.cps.begin() + ptrdiff_t(i), l.cps.begin() + ptrdiff_t(j));
          pos += Out(dc, lim(int64_t(x) + pos), y, run, nullptr, nullptr, nullptr);
        }
        if (j < l.cps.size()) pos += lay.Advance(l.cps[j], pos);
        i = j + 1;
      }
    }
    if (underline && t.Valid()) {
      for (int p : l.prefixAt) {
        if (p < 0 || p >= int(l.cps.size())) continue;
        int32_t px = lim(int64_t(x) + lay.Width(l.cps, 0, size_t(p)));
        int32_t pw = lay.Advance(l.cps[size_t(p)], px - x);
        double ox = dc->SX(px), oy = dc->SY(y) + ff->tm.tmAscent;
        Band(dc, t, ff, ox, oy, pw, ff->underlinePos, 1);
      }
    }
    y = lim(int64_t(y) + lineH);
  }
  dc->st.textAlign = oldAlign;
  if (saved) RestoreDC(dc, saved);
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return lim(int64_t(y) - r->Top);
  return total;
}

// fontconfig loses a block while it parses its configuration; leak checks of
// sanitizer builds are told to look past the library.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
