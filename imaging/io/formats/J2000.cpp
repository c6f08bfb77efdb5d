#include "imaging/io/formats/J2000.h"

#include <openjpeg.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "platform/SharedLibrary.h"
#include "rtl/Numeric.h"
#include "rtl/SaturatedProduct.h"
#include "rtl/TStream.h"

namespace {

// OpenJPEG, opened at the first JPEG-2000 load or save rather than at the
// program's start (platform/SharedLibrary.h). Its functions, by their names
// without the "opj_" prefix.
struct TOpenJpeg {
  decltype(&::opj_create_compress) create_compress = nullptr;
  decltype(&::opj_create_decompress) create_decompress = nullptr;
  decltype(&::opj_decode) decode = nullptr;
  decltype(&::opj_destroy_codec) destroy_codec = nullptr;
  decltype(&::opj_encode) encode = nullptr;
  decltype(&::opj_end_compress) end_compress = nullptr;
  decltype(&::opj_end_decompress) end_decompress = nullptr;
  decltype(&::opj_image_create) image_create = nullptr;
  decltype(&::opj_image_destroy) image_destroy = nullptr;
  decltype(&::opj_read_header) read_header = nullptr;
  decltype(&::opj_set_default_decoder_parameters) set_default_decoder_parameters = nullptr;
  decltype(&::opj_set_default_encoder_parameters) set_default_encoder_parameters = nullptr;
  decltype(&::opj_set_error_handler) set_error_handler = nullptr;
  decltype(&::opj_set_info_handler) set_info_handler = nullptr;
  decltype(&::opj_set_warning_handler) set_warning_handler = nullptr;
  decltype(&::opj_setup_decoder) setup_decoder = nullptr;
  decltype(&::opj_setup_encoder) setup_encoder = nullptr;
  decltype(&::opj_start_compress) start_compress = nullptr;
  decltype(&::opj_stream_create) stream_create = nullptr;
  decltype(&::opj_stream_destroy) stream_destroy = nullptr;
  decltype(&::opj_stream_set_read_function) stream_set_read_function = nullptr;
  decltype(&::opj_stream_set_seek_function) stream_set_seek_function = nullptr;
  decltype(&::opj_stream_set_skip_function) stream_set_skip_function = nullptr;
  decltype(&::opj_stream_set_user_data) stream_set_user_data = nullptr;
  decltype(&::opj_stream_set_user_data_length) stream_set_user_data_length = nullptr;
  decltype(&::opj_stream_set_write_function) stream_set_write_function = nullptr;
  bool ready = false;
};

const TOpenJpeg& Opj() {
  static const TOpenJpeg& api = [] () -> const TOpenJpeg& {
    static TSharedLibrary lib({"libopenjp2.so.7"});
    static TOpenJpeg o;
    o.ready = lib.Bind(o.create_compress, "opj_create_compress") &&
           lib.Bind(o.create_decompress, "opj_create_decompress") &&
           lib.Bind(o.decode, "opj_decode") &&
           lib.Bind(o.destroy_codec, "opj_destroy_codec") &&
           lib.Bind(o.encode, "opj_encode") &&
           lib.Bind(o.end_compress, "opj_end_compress") &&
           lib.Bind(o.end_decompress, "opj_end_decompress") &&
           lib.Bind(o.image_create, "opj_image_create") &&
           lib.Bind(o.image_destroy, "opj_image_destroy") &&
           lib.Bind(o.read_header, "opj_read_header") &&
           lib.Bind(o.set_default_decoder_parameters, "opj_set_default_decoder_parameters") &&
           lib.Bind(o.set_default_encoder_parameters, "opj_set_default_encoder_parameters") &&
           lib.Bind(o.set_error_handler, "opj_set_error_handler") &&
           lib.Bind(o.set_info_handler, "opj_set_info_handler") &&
           lib.Bind(o.set_warning_handler, "opj_set_warning_handler") &&
           lib.Bind(o.setup_decoder, "opj_setup_decoder") &&
           lib.Bind(o.setup_encoder, "opj_setup_encoder") &&
           lib.Bind(o.start_compress, "opj_start_compress") &&
           lib.Bind(o.stream_create, "opj_stream_create") &&
           lib.Bind(o.stream_destroy, "opj_stream_destroy") &&
           lib.Bind(o.stream_set_read_function, "opj_stream_set_read_function") &&
           lib.Bind(o.stream_set_seek_function, "opj_stream_set_seek_function") &&
           lib.Bind(o.stream_set_skip_function, "opj_stream_set_skip_function") &&
           lib.Bind(o.stream_set_user_data, "opj_stream_set_user_data") &&
           lib.Bind(o.stream_set_user_data_length, "opj_stream_set_user_data_length") &&
           lib.Bind(o.stream_set_write_function, "opj_stream_set_write_function");
    return o;
  }();
  return api;
}

// Signature box: length 12, type "jP  ", content CR LF 0x87 LF.
constexpr uint32_t kJP2SignatureLength = 12;
constexpr uint32_t kJP2SignatureType = 0x6A502020;
constexpr uint32_t kJP2SignatureContent = 0x0D0A870A;
// Start of code stream and the image and tile size marker that must follow.
constexpr uint16_t kSOC = 0xFF4F;
constexpr uint16_t kSIZ = 0xFF51;

// The decoder keeps every sample as a 32-bit integer. At most kMaxExpansion
// bytes of samples are decoded per byte of data (a flat picture codes to
// almost nothing, but not to less than a bit or two per code block).
constexpr int64_t kMaxExpansion = 4096;
// Resolution levels of the encoder: its default, fewer for small pictures,
// whose lowest level must still hold a sample.
constexpr int32_t kMaxResolutions = 6;
constexpr int64_t kMinStreamBuffer = 4096;
constexpr int64_t kWriteBuffer = 64 * 1024;

inline uint32_t BE32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// Reads Count bytes at the position and puts it back; false when the stream
// holds fewer.
bool PeekBytes(TStream* Stream, uint8_t* Buffer, int64_t Count) {
  const int64_t pos = Stream->Position();
  int64_t got = 0;
  try {
    got = Stream->Read(Buffer, Count);
  } catch (...) {
    got = -1;
  }
  Stream->SetPosition(pos);
  return got == Count;
}

// ---- the library's stream on one of ours: offsets count from the position
// the bridge started at.

struct StreamBridge {
  TStream* stream;
  int64_t base;
};

OPJ_SIZE_T BridgeRead(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* b = static_cast<StreamBridge*>(User);
  int64_t got;
  try {
    got = b->stream->Read(Buffer, static_cast<int64_t>(Count));
  } catch (...) {
    got = 0;
  }
  return got > 0 ? static_cast<OPJ_SIZE_T>(got) : static_cast<OPJ_SIZE_T>(-1);
}

OPJ_SIZE_T BridgeWrite(void* Buffer, OPJ_SIZE_T Count, void* User) {
  auto* b = static_cast<StreamBridge*>(User);
  // A short write is a failure: the library would retry it for ever.
  try {
    if (b->stream->Write(Buffer, static_cast<int64_t>(Count)) == static_cast<int64_t>(Count))
      return Count;
  } catch (...) {
  }
  return static_cast<OPJ_SIZE_T>(-1);
}

// Moves to Target (absolute); a writer past the end fills with zero bytes,
// which the library overwrites later. False when a reader would leave the data.
bool MoveTo(TStream* S, int64_t Target, bool Writing) {
  const int64_t size = S->Size();
  if (Target <= size) {
    S->SetPosition(Target);
    return true;
  }
  if (!Writing) return false;
  S->SetPosition(size);
  static const uint8_t kZeros[4096] = {};
  for (int64_t left = Target - size; left > 0;) {
    const int64_t n = std::min<int64_t>(left, sizeof kZeros);
    if (S->Write(kZeros, n) != n) return false;
    left -= n;
  }
  return true;
}

template <bool Writing>
OPJ_OFF_T BridgeSkip(OPJ_OFF_T Count, void* User) {
  auto* b = static_cast<StreamBridge*>(User);
  try {
    const int64_t pos = b->stream->Position();
    int64_t target = std::max<int64_t>(b->base, pos + Count);
    if (!Writing) target = std::min(target, b->stream->Size());
    if (!MoveTo(b->stream, target, Writing)) return -1;
    return target - pos;
  } catch (...) {
    return -1;
  }
}

template <bool Writing>
OPJ_BOOL BridgeSeek(OPJ_OFF_T Offset, void* User) {
  auto* b = static_cast<StreamBridge*>(User);
  if (Offset < 0) return OPJ_FALSE;
  try {
    return MoveTo(b->stream, b->base + Offset, Writing) ? OPJ_TRUE : OPJ_FALSE;
  } catch (...) {
    return OPJ_FALSE;
  }
}

struct StreamDeleter {
  void operator()(opj_stream_t* s) const { Opj().stream_destroy(s); }
};
struct CodecDeleter {
  void operator()(opj_codec_t* c) const { Opj().destroy_codec(c); }
};
struct ImageDeleter {
  void operator()(opj_image_t* i) const { Opj().image_destroy(i); }
};
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

StreamPtr OpenBridge(StreamBridge& Bridge, bool Input) {
  // The library's buffer: no larger than the data to read, for small
  // pictures are common and the default buffer is a megabyte.
  const int64_t left = Bridge.stream->Size() - Bridge.base;
  const auto buffer = static_cast<OPJ_SIZE_T>(
      Input ? std::clamp<int64_t>(left, kMinStreamBuffer, OPJ_J2K_STREAM_CHUNK_SIZE) : kWriteBuffer);
  StreamPtr s(Opj().stream_create(buffer, Input ? OPJ_TRUE : OPJ_FALSE));
  if (!s) return s;
  Opj().stream_set_user_data(s.get(), &Bridge, nullptr);
  if (Input) {
    Opj().stream_set_user_data_length(
        s.get(), static_cast<OPJ_UINT64>(std::max<int64_t>(0, Bridge.stream->Size() - Bridge.base)));
    Opj().stream_set_read_function(s.get(), BridgeRead);
    Opj().stream_set_skip_function(s.get(), BridgeSkip<false>);
    Opj().stream_set_seek_function(s.get(), BridgeSeek<false>);
  } else {
    Opj().stream_set_write_function(s.get(), BridgeWrite);
    Opj().stream_set_skip_function(s.get(), BridgeSkip<true>);
    Opj().stream_set_seek_function(s.get(), BridgeSeek<true>);
  }
  return s;
}

// The library reports through these; its messages are not shown anywhere.
void Quiet(const char*, void*) {}
void NoteError(const char*, void* Data) { *static_cast<bool*>(Data) = true; }

void SetHandlers(opj_codec_t* Codec, bool* Failed) {
  Opj().set_info_handler(Codec, Quiet, nullptr);
  Opj().set_warning_handler(Codec, Quiet, nullptr);
  Opj().set_error_handler(Codec, NoteError, Failed);
}

// ---- reading

enum class Space { Grey, RGB, YCbCr, Other };

// The colours of the decoded image and the components that carry them, in
// the order grey, or red, green, blue, or luma and the two chroma.
struct Layout {
  Space space = Space::Other;
  std::array<uint32_t, 3> comps{};
  int32_t used = 0;
};

Layout ChooseLayout(const opj_image_t* Image, bool IsJP2) {
  Layout l;
  // A JP2 file says its colours; a bare code stream (or a file with an
  // embedded profile or an unspecified space) has only its component count:
  // one or two are grey (with alpha), three and more red, green, blue.
  switch (IsJP2 ? Image->color_space : OPJ_CLRSPC_UNSPECIFIED) {
    case OPJ_CLRSPC_SRGB:
      l.space = Space::RGB;
      break;
    case OPJ_CLRSPC_GRAY:
      l.space = Space::Grey;
      break;
    case OPJ_CLRSPC_SYCC:
      l.space = Space::YCbCr;
      break;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED:
      l.space = Image->numcomps >= 3 ? Space::RGB : Space::Grey;
      break;
    default:
      return l;  // CMYK, e-YCC: not read
  }
  l.used = l.space == Space::Grey ? 1 : 3;
  // Colour components in order, alpha ones left out; when there are too few,
  // the components by position.
  int32_t n = 0;
  for (uint32_t i = 0; i < Image->numcomps && n < l.used; ++i)
    if (!Image->comps[i].alpha) l.comps[static_cast<size_t>(n++)] = i;
  if (n < l.used) {
    if (Image->numcomps < static_cast<uint32_t>(l.used)) {
      l.space = Space::Other;
      return l;
    }
    for (int32_t k = 0; k < l.used; ++k) l.comps[static_cast<size_t>(k)] = static_cast<uint32_t>(k);
  }
  return l;
}

// YCbCr to RGB offsets of ITU-R BT.601, indexed by the 8-bit chroma sample.
struct YCbCrTables {
  int32_t r[256], b[256], gcr[256], gcb[256];
  YCbCrTables() {
    for (int32_t i = 0; i < 256; ++i) {
      const double c = i - 128;
      r[i] = static_cast<int32_t>(Round(1.402 * c));
      b[i] = static_cast<int32_t>(Round(1.772 * c));
      gcr[i] = -static_cast<int32_t>(Round(0.714136 * c));
      gcb[i] = -static_cast<int32_t>(Round(0.344136 * c));
    }
  }
};

const YCbCrTables& YCC() {
  static const YCbCrTables tables;
  return tables;
}

// One component's samples as 8-bit values, through its own sampling grid.
struct Channel {
  const OPJ_INT32* data = nullptr;
  uint32_t width = 0;
  int32_t shift = 0;      // precision above 8: keep the top 8 bits
  int32_t max = 255;      // precision below 8: scale 0..max to 0..255
  int32_t offset = 0;     // signed samples are centred on zero
  int64_t top = 255;      // the largest sample of the precision
  std::vector<int64_t> columns;  // image column -> sample index in a row
  std::vector<int64_t> rows;     // image row -> first sample of the row

