#include "imaging/io/formats/JPEG.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/io/ConvertScanlineICC.h"
#include "imaging/io/ExifBlock.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/StreamPositionGuard.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

// The library's headers expect size_t and FILE to be declared first, and
// define TRUE and FALSE as macros, so they come after the platform types.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// ---- the bridge to the library
//
// The library reports errors by calling error_exit, which must not return.
// Ours long-jumps back to the guard of the call that failed; a guard is a
// small function that holds nothing with a destructor, so the jump skips no
// C++ clean-up. Callbacks into our streams catch every exception themselves.

constexpr size_t kBufferSize = 65536;

// The most the library may take for itself while decoding: a 100-megapixel
// progressive picture with full colour resolution needs 600 MiB.
constexpr long kLibraryMemoryLimit = 1L << 30;

// Markers: start and end of image, APP0, APP1, APP2, APP13, APP14, comment.
enum : uint8_t {
  kSOI = 0xD8,
  kEOI = 0xD9,
  kAPP0 = 0xE0,
  kAPP1 = 0xE1,
  kAPP2 = 0xE2,
  kAPP13 = 0xED,
  kAPP14 = 0xEE,
  kCOM = 0xFE
};

// Longest payload a marker segment can carry: its 16-bit length counts itself.
constexpr int32_t kMaxMarkerPayload = 65533;

struct ErrorMgr {
  jpeg_error_mgr pub;
  jmp_buf jump;
  bool* abort;
  int32_t warnings;
  // Where the coded data ran out: the scan number and the row of blocks
  // (iMCU row) being decoded when the decoder first lacked data. A restart
  // marker read after it resumes real data (a damaged interval of a camera
  // file resynchronises there), and clears it.
  bool starved;
  int starved_scan;
  JDIMENSION starved_row;
  // Set once the first scan's data have ended for good, with the rows of
  // blocks they held.
  bool first_scan_ended;
  JDIMENSION first_scan_rows;
  char text[JMSG_LENGTH_MAX + 32];
};

// The message's text from this program's own table, never the codec's:
// its wording and numbering are what users and stored reports have seen.
void MessageText(int32_t code, char* out, size_t size) {
  std::snprintf(out, size, "%s", JPEGMessageText(code).c_str());
}

void JPEGErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorMgr*>(cinfo->err);
  if (err->abort) *err->abort = true;
  MessageText(err->pub.msg_code, err->text, sizeof err->text);
  std::longjmp(err->jump, 1);
}

void JPEGEmitMessage(j_common_ptr cinfo, int msg_level) {
  auto* err = reinterpret_cast<ErrorMgr*>(cinfo->err);
  if (!cinfo->is_decompressor) {
    if (msg_level == -1) ++err->warnings;
    return;
  }
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  // The library traces every restart marker it reads where it expected one.
  if (msg_level == 3 && err->pub.msg_code == JTRC_RST) err->starved = false;
  if (msg_level != -1) return;
  ++err->warnings;
  if (err->pub.msg_code == JWRN_HIT_MARKER && !err->starved) {
    err->starved = true;
    err->starved_scan = d->input_scan_number;
    err->starved_row = d->input_iMCU_row;
  }
}

// The library's own resynchronisation; a restart marker it settles on (none
// left unread) lets the decoder go on with real data.
boolean ResyncToRestart(j_decompress_ptr cinfo, int desired) {
  const boolean done = jpeg_resync_to_restart(cinfo, desired);
  if (cinfo->unread_marker == 0) reinterpret_cast<ErrorMgr*>(cinfo->err)->starved = false;
  return done;
}

void JPEGOutputMessage(j_common_ptr) {}
void JPEGFormatMessage(j_common_ptr, char* buffer) { buffer[0] = 0; }

void JPEGResetErrorManager(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorMgr*>(cinfo->err);
  err->warnings = 0;
  err->starved = false;
  err->pub.msg_code = 0;
}

void InitErrorMgr(ErrorMgr& err, bool* abort) {
  std::memset(&err, 0, sizeof err);
  // Every routine is ours; texts come from our own table.
  jpeg_std_error(&err.pub);
  err.pub.error_exit = JPEGErrorExit;
  err.pub.emit_message = JPEGEmitMessage;
  err.pub.output_message = JPEGOutputMessage;
  err.pub.format_message = JPEGFormatMessage;
  err.pub.reset_error_mgr = JPEGResetErrorManager;
  err.abort = abort;
}

// ---- stream source

struct SourceMgr {
  jpeg_source_mgr pub;
  TStream* stream;
  bool start_of_file;
  bool* abort;
  JOCTET buffer[kBufferSize];
};

