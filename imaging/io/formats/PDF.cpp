#include "imaging/io/formats/PDF.h"

#include <cstring>
#include <ctime>
#include <string>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/PageCodings.h"
#include "imaging/io/formats/PageJPEG.h"
#include "imaging/model/PageEncoders.h"
#include "imaging/model/PixelHelpers.h"
#include "imaging/model/TIEBitmap.h"
#include "rtl/Codepage.h"
#include "rtl/TStream.h"

namespace {

// PdfCompression values.
enum : uint8_t { kNone = 0, kPackBits = 1, kFaxG4 = 2, kFaxG3 = 3, kJPEG = 4, kLZW = 5 };

std::unique_ptr<TIEPDFNameObject> Name(const char* N) { return std::make_unique<TIEPDFNameObject>(N); }
std::unique_ptr<TIEPDFNumericObject> Number(double V) { return std::make_unique<TIEPDFNumericObject>(V); }

// A text of the information dictionary: ASCII as it is; anything else as
// UTF-16 with its byte-order mark, the one encoding of every character a
// PDF text string has.
std::unique_ptr<TIEPDFStringObject> TextString(const std::string& Text) {
  bool ascii = true;
  for (unsigned char c : Text) ascii = ascii && c < 0x80;
  if (ascii) return std::make_unique<TIEPDFStringObject>(Text);
  std::string out = "\xFE\xFF";
  auto unit = [&](uint32_t u) {
    out += static_cast<char>(u >> 8);
    out += static_cast<char>(u & 0xFF);
  };
  for (size_t i = 0; i < Text.size();) {
    int32_t cp = Utf8DecodeAt(Text, i);
    if (cp < 0) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(0xD800 | (static_cast<uint32_t>(cp) >> 10));
      unit(0xDC00 | (static_cast<uint32_t>(cp) & 0x3FF));
    } else {
      unit(static_cast<uint32_t>(cp));
    }
  }
  return std::make_unique<TIEPDFStringObject>(out);
}

std::string CreationDate() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  char buf[32];
  std::strftime(buf, sizeof buf, "D:%Y%m%d%H%M%S", &t);
  return buf;
}

// The rows' packed bits, top row first.
std::vector<uint8_t> MonoRows(TIEBitmap* Bitmap) {
  const int64_t row = (int64_t{Bitmap->Width()} + 7) / 8;
  std::vector<uint8_t> bits;
  bits.reserve(static_cast<size_t>(row * Bitmap->Height()));
  for (int32_t y = 0; y < Bitmap->Height(); ++y) {
    const uint8_t* r = Bitmap->GetScanline(y);
    bits.insert(bits.end(), r, r + row);
  }
  return bits;
}

// The target stream seen from the position the document starts at: the
// offsets of the cross-reference table count from the document's first
// byte, also when it is written behind other data.
class DocumentView : public TStream {
 public:
  explicit DocumentView(TStream* Target) : target_(Target), base_(Target->Position()) {}
  int64_t Read(void* Buffer, int64_t Count) override { return target_->Read(Buffer, Count); }
  int64_t Write(const void* Buffer, int64_t Count) override { return target_->Write(Buffer, Count); }
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override {
    if (Origin == soBeginning) Offset += base_;
    return target_->Seek(Offset, Origin) - base_;
  }

 private:
  TStream* target_;
  int64_t base_;
};

}  // namespace

std::unique_ptr<TIEPDFDocument> CreatePDFDocument() {
  auto doc = std::make_unique<TIEPDFDocument>();
  doc->Catalog = PDFAddCatalog(doc->Objects);
  doc->Resources = std::make_unique<TIEPDFDictionaryObject>();
  doc->Resources->Shared = true;
  auto procs = std::make_unique<TIEPDFArrayObject>();
  procs->Add(Name("PDF"));
  procs->Add(Name("ImageB"));
  doc->Resources->Add("ProcSet", std::move(procs));
  doc->Resources->Add("XObject", std::make_unique<TIEPDFDictionaryObject>());
  PDFAddObject(doc->Objects, doc->Resources.get());
  return doc;
}

