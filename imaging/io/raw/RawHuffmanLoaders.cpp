#include "imaging/io/raw/RawHuffmanLoaders.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "imaging/io/raw/RawBitReader.h"
#include "imaging/io/raw/RawHuffmanTables.h"
#include "imaging/io/raw/RawPackedLoaders.h"
#include "rtl/ByteOrder.h"
#include "rtl/StrUtils.h"

void InitCrwTables(TIERawContext& Ctx, uint32_t Set) {
  if (Set > 2) Set = 2;
  InitDecoder(Ctx);
  MakeDecoder(Ctx, kCrwFirstTree[Set], 29, 0);
  Ctx.SecondTree = &Ctx.DecodeNodes[Ctx.FreeNode];
  MakeDecoder(Ctx, kCrwSecondTree[Set], 180, 0);
}

bool CanonHasLowBits(TIERawContext& Ctx) {
  std::vector<uint8_t> test(16384);
  RawSeek(Ctx, 0);
  RawRead(Ctx, test.data(), 16384);
  bool ret = true;
  for (size_t i = 540; i < 16383; ++i)
    if (test[i] == 0xFF) {
      if (test[i + 1] != 0) return true;
      ret = false;
    }
  return ret;
}

void canon_compressed_load_raw(TIERawContext& Ctx) {
  if (Ctx.RawWidth <= 0 || Ctx.RawHeight <= 0) return;
  const int32_t rw = Ctx.RawWidth;
  std::vector<uint16_t> pixel(static_cast<size_t>(rw) * 8);
  const int32_t lowbits = CanonHasLowBits(Ctx) ? 1 : 0;
  const int32_t shift = 4 - 2 * lowbits;
  RawSeek(Ctx, 540 + int64_t{lowbits} * Ctx.RawHeight * rw / 4);
  Ctx.ZeroAfterFF = true;
  GetBits(Ctx, -1);
  int32_t carry = 0;
  int64_t counter = 0;
  int32_t base[2] = {0, 0};
  int64_t blackSum = 0;
  RawStartProgress(Ctx, Ctx.RawHeight);
  const TIERawHuffNode* first = &Ctx.DecodeNodes[0];
  for (int32_t row = 0; row < Ctx.RawHeight; row += 8) {
    RawRowProgress(Ctx, row);
    for (int32_t block = 0; block < rw / 8; ++block) {
      int32_t diff[64] = {};
      const TIERawHuffNode* tree = first;
      for (int32_t i = 0; i < 64; ++i) {
        const int32_t s = DecodeSymbol(Ctx, tree);
        tree = Ctx.SecondTree;
        if (s == 0 && i > 0) break;
        if (s == 0xFF) continue;
        i += s >> 4;
        const int32_t len = s & 15;
        if (len > 0) {
          const int32_t d = GetDiff(Ctx, len);
          if (i < 64) diff[i] = d;
        }
      }
      diff[0] += carry;
      carry = diff[0];
      for (int32_t i = 0; i < 64; ++i) {
        if (counter % rw == 0) base[0] = base[1] = 512;
        ++counter;
        base[i & 1] += diff[i];
        pixel[static_cast<size_t>(block) * 64 + static_cast<size_t>(i)] = static_cast<uint16_t>(base[i & 1]);
      }
    }
    if (lowbits) {
      const int64_t save = RawTell(Ctx);
      RawSeek(Ctx, 26 + int64_t{row} * rw / 4);
      std::vector<uint8_t> low(static_cast<size_t>(rw) * 2);
      RawRead(Ctx, low.data(), static_cast<int64_t>(low.size()));
      size_t p = 0;
      for (uint8_t c : low)
        for (int32_t r = 0; r < 8; r += 2, ++p) {
          int32_t v = (pixel[p] << 2) + ((c >> r) & 3);
          if (rw == 2672 && v < 512) v += 2;
          pixel[p] = static_cast<uint16_t>(v);
        }
      RawSeek(Ctx, save);
    }
    for (int32_t r = 0; r < 8; ++r)
      for (int32_t col = 0; col < rw; ++col) {
        const int32_t R = row + r - Ctx.TopMargin;
        const int32_t C = col - Ctx.LeftMargin;
        if (R < 0 || R >= Ctx.Height) continue;
        const uint16_t v = pixel[static_cast<size_t>(r) * rw + static_cast<size_t>(col)];
        if (C >= 0 && C < Ctx.Width)
          MosaicSample(Ctx, R, C) = static_cast<uint16_t>(v << shift);
        else
          blackSum += v;
      }
  }
  if (rw > Ctx.Width && Ctx.Height > 0)
    Ctx.Black = static_cast<int32_t>((blackSum << shift) / (int64_t{rw - Ctx.Width} * Ctx.Height));
}

