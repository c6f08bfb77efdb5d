#include "imaging/io/formats/GIFLZW.h"

#include <vector>

#include "rtl/TStream.h"

TGIFLZWDecompressProc DefaultGIFLZWDecompress = GIFLZWDecode;
TGIFLZWCompressProc DefaultGIFLZWCompress = GIFLZWEncode;

namespace {

constexpr int32_t kMaxCodeBits = 12;
constexpr int32_t kTableSize = 1 << kMaxCodeBits;  // 4096 codes

// Where the decoded indexes go: rows in file order, or the four interlace
// passes (rows 0, 8, ...; 4, 12, ...; 2, 6, ...; 1, 3, ...). Indexes past
// the last pixel are dropped.
class RowWriter {
 public:
  RowWriter(uint8_t* data, int32_t width, int32_t height, bool interlaced)
      : data_(data), width_(width), height_(height), interlaced_(interlaced),
        left_(static_cast<int64_t>(width) * height) {}

  void Put(uint8_t b) {
    if (left_ <= 0) return;
    if (row_ < height_) data_[static_cast<int64_t>(row_) * width_ + col_] = b;
    --left_;
    if (++col_ < width_) return;
    col_ = 0;
    if (!interlaced_) {
      ++row_;
      return;
    }
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) {
      ++pass_;
      row_ = kStart[pass_];
    }
  }

 private:
  static constexpr int32_t kStart[4] = {0, 4, 2, 1};
  static constexpr int32_t kStep[4] = {8, 8, 4, 2};
  uint8_t* data_;
  int32_t width_, height_;
  bool interlaced_;
  int64_t left_;
  int32_t col_ = 0, row_ = 0, pass_ = 0;
};

// Codes least significant bit first from the gathered sub-block bytes.
class CodeReader {
 public:
  explicit CodeReader(const std::vector<uint8_t>& d) : d_(d) {}
  bool Read(int32_t width, int32_t& code) {
    if (bit_ + width > static_cast<int64_t>(d_.size()) * 8) return false;
    code = 0;
    for (int32_t i = 0; i < width; ++i, ++bit_)
      code |= (d_[static_cast<size_t>(bit_ >> 3)] >> (bit_ & 7) & 1) << i;
    return true;
  }
  // Whole data bytes not yet touched by a code.
  bool BytesRemain() const { return (bit_ + 7) / 8 < static_cast<int64_t>(d_.size()); }

 private:
  const std::vector<uint8_t>& d_;
  int64_t bit_ = 0;
};

}  // namespace