namespace {
// LZW with no encoder installed stores the rows as they stand.
uint8_t LZWWhenCoded(uint8_t Compression, TTIFFLZWCompressProc Encode) {
  return Compression == kLZW && !Encode ? uint8_t(kNone) : Compression;
}
}  // namespace

void WritePDFPage(TIEPDFDocument& Document, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
  // The record's LZW encoder, else the installed one.
  const TTIFFLZWCompressProc lzw = Params.TiffLZWCompress ? Params.TiffLZWCompress : DefaultTIFFLZWCompress;
  const int32_t w = Bitmap->Width(), h = Bitmap->Height();
  const bool mono = Bitmap->PixelFormat() == ieMono1;
  Params.BitsPerSample = mono ? 1 : 8;
  Params.SamplesPerPixel = mono ? 1 : 3;

  auto image = std::make_unique<TIEPDFStreamObject>();
  TIEPDFDictionaryObject& d = *image->Dictionary;
  if (mono) {
    if (Params.PdfCompression == kJPEG) Params.PdfCompression = kFaxG3;
    // The fax coders report a failed write through the record's abort
    // flag; a page in memory has none to report.
    bool local_abort = false;
    bool& abort = Progress.Aborting ? *Progress.Aborting : local_abort;
    switch (LZWWhenCoded(Params.PdfCompression, lzw)) {
      case kPackBits: {
        const std::vector<uint8_t> bits = MonoRows(Bitmap);
        PackBitsEncode(bits.data(), static_cast<int64_t>(bits.size()), image->Data);
        auto filter = std::make_unique<TIEPDFArrayObject>();
        filter->Add(Name("RunLengthDecode"));
        d.Add("Filter", std::move(filter));
        break;
      }
      case kFaxG4:
      case kFaxG3: {
        const bool group4 = Params.PdfCompression == kFaxG4;
        image->Data = EncodePageFax(Bitmap, group4, abort);
        d.Add("Filter", Name("CCITTFaxDecode"));
        auto parms = std::make_unique<TIEPDFDictionaryObject>();
        parms->Add("K", Number(group4 ? -1 : 1));
        parms->Add("BlackIs1", std::make_unique<TIEPDFBooleanObject>(true));
        parms->Add("Columns", Number(w));
        parms->Add("Rows", Number(h));
        parms->Add("EndOfLine", std::make_unique<TIEPDFBooleanObject>(false));
        parms->Add("Uncompressed", std::make_unique<TIEPDFBooleanObject>(true));
        parms->Add("EncodedByteAlign", std::make_unique<TIEPDFBooleanObject>(false));
        parms->Add("EndOfBlock", std::make_unique<TIEPDFBooleanObject>(false));
        d.Add("DecodeParms", std::move(parms));
        break;
      }
      case kLZW:
        image->Data = EncodePageLZW(Bitmap, lzw, local_abort);
        d.Add("Filter", Name("LZWDecode"));
        break;
      default:
        // kNone, and values outside the table: the rows as they stand.
        image->Data = MonoRows(Bitmap);
        break;
    }
    d.Add("ColorSpace", Name("DeviceGray"));
    d.Add("BitsPerComponent", Number(1));
  } else {
    if (Params.PdfCompression == kJPEG) {
      TMemoryStream jpeg;
      WritePageJPEG(&jpeg, Bitmap, Params, Progress);
      const auto* b = static_cast<const uint8_t*>(jpeg.Memory());
      image->Data.assign(b, b + jpeg.Size());
      d.Add("Filter", Name("DCTDecode"));
      d.Add("ColorSpace", Name(PageJPEGIsGrey(Params) ? "DeviceGray" : "DeviceRGB"));
    } else if (LZWWhenCoded(Params.PdfCompression, lzw) == kLZW) {
      bool memory_abort = false;
      image->Data = EncodePageLZW(Bitmap, lzw, memory_abort);
      d.Add("Filter", Name("LZWDecode"));
      d.Add("ColorSpace", Name("DeviceRGB"));
    } else {
      // Red first, as PDF keeps its samples.
      image->Data.resize(static_cast<size_t>(w) * 3 * static_cast<size_t>(h));
      for (int32_t y = 0; y < h; ++y)
        CopySwapRedBlue(reinterpret_cast<TRGB*>(&image->Data[static_cast<size_t>(y) * w * 3]),
                        reinterpret_cast<const TRGB*>(Bitmap->GetScanline(y)), w);
      d.Add("ColorSpace", Name("DeviceRGB"));
    }
    d.Add("BitsPerComponent", Number(8));
  }
  Bitmap->UnmapRows();
  d.Insert(0, "Type", Name("XObject"));
  d.Insert(1, "Subtype", Name("Image"));
  d.Add("Width", Number(w));
  d.Add("Height", Number(h));
  PDFAddObject(Document.Objects, image.get());
  const TIEPDFStreamObject& placed = *image;
  Document.Images.push_back(std::move(image));
  const size_t k = Document.Images.size();

  int32_t sw = 0, sh = 0;
  FitProportional(w, h, Params.PdfPaperWidth, Params.PdfPaperHeight, sw, sh);
  const std::string text = "q\n" + std::to_string(sw) + " 0 0 " + std::to_string(sh) + " 0 " +
                           std::to_string(Params.PdfPaperHeight - sh) + " cm\n/lm" + std::to_string(k) +
                           " Do\nQ";
  auto contents = std::make_unique<TIEPDFStreamObject>(text.data(), static_cast<int64_t>(text.size()));
  PDFAddObject(Document.Objects, contents.get());
  const int32_t contents_number = contents->ObjectNumber;
  Document.Contents.push_back(std::move(contents));

  if (auto* x = dynamic_cast<TIEPDFDictionaryObject*>(Document.Resources->Find("XObject")))
    x->Add("lm" + std::to_string(k), std::make_unique<TIEPDFRefObject>(placed.ObjectNumber, 0));
  auto box = std::make_unique<TIEPDFArrayObject>();
  for (int32_t v : {0, 0, Params.PdfPaperWidth, Params.PdfPaperHeight}) box->Add(Number(v));
  PDFAddPage(Document.Objects, Document.Pages, Document.Resources.get(), contents_number, std::move(box));
}

