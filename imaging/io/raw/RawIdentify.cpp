#include "imaging/io/raw/RawIdentify.h"

#include <cstring>
#include <vector>

#include "imaging/io/raw/RawCameraTable.h"
#include "imaging/io/raw/RawColor.h"
#include "imaging/io/raw/RawContainers.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawPackedLoaders.h"

const TIERawFileSize kRawFileSizes[16] = {
    {62464, "Kodak", "DC20"},
    {124928, "Kodak", "DC20"},
    {2465792, "NIKON", "E950"},
    {2940928, "NIKON", "E2100"},
    {4771840, "NIKON", "E990"},
    {5865472, "NIKON", "E4500"},
    {5869568, "NIKON", "E4300"},
    {787456, "Creative", "PC-CAM 600"},
    {1976352, "Casio", "QV-2000UX"},
    {3217760, "Casio", "QV-3*00EX"},
    {6218368, "Casio", "QV-5700"},
    {7684000, "Casio", "QV-4000"},
    {9313536, "Casio", "EX-P600"},
    {4841984, "Pentax", "Optio S"},
    {6114240, "Pentax", "Optio S4"},
    {12582980, "Sinar", ""},
};

namespace {

const char* const kMakers[] = {"Canon", "NIKON", "Kodak", "PENTAX", "MINOLTA", "Minolta", "Konica"};

bool StartsWith(const std::string& S, const char* Prefix) {
  return S.compare(0, std::strlen(Prefix), Prefix) == 0;
}

void TrimRight(std::string& S) {
  while (!S.empty() && S.back() == ' ') S.pop_back();
}

uint32_t LongAt(TIERawContext& Ctx, int64_t Position) {
  RawSeek(Ctx, Position);
  return GetLong(Ctx);
}

uint16_t WordAt(TIERawContext& Ctx, int64_t Position) {
  RawSeek(Ctx, Position);
  return GetWord(Ctx);
}

// Sizes no camera can have, or a pixel count neither the camera table nor
// the file's size can account for.
bool PlausibleGeometry(const TIERawContext& Ctx) {
  auto side = [](int32_t v) { return v > 0 && v <= kRawMaxSide; };
  if (!side(Ctx.Height) || !side(Ctx.Width) || !side(Ctx.RawHeight) || !side(Ctx.RawWidth)) return false;
  if (Ctx.TopMargin < 0 || Ctx.LeftMargin < 0) return false;
  const int64_t limit = std::max<int64_t>(kRawLargestSensor, Ctx.StreamSize * 4);
  return int64_t{Ctx.Height} * Ctx.Width <= limit && int64_t{Ctx.RawHeight} * Ctx.RawWidth <= limit;
}

}  // namespace

bool NikonIsCompressed(TIERawContext& Ctx) {
  if (Ctx.Compression != 34713) return false;
  if (Ctx.Model != "D100") return true;
  uint8_t test[256];
  RawSeek(Ctx, Ctx.DataOffset);
  RawRead(Ctx, test, 256);
  for (int32_t i = 15; i < 256; i += 16)
    if (test[i]) return true;
  return false;
}

bool IsNikonE990(TIERawContext& Ctx) {
  static const uint8_t kOften[] = {0x00, 0x55, 0xAA, 0xFF};
  std::vector<uint8_t> buf(2000);
  int32_t histo[256] = {};
  RawSeek(Ctx, 2383920);
  RawRead(Ctx, buf.data(), 2000);
  for (uint8_t b : buf) ++histo[b];
  for (uint8_t v : kOften)
    if (histo[v] > 400) return true;
  return false;
}

bool IsNikonE2100(TIERawContext& Ctx) {
  uint8_t t[12];
  RawSeek(Ctx, 0);
  for (int32_t i = 0; i < 1024; ++i) {
    RawRead(Ctx, t, 12);
    if ((((t[2] & t[4] & t[7] & t[9]) >> 4) & t[1] & t[6] & t[8] & t[11] & 3) != 3) return false;
  }
  return true;
}

bool IsMinoltaZ2(TIERawContext& Ctx) {
  uint8_t tail[424];
  RawSeek(Ctx, Ctx.StreamSize - 424);
  RawRead(Ctx, tail, 424);
  for (uint8_t b : tail)
    if (b) return true;
  return false;
}

