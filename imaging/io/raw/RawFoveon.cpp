#include "imaging/io/raw/RawFoveon.h"

#include <algorithm>
#include <array>
#include <vector>

#include "imaging/io/raw/RawBitReader.h"
#include "imaging/io/raw/RawFoveonTables.h"
#include "rtl/ByteOrder.h"

int64_t ShiftDown(int64_t A, int32_t S) { return A < 0 ? -((-A) >> S) : A >> S; }

int32_t ApplyCurve(int64_t I, const int32_t* Curve) {
  const int64_t n = Curve[0];
  const int32_t* w = Curve + 1;
  if (I <= -n) return -w[n - 1] - 1;
  if (I < 0) return -w[-I];
  if (I < n) return w[I];
  return w[n - 1] + 1;
}

void SetFoveonCoeff(TIERawContext& Ctx) {
  for (int32_t i = 0; i < 3; ++i)
    for (int32_t j = 0; j < 3; ++j) Ctx.Coeff[i][j] = kFoveonCoeff[i][j] * Ctx.PreMul[i];
  Ctx.UseCoeff = true;
}

TIERawHuffNode* MakeFoveonDecoder(TIERawContext& Ctx, const uint32_t* Codes, uint32_t Code) {
  TIERawHuffNode* node = NewDecodeNode(Ctx);
  if (Code != 0)
    for (int32_t i = 0; i < 1024; ++i)
      if (Codes[i] == Code) {
        node->Leaf = i;
        return node;
      }
  const uint32_t len = Code >> 27;
  if (len < 27) {
    const uint32_t next = ((len + 1) << 27) | ((Code << 1) & 0x7FFFFFF);
    node->Branch[0] = MakeFoveonDecoder(Ctx, Codes, next);
    node->Branch[1] = MakeFoveonDecoder(Ctx, Codes, next | 1);
  }
  return node;
}

void LoadFoveonRaw(TIERawContext& Ctx) {
  RawSeek(Ctx, 260);
  int16_t diff[1024];
  std::vector<uint32_t> codes(1024);
  for (int16_t& d : diff) d = static_cast<int16_t>(GetWord(Ctx));
  for (uint32_t& c : codes) c = GetLong(Ctx);
  InitDecoder(Ctx);
  const TIERawHuffNode* root = MakeFoveonDecoder(Ctx, codes.data(), 0);
  uint32_t bitbuf = 0;
  int32_t bit = -1;
  auto next32 = [&]() {
    uint8_t b[4];
    RawRead(Ctx, b, 4);
    return LoadBE32(b);
  };
  RawStartProgress(Ctx, Ctx.RawHeight);
  for (int32_t row = 0; row < Ctx.RawHeight; ++row) {
    RawRowProgress(Ctx, row);
    int16_t pred[3] = {0, 0, 0};
    if (bit == 0) next32();
    bit = 0;
    for (int32_t col = 0; col < Ctx.RawWidth; ++col) {
      for (int32_t c = 0; c < 3; ++c) {
        const TIERawHuffNode* node = root;
        while (node->Branch[0]) {
          if (bit == 0) bitbuf = next32();
          bit = (bit - 1) & 31;
          node = node->Branch[(bitbuf >> bit) & 1];
        }
        pred[c] = static_cast<int16_t>(pred[c] + diff[node->Leaf & 1023]);
      }
      const int32_t R = row - Ctx.TopMargin, C = col - Ctx.LeftMargin;
      if (R >= 0 && R < Ctx.Height && C >= 0 && C < Ctx.Width)
        for (int32_t c = 0; c < 3; ++c)
          if (pred[c] > 0) ImageSample(Ctx, R, C, c) = static_cast<uint16_t>(pred[c]);
    }
  }
}

namespace {

using Triple = std::array<int64_t, 3>;

uint16_t Store(int64_t V) { return static_cast<uint16_t>(std::clamp<int64_t>(V, 0, 65535)); }

// Five rows of Width triples, used as a window that moves down the image.
class RowWindow {
 public:
  explicit RowWindow(int32_t Width) : width_(Width) {
    for (auto& r : rows_) RawAllocate(r, static_cast<size_t>(Width), "foveon_interpolate()");
  }
  Triple& At(int32_t Row, int32_t Col) { return rows_[static_cast<size_t>(Row)][static_cast<size_t>(Col)]; }
  // Rotates: row 0 leaves, row 4 is free for the row brought in.
  void Rotate() { std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end()); }
  int32_t Width() const { return width_; }

 private:
  int32_t width_;
  std::array<std::vector<Triple>, 5> rows_;
};

}  // namespace

