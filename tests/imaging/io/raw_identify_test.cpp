// Camera identification: headerless files known by their size, the
// container signatures, the TIFF, CIFF, Rollei and three-layer containers
// built from their layouts, the maker's name, the camera table's rows and
// the final adjustments.
#include <gtest/gtest.h>

#include "RawTestSupport.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/raw/RawCameraTable.h"
#include "imaging/io/raw/RawCiffMetadata.h"
#include "imaging/io/raw/RawContainers.h"
#include "imaging/io/raw/RawFoveon.h"
#include "imaging/io/raw/RawHuffmanLoaders.h"
#include "imaging/io/raw/RawIdentify.h"
#include "imaging/io/raw/RawPackedLoaders.h"
#include "imaging/model/TIEBitmap.h"

using rawtest::Decoding;
using rawtest::Entry;
using rawtest::File;
using rawtest::Ifd;
using rawtest::TiffHeader;

namespace {

struct Identified {
  std::unique_ptr<Decoding> d;
  int32_t result;
  TIERawContext& operator*() { return *d->ctx; }
  TIERawContext* operator->() { return d->ctx.get(); }
};

Identified Identify(const std::vector<uint8_t>& bytes, bool fourColor = false) {
  Identified r{std::make_unique<Decoding>(bytes), 0};
  r->FourColorRGB = fourColor;
  r.result = IdentifyCamera(*r);
  return r;
}

// A Canon file as a TIFF structure: make, model and one strip.
File CanonTiff(const std::string& model, const std::string& software = "") {
  File f(0x400);
  TiffHeader(f, 0);
  std::vector<Entry> e = {{271, 2, 6, 0x200}, {272, 2, 40, 0x220}, {273, 4, 1, 0x300}};
  if (!software.empty()) e.push_back({305, 2, 16, 0x260});
  Ifd(f, 8, e);
  f.Text(0x200, "Canon");
  f.Text(0x220, model);
  f.Text(0x260, software);
  return f;
}

}  // namespace

TEST(RawIdentify, HeaderlessFilesByTheirSize) {
  struct Case {
    int64_t size;
    const char* make;
    const char* model;
    int32_t height, width, rawWidth;
    TIERawLoader loader;
    uint32_t filters;
  };
  const Case cases[] = {
      {62464, "Kodak", "DC20", 242, 249, 256, kodak_easy_load_raw, 0x8D8D8D8D},
      {124928, "Kodak", "DC20", 242, 501, 512, kodak_easy_load_raw, 0x8D8D8D8D},
      {2465792, "NIKON", "E950", 1203, 1616, 1616, LoadNikonE950Raw, 0x4B4B4B4B},
      {2940928, "NIKON", "E2500", 1204, 1616, 1616, LoadNikonPackedRaw, 0x4B4B4B4B},
      {4771840, "NIKON", "E990", 1540, 2064, 2064, LoadNikonPackedRaw, 0xB4B4B4B4},
      {5865472, "NIKON", "E4500", 1708, 2288, 2288, LoadNikonPackedRaw, 0xB4B4B4B4},
      {5869568, "NIKON", "E4300", 1710, 2288, 2288, LoadNikonPackedRaw, 0x16161616},
      {787456, "Creative", "PC-CAM 600", 768, 1024, 1024, eight_bit_load_raw, 0x49494949},
      {1976352, "Casio", "QV-2000UX", 1208, 1632, 1632, eight_bit_load_raw, 0x94949494},
      {3217760, "Casio", "QV-3*00EX", 1546, 2070, 2080, eight_bit_load_raw, 0x94949494},
      {6218368, "Casio", "QV-5700", 1924, 2576, 2576, LoadCasioQV5700Raw, 0x94949494},
      {7684000, "Casio", "QV-4000", 1700, 2260, 2260, LoadUnpackedBE2, 0x94949494},
      {9313536, "Casio", "EX-P600", 2142, 2844, 4288, LoadPacked12Raw, 0x94949494},
      {4841984, "Pentax", "Optio S", 1544, 2068, 3136, LoadPacked12Raw, 0x94949494},
      {6114240, "Pentax", "Optio S4", 1737, 2324, 3520, LoadPacked12Raw, 0x94949494},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Identified id = Identify(std::vector<uint8_t>(static_cast<size_t>(c.size), 0));
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Make, c.make);
    EXPECT_EQ(id->Model, c.model);
    EXPECT_EQ(id->Height, c.height);
    EXPECT_EQ(id->Width, c.width);
    EXPECT_EQ(id->RawWidth, c.rawWidth);
    EXPECT_EQ(id->LoadRaw, c.loader);
    EXPECT_EQ(id->Filters, c.filters);
    EXPECT_EQ(id.d->stream->Position(), id->DataOffset);
  }
  // A Sinar file without its "8BPS" header has no row: not recognised.
  EXPECT_EQ(Identify(std::vector<uint8_t>(12582980, 0)).result, 1);
  // One byte more or less: no camera.
  EXPECT_EQ(Identify(std::vector<uint8_t>(62465, 0)).result, 1);
}

