// PostScript and PDF pages against the peers: qpdf finds no fault in our
// PDF files, pdfimages takes the exact pixels out of lossless pages (none,
// run-length, fax and LZW data), and
// Ghostscript renders our pages, on paper the size of the picture at 72 dots
// an inch, to the source pixels (JPEG pages to pixels near them: grey and
// four-ink settings included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "CodecTestSupport.h"
#include "imaging/io/formats/PDF.h"
#include "imaging/io/formats/PS.h"

using namespace codec;

namespace {

const char* kQpdf = "/usr/bin/qpdf";
const char* kPdfImages = "/usr/bin/pdfimages";
const char* kGs = "/usr/bin/gs";

class PageWritersInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {kQpdf, kPdfImages, kGs})
      if (!peer::Available(tool)) GTEST_SKIP() << tool << " is not installed";
  }

  std::string Write(TIEBitmap& b, TIOParamsVals& p, bool pdf, const std::string& name) {
    TMemoryStream s;
    Progress pr;
    if (pdf)
      WritePDFStream(&s, &b, p, pr.rec);
    else
      WritePSStream(&s, &b, p, pr.rec);
    const std::string file = folder / name;
    WriteFile(file, Bytes(s));
    return file;
  }

  // Ghostscript's rendering at 72 dots an inch on paper of W x H points.
  bool Render(const std::string& file, int w, int h, PNM& out) {
    const std::string ppm = folder / "render.ppm";
    return codec::Run(std::string(kGs) + " -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -g" +
                      std::to_string(w) + "x" + std::to_string(h) + " -sOutputFile=" + ppm + " " + file) &&
           ReadPNM(ppm, out);
  }

  Folder folder;
};

// The picture's pixel as the peers give it: red, green, blue.
TRGB At(const PNM& p, int x, int y) {
  if (p.depth == 1) {
    const auto v = static_cast<uint8_t>(p.bits ? p.At(x, y, 0) * 255 : p.At(x, y, 0));
    return MakeRGBTriple(v, v, v);
  }
  return MakeRGBTriple(static_cast<uint8_t>(p.At(x, y, 0)), static_cast<uint8_t>(p.At(x, y, 1)),
                       static_cast<uint8_t>(p.At(x, y, 2)));
}

void Mono(TIEBitmap& b, int w, int h) {
  b.Allocate(w, h, ieMono1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < (w + 7) / 8; ++x) b.GetScanline(y)[x] = static_cast<uint8_t>(x * 37 + y * 11);
}

}  // namespace

TEST_F(PageWritersInterop, QpdfChecksEveryKindOfPage) {
  TIEBitmap rgb, mono;
  FillBitmap(rgb, 45, 31, Picture(45, 31));
  Mono(mono, 45, 31);
  struct Case {
    TIEBitmap* bitmap;
    uint8_t compression, jpeg_space;
  } cases[] = {{&rgb, 0, 2},  {&rgb, 4, 2},  {&rgb, 4, 1},  {&rgb, 4, 3},  {&rgb, 5, 2},  {&mono, 0, 2},
               {&mono, 1, 2}, {&mono, 2, 2}, {&mono, 3, 2}, {&mono, 4, 2}, {&mono, 5, 2}};
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PdfCompression = c.compression;
    p.JpegColorSpace = c.jpeg_space;
    p.PdfTitle = "Sums (a\\b) % #1";
    p.PdfAuthor = "Jos\xC3\xA9 \xE2\x82\xAC";
    p.PdfKeywords = "k\r\nl";
    const std::string file = Write(*c.bitmap, p, true, "check.pdf");
    const std::string out = Capture(std::string(kQpdf) + " --check " + file + "; echo rc=$?");
    EXPECT_NE(out.find("No syntax or stream encoding errors found"), std::string::npos) << out;
    EXPECT_NE(out.find("rc=0"), std::string::npos) << int(c.compression) << out;
  }
  // The information texts read back as written.
  TIOParamsVals p(nullptr);
  p.PdfTitle = "Sums (a\\b)";
  p.PdfAuthor = "Jos\xC3\xA9";
  const std::string file = Write(rgb, p, true, "info.pdf");
  const std::string json = Capture(std::string(kQpdf) + " --json --json-key=qpdf " + file);
  EXPECT_NE(json.find("\"u:Sums (a\\\\b)\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"u:Jos\xC3\xA9\""), std::string::npos) << json;
}