  uint8_t At(int64_t Row, int64_t Column) const {
    int64_t v = int64_t{data[Row + Column]} + offset;
    v = std::clamp<int64_t>(v, 0, top);
    if (shift > 0) return static_cast<uint8_t>(v >> shift);
    if (max == 255) return static_cast<uint8_t>(v);
    // The scale of a sample of fewer than 8 bits is its own maximum: a
    // 1-bit 1 is white, not the 128 its top bits would give. 255 / max is
    // never exactly half way, so the rounding needs no tie rule.
    return static_cast<uint8_t>((v * 255 + max / 2) / max);
  }
};

Channel MakeChannel(const opj_image_t* Image, uint32_t Index, int32_t Width, int32_t Height) {
  const opj_image_comp_t& c = Image->comps[Index];
  Channel ch;
  ch.data = c.data;
  ch.width = c.w;
  const int32_t prec = static_cast<int32_t>(c.prec);
  ch.shift = std::max(0, prec - 8);
  ch.max = prec >= 8 ? 255 : (1 << prec) - 1;
  ch.offset = c.sgnd ? 1 << (prec - 1) : 0;
  ch.top = (int64_t{1} << prec) - 1;
  // Pixel x lies at x0 + x on the reference grid, inside sample
  // (x0 + x) div dx of the component, whose first sample is c.x0; a pixel
  // outside the component takes its first sample.
  ch.columns.resize(static_cast<size_t>(Width));
  for (int32_t x = 0; x < Width; ++x) {
    const int64_t s = (int64_t{Image->x0} + x) / c.dx - c.x0;
    ch.columns[static_cast<size_t>(x)] = s >= 0 && s < c.w ? s : 0;
  }
  ch.rows.resize(static_cast<size_t>(Height));
  for (int32_t y = 0; y < Height; ++y) {
    const int64_t s = (int64_t{Image->y0} + y) / c.dy - c.y0;
    ch.rows[static_cast<size_t>(y)] = (s >= 0 && s < c.h ? s : 0) * c.w;
  }
  return ch;
}

void FillParams(TIOParamsVals& Params, const opj_image_t* Image, const Layout& L) {
  Params.Width = static_cast<int32_t>(Image->x1 - Image->x0);
  Params.Height = static_cast<int32_t>(Image->y1 - Image->y0);
  Params.BitsPerSample = static_cast<int32_t>(Image->comps[L.comps[0]].prec);
  Params.SamplesPerPixel = L.used;
  Params.J2000ColorSpace = L.space == Space::Grey ? 0 : L.space == Space::RGB ? 1 : 2;
  Params.SetDpiX(DefaultDpiX);
  Params.SetDpiY(DefaultDpiY);
  Params.FreeColorMap();
}

// Bytes of the samples the header describes and of the picture made of
// them; -1 for a header that describes no image.
int64_t DecodedBytes(const opj_image_t* Image) {
  if (Image->numcomps == 0 || Image->x1 <= Image->x0 || Image->y1 <= Image->y0) return -1;
  if (Image->x1 - Image->x0 > INT32_MAX || Image->y1 - Image->y0 > INT32_MAX) return -1;
  int64_t bytes = 0;
  for (uint32_t i = 0; i < Image->numcomps; ++i) {
    const opj_image_comp_t& c = Image->comps[i];
    if (c.prec < 1 || c.prec > 31 || c.dx == 0 || c.dy == 0) return -1;
    const int64_t w = (int64_t{Image->x1} + c.dx - 1) / c.dx - (int64_t{Image->x0} + c.dx - 1) / c.dx;
    const int64_t h = (int64_t{Image->y1} + c.dy - 1) / c.dy - (int64_t{Image->y0} + c.dy - 1) / c.dy;
    bytes += std::min(SaturatedProduct({w, h, 4}), int64_t{1} << 48);
    if (bytes > (int64_t{1} << 48)) return int64_t{1} << 48;
  }
  // The picture itself, three bytes a pixel.
  return bytes + std::min(SaturatedProduct({int64_t{Image->x1 - Image->x0}, int64_t{Image->y1 - Image->y0}, 3}),
                          int64_t{1} << 48);
}

// Whether every sample of the picture is the level a code stream without
// any coefficient decodes to (half the range, or 0 for signed samples): the
// library then made nothing of the data, as with packets all empty.
bool NothingDecoded(const opj_image_t* Image, const Layout& L) {
  for (int32_t k = 0; k < L.used; ++k) {
    const opj_image_comp_t& c = Image->comps[L.comps[static_cast<size_t>(k)]];
    const OPJ_INT32 level = c.sgnd ? 0 : OPJ_INT32{1} << (c.prec - 1);
    const int64_t n = int64_t{c.w} * c.h;
    for (int64_t i = 0; i < n; ++i)
      if (c.data[i] != level) return false;
  }
  return true;
}

bool DecodedWhole(const opj_image_t* Image, const Layout& L) {
  for (int32_t k = 0; k < L.used; ++k) {
    const opj_image_comp_t& c = Image->comps[L.comps[static_cast<size_t>(k)]];
    if (!c.data || c.w == 0 || c.h == 0 || c.prec < 1 || c.prec > 31 || c.dx == 0 || c.dy == 0)
      return false;
  }
  return true;
}

// The library sets up every tile of the grid while it reads the main
// header, before the size of the picture can be judged. Each tile needs at
// least a tile-part header in the data (start-of-tile and start-of-data
// markers), so a grid of more tiles than that is refused first. Reads the
// size marker of the code stream at the position, or of the code-stream box
// of a JP2 file; the position is restored.
constexpr int64_t kMinTileBytes = 14;
constexpr int32_t kMaxBoxes = 64;

bool PlausibleTileGrid(TStream* Stream, bool IsJP2, int64_t& Width, int64_t& Height) {
  const int64_t start = Stream->Position();
  const int64_t size = Stream->Size();
  int64_t at = start;
  auto read = [&](int64_t pos, uint8_t* b, int64_t n) {
    Stream->SetPosition(pos);
    return Stream->Read(b, n) == n;
  };
  bool ok = false;
  uint8_t b[40];
  if (IsJP2) {
    // Boxes: 32-bit length (1: a 64-bit length follows; 0: to the end), type.
    at = -1;
    for (int64_t pos = start, i = 0; i < kMaxBoxes && pos + 8 <= size; ++i) {
      if (!read(pos, b, 16 < size - pos ? 16 : 8)) break;
      int64_t len = BE32(b);
      int64_t head = 8;
      if (len == 1) {
        if (size - pos < 16) break;
        len = int64_t{BE32(b + 8)} << 32 | BE32(b + 12);
        head = 16;
      } else if (len == 0) {
        len = size - pos;
      }
      if (BE32(b + 4) == 0x6A703263) {  // "jp2c"
        at = pos + head;
        break;
      }
      // A box reaching past the end holds no code stream behind it.
      if (len < head || len > size - pos) break;
      pos += len;
    }
  }
  if (at >= 0 && read(at, b, 40) && b[0] == 0xFF && b[1] == 0x4F && b[2] == 0xFF && b[3] == 0x51) {
    const int64_t xsiz = BE32(b + 8), ysiz = BE32(b + 12);
    const int64_t xtsiz = BE32(b + 24), ytsiz = BE32(b + 28);
    const int64_t xtosiz = BE32(b + 32), ytosiz = BE32(b + 36);
    Width = xsiz - BE32(b + 16);
    Height = ysiz - BE32(b + 20);
    if (xtsiz > 0 && ytsiz > 0 && xsiz > xtosiz && ysiz > ytosiz) {
      const int64_t tiles =
          SaturatedProduct({(xsiz - xtosiz + xtsiz - 1) / xtsiz, (ysiz - ytosiz + ytsiz - 1) / ytsiz});
      ok = tiles <= (size - at) / kMinTileBytes;
    }
  }
  Stream->SetPosition(start);
  return ok;
}

}  // namespace

