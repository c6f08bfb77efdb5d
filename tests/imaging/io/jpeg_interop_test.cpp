// The JPEG reader against djpeg of the same library, and the writer's files
// as ImageMagick and exiftool read them. Fixtures are made at test time with
// cjpeg, ImageMagick and exiftool in a temporary folder.
#include <gtest/gtest.h>

#include <lcms2.h>

#include <cmath>
#include <cstring>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/JPEG.h"

using namespace codec;

namespace {

bool HavePeers() {
  return ::access("/usr/bin/cjpeg", X_OK) == 0 && ::access("/usr/bin/djpeg", X_OK) == 0;
}

void LoadJPEG(const std::string& file, int scale_code, TIEBitmap& image, TIOParamsVals& params,
              bool& aborted) {
  const std::vector<uint8_t> data = ReadFile(file);
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  Progress p;
  params.JpegScale = static_cast<uint8_t>(scale_code);
  ReadJPEGStream(&s, nullptr, &image, params, p.rec, false, false, true, false, true);
  aborted = p.aborted;
}

double PSNR(TIEBitmap& a, const PNM& b) {
  double sum = 0;
  int64_t n = 0;
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x) {
      const TRGB p = a.GetRGB24(x, y);
      const int v[3] = {p.r, p.g, p.b};
      for (int c = 0; c < 3; ++c) {
        const double d = v[c] - b.At(x, y, b.depth == 1 ? 0 : c);
        sum += d * d;
        ++n;
      }
    }
  return sum == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / (sum / n));
}

}  // namespace

TEST(JpegInterop, LoadsEqualDjpegAtEveryScale) {
  if (!HavePeers()) GTEST_SKIP() << "cjpeg/djpeg not installed";
  Folder dir;
  const int w = 157, h = 93;
  WritePPM(dir / "src.ppm", w, h, Picture(w, h));
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 157x93 -seed 7 plasma:fractal " + dir / "plasma.ppm"));
  struct Fixture {
    const char* name;
    const char* source;
    const char* options;
  } fixtures[] = {
      {"baseline", "src.ppm", ""},
      {"progressive", "plasma.ppm", "-progressive"},
      {"grey", "plasma.ppm", "-grayscale"},
      {"rgb", "plasma.ppm", "-rgb"},
      {"full-chroma", "src.ppm", "-sample 1x1 -quality 60"},
      {"optimized-restarts", "plasma.ppm", "-optimize -restart 1 -quality 30"},
      {"float", "plasma.ppm", "-dct float -sample 2x1"},
  };
  for (const Fixture& f : fixtures) {
    const std::string jpg = dir / (std::string(f.name) + ".jpg");
    ASSERT_TRUE(codec::Run(std::string("/usr/bin/cjpeg ") + f.options + " -outfile " + jpg + " " +
                    dir / f.source))
        << f.name;
    for (int code = 1; code <= 4; ++code) {
      const int denom = 1 << (code - 1);
      const std::string ref = dir / "ref.pnm";
      ASSERT_TRUE(codec::Run("/usr/bin/djpeg -scale 1/" + std::to_string(denom) + " -outfile " + ref +
                      " " + jpg));
      PNM want;
      ASSERT_TRUE(ReadPNM(ref, want));
      TIEBitmap got;
      TIOParamsVals params(nullptr);
      bool aborted = true;
      LoadJPEG(jpg, code, got, params, aborted);
      ASSERT_FALSE(aborted) << f.name;
      EXPECT_EQ(params.JpegScaleUsed, denom);
      ASSERT_EQ(got.Width(), want.width) << f.name << " 1/" << denom;
      ASSERT_EQ(got.Height(), want.height);
      int64_t diffs = 0;
      for (int y = 0; y < want.height; ++y)
        for (int x = 0; x < want.width; ++x) {
          const TRGB p = got.GetRGB24(x, y);
          const int v[3] = {p.r, p.g, p.b};
          for (int c = 0; c < 3; ++c)
            diffs += v[c] != want.At(x, y, want.depth == 1 ? 0 : c);
        }
      EXPECT_EQ(diffs, 0) << f.name << " at 1/" << denom;
    }
  }
}

