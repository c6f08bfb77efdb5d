#include "imaging/io/raw/RawPackedLoaders.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/io/formats/JPEG.h"
#include "imaging/io/raw/RawBitReader.h"
#include "rtl/ByteOrder.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

namespace {

bool StartsWith(const std::string& S, const char* Prefix) {
  return S.compare(0, std::strlen(Prefix), Prefix) == 0;
}

int32_t ClampInt(int64_t V) { return static_cast<int32_t>(std::clamp<int64_t>(V, INT32_MIN, INT32_MAX)); }

}  // namespace

void ReadToneCurve(TIERawContext& Ctx, uint16_t* Curve) {
  for (int32_t i = 0; i < 4096; ++i) Curve[i] = static_cast<uint16_t>(i);
  if (!SameText(Ctx.Make, "KODAK")) return;
  if (Ctx.CurveOffset == 0) {
    RawSeek(Ctx, 12);
    uint32_t entries = GetWord(Ctx);
    const int64_t room = Ctx.StreamSize - RawTell(Ctx);
    if (int64_t{entries} * 12 > room) entries = static_cast<uint32_t>(std::max<int64_t>(room, 0) / 12);
    for (uint32_t i = 0; i < entries; ++i) {
      const uint16_t tag = GetWord(Ctx);
      GetWord(Ctx);
      const uint32_t count = GetLong(Ctx);
      const uint32_t value = GetLong(Ctx);
      if (tag == 0x090D) {
        Ctx.CurveOffset = value;
        Ctx.CurveLength = static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
      }
    }
  }
  // A curve holds 4096 entries at most; an empty one leaves the identity.
  if (Ctx.CurveOffset != 0 && Ctx.CurveLength > 0) {
    RawSeek(Ctx, Ctx.CurveOffset);
    const int32_t n = std::min(Ctx.CurveLength, 4096);
    for (int32_t i = 0; i < n; ++i) Curve[i] = GetWord(Ctx);
    for (int32_t i = n; i < 4096; ++i) Curve[i] = Curve[n - 1];
    Ctx.RgbMax = Curve[4095] << 2;
  }
  RawSeek(Ctx, Ctx.DataOffset);
}

void SwabBytes(uint8_t* Buffer, int64_t Length) {
  for (int64_t i = 0; i + 1 < Length; i += 2) std::swap(Buffer[i], Buffer[i + 1]);
}

void SonyDescramble(TIERawContext& Ctx, uint8_t* Words, int32_t Count, uint32_t Key, bool Start) {
  uint32_t* pad = Ctx.Pad;
  if (Start) {
    for (int32_t p = 0; p < 4; ++p) pad[p] = Key = Key * 48828125u + 1;
    pad[3] = (pad[3] << 1) | ((pad[0] ^ pad[2]) >> 31);
    for (int32_t p = 4; p < 127; ++p) pad[p] = ((pad[p - 4] ^ pad[p - 2]) << 1) | ((pad[p - 3] ^ pad[p - 1]) >> 31);
    for (int32_t p = 0; p < 127; ++p) pad[p] = __builtin_bswap32(pad[p]);
    Ctx.PadIndex = 127;
  }
  for (int32_t i = 0; i < Count; ++i) {
    const uint32_t x = pad[(Ctx.PadIndex + 1) & 127] ^ pad[(Ctx.PadIndex + 65) & 127];
    pad[Ctx.PadIndex & 127] = x;
    uint8_t* w = Words + 4 * static_cast<size_t>(i);
    uint32_t v = uint32_t{w[0]} | (uint32_t{w[1]} << 8) | (uint32_t{w[2]} << 16) | (uint32_t{w[3]} << 24);
    v ^= x;
    w[0] = static_cast<uint8_t>(v);
    w[1] = static_cast<uint8_t>(v >> 8);
    w[2] = static_cast<uint8_t>(v >> 16);
    w[3] = static_cast<uint8_t>(v >> 24);
    ++Ctx.PadIndex;
  }
}

