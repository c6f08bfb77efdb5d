// The PNG reader against pngtopam on files made by netpbm and ImageMagick,
// and the writer's files checked by pngcheck and decoded by pngtopam.
// Fixtures are made at test time in a temporary folder.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/TIEMask.h"

using namespace codec;

namespace {

bool HavePeers() {
  for (const char* tool : {"/usr/bin/pngtopam", "/usr/bin/pnmtopng", "/usr/bin/convert",
                           "/usr/bin/pngcheck"})
    if (::access(tool, X_OK) != 0) return false;
  return true;
}

void LoadPNG(const std::string& file, TIEBitmap& image, TIOParamsVals& params, bool& aborted) {
  const std::vector<uint8_t> data = ReadFile(file);
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  Progress p;
  ReadPNGStream(&s, &image, params, p.rec, false);
  aborted = p.aborted;
}

// 8-bit value of a sample of the given maximum.
int Scale8(int v, int maxval) { return maxval == 65535 ? v >> 8 : v * 255 / maxval; }

// Our image against pngtopam's colour and alpha output; the count of
// differing samples.
int64_t CompareWithPeer(const std::string& png, const Folder& dir, TIEBitmap& got) {
  const std::string colour = dir / "peer.pnm", alpha = dir / "peer-alpha.pgm";
  if (!codec::Run("/usr/bin/pngtopam " + png + " > " + colour) ||
      !codec::Run("/usr/bin/pngtopam -alpha " + png + " > " + alpha))
    return -1;
  PNM c, a;
  if (!ReadPNM(colour, c) || !ReadPNM(alpha, a)) return -1;
  if (c.width != got.Width() || c.height != got.Height()) return -1;
  int64_t diffs = 0;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x) {
      const TRGB p = got.GetPixelRGB(x, y);
      const int v[3] = {p.r, p.g, p.b};
      for (int k = 0; k < 3; ++k) diffs += v[k] != Scale8(c.At(x, y, c.depth == 1 ? 0 : k), c.maxval);
      const int want_alpha = Scale8(a.At(x, y, 0), a.maxval);
      const int have_alpha = got.HasAlphaChannel() ? got.GetAlpha(x, y) : 255;
      diffs += want_alpha != have_alpha;
    }
  return diffs;
}

}  // namespace

TEST(PngInterop, PeerFilesLoadAsPngtopamDecodesThem) {
  if (!HavePeers()) GTEST_SKIP() << "netpbm/ImageMagick/pngcheck not installed";
  Folder dir;
  const std::string im = "/usr/bin/convert -size 23x17 -seed 3 ";
  ASSERT_TRUE(codec::Run(im + "plasma:fractal -depth 16 " + dir / "c16.ppm"));
  ASSERT_TRUE(codec::Run(im + "gradient:white-black -depth 16 " + dir / "a16.pgm"));
  ASSERT_TRUE(codec::Run(im + "plasma:fractal -depth 8 " + dir / "c8.ppm"));
  ASSERT_TRUE(codec::Run(im + "gradient:white-black -depth 8 " + dir / "a8.pgm"));
  struct Fixture {
    const char* name;
    std::string make;
    const char* expect;  // what pngcheck says of it
  } fixtures[] = {
      {"rgba16-interlaced",
       "/usr/bin/pnmtopng -interlace -alpha=" + dir / "a16.pgm " + dir / "c16.ppm", "64-bit RGB+alpha, interlaced"},
      {"rgba16-im", "/usr/bin/convert " + dir / "c16.ppm " + dir / "a16.pgm" +
                        " -alpha off -compose copy_opacity -composite -interlace PNG PNG64:-",
       "64-bit RGB+alpha, interlaced"},
      {"rgb8-interlaced", "/usr/bin/pnmtopng -interlace " + dir / "c8.ppm", "24-bit RGB, interlaced"},
      {"grey-alpha", "/usr/bin/convert " + dir / "c8.ppm -colorspace gray " + dir / "a8.pgm" +
                         " -alpha off -compose copy_opacity -composite PNG:-",
       "grayscale+alpha"},
      {"palette-trns", "/usr/bin/convert " + dir / "c8.ppm -colors 12 "
                       "-fuzz 0 -fill none -draw 'color 3,3 replace' PNG8:-",
       "1 transparency entry"},
      {"palette-trns-netpbm",
       "/usr/bin/pnmquant 7 " + dir / "c8.ppm | /usr/bin/pnmtopng -transparent " +
           "=rgb:00/00/00",
       "palette"},
      {"palette-1bit", "/usr/bin/pnmquant 2 " + dir / "c8.ppm | /usr/bin/pnmtopng",
       "1-bit palette"},
      {"palette-2bit", "/usr/bin/pnmquant 4 " + dir / "c8.ppm | /usr/bin/pnmtopng -interlace",
       "2-bit palette, interlaced"},
      {"palette-im", "/usr/bin/convert " + dir / "c8.ppm -colors 4 PNG8:-", "8-bit palette"},
      {"palette-4bit", "/usr/bin/pnmquant 16 " + dir / "c8.ppm | /usr/bin/pnmtopng",
       "4-bit palette"},
      {"grey-1bit", "/usr/bin/pgmtopbm -threshold " + dir / "a8.pgm | /usr/bin/pnmtopng",
       "1-bit grayscale"},
      {"grey-2bit", "/usr/bin/pamdepth 3 " + dir / "a8.pgm | /usr/bin/pnmtopng",
       "2-bit grayscale"},
      {"grey-4bit", "/usr/bin/pamdepth 15 " + dir / "a8.pgm | /usr/bin/pnmtopng -interlace",
       "4-bit grayscale, interlaced"},
      {"grey-4bit-im", "/usr/bin/convert " + dir / "a8.pgm -depth 4 -define png:bit-depth=4 "
                       "-define png:color-type=0 PNG:-",
       "4-bit grayscale"},
      {"grey16-trns", "/usr/bin/pnmtopng -transparent =white " + dir / "a16.pgm",
       "16-bit grayscale"},
  };
  for (const Fixture& f : fixtures) {
    const std::string png = dir / (std::string(f.name) + ".png");
    ASSERT_TRUE(codec::Run(f.make + " > " + png)) << f.name;
    const std::string check = Capture("/usr/bin/pngcheck -v " + png);
    EXPECT_NE(check.find(f.expect), std::string::npos) << f.name << ": " << check;
    TIEBitmap got;
    TIOParamsVals params(nullptr);
    bool aborted = true;
    LoadPNG(png, got, params, aborted);
    ASSERT_FALSE(aborted) << f.name;
    EXPECT_EQ(CompareWithPeer(png, dir, got), 0) << f.name;
  }
}

