// The TIFF writer: layouts chosen from the parameters, strip sizes, pages
// inserted into a chain, metadata blocks, and what it writes read back.
#include <gtest/gtest.h>

#include "CodecTestSupport.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/io/formats/TIFFDirectory.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/TIEMask.h"

using namespace codec;

namespace {

std::vector<uint8_t> Write(TIEBitmap& b, TIOParamsVals& p) {
  TMemoryStream s;
  Progress pr;
  EXPECT_EQ(WriteTIFFStream(&s, false, &b, p, pr.rec), 1);
  EXPECT_FALSE(pr.aborted);
  return Bytes(s);
}

// The first page's directory of a file we wrote (little-endian).
struct Dir {
  std::vector<uint8_t> file;
  std::unique_ptr<TIEMemStream> stream;
  std::unique_ptr<TTIFFDirectory> dir;
  explicit Dir(std::vector<uint8_t> f, int page = 0) : file(std::move(f)) {
    stream = std::make_unique<TIEMemStream>(file.data(), static_cast<int64_t>(file.size()));
    dir = std::make_unique<TTIFFDirectory>(stream.get(), 0, false);
    uint32_t at = file[4] | file[5] << 8 | file[6] << 16 | static_cast<uint32_t>(file[7]) << 24;
    for (int i = 0; i < page; ++i) {
      const uint32_t n = file[at] | file[at + 1] << 8;
      const size_t q = at + 2 + n * 12;
      at = file[q] | file[q + 1] << 8 | file[q + 2] << 16 | static_cast<uint32_t>(file[q + 3]) << 24;
    }
    EXPECT_TRUE(dir->Load(at));
  }
  int64_t Int(uint16_t tag, int64_t def = -1) const { return dir->GetTIFFTagInt(tag, def); }
  uint32_t Count(uint16_t tag) const {
    const TTIFFEntry* e = dir->Entry(tag);
    return e ? e->Count : 0;
  }
};

void Read(const std::vector<uint8_t>& file, TIEBitmap& b, int page = 0) {
  TIEMemStream s(file.data(), static_cast<int64_t>(file.size()));
  TIOParamsVals p(nullptr);
  p.TiffImageIndex = page;
  Progress pr;
  std::unique_ptr<TIEMask> alpha;
  int32_t pages = 0;
  ReadTIFFStream(&b, &s, pages, &p, pr.rec, false, alpha, false, false, false);
  EXPECT_FALSE(pr.aborted);
  if (alpha) b.GetAlphaChannel()->CopyFromTIEMask(alpha.get());
}

// LZW routines that count their calls and hand on to the built-in codec.
int lzw_encodes = 0, lzw_decodes = 0;
bool CountingEncode(const uint8_t* Data, int64_t Count, TStream* Stream, TTIFFLZWEncodeHandle& State) {
  ++lzw_encodes;
  return TIFFLZWEncode(Data, Count, Stream, State);
}
const uint8_t* CountingDecode(const uint8_t* Data, int64_t Size, int32_t L, TTIFFLZWDecodeHandle& State) {
  ++lzw_decodes;
  return TIFFLZWDecode(Data, Size, L, State);
}

// Installs the given defaults for one test and puts the built-in ones back.
struct DefaultLZW {
  DefaultLZW(TTIFFLZWDecompressProc d, TTIFFLZWCompressProc c) {
    DefaultTIFFLZWDecompress = d;
    DefaultTIFFLZWCompress = c;
  }
  ~DefaultLZW() {
    DefaultTIFFLZWDecompress = TIFFLZWDecode;
    DefaultTIFFLZWCompress = TIFFLZWEncode;
  }
};

}  // namespace

