#include "imaging/model/IESharedRoutines.h"

#include <cmath>
#include <cstdlib>

#include "imaging/model/PixelHelpers.h"
#include "imaging/model/Rotation.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "rtl/FileUtils.h"
#include "rtl/Numeric.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

void SnapToAngle45(int32_t X0, int32_t Y0, int32_t& X, int32_t& Y) {
  const int32_t dx = X0 - X, dy = Y0 - Y;
  const int32_t ax = std::abs(dx), ay = std::abs(dy);
  const int32_t g = std::abs(ax - ay);
  if (ax + 30 < ay) {
    X = X0;
  } else if (ay < ax - 30) {
    Y = Y0;
  } else if (dx < 0 && dy < 0) {
    if (ax >= ay) Y += g; else X += g;
  } else if (dx > 0 && dy > 0) {
    if (ax >= ay) X += g; else Y += g;
  } else if (dx > 0) {
    if (ax >= ay) Y += g; else X -= g;
  } else if (dy > 0) {
    if (ax >= ay) Y -= g; else X += g;
  }
}

bool RectsOverlap(int32_t AX1, int32_t AY1, int32_t AX2, int32_t AY2, int32_t BLeft,
                  int32_t BTop, int32_t BRight, int32_t BBottom) {
  return !(std::max(AX1, AX2) < BLeft || BRight < std::min(AX1, AX2) ||
           std::max(AY1, AY2) < BTop || BBottom < std::min(AY1, AY2));
}

int32_t RectContainment(int32_t Left, int32_t Top, int32_t Right, int32_t Bottom, int32_t X1,
                        int32_t Y1, int32_t X2, int32_t Y2) {
  const bool in_x1 = X1 >= Left && X1 <= Right, in_x2 = X2 >= Left && X2 <= Right;
  const bool in_y1 = Y1 >= Top && Y1 <= Bottom, in_y2 = Y2 >= Top && Y2 <= Bottom;
  if ((in_x1 != in_x2 && (in_y1 || in_y2)) || ((in_x1 || in_x2) && in_y1 != in_y2) ||
      (in_x1 != in_x2 && in_y1 != in_y2))
    return 1;
  return in_x1 && in_x2 && in_y1 && in_y2 ? 2 : 0;
}

bool PointInRectInclusive(int32_t X, int32_t Y, int32_t Left, int32_t Top, int32_t Right,
                          int32_t Bottom) {
  return Left <= X && X <= Right && Top <= Y && Y <= Bottom;
}

double DistancePointToLine(int32_t PX, int32_t PY, int32_t AX, int32_t AY, int32_t BX, int32_t BY) {
  const double dx = double(BX) - AX, dy = double(BY) - AY;
  return std::fabs(dx * (double(PY) - AY) - dy * (double(PX) - AX)) / std::sqrt(dx * dx + dy * dy);
}

double DistancePointToSegment(int32_t PX, int32_t PY, int32_t AX, int32_t AY, int32_t BX,
                              int32_t BY) {
  constexpr double kFar = 1000000;
  auto point_distance = [&](int32_t QX, int32_t QY) {
    const int64_t dx = int64_t{PX} - QX, dy = int64_t{PY} - QY;
    if (std::llabs(dx) >= 45001 || std::llabs(dy) >= 45001) return kFar;
    return std::sqrt(double(dx * dx + dy * dy));
  };
  const double abx = double(BX) - AX, aby = double(BY) - AY;
  const double len2 = abx * abx + aby * aby;
  if (len2 == 0) return point_distance(AX, AY);
  const double t = ((double(PX) - AX) * abx + (double(PY) - AY) * aby) / len2;
  if (t > 1) return point_distance(BX, BY);
  if (t < 0) return point_distance(AX, AY);
  const double d = DistancePointToLine(PX, PY, AX, AY, BX, BY);
  return std::isfinite(d) ? d : kFar;
}

void CubicBezierPoints(TIEIntPoint P0, TIEIntPoint P1, TIEIntPoint P2, TIEIntPoint P3,
                       std::vector<TIEIntPoint>& Points, int32_t N) {
  Points.assign(static_cast<size_t>(std::max(N, 0)), TIEIntPoint{});
  const double step = N > 0 ? 1.0 / N : 0;
  double t = 0;
  for (int32_t k = 1; k <= N; ++k) {
    t += step;  // accumulated, as the curve tool draws it
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * t * u * u, c = 3 * t * t * u, d = t * t * t;
    Points[k - 1].x = static_cast<int32_t>(Round(P0.x * a + P1.x * b + P2.x * c + P3.x * d));
    Points[k - 1].y = static_cast<int32_t>(Round(P0.y * a + P1.y * b + P2.y * c + P3.y * d));
  }
}

