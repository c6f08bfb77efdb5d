#include "imaging/io/formats/PNG.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "imaging/model/TIEQuantizer.h"
#include "rtl/Numeric.h"
#include "rtl/SaturatedProduct.h"
#include "rtl/TStream.h"

namespace {

// libpng reports errors through its error routine, which must not return:
// ours long-jumps back to the guard of the call that failed (libpng's own
// jump buffer). A guard holds nothing with a destructor, so the jump skips
// no C++ clean-up; the stream callbacks catch every exception themselves.

constexpr uint8_t kSignature[4] = {0x89, 'P', 'N', 'G'};
// The whole-image buffer of an interlaced image with alpha is refused beyond
// this size; such an image is not read.
constexpr int64_t kMaxInterlaceBuffer = int64_t{1} << 31;

struct IOContext {
  TStream* stream;
  bool* abort;
};

void ReadError(png_structp png, png_const_charp) {
  auto* ctx = static_cast<IOContext*>(png_get_error_ptr(png));
  if (ctx && ctx->abort) *ctx->abort = true;
  png_longjmp(png, 1);
}

void WriteError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void Warning(png_structp, png_const_charp) {}

void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* ctx = static_cast<IOContext*>(png_get_io_ptr(png));
  int64_t n;
  try {
    n = ctx->stream->Read(data, static_cast<int64_t>(length));
  } catch (...) {
    n = -1;
  }
  // A file cut short is bad data like any other: the error routine sets the
  // abort flag, so that a partial picture never passes for a whole one.
  if (n != static_cast<int64_t>(length)) png_error(png, "Read Error");
}

void WriteData(png_structp png, png_bytep data, size_t length) {
  auto* ctx = static_cast<IOContext*>(png_get_io_ptr(png));
  int64_t n;
  try {
    n = ctx->stream->Write(data, static_cast<int64_t>(length));
  } catch (...) {
    n = -1;
  }
  if (n != static_cast<int64_t>(length) && ctx->abort) *ctx->abort = true;
}

void Flush(png_structp) {}

// ---- guards: each returns false when libpng raised an error.

bool GuardReadInfo(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  return true;
}

struct ReadSetup {
  bool expand, strip16, packing, gray_to_rgb, trns_to_alpha, bgr;
  int passes;
};

bool GuardSetTransforms(png_structp png, png_infop info, ReadSetup* s) {
  if (setjmp(png_jmpbuf(png))) return false;
  if (s->expand) png_set_expand(png);
  if (s->trns_to_alpha) png_set_tRNS_to_alpha(png);
  if (s->strip16) png_set_strip_16(png);
  if (s->packing) png_set_packing(png);
  if (s->gray_to_rgb) png_set_gray_to_rgb(png);
  if (s->bgr) png_set_bgr(png);
  s->passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool GuardReadRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

bool GuardReadEnd(png_structp png) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_end(png, nullptr);
  return true;
}

struct HeaderSetup {
  png_uint_32 width, height;
  int depth, colour_type, interlace;
  const std::vector<png_color>* plte;
  bool trns;
  png_uint_32 ppm_x, ppm_y;
  int filters;  // -1: the library's choice
  png_color_16 background;
  int compression;
  bool bgr;
  std::vector<png_text>* texts;
};

bool GuardSetHeader(png_structp png, png_infop info, const HeaderSetup* s) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_IHDR(png, info, s->width, s->height, s->depth, s->colour_type, s->interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (s->plte) {
    png_set_PLTE(png, info, s->plte->data(), static_cast<int>(s->plte->size()));
    if (s->trns) {
      png_byte transparent = 0;
      png_set_tRNS(png, info, &transparent, 1, nullptr);
    }
  }
  png_set_pHYs(png, info, s->ppm_x, s->ppm_y, PNG_RESOLUTION_METER);
  if (s->filters >= 0) png_set_filter(png, PNG_FILTER_TYPE_BASE, s->filters);
  png_set_bKGD(png, info, &s->background);
  png_set_compression_level(png, s->compression);
  if (s->bgr) png_set_bgr(png);
  if (!s->texts->empty())
    png_set_text(png, info, s->texts->data(), static_cast<int>(s->texts->size()));
  return true;
}

