#include "imaging/io/formats/PS.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PageCodings.h"
#include "imaging/io/formats/PageJPEG.h"
#include "imaging/model/PageEncoders.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

// PsCompression values: 1-bit pictures take run-length (and values outside
// the four), Group 4 or Group 3 two-dimensional fax data; 24-bit pictures
// take JPEG data at kPsJPEG and run-length data otherwise.
enum : uint8_t { kPsPackBits = 0, kPsFaxG4 = 1, kPsFaxG3 = 2, kPsJPEG = 3 };

bool IsFaxCoding(uint8_t Compression) {
  return Compression == kPsFaxG4 || Compression == kPsFaxG3 || Compression == kPsJPEG;
}

// The page count field: the count padded with blanks to six characters, so
// that later pages rewrite it in place.
std::string PagesLine(int32_t Count) {
  std::string n = std::to_string(Count);
  if (n.size() < 6) n.append(6 - n.size(), ' ');
  return "%%Pages: " + n;
}

std::string CreationDate() {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s %s %02d %02d:%02d:%02d %04d", kDays[t.tm_wday], kMonths[t.tm_mon],
                t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  return buf;
}

// Appends one ASCII85 block; returns its characters without line breaks
// and without the "~>" end marker.
int64_t AppendBlock(const uint8_t* Data, int64_t Count, std::vector<uint8_t>& Out) {
  const size_t start = Out.size();
  ASCII85Encode(Data, Count, Out);
  int64_t chars = 0;
  for (size_t i = start; i < Out.size(); ++i)
    if (Out[i] != '\r' && Out[i] != '\n') ++chars;
  return chars - 2;
}

std::string S(int64_t v) { return std::to_string(v); }

}  // namespace

std::unique_ptr<TIEPSDocument> WritePSHeader(TStream* Stream, TIOParamsVals& Params) {
  auto doc = std::make_unique<TIEPSDocument>();
  StreamWriteLine(Stream, "%!PS-Adobe-3.0");
  StreamWriteLine(Stream, "%%Creator: Imago by RuViviroviva");
  StreamWriteLine(Stream, "%%Title: " + Params.PsTitle);
  StreamWriteLine(Stream, "%%CreationDate: " + CreationDate());
  StreamWriteLine(Stream, "%%DocumentData: Clean7Bit");
  StreamWriteLine(Stream, "%%LanguageLevel: 2");
  doc->PagesPos = Stream->Position();
  StreamWriteLine(Stream, PagesLine(0));
  StreamWriteLine(Stream, "%%BoundingBox: 0 0 " + S(Params.PsPaperWidth - 1) + " " + S(Params.PsPaperHeight - 1));
  for (const char* line : {"%%EndComments", "%%BeginProlog", "10 dict begin", "%%EndProlog"})
    StreamWriteLine(Stream, line);
  doc->EndPos = Stream->Position();
  return doc;
}

void UpdatePSPageCount(TIEPSDocument& Document, TStream* Stream, TIEBitmap* Bitmap,
                       TIOProgressRec& Progress, TIOParamsVals& Params) {
  Stream->SetPosition(Document.PagesPos);
  char field[15] = {};
  const int64_t got = Stream->Read(field, 15);
  // Characters 10 to 14 hold the count; anything else counts as 1.
  std::string count;
  for (int64_t i = 9; i < 14 && i < got; ++i) count += field[i];
  while (!count.empty() && std::isspace(static_cast<unsigned char>(count.back()))) count.pop_back();
  while (!count.empty() && std::isspace(static_cast<unsigned char>(count.front()))) count.erase(0, 1);
  int32_t n = 1;
  if (!count.empty() && count.size() <= 5 &&
      count.find_first_not_of("0123456789") == std::string::npos)
    n = std::stoi(count);
  Stream->SetPosition(Document.PagesPos);
  const std::string line = PagesLine(n + 1);
  Stream->WriteBuffer(line.data(), static_cast<int64_t>(line.size()));
  Stream->SetPosition(Document.EndPos);
  WritePSPage(Stream, Bitmap, Params, Params.PsPaperHeight, Params.PsPaperWidth, n + 1, Progress);
  Document.EndPos = Stream->Position();
}

