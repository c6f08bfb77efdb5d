// JPEG reader and writer: message texts, the content test, density, scale
// choice, markers, ICC chunks, IPTC, failures, and the save path of the
// component; the marker list and IPTC records they rest on.
#include <gtest/gtest.h>

#include <cstring>

#include <jerror.h>
#include <lcms2.h>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/model/TIEICC.h"
#include "imaging/model/TIEIPTCInfoList.h"
#include "imaging/model/TIEMarkerList.h"

using namespace codec;

namespace {

std::vector<uint8_t> EncodeJPEG(TIEBitmap& image, TIOParamsVals& params) {
  TMemoryStream s;
  Progress p;
  WriteJPEGStream(&s, &image, params, p.rec);
  EXPECT_FALSE(p.aborted);
  return Bytes(s);
}

std::vector<uint8_t> EncodePicture(int w, int h, uint8_t space = 2) {
  TIEBitmap b;
  FillBitmap(b, w, h, Picture(w, h));
  TIOParamsVals params(nullptr);
  params.JpegColorSpace = space;
  params.JpegQuality = 95;
  return EncodeJPEG(b, params);
}

struct Decoded {
  TIEBitmap image;
  TIOParamsVals params{nullptr};
  bool aborted = false;
};

void Decode(const std::vector<uint8_t>& data, Decoded& d, int64_t at = 0, bool params_only = false) {
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  s.SetPosition(at);
  Progress p;
  ReadJPEGStream(&s, nullptr, &d.image, d.params, p.rec, params_only, false, true, false, true);
  d.aborted = p.aborted;
}

// Inserts whole segments (marker code, payload) right after the SOI.
std::vector<uint8_t> WithSegments(std::vector<uint8_t> jpeg,
                                  const std::vector<std::pair<uint8_t, std::vector<uint8_t>>>& segs) {
  std::vector<uint8_t> ins;
  for (const auto& [code, payload] : segs) {
    const size_t len = payload.size() + 2;
    ins.insert(ins.end(), {0xFF, code, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len)});
    ins.insert(ins.end(), payload.begin(), payload.end());
  }
  jpeg.insert(jpeg.begin() + 2, ins.begin(), ins.end());
  return jpeg;
}

std::vector<uint8_t> IccChunk(uint8_t seq, uint8_t count, const std::string& data) {
  std::vector<uint8_t> p(12 + 2);
  std::memcpy(p.data(), "ICC_PROFILE", 12);
  p[12] = seq;
  p[13] = count;
  p.insert(p.end(), data.begin(), data.end());
  return p;
}

}  // namespace

// The program's own texts by code, placeholders as "?"; the codec's newer
// codes past the classic list read "Corrupted".
TEST(JpegMessages, OwnTableWithPlaceholdersAsQuestionMarks) {
  const struct {
    int32_t code;
    const char* text;
  } cases[] = {
      {0, "Bogus message code ?"},
      {12, "Wrong JPEG library version: library is ?, caller expects ?"},
      {21, "JPEG parameter struct mismatch: library thinks size is ?, caller expects ?"},
      {29, "Bogus DAC value 0x?"},
      {42, "Empty input file"},
      {53, "Not a JPEG file: starts with ?"},
      {73, ""},
      {74, ""},
      {81, "Define Quantization Table ?  precision ?"},
      {116, "Corrupt JPEG data: ? extraneous bytes before marker ?"},
      {121, "Corrupt JPEG data: found marker ? instead of RST?"},
      {123, "Application transferred too many scanlines"},
      {124, "Corrupted"},
      {128, "Corrupted"},
      {100000, "Corrupted"},
      {-1, "Corrupted"},
  };
  for (const auto& c : cases) EXPECT_EQ(JPEGMessageText(c.code), c.text) << c.code;
}

// A stream the codec refuses (start and end of image, nothing between)
// aborts with the table's text for the code it raised.
TEST(JpegMessages, AnErrorCarriesTheTableText) {
  const std::vector<uint8_t> data = {0xFF, 0xD8, 0xFF, 0xD9};
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  Progress p;
  std::string reason;
  p.rec.AbortReason = &reason;
  TIEBitmap image;
  TIOParamsVals params(nullptr);
  ReadJPEGStream(&s, nullptr, &image, params, p.rec, false, false, true, false, true);
  EXPECT_TRUE(p.aborted);
  EXPECT_NE(reason.find(JPEGMessageText(JERR_NO_IMAGE)), std::string::npos) << reason;
}

TEST(JpegStream, FoundWithinTheFirstHundredBytesOnly) {
  const std::vector<uint8_t> jpeg = EncodePicture(8, 8);
  for (size_t junk : {0u, 1u, 99u, 100u, 150u}) {
    std::vector<uint8_t> data(junk, 0x20);
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
    EXPECT_EQ(IsJPEGStream(&s), junk < 100 ? static_cast<int64_t>(junk) : -1) << junk;
    EXPECT_EQ(s.Position(), 0);
    Decoded d;
    Decode(data, d);
    EXPECT_EQ(d.aborted, junk >= 100) << junk;
  }
}