bool GuardWriteInfo(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_info(png, info);
  return true;
}

bool GuardInterlaceHandling(png_structp png, int* passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  *passes = png_set_interlace_handling(png);
  return true;
}

bool GuardWriteRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_row(png, row);
  return true;
}

bool GuardWriteEnd(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_end(png, info);
  return true;
}

struct ReadHolder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~ReadHolder() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

struct WriteHolder {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~WriteHolder() {
    if (png) png_destroy_write_struct(&png, info ? &info : nullptr);
  }
};

int32_t DpiOfPixelsPerMetre(png_uint_32 ppm) {
  return static_cast<int32_t>(Round(ppm / 100.0 * 2.54));
}

// An 8-bit value of a sample of the given depth.
uint8_t To8(uint32_t v, int depth) {
  if (depth == 16) return static_cast<uint8_t>(v >> 8);
  if (depth >= 8) return static_cast<uint8_t>(v);
  return static_cast<uint8_t>(v * 255 / ((1u << depth) - 1));
}

void ThrowCreating() { throw EInvalidGraphic("Error on creating PNG"); }

}  // namespace

// ---- test

bool IsPNGStream(TStream* Stream) {
  uint8_t b[8] = {};
  int64_t n = 0;
  try {
    n = Stream->Read(b, 8);
    if (n > 0) Stream->Seek(-n, soCurrent);
  } catch (...) {
    return false;
  }
  return n >= 4 && std::memcmp(b, kSignature, 4) == 0;
}

// ---- reading

// The library's own allocations: rows, tables, metadata chunks. Rows of the
// widest picture it accepts need 8 MB; a chunk whose length field claims
// more than the cap is skipped instead of being allocated (and zero-filled
// by the library) before its data turn out to be missing.
constexpr png_alloc_size_t kLibraryAllocationLimit = png_alloc_size_t{64} << 20;

png_voidp LimitedMalloc(png_structp, png_alloc_size_t Size) {
  return Size <= kLibraryAllocationLimit ? std::malloc(Size) : nullptr;
}

void LibraryFree(png_structp, png_voidp Block) { std::free(Block); }

void ReadPNGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                   TIOProgressRec& Progress, bool ParamsOnly) {
  IOContext ctx{Stream, Progress.Aborting};
  ReadHolder h;
  h.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &ctx, ReadError, Warning, nullptr, LimitedMalloc,
                                   LibraryFree);
  if (h.png) h.info = png_create_info_struct(h.png);
  if (!h.png || !h.info) {
    Progress.Abort();
    return;
  }
  png_set_read_fn(h.png, &ctx, ReadData);
  if (!GuardReadInfo(h.png, h.info)) {
    Progress.Abort();
    return;
  }
  png_uint_32 width = 0, height = 0;
  int depth = 0, colour = 0, interlace = 0;
  png_get_IHDR(h.png, h.info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);

  Params.PngTextKeys.clear();
  Params.PngTextValues.clear();
  png_textp text = nullptr;
  const int texts = png_get_text(h.png, h.info, &text, nullptr);
  for (int i = 0; i < texts; ++i) {
    Params.PngTextKeys.emplace_back(text[i].key ? text[i].key : "");
    Params.PngTextValues.emplace_back(text[i].text ? text[i].text : "",
                                      text[i].text ? text[i].text_length : 0);
  }

  png_colorp palette = nullptr;
  int palette_len = 0;
  png_get_PLTE(h.png, h.info, &palette, &palette_len);
  const bool has_trns = png_get_valid(h.png, h.info, PNG_INFO_tRNS) != 0;

  // The background colour the file asks for.
  png_color_16p bkgd = nullptr;
  if (png_get_bKGD(h.png, h.info, &bkgd) && bkgd) {
    if (colour == PNG_COLOR_TYPE_PALETTE) {
      if (bkgd->index < palette_len)
        Params.PngBackground = MakeRGBTriple(palette[bkgd->index].red, palette[bkgd->index].green,
                                             palette[bkgd->index].blue);
    } else if (!(colour & PNG_COLOR_MASK_COLOR)) {
      const uint8_t g = To8(bkgd->gray, depth);
      Params.PngBackground = MakeRGBTriple(g, g, g);
    } else {
      Params.PngBackground =
          MakeRGBTriple(To8(bkgd->red, depth), To8(bkgd->green, depth), To8(bkgd->blue, depth));
    }
  }

  // 1-bit images stay 1-bit when their two values are black and white with
  // no transparency; a 1-bit palette of other colours is expanded like any
  // palette, so that its colours are not lost.
  const bool bw_palette = colour == PNG_COLOR_TYPE_PALETTE && palette_len == 2 &&
                          palette[0].red == 0 && palette[0].green == 0 && palette[0].blue == 0 &&
                          palette[1].red == 255 && palette[1].green == 255 && palette[1].blue == 255;
  const bool mono = depth == 1 && !has_trns && (colour == PNG_COLOR_TYPE_GRAY || bw_palette);
  const bool native = Params.IsNativePixelFormat && depth == 8 && !has_trns &&
                      (colour == PNG_COLOR_TYPE_PALETTE || colour == PNG_COLOR_TYPE_GRAY);
  ReadSetup s{};
  if (!mono && !native) {
    const bool grey = !(colour & PNG_COLOR_MASK_COLOR);
    s.expand = colour == PNG_COLOR_TYPE_PALETTE || (grey && depth < 8);
    s.trns_to_alpha = has_trns;
    s.strip16 = depth == 16;
    s.packing = depth < 8;
    s.gray_to_rgb = grey;
    s.bgr = true;
  }
  if (!GuardSetTransforms(h.png, h.info, &s)) {
    Progress.Abort();
    return;
  }

  Params.Width = static_cast<int32_t>(width);
  Params.Height = static_cast<int32_t>(height);
  Params.BitsPerSample = depth;
  switch (colour) {
    case PNG_COLOR_TYPE_RGB: Params.SamplesPerPixel = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: Params.SamplesPerPixel = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: Params.SamplesPerPixel = 4; break;
    default: Params.SamplesPerPixel = 1; break;
  }
  png_uint_32 ppm_x = png_get_x_pixels_per_meter(h.png, h.info);
  png_uint_32 ppm_y = png_get_y_pixels_per_meter(h.png, h.info);
  int32_t dpi_x = DpiOfPixelsPerMetre(ppm_x), dpi_y = DpiOfPixelsPerMetre(ppm_y);
  Params.SetDpiX(dpi_x == 0 ? DefaultDpiX : dpi_x);
  Params.SetDpiY(dpi_y == 0 ? DefaultDpiY : dpi_y);
  Params.FreeColorMap();
  for (int i = 0; i < palette_len; ++i)
    Params.ColorMap.push_back(MakeRGBTriple(palette[i].red, palette[i].green, palette[i].blue));
  Params.PngInterlaced = interlace != PNG_INTERLACE_NONE;
  if (ParamsOnly) return;

  const int channels = png_get_channels(h.png, h.info);
  const int32_t w = static_cast<int32_t>(width), hh = static_cast<int32_t>(height);
  TIEPixelFormat format = ieRGB24;
  if (mono) format = ieMono1;
  else if (native) format = colour == PNG_COLOR_TYPE_PALETTE ? iePalette8 : ieGray8;
  std::vector<uint8_t> buffer;
  const bool alpha = !mono && !native && channels == 4;
  // The rows as filtered in the file (a filter byte each; an interlaced
  // picture has more) come from the data left behind the header, which
  // inflate to at most deflate's best ratio.
  const int64_t file_row = (int64_t{w} * Params.SamplesPerPixel * depth + 7) / 8;
  const bool data_holds = SaturatedProduct({1 + file_row, hh}) <= IEMaxInflatedBytes(IEBytesLeft(Stream));
  if (!IEClaimPlausible(Progress, w, hh, format, alpha, data_holds)) return;
  try {
    Bitmap->Allocate(w, hh, format);
    if (format == iePalette8)
      for (int i = 0; i < palette_len && i < 256; ++i)
        Bitmap->SetPaletteEntry(i, Params.ColorMap[static_cast<size_t>(i)]);
    if (alpha) {
      const int64_t rows = s.passes > 1 ? hh : 1;
      if (int64_t{w} * 4 * rows > kMaxInterlaceBuffer) throw std::bad_alloc();
      buffer.resize(static_cast<size_t>(int64_t{w} * 4 * rows));
      // Every row is written below: no fill first.
      Bitmap->AllocateAlphaChannel();
    }
  } catch (const std::exception&) {
    Progress.Abort();
    return;
  }

  Progress.Per1 = 100.0 / (static_cast<double>(hh) * s.passes);
  Progress.Val = 0;
  bool ok = true;
  for (int pass = 0; pass < s.passes && ok; ++pass) {
    for (int32_t y = 0; y < hh; ++y) {
      uint8_t* row = alpha ? buffer.data() + (s.passes > 1 ? int64_t{w} * 4 * y : 0)
                           : Bitmap->GetScanline(y);
      if (!GuardReadRow(h.png, row)) {
        ok = false;
        break;
      }
      if (alpha) {
        uint8_t* dst = Bitmap->GetScanline(y);
        uint8_t* a = Bitmap->GetAlphaChannel()->GetScanline(y);
        for (int32_t x = 0; x < w; ++x) {
          std::memcpy(dst + 3 * x, row + 4 * x, 3);
          a[x] = row[4 * x + 3];
        }
      }
      ++Progress.Val;
      if (Progress.fOnProgress) Progress.Report(Progress.Val);
      if (Progress.IsAborting()) {
        ok = false;
        break;
      }
    }
  }
  if (alpha) Bitmap->GetAlphaChannel()->Full = false;
  if (ok && !Progress.IsAborting() && !GuardReadEnd(h.png)) Progress.Abort();
}

