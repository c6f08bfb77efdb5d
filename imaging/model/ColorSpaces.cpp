#include "imaging/model/ColorSpaces.h"

#include <algorithm>
#include <cmath>

#include "rtl/Numeric.h"

TCMYK RGBToCMYK(const TRGB& c) {
  int k = std::max({c.r, c.g, c.b});
  if (k == 0) k = 1;
  return TCMYK{static_cast<uint8_t>(c.r * 255 / k), static_cast<uint8_t>(c.g * 255 / k),
               static_cast<uint8_t>(c.b * 255 / k), static_cast<uint8_t>(k)};
}

TRGB CMYKToRGB(const TCMYK& c) {
  return MakeRGBTriple(static_cast<uint8_t>(c.c * c.k / 255), static_cast<uint8_t>(c.m * c.k / 255),
                       static_cast<uint8_t>(c.y * c.k / 255));
}

namespace {
double Linear(uint8_t v) {
  double c = v / 255.0;
  return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double LabF(double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; }
// The low 8 bits of a truncated value, as the stored byte.
uint8_t LowByte(double v) { return static_cast<uint8_t>(static_cast<int64_t>(std::trunc(v)) & 0xFF); }
}  // namespace

TCIELab RGBToCIELab(const TRGB& c) {
  const double R = Linear(c.r), G = Linear(c.g), B = Linear(c.b);
  const double X = (0.412453 * R + 0.357580 * G + 0.180423 * B) / 0.95047;
  const double Y = 0.212671 * R + 0.715160 * G + 0.072169 * B;
  const double Z = (0.019334 * R + 0.119193 * G + 0.950227 * B) / 1.08883;
  const double fX = LabF(X), fY = LabF(Y), fZ = LabF(Z);
  const double L = Y > 0.008856 ? 116.0 * fY - 16.0 : 903.3 * Y;
  return TCIELab{LowByte(L * 255.0 / 100.0), static_cast<int8_t>(LowByte(500.0 * (fX - fY))),
                 static_cast<int8_t>(LowByte(200.0 * (fY - fZ)))};
}

TRGB CIELabToRGB(const TCIELab& c) {
  const double fY = (c.l * 0.39215686275 + 16.0) / 116.0;
  const double fX = fY + c.a / 500.0;
  const double fZ = fY - c.b / 200.0;
  auto inverse = [](double f) {
    double f3 = f * f * f;
    return f3 > 0.008856 ? f3 : (f - 0.13793103448) / 7.787;
  };
  const double X = inverse(fX) * 0.95047, Y = inverse(fY), Z = inverse(fZ) * 1.08883;
  const double rgb[3] = {3.2406 * X - 1.5372 * Y - 0.4986 * Z, -0.9689 * X + 1.8758 * Y + 0.0415 * Z,
                         0.0557 * X - 0.2040 * Y + 1.0570 * Z};
  uint8_t out[3];
  for (int i = 0; i < 3; ++i) {
    double v = rgb[i] <= 0.0031308 ? 12.92 * rgb[i] : 1.055 * std::pow(rgb[i], 1.0 / 2.4) - 0.055;
    out[i] = static_cast<uint8_t>(std::clamp<int64_t>(Round(v * 255.0), 0, 255));
  }
  return MakeRGBTriple(out[0], out[1], out[2]);
}
