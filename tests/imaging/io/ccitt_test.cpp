// The CCITT Group 3 and Group 4 codec: its code tables, known codings of
// the T.4 examples, round trips in every coding, and damaged data.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "CodecTestSupport.h"
#include "imaging/io/formats/CCITT.h"
#include "imaging/io/formats/CCITTTables.h"

namespace {

// The coded bits of a stream as a text of 0 and 1.
std::string BitsText(const std::vector<uint8_t>& bytes) {
  std::string s;
  for (uint8_t b : bytes)
    for (int k = 7; k >= 0; --k) s += (b >> k & 1) ? '1' : '0';
  return s;
}

// Rows with 1 = black, in several patterns.
std::vector<uint8_t> Rows(int width, int height, int seed) {
  const int stride = (width + 7) / 8;
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
  std::mt19937 rng(seed);
  for (int y = 0; y < height; ++y) {
    int x = 0;
    int colour = y % 3 == 0;
    while (x < width) {
      const int run = y % 5 == 4 ? 1 + rng() % 3000 : 1 + rng() % 40;
      for (int k = 0; k < run && x < width; ++k, ++x)
        if (colour) rows[y * stride + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      colour ^= 1;
    }
  }
  return rows;
}

}  // namespace

TEST(Ccitt, CodeTablesArePrefixFree) {
  for (const TCCITTCode* set : {kCCITTWhiteCodes, kCCITTBlackCodes}) {
    std::vector<std::string> codes = {"000000000001"};
    for (int i = 0; i < 91; ++i) codes.push_back(set[i].Bits);
    for (const TCCITTCode& e : kCCITTExtendedCodes) codes.push_back(e.Bits);
    for (size_t i = 0; i < codes.size(); ++i)
      for (size_t j = 0; j < codes.size(); ++j)
        if (i != j) {
          EXPECT_NE(codes[j].rfind(codes[i], 0), 0u) << codes[i] << " starts " << codes[j];
        }
    // Runs 0..63, then multiples of 64.
    for (int i = 0; i < 91; ++i) EXPECT_EQ(set[i].Run, i < 64 ? i : (i - 63) * 64);
  }
  // The complete code of each colour (with its make-up codes up to 2560 and
  // the EOL prefixes) fills the code space exactly as T.4 lays it out.
  for (const TCCITTCode* set : {kCCITTWhiteCodes, kCCITTBlackCodes}) {
    double kraft = 0;
    for (int i = 0; i < 91; ++i) kraft += std::ldexp(1.0, -static_cast<int>(std::strlen(set[i].Bits)));
    for (const TCCITTCode& e : kCCITTExtendedCodes) kraft += std::ldexp(1.0, -static_cast<int>(std::strlen(e.Bits)));
    EXPECT_LE(kraft, 1.0);
    EXPECT_GT(kraft, 0.99);
  }
}

TEST(Ccitt, KnownCodings) {
  // 1728 white pixels: make-up 1728, then the terminating code of 0.
  std::vector<uint8_t> white(1728 / 8, 0);
  TMemoryStream s;
  bool abort = false;
  CCITTEncodeHuffmanRow(white.data(), 1728, &s, 1, abort);
  EXPECT_EQ(BitsText(codec::Bytes(s)), "010011011" "00110101" "0000000");
  // A row beginning with black: a white run of 0 first (8 black, 8 white).
  std::vector<uint8_t> row = {0xFF, 0x00};
  TMemoryStream t;
  CCITTEncodeHuffmanRow(row.data(), 16, &t, 1, abort);
  EXPECT_EQ(BitsText(codec::Bytes(t)), "00110101" "000101" "10011" "00000");
  // Fill order 2 reverses the bits of every byte.
  TMemoryStream u;
  CCITTEncodeHuffmanRow(row.data(), 16, &u, 2, abort);
  std::vector<uint8_t> back = codec::Bytes(u);
  for (uint8_t& b : back) {
    uint8_t r = 0;
    for (int k = 0; k < 8; ++k) r = static_cast<uint8_t>(r << 1 | (b >> k & 1));
    b = r;
  }
  EXPECT_EQ(BitsText(back), BitsText(codec::Bytes(t)));
  EXPECT_FALSE(abort);
}

TEST(Ccitt, EveryCodingRoundTrips) {
  for (int width : {1, 13, 64, 1728, 5000}) {
    const int height = 9, stride = (width + 7) / 8;
    const std::vector<uint8_t> rows = Rows(width, height, width);
    for (int coding = 0; coding < 4; ++coding)
      for (int fill : {1, 2}) {
        SCOPED_TRACE(std::to_string(width) + " coding " + std::to_string(coding) + " fill " + std::to_string(fill));
        TMemoryStream s;
        bool abort = false;
        int32_t pending = 0;
        uint8_t byte = 0;
        std::vector<uint8_t> ref;
        for (int y = 0; y < height; ++y) {
          const uint8_t* r = rows.data() + y * stride;
          if (coding == 0) CCITTEncodeHuffmanRow(r, width, &s, fill, abort);
          if (coding == 1) CCITTEncodeG3Row1D(r, width, &s, fill, abort, pending, byte);
          if (coding == 2) CCITTEncodeG3Row2D(r, width, &s, fill, abort, ref, pending, byte);
          if (coding == 3) CCITTEncodeG4Row(r, width, &s, fill, abort, ref, pending, byte);
        }
        if (coding == 2) CCITTEncodeG3Row2D(nullptr, width, &s, fill, abort, ref, pending, byte);
        if (coding == 3) CCITTEncodeG4Row(nullptr, width, &s, fill, abort, ref, pending, byte);
        CCITTFlush(&s, abort, pending, byte);
        const std::vector<uint8_t> code = codec::Bytes(s);
        std::vector<uint8_t> row(static_cast<size_t>(stride)), white(static_cast<size_t>(stride), 0xFF);
        int64_t pos = 0;
        for (int y = 0; y < height; ++y) {
          const int64_t n = static_cast<int64_t>(code.size());
          if (coding == 0) pos += CCITTDecodeHuffmanRow(row.data(), code.data() + pos, n - pos, fill, width);
          if (coding == 1) pos = CCITTDecodeRow1D(row.data(), code.data(), n, fill, pos, width);
          if (coding >= 2) pos = CCITTDecodeRow2D(row.data(), code.data(), n, coding == 2, fill, pos, white.data(), width);
          for (int x = 0; x < width; ++x) {
            const bool black = rows[y * stride + x / 8] >> (7 - x % 8) & 1;
            const bool white_bit = row[x / 8] >> (7 - x % 8) & 1;
            ASSERT_NE(black, white_bit) << "row " << y << " pixel " << x;
          }
        }
      }
  }
}

TEST(Ccitt, GroupThreeTwoDimensionalStripFraming) {
  const int width = 40, height = 4;
  const std::vector<uint8_t> rows = Rows(width, height, 3);
  TMemoryStream s;
  bool abort = false;
  int32_t pending = 0;
  uint8_t byte = 0;
  std::vector<uint8_t> ref;
  for (int y = 0; y < height; ++y) CCITTEncodeG3Row2D(rows.data() + y * 5, width, &s, 1, abort, ref, pending, byte);
  CCITTEncodeG3Row2D(nullptr, width, &s, 1, abort, ref, pending, byte);
  CCITTFlush(&s, abort, pending, byte);
  const std::string bits = BitsText(codec::Bytes(s));
  // n + 1 EOLs; the first row's tag bit is 1, the others 0.
  size_t count = 0, at = 0;
  std::vector<char> tags;
  while ((at = bits.find("000000000001", at)) != std::string::npos) {
    ++count;
    at += 12;
    if (at < bits.size()) tags.push_back(bits[at]);
  }
  EXPECT_EQ(count, static_cast<size_t>(height + 1));
  ASSERT_GE(tags.size(), 4u);
  EXPECT_EQ(tags[0], '1');
  EXPECT_EQ(tags[1], '0');
  EXPECT_EQ(tags[3], '0');
}

TEST(Ccitt, DamagedDataStaysInsideTheRow) {
  // A white run of 2560 and a black one of 2560 in a row of 10 pixels.
  const std::string bits = "000000011111" "00110101" "000000011111" "0000110111";
  std::vector<uint8_t> code((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i] == '1') code[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
  std::vector<uint8_t> row(2, 0xAA), ref(2, 0xFF);
  CCITTDecodeRow1D(row.data(), code.data(), static_cast<int64_t>(code.size()), 1, 0, 10);
  EXPECT_EQ(row[0], 0xFF);
  // Cut streams and garbage decode without reading beyond the data.
  const std::vector<uint8_t> rows = Rows(100, 6, 9);
  TMemoryStream s;
  bool abort = false;
  int32_t pending = 0;
  uint8_t byte = 0;
  std::vector<uint8_t> r2;
  for (int y = 0; y < 6; ++y) CCITTEncodeG4Row(rows.data() + y * 13, 100, &s, 1, abort, r2, pending, byte);
  const std::vector<uint8_t> full = codec::Bytes(s);
  std::mt19937 rng(5);
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    std::vector<uint8_t> part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
    if (cut % 3 == 0 && !part.empty()) part[rng() % part.size()] ^= 0xFF;
    std::vector<uint8_t> out(13), white(13, 0xFF);
    int64_t pos = 0;
    for (int y = 0; y < 6; ++y) {
      pos = CCITTDecodeRow2D(out.data(), part.data(), static_cast<int64_t>(part.size()), y % 2, 1, pos, white.data(), 100);
      pos = std::min<int64_t>(pos, static_cast<int64_t>(part.size()) * 8);
      CCITTDecodeRow1D(out.data(), part.data(), static_cast<int64_t>(part.size()), 1, pos / 2, 100);
    }
  }
}
