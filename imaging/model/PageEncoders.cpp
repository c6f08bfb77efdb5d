#include "imaging/model/PageEncoders.h"

#include <algorithm>

#include "rtl/Numeric.h"
#include "rtl/TStream.h"

void FitProportional(int32_t Width, int32_t Height, int32_t MaxWidth, int32_t MaxHeight,
                     int32_t& NewWidth, int32_t& NewHeight) {
  if (Width == 0 || Height == 0) return;
  const double f = std::min(double(MaxHeight) / Height, double(MaxWidth) / Width);
  NewWidth = static_cast<int32_t>(std::max<int64_t>(Trunc(Width * f), 1));
  NewHeight = static_cast<int32_t>(std::max<int64_t>(Trunc(Height * f), 1));
}

void StreamWriteLine(TStream* Stream, const std::string& Text) {
  Stream->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
  Stream->WriteBuffer("\r\n", 2);
}

int64_t ASCII85Encode(const uint8_t* Source, int64_t Count, std::vector<uint8_t>& Dest) {
  const size_t start = Dest.size();
  int line = 0;
  for (int64_t i = 0; i < Count; i += 4) {
    const int n = static_cast<int>(std::min<int64_t>(4, Count - i));
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = v << 8 | (k < n ? Source[i + k] : 0);
    if (n == 4 && v == 0) {
      Dest.push_back('z');
      ++line;
    } else {
      char digits[5];
      for (int k = 4; k >= 0; --k) {
        digits[k] = static_cast<char>(v % 85 + 33);
        v /= 85;
      }
      Dest.insert(Dest.end(), digits, digits + n + 1);
      line += n + 1;
    }
    if (line > 74) {
      Dest.push_back('\r');
      Dest.push_back('\n');
      line = 0;
    }
  }
  for (char c : {'~', '>', '\r', '\n'}) Dest.push_back(static_cast<uint8_t>(c));
  return static_cast<int64_t>(Dest.size() - start);
}

int64_t PackBitsEncode(const uint8_t* Source, int64_t Count, std::vector<uint8_t>& Dest) {
  const size_t start = Dest.size();
  int64_t j = 0;
  while (j < Count) {
    if (j + 1 < Count && Source[j + 1] == Source[j]) {
      int64_t n = 2;
      while (j + n < Count && n < 128 && Source[j + n] == Source[j]) ++n;
      Dest.push_back(static_cast<uint8_t>(static_cast<int8_t>(1 - n)));
      Dest.push_back(Source[j]);
      j += n;
    } else {
      int64_t n = 1;
      while (j + n < Count && n < 128 && Source[j + n] != Source[j + n - 1]) ++n;
      Dest.push_back(static_cast<uint8_t>(n - 1));
      Dest.insert(Dest.end(), Source + j, Source + j + n);
      j += n;
    }
  }
  Dest.push_back(128);
  return static_cast<int64_t>(Dest.size() - start);
}