// A record's LZW routines code the strips in place of the built-in codec;
// a record without them falls back on the installed defaults, and with no
// encoder at all the rows are stored uncompressed and an LZW page is refused.
TEST(TiffWriter, LzwRoutinesOfTheRecordAreUsed) {
  TIEBitmap b;
  FillBitmap(b, 9, 5, Picture(9, 5));
  TIOParamsVals p(nullptr);
  EXPECT_EQ(p.TiffLZWCompress, DefaultTIFFLZWCompress);
  EXPECT_EQ(p.TiffLZWDecompress, DefaultTIFFLZWDecompress);
  p.TiffCompression = 5;
  p.TiffLZWCompress = CountingEncode;
  lzw_encodes = 0;
  const std::vector<uint8_t> lzw = Write(b, p);
  EXPECT_EQ(Dir(lzw).Int(259), 5);
  EXPECT_GE(lzw_encodes, 5 + 1);  // every row and the closing call

  for (const bool own : {true, false}) {
    TIEMemStream s(lzw.data(), static_cast<int64_t>(lzw.size()));
    TIOParamsVals r(nullptr);
    TIEBitmap got;
    if (own) r.TiffLZWDecompress = CountingDecode;
    DefaultLZW defaults(own ? nullptr : CountingDecode, TIFFLZWEncode);
    if (!own) r.TiffLZWDecompress = nullptr;
    Progress pr;
    std::unique_ptr<TIEMask> alpha;
    int32_t pages = 0;
    lzw_decodes = 0;
    ReadTIFFStream(&got, &s, pages, &r, pr.rec, false, alpha, false, false, false);
    ASSERT_FALSE(pr.aborted) << own;
    EXPECT_GE(lzw_decodes, 5) << own;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 9; ++x) ASSERT_EQ(got.GetRGB24(x, y), b.GetRGB24(x, y)) << x << "," << y;
  }

  {
    DefaultLZW none(nullptr, nullptr);
    TIOParamsVals q(nullptr);
    EXPECT_EQ(q.TiffLZWCompress, nullptr);
    q.TiffCompression = 5;
    const std::vector<uint8_t> plain = Write(b, q);
    EXPECT_EQ(Dir(plain).Int(259), 1);
    EXPECT_EQ(Dir(plain).Int(317, 1), 1);  // no predictor either
    TIEMemStream s(lzw.data(), static_cast<int64_t>(lzw.size()));
    TIEBitmap got;
    Progress pr;
    std::unique_ptr<TIEMask> alpha;
    int32_t pages = 0;
    ReadTIFFStream(&got, &s, pages, &q, pr.rec, false, alpha, false, false, false);
    EXPECT_TRUE(pr.aborted);
  }
}

TEST(TiffWriter, TwoColoursAtOneBitStayBlackAndWhite) {
  TIEBitmap b;
  b.Allocate(9, 3, ieRGB24);
  b.Fill(0);
  for (int x = 0; x < 9; ++x) b.SetRGB24(x, 1, MakeRGBTriple(200, 30, 30));
  TIOParamsVals p(nullptr);
  p.BitsPerSample = 1;
  p.SamplesPerPixel = 1;
  const Dir d(Write(b, p));
  EXPECT_EQ(d.Int(258), 1);
  EXPECT_EQ(d.Int(262), 1);
  TIEBitmap back;
  Read(d.file, back);
  ASSERT_EQ(back.PixelFormat(), ieMono1);
  EXPECT_EQ(back.GetPixelRGB(4, 0), MakeRGBTriple(0, 0, 0));
  EXPECT_EQ(back.GetPixelRGB(4, 1), MakeRGBTriple(255, 255, 255));
}

// A colour image asked for at one bit with JPEG compression: the one-bit
// copy is turned back to RGB for the JPEG coder. That second copy once
// replaced the first while being made from it (a read of freed memory).
TEST(TiffWriter, OneBitWithJPEGCompressionWritesTheTwoColours) {
  TIEBitmap b;
  b.Allocate(16, 16, ieRGB24);
  b.Fill(0);
  for (int y = 8; y < 16; ++y)
    for (int x = 0; x < 16; ++x) b.SetRGB24(x, y, MakeRGBTriple(200, 30, 30));
  for (uint8_t compression : {6, 7}) {
    TIOParamsVals p(nullptr);
    p.BitsPerSample = 1;
    p.SamplesPerPixel = 1;
    p.TiffCompression = compression;
    const Dir d(Write(b, p));
    EXPECT_EQ(d.Int(259), compression);
    TIEBitmap back;
    Read(d.file, back);
    ASSERT_EQ(back.Width(), 16);
    const TRGB top = back.GetPixelRGB(4, 2), bottom = back.GetPixelRGB(4, 12);
    EXPECT_LT(top.r + top.g + top.b, 3 * 8) << int{compression};
    EXPECT_GT(bottom.r + bottom.g + bottom.b, 3 * 247) << int{compression};
  }
}

