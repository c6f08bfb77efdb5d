// The EXIF block of JPEG files: the block's seam (header, codec, field copy),
// the reader's use of it (resolution rule, orientation, embedded thumbnail)
// and the save path that writes it back. The TIFF stream inside the block is
// handled by a small fixture codec: a little-endian TIFF with the
// orientation, resolution, unit, make and description tags in page 0 and a
// grey thumbnail (width, height and a private tag of pixels) in page 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <tuple>

#include "CodecTestSupport.h"
#include "imaging/io/ExifBlock.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/model/TIEMarkerList.h"
#include "rtl/Numeric.h"

using namespace codec;

namespace {

// ---- a minimal TIFF: building and reading

constexpr uint16_t kShort = 3, kAscii = 2, kRational = 5, kUndefined = 7;
constexpr uint16_t kPixelsTag = 50000;

struct Entry {
  uint16_t tag, type;
  uint32_t count;
  std::vector<uint8_t> data;  // the value bytes, little-endian
};

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

Entry Short(uint16_t tag, uint16_t v) { return {tag, kShort, 1, {uint8_t(v), uint8_t(v >> 8)}}; }
Entry Rational(uint16_t tag, uint32_t num, uint32_t den) {
  std::vector<uint8_t> d(8);
  Put32(d, 0, num);
  Put32(d, 4, den);
  return {tag, kRational, 1, d};
}
Entry Ascii(uint16_t tag, const std::string& s) {
  std::vector<uint8_t> d(s.begin(), s.end());
  d.push_back(0);
  return {tag, kAscii, static_cast<uint32_t>(d.size()), d};
}

// Appends one directory (with its out-of-line values) to the file at an even
// position and returns that position; its next-directory link is 0.
uint32_t AppendIFD(std::vector<uint8_t>& file, const std::vector<Entry>& entries) {
  if (file.size() % 2) file.push_back(0);
  const size_t at = file.size();
  file.resize(at + 2 + 12 * entries.size() + 4, 0);
  Put16(file, at, static_cast<uint32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    const size_t p = at + 2 + 12 * i;
    Put16(file, p, e.tag);
    Put16(file, p + 2, e.type);
    Put32(file, p + 4, e.count);
    if (e.data.size() <= 4) {
      std::memcpy(&file[p + 8], e.data.data(), e.data.size());
    } else {
      Put32(file, p + 8, static_cast<uint32_t>(file.size()));
      file.insert(file.end(), e.data.begin(), e.data.end());
    }
  }
  return static_cast<uint32_t>(at);
}

std::vector<uint8_t> Tiff(const std::vector<Entry>& page0) {
  std::vector<uint8_t> file = {'I', 'I', 42, 0, 0, 0, 0, 0};
  Put32(file, 4, AppendIFD(file, page0));
  return file;
}

// Links a new last page into the chain.
void AppendPage(std::vector<uint8_t>& file, const std::vector<Entry>& page) {
  uint32_t link = 4;
  for (uint32_t ifd = Get32(file, 4); ifd != 0; ifd = Get32(file, link))
    link = ifd + 2 + 12 * Get16(file, ifd);
  const uint32_t at = AppendIFD(file, page);
  Put32(file, link, at);
}

std::vector<Entry> ThumbnailPage(int w, int h, uint8_t grey) {
  return {Short(256, static_cast<uint16_t>(w)), Short(257, static_cast<uint16_t>(h)),
          {kPixelsTag, kUndefined, static_cast<uint32_t>(w * h),
           std::vector<uint8_t>(static_cast<size_t>(w * h), grey)}};
}

// The entries of page Index, by tag; nullopt when the file has no such page
// or is not a little-endian TIFF whose directories fit in it.
using Tags = std::map<uint16_t, std::vector<uint8_t>>;
std::optional<Tags> ReadPage(const std::vector<uint8_t>& f, int Index) {
  if (f.size() < 8 || f[0] != 'I' || f[1] != 'I' || Get16(f, 2) != 42) return std::nullopt;
  uint32_t ifd = Get32(f, 4);
  for (int i = 0; i < Index && ifd != 0; ++i) {
    if (ifd + 2 > f.size() || ifd + 2 + 12 * Get16(f, ifd) + 4 > f.size()) return std::nullopt;
    ifd = Get32(f, ifd + 2 + 12 * Get16(f, ifd));
  }
  if (ifd == 0 || ifd + 2 > f.size()) return std::nullopt;
  const uint32_t n = Get16(f, ifd);
  if (ifd + 2 + 12 * n + 4 > f.size()) return std::nullopt;
  Tags tags;
  static const std::map<uint16_t, uint32_t> sizes = {{kShort, 2}, {kAscii, 1}, {kRational, 8}, {kUndefined, 1}};
  for (uint32_t i = 0; i < n; ++i) {
    const size_t p = ifd + 2 + 12 * i;
    const auto size = sizes.find(static_cast<uint16_t>(Get16(f, p + 2)));
    if (size == sizes.end()) continue;
    const uint64_t len = uint64_t{size->second} * Get32(f, p + 4);
    const uint64_t at = len <= 4 ? p + 8 : Get32(f, p + 8);
    if (at + len > f.size()) return std::nullopt;
    tags[static_cast<uint16_t>(Get16(f, p))].assign(f.begin() + at, f.begin() + at + len);
  }
  return tags;
}

std::vector<uint8_t> StreamBytes(TStream* s) {
  std::vector<uint8_t> b(static_cast<size_t>(s->Size()));
  s->SetPosition(0);
  if (!b.empty()) s->ReadBuffer(b.data(), static_cast<int64_t>(b.size()));
  return b;
}

// ---- the fixture codec

struct CodecLog {
  int reads = 0, writes = 0;
  int insert_index = -1, insert_compression = -1;
};

TIEExifStreamCodec FixtureCodec(CodecLog* log = nullptr) {
  TIEExifStreamCodec c;
  c.Read = [log](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress,
                 bool ParamsOnly) {
    if (log) ++log->reads;
    const std::optional<Tags> page = ReadPage(StreamBytes(Stream), Params.TiffImageIndex);
    if (!page) return Progress.Abort();
    auto value16 = [&](uint16_t tag) { return Get16(page->at(tag), 0); };
    auto rational = [&](uint16_t tag) {
      const auto& d = page->at(tag);
      return static_cast<double>(Get32(d, 0)) / Get32(d, 4);
    };
    auto text = [&](uint16_t tag) {
      const auto& d = page->at(tag);
      return std::string(d.begin(), std::find(d.begin(), d.end(), 0));
    };
    if (ParamsOnly) {
      if (page->count(274)) Params.SetTiffOrientation(static_cast<int32_t>(value16(274)));
      if (page->count(296)) Params.EXIFResolutionUnit = static_cast<int32_t>(value16(296));
      if (page->count(282)) Params.SetEXIFXResolution(rational(282));
      if (page->count(283)) Params.SetEXIFYResolution(rational(283));
      if (page->count(271)) Params.EXIFMake = text(271);
      if (page->count(270)) Params.TiffImageDescription = text(270);
      return;
    }
    if (!page->count(256) || !page->count(257) || !page->count(kPixelsTag)) return Progress.Abort();
    const int w = static_cast<int>(value16(256)), h = static_cast<int>(value16(257));
    const auto& px = page->at(kPixelsTag);
    if (px.size() != static_cast<size_t>(w * h)) return Progress.Abort();
    Bitmap->Allocate(w, h, ieRGB24);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t g = px[static_cast<size_t>(y * w + x)];
        Bitmap->SetRGB24(x, y, TRGB{g, g, g});
      }
  };
  c.Write = [log](TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIOParamsVals& Params,
                  TIOProgressRec& Progress) {
    if (log) ++log->writes;
    if (!Insert) {
      std::vector<Entry> page0 = {
          Short(274, static_cast<uint16_t>(Params.TiffOrientation())),
          Rational(282, static_cast<uint32_t>(Trunc(Params.EXIFXResolution())), 1),
          Rational(283, static_cast<uint32_t>(Trunc(Params.EXIFYResolution())), 1),
          Short(296, 2)};
      if (!Params.EXIFMake.empty()) page0.insert(page0.begin(), Ascii(271, Params.EXIFMake));
      const std::vector<uint8_t> file = Tiff(page0);
      Stream->WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
      return;
    }
    if (log) {
      log->insert_index = Params.TiffImageIndex;
      log->insert_compression = Params.TiffCompression;
    }
    std::vector<uint8_t> file = StreamBytes(Stream);
    // The thumbnail as grey: the green channel of each pixel.
    const int w = Bitmap->Width(), h = Bitmap->Height();
    std::vector<Entry> page = ThumbnailPage(w, h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) page[2].data[static_cast<size_t>(y * w + x)] = Bitmap->GetPixelRGB(x, y).g;
    AppendPage(file, page);
    Stream->SetPosition(0);
    Stream->WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
  };
  return c;
}

