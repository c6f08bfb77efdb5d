#include "imaging/io/TIOParamsVals.h"

#include "imaging/io/ExifBlock.h"
#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEView.h"
#include "rtl/Clock.h"
#include "rtl/Numeric.h"

TIOParamsVals::TIOParamsVals(TImagoIO* Owner) : owner_(Owner) { ResetAllDefaults(); }

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::SetDpiX(int32_t Value) {
  dpi_x_ = Value;
  exif_x_resolution_ = Value;
  if (owner_ && owner_->AttachedImago()) owner_->AttachedImago()->SetDpiX(Value);
}

void TIOParamsVals::SetDpiY(int32_t Value) {
  dpi_y_ = Value;
  exif_y_resolution_ = Value;
  if (owner_ && owner_->AttachedImago()) owner_->AttachedImago()->SetDpiY(Value);
}

void TIOParamsVals::SetEXIFXResolution(double Value) {
  SetDpiX(static_cast<int32_t>(Trunc(Value)));
  exif_x_resolution_ = Value;
}

void TIOParamsVals::SetEXIFYResolution(double Value) {
  SetDpiY(static_cast<int32_t>(Trunc(Value)));
  exif_y_resolution_ = Value;
}

void TIOParamsVals::SetImageIndex(int32_t Value) {
  ImageIndex = TiffImageIndex = DcxImageIndex = GifImageIndex = IcoImageIndex = CurImageIndex =
      Value;
}

void TIOParamsVals::SetImageCount(int32_t Value) {
  ImageCount = DcxImageCount = AviFrameCount = GifImageCount = MediaFileFrameCount = Value;
}

void TIOParamsVals::SetLoadEmbeddedThumbnail(bool Value) {
  TiffGetThumbnail = JpegGetThumbnail = Value;
}

void TIOParamsVals::ResetEXIF() {
  // Every EXIF field back to its cleared value; the rest is kept.
  const TIOParamsFields cleared;
  EXIFHasData = 0;
  EXIFThumbnail.reset();
  EXIFImageDescription = cleared.EXIFImageDescription;
  EXIFMake = cleared.EXIFMake;
  EXIFModel = cleared.EXIFModel;
  EXIFResolutionUnit = 0;
  EXIFSoftware.clear();
  EXIFArtist.clear();
  EXIFDateTime.clear();
  EXIFWhitePoint = {};
  EXIFPrimaryChromaticities = {};
  EXIFYCbCrCoefficients = {};
  EXIFYCbCrPositioning = 0;
  EXIFReferenceBlackWhite = {};
  EXIFCopyright.clear();
  EXIFExposureTime = EXIFFNumber = 0;
  EXIFExposureProgram = 0;
  EXIFISOSpeedRatings = {};
  EXIFExifVersion.clear();
  EXIFFlashPixVersion.clear();
  EXIFDateTimeOriginal.clear();
  EXIFDateTimeDigitized.clear();
  EXIFCompressedBitsPerPixel = EXIFShutterSpeedValue = EXIFApertureValue = EXIFBrightnessValue =
      EXIFExposureBiasValue = EXIFMaxApertureValue = EXIFSubjectDistance = 0;
  EXIFMeteringMode = EXIFLightSource = EXIFFlash = 0;
  EXIFFocalLength = 0;
  EXIFSubsecTime.clear();
  EXIFSubsecTimeOriginal.clear();
  EXIFSubsecTimeDigitized.clear();
  EXIFColorSpace = EXIFPixelXDimension = EXIFPixelYDimension = 0;
  EXIFRelatedSoundFile.clear();
  EXIFFocalPlaneXResolution = EXIFFocalPlaneYResolution = 0;
  EXIFFocalPlaneResolutionUnit = 0;
  EXIFExposureIndex = 0;
  EXIFSensingMethod = EXIFFileSource = EXIFSceneType = 0;
  EXIFUserCommentCode.clear();
  EXIFUserComment.clear();
  EXIFXPTitle.clear();
  EXIFXPComment.clear();
  EXIFXPAuthor.clear();
  EXIFXPKeywords.clear();
  EXIFXPSubject.clear();
  EXIFMakerNote.Clear();
  EXIFMakerNote.ParseTags();
  // The APP1 marker that holds the EXIF block goes with the fields; one that
  // holds something else (an XMP packet) is not EXIF data.
  if (const int32_t i = IndexOfExifMarker(JpegMarkerList); i >= 0) JpegMarkerList.DeleteMarker(i);
}

void TIOParamsVals::ResetPerLoad() {
  IPTCInfoList.Clear();
  imaging_annot_.reset();
  JpegMarkerList.Clear();
  ResetEXIF();
  GifComments.clear();
  PngTextKeys.clear();
  PngTextValues.clear();
  PxmComments.clear();
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  TgaDescriptor.clear();
  TgaAuthor.clear();
  TgaImageName.clear();
  input_icc_.reset();
}

