#include "imaging/io/raw/RawCameraTable.h"

#include <cstring>
#include <type_traits>

#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawIdentify.h"
#include "imaging/io/raw/RawPackedLoaders.h"
#include "rtl/StrUtils.h"

namespace {

using K = TIERawKey;

constexpr float _ = 1.0f;  // a multiplier the row leaves at 1

void Mul(TIERawContext& Ctx, float A, float B, float C, float D) {
  Ctx.PreMul[0] = A;
  Ctx.PreMul[1] = B;
  Ctx.PreMul[2] = C;
  Ctx.PreMul[3] = D;
}

void Size(TIERawContext& Ctx, int32_t H, int32_t W) {
  Ctx.Height = H;
  Ctx.Width = W;
}

bool StartsWith(const std::string& S, const char* Prefix) {
  return S.compare(0, std::strlen(Prefix), Prefix) == 0;
}

bool Contains(const std::string& S, const char* Part) { return S.find(Part) != std::string::npos; }

char At(const std::string& S, size_t I) { return I < S.size() ? S[I] : '\0'; }

// Multipliers from the file's white sample at Position, read with the
// unpacked loader's layout.
void WhiteBalanceAt(TIERawContext& Ctx, int64_t Position) {
  RawSeek(Ctx, Position);
  Ctx.LoadRaw = LoadUnpackedBEMinus4;
  Ctx.RgbMax = 15856;
  Ctx.ByteOrder = kRawMotorola;
  const double a = GetWord(Ctx), b = GetWord(Ctx), c = GetWord(Ctx), d = GetWord(Ctx);
  Ctx.CameraRed = c == 0 ? 0.0f : static_cast<float>(a / c);
  Ctx.CameraBlue = d == 0 ? 0.0f : static_cast<float>(b / d);
  Mul(Ctx, 1.42f, _, 1.25f, _);
}

// The Kodak loader by compression, then the DC models. False for an
// unsupported compression.
bool KodakLoader(TIERawContext& Ctx) {
  switch (Ctx.Compression) {
    case 0:
    case 1: Ctx.LoadRaw = kodak_easy_load_raw; break;
    case 7: Ctx.LoadRaw = LoadLosslessJpegRaw; break;
    case 32867: break;
    case 65000:
      if (Ctx.Photometric == 32803) {
        Ctx.LoadRaw = LoadKodakCompressedRaw;
      } else {
        Ctx.LoadRaw = LoadKodakYuvRaw;
        Ctx.Height += Ctx.Height & 1;
        Ctx.Width += Ctx.Width & 1;
        Ctx.Filters = 0;
      }
      break;
    default: return false;
  }
  const bool large = Ctx.StreamSize > 99999;
  // row: "DC20"
  if (Ctx.Model == "DC20") {
    Ctx.Height = 242;
    if (large) {
      Ctx.Width = 501;
      Ctx.RawWidth = 512;
    } else {
      Ctx.Width = 249;
      Ctx.RawWidth = 256;
    }
    Ctx.DataOffset = Ctx.RawWidth + 1;
    Ctx.Colors = 4;
    Ctx.Filters = 0x8D8D8D8D;
    SetBlendedCoeff(Ctx, 0.5f);
    Mul(Ctx, _, 1.179f, 1.209f, 1.036f);
    Ctx.LoadRaw = kodak_easy_load_raw;
    // row: "DC25"
  } else if (Contains(Ctx.Model, "DC25")) {
    Ctx.Model = "DC25";
    Ctx.Height = 242;
    if (large) {
      Ctx.Width = 501;
      Ctx.RawWidth = 512;
      Ctx.DataOffset = 15937;
    } else {
      Ctx.Width = 249;
      Ctx.RawWidth = 256;
      Ctx.DataOffset = 15681;
    }
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Ctx.LoadRaw = kodak_easy_load_raw;
    // row: "Digital Camera 40"
  } else if (Ctx.Model == "Digital Camera 40") {
    Ctx.Model = "DC40";
    Size(Ctx, 512, 768);
    Ctx.DataOffset = 1152;
    Ctx.LoadRaw = LoadKodakRadcRaw;
    // row: "DC50"
  } else if (Contains(Ctx.Model, "DC50")) {
    Ctx.Model = "DC50";
    Size(Ctx, 512, 768);
    Ctx.DataOffset = 19712;
    Ctx.LoadRaw = LoadKodakRadcRaw;
    // row: "DC120"
  } else if (Contains(Ctx.Model, "DC120")) {
    Ctx.Model = "DC120";
    Size(Ctx, 976, 848);
    Ctx.LoadRaw = Ctx.Compression == 7 ? LoadKodakDC120JpegRaw : LoadKodakDC120Raw;
  }
  // row: end of Kodak loaders
  return true;
}

// ---- hooks: the parts of rows that choose by model, size or content

// Canon sensors of 2144 columns: the G1 has a four-colour mosaic.
bool CanonG1(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (Ctx.Model == "PowerShot G1") {
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Mul(Ctx, 1.446f, 1.405f, 1.016f, _);
  } else {
    Mul(Ctx, 1.785f, _, 1.266f, _);
  }
  return true;
}

bool CanonG2(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (Ctx.Model == "PowerShot G2" || Ctx.Model == "PowerShot S40")
    Mul(Ctx, 1.965f, _, 1.208f, _);
  else
    Mul(Ctx, 1.855f, _, 1.339f, _);
  return true;
}

bool CanonKiss(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (Ctx.Model == "EOS Kiss Digital")
    Mul(Ctx, 1.882f, _, 1.094f, _);
  else
    Mul(Ctx, 2.242f, _, 1.245f, _);
  return true;
}

// The active area is the sensor less its margins.
bool SizeFromRaw(TIERawContext& Ctx, const uint8_t (&)[32]) {
  Ctx.Height = Ctx.RawHeight - Ctx.TopMargin;
  Ctx.Width = Ctx.RawWidth - Ctx.LeftMargin;
  return true;
}

// An uncompressed D100 file stores three more columns than it shows.
bool NikonD100(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (Ctx.Compression == 34713 && Ctx.LoadRaw == LoadNikonPackedRaw) {
    Ctx.RawWidth = Ctx.Width + 6;
    Ctx.Width += 3;
  }
  return true;
}

// The E990 and E995 share a file size; the data tell them apart.
bool NikonE990(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (IsNikonE990(Ctx)) {
    Ctx.Filters = 0xB4B4B4B4;
    SetNikonE950Coeff(Ctx);
    Mul(Ctx, 1.196f, 1.246f, 1.018f, _);
  } else {
    Ctx.Model = "E995";
    Ctx.Filters = 0xE1E1E1E1;
    Mul(Ctx, 1.253f, 1.178f, _, 1.035f);
  }
  return true;
}

// The E2100 and E2500 share a file size; the data tell them apart.
bool NikonE2100(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (IsNikonE2100(Ctx)) {
    Ctx.Height = 1206;
    Ctx.LoadRaw = LoadNikonE2100Raw;
    Mul(Ctx, 1.945f, _, 1.04f, _);
  } else {
    Ctx.Model = "E2500";
    Ctx.Height = 1204;
    Ctx.Colors = 4;
    Ctx.Filters = 0x4B4B4B4B;
    Mul(Ctx, 1.3f, 1.3f, _, 1.148f);
  }
  return true;
}

// The Minolta DiMAGE Z2 writes files of the E4300's size.
bool NikonE4300(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (IsMinoltaZ2(Ctx)) {
    Ctx.Make = "Minolta";
    Ctx.Model = "DiMAGE Z2";
    Ctx.LoadRaw = LoadNikonE2100Raw;
  }
  return true;
}

// Minolta models by name; the "DiMAGE G" models by the digit after it.
bool Minolta(TIERawContext& Ctx, const uint8_t (&)[32]) {
  const std::string& m = Ctx.Model;
  if (StartsWith(m, "DiMAGE A")) {
    Ctx.LoadRaw = LoadPacked12Raw;
    Ctx.RgbMax = At(m, 8) == '1' ? 15916 : 16380;
    Mul(Ctx, 1.42f, _, 1.25f, _);
  } else if (!StartsWith(m, "DiMAGE G")) {
    Mul(Ctx, 1.42f, _, 1.25f, _);
  } else {
    switch (At(m, 8)) {
      case '4':
        Ctx.DataOffset = 5056;
        Size(Ctx, 1716, 2304);
        WhiteBalanceAt(Ctx, 2078);
        break;
      case '5':
        Ctx.DataOffset = 4016;
        Size(Ctx, 1956, 2607);
        Ctx.RawWidth = 2624;
        WhiteBalanceAt(Ctx, 1936);
        break;
      case '6':
        Ctx.DataOffset = 4032;
        Size(Ctx, 2136, 2848);
        WhiteBalanceAt(Ctx, 2030);
        break;
      default: WhiteBalanceAt(Ctx, RawTell(Ctx)); break;
    }
    Ctx.Filters = 0x61616161;
  }
  return true;
}

// Phase One backs by their sensor height; the mosaic follows the top margin.
bool PhaseOne(TIERawContext& Ctx, const uint8_t (&)[32]) {
  switch (Ctx.RawHeight) {
    case 2060:
      Ctx.Model = "LightPhase";
      Size(Ctx, 2048, 3080);
      Ctx.TopMargin = 5;
      Ctx.LeftMargin = 22;
      Mul(Ctx, 1.331f, _, 1.154f, _);
      break;
    case 2682:
      Ctx.Model = "H10";
      Size(Ctx, 2672, 4012);
      Ctx.TopMargin = 5;
      Ctx.LeftMargin = 26;
      break;
    case 4128:
      Ctx.Model = "H20";
      Size(Ctx, 4098, 4098);
      Ctx.TopMargin = 20;
      Ctx.LeftMargin = 26;
      Mul(Ctx, 1.963f, _, 1.43f, _);
      break;
    case 5488:
      Ctx.Model = "H25";
      Size(Ctx, 5458, 4098);
      Ctx.TopMargin = 20;
      Ctx.LeftMargin = 26;
      Mul(Ctx, 2.8f, _, 1.2f, _);
      break;
    default: break;
  }
  Ctx.Filters = (Ctx.TopMargin & 1) ? 0x94949494 : 0x49494949;
  return true;
}

// The size is stored in the file's own header.
bool SinarSize(TIERawContext& Ctx, const uint8_t (&)[32]) {
  RawSeek(Ctx, 14);
  Ctx.Height = static_cast<int32_t>(GetLong(Ctx));
  Ctx.Width = static_cast<int32_t>(GetLong(Ctx));
  return true;
}

// Portrait files have the mosaic turned with them.
bool LeafFilters(TIERawContext& Ctx, const uint8_t (&)[32]) {
  if (Ctx.Width < Ctx.Height) Ctx.Filters = 0x16161616;
  return true;
}

bool RolleiSize(TIERawContext& Ctx, const uint8_t (&)[32]) {
  switch (Ctx.RawWidth) {
    case 1316:
      Size(Ctx, 1030, 1300);
      Ctx.TopMargin = 1;
      Ctx.LeftMargin = 6;
      break;
    case 2568:
      Size(Ctx, 1960, 2560);
      Ctx.TopMargin = 2;
      Ctx.LeftMargin = 8;
      break;
    default: break;
  }
  return true;
}

// The three-layer sensors by their size; a sensor twice as wide as high
// has its rows doubled. The matrix is made from the final multipliers.
bool Sigma(TIERawContext& Ctx, const uint8_t (&)[32]) {
  switch (Ctx.RawHeight) {
    case 763:
      Ctx.Height = 756;
      Ctx.TopMargin = 2;
      break;
    case 1531:
      Ctx.Height = 1514;
      Ctx.TopMargin = 7;
      break;
    default: break;
  }
  switch (Ctx.RawWidth) {
    case 1152:
      Ctx.Width = 1136;
      Ctx.LeftMargin = 8;
      break;
    case 2304:
      Ctx.Width = 2271;
      Ctx.LeftMargin = 17;
      break;
    default: break;
  }
  if (int64_t{Ctx.Height} * 2 < Ctx.Width) Ctx.YMag = 2;
  if (Ctx.Model == "SD10") {
    Ctx.PreMul[0] *= 2.07f;
    Ctx.PreMul[2] *= 2.3f;
  }
  SetFoveonCoeff(Ctx);
  return true;
}

bool Kodak(TIERawContext& Ctx, const uint8_t (&)[32]);

// ---- the rows

constexpr TIERawCameraRow kRows[] = {
    {.Text = "PowerShot 600", .Height = 613, .Width = 854, .Colors = 4, .Filters = 0xE1E4E1E4,
     .Loader = LoadPowerShot600Raw, .Mul = {1.137f, 1.257f, _, _}},
    {.Text = "PowerShot A5", .Text2 = "PowerShot A5 Zoom", .Height = 776, .Width = 960, .RawWidth = 992, .Colors = 4,
     .Filters = 0x1E4E1E4E, .Loader = LoadPowerShotA5Raw, .Mul = {1.5842f, 1.2966f, 1.0419f, _}},
    {.Text = "PowerShot A50", .Height = 968, .Width = 1290, .RawWidth = 1320, .Colors = 4, .Filters = 0x1B4E4B1E,
     .Loader = LoadPowerShotA5Raw, .Mul = {1.75f, 1.381f, _, 1.182f}},
    {.Text = "PowerShot Pro70", .Height = 1024, .Width = 1552, .Colors = 4, .Filters = 0x1E4B4E1B,
     .Loader = LoadPowerShotA5Raw, .Mul = {1.389f, 1.343f, _, 1.034f}},
    {.Text = "PowerShot Pro90 IS", .Width = 1896, .Colors = 4, .Filters = 0xB4B4B4B4,
     .Mul = {1.496f, 1.509f, _, 1.009f}},
    {.Key = K::CanonRawWidth, .Number = 2144, .Height = 1550, .Width = 2088, .TopMargin = 8, .LeftMargin = 4,
     .Hook = CanonG1},
    {.Key = K::CanonRawWidth, .Number = 2224, .Height = 1448, .Width = 2176, .TopMargin = 6, .LeftMargin = 48,
     .Mul = {1.592f, _, 1.261f, _}},
    {.Key = K::CanonRawWidth, .Number = 2376, .Height = 1720, .Width = 2312, .TopMargin = 6, .LeftMargin = 12,
     .Hook = CanonG2},
    {.Key = K::CanonRawWidth, .Number = 2672, .Height = 1960, .Width = 2616, .TopMargin = 6, .LeftMargin = 12,
     .Mul = {1.895f, _, 1.403f, _}},
    {.Key = K::CanonRawWidth, .Number = 3152, .Height = 2056, .Width = 3088, .TopMargin = 12, .LeftMargin = 64,
     .RgbMax = 16000, .Hook = CanonKiss},
    {.Key = K::CanonRawWidth, .Number = 3160, .Height = 2328, .Width = 3112, .TopMargin = 12, .LeftMargin = 44,
     .Mul = {1.85f, _, 1.53f, _}},
    {.Key = K::CanonRawWidth, .Number = 3344, .Height = 2472, .Width = 3288, .TopMargin = 6, .LeftMargin = 4,
     .Mul = {1.621f, _, 1.528f, _}},
    {.Text = "EOS-1D", .Height = 1662, .Width = 2496, .DataOffset = 288912, .Mul = {1.976f, _, 1.282f, _}},
    {.Text = "EOS-1DS", .Height = 2718, .Width = 4082, .DataOffset = 289168, .RgbMax = 14464,
     .Mul = {1.66f, _, 1.13f, _}},
    {.Text = "EOS-1D Mark II", .Text2 = "EOS 20D", .RawHeight = 2360, .RawWidth = 3596, .TopMargin = 12,
     .LeftMargin = 74, .Filters = 0x94949494, .Mul = {1.95f, _, 1.36f, _}, .Hook = SizeFromRaw},
    {.Text = "EOS-1Ds Mark II", .RawHeight = 3349, .RawWidth = 5108, .TopMargin = 13, .LeftMargin = 98,
     .Filters = 0x94949494, .RgbMax = 0x3A00, .Mul = {1.609f, _, 1.848f, _}, .Hook = SizeFromRaw},
    {.Text = "EOS D2000C", .Black = 800, .Mul = {_, _, 1.25f, _}},
    {.Text = "D1", .Filters = 0x16161616, .Mul = {0.838f, _, 1.095f, _}},
    {.Text = "D1H", .Filters = 0x16161616, .Mul = {2.301f, _, 1.129f, _}},
    {.Text = "D1X", .Width = 4024, .Filters = 0x16161616, .YMag = 2, .Mul = {1.91f, _, 1.22f, _}},
    {.Text = "D100", .Filters = 0x61616161, .RgbMax = 15632, .Mul = {2.374f, _, 1.677f, _}, .Hook = NikonD100},
    {.Text = "D2H", .Width = 2482, .LeftMargin = 6, .Filters = 0x49494949, .Mul = {2.8f, _, 1.2f, _}},
    {.Text = "D70", .Filters = 0x16161616, .Mul = {2.043f, _, 1.625f, _}},
    {.Text = "E950", .Height = 1203, .Width = 1616, .Colors = 4, .Filters = 0x4B4B4B4B, .Loader = LoadNikonE950Raw,
     .Mul = {1.1819f, _, 1.1645f, 1.1725f}, .Coeff = SetNikonE950Coeff},
    {.Text = "E990", .Height = 1540, .Width = 2064, .Colors = 4, .Hook = NikonE990},
    {.Text = "E2100", .Width = 1616, .Hook = NikonE2100},
    {.Text = "E4300", .Height = 1710, .Width = 2288, .Filters = 0x16161616, .Hook = NikonE4300},
    {.Text = "E4500", .Height = 1708, .Width = 2288, .Colors = 4, .Filters = 0xB4B4B4B4,
     .Mul = {1.3f, 1.3f, _, 1.148f}},
    {.Text = "E5000", .Text2 = "E5700", .Colors = 4, .Filters = 0xB4B4B4B4, .Mul = {1.3f, 1.3f, _, 1.148f}},
    {.Text = "E5400", .Filters = 0x16161616, .Mul = {1.7f, _, 1.344f, _}},
    {.Text = "E8700", .Text2 = "E8800", .Filters = 0x16161616, .Mul = {2.131f, _, 1.3f, _}},
    {.Text = "FinePixS2Pro", .Height = 3584, .Width = 3583, .Filters = 0x61616161, .Loader = LoadFujiS2Raw,
     .Black = 512, .Mul = {1.424f, _, 1.718f, _}},
    {.Text = "FinePix S5000", .Height = 2499, .Width = 2500, .Filters = 0x49494949, .Loader = LoadFujiS5000Raw,
     .RgbMax = 0xF800, .Mul = {1.639f, _, 1.438f, _}},
    {.Text = "FinePix S7000", .Height = 3587, .Width = 3588, .Filters = 0x49494949, .Loader = LoadFujiS7000Raw,
     .RgbMax = 0xF800, .Mul = {1.62f, _, 1.38f, _}},
    {.Text = "FinePix E550", .Height = 3587, .Width = 3588, .Filters = 0x49494949, .Loader = LoadFujiS7000Raw,
     .RgbMax = 0xF800, .Mul = {1.45f, _, 1.25f, _}},
    // Listed last among the rows but tested here, before the maker rows.
    {.Text = "FinePix F700", .Text2 = "FinePix S20Pro", .Height = 2523, .Width = 2524, .Filters = 0x49494949,
     .Loader = LoadFujiF700Raw, .RgbMax = 0x3E00, .Mul = {1.639f, _, 1.438f, _}},
    {.Text = "Digital Camera KD-400Z", .Height = 1712, .Width = 2312, .RawWidth = 2336, .DataOffset = 4034,
     .WhiteBalanceAt = 2032},
    {.Text = "Digital Camera KD-510Z", .Height = 1956, .Width = 2607, .RawWidth = 2624, .DataOffset = 4032,
     .Filters = 0x61616161, .WhiteBalanceAt = 2032},
    {.Key = K::MakeNoCase, .Text = "MINOLTA", .Loader = LoadUnpackedBEMinus2, .RgbMax = 15860, .Hook = Minolta},
    {.Text = "*ist D", .Height = 2024, .Width = 3040, .DataOffset = 65536, .Loader = LoadUnpackedBEMinus2,
     .Mul = {1.76f, 1.07f, _, _}},
    {.Text = "Optio S", .Height = 1544, .Width = 2068, .RawWidth = 3136, .Loader = LoadPacked12Raw,
     .Mul = {1.506f, _, 1.152f, _}},
    {.Text = "Optio S4", .Height = 1737, .Width = 2324, .RawWidth = 3520, .Loader = LoadPacked12Raw,
     .Mul = {1.308f, _, 1.275f, _}},
    {.Key = K::Make, .Text = "Phase One", .Loader = LoadPhaseOneRaw, .RgbMax = 0xFFFF, .Hook = PhaseOne},
    {.Text = "Ixpress", .Height = 4084, .Width = 4080, .Filters = 0x49494949, .Loader = LoadIxpressRaw,
     .RgbMax = 0xFFFF, .Mul = {1.963f, _, 1.43f, _}},
    {.Key = K::Make, .Text = "Sinar", .Head = "8BPS", .DataOffset = 68, .Filters = 0x61616161,
     .Loader = LoadUnpackedBE0, .RgbMax = 0xFFFF, .Hook = SinarSize},
    {.Key = K::Make, .Text = "Leaf", .Loader = LoadUnpackedBE0, .RgbMax = 0xFFFF, .Mul = {1.1629f, _, 1.3556f, _},
     .Hook = LeafFilters},
    {.Text = "DIGILUX 2", .Height = 1928, .Width = 2568, .DataOffset = 1024, .Loader = LoadUnpackedLE2,
     .Mul = {1.883f, _, 1.367f, _}},
    {.Text = "DMC-LC1", .Height = 1928, .Width = 2568, .DataOffset = 1024, .Loader = LoadUnpackedLE2,
     .Mul = {1.883f, _, 1.367f, _}},
    {.Text = "E-1", .Filters = 0x61616161, .Loader = LoadUnpackedLE2, .Mul = {1.57f, _, 1.48f, _}},
    {.Text = "E-10", .Loader = LoadUnpackedBE2, .Mul = {1.43f, _, 1.77f, _}},
    {.Key = K::ModelPrefix, .Text = "E-20", .Loader = LoadUnpackedBE2, .Black = 640, .Mul = {1.43f, _, 1.77f, _}},
    {.Text = "C5050Z", .Filters = 0x16161616, .Loader = LoadOlympusCSeriesRaw, .Mul = {1.533f, _, 1.88f, _}},
    {.Text = "C5060WZ", .Loader = LoadOlympusCSeriesRaw, .Mul = {2.285f, _, 1.023f, _}},
    {.Text = "C8080WZ", .Filters = 0x16161616, .Loader = LoadOlympusCSeriesRaw, .Mul = {2.335f, _, 1.323f, _}},
    {.Text = "N DIGITAL", .Height = 2047, .Width = 3072, .DataOffset = 6656, .Filters = 0x61616161,
     .Loader = LoadPacked12Raw, .Mul = {1.366f, _, 1.251f, _}},
    {.Text = "DSC-F828", .Height = 2460, .Width = 3288, .RawWidth = 3360, .LeftMargin = 5, .Colors = 4,
     .Filters = 0xB4B4B4B4, .Loader = LoadSonyRaw, .Mul = {1.512f, 1.02f, 1.405f, _}, .Coeff = SetSonyF828Coeff},
    // From here to the Nucore row a Kodak file never matches: it goes on
    // to the Kodak block.
    {.Key = K::Make, .Text = "Rollei", .NotKodak = true, .Filters = 0x16161616, .Loader = LoadRolleiRaw,
     .Mul = {1.8f, _, 1.3f, _}, .Hook = RolleiSize},
    {.Key = K::Make, .Text = "SIGMA", .NotKodak = true, .Filters = 0, .Loader = LoadFoveonRaw, .RgbMax = 5600,
     .Mul = {1.179f, _, 0.713f, _}, .IsFoveon = true, .Hook = Sigma},
    {.Text = "PC-CAM 600", .NotKodak = true, .Height = 768, .Width = 1024, .DataOffset = 1024, .Filters = 0x49494949,
     .Loader = eight_bit_load_raw, .Mul = {1.14f, _, 2.73f, _}},
    {.Text = "QV-2000UX", .NotKodak = true, .Height = 1208, .Width = 1632, .DataOffset = 3264,
     .Loader = eight_bit_load_raw},
    {.Text = "QV-3*00EX", .NotKodak = true, .Height = 1546, .Width = 2070, .RawWidth = 2080,
     .Loader = eight_bit_load_raw},
    {.Text = "QV-4000", .NotKodak = true, .Height = 1700, .Width = 2260, .Loader = LoadUnpackedBE2},
    {.Text = "QV-5700", .NotKodak = true, .Height = 1924, .Width = 2576, .Loader = LoadCasioQV5700Raw},
    {.Text = "EX-P600", .NotKodak = true, .Height = 2142, .Width = 2844, .RawWidth = 4288, .Loader = LoadPacked12Raw,
     .Mul = {2.356f, 1.069f, _, _}},
    {.Key = K::Make, .Text = "Nucore", .NotKodak = true, .Filters = 0x61616161, .Loader = nucore_load_raw},
    {.Key = K::MakeNoCase, .Text = "KODAK", .Filters = 0x61616161, .Hook = Kodak},
};

// The Kodak block's rows, first match.
constexpr TIERawCameraRow kKodakRows[] = {
    {.Text = "NC2000F", .LeftMargin = 1, .NarrowBy = 4, .CurveLength = 176, .Mul = {1.509f, _, 2.686f, _}},
    {.Text = "EOSDCS3B", .LeftMargin = 2, .NarrowBy = 4, .Mul = {1.629f, _, 2.767f, _}},
    {.Text = "EOSDCS1", .LeftMargin = 2, .NarrowBy = 4, .Mul = {1.386f, _, 2.405f, _}},
    {.Text = "DCS315C", .Black = 32, .Mul = {_, 1.068f, 1.036f, _}},
    {.Text = "DCS330C", .Black = 32, .Mul = {_, 1.012f, 1.804f, _}},
    {.Text = "DCS420", .LeftMargin = 2, .NarrowBy = 4, .Mul = {1.327f, _, 2.074f, _}},
    {.Text = "DCS460", .LeftMargin = 2, .NarrowBy = 4, .Mul = {1.724f, _, 2.411f, _}},
    {.Text = "DCS460A", .LeftMargin = 2, .NarrowBy = 4, .Colors = 1, .Filters = 0},
    {.Text = "DCS520C", .Black = 720, .Mul = {1.006f, _, 1.858f, _}},
    {.Text = "DCS560C", .Black = 750, .Mul = {_, 1.053f, 1.703f, _}},
    {.Text = "DCS620C", .Black = 720, .Mul = {_, 1.002f, 1.818f, _}},
    {.Text = "DCS62$", .Black = 740, .Mul = {1.486f, _, 1.28f, _}, .IsCmy = true},
    {.Text = "DCS660C", .Black = 855, .Mul = {1.156f, _, 1.626f, _}},
    {.Text = "DCS660M", .Colors = 1, .Filters = 0, .Black = 855},
    {.Text = "DCS72$", .Mul = {1.35f, _, 1.18f, _}, .IsCmy = true},
    {.Text = "DCS760C", .Mul = {1.06f, _, 1.72f, _}},
    {.Text = "DCS760M", .Colors = 1, .Filters = 0},
    {.Text = "ProBack", .Mul = {1.06f, _, 1.385f, _}},
    {.Key = K::Model2Prefix, .Text = "PB645C", .Mul = {1.0497f, _, 1.3306f, _}},
    {.Key = K::Model2Prefix, .Text = "PB645H", .Mul = {1.201f, _, 1.5061f, _}},
    {.Key = K::Model2Prefix, .Text = "PB645M", .Mul = {1.0175f, _, 1.5424f, _}},
    {.Key = K::ModelNoCase, .Text = "DCS Pro 14n", .Mul = {_, 1.0323f, 1.258f, _}},
    {.Key = K::ModelNoCase, .Text = "DCS Pro 14nx", .Mul = {1.336f, _, 1.3155f, _}},
    {.Key = K::ModelNoCase, .Text = "DCS Pro SLR/c", .Mul = {1.425f, _, 1.293f, _}},
    {.Key = K::ModelNoCase, .Text = "DCS Pro SLR/n", .Mul = {1.324f, _, 1.483f, _}},
};

bool Matches(const TIERawCameraRow& Row, const TIERawContext& Ctx, const uint8_t (&Head)[32], bool IsKodak) {
  if (Row.NotKodak && IsKodak) return false;
  switch (Row.Key) {
    case K::Model: return Ctx.Model == Row.Text || (Row.Text2 && Ctx.Model == Row.Text2);
    case K::ModelNoCase: return SameText(Ctx.Model, Row.Text);
    case K::ModelPrefix: return StartsWith(Ctx.Model, Row.Text);
    case K::Model2Prefix: return StartsWith(Ctx.Model2, Row.Text);
    case K::Make:
      return Ctx.Make == Row.Text && (!Row.Head || std::memcmp(Head, Row.Head, std::strlen(Row.Head)) == 0);
    case K::MakeNoCase: return SameText(Ctx.Make, Row.Text);
    case K::CanonRawWidth: return Ctx.IsCanon && Ctx.RawWidth == Row.Number;
  }
  return false;
}

bool Apply(const TIERawCameraRow& Row, TIERawContext& Ctx, const uint8_t (&Head)[32]) {
  auto set = [](auto& Field, int64_t Value) {
    if (Value != kRawKeep) Field = static_cast<std::remove_reference_t<decltype(Field)>>(Value);
  };
  set(Ctx.Height, Row.Height);
  set(Ctx.Width, Row.Width);
  set(Ctx.RawHeight, Row.RawHeight);
  set(Ctx.RawWidth, Row.RawWidth);
  set(Ctx.TopMargin, Row.TopMargin);
  set(Ctx.LeftMargin, Row.LeftMargin);
  Ctx.Width -= Row.NarrowBy;
  set(Ctx.DataOffset, Row.DataOffset);
  set(Ctx.CurveLength, Row.CurveLength);
  set(Ctx.Colors, Row.Colors);
  set(Ctx.Filters, Row.Filters);
  if (Row.Loader) Ctx.LoadRaw = Row.Loader;
  set(Ctx.Black, Row.Black);
  set(Ctx.RgbMax, Row.RgbMax);
  set(Ctx.YMag, Row.YMag);
  if (Row.Mul[0] != 0) Mul(Ctx, Row.Mul[0], Row.Mul[1], Row.Mul[2], Row.Mul[3]);
  if (Row.IsCmy) Ctx.IsCmy = true;
  if (Row.IsFoveon) Ctx.IsFoveon = true;
  if (Row.Coeff) Row.Coeff(Ctx);
  if (Row.WhiteBalanceAt != kRawKeep) WhiteBalanceAt(Ctx, Row.WhiteBalanceAt);
  return !Row.Hook || Row.Hook(Ctx, Head);
}

// The Kodak block: its rows, then the loader by compression.
bool Kodak(TIERawContext& Ctx, const uint8_t (&Head)[32]) {
  for (const TIERawCameraRow& row : kKodakRows)
    if (Matches(row, Ctx, Head, true)) {
      Apply(row, Ctx, Head);
      break;
    }
  return KodakLoader(Ctx);
}

}  // namespace

