#include "imaging/io/ExifBlock.h"

#include <algorithm>
#include <cstring>
#include <vector>
#include <exception>
#include <mutex>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/formats/TIFF.h"
#include "imaging/model/IESharedRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEMarkerList.h"
#include "imaging/model/TIEMask.h"
#include "rtl/Exception.h"
#include "rtl/TStream.h"

namespace {

constexpr uint8_t kAPP1 = 0xE1;
// TIFF compression 6: old-style JPEG, as EXIF thumbnails are stored.
constexpr uint8_t kThumbnailCompression = 6;

std::mutex codec_lock;
// The TIFF reader and writer, until another codec is installed.
TIEExifStreamCodec& InstalledCodec() {
  static TIEExifStreamCodec codec = TIFFExifStreamCodec();
  return codec;
}

// A copy, so that a codec installed meanwhile does not change under a call.
TIEExifStreamCodec CurrentCodec() {
  std::lock_guard<std::mutex> hold(codec_lock);
  return InstalledCodec();
}

// A progress record over a flag of its own: the codec's failures are the
// block's business, not those of the load that met the block.
struct LocalProgress {
  bool aborted = false;
  TIOProgressRec rec;
  LocalProgress() { rec.Aborting = &aborted; }
};

// One read of the codec from the stream's start; false when it failed,
// whether it says so through the flag or by raising.
bool RunRead(const TIEExifStreamCodec& codec, TStream& stream, TIEBitmap* bitmap,
             TIOParamsVals& params, bool params_only) {
  LocalProgress progress;
  try {
    stream.SetPosition(0);
    codec.Read(&stream, bitmap, params, progress.rec, params_only);
  } catch (const std::exception&) {
    return false;
  }
  return !progress.aborted;
}

// The turn that takes an upright picture back to how an orientation says
// it is stored: the quarter turns undo each other, every other orientation
// undoes itself.
int32_t StoredOrientation(int32_t Orientation) {
  switch (Orientation) {
    case 6: return 8;
    case 8: return 6;
    case 2: case 3: case 4: case 5: case 7: return Orientation;
    default: return 1;
  }
}

}  // namespace

void SetExifStreamCodec(TIEExifStreamCodec Codec) {
  std::lock_guard<std::mutex> hold(codec_lock);
  InstalledCodec() = std::move(Codec);
}

TIEExifStreamCodec ExifStreamCodec() { return CurrentCodec(); }

bool IsExifBlock(const uint8_t* Buffer, int32_t Length) {
  // "Exif" before the first zero byte; the sixth byte is padding.
  return Buffer && Length >= kExifHeaderLength && std::memcmp(Buffer, "Exif", 5) == 0;
}

int32_t IndexOfExifMarker(const TIEMarkerList& Markers) {
  // Told apart by the name alone: a cut block is still the EXIF marker (and
  // goes with a reset of the fields); an XMP packet begins with its URI.
  for (int32_t i = 0; i < Markers.GetCount(); ++i)
    if (Markers.GetMarkerType(i) == kAPP1 && Markers.GetMarkerLength(i) >= 4 &&
        std::memcmp(Markers.GetMarkerData(i), "Exif", 4) == 0)
      return i;
  return -1;
}

bool ParseExifBlock(const uint8_t* Buffer, int32_t Length, TIOParamsVals& Params) {
  if (!IsExifBlock(Buffer, Length)) return false;
  const TIEExifStreamCodec codec = CurrentCodec();
  if (!codec.Read) return false;

  TMemoryStream stream;
  stream.WriteBuffer(Buffer + kExifHeaderLength, Length - kExifHeaderLength);

  // The parameters first, into a record of their own. A stream the reader
  // cannot make sense of is no EXIF data: the record's defaults must not
  // pass for the camera's values.
  TIOParamsVals fresh(nullptr);
  if (!RunRead(codec, stream, nullptr, fresh, true)) return false;
  CopyExifFields(fresh, Params);
  Params.EXIFHasData = 1;

  // Then the thumbnail: the stream's second page.
  if (!Params.EXIFThumbnail) Params.EXIFThumbnail = std::make_unique<TIEBitmap>();
  TIEBitmap* thumbnail = Params.EXIFThumbnail.get();
  thumbnail->FreeImage(true);
  fresh.SetImageIndex(1);
  // Half a thumbnail is worse than none: whoever asks for it gets the image.
  if (!RunRead(codec, stream, thumbnail, fresh, false)) thumbnail->FreeImage(true);
  if (!thumbnail->IsEmpty()) ApplyExifOrientation(thumbnail, Params.TiffOrientation());
  return true;
}