void LoadLosslessJpegRaw(TIERawContext& Ctx) {
  std::vector<uint16_t> curve(4096);
  ReadToneCurve(Ctx, curve.data());
  int32_t vpred[2] = {2048, 2048}, hpred[2] = {0, 0};
  int32_t minValue = INT_MAX;
  Ctx.ByteOrder = kRawMotorola;
  if (GetWord(Ctx) != 0xFFD8) return;
  int32_t jhigh = 0, jwide = 0;
  const TIERawHuffNode* roots[2] = {nullptr, nullptr};
  uint8_t data[256];
  int32_t mark;
  do {
    mark = GetWord(Ctx);
    const int32_t len = static_cast<int32_t>(GetWord(Ctx)) - 2;
    if (mark < 0xFF01 || len > 255) return;
    const int32_t payload = std::max(len, 0);
    RawRead(Ctx, data, payload);
    if (mark == 0xFFC3) {
      jhigh = LoadBE16(data + 1);
      jwide = LoadBE16(data + 3) * 2;
    } else if (mark == 0xFFC4) {
      InitDecoder(Ctx);
      roots[0] = roots[1] = &Ctx.DecodeNodes[Ctx.FreeNode];
      int32_t dp = 0;
      while (dp < payload && data[dp] < 2) {
        const int32_t which = data[dp];
        roots[which] = &Ctx.DecodeNodes[Ctx.FreeNode];
        dp += 1 + MakeDecoder(Ctx, data + dp + 1, payload - dp - 1, 0);
      }
    }
  } while (mark != 0xFFDA);
  if (!roots[0] || Ctx.RawWidth <= 0 || jwide <= 0) return;
  Ctx.ZeroAfterFF = true;
  GetBits(Ctx, -1);
  // No sample past the last row of the active area can land anywhere.
  const int64_t lastIndex = int64_t{Ctx.RawWidth} * (int64_t{Ctx.TopMargin} + Ctx.Height);
  int64_t blackSum = 0;
  RawStartProgress(Ctx, jhigh);
  for (int32_t jrow = 0; jrow < jhigh; ++jrow) {
    RawRowProgress(Ctx, jrow);
    if (int64_t{jrow} * jwide >= lastIndex) break;
    for (int32_t jcol = 0; jcol < jwide; ++jcol) {
      const int32_t len = DecodeSymbol(Ctx, roots[jcol & 1]);
      const int32_t diff = GetDiff(Ctx, len);
      if (jcol < 2) {
        vpred[jcol] += diff;
        hpred[jcol] = vpred[jcol];
      } else {
        hpred[jcol & 1] += diff;
      }
      int32_t val = hpred[jcol & 1];
      if (val < 0) val = 0;
      int64_t index = int64_t{jrow} * jwide + jcol;
      int64_t row, col;
      if (Ctx.RawWidth == 5108) {
        const int64_t k = index / (1680 * int64_t{jhigh});
        if (k < 2) {
          row = index / 1680 % jhigh;
          col = index % 1680 + 1680 * k;
        } else {
          index -= 3360 * int64_t{jhigh};
          row = index / 1748;
          col = index % 1748 + 3360;
        }
      } else {
        row = index / Ctx.RawWidth;
        col = index % Ctx.RawWidth;
      }
      const int64_t R = row - Ctx.TopMargin;
      if (R >= Ctx.Height) continue;
      const int64_t C = col - Ctx.LeftMargin;
      const int32_t cv = curve[static_cast<size_t>(std::min(val, 4095))];
      if (C < Ctx.Width) {
        if (R >= 0 && C >= 0) {
          MosaicSample(Ctx, static_cast<int32_t>(R), static_cast<int32_t>(C)) = static_cast<uint16_t>(cv << 2);
          minValue = std::min(minValue, cv);
        }
      } else {
        blackSum += cv;
      }
    }
  }
  if (Ctx.RawWidth > Ctx.Width && Ctx.Height > 0)
    Ctx.Black = static_cast<int32_t>((blackSum << 2) / (int64_t{Ctx.RawWidth - Ctx.Width} * Ctx.Height));
  // Without a stored sample there is no smallest value to take.
  if (SameText(Ctx.Make, "KODAK") && minValue != INT_MAX) Ctx.Black = minValue << 2;
}