void ClosePDFStream(std::unique_ptr<TIEPDFDocument> Document, TStream* Stream, TIOParamsVals& Params) {
  if (!Document) return;
  auto tree = PDFAddPages(Document->Objects, Document->Pages);
  TIEPDFDictionaryObject info;
  const std::pair<const char*, const std::string*> texts[] = {
      {"Title", &Params.PdfTitle},       {"Author", &Params.PdfAuthor},   {"Subject", &Params.PdfSubject},
      {"Keywords", &Params.PdfKeywords}, {"Creator", &Params.PdfCreator}, {"Producer", &Params.PdfProducer}};
  for (const auto& [key, value] : texts)
    if (!value->empty()) info.Add(key, TextString(*value));
  info.Add("CreationDate", std::make_unique<TIEPDFStringObject>(CreationDate()));
  PDFAddObject(Document->Objects, &info);
  DocumentView view(Stream);
  PDFWriteHeader(&view);
  PDFWriteObjects(&view, Document->Objects);
  PDFWriteXrefAndTrailer(&view, Document->Objects, &info);
}

void WritePDFStream(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
  auto doc = CreatePDFDocument();
  WritePDFPage(*doc, Bitmap, Params, Progress);
  ClosePDFStream(std::move(doc), Stream, Params);
}

TIEFormatHandler PDFFormatHandler() {
  TIEFormatHandler h;
  h.TypeId = ieftPDF;
  // A picture without pixels makes no page.
  h.Write = [](TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, TIOProgressRec& Progress) {
    if (Bitmap->Width() <= 0 || Bitmap->Height() <= 0) return Progress.Abort();
    WritePDFStream(Stream, Bitmap, Params, Progress);
  };
  h.SaveFormats = PixelFormatBit(ieRGB24) | PixelFormatBit(ieMono1);
  return h;
}
