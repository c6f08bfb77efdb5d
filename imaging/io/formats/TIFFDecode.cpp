#include "imaging/io/formats/TIFFDecode.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
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
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

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
  enum : int32_t { WhiteIsZero = 0, BlackIsZero = 1, RGB = 2, Palette = 3, Separated = 5, CIELab = 8 };
};

constexpr int32_t kMaxSamples = 32;

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
// the one above), whatever its width; such a blank row is taken to be no
// wider than kMaxCCITTBlankRowBytes of image.
constexpr int64_t kMaxCCITTRowsPerByte = 8;
constexpr int64_t kMaxCCITTBlankRowBytes = 2048;

// Strips or tiles may share their data, but reading more than this many
// times the stream (beyond kReadAllowance) is a file built to waste time.
constexpr int64_t kMaxReadsOfStream = 4;
constexpr int64_t kReadAllowance = int64_t{64} << 20;

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

struct Decoder {
  Decoder(TTIFFVars& vars, TStream* stream, int64_t b, TIEBitmap* bitmap, TIOProgressRec& progress)
      : v(vars), s(stream), base(b), bmp(bitmap), pr(progress), size(stream->Size()),
        fmt(bitmap->PixelFormat()), W(vars.ImageWidth), H(vars.ImageLength),
        bps(vars.BitsPerSample), spp(vars.SamplesPerPixel), pm(vars.PhotometricInterpretation) {}

  TTIFFVars& v;
  TStream* s;
  int64_t base;
  TIEBitmap* bmp;
  TIOProgressRec& pr;
  int64_t size;
  TIEPixelFormat fmt;
  int32_t W, H, bps, spp, pm;
  int64_t rows_done = 0;
  int64_t bytes_read = 0;  // by all blocks so far
  int32_t w_ = 0;  // width of the block being decoded
  std::vector<uint16_t> samples;
  std::vector<uint8_t> chunky, line, alpha_line;

  bool Planar() const { return v.PlanarConfiguration == 2 && spp > 1; }
  bool IsCCITT() const {
    return v.Compression == Compression::CCITTHuffman || v.Compression == Compression::CCITTGroup3 ||
           v.Compression == Compression::CCITTGroup4;
  }
  int64_t RowLength(int32_t w) const {
    return ((int64_t{Planar() ? 1 : spp} * w * bps) + 7) / 8;
  }