void nikon_compressed_load_raw(TIERawContext& Ctx) {
  InitDecoder(Ctx);
  MakeDecoder(Ctx, kNikonTree, 29, 0);
  const TIERawHuffNode* tree = &Ctx.DecodeNodes[0];
  RawSeek(Ctx, Ctx.CurveOffset);
  int32_t vpred[4];
  for (int32_t& v : vpred) v = GetWord(Ctx);
  int64_t csize = GetWord(Ctx);
  // No more entries than the file holds; without a curve the values pass
  // through unchanged.
  csize = std::min<int64_t>(csize, std::max<int64_t>(0, (Ctx.StreamSize - RawTell(Ctx)) / 2));
  std::vector<uint16_t> curve;
  if (csize > 0) {
    curve.resize(static_cast<size_t>(csize));
    for (uint16_t& c : curve) c = GetWord(Ctx);
  } else {
    curve.resize(4096);
    for (size_t i = 0; i < curve.size(); ++i) curve[i] = static_cast<uint16_t>(i);
  }
  const int32_t last = static_cast<int32_t>(curve.size()) - 1;
  RawSeek(Ctx, Ctx.DataOffset);
  GetBits(Ctx, -1);
  int32_t hpred[2] = {0, 0};
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    for (int32_t col = 0; col < Ctx.RawWidth; ++col) {
      const int32_t len = DecodeSymbol(Ctx, tree);
      const int32_t diff = GetDiff(Ctx, len);
      if (col < 2) {
        const int32_t i = 2 * (row & 1) + (col & 1);
        vpred[i] += diff;
        hpred[col] = vpred[i];
      } else {
        hpred[col & 1] += diff;
      }
      const int32_t C = col - Ctx.LeftMargin;
      if (C >= 0 && C < Ctx.Width)
        MosaicSample(Ctx, row, C) =
            static_cast<uint16_t>(curve[static_cast<size_t>(std::clamp(hpred[col & 1], 0, last))] << 2);
    }
  }
}

namespace {

TIERawHuffNode* BuildRadcTree(TIERawContext& Ctx, const TIERadcPair* Pairs, int32_t Count, int32_t Depth) {
  TIERawHuffNode* node = NewDecodeNode(Ctx);
  if (Ctx.RadcCursor < Count && Depth < Pairs[Ctx.RadcCursor].Length) {
    node->Branch[0] = BuildRadcTree(Ctx, Pairs, Count, Depth + 1);
    node->Branch[1] = BuildRadcTree(Ctx, Pairs, Count, Depth + 1);
  } else if (Ctx.RadcCursor < Count) {
    node->Leaf = Pairs[Ctx.RadcCursor++].Value;
  }
  return node;
}

}  // namespace

int32_t RadcToken(TIERawContext& Ctx, int32_t Tree) {
  if (Ctx.FreeNode == 0)
    for (int32_t t = 0; t < 18; ++t) {
      Ctx.RadcCursor = 0;
      Ctx.RadcTrees[t] = BuildRadcTree(Ctx, kRadcTrees[t], kRadcTreeSizes[t], 0);
    }
  if (Tree == 18) {
    if (Ctx.Model.size() > 2 && Ctx.Model[2] == '4') return static_cast<int32_t>(GetBits(Ctx, 5)) * 8 + 4;
    return static_cast<int32_t>(GetBits(Ctx, 6)) * 4 + 2;
  }
  if (Tree < 0 || Tree > 17) return 0;
  return DecodeSymbol(Ctx, Ctx.RadcTrees[Tree]);
}

