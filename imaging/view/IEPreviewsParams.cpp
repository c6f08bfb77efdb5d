#include "imaging/view/IEPreviewsParams.h"

#include <algorithm>
#include <array>

#include "imaging/io/IEIOTypes.h"
#include "imaging/io/TIOParamsVals.h"

int32_t ClampJpegSmooth(int32_t Value) { return std::clamp(Value, 0, kJpegSmoothMax); }

// ---- TIFF compression list

namespace {

struct TCompressionItem {
  const char* Caption;
  int32_t Value;
};
constexpr std::array<TCompressionItem, 8> kTiffCompressions{{{"UNCOMPRESSED", 0},
                                                             {"CCITT1D", 1},
                                                             {"G3FAX1D", 2},
                                                             {"G3FAX2D", 3},
                                                             {"G4FAX", 4},
                                                             {"LZW", 5},
                                                             {"JPEG", 7},
                                                             {"PACKBITS", 8}}};

}  // namespace

namespace {
constexpr int32_t kLZWItem = 5;
bool HasLZW() { return DefaultTIFFLZWCompress != nullptr; }
// The list's item Index as an index of the full table.
int32_t TableIndex(int32_t Index) { return HasLZW() || Index < kLZWItem ? Index : Index + 1; }
}  // namespace

int32_t TiffCompressionItemCount() {
  return static_cast<int32_t>(kTiffCompressions.size()) - (HasLZW() ? 0 : 1);
}

const char* TiffCompressionItem(int32_t Index) {
  return Index >= 0 && Index < TiffCompressionItemCount() ? kTiffCompressions[TableIndex(Index)].Caption : "";
}

int32_t TiffCompressionToItem(int32_t Value) {
  // Without the encoder a record asking for LZW lands on the item that
  // takes LZW's place by number, as stored settings have always shown it.
  if (Value == 5 && !HasLZW()) return 6;
  for (int32_t i = 0; i < TiffCompressionItemCount(); ++i)
    if (kTiffCompressions[TableIndex(i)].Value == Value) return i;
  return 0;  // 6 (old-style JPEG) and unknown values show as uncompressed
}

int32_t TiffItemToCompression(int32_t Item) {
  return Item >= 0 && Item < TiffCompressionItemCount() ? kTiffCompressions[TableIndex(Item)].Value : 0;
}

// ---- colour choices

namespace {
constexpr std::array<TIEDepth, 5> kTiffFull{{{1, 1}, {4, 1}, {8, 1}, {16, 1}, {8, 3}}};
constexpr std::array<TIEDepth, 4> kTiffSimple{{{1, 1}, {4, 1}, {8, 1}, {8, 3}}};
// "16M (32bit)" gives the same depth as "16M": settings stored with it
// have always written 24-bit files.
constexpr std::array<TIEDepth, 5> kBmp{{{1, 1}, {4, 1}, {8, 1}, {8, 3}, {8, 3}}};
constexpr std::array<TIEDepth, 4> kPcx{{{1, 1}, {4, 1}, {8, 1}, {8, 3}}};
constexpr std::array<TIEDepth, 3> kPng{{{1, 1}, {8, 1}, {8, 3}}};
constexpr std::array<TIEDepth, 3> kJ2000{{{8, 1}, {8, 3}, {8, 3}}};

template <size_t N>
TIEDepth Pick(const std::array<TIEDepth, N>& Table, int32_t Item) {
  return Table[static_cast<size_t>(std::clamp<int32_t>(Item, 0, static_cast<int32_t>(N) - 1))];
}

int32_t OneSampleItem(int32_t Bits) {
  if (Bits == 1) return 0;
  if (Bits >= 2 && Bits <= 4) return 1;
  if (Bits >= 5 && Bits <= 8) return 2;
  return -1;
}
}  // namespace

int32_t TiffFullColorItem(int32_t Bits, int32_t Samples, int32_t Photometric) {
  int32_t item = 4;
  if (Samples == 1) {
    const int32_t one = OneSampleItem(Bits);
    if (one >= 0) item = one;
    else if (Bits == 16) item = 3;
  } else if (Samples == 3 && Bits == 8) {
    item = 4;
  }
  if (Photometric > 4) return 4;
  if (Photometric <= 1) return Bits == 1 ? 0 : 2;
  return item == 0 ? 4 : item;
}