void LoadPowerShot600Raw(TIERawContext& Ctx) {
  // The row buffer holds 896 samples: wider images are not of this layout.
  if (Ctx.Width > 896 || Ctx.Height <= 0) return;
  uint8_t data[1120];
  uint16_t pixel[896];
  int64_t sum = 0;
  int32_t row = 0;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t irow = 0; irow < Ctx.Height; ++irow) {
    RawRowProgress(Ctx, irow);
    RawRead(Ctx, data, 1120);
    for (int32_t g = 0; g < 112; ++g) {
      const uint8_t* b = data + 10 * g;
      uint16_t* s = pixel + 8 * g;
      s[0] = static_cast<uint16_t>((b[0] << 2) | (b[1] >> 6));
      s[1] = static_cast<uint16_t>((b[2] << 2) | ((b[1] >> 4) & 3));
      s[2] = static_cast<uint16_t>((b[3] << 2) | ((b[1] >> 2) & 3));
      s[3] = static_cast<uint16_t>((b[4] << 2) | (b[1] & 3));
      s[4] = static_cast<uint16_t>((b[5] << 2) | (b[9] & 3));
      s[5] = static_cast<uint16_t>((b[6] << 2) | ((b[9] >> 2) & 3));
      s[6] = static_cast<uint16_t>((b[7] << 2) | ((b[9] >> 4) & 3));
      s[7] = static_cast<uint16_t>((b[8] << 2) | (b[9] >> 6));
    }
    for (int32_t col = 0; col < Ctx.Width; ++col) MosaicSample(Ctx, row, col) = static_cast<uint16_t>(pixel[col] << 4);
    for (int32_t col = Ctx.Width; col < 896; ++col) sum += pixel[col];
    row += 2;
    if (row > Ctx.Height) row = 1;
  }
  if (Ctx.Width < 896) Ctx.Black = ClampInt(sum * 16 / (int64_t{896 - Ctx.Width} * Ctx.Height));
}

void LoadPowerShotA5Raw(TIERawContext& Ctx) {
  if (Ctx.RawWidth <= 0 || Ctx.Height <= 0) return;
  const int32_t bytes = Ctx.RawWidth * 10 / 8;
  std::vector<uint8_t> data(static_cast<size_t>(bytes) + 10);
  std::vector<uint16_t> pixel(static_cast<size_t>(Ctx.RawWidth) + 8);
  int64_t sum = 0;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    std::fill(data.begin(), data.end(), 0);
    RawRead(Ctx, data.data(), bytes);
    for (int32_t g = 0; g < bytes / 10; ++g) {
      const uint8_t* b = data.data() + 10 * g;
      uint16_t* s = pixel.data() + 8 * g;
      s[0] = static_cast<uint16_t>((b[1] << 2) | (b[0] >> 6));
      s[1] = static_cast<uint16_t>((b[0] << 4) | (b[3] >> 4));
      s[2] = static_cast<uint16_t>((b[3] << 6) | (b[2] >> 2));
      s[3] = static_cast<uint16_t>((b[2] << 8) | b[5]);
      s[4] = static_cast<uint16_t>((b[4] << 2) | (b[7] >> 6));
      s[5] = static_cast<uint16_t>((b[7] << 4) | (b[6] >> 4));
      s[6] = static_cast<uint16_t>((b[6] << 6) | (b[9] >> 2));
      s[7] = static_cast<uint16_t>((b[9] << 8) | b[8]);
    }
    for (int32_t col = 0; col < Ctx.RawWidth; ++col) {
      const uint16_t v = pixel[static_cast<size_t>(col)] & 0x3FF;
      if (col < Ctx.Width)
        MosaicSample(Ctx, row, col) = static_cast<uint16_t>(v << 4);
      else
        sum += v;
    }
  }
  if (Ctx.Width < Ctx.RawWidth) Ctx.Black = ClampInt(sum * 16 / (int64_t{Ctx.RawWidth - Ctx.Width} * Ctx.Height));
}

