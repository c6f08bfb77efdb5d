// The LZW coding of TIFF compression 5: codes most significant bit first,
// 256 clears the table, 257 ends the data, the first free code is 258, and
// codes grow from 9 to 12 bits one code early (the width switches when the
// next free code reaches 511, 1023 and 2047), as other TIFF software writes.
#pragma once

#include <cstdint>
#include <memory>

class TStream;

// Decoder state that persists across the rows of one strip; freed by
// resetting the handle.
struct TTIFFLZWDecodeState;
struct TTIFFLZWDecodeStateDeleter {
  void operator()(TTIFFLZWDecodeState* State) const;
};
using TTIFFLZWDecodeHandle = std::unique_ptr<TTIFFLZWDecodeState, TTIFFLZWDecodeStateDeleter>;

// Returns the next L decoded bytes of the coded data (Size bytes at Data),
// or null on a coding error. The first call (State empty) creates the state
// over the data; later calls continue from it and ignore Data. A call with
// Data null frees the state and returns null. When the end code or the end
// of the data comes first, the rest of the row holds bytes of earlier rows
// (zeros at first); codes are never read beyond Size bytes.
const uint8_t* TIFFLZWDecode(const uint8_t* Data, int64_t Size, int32_t L,
                             TTIFFLZWDecodeHandle& State);
// How many bytes of the row the last call returned came from codes (the
// rest are stale); 0 without a state.
int64_t TIFFLZWDecodedBytes(const TTIFFLZWDecodeHandle& State);

struct TTIFFLZWEncodeState;
struct TTIFFLZWEncodeStateDeleter {
  void operator()(TTIFFLZWEncodeState* State) const;
};
using TTIFFLZWEncodeHandle = std::unique_ptr<TTIFFLZWEncodeState, TTIFFLZWEncodeStateDeleter>;

// The first call (State empty) creates the state, writes the clear code and
// encodes Count bytes into Stream; later calls encode further bytes. A call
// with Data null writes the last prefix code and the end code, flushes and
// frees the state. False once a write to the stream came up short (the
// encoding goes on, so that the caller sees the failure once at the end).
bool TIFFLZWEncode(const uint8_t* Data, int64_t Count, TStream* Stream,
                   TTIFFLZWEncodeHandle& State);

// The shapes of the two routines, so that a parameter record may carry
// others in their place.
using TTIFFLZWDecompressProc = const uint8_t* (*)(const uint8_t* Data, int64_t Size, int32_t L,
                                                  TTIFFLZWDecodeHandle& State);
using TTIFFLZWCompressProc = bool (*)(const uint8_t* Data, int64_t Count, TStream* Stream,
                                      TTIFFLZWEncodeHandle& State);
// The routines every new parameter record starts with, and that the TIFF
// reader and writer fall back on when a record holds none. They start as
// the codec above; null means no LZW: the reader refuses LZW pages and the
// writer stores the rows uncompressed.
extern TTIFFLZWDecompressProc DefaultTIFFLZWDecompress;
extern TTIFFLZWCompressProc DefaultTIFFLZWCompress;