// ---- writing

namespace {

// Rows of 1-byte indexes packed into Depth bits each, most significant first.
void PackRow(const uint8_t* indexes, int32_t n, int depth, uint8_t* out) {
  if (depth == 8) {
    std::memcpy(out, indexes, static_cast<size_t>(n));
    return;
  }
  const int per_byte = 8 / depth;
  const size_t bytes = (static_cast<size_t>(n) * depth + 7) / 8;
  std::memset(out, 0, bytes);
  for (int32_t x = 0; x < n; ++x)
    out[x / per_byte] |= static_cast<uint8_t>(indexes[x] << (8 - depth * (x % per_byte + 1)));
}

// How the rows are stored.
// kMonoPalette: 1-bit rows of a two-colour picture with its two colours as
// the palette.
enum class RowKind { kMono, kMonoPalette, kGrey16, kPalette, kPaletteAlpha, kGrey8, kRGB, kRGBA };

// One write of a picture: the layout chosen for it and the palette.
struct PictureWrite {
  PictureWrite(TIEBitmap* b, TIOParamsVals& p, TIEMask* a) : bitmap(b), params(p), alpha_mask(a) {}
  TIEBitmap* bitmap;
  TIOParamsVals& params;
  TIEMask* alpha_mask;
  int32_t width = 0, height = 0;
  bool has_alpha = false;  // the alpha mask is used
  RowKind kind = RowKind::kRGB;
  int depth = 8;
  // The bitmap the rows come from: the caller's when it has the right
  // format, else a converted copy (the caller's image is never changed).
  TIEBitmap* image = nullptr;
  std::unique_ptr<TIEBitmap> copy;
  // The palette and the map from pixels to its entries.
  std::vector<png_color> plte;
  std::unique_ptr<TIEQuantizer> quantizer;
  std::vector<TRGB> qpal;
  std::vector<uint8_t> grey_of_index;