void LoadNikonPackedRaw(TIERawContext& Ctx) {
  GetBits(Ctx, -1);
  const bool interlaced = StartsWith(Ctx.Model, "E") && Ctx.Height >= 2;
  const int32_t number = Ctx.Model.size() > 1 ? std::atoi(Ctx.Model.c_str() + 1) : 0;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t irow = 0; irow < Ctx.Height; ++irow) {
    RawRowProgress(Ctx, irow);
    int32_t row = irow;
    if (interlaced) {
      row = irow / (Ctx.Height / 2) + (2 * irow) % Ctx.Height;
      if (row == 1 && number < 5000) {
        RawSeek(Ctx, Ctx.StreamSize / 2);
        GetBits(Ctx, -1);
      }
    }
    for (int32_t col = 0; col < Ctx.RawWidth; ++col) {
      const uint32_t v = GetBits(Ctx, 12);
      const int32_t C = col - Ctx.LeftMargin;
      if (C >= 0 && C < Ctx.Width) MosaicSample(Ctx, row, C) = static_cast<uint16_t>(v << 2);
      if (Ctx.Compression == 34713 && col % 10 == 9) GetBits(Ctx, 8);
    }
  }
}

void LoadNikonE2100Raw(TIERawContext& Ctx) {
  if (Ctx.Width <= 0) return;
  const int32_t bytes = Ctx.Width * 3 / 2;
  std::vector<uint8_t> data(static_cast<size_t>(bytes) + 12);
  RawStartProgress(Ctx, Ctx.Height);
  int32_t done = 0;
  auto readRow = [&](int32_t row) {
    RawRowProgress(Ctx, done++);
    std::fill(data.begin(), data.end(), 0);
    RawRead(Ctx, data.data(), bytes);
    for (int32_t g = 0; 8 * g < Ctx.Width; ++g) {
      const uint8_t* b = data.data() + 12 * g;
      const uint16_t s[8] = {
          static_cast<uint16_t>((b[2] >> 4) | (b[3] << 4)), static_cast<uint16_t>((b[2] << 8) | b[1]),
          static_cast<uint16_t>((b[7] >> 4) | (b[0] << 4)), static_cast<uint16_t>((b[7] << 8) | b[6]),
          static_cast<uint16_t>((b[4] >> 4) | (b[5] << 4)), static_cast<uint16_t>((b[4] << 8) | b[11]),
          static_cast<uint16_t>((b[9] >> 4) | (b[10] << 4)), static_cast<uint16_t>((b[9] << 8) | b[8])};
      for (int32_t k = 0; k < 8 && 8 * g + k < Ctx.Width; ++k)
        MosaicSample(Ctx, row, 8 * g + k) = static_cast<uint16_t>((s[k] & 0xFFF) << 2);
    }
  };
  for (int32_t row = 0; row < Ctx.Height; row += 2) readRow(row);
  RawSkip(Ctx, Ctx.Width == 1616 ? 8792 : 424);
  for (int32_t row = 1; row < Ctx.Height; row += 2) readRow(row);
}

void LoadNikonE950Raw(TIERawContext& Ctx) {
  if (Ctx.Height <= 0) return;
  GetBits(Ctx, -1);
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t i = 0; i < Ctx.Height; ++i) {
    RawRowProgress(Ctx, i);
    const int32_t row = static_cast<int32_t>((2 * int64_t{i}) % Ctx.Height);
    for (int32_t col = 0; col < Ctx.Width; ++col) MosaicSample(Ctx, row, col) = static_cast<uint16_t>(GetBits(Ctx, 10) << 4);
    for (int32_t k = 0; k < 28; ++k) GetBits(Ctx, 8);
  }
}

void LoadFujiS2Raw(TIERawContext& Ctx) {
  std::vector<uint8_t> data(5888);
  RawSkip(Ctx, 141376);
  RawStartProgress(Ctx, 2144);
  for (int32_t i = 0; i < 2144; ++i) {
    RawRowProgress(Ctx, i);
    RawRead(Ctx, data.data(), 5888);
    for (int32_t j = 0; j < 2880; ++j)
      MosaicSample(Ctx, i + (j + 1) / 2, 2143 - i + j / 2) = static_cast<uint16_t>(LoadBE16(&data[2 * static_cast<size_t>(j)]) << 2);
  }
  Ctx.FujiRotate = true;
}