std::span<const TIERawCameraRow> RawCameraRows() { return kRows; }
std::span<const TIERawCameraRow> RawKodakRows() { return kKodakRows; }

void SetBlendedCoeff(TIERawContext& Ctx, float X) {
  static const float kA[3][4] = {{2.25f, 0.75f, -1.75f, -0.25f}, {-0.25f, 0.75f, 0.75f, -0.25f}, {-0.25f, -1.75f, 0.75f, 2.25f}};
  static const float kB[3][4] = {{1, 0, 0, 0}, {0, 0.5f, 0.5f, 0}, {0, 0, 0, 1}};
  for (int32_t r = 0; r < 3; ++r)
    for (int32_t c = 0; c < 4; ++c) Ctx.Coeff[r][c] = X * kA[r][c] + (1 - X) * kB[r][c];
  Ctx.UseCoeff = true;
}

void SetNikonE950Coeff(TIERawContext& Ctx) {
  static const float kM[3][4] = {{-1.93628f, 1.80044f, -1.44849f, 2.58432f},
                                 {1.40536f, -0.524955f, -0.28909f, 0.40868f},
                                 {-1.20496f, 1.0823f, 2.94137f, -1.8187f}};
  std::memcpy(Ctx.Coeff, kM, sizeof kM);
  Ctx.UseCoeff = true;
}

void SetSonyF828Coeff(TIERawContext& Ctx) {
  static const float kM[3][4] = {{1.32192f, 0, 0.149829f, -0.471747f},
                                 {-0.288764f, 1.12921f, -0.486517f, 0.646067f},
                                 {0.061336f, -0.199343f, 1.13801f, 0}};
  std::memcpy(Ctx.Coeff, kM, sizeof kM);
  Ctx.UseCoeff = true;
}

bool ApplyCameraTable(TIERawContext& Ctx, const uint8_t (&Head)[32]) {
  const bool kodak = SameText(Ctx.Make, "KODAK");
  for (const TIERawCameraRow& row : kRows)
    if (Matches(row, Ctx, Head, kodak)) return Apply(row, Ctx, Head);
  return true;
}
