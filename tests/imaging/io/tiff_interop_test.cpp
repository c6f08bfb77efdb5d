// The TIFF reader against tifftopnm on files made by libtiff's tools,
// netpbm and ImageMagick in every layout they write: byte orders, strips,
// tiles and planes, bit depths, photometrics and compressions, and
// multi-page files. Fixtures are made at test time in a temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include "CodecTestSupport.h"
#include "TiffTestSupport.h"
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

// The JPEG stream of an old-style JPEG page of a little-endian file we
// wrote, as a file of its own.
std::string EmbeddedJpeg(const std::string& tif, const Folder& dir) {
  const std::vector<uint8_t> f = ReadFile(tif);
  auto u16 = [&](size_t at) { return static_cast<uint32_t>(f[at] | f[at + 1] << 8); };
  auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
  const uint32_t ifd = u32(4);
  uint32_t start = 0, length = 0;
  for (uint32_t i = 0; i < u16(ifd); ++i) {
    const size_t e = ifd + 2 + i * 12;
    if (u16(e) == 513) start = u32(e + 8);
    if (u16(e) == 514) length = u32(e + 8);
  }
  const std::string out = dir / "embedded.jpg";
  if (start + length <= f.size()) WriteFile(out, std::vector<uint8_t>(f.begin() + start, f.begin() + start + length));
  return out;
}