TEST(PngInterop, SavesPassPngcheckAndRoundTrip) {
  if (!HavePeers()) GTEST_SKIP() << "netpbm/ImageMagick/pngcheck not installed";
  Folder dir;
  const int w = 29, h = 11;
  TIEBitmap rgb;
  FillBitmap(rgb, w, h, Picture(w, h));
  TIEMask mask;
  mask.AllocateBits(w, h, 8);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) mask.SetPixel(x, y, x % 5 == 0 ? 0 : 255 - y * 7);
  TIEMask cutout;
  cutout.AllocateBits(w, h, 8);
  cutout.Fill(255);
  for (int x = 0; x < w; x += 3) cutout.SetPixel(x, x % h, 0);
  cutout.Full = false;
  TIEBitmap grey16;
  grey16.Allocate(w, h, ieGray16);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) grey16.SetWord(x, y, static_cast<uint16_t>(x * 2000 + y * 37 + 1));
  TIEBitmap grey8;
  grey8.Assign(&rgb);
  grey8.ConvertFormat(ieGray8);

  struct Case {
    const char* name;
    TIEBitmap* image;
    TIEMask* mask;
    int spp, bps;
    bool interlaced;
    bool exact;  // the decoded picture equals the source
  } cases[] = {
      {"rgb", &rgb, nullptr, 3, 8, false, true},
      {"rgb-interlaced", &rgb, nullptr, 3, 8, true, true},
      {"rgba", &rgb, &mask, 3, 8, false, true},
      {"rgba-interlaced", &rgb, &mask, 4, 8, true, true},
      {"palette8", &rgb, nullptr, 1, 8, false, false},
      {"palette4", &rgb, nullptr, 1, 4, false, false},
      {"palette2", &rgb, nullptr, 1, 2, true, false},
      {"palette-alpha", &rgb, &cutout, 1, 8, false, false},
      {"grey8", &grey8, nullptr, 1, 8, false, true},
      {"grey16", &grey16, nullptr, 1, 16, false, true},
      {"mono", &rgb, nullptr, 1, 1, false, false},
  };
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.SamplesPerPixel = c.spp;
    p.BitsPerSample = c.bps;
    p.PngInterlaced = c.interlaced;
    p.PngCompression = 9;
    p.PngTextKeys = {"Software"};
    p.PngTextValues = {"Nobrivo"};
    TMemoryStream s;
    Progress pr;
    WritePNGStream(&s, c.image, p, pr.rec, c.mask);
    ASSERT_FALSE(pr.aborted) << c.name;
    const std::string file = dir / (std::string(c.name) + ".png");
    WriteFile(file, Bytes(s));
    EXPECT_TRUE(codec::Run("/usr/bin/pngcheck -q " + file)) << c.name << ": "
                                                   << Capture("/usr/bin/pngcheck -v " + file);
    TIEBitmap back;
    TIOParamsVals rp(nullptr);
    bool aborted = true;
    LoadPNG(file, back, rp, aborted);
    ASSERT_FALSE(aborted) << c.name;
    EXPECT_EQ(CompareWithPeer(file, dir, back), 0) << c.name;
    EXPECT_EQ(rp.PngTextValues, std::vector<std::string>{"Nobrivo"});
    if (c.exact && c.image->PixelFormat() != ieGray16) {
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          ASSERT_EQ(back.GetPixelRGB(x, y), c.image->GetPixelRGB(x, y)) << c.name;
          if (c.mask) {
            ASSERT_EQ(back.GetAlpha(x, y), c.mask->GetPixel(x, y)) << c.name;
          }
        }
    }
  }
  // 16-bit grey keeps both bytes of every value.
  const std::string file = dir / "grey16.png";
  ASSERT_TRUE(codec::Run("/usr/bin/pngtopam " + file + " > " + dir / "g16.pgm"));
  PNM g;
  ASSERT_TRUE(ReadPNM(dir / "g16.pgm", g));
  ASSERT_EQ(g.maxval, 65535);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) ASSERT_EQ(g.At(x, y, 0), grey16.GetWord(x, y)) << x << "," << y;
}
