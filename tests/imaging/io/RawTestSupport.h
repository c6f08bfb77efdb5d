// Helpers of the camera-RAW tests: files built byte by byte, a decoding
// context over such a file, and the test side's encoders: a bit writer
// (most significant bit first, optionally stuffing a zero after 0xFF),
// canonical Huffman codes from a JPEG-style code table, and the
// packings of the loaders.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/raw/RawContext.h"
#include "imaging/model/IEStreams.h"
#include "rtl/TStream.h"

namespace rawtest {

// A file under construction; writes past the end grow it.
struct File {
  std::vector<uint8_t> b;
  bool big = false;  // byte order of the multi-byte writes

  explicit File(size_t size = 0, bool bigEndian = false) : b(size, 0), big(bigEndian) {}
  void Grow(size_t end) {
    if (b.size() < end) b.resize(end, 0);
  }
  void U8(size_t at, uint8_t v) {
    Grow(at + 1);
    b[at] = v;
  }
  void U16(size_t at, uint16_t v) {
    Grow(at + 2);
    if (big) {
      b[at] = static_cast<uint8_t>(v >> 8);
      b[at + 1] = static_cast<uint8_t>(v);
    } else {
      b[at] = static_cast<uint8_t>(v);
      b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
  }
  void U32(size_t at, uint32_t v) {
    Grow(at + 4);
    for (int i = 0; i < 4; ++i)
      b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(big ? v >> (24 - 8 * i) : v >> (8 * i));
  }
  void Text(size_t at, const std::string& s, bool zero = true) {
    Grow(at + s.size() + (zero ? 1 : 0));
    std::memcpy(&b[at], s.data(), s.size());
    if (zero) b[at + s.size()] = 0;
  }
  void Bytes(size_t at, const std::vector<uint8_t>& v) {
    Grow(at + v.size());
    std::memcpy(&b[at], v.data(), v.size());
  }
  size_t Size() const { return b.size(); }
};

struct Entry {
  uint16_t tag, type;
  uint32_t count, value;
};

// A directory at At: the entries, then the next directory's offset.
inline void Ifd(File& f, size_t at, const std::vector<Entry>& entries, uint32_t next = 0) {
  f.U16(at, static_cast<uint16_t>(entries.size()));
  size_t p = at + 2;
  for (const Entry& e : entries) {
    f.U16(p, e.tag);
    f.U16(p + 2, e.type);
    f.U32(p + 4, e.count);
    if (e.type == 3 && e.count < 3)
      f.U16(p + 8, static_cast<uint16_t>(e.value));
    else
      f.U32(p + 8, e.value);
    p += 12;
  }
  f.U32(p, next);
}

// A TIFF header at Base with its first directory at Base + 8.
inline void TiffHeader(File& f, size_t base) {
  f.Text(base, f.big ? "MM" : "II", false);
  f.U16(base + 2, 42);
  f.U32(base + 4, 8);
}

// A memory stream holding a copy of the bytes.
inline std::unique_ptr<TMemoryStream> Stream(const std::vector<uint8_t>& bytes) {
  auto s = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) s->WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  s->SetPosition(0);
  return s;
}

// A decoding context over a file, with a working image of Height x Width.
struct Decoding {
  std::unique_ptr<TMemoryStream> stream;
  std::unique_ptr<TIERawContext> ctx = std::make_unique<TIERawContext>();

  explicit Decoding(const std::vector<uint8_t>& bytes) : stream(Stream(bytes)) {
    ctx->Stream = stream.get();
    ctx->StreamSize = static_cast<int64_t>(bytes.size());
  }
  // Sets the active area (and the raw size when not given) and allocates
  // the working image.
  void Geometry(int32_t height, int32_t width, int32_t rawHeight = 0, int32_t rawWidth = 0) {
    ctx->Height = height;
    ctx->Width = width;
    ctx->RawHeight = rawHeight ? rawHeight : height;
    ctx->RawWidth = rawWidth ? rawWidth : width;
    ctx->IHeight = height;
    ctx->IWidth = width;
    ctx->Image.assign(static_cast<size_t>(height) * static_cast<size_t>(width), {0, 0, 0, 0});
  }
  void Run(TIERawLoader loader, int64_t at) {
    ctx->DataOffset = at;
    RawSeek(*ctx, at);
    loader(*ctx);
  }
  uint16_t At(int32_t row, int32_t col) { return MosaicSample(*ctx, row, col); }
};

// Bits most significant first. With Stuff, every 0xFF byte is followed by a
// zero byte, as the decoder's ZeroAfterFF expects.
struct BitWriter {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int n = 0;
  bool stuff = false;

  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) {
      acc = (acc << 1) | ((value >> i) & 1);
      if (++n == 8) Emit();
    }
  }
  void Emit() {
    const uint8_t byte = static_cast<uint8_t>(acc);
    out.push_back(byte);
    if (stuff && byte == 0xFF) out.push_back(0);
    acc = 0;
    n = 0;
  }
  // Pads the last byte with zero bits; Extra zero bytes follow, so that the
  // decoder's read-ahead finds data.
  std::vector<uint8_t> Finish(size_t extra = 8) {
    if (n) Put(0, 8 - n);
    out.insert(out.end(), extra, 0);
    return out;
  }
};

// Canonical codes of a code table: 16 counts, then the symbols.
struct HuffCode {
  uint32_t code;
  int length;
};
inline std::map<int, HuffCode> CanonicalCodes(const uint8_t* spec, size_t specLength) {
  std::map<int, HuffCode> codes;
  uint32_t code = 0;
  size_t k = 16;
  for (int len = 1; len <= 16; ++len) {
    for (int i = 0; i < spec[len - 1]; ++i, ++code) {
      const int symbol = k < specLength ? spec[k] : 0;
      ++k;
      if (!codes.count(symbol)) codes[symbol] = {code, len};
    }
    code <<= 1;
  }
  return codes;
}

// The category of a difference and its bits as coded (negative values as
// v + 2^L - 1).
inline int Category(int32_t v) {
  int l = 0;
  for (uint32_t a = static_cast<uint32_t>(v < 0 ? -v : v); a; a >>= 1) ++l;
  return l;
}
inline uint32_t DiffBits(int32_t v, int l) {
  return static_cast<uint32_t>(v < 0 ? v + (1 << l) - 1 : v);
}
// A difference coded with its category symbol from Codes.
inline void PutDiff(BitWriter& w, const std::map<int, HuffCode>& codes, int32_t v) {
  const int l = Category(v);
  const HuffCode& c = codes.at(l);
  w.Put(c.code, c.length);
  if (l) w.Put(DiffBits(v, l), l);
}

// A repeatable pseudo-random sequence.
struct Lcg {
  uint32_t s;
  explicit Lcg(uint32_t seed) : s(seed) {}
  uint32_t Next() { return s = s * 1103515245u + 12345u; }
  uint32_t Below(uint32_t n) { return (Next() >> 8) % n; }
};

}  // namespace rawtest
