#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "imaging/io/IEReadLimits.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/JPEG.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/io/formats/TIFFDecode.h"
#include "imaging/io/formats/FormatFields.h"
#include "imaging/io/formats/TIFFDirectory.h"
#include "imaging/io/formats/TIFFMakerNote.h"
#include "imaging/io/formats/TIFFTags.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEICC.h"
#include "imaging/model/TIEMask.h"
#include "rtl/ByteOrder.h"
#include "rtl/Numeric.h"
#include "rtl/TStream.h"

namespace {

// Chains longer than this are taken as damaged.
constexpr int32_t kMaxPages = 65536;
// Largest thumbnail page.
constexpr int32_t kMaxThumbnailSide = 400;

using formats::ReadExact;

struct Header {
  bool big_endian = false;
  uint32_t first_ifd = 0;
};

bool ReadHeader(TStream* s, Header& h) {
  uint8_t b[8];
  if (!ReadExact(s, b, 8)) return false;
  if (b[0] == 'I' && b[1] == 'I') h.big_endian = false;
  else if (b[0] == 'M' && b[1] == 'M') h.big_endian = true;
  else return false;
  h.first_ifd = h.big_endian ? LoadBE32(b + 4) : LoadLE32(b + 4);
  return true;
}

// Walks the directory chain from the header; loads page Wanted into Dir.
// Returns the number of directories; a chain that returns to any directory
// it visited before ends there.
int32_t WalkChain(TTIFFDirectory& dir, uint32_t first, int32_t wanted, bool& loaded) {
  TStream* s = dir.Stream();
  const int64_t size = s->Size();
  const int64_t base = dir.Base();
  std::unordered_set<int64_t> visited;
  int64_t at = base + first;
  int32_t pages = 0;
  loaded = false;
  while (pages < kMaxPages && at >= base + 8 && at < size && visited.insert(at).second) {
    uint8_t b[4];
    s->SetPosition(at);
    if (!ReadExact(s, b, 2)) break;
    const uint16_t n = dir.U16(b);
    if (n == 0) break;
    if (pages == wanted) loaded = dir.Load(at - base);
    ++pages;
    const int64_t next_pos = at + 2 + int64_t{n} * 12;
    if (next_pos >= size) break;
    s->SetPosition(next_pos);
    if (!ReadExact(s, b, 4)) break;
    at = base + dir.U32(b);
  }
  return pages;
}

// Palette of tag 320: 2^bits entries as far as the tag holds them (at most
// 256); values are bytes when they all are, else their high bytes.
std::vector<TRGB> ReadPalette(const TTIFFDirectory& dir, int32_t bits) {
  std::vector<TRGB> pal;
  if (bits < 1 || bits > 8) return pal;
  const std::vector<uint32_t> v = dir.GetTIFFTagArray(TIFFTag::ColorMap);
  const size_t n = std::min<size_t>(size_t{1} << bits, v.size() / 3);
  if (n == 0) return pal;
  // With fewer values than 3 x 2^bits, green and blue start where the tag
  // puts them: a third of the way each.
  const size_t third = v.size() / 3;
  uint32_t largest = 0;
  for (size_t i = 0; i < n; ++i) largest = std::max({largest, v[i], v[third + i], v[2 * third + i]});
  const int32_t shift = largest < 256 ? 0 : 8;
  pal.resize(n);
  for (size_t i = 0; i < n; ++i)
    pal[i] = MakeRGBTriple(static_cast<uint8_t>(v[i] >> shift), static_cast<uint8_t>(v[third + i] >> shift),
                           static_cast<uint8_t>(v[2 * third + i] >> shift));
  return pal;
}

void ReadExifFields(const TTIFFDirectory& d, const TTIFFDirectory* x, TIOParamsVals& p) {
  p.EXIFMake = d.GetTIFFTagString(TIFFTag::Make);
  p.EXIFModel = d.GetTIFFTagString(TIFFTag::Model);
  p.EXIFDateTime = d.GetTIFFTagString(TIFFTag::DateTime);
  p.EXIFImageDescription = d.GetTIFFTagString(TIFFTag::ImageDescription);
  if (d.Has(TIFFTag::XResolution)) p.SetEXIFXResolution(d.GetTIFFTagRational(TIFFTag::XResolution));
  if (d.Has(TIFFTag::YResolution)) p.SetEXIFYResolution(d.GetTIFFTagRational(TIFFTag::YResolution));
  p.EXIFResolutionUnit = static_cast<int32_t>(d.GetTIFFTagInt(TIFFTag::ResolutionUnit, 0));
  p.EXIFSoftware = d.GetTIFFTagString(TIFFTag::Software);
  p.EXIFArtist = d.GetTIFFTagString(TIFFTag::Artist);
  p.EXIFXPTitle = d.GetTIFFTagWideString(TIFFTag::XPTitle);
  p.EXIFXPComment = d.GetTIFFTagWideString(TIFFTag::XPComment);
  p.EXIFXPAuthor = d.GetTIFFTagWideString(TIFFTag::XPAuthor);
  p.EXIFXPKeywords = d.GetTIFFTagWideString(TIFFTag::XPKeywords);
  p.EXIFXPSubject = d.GetTIFFTagWideString(TIFFTag::XPSubject);
  for (uint32_t i = 0; i < 2; ++i) p.EXIFWhitePoint[i] = d.GetTIFFTagRationalItem(TIFFTag::WhitePoint, i);
  for (uint32_t i = 0; i < 6; ++i)
    p.EXIFPrimaryChromaticities[i] = d.GetTIFFTagRationalItem(TIFFTag::PrimaryChromaticities, i);
  for (uint32_t i = 0; i < 3; ++i)
    p.EXIFYCbCrCoefficients[i] = d.GetTIFFTagRationalItem(TIFFTag::YCbCrCoefficients, i);
  p.EXIFYCbCrPositioning = static_cast<int32_t>(d.GetTIFFTagInt(TIFFTag::YCbCrPositioning, 0));
  for (uint32_t i = 0; i < 6; ++i)
    p.EXIFReferenceBlackWhite[i] = d.GetTIFFTagRationalItem(TIFFTag::ReferenceBlackWhite, i);
  p.EXIFCopyright = d.GetTIFFTagString(TIFFTag::Copyright);
  if (!x) return;
  auto i32 = [&](uint16_t t) { return static_cast<int32_t>(x->GetTIFFTagInt(t, 0)); };
  auto rat = [&](uint16_t t) { return x->GetTIFFTagRational(t); };
  p.EXIFExposureTime = rat(TIFFTag::ExposureTime);
  p.EXIFFNumber = rat(TIFFTag::FNumber);
  p.EXIFExposureProgram = i32(TIFFTag::ExposureProgram);
  p.EXIFISOSpeedRatings[0] = static_cast<int32_t>(x->GetTIFFTagItem(TIFFTag::ISOSpeedRatings, 0));
  p.EXIFISOSpeedRatings[1] = static_cast<int32_t>(x->GetTIFFTagItem(TIFFTag::ISOSpeedRatings, 1));
  auto version = [&](uint16_t t) {
    const TTIFFEntry* e = x->Entry(t);
    if (!e) return std::string();
    std::string s(reinterpret_cast<const char*>(e->Raw), 4);
    const size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return s;
  };
  p.EXIFExifVersion = version(TIFFTag::ExifVersion);
  p.EXIFDateTimeOriginal = x->GetTIFFTagString(TIFFTag::DateTimeOriginal);
  p.EXIFDateTimeDigitized = x->GetTIFFTagString(TIFFTag::DateTimeDigitized);
  p.EXIFCompressedBitsPerPixel = rat(TIFFTag::CompressedBitsPerPixel);
  p.EXIFShutterSpeedValue = rat(TIFFTag::ShutterSpeedValue);
  p.EXIFApertureValue = rat(TIFFTag::ApertureValue);
  p.EXIFBrightnessValue = rat(TIFFTag::BrightnessValue);
  p.EXIFExposureBiasValue = rat(TIFFTag::ExposureBiasValue);
  p.EXIFMaxApertureValue = rat(TIFFTag::MaxApertureValue);
  p.EXIFSubjectDistance = rat(TIFFTag::SubjectDistance);
  p.EXIFMeteringMode = i32(TIFFTag::MeteringMode);
  p.EXIFLightSource = i32(TIFFTag::LightSource);
  p.EXIFFlash = i32(TIFFTag::Flash);
  p.EXIFFocalLength = rat(TIFFTag::FocalLength);
  p.EXIFSubsecTime = x->GetTIFFTagString(TIFFTag::SubsecTime);
  p.EXIFSubsecTimeOriginal = x->GetTIFFTagString(TIFFTag::SubsecTimeOriginal);
  p.EXIFSubsecTimeDigitized = x->GetTIFFTagString(TIFFTag::SubsecTimeDigitized);
  p.EXIFFlashPixVersion = version(TIFFTag::FlashPixVersion);
  p.EXIFColorSpace = i32(TIFFTag::ColorSpace);
  p.EXIFPixelXDimension = i32(TIFFTag::PixelXDimension);
  p.EXIFPixelYDimension = i32(TIFFTag::PixelYDimension);
  p.EXIFRelatedSoundFile = x->GetTIFFTagString(TIFFTag::RelatedSoundFile);
  p.EXIFFocalPlaneXResolution = rat(TIFFTag::FocalPlaneXResolution);
  p.EXIFFocalPlaneYResolution = rat(TIFFTag::FocalPlaneYResolution);
  p.EXIFFocalPlaneResolutionUnit = i32(TIFFTag::FocalPlaneResolutionUnit);
  p.EXIFExposureIndex = rat(TIFFTag::ExposureIndex);
  p.EXIFSensingMethod = i32(TIFFTag::SensingMethod);
  p.EXIFFileSource = i32(TIFFTag::FileSource);
  p.EXIFSceneType = i32(TIFFTag::SceneType);
  const std::vector<uint8_t> uc = x->GetTIFFTagData(TIFFTag::UserComment);
  if (uc.empty()) {
    p.EXIFUserCommentCode.clear();
    p.EXIFUserComment.clear();
  } else {
    const size_t code = std::min<size_t>(8, uc.size());
    p.EXIFUserCommentCode.assign(uc.begin(), uc.begin() + static_cast<std::ptrdiff_t>(code));
    p.EXIFUserComment.assign(uc.begin() + static_cast<std::ptrdiff_t>(code), uc.end());
    for (std::string* s : {&p.EXIFUserCommentCode, &p.EXIFUserComment}) {
      const size_t z = s->find('\0');
      if (z != std::string::npos) s->resize(z);
    }
  }
}

// A JPEG stream stored whole (old-style JPEG compression).
void ReadTIFFOldJPEG(TTIFFVars& v, TStream* s, int64_t base, TIEBitmap* bitmap, TIOProgressRec& progress) {
  int64_t start = v.JPEGInterchangeFormat;
  if (start == 0 && !v.StripOffsets.empty()) start = v.StripOffsets[0];
  // The offset is the file's word: one before the stream's start is as
  // damaged as one past its end.
  if (start < 0 || base + start < 0 || base + start >= s->Size()) return progress.Abort();
  s->SetPosition(base + start);
  const int64_t length = MeasureJPEGStream(s);
  if (length <= 0 || base + start + length > s->Size()) return progress.Abort();
  TMemoryStream m;
  m.SetSize(length);
  s->SetPosition(base + start);
  if (!ReadExact(s, m.Memory(), length)) return progress.Abort();
  m.SetPosition(0);
  TIOParamsVals temp(nullptr);
  ReadJPEGStream(&m, nullptr, bitmap, temp, progress, false, false, false, false, true);
}

// The tags of the page into V; false when they contradict themselves (a
// negative size, sample depths that differ).
bool ReadPageTags(const TTIFFDirectory& dir, TTIFFVars& v) {
  auto i32 = [&](uint16_t t, int64_t def) {
    return static_cast<int32_t>(std::clamp<int64_t>(dir.GetTIFFTagInt(t, def), INT32_MIN, INT32_MAX));
  };
  v.ImageWidth = i32(TIFFTag::ImageWidth, 0);
  v.ImageLength = i32(TIFFTag::ImageLength, 0);
  if (v.ImageWidth < 0 || v.ImageLength < 0) return false;
  v.SamplesPerPixel = i32(TIFFTag::SamplesPerPixel, 1);
  v.BitsPerSample = i32(TIFFTag::BitsPerSample, 1);
  // Only the values of the samples there are must agree: some writers list
  // a depth more than the samples (8,8,8,1 for an RGB page).
  if (const TTIFFEntry* e = dir.Entry(TIFFTag::BitsPerSample); e && e->Count > 1) {
    const std::vector<uint32_t> b = dir.GetTIFFTagArray(TIFFTag::BitsPerSample);
    const size_t used = std::min<size_t>(b.size(), static_cast<size_t>(std::max(v.SamplesPerPixel, 1)));
    for (size_t i = 0; i < used; ++i)
      if (static_cast<int32_t>(b[i]) != v.BitsPerSample) return false;
  }
  // RowsPerStrip of 0 or beyond the image (-1 among them) means one strip.
  const int64_t rps = dir.GetTIFFTagInt(TIFFTag::RowsPerStrip, v.ImageLength);
  v.RowsPerStrip = rps <= 0 || rps > v.ImageLength ? v.ImageLength : static_cast<int32_t>(rps);
  v.TileWidth = i32(TIFFTag::TileWidth, -1);
  v.TileLength = i32(TIFFTag::TileLength, -1);
  const bool has_photometric = dir.Has(TIFFTag::PhotometricInterpretation);
  v.PhotometricInterpretation = i32(TIFFTag::PhotometricInterpretation, 2);
  v.PlanarConfiguration = i32(TIFFTag::PlanarConfiguration, 1);
  v.Orientation = i32(TIFFTag::Orientation, 1);
  v.Compression = i32(TIFFTag::Compression, 1);
  v.Predictor = i32(TIFFTag::Predictor, 1);
  v.ResolutionUnit = i32(TIFFTag::ResolutionUnit, 2);
  v.XResolution = dir.GetTIFFTagRational(TIFFTag::XResolution);
  v.YResolution = dir.GetTIFFTagRational(TIFFTag::YResolution);
  v.T4Options = i32(TIFFTag::T4Options, 0);
  v.T6Options = i32(TIFFTag::T6Options, 0);
  v.FillOrder = i32(TIFFTag::FillOrder, 1);
  v.XPosition = dir.GetTIFFTagRational(TIFFTag::XPosition);
  v.YPosition = dir.GetTIFFTagRational(TIFFTag::YPosition);
  v.DocumentName = dir.GetTIFFTagString(TIFFTag::DocumentName);
  v.ImageDescription = dir.GetTIFFTagString(TIFFTag::ImageDescription);
  v.PageName = dir.GetTIFFTagString(TIFFTag::PageName);
  v.Software = dir.GetTIFFTagString(TIFFTag::Software);
  v.Artist = dir.GetTIFFTagString(TIFFTag::Artist);
  v.PageNumber[0] = static_cast<int32_t>(dir.GetTIFFTagItem(TIFFTag::PageNumber, 0));
  v.PageNumber[1] = static_cast<int32_t>(dir.GetTIFFTagItem(TIFFTag::PageNumber, 1));
  v.JPEGProc = i32(TIFFTag::JPEGProc, 0);
  v.JPEGInterchangeFormat = dir.GetTIFFTagInt(TIFFTag::JPEGInterchangeFormat, 0);
  v.JPEGInterchangeFormatLength = dir.GetTIFFTagInt(TIFFTag::JPEGInterchangeFormatLength, 0);
  v.ExtraSamples = i32(TIFFTag::ExtraSamples, 0);
  if (const TTIFFEntry* e = dir.Entry(TIFFTag::YCbCrSubSampling); e && e->Count >= 2) {
    v.YCbCrSubsampling[0] = static_cast<int32_t>(dir.GetTIFFTagItem(TIFFTag::YCbCrSubSampling, 0));
    v.YCbCrSubsampling[1] = static_cast<int32_t>(dir.GetTIFFTagItem(TIFFTag::YCbCrSubSampling, 1));
  }
  if (const TTIFFEntry* e = dir.Entry(TIFFTag::YCbCrCoefficients); e && e->Count >= 3)
    for (uint32_t i = 0; i < 3; ++i) v.YCbCrCoefficients[i] = dir.GetTIFFTagRationalItem(TIFFTag::YCbCrCoefficients, i);
  if (const TTIFFEntry* e = dir.Entry(TIFFTag::ReferenceBlackWhite); e && e->Count >= 6)
    for (uint32_t i = 0; i < 6; ++i)
      v.ReferenceBlackWhite[i] = dir.GetTIFFTagRationalItem(TIFFTag::ReferenceBlackWhite, i);
  v.StripOffsets = dir.GetTIFFTagArray(TIFFTag::StripOffsets);
  v.StripByteCounts = dir.GetTIFFTagArray(TIFFTag::StripByteCounts);
  v.TileOffsets = dir.GetTIFFTagArray(TIFFTag::TileOffsets);
  v.TileByteCounts = dir.GetTIFFTagArray(TIFFTag::TileByteCounts);
  v.JPEGTables = dir.GetTIFFTagData(TIFFTag::JPEGTables);
  v.Palette = ReadPalette(dir, v.BitsPerSample);
  // Bilevel pages written as RGB, or with no photometric at all, are
  // white-is-zero as fax software writes them.
  if (v.SamplesPerPixel == 1 && v.BitsPerSample == 1 &&
      ((v.PhotometricInterpretation == 2 && v.Compression >= 1 && v.Compression <= 4) || !has_photometric))
    v.PhotometricInterpretation = 0;
  return true;
}

// The metadata blocks a page carries: IPTC records, imaging annotations and
// an ICC profile.
void ReadMetadataBlocks(const TTIFFDirectory& dir, TIOParamsVals& p) {
  if (const std::vector<uint8_t> iptc = dir.GetTIFFTagData(TIFFTag::IPTC); !iptc.empty())
    p.IPTCInfoList.LoadFromBuffer(iptc.data(), static_cast<int64_t>(iptc.size()));
  else
    p.IPTCInfoList.Clear();
  if (const std::vector<uint8_t> annot = dir.GetTIFFTagData(TIFFTag::ImagingAnnotations); !annot.empty())
    p.ImagingAnnot()->LoadFromBuffer(annot.data(), static_cast<int64_t>(annot.size()));
  if (const std::vector<uint8_t> icc = dir.GetTIFFTagData(TIFFTag::ICCProfile); !icc.empty())
    p.GetInputICCProfile()->LoadFromBuffer(icc.data(), static_cast<int64_t>(icc.size()));
}

// What the parameters report of the page: size, samples, compression and
// photometric in the component's numbering, and the page's texts.
void SetPageParams(const TTIFFVars& v, int32_t PageCount, TIOParamsVals& p) {
  p.BitsPerSample = v.BitsPerSample;
  p.SamplesPerPixel = v.SamplesPerPixel;
  p.Width = v.ImageWidth;
  p.Height = v.ImageLength;
  p.SetImageCount(PageCount);
  p.SetTiffOrientation(v.Orientation);
  switch (v.Compression) {
    case 1: p.TiffCompression = 0; break;
    case 2: p.TiffCompression = 1; break;
    case 3: p.TiffCompression = (v.T4Options & 1) ? 3 : 2; break;
    case 4: p.TiffCompression = 4; break;
    case 5: p.TiffCompression = 5; break;
    case 6: p.TiffCompression = 6; break;
    case 7: p.TiffCompression = 7; break;
    case 32773: p.TiffCompression = 8; break;
    default: p.TiffCompression = 9; break;
  }
  if (v.PhotometricInterpretation >= 0 && v.PhotometricInterpretation <= 6)
    p.TiffPhotometric = static_cast<uint8_t>(v.PhotometricInterpretation);
  else if (v.PhotometricInterpretation == 8)
    p.TiffPhotometric = 7;
  p.TiffPlanarConfig = v.PlanarConfiguration;
  p.TiffDocumentName = v.DocumentName;
  p.TiffImageDescription = v.ImageDescription;
  p.TiffPageName = v.PageName;
  p.TiffPageNumber = v.PageNumber[0];
  p.TiffPageCount = v.PageNumber[1];
  p.TiffFillOrder = v.FillOrder;
}

// The palette, the resolution (in dots per inch; a page without one takes
// the default) and the page's position.
void SetPaletteAndPlacement(const TTIFFVars& v, TIOParamsVals& p) {
  p.FreeColorMap();
  p.ColorMap = v.Palette;
  const double f = v.ResolutionUnit == 3 ? 2.54 : 1.0;
  p.SetDpiX(static_cast<int32_t>(Trunc(v.XResolution * f)));
  p.SetDpiY(static_cast<int32_t>(Trunc(v.YResolution * f)));
  if (p.DpiX() == 0) p.SetDpiX(DefaultDpiX);
  if (p.DpiY() == 0) p.SetDpiY(DefaultDpiY);
  p.TiffXPos = static_cast<int32_t>(Trunc(v.XPosition * f));
  p.TiffYPos = static_cast<int32_t>(Trunc(v.YPosition * f));
}

// The bitmap format a page of strips or tiles is decoded into: bilevel pages
// stay one bit; native mode keeps the depths the bitmap can hold.
TIEPixelFormat PageFormat(const TTIFFVars& v, bool Native) {
  TIEPixelFormat format = ieRGB24;
  const int32_t bits = v.BitsPerSample, spp = v.SamplesPerPixel, pm = v.PhotometricInterpretation;
  if (bits == 1 && spp == 1 && pm != 3) {
    format = ieMono1;
  } else if (Native) {
    if (bits == 8 && spp == 1 && pm == 3) format = iePalette8;
    else if (bits == 8 && spp == 1 && (pm == 0 || pm == 1)) format = ieGray8;
    else if (bits == 16 && spp == 1 && (pm == 0 || pm == 1)) format = ieGray16;
    else if ((bits == 8 || bits == 16) && spp >= 4 && pm == 5) format = ieCMYK;
    else if (bits == 16 && spp == 3 && pm == 2) format = ieRGB48;
  }
  return format;
}

// Decodes a page of strips or tiles into Bitmap (and its alpha into
// AlphaMask); false when the page is refused before anything is allocated.
bool DecodeStripsAndTiles(TTIFFVars& v, TStream* Stream, int64_t base, TIEBitmap* Bitmap,
                          std::unique_ptr<TIEMask>& AlphaMask, TIOProgressRec& Progress, bool Thumbnail) {
  if (v.ImageWidth == 0 || v.ImageLength == 0) {
    Progress.Abort();
    return false;
  }
  const TIEPixelFormat format = PageFormat(v, v.Params->IsNativePixelFormat);
  // An image is allocated only when the file could code its samples.
  const int64_t image_bytes = IEImageBytes(v.ImageWidth, v.ImageLength, format, v.ReadAlpha);
  if (!IEClaimPlausible(Progress, v.ImageWidth, v.ImageLength, format, v.ReadAlpha,
                        TIFFDataCanHold(v, Stream->Size() - base, image_bytes)))
    return false;
  if (!TIFFDataYieldsPicture(v, Stream, base, image_bytes)) {
    Progress.Refuse(IEDataEndsEarlyText());
    return false;
  }
  if (v.ReadAlpha) {
    if (!AlphaMask) AlphaMask = std::make_unique<TIEMask>();
    AlphaMask->AllocateBits(v.ImageWidth, v.ImageLength, 8);
    AlphaMask->Fill(255);
    v.AlphaMask = AlphaMask.get();
  }
  Bitmap->Allocate(v.ImageWidth, v.ImageLength, format);
  if (format == iePalette8)
    for (size_t i = 0; i < v.Palette.size(); ++i)
      Bitmap->SetPaletteEntry(static_cast<int32_t>(i), v.Palette[i]);
  if (Thumbnail) Bitmap->Fill(0);
  DecodeTIFFImage(v, Stream, base, Bitmap, Progress);
  return true;
}

}  // namespace

