#include "imaging/io/formats/TIFFDecode.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/CCITT.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/TIFFDirectory.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/ColorSpaces.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/ByteOrder.h"
#include "rtl/SaturatedProduct.h"
#include "imaging/model/TIEMask.h"
#include "platform/ZeroedMemory.h"
#include "rtl/TStream.h"
#include "rtl/TThreadPool.h"

namespace {

// Compression tag values (TIFF 6.0; 8 and 32946 are the two deflate codes
// in use).
struct Compression {
  enum : int32_t {
    None = 1, CCITTHuffman = 2, CCITTGroup3 = 3, CCITTGroup4 = 4, LZW = 5, OldJPEG = 6, JPEG = 7,
    Deflate = 8, PackBits = 32773, DeflateOld = 32946
  };
};

struct Photometric {
  enum : int32_t {
    WhiteIsZero = 0, BlackIsZero = 1, RGB = 2, Palette = 3, Separated = 5, YCbCr = 6, CIELab = 8
  };
};

// ExtraSamples values (TIFF 6.0, section 18).
struct ExtraSample {
  enum : int32_t { Unspecified = 0, Associated = 1, Unassociated = 2 };
};

// The JpegColorSpace codes the JPEG reader takes as the declared colour
// space of its data.
struct JpegSpace {
  enum : int32_t { RGB = 0, Grey = 1, YCbCr = 2, CMYK = 3 };
};

constexpr int32_t kMaxSamples = 32;
// The largest sample depth any row conversion reads.
constexpr int32_t kMaxBitsPerSample = 16;

// The most bytes of samples one byte of data decodes into, by compression: a
// two-byte PackBits run stands for 128 bytes, a 12-bit LZW code for at most
// 4096 bytes, a deflate match of 258 bytes costs two bits, and a JPEG block
// of 64 samples at least two bits (subsampled colour counted whole). Uncompressed data must hold half of its
// samples (a truncated file still loads); CCITT data is judged by its rows.
int64_t MaxExpansion(int32_t compression) {
  switch (compression) {
    case Compression::None: return 2;
    case Compression::PackBits: return 64;
    case Compression::LZW: return 4096 * 8 / 12 + 1;
    case Compression::Deflate:
    case Compression::DeflateOld: return kIEDeflateMaxRatio;
    case Compression::OldJPEG:
    case Compression::JPEG: return 768;
    default: return 4096;
  }
}

// Every CCITT-coded row takes at least one bit (a Group 4 row the same as
// the one above), whatever its width, so a few bytes can claim a page of any
// size that decodes to white. A fax page is believed up to kCCITTFreeBytes
// of image whatever its data (a blank page at scanner resolutions), beyond
// that by kMaxCCITTRatio bytes of image per byte of data: far above what
// scanned documents reach, and what keeps a small file from claiming
// hundreds of megabytes of white.
constexpr int64_t kMaxCCITTRowsPerByte = 8;
constexpr int64_t kCCITTFreeBytes = int64_t{24} << 20;
constexpr int64_t kMaxCCITTRatio = 64;

// An LZW page whose image is this much larger than its data could be
// (8 x the data plus this allowance) is believed only when its codes really
// decode into half of its samples: junk codes stop early.
constexpr int64_t kLZWTrustedBytes = int64_t{32} << 20;

// Strips or tiles may share their data, but reading more than this many
// times the stream (beyond kReadAllowance) is a file built to waste time.
constexpr int64_t kMaxReadsOfStream = 4;
constexpr int64_t kReadAllowance = int64_t{64} << 20;

// Pages of fewer pixels decode on the calling thread alone: handing out the
// blocks would cost more than it saves.
constexpr int64_t kParallelMinPixels = int64_t{1} << 20;

uint8_t ReverseBits(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

int32_t BytesPerPixel(TIEPixelFormat f) {
  switch (f) {
    case iePalette8:
    case ieGray8: return 1;
    case ieGray16: return 2;
    case ieRGB24: return 3;
    case ieCMYK: return 4;
    case ieRGB48: return 6;
    default: return 0;
  }
}

uint8_t ClampByte(double x) { return static_cast<uint8_t>(std::clamp(std::lround(x), 0L, 255L)); }

// One (offset, byte count) per plane of a strip or tile; the count is null
// when the file lists none.
using TBlockRefs = std::vector<std::pair<uint32_t, const uint32_t*>>;

// Bytes of one block, kept from block to block: it grows when a block needs
// more and is never cleared, since every byte a block reads is first
// written (clearing a strip's worth of fresh memory for every strip cost
// more than decoding it). Growing takes fresh pages, huge ones for a page
// kept in one large strip.
class TStripBuffer {
 public:
  // Room for N bytes, whose contents are undefined; the size becomes N.
  uint8_t* Reserve(int64_t N) {
    if (N > capacity_) {
      data_ = TZeroedMemory(static_cast<size_t>(N));
      capacity_ = N;
    }
    size_ = N;
    return data_.data();
  }
  // Keeps the first N bytes (N at most the size).
  void Shrink(int64_t N) { size_ = std::min(size_, N); }
  void Clear() { size_ = 0; }
  uint8_t* data() const { return data_.data(); }
  int64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

 private:
  TZeroedMemory data_;
  int64_t capacity_ = 0, size_ = 0;
};

// What decoding one block needs for itself: each thread has its own, kept
// from block to block so that its buffers are allocated once per page.
struct TBlockWork {
  std::vector<TStripBuffer> raw;   // the block's bytes, by plane
  std::vector<TStripBuffer> rows;  // its decompressed rows, by plane
  std::vector<uint8_t> chunky, line, alpha_line, ref;
  std::vector<uint16_t> samples;
};

struct Decoder {
  Decoder(TTIFFVars& vars, TStream* stream, int64_t b, TIEBitmap* bitmap, TIOProgressRec& progress)
      : v(vars), s(stream), base(b), bmp(bitmap), pr(progress), size(stream->Size()),
        fmt(bitmap->PixelFormat()), W(vars.ImageWidth), H(vars.ImageLength),
        bps(vars.BitsPerSample), spp(vars.SamplesPerPixel), pm(vars.PhotometricInterpretation) {
    if (pm == Photometric::YCbCr) PrepareYCbCr();
  }

  TTIFFVars& v;
  TStream* s;
  int64_t base;
  TIEBitmap* bmp;
  TIOProgressRec& pr;
  int64_t size;
  TIEPixelFormat fmt;
  int32_t W, H, bps, spp, pm;

  // Shared by the threads of a parallel page.
  std::mutex read_lock;  // the stream, bytes_read
  std::mutex fail_lock;  // the abort reason
  int64_t bytes_read = 0;
  bool wasted = false;  // the reads went past their allowance
  std::atomic<int64_t> rows_done{0};
  std::atomic<int64_t> blocks_with_data{0};
  std::thread::id caller = std::this_thread::get_id();

  // YCbCr to RGB, by code value: luma scaled to 0..255, and the chroma
  // terms of red, green and blue.
  int32_t sub_h = 1, sub_v = 1;
  float luma[256], cr_red[256], cb_blue[256], cr_green[256], cb_green[256];

  bool Planar() const { return v.PlanarConfiguration == 2 && spp > 1; }
  bool IsCCITT() const {
    return v.Compression == Compression::CCITTHuffman || v.Compression == Compression::CCITTGroup3 ||
           v.Compression == Compression::CCITTGroup4;
  }
  // Chunky YCbCr data come in units of a block of sub_h x sub_v luma
  // samples followed by one Cb and one Cr (TIFF 6.0, section 21).
  bool YCbCrUnits() const { return pm == Photometric::YCbCr && v.Compression != Compression::JPEG && !Planar(); }
  int64_t RowLength(int32_t w) const {
    return ((int64_t{Planar() ? 1 : spp} * w * bps) + 7) / 8;
  }
  bool Associated() const { return v.ExtraSamples == ExtraSample::Associated; }

  void PrepareYCbCr() {
    auto valid = [](int32_t n) { return n == 1 || n == 2 || n == 4; };
    sub_h = valid(v.YCbCrSubsampling[0]) ? v.YCbCrSubsampling[0] : 2;
    sub_v = valid(v.YCbCrSubsampling[1]) ? v.YCbCrSubsampling[1] : 2;
    double lr = v.YCbCrCoefficients[0], lg = v.YCbCrCoefficients[1], lb = v.YCbCrCoefficients[2];
    if (!(lr > 0 && lg > 0 && lb > 0 && lr < 1 && lb < 1)) lr = 0.299, lg = 0.587, lb = 0.114;
    const double* rbw = v.ReferenceBlackWhite;
    auto scale = [&](int32_t code, int32_t k, double range) {
      const double span = rbw[2 * k + 1] - rbw[2 * k];
      return (code - rbw[2 * k]) * range / (span != 0 ? span : 1);
    };
    const double d1 = 2 - 2 * lr, d3 = 2 - 2 * lb, d2 = d1 * lr / lg, d4 = d3 * lb / lg;
    for (int32_t i = 0; i < 256; ++i) {
      const double cb = scale(i, 1, 127), cr = scale(i, 2, 127);
      luma[i] = static_cast<float>(scale(i, 0, 255));
      cr_red[i] = static_cast<float>(d1 * cr);
      cb_blue[i] = static_cast<float>(d3 * cb);
      cr_green[i] = static_cast<float>(d2 * cr);
      cb_green[i] = static_cast<float>(d4 * cb);
    }
  }

  // True when a row conversion covers the page's layout.
  bool Covered() const {
    if (spp < 1 || spp > kMaxSamples) return false;
    if (v.Compression == Compression::JPEG) return true;
    if (fmt == ieMono1) return bps == 1 && spp == 1 && (pm == 0 || pm == 1);
    if (bps < 1 || bps > kMaxBitsPerSample || (bps > 8 && bps != 16)) return false;
    switch (pm) {
      case Photometric::RGB:
        return spp >= 3 || (spp == 1 && bps == 16);
      case Photometric::Palette:
        return bps <= 8 && spp <= 2 && !v.Palette.empty();
      case Photometric::WhiteIsZero:
      case Photometric::BlackIsZero:
        return true;
      case Photometric::Separated:
        return spp >= 4 && (bps == 8 || bps == 16);
      case Photometric::CIELab:
        return spp >= 3 && bps == 8;
      case Photometric::YCbCr:
        // Planar chroma planes of a subsampled page are smaller than the
        // luma plane: only unsubsampled planes interleave.
        return spp >= 3 && bps == 8 &&
               (!Planar() || (v.YCbCrSubsampling[0] == 1 && v.YCbCrSubsampling[1] == 1));
      default:
        return false;
    }
  }

  void Fail(const std::string& reason) {
    std::lock_guard<std::mutex> hold(fail_lock);
    pr.Refuse(reason);
  }

  // The block's bytes into Out: its byte count when that is given, non-zero
  // and inside the stream, else up to the end of the stream.
  void ReadBlock(uint32_t offset, const uint32_t* count, TStripBuffer& out) {
    out.Clear();
    const int64_t at = base + offset;
    if (at < 0 || at >= size) return;
    int64_t n = size - at;
    if (count && *count != 0) n = std::min<int64_t>(n, *count);
    {
      std::lock_guard<std::mutex> hold(read_lock);
      bytes_read += n;
      if (bytes_read > kMaxReadsOfStream * size + kReadAllowance) {
        pr.Abort();
        wasted = true;
      } else {
        uint8_t* p = out.Reserve(n);
        s->SetPosition(at);
        int64_t got = 0;
        while (got < n) {
          const int64_t k = s->Read(p + got, n - got);
          if (k <= 0) break;
          got += k;
        }
        out.Shrink(got);
      }
    }
    if (wasted) return Fail(IEClaimTooLargeForDataText(W, H));
    if (v.FillOrder == 2)
      for (int64_t i = 0; i < out.size(); ++i) out.data()[i] = ReverseBits(out.data()[i]);
  }

  // Decompresses Rows rows of L bytes into Out (zeros where the data end
  // early: Out is reused from block to block, and what a damaged block shows
  // must not depend on the blocks decoded before it). False on undecodable
  // data.
  bool Decompress(const TStripBuffer& in, int64_t L, int32_t rows, int32_t w, TStripBuffer& out,
                  TBlockWork& work) {
    const int64_t total = L * rows;
    // The image was judged by the data of the whole file; a tile wider than
    // the image is judged by its own data.
    const int64_t data = in.size();
    if (w > W && (IsCCITT() ? rows > kMaxCCITTRowsPerByte * data + 1 && total > kIESmallImageBytes
                            : !IEDataCanHold(total, data, MaxExpansion(v.Compression)))) {
      Fail(IEClaimTooLargeForDataText(W, H));
      return false;
    }
    // Every byte of the rows is written below.
    uint8_t* o = out.Reserve(total);
    if (in.empty()) {
      std::memset(o, 0, static_cast<size_t>(total));
      return true;
    }
    switch (v.Compression) {
      case Compression::None: {
        const int64_t n = std::min<int64_t>(total, data);
        std::memcpy(o, in.data(), static_cast<size_t>(n));
        std::memset(o + n, 0, static_cast<size_t>(total - n));
        return true;
      }
      case Compression::PackBits: {
        const uint8_t* src = in.data();
        int64_t i = 0;
        for (int32_t r = 0; r < rows; ++r) {
          uint8_t* row = o + r * L;
          int64_t n = 0;
          while (n < L && i < data) {
            const int8_t c = static_cast<int8_t>(src[i++]);
            if (c >= 0) {
              const int64_t k = std::min<int64_t>(int64_t{c} + 1, data - i);
              const int64_t put = std::min(k, L - n);
              std::memcpy(row + n, src + i, static_cast<size_t>(put));
              n += put;
              i += k;
            } else if (c != -128) {
              if (i >= data) break;
              const uint8_t b = src[i++];
              const int64_t put = std::min<int64_t>(1 - c, L - n);
              std::memset(row + n, b, static_cast<size_t>(put));
              n += put;
            }
          }
          std::memset(row + n, 0, static_cast<size_t>(L - n));
        }
        return true;
      }
      case Compression::LZW: {
        TTIFFLZWDecodeHandle state;
        const TTIFFLZWDecompressProc decode = v.LZWDecompress ? v.LZWDecompress : DefaultTIFFLZWDecompress;
        if (L > INT32_MAX || !decode) return false;
        for (int32_t r = 0; r < rows; ++r) {
          const uint8_t* row = decode(in.data(), data, static_cast<int32_t>(L), state);
          if (!row) return false;
          std::memcpy(o + r * L, row, static_cast<size_t>(L));
        }
        return true;
      }
      case Compression::Deflate:
      case Compression::DeflateOld: {
        z_stream z{};
        if (inflateInit(&z) != Z_OK) return false;
        z.next_in = const_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(std::min<int64_t>(data, UINT32_MAX));
        z.next_out = o;
        z.avail_out = static_cast<uInt>(std::min<int64_t>(total, UINT32_MAX));
        const int rc = inflate(&z, Z_FINISH);
        const int64_t produced = static_cast<int64_t>(z.total_out);
        inflateEnd(&z);
        std::memset(o + produced, 0, static_cast<size_t>(total - produced));
        // A damaged or truncated stream keeps what it gave.
        return rc != Z_MEM_ERROR;
      }
      case Compression::CCITTHuffman: {
        if (bps != 1 || L < (int64_t{w} + 7) / 8) return false;
        std::memset(o, 0xFF, static_cast<size_t>(total));
        int64_t at = 0;
        for (int32_t r = 0; r < rows; ++r) {
          const int64_t left = data - at;
          at += CCITTDecodeHuffmanRow(o + r * L, in.data() + std::min(at, data),
                                      std::max<int64_t>(left, 0), 1, w);
        }
        return true;
      }
      case Compression::CCITTGroup3:
      case Compression::CCITTGroup4: {
        if (bps != 1 || L < (int64_t{w} + 7) / 8) return false;
        const bool two_d = v.Compression == Compression::CCITTGroup4 || (v.T4Options & 1);
        const bool eol_mode = v.Compression == Compression::CCITTGroup3 || (v.T4Options & 4);
        std::memset(o, 0xFF, static_cast<size_t>(total));
        // The reference row starts white in every block.
        work.ref.assign(static_cast<size_t>(L), 0xFF);
        int64_t pos = 0;
        for (int32_t r = 0; r < rows; ++r) {
          uint8_t* row = o + r * L;
          if (two_d) pos = CCITTDecodeRow2D(row, in.data(), data, eol_mode, 1, pos, work.ref.data(), w);
          else pos = CCITTDecodeRow1D(row, in.data(), data, 1, pos, w);
        }
        return true;
      }
      default:
        return false;
    }
  }

  // Unpacks the w samples x spp of a chunky row into Samples, undoing the
  // horizontal predictor.
  void Unpack(const uint8_t* row, int32_t w, std::vector<uint16_t>& samples) const {
    const int64_t n = int64_t{w} * spp;
    samples.resize(static_cast<size_t>(n));
    if (bps == 8) {
      for (int64_t i = 0; i < n; ++i) samples[i] = row[i];
    } else if (bps == 16) {
      for (int64_t i = 0; i < n; ++i)
        samples[i] = v.BigEndian ? LoadBE16(row + 2 * i) : LoadLE16(row + 2 * i);
    } else {
      int64_t bit = 0;
      for (int64_t i = 0; i < n; ++i) {
        uint32_t x = 0;
        for (int32_t k = 0; k < bps; ++k, ++bit) x = x << 1 | ((row[bit >> 3] >> (7 - (bit & 7))) & 1);
        samples[i] = static_cast<uint16_t>(x);
      }
    }
    if (v.Predictor == 2 && (bps == 8 || bps == 16)) {
      const uint32_t mask = bps == 8 ? 0xFF : 0xFFFF;
      for (int64_t i = spp; i < n; ++i)
        samples[i] = static_cast<uint16_t>((samples[i] + samples[i - spp]) & mask);
    }
  }

  uint8_t Scale(uint32_t x) const {
    if (bps == 8) return static_cast<uint8_t>(x);
    if (bps == 16) return static_cast<uint8_t>(x >> 8);
    if (bps == 4) return static_cast<uint8_t>(x << 4);  // 0, 16, .., 240
    return static_cast<uint8_t>(x * 255 / ((1u << bps) - 1));
  }

  // A colour sample premultiplied by alpha A (associated alpha) back to its
  // own value, rounded; a transparent pixel keeps no colour.
  uint32_t Unpremultiply(uint32_t c, uint32_t a) const {
    if (a == 0) return 0;
    const uint32_t max = (1u << bps) - 1;
    return std::min<uint32_t>(max, static_cast<uint32_t>((uint64_t{c} * max + a / 2) / a));
  }

  // Converts one chunky row of w pixels into Line (the bitmap's pixel
  // format) and AlphaLine.
  void ConvertRow(const uint8_t* row, int32_t w, TBlockWork& work) const {
    const bool alpha = v.AlphaMask != nullptr;
    std::vector<uint8_t>& line = work.line;
    if (fmt == ieMono1) {
      const int64_t n = (w + 7) / 8;
      line.assign(row, row + n);
      if ((pm == 0) != IsCCITT())
        for (uint8_t& b : line) b = static_cast<uint8_t>(~b);
      return;
    }
    Unpack(row, w, work.samples);
    const int32_t bp = BytesPerPixel(fmt);
    line.resize(static_cast<size_t>(w) * bp);
    if (alpha) work.alpha_line.assign(static_cast<size_t>(w), 255);
    uint8_t* alpha_line = work.alpha_line.data();
    const bool unpremultiply = alpha && Associated();
    const uint16_t* sm = work.samples.data();
    for (int32_t x = 0; x < w; ++x, sm += spp) {
      uint8_t* out = &line[static_cast<size_t>(x) * bp];
      TRGB c{0, 0, 0};
      switch (pm) {
        case Photometric::RGB:
          if (spp == 1) {  // 16-bit 5-5-5
            const uint16_t q = sm[0];
            c = MakeRGBTriple(static_cast<uint8_t>((q >> 10) << 3), static_cast<uint8_t>(((q >> 5) & 31) * 8),
                              static_cast<uint8_t>((q & 31) * 8));
          } else {
            uint32_t r = sm[0], g = sm[1], b = sm[2];
            if (alpha && spp >= 4) {
              alpha_line[x] = Scale(sm[3]);
              if (unpremultiply) r = Unpremultiply(r, sm[3]), g = Unpremultiply(g, sm[3]), b = Unpremultiply(b, sm[3]);
            }
            if (fmt == ieRGB48) {
              const TRGB48 w48{sm[0], sm[1], sm[2]};
              std::memcpy(out, &w48, sizeof w48);
            }
            c = MakeRGBTriple(Scale(r), Scale(g), Scale(b));
          }
          break;
        case Photometric::Palette:
          if (fmt == iePalette8) {
            out[0] = static_cast<uint8_t>(sm[0]);
            continue;
          }
          if (sm[0] < v.Palette.size()) c = v.Palette[sm[0]];
          // Alpha marked as such is opacity; an unmarked extra sample is
          // read as transparency, as files of this reader's past hold it.
          if (alpha && spp >= 2)
            alpha_line[x] = v.ExtraSamples == ExtraSample::Unspecified ? static_cast<uint8_t>(255 - Scale(sm[1]))
                                                                       : Scale(sm[1]);
          break;
        case Photometric::WhiteIsZero:
        case Photometric::BlackIsZero: {
          if (fmt == ieGray16) {
            const uint16_t g = pm == 0 ? static_cast<uint16_t>(~sm[0]) : sm[0];
            std::memcpy(out, &g, 2);
            continue;
          }
          uint32_t value = sm[0];
          if (alpha && spp >= 2 && unpremultiply && pm == Photometric::BlackIsZero)
            value = Unpremultiply(value, sm[1]);
          uint8_t g = Scale(value);
          if (bps == 16 && v.Software.compare(0, 15, "Look@Molli v1.1") == 0)
            g = static_cast<uint8_t>(std::min<uint32_t>(value >> 4, 255));
          if (pm == 0) g = static_cast<uint8_t>(255 - g);
          c = TRGB{g, g, g};
          if (alpha && spp >= 2) alpha_line[x] = Scale(sm[1]);
          break;
        }
        case Photometric::Separated: {
          const TCMYK k{static_cast<uint8_t>(255 - Scale(sm[0])), static_cast<uint8_t>(255 - Scale(sm[1])),
                        static_cast<uint8_t>(255 - Scale(sm[2])), static_cast<uint8_t>(255 - Scale(sm[3]))};
          if (fmt == ieCMYK) {
            std::memcpy(out, &k, 4);
            continue;
          }
          c = CMYKToRGB(k);
          break;
        }
        case Photometric::CIELab:
          c = CIELabToRGB(TCIELab{static_cast<uint8_t>(sm[0]), static_cast<int8_t>(sm[1]),
                                  static_cast<int8_t>(sm[2])});
          break;
        case Photometric::YCbCr: {
          const float y = luma[sm[0]];
          c = MakeRGBTriple(ClampByte(y + cr_red[sm[2]]), ClampByte(y - cr_green[sm[2]] - cb_green[sm[1]]),
                            ClampByte(y + cb_blue[sm[1]]));
          break;
        }
        default:
          break;
      }
      switch (fmt) {
        case ieRGB24: std::memcpy(out, &c, 3); break;
        case ieGray8: out[0] = c.r; break;
        default: break;
      }
    }
  }

  // Puts Line (w pixels) into image row y at pixel column x0, clipped.
  void PasteRow(int32_t w, int32_t x0, int32_t y, const TBlockWork& work) {
    if (y < 0 || y >= H || x0 >= W) return;
    const int32_t n = std::min(w, W - x0);
    const std::vector<uint8_t>& line = work.line;
    uint8_t* dst = bmp->GetScanline(y);
    if (fmt == ieMono1) {
      const int32_t whole = x0 % 8 == 0 ? n / 8 : 0;
      std::memcpy(dst + x0 / 8, line.data(), static_cast<size_t>(whole));
      for (int32_t x = whole * 8; x < n; ++x) {
        const int32_t X = x0 + x;
        const bool bit = (line[x >> 3] >> (7 - (x & 7))) & 1;
        dst[X >> 3] = static_cast<uint8_t>(bit ? dst[X >> 3] | (0x80 >> (X & 7)) : dst[X >> 3] & ~(0x80 >> (X & 7)));
      }
      return;
    }
    const int32_t bp = BytesPerPixel(fmt);
    std::memcpy(dst + static_cast<int64_t>(x0) * bp, line.data(), static_cast<size_t>(n) * bp);
    if (v.AlphaMask)
      std::memcpy(v.AlphaMask->GetScanline(y) + x0, work.alpha_line.data(), static_cast<size_t>(n));
  }

  // Progress is reported on the calling thread only: its routine may touch
  // windows.
  void RowsDone(int64_t n) {
    const int64_t done = rows_done.fetch_add(n, std::memory_order_relaxed) + n;
    if (std::this_thread::get_id() == caller) pr.Report(done);
  }

  // The pixels of a chunky YCbCr row k of a block of w pixels from its
  // units, as one Y, Cb, Cr triple each.
  const uint8_t* ExpandYCbCrRow(const uint8_t* units, int64_t unit_row_length, int32_t k, int32_t w,
                                TBlockWork& work) const {
    const int32_t unit = sub_h * sub_v + 2;
    const uint8_t* src = units + (k / sub_v) * unit_row_length;
    const int32_t sub_row = k % sub_v;
    work.chunky.resize(static_cast<size_t>(w) * spp);
    uint8_t* out = work.chunky.data();
    for (int32_t x = 0; x < w; ++x, out += spp) {
      const uint8_t* u = src + static_cast<int64_t>(x / sub_h) * unit;
      out[0] = u[sub_row * sub_h + x % sub_h];
      out[1] = u[sub_h * sub_v];
      out[2] = u[sub_h * sub_v + 1];
    }
    return work.chunky.data();
  }

  // Decodes one block (a strip or a tile) of r rows of w pixels at (x0, y0).
  void Block(const TBlockRefs& blocks, int32_t w, int32_t r, int32_t x0, int32_t y0, TBlockWork& work) {
    if (v.Compression == Compression::JPEG) return JPEGBlock(blocks[0], w, r, x0, y0, work);
    // Rows of a tile below the image are not decoded.
    r = std::min(r, H - y0);
    if (r <= 0) return;
    work.raw.resize(blocks.size());
    work.rows.resize(blocks.size());
    bool any_data = false;
    int64_t L = RowLength(w);
    int32_t coded_rows = r;
    if (YCbCrUnits()) {
      L = ((int64_t{w} + sub_h - 1) / sub_h) * (sub_h * sub_v + 2);
      coded_rows = (r + sub_v - 1) / sub_v;
    }
    for (size_t p = 0; p < blocks.size(); ++p) {
      ReadBlock(blocks[p].first, blocks[p].second, work.raw[p]);
      any_data = any_data || !work.raw[p].empty();
      if (pr.IsAborting()) return;
      // Uncompressed rows are the block's bytes as read.
      if (v.Compression == Compression::None && w <= W && work.raw[p].size() >= L * coded_rows)
        std::swap(work.raw[p], work.rows[p]);
      else if (!Decompress(work.raw[p], L, coded_rows, w, work.rows[p], work))
        return pr.Abort();
    }
    if (any_data) blocks_with_data.fetch_add(1, std::memory_order_relaxed);
    const int32_t bytes = bps / 8;
    for (int32_t k = 0; k < r; ++k) {
      const uint8_t* row;
      if (YCbCrUnits()) {
        row = ExpandYCbCrRow(work.rows[0].data(), L, k, w, work);
      } else if (blocks.size() == 1) {
        row = work.rows[0].data() + k * L;
      } else {
        // Interleave the planes' samples; planar data below 8 bits is not
        // interleaved byte-wise and reads as its first plane.
        const size_t planes = blocks.size();
        work.chunky.assign(static_cast<size_t>(L) * planes, 0);
        if (bytes >= 1) {
          for (int32_t x = 0; x < w; ++x)
            for (size_t p = 0; p < planes; ++p)
              std::memcpy(&work.chunky[(static_cast<size_t>(x) * planes + p) * bytes],
                          work.rows[p].data() + k * L + static_cast<int64_t>(x) * bytes, static_cast<size_t>(bytes));
        }
        row = work.chunky.data();
      }
      ConvertRow(row, w, work);
      PasteRow(w, x0, y0 + k, work);
      RowsDone(1);
      if (pr.IsAborting()) return;
    }
  }

  // The JPEG colour space the page's photometric declares, -1 for none.
  int32_t DeclaredJpegSpace() const {
    switch (pm) {
      case Photometric::RGB: return JpegSpace::RGB;
      case Photometric::YCbCr: return JpegSpace::YCbCr;
      case Photometric::WhiteIsZero:
      case Photometric::BlackIsZero: return JpegSpace::Grey;
      case Photometric::Separated: return JpegSpace::CMYK;
      default: return -1;
    }
  }

  void JPEGBlock(const std::pair<uint32_t, const uint32_t*>& block, int32_t w, int32_t r, int32_t x0, int32_t y0,
                 TBlockWork& work) {
    work.raw.resize(1);
    TStripBuffer& in = work.raw[0];
    ReadBlock(block.first, block.second, in);
    if (pr.IsAborting() || in.empty()) return;
    TIEMemStream data(in.data(), static_cast<int64_t>(in.size()));
    std::unique_ptr<TIEMemStream> tables;
    if (!v.JPEGTables.empty())
      tables = std::make_unique<TIEMemStream>(v.JPEGTables.data(), static_cast<int64_t>(v.JPEGTables.size()));
    // The JPEG reader sizes the block by its own frame and judges that size
    // by its own data.
    TIEBitmap tmp;
    TIOParamsVals params(nullptr);
    bool aborting = false;
    std::string reason;
    TIOProgressRec quiet;
    quiet.Aborting = &aborting;
    quiet.AbortReason = &reason;
    // The page's photometric says what the samples are: data written as RGB
    // often number their components in a way the JPEG library takes for
    // YCbCr, which would convert colours that need none.
    try {
      ReadJPEGStream(&data, tables.get(), &tmp, params, quiet, false, false, false, true, false,
                     DeclaredJpegSpace());
    } catch (const std::exception&) {
      aborting = true;  // tables the JPEG library refuses
    }
    // The JPEG reader's reason (data ending before the first row, damaged
    // data) is the page's.
    if (aborting) return reason.empty() ? pr.Abort() : Fail(reason);
    if (tmp.PixelFormat() != fmt) tmp.ConvertFormat(fmt);
    const int32_t bp = BytesPerPixel(fmt);
    if (bp == 0) return pr.Abort();
    const int32_t rows = std::min({r, tmp.Height(), H - y0});
    const int32_t n = std::min(tmp.Width(), w);
    if (rows > 0 && n > 0) blocks_with_data.fetch_add(1, std::memory_order_relaxed);
    for (int32_t k = 0; k < rows; ++k) {
      const uint8_t* src = tmp.GetScanline(k);
      work.line.assign(src, src + static_cast<size_t>(n) * bp);
      work.alpha_line.assign(static_cast<size_t>(n), 255);
      PasteRow(n, x0, y0 + k, work);
      RowsDone(1);
    }
  }

  // Runs Count blocks through Decode(index, work), in parallel when the page
  // is large, its rows lie in memory and the blocks own their bytes of it. A
  // platform bitmap's rows (the view's own image) are memory as well; only
  // rows of a temporary file are mapped one at a time.
  template <typename DecodeOne>
  void RunBlocks(int64_t count, bool blocks_share_bytes, const DecodeOne& decode) {
    const bool in_memory = bmp->Location() != ieTempFile;
    const bool parallel = count > 1 && in_memory && !blocks_share_bytes &&
                          int64_t{W} * H >= kParallelMinPixels && TThreadPool::Shared().MaxThreads() > 1;
    if (!parallel) {
      TBlockWork work;
      for (int64_t i = 0; i < count && !pr.IsAborting(); ++i) decode(i, work);
      return;
    }
    // The pool hands out a few bands per thread: each band borrows a work
    // set and gives it back, so that buffers are made once per thread.
    std::mutex works_lock;
    std::vector<std::unique_ptr<TBlockWork>> idle;
    TThreadPool::Shared().ParallelFor(count, 1, [&](int64_t first, int64_t last) {
      std::unique_ptr<TBlockWork> work;
      {
        std::lock_guard<std::mutex> hold(works_lock);
        if (!idle.empty()) {
          work = std::move(idle.back());
          idle.pop_back();
        }
      }
      if (!work) work = std::make_unique<TBlockWork>();
      for (int64_t i = first; i < last && !pr.IsAborting(); ++i) decode(i, *work);
      std::lock_guard<std::mutex> hold(works_lock);
      idle.push_back(std::move(work));
    });
  }

  void Strips() {
    const int32_t rps = v.RowsPerStrip > 0 ? v.RowsPerStrip : H;
    const int64_t per_plane = (int64_t{H} + rps - 1) / rps;
    const int32_t nplanes = Planar() ? spp : 1;
    // Strips listed: the page ends where the list does.
    int64_t count = per_plane;
    for (int32_t p = 0; p < nplanes; ++p)
      count = std::min<int64_t>(count, static_cast<int64_t>(v.StripOffsets.size()) - p * per_plane);
    if (count <= 0) return;
    RunBlocks(count, false, [&](int64_t i, TBlockWork& work) {
      TBlockRefs blocks;
      for (int32_t p = 0; p < nplanes; ++p) {
        const size_t at = static_cast<size_t>(p * per_plane + i);
        blocks.emplace_back(v.StripOffsets[at], at < v.StripByteCounts.size() ? &v.StripByteCounts[at] : nullptr);
      }
      const int32_t y = static_cast<int32_t>(i * rps);
      Block(blocks, W, std::min<int32_t>(rps, H - y), 0, y, work);
    });
  }

  void Tiles() {
    const std::vector<uint32_t>& offsets = v.TileOffsets.empty() ? v.StripOffsets : v.TileOffsets;
    const std::vector<uint32_t>& counts = v.TileOffsets.empty() ? v.StripByteCounts : v.TileByteCounts;
    const int32_t tw = v.TileWidth, tl = v.TileLength;
    if (tw <= 0 || tl <= 0 || tw > 65536 || tl > 65536) return pr.Abort();
    const int64_t across = (int64_t{W} + tw - 1) / tw, down = (int64_t{H} + tl - 1) / tl;
    const int64_t per_plane = across * down;
    const int32_t nplanes = Planar() ? spp : 1;
    int64_t count = per_plane;
    for (int32_t p = 0; p < nplanes; ++p)
      count = std::min<int64_t>(count, static_cast<int64_t>(offsets.size()) - p * per_plane);
    if (count <= 0) return;
    // Bilevel tiles of a width that is no whole number of bytes share the
    // bytes where they meet.
    const bool share = fmt == ieMono1 && tw % 8 != 0;
    RunBlocks(count, share, [&](int64_t t, TBlockWork& work) {
      TBlockRefs blocks;
      for (int32_t p = 0; p < nplanes; ++p) {
        const size_t at = static_cast<size_t>(p * per_plane + t);
        blocks.emplace_back(offsets[at], at < counts.size() ? &counts[at] : nullptr);
      }
      Block(blocks, tw, tl, static_cast<int32_t>(t % across * tw), static_cast<int32_t>(t / across * tl), work);
    });
  }
};

}  // namespace

bool TIFFDataCanHold(const TTIFFVars& Vars, int64_t DataSize, int64_t ImageBytes) {
  const int64_t w = Vars.ImageWidth, h = Vars.ImageLength;
  const int32_t c = Vars.Compression;
  const int64_t bits = SaturatedProduct({w, std::max(Vars.SamplesPerPixel, 1), std::max(Vars.BitsPerSample, 1)});
  int64_t samples = SaturatedProduct({bits / 8 + (bits % 8 != 0), h});
  // Subsampled YCbCr data hold one chroma pair per block of luma samples.
  if (Vars.PhotometricInterpretation == Photometric::YCbCr && c != Compression::JPEG &&
      Vars.YCbCrSubsampling[0] > 0 && Vars.YCbCrSubsampling[1] > 0) {
    const int64_t sh = std::min(Vars.YCbCrSubsampling[0], 4), sv = std::min(Vars.YCbCrSubsampling[1], 4);
    samples = SaturatedProduct({(w + sh - 1) / sh, (h + sv - 1) / sv, sh * sv + 2});
  }
  if (c == Compression::CCITTHuffman || c == Compression::CCITTGroup3 || c == Compression::CCITTGroup4)
    return ImageBytes <= kCCITTFreeBytes ||
           (h <= kMaxCCITTRowsPerByte * DataSize && IEDataCanHold(ImageBytes, DataSize, kMaxCCITTRatio));
  return IEDataCanHold(samples, DataSize, MaxExpansion(c));
}

bool TIFFDataYieldsPicture(const TTIFFVars& Vars, TStream* Stream, int64_t Base, int64_t ImageBytes) {
  if (Vars.Compression != Compression::LZW) return true;
  const int64_t data = Stream->Size() - Base;
  if (ImageBytes <= kLZWTrustedBytes || ImageBytes / 8 <= data) return true;
  const int64_t w = Vars.ImageWidth, h = Vars.ImageLength;
  const bool planar = Vars.PlanarConfiguration == 2 && Vars.SamplesPerPixel > 1;
  const int64_t spp = std::clamp(Vars.SamplesPerPixel, 1, kMaxSamples);
  const int64_t bps = std::clamp(Vars.BitsPerSample, 1, kMaxBitsPerSample);
  const bool tiles = Vars.TileWidth > 0 || Vars.TileLength > 0;
  const std::vector<uint32_t>& offsets = tiles && !Vars.TileOffsets.empty() ? Vars.TileOffsets : Vars.StripOffsets;
  const std::vector<uint32_t>& counts =
      tiles && !Vars.TileOffsets.empty() ? Vars.TileByteCounts : Vars.StripByteCounts;
  const int64_t bw = tiles ? std::clamp(Vars.TileWidth, 1, 65536) : w;
  const int64_t bh = tiles ? std::clamp(Vars.TileLength, 1, 65536)
                           : (Vars.RowsPerStrip > 0 ? std::min<int64_t>(Vars.RowsPerStrip, h) : h);
  const int64_t row = (bw * (planar ? 1 : spp) * bps + 7) / 8;
  if (row > INT32_MAX) return false;
  const int64_t page = SaturatedProduct({(w * spp * bps + 7) / 8, h});
  // Decodes block after block, one row at a time into the decoder's own
  // buffer, until half of the page's samples came out of real codes.
  int64_t produced = 0;
  TStripBuffer in;
  for (size_t i = 0; i < offsets.size() && 2 * produced < page; ++i) {
    const int64_t at = Base + offsets[i];
    if (at < 0 || at >= Stream->Size()) continue;
    int64_t n = Stream->Size() - at;
    if (i < counts.size() && counts[i] != 0) n = std::min<int64_t>(n, counts[i]);
    Stream->SetPosition(at);
    const int64_t got = Stream->Read(in.Reserve(n), n);
    if (got <= 0) continue;
    TTIFFLZWDecodeHandle state;
    for (int64_t r = 0; r < bh && 2 * produced < page; ++r) {
      if (!TIFFLZWDecode(in.data(), got, static_cast<int32_t>(row), state)) break;
      const int64_t made = TIFFLZWDecodedBytes(state);
      if (made <= 0) break;
      produced += std::min(made, row);
      if (made < row) break;
    }
  }
  return 2 * produced >= page;
}

void DecodeTIFFImage(TTIFFVars& Vars, TStream* Stream, int64_t Base, TIEBitmap* Bitmap,
                     TIOProgressRec& Progress) {
  Decoder d(Vars, Stream, Base, Bitmap, Progress);
  if (!d.Covered()) return Progress.Abort();
  Progress.Per1 = 100.0 / std::max(1, Vars.ImageLength);
  if (Vars.TileWidth > 0 || Vars.TileLength > 0) d.Tiles();
  else d.Strips();
  // A page none of whose blocks had any data shows nothing of the file.
  if (!Progress.IsAborting() && d.blocks_with_data.load() == 0) Progress.Refuse(IENoPictureDataText());
}