TEST_F(PageWritersInterop, PdfimagesReturnsTheExactPixelsOfLosslessPages) {
  TIEBitmap rgb, mono;
  FillBitmap(rgb, 45, 31, Picture(45, 31));
  Mono(mono, 43, 29);
  struct Case {
    TIEBitmap* bitmap;
    uint8_t compression;
  } cases[] = {{&rgb, 0}, {&rgb, 2}, {&rgb, 5}, {&mono, 0}, {&mono, 1}, {&mono, 2}, {&mono, 3}, {&mono, 4}, {&mono, 5}};
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PdfCompression = c.compression;
    const std::string file = Write(*c.bitmap, p, true, "lossless.pdf");
    const std::string prefix = folder / "img";
    ASSERT_TRUE(codec::Run(std::string(kPdfImages) + " " + file + " " + prefix));
    const bool is_mono = c.bitmap == &mono;
    PNM out;
    ASSERT_TRUE(ReadPNM(prefix + (is_mono ? "-000.pbm" : "-000.ppm"), out)) << int(c.compression);
    ASSERT_EQ(out.width, c.bitmap->Width());
    ASSERT_EQ(out.height, c.bitmap->Height());
    for (int y = 0; y < out.height; ++y)
      for (int x = 0; x < out.width; ++x)
        ASSERT_EQ(At(out, x, y), c.bitmap->GetPixelRGB(x, y)) << int(c.compression) << " " << x << "," << y;
    std::remove((prefix + (is_mono ? "-000.pbm" : "-000.ppm")).c_str());
  }
}

TEST_F(PageWritersInterop, GhostscriptRendersPagesToTheSourcePixels) {
  constexpr int w = 45, h = 31;
  TIEBitmap rgb, mono, smooth;
  FillBitmap(rgb, w, h, Picture(w, h));
  Mono(mono, w, h);
  // JPEG pages: a picture without the sharp edges that chroma subsampling
  // blurs.
  smooth.Allocate(w, h, ieRGB24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      smooth.SetRGB24(x, y, MakeRGBTriple(static_cast<uint8_t>(40 + x * 4), static_cast<uint8_t>(200 - y * 5),
                                          static_cast<uint8_t>(60 + x * 2 + y * 2)));
  struct Case {
    TIEBitmap* bitmap;
    bool pdf;
    uint8_t compression, jpeg_space;
    int max_error;  // 0: exact
  } cases[] = {
      {&rgb, false, 0, 2, 0},     {&rgb, false, 1, 2, 0},     {&mono, false, 0, 2, 0},
      {&mono, false, 1, 2, 0},    {&mono, true, 1, 2, 0},     {&mono, true, 0, 2, 0},    {&smooth, false, 3, 2, 8},  {&smooth, false, 3, 3, 8},
      {&smooth, false, 3, 4, 8},  {&rgb, true, 0, 2, 0},
      {&smooth, true, 4, 2, 8},   {&smooth, true, 4, 3, 8},
      // Fax and LZW data.
      {&mono, false, 2, 2, 0},    {&mono, false, 3, 2, 0},    {&mono, true, 2, 2, 0},
      {&mono, true, 3, 2, 0},     {&mono, true, 5, 2, 0},     {&rgb, true, 5, 2, 0},
      // Grey JPEG data: the luma of the source.
      {&smooth, false, 3, 1, 8},  {&smooth, true, 4, 1, 8},
  };
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PsPaperWidth = p.PdfPaperWidth = w;
    p.PsPaperHeight = p.PdfPaperHeight = h;
    p.PsCompression = p.PdfCompression = c.compression;
    p.JpegColorSpace = c.jpeg_space;
    p.JpegQuality = 95;
    const std::string what = std::string(c.pdf ? "pdf " : "ps ") + std::to_string(c.compression) + " jpeg " +
                             std::to_string(c.jpeg_space);
    const std::string file = Write(*c.bitmap, p, c.pdf, c.pdf ? "page.pdf" : "page.ps");
    PNM out;
    ASSERT_TRUE(Render(file, w, h, out)) << what;
    ASSERT_EQ(out.width, w);
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const TRGB got = At(out, x, y);
        TRGB want = c.bitmap->GetPixelRGB(x, y);
        if (c.jpeg_space == 1 && c.max_error) {
          const auto luma = static_cast<uint8_t>(std::lround(0.299 * want.r + 0.587 * want.g + 0.114 * want.b));
          want = MakeRGBTriple(luma, luma, luma);
        }
        worst = std::max({worst, std::abs(got.r - want.r), std::abs(got.g - want.g), std::abs(got.b - want.b)});
      }
    EXPECT_LE(worst, c.max_error) << what;
  }
}

