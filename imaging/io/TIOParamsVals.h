// TIOParamsVals: the file parameters of the current image for every format:
// the common description (size, resolution, samples, file name and type),
// the options that readers fill and writers obey, and the EXIF field set.
// Each TImagoIO owns one; resolution changes reach its attached view.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/formats/GIFLZW.h"
#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/IEPixelTypes.h"
#include "imaging/model/TIEICC.h"
#include "imaging/model/TIEImagingAnnot.h"
#include "imaging/model/TIEIPTCInfoList.h"
#include "imaging/model/TIEMarkerList.h"
#include "imaging/model/TIETagsHandler.h"
#include "rtl/TObject.h"

class TIEBitmap;
class TImagoIO;

// The plain fields, grouped so that a record can be copied whole; the
// resolution and orientation pairs are kept behind their setters.
struct TIOParamsFields {
  // ---- common description
  int32_t BitsPerSample = 8;
  std::string FileName;
  int32_t SamplesPerPixel = 3;
  int32_t Width = 0, Height = 0;
  int32_t FileType = 0;
  int32_t ImageIndex = 0;
  int32_t ImageCount = 0;

  // ---- TIFF
  uint8_t TiffGetThumbnail = 0;
  uint8_t TiffCompression = 0;
  int32_t TiffImageIndex = 0;
  uint8_t TiffPhotometric = 2;
  int32_t TiffPlanarConfig = 1;
  int32_t TiffXPos = 0, TiffYPos = 0;
  std::string TiffDocumentName, TiffImageDescription, TiffPageName;
  int32_t TiffPageNumber = -1, TiffPageCount = -1;
  uint8_t TiffEnableAdjustOrientation = 0;
  int32_t TiffJpegQuality = 80;
  uint8_t TiffJpegColorSpace = 2;
  int32_t DcxImageCount = 0;
  int32_t TiffFillOrder = 1;
  // The LZW routines of this record's TIFF reads and writes; null falls
  // back on the installed defaults.
  TTIFFLZWDecompressProc TiffLZWDecompress = DefaultTIFFLZWDecompress;
  TTIFFLZWCompressProc TiffLZWCompress = DefaultTIFFLZWCompress;
  int32_t DcxImageIndex = 0;

  // ---- GIF
  std::string GifVersion = "GIF89a";
  int32_t GifImageIndex = 0;
  int32_t GifXPos = 0, GifYPos = 0;
  int32_t GifDelayTime = 0;
  uint8_t GifTransparent = 0;
  TRGB GifTranspColor{0, 0, 0};
  uint8_t GifInterlaced = 0;
  int32_t GifWinWidth = 0, GifWinHeight = 0;
  TRGB GifBackground{0, 0, 0};
  int32_t GifRatio = 0;
  std::vector<std::string> GifComments;
  uint8_t GifAction = 2;
  int32_t GifImageCount = 0;
  // The LZW routines of this record's GIF reads and writes; null falls back
  // on the installed defaults.
  TGIFLZWDecompressProc GifLZWDecompress = DefaultGIFLZWDecompress;
  TGIFLZWCompressProc GifLZWCompress = DefaultGIFLZWCompress;

  // ---- JPEG
  uint8_t JpegColorSpace = 2;
  int32_t JpegQuality = 80;
  uint8_t JpegDCTMethod = 0;
  uint8_t JpegOptimalHuffman = 0;
  int32_t JpegSmooth = 0;
  uint8_t JpegProgressive = 0;
  uint8_t JpegScale = 1;
  int32_t JpegScaleUsed = 1;
  int32_t JpegWarningTotal = 0, JpegWarningCode = 0;
  int32_t JpegOriginalWidth = 0, JpegOriginalHeight = 0;
  uint8_t EnableAdjustOrientation = 0;
  uint8_t JpegGetThumbnail = 0;

  // ---- JPEG-2000, PCX, BMP
  uint8_t J2000ColorSpace = 1;
  double J2000Rate = 1.0;
  uint8_t J2000ProgressionOrder = 0;
  int32_t PcxVersion = 5;
  uint8_t PcxCompression = 1;
  // 0 version 1, 1 version 3, 2 OS/2 version 1, 3 OS/2 version 2.
  uint8_t BmpVersion = 1;
  // 0 none, 1 run-length.
  uint8_t BmpCompression = 0;