int64_t GetFileSizeByName(const std::string& FileName) {
  try {
    TFileStream f(FileName, fmOpenRead | fmShareDenyNone);
    return f.Size();
  } catch (const EStreamError&) {
    return -1;
  }
}

void CreateDirectories(const std::string& Path) {
  if (Path.empty()) throw Exception("Cannot Create Directory");
  std::string p = Path;
  if (p.size() > 1 && p.back() == '/') p.pop_back();
  if (p.size() <= 2 || DirectoryExists(p)) return;
  const std::string parent = ExtractFileDir(p);
  if (!parent.empty() && parent != p) CreateDirectories(parent);
  CreateDir(p);
}

double ParseFloatDefault(const std::string& Text, double Default) {
  double v;
  if (TryStrToFloat(Text, v)) return v;
  std::string t = Text;
  const size_t comma = t.find(',');
  if (comma != std::string::npos) {
    t[comma] = '.';
  } else {
    const size_t point = t.find('.');
    if (point != std::string::npos) t[point] = ',';
  }
  return TryStrToFloat(t, v) ? v : Default;
}

namespace {
// Repeated squaring in extended precision.
long double ExtendedIntPower(long double Base, int64_t N) {
  if (N == 0) return 1;
  const bool negative = N < 0;
  uint64_t e = negative ? uint64_t(-(N + 1)) + 1 : uint64_t(N);
  long double result = 1, b = Base;
  while (e) {
    if (e & 1) result *= b;
    b *= b;
    e >>= 1;
  }
  return negative ? 1 / result : result;
}
}  // namespace

long double RaiseToPower(long double Base, long double Exponent) {
  if (Exponent == 0) return 1;
  if (Base == 0 && Exponent > 0) return 0;
  if (std::trunc(Exponent) == Exponent && std::fabs(Exponent) <= 2147483647)
    return ExtendedIntPower(Base, static_cast<int64_t>(Exponent));
  return std::exp(Exponent * std::log(Base));
}

double PowerDouble(double Base, double Exponent) {
  if (std::trunc(Exponent) == Exponent && std::fabs(Exponent) < 2147483647) {
    const int64_t n = static_cast<int64_t>(Exponent);
    if (n == 0) return 1;
    if (Base == 0) return 0;
    return IntPower(Base, static_cast<int>(n));
  }
  return std::exp2(Exponent * std::log2(Base));
}

void Base64EncodeGroup(const uint8_t Three[3], char Output[4], int32_t Count) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const uint32_t v = uint32_t{Three[0]} << 16 | (Count > 1 ? uint32_t{Three[1]} << 8 : 0) |
                     (Count > 2 ? Three[2] : 0);
  Output[0] = kAlphabet[v >> 18 & 63];
  Output[1] = kAlphabet[v >> 12 & 63];
  Output[2] = Count > 1 ? kAlphabet[v >> 6 & 63] : '=';
  Output[3] = Count > 2 ? kAlphabet[v & 63] : '=';
}

void Base64EncodeStreamToText(TStream* Stream, TStream* Text, int32_t LineWidth) {
  const int32_t groups_per_line = std::max(LineWidth / 4, 1);
  std::string line;
  int32_t groups = 0;
  uint8_t three[3];
  for (;;) {
    three[0] = three[1] = three[2] = 0;
    const int64_t n = Stream->Read(three, 3);
    if (n <= 0) break;
    char out[4];
    Base64EncodeGroup(three, out, static_cast<int32_t>(n));
    line.append(out, 4);
    if (++groups == groups_per_line) {
      line += '\n';
      Text->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
      line.clear();
      groups = 0;
    }
    if (n < 3) break;
  }
  if (!line.empty()) {
    line += '\n';
    Text->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  }
}

void ApplyExifOrientation(TIEBitmap* Image, int32_t Orientation) {
  // Positive angles turn counter-clockwise.
  auto rotate = [&](double angle) { RotateBitmap(Image, false, nullptr, TRGB{0, 0, 0}, angle); };
  switch (Orientation) {
    case 2:
      FlipBitmap(Image, false);
      break;
    case 3:
      FlipBitmap(Image, true);
      FlipBitmap(Image, false);
      break;
    case 4:
      FlipBitmap(Image, true);
      break;
    case 5:  // transpose: a clockwise quarter turn, then the mirror
      rotate(-90);
      FlipBitmap(Image, false);
      break;
    case 6:
      rotate(-90);
      break;
    case 7:  // transverse: a counter-clockwise quarter turn, then the mirror
      rotate(90);
      FlipBitmap(Image, false);
      break;
    case 8:
      rotate(90);
      break;
    default:
      break;
  }
}
