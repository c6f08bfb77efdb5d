#include "imaging/model/IEBitRoutines.h"

#include <algorithm>
#include <array>

namespace {
constexpr std::array<uint8_t, 256> MakeReverseTable() {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) {
    int r = 0;
    for (int b = 0; b < 8; ++b)
      if (v & (1 << b)) r |= 0x80 >> b;
    t[static_cast<size_t>(v)] = static_cast<uint8_t>(r);
  }
  return t;
}
constexpr std::array<uint8_t, 256> kReverse = MakeReverseTable();
}  // namespace

int64_t AlignedRowLength(int64_t Width, int32_t BitsPerPixel, int32_t AlignBits) {
  if (AlignBits == 32) return (Width * BitsPerPixel + 31) / 32 * 4;
  if (AlignBits < 8) AlignBits = 8;
  return (Width * BitsPerPixel + AlignBits - 1) / AlignBits * (AlignBits / 8);
}

void CopyBits(uint8_t* Target, const uint8_t* Source, int64_t TargetBit, int64_t SourceBytes,
              int64_t Count, int64_t SourceBit) {
  if (Count < 1 || TargetBit < 0 || SourceBit < 0) return;
  // Never read beyond the source bytes.
  int64_t available = SourceBytes * 8 - SourceBit;
  if (available <= 0) return;
  Count = std::min(Count, available);
  int64_t s = SourceBit, t = TargetBit, n = Count;
  if ((s & 7) == (t & 7)) {
    // Same phase: ragged head bit by bit, whole bytes, ragged tail.
    for (; n > 0 && (t & 7) != 0; ++s, ++t, --n) SetBit(Target, t, GetBit(Source, s));
    int64_t bytes = n / 8;
    std::copy_n(Source + (s >> 3), bytes, Target + (t >> 3));
    s += bytes * 8, t += bytes * 8, n -= bytes * 8;
  }
  for (; n > 0; ++s, ++t, --n) SetBit(Target, t, GetBit(Source, s));
}

int32_t MaskBitWidth(uint32_t Mask) {
  if (Mask == 0) return 0;
  int shift = 0;
  while (shift < 31 && !(Mask >> shift & 1)) ++shift;
  int width = 0;
  while (shift + width < 32 && (Mask >> (shift + width) & 1)) ++width;
  return width;
}

int32_t CeilLog2(uint32_t N) {
  if (N == 0) return -1;
  int high = 31;
  while (!(N >> high & 1)) --high;
  return (N & (N - 1)) == 0 ? high : high + 1;
}

uint8_t ReverseBitsByte(uint8_t B) { return kReverse[B]; }

