// Routines the imaging model, views, dialogs and writers share: selection
// geometry, a Bezier sampler, folder and file helpers, number parsing and
// powers, Base64 text, and the EXIF orientation transform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TIEBitmap;
class TStream;

// ---- geometry (32-bit integer coordinates)
// Constrains the end point (X, Y) of a line from (X0, Y0) to horizontal,
// vertical or diagonal.
void SnapToAngle45(int32_t X0, int32_t Y0, int32_t& X, int32_t& Y);
// A's corners in any order; touching edges overlap.
bool RectsOverlap(int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2, int32_t BLeft,
                  int32_t BTop, int32_t BRight, int32_t BBottom);
// 1 when the segment box (X1, Y1)-(X2, Y2) crosses the rectangle's border,
// 2 when it lies inside, 0 otherwise.
int32_t RectContainment(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t X1,
                        int32_t Y1, int32_t X2, int32_t Y2);
bool PointInRectInclusive(int32_t X, int32_t Y, int32_t Left, int32_t Top, int32_t Right,
                          int32_t Bottom);
// Perpendicular distance from P to the line through A and B.
double DistancePointToLine(int32_t PX, int32_t PY, int32_t AX, int32_t AY, int32_t BX, int32_t BY);
// Distance from P to the segment AB; 1,000,000 where it would overflow.
double DistancePointToSegment(int32_t PX, int32_t PY, int32_t AX, int32_t AY, int32_t BX,
                              int32_t BY);

struct TIEIntPoint {
  int32_t x = 0, y = 0;
  bool operator==(const TIEIntPoint&) const = default;
};
inline TIEIntPoint PointAdd(TIEIntPoint a, TIEIntPoint b) { return {a.x + b.x, a.y + b.y}; }
inline TIEIntPoint PointSub(TIEIntPoint a, TIEIntPoint b) { return {a.x - b.x, a.y - b.y}; }
// N points at t = 1/N .. 1 of the cubic Bezier curve P0 P1 P2 P3, rounded.
void CubicBezierPoints(TIEIntPoint P0, TIEIntPoint P1, TIEIntPoint P2, TIEIntPoint P3,
                       std::vector<TIEIntPoint>& Points, int32_t N);

// ---- files and folders
// The file's size; -1 when it cannot be opened.
int64_t GetFileSizeByName(const std::string& FileName);
// Creates the folder and the missing folders above it; an empty path raises
// "Cannot Create Directory".
void CreateDirectories(const std::string& Path);

// ---- numbers
// The value of Text, taking a comma or a point as the decimal separator
// whichever the format settings expect; Default when it does not parse.
double ParseFloatDefault(const std::string& Text, double Default);
long double RaiseToPower(long double Base, long double Exponent);
double PowerDouble(double Base, double Exponent);
inline int32_t SelectInt(bool Flag, int32_t A, int32_t B) { return Flag ? A : B; }
inline double SelectFloat(bool Flag, double A, double B) { return Flag ? A : B; }

// ---- Base64 (RFC 4648 alphabet, "=" padding)
// One 4-character group for Count (1..3) bytes of Three.
void Base64EncodeGroup(const uint8_t Three[3], char Output[4], int32_t Count);
// The stream from its position to its end, LineWidth / 4 groups a line,
// every line (the last too) ended by a line break.
void Base64EncodeStreamToText(TStream* Stream, TStream* Text, int32_t LineWidth);

// ---- image orientation
// Turns an image stored with EXIF orientation 2..8 upright: 2 mirror, 3 half
// turn, 4 flip, 5 transpose, 6 quarter turn clockwise, 7 transverse,
// 8 quarter turn counter-clockwise; anything else leaves it.
void ApplyExifOrientation(TIEBitmap* Image, int32_t Orientation);