bool IsJP2Stream(TStream* Stream) {
  uint8_t b[12];
  if (!PeekBytes(Stream, b, 12)) return false;
  return BE32(b) == kJP2SignatureLength && BE32(b + 4) == kJP2SignatureType &&
         BE32(b + 8) == kJP2SignatureContent;
}

bool IsJ2KStream(TStream* Stream) {
  uint8_t b[4];
  if (!PeekBytes(Stream, b, 4)) return false;
  return (b[0] << 8 | b[1]) == kSOC && (b[2] << 8 | b[3]) == kSIZ;
}

void ReadJ2000Stream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIOProgressRec& Progress, bool ParamsOnly) {
  const bool jp2 = IsJP2Stream(Stream);
  if (!jp2 && !IsJ2KStream(Stream)) return Progress.Abort();
  if (!Opj().ready) return Progress.Abort();

  int64_t claimed_w = 0, claimed_h = 0;
  if (!PlausibleTileGrid(Stream, jp2, claimed_w, claimed_h)) {
    if (claimed_w > 0 && claimed_h > 0) return Progress.Refuse(IEClaimTooLargeForDataText(claimed_w, claimed_h));
    return Progress.Abort();
  }
  StreamBridge bridge{Stream, Stream->Position()};
  const int64_t data_size = Stream->Size() - bridge.base;
  bool failed = false;
  StreamPtr stream = OpenBridge(bridge, true);
  CodecPtr codec(Opj().create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
  if (!stream || !codec) return Progress.Abort();
  SetHandlers(codec.get(), &failed);
  opj_dparameters_t dp;
  Opj().set_default_decoder_parameters(&dp);
  if (!Opj().setup_decoder(codec.get(), &dp)) return Progress.Abort();

  opj_image_t* raw = nullptr;
  const bool header = Opj().read_header(stream.get(), codec.get(), &raw);
  ImagePtr image(raw);
  const int64_t decoded_bytes = header && image && !failed ? DecodedBytes(image.get()) : -1;
  if (decoded_bytes < 0) return Progress.Abort();
  if (!IEClaimPlausible(Progress, image->x1 - image->x0, image->y1 - image->y0, ieRGB24, false,
                        IEDataCanHold(decoded_bytes, data_size, kMaxExpansion)))
    return;

  if (ParamsOnly && !jp2) {
    // A code stream's main header tells size, precision and components. A
    // JP2 file's colours, palette and channels are applied only when
    // decoding, so its parameters come from the decoded image.
    const Layout l = ChooseLayout(image.get(), false);
    if (l.space == Space::Other) return Progress.Abort();
    FillParams(Params, image.get(), l);
    return;
  }

  if (!Opj().decode(codec.get(), stream.get(), image.get()) ||
      !Opj().end_decompress(codec.get(), stream.get()) || failed)
    return Progress.Refuse(IEDamagedDataText("its code stream cannot be decoded"));

  const Layout l = ChooseLayout(image.get(), jp2);
  if (l.space == Space::Other || !DecodedWhole(image.get(), l)) return Progress.Abort();
  if (NothingDecoded(image.get(), l)) return Progress.Refuse(IENoPictureDataText());
  FillParams(Params, image.get(), l);
  if (ParamsOnly) return;
  const int32_t width = Params.Width, height = Params.Height;

  const bool mono = l.space == Space::Grey && image->comps[l.comps[0]].prec == 1;
  try {
    Bitmap->Allocate(width, height, mono ? ieMono1 : ieRGB24);
  } catch (const std::exception&) {
    return Progress.Abort();
  }
  std::vector<Channel> ch;
  for (int32_t k = 0; k < l.used; ++k)
    ch.push_back(MakeChannel(image.get(), l.comps[static_cast<size_t>(k)], width, height));

  const YCbCrTables& t = YCC();
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = Bitmap->GetScanline(y);
    if (mono) {
      std::memset(row, 0, static_cast<size_t>((width + 7) / 8));
      const Channel& g = ch[0];
      for (int32_t x = 0; x < width; ++x)
        if (g.At(g.rows[static_cast<size_t>(y)], g.columns[static_cast<size_t>(x)]))
          row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    } else {
      auto* px = reinterpret_cast<TRGB*>(row);
      for (int32_t x = 0; x < width; ++x) {
        uint8_t s[3];
        for (int32_t k = 0; k < l.used; ++k) {
          const Channel& c = ch[static_cast<size_t>(k)];
          s[k] = c.At(c.rows[static_cast<size_t>(y)], c.columns[static_cast<size_t>(x)]);
        }
        switch (l.space) {
          case Space::Grey:
            px[x] = MakeRGBTriple(s[0], s[0], s[0]);
            break;
          case Space::RGB:
            px[x] = MakeRGBTriple(s[0], s[1], s[2]);
            break;
          default: {  // luma, blue and red chroma
            const int32_t luma = s[0];
            px[x] = MakeRGBTriple(ClampToByte(luma + t.r[s[2]]),
                                  ClampToByte(luma + t.gcb[s[1]] + t.gcr[s[2]]),
                                  ClampToByte(luma + t.b[s[1]]));
            break;
          }
        }
      }
    }
    Progress.Report(y);
    if (Progress.IsAborting()) break;
  }
  Bitmap->UnmapRows();
}

