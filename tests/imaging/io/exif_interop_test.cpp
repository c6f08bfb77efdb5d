// The EXIF block of JPEG files against exiftool: fields, orientations,
// resolutions and thumbnails that exiftool writes read back as it prints
// them, and the block our JPEG writer rebuilds reads in exiftool unchanged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIETagsHandler.h"

using namespace codec;

namespace {

bool HavePeers() {
  return ::access("/usr/bin/exiftool", X_OK) == 0 && ::access("/usr/bin/convert", X_OK) == 0;
}

// exiftool's value of one tag, printed as a number (-n) or as text.
std::string Tag(const std::string& file, const std::string& tag, bool numeric = true) {
  std::string v = Capture(std::string("/usr/bin/exiftool -s3 ") + (numeric ? "-n " : "") + "-" + tag + " " + file);
  while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) v.pop_back();
  return v;
}

const char* kFields =
    "-Make=Maker -Model='Model 7' -Software=Nobrivo-test -Artist=Someone -XResolution=150 "
    "-YResolution=120 -ResolutionUnit=inches -DateTimeOriginal='2024:05:06 07:08:09' "
    "-ExposureTime=0.004 -FNumber=5.6 -ISO=200 -ExposureCompensation=-0.7 -FocalLength=35 "
    "-EXIF:Flash#=16 -MeteringMode#=5 -ShutterSpeedValue=0.004 -BrightnessValue=-1.5 -ColorSpace#=1 "
    "-Orientation#=1 "
    "-GPSLatitude=48.1 -GPSLatitudeRef=N ";

}  // namespace

TEST(ExifInterop, FieldsWrittenByExiftoolReadBackAsItPrintsThem) {
  if (!HavePeers()) GTEST_SKIP() << "exiftool/ImageMagick not installed";
  Folder dir;
  const std::string file = dir / "photo.jpg";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 40x30 gradient:red-blue " + file));
  ASSERT_TRUE(codec::Run(std::string("/usr/bin/exiftool -q -overwrite_original ") + kFields + file));
  TImagoIO io(nullptr);
  io.LoadFromFile(file);
  ASSERT_FALSE(io.Aborted());
  const TIOParamsVals& p = *io.Params();
  EXPECT_EQ(p.EXIFHasData, 1);
  EXPECT_EQ(p.EXIFMake, Tag(file, "Make"));
  EXPECT_EQ(p.EXIFModel, Tag(file, "Model"));
  EXPECT_EQ(p.EXIFSoftware, Tag(file, "Software"));
  EXPECT_EQ(p.EXIFArtist, Tag(file, "Artist"));
  EXPECT_EQ(p.EXIFDateTimeOriginal, Tag(file, "DateTimeOriginal"));
  EXPECT_EQ(p.DpiX(), 150);
  EXPECT_EQ(p.DpiY(), 120);
  EXPECT_EQ(p.EXIFXResolution(), std::stod(Tag(file, "IFD0:XResolution")));
  EXPECT_DOUBLE_EQ(p.EXIFExposureTime, std::stod(Tag(file, "ExposureTime")));
  EXPECT_DOUBLE_EQ(p.EXIFFNumber, std::stod(Tag(file, "FNumber")));
  EXPECT_EQ(p.EXIFISOSpeedRatings[0], std::stoi(Tag(file, "ISO")));
  EXPECT_NEAR(p.EXIFExposureBiasValue, std::stod(Tag(file, "ExposureCompensation")), 1e-6);
  EXPECT_NEAR(p.EXIFBrightnessValue, std::stod(Tag(file, "BrightnessValue")), 1e-6);
  EXPECT_NEAR(p.EXIFFocalLength, std::stod(Tag(file, "FocalLength")), 1e-6);
  EXPECT_EQ(p.EXIFFlash, std::stoi(Tag(file, "Flash")));
  EXPECT_EQ(p.EXIFMeteringMode, std::stoi(Tag(file, "MeteringMode")));
  EXPECT_EQ(p.EXIFColorSpace, 1);
  EXPECT_EQ(p.EXIFExifVersion, Tag(file, "ExifVersion"));
}

TEST(ExifInterop, EveryOrientationTurnsTheImageWhenAsked) {
  if (!HavePeers()) GTEST_SKIP() << "exiftool/ImageMagick not installed";
  Folder dir;
  const std::string file = dir / "o.jpg";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 40x30 xc:white -fill black -draw 'rectangle 0,0 9,9' " + file));
  for (int o = 1; o <= 8; ++o) {
    SCOPED_TRACE(o);
    ASSERT_TRUE(codec::Run("/usr/bin/exiftool -q -overwrite_original -n -Orientation=" + std::to_string(o) + " " + file));
    ASSERT_TRUE(codec::Run("/usr/bin/convert " + file + " -auto-orient -depth 8 " + dir / "upright.ppm"));
    TImagoIO io(nullptr);
    io.Params()->EnableAdjustOrientation = 1;
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborted());
    PNM want;
    ASSERT_TRUE(ReadPNM(dir / "upright.ppm", want));
    TIEBitmap* got = io.IEBitmap();
    ASSERT_EQ(got->Width(), want.width);
    ASSERT_EQ(got->Height(), want.height);
    // The black corner lands where ImageMagick puts it.
    int64_t far = 0;
    for (int y = 0; y < want.height; ++y)
      for (int x = 0; x < want.width; ++x) far += std::abs(got->GetPixelRGB(x, y).g - want.At(x, y, 1)) > 60;
    EXPECT_EQ(far, 0);
    // Without the switch the image stays as stored, its orientation read.
    TImagoIO plain(nullptr);
    plain.LoadFromFile(file);
    EXPECT_EQ(plain.IEBitmap()->Width(), 40);
    EXPECT_EQ(plain.Params()->EXIFOrientation(), o);
  }
}