// Installs a codec (an empty one: none) for one test and puts the one
// before it back afterwards.
struct CodecScope {
  explicit CodecScope(TIEExifStreamCodec c) : before(ExifStreamCodec()) { SetExifStreamCodec(std::move(c)); }
  ~CodecScope() { SetExifStreamCodec(before); }
  TIEExifStreamCodec before;
};

std::vector<uint8_t> ExifPayload(const std::vector<uint8_t>& tiff) {
  std::vector<uint8_t> p = {'E', 'x', 'i', 'f', 0, 0};
  p.insert(p.end(), tiff.begin(), tiff.end());
  return p;
}

std::vector<uint8_t> CameraExif(int orientation, int unit, uint32_t res,
                                std::optional<std::vector<Entry>> thumbnail = std::nullopt) {
  std::vector<uint8_t> tiff = Tiff({Ascii(270, "a description"), Ascii(271, "Fixture Camera"),
                                    Short(274, static_cast<uint16_t>(orientation)),
                                    Rational(282, res * 2, 2), Rational(283, res, 1),
                                    Short(296, static_cast<uint16_t>(unit))});
  if (thumbnail) AppendPage(tiff, *thumbnail);
  return ExifPayload(tiff);
}

// A grey picture of Cols x Rows cells of 16 x 16 pixels, cell (c, r) at grey
// level Level(c, r): cells as large as the coding blocks survive the
// compression nearly unchanged.
constexpr int kCell = 16;
uint8_t Level(int c, int r) { return static_cast<uint8_t>(20 + 40 * (r * 3 + c)); }

