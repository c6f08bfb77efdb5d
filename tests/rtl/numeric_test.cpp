#include "rtl/Numeric.h"
#include "rtl/SaturatedProduct.h"

#include <gtest/gtest.h>

#include <limits>

#include "rtl/Exception.h"
#include "rtl/TSet.h"

TEST(Numeric, RoundHalvesToEven) {
  struct Case { double in; int64_t out; };
  const Case cases[] = {{0.5, 0},  {1.5, 2},   {2.5, 2},   {3.5, 4},    {-0.5, 0},
                        {-1.5, -2}, {-2.5, -2}, {0.49, 0},  {0.51, 1},   {-0.51, -1},
                        {2.4999, 2}, {1e15 + 0.5, 1000000000000000}, {7.0, 7}};
  for (const Case& c : cases) EXPECT_EQ(Round(c.in), c.out) << c.in;
}

TEST(Numeric, TruncFloorCeil) {
  EXPECT_EQ(Trunc(-2.7), -2);
  EXPECT_EQ(Trunc(2.7), 2);
  EXPECT_EQ(Floor(-2.1), -3);
  EXPECT_EQ(Ceil(-2.9), -2);
  EXPECT_EQ(Ceil(2.1), 3);
  EXPECT_THROW(Trunc(1e300), Exception);
}

TEST(Numeric, MulDivRoundsHalfAwayFromZero) {
  struct Case { int32_t a, b, c, out; };
  const Case cases[] = {{5, 1, 2, 3},     {-5, 1, 2, -3},   {5, -1, 2, -3},  {-5, -1, 2, 3},
                        {7, 3, -2, -11},  {100, 96, 72, 133}, {1, 1, 0, -1},
                        {0x40000000, 4, 1, -1},  // does not fit 32 bits
                        {0x40000000, 4, 2, -1}};
  for (const Case& c : cases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.out) << c.a << "*" << c.b << "/" << c.c;
  // The 64-bit intermediate keeps large products exact.
  EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
}

TEST(Numeric, Powers) {
  EXPECT_DOUBLE_EQ(IntPower(2, 10), 1024);
  EXPECT_DOUBLE_EQ(IntPower(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(Power(9, 0.5), 3);
  EXPECT_DOUBLE_EQ(Power(0, 0), 1);
  EXPECT_THROW(Power(0, -1), Exception);
}

TEST(Numeric, WrapHelpers) {
  EXPECT_EQ(Wrap32(0x1'0000'0005ULL), 5u);
  EXPECT_EQ(WrapInt32(0x8000'0000LL), INT32_MIN);
  EXPECT_EQ(Rol32(0x80000001u, 1), 0x00000003u);
  EXPECT_EQ(Ror32(0x00000003u, 1), 0x80000001u);
  EXPECT_EQ(Rol32(0x12345678u, 32), 0x12345678u);
}

TEST(Numeric, SaturatedProductHoldsHostileSizes) {
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  const struct {
    std::initializer_list<int64_t> factors;
    int64_t product;
  } cases[] = {
      {{640, 480, 3}, 921600},
      {{0x7FFFFFFF, 0x7FFFFFFF}, 0x3FFFFFFF00000001},
      {{0x7FFFFFFF, 0x7FFFFFFF, 4}, kMax},
      {{0x7FFFFFFF, 0xFFFFFFFFLL, 0xFFFFFFFFLL, 0x7FFFFFFF}, kMax},
      {{kMax, 1}, kMax},
      {{kMax, 2, 0}, 0},
      {{65535, -1}, 0},
      {{}, 1},
  };
  for (const auto& c : cases) EXPECT_EQ(SaturatedProduct(c.factors), c.product);
  static_assert(SaturatedProduct({2, 3, 7}) == 42);
}

namespace {
enum TColorKind { ckRed, ckGreen, ckBlue };
}

TEST(TSet, MembersAndAlgebra) {
  TSet<TColorKind> a{ckRed, ckBlue};
  TSet<TColorKind> b{ckBlue};
  EXPECT_TRUE(a.Contains(ckRed));
  EXPECT_FALSE(a.Contains(ckGreen));
  EXPECT_EQ(a - b, TSet<TColorKind>{ckRed});
  EXPECT_EQ(a * b, b);
  EXPECT_TRUE(b.SubsetOf(a));
  EXPECT_EQ(a.Bits(), 0b101u);
  EXPECT_EQ(TSet<TColorKind>::FromBits(0b010), TSet<TColorKind>{ckGreen});
}
