#include "imaging/io/IEFormats.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/formats/BMP.h"
#include "imaging/io/formats/GIF.h"
#include "imaging/io/formats/ICO.h"
#include "imaging/io/formats/J2000.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/Metafile.h"
#include "imaging/io/formats/PCX.h"
#include "imaging/io/formats/PDF.h"
#include "imaging/io/formats/PNG.h"
#include "imaging/io/formats/PS.h"
#include "imaging/io/formats/PXM.h"
#include "imaging/io/formats/RawPixels.h"
#include "imaging/io/formats/TGA.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/io/raw/CameraRAW.h"
#include "rtl/FileUtils.h"
#include "rtl/StrUtils.h"
#include "rtl/TStream.h"

namespace {

// The marks of a built-in entry: what the format can do, not how.
void ReadMark(TStream*, TIEBitmap*, TIOParamsVals&, bool, TIOProgressRec&) {}
void WriteMark(TStream*, TIEBitmap*, TIOParamsVals&, TIOProgressRec&) {}
bool TestMark(TStream*, int32_t) { return false; }

struct BuiltinEntry {
  int32_t id;
  const char* description;
  const char* extensions;
  uint16_t pages;
  bool readable;
  bool writable;
};

// In registration order; lookups take the first match.
constexpr BuiltinEntry kBuiltinEntries[] = {
    {ieftTIFF, "TIFF Bitmap", "TIF;TIFF;FAX;G3N;G3F;XIF", ieppTIFF, true, true},
    {ieftGIF, "CompuServe Bitmap", "GIF", ieppGIF, true, true},
    {ieftJPEG, "JPEG Bitmap", "JPG;JPEG;JPE;JIF", ieppJPEG, true, true},
    {ieftPCX, "PaintBrush", "PCX", ieppPCX, true, true},
    {ieftBMP, "Windows Bitmap", "BMP;DIB;RLE", ieppBMP, true, true},
    {ieftICO, "Windows Icon", "ICO", 0, true, true},
    {ieftCUR, "Windows Cursor", "CUR", 0, true, false},
    {ieftPNG, "Portable Network Graphics", "PNG", ieppPNG, true, true},
    {ieftWMF, "Windows Metafile", "WMF", 0, true, false},
    {ieftEMF, "Enhanced Windows Metafile", "EMF", 0, true, false},
    {ieftTGA, "Targa Bitmap", "TGA;TARGA;VDA;ICB;VST;PIX", ieppTGA, true, true},
    {ieftPXM, "Portable Pixmap, GrayMap, BitMap", "PXM;PPM;PGM;PBM", 0, true, true},
    {ieftWBMP, "Wireless Bitmap", "WBMP", 0, true, true},
    {ieftJP2, "JPEG2000", "JP2", ieppJ2000, true, true},
    {ieftJ2K, "JPEG2000 Code Stream", "J2K;JPC;J2C", ieppJ2000, true, true},
    {ieftPS, "PostScript Level 2", "PS;EPS", 0, false, true},
    {ieftPDF, "Adobe PDF", "PDF", 0, false, true},
    {ieftDCX, "Multipage PCX", "DCX", 0, true, true},
    {ieftRAW, "Camera RAW", "CRW;CR2;NEF;RAW;PEF;RAF;X3F;BAY;ORF;SRF;MRW;DCR", 0, true, false},
};

struct Registry {
  std::vector<std::unique_ptr<TIOFormatEntry>> entries;
  std::vector<TIEFormatHandler> handlers;

