// PostScript and PDF page writers: the header, page count and placement of
// a PostScript page, its data lines by pixel format and compression (fax
// filter parameters included) and the count of its data characters; a PDF
// page's objects, image dictionary, fax and LZW data, content stream and
// information dictionary; the faults mended: grey and
// four-ink JPEG pages declare what their data holds, texts outside ASCII
// keep their characters.
#include <gtest/gtest.h>

#include <algorithm>

#include "CodecTestSupport.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/PDF.h"
#include "imaging/io/formats/CCITT.h"
#include "imaging/io/formats/PS.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "rtl/TComponent.h"

using namespace codec;
using namespace std::string_literals;

namespace {

std::string Text(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

std::string PS(TIEBitmap& b, TIOParamsVals& p) {
  TMemoryStream s;
  Progress pr;
  WritePSStream(&s, &b, p, pr.rec);
  return Text(s);
}

std::string PDF(TIEBitmap& b, TIOParamsVals& p) {
  TMemoryStream s;
  Progress pr;
  WritePDFStream(&s, &b, p, pr.rec);
  return Text(s);
}

bool Has(const std::string& t, const std::string& what) { return t.find(what) != std::string::npos; }

size_t Count(const std::string& t, const std::string& what) {
  size_t n = 0;
  for (size_t at = t.find(what); at != std::string::npos; at = t.find(what, at + 1)) ++n;
  return n;
}

// The characters between "%%BeginData:" and "%%EndData" that are ASCII85
// digits (line breaks and end markers left out).
int64_t DataCharacters(const std::string& t) {
  size_t from = t.find("colorimage\r\n");
  if (from == std::string::npos) from = t.find("image\r\n");
  from = t.find('\n', from) + 1;
  const size_t to = t.find("%%EndData");
  int64_t n = 0;
  for (size_t i = from; i < to; ++i) n += t[i] != '\r' && t[i] != '\n';
  return n - 2 * static_cast<int64_t>(Count(t.substr(from, to - from), "~>"));
}

void Mono(TIEBitmap& b, int w, int h) {
  b.Allocate(w, h, ieMono1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < (w + 7) / 8; ++x) b.GetScanline(y)[x] = static_cast<uint8_t>(x * 37 + y);
}

}  // namespace

TEST(PageWritersTest, APostScriptPageOnTheDefaultPaper) {
  TIEBitmap b;
  FillBitmap(b, 100, 50, Picture(100, 50));
  TIOParamsVals p(nullptr);
  p.PsTitle = "Card";
  const std::string t = PS(b, p);
  for (const char* line :
       {"%!PS-Adobe-3.0\r\n%%Creator: Imago by RuViviroviva\r\n%%Title: Card\r\n%%CreationDate: ",
        "\r\n%%DocumentData: Clean7Bit\r\n%%LanguageLevel: 2\r\n%%Pages: 1     \r\n"
        "%%BoundingBox: 0 0 594 841\r\n%%EndComments\r\n%%BeginProlog\r\n10 dict begin\r\n%%EndProlog\r\n"
        "%%Page: 1 1\r\n0 842 translate\r\n595 -297 scale\r\n100 50 8\r\n[ 100 0 0 50 0 0 ]\r\n"
        "/rstr 100 string def\r\n/gstr 100 string def\r\n/bstr 100 string def\r\n"
        "{currentfile /ASCII85Decode filter /RunLengthDecode filter rstr readstring pop}\r\n"
        "{currentfile /ASCII85Decode filter /RunLengthDecode filter gstr readstring pop}\r\n"
        "{currentfile /ASCII85Decode filter /RunLengthDecode filter bstr readstring pop}\r\n"
        "true 3\r\n%%BeginData:      ",
        " ASCII Bytes\r\ncolorimage\r\n", "%%EndData\r\nshowpage\r\n%%Trailer\r\nend\r\n%%EOF\r\n"})
    EXPECT_TRUE(Has(t, line)) << line;
  const std::string tail = "showpage\r\n%%Trailer\r\nend\r\n%%EOF\r\n";
  EXPECT_EQ(t.substr(t.size() - tail.size()), tail);
  // Three blocks a row, red, green and blue.
  EXPECT_EQ(Count(t, "~>\r\n"), 150u);
  const size_t at = t.find("%%BeginData:      ") + 18;
  EXPECT_EQ(std::stoll(t.substr(at)), DataCharacters(t));
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
}

TEST(PageWritersTest, PostScriptDataLinesFollowTheFormatAndCompression) {
  TIEBitmap rgb, mono;
  FillBitmap(rgb, 30, 20, Picture(30, 20));
  Mono(mono, 21, 9);
  struct Case {
    TIEBitmap* bitmap;
    uint8_t compression, jpeg_space;
    const char* lines;
    size_t blocks;
  } cases[] = {
      {&rgb, 0, 2, "true 3\r\n", 60},
      {&rgb, 2, 2, "true 3\r\n", 60},
      {&rgb, 3, 2, "currentfile /ASCII85Decode filter << >> /DCTDecode filter\r\nfalse 3\r\n", 1},
      // Four-ink JPEG data are written as YCbCr, so that three colours hold.
      {&rgb, 3, 3, "/DCTDecode filter\r\nfalse 3\r\n", 1},
      {&rgb, 3, 1, "/DCTDecode filter\r\nfalse 1\r\n", 1},
      {&mono, 0, 2, "21 9 1\r\n[ 21 0 0 9 0 0 ]\r\ncurrentfile /ASCII85Decode filter /RunLengthDecode filter\r\n", 1},
      {&mono, 1, 2,
       "21 9 1\r\n[ 21 0 0 9 0 0 ]\r\ncurrentfile /ASCII85Decode filter << /K -1 /BlackIs1 true /Columns 21 "
       "/Rows 9 /EndOfLine false /Uncompressed true /EncodedByteAlign false /EndOfBlock false >> "
       "/CCITTFaxDecode filter\r\n%%BeginData:",
       1},
      {&mono, 2, 2, "currentfile /ASCII85Decode filter << /K 1 /BlackIs1 true /Columns 21 /Rows 9 ", 1},
      // JPEG asked of a 1-bit picture gives Group 3 two-dimensional data.
      {&mono, 3, 2, "currentfile /ASCII85Decode filter << /K 1 /BlackIs1 true /Columns 21 /Rows 9 ", 1},
  };
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PsCompression = c.compression;
    p.JpegColorSpace = c.jpeg_space;
    const std::string t = PS(*c.bitmap, p);
    EXPECT_TRUE(Has(t, c.lines)) << int(c.compression) << " " << c.lines;
    EXPECT_EQ(Count(t, "~>\r\n"), c.blocks) << c.lines;
    const size_t at = t.find("%%BeginData:      ") + 18;
    EXPECT_EQ(std::stoll(t.substr(at)), DataCharacters(t)) << c.lines;
    EXPECT_EQ(p.JpegColorSpace, c.jpeg_space);
    if (c.bitmap == &mono) {
      EXPECT_TRUE(Has(t, " ASCII Bytes\r\nimage\r\n"));
    }
    if (c.compression == 3 && c.bitmap == &rgb) {
      // The JPEG's frame header names its component count.
      EXPECT_TRUE(Has(t, " ASCII Bytes\r\ncolorimage\r\n"));
    }
  }
}