TEST(JpegStream, MeasureCountsUpToTheEndOfImage) {
  std::vector<uint8_t> data = EncodePicture(20, 10);
  const int64_t n = static_cast<int64_t>(data.size());
  data.insert(data.end(), 50, 0xAB);
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  EXPECT_EQ(MeasureJPEGStream(&s), n);
  EXPECT_EQ(s.Position(), 0);
  // Without an end-of-image marker: the length to the end.
  TIEMemStream cut(data.data(), n - 2);
  EXPECT_EQ(MeasureJPEGStream(&cut), n - 2);
}

TEST(JpegRead, DensityFromTheFrameHeader) {
  struct Case {
    uint8_t unit;
    uint16_t x, y;
    int32_t dpi_x, dpi_y;
  } cases[] = {{1, 72, 96, 72, 96}, {0, 1, 1, 1, 1}, {2, 100, 100, 254, 254}, {2, 40, 39, 101, 99}};
  const std::vector<uint8_t> jpeg = EncodePicture(8, 8);
  // JFIF: FF D8 FF E0 len(2) "JFIF\0" version(2) unit x(2) y(2)
  ASSERT_EQ(std::memcmp(&jpeg[6], "JFIF", 4), 0);
  for (const Case& c : cases) {
    std::vector<uint8_t> data = jpeg;
    data[13] = c.unit;
    data[14] = static_cast<uint8_t>(c.x >> 8);
    data[15] = static_cast<uint8_t>(c.x);
    data[16] = static_cast<uint8_t>(c.y >> 8);
    data[17] = static_cast<uint8_t>(c.y);
    Decoded d;
    Decode(data, d, 0, true);
    EXPECT_EQ(d.params.DpiX(), c.dpi_x);
    EXPECT_EQ(d.params.DpiY(), c.dpi_y);
  }
}

TEST(JpegRead, AutomaticScaleFitsTheRequestedSize) {
  struct Case {
    int w, h, scale, out_w, out_h;
  } cases[] = {{1600, 1200, 8, 200, 150}, {700, 700, 4, 175, 175}, {90, 90, 1, 90, 90},
               {800, 100, 1, 800, 100}};
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Allocate(c.w, c.h, ieRGB24);
    b.Fill(128);
    TIOParamsVals wp(nullptr);
    const std::vector<uint8_t> data = EncodeJPEG(b, wp);
    Decoded d;
    d.params.JpegScale = 0;
    d.params.Width = 100;
    d.params.Height = 100;
    Decode(data, d);
    EXPECT_FALSE(d.aborted);
    EXPECT_EQ(d.params.JpegScaleUsed, c.scale) << c.w;
    EXPECT_EQ(d.image.Width(), c.out_w);
    EXPECT_EQ(d.image.Height(), c.out_h);
    EXPECT_EQ(d.params.JpegOriginalWidth, c.w);
    EXPECT_EQ(d.params.JpegOriginalHeight, c.h);
  }
}

TEST(JpegRead, ColourSpacesKeepRedAndBlue) {
  // A red and a blue half, coded as YCbCr and as RGB: both read as they were.
  for (uint8_t space : {uint8_t{0}, uint8_t{2}}) {
    TIEBitmap b;
    b.Allocate(16, 16, ieRGB24);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) b.SetRGB24(x, y, x < 8 ? MakeRGBTriple(255, 0, 0) : MakeRGBTriple(0, 0, 255));
    TIOParamsVals wp(nullptr);
    wp.JpegColorSpace = space;
    wp.JpegQuality = 100;
    Decoded d;
    Decode(EncodeJPEG(b, wp), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.JpegColorSpace, space);
    const TRGB left = d.image.GetRGB24(2, 8), right = d.image.GetRGB24(13, 8);
    EXPECT_GT(left.r, 240) << int(space);
    EXPECT_LT(left.b, 15);
    EXPECT_GT(right.b, 240);
    EXPECT_LT(right.r, 15);
  }
}

TEST(JpegRead, GreyAndCMYKInTheirOwnFormatsWhenNative) {
  TIEBitmap b;
  b.Allocate(24, 16, ieRGB24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) b.SetRGB24(x, y, MakeRGBTriple(200, 100, 50));
  for (uint8_t space : {uint8_t{1}, uint8_t{3}, uint8_t{4}}) {
    TIOParamsVals wp(nullptr);
    wp.JpegColorSpace = space;
    wp.JpegQuality = 100;
    const std::vector<uint8_t> data = EncodeJPEG(b, wp);
    Decoded plain, native;
    native.params.IsNativePixelFormat = 1;
    Decode(data, plain);
    Decode(data, native);
    ASSERT_FALSE(plain.aborted);
    ASSERT_FALSE(native.aborted);
    EXPECT_EQ(plain.image.PixelFormat(), ieRGB24);
    EXPECT_EQ(native.image.PixelFormat(), space == 1 ? ieGray8 : ieCMYK) << int(space);
    EXPECT_EQ(plain.params.SamplesPerPixel, space == 1 ? 1 : 4);
    // The 24-bit reading is close to the original picture.
    const TRGB o = b.GetRGB24(20, 12), r = plain.image.GetRGB24(20, 12);
    if (space != 1) {
      EXPECT_NEAR(o.r, r.r, 8);
      EXPECT_NEAR(o.g, r.g, 8);
      EXPECT_NEAR(o.b, r.b, 8);
    } else {
      EXPECT_EQ(r.r, r.g);
      EXPECT_EQ(r.g, r.b);
    }
  }
}

