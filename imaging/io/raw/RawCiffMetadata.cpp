#include "imaging/io/raw/RawCiffMetadata.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagoIO.h"
#include "imaging/io/raw/RawContainers.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIETagsHandler.h"
#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

struct CiffReading {
  TStream* Stream;
  TIOParamsVals& Params;
  int64_t Size;
  bool Big = false;
  std::vector<uint16_t> Tags;
  std::vector<uint32_t> Counts;
  std::vector<std::vector<uint8_t>> Data;
  int64_t BestPos = -1;
  int32_t MinW = 0x7FFFFFFE, MinH = 0x7FFFFFFE;
  int32_t Budget = kCiffMaxRecords;
  std::set<int64_t> Considered;
  int64_t MakerBytes = 0;  // all maker-note data collected so far

  uint16_t Word() {
    uint8_t b[2] = {};
    Stream->Read(b, 2);
    return Big ? LoadBE16(b) : LoadLE16(b);
  }
  uint32_t Long() {
    uint8_t b[4] = {};
    Stream->Read(b, 4);
    return Big ? LoadBE32(b) : LoadLE32(b);
  }
  void Seek(int64_t P) { Stream->Seek(P < 0 ? Size : P, soBeginning); }
};

std::string ReadCiffString(CiffReading& R, int64_t Max) {
  std::string text;
  while (static_cast<int64_t>(text.size()) < Max) {
    uint8_t b = 0;
    if (R.Stream->Read(&b, 1) != 1 || b == 0) break;
    text += static_cast<char>(b);
  }
  return text;
}

// The record's data as a directory entry of 16-bit values; the count and
// the bytes read agree, and neither runs past the record or the file. All
// records together hold no more than the file does, however often they
// name the same bytes. The values are kept little-endian, as the directory is.
void AddCiffMakerTag(CiffReading& R, uint16_t Tag, int64_t Length) {
  const int64_t room = std::max<int64_t>(0, R.Size - R.Stream->Position());
  const int64_t left = std::max<int64_t>(0, std::min<int64_t>(R.Size, 0x7FFFFFFF) - R.MakerBytes);
  const int64_t bytes = std::min({Length, room, left}) & ~int64_t{1};
  std::vector<uint8_t> data(static_cast<size_t>(bytes));
  if (bytes > 0) R.Stream->Read(data.data(), bytes);
  if (R.Big)
    for (size_t i = 0; i + 1 < data.size(); i += 2) std::swap(data[i], data[i + 1]);
  R.MakerBytes += bytes;
  R.Tags.push_back(Tag);
  R.Counts.push_back(static_cast<uint32_t>(bytes / 2));
  R.Data.push_back(std::move(data));
}

void ConsiderCiffJpeg(CiffReading& R) {
  const int64_t p = R.Stream->Position();
  // An image that several records name is looked at once.
  if (p >= R.Size || !R.Considered.insert(p).second) return;
  TImagoIO io(nullptr);
  io.ReadParamsFromStreamOfType(R.Stream, ieftJPEG);
  if (!io.Aborted() && io.Params()->Width < R.MinW && io.Params()->Height < R.MinH) {
    R.BestPos = p;
    R.MinW = io.Params()->Width;
    R.MinH = io.Params()->Height;
  }
}

