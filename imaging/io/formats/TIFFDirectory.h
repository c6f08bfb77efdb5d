// The image file directory of a TIFF page as loaded, the access operations
// on its entries, and the page state the reader fills from it. Every count
// and offset is checked against the stream before it is used: an entry
// whose data lies beyond the stream reads as much as the stream holds.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/formats/TIFFLZW.h"
#include "imaging/model/IEPixelTypes.h"

class TStream;
class TIEMask;
class TIOParamsVals;

// Field types of the entries and their sizes in bytes.
struct TIFFType {
  enum : uint16_t {
    BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, SBYTE = 6,
    UNDEFINED = 7, SSHORT = 8, SLONG = 9, SRATIONAL = 10, FLOAT = 11, DOUBLE = 12
  };
};
int32_t TIFFTypeSize(uint16_t Type);

struct TTIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  // The value field as stored and as a 32-bit number in the file's order.
  uint8_t Raw[4]{};
  uint32_t Value = 0;
};

class TTIFFDirectory {
 public:
  TTIFFDirectory(TStream* Stream, int64_t Base, bool BigEndian);

  // Loads the directory at Base + Offset; false when not even its entry
  // count is there. Entries cut by the end of the stream are dropped.
  bool Load(int64_t Offset);

  std::vector<TTIFFEntry> Entries;
  bool BigEndian() const { return big_endian_; }
  int64_t Base() const { return base_; }
  TStream* Stream() const { return stream_; }

  int32_t FindTIFFTag(uint16_t Tag) const;
  bool Has(uint16_t Tag) const { return FindTIFFTag(Tag) >= 0; }
  const TTIFFEntry* Entry(uint16_t Tag) const;
  // The first value of a numeric entry; Default when absent.
  int64_t GetTIFFTagInt(uint16_t Tag, int64_t Default) const;
  double GetTIFFTagRational(uint16_t Tag) const { return GetTIFFTagRationalItem(Tag, 0); }
  double GetTIFFTagRationalItem(uint16_t Tag, uint32_t Index) const;
  // Element Index of a BYTE, SHORT or LONG array; 0 beyond its end.
  uint32_t GetTIFFTagItem(uint16_t Tag, uint32_t Index) const;
  // Every element of a BYTE, SHORT or LONG entry that the stream holds.
  std::vector<uint32_t> GetTIFFTagArray(uint16_t Tag) const;
  // The entry's bytes as stored (count x type size), as far as they exist.
  std::vector<uint8_t> GetTIFFTagData(uint16_t Tag) const;
  // ASCII text without its terminating zero.
  std::string GetTIFFTagString(uint16_t Tag) const;
  // UTF-16 little-endian text of the Windows XP tags.
  std::u16string GetTIFFTagWideString(uint16_t Tag) const;

  uint16_t U16(const uint8_t* p) const;
  uint32_t U32(const uint8_t* p) const;

 private:
  // Bytes of the entry's data: the value field, or read at its offset.
  std::vector<uint8_t> Bytes(const TTIFFEntry& e, uint64_t MaxBytes) const;

  TStream* stream_;
  int64_t base_;
  bool big_endian_;
};

// The tags of one page with their defaults.
struct TTIFFVars {
  int32_t ImageWidth = 0, ImageLength = 0;
  int32_t SamplesPerPixel = 1;
  int32_t BitsPerSample = 1;
  int32_t RowsPerStrip = 0;
  int32_t TileWidth = -1, TileLength = -1;
  int32_t PhotometricInterpretation = 2;
  int32_t PlanarConfiguration = 1;
  int32_t Orientation = 1;
  int32_t Compression = 1;
  int32_t Predictor = 1;
  int32_t ResolutionUnit = 2;
  double XResolution = 0, YResolution = 0;
  int32_t T4Options = 0, T6Options = 0;
  int32_t FillOrder = 1;
  double XPosition = 0, YPosition = 0;
  std::string DocumentName, ImageDescription, PageName, Software, Artist;
  int32_t PageNumber[2]{0, 0};
  int32_t JPEGProc = 0;
  int64_t JPEGInterchangeFormat = 0, JPEGInterchangeFormatLength = 0;
  int32_t ExtraSamples = 0;
  // YCbCr pages: chroma subsampling across and down, the luma coefficients
  // of red, green and blue, and the code ranges of Y, Cb and Cr.
  int32_t YCbCrSubsampling[2]{2, 2};
  double YCbCrCoefficients[3]{0.299, 0.587, 0.114};
  double ReferenceBlackWhite[6]{0, 255, 128, 255, 128, 255};
  std::vector<uint32_t> StripOffsets, StripByteCounts;
  std::vector<uint32_t> TileOffsets, TileByteCounts;
  std::vector<uint8_t> JPEGTables;
  // Palette entries as blue, green, red.
  std::vector<TRGB> Palette;

  bool BigEndian = false;
  // The LZW decoder of the page (the params' routine, else the default).
  TTIFFLZWDecompressProc LZWDecompress = nullptr;
  TIOParamsVals* Params = nullptr;
  TIEMask* AlphaMask = nullptr;
  bool ReadAlpha = false;
};
