// The format registry: one record per image file format (id, description,
// extensions, dialog pages, read/write/test routines), looked up by id and
// by extension; the operations of the formats the input/output component
// reads and writes itself; and detection of a format from content.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "imaging/io/IEIOTypes.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;

using TIEReadProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                             bool ParamsOnly, TIOProgressRec& Progress);
using TIEWriteProc = void (*)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params,
                              TIOProgressRec& Progress);
using TIETestProc = bool (*)(TStream* Stream, int32_t TypeId);

// Save-parameter dialog pages (bits of DialogPages).
enum : uint16_t {
  ieppCurrent = 1 << 1,
  ieppJPEG = 1 << 2,
  ieppTIFF = 1 << 3,
  ieppGIF = 1 << 4,
  ieppBMP = 1 << 5,
  ieppPCX = 1 << 6,
  ieppPNG = 1 << 7,
  ieppTGA = 1 << 8,
  ieppJ2000 = 1 << 9
};

struct TIOFormatEntry {
  int32_t TypeId = ieftUnknown;
  std::string Description;    // at most 80 characters
  std::string ExtensionList;  // upper case, no dots, ";"-separated; at most 80 characters
  // The input/output component reads and writes it with its own operations;
  // then the routines are only marks of what is possible.
  bool IsBuiltIn = false;
  uint16_t DialogPages = 0;
  TIEReadProc ReadProc = nullptr;
  TIEWriteProc WriteProc = nullptr;
  TIETestProc TestProc = nullptr;
};

// ---- registry (created with the built-in entries on first use)
void RegisterFormat(const TIOFormatEntry& Entry);
void UnregisterFormat(int32_t TypeId);
// The first entry of the id, or null. The pointer stays valid until the
// entry is unregistered.
const TIOFormatEntry* FindFormatInfo(int32_t TypeId);
// Case is ignored and one leading dot dropped; the earliest entry wins.
const TIOFormatEntry* FindFormatInfoByExtension(const std::string& Extension);
int32_t CountFormatExtensions(int32_t TypeId);
// 0-based; empty when the entry or the extension does not exist.
std::string GetFormatExtension(int32_t TypeId, int32_t Index);
// The id of the extension's entry, or ieftUnknown.
int32_t FindFileTypeByExtension(const std::string& Extension);
int32_t FormatCount();
const TIOFormatEntry* FormatAt(int32_t Index);

// ---- operations of a format the component runs itself ("built-in")
// How a load or save of the format behaves inside the component's frame.
struct TIEFormatHandler {
  int32_t TypeId = ieftUnknown;
  // Reads the image (or only the parameters) at the stream's position;
  // reports bad data through Progress.Aborting. AlphaMask receives an alpha
  // plane when the format carries one. Null: the format cannot be read.
  void (*Read)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& Params, bool ParamsOnly,
               TIOProgressRec& Progress, std::unique_ptr<TIEMask>& AlphaMask) = nullptr;
  // Null: the format cannot be written.
  TIEWriteProc Write = nullptr;
  // Content test at the stream's position (which it may move); null: none.
  bool (*Test)(TStream* Stream) = nullptr;
  // Place of the test in content detection; the built-in tests run in
  // ascending order before the registry's own test routines.
  int32_t DetectOrder = 0;
  // The file load sets the abort flag before opening the file, so that a
  // file that cannot be opened leaves it set.
  bool AbortBeforeOpen = false;
  // The load tells the attached view the file's resolution: 0 never,
  // 1 file loads only, 2 file and stream loads.
  uint8_t TellsViewDpi = 2;
  // Pixel formats the writer takes as they are; anything else is converted
  // to ieRGB24 first. 0 means every format.
  uint16_t SaveFormats = 0;
  // Pages or frames of a file of a multi-image format; null: one image.
  int32_t (*CountImages)(const std::string& FileName) = nullptr;
  // With StreamHeaders, stream saves put a 12-byte header with this tag
  // ("TIFF", "PCX2", "JFIF") in front of the image data; null: none.
  const char* StreamHeaderTag = nullptr;
  // Whether the header is written also when the writer aborted.
  bool StreamHeaderAfterAbort = true;
};

// Called by the format's own registration at start-up.
void RegisterFormatHandler(const TIEFormatHandler& Handler);
// The handler of a built-in format, or null when this build cannot run it.
const TIEFormatHandler* FindFormatHandler(int32_t TypeId);

// ---- detection by content
// The id of the data at the stream's position (0 when nothing matches); the
// position is the same afterwards.
int32_t FindStreamFormat(TStream* Stream);
// The id of a file's content; with CheckExtension only when it agrees with
// the file's extension (0 otherwise). A missing file gives 0.
int32_t FindFileFormat(const std::string& FileName, bool CheckExtension);
// "RIFF" at the position and "AVI " 8 bytes further; the position is restored.
bool IsAVIStream(TStream* Stream);

// The number of images in a file by its extension's format: the format's own
// counter, else 1; 0 when no format of this build reads the extension. A
// name whose extension no format lists (".avi" among them) counts the
// frames of the media file (0 when it cannot be played).
int32_t CountFileImages(const std::string& FileName);

// A text for dialogs: "Windows Bitmap (BMP) ver.3".
std::string DescribeImageParams(const TIOParamsVals* Params);