TEST(PageWritersTest, PostScriptPagesRaiseTheCountInPlace) {
  TIEBitmap b;
  FillBitmap(b, 8, 8, Picture(8, 8));
  TIOParamsVals p(nullptr);
  TMemoryStream s;
  Progress pr;
  auto doc = WritePSHeader(&s, p);
  UpdatePSPageCount(*doc, &s, &b, pr.rec, p);
  UpdatePSPageCount(*doc, &s, &b, pr.rec, p);
  ClosePSStream(std::move(doc), &s);
  const std::string t = Text(s);
  EXPECT_TRUE(Has(t, "%%Pages: 2     \r\n"));
  EXPECT_TRUE(Has(t, "%%Page: 1 1\r\n"));
  EXPECT_TRUE(Has(t, "%%Page: 2 2\r\n"));
  EXPECT_EQ(Count(t, "%%Trailer"), 1u);
  ClosePSStream(nullptr, &s);
}

TEST(PageWritersTest, APdfPageHasItsObjectsInOrder) {
  TIEBitmap b;
  FillBitmap(b, 100, 50, Picture(100, 50));
  TIOParamsVals p(nullptr);
  const std::string t = PDF(b, p);
  EXPECT_EQ(t.substr(0, 15), "%PDF-1.4\n%\xC8\xD2\xF0\xFE\n");
  for (const char* piece :
       {"1 0 obj\n<< /Type /Catalog\n/Pages 6 0 R\n>>\nendobj\n",
        "2 0 obj\n<< /ProcSet [/PDF /ImageB ]\n/XObject << /lm1 3 0 R\n>>\n>>\nendobj\n",
        "3 0 obj\n<< /Type /XObject\n/Subtype /Image\n/Length 15000\n/ColorSpace /DeviceRGB\n"
        "/BitsPerComponent 8\n/Width 100\n/Height 50\n>>\nstream\n",
        "4 0 obj\n<< /Length 32\n>>\nstream\nq\n595 0 0 297 0 545 cm\n/lm1 Do\nQ\nendstream\nendobj\n",
        "5 0 obj\n<< /Type /Page\n/Resources 2 0 R\n/MediaBox [0 0 595 842 ]\n/Contents 4 0 R\n/Parent 6 0 R\n>>",
        "6 0 obj\n<< /Type /Pages\n/Kids [5 0 R ]\n/Count 1\n>>\nendobj\n", "7 0 obj\n<< /CreationDate (D:",
        "trailer\n<< /Size 8\n/Root 1 0 R\n/Info 7 0 R\n>>\nstartxref\n"})
    EXPECT_TRUE(Has(t, piece)) << piece;
  // Red first: the first pixel's samples open the image data.
  const size_t data = t.find("stream\n", t.find("3 0 obj")) + 7;
  const TRGB first = b.GetRGB24(0, 0);
  EXPECT_EQ(static_cast<uint8_t>(t[data]), first.r);
  EXPECT_EQ(static_cast<uint8_t>(t[data + 2]), first.b);
}