// The JPEG of that picture with the given APP1 payloads and a JFIF density.
std::vector<uint8_t> CellsJpeg(int cols, int rows, const std::vector<std::vector<uint8_t>>& app1,
                               uint8_t unit = 0, uint16_t density = 1) {
  TIEBitmap b;
  b.Allocate(cols * kCell, rows * kCell, ieRGB24);
  for (int y = 0; y < rows * kCell; ++y)
    for (int x = 0; x < cols * kCell; ++x) {
      const uint8_t g = Level(x / kCell, y / kCell);
      b.SetRGB24(x, y, TRGB{g, g, g});
    }
  TIOParamsVals params(nullptr);
  params.JpegQuality = 95;
  params.JpegColorSpace = 1;
  for (const auto& p : app1) params.JpegMarkerList.AddMarker(0xE1, p.data(), static_cast<int32_t>(p.size()));
  TMemoryStream s;
  Progress progress;
  WriteJPEGStream(&s, &b, params, progress.rec);
  EXPECT_FALSE(progress.aborted);
  std::vector<uint8_t> jpeg = Bytes(s);
  // JFIF: FF D8 FF E0 len(2) "JFIF\0" version(2) unit x(2) y(2)
  EXPECT_EQ(std::memcmp(&jpeg[6], "JFIF", 4), 0);
  jpeg[13] = unit;
  jpeg[14] = jpeg[16] = static_cast<uint8_t>(density >> 8);
  jpeg[15] = jpeg[17] = static_cast<uint8_t>(density);
  return jpeg;
}

struct Loaded {
  TIEBitmap image;
  TIOParamsVals params{nullptr};
  bool aborted = false;
};

void Load(const std::vector<uint8_t>& data, Loaded& d, bool params_only = false) {
  TIEMemStream s(data.data(), static_cast<int64_t>(data.size()));
  Progress p;
  ReadJPEGStream(&s, nullptr, &d.image, d.params, p.rec, params_only, false, true, false, true);
  d.aborted = p.aborted;
}

// The APP1 payloads of a JPEG file, in file order, up to the first scan.
std::vector<std::vector<uint8_t>> App1Segments(const std::vector<uint8_t>& f) {
  std::vector<std::vector<uint8_t>> out;
  size_t i = 2;
  while (i + 4 <= f.size() && f[i] == 0xFF && f[i + 1] != 0xDA) {
    const size_t len = static_cast<size_t>(f[i + 2] << 8 | f[i + 3]);
    if (f[i + 1] == 0xE1) out.emplace_back(f.begin() + i + 4, f.begin() + i + 2 + len);
    i += 2 + len;
  }
  return out;
}

const std::vector<uint8_t> kXmp = [] {
  const std::string s = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta/>";
  return std::vector<uint8_t>(s.begin(), s.end());
}();

}  // namespace

// ---- the block

TEST(ExifBlock, HeaderAndCodecDecideWhetherABlockIsParsed) {
  CodecLog log;
  const std::vector<uint8_t> good = CameraExif(1, 2, 300);
  struct Case {
    const char* what;
    std::vector<uint8_t> payload;
    bool codec, parsed;
  } cases[] = {
      {"block", good, true, true},
      {"no codec", good, false, false},
      {"XMP packet", kXmp, true, false},
      {"header only", {'E', 'x', 'i', 'f', 0, 0}, true, false},  // the codec finds no TIFF
      {"cut header", {'E', 'x', 'i', 'f', 0}, true, false},
      {"Exif without its zero", {'E', 'x', 'i', 'f', 'X', 0, 'I', 'I'}, true, false},
      {"not a TIFF", ExifPayload({'M', 'M', 0, 43, 1, 2, 3, 4}), true, false},
  };
  for (const Case& c : cases) {
    std::optional<CodecScope> scope;
    if (c.codec) scope.emplace(FixtureCodec(&log));
    else scope.emplace(TIEExifStreamCodec{});
    TIOParamsVals p(nullptr);
    p.SetDpiX(72);
    p.EXIFMake = "before";
    EXPECT_EQ(ParseExifBlock(c.payload.data(), static_cast<int32_t>(c.payload.size()), p), c.parsed)
        << c.what;
    EXPECT_EQ(p.EXIFHasData, c.parsed ? 1 : 0) << c.what;
    if (!c.parsed) {
      // Nothing of the record changed: no field, no resolution, no thumbnail.
      EXPECT_EQ(p.EXIFMake, "before") << c.what;
      EXPECT_EQ(p.DpiX(), 72) << c.what;
      EXPECT_FALSE(p.EXIFThumbnail) << c.what;
    }
  }
  EXPECT_FALSE(ParseExifBlock(nullptr, 10, *std::make_unique<TIOParamsVals>(nullptr)));

  // A codec that raises (a resolution of 0/0, say) fails the block alone.
  TIEExifStreamCodec raising = FixtureCodec();
  raising.Read = [](TStream*, TIEBitmap*, TIOParamsVals& Params, TIOProgressRec&, bool) {
    Params.SetEXIFXResolution(std::numeric_limits<double>::quiet_NaN());
  };
  CodecScope scope(raising);
  TIOParamsVals p(nullptr);
  EXPECT_FALSE(ParseExifBlock(good.data(), static_cast<int32_t>(good.size()), p));
  EXPECT_EQ(p.EXIFHasData, 0);
}