void InitSource(j_decompress_ptr cinfo) {
  reinterpret_cast<SourceMgr*>(cinfo->src)->start_of_file = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceMgr*>(cinfo->src);
  int64_t n;
  try {
    n = src->stream->Read(src->buffer, kBufferSize);
  } catch (...) {
    n = 0;
  }
  if (n <= 0) {
    // A stream that gave nothing at all is not JPEG data; a short one gets an
    // end-of-image marker and the library fills the rest of the picture.
    if (src->start_of_file && src->abort) *src->abort = true;
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    n = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = static_cast<size_t>(n);
  src->start_of_file = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long num_bytes) {
  if (num_bytes < 1) return;
  auto* src = cinfo->src;
  while (num_bytes > static_cast<long>(src->bytes_in_buffer)) {
    num_bytes -= static_cast<long>(src->bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  src->next_input_byte += num_bytes;
  src->bytes_in_buffer -= static_cast<size_t>(num_bytes);
}

void TermSource(j_decompress_ptr) {}

void SetStreamSource(j_decompress_ptr cinfo, SourceMgr* src, TStream* stream, bool* abort) {
  src->pub.init_source = InitSource;
  src->pub.fill_input_buffer = FillInputBuffer;
  src->pub.skip_input_data = SkipInputData;
  src->pub.resync_to_restart = ResyncToRestart;
  src->pub.term_source = TermSource;
  src->pub.next_input_byte = nullptr;
  src->pub.bytes_in_buffer = 0;
  src->stream = stream;
  src->abort = abort;
  src->start_of_file = true;
  cinfo->src = &src->pub;
}

// ---- stream destination

struct DestMgr {
  jpeg_destination_mgr pub;
  TStream* stream;
  bool* abort;
  JOCTET buffer[kBufferSize];
};

void WriteOut(DestMgr* dest, size_t n) {
  if (n == 0) return;
  int64_t written;
  try {
    written = dest->stream->Write(dest->buffer, static_cast<int64_t>(n));
  } catch (...) {
    written = 0;
  }
  if (written < static_cast<int64_t>(n) && dest->abort) *dest->abort = true;
}

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  WriteOut(dest, kBufferSize);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kBufferSize;
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestMgr*>(cinfo->dest);
  WriteOut(dest, kBufferSize - dest->pub.free_in_buffer);
}

// ---- guards: each returns false when the library raised an error.

bool GuardCreateDecompress(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_create_decompress(c);
  return true;
}

bool GuardSaveMarkers(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_save_markers(c, JPEG_COM, 0xFFFF);
  for (int m = 0; m < 16; ++m) jpeg_save_markers(c, JPEG_APP0 + m, 0xFFFF);
  return true;
}

bool GuardReadHeader(j_decompress_ptr c, ErrorMgr* e, boolean require_image) {
  if (setjmp(e->jump)) return false;
  jpeg_read_header(c, require_image);
  return true;
}

bool GuardStartDecompress(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_start_decompress(c);
  return true;
}

// The output size without starting: starting a progressive image reads and
// holds all of its coefficients.
bool GuardCalcOutputDimensions(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_calc_output_dimensions(c);
  return true;
}

bool GuardConsumeInput(j_decompress_ptr c, ErrorMgr* e, int* result) {
  if (setjmp(e->jump)) return false;
  *result = jpeg_consume_input(c);
  return true;
}

bool GuardStartOutput(j_decompress_ptr c, ErrorMgr* e, int scan) {
  if (setjmp(e->jump)) return false;
  jpeg_start_output(c, scan);
  return true;
}

bool GuardFinishOutput(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_finish_output(c);
  return true;
}

bool GuardReadRow(j_decompress_ptr c, ErrorMgr* e, JSAMPROW row, JDIMENSION* got) {
  if (setjmp(e->jump)) return false;
  *got = jpeg_read_scanlines(c, &row, 1);
  return true;
}

bool GuardFinishDecompress(j_decompress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_finish_decompress(c);
  return true;
}

bool GuardCreateCompress(j_compress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_create_compress(c);
  return true;
}

struct CompressSettings {
  int components;
  J_COLOR_SPACE in_space;
  J_COLOR_SPACE jpeg_space;
  UINT16 dpi_x, dpi_y;
  J_DCT_METHOD dct;
  bool optimize;
  int smoothing;
  int quality;
  bool jfif;
  bool progressive;
};

bool GuardSetupCompress(j_compress_ptr c, ErrorMgr* e, const CompressSettings* s) {
  if (setjmp(e->jump)) return false;
  c->input_components = s->components;
  c->in_color_space = s->in_space;
  jpeg_set_defaults(c);
  jpeg_set_colorspace(c, s->jpeg_space);
  c->density_unit = 1;
  c->X_density = s->dpi_x;
  c->Y_density = s->dpi_y;
  c->dct_method = s->dct;
  c->optimize_coding = s->optimize ? TRUE : FALSE;
  c->smoothing_factor = s->smoothing;
  jpeg_set_quality(c, s->quality, TRUE);
  if (s->jfif) c->write_JFIF_header = TRUE;
  if (s->progressive) jpeg_simple_progression(c);
  return true;
}

bool GuardStartCompress(j_compress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_start_compress(c, TRUE);
  return true;
}

bool GuardWriteMarker(j_compress_ptr c, ErrorMgr* e, int code, const JOCTET* data,
                      unsigned int length) {
  if (setjmp(e->jump)) return false;
  jpeg_write_marker(c, code, data, length);
  return true;
}

bool GuardWriteRow(j_compress_ptr c, ErrorMgr* e, JSAMPROW row) {
  if (setjmp(e->jump)) return false;
  jpeg_write_scanlines(c, &row, 1);
  return true;
}

bool GuardFinishCompress(j_compress_ptr c, ErrorMgr* e) {
  if (setjmp(e->jump)) return false;
  jpeg_finish_compress(c);
  return true;
}

J_DCT_METHOD DctMethod(uint8_t m) {
  switch (m) {
    case 1: return JDCT_IFAST;
    case 2: return JDCT_FLOAT;
    default: return JDCT_ISLOW;
  }
}

// Destroys the library's record however the reader is left.
struct DecompressHolder {
  jpeg_decompress_struct cinfo{};
  bool created = false;
  ~DecompressHolder() {
    if (created) jpeg_destroy_decompress(&cinfo);
  }
};

struct CompressHolder {
  jpeg_compress_struct cinfo{};
  bool created = false;
  ~CompressHolder() {
    if (created) jpeg_destroy_compress(&cinfo);
  }
};

void ReadThumbnailFirst(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap,
                        TIOParamsVals& Params, TIOProgressRec& Progress, bool ParamsOnly,
                        bool RawYCbCr, bool InvertCMYK, bool ApplyICC, bool& Done);

// Whether DataBytes of Huffman-coded data can describe at least half of the
// blocks the header claims. In its first scan every 8x8 block of every
// component costs at least one Huffman code per symbol: a DC and an AC
// symbol (two bits) in a sequential scan, a DC symbol (one bit) in a
// progressive one. The arithmetic coder has no such floor (a decision can
// cost a tiny part of a bit): its pictures are measured by a first pass.
bool DataCanHoldHalf(j_decompress_ptr cinfo, int64_t DataBytes) {
  if (cinfo->arith_code) return true;
  double blocks = 0;
  for (int c = 0; c < cinfo->num_components; ++c)
    blocks += static_cast<double>(cinfo->comp_info[c].width_in_blocks) * cinfo->comp_info[c].height_in_blocks;
  const double bits_per_block = cinfo->progressive_mode ? 1 : 2;
  return blocks * bits_per_block / 2 <= 8.0 * static_cast<double>(DataBytes);
}

// The most pixels a byte of coded data describes in a picture meant to be
// seen: the Huffman coder's floor, one bit for a 64-pixel grey block in a
// progressive first scan. An arithmetic-coded picture beyond it is refused
// as too large, whatever room the machine has.
constexpr int64_t kMostPixelsPerCodedByte = 512;

bool IsRestartMarker(int m) { return m >= JPEG_RST0 && m <= JPEG_RST0 + 7; }

// Output rows that one row of blocks (iMCU row) gives at the chosen scale.
int64_t OutputRowsPerBlockRow(j_decompress_ptr c) {
#if JPEG_LIB_VERSION >= 70
  return int64_t{c->max_v_samp_factor} * c->min_DCT_v_scaled_size;
#else
  return int64_t{c->max_v_samp_factor} * c->min_DCT_scaled_size;
#endif
}

// Called after every step of decoding (a row read, a row of blocks taken
// in): latches where the first scan's data ended for good. The Huffman
// decoder warns where it first lacks data. Data that stop at a restart
// marker may resume behind it (a damaged interval resynchronises); a
// picture's last row of blocks cannot tell, since a whole scan's decoder may
// read the marker behind it there. The arithmetic decoder cannot tell at
// all: its coder leaves out the zero bytes that end its data, and the
// decoder makes them up behind the marker, so a picture of one grey reaches
// the marker after a few bytes and is whole. Its data never count as ended.
void CheckFirstScan(j_decompress_ptr cinfo) {
  auto& err = *reinterpret_cast<ErrorMgr*>(cinfo->err);
  const int m = cinfo->unread_marker;
  if (err.first_scan_ended || !err.starved || err.starved_scan > 1 || m == 0 || IsRestartMarker(m)) return;
  err.first_scan_ended = true;
  err.first_scan_rows = err.starved_row + 1 >= cinfo->total_iMCU_rows ? cinfo->total_iMCU_rows : err.starved_row;
}

// Rows of blocks the first scan's data hold, as far as decoding has come.
JDIMENSION HeldBlockRows(j_decompress_ptr cinfo) {
  const auto& err = *reinterpret_cast<const ErrorMgr*>(cinfo->err);
  return err.first_scan_ended ? err.first_scan_rows : cinfo->total_iMCU_rows;
}

}  // namespace

// ---- content test, length, ICC profile

int64_t IsJPEGStream(TStream* Stream) {
  formats::TStreamPositionGuard keep(Stream);
  uint8_t b[102];
  int64_t n;
  try {
    n = Stream->Read(b, sizeof b);
  } catch (...) {
    return -1;
  }
  for (int64_t i = 0; i < 100 && i + 2 < n; ++i)
    if (b[i] == 0xFF && b[i + 1] == kSOI && b[i + 2] == 0xFF) return keep.Start() + i;
  return -1;
}

int64_t MeasureJPEGStream(TStream* Stream) {
  formats::TStreamPositionGuard keep(Stream);
  TIEBufferedReadStream r(Stream, 8192);
  uint8_t b = 0;
  while (r.Read(&b, 1) == 1) {
    if (b != 0xFF) continue;
    if (r.Read(&b, 1) != 1) break;
    if (b == kEOI) break;
    if ((b >= 0xC0 && b <= 0xCF) || (b >= 0xDA && b <= 0xFE)) {
      uint8_t l[2];
      if (r.Read(l, 2) != 2) break;
      const int64_t len = LoadBE16(l);
      if (len < 2) continue;
      r.Seek(len - 2, soCurrent);
      if (r.Position() >= r.Size()) break;
    }
  }
  return std::min(r.Position(), r.Size()) - keep.Start();
}

void ReadJPEGICCProfile(TStream* Stream, TIOParamsVals& Params) {
  formats::TStreamPositionGuard keep(Stream);
  TIEBufferedReadStream r(Stream, 8192);
  std::vector<std::vector<uint8_t>> chunks;
  int32_t kept = 0;
  uint8_t b = 0;
  while (r.Read(&b, 1) == 1) {
    if (b != 0xFF) continue;
    if (r.Read(&b, 1) != 1) break;
    const uint8_t m = b;
    if (m <= 0xBF || (m >= 0xD0 && m <= 0xD8) || m == 0xFF) {
      // Not a segment: a byte of entropy-coded data, a restart marker, the
      // start of image or fill bytes.
      if (m == 0xFF) r.Seek(-1, soCurrent);
      continue;
    }
    // The profile belongs to the header: scanning the coded data behind the
    // first scan for it would cost a read of every byte of the file.
    if (m == kEOI || m == 0xDA) break;
    uint8_t l[2];
    if (r.Read(l, 2) != 2) break;
    const int64_t len = LoadBE16(l);
    if (len < 2) continue;
    if (m != kAPP2) {
      r.Seek(len - 2, soCurrent);
      if (r.Position() >= r.Size()) break;
      continue;
    }
    std::vector<uint8_t> seg(static_cast<size_t>(len - 2));
    if (r.Read(seg.data(), len - 2) != len - 2) break;
    // A chunk: "ICC_PROFILE\0", the 1-based sequence number, the count, the
    // payload. A chunk numbered 0 or too short to hold its header is not
    // one: it is dropped instead of being stored before the first slot.
    if (seg.size() < 14 || std::memcmp(seg.data(), "ICC_PROFILE", 12) != 0) continue;
    const int32_t seq = seg[12], count = seg[13];
    if (seq == 0 || seg.size() < 14) continue;
    if (static_cast<int32_t>(chunks.size()) < seq) chunks.resize(static_cast<size_t>(seq));
    if (chunks[seq - 1].empty()) ++kept;
    chunks[seq - 1].assign(seg.begin() + 14, seg.end());
    if (kept >= count) break;
  }
  std::vector<uint8_t> profile;
  for (const auto& c : chunks) profile.insert(profile.end(), c.begin(), c.end());
  if (!profile.empty())
    Params.GetInputICCProfile()->LoadFromBuffer(profile.data(), static_cast<int64_t>(profile.size()));
}

// ---- reading

namespace {

void ReadThumbnailFirst(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap,
                        TIOParamsVals& Params, TIOProgressRec& Progress, bool ParamsOnly,
                        bool RawYCbCr, bool InvertCMYK, bool ApplyICC, bool& Done) {
  Done = false;
  Params.EXIFThumbnail.reset();
  Params.SetLoadEmbeddedThumbnail(false);
  // The data begins at the stream's position, not at its first byte: a JPEG
  // inside another file is read where it lies.
  const int64_t start = Stream->Position();
  ReadJPEGStream(Stream, TablesStream, Bitmap, Params, Progress, true, RawYCbCr, true, InvertCMYK,
                 ApplyICC);
  Stream->SetPosition(start);
  Params.SetLoadEmbeddedThumbnail(true);
  if (Params.EXIFThumbnail && !Params.EXIFThumbnail->IsEmpty()) {
    Bitmap->Assign(Params.EXIFThumbnail.get());
    Done = true;
  }
}

// The EXIF block of the first APP1 marker that holds one (an XMP packet
// may come first). A JFIF density of 1 x 1 only gives the pixels' aspect:
// the camera's resolution then stands; any other density wins over it.
void ReadExifMetadata(TIEBitmap* Bitmap, TIOParamsVals& Params, bool Decoded) {
  const int32_t app1 = IndexOfExifMarker(Params.JpegMarkerList);
  if (app1 < 0) return;
  const int32_t dpi_x = Params.DpiX(), dpi_y = Params.DpiY();
  if (!ParseExifBlock(Params.JpegMarkerList.GetMarkerData(app1),
                      Params.JpegMarkerList.GetMarkerLength(app1), Params))
    return;
  if (dpi_x == 1 && dpi_y == 1) {
    const double f = Params.EXIFResolutionUnit == 3 ? 2.54 : 1;
    Params.SetDpiX(static_cast<int32_t>(Trunc(Params.EXIFXResolution() * f)));
    Params.SetDpiY(static_cast<int32_t>(Trunc(Params.EXIFYResolution() * f)));
  } else {
    Params.SetDpiX(dpi_x);
    Params.SetDpiY(dpi_y);
  }
  // Only pixels this read decoded are turned: after a parameters-only read,
  // or one that failed before decoding, the bitmap still holds the caller's
  // image. Once turned, the picture stands upright, and its orientation
  // says so: saved again, no reader turns it a second time.
  if (Params.EnableAdjustOrientation && Decoded && Bitmap && !Bitmap->IsEmpty()) {
    ApplyExifOrientation(Bitmap, Params.EXIFOrientation());
    Params.SetEXIFOrientation(1);
  }
}

// One read of a picture: what its steps share.
struct PictureRead {
  TStream* stream;
  TIOParamsVals& params;
  TIOProgressRec& progress;
  ErrorMgr* err;
  SourceMgr* src;
  j_decompress_ptr cinfo;
  bool cms = false;       // rows go through the input colour profile
  bool buffered = false;  // read through the library's buffered-image mode
  int64_t soi = 0;        // where the picture's data start
  TStream* tables = nullptr;
  int64_t tables_at = 0;  // where the tables-only data start
  int64_t data_bytes = 0;  // from the first scan's header to the end of the stream
  // The picture would cost more than its data have shown they hold: the
  // first scan is measured before anything of its size is allocated.
  bool counting = false;
  JDIMENSION most_block_rows = 0;  // more rows held: too large to open
  JDIMENSION held = 0;             // rows of blocks the data hold, once counted
  int32_t rows = 0;                // image rows to allocate and decode
  int64_t cost = 0;                // bytes the whole picture takes to decode

  bool Aborted() const { return progress.IsAborting(); }
};

// The header: from the tables stream first when the tables come apart, then
// from the picture's own stream, whose markers are kept.
bool ReadHeaders(PictureRead& r, TStream* TablesStream) {
  if (TablesStream && TablesStream != r.stream) {
    SetStreamSource(r.cinfo, r.src, TablesStream, r.progress.Aborting);
    if (!GuardReadHeader(r.cinfo, r.err, FALSE)) {
      r.progress.Abort();
      throw EIEJpegException(r.err->text);
    }
  }
  SetStreamSource(r.cinfo, r.src, r.stream, r.progress.Aborting);
  const bool ok = GuardSaveMarkers(r.cinfo, r.err) && GuardReadHeader(r.cinfo, r.err, TRUE);
  // The data start as JPEG data do: a file the library cannot read from
  // there is a damaged picture, not one of another kind (nor an encrypted
  // one), and is refused with the library's words.
  if (!ok) r.progress.Refuse(IEDamagedDataText(r.err->text));
  if (!ok || r.Aborted()) {
    r.progress.Abort();
    return false;
  }
  return true;
}

// The colour space the file holds, as the parameters report it, and the one
// the library delivers; the decoding method.
void SetColourSpaces(PictureRead& r, bool RawYCbCr, int32_t DataColorSpace) {
  TIOParamsVals& Params = r.params;
  j_decompress_ptr cinfo = r.cinfo;
  Params.BitsPerSample = 8;
  // A declared space replaces the library's guess where the component count
  // fits it; the library checks the count again when it starts.
  static const struct {
    J_COLOR_SPACE space;
    int components;
  } kDeclared[] = {{JCS_RGB, 3}, {JCS_GRAYSCALE, 1}, {JCS_YCbCr, 3}, {JCS_CMYK, 4}, {JCS_YCCK, 4}};
  if (DataColorSpace >= 0 && DataColorSpace < 5 &&
      cinfo->num_components == kDeclared[DataColorSpace].components)
    cinfo->jpeg_color_space = kDeclared[DataColorSpace].space;
  switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
      Params.JpegColorSpace = 1;
      Params.SamplesPerPixel = 1;
      break;
    case JCS_RGB:
      Params.JpegColorSpace = 0;
      Params.SamplesPerPixel = 3;
      break;
    case JCS_YCbCr:
      Params.JpegColorSpace = 2;
      Params.SamplesPerPixel = 3;
      break;
    case JCS_CMYK:
      Params.JpegColorSpace = 3;
      Params.SamplesPerPixel = 4;
      cinfo->out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      Params.JpegColorSpace = 4;
      Params.SamplesPerPixel = 4;
      cinfo->out_color_space = JCS_CMYK;
      break;
    default:
      break;
  }
  // RGB and YCbCr data arrive blue first, as the image keeps them: the
  // library converts to that order itself, so no exchange follows. Grey
  // data fill a 24-bit image the same way unless kept as grey.
  const bool native = Params.IsNativePixelFormat;
  switch (cinfo->jpeg_color_space) {
    case JCS_RGB:
    case JCS_YCbCr:
      cinfo->out_color_space = JCS_EXT_BGR;
      break;
    case JCS_GRAYSCALE:
      cinfo->out_color_space = native ? JCS_GRAYSCALE : JCS_EXT_BGR;
      break;
    default:
      break;
  }
  if (RawYCbCr) cinfo->out_color_space = JCS_YCbCr;

  cinfo->dct_method = DctMethod(Params.JpegDCTMethod);
}

// Resolution, coding and original size, as the parameters report them.
void ReportHeader(PictureRead& r) {
  TIOParamsVals& Params = r.params;
  j_decompress_ptr cinfo = r.cinfo;
  if (cinfo->density_unit == 0 || cinfo->density_unit == 1) {
    Params.SetDpiX(cinfo->X_density);
    Params.SetDpiY(cinfo->Y_density);
  } else if (cinfo->density_unit == 2) {
    Params.SetDpiX(static_cast<int32_t>(Trunc(cinfo->X_density * 2.54)));
    Params.SetDpiY(static_cast<int32_t>(Trunc(cinfo->Y_density * 2.54)));
  }
  Params.FreeColorMap();
  Params.JpegProgressive = jpeg_has_multiple_scans(cinfo) ? 1 : 0;
  Params.JpegOriginalWidth = static_cast<int32_t>(cinfo->image_width);
  Params.JpegOriginalHeight = static_cast<int32_t>(cinfo->image_height);
}

// The library's scale: the one asked for, or with JpegScale 0 the smallest
// that still gives at least the size asked for in Width and Height.
void ChooseScale(PictureRead& r) {
  TIOParamsVals& Params = r.params;
  j_decompress_ptr cinfo = r.cinfo;
  int32_t denom = 1;
  switch (Params.JpegScale) {
    case 2: denom = 2; break;
    case 3: denom = 4; break;
    case 4: denom = 8; break;
    case 0:
      if (Params.Width > 0 && Params.Height > 0) {
        for (int n = 3; n >= 0; --n)
          if (static_cast<int64_t>(cinfo->image_width >> n) >= Params.Width &&
              static_cast<int64_t>(cinfo->image_height >> n) >= Params.Height) {
            denom = 1 << n;
            break;
          }
      }
      break;
    default:
      break;
  }
  cinfo->scale_num = 1;
  cinfo->scale_denom = static_cast<unsigned int>(denom);
  Params.JpegScaleUsed = denom;
}

TIEPixelFormat OutputFormat(const PictureRead& r);

// A first pass over a picture of one scan: its coded data decoded at the
// smallest scale into one row that is thrown away, to count the rows of
// blocks they hold. It stops where the data end for good, or past
// most_block_rows. False when the library fails or the load is cancelled.
bool CountHeldBlockRows(PictureRead& r, JDIMENSION& Held) {
  formats::TStreamPositionGuard keep(r.stream);
  bool abort = false;
  auto err = std::make_unique<ErrorMgr>();
  InitErrorMgr(*err, &abort);
  auto src = std::make_unique<SourceMgr>();
  DecompressHolder d;
  j_decompress_ptr c = &d.cinfo;
  c->err = &err->pub;
  if (!GuardCreateDecompress(c, err.get())) return false;
  d.created = true;
  c->mem->max_memory_to_use = kLibraryMemoryLimit;
  if (r.tables && r.tables != r.stream) {
    formats::TStreamPositionGuard keep_tables(r.tables);
    r.tables->SetPosition(r.tables_at);
    SetStreamSource(c, src.get(), r.tables, &abort);
    if (!GuardReadHeader(c, err.get(), FALSE)) return false;
  }
  r.stream->SetPosition(r.soi);
  SetStreamSource(c, src.get(), r.stream, &abort);
  if (!GuardReadHeader(c, err.get(), TRUE) || abort) return false;
  c->scale_num = 1;
  c->scale_denom = 8;
  if (c->jpeg_color_space == JCS_YCbCr || c->jpeg_color_space == JCS_GRAYSCALE) c->out_color_space = JCS_GRAYSCALE;
  c->dct_method = JDCT_IFAST;
  c->do_fancy_upsampling = FALSE;
  if (!GuardStartDecompress(c, err.get()) || abort) return false;
  std::vector<uint8_t> row(static_cast<size_t>(c->output_width) * std::max(4, c->output_components) + 16);
  while (c->output_scanline < c->output_height) {
    JDIMENSION got = 0;
    if (!GuardReadRow(c, err.get(), row.data(), &got) || abort || r.Aborted()) return false;
    CheckFirstScan(c);
    if (err->first_scan_ended || c->input_iMCU_row > r.most_block_rows) break;
  }
  if (err->first_scan_ended)
    Held = err->first_scan_rows;
  else if (c->output_scanline < c->output_height)
    Held = c->input_iMCU_row;  // stopped past the most it may hold
  else
    Held = c->total_iMCU_rows;
  return true;
}

// What cannot be a real picture is refused before anything of its claimed
// size is allocated: Huffman-coded data too short for half of its blocks at
// the best compression there is. A picture that would cost more than a
// file may cost unproven has its first scan measured: a picture of one scan
// by a first pass here, a progressive one while its scans are taken in.
bool ClaimPlausible(PictureRead& r) {
  j_decompress_ptr cinfo = r.cinfo;
  const int64_t data_start = r.stream->Position() - static_cast<int64_t>(r.src->pub.bytes_in_buffer);
  r.data_bytes = std::max<int64_t>(0, r.stream->Size() - data_start);
  bool ok = GuardCalcOutputDimensions(cinfo, r.err);
  if (ok && r.data_bytes == 0) {
    // Headers and nothing behind them: the arithmetic decoder would make
    // up a whole picture out of the missing bytes.
    r.progress.Refuse(IEDataEndsEarlyText());
    ok = false;
  }
  if (ok && !DataCanHoldHalf(cinfo, r.data_bytes)) {
    r.progress.Refuse(IEClaimTooLargeForDataText(cinfo->output_width, cinfo->output_height));
    ok = false;
  }
  if (ok) {
    const int64_t w = cinfo->output_width, h = cinfo->output_height;
    TIEPixelFormat format = OutputFormat(r);
    if (format == ieNoFormat) format = ieRGB24;
    int64_t cost = IEImageBytes(w, h, format, false);
    // A progressive picture keeps every coefficient, two bytes each, too.
    if (jpeg_has_multiple_scans(cinfo))
      for (int c = 0; c < cinfo->num_components; ++c)
        cost += int64_t{cinfo->comp_info[c].width_in_blocks} * cinfo->comp_info[c].height_in_blocks * 128;
    r.rows = static_cast<int32_t>(h);
    r.cost = cost;
    r.counting = cost > IEUnprovenAllowance(r.data_bytes);
    if (cost - IEImageBytes(w, h, format, false) > kLibraryMemoryLimit) {
      // The library would refuse to keep the coefficients, and say so in
      // words of its own.
      r.progress.Refuse(IEPictureTooLargeToDecodeText(w, h, cost));
      r.counting = ok = false;
    }
  }
  if (ok) {
    const int64_t w = cinfo->output_width, h = cinfo->output_height;
    TIEPixelFormat format = OutputFormat(r);
    if (format == ieNoFormat) format = ieRGB24;
    if (r.counting) {
      // Held rows cost their image rows and, for a progressive picture,
      // their coefficients: up to half the allowance is held whatever the
      // coding, beyond it no more than a coded byte describes.
      const int64_t row_pixels = w * OutputRowsPerBlockRow(cinfo);
      const double bytes_per_pixel = static_cast<double>(r.cost) / static_cast<double>(w * h);
      const int64_t most_pixels = std::max(
          kMostPixelsPerCodedByte * r.data_bytes,
          static_cast<int64_t>(static_cast<double>(IEUnprovenAllowance(r.data_bytes) / 2) / bytes_per_pixel));
      r.most_block_rows = static_cast<JDIMENSION>(
          std::min<int64_t>(row_pixels > 0 ? most_pixels / row_pixels : 0, cinfo->total_iMCU_rows));
      if (!jpeg_has_multiple_scans(cinfo) && !CountHeldBlockRows(r, r.held)) {
        if (!r.Aborted()) r.progress.Refuse(IEDataEndsEarlyText());
        ok = false;
      }
    } else {
      ok = IEClaimPlausible(r.progress, w, h, format, false, true);
    }
  }
  if (!ok) r.progress.Abort();
  return ok;
}

// Starts decompressing (a parameters read: computes the output size only).
// Decompression proper would hold a progressive image's coefficients in
// memory, whatever size a few hostile header bytes claim. A picture of
// several scans (progressive ones) is read in buffered mode: its data are
// taken in here one row of blocks at a time; when the picture is being
// measured, taking in stops where the first scan's data end, before the
// library has padded every coefficient of the claimed size.
bool StartDecompress(PictureRead& r, bool ParamsOnly, bool ok) {
  j_decompress_ptr cinfo = r.cinfo;
  r.buffered = !ParamsOnly && jpeg_has_multiple_scans(cinfo);
  cinfo->buffered_image = r.buffered ? TRUE : FALSE;
  if (ok) {
    const bool started = ParamsOnly ? GuardCalcOutputDimensions(cinfo, r.err) : GuardStartDecompress(cinfo, r.err);
    if (!started) r.progress.Refuse(IEDamagedDataText(r.err->text));
    ok = started && !r.Aborted();
    if (!ok) r.progress.Abort();
  }
  if (ok && r.buffered) {
    int result = JPEG_SUSPENDED;
    do {
      const bool taken = GuardConsumeInput(cinfo, r.err, &result);
      if (!taken) r.progress.Refuse(IEDamagedDataText(r.err->text));
      ok = taken && !r.Aborted();
      if (!ok) break;
      CheckFirstScan(cinfo);
      if (r.counting && ((r.err->first_scan_ended && r.err->first_scan_rows < cinfo->total_iMCU_rows) ||
                         (cinfo->input_scan_number <= 1 && cinfo->input_iMCU_row > r.most_block_rows)))
        break;
    } while (result != JPEG_REACHED_EOI && result != JPEG_SUSPENDED);
    if (ok && r.counting)
      r.held = r.err->first_scan_ended ? r.err->first_scan_rows
               : cinfo->input_scan_number <= 1 ? cinfo->input_iMCU_row
                                                : cinfo->total_iMCU_rows;
    if (!ok) r.progress.Abort();
  }
  return ok;
}

// For a measured picture: the rows its data hold are what is allocated
// and decoded (a picture cut short shows the rows it has); none is a
// damaged file, more than a coded byte can describe is too large to open.
bool SizeFromData(PictureRead& r) {
  if (!r.counting) return true;
  j_decompress_ptr cinfo = r.cinfo;
  bool ok = true;
  if (r.held > r.most_block_rows) {
    r.progress.Refuse(IEPictureTooLargeText(cinfo->output_width, cinfo->output_height, r.data_bytes));
    ok = false;
  } else if (r.held == 0) {
    r.progress.Refuse(IEDataEndsEarlyText());
    ok = false;
  } else {
    r.rows = static_cast<int32_t>(
        std::min<int64_t>(cinfo->output_height, int64_t{r.held} * OutputRowsPerBlockRow(cinfo)));
    TIEPixelFormat format = OutputFormat(r);
    if (format == ieNoFormat) format = ieRGB24;
    ok = IEClaimPlausible(r.progress, cinfo->output_width, r.rows, format, false, true);
  }
  if (!ok) r.progress.Abort();
  return ok;
}

// The image's pixel format for what the library delivers; ieNoFormat for
// what no image holds.
TIEPixelFormat OutputFormat(const PictureRead& r) {
  if (!r.params.IsNativePixelFormat) return ieRGB24;
  switch (r.cinfo->out_color_space) {
    case JCS_GRAYSCALE: return ieGray8;
    case JCS_EXT_BGR:
    case JCS_RGB:
    case JCS_YCbCr:
    case JCS_YCCK: return ieRGB24;
    case JCS_CMYK: return ieCMYK;
    default: return ieNoFormat;
  }
}

// A delivered row that is not the image's own (in buffer) into image row
// row: through the colour profile, from CMYK, or grey spread to three
// channels.
void ConvertRow(PictureRead& r, std::vector<uint8_t>& buffer, uint8_t* row, int32_t w, bool InvertCMYK) {
  TIOParamsVals& Params = r.params;
  const J_COLOR_SPACE out = r.cinfo->out_color_space;
  if (out == JCS_EXT_BGR) {
    TIEICC* input = Params.GetInputICCProfile();
    if (!input->TransformRow(Params.GetDefaultICCProfile(), iccBGR8, iccBGR8, buffer.data(), row, w))
      std::memcpy(row, buffer.data(), static_cast<size_t>(w) * 3);
  } else if (out == JCS_CMYK) {
    if (InvertCMYK)
      for (int32_t i = 0; i < 4 * w; ++i) buffer[i] = static_cast<uint8_t>(255 - buffer[i]);
    if (!r.cms || !Params.GetInputICCProfile()->TransformRow(Params.GetDefaultICCProfile(), iccCMYKInv8,
                                                             iccBGR8, buffer.data(), row, w))
      ConvertScanlineICC(buffer.data(), 2, row, &Params, w, 1);
  } else if (out == JCS_GRAYSCALE) {
    for (int32_t x = 0; x < w; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = buffer[x];
  }
}

// The rows into the allocated image, with progress. False when the data end
// before the first row of the picture, which is then refused.
bool ReadRows(PictureRead& r, TIEBitmap* Bitmap, TIEPixelFormat format, std::vector<uint8_t>& buffer,
              bool InvertCMYK) {
  TIOProgressRec& Progress = r.progress;
  j_decompress_ptr cinfo = r.cinfo;
  const int32_t w = static_cast<int32_t>(cinfo->output_width);
  const int32_t h = Bitmap->Height();
  const J_COLOR_SPACE out = cinfo->out_color_space;
  Progress.Per1 = h > 0 ? 100.0 / h : 0;
  Progress.Val = 0;
  int32_t y = 0;
  while (cinfo->output_scanline < cinfo->output_height && y < h) {
    uint8_t* row = Bitmap->GetScanline(y);
    const bool direct = (out == JCS_GRAYSCALE && format == ieGray8) || (out == JCS_EXT_BGR && !r.cms) ||
                        out == JCS_YCbCr || (out == JCS_CMYK && format == ieCMYK);
    JDIMENSION got = 0;
    if (!GuardReadRow(cinfo, r.err, direct ? row : buffer.data(), &got)) {
      Progress.Refuse(IEDamagedDataText(r.err->text));
      break;
    }
    if (!direct) {
      if (out == JCS_CMYK && r.Aborted()) break;
      ConvertRow(r, buffer, row, w, InvertCMYK);
    }
    y += static_cast<int32_t>(got);
    CheckFirstScan(cinfo);
    Progress.Val += static_cast<int32_t>(got);
    if (Progress.fOnProgress) Progress.Report(Progress.Val);
    if (r.Aborted()) break;
  }
  if (y < h) Progress.Abort();
  // A picture that was not measured first was padded where its data ended;
  // one that ended before its first row shows nothing of its own.
  if (!r.counting && !Progress.IsAborting() && HeldBlockRows(cinfo) == 0) {
    Progress.Refuse(IEDataEndsEarlyText());
    return false;
  }
  return true;
}

// Allocates the image and decodes the rows into it. True when this read put
// pixels into Bitmap.
bool DecodePixels(PictureRead& r, TIEBitmap* Bitmap, bool InvertCMYK) {
  j_decompress_ptr cinfo = r.cinfo;
  const int32_t w = static_cast<int32_t>(cinfo->output_width);
  TIEPixelFormat format = OutputFormat(r);
  bool decoded = false;
  std::vector<uint8_t> buffer;
  if (r.buffered && !GuardStartOutput(cinfo, r.err, cinfo->input_scan_number)) {
    r.progress.Abort();
    return false;
  }
  try {
    if (format != ieNoFormat) {
      Bitmap->Allocate(w, r.rows, format);
      decoded = true;
    }
    // Room for any number of output components, also of unknown spaces.
    buffer.resize(static_cast<size_t>(w) * std::max(4, cinfo->output_components) + 16);
  } catch (const std::exception&) {
    r.progress.Abort();
    format = ieNoFormat;
  }
  if (format != ieNoFormat && !r.Aborted() && !ReadRows(r, Bitmap, format, buffer, InvertCMYK) && decoded) {
    // Nothing of a refused picture stays: its rows go with their memory and
    // temporary space.
    Bitmap->FreeImage(true);
    decoded = false;
  }
  return decoded;
}

// The markers, also after an error: every saved one but the first APP0 (the
// JFIF header). Once the profile was applied, its APP2 markers go.
void KeepMarkers(PictureRead& r, bool created, bool ApplyICC) {
  TIOParamsVals& Params = r.params;
  Params.JpegMarkerList.Clear();
  if (created) {
    bool first_app0 = true;
    for (jpeg_saved_marker_ptr m = r.cinfo->marker_list; m; m = m->next) {
      if (m->marker == kAPP0 && first_app0) {
        first_app0 = false;
        continue;
      }
      Params.JpegMarkerList.AddMarker(static_cast<uint8_t>(m->marker), m->data,
                                      static_cast<int32_t>(m->data_length));
    }
  }
  if (ApplyICC && r.cms && Params.GetInputICCProfile()->Applied()) {
    Params.GetInputICCProfile()->FreeTransform();
    for (int32_t i = Params.JpegMarkerList.GetCount() - 1; i >= 0; --i)
      if (Params.JpegMarkerList.GetMarkerType(i) == kAPP2) Params.JpegMarkerList.DeleteMarker(i);
  }
}

// Ends a whole picture's decompression; reports the library's warnings.
void FinishRead(PictureRead& r, bool whole) {
  if (whole) {
    // Errors of the end of the data no longer matter: the picture is whole.
    r.err->abort = nullptr;
    if (!r.buffered || GuardFinishOutput(r.cinfo, r.err)) GuardFinishDecompress(r.cinfo, r.err);
  }
  if (r.err->warnings != 0) {
    r.params.JpegWarningTotal = r.err->warnings;
    r.params.JpegWarningCode = r.err->pub.msg_code;
  }
}

// The IPTC block of the first APP13 marker and the EXIF block.
void ReadMarkerMetadata(TIEBitmap* Bitmap, TIOParamsVals& Params, bool Decoded) {
  const int32_t iptc = Params.JpegMarkerList.IndexOf(kAPP13);
  if (iptc >= 0)
    Params.IPTCInfoList.LoadFromBuffer(Params.JpegMarkerList.GetMarkerData(iptc),
                                       Params.JpegMarkerList.GetMarkerLength(iptc));
  ReadExifMetadata(Bitmap, Params, Decoded);
}

}  // namespace

void ReadJPEGStream(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap,
                    TIOParamsVals& Params, TIOProgressRec& Progress, bool ParamsOnly,
                    bool RawYCbCr, bool ReadMetadata, bool InvertCMYK, bool ApplyICC,
                    int32_t DataColorSpace) {
  if (Params.JpegGetThumbnail) {
    bool done = false;
    ReadThumbnailFirst(Stream, TablesStream, Bitmap, Params, Progress, ParamsOnly, RawYCbCr,
                       InvertCMYK, ApplyICC, done);
    if (done) return;
  }

  Params.JpegWarningTotal = 0;
  Params.JpegWarningCode = 0;
  const int64_t soi = IsJPEGStream(Stream);
  if (soi < 0) {
    Progress.Abort();
    return;
  }
  Stream->SetPosition(soi);
  ReadJPEGICCProfile(Stream, Params);

  auto err = std::make_unique<ErrorMgr>();
  InitErrorMgr(*err, Progress.Aborting);
  auto src = std::make_unique<SourceMgr>();
  DecompressHolder d;
  PictureRead r{Stream, Params, Progress, err.get(), src.get(), &d.cinfo};
  r.soi = soi;
  r.tables = TablesStream;
  r.tables_at = TablesStream ? TablesStream->Position() : 0;
  r.cms = ColorManagementEnabled && Params.HasInputICCProfile() && Params.GetInputICCProfile()->IsValid();
  j_decompress_ptr cinfo = r.cinfo;
  cinfo->err = &err->pub;
  bool ok = GuardCreateDecompress(cinfo, err.get());
  d.created = ok;
  // The library's own working memory (a progressive image keeps every
  // coefficient) is capped: past it the library reports an error instead of
  // taking what a claimed size asks for.
  if (ok) cinfo->mem->max_memory_to_use = kLibraryMemoryLimit;
  ok = ok && !r.Aborted() && ReadHeaders(r, TablesStream);

  if (ok) {
    SetColourSpaces(r, RawYCbCr, DataColorSpace);
    ReportHeader(r);
    ChooseScale(r);
    if (!ParamsOnly) ok = ClaimPlausible(r);
    ok = StartDecompress(r, ParamsOnly, ok);
    if (!ParamsOnly) ok = ok && SizeFromData(r);
  }
  // A picture cut short shows the rows its data hold and no more.
  const bool cropped = ok && !ParamsOnly && r.rows < static_cast<int32_t>(cinfo->output_height);
  if (ok) {
    Params.Width = static_cast<int32_t>(cinfo->output_width);
    Params.Height = ParamsOnly ? static_cast<int32_t>(cinfo->output_height) : r.rows;
  }
  bool decoded = false;  // this read put pixels into Bitmap
  if (ok && !ParamsOnly) decoded = DecodePixels(r, Bitmap, InvertCMYK);

  KeepMarkers(r, d.created, ApplyICC);
  FinishRead(r, ok && !r.Aborted() && !ParamsOnly && !cropped);
  if (ReadMetadata) ReadMarkerMetadata(Bitmap, Params, decoded);
}

// ---- writing

void WriteJPEGStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                     TIOProgressRec& Progress, bool PlainCMYK) {
  if (!Bitmap || Bitmap->Width() == 0 || Bitmap->Height() == 0) {
    Progress.Abort();
    return;
  }
  // A marker segment counts its own two length bytes in 16 bits: a longer
  // payload cannot be written without corrupting the file, so the save is
  // refused before anything is written.
  for (int32_t i = 0; i < Params.JpegMarkerList.GetCount(); ++i)
    if (Params.JpegMarkerList.GetMarkerType(i) != kAPP14 &&
        Params.JpegMarkerList.GetMarkerLength(i) > kMaxMarkerPayload) {
      Progress.Abort();
      throw EIEJpegException("Marker payload longer than 65533 bytes");
    }

  // Other pixel formats are written from a 24-bit copy: the caller's image
  // stays as it is.
  std::unique_ptr<TIEBitmap> copy;
  TIEBitmap* image = Bitmap;
  if (Bitmap->PixelFormat() != ieRGB24) {
    copy = std::make_unique<TIEBitmap>();
    copy->Assign(Bitmap);
    copy->RemoveAlphaChannel();
    copy->ConvertFormat(ieRGB24);
    image = copy.get();
  }

  auto err = std::make_unique<ErrorMgr>();
  InitErrorMgr(*err, Progress.Aborting);
  auto dest = std::make_unique<DestMgr>();
  CompressHolder c;
  j_compress_ptr cinfo = &c.cinfo;
  cinfo->err = &err->pub;
  auto fail = [&] {
    Progress.Abort();
    throw EIEJpegException(err->text);
  };
  if (!GuardCreateCompress(cinfo, err.get())) fail();
  c.created = true;
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->stream = Stream;
  dest->abort = Progress.Aborting;
  cinfo->dest = &dest->pub;
  if (Progress.IsAborting()) return;

  const int32_t w = image->Width(), h = image->Height();
  cinfo->image_width = static_cast<JDIMENSION>(w);
  cinfo->image_height = static_cast<JDIMENSION>(h);
  const uint8_t space = Params.JpegColorSpace;
  const bool cmyk_in = space == 3 || space == 4;
  CompressSettings s{};
  s.components = cmyk_in ? 4 : 3;
  s.in_space = cmyk_in ? JCS_CMYK : JCS_EXT_BGR;
  switch (space) {
    case 1: s.jpeg_space = JCS_GRAYSCALE; break;
    case 2: s.jpeg_space = JCS_YCbCr; break;
    case 3: s.jpeg_space = JCS_CMYK; break;
    case 4: s.jpeg_space = JCS_YCCK; break;
    default: s.jpeg_space = JCS_RGB; break;
  }
  auto density = [](int32_t dpi, int32_t fallback) {
    const int32_t v = dpi == 0 ? fallback : dpi;
    return static_cast<UINT16>(v < 0 ? 0 : v > 65535 ? 65535 : v);
  };
  s.dpi_x = density(Params.DpiX(), DefaultDpiX);
  s.dpi_y = density(Params.DpiY(), DefaultDpiY);
  s.dct = DctMethod(Params.JpegDCTMethod);
  s.optimize = Params.JpegOptimalHuffman != 0;
  s.smoothing = Params.JpegSmooth < 0 ? 0 : Params.JpegSmooth > 100 ? 100 : Params.JpegSmooth;
  s.quality = Params.JpegQuality < 0 ? 0 : Params.JpegQuality > 100 ? 100 : Params.JpegQuality;
  s.jfif = space == 3;
  s.progressive = Params.JpegProgressive != 0;
  if (!GuardSetupCompress(cinfo, err.get(), &s)) fail();
  if (!GuardStartCompress(cinfo, err.get())) fail();

  // The library writes its own APP14 (Adobe) marker where one is needed.
  for (int32_t i = 0; i < Params.JpegMarkerList.GetCount(); ++i) {
    const uint8_t code = Params.JpegMarkerList.GetMarkerType(i);
    if (code == kAPP14) continue;
    if (!GuardWriteMarker(cinfo, err.get(), code, Params.JpegMarkerList.GetMarkerData(i),
                          static_cast<unsigned int>(Params.JpegMarkerList.GetMarkerLength(i))))
      fail();
  }

  std::vector<uint8_t> buffer(cmyk_in ? static_cast<size_t>(w) * 4 : 0);
  Progress.Per1 = 100.0 / h;
  Progress.Val = 0;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = image->GetScanline(y);
    if (cmyk_in) {
      // Inverted CMYK (255 = no ink), as the library's CMYK files hold it.
      ConvertScanlineICC(row, 1, buffer.data(), &Params, w, 2);
      if (PlainCMYK)
        for (uint8_t& b : buffer) b = static_cast<uint8_t>(255 - b);
      row = buffer.data();
    }
    if (!GuardWriteRow(cinfo, err.get(), row)) fail();
    ++Progress.Val;
    if (Progress.fOnProgress) Progress.Report(Progress.Val);
    if (Progress.IsAborting()) break;
  }
  if (!Progress.IsAborting() && !GuardFinishCompress(cinfo, err.get())) fail();
}