TEST(PageWritersTest, PdfImagesFollowTheCompressionAndTheRecord) {
  TIEBitmap rgb, mono;
  FillBitmap(rgb, 30, 20, Picture(30, 20));
  Mono(mono, 21, 9);
  struct Case {
    TIEBitmap* bitmap;
    uint8_t compression, jpeg_space, after;
    const char* dictionary;
  } cases[] = {
      {&mono, 0, 2, 0, "/Length 27\n/ColorSpace /DeviceGray\n/BitsPerComponent 1\n"},
      {&mono, 1, 2, 1, "/Filter [/RunLengthDecode ]\n/ColorSpace /DeviceGray\n/BitsPerComponent 1\n"},
      // A 1-bit page asked for JPEG leaves the record at 3.
      {&mono, 4, 2, 3,
       "/Filter /CCITTFaxDecode\n/DecodeParms << /K 1\n/BlackIs1 true\n/Columns 21\n/Rows 9\n"
       "/EndOfLine false\n/Uncompressed true\n/EncodedByteAlign false\n/EndOfBlock false\n>>\n"
       "/ColorSpace /DeviceGray\n/BitsPerComponent 1\n/Width 21\n/Height 9\n"},
      {&mono, 2, 2, 2, "/Filter /CCITTFaxDecode\n/DecodeParms << /K -1\n/BlackIs1 true\n/Columns 21\n"},
      {&mono, 3, 2, 3, "/Filter /CCITTFaxDecode\n/DecodeParms << /K 1\n/BlackIs1 true\n/Columns 21\n"},
      {&mono, 5, 2, 5, "/Filter /LZWDecode\n/ColorSpace /DeviceGray\n/BitsPerComponent 1\n"},
      {&rgb, 5, 2, 5, "/Filter /LZWDecode\n/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n"},
      {&rgb, 4, 2, 4, "/Filter /DCTDecode\n/ColorSpace /DeviceRGB\n/BitsPerComponent 8\n"},
      {&rgb, 4, 1, 4, "/Filter /DCTDecode\n/ColorSpace /DeviceGray\n"},
      {&rgb, 4, 4, 4, "/Filter /DCTDecode\n/ColorSpace /DeviceRGB\n"},
      {&rgb, 2, 2, 2, "/Length 1800\n/ColorSpace /DeviceRGB\n"},
  };
  for (const Case& c : cases) {
    TIOParamsVals p(nullptr);
    p.PdfCompression = c.compression;
    p.JpegColorSpace = c.jpeg_space;
    const std::string t = PDF(*c.bitmap, p);
    EXPECT_TRUE(Has(t, c.dictionary)) << c.dictionary;
    EXPECT_EQ(p.PdfCompression, c.after) << c.dictionary;
    EXPECT_EQ(p.JpegColorSpace, c.jpeg_space);
    EXPECT_EQ(p.BitsPerSample, c.bitmap == &mono ? 1 : 8);
  }
}