TEST(ExifBlock, ParseFillsTheFieldsAndTurnsTheThumbnail) {
  CodecScope scope(FixtureCodec());
  TIOParamsVals p(nullptr);
  // A 4 x 3 thumbnail with one marked pixel at (3, 0), orientation 6.
  std::vector<Entry> thumb = ThumbnailPage(4, 3, 100);
  thumb[2].data[3] = 250;
  const std::vector<uint8_t> block = CameraExif(6, 3, 100, thumb);
  ASSERT_TRUE(ParseExifBlock(block.data(), static_cast<int32_t>(block.size()), p));
  EXPECT_EQ(p.EXIFMake, "Fixture Camera");
  EXPECT_EQ(p.EXIFImageDescription, "a description");
  EXPECT_EQ(p.EXIFOrientation(), 6);
  EXPECT_EQ(p.TiffOrientation(), 6);
  EXPECT_EQ(p.EXIFResolutionUnit, 3);
  EXPECT_DOUBLE_EQ(p.EXIFXResolution(), 100);
  EXPECT_EQ(p.DpiX(), 100) << "the resolution setters carry the DPI along";
  ASSERT_TRUE(p.EXIFThumbnail);
  ASSERT_EQ(p.EXIFThumbnail->Width(), 3);
  ASSERT_EQ(p.EXIFThumbnail->Height(), 4);
  // Orientation 6: upright (u, v) is stored (v, H - 1 - u); stored (3, 0) is upright (2, 3).
  EXPECT_EQ(p.EXIFThumbnail->GetPixelRGB(2, 3).g, 250);
  EXPECT_EQ(p.EXIFThumbnail->GetPixelRGB(0, 0).g, 100);

  // A block without a second page leaves an empty thumbnail.
  const std::vector<uint8_t> bare = CameraExif(1, 2, 72);
  ASSERT_TRUE(ParseExifBlock(bare.data(), static_cast<int32_t>(bare.size()), p));
  ASSERT_TRUE(p.EXIFThumbnail);
  EXPECT_TRUE(p.EXIFThumbnail->IsEmpty());
}

TEST(ExifBlock, BuildWritesTheHeaderTheFieldsAndTheThumbnailPage) {
  TIOParamsVals p(nullptr);
  p.EXIFHasData = 1;
  p.EXIFMake = "Maker";
  p.SetEXIFOrientation(8);
  p.SetEXIFXResolution(240);
  p.SetEXIFYResolution(180);
  std::vector<uint8_t> out = {1, 2, 3};
  {
    CodecScope none{TIEExifStreamCodec{}};
    EXPECT_FALSE(BuildExifBlock(p, out)) << "no codec";
    EXPECT_TRUE(out.empty());
  }

  CodecLog log;
  CodecScope scope(FixtureCodec(&log));
  ASSERT_TRUE(BuildExifBlock(p, out));
  EXPECT_EQ(log.writes, 1) << "no thumbnail page without a thumbnail";
  ASSERT_GT(out.size(), 6u);
  EXPECT_EQ(std::memcmp(out.data(), "Exif\0\0", 6), 0);

  p.EXIFThumbnail = std::make_unique<TIEBitmap>();
  p.EXIFThumbnail->Allocate(2, 2, ieRGB24);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) p.EXIFThumbnail->SetRGB24(x, y, TRGB{90, 90, 90});
  ASSERT_TRUE(BuildExifBlock(p, out));
  EXPECT_EQ(log.insert_index, 1);
  EXPECT_EQ(log.insert_compression, 6);
  // Back through the parser: the same fields, and the thumbnail.
  TIOParamsVals q(nullptr);
  ASSERT_TRUE(ParseExifBlock(out.data(), static_cast<int32_t>(out.size()), q));
  EXPECT_EQ(q.EXIFMake, "Maker");
  EXPECT_EQ(q.EXIFOrientation(), 8);
  EXPECT_EQ(q.DpiX(), 240);
  EXPECT_EQ(q.DpiY(), 180);
  ASSERT_TRUE(q.EXIFThumbnail);
  EXPECT_EQ(q.EXIFThumbnail->Width(), 2);
  EXPECT_EQ(q.EXIFThumbnail->GetPixelRGB(1, 1).g, 90);

  // A codec that fails gives no block.
  TIEExifStreamCodec failing = FixtureCodec();
  failing.Write = [](TStream*, bool, TIEBitmap*, TIOParamsVals&, TIOProgressRec& Progress) { Progress.Abort(); };
  SetExifStreamCodec(failing);
  EXPECT_FALSE(BuildExifBlock(p, out));
  EXPECT_TRUE(out.empty());
}

