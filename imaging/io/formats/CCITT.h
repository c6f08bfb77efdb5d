// Bilevel rows in the codings of ITU-T T.4 (Group 3: modified Huffman and
// modified READ) and T.6 (Group 4). Decoded rows are packed bits, most
// significant first, with 1 = white (the convention of ieMono1); rows given
// to the encoders have 1 = black. FillOrder 1: the first code bit is the
// most significant bit of a byte; 2: the least significant.
#pragma once

#include <cstdint>
#include <vector>

class TStream;

// ---- decoders: they never fail; unknown bits are skipped, data running
// out acts as EOL, and what a row does not describe stays white. Bit
// positions count from the first byte of Data.

// One row of modified Huffman codes from BitPos; returns the bit position
// after the row.
int64_t CCITTDecodeRow1D(uint8_t* Row, const uint8_t* Data, int64_t Size, int32_t FillOrder,
                         int64_t BitPos, int32_t Width);
// One byte-aligned row from bit 0 (TIFF compression 2); returns the whole
// bytes used.
int64_t CCITTDecodeHuffmanRow(uint8_t* Row, const uint8_t* Data, int64_t Size, int32_t FillOrder,
                              int32_t Width);
// One row of two-dimensional codes against RefRow, which then becomes a
// copy of Row. EOLMode: Group 3 two-dimensional data, whose rows begin with
// EOL and a tag bit. Returns the bit position after the row.
int64_t CCITTDecodeRow2D(uint8_t* Row, const uint8_t* Data, int64_t Size, bool EOLMode,
                         int32_t FillOrder, int64_t BitPos, uint8_t* RefRow, int32_t Width);

// ---- encoders: whole bytes go to the stream; a short write sets Abort.
// Pending bits (and the partial byte holding them) carry from call to call.

// One one-dimensional row that ends on a byte boundary.
void CCITTEncodeHuffmanRow(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                           bool& Abort);
// One one-dimensional row without EOL.
void CCITTEncodeG3Row1D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                        bool& Abort, int32_t& Pending, uint8_t& PendingByte);
// EOL, a tag bit and the row: 1-D for the first row of a strip (RefRow
// empty), 2-D against RefRow after it. Row null ends the strip with an EOL
// and empties RefRow.
void CCITTEncodeG3Row2D(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                        bool& Abort, std::vector<uint8_t>& RefRow, int32_t& Pending,
                        uint8_t& PendingByte);
// One two-dimensional row against RefRow (white when empty). Row null ends
// the strip with the end-of-block code and zero bits to a byte boundary.
void CCITTEncodeG4Row(const uint8_t* Row, int32_t Width, TStream* Stream, int32_t FillOrder,
                      bool& Abort, std::vector<uint8_t>& RefRow, int32_t& Pending,
                      uint8_t& PendingByte);
// An EOL code.
void CCITTEncodeEOL(TStream* Stream, int32_t FillOrder, bool& Abort, int32_t& Pending,
                    uint8_t& PendingByte);
// Writes the pending bits, padded with zero bits to a whole byte.
void CCITTFlush(TStream* Stream, bool& Abort, int32_t& Pending, uint8_t& PendingByte);
