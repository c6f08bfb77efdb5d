// Selection geometry, Bezier points, folders, number parsing and powers,
// Base64 text and the EXIF orientation transform.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Exception.h"
#include "rtl/TStream.h"

TEST(SharedRoutines, Geometry) {
  struct Snap {
    int x, y, ex, ey;
  } snaps[] = {{100, 10, 100, 0}, {10, 100, 0, 100}, {50, 40, 50, 50}, {-50, -40, -40, -40},
               {50, -40, 50, -50}, {-40, 50, -50, 50}};
  for (const Snap& s : snaps) {
    int32_t x = s.x, y = s.y;
    SnapToAngle45(0, 0, x, y);
    EXPECT_EQ(x, s.ex) << s.x << "," << s.y;
    EXPECT_EQ(y, s.ey) << s.x << "," << s.y;
  }
  EXPECT_TRUE(RectsOverlap(10, 10, 0, 0, 10, 10, 20, 20));  // corners in any order, edges touch
  EXPECT_FALSE(RectsOverlap(0, 0, 9, 9, 10, 10, 20, 20));
  EXPECT_EQ(RectContainment(0, 0, 10, 10, 2, 2, 8, 8), 2);
  EXPECT_EQ(RectContainment(0, 0, 10, 10, 5, 5, 20, 5), 1);
  EXPECT_EQ(RectContainment(0, 0, 10, 10, 20, 20, 30, 30), 0);
  EXPECT_TRUE(PointInRectInclusive(10, 0, 0, 0, 10, 10));
  EXPECT_FALSE(PointInRectInclusive(11, 0, 0, 0, 10, 10));
  EXPECT_DOUBLE_EQ(DistancePointToSegment(0, 0, 3, 4, 3, 4), 5);
  EXPECT_DOUBLE_EQ(DistancePointToSegment(0, 5, -10, 0, 10, 0), 5);
  EXPECT_DOUBLE_EQ(DistancePointToSegment(20, 0, -10, 0, 10, 0), 10);
  EXPECT_DOUBLE_EQ(DistancePointToSegment(0, 0, 50000, 0, 50000, 0), 1000000);
  EXPECT_DOUBLE_EQ(DistancePointToLine(0, 3, -1, 0, 1, 0), 3);

  std::vector<TIEIntPoint> pts;
  CubicBezierPoints({0, 0}, {10, 0}, {20, 0}, {30, 0}, pts, 3);
  EXPECT_EQ(pts, (std::vector<TIEIntPoint>{{10, 0}, {20, 0}, {30, 0}}));
  CubicBezierPoints({0, 0}, {0, 100}, {100, 100}, {100, 0}, pts, 2);
  EXPECT_EQ(pts[0], (TIEIntPoint{50, 75}));
}

TEST(SharedRoutines, FoldersAndFiles) {
  namespace fs = std::filesystem;
  const fs::path base = fs::temp_directory_path() / ("nbv-dirs-" + std::to_string(::getpid()));
  fs::remove_all(base);
  fs::create_directories(base);
  const std::string deep = (base / "a" / "b").string() + "/";
  CreateDirectories(deep);
  EXPECT_TRUE(fs::is_directory(base / "a" / "b"));
  EXPECT_THROW(CreateDirectories(""), Exception);
  {
    TFileStream f((base / "f").string(), fmCreate);
    f.WriteBuffer("12345", 5);
  }
  EXPECT_EQ(GetFileSizeByName((base / "f").string()), 5);
  EXPECT_EQ(GetFileSizeByName((base / "none").string()), -1);
  fs::remove_all(base);
}

TEST(SharedRoutines, NumbersAndPowers) {
  EXPECT_DOUBLE_EQ(ParseFloatDefault("1,5", 0), 1.5);
  EXPECT_DOUBLE_EQ(ParseFloatDefault("1.5", 0), 1.5);
  EXPECT_DOUBLE_EQ(ParseFloatDefault("one", -2), -2);
  EXPECT_DOUBLE_EQ(PowerDouble(2, -2), 0.25);
  EXPECT_DOUBLE_EQ(PowerDouble(0, 3), 0);
  EXPECT_DOUBLE_EQ(PowerDouble(0, 0), 1);
  EXPECT_DOUBLE_EQ(PowerDouble(5, 1), 5);
  EXPECT_NEAR(PowerDouble(8, 1.0 / 3), 2, 1e-12);
  EXPECT_EQ(RaiseToPower(3, 4), 81);
  EXPECT_EQ(RaiseToPower(0, 2.5), 0);
  EXPECT_EQ(RaiseToPower(7, 0), 1);
  EXPECT_NEAR(static_cast<double>(RaiseToPower(2, 0.5)), std::sqrt(2.0), 1e-15);
  EXPECT_EQ(SelectInt(true, 1, 2), 1);
  EXPECT_EQ(SelectFloat(false, 1, 2), 2);
}

TEST(SharedRoutines, Base64Text) {
  auto encode = [](const std::string& in, int width) {
    TStringStream src(in), out;
    Base64EncodeStreamToText(&src, &out, width);
    return out.DataString();
  };
  EXPECT_EQ(encode("abc", 76), "YWJj\n");
  EXPECT_EQ(encode("ab", 76), "YWI=\n");
  EXPECT_EQ(encode("a", 76), "YQ==\n");
  EXPECT_EQ(encode("", 76), "");
  EXPECT_EQ(encode("abcdefghijklm", 8), "YWJjZGVm\nZ2hpamts\nbQ==\n");
  EXPECT_EQ(encode("abcdef", 8), "YWJjZGVm\n");
}

// Stored pixel (x, y) of a W x H picture as the upright picture shows it.
TEST(SharedRoutines, ExifOrientationTurnsUpright) {
  const int W = 3, H = 2;
  auto stored = [](int x, int y) { return MakeRGB(static_cast<uint8_t>(10 * x + y), 0, 0); };
  struct Case {
    int orientation;
    bool swaps;
    // The stored coordinates of upright pixel (u, v).
    std::pair<int, int> (*from)(int u, int v);
  } cases[] = {
      {1, false, [](int u, int v) { return std::pair{u, v}; }},
      {2, false, [](int u, int v) { return std::pair{W - 1 - u, v}; }},
      {3, false, [](int u, int v) { return std::pair{W - 1 - u, H - 1 - v}; }},
      {4, false, [](int u, int v) { return std::pair{u, H - 1 - v}; }},
      {5, true, [](int u, int v) { return std::pair{v, u}; }},  // transpose
      {6, true, [](int u, int v) { return std::pair{v, H - 1 - u}; }},
      {7, true, [](int u, int v) { return std::pair{W - 1 - v, H - 1 - u}; }},  // transverse
      {8, true, [](int u, int v) { return std::pair{W - 1 - v, u}; }},
  };
  for (const Case& c : cases) {
    TIEBitmap img;
    img.Allocate(W, H, ieRGB24);
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) img.SetRGB24(x, y, stored(x, y));
    ApplyExifOrientation(&img, c.orientation);
    ASSERT_EQ(img.Width(), c.swaps ? H : W) << c.orientation;
    for (int v = 0; v < img.Height(); ++v)
      for (int u = 0; u < img.Width(); ++u) {
        const auto [x, y] = c.from(u, v);
        EXPECT_EQ(img.GetPixelRGB(u, v), stored(x, y)) << "orientation " << c.orientation << " at " << u << "," << v;
      }
  }
}