TEST(ExifBlock, CopyTakesTheFieldSetThroughItsSetters) {
  TIOParamsVals s(nullptr), t(nullptr);
  s.TiffImageDescription = "from the TIFF field";
  s.EXIFImageDescription = "not this one";
  s.EXIFModel = "model";
  s.EXIFXPTitle = u"title";
  s.EXIFUserCommentCode = "ASCII";
  s.EXIFUserComment = "comment";
  s.EXIFFNumber = 2.8;
  s.EXIFISOSpeedRatings = {100, 200};
  s.EXIFReferenceBlackWhite = {1, 2, 3, 4, 5, 6};
  s.EXIFSceneType = 1;
  s.EXIFFocalPlaneResolutionUnit = 3;
  s.SetEXIFOrientation(7);
  s.SetEXIFXResolution(72.9);
  s.SetEXIFYResolution(96.5);
  s.EXIFHasData = 1;
  s.EXIFThumbnail = std::make_unique<TIEBitmap>();
  CopyExifFields(s, t);
  EXPECT_EQ(t.EXIFImageDescription, "from the TIFF field");
  EXPECT_EQ(t.EXIFModel, "model");
  EXPECT_EQ(t.EXIFXPTitle, u"title");
  EXPECT_EQ(t.EXIFUserCommentCode, "ASCII");
  EXPECT_EQ(t.EXIFUserComment, "comment");
  EXPECT_DOUBLE_EQ(t.EXIFFNumber, 2.8);
  EXPECT_EQ(t.EXIFISOSpeedRatings[1], 200);
  EXPECT_DOUBLE_EQ(t.EXIFReferenceBlackWhite[5], 6);
  EXPECT_EQ(t.EXIFSceneType, 1);
  EXPECT_EQ(t.EXIFFocalPlaneResolutionUnit, 3);
  EXPECT_EQ(t.TiffOrientation(), 7);
  EXPECT_DOUBLE_EQ(t.EXIFXResolution(), 72.9);
  EXPECT_EQ(t.DpiX(), 72);
  EXPECT_EQ(t.DpiY(), 96);
  EXPECT_EQ(t.EXIFHasData, 0);
  EXPECT_FALSE(t.EXIFThumbnail);
}

// ---- the reader

TEST(JpegExif, ResolutionRuleBetweenJfifAndExif) {
  CodecScope scope(FixtureCodec());
  struct Case {
    uint8_t jfif_unit;
    uint16_t jfif_density;
    int exif_unit;
    uint32_t exif_res;
    int32_t dpi;
  } cases[] = {
      {0, 1, 2, 300, 300},  // only an aspect ratio in JFIF: the camera's resolution
      {0, 1, 3, 100, 254},  // per centimetre
      {1, 1, 3, 100, 254},  // 1 x 1 per inch counts as no resolution too
      {1, 72, 2, 300, 72},  // a real JFIF resolution stands
      {1, 72, 3, 100, 72},
      {2, 100, 2, 300, 254},  // per centimetre in JFIF
  };
  for (const Case& c : cases) {
    Loaded d;
    Load(CellsJpeg(3, 2, {CameraExif(1, c.exif_unit, c.exif_res)}, c.jfif_unit, c.jfif_density), d);
    ASSERT_FALSE(d.aborted);
    EXPECT_EQ(d.params.EXIFHasData, 1);
    EXPECT_EQ(d.params.DpiX(), c.dpi) << int(c.jfif_unit) << " " << c.jfif_density << " " << c.exif_unit;
    EXPECT_EQ(d.params.DpiY(), c.dpi);
  }
}