void ReadTIFFStream(TIEBitmap* Bitmap, TStream* Stream, int32_t& PageCount, TIOParamsVals* Params,
                    TIOProgressRec& Progress, bool ParamsOnly, std::unique_ptr<TIEMask>& AlphaMask,
                    bool RelativeOffsets, bool NoAlpha, bool Thumbnail) {
  // The header and the chain: its length, and the wanted page's directory.
  const int64_t base = RelativeOffsets ? Stream->Position() : 0;
  Header h;
  if (!ReadHeader(Stream, h) || h.first_ifd == 0) return Progress.Abort();
  TTIFFDirectory dir(Stream, base, h.big_endian);
  const int32_t wanted = Params ? Params->TiffImageIndex : -1;
  bool loaded = false;
  PageCount = WalkChain(dir, h.first_ifd, wanted, loaded);
  if (!Params) return;
  if (!loaded) return Progress.Abort();
  TIOParamsVals& p = *Params;

  // The EXIF directory, when the page points to one.
  std::unique_ptr<TTIFFDirectory> exif;
  const int64_t exif_at = dir.GetTIFFTagInt(TIFFTag::ExifIFD, 0);
  if (exif_at > 0) {
    exif = std::make_unique<TTIFFDirectory>(Stream, base, h.big_endian);
    if (!exif->Load(exif_at)) exif.reset();
    p.EXIFHasData = 1;
  }

  // The page's tags, then everything the parameters report of it.
  TTIFFVars v;
  v.BigEndian = h.big_endian;
  v.Params = Params;
  if (!ReadPageTags(dir, v)) return Progress.Abort();
  ReadMetadataBlocks(dir, p);
  SetPageParams(v, PageCount, p);
  ReadExifFields(dir, exif.get(), p);
  ReadTIFFMakerNote(exif.get(), p.EXIFMakerNote);
  // Set again: the EXIF fields hold an orientation of their own.
  p.SetTiffOrientation(v.Orientation);
  SetPaletteAndPlacement(v, p);

  if ((v.ImageWidth == 0 || v.ImageLength == 0) && !Thumbnail) return Progress.Abort();
  if (v.Compression == 5) {  // LZW
    v.LZWDecompress = p.TiffLZWDecompress ? p.TiffLZWDecompress : DefaultTIFFLZWDecompress;
    if (!v.LZWDecompress) return Progress.Abort();
  }
  if (ParamsOnly) return;

  // The pixels: a whole JPEG stream, or strips and tiles.
  v.ReadAlpha = !NoAlpha && ((v.SamplesPerPixel == 4 && v.ExtraSamples == 2) ||
                             (v.SamplesPerPixel == 2 && v.BitsPerSample == 8) ||
                             (v.SamplesPerPixel == 4 && v.PhotometricInterpretation == 2));
  if (Thumbnail && (v.ImageWidth > kMaxThumbnailSide || v.ImageLength > kMaxThumbnailSide))
    return Progress.Abort();
  if ((v.Compression == 6 || v.JPEGInterchangeFormat != 0) && v.JPEGProc <= 1) {
    ReadTIFFOldJPEG(v, Stream, base, Bitmap, Progress);
  } else if (!DecodeStripsAndTiles(v, Stream, base, Bitmap, AlphaMask, Progress, Thumbnail)) {
    return;
  }
  if (Progress.IsAborting()) return;
  if (p.TiffEnableAdjustOrientation) ApplyExifOrientation(Bitmap, v.Orientation);
  // A profile that has converted rows keeps its colour transform cached for
  // the next row; the picture is done, so the transform goes.
  if (p.HasInputICCProfile() && p.GetInputICCProfile()->Applied()) p.GetInputICCProfile()->FreeTransform();
}