void foveon_interpolate(TIERawContext& Ctx) {
  const int32_t H = Ctx.Height, W = Ctx.Width;
  if (H < 5 || W < 5) return;
  auto px = [&](int32_t r, int32_t c) -> std::array<uint16_t, 4>& {
    return Ctx.Image[static_cast<size_t>(int64_t{r} * W + c)];
  };

  // 1. Colour transform.
  for (int32_t row = 0; row < H; ++row) {
    RawCheckAbort(Ctx);
    Triple prev{px(row, 0)[0], px(row, 0)[1], px(row, 0)[2]};
    for (int32_t col = 0; col < W; ++col) {
      auto& P = px(row, col);
      int64_t I[3];
      for (int32_t c = 0; c < 3; ++c) {
        const int64_t d = P[static_cast<size_t>(c)] - prev[static_cast<size_t>(c)];
        prev[static_cast<size_t>(c)] = P[static_cast<size_t>(c)];
        I[c] = P[static_cast<size_t>(c)] + ShiftDown((d + ((d * d) >> 14)) * 13107, 14);
      }
      auto term = [](int64_t a, int64_t b) { return int64_t{static_cast<uint32_t>(a * b) >> 14}; };
      int64_t w0[3], w1[3], w2[3];
      for (int32_t j = 0; j < 3; ++j) {
        w0[j] = term(I[j], I[j]);
        w2[j] = term(I[j], w0[j]);
        w1[2 - j] = term(I[(j + 1) % 3], I[(j + 2) % 3]);
      }
      const int64_t terms[9] = {w0[0], w0[1], w0[2], w1[0], w1[1], w1[2], w2[0], w2[1], w2[2]};
      for (int32_t c = 0; c < 3; ++c) {
        int64_t s = 0;
        for (int32_t k = 0; k < 9; ++k) s += kFoveonTrans[c][k] * terms[k];
        const double v = static_cast<double>(static_cast<float>(ShiftDown(s, 14) + I[c]) * kFoveonMul[c]);
        const int64_t t = static_cast<int64_t>(std::clamp(v, -1.0e9, 1.0e9));
        P[static_cast<size_t>(c)] = static_cast<uint16_t>(std::clamp<int64_t>(t, 0, 32000));
      }
    }
  }

  RowWindow S(W);
  int32_t brought = -1;

  // 2. Sharpening of sample 0.
  auto bringSharp = [&](int32_t r) {
    S.Rotate();
    for (int32_t col = 2; col < W - 2; ++col)
      S.At(4, col)[0] = (4 * (px(r, col - 1)[0] + px(r, col + 1)[0]) + 6 * px(r, col)[0] + px(r, col - 2)[0] +
                         px(r, col + 2)[0] + 8) >> 4;
  };
  for (int32_t r = 2; r < H - 2; ++r) {
    RawCheckAbort(Ctx);
    while (brought < r + 2) bringSharp(++brought);
    int64_t last = 0;
    for (int32_t col = 2; col < W - 2; ++col) {
      const int64_t v = ShiftDown(4 * (S.At(1, col)[0] + S.At(3, col)[0]) + 6 * S.At(2, col)[0] + S.At(0, col)[0] +
                                      S.At(4, col)[0] + 8,
                                  4);
      if (col == 2) last = v;
      const int64_t y = ShiftDown(7 * v + last, 3);
      last = v;
      auto& P = px(r, col);
      P[0] = static_cast<uint16_t>(std::clamp<int64_t>(P[0] + ShiftDown(P[0] - y, 2), 0, 10000));
    }
  }

  // 3. Despeckling.
  for (int32_t row = 1; row < H - 1; ++row) {
    RawCheckAbort(Ctx);
    Triple prev{px(row, 0)[0], px(row, 0)[1], px(row, 0)[2]};
    for (int32_t col = 1; col < W - 1; ++col) {
      auto& P = px(row, col);
      for (size_t c = 0; c < 3; ++c) {
        int64_t mn = prev[c], mx = prev[c];
        auto take = [&](int64_t v) {
          mn = std::min(mn, v);
          mx = std::max(mx, v);
        };
        take(px(row, col + 1)[c]);
        for (int32_t i = -1; i <= 1; ++i) {
          take(px(row - 1, col + i)[c]);
          take(px(row + 1, col + i)[c]);
        }
        prev[c] = P[c];
        P[c] = static_cast<uint16_t>(std::clamp<int64_t>(P[c], mn, mx));
      }
    }
  }

  // 4. Chroma estimate.
  brought = -1;
  auto bringBox = [&](int32_t r) {
    S.Rotate();
    for (int32_t col = 2; col < W - 2; ++col)
      for (size_t c = 0; c < 3; ++c) {
        int64_t s = 0;
        for (int32_t i = -2; i <= 2; ++i) s += px(r, col + i)[c];
        S.At(4, col)[c] = s;
      }
  };
  for (int32_t r = 2; r < H - 2; ++r) {
    RawCheckAbort(Ctx);
    while (brought < r + 2) bringBox(++brought);
    for (int32_t col = 2; col < W - 2; ++col) {
      auto& P = px(r, col);
      int64_t box[3] = {};
      for (int32_t k = 0; k < 5; ++k)
        for (size_t c = 0; c < 3; ++c) box[c] += S.At(k, col)[c];
      const int64_t ratio = (60 + int64_t{P[0]} + P[1] + P[2]) * 65536 / (1500 + box[0] + box[1] + box[2]);
      int64_t I[3];
      for (size_t k = 0; k < 3; ++k) {
        const int64_t a = ShiftDown(ratio * box[k], 16);
        const int64_t y = ApplyCurve(a - P[k], kFoveonCurve1) + P[k] - 13 - (k == 1 ? 1 : 0);
        I[k] = y - ApplyCurve(y, kFoveonCurve2);
      }
      const int64_t m = ShiftDown(I[0] + 2 * I[1] + I[2], 2);
      for (size_t k = 0; k < 3; ++k) P[k] = Store(std::max<int64_t>(0, I[k] - ApplyCurve(I[k] - m, kFoveonCurve2)));
    }
  }

  // 5. Final matrix.
  for (auto& P : Ctx.Image) {
    int64_t out[3];
    for (int32_t j = 0; j < 3; ++j)
      out[j] = std::clamp<int64_t>(
          ShiftDown(kFoveonFinal[j][0] * int64_t{P[0]} + kFoveonFinal[j][1] * int64_t{P[1]} +
                        kFoveonFinal[j][2] * int64_t{P[2]} + 4096,
                    13),
          0, 24000);
    for (size_t j = 0; j < 3; ++j) P[j] = static_cast<uint16_t>(out[j]);
  }

  // 6. Quarter-size image.
  const int32_t qh = H / 4, qw = W / 4;
  std::vector<std::array<int16_t, 3>> Q;
  RawAllocate(Q, static_cast<size_t>(qh) * static_cast<size_t>(qw), "foveon_interpolate()");
  auto q = [&](int32_t r, int32_t c) -> std::array<int16_t, 3>& { return Q[static_cast<size_t>(r) * qw + c]; };
  for (int32_t qr = qh - 1; qr >= 0; --qr)
    for (int32_t qc = 0; qc < qw; ++qc) {
      int64_t t[3] = {};
      for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
          for (size_t c = 0; c < 3; ++c) t[c] += px(4 * qr + y, 4 * qc + x)[c];
      for (size_t c = 0; c < 3; ++c)
        q(qr, qc)[c] = static_cast<int16_t>(qr == qh - 1 ? t[c] >> 4 : ShiftDown(q(qr + 1, qc)[c] * int64_t{1840} + t[c] * 141, 12));
    }

  // 7. Chroma restore.
  const int32_t wd = W & ~3, hd = H & ~3;
  for (int32_t r = 0; r < hd; ++r) {
    RawCheckAbort(Ctx);
    if ((r & 3) == 0) {
      Triple R{};
      for (int32_t col = wd - 1; col >= 0; --col) {
        for (size_t c = 0; c < 3; ++c) R[c] = ShiftDown(q(r / 4, col / 4)[c] * int64_t{1485} + R[c] * 6707, 13);
        S.At(0, col) = R;
      }
    }
    Triple R{};
    for (int32_t col = 0; col < wd; ++col) {
      for (size_t c = 0; c < 3; ++c) R[c] = ShiftDown(S.At(0, col)[c] * 1485 + R[c] * 6707, 13);
      S.At(1, col) = R;
    }
    for (int32_t col = 0; col < wd; ++col)
      for (size_t c = 0; c < 3; ++c)
        S.At(2, col)[c] = r > 0 ? ShiftDown(S.At(2, col)[c] * 6707 + S.At(1, col)[c] * 1485, 13) : S.At(1, col)[c];
    static const int32_t* const kCurves[3] = {kFoveonCurve3, kFoveonCurve4, kFoveonCurve5};
    for (int32_t col = 0; col < wd; ++col) {
      auto& P = px(r, col);
      const Triple& s2 = S.At(2, col);
      const int64_t den = 60 + s2[0] + s2[1] + s2[2];
      const int64_t ratio = den > 0 ? ((60 + int64_t{P[0]} + P[1] + P[2]) << 16) / den : 0;
      int64_t D[3];
      for (size_t k = 0; k < 3; ++k) D[k] = ApplyCurve(ShiftDown(ratio * s2[k], 16) - P[k], kCurves[k]);
      const int64_t dev = ShiftDown(D[0] + D[1] + D[2], 3);
      for (size_t k = 0; k < 3; ++k) P[k] = Store(std::max<int64_t>(0, P[k] + D[k] - dev));
    }
  }
}