TEST(ExifInterop, EmbeddedThumbnailIsReturned) {
  if (!HavePeers()) GTEST_SKIP() << "exiftool/ImageMagick not installed";
  Folder dir;
  const std::string file = dir / "t.jpg", thumb = dir / "thumb.jpg";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 160x120 gradient:red-blue " + file));
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 32x24 xc:lime " + thumb));
  ASSERT_TRUE(codec::Run("/usr/bin/exiftool -q -overwrite_original -Make=M '-ThumbnailImage<=" + thumb + "' " + file));
  TImagoIO io(nullptr);
  io.LoadFromFile(file);
  ASSERT_FALSE(io.Aborted());
  ASSERT_TRUE(io.Params()->EXIFThumbnail);
  EXPECT_EQ(io.Params()->EXIFThumbnail->Width(), 32);
  EXPECT_EQ(io.Params()->EXIFThumbnail->Height(), 24);
  EXPECT_GT(io.Params()->EXIFThumbnail->GetPixelRGB(5, 5).g, 200);
  TImagoIO small(nullptr);
  small.Params()->SetLoadEmbeddedThumbnail(true);
  small.LoadFromFile(file);
  ASSERT_FALSE(small.Aborted());
  EXPECT_EQ(small.IEBitmap()->Width(), 32);
}

TEST(ExifInterop, SavedBlockReadsInExiftoolUnchanged) {
  if (!HavePeers()) GTEST_SKIP() << "exiftool/ImageMagick not installed";
  Folder dir;
  const std::string file = dir / "in.jpg", thumb = dir / "thumb.jpg", out = dir / "out.jpg";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 64x48 gradient:red-blue " + file));
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 32x24 xc:lime " + thumb));
  ASSERT_TRUE(codec::Run(std::string("/usr/bin/exiftool -q -overwrite_original ") + kFields + "'-ThumbnailImage<=" +
                         thumb + "' " + file));
  TImagoIO io(nullptr);
  io.LoadFromFile(file);
  ASSERT_FALSE(io.Aborted());
  io.SaveToFile(out);
  ASSERT_FALSE(io.Aborted());
  for (const char* tag : {"Make", "Model", "Software", "Artist", "DateTimeOriginal", "ExifVersion", "Orientation",
                          "IFD0:ResolutionUnit", "Flash", "MeteringMode", "ColorSpace", "ISO"})
    EXPECT_EQ(Tag(out, tag), Tag(file, tag)) << tag;
  // Fractions may be written with other terms: their values stay.
  for (const char* tag : {"IFD0:XResolution", "IFD0:YResolution", "ExposureTime", "FNumber", "ExposureCompensation",
                          "FocalLength", "ShutterSpeedValue", "BrightnessValue"}) {
    const std::string a = Tag(out, tag), b = Tag(file, tag);
    ASSERT_FALSE(b.empty()) << tag;
    ASSERT_FALSE(a.empty()) << tag;
    EXPECT_NEAR(std::stod(a), std::stod(b), 1e-6 * std::max(1.0, std::fabs(std::stod(b)))) << tag;
  }
  EXPECT_EQ(Tag(out, "ThumbnailLength").empty(), false);
  EXPECT_EQ(Tag(out, "ImageWidth"), "64");
  // exiftool finds nothing wrong with the block.
  const std::string warnings = Capture("/usr/bin/exiftool -validate -warning -a -s3 " + out);
  EXPECT_EQ(warnings.find("Error"), std::string::npos) << warnings;
}

