#include "imaging/io/formats/AVI.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/io/IEFormats.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/ByteReader.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/model/DIBConvert.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEDibbitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

using formats::TByteReader;

// Chunk and list names are four characters, compared as they stand.
using FourCC = std::array<uint8_t, 4>;
bool Is(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }
bool Is(const FourCC& p, const char* id) { return Is(p.data(), id); }

constexpr int kMaxDepth = 8;
constexpr int64_t kMaxFrames = 1 << 22;
constexpr uint32_t kMJPG = 0x47504A4D;  // "MJPG"
constexpr uint32_t kDIB = 0x20424944;   // "DIB "

struct Parser {
  Parser(TStream* Stream, int64_t EndOfFile) : s(Stream), end_of_file(EndOfFile) {}

  TStream* s;
  int64_t end_of_file;
  int32_t stream_count = 0;
  int32_t video_stream = -1;
  bool in_video_strl = false;
  uint32_t rate = 0, scale = 0;
  std::vector<uint8_t> strf;
  std::vector<std::pair<int64_t, int64_t>> frames;

  // The n bytes at pos; a failed reader when the file ends before them.
  TByteReader ReadAt(int64_t pos, int64_t n) {
    if (pos < 0 || pos + n > end_of_file) return TByteReader().Sub(1);
    s->SetPosition(pos);
    TByteReader r = TByteReader::FromStream(s, n);
    if (static_cast<int64_t>(r.Size()) < n) r.Skip(r.Size() + 1);
    return r;
  }

  // The chunks between Begin and End; every size is cut to End.
  void Walk(int64_t Begin, int64_t End, int Depth, bool Movi) {
    if (Depth > kMaxDepth) return;
    int64_t pos = Begin;
    while (pos + 8 <= End) {
      TByteReader header = ReadAt(pos, 8);
      FourCC h;
      header.Bytes(h.data(), h.size());
      const uint32_t stored_size = header.U32LE();
      if (header.Failed()) return;
      const int64_t data = pos + 8;
      const int64_t size = std::min<int64_t>(stored_size, End - data);
      // Chunks are padded to even lengths; the padding is not in the size.
      const int64_t next = data + size + (size & 1);
      FourCC type;
      if (Is(h, "LIST") && size >= 4 && ReadAt(data, 4).Bytes(type.data(), type.size())) {
        if (Is(type, "hdrl")) {
          Walk(data + 4, data + size, Depth + 1, false);
        } else if (Is(type, "strl")) {
          in_video_strl = false;
          Walk(data + 4, data + size, Depth + 1, false);
          in_video_strl = false;
        } else if (Is(type, "movi") || (Movi && Is(type, "rec "))) {
          Walk(data + 4, data + size, Depth + 1, true);
        }
      } else if (Movi) {
        if (video_stream >= 0 && h[0] == '0' + video_stream / 10 && h[1] == '0' + video_stream % 10 &&
            ((h[2] == 'd' && (h[3] == 'b' || h[3] == 'c'))) &&
            static_cast<int64_t>(frames.size()) < kMaxFrames)
          frames.emplace_back(data, size);
      } else if (Is(h, "strh")) {
        ++stream_count;
        // Only the first video stream counts, and only among the first
        // hundred: frame chunks name their stream with two digits.
        TByteReader sh = ReadAt(data, std::min<int64_t>(size, 36));
        FourCC kind;
        sh.Bytes(kind.data(), kind.size());
        sh.Skip(16);  // handler, flags, priority, language, initial frames
        const uint32_t stream_scale = sh.U32LE();
        const uint32_t stream_rate = sh.U32LE();
        if (size >= 36 && !sh.Failed() && Is(kind, "vids") && video_stream < 0 && stream_count <= 100) {
          video_stream = stream_count - 1;
          in_video_strl = true;
          scale = stream_scale;
          rate = stream_rate;
        }
      } else if (Is(h, "strf") && in_video_strl && strf.empty() && size >= 40) {
        // The bitmap header and at most a full palette behind it.
        strf.resize(static_cast<size_t>(std::min<int64_t>(size, 40 + 256 * 4)));
        if (!ReadAt(data, static_cast<int64_t>(strf.size())).Bytes(strf.data(), strf.size())) strf.clear();
      }
      pos = next;
    }
  }
};

}  // namespace