namespace {
int page_lzw_calls = 0;
bool CountingPageEncode(const uint8_t* Data, int64_t Count, TStream* Stream, TTIFFLZWEncodeHandle& State) {
  ++page_lzw_calls;
  return TIFFLZWEncode(Data, Count, Stream, State);
}
}  // namespace

// LZW pages code with the record's encoder, else the installed one; with
// neither the rows are stored as they stand.
TEST(PageWritersTest, PdfLzwUsesTheRecordsEncoder) {
  TIEBitmap mono;
  Mono(mono, 21, 9);
  TIOParamsVals p(nullptr);
  p.PdfCompression = 5;
  p.TiffLZWCompress = CountingPageEncode;
  page_lzw_calls = 0;
  EXPECT_TRUE(Has(PDF(mono, p), "/Filter /LZWDecode\n"));
  EXPECT_EQ(page_lzw_calls, 9 + 1);  // every row and the closing call

  DefaultTIFFLZWCompress = nullptr;
  TIOParamsVals none(nullptr);
  none.PdfCompression = 5;
  const std::string t = PDF(mono, none);
  DefaultTIFFLZWCompress = TIFFLZWEncode;
  EXPECT_TRUE(Has(t, "/Length 27\n/ColorSpace /DeviceGray\n")) << t.substr(0, 400);
}

// The image data of fax and LZW pages decode, with the system's own
// decoders, to the picture's rows: fax data code a set bit as black, which
// /BlackIs1 true gives back as a set bit.
TEST(PageWritersTest, PdfFaxAndLzwDataDecodeToThePictureRows) {
  TIEBitmap mono, rgb;
  Mono(mono, 37, 13);
  FillBitmap(rgb, 11, 7, Picture(11, 7));
  for (uint8_t compression : {2, 3, 5}) {
    for (TIEBitmap* b : {&mono, &rgb}) {
      if (b == &rgb && compression != 5) continue;
      TIOParamsVals p(nullptr);
      p.PdfCompression = compression;
      const std::string t = PDF(*b, p);
      const size_t from = t.find("stream\n", t.find("3 0 obj")) + 7;
      const size_t to = t.find("\nendstream", from);
      const auto* data = reinterpret_cast<const uint8_t*>(t.data() + from);
      const int64_t size = static_cast<int64_t>(to - from);
      const int32_t w = b->Width(), h = b->Height();
      if (compression == 5) {
        const int32_t row_bytes = b == &mono ? (w + 7) / 8 : w * 3;
        TTIFFLZWDecodeHandle state;
        for (int32_t y = 0; y < h; ++y) {
          const uint8_t* row = TIFFLZWDecode(data, size, row_bytes, state);
          ASSERT_NE(row, nullptr) << y;
          for (int32_t x = 0; x < w; ++x) {
            if (b == &mono) {
              ASSERT_EQ(row[x / 8] >> (7 - x % 8) & 1, b->GetScanline(y)[x / 8] >> (7 - x % 8) & 1) << x << "," << y;
            } else {
              const TRGB want = b->GetRGB24(x, y);
              ASSERT_EQ(row[x * 3], want.r);
              ASSERT_EQ(row[x * 3 + 1], want.g);
              ASSERT_EQ(row[x * 3 + 2], want.b);
            }
          }
        }
        TIFFLZWDecode(nullptr, 0, 0, state);
        continue;
      }
      std::vector<uint8_t> row((w + 7) / 8), ref((w + 7) / 8, 0xFF);
      int64_t bit = 0;
      for (int32_t y = 0; y < h; ++y) {
        std::fill(row.begin(), row.end(), 0xFF);
        bit = CCITTDecodeRow2D(row.data(), data, size, compression == 3, 1, bit, ref.data(), w);
        // The decoder gives 1 for white, the coder took 1 for black.
        for (int32_t x = 0; x < w; ++x)
          ASSERT_NE(row[x / 8] >> (7 - x % 8) & 1, b->GetScanline(y)[x / 8] >> (7 - x % 8) & 1)
              << int(compression) << " " << x << "," << y;
      }
    }
  }
}