TEST(JpegRead, FirstApp0IsNotKeptLaterOnesAre) {
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TIOParamsVals wp(nullptr);
  const uint8_t extra[] = {'X', 'Y', 1, 2, 3};
  wp.JpegMarkerList.AddMarker(0xE0, extra, 5);
  wp.JpegMarkerList.AddMarker(0xFE, "hello", 5);
  Decoded d;
  Decode(EncodeJPEG(b, wp), d);
  ASSERT_EQ(d.params.JpegMarkerList.GetCount(), 2);
  EXPECT_EQ(d.params.JpegMarkerList.GetMarkerType(0), 0xE0);
  EXPECT_EQ(d.params.JpegMarkerList.GetMarkerLength(0), 5);
  EXPECT_EQ(std::memcmp(d.params.JpegMarkerList.GetMarkerData(0), extra, 5), 0);
  EXPECT_EQ(d.params.JpegMarkerList.GetMarkerType(1), 0xFE);
}

TEST(JpegWrite, OnlyTheLibrarysOwnAdobeMarker) {
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TIOParamsVals wp(nullptr);
  wp.JpegColorSpace = 0;  // RGB: the library writes an Adobe marker
  wp.JpegMarkerList.AddMarker(0xEE, "Adobe-from-list", 15);
  const std::vector<uint8_t> data = EncodeJPEG(b, wp);
  int app14 = 0;
  for (size_t i = 0; i + 1 < data.size(); ++i)
    if (data[i] == 0xFF && data[i + 1] == 0xEE) ++app14;
  EXPECT_EQ(app14, 1);
  EXPECT_EQ(std::search(data.begin(), data.end(), "Adobe-from-list", "Adobe-from-list" + 15),
            data.end());
}

TEST(JpegWrite, MarkerPayloadLongerThanASegmentIsRefused) {
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  for (int32_t len : {65533, 65534, 70000}) {
    TIOParamsVals wp(nullptr);
    std::vector<uint8_t> payload(static_cast<size_t>(len), 0x41);
    wp.JpegMarkerList.AddMarker(0xE9, payload.data(), len);
    TMemoryStream s;
    Progress p;
    if (len <= 65533) {
      WriteJPEGStream(&s, &b, wp, p.rec);
      EXPECT_FALSE(p.aborted);
      Decoded d;
      Decode(Bytes(s), d);
      ASSERT_EQ(d.params.JpegMarkerList.GetCount(), 1);
      EXPECT_EQ(d.params.JpegMarkerList.GetMarkerLength(0), len);
    } else {
      EXPECT_THROW(WriteJPEGStream(&s, &b, wp, p.rec), EIEJpegException);
      EXPECT_TRUE(p.aborted);
      EXPECT_EQ(s.Size(), 0) << "nothing written";
    }
  }
}

TEST(JpegWrite, EmptyImageSetsTheAbortFlag) {
  TIEBitmap b;
  TIOParamsVals wp(nullptr);
  TMemoryStream s;
  Progress p;
  WriteJPEGStream(&s, &b, wp, p.rec);
  EXPECT_TRUE(p.aborted);
  EXPECT_EQ(s.Size(), 0);
}

TEST(JpegWrite, ShortWriteSetsTheAbortFlag) {
  // A stream that takes nothing.
  class FullDisk : public TMemoryStream {
   public:
    int64_t Write(const void*, int64_t) override { return 0; }
  } s;
  TIEBitmap b;
  FillBitmap(b, 64, 64, Picture(64, 64));
  TIOParamsVals wp(nullptr);
  Progress p;
  WriteJPEGStream(&s, &b, wp, p.rec);
  EXPECT_TRUE(p.aborted);
}

TEST(JpegRead, IccChunksJoinedInSequenceOrderBadChunksDropped) {
  const std::vector<uint8_t> jpeg = EncodePicture(8, 8);
  // Out of order, with a chunk numbered 0 and a header-only chunk of a
  // different profile that must not be stored before the first slot.
  const std::vector<uint8_t> data =
      WithSegments(jpeg, {{0xE2, IccChunk(0, 2, "zero")},
                          {0xE2, IccChunk(2, 2, "-second")},
                          {0xE2, std::vector<uint8_t>{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1}},
                          {0xE2, IccChunk(1, 2, "first")}});
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  TIOParamsVals p(nullptr);
  ReadJPEGICCProfile(&s, p);
  EXPECT_EQ(s.Position(), 0);
  ASSERT_TRUE(p.HasInputICCProfile());
  const TIEICC* icc = p.GetInputICCProfile();
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(icc->Raw()), static_cast<size_t>(icc->RawLength())),
            "first-second");
  // Not a real profile: kept, but not open.
  EXPECT_FALSE(icc->IsValid());
}