void GIFLZWDecode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced, uint8_t* Data) {
  const int64_t start = Stream->Position();
  auto fail = [&] { Stream->SetPosition(start); };
  uint8_t min_size = 0;
  if (Stream->Read(&min_size, 1) != 1 || min_size < 2 || min_size > 9) return fail();

  std::vector<uint8_t> buf;
  for (;;) {
    uint8_t n = 0;
    if (Stream->Read(&n, 1) != 1 || n == 0) break;
    const size_t old = buf.size();
    buf.resize(old + n);
    const int64_t got = Stream->Read(buf.data() + old, n);
    if (got < n) {
      buf.resize(old + static_cast<size_t>(got > 0 ? got : 0));
      break;
    }
  }
  if (buf.empty()) return;

  const int32_t clear = 1 << min_size, end = clear + 1;
  std::vector<int16_t> prefix(kTableSize, -1);
  std::vector<uint8_t> suffix(kTableSize, 0);
  for (int32_t i = 0; i < clear; ++i) suffix[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
  std::vector<uint8_t> stack(kTableSize);
  RowWriter out(Data, Width, Height, Interlaced);
  CodeReader codes(buf);

  int32_t width = min_size + 1, next = end + 1, limit = 1 << width, prev = -1;
  bool full = false;
  // Writes the string of a code; returns its first byte.
  auto emit = [&](int32_t code) {
    int32_t sp = 0;
    while (code >= clear) {
      stack[static_cast<size_t>(sp++)] = suffix[static_cast<size_t>(code)];
      code = prefix[static_cast<size_t>(code)];
    }
    const auto first = static_cast<uint8_t>(code);
    stack[static_cast<size_t>(sp++)] = first;
    while (sp > 0) out.Put(stack[static_cast<size_t>(--sp)]);
    return first;
  };
  // Adds an entry; false when the table filled up at the widest codes.
  auto add = [&](int32_t pfx, uint8_t sfx) {
    prefix[static_cast<size_t>(next)] = static_cast<int16_t>(pfx);
    suffix[static_cast<size_t>(next)] = sfx;
    ++next;
    if (next >= limit) {
      if (width < kMaxCodeBits) {
        ++width;
        limit <<= 1;
      } else {
        full = true;
      }
    }
  };

  int32_t code = 0;
  while (codes.Read(width, code)) {
    if (code == end) return;
    if (code == clear) {
      width = min_size + 1;
      next = end + 1;
      limit = 1 << width;
      full = false;
      do {
        if (!codes.Read(width, code)) return;
      } while (code == clear);
      if (code == end) {
        if (codes.BytesRemain()) fail();
        return;
      }
      if (code >= next) code = 0;
      emit(code);
      prev = code;
      continue;
    }
    // A full table at the widest codes stays as it is until a clear code
    // comes: encoders may defer the clear, and every code then names an
    // existing string, which adds nothing.
    if (full) {
      emit(code);
      prev = code;
      continue;
    }
    if (code < next) {
      const uint8_t first = emit(code);
      if (prev >= 0) add(prev, first);
      prev = code;
    } else if (code == next && prev >= 0) {
      // The code being defined: the previous string and its own first byte.
      int32_t c = prev;
      while (c >= clear) c = prefix[static_cast<size_t>(c)];
      add(prev, static_cast<uint8_t>(c));
      emit(code);
      prev = code;
    } else {
      return fail();
    }
  }
}

// ---- encoder

namespace {

constexpr int32_t kHashSize = 5003;  // a prime a little above 4096 x 1.2

class CodeWriter {
 public:
  CodeWriter(TStream* s, int32_t init_bits) : s_(s), init_bits_(init_bits), bits_(init_bits) {}

  void Write(int32_t code, int32_t free_code, bool reset_width, bool last) {
    accum_ |= static_cast<uint32_t>(code) << nbits_;
    nbits_ += bits_;
    while (nbits_ >= 8) {
      Byte(static_cast<uint8_t>(accum_));
      accum_ >>= 8;
      nbits_ -= 8;
    }
    if (reset_width) {
      bits_ = init_bits_;
    } else if (free_code > MaxCode()) {
      ++bits_;
    }
    if (last) {
      if (nbits_ > 0) Byte(static_cast<uint8_t>(accum_));
      accum_ = 0;
      nbits_ = 0;
      Flush();
    }
  }

 private:
  int32_t MaxCode() const { return bits_ == kMaxCodeBits ? kTableSize : (1 << bits_) - 1; }
  void Byte(uint8_t b) {
    block_[count_++] = b;
    if (count_ == 254) Flush();
  }
  void Flush() {
    if (count_ == 0) return;
    const auto n = static_cast<uint8_t>(count_);
    s_->WriteBuffer(&n, 1);
    s_->WriteBuffer(block_, count_);
    count_ = 0;
  }
  TStream* s_;
  int32_t init_bits_, bits_;
  uint32_t accum_ = 0;
  int32_t nbits_ = 0;
  uint8_t block_[254] = {};
  int32_t count_ = 0;
};

}  // namespace

void GIFLZWEncode(TStream* Stream, int32_t Height, int32_t Width, bool Interlaced,
                  const uint8_t* Data, int32_t BitsPerPixel) {
  const int32_t size = BitsPerPixel <= 1 ? 2 : BitsPerPixel;
  const auto size_byte = static_cast<uint8_t>(size);
  Stream->WriteBuffer(&size_byte, 1);
  const int32_t clear = 1 << size, end = clear + 1;
  int32_t free_code = clear + 2;

  // The pixel order: rows in order, or the four interlace passes.
  std::vector<int32_t> rows;
  rows.reserve(static_cast<size_t>(Height));
  if (Interlaced) {
    static constexpr int32_t kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int32_t p = 0; p < 4; ++p)
      for (int32_t r = kStart[p]; r < Height; r += kStep[p]) rows.push_back(r);
  } else {
    for (int32_t r = 0; r < Height; ++r) rows.push_back(r);
  }

  std::vector<int32_t> hash(kHashSize, -1), code_of(kHashSize, 0);
  CodeWriter out(Stream, size + 1);
  out.Write(clear, free_code, true, false);
  if (Width <= 0 || rows.empty()) {
    out.Write(end, free_code, false, true);
  } else {
    bool started = false;
    int32_t ent = 0;
    for (const int32_t r : rows) {
      const uint8_t* row = Data + static_cast<int64_t>(r) * Width;
      for (int32_t x = 0; x < Width; ++x) {
        const int32_t c = row[x];
        if (!started) {
          ent = c;
          started = true;
          continue;
        }
        const int32_t key = (c << kMaxCodeBits) + ent;
        int32_t i = (c << 4) ^ ent;
        if (hash[static_cast<size_t>(i)] == key) {
          ent = code_of[static_cast<size_t>(i)];
          continue;
        }
        bool hit = false;
        if (hash[static_cast<size_t>(i)] >= 0) {
          const int32_t disp = i == 0 ? 1 : kHashSize - i;
          do {
            i -= disp;
            if (i < 0) i += kHashSize;
            if (hash[static_cast<size_t>(i)] == key) {
              ent = code_of[static_cast<size_t>(i)];
              hit = true;
              break;
            }
          } while (hash[static_cast<size_t>(i)] > 0);
        }
        if (hit) continue;
        out.Write(ent, free_code, false, false);
        ent = c;
        if (free_code < kTableSize) {
          code_of[static_cast<size_t>(i)] = free_code++;
          hash[static_cast<size_t>(i)] = key;
        } else {
          std::fill(hash.begin(), hash.end(), -1);
          free_code = clear + 2;
          out.Write(clear, free_code, true, false);
        }
      }
    }
    out.Write(ent, free_code, false, false);
    out.Write(end, free_code, false, true);
  }
  const uint8_t zero = 0;
  Stream->WriteBuffer(&zero, 1);
}
