// The TIFF reader against tifftopnm on files made by libtiff's tools,
// netpbm and ImageMagick in every layout they write: byte orders, strips,
// tiles and planes, bit depths, photometrics and compressions, and
// multi-page files. Fixtures are made at test time in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/TIFF.h"

using namespace codec;

namespace {

bool HavePeers() {
  for (const char* tool : {"/usr/bin/tifftopnm", "/usr/bin/tiffcp", "/usr/bin/convert", "/usr/bin/pnmtotiff",
                           "/usr/bin/pamtotiff", "/usr/bin/ppm2tiff", "/usr/bin/tiff2bw"})
    if (::access(tool, X_OK) != 0) return false;
  return true;
}

int Scale8(int v, int maxval) { return maxval == 65535 ? v >> 8 : v * 255 / maxval; }

// Samples further than Tolerance from tifftopnm's decoding, or from
// ImageMagick's colour and alpha (tifftopnm composes colour over black and
// reads no YCbCr); -1 when the peer cannot decode.
int64_t CompareWithPeer(const std::string& tif, const Folder& dir, TIEBitmap& got, int tolerance,
                        bool by_imagemagick) {
  const std::string colour = dir / "peer.pnm";
  PNM c, a;
  bool has_alpha = false;
  if (by_imagemagick) {
    if (!codec::Run("/usr/bin/convert " + tif + " -depth 8 PAM:" + colour) || !ReadPNM(colour, c)) return -1;
    has_alpha = c.depth == 4;
  } else {
    if (!codec::Run("/usr/bin/tifftopnm " + tif + " > " + colour) || !ReadPNM(colour, c)) return -1;
  }
  if (c.width != got.Width() || c.height != got.Height()) return -2;
  int64_t diffs = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const TRGB p = got.GetPixelRGB(x, y);
      const int v[3] = {p.r, p.g, p.b};
      for (int k = 0; k < 3; ++k)
        diffs += std::abs(v[k] - Scale8(c.At(x, y, c.depth == 1 ? 0 : k), c.maxval)) > tolerance;
      if (has_alpha) {
        const int have = got.HasAlphaChannel() ? got.GetAlpha(x, y) : 255;
        diffs += std::abs(have - Scale8(c.At(x, y, 3), c.maxval)) > tolerance;
      }
    }
  return diffs;
}

struct Fixture {
  const char* name;
  std::string make;  // writes the file given as $OUT
  int tolerance;
  bool by_imagemagick = false;
};

}  // namespace