// ---- the step-by-step decompression

struct TIEJpegDecompress {
  jpeg_decompress_struct cinfo{};
  ErrorMgr err{};
  SourceMgr src{};
  bool created = false;
  TIEJpegFillProc fill = nullptr;
  void* fill_data = nullptr;
};

namespace {

boolean CustomFill(j_decompress_ptr cinfo) {
  auto* d = static_cast<TIEJpegDecompress*>(cinfo->client_data);
  bool ok = false;
  try {
    ok = d->fill(d, d->fill_data);
  } catch (...) {
    ok = false;
  }
  if (!ok) {
    static const JOCTET kEnd[2] = {0xFF, JPEG_EOI};
    cinfo->src->next_input_byte = kEnd;
    cinfo->src->bytes_in_buffer = 2;
  }
  return TRUE;
}

bool GuardReadHeaderResult(j_decompress_ptr c, ErrorMgr* e, boolean require, int* result) {
  if (setjmp(e->jump)) return false;
  *result = jpeg_read_header(c, require);
  return true;
}

bool GuardReadRows(j_decompress_ptr c, ErrorMgr* e, JSAMPARRAY rows, JDIMENSION n, JDIMENSION* got) {
  if (setjmp(e->jump)) return false;
  *got = jpeg_read_scanlines(c, rows, n);
  return true;
}

bool GuardAllocSArray(j_decompress_ptr c, ErrorMgr* e, int pool, JDIMENSION samples,
                      JDIMENSION rows, JSAMPARRAY* out) {
  if (setjmp(e->jump)) return false;
  *out = (*c->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(c), pool, samples, rows);
  return true;
}

[[noreturn]] void RaiseFrom(TIEJpegDecompress* d) { throw EIEJpegException(d->err.text); }

}  // namespace