TEST(JpegRead, ThumbnailPassStartsWhereTheDataStarts) {
  // 200 bytes of something else, then the JPEG: read from position 200.
  std::vector<uint8_t> data(200, 0x33);
  const std::vector<uint8_t> jpeg = EncodePicture(30, 20);
  data.insert(data.end(), jpeg.begin(), jpeg.end());
  Decoded d;
  d.params.SetLoadEmbeddedThumbnail(true);
  Decode(data, d, 200);
  EXPECT_FALSE(d.aborted);
  EXPECT_EQ(d.image.Width(), 30);
  EXPECT_EQ(d.image.Height(), 20);
  EXPECT_TRUE(d.params.JpegGetThumbnail);
}

TEST(JpegRead, TruncatedDataIsCompletedEmptyDataIsAnError) {
  const std::vector<uint8_t> jpeg = EncodePicture(64, 64);
  Decoded cut;
  Decode(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3)), cut);
  EXPECT_FALSE(cut.aborted);
  EXPECT_EQ(cut.image.Height(), 64);
  EXPECT_GT(cut.params.JpegWarningTotal, 0);
  EXPECT_NE(cut.params.JpegWarningCode, 0);

  for (size_t n : {0u, 3u, 40u}) {
    Decoded d;
    Decode(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + static_cast<long>(n)), d);
    EXPECT_TRUE(d.aborted) << n;
  }
  // A clean read clears the counters of the last one.
  Decode(jpeg, cut);
  EXPECT_EQ(cut.params.JpegWarningTotal, 0);
}

TEST(JpegRead, IptcFromTheApp13Marker) {
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TIEIPTCInfoList iptc;
  iptc.AddItem(2, 120, "A caption", 9);
  iptc.AddItem(2, 25, "key", 3);
  const std::vector<uint8_t> block = iptc.SaveToBuffer(true);
  TIOParamsVals wp(nullptr);
  wp.JpegMarkerList.AddMarker(0xED, block.data(), static_cast<int32_t>(block.size()));
  Decoded d;
  Decode(EncodeJPEG(b, wp), d);
  ASSERT_EQ(d.params.IPTCInfoList.GetCount(), 2);
  EXPECT_EQ(d.params.IPTCInfoList.GetDataSet(0), 120);
  EXPECT_EQ(d.params.IPTCInfoList.GetItemLength(0), 9);
  EXPECT_FALSE(d.params.IPTCInfoList.UserChanged());
}

TEST(JpegComponent, SaveKeepsTheCallersImageAndWritesIptc) {
  TImagoIO io(nullptr);
  TIEBitmap* image = io.IEBitmap();
  image->Allocate(10, 6, ieGray8);
  image->Fill(77);
  io.Params()->IPTCInfoList.AddItem(2, 120, "caption", 7);
  TMemoryStream s;
  io.SaveToStream(&s, ieftJPEG);
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(image->PixelFormat(), ieGray8) << "saving converted the caller's image";
  ASSERT_EQ(io.Params()->JpegMarkerList.IndexOf(0xED), 0);

  TImagoIO in(nullptr);
  s.SetPosition(0);
  in.LoadFromStream(&s);
  EXPECT_FALSE(in.Aborted());
  EXPECT_EQ(in.Params()->FileType, ieftJPEG);
  EXPECT_EQ(in.IEBitmap()->Width(), 10);
  EXPECT_NEAR(in.IEBitmap()->GetRGB24(5, 3).g, 77, 2);
  ASSERT_EQ(in.Params()->IPTCInfoList.GetCount(), 1);
}

TEST(JpegComponent, StreamLoadSkipsAJfifStreamHeader) {
  const std::vector<uint8_t> jpeg = EncodePicture(12, 9);
  std::vector<uint8_t> data = {'J', 'F', 'I', 'F', 0, 0, 0, 0};
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<uint8_t>(jpeg.size() >> (8 * i)));
  data.insert(data.end(), jpeg.begin(), jpeg.end());
  data.insert(data.end(), {1, 2, 3, 4});
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  TImagoIO io(nullptr);
  io.LoadFromStream(&s);
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(io.IEBitmap()->Width(), 12);
  EXPECT_EQ(s.Position(), static_cast<int64_t>(12 + jpeg.size()));
}

// ---- the marker list and IPTC records