bool BuildExifBlock(TIOParamsVals& Params, std::vector<uint8_t>& Out) {
  Out.clear();
  const TIEExifStreamCodec codec = CurrentCodec();
  if (!codec.Write) return false;

  TMemoryStream stream;
  LocalProgress progress;
  try {
    codec.Write(&stream, false, nullptr, Params, progress.rec);
    TIEBitmap* thumbnail = Params.EXIFThumbnail.get();
    if (!progress.aborted && thumbnail && !thumbnail->IsEmpty()) {
      TIOParamsVals page(nullptr);
      page.SetImageIndex(1);
      page.TiffCompression = kThumbnailCompression;
      stream.SetPosition(0);
      // The thumbnail was turned upright when the block was read; it is
      // stored as the orientation says the picture is stored, or readers
      // would turn it once more.
      const int32_t stored = StoredOrientation(Params.EXIFOrientation());
      if (stored == 1) {
        codec.Write(&stream, true, thumbnail, page, progress.rec);
      } else {
        TIEBitmap turned;
        turned.Assign(thumbnail);
        ApplyExifOrientation(&turned, stored);
        codec.Write(&stream, true, &turned, page, progress.rec);
      }
    }
  } catch (const std::exception&) {
    return false;
  }
  if (progress.aborted || stream.Size() == 0) return false;

  const auto* tiff = static_cast<const uint8_t*>(stream.Memory());
  Out.reserve(static_cast<size_t>(kExifHeaderLength + stream.Size()));
  Out.assign({'E', 'x', 'i', 'f', 0, 0});
  Out.insert(Out.end(), tiff, tiff + stream.Size());
  return true;
}

int64_t FindTiffHeader(TStream* Stream) {
  constexpr int64_t kSearched = 131072;
  const int64_t start = Stream->Position(), size = Stream->Size();
  std::vector<uint8_t> b(static_cast<size_t>(std::clamp<int64_t>(size - start, 0, kSearched)));
  int64_t got = 0;
  while (got < static_cast<int64_t>(b.size())) {
    const int64_t k = Stream->Read(b.data() + got, static_cast<int64_t>(b.size()) - got);
    if (k <= 0) break;
    got += k;
  }
  Stream->SetPosition(start);
  for (int64_t i = 0; i + 8 <= got; ++i) {
    const uint8_t* p = &b[static_cast<size_t>(i)];
    const bool mm = p[0] == 'M' && p[1] == 'M';
    if (!mm && !(p[0] == 'I' && p[1] == 'I')) continue;
    const uint32_t magic = mm ? p[2] << 8 | p[3] : p[3] << 8 | p[2];
    const uint32_t offset = mm ? static_cast<uint32_t>(p[4]) << 24 | p[5] << 16 | p[6] << 8 | p[7]
                               : static_cast<uint32_t>(p[7]) << 24 | p[6] << 16 | p[5] << 8 | p[4];
    if (static_cast<int32_t>(offset) >= 0 && offset < size &&
        (magic == 42 || magic == 0x4F52 || magic == 0x5352))
      return i;
  }
  return -1;
}

bool ReadExifFromTiffStream(TStream* Stream, TIOParamsVals& Params) {
  const int64_t start = Stream->Position();
  TIOParamsVals fresh(nullptr);
  if (!Params.EXIFThumbnail) Params.EXIFThumbnail = std::make_unique<TIEBitmap>();
  TIEBitmap* thumbnail = Params.EXIFThumbnail.get();
  thumbnail->FreeImage(true);
  auto read = [&](TIEBitmap* bitmap, bool params_only) {
    LocalProgress progress;
    int32_t pages = 0;
    std::unique_ptr<TIEMask> alpha;
    Stream->SetPosition(start);
    try {
      ReadTIFFStream(bitmap, Stream, pages, &fresh, progress.rec, params_only, alpha, true, true, true);
    } catch (const std::exception&) {
      return false;
    }
    return !progress.aborted;
  };
  read(nullptr, true);
  CopyExifFields(fresh, Params);
  Params.EXIFHasData = 1;
  // Page 0 of a camera file is mostly the picture itself, beyond a
  // thumbnail's size: then page 1 is the thumbnail.
  auto all_zero = [](TIEBitmap* b) {
    for (int32_t y = 0; y < b->Height(); ++y) {
      const uint8_t* row = b->GetScanline(y);
      for (int64_t i = 0; i < b->RowLen(); ++i)
        if (row[i]) return false;
    }
    return true;
  };
  fresh.SetImageIndex(0);
  if (!read(thumbnail, false) || thumbnail->IsEmpty() || all_zero(thumbnail)) {
    thumbnail->FreeImage(true);
    fresh.SetImageIndex(1);
    if (!read(thumbnail, false) || thumbnail->IsEmpty() || all_zero(thumbnail)) thumbnail->FreeImage(true);
  }
  Stream->SetPosition(start);
  return true;
}