TEST(RawIdentify, SizeRowsWithContentTests) {
  // The E2100 test passes on bytes whose marked bits are all set.
  std::vector<uint8_t> e2100(2940928, 0);
  std::fill(e2100.begin(), e2100.begin() + 1024 * 12, 0xFF);
  Identified id = Identify(e2100);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Model, "E2100");
  EXPECT_EQ(id->Height, 1206);
  EXPECT_EQ(id->LoadRaw, LoadNikonE2100Raw);
  EXPECT_FLOAT_EQ(id->PreMul[0], 1.945f);

  // The E990 test fails on varied bytes: an E995.
  std::vector<uint8_t> e995(4771840, 0);
  for (size_t i = 2383920; i < 2383920 + 2000; ++i) e995[i] = static_cast<uint8_t>(i * 7 + 1);
  id = Identify(e995);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Model, "E995");
  EXPECT_EQ(id->Filters, 0xE1E1E1E1u);

  // An E4300 whose last 424 bytes are not all zero is a DiMAGE Z2.
  std::vector<uint8_t> z2(5869568, 0);
  z2.back() = 1;
  id = Identify(z2);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "Minolta");
  EXPECT_EQ(id->Model, "DiMAGE Z2");
  EXPECT_EQ(id->LoadRaw, LoadNikonE2100Raw);

  // A Sinar file with a Photoshop header takes its size from the header.
  File sinar(12582980, true);
  sinar.Text(0, "8BPS", false);
  sinar.U32(14, 100);
  sinar.U32(18, 200);
  id = Identify(sinar.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Height, 100);
  EXPECT_EQ(id->Width, 200);
  EXPECT_EQ(id->DataOffset, 68);
  EXPECT_EQ(id->LoadRaw, LoadUnpackedBE0);
  EXPECT_EQ(id->RgbMax, 0xFFFF);
}

TEST(RawIdentify, TiffFilesOfCanonAndTheSoftwareTag) {
  Identified id = Identify(CanonTiff("Canon EOS-1D").b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "Canon");
  EXPECT_EQ(id->Model, "EOS-1D");  // the maker's name and blank removed
  EXPECT_TRUE(id->IsCanon);
  EXPECT_EQ(id->Height, 1662);
  EXPECT_EQ(id->Width, 2496);
  EXPECT_EQ(id->DataOffset, 288912);
  EXPECT_EQ(id->LoadRaw, LoadLosslessJpegRaw);
  EXPECT_EQ(id->Filters, 0x61616161u);

  // Files rewritten by that software are not taken.
  EXPECT_EQ(Identify(CanonTiff("Canon EOS-1D", "Adobe Photoshop").b).result, 1);

  // An unlisted model: the pre-selected loader and the container's sizes,
  // from a sub-directory; its single strip gives the data offset.
  File f = CanonTiff("Canon EOS 999");
  Ifd(f, 8,
      {{271, 2, 6, 0x200}, {272, 2, 40, 0x220}, {273, 4, 1, 0x300}, {330, 4, 1, 0x100}});
  Ifd(f, 0x100, {{256, 4, 1, 64}, {257, 4, 1, 40}, {259, 3, 1, 6}, {273, 4, 1, 0x380}});
  id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Height, 40);
  EXPECT_EQ(id->Width, 64);
  EXPECT_EQ(id->Compression, 6);
  EXPECT_EQ(id->DataOffset, 0x300);  // Canon: the strip offset of the main directory
}