  TIEBitmap* Converted(TIEPixelFormat f) {
    if (bitmap->PixelFormat() == f) return bitmap;
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(bitmap);
    copy->RemoveAlphaChannel();
    copy->ConvertFormat(f);
    return copy.get();
  }
};

// The row kind, depth and source image the parameters ask for.
void ChooseLayout(PictureWrite& p) {
  const TIOParamsVals& Params = p.params;
  if (Params.SamplesPerPixel == 1 && Params.BitsPerSample == 1) {
    p.kind = RowKind::kMono;
    p.depth = 1;
    if (p.bitmap->PixelFormat() == ieMono1) {
      p.image = p.bitmap;
    } else {
      TRGB c1, c2;
      p.copy.reset(BuildTwoColorBitmap(p.bitmap, c1, c2));
      p.image = p.copy ? p.copy.get() : p.Converted(ieMono1);
      // A picture of two colours other than black and white (a two-colour
      // palette file as read) would come back black and white from grey
      // levels: its colours go into a palette of two.
      if (p.copy && !(c1 == TRGB{0, 0, 0} && c2 == TRGB{255, 255, 255})) {
        p.kind = RowKind::kMonoPalette;
        p.plte = {png_color{c1.r, c1.g, c1.b}, png_color{c2.r, c2.g, c2.b}};
      }
    }
  } else if (Params.SamplesPerPixel == 1 && Params.BitsPerSample == 16) {
    p.kind = RowKind::kGrey16;
    p.depth = 16;
    p.image = p.Converted(ieGray16);
  } else if (Params.SamplesPerPixel == 1) {
    // Palettes of 2, 4 or 8 bits; with alpha always 8 bits, entry 0 being
    // the transparent background.
    p.depth = Params.BitsPerSample <= 2 ? 2 : Params.BitsPerSample <= 4 ? 4 : 8;
    if (p.has_alpha) {
      p.kind = RowKind::kPaletteAlpha;
      p.depth = 8;
    } else {
      p.kind = RowKind::kPalette;
    }
    p.image = p.bitmap->PixelFormat() == iePalette8 && p.depth == 8 && !p.has_alpha ? p.bitmap
                                                                                     : p.Converted(ieRGB24);
  } else {
    p.kind = p.has_alpha ? RowKind::kRGBA : RowKind::kRGB;
    p.image = p.Converted(ieRGB24);
  }
}

// The palette of a palette layout: the image's own, or the quantizer's
// (after the transparent background with alpha). An all-grey 8-bit palette
// turns the layout into grey levels.
void BuildPalette(PictureWrite& p) {
  if (p.kind != RowKind::kPalette && p.kind != RowKind::kPaletteAlpha) return;
  TIEBitmap* image = p.image;
  if (image->PixelFormat() == iePalette8) {
    // The image's own palette and indexes.
    for (int32_t i = 0; i < std::min(256, image->GetPaletteLen()); ++i) {
      const TRGB c = image->GetPaletteEntry(i);
      p.plte.push_back(png_color{c.r, c.g, c.b});
    }
    return;
  }
  const int32_t colours = p.kind == RowKind::kPaletteAlpha
                              ? std::min<int32_t>(1 << std::min(p.params.BitsPerSample, 8), 255)
                              : 1 << p.depth;
  p.qpal.resize(static_cast<size_t>(colours));
  p.quantizer = std::make_unique<TIEQuantizer>(image, colours, p.qpal.data(), -1);
  if (p.kind == RowKind::kPaletteAlpha) {
    const TRGB bg = p.params.PngBackground;
    p.plte.push_back(png_color{bg.r, bg.g, bg.b});
  }
  for (const TRGB& c : p.qpal) p.plte.push_back(png_color{c.r, c.g, c.b});
  // An all-grey 8-bit palette is written as grey levels instead.
  if (p.kind == RowKind::kPalette && p.depth == 8 && p.quantizer->IsGrey()) {
    bool grey = true;
    for (const TRGB& c : p.qpal) grey = grey && c.r == c.g && c.g == c.b;
    if (grey) {
      p.kind = RowKind::kGrey8;
      for (const TRGB& c : p.qpal) p.grey_of_index.push_back(c.r);
    }
  }
}

int ColourTypeOf(RowKind kind) {
  switch (kind) {
    case RowKind::kMono:
    case RowKind::kGrey16:
    case RowKind::kGrey8: return PNG_COLOR_TYPE_GRAY;
    case RowKind::kRGB: return PNG_COLOR_TYPE_RGB;
    case RowKind::kRGBA: return PNG_COLOR_TYPE_RGB_ALPHA;
    default: return PNG_COLOR_TYPE_PALETTE;
  }
}

// The filter the parameters name; -1 leaves the choice to the library.
int FiltersOf(int32_t PngFilter) {
  switch (PngFilter) {
    case 0: return PNG_FILTER_NONE;
    case 1: return PNG_FILTER_SUB;
    case 2: return PNG_FILTER_PAETH;
    default: return -1;
  }
}

// The background in the image's own terms: a palette index, a grey level
// or a colour, each at the file's depth.
png_color_16 BackgroundOf(const PictureWrite& p) {
  png_color_16 b{};
  const TRGB bg = p.params.PngBackground;
  const int gl = RGBToGrayLevel(bg);
  switch (p.kind) {
    case RowKind::kPaletteAlpha: b.index = 0; break;
    case RowKind::kPalette:
      b.index = static_cast<png_byte>(p.quantizer ? p.quantizer->RGBToIndex(bg)
                                                  : NearestPaletteIndex(p.image->Palette(), 256, bg));
      break;
    case RowKind::kGrey8: b.gray = static_cast<png_uint_16>(gl); break;
    case RowKind::kGrey16: b.gray = static_cast<png_uint_16>(gl * 257); break;
    case RowKind::kMono: b.gray = gl >= 128 ? 1 : 0; break;
    case RowKind::kMonoPalette: {
      const TRGB two[2] = {TRGB{p.plte[0].blue, p.plte[0].green, p.plte[0].red},
                           TRGB{p.plte[1].blue, p.plte[1].green, p.plte[1].red}};
      b.index = static_cast<png_byte>(NearestPaletteIndex(two, 2, bg));
      break;
    }
    default:
      b.red = bg.r;
      b.green = bg.g;
      b.blue = bg.b;
      break;
  }
  return b;
}

// Only keys that libpng accepts: 1 to 79 printable Latin-1 characters, no
// leading, trailing or double spaces.
bool ValidTextKey(const std::string& key) {
  if (key.empty() || key.size() > 79 || key.front() == ' ' || key.back() == ' ') return false;
  for (size_t i = 0; i < key.size(); ++i) {
    const auto c = static_cast<uint8_t>(key[i]);
    if (c < 32 || (c > 126 && c < 161)) return false;
    if (c == ' ' && key[i + 1] == ' ') return false;
  }
  return true;
}

// The text chunks of the parameters; pairs with other keys are left out.
std::vector<png_text> TextsOf(TIOParamsVals& Params) {
  std::vector<png_text> texts;
  const size_t n_texts = std::min(Params.PngTextKeys.size(), Params.PngTextValues.size());
  for (size_t i = 0; i < n_texts; ++i) {
    const std::string& key = Params.PngTextKeys[i];
    if (!ValidTextKey(key)) continue;
    png_text t{};
    t.compression = PNG_TEXT_COMPRESSION_NONE;
    t.key = const_cast<char*>(key.c_str());
    t.text = const_cast<char*>(Params.PngTextValues[i].c_str());
    t.text_length = Params.PngTextValues[i].size();
    texts.push_back(t);
  }
  return texts;
}

// The header chunks: size and layout, palette and transparency,
// resolution, background, compression and texts.
HeaderSetup HeaderOf(const PictureWrite& p, std::vector<png_text>* texts) {
  const TIOParamsVals& Params = p.params;
  const int colour_type = ColourTypeOf(p.kind);
  HeaderSetup hs{};
  hs.width = static_cast<png_uint_32>(p.width);
  hs.height = static_cast<png_uint_32>(p.height);
  hs.depth = p.depth;
  hs.colour_type = colour_type;
  hs.interlace = Params.PngInterlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
  hs.plte = colour_type == PNG_COLOR_TYPE_PALETTE ? &p.plte : nullptr;
  hs.trns = p.kind == RowKind::kPaletteAlpha;
  // Worked out in 64 bits: a resolution read from another file can be
  // large enough that dots per metre overflow an int, and the chunk holds
  // no more than 31 bits.
  auto ppm = [](int32_t dpi) {
    const int64_t v = Round(dpi * 100.0 / 2.54);
    return static_cast<png_uint_32>(std::clamp<int64_t>(v, 0, PNG_UINT_31_MAX));
  };
  hs.ppm_x = ppm(Params.DpiX());
  hs.ppm_y = ppm(Params.DpiY());
  hs.filters = FiltersOf(Params.PngFilter);
  hs.background = BackgroundOf(p);
  hs.compression = std::clamp(Params.PngCompression, 0, 9);
  hs.bgr = p.kind == RowKind::kRGB || p.kind == RowKind::kRGBA;
  hs.texts = texts;
  return hs;
}

// Image row y as stored: the image's own row where it already is, else
// made in row (indexes: room for one index per pixel).
const uint8_t* StoredRow(PictureWrite& p, int32_t y, uint8_t* row, uint8_t* indexes) {
  const int32_t width = p.width;
  const uint8_t* src = p.image->GetScanline(y);
  switch (p.kind) {
    case RowKind::kMono:
    case RowKind::kMonoPalette:
    case RowKind::kRGB:
      return src;
    case RowKind::kGrey16: {
      // Big-endian words, the whole value.
      const auto* g = reinterpret_cast<const uint16_t*>(src);
      for (int32_t x = 0; x < width; ++x) {
        row[2 * x] = static_cast<uint8_t>(g[x] >> 8);
        row[2 * x + 1] = static_cast<uint8_t>(g[x]);
      }
      return row;
    }
    case RowKind::kGrey8:
      for (int32_t x = 0; x < width; ++x) {
        TRGB c;
        std::memcpy(&c, src + 3 * x, 3);
        row[x] = p.grey_of_index[static_cast<size_t>(p.quantizer->RGBToIndex(c))];
      }
      return row;
    case RowKind::kPalette:
      if (p.image->PixelFormat() == iePalette8) return src;
      for (int32_t x = 0; x < width; ++x) {
        TRGB c;
        std::memcpy(&c, src + 3 * x, 3);
        indexes[x] = static_cast<uint8_t>(p.quantizer->RGBToIndex(c));
      }
      PackRow(indexes, width, p.depth, row);
      return row;
    case RowKind::kPaletteAlpha: {
      const uint8_t* a = p.alpha_mask->GetScanline(y);
      for (int32_t x = 0; x < width; ++x) {
        TRGB c;
        std::memcpy(&c, src + 3 * x, 3);
        row[x] = a[x] == 255 ? static_cast<uint8_t>(p.quantizer->RGBToIndex(c) + 1) : 0;
      }
      return row;
    }
    case RowKind::kRGBA: {
      const uint8_t* a = p.alpha_mask->GetScanline(y);
      for (int32_t x = 0; x < width; ++x) {
        std::memcpy(row + 4 * x, src + 3 * x, 3);
        row[4 * x + 3] = a[x];
      }
      return row;
    }
  }
  return row;
}

}  // namespace

void WritePNGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                    TIOProgressRec& Progress, TIEMask* AlphaMask) {
  IOContext ctx{Stream, Progress.Aborting};
  WriteHolder writer;
  writer.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, WriteError, Warning);
  if (writer.png) writer.info = png_create_info_struct(writer.png);
  if (!writer.png || !writer.info) ThrowCreating();
  png_set_write_fn(writer.png, &ctx, WriteData, Flush);

  PictureWrite p(Bitmap, Params, AlphaMask);
  p.width = Bitmap->Width();
  p.height = Bitmap->Height();
  if (p.width <= 0 || p.height <= 0) ThrowCreating();
  p.has_alpha = AlphaMask && !AlphaMask->Full && AlphaMask->BitsPerPixel() == 8 &&
                AlphaMask->Width() == p.width && AlphaMask->Height() == p.height;
  ChooseLayout(p);
  BuildPalette(p);

  std::vector<png_text> texts = TextsOf(Params);
  const HeaderSetup hs = HeaderOf(p, &texts);
  // The header comes before the palette and transparency chunks.
  if (!GuardSetHeader(writer.png, writer.info, &hs)) ThrowCreating();
  if (!GuardWriteInfo(writer.png, writer.info)) ThrowCreating();
  int passes = 1;
  if (!GuardInterlaceHandling(writer.png, &passes)) ThrowCreating();

  std::vector<uint8_t> row(static_cast<size_t>(p.width) * 4 + 8), indexes(static_cast<size_t>(p.width));
  Progress.Per1 = 100.0 / (static_cast<double>(passes) * p.height);
  Progress.Val = 0;
  for (int pass = 0; pass < passes; ++pass) {
    for (int32_t y = 0; y < p.height; ++y) {
      const uint8_t* out = StoredRow(p, y, row.data(), indexes.data());
      if (!GuardWriteRow(writer.png, const_cast<uint8_t*>(out))) ThrowCreating();
      ++Progress.Val;
      if (Progress.fOnProgress) Progress.Report(Progress.Val);
      if (Progress.IsAborting()) return;
    }
  }
  if (!GuardWriteEnd(writer.png, writer.info)) ThrowCreating();
}