// Behind other data in a stream, the table's offsets still count from the
// document's first byte.
TEST(PageWritersTest, APdfBehindOtherDataCountsItsOffsetsFromItsStart) {
  TIEBitmap b;
  FillBitmap(b, 6, 5, Picture(6, 5));
  TIOParamsVals p(nullptr);
  TMemoryStream s;
  s.WriteBuffer(std::string(1000, '#').data(), 1000);
  Progress pr;
  WritePDFStream(&s, &b, p, pr.rec);
  const std::string t = Text(s).substr(1000);
  const size_t xref = t.find("xref\n");
  EXPECT_EQ(std::stoll(t.substr(t.find("startxref\n") + 10)), static_cast<long long>(xref));
  size_t entry = t.find("65535 f \n", xref) + 9;
  for (int n = 1; n <= 7; ++n, entry += 20) {
    const size_t at = std::stoul(t.substr(entry, 10));
    const std::string head = std::to_string(n) + " 0 obj\n";
    EXPECT_EQ(t.compare(at, head.size(), head), 0) << n;
  }
}

TEST(PageWritersTest, PdfInformationTextsAreEscapedAndKeepTheirCharacters) {
  TIEBitmap b;
  FillBitmap(b, 4, 4, Picture(4, 4));
  TIOParamsVals p(nullptr);
  EXPECT_TRUE(Has(PDF(b, p), "7 0 obj\n<< /CreationDate (D:"));
  p.PdfTitle = "Sums (a\\b)";
  p.PdfAuthor = "Jos\xC3\xA9";
  p.PdfProducer = "x";
  const std::string t = PDF(b, p);
  EXPECT_TRUE(Has(t, "<< /Title (Sums \\(a\\\\b\\))\n/Author (\xFE\xFF\0J\0o\0s\0\xE9)\n/Producer (x)\n"
                     "/CreationDate (D:"s));
}

TEST(PageWritersTest, TheComponentWritesBothAndRefusesAnEmptyPicture) {
  Folder folder;
  TOwned<TImagoIO> io(new TImagoIO(nullptr));
  FillBitmap(*io->IEBitmap(), 12, 9, Picture(12, 9));
  io->IEBitmap()->ConvertFormat(ieGray8);
  for (const char* name : {"a.ps", "a.eps", "a.pdf"}) {
    io->SaveToFile(folder / name);
    EXPECT_FALSE(io->Aborted()) << name;
    const auto data = ReadFile(folder / name);
    EXPECT_EQ(std::string(data.begin(), data.begin() + 4), name[2] == 'p' && name[3] == 'd' ? "%PDF" : "%!PS");
  }
  TMemoryStream s;
  io->SaveToStream(&s, ieftPDF);
  EXPECT_FALSE(io->Aborted());
  EXPECT_GT(s.Size(), 0);
  TOwned<TImagoIO> empty(new TImagoIO(nullptr));
  TMemoryStream e;
  empty->SaveToStream(&e, ieftPS);
  EXPECT_TRUE(empty->Aborted());
}