TEST(RawIdentify, OlympusSingleStripAndEvenHeight) {
  File f(0x400);
  TiffHeader(f, 0);
  Ifd(f, 8, {{256, 4, 1, 8}, {257, 4, 1, 5}, {271, 2, 24, 0x200}, {272, 2, 4, 0x220}, {273, 4, 1, 0x300}});
  f.Text(0x200, "OLYMPUS OPTICAL CO.,LTD");
  f.Text(0x220, "E-1");
  Identified id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "OLYMPUS");
  EXPECT_EQ(id->RawWidth, 8);
  EXPECT_EQ(id->RawHeight, 6);
  // A single strip's offset is the entry's value itself, not read from there.
  EXPECT_EQ(id->DataOffset, 0x300);
  EXPECT_EQ(id->LoadRaw, LoadUnpackedLE2);
  EXPECT_EQ(id->Filters, 0x61616161u);

  // A list of strips whose table lies past the end leaves the offset 0.
  Ifd(f, 8, {{256, 4, 1, 8}, {257, 4, 1, 5}, {271, 2, 24, 0x200}, {272, 2, 4, 0x220}, {273, 4, 2, 0x7FFFFFF0}});
  id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->DataOffset, 0);
}

TEST(RawIdentify, NikonMakerNoteWhiteBalance) {
  File f(0x800);
  TiffHeader(f, 0);
  Ifd(f, 8, {{271, 2, 18, 0x200}, {272, 2, 10, 0x220}, {330, 4, 1, 0x100}, {34665, 4, 1, 0x180}});
  f.Text(0x200, "NIKON CORPORATION");
  f.Text(0x220, "NIKON D70");
  Ifd(f, 0x100, {{256, 4, 1, 64}, {257, 4, 1, 40}, {259, 3, 1, 34713}, {273, 4, 1, 0x700}});
  Ifd(f, 0x180, {{37500, 7, 100, 0x300}});
  // The note: "Nikon", its own big-endian TIFF header, one entry.
  f.Text(0x300, "Nikon");
  f.U16(0x306, 0x0200);
  File note(0, true);
  TiffHeader(note, 0);
  Ifd(note, 8, {{151, 7, 40, 0x40}});
  note.U16(0x40 + 20, 300);
  note.U16(0x40 + 22, 200);
  note.U16(0x40 + 24, 100);
  note.U16(0x40 + 26, 400);
  f.Bytes(0x30A, note.b);
  Identified id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "NIKON");
  EXPECT_EQ(id->Model, "D70");
  EXPECT_EQ(id->LoadRaw, nikon_compressed_load_raw);
  EXPECT_EQ(id->Filters, 0x16161616u);
  EXPECT_FLOAT_EQ(id->CameraRed, 1.5f);
  EXPECT_FLOAT_EQ(id->CameraBlue, 0.25f);
  EXPECT_EQ(id->ByteOrder, kRawIntel);  // the note's order does not stay

  // A Nikon file without a raw size is not taken.
  Ifd(f, 8, {{271, 2, 18, 0x200}, {272, 2, 10, 0x220}});
  EXPECT_EQ(Identify(f.b).result, 1);
}

TEST(RawIdentify, WhiteBalanceRatiosOfZeroAreUnusable) {
  File f(0x800);
  TiffHeader(f, 0);
  Ifd(f, 8, {{271, 2, 18, 0x200}, {272, 2, 10, 0x220}, {330, 4, 1, 0x100}, {34665, 4, 1, 0x180}});
  f.Text(0x200, "NIKON CORPORATION");
  f.Text(0x220, "NIKON D70");
  Ifd(f, 0x100, {{256, 4, 1, 64}, {257, 4, 1, 40}, {273, 4, 1, 0x700}});
  Ifd(f, 0x180, {{37500, 7, 100, 0x300}});
  f.Text(0x300, "Nikon");
  File note(0, true);
  TiffHeader(note, 0);
  Ifd(note, 8, {{151, 7, 40, 0x40}, {12, 4, 4, 0x80}});
  // D70 words a, b = 0: the ratio cannot be formed.
  note.U16(0x40 + 20, 300);
  note.U32(0x80, 5);  // tag 12: a / b and c / d with b = d = 0
  f.Bytes(0x30A, note.b);
  Identified id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->CameraRed, 0.0f);
  EXPECT_EQ(id->CameraBlue, 0.0f);
}