void ParseCiffDirectory(CiffReading& R, int64_t S, int64_t L, int32_t Depth) {
  // Blocks lie inside the file and nest only so deep: a damaged file whose
  // blocks point back into their parents ends here.
  if (Depth > kCiffMaxDepth || L < 4 || S < 0 || S > R.Size - L) return;
  R.Seek(S + L - 4);
  R.Seek(S + R.Long());
  const uint32_t n = std::min<uint32_t>(R.Word(), 256);
  for (uint32_t i = 0; i < n && R.Budget > 0; ++i, --R.Budget) {
    const uint16_t type = R.Word();
    int64_t length = R.Long();
    const uint32_t offset = R.Long();
    const int64_t save = R.Stream->Position();
    int64_t a = S + offset;
    if (type >= 0x4000) {
      a = save - 8;
      length = 8;
    }
    R.Seek(a);
    switch (type & 0x3FFF) {
      case 0x0805: R.Params.EXIFImageDescription = ReadCiffString(R, length); break;
      case 0x080A:
        R.Params.EXIFMake = ReadCiffString(R, length);
        R.Params.EXIFModel = ReadCiffString(R, length);
        break;
      case 0x080B: R.Params.EXIFSoftware = ReadCiffString(R, length); break;
      case 0x102A: AddCiffMakerTag(R, 4, length); break;
      case 0x102D: AddCiffMakerTag(R, 1, length); break;
      case 0x1810:
        R.Params.EXIFPixelXDimension = static_cast<int32_t>(R.Long());
        R.Params.EXIFPixelYDimension = static_cast<int32_t>(R.Long());
        break;
      case 0x2007:
      case 0x2008: ConsiderCiffJpeg(R); break;
      case 0x2800:
      case 0x2807:
      case 0x3000:
      case 0x3002:
      case 0x3003:
      case 0x3004:
      case 0x300A:
      case 0x300B: ParseCiffDirectory(R, a, length, Depth + 1); break;
      default: break;
    }
    R.Seek(save);
  }
}

void LoadCiffPreview(CiffReading& R) {
  if (!R.Params.EXIFThumbnail) R.Params.EXIFThumbnail = std::make_unique<TIEBitmap>();
  TIEBitmap* thumbnail = R.Params.EXIFThumbnail.get();
  thumbnail->FreeImage(true);
  if (R.BestPos < 1) return;
  TImagoIO io(nullptr);
  io.AttachIEBitmap(thumbnail);
  R.Seek(R.BestPos);
  io.LoadFormatFromStream(ieftJPEG, R.Stream);
  if (io.Aborted()) thumbnail->FreeImage(true);
}

// The collected records as one directory of 16-bit-value entries: the
// count, the entries, then each entry's data in the same order.
void StoreCiffMakerNote(CiffReading& R) {
  TIETagsHandler& note = R.Params.EXIFMakerNote;
  TMemoryStream& out = note.Stream();
  out.Clear();
  const auto put16 = [&](uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    out.WriteBuffer(b, 2);
  };
  const auto put32 = [&](uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    out.WriteBuffer(b, 4);
  };
  const size_t n = R.Tags.size();
  put16(static_cast<uint16_t>(n));
  int64_t dataAt = 2 + 12 * static_cast<int64_t>(n);
  for (size_t i = 0; i < n; ++i) {
    put16(R.Tags[i]);
    put16(3);
    put32(R.Counts[i]);
    put32(static_cast<uint32_t>(dataAt));
    dataAt += static_cast<int64_t>(R.Data[i].size());
  }
  for (const auto& data : R.Data)
    if (!data.empty()) out.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
  out.SetPosition(0);
  note.ParseTags();
}

}  // namespace

bool ReadCiffMetadata(TStream* Stream, TIOParamsVals& Params) {
  CiffReading r{Stream, Params, Stream->Size(), false, {}, {}, {}, -1, 0x7FFFFFFE, 0x7FFFFFFE, kCiffMaxRecords, {}, 0};
  uint8_t head[14] = {};
  Stream->Seek(0, soBeginning);
  Stream->Read(head, 14);
  r.Big = head[0] == 'M' && head[1] == 'M';
  const bool marked = (head[0] == 'I' && head[1] == 'I') || r.Big;
  if (!marked && std::memcmp(head + 6, "HEAPCCDR", 8) != 0) return false;
  r.Seek(2);
  const int64_t h = r.Long();
  ParseCiffDirectory(r, h, r.Size - h, 0);
  LoadCiffPreview(r);
  StoreCiffMakerNote(r);
  return false;
}
