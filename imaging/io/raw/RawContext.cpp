#include "imaging/io/raw/RawContext.h"

#include <cstring>

#include "rtl/ByteOrder.h"
#include "rtl/TStream.h"

namespace {

uint16_t& Scratch() {
  thread_local uint16_t scratch = 0;
  scratch = 0;
  return scratch;
}

}  // namespace

uint16_t& ImageSample(TIERawContext& Ctx, int32_t Row, int32_t Col, int32_t C) {
  if (Row < 0 || Col < 0 || Row >= Ctx.IHeight || Col >= Ctx.IWidth || C < 0 || C > 3)
    return Scratch();
  const size_t i = static_cast<size_t>(Row) * static_cast<size_t>(Ctx.IWidth) + static_cast<size_t>(Col);
  if (i >= Ctx.Image.size()) return Scratch();
  return Ctx.Image[i][static_cast<size_t>(C)];
}

uint16_t& MosaicSample(TIERawContext& Ctx, int32_t Row, int32_t Col) {
  if (Row < 0 || Col < 0) return Scratch();
  return ImageSample(Ctx, Row >> Ctx.Shrink, Col >> Ctx.Shrink, FilterColor(Ctx, Row, Col));
}

int64_t RawRead(TIERawContext& Ctx, void* Buffer, int64_t Count) {
  if (Count <= 0) return 0;
  int64_t got = Ctx.Stream->Read(Buffer, Count);
  if (got < 0) got = 0;
  if (got < Count) std::memset(static_cast<uint8_t*>(Buffer) + got, 0, static_cast<size_t>(Count - got));
  return got;
}

uint8_t RawGetByte(TIERawContext& Ctx) {
  uint8_t b = 0;
  RawRead(Ctx, &b, 1);
  return b;
}

uint16_t GetWord(TIERawContext& Ctx) {
  uint8_t b[2];
  RawRead(Ctx, b, 2);
  return Ctx.ByteOrder == kRawIntel ? LoadLE16(b) : LoadBE16(b);
}

uint32_t GetLong(TIERawContext& Ctx) {
  uint8_t b[4];
  RawRead(Ctx, b, 4);
  return Ctx.ByteOrder == kRawIntel ? LoadLE32(b) : LoadBE32(b);
}

void RawSeek(TIERawContext& Ctx, int64_t Position) {
  if (Position < 0) Position = Ctx.StreamSize;
  Ctx.Stream->Seek(Position, soBeginning);
}

void RawSkip(TIERawContext& Ctx, int64_t Count) { RawSeek(Ctx, RawTell(Ctx) + Count); }

int64_t RawTell(TIERawContext& Ctx) { return Ctx.Stream->Position(); }

std::string RawReadString(TIERawContext& Ctx, int32_t Length) {
  std::string buf(static_cast<size_t>(Length), '\0');
  RawRead(Ctx, buf.data(), Length);
  buf.resize(std::strlen(buf.c_str()));
  return buf;
}

void RawStartProgress(TIERawContext& Ctx, int32_t Rows) {
  Ctx.ProgressScale = Rows > 0 ? 100.0 / Rows / 2 : 0;
}

void RawRowProgress(TIERawContext& Ctx, int32_t Row) {
  RawCheckAbort(Ctx);
  RawReportProgress(Ctx, static_cast<int32_t>(Row * Ctx.ProgressScale));
}

void RawCheckAbort(const TIERawContext& Ctx) {
  if (Ctx.Progress.IsAborting()) throw TIERawCancelled{};
}

void RawReportProgress(TIERawContext& Ctx, int32_t Percent) {
  if (Ctx.Progress.fOnProgress) Ctx.Progress.fOnProgress(Ctx.Progress.Sender, Percent);
}

void RawOutOfMemory(const char* Routine) {
  throw Exception(std::string(": Out of memory in ") + Routine);
}

void RawDecoderTableOverflow() { throw Exception(": decoder table overflow"); }
