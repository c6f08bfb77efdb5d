// Small numeric, colour and bit-row routines the imaging library shares.
#pragma once

#include <cstdint>

#include "imaging/model/IEPixelTypes.h"

class TIEBitmap;

int32_t CeilInt(double x);
int32_t FloorInt(double x);
inline double MinFloat(double a, double b) { return b >= a ? a : b; }
inline double MaxFloat(double a, double b) { return b > a ? b : a; }
inline int32_t IntMax(int32_t a, int32_t b) { return a > b ? a : b; }
inline int32_t IntMin(int32_t a, int32_t b) { return a < b ? a : b; }
inline int32_t ClampInt(int32_t v, int32_t lo, int32_t hi) { return v <= lo ? lo : v < hi ? v : hi; }
inline uint8_t ClampToByte(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : static_cast<uint8_t>(v); }
// Float to byte and word with clamping: a value out of range saturates
// instead of wrapping into an unrelated one.
uint8_t FloatToByte(double v);
uint16_t FloatToWord(double v);
void SwapInts(int32_t& a, int32_t& b);
void SwapBytes(uint8_t& a, uint8_t& b);
void OrderCorners(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);

inline TRGB MakeRGB(uint8_t R, uint8_t G, uint8_t B) { return MakeRGBTriple(R, G, B); }
inline bool SameRGB(const TRGB& a, const TRGB& b) { return a == b; }
// The library's grey weights: red 21, green 71, blue 8 per cent.
inline int32_t RGBToGrayLevel(const TRGB& c) { return (c.r * 21 + c.g * 71 + c.b * 8) / 100; }
inline TColor RGBToColor(const TRGB& c) { return c.r | c.g << 8 | c.b << 16; }
// Packed triple: blue | green << 8 | red << 16.
inline uint32_t PackRGB(const TRGB& c) { return c.b | c.g << 8 | uint32_t{c.r} << 16; }
// System colours resolved to their RGB value first.
TRGB ColorToRGBTriple(TColor Color);

void RGBToHSL(const TRGB& c, double& H, double& S, double& L);
TRGB HSLToRGB(double H, double S, double L);

// Inverts every bit of every row (padding included).
void InvertBitmap(TIEBitmap* Image);
// Mirrors the image, then its alpha channel.
void FlipBitmap(TIEBitmap* Image, bool Vertical);
// A new 1-bit image when Image holds exactly two colours (C1 the darker,
// bit 0), else null. The caller owns the result.
TIEBitmap* BuildTwoColorBitmap(TIEBitmap* Image, TRGB& C1, TRGB& C2);
// Out becomes an in-memory copy of Source's pixels (no alpha) in Format;
// false when the conversion cannot reach that format.
bool CopyInFormat(TIEBitmap* Source, TIEPixelFormat Format, TIEBitmap& Out);
// Index of the nearest of N entries (sum of channel distances; the first of
// equally near entries wins); 0 for an empty palette.
int32_t NearestPaletteIndex(const TRGB* Palette, int32_t N, const TRGB& Colour);
void CopySwapRedBlue(TRGB* Target, const TRGB* Source, int64_t N);
void SwapRedBlue(TRGB* Triples, int64_t N);
void SwapRedBlue48(TRGB48* Pixels, int64_t N);
// The same on the first N triples of an array.
inline void SwapRedBlueInArray(TRGB* Array, int64_t N) { SwapRedBlue(Array, N); }
// (2 ^ BitsPerSample) ^ SamplesPerPixel; 1 when SamplesPerPixel <= 0. 64-bit,
// so that deep multi-sample formats do not wrap.
int64_t ColorCount(int32_t BitsPerSample, int32_t SamplesPerPixel);