void LoadFujiDiagonalRaw(TIERawContext& Ctx, int32_t NCol, int32_t ICol, int32_t NRow) {
  std::vector<uint8_t> data(static_cast<size_t>(NCol) * 2);
  RawStartProgress(Ctx, NRow);
  for (int32_t r = 0; r < NRow; ++r) {
    RawRowProgress(Ctx, r);
    RawRead(Ctx, data.data(), static_cast<int64_t>(data.size()));
    for (int32_t c = 0; c <= ICol && c < NCol; ++c)
      MosaicSample(Ctx, ICol + r / 2 - c, c + (r + 1) / 2) = static_cast<uint16_t>(LoadLE16(&data[2 * static_cast<size_t>(c)]) << 2);
  }
  Ctx.FujiRotate = true;
}

void LoadFujiS5000Raw(TIERawContext& Ctx) {
  RawSkip(Ctx, 11824);
  LoadFujiDiagonalRaw(Ctx, 1472, 1423, 2152);
}

void LoadFujiS7000Raw(TIERawContext& Ctx) { LoadFujiDiagonalRaw(Ctx, 2048, 2047, 3080); }

void LoadFujiF700Raw(TIERawContext& Ctx) {
  std::vector<uint8_t> data(5888);
  RawStartProgress(Ctx, 2168);
  for (int32_t i = 0; i < 2168; ++i) {
    RawRowProgress(Ctx, i);
    RawRead(Ctx, data.data(), 5888);
    for (int32_t j = 0; j < 1440; ++j)
      MosaicSample(Ctx, i / 2 - j + 1439, j + (i + 1) / 2) = LoadLE16(&data[2 * static_cast<size_t>(j)]);
  }
  Ctx.FujiRotate = true;
}

void LoadRolleiRaw(TIERawContext& Ctx) {
  if (Ctx.RawWidth <= 0) return;
  const int64_t rw = Ctx.RawWidth;
  int64_t index = 0;
  int64_t low = rw * Ctx.RawHeight * 5 / 8;
  uint32_t acc = 0;
  auto put = [&](int64_t n, uint32_t v) {
    const int64_t row = n / rw - Ctx.TopMargin, col = n % rw - Ctx.LeftMargin;
    if (row >= 0 && row < Ctx.Height && col >= 0 && col < Ctx.Width)
      MosaicSample(Ctx, static_cast<int32_t>(row), static_cast<int32_t>(col)) = static_cast<uint16_t>((v & 0x3FF) << 4);
  };
  uint8_t b[10];
  while (RawRead(Ctx, b, 10) == 10) {
    for (int32_t k = 0; k < 10; k += 2) {
      put(index++, static_cast<uint32_t>((b[k] << 8) | b[k + 1]));
      acc = (acc << 6) | (b[k] >> 2);
    }
    for (int32_t s = 20; s >= 0; s -= 10) put(low++, acc >> s);
  }
}

void LoadPhaseOneRaw(TIERawContext& Ctx) {
  RawSeek(Ctx, Ctx.DataOffset + 8);
  const uint32_t v = GetLong(Ctx);
  RawSkip(Ctx, int64_t{v} + 296);
  const uint16_t key1 = GetWord(Ctx), key2 = GetWord(Ctx);
  if (Ctx.RawWidth <= 0) return;
  RawSeek(Ctx, Ctx.DataOffset + int64_t{Ctx.TopMargin} * Ctx.RawWidth * 2 + 12);
  std::vector<uint8_t> data(static_cast<size_t>(Ctx.RawWidth) * 2);
  std::vector<uint16_t> pixel(static_cast<size_t>(Ctx.RawWidth));
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data.data(), static_cast<int64_t>(data.size()));
    for (size_t i = 0; i < pixel.size(); ++i) pixel[i] = LoadBE16(&data[2 * i]);
    for (size_t i = 0; i + 1 < pixel.size(); i += 2) {
      const uint16_t a = pixel[i] ^ key1, b = pixel[i + 1] ^ key2;
      pixel[i] = static_cast<uint16_t>((b & 0xAAAA) | (a & 0x5555));
      pixel[i + 1] = static_cast<uint16_t>((a & 0xAAAA) | (b & 0x5555));
    }
    // Only words of the stored row: a margin past it reads nothing.
    for (int32_t col = 0; col < Ctx.Width; ++col) {
      const int64_t w = int64_t{col} + Ctx.LeftMargin;
      if (w >= 0 && w < Ctx.RawWidth) MosaicSample(Ctx, row, col) = pixel[static_cast<size_t>(w)];
    }
  }
}