TEST(RawIdentify, OtherContainerSignatures) {
  {  // Phase One: "MMMMRawT" in the head.
    File f(0x400, true);
    f.Text(0, "MMMMRawT", false);
    f.U32(8, 0);
    f.U32(12 + 136, 3080 + 2 * 22);
    f.U32(12 + 136 + 4 + 12, 2060);
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Make, "Phase One");
    EXPECT_EQ(id->Model, "LightPhase");
    EXPECT_EQ(id->Height, 2048);
    EXPECT_EQ(id->TopMargin, 5);
    EXPECT_EQ(id->Filters, 0x94949494u);  // odd top margin
    EXPECT_EQ(id->LoadRaw, LoadPhaseOneRaw);
  }
  {  // Minolta's container: a TIFF at 48, sizes and white balance of its own.
    File f(0x400, true);
    f.Text(0, std::string("\0MRM", 4), false);
    f.U32(4, 0x300 - 8);
    f.U16(24, 40);
    f.U16(26, 64);
    f.U32(12, 0);  // skip 0 + 4: to 20
    f.U32(20, 0);  // skip 0 + 12: to 36
    f.U16(36, 600);
    f.U16(38, 300);
    f.U16(40, 200);
    f.U16(42, 500);
    TiffHeader(f, 48);
    Ifd(f, 56, {{271, 2, 18, 0x100}, {272, 2, 10, 0x120}});
    f.Text(48 + 0x100, "Minolta Co., Ltd.");
    f.Text(48 + 0x120, "DiMAGE 7");
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Make, "Minolta");
    EXPECT_EQ(id->Model, "DiMAGE 7");
    EXPECT_EQ(id->DataOffset, 0x300);
    EXPECT_EQ(id->Height, 40);
    EXPECT_EQ(id->Width, 64);
    EXPECT_FLOAT_EQ(id->CameraRed, 2.0f);
    EXPECT_FLOAT_EQ(id->CameraBlue, 2.5f);
    EXPECT_EQ(id->LoadRaw, LoadUnpackedBEMinus2);
    EXPECT_EQ(id->RgbMax, 15860);
  }
  {  // Nucore "BR".
    File f(0x400);
    f.Text(0, "BR", false);
    f.U32(10, 0x200);
    f.U32(18, 2597);
    f.U32(22, 30);
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Make, "Nucore");
    EXPECT_EQ(id->Model, "RAW");
    EXPECT_EQ(id->RawWidth, 2597);  // only "B" models of that width are corrected
    EXPECT_EQ(id->DataOffset, 0x200);
    EXPECT_EQ(id->LoadRaw, nucore_load_raw);
  }
  {  // "BM" is Nucore only with both resolution words 2834.
    File f(0x400);
    f.Text(0, "BM", false);
    EXPECT_EQ(Identify(f.b).result, 1);
    f.U32(38, 2834);
    f.U32(42, 2834);
    f.U32(10, 0x100);
    f.U32(18, 2597);
    f.U32(22, 20);
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Model, "BMQ");
    EXPECT_EQ(id->RawWidth, 2598);
    EXPECT_EQ(id->DataOffset, 4096 + 0x100 - 4096);
  }
  {  // CONTAX.
    File f(0x400);
    f.Text(25, "ARECOYK", false);
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Make, "CONTAX");
    EXPECT_EQ(id->Model, "N DIGITAL");
    EXPECT_EQ(id->LoadRaw, LoadPacked12Raw);
    EXPECT_EQ(id->DataOffset, 6656);
  }
  {  // FUJIFILM: a TIFF at the offset at 84, data at the offset at 100.
    File f(0x400, true);
    f.Text(0, "FUJIFILM", false);
    f.U32(84, 0x100 - 12);
    f.U32(100, 0x300);
    TiffHeader(f, 0x100);
    Ifd(f, 0x108, {{271, 2, 9, 0x80}, {272, 2, 14, 0xA0}});
    f.Text(0x180, "FUJIFILM");
    f.Text(0x1A0, "FinePix S5000");
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Model, "FinePix S5000");
    EXPECT_EQ(id->DataOffset, 0x300);
    EXPECT_EQ(id->LoadRaw, LoadFujiS5000Raw);
    EXPECT_EQ(id->ByteOrder, kRawMotorola);
  }
  {  // A JPEG file with an EXIF block: the TIFF structure at 12.
    File f(0x400);
    const uint8_t soi[] = {0xFF, 0xD8, 0xFF, 0xE1, 0x01, 0x00};
    f.Bytes(0, std::vector<uint8_t>(soi, soi + 6));
    f.Text(6, "Exif", false);
    TiffHeader(f, 12);
    Ifd(f, 20, {{271, 2, 6, 0x100}, {272, 2, 20, 0x120}});
    f.Text(12 + 0x100, "Canon");
    f.Text(12 + 0x120, "Canon EOS-1DS");
    Identified id = Identify(f.b);
    ASSERT_EQ(id.result, 0);
    EXPECT_EQ(id->Model, "EOS-1DS");
    EXPECT_EQ(id->RgbMax, 14464);
  }
}