TEST(JpegExif, OrientationTurnsTheDecodedImageOnly) {
  CodecScope scope(FixtureCodec());
  const std::vector<uint8_t> jpeg = CellsJpeg(3, 2, {CameraExif(6, 2, 300)});
  for (bool adjust : {false, true}) {
    Loaded d;
    d.params.EnableAdjustOrientation = adjust;
    Load(jpeg, d);
    ASSERT_FALSE(d.aborted);
    // A turned picture stands upright, and its orientation says so.
    EXPECT_EQ(d.params.EXIFOrientation(), adjust ? 1 : 6);
    const int cols = adjust ? 2 : 3, rows = adjust ? 3 : 2;
    ASSERT_EQ(d.image.Width(), cols * kCell);
    ASSERT_EQ(d.image.Height(), rows * kCell);
    for (int v = 0; v < rows; ++v)
      for (int u = 0; u < cols; ++u) {
        // Orientation 6: upright cell (u, v) is stored cell (v, 2 - 1 - u).
        const uint8_t want = adjust ? Level(v, 1 - u) : Level(u, v);
        EXPECT_NEAR(d.image.GetPixelRGB(u * kCell + 8, v * kCell + 8).g, want, 4)
            << "adjust " << adjust << " cell " << u << "," << v;
      }
  }
  // Reading the parameters decodes nothing, so the image already in the
  // bitmap is not turned.
  Loaded d;
  d.params.EnableAdjustOrientation = 1;
  d.image.Allocate(5, 3, ieGray8);
  Load(jpeg, d, true);
  EXPECT_EQ(d.params.EXIFOrientation(), 6);
  EXPECT_EQ(d.image.Width(), 5);
  EXPECT_EQ(d.image.Height(), 3);

  // Nor after a read that failed before decoding: the file ends in its
  // frame header, right after the EXIF block.
  std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + 2);
  for (size_t i = 2; i + 4 <= jpeg.size() && jpeg[i] == 0xFF;) {
    const size_t len = static_cast<size_t>(jpeg[i + 2] << 8 | jpeg[i + 3]);
    cut.insert(cut.end(), jpeg.begin() + static_cast<long>(i), jpeg.begin() + static_cast<long>(i + 2 + len));
    if (jpeg[i + 1] == 0xE1) break;
    i += 2 + len;
  }
  cut.insert(cut.end(), {0xFF, 0xC0, 0x00});
  Loaded failed;
  failed.params.EnableAdjustOrientation = 1;
  failed.image.Allocate(40, 10, ieGray8);
  Load(cut, failed);
  EXPECT_TRUE(failed.aborted);
  EXPECT_EQ(failed.params.EXIFOrientation(), 6) << "the block itself was read";
  EXPECT_EQ(failed.image.Width(), 40);
  EXPECT_EQ(failed.image.Height(), 10);
}

// Loaded, saved and loaded again, the picture and its thumbnail come back
// as they were after the first load: nothing is turned twice.
TEST(JpegExif, SavedAgainNothingIsTurnedTwice) {
  CodecScope scope(FixtureCodec());
  const std::vector<uint8_t> jpeg = CellsJpeg(3, 2, {CameraExif(6, 2, 300, ThumbnailPage(6, 4, 77))});
  for (bool adjust : {false, true}) {
    struct State {
      int w, h, orientation, thumb_w, thumb_h;
    } states[2];
    std::vector<uint8_t> data = jpeg;
    for (State& st : states) {
      TImagoIO io(nullptr);
      io.Params()->EnableAdjustOrientation = adjust;
      TIEMemStream in(data.data(), static_cast<int64_t>(data.size()));
      io.LoadFromStream(&in);
      ASSERT_FALSE(io.Aborted());
      const TIOParamsVals* p = io.Params();
      ASSERT_TRUE(p->EXIFThumbnail);
      st = {io.IEBitmap()->Width(), io.IEBitmap()->Height(), p->EXIFOrientation(), p->EXIFThumbnail->Width(),
            p->EXIFThumbnail->Height()};
      TMemoryStream out;
      io.SaveToStream(&out, ieftJPEG);
      ASSERT_FALSE(io.Aborted());
      data = Bytes(out);
    }
    EXPECT_EQ(states[0].w, adjust ? 32 : 48);
    EXPECT_EQ(states[0].orientation, adjust ? 1 : 6);
    EXPECT_EQ(states[0].thumb_w, 4) << "the thumbnail is read upright";
    for (const State* st : {&states[0], &states[1]})
      EXPECT_EQ(std::make_tuple(st->w, st->h, st->orientation, st->thumb_w, st->thumb_h),
                std::make_tuple(states[0].w, states[0].h, states[0].orientation, 4, 6))
          << "adjust " << adjust;
  }
}

// A rebuilt block too long for a marker segment leaves the list as it was,
// so this save and later ones still succeed.
TEST(JpegExif, RebuiltBlockTooLongForASegmentKeepsTheOldOne) {
  TIEExifStreamCodec big = FixtureCodec();
  big.Write = [](TStream* Stream, bool, TIEBitmap*, TIOParamsVals&, TIOProgressRec&) {
    const std::vector<uint8_t> tiff = Tiff({Ascii(270, std::string(65600, 'x'))});
    Stream->WriteBuffer(tiff.data(), static_cast<int64_t>(tiff.size()));
  };
  CodecScope scope(big);
  TImagoIO io(nullptr);
  io.IEBitmap()->Allocate(16, 16, ieRGB24);
  const std::vector<uint8_t> old_block = CameraExif(1, 2, 72);
  io.Params()->JpegMarkerList.AddMarker(0xE1, old_block.data(), static_cast<int32_t>(old_block.size()));
  io.Params()->EXIFHasData = 1;
  for (int save = 0; save < 2; ++save) {
    TMemoryStream s;
    io.SaveToStream(&s, ieftJPEG);
    ASSERT_FALSE(io.Aborted()) << "save " << save;
    EXPECT_EQ(App1Segments(Bytes(s)), std::vector<std::vector<uint8_t>>{old_block}) << "save " << save;
  }
}

