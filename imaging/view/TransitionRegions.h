// The shapes the table effects reveal the target through: bars, shreds and
// speckles (lists of rectangles, whose union is the shape), triangles,
// sectors and rotated polygons (regions with the winding fill rule).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Region.h"

// Polygon and rounded-rectangle regions (pixel centres inside).
Region PolygonRegion(const std::vector<TPoint>& Points);
Region TriangleRegion(TPoint A, TPoint B, TPoint C);
Region RoundRectRegion(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t CornerW,
                       int32_t CornerH);
// The centre and Count + 1 points on the circle of Radius from StartAngle to
// EndAngle (radians, 0 pointing right, growing clockwise on the screen).
Region SectorRegion(TPoint Centre, int32_t Radius, int32_t Count, double StartAngle,
                    double EndAngle);
// Turns the points about (CX, CY) by Angle (clockwise on the screen),
// coordinates rounded.
void RotatePoints(std::vector<TPoint>& Points, double CX, double CY, double Angle);

// Where along their length bars and strips start.
enum class TRevealFrom : uint8_t {
  Start,         // left or top edge
  End,           // right or bottom edge
  StartThenEnd,  // bars: even bars from the start, odd ones from the end
  EndThenStart,  // bars: even bars from the end, odd ones from the start
  BothEdges,     // bars: alternately from both edges; strips: from both edges inwards
  Centre         // strips: from the centre line outwards
};

// Bars 5 pixels thick on a period of 10 across a W x H picture; Horizontal
// bars lie along the width and grow to 2 x Extent (Extent revealed of the
// width), vertical ones along the height. Even bars grow first (the full
// length once 2 x Extent + Unit passes the length), then the odd ones.
std::vector<TRect> BarsRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                              int32_t Extent, int32_t Unit);
// Strips 5 pixels thick reaching Extent plus a random offset of up to a
// seventh of the length (none once Extent reaches the length).
std::vector<TRect> ShredRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                               int32_t Extent);
// From one edge (Start or End) to Extent, with square speckles ahead of the
// edge whose chance falls with their distance from it.
std::vector<TRect> SpeckleRegion(bool Horizontal, TRevealFrom From, int32_t W, int32_t H,
                                 int32_t Extent);