TIEDepth TiffFullDepth(int32_t Item, int32_t Photometric) {
  if (Photometric == 5) return {8, 4};  // CMYK
  return Pick(kTiffFull, Item);
}

int32_t TiffSimpleColorItem(int32_t Bits, int32_t Samples) {
  if (Samples == 1) {
    const int32_t one = OneSampleItem(Bits);
    if (one >= 0) return one;
  }
  return 3;
}

TIEDepth TiffSimpleDepth(int32_t Item) { return Pick(kTiffSimple, Item); }

int32_t BmpColorItem(int32_t Bits, int32_t Samples, int32_t Previous) {
  if (Samples == 1 && Bits == 1) return 0;
  if (Samples == 1 && Bits == 4) return 1;
  if (Samples == 1 && Bits == 8) return 2;
  if (Samples == 3 && (Bits == 5 || Bits == 8)) return 3;
  return Previous;
}

TIEDepth BmpDepth(int32_t Item) { return Pick(kBmp, Item); }

int32_t PcxColorItem(int32_t Bits, int32_t Samples, int32_t Previous) {
  if (Samples == 1 && Bits == 1) return 0;
  if (Samples == 1 && Bits == 4) return 1;
  if (Samples == 1 && Bits == 8) return 2;
  if (Samples == 3) return 3;
  return Previous;
}

TIEDepth PcxDepth(int32_t Item) { return Pick(kPcx, Item); }

int32_t PngColorItem(int32_t Bits, int32_t Samples) {
  if (Samples == 1) return Bits == 1 ? 0 : 1;
  return 2;
}

TIEDepth PngDepth(int32_t Item) { return Pick(kPng, Item); }

TIEDepth J2000Depth(int32_t ColorSpace) { return Pick(kJ2000, ColorSpace); }

int64_t DepthColorCount(TIEDepth Depth) {
  const int32_t bits = std::clamp(Depth.Bits * Depth.Samples, 0, 62);
  return int64_t{1} << bits;
}

// ---- record <-> working copy

void ReadPreviewsWork(const TIOParamsVals& P, TIEPreviewsWork& W) {
  W.JpegQuality = std::clamp<int32_t>(P.JpegQuality, 0, 100);
  W.JpegColorSpace = std::min<uint8_t>(P.JpegColorSpace, 4);
  W.JpegDCTMethod = std::min<uint8_t>(P.JpegDCTMethod, 2);
  W.JpegOptimalHuffman = P.JpegOptimalHuffman != 0;
  W.JpegSmooth = ClampJpegSmooth(P.JpegSmooth);
  W.JpegProgressive = P.JpegProgressive != 0;
  W.J2000Rate = P.J2000Rate;
  W.J2000ColorSpace = std::min<uint8_t>(P.J2000ColorSpace, 2);
  W.TiffCompression = P.TiffCompression;
  W.TiffImageIndex = P.TiffImageIndex;
  W.TiffPhotometric = std::min<uint8_t>(P.TiffPhotometric, 7);
  W.TiffXPos = P.TiffXPos;
  W.TiffYPos = P.TiffYPos;
  W.TiffDocumentName = P.TiffDocumentName;
  W.TiffImageDescription = P.TiffImageDescription;
  W.TiffPageName = P.TiffPageName;
  W.TiffPageNumber = P.TiffPageNumber;
  W.TiffPageCount = P.TiffPageCount;
  W.GifBits = std::clamp<int32_t>(P.BitsPerSample, 1, 8);
  W.GifImageIndex = P.GifImageIndex;
  W.GifXPos = P.GifXPos;
  W.GifYPos = P.GifYPos;
  W.GifDelayTime = P.GifDelayTime;
  W.GifTransparent = P.GifTransparent != 0;
  W.GifTranspColor = P.GifTranspColor;
  W.GifInterlaced = P.GifInterlaced != 0;
  W.GifBackground = P.GifBackground;
  W.BmpCompression = P.BmpCompression ? 1 : 0;
  W.BmpColors = BmpColorItem(P.BitsPerSample, P.SamplesPerPixel, W.BmpColors);
  W.PcxCompression = P.PcxCompression ? 1 : 0;
  W.PcxColors = PcxColorItem(P.BitsPerSample, P.SamplesPerPixel, W.PcxColors);
  W.PngColors = PngColorItem(P.BitsPerSample, P.SamplesPerPixel);
  W.PngInterlaced = P.PngInterlaced != 0;
  W.PngBackground = P.PngBackground;
  W.PngFilter = std::min<uint8_t>(P.PngFilter, 2);
  W.PngCompression = std::clamp<int32_t>(P.PngCompression, 0, 9);
  W.TgaColors = PngColorItem(P.BitsPerSample, P.SamplesPerPixel);
  W.TgaBackground = P.TgaBackground;
  W.TgaCompressed = P.TgaCompressed != 0;
  W.TgaName = P.TgaImageName;
  W.TgaDescription = P.TgaDescriptor;
  W.BitsPerSample = P.BitsPerSample;
  W.SamplesPerPixel = P.SamplesPerPixel;
}

