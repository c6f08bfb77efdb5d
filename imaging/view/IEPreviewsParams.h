// The working copy of the save parameters that the save-parameter dialog
// edits, how it is read from and written back into a parameter record, and
// the mappings between the pages' list items and the record's encodings.
// The dialog's controls show this copy; the caller's record changes only
// when the user accepts (OK or Apply).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/IEPixelTypes.h"

class TIOParamsVals;

// The tab pages: the full ("1") and simplified ("2") pages.
enum TIEPreviewsPage : uint8_t {
  ppJPEG1,
  ppJPEG2,
  ppTIFF1,
  ppTIFF2,
  ppGIF1,
  ppGIF2,
  ppBMP,
  ppPCX,
  ppPNG,
  ppTGA,
  ppJ2000,
  ppPageCount
};

struct TIEPreviewsWork {
  // JPEG
  int32_t JpegQuality = 80;
  uint8_t JpegColorSpace = 2;
  uint8_t JpegDCTMethod = 0;
  bool JpegOptimalHuffman = false;
  int32_t JpegSmooth = 0;
  bool JpegProgressive = false;
  // JPEG 2000
  double J2000Rate = 1.0;
  uint8_t J2000ColorSpace = 1;
  // TIFF
  uint8_t TiffCompression = 0;
  int32_t TiffImageIndex = 0;
  uint8_t TiffPhotometric = 2;
  int32_t TiffXPos = 0, TiffYPos = 0;
  std::string TiffDocumentName, TiffImageDescription, TiffPageName;
  int32_t TiffPageNumber = 0, TiffPageCount = 0;
  // GIF
  int32_t GifBits = 8;
  int32_t GifImageIndex = 0;
  int32_t GifXPos = 0, GifYPos = 0, GifDelayTime = 0;
  bool GifTransparent = false;
  TRGB GifTranspColor{0, 0, 0};
  bool GifInterlaced = false;
  TRGB GifBackground{0, 0, 0};
  // BMP, PCX (colour items of their lists)
  uint8_t BmpCompression = 0;
  int32_t BmpColors = 0;
  uint8_t PcxCompression = 1;
  int32_t PcxColors = 0;
  // PNG
  int32_t PngColors = 2;
  bool PngInterlaced = false;
  TRGB PngBackground{0, 0, 0};
  uint8_t PngFilter = 0;
  int32_t PngCompression = 5;
  // TGA
  int32_t TgaColors = 2;
  TRGB TgaBackground{0, 0, 0};
  bool TgaCompressed = true;
  std::string TgaName, TgaDescription;
  // colour depth of the record
  int32_t BitsPerSample = 8, SamplesPerPixel = 3;
};

// The JPEG smoothing factor the encoder accepts.
constexpr int32_t kJpegSmoothMax = 100;
int32_t ClampJpegSmooth(int32_t Value);

// Reads the record into the working copy (list items from depths as the
// pages show them).
void ReadPreviewsWork(const TIOParamsVals& Params, TIEPreviewsWork& Work);
// Writes the parameters of Page only, then the page's file type.
void WritePreviewsWork(TIEPreviewsPage Page, const TIEPreviewsWork& Work, TIOParamsVals& Params);
// The file type a page writes (JPEG 3, TIFF 1, GIF 2, BMP 5, PCX 4, PNG 8,
// TGA 11, JPEG 2000 14).
int32_t PreviewsPageFileType(TIEPreviewsPage Page);

// ---- TIFF compression list. "LZW" is listed while an LZW encoder is
// installed for the TIFF writer; without one a record asking for LZW shows
// "PACKBITS".
int32_t TiffCompressionItemCount();
const char* TiffCompressionItem(int32_t Index);
int32_t TiffCompressionToItem(int32_t Value);
int32_t TiffItemToCompression(int32_t Item);

// ---- colour choices as (bits per sample, samples per pixel)
struct TIEDepth {
  int32_t Bits, Samples;
};
// Item of the full TIFF colours list ("B/W", "16", "256", "65536", "16M").
int32_t TiffFullColorItem(int32_t Bits, int32_t Samples, int32_t Photometric);
TIEDepth TiffFullDepth(int32_t Item, int32_t Photometric);
// Simplified list ("2", "16", "256", "16777216").
int32_t TiffSimpleColorItem(int32_t Bits, int32_t Samples);
TIEDepth TiffSimpleDepth(int32_t Item);
// BMP ("B/W", "16", "256", "16M", "16M (32bit)"); Previous where the depth
// has no item.
int32_t BmpColorItem(int32_t Bits, int32_t Samples, int32_t Previous);
TIEDepth BmpDepth(int32_t Item);
// PCX ("B/W", "16", "256", "16M").
int32_t PcxColorItem(int32_t Bits, int32_t Samples, int32_t Previous);
TIEDepth PcxDepth(int32_t Item);
// PNG and TGA ("B/W", "256", "16M").
int32_t PngColorItem(int32_t Bits, int32_t Samples);
TIEDepth PngDepth(int32_t Item);
// JPEG 2000 colour space (grey, RGB, YCbCr).
TIEDepth J2000Depth(int32_t ColorSpace);
// (2^Bits)^Samples.
int64_t DepthColorCount(TIEDepth Depth);
