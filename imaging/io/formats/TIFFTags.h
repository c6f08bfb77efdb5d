// The tag numbers of TIFF directories that the page reader, the page writer
// and the maker-note code use: the baseline and extension tags of TIFF 6.0,
// the EXIF 2.2 directory, the Windows XP text tags and the few private tags
// (IPTC block, imaging annotations, ICC profile, digital-negative version)
// that pages carry.
#pragma once

#include <cstdint>

struct TIFFTag {
  enum : uint16_t {
    NewSubfileType = 254,
    ImageWidth = 256, ImageLength = 257, BitsPerSample = 258, Compression = 259,
    PhotometricInterpretation = 262, FillOrder = 266, DocumentName = 269, ImageDescription = 270,
    Make = 271, Model = 272, StripOffsets = 273, Orientation = 274, SamplesPerPixel = 277,
    RowsPerStrip = 278, StripByteCounts = 279, XResolution = 282, YResolution = 283,
    PlanarConfiguration = 284, PageName = 285, XPosition = 286, YPosition = 287, T4Options = 292,
    T6Options = 293, ResolutionUnit = 296, PageNumber = 297, Software = 305, DateTime = 306,
    Artist = 315, Predictor = 317, WhitePoint = 318, PrimaryChromaticities = 319, ColorMap = 320,
    TileWidth = 322, TileLength = 323, TileOffsets = 324, TileByteCounts = 325, CleanFaxData = 327,
    SubIFDs = 330, ExtraSamples = 338, JPEGTables = 347, JPEGProc = 512, JPEGInterchangeFormat = 513,
    JPEGInterchangeFormatLength = 514, YCbCrCoefficients = 529, YCbCrSubSampling = 530,
    YCbCrPositioning = 531, ReferenceBlackWhite = 532, ImagingAnnotations = 32932, Copyright = 33432,
    ExposureTime = 33434, FNumber = 33437, IPTC = 33723, ExifIFD = 34665, ICCProfile = 34675,
    ExposureProgram = 34850, ISOSpeedRatings = 34855, ExifVersion = 36864, DateTimeOriginal = 36867,
    DateTimeDigitized = 36868, CompressedBitsPerPixel = 37122, ShutterSpeedValue = 37377,
    ApertureValue = 37378, BrightnessValue = 37379, ExposureBiasValue = 37380,
    MaxApertureValue = 37381, SubjectDistance = 37382, MeteringMode = 37383, LightSource = 37384,
    Flash = 37385, FocalLength = 37386, TIFFEPStandardID = 37398, MakerNote = 37500, UserComment = 37510,
    SubsecTime = 37520, SubsecTimeOriginal = 37521, SubsecTimeDigitized = 37522,
    XPTitle = 40091, XPComment = 40092, XPAuthor = 40093, XPKeywords = 40094, XPSubject = 40095,
    FlashPixVersion = 40960, ColorSpace = 40961, PixelXDimension = 40962,
    PixelYDimension = 40963, RelatedSoundFile = 40964, FocalPlaneXResolution = 41486,
    FocalPlaneYResolution = 41487, FocalPlaneResolutionUnit = 41488, ExposureIndex = 41493,
    SensingMethod = 41495, FileSource = 41728, SceneType = 41729, DNGVersion = 50706
  };
};