void CopyExifFields(const TIOParamsVals& Source, TIOParamsVals& Target) {
  const TIOParamsVals& s = Source;
  TIOParamsVals& t = Target;
  t.EXIFImageDescription = s.TiffImageDescription;
  t.EXIFMake = s.EXIFMake;
  t.EXIFModel = s.EXIFModel;
  t.SetEXIFOrientation(s.EXIFOrientation());
  t.SetEXIFXResolution(s.EXIFXResolution());
  t.SetEXIFYResolution(s.EXIFYResolution());
  t.EXIFResolutionUnit = s.EXIFResolutionUnit;
  t.EXIFSoftware = s.EXIFSoftware;
  t.EXIFArtist = s.EXIFArtist;
  t.EXIFDateTime = s.EXIFDateTime;
  t.EXIFCopyright = s.EXIFCopyright;
  t.EXIFWhitePoint = s.EXIFWhitePoint;
  t.EXIFPrimaryChromaticities = s.EXIFPrimaryChromaticities;
  t.EXIFYCbCrCoefficients = s.EXIFYCbCrCoefficients;
  t.EXIFYCbCrPositioning = s.EXIFYCbCrPositioning;
  t.EXIFReferenceBlackWhite = s.EXIFReferenceBlackWhite;
  t.EXIFXPTitle = s.EXIFXPTitle;
  t.EXIFXPComment = s.EXIFXPComment;
  t.EXIFXPAuthor = s.EXIFXPAuthor;
  t.EXIFXPKeywords = s.EXIFXPKeywords;
  t.EXIFXPSubject = s.EXIFXPSubject;
  // The EXIF sub-directory.
  t.EXIFExposureTime = s.EXIFExposureTime;
  t.EXIFFNumber = s.EXIFFNumber;
  t.EXIFExposureProgram = s.EXIFExposureProgram;
  t.EXIFISOSpeedRatings = s.EXIFISOSpeedRatings;
  t.EXIFExifVersion = s.EXIFExifVersion;
  t.EXIFFlashPixVersion = s.EXIFFlashPixVersion;
  t.EXIFDateTimeOriginal = s.EXIFDateTimeOriginal;
  t.EXIFDateTimeDigitized = s.EXIFDateTimeDigitized;
  t.EXIFCompressedBitsPerPixel = s.EXIFCompressedBitsPerPixel;
  t.EXIFShutterSpeedValue = s.EXIFShutterSpeedValue;
  t.EXIFApertureValue = s.EXIFApertureValue;
  t.EXIFBrightnessValue = s.EXIFBrightnessValue;
  t.EXIFExposureBiasValue = s.EXIFExposureBiasValue;
  t.EXIFMaxApertureValue = s.EXIFMaxApertureValue;
  t.EXIFSubjectDistance = s.EXIFSubjectDistance;
  t.EXIFMeteringMode = s.EXIFMeteringMode;
  t.EXIFLightSource = s.EXIFLightSource;
  t.EXIFFlash = s.EXIFFlash;
  t.EXIFFocalLength = s.EXIFFocalLength;
  t.EXIFSubsecTime = s.EXIFSubsecTime;
  t.EXIFSubsecTimeOriginal = s.EXIFSubsecTimeOriginal;
  t.EXIFSubsecTimeDigitized = s.EXIFSubsecTimeDigitized;
  t.EXIFColorSpace = s.EXIFColorSpace;
  t.EXIFPixelXDimension = s.EXIFPixelXDimension;
  t.EXIFPixelYDimension = s.EXIFPixelYDimension;
  t.EXIFRelatedSoundFile = s.EXIFRelatedSoundFile;
  t.EXIFFocalPlaneXResolution = s.EXIFFocalPlaneXResolution;
  t.EXIFFocalPlaneYResolution = s.EXIFFocalPlaneYResolution;
  t.EXIFFocalPlaneResolutionUnit = s.EXIFFocalPlaneResolutionUnit;
  t.EXIFExposureIndex = s.EXIFExposureIndex;
  t.EXIFSensingMethod = s.EXIFSensingMethod;
  t.EXIFFileSource = s.EXIFFileSource;
  t.EXIFSceneType = s.EXIFSceneType;
  t.EXIFUserCommentCode = s.EXIFUserCommentCode;
  t.EXIFUserComment = s.EXIFUserComment;
  t.EXIFMakerNote.Assign(s.EXIFMakerNote);
}