// ---- the format in the input/output component

namespace {

void ReadPNGForComponent(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                         bool ParamsOnly, TIOProgressRec& Progress,
                         std::unique_ptr<TIEMask>& AlphaMask) {
  // The component's background stands for a file without one of its own,
  // and takes the file's after the load.
  TImagoIO* io = Params.Owner();
  if (io && !ParamsOnly) Params.PngBackground = ColorToRGBTriple(io->Background());
  ReadPNGStream(Stream, Bitmap, Params, Progress, ParamsOnly);
  if (io && !ParamsOnly) io->SetBackground(RGBToColor(Params.PngBackground));
}

void WritePNGForComponent(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                          TIOProgressRec& Progress) {
  // The alpha channel goes to the writer as a mask of its own.
  std::unique_ptr<TIEMask> mask;
  if (Bitmap->HasAlphaChannel()) {
    TIEBitmap* a = Bitmap->GetAlphaChannel();
    mask = std::make_unique<TIEMask>();
    mask->AllocateBits(Bitmap->Width(), Bitmap->Height(), 8);
    bool full = true;
    for (int32_t y = 0; y < Bitmap->Height(); ++y) {
      const uint8_t* s = a->GetScanline(y);
      std::memcpy(mask->GetScanline(y), s, static_cast<size_t>(Bitmap->Width()));
      for (int32_t x = 0; x < Bitmap->Width() && full; ++x) full = s[x] == 255;
    }
    mask->Full = full;
  }
  WritePNGStream(Stream, Bitmap, Params, Progress, mask.get());
}

}  // namespace

TIEFormatHandler PNGFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftPNG;
  h.Read = ReadPNGForComponent;
  h.Write = WritePNGForComponent;
  h.Test = [](TStream* Stream) { return Stream->Size() > 8 && IsPNGStream(Stream); };
  // After the TIFF header tests, before the icon tests.
  h.DetectOrder = 90;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 2;
  // The writer converts a copy itself.
  h.SaveFormats = 0;
  return h;
}