struct Fixture {
  const char* name;
  std::string make;  // writes the file given as $OUT
  int tolerance;
  bool by_imagemagick = false;
  // Associated alpha: the colour samples are premultiplied, as tifftopnm's
  // composition over black gives them.
  bool premultiplied = false;
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
  const std::string strips = dir / "strips.tif", bilevel = dir / "bilevel.tif", minisblack = dir / "minisblack.tif";
  ASSERT_TRUE(codec::Run(im + b1 + " -compress none " + bilevel));
  ASSERT_TRUE(codec::Run("/usr/bin/pnmtotiff -minisblack " + b1 + " > " + minisblack));
  ASSERT_TRUE(codec::Run(im + c8 + " -define tiff:rows-per-strip=5 -compress none " + strips));
  const std::string cmyk = dir / "cmyk.tif";
  ASSERT_TRUE(codec::Run(im + c8 + " -colorspace cmyk -compress none " + cmyk));
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
      // Four-bit grey reads as 0, 16, .., 240; tifftopnm stretches it to 255.
      {"im-grey4-mm", im + g8 + " -depth 4 -compress lzw -define tiff:endian=msb $OUT", 15},
      {"im-grey8-tiles", im + g8 + " -compress zip -define tiff:tile-geometry=16x16 $OUT", 0},
      // tifftopnm shifts the rows of 16-bit grey edge tiles (a copy in strips
      // reads right): ImageMagick is the reference here.
      {"im-grey16-tiles-mm", im + g8 + " -depth 16 -compress none -define tiff:tile-geometry=16x16 "
                             "-define tiff:endian=msb $OUT", 0, true},
      {"im-palette-tiles", im + c8 + " -colors 40 -type palette -compress lzw -define tiff:tile-geometry=16x16 $OUT",
       0},
      // Associated alpha: ImageMagick divides the colour by alpha as we do,
      // its rounding one below ours at times.
      {"im-rgba-associated", im + rgba + " -compress lzw -define tiff:alpha=associated $OUT", 1},
      {"im-rgba16-associated", im + rgba + " -depth 16 -compress zip -define tiff:alpha=associated $OUT", 1},
      {"im-rgba-associated-planar",
       im + rgba + " -compress none -interlace plane -define tiff:alpha=associated $OUT", 1},
      {"im-rgba16-associated-planar-mm",
       im + rgba + " -depth 16 -compress lzw -interlace plane -define tiff:alpha=associated "
                   "-define tiff:endian=msb $OUT", 1},
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
      {"tiffcp-bilevel-tiles-mm", "/usr/bin/tiffcp -B -t -w 16 -l 16 " + bilevel + " $OUT", 0},
      {"tiffcp-lzw-planar-tiles", "/usr/bin/tiffcp -c lzw -p separate -t -w 16 -l 16 " + strips + " $OUT", 0},
      {"tiffcp-jpeg-ycbcr", "/usr/bin/tiffcp -c jpeg:95 -r 16 " + strips + " $OUT", 24, true},
      {"tiffcp-jpeg-cmyk", "/usr/bin/tiffcp -c jpeg:95 -r 16 " + cmyk + " $OUT", 24},
      {"tiffcp-jpeg-rgb", "/usr/bin/tiffcp -c jpeg:r:95 -r 16 " + strips + " $OUT", 24},
      {"tiff2bw", "/usr/bin/tiff2bw -c lzw " + strips + " $OUT", 0},
      {"ppm2tiff-lzw", "/usr/bin/ppm2tiff -c lzw -r 3 " + c8 + " $OUT", 0},
      {"ppm2tiff-packbits", "/usr/bin/ppm2tiff -c packbits " + g8 + " $OUT", 0},
      // Fax codings, in several strips, both fill orders, both photometrics.
      {"tiffcp-g3-1d", "/usr/bin/tiffcp -c g3:1d -r 7 " + bilevel + " $OUT", 0},
      {"tiffcp-g3-2d-fill", "/usr/bin/tiffcp -c g3:2d:fill -r 7 " + bilevel + " $OUT", 0},
      {"tiffcp-g4", "/usr/bin/tiffcp -c g4 -r 7 " + bilevel + " $OUT", 0},
      {"tiffcp-g4-lsb-first", "/usr/bin/tiffcp -c g4 -f lsb2msb " + bilevel + " $OUT", 0},
      {"tiffcp-g4-minisblack", "/usr/bin/tiffcp -c g4 " + minisblack + " $OUT", 0},
      {"tiffcp-g3-minisblack-mm", "/usr/bin/tiffcp -B -c g3:2d " + minisblack + " $OUT", 0},
      {"im-fax", im + b1 + " -compress fax $OUT", 0},
      {"im-group4-mm", im + b1 + " -compress group4 -define tiff:endian=msb $OUT", 0},
      // netpbm.
      {"pnmtotiff-lzw-mm", "/usr/bin/pnmtotiff -lzw -msb2lsb " + c8 + " > $OUT", 0},
      {"pnmtotiff-pred", "/usr/bin/pnmtotiff -lzw -predictor=2 " + c8 + " > $OUT", 0},
      {"pnmtotiff-grey", "/usr/bin/pnmtotiff -packbits " + g8 + " > $OUT", 0},
      {"pnmtotiff-mono", "/usr/bin/pnmtotiff " + b1 + " > $OUT", 0},
      {"pnmtotiff-minisblack", "/usr/bin/pnmtotiff -minisblack " + b1 + " > $OUT", 0},
      {"pnmtotiff-g4", "/usr/bin/pnmtotiff -g4 " + b1 + " > $OUT", 0},
      {"pnmtotiff-g3-2d", "/usr/bin/pnmtotiff -g3 -2d -fill " + b1 + " > $OUT", 0},
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
    const bool by_imagemagick = f.by_imagemagick || (io.IEBitmap()->HasAlphaChannel() && !f.premultiplied);
    EXPECT_EQ(CompareWithPeer(out, dir, *io.IEBitmap(), f.tolerance, by_imagemagick), 0);
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

// What we write: every layout and compression passes tiffinfo's full read,
// copies with tiffcp, and the copy decodes (tifftopnm, or ImageMagick for
// alpha) as we decode our own file; lossless layouts decode to the source.
TEST(TiffInterop, OurFilesPassTiffinfoCopyWithTiffcpAndDecodeToTheirSource) {
  if (!HavePeers() || ::access("/usr/bin/tiffinfo", X_OK) != 0) GTEST_SKIP() << "libtiff tools not installed";
  Folder dir;
  const int w = 37, h = 23;
  TIEBitmap colour;
  FillBitmap(colour, w, h, Picture(w, h));
  TIEBitmap grey;
  grey.Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint8_t v = static_cast<uint8_t>((x * 7 + y * 5) % 256);
      grey.SetRGB24(x, y, TRGB{v, v, v});
    }
  TIEBitmap mono;
  mono.Allocate(w, h, ieMono1);
  mono.Fill(0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if ((x / 3 + y / 2) % 3) mono.GetScanline(y)[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));  // white
  TIEBitmap alpha;
  FillBitmap(alpha, w, h, Picture(w, h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) alpha.SetAlpha(x, y, static_cast<uint8_t>(x * 7));
  TIEBitmap few;
  few.Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) few.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(x % 4 * 60), static_cast<uint8_t>(y % 3 * 90), 40));
  TIEBitmap colour_blocks;
  FillBitmap(colour_blocks, 48, 32, Picture(48, 32));
  TIEBitmap cmyk;
  cmyk.Assign(&colour);
  cmyk.ConvertFormat(ieCMYK);
  TIEBitmap rgb48;
  rgb48.Assign(&colour);
  rgb48.ConvertFormat(ieRGB48);
  TIEBitmap grey16;
  grey16.Assign(&grey);
  grey16.ConvertFormat(ieGray16);

  struct Case {
    std::string name;
    TIEBitmap* bitmap;
    int bits, spp, photometric, compression, fill_order;
    int tolerance;
    bool lossless;
    int jpeg_color_space = 2;
  };
  std::vector<Case> cases = {
      {"rgb-none", &colour, 8, 3, 2, 0, 1, 0, true},
      {"rgb-lzw", &colour, 8, 3, 2, 5, 1, 0, true},
      {"rgb-packbits", &colour, 8, 3, 2, 8, 1, 0, true},
      {"rgb-jpeg", &colour, 8, 3, 2, 7, 1, 0, false},
      {"rgba-none", &alpha, 8, 3, 2, 0, 1, 0, true},
      {"rgba-lzw", &alpha, 8, 3, 2, 5, 1, 0, true},
      {"grey8-lzw", &grey, 8, 1, 1, 5, 1, 0, true},
      {"grey8-packbits", &grey, 8, 1, 1, 8, 1, 0, true},
      // Four-bit grey reads as 0, 16, .., 240; tifftopnm stretches it to 255.
      {"grey4", &grey, 4, 1, 1, 0, 1, 15, false},
      {"grey16", &grey16, 16, 1, 1, 0, 1, 0, true},
      {"palette8-lzw", &colour, 8, 1, 3, 5, 1, 0, false},
      {"palette4", &few, 4, 1, 3, 0, 1, 0, true},
      {"palette2-packbits", &few, 2, 1, 3, 8, 1, 0, false},
      {"cmyk-none", &cmyk, 8, 4, 5, 0, 1, 1, true},
      {"cmyk-from-rgb-lzw", &colour, 8, 4, 5, 5, 1, 2, false},
      {"rgb48", &rgb48, 16, 3, 2, 0, 1, 0, true},
      {"mono-none", &mono, 1, 1, 1, 0, 1, 0, true},
      {"mono-huffman", &mono, 1, 1, 1, 1, 1, 0, true},
      {"mono-g3", &mono, 1, 1, 1, 2, 1, 0, true},
      {"mono-g3-2d", &mono, 1, 1, 1, 3, 1, 0, true},
      {"mono-g4", &mono, 1, 1, 1, 4, 1, 0, true},
      {"mono-g4-lsb-first", &mono, 1, 1, 1, 4, 2, 0, true},
      {"mono-lzw", &mono, 1, 1, 1, 5, 1, 0, true},
      {"mono-packbits", &mono, 1, 1, 1, 8, 1, 0, true},
      // JPEG in every colour space the writer offers, and old-style JPEG.
      {"grey-jpeg", &grey, 8, 1, 1, 7, 1, 0, false, 1},
      {"rgb-jpeg-rgb", &colour, 8, 3, 2, 7, 1, 0, false, 0},
      {"cmyk-jpeg", &cmyk, 8, 4, 5, 7, 1, 0, false, 3},
      // libtiff reads old-style JPEG pages in whole blocks of 16 rows.
      {"rgb-old-jpeg", &colour_blocks, 8, 3, 2, 6, 1, 0, false},
  };
  // Every other pixel format in the three lossless compressions.
  for (const Case& base : std::vector<Case>(cases)) {
    if (base.bitmap == &mono || base.compression == 6 || base.compression == 7) continue;
    for (int compression : {0, 5, 8}) {
      bool have = false;
      for (const Case& c : cases)
        have = have || (c.bitmap == base.bitmap && c.bits == base.bits && c.photometric == base.photometric &&
                        c.spp == base.spp && c.compression == compression);
      if (have) continue;
      Case extra = base;
      extra.compression = compression;
      extra.name = base.name + "+" + std::to_string(compression);
      cases.push_back(extra);
    }
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string ours = dir / (std::string(c.name) + ".tif"), copy = dir / "copy.tif";
    TImagoIO io(nullptr);
    io.IEBitmap()->Assign(c.bitmap);
    TIOParamsVals* p = io.Params();
    p->BitsPerSample = c.bits;
    p->SamplesPerPixel = c.spp;
    p->TiffPhotometric = static_cast<uint8_t>(c.photometric);
    p->TiffCompression = static_cast<uint8_t>(c.compression);
    p->TiffFillOrder = c.fill_order;
    p->TiffJpegColorSpace = static_cast<uint8_t>(c.jpeg_color_space);
    p->TiffJpegQuality = 95;
    io.SaveToFile(ours);
    ASSERT_FALSE(io.Aborted());
    const std::string info = Capture("/usr/bin/tiffinfo -D " + ours + " 2>&1; echo rc=$?");
    EXPECT_NE(info.find("rc=0"), std::string::npos) << info;
    EXPECT_EQ(info.find("Error"), std::string::npos) << info;
    // libtiff reads old-style JPEG with a warning that the mode is
    // deprecated; tiffcp copies no subsampled old-style page, tiff2rgba does.
    const bool old_jpeg = c.compression == 6;
    const size_t warning = info.find("Warning");
    if (old_jpeg) EXPECT_EQ(info.find("Warning", info.find("Deprecated") + 1), std::string::npos) << info;
    else EXPECT_EQ(warning, std::string::npos) << info;
    const std::string copied =
        Capture(std::string(old_jpeg ? "/usr/bin/tiff2rgba " : "/usr/bin/tiffcp ") + ours + " " + copy + " 2>&1; echo rc=$?");
    ASSERT_NE(copied.find("rc=0"), std::string::npos) << copied;
    TImagoIO back(nullptr);
    back.LoadFromFile(ours);
    ASSERT_FALSE(back.Aborted());
    TIEBitmap* got = back.IEBitmap();
    const bool jpeg = c.compression == 6 || c.compression == 7;
    const int tolerance = jpeg ? 24 : c.tolerance;
    // tifftopnm reads no YCbCr: JPEG pages go to ImageMagick, and as we
    // wrote them (tiffcp compresses a copy of JPEG data once more).
    // (ImageMagick gives CMYK pages as CMYK: those go to tifftopnm.)
    // Old-style pages hold a whole JPEG stream, which readers of such pages
    // (EXIF thumbnails among them) decode as it stands; libtiff's own path
    // for them upsamples the chroma its own way and is no reference.
    if (old_jpeg) EXPECT_EQ(CompareWithPeer(EmbeddedJpeg(ours, dir), dir, *got, tolerance, true), 0);
    else if (jpeg) EXPECT_EQ(CompareWithPeer(ours, dir, *got, tolerance, c.photometric != 5), 0);
    else EXPECT_EQ(CompareWithPeer(copy, dir, *got, tolerance, got->HasAlphaChannel()), 0);
    if (c.lossless) {
      int64_t diffs = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          diffs += !(got->GetPixelRGB(x, y) == c.bitmap->GetPixelRGB(x, y));
          if (c.bitmap->HasAlphaChannel()) diffs += got->GetAlpha(x, y) != c.bitmap->GetAlpha(x, y);
        }
      EXPECT_EQ(diffs, 0);
    } else if (jpeg) {
      // Lossy pages stay near their source: a small mean error per sample.
      ASSERT_EQ(got->Width(), c.bitmap->Width());
      ASSERT_EQ(got->Height(), c.bitmap->Height());
      int64_t error = 0;
      for (int y = 0; y < got->Height(); ++y)
        for (int x = 0; x < got->Width(); ++x) {
          const TRGB a = got->GetPixelRGB(x, y), b = c.bitmap->GetPixelRGB(x, y);
          error += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        }
      EXPECT_LE(error / (3 * int64_t{got->Width()} * got->Height()), 8);
    }
  }
}