TEST(MarkerList, IndexOfGivesTheFirstAndEntriesAreCopies) {
  TIEMarkerList l;
  uint8_t data[] = {1, 2, 3};
  l.AddMarker(0xE1, data, 3);
  l.AddMarker(0xE2, data, 2);
  l.AddMarker(0xE1, data, 1);
  data[0] = 9;
  EXPECT_EQ(l.IndexOf(0xE1), 0);
  EXPECT_EQ(l.IndexOf(0xE5), -1);
  EXPECT_EQ(l.GetMarkerData(0)[0], 1);
  l.SetMarker(0, 0xE5, data, 1);
  EXPECT_EQ(l.IndexOf(0xE1), 2);
  EXPECT_EQ(l.GetMarkerLength(0), 1);
  l.DeleteMarker(1);
  TIEMarkerList copy;
  copy.Assign(&l);
  copy.Assign(nullptr);
  ASSERT_EQ(copy.GetCount(), 2);
  EXPECT_EQ(copy.GetMarkerType(1), 0xE1);
}

TEST(IptcList, EmptyListsAndTheBarePrefix) {
  TIEIPTCInfoList l;
  EXPECT_TRUE(l.SaveToBuffer(true).empty());
  l.LoadFromBuffer(nullptr, 0);
  EXPECT_EQ(l.GetCount(), 0);
  EXPECT_TRUE(l.UserChanged());

  l.AddItem(2, 0, "\x00\x02", 2);
  EXPECT_EQ(l.SaveToBuffer(false),
            (std::vector<uint8_t>{0x1C, 2, 0, 0, 2, 0, 2, 0}));
  const std::vector<uint8_t> ps = l.SaveToBuffer(true);
  ASSERT_EQ(ps.size(), 26u);
  EXPECT_EQ(std::memcmp(ps.data(), "Photoshop 3.0\0008BIM\x04\x04\0\0", 22), 0);
  EXPECT_EQ(ps[25], 0);
}

TEST(IptcList, ShortAndExtendedLengthsRoundTrip) {
  for (bool header : {false, true}) {
    TIEIPTCInfoList l;
    std::vector<uint8_t> a(32767, 'a'), b(32768, 'b');
    l.AddItem(2, 120, a.data(), 32767);
    l.AddItem(2, 0, "xx", 2);  // never written
    l.AddItem(2, 5, "", 0);    // never written
    l.AddItem(2, 116, b.data(), 32768);
    l.AddItem(1, 90, "\x1B%G", 3);
    const std::vector<uint8_t> buf = l.SaveToBuffer(header);
    EXPECT_EQ(buf.size() % 2, 0u);
    const size_t first = header ? 26 : 7;
    EXPECT_EQ(buf[first + 3], 0x7F);  // 32767 in two bytes
    EXPECT_EQ(buf[first + 5 + 32767 + 3], 0x80);
    EXPECT_EQ(buf[first + 5 + 32767 + 4], 0x04);
    if (header) {
      const uint32_t sum = 5 + 32767 + 9 + 32768 + 5 + 3;
      EXPECT_EQ(buf[22] << 24 | buf[23] << 16 | buf[24] << 8 | buf[25], static_cast<int>(sum));
    }
    TIEIPTCInfoList r;
    r.LoadFromBuffer(buf.data(), static_cast<int64_t>(buf.size()));
    // Without the header the record-version dataset comes back first.
    const int base = header ? 0 : 1;
    ASSERT_EQ(r.GetCount(), base + 3);
    EXPECT_EQ(r.GetItemLength(base), 32767);
    EXPECT_EQ(r.GetItemLength(base + 1), 32768);
    EXPECT_EQ(r.GetDataSet(base + 1), 116);
    EXPECT_EQ(std::memcmp(r.GetItemData(base + 1), b.data(), b.size()), 0);
    EXPECT_EQ(r.GetRecordNumber(base + 2), 1);
    EXPECT_FALSE(r.UserChanged());
  }
}

TEST(IptcList, ATruncatedDatasetKeepsTheOnesBefore) {
  const std::vector<uint8_t> buf = {0x00, 0x1C, 2, 120, 0, 2, 'h', 'i', 0x1C, 2, 25, 0, 9, 'x', 'y'};
  TIEIPTCInfoList r;
  r.LoadFromBuffer(buf.data(), static_cast<int64_t>(buf.size()));
  ASSERT_EQ(r.GetCount(), 1);
  EXPECT_EQ(r.GetDataSet(0), 120);
  // An extended length whose bytes are cut off.
  const std::vector<uint8_t> ext = {0x1C, 2, 120, 0x80, 4, 0, 0};
  r.LoadFromBuffer(ext.data(), static_cast<int64_t>(ext.size()));
  EXPECT_EQ(r.GetCount(), 0);
}

// ---- ICC profiles

