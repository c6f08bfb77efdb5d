// The state of one camera-RAW decoding: every step of the decoder
// (identification, container parsers, loaders, colour steps, output) works
// on one TIERawContext that lives for one call, so decodings share nothing.
// Also the context's stream helpers: reads in the file's byte order that
// give zero past the end, and the decoder's error texts.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/io/IEIOTypes.h"
#include "rtl/Exception.h"

class TStream;
struct TIERawContext;

using TIERawLoader = void (*)(TIERawContext& Ctx);

// A node of a Huffman tree: a leaf when Branch[0] is null.
struct TIERawHuffNode {
  TIERawHuffNode* Branch[2] = {nullptr, nullptr};
  int32_t Leaf = 0;
};

constexpr int32_t kRawDecodeNodes = 2048;
constexpr uint16_t kRawIntel = 0x4949;     // "II", little-endian
constexpr uint16_t kRawMotorola = 0x4D4D;  // "MM", big-endian
// The most directory entries one TIFF walk reads over all its directories,
// sub-directories and maker notes.
constexpr int64_t kTiffMaxEntries = 8192;

struct TIERawContext {
  // Working image: IHeight x IWidth pixels of four 16-bit samples.
  std::vector<std::array<uint16_t, 4>> Image;
  TStream* Stream = nullptr;
  int64_t StreamSize = 0;
  uint16_t ByteOrder = kRawIntel;
  std::string Make, Model, Model2;
  int64_t DataOffset = 0;
  int64_t CurveOffset = 0;
  int32_t CurveLength = 0;
  int32_t Compression = 0, Photometric = 0;
  int32_t RawHeight = 0, RawWidth = 0;
  int32_t TopMargin = 0, LeftMargin = 0;
  int32_t Height = 0, Width = 0;
  int32_t Colors = 3;
  int32_t Black = 0;
  int32_t RgbMax = 0x4000;
  int32_t IHeight = 0, IWidth = 0, Shrink = 0;
  bool IsCanon = false, IsCmy = false, IsFoveon = false, UseCoeff = false;
  int32_t Trim = 0;
  int32_t YMag = 1;
  bool ZeroAfterFF = false;
  uint32_t Filters = 0;
  uint16_t White[8][8] = {};
  TIERawLoader LoadRaw = nullptr;
  float Gamma = 0.6f, Bright = 1.0f, RedScale = 1.0f, BlueScale = 1.0f;
  bool FourColorRGB = false, UseAutoWB = true, UseCameraWB = false;
  float CameraRed = 0, CameraBlue = 0;
  float PreMul[4] = {1, 1, 1, 1};
  float Coeff[3][4] = {};
  uint32_t Histogram[8192] = {};
  uint8_t JpegBuffer[4096] = {};
  uint32_t Pad[128] = {};
  uint32_t PadIndex = 0;
  uint32_t BitBuffer = 0;
  int32_t BitCount = 0;
  int32_t LeafCount = 0;
  int32_t RadcSource = 0;
  TIERawHuffNode* RadcTrees[18] = {};
  int32_t RadcCursor = 0;
  TIERawHuffNode DecodeNodes[kRawDecodeNodes];
  TIERawHuffNode* SecondTree = nullptr;
  int32_t FreeNode = 0;
  bool FujiRotate = false;
  TIOProgressRec Progress;
  double ProgressScale = 0;
  // Directory entries a TIFF walk may still read (see the container parsers).
  int64_t EntryBudget = kTiffMaxEntries;
};

// Colour of the mosaic cell at (Row, Col).
inline int32_t FilterColor(const TIERawContext& Ctx, int32_t Row, int32_t Col) {
  return static_cast<int32_t>((Ctx.Filters >> ((((Row << 1) & 14) + (Col & 1)) << 1)) & 3);
}

// The working sample of the mosaic cell at (Row, Col) of the active area.
// Cells outside the working image go to a scratch sample, so that a loader
// driven by damaged geometry cannot write past the image.
uint16_t& MosaicSample(TIERawContext& Ctx, int32_t Row, int32_t Col);
// Sample C of working pixel (Row, Col); a scratch sample outside the image.
uint16_t& ImageSample(TIERawContext& Ctx, int32_t Row, int32_t Col, int32_t C);

// ---- stream access in the file's byte order; past the end reads give 0
uint8_t RawGetByte(TIERawContext& Ctx);
uint16_t GetWord(TIERawContext& Ctx);
uint32_t GetLong(TIERawContext& Ctx);
// Bytes really read; the rest of Buffer is zeroed.
int64_t RawRead(TIERawContext& Ctx, void* Buffer, int64_t Count);
// A position before 0 goes to the end of the stream.
void RawSeek(TIERawContext& Ctx, int64_t Position);
void RawSkip(TIERawContext& Ctx, int64_t Count);
int64_t RawTell(TIERawContext& Ctx);
// A zero-terminated string of at most Length bytes read from the stream
// (the stream moves by Length).
std::string RawReadString(TIERawContext& Ctx, int32_t Length);

// ---- progress of the loader running: Rows of them, reported per row
void RawStartProgress(TIERawContext& Ctx, int32_t Rows);
// Reports the row and, when the caller has asked to stop, leaves the
// decoding with TIERawCancelled.
void RawRowProgress(TIERawContext& Ctx, int32_t Row);
void RawReportProgress(TIERawContext& Ctx, int32_t Percent);

// Leaves a decoding the caller stopped (its abort flag set); the decoder's
// entry catches it, so it never reaches the caller.
struct TIERawCancelled {};
// Throws TIERawCancelled when the caller's abort flag is set: checked for
// each row of the loaders and the steps after them, so that a large picture
// stops at once.
void RawCheckAbort(const TIERawContext& Ctx);

// ---- errors that leave the decoder as exceptions
[[noreturn]] void RawOutOfMemory(const char* Routine);
// Sizes Buffer to Count elements of Value; a failed allocation (or a count
// no vector can hold) raises the out-of-memory error naming Routine.
template <typename T>
void RawAllocate(std::vector<T>& Buffer, size_t Count, const char* Routine, const T& Value = T{}) {
  try {
    Buffer.assign(Count, Value);
  } catch (const std::bad_alloc&) {
    RawOutOfMemory(Routine);
  } catch (const std::length_error&) {
    RawOutOfMemory(Routine);
  }
}
[[noreturn]] void RawDecoderTableOverflow();