TEST(RawIdentify, RolleiHeaderRecords) {
  File f(0x1000);
  const char* records[] = {"DSC-Image", "HDR=1024", "X  =1316", "Y  =1035", "TX =10", "TY =8", "NOEQUALS", "EOHD"};
  for (size_t i = 0; i < 8; ++i) f.Text(i * 128, records[i]);
  Identified id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "Rollei");
  EXPECT_EQ(id->Model, "d530flex");
  EXPECT_EQ(id->DataOffset, 1024 + 10 * 8 * 2);
  EXPECT_EQ(id->Height, 1030);
  EXPECT_EQ(id->Width, 1300);
  EXPECT_EQ(id->TopMargin, 1);
  EXPECT_EQ(id->LeftMargin, 6);
  EXPECT_EQ(id->LoadRaw, LoadRolleiRaw);

  // A header without its end record ends with the file.
  File open(5 * 128 + 40);
  for (size_t i = 0; i < 4; ++i) open.Text(i * 128, records[i]);
  open.Text(5 * 128, "X  =2568");
  Decoding d(open.b);
  ParseRollei(*d.ctx);
  EXPECT_EQ(d.ctx->RawWidth, 2568);
  EXPECT_EQ(d.ctx->RawHeight, 1035);
}

TEST(RawIdentify, ThreeLayerSensorFiles) {
  // Properties as 16-bit characters between the section and the directory.
  auto make = [](uint32_t rawHeight) {
    File f(0x400);
    f.Text(0, "FOVb", false);
    f.U32(248, 2304);
    f.U32(252, rawHeight);
    const size_t p = 0x100;
    f.U32(p + 8, 1);
    const size_t s = p + 24 + 8;
    const std::string text = std::string("CAMMANUF") + '\0' + "SIGMA" + '\0' + "CAMMODEL" + '\0' + "SD9" + '\0';
    for (size_t i = 0; i < text.size(); ++i) f.U16(s + 2 * i, static_cast<uint8_t>(text[i]));
    const size_t dir = s + 2 * text.size();
    f.Text(dir, "CAMF", false);
    f.U32(dir + 4, static_cast<uint32_t>(p));
    f.U32(f.Size(), static_cast<uint32_t>(dir));
    return f;
  };
  Identified id = Identify(make(1531).b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "SIGMA");
  EXPECT_EQ(id->Model, "SD9");
  EXPECT_EQ(id->Height, 1514);
  EXPECT_EQ(id->Width, 2271);
  EXPECT_EQ(id->TopMargin, 7);
  EXPECT_EQ(id->LeftMargin, 17);
  EXPECT_EQ(id->YMag, 1);
  EXPECT_TRUE(id->IsFoveon);
  EXPECT_TRUE(id->UseCoeff);
  EXPECT_EQ(id->Filters, 0u);
  EXPECT_EQ(id->LoadRaw, LoadFoveonRaw);
  id = Identify(make(763).b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Height, 756);
  EXPECT_EQ(id->YMag, 2);
}

TEST(RawIdentify, FourColourOptionSplitsTheGreens) {
  Identified id = Identify(std::vector<uint8_t>(1976352, 0), true);  // F 0x94949494
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Filters, 0xB4B4B4B4u);
  EXPECT_EQ(id->Colors, 4);
  EXPECT_EQ(id->PreMul[3], id->PreMul[1]);
  id = Identify(CanonTiff("Canon EOS-1D").b, true);  // F 0x61616161
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Filters, 0xE1E1E1E1u);
}

