// What a file can really hold. Every reader checks the size its header claims
// before it allocates anything of that size: the file's coded data must be
// able to describe that many pixels at its coding's best ratio, and the image
// must fit the memory and temporary-file space the machine has free. A claim
// that fails loads nothing; the load is refused with a message saying why.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/model/IEPixelTypes.h"

class TStream;
struct TIOProgressRec;

// The most one byte of coded data can decode into, for codings several
// formats share. Deflate: a 258-byte match costs at least two bits (one for
// the length code, one for the distance code).
constexpr int64_t kIEDeflateMaxRatio = 1032;

// Decoded sizes up to this always count as plausible: a small damaged file
// still loads with what it has, and costs little whatever it claims.
constexpr int64_t kIESmallImageBytes = int64_t{1} << 20;

// Whether Data bytes of coded data can decode into Decoded bytes when one
// byte decodes into at most MaxRatio; true for decoded sizes up to
// kIESmallImageBytes.
bool IEDataCanHold(int64_t Decoded, int64_t Data, int64_t MaxRatio);

// Bytes from the stream's position to its end; 0 when the stream cannot say.
// The position is kept.
int64_t IEBytesLeft(TStream* Stream);

// The most Compressed bytes of zlib or deflate data inflate to.
int64_t IEMaxInflatedBytes(int64_t Compressed);

// Bytes of a decoded Width x Height image of Format, rows padded as the
// image keeps them, plus an 8-bit alpha channel when Alpha; 0 for no size.
int64_t IEImageBytes(int64_t Width, int64_t Height, TIEPixelFormat Format, bool Alpha);

// Whether the memory available now plus the temporary folder's free space
// can hold Bytes.
bool IEMachineCanHold(int64_t Bytes);

// The check before allocating a Width x Height image of Format (and an alpha
// channel when Alpha). DataHolds is the reader's verdict on whether its data
// can describe that many pixels. False, with the load refused (Aborted set
// and the reason given), when it cannot or when the image does not fit the
// machine; true otherwise.
bool IEClaimPlausible(const TIOProgressRec& Progress, int64_t Width, int64_t Height,
                      TIEPixelFormat Format, bool Alpha, bool DataHolds);

// The reasons IEClaimPlausible gives, for callers and tests that compare.
std::string IEClaimTooLargeForDataText(int64_t Width, int64_t Height);
std::string IEClaimTooLargeForMachineText(int64_t Width, int64_t Height, int64_t Bytes);
// The reason for refusing a file whose data end before the first row of its
// picture.
std::string IEDataEndsEarlyText();
// The reason for refusing a picture whose data really hold it, at a ratio
// no picture of its coding reaches when it is meant to be seen.
std::string IEPictureTooLargeText(int64_t Width, int64_t Height, int64_t DataBytes);

// The reason for refusing a picture that needs more working memory to
// decode than a reader allows itself.
std::string IEPictureTooLargeToDecodeText(int64_t Width, int64_t Height, int64_t Bytes);
// The reason for refusing a file of a known format whose data are damaged;
// Detail says where, in the words of the library that found it.
std::string IEDamagedDataText(const std::string& Detail);

// What a load may spend on a claimed size before the file's data have shown
// that they hold it: 8 bytes for every byte of the file and 48 MB besides.
// Beyond it a reader first finds out how much of the picture the data hold.
int64_t IEUnprovenAllowance(int64_t FileBytes);
// The reason for refusing a file whose picture has no data at all.
std::string IENoPictureDataText();
// The reason for refusing a file that shows itself to be of a format (its
// Description) but whose data its reader could not read: damaged, or of a
// kind of the format the reader does not know.
std::string IEUnreadableDataText(const std::string& Description);