void LoadIxpressRaw(TIERawContext& Ctx) {
  // Rows of 4090 samples: wider images are not of this layout.
  if (Ctx.Width > 4090) return;
  std::vector<uint8_t> data(8180);
  RawSeek(Ctx, 49384);
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = Ctx.Height - 1; row >= 0; --row) {
    RawRowProgress(Ctx, Ctx.Height - 1 - row);
    RawRead(Ctx, data.data(), 8180);
    for (int32_t i = 0; i < Ctx.Width; ++i) MosaicSample(Ctx, row, i) = LoadLE16(&data[2 * static_cast<size_t>(Ctx.Width - 1 - i)]);
  }
}

void LoadPacked12Raw(TIERawContext& Ctx) {
  GetBits(Ctx, -1);
  RawStartProgress(Ctx, Ctx.Height);
  const int64_t skip = int64_t{Ctx.RawWidth} - (int64_t{Ctx.Width} * 3) / 2;
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    for (int32_t col = 0; col < Ctx.Width; ++col) MosaicSample(Ctx, row, col) = static_cast<uint16_t>(GetBits(Ctx, 12) << 2);
    for (int64_t i = 0; i < skip; ++i) GetBits(Ctx, 8);
  }
}

void unpacked_load_raw(TIERawContext& Ctx, uint16_t Order, int32_t Shift) {
  if (Ctx.RawWidth <= 0) return;
  std::vector<uint8_t> data;
  RawAllocate(data, static_cast<size_t>(Ctx.RawWidth) * 2, "unpacked_load_raw()");
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data.data(), static_cast<int64_t>(data.size()));
    for (int32_t col = 0; col < Ctx.Width && col < Ctx.RawWidth; ++col) {
      const uint8_t* p = &data[2 * static_cast<size_t>(col)];
      const uint32_t w = Order == 0x55AA ? LoadBE16(p) : LoadLE16(p);
      MosaicSample(Ctx, row, col) = static_cast<uint16_t>(Shift >= 0 ? w >> Shift : w << -Shift);
    }
  }
}

void LoadUnpackedBE0(TIERawContext& Ctx) { unpacked_load_raw(Ctx, 0x55AA, 0); }
void LoadUnpackedBE2(TIERawContext& Ctx) { unpacked_load_raw(Ctx, 0x55AA, 2); }
void LoadUnpackedBEMinus2(TIERawContext& Ctx) { unpacked_load_raw(Ctx, 0x55AA, -2); }
void LoadUnpackedBEMinus4(TIERawContext& Ctx) { unpacked_load_raw(Ctx, 0x55AA, -4); }
void LoadUnpackedLE2(TIERawContext& Ctx) { unpacked_load_raw(Ctx, 0xAA55, 2); }

void LoadOlympusCSeriesRaw(TIERawContext& Ctx) {
  if (Ctx.Height < 2) return;
  const int64_t plane = (int64_t{Ctx.Width} * Ctx.Height * 3 / 4 + 2047) / 2048 * 2048;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t i = 0; i < Ctx.Height; ++i) {
    RawRowProgress(Ctx, i);
    const int32_t row = (2 * i) % Ctx.Height + i / (Ctx.Height / 2);
    if (row < 2) {
      RawSeek(Ctx, Ctx.DataOffset + row * plane);
      GetBits(Ctx, -1);
    }
    for (int32_t col = 0; col < Ctx.Width; ++col) MosaicSample(Ctx, row, col) = static_cast<uint16_t>(GetBits(Ctx, 12) << 2);
  }
}

void eight_bit_load_raw(TIERawContext& Ctx) {
  if (Ctx.RawWidth <= 0) return;
  std::vector<uint8_t> data;
  RawAllocate(data, static_cast<size_t>(Ctx.RawWidth), "eight_bit_load_raw()");
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data.data(), Ctx.RawWidth);
    for (int32_t col = 0; col < Ctx.Width && col < Ctx.RawWidth; ++col)
      MosaicSample(Ctx, row, col) = static_cast<uint16_t>(data[static_cast<size_t>(col)] << 6);
  }
}