TEST(JpegInterop, SavesCarryDensityProgressionAndMarkers) {
  if (!HavePeers() || ::access("/usr/bin/exiftool", X_OK) != 0 ||
      ::access("/usr/bin/identify", X_OK) != 0)
    GTEST_SKIP() << "peers not installed";
  Folder dir;
  const int w = 120, h = 80;
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 120x80 -seed 5 plasma:fractal -depth 8 " + dir / "src.ppm"));
  PNM source;
  ASSERT_TRUE(ReadPNM(dir / "src.ppm", source));
  std::vector<uint8_t> rgb(source.samples.begin(), source.samples.end());
  // An EXIF block as exiftool writes it, taken from a file it tagged.
  ASSERT_TRUE(codec::Run("/usr/bin/cjpeg -outfile " + dir / "base.jpg " + dir / "src.ppm"));
  ASSERT_TRUE(codec::Run("/usr/bin/exiftool -q -Make=NobrivoCam -Model=Z1 -o " + dir / "exif.jpg " +
                  dir / "base.jpg"));
  TIEBitmap scratch;
  TIOParamsVals tagged(nullptr);
  bool aborted = true;
  LoadJPEG(dir / "exif.jpg", 1, scratch, tagged, aborted);
  ASSERT_FALSE(aborted);
  const int32_t exif = tagged.JpegMarkerList.IndexOf(0xE1);
  ASSERT_GE(exif, 0);

  // The sRGB profile as one APP2 chunk.
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number icc_len = 0;
  cmsSaveProfileToMem(srgb, nullptr, &icc_len);
  std::vector<uint8_t> icc(icc_len);
  cmsSaveProfileToMem(srgb, icc.data(), &icc_len);
  cmsCloseProfile(srgb);
  std::vector<uint8_t> app2(14);
  std::memcpy(app2.data(), "ICC_PROFILE", 12);
  app2[12] = 1;
  app2[13] = 1;
  app2.insert(app2.end(), icc.begin(), icc.end());

  for (bool progressive : {false, true}) {
    TImagoIO io(nullptr);
    FillBitmap(*io.IEBitmap(), w, h, rgb);
    TIOParamsVals& p = *io.Params();
    p.SetDpiX(150);
    p.SetDpiY(200);
    p.JpegProgressive = progressive;
    p.JpegQuality = 92;
    // Without metadata: the frame header's density is what the peers read.
    io.SaveToFile(dir / "plain.jpg");
    ASSERT_FALSE(io.Aborted());
    EXPECT_EQ(Capture("/usr/bin/identify -format '%[fx:resolution.x] %[fx:resolution.y] "
                      "%[interlace] %[units]' " + dir / "plain.jpg"),
              std::string("150 200 ") + (progressive ? "JPEG" : "None") + " PixelsPerInch");

    p.JpegMarkerList.AddMarker(0xE1, tagged.JpegMarkerList.GetMarkerData(exif),
                               tagged.JpegMarkerList.GetMarkerLength(exif));
    p.JpegMarkerList.AddMarker(0xE2, app2.data(), static_cast<int32_t>(app2.size()));
    p.IPTCInfoList.AddItem(2, 120, "Private picture", 15);
    const std::string out = dir / "out.jpg";
    io.SaveToFile(out);
    ASSERT_FALSE(io.Aborted());

    EXPECT_EQ(Capture("/usr/bin/identify -format '%[interlace]' " + out),
              progressive ? "JPEG" : "None");
    EXPECT_EQ(Capture("/usr/bin/exiftool -s -s -s -Make -Model -IPTC:Caption-Abstract "
                      "-ICC_Profile:ColorSpaceData -JFIF:XResolution -JFIF:YResolution "
                      "-JFIF:ResolutionUnit " + out),
              "NobrivoCam\nZ1\nPrivate picture\nRGB\n150\n200\ninches\n");
    ASSERT_TRUE(codec::Run("/usr/bin/convert " + out + " -depth 8 " + dir / "back.ppm"));
    PNM back;
    ASSERT_TRUE(ReadPNM(dir / "back.ppm", back));
    TIEBitmap src;
    FillBitmap(src, w, h, rgb);
    EXPECT_GT(PSNR(src, back), 30.0);

    // The reader finds everything again; the profile opens.
    TIEBitmap again;
    TIOParamsVals rp(nullptr);
    LoadJPEG(out, 1, again, rp, aborted);
    ASSERT_FALSE(aborted);
    EXPECT_EQ(rp.JpegProgressive, progressive);
    EXPECT_EQ(rp.DpiX(), 150);
    EXPECT_TRUE(rp.GetInputICCProfile()->IsValid());
    EXPECT_EQ(rp.GetInputICCProfile()->RawLength(), static_cast<int64_t>(icc.size()));
    ASSERT_EQ(rp.IPTCInfoList.GetCount(), 1);
  }
}

namespace {

// Differing samples between our load and djpeg's output over the first
// Rows rows (all of them when Rows is negative).
int64_t DiffersFromDjpeg(TIEBitmap& got, const PNM& want, int rows = -1) {
  const int h = rows < 0 ? want.height : rows;
  int64_t diffs = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < want.width; ++x) {
      const TRGB p = got.GetRGB24(x, y);
      const int v[3] = {p.r, p.g, p.b};
      for (int c = 0; c < 3; ++c) diffs += v[c] != want.At(x, y, want.depth == 1 ? 0 : c);
    }
  return diffs;
}

// Offsets of the restart markers of a file.
std::vector<size_t> RestartMarkers(const std::vector<uint8_t>& f) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 1 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] >= 0xD0 && f[i + 1] <= 0xD7) at.push_back(i);
  return at;
}

}  // namespace

