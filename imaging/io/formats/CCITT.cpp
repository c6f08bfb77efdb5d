#include "imaging/io/formats/CCITT.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/formats/CCITTTables.h"
#include "imaging/model/IEStreams.h"

namespace {

enum class Kind : uint8_t { None, Terminating, MakeUp, Prefix, EOL };

struct Code {
  Kind kind = Kind::None;
  int32_t run = 0;
  int32_t length = 0;
};

int32_t BitsOf(const char* s) { return static_cast<int32_t>(std::strlen(s)); }
uint32_t ValueOf(const char* s) {
  uint32_t v = 0;
  for (; *s; ++s) v = v << 1 | static_cast<uint32_t>(*s == '1');
  return v;
}

// Lookup of the top 13 bits of the coded data (every code up to the
// extended make-up codes fits in them), and of the top 12 bits for the
// extended make-up codes, which begin with seven zeros.
struct Tables {
  struct Entry {
    int16_t run = 0;
    uint8_t length = 0;
    Kind kind = Kind::None;
  };
  Entry colour[2][1 << 13];
  Entry extended[1 << 12];
  Tables() {
    const TCCITTCode* sets[2] = {kCCITTWhiteCodes, kCCITTBlackCodes};
    for (int c = 0; c < 2; ++c)
      for (int i = 0; i < 91; ++i) {
        const int32_t n = BitsOf(sets[c][i].Bits);
        const uint32_t v = ValueOf(sets[c][i].Bits) << (13 - n);
        for (uint32_t k = 0; k < (1u << (13 - n)); ++k)
          colour[c][v | k] = {static_cast<int16_t>(sets[c][i].Run), static_cast<uint8_t>(n),
                              i < 64 ? Kind::Terminating : Kind::MakeUp};
      }
    for (const TCCITTCode& e : kCCITTExtendedCodes) {
      const int32_t n = BitsOf(e.Bits);
      const uint32_t v = ValueOf(e.Bits) << (12 - n);
      for (uint32_t k = 0; k < (1u << (12 - n)); ++k)
        extended[v | k] = {static_cast<int16_t>(e.Run), static_cast<uint8_t>(n), Kind::MakeUp};
    }
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

uint8_t Reverse(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

struct BitReader {
  const uint8_t* data;
  int64_t size;
  bool reversed;
  int64_t pos;

  int64_t Left() const { return size * 8 - pos; }
  uint8_t Byte(int64_t i) const {
    if (i < 0 || i >= size) return 0;
    return reversed ? Reverse(data[i]) : data[i];
  }
  // 32 bits from the position, zeros beyond the data.
  uint32_t Peek() const {
    const int64_t at = pos >> 3;
    uint64_t w = 0;
    for (int64_t k = 0; k < 5; ++k) w = w << 8 | Byte(at + k);
    return static_cast<uint32_t>(w >> (8 - (pos & 7)));
  }
  int32_t Bit() {
    const int32_t b = (Byte(pos >> 3) >> (7 - (pos & 7))) & 1;
    ++pos;
    return b;
  }
};

int32_t LeadingZeros(uint32_t w) { return w == 0 ? 32 : __builtin_clz(w); }

// The next run code of the colour (0 white, 1 black) at the reader's
// position, not consumed.
Code NextRunCode(const BitReader& r, int32_t colour) {
  if (r.Left() <= 0) return {Kind::EOL, 0, 0};
  const uint32_t w = r.Peek();
  const int32_t z = LeadingZeros(w);
  Code c;
  if (z >= 11 && z <= 31) {
    c = {Kind::EOL, 0, z + 1};
  } else if (z >= 8 && z <= 10) {
    c = {Kind::Prefix, 0, z + 1};
  } else if (z == 7) {
    const Tables::Entry& e = T().extended[w >> 20];
    c = {e.kind, e.run, e.length};
  } else if (z < 7) {
    const Tables::Entry& e = T().colour[colour][w >> 19];
    c = {e.kind, e.run, e.length};
  }
  if (c.kind != Kind::None && c.length > r.Left()) return {Kind::EOL, 0, 0};
  return c;
}

void PaintBlack(uint8_t* row, int32_t width, int64_t from, int64_t to) {
  from = std::max<int64_t>(from, 0);
  to = std::min<int64_t>(to, width);
  for (int64_t x = from; x < to;) {
    if ((x & 7) == 0 && x + 8 <= to) {
      row[x >> 3] = 0;
      x += 8;
    } else {
      row[x >> 3] = static_cast<uint8_t>(row[x >> 3] & ~(0x80 >> (x & 7)));
      ++x;
    }
  }
}

void White(uint8_t* row, int32_t width) { std::memset(row, 0xFF, static_cast<size_t>((width + 7) / 8)); }

int64_t Decode1D(uint8_t* row, BitReader& r, int32_t width) {
  White(row, width);
  int32_t colour = 0;
  int64_t col = 0;
  int64_t start = r.pos;
  bool makeup = false;
  while (col < width || makeup) {
    if (r.Left() <= 0) {
      if (r.pos != start && colour == 1) PaintBlack(row, width, col, width);
      break;
    }
    const Code c = NextRunCode(r, colour);
    if (c.kind == Kind::None) {
      if (r.pos == start) ++start;
      ++r.pos;
      continue;
    }
    if (c.kind == Kind::EOL) {
      if (r.pos == start && c.length > 0) {
        r.pos += c.length;
        start = r.pos;
        continue;
      }
      if (colour == 1) PaintBlack(row, width, col, width);
      break;
    }
    r.pos += c.length;
    if (c.kind == Kind::Prefix) continue;
    if (colour == 1) PaintBlack(row, width, col, col + c.run);
    col = std::min<int64_t>(col + c.run, int64_t{width} + 2560);
    makeup = c.kind == Kind::MakeUp;
    if (!makeup) colour ^= 1;
  }
  return r.pos;
}

// Positions where a row (1 = white here) changes colour, starting from white
// before its first pixel, with two sentinels at Width.
void Changes(const uint8_t* row, int32_t width, std::vector<int32_t>& out, bool one_is_black) {
  out.clear();
  int32_t colour = 0;  // 0 white
  for (int32_t x = 0; x < width;) {
    const uint8_t byte = one_is_black ? row[x >> 3] : static_cast<uint8_t>(~row[x >> 3]);
    // Whole bytes of the current colour are skipped at once.
    if ((x & 7) == 0 && x + 8 <= width && byte == (colour ? 0xFF : 0x00)) {
      x += 8;
      continue;
    }
    const int32_t pixel = (byte >> (7 - (x & 7))) & 1;
    if (pixel != colour) {
      out.push_back(x);
      colour = pixel;
    }
    ++x;
  }
  out.push_back(width);
  out.push_back(width);
}

// b1 and b2 for a0 and its colour on the reference changes.
void FindB(const std::vector<int32_t>& ref, int64_t a0, int32_t colour, int32_t& b1, int32_t& b2) {
  size_t i = static_cast<size_t>(std::upper_bound(ref.begin(), ref.end(), a0) - ref.begin());
  // Even changes turn to black: they are the b1 of a white a0.
  if (i < ref.size() && static_cast<int32_t>(i & 1) != colour) ++i;
  const int32_t width = ref.back();
  b1 = i < ref.size() ? ref[i] : width;
  b2 = i + 1 < ref.size() ? ref[i + 1] : width;
}

// One run of the colour: make-up codes, then a terminating code. False at an
// EOL, a prefix or an unknown code (left unconsumed).
bool ReadRun(BitReader& r, int32_t colour, int64_t& run) {
  run = 0;
  for (;;) {
    const Code c = NextRunCode(r, colour);
    if (c.kind != Kind::Terminating && c.kind != Kind::MakeUp) return false;
    r.pos += c.length;
    run += c.run;
    if (c.kind == Kind::Terminating) return true;
  }
}

enum class Mode { None, Pass, Horizontal, V0, VR1, VR2, VR3, VL1, VL2, VL3, Extension, EOL };

Mode NextMode(const BitReader& r, int32_t& length) {
  const uint32_t w = r.Peek();
  const int32_t z = LeadingZeros(w);
  if (z >= 11 && z <= 31) {
    length = z + 1;
    return Mode::EOL;
  }
  struct M {
    const char* bits;
    Mode mode;
  };
  static const M kModes[] = {{"1", Mode::V0},           {"011", Mode::VR1},        {"010", Mode::VL1},
                             {"001", Mode::Horizontal}, {"0001", Mode::Pass},      {"000011", Mode::VR2},
                             {"000010", Mode::VL2},     {"0000011", Mode::VR3},    {"0000010", Mode::VL3},
                             {"0000001111", Mode::Extension}, {"000000001111", Mode::Extension}};
  for (const M& m : kModes) {
    const int32_t n = BitsOf(m.bits);
    if ((w >> (32 - n)) == ValueOf(m.bits)) {
      length = n;
      return n <= r.Left() ? m.mode : Mode::EOL;
    }
  }
  length = 0;
  return Mode::None;
}

}  // namespace

int64_t CCITTDecodeRow1D(uint8_t* Row, const uint8_t* Data, int64_t Size, int32_t FillOrder,
                         int64_t BitPos, int32_t Width) {
  BitReader r{Data, Size, FillOrder == 2, BitPos};
  return Decode1D(Row, r, Width);
}

int64_t CCITTDecodeHuffmanRow(uint8_t* Row, const uint8_t* Data, int64_t Size, int32_t FillOrder,
                              int32_t Width) {
  BitReader r{Data, Size, FillOrder == 2, 0};
  return (Decode1D(Row, r, Width) + 7) / 8;
}

int64_t CCITTDecodeRow2D(uint8_t* Row, const uint8_t* Data, int64_t Size, bool EOLMode,
                         int32_t FillOrder, int64_t BitPos, uint8_t* RefRow, int32_t Width) {
  BitReader r{Data, Size, FillOrder == 2, BitPos};
  const size_t bytes = static_cast<size_t>((Width + 7) / 8);
  White(Row, Width);
  std::vector<int32_t> ref;
  Changes(RefRow, Width, ref, false);
  int64_t a0 = -1;
  int32_t colour = 0;
  int64_t start = r.pos;
  auto finish = [&] {
    std::memcpy(RefRow, Row, bytes);
    return r.pos;
  };
  // At the start of a row: an EOL and, in Group 3, its tag bit; true when
  // the row is one-dimensional and has been decoded.
  auto row_start_eol = [&](int32_t length) {
    r.pos += length;
    if (EOLMode && r.Left() > 0) {
      if (r.Bit() == 1) {
        Decode1D(Row, r, Width);
        return true;
      }
    }
    start = r.pos;
    return false;
  };
  while (a0 < Width && r.Left() > 0) {
    int32_t length = 0;
    const Mode m = NextMode(r, length);
    if (m == Mode::EOL || (m == Mode::None && EOLMode)) {
      if (r.pos == start) {
        if (m == Mode::None) {
          // Zeros that start an EOL: skipped up to and including the next 1.
          while (r.Left() > 0 && r.Bit() == 0) {
          }
          length = 0;
        }
        if (length == 0 && r.Left() <= 0) break;
        if (row_start_eol(length)) return finish();
        continue;
      }
      if (colour == 1) PaintBlack(Row, Width, a0, Width);
      break;
    }
    if (m == Mode::None) {
      r.pos += 12;
      continue;
    }
    r.pos += length;
    int32_t b1, b2;
    FindB(ref, a0, colour, b1, b2);
    const int64_t from = std::max<int64_t>(a0, 0);
    switch (m) {
      case Mode::Pass:
        if (colour == 1) PaintBlack(Row, Width, from, b2);
        a0 = b2;
        break;
      case Mode::Horizontal: {
        int64_t r1, r2;
        if (!ReadRun(r, colour, r1) || !ReadRun(r, colour ^ 1, r2)) break;
        if (colour == 1) PaintBlack(Row, Width, from, from + r1);
        else PaintBlack(Row, Width, from + r1, from + r1 + r2);
        a0 = std::min<int64_t>(from + r1 + r2, int64_t{Width} + 1);
        break;
      }
      case Mode::Extension: {
        // Uncompressed mode: code words of k bits ending in a 1.
        int64_t col = from;
        for (;;) {
          if (col >= Width || r.Left() <= 0) break;
          int32_t k = 1;
          while (r.Left() > 0 && r.Bit() == 0) ++k;
          if (k <= 5) {
            PaintBlack(Row, Width, col + k - 1, col + k);
            col += k;
          } else if (k == 6) {
            col += 5;
          } else {
            col += k - 7;
            colour = r.Left() > 0 ? r.Bit() : 0;
            break;
          }
        }
        a0 = col;
        break;
      }
      default: {
        static const int32_t kOffset[] = {0, 0, 0, 0, 1, 2, 3, -1, -2, -3};
        const int64_t a1 = int64_t{b1} + kOffset[static_cast<int>(m)];
        if (colour == 1) PaintBlack(Row, Width, from, a1);
        a0 = a1;
        colour ^= 1;
        break;
      }
    }
  }
  return finish();
}

namespace {

struct BitWriter {
  std::vector<uint8_t> out;
  int32_t pending;
  uint8_t byte;
  bool lsb_first;

  void Put(uint32_t bits, int32_t n) {
    for (int32_t k = n - 1; k >= 0; --k) {
      const uint32_t b = bits >> k & 1;
      if (b) byte = static_cast<uint8_t>(byte | (lsb_first ? 1 << pending : 0x80 >> pending));
      if (++pending == 8) {
        out.push_back(byte);
        byte = 0;
        pending = 0;
      }
    }
  }
  void Put(const char* s) { Put(ValueOf(s), BitsOf(s)); }
  void PadToByte() {
    if (pending) {
      out.push_back(byte);
      byte = 0;
      pending = 0;
    }
  }
  void Run(int64_t run, int32_t colour) {
    const TCCITTCode* set = colour ? kCCITTBlackCodes : kCCITTWhiteCodes;
    while (run > 2560) {
      Put(kCCITTExtendedCodes[12].Bits);
      run -= 2560;
    }
    if (run >= 64) {
      const int64_t m = run / 64;
      Put(m <= 27 ? set[63 + m].Bits : kCCITTExtendedCodes[m - 28].Bits);
      run -= m * 64;
    }
    Put(set[run].Bits);
  }
  void Write(TStream* s, bool& abort) {
    if (!out.empty()) SafeStreamWrite(s, abort, out.data(), static_cast<int64_t>(out.size()));
    out.clear();
  }
};

constexpr const char* kEOL = "000000000001";

void Encode1D(BitWriter& w, const uint8_t* row, int32_t width) {
  std::vector<int32_t> ch;
  Changes(row, width, ch, true);
  int64_t at = 0;
  int32_t colour = 0;
  for (int32_t c : ch) {
    w.Run(std::min(c, width) - at, colour);
    at = std::min(c, width);
    colour ^= 1;
    if (at >= width) break;
  }
  // A row that ends in the colour of an odd run count needs no closing run;
  // one whose last change was to the other colour gets it above.
}

void Encode2D(BitWriter& w, const uint8_t* row, const uint8_t* ref_row, int32_t width) {
  std::vector<int32_t> cur, ref;
  Changes(row, width, cur, true);
  if (ref_row) Changes(ref_row, width, ref, true);
  else ref = {width, width};
  int64_t a0 = -1;
  int32_t colour = 0;
  while (a0 < width) {
    // a1: the next change on the coding row after a0, a2 the one after it.
    const size_t i = static_cast<size_t>(std::upper_bound(cur.begin(), cur.end(), a0) - cur.begin());
    const int32_t a1 = i < cur.size() ? cur[i] : width;
    const int32_t a2 = i + 1 < cur.size() ? cur[i + 1] : width;
    int32_t b1, b2;
    FindB(ref, a0, colour, b1, b2);
    if (b2 < a1) {
      w.Put("0001");
      a0 = b2;
    } else if (std::abs(a1 - b1) <= 3) {
      static const char* const kV[] = {"0000010", "000010", "010", "1", "011", "000011", "0000011"};
      w.Put(kV[a1 - b1 + 3]);
      a0 = a1;
      colour ^= 1;
    } else {
      const int64_t from = std::max<int64_t>(a0, 0);
      w.Put("001");
      w.Run(a1 - from, colour);
      w.Run(a2 - a1, colour ^ 1);
      a0 = a2;
    }
  }
}

}  // namespace

void CCITTEncodeHuffmanRow(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                           bool& Abort) {
  BitWriter w{{}, 0, 0, FillOrder == 2};
  Encode1D(w, Row, Width);
  w.PadToByte();
  w.Write(Stream, Abort);
}

void CCITTEncodeG3Row1D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                        bool& Abort, int32_t& Pending, uint8_t& PendingByte) {
  BitWriter w{{}, Pending, PendingByte, FillOrder == 2};
  Encode1D(w, Row, Width);
  w.Write(Stream, Abort);
  Pending = w.pending;
  PendingByte = w.byte;
}

void CCITTEncodeG3Row2D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                        bool& Abort, std::vector<uint8_t>& RefRow, int32_t& Pending,
                        uint8_t& PendingByte) {
  BitWriter w{{}, Pending, PendingByte, FillOrder == 2};
  w.Put(kEOL);
  if (!Row) {
    RefRow.clear();
  } else if (RefRow.empty()) {
    w.Put(1, 1);
    Encode1D(w, Row, Width);
    RefRow.assign(Row, Row + (Width + 7) / 8);
  } else {
    w.Put(0, 1);
    Encode2D(w, Row, RefRow.data(), Width);
    RefRow.assign(Row, Row + (Width + 7) / 8);
  }
  w.Write(Stream, Abort);
  Pending = w.pending;
  PendingByte = w.byte;
}

void CCITTEncodeG4Row(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                      bool& Abort, std::vector<uint8_t>& RefRow, int32_t& Pending,
                      uint8_t& PendingByte) {
  BitWriter w{{}, Pending, PendingByte, FillOrder == 2};
  if (!Row) {
    w.Put(kEOL);
    w.Put(kEOL);
    w.PadToByte();
    RefRow.clear();
  } else {
    Encode2D(w, Row, RefRow.empty() ? nullptr : RefRow.data(), Width);
    RefRow.assign(Row, Row + (Width + 7) / 8);
  }
  w.Write(Stream, Abort);
  Pending = w.pending;
  PendingByte = w.byte;
}

void CCITTEncodeEOL(TStream* Stream, int32_t FillOrder, bool& Abort, int32_t& Pending,
                    uint8_t& PendingByte) {
  BitWriter w{{}, Pending, PendingByte, FillOrder == 2};
  w.Put(kEOL);
  w.Write(Stream, Abort);
  Pending = w.pending;
  PendingByte = w.byte;
}

void CCITTFlush(TStream* Stream, bool& Abort, int32_t& Pending, uint8_t& PendingByte) {
  if (Pending > 0) SafeStreamWrite(Stream, Abort, &PendingByte, 1);
  Pending = 0;
  PendingByte = 0;
}