TEST(TiffWriter, LayoutsFollowTheParameters) {
  TIEBitmap grey;
  grey.Allocate(5, 2, ieRGB24);
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < 2; ++y) grey.SetRGB24(x, y, TRGB{static_cast<uint8_t>(x * 50), static_cast<uint8_t>(x * 50), static_cast<uint8_t>(x * 50)});
  {
    // Fax compression of an 8-bit grey image: written uncompressed.
    TIOParamsVals p(nullptr);
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.TiffCompression = 4;
    const Dir d(Write(grey, p));
    EXPECT_EQ(d.Int(259), 1);
  }
  {
    // Palette photometric on a grey image: grey, no colour map.
    TIOParamsVals p(nullptr);
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 1;
    p.TiffPhotometric = 3;
    const Dir d(Write(grey, p));
    EXPECT_EQ(d.Int(262), 1);
    EXPECT_EQ(d.Count(320), 0u);
    TIEBitmap back;
    Read(d.file, back);
    EXPECT_EQ(back.GetPixelRGB(3, 1), MakeRGBTriple(150, 150, 150));
  }
}

TEST(TiffWriter, StripSizes) {
  struct Case {
    int w, h;
    int64_t rows_per_strip;
    uint32_t strips;
  } cases[] = {{1000, 300, 300, 1}, {10000, 300, 17, 18}, {400000, 1, 1, 1}};
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Allocate(c.w, c.h, ieRGB24);
    b.Fill(0);
    TIOParamsVals p(nullptr);
    const Dir d(Write(b, p));
    EXPECT_EQ(d.Int(278), c.rows_per_strip) << c.w;
    EXPECT_EQ(d.Count(273), c.strips) << c.w;
    if (c.strips == 18) {
      EXPECT_EQ(d.dir->GetTIFFTagItem(279, 17), 11u * 30000u);
    }
  }
}

TEST(TiffWriter, PagesInsertedIntoAChain) {
  auto page = [](uint8_t v) {
    auto b = std::make_unique<TIEBitmap>();
    b->Allocate(2, 2, ieRGB24);
    b->Fill(0);
    b->SetRGB24(0, 0, MakeRGBTriple(v, v, v));
    return b;
  };
  TMemoryStream s;
  Progress pr;
  TIOParamsVals p(nullptr);
  EXPECT_EQ(WriteTIFFStream(&s, false, page(10).get(), p, pr.rec), 1);
  p.TiffImageIndex = 0;
  EXPECT_EQ(WriteTIFFStream(&s, true, page(20).get(), p, pr.rec), 2);  // first
  p.TiffImageIndex = 7;
  EXPECT_EQ(WriteTIFFStream(&s, true, page(30).get(), p, pr.rec), 3);  // appended
  p.TiffImageIndex = 1;
  EXPECT_EQ(WriteTIFFStream(&s, true, page(40).get(), p, pr.rec), 4);  // second
  EXPECT_FALSE(pr.aborted);
  const std::vector<uint8_t> file = Bytes(s);
  TIEMemStream m(file.data(), static_cast<int64_t>(file.size()));
  EXPECT_EQ(CountTIFFImages(&m), 4);
  const uint8_t want[] = {20, 40, 10, 30};
  for (int i = 0; i < 4; ++i) {
    TIEBitmap b;
    Read(file, b, i);
    EXPECT_EQ(b.GetPixelRGB(0, 0).r, want[i]) << i;
  }
  // Only little-endian TIFF streams take pages.
  TMemoryStream other;
  other.Write("MM\0*\0\0\0\0", 8);
  Progress pr2;
  EXPECT_EQ(WriteTIFFStream(&other, true, page(1).get(), p, pr2.rec), 0);
  EXPECT_TRUE(pr2.aborted);
  EXPECT_EQ(other.Size(), 8);
}