void WriteJ2000Stream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                      TIOProgressRec& Progress, int32_t Format) {
  const int32_t width = Bitmap->Width(), height = Bitmap->Height();
  const TIEPixelFormat format = Bitmap->PixelFormat();
  if (width <= 0 || height <= 0 || (format != ieRGB24 && format != ieMono1) || !Opj().ready)
    return Progress.Abort();
  // A 1-bit picture is written as one grey bit, and the record says so
  // afterwards, as it does after a load of the file.
  const bool mono = format == ieMono1;
  if (mono) {
    Params.BitsPerSample = 1;
    Params.J2000ColorSpace = 0;
  }
  const bool grey = Params.J2000ColorSpace == 0;
  const int32_t prec =
      Params.BitsPerSample >= 1 && Params.BitsPerSample <= 16 ? Params.BitsPerSample : 8;
  const int64_t max = (int64_t{1} << prec) - 1;
  const uint32_t comps = grey ? 1 : 3;

  opj_image_cmptparm_t cp[3];
  std::memset(cp, 0, sizeof cp);
  for (auto& c : cp) {
    c.dx = c.dy = 1;
    c.w = static_cast<OPJ_UINT32>(width);
    c.h = static_cast<OPJ_UINT32>(height);
    c.prec = static_cast<OPJ_UINT32>(prec);
    c.sgnd = 0;
  }
  ImagePtr image(Opj().image_create(comps, cp, grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
  if (!image) return Progress.Abort();
  image->x0 = image->y0 = 0;
  image->x1 = static_cast<OPJ_UINT32>(width);
  image->y1 = static_cast<OPJ_UINT32>(height);

  // Samples scale 0..255 to 0..max; in integers, so that 8 and 16 bits keep
  // every value exactly (v x 255 / 255 in floating point can fall short).
  Progress.Per1 = 100.0 / height;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = Bitmap->GetScanline(y);
    const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width);
    if (mono) {
      OPJ_INT32* g = image->comps[0].data + at;
      for (int32_t x = 0; x < width; ++x) g[x] = row[x >> 3] >> (7 - (x & 7)) & 1;
    } else {
      const auto* px = reinterpret_cast<const TRGB*>(row);
      if (grey) {
        OPJ_INT32* g = image->comps[0].data + at;
        for (int32_t x = 0; x < width; ++x)
          g[x] = static_cast<OPJ_INT32>(RGBToGrayLevel(px[x]) * max / 255);
      } else {
        OPJ_INT32 *r = image->comps[0].data + at, *gr = image->comps[1].data + at,
                  *b = image->comps[2].data + at;
        for (int32_t x = 0; x < width; ++x) {
          r[x] = static_cast<OPJ_INT32>(px[x].r * max / 255);
          gr[x] = static_cast<OPJ_INT32>(px[x].g * max / 255);
          b[x] = static_cast<OPJ_INT32>(px[x].b * max / 255);
        }
      }
    }
    Progress.Report(y);
    if (Progress.IsAborting()) {
      Bitmap->UnmapRows();
      return;
    }
  }
  Bitmap->UnmapRows();

  opj_cparameters_t ep;
  Opj().set_default_encoder_parameters(&ep);
  // One quality layer; the reversible wavelet, cut to the asked size when
  // the rate is a fraction (the library takes the inverse: a ratio).
  ep.tcp_numlayers = 1;
  ep.cp_disto_alloc = 1;
  const double rate = Params.J2000Rate;
  ep.tcp_rates[0] = rate > 0 && rate < 1 ? static_cast<float>(1.0 / rate) : 0.0f;
  ep.irreversible = 0;
  ep.prog_order = Params.J2000ProgressionOrder == 1 ? OPJ_RLCP : OPJ_LRCP;
  ep.tcp_mct = comps == 3 ? 1 : 0;
  int32_t levels = 1;
  while (levels < kMaxResolutions && (std::min(width, height) >> levels) > 0) ++levels;
  ep.numresolution = levels;

  bool failed = false;
  CodecPtr codec(Opj().create_compress(Format == ieJ2000J2K ? OPJ_CODEC_J2K : OPJ_CODEC_JP2));
  if (!codec) return Progress.Abort();
  SetHandlers(codec.get(), &failed);
  StreamBridge bridge{Stream, Stream->Position()};
  StreamPtr stream = OpenBridge(bridge, false);
  if (!stream || !Opj().setup_encoder(codec.get(), &ep, image.get()) ||
      !Opj().start_compress(codec.get(), image.get(), stream.get()) ||
      !Opj().encode(codec.get(), stream.get()) || !Opj().end_compress(codec.get(), stream.get()) ||
      failed)
    return Progress.Abort();
  // The library writes through a buffer: the last bytes leave with the
  // stream.
  stream.reset();
}

// ---- the formats in the input/output component

namespace {

void ReadForComponent(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
                      TIOProgressRec& Progress, std::unique_ptr<TIEMask>&) {
  ReadJ2000Stream(Stream, Bitmap, Params, Progress, ParamsOnly);
}

TIEFormatHandler J2000Handler(int32_t TypeId) {
  TIEFormatHandler h;
  h.TypeId = TypeId;
  h.Read = ReadForComponent;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 2;
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  return h;
}

}  // namespace

TIEFormatHandler JP2FormatHandler() {
  TIEFormatHandler h = J2000Handler(ieftJP2);
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    WriteJ2000Stream(Stream, Bitmap, Params, Progress, ieJ2000JP2);
  };
  h.Test = IsJP2Stream;
  // After the JPEG test, before the code-stream test.
  h.DetectOrder = 150;
  return h;
}

TIEFormatHandler J2KFormatHandler() {
  TIEFormatHandler h = J2000Handler(ieftJ2K);
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    WriteJ2000Stream(Stream, Bitmap, Params, Progress, ieJ2000J2K);
  };
  h.Test = IsJ2KStream;
  // Before the video test.
  h.DetectOrder = 160;
  return h;
}