TEST(TiffInterop, PeerFilesLoadAsTifftopnmDecodesThem) {
  if (!HavePeers()) GTEST_SKIP() << "libtiff tools/netpbm/ImageMagick not installed";
  Folder dir;
  const std::string im = "/usr/bin/convert ";
  ASSERT_TRUE(codec::Run(im + "-size 37x23 -seed 3 plasma:fractal -depth 8 " + dir / "c8.ppm"));
  ASSERT_TRUE(codec::Run(im + "-size 37x23 -seed 3 plasma:fractal -depth 16 " + dir / "c16.ppm"));
  ASSERT_TRUE(codec::Run(im + "-size 37x23 gradient:white-black -depth 8 " + dir / "a8.pgm"));
  ASSERT_TRUE(codec::Run(im + dir / "c8.ppm -colorspace gray -depth 8 " + dir / "g8.pgm"));
  ASSERT_TRUE(codec::Run(im + dir / "c8.ppm -colorspace gray -threshold 50% -type bilevel " + dir / "b1.pbm"));
  ASSERT_TRUE(codec::Run(im + dir / "c8.ppm " + dir / "a8.pgm -alpha off -compose copy_opacity -composite " +
                         dir / "rgba.png"));
  const std::string c8 = dir / "c8.ppm", c16 = dir / "c16.ppm", g8 = dir / "g8.pgm", b1 = dir / "b1.pbm",
                    rgba = dir / "rgba.png";
  const std::string strips = dir / "strips.tif";
  ASSERT_TRUE(codec::Run(im + c8 + " -define tiff:rows-per-strip=5 -compress none " + strips));
  const Fixture fixtures[] = {
      // ImageMagick: byte orders, compressions, predictor, tiles, planes, depths.
      {"im-rgb-none-ii", im + c8 + " -compress none -define tiff:endian=lsb $OUT", 0},
      {"im-rgb-none-mm", im + c8 + " -compress none -define tiff:endian=msb $OUT", 0},
      {"im-rgb-lzw-mm", im + c8 + " -compress lzw -define tiff:endian=msb $OUT", 0},
      {"im-rgb-lzw-pred", im + c8 + " -compress lzw -define tiff:predictor=2 $OUT", 0},
      {"im-rgb-zip-pred", im + c8 + " -compress zip -define tiff:predictor=2 $OUT", 0},
      {"im-rgb-packbits", im + c8 + " -compress rle $OUT", 0},
      {"im-rgb-tiles", im + c8 + " -compress lzw -define tiff:tile-geometry=16x16 $OUT", 0},
      {"im-rgb-planar", im + c8 + " -compress lzw -interlace plane $OUT", 0},
      // tifftopnm rounds 16-bit samples to 8 bits; we keep the high byte.
      {"im-rgb16-mm", im + c16 + " -compress zip -define tiff:endian=msb $OUT", 1},
      {"im-rgb16-planar", im + c16 + " -compress none -interlace plane $OUT", 1},
      {"im-rgba", im + rgba + " -compress lzw -define tiff:alpha=unassociated $OUT", 0},
      {"im-rgba-planar", im + rgba + " -compress none -interlace plane -define tiff:alpha=unassociated $OUT", 0},
      {"im-grey8", im + g8 + " -compress lzw $OUT", 0},
      {"im-grey16-mm", im + g8 + " -depth 16 -compress none -define tiff:endian=msb $OUT", 0},
      {"im-grey16-ii", im + g8 + " -depth 16 -compress zip -define tiff:endian=lsb $OUT", 0},
      {"im-grey2", im + g8 + " -depth 2 -compress none $OUT", 0},
      {"im-grey1", im + b1 + " -compress none $OUT", 0},
      {"im-grey1-packbits-mm", im + b1 + " -compress rle -define tiff:endian=msb $OUT", 0},
      {"im-palette", im + c8 + " -colors 40 -type palette -compress lzw $OUT", 0},
      {"im-palette4", im + c8 + " -colors 12 -type palette -depth 4 -compress none $OUT", 0},
      {"im-cmyk", im + c8 + " -colorspace cmyk -compress lzw $OUT", 1},
      {"im-jpeg-tiles", im + c8 + " -compress jpeg -quality 95 -define tiff:tile-geometry=16x16 $OUT", 24},
      {"im-jpeg-strips", im + c8 + " -compress jpeg -quality 95 $OUT", 24},
      {"im-jpeg-grey", im + g8 + " -compress jpeg -quality 95 $OUT", 12},
      // libtiff's tools.
      {"tiffcp-lzw-pred-mm", "/usr/bin/tiffcp -B -c lzw:2 " + strips + " $OUT", 0},
      {"tiffcp-zip-tiles", "/usr/bin/tiffcp -c zip -t -w 16 -l 16 " + strips + " $OUT", 0},
      {"tiffcp-packbits-planar", "/usr/bin/tiffcp -c packbits -p separate " + strips + " $OUT", 0},
      {"tiffcp-lzw-planar-tiles", "/usr/bin/tiffcp -c lzw -p separate -t -w 16 -l 16 " + strips + " $OUT", 0},
      {"tiffcp-jpeg-ycbcr", "/usr/bin/tiffcp -c jpeg:95 -r 16 " + strips + " $OUT", 24, true},
      {"tiffcp-jpeg-rgb", "/usr/bin/tiffcp -c jpeg:r:95 -r 16 " + strips + " $OUT", 24},
      {"tiff2bw", "/usr/bin/tiff2bw -c lzw " + strips + " $OUT", 0},
      {"ppm2tiff-lzw", "/usr/bin/ppm2tiff -c lzw -r 3 " + c8 + " $OUT", 0},
      {"ppm2tiff-packbits", "/usr/bin/ppm2tiff -c packbits " + g8 + " $OUT", 0},
      // netpbm.
      {"pnmtotiff-lzw-mm", "/usr/bin/pnmtotiff -lzw -msb2lsb " + c8 + " > $OUT", 0},
      {"pnmtotiff-pred", "/usr/bin/pnmtotiff -lzw -predictor=2 " + c8 + " > $OUT", 0},
      {"pnmtotiff-grey", "/usr/bin/pnmtotiff -packbits " + g8 + " > $OUT", 0},
      {"pnmtotiff-mono", "/usr/bin/pnmtotiff " + b1 + " > $OUT", 0},
      {"pnmtotiff-minisblack", "/usr/bin/pnmtotiff -minisblack " + b1 + " > $OUT", 0},
      {"pamtotiff-rgb16", "/usr/bin/pamtotiff -flate " + c16 + " > $OUT", 1},
      {"pamtotiff-truecolor-grey", "/usr/bin/pamtotiff -truecolor " + g8 + " > $OUT", 0},
  };
  for (const Fixture& f : fixtures) {
    SCOPED_TRACE(f.name);
    const std::string out = dir / (std::string(f.name) + ".tif");
    std::string cmd = f.make;
    cmd.replace(cmd.find("$OUT"), 4, out);
    ASSERT_TRUE(codec::Run(cmd)) << cmd;
    TImagoIO io(nullptr);
    io.LoadFromFile(out);
    EXPECT_FALSE(io.Aborted());
    EXPECT_EQ(io.Params()->FileType, ieftTIFF);
    EXPECT_EQ(CompareWithPeer(out, dir, *io.IEBitmap(), f.tolerance, f.by_imagemagick || io.IEBitmap()->HasAlphaChannel()), 0);
  }
}

