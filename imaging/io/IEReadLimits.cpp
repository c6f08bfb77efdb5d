#include "imaging/io/IEReadLimits.h"

#include <limits>

#include "imaging/io/IEIOTypes.h"
#include "imaging/model/IEBitRoutines.h"
#include "imaging/model/TIEBitmap.h"
#include "imaging/model/TIEFileBuffer.h"
#include "rtl/TStream.h"

int64_t IEBytesLeft(TStream* Stream) {
  if (!Stream) return 0;
  try {
    const int64_t left = Stream->Size() - Stream->Position();
    return left > 0 ? left : 0;
  } catch (...) {
    return 0;
  }
}

bool IEDataCanHold(int64_t Decoded, int64_t Data, int64_t MaxRatio) {
  if (Decoded <= kIESmallImageBytes) return true;
  if (Data <= 0 || MaxRatio <= 0) return false;
  return Decoded / MaxRatio <= Data - (Decoded % MaxRatio == 0 ? 0 : 1);
}

int64_t IEMaxInflatedBytes(int64_t Compressed) {
  if (Compressed <= 0) return 0;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  return Compressed > kMax / kIEDeflateMaxRatio ? kMax : Compressed * kIEDeflateMaxRatio;
}

int64_t IEImageBytes(int64_t Width, int64_t Height, TIEPixelFormat Format, bool Alpha) {
  if (Width <= 0 || Height <= 0 || Format == ieNoFormat || Format > ieCIELab) return 0;
  // Claims beyond what 64 bits count saturate: no machine holds them anyway.
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  int64_t row = AlignedRowLength(Width, IEBitsPerPixel[Format], 32);
  if (Alpha) row += AlignedRowLength(Width, 8, 32);
  return row > kMax / Height ? kMax : row * Height;
}

bool IEMachineCanHold(int64_t Bytes) {
  if (Bytes <= 0) return true;
  const int64_t memory = AvailablePhysicalMemory();
  const int64_t disk = TempFolderFreeBytes();
  return Bytes <= memory || Bytes <= disk || Bytes - memory <= disk;
}

std::string IEClaimTooLargeForDataText(int64_t Width, int64_t Height) {
  return "The file claims a picture of " + std::to_string(Width) + " x " + std::to_string(Height) +
         " pixels, more than its data can hold: it is damaged or not a real picture.";
}

std::string IEClaimTooLargeForMachineText(int64_t Width, int64_t Height, int64_t Bytes) {
  const int64_t mib = (Bytes >> 20) + ((Bytes & 0xFFFFF) != 0 ? 1 : 0);
  return "A picture of " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels needs " +
         std::to_string(mib) + " MB, more than the free memory and temporary disk space.";
}

std::string IEDataEndsEarlyText() {
  return "The file's data end before the first row of its picture: it is damaged.";
}

std::string IEPictureTooLargeText(int64_t Width, int64_t Height, int64_t DataBytes) {
  const int64_t kib = (DataBytes >> 10) + ((DataBytes & 0x3FF) != 0 ? 1 : 0);
  return "The file holds a picture of " + std::to_string(Width) + " x " + std::to_string(Height) +
         " pixels in only " + std::to_string(kib) + " KB: it is too large to open.";
}

std::string IEPictureTooLargeToDecodeText(int64_t Width, int64_t Height, int64_t Bytes) {
  const int64_t mib = (Bytes >> 20) + ((Bytes & 0xFFFFF) != 0 ? 1 : 0);
  return "A picture of " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels needs " +
         std::to_string(mib) + " MB to decode: it is too large to open.";
}

std::string IEDamagedDataText(const std::string& Detail) {
  return Detail.empty() ? std::string("The file's data are damaged.")
                        : "The file's data are damaged (" + Detail + ").";
}

int64_t IEUnprovenAllowance(int64_t FileBytes) {
  constexpr int64_t kFixed = int64_t{48} << 20;
  constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
  if (FileBytes <= 0) return kFixed;
  return FileBytes > (kMax - kFixed) / 8 ? kMax : 8 * FileBytes + kFixed;
}

std::string IEUnreadableDataText(const std::string& Description) {
  return (Description.empty() ? std::string("The file") : "The " + Description + " file") +
         " cannot be read: its data are damaged, or of a kind this program does not read.";
}

std::string IENoPictureDataText() {
  return "The file holds no data of its picture: it is damaged.";
}

bool IEClaimPlausible(const TIOProgressRec& Progress, int64_t Width, int64_t Height,
                      TIEPixelFormat Format, bool Alpha, bool DataHolds) {
  if (!DataHolds) {
    Progress.Refuse(IEClaimTooLargeForDataText(Width, Height));
    return false;
  }
  const int64_t bytes = IEImageBytes(Width, Height, Format, Alpha);
  if (!IEMachineCanHold(bytes)) {
    Progress.Refuse(IEClaimTooLargeForMachineText(Width, Height, bytes));
    return false;
  }
  return true;
}