int64_t EncodePSImageData(TMemoryStream* Target, TIEBitmap* Bitmap, TIOParamsVals& Params,
                          TIOProgressRec& Progress) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  std::vector<uint8_t> out;
  int64_t chars = 0;
  if (Bitmap->PixelFormat() == ieMono1 && IsFaxCoding(Params.PsCompression)) {
    bool abort = false;
    const std::vector<uint8_t> fax = EncodePageFax(Bitmap, Params.PsCompression == kPsFaxG4, abort);
    chars += AppendBlock(fax.data(), static_cast<int64_t>(fax.size()), out);
  } else if (Bitmap->PixelFormat() == ieMono1) {
    // One run-length coding of all rows, runs crossing rows.
    const int64_t row = (int64_t{w} + 7) / 8;
    std::vector<uint8_t> bits;
    bits.reserve(static_cast<size_t>(row * h));
    for (int32_t y = 0; y < h; ++y) {
      const uint8_t* r = Bitmap->GetScanline(y);
      bits.insert(bits.end(), r, r + row);
      if (Progress.fOnProgress) Progress.fOnProgress(Progress.Sender, static_cast<int32_t>(int64_t{y} * 100 / h));
    }
    std::vector<uint8_t> packed;
    PackBitsEncode(bits.data(), static_cast<int64_t>(bits.size()), packed);
    chars += AppendBlock(packed.data(), static_cast<int64_t>(packed.size()), out);
  } else if (Params.PsCompression == kPsJPEG) {
    TMemoryStream jpeg;
    WritePageJPEG(&jpeg, Bitmap, Params, Progress);
    chars += AppendBlock(static_cast<const uint8_t*>(jpeg.Memory()), jpeg.Size(), out);
  } else {
    std::vector<uint8_t> channel(static_cast<size_t>(w)), packed;
    for (int32_t y = 0; y < h; ++y) {
      const auto* px = reinterpret_cast<const TRGB*>(Bitmap->GetScanline(y));
      for (int c = 0; c < 3; ++c) {
        for (int32_t x = 0; x < w; ++x) channel[x] = c == 0 ? px[x].r : c == 1 ? px[x].g : px[x].b;
        packed.clear();
        PackBitsEncode(channel.data(), w, packed);
        chars += AppendBlock(packed.data(), static_cast<int64_t>(packed.size()), out);
      }
      if (Progress.fOnProgress) Progress.fOnProgress(Progress.Sender, static_cast<int32_t>(int64_t{y} * 100 / h));
    }
  }
  Bitmap->UnmapRows();
  Target->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
  return chars;
}

void WritePSPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, int32_t PaperHeight,
                 int32_t PaperWidth, int32_t PageNumber, TIOProgressRec& Progress) {
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  int32_t sw = 0, sh = 0;
  FitProportional(w, h, PaperWidth, PaperHeight, sw, sh);
  StreamWriteLine(Stream, "%%Page: " + S(PageNumber) + " " + S(PageNumber));
  StreamWriteLine(Stream, "0 " + S(PaperHeight) + " translate");
  StreamWriteLine(Stream, S(sw) + " -" + S(sh) + " scale");
  const bool mono = Bitmap->PixelFormat() == ieMono1;
  Params.BitsPerSample = mono ? 1 : 8;
  Params.SamplesPerPixel = mono ? 1 : 3;
  StreamWriteLine(Stream, S(w) + " " + S(h) + " " + S(Params.BitsPerSample));
  StreamWriteLine(Stream, "[ " + S(w) + " 0 0 " + S(h) + " 0 0 ]");
  TMemoryStream data;
  const int64_t chars = EncodePSImageData(&data, Bitmap, Params, Progress);
  const std::string begin = "%%BeginData:      " + S(chars) + " ASCII Bytes";
  if (mono) {
    if (IsFaxCoding(Params.PsCompression))
      StreamWriteLine(Stream, "currentfile /ASCII85Decode filter << /K " +
                                  std::string(Params.PsCompression == kPsFaxG4 ? "-1" : "1") +
                                  " /BlackIs1 true /Columns " + S(w) + " /Rows " + S(h) +
                                  " /EndOfLine false /Uncompressed true /EncodedByteAlign false"
                                  " /EndOfBlock false >> /CCITTFaxDecode filter");
    else
      StreamWriteLine(Stream, "currentfile /ASCII85Decode filter /RunLengthDecode filter");
    StreamWriteLine(Stream, begin);
    StreamWriteLine(Stream, "image");
  } else if (Params.PsCompression == kPsJPEG) {
    StreamWriteLine(Stream, "currentfile /ASCII85Decode filter << >> /DCTDecode filter");
    // A grey JPEG has one component; every other setting is written as
    // three (see WritePageJPEG).
    StreamWriteLine(Stream, PageJPEGIsGrey(Params) ? "false 1" : "false 3");
    StreamWriteLine(Stream, begin);
    StreamWriteLine(Stream, "colorimage");
  } else {
    for (const char* c : {"r", "g", "b"}) StreamWriteLine(Stream, "/" + std::string(c) + "str " + S(w) + " string def");
    for (const char* c : {"r", "g", "b"})
      StreamWriteLine(Stream, "{currentfile /ASCII85Decode filter /RunLengthDecode filter " + std::string(c) +
                                  "str readstring pop}");
    StreamWriteLine(Stream, "true 3");
    StreamWriteLine(Stream, begin);
    StreamWriteLine(Stream, "colorimage");
  }
  if (data.Size() > 0) Stream->WriteBuffer(data.Memory(), data.Size());
  StreamWriteLine(Stream, "%%EndData");
  StreamWriteLine(Stream, "showpage");
}

void ClosePSStream(std::unique_ptr<TIEPSDocument> Document, TStream* Stream) {
  if (!Document) return;
  Stream->SetPosition(Document->EndPos);
  for (const char* line : {"%%Trailer", "end", "%%EOF"}) StreamWriteLine(Stream, line);
}

void WritePSStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
  auto doc = WritePSHeader(Stream, Params);
  UpdatePSPageCount(*doc, Stream, Bitmap, Progress, Params);
  ClosePSStream(std::move(doc), Stream);
}

TIEFormatHandler PSFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftPS;
  // A picture without pixels makes no page.
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    if (Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return Progress.Abort();
    WritePSStream(Stream, Bitmap, Params, Progress);
  };
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  return h;
}