  // True when a row conversion covers the page's layout.
  bool Covered() const {
    if (spp < 1 || spp > kMaxSamples) return false;
    if (v.Compression == Compression::JPEG) return true;
    if (fmt == ieMono1) return bps == 1 && spp == 1 && (pm == 0 || pm == 1);
    if (bps < 1 || bps > 16 || (bps > 8 && bps != 16)) return false;
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
      default:
        return false;
    }
  }

  // The block's bytes: its byte count when that is given, non-zero and
  // inside the stream, else up to the end of the stream.
  std::vector<uint8_t> ReadBlock(uint32_t offset, const uint32_t* count) {
    std::vector<uint8_t> out;
    const int64_t at = base + offset;
    if (at < 0 || at >= size) return out;
    int64_t n = size - at;
    if (count && *count != 0) n = std::min<int64_t>(n, *count);
    bytes_read += n;
    if (bytes_read > kMaxReadsOfStream * size + kReadAllowance) {
      pr.Refuse(IEClaimTooLargeForDataText(W, H));
      return out;
    }
    out.resize(static_cast<size_t>(n));
    s->SetPosition(at);
    int64_t got = 0;
    while (got < n) {
      const int64_t k = s->Read(out.data() + got, n - got);
      if (k <= 0) break;
      got += k;
    }
    out.resize(static_cast<size_t>(got));
    if (v.FillOrder == 2)
      for (uint8_t& b : out) b = ReverseBits(b);
    return out;
  }

  // Decompresses Rows rows of L bytes into Out (zeros where the data ends
  // early). False on undecodable data.
  bool Decompress(const std::vector<uint8_t>& in, int64_t L, int32_t rows, std::vector<uint8_t>& out) {
    const int64_t total = L * rows;
    // The image was judged by the data of the whole file; a tile wider than
    // the image is judged by its own data.
    const int64_t data = static_cast<int64_t>(in.size());
    if (w_ > W && (IsCCITT() ? rows > kMaxCCITTRowsPerByte * data + 1 && total > kIESmallImageBytes
                             : !IEDataCanHold(total, data, MaxExpansion(v.Compression)))) {
      pr.Refuse(IEClaimTooLargeForDataText(W, H));
      return false;
    }
    out.assign(static_cast<size_t>(total), 0);
    if (in.empty()) return true;
    switch (v.Compression) {
      case Compression::None:
        std::memcpy(out.data(), in.data(), static_cast<size_t>(std::min<int64_t>(total, in.size())));
        return true;
      case Compression::PackBits: {
        size_t i = 0;
        for (int32_t r = 0; r < rows; ++r) {
          uint8_t* row = out.data() + r * L;
          int64_t n = 0;
          while (n < L && i < in.size()) {
            const int8_t c = static_cast<int8_t>(in[i++]);
            if (c >= 0) {
              for (int32_t k = 0; k <= c && i < in.size(); ++k, ++i)
                if (n < L) row[n++] = in[i];
            } else if (c != -128) {
              if (i >= in.size()) break;
              const uint8_t b = in[i++];
              for (int32_t k = 0; k < 1 - c; ++k)
                if (n < L) row[n++] = b;
            }
          }
        }
        return true;
      }
      case Compression::LZW: {
        TTIFFLZWDecodeHandle state;
        if (L > INT32_MAX) return false;
        for (int32_t r = 0; r < rows; ++r) {
          const uint8_t* row = TIFFLZWDecode(in.data(), static_cast<int64_t>(in.size()),
                                             static_cast<int32_t>(L), state);
          if (!row) return false;
          std::memcpy(out.data() + r * L, row, static_cast<size_t>(L));
        }
        return true;
      }
      case Compression::Deflate:
      case Compression::DeflateOld: {
        z_stream z{};
        if (inflateInit(&z) != Z_OK) return false;
        z.next_in = const_cast<Bytef*>(in.data());
        z.avail_in = static_cast<uInt>(std::min<size_t>(in.size(), UINT32_MAX));
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(std::min<int64_t>(total, UINT32_MAX));
        const int rc = inflate(&z, Z_FINISH);
        inflateEnd(&z);
        // A damaged or truncated stream keeps what it gave.
        return rc != Z_MEM_ERROR;
      }
      case Compression::CCITTHuffman: {
        if (bps != 1 || L < (int64_t{w_} + 7) / 8) return false;
        int64_t at = 0;
        for (int32_t r = 0; r < rows; ++r) {
          const int64_t left = static_cast<int64_t>(in.size()) - at;
          at += CCITTDecodeHuffmanRow(out.data() + r * L, in.data() + std::min<int64_t>(at, in.size()),
                                      std::max<int64_t>(left, 0), 1, w_);
        }
        return true;
      }
      case Compression::CCITTGroup3:
      case Compression::CCITTGroup4: {
        if (bps != 1 || L < (int64_t{w_} + 7) / 8) return false;
        const bool two_d = v.Compression == Compression::CCITTGroup4 || (v.T4Options & 1);
        const bool eol_mode = v.Compression == Compression::CCITTGroup3 || (v.T4Options & 4);
        // The reference row starts white in every block.
        std::vector<uint8_t> ref(static_cast<size_t>(L), 0xFF);
        int64_t pos = 0;
        const int64_t n = static_cast<int64_t>(in.size());
        for (int32_t r = 0; r < rows; ++r) {
          uint8_t* row = out.data() + r * L;
          if (two_d) pos = CCITTDecodeRow2D(row, in.data(), n, eol_mode, 1, pos, ref.data(), w_);
          else pos = CCITTDecodeRow1D(row, in.data(), n, 1, pos, w_);
        }
        return true;
      }
      default:
        return false;
    }
  }

  // Unpacks the W samples x spp of a chunky row into Samples, undoing the
  // horizontal predictor.
  void Unpack(const uint8_t* row, int32_t w) {
    const int64_t n = int64_t{w} * spp;
    samples.resize(static_cast<size_t>(n));
    if (bps == 8) {
      for (int64_t i = 0; i < n; ++i) samples[i] = row[i];
    } else if (bps == 16) {
      for (int64_t i = 0; i < n; ++i)
        samples[i] = static_cast<uint16_t>(v.BigEndian ? row[2 * i] << 8 | row[2 * i + 1]
                                                      : row[2 * i + 1] << 8 | row[2 * i]);
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

  // Converts one chunky row of w pixels into Line (the bitmap's pixel
  // format) and AlphaLine.
  void ConvertRow(const uint8_t* row, int32_t w) {
    const bool alpha = v.AlphaMask != nullptr;
    if (fmt == ieMono1) {
      const int64_t n = (w + 7) / 8;
      line.assign(row, row + n);
      if ((pm == 0) != IsCCITT())
        for (uint8_t& b : line) b = static_cast<uint8_t>(~b);
      return;
    }
    Unpack(row, w);
    line.assign(static_cast<size_t>(w) * BytesPerPixel(fmt), 0);
    alpha_line.assign(static_cast<size_t>(w), 255);
    const uint16_t* sm = samples.data();
    for (int32_t x = 0; x < w; ++x, sm += spp) {
      uint8_t* out = &line[static_cast<size_t>(x) * BytesPerPixel(fmt)];
      TRGB c{0, 0, 0};
      switch (pm) {
        case Photometric::RGB:
          if (spp == 1) {  // 16-bit 5-5-5
            const uint16_t q = sm[0];
            c = MakeRGBTriple(static_cast<uint8_t>((q >> 10) << 3), static_cast<uint8_t>(((q >> 5) & 31) * 8),
                              static_cast<uint8_t>((q & 31) * 8));
          } else {
            if (fmt == ieRGB48) {
              const TRGB48 w48{sm[0], sm[1], sm[2]};
              std::memcpy(out, &w48, sizeof w48);
            }
            c = MakeRGBTriple(Scale(sm[0]), Scale(sm[1]), Scale(sm[2]));
            if (alpha && spp >= 4) alpha_line[x] = Scale(sm[3]);
          }
          break;
        case Photometric::Palette:
          if (fmt == iePalette8) {
            out[0] = static_cast<uint8_t>(sm[0]);
            continue;
          }
          if (sm[0] < v.Palette.size()) c = v.Palette[sm[0]];
          if (alpha && spp >= 2) alpha_line[x] = static_cast<uint8_t>(255 - Scale(sm[1]));
          break;
        case Photometric::WhiteIsZero:
        case Photometric::BlackIsZero: {
          if (fmt == ieGray16) {
            const uint16_t g = pm == 0 ? static_cast<uint16_t>(~sm[0]) : sm[0];
            std::memcpy(out, &g, 2);
            continue;
          }
          uint8_t g = Scale(sm[0]);
          if (bps == 16 && v.Software.compare(0, 15, "Look@Molli v1.1") == 0)
            g = static_cast<uint8_t>(std::min<uint32_t>(sm[0] >> 4, 255));
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
  void PasteRow(int32_t w, int32_t x0, int32_t y) {
    if (y < 0 || y >= H || x0 >= W) return;
    const int32_t n = std::min(w, W - x0);
    uint8_t* dst = bmp->GetScanline(y);
    if (fmt == ieMono1) {
      if (x0 % 8 == 0) {
        const int32_t whole = n / 8;
        std::memcpy(dst + x0 / 8, line.data(), static_cast<size_t>(whole));
        for (int32_t x = whole * 8; x < n; ++x) {
          const int32_t X = x0 + x;
          const bool bit = (line[x >> 3] >> (7 - (x & 7))) & 1;
          dst[X >> 3] = static_cast<uint8_t>(bit ? dst[X >> 3] | (0x80 >> (X & 7)) : dst[X >> 3] & ~(0x80 >> (X & 7)));
        }
      } else {
        for (int32_t x = 0; x < n; ++x) {
          const int32_t X = x0 + x;
          const bool bit = (line[x >> 3] >> (7 - (x & 7))) & 1;
          dst[X >> 3] = static_cast<uint8_t>(bit ? dst[X >> 3] | (0x80 >> (X & 7)) : dst[X >> 3] & ~(0x80 >> (X & 7)));
        }
      }
      return;
    }
    const int32_t bp = BytesPerPixel(fmt);
    std::memcpy(dst + static_cast<int64_t>(x0) * bp, line.data(), static_cast<size_t>(n) * bp);
    if (v.AlphaMask) std::memcpy(v.AlphaMask->GetScanline(y) + x0, alpha_line.data(), static_cast<size_t>(n));
  }

  void RowDone() {
    ++rows_done;
    pr.Report(rows_done);
  }

  // Decodes one block (a strip or a tile) of r rows of w pixels at (x0, y0);
  // Blocks holds one (offset, byte count) per plane.
  void Block(const std::vector<std::pair<uint32_t, const uint32_t*>>& blocks, int32_t w, int32_t r,
             int32_t x0, int32_t y0) {
    if (v.Compression == Compression::JPEG) return JPEGBlock(blocks[0], w, r, x0, y0);
    const int64_t L = RowLength(w);
    w_ = w;
    // Rows of a tile below the image are not decoded.
    r = std::min(r, H - y0);
    std::vector<std::vector<uint8_t>> planes(blocks.size());
    for (size_t p = 0; p < blocks.size(); ++p) {
      const std::vector<uint8_t> in = ReadBlock(blocks[p].first, blocks[p].second);
      if (pr.IsAborting() || !Decompress(in, L, r, planes[p])) return pr.Abort();
    }
    const int32_t bytes = bps / 8;
    for (int32_t k = 0; k < r && y0 + k < H; ++k) {
      const uint8_t* row;
      if (planes.size() == 1) {
        row = planes[0].data() + k * L;
      } else {
        // Interleave the planes' samples; planar data below 8 bits is not
        // interleaved byte-wise and reads as its first plane.
        chunky.assign(static_cast<size_t>(L) * planes.size(), 0);
        if (bytes >= 1) {
          for (int32_t x = 0; x < w; ++x)
            for (size_t p = 0; p < planes.size(); ++p)
              std::memcpy(&chunky[(static_cast<size_t>(x) * planes.size() + p) * bytes],
                          &planes[p][k * L + static_cast<int64_t>(x) * bytes], static_cast<size_t>(bytes));
        }
        row = chunky.data();
      }
      ConvertRow(row, w);
      PasteRow(w, x0, y0 + k);
      RowDone();
      if (pr.IsAborting()) return;
    }
  }

  void JPEGBlock(const std::pair<uint32_t, const uint32_t*>& block, int32_t w, int32_t r, int32_t x0, int32_t y0) {
    const std::vector<uint8_t> in = ReadBlock(block.first, block.second);
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
    TIOProgressRec quiet;
    quiet.Aborting = &aborting;
    // The JPEG library tells RGB from YCbCr data by the components itself;
    // asking it for raw samples of RGB data is a conversion it refuses.
    try {
      ReadJPEGStream(&data, tables.get(), &tmp, params, quiet, false, false, false, true, false);
    } catch (const std::exception&) {
      aborting = true;  // tables the JPEG library refuses
    }
    if (aborting) return pr.Abort();
    if (tmp.PixelFormat() != fmt) tmp.ConvertFormat(fmt);
    const int32_t bp = BytesPerPixel(fmt);
    if (bp == 0) return pr.Abort();
    for (int32_t k = 0; k < std::min(r, tmp.Height()) && y0 + k < H; ++k) {
      const uint8_t* src = tmp.GetScanline(k);
      const int32_t n = std::min(tmp.Width(), w);
      line.assign(src, src + static_cast<size_t>(n) * bp);
      alpha_line.assign(static_cast<size_t>(n), 255);
      PasteRow(n, x0, y0 + k);
      RowDone();
    }
  }

  void Strips() {
    const int32_t rps = v.RowsPerStrip > 0 ? v.RowsPerStrip : H;
    const int64_t per_plane = (int64_t{H} + rps - 1) / rps;
    const int32_t nplanes = Planar() ? spp : 1;
    for (int64_t i = 0; i < per_plane; ++i) {
      std::vector<std::pair<uint32_t, const uint32_t*>> blocks;
      for (int32_t p = 0; p < nplanes; ++p) {
        const size_t at = static_cast<size_t>(p * per_plane + i);
        if (at >= v.StripOffsets.size()) return;
        blocks.emplace_back(v.StripOffsets[at], at < v.StripByteCounts.size() ? &v.StripByteCounts[at] : nullptr);
      }
      const int32_t y = static_cast<int32_t>(i * rps);
      Block(blocks, W, std::min<int32_t>(rps, H - y), 0, y);
      if (pr.IsAborting()) return;
    }
  }

  void Tiles() {
    const std::vector<uint32_t>& offsets = v.TileOffsets.empty() ? v.StripOffsets : v.TileOffsets;
    const std::vector<uint32_t>& counts = v.TileOffsets.empty() ? v.StripByteCounts : v.TileByteCounts;
    const int32_t tw = v.TileWidth, tl = v.TileLength;
    if (tw <= 0 || tl <= 0 || tw > 65536 || tl > 65536) return pr.Abort();
    const int64_t across = (int64_t{W} + tw - 1) / tw, down = (int64_t{H} + tl - 1) / tl;
    const int64_t per_plane = across * down;
    const int32_t nplanes = Planar() ? spp : 1;
    for (int64_t t = 0; t < per_plane; ++t) {
      std::vector<std::pair<uint32_t, const uint32_t*>> blocks;
      for (int32_t p = 0; p < nplanes; ++p) {
        const size_t at = static_cast<size_t>(p * per_plane + t);
        if (at >= offsets.size()) return;
        blocks.emplace_back(offsets[at], at < counts.size() ? &counts[at] : nullptr);
      }
      Block(blocks, tw, tl, static_cast<int32_t>(t % across * tw), static_cast<int32_t>(t / across * tl));
      if (pr.IsAborting()) return;
    }
  }
};

}  // namespace

bool TIFFDataCanHold(const TTIFFVars& Vars, int64_t DataSize, int64_t ImageBytes) {
  const int64_t w = Vars.ImageWidth, h = Vars.ImageLength;
  const int64_t samples = (w * std::max(Vars.SamplesPerPixel, 1) * std::max(Vars.BitsPerSample, 1) + 7) / 8 * h;
  const int32_t c = Vars.Compression;
  if (c == Compression::CCITTHuffman || c == Compression::CCITTGroup3 || c == Compression::CCITTGroup4)
    return ImageBytes <= kIESmallImageBytes ||
           (h <= kMaxCCITTRowsPerByte * DataSize &&
            IEDataCanHold(ImageBytes, DataSize, kMaxCCITTRowsPerByte * kMaxCCITTBlankRowBytes));
  return IEDataCanHold(samples, DataSize, MaxExpansion(c));
}

void DecodeTIFFImage(TTIFFVars& Vars, TStream* Stream, int64_t Base, TIEBitmap* Bitmap,
                     TIOProgressRec& Progress) {
  Decoder d(Vars, Stream, Base, Bitmap, Progress);
  if (!d.Covered()) return Progress.Abort();
  Progress.Per1 = 100.0 / std::max(1, Vars.ImageLength);
  if (Vars.TileWidth > 0 || Vars.TileLength > 0) d.Tiles();
  else d.Strips();
}