TIEJpegDecompressPtr NewJPEGDecompress() {
  TIEJpegDecompressPtr d(new TIEJpegDecompress);
  InitErrorMgr(d->err, nullptr);
  d->cinfo.err = &d->err.pub;
  return d;
}

void TIEJpegDecompressFree::operator()(TIEJpegDecompress* Decompress) const {
  JPEGDestroyDecompress(Decompress);
  delete Decompress;
}

void JPEGCreateDecompress(TIEJpegDecompress* Decompress) {
  if (!GuardCreateDecompress(&Decompress->cinfo, &Decompress->err)) RaiseFrom(Decompress);
  Decompress->created = true;
  Decompress->cinfo.client_data = Decompress;
}

void JPEGDestroyDecompress(TIEJpegDecompress* Decompress) {
  if (Decompress->created) jpeg_destroy_decompress(&Decompress->cinfo);
  Decompress->created = false;
}

void JPEGSetStreamSource(TIEJpegDecompress* Decompress, TStream* Stream) {
  SetStreamSource(&Decompress->cinfo, &Decompress->src, Stream, nullptr);
}

void JPEGSetSourceBuffer(TIEJpegDecompress* Decompress, const uint8_t* Buffer, size_t Count) {
  Decompress->cinfo.src->next_input_byte = Buffer;
  Decompress->cinfo.src->bytes_in_buffer = Count;
}