  // ---- ICO, CUR, PNG, Targa
  int32_t IcoImageIndex = 0;
  TRGB IcoBackground{255, 255, 255};
  int32_t CurImageIndex = 0;
  int32_t CurXHotSpot = 0, CurYHotSpot = 0;
  TRGB CurBackground{255, 255, 255};
  uint8_t PngInterlaced = 0;
  TRGB PngBackground{0, 0, 0};
  uint8_t PngFilter = 0;
  int32_t PngCompression = 5;
  std::vector<std::string> PngTextKeys, PngTextValues;
  int32_t TgaXPos = 0, TgaYPos = 0;
  uint8_t TgaCompressed = 1;
  std::string TgaDescriptor, TgaAuthor;
  double TgaDate = 0;
  std::string TgaImageName;
  TRGB TgaBackground{0, 0, 0};
  double TgaAspectRatio = 1.0;
  double TgaGamma = 2.2;
  uint8_t TgaGrayLevel = 0;
  std::vector<std::string> PxmComments;

  // ---- EXIF field set
  uint8_t EXIFHasData = 0;
  std::string EXIFImageDescription, EXIFMake, EXIFModel;
  int32_t EXIFResolutionUnit = 0;
  std::string EXIFSoftware, EXIFArtist, EXIFDateTime;
  std::array<double, 2> EXIFWhitePoint{};
  std::array<double, 6> EXIFPrimaryChromaticities{};
  std::array<double, 3> EXIFYCbCrCoefficients{};
  int32_t EXIFYCbCrPositioning = 0;
  std::array<double, 6> EXIFReferenceBlackWhite{};
  std::string EXIFCopyright;
  double EXIFExposureTime = 0, EXIFFNumber = 0;
  int32_t EXIFExposureProgram = 0;
  std::array<int32_t, 2> EXIFISOSpeedRatings{};
  std::string EXIFExifVersion, EXIFFlashPixVersion;
  std::string EXIFDateTimeOriginal, EXIFDateTimeDigitized;
  double EXIFCompressedBitsPerPixel = 0, EXIFShutterSpeedValue = 0, EXIFApertureValue = 0,
         EXIFBrightnessValue = 0, EXIFExposureBiasValue = 0, EXIFMaxApertureValue = 0,
         EXIFSubjectDistance = 0;
  int32_t EXIFMeteringMode = 0, EXIFLightSource = 0, EXIFFlash = 0;
  double EXIFFocalLength = 0;
  std::string EXIFSubsecTime, EXIFSubsecTimeOriginal, EXIFSubsecTimeDigitized;
  int32_t EXIFColorSpace = 0, EXIFPixelXDimension = 0, EXIFPixelYDimension = 0;
  std::string EXIFRelatedSoundFile;
  double EXIFFocalPlaneXResolution = 0, EXIFFocalPlaneYResolution = 0;
  int32_t EXIFFocalPlaneResolutionUnit = 0;
  double EXIFExposureIndex = 0;
  int32_t EXIFSensingMethod = 0, EXIFFileSource = 0, EXIFSceneType = 0;
  std::string EXIFUserCommentCode, EXIFUserComment;
  std::u16string EXIFXPTitle, EXIFXPComment, EXIFXPAuthor, EXIFXPKeywords, EXIFXPSubject;

  // ---- video, PostScript, PDF
  int32_t AviFrameCount = 0, AviFrameDelay = 0;
  int32_t MediaFileFrameCount = 0, MediaFileFrameDelay = 0;
  int32_t PsPaperWidth = 595, PsPaperHeight = 842;
  uint8_t PsCompression = 1;
  std::string PsTitle = "No Title";
  int32_t PdfPaperWidth = 595, PdfPaperHeight = 842;
  uint8_t PdfCompression = 2;
  std::string PdfTitle, PdfAuthor, PdfSubject, PdfKeywords, PdfCreator, PdfProducer;

