// The decoder's bit reader and its Huffman trees: codes read most
// significant bit first, trees built from JPEG-style code tables
// (16 counts, then the symbols in code order) in the context's node pool.
#pragma once

#include <cstdint>

#include "imaging/io/raw/RawContext.h"

// N = 0: 0; N = -1: resets the reader and gives 0; otherwise the next N
// bits (lengths above 25 are damaged data and read 25). The buffer is
// refilled to at least 25 bits after every call.
uint32_t GetBits(TIERawContext& Ctx, int32_t N);
// A difference of Length bits as coded: values whose top bit is clear are
// negative.
int32_t SignExtend(uint32_t Value, int32_t Length);
// Length bits read and sign-extended; 0 for length 0.
int32_t GetDiff(TIERawContext& Ctx, int32_t Length);

// Empties the node pool.
void InitDecoder(TIERawContext& Ctx);
// Builds a tree at FreeNode from the code table of SpecLength
// bytes at Spec; symbols past SpecLength read as 0. Returns the number of
// bytes the table used (16 + the symbols taken). A pool that runs
// out raises ": decoder table overflow".
int32_t MakeDecoder(TIERawContext& Ctx, const uint8_t* Spec, int32_t SpecLength, int32_t Level);
// Walks Tree by single bits; the symbol of the leaf reached.
int32_t DecodeSymbol(TIERawContext& Ctx, const TIERawHuffNode* Tree);
// Takes the next node of the pool (overflow raises).
TIERawHuffNode* NewDecodeNode(TIERawContext& Ctx);