  Registry() {
    // The formats this build reads and writes itself; each later format adds
    // its handler here.
    handlers.push_back(BMPFormatHandler());
    handlers.push_back(GIFFormatHandler());
    handlers.push_back(JPEGFormatHandler());
    handlers.push_back(PNGFormatHandler());
    handlers.push_back(JP2FormatHandler());
    handlers.push_back(J2KFormatHandler());
    handlers.push_back(PSFormatHandler());
    handlers.push_back(PDFFormatHandler());
    handlers.push_back(WMFFormatHandler());
    handlers.push_back(EMFFormatHandler());
    handlers.push_back(TIFFFormatHandler());
    handlers.push_back(PXMFormatHandler());
    handlers.push_back(WBMPFormatHandler());
    handlers.push_back(TGAFormatHandler());
    handlers.push_back(PCXFormatHandler());
    handlers.push_back(DCXFormatHandler());
    handlers.push_back(ICOFormatHandler());
    handlers.push_back(CURFormatHandler());
    handlers.push_back(RawPixelsFormatHandler());
    handlers.push_back(RAWFormatHandler());

    for (const BuiltinEntry& b : kBuiltinEntries) {
      auto e = std::make_unique<TIOFormatEntry>();
      e->TypeId = b.id;
      e->Description = b.description;
      e->ExtensionList = b.extensions;
      e->IsBuiltIn = true;
      e->DialogPages = b.pages;
      // A mark says the format can be read or written; a format whose
      // operations this build lacks carries none.
      const TIEFormatHandler* h = FindHandler(b.id);
      // Metafiles have no stream reader: the component draws them from
      // their file (LoadMetafileFromFile).
      const bool metafile = b.id == ieftWMF || b.id == ieftEMF;
      e->ReadProc = b.readable && h && (h->Read || metafile) ? ReadMark : nullptr;
      e->WriteProc = b.writable && h && h->Write ? WriteMark : nullptr;
      e->TestProc = TestMark;
      entries.push_back(std::move(e));
    }
  }