TEST(IccProfile, SRGBTransformsBGRRowsToThemselves) {
  TIEICC a, b;
  a.LoadSRGB();
  b.LoadSRGB();
  ASSERT_TRUE(a.IsValid());
  const uint8_t src[] = {0, 0, 255, 10, 200, 30, 255, 255, 255};
  uint8_t dst[9] = {};
  ASSERT_TRUE(a.TransformRow(&b, iccBGR8, iccBGR8, src, dst, 3));
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(dst[i], src[i], 2) << i;
  EXPECT_TRUE(a.Applied());
  // Grey to colour through two RGB profiles cannot be built.
  EXPECT_FALSE(a.TransformRow(&b, iccGray8, iccBGR8, src, dst, 1));

  TIEICC copy;
  copy.Assign(&a);
  EXPECT_TRUE(copy.IsValid());
  copy.LoadFromBuffer("junk", 4);
  EXPECT_FALSE(copy.IsValid());
  EXPECT_EQ(copy.RawLength(), 4);
  copy.Clear();
  EXPECT_EQ(copy.RawLength(), 0);
}

TEST(IccProfile, ParameterRecordHoldsInputAndDefaultProfiles) {
  TIOParamsVals p(nullptr);
  EXPECT_TRUE(p.GetDefaultICCProfile()->IsValid());
  EXPECT_FALSE(p.HasInputICCProfile());
  EXPECT_FALSE(p.GetInputICCProfile()->IsValid());
  p.JpegMarkerList.AddMarker(0xE1, "Exif", 4);
  p.JpegMarkerList.AddMarker(0xE2, "x", 1);
  p.IPTCInfoList.AddItem(2, 120, "c", 1);
  TIOParamsVals q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.JpegMarkerList.GetCount(), 2);
  EXPECT_EQ(q.IPTCInfoList.GetCount(), 1);
  EXPECT_TRUE(q.HasInputICCProfile());
  p.ResetEXIF();
  EXPECT_EQ(p.JpegMarkerList.GetCount(), 1) << "the EXIF reset drops the APP1 marker";
  p.ResetPerLoad();
  EXPECT_EQ(p.JpegMarkerList.GetCount(), 0);
  EXPECT_EQ(p.IPTCInfoList.GetCount(), 0);
  EXPECT_FALSE(p.HasInputICCProfile());
}

// ---- both formats in the component: detection and file roads

TEST(CodecComponent, ContentDetectionFindsJpegAndPng) {
  const std::vector<uint8_t> jpeg = EncodePicture(8, 8);
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TMemoryStream png;
  {
    TIOParamsVals p(nullptr);
    Progress pr;
    WritePNGStream(&png, &b, p, pr.rec, nullptr);
  }
  const std::vector<uint8_t> png_bytes = Bytes(png);
  std::vector<uint8_t> late(50, 0x20);
  late.insert(late.end(), jpeg.begin(), jpeg.end());
  struct Case {
    const std::vector<uint8_t>* data;
    int32_t id;
  } cases[] = {{&jpeg, ieftJPEG}, {&png_bytes, ieftPNG}, {&late, ieftJPEG}};
  for (const Case& c : cases) {
    TIEMemStream s(c.data->data(), static_cast<int64_t>(c.data->size()));
    EXPECT_EQ(FindStreamFormat(&s), c.id);
    EXPECT_EQ(s.Position(), 0);
  }
}

TEST(CodecComponent, FileRoadsByExtensionAndByContent) {
  Folder dir;
  const std::vector<uint8_t> jpeg = EncodePicture(14, 6);
  WriteFile(dir / "photo.png", jpeg);
  for (const char* name : {"missing.jpg", "missing.png"}) {
    TImagoIO io(nullptr);
    int finished = 0;
    io.OnFinishWork = [&](TObject*) { ++finished; };
    EXPECT_THROW(io.LoadFromFile(dir / name), Exception) << name;
    EXPECT_TRUE(io.Aborted());
    EXPECT_EQ(finished, 1);
  }
  TImagoIO io(nullptr);
  io.LoadFromFile(dir / "photo.png");
  EXPECT_TRUE(io.Aborted()) << "chosen by extension: the PNG reader";
  io.LoadFromFileByContent(dir / "photo.png");
  EXPECT_FALSE(io.Aborted());
  EXPECT_EQ(io.Params()->FileType, ieftJPEG);
  EXPECT_EQ(io.IEBitmap()->Width(), 14);
  io.SaveToFile(dir / "copy.png");
  EXPECT_FALSE(io.Aborted());
  TImagoIO back(nullptr);
  back.LoadFromFile(dir / "copy.png");
  EXPECT_FALSE(back.Aborted());
  EXPECT_EQ(back.Params()->FileType, ieftPNG);
  EXPECT_EQ(back.IEBitmap()->GetRGB24(3, 3), io.IEBitmap()->GetRGB24(3, 3));
}

// ---- tables read first, colour management

namespace {

// Splits a JPEG into a tables-only datastream (its quantisation and Huffman
// tables) and the image without them, as JPEG-compressed TIFF stores them.
void SplitTables(const std::vector<uint8_t>& jpeg, std::vector<uint8_t>& tables,
                 std::vector<uint8_t>& image) {
  tables = {0xFF, 0xD8};
  image = {0xFF, 0xD8};
  size_t i = 2;
  while (i + 4 <= jpeg.size() && jpeg[i] == 0xFF && jpeg[i + 1] != 0xDA) {
    const size_t len = static_cast<size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]) + 2;
    auto& to = jpeg[i + 1] == 0xDB || jpeg[i + 1] == 0xC4 ? tables : image;
    to.insert(to.end(), jpeg.begin() + static_cast<long>(i), jpeg.begin() + static_cast<long>(i + len));
    i += len;
  }
  image.insert(image.end(), jpeg.begin() + static_cast<long>(i), jpeg.end());
  tables.insert(tables.end(), {0xFF, 0xD9});
}

}  // namespace