TEST(JpegExif, EmbeddedThumbnailInsteadOfTheImage) {
  CodecScope scope(FixtureCodec());
  struct Case {
    const char* what;
    std::vector<uint8_t> jpeg;
    int w, h;
  } cases[] = {
      {"thumbnail", CellsJpeg(3, 2, {CameraExif(1, 2, 300, ThumbnailPage(6, 4, 77))}), 6, 4},
      {"turned thumbnail", CellsJpeg(3, 2, {CameraExif(6, 2, 300, ThumbnailPage(6, 4, 77))}), 4, 6},
      {"no thumbnail", CellsJpeg(3, 2, {CameraExif(1, 2, 300)}), 48, 32},
      {"no EXIF", CellsJpeg(3, 2, {}), 48, 32},
  };
  for (const Case& c : cases) {
    Loaded d;
    d.params.SetLoadEmbeddedThumbnail(true);
    Load(c.jpeg, d);
    EXPECT_FALSE(d.aborted) << c.what;
    EXPECT_EQ(d.image.Width(), c.w) << c.what;
    EXPECT_EQ(d.image.Height(), c.h) << c.what;
    EXPECT_TRUE(d.params.JpegGetThumbnail) << c.what;
    if (c.w == 6 || c.w == 4) {
      EXPECT_EQ(d.image.GetPixelRGB(1, 1).g, 77) << c.what;
    }
  }
}

TEST(JpegExif, OtherApp1PayloadsAndAMissingCodecChangeNothing) {
  const std::vector<uint8_t> exif = CameraExif(6, 2, 300, ThumbnailPage(6, 4, 77));
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> app1;
    bool codec;
  } cases[] = {
      {"XMP only", {kXmp}, true},
      {"EXIF without a codec", {exif}, false},
  };
  for (const Case& c : cases) {
    std::optional<CodecScope> scope;
    if (c.codec) scope.emplace(FixtureCodec());
    else scope.emplace(TIEExifStreamCodec{});
    Loaded d;
    d.params.EnableAdjustOrientation = 1;
    d.params.SetLoadEmbeddedThumbnail(true);
    Load(CellsJpeg(3, 2, c.app1, 0, 1), d);
    ASSERT_FALSE(d.aborted) << c.what;
    EXPECT_EQ(d.params.EXIFHasData, 0) << c.what;
    EXPECT_EQ(d.params.DpiX(), 1) << c.what;
    EXPECT_EQ(d.image.Width(), 48) << c.what;
    EXPECT_EQ(d.image.Height(), 32) << c.what;
    EXPECT_EQ(d.params.JpegMarkerList.IndexOf(0xE1), 0) << c.what << ": the marker is kept";
  }
  // An XMP packet before the EXIF block does not hide it.
  CodecScope scope(FixtureCodec());
  Loaded d;
  Load(CellsJpeg(3, 2, {kXmp, CameraExif(1, 2, 300)}, 0, 1), d);
  EXPECT_EQ(d.params.EXIFHasData, 1);
  EXPECT_EQ(d.params.DpiX(), 300);
}

// ---- the save path and the reset

TEST(JpegExif, SaveWritesTheBuiltBlockAndKeepsAnXmpPacket) {
  CodecScope scope(FixtureCodec());
  TImagoIO io(nullptr);
  io.IEBitmap()->Allocate(16, 16, ieRGB24);
  io.IEBitmap()->Fill(128);
  TIOParamsVals* p = io.Params();
  // As a file with XMP and EXIF would leave the list: the old block is
  // replaced in its place, the XMP packet stays.
  const std::vector<uint8_t> old_block = CameraExif(1, 2, 72);
  p->JpegMarkerList.AddMarker(0xE1, kXmp.data(), static_cast<int32_t>(kXmp.size()));
  p->JpegMarkerList.AddMarker(0xE1, old_block.data(), static_cast<int32_t>(old_block.size()));
  p->EXIFHasData = 1;
  p->EXIFMake = "Saved Camera";
  p->SetEXIFOrientation(6);
  p->SetEXIFXResolution(200);
  p->SetEXIFYResolution(200);
  TMemoryStream s;
  io.SaveToStream(&s, ieftJPEG);
  ASSERT_FALSE(io.Aborted());
  const std::vector<uint8_t> file = Bytes(s);
  const auto app1 = App1Segments(file);
  ASSERT_EQ(app1.size(), 2u);
  EXPECT_EQ(app1[0], kXmp);
  std::vector<uint8_t> built;
  ASSERT_TRUE(BuildExifBlock(*p, built));
  EXPECT_EQ(app1[1], built);

  // The peer reads the block as EXIF.
  if (peer::Available("/usr/bin/exiftool")) {
    Folder dir;
    WriteFile(dir / "saved.jpg", file);
    const std::string out =
        Capture("/usr/bin/exiftool -s -s -s -n -Make -Orientation -XResolution '" + (dir / "saved.jpg") + "'");
    EXPECT_EQ(out, "Saved Camera\n6\n200\n");
  }

  // Without EXIF data the list is written as it is.
  TImagoIO plain(nullptr);
  plain.IEBitmap()->Allocate(16, 16, ieRGB24);
  plain.Params()->JpegMarkerList.AddMarker(0xE1, old_block.data(), static_cast<int32_t>(old_block.size()));
  TMemoryStream s2;
  plain.SaveToStream(&s2, ieftJPEG);
  const auto kept = App1Segments(Bytes(s2));
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0], old_block);
}