void LoadCasioQV5700Raw(TIERawContext& Ctx) {
  if (Ctx.Width > 2576) return;
  uint8_t data[3232];
  uint16_t pixel[2576];
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data, 3232);
    for (int32_t g = 0; g < 644; ++g) {
      const uint8_t* b = data + 5 * g;
      uint16_t* s = pixel + 4 * g;
      s[0] = static_cast<uint16_t>((b[0] << 2) | (b[1] >> 6));
      s[1] = static_cast<uint16_t>((b[1] << 4) | (b[2] >> 4));
      s[2] = static_cast<uint16_t>((b[2] << 6) | (b[3] >> 2));
      s[3] = static_cast<uint16_t>((b[3] << 8) | b[4]);
    }
    for (int32_t col = 0; col < Ctx.Width; ++col) MosaicSample(Ctx, row, col) = static_cast<uint16_t>((pixel[col] & 0x3FF) << 4);
  }
}

void nucore_load_raw(TIERawContext& Ctx) {
  if (Ctx.Width <= 0) return;
  std::vector<uint8_t> data;
  RawAllocate(data, static_cast<size_t>(Ctx.Width) * 2, "nucore_load_raw()");
  const bool interlaced = StartsWith(Ctx.Model, "B") && Ctx.Width == 2598;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t i = 0; i < Ctx.Height; ++i) {
    RawRowProgress(Ctx, i);
    RawRead(Ctx, data.data(), static_cast<int64_t>(data.size()));
    int32_t row = i;
    if (interlaced) row = Ctx.Height - 1 - i / 2 - ((i & 1) ? Ctx.Height / 2 : 0);
    for (int32_t col = 0; col < Ctx.Width; ++col)
      MosaicSample(Ctx, row, col) = static_cast<uint16_t>(LoadLE16(&data[2 * static_cast<size_t>(col)]) << 2);
  }
}

void LoadKodakDC120Raw(TIERawContext& Ctx) {
  static const int32_t kMul[4] = {162, 192, 187, 92};
  static const int32_t kAdd[4] = {0, 636, 424, 212};
  uint8_t data[848];
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data, 848);
    const int64_t shift = int64_t{row} * kMul[row & 3] + kAdd[row & 3];
    for (int32_t col = 0; col < Ctx.Width; ++col)
      MosaicSample(Ctx, row, col) = static_cast<uint16_t>(data[(shift + col) % 848] << 6);
  }
}

namespace {

struct DC120Source {
  TIERawContext* Ctx;
};

// Up to 4096 bytes with the bytes of each pair exchanged; none at the end of
// the stream ends the data.
bool FillDC120(TIEJpegDecompress* Decompress, void* Data) {
  TIERawContext& ctx = *static_cast<DC120Source*>(Data)->Ctx;
  const int64_t got = ctx.Stream->Read(ctx.JpegBuffer, sizeof ctx.JpegBuffer);
  if (got <= 0) return false;
  SwabBytes(ctx.JpegBuffer, got);
  JPEGSetSourceBuffer(Decompress, ctx.JpegBuffer, static_cast<size_t>(got));
  return true;
}

}  // namespace