// A camera file with a damaged restart interval early in the picture, and
// files cut short after their first rows: djpeg shows the whole picture
// (the decoder resynchronises at the next restart marker, or pads what the
// data no longer hold), and so does the reader, sample for sample.
TEST(JpegInterop, DamagedRestartIntervalsAndCutFilesShowWhatDjpegShows) {
  if (!HavePeers()) GTEST_SKIP() << "cjpeg/djpeg not installed";
  Folder dir;
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 256x192 -seed 3 plasma:fractal -depth 8 " + dir / "src.ppm"));
  // 16 x 12 blocks of 16 pixels, a restart marker every 4 of them.
  ASSERT_TRUE(codec::Run("/usr/bin/cjpeg -restart 4B -outfile " + dir / "rst.jpg " + dir / "src.ppm"));
  ASSERT_TRUE(codec::Run("/usr/bin/cjpeg -progressive -outfile " + dir / "prog.jpg " + dir / "src.ppm"));
  const std::vector<uint8_t> rst = ReadFile(dir / "rst.jpg");
  const std::vector<size_t> markers = RestartMarkers(rst);
  ASSERT_GE(markers.size(), 40u);
  // Interval 12 starts the fourth row of blocks, of 12.
  const size_t bad = markers[11];
  std::vector<uint8_t> wrong_number = rst;
  wrong_number[bad + 1] = static_cast<uint8_t>(0xD0 + (wrong_number[bad + 1] - 0xD0 + 3) % 8);
  std::vector<uint8_t> junk = rst;
  for (size_t i = bad + 2; i < markers[12]; ++i) junk[i] = 0x55;
  std::vector<uint8_t> lost = rst;
  lost[bad + 1] = 0;
  const std::vector<uint8_t> prog = ReadFile(dir / "prog.jpg");
  struct Fixture {
    const char* name;
    std::vector<uint8_t> data;
  } fixtures[] = {
      {"restart marker of the wrong number", wrong_number},
      {"restart interval of junk", junk},
      {"restart marker lost", lost},
      {"cut at a third", {rst.begin(), rst.begin() + static_cast<long>(rst.size() / 3)}},
      {"progressive cut at a tenth", {prog.begin(), prog.begin() + static_cast<long>(prog.size() / 10)}},
  };
  for (const Fixture& f : fixtures) {
    const std::string jpg = dir / "damaged.jpg", ref = dir / "ref.ppm";
    WriteFile(jpg, f.data);
    // djpeg warns and exits 2 on damaged data; its picture is what counts.
    codec::Run("/usr/bin/djpeg -outfile " + ref + " " + jpg);
    PNM want;
    ASSERT_TRUE(ReadPNM(ref, want)) << f.name;
    TIEBitmap got;
    TIOParamsVals params(nullptr);
    bool aborted = true;
    LoadJPEG(jpg, 1, got, params, aborted);
    EXPECT_FALSE(aborted) << f.name;
    ASSERT_EQ(got.Width(), want.width) << f.name;
    ASSERT_EQ(got.Height(), want.height) << f.name;
    EXPECT_EQ(DiffersFromDjpeg(got, want), 0) << f.name;
    EXPECT_GT(params.JpegWarningTotal, 0) << f.name;
  }
}

// A large picture cut short whose padding would cost far more than the file
// holds: only the rows its data hold are allocated and shown, each as djpeg
// shows it.
TEST(JpegInterop, LargePictureCutShortShowsOnlyTheRowsItHolds) {
  if (!HavePeers()) GTEST_SKIP() << "cjpeg/djpeg not installed";
  Folder dir;
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 8192x2560 gradient:white-black -depth 8 " + dir / "src.pgm"));
  ASSERT_TRUE(codec::Run("/usr/bin/cjpeg -grayscale -outfile " + dir / "big.jpg " + dir / "src.pgm"));
  const std::vector<uint8_t> big = ReadFile(dir / "big.jpg");
  const std::string jpg = dir / "cut.jpg", ref = dir / "ref.pgm";
  WriteFile(jpg, {big.begin(), big.begin() + static_cast<long>(big.size() * 2 / 5)});
  codec::Run("/usr/bin/djpeg -outfile " + ref + " " + jpg);
  PNM want;
  ASSERT_TRUE(ReadPNM(ref, want));
  ASSERT_EQ(want.height, 2560);
  TIEBitmap got;
  TIOParamsVals params(nullptr);
  bool aborted = true;
  LoadJPEG(jpg, 1, got, params, aborted);
  ASSERT_FALSE(aborted);
  EXPECT_EQ(got.Width(), 8192);
  // About two fifths of the rows, in whole rows of blocks.
  EXPECT_GT(got.Height(), 2560 / 4);
  EXPECT_LT(got.Height(), 2560 / 2);
  EXPECT_EQ(got.Height() % 8, 0);
  EXPECT_EQ(params.Height, got.Height());
  EXPECT_EQ(DiffersFromDjpeg(got, want, got.Height()), 0);
}