  const TIEFormatHandler* FindHandler(int32_t id) const {
    for (const TIEFormatHandler& h : handlers)
      if (h.TypeId == id) return &h;
    return nullptr;
  }
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

std::vector<std::string> SplitExtensions(const std::string& List) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : List) {
    if (c == ';') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

// Restores a stream's position however the scope is left.
class PositionGuard {
 public:
  explicit PositionGuard(TStream* s) : s_(s), pos_(s->Position()) {}
  ~PositionGuard() {
    try {
      s_->SetPosition(pos_);
    } catch (...) {
    }
  }
  int64_t Start() const { return pos_; }
  void Restore() { s_->SetPosition(pos_); }

 private:
  TStream* s_;
  int64_t pos_;
};

// The stream-header tag: the bytes up to the first zero within the first
// five, else the whole 12 bytes.
std::string HeaderTag(const uint8_t* b, int64_t n) {
  for (int64_t i = 0; i < std::min<int64_t>(5, n); ++i)
    if (b[i] == 0) return std::string(reinterpret_cast<const char*>(b), static_cast<size_t>(i));
  return std::string(reinterpret_cast<const char*>(b), static_cast<size_t>(std::min<int64_t>(12, n)));
}

}  // namespace

// ---- registry

void RegisterFormat(const TIOFormatEntry& Entry) {
  auto e = std::make_unique<TIOFormatEntry>(Entry);
  if (e->Description.size() > 80) e->Description.resize(80);
  if (e->ExtensionList.size() > 80) e->ExtensionList.resize(80);
  Reg().entries.push_back(std::move(e));
}

void UnregisterFormat(int32_t TypeId) {
  auto& v = Reg().entries;
  auto it = std::find_if(v.begin(), v.end(), [&](const auto& e) { return e->TypeId == TypeId; });
  if (it != v.end()) v.erase(it);
}

const TIOFormatEntry* FindFormatInfo(int32_t TypeId) {
  for (const auto& e : Reg().entries)
    if (e->TypeId == TypeId) return e.get();
  return nullptr;
}

const TIOFormatEntry* FindFormatInfoByExtension(const std::string& Extension) {
  std::string ext = LowerCase(Extension);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  if (ext.empty()) return nullptr;
  for (const auto& e : Reg().entries)
    for (const std::string& x : SplitExtensions(e->ExtensionList))
      if (LowerCase(x) == ext) return e.get();
  return nullptr;
}

int32_t CountFormatExtensions(int32_t TypeId) {
  const TIOFormatEntry* e = FindFormatInfo(TypeId);
  return e ? static_cast<int32_t>(SplitExtensions(e->ExtensionList).size()) : 0;
}

std::string GetFormatExtension(int32_t TypeId, int32_t Index) {
  const TIOFormatEntry* e = FindFormatInfo(TypeId);
  if (!e || Index < 0) return {};
  auto list = SplitExtensions(e->ExtensionList);
  return Index < static_cast<int32_t>(list.size()) ? list[Index] : std::string();
}

int32_t FindFileTypeByExtension(const std::string& Extension) {
  const TIOFormatEntry* e = FindFormatInfoByExtension(LowerCase(Extension));
  return e ? e->TypeId : ieftUnknown;
}

int32_t FormatCount() { return static_cast<int32_t>(Reg().entries.size()); }

const TIOFormatEntry* FormatAt(int32_t Index) {
  auto& v = Reg().entries;
  return Index >= 0 && Index < static_cast<int32_t>(v.size()) ? v[Index].get() : nullptr;
}

void RegisterFormatHandler(const TIEFormatHandler& Handler) {
  auto& h = Reg().handlers;
  for (TIEFormatHandler& x : h)
    if (x.TypeId == Handler.TypeId) {
      x = Handler;
      return;
    }
  h.push_back(Handler);
}

const TIEFormatHandler* FindFormatHandler(int32_t TypeId) { return Reg().FindHandler(TypeId); }

// ---- detection

bool IsAVIStream(TStream* Stream) {
  PositionGuard guard(Stream);
  uint8_t b[12];
  if (Stream->Read(b, 12) != 12) return false;
  return std::memcmp(b, "RIFF", 4) == 0 && std::memcmp(b + 8, "AVI ", 4) == 0;
}

namespace {

int32_t DetectStream(TStream* Stream) {
  PositionGuard guard(Stream);
  const int64_t size = Stream->Size();
  uint8_t h[12] = {};
  const int64_t got = Stream->Read(h, 12);
  guard.Restore();
  const std::string tag = HeaderTag(h, got);

  if (size > 12 && got >= 12 && tag == "JFIF") return ieftJPEG;
  if (size > 13 && got >= 3 && std::memcmp(h, "GIF", 3) == 0) return ieftGIF;
  if (size > 12 && got >= 12 && tag == "PCX2") return ieftPCX;
  if (size > 4 && got >= 4 && h[0] == 'P' && h[1] == 'C' && h[2] == 'X' && h[3] == 0) return ieftPCX;
  if (size > 14 && got >= 2 && h[0] == 'B' && h[1] == 'M') return ieftBMP;
  if (size > 128 && got >= 2 && h[0] == 0x0A && h[1] <= 5) return ieftPCX;
  if (size > 12 && got >= 12 && tag == "TIFF") return ieftTIFF;

  // The formats' own tests in their fixed order; the registry's test
  // routines come before the camera-RAW test, which is last.
  struct Step {
    int32_t order;
    int32_t id;
    bool (*test)(TStream*);
  };
  std::vector<Step> steps;
  for (const TIEFormatHandler& x : Reg().handlers)
    if (x.Test) steps.push_back({x.DetectOrder, x.TypeId, x.Test});
  steps.push_back({170, ieftAVI, IsAVIStream});
  std::stable_sort(steps.begin(), steps.end(),
                   [](const Step& a, const Step& b) { return a.order < b.order; });
  constexpr int32_t kRegistryTestsOrder = 200;
  auto run = [&](const Step& s) {
    guard.Restore();
    const bool hit = s.test(Stream);
    guard.Restore();
    return hit;
  };
  for (const Step& s : steps)
    if (s.order < kRegistryTestsOrder && run(s)) return s.id;
  // The table may change while a routine runs: walk a copy of the ids.
  std::vector<std::pair<int32_t, TIETestProc>> tests;
  for (const auto& e : Reg().entries)
    if (e->TestProc) tests.emplace_back(e->TypeId, e->TestProc);
  for (const auto& [id, test] : tests) {
    guard.Restore();
    const bool hit = test(Stream, id);
    guard.Restore();
    if (hit) return id;
  }
  for (const Step& s : steps)
    if (s.order >= kRegistryTestsOrder && run(s)) return s.id;
  return ieftUnknown;
}

}  // namespace

int32_t FindStreamFormat(TStream* Stream) {
  try {
    return DetectStream(Stream);
  } catch (...) {
    return ieftUnknown;
  }
}

int32_t FindFileFormat(const std::string& FileName, bool CheckExtension) {
  if (FileName.empty()) return ieftUnknown;
  int32_t found = ieftUnknown;
  try {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    found = FindStreamFormat(&f);
  } catch (...) {
    return ieftUnknown;
  }
  const TIOFormatEntry* e = FindFormatInfoByExtension(ExtractFileExt(FileName));
  // Camera RAW files in TIFF structure.
  if (e && e->TypeId == ieftRAW && found == ieftTIFF) found = ieftRAW;
  if (!CheckExtension || found == ieftUnknown) return found;
  if (!e) return ieftUnknown;
  // An icon named as a cursor counts as a cursor, and the other way round.
  if (found == ieftICO || found == ieftCUR) return e->TypeId;
  return found == e->TypeId ? found : ieftUnknown;
}

int32_t CountFileImages(const std::string& FileName) {
  const TIOFormatEntry* e = FindFormatInfoByExtension(ExtractFileExt(FileName));
  if (!e) {
    // Not an image format: the frame count of a media file, 0 for anything
    // the video graph cannot play.
    TOwned<TImagoIO> io(new TImagoIO(nullptr));
    const int32_t frames = io->OpenMediaFile(FileName);
    io->CloseMediaFile();
    return frames;
  }
  if (!e->IsBuiltIn) return 1;
  const TIEFormatHandler* h = FindFormatHandler(e->TypeId);
  if (!h || !h->Read) return 0;
  return h->CountImages ? h->CountImages(FileName) : 1;
}

std::string DescribeImageParams(const TIOParamsVals* Params) {
  std::string s;
  const TIOFormatEntry* e = FindFormatInfo(Params->FileType);
  if (e) s = e->Description + " (" + GetFormatExtension(e->TypeId, 0) + ")";
  switch (Params->FileType) {
    case ieftTIFF: {
      static const char* const kNames[] = {" Uncompressed",     " Huffman", " Group 3 Fax",
                                           " Group 3 Fax 2D",   " Group 4 Fax", " LZW",
                                           " Jpeg v.5",         " Jpeg",    " PackBits RLE"};
      if (Params->TiffCompression <= 8) s += kNames[Params->TiffCompression];
      break;
    }
    case ieftGIF:
      if (Params->GifInterlaced) s += " Interlaced";
      break;
    case ieftJPEG: {
      static const char* const kNames[] = {"", " Gray level", " YCbCr", " CMYK", " YCbCrK"};
      if (Params->JpegColorSpace <= 4) s += kNames[Params->JpegColorSpace];
      break;
    }
    case ieftPCX:
      if (Params->PcxCompression == 0) s += " Uncompressed";
      break;
    case ieftBMP: {
      static const char* const kNames[] = {" ver.1", " ver.3", " OS/2 v.1", " OS/2 v.2"};
      if (Params->BmpVersion <= 3) s += kNames[Params->BmpVersion];
      break;
    }
    case ieftPNG:
      if (Params->PngInterlaced) s += " Interlaced";
      break;
    case ieftTGA:
      s += Params->TgaCompressed ? " Compressed" : " Uncompressed";
      break;
    case ieftJP2:
    case ieftJ2K: {
      static const char* const kNames[] = {" Gray level", " RGB", " YCbCr"};
      if (Params->J2000ColorSpace <= 2) s += kNames[Params->J2000ColorSpace];
      break;
    }
    case ieftRAW:
      s += " (" + Params->RawCamera + ")";
      break;
    default:
      break;
  }
  return s;
}