void LoadKodakRadcRaw(TIERawContext& Ctx) {
  const int32_t w = Ctx.Width;
  // The working rows hold 386 entries, and columns go in pairs from the
  // middle: other widths are not of this layout.
  if (w <= 0 || w / 2 + 2 > 386 || (w / 2) % 2 != 0) return;
  std::vector<int16_t> storage(3 * 3 * 386, 2048);
  auto B = [&](int32_t c, int32_t y, int32_t x) -> int16_t& {
    return storage[static_cast<size_t>((c * 3 + y) * 386 + x)];
  };
  int32_t last[3] = {16, 16, 16};
  int32_t mul[3];
  InitDecoder(Ctx);
  GetBits(Ctx, -1);
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; row += 4) {
    RawRowProgress(Ctx, row);
    for (int32_t& m : mul) m = static_cast<int32_t>(GetBits(Ctx, 6));
    for (int32_t c = 0; c < 3; ++c) {
      // A band or its predecessor without a multiplier keeps its values.
      if (last[c] == 0 || mul[c] == 0) {
        last[c] = mul[c];
        continue;
      }
      int64_t val = ((0x1000000 / last[c] + 0x7FF) >> 12) * int64_t{mul[c]};
      const int32_t s = val > 65564 ? 10 : 12;
      val <<= (12 - s);
      for (int32_t i = 0; i < 3 * 386; ++i) {
        int16_t& b = storage[static_cast<size_t>(c * 3 * 386 + i)];
        b = static_cast<int16_t>((b * val + (int64_t{1} << (s - 1)) - 1) >> s);
      }
      last[c] = mul[c];
    }
    for (int32_t c = 0; c < 3; ++c) {
      for (int32_t p = 0; p < (c == 0 ? 2 : 1); ++p) {
        auto predictor = [&](int32_t y, int32_t x) -> int32_t {
          if (c == 0) return (B(c, y - 1, x + 1) + 2 * B(c, y - 1, x) + B(c, y, x + 1)) / 4;
          return (B(c, y - 1, x) + B(c, y, x + 1)) / 2;
        };
        B(c, 1, w / 2) = B(c, 2, w / 2) = static_cast<int16_t>(mul[c] << 7);
        int32_t tree = 1;
        int32_t col = w / 2;
        while (col > 0) {
          tree = RadcToken(Ctx, tree);
          if (tree) {
            col -= 2;
            for (int32_t y = 1; y < 3; ++y)
              for (int32_t x = col + 1; x >= col; --x)
                B(c, y, x) = static_cast<int16_t>(tree == 8 ? RadcToken(Ctx, tree + 10) * mul[c]
                                                             : RadcToken(Ctx, tree + 10) * 16 + predictor(y, x));
          } else {
            int32_t reps;
            do {
              const int32_t t = RadcToken(Ctx, 9);
              reps = col > 2 ? t + 1 : 1;
              for (int32_t rep = 0; rep < 8 && rep < reps && col > 0; ++rep) {
                col -= 2;
                for (int32_t y = 1; y < 3; ++y)
                  for (int32_t x = col + 1; x >= col; --x) B(c, y, x) = static_cast<int16_t>(predictor(y, x));
                if (rep & 1) {
                  const int32_t step = RadcToken(Ctx, 10) * 16;
                  for (int32_t y = 1; y < 3; ++y)
                    for (int32_t x = col + 1; x >= col; --x) B(c, y, x) = static_cast<int16_t>(B(c, y, x) + step);
                }
              }
            } while (reps == 9);
          }
        }
        for (int32_t y = 0; y < 2; ++y)
          for (int32_t x = 0; x < w / 2; ++x) {
            int32_t v = mul[c] ? B(c, y + 1, x) * 16 / mul[c] : 0;
            if (v < 0) v = 0;
            const uint16_t sv = static_cast<uint16_t>(std::min(v, 65535));
            if (c == 0)
              MosaicSample(Ctx, row + 2 * p + y, 2 * x + y) = sv;
            else
              MosaicSample(Ctx, row + 2 * y + c - 1, 2 * x + 2 - c) = sv;
          }
        if (c == 0)
          std::memmove(&B(c, 0, 1), &B(c, 2, 0), 385 * sizeof(int16_t));
        else
          std::memmove(&B(c, 0, 0), &B(c, 2, 0), 386 * sizeof(int16_t));
      }
    }
    for (int32_t y = row; y < row + 4 && y < Ctx.Height; ++y)
      for (int32_t x = 0; x < w; ++x)
        if ((x + y) & 1) {
          int32_t v = (MosaicSample(Ctx, y, x - 1) + MosaicSample(Ctx, y, x + 1)) / 2 +
                      2 * MosaicSample(Ctx, y, x) - 4096;
          if (v < 0) v = 0;
          if (x >= 0) MosaicSample(Ctx, y, x) = static_cast<uint16_t>(std::min(v, 65535));
        }
  }
}

namespace {

// The 64-bit bit reader of the Kodak layouts.
struct KodakBits {
  uint64_t Buffer = 0;
  int32_t Bits = 0;

