// Loaders of sensor data stored without variable-length codes: packed 10-
// and 12-bit samples, plain 8- and 16-bit samples, the 45-degree layouts,
// data scrambled by the maker, and a few camera-specific layouts; also the
// tone curve the Kodak loaders share.
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

// Fills a 4096-entry curve: the identity, or for Kodak files the curve the
// file stores (at most 4096 entries; an empty one keeps the identity).
void ReadToneCurve(TIERawContext& Ctx, uint16_t* Curve);
// Exchanges the two bytes of each 16-bit pair of Length bytes.
void SwabBytes(uint8_t* Buffer, int64_t Length);
// Descrambles Count 32-bit words as stored (little-endian in memory);
// Start seeds the generator from Key.
void SonyDescramble(TIERawContext& Ctx, uint8_t* Words, int32_t Count, uint32_t Key, bool Start);

void LoadPowerShot600Raw(TIERawContext& Ctx);
void LoadPowerShotA5Raw(TIERawContext& Ctx);
void LoadNikonPackedRaw(TIERawContext& Ctx);
void LoadNikonE2100Raw(TIERawContext& Ctx);
void LoadNikonE950Raw(TIERawContext& Ctx);
void LoadFujiS2Raw(TIERawContext& Ctx);
void LoadFujiDiagonalRaw(TIERawContext& Ctx, int32_t NCol, int32_t ICol, int32_t NRow);
void LoadFujiS5000Raw(TIERawContext& Ctx);
void LoadFujiS7000Raw(TIERawContext& Ctx);
void LoadFujiF700Raw(TIERawContext& Ctx);
void LoadRolleiRaw(TIERawContext& Ctx);
void LoadPhaseOneRaw(TIERawContext& Ctx);
void LoadIxpressRaw(TIERawContext& Ctx);
void LoadPacked12Raw(TIERawContext& Ctx);
// Order 0x55AA big-endian, 0xAA55 little-endian; Shift right (negative:
// left) within 16 bits.
void unpacked_load_raw(TIERawContext& Ctx, uint16_t Order, int32_t Shift);
void LoadUnpackedBE0(TIERawContext& Ctx);       // Sinar, Leaf
void LoadUnpackedBE2(TIERawContext& Ctx);       // E-10, E-20, QV-4000
void LoadUnpackedBEMinus2(TIERawContext& Ctx);  // MINOLTA, *ist D
void LoadUnpackedBEMinus4(TIERawContext& Ctx);  // KD-400Z, KD-510Z, DiMAGE G
void LoadUnpackedLE2(TIERawContext& Ctx);       // DIGILUX 2, DMC-LC1, E-1
void LoadOlympusCSeriesRaw(TIERawContext& Ctx);
void eight_bit_load_raw(TIERawContext& Ctx);
void LoadCasioQV5700Raw(TIERawContext& Ctx);
void nucore_load_raw(TIERawContext& Ctx);
void LoadKodakDC120Raw(TIERawContext& Ctx);
void LoadKodakDC120JpegRaw(TIERawContext& Ctx);
void kodak_easy_load_raw(TIERawContext& Ctx);
void LoadSonyRaw(TIERawContext& Ctx);
