// The camera table: rows tested in order, the first whose key matches sets
// the camera's geometry, colour layout, multipliers and loader; and the
// fixed colour matrices some rows use.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/io/raw/RawContext.h"

// What a row's key compares.
enum class TIERawKey : uint8_t {
  Model,          // Model equals Text or, when given, Text2
  ModelNoCase,    // Model equals Text in any case
  ModelPrefix,    // Model begins with Text
  Model2Prefix,   // Model2 begins with Text
  Make,           // Make equals Text (and, with Head, the stream begins with it)
  MakeNoCase,     // Make equals Text in any case
  CanonRawWidth,  // a Canon file whose RawWidth is Number
};

// A setting a row leaves as the defaults and the maker pre-selection made it.
constexpr int64_t kRawKeep = -1;

// One row: its key, the plain settings it makes, and a hook for what needs
// code (choices by a content test, by the sensor size or by the model). The
// settings are made in the order of the fields, the white balance and the
// hook last, so a hook sees them all.
struct TIERawCameraRow {
  TIERawKey Key = TIERawKey::Model;
  const char* Text = nullptr;
  const char* Text2 = nullptr;
  const char* Head = nullptr;
  int32_t Number = 0;
  bool NotKodak = false;  // the row never matches a Kodak file
  int32_t Height = kRawKeep, Width = kRawKeep;
  int32_t RawHeight = kRawKeep, RawWidth = kRawKeep;
  int32_t TopMargin = kRawKeep, LeftMargin = kRawKeep;
  int32_t NarrowBy = 0;  // Width is lowered by this many columns
  int64_t DataOffset = kRawKeep;
  int32_t CurveLength = kRawKeep;
  int32_t Colors = kRawKeep;
  int64_t Filters = kRawKeep;
  TIERawLoader Loader = nullptr;
  int32_t Black = kRawKeep, RgbMax = kRawKeep, YMag = kRawKeep;
  float Mul[4] = {0, 0, 0, 0};  // all 0: the row keeps the multipliers
  bool IsCmy = false, IsFoveon = false;
  void (*Coeff)(TIERawContext& Ctx) = nullptr;
  int64_t WhiteBalanceAt = kRawKeep;
  // False when identification must fail.
  bool (*Hook)(TIERawContext& Ctx, const uint8_t (&Head)[32]) = nullptr;
};

// The rows in the order they are tested.
std::span<const TIERawCameraRow> RawCameraRows();
// The rows of the Kodak block, tested in order before its loader choice.
std::span<const TIERawCameraRow> RawKodakRows();

// Applies the first matching row. Head holds the stream's first 32 bytes.
// False when identification must fail (a Kodak file of an unsupported
// compression).
bool ApplyCameraTable(TIERawContext& Ctx, const uint8_t (&Head)[32]);

void SetBlendedCoeff(TIERawContext& Ctx, float X);
void SetNikonE950Coeff(TIERawContext& Ctx);
void SetSonyF828Coeff(TIERawContext& Ctx);
