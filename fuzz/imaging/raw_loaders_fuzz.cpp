// Fuzz target: every sensor-data loader on arbitrary data with a small,
// fuzzed geometry (the first bytes choose the loader and the sizes).
#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

#include "imaging/io/raw/RawColor.h"
#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawPackedLoaders.h"
#include "imaging/model/IEStreams.h"

namespace {

const TIERawLoader kLoaders[] = {
    canon_compressed_load_raw, LoadLosslessJpegRaw, nikon_compressed_load_raw, LoadKodakRadcRaw,
    LoadKodakCompressedRaw,    LoadKodakYuvRaw,     LoadPowerShot600Raw,       LoadPowerShotA5Raw,
    LoadNikonPackedRaw,        LoadNikonE2100Raw,   LoadNikonE950Raw,          LoadFujiS2Raw,
    LoadFujiS5000Raw,          LoadFujiS7000Raw,    LoadFujiF700Raw,           LoadRolleiRaw,
    LoadPhaseOneRaw,           LoadIxpressRaw,      LoadPacked12Raw,           LoadUnpackedBE0,
    LoadUnpackedBE2,           LoadUnpackedBEMinus2, LoadUnpackedBEMinus4,     LoadUnpackedLE2,
    LoadOlympusCSeriesRaw,     eight_bit_load_raw,  LoadCasioQV5700Raw,        nucore_load_raw,
    LoadKodakDC120Raw,         LoadKodakDC120JpegRaw, kodak_easy_load_raw,     LoadSonyRaw,
    LoadFoveonRaw,
};
constexpr size_t kCount = sizeof kLoaders / sizeof kLoaders[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 10 || Size > (1u << 20)) return 0;
  TIEMemStream stream(Data + 10, static_cast<int64_t>(Size - 10));
  auto ctx = std::make_unique<TIERawContext>();
  ctx->Stream = &stream;
  ctx->StreamSize = static_cast<int64_t>(Size - 10);
  ctx->LoadRaw = kLoaders[Data[0] % kCount];
  ctx->Height = 1 + Data[1] % 48;
  ctx->Width = 1 + Data[2] % 48;
  ctx->RawHeight = ctx->Height + Data[3] % 8;
  ctx->RawWidth = ctx->Width + Data[4] % 16;
  ctx->TopMargin = Data[5] % 4;
  ctx->LeftMargin = Data[6] % 4;
  static const uint32_t kFilters[] = {0x94949494, 0x61616161, 0x16161616, 0x49494949, 0xB4B4B4B4, 0};
  ctx->Filters = kFilters[Data[7] % 6];
  ctx->Shrink = ctx->Filters && (Data[7] & 0x80) ? 1 : 0;
  ctx->ByteOrder = (Data[8] & 1) ? kRawMotorola : kRawIntel;
  ctx->Make = (Data[8] & 2) ? "KODAK" : "Canon";
  ctx->Model = (Data[8] & 4) ? "E4500" : "DC40";
  ctx->Compression = (Data[8] & 8) ? 34713 : 0;
  ctx->CurveOffset = Data[9];
  ctx->CurveLength = Data[9] * 37;
  ctx->IHeight = (ctx->Height + ctx->Shrink) >> ctx->Shrink;
  ctx->IWidth = (ctx->Width + ctx->Shrink) >> ctx->Shrink;
  ctx->Image.assign(static_cast<size_t>(ctx->IHeight) * static_cast<size_t>(ctx->IWidth), {0, 0, 0, 0});
  try {
    if (ctx->LoadRaw == canon_compressed_load_raw) InitCrwTables(*ctx, Data[9]);
    ctx->LoadRaw(*ctx);
    ctx->Height = ctx->IHeight;
    ctx->Width = ctx->IWidth;
    if (ctx->LoadRaw == LoadFoveonRaw) {
      foveon_interpolate(*ctx);
    } else {
      ScaleColors(*ctx);
      if (ctx->Shrink) ctx->Filters = 0;
      if (ctx->Filters) InterpolateMosaic(*ctx);
    }
    ConvertToRGB(*ctx);
  } catch (const std::exception&) {
    // A node pool run out or a JPEG error.
  }
  return 0;
}