void LoadKodakDC120JpegRaw(TIERawContext& Ctx) {
  const TIEJpegDecompressPtr owner = NewJPEGDecompress();
  TIEJpegDecompress* d = owner.get();
  DC120Source source{&Ctx};
  JPEGCreateDecompress(d);
  JPEGSetStreamSource(d, Ctx.Stream);
  JPEGSetFillInputBuffer(d, FillDC120, &source);
  JPEGReadHeader(d, true);
  JPEGStartDecompress(d);
  if (JPEGOutputWidth(d) != Ctx.Width || JPEGOutputHeight(d) * 2 != Ctx.Height || JPEGOutputComponents(d) != 3)
    throw Exception(": incorrect JPEG dimensions");
  uint8_t** rows = JPEGAllocSArray(d, 1, Ctx.Width * 3, 1);
  RawStartProgress(Ctx, JPEGOutputHeight(d));
  while (JPEGOutputScanline(d) < JPEGOutputHeight(d)) {
    RawRowProgress(Ctx, JPEGOutputScanline(d));
    const int32_t row = JPEGOutputScanline(d) * 2;
    if (JPEGReadScanlines(d, rows, 1) != 1) break;
    const uint8_t* px = rows[0];
    for (int32_t c = 0; c + 1 < Ctx.Width; c += 2) {
      const uint8_t* P = px + 3 * c;
      const uint8_t* Q = P + 3;
      MosaicSample(Ctx, row, c) = static_cast<uint16_t>(P[1] << 6);
      MosaicSample(Ctx, row + 1, c + 1) = static_cast<uint16_t>(Q[1] << 6);
      MosaicSample(Ctx, row, c + 1) = static_cast<uint16_t>((P[0] + Q[0]) << 5);
      MosaicSample(Ctx, row + 1, c) = static_cast<uint16_t>((P[2] + Q[2]) << 5);
    }
  }
  JPEGFinishDecompress(d);
}

void kodak_easy_load_raw(TIERawContext& Ctx) {
  std::vector<uint16_t> curve(4096);
  ReadToneCurve(Ctx, curve.data());
  if (Ctx.RawWidth <= 0) return;
  std::vector<uint8_t> data;
  RawAllocate(data, static_cast<size_t>(Ctx.RawWidth), "kodak_easy_load_raw()");
  int64_t sum = Ctx.Width < Ctx.RawWidth ? 0 : Ctx.Black;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data.data(), Ctx.RawWidth);
    for (int32_t col = 0; col < Ctx.RawWidth; ++col) {
      const int32_t C = col - Ctx.LeftMargin;
      const uint16_t v = curve[data[static_cast<size_t>(col)]];
      if (C >= 0 && C < Ctx.Width)
        MosaicSample(Ctx, row, C) = static_cast<uint16_t>(v << 2);
      else
        sum += v;
    }
  }
  if (Ctx.Width < Ctx.RawWidth && Ctx.Height > 0)
    Ctx.Black = ClampInt(sum * 4 / (int64_t{Ctx.RawWidth - Ctx.Width} * Ctx.Height));
  else
    Ctx.Black = ClampInt(sum);
  if (StartsWith(Ctx.Model, "DC2")) Ctx.Black = 0;
}

void LoadSonyRaw(TIERawContext& Ctx) {
  RawSeek(Ctx, 200896);
  const uint8_t c = RawGetByte(Ctx);
  RawSeek(Ctx, 200896 + 4 * int64_t{c} - 1);
  Ctx.ByteOrder = kRawMotorola;
  uint32_t key = GetLong(Ctx);
  uint8_t head[40];
  RawSeek(Ctx, 164600);
  RawRead(Ctx, head, 40);
  SonyDescramble(Ctx, head, 10, key, true);
  key = uint32_t{head[22]} | (uint32_t{head[23]} << 8) | (uint32_t{head[24]} << 16) | (uint32_t{head[25]} << 24);
  if (Ctx.RawWidth <= 0) return;
  RawSeek(Ctx, 862144);
  std::vector<uint8_t> data(static_cast<size_t>(Ctx.RawWidth) * 2 + 4);
  const int32_t words = std::min(3343, Ctx.RawWidth);
  int64_t sum = 0;
  RawStartProgress(Ctx, Ctx.Height);
  for (int32_t row = 0; row < Ctx.Height; ++row) {
    RawRowProgress(Ctx, row);
    RawRead(Ctx, data.data(), int64_t{Ctx.RawWidth} * 2);
    SonyDescramble(Ctx, data.data(), Ctx.RawWidth / 2, key, row == 0);
    for (int32_t i = 0; i < words; ++i) {
      const uint16_t v = LoadBE16(&data[2 * static_cast<size_t>(i)]);
      const int32_t C = i - Ctx.LeftMargin;
      if (C >= 0 && C < Ctx.Width)
        MosaicSample(Ctx, row, C) = v;
      else
        sum += v;
    }
  }
  if (Ctx.Height > 0 && Ctx.Width < 3343) Ctx.Black = ClampInt(sum / (int64_t{Ctx.Height} * (3343 - Ctx.Width)));
}