void JPEGSetFillInputBuffer(TIEJpegDecompress* Decompress, TIEJpegFillProc Fill, void* Data) {
  Decompress->fill = Fill;
  Decompress->fill_data = Data;
  Decompress->cinfo.src->fill_input_buffer = Fill ? CustomFill : FillInputBuffer;
}

int32_t JPEGReadHeader(TIEJpegDecompress* Decompress, bool RequireImage) {
  int result = 0;
  if (!GuardReadHeaderResult(&Decompress->cinfo, &Decompress->err, RequireImage ? TRUE : FALSE,
                             &result))
    RaiseFrom(Decompress);
  return result;
}

bool JPEGStartDecompress(TIEJpegDecompress* Decompress) {
  if (!GuardStartDecompress(&Decompress->cinfo, &Decompress->err)) RaiseFrom(Decompress);
  return true;
}

int32_t JPEGReadScanlines(TIEJpegDecompress* Decompress, uint8_t** Rows, int32_t MaxLines) {
  JDIMENSION got = 0;
  if (!GuardReadRows(&Decompress->cinfo, &Decompress->err, Rows,
                     static_cast<JDIMENSION>(std::max(MaxLines, 0)), &got))
    RaiseFrom(Decompress);
  return static_cast<int32_t>(got);
}