// Pages we insert into a file of our own: libtiff lists every one, and each
// page split off by tiffsplit decodes as we read it.
TEST(TiffInterop, PagesWeInsertAreEveryPageForLibtiff) {
  if (!HavePeers() || ::access("/usr/bin/tiffsplit", X_OK) != 0) GTEST_SKIP() << "libtiff tools not installed";
  Folder dir;
  const std::string file = dir / "pages.tif";
  const struct {
    int w, h;
    TRGB colour;
    int compression;
  } pages[] = {{13, 9, MakeRGBTriple(255, 0, 0), 0}, {21, 5, MakeRGBTriple(0, 255, 0), 5},
               {8, 8, MakeRGBTriple(0, 0, 255), 8}};
  TMemoryStream s;
  for (int i = 0; i < 3; ++i) {
    TIEBitmap b;
    b.Allocate(pages[i].w, pages[i].h, ieRGB24);
    for (int y = 0; y < pages[i].h; ++y)
      for (int x = 0; x < pages[i].w; ++x) b.SetRGB24(x, y, pages[i].colour);
    TIOParamsVals p(nullptr);
    p.TiffCompression = static_cast<uint8_t>(pages[i].compression);
    p.SetImageIndex(i);  // past the last page: appended
    Progress pr;
    s.SetPosition(0);
    EXPECT_EQ(WriteTIFFStream(&s, i > 0, &b, p, pr.rec), i + 1);
    ASSERT_FALSE(pr.aborted);
  }
  WriteFile(file, Bytes(s));
  const std::string info = Capture("/usr/bin/tiffinfo " + file + " 2>&1");
  size_t directories = 0;
  for (size_t at = info.find("TIFF Directory"); at != std::string::npos; at = info.find("TIFF Directory", at + 1))
    ++directories;
  EXPECT_EQ(directories, 3u) << info;
  ASSERT_TRUE(codec::Run("cd " + dir / "." + " && /usr/bin/tiffsplit " + file + " part-"));
  const char* parts[] = {"part-aaa.tif", "part-aab.tif", "part-aac.tif"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TImagoIO io(nullptr);
    io.Params()->SetImageIndex(i);
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborted());
    EXPECT_EQ(io.Params()->ImageCount, 3);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(2, 2), pages[i].colour);
    EXPECT_EQ(CompareWithPeer(dir / parts[i], dir, *io.IEBitmap(), 0, false), 0);
  }
}