  void Clear() {
    Buffer = 0;
    Bits = 0;
  }
  void Start(TIERawContext& Ctx, int32_t N) {
    Clear();
    if ((N & 7) == 4) {
      const uint8_t hi = RawGetByte(Ctx), lo = RawGetByte(Ctx);
      Buffer = (uint64_t{hi} << 8) | lo;
      Bits = 16;
    }
  }
  int32_t Diff(TIERawContext& Ctx, int32_t L) {
    if (L > 16) L = 16;
    if (Bits < L) {
      const uint64_t b0 = RawGetByte(Ctx), b1 = RawGetByte(Ctx), b2 = RawGetByte(Ctx), b3 = RawGetByte(Ctx);
      Buffer += (b0 << (Bits + 8)) + (b1 << Bits) + (b2 << (Bits + 24)) + (b3 << (Bits + 16));
      Bits += 32;
    }
    const uint32_t v = static_cast<uint32_t>(Buffer & (0xFFFFu >> (16 - L)));
    Buffer >>= L;
    Bits -= L;
    return SignExtend(v, L);
  }
};

// Lengths from Bytes bytes, two to a byte, low nibble first. With
// PlainChunks (the compressed layout), true when a nibble above 12 marks the
// chunk as stored plainly (the high nibble of a byte whose low nibble does
// is not kept); the YUV layout has no plain chunks and keeps every nibble.
bool ReadKodakLengths(TIERawContext& Ctx, int32_t Bytes, uint8_t (&Lengths)[512], bool PlainChunks) {
  bool plain = false;
  for (int32_t b = 0; b < Bytes && 2 * b + 1 < 512; ++b) {
    const uint8_t c = RawGetByte(Ctx);
    Lengths[2 * b] = c & 15;
    if (PlainChunks && (c & 15) > 12) {
      plain = true;
      continue;
    }
    Lengths[2 * b + 1] = c >> 4;
    if ((c >> 4) > 12) plain = true;
  }
  return plain;
}

}  // namespace

void LoadKodakCompressedRaw(TIERawContext& Ctx) {
  std::vector<uint16_t> curve(4096);
  ReadToneCurve(Ctx, curve.data());
  uint8_t blen[512] = {};
  KodakBits bits;
  bool plain = false;
  int32_t pred[2] = {0, 0};
  uint16_t words[6] = {};
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    for (int32_t col = 0; col < Ctx.Width; ++col) {
      if ((col & 255) == 0) {
        const int32_t n = std::min(Ctx.Width - col, 256);
        const int64_t save = RawTell(Ctx);
        std::memset(blen, 0, sizeof blen);
        plain = ReadKodakLengths(Ctx, n / 2, blen, true);
        pred[0] = pred[1] = 0;
        bits.Start(Ctx, n);
        if (plain) RawSeek(Ctx, save);
      }
      int32_t value;
      if (plain) {
        const int32_t k = col & 7;
        if (k == 0)
          for (uint16_t& w : words) {
            const uint8_t hi = RawGetByte(Ctx), lo = RawGetByte(Ctx);
            w = static_cast<uint16_t>((hi << 8) | lo);
          }
        if (k == 0)
          value = ((words[0] >> 12) << 8) | ((words[2] >> 12) << 4) | (words[4] >> 12);
        else if (k == 1)
          value = ((words[1] >> 12) << 8) | ((words[3] >> 12) << 4) | (words[5] >> 12);
        else
          value = words[k - 2] & 0xFFF;
      } else {
        pred[col & 1] += bits.Diff(Ctx, blen[col & 255]);
        value = pred[col & 1];
      }
      MosaicSample(Ctx, row, col) = static_cast<uint16_t>(curve[static_cast<size_t>(std::clamp(value, 0, 4095))] << 2);
    }
  }
}

void LoadKodakYuvRaw(TIERawContext& Ctx) {
  std::vector<uint16_t> curve(4096);
  ReadToneCurve(Ctx, curve.data());
  uint8_t blen[512] = {};
  KodakBits bits;
  int32_t y[4] = {}, cb = 0, cr = 0;
  size_t li = 0;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; row += 2) {
    RawRowProgress(Ctx, row);
    for (int32_t col = 0; col < Ctx.Width; col += 2) {
      if ((col & 127) == 0) {
        int32_t n = ((Ctx.Width - col + 1) * 3) & ~3;
        if (n > 384) n = 384;
        std::memset(blen, 0, sizeof blen);
        ReadKodakLengths(Ctx, n / 2, blen, false);
        y[1] = y[3] = cb = cr = 0;
        li = 0;
        bits.Start(Ctx, n);
      }
      int32_t d[6];
      for (int32_t& v : d) v = bits.Diff(Ctx, li < sizeof blen ? blen[li++] : 0);
      y[0] = d[0] + y[1];
      y[1] = d[1] + y[0];
      y[2] = d[2] + y[3];
      y[3] = d[3] + y[2];
      cb += d[4];
      cr += d[5];
      for (int32_t i = 0; i < 4; ++i) {
        const int32_t r = row + (i >> 1), c = col + (i & 1);
        const int32_t rgb[3] = {y[i] + cr, y[i], y[i] + cb};
        for (int32_t k = 0; k < 3; ++k)
          if (rgb[k] > 0)
            ImageSample(Ctx, r, c, k) = static_cast<uint16_t>(curve[static_cast<size_t>(std::min(rgb[k], 4095))] << 2);
      }
    }
  }
}