int32_t IdentifyCamera(TIERawContext& Ctx) {
  // 1. Clear what the containers fill.
  Ctx.RawHeight = Ctx.RawWidth = 0;
  Ctx.Make.clear();
  Ctx.Model.clear();
  Ctx.Model2.clear();
  std::memset(Ctx.White, 0, sizeof Ctx.White);
  Ctx.CameraRed = Ctx.CameraBlue = 0;
  Ctx.DataOffset = Ctx.CurveOffset = 0;
  Ctx.Compression = 0;
  Ctx.ZeroAfterFF = false;

  // 2. Byte order, header length and the head.
  uint8_t head[32] = {};
  RawSeek(Ctx, 0);
  RawRead(Ctx, head, 32);
  Ctx.ByteOrder = static_cast<uint16_t>(head[0] | (head[1] << 8));
  const uint32_t hlen = LongAt(Ctx, 2);
  const int64_t fsize = Ctx.StreamSize;

  // 3. The container.
  const uint8_t* phase = static_cast<const uint8_t*>(memmem(head, 32, "MMMMRawT", 8));
  if (phase) {
    const int64_t k = phase - head;
    Ctx.Make = "Phase One";
    Ctx.DataOffset = k;
    RawSeek(Ctx, k + 8);
    RawSkip(Ctx, int64_t{GetLong(Ctx)} + 136);
    Ctx.RawWidth = static_cast<int32_t>(GetLong(Ctx));
    RawSkip(Ctx, 12);
    Ctx.RawHeight = static_cast<int32_t>(GetLong(Ctx));
  } else if (Ctx.ByteOrder == kRawIntel || Ctx.ByteOrder == kRawMotorola) {
    if (std::memcmp(head + 6, "HEAPCCDR", 8) == 0) {
      Ctx.DataOffset = hlen;
      ParseCiff(Ctx, hlen, fsize - hlen);
    } else {
      ParseTiff(Ctx, 0);
      if (StartsWith(Ctx.Make, "NIKON") && Ctx.RawWidth == 0) Ctx.Make.clear();
    }
  } else if (std::memcmp(head, "\0MRM", 4) == 0) {
    ParseTiff(Ctx, 48);
    Ctx.DataOffset = int64_t{LongAt(Ctx, 4)} + 8;
    Ctx.RawHeight = WordAt(Ctx, 24);
    Ctx.RawWidth = WordAt(Ctx, 26);
    RawSeek(Ctx, 12);
    RawSkip(Ctx, int64_t{GetLong(Ctx)} + 4);
    RawSkip(Ctx, int64_t{GetLong(Ctx)} + 12);
    const double a = GetWord(Ctx), b = GetWord(Ctx), c = GetWord(Ctx), d = GetWord(Ctx);
    Ctx.CameraRed = RawRatio(a, b);
    Ctx.CameraBlue = RawRatio(d, c);
  } else if (!(head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF && head[3] == 0xE1 &&
               std::memcmp(head + 6, "Exif", 4) == 0)) {
    if (std::memcmp(head, "BM", 2) == 0 || std::memcmp(head, "BR", 2) == 0) {
      bool nucore = true;
      if (head[1] == 'M') {
        Ctx.DataOffset = 4096;
        Ctx.ByteOrder = kRawIntel;
        if (LongAt(Ctx, 38) == 2834 && GetLong(Ctx) == 2834)
          Ctx.Model = "BMQ";
        else
          nucore = false;
      } else {
        Ctx.Model = "RAW";
      }
      if (nucore) {
        Ctx.Make = "Nucore";
        Ctx.ByteOrder = kRawIntel;
        Ctx.DataOffset += LongAt(Ctx, 10);
        RawSkip(Ctx, 4);
        Ctx.RawWidth = static_cast<int32_t>(GetLong(Ctx));
        Ctx.RawHeight = static_cast<int32_t>(GetLong(Ctx));
        if (StartsWith(Ctx.Model, "B") && Ctx.RawWidth == 2597) {
          Ctx.RawWidth = 2598;
          Ctx.DataOffset -= 4096;
        }
      }
    } else if (std::memcmp(head + 25, "ARECOYK", 7) == 0) {
      Ctx.Make = "CONTAX";
      Ctx.Model = "N DIGITAL";
    } else if (std::memcmp(head, "FUJIFILM", 8) == 0) {
      ParseTiff(Ctx, int64_t{LongAt(Ctx, 84)} + 12);
      Ctx.ByteOrder = kRawMotorola;
      Ctx.DataOffset = LongAt(Ctx, 100);
    } else if (std::memcmp(head, "DSC-Image", 9) == 0) {
      ParseRollei(Ctx);
    } else if (std::memcmp(head, "FOVb", 4) != 0) {
      for (const TIERawFileSize& f : kRawFileSizes)
        if (f.Size == fsize) {
          Ctx.Make = f.Maker;
          Ctx.Model = f.Model;
        }
    } else {
      parse_foveon(Ctx);
    }
  } else {
    // A JPEG file with an EXIF block: the TIFF structure after the APP1
    // segment's header, unless another marker follows at once.
    RawSeek(Ctx, 4 + int64_t{WordAt(Ctx, 4)});
    if (RawGetByte(Ctx) != 0xFF) ParseTiff(Ctx, 12);
  }

  // 4. The maker's name.
  for (const char* maker : kMakers)
    if (Ctx.Make.find(maker) != std::string::npos) Ctx.Make = maker;
  if (StartsWith(Ctx.Make, "KODAK")) {
    if (Ctx.Make.size() > 16) Ctx.Make.resize(16);
    if (Ctx.Model.size() > 16) Ctx.Model.resize(16);
  }
  TrimRight(Ctx.Make);
  TrimRight(Ctx.Model);
  if (!Ctx.Make.empty() && StartsWith(Ctx.Model, Ctx.Make.c_str()))
    Ctx.Model.erase(0, std::min(Ctx.Model.size(), Ctx.Make.size() + 1));
  if (Ctx.Make.empty()) return 1;

  // 5. Defaults.
  Ctx.LoadRaw = nullptr;
  Ctx.Height = Ctx.RawHeight;
  Ctx.Width = Ctx.RawWidth;
  Ctx.TopMargin = Ctx.LeftMargin = 0;
  Ctx.Colors = 3;
  Ctx.Filters = 0x94949494;
  Ctx.Black = 0;
  Ctx.IsCmy = Ctx.IsFoveon = Ctx.UseCoeff = false;
  for (float& m : Ctx.PreMul) m = 1;
  Ctx.YMag = 1;
  Ctx.RgbMax = 0x4000;

  // 6. The maker's loader.
  Ctx.IsCanon = Ctx.Make == "Canon";
  if (Ctx.IsCanon) {
    if (std::memcmp(head + 6, "HEAPCCDR", 8) != 0) {
      Ctx.Filters = 0x61616161;
      Ctx.LoadRaw = LoadLosslessJpegRaw;
    } else if (Ctx.RawWidth != 0) {
      Ctx.LoadRaw = canon_compressed_load_raw;
    }
  }
  if (Ctx.Make == "NIKON") Ctx.LoadRaw = NikonIsCompressed(Ctx) ? nikon_compressed_load_raw : LoadNikonPackedRaw;

  // 7. The camera table.
  if (!ApplyCameraTable(Ctx, head)) return 1;

  // 8. Final checks and adjustments.
  if (!Ctx.LoadRaw || Ctx.Height == 0) return 1;
  if (Ctx.RawHeight == 0) Ctx.RawHeight = Ctx.Height;
  if (Ctx.RawWidth == 0) Ctx.RawWidth = Ctx.Width;
  if (!PlausibleGeometry(Ctx)) return 1;
  if (Ctx.Colors == 4 && !Ctx.UseCoeff) ComputeCmygCoeff(Ctx);
  if (Ctx.UseCoeff)
    for (int32_t i = 0; i < Ctx.Colors && i < 4; ++i) {
      Ctx.Coeff[0][i] *= Ctx.RedScale;
      Ctx.Coeff[2][i] *= Ctx.BlueScale;
    }
  if (Ctx.FourColorRGB && Ctx.Filters && Ctx.Colors == 3) {
    uint32_t f = 0;
    for (int32_t k = 0; k < 32; k += 4) {
      uint32_t g = (Ctx.Filters >> k) & 15;
      if (g == 9) g += 2;
      if (g == 6) g += 8;
      f |= g << k;
    }
    Ctx.Filters = f;
    Ctx.Colors = 4;
    Ctx.PreMul[3] = Ctx.PreMul[1];
    if (Ctx.UseCoeff)
      for (auto& row : Ctx.Coeff) row[3] = row[1] /= 2;
  }

  // 9. At the sensor data.
  RawSeek(Ctx, Ctx.DataOffset);
  return 0;
}