bool TIEAVIReader::Open(TStream* Stream) {
  *this = TIEAVIReader();
  stream_ = Stream;
  file_size_ = Stream->Size();
  Parser p(Stream, file_size_);
  TByteReader riff = p.ReadAt(0, 12);
  FourCC id, form;
  riff.Bytes(id.data(), id.size());
  const uint32_t riff_size = riff.U32LE();
  riff.Bytes(form.data(), form.size());
  if (riff.Failed() || !Is(id, "RIFF") || !Is(form, "AVI ")) {
    error_ = "not an AVI file";
    return false;
  }
  // A RIFF size beyond the file counts only as far as the file reaches.
  const int64_t riff_end = std::min<int64_t>(8 + int64_t{riff_size}, file_size_);
  p.Walk(12, riff_end, 0, false);
  if (p.video_stream < 0 || p.strf.size() < 40) {
    error_ = "no video stream";
    return false;
  }
  // The stream format is a bitmap information header (40 bytes at least,
  // checked above) and the palette.
  TByteReader bi(p.strf.data(), p.strf.size());
  const uint32_t header_size = std::max<uint32_t>(bi.U32LE(), 40);
  width_ = static_cast<int32_t>(bi.U32LE());
  const int32_t h_signed = static_cast<int32_t>(bi.U32LE());
  bi.Skip(2);  // planes
  bit_count_ = bi.U16LE();
  const uint32_t compression = bi.U32LE();
  compression_ = compression;
  bi.Skip(12);  // image size and resolution
  uint32_t colours = bi.U32LE();
  if (width_ <= 0 || h_signed == 0 || h_signed == INT32_MIN) {
    error_ = "bad frame size";
    return false;
  }
  top_down_ = h_signed < 0;
  height_ = top_down_ ? -h_signed : h_signed;
  rate_ = p.rate;
  scale_ = p.scale;
  if ((compression == 0 || compression == kDIB) &&
      (bit_count_ == 8 || bit_count_ == 16 || bit_count_ == 24 || bit_count_ == 32))
    codec_ = kRaw;
  else if (compression == 1 && bit_count_ == 8)
    codec_ = kRLE8;
  else if (compression == kMJPG)
    codec_ = kMJPEG;
  else if (IsDIBYUVCompression(compression))
    codec_ = kYUV;
  // The stream format is the frames' device-independent bitmap header.
  if (codec_ == kYUV) dib_header_.assign(p.strf.begin(), p.strf.begin() + std::min<size_t>(header_size, p.strf.size()));
  if (bit_count_ == 8) {
    if (colours == 0 || colours > 256) colours = 256;
    // A palette cut short by the chunk keeps the entries that are there.
    if (bi.Seek(std::min<size_t>(header_size, p.strf.size()))) {
      for (uint32_t i = 0; i < colours && bi.Has(4); ++i) {
        TRGB e;
        e.b = bi.U8();
        e.g = bi.U8();
        e.r = bi.U8();
        bi.Skip(1);
        palette_.push_back(e);
      }
    }
  }
  for (const auto& f : p.frames) frames_.push_back({f.first, f.second});
  return true;
}

int32_t TIEAVIReader::FrameDelay() const {
  if (rate_ == 0 || scale_ == 0) return 0;
  // A rate of one frame in years would not fit: the longest delay instead.
  const double delay = 1000.0 / (static_cast<double>(rate_) / scale_);
  return delay >= static_cast<double>(INT32_MAX) ? INT32_MAX : static_cast<int32_t>(delay);
}

bool TIEAVIReader::ReadChunkData(const Frame& F, std::vector<uint8_t>& Data) {
  if (F.offset < 0 || F.size < 0 || F.offset + F.size > file_size_) return false;
  Data.resize(static_cast<size_t>(F.size));
  stream_->SetPosition(F.offset);
  return formats::ReadExact(stream_, Data.data(), F.size);
}

bool TIEAVIReader::DecodeRaw(const std::vector<uint8_t>& Data, TIEBitmap* Bitmap) {
  const int64_t row = (int64_t{width_} * bit_count_ + 31) / 32 * 4;
  if (row * height_ > static_cast<int64_t>(Data.size())) return false;
  Bitmap->Allocate(width_, height_, ieRGB24);
  for (int32_t y = 0; y < height_; ++y) {
    const uint8_t* src = Data.data() + row * (top_down_ ? y : height_ - 1 - y);
    auto* dst = reinterpret_cast<TRGB*>(Bitmap->GetScanline(y));
    for (int32_t x = 0; x < width_; ++x) {
      switch (bit_count_) {
        case 8:
          dst[x] = src[x] < palette_.size() ? palette_[src[x]] : TRGB{0, 0, 0};
          break;
        case 16: {
          const uint16_t v = LoadLE16(src + 2 * x);
          auto five = [](int c) { return static_cast<uint8_t>(c << 3 | c >> 2); };
          dst[x] = TRGB{five(v & 31), five(v >> 5 & 31), five(v >> 10 & 31)};
          break;
        }
        case 24:
          dst[x] = TRGB{src[3 * x], src[3 * x + 1], src[3 * x + 2]};
          break;
        default:
          dst[x] = TRGB{src[4 * x], src[4 * x + 1], src[4 * x + 2]};
      }
    }
  }
  return true;
}