int32_t PreviewsPageFileType(TIEPreviewsPage Page) {
  switch (Page) {
    case ppJPEG1:
    case ppJPEG2: return ieftJPEG;
    case ppTIFF1:
    case ppTIFF2: return ieftTIFF;
    case ppGIF1:
    case ppGIF2: return ieftGIF;
    case ppBMP: return ieftBMP;
    case ppPCX: return ieftPCX;
    case ppPNG: return ieftPNG;
    case ppTGA: return ieftTGA;
    case ppJ2000: return ieftJ2K;
    default: return ieftUnknown;
  }
}

void WritePreviewsWork(TIEPreviewsPage Page, const TIEPreviewsWork& W, TIOParamsVals& P) {
  auto set_depth = [&P](TIEDepth d) {
    P.BitsPerSample = d.Bits;
    P.SamplesPerPixel = d.Samples;
  };
  switch (Page) {
    case ppJPEG1:
    case ppJPEG2:
      P.JpegQuality = W.JpegQuality;
      P.JpegColorSpace = W.JpegColorSpace;
      P.JpegDCTMethod = W.JpegDCTMethod;
      P.JpegOptimalHuffman = W.JpegOptimalHuffman;
      P.JpegSmooth = ClampJpegSmooth(W.JpegSmooth);
      P.JpegProgressive = W.JpegProgressive;
      break;
    case ppTIFF1:
    case ppTIFF2:
      P.TiffCompression = W.TiffCompression;
      P.SetImageIndex(W.TiffImageIndex);
      P.TiffPhotometric = W.TiffPhotometric;
      P.TiffXPos = W.TiffXPos;
      P.TiffYPos = W.TiffYPos;
      P.TiffDocumentName = W.TiffDocumentName;
      P.TiffImageDescription = W.TiffImageDescription;
      P.TiffPageName = W.TiffPageName;
      P.TiffPageNumber = W.TiffPageNumber;
      P.TiffPageCount = W.TiffPageCount;
      P.SamplesPerPixel = W.SamplesPerPixel;
      P.BitsPerSample = W.BitsPerSample;
      break;
    case ppGIF1:
    case ppGIF2:
      P.SetImageIndex(W.GifImageIndex);
      P.GifXPos = W.GifXPos;
      P.GifYPos = W.GifYPos;
      P.GifDelayTime = W.GifDelayTime;
      P.GifTransparent = W.GifTransparent;
      P.GifTranspColor = W.GifTranspColor;
      P.GifInterlaced = W.GifInterlaced;
      P.GifBackground = W.GifBackground;
      P.BitsPerSample = W.GifBits;
      break;
    case ppBMP:
      P.BmpCompression = W.BmpCompression;
      set_depth(BmpDepth(W.BmpColors));
      break;
    case ppPCX:
      P.PcxCompression = W.PcxCompression;
      set_depth(PcxDepth(W.PcxColors));
      break;
    case ppPNG:
      set_depth(PngDepth(W.PngColors));
      P.PngBackground = W.PngBackground;
      P.PngInterlaced = W.PngInterlaced;
      P.PngFilter = W.PngFilter;
      P.PngCompression = W.PngCompression;
      break;
    case ppTGA:
      set_depth(PngDepth(W.TgaColors));
      P.TgaBackground = W.TgaBackground;
      P.TgaCompressed = W.TgaCompressed;
      P.TgaImageName = W.TgaName;
      P.TgaDescriptor = W.TgaDescription;
      break;
    case ppJ2000:
      set_depth(J2000Depth(W.J2000ColorSpace));
      P.J2000ColorSpace = W.J2000ColorSpace;
      P.J2000Rate = W.J2000Rate;
      break;
    default: return;
  }
  P.FileType = PreviewsPageFileType(Page);
}