TEST(JpegRead, TablesStreamReadBeforeAnAbbreviatedImage) {
  const std::vector<uint8_t> jpeg = EncodePicture(24, 16);
  std::vector<uint8_t> tables, image;
  SplitTables(jpeg, tables, image);
  ASSERT_LT(image.size(), jpeg.size());
  Decoded whole;
  Decode(jpeg, whole);
  TIEMemStream ts(tables.data(), static_cast<int64_t>(tables.size()));
  TIEMemStream is(image.data(), static_cast<int64_t>(image.size()));
  TIEBitmap got;
  TIOParamsVals params(nullptr);
  Progress p;
  ReadJPEGStream(&is, &ts, &got, params, p.rec, false, false, false, false, false);
  ASSERT_FALSE(p.aborted);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 24; ++x) ASSERT_EQ(got.GetRGB24(x, y), whole.image.GetRGB24(x, y));

  // Without the tables the image cannot be decoded; bad tables raise.
  Decoded alone;
  Decode(image, alone);
  EXPECT_TRUE(alone.aborted);
  std::vector<uint8_t> bad = tables;
  bad[5] = 0x01;  // the first table's length
  TIEMemStream bs(bad.data(), static_cast<int64_t>(bad.size()));
  is.SetPosition(0);
  Progress q;
  EXPECT_THROW(ReadJPEGStream(&is, &bs, &got, params, q.rec, false, false, false, false, false),
               EIEJpegException);
  EXPECT_TRUE(q.aborted);
}

TEST(JpegRead, ColourManagementConvertsThroughTheEmbeddedProfile) {
  // The sRGB profile as the colour engine writes it, in one APP2 chunk.
  cmsHPROFILE srgb = cmsCreate_sRGBProfile();
  cmsUInt32Number len = 0;
  cmsSaveProfileToMem(srgb, nullptr, &len);
  std::string profile(len, '\0');
  cmsSaveProfileToMem(srgb, profile.data(), &len);
  cmsCloseProfile(srgb);
  const std::vector<uint8_t> jpeg =
      WithSegments(EncodePicture(16, 8), {{0xE2, IccChunk(1, 1, profile)}});
  Decoded plain;
  Decode(jpeg, plain);
  ASSERT_FALSE(plain.aborted);
  EXPECT_TRUE(plain.params.GetInputICCProfile()->IsValid());
  EXPECT_FALSE(plain.params.GetInputICCProfile()->Applied());
  EXPECT_EQ(plain.params.JpegMarkerList.IndexOf(0xE2), 0);

  ColorManagementEnabled = true;
  Decoded managed;
  Decode(jpeg, managed);
  ColorManagementEnabled = false;
  ASSERT_FALSE(managed.aborted);
  // sRGB to sRGB: the same picture; the applied profile is not kept to be
  // written again.
  EXPECT_TRUE(managed.params.GetInputICCProfile()->Applied());
  EXPECT_EQ(managed.params.JpegMarkerList.IndexOf(0xE2), -1);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16; ++x) {
      const TRGB a = managed.image.GetRGB24(x, y), b = plain.image.GetRGB24(x, y);
      ASSERT_NEAR(a.r, b.r, 2);
      ASSERT_NEAR(a.g, b.g, 2);
      ASSERT_NEAR(a.b, b.b, 2);
    }
}

// ---- the step-by-step decompression

namespace {

struct SwappedFeed {
  const std::vector<uint8_t>* data;
  size_t at = 0;
  uint8_t chunk[4096] = {};
};

// Hands the data over in 4096-byte pieces whose byte pairs are swapped back.
bool FeedSwapped(TIEJpegDecompress* d, void* data) {
  auto* f = static_cast<SwappedFeed*>(data);
  if (f->at >= f->data->size()) return false;
  const size_t n = std::min<size_t>(sizeof f->chunk, f->data->size() - f->at);
  std::memcpy(f->chunk, f->data->data() + f->at, n);
  for (size_t i = 0; i + 1 < n; i += 2) std::swap(f->chunk[i], f->chunk[i + 1]);
  f->at += n;
  JPEGSetSourceBuffer(d, f->chunk, n);
  return true;
}

}  // namespace