// A page of the size of a scanned letter, with runs of every length,
// long white rows and a width that is no multiple of 8: each fax and LZW
// coding renders to the source pixels and gives them back through
// pdfimages, and the PostScript interpreter reads on past the data.
TEST_F(PageWritersInterop, LargeOneBitPagesKeepEveryPixel) {
  constexpr int w = 613, h = 401;
  TIEBitmap mono;
  mono.Allocate(w, h, ieMono1);
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = mono.GetScanline(y);
    std::fill(row, row + (w + 7) / 8, 0xFF);
    if (y % 50 < 5) continue;
    for (int x = 0; x < w;) {
      seed = seed * 1103515245u + 12345u;
      const int run = 1 + static_cast<int>(seed >> 16) % (y % 3 == 0 ? 3 : 90);
      if ((seed >> 8) & 1)
        for (int k = x; k < std::min(w, x + run); ++k) row[k / 8] &= static_cast<uint8_t>(~(0x80 >> (k % 8)));
      x += run;
    }
  }
  struct Case {
    bool pdf;
    uint8_t compression;
  } cases[] = {{false, 1}, {false, 2}, {false, 3}, {true, 2}, {true, 3}, {true, 5}};
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PsPaperWidth = p.PdfPaperWidth = w;
    p.PsPaperHeight = p.PdfPaperHeight = h;
    p.PsCompression = p.PdfCompression = c.compression;
    const std::string what = std::string(c.pdf ? "pdf " : "ps ") + std::to_string(c.compression);
    const std::string file = Write(mono, p, c.pdf, c.pdf ? "page.pdf" : "page.ps");
    PNM out;
    // The interpreter stops at the first error, which would lose the page.
    const std::string log = Capture(std::string(kGs) + " -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=ppmraw -r72 -g" +
                                    std::to_string(w) + "x" + std::to_string(h) + " -sOutputFile=" +
                                    (folder / "render.ppm") + " " + file + " 2>&1");
    EXPECT_EQ(log, "") << what;
    ASSERT_TRUE(ReadPNM(folder / "render.ppm", out)) << what;
    ASSERT_EQ(out.width, w);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) wrong += At(out, x, y) != mono.GetPixelRGB(x, y);
    EXPECT_EQ(wrong, 0) << what;
    if (!c.pdf) continue;
    const std::string prefix = folder / "big";
    ASSERT_TRUE(codec::Run(std::string(kPdfImages) + " " + file + " " + prefix));
    ASSERT_TRUE(ReadPNM(prefix + "-000.pbm", out)) << what;
    wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) wrong += At(out, x, y) != mono.GetPixelRGB(x, y);
    EXPECT_EQ(wrong, 0) << what;
    std::remove((prefix + "-000.pbm").c_str());
  }
}