TEST(JpegExif, SaveWithoutACodecKeepsTheOldBlock) {
  CodecScope none{TIEExifStreamCodec{}};
  TImagoIO io(nullptr);
  io.IEBitmap()->Allocate(16, 16, ieRGB24);
  const std::vector<uint8_t> old_block = CameraExif(1, 2, 72);
  io.Params()->JpegMarkerList.AddMarker(0xE1, old_block.data(), static_cast<int32_t>(old_block.size()));
  io.Params()->EXIFHasData = 1;
  TMemoryStream s;
  io.SaveToStream(&s, ieftJPEG);
  ASSERT_FALSE(io.Aborted());
  const auto app1 = App1Segments(Bytes(s));
  ASSERT_EQ(app1.size(), 1u);
  EXPECT_EQ(app1[0], old_block);
}

TEST(JpegExif, ResetRemovesTheExifMarkerNotAnXmpPacket) {
  TIOParamsVals p(nullptr);
  const std::vector<uint8_t> block = CameraExif(1, 2, 72);
  p.JpegMarkerList.AddMarker(0xE1, kXmp.data(), static_cast<int32_t>(kXmp.size()));
  p.JpegMarkerList.AddMarker(0xED, "x", 1);
  p.JpegMarkerList.AddMarker(0xE1, block.data(), static_cast<int32_t>(block.size()));
  EXPECT_EQ(IndexOfExifMarker(p.JpegMarkerList), 2);
  p.ResetEXIF();
  ASSERT_EQ(p.JpegMarkerList.GetCount(), 2);
  EXPECT_EQ(p.JpegMarkerList.GetMarkerLength(0), static_cast<int32_t>(kXmp.size()));
  EXPECT_EQ(IndexOfExifMarker(p.JpegMarkerList), -1);
}

// ---- camera files

TEST(ExifBlock, FindTiffHeaderTakesTheFirstHeaderThatCanBeOne) {
  auto find = [](const std::vector<uint8_t>& b, int64_t from = 0) {
    TIEMemStream s(b.data(), static_cast<int64_t>(b.size()));
    s.SetPosition(from);
    const int64_t at = FindTiffHeader(&s);
    EXPECT_EQ(s.Position(), from);
    return at;
  };
  std::vector<uint8_t> ii = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(find(ii), 0);
  std::vector<uint8_t> mm = {'x', 'y', 'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0, 0, 0};
  EXPECT_EQ(find(mm), 2);
  EXPECT_EQ(find(mm, 1), 1);
  // A directory beyond the stream: that header is skipped for the next one;
  // the other magics of camera files are taken.
  std::vector<uint8_t> skip = {'I', 'I', 42, 0, 0xFF, 0, 0, 0, 'I', 'I', 0x52, 0x4F, 8, 0, 0, 0, 0, 0};
  EXPECT_EQ(find(skip), 8);
  EXPECT_EQ(find({'I', 'I', 43, 0, 8, 0, 0, 0, 0, 0}), -1);
  EXPECT_EQ(find({}), -1);
}

TEST(ExifBlock, CameraFileGivesItsFieldsAndTheFirstPageThatIsAThumbnail) {
  // A camera file: the picture (over a thumbnail's size) with the EXIF
  // fields, then a small preview page; behind 5 bytes of something else.
  TMemoryStream tiff;
  {
    TIEBitmap picture;
    picture.Allocate(450, 4, ieRGB24);
    picture.Fill(128);
    TIOParamsVals p(nullptr);
    p.EXIFHasData = 1;
    p.EXIFMake = "Camera Maker";
    p.EXIFExposureTime = 0.01;
    Progress pr;
    WriteTIFFStream(&tiff, false, &picture, p, pr.rec);
    TIEBitmap preview;
    preview.Allocate(8, 6, ieRGB24);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) preview.SetRGB24(x, y, MakeRGBTriple(10, 200, 30));
    TIOParamsVals q(nullptr);
    q.SetImageIndex(1);
    tiff.SetPosition(0);
    WriteTIFFStream(&tiff, true, &preview, q, pr.rec);
    ASSERT_FALSE(pr.aborted);
  }
  std::vector<uint8_t> file = {1, 2, 3, 4, 5};
  const std::vector<uint8_t> t = Bytes(tiff);
  file.insert(file.end(), t.begin(), t.end());
  TIEMemStream s(file.data(), static_cast<int64_t>(file.size()));
  ASSERT_EQ(FindTiffHeader(&s), 5);
  s.SetPosition(5);
  TIOParamsVals p(nullptr);
  EXPECT_TRUE(ReadExifFromTiffStream(&s, p));
  EXPECT_EQ(s.Position(), 5);
  EXPECT_EQ(p.EXIFHasData, 1);
  EXPECT_EQ(p.EXIFMake, "Camera Maker");
  EXPECT_DOUBLE_EQ(p.EXIFExposureTime, 0.01);
  ASSERT_TRUE(p.EXIFThumbnail);
  EXPECT_EQ(p.EXIFThumbnail->Width(), 8);
  EXPECT_EQ(p.EXIFThumbnail->GetPixelRGB(1, 1), MakeRGBTriple(10, 200, 30));
}
