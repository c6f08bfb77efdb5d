// The magic wand: the region of similar colour around a pixel, as a mask
// (MagicWandFill), as its outline polygon (MagicWandPolygon), or every
// similar pixel of the image (SelectSimilarColors). A pixel is similar when
// each of its red, green and blue differs from the start colour by at most
// Tolerance; the region is 4-connected.
#pragma once

#include <cstdint>
#include <vector>

class TIEBitmap;
class TIEMask;

// The outline of the region containing (X, Y) as x, y pairs (Count points),
// along pixel edges in image coordinates; empty when (X, Y) lies outside the
// image, or when the region's outline grid would exceed kMagicWandMaxGridCells.
// With Grow every region pixel also takes its 8 neighbours inside the region's box.
std::vector<int32_t> MagicWandPolygon(TIEBitmap* Image, int32_t X, int32_t Y, int32_t& Count,
                                      int32_t Tolerance, bool Grow);
// Writes MaskValue into Mask for each pixel of the region (with Grow also
// its 8 neighbours inside the image); nothing when (X, Y) lies outside.
void MagicWandFill(TIEBitmap* Image, int32_t X, int32_t Y, int32_t MaskValue, TIEMask* Mask,
                   int32_t Tolerance, bool Grow);
// Writes MaskValue for every pixel of the image similar to the one at (X, Y).
void SelectSimilarColors(TIEBitmap* Image, int32_t X, int32_t Y, int32_t MaskValue, TIEMask* Mask,
                         int32_t Tolerance);

// The cells of the outline grid for a region box of the given size: the box
// enlarged four times with a margin of two cells on every side.
int64_t MagicWandGridCells(int32_t BoxWidth, int32_t BoxHeight);
// The largest outline grid traced (one byte per cell).
constexpr int64_t kMagicWandMaxGridCells = int64_t{1} << 30;