int32_t CountTIFFImages(TStream* Stream) {
  int32_t count = 0;
  bool aborting = false;
  TIOProgressRec progress;
  progress.Aborting = &aborting;
  std::unique_ptr<TIEMask> none;
  ReadTIFFStream(nullptr, Stream, count, nullptr, progress, true, none, true, true, false);
  return count;
}

int32_t CountTIFFFileImages(const std::string& FileName) {
  try {
    TFileStream file(FileName, fmOpenRead | fmShareDenyWrite);
    return CountTIFFImages(&file);
  } catch (const std::exception&) {
    return 0;
  }
}

bool IsTIFFStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  const int64_t size = Stream->Size();
  bool result = false;
  uint8_t b[9];
  if (size > 8 && ReadExact(Stream, b, 8)) {
    if (b[0] == 'I' && b[1] == 'I') {
      const uint32_t off = LoadLE32(b + 4);
      result = off < size;
    } else if (b[0] == 'M' && b[1] == 'M') {
      const uint32_t off = LoadBE32(b + 4);
      Stream->SetPosition(8);
      result = off < size && ReadExact(Stream, b + 8, 1) && b[8] != 0xBA;
    }
  }
  Stream->SetPosition(pos);
  return result;
}

bool IsRAWTIFFStream(TStream* Stream) {
  const int64_t pos = Stream->Position();
  bool result = false;
  Header h;
  if (ReadHeader(Stream, h)) {
    TTIFFDirectory dir(Stream, 0, h.big_endian);
    if (dir.Load(h.first_ifd)) {
      const TTIFFEntry* dng = dir.Entry(TIFFTag::DNGVersion);
      const TTIFFEntry* pm = dir.Entry(TIFFTag::PhotometricInterpretation);
      const int64_t pmv = dir.GetTIFFTagInt(TIFFTag::PhotometricInterpretation, 0);
      result = (dng && dng->Type == TIFFType::BYTE && dng->Count == 4) ||
               (pm && pm->Type == TIFFType::SHORT && pm->Count == 1 && (pmv == 32803 || pmv == 34892)) ||
               (dir.Has(TIFFTag::SubIFDs) && dir.Has(TIFFTag::TIFFEPStandardID) &&
                dir.GetTIFFTagInt(TIFFTag::ImageWidth, 0) < 200 && dir.GetTIFFTagInt(TIFFTag::ImageLength, 0) < 200);
    }
  }
  Stream->SetPosition(pos);
  return result;
}
