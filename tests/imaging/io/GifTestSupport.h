// Builds GIF files block by block for the tests (the image data through our
// encoder, or raw code bytes), and runs the reader on them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/GIF.h"
#include "imaging/io/formats/GIFLZW.h"
#include "imaging/model/IEStreams.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMask.h"
#include "rtl/TStream.h"

namespace gif {

struct Frame {
  int left = 0, top = 0, width = 1, height = 1;
  std::vector<uint32_t> local;  // 0xRRGGBB; empty: none
  bool interlaced = false;
  std::vector<uint8_t> indexes;  // row by row; encoded with `bits`
  int bits = 8;
  std::vector<uint8_t> data;     // raw image data (code size, sub-blocks) instead
  // Raw graphic control extension bytes (from the label on); empty: none.
  std::vector<uint8_t> control;
};

struct File {
  std::string version = "GIF89a";
  int width = 1, height = 1;
  std::vector<uint32_t> global;
  uint8_t background = 0;
  std::vector<std::vector<uint8_t>> before;  // raw blocks ahead of the first frame
  std::vector<Frame> frames;
  bool trailer = true;
};

// Codes least significant bit first, at the decoder's width, as a stream of
// sub-blocks behind the code-size byte.
struct CodeStream {
  int min_size, width = 0, next = 0, limit = 0;
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int nbits = 0;
  bool have_prev = false;
  explicit CodeStream(int s) : min_size(s) { Clear(); }
  void Raw(int code) {
    acc |= static_cast<uint32_t>(code) << nbits;
    nbits += width;
    while (nbits >= 8) {
      bytes.push_back(static_cast<uint8_t>(acc));
      acc >>= 8;
      nbits -= 8;
    }
  }
  void Clear() {
    if (!bytes.empty() || nbits) Raw(1 << min_size);
    width = min_size + 1;
    next = (1 << min_size) + 2;
    limit = 1 << width;
    have_prev = false;
  }
  // A literal; it adds a table entry as the decoder does.
  void Literal(int c) {
    Raw(c);
    if (have_prev && next < 4096) {
      ++next;
      if (next >= limit && width < 12) {
        ++width;
        limit <<= 1;
      }
    }
    have_prev = true;
  }
  std::vector<uint8_t> Data() {
    std::vector<uint8_t> b = bytes;
    if (nbits) b.push_back(static_cast<uint8_t>(acc));
    std::vector<uint8_t> out{static_cast<uint8_t>(min_size)};
    for (size_t i = 0; i < b.size(); i += 255) {
      const size_t n = std::min<size_t>(255, b.size() - i);
      out.push_back(static_cast<uint8_t>(n));
      out.insert(out.end(), b.begin() + static_cast<long>(i), b.begin() + static_cast<long>(i + n));
    }
    out.push_back(0);
    return out;
  }
};


// The indexes of the deferred-clear fixture's literals: 4091 of them, two
// bits each, in an irregular order so that every pair is told apart.
inline std::vector<uint8_t> DeferredClearLiterals() {
  std::vector<uint8_t> lit(4091);
  for (size_t i = 0; i < lit.size(); ++i) lit[i] = static_cast<uint8_t>((i * 7 + i / 5) % 4);
  return lit;
}

// Image data of 64 x 64 two-bit indexes whose encoder never clears: the
// literals fill the code table, then codes 6, 4095 and a literal 3 follow at
// 12 bits with the full table, and the end code.
inline std::vector<uint8_t> DeferredClearData() {
  CodeStream c(2);
  c.Raw(4);
  for (const uint8_t l : DeferredClearLiterals()) c.Literal(l);
  c.Raw(6);
  c.Raw(4095);
  c.Raw(3);
  c.Raw(5);
  return c.Data();
}

inline std::vector<uint8_t> Control(int disposal, int transparent, int delay = 0) {
  return {0xF9, 4,
          static_cast<uint8_t>(disposal << 2 | (transparent >= 0 ? 1 : 0)),
          static_cast<uint8_t>(delay), static_cast<uint8_t>(delay >> 8),
          static_cast<uint8_t>(transparent >= 0 ? transparent : 0), 0};
}

inline void Put16(std::vector<uint8_t>& v, int x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// The size code of a table and the table padded to a power of two.
inline uint8_t PutTable(std::vector<uint8_t>& v, const std::vector<uint32_t>& t) {
  int code = 0;
  while ((2u << code) < t.size()) ++code;
  for (size_t i = 0; i < (2u << code); ++i) {
    const uint32_t c = i < t.size() ? t[i] : 0;
    v.push_back(static_cast<uint8_t>(c >> 16));
    v.push_back(static_cast<uint8_t>(c >> 8));
    v.push_back(static_cast<uint8_t>(c));
  }
  return static_cast<uint8_t>(code);
}

inline std::vector<uint8_t> Encode(const std::vector<uint8_t>& idx, int w, int h, bool interlaced,
                                   int bits) {
  TMemoryStream s;
  GIFLZWEncode(&s, h, w, interlaced, idx.data(), bits);
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

inline std::vector<uint8_t> Build(const File& f) {
  std::vector<uint8_t> v(f.version.begin(), f.version.end());
  Put16(v, f.width);
  Put16(v, f.height);
  v.push_back(0);
  v.push_back(f.background);
  v.push_back(0);
  if (!f.global.empty()) v[10] = static_cast<uint8_t>(0x80 | PutTable(v, f.global));
  for (const auto& b : f.before) v.insert(v.end(), b.begin(), b.end());
  for (const Frame& fr : f.frames) {
    if (!fr.control.empty()) {
      v.push_back(0x21);
      v.insert(v.end(), fr.control.begin(), fr.control.end());
    }
    v.push_back(0x2C);
    Put16(v, fr.left);
    Put16(v, fr.top);
    Put16(v, fr.width);
    Put16(v, fr.height);
    const size_t flags = v.size();
    v.push_back(fr.interlaced ? 0x40 : 0);
    if (!fr.local.empty()) v[flags] |= static_cast<uint8_t>(0x80 | PutTable(v, fr.local));
    const auto data = fr.data.empty() ? Encode(fr.indexes, fr.width, fr.height, fr.interlaced, fr.bits)
                                      : fr.data;
    v.insert(v.end(), data.begin(), data.end());
  }
  if (f.trailer) v.push_back(0x3B);
  return v;
}

struct Result {
  std::unique_ptr<TIEBitmap> bitmap = std::make_unique<TIEBitmap>();
  std::unique_ptr<TIOParamsVals> params = std::make_unique<TIOParamsVals>(nullptr);
  std::unique_ptr<TIEMask> mask;
  int32_t frames = 0;
  bool aborted = false;
  TRGB At(int x, int y) { return bitmap->GetPixelRGB(x, y); }
};

inline Result Read(const std::vector<uint8_t>& bytes, int index = 0, bool params_only = false,
                   bool native = false) {
  Result r;
  r.params->GifImageIndex = index;
  r.params->IsNativePixelFormat = native;
  TIEMemStream s(bytes.data(), static_cast<int64_t>(bytes.size()));
  TIOProgressRec p;
  p.Aborting = &r.aborted;
  ReadGIFStream(&s, r.bitmap.get(), r.frames, false, r.mask, params_only, p, *r.params);
  return r;
}

inline std::vector<uint8_t> Write(TIEBitmap* image, TIOParamsVals& params, bool* aborted = nullptr) {
  TMemoryStream s;
  bool abort = false;
  TIOProgressRec p;
  p.Aborting = &abort;
  WriteGIFStream(&s, image, params, p);
  if (aborted) *aborted = abort;
  const auto* b = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(b, b + s.Size());
}

}  // namespace gif