bool JPEGFinishDecompress(TIEJpegDecompress* Decompress) {
  if (!GuardFinishDecompress(&Decompress->cinfo, &Decompress->err)) RaiseFrom(Decompress);
  return true;
}

uint8_t** JPEGAllocSArray(TIEJpegDecompress* Decompress, int32_t Pool, int32_t SamplesPerRow,
                          int32_t Rows) {
  JSAMPARRAY out = nullptr;
  if (!GuardAllocSArray(&Decompress->cinfo, &Decompress->err, Pool,
                        static_cast<JDIMENSION>(std::max(SamplesPerRow, 1)),
                        static_cast<JDIMENSION>(std::max(Rows, 1)), &out))
    RaiseFrom(Decompress);
  return out;
}

int32_t JPEGOutputWidth(TIEJpegDecompress* D) { return static_cast<int32_t>(D->cinfo.output_width); }
int32_t JPEGOutputHeight(TIEJpegDecompress* D) { return static_cast<int32_t>(D->cinfo.output_height); }
int32_t JPEGOutputComponents(TIEJpegDecompress* D) { return D->cinfo.output_components; }
int32_t JPEGOutputScanline(TIEJpegDecompress* D) { return static_cast<int32_t>(D->cinfo.output_scanline); }

// ---- the format in the input/output component

