#include "imaging/io/raw/RawCameraTable.h"

#include <cstring>
#include <strings.h>

#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawIdentify.h"
#include "imaging/io/raw/RawPackedLoaders.h"

namespace {

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

bool SameNoCase(const std::string& S, const char* T) { return strcasecmp(S.c_str(), T) == 0; }

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

void KodakRows(TIERawContext& Ctx) {
  const std::string& m = Ctx.Model;
  // row: "NC2000F"
  if (m == "NC2000F") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 1;
    Ctx.CurveLength = 176;
    Mul(Ctx, 1.509f, _, 2.686f, _);
    // row: "EOSDCS3B"
  } else if (m == "EOSDCS3B") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 2;
    Mul(Ctx, 1.629f, _, 2.767f, _);
    // row: "EOSDCS1"
  } else if (m == "EOSDCS1") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 2;
    Mul(Ctx, 1.386f, _, 2.405f, _);
    // row: "DCS315C"
  } else if (m == "DCS315C") {
    Ctx.Black = 32;
    Mul(Ctx, _, 1.068f, 1.036f, _);
    // row: "DCS330C"
  } else if (m == "DCS330C") {
    Ctx.Black = 32;
    Mul(Ctx, _, 1.012f, 1.804f, _);
    // row: "DCS420"
  } else if (m == "DCS420") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 2;
    Mul(Ctx, 1.327f, _, 2.074f, _);
    // row: "DCS460"
  } else if (m == "DCS460") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 2;
    Mul(Ctx, 1.724f, _, 2.411f, _);
    // row: "DCS460A"
  } else if (m == "DCS460A") {
    Ctx.Width -= 4;
    Ctx.LeftMargin = 2;
    Ctx.Colors = 1;
    Ctx.Filters = 0;
    // row: "DCS520C"
  } else if (m == "DCS520C") {
    Ctx.Black = 720;
    Mul(Ctx, 1.006f, _, 1.858f, _);
    // row: "DCS560C"
  } else if (m == "DCS560C") {
    Ctx.Black = 750;
    Mul(Ctx, _, 1.053f, 1.703f, _);
    // row: "DCS620C"
  } else if (m == "DCS620C") {
    Ctx.Black = 720;
    Mul(Ctx, _, 1.002f, 1.818f, _);
    // row: "DCS62$"
  } else if (m == "DCS62$") {
    Ctx.Black = 740;
    Mul(Ctx, 1.486f, _, 1.28f, _);
    Ctx.IsCmy = true;
    // row: "DCS660C"
  } else if (m == "DCS660C") {
    Ctx.Black = 855;
    Mul(Ctx, 1.156f, _, 1.626f, _);
    // row: "DCS660M"
  } else if (m == "DCS660M") {
    Ctx.Black = 855;
    Ctx.Colors = 1;
    Ctx.Filters = 0;
    // row: "DCS72$"
  } else if (m == "DCS72$") {
    Mul(Ctx, 1.35f, _, 1.18f, _);
    Ctx.IsCmy = true;
    // row: "DCS760C"
  } else if (m == "DCS760C") {
    Mul(Ctx, 1.06f, _, 1.72f, _);
    // row: "DCS760M"
  } else if (m == "DCS760M") {
    Ctx.Colors = 1;
    Ctx.Filters = 0;
    // row: "ProBack"
  } else if (m == "ProBack") {
    Mul(Ctx, 1.06f, _, 1.385f, _);
    // row: "PB645C"
  } else if (StartsWith(Ctx.Model2, "PB645C")) {
    Mul(Ctx, 1.0497f, _, 1.3306f, _);
    // row: "PB645H"
  } else if (StartsWith(Ctx.Model2, "PB645H")) {
    Mul(Ctx, 1.201f, _, 1.5061f, _);
    // row: "PB645M"
  } else if (StartsWith(Ctx.Model2, "PB645M")) {
    Mul(Ctx, 1.0175f, _, 1.5424f, _);
    // row: "DCS Pro 14n"
  } else if (SameNoCase(m, "DCS Pro 14n")) {
    Mul(Ctx, _, 1.0323f, 1.258f, _);
    // row: "DCS Pro 14nx"
  } else if (SameNoCase(m, "DCS Pro 14nx")) {
    Mul(Ctx, 1.336f, _, 1.3155f, _);
    // row: "DCS Pro SLR/c"
  } else if (SameNoCase(m, "DCS Pro SLR/c")) {
    Mul(Ctx, 1.425f, _, 1.293f, _);
    // row: "DCS Pro SLR/n"
  } else if (SameNoCase(m, "DCS Pro SLR/n")) {
    Mul(Ctx, 1.324f, _, 1.483f, _);
  }
  // row: end of Kodak rows
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

}  // namespace

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
  const std::string& m = Ctx.Model;
  const bool kodak = SameNoCase(Ctx.Make, "KODAK");
  auto fuji7000 = [&](float R, float B) {
    Size(Ctx, 3587, 3588);
    Ctx.Filters = 0x49494949;
    Ctx.LoadRaw = LoadFujiS7000Raw;
    Ctx.RgbMax = 0xF800;
    Mul(Ctx, R, _, B, _);
  };
  // row: "PowerShot 600"
  if (m == "PowerShot 600") {
    Size(Ctx, 613, 854);
    Ctx.Colors = 4;
    Ctx.Filters = 0xE1E4E1E4;
    Ctx.LoadRaw = LoadPowerShot600Raw;
    Mul(Ctx, 1.137f, 1.257f, _, _);
    // row: "PowerShot A5"
  } else if (m == "PowerShot A5" || m == "PowerShot A5 Zoom") {
    Size(Ctx, 776, 960);
    Ctx.RawWidth = 992;
    Ctx.Colors = 4;
    Ctx.Filters = 0x1E4E1E4E;
    Ctx.LoadRaw = LoadPowerShotA5Raw;
    Mul(Ctx, 1.5842f, 1.2966f, 1.0419f, _);
    // row: "PowerShot A50"
  } else if (m == "PowerShot A50") {
    Size(Ctx, 968, 1290);
    Ctx.RawWidth = 1320;
    Ctx.Colors = 4;
    Ctx.Filters = 0x1B4E4B1E;
    Ctx.LoadRaw = LoadPowerShotA5Raw;
    Mul(Ctx, 1.75f, 1.381f, _, 1.182f);
    // row: "PowerShot Pro70"
  } else if (m == "PowerShot Pro70") {
    Size(Ctx, 1024, 1552);
    Ctx.Colors = 4;
    Ctx.Filters = 0x1E4B4E1B;
    Ctx.LoadRaw = LoadPowerShotA5Raw;
    Mul(Ctx, 1.389f, 1.343f, _, 1.034f);
    // row: "PowerShot Pro90 IS"
  } else if (m == "PowerShot Pro90 IS") {
    Ctx.Width = 1896;
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Mul(Ctx, 1.496f, 1.509f, _, 1.009f);
    // row: Canon, RW 2144
  } else if (Ctx.IsCanon && Ctx.RawWidth == 2144) {
    Size(Ctx, 1550, 2088);
    Ctx.TopMargin = 8;
    Ctx.LeftMargin = 4;
    if (m == "PowerShot G1") {
      Ctx.Colors = 4;
      Ctx.Filters = 0xB4B4B4B4;
      Mul(Ctx, 1.446f, 1.405f, 1.016f, _);
    } else {
      Mul(Ctx, 1.785f, _, 1.266f, _);
    }
    // row: Canon, RW 2224
  } else if (Ctx.IsCanon && Ctx.RawWidth == 2224) {
    Size(Ctx, 1448, 2176);
    Ctx.TopMargin = 6;
    Ctx.LeftMargin = 48;
    Mul(Ctx, 1.592f, _, 1.261f, _);
    // row: Canon, RW 2376
  } else if (Ctx.IsCanon && Ctx.RawWidth == 2376) {
    Size(Ctx, 1720, 2312);
    Ctx.TopMargin = 6;
    Ctx.LeftMargin = 12;
    if (m == "PowerShot G2" || m == "PowerShot S40")
      Mul(Ctx, 1.965f, _, 1.208f, _);
    else
      Mul(Ctx, 1.855f, _, 1.339f, _);
    // row: Canon, RW 2672
  } else if (Ctx.IsCanon && Ctx.RawWidth == 2672) {
    Size(Ctx, 1960, 2616);
    Ctx.TopMargin = 6;
    Ctx.LeftMargin = 12;
    Mul(Ctx, 1.895f, _, 1.403f, _);
    // row: Canon, RW 3152
  } else if (Ctx.IsCanon && Ctx.RawWidth == 3152) {
    Size(Ctx, 2056, 3088);
    Ctx.TopMargin = 12;
    Ctx.LeftMargin = 64;
    Ctx.RgbMax = 16000;
    if (m == "EOS Kiss Digital")
      Mul(Ctx, 1.882f, _, 1.094f, _);
    else
      Mul(Ctx, 2.242f, _, 1.245f, _);
    // row: Canon, RW 3160
  } else if (Ctx.IsCanon && Ctx.RawWidth == 3160) {
    Size(Ctx, 2328, 3112);
    Ctx.TopMargin = 12;
    Ctx.LeftMargin = 44;
    Mul(Ctx, 1.85f, _, 1.53f, _);
    // row: Canon, RW 3344
  } else if (Ctx.IsCanon && Ctx.RawWidth == 3344) {
    Size(Ctx, 2472, 3288);
    Ctx.TopMargin = 6;
    Ctx.LeftMargin = 4;
    Mul(Ctx, 1.621f, _, 1.528f, _);
    // row: "EOS-1D"
  } else if (m == "EOS-1D") {
    Size(Ctx, 1662, 2496);
    Ctx.DataOffset = 288912;
    Mul(Ctx, 1.976f, _, 1.282f, _);
    // row: "EOS-1DS"
  } else if (m == "EOS-1DS") {
    Size(Ctx, 2718, 4082);
    Ctx.DataOffset = 289168;
    Ctx.RgbMax = 14464;
    Mul(Ctx, 1.66f, _, 1.13f, _);
    // row: "EOS-1D Mark II"
  } else if (m == "EOS-1D Mark II" || m == "EOS 20D") {
    Ctx.RawHeight = 2360;
    Ctx.RawWidth = 3596;
    Ctx.TopMargin = 12;
    Ctx.LeftMargin = 74;
    Ctx.Height = Ctx.RawHeight - Ctx.TopMargin;
    Ctx.Width = Ctx.RawWidth - Ctx.LeftMargin;
    Ctx.Filters = 0x94949494;
    Mul(Ctx, 1.95f, _, 1.36f, _);
    // row: "EOS-1Ds Mark II"
  } else if (m == "EOS-1Ds Mark II") {
    Ctx.RawHeight = 3349;
    Ctx.RawWidth = 5108;
    Ctx.TopMargin = 13;
    Ctx.LeftMargin = 98;
    Ctx.Height = Ctx.RawHeight - Ctx.TopMargin;
    Ctx.Width = Ctx.RawWidth - Ctx.LeftMargin;
    Ctx.Filters = 0x94949494;
    Ctx.RgbMax = 0x3A00;
    Mul(Ctx, 1.609f, _, 1.848f, _);
    // row: "EOS D2000C"
  } else if (m == "EOS D2000C") {
    Ctx.Black = 800;
    Mul(Ctx, _, _, 1.25f, _);
    // row: "D1"
  } else if (m == "D1") {
    Ctx.Filters = 0x16161616;
    Mul(Ctx, 0.838f, _, 1.095f, _);
    // row: "D1H"
  } else if (m == "D1H") {
    Ctx.Filters = 0x16161616;
    Mul(Ctx, 2.301f, _, 1.129f, _);
    // row: "D1X"
  } else if (m == "D1X") {
    Ctx.Width = 4024;
    Ctx.Filters = 0x16161616;
    Ctx.YMag = 2;
    Mul(Ctx, 1.91f, _, 1.22f, _);
    // row: "D100"
  } else if (m == "D100") {
    if (Ctx.Compression == 34713 && Ctx.LoadRaw == LoadNikonPackedRaw) {
      Ctx.RawWidth = Ctx.Width + 6;
      Ctx.Width += 3;
    }
    Ctx.Filters = 0x61616161;
    Ctx.RgbMax = 15632;
    Mul(Ctx, 2.374f, _, 1.677f, _);
    // row: "D2H"
  } else if (m == "D2H") {
    Ctx.Width = 2482;
    Ctx.LeftMargin = 6;
    Ctx.Filters = 0x49494949;
    Mul(Ctx, 2.8f, _, 1.2f, _);
    // row: "D70"
  } else if (m == "D70") {
    Ctx.Filters = 0x16161616;
    Mul(Ctx, 2.043f, _, 1.625f, _);
    // row: "E950"
  } else if (m == "E950") {
    Size(Ctx, 1203, 1616);
    Ctx.Colors = 4;
    Ctx.Filters = 0x4B4B4B4B;
    Ctx.LoadRaw = LoadNikonE950Raw;
    SetNikonE950Coeff(Ctx);
    Mul(Ctx, 1.1819f, _, 1.1645f, 1.1725f);
    // row: "E990"
  } else if (m == "E990") {
    Size(Ctx, 1540, 2064);
    Ctx.Colors = 4;
    if (IsNikonE990(Ctx)) {
      Ctx.Filters = 0xB4B4B4B4;
      SetNikonE950Coeff(Ctx);
      Mul(Ctx, 1.196f, 1.246f, 1.018f, _);
    } else {
      Ctx.Model = "E995";
      Ctx.Filters = 0xE1E1E1E1;
      Mul(Ctx, 1.253f, 1.178f, _, 1.035f);
    }
    // row: "E2100"
  } else if (m == "E2100") {
    Ctx.Width = 1616;
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
    // row: "E4300"
  } else if (m == "E4300") {
    Size(Ctx, 1710, 2288);
    Ctx.Filters = 0x16161616;
    if (IsMinoltaZ2(Ctx)) {
      Ctx.Make = "Minolta";
      Ctx.Model = "DiMAGE Z2";
      Ctx.LoadRaw = LoadNikonE2100Raw;
    }
    // row: "E4500"
  } else if (m == "E4500") {
    Size(Ctx, 1708, 2288);
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Mul(Ctx, 1.3f, 1.3f, _, 1.148f);
    // row: "E5000"
  } else if (m == "E5000" || m == "E5700") {
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Mul(Ctx, 1.3f, 1.3f, _, 1.148f);
    // row: "E5400"
  } else if (m == "E5400") {
    Ctx.Filters = 0x16161616;
    Mul(Ctx, 1.7f, _, 1.344f, _);
    // row: "E8700"
  } else if (m == "E8700" || m == "E8800") {
    Ctx.Filters = 0x16161616;
    Mul(Ctx, 2.131f, _, 1.3f, _);
    // row: "FinePixS2Pro"
  } else if (m == "FinePixS2Pro") {
    Size(Ctx, 3584, 3583);
    Ctx.Filters = 0x61616161;
    Ctx.LoadRaw = LoadFujiS2Raw;
    Ctx.Black = 512;
    Mul(Ctx, 1.424f, _, 1.718f, _);
    // row: "FinePix S5000"
  } else if (m == "FinePix S5000") {
    Size(Ctx, 2499, 2500);
    Ctx.Filters = 0x49494949;
    Ctx.LoadRaw = LoadFujiS5000Raw;
    Ctx.RgbMax = 0xF800;
    Mul(Ctx, 1.639f, _, 1.438f, _);
    // row: "FinePix S7000"
  } else if (m == "FinePix S7000") {
    fuji7000(1.62f, 1.38f);
    // row: "FinePix E550"
  } else if (m == "FinePix E550") {
    fuji7000(1.45f, 1.25f);
    // row: "F700" block
  } else if (m == "FinePix F700" || m == "FinePix S20Pro") {
    Size(Ctx, 2523, 2524);
    Ctx.Filters = 0x49494949;
    Ctx.LoadRaw = LoadFujiF700Raw;
    Ctx.RgbMax = 0x3E00;
    Mul(Ctx, 1.639f, _, 1.438f, _);
    // row: "Digital Camera KD-400Z"
  } else if (m == "Digital Camera KD-400Z") {
    Size(Ctx, 1712, 2312);
    Ctx.RawWidth = 2336;
    Ctx.DataOffset = 4034;
    WhiteBalanceAt(Ctx, 2032);
    // row: "Digital Camera KD-510Z"
  } else if (m == "Digital Camera KD-510Z") {
    Size(Ctx, 1956, 2607);
    Ctx.RawWidth = 2624;
    Ctx.DataOffset = 4032;
    Ctx.Filters = 0x61616161;
    WhiteBalanceAt(Ctx, 2032);
    // row: `Make` "MINOLTA"
  } else if (SameNoCase(Ctx.Make, "MINOLTA")) {
    Ctx.LoadRaw = LoadUnpackedBEMinus2;
    Ctx.RgbMax = 15860;
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
    // row: "*ist D"
  } else if (m == "*ist D") {
    Size(Ctx, 2024, 3040);
    Ctx.DataOffset = 65536;
    Ctx.LoadRaw = LoadUnpackedBEMinus2;
    Mul(Ctx, 1.76f, 1.07f, _, _);
    // row: "Optio S"
  } else if (m == "Optio S") {
    Size(Ctx, 1544, 2068);
    Ctx.RawWidth = 3136;
    Ctx.LoadRaw = LoadPacked12Raw;
    Mul(Ctx, 1.506f, _, 1.152f, _);
    // row: "Optio S4"
  } else if (m == "Optio S4") {
    Size(Ctx, 1737, 2324);
    Ctx.RawWidth = 3520;
    Ctx.LoadRaw = LoadPacked12Raw;
    Mul(Ctx, 1.308f, _, 1.275f, _);
    // row: `Make` "Phase One"
  } else if (Ctx.Make == "Phase One") {
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
    Ctx.LoadRaw = LoadPhaseOneRaw;
    Ctx.RgbMax = 0xFFFF;
    // row: "Ixpress"
  } else if (m == "Ixpress") {
    Size(Ctx, 4084, 4080);
    Ctx.Filters = 0x49494949;
    Ctx.LoadRaw = LoadIxpressRaw;
    Ctx.RgbMax = 0xFFFF;
    Mul(Ctx, 1.963f, _, 1.43f, _);
    // row: `Make` "Sinar" and head "8BPS"
  } else if (Ctx.Make == "Sinar" && std::memcmp(Head, "8BPS", 4) == 0) {
    RawSeek(Ctx, 14);
    Ctx.Height = static_cast<int32_t>(GetLong(Ctx));
    Ctx.Width = static_cast<int32_t>(GetLong(Ctx));
    Ctx.Filters = 0x61616161;
    Ctx.DataOffset = 68;
    Ctx.LoadRaw = LoadUnpackedBE0;
    Ctx.RgbMax = 0xFFFF;
    // row: `Make` "Leaf"
  } else if (Ctx.Make == "Leaf") {
    if (Ctx.Width < Ctx.Height) Ctx.Filters = 0x16161616;
    Ctx.LoadRaw = LoadUnpackedBE0;
    Ctx.RgbMax = 0xFFFF;
    Mul(Ctx, 1.1629f, _, 1.3556f, _);
    // row: "DIGILUX 2", "DMC-LC1"
  } else if (m == "DIGILUX 2" || m == "DMC-LC1") {
    Size(Ctx, 1928, 2568);
    Ctx.DataOffset = 1024;
    Ctx.LoadRaw = LoadUnpackedLE2;
    Mul(Ctx, 1.883f, _, 1.367f, _);
    // row: "E-1"
  } else if (m == "E-1") {
    Ctx.Filters = 0x61616161;
    Ctx.LoadRaw = LoadUnpackedLE2;
    Mul(Ctx, 1.57f, _, 1.48f, _);
    // row: "E-10"
  } else if (m == "E-10") {
    Ctx.LoadRaw = LoadUnpackedBE2;
    Mul(Ctx, 1.43f, _, 1.77f, _);
    // row: `Model` beginning "E-20"
  } else if (StartsWith(m, "E-20")) {
    Ctx.LoadRaw = LoadUnpackedBE2;
    Ctx.Black = 640;
    Mul(Ctx, 1.43f, _, 1.77f, _);
    // row: "C5050Z"
  } else if (m == "C5050Z") {
    Ctx.Filters = 0x16161616;
    Ctx.LoadRaw = LoadOlympusCSeriesRaw;
    Mul(Ctx, 1.533f, _, 1.88f, _);
    // row: "C5060WZ"
  } else if (m == "C5060WZ") {
    Ctx.LoadRaw = LoadOlympusCSeriesRaw;
    Mul(Ctx, 2.285f, _, 1.023f, _);
    // row: "C8080WZ"
  } else if (m == "C8080WZ") {
    Ctx.Filters = 0x16161616;
    Ctx.LoadRaw = LoadOlympusCSeriesRaw;
    Mul(Ctx, 2.335f, _, 1.323f, _);
    // row: "N DIGITAL"
  } else if (m == "N DIGITAL") {
    Size(Ctx, 2047, 3072);
    Ctx.Filters = 0x61616161;
    Ctx.DataOffset = 6656;
    Ctx.LoadRaw = LoadPacked12Raw;
    Mul(Ctx, 1.366f, _, 1.251f, _);
    // row: "DSC-F828"
  } else if (m == "DSC-F828") {
    Size(Ctx, 2460, 3288);
    Ctx.RawWidth = 3360;
    Ctx.LeftMargin = 5;
    Ctx.Colors = 4;
    Ctx.Filters = 0xB4B4B4B4;
    Ctx.LoadRaw = LoadSonyRaw;
    SetSonyF828Coeff(Ctx);
    Mul(Ctx, 1.512f, 1.02f, 1.405f, _);
    // row: `Make` "Rollei"
  } else if (!kodak && Ctx.Make == "Rollei") {
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
    Ctx.Filters = 0x16161616;
    Ctx.LoadRaw = LoadRolleiRaw;
    Mul(Ctx, 1.8f, _, 1.3f, _);
    // row: `Make` "SIGMA"
  } else if (!kodak && Ctx.Make == "SIGMA") {
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
    Ctx.Filters = 0;
    Ctx.LoadRaw = LoadFoveonRaw;
    Ctx.IsFoveon = true;
    Mul(Ctx, 1.179f, _, 0.713f, _);
    if (m == "SD10") {
      Ctx.PreMul[0] *= 2.07f;
      Ctx.PreMul[2] *= 2.3f;
    }
    SetFoveonCoeff(Ctx);
    Ctx.RgbMax = 5600;
    // row: "PC-CAM 600"
  } else if (!kodak && m == "PC-CAM 600") {
    Size(Ctx, 768, 1024);
    Ctx.DataOffset = 1024;
    Ctx.Filters = 0x49494949;
    Ctx.LoadRaw = eight_bit_load_raw;
    Mul(Ctx, 1.14f, _, 2.73f, _);
    // row: "QV-2000UX"
  } else if (!kodak && m == "QV-2000UX") {
    Size(Ctx, 1208, 1632);
    Ctx.DataOffset = 3264;
    Ctx.LoadRaw = eight_bit_load_raw;
    // row: "QV-3*00EX"
  } else if (!kodak && m == "QV-3*00EX") {
    Size(Ctx, 1546, 2070);
    Ctx.RawWidth = 2080;
    Ctx.LoadRaw = eight_bit_load_raw;
    // row: "QV-4000"
  } else if (!kodak && m == "QV-4000") {
    Size(Ctx, 1700, 2260);
    Ctx.LoadRaw = LoadUnpackedBE2;
    // row: "QV-5700"
  } else if (!kodak && m == "QV-5700") {
    Size(Ctx, 1924, 2576);
    Ctx.LoadRaw = LoadCasioQV5700Raw;
    // row: "EX-P600"
  } else if (!kodak && m == "EX-P600") {
    Size(Ctx, 2142, 2844);
    Ctx.RawWidth = 4288;
    Ctx.LoadRaw = LoadPacked12Raw;
    Mul(Ctx, 2.356f, 1.069f, _, _);
    // row: `Make` "Nucore"
  } else if (!kodak && Ctx.Make == "Nucore") {
    Ctx.Filters = 0x61616161;
    Ctx.LoadRaw = nucore_load_raw;
    // row: Kodak block
  } else if (kodak) {
    Ctx.Filters = 0x61616161;
    KodakRows(Ctx);
    if (!KodakLoader(Ctx)) return false;
  }
  // row: end of table
  return true;
}