namespace {

// An EXIF block in the given byte order whose IFD0 names a Canon camera and
// whose EXIF directory holds a maker note laid out as that maker's notes
// are: a plain directory whose offsets count from the TIFF header.
std::vector<uint8_t> CanonExif(bool be) {
  std::vector<uint8_t> b;
  auto u16 = [&](uint32_t v) {
    if (be) b.insert(b.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    else b.insert(b.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  };
  auto u32 = [&](uint32_t v) {
    if (be) { u16(v >> 16); u16(v & 0xFFFF); }
    else { u16(v & 0xFFFF); u16(v >> 16); }
  };
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    u16(tag);
    u16(type);
    u32(count);
    u32(value);
  };
  auto text = [&](const std::string& s, size_t n) {
    std::string t = s;
    t.resize(n, '\0');
    b.insert(b.end(), t.begin(), t.end());
  };
  b = {static_cast<uint8_t>(be ? 'M' : 'I'), static_cast<uint8_t>(be ? 'M' : 'I')};
  u16(42);
  u32(8);
  // IFD0 (8): Make, the EXIF pointer; "Canon" at 38.
  u16(2);
  entry(271, 2, 6, 38);
  entry(34665, 4, 1, 44);
  u32(0);
  text("Canon", 6);
  // The EXIF directory (44): the maker note at 62.
  const uint32_t note = 62, entries = 5, data = note + 2 + entries * 12 + 4;
  u16(1);
  entry(37500, 7, data + 16 + 32 + 16 - note, note);
  u32(0);
  // The maker note: two texts, the owner, the serial number, the model id.
  u16(entries);
  entry(0x0006, 2, 16, data);
  entry(0x0007, 2, 32, data + 16);
  entry(0x0009, 2, 16, data + 48);
  entry(0x000C, 4, 1, 123456789);
  entry(0x0010, 4, 1, 0x80000001);
  u32(0);
  text("CANON TEST IMG", 16);
  text("Firmware Version 1.0.2", 32);
  text("Some Owner", 16);
  std::vector<uint8_t> payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), b.begin(), b.end());
  return payload;
}

// A JPEG file with the payload as its APP1 marker, right after the SOI.
std::vector<uint8_t> WithApp1(std::vector<uint8_t> jpeg, const std::vector<uint8_t>& payload) {
  const size_t n = payload.size() + 2;
  std::vector<uint8_t> marker = {0xFF, 0xE1, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
  marker.insert(marker.end(), payload.begin(), payload.end());
  jpeg.insert(jpeg.begin() + 2, marker.begin(), marker.end());
  return jpeg;
}

}  // namespace

// A maker note of either byte order is kept as exiftool decodes it, and the
// saved file holds the same note for exiftool; GPS tags beside it do not
// disturb the read (the field set has no GPS fields: they are not kept).
TEST(ExifInterop, MakerNotesReadAndWriteAsExiftoolDecodesThem) {
  if (!HavePeers()) GTEST_SKIP() << "exiftool/ImageMagick not installed";
  Folder dir;
  const std::string plain = dir / "plain.jpg";
  ASSERT_TRUE(codec::Run("/usr/bin/convert -size 48x32 gradient:red-blue " + plain));
  const char* tags[] = {"Canon:CanonImageType", "Canon:CanonFirmwareVersion", "Canon:OwnerName",
                        "Canon:SerialNumber", "Canon:CanonModelID"};
  for (bool be : {false, true}) {
    SCOPED_TRACE(be ? "MM" : "II");
    const std::string file = dir / "canon.jpg", out = dir / "saved.jpg";
    WriteFile(file, WithApp1(ReadFile(plain), CanonExif(be)));
    ASSERT_TRUE(codec::Run("/usr/bin/exiftool -q -overwrite_original -GPSLatitude=48.1 -GPSLatitudeRef=N "
                           "-GPSLongitude=11.5 -GPSLongitudeRef=E " + file));
    ASSERT_EQ(Tag(file, "Canon:OwnerName"), "Some Owner");
    ASSERT_EQ(Tag(file, "GPSLatitude"), "48.1");
    TImagoIO io(nullptr);
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborted());
    const TIOParamsVals& p = *io.Params();
    EXPECT_EQ(p.EXIFMake, "Canon");
    const TIETagsHandler& note = p.EXIFMakerNote;
    ASSERT_EQ(note.Entries().size(), 5u);
    auto& m = const_cast<TMemoryStream&>(note.Stream());
    const auto* bytes = static_cast<const char*>(m.Memory());
    auto text_of = [&](const TIETagsHandler::TEntry& e) {
      return e.Value < m.Size() ? std::string(bytes + e.Value) : std::string();
    };
    EXPECT_EQ(text_of(note.Entries()[0]), Tag(file, tags[0]));
    EXPECT_EQ(text_of(note.Entries()[1]), Tag(file, tags[1]));
    EXPECT_EQ(text_of(note.Entries()[2]), Tag(file, tags[2]));
    EXPECT_EQ(std::to_string(note.Entries()[3].Value), Tag(file, tags[3]));
    EXPECT_EQ(std::to_string(note.Entries()[4].Value), Tag(file, tags[4]));

    io.SaveToFile(out);
    ASSERT_FALSE(io.Aborted());
    for (const char* tag : tags) EXPECT_EQ(Tag(out, tag), Tag(file, tag)) << tag;
    EXPECT_EQ(Tag(out, "Make"), "Canon");
    const std::string warnings = Capture("/usr/bin/exiftool -validate -warning -a -s3 " + out);
    EXPECT_EQ(warnings.find("Error"), std::string::npos) << warnings;
  }
}