TEST(RawIdentify, FourColourSensorsGetCoefficients) {
  // The Optio-less four-colour rows compute their matrix: each row sums to 1.
  Identified id = Identify(std::vector<uint8_t>(5865472, 0));  // E4500: C 4
  ASSERT_EQ(id.result, 0);
  EXPECT_TRUE(id->UseCoeff);
  for (const auto& row : id->Coeff) EXPECT_NEAR(row[0] + row[1] + row[2] + row[3], 1.0, 1e-5);
}

TEST(RawIdentify, CiffFilesAndTheirWhiteBalanceIndex) {
  // A CIFF file: header, one block with the make and model, the sensor
  // size and the white-balance index.
  auto make = [](uint16_t whiteIndex) {
    File f(0x400);
    f.Text(0, "II", false);
    f.U32(2, 26);
    f.Text(6, "HEAPCCDR", false);
    const size_t s = 26;
    f.Text(s + 0x10, "Canon");
    f.Text(s + 0x16, "Canon PowerShot G2");
    f.U16(s + 0x40 + 2, 2376);
    f.U16(s + 0x40 + 4, 1728);
    f.U16(s + 0x60 + 14, whiteIndex);
    const size_t table = 0x100;
    f.U16(s + table, 3);
    const uint16_t types[] = {0x080A, 0x1031, 0x102A};
    const uint32_t lens[] = {32, 8, 32};
    const uint32_t offs[] = {0x10, 0x40, 0x60};
    for (size_t i = 0; i < 3; ++i) {
      f.U16(s + table + 2 + 10 * i, types[i]);
      f.U32(s + table + 4 + 10 * i, lens[i]);
      f.U32(s + table + 8 + 10 * i, offs[i]);
    }
    f.U32(s + 0x200 - 4, table);
    f.b.resize(s + 0x200);
    return f;
  };
  Identified id = Identify(make(0).b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Model, "PowerShot G2");
  EXPECT_EQ(id->RawWidth, 2376);
  EXPECT_EQ(id->Height, 1720);
  EXPECT_EQ(id->Width, 2312);
  EXPECT_EQ(id->LoadRaw, canon_compressed_load_raw);
  EXPECT_FLOAT_EQ(id->PreMul[0], 1.965f);
  EXPECT_EQ(id->CameraRed, -1.0f);  // white-balance index 0
  EXPECT_NE(Identify(make(3).b)->CameraRed, -1.0f);
}

TEST(RawIdentify, CiffBlocksThatContainThemselvesEnd) {
  File f(0x200);
  f.Text(0, "II", false);
  f.U32(2, 26);
  f.Text(6, "HEAPCCDR", false);
  const size_t s = 26, len = 0x100;
  // One record: a sub-block that is the block itself.
  f.U16(s + 0x80, 1);
  f.U16(s + 0x82, 0x300A);
  f.U32(s + 0x84, static_cast<uint32_t>(len));
  f.U32(s + 0x88, 0);
  f.U32(s + len - 4, 0x80);
  Decoding d(f.b);
  ParseCiff(*d.ctx, s, len);  // returns
  EXPECT_EQ(IdentifyCamera(*d.ctx), 1);
}

TEST(RawIdentify, CiffBlocksNamingThemselvesManyTimesEnd) {
  // 200 records, each the block itself: without a bound on the records read
  // the walk would take 200 to the power of the nesting depth steps.
  File f(0x1000);
  f.Text(0, "II", false);
  f.U32(2, 26);
  f.Text(6, "HEAPCCDR", false);
  const size_t s = 26, len = 0x1000 - 26;
  f.U16(s + 0x10, 200);
  for (size_t i = 0; i < 200; ++i) {
    f.U16(s + 0x12 + 10 * i, 0x3004);
    f.U32(s + 0x14 + 10 * i, static_cast<uint32_t>(len));
    f.U32(s + 0x18 + 10 * i, 0);
  }
  f.U32(s + len - 4, 0x10);
  Decoding d(f.b);
  EXPECT_EQ(IdentifyCamera(*d.ctx), 1);
  TIOParamsVals params(nullptr);
  ReadCiffMetadata(d.stream.get(), params);
  ASSERT_TRUE(params.EXIFThumbnail);
  EXPECT_TRUE(params.EXIFThumbnail->IsEmpty());
}