bool TIEAVIReader::ApplyRLE8(const std::vector<uint8_t>& d) {
  const int64_t w = width_, h = height_;
  int64_t x = 0, y = 0;
  size_t p = 0;
  auto put = [&](uint8_t v) {
    if (x >= 0 && x < w && y >= 0 && y < h) indexes_[static_cast<size_t>(y * w + x)] = v;
    ++x;
  };
  while (p + 1 < d.size()) {
    const uint8_t c = d[p], v = d[p + 1];
    p += 2;
    if (c > 0) {
      for (int k = 0; k < c; ++k) put(v);
    } else if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      break;
    } else if (v == 2) {
      if (p + 1 >= d.size()) break;
      x += d[p];
      y += d[p + 1];
      p += 2;
    } else {
      for (int k = 0; k < v && p < d.size(); ++k) put(d[p++]);
      if (v & 1) ++p;
    }
  }
  return true;
}

void TIEAVIReader::IndexesToBitmap(TIEBitmap* Bitmap) const {
  Bitmap->Allocate(width_, height_, ieRGB24);
  for (int32_t y = 0; y < height_; ++y) {
    // Run-length rows are stored bottom-up.
    const uint8_t* src = indexes_.data() + static_cast<size_t>(height_ - 1 - y) * width_;
    auto* dst = reinterpret_cast<TRGB*>(Bitmap->GetScanline(y));
    for (int32_t x = 0; x < width_; ++x)
      dst[x] = src[x] < palette_.size() ? palette_[src[x]] : TRGB{0, 0, 0};
  }
}

bool TIEAVIReader::ReadFrame(int32_t Index, TIEBitmap* Bitmap, TIOProgressRec& Progress) {
  error_.clear();
  if (Index < 0 || Index >= FrameCount()) {
    error_ = "no such frame";
    return false;
  }
  if (codec_ == kUnsupported) {
    error_ = "this video coding is not available";
    return false;
  }
  // Every frame costs at least one byte per row of the file's data, unless
  // it repeats the previous one.
  const bool holds = IEDataCanHold(IEImageBytes(width_, height_, ieRGB24, false), file_size_, 3 * 8 * 255);
  if (!IEClaimPlausible(Progress, width_, height_, ieRGB24, false, holds)) {
    error_ = "frame size not plausible";
    return false;
  }
  std::vector<uint8_t> data;
  if (codec_ == kRLE8) {
    if (decoded_ < 0 || Index < decoded_) {
      indexes_.assign(static_cast<size_t>(width_) * height_, 0);
      decoded_ = -1;
    }
    for (int32_t i = decoded_ + 1; i <= Index; ++i) {
      if (Progress.IsAborting()) return false;
      if (!ReadChunkData(frames_[i], data)) return false;
      ApplyRLE8(data);
      decoded_ = i;
    }
    IndexesToBitmap(Bitmap);
    return true;
  }
  // An empty chunk repeats the frame before it.
  int32_t i = Index;
  while (i > 0 && frames_[i].size == 0) --i;
  if (!ReadChunkData(frames_[i], data) || data.empty()) {
    error_ = "frame data missing";
    return false;
  }
  if (codec_ == kYUV) {
    // The frame's bytes are the rows of the bitmap its header describes,
    // drawn through the packed-bitmap conversion.
    TIEDibbitmap section;
    if (DIBToDibBitmap(dib_header_.data(), static_cast<int64_t>(dib_header_.size()), &section, data.data(),
                       static_cast<int64_t>(data.size())) == 0) {
      error_ = "frame data ends early";
      return false;
    }
    // A header that gives a packed format another bit count makes a
    // section of that depth; only its 24-bit rows are ours to copy.
    if (section.GetBitCount() != 24) {
      error_ = "frame format not supported";
      return false;
    }
    Bitmap->Allocate(section.GetWidth(), section.GetHeight(), ieRGB24);
    for (int32_t y = 0; y < section.GetHeight(); ++y)
      std::memcpy(Bitmap->GetScanline(y), section.GetScanline(y), static_cast<size_t>(section.GetWidth()) * 3);
    Bitmap->UnmapRows();
    return true;
  }
  if (codec_ == kRaw) {
    if (!DecodeRaw(data, Bitmap)) {
      error_ = "frame data ends early";
      return false;
    }
    return true;
  }
  const TIEFormatHandler* jpeg = FindFormatHandler(ieftJPEG);
  if (!jpeg || !jpeg->Read) {
    error_ = "no JPEG reader";
    return false;
  }
  TIEMemStream ms(data.data(), static_cast<int64_t>(data.size()));
  TIOParamsVals params(nullptr);
  std::unique_ptr<TIEMask> alpha;
  bool aborted = false;
  TIOProgressRec inner;
  inner.Aborting = &aborted;
  jpeg->Read(&ms, Bitmap, params, false, inner, alpha);
  if (aborted || Bitmap->Width() <= 0) {
    error_ = "bad JPEG frame";
    return false;
  }
  if (Bitmap->PixelFormat() != ieRGB24) Bitmap->SetPixelFormat(ieRGB24);
  return true;
}
