#include "rtl/Numeric.h"

#include <cmath>
#include <limits>

#include "rtl/Exception.h"

namespace {
int64_t ToInt64(double r) {
  if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
    throw EInvalidArgument("Invalid floating point operation");
  return static_cast<int64_t>(r);
}
}  // namespace

int64_t Round(double x) {
  // nearbyint follows the rounding mode; the default mode is ties-to-even,
  // but a caller may have changed it, so round explicitly.
  double r = std::round(x);
  if (std::fabs(x - std::trunc(x)) == 0.5) r = 2.0 * std::round(x / 2.0);
  return ToInt64(r);
}

int64_t Trunc(double x) { return ToInt64(std::trunc(x)); }
int64_t Floor(double x) { return ToInt64(std::floor(x)); }
int64_t Ceil(double x) { return ToInt64(std::ceil(x)); }

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = static_cast<int64_t>(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  int64_t r = num >= 0 ? (num + den / 2) / den : (num - den / 2) / den;
  if (r > std::numeric_limits<int32_t>::max() || r < -std::numeric_limits<int32_t>::max())
    return -1;
  return static_cast<int32_t>(r);
}

double IntPower(double base, int exponent) {
  int64_t e = exponent < 0 ? -static_cast<int64_t>(exponent) : exponent;
  double result = 1.0;
  double b = base;
  while (e > 0) {
    if (e & 1) result *= b;
    b *= b;
    e >>= 1;
  }
  return exponent < 0 ? 1.0 / result : result;
}

double Power(double base, double exponent) {
  if (exponent == 0.0) return 1.0;
  if (base == 0.0) {
    if (exponent > 0.0) return 0.0;
    throw EInvalidArgument("Invalid floating point operation");
  }
  if (exponent == std::trunc(exponent) && std::fabs(exponent) <= std::numeric_limits<int>::max())
    return IntPower(base, static_cast<int>(exponent));
  return std::pow(base, exponent);
}