  // ---- camera RAW and headerless raw pixels
  uint8_t RawHalfSize = 0;
  double RawGamma = 0.6, RawBright = 1.0, RawRedScale = 1.0, RawBlueScale = 1.0;
  std::array<uint8_t, 4> RawOptions{1, 0, 0, 0};
  std::string RawCamera;
  uint8_t RawGetPreview = 0;
  uint8_t RawMatchThumbnailColors = 0;
  uint8_t RawPixelsBGR = 0;
  uint8_t RawPixelsPlanar = 0;
  int32_t RawPixelsRowAlign = 8;
  int32_t RawPixelsHeaderSize = 0;

  uint8_t IsNativePixelFormat = 0;

  // ---- palette of the file as read (entries blue, green, red)
  std::vector<TRGB> ColorMap;

  // ---- icon sizes to write; the list ends at the first non-positive width
  std::array<std::array<int32_t, 2>, 16> IcoSizes{{{64, 64}}};
  std::array<int32_t, 16> IcoBitCount{8};

 protected:
  int32_t dpi_x_ = 300, dpi_y_ = 300;
  double exif_x_resolution_ = 300, exif_y_resolution_ = 300;
  int32_t orientation_ = 1;
};

class TIOParamsVals : public TObject, public TIOParamsFields {
 public:
  explicit TIOParamsVals(TImagoIO* Owner);
  ~TIOParamsVals() override;

  TImagoIO* Owner() const { return owner_; }

  int32_t DpiX() const { return dpi_x_; }
  int32_t DpiY() const { return dpi_y_; }
  // Also set the EXIF resolutions and tell the owner's view.
  void SetDpiX(int32_t Value);
  void SetDpiY(int32_t Value);
  int32_t TiffOrientation() const { return orientation_; }
  int32_t EXIFOrientation() const { return orientation_; }
  double EXIFXResolution() const { return exif_x_resolution_; }
  double EXIFYResolution() const { return exif_y_resolution_; }
  // Set DpiX / DpiY with the integer part.
  void SetEXIFXResolution(double Value);
  void SetEXIFYResolution(double Value);

  std::unique_ptr<TIEBitmap> EXIFThumbnail;
  // The maker note's directory.
  TIETagsHandler EXIFMakerNote;

  // ---- metadata holders
  // JPEG markers read (the first APP0 excepted) and to be written.
  TIEMarkerList JpegMarkerList;
  TIEIPTCInfoList IPTCInfoList;
  // The profile found in the file: created empty on first use.
  TIEICC* GetInputICCProfile();
  bool HasInputICCProfile() const { return input_icc_ != nullptr; }
  void FreeInputICCProfile() { input_icc_.reset(); }
  // The profile colour conversion converts to: created on first use as sRGB.
  TIEICC* GetDefaultICCProfile();
  // The TIFF imaging annotations: created on first use.
  TIEImagingAnnot* ImagingAnnot();
  bool HasImagingAnnot() const { return imaging_annot_ != nullptr; }

  int32_t ColorMapCount() const { return static_cast<int32_t>(ColorMap.size()); }
  void FreeColorMap() { ColorMap.clear(); }

  // ---- setters that keep related fields equal
  void SetTiffOrientation(int32_t Value) { orientation_ = Value; }
  void SetEXIFOrientation(int32_t Value) { orientation_ = Value; }
  void SetImageIndex(int32_t Value);
  void SetImageCount(int32_t Value);
  void SetLoadEmbeddedThumbnail(bool Value);
  void SetLoadRAWPreview(bool Value) { RawGetPreview = Value; }

  // The three resets, each a superset of the one before.
  void ResetEXIF();
  void ResetPerLoad();
  void ResetAllDefaults();

  void Assign(const TIOParamsVals* Source);
  // Only what a writer needs to write like Source.
  void AssignCompressionInfo(const TIOParamsVals* Source);

 private:
  TImagoIO* owner_;
  std::unique_ptr<TIEICC> input_icc_, default_icc_;
  std::unique_ptr<TIEImagingAnnot> imaging_annot_;
};