// Layouts of files from the wild, made by hand where no tool writes them:
// RGB JPEG data without a colour marker, palette pages with an alpha
// sample, uncompressed YCbCr in every subsampling, and a BitsPerSample entry
// listing more depths than samples. Each against libtiff's reading (through
// tifftopnm, or tiff2rgba for YCbCr), palette alpha against ImageMagick
// (libtiff drops it).
TEST(TiffInterop, LayoutsFromTheWildLoadAsLibtiffReadsThem) {
  if (!HavePeers() || ::access("/usr/bin/tiff2rgba", X_OK) != 0) GTEST_SKIP() << "libtiff tools not installed";
  Folder dir;
  const int w = 37, h = 23;
  struct Case {
    std::string name;
    std::vector<uint8_t> file;
    bool rgba;  // through tiff2rgba
    int tolerance;
    bool by_imagemagick = false;
  };
  std::vector<Case> cases;
  cases.push_back({"rgb-jpeg-unmarked",
                   tifftest::JpegPage(w, h, tifftest::UnmarkedRGBJpeg(w, h, tifftest::BlueToRed(w, h))), false, 1});
  {
    // 8-bit palette with an unassociated alpha sample.
    std::vector<uint8_t> data;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        data.push_back(static_cast<uint8_t>((x + y) % 7));
        data.push_back(static_cast<uint8_t>(x * 7));
      }
    auto e = tifftest::StripPage(w, h, 8, 2, 3, static_cast<uint32_t>(data.size()));
    tifftest::Entry map{320, 3, {}};
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < 256; ++i) map.values.push_back(static_cast<uint32_t>((i * 30 + c * 80) % 256 * 257));
    e.push_back(map);
    e.push_back({338, 3, {2}});
    tifftest::Builder b;
    b.AddPage({e, data});
    cases.push_back({"palette-alpha", b.Bytes(), false, 0, true});
  }
  for (auto [sh, sv] : std::vector<std::pair<int, int>>{{1, 1}, {2, 1}, {2, 2}, {4, 2}, {4, 4}}) {
    const std::vector<uint8_t> data = tifftest::YCbCrUnits(
        w, h, sh, sv, [](int x, int y) { return static_cast<uint8_t>(20 + x * 5 + y * 3); },
        [](int bx, int by) { return static_cast<uint8_t>(60 + bx * 17 + by * 11); },
        [](int bx, int by) { return static_cast<uint8_t>(200 - bx * 13 - by * 7); });
    // Strips of a whole number of block rows.
    const uint32_t rps = static_cast<uint32_t>(sv * 2);
    const uint32_t strip = static_cast<uint32_t>((w + sh - 1) / sh * (sh * sv + 2) * 2);
    std::vector<uint32_t> offsets, counts;
    for (uint32_t y = 0; y < static_cast<uint32_t>(h); y += rps) {
      offsets.push_back(y / rps * strip);
      counts.push_back(std::min<uint32_t>(strip, static_cast<uint32_t>(data.size()) - y / rps * strip));
    }
    auto e = tifftest::StripPage(w, h, 8, 3, 6, 0);
    e[5].values = offsets;
    e[7].values = {rps};
    e[8].values = counts;
    e.push_back({530, 3, {static_cast<uint32_t>(sh), static_cast<uint32_t>(sv)}});
    if (sh == 4 && sv == 2) e.push_back({532, 5, {16, 1, 235, 1, 128, 1, 240, 1, 128, 1, 240, 1}});
    tifftest::Builder b;
    b.AddPage({e, data});
    // libtiff's integer tables stray up to 3 from the exact conversion when
    // the codes span a narrower range.
    cases.push_back({"ycbcr-" + std::to_string(sh) + "x" + std::to_string(sv), b.Bytes(), true, sh == 4 && sv == 2 ? 3 : 2});
  }
  {
    std::vector<uint8_t> data(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 % 251);
    auto e = tifftest::StripPage(w, h, 8, 3, 2, static_cast<uint32_t>(data.size()));
    e[2].values = {8, 8, 8, 1};
    tifftest::Builder b;
    b.AddPage({e, data});
    cases.push_back({"bits-listed-for-more-samples", b.Bytes(), false, 0});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string tif = dir / (c.name + ".tif");
    WriteFile(tif, c.file);
    TImagoIO io(nullptr);
    io.LoadFromFile(tif);
    ASSERT_FALSE(io.Aborted()) << io.AbortReason();
    TIEBitmap& got = *io.IEBitmap();
    std::string peer = tif;
    if (c.rgba) {
      peer = dir / "rgba.tif";
      ASSERT_TRUE(codec::Run("/usr/bin/tiff2rgba -n " + tif + " " + peer));
    }
    EXPECT_EQ(CompareWithPeer(peer, dir, got, c.tolerance, c.by_imagemagick), 0);
  }
}