namespace {

void ReadJPEGForComponent(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                          bool ParamsOnly, TIOProgressRec& Progress,
                          std::unique_ptr<TIEMask>& AlphaMask) {
  // Several images in one stream may each carry a 12-byte "JFIF" header with
  // the length of the data behind it.
  const int64_t start = Stream->Position();
  uint8_t h[12];
  int64_t end = -1;
  if (Stream->Read(h, 12) == 12 && std::memcmp(h, "JFIF", 4) == 0 && h[4] == 0) {
    const uint32_t len = uint32_t{h[8]} | uint32_t{h[9]} << 8 | uint32_t{h[10]} << 16 |
                         uint32_t{h[11]} << 24;
    end = start + 12 + len;
  } else {
    Stream->SetPosition(start);
  }
  ReadJPEGStream(Stream, nullptr, Bitmap, Params, Progress, ParamsOnly, false, true, false, true);
  if (end >= 0) Stream->SetPosition(end);
}

void WriteJPEGForComponent(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                           TIOProgressRec& Progress) {
  // The IPTC records travel as the APP13 marker, rebuilt when the user
  // changed them or when nothing else would carry them.
  TIEIPTCInfoList& iptc = Params.IPTCInfoList;
  TIEMarkerList& markers = Params.JpegMarkerList;
  // A rebuilt block that no marker segment can carry leaves the one the
  // list holds: put in, it would fail this save and every later one.
  auto put = [&markers](uint8_t Code, int32_t At, const std::vector<uint8_t>& Block) {
    if (Block.size() > static_cast<size_t>(kMaxMarkerPayload)) return;
    if (At >= 0)
      markers.SetMarker(At, Code, Block.data(), static_cast<int32_t>(Block.size()));
    else
      markers.AddMarker(Code, Block.data(), static_cast<int32_t>(Block.size()));
  };
  if (iptc.UserChanged() || (iptc.GetCount() > 0 && markers.GetCount() == 0)) {
    const std::vector<uint8_t> block = iptc.SaveToBuffer(true);
    const int32_t at = markers.IndexOf(kAPP13);
    if (block.empty()) {
      if (at >= 0) markers.DeleteMarker(at);
    } else {
      put(kAPP13, at, block);
    }
  }
  // The EXIF block, built from the fields, takes the place of the one the
  // file came with; an XMP packet in another APP1 marker stays.
  if (Params.EXIFHasData) {
    std::vector<uint8_t> block;
    if (BuildExifBlock(Params, block)) put(kAPP1, IndexOfExifMarker(markers), block);
  }
  WriteJPEGStream(Stream, Bitmap, Params, Progress);
}

}  // namespace

TIEFormatHandler JPEGFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftJPEG;
  h.Read = ReadJPEGForComponent;
  h.Write = WriteJPEGForComponent;
  h.StreamHeaderTag = "JFIF";
  h.Test = [](TStream* Stream) { return IsJPEGStream(Stream) >= 0; };
  // After the portable any-map test, before JPEG-2000.
  h.DetectOrder = 140;
  h.AbortBeforeOpen = true;
  h.TellsViewDpi = 2;
  // The writer converts a copy itself.
  h.SaveFormats = 0;
  return h;
}