TEST(RawIdentify, KodakNamesAreCutAndRowsApply) {
  File f(0x400);
  TiffHeader(f, 0);
  Ifd(f, 8, {{271, 2, 40, 0x200}, {272, 2, 40, 0x240}, {330, 4, 1, 0x100}});
  f.Text(0x200, "KODAK");
  f.Text(0x240, "DCS560C");
  Ifd(f, 0x100, {{256, 4, 1, 64}, {257, 4, 1, 40}, {259, 3, 1, 1}, {273, 4, 1, 0x300}});
  Identified id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->Make, "KODAK");
  EXPECT_EQ(id->Model, "DCS560C");
  EXPECT_EQ(id->Black, 750);
  EXPECT_FLOAT_EQ(id->PreMul[1], 1.053f);
  EXPECT_EQ(id->LoadRaw, kodak_easy_load_raw);
  EXPECT_EQ(id->Filters, 0x61616161u);

  // Names of a maker beginning "KODAK" are cut at 16 characters, then
  // trailing blanks go.
  f.Text(0x200, "KODAK DIGITAL SCIENCE");
  f.Text(0x240, "DCS560C AND A   VERY LONG NAME");
  id = Identify(f.b);
  EXPECT_EQ(id->Make, "KODAK DIGITAL SC");
  EXPECT_EQ(id->Model, "DCS560C AND A");
  f.Text(0x200, "KODAK");
  f.Text(0x240, "DCS560C");

  // An unsupported compression fails.
  Ifd(f, 0x100, {{256, 4, 1, 64}, {257, 4, 1, 40}, {259, 3, 1, 5}, {273, 4, 1, 0x300}});
  EXPECT_EQ(Identify(f.b).result, 1);
  // Compression 65000 without the compressed photometric: YUV, even sizes.
  Ifd(f, 0x100, {{256, 4, 1, 63}, {257, 4, 1, 41}, {259, 3, 1, 65000}, {273, 4, 1, 0x300}});
  id = Identify(f.b);
  ASSERT_EQ(id.result, 0);
  EXPECT_EQ(id->LoadRaw, LoadKodakYuvRaw);
  EXPECT_EQ(id->Width, 64);
  EXPECT_EQ(id->Height, 42);
  EXPECT_EQ(id->Filters, 0u);
}

TEST(RawIdentify, ImplausibleSizesAreRefused) {
  File f = CanonTiff("Canon EOS 999");
  Ifd(f, 8, {{271, 2, 6, 0x200}, {272, 2, 40, 0x220}, {273, 4, 1, 0x300}, {330, 4, 1, 0x100}});
  Ifd(f, 0x100, {{256, 4, 1, 60000}, {257, 4, 1, 60000}, {273, 4, 1, 0x380}});
  EXPECT_EQ(Identify(f.b).result, 1);
  Ifd(f, 0x100, {{256, 4, 1, 0x80000000u}, {257, 4, 1, 4}, {273, 4, 1, 0x380}});
  EXPECT_EQ(Identify(f.b).result, 1);
}

TEST(RawIdentify, TiffSubDirectoriesNamedManyTimesReadABoundedNumberOfEntries) {
  // 2000 sub-directory offsets, all to one directory of 500 entries.
  File f(0x10000);
  TiffHeader(f, 0);
  Ifd(f, 8, {{271, 2, 6, 0x80}, {330, 4, 2000, 0x1000}});
  f.Text(0x80, "Canon");
  for (size_t i = 0; i < 2000; ++i) f.U32(0x1000 + 4 * i, 0x4000);
  std::vector<Entry> many(500, Entry{256, 4, 1, 64});
  Ifd(f, 0x4000, many);
  Decoding d(f.b);
  ParseTiff(*d.ctx, 0);
  EXPECT_EQ(d.ctx->RawWidth, 64);
  EXPECT_EQ(d.ctx->EntryBudget, 0);
}

TEST(RawIdentify, TiffDirectoryChainsThatLoopEnd) {
  File f(0x100);
  TiffHeader(f, 0);
  Ifd(f, 8, {{271, 2, 6, 0x80}}, 8);  // the next directory is this one
  f.Text(0x80, "Canon");
  Decoding d(f.b);
  ParseTiff(*d.ctx, 0);
  EXPECT_EQ(d.ctx->Make, "Canon");
}
