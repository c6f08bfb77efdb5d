#include "imaging/io/raw/RawBitReader.h"

uint32_t GetBits(TIERawContext& Ctx, int32_t N) {
  uint32_t result = 0;
  if (N == -1) {
    Ctx.BitBuffer = 0;
    Ctx.BitCount = 0;
  } else if (N > 0) {
    if (N > 25) N = 25;
    const int32_t up = 32 - Ctx.BitCount;
    const uint32_t shifted = up >= 32 || up < 0 ? 0 : Ctx.BitBuffer << up;
    result = shifted >> (32 - N);
    Ctx.BitCount -= N;
  }
  while (Ctx.BitCount < 25) {
    const uint8_t b = RawGetByte(Ctx);
    Ctx.BitBuffer = (Ctx.BitBuffer << 8) | b;
    if (b == 0xFF && Ctx.ZeroAfterFF) RawGetByte(Ctx);
    Ctx.BitCount += 8;
  }
  return result;
}

int32_t SignExtend(uint32_t Value, int32_t Length) {
  if (Length <= 0) return 0;
  const int64_t v = Value;
  if ((v & (int64_t{1} << (Length - 1))) == 0) return static_cast<int32_t>(v - ((int64_t{1} << Length) - 1));
  return static_cast<int32_t>(v);
}

int32_t GetDiff(TIERawContext& Ctx, int32_t Length) {
  if (Length <= 0) return 0;
  if (Length > 25) Length = 25;
  return SignExtend(GetBits(Ctx, Length), Length);
}

void InitDecoder(TIERawContext& Ctx) {
  for (TIERawHuffNode& n : Ctx.DecodeNodes) n = TIERawHuffNode();
  Ctx.FreeNode = 0;
}

TIERawHuffNode* NewDecodeNode(TIERawContext& Ctx) {
  if (Ctx.FreeNode >= kRawDecodeNodes) RawDecoderTableOverflow();
  return &Ctx.DecodeNodes[Ctx.FreeNode++];
}

int32_t MakeDecoder(TIERawContext& Ctx, const uint8_t* Spec, int32_t SpecLength, int32_t Level) {
  auto at = [&](int32_t i) -> int32_t { return i >= 0 && i < SpecLength ? Spec[i] : 0; };
  if (Level == 0) Ctx.LeafCount = 0;
  TIERawHuffNode* node = NewDecodeNode(Ctx);
  int32_t sum = 0;
  int32_t i = 0;
  while (Ctx.LeafCount >= sum && i < 16) sum += at(i++);
  if (Ctx.LeafCount < sum) {
    if (Level < i) {
      node->Branch[0] = &Ctx.DecodeNodes[Ctx.FreeNode];
      MakeDecoder(Ctx, Spec, SpecLength, Level + 1);
      node->Branch[1] = &Ctx.DecodeNodes[Ctx.FreeNode < kRawDecodeNodes ? Ctx.FreeNode : 0];
      MakeDecoder(Ctx, Spec, SpecLength, Level + 1);
    } else {
      node->Leaf = at(16 + Ctx.LeafCount++);
    }
  }
  return 16 + Ctx.LeafCount;
}

int32_t DecodeSymbol(TIERawContext& Ctx, const TIERawHuffNode* Tree) {
  if (!Tree) return 0;
  while (Tree->Branch[0]) Tree = Tree->Branch[GetBits(Ctx, 1)];
  return Tree->Leaf;
}