void TIOParamsVals::ResetAllDefaults() {
  // Every field to its default, except those that the reset leaves alone.
  const int32_t width = Width, height = Height;
  const int32_t warning_total = JpegWarningTotal, warning_code = JpegWarningCode;
  const int32_t media_count = MediaFileFrameCount, media_delay = MediaFileFrameDelay;
  static_cast<TIOParamsFields&>(*this) = TIOParamsFields();
  Width = width;
  Height = height;
  JpegWarningTotal = warning_total;
  JpegWarningCode = warning_code;
  MediaFileFrameCount = media_count;
  MediaFileFrameDelay = media_delay;
  SetDpiX(DefaultDpiX);
  SetDpiY(DefaultDpiY);
  TgaDate = Date();
  JpegMarkerList.Clear();
  IPTCInfoList.Clear();
  ResetEXIF();
  input_icc_.reset();
  default_icc_.reset();
}

TIEICC* TIOParamsVals::GetInputICCProfile() {
  if (!input_icc_) input_icc_ = std::make_unique<TIEICC>();
  return input_icc_.get();
}

TIEImagingAnnot* TIOParamsVals::ImagingAnnot() {
  if (!imaging_annot_) imaging_annot_ = std::make_unique<TIEImagingAnnot>();
  return imaging_annot_.get();
}

TIEICC* TIOParamsVals::GetDefaultICCProfile() {
  if (!default_icc_) {
    default_icc_ = std::make_unique<TIEICC>();
    default_icc_->LoadSRGB();
  }
  return default_icc_.get();
}

void TIOParamsVals::Assign(const TIOParamsVals* Source) {
  if (!Source || Source == this) return;
  static_cast<TIOParamsFields&>(*this) = static_cast<const TIOParamsFields&>(*Source);
  // Through the setters, so that the owner's view follows.
  SetDpiX(Source->DpiX());
  SetDpiY(Source->DpiY());
  exif_x_resolution_ = Source->exif_x_resolution_;
  exif_y_resolution_ = Source->exif_y_resolution_;
  SetImageIndex(Source->ImageIndex);
  TiffImageIndex = Source->TiffImageIndex;
  DcxImageIndex = Source->DcxImageIndex;
  GifImageIndex = Source->GifImageIndex;
  IcoImageIndex = Source->IcoImageIndex;
  CurImageIndex = Source->CurImageIndex;
  if (Source->EXIFThumbnail) {
    if (!EXIFThumbnail) EXIFThumbnail = std::make_unique<TIEBitmap>();
    EXIFThumbnail->Assign(Source->EXIFThumbnail.get());
  }
  EXIFMakerNote.Assign(Source->EXIFMakerNote);
  JpegMarkerList.Assign(&Source->JpegMarkerList);
  IPTCInfoList.Assign(&Source->IPTCInfoList);
  auto copy_profile = [](std::unique_ptr<TIEICC>& to, const std::unique_ptr<TIEICC>& from) {
    if (!from) return to.reset();
    if (!to) to = std::make_unique<TIEICC>();
    to->Assign(from.get());
  };
  copy_profile(input_icc_, Source->input_icc_);
  copy_profile(default_icc_, Source->default_icc_);
  if (Source->imaging_annot_) ImagingAnnot()->Assign(Source->imaging_annot_.get());
  else imaging_annot_.reset();
}

void TIOParamsVals::AssignCompressionInfo(const TIOParamsVals* Source) {
  if (!Source) return;
  BitsPerSample = Source->BitsPerSample;
  SamplesPerPixel = Source->SamplesPerPixel;
  TiffCompression = Source->TiffCompression;
  TiffPhotometric = Source->TiffPhotometric;
  TiffPlanarConfig = Source->TiffPlanarConfig;
  SetTiffOrientation(Source->TiffOrientation());
  TiffEnableAdjustOrientation = Source->TiffEnableAdjustOrientation;
  TiffJpegQuality = Source->TiffJpegQuality;
  TiffJpegColorSpace = Source->TiffJpegColorSpace;
  TiffFillOrder = Source->TiffFillOrder;
  GifInterlaced = Source->GifInterlaced;
  JpegColorSpace = Source->JpegColorSpace;
  JpegQuality = Source->JpegQuality;
  JpegDCTMethod = Source->JpegDCTMethod;
  JpegOptimalHuffman = Source->JpegOptimalHuffman;
  JpegSmooth = Source->JpegSmooth;
  JpegProgressive = Source->JpegProgressive;
  J2000ColorSpace = Source->J2000ColorSpace;
  J2000Rate = Source->J2000Rate;
  J2000ProgressionOrder = Source->J2000ProgressionOrder;
  PcxVersion = Source->PcxVersion;
  PcxCompression = Source->PcxCompression;
  BmpVersion = Source->BmpVersion;
  BmpCompression = Source->BmpCompression;
  PngInterlaced = Source->PngInterlaced;
  PngFilter = Source->PngFilter;
  PngCompression = Source->PngCompression;
  TgaCompressed = Source->TgaCompressed;
  TgaGrayLevel = Source->TgaGrayLevel;
}