TEST(JpegDecompress, StepByStepWithAStreamAndWithAFillRoutine) {
  const std::vector<uint8_t> jpeg = EncodePicture(40, 30);
  Decoded whole;
  Decode(jpeg, whole);
  std::vector<uint8_t> swapped = jpeg;
  if (swapped.size() % 2) swapped.push_back(0);
  for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
  for (bool custom : {false, true}) {
    TIEMemStream s(jpeg.data(), static_cast<int64_t>(jpeg.size()));
    SwappedFeed feed{&swapped};
    const TIEJpegDecompressPtr owner = NewJPEGDecompress();
    TIEJpegDecompress* d = owner.get();
    JPEGCreateDecompress(d);
    JPEGSetStreamSource(d, &s);
    if (custom) JPEGSetFillInputBuffer(d, FeedSwapped, &feed);
    EXPECT_EQ(JPEGReadHeader(d, true), 1);  // JPEG_HEADER_OK
    EXPECT_TRUE(JPEGStartDecompress(d));
    ASSERT_EQ(JPEGOutputWidth(d), 40);
    ASSERT_EQ(JPEGOutputHeight(d), 30);
    ASSERT_EQ(JPEGOutputComponents(d), 3);
    uint8_t** row = JPEGAllocSArray(d, 1, 40 * 3, 1);
    while (JPEGOutputScanline(d) < JPEGOutputHeight(d)) {
      const int32_t y = JPEGOutputScanline(d);
      ASSERT_EQ(JPEGReadScanlines(d, row, 1), 1);
      for (int x = 0; x < 40; ++x) {
        // The library's own order here: red first.
        const TRGB want = whole.image.GetRGB24(x, y);
        ASSERT_EQ(row[0][3 * x], want.r) << custom;
        ASSERT_EQ(row[0][3 * x + 2], want.b);
      }
    }
    EXPECT_TRUE(JPEGFinishDecompress(d));
  }
  // Errors come back as exceptions; the owner then frees the record as usual.
  const std::vector<uint8_t> junk(64, 0x55);
  TIEMemStream j(junk.data(), 64);
  const TIEJpegDecompressPtr d = NewJPEGDecompress();
  JPEGCreateDecompress(d.get());
  JPEGSetStreamSource(d.get(), &j);
  EXPECT_THROW(JPEGReadHeader(d.get(), true), EIEJpegException);
}

TEST(JpegStreamHeaders, ImagesFollowOneAnotherInOneStream) {
  TMemoryStream stream;
  for (int colour : {0x0000FF, 0x00FF00}) {
    TImagoIO io(nullptr);
    io.StreamHeaders = true;
    io.IEBitmap()->Allocate(16, 8, ieRGB24);
    io.IEBitmap()->Fill(colour);
    io.SaveToStream(&stream, ieftJPEG);
    ASSERT_FALSE(io.Aborted());
  }
  // Tag, four zero bytes, then the length of the data that follows.
  const auto* p = static_cast<const uint8_t*>(stream.Memory());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p), 4), "JFIF");
  EXPECT_EQ(p[4] | p[5] | p[6] | p[7], 0);
  const uint32_t length = p[8] | p[9] << 8 | p[10] << 16 | uint32_t(p[11]) << 24;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(p) + 12 + length, 4), "JFIF");
  EXPECT_EQ(p[12], 0xFF);  // the JPEG data itself starts after the header
  EXPECT_EQ(p[13], 0xD8);

  stream.SetPosition(0);
  TImagoIO first(nullptr), second(nullptr);
  first.LoadFromStream(&stream);
  EXPECT_EQ(stream.Position(), 12 + int64_t{length});
  second.LoadFromStream(&stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  ASSERT_FALSE(first.Aborted());
  ASSERT_FALSE(second.Aborted());
  EXPECT_GT(first.IEBitmap()->GetRGB24(4, 4).r, 200);
  EXPECT_GT(second.IEBitmap()->GetRGB24(4, 4).g, 200);
}

// A few header bytes can claim a picture of half a billion pixels; a
// progressive one would have the library hold every coefficient of it.
TEST(JpegRead, HugeClaimedProgressiveSizeReadsItsParametersAndRefusesThePixels) {
  TIEBitmap b;
  FillBitmap(b, 16, 16, Picture(16, 16));
  TIOParamsVals wp(nullptr);
  wp.JpegProgressive = 1;
  std::vector<uint8_t> jpeg = EncodeJPEG(b, wp);
  size_t sof = 0;
  for (size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC2) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, 0u) << "no progressive frame header";
  // Height 17784, width 26982 (big-endian, after length and precision).
  jpeg[sof + 5] = 0x45;
  jpeg[sof + 6] = 0x78;
  jpeg[sof + 7] = 0x69;
  jpeg[sof + 8] = 0x66;

  Decoded header;
  Decode(jpeg, header, 0, true);
  EXPECT_FALSE(header.aborted);
  EXPECT_EQ(header.params.Width, 26982);
  EXPECT_EQ(header.params.Height, 17784);
  EXPECT_EQ(header.params.JpegProgressive, 1);
  EXPECT_TRUE(header.image.IsEmpty()) << "a parameters read decodes nothing";

  Decoded full;
  Decode(jpeg, full);
  EXPECT_TRUE(full.aborted) << "the library's memory limit stops the decode";
  EXPECT_TRUE(full.image.IsEmpty());
}