TEST(TiffWriter, MetadataBlocksAndAlpha) {
  TIEBitmap b;
  b.Allocate(3, 2, ieRGB24);
  b.Fill(0);
  b.SetAlpha(1, 1, 77);
  TIOParamsVals p(nullptr);
  const uint8_t iptc12[] = {0x1C, 2, 5, 0, 7, 'c', 'a', 'p', 't', 'i', 'o', 'n'};
  p.IPTCInfoList.LoadFromBuffer(iptc12, 12);
  const Dir d(Write(b, p));
  // Alpha travels as a fourth sample marked unassociated.
  EXPECT_EQ(d.Int(277), 4);
  EXPECT_EQ(d.Int(338), 2);
  const std::vector<uint8_t> block = d.dir->GetTIFFTagData(33723);
  EXPECT_EQ(block.size() % 4, 0u);
  EXPECT_EQ(d.Count(33723) * 4, block.size());
  TIEBitmap back;
  Read(d.file, back);
  ASSERT_TRUE(back.HasAlphaChannel());
  EXPECT_EQ(back.GetAlpha(1, 1), 77);
  EXPECT_EQ(back.GetAlpha(0, 0), 255);
}

TEST(TiffWriter, ShortWritesLeaveNoDirectory) {
  class Short : public TMemoryStream {
   public:
    int64_t Write(const void* Buffer, int64_t Count) override {
      const int64_t n = std::max<int64_t>(0, std::min(Count, int64_t{100} - Position()));
      return n ? TMemoryStream::Write(Buffer, n) : 0;
    }
  } s;
  TIEBitmap b;
  b.Allocate(40, 40, ieRGB24);
  b.Fill(0);
  TIOParamsVals p(nullptr);
  for (uint8_t c : {uint8_t{0}, uint8_t{5}, uint8_t{8}}) {
    p.TiffCompression = c;
    Progress pr;
    s.SetSize(0);
    WriteTIFFStream(&s, false, &b, p, pr.rec);
    EXPECT_TRUE(pr.aborted);
    // The header was never patched.
    const std::vector<uint8_t> file = Bytes(s);
    EXPECT_EQ(file[0], 0);
  }
}

// IPTC blocks of every length modulo 4 are padded to the whole LONGs their
// count claims, and read back with their datasets.
TEST(TiffWriter, IptcBlocksArePaddedToTheirCount) {
  TIEBitmap b;
  b.Allocate(2, 2, ieRGB24);
  b.Fill(0);
  for (int n = 1; n <= 4; ++n) {
    SCOPED_TRACE(n);
    TIOParamsVals p(nullptr);
    const std::vector<uint8_t> caption(static_cast<size_t>(n), 'a');
    p.IPTCInfoList.AddItem(2, 120, caption.data(), n);
    const Dir d(Write(b, p));
    const TTIFFEntry* e = d.dir->Entry(33723);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Type, 4);
    // The claimed bytes are all in the file, before the directory.
    EXPECT_LE(e->Value + d.Count(33723) * 4, d.file.size());
    const std::vector<uint8_t> block = d.dir->GetTIFFTagData(33723);
    EXPECT_EQ(block.size(), d.Count(33723) * 4u);
    TIEMemStream s(d.file.data(), static_cast<int64_t>(d.file.size()));
    TIOParamsVals back(nullptr);
    Progress pr;
    std::unique_ptr<TIEMask> alpha;
    int32_t pages = 0;
    ReadTIFFStream(nullptr, &s, pages, &back, pr.rec, true, alpha, false, false, false);
    // The record version the block starts with, then the caption.
    ASSERT_EQ(back.IPTCInfoList.GetCount(), 2);
    EXPECT_EQ(back.IPTCInfoList.GetDataSet(1), 120);
  }
}