// 16-bit grey in the native pixel format keeps its values in either byte
// order.
TEST(TiffInterop, SixteenBitGreyKeepsItsValuesInBothByteOrders) {
  if (!HavePeers()) GTEST_SKIP() << "libtiff tools/netpbm/ImageMagick not installed";
  Folder dir;
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 29x7 gradient:white-black -depth 16 " + dir / "g16.pgm"));
  PNM want;
  ASSERT_TRUE(ReadPNM(dir / "g16.pgm", want));
  for (const char* endian : {"lsb", "msb"}) {
    SCOPED_TRACE(endian);
    const std::string out = dir / (std::string(endian) + ".tif");
    ASSERT_TRUE(codec::Run("/usr/bin/convert " + dir / "g16.pgm -compress none -define tiff:endian=" + endian +
                           " " + out));
    TImagoIO io(nullptr);
    io.SetNativePixelFormat(true);
    io.LoadFromFile(out);
    ASSERT_FALSE(io.Aborted());
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->PixelFormat(), ieGray16);
    for (int y = 0; y < want.height; ++y)
      for (int x = 0; x < want.width; ++x) ASSERT_EQ(b->GetWord(x, y), want.At(x, y, 0)) << x << "," << y;
  }
}

// Every page of a multi-page file, picked by the page index.
TEST(TiffInterop, MultiPageFilesGiveEveryPage) {
  if (!HavePeers()) GTEST_SKIP() << "libtiff tools/netpbm/ImageMagick not installed";
  Folder dir;
  const std::string file = dir / "pages.tif";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 13x9 xc:red -size 21x5 xc:lime -size 8x8 xc:blue "
                         "-compress lzw " + file));
  EXPECT_EQ(CountTIFFFileImages(file), 3);
  EXPECT_EQ(CountFileImages(file), 3);
  const struct {
    int w, h;
    TRGB colour;
  } pages[] = {{13, 9, MakeRGBTriple(255, 0, 0)}, {21, 5, MakeRGBTriple(0, 255, 0)}, {8, 8, MakeRGBTriple(0, 0, 255)}};
  for (int i = 0; i < 3; ++i) {
    TImagoIO io(nullptr);
    io.Params()->SetImageIndex(i);
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborted()) << i;
    EXPECT_EQ(io.Params()->ImageCount, 3);
    EXPECT_EQ(io.IEBitmap()->Width(), pages[i].w);
    EXPECT_EQ(io.IEBitmap()->Height(), pages[i].h);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(3, 3), pages[i].colour);
  }
  TImagoIO io(nullptr);
  io.Params()->SetImageIndex(3);
  io.LoadFromFile(file);
  EXPECT_TRUE(io.Aborted());
}
